#include "scene/RWyxNode.h"

#include "tests/scene/NodeTestSupport.h"
#include "tests/scene/TakeTestSupport.h"
#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using node_test::HasChannel;
using node_test::MakeChain;
using node_test::ProbeAttribute;

namespace {

class NodeTest : public ::testing::Test {
protected:
    RWyxNode* Node(const char* name) { return factory.CreateNode(name); }

    RWyxObjectFactory factory;
};

// ---- construction -----------------------------------------------------------------------------

TEST_F(NodeTest, ANewNodeHasTheDefaultTakeVisibilityShadingAndAWrapperForEveryProperty) {
    RWyxNode* node = Node("Arm");
    EXPECT_STREQ(node->GetName().Buffer(), "Model::Arm");
    ASSERT_EQ(node->GetTakeNodeCount(), 1);
    EXPECT_STREQ(node->GetCurrentTakeNodeName(), "Default");
    EXPECT_TRUE(node->GetVisibility());
    EXPECT_TRUE(node->GetProperties()->GetShow());
    EXPECT_EQ(node->GetShadingMode(), 3);
    EXPECT_EQ(node->GetMultiTake(), 1);
    EXPECT_FALSE(node->GetMultiLayer());
    EXPECT_EQ(node->GetEvaluationId(), -1);
    EXPECT_NE(node->GetLimits(), nullptr);

    RWyxNodeProperties* properties = node->GetProperties();
    ASSERT_EQ(node->GetUserPropertyCount(), properties->GetPropertyCount());
    for (int i = 0; i < properties->GetPropertyCount(); ++i) {
        EXPECT_TRUE(node->GetUserProperty(i)->IsSameProperty(properties->GetProperty(i))) << i;
    }
    // The wrappers belong to the node, not to the factory.
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kUserProperties), 0);
}

TEST_F(NodeTest, WithoutAttributeTheTypeNameIsNull) {
    RWyxNode* node = Node("Empty");
    EXPECT_STREQ(node->GetTypeName().Buffer(), "Null");
    const auto names = node->GetTypeNameList();
    ASSERT_EQ(names->GetCount(), 1);
    EXPECT_STREQ(names->GetItem(0)->text.Buffer(), "Null");

    ProbeAttribute probe;
    node->SetNodeAttribute(&probe);
    EXPECT_STREQ(node->GetTypeName().Buffer(), "Probe");
    EXPECT_STREQ(node->GetTypeDescription().Buffer(), "Probe");
    node->SetNodeAttribute(nullptr);
}

TEST_F(NodeTest, CollectPropertiesListsThePropertiesObjectInOrder) {
    RWyxNode* node = Node("Collected");
    std::vector<RProperty*> collected;
    node->CollectProperties(collected);
    ASSERT_EQ(collected.size(), 54u);
    EXPECT_STREQ(collected.front()->GetName(), "QuaternionInterpolate");
    EXPECT_STREQ(collected.back()->GetName(), "Visibility");
}

TEST_F(NodeTest, AUserPropertyRemovedTakesItsOwnPropertyButNeverAStandardOne) {
    RWyxNode* node = Node("Custom");
    RWyxNodeProperties* properties = node->GetProperties();
    RWyxUserProperty* speed =
        node->AddUserProperty(std::make_unique<RWyxUserProperty>(nullptr, "speed", "Real", "Speed"));
    ASSERT_NE(speed, nullptr);
    ASSERT_NE(properties->FindProperty("speed"), nullptr);
    EXPECT_TRUE(node->RemoveUserProperty(speed));
    EXPECT_EQ(properties->FindProperty("speed"), nullptr);

    EXPECT_TRUE(node->RemoveUserProperty(node->FindUserProperty(properties->FindProperty("AxisLen"))));
    EXPECT_TRUE(node->RemoveUserProperty(node->FindUserProperty(properties->FindProperty("Visibility"))));
    EXPECT_EQ(properties->GetPropertyCount(), RWyxNodeProperties::kPropertyCount);
}

