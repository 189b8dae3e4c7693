// The node types the host knows from the start.

#include "host/src/scene/AnimCurveData.h"
#include "host/src/scene/NodeType.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/scene/TransformNode.h"

#include <vexa/VFnNumericAttribute.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vexa_host {

namespace {

using N = VFnNumericAttribute;

const std::vector<std::string> kXYZ = {"X", "Y", "Z"};
constexpr double kQuarterTurn = 0.7853981633974483;

AttributePtr keyableTriple(const std::string& longName, const std::string& shortName, double defaultValue,
                           UnitKind unit) {
    AttributePtr attribute = makeNumericCompound(longName, shortName, N::k3Double, kXYZ, defaultValue, unit);
    attribute->keyable = true;
    for (const AttributePtr& child : attribute->children) child->keyable = true;
    return attribute;
}

// minTransLimit (minTransXLimit ...), maxTransLimit, minTransLimitEnable (minTransXLimitEnable
// ...), maxTransLimitEnable: the limits of one kind of value.
std::vector<AttributePtr> limitAttributes(const std::string& kind, const std::string& shortKind, double low,
                                          double high, UnitKind unit) {
    std::vector<AttributePtr> result;
    for (const std::string side : {"min", "max"}) {
        std::vector<AttributePtr> values;
        std::vector<AttributePtr> enables;
        for (const std::string& axis : kXYZ) {
            const std::string stem = side + kind + axis + "Limit";
            const std::string shortSide = side == "min" ? "mn" : "mx";
            const std::string shortStem = shortSide + shortKind + axis;
            values.push_back(makeNumeric(stem, shortStem + "l", N::kDouble, side == "min" ? low : high, unit));
            enables.push_back(makeNumeric(stem + "Enable", shortStem + "e", N::kBoolean));
        }
        const std::string shortSide = side == "min" ? "mn" : "mx";
        result.push_back(makeCompound(side + kind + "Limit", shortSide + shortKind + "l", values));
        result.push_back(makeCompound(side + kind + "LimitEnable", shortSide + shortKind + "le", enables));
    }
    return result;
}

AttributePtr matrixAttribute(const std::string& longName, const std::string& shortName, bool array, bool writable) {
    AttributePtr attribute = makeTyped(longName, shortName, AttributeKind::Matrix);
    attribute->array = array;
    attribute->writable = writable;
    attribute->storable = writable;
    return attribute;
}

std::vector<AttributePtr> transformAttributes() {
    std::vector<AttributePtr> list = {
        keyableTriple("translate", "t", 0.0, UnitKind::Distance),
        keyableTriple("rotate", "r", 0.0, UnitKind::Angle),
        makeNumeric("rotateOrder", "ro", N::kShort),
        keyableTriple("scale", "s", 1.0, UnitKind::None),
        makeNumericCompound("rotatePivot", "rp", N::k3Double, kXYZ, 0.0, UnitKind::Distance),
        makeNumericCompound("rotatePivotTranslate", "rpt", N::k3Double, kXYZ, 0.0, UnitKind::Distance),
        makeNumericCompound("scalePivot", "sp", N::k3Double, kXYZ, 0.0, UnitKind::Distance),
        makeNumericCompound("scalePivotTranslate", "spt", N::k3Double, kXYZ, 0.0, UnitKind::Distance),
        makeNumericCompound("rotateAxis", "ra", N::k3Double, kXYZ, 0.0, UnitKind::Angle),
        matrixAttribute("matrix", "m", false, false),
    };
    list.back()->connectable = true;
    list[2]->minimum = 0.0;
    list[2]->maximum = 5.0;
    for (AttributePtr& limit : limitAttributes("Trans", "t", -1.0, 1.0, UnitKind::Distance)) list.push_back(limit);
    for (AttributePtr& limit : limitAttributes("Rot", "r", -kQuarterTurn, kQuarterTurn, UnitKind::Angle)) {
        list.push_back(limit);
    }
    for (AttributePtr& limit : limitAttributes("Scale", "s", -1.0, 1.0, UnitKind::None)) list.push_back(limit);
    return list;
}

// An animation curve's output at its input: the current time for time-input curves, the
// "input" plug for the others.
bool computeAnimCurveOutput(const Node& node, const PlugPath& path, PlugValue& value) {
    if (path.steps.size() != 1 || path.leaf().longName != "output") return false;
    const auto* keys = dynamic_cast<const AnimCurveData*>(node.payload());
    if (keys == nullptr) return false;
    const int curveType = animCurveTypeOf(node.type().name);
    const double input = isTimeInputType(curveType) ? Scene::instance().currentTime() : readNumber(node, "input");
    value = keys->evaluate(input);
    return true;
}

void registerAnimCurve(NodeTypeRegistry& registry, const std::string& name, VFn::Type fnType, UnitKind inputUnit,
                       UnitKind outputUnit) {
    AttributePtr input = makeNumeric("input", "i", N::kDouble, 0.0, inputUnit);
    AttributePtr output = makeNumeric("output", "o", N::kDouble, 0.0, outputUnit);
    output->writable = false;
    output->storable = false;
    registry.registerType({name, "animCurve", fnType, {}, false, {input, output}, computeAnimCurveOutput, {}});
}

// A built-in type that does not register is a fault in this file: stop at once.
void require(const NodeType* type, const char* name) {
    if (type == nullptr) {
        std::fprintf(stderr, "vexa: the built-in node type %s does not register\n", name);
        std::abort();
    }
}

}  // namespace

