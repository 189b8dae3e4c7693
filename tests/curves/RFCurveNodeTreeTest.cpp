#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/RProperty.h"
#include "core/RString.h"
#include "tests/curves/CurveNodeTestSupport.h"

using namespace curve_node_test;
using curve_test::At;

namespace {

struct NotifyLog {
    int calls = 0;
    uint32_t kinds = 0;
    static void Listen(RFCurveNode&, const RFCurveNode::ChangeRecord& record, void* userData) {
        auto* log = static_cast<NotifyLog*>(userData);
        ++log->calls;
        log->kinds |= record.kinds;
    }
};

}  // namespace

TEST(RFCurveNodeTree, NamesAndTimeWarpUserName) {
    NodePtr plain(RFCurveNode::Create("Lcl Rotation", Type("Lcl Rotation")));
    EXPECT_STREQ(plain->GetName(), "Lcl Rotation");
    EXPECT_TRUE(plain->GetUserName().IsValid());
    EXPECT_STREQ(plain->GetUserName().Buffer(), "Lcl Rotation");
    EXPECT_EQ(plain->GetFlags(), 0x60u);
    EXPECT_EQ(plain->GetLayerOwner(), plain.get());

    NodePtr warp(RFCurveNode::Create("Warp", Type("TimeWarp")));
    EXPECT_FALSE(warp->GetUserName().IsValid());

    // A shallow copy shares the name record.
    NodePtr copy(plain->Clone(true, false, false, -1));
    copy->SetUserName("renamed");
    EXPECT_STREQ(plain->GetUserName().Buffer(), "renamed");
    EXPECT_EQ(copy->GetSourceNode(), plain.get());
}

// Nodes made alike share a name record from a table of common names; the table tells names
// by their text and data type, whatever buffer the caller passed, and a change of one node's
// record leaves the others as made.
TEST(RFCurveNodeTree, NodesMadeAlikeKeepTheirOwnNamesAndDataTypes) {
    char name[16] = "Shared";
    NodePtr typed(RFCurveNode::Create(name, Type("TimeWarp")));
    NodePtr plain(RFCurveNode::Create(name, nullptr));
    std::strcpy(name, "Other");
    NodePtr other(RFCurveNode::Create(name, nullptr));
    std::strcpy(name, "Shared");
    NodePtr again(RFCurveNode::Create(name, nullptr));
    EXPECT_EQ(typed->GetDataType(), Type("TimeWarp"));
    EXPECT_FALSE(typed->GetUserName().IsValid());
    EXPECT_EQ(plain->GetDataType(), nullptr);
    EXPECT_STREQ(plain->GetUserName().Buffer(), "Shared");
    EXPECT_STREQ(other->GetName(), "Other");
    EXPECT_STREQ(again->GetName(), "Shared");
    again->SetUserName("renamed");
    NodePtr later(RFCurveNode::Create("Shared", nullptr));
    EXPECT_STREQ(plain->GetUserName().Buffer(), "Shared");
    EXPECT_STREQ(later->GetUserName().Buffer(), "Shared");
    EXPECT_STREQ(again->GetUserName().Buffer(), "renamed");

    // The table keeps no view of a caller's text, which may be gone at the next lookup (the
    // sanitizer reports a read of it).
    auto text = std::make_unique<std::string>("A name longer than the inline room");
    NodePtr first(RFCurveNode::Create(text->c_str(), nullptr));
    text.reset();
    NodePtr second(RFCurveNode::Create("A name longer than the inline room", nullptr));
    EXPECT_STREQ(second->GetName(), "A name longer than the inline room");
}

// A child is found by its name in any case, the first letter included; names that share only
// their first letter, or only their length, are told apart.
TEST(RFCurveNodeTree, ChildrenAreFoundByNameInAnyCase) {
    NodePtr root(RFCurveNode::Create("Defaults", nullptr));
    for (const char* name : {"Lcl Translation", "Lcl Rotation", "Visibility", "", "\xE9t\xE9"}) {
        root->AddChild(RFCurveNode::Create(name, nullptr));
    }
    EXPECT_EQ(root->GetChildIndexByName("lcl rotation"), 1);
    EXPECT_EQ(root->GetChildIndexByName("LCL TRANSLATION"), 0);
    EXPECT_EQ(root->GetChildIndexByName("vISIBILITY"), 2);
    EXPECT_EQ(root->GetChildIndexByName("Lcl Scaling"), -1);
    EXPECT_EQ(root->GetChildIndexByName("Wisibility"), -1);
    EXPECT_EQ(root->GetChildIndexByName(""), 3);
    EXPECT_EQ(root->GetChildIndexByName(nullptr), 3);
    EXPECT_EQ(root->GetChildIndexByName("\xE9T\xE9"), 4);
    EXPECT_EQ(root->GetChildIndexByName("\xC9t\xE9"), -1);  // only ASCII letters fold
}

// Texts that take turns in one buffer, and more names than a thread remembers: every node
// still gets the text it was made with.
TEST(RFCurveNodeTree, NamesTakingTurnsInOneBufferKeepTheirOwnText) {
    char name[32] = "";
    for (int round = 0; round < 3; ++round) {
        for (const char* text : {"First", "Second", "First", "Third", "Second", "First"}) {
            std::strcpy(name, text);
            NodePtr node(RFCurveNode::Create(name, nullptr));
            EXPECT_STREQ(node->GetName(), text);
        }
    }
    std::vector<std::string> texts;
    for (int i = 0; i < 300; ++i) texts.push_back("Channel " + std::to_string(i));
    for (int round = 0; round < 2; ++round) {
        for (const std::string& text : texts) {
            NodePtr node(RFCurveNode::Create(text.c_str(), nullptr));
            ASSERT_STREQ(node->GetName(), text.c_str());
        }
    }
}

