// Bind and rest poses: entries, conflicts within a pose and across the bind poses of a
// factory's scenes, the checked accessors and the look-up over every scene.

#include "attributes/RWyxPose.h"

#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

RMatrix Moved(double x) { return RMatrix::ConstructFromTRS(RVector4(x, 0, 0, 0), RVector4(), RVector4(1, 1, 1, 0)); }

class PoseTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
};

TEST_F(PoseTest, KindsAreToldApartByTypeCodeAndTypeName) {
    const RWyxPose* bind = factory.CreatePose("Bind", true);
    const RWyxPose* rest = factory.CreatePose("Rest", false);
    EXPECT_STREQ(bind->GetName().Buffer(), "Pose::Bind");
    EXPECT_EQ(bind->GetPoseType(), 'b');
    EXPECT_EQ(rest->GetPoseType(), 'r');
    EXPECT_STREQ(bind->GetTypeName(), "BindPose");
    EXPECT_STREQ(rest->GetTypeDescription().Buffer(), "RestPose");
    EXPECT_NE(rest->GetProperties(), nullptr);
}

TEST_F(PoseTest, OneNodeHasOneMatrixInAPose) {
    RWyxPose* rest = factory.CreatePose("Rest", false);
    EXPECT_EQ(rest->Add("Model::Arm", Moved(1), true), 0);
    EXPECT_EQ(rest->Add("Model::Leg", Moved(2), false), 1);
    EXPECT_EQ(rest->Add("Model::Arm", Moved(1 + 1e-9), true), 0) << "an equal entry answers its index";
    EXPECT_EQ(rest->Add("Model::Arm", Moved(1.5), true), -1) << "another matrix";
    EXPECT_EQ(rest->Add("Model::Arm", Moved(1), false), -1) << "another flag";
    EXPECT_EQ(rest->Add(nullptr, Moved(1), false), -1);
    EXPECT_EQ(rest->GetCount(), 2);
    EXPECT_EQ(rest->Find("Model::Leg"), 1);
    EXPECT_EQ(rest->Find("Model::Hip"), -1);
    EXPECT_EQ(rest->Find(nullptr), -1);
    EXPECT_TRUE(rest->IsLocalMatrix(0));
    EXPECT_FALSE(rest->IsLocalMatrix(1));
    EXPECT_FALSE(rest->IsLocalMatrix(2));
    EXPECT_DOUBLE_EQ(rest->GetMatrix(1)[3][0], 2.0);
    EXPECT_EQ(MatrixCompare(rest->GetMatrix(2), RMatrix::Identity(), 0.0), 0) << "the default out of range";
    EXPECT_EQ(MatrixCompare(rest->GetMatrix(-1), RMatrix::Identity(), 0.0), 0);
    EXPECT_STREQ(rest->GetNodeName(0), "Model::Arm");
    EXPECT_EQ(rest->GetNodeName(2), nullptr);
}

TEST_F(PoseTest, EntriesAreRenamedAndRemovedByCheckedIndex) {
    RWyxPose* rest = factory.CreatePose("Rest", false);
    rest->Add("Model::Arm", Moved(1), false);
    rest->Add("Model::Leg", Moved(2), false);
    EXPECT_TRUE(rest->SetNodeName(1, "Knee"));
    EXPECT_FALSE(rest->SetNodeName(1, ""));
    EXPECT_FALSE(rest->SetNodeName(2, "Foot"));
    EXPECT_STREQ(rest->GetNodeName(1), "Knee");
    EXPECT_FALSE(rest->Remove(2));
    EXPECT_FALSE(rest->Remove(-1));
    EXPECT_TRUE(rest->Remove(0));
    EXPECT_STREQ(rest->GetNodeName(0), "Knee");
    EXPECT_EQ(rest->GetCount(), 1);
}

TEST_F(PoseTest, BindPosesAgreeAcrossEveryScene) {
    RWyxScene* other = factory.CreateScene();
    RWyxPose* first = factory.CreatePose("First", true);
    RWyxPose* second = factory.CreatePose("Second", true);
    RWyxPose* rest = factory.CreatePose("Rest", false);
    first->Add("Model::Arm", Moved(1), false);
    rest->Add("Model::Arm", Moved(9), false);
    scene->AddPose(rest);
    EXPECT_EQ(second->Add("Model::Arm", Moved(2), false), 0) << "the first pose is in no scene yet";
    second->Remove(0);
    ASSERT_TRUE(other->AddPose(first));
    EXPECT_EQ(second->Add("Model::Arm", Moved(2), false), -1) << "conflicts with a bind pose of a scene";
    EXPECT_EQ(second->Add("Model::Arm", Moved(1), false), 0);
    EXPECT_EQ(rest->Add("Model::Hand", Moved(3), false), 1) << "rest poses are not compared";

    ASSERT_TRUE(scene->AddPose(second));
    ASSERT_TRUE(scene->AddPose(first));  // registered in two scenes, found once
    std::vector<RWyxPose*> poses;
    std::vector<int> indices;
    ASSERT_TRUE(RWyxPose::FindBindPoses(&factory, "Model::Arm", poses, indices));
    EXPECT_EQ(poses, (std::vector<RWyxPose*>{second, first}));
    EXPECT_EQ(indices, (std::vector<int>{0, 0}));
    EXPECT_FALSE(RWyxPose::FindBindPoses(&factory, "Model::Hand", poses, indices)) << "only in a rest pose";
    EXPECT_TRUE(poses.empty() && indices.empty());
    EXPECT_FALSE(RWyxPose::FindBindPoses(nullptr, "Model::Arm", poses, indices));
}

