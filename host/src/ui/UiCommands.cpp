// The interface commands: windows, layouts and controls on the headless interface model
// (UiModel.h), confirm dialogs, and the commands through which the shell acts as the user
// (userAction) and shows the interface (dumpUI).
//
// A control command creates (the last word names the new control, or a name is made up and
// the full path name is the result), edits with -e or queries with -q the control named by
// its last word. Layout sizes, alignments and the like are accepted and not kept.

#include "host/src/ui/UiCommands.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/CommandFlags.h"
#include "host/src/ui/UiModel.h"

#include <vexa/VString.h>

#include <algorithm>
#include <cmath>

namespace vexa_host {

namespace {

VStatus failure(const std::string& command, const std::string& what) { return commandFailure(command + ": " + what); }
VStatus failure(const std::string& command, const VStatus& status) { return failure(command, status.errorString().str()); }

std::vector<FlagSpec> withFlags(std::vector<FlagSpec> flags, const std::vector<FlagSpec>& more) {
    flags.insert(flags.end(), more.begin(), more.end());
    return flags;
}

std::vector<FlagSpec> controlFlags() {
    return {{"-q", "-query", 0}, {"-e", "-edit", 0}, {"-p", "-parent", 1}, {"-w", "-width", 1}, {"-h", "-height", 1}};
}
std::vector<FlagSpec> labelFlags() { return {{"-l", "-label", 1}, {"-al", "-align", 1}, {"-en", "-enable", 1}}; }

struct ControlKind {
    const char* type;
    std::vector<FlagSpec> flags;
};

const std::vector<ControlKind>& controlKinds() {
    static const std::vector<ControlKind> kinds = {
        {"columnLayout", withFlags(controlFlags(), {{"-co", "-columnOffset", 2}, {"-rs", "-rowSpacing", 1},
                                                   {"-adj", "-adjustableColumn", 1}})},
        {"rowLayout", withFlags(controlFlags(), {{"-nc", "-numberOfColumns", 1}, {"-cw2", "-columnWidth2", 2},
                                                {"-cw3", "-columnWidth3", 3}, {"-cw4", "-columnWidth4", 4},
                                                {"-cal", "-columnAlign", 2}, {"-cat", "-columnAttach", 3}})},
        {"text", withFlags(controlFlags(), labelFlags())},
        {"separator", withFlags(controlFlags(), {{"-st", "-style", 1}, {"-hr", "-horizontal", 1}})},
        {"checkBox", withFlags(withFlags(controlFlags(), labelFlags()), {{"-v", "-value", 1}, {"-cc", "-changeCommand", 1}})},
        {"floatField", withFlags(controlFlags(), {{"-en", "-enable", 1}, {"-v", "-value", 1}, {"-pre", "-precision", 1},
                                                 {"-s", "-step", 1}, {"-cc", "-changeCommand", 1}})},
        {"radioCollection", {{"-q", "-query", 0}, {"-e", "-edit", 0}, {"-p", "-parent", 1}, {"-sl", "-select", 1}}},
        {"radioButton", withFlags(withFlags(controlFlags(), labelFlags()), {{"-sl", "-select", 0}, {"-cc", "-changeCommand", 1}})},
        {"textScrollList", withFlags(controlFlags(), {{"-en", "-enable", 1}, {"-nr", "-numberOfRows", 1},
                                                     {"-ams", "-allowMultiSelection", 1}, {"-a", "-append", 1},
                                                     {"-sii", "-selectIndexedItem", 1}, {"-si", "-selectItem", 1},
                                                     {"-ra", "-removeAll", 0}, {"-da", "-deselectAll", 0},
                                                     {"-ni", "-numberOfItems", 0}, {"-ai", "-allItems", 0}})},
        {"button", withFlags(withFlags(controlFlags(), labelFlags()), {{"-c", "-command", 1}, {"-rs", "-recomputeSize", 1}})},
    };
    return kinds;
}

int clampedRow(double number) { return static_cast<int>(std::fmax(std::fmin(number, 1e9), -1e9)); }

bool selectRow(UiControl& list, int row, std::string& error) {
    if (row < 1 || static_cast<size_t>(row) > list.items.size()) {
        error = "row " + std::to_string(row) + " is not in " + list.name + " (" + std::to_string(list.items.size()) + " rows)";
        return false;
    }
    if (!list.multipleSelection) list.selectedRows.clear();
    list.selectedRows.push_back(row);
    std::sort(list.selectedRows.begin(), list.selectedRows.end());
    list.selectedRows.erase(std::unique(list.selectedRows.begin(), list.selectedRows.end()), list.selectedRows.end());
    return true;
}

bool selectItem(UiControl& list, const std::string& item, std::string& error) {
    const auto found = std::find(list.items.begin(), list.items.end(), item);
    if (found != list.items.end()) return selectRow(list, static_cast<int>(found - list.items.begin()) + 1, error);
    error = "no row " + item + " in " + list.name;
    return false;
}

// A radio button selects itself; a collection selects the button named.
bool selectRadio(UiControl& control, const std::string& buttonName, std::string& error) {
    UiModel& model = UiModel::instance();
    UiControl* button = control.type == "radioButton" ? &control : model.find(buttonName);
    if (button == nullptr || button->type != "radioButton" || (button != &control && button->collection != control.id)) {
        error = buttonName + " is not a radio button of " + control.name;
        return false;
    }
    model.selectRadioButton(*button);
    return true;
}

bool applyFlag(UiControl& control, const std::string& name, const std::string& value, std::string& error) {
    bool on = false;
    double number = 0.0;
    const bool boolean = name == "-en" || name == "-ams" || (name == "-v" && control.type == "checkBox");
    const bool numeric = name == "-sii" || (name == "-v" && control.type == "floatField");
    if (boolean && !readBoolWord(value, on)) {
        error = name + " takes true or false, not " + value;
        return false;
    }
    if (numeric && !readNumberWord(value, number)) {
        error = name + " takes a number, not " + value;
        return false;
    }
    if (name == "-l") {
        control.label = value;
    } else if (name == "-en") {
        control.enabled = on;
    } else if (name == "-ams") {
        control.multipleSelection = on;
    } else if (name == "-v") {
        control.value = control.type == "checkBox" ? (on ? 1.0 : 0.0) : number;
    } else if (name == "-c") {
        control.command = value;
    } else if (name == "-cc") {
        control.changeCommand = value;
    } else if (name == "-a") {
        control.items.push_back(value);
    } else if (name == "-ra") {
        control.items.clear();
        control.selectedRows.clear();
    } else if (name == "-da") {
        control.selectedRows.clear();
    } else if (name == "-sii") {
        return selectRow(control, clampedRow(number), error);
    } else if (name == "-si") {
        return selectItem(control, value, error);
    } else if (name == "-sl") {
        return selectRadio(control, value, error);
    }
    return true;
}

// Applies the flags of a creation or an edit in the order given; the others (sizes,
// alignments) are accepted and not kept.
bool applyFlags(UiControl& control, const CommandFlags& flags, std::string& error) {
    for (const CommandFlags::Flag& flag : flags.flags()) {
        const std::string value = flag.values.empty() ? std::string() : flag.values.front();
        if (!applyFlag(control, flag.spec.shortName, value, error)) return false;
    }
    return true;
}

VStatus answerQuery(const UiControl& control, const CommandFlags& flags, CommandResult& result) {
    const CommandFlags::Flag* asked = nullptr;
    for (const CommandFlags::Flag& flag : flags.flags()) {
        const std::string name = flag.spec.shortName;
        if (name != "-q" && name != "-e") {
            asked = &flag;
            break;
        }
    }
    if (asked == nullptr) return VStatus(VStatus::kInvalidParameter, "say what to query");
    const std::string name = asked->spec.shortName;
    if (name == "-l") {
        result.addText(control.label);
    } else if (name == "-en") {
        result.addInteger(control.enabled ? 1 : 0);
    } else if (name == "-v" && control.type == "floatField") {
        result.addNumber(control.value);
    } else if (name == "-v" || (name == "-sl" && control.type == "radioButton")) {
        result.addInteger(control.value != 0.0 ? 1 : 0);
    } else if (name == "-sl") {
        const UiControl* selected = UiModel::instance().selectedRadioButton(control);
        result.addText(selected != nullptr ? selected->name : "NONE");
    } else if (name == "-sii") {
        for (int row : control.selectedRows) result.addInteger(row);
    } else if (name == "-si") {
        for (int row : control.selectedRows) result.addText(control.items[static_cast<size_t>(row) - 1]);
    } else if (name == "-ni") {
        result.addInteger(static_cast<long long>(control.items.size()));
    } else if (name == "-ai") {
        for (const std::string& item : control.items) result.addText(item);
    } else {
        return VStatus(VStatus::kInvalidParameter, asked->spec.shortName + std::string(" cannot be queried"));
    }
    return VStatus();
}

VStatus runControlCommand(const ControlKind& kind, const VArgList& args, CommandResult& result) {
    const std::string command = kind.type;
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, kind.flags, error)) return failure(command, error);
    if (flags.positional().size() > 1) return failure(command, "name one control, not " + std::to_string(flags.positional().size()));
    const std::string name = flags.positional().empty() ? std::string() : flags.positional().front();
    UiModel& model = UiModel::instance();
    if (flags.query() || flags.edit()) {
        UiControl* control = model.find(name);
        if (control == nullptr) return failure(command, "no control named " + name);
        if (control->type != kind.type) return failure(command, name + " is a " + control->type);
        if (flags.query()) {
            const VStatus status = answerQuery(*control, flags, result);
            return status ? status : failure(command, status);
        }
        if (!applyFlags(*control, flags, error)) return failure(command, error);
        if (control->type == "text" && flags.has("-l")) model.noteTextEdited(*control);
        return VStatus();
    }
    UiControl* control = nullptr;
    if (VStatus status = model.addControl(kind.type, name, flags.value("-p"), control); !status) return failure(command, status);
    const std::string path = model.pathOf(*control);
    if (!applyFlags(*control, flags, error)) {
        model.remove(path);
        return failure(command, error);
    }
    result.addText(path);
    return VStatus();
}

