#ifndef WYX_PLUGIN_WYXVEXACONFIRMDIALOG_H
#define WYX_PLUGIN_WYXVEXACONFIRMDIALOG_H

// A modal message box of the host (its "confirmDialog" command) with one or two buttons.
//
// Texts are plain: a line feed in the message breaks the line; the dialog escapes every text
// when it builds the command, so quotes and backslashes in names show as they are.
//
// Show answers the pressed button (0 the first, 1 the second) or kDismissed when the user
// closed the box without pressing one; what a dismissal means is the caller's decision.

#include <vexa/VString.h>

class WyxVexaConfirmDialog {
public:
    static constexpr int kDismissed = -1;

    WyxVexaConfirmDialog() = default;

    void SetTitle(const VString& title) { title_ = title; }
    void SetMessage(const VString& message) { message_ = message; }
    // Index 0 sets the first label; index 1 the second, which makes a two-button dialog.
    // Other indexes are ignored.
    void SetButtonLabel(int index, const VString& label);
    int Show() const;

    int GetButtonCount() const { return buttonCount_; }

private:
    VString title_ = "WyxVexaConfirmDialog";
    VString message_ = "Left empty";
    int buttonCount_ = 1;
    VString labels_[2] = {"Ok", "Left empty"};
};

// Runs "confirmDialog" with the title, message and labels and answers the index of the label
// the host answered, or kDismissed when it answered none of them.
int ShowHostConfirmDialog(const VString& title, const VString& message, const VString* labels, int labelCount);

#endif
