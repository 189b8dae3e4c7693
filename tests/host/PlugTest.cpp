// Plug values, types, locks, arrays, dynamic attributes and connections.

#include "tests/support/HostTestSupport.h"

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/Handles.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/TransformNode.h"

#include <vexa/VDGModifier.h>
#include <vexa/VAnimControl.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnAttribute.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VGlobal.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VIntArray.h>
#include <vexa/VPlugArray.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using PlugTest = HostTest;

VObject addNumeric(const VObject& node, const char* name, VFnNumericAttribute::NumericType type, double initial = 0.0) {
    VFnNumericAttribute numeric;
    VObject attribute = numeric.create(name, name, type, initial);
    EXPECT_TRUE(VFnDependencyNode(node).addAttribute(attribute));
    return attribute;
}

TEST_F(PlugTest, DefaultsAreReadUntilAValueIsSet) {
    VObject ball = makeTransform("ball");
    EXPECT_EQ(plugOf(ball, "scaleY").asDouble(), 1.0);
    EXPECT_EQ(plugOf(ball, "translateX").asDouble(), 0.0);
    EXPECT_TRUE(plugOf(ball, "visibility").asBool());
    ASSERT_TRUE(plugOf(ball, "ty").setValue(2.5));
    EXPECT_EQ(plugOf(ball, "translateY").asDouble(), 2.5);
}

TEST_F(PlugTest, NumbersTakeTheAttributesType) {
    struct Case {
        VFnNumericAttribute::NumericType type;
        double set;
        double read;
    };
    const Case cases[] = {
        {VFnNumericAttribute::kBoolean, 0.2, 1.0}, {VFnNumericAttribute::kShort, -2.7, -2.0},
        {VFnNumericAttribute::kLong, 7.9, 7.0},    {VFnNumericAttribute::kFloat, 0.1, static_cast<double>(0.1f)},
        {VFnNumericAttribute::kDouble, 0.1, 0.1},
    };
    VObject node = makeNode("objectSet", "holder");
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "value" + std::to_string(index++);
        addNumeric(node, name.c_str(), c.type);
        VPlug plug = plugOf(node, name.c_str());
        ASSERT_TRUE(plug.setValue(c.set));
        EXPECT_EQ(plug.asDouble(), c.read) << name;
    }
}

TEST_F(PlugTest, HardLimitsClampAndSoftLimitsDoNot) {
    VObject node = makeNode("objectSet", "holder");
    VFnNumericAttribute numeric;
    VObject attribute = numeric.create("amount", "amt", VFnNumericAttribute::kDouble);
    numeric.setMin(0.0);
    numeric.setMax(10.0);
    numeric.setSoftMax(5.0);
    ASSERT_TRUE(VFnDependencyNode(node).addAttribute(attribute));
    VPlug plug = plugOf(node, "amt");
    plug.setValue(12.0);
    EXPECT_EQ(plug.asDouble(), 10.0);
    plug.setValue(7.0);
    EXPECT_EQ(plug.asDouble(), 7.0);
    plug.setValue(-1.0);
    EXPECT_EQ(plug.asDouble(), 0.0);
    double soft = 0.0;
    EXPECT_TRUE(numeric.hasSoftMax());
    EXPECT_FALSE(numeric.hasSoftMin());
    EXPECT_TRUE(numeric.getSoftMax(soft));
    EXPECT_EQ(soft, 5.0);
    EXPECT_EQ(numeric.getSoftMin(soft), VStatus::kNotFound);
}

TEST_F(PlugTest, TextsAndMatricesKeepTheirKind) {
    VObject joint = makeNode("joint", "j");
    VPlug bindPose = plugOf(joint, "bindPose");
    VMatrix pose;
    pose[3][0] = 4.0;
    ASSERT_TRUE(bindPose.setValue(pose));
    VMatrix read;
    ASSERT_TRUE(bindPose.getValue(read));
    EXPECT_EQ(read, pose);
    EXPECT_EQ(bindPose.setValue(1.0), VStatus::kInvalidParameter);
    double number = 0.0;
    EXPECT_EQ(plugOf(joint, "translate").getValue(number), VStatus::kInvalidParameter);
}

TEST_F(PlugTest, LockingAParentLocksItsChildren) {
    VObject ball = makeTransform("ball");
    VPlug translate = plugOf(ball, "translate");
    VPlug x = plugOf(ball, "tx");
    ASSERT_TRUE(translate.setLocked(true));
    EXPECT_TRUE(x.isLocked());
    EXPECT_EQ(x.setValue(1.0), VStatus::kFailure);
    // Unlocking the child alone is not enough while the parent stays locked.
    x.setLocked(false);
    EXPECT_TRUE(x.isLocked());
    translate.setLocked(false);
    EXPECT_TRUE(x.setValue(1.0));
    EXPECT_EQ(x.asDouble(), 1.0);
}

TEST_F(PlugTest, ArrayElementsExistOnceSetOrConnected) {
    VObject node = makeNode("objectSet", "holder");
    VFnNumericAttribute numeric;
    VObject attribute = numeric.create("weight", "w", VFnNumericAttribute::kDouble);
    numeric.setArray(true);
    VFnDependencyNode(node).addAttribute(attribute);
    VPlug weights = plugOf(node, "weight");
    EXPECT_TRUE(weights.isArray());
    EXPECT_EQ(weights.numElements(), 0u);
    EXPECT_EQ(weights.setValue(1.0), VStatus::kInvalidParameter);
    weights.elementByLogicalIndex(7).setValue(0.5);
    weights.elementByLogicalIndex(2).setValue(0.25);
    VObject source = makeTransform("src");
    VPlug element = weights.elementByLogicalIndex(12);
    ASSERT_TRUE(vexa_host::Scene::instance().connect(*plugOf(source, "tx").nodeRecord(), *plugOf(source, "tx").path(),
                                                      *element.nodeRecord(), *element.path()));
    VIntArray indices;
    EXPECT_EQ(weights.getExistingArrayAttributeIndices(indices), 3);
    EXPECT_EQ(indices[0], 2);
    EXPECT_EQ(indices[1], 7);
    EXPECT_EQ(indices[2], 12);
    EXPECT_EQ(weights.elementByPhysicalIndex(1).asDouble(), 0.5);
    EXPECT_EQ(plugOf(node, "weight[7]").logicalIndex(), 7u);
    EXPECT_EQ(plugOf(node, "weight[7]").array(), weights);
}

TEST_F(PlugTest, PlugNamesCarryElementIndices) {
    VObject node = makeNode("objectSet", "holder");
    VFnNumericAttribute numeric;
    VObject input = numeric.create("input", "ip", VFnNumericAttribute::k3Double);
    numeric.setArray(true);
    VFnDependencyNode(node).addAttribute(input);
    VPlug plug = plugOf(node, "input[3].inputY");
    EXPECT_EQ(plug.name(), "holder.input[3].inputY");
    EXPECT_EQ(plug.info(), "holder.input[3].inputY");
    EXPECT_EQ(plug.partialName(false, false, false, false, false, false), "ip[3].ipy");
    EXPECT_EQ(plugOf(node, "inputY").partialName(true, false, false, false, false, true), "holder.inputY");
    // A child found without its array's index must get one before it holds a value.
    VPlug loose = plugOf(node, "inputY");
    EXPECT_EQ(loose.setValue(1.0), VStatus::kInvalidParameter);
    ASSERT_TRUE(loose.selectAncestorLogicalIndex(5, VFnDependencyNode(node).attribute("input")));
    EXPECT_EQ(loose.info(), "holder.input[5].inputY");
    EXPECT_TRUE(loose.setValue(1.0));
    VStatus status;
    VFnDependencyNode(node).findPlug("input[x]", &status);
    EXPECT_EQ(status, VStatus::kNotFound);
    VFnDependencyNode(node).findPlug("inputY[1]", &status);
    EXPECT_EQ(status, VStatus::kNotFound);
}