TEST(RFCurveNodeTree, FindByPathThroughDataTypesAndDepth) {
    NodePtr root(RFCurveNode::Create("Defaults", nullptr));
    RFCurveNode* rotation = MakeVectorNode("Rotation channel", Type("Lcl Rotation"), {1, 2, 3});
    root->AddChild(MakeVectorNode("Lcl Translation", Type("Lcl Translation"), {0, 0, 0}));
    root->AddChild(rotation);
    RFCurveNode* deep = root->GetChild(0)->GetChild(1)->FindOrAddChild("Hidden", true);

    EXPECT_EQ(root->FindByPath("R/X"), rotation->GetChild(0));
    EXPECT_EQ(root->FindByPath("r/z"), nullptr);  // the letters are exact, names ignore case
    EXPECT_EQ(root->FindByPath("rotation CHANNEL/z"), rotation->GetChild(2));
    // A name that exists only deeper is found depth-first, first child first.
    EXPECT_EQ(root->FindByPath("Hidden"), deep);
    EXPECT_EQ(root->FindByPath("X"), root->GetChild(0)->GetChild(0));
    EXPECT_EQ(root->FindByPath("R/W"), nullptr);
    EXPECT_EQ(root->FindByPath("R/"), nullptr) << "an empty last name finds nothing";
    EXPECT_EQ(root->FindByPath("lcl TRANSLATION/Hidden"), deep);
    EXPECT_EQ(root->FindByPath((std::string(80, 'q') + "/X").c_str()), nullptr);
    EXPECT_EQ(root->FindByPath(nullptr), nullptr);
    EXPECT_EQ(root->FindByDataType(Type("Lcl Rotation")), rotation);
}

TEST(RFCurveNodeTree, SortedInsertionGoesBeforeNamesakes) {
    NodePtr node(RFCurveNode::Create("parent", nullptr));
    node->AddChild(RFCurveNode::Create("a", nullptr));
    node->AddChild(RFCurveNode::Create("B", nullptr));
    node->AddChild(RFCurveNode::Create("c", nullptr));
    RFCurveNode* b = RFCurveNode::Create("b", nullptr);
    EXPECT_EQ(node->InsertChildSorted(b), 1);
    EXPECT_EQ(node->GetChild(1), b);
    EXPECT_EQ(b->GetParent(), node.get());
    EXPECT_EQ(node->InsertChildSorted(RFCurveNode::Create("z", nullptr)), 4);
    EXPECT_EQ(node->GetChildIndexByName("C"), 3);
}

TEST(RFCurveNodeTree, LayerTypesAddAndRemoveTheWChannel) {
    NodePtr node(MakeVectorNode("R", Type("Lcl Rotation"), {0, 0, 0}));
    ChannelCurve(*node, 0).SetCurveSelected(true);
    RFCurveNode owner("owner");
    node->SetLayerType(RFCurveNode::LayerQuaternion, &owner);
    ASSERT_EQ(node->GetChildCount(), 4);
    RFCurveNode* w = node->GetChild(3);
    EXPECT_STREQ(w->GetName(), "W");
    EXPECT_EQ(w->GetDataType(), &RDataType::Number());
    ASSERT_NE(w->GetCurve(), nullptr);
    EXPECT_EQ(w->GetCurve()->GetKeyCount(), 0);
    EXPECT_TRUE(w->GetCurve()->IsCurveSelected());
    EXPECT_EQ(w->GetLayerOwner(), &owner);

    double identity[4] = {9, 9, 9, 9};
    EXPECT_EQ(node->GetLayerIdentity(identity), 4);
    EXPECT_EQ(identity[3], 1.0);

    node->SetLayerType(RFCurveNode::LayerRotation);
    EXPECT_EQ(node->GetChildCount(), 3);

    NodePtr two(RFCurveNode::Create("UV", nullptr));
    two->AddChild(MakeLeaf("U", 0));
    two->AddChild(MakeLeaf("V", 0));
    two->SetLayerType(RFCurveNode::LayerQuaternion);
    EXPECT_EQ(two->GetChildCount(), 2);

    NodePtr scaling(MakeVectorNode("S", nullptr, {1, 1, 1}, RFCurveNode::LayerMultiplicative));
    EXPECT_EQ(scaling->GetLayerIdentity(identity), 3);
    EXPECT_EQ(identity[0], 1.0);
    EXPECT_EQ(identity[2], 1.0);
}

// The layers of a node follow its "W": a layer never keeps a channel whose layer owner is gone.
TEST(RFCurveNodeTree, LayerTypesChangeTheWOfEveryLayer) {
    NodePtr node(MakeVectorNode("Q", nullptr, {0, 0, 0}));
    node->SetLayerType(RFCurveNode::LayerQuaternion);
    RFCurveNode* layer = node->CreateLayer(1, true);
    ASSERT_EQ(layer->GetChildCount(), 4);
    EXPECT_EQ(layer->GetChild(3)->GetLayerOwner(), node->GetChild(3));
    node->SetLayerType(RFCurveNode::LayerRotation);
    EXPECT_EQ(node->GetChildCount(), 3);
    EXPECT_EQ(layer->GetChildCount(), 3);
    EXPECT_EQ(layer->GetLayerType(), RFCurveNode::LayerRotation);
    layer->SetQuaternionInterpolation(true);

    // Back to a quaternion: the layer's new "W" is owned by the node's new one.
    node->SetLayerType(RFCurveNode::LayerQuaternion);
    ASSERT_EQ(layer->GetChildCount(), 4);
    EXPECT_EQ(layer->GetChild(3)->GetLayerOwner(), node->GetChild(3));
    EXPECT_EQ(node->GetChild(3)->GetLayerOwner(), node->GetChild(3));
}

