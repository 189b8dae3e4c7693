#include "host/src/ui/UiModel.h"

#include "host/src/script/CommandEngine.h"
#include "host/src/script/CommandFlags.h"
#include "host/src/script/ScriptText.h"

#include <vexa/VString.h>

#include <algorithm>

namespace vexa_host {

namespace {

// Visits every control, windows first, each before its children, without recursion.
template <typename Visit>
void visitAll(const std::vector<std::unique_ptr<UiControl>>& windows, Visit visit) {
    std::vector<UiControl*> pending;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) pending.push_back(it->get());
    while (!pending.empty()) {
        UiControl* control = pending.back();
        pending.pop_back();
        visit(*control);
        for (auto it = control->children.rbegin(); it != control->children.rend(); ++it) pending.push_back(it->get());
    }
}

bool isInside(const UiControl* control, const UiControl& ancestor) {
    for (; control != nullptr; control = control->parent) {
        if (control == &ancestor) return true;
    }
    return false;
}

size_t depthOf(const UiControl* control) {
    size_t depth = 0;
    for (; control != nullptr; control = control->parent) ++depth;
    return depth;
}

std::vector<std::string> pathSteps(const std::string& path) {
    std::vector<std::string> steps;
    size_t start = path.front() == '|' ? 1 : 0;
    while (true) {
        const size_t bar = path.find('|', start);
        steps.push_back(path.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) return steps;
        start = bar + 1;
    }
}

UiControl* childNamed(const std::vector<std::unique_ptr<UiControl>>& list, const std::string& name) {
    for (const auto& control : list) {
        if (control->name == name) return control.get();
    }
    return nullptr;
}

void describeControl(std::ostream& out, const UiControl& control, const std::string& indent) {
    out << indent << control.type << ' ' << control.name;
    const bool labelled = control.type == "text" || control.type == "button" || control.type == "checkBox" ||
                          control.type == "radioButton";
    if (labelled || !control.label.empty()) out << ' ' << quoted(control.label);
    if (control.type == "window") out << (control.visible ? " shown" : " hidden");
    if (control.type == "checkBox" || control.type == "floatField") out << " value " << VString::fromDouble(control.value).str();
    if (control.type == "radioButton" && control.value != 0.0) out << " on";
    if (!control.enabled) out << " disabled";
    if (control.type == "textScrollList") {
        out << " items";
        for (const std::string& item : control.items) out << ' ' << quoted(item);
        out << " rows";
        for (int row : control.selectedRows) out << ' ' << row;
    }
    if (!control.command.empty()) out << " c " << quoted(control.command);
    if (!control.changeCommand.empty()) out << " cc " << quoted(control.changeCommand);
    out << '\n';
    for (const auto& child : control.children) describeControl(out, *child, indent + "  ");
}

}  // namespace

UiModel& UiModel::instance() {
    static UiModel model;
    return model;
}

void UiModel::reset() {
    windows_.clear();
    currentParent_ = 0;
    currentCollection_ = 0;
    lastNumber_.clear();
    answers_.clear();
    dialogs_.clear();
}

UiControl* UiModel::byId(std::uint64_t id) const {
    UiControl* found = nullptr;
    if (id != 0) {
        visitAll(windows_, [&](UiControl& control) {
            if (control.id == id) found = &control;
        });
    }
    return found;
}

UiControl* UiModel::find(const std::string& name) const {
    if (name.empty()) return nullptr;
    if (name.find('|') != std::string::npos) {
        const std::vector<std::string> steps = pathSteps(name);
        UiControl* control = childNamed(windows_, steps.front());
        for (size_t i = 1; control != nullptr && i < steps.size(); ++i) control = childNamed(control->children, steps[i]);
        return control;
    }
    UiControl* newest = nullptr;
    visitAll(windows_, [&](UiControl& control) {
        if (control.name == name && (newest == nullptr || control.id > newest->id)) newest = &control;
    });
    return newest;
}

std::string UiModel::pathOf(const UiControl& control) const {
    std::string path = control.name;
    for (const UiControl* up = control.parent; up != nullptr; up = up->parent) path = up->name + "|" + path;
    return path;
}

UiControl* UiModel::windowOf(const UiControl& control) const {
    const UiControl* top = &control;
    while (top->parent != nullptr) top = top->parent;
    return const_cast<UiControl*>(top);
}