// The bind poses that hold a name are kept beside the entries: every way an entry or a pose
// goes or comes is followed, and the answers stay those of a look into every pose.
TEST_F(PoseTest, WhoHoldsANameFollowsEveryChange) {
    RWyxPose* first = factory.CreatePose("First", true);
    RWyxPose* second = factory.CreatePose("Second", true);
    RWyxPose* third = factory.CreatePose("Third", true);
    ASSERT_TRUE(scene->AddPose(first) && scene->AddPose(second) && scene->AddPose(third));
    first->Add("Model::Arm", Moved(1), false);
    first->Add("Model::Leg", Moved(2), false);
    EXPECT_EQ(second->Add("Model::Arm", Moved(5), false), -1);
    std::vector<RWyxPose*> poses;
    std::vector<int> indices;
    // Removed, the entry no longer speaks for the node.
    ASSERT_TRUE(first->Remove(0));
    EXPECT_EQ(second->Add("Model::Arm", Moved(5), false), 0) << "no entry left to conflict with";
    ASSERT_TRUE(RWyxPose::FindBindPoses(&factory, "Model::Arm", poses, indices));
    EXPECT_EQ(poses, (std::vector<RWyxPose*>{second}));
    // Renamed, it speaks for its new name only; a second entry of a name keeps the pose holding it.
    ASSERT_TRUE(first->SetNodeName(0, "Model::Arm"));
    EXPECT_EQ(third->Add("Model::Leg", Moved(7), false), 0);
    EXPECT_EQ(third->Add("Model::Arm", Moved(5), false), -1) << "the Leg renamed";
    EXPECT_EQ(third->Add("Model::Arm", Moved(2), false), -1) << "the second pose's Arm";
    ASSERT_TRUE(first->Add("Model::Hand", Moved(3), false) == 1 && first->SetNodeName(1, "Model::Arm"));
    ASSERT_TRUE(first->Remove(0));
    ASSERT_TRUE(RWyxPose::FindBindPoses(&factory, "Model::Arm", poses, indices));
    EXPECT_EQ(poses, (std::vector<RWyxPose*>{first, second}));
    EXPECT_EQ(indices, (std::vector<int>{0, 0}));
    // A pose taken off the scene and registered again comes last; a destroyed one is gone.
    ASSERT_TRUE(scene->RemovePose(first));
    EXPECT_EQ(scene->GetPoseIndex(third), 1);
    ASSERT_TRUE(scene->AddPose(first));
    ASSERT_TRUE(RWyxPose::FindBindPoses(&factory, "Model::Arm", poses, indices));
    EXPECT_EQ(poses, (std::vector<RWyxPose*>{second, first}));
    ASSERT_TRUE(factory.DestroyPose(second));
    ASSERT_TRUE(RWyxPose::FindBindPoses(&factory, "Model::Arm", poses, indices));
    EXPECT_EQ(poses, (std::vector<RWyxPose*>{first}));
    EXPECT_EQ(third->Add("Model::Arm", Moved(3), false), 1) << "the first pose's Arm, once its Hand";
}

// Entries that agree within the tolerance are not alike: each is compared with on its own. Of
// the poses that hold alike entries, any one registered is enough to conflict.
TEST_F(PoseTest, EveryRegisteredEntryOfANameIsComparedWith) {
    RWyxPose* near = factory.CreatePose("Near", true);
    RWyxPose* nearer = factory.CreatePose("Nearer", true);
    RWyxPose* loose = factory.CreatePose("Loose", true);
    RWyxPose* late = factory.CreatePose("Late", true);
    ASSERT_EQ(near->Add("Model::Arm", Moved(1), false), 0);
    ASSERT_TRUE(scene->AddPose(near));
    ASSERT_EQ(nearer->Add("Model::Arm", Moved(1 + 0.9e-6), false), 0) << "within the tolerance";
    ASSERT_TRUE(scene->AddPose(nearer));
    RWyxPose* probe = factory.CreatePose("Probe", true);
    EXPECT_EQ(probe->Add("Model::Arm", Moved(1 - 0.5e-6), false), -1) << "near enough to one, not to the other";
    EXPECT_EQ(probe->Add("Model::Arm", Moved(1 + 0.5e-6), false), 0);
    // Two poses alike on the Leg, the first one in no scene: the second, registered, conflicts.
    ASSERT_EQ(loose->Add("Model::Leg", Moved(4), false), 0);
    ASSERT_EQ(late->Add("Model::Leg", Moved(4), false), 0);
    EXPECT_EQ(probe->Add("Model::Leg", Moved(5), false), 1) << "neither is registered yet";
    ASSERT_TRUE(probe->Remove(1));
    ASSERT_TRUE(scene->AddPose(late));
    EXPECT_EQ(probe->Add("Model::Leg", Moved(5), false), -1);
}