TEST(RFCurveNodeTree, LayerChainStaysSortedAndTakesIdentityDefaults) {
    NodePtr node(MakeVectorNode("S", nullptr, {2, 3, 4}, RFCurveNode::LayerMultiplicative));
    float red[3] = {1, 0, 0};
    ChannelCurve(*node, 1).SetColor(red);
    node->AddLayer(0);
    EXPECT_EQ(node->GetNextLayer(), nullptr);
    node->AddLayer(5);
    node->AddLayer(3);
    node->AddLayer(3);
    node->AddLayer(-2);  // below the base: refused, the chain stays sorted
    RFCurveNode* three = node->GetNextLayer();
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->GetLayerID(), 3);
    ASSERT_NE(three->GetNextLayer(), nullptr);
    EXPECT_EQ(three->GetNextLayer()->GetLayerID(), 5);
    EXPECT_EQ(three->GetNextLayer()->GetNextLayer(), nullptr);
    EXPECT_EQ(node->FindLayer(5), three->GetNextLayer());
    EXPECT_EQ(node->FindLayer(4), nullptr);
    EXPECT_EQ(node->FindLayer(0), node.get());

    EXPECT_EQ(three->GetLayerOwner(), node.get());
    EXPECT_EQ(three->GetChild(1)->GetLayerOwner(), node->GetChild(1));
    EXPECT_EQ(three->GetChild(1)->GetLayerID(), 3);
    EXPECT_EQ(ChannelCurve(*three, 1).GetDefaultValue(), 1.0f);
    float rgb[3];
    ChannelCurve(*three, 1).GetColor(rgb);
    EXPECT_EQ(rgb[1], 0.0f);

    node->SetFlag(RFCurveNode::FlagLayeringEnabled, false);
    EXPECT_EQ(node->CreateLayer(7, false), nullptr);
    EXPECT_EQ(node->GetEffectiveLayerID(7), 0);
}

TEST(RFCurveNodeTree, SetCurveAndTimeWarpWithTheHeldObjectChangeNothing) {
    NotifyLog log;  // outlives the node, which notifies its listeners as it dies
    NodePtr node(MakeLeaf("X", 4));
    node->AddListener(&NotifyLog::Listen, &log);
    RFCurve* held = node->GetCurve();
    EXPECT_EQ(node->SetCurve(held, true), nullptr);
    EXPECT_EQ(node->GetCurve(), held);
    EXPECT_EQ(held->GetDefaultValue(), 4.0f);
    EXPECT_EQ(log.calls, 0);

    RFCurve* replacement = RFCurve::Create();
    EXPECT_EQ(node->SetCurve(replacement, false), held);
    RFCurve::Destroy(held);
    EXPECT_EQ(log.kinds, RFCurveNode::ChangeCurveReplaced);

    RFCurveNode* warp = MakeLeaf("warp", 2);
    EXPECT_TRUE(node->SetTimeWarp(warp));
    EXPECT_EQ(warp->GetReferenceCount(), 1);
    EXPECT_TRUE(node->SetTimeWarp(warp));  // no release-then-store of the same node
    EXPECT_EQ(warp->GetReferenceCount(), 1);
    EXPECT_EQ(warp->GetCurve()->GetDefaultValue(), 2.0f);
    EXPECT_EQ(log.calls, 2);
}

// A link that would let a node's evaluation (or destruction) reach the node again is refused
// and changes nothing; a link that was made by mistake is undone at once, so that a failure
// is reported instead of a recursion without end.
TEST(RFCurveNodeTree, CyclesAreRefused) {
    NodePtr root(RFCurveNode::Create("root", nullptr));
    RFCurveNode* child = root->FindOrAddChild("child", false);
    RFCurveNode* grandchild = child->FindOrAddChild("grandchild", true);
    RFCurveNode* warp = MakeLeaf("warp", 1);
    ASSERT_TRUE(root->SetTimeWarp(warp));
    RFCurveNode* loop = RFCurveNode::Create("loop", nullptr);
    ASSERT_EQ(warp->AddChild(loop), 0);

    auto expectNoChild = [](RFCurveNode& parent, RFCurveNode* candidate, int index, const char* what) {
        EXPECT_EQ(index, -1) << what;
        if (index >= 0) {
            parent.RemoveChild(index);
        }
        EXPECT_FALSE(parent.IsChild(candidate, false)) << what;
    };
    expectNoChild(*grandchild, root.get(), grandchild->AddChild(root.get()), "ancestor");
    expectNoChild(*grandchild, child, grandchild->InsertChildSorted(child), "parent, sorted");
    expectNoChild(*loop, root.get(), loop->AddChild(root.get()), "through a time warp");
    expectNoChild(*root, root.get(), root->AddChild(root.get()), "itself");
    EXPECT_EQ(root->AddChild(child), -1);  // already a child
    EXPECT_EQ(root->GetChildCount(), 1);
    // A view (non-owning) holds a child once too, also after it starts owning its children.
    NodePtr view(RFCurveNode::Create("view", nullptr));
    view->SetFlag(RFCurveNode::FlagNonOwning, true);
    EXPECT_EQ(view->AddChild(grandchild), 0);
    EXPECT_EQ(view->AddChild(grandchild), -1);
    view->SetFlag(RFCurveNode::FlagNonOwning, false);
    EXPECT_EQ(view->AddChild(grandchild), -1);
    view->SetFlag(RFCurveNode::FlagNonOwning, true);
    view->RemoveChild(0);
    EXPECT_EQ(grandchild->GetParent(), child);
    EXPECT_EQ(root->AddChild(nullptr), -1);
    EXPECT_EQ(root->GetParent(), nullptr);
    EXPECT_EQ(child->GetParent(), root.get());

    // A node cannot warp by itself or by a node whose evaluation reaches it, nor layer them.
    for (RFCurveNode* target : {grandchild, root.get()}) {
        const bool warped = grandchild->SetTimeWarp(target);
        EXPECT_FALSE(warped);
        if (warped) {
            target->AddReference();  // releasing the link must not delete the node
            grandchild->SetTimeWarp(nullptr);
        }
        EXPECT_EQ(grandchild->GetTimeWarp(), nullptr);
    }
    for (RFCurveNode* target : {root.get(), child, grandchild}) {
        const bool layered = grandchild->SetLayer(target, false);
        EXPECT_FALSE(layered);
        if (layered) {
            grandchild->SetLayer(nullptr, false);
        }
        EXPECT_EQ(grandchild->GetNextLayer(), nullptr);
    }
    EXPECT_EQ(root->GetReferenceCount(), 0);
}

