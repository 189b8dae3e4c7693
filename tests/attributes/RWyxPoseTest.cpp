// Bind and rest poses: entries, conflicts within a pose and across the bind poses of a
// factory's scenes, the checked accessors and the look-up over every scene.

#include "attributes/RWyxPose.h"

#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <gtest/gtest.h>

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

}  // namespace
