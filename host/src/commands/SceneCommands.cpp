// The scene commands of the interface scripts: namespace, namespaceInfo, parent,
// transformLimits, select and the driven-key query.

#include "host/src/api/ApiSupport.h"
#include "host/src/commands/FixtureCommands.h"
#include "host/src/commands/HostCommands.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/script/CommandFlags.h"

#include <vexa/VAngle.h>
#include <vexa/VDistance.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>

#include <cctype>
#include <string_view>

namespace vexa_host {

namespace {

VStatus failure(const std::string& command, const std::string& what) { return commandFailure(command + ": " + what); }

bool readFlags(const char* command, const VArgList& args, const std::vector<FlagSpec>& table, CommandFlags& flags,
               VStatus& status) {
    std::string error;
    if (flags.read(args, table, error)) return true;
    status = failure(command, error);
    return false;
}

// A namespace name from a command: ":" is the root, ":a:b" is absolute, "a:b" lies below the
// current namespace. Empty when the name is malformed.
bool namespaceFrom(const std::string& text, std::string& name) {
    const Scene& scene = Scene::instance();
    if (text == ":") {
        name.clear();
        return true;
    }
    const bool absolute = !text.empty() && text.front() == ':';
    const std::string relative = absolute ? text.substr(1) : text;
    bool segmentStart = true;
    for (char c : relative) {
        if (c == ':') {
            if (segmentStart) return false;
            segmentStart = true;
        } else if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_') {
            segmentStart = false;
        } else {
            return false;
        }
    }
    if (segmentStart) return false;
    name = absolute || scene.currentNamespace().empty() ? relative : scene.currentNamespace() + ":" + relative;
    return true;
}

std::string parentNamespace(const std::string& name) {
    const size_t colon = name.rfind(':');
    return colon == std::string::npos ? std::string() : name.substr(0, colon);
}

VStatus namespaceCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {
        {"-set", "-setNamespace", 1}, {"-add", "-addNamespace", 1}, {"-rm", "-removeNamespace", 1}};
    CommandFlags flags;
    VStatus status;
    if (!readFlags("namespace", args, table, flags, status)) return status;
    // The flag and its value are read where they stand: the command runs once per node an
    // import makes.
    const std::string* value = flags.flagCount() == 1 ? flags.flagFirstValue(0) : nullptr;
    if (value == nullptr || flags.positionalCount() != 0) return failure("namespace", "use one of -set, -add and -rm");
    std::string name;
    if (!namespaceFrom(*value, name)) return failure("namespace", "not a namespace name: " + *value);
    Scene& scene = Scene::instance();
    const std::string_view which = flags.flagShortName(0);
    if (which == "-add") {
        if (scene.namespaceExists(name)) return failure("namespace", "the namespace " + name + " exists");
        scene.addNamespace(name);
        result.addText(name);
    } else if (which == "-set") {
        if (!scene.setCurrentNamespace(name)) return failure("namespace", "no namespace " + name);
    } else if (name.empty()) {
        return failure("namespace", "the root namespace stays");
    } else if (!scene.removeNamespace(name)) {
        return failure("namespace", "no empty namespace " + name + " to remove");
    }
    return VStatus();
}

VStatus namespaceInfoCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {{"-lon", "-listOnlyNamespaces", 0}, {"-cur", "-currentNamespace", 0}};
    CommandFlags flags;
    VStatus status;
    if (!readFlags("namespaceInfo", args, table, flags, status)) return status;
    const Scene& scene = Scene::instance();
    if (flags.has("-cur")) {
        result.addText(scene.currentNamespace().empty() ? ":" : scene.currentNamespace());
    } else if (flags.has("-lon")) {
        for (const std::string& name : scene.namespaces()) {
            if (parentNamespace(name) == scene.currentNamespace()) result.addText(name);
        }
    } else {
        return failure("namespaceInfo", "ask with -lon or -currentNamespace");
    }
    return VStatus();
}

// The one DAG node a text names.
VStatus findDagNode(const std::string& text, Node*& node) {
    std::vector<SelectionItem> items;
    VStatus status = resolveSelection(text, items);
    if (!status) return status;
    node = items.size() == 1 && items.front().kind == SelectionItem::kDagPath ? liveNodeOf(items.front().node) : nullptr;
    return node != nullptr ? VStatus() : VStatus(VStatus::kInvalidParameter, text + " is not one DAG node");
}