TEST(RFCurveNodeTree, RemovingAChildThatIsNotOwnLeavesTheTreeAlone) {
    NodePtr first(RFCurveNode::Create("first", nullptr));
    NodePtr second(RFCurveNode::Create("second", nullptr));
    RFCurveNode* child = first->FindOrAddChild("child", true);
    second->RemoveAndDeleteChild(child);
    EXPECT_EQ(first->GetChild(0), child);
    EXPECT_EQ(child->GetParent(), first.get());
    second->RemoveChild(0);
    second->DeleteChild(3);
    second->RemoveAndDeleteChild(nullptr);

    first->RemoveAndDeleteChild(child);
    EXPECT_EQ(first->GetChildCount(), 0);

    // Adopting a child takes it out of its previous parent.
    RFCurveNode* moved = first->FindOrAddChild("moved", false);
    second->AddChild(moved);
    EXPECT_EQ(first->GetChildCount(), 0);
    EXPECT_EQ(moved->GetParent(), second.get());
}

TEST(RFCurveNodeTree, DestructionOrderAndSharedTimeWarps) {
    DestructionLog log;
    RFCurveNode* root = MakeVectorNode("root", nullptr, {1, 2, 3});
    log.Watch(*root);
    for (int i = 0; i < 3; ++i) {
        log.Watch(*root->GetChild(i));
    }
    root->CreateLayer(1, true);
    log.Watch(*root->GetNextLayer());
    RFCurveNode* warp = MakeLeaf("warp", 0);
    log.Watch(*warp);
    RFCurveNode* other = MakeLeaf("other", 0);
    ASSERT_TRUE(root->SetTimeWarp(warp));
    ASSERT_TRUE(other->SetTimeWarp(warp));
    EXPECT_EQ(warp->GetReferenceCount(), 2);

    RFCurveNode::Destroy(root);
    // The node first, then its children last to first, then its layer; the shared warp stays.
    const std::vector<std::string> expected{"root", "Z", "Y", "X", "root"};
    EXPECT_EQ(log.names, expected);
    EXPECT_EQ(warp->GetReferenceCount(), 1);
    RFCurveNode::Destroy(other);
    EXPECT_EQ(log.names.back(), "warp");

    // A deleted child leaves its parent's array.
    NodePtr parent(MakeVectorNode("P", nullptr, {0, 0, 0}));
    RFCurveNode::Destroy(parent->GetChild(1));
    EXPECT_EQ(parent->GetChildCount(), 2);
    EXPECT_STREQ(parent->GetChild(1)->GetName(), "Z");
}

// A parent holds a reference on each child: a child that time warps still use outlives the
// parent that clears or deletes it, until the last of them lets it go.
TEST(RFCurveNodeTree, TimeWarpsKeepTheirNodeAliveAfterItsParent) {
    DestructionLog log;
    NodePtr user(MakeLeaf("user", 0));
    NodePtr other(MakeLeaf("other", 0));
    RFCurveNode* holder = RFCurveNode::Create("TimeWarps", nullptr);
    RFCurveNode* warp = holder->FindOrAddChild("Warp", true);
    RFCurveNode* second = holder->FindOrAddChild("Second", true);
    ChannelCurve(*holder, 0).SetDefaultValue(2.0f);
    log.Watch(*warp);
    log.Watch(*second);
    EXPECT_EQ(warp->GetReferenceCount(), 1);
    ASSERT_TRUE(user->SetTimeWarp(warp));
    ASSERT_TRUE(other->SetTimeWarp(second));
    EXPECT_EQ(warp->GetReferenceCount(), 2);

    holder->DeleteChild(1);
    RFCurveNode::Destroy(holder);
    EXPECT_TRUE(log.names.empty());
    EXPECT_EQ(warp->GetParent(), nullptr);
    EXPECT_EQ(warp->GetReferenceCount(), 1);
    double value = 0.0;
    user->Evaluate(&value, At(5.0), nullptr, false);
    EXPECT_EQ(user->GetTimeWarp(), warp);
    user->SetTimeWarp(nullptr);
    EXPECT_EQ(log.names, std::vector<std::string>{"Warp"});
    other.reset();
    EXPECT_EQ(log.names, (std::vector<std::string>{"Warp", "Second"}));

    // Moving a child between parents moves the reference with it.
    NodePtr first(RFCurveNode::Create("first", nullptr));
    NodePtr next(RFCurveNode::Create("next", nullptr));
    RFCurveNode* moved = first->FindOrAddChild("moved", false);
    next->AddChild(moved);
    EXPECT_EQ(moved->GetReferenceCount(), 1);
    next->RemoveChild(0);
    EXPECT_EQ(moved->GetReferenceCount(), 0);
    RFCurveNode::Destroy(moved);
}

// A node listener that removes another during a delivery: every listener registered when the
// delivery began and not removed before its turn is called exactly once.
TEST(RFCurveNodeTree, ListenersRemovedDuringADeliveryAreNeitherSkippedNorRepeated) {
    struct Remover {
        int calls = 0;
        void* removes = nullptr;
        static void Listen(RFCurveNode& node, const RFCurveNode::ChangeRecord&, void* userData) {
            auto* self = static_cast<Remover*>(userData);
            ++self->calls;
            if (self->removes != nullptr) {
                node.RemoveListener(&Listen, self->removes);
            }
        }
    };
    Remover first;
    Remover second;
    Remover third;
    NodePtr node(MakeLeaf("N", 0));
    for (Remover* listener : {&first, &second, &third}) node->AddListener(&Remover::Listen, listener);
    third.removes = &first;  // the last registered is called first
    node->SetCurve(RFCurve::Create());
    EXPECT_EQ(third.calls, 1);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(first.calls, 0);
    node->RemoveListener(&Remover::Listen, &second);
    node->RemoveListener(&Remover::Listen, &third);
}