// Plugs found by a plain name of a type's attribute: long and short names, inherited
// attributes and children give the plug the parsed path gives, and choosing an index on one
// plug leaves every other plug of that name as it was.
TEST_F(PlugTest, PlainNamesOfTypeAttributesFindTheirPlugs) {
    VObject ball = makeTransform("ball");
    VObject bone = makeNode("joint", "bone");
    EXPECT_TRUE(plugOf(ball, "tx") == plugOf(ball, "translateX"));
    EXPECT_TRUE(plugOf(ball, "translateX") == plugOf(ball, "translate.translateX"));
    EXPECT_FALSE(plugOf(ball, "translateX") == plugOf(bone, "translateX"));
    EXPECT_EQ(plugOf(bone, "rx").name(), "bone.rotateX");
    EXPECT_EQ(plugOf(bone, "jointOrientZ").name(), "bone.jointOrientZ");
    VPlug child = plugOf(ball, "sy");
    ASSERT_TRUE(child.isChild());
    EXPECT_TRUE(child.parent() == plugOf(ball, "scale"));
    ASSERT_TRUE(child.setValue(3.0));
    EXPECT_EQ(plugOf(ball, "scaleY").asDouble(), 3.0);
    EXPECT_EQ(plugOf(bone, "scaleY").asDouble(), 1.0);
    VStatus status;
    VFnDependencyNode(ball).findPlug("jointOrientZ", &status);
    EXPECT_EQ(status, VStatus::kNotFound);
    VFnDependencyNode(ball).findPlug("localPosition", &status);
    EXPECT_EQ(status, VStatus::kNotFound);

    VPlug chosen = plugOf(ball, "worldMatrix");
    ASSERT_TRUE(chosen.selectAncestorLogicalIndex(2, VObject::kNullObj));
    EXPECT_EQ(chosen.info(), "ball.worldMatrix[2]");
    EXPECT_EQ(plugOf(ball, "wm").info(), "ball.worldMatrix");
    EXPECT_TRUE(plugOf(bone, "worldMatrix").isArray());
    VFnDependencyNode(ball).setName("renamed");
    EXPECT_EQ(plugOf(ball, "tx").name(), "renamed.translateX");
}

// A plug found through an attribute is the one its name finds: a type's attribute on any node
// of a type that has it (joint and transform share theirs), a node's own attribute on that
// node only; an attribute the node lacks, or an object that is no attribute, finds nothing.
TEST_F(PlugTest, PlugsFoundByAttributeAreThoseTheirNamesFind) {
    VObject ball = makeTransform("ball");
    VObject bone = makeNode("joint", "bone");
    const VFnDependencyNode ballFn(ball);
    const VFnDependencyNode boneFn(bone);
    for (const char* name : {"translateX", "ty", "scale", "rotateAxisZ", "visibility"}) {
        VStatus status;
        const VPlug byAttribute = boneFn.findPlug(ballFn.attribute(name), &status);
        EXPECT_TRUE(status) << name;
        EXPECT_TRUE(byAttribute == plugOf(bone, name)) << name;
        EXPECT_EQ(byAttribute.name(), plugOf(bone, name).name()) << name;
    }
    ASSERT_TRUE(boneFn.findPlug(ballFn.attribute("tx")).setValue(4.5));
    EXPECT_EQ(plugOf(bone, "translateX").asDouble(), 4.5);
    EXPECT_EQ(plugOf(ball, "translateX").asDouble(), 0.0);

    VStatus status;
    EXPECT_TRUE(ballFn.findPlug(boneFn.attribute("jointOrientX"), &status).isNull());
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_TRUE(ballFn.findPlug(bone, &status).isNull()) << "a node is no attribute";
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_TRUE(ballFn.findPlug(VObject(), &status).isNull());
    EXPECT_EQ(status, VStatus::kNotFound);
    const VFnDependencyNode set(makeNode("objectSet", "set"));
    EXPECT_TRUE(ballFn.findPlug(set.attribute("usedBy"), &status).isNull()) << "another type's, at a place of its own";
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_TRUE(ballFn.findPlug(set.attribute("message")) == plugOf(ball, "message")) << "shared by every type";

    const VObject own = addNumeric(ball, "weight", VFnNumericAttribute::kDouble, 0.5);
    EXPECT_TRUE(ballFn.findPlug(own) == plugOf(ball, "weight"));
    EXPECT_TRUE(VFnDependencyNode(makeTransform("other")).findPlug(own, &status).isNull());
    EXPECT_EQ(status, VStatus::kNotFound);
}

// Numbers read by attribute name: a type's attribute by long or short name, a node's own
// attribute, a driven plug's source; the fallback for a name the node lacks.
TEST_F(PlugTest, NumbersReadByNameFollowWhatDrivesThem) {
    VObject ball = makeTransform("ball");
    VObject driver = makeTransform("driver");
    vexa_host::Node& node = *vexa_host::liveNodeOf(ball);
    ASSERT_TRUE(plugOf(ball, "rotateOrder").setValue(3.0));
    EXPECT_EQ(vexa_host::readNumber(node, "rotateOrder"), 3.0);
    EXPECT_EQ(vexa_host::readNumber(node, "ro"), 3.0);
    EXPECT_EQ(vexa_host::readNumber(node, "scaleZ", -1.0), 1.0);
    EXPECT_EQ(vexa_host::readNumber(node, "noSuchPlug", -1.0), -1.0);
    addNumeric(ball, "weight", VFnNumericAttribute::kDouble, 0.25);
    EXPECT_EQ(vexa_host::readNumber(node, "weight", -1.0), 0.25);
    ASSERT_TRUE(plugOf(driver, "translateY").setValue(7.0));
    VDGModifier modifier;
    ASSERT_TRUE(modifier.connect(plugOf(driver, "translateY"), plugOf(ball, "translateX")));
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(vexa_host::readNumber(node, "translateX"), 7.0);
    EXPECT_EQ(vexa_host::readNumber(node, "tx"), 7.0);
}

