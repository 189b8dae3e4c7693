#include "host/src/commands/FixtureCommands.h"

#include "host/src/api/ApiSupport.h"
#include "host/src/commands/CommandItems.h"
#include "host/src/geometry/GeometryHistory.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/shading/SetMembership.h"

#include <vexa/VAngle.h>
#include <vexa/VDistance.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VTime.h>

namespace vexa_host {

namespace {

PlugPath plugOn(const Node& node, const std::string& text) {
    PlugPath path;
    parsePlugPath(node, text, path);
    return path;
}

VStatus deformerCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("deformer", args, {{"-typ", "-type", 1}, {"-n", "-name", 1}}, flags, status)) return status;
    if (!flags.has("-typ")) return commandError("deformer", "give the deformer's -type");
    std::vector<SelectionItem> items;
    if (VStatus found = positionalItems(flags, items); !found) return commandError("deformer", found.errorString().str());
    const std::string type = flags.value("-typ");
    NodePtr deformer = createDeformer(type, flags.value("-n", type + "1"), status);
    if (!deformer) return commandError("deformer", status.errorString().str());
    for (const SelectionItem& item : items) {
        status = addSetMember(*deformerSet(*deformer), item, false);
        if (!status) return commandError("deformer", selectionText(item) + ": " + status.errorString().str());
    }
    result.addText(deformer->name());
    return VStatus();
}

VStatus blendShapeCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("blendShape", args, {{"-n", "-name", 1}, {"-o", "-origin", 1}}, flags, status)) return status;
    const std::vector<std::string>& words = flags.positional();
    if (words.empty()) return commandError("blendShape", "name the targets and the base");
    const std::string origin = flags.value("-o", "local");
    if (origin != "local" && origin != "world") return commandError("blendShape", "-origin is local or world");
    std::vector<Node*> nodes;
    for (const std::string& word : words) {
        Node* node = nullptr;
        if (VStatus found = nodeNamed(word, node); !found) return commandError("blendShape", found.errorString().str());
        nodes.push_back(node);
    }
    VFnBlendShapeDeformer blend;
    blend.create(objectOf(*nodes.back()), origin == "world" ? VFnBlendShapeDeformer::kWorldOrigin : VFnBlendShapeDeformer::kLocalOrigin,
                 &status);
    if (!status) return commandError("blendShape", status.errorString().str());
    if (flags.has("-n")) blend.setName(flags.value("-n"));
    for (size_t i = 0; i + 1 < nodes.size(); ++i) {
        status = blend.addTarget(objectOf(*nodes.back()), static_cast<int>(i), objectOf(*nodes[i]), 1.0);
        if (!status) return commandError("blendShape", words[i] + ": " + status.errorString().str());
    }
    result.addText(blend.name().str());
    return VStatus();
}

VStatus polySmoothCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("polySmooth", args, {{"-dv", "-divisions", 1}}, flags, status)) return status;
    double divisions = 1.0;
    if (flags.has("-dv") && !readNumberWord(flags.value("-dv"), divisions)) return commandError("polySmooth", "-dv takes a number");
    std::vector<SelectionItem> items;
    if (VStatus found = positionalItems(flags, items); !found) return commandError("polySmooth", found.errorString().str());
    Scene& scene = Scene::instance();
    for (const SelectionItem& item : items) {
        Node* shape = shapeOfItem(item);
        if (shape == nullptr || !shape->hasFn(VFn::kMesh)) return commandError("polySmooth", selectionText(item) + " is not a mesh");
        NodePtr smooth = scene.createNode("polySmoothFacet", "polySmoothFacet1", nullptr, status);
        if (smooth) status = writeNumber(*smooth, "divisions", divisions);
        if (status) status = insertIntoHistory(*shape, *smooth, plugOn(*smooth, "inputPolymesh"), plugOn(*smooth, "output"), false);
        if (!status) return commandError("polySmooth", status.errorString().str());
        result.addText(smooth->name());
    }
    return VStatus();
}

VStatus instanceCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readCommandFlags("instance", args, {{"-n", "-name", 1}}, flags, status)) return status;
    if (flags.positional().size() != 1) return commandError("instance", "name one transform");
    Node* original = nullptr;
    if (VStatus found = nodeNamed(flags.positional().front(), original); !found) return commandError("instance", found.errorString().str());
    if (!original->isTransform()) return commandError("instance", original->name() + " is not a transform");
    Scene& scene = Scene::instance();
    NodePtr holder = scene.createNode("transform", flags.value("-n", original->name()), nullptr, status);
    if (!holder) return commandError("instance", status.errorString().str());
    for (Node* child : original->children()) {
        if (!child->isTransform()) status = scene.addChild(*holder, *child, static_cast<size_t>(-1), true);
        if (!status) return commandError("instance", status.errorString().str());
    }
    result.addText(holder->name());
    return VStatus();
}