// Moves the objects under the parent (or the world with -w) with their local values as they
// are: the stand-in does not recompute them to keep the world position.
VStatus parentCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readFlags("parent", args, {{"-w", "-world", 0}, {"-r", "-relative", 0}}, flags, status)) return status;
    std::vector<std::string> names = flags.positional();
    const bool toWorld = flags.has("-w");
    if (names.size() < (toWorld ? 1u : 2u)) return failure("parent", "name the objects and their new parent");
    Scene& scene = Scene::instance();
    Node* parent = &scene.world();
    if (!toWorld) {
        if (VStatus found = findDagNode(names.back(), parent); !found) return failure("parent", found.errorString().str());
        names.pop_back();
    }
    for (const std::string& name : names) {
        Node* child = nullptr;
        if (VStatus found = findDagNode(name, child); !found) return failure("parent", found.errorString().str());
        if (VStatus moved = scene.addChild(*parent, *child, static_cast<size_t>(-1), false); !moved) {
            return failure("parent", name + ": " + moved.errorString().str());
        }
        result.addText(VDagPath(firstPathLink(*child)).partialPathName().str());
    }
    return VStatus();
}

struct LimitFlag {
    const char* value;
    const char* enable;
    VFnTransform::LimitType minimum;
    char kind;  // 't', 'r' or 's'
};

const std::vector<LimitFlag>& limitFlags() {
    static const std::vector<LimitFlag> flags = {
        {"-tx", "-etx", VFnTransform::kTranslateMinX, 't'}, {"-ty", "-ety", VFnTransform::kTranslateMinY, 't'},
        {"-tz", "-etz", VFnTransform::kTranslateMinZ, 't'}, {"-rx", "-erx", VFnTransform::kRotateMinX, 'r'},
        {"-ry", "-ery", VFnTransform::kRotateMinY, 'r'},    {"-rz", "-erz", VFnTransform::kRotateMinZ, 'r'},
        {"-sx", "-esx", VFnTransform::kScaleMinX, 's'},     {"-sy", "-esy", VFnTransform::kScaleMinY, 's'},
        {"-sz", "-esz", VFnTransform::kScaleMinZ, 's'}};
    return flags;
}

// Internal units per user unit of a kind of limit.
double limitFactor(char kind) {
    if (kind == 't') return VDistance::centimetersPer(VDistance::uiUnit());
    if (kind == 'r') return VAngle::radiansPer(VAngle::uiUnit());
    return 1.0;
}

// Each limit flag takes the minimum and the maximum, each enable flag two 0-or-1 flags; the
// values are in the user's units. With -q the first flag asked is answered the same way.
VStatus transformLimitsCommand(const VArgList& args, CommandResult& result) {
    std::vector<FlagSpec> table = {{"-q", "-query", 0}};
    for (const LimitFlag& limit : limitFlags()) {
        table.push_back({limit.value, nullptr, 2});
        table.push_back({limit.enable, nullptr, 2});
    }
    CommandFlags flags;
    VStatus status;
    if (!readFlags("transformLimits", args, table, flags, status)) return status;
    if (flags.positional().size() != 1) return failure("transformLimits", "name one transform");
    Node* node = nullptr;
    if (VStatus found = findDagNode(flags.positional().front(), node); !found) return failure("transformLimits", found.errorString().str());
    VFnTransform transform(objectOf(*node), &status);
    if (!status) return failure("transformLimits", flags.positional().front() + " is not a transform");
    for (const CommandFlags::Flag& flag : flags.flags()) {
        for (const LimitFlag& limit : limitFlags()) {
            const bool isValue = flag.spec.shortName == std::string(limit.value);
            if (!isValue && flag.spec.shortName != std::string(limit.enable)) continue;
            for (int side = 0; side < 2; ++side) {
                const auto type = static_cast<VFnTransform::LimitType>(limit.minimum + side);
                if (flags.query()) {
                    if (isValue) result.addNumber(transform.limitValue(type) / limitFactor(limit.kind));
                    if (!isValue) result.addInteger(transform.isLimited(type) ? 1 : 0);
                    continue;
                }
                const std::string& word = flag.values[static_cast<size_t>(side)];
                double number = 0.0;
                bool enable = false;
                if (isValue ? !readNumberWord(word, number) : !readBoolWord(word, enable)) {
                    return failure("transformLimits", flag.spec.shortName + std::string(" cannot take ") + word);
                }
                status = isValue ? transform.setLimit(type, number * limitFactor(limit.kind)) : transform.enableLimit(type, enable);
                if (!status) return failure("transformLimits", status.errorString().str());
            }
        }
        if (flags.query() && flag.spec.shortName != std::string("-q")) return VStatus();
    }
    return VStatus();
}

