// The sample scenes kept in samples/ read back into the scene the sample program builds.

#include "tests/wyxreader/ReaderTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "curves/RFCurve.h"
#include "samples/SampleCharacter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace reader_test;

class SampleSceneTest : public ::testing::TestWithParam<const char*> {};

TEST_P(SampleSceneTest, TheSampleCharacterReadsBackWithoutAWarning) {
    RWyxObjectFactory built;
    RWyxScene& expected = *sample::BuildCharacterScene(built);
    RWyxObjectFactory factory;
    const ReadResult result = ReadFile(factory, std::string(WYX_SAMPLES_DIR) + "/" + GetParam());
    ASSERT_TRUE(result.read) << result.errorText;
    EXPECT_EQ(result.warnings, 0) << result.warningText;
    RWyxScene& scene = *result.scene;
    for (const char* name : {"Character", "Hips", "Spine", "Head", "Body", "Camera", "Light"}) {
        RWyxNode* node = FindModel(scene, name);
        ASSERT_NE(node, nullptr) << name;
        EXPECT_EQ(node->GetParent()->GetName(), FindModel(expected, name)->GetParent()->GetName()) << name;
        EXPECT_EQ(node->GetTypeName(), FindModel(expected, name)->GetTypeName()) << name;
    }
    RWyxMesh& body = *FindModel(scene, "Body")->GetMesh();
    RWyxMesh& builtBody = *FindModel(expected, "Body")->GetMesh();
    EXPECT_EQ(body.GetControlPointsCount(), builtBody.GetControlPointsCount());
    EXPECT_EQ(body.GetPolygonCount(), builtBody.GetPolygonCount());
    EXPECT_EQ(body.GetMaterial(0, 0)->GetName(), "Material::Skin");
    EXPECT_EQ(body.GetTexture(0, 0)->GetFileName(), "textures/skin.png");
    ASSERT_EQ(body.GetDeformerCount(), 3);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(body.GetDeformer(j)->GetLink()->GetName(), builtBody.GetDeformer(j)->GetLink()->GetName());
        EXPECT_EQ(body.GetDeformer(j)->GetControlPointIndicesCount(),
                  builtBody.GetDeformer(j)->GetControlPointIndicesCount());
    }
    ASSERT_EQ(scene.GetPoseCount(), 1);
    EXPECT_EQ(scene.GetPose(0)->GetCount(), 4);
    // The light is aimed by its rotation, without a target.
    EXPECT_EQ(FindModel(scene, "Light")->GetTarget(), nullptr);
    RVector4 turned;
    RVector4 aimed;
    FindModel(scene, "Light")->GetDefaultRotation(turned);
    FindModel(expected, "Light")->GetDefaultRotation(aimed);
    EXPECT_NEAR(turned.x, aimed.x, 1e-12);
    EXPECT_NEAR(turned.x, 29.5, 0.01);
    EXPECT_EQ(turned.y, 45.0);
    EXPECT_EQ(turned.z, 0.0);
    EXPECT_EQ(FindModel(scene, "Light")->GetLight()->GetLightType(), RWyxLight::kSpot);
    EXPECT_NEAR(FindModel(scene, "Camera")->GetCamera()->GetFocalLength(), 35.0, 1e-12);
    EXPECT_STREQ(scene.GetCurrentTakeName(), "Walk");
    ASSERT_NE(scene.GetTakeInfo("Walk"), nullptr);
    EXPECT_EQ(scene.GetTakeInfo("Walk")->description, "One step");
    const RFCurve* bob = FindModel(scene, "Hips")->GetTakeNode(1)->GetTranslationYCurve();
    ASSERT_EQ(bob->GetKeyCount(), 3);
    EXPECT_EQ(bob->GetKey(1).GetValue(), 1.5f);
}

INSTANTIATE_TEST_SUITE_P(Files, SampleSceneTest, ::testing::Values("character.wyx", "character-ascii.wyx"));

}  // namespace