// A number read by name comes from the node's table only while nothing drives or computes
// the plug: a curve's output is its value at the current time, not the stored default.
TEST_F(PlugTest, NumbersReadInPlaceGiveWayToComputedOutputs) {
    VObject ball = makeTransform("ball");
    VStatus status;
    VFnAnimCurve curve;
    const VObject made = curve.create(plugOf(ball, "translateX"), nullptr, &status);
    ASSERT_TRUE(status);
    curve.addKey(VTime(0.0, VTime::kSeconds), 5.0);
    curve.addKey(VTime(1.0, VTime::kSeconds), 9.0);
    const vexa_host::Node& keys = *vexa_host::liveNodeOf(made);
    VAnimControl::setCurrentTime(VTime(0.0, VTime::kSeconds));
    EXPECT_EQ(vexa_host::readNumber(keys, "output", -1.0), 5.0);
    VAnimControl::setCurrentTime(VTime(1.0, VTime::kSeconds));
    EXPECT_EQ(vexa_host::readNumber(keys, "output", -1.0), 9.0);
    EXPECT_EQ(vexa_host::readNumber(*vexa_host::liveNodeOf(ball), "translateX"), 9.0);
    // A plain table plug: the default, then what was written, as the general read gives it.
    const vexa_host::Node& node = *vexa_host::liveNodeOf(ball);
    double general = -1.0;
    ASSERT_TRUE(vexa_host::readNumber(node, vexa_host::PlugPath::of(node.findAttribute("scaleY")), general));
    EXPECT_EQ(general, 1.0);
    EXPECT_EQ(vexa_host::readNumber(node, "scaleY"), 1.0);
    ASSERT_TRUE(plugOf(ball, "scaleY").setValue(2.5));
    EXPECT_EQ(vexa_host::readNumber(node, "sy"), 2.5);
}

// Nodes of three types in turn for the lookups kept per node type: a transform, a set
// (without transform plugs) and a joint.
struct ThreeTypes {
    ThreeTypes()
        : ball(VFnDagNode().create("transform", "ball", VObject())),
          bare(VFnDependencyNode().create("objectSet", "bare")),
          joint(VFnDagNode().create("joint", "knee", VObject())) {}
    bool made() const { return !ball.isNull() && !bare.isNull() && !joint.isNull(); }
    vexa_host::Node& at(const VObject& object) const { return *vexa_host::liveNodeOf(object); }
    VObject ball;
    VObject bare;
    VObject joint;
};

// A stem finds its compound again for each node type it meets: a type without the compound
// (and without the plugs) refuses the write instead of taking the last type's compound.
TEST_F(PlugTest, TripleStemsFollowTheNodesType) {
    const vexa_host::TripleStem stem("rotatePivot");
    const ThreeTypes nodes;
    ASSERT_TRUE(nodes.made());
    const VObject &ball = nodes.ball, &joint = nodes.joint;
    const double values[3] = {1.0, 2.0, 3.0};
    ASSERT_TRUE(vexa_host::writeTriple(nodes.at(ball), stem, values));
    EXPECT_EQ(vexa_host::writeTriple(nodes.at(nodes.bare), stem, values), VStatus::kNotFound);
    EXPECT_TRUE(nodes.at(nodes.bare).values().empty());
    ASSERT_TRUE(vexa_host::writeTriple(nodes.at(joint), stem, values));
    ASSERT_TRUE(vexa_host::writeTriple(nodes.at(ball), stem, values));
    for (const VObject& node : {ball, joint}) {
        EXPECT_EQ(plugOf(node, "rotatePivotX").asDouble(), 1.0);
        EXPECT_EQ(plugOf(node, "rotatePivotZ").asDouble(), 3.0);
    }
}

// A plug name finds its type's path again for each node type it meets: a type without the
// attribute reads the fallback and refuses the write, as a lookup by name does.
TEST_F(PlugTest, TypePlugNamesFollowTheNodesType) {
    const vexa_host::TypePlugName name("rotateOrder");
    const ThreeTypes nodes;
    ASSERT_TRUE(nodes.made());
    ASSERT_TRUE(vexa_host::writeNumber(nodes.at(nodes.ball), name, 4.0));
    EXPECT_EQ(vexa_host::readNumber(nodes.at(nodes.bare), name, -1.0), -1.0);
    EXPECT_EQ(vexa_host::writeNumber(nodes.at(nodes.bare), name, 4.0), VStatus::kNotFound);
    ASSERT_TRUE(vexa_host::writeNumber(nodes.at(nodes.joint), name, 2.0));
    EXPECT_EQ(vexa_host::readNumber(nodes.at(nodes.ball), name), 4.0);
    EXPECT_EQ(plugOf(nodes.joint, "rotateOrder").asDouble(), 2.0);
    EXPECT_EQ(plugOf(nodes.ball, "ro").asDouble(), 4.0);
}

// Values are kept by the plug's long text, whatever name wrote them: a plain plug under its
// attribute's long name, a plug below an element with the element's index.
TEST_F(PlugTest, ValuesAreKeptByThePlugsLongText) {
    VObject ball = makeTransform("ball");
    VObject holder = makeNode("objectSet", "holder");
    VFnNumericAttribute numeric;
    VObject input = numeric.create("input", "ip", VFnNumericAttribute::k3Double);
    numeric.setArray(true);
    VFnDependencyNode(holder).addAttribute(input);
    ASSERT_TRUE(plugOf(ball, "tx").setValue(1.0));
    ASSERT_TRUE(plugOf(ball, "translateX").setValue(2.0));
    ASSERT_TRUE(plugOf(ball, "rotatePivotTranslateZ").setValue(3.0));
    ASSERT_TRUE(plugOf(holder, "input[3].inputY").setValue(4.0));
    ASSERT_TRUE(plugOf(holder, "ip[4].ipy").setValue(5.0));
    ASSERT_TRUE(plugOf(holder, "input[3].inputY").setValue(6.0));
    const auto keys = [](const VObject& node) {
        std::vector<std::string> all;
        for (const auto& value : plugOf(node, "message").nodeRecord()->values()) all.push_back(value.first);
        return all;
    };
    EXPECT_EQ(keys(ball), (std::vector<std::string>{"rotatePivotTranslateZ", "translateX"}));
    EXPECT_EQ(keys(holder), (std::vector<std::string>{"input[3].inputY", "input[4].inputY"}));
    EXPECT_EQ(plugOf(ball, "tx").asDouble(), 2.0);
    EXPECT_EQ(plugOf(ball, "rptz").asDouble(), 3.0);
    EXPECT_EQ(plugOf(holder, "input[3].inputY").asDouble(), 6.0);
    EXPECT_EQ(plugOf(holder, "input[4].inputY").asDouble(), 5.0);
    EXPECT_EQ(plugOf(holder, "input[5].inputY").asDouble(), 0.0);
    // A renamed node keeps its values: keys name the plug on its node.
    VFnDependencyNode(ball).setName("renamed");
    EXPECT_EQ(plugOf(ball, "translateX").asDouble(), 2.0);
}

