// The scene's camera settings with the producer cameras, and the camera switcher.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCameraSwitcher.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "core/RProperty.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct ProducerRow {
    const char* name;
    int projection;
    double nearPlane;
    double farPlane;
    RVector4 position;
    RVector4 up;
};

class CameraSettingsTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxGlobalCameraSettings* cameras = scene->GetGlobalCameraSettings();
};

// The producer cameras belong to no node: each keeps the position it is given.
TEST_F(CameraSettingsTest, TheProducerCamerasHaveTheirStandardSetUpAndKeepTheirPositions) {
    const ProducerRow rows[] = {
        {"Producer Perspective", 0, 10.0, 4000.0, {0, 71.3, 287.5, 1}, {0, 1, 0, 1}},
        {"Producer Top", 1, 1.0, 30000.0, {0, 4000, 0, 1}, {0, 0, -1, 1}},
        {"Producer Bottom", 1, 1.0, 30000.0, {0, -4000, 0, 1}, {0, 0, -1, 1}},
        {"Producer Front", 1, 1.0, 30000.0, {0, 0, 4000, 1}, {0, 1, 0, 1}},
        {"Producer Back", 1, 1.0, 30000.0, {0, 0, -4000, 1}, {0, 1, 0, 1}},
        {"Producer Right", 1, 1.0, 30000.0, {4000, 0, 0, 1}, {0, 1, 0, 1}},
        {"Producer Left", 1, 1.0, 30000.0, {-4000, 0, 0, 1}, {0, 1, 0, 1}},
    };
    for (int i = 0; i < RWyxGlobalCameraSettings::kProducerCameraCount; ++i) {
        SCOPED_TRACE(rows[i].name);
        const RWyxCamera* camera = cameras->GetProducerCamera(static_cast<RWyxGlobalCameraSettings::ProducerCamera>(i));
        ASSERT_NE(camera, nullptr);
        EXPECT_STREQ(RWyxGlobalCameraSettings::GetProducerCameraName(i), rows[i].name);
        EXPECT_EQ(camera->GetNode(), nullptr);
        EXPECT_NEAR(camera->GetFieldOfView(), 40.0, 1e-9);
        EXPECT_EQ(camera->GetProjectionType(), rows[i].projection);
        EXPECT_DOUBLE_EQ(camera->GetNearPlane(), rows[i].nearPlane);
        EXPECT_DOUBLE_EQ(camera->GetFarPlane(), rows[i].farPlane);
        EXPECT_EQ(camera->GetPosition(), rows[i].position);
        EXPECT_EQ(camera->GetUpVector(), rows[i].up);
    }
    EXPECT_EQ(RWyxGlobalCameraSettings::GetProducerCameraName(7), nullptr);
    EXPECT_STREQ(cameras->GetDefaultCamera().Buffer(), "Producer Perspective");

    cameras->GetProducerTop()->SetPosition(RVector4(1, 2, 3, 1));
    EXPECT_EQ(cameras->GetProducerTop()->GetPosition(), RVector4(1, 2, 3, 1));
    cameras->GetProducerTop()->SetFarPlane(5.0);
    cameras->SetDefaultViewingMode(2);
    cameras->Reset();
    EXPECT_EQ(cameras->GetProducerTop()->GetPosition(), RVector4(0, 4000, 0, 1));
    EXPECT_DOUBLE_EQ(cameras->GetProducerTop()->GetFarPlane(), 30000.0);
    EXPECT_EQ(cameras->GetDefaultViewingMode(), 0);
}

TEST_F(CameraSettingsTest, TheDefaultCameraIsAProducerCameraTheSwitcherOrANodeOfTheScene) {
    EXPECT_FALSE(cameras->SetDefaultCamera(nullptr));
    EXPECT_EQ(cameras->GetError().GetLastErrorCode(), RWyxGlobalCameraSettings::kErrorNullParameter);
    EXPECT_STREQ(cameras->GetError().GetLastErrorString(), "Null parameter.");
    EXPECT_TRUE(cameras->SetDefaultCamera("Camera Switcher"));
    EXPECT_FALSE(cameras->SetDefaultCamera("Shot"));
    EXPECT_EQ(cameras->GetError().GetLastErrorCode(), RWyxGlobalCameraSettings::kErrorUnknownCameraName);
    EXPECT_STREQ(cameras->GetError().GetLastErrorString(), "Unknown camera name.");
    EXPECT_STREQ(cameras->GetDefaultCamera().Buffer(), "Camera Switcher") << "a refusal changes nothing";
    RWyxNode* rig = factory.CreateNode("Rig");
    scene->GetRootNode()->AddChild(rig);
    rig->AddChild(factory.CreateNode("Shot"));
    EXPECT_TRUE(cameras->SetDefaultCamera("Shot"));
    EXPECT_TRUE(cameras->SetDefaultCamera("Producer Left"));
    EXPECT_FALSE(cameras->SetDefaultCamera("producer left")) << "names compare byte for byte";
}

