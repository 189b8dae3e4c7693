// The rules of cameras and lights hold whoever writes their values: a setter, or a reader that
// writes the properties straight away, in the order of the file. And what follows from a value
// (the camera's lens and planes, the channels of the owner's default take) follows either way.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"

#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include "tests/attributes/CurveDefaults.h"

#include <cfloat>
#include <cmath>
#include <limits>

namespace {

using attribute_test::DefaultOf;
using attribute_test::SetDefaultOf;

constexpr double kInfinity = std::numeric_limits<double>::infinity();

class AttributeRulesTest : public ::testing::Test {
protected:
    template <typename T>
    T* Attached(T* attribute, const char* nodeName) {
        factory.CreateNode(nodeName)->SetNodeAttribute(attribute);
        return attribute;
    }
    static RProperty* Property(RWyxCamera* camera, const char* name) {
        return camera->GetProperties()->FindProperty(name);
    }
    static RProperty* Property(RWyxLight* light, const char* name) {
        return light->GetProperties()->FindProperty(name);
    }

    RWyxObjectFactory factory;
};

// ---- the camera's lens: one truth ----------------------------------------------------------------

// A reader writes the lens in the order of the file: the film, the mode, the focal length,
// then the field of view, which wins.
TEST_F(AttributeRulesTest, AFieldOfViewWrittenThroughThePropertyMovesTheFocalLength) {
    RWyxCamera* camera = Attached(factory.CreateCamera(), "Cam");
    ASSERT_TRUE(Property(camera, "ApertureMode")->SetInt(RWyxCamera::kApertureHorizontal));
    ASSERT_TRUE(Property(camera, "FocalLength")->SetDouble(2400.0 / 45.0));
    ASSERT_TRUE(Property(camera, "FieldOfView")->SetDouble(45.0));
    EXPECT_NEAR(camera->GetFieldOfView(), 45.0, 1e-9);
    EXPECT_NEAR(camera->GetFocalLength(),
                RWyxCamera::FocalLengthFromFieldOfView(45.0, camera->GetApertureWidth() * 25.4,
                                                       camera->GetApertureHeight() * 25.4, 1.0, 1),
                1e-9);
    EXPECT_NEAR(camera->GetDefaultFieldOfView(), 45.0, 1e-5);
    // A later change of the film keeps the lens: the 45 stays as long as the film does.
    ASSERT_TRUE(camera->SetSqueezeRatio(1.0));
    EXPECT_NEAR(camera->GetFieldOfView(), 45.0, 1e-9);
    EXPECT_NEAR(Property(camera, "FieldOfView")->GetDouble(), 45.0, 1e-9);

    // The lens written through its property moves the field of view, as the setter does.
    ASSERT_TRUE(Property(camera, "FocalLength")->SetDouble(35.0));
    EXPECT_NEAR(Property(camera, "FieldOfView")->GetDouble(), camera->GetFieldOfView(), 1e-12);
    EXPECT_NEAR(camera->GetDefaultFieldOfView(), camera->GetFieldOfView(), 1e-5);
    ASSERT_TRUE(Property(camera, "ApertureWidth")->SetDouble(2.0));
    EXPECT_NEAR(Property(camera, "FieldOfView")->GetDouble(), camera->GetFieldOfView(), 1e-12);
    // A field of view beyond the range is brought into it, and so is the lens.
    ASSERT_TRUE(Property(camera, "FieldOfView")->SetDouble(200.0));
    EXPECT_EQ(Property(camera, "FieldOfView")->GetDouble(), 179.0);
    EXPECT_NEAR(camera->GetFieldOfView(), 179.0, 1e-9);
    // A reader writing the default take's curve reaches the lens through the link.
    SetDefaultOf(camera->GetNode()->GetDefaultTakeNode()->GetFieldOfViewCurve(), 30.0f);
    EXPECT_NEAR(camera->GetFieldOfView(), 30.0, 1e-5);
}

// The property keeps the exact value; the curve, which holds floats, the nearest float.
TEST_F(AttributeRulesTest, AnAttachedCamerasFieldOfViewPropertyKeepsItsExactValue) {
    RWyxCamera* camera = Attached(factory.CreateCamera(), "Cam");
    const double exact = 45.123456789012;
    ASSERT_TRUE(camera->SetFieldOfView(exact));
    EXPECT_EQ(Property(camera, "FieldOfView")->GetDouble(), exact);
    EXPECT_EQ(DefaultOf(camera->GetNode()->GetDefaultTakeNode()->GetFieldOfViewCurve()), static_cast<float>(exact));
    ASSERT_TRUE(Property(camera, "FieldOfViewX")->SetDouble(exact));
    EXPECT_EQ(Property(camera, "FieldOfViewX")->GetDouble(), exact);
    EXPECT_EQ(camera->GetDefaultFieldOfViewX(), static_cast<double>(static_cast<float>(exact)));
    camera->SetDefaultRoll(exact);
    EXPECT_EQ(Property(camera, "Roll")->GetDouble(), exact);
}

TEST_F(AttributeRulesTest, ANewCameraFitsItsFilmHorizontally) {
    RWyxCamera* camera = factory.CreateCamera();
    EXPECT_EQ(camera->GetApertureMode(), RWyxCamera::kApertureHorizontal);
    EXPECT_EQ(Property(camera, "ApertureMode")->GetInt(), 1);
    EXPECT_STREQ(Property(camera, "ApertureMode")->GetValueAsText().Buffer(), "Horizontal");
    EXPECT_EQ(camera->GetProjectionType(), RWyxCamera::kPerspective);
    EXPECT_NEAR(camera->GetFocalLength(), 35.0, 1e-12);
    EXPECT_NEAR(camera->GetFieldOfView(), 54.43222311461495, 1e-9);
    camera->Reset();
    EXPECT_EQ(Property(camera, "ApertureMode")->GetInt(), 1);
}

// ---- the camera's rules on both roads ------------------------------------------------------------

TEST_F(AttributeRulesTest, ACameraRefusesBadValuesThroughTheSettersAndThroughTheProperties) {
    RWyxCamera* camera = Attached(factory.CreateCamera(), "Cam");
    const double fieldOfView = camera->GetFieldOfView();
    for (double bad : {0.0, -1.0, std::nan(""), kInfinity, -kInfinity}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(camera->SetFocalLength(bad));
        EXPECT_FALSE(camera->SetSqueezeRatio(bad));
        EXPECT_FALSE(Property(camera, "FocalLength")->SetDouble(bad));
        EXPECT_FALSE(Property(camera, "SqueezeRatio")->SetDouble(bad));
        EXPECT_FALSE(Property(camera, "ApertureWidth")->SetDouble(bad));
        EXPECT_FALSE(Property(camera, "ApertureHeight")->SetDouble(bad));
    }
    EXPECT_FALSE(camera->SetApertureWidth(kInfinity));
    EXPECT_FALSE(camera->SetApertureHeight(kInfinity));
    EXPECT_FALSE(Property(camera, "ApertureMode")->SetInt(7));
    EXPECT_FALSE(Property(camera, "ApertureMode")->SetInt(-1));
    EXPECT_FALSE(Property(camera, "ProjectionType")->SetInt(2));
    EXPECT_FALSE(Property(camera, "NearPlane")->SetDouble(std::nan("")));
    EXPECT_FALSE(Property(camera, "FieldOfView")->SetDouble(std::nan("")));
    EXPECT_NEAR(camera->GetFocalLength(), 35.0, 1e-12);
    EXPECT_EQ(camera->GetSqueezeRatio(), 1.0);
    EXPECT_EQ(camera->GetApertureMode(), RWyxCamera::kApertureHorizontal);
    EXPECT_EQ(camera->GetProjectionType(), RWyxCamera::kPerspective);
    EXPECT_EQ(camera->GetFieldOfView(), fieldOfView);
    EXPECT_NEAR(camera->GetDefaultFieldOfView(), fieldOfView, 1e-5);
    // Good values go through either road.
    EXPECT_TRUE(Property(camera, "ApertureMode")->SetInt(RWyxCamera::kApertureVertical));
    EXPECT_TRUE(Property(camera, "SqueezeRatio")->SetDouble(2.0));
    EXPECT_EQ(camera->GetSqueezeRatio(), 2.0);
}

TEST_F(AttributeRulesTest, PlanesWrittenThroughThePropertiesStayApartAndInRange) {
    RWyxCamera* camera = Attached(factory.CreateCamera(), "Cam");
    // A file's near plane beyond the default far plane, then its far plane.
    ASSERT_TRUE(Property(camera, "NearPlane")->SetDouble(5000.0));
    EXPECT_EQ(camera->GetNearPlane(), 5000.0);
    EXPECT_EQ(camera->GetFarPlane(), 5000.0 + RWyxCamera::kMinPlaneGap);
    ASSERT_TRUE(Property(camera, "FarPlane")->SetDouble(10000.0));
    EXPECT_EQ(camera->GetNearPlane(), 5000.0);
    EXPECT_EQ(camera->GetFarPlane(), 10000.0);
    ASSERT_TRUE(Property(camera, "FarPlane")->SetDouble(1.0));
    EXPECT_EQ(camera->GetNearPlane(), 1.0 - RWyxCamera::kMinPlaneGap);
    ASSERT_TRUE(Property(camera, "NearPlane")->SetDouble(-3.0));
    EXPECT_EQ(camera->GetNearPlane(), RWyxCamera::kMinPlane);
    ASSERT_TRUE(Property(camera, "FarPlane")->SetDouble(kInfinity));
    EXPECT_EQ(camera->GetFarPlane(), RWyxCamera::kMaxPlane);
    EXPECT_LT(camera->GetNearPlane(), camera->GetFarPlane());
}

// ---- lights ---------------------------------------------------------------------------------------

TEST_F(AttributeRulesTest, ALightRefusesBadValuesThroughTheSettersAndThroughTheProperties) {
    RWyxLight* light = Attached(factory.CreateLight(), "Lamp");
    for (double angle : {-1.0, 180.5, std::nan(""), kInfinity}) {
        SCOPED_TRACE(angle);
        EXPECT_FALSE(light->SetDefaultConeAngle(angle));
        EXPECT_FALSE(Property(light, "Cone angle")->SetDouble(angle));
    }
    EXPECT_TRUE(light->SetDefaultConeAngle(0.0));
    EXPECT_TRUE(Property(light, "Cone angle")->SetDouble(180.0));
    EXPECT_EQ(light->GetDefaultConeAngle(), 180.0);
    for (double bad : {std::nan(""), kInfinity}) {
        EXPECT_FALSE(light->SetDefaultIntensity(bad));
        EXPECT_FALSE(Property(light, "Intensity")->SetDouble(bad));
        EXPECT_FALSE(light->SetDefaultColor(0.5, bad, 0.5));
        EXPECT_FALSE(Property(light, "Color")->SetValue(RVector4(bad, 0.0, 0.0, 1.0)));
        EXPECT_FALSE(light->SetDefaultFog(bad));
    }
    EXPECT_FALSE(Property(light, "LightType")->SetInt(3));
    EXPECT_EQ(light->GetLightType(), RWyxLight::kPoint);
    EXPECT_EQ(light->GetDefaultIntensity(), 100.0);
    EXPECT_EQ(light->GetDefaultColor(), RVector4(1.0, 1.0, 1.0, 1.0));
    EXPECT_EQ(light->GetDefaultFog(), 50.0);
    // A detached light keeps the same rules.
    RWyxLight* loose = factory.CreateLight();
    EXPECT_FALSE(loose->SetDefaultConeAngle(-5.0));
    EXPECT_FALSE(Property(loose, "Intensity")->SetDouble(std::nan("")));
    EXPECT_EQ(loose->GetDefaultIntensity(), 100.0);
}

// The link between a property and its channel in the owner's default take holds both ways.
TEST_F(AttributeRulesTest, AValueWrittenThroughThePropertyReachesTheDefaultTakesCurve) {
    RWyxLight* light = Attached(factory.CreateLight(), "Lamp");
    RWyxNode* node = light->GetNode();
    RWyxTakeNode* later = node->AddTakeNode("Take 001");
    ASSERT_TRUE(node->SetCurrentTakeNodeByName("Take 001"));
    ASSERT_TRUE(Property(light, "Intensity")->SetDouble(33.0));
    EXPECT_FLOAT_EQ(DefaultOf(node->GetDefaultTakeNode()->GetIntensityCurve()), 33.0f);
    EXPECT_EQ(light->GetDefaultIntensity(), 33.0);
    EXPECT_FLOAT_EQ(DefaultOf(later->GetIntensityCurve()), 100.0f);  // other takes keep theirs
    ASSERT_TRUE(Property(light, "Color")->SetValue(RVector4(0.25, 0.5, 0.75, 1.0)));
    EXPECT_FLOAT_EQ(DefaultOf(node->GetDefaultTakeNode()->GetColorZCurve()), 0.75f);
    EXPECT_EQ(light->GetDefaultColor().y, 0.5);
    // And back: the curve written by a reader, the property follows.
    SetDefaultOf(node->GetDefaultTakeNode()->GetFogCurve(), 12.0f);
    EXPECT_EQ(Property(light, "Fog")->GetDouble(), 12.0);
    // A value beyond the float range gives the largest float.
    ASSERT_TRUE(Property(light, "Intensity")->SetDouble(1e300));
    EXPECT_EQ(DefaultOf(node->GetDefaultTakeNode()->GetIntensityCurve()), FLT_MAX);
    EXPECT_EQ(Property(light, "Intensity")->GetDouble(), 1e300);
}

// ---- materials ------------------------------------------------------------------------------------

// The shininess curve holds the stored exponent, as the property does; a writer answers both in
// the accessor's scale through one conversion.
TEST_F(AttributeRulesTest, ShininessFromItsCurveIsInTheAccessorsScale) {
    RWyxMaterial* material = factory.CreateMaterial("Skin");
    material->SetShininess(0.5);
    const RFCurve* curve = material->GetDefaultTakeNode()->GetShininessCurve();
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(RWyxMaterial::ShininessFromStored(curve->GetDefaultValue()), material->GetShininess());
    EXPECT_EQ(material->GetShininess(), 0.5);
    EXPECT_EQ(RWyxMaterial::ShininessFromStored(256.0), 1.0);
    EXPECT_EQ(RWyxMaterial::ShininessFromStored(-4.0), 0.0);
    EXPECT_EQ(RWyxMaterial::ShininessFromStored(std::nan("")), 0.0);
    EXPECT_EQ(RWyxMaterial::ShininessFromStored(32.0), 0.25);
}

}  // namespace
