#ifndef VEXA_HOST_UIMODEL_H
#define VEXA_HOST_UIMODEL_H

// The host's windows without a screen: windows, layouts and controls as data that the
// interface commands build, edit and query, and that tests and the shell act on as a user
// would.
//
// Names. A window's name differs from every other window's; a control's name differs from its
// siblings'. Either may be given in full ("WINDOW|LAYOUT|CONTROL") or by its own name; an own
// name that several controls carry names the newest. An unnamed control or window gets its
// type and the next free number ("text3"), unique in the whole interface.
//
// Parents. A new window is the current parent, a new layout (columnLayout, rowLayout) too;
// other controls go into the current parent, or into the layout or window named with -p.
// setParent ".." moves the current parent up one level and stays at a window. A radioButton
// joins the newest radioCollection (the current collection) while it exists, else it stands
// alone.
//
// The user. The user's actions reach only enabled controls of shown windows, and none while
// another action's command runs (a real interface waits for the command). Setting a value,
// picking a radio button and pressing a button run the control's change command (-cc) or
// command (-c) at top level through the command engine; edits made by commands run nothing.
//
// Confirm dialogs answer from a queue that tests fill (a label, a button index, or a dismiss);
// with the queue empty, the default button (the first button unless one is named). Every
// dialog shown is recorded with its answer.
//
// A front end without a screen (the shell) may watch the interface: it is told when an edit
// gives a text control of a shown window a new label (the status lines a dialog keeps up to
// date while a command works) and when a confirm dialog has been answered.

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vexa_host {

struct VEXA_API UiControl {
    std::uint64_t id = 0;
    std::string type;  // "window", "columnLayout", "rowLayout", "text", "checkBox", ...
    std::string name;
    UiControl* parent = nullptr;  // null for a window
    std::vector<std::unique_ptr<UiControl>> children;
    std::string label;  // a window's title
    double value = 0.0;  // checkBox and radioButton: 0 or 1; floatField: its number
    bool enabled = true;
    bool visible = false;  // a window: shown
    std::vector<std::string> items;  // textScrollList rows
    std::vector<int> selectedRows;   // 1-based, ascending
    bool multipleSelection = false;
    std::string command;        // -c
    std::string changeCommand;  // -cc
    std::uint64_t collection = 0;  // a radioButton's radioCollection

    bool isLayout() const { return type == "window" || type == "columnLayout" || type == "rowLayout"; }
};

struct VEXA_API ConfirmAnswer {
    enum Kind { kLabel, kIndex, kDismiss };
    Kind kind = kLabel;
    std::string label;  // kLabel: answered as it is, a button's label or not
    int index = 0;      // kIndex: 0 is the first button; past the last is a dismiss
};

struct VEXA_API ShownDialog {
    std::string title;
    std::string message;
    std::vector<std::string> buttons;
    std::string answer;
};

struct VEXA_API UiWatcher {
    std::function<void(const UiControl& window, const UiControl& text)> textEdited;
    std::function<void(const ShownDialog& dialog)> dialogShown;
};

class VEXA_API UiModel {
public:
    static constexpr size_t kMaxNesting = 64;  // layouts inside layouts

    static UiModel& instance();
    // Deletes every window and forgets the dialogs and the queued answers.
    void reset();

    UiControl* find(const std::string& name) const;
    std::string pathOf(const UiControl& control) const;
    const std::vector<std::unique_ptr<UiControl>>& windows() const { return windows_; }
    UiControl* windowOf(const UiControl& control) const;

    // Building: an empty name asks for a generated one; an empty parentName means the
    // current parent. kInvalidParameter for a name in use, kNotFound for a missing parent.
    VStatus addWindow(const std::string& name, UiControl*& window);
    VStatus addControl(const std::string& type, const std::string& name, const std::string& parentName,
                       UiControl*& control);
    VStatus remove(const std::string& name);
    UiControl* currentParent() const { return byId(currentParent_); }
    VStatus setParent(const std::string& target);
    void selectRadioButton(UiControl& button);
    UiControl* selectedRadioButton(const UiControl& collection) const;

    void queueAnswer(const ConfirmAnswer& answer) { answers_.push_back(answer); }
    // Shows the dialog: takes the next answer and records the dialog with it.
    std::string confirm(ShownDialog dialog, const std::string& defaultButton, const std::string& dismissText);
    const std::vector<ShownDialog>& shownDialogs() const { return dialogs_; }

    void setWatcher(UiWatcher watcher) { watcher_ = std::move(watcher); }
    // Called by the edit that changed the label of a text control.
    void noteTextEdited(const UiControl& text) const;

    VStatus userSetValue(const std::string& name, const std::string& value);
    VStatus userPickRadioButton(const std::string& name);
    VStatus userSelectRows(const std::string& name, std::vector<int> rows);
    VStatus userPressButton(const std::string& name);

    // The windows, their controls and the dialogs shown, one line each.
    void describe(std::ostream& out) const;

private:
    UiModel() = default;
    UiControl* byId(std::uint64_t id) const;
    std::string generatedName(const std::string& type);
    std::unique_ptr<UiControl> makeControl(const std::string& type, const std::string& name);
    VStatus reachable(const std::string& name, const char* type, UiControl*& control) const;
    // The script is a copy: the command may delete the control that holds it.
    VStatus runAsUser(const UiControl& control, std::string script);

    std::vector<std::unique_ptr<UiControl>> windows_;
    std::uint64_t nextId_ = 1;
    std::uint64_t currentParent_ = 0;
    std::uint64_t currentCollection_ = 0;
    std::map<std::string, unsigned> lastNumber_;
    std::deque<ConfirmAnswer> answers_;
    std::vector<ShownDialog> dialogs_;
    bool acting_ = false;
    UiWatcher watcher_;
};

}  // namespace vexa_host

#endif