// A plug of the type's own attributes keeps its value in the node's table, found by the
// attribute: every such plug of a joint (its own and the transform's it inherits) reads back
// what was written to it alone, the whole store lists each under its long name in key order,
// and the map of keyed values holds only the others (dynamic and indexed plugs).
TEST_F(PlugTest, TypePlugsKeepTheirValuesInTheNodesTable) {
    VObject bone = makeNode("joint", "bone");
    VObject ball = makeTransform("ball");
    vexa_host::Node& node = *plugOf(bone, "message").nodeRecord();
    std::map<std::string, double> written;
    double next = 1.0;
    for (size_t i = 0; i < node.attributeCount(); ++i) {
        const vexa_host::AttributePtr attribute = node.attributeAt(i);
        if (attribute->kind != vexa_host::AttributeKind::Numeric || !attribute->writable ||
            attribute->numericType != VFnNumericAttribute::kDouble || node.valueSlot(*attribute) < 0) {
            continue;
        }
        ASSERT_TRUE(vexa_host::writeNumber(node, attribute->longName, next)) << attribute->longName;
        written[attribute->longName] = next++;
    }
    ASSERT_GT(written.size(), 20u);
    ASSERT_EQ(written.count("jointOrientZ"), 1u);
    ASSERT_EQ(written.count("translateX"), 1u);
    EXPECT_TRUE(node.keyedValues().empty());
    const vexa_host::Node::ValueMap all = node.values();
    ASSERT_EQ(all.size(), written.size());
    for (const auto& [name, value] : written) {
        EXPECT_EQ(plugOf(bone, name.c_str()).asDouble(), value) << name;
        ASSERT_EQ(all.count(name), 1u) << name;
        EXPECT_EQ(std::get<double>(all.at(name)), value) << name;
        ASSERT_TRUE(node.storedValue(name).has_value()) << name;
        EXPECT_EQ(std::get<double>(*node.storedValue(name)), value) << name;
    }
    EXPECT_FALSE(node.storedValue("tx").has_value()) << "keys are long names";
    EXPECT_EQ(plugOf(ball, "translateX").asDouble(), 0.0) << "each node has its own table";

    // Dynamic and indexed plugs are kept by key beside the table, and a removed dynamic
    // attribute takes its value along.
    ASSERT_TRUE(plugOf(ball, "tx").setValue(4.0));
    VObject extra = addNumeric(ball, "extra", VFnNumericAttribute::kDouble, 3.0);
    ASSERT_TRUE(plugOf(ball, "extra").setValue(5.0));
    VPlug matrix = plugOf(ball, "worldMatrix");
    const vexa_host::Node& round = *matrix.nodeRecord();
    EXPECT_EQ(std::vector<std::string>{"extra"}, [&round] {
        std::vector<std::string> keys;
        for (const auto& value : round.keyedValues()) keys.push_back(value.first);
        return keys;
    }());
    ASSERT_TRUE(round.storedValue("extra").has_value());
    EXPECT_EQ(std::get<double>(*round.storedValue("extra")), 5.0);
    EXPECT_EQ(round.values().begin()->first, "extra");
    ASSERT_TRUE(VFnDependencyNode(ball).removeAttribute(extra));
    EXPECT_FALSE(round.storedValue("extra").has_value());
    EXPECT_EQ(round.values().size(), 1u);
    EXPECT_EQ(plugOf(ball, "translateX").asDouble(), 4.0);
}

// The table keeps a number as it is and any other value boxed: a slot reads as the last value
// written to it, whichever kind it had before.
TEST_F(PlugTest, TableSlotsReadAsTheirLastValueOfAnyKind) {
    using vexa_host::PlugValue;
    VObject joint = makeNode("joint", "j");
    vexa_host::Node& node = *plugOf(joint, "message").nodeRecord();
    const int tx = node.valueSlot(*node.findAttribute("translateX"));
    const int pose = node.valueSlot(*node.findAttribute("bindPose"));
    ASSERT_GE(tx, 0);
    ASSERT_GE(pose, 0);
    EXPECT_FALSE(node.hasSlotValue(tx));
    EXPECT_FALSE(node.slotValue(tx).has_value());
    EXPECT_EQ(node.slotNumber(tx), nullptr);

    ASSERT_TRUE(plugOf(joint, "translateX").setValue(2.5));
    VMatrix matrix;
    matrix[3][0] = 4.0;
    ASSERT_TRUE(plugOf(joint, "bindPose").setValue(matrix));
    ASSERT_NE(node.slotNumber(tx), nullptr);
    EXPECT_EQ(*node.slotNumber(tx), 2.5);
    EXPECT_EQ(node.slotOther(tx), nullptr);
    EXPECT_EQ(node.slotNumber(pose), nullptr);
    ASSERT_NE(node.slotOther(pose), nullptr);
    EXPECT_EQ(std::get<vexa_host::MatrixValue>(*node.slotOther(pose))[12], 4.0);

    node.setSlotValue(tx, PlugValue(std::string("text")));
    EXPECT_EQ(node.slotNumber(tx), nullptr);
    EXPECT_EQ(std::get<std::string>(*node.slotValue(tx)), "text");
    EXPECT_EQ(std::get<std::string>(node.values().at("translateX")), "text");
    node.setSlotNumber(tx, -1.0);
    EXPECT_EQ(node.slotOther(tx), nullptr);
    EXPECT_EQ(std::get<double>(*node.storedValue("translateX")), -1.0);
    node.setSlotValue(tx, PlugValue(std::string("again")));
    node.setSlotValue(tx, PlugValue(7.0));
    EXPECT_EQ(node.slotOther(tx), nullptr);
    EXPECT_EQ(plugOf(joint, "translateX").asDouble(), 7.0);

    matrix[3][0] = 5.0;
    ASSERT_TRUE(plugOf(joint, "bindPose").setValue(matrix));
    VMatrix read;
    ASSERT_TRUE(plugOf(joint, "bindPose").getValue(read));
    EXPECT_EQ(read, matrix);
    const vexa_host::Node::ValueMap all = node.values();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(std::get<double>(all.at("translateX")), 7.0);
    EXPECT_EQ(std::get<vexa_host::MatrixValue>(all.at("bindPose"))[12], 5.0);
}

// A type that takes attributes another type registered keeps their values by key: their
// places belong to the first type. Here a type takes the transform's own attributes in the
// opposite order, and every number written reads back under its own name.
TEST_F(PlugTest, AttributesSharedByTwoTypesAreKeptByKeyOnTheSecond) {
    static const vexa_host::NodeType* shared = [] {
        vexa_host::NodeTypeRegistry& registry = vexa_host::NodeTypeRegistry::instance();
        const vexa_host::NodeType* transform = registry.find("transform");
        const vexa_host::NodeType* dag = registry.find("dagNode");
        vexa_host::NodeTypeDescription description;
        description.name = "plugTestSharer";
        description.parent = "dependNode";
        description.fnType = VFn::kDependencyNode;
        for (const vexa_host::AttributePtr& attribute : transform->attributes) {
            if (attribute->parent == nullptr && dag->byName.count(attribute->longName) == 0) {
                description.attributes.insert(description.attributes.begin(), attribute);
            }
        }
        return registry.registerType(description);
    }();
    ASSERT_NE(shared, nullptr);
    VObject sharer = makeNode("plugTestSharer", "sharer");
    VObject ball = makeTransform("ball");
    vexa_host::Node& node = *plugOf(sharer, "message").nodeRecord();
    std::map<std::string, double> written;
    double next = 1.0;
    for (const vexa_host::AttributePtr& attribute : shared->attributes) {
        if (attribute->kind != vexa_host::AttributeKind::Numeric || !attribute->writable || attribute->array ||
            attribute->numericType != VFnNumericAttribute::kDouble) {
            continue;
        }
        ASSERT_TRUE(vexa_host::writeNumber(node, attribute->longName, next)) << attribute->longName;
        written[attribute->longName] = next++;
    }
    ASSERT_GT(written.size(), 20u);
    ASSERT_TRUE(plugOf(ball, "rotatePivotY").setValue(-7.0));
    std::map<std::string, double> stored;
    for (const auto& [key, value] : node.values()) stored[key] = std::get<double>(value);
    EXPECT_EQ(stored, written);
    EXPECT_EQ(node.keyedValues().size(), written.size());
    for (const auto& [name, value] : written) EXPECT_EQ(plugOf(sharer, name.c_str()).asDouble(), value) << name;
    EXPECT_EQ(plugOf(ball, "rotatePivotY").asDouble(), -7.0);
}

