#ifndef WYX_PLUGIN_WYXVEXA3BUTTONDIALOG_H
#define WYX_PLUGIN_WYXVEXA3BUTTONDIALOG_H

// A modal message box of the host with three buttons; texts as in WyxVexaConfirmDialog.
// Show answers 0, 1 or 2 for the pressed button, or WyxVexaConfirmDialog::kDismissed.

#include <vexa/VString.h>

class WyxVexa3ButtonDialog {
public:
    WyxVexa3ButtonDialog() = default;

    void SetTitle(const VString& title) { title_ = title; }
    void SetMessage(const VString& message) { message_ = message; }
    // Index 0, 1 or 2; others are ignored.
    void SetButtonLabel(int index, const VString& label);
    int Show() const;

private:
    VString title_ = "WyxVexa3ButtonDialog";
    VString message_ = "Left empty";
    VString labels_[3] = {"Ok", "Left empty", "Left empty"};
};

#endif