TEST(RFCurveNodeTree, TransformCurvesNeedAllNine) {
    NodePtr root(RFCurveNode::Create("Defaults", nullptr));
    root->AddChild(MakeVectorNode("Lcl Translation", Type("Lcl Translation"), {0, 0, 0}));
    RFCurveNode* rotation = MakeVectorNode("R", nullptr, {0, 0});
    root->AddChild(rotation);
    root->AddChild(MakeVectorNode("Lcl Scaling", Type("Lcl Scaling"), {1, 1, 1}));
    RFCurve* t[3] = {};
    RFCurve* r[3] = {};
    RFCurve* s[3] = {};
    EXPECT_FALSE(root->GetTransformCurves(t, r, s));
    rotation->AddChild(MakeLeaf("Z", 0));
    EXPECT_TRUE(root->GetTransformCurves(t, r, s));
    EXPECT_EQ(r[2], &ChannelCurve(*rotation, 2));
    EXPECT_EQ(s[0], &ChannelCurve(*root->GetChild(2), 0));
}

TEST(RFCurveNodeTree, KeysDefaultsAndSpans) {
    NodePtr node(MakeVectorNode("T", nullptr, {1, 2, 3}));
    curve_test::AddKeys(ChannelCurve(*node, 1), {{1.0, 0.0f}, {4.0, 1.0f}});
    curve_test::AddKeys(ChannelCurve(*node, 2), {{-2.0, 0.0f}});
    node->CreateLayer(1, true);
    curve_test::AddKeys(ChannelCurve(*node->GetNextLayer(), 0), {{9.0, 0.0f}});
    EXPECT_EQ(node->GetKeyCount(false), 3);
    EXPECT_EQ(node->GetKeyCount(true), 4);

    double defaults[3];
    EXPECT_EQ(node->GetDefaultValues(defaults), defaults + 3);
    EXPECT_EQ(defaults[2], 3.0);
    const double replacement[3] = {7, 8, 9};
    EXPECT_EQ(node->SetDefaultValues(replacement), replacement + 3);
    EXPECT_EQ(ChannelCurve(*node, 0).GetDefaultValue(), 7.0f);

    RTime start = At(0.0);
    RTime stop = At(0.0);
    EXPECT_TRUE(node->GetTimeSpan(start, stop));
    EXPECT_EQ(start, At(-2.0));
    EXPECT_EQ(stop, At(4.0));
    NodePtr empty(MakeVectorNode("E", nullptr, {0}));
    EXPECT_FALSE(empty->GetTimeSpan(start, stop));
}

TEST(RFCurveNodeTree, CloneCopiesStructureAndCurvesAsAsked) {
    NodePtr node(MakeVectorNode("R", Type("Lcl Rotation"), {1, 2, 3}, RFCurveNode::LayerRotation));
    node->SetRotationOrder(4);
    node->SetOwnerPropertyLink(77);
    curve_test::AddKeys(ChannelCurve(*node, 0), {{1.0, 5.0f}});

    NodePtr copy(node->Duplicate(false));
    EXPECT_STREQ(copy->GetName(), "R");
    EXPECT_EQ(copy->GetDataType(), Type("Lcl Rotation"));
    EXPECT_EQ(copy->GetLayerType(), RFCurveNode::LayerRotation);
    EXPECT_EQ(copy->GetRotationOrder(), 4);
    EXPECT_EQ(copy->GetOwnerPropertyLink(), 77u);
    EXPECT_EQ(ChannelCurve(*copy, 0).GetKeyCount(), 1);
    EXPECT_NE(&ChannelCurve(*copy, 0), &ChannelCurve(*node, 0));
    EXPECT_EQ(copy->GetChild(2)->GetParent(), copy.get());

    NodePtr empty(node->Clone(false, false, true, 6));
    EXPECT_EQ(empty->GetLayerID(), 6);
    EXPECT_EQ(empty->GetChild(0)->GetLayerID(), 6);
    EXPECT_EQ(empty->GetLayerOwner(), node.get());
    EXPECT_EQ(ChannelCurve(*empty, 0).GetKeyCount(), 0);

    NodePtr bare(node->Clone(false, false, false, -1));
    EXPECT_EQ(bare->GetChild(0)->GetCurve(), nullptr);
    bare->EnsureCurves();
    EXPECT_NE(bare->GetChild(0)->GetCurve(), nullptr);
    EXPECT_EQ(bare->GetCurve(), nullptr);
}

TEST(RFCurveNodeTree, CopyFromMatchesCurvesAndLayerChains) {
    NodePtr source(MakeVectorNode("T", nullptr, {1, 2, 3}, RFCurveNode::LayerAdditive));
    curve_test::AddKeys(ChannelCurve(*source, 0), {{1.0, 5.0f}, {2.0, 6.0f}});
    source->AddLayer(2);
    source->AddLayer(4);
    ChannelCurve(*source->FindLayer(4), 2).SetDefaultValue(40);

    NodePtr target(MakeVectorNode("T", nullptr, {0, 0, 0}, RFCurveNode::LayerAdditive));
    target->AddLayer(3);
    target->CopyFrom(*source, false);
    EXPECT_EQ(ChannelCurve(*target, 0).GetKeyCount(), 2);
    EXPECT_EQ(ChannelCurve(*source, 0).GetKeyCount(), 2);
    ASSERT_NE(target->FindLayer(2), nullptr);
    ASSERT_NE(target->FindLayer(4), nullptr);
    EXPECT_EQ(target->FindLayer(3), nullptr);
    EXPECT_EQ(ChannelCurve(*target->FindLayer(4), 2).GetDefaultValue(), 40.0f);

    RFCurve* moved = &ChannelCurve(*source, 1);
    target->CopyFrom(*source, true);
    EXPECT_EQ(&ChannelCurve(*target, 1), moved);
    EXPECT_EQ(source->GetChild(1)->GetCurve(), nullptr);

    NodePtr plain(MakeVectorNode("T", nullptr, {0, 0, 0}));
    target->CopyFrom(*plain, false);
    EXPECT_EQ(target->GetNextLayer(), nullptr);
}