VStatus windowCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {
        {"-q", "-query", 0}, {"-e", "-edit", 0}, {"-ex", "-exists", 0}, {"-t", "-title", 1},
        {"-vis", "-visible", 1}, {"-rtf", "-resizeToFitChildren", 1}, {"-s", "-sizeable", 1},
        {"-w", "-width", 1}, {"-h", "-height", 1}};
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, table, error)) return failure("window", error);
    if (flags.positional().size() > 1) return failure("window", "name one window");
    const std::string name = flags.positional().empty() ? std::string() : flags.positional().front();
    UiModel& model = UiModel::instance();
    UiControl* window = model.find(name);
    if (window != nullptr && window->type != "window") window = nullptr;
    if (flags.has("-ex")) {
        result.addInteger(window != nullptr ? 1 : 0);
        return VStatus();
    }
    if ((flags.query() || flags.edit()) && window == nullptr) return failure("window", "no window named " + name);
    if (flags.query()) {
        if (flags.has("-vis")) {
            result.addInteger(window->visible ? 1 : 0);
        } else if (flags.has("-t")) {
            result.addText(window->label);
        } else {
            return failure("window", "say what to query");
        }
        return VStatus();
    }
    bool visible = false;
    if (flags.has("-vis") && !readBoolWord(flags.value("-vis"), visible)) return failure("window", "-vis takes true or false");
    if (!flags.edit()) {
        if (VStatus status = model.addWindow(name, window); !status) return failure("window", status);
        result.addText(window->name);
    }
    if (flags.has("-t")) window->label = flags.value("-t");
    if (flags.has("-vis")) window->visible = visible;
    return VStatus();
}

