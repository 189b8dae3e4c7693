// Transforms of WYX files written by our writer and imported through WYXImport: the host's
// world matrices against the transform the file means (rotation orders, pivots and their
// offsets, pre- and post-rotation, joints), at keys and between them; rotations resampled into
// the host's rotation space; limits; the attribute editor; files that keep their pivots the
// old way.

#include "tests/hostimport/TransformTestSupport.h"
#include "tests/support/ImportTestSupport.h"

#include "attributes/RWyxNull.h"
#include "attributes/RWyxSkeleton.h"
#include "core/RWyxLogFile.h"
#include "hostimport/TransformChecks.h"
#include "plugin/HostUtilities.h"
#include "core/RProperty.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxNodeProperties.h"

#include "host/src/script/HostPreferences.h"

#include <vexa/VAnimControl.h>
#include <vexa/VDistance.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnTransform.h>
#include <vexa/VMessageLog.h>
#include <vexa/VStringArray.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace transform_test;

constexpr double kExact = 1e-9;
constexpr double kQuarterTurn = 1.5707963267948966;
// The file's own transform after its rotation was resampled into single-precision keys.
constexpr double kResampled = 1e-4;

using TransformImportTest = WyxFileImportTest;

// Linear keys whose values are exact at sixteenths of a second.
void Turn(RWyxNode* node, float x, float y, float z) {
    RWyxTakeNode* take = Take(node);
    const float ends[3] = {x, y, z};
    RFCurve* curves[3] = {take->GetRotationXCurve(), take->GetRotationYCurve(), take->GetRotationZCurve()};
    for (int axis = 0; axis < 3; ++axis) {
        Key(curves[axis], 0.0, 0.0f);
        Key(curves[axis], 1.0, ends[axis]);
    }
}

std::vector<double> Sixteenths() {
    std::vector<double> times{-0.25, 1.5};
    for (int k = 0; k <= 16; ++k) times.push_back(k / 16.0);
    return times;
}

RWyxNodeAttribute* Joint(RWyxObjectFactory& factory, int type) {
    RWyxSkeleton* skeleton = factory.CreateSkeleton();
    skeleton->SetSkeletonType(type);
    return skeleton;
}

// A node without animation merged onto a host transform whose plugs have curves: each curve
// takes its own plug's value as its one key.
TEST_F(TransformImportTest, AMergeGivesEachHostCurveOfAStillNodeItsOwnValue) {
    RWyxNode* box = add(root(), "box");
    RWyxNodeProperties& properties = *box->GetProperties();
    properties.FindProperty("Lcl Translation")->SetValue(RVector4(1, 2, 3, 1));
    properties.FindProperty("Lcl Rotation")->SetValue(RVector4(10, 20, 30, 1));
    properties.FindProperty("Lcl Scaling")->SetValue(RVector4(4, 5, 6, 1));
    DescribeTake(scene_);
    const std::string path = folder_.Join("still.wyx");
    ASSERT_TRUE(WriteScene(factory_, scene_, path));
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    const char* const plugs[] = {"translateX", "translateY", "translateZ", "rotateX", "rotateY",
                                 "rotateZ",    "scaleX",     "scaleY",     "scaleZ"};
    const VFnDependencyNode host(hostPath("box").node());
    for (const char* name : plugs) {
        VFnAnimCurve curve;
        curve.create(host.findPlug(name), VFnAnimCurve::kAnimCurveTU);
        curve.addKey(VTime(1.0, VTime::kSeconds), -7.0);
    }
    ASSERT_TRUE(run("WYXImportMode -v merge"));
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    const double degrees = 0.017453292519943295;
    const double expected[] = {1, 2, 3, 10 * degrees, 20 * degrees, 30 * degrees, 4, 5, 6};
    for (int i = 0; i < 9; ++i) {
        const VFnAnimCurve curve(host.findPlug(plugs[i]));
        ASSERT_EQ(curve.numKeys(), 1u) << plugs[i];
        EXPECT_NEAR(curve.value(0), expected[i], 1e-6) << plugs[i];
    }
}

