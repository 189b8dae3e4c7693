// The DAG walk and the hierarchy pass: which host nodes become which SDK nodes, where they hang,
// their skeleton types and custom attributes; and a deformed mesh read without the user's scene
// changing.

#include "tests/hostexport/ExportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxSkeleton.h"
#include "core/RWyxLogFile.h"
#include "core/RWyxUserProperty.h"
#include "plugin/HostNodeTag.h"

#include "host/src/script/HostPreferences.h"

#include <vexa/VFnCamera.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>

#include <cmath>

namespace {

using vexa_host::UiModel;

int InheritTypeOf(const RWyxNode* node) {
    int type = -1;
    return node->GetInheritType(type);
}

// Two quads side by side: 6 points.
VObject MakeStrip(const char* name) {
    return makeMesh(name, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}}, {4, 4},
                                {0, 2, 3, 1, 2, 4, 5, 3});
}

class DagWalkTest : public SessionTest {};

TEST_F(DagWalkTest, EachKindOfTransformGetsItsAttribute) {
    script("createNode transform -n group; createNode locator -n spotShape -p group");
    VFnIkJoint().create();
    makeCube("box");
    script("camera");
    script("createNode transform -n lamp; createNode spotLight -n lampShape -p lamp");
    script("createNode transform -n sun; createNode directionalLight -n sunShape -p sun");
    script("createNode transform -n bulb; createNode pointLight -n bulbShape -p bulb");
    script("createNode transform -n glow; createNode ambientLight -n glowShape -p glow");
    script("createNode transform -n panel; createNode areaLight -n panelShape -p panel");
    collect();
    ASSERT_NE(node("group"), nullptr);
    EXPECT_NE(node("group")->GetNull(), nullptr);
    ASSERT_NE(node("joint1"), nullptr);
    EXPECT_NE(node("joint1")->GetSkeleton(), nullptr);
    EXPECT_EQ(InheritTypeOf(node("joint1")), 2);
    EXPECT_EQ(InheritTypeOf(node("group")), 1);
    EXPECT_NE(node("box")->GetMesh(), nullptr);
    EXPECT_EQ(InheritTypeOf(node("box")), 1);
    ASSERT_NE(node("camera1"), nullptr);
    const RWyxCamera* camera = node("camera1")->GetCamera();
    ASSERT_NE(camera, nullptr);
    WyxVexaExportSession::RigRecord* rig = session_->FindRig(*static_cast<VexaNode*>(node("camera1"))->GetDagPath());
    ASSERT_NE(rig, nullptr);
    EXPECT_EQ(rig->cameraNode, node("camera1"));
    EXPECT_EQ(rig->handles[1], Named("cameraShape1"));
    EXPECT_TRUE(rig->handles[0].isNull());
    const struct {
        const char* name;
        int type;
    } lights[] = {{"lamp", RWyxLight::kSpot}, {"sun", RWyxLight::kInfinite}, {"bulb", RWyxLight::kPoint}};
    for (const auto& light : lights) {
        ASSERT_NE(node(light.name), nullptr) << light.name;
        ASSERT_NE(node(light.name)->GetLight(), nullptr) << light.name;
        EXPECT_EQ(node(light.name)->GetLight()->GetLightType(), light.type) << light.name;
    }
    ASSERT_NE(node("lamp")->GetLight()->GetGobo(), nullptr);
    EXPECT_EQ(node("lamp")->GetLight()->GetGobo()->GetName(), "lamp");
    EXPECT_EQ(node("sun")->GetLight()->GetGobo(), nullptr);
    // A light of another kind: a point light, hidden.
    ASSERT_NE(node("panel"), nullptr);
    ASSERT_NE(node("panel")->GetLight(), nullptr);
    EXPECT_EQ(node("panel")->GetLight()->GetLightType(), RWyxLight::kPoint);
    EXPECT_FALSE(node("panel")->GetVisibility());
    EXPECT_TRUE(node("bulb")->GetVisibility());
    ASSERT_NE(node("glow"), nullptr);
    EXPECT_EQ(node("glow")->GetNodeAttribute(), nullptr) << "an ambient light has no attribute";
    // Every node is in the map under its full path name, shapes are not nodes.
    EXPECT_EQ(NodeForPath(*session_, "|group"), node("group"));
    EXPECT_EQ(NodeForPath(*session_, "|box|boxShape"), nullptr);
    EXPECT_EQ(node("boxShape"), nullptr);
}