// The factory deletes a node right after; until then the node and its properties object are
// whole, only disconnected.
TEST_F(NodeTest, PrepareDestroyBreaksTheConnectionsAndKeepsThePropertiesObjectWhole) {
    RWyxNode* parent = Node("Parent");
    RWyxNode* node = Node("Leaving");
    RWyxNode* child = Node("Child");
    parent->AddChild(node);
    node->AddChild(child);
    node->SetTarget(parent);
    ProbeAttribute probe;
    node->SetNodeAttribute(&probe);

    node->PrepareDestroy();
    EXPECT_EQ(node->GetParent(), nullptr);
    EXPECT_EQ(node->GetChildCount(), 0);
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(node->GetTarget(), nullptr);
    EXPECT_EQ(probe.GetNode(), nullptr);
    EXPECT_EQ(node->GetProperties()->GetPropertyCount(), RWyxNodeProperties::kPropertyCount);
    EXPECT_TRUE(factory.DestroyNode(node, false));
}

// ---- hierarchy ----------------------------------------------------------------------------------

TEST_F(NodeTest, NullChildrenChangeNothing) {
    RWyxNode* node = Node("Parent");
    EXPECT_FALSE(node->AddChild(nullptr));
    EXPECT_EQ(node->RemoveChild(nullptr), nullptr);
    EXPECT_EQ(node->GetChildCount(), 0);
    EXPECT_EQ(node->GetChild(0), nullptr);
    EXPECT_EQ(node->GetChild(-1), nullptr);
}

TEST_F(NodeTest, AddChildMovesANodeFromItsParentAndRemoveChildLetsItGo) {
    RWyxNode* first = Node("First");
    RWyxNode* second = Node("Second");
    RWyxNode* child = Node("Child");
    ASSERT_TRUE(first->AddChild(child));
    EXPECT_EQ(child->GetParent(), first);
    ASSERT_TRUE(second->AddChild(child));
    EXPECT_EQ(child->GetParent(), second);
    EXPECT_EQ(first->GetChildCount(), 0);
    EXPECT_EQ(second->GetChild(0), child);
    EXPECT_EQ(second->RemoveChild(child), child);
    EXPECT_EQ(child->GetParent(), nullptr);
    EXPECT_EQ(second->GetChildCount(), 0);
}

TEST_F(NodeTest, ANodeCannotBecomeAChildOfItselfOrOfItsDescendants) {
    std::vector<RWyxNode*> chain = MakeChain(factory, 4);
    RWyxNode* outer = Node("Outer");
    ASSERT_TRUE(outer->AddChild(chain[0]));

    struct Case {
        int parent;
        int child;
    };
    for (const Case& refused : {Case{0, 0}, Case{3, 0}, Case{2, 1}, Case{3, 3}}) {
        RWyxNode* parent = chain[static_cast<size_t>(refused.parent)];
        parent->GetError().ClearError();
        EXPECT_FALSE(parent->AddChild(chain[static_cast<size_t>(refused.child)]));
        EXPECT_EQ(parent->GetError().GetLastErrorCode(), RWyxNode::kErrorCyclicGraph);
        // The tree is as it was: the refused node kept its parent.
        EXPECT_EQ(chain[0]->GetParent(), outer);
        for (size_t i = 1; i < chain.size(); ++i) {
            EXPECT_EQ(chain[i]->GetParent(), chain[i - 1]);
            EXPECT_EQ(chain[i - 1]->GetChildCount(), 1);
        }
        EXPECT_EQ(chain[3]->GetChildCount(), 0);
    }
    // Moving a node below a node outside its own subtree still works.
    EXPECT_TRUE(chain[0]->AddChild(chain[3]));
    EXPECT_EQ(chain[3]->GetParent(), chain[0]);
}

// root: A (holding Cube#1 and Leg), Cube#2; Cube#1 holds Foot.
class FindChildTest : public NodeTest {
public:
    void SetUp() override {
        root->AddChild(a);
        root->AddChild(cube2);
        a->AddChild(cube1);
        a->AddChild(leg);
        cube1->AddChild(foot);
    }

    RWyxNode* root = Node("Root");
    RWyxNode* a = Node("A");
    RWyxNode* cube1 = Node("Cube");
    RWyxNode* leg = Node("Leg");
    RWyxNode* cube2 = Node("Cube");
    RWyxNode* foot = Node("Foot");
};

