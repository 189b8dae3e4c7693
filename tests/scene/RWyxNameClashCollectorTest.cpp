#include "scene/RWyxNameClashCollector.h"

#include "tests/scene/MembershipTestSupport.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxNodeVisitor.h"

#include <gtest/gtest.h>

namespace {

using NameClashCollectorTest = membership_test::SceneFixture;
using Collector = RWyxNameClashCollector;
using Nodes = std::vector<RWyxNode*>;

// Accepts the nodes whose name holds "Keep"; records the visits.
class RecordingVisitor : public RWyxNodeVisitor {
public:
    void Clear() override { RWyxNodeVisitor::Clear(); }
    bool Accept(RWyxNode* node) override {
        visited.push_back(node);
        return node->GetName().FindText("Keep") >= 0;
    }
    Nodes visited;
};

TEST_F(NameClashCollectorTest, TheWalkVisitsEachNodeBeforeItsChildrenInChildOrder) {
    RWyxNode* a = Node("A");
    RWyxNode* b = Node("KeepB", a);
    Node("C", b);
    Node("KeepD", a);
    Node("E", b);
    RecordingVisitor visitor;
    EXPECT_EQ(Names(visitor.Collect(a)), "KeepB KeepD");
    EXPECT_EQ(Names(visitor.visited), "A KeepB C E KeepD");
    EXPECT_EQ(visitor.GetRoot(), a);
    EXPECT_EQ(visitor.Collect(b).size(), 3u) << "results add up until Clear";
    visitor.Clear();
    EXPECT_TRUE(visitor.Collect(nullptr).empty());
}

TEST_F(NameClashCollectorTest, NodeNamesClashWithEarlierOnesAndWithTheTargetRootsDescendants) {
    RWyxNode* top = Node("Top");
    Node("Arm", top);
    RWyxNode* second = Node("Arm", Node("Body", top));
    Collector collector;
    EXPECT_EQ(collector.Collect(top), Nodes{second}) << "the second of two alike, not the first";
    EXPECT_EQ(Names(collector.GetNodesSeen()), "Top Arm Body Arm");
    collector.Clear();
    EXPECT_TRUE(collector.GetNodesSeen().empty() && collector.GetNodesClashing().empty());
    ASSERT_TRUE(collector.SetKindEnabled(Collector::kNodes, false));
    EXPECT_FALSE(collector.SetKindEnabled(4, true));
    EXPECT_TRUE(collector.Collect(top).empty());
    EXPECT_EQ(collector.GetNodesSeen().size(), 4u);
    collector.Collect(top);
    EXPECT_EQ(collector.GetNodesSeen().size(), 8u) << "a disabled kind lists every visit, repeats included";

    RWyxNode* arm = Node("Arm", Root());
    RWyxNode* hand = Node("Hand", arm);
    RWyxNode* root = Node("RootNode");  // the target root's own name does not count
    RWyxNode* outsideHand = Node("Hand", root);
    EXPECT_EQ(Collector(scene.get()).Collect(root), Nodes{outsideHand});
    EXPECT_TRUE(Collector(scene.get()).Collect(Root()).empty()) << "members never clash with themselves";
    hand->SetName(RString("Arm"));  // renamed after joining: both members now clash
    EXPECT_EQ(Collector(scene.get()).Collect(Root()), (Nodes{arm, hand}));
}

TEST_F(NameClashCollectorTest, GobosClashWithTheTargetsAndWithEarlierOnesButNotWithThemselves) {
    RWyxGobo* spot = factory.CreateGobo("Spot");
    LitNode("Lamp", spot, Root());
    RWyxNode* top = Node("Top");
    LitNode("SameGobo", spot, top);
    LitNode("TwinA", factory.CreateGobo("Beam"), top);
    RWyxNode* twinB = LitNode("TwinB", factory.CreateGobo("Beam"), top);
    RWyxNode* named = LitNode("Named", factory.CreateGobo("Spot"), top);
    Collector collector(scene.get());
    EXPECT_EQ(collector.Collect(top), (Nodes{twinB, named}));
    EXPECT_EQ(collector.GetGobosSeen().size(), 4u);
    EXPECT_EQ(collector.GetGobosClashing(),
              (std::vector<RWyxGobo*>{twinB->GetLight()->GetGobo(), named->GetLight()->GetGobo()}));
}

// Materials and textures are only listed by default (repeats included); enabled, a node's
// later objects are held against the target alone once one of its objects has clashed.
TEST_F(NameClashCollectorTest, MaterialsAndTexturesClashByTheRulesOfTheirKindWhenEnabled) {
    scene->AddMaterialUse(factory.CreateMaterial("Skin"));
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    RWyxMaterial* bone = factory.CreateMaterial("Bone");
    RWyxMaterial* bone2 = factory.CreateMaterial("Bone");
    RWyxTexture* wood = factory.CreateTexture("Wood");
    RWyxNode* top = Node("Top");
    RWyxMesh* first = Mesh(Node("First", top));
    first->AddMaterial(bone, 0);
    first->AddMaterial(bone, 1);
    first->AddTexture(wood, 0);
    RWyxMesh* second = Mesh(Node("Second", top));
    second->AddMaterial(skin, 0);
    second->AddMaterial(bone2, 0);
    second->AddTexture(wood, 0);
    second->AddTexture(wood, 1);
    RWyxMesh* hidden = Mesh(Node("Hidden", top));  // mapped by control point: not checked
    hidden->AddMaterial(factory.CreateMaterial("Skin"), 0);
    hidden->GetLayer(0)->GetMaterials()->SetMappingMode(RWyxLayerElement::kByControlPoint);

    Collector collector(scene.get());
    EXPECT_TRUE(collector.Collect(top).empty());
    EXPECT_EQ(collector.GetMaterialsSeen(), (std::vector<RWyxMaterial*>{bone, bone, skin, bone2}));
    collector.Clear();
    collector.SetKindEnabled(Collector::kMaterials, true);
    EXPECT_EQ(collector.Collect(top), Nodes{second->GetNode()});
    EXPECT_EQ(collector.GetTexturesSeen().size(), 3u) << "textures still only listed";
    // Skin clashes with the recorded one; Bone would clash with the first node's, but Skin came first.
    EXPECT_EQ(collector.GetMaterialsClashing(), std::vector<RWyxMaterial*>{skin});
    EXPECT_EQ(collector.GetMaterialsSeen(), (std::vector<RWyxMaterial*>{bone, skin, bone2}));
    collector.Clear();
    collector.SetKindEnabled(Collector::kTextures, true);
    collector.Collect(top);
    EXPECT_TRUE(collector.GetTexturesClashing().empty());
    EXPECT_EQ(collector.GetTexturesSeen().size(), 1u);

    Collector within;  // without the target, the second Bone clashes
    within.SetKindEnabled(Collector::kMaterials, true);
    within.Collect(top);
    EXPECT_EQ(within.GetMaterialsClashing(), std::vector<RWyxMaterial*>{bone2});
}

}  // namespace