// The three plugs of a part are written through the type's compound when it has them, and
// by their names otherwise (a dynamic compound).
TEST_F(PlugTest, TriplesAreWrittenAxisByAxis) {
    VObject ball = makeTransform("ball");
    VFnNumericAttribute numeric;
    ASSERT_TRUE(VFnDependencyNode(ball).addAttribute(numeric.createPoint("spin", "sn")));
    vexa_host::Node& node = *plugOf(ball, "message").nodeRecord();
    const double values[3] = {1.5, -2.5, 3.5};
    for (const char* stem : {"rotatePivotTranslate", "scale", "spin"}) {
        ASSERT_TRUE(vexa_host::writeTriple(node, stem, values)) << stem;
        double read[3] = {0.0, 0.0, 0.0};
        vexa_host::readTriple(node, stem, read);
        for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(read[axis], values[axis]) << stem << axis;
    }
    EXPECT_EQ(vexa_host::writeTriple(node, "nothing", values), VStatus::kNotFound);
    plugOf(ball, "scaleY").setLocked(true);
    const double others[3] = {4.0, 5.0, 6.0};
    EXPECT_EQ(vexa_host::writeTriple(node, "scale", others), VStatus::kFailure);
    EXPECT_EQ(plugOf(ball, "scaleX").asDouble(), 4.0);
    EXPECT_EQ(plugOf(ball, "scaleY").asDouble(), -2.5);
    EXPECT_EQ(plugOf(ball, "scaleZ").asDouble(), 3.5);
}

// A plug that is not there fails as kNotFound naming what was asked for, whether the node
// has dynamic attributes or not; the text is read after the node was renamed.
TEST_F(PlugTest, AMissingPlugNamesWhatWasAskedFor) {
    VObject ball = makeTransform("ball");
    VFnDependencyNode node(ball);
    VStatus status;
    EXPECT_TRUE(node.findPlug("jointOrientX", &status).isNull());
    EXPECT_EQ(status, VStatus::kNotFound);
    const VStatus plain = status;
    node.findPlug("translate.nothing", &status);
    const VStatus child = status;
    addNumeric(ball, "extra", VFnNumericAttribute::kDouble);
    EXPECT_FALSE(node.findPlug("extra", &status).isNull());
    EXPECT_TRUE(status);
    node.findPlug("extras", &status);
    node.setName("renamed");
    EXPECT_EQ(plain.errorString(), "no plug jointOrientX");
    EXPECT_EQ(child.errorString(), "no plug translate.nothing");
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_EQ(status.errorString(), "no plug extras");
}

// A write by attribute name makes the checks of any write and stores what a write through the
// attribute's path stores, on nodes with and without connections and locks.
// A read-only "fixed" attribute of value 2 added to the node.
void addFixedAttribute(const VObject& node) {
    VFnNumericAttribute numeric;
    VObject fixed = numeric.create("fixed", "fx", VFnNumericAttribute::kDouble, 2.0);
    numeric.setWritable(false);
    VFnDependencyNode(node).addAttribute(fixed);
}

// Two numbers written by `write` to each attribute of `tried`, and by the general write to the
// same attribute of `byPath` (a node made alike): the statuses and the stored values agree.
void expectWritesOfTheGeneralWrite(const vexa_host::Node& tried, vexa_host::Node& byPath,
                                   const std::function<VStatus(const std::string&, double)>& write) {
    for (size_t i = 0; i < tried.attributeCount(); ++i) {
        const std::string name = tried.attributeAt(i)->longName;
        for (const double value : {0.4, -2.7}) {
            const VStatus written = write(name, value);
            const VStatus pathed =
                vexa_host::writeValue(byPath, vexa_host::PlugPath::of(byPath.findAttribute(name)), value);
            EXPECT_EQ(written.statusCode(), pathed.statusCode()) << name;
            EXPECT_EQ(written.errorString(), pathed.errorString()) << name;
        }
    }
    EXPECT_GT(tried.values().size(), 20u);
    EXPECT_TRUE(tried.values() == byPath.values());
}

TEST_F(PlugTest, WritesByNameMakeTheChecksOfAnyWrite) {
    using vexa_host::writeNumber;
    VObject ball = makeTransform("ball");
    VObject twin = makeTransform("twin");
    for (const VObject& each : {ball, twin}) {
        VFnNumericAttribute numeric;
        addFixedAttribute(each);
        VObject list = numeric.create("list", "ls", VFnNumericAttribute::kDouble);
        numeric.setArray(true);
        VFnDependencyNode(each).addAttribute(list);
    }
    vexa_host::Node& byName = *plugOf(ball, "tx").nodeRecord();
    expectWritesOfTheGeneralWrite(byName, *plugOf(twin, "tx").nodeRecord(), [&byName](const std::string& name, double value) {
        return writeNumber(byName, name, value);
    });
    EXPECT_EQ(plugOf(ball, "fixed").asDouble(), 2.0);
    EXPECT_EQ(writeNumber(byName, "nothing", 5.0), VStatus::kNotFound);
    // A locked plug refuses; a plug driven by a time curve holds the value until the time moves.
    plugOf(ball, "ty").setLocked(true);
    EXPECT_EQ(writeNumber(byName, "translateY", 5.0), VStatus::kFailure);
    EXPECT_EQ(plugOf(ball, "ty").asDouble(), -2.7);
    plugOf(ball, "ty").setLocked(false);
    VFnAnimCurve curve;
    curve.create(plugOf(ball, "tz"));
    curve.addKey(VTime(0.0, VTime::kSeconds), 1.0);
    curve.addKey(VTime(1.0, VTime::kSeconds), 3.0);
    ASSERT_TRUE(writeNumber(byName, "translateZ", 7.0));
    EXPECT_EQ(plugOf(ball, "tz").asDouble(), 7.0);
    ASSERT_TRUE(writeNumber(byName, "translateY", 5.0));
    EXPECT_EQ(plugOf(ball, "ty").asDouble(), 5.0);
    VAnimControl::setCurrentTime(VTime(1.0, VTime::kSeconds));
    EXPECT_EQ(plugOf(ball, "tz").asDouble(), 3.0);
}

