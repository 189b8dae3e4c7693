// The commands that make cameras: camera, objectMoveCommand and cameraMakeNode.
//
// "camera" makes a camera (a transform "cameraN" holding "cameraShapeN") with the values its
// flags give (distances in the user's distance unit, the shutter angle in the user's angle
// unit, the film fit by name: Fill, Horizontal, Vertical, Overscan), selects the transform
// and answers the transform's and the shape's names.
//
// "cameraMakeNode <count> <camera>" gives a camera its rig. The camera is the named one, or,
// with an empty name, the first camera in the active selection. With count 1 the camera stays
// alone; with 2 it is put into a look-at group "<camera>_group" (kLookAt, with "twist") as
// child 0, with an aim locator "<camera>_aim" as child 1 at the centre of interest in front of
// the camera; with 3 an up locator "<camera>_up" follows as child 2, one unit above the camera.
// The group takes the camera's place under its parent. Afterwards the selection is the camera,
// then (with 3) the up locator, then the aim locator; the command answers their names in that
// order. A camera already in a look-at group is refused. The stand-in does not turn the camera
// towards its aim: the rig records the relation, as the plug-in reads it.
//
// "objectMoveCommand" makes the move tool current in an interactive host; the stand-in has no
// tools, so it only checks that it was given no arguments.

#include "host/src/api/ApiSupport.h"
#include "host/src/commands/HostCommands.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/TransformNode.h"
#include "host/src/script/CommandFlags.h"

#include <vexa/VAngle.h>
#include <vexa/VDistance.h>
#include <vexa/VFnCamera.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>

#include <cctype>