TEST_F(FindChildTest, FindsInChildOrderWithTheFirstChildsSubtreeBeforeLaterChildren) {
    struct Case {
        const char* name;
        bool recursive;
        RWyxNode* FindChildTest::*expected;
    };
    const Case cases[] = {
        {"Cube", false, &FindChildTest::cube2}, {"Model::Cube", false, &FindChildTest::cube2},
        {"Cube", true, &FindChildTest::cube1},  {"Scene::Cube", true, &FindChildTest::cube1},
        {"Foot", true, &FindChildTest::foot},   {"Leg", true, &FindChildTest::leg},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(root->FindChild(c.name, c.recursive, false), this->*c.expected) << c.name << " " << c.recursive;
    }
    EXPECT_EQ(root->FindChild("Foot", false, false), nullptr);
    EXPECT_EQ(root->FindChild("cube", true, false), nullptr);  // case matters
    EXPECT_EQ(root->FindChild("Root", true, false), nullptr);  // the node itself is no child
}

TEST_F(FindChildTest, ByInitialNameIgnoresLaterRenames) {
    leg->SetName("Shin");
    EXPECT_EQ(root->FindChild("Shin", true, false), leg);
    EXPECT_EQ(root->FindChild("Leg", true, false), nullptr);
    EXPECT_EQ(root->FindChild("Leg", true, true), leg);
    EXPECT_EQ(root->FindChild("Shin", true, true), nullptr);
}

// ---- targets -------------------------------------------------------------------------------------

TEST_F(NodeTest, TargetsAreConnectedOnceAndAreNoChildren) {
    RWyxNode* camera = Node("Camera");
    RWyxNode* interest = Node("Interest");
    RWyxNode* up = Node("Up");
    EXPECT_FALSE(camera->SetTarget(nullptr));
    EXPECT_TRUE(camera->SetTarget(interest));
    EXPECT_TRUE(camera->SetTarget(interest));
    EXPECT_TRUE(camera->SetTargetUp(up));
    EXPECT_EQ(camera->GetTarget(), interest);
    EXPECT_EQ(camera->GetTargetUp(), up);
    EXPECT_EQ(camera->GetProperties()->GetLookAtProperty()->GetCount(), 1);
    EXPECT_EQ(camera->GetChildCount(), 0);
    EXPECT_EQ(interest->GetParent(), nullptr);

    factory.DestroyNode(interest, false);
    EXPECT_EQ(camera->GetTarget(), nullptr);
}

// ---- visibility and flags ---------------------------------------------------------------------------

TEST_F(NodeTest, VisibilitySetsShowTheValueAndTheDefaultCurve) {
    RWyxNode* node = Node("Ghost");
    node->SetVisibility(false);
    EXPECT_FALSE(node->GetVisibility());
    EXPECT_FALSE(node->GetProperties()->GetShow());
    EXPECT_DOUBLE_EQ(node->GetProperties()->FindProperty("Visibility")->GetDouble(), 0.0);
    EXPECT_FLOAT_EQ(node->GetDefaultTakeNode()->GetVisibilityCurve()->GetDefaultValue(), 0.0f);
    node->SetVisibility(true);
    EXPECT_TRUE(node->GetVisibility());
    EXPECT_FLOAT_EQ(node->GetDefaultTakeNode()->GetVisibilityCurve()->GetDefaultValue(), 1.0f);
}

TEST_F(NodeTest, MarksReachTheSubtreeOnlyWhenAsked) {
    std::vector<RWyxNode*> chain = MakeChain(factory, 3);
    chain[2]->SetMarked(1, false);
    EXPECT_FALSE(chain[0]->IsMarked(false));
    EXPECT_TRUE(chain[0]->IsMarked(true));
    EXPECT_FALSE(chain[2]->GetParent()->IsMarked(false));
    chain[0]->SetMarked(0, true);
    EXPECT_FALSE(chain[0]->IsMarked(true));
    chain[1]->SetMarked(2, true);
    EXPECT_FALSE(chain[0]->IsMarked(false));
    EXPECT_TRUE(chain[2]->IsMarked(false));
}

