#include "plugin/WyxVexaConfirmDialog.h"

#include "plugin/ScriptText.h"

#include <vexa/VGlobal.h>

namespace {

// A dismissal answer that no button carries, so that a box closed without a button never
// reads as a button's answer.
VString DismissAnswer(const VString* labels, int labelCount) {
    VString answer = "dismiss";
    for (bool clash = true; clash;) {
        clash = false;
        for (int i = 0; i < labelCount; ++i) clash = clash || labels[i] == answer;
        if (clash) answer += "_";
    }
    return answer;
}

}  // namespace

void WyxVexaConfirmDialog::SetButtonLabel(int index, const VString& label) {
    if (index == 0) labels_[0] = label;
    if (index == 1) {
        labels_[1] = label;
        buttonCount_ = 2;
    }
}

int WyxVexaConfirmDialog::Show() const {
    const int answer = ShowHostConfirmDialog(title_, message_, labels_, buttonCount_);
    // Two equal labels answer the second, as the host cannot tell them apart.
    if (buttonCount_ == 2 && answer == 0 && labels_[0] == labels_[1]) return 1;
    return answer;
}

int ShowHostConfirmDialog(const VString& title, const VString& message, const VString* labels, int labelCount) {
    VString command = "confirmDialog -t " + QuotedScriptText(title) + " -m " + QuotedScriptText(message);
    for (int i = 0; i < labelCount; ++i) command += " -b " + QuotedScriptText(labels[i]);
    const VString dismissal = DismissAnswer(labels, labelCount);
    command += " -ds " + QuotedScriptText(dismissal);
    VString answer;
    if (!VGlobal::executeCommand(command, answer) || answer == dismissal) return WyxVexaConfirmDialog::kDismissed;
    for (int i = 0; i < labelCount; ++i) {
        if (answer == labels[i]) return i;
    }
    return WyxVexaConfirmDialog::kDismissed;
}