TEST_F(DagWalkTest, ACameraRigHasOneRecordPerTopLevelAncestor) {
    const std::string rigged = script("camera -n rigged");  // "rigged <shape>"
    script("cameraMakeNode 2 rigged");
    script("createNode transform -n outer; camera -n inner; parent inner outer; createNode lookAt -n extra -p outer");
    collect();
    // The rig's group comes first: its record holds it, then the camera and its shape.
    ASSERT_NE(node("rigged_group"), nullptr);
    ASSERT_NE(node("rigged_group")->GetNodeAttribute(), nullptr) << "a null: read back, it is the rig's group again";
    EXPECT_EQ(node("rigged_group")->GetNodeAttribute()->GetAttributeType(), RWyxNodeAttribute::kNull);
    WyxVexaExportSession::RigRecord* rig =
        session_->FindRig(*static_cast<VexaNode*>(node("rigged_group"))->GetDagPath());
    ASSERT_NE(rig, nullptr);
    EXPECT_EQ(rig->handles[0], Named("rigged_group"));
    const std::string shape = "|rigged_group|rigged|" + rigged.substr(rigged.find(' ') + 1);
    EXPECT_EQ(rig->handles[1], Named(shape.c_str()));
    EXPECT_FALSE(rig->handles[1].isNull());
    EXPECT_EQ(rig->cameraNode, node("rigged"));
    EXPECT_EQ(node("rigged")->GetParent(), node("rigged_group"));
    EXPECT_NE(node("rigged_aim"), nullptr);
    // A camera met first: the aim node found later below the same ancestor makes no node.
    EXPECT_EQ(node("extra"), nullptr);
    rig = session_->FindRig(*static_cast<VexaNode*>(node("outer"))->GetDagPath());
    ASSERT_NE(rig, nullptr);
    EXPECT_TRUE(rig->handles[0].isNull());
    EXPECT_EQ(rig->cameraNode, node("inner"));
}

TEST_F(DagWalkTest, TheHostsDefaultCamerasAndGroundPlaneStayBehind) {
    script("camera; camera");
    VFnDependencyNode(Named("camera1")).setName("persp");
    script("createNode transform -n groundPlane_transform; createNode transform -n tagged; "
           "createNode transform -n oddly");
    LVSetLumtraxID(Named("tagged"), 1);
    LVSetLumtraxID(Named("oddly"), 7);
    collect();
    EXPECT_EQ(node("persp"), nullptr);
    EXPECT_NE(node("camera2"), nullptr);
    EXPECT_EQ(node("groundPlane_transform"), nullptr);
    EXPECT_NE(node("tagged"), nullptr);
    EXPECT_EQ(node("oddly"), nullptr) << "a tag of no known kind";
}

TEST_F(DagWalkTest, SkeletonTypesComeBackFromTheImportTag) {
    const struct {
        int tag;
        int type;
    } joints[] = {{0, RWyxSkeleton::kLimbNode}, {2, RWyxSkeleton::kRoot}, {3, RWyxSkeleton::kEffectorRoot},
                  {4, RWyxSkeleton::kLimb},     {5, RWyxSkeleton::kLimbNode}};
    for (const auto& joint : joints) {
        const VObject made = VFnIkJoint().create();
        LVSetLumtraxID(made, joint.tag);
    }
    script("createNode transform -n former");
    LVSetLumtraxID(Named("former"), 2);
    vexa_host::HostPreferences::instance().jointDisplayScale = 0.5;
    collect();
    for (int i = 0; i < 5; ++i) {
        const std::string name = "joint" + std::to_string(i + 1);
        const RWyxSkeleton* skeleton = node(name.c_str())->GetSkeleton();
        ASSERT_NE(skeleton, nullptr) << name;
        EXPECT_EQ(skeleton->GetSkeletonType(), joints[i].type) << name;
        if (joints[i].type != RWyxSkeleton::kRoot) {
            EXPECT_DOUBLE_EQ(skeleton->GetSize(), 50.0) << name;
        }
    }
    ASSERT_NE(node("former")->GetSkeleton(), nullptr) << "a plain transform that was a skeleton part";
    EXPECT_EQ(node("former")->GetSkeleton()->GetSkeletonType(), RWyxSkeleton::kRoot);
    EXPECT_EQ(InheritTypeOf(node("former")), 1);
}