VStatus selectCommand(const VArgList& args, CommandResult&) {
    static const std::vector<FlagSpec> table = {
        {"-cl", "-clear", 0}, {"-tgl", "-toggle", 0}, {"-add", nullptr, 0}, {"-d", "-deselect", 0}, {"-r", "-replace", 0}};
    CommandFlags flags;
    VStatus status;
    if (!readFlags("select", args, table, flags, status)) return status;
    if (flags.has("-cl")) VGlobal::clearSelectionList();
    if (flags.positional().empty()) {
        return flags.has("-cl") ? VStatus() : failure("select", "name what to select, or clear with -cl");
    }
    VSelectionList list;
    for (const std::string& name : flags.positional()) {
        if (!list.add(VString(name))) return failure("select", "no object matches name: " + name);
    }
    VGlobal::ListAdjustment adjustment = VGlobal::kReplaceList;
    if (flags.has("-tgl")) adjustment = VGlobal::kXORWithList;
    if (flags.has("-add") || flags.has("-cl")) adjustment = VGlobal::kAddToList;
    if (flags.has("-d")) adjustment = VGlobal::kRemoveFromList;
    return VGlobal::setActiveSelectionList(list, adjustment);
}

// The plugs that drive a plug through driven keys: a curve with a unitless input (animCurveU*)
// into the plug, and the plug that feeds that curve's input.
VStatus setDrivenKeyframeCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readFlags("setDrivenKeyframe", args,
                   {{"-q", "-query", 0}, {"-cd", "-currentDriver", 1}, {"-dv", "-driverValue", 1}, {"-v", "-value", 1}},
                   flags, status)) {
        return status;
    }
    if (!flags.query()) return addDrivenKeyframe(flags, result);  // the test fixture (FixtureCommands.h)
    if (!flags.has("-cd")) return failure("setDrivenKeyframe", "only -q -cd is known to this host");
    if (flags.positional().size() != 1) return failure("setDrivenKeyframe", "name one attribute");
    std::vector<SelectionItem> items;
    status = resolveSelection(flags.positional().front(), items);
    if (!status || items.size() != 1 || items.front().kind != SelectionItem::kPlug) {
        return failure("setDrivenKeyframe", flags.positional().front() + " is not one attribute");
    }
    const VPlug& plug = items.front().plug;
    const Connection* curve = drivingConnection(*plug.nodeRecord(), *plug.path());
    if (curve != nullptr && curve->other->type().name.compare(0, 10, "animCurveU") == 0) {
        PlugPath input;
        input.steps.push_back({curve->other->findAttribute("input"), -1});
        PlugPath driverPath;
        const Connection* driver = input.steps.front().attribute ? drivingConnection(*curve->other, input, &driverPath) : nullptr;
        if (driver != nullptr) result.addText(driver->other->name() + "." + driverPath.key());
    }
    if (result.empty()) result.addText("No drivers.");
    return VStatus();
}

}  // namespace

void registerSceneCommands(CommandEngine& engine) {
    engine.registerBuiltin("namespace", namespaceCommand);
    engine.registerBuiltin("namespaceInfo", namespaceInfoCommand);
    engine.registerBuiltin("parent", parentCommand);
    engine.registerBuiltin("select", selectCommand);
    engine.registerBuiltin("setDrivenKeyframe", setDrivenKeyframeCommand);
    engine.registerBuiltin("transformLimits", transformLimitsCommand);
}

}  // namespace vexa_host
