#include "scene/RWyxScene.h"

#include "attributes/RWyxCameraSwitcher.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterConstraint.h"
#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "attributes/RWyxMarkerSet.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxSceneInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = RWyxObjectFactory::ObjectKind;

class SceneTest : public ::testing::Test {
protected:
    RWyxNode* Child(const char* name, RWyxNode* parent) {
        RWyxNode* node = factory.CreateNode(name);
        parent->AddChild(node);
        return node;
    }
    int Count(Kind kind) const { return factory.GetObjectCount(kind); }
    std::vector<std::string> TakeNames() const {
        std::vector<RString> names;
        scene->GetTakeNameList(names);
        std::vector<std::string> texts;
        for (const RString& name : names) texts.emplace_back(name.Buffer());
        return texts;
    }

    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
};

TEST_F(SceneTest, ANewSceneHasItsRootItsCameraSwitcherAndItsSettings) {
    ASSERT_NE(scene->GetRootNode(), nullptr);
    EXPECT_EQ(factory.GetNode(0), scene->GetRootNode()) << "the root is the first node made";
    EXPECT_STREQ(scene->GetRootNode()->GetName().Buffer(), "Model::RootNode");
    RWyxNode* switcherNode = scene->GetCameraSwitcherNode();
    ASSERT_NE(switcherNode, nullptr);
    EXPECT_EQ(factory.GetNode(1), switcherNode);
    EXPECT_STREQ(switcherNode->GetName().Buffer(), "Model::Camera Switcher");
    EXPECT_FALSE(switcherNode->GetVisibility());
    EXPECT_EQ(switcherNode->GetShadingMode(), 1);
    EXPECT_EQ(switcherNode->GetCameraSwitcher(), scene->GetCameraSwitcher());
    EXPECT_EQ(scene->GetCameraSwitcher()->GetCameraIndex(), 1) << "the channel's default; only Clear sets 0";
    EXPECT_FALSE(scene->GetEntity()->ContainsNode(switcherNode)) << "the switcher is no member";
    EXPECT_EQ(Count(RWyxObjectFactory::kNodeAttributes), 7) << "the producer cameras";
    EXPECT_EQ(scene->GetSceneInfo(), nullptr);
    EXPECT_STREQ(scene->GetCurrentTakeName(), "");
    EXPECT_EQ(TakeNames(), std::vector<std::string>{"Default"});
    EXPECT_NE(scene->GetGlobalLightSettings(), nullptr);
    EXPECT_NE(scene->GetGlobalTimeSettings(), nullptr);
    EXPECT_NE(scene->GetGlobalCameraSettings()->GetProducerLeft(), nullptr);
}

TEST_F(SceneTest, ClearGivesBackANewlyBuiltScene) {
    RWyxNode* root = scene->GetRootNode();
    RWyxNode* arm = Child("Arm", root);
    Child("Hand", arm);
    root->AddTakeNode("Walk");
    scene->GetCameraSwitcherNode()->AddTakeNode("Walk");
    scene->GetCameraSwitcherNode()->SetName("Renamed");
    scene->GetCameraSwitcher()->SetCameraIndex(4);
    scene->SetSceneInfo(factory.CreateSceneInfo());
    scene->CreateCharacter("Hero");
    scene->CreateMarkerSet("Dots");
    scene->AddPose(factory.CreatePose("Bind", true));
    scene->AddGenericNode(factory.CreateGenericNode("Globals"));
    scene->GetGlobalLightSettings()->SetFogStart(7.0);
    scene->GetGlobalTimeSettings()->SetTimeMode(3);
    scene->SetCurrentTake("Walk");
    RWyxTakeInfo info;
    info.name = "Walk";
    ASSERT_TRUE(scene->SetTakeInfo(info));

    scene->Clear();
    EXPECT_EQ(root->GetChildCount(), 0);
    EXPECT_EQ(root->GetTakeNodeCount(), 1);
    EXPECT_STREQ(scene->GetCameraSwitcherNode()->GetName().Buffer(), "Model::Camera Switcher");
    EXPECT_EQ(scene->GetCameraSwitcherNode()->GetTakeNodeCount(), 1);
    EXPECT_EQ(scene->GetCameraSwitcher()->GetCameraIndex(), 0);
    EXPECT_EQ(Count(RWyxObjectFactory::kNodes), 2) << "the subtree was destroyed";
    EXPECT_EQ(scene->GetSceneInfo(), nullptr);
    EXPECT_EQ(Count(RWyxObjectFactory::kSceneInfos), 0);
    EXPECT_EQ(scene->GetCharacterCount() + scene->GetMarkerSetCount() + scene->GetPoseCount(), 0);
    EXPECT_EQ(Count(RWyxObjectFactory::kPoses), 1) << "poses stay the factory's";
    EXPECT_EQ(scene->GetGenericNodeCount(), 0);
    EXPECT_EQ(Count(RWyxObjectFactory::kGenericNodes), 0);
    EXPECT_DOUBLE_EQ(scene->GetGlobalLightSettings()->GetFogStart(), 0.3);
    EXPECT_EQ(scene->GetGlobalTimeSettings()->GetStoredTimeMode(), 6);
    EXPECT_STREQ(scene->GetCurrentTakeName(), "");
    EXPECT_EQ(scene->GetTakeInfoCount(), 0);
}