VStatus showWindowCommand(const VArgList& args, CommandResult&) {
    UiModel& model = UiModel::instance();
    if (args.length() > 1) return failure("showWindow", "name one window");
    UiControl* window = nullptr;
    if (args.length() == 1) {
        window = model.find(args.asString(0).str());
    } else if (model.currentParent() != nullptr) {
        window = model.windowOf(*model.currentParent());
    }
    if (window == nullptr || window->type != "window") {
        return failure("showWindow", "no window named " + (args.length() == 1 ? args.asString(0).str() : std::string()));
    }
    window->visible = true;
    return VStatus();
}

VStatus deleteUiCommand(const VArgList& args, CommandResult&) {
    static const std::vector<FlagSpec> table = {{"-wnd", "-window", 0}, {"-ctl", "-control", 0}, {"-lay", "-layout", 0}};
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, table, error)) return failure("deleteUI", error);
    UiModel& model = UiModel::instance();
    if (flags.positional().empty()) return failure("deleteUI", "name what to delete");
    for (const std::string& name : flags.positional()) {
        if (model.find(name) == nullptr) return failure("deleteUI", "no window or control named " + name);
    }
    for (const std::string& name : flags.positional()) model.remove(name);
    return VStatus();
}

VStatus setParentCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {{"-q", "-query", 0}};
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, table, error)) return failure("setParent", error);
    UiModel& model = UiModel::instance();
    if (flags.query()) {
        result.addText(model.currentParent() != nullptr ? model.pathOf(*model.currentParent()) : std::string());
        return VStatus();
    }
    if (flags.positional().size() != 1) return failure("setParent", "name one layout, or ..");
    const VStatus status = model.setParent(flags.positional().front());
    return status ? status : failure("setParent", status);
}

