// The passes over the file's node tree: the name table (default cameras, camera targets), the
// namespaces nodes are made in, camera and light groups, deforming nulls, the bind-pose
// records' order and the deformer count.

#include "tests/support/ImportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "hostimport/ImportNodePasses.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <set>
#include <string>
#include <vector>

namespace {

class NodePassesTest : public SessionSceneTest {
protected:
    std::set<std::string> tableNames() {
        std::set<std::string> names;
        RStringMap& table = session_.GetNameTable();
        for (int i = 0; i < table.GetCount(); ++i) {
            const char* key = nullptr;
            table.ValueAt(i, &key);
            names.insert(key);
        }
        return names;
    }
};

TEST_F(NodePassesTest, DefaultCamerasLeaveTheSceneWithTheirSubtrees) {
    RWyxNode* persp = add(root(), "persp", factory().CreateCamera());
    add(add(persp, "child"), "grandchild");
    add(root(), "top", factory().CreateCamera());
    RWyxNode* rig = add(root(), "rig");
    add(rig, "front", factory().CreateCamera());  // not at the top: kept
    add(root(), "side");                         // not a camera: kept
    session_.BuildNameTable(nullptr);
    RStringMap& table = session_.GetNameTable();
    for (const char* name : {"persp", "child", "grandchild", "top", "rig", "front", "side"}) {
        table.Add((std::string("Model::") + name).c_str(), reinterpret_cast<std::intptr_t>(factory().FindNode(name, 0)));
    }
    session_.RemoveDefaultCameras(root());
    EXPECT_EQ(tableNames(), (std::set<std::string>{"Model::rig", "Model::front", "Model::side"}));
    EXPECT_EQ(root()->GetChildCount(), 2);
    EXPECT_EQ(factory().FindNode("grandchild", 0), nullptr);
}

TEST_F(NodePassesTest, EveryCameraTargetLeavesTheTable) {
    // The targets sort before their cameras: a removal while walking would skip a camera.
    const char* cameras[] = {"cam1", "cam2", "cam3"};
    const char* targets[] = {"aaa", "aab", "aac"};
    for (int i = 0; i < 3; ++i) {
        RWyxNode* camera = add(root(), cameras[i], factory().CreateCamera());
        camera->SetTarget(add(root(), targets[i]));
    }
    RWyxNode* light = add(root(), "light", factory().CreateLight());
    light->SetTarget(add(root(), "aad"));  // only cameras make their targets
    session_.BuildNameTable(root());
    EXPECT_EQ(tableNames(),
              (std::set<std::string>{"Model::cam1", "Model::cam2", "Model::cam3", "Model::light", "Model::aad"}));
}

TEST_F(NodePassesTest, CameraAndLightGroupsAreKnownByTheirChildren) {
    const auto group = [this](const char* name, std::vector<std::pair<const char*, bool>> children) {
        RWyxNode* node = add(root(), name, factory().CreateNull());
        for (const auto& child : children) add(node, child.first, child.second ? factory().CreateCamera() : nullptr);
        return IsAimUpGroupNode(node);
    };
    EXPECT_TRUE(group("light1_group", {{"light1", true}, {"light1_aim", false}, {"light1_up", false}}));
    EXPECT_TRUE(group("x_group", {{"x_aim", false}, {"x_up", false}}));
    EXPECT_FALSE(group("y_group", {{"y1", true}, {"y_up", false}}));  // no aim
    EXPECT_FALSE(group("z_grp", {{"z", true}, {"z_aim", false}}));
    EXPECT_FALSE(group("w_group", {{"w_aim", false}}));
    EXPECT_TRUE(group("v_group", {{"v", true}, {"v_aim", false}}));
}

// The rig an import made, exported: the host's group keeps its own name while the camera and
// its aim locator carry the file's names. The camera's targets tell the rig.
TEST_F(NodePassesTest, ARigWhoseCameraAimsAtASiblingIsAGroupWhateverTheNames) {
    RWyxNode* rig = add(root(), "camera1_group", factory().CreateNull());
    RWyxNode* camera = add(rig, "Camera", factory().CreateCamera());
    RWyxNode* aim = add(rig, "Character");
    camera->SetTarget(aim);
    EXPECT_TRUE(IsAimUpGroupNode(rig));
    RWyxNode* other = add(root(), "other_group", factory().CreateNull());
    RWyxNode* looking = add(other, "Camera2", factory().CreateCamera());
    looking->SetTarget(add(root(), "elsewhere"));
    add(other, "spare");
    EXPECT_FALSE(IsAimUpGroupNode(other)) << "the target is no child of the group";
    RWyxNode* upOnly = add(root(), "up_group", factory().CreateNull());
    RWyxNode* tilted = add(upOnly, "Tilted", factory().CreateCamera());
    tilted->SetTargetUp(add(upOnly, "Sky"));
    EXPECT_FALSE(IsAimUpGroupNode(upOnly)) << "no aim";
    RWyxNode* named = add(root(), "Named_group", factory().CreateNull());
    add(named, "Named", factory().CreateCamera())->SetTarget(add(named, "Ahead"));
    EXPECT_TRUE(IsAimUpGroupNode(named));
}

TEST_F(NodePassesTest, DeformingNullsBecomeLimbNodesOtherKindsStay) {
    RWyxMesh* mesh = factory().CreateMesh();
    add(root(), "body", mesh);
    RWyxNode* null = add(root(), "null", factory().CreateNull());
    RWyxNode* bare = add(root(), "bare");
    RWyxNode* other = add(root(), "other", factory().CreateMesh());
    RWyxSkeleton* joint = factory().CreateSkeleton();
    joint->SetSkeletonType(RWyxSkeleton::kRoot);
    RWyxNode* bone = add(root(), "bone", joint);
    for (RWyxNode* linked : {null, bare, other, bone}) {
        RWyxSkinLink* link = factory().CreateSkinLink();
        link->SetLink(linked);
        mesh->AddDeformer(link);
    }
    int deformers = 0;
    CountGeometryDeformers(root(), deformers);
    EXPECT_EQ(deformers, 4);
    ConvertDeformingNullsToJoints(root(), factory());
    for (RWyxNode* converted : {null, bare}) {
        ASSERT_NE(converted->GetSkeleton(), nullptr);
        EXPECT_EQ(converted->GetSkeleton()->GetSkeletonType(), RWyxSkeleton::kLimbNode);
    }
    EXPECT_NE(other->GetMesh(), nullptr);
    EXPECT_EQ(bone->GetSkeleton()->GetSkeletonType(), RWyxSkeleton::kRoot);
}

TEST_F(NodePassesTest, PoseRecordsFollowTheTreeInPreOrder) {
    RWyxNode* a = add(root(), "a");
    RWyxNode* b = add(a, "b");
    RWyxNode* c = add(root(), "c");
    RWyxNode* loose = factory().CreateNode("loose");
    struct Record {
        RWyxNode* node;
        int tag;
    };
    std::vector<Record> records = {{c, 1}, {b, 2}, {loose, 3}, {a, 4}, {b, 5}};
    SortPoseRecordsByHierarchy(records, root());
    std::vector<int> order;
    for (const Record& record : records) order.push_back(record.tag);
    // One record per node, the later of two; a node outside the tree is dropped.
    EXPECT_EQ(order, (std::vector<int>{4, 5, 1}));
    std::vector<Record> single = {{loose, 7}};
    SortPoseRecordsByHierarchy(single, root());
    EXPECT_EQ(single.size(), 1u);
}

// ---- namespaces, through the import ---------------------------------------------------------------

// The nodes of a namespace below a node made earlier: each is made while the namespace of
// the node before it is current.
RWyxScene* NamespacedChildren(RWyxObjectFactory& factory, const std::vector<std::string>& names) {
    RWyxScene* scene = BuildNamedNodes(factory, {"holder"});
    for (const std::string& name : names) scene->GetRootNode()->GetChild(0)->AddChild(factory.CreateNode(name.c_str()));
    return scene;
}

TEST_F(NodePassesTest, NamespacesAreMadeAtTheTopWhateverIsCurrent) {
    TestSource().build = [](RWyxObjectFactory& factory) {
        return NamespacedChildren(factory, {"ns:b", "ns:a", "ns2:c", "plain"});
    };
    ASSERT_TRUE(VGlobal::executeCommand("namespace -add elsewhere; namespace -set elsewhere"));
    ASSERT_TRUE(importFile(testFile(), 1));
    std::string scene = dump();
    for (const char* line : {"namespace ns\n", "namespace ns2\n", "node transform |holder|ns:a\n",
                             "node transform |holder|ns:b\n", "node transform |holder|ns2:c\n",
                             "node transform |holder|plain\n"}) {
        EXPECT_NE(scene.find(line), std::string::npos) << line << scene;
    }
    EXPECT_EQ(scene.find("ns:ns2"), std::string::npos) << scene;
    VString current;
    ASSERT_TRUE(VGlobal::executeCommand("namespaceInfo -currentNamespace", current));
    EXPECT_EQ(current, ":");

    // Again, with the namespaces there: other nodes join them.
    TestSource().build = [](RWyxObjectFactory& factory) { return NamespacedChildren(factory, {"ns:d", "ns2:e"}); };
    ASSERT_TRUE(importFile(testFile(), 1));
    scene = dump();
    EXPECT_NE(scene.find("node transform |holder|ns:d\n"), std::string::npos) << scene;
    EXPECT_NE(scene.find("node transform |holder|ns2:e\n"), std::string::npos) << scene;
    EXPECT_EQ(scene.find("ns:ns2"), std::string::npos) << scene;
    EXPECT_EQ(scene.find("namespace ns2:"), std::string::npos) << scene;
}

TEST_F(NodePassesTest, ExclusiveMergeMakesNothingAndEndsInTheRootNamespace) {
    TestSource().build = [](RWyxObjectFactory& factory) { return BuildNamedNodes(factory, {"ns:a"}); };
    ASSERT_TRUE(VGlobal::executeCommand("namespace -add elsewhere; namespace -set elsewhere"));
    ASSERT_TRUE(importFile(testFile(), 0));
    EXPECT_FALSE(dumps("ns:a"));
    VString current;
    ASSERT_TRUE(VGlobal::executeCommand("namespaceInfo -currentNamespace", current));
    EXPECT_EQ(current, ":");
}

}  // namespace
