#ifndef WYX_FILEIO_RSTREAMOPTIONS_H
#define WYX_FILEIO_RSTREAMOPTIONS_H

// The base of every stream-options object: what a reader or writer is told to do, and the
// four hooks through which it talks to whoever drives it.
//
// The hooks are plain function pointers (no context argument), so that a host can hand in
// C functions. Hook 0 reports progress; hooks 1 to 3 show a dialog with up to three buttons
// and answer the number of the button chosen (hook 1 asks a question, hook 2 shows a
// message, hook 3 is spare). Without a host every hook keeps its default: progress is
// ignored and a dialog answers its default button at once.

#include "core/RObject.h"

class RStreamOptions : public RObject {
    WYX_DECLARE_CLASS(RStreamOptions)

public:
    // (status, text or null, percent complete).
    using ProgressHook = void (*)(int status, const char* text, float percent);
    // (title, text, button 1, button 2, button 3 - null for an absent button, default
    // answer) -> the number of the button chosen, 1 for button 1.
    using DialogHook = int (*)(const char* title, const char* text, const char* button1, const char* button2,
                               const char* button3, int defaultAnswer);

    // Dialog hook numbers.
    static constexpr int kQuestionHook = 1;
    static constexpr int kMessageHook = 2;
    static constexpr int kSpareDialogHook = 3;

    // Starts with the default hooks.
    RStreamOptions() = default;

    // The reset of the options: installs the default hooks. A class that overrides it calls
    // this first, then restores its own values.
    virtual void ResetHooks();

    // A null hook installs the default.
    void SetProgressHook(ProgressHook hook);
    ProgressHook GetProgressHook() const { return progressHook_; }
    // Hooks 1 to 3; other numbers are ignored.
    void SetDialogHook(int number, DialogHook hook);
    // Null for a number outside 1 to 3.
    DialogHook GetDialogHook(int number) const;

    void ReportProgress(int status, const char* text, float percent) const;
    // Calls dialog hook 1 to 3; a number outside them answers the default.
    int CallDialogHook(int number, const char* title, const char* text, const char* button1, const char* button2,
                       const char* button3, int defaultAnswer) const;
    int AskQuestion(const char* title, const char* text, const char* button1, const char* button2,
                    const char* button3, int defaultAnswer) const {
        return CallDialogHook(kQuestionHook, title, text, button1, button2, button3, defaultAnswer);
    }
    int ShowMessage(const char* title, const char* text, const char* button1, const char* button2,
                    const char* button3, int defaultAnswer) const {
        return CallDialogHook(kMessageHook, title, text, button1, button2, button3, defaultAnswer);
    }

    static void DefaultProgressHook(int status, const char* text, float percent);
    static int DefaultDialogHook(const char* title, const char* text, const char* button1, const char* button2,
                                 const char* button3, int defaultAnswer);

protected:
    ~RStreamOptions() override = default;

private:
    static constexpr int kDialogHookCount = 3;

    ProgressHook progressHook_ = &DefaultProgressHook;
    DialogHook dialogHooks_[kDialogHookCount] = {&DefaultDialogHook, &DefaultDialogHook, &DefaultDialogHook};
};

#endif