void registerBuiltinTypes(NodeTypeRegistry& registry) {
    AttributePtr message = makeTyped("message", "msg", AttributeKind::Message);
    require(registry.registerType({"dependNode", "", VFn::kDependencyNode, {VFn::kNamedObject}, true, {message}, {}, {}}), "dependNode");

    AttributePtr visibility = makeNumeric("visibility", "v", N::kBoolean, 1.0);
    visibility->keyable = true;
    require(registry.registerType({"dagNode", "dependNode", VFn::kDagNode, {}, true,
                           {visibility, matrixAttribute("worldMatrix", "wm", true, false),
                            matrixAttribute("worldInverseMatrix", "wim", true, false)},
                           computeDagOutputs, {}}), "dagNode");
    require(registry.registerType({"world", "dagNode", VFn::kWorld, {}, true, {}, {}, {}}), "world");
    require(registry.registerType({"transform", "dagNode", VFn::kTransform, {VFn::kAnyTransform}, false, transformAttributes(),
                           computeTransformOutputs, {}}), "transform");
    require(registry.registerType({"joint", "transform", VFn::kJoint, {}, false,
                           {makeNumericCompound("jointOrient", "jo", N::k3Double, kXYZ, 0.0, UnitKind::Angle),
                            matrixAttribute("bindPose", "bps", false, true)},
                           {}, {}}), "joint");
    // A look-at group: the root of a camera rig (camera, aim, up), turning the camera by "twist".
    AttributePtr twist = makeNumeric("twist", "tws", N::kDouble, 0.0, UnitKind::Angle);
    twist->keyable = true;
    require(registry.registerType({"lookAt", "transform", VFn::kLookAt, {}, false, {twist}, {}, {}}), "lookAt");
    require(registry.registerType({"shape", "dagNode", VFn::kShape, {}, true,
                           {makeNumeric("intermediateObject", "io", N::kBoolean)}, {}, {}}), "shape");
    require(registry.registerType({"locator", "shape", VFn::kLocator, {}, false,
                           {makeNumericCompound("localPosition", "lp", N::k3Double, kXYZ, 0.0, UnitKind::Distance),
                            makeNumericCompound("localScale", "los", N::k3Double, kXYZ, 1.0)},
                           {}, {}}), "locator");
    // "usedBy" takes the "message" of the node the set serves (a deformer's set).
    AttributePtr usedBy = makeTyped("usedBy", "ub", AttributeKind::Message);
    usedBy->array = true;
    require(registry.registerType({"objectSet", "dependNode", VFn::kObjectSet, {}, false, {usedBy}, {},
                           [] { return std::make_unique<SetMembers>(); }}), "objectSet");

    require(registry.registerType({"animCurve", "dependNode", VFn::kAnimCurve, {}, true, {}, {},
                           [] { return std::make_unique<AnimCurveData>(); }}), "animCurve");
    registerAnimCurve(registry, "animCurveTA", VFn::kAnimCurveTimeToAngular, UnitKind::Time, UnitKind::Angle);
    registerAnimCurve(registry, "animCurveTL", VFn::kAnimCurveTimeToDistance, UnitKind::Time, UnitKind::Distance);
    registerAnimCurve(registry, "animCurveTT", VFn::kAnimCurveTimeToTime, UnitKind::Time, UnitKind::Time);
    registerAnimCurve(registry, "animCurveTU", VFn::kAnimCurveTimeToUnitless, UnitKind::Time, UnitKind::None);
    registerAnimCurve(registry, "animCurveUA", VFn::kAnimCurveUnitlessToAngular, UnitKind::None, UnitKind::Angle);
    registerAnimCurve(registry, "animCurveUL", VFn::kAnimCurveUnitlessToDistance, UnitKind::None, UnitKind::Distance);
    registerAnimCurve(registry, "animCurveUT", VFn::kAnimCurveUnitlessToTime, UnitKind::None, UnitKind::Time);
    registerAnimCurve(registry, "animCurveUU", VFn::kAnimCurveUnitlessToUnitless, UnitKind::None, UnitKind::None);
}

}  // namespace vexa_host