TEST_F(SceneTest, TakesAreSwitchedEverywhereAndListedInTheOrderFirstMet) {
    RWyxNode* arm = Child("Arm", scene->GetRootNode());
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    scene->GetEntity()->AddMaterialUse(skin);
    RWyxGenericNode* globals = factory.CreateGenericNode("Globals");
    scene->AddGenericNode(globals);
    skin->AddTakeNode("Material Take");
    arm->AddTakeNode("Run");
    globals->AddTakeNode("Run");
    scene->GetCameraSwitcherNode()->AddTakeNode("Cams");
    EXPECT_EQ(TakeNames(), (std::vector<std::string>{"Default", "Cams", "Run", "Material Take"}));
    EXPECT_TRUE(scene->IsTakeNameUsed("Material Take"));
    EXPECT_FALSE(scene->IsTakeNameUsed("Walk"));

    EXPECT_FALSE(scene->SetCurrentTake("Run"));
    EXPECT_EQ(scene->GetError().GetLastErrorCode(), RWyxScene::kErrorTake);
    EXPECT_STREQ(scene->GetError().GetLastErrorString(), "Not all nodes have a take node called Run");
    EXPECT_STREQ(scene->GetCurrentTakeName(), "Run") << "stored even when the switch fails";
    EXPECT_STREQ(arm->GetCurrentTakeNodeName(), "Run") << "every object is asked";
    EXPECT_STREQ(globals->GetCurrentTakeNodeName(), "Run");
    EXPECT_TRUE(scene->SetCurrentTake("Default"));

    RWyxTakeInfo info;
    info.name = "Walk";
    EXPECT_FALSE(scene->SetTakeInfo(info)) << "no object has the take";
    EXPECT_EQ(scene->GetTakeInfo("Walk"), nullptr);
    info.name = "Run";
    info.description = "first";
    EXPECT_TRUE(scene->SetTakeInfo(info));
    info.description = "second";
    EXPECT_TRUE(scene->SetTakeInfo(info));
    ASSERT_EQ(scene->GetTakeInfoCount(), 1) << "the same name is replaced";
    EXPECT_STREQ(scene->GetTakeInfo("Run")->description.Buffer(), "second");
    EXPECT_TRUE(scene->GetTakeInfoAt(0)->selected) << "a new take info is selected";
    EXPECT_EQ(scene->GetTakeInfoAt(1), nullptr);
}