TEST(RFCurveNodeTree, ListenersSeeChangesOnlyWhileEnabled) {
    NodePtr node(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
    NotifyLog log;
    node->AddListener(&NotifyLog::Listen, &log);
    node->SetNotifyEnabled(false);
    node->AddLayer(1);
    node->SetQuaternionInterpolation(true);
    EXPECT_EQ(log.calls, 0);
    node->SetNotifyEnabled(true);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.kinds, RFCurveNode::ChangeLayersChanged);
    EXPECT_TRUE(node->GetNextLayer()->GetQuaternionInterpolation());
    EXPECT_GT(node->GetModificationCount(), 0u);
    node->RemoveListener(&NotifyLog::Listen, &log);
    node->SetTimeWarp(MakeLeaf("warp", 0));
    EXPECT_EQ(log.calls, 1);
}

// ---- lookups by name among many children ---------------------------------------------------

namespace {

// The first child whose name equals the text with the ASCII letters folded.
int PlainScan(const RFCurveNode& node, const char* name) {
    for (int i = 0; i < node.GetChildCount(); ++i) {
        if (RString::CompareIgnoringCase(node.GetChild(i)->GetName(), name) == 0) return i;
    }
    return -1;
}

// Every child's name in three cases, and names no child has, answer as a plain scan does.
void ExpectLikePlainScan(const RFCurveNode& node) {
    std::vector<std::string> names{"", "absent", "\xC9T\xC9", "Channel 999"};
    for (int i = 0; i < node.GetChildCount(); ++i) {
        std::string name = node.GetChild(i)->GetName();
        names.push_back(name);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        names.push_back(name);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    for (const std::string& name : names) {
        ASSERT_EQ(node.GetChildIndexByName(name.c_str()), PlainScan(node, name.c_str())) << '"' << name << '"';
    }
}

// A property of no object, for a node to take its name.
struct LooseProperty : RProperty {
    ~LooseProperty() override = default;
};

NodePtr ManyChannels(int count) {
    NodePtr root(RFCurveNode::Create("Defaults", nullptr));
    for (int i = 0; i < count; ++i) root->AddChild(RFCurveNode::Create(("Channel " + std::to_string(i)).c_str(), nullptr));
    return root;
}

}  // namespace

TEST(RFCurveNodeTree, ManyChildrenAreFoundByTheFoldedNameFirstNamesakeFirst) {
    NodePtr root = ManyChannels(40);
    for (const char* name : {"Speed", "SPEED", "\xE9t\xE9", "\xC9t\xE9", ""}) root->AddChild(RFCurveNode::Create(name, nullptr));
    EXPECT_EQ(root->GetChildIndexByName("speed"), 40);
    EXPECT_EQ(root->GetChildIndexByName("SPEED"), 40) << "the first of names differing in case only";
    EXPECT_EQ(root->GetChildIndexByName("\xE9T\xE9"), 42);
    EXPECT_EQ(root->GetChildIndexByName("\xC9T\xE9"), 43);
    EXPECT_EQ(root->GetChildIndexByName("\xC9T\xC9"), -1) << "only ASCII letters fold";
    EXPECT_EQ(root->GetChildIndexByName(nullptr), 44);
    EXPECT_EQ(root->GetChildIndexByName("CHANNEL 7"), 7);
    ExpectLikePlainScan(*root);
}

TEST(RFCurveNodeTree, ManyChildrenAreFoundAfterEveryChangeOfTheList) {
    NodePtr root = ManyChannels(40);
    ExpectLikePlainScan(*root);
    // A namesake put before the first one (sorted insertion stops at "Channel 2"), another
    // appended.
    EXPECT_EQ(root->InsertChildSorted(RFCurveNode::Create("channel 12", nullptr)), 2);
    EXPECT_EQ(root->GetChildIndexByName("Channel 12"), 2);
    EXPECT_EQ(root->GetChildIndexByName("Channel 39"), 40);
    root->AddChild(RFCurveNode::Create("CHANNEL 3", nullptr));
    EXPECT_EQ(root->GetChildIndexByName("channel 3"), 4);
    ExpectLikePlainScan(*root);
    // Removed, deleted, destroyed on their own, adopted elsewhere.
    root->RemoveAndDeleteChild(root->GetChild(2));
    EXPECT_EQ(root->GetChildIndexByName("Channel 12"), 12);
    root->DeleteChild(0);
    EXPECT_EQ(root->GetChildIndexByName("Channel 12"), 11);
    RFCurveNode::Destroy(root->GetChild(root->GetChildIndexByName("Channel 3")));
    EXPECT_EQ(root->GetChildIndexByName("Channel 3"), 38) << "the later namesake is the first now";
    NodePtr other(RFCurveNode::Create("Other", nullptr));
    other->AddChild(root->GetChild(root->GetChildIndexByName("Channel 20")));
    EXPECT_EQ(root->GetChildIndexByName("Channel 20"), -1);
    EXPECT_EQ(root->GetChildIndexByName("Channel 21"), 18);
    ExpectLikePlainScan(*root);
    // Each way out, with a child appended before the next lookup: the count is as it was.
    root->DeleteChild(root->GetChildIndexByName("Channel 5"));
    root->AddChild(RFCurveNode::Create("Fresh 1", nullptr));
    ExpectLikePlainScan(*root);
    RFCurveNode::Destroy(root->GetChild(root->GetChildIndexByName("Channel 8")));
    root->AddChild(RFCurveNode::Create("Fresh 2", nullptr));
    ExpectLikePlainScan(*root);
    other->AddChild(root->GetChild(root->GetChildIndexByName("Channel 9")));
    root->AddChild(RFCurveNode::Create("Fresh 3", nullptr));
    ExpectLikePlainScan(*root);
    // Emptied and filled again.
    root->Clear();
    EXPECT_EQ(root->GetChildIndexByName("Channel 1"), -1);
    for (int i = 39; i >= 0; --i) root->AddChild(RFCurveNode::Create(("Channel " + std::to_string(i)).c_str(), nullptr));
    EXPECT_EQ(root->GetChildIndexByName("Channel 1"), 38);
    ExpectLikePlainScan(*root);
}

TEST(RFCurveNodeTree, ManyChildrenAreFoundByTheirNewNames) {
    NodePtr root = ManyChannels(40);
    ExpectLikePlainScan(*root);
    // A child takes the name of a property, which is renamed later: to a name a later child
    // has, to an earlier child's.
    LooseProperty weight;
    ASSERT_TRUE(weight.SetName("Weight", false));
    root->GetChild(30)->SetProperty(&weight);
    EXPECT_EQ(root->GetChildIndexByName("weight"), 30);
    EXPECT_EQ(root->GetChildIndexByName("Channel 30"), -1);
    ASSERT_TRUE(weight.SetName("channel 35", false));
    EXPECT_EQ(root->GetChildIndexByName("Channel 35"), 30);
    ASSERT_TRUE(weight.SetName("Channel 2", false));
    EXPECT_EQ(root->GetChildIndexByName("CHANNEL 2"), 2);
    EXPECT_EQ(root->GetChildIndexByName("Channel 35"), 35);
    root->DeleteChild(2);
    EXPECT_EQ(root->GetChildIndexByName("CHANNEL 2"), 29);
    ExpectLikePlainScan(*root);
    root->GetChild(29)->SetProperty(nullptr);
    EXPECT_EQ(root->GetChildIndexByName("Channel 30"), 29);
    EXPECT_EQ(root->GetChildIndexByName("Channel 2"), -1);
    // A child takes another node's name record.
    NodePtr source(RFCurveNode::Create("Borrowed", nullptr));
    root->GetChild(10)->ShareNameOf(*source);
    EXPECT_EQ(root->GetChildIndexByName("BORROWED"), 10);
    EXPECT_EQ(root->GetChildIndexByName("Channel 11"), -1);
    // A record shared with a node outside the tree gets a property there.
    NodePtr copy(root->GetChild(12)->Clone(true, false, false, -1));
    LooseProperty aim;
    ASSERT_TRUE(aim.SetName("Aim", false));
    copy->SetProperty(&aim);
    EXPECT_EQ(root->GetChildIndexByName("aim"), 12);
    EXPECT_EQ(root->GetChildIndexByName("Channel 13"), -1);
    ExpectLikePlainScan(*root);
    copy->SetProperty(nullptr);
    EXPECT_EQ(root->GetChildIndexByName("Channel 13"), 12);
}

// ---- searches by path among many children --------------------------------------------------

namespace {

// The first node in depth-first order below the node (children before their own children)
// that has the name ignoring case, or the data type when one is given.
const RFCurveNode* PlainSearch(const RFCurveNode& node, const char* name, const RDataType* type) {
    for (int i = 0; i < node.GetChildCount(); ++i) {
        const RFCurveNode* child = node.GetChild(i);
        if (RString::CompareIgnoringCase(child->GetName(), name) == 0 || (type != nullptr && child->GetDataType() == type)) {
            return child;
        }
        if (const RFCurveNode* deeper = PlainSearch(*child, name, type)) return deeper;
    }
    return nullptr;
}

// Every name of the tree, the letters "T", "R", "S" and names no node has, searched as a
// plain walk does.
void ExpectLikePlainSearch(const RFCurveNode& root) {
    std::vector<std::string> names{"absent", "T", "R", "S", "t"};
    std::vector<const RFCurveNode*> pending{&root};
    while (!pending.empty()) {
        const RFCurveNode* node = pending.back();
        pending.pop_back();
        for (int i = 0; i < node->GetChildCount(); ++i) {
            std::string name = node->GetChild(i)->GetName();
            names.push_back(name);
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            names.push_back(name);
            pending.push_back(node->GetChild(i));
        }
    }
    for (const std::string& name : names) {
        ASSERT_EQ(root.FindByPath(name.c_str()), PlainSearch(root, name.c_str(), RFCurveNode::TransformTypeOfLetter(name.c_str())))
            << '"' << name << '"';
    }
}

RFCurveNode* WithComponents(const char* name, const RDataType* type) {
    RFCurveNode* node = RFCurveNode::Create(name, type);
    for (const char* axis : {"X", "Y", "Z"}) node->AddChild(RFCurveNode::Create(axis, nullptr));
    return node;
}

}  // namespace

TEST(RFCurveNodeTree, ManyChildrenAreSearchedBelowEarlierChildrenFirst) {
    NodePtr root = ManyChannels(40);
    root->AddChild(RFCurveNode::Create("x", nullptr));
    root->AddChild(WithComponents("Lcl Translation", Type("Lcl Translation")));
    EXPECT_EQ(root->FindByPath("X"), root->GetChild(40)) << "no earlier node of the name";
    EXPECT_EQ(root->FindByPath("t"), nullptr) << "only the capital letter stands for a data type";
    EXPECT_EQ(root->FindByPath("T"), root->GetChild(41));
    ExpectLikePlainSearch(*root);
    // Components put below an earlier child, indexed already, come before the later namesake;
    // a data type below an earlier child before the later one.
    root->GetChild(5)->AddChild(RFCurveNode::Create("X", nullptr));
    EXPECT_EQ(root->FindByPath("x"), root->GetChild(5)->GetChild(0));
    root->GetChild(9)->AddChild(RFCurveNode::Create("Move", Type("Lcl Translation")));
    root->GetChild(7)->AddChild(RFCurveNode::Create("Shift", Type("Lcl Translation")));
    EXPECT_EQ(root->FindByPath("T"), root->GetChild(7)->GetChild(0));
    ExpectLikePlainSearch(*root);
    // Deeper still, then renamed, removed, cleared.
    root->GetChild(3)->AddChild(RFCurveNode::Create("Middle", nullptr));
    root->GetChild(3)->GetChild(0)->AddChild(RFCurveNode::Create("Deep", nullptr));
    EXPECT_EQ(root->FindByPath("DEEP"), root->GetChild(3)->GetChild(0)->GetChild(0));
    NodePtr named(RFCurveNode::Create("Renamed", nullptr));
    root->GetChild(3)->GetChild(0)->GetChild(0)->ShareNameOf(*named);
    EXPECT_EQ(root->FindByPath("Deep"), nullptr);
    EXPECT_EQ(root->FindByPath("renamed"), root->GetChild(3)->GetChild(0)->GetChild(0));
    root->GetChild(5)->DeleteChild(0);
    EXPECT_EQ(root->FindByPath("x"), root->GetChild(40));
    root->GetChild(7)->Clear();
    EXPECT_EQ(root->FindByPath("T"), root->GetChild(9)->GetChild(0));
    ExpectLikePlainSearch(*root);
    // A node below taken elsewhere.
    NodePtr other(RFCurveNode::Create("Other", nullptr));
    other->AddChild(root->GetChild(3)->GetChild(0));
    EXPECT_EQ(root->FindByPath("Renamed"), nullptr);
    ExpectLikePlainSearch(*root);
}

// Children removed one at a time among lookups and appends: namesakes, children with data
// types and nodes below them, a child named by its property.
TEST(RFCurveNodeTree, ManyChildrenAreFoundAndSearchedAfterEachRemoval) {
    NodePtr root = ManyChannels(40);
    LooseProperty weight;
    ASSERT_TRUE(weight.SetName("Channel 9", false));
    root->GetChild(3)->SetProperty(&weight);
    std::mt19937 random(5);
    for (int step = 0; step < 300; ++step) {
        const std::string name = random() % 4 == 0 ? "Channel " + std::to_string(random() % 50) : "Added " + std::to_string(step);
        const unsigned kind = random() % 4;
        const bool typed = random() % 8 == 0;
        if (kind == 0) {
            root->AddChild(RFCurveNode::Create(name.c_str(), typed ? Type("Lcl Rotation") : nullptr));
        } else if (kind == 1) {
            root->AddChild(WithComponents(name.c_str(), typed ? Type("Lcl Translation") : nullptr));
        } else if (root->GetChildCount() > 0) {
            root->DeleteChild(static_cast<int>(random() % static_cast<unsigned>(root->GetChildCount())));
        }
        if (random() % 3 == 0) continue;  // the next change comes before any lookup
        ExpectLikePlainScan(*root);
        ExpectLikePlainSearch(*root);
        for (int gone = 0; gone <= step; ++gone) {  // the names of removed children too
            const std::string added = "Added " + std::to_string(gone);
            ASSERT_EQ(root->GetChildIndexByName(added.c_str()), PlainScan(*root, added.c_str())) << added;
        }
    }
}

// Children of one data type, and children holding one below them, removed first to last
// (as an attribute takes its channels away): each search by the type finds the next one.
TEST(RFCurveNodeTree, ChildrenOfATypeRemovedInTurnLeaveTheNextFound) {
    NodePtr root = ManyChannels(20);
    for (int i = 0; i < 12; ++i) {
        const std::string name = "Move " + std::to_string(i);
        RFCurveNode* child = i % 3 == 0 ? RFCurveNode::Create(name.c_str(), Type("Lcl Translation"))
                                        : WithComponents(name.c_str(), nullptr);
        if (i % 3 == 1) child->GetChild(1)->AddChild(RFCurveNode::Create("Inner", Type("Lcl Translation")));
        root->AddChild(child);
    }
    root->AddChild(RFCurveNode::Create("Turn", Type("Lcl Rotation")));
    ExpectLikePlainSearch(*root);
    while (root->GetChildCount() > 21) {
        root->DeleteChild(20);
        ExpectLikePlainSearch(*root);
    }
    EXPECT_EQ(root->FindByPath("T"), nullptr);
    EXPECT_EQ(root->FindByPath("R"), root->GetChild(20));
}

// A child appended and removed before any lookup was never in the index: its removal leaves the
// indexed children as they were, the last of them named by its property.
TEST(RFCurveNodeTree, AChildRemovedBeforeItsFirstLookupLeavesTheIndexAlone) {
    NodePtr root = ManyChannels(40);
    LooseProperty weight;
    ASSERT_TRUE(weight.SetName("Weight", false));
    root->GetChild(39)->SetProperty(&weight);
    EXPECT_EQ(root->GetChildIndexByName("weight"), 39);
    root->AddChild(RFCurveNode::Create("Late", nullptr));
    root->DeleteChild(40);
    EXPECT_EQ(root->GetChildIndexByName("WEIGHT"), 39);
    root->DeleteChild(39);
    ExpectLikePlainScan(*root);
    EXPECT_EQ(root->GetChildIndexByName("Weight"), -1);
    root->AddChild(RFCurveNode::Create("Weight", nullptr));
    EXPECT_EQ(root->GetChildIndexByName("Weight"), 39);
}

TEST(RFCurveNodeTree, ManyChildrenAreSearchedByTheNamesBelowThemNow) {
    NodePtr root = ManyChannels(40);
    root->GetChild(20)->AddChild(RFCurveNode::Create("Inner", nullptr));
    ExpectLikePlainSearch(*root);
    // A node below takes a property's name, which changes behind the tree's back.
    LooseProperty weight;
    ASSERT_TRUE(weight.SetName("Weight", false));
    root->GetChild(20)->GetChild(0)->SetProperty(&weight);
    EXPECT_EQ(root->FindByPath("weight"), root->GetChild(20)->GetChild(0));
    ASSERT_TRUE(weight.SetName("Channel 30", false));
    EXPECT_EQ(root->FindByPath("channel 30"), root->GetChild(20)->GetChild(0));
    ExpectLikePlainSearch(*root);
    root->GetChild(20)->GetChild(0)->SetProperty(nullptr);
    EXPECT_EQ(root->FindByPath("channel 30"), root->GetChild(30));
    // A node below that only refers to its children hears nothing of them.
    RFCurveNode* referring = RFCurveNode::Create("Referring", nullptr);
    referring->SetFlag(RFCurveNode::FlagNonOwning, true);
    root->GetChild(10)->AddChild(referring);
    NodePtr held(RFCurveNode::Create("Held", nullptr));
    referring->AddChild(held.get());
    EXPECT_EQ(root->FindByPath("held"), held.get());
    NodePtr named(RFCurveNode::Create("Channel 12", nullptr));
    held->ShareNameOf(*named);
    EXPECT_EQ(root->FindByPath("Channel 12"), held.get()) << "ahead of the root's later child";
    ExpectLikePlainSearch(*root);
    root->GetChild(10)->Clear();
}
