// Lights and their gobos, markers, nulls and skeleton joints.

#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxSkeleton.h"

#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include "tests/attributes/CurveDefaults.h"

namespace {

using attribute_test::DefaultOf;
using attribute_test::SetDefaultOf;

class AttributeTest : public ::testing::Test {
protected:
    template <typename T>
    T* Attach(T* attribute, const char* nodeName) {
        factory.CreateNode(nodeName)->SetNodeAttribute(attribute);
        return attribute;
    }

    RWyxObjectFactory factory;
};

// ---- lights --------------------------------------------------------------------------------

TEST_F(AttributeTest, ALightsDefaultsAreTheCurvesOfItsOwnersFirstTake) {
    RWyxLight* light = Attach(factory.CreateLight(), "Lamp");
    RWyxNode* node = light->GetNode();
    node->AddTakeNode("Take 001");
    ASSERT_TRUE(node->SetCurrentTakeNodeByName("Take 001"));  // the first take, not the current one
    light->SetDefaultColor(0.25, 0.5, 0.75);
    light->SetDefaultIntensity(80.0);
    light->SetDefaultConeAngle(30.0);
    light->SetDefaultFog(10.0);
    RWyxTakeNode* first = node->GetDefaultTakeNode();
    EXPECT_FLOAT_EQ(DefaultOf(first->GetColorYCurve()), 0.5f);
    EXPECT_FLOAT_EQ(DefaultOf(first->GetIntensityCurve()), 80.0f);
    EXPECT_FLOAT_EQ(DefaultOf(first->GetConeAngleCurve()), 30.0f);
    EXPECT_FLOAT_EQ(DefaultOf(first->GetFogCurve()), 10.0f);
    // The other takes keep what they had.
    EXPECT_FLOAT_EQ(DefaultOf(node->GetTakeNode(1)->GetIntensityCurve()), 100.0f);

    // A reader writing the first take's curves is what the light answers.
    SetDefaultOf(first->GetConeAngleCurve(), 45.0f);
    SetDefaultOf(first->GetColorXCurve(), 1.0f);
    EXPECT_DOUBLE_EQ(light->GetDefaultConeAngle(), 45.0);
    EXPECT_DOUBLE_EQ(light->GetDefaultColor().x, 1.0);
    EXPECT_DOUBLE_EQ(light->GetDefaultColor().z, 0.75);
    // The properties keep the exact values the setters gave.
    EXPECT_DOUBLE_EQ(light->GetProperties()->FindProperty("Intensity")->GetDouble(), 80.0);
}

TEST_F(AttributeTest, ADetachedLightKeepsAndAnswersItsOwnDefaults) {
    RWyxLight* light = factory.CreateLight();
    EXPECT_DOUBLE_EQ(light->GetDefaultIntensity(), 100.0);
    EXPECT_DOUBLE_EQ(light->GetDefaultConeAngle(), 45.0);
    light->SetDefaultColor(0.1, 0.2, 0.3);
    light->SetDefaultIntensity(12.0);
    light->SetDefaultConeAngle(60.0);
    EXPECT_DOUBLE_EQ(light->GetDefaultColor().y, 0.2);
    EXPECT_DOUBLE_EQ(light->GetDefaultIntensity(), 12.0);
    EXPECT_DOUBLE_EQ(light->GetDefaultConeAngle(), 60.0);

    // Attached later, the owner's channels start at those values.
    RWyxNode* node = factory.CreateNode("Lamp");
    node->SetNodeAttribute(light);
    EXPECT_FLOAT_EQ(DefaultOf(node->GetDefaultTakeNode()->GetConeAngleCurve()), 60.0f);
    // Detached again, it answers the last values of its owner.
    SetDefaultOf(node->GetDefaultTakeNode()->GetIntensityCurve(), 7.0f);
    node->SetNodeAttribute(nullptr);
    EXPECT_DOUBLE_EQ(light->GetDefaultIntensity(), 7.0);
}

TEST_F(AttributeTest, AGoboDestroyedWhileALightUsesItLeavesTheLightWithoutAGobo) {
    RWyxLight* light = Attach(factory.CreateLight(), "Spot");
    RWyxLight* second = factory.CreateLight();
    RWyxGobo* gobo = factory.CreateGobo("Window");
    ASSERT_NE(gobo, nullptr);
    light->SetGobo(gobo);
    second->SetGobo(gobo);
    ASSERT_EQ(light->GetGobo(), gobo);
    ASSERT_TRUE(factory.DestroyGobo(gobo));
    EXPECT_EQ(light->GetGobo(), nullptr);
    EXPECT_EQ(second->GetGobo(), nullptr);

    // A new gobo, perhaps at the same address, is not taken for the old one.
    RWyxGobo* another = factory.CreateGobo("Door");
    EXPECT_EQ(light->GetGobo(), nullptr);
    light->SetGobo(another);
    EXPECT_EQ(light->GetGobo(), another);
    light->SetGobo(nullptr);
    EXPECT_EQ(light->GetGobo(), nullptr);
}

TEST_F(AttributeTest, AGoboKeepsItsNameAsGivenAndOnlyItsThreeDrawSwitches) {
    RWyxGobo* gobo = factory.CreateGobo("Leaves");
    EXPECT_STREQ(gobo->GetName().Buffer(), "Leaves");
    EXPECT_EQ(factory.FindGobo("Leaves", 0), gobo);
    EXPECT_TRUE(gobo->SetDrawComponent(RWyxGobo::kDrawFrontFacingVolumetricLight, 1));
    EXPECT_EQ(gobo->GetDrawComponent(RWyxGobo::kDrawFrontFacingVolumetricLight), 1);
    EXPECT_FALSE(gobo->SetDrawComponent(3, 1));
    EXPECT_FALSE(gobo->SetDrawComponent(-1, 1));
    EXPECT_EQ(gobo->GetDrawComponent(3), 0);
}

// ---- markers ---------------------------------------------------------------------------------

TEST_F(AttributeTest, AMarkerTypedAfterAttachingHasItsOcclusionAndReachChannels) {
    // Readers make the marker, attach it, and only then set its type.
    for (int type = RWyxMarker::kMarker; type <= RWyxMarker::kFKEffector; ++type) {
        SCOPED_TRACE(type);
        RWyxMarker* marker = Attach(factory.CreateMarker(), ("Marker" + std::to_string(type)).c_str());
        ASSERT_TRUE(marker->SetType(type));
        RWyxTakeNode* takeNode = marker->GetNode()->GetCurrentTakeNode();
        ASSERT_NE(takeNode->GetOcclusionCurve(), nullptr);
        EXPECT_NE(takeNode->GetIKReachTranslationCurve(), nullptr);
        EXPECT_NE(takeNode->GetIKReachRotationCurve(), nullptr);
        SetDefaultOf(takeNode->GetOcclusionCurve(), 1.0f);
        EXPECT_DOUBLE_EQ(marker->GetDefaultOcclusion(), 1.0);
    }
}

TEST_F(AttributeTest, AMarkerTypedAfterAttachingSetsItsNodesLayerAndTakeFlags) {
    struct Case {
        int type;
        bool multiLayer;
        int multiTake;
    };
    const Case cases[] = {{RWyxMarker::kOpticalMarker, false, 0},
                          {RWyxMarker::kIKEffector, true, 1},
                          {RWyxMarker::kFKEffector, true, 1},
                          {RWyxMarker::kMarker, false, 1}};
    RWyxMarker* marker = Attach(factory.CreateMarker(), "Effector");
    RWyxNode* node = marker->GetNode();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        ASSERT_TRUE(marker->SetType(c.type));
        EXPECT_EQ(node->GetMultiLayer(), c.multiLayer);
        EXPECT_EQ(node->GetMultiTake(), c.multiTake);
        // The same as the node decides when the typed marker is attached anew.
        node->SetNodeAttribute(nullptr);
        node->SetNodeAttribute(marker);
        EXPECT_EQ(node->GetMultiLayer(), c.multiLayer);
        EXPECT_EQ(node->GetMultiTake(), c.multiTake);
    }
}