VStatus confirmDialogCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {
        {"-t", "-title", 1}, {"-m", "-message", 1}, {"-b", "-button", 1}, {"-db", "-defaultButton", 1},
        {"-cb", "-cancelButton", 1}, {"-ds", "-dismissString", 1}, {"-p", "-parent", 1}};
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, table, error)) return failure("confirmDialog", error);
    if (!flags.positional().empty()) return failure("confirmDialog", "unexpected " + flags.positional().front());
    ShownDialog dialog;
    dialog.title = flags.value("-t");
    dialog.message = flags.value("-m");
    for (const CommandFlags::Flag& flag : flags.flags()) {
        if (flag.spec.shortName == std::string("-b")) dialog.buttons.push_back(flag.values.front());
    }
    if (dialog.buttons.empty()) dialog.buttons.push_back("Confirm");
    result.addText(UiModel::instance().confirm(dialog, flags.value("-db"), flags.value("-ds", "dismiss")));
    return VStatus();
}

VStatus userActionCommand(const VArgList& args, CommandResult&) {
    static const std::vector<FlagSpec> table = {
        {"-set", nullptr, 2}, {"-pick", nullptr, 1}, {"-rows", nullptr, 1}, {"-press", nullptr, 1},
        {"-answer", nullptr, 1}, {"-answerIndex", nullptr, 1}, {"-dismiss", nullptr, 0}};
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, table, error)) return failure("userAction", error);
    if (flags.flags().size() != 1) return failure("userAction", "give one action");
    const CommandFlags::Flag& action = flags.flags().front();
    const std::string name = action.spec.shortName;
    if (name != "-rows" && !flags.positional().empty()) return failure("userAction", "unexpected " + flags.positional().front());
    UiModel& model = UiModel::instance();
    VStatus status;
    if (name == "-set") {
        status = model.userSetValue(action.values[0], action.values[1]);
    } else if (name == "-pick") {
        status = model.userPickRadioButton(action.values[0]);
    } else if (name == "-press") {
        status = model.userPressButton(action.values[0]);
    } else if (name == "-rows") {
        std::vector<int> rows;
        for (const std::string& word : flags.positional()) {
            double row = 0.0;
            if (!readNumberWord(word, row)) return failure("userAction", "not a row number: " + word);
            rows.push_back(clampedRow(row));
        }
        status = model.userSelectRows(action.values[0], rows);
    } else {
        ConfirmAnswer answer;
        answer.kind = name == "-answer" ? ConfirmAnswer::kLabel : name == "-dismiss" ? ConfirmAnswer::kDismiss : ConfirmAnswer::kIndex;
        if (answer.kind == ConfirmAnswer::kLabel) answer.label = action.values[0];
        double index = 0.0;
        if (answer.kind == ConfirmAnswer::kIndex && !readNumberWord(action.values[0], index)) {
            return failure("userAction", "not a button index: " + action.values[0]);
        }
        answer.index = static_cast<int>(std::fmax(std::fmin(index, 1e9), -1.0));
        model.queueAnswer(answer);
    }
    return status ? status : failure("userAction", status);
}

VStatus dumpUiCommand(const VArgList& args, CommandResult&) {
    if (args.length() != 0) return failure("dumpUI", "takes no arguments");
    UiModel::instance().describe(CommandEngine::instance().output());
    CommandEngine::instance().output().flush();
    return VStatus();
}

}  // namespace

void registerUiCommands(CommandEngine& engine) {
    for (const ControlKind& kind : controlKinds()) {
        engine.registerBuiltin(kind.type, [&kind](const VArgList& args, CommandResult& result) {
            return runControlCommand(kind, args, result);
        });
    }
    engine.registerBuiltin("confirmDialog", confirmDialogCommand);
    engine.registerBuiltin("deleteUI", deleteUiCommand);
    engine.registerBuiltin("dumpUI", dumpUiCommand);
    engine.registerBuiltin("setParent", setParentCommand);
    engine.registerBuiltin("showWindow", showWindowCommand);
    engine.registerBuiltin("userAction", userActionCommand);
    engine.registerBuiltin("window", windowCommand);
}

}  // namespace vexa_host
