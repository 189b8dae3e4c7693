#include "fileio/RStreamOptions.h"

void RStreamOptions::ResetHooks() {
    progressHook_ = &DefaultProgressHook;
    for (DialogHook& hook : dialogHooks_) {
        hook = &DefaultDialogHook;
    }
}

void RStreamOptions::SetProgressHook(ProgressHook hook) {
    progressHook_ = hook != nullptr ? hook : &DefaultProgressHook;
}

void RStreamOptions::SetDialogHook(int number, DialogHook hook) {
    if (number >= 1 && number <= kDialogHookCount) {
        dialogHooks_[number - 1] = hook != nullptr ? hook : &DefaultDialogHook;
    }
}

RStreamOptions::DialogHook RStreamOptions::GetDialogHook(int number) const {
    return number >= 1 && number <= kDialogHookCount ? dialogHooks_[number - 1] : nullptr;
}

void RStreamOptions::ReportProgress(int status, const char* text, float percent) const {
    progressHook_(status, text, percent);
}

int RStreamOptions::CallDialogHook(int number, const char* title, const char* text, const char* button1,
                                   const char* button2, const char* button3, int defaultAnswer) const {
    const DialogHook hook = GetDialogHook(number);
    return hook != nullptr ? hook(title, text, button1, button2, button3, defaultAnswer) : defaultAnswer;
}

void RStreamOptions::DefaultProgressHook(int /*status*/, const char* /*text*/, float /*percent*/) {}

int RStreamOptions::DefaultDialogHook(const char* /*title*/, const char* /*text*/, const char* /*button1*/,
                                      const char* /*button2*/, const char* /*button3*/, int defaultAnswer) {
    return defaultAnswer;
}