TEST_F(AttributeTest, AMarkersLookSizeColourLabelAndReachValues) {
    RWyxMarker* marker = Attach(factory.CreateMarker(), "M");
    EXPECT_DOUBLE_EQ(marker->GetSize(), 100.0);
    EXPECT_TRUE(marker->SetLook(RWyxMarker::kLookSphere));
    EXPECT_FALSE(marker->SetLook(4));
    EXPECT_EQ(marker->GetLook(), RWyxMarker::kLookSphere);
    EXPECT_STREQ(marker->GetProperties()->FindProperty("Look")->GetValueAsText().Buffer(), "Sphere");
    marker->SetSize(12.0);
    EXPECT_DOUBLE_EQ(marker->GetSize(), 12.0);
    marker->SetColor(RWyxColor(0.0, 0.5, 2.0, 0.3));
    EXPECT_DOUBLE_EQ(marker->GetColor().GetGreen(), 0.5);
    EXPECT_DOUBLE_EQ(marker->GetColor().GetBlue(), 1.0);  // colours stay within [0, 1]
    EXPECT_DOUBLE_EQ(marker->GetColor().GetAlpha(), 1.0);
    marker->SetShowLabel(true);
    EXPECT_TRUE(marker->GetShowLabel());

    marker->SetIKReachTranslation(40.0);
    marker->SetIKReachRotation(60.0);
    RWyxTakeNode* first = marker->GetNode()->GetDefaultTakeNode();
    EXPECT_FLOAT_EQ(DefaultOf(first->GetIKReachTranslationCurve()), 40.0f);
    EXPECT_FLOAT_EQ(DefaultOf(first->GetIKReachRotationCurve()), 60.0f);
    SetDefaultOf(first->GetIKReachRotationCurve(), 20.0f);
    EXPECT_DOUBLE_EQ(marker->GetIKReachRotation(), 20.0);
}

