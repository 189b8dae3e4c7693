// What the writers, the reader and the plug-in read of the scene beyond the scene's own
// operations: the factory's lists by index, node culling, the scene info's thumbnail, the
// deformer's record fields.

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxDeformerProperties.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxThumbnail.h"
#include "fileio/RImageConverter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"

#include <gtest/gtest.h>

namespace {

TEST(SceneServices, TheFactoryGivesItsListsByIndexInCreationOrder) {
    RWyxObjectFactory factory;
    RWyxTexture* wood = factory.CreateTexture("Wood");
    RWyxTexture* stone = factory.CreateTexture("Stone");
    RWyxPose* bind = factory.CreatePose("Bind", true);
    RWyxPose* rest = factory.CreatePose("Rest", false);
    RImageConverter* first = factory.CreateImageConverter();
    RImageConverter* second = factory.CreateImageConverter();
    RWyxScene* scene = factory.CreateScene();
    EXPECT_EQ(factory.GetTexture(0), wood);
    EXPECT_EQ(factory.GetTexture(1), stone);
    EXPECT_EQ(factory.GetTexture(2), nullptr);
    EXPECT_EQ(factory.GetTextureCount(), 2);
    EXPECT_EQ(factory.GetPose(0), bind);
    EXPECT_EQ(factory.GetPose(1), rest);
    EXPECT_EQ(factory.GetPose(-1), nullptr);
    EXPECT_EQ(factory.GetPoseCount(), 2);
    EXPECT_EQ(factory.GetImageConverter(0), first);
    EXPECT_EQ(factory.GetImageConverter(1), second);
    EXPECT_EQ(factory.GetImageConverterCount(), 2);
    EXPECT_EQ(factory.GetScene(0), scene);
    EXPECT_EQ(factory.GetSceneCount(), 1);
    ASSERT_TRUE(factory.DestroyTexture(wood));
    EXPECT_EQ(factory.GetTexture(0), stone) << "later entries move down";
}

// The writers write selected takes only; the export relies on a new take info being selected.
TEST(SceneServices, TakeInfosAreSelectedWhenNewAndScenesKeepTheChoice) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    scene->GetRootNode()->AddTakeNode("Walk");
    RWyxTakeInfo info;
    EXPECT_TRUE(info.selected);
    info.name = "Walk";
    info.selected = false;
    ASSERT_TRUE(scene->SetTakeInfo(info));
    EXPECT_FALSE(scene->GetTakeInfo("Walk")->selected);
    const RWyxTakeInfo copy = *scene->GetTakeInfo("Walk");
    EXPECT_FALSE(copy.selected);
}

TEST(SceneServices, NodesStartWithCullingOffAndKeepTheModeGiven) {
    RWyxObjectFactory factory;
    RWyxNode* node = factory.CreateNode("Face");
    EXPECT_EQ(node->GetCullingMode(), 0);
    node->SetCullingMode(2);
    EXPECT_EQ(node->GetCullingMode(), 2);
}

TEST(SceneServices, TheSceneInfoPointsAtItsThumbnailAndClearForgetsIt) {
    RWyxObjectFactory factory;
    RWyxSceneInfo* info = factory.CreateSceneInfo();
    EXPECT_EQ(info->GetThumbnail(), nullptr);
    RWyxThumbnail* thumbnail = factory.CreateThumbnail();
    info->SetThumbnail(thumbnail);
    info->title = "Shot";
    const RWyxSceneInfo copy = *info;
    EXPECT_EQ(copy.GetThumbnail(), thumbnail);
    info->Clear();
    EXPECT_EQ(info->GetThumbnail(), nullptr);
    EXPECT_TRUE(info->title.IsEmptyText());
}

TEST(SceneServices, DeformersCarryTheirRecordFields) {
    RWyxObjectFactory factory;
    RWyxDeformer* skin = factory.CreateDeformer("Skin Arm", "skin");
    RWyxDeformer* cluster = factory.CreateDeformer("Cluster Arm", "CLUSTER");
    EXPECT_STREQ(skin->GetTypeName().Buffer(), "skin") << "kept as given";
    EXPECT_EQ(cluster->GetDeformerType(), RWyxDeformer::kCluster);
    EXPECT_DOUBLE_EQ(skin->GetDeformAccuracy(), RWyxDeformer::kDefaultDeformAccuracy);
    skin->SetDeformAccuracy(12.5);
    EXPECT_DOUBLE_EQ(skin->GetDeformAccuracy(), 12.5);
    EXPECT_FALSE(skin->GetMultiLayer());
    skin->SetMultiLayer(true);
    EXPECT_TRUE(skin->GetMultiLayer());
    RWyxSkinLink link;
    link.SetMode(RWyxSkinLink::kAdditive);
    EXPECT_FALSE(skin->CopyFromSkinLink(link)) << "a skin has no cluster data";
    EXPECT_FALSE(skin->CopyToSkinLink(link));
    EXPECT_TRUE(cluster->CopyFromSkinLink(link));
    EXPECT_EQ(cluster->GetClusterData().GetMode(), RWyxSkinLink::kAdditive);
    EXPECT_NE(cluster->GetProperties()->GetTable().GetRowCount(), 0);
}

}  // namespace
