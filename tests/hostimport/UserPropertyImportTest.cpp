// User properties on import: the host attributes made for them (every type, names from labels,
// names in use, hostile labels), the same attribute found again on a merged node, their values
// from the property or its curve, and the driven-key test that guards curves.

#include "tests/support/ImportSceneSupport.h"

#include "attributes/RWyxNull.h"
#include "attributes/RWyxSkeleton.h"
#include "core/RWyxUserProperty.h"
#include "hostimport/ImportLaterSteps.h"
#include "hostimport/MergeBinding.h"
#include "plugin/HostNodeTag.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxTakeNode.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "fileio/RWyxFileExporter.h"

#include <vexa/VFnAttribute.h>
#include <vexa/VFnNumericAttribute.h>

#include <cmath>

namespace {

RWyxUserProperty* AddProperty(RWyxObjectFactory& factory, RWyxNode& node, const char* name, const char* type,
                              const char* label, bool user = true) {
    RWyxUserProperty* made = factory.CreateUserProperty(name, type, label);
    made->SetFlag(RWyxUserProperty::kFlagUserProperty, user);
    made->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
    return node.AddUserProperty(factory.HandOverUserProperty(made));
}

VFnNumericAttribute AttributeOf(const char* node, const char* name) {
    return VFnNumericAttribute(VFnDependencyNode(HostNode(node)).attribute(name));
}

using UserPropertyImportTest = SceneImportTest;

TEST_F(UserPropertyImportTest, EveryTypeGetsItsAttributeUnderItsLabel) {
    ASSERT_TRUE(run("createNode transform -n keep"));
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* node = AddNode(factory, root, "holder", factory.CreateNull());
        AddProperty(factory, *node, "flag", "Bool", "is on");
        RWyxUserProperty* real = AddProperty(factory, *node, "weight", "Real", "");
        real->SetMin(-2.0);
        real->SetMax(5.0);
        AddProperty(factory, *node, "tint", "Color", "");
        RWyxUserProperty* count = AddProperty(factory, *node, "count", "Integer", "");
        count->SetMax(9.0);
        AddProperty(factory, *node, "offset", "Vector", "");
        AddProperty(factory, *node, "other", "Unidentified", "");
        AddProperty(factory, *node, "a", "Real", "my value");
        AddProperty(factory, *node, "b", "Real", "my_value");
        AddProperty(factory, *node, "c", "Real", "x\"; file -f -new; \"");
        AddProperty(factory, *node, "d", "Real", "3d");
        AddProperty(factory, *node, "hidden", "Real", "", false);
    }));
    EXPECT_EQ(AttributeOf("holder", "is_on").unitType(), VFnNumericAttribute::kBoolean);
    const VFnNumericAttribute weight = AttributeOf("holder", "weight");
    EXPECT_EQ(weight.unitType(), VFnNumericAttribute::kDouble);
    double limit = 0.0;
    ASSERT_TRUE(weight.getSoftMin(limit));
    EXPECT_EQ(limit, -2.0);
    ASSERT_TRUE(weight.getSoftMax(limit));
    EXPECT_EQ(limit, 5.0);
    EXPECT_TRUE(weight.isKeyable());
    EXPECT_FALSE(weight.isHidden());
    EXPECT_TRUE(AttributeOf("holder", "tint").isUsedAsColor());
    const VFnNumericAttribute count = AttributeOf("holder", "count");
    EXPECT_EQ(count.unitType(), VFnNumericAttribute::kLong);
    EXPECT_FALSE(count.hasSoftMin());
    EXPECT_TRUE(count.hasSoftMax());
    EXPECT_EQ(AttributeOf("holder", "offset").unitType(), VFnNumericAttribute::k3Double);
    EXPECT_EQ(AttributeOf("holder", "other").unitType(), VFnNumericAttribute::kDouble);
    EXPECT_FALSE(AttributeOf("holder", "other").hasSoftMin());
    // Two labels that make one name: the second gets the next number.
    EXPECT_EQ(AttributeOf("holder", "my_value").unitType(), VFnNumericAttribute::kDouble);
    EXPECT_EQ(AttributeOf("holder", "my_value1").unitType(), VFnNumericAttribute::kDouble);
    // Labels become identifiers, so no script text ever comes from them.
    EXPECT_EQ(AttributeOf("holder", "x___file__f__new___").unitType(), VFnNumericAttribute::kDouble);
    EXPECT_EQ(AttributeOf("holder", "_3d").unitType(), VFnNumericAttribute::kDouble);
    EXPECT_FALSE(VFnDependencyNode(nodeOf("holder")).hasAttribute("hidden"));
    EXPECT_TRUE(dumps("node transform |keep\n"));
}