namespace vexa_host {

namespace {

VStatus failure(const std::string& command, const std::string& what) { return commandFailure(command + ": " + what); }

struct CameraFlag {
    const char* shortName;
    const char* longName;
    const char* plug;
    UnitKind unit;
};

const std::vector<CameraFlag>& cameraFlags() {
    static const std::vector<CameraFlag> flags = {
        {"-coi", "-centerOfInterest", "centerOfInterest", UnitKind::Distance},
        {"-fl", "-focalLength", "focalLength", UnitKind::None},
        {"-lsr", "-lensSqueezeRatio", "lensSqueezeRatio", UnitKind::None},
        {"-cs", "-cameraScale", "cameraScale", UnitKind::None},
        {"-hfa", "-horizontalFilmAperture", "horizontalFilmAperture", UnitKind::None},
        {"-hfo", "-horizontalFilmOffset", "horizontalFilmOffset", UnitKind::None},
        {"-vfa", "-verticalFilmAperture", "verticalFilmAperture", UnitKind::None},
        {"-vfo", "-verticalFilmOffset", "verticalFilmOffset", UnitKind::None},
        {"-ovr", "-overscan", "overscan", UnitKind::None},
        {"-mb", "-motionBlur", "motionBlur", UnitKind::None},
        {"-sa", "-shutterAngle", "shutterAngle", UnitKind::Angle},
        {"-ncp", "-nearClipPlane", "nearClipPlane", UnitKind::Distance},
        {"-fcp", "-farClipPlane", "farClipPlane", UnitKind::Distance},
        {"-o", "-orthographic", "orthographic", UnitKind::None},
        {"-ow", "-orthographicWidth", "orthographicWidth", UnitKind::Distance},
    };
    return flags;
}

// Values that must stay positive for the camera's projection to mean anything.
bool mustBePositive(const std::string& plug) {
    return plug == "focalLength" || plug == "lensSqueezeRatio" || plug == "horizontalFilmAperture" ||
           plug == "verticalFilmAperture" || plug == "orthographicWidth" || plug == "cameraScale";
}

double unitFactor(UnitKind unit) {
    if (unit == UnitKind::Distance) return VDistance::centimetersPer(VDistance::uiUnit());
    if (unit == UnitKind::Angle) return VAngle::radiansPer(VAngle::uiUnit());
    return 1.0;
}

bool filmFitByName(std::string name, int& fit) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const char* names[] = {"fill", "horizontal", "vertical", "overscan"};
    for (int i = 0; i < 4; ++i) {
        if (name == names[i]) {
            fit = i;
            return true;
        }
    }
    return false;
}

VDagPath pathTo(Node& node) {
    VDagPath path;
    VDagPath::getAPathTo(objectOf(node), path);
    return path;
}

VStatus selectOnly(const std::vector<Node*>& nodes) {
    VSelectionList list;
    for (Node* node : nodes) list.add(pathTo(*node));
    return VGlobal::setActiveSelectionList(list, VGlobal::kReplaceList);
}

VStatus cameraCommand(const VArgList& args, CommandResult& result) {
    std::vector<FlagSpec> table = {{"-n", "-name", 1}, {"-ff", "-filmFit", 1}};
    for (const CameraFlag& flag : cameraFlags()) table.push_back({flag.shortName, flag.longName, 1});
    CommandFlags flags;
    std::string error;
    if (!flags.read(args, table, error)) return failure("camera", error);
    if (!flags.positional().empty()) return failure("camera", "takes flags only");
    // Every value is read before anything is made, so a bad value makes nothing.
    std::vector<std::pair<const char*, double>> values;
    for (const CameraFlag& flag : cameraFlags()) {
        if (!flags.has(flag.shortName)) continue;
        const std::string word = flags.value(flag.shortName);
        double number = 0.0;
        bool on = false;
        if (readNumberWord(word, number)) {
            number *= unitFactor(flag.unit);
        } else if (readBoolWord(word, on) && flag.unit == UnitKind::None) {
            number = on ? 1.0 : 0.0;
        } else {
            return failure("camera", std::string(flag.longName) + " cannot take " + word);
        }
        if (mustBePositive(flag.plug) && !(number > 0.0)) return failure("camera", std::string(flag.longName) + " must be positive");
        values.emplace_back(flag.plug, number);
    }
    int fit = 1;
    if (flags.has("-ff") && !filmFitByName(flags.value("-ff"), fit)) {
        return failure("camera", "no film fit " + flags.value("-ff"));
    }
    values.emplace_back("filmFit", fit);
    VStatus status;
    NodePtr shape = Scene::instance().createNode("camera", std::string(), nullptr, status);
    if (!shape) return failure("camera", status.errorString().str());
    Node& transform = *shape->parents().front().parent;
    if (flags.has("-n")) Scene::instance().rename(transform, flags.value("-n"));
    for (const auto& value : values) writeNumber(*shape, value.first, value.second);
    selectOnly({&transform});
    result.addText(transform.name());
    result.addText(shape->name());
    return VStatus();
}

VStatus objectMoveCommand(const VArgList& args, CommandResult&) {
    return args.length() == 0 ? VStatus() : failure("objectMoveCommand", "takes no arguments");
}

bool holdsCamera(const Node& transform) {
    for (const Node* child : transform.children()) {
        if (child->hasFn(VFn::kCamera)) return true;
    }
    return false;
}

// The camera's transform: the named node (a camera shape stands for its transform), or the
// first camera of the active selection.
Node* cameraTransform(const std::string& name) {
    if (!name.empty()) {
        std::vector<SelectionItem> items;
        if (!resolveSelection(name, items) || items.size() != 1 || items.front().kind != SelectionItem::kDagPath) return nullptr;
        Node* node = liveNodeOf(items.front().node);
        if (node != nullptr && node->hasFn(VFn::kCamera) && !node->parents().empty()) node = node->parents().front().parent;
        return node != nullptr && node->isTransform() && holdsCamera(*node) ? node : nullptr;
    }
    for (const SelectionItem& item : Scene::instance().activeSelection()) {
        Node* node = item.kind == SelectionItem::kDagPath ? liveNodeOf(item.node) : nullptr;
        if (node != nullptr && node->hasFn(VFn::kCamera) && !node->parents().empty()) node = node->parents().front().parent;
        if (node != nullptr && node->isTransform() && holdsCamera(*node)) return node;
    }
    return nullptr;
}

// A locator named <camera><suffix> under the group, at a point of the camera's local space.
Node* makeLocator(Node& group, const std::string& name, const VPoint& position, VStatus& status) {
    Scene& scene = Scene::instance();
    NodePtr transform = scene.createNode("transform", name, &group, status);
    if (!transform) return nullptr;
    NodePtr shape = scene.createNode("locator", name + "Shape", transform.get(), status);
    if (!shape) return nullptr;
    const double translate[3] = {position.x, position.y, position.z};
    status = writeTriple(*transform, "translate", translate);
    return transform.get();
}

VStatus cameraMakeNodeCommand(const VArgList& args, CommandResult& result) {
    if (args.length() != 2) return failure("cameraMakeNode", "give the node count (1, 2 or 3) and a camera name (or \"\")");
    const int count = args.asInt(0);
    if (count < 1 || count > 3 || args.asString(0) != VString(std::to_string(count))) {
        return failure("cameraMakeNode", "the node count is 1, 2 or 3, not " + args.asString(0).str());
    }
    Node* camera = cameraTransform(args.asString(1).str());
    if (camera == nullptr) return failure("cameraMakeNode", "no camera named or selected");
    if (count == 1) {
        selectOnly({camera});
        result.addText(camera->name());
        return VStatus();
    }
    Node* parent = camera->parents().front().parent;
    if (parent->hasFn(VFn::kLookAt)) return failure("cameraMakeNode", camera->name() + " already has a rig");
    Scene& scene = Scene::instance();
    VStatus status;
    NodePtr group = scene.createNode("lookAt", camera->name() + "_group", parent->isWorld() ? nullptr : parent, status);
    if (!group) return failure("cameraMakeNode", status.errorString().str());
    // The camera leaves its parent for the group; the camera's local values stay as they are.
    if (status = scene.addChild(*group, *camera, static_cast<size_t>(-1), false); !status) {
        scene.deleteNode(*group);
        return failure("cameraMakeNode", status.errorString().str());
    }
    const VMatrix cameraMatrix = localMatrix(*camera);
    Node* cameraShape = nullptr;
    for (Node* child : camera->children()) {
        if (child->hasFn(VFn::kCamera)) cameraShape = child;
    }
    const double interest = readNumber(*cameraShape, "centerOfInterest", 5.0);
    Node* aim = makeLocator(*group, camera->name() + "_aim", VPoint(0.0, 0.0, -interest) * cameraMatrix, status);
    Node* up = aim != nullptr && count == 3 ? makeLocator(*group, camera->name() + "_up", VPoint(0.0, 1.0, 0.0) * cameraMatrix, status)
                                            : nullptr;
    if (aim == nullptr || (count == 3 && up == nullptr)) return failure("cameraMakeNode", status.errorString().str());
    const std::vector<Node*> selected = count == 3 ? std::vector<Node*>{camera, up, aim} : std::vector<Node*>{camera, aim};
    selectOnly(selected);
    for (Node* node : selected) result.addText(node->name());
    return VStatus();
}

}  // namespace

void registerCameraCommands(CommandEngine& engine) {
    engine.registerBuiltin("camera", cameraCommand);
    engine.registerBuiltin("cameraMakeNode", cameraMakeNodeCommand);
    engine.registerBuiltin("objectMoveCommand", objectMoveCommand);
}

}  // namespace vexa_host
