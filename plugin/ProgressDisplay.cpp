#include "plugin/ProgressDisplay.h"

#include "plugin/ScriptText.h"

#include <vexa/VGlobal.h>

#include <string>

namespace {

struct ProgressState {
    bool show = true;
    int ticks = 0;
    VString windowName;
    VString status;
};

ProgressState& State() {
    static ProgressState state;
    return state;
}

void SetTextControl(const VString& text, const char* control) {
    VGlobal::executeCommand("text -e -label " + QuotedScriptText(text) + " " + control);
}

void ShowStatusLine(const VString& text) {
    SetTextControl(text, "WYXVEXASTATUS");
}

void ShowWindow() { VGlobal::executeCommand("showWindow " + State().windowName); }

}  // namespace

void ResetProgress(bool show, const VString& windowName) {
    ProgressState& state = State();
    state.show = show;
    state.windowName = windowName;
    state.ticks = 0;
    state.status = VString();
}

void SetProgressStatus(const VString& text) {
    State().status = text;
    if (!State().show) return;
    ShowStatusLine(text);
    ShowWindow();
}

void ShowProgressDetail(const VString& detail) {
    if (!State().show) return;
    ShowStatusLine(State().status + "  " + detail);
    ShowWindow();
}

void ProgressTick(const VString* detail) {
    ProgressState& state = State();
    if (++state.ticks > kProgressTicksPerSweep) state.ticks = 0;
    if (!state.show) return;
    if (detail != nullptr) ShowStatusLine(state.status + "  " + *detail);
    const std::string blanks(state.ticks > 1 ? static_cast<size_t>(state.ticks - 1) : 0, ' ');
    SetTextControl(VString(blanks + "o"), "WYXVEXAPROGRESSMETER");
    ShowWindow();
}

bool ProgressShown() { return State().show; }

const VString& GetProgressStatus() { return State().status; }

int GetProgressTicks() { return State().ticks; }