std::string UiModel::generatedName(const std::string& type) {
    unsigned& last = lastNumber_[type];
    std::string name;
    do {
        name = type + std::to_string(++last);
    } while (find(name) != nullptr);
    return name;
}

std::unique_ptr<UiControl> UiModel::makeControl(const std::string& type, const std::string& name) {
    auto control = std::make_unique<UiControl>();
    control->id = nextId_++;
    control->type = type;
    control->name = name.empty() ? generatedName(type) : name;
    return control;
}

VStatus UiModel::addWindow(const std::string& name, UiControl*& window) {
    window = nullptr;
    if (!name.empty() && childNamed(windows_, name) != nullptr) {
        return VStatus(VStatus::kInvalidParameter, "the window name " + name + " is in use");
    }
    windows_.push_back(makeControl("window", name));
    window = windows_.back().get();
    currentParent_ = window->id;
    return VStatus();
}

VStatus UiModel::addControl(const std::string& type, const std::string& name, const std::string& parentName,
                            UiControl*& control) {
    control = nullptr;
    UiControl* parent = parentName.empty() ? currentParent() : find(parentName);
    if (parent == nullptr) {
        return VStatus(VStatus::kNotFound, parentName.empty() ? "no layout to hold the control" : "no layout named " + parentName);
    }
    if (!parent->isLayout()) return VStatus(VStatus::kInvalidParameter, parentName + " is a " + parent->type + ", not a layout");
    if (depthOf(parent) >= kMaxNesting) return VStatus(VStatus::kInvalidParameter, "layouts nested too deeply");
    if (!name.empty() && childNamed(parent->children, name) != nullptr) {
        return VStatus(VStatus::kInvalidParameter, "the name " + name + " is in use in " + pathOf(*parent));
    }
    std::unique_ptr<UiControl> made = makeControl(type, name);
    made->parent = parent;
    if (type == "radioButton" && byId(currentCollection_) != nullptr) made->collection = currentCollection_;
    if (made->isLayout()) currentParent_ = made->id;
    if (type == "radioCollection") currentCollection_ = made->id;
    control = made.get();
    parent->children.push_back(std::move(made));
    return VStatus();
}

VStatus UiModel::remove(const std::string& name) {
    UiControl* control = find(name);
    if (control == nullptr) return VStatus(VStatus::kNotFound, "no window or control named " + name);
    if (isInside(currentParent(), *control)) currentParent_ = control->parent != nullptr ? control->parent->id : 0;
    auto& list = control->parent != nullptr ? control->parent->children : windows_;
    list.erase(std::find_if(list.begin(), list.end(), [control](const auto& entry) { return entry.get() == control; }));
    return VStatus();
}

VStatus UiModel::setParent(const std::string& target) {
    if (target == "..") {
        UiControl* current = currentParent();
        if (current == nullptr) return VStatus(VStatus::kNotFound, "there is no current layout");
        if (current->parent != nullptr) currentParent_ = current->parent->id;
        return VStatus();
    }
    UiControl* layout = find(target);
    if (layout == nullptr) return VStatus(VStatus::kNotFound, "no layout named " + target);
    if (!layout->isLayout()) return VStatus(VStatus::kInvalidParameter, target + " is a " + layout->type + ", not a layout");
    currentParent_ = layout->id;
    return VStatus();
}

void UiModel::selectRadioButton(UiControl& button) {
    if (button.collection != 0) {
        visitAll(windows_, [&](UiControl& other) {
            if (other.type == "radioButton" && other.collection == button.collection) other.value = 0.0;
        });
    }
    button.value = 1.0;
}

UiControl* UiModel::selectedRadioButton(const UiControl& collection) const {
    UiControl* selected = nullptr;
    visitAll(windows_, [&](UiControl& button) {
        if (button.type == "radioButton" && button.collection == collection.id && button.value != 0.0) selected = &button;
    });
    return selected;
}