// A still node merged onto a host transform without curves or connections: each locked plug
// is still named in the log, and kept locked or unlocked as the option says.
TEST_F(TransformImportTest, AStillNodeMergedOntoLockedPlugsAnswersForEachOne) {
    add(root(), "box");
    DescribeTake(scene_);
    const std::string path = folder_.Join("still.wyx");
    ASSERT_TRUE(WriteScene(factory_, scene_, path));
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    const VFnDependencyNode host(hostPath("box").node());
    ASSERT_TRUE(host.findPlug("translateY").setLocked(true));
    ASSERT_TRUE(host.findPlug("rotate").setLocked(true));
    ASSERT_TRUE(run("WYXImportMode -v merge"));
    options().SetBoolOption(kSetLockedAttrib, true);
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    const std::string log = logText();
    EXPECT_NE(log.find("box.translateY: this attribute is locked. Cannot transfer data.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("box.rotateZ: this attribute is locked. Cannot transfer data.\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("box.translateX: this attribute is locked"), std::string::npos) << log;
    EXPECT_TRUE(host.findPlug("translateY").isLocked());

    options().SetBoolOption(kSetLockedAttrib, false);
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    EXPECT_FALSE(host.findPlug("translateY").isLocked());
    EXPECT_FALSE(host.findPlug("rotateX").isLocked());
    EXPECT_EQ(VFnAnimCurve(host.findPlug("translateY")).numKeys(), 0u);
}

// A node merged onto a host transform whose rotation order is locked and not the file's: the
// order is refused with the values, so the host's own is read and the reordering, refused in
// turn, is reported. A node whose order was taken needs no reordering and reports nothing.
TEST_F(TransformImportTest, AMergeOntoALockedOtherRotationOrderReportsTheRefusedReordering) {
    RWyxNode* box = add(root(), "box");
    box->SetRotationOrder(0, 5);
    DescribeTake(scene_);
    const std::string path = folder_.Join("ordered.wyx");
    ASSERT_TRUE(WriteScene(factory_, scene_, path));
    const auto refusals = [] {
        int count = 0;
        const VStringArray printed = VMessageLog::linesOf(VMessageLog::kStatus);
        for (unsigned i = 0; i < printed.length(); ++i) {
            count += std::string(printed[i].asChar()).find("Cannot set the rotation order") != std::string::npos ? 1 : 0;
        }
        return count;
    };
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    VFnTransform host(hostPath("box").node());
    EXPECT_EQ(host.rotationOrder(), VTransformationMatrix::kZYX);
    EXPECT_EQ(refusals(), 0);

    ASSERT_TRUE(host.setRotationOrder(VTransformationMatrix::kXYZ, false));
    ASSERT_TRUE(host.findPlug("rotateOrder").setLocked(true));
    ASSERT_TRUE(run("WYXImportMode -v merge"));
    VMessageLog::clear();
    ASSERT_TRUE(run("WYXImport -f \"" + path + "\""));
    EXPECT_EQ(host.rotationOrder(), VTransformationMatrix::kXYZ);
    EXPECT_EQ(refusals(), 1);
}

// Rotation orders down a chain, pivots with their offsets and a post-rotation on a transform,
// joints with pre- and post-rotation, a mirror: the host composes each as the file does.
TEST_F(TransformImportTest, EveryRotationOrderPivotAndJointRotationIsTheFilesTransform) {
    RWyxNode* parent = root();
    for (int order = 0; order < 6; ++order) {
        const std::string name = "order" + std::to_string(order);
        RWyxNode* node = add(parent, name.c_str(), factory_.CreateNull());
        node->SetRotationOrder(0, order);
        node->SetPivotState(0, 0);
        node->SetDefaultTranslation(RVector4(0.0, 5.0, 1.0, 0.0));
        Turn(node, 30.0f, 60.0f, -90.0f);
        Key(Take(node)->GetTranslationXCurve(), 0.0, 0.0f);
        Key(Take(node)->GetTranslationXCurve(), 1.0, 16.0f);
        parent = node;
    }
    RWyxNode* pivots = add(root(), "pivots", factory_.CreateNull());
    pivots->SetPivotState(0, 0);
    pivots->SetRotationOrder(0, 3);
    pivots->SetRotationPivot(0, 1.0, 2.0, 3.0, 1.0);
    pivots->SetRotationOffset(0, 0.5, 0.0, 0.0, 1.0);
    pivots->SetScalingPivot(0, 0.0, 1.0, 0.0, 1.0);
    pivots->SetScalingOffset(0, 0.0, 0.0, 2.0, 1.0);
    pivots->SetPostRotation(0, 10.0, 20.0, 30.0, 1.0);
    pivots->SetDefaultScaling(RVector4(1.0, 1.5, 0.5, 0.0));
    Turn(pivots, 45.0f, 0.0f, 90.0f);
    Key(Take(pivots)->GetScalingXCurve(), 0.0, 1.0f);
    Key(Take(pivots)->GetScalingXCurve(), 1.0, 2.0f);
    RWyxNode* hip = add(root(), "hip", Joint(factory_, RWyxSkeleton::kRoot));
    hip->SetPivotState(0, 0);
    hip->SetPreRotation(0, 0.0, 0.0, 45.0, 1.0);
    hip->SetPostRotation(0, 10.0, 0.0, 0.0, 1.0);
    Turn(hip, 0.0f, 90.0f, 0.0f);
    RWyxNode* knee = add(hip, "knee", Joint(factory_, RWyxSkeleton::kLimbNode));
    knee->SetPivotState(0, 0);
    knee->SetPreRotation(0, 0.0, 30.0, 0.0, 1.0);
    knee->SetDefaultTranslation(RVector4(0.0, 10.0, 0.0, 0.0));
    Turn(knee, -60.0f, 0.0f, 15.0f);
    RWyxNode* mirror = add(knee, "mirror", factory_.CreateNull());
    mirror->SetDefaultScaling(RVector4(-1.0, 2.0, 1.0, 0.0));
    mirror->SetDefaultRotation(RVector4(0.0, 0.0, 30.0, 0.0));

    RWyxScene* read = importScene();
    ASSERT_NE(read, nullptr);
    expectWorlds(*read, Sixteenths(), 0, kExact);
    EXPECT_TRUE(hostPath("knee").hasFn(VFn::kJoint));
}

// A transform's pre-rotation, a spheric rotation and a joint turning about a pivot are
// resampled into rotations the host holds: the host gives exactly what the conversion made at
// its keys, and the file's transform within single precision.
TEST_F(TransformImportTest, ResampledRotationsAreTheFilesTransformAtTheirKeys) {
    RWyxNode* pre = add(root(), "pre", factory_.CreateNull());
    pre->SetPivotState(0, 0);
    pre->SetRotationOrder(0, 1);
    pre->SetPreRotation(0, 20.0, 0.0, 0.0, 1.0);
    pre->SetPostRotation(0, 0.0, 0.0, 15.0, 1.0);
    pre->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
    Turn(pre, 30.0f, 60.0f, -90.0f);
    RWyxNode* spheric = add(pre, "spheric", factory_.CreateNull());
    spheric->SetPivotState(0, 0);
    spheric->SetRotationOrder(0, 6);
    Turn(spheric, 10.0f, 20.0f, 40.0f);
    RWyxNode* bone = add(root(), "bone", Joint(factory_, RWyxSkeleton::kLimbNode));
    bone->SetPivotState(0, 0);
    bone->SetRotationPivot(0, 0.0, 1.0, 0.0, 1.0);
    Turn(bone, 0.0f, 0.0f, 90.0f);
    // Without an attribute below a joint: a host joint whose pre-rotation is resampled.
    RWyxNode* tip = add(bone, "tip");
    tip->SetPivotState(0, 0);
    tip->SetPreRotation(0, 0.0, 0.0, 20.0, 1.0);
    tip->SetDefaultTranslation(RVector4(0.0, 4.0, 0.0, 0.0));
    tip->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
    Turn(tip, 5.0f, 0.0f, 0.0f);

    RWyxScene* read = importScene();
    ASSERT_NE(read, nullptr);
    std::vector<double> times;
    for (int k = 0; k <= 30; ++k) times.push_back(k / 30.0);
    expectWorlds(*read, times, 0, kResampled);

    // The same conversion on the file read again: the host holds its keys as they are.
    WyxVexaImportSession quiet;
    ResampleRotation(quiet, read->GetRootNode());
    ASSERT_TRUE(read->GetRootNode()->ConvertPivotAnimation(1, 30.0, true));
    expectWorlds(*read, times, 1, kExact);

    // The limits could not be kept through the resampling: dropped, with the reason.
    EXPECT_FALSE(VFnTransform(hostPath("pre")).isLimited(VFnTransform::kRotateMinX));
    EXPECT_TRUE(hostPath("tip").hasFn(VFn::kJoint));
    EXPECT_NE(logText().find("Node  pre has to resample its rotation because it has a PreRotation.\\n"), std::string::npos)
        << logText();
}

// Each pair of bounds with its enables; inverted bounds keep the enabled one; the values reach
// the host in its own units whatever the user's.
TEST_F(TransformImportTest, LimitsKeepTheEnabledBoundInTheUsersUnits) {
    RWyxNode* limited = add(root(), "limited", factory_.CreateNull());
    RWyxNodeLimits& limits = *limited->GetLimits();
    limits.SetActive(RWyxNodeLimits::kTranslation, true);
    limits.SetMin(RWyxNodeLimits::kTranslation, RVector4(5.0, 5.0, 5.0, 0.0));
    limits.SetMax(RWyxNodeLimits::kTranslation, RVector4(2.0, 2.0, 2.0, 0.0));
    limits.SetMinSwitches(RWyxNodeLimits::kTranslation, true, false, true);
    limits.SetMaxSwitches(RWyxNodeLimits::kTranslation, false, true, true);
    limits.SetActive(RWyxNodeLimits::kRotation, true);
    limits.SetMin(RWyxNodeLimits::kRotation, RVector4(-45.0, 0.0, 0.0, 0.0));
    limits.SetMax(RWyxNodeLimits::kRotation, RVector4(30.0, 0.0, 0.0, 0.0));
    limits.SetMinSwitches(RWyxNodeLimits::kRotation, true, false, false);
    limits.SetMaxSwitches(RWyxNodeLimits::kRotation, true, false, false);
    limits.SetActive(RWyxNodeLimits::kScaling, true);
    limits.SetMin(RWyxNodeLimits::kScaling, RVector4(3.0, 1.0, 1.0, 0.0));
    limits.SetMax(RWyxNodeLimits::kScaling, RVector4(1.0, 1.0, 1.0, 0.0));
    VAngle::setUIUnit(VAngle::kRadians);
    VDistance::setUIUnit(VDistance::kMeters);
    ASSERT_NE(importScene(), nullptr);

    const VFnTransform host(hostPath("limited"));
    using T = VFnTransform;
    const struct {
        T::LimitType minimum;
        double low, high;
        bool lowOn, highOn;
    } expected[] = {
        {T::kTranslateMinX, 5.0, 5.0, true, false},  {T::kTranslateMinY, 2.0, 2.0, false, true},
        {T::kTranslateMinZ, 5.0, 2.0, true, true},   {T::kRotateMinX, -kQuarterTurn / 2.0, kQuarterTurn / 3.0, true, true},
        {T::kScaleMinX, 3.0, 3.0, false, false},
    };
    for (const auto& limit : expected) {
        const auto maximum = static_cast<T::LimitType>(limit.minimum + 1);
        EXPECT_NEAR(host.limitValue(limit.minimum), limit.low, kExact) << limit.minimum;
        EXPECT_NEAR(host.limitValue(maximum), limit.high, kExact) << limit.minimum;
        EXPECT_EQ(host.isLimited(limit.minimum), limit.lowOn) << limit.minimum;
        EXPECT_EQ(host.isLimited(maximum), limit.highOn) << limit.minimum;
    }
    // The attribute editor was taken out of the main window for the limits and put back.
    auto& preferences = vexa_host::HostPreferences::instance();
    EXPECT_EQ(preferences.optionVariables.at("aeInMainWindow").number, 1.0);
    EXPECT_TRUE(preferences.attributeEditorVisible);
    EXPECT_TRUE(preferences.channelBoxVisible);
}

// The attribute editor is handled at the first limits of an import only.
TEST_F(TransformImportTest, TheAttributeEditorIsHandledOncePerImport) {
    WyxVexaImportSession session;
    auto* first = static_cast<VexaNode*>(session.GetFactory().CreateNode("first"));
    auto* second = static_cast<VexaNode*>(session.GetFactory().CreateNode("second"));
    for (VexaNode* node : {first, second}) {
        node->GetLimits()->SetActive(RWyxNodeLimits::kScaling, true);
        makeTransform(node->GetNameWithoutPrefix().Buffer());
    }
    auto& preferences = vexa_host::HostPreferences::instance();
    preferences.attributeEditorVisible = false;
    VFnTransform firstHost(hostPath("first"));
    session.ImportLimits(firstHost, first);
    EXPECT_TRUE(preferences.attributeEditorVisible);
    preferences.attributeEditorVisible = false;
    VFnTransform secondHost(hostPath("second"));
    session.ImportLimits(secondHost, second);
    EXPECT_FALSE(preferences.attributeEditorVisible);
    // A new import asks again.
    session.SetAttributeEditorFlag(false);
    session.ImportLimits(secondHost, second);
    EXPECT_TRUE(preferences.attributeEditorVisible);
}

// The channel box is shown when the attribute editor had been hidden, and only then.
TEST_F(TransformImportTest, TheChannelBoxFollowsAHiddenAttributeEditor) {
    WyxVexaImportSession session;
    auto* node = static_cast<VexaNode*>(session.GetFactory().CreateNode("limited"));
    node->GetLimits()->SetActive(RWyxNodeLimits::kTranslation, true);
    VFnTransform host(makeTransform("limited"));
    auto& preferences = vexa_host::HostPreferences::instance();
    for (const bool editorShown : {true, false}) {
        preferences.attributeEditorVisible = editorShown;
        preferences.channelBoxVisible = false;
        session.SetAttributeEditorFlag(false);
        session.ImportLimits(host, node);
        EXPECT_EQ(preferences.channelBoxVisible, !editorShown);
        EXPECT_TRUE(preferences.attributeEditorVisible);
    }
}

// A file older than 5.8 keeps its pivots the old way: its pre- and post-rotation become the
// joint orient and the rotate axis as they are, the pivots are cleared, and only the curves
// follow; limits and the rotation order stay the host's.
TEST_F(TransformImportTest, OldPivotFilesGetTheirRotationsAndCurvesOnly) {
    TestSource().fileVersion = 5500;
    TestSource().takes = {TakeInfo()};
    TestSource().build = [](RWyxObjectFactory& factory) {
        RWyxScene* scene = factory.CreateScene();
        RWyxSkeleton* skeleton = factory.CreateSkeleton();
        skeleton->SetSkeletonType(RWyxSkeleton::kLimbNode);
        RWyxNode* bone = AddNode(factory, scene->GetRootNode(), "bone", skeleton);
        bone->SetPreRotation(0, 0.0, 0.0, 30.0, 1.0);
        bone->SetPostRotation(0, 0.0, 45.0, 0.0, 1.0);
        bone->SetRotationOrder(0, 3);
        bone->GetLimits()->SetActive(RWyxNodeLimits::kScaling, true);
        bone->GetLimits()->SetMinSwitches(RWyxNodeLimits::kScaling, true, false, false);
        Key(Take(bone)->GetTranslationXCurve(), 0.0, 1.0f);
        Key(Take(bone)->GetTranslationXCurve(), 1.0, 3.0f);
        DescribeTake(scene);
        return scene;
    };
    WyxVexaImportSession::SetFormatTable(&TestFormatTable());
    ASSERT_TRUE(run("createNode joint -n bone; setAttr bone.rotatePivotX 4; setAttr bone.scalePivotY 2"));
    ASSERT_TRUE(importFile(testFile(), 1, "Take"));

    VFnTransform bone(hostPath("bone"));
    VPoint degrees;
    GetJointOrientDegrees(bone, degrees);
    EXPECT_NEAR(degrees.z, 30.0, kExact);
    GetRotateAxisDegrees(bone, degrees);
    EXPECT_NEAR(degrees.y, 45.0, kExact);
    EXPECT_EQ(bone.rotatePivot(VSpace::kTransform).x, 0.0);
    EXPECT_EQ(bone.scalePivot(VSpace::kTransform).y, 0.0);
    EXPECT_EQ(bone.rotationOrder(), VTransformationMatrix::kXYZ);
    EXPECT_FALSE(bone.isLimited(VFnTransform::kScaleMinX));
    // The curve as the old pivots' conversion sampled it, from 1 to 3.
    const VFnAnimCurve curve(plugOf(bone.object(), "translateX"));
    ASSERT_GE(curve.numKeys(), 2u);
    EXPECT_NEAR(curve.value(0), 1.0, 1e-6);
    EXPECT_NEAR(curve.value(curve.numKeys() - 1), 3.0, 1e-6);
}

}  // namespace