// A number set through a plug makes the same checks, conversions and stores as the general
// write of its value, on every attribute of a node; each plug's value is set twice.
TEST_F(PlugTest, NumbersSetThroughPlugsMakeTheChecksOfAnyWrite) {
    VObject ball = makeTransform("ball");
    VObject twin = makeTransform("twin");
    for (const VObject& each : {ball, twin}) {
        VFnNumericAttribute numeric;
        addFixedAttribute(each);
        VObject flag = numeric.create("flag", "fl", VFnNumericAttribute::kBoolean);
        VFnDependencyNode(each).addAttribute(flag);
    }
    vexa_host::Node& byPlug = *plugOf(ball, "tx").nodeRecord();
    expectWritesOfTheGeneralWrite(byPlug, *plugOf(twin, "tx").nodeRecord(), [&ball](const std::string& name, double value) {
        return plugOf(ball, name.c_str()).setValue(value);
    });
    // Table plugs take their attribute's type and range: a boolean, an integral order.
    EXPECT_EQ(plugOf(ball, "visibility").asDouble(), 1.0);
    EXPECT_EQ(plugOf(ball, "rotateOrder").asDouble(), 0.0) << "held within the orders";
    ASSERT_TRUE(plugOf(ball, "rotateOrder").setValue(2.7));
    EXPECT_EQ(plugOf(ball, "rotateOrder").asDouble(), 2.0);
    EXPECT_EQ(plugOf(ball, "translateX").asDouble(), -2.7);
    EXPECT_EQ(plugOf(ball, "fixed").asDouble(), 2.0);
    // A locked plug refuses; a plug a time curve drives holds the value until the time moves.
    plugOf(ball, "ty").setLocked(true);
    EXPECT_EQ(plugOf(ball, "ty").setValue(5.0), VStatus::kFailure);
    EXPECT_EQ(plugOf(ball, "ty").asDouble(), -2.7);
    plugOf(ball, "ty").setLocked(false);
    VFnAnimCurve curve;
    curve.create(plugOf(ball, "tz"));
    curve.addKey(VTime(0.0, VTime::kSeconds), 1.0);
    curve.addKey(VTime(1.0, VTime::kSeconds), 3.0);
    ASSERT_TRUE(plugOf(ball, "tz").setValue(7.0));
    EXPECT_EQ(plugOf(ball, "tz").asDouble(), 7.0);
    // A write to another plug of the node leaves the held value held.
    ASSERT_TRUE(plugOf(ball, "ty").setValue(5.0));
    EXPECT_EQ(plugOf(ball, "tz").asDouble(), 7.0);
    VAnimControl::setCurrentTime(VTime(1.0, VTime::kSeconds));
    EXPECT_EQ(plugOf(ball, "tz").asDouble(), 3.0);
}

TEST_F(PlugTest, DagPlugInfoUsesThePartialPathName) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    makeTransform("geo", a);
    VObject geo = makeTransform("geo", b);
    EXPECT_EQ(plugOf(geo, "tx").info(), "b|geo.translateX");
    EXPECT_EQ(plugOf(geo, "tx").name(), "geo.translateX");
}

TEST_F(PlugTest, DynamicAttributesClassAndNameClashes) {
    VObject ball = makeTransform("ball");
    VFnDependencyNode node(ball);
    const unsigned staticCount = node.attributeCount();
    VFnNumericAttribute numeric;
    VObject tag = numeric.create("lumtraxTypeID", "wyxID", VFnNumericAttribute::kShort);
    ASSERT_TRUE(node.addAttribute(tag));
    EXPECT_EQ(node.attributeCount(), staticCount + 1);
    EXPECT_EQ(node.attributeClass(node.attribute(staticCount)), VFnDependencyNode::kLocalDynamicAttr);
    EXPECT_EQ(node.attributeClass(node.attribute("translateX")), VFnDependencyNode::kNormalAttr);
    // Either name already in use: status 3.
    EXPECT_EQ(node.addAttribute(numeric.create("other", "wyxID", VFnNumericAttribute::kShort)), VStatus::kInvalidParameter);
    EXPECT_EQ(node.addAttribute(numeric.create("translate", "tt", VFnNumericAttribute::kShort)), VStatus::kInvalidParameter);
    EXPECT_EQ(node.addAttribute(VObject()), VStatus::kFailure);
    // A colour lists its children after it, each of them dynamic too.
    VObject color = numeric.createColor("tint", "tn");
    ASSERT_TRUE(node.addAttribute(color));
    ASSERT_EQ(node.attributeCount(), staticCount + 5);
    EXPECT_EQ(VFnAttribute(node.attribute(staticCount + 2)).name(), "tintR");
    EXPECT_EQ(node.attributeClass(node.attribute(staticCount + 4)), VFnDependencyNode::kLocalDynamicAttr);
    EXPECT_EQ(node.attribute(staticCount + 1).apiType(), VFn::kAttribute3Float);
    EXPECT_TRUE(VFnAttribute(color).isUsedAsColor());
    EXPECT_EQ(VFnNumericAttribute(color).unitType(), VFnNumericAttribute::k3Float);
    // Taking one out moves the later ones up; past the end there is nothing.
    ASSERT_TRUE(node.removeAttribute(tag));
    ASSERT_EQ(node.attributeCount(), staticCount + 4);
    EXPECT_EQ(node.attribute(staticCount), color);
    EXPECT_EQ(VFnAttribute(node.attribute(staticCount + 3)).name(), "tintB");
    VStatus status;
    EXPECT_TRUE(node.attribute(staticCount + 4, &status).isNull());
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(node.attribute(0), VFnDependencyNode(makeTransform("other")).attribute(0)) << "static ones are the type's";
}

TEST_F(PlugTest, RemovingAnAttributeDropsItsValuesAndConnections) {
    VObject ball = makeTransform("ball");
    VObject other = makeTransform("other");
    VObject extra = addNumeric(ball, "extra", VFnNumericAttribute::kDouble, 3.0);
    VPlug plug = plugOf(ball, "extra");
    plug.setValue(5.0);
    vexa_host::Scene::instance().connect(*plug.nodeRecord(), *plug.path(), *plugOf(other, "tx").nodeRecord(),
                                         *plugOf(other, "tx").path());
    ASSERT_TRUE(VFnDependencyNode(ball).removeAttribute(extra));
    EXPECT_FALSE(VFnDependencyNode(ball).hasAttribute("extra"));
    EXPECT_FALSE(plugOf(other, "tx").isConnected());
    ASSERT_TRUE(VFnDependencyNode(ball).addAttribute(extra));
    EXPECT_EQ(plugOf(ball, "extra").asDouble(), 3.0);
    EXPECT_EQ(VFnDependencyNode(ball).removeAttribute(VFnDependencyNode(ball).attribute("tx")), VStatus::kInvalidParameter);
}

TEST_F(PlugTest, ADrivenPlugReadsItsSourceAndKeepsItsOwnValueForLater) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    VPlug source = plugOf(a, "tx");
    VPlug target = plugOf(b, "ty");
    target.setValue(9.0);
    source.setValue(4.0);
    VDGModifier modifier;
    modifier.connect(source, target);
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(target.asDouble(), 4.0);
    EXPECT_TRUE(target.isDestination());
    EXPECT_TRUE(source.isSource());
    VPlugArray sources;
    ASSERT_TRUE(target.connectedTo(sources, true, false));
    EXPECT_EQ(sources[0], source);
    target.setValue(1.0);
    EXPECT_EQ(target.asDouble(), 4.0);
    double own = 0.0;
    ASSERT_TRUE(target.getOwnValue(own));
    EXPECT_EQ(own, 1.0) << "its own value, beside what drives it";
    ASSERT_TRUE(plugOf(b, "tz").getOwnValue(own));
    EXPECT_EQ(own, 0.0) << "the default when nothing was set";
    EXPECT_EQ(VPlug().getOwnValue(own), VStatus::kInvalidParameter);
    ASSERT_TRUE(modifier.undoIt());
    EXPECT_FALSE(target.isConnected());
    EXPECT_EQ(target.asDouble(), 1.0);
}

TEST_F(PlugTest, ACompoundConnectionDrivesTheChildren) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    plugOf(a, "translate").child(1).setValue(6.0);
    VDGModifier modifier;
    modifier.connect(plugOf(a, "translate"), plugOf(b, "scale"));
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(plugOf(b, "scaleY").asDouble(), 6.0);
    EXPECT_EQ(plugOf(b, "scaleX").asDouble(), 0.0);
    // The children of a driven compound cannot take another connection.
    VDGModifier second;
    second.connect(plugOf(a, "tz"), plugOf(b, "sz"));
    EXPECT_EQ(second.doIt(), VStatus::kFailure);
}