TEST_F(DagWalkTest, OnlyTheSelectionIsExportedAndAChildAloneHangsUnderTheRoot) {
    script("createNode transform -n parentNode; createNode transform -n child -p parentNode; "
           "createNode transform -n other; select child");
    options().SetBoolOption(kExportSelectionOnly, true);
    collect();
    EXPECT_EQ(node("parentNode"), nullptr);
    EXPECT_EQ(node("other"), nullptr);
    ASSERT_NE(node("child"), nullptr);
    EXPECT_EQ(node("child")->GetParent(), root());
    script("select -cl");
    collect();
    EXPECT_EQ(root()->GetChildCount(), 0);
}

TEST_F(DagWalkTest, AnInstanceHangsUnderItsFirstParentOnly) {
    script("createNode transform -n first; createNode transform -n second; createNode transform -n leaf -p first");
    VObject leaf = Named("leaf");
    ASSERT_TRUE(VFnDagNode(Named("second")).addChild(leaf, VFnDagNode::kNextPos, true));
    collect();
    VexaNode* viaFirst = NodeForPath(*session_, "|first|leaf");
    VexaNode* viaSecond = NodeForPath(*session_, "|second|leaf");
    ASSERT_NE(viaFirst, nullptr);
    ASSERT_NE(viaSecond, nullptr);
    EXPECT_NE(viaFirst, viaSecond) << "one node per path";
    EXPECT_EQ(viaFirst->GetParent(), node("first"));
    EXPECT_EQ(viaSecond->GetParent(), node("first"));
    EXPECT_EQ(node("second")->GetChildCount(), 0);
    EXPECT_NE(viaFirst->GetName(), viaSecond->GetName()) << "names made unique for the file";
}

TEST_F(DagWalkTest, CustomAttributesOfEveryTypeBecomeUserProperties) {
    script("createNode transform -n props");
    VFnDependencyNode host(Named("props"));
    const auto add = [&host](const char* name, VFnNumericAttribute::NumericType type, double value) {
        VFnNumericAttribute numeric;
        ASSERT_TRUE(host.addAttribute(numeric.create(name, name, type)));
        ASSERT_TRUE(host.findPlug(name).setValue(value)) << name;
    };
    add("flag", VFnNumericAttribute::kBoolean, 1.0);
    add("small", VFnNumericAttribute::kChar, 7.0);
    add("count", VFnNumericAttribute::kShort, -3.0);
    add("total", VFnNumericAttribute::kLong, 123456.0);
    add("weight", VFnNumericAttribute::kDouble, 2.25);
    add("miLabel", VFnNumericAttribute::kDouble, 1.0);
    add("mistake", VFnNumericAttribute::kDouble, 4.0);
    VFnNumericAttribute ranged;
    ASSERT_TRUE(host.addAttribute(ranged.create("ranged", "rg", VFnNumericAttribute::kFloat)));
    ranged.setSoftMin(0.0);
    ranged.setSoftMax(10.0);
    ASSERT_TRUE(host.findPlug("rg").setValue(2.5));
    VFnNumericAttribute point;
    ASSERT_TRUE(host.addAttribute(point.create("aim", "am", VFnNumericAttribute::k3Double)));
    ASSERT_TRUE(host.findPlug("am").child(1).setValue(-4.5));
    VFnNumericAttribute tint;
    ASSERT_TRUE(host.addAttribute(tint.createColor("tint", "tn")));
    ASSERT_TRUE(host.findPlug("tn").child(0).setValue(0.25f));
    collect();
    RWyxNode* props = node("props");
    ASSERT_NE(props, nullptr);
    const struct {
        const char* name;
        int type;
        double value;
    } expected[] = {{"flag", kUserPropertyBool, 1.0},     {"small", kUserPropertyInteger, 7.0},
                    {"count", kUserPropertyInteger, -3.0}, {"total", kUserPropertyInteger, 123456.0},
                    {"weight", kUserPropertyReal, 2.25},  {"mistake", kUserPropertyReal, 4.0},
                    {"rg", kUserPropertyReal, 2.5}};
    for (const auto& entry : expected) {
        const RWyxUserProperty* property = props->FindUserPropertyByName(entry.name);
        ASSERT_NE(property, nullptr) << entry.name;
        EXPECT_EQ(property->GetType(), entry.type) << entry.name;
        EXPECT_DOUBLE_EQ(property->GetDouble(), entry.value) << entry.name;
        EXPECT_TRUE(property->GetFlag(RWyxUserProperty::kFlagUserProperty)) << entry.name;
        EXPECT_TRUE(property->GetFlag(RWyxUserProperty::kFlagAnimatable)) << entry.name;
    }
    EXPECT_EQ(props->FindUserPropertyByName("miLabel"), nullptr) << "\"mi\" and an upper-case letter stay";
    EXPECT_DOUBLE_EQ(props->FindUserPropertyByName("rg")->GetMin(), 0.0);
    EXPECT_DOUBLE_EQ(props->FindUserPropertyByName("rg")->GetMax(), 10.0);
    EXPECT_EQ(props->FindUserPropertyByName("weight")->GetMax(), HUGE_VAL) << "no soft range, no maximum";
    const RWyxUserProperty* spot = props->FindUserPropertyByName("am");
    ASSERT_NE(spot, nullptr);
    EXPECT_EQ(spot->GetType(), kUserPropertyVector);
    EXPECT_DOUBLE_EQ(spot->GetVector().y, -4.5);
    const RWyxUserProperty* colour = props->FindUserPropertyByName("tn");
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->GetType(), kUserPropertyColor);
    EXPECT_DOUBLE_EQ(colour->GetColor().x, 0.25);
    EXPECT_EQ(props->FindUserPropertyByName("aimX"), nullptr) << "a compound's children are not properties";
}