// A scene may register a pose another factory made: it is compared and found all the same.
TEST_F(PoseTest, APoseOfAnotherFactoryIsComparedAndFound) {
    RWyxObjectFactory other;
    RWyxPose* foreign = other.CreatePose("Foreign", true);
    RWyxPose* own = factory.CreatePose("Own", true);
    foreign->Add("Model::Arm", Moved(1), false);
    ASSERT_TRUE(scene->AddPose(foreign) && scene->AddPose(own));
    EXPECT_EQ(scene->GetForeignPoseCount(), 1);
    EXPECT_EQ(own->Add("Model::Arm", Moved(2), false), -1);
    std::vector<RWyxPose*> poses;
    std::vector<int> indices;
    ASSERT_TRUE(RWyxPose::FindBindPoses(&factory, "Model::Arm", poses, indices));
    EXPECT_EQ(poses, (std::vector<RWyxPose*>{foreign}));
    ASSERT_TRUE(scene->RemovePose(foreign));
    EXPECT_EQ(scene->GetForeignPoseCount(), 0);
    EXPECT_EQ(own->Add("Model::Arm", Moved(2), false), 0);
}

TEST_F(PoseTest, FindAnswersEveryEntryOfALargePoseByExactName) {
    RWyxPose* rest = factory.CreatePose("Rest", false);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(rest->Add(("Model::Joint" + std::to_string(i)).c_str(), Moved(i), true), i);
    }
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(rest->Find(("Model::Joint" + std::to_string(i)).c_str()), i);
    }
    EXPECT_EQ(rest->Find("model::joint7"), -1) << "names differ in case";
    EXPECT_EQ(rest->Find("Model::Joint"), -1);
    EXPECT_EQ(rest->Add("", Moved(0), true), 100) << "an empty name is a name";
    EXPECT_EQ(rest->Find(""), 100);
}

TEST_F(PoseTest, ARenamedEntryIsFoundByItsNewNameOnly) {
    RWyxPose* rest = factory.CreatePose("Rest", false);
    for (int i = 0; i < 20; ++i) rest->Add(("J" + std::to_string(i)).c_str(), Moved(i), false);
    ASSERT_TRUE(rest->SetNodeName(7, "Knee"));
    EXPECT_EQ(rest->Find("J7"), -1);
    EXPECT_EQ(rest->Find("Knee"), 7);
    EXPECT_EQ(rest->Add("J7", Moved(70), false), 20) << "the old name is free again";
    EXPECT_EQ(rest->Add("Knee", Moved(7), false), 7);
}

TEST_F(PoseTest, OfTwoNamesakesMadeByRenamingTheFirstIsFound) {
    RWyxPose* rest = factory.CreatePose("Rest", false);
    for (int i = 0; i < 20; ++i) rest->Add(("J" + std::to_string(i)).c_str(), Moved(i), false);
    ASSERT_TRUE(rest->SetNodeName(12, "J4"));
    EXPECT_EQ(rest->Find("J4"), 4);
    ASSERT_TRUE(rest->SetNodeName(2, "J4"));
    EXPECT_EQ(rest->Find("J4"), 2);
    EXPECT_EQ(rest->Add("J4", Moved(12), false), -1) << "compared with the first namesake";
    EXPECT_EQ(rest->Add("J4", Moved(2), false), 2);
    ASSERT_TRUE(rest->SetNodeName(2, "J2"));
    EXPECT_EQ(rest->Find("J4"), 4);
    ASSERT_TRUE(rest->Remove(4));
    EXPECT_EQ(rest->Find("J4"), 11) << "the later namesake, moved down";
}

TEST_F(PoseTest, AfterARemovalLaterEntriesAreFoundOneLower) {
    RWyxPose* rest = factory.CreatePose("Rest", false);
    for (int i = 0; i < 20; ++i) rest->Add(("J" + std::to_string(i)).c_str(), Moved(i), false);
    ASSERT_TRUE(rest->Remove(3));
    EXPECT_EQ(rest->Find("J3"), -1);
    for (int i = 0; i < 20; ++i) {
        if (i == 3) continue;
        EXPECT_EQ(rest->Find(("J" + std::to_string(i)).c_str()), i < 3 ? i : i - 1) << i;
    }
    EXPECT_EQ(rest->Add("J3", Moved(3), false), 19);
    while (rest->GetCount() > 0) ASSERT_TRUE(rest->Remove(0));
    EXPECT_EQ(rest->Find("J19"), -1);
    EXPECT_EQ(rest->Add("J19", Moved(1), false), 0);
    EXPECT_EQ(rest->Find("J19"), 0);
}

}  // namespace