// Internal units per UI unit of a plug's values.
double uiFactor(const AttributeDef& attribute) {
    switch (attribute.unit) {
    case UnitKind::Angle: return VAngle::radiansPer(VAngle::uiUnit());
    case UnitKind::Distance: return VDistance::centimetersPer(VDistance::uiUnit());
    case UnitKind::Time: return 1.0 / VTime::unitsPerSecond(VTime::uiUnit());
    case UnitKind::None: break;
    }
    return 1.0;
}

VStatus numericPlug(const std::string& text, VPlug& plug) {
    std::vector<SelectionItem> items;
    VStatus status = resolveSelection(text, items);
    if (!status) return status;
    if (items.size() != 1 || items.front().kind != SelectionItem::kPlug || !items.front().plug.path()->leaf().isNumericLeaf()) {
        return VStatus(VStatus::kInvalidParameter, text + " is not one numeric attribute");
    }
    plug = items.front().plug;
    return VStatus();
}

// The value a flag gives in UI units, or the plug's value.
VStatus valueFor(const CommandFlags& flags, const char* flag, const VPlug& plug, double& value) {
    if (!flags.has(flag)) return readNumber(*plug.nodeRecord(), *plug.path(), value);
    if (!readNumberWord(flags.value(flag), value)) return VStatus(VStatus::kInvalidParameter, std::string(flag) + " takes a number");
    value *= uiFactor(plug.path()->leaf());
    return VStatus();
}

VFnAnimCurve::AnimCurveType drivenCurveType(const AttributeDef& driven) {
    switch (driven.unit) {
    case UnitKind::Angle: return VFnAnimCurve::kAnimCurveUA;
    case UnitKind::Distance: return VFnAnimCurve::kAnimCurveUL;
    case UnitKind::Time: return VFnAnimCurve::kAnimCurveUT;
    case UnitKind::None: break;
    }
    return VFnAnimCurve::kAnimCurveUU;
}

// The driven-key curve of the driven plug from the driver: the one there, or a new one.
VStatus drivenCurve(const VPlug& driver, const VPlug& driven, VFnAnimCurve& curve) {
    const Connection* existing = drivingConnection(*driven.nodeRecord(), *driven.path());
    if (existing == nullptr) {
        VStatus status;
        curve.create(driven, drivenCurveType(driven.path()->leaf()), nullptr, &status);
        if (!status) return status;
        Node& node = *liveNodeOf(curve.object());
        return Scene::instance().connect(*driver.nodeRecord(), *driver.path(), node, plugOn(node, "input"));
    }
    if (existing->other->type().name.compare(0, 10, "animCurveU") != 0) {
        return VStatus(VStatus::kFailure, driven.info().str() + " is driven by something else");
    }
    PlugPath source;
    const Connection* input = drivingConnection(*existing->other, plugOn(*existing->other, "input"), &source);
    if (input == nullptr || input->other != driver.nodeRecord().get() || source != *driver.path()) {
        return VStatus(VStatus::kFailure, driven.info().str() + " has another driver");
    }
    return curve.setObject(objectOf(*existing->other));
}

}  // namespace

VStatus addDrivenKeyframe(const CommandFlags& flags, CommandResult& result) {
    if (!flags.has("-cd") || flags.positional().size() != 1) {
        return commandError("setDrivenKeyframe", "give the driver with -cd and one driven attribute");
    }
    VPlug driver;
    VPlug driven;
    double input = 0.0;
    double value = 0.0;
    VStatus status = numericPlug(flags.value("-cd"), driver);
    if (status) status = numericPlug(flags.positional().front(), driven);
    if (status) status = valueFor(flags, "-dv", driver, input);
    if (status) status = valueFor(flags, "-v", driven, value);
    VFnAnimCurve curve;
    if (status) status = drivenCurve(driver, driven, curve);
    if (status) curve.addKey(input, value, VFnAnimCurve::kTangentGlobal, VFnAnimCurve::kTangentGlobal, nullptr, &status);
    if (!status) return commandError("setDrivenKeyframe", status.errorString().str());
    result.addText(curve.name().str());
    return VStatus();
}

void registerFixtureCommands(CommandEngine& engine) {
    engine.registerBuiltin("deformer", deformerCommand);
    engine.registerBuiltin("blendShape", blendShapeCommand);
    engine.registerBuiltin("polySmooth", polySmoothCommand);
    engine.registerBuiltin("instance", instanceCommand);
}

}  // namespace vexa_host