TEST_F(SceneTest, DestroySceneTakesTheRootSubtreeOnlyWhenAsked) {
    Child("Arm", scene->GetRootNode())->SetNodeAttribute(factory.CreateNull());
    RWyxScene* kept = factory.CreateScene();
    Child("Leg", kept->GetRootNode());
    EXPECT_EQ(Count(RWyxObjectFactory::kNodes), 6);
    EXPECT_TRUE(factory.DestroyScene(scene, true));
    EXPECT_EQ(Count(RWyxObjectFactory::kNodes), 3) << "the root, its child and the switcher went";
    EXPECT_EQ(Count(RWyxObjectFactory::kNodeAttributes), 7) << "with the child's null and the cameras";
    EXPECT_TRUE(factory.DestroyScene(kept, false));
    EXPECT_EQ(Count(RWyxObjectFactory::kNodes), 2) << "root and child stay recorded";
    EXPECT_EQ(Count(RWyxObjectFactory::kNodeAttributes), 0);
    EXPECT_EQ(Count(RWyxObjectFactory::kScenes), 0);
}

TEST_F(SceneTest, CharacterObjectsAreNamedByKindAndCheckedByIndex) {
    EXPECT_EQ(scene->CreateMarkerSet("Dots"), 0);
    EXPECT_EQ(scene->CreateConstraint("Actor"), 0);
    EXPECT_EQ(scene->CreateCharacter("Hero"), 0);
    EXPECT_EQ(scene->CreateCharacter("Scene::Villain"), 1);
    EXPECT_EQ(scene->CreateControlSetPlug("Rig"), 0);
    EXPECT_EQ(scene->CreateCharacterPose("Stance"), 0);
    EXPECT_STREQ(scene->GetMarkerSet(0)->GetName().Buffer(), "MarkerSet::Dots");
    EXPECT_STREQ(scene->GetConstraint(0)->GetName().Buffer(), "Constraint::Actor");
    EXPECT_STREQ(scene->GetCharacter(1)->GetName().Buffer(), "Constraint::Villain");
    EXPECT_STREQ(scene->GetControlSetPlug(0)->GetName().Buffer(), "ControlSetPlug::Rig");
    EXPECT_STREQ(scene->GetCharacterPose(0)->GetName().Buffer(), "Pose::Stance");
    EXPECT_EQ(scene->GetCharacter(2), nullptr);
    EXPECT_EQ(scene->GetCharacter(-1), nullptr);
    EXPECT_EQ(scene->GetMarkerSet(1), nullptr);
    EXPECT_EQ(scene->GetConstraintCount() + scene->GetControlSetPlugCount() + scene->GetCharacterPoseCount(), 3);
    scene->DestroyCharacterPose(1);
    scene->DestroyCharacterPose(-1);
    EXPECT_EQ(scene->GetCharacterPoseCount(), 1) << "a bad index does nothing";
    scene->DestroyCharacterPose(0);
    EXPECT_EQ(scene->GetCharacterPoseCount(), 0);
}

// The nested scene has one owner, the character pose: the factory does not record it, so it
// is destroyed once whichever goes first, and the look-ups over the factory's scenes skip it.
TEST_F(SceneTest, ACharacterPoseOwnsItsNestedSceneAlone) {
    ASSERT_EQ(scene->CreateCharacterPose("Stance"), 0);
    RWyxScene* nested = scene->GetCharacterPose(0)->GetPoseScene();
    ASSERT_NE(nested, nullptr);
    EXPECT_EQ(Count(RWyxObjectFactory::kScenes), 1);
    EXPECT_EQ(factory.GetSceneCount(), 1);
    Child("Hip", nested->GetRootNode());
    RWyxPose* bind = factory.CreatePose("Bind", true);
    ASSERT_TRUE(nested->AddPose(bind));
    bind->Add("Model::Hip", RMatrix(), false);
    std::vector<RWyxPose*> poses;
    std::vector<int> indices;
    EXPECT_FALSE(RWyxPose::FindBindPoses(&factory, "Model::Hip", poses, indices));

    EXPECT_TRUE(factory.DestroyPose(bind));
    EXPECT_EQ(nested->GetPoseCount(), 0) << "the pose left the nested scene too";
    scene->DestroyCharacterPose(0);
    EXPECT_EQ(Count(RWyxObjectFactory::kNodes), 4) << "its root and Hip stay the factory's, its switcher went";
}