TEST_F(NodeTest, SelectingATakeInvalidatesTheMatrixCaches) {
    RWyxNode* node = Node("Cached");
    node->AddTakeNode("Run");
    for (auto* cache : {&node->GetCurrentTakeCache(), &node->GetDefaultTakeCache()}) {
        cache->localValid = true;
        cache->globalValid = true;
        cache->curveHints[1] = 9;
    }
    EXPECT_TRUE(node->SetCurrentTakeNodeByName("Run"));
    EXPECT_FALSE(node->GetCurrentTakeCache().localValid);
    EXPECT_FALSE(node->GetDefaultTakeCache().globalValid);
    EXPECT_EQ(node->GetCurrentTakeCache().curveHints[1], 0);

    node->GetDefaultTakeCache().localValid = true;
    EXPECT_FALSE(node->SetCurrentTakeNodeByIndex(5));
    EXPECT_FALSE(node->GetDefaultTakeCache().localValid);
    EXPECT_EQ(node->GetCurrentTakeNodeIndex(), 0);
    EXPECT_EQ(node->GetError().GetLastErrorCode(), RWyxNode::kErrorTakeNode);
}

// ---- node attribute ----------------------------------------------------------------------------------

TEST_F(NodeTest, AnAttributeMovedToAnotherNodeLeavesTheFirst) {
    RWyxNode* a = Node("A");
    RWyxNode* b = Node("B");
    std::vector<std::string> log;
    ProbeAttribute probe(&log);
    EXPECT_EQ(a->SetNodeAttribute(&probe), nullptr);
    EXPECT_EQ(probe.GetNode(), a);
    EXPECT_TRUE(HasChannel(a->GetDefaultTakeNode(), "Probe"));

    EXPECT_EQ(b->SetNodeAttribute(&probe), nullptr);
    EXPECT_EQ(a->GetNodeAttribute(), nullptr);
    EXPECT_EQ(b->GetNodeAttribute(), &probe);
    EXPECT_EQ(probe.GetNode(), b);
    EXPECT_FALSE(HasChannel(a->GetDefaultTakeNode(), "Probe"));
    EXPECT_TRUE(HasChannel(b->GetDefaultTakeNode(), "Probe"));
    EXPECT_EQ(log, (std::vector<std::string>{"add Default", "remove Default", "add Default"}));
    EXPECT_EQ(b->SetNodeAttribute(nullptr), &probe);
    EXPECT_EQ(probe.GetNode(), nullptr);
}

TEST_F(NodeTest, SettingTheSameAttributeTwiceAnswersNullAndChangesNoFlag) {
    RWyxNode* node = Node("Effector");
    RWyxMarker* marker = factory.CreateMarker();
    marker->SetType(RWyxMarker::kIKEffector);
    EXPECT_EQ(node->SetNodeAttribute(marker), nullptr);
    ASSERT_TRUE(node->GetMultiLayer());
    node->SetMultiLayer(false);
    node->SetMultiTake(7);
    EXPECT_EQ(node->SetNodeAttribute(marker), nullptr);
    EXPECT_FALSE(node->GetMultiLayer());
    EXPECT_EQ(node->GetMultiTake(), 7);
}

TEST_F(NodeTest, TheAttributeKindDecidesMultiLayerAndMultiTake) {
    struct Case {
        const char* kind;
        int markerType;  // -1: not a marker
        bool multiLayer;
        int multiTake;
    };
    const Case cases[] = {
        {"marker", RWyxMarker::kMarker, false, 1},       {"optical marker", RWyxMarker::kOpticalMarker, false, 0},
        {"IK effector", RWyxMarker::kIKEffector, true, 1}, {"FK effector", RWyxMarker::kFKEffector, true, 1},
        {"light", -1, false, 0},                          {"camera", -1, false, 0},
        {"mesh", -1, false, 1},                           {"none", -1, false, 1},
    };
    for (const Case& c : cases) {
        RWyxNode* node = Node(c.kind);
        node->SetMultiLayer(!c.multiLayer);
        node->SetMultiTake(5);
        RWyxNodeAttribute* attribute = nullptr;
        const std::string kind = c.kind;
        if (c.markerType >= 0) {
            RWyxMarker* marker = factory.CreateMarker();
            marker->SetType(c.markerType);
            attribute = marker;
        } else if (kind == "light") {
            attribute = factory.CreateLight();
        } else if (kind == "camera") {
            attribute = factory.CreateCamera();
        } else if (kind == "mesh") {
            attribute = factory.CreateMesh();
        } else {
            node->SetNodeAttribute(factory.CreateNull());
        }
        node->SetNodeAttribute(attribute);
        EXPECT_EQ(node->GetMultiLayer(), c.multiLayer) << c.kind;
        EXPECT_EQ(node->GetMultiTake(), c.multiTake) << c.kind;
    }
}