TEST(CameraSettingsLifetime, TheCamerasGoThroughTheFactoryWithTheirScene) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), 7);
    ASSERT_TRUE(factory.DestroyScene(scene, false));
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), 0);
}

// ---- camera switcher --------------------------------------------------------------------------------

TEST_F(CameraSettingsTest, TheSwitcherIndexIsTheDefaultOfItsChannelTruncated) {
    RWyxNode* node = scene->GetCameraSwitcherNode();
    RWyxCameraSwitcher* switcher = scene->GetCameraSwitcher();
    RWyxTakeNode* walk = node->AddTakeNode("Walk");
    ASSERT_NE(walk->GetCameraIndexCurve(), nullptr);
    EXPECT_TRUE(switcher->SetCameraIndex(3));
    EXPECT_EQ(switcher->GetCameraIndex(), 3);
    RFCurve* curve = node->GetDefaultTakeNode()->GetCameraIndexCurve();
    const float defaults[][2] = {{2.9f, 2.0f}, {-2.9f, -2.0f}, {0.5f, 0.0f}, {1e20f, 0.0f}};
    for (const auto& [stored, index] : defaults) {
        curve->SetDefaultValue(stored);
        EXPECT_EQ(switcher->GetCameraIndex(), static_cast<int>(index)) << stored;
    }
    RWyxTakeNode fresh("Fresh");
    switcher->AddChannels(fresh);
    ASSERT_NE(fresh.GetCameraIndexCurve(), nullptr);
    EXPECT_FLOAT_EQ(fresh.GetCameraIndexCurve()->GetDefaultValue(), 1.0f) << "a new channel starts at 1";
    switcher->RemoveChannels(fresh);
    EXPECT_EQ(fresh.GetCameraIndexCurve(), nullptr);
}

TEST(CameraSwitcher, NamesAreCheckedByIndexAndADetachedSwitcherHasNoIndex) {
    RWyxCameraSwitcher switcher(nullptr);
    EXPECT_EQ(switcher.GetAttributeType(), RWyxNodeAttribute::kCameraSwitcher);
    EXPECT_EQ(switcher.GetTypeNameList()->GetCount(), 0);
    EXPECT_EQ(switcher.AddCameraName("Front"), 0);
    EXPECT_EQ(switcher.AddCameraName("Side"), 1);
    EXPECT_STREQ(switcher.GetCameraName(1), "Side");
    EXPECT_EQ(switcher.GetCameraName(2), nullptr);
    EXPECT_EQ(switcher.GetCameraName(-1), nullptr);
    EXPECT_EQ(switcher.GetCameraIndex(), 0);
    EXPECT_FALSE(switcher.SetCameraIndex(2));
}

// Every property of a camera as text, by name.
std::vector<std::pair<std::string, std::string>> PropertyTexts(const RWyxCamera& camera) {
    std::vector<RProperty*> properties;
    camera.CollectProperties(properties);
    std::vector<std::pair<std::string, std::string>> texts;
    for (const RProperty* property : properties) texts.emplace_back(property->GetName(), property->GetValueAsText().Buffer());
    return texts;
}

// A new camera, and a new scene's producer cameras, are in the state their resets give: every
// property, the field of view and the vectors. A reset brings back every property, not only
// those of the set-up.
TEST_F(CameraSettingsTest, NewCamerasAreInTheStateTheirResetsGive) {
    RWyxCamera* fresh = factory.CreateCamera();
    RWyxCamera* reset = factory.CreateCamera();
    reset->SetFieldOfView(70.0);
    reset->SetPosition(RVector4(1, 2, 3, 1));
    reset->SetUpVector(RVector4(1, 0, 0, 1));
    reset->GetPropertiesObject()->FindProperty("Roll")->SetDouble(15.0);
    reset->Reset();
    EXPECT_EQ(PropertyTexts(*fresh), PropertyTexts(*reset));
    EXPECT_EQ(fresh->GetFieldOfView(), reset->GetFieldOfView());
    EXPECT_EQ(fresh->GetPosition(), reset->GetPosition());
    EXPECT_EQ(fresh->GetUpVector(), reset->GetUpVector());

    std::vector<std::vector<std::pair<std::string, std::string>>> made;
    for (int i = 0; i < RWyxGlobalCameraSettings::kProducerCameraCount; ++i) {
        RWyxCamera* camera = cameras->GetProducerCamera(static_cast<RWyxGlobalCameraSettings::ProducerCamera>(i));
        made.push_back(PropertyTexts(*camera));
        camera->GetPropertiesObject()->FindProperty("Roll")->SetDouble(30.0);
        camera->GetPropertiesObject()->FindProperty("AspectWidth")->SetDouble(320.0);
    }
    cameras->Reset();
    for (int i = 0; i < RWyxGlobalCameraSettings::kProducerCameraCount; ++i) {
        const RWyxCamera* camera = cameras->GetProducerCamera(static_cast<RWyxGlobalCameraSettings::ProducerCamera>(i));
        EXPECT_EQ(PropertyTexts(*camera), made[static_cast<std::size_t>(i)]) << RWyxGlobalCameraSettings::GetProducerCameraName(i);
    }
}

}  // namespace