TEST_F(UserPropertyImportTest, TenNamesAreTriedAndTheEleventhPropertyOfOneNameIsDropped) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* node = AddNode(factory, root, "holder", factory.CreateNull());
        for (int i = 0; i < 11; ++i) AddProperty(factory, *node, ("p" + std::to_string(i)).c_str(), "Real", "same");
    }));
    const VFnDependencyNode holder(nodeOf("holder"));
    EXPECT_TRUE(holder.hasAttribute("same"));
    EXPECT_TRUE(holder.hasAttribute("same9"));
    EXPECT_FALSE(holder.hasAttribute("same10"));
}

// The export writes the plug-in's type tag as the Integer user property "wyxID"; read back, it
// tags the host node again and makes no attribute of its own, so a later export still knows
// the node's skeleton type.
TEST_F(UserPropertyImportTest, TheTypeTagPropertyTagsTheNodeAndMakesNoAttribute) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* marker = AddNode(factory, root, "marker", factory.CreateNull());
        AddProperty(factory, *marker, "wyxID", "Integer", "wyxID")->SetInteger(4);
        AddProperty(factory, *marker, "count", "Integer", "")->SetInteger(7);
        RWyxSkeleton* rootBone = factory.CreateSkeleton();
        rootBone->SetSkeletonType(RWyxSkeleton::kRoot);
        RWyxNode* hips = AddNode(factory, root, "Hips", rootBone);
        AddProperty(factory, *hips, "wyxID", "Integer", "wyxID")->SetInteger(2);
        RWyxSkeleton* limb = factory.CreateSkeleton();
        limb->SetSkeletonType(RWyxSkeleton::kLimbNode);
        AddProperty(factory, *AddNode(factory, *hips, "Spine", limb), "wyxID", "Integer", "wyxID")->SetInteger(5);
    }));
    EXPECT_EQ(LVGetLumtraxID(nodeOf("marker")), 4);
    EXPECT_EQ(LVGetLumtraxID(nodeOf("Hips")), 2);
    EXPECT_EQ(LVGetLumtraxID(nodeOf("Spine")), 5);
    const std::string scene = dump();
    EXPECT_NE(scene.find("node transform |marker\n  attribute lumtraxTypeID numericAttribute\n"
                         "  attribute count numericAttribute\n"),
              std::string::npos)
        << scene;
    EXPECT_EQ(scene.find("attribute wyxID"), std::string::npos) << scene;
    EXPECT_NE(scene.find("node joint |Hips\n  attribute lumtraxTypeID numericAttribute\n  jointOrient"), std::string::npos)
        << scene;
}

// A version-5 file writes a transform without a shape as a null of the neutral size; its user
// properties still become attributes, as from a version-6 file.
TEST_F(UserPropertyImportTest, AVersion5TransformWithoutShapeKeepsItsUserAttributes) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNode* holder = AddNode(factory, *scene->GetRootNode(), "holder", nullptr);
    AddProperty(factory, *holder, "amount", "Real", "");
    AddProperty(factory, *holder, "tint", "Color", "");
    const std::string path = folder_.Join("holder5.wyx");
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    exporter->Initialize(path.c_str());
    exporter->SetFileFormat(3);  // version 5, binary
    const bool written = exporter->Export(scene);
    factory.DestroyFileExporter(exporter);
    ASSERT_TRUE(written);
    WyxVexaImportSession::SetFormatTable(nullptr);
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    EXPECT_EQ(AttributeOf("holder", "amount").unitType(), VFnNumericAttribute::kDouble);
    EXPECT_TRUE(AttributeOf("holder", "tint").isUsedAsColor());
}

class UserPropertyValuesTest : public SessionSceneTest {
protected:
    // The file node "holder" bound to the host node of that name, as the merge binds it.
    VexaNode* mergedHolder() {
        VexaNode* node = add(root(), "holder", factory().CreateNull());
        const VDagPath path = HostPath("holder");
        node->SetDagPath(&path);
        node->SetMerged(true);
        return node;
    }
    static void addHostAttribute(const char* name, VFnNumericAttribute::NumericType type) {
        VFnNumericAttribute numeric;
        VFnDependencyNode host(HostNode("holder"));
        ASSERT_TRUE(host.addAttribute(numeric.create(name, name, type)));
    }
    static double value(const char* plug) {
        return VFnDependencyNode(HostNode("holder")).findPlug(plug).asDouble();
    }
    // The curve of the property in the node's current take (made when missing).
    static RFCurve* curveOf(RWyxNode& node, const char* name) {
        RFCurveNode* curves = node.GetCurrentTakeNode()->GetRootCurveNode();
        RFCurveNode* channel = curves->FindOrAddChild(name, true);
        return channel->GetCurve();
    }
};