TEST_F(NodeTest, TypedAccessAnswersOnlyTheKindOfTheAttribute) {
    RWyxNode* node = Node("Typed");
    EXPECT_EQ(node->GetNull(), nullptr);
    RWyxMesh* mesh = factory.CreateMesh();
    node->SetNodeAttribute(mesh);
    EXPECT_EQ(node->GetMesh(), mesh);
    EXPECT_EQ(node->GetGeometry(), mesh);
    EXPECT_EQ(node->GetNurb(), nullptr);
    EXPECT_EQ(node->GetCamera(), nullptr);
    RWyxCamera* camera = factory.CreateCamera();
    node->SetNodeAttribute(camera);
    EXPECT_EQ(node->GetCamera(), camera);
    EXPECT_EQ(node->GetGeometry(), nullptr);
    EXPECT_EQ(node->GetLight(), nullptr);
    RWyxNull* null = factory.CreateNull();
    node->SetNodeAttribute(null);
    EXPECT_EQ(node->GetNull(), null);
    EXPECT_EQ(node->GetMarker(), nullptr);
    EXPECT_STREQ(node->GetTypeName().Buffer(), "Null");
}

TEST_F(NodeTest, ATakeAddedLaterCarriesTheAttributeChannels) {
    RWyxNode* node = Node("Probed");
    ProbeAttribute probe;
    node->SetNodeAttribute(&probe);
    EXPECT_TRUE(HasChannel(node->AddTakeNode("Walk"), "Probe"));
    node->SetNodeAttribute(nullptr);
    EXPECT_FALSE(HasChannel(node->GetTakeNode(1), "Probe"));
    EXPECT_FALSE(HasChannel(node->GetDefaultTakeNode(), "Probe"));
}

TEST_F(NodeTest, AnAttributeDeletedWhileAttachedLeavesNoDanglingPointer) {
    RWyxNode* node = Node("Holder");
    auto probe = std::make_unique<ProbeAttribute>();
    node->SetNodeAttribute(probe.get());
    probe.reset();
    EXPECT_EQ(node->GetNodeAttribute(), nullptr);
    EXPECT_STREQ(node->GetTypeName().Buffer(), "Null");
}

// ---- channels -------------------------------------------------------------------------------------------

TEST_F(NodeTest, TheChannelTemplateLinksCurvesOnlyInTheDefaultTakeInAnyCase) {
    RWyxNode* node = Node("Templated");
    node->GetProperties()->FindProperty("Lcl Translation")->SetValue(RVector4(1.0, 2.0, 3.0, 1.0));
    node->GetProperties()->FindProperty("Lcl Scaling")->SetValue(RVector4(4.0, 5.0, 6.0, 1.0));
    struct Case {
        const char* take;
        int newLinks;
    };
    for (const Case& c : {Case{"default", 10}, Case{"DEFAULT", 10}, Case{"Take 001", 0}}) {
        RWyxTakeNode take(c.take);
        const int before = node->GetPropertyCurveLinkCount();
        node->CreateChannelTemplate(take);
        EXPECT_EQ(node->GetPropertyCurveLinkCount() - before, c.newLinks) << c.take;

        RFCurveNode* root = take.GetRootCurveNode();
        ASSERT_EQ(root->GetChildCount(), 2);
        EXPECT_STREQ(root->GetChild(0)->GetName(), "Transform");
        EXPECT_STREQ(root->GetChild(1)->GetName(), "Visibility");
        RFCurveNode* transform = root->GetChild(0);
        ASSERT_EQ(transform->GetChildCount(), 3);
        EXPECT_EQ(transform->GetChild(0)->GetDataType(), RDataType::FindByName("Lcl Translation"));
        EXPECT_EQ(transform->GetChild(2)->GetDataType(), RDataType::FindByName("Lcl Scaling"));
        EXPECT_FLOAT_EQ(take.GetTranslationYCurve()->GetDefaultValue(), 2.0f);
        EXPECT_FLOAT_EQ(take.GetScalingZCurve()->GetDefaultValue(), 6.0f);
        EXPECT_FLOAT_EQ(take.GetRotationXCurve()->GetDefaultValue(), 0.0f);
        EXPECT_FLOAT_EQ(take.GetVisibilityCurve()->GetDefaultValue(), 1.0f);
        float color[3];
        take.GetTranslationYCurve()->GetColor(color);
        EXPECT_EQ(color[1], 1.0f);
        EXPECT_EQ(color[0], 0.0f);
        take.GetVisibilityCurve()->GetColor(color);
        EXPECT_FLOAT_EQ(color[0], 0.75f);
    }
}