TEST(SceneTeardown, FactoryTeardownWithCharacterPosesAndNestedScenesFreesEachOnce) {
    auto factory = std::make_unique<RWyxObjectFactory>();
    RWyxScene* scene = factory->CreateScene();
    scene->CreateCharacterPose("Outer");
    RWyxScene* nested = scene->GetCharacterPose(0)->GetPoseScene();
    nested->CreateCharacterPose("Inner");
    nested->CreateCharacter("Hero");
    RWyxNode* hip = factory->CreateNode("Hip");
    nested->GetRootNode()->AddChild(hip);
    RWyxCharacterLink link;
    link.node = hip;
    nested->GetCharacter(0)->SetCharacterLink(0, link);
    factory.reset();  // the sanitizer watches for a second free or a write into a freed object
}

// The scene destroys its characters before the factory destroys the nodes, and each side
// unlinks the other, so nothing is written into a freed character or node.
TEST_F(SceneTest, CharactersAndNodesUnlinkWhicheverGoesFirst) {
    RWyxNode* hip = Child("Hip", scene->GetRootNode());
    RWyxNode* hand = Child("Hand", scene->GetRootNode());
    scene->CreateCharacter("Hero");
    RWyxCharacter* hero = scene->GetCharacter(0);
    RWyxCharacterLink link;
    link.node = hip;
    hero->SetCharacterLink(0, link);
    hero->GetControlSet().SetEffector(3, hand, RWyxControlSetEffector());
    ASSERT_EQ(hip->GetCharacterLinkCount(), 1);

    ASSERT_TRUE(factory.DestroyNode(hip, false));
    RWyxCharacterLink read;
    ASSERT_TRUE(hero->GetCharacterLink(0, read));
    EXPECT_EQ(read.node, nullptr) << "the slot became empty";

    ASSERT_TRUE(factory.DestroyScene(scene, false));
    EXPECT_EQ(hand->GetCharacterLinkCount(), 0) << "the character left the node";
}

TEST_F(SceneTest, PosesAndDeformersDestroyedThroughTheFactoryLeaveTheScene) {
    RWyxPose* bind = factory.CreatePose("Bind", true);
    EXPECT_TRUE(scene->AddPose(bind));
    EXPECT_FALSE(scene->AddPose(bind));
    EXPECT_FALSE(scene->AddPose(nullptr));
    RWyxDeformer* skin = factory.CreateDeformer("Skin Arm", "Skin");
    scene->AddDeformer(skin);
    scene->AddDeformer(skin);
    EXPECT_EQ(scene->FindDeformer("Deformer::Skin Arm"), skin);
    ASSERT_TRUE(factory.DestroyPose(bind));
    ASSERT_TRUE(factory.DestroyDeformer(skin));
    EXPECT_EQ(scene->GetPoseCount(), 0);
    EXPECT_EQ(scene->GetDeformerCount(0), 0);
    EXPECT_EQ(scene->GetDeformer(0, 0), nullptr);
}

TEST_F(SceneTest, GenericNodesMoveBetweenScenesAndTheSceneInfoIsOwned) {
    RWyxScene* other = factory.CreateScene();
    RWyxGenericNode* globals = factory.CreateGenericNode("Globals");
    EXPECT_TRUE(other->AddGenericNode(globals));
    EXPECT_TRUE(scene->AddGenericNode(globals));
    EXPECT_EQ(other->GetGenericNodeCount(), 0);
    EXPECT_EQ(scene->GetGenericNode(0), globals);
    EXPECT_FALSE(scene->AddGenericNode(nullptr));
    EXPECT_TRUE(scene->RemoveGenericNode(globals));
    EXPECT_EQ(scene->GetGenericNodeCount(), 0);
    EXPECT_FALSE(scene->RemoveGenericNode(nullptr));

    RWyxSceneInfo* first = factory.CreateSceneInfo();
    scene->SetSceneInfo(first);
    scene->SetSceneInfo(factory.CreateSceneInfo());
    EXPECT_EQ(Count(RWyxObjectFactory::kSceneInfos), 1) << "the info it held went";
    ASSERT_TRUE(factory.DestroyScene(scene, false));
    EXPECT_EQ(Count(RWyxObjectFactory::kSceneInfos), 0);
}

}  // namespace