TEST_F(UserPropertyValuesTest, AMergedNodeKeepsItsOneAttributeAndTakesTheValue) {
    ASSERT_TRUE(run("createNode transform -n holder"));
    addHostAttribute("my_value", VFnNumericAttribute::kDouble);
    VexaNode* node = mergedHolder();
    // Known by its label, whatever its name.
    AddProperty(factory(), *node, "myValue", "Real", "my value")->SetDouble(2.5);
    BindCustomAttributes(node);
    session_.ImportUserPropertyValues(node);
    EXPECT_EQ(value("my_value"), 2.5);
    EXPECT_FALSE(VFnDependencyNode(HostNode("holder")).hasAttribute("my_value1"));
}

TEST_F(UserPropertyValuesTest, ValuesComeFromTheCurveUnlessItSaysNothing) {
    ASSERT_TRUE(run("createNode transform -n holder"));
    addHostAttribute("level", VFnNumericAttribute::kByte);
    addHostAttribute("ratio", VFnNumericAttribute::kFloat);
    VexaNode* node = mergedHolder();
    AddProperty(factory(), *node, "own", "Real", "")->SetDouble(1.5);
    AddProperty(factory(), *node, "fromCurve", "Real", "")->SetDouble(1.5);
    AddProperty(factory(), *node, "level", "Integer", "")->SetInteger(7);
    AddProperty(factory(), *node, "ratio", "Integer", "")->SetInteger(7);
    AddProperty(factory(), *node, "on", "Bool", "")->SetBool(true);
    AddProperty(factory(), *node, "offset", "Vector", "")->SetVector(1, 2, 3);
    AddProperty(factory(), *node, "steps", "Integer", "")->SetInteger(1);
    AddProperty(factory(), *node, "off", "Bool", "")->SetBool(true);
    BindCustomAttributes(node);
    node->AddAttributeName("ratio", RString("ratio"));  // an integer on a float attribute
    curveOf(*node, "fromCurve")->SetDefaultValue(2.5f);
    curveOf(*node, "steps")->SetDefaultValue(2.75f);
    curveOf(*node, "off")->AddKey(RTime(), RCurveKey::Plain(RTime(), 0.0f, RCurveKey::Cubic));
    curveOf(*node, "off")->SetDefaultValue(0.0f);
    session_.ImportUserPropertyValues(node);
    EXPECT_EQ(value("own"), 1.5);
    EXPECT_EQ(value("fromCurve"), 2.5);
    EXPECT_EQ(value("level"), 7.0);   // a byte, through the char setter
    EXPECT_EQ(value("ratio"), 0.0);   // a float for an integer: not set
    EXPECT_EQ(value("on"), 1.0);
    EXPECT_EQ(value("offsetY"), 2.0);  // keyless children at 0: the property's own vector
    EXPECT_EQ(value("steps"), 2.0);    // the curve's default, truncated
    EXPECT_EQ(value("off"), 0.0);      // a keyed curve's default of 0 holds against the property
}

TEST_F(UserPropertyValuesTest, ExclusiveMergeMakesNoAttribute) {
    ASSERT_TRUE(run("createNode transform -n holder"));
    VexaNode* node = mergedHolder();
    AddProperty(factory(), *node, "extra", "Real", "")->SetDouble(1.0);
    options().SetImportMode(0);
    session_.ImportUserPropertyValues(node);
    EXPECT_FALSE(VFnDependencyNode(HostNode("holder")).hasAttribute("extra"));
    options().SetImportMode(1);
    session_.ImportUserPropertyValues(node);
    EXPECT_EQ(value("extra"), 1.0);
}

TEST_F(UserPropertyValuesTest, DrivenPlugsAreKnownOnlyWhileTheyAreProtected) {
    ASSERT_TRUE(run("createNode transform -n driver; createNode transform -n holder"));
    ASSERT_TRUE(run("setDrivenKeyframe -cd driver.translateX -dv 0 -v 1 holder.translateY"));
    VFnDependencyNode holder(HostNode("holder"));
    // An attribute whose name would end the command's literal.
    VFnNumericAttribute numeric;
    ASSERT_TRUE(holder.addAttribute(numeric.create("a\";createNode transform -n injected;\"", "q", VFnNumericAttribute::kDouble)));
    options().SetBoolOption(kProtectDrivenKeys, true);
    EXPECT_TRUE(IsDrivenPlug(holder.findPlug("translateY")));
    EXPECT_FALSE(IsDrivenPlug(holder.findPlug("translateX")));  // "No drivers."
    EXPECT_FALSE(IsDrivenPlug(holder.findPlug("q")));
    EXPECT_FALSE(dumps("node transform |injected"));
    options().SetBoolOption(kProtectDrivenKeys, false);
    EXPECT_FALSE(IsDrivenPlug(holder.findPlug("translateY")));
}

}  // namespace
