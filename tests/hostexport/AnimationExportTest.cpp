// The animation pass and rotation baking: transform curves into "Take 001" and read back from
// the file, rest values, pivots, limits, rotation order, pre- and post-rotation, visibility;
// lights and cameras with their channels; offsets that rebuild the host's global matrices.

#include "tests/hostexport/DeformExportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "core/EulerAngles.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VFnCamera.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnLight.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnSpotLight.h>
#include <vexa/VFnTransform.h>

namespace {

constexpr double kDegrees = 57.29577951308232;
constexpr double kPi = 3.141592653589793;

RFCurve* channel(RWyxTakeNode* take, RWyxTakeNode::Channel which) {
    return take != nullptr ? take->GetChannelCurve(which) : nullptr;
}

class AnimationExportTest : public AnimatedSessionTest {
protected:
    // A camera whose transform has the name; answers its shape's name.
    static std::string makeCamera(const char* name) {
        const std::string names = script(std::string("camera -n ") + name);
        return names.substr(names.find(' ') + 1);
    }
};

TEST_F(AnimationExportTest, KeyedChannelsGoIntoTake001AndTheRestValuesIntoBothTakes) {
    script("createNode transform -n mover; createNode transform -n still; setAttr still.translateY 4");
    script("setAttr still.rotateX 30; setAttr still.scaleZ 2");
    keyPlug("mover", "translateX", {{0.0, 1.0}, {1.0, 3.0}});
    keyPlug("mover", "rotateY", {{0.0, 0.0}, {0.5, kPi / 2.0}});
    const std::string path = file("moves.wyx");
    ASSERT_TRUE(exportTo(path));
    ReadBack back(path);
    ASSERT_TRUE(back.Read()) << back.Error();
    RWyxNode* mover = back.Node("mover");
    ASSERT_NE(mover, nullptr);
    ASSERT_TRUE(mover->SetCurrentTakeNodeByName("Take 001"));
    RFCurve* translation = channel(mover->GetCurrentTakeNode(), RWyxTakeNode::TranslationX);
    RFCurve* rotation = channel(mover->GetCurrentTakeNode(), RWyxTakeNode::RotationY);
    ASSERT_NE(translation, nullptr);
    ASSERT_NE(rotation, nullptr);
    ASSERT_EQ(translation->GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(translation->GetKey(1).GetValue(), 3.0f);
    ASSERT_EQ(rotation->GetKeyCount(), 2);
    EXPECT_NEAR(rotation->GetKey(1).GetValue(), 90.0, 1e-4);
    EXPECT_NEAR(rotation->GetKey(1).GetTime().ToSeconds(), 0.5, 1e-9);

    animate();
    EXPECT_NE(take("mover"), nullptr);
    EXPECT_EQ(take("still"), nullptr) << "a node without keys gets no Take 001";
    EXPECT_FLOAT_EQ(channel(take("still", "Default"), RWyxTakeNode::TranslationY)->GetDefaultValue(), 4.0f);
    EXPECT_NEAR(channel(take("still", "Default"), RWyxTakeNode::RotationX)->GetDefaultValue(), 30.0, 1e-4);
    EXPECT_FLOAT_EQ(channel(take("still", "Default"), RWyxTakeNode::ScalingZ)->GetDefaultValue(), 2.0f);
    EXPECT_FLOAT_EQ(channel(take("mover"), RWyxTakeNode::ScalingZ)->GetDefaultValue(), 1.0f);
}

TEST_F(AnimationExportTest, PivotsLimitsRotationOrderAndTheHostsExtraRotations) {
    script("createNode transform -n pivoted");
    VFnTransform transform(hostNode("pivoted"));
    ASSERT_TRUE(transform.setRotatePivot(VPoint(1.0, 2.0, 3.0), VSpace::kTransform, false));
    ASSERT_TRUE(transform.setScalePivot(VPoint(-1.0, 0.5, 0.0), VSpace::kTransform, false));
    ASSERT_TRUE(transform.setRotationOrder(VTransformationMatrix::kYZX, false));
    ASSERT_TRUE(transform.setLimit(VFnTransform::kRotateMinZ, -0.5));
    ASSERT_TRUE(transform.enableLimit(VFnTransform::kRotateMinZ, true));
    ASSERT_TRUE(transform.setLimit(VFnTransform::kTranslateMaxX, 2.0));
    ASSERT_TRUE(transform.enableLimit(VFnTransform::kTranslateMaxX, true));
    script("setAttr pivoted.rotateAxisY 90");
    VFnIkJoint joint;
    joint.create();
    joint.setName("bone");
    script("setAttr bone.jointOrientX 30");
    animate();
    RWyxNode* pivoted = node("pivoted");
    ASSERT_NE(pivoted, nullptr);
    EXPECT_TRUE(*pivoted->GetRotationPivot(0) == RVector4(1.0, 2.0, 3.0, 1.0));
    EXPECT_TRUE(*pivoted->GetScalingPivot(0) == RVector4(-1.0, 0.5, 0.0, 1.0));
    int order = -1;
    EXPECT_EQ(pivoted->GetRotationOrder(0, order), 2) << "yzx";
    int state = -1;
    EXPECT_EQ(pivoted->GetPivotState(0, state), 0);
    EXPECT_TRUE(*pivoted->GetPostRotation(0) == RVector4(0.0, -90.0, 0.0, 1.0));
    EXPECT_TRUE(*pivoted->GetPreRotation(0) == RVector4(0.0, 0.0, 0.0, 1.0));
    RWyxNodeLimits* limits = pivoted->GetLimits();
    RVector4 value;
    EXPECT_TRUE(limits->GetMinSwitch(RWyxNodeLimits::kRotation, 2));
    EXPECT_FALSE(limits->GetMinSwitch(RWyxNodeLimits::kRotation, 0));
    EXPECT_NEAR(limits->GetMin(RWyxNodeLimits::kRotation, value).z, -0.5 * kDegrees, 1e-9);
    EXPECT_TRUE(limits->GetMaxSwitch(RWyxNodeLimits::kTranslation, 0));
    EXPECT_DOUBLE_EQ(limits->GetMax(RWyxNodeLimits::kTranslation, value).x, 2.0);
    EXPECT_TRUE(limits->GetActive(RWyxNodeLimits::kTranslation));
    EXPECT_FALSE(limits->GetMaxSwitch(RWyxNodeLimits::kScaling, 0));
    ASSERT_NE(node("bone"), nullptr);
    EXPECT_TRUE(*node("bone")->GetPreRotation(0) == RVector4(30.0, 0.0, 0.0, 1.0));
}

TEST_F(AnimationExportTest, EveryHostRotationOrderHasItsSdkOrder) {
    const std::pair<VTransformationMatrix::RotationOrder, int> orders[] = {
        {VTransformationMatrix::kXYZ, 0}, {VTransformationMatrix::kYZX, 2}, {VTransformationMatrix::kZXY, 4},
        {VTransformationMatrix::kXZY, 1}, {VTransformationMatrix::kYXZ, 3}, {VTransformationMatrix::kZYX, 5}};
    for (const auto& order : orders) {
        const std::string name = "ordered" + std::to_string(order.first);
        script("createNode transform -n " + name);
        ASSERT_TRUE(VFnTransform(hostNode(name.c_str())).setRotationOrder(order.first, false));
    }
    animate();
    for (const auto& order : orders) {
        int sdk = -1;
        EXPECT_EQ(node(("ordered" + std::to_string(order.first)).c_str())->GetRotationOrder(0, sdk), order.second)
            << order.first;
    }
}

TEST_F(AnimationExportTest, VisibilityFollowsTheTransformAndItsKeys) {
    makeCube("hidden");
    makeCube("blinking");
    script("setAttr hidden.visibility 0");
    EXPECT_FALSE(GetHostVisibility(hostPath("hiddenShape"))) << "a visible shape under a hidden transform";
    EXPECT_TRUE(GetHostVisibility(hostPath("blinkingShape")));
    keyPlug("blinking", "visibility", {{0.0, 1.0}, {0.5, 0.0}, {1.0, 1.0}}, VFnAnimCurve::kTangentStep);
    animate();
    RFCurve* visibility = channel(take("blinking"), RWyxTakeNode::Visibility);
    ASSERT_NE(visibility, nullptr);
    ASSERT_EQ(visibility->GetKeyCount(), 3);
    RTime between;
    between.FromSeconds(0.75);
    EXPECT_FLOAT_EQ(visibility->EvaluateAt(between), 0.0f) << "a step holds its own value";
    EXPECT_FALSE(node("hidden")->GetVisibility());
}

TEST_F(AnimationExportTest, KeyedCustomAttributesGetTheirCurvesInTake001) {
    script("createNode transform -n props");
    VFnDependencyNode host(hostNode("props"));
    VFnNumericAttribute power;
    ASSERT_TRUE(host.addAttribute(power.create("power", "pw", VFnNumericAttribute::kDouble)));
    VFnNumericAttribute still;
    ASSERT_TRUE(host.addAttribute(still.create("still", "st", VFnNumericAttribute::kDouble)));
    keyPlug("props", "pw", {{0.0, 1.0}, {0.5, 4.0}, {1.0, 2.0}});
    animate();
    RWyxTakeNode* animated = take("props");
    ASSERT_NE(animated, nullptr);
    RFCurveNode* channel = animated->GetRootCurveNode()->FindByPath("pw");
    ASSERT_NE(channel, nullptr);
    ASSERT_NE(channel->GetCurve(), nullptr);
    ASSERT_EQ(channel->GetCurve()->GetKeyCount(), 3);
    EXPECT_FLOAT_EQ(channel->GetCurve()->GetKey(1).GetValue(), 4.0f);
    RFCurveNode* unkeyed = animated->GetRootCurveNode()->FindByPath("st");
    ASSERT_NE(unkeyed, nullptr);
    EXPECT_TRUE(unkeyed->GetCurve() == nullptr || unkeyed->GetCurve()->GetKeyCount() == 0);
}

TEST_F(AnimationExportTest, FilmFitsChooseTheApertureMode) {
    const struct {
        VFnCamera::FilmFit fit;
        double width;
        int mode;
    } cases[] = {{VFnCamera::kFillFilmFit, 1.0, RWyxCamera::kApertureHorizontal},
                 {VFnCamera::kFillFilmFit, 2.0, RWyxCamera::kApertureVertical},
                 {VFnCamera::kOverscanFilmFit, 2.0, RWyxCamera::kApertureHorizontal},
                 {VFnCamera::kOverscanFilmFit, 1.0, RWyxCamera::kApertureVertical},
                 {VFnCamera::kVerticalFilmFit, 2.0, RWyxCamera::kApertureVertical}};
    int n = 0;
    for (const auto& c : cases) {
        const std::string name = "fit" + std::to_string(n++);
        makeCamera(name.c_str());
        VFnCamera camera(hostPath(name.c_str()));
        ASSERT_TRUE(camera.setVerticalFilmAperture(1.0));
        ASSERT_TRUE(camera.setHorizontalFilmAperture(c.width));
        ASSERT_TRUE(camera.setFilmFit(c.fit));
    }
    const bool negativeNear =
        static_cast<bool>((makeCamera("near"), VFnCamera(hostPath("near")).setNearClippingPlane(-1.0)));
    animate();
    for (int i = 0; i < n; ++i) {
        const std::string name = "fit" + std::to_string(i);
        EXPECT_EQ(node(name.c_str())->GetCamera()->GetApertureMode(), cases[i].mode) << name;
    }
    if (negativeNear) {
        EXPECT_DOUBLE_EQ(node("near")->GetCamera()->GetNearPlane(), 0.01);
    }
}

TEST_F(AnimationExportTest, LightsGiveColourIntensityAndConeWithTheirKeys) {
    script("createNode transform -n lamp; createNode spotLight -n lampShape -p lamp");
    script("createNode transform -n bulb; createNode pointLight -n bulbShape -p bulb");
    script("createNode transform -n panel; createNode areaLight -n panelShape -p panel");
    script("createNode transform -n glow; createNode ambientLight -n glowShape -p glow");
    VFnSpotLight spot(hostNode("lampShape"));
    ASSERT_TRUE(spot.setConeAngle(kPi / 4.0));
    ASSERT_TRUE(spot.setColor(VColor(0.25f, 0.5f, 0.75f)));
    ASSERT_TRUE(spot.setIntensity(0.5f));
    keyPlug("lampShape", "coneAngle", {{0.0, kPi / 4.0}, {1.0, kPi / 2.0}});
    keyPlug("bulbShape", "intensity", {{0.0, 1.0}, {1.0, 2.0}});
    keyPlug("panelShape", "colorG", {{0.0, 0.0}, {1.0, 1.0}});
    animate();
    const RWyxLight* lamp = node("lamp")->GetLight();
    ASSERT_NE(lamp, nullptr);
    EXPECT_NEAR(lamp->GetDefaultConeAngle(), 45.0, 1e-4);
    EXPECT_NEAR(lamp->GetDefaultIntensity(), 50.0, 1e-4);
    EXPECT_TRUE(lamp->GetDefaultColor() == RVector4(0.25, 0.5, 0.75, 1.0));
    RFCurve* cone = channel(take("lamp"), RWyxTakeNode::ConeAngle);
    ASSERT_NE(cone, nullptr);
    ASSERT_EQ(cone->GetKeyCount(), 2);
    EXPECT_NEAR(cone->GetKey(1).GetValue(), 90.0, 1e-4);
    RFCurve* intensity = channel(take("bulb"), RWyxTakeNode::Intensity);
    ASSERT_NE(intensity, nullptr);
    EXPECT_NEAR(intensity->GetKey(1).GetValue(), 200.0, 1e-4);
    EXPECT_EQ(channel(take("bulb"), RWyxTakeNode::ColorX)->GetKeyCount(), 0);
    RFCurve* green = channel(take("panel"), RWyxTakeNode::ColorY);
    ASSERT_NE(green, nullptr);
    EXPECT_EQ(green->GetKeyCount(), 2);
    ASSERT_NE(node("glow"), nullptr);
    EXPECT_EQ(node("glow")->GetLight(), nullptr);
    EXPECT_EQ(take("glow"), nullptr);
    // The import turns a light's post-rotation a quarter turn about X: every light the file
    // carries gets that turn back, spot and point lights alike.
    EXPECT_TRUE(*node("lamp")->GetPostRotation(0) == RVector4(-90.0, 0.0, 0.0, 1.0));
    EXPECT_TRUE(*node("bulb")->GetPostRotation(0) == RVector4(-90.0, 0.0, 0.0, 1.0));
    EXPECT_TRUE(*node("glow")->GetPostRotation(0) == RVector4(0.0, 0.0, 0.0, 1.0)) << "no light in the file";
}

TEST_F(AnimationExportTest, CameraPlanesFilmAndFieldOfViewCurves) {
    const std::string shape = makeCamera("eye");
    VFnCamera camera(hostNode(shape.c_str()));
    ASSERT_TRUE(camera.setFarClippingPlane(0.5));
    ASSERT_TRUE(camera.setNearClippingPlane(0.1));
    ASSERT_TRUE(camera.setHorizontalFilmAperture(1.5));
    ASSERT_TRUE(camera.setVerticalFilmAperture(1.0));
    ASSERT_TRUE(camera.setFilmFit(VFnCamera::kHorizontalFilmFit));
    ASSERT_TRUE(camera.setFocalLength(35.0));
    // A flat tangent is a slope of 0 in either unit: it stays flat.
    keyPlug(shape.c_str(), "focalLength", {{0.0, 35.0}, {1.0, 50.0}, {2.0, 35.0}}, VFnAnimCurve::kTangentFlat);
    animate();
    RWyxNode* eye = node("eye");
    ASSERT_NE(eye, nullptr);
    const RWyxCamera* attribute = eye->GetCamera();
    ASSERT_NE(attribute, nullptr);
    EXPECT_DOUBLE_EQ(attribute->GetFarPlane(), 0.5) << "the far plane keeps its fraction";
    EXPECT_DOUBLE_EQ(attribute->GetNearPlane(), 0.1);
    EXPECT_EQ(attribute->GetApertureMode(), RWyxCamera::kApertureHorizontal);
    EXPECT_DOUBLE_EQ(attribute->GetApertureWidth(), 1.5);
    EXPECT_DOUBLE_EQ(attribute->GetFocalLength(), 35.0);
    EXPECT_TRUE(attribute->GetInterestPosition() == RVector4(0.0, 0.0, -1.0, 1.0));
    RFCurve* fieldOfView = channel(take("eye"), RWyxTakeNode::FieldOfView);
    ASSERT_NE(fieldOfView, nullptr);
    ASSERT_EQ(fieldOfView->GetKeyCount(), 3);
    const double film = 1.5 * 25.4;
    EXPECT_NEAR(fieldOfView->GetKey(1).GetValue(), 2.0 * std::atan(film / 100.0) * kDegrees, 1e-3);
    EXPECT_NEAR(fieldOfView->GetRightDerivative(1), 0.0, 1e-9);
    EXPECT_NEAR(fieldOfView->GetLeftDerivative(1), 0.0, 1e-9);
    EXPECT_EQ(channel(take("eye"), RWyxTakeNode::FieldOfViewX)->GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(channel(take("eye", "Default"), RWyxTakeNode::ScalingX)->GetDefaultValue(), 1.0f);
    EXPECT_TRUE(*eye->GetPostRotation(0) == RVector4(0.0, -90.0, 0.0, 1.0)) << "the import's quarter turn taken back";
}

TEST_F(AnimationExportTest, FieldOfViewSlopesFollowTheLensFormulasDerivative) {
    const std::string shape = makeCamera("lens");
    VFnCamera camera(hostNode(shape.c_str()));
    ASSERT_TRUE(camera.setVerticalFilmAperture(0.5));
    ASSERT_TRUE(camera.setHorizontalFilmAperture(1.0));
    ASSERT_TRUE(camera.setFilmFit(VFnCamera::kFillFilmFit));
    ASSERT_TRUE(camera.setNearClippingPlane(0.1));
    VFnAnimCurve focal = keyPlug(shape.c_str(), "focalLength", {{0.0, 20.0}, {1.0, 40.0}}, VFnAnimCurve::kTangentFixed);
    // 30 millimetres a second out of the first key.
    ASSERT_TRUE(focal.setTangent(0, 1.0, 30.0, false, nullptr, false));
    animate();
    const RWyxCamera* attribute = node("lens")->GetCamera();
    EXPECT_EQ(attribute->GetApertureMode(), RWyxCamera::kApertureVertical) << "fill with a wide film";
    RFCurve* fieldOfView = channel(take("lens"), RWyxTakeNode::FieldOfView);
    ASSERT_NE(fieldOfView, nullptr);
    const double film = 0.5 * 25.4;
    for (int k = 0; k < 2; ++k) {
        const double f = focal.value(static_cast<unsigned>(k));
        EXPECT_NEAR(fieldOfView->GetKey(k).GetValue(), 2.0 * std::atan(film / (2.0 * f)) * kDegrees, 1e-3);
    }
    // d(fov)/dt = d(fov)/df x df/dt at the key.
    const double perMillimetre = -film / (20.0 * 20.0 + film * film / 4.0) * kDegrees;
    EXPECT_NEAR(fieldOfView->GetRightDerivative(0), 30.0 * perMillimetre, 1e-3);
}

TEST_F(AnimationExportTest, AnAimedCameraTakesItsTargetsAndItsTwistAsRoll) {
    script("camera -n shot; cameraMakeNode 3 shot");
    script("setAttr shot_group.twist 0.5");
    keyPlug("shot_group", "twist", {{0.0, 0.5}, {1.0, 1.0}});
    keyPlug("shot", "rotateY", {{0.0, 0.0}, {1.0, 1.0}});
    animate();
    RWyxNode* shot = node("shot");
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->GetTarget(), node("shot_aim"));
    EXPECT_EQ(shot->GetTargetUp(), node("shot_up"));
    EXPECT_NEAR(shot->GetCamera()->GetDefaultRoll(), -0.5 * kDegrees, 1e-4);
    RFCurve* roll = channel(take("shot"), RWyxTakeNode::Roll);
    ASSERT_NE(roll, nullptr);
    ASSERT_EQ(roll->GetKeyCount(), 2);
    EXPECT_NEAR(roll->GetKey(1).GetValue(), -kDegrees, 1e-3);
    RFCurve* rotation = channel(take("shot"), RWyxTakeNode::RotationY);
    EXPECT_EQ(rotation->GetKeyCount(), 0) << "a camera with a target turns by it";
    EXPECT_FLOAT_EQ(rotation->GetDefaultValue(), 0.0f);
    EXPECT_EQ(channel(take("shot"), RWyxTakeNode::ScalingY)->GetKeyCount(), 0);
}

// ---- rotation baking ---------------------------------------------------------------------------------

RMatrix OffsetMatrix(RWyxNode* node) {
    auto* vexa = static_cast<VexaNode*>(node);
    const auto triple = [](const double* v) { return RVector4(v[0], v[1], v[2], 0.0); };
    RMatrix matrix;
    MatrixFromTRS(matrix, triple(vexa->GetOffsetTranslation()), triple(vexa->GetOffsetRotation()),
                  triple(vexa->GetOffsetScaling()), 0);
    return matrix;
}

TEST_F(AnimationExportTest, BakedOffsetsRebuildTheHostsGlobalMatrices) {
    script("createNode transform -n top; setAttr top.scaleX 2; setAttr top.scaleY 2; setAttr top.scaleZ 2");
    script("setAttr top.rotateAxisZ 30; setAttr top.rotateX 0.3; setAttr top.translateY 1");
    VFnIkJoint joint;
    joint.create(hostNode("top"));
    joint.setName("arm");
    script("setAttr arm.jointOrientY 45; setAttr arm.rotateZ 0.2; setAttr arm.translateX 3");
    ASSERT_TRUE(VFnTransform(hostNode("arm")).setRotatePivot(VPoint(0.5, 0.0, 0.0), VSpace::kTransform, false));
    script("createNode transform -n flat -p arm; setAttr flat.scaleY 0");
    script("createNode transform -n mirror; setAttr mirror.scaleX -1");
    script("createNode transform -n lamp; createNode spotLight -n lampShape -p lamp");
    makeCamera("cam");
    animate();
    BakeOffsetTransforms(root());
    for (const char* name : {"top", "arm", "mirror"}) {
        EXPECT_TRUE(matricesNear(OffsetMatrix(node(name)), toMatrix(hostPath(name).inclusiveMatrix()), 1e-9)) << name;
    }
    const double* flat = static_cast<VexaNode*>(node("flat"))->GetOffsetRotation();
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(flat[i])) << "a zero scale gives no NaN";
    EXPECT_DOUBLE_EQ(static_cast<VexaNode*>(node("flat"))->GetOffsetScaling()[1], 0.0);
    const double* mirror = static_cast<VexaNode*>(node("mirror"))->GetOffsetScaling();
    EXPECT_TRUE(mirror[0] < 0.0 && mirror[1] < 0.0 && mirror[2] < 0.0) << "a mirror negates all three";
    const double* lamp = static_cast<VexaNode*>(node("lamp"))->GetOffsetRotation();
    EXPECT_NEAR(lamp[0], 90.0, 1e-9);
    EXPECT_NEAR(lamp[1], 0.0, 1e-9);
    const double* cam = static_cast<VexaNode*>(node("cam"))->GetOffsetRotation();
    EXPECT_NEAR(cam[0], 0.0, 1e-9);
    EXPECT_NEAR(cam[1], 90.0, 1e-9) << "a camera turns a quarter about Y";
}

}  // namespace
