#include "scene/RWyxNode.h"

#include "tests/scene/MembershipTestSupport.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNodePath.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScalingChecker.h"

#include <gtest/gtest.h>

namespace {

class NodeMembershipTest : public membership_test::SceneFixture {
protected:
    // True when every node of the subtree answers the container and is listed there.
    static bool SubtreeIn(RWyxNode* top, const RWyxEntityContainer* entity) {
        std::vector<RWyxNode*> pending{top};
        while (!pending.empty()) {
            RWyxNode* node = pending.back();
            pending.pop_back();
            if (node->GetEntity() != entity || (entity != nullptr && !entity->ContainsNode(node))) return false;
            for (int i = 0; i < node->GetChildCount(); ++i) pending.push_back(node->GetChild(i));
        }
        return true;
    }
};

TEST_F(NodeMembershipTest, ASubtreeJoinsWhenLinkedBelowAMemberStaysWhenReparentedAndLeavesWhenUnlinked) {
    RWyxNode* left = Node("Left", Root());
    RWyxNode* arm = Node("Arm");
    RWyxNode* hand = Node("Hand", arm);
    ASSERT_TRUE(left->AddChild(arm));
    EXPECT_TRUE(SubtreeIn(arm, scene.get()));
    Node("Finger", hand);
    EXPECT_EQ(scene->GetNodeCount(), 5) << "a node linked below a member joins";
    for (RWyxNode* parent : {Node("Right", Root()), left, Root()}) {
        ASSERT_TRUE(parent->AddChild(arm));
        EXPECT_EQ(arm->GetParent(), parent);
        EXPECT_TRUE(SubtreeIn(arm, scene.get()));
        EXPECT_EQ(scene->GetNodeCount(), 6);
    }
    Root()->RemoveChild(arm);
    EXPECT_TRUE(SubtreeIn(arm, nullptr));
    EXPECT_EQ(scene->GetNodeCount(), 3);
}

// A refused link changes nothing: the child keeps its parent and membership, and the parent
// node tells why.
TEST_F(NodeMembershipTest, RefusedLinksLeaveBothSidesAsTheyWere) {
    RWyxNode* arm = Node("Arm", Root());
    RWyxNode* hand = Node("Hand", arm);
    RWyxNode* loose = Node("Loose");
    scene->AddNode(loose);  // a member without a parent
    RWyxNode* holder = Node("Holder");
    RWyxNode* twins = Node("Twins", holder);
    Node("Twin", twins);
    Node("Twin", twins);
    LitNode("Lamp", factory.CreateGobo("Spot"), Root());
    RWyxNode* lamp = LitNode("OtherLamp", factory.CreateGobo("Spot"));
    const struct {
        const char* what;
        RWyxNode* parent;
        RWyxNode* child;
        bool direct;  // through the properties objects instead of AddChild
        int code;
    } cases[] = {
        {"the root below its descendant", hand, Root(), false, RWyxNode::kErrorCyclicGraph},
        {"the same, linked directly", hand, Root(), true, RWyxNode::kErrorCyclicGraph},
        {"a parentless member below a member", arm, loose, true, RWyxNode::kErrorCyclicGraph},
        {"names clashing in the subtree", Root(), twins, false, RWyxNode::kErrorNodeNameClash},
        {"the same, linked directly", Root(), holder, true, RWyxNode::kErrorNodeNameClash},
        {"a gobo named as the scene's", Root(), lamp, false, RWyxNode::kErrorGoboNameClash},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RWyxNode* parent = c.child->GetParent();
        RWyxEntityContainer* entity = c.child->GetEntity();
        const int children = c.parent->GetChildCount();
        c.parent->GetError().ClearError();
        EXPECT_FALSE(c.direct ? c.parent->GetProperties()->ConnectSource(c.child->GetProperties())
                              : c.parent->AddChild(c.child));
        EXPECT_EQ(c.parent->GetError().GetLastErrorCode(), c.code);
        EXPECT_EQ(c.child->GetParent(), parent);
        EXPECT_EQ(c.parent->GetChildCount(), children);
        EXPECT_TRUE(SubtreeIn(c.child, entity));
    }
    EXPECT_STREQ(hand->GetError().GetLastErrorString(),
                 "Operation with a target of the entity would generate a cyclic graph");
    EXPECT_EQ(scene->GetNodeCount(), 5);
    EXPECT_EQ(scene->GetGoboCount(), 1);
    ASSERT_TRUE(arm->GetProperties()->ConnectSource(Node("Detached")->GetProperties()));
    EXPECT_TRUE(SubtreeIn(arm, scene.get())) << "a detached node linked directly joins";
}

// A move checks its subtree once, before it leaves: the checks of later links, direct or of a
// node without a parent, are still made, and a move below its own subtree is still refused.
TEST_F(NodeMembershipTest, AMoveChecksItsSubtreeOnceAndLaterLinksAgain) {
    RWyxNode* arm = Node("Arm", Root());
    RWyxNode* hand = Node("Hand", arm);
    RWyxNode* elbow = Node("Elbow", Root());
    ASSERT_TRUE(elbow->AddChild(arm));
    EXPECT_TRUE(SubtreeIn(arm, scene.get()));
    EXPECT_FALSE(hand->AddChild(arm));
    EXPECT_EQ(hand->GetError().GetLastErrorCode(), RWyxNode::kErrorCyclicGraph);
    EXPECT_EQ(arm->GetParent(), elbow);

    elbow->RemoveChild(arm);
    Node("Hand", arm);
    EXPECT_FALSE(Root()->GetProperties()->ConnectSource(arm->GetProperties()));
    EXPECT_EQ(Root()->GetError().GetLastErrorCode(), RWyxNode::kErrorNodeNameClash);
    Root()->GetError().ClearError();
    EXPECT_FALSE(Root()->AddChild(arm));
    EXPECT_EQ(Root()->GetError().GetLastErrorCode(), RWyxNode::kErrorNodeNameClash);
    EXPECT_EQ(arm->GetParent(), nullptr);
    EXPECT_TRUE(SubtreeIn(arm, nullptr));
}

TEST_F(NodeMembershipTest, SetEntityRefusesNodeClashesBeforeGoboClashesAndMovesNothing) {
    RWyxNode* top = Node("Top");
    RWyxNode* twin = Node("Twin", top);
    Node("Twin", top);
    LitNode("LampA", factory.CreateGobo("Spot"), top);
    LitNode("LampB", factory.CreateGobo("Spot"), top);
    EXPECT_FALSE(top->SetEntity(scene.get(), false));
    EXPECT_EQ(top->GetError().GetLastErrorCode(), RWyxNode::kErrorNodeNameClash);
    twin->SetName(RString("Other"));
    EXPECT_FALSE(top->SetEntity(scene.get(), false));
    EXPECT_EQ(top->GetError().GetLastErrorCode(), RWyxNode::kErrorGoboNameClash);
    EXPECT_STREQ(top->GetError().GetLastErrorString(), "Gobo name clash");
    EXPECT_TRUE(SubtreeIn(top, nullptr));
    EXPECT_EQ(scene->GetGoboCount(), 0);
}

// Uses are counted per node, so a part of a subtree leaving takes away only its own.
TEST_F(NodeMembershipTest, GobosMaterialsAndTexturesStayRecordedWhileAMemberUsesThem) {
    RWyxGobo* spot = factory.CreateGobo("Spot");
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    RWyxTexture* wood = factory.CreateTexture("Wood");
    RWyxNode* body = LitNode("Body", spot);
    RWyxNode* arm = LitNode("Arm", spot, body);
    for (RWyxNode* node : {Node("Torso", body), Node("Hand", arm)}) {
        RWyxMesh* mesh = Mesh(node);
        mesh->AddMaterial(skin, 0);
        mesh->AddTexture(wood, 1);
    }
    ASSERT_TRUE(Root()->AddChild(body));
    EXPECT_EQ(scene->GetUseCount(spot), 2);
    EXPECT_EQ(scene->GetUseCount(skin), 2);
    EXPECT_EQ(scene->GetUseCount(wood), 2);
    body->RemoveChild(arm);
    EXPECT_EQ(scene->GetGobo(0), spot);
    EXPECT_EQ(scene->GetUseCount(skin), 1);
    Root()->RemoveChild(body);
    EXPECT_EQ(scene->GetGoboCount() + scene->GetMaterialCount() + scene->GetTextureCount(), 0);
}

// A move within the scene leaves the scene and joins it again. A gobo whose last uses leave with
// the subtree loses its entry; another gobo renamed to its name since then would refuse it on
// the way back: the move is refused before anything leaves. A gobo that keeps other uses keeps
// its entry, and the move goes.
TEST_F(NodeMembershipTest, AMoveWithinTheSceneIsRefusedWhenItsGoboCouldNotJoinAgain) {
    RWyxGobo* spot = factory.CreateGobo("Spot");
    RWyxNode* arm = Node("Arm", Root());
    LitNode("Lamp", spot, arm);
    RWyxGobo* beam = factory.CreateGobo("Beam");
    RWyxNode* mast = LitNode("Mast", beam, Root());
    beam->SetName(RString("Spot"));
    Root()->GetError().ClearError();
    mast->GetError().ClearError();
    EXPECT_FALSE(mast->AddChild(arm));
    EXPECT_EQ(mast->GetError().GetLastErrorCode(), RWyxNode::kErrorGoboNameClash);
    EXPECT_EQ(arm->GetParent(), Root());
    EXPECT_EQ(mast->GetChildCount(), 0);
    EXPECT_EQ(Root()->GetChildCount(), 2);
    EXPECT_TRUE(SubtreeIn(arm, scene.get()));
    EXPECT_EQ(scene->GetNodeCount(), 4);
    ASSERT_EQ(scene->GetGoboCount(), 2);
    EXPECT_EQ(scene->GetGobo(0), spot);
    EXPECT_EQ(scene->GetUseCount(spot), 1);

    LitNode("Stay", spot, Root());
    EXPECT_TRUE(mast->AddChild(arm)) << "the gobo keeps its entry through the lamp that stays";
    EXPECT_EQ(arm->GetParent(), mast);
    EXPECT_TRUE(SubtreeIn(arm, scene.get()));
    EXPECT_EQ(scene->GetUseCount(spot), 2);
    EXPECT_EQ(scene->GetGobo(0), spot);
}

// Outside a scene a node may be linked below two parents; its subtree still joins and leaves
// it once, bringing and taking one use of its gobo. A subtree joining below a member clashes
// only by names within itself or by a gobo named as another; a node without children brings
// the uses of its own objects.
TEST_F(NodeMembershipTest, ANodeWithTwoParentsJoinsAndLeavesOnceAndSubtreesClashOnlyInThemselvesOrByGobos) {
    RWyxGobo* spot = factory.CreateGobo("Spot");
    LitNode("Lamp", spot, Root());
    RWyxNode* holder = Node("Holder");
    RWyxNode* left = Node("Left", holder);
    RWyxNode* right = Node("Right", holder);
    RWyxNode* shared = LitNode("Shared", spot, left);
    ASSERT_TRUE(right->GetProperties()->ConnectSource(shared->GetProperties()));
    ASSERT_EQ(right->GetChild(0), shared);
    ASSERT_TRUE(Root()->AddChild(holder));
    EXPECT_EQ(scene->GetNodeCount(), 6);
    EXPECT_EQ(scene->GetUseCount(spot), 2);
    Root()->RemoveChild(holder);
    EXPECT_TRUE(SubtreeIn(holder, nullptr));
    EXPECT_EQ(scene->GetNodeCount(), 2);
    EXPECT_EQ(scene->GetUseCount(spot), 1) << "the lamp that stays still uses the gobo";
    ASSERT_EQ(scene->GetGoboCount(), 1);

    RWyxNode* lone = Node("Lone");
    RWyxMaterial* skin = factory.CreateMaterial("Skin");
    Mesh(lone)->AddMaterial(skin, 0);
    ASSERT_TRUE(shared->SetEntity(scene.get(), false));
    ASSERT_TRUE(Root()->AddChild(lone));
    EXPECT_EQ(scene->GetUseCount(skin), 1);
    EXPECT_EQ(scene->GetUseCount(spot), 2);
    RWyxNode* twin = Node("Lone");
    EXPECT_TRUE(Root()->AddChild(twin)) << "names of other subtrees are not the lone node's to check";
    EXPECT_EQ(scene->GetNodeCount(), 5);

    // Two lamps of a subtree projecting one gobo do not clash, nor a name the scene has
    // elsewhere; a gobo named as another of the scene's does.
    RWyxNode* pair = Node("Pair");
    LitNode("Lamp", spot, pair);
    LitNode("PairLamp", spot, pair);
    EXPECT_TRUE(Root()->AddChild(pair));
    EXPECT_EQ(scene->GetUseCount(spot), 4);
    RWyxNode* rival = Node("Rival");
    LitNode("RivalLamp", factory.CreateGobo("Spot"), rival);
    Root()->GetError().ClearError();
    EXPECT_FALSE(Root()->AddChild(rival));
    EXPECT_EQ(Root()->GetError().GetLastErrorCode(), RWyxNode::kErrorGoboNameClash);
    EXPECT_TRUE(SubtreeIn(rival, nullptr));
}

// Leaving is never refused, even when the subtree's names came to clash after it joined; and
// each node leaves the container that records it, whichever that is.
TEST_F(NodeMembershipTest, LeavingIsNeverRefusedAndEveryNodeLeavesItsOwnContainer) {
    RWyxNode* arm = Node("Arm", Root());
    Node("Hand", arm)->SetName(RString("Finger"));
    Node("Finger", arm);
    Root()->RemoveChild(arm);
    EXPECT_TRUE(SubtreeIn(arm, nullptr));
    RWyxEntityContainer other(&factory);
    RWyxNode* leg = Node("Leg");
    ASSERT_TRUE(other.AddNode(Node("Foot", leg)));
    ASSERT_TRUE(Root()->AddChild(leg));
    EXPECT_EQ(other.GetNodeCount(), 1);
    EXPECT_TRUE(SubtreeIn(leg, scene.get()));
}

TEST_F(NodeMembershipTest, ANewRootReplacesTheOldOneUnlessANameOfItsSubtreeIsTaken) {
    RWyxNode* oldRoot = Root();
    Node("Arm", oldRoot);
    LitNode("Lamp", factory.CreateGobo("Spot"), oldRoot);
    RWyxNode* clashing = Node("Top");
    Node("Arm", clashing);
    EXPECT_FALSE(clashing->SetEntity(scene.get(), true));
    EXPECT_EQ(clashing->GetError().GetLastErrorCode(), RWyxNode::kErrorNodeNameClash);
    EXPECT_EQ(scene->GetNodeCount(), 3);
    EXPECT_TRUE(clashing->SetEntity(nullptr, true)) << "already in none";

    // A member outside the old root's subtree and a use recorded directly go with the rest.
    RWyxNode* loose = Node("Loose");
    ASSERT_TRUE(scene->AddNode(loose));
    ASSERT_TRUE(scene->AddMaterialUse(factory.CreateMaterial("Paint")));
    RWyxNode* top = Node("Top");
    RWyxNode* lamp = LitNode("Lamp2", factory.CreateGobo("Beam"), top);
    ASSERT_TRUE(top->SetEntity(scene.get(), true));
    EXPECT_EQ(loose->GetEntity(), nullptr);
    EXPECT_EQ(scene->GetMaterialCount(), 0);
    EXPECT_EQ(scene->GetRootNode(), top);
    EXPECT_TRUE(SubtreeIn(top, scene.get()));
    EXPECT_TRUE(SubtreeIn(oldRoot, nullptr));
    EXPECT_EQ(scene->GetNodeCount(), 2);
    EXPECT_EQ(scene->GetGoboCount(), 1);
    EXPECT_EQ(scene->GetGobo(0), lamp->GetLight()->GetGobo());
}

// Moving, walking and destroying a deep chain run on a thread with a 64 KB stack, which any
// walk recursing once per level would overrun (the sanitizer then reports the overflow). The
// membership benchmark moves chains of 100,000 nodes; here their making would take minutes.
TEST_F(NodeMembershipTest, ADeepChainJoinsLeavesAndIsWalkedWithoutRecursingPerLevel) {
    constexpr int kDepth = 6000;
    const std::vector<RWyxNode*> chain = Chain(kDepth);
    chain.back()->SetNodeAttribute(factory.CreateSkeleton());
    const bool ran = membership_test::RunOnStackOf(64 * 1024, [&] {
        ASSERT_TRUE(Root()->AddChild(chain.front()));
        EXPECT_EQ(scene->GetNodeCount(), kDepth + 1);
        EXPECT_EQ(chain.back()->GetEntity(), scene.get());
        std::vector<RWyxNode*> skeletons;
        scene->CollectNodesByAttributeType(skeletons, RWyxNodeAttribute::kSkeleton, true);
        EXPECT_EQ(skeletons, std::vector<RWyxNode*>{chain.back()});
        RWyxNameClashCollector collector(scene.get());
        EXPECT_TRUE(collector.Collect(Root()).empty());
        EXPECT_EQ(collector.GetNodesSeen().size(), static_cast<size_t>(kDepth + 1));
        EXPECT_TRUE(RWyxScalingChecker().Collect(Root()).empty());
        EXPECT_EQ(RWyxNodePath(chain.back()).GetNodeAt(kDepth), chain.back());
        Root()->RemoveChild(chain.front());
        EXPECT_EQ(chain.back()->GetEntity(), nullptr);
        ASSERT_TRUE(Root()->AddChild(chain.front()));
        EXPECT_TRUE(factory.DestroyNode(chain.front(), true));
        EXPECT_EQ(scene->GetNodeCount(), 1);
    });
    EXPECT_TRUE(ran);
}

}  // namespace