// ---- deformed meshes ------------------------------------------------------------------------------

TEST_F(DagWalkTest, ADeformedMeshIsReadAndTheUsersSceneLeftAsFound) {
    MakeStrip("body");
    MakeStrip("target");
    VFnIkJoint().create();
    script("blendShape -n faces target body; select joint1 body; newSkinCluster \"-toSelectedBones\"; "
           "polySmooth -dv 2 body; setAttr faces.envelope 0.75; setAttr bodyShapeOrig.visibility 0");
    // The skin's input differs from what the shape shows: the export reads the input.
    VFnMesh original(Named("bodyShapeOrig"));
    ASSERT_TRUE(original.setPoint(0, VPoint(5, 6, 7)));
    const std::string before = dump();
    collect();
    const RWyxMesh* mesh = node("body")->GetMesh();
    ASSERT_NE(mesh, nullptr) << "the smoothing was off while the mesh was read";
    EXPECT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(mesh->GetControlPointsCount(), 6);
    EXPECT_DOUBLE_EQ(mesh->GetControlPoints()[0].x, 5.0);
    EXPECT_DOUBLE_EQ(mesh->GetControlPoints()[0].z, 7.0);
    EXPECT_EQ(dump(), before);
    EXPECT_EQ(script("getAttr polySmoothFacet1.divisions"), "2");
    EXPECT_EQ(script("getAttr bodyShapeOrig.visibility"), "0");
    session_.reset();  // the log is written
    EXPECT_NE(logText().find("The plugin has detected a polygonSmoothFacet operator and a skinCluster."),
              std::string::npos);
    // The whole export through the command leaves it as found too.
    ASSERT_TRUE(exportTo(file("deformed.wyx")));
    EXPECT_EQ(dump(), before);
}

TEST_F(DagWalkTest, ASkinsInputShapeShowingAsItsTransformIsNotTouched) {
    MakeStrip("body");
    VFnIkJoint().create();
    script("select joint1 body; newSkinCluster \"-toSelectedBones\"");
    const std::string before = dump();
    ASSERT_EQ(before.find("visibility"), std::string::npos) << "no visibility stored yet";
    collect();
    ASSERT_NE(node("body")->GetMesh(), nullptr);
    EXPECT_EQ(dump(), before) << "a value set, even to what it was, is a value stored";
}

TEST_F(DagWalkTest, WrappedMeshesAreLoggedEachAndShownOnce) {
    options().SetBoolOption(kExportShowUI, true);
    MakeStrip("one");
    MakeStrip("two");
    script("deformer -type wrap one; deformer -type wrap two");
    collect();
    session_.reset();  // the log is written
    const std::string log = logText();
    EXPECT_NE(log.find("WYX Export Warning: A Wrap deformer has been detected on the following object:  / one"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("the following object:  / two"), std::string::npos) << log;
    const auto& dialogs = UiModel::instance().shownDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "WYX Export Warning");
    EXPECT_NE(dialogs[0].message.find("\n\nThe object will be exported without the deforming influences.\n\n"
                                      "NOTE: This dialog will not popup anymore for subsequent identical errors\n"
                                      "(the other messages can be found in the log file)"),
              std::string::npos)
        << dialogs[0].message;
}

}  // namespace
