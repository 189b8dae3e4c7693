// The animation pass: the sample's animation in the host, visibility keys, lights and cameras
// animated, the camera converters, and offsets of a flat scale.

#include "tests/hostimport/TransformTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "hostimport/ValueConverter.h"

#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnSpotLight.h>
#include <vexa/VFnTransform.h>

#include <cmath>
#include <limits>

namespace {

using namespace transform_test;

constexpr double kExact = 1e-9;
constexpr double kRadiansPerDegree = 0.017453292519943295;

using AnimationImportTest = WyxFileImportTest;

VFnAnimCurve CurveOn(const char* node, const char* attribute) {
    VDagPath path;
    EXPECT_TRUE(FindDagPathByName(node, path)) << node;
    VStatus status;
    VFnDependencyNode fn(path.node());
    if (!fn.hasAttribute(attribute)) fn.setObject(path.child(0));
    VFnAnimCurve curve(fn.findPlug(attribute), &status);
    EXPECT_TRUE(status) << node << "." << attribute;
    return curve;
}

TEST_F(AnimationImportTest, TheSamplesTransformsAndAnimationShowInTheDump) {
    ASSERT_TRUE(run("WYXImport -f \"" WYX_SOURCE_DIR "/samples/character.wyx\""));
    const std::string scene = dump();
    for (const char* line :
         {"node animCurveTL Hips_translateY\n  keys 3\n    key 0 0 in smooth", "    key 0.5 1.5 in smooth",
          "node animCurveTA Spine_rotateZ\n  keys 2\n    key 0 -0.174533 ", "    key 1 0.174533 ",
          "connect Spine_rotateZ.output -> |Character|Hips|Spine.rotateZ\n",
          "connect Camera_translateZ.output -> |Camera.translateZ\n", "node transform |Light\n"}) {
        EXPECT_NE(scene.find(line), std::string::npos) << line << scene;
    }
    VFnTransform light(hostPath("Light"));
    EXPECT_EQ(light.translation(VSpace::kTransform).y, 50.0);
}

// Visibility keys become 0 or 1 held until the next key: above 1e-5 is visible.
TEST_F(AnimationImportTest, VisibilityKeysAreHeldNoneOrAll) {
    RWyxNode* seen = add(root(), "seen");
    RFCurve* visibility = Take(seen)->GetVisibilityCurve();
    Key(visibility, 0.0, 1e-5f, RCurveKey::Cubic, RCurveKey::Auto);
    Key(visibility, 1.0, 0.5f, RCurveKey::Cubic, RCurveKey::Auto);
    Key(visibility, 2.0, 0.0f);
    RWyxNode* hidden = add(root(), "hidden");
    hidden->SetVisibility(false);
    ASSERT_NE(importScene(), nullptr);

    const VFnAnimCurve curve = CurveOn("seen", "visibility");
    ASSERT_EQ(curve.numKeys(), 3u);
    EXPECT_EQ(curve.value(0), 0.0);
    EXPECT_EQ(curve.value(1), 1.0);
    EXPECT_EQ(curve.value(2), 0.0);
    EXPECT_EQ(curve.outTangentType(0), VFnAnimCurve::kTangentStep);
    EXPECT_EQ(curve.evaluate(VTime(1.9, VTime::kSeconds)), 1.0);
    EXPECT_FALSE(plugOf(hostPath("hidden").node(), "visibility").asBool());
}

// A spot light without target: colour, intensity (percent) and cone angle (degrees) animated,
// pointing where the file's light points.
TEST_F(AnimationImportTest, ALightsColourIntensityAndConeAngleAreAnimated) {
    RWyxLight* light = factory_.CreateLight();
    light->SetLightType(RWyxLight::kSpot);
    light->SetDefaultIntensity(80.0);
    light->SetDefaultConeAngle(40.0);
    RWyxNode* node = add(root(), "spot", light);
    node->SetDefaultRotation(RVector4(30.0, 40.0, 0.0, 0.0));
    RWyxTakeNode* take = Take(node);
    Key(take->GetColorXCurve(), 0.0, 0.25f);
    Key(take->GetColorXCurve(), 1.0, 0.75f);
    Key(take->GetColorZCurve(), 0.0, 0.5f);
    Key(take->GetIntensityCurve(), 0.0, 50.0f);
    Key(take->GetIntensityCurve(), 1.0, 150.0f);
    Key(take->GetConeAngleCurve(), 0.0, 30.0f);
    Key(take->GetConeAngleCurve(), 1.0, 60.0f);
    RWyxScene* read = importScene();
    ASSERT_NE(read, nullptr);

    EXPECT_NEAR(CurveOn("spot", "colorR").value(1), 0.75, kExact);
    EXPECT_NEAR(CurveOn("spot", "colorB").value(0), 0.5, kExact);
    EXPECT_NEAR(CurveOn("spot", "intensity").value(0), 0.5, kExact);
    EXPECT_NEAR(CurveOn("spot", "intensity").value(1), 1.5, kExact);
    EXPECT_NEAR(CurveOn("spot", "coneAngle").value(1), 60.0 * kRadiansPerDegree, kExact);
    // The host's light shines down its -Z axis, the file's down its -Y axis.
    RWyxNode* file = read->GetRootNode()->FindChild("spot", false, false);
    const RMatrix host = hostWorld("spot", 0.0);
    const RMatrix expected = GlobalMatrix(*file, Seconds(0.0), 0);
    for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(host[2][axis], expected[1][axis], kExact) << axis;
}

// The field of view becomes the focal length, its user slopes converted as slopes; a view of
// 180 degrees or more keeps a positive, finite focal length.
TEST_F(AnimationImportTest, ACamerasFieldOfViewBecomesItsFocalLength) {
    RWyxCamera* camera = factory_.CreateCamera();
    camera->SetApertureMode(1);
    camera->SetApertureWidth(1.5);
    camera->SetSqueezeRatio(1.25);
    RWyxNode* node = add(root(), "lens", camera);
    RFCurve* view = Take(node)->GetFieldOfViewCurve();
    Key(view, 0.0, 40.0f, RCurveKey::Cubic, RCurveKey::User);
    Key(view, 1.0, 200.0f, RCurveKey::Cubic, RCurveKey::User);
    Key(view, 2.0, 60.0f, RCurveKey::Cubic, RCurveKey::User);
    for (int k = 0; k < 3; ++k) Slope(view, k, 10.0);
    ASSERT_NE(importScene(), nullptr);

    CameraFilm film;
    film.widthMillimetres = 1.5 * 25.4;
    film.squeezeRatio = 1.25;
    const FieldOfViewToFocalLength converter(film);
    const VFnAnimCurve focal = CurveOn("lens", "focalLength");
    ASSERT_EQ(focal.numKeys(), 3u);
    EXPECT_NEAR(focal.value(0), converter.Convert(40.0), 1e-4);
    EXPECT_GT(focal.value(1), 0.0);
    EXPECT_TRUE(std::isfinite(focal.value(1)));
    double x = 0.0;
    double y = 0.0;
    ASSERT_TRUE(focal.getTangent(0, x, y, false));
    EXPECT_NEAR(y / x, converter.Derivative(40.0) * 10.0, 1e-3);
    ASSERT_TRUE(focal.getTangent(2, x, y, true));
    EXPECT_NEAR(y / x, converter.Derivative(60.0) * 10.0, 1e-3);
    EXPECT_LT(y / x, 0.0);  // a wider view is a shorter lens
}

// A still camera gets its film, planes and the focal length of its field of view.
TEST_F(AnimationImportTest, AStillCameraGetsItsFilmAndLens) {
    RWyxCamera* camera = factory_.CreateCamera();
    camera->SetApertureMode(RWyxCamera::kApertureHorizontalAndVertical);
    camera->SetApertureWidth(1.2);
    camera->SetApertureHeight(0.8);
    camera->SetSqueezeRatio(1.5);
    camera->SetFocalLength(42.0);
    camera->SetFocusDistance(7.0);
    add(root(), "still", camera);
    ASSERT_NE(importScene(), nullptr);

    const VFnCamera host(hostPath("still").child(0));
    EXPECT_EQ(host.filmFit(), VFnCamera::kFillFilmFit);
    EXPECT_NEAR(host.horizontalFilmAperture(), 1.2, kExact);
    EXPECT_NEAR(host.verticalFilmAperture(), 0.8, kExact);
    EXPECT_NEAR(host.lensSqueezeRatio(), 1.5, kExact);
    EXPECT_NEAR(host.focusDistance(), 7.0, kExact);
    EXPECT_NEAR(host.focalLength(), 42.0, 1e-4);
}

// A camera with a target in its file group: the roll turns the host rig the other way, in
// radians, and the group's curves move the rig.
TEST_F(AnimationImportTest, ACamerasRollTurnsItsRigAndItsGroupMovesIt) {
    RWyxNode* group = add(root(), "rig_group");
    RWyxNode* camera = add(group, "rig", factory_.CreateCamera());
    RWyxNode* aim = add(group, "rig_aim");
    camera->SetTarget(aim);
    Key(Take(camera)->GetRollCurve(), 0.0, 10.0f);
    Key(Take(camera)->GetRollCurve(), 1.0, 40.0f);
    Take(camera)->GetRollCurve()->SetDefaultValue(10.0f);
    Key(Take(group)->GetTranslationXCurve(), 0.0, 0.0f);
    Key(Take(group)->GetTranslationXCurve(), 1.0, 10.0f);
    RWyxNode* stillGroup = add(root(), "still_group");
    RWyxNode* still = add(stillGroup, "still", factory_.CreateCamera());
    still->SetTarget(add(stillGroup, "still_aim"));
    Take(still)->GetRollCurve()->SetDefaultValue(15.0f);
    ASSERT_NE(importScene(), nullptr);

    const VDagPath lens = hostPath("rig");
    const VObject hostRig = VFnDagNode(lens.node()).parent(0);
    ASSERT_TRUE(hostRig.hasFn(VFn::kLookAt));
    const VFnDependencyNode rigNode(hostRig);
    const VFnAnimCurve twist(rigNode.findPlug("twist"));
    ASSERT_EQ(twist.numKeys(), 2u);
    EXPECT_NEAR(twist.value(0), -10.0 * kRadiansPerDegree, kExact);
    EXPECT_NEAR(twist.value(1), -40.0 * kRadiansPerDegree, kExact);
    const VFnAnimCurve moved(rigNode.findPlug("translateX"));
    ASSERT_EQ(moved.numKeys(), 2u);
    EXPECT_NEAR(moved.value(1), 10.0, kExact);
    // Without roll keys the rig holds the roll's value.
    double twisted = 0.0;
    ASSERT_TRUE(VFnDependencyNode(VFnDagNode(hostPath("still").node()).parent(0)).findPlug("twist").getValue(twisted));
    EXPECT_NEAR(twisted, -15.0 * kRadiansPerDegree, kExact);
}

// A light whose current take is its default take gets only its static values.
TEST_F(AnimationImportTest, ALightWithoutAnimationGetsItsValues) {
    RWyxLight* light = factory_.CreateLight();
    light->SetLightType(RWyxLight::kSpot);
    light->SetDefaultIntensity(80.0);
    light->SetDefaultConeAngle(40.0);
    add(root(), "still", light);
    ASSERT_NE(importScene(), nullptr);

    const VObject shape = hostPath("still").child(0);
    const VFnSpotLight spot(shape);
    EXPECT_NEAR(spot.intensity(), 0.8, 1e-6);
    EXPECT_NEAR(spot.coneAngle(), 40.0 * kRadiansPerDegree, 1e-6);
    VStatus status;
    const VFnAnimCurve none(VFnDependencyNode(shape).findPlug("intensity"), &status);
    EXPECT_EQ(status, VStatus::kNotFound);
}

TEST(ValueConverterTest, FieldOfViewAndFocalLengthConvertBothWays) {
    CameraFilm film;
    film.widthMillimetres = 36.0;
    film.heightMillimetres = 24.0;
    film.squeezeRatio = 2.0;
    film.apertureMode = 1;
    const FieldOfViewToFocalLength toFocal(film);
    const FocalLengthToFieldOfView toView(film);
    EXPECT_EQ(toFocal.Convert(0.0), 0.0);
    EXPECT_NEAR(toFocal.Convert(90.0), 36.0, kExact);  // half of the squeezed width
    EXPECT_NEAR(toView.Convert(toFocal.Convert(50.0)), 50.0, kExact);
    for (const double wide : {180.0, 250.0, std::numeric_limits<double>::infinity()}) {
        EXPECT_GT(toFocal.Convert(wide), 0.0) << wide;
        EXPECT_TRUE(std::isfinite(toFocal.Convert(wide))) << wide;
    }
    EXPECT_EQ(toFocal.Convert(-10.0), 0.0);
    // The rate is the slope of the conversion.
    const double step = 1e-6;
    EXPECT_NEAR(toFocal.Derivative(50.0), (toFocal.Convert(50.0 + step) - toFocal.Convert(50.0 - step)) / (2 * step), 1e-4);
    EXPECT_NEAR(toView.Derivative(30.0), (toView.Convert(30.0 + step) - toView.Convert(30.0 - step)) / (2 * step), 1e-4);
    EXPECT_EQ(toFocal.Derivative(200.0), 0.0);
    // The vertical mode measures the height, without the squeeze.
    film.apertureMode = 2;
    EXPECT_NEAR(FieldOfViewToFocalLength(film).Convert(90.0), 12.0, kExact);
    EXPECT_EQ(FieldOfViewToFocalLength(film).Convert(std::int32_t{90}), 12);
    EXPECT_EQ(ValueConverter().Convert(2.5), 2.5);
}

// A flat scale leaves the node's offset finite.
TEST_F(AnimationImportTest, AFlatScaleKeepsTheOffsetFinite) {
    WyxVexaImportSession session;
    auto* node = static_cast<VexaNode*>(session.GetFactory().CreateNode("flat"));
    node->SetDefaultScaling(RVector4(0.0, 2.0, 1.0, 0.0));
    node->SetDefaultRotation(RVector4(10.0, 20.0, 30.0, 0.0));
    VFnTransform host(makeTransform("flat"));
    session.ImportTransformValues(node, host);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_TRUE(std::isfinite(node->GetOffsetRotation()[axis])) << axis;
        EXPECT_TRUE(std::isfinite(node->GetOffsetTranslation()[axis])) << axis;
    }
    EXPECT_EQ(node->GetOffsetScaling()[0], 0.0);
    EXPECT_NEAR(std::fabs(node->GetOffsetScaling()[1]), 2.0, kExact);
}