// ---- nulls and skeleton joints -----------------------------------------------------------------

TEST_F(AttributeTest, NullsAndJointsKeepTheirValuesInTheirProperties) {
    RWyxNull* null = factory.CreateNull();
    EXPECT_DOUBLE_EQ(null->GetSize(), 100.0);
    null->SetSize(25.0);
    EXPECT_DOUBLE_EQ(null->GetProperties()->FindProperty("Size")->GetDouble(), 25.0);

    RWyxSkeleton* joint = factory.CreateSkeleton();
    EXPECT_EQ(joint->GetSkeletonType(), RWyxSkeleton::kLimbNode);
    joint->SetLimbLength(4.5);
    joint->SetColor(RWyxColor(0.1, 0.2, 3.0, 1.0));
    EXPECT_DOUBLE_EQ(joint->GetProperties()->FindProperty("LimbLength")->GetDouble(), 4.5);
    EXPECT_DOUBLE_EQ(joint->GetColor().GetBlue(), 1.0);
}

TEST_F(AttributeTest, AttributesDestroyedBeforeOrAfterTheirNodesLeaveNothingDangling) {
    RWyxLight* light = Attach(factory.CreateLight(), "Lamp");
    RWyxNode* lamp = light->GetNode();
    ASSERT_TRUE(factory.DestroyNodeAttribute(light));
    EXPECT_EQ(lamp->GetNodeAttribute(), nullptr);
    EXPECT_EQ(lamp->GetDefaultTakeNode()->GetIntensityCurve(), nullptr);  // detached first
    EXPECT_NE(lamp->GetDefaultTakeNode()->GetTranslationXCurve(), nullptr);

    RWyxMarker* marker = Attach(factory.CreateMarker(), "Marker");
    RWyxNode* holder = marker->GetNode();
    ASSERT_TRUE(factory.DestroyNode(holder, false));
    EXPECT_EQ(marker->GetNode(), nullptr);
    marker->SetDefaultOcclusion(1.0);
    EXPECT_DOUBLE_EQ(marker->GetDefaultOcclusion(), 1.0);
}

}  // namespace