TEST_F(PlugTest, ConnectionsRefuseWhatDoesNotFit) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    auto connect = [&scene](const VPlug& from, const VPlug& to) {
        return scene.connect(*from.nodeRecord(), *from.path(), *to.nodeRecord(), *to.path());
    };
    EXPECT_EQ(connect(plugOf(a, "translate"), plugOf(b, "tx")), VStatus::kInvalidParameter);
    EXPECT_EQ(connect(plugOf(b, "matrix"), plugOf(a, "tx")), VStatus::kInvalidParameter);
    EXPECT_EQ(connect(plugOf(a, "tx"), plugOf(b, "matrix")), VStatus::kFailure);
    EXPECT_EQ(connect(plugOf(a, "tx"), plugOf(a, "tx")), VStatus::kInvalidParameter);
    EXPECT_EQ(connect(plugOf(a, "tx"), plugOf(b, "worldMatrix")), VStatus::kInvalidParameter);
    plugOf(b, "ty").setLocked(true);
    EXPECT_EQ(connect(plugOf(a, "tx"), plugOf(b, "ty")), VStatus::kFailure);
    ASSERT_TRUE(connect(plugOf(a, "tx"), plugOf(b, "tz")));
    EXPECT_EQ(connect(plugOf(a, "ty"), plugOf(b, "tz")), VStatus::kFailure);
    EXPECT_EQ(scene.disconnect(*plugOf(a, "ty").nodeRecord(), *plugOf(a, "ty").path(), *plugOf(b, "tz").nodeRecord(),
                               *plugOf(b, "tz").path()),
              VStatus::kNotFound);
}

// What a name finds on a node by a walk over its dynamic attributes, each before its children.
vexa_host::AttributePtr scanForAttribute(const vexa_host::Node& node, const std::string& name) {
    auto typed = node.type().byName.find(name);
    if (typed != node.type().byName.end()) return typed->second;
    for (const vexa_host::AttributePtr& attribute : node.dynamicAttributes()) {
        if (attribute->isNamed(name)) return attribute;
        if (vexa_host::AttributePtr child = attribute->findDescendant(name)) return child;
    }
    return nullptr;
}

// A compound named `name` whose children take the names given, in pairs of long and short.
vexa_host::AttributePtr compoundOf(const std::string& name, const std::vector<std::string>& names) {
    std::vector<vexa_host::AttributePtr> children;
    for (size_t i = 0; i + 1 < names.size(); i += 2) {
        children.push_back(vexa_host::makeNumeric(names[i], names[i + 1], VFnNumericAttribute::kDouble));
    }
    return vexa_host::makeCompound(name, name.substr(0, 2), std::move(children));
}

TEST_F(PlugTest, DynamicNamesFindTheFirstOfTheirNameByLongOrShortName) {
    vexa_host::Node& node = *vexa_host::liveNodeOf(makeTransform("ball"));
    // Children may share a name with each other or with their compound: the first in the
    // order of the node's attributes, each compound before its children, is found.
    vexa_host::AttributePtr pair = compoundOf("pair", {"same", "s1", "same", "s2", "pair", "pq"});
    ASSERT_TRUE(node.addDynamicAttribute(pair));
    vexa_host::AttributePtr extra = vexa_host::makeNumeric("extra", "ex", VFnNumericAttribute::kDouble);
    ASSERT_TRUE(node.addDynamicAttribute(extra));
    EXPECT_EQ(node.findAttribute("pair"), pair);
    EXPECT_EQ(node.findAttribute("same"), pair->children[0]);
    EXPECT_EQ(node.findAttribute("s2"), pair->children[1]);
    EXPECT_EQ(node.findAttribute("pq"), pair->children[2]);
    EXPECT_EQ(node.findAttribute("pa"), pair) << "the compound's short name";
    EXPECT_EQ(node.findAttribute("ex"), extra);
    EXPECT_EQ(node.findAttribute("tx")->longName, "translateX") << "the type's come first";
    EXPECT_EQ(node.findAttribute("missing"), nullptr);
    EXPECT_FALSE(node.addDynamicAttribute(vexa_host::makeNumeric("other", "s2", VFnNumericAttribute::kDouble)));
    // Once the compound is gone its names are free, the later attribute's still found.
    ASSERT_TRUE(vexa_host::Scene::instance().removeAttribute(node, *pair));
    EXPECT_EQ(node.findAttribute("same"), nullptr);
    EXPECT_EQ(node.findAttribute("s1"), nullptr);
    EXPECT_EQ(node.findAttribute("extra"), extra);
    ASSERT_TRUE(node.addDynamicAttribute(vexa_host::makeNumeric("same", "s2", VFnNumericAttribute::kDouble)));
    EXPECT_EQ(node.findAttribute("s2")->longName, "same");
    VFnDependencyNode fn(VObject(node.self()));
    EXPECT_TRUE(fn.hasAttribute("s2"));
    EXPECT_EQ(fn.attributeClass(VObject(extra)), VFnDependencyNode::kLocalDynamicAttr);
}

TEST_F(PlugTest, DynamicNamesFindWhatAWalkFindsThroughAddsAndRemovals) {
    std::mt19937 random(7);
    const std::vector<std::string> pool = {"a", "b", "c", "d", "e", "f", "aa", "bb", "tx"};
    auto pick = [&]() { return pool[random() % pool.size()]; };
    vexa_host::Node& node = *vexa_host::liveNodeOf(makeTransform("ball"));
    std::vector<vexa_host::AttributePtr> removed;
    for (int step = 0; step < 400; ++step) {
        const unsigned what = random() % 4;
        if (what == 0 && !node.dynamicAttributes().empty()) {
            const vexa_host::AttributePtr gone = node.dynamicAttributes()[random() % node.dynamicAttributes().size()];
            ASSERT_TRUE(vexa_host::Scene::instance().removeAttribute(node, *gone));
            removed.push_back(gone);
        } else if (what == 1 && !removed.empty()) {
            node.addDynamicAttribute(removed[random() % removed.size()]);  // taken back, as an undo does
        } else if (what == 2) {
            node.addDynamicAttribute(compoundOf("k" + pick(), {pick(), pick(), pick(), pick()}));
        } else {
            node.addDynamicAttribute(vexa_host::makeNumeric(pick(), pick(), VFnNumericAttribute::kDouble));
        }
        for (const std::string& name : pool) {
            for (const std::string& each : {name, "k" + name, "k" + name.substr(0, 1)}) {
                ASSERT_EQ(node.findAttribute(each), scanForAttribute(node, each)) << each << " at step " << step;
            }
        }
    }
}

// The first of the node's incoming connections whose destination is the plug or above it.
const vexa_host::Connection* scanForDriver(const vexa_host::Node& node, const vexa_host::PlugPath& path) {
    for (const vexa_host::Connection& connection : node.incoming()) {
        if (path.startsWith(connection.local)) return &connection;
    }
    return nullptr;
}