std::string UiModel::confirm(ShownDialog dialog, const std::string& defaultButton, const std::string& dismissText) {
    std::string answer = !defaultButton.empty() ? defaultButton : (dialog.buttons.empty() ? std::string() : dialog.buttons.front());
    if (!answers_.empty()) {
        const ConfirmAnswer next = answers_.front();
        answers_.pop_front();
        const bool inRange = next.index >= 0 && static_cast<size_t>(next.index) < dialog.buttons.size();
        switch (next.kind) {
        case ConfirmAnswer::kLabel: answer = next.label; break;
        case ConfirmAnswer::kIndex: answer = inRange ? dialog.buttons[static_cast<size_t>(next.index)] : dismissText; break;
        case ConfirmAnswer::kDismiss: answer = dismissText; break;
        }
    }
    dialog.answer = answer;
    dialogs_.push_back(std::move(dialog));
    if (watcher_.dialogShown) watcher_.dialogShown(dialogs_.back());
    return answer;
}

void UiModel::noteTextEdited(const UiControl& text) const {
    const UiControl& window = *windowOf(text);
    if (watcher_.textEdited && window.visible) watcher_.textEdited(window, text);
}

VStatus UiModel::reachable(const std::string& name, const char* type, UiControl*& control) const {
    control = find(name);
    if (control == nullptr) return VStatus(VStatus::kNotFound, "no control named " + name);
    if (type != nullptr && control->type != type) {
        return VStatus(VStatus::kInvalidParameter, name + " is a " + control->type + ", not a " + type);
    }
    if (acting_) return VStatus(VStatus::kFailure, "the interface waits for the command of the last action");
    const UiControl& window = *windowOf(*control);
    if (!window.visible) return VStatus(VStatus::kFailure, "the window " + window.name + " is not shown");
    if (!control->enabled) return VStatus(VStatus::kFailure, name + " is disabled");
    return VStatus();
}

// A failing command has said why in the log; the action's status only says which failed.
VStatus UiModel::runAsUser(const UiControl& control, std::string script) {
    if (script.empty()) return VStatus();
    CommandResult result;
    const std::string name = control.name;
    acting_ = true;
    const VStatus status = CommandEngine::instance().execute(script, result);
    acting_ = false;
    return status ? status : VStatus(status.statusCode(), "the command of " + name + " failed");
}

VStatus UiModel::userSetValue(const std::string& name, const std::string& value) {
    UiControl* control = nullptr;
    if (VStatus status = reachable(name, nullptr, control); !status) return status;
    if (control->type == "checkBox") {
        bool ticked = false;
        if (!readBoolWord(value, ticked)) return VStatus(VStatus::kInvalidParameter, "a check box takes true or false, not " + value);
        control->value = ticked ? 1.0 : 0.0;
    } else if (control->type == "floatField") {
        if (!readNumberWord(value, control->value)) return VStatus(VStatus::kInvalidParameter, "not a number: " + value);
    } else {
        return VStatus(VStatus::kInvalidParameter, "the user cannot set a value on a " + control->type);
    }
    return runAsUser(*control, control->changeCommand);
}

VStatus UiModel::userPickRadioButton(const std::string& name) {
    UiControl* button = nullptr;
    if (VStatus status = reachable(name, "radioButton", button); !status) return status;
    selectRadioButton(*button);
    return runAsUser(*button, button->changeCommand);
}

VStatus UiModel::userSelectRows(const std::string& name, std::vector<int> rows) {
    UiControl* list = nullptr;
    if (VStatus status = reachable(name, "textScrollList", list); !status) return status;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows) {
        if (row < 1 || static_cast<size_t>(row) > list->items.size()) {
            return VStatus(VStatus::kInvalidParameter, "row " + std::to_string(row) + " is not in " + name + " (" +
                                                           std::to_string(list->items.size()) + " rows)");
        }
    }
    if (rows.size() > 1 && !list->multipleSelection) return VStatus(VStatus::kInvalidParameter, name + " takes one row at a time");
    list->selectedRows = rows;
    return VStatus();
}

VStatus UiModel::userPressButton(const std::string& name) {
    UiControl* button = nullptr;
    if (VStatus status = reachable(name, "button", button); !status) return status;
    return runAsUser(*button, button->command);
}

void UiModel::describe(std::ostream& out) const {
    for (const auto& window : windows_) describeControl(out, *window, "");
    for (const ShownDialog& dialog : dialogs_) {
        out << "dialog " << quoted(dialog.title) << ' ' << quoted(dialog.message) << " buttons";
        for (const std::string& button : dialog.buttons) out << ' ' << quoted(button);
        out << " answer " << quoted(dialog.answer) << '\n';
    }
}

}  // namespace vexa_host