// A node's offset is its own transform followed by its parent's offset.
TEST_F(AnimationImportTest, AnOffsetFollowsItsParentsOffset) {
    WyxVexaImportSession session;
    auto* parent = static_cast<VexaNode*>(session.GetFactory().CreateNode("parent"));
    auto* child = static_cast<VexaNode*>(session.GetFactory().CreateNode("child"));
    parent->AddChild(child);
    parent->SetDefaultTranslation(RVector4(10.0, 0.0, 0.0, 0.0));
    parent->SetDefaultRotation(RVector4(0.0, 0.0, 90.0, 0.0));
    parent->SetDefaultScaling(RVector4(2.0, 2.0, 2.0, 0.0));
    child->SetDefaultTranslation(RVector4(1.0, 0.0, 0.0, 0.0));
    child->SetDefaultRotation(RVector4(0.0, 0.0, 30.0, 0.0));
    VFnTransform parentHost(makeTransform("parent"));
    VFnTransform childHost(makeTransform("child"));
    session.ImportTransformValues(parent, parentHost);
    session.ImportTransformValues(child, childHost);
    const double* translation = child->GetOffsetTranslation();
    EXPECT_NEAR(translation[0], 10.0, kExact);
    EXPECT_NEAR(translation[1], 2.0, kExact);
    EXPECT_NEAR(translation[2], 0.0, kExact);
    EXPECT_NEAR(child->GetOffsetRotation()[2], 120.0, kExact);
    EXPECT_NEAR(child->GetOffsetScaling()[0], 2.0, kExact);
}

}  // namespace