TEST_F(NodeTest, DefaultTakeCurvesAndPropertiesFollowEachOther) {
    RWyxNode* node = Node("Linked");
    RWyxTakeNode* defaults = node->GetDefaultTakeNode();
    RFCurve* x = defaults->GetTranslationXCurve();
    x->SetDefaultValue(8.0f);
    const RPropertyValue value = node->GetProperties()->FindProperty("Lcl Translation")->GetValue();
    EXPECT_DOUBLE_EQ(std::get<RVector4>(value).x, 8.0);

    RWyxTakeNode* run = node->AddTakeNode("Run");
    run->GetTranslationXCurve()->SetDefaultValue(-3.0f);
    EXPECT_DOUBLE_EQ(std::get<RVector4>(node->GetProperties()->FindProperty("Lcl Translation")->GetValue()).x, 8.0);
}

TEST_F(NodeTest, TheAnimationIntervalSpansTheKeysOfTheWholeSubtree) {
    using take_test::AddKey;
    using take_test::Seconds;
    std::vector<RWyxNode*> chain = MakeChain(factory, 3);
    RTime start = Seconds(100.0);
    RTime stop = Seconds(-100.0);
    EXPECT_FALSE(chain[0]->GetAnimationInterval(start, stop));
    EXPECT_EQ(start.GetTicks(), Seconds(100.0).GetTicks());
    EXPECT_EQ(stop.GetTicks(), Seconds(-100.0).GetTicks());

    AddKey(*chain[2]->GetCurrentTakeNode()->GetTranslationXCurve(), 2.0, 1.0f);
    AddKey(*chain[1]->GetCurrentTakeNode()->GetRotationYCurve(), 5.0, 1.0f);
    AddKey(*chain[1]->GetCurrentTakeNode()->GetRotationYCurve(), 7.0, 1.0f);
    EXPECT_TRUE(chain[0]->GetAnimationInterval(start, stop));
    EXPECT_EQ(start.GetTicks(), Seconds(2.0).GetTicks());
    EXPECT_EQ(stop.GetTicks(), Seconds(7.0).GetTicks());

    // The caller's span only widens.
    RTime early = Seconds(1.0);
    RTime late = Seconds(3.0);
    EXPECT_TRUE(chain[2]->GetAnimationInterval(early, late));
    EXPECT_EQ(early.GetTicks(), Seconds(1.0).GetTicks());
    EXPECT_EQ(late.GetTicks(), Seconds(3.0).GetTicks());
}

// ---- character links and pending child names --------------------------------------------------------------

TEST_F(NodeTest, CharacterLinksAreFoundByAllFourWords) {
    RWyxNode* node = Node("Hip");
    RWyxCharacter character(&factory, "Constraint::Hero");
    EXPECT_EQ(node->AddCharacterLink(&character, RWyxNode::kCharacterLinkEffector, 3, 0), 0);
    EXPECT_EQ(node->AddCharacterLink(&character, RWyxNode::kCharacterLinkAuxiliaryEffector, 3, 1), 1);
    EXPECT_EQ(node->FindCharacterLink(&character, RWyxNode::kCharacterLinkAuxiliaryEffector, 3, 1), 1);
    EXPECT_EQ(node->FindCharacterLink(&character, RWyxNode::kCharacterLinkAuxiliaryEffector, 3, 2), -1);
    EXPECT_EQ(node->FindCharacterLink(nullptr, RWyxNode::kCharacterLinkEffector, 3, 0), -1);
    EXPECT_EQ(node->RemoveCharacterLink(&character, RWyxNode::kCharacterLinkEffector, 3, 0), 0);
    EXPECT_EQ(node->RemoveCharacterLink(&character, RWyxNode::kCharacterLinkEffector, 3, 0), -1);
    EXPECT_EQ(node->GetCharacterLinkCount(), 1);
    node->RemoveCharacterLink(&character, RWyxNode::kCharacterLinkAuxiliaryEffector, 3, 1);
}