TEST_F(PlugTest, DriversAreThoseAWalkOverTheConnectionsFinds) {
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    std::mt19937 random(11);
    // Each node carries an array of compounds of two numbers.
    auto addItems = [](const VObject& node) {
        vexa_host::AttributePtr items = compoundOf("item", {"wa", "wa", "wb", "wb"});
        items->array = true;
        EXPECT_TRUE(vexa_host::liveNodeOf(node)->addDynamicAttribute(items));
        return items;
    };
    VObject target = makeTransform("target");
    vexa_host::Node& node = *vexa_host::liveNodeOf(target);
    const vexa_host::AttributePtr targetItems = addItems(target);
    std::vector<VObject> sources;
    for (int i = 0; i < 3; ++i) {
        sources.push_back(makeTransform("source"));
        addItems(sources.back());
    }
    // Plugs by shape: numbers, triples, pairs.
    std::vector<std::vector<std::string>> shapes = {{"tx", "ty", "tz", "sx", "rx"}, {"translate", "scale", "rotate"}, {}};
    for (int i = 0; i < 4; ++i) {
        const std::string item = "item[" + std::to_string(i) + "]";
        shapes[0].push_back(item + ".wa");
        shapes[0].push_back(item + ".wb");
        shapes[2].push_back(item);
    }
    auto pathOf = [](vexa_host::Node& on, const std::string& text) {
        vexa_host::PlugPath path;
        EXPECT_TRUE(vexa_host::parsePlugPath(on, text, path)) << text;
        return path;
    };
    for (int step = 0; step < 600; ++step) {
        const unsigned what = random() % 10;
        if (what < 6) {
            const std::vector<std::string>& shape = shapes[random() % shapes.size()];
            vexa_host::Node& from = *vexa_host::liveNodeOf(sources[random() % sources.size()]);
            const vexa_host::PlugPath destination = pathOf(node, shape[random() % shape.size()]);
            bool overlaps = false;
            for (const vexa_host::Connection& existing : node.incoming()) {
                overlaps = overlaps || existing.local.startsWith(destination) || destination.startsWith(existing.local);
            }
            const VStatus status = scene.connect(from, pathOf(from, shape[random() % shape.size()]), node, destination);
            ASSERT_EQ(status.statusCode(), overlaps ? VStatus::kFailure : VStatus::kSuccess) << "step " << step;
        } else if (what < 8 && !node.incoming().empty()) {
            const vexa_host::Connection gone = node.incoming()[random() % node.incoming().size()];
            ASSERT_TRUE(scene.disconnect(*gone.other, gone.remote, node, gone.local));
        } else if (what == 8) {
            const size_t which = random() % sources.size();
            scene.deleteNode(*vexa_host::liveNodeOf(sources[which]));
            sources[which] = makeTransform("source");
            addItems(sources[which]);
        } else {
            ASSERT_TRUE(scene.removeAttribute(node, *targetItems));
            ASSERT_TRUE(node.addDynamicAttribute(targetItems));
        }
        for (const std::vector<std::string>& shape : shapes) {
            for (const std::string& text : shape) {
                const vexa_host::PlugPath path = pathOf(node, text);
                ASSERT_EQ(vexa_host::drivingConnection(node, path), scanForDriver(node, path)) << text << " at step " << step;
            }
        }
    }
}

TEST_F(PlugTest, ADisconnectedPlugTakesANewDriver) {
    auto link = [](const VPlug& from, const VPlug& to) {
        VDGModifier modifier;
        modifier.connect(from, to);
        return modifier.doIt();
    };
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    VObject c = makeTransform("c");
    plugOf(a, "ty").setValue(2.0);
    plugOf(b, "ty").setValue(3.0);
    plugOf(b, "tx").setValue(4.0);
    VDGModifier first;
    first.connect(plugOf(a, "translate"), plugOf(c, "translate"));
    first.connect(plugOf(a, "sx"), plugOf(c, "sx"));
    ASSERT_TRUE(first.doIt());
    EXPECT_EQ(plugOf(c, "ty").asDouble(), 2.0);
    ASSERT_TRUE(first.undoIt());
    ASSERT_TRUE(link(plugOf(b, "ty"), plugOf(c, "ty")));
    EXPECT_EQ(plugOf(c, "ty").asDouble(), 3.0);
    EXPECT_EQ(plugOf(c, "tx").asDouble(), 0.0);
    ASSERT_TRUE(link(plugOf(b, "tx"), plugOf(c, "sx")));
    EXPECT_EQ(plugOf(c, "sx").asDouble(), 4.0);
    ASSERT_TRUE(VGlobal::deleteNode(b));
    EXPECT_FALSE(plugOf(c, "ty").isConnected());
    EXPECT_EQ(plugOf(c, "sx").asDouble(), 1.0) << "its own value once the driver is gone";
    ASSERT_TRUE(link(plugOf(a, "translate"), plugOf(c, "translate"))) << "no connection is left below the compound";
    EXPECT_EQ(plugOf(c, "ty").asDouble(), 2.0);
}

TEST_F(PlugTest, AConnectionLoopReadsAsFailure) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    VDGModifier modifier;
    modifier.connect(plugOf(a, "tx"), plugOf(b, "tx"));
    modifier.connect(plugOf(b, "tx"), plugOf(a, "tx"));
    ASSERT_TRUE(modifier.doIt());
    VStatus status;
    plugOf(a, "tx").asDouble(&status);
    EXPECT_EQ(status, VStatus::kFailure);
}

TEST_F(PlugTest, MatrixOutputsAreComputedFromTheTransform) {
    VObject parent = makeTransform("parent");
    VObject child = makeTransform("child", parent);
    plugOf(parent, "tx").setValue(10.0);
    plugOf(child, "ty").setValue(2.0);
    VMatrix local;
    ASSERT_TRUE(plugOf(child, "matrix").getValue(local));
    EXPECT_EQ(local[3][1], 2.0);
    EXPECT_EQ(local[3][0], 0.0);
    VMatrix world;
    ASSERT_TRUE(plugOf(child, "worldMatrix[0]").getValue(world));
    EXPECT_EQ(world[3][0], 10.0);
    EXPECT_EQ(world[3][1], 2.0);
    VMatrix inverse;
    ASSERT_TRUE(plugOf(child, "worldInverseMatrix[0]").getValue(inverse));
    EXPECT_TRUE((world * inverse).isEquivalent(VMatrix()));
    EXPECT_EQ(plugOf(child, "matrix").setValue(VMatrix()), VStatus::kFailure);
}

TEST_F(PlugTest, DeletedNodesRefuseTheirPlugs) {
    VObject ball = makeTransform("ball");
    VPlug plug = plugOf(ball, "tx");
    VGlobal::deleteNode(ball);
    EXPECT_EQ(plug.setValue(1.0), VStatus::kInvalidParameter);
    VStatus status;
    plug.asDouble(&status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
}

TEST_F(PlugTest, ModifierDropsAFailedChangeAndTakesBackWhatItDid) {
    VObject a = makeTransform("a");
    VDGModifier modifier;
    VObject curve = modifier.createNode("animCurveTL");
    modifier.renameNode(a, "renamed");
    modifier.connect(plugOf(a, "tx"), plugOf(a, "matrix"));
    modifier.renameNode(a, "again");
    EXPECT_FALSE(modifier.doIt());
    EXPECT_EQ(nameOf(a), "renamed");
    ASSERT_TRUE(modifier.doIt());
    EXPECT_EQ(nameOf(a), "again");
    ASSERT_TRUE(modifier.undoIt());
    EXPECT_EQ(nameOf(a), "a");
    EXPECT_EQ(vexa_host::liveNodeOf(curve), nullptr);
}

}  // namespace