TEST_F(NodeTest, ADestroyedNodeLeavesItsCharacterSlotsEmptyAndACharacterItsNodesUnlinked) {
    RWyxNode* hip = Node("Hip");
    RWyxNode* hand = Node("Hand");
    auto character = std::make_unique<RWyxCharacter>(&factory, "Constraint::Hero");
    character->SetNodeSlot(RWyxNode::kCharacterLinkModel, 1, 0, hip);
    character->SetNodeSlot(RWyxNode::kCharacterLinkControlSet, 4, 0, hand);
    ASSERT_EQ(hip->FindCharacterLink(character.get(), RWyxNode::kCharacterLinkModel, 1, 0), 0);

    ASSERT_TRUE(factory.DestroyNode(hip, false));
    EXPECT_EQ(character->GetNodeSlot(RWyxNode::kCharacterLinkModel, 1, 0), nullptr);
    EXPECT_EQ(character->GetNodeSlot(RWyxNode::kCharacterLinkControlSet, 4, 0), hand);

    character.reset();
    EXPECT_EQ(hand->GetCharacterLinkCount(), 0);
}

TEST_F(NodeTest, PendingChildNamesKeepTheirOrder) {
    RWyxNode* node = Node("Reader");
    node->AddPendingChildName("Arm");
    node->AddPendingChildName("Leg");
    ASSERT_EQ(node->GetPendingChildNameCount(), 2);
    EXPECT_STREQ(node->GetPendingChildName(1), "Leg");
    EXPECT_EQ(node->GetPendingChildName(2), nullptr);
}

// ---- depth -------------------------------------------------------------------------------------------------

// Runs the work on a thread with a stack of that many bytes; false when no such thread can
// be made.
bool RunOnStackOf(std::size_t bytes, const std::function<void()>& work) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_t thread;
    const bool made = pthread_attr_setstacksize(&attributes, bytes) == 0 &&
                      pthread_create(
                          &thread, &attributes,
                          [](void* argument) -> void* {
                              (*static_cast<const std::function<void()>*>(argument))();
                              return nullptr;
                          },
                          const_cast<std::function<void()>*>(&work)) == 0;
    pthread_attr_destroy(&attributes);
    if (made) pthread_join(thread, nullptr);
    return made;
}

// Every walk over a subtree runs on an explicit stack. The walks below run on a thread with a
// 64 KB stack, which a walk recursing once per level of this chain would overrun (it needs at
// least a return address and a frame pointer per level), so the sanitizer reports any such
// recursion as a stack overflow. (A chain of 100,000 nodes takes minutes and gigabytes in
// the sanitizer build; the scene benchmark walks and destroys one.)
TEST(NodeDepthTest, WalksAndRecursiveDestructionOfADeepChainDoNotRecursePerLevel) {
    constexpr int kDepth = 6000;
    constexpr std::size_t kStackBytes = 64 * 1024;
    static_assert(kDepth * 16 > static_cast<int>(kStackBytes), "a recursive walk must not fit the stack");
    RWyxObjectFactory factory;
    std::vector<RWyxNode*> chain = MakeChain(factory, kDepth);
    ASSERT_EQ(chain.back()->GetParent(), chain[kDepth - 2]);
    take_test::AddKey(*chain.back()->GetCurrentTakeNode()->GetTranslationXCurve(), 1.0, 1.0f);
    const std::string deepest = "Link" + std::to_string(kDepth - 1);

    const bool ran = RunOnStackOf(kStackBytes, [&] {
        EXPECT_EQ(chain[0]->FindChild(deepest.c_str(), true, false), chain.back());
        EXPECT_EQ(chain[0]->FindChild("Missing", true, true), nullptr);
        chain[0]->SetMarked(1, true);
        EXPECT_TRUE(chain[kDepth / 2]->IsMarked(false));
        chain[0]->SetMarked(0, true);
        EXPECT_FALSE(chain[0]->IsMarked(true));
        chain.back()->SetMarked(1, false);
        EXPECT_TRUE(chain[0]->IsMarked(true));
        RTime start;
        RTime stop;
        EXPECT_TRUE(chain[0]->GetAnimationInterval(start, stop));
        EXPECT_FALSE(chain.back()->AddChild(chain[0]));
        EXPECT_TRUE(factory.DestroyNode(chain[0], true));
    });
    ASSERT_TRUE(ran);
    EXPECT_EQ(factory.GetNodeCount(), 0);
}

}  // namespace
