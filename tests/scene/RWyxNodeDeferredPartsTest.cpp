// What a node makes only when it is first asked for (the user-property wrappers of its
// properties, the trees of takes nothing has animated yet) must be exactly what it would have
// made at once: the same wrappers in the same places, the same channels with the same
// defaults, whatever happened in between.

#include "tests/scene/NodeTestSupport.h"
#include "core/RDataType.h"
#include "core/RProperty.h"
#include "core/RWyxUserProperty.h"
#include "curves/RCurveTreeMemory.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

using node_test::ProbeAttribute;

namespace {

// The tree of a take node as text: every node's name, data type, curve default and key count,
// depth first.
std::string Dump(const RFCurveNode& node, int depth = 0) {
    std::string text(static_cast<size_t>(2 * depth), ' ');
    text += node.GetName();
    if (node.GetDataType() != nullptr) text += std::string(" <") + node.GetDataType()->GetName() + ">";
    if (const RFCurve* curve = node.GetCurve()) {
        char value[64];
        std::snprintf(value, sizeof(value), " = %.9g (%d keys)", curve->GetDefaultValue(), curve->GetKeyCount());
        text += value;
    }
    text += "\n";
    for (int i = 0; i < node.GetChildCount(); ++i) text += Dump(*node.GetChild(i), depth + 1);
    return text;
}

std::string DumpTakes(RWyxNode& node) {
    std::string text;
    for (int i = 0; i < node.GetTakeNodeCount(); ++i) {
        RWyxTakeNode* take = node.GetTakeNode(i);
        text += "take " + std::string(take->GetName().Buffer()) + "\n" + Dump(*take->GetRootCurveNode());
    }
    return text;
}

// Makes every take tree that waits, as a node that makes them at once has them.
void MakeEveryTree(RWyxNode& node) {
    for (int i = 0; i < node.GetTakeNodeCount(); ++i) node.GetTakeNode(i)->GetRootCurveNode();
}

RProperty* PropertyOf(RWyxNode& node, const char* name) { return node.GetProperties()->FindProperty(name); }

float DefaultOf(RWyxTakeNode* take, RFCurve* (RWyxTakeNode::*curve)()) {
    const RFCurve* found = (take->*curve)();
    return found != nullptr ? found->GetDefaultValue() : -1.0f;
}

class NodeDeferredPartsTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
};

// ---- take trees -------------------------------------------------------------------------------

TEST_F(NodeDeferredPartsTest, ANewNodesTakesWaitAndAreMadeWhenFirstAskedFor) {
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxTakeNode* defaultTake = node->GetDefaultTakeNode();
    EXPECT_FALSE(defaultTake->IsTreeMade());
    RWyxTakeNode* copy = node->AddTakeNode("Take 001");
    EXPECT_FALSE(copy->IsTreeMade());
    // Nothing animated: no key interval, and asking for it makes nothing.
    RTime start;
    RTime stop;
    EXPECT_FALSE(node->GetAnimationInterval(start, stop));
    EXPECT_FALSE(copy->IsTreeMade());

    ASSERT_NE(copy->GetTranslationXCurve(), nullptr);
    EXPECT_TRUE(copy->IsTreeMade());
    EXPECT_FALSE(defaultTake->IsTreeMade());
    // The links of the default take are those its tree makes: the three transform vectors and
    // the visibility.
    EXPECT_EQ(node->GetPropertyCurveLinkCount(), 10);
    EXPECT_TRUE(defaultTake->IsTreeMade());
    EXPECT_FLOAT_EQ(DefaultOf(defaultTake, &RWyxTakeNode::GetScalingYCurve), 1.0f);
    EXPECT_FLOAT_EQ(DefaultOf(defaultTake, &RWyxTakeNode::GetVisibilityCurve), 1.0f);
}

// A tree made from the template, or copied whole, lies in shared slabs, which go with the nodes.
TEST_F(NodeDeferredPartsTest, TakeTreesMadeOrCopiedLieTogetherAndGoWithTheirNodes) {
    const long before = RCurveTreeMemory::GetLiveSlabCount();
    {
        RWyxObjectFactory scene;
        std::vector<RWyxNode*> nodes;
        for (int i = 0; i < 40; ++i) {
            nodes.push_back(scene.CreateNode(("Made" + std::to_string(i)).c_str()));
            ASSERT_NE(nodes.back()->AddTakeNode("Take 001")->GetTranslationXCurve(), nullptr);
        }
        const long made = RCurveTreeMemory::GetLiveSlabCount();
        EXPECT_GT(made, before + 4) << "forty trees made from the template";
        for (RWyxNode* node : nodes) node->GetDefaultTakeNode()->GetRootCurveNode();
        const long defaults = RCurveTreeMemory::GetLiveSlabCount();
        for (RWyxNode* node : nodes) ASSERT_TRUE(node->AddTakeNode("Take 002")->IsTreeMade());
        EXPECT_GT(defaults, made + 4) << "forty default trees";
        EXPECT_GT(RCurveTreeMemory::GetLiveSlabCount(), defaults + 4) << "forty copies of them";
    }
    EXPECT_LE(RCurveTreeMemory::GetLiveSlabCount(), before + 1);
}

// Two nodes go through the same steps: one makes every take tree at once, the other leaves
// them waiting; in the end both hold the same trees.
TEST_F(NodeDeferredPartsTest, TreesMadeLateAreTheTreesMadeAtOnceWhateverHappenedMeanwhile) {
    RWyxNode* atOnce = factory.CreateNode("AtOnce");
    RWyxNode* late = factory.CreateNode("Late");
    MakeEveryTree(*atOnce);
    const std::vector<std::function<void(RWyxNode&)>> steps = {
        [](RWyxNode& n) { PropertyOf(n, "Lcl Translation")->SetValue(RVector4(1.0, 2.0, 3.0, 1.0)); },
        [](RWyxNode& n) { n.AddTakeNode("Take 001"); },
        // A copy keeps the values it was made with; the default take follows.
        [](RWyxNode& n) { PropertyOf(n, "Lcl Translation")->SetValue(RVector4(4.0, 5.0, 6.0, 1.0)); },
        [](RWyxNode& n) { n.SetVisibility(false); },
        [](RWyxNode& n) { n.SetCurrentTakeNodeByName("Take 001"); },
        [](RWyxNode& n) { PropertyOf(n, "Lcl Rotation")->SetValue(RVector4(7.0, 8.0, 9.0, 1.0)); },
        [](RWyxNode& n) { n.AddTakeNode("Take 002"); },
        // A property made animatable later has no channel in the takes made before.
        [](RWyxNode& n) { PropertyOf(n, "RotationOffset")->SetFlag(RProperty::kAnimatable, true); },
        [](RWyxNode& n) { PropertyOf(n, "RotationOffset")->SetValue(RVector4(0.5, 0.5, 0.5, 1.0)); },
        [](RWyxNode& n) { n.AddTakeNode("Take 003"); },
        // A value beyond the curves' range saturates, in the tree made late as in the other.
        [](RWyxNode& n) { PropertyOf(n, "Lcl Scaling")->SetValue(RVector4(1e300, -1e300, 2.0, 1.0)); },
        [](RWyxNode& n) { n.AddTakeNode("Take 004"); },
    };
    for (const auto& step : steps) {
        step(*atOnce);
        MakeEveryTree(*atOnce);
        step(*late);
    }
    EXPECT_EQ(DumpTakes(*late), DumpTakes(*atOnce));
    EXPECT_EQ(late->GetPropertyCurveLinkCount(), atOnce->GetPropertyCurveLinkCount());
    EXPECT_EQ(DefaultOf(late->GetTakeNode(4), &RWyxTakeNode::GetScalingXCurve), FLT_MAX);
    EXPECT_EQ(DefaultOf(late->GetTakeNode(4), &RWyxTakeNode::GetScalingYCurve), -FLT_MAX);
    EXPECT_FLOAT_EQ(DefaultOf(late->GetTakeNode(1), &RWyxTakeNode::GetTranslationXCurve), 1.0f);
    EXPECT_FLOAT_EQ(DefaultOf(late->GetDefaultTakeNode(), &RWyxTakeNode::GetTranslationXCurve), 4.0f);
}

// A waiting take tells the defaults its transform and visibility curves will have, as the
// tree made then holds them (saturated where the value is beyond a float), and stops telling
// once its tree is made.
TEST_F(NodeDeferredPartsTest, AWaitingTakeTellsTheDefaultsItsTreeWillHold) {
    RWyxNode* node = factory.CreateNode("Node");
    PropertyOf(*node, "Lcl Translation")->SetValue(RVector4(1.0, 2.0, 3.0, 1.0));
    PropertyOf(*node, "Lcl Rotation")->SetValue(RVector4(4.0, 5.0, 6.0, 1.0));
    PropertyOf(*node, "Lcl Scaling")->SetValue(RVector4(1e300, 7.0, 0.1, 1.0));
    node->SetVisibility(false);
    RWyxTakeNode* take = node->GetDefaultTakeNode();
    float told[3][3] = {};
    float visibility = -1.0f;
    for (int channel = 0; channel < 3; ++channel) {
        ASSERT_TRUE(take->GetWaitingTransformDefaults(channel, told[channel]));
    }
    ASSERT_TRUE(take->GetWaitingVisibilityDefault(visibility));
    float none[3];
    EXPECT_FALSE(take->GetWaitingTransformDefaults(3, none));
    EXPECT_FALSE(take->IsTreeMade());

    using Curve = RFCurve* (RWyxTakeNode::*)();
    const Curve curves[3][3] = {
        {&RWyxTakeNode::GetTranslationXCurve, &RWyxTakeNode::GetTranslationYCurve, &RWyxTakeNode::GetTranslationZCurve},
        {&RWyxTakeNode::GetRotationXCurve, &RWyxTakeNode::GetRotationYCurve, &RWyxTakeNode::GetRotationZCurve},
        {&RWyxTakeNode::GetScalingXCurve, &RWyxTakeNode::GetScalingYCurve, &RWyxTakeNode::GetScalingZCurve}};
    for (int channel = 0; channel < 3; ++channel) {
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(told[channel][axis], DefaultOf(take, curves[channel][axis])) << channel << axis;
        }
    }
    EXPECT_EQ((std::vector<float>{told[0][2], told[1][0], told[2][0], told[2][2]}),
              (std::vector<float>{3.0f, 4.0f, FLT_MAX, 0.1f}));
    EXPECT_EQ(visibility, DefaultOf(take, &RWyxTakeNode::GetVisibilityCurve));
    EXPECT_EQ(visibility, 0.0f);
    EXPECT_FALSE(take->GetWaitingTransformDefaults(0, none));
    EXPECT_FALSE(take->GetWaitingVisibilityDefault(visibility));
}

TEST_F(NodeDeferredPartsTest, UserPropertiesAndAttributesReachWaitingTreesAsTheyReachMadeOnes) {
    RWyxNode* atOnce = factory.CreateNode("AtOnce");
    RWyxNode* late = factory.CreateNode("Late");
    MakeEveryTree(*atOnce);
    ProbeAttribute probes[2];
    for (RWyxNode* node : {atOnce, late}) {
        node->AddTakeNode("Take 001");
        if (node == atOnce) MakeEveryTree(*node);
        RWyxUserProperty* speed = factory.CreateUserProperty("Speed", "Real", "");
        speed->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
        node->AddUserProperty(factory.HandOverUserProperty(speed));
        node->SetNodeAttribute(&probes[node == atOnce ? 0 : 1]);
        node->AddTakeNode("Take 002");
    }
    EXPECT_TRUE(late->GetTakeNode(2)->IsTreeMade());  // an attribute adds its channels at once
    EXPECT_EQ(DumpTakes(*late), DumpTakes(*atOnce));
    for (RWyxNode* node : {atOnce, late}) node->SetNodeAttribute(nullptr);
}

// Curves hold floats: a value beyond their range gives the largest float, never infinity,
// whether the channel is made from the value or takes it later.
TEST_F(NodeDeferredPartsTest, ValuesBeyondTheFloatRangeGiveTheLargestFloatInEveryChannel) {
    RWyxNode* node = factory.CreateNode("Far");
    PropertyOf(*node, "Lcl Translation")->SetValue(RVector4(1e39, -1e300, 3.0, 1.0));
    RWyxTakeNode* take = node->AddTakeNode("Take 001");
    for (RWyxTakeNode* each : {node->GetDefaultTakeNode(), take}) {
        EXPECT_EQ(DefaultOf(each, &RWyxTakeNode::GetTranslationXCurve), FLT_MAX);
        EXPECT_EQ(DefaultOf(each, &RWyxTakeNode::GetTranslationYCurve), -FLT_MAX);
        EXPECT_FLOAT_EQ(DefaultOf(each, &RWyxTakeNode::GetTranslationZCurve), 3.0f);
    }
    PropertyOf(*node, "Visibility")->SetDouble(-1e40);
    EXPECT_EQ(DefaultOf(node->GetDefaultTakeNode(), &RWyxTakeNode::GetVisibilityCurve), -FLT_MAX);
    // An animatable user property's channel as well.
    RWyxUserProperty* speed = factory.CreateUserProperty("Speed", "Real", "");
    speed->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
    node->AddUserProperty(factory.HandOverUserProperty(speed));
    ASSERT_TRUE(speed->SetDouble(1e300));
    const RFCurve* curve = node->GetDefaultTakeNode()->FindCurve(nullptr, nullptr, "Speed");
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->GetDefaultValue(), FLT_MAX);
}

// ---- user-property wrappers --------------------------------------------------------------------

TEST_F(NodeDeferredPartsTest, EveryPropertyHasItsWrapperInPlaceWhenAskedFor) {
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxNodeProperties* properties = node->GetProperties();
    ASSERT_EQ(node->GetUserPropertyCount(), RWyxNodeProperties::kPropertyCount);
    EXPECT_TRUE(node->HasUserPropertyFor(properties->FindProperty("Show")));
    // Asked out of order, each wraps the property at its own place, once.
    RWyxUserProperty* last = node->GetUserProperty(RWyxNodeProperties::kPropertyCount - 1);
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->GetName(), "Visibility");
    EXPECT_EQ(node->GetUserProperty(RWyxNodeProperties::kPropertyCount - 1), last);
    EXPECT_EQ(node->FindUserProperty(properties->GetProperty(3)), node->GetUserProperty(3));
    EXPECT_EQ(node->FindUserPropertyByName("AxisLen")->GetProperty(), properties->FindProperty("AxisLen"));
    EXPECT_EQ(node->GetUserProperty(RWyxNodeProperties::kPropertyCount), nullptr);
    // Made by the factory and handed over, as the node's own.
    EXPECT_EQ(last->GetOwner(), &factory);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kUserProperties), 0);
    for (int i = 0; i < node->GetUserPropertyCount(); ++i) {
        EXPECT_TRUE(node->GetUserProperty(i)->IsSameProperty(properties->GetProperty(i))) << i;
    }
}

// A property that leaves the properties object before its wrapper is made moves the others
// up in the object, not in the node's list.
TEST_F(NodeDeferredPartsTest, WrappersKeepTheirPropertiesWhenAnEarlierPropertyLeaves) {
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxNodeProperties* properties = node->GetProperties();
    RProperty* second = properties->GetProperty(1);
    RProperty* leaving = properties->GetProperty(0);
    properties->DestroyPropertyAt(properties->IndexOfProperty(properties->FindProperty("LookAtProperty")));
    ASSERT_TRUE(properties->RemoveProperty(leaving));
    ASSERT_EQ(node->GetUserPropertyCount(), RWyxNodeProperties::kPropertyCount);
    EXPECT_TRUE(node->GetUserProperty(0)->IsSameProperty(leaving));
    EXPECT_TRUE(node->GetUserProperty(1)->IsSameProperty(second));
    const int lookAt = RWyxNodeProperties::kPropertyCount - 8;
    EXPECT_EQ(node->GetUserProperty(lookAt)->GetProperty(), nullptr);  // its property is gone
    EXPECT_STREQ(node->GetUserProperty(lookAt)->GetName(), "");
    EXPECT_STREQ(node->GetUserProperty(lookAt + 1)->GetName(), "UpVectorProperty");

    // A wrapper removed from the list leaves the others where their properties are.
    RWyxNode* other = factory.CreateNode("Leg");
    ASSERT_TRUE(other->RemoveUserProperty(other->GetUserProperty(2)));
    EXPECT_EQ(other->GetUserPropertyCount(), RWyxNodeProperties::kPropertyCount - 1);
    EXPECT_TRUE(other->GetUserProperty(2)->IsSameProperty(other->GetProperties()->GetProperty(3)));
    EXPECT_FALSE(other->HasUserPropertyFor(other->GetProperties()->GetProperty(2)));
    EXPECT_EQ(other->FindUserProperty(other->GetProperties()->GetProperty(2)), nullptr);
}

TEST_F(NodeDeferredPartsTest, UserPropertiesAddedLaterFollowTheWaitingWrappers) {
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxUserProperty* speed = node->AddUserProperty(factory.HandOverUserProperty(factory.CreateUserProperty("Speed", "Real", "")));
    ASSERT_NE(speed, nullptr);
    ASSERT_EQ(node->GetUserPropertyCount(), RWyxNodeProperties::kPropertyCount + 1);
    EXPECT_EQ(node->GetUserProperty(RWyxNodeProperties::kPropertyCount), speed);
    EXPECT_EQ(node->FindUserPropertyByName("Speed"), speed);
    EXPECT_TRUE(node->GetUserProperty(0)->IsSameProperty(node->GetProperties()->GetProperty(0)));
    // Removing it takes its property out of the properties object; the others stay in place.
    ASSERT_TRUE(node->RemoveUserProperty(speed));
    EXPECT_EQ(node->GetProperties()->FindProperty("Speed"), nullptr);
    EXPECT_STREQ(node->GetUserProperty(RWyxNodeProperties::kPropertyCount - 1)->GetName(), "Visibility");
}

// User properties added and removed at random on a node of three takes: each is found by its
// property, its channel in every take as a walk of the take's channels finds it, and a value
// set reaches the default take's curve.
TEST_F(NodeDeferredPartsTest, UserPropertiesAddedAndRemovedAtRandomKeepTheirLookupsAndChannels) {
    RWyxNode* node = factory.CreateNode("Arm");
    for (const char* take : {"One", "Two", "Three"}) node->AddTakeNode(take);
    std::vector<RWyxUserProperty*> listed;
    std::mt19937 random(3);
    for (int step = 0; step < 120; ++step) {
        if (listed.size() < 20 || random() % 3 != 0) {
            RWyxUserProperty* added = factory.CreateUserProperty(("U" + std::to_string(step)).c_str(), random() % 4 ? "Real" : "Vector", "");
            added->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
            listed.push_back(node->AddUserProperty(factory.HandOverUserProperty(added)));
        } else {
            const auto gone = listed.begin() + static_cast<long>(random() % listed.size());
            ASSERT_TRUE(node->RemoveUserProperty(*gone));
            listed.erase(gone);
        }
        RWyxUserProperty* set = listed[random() % listed.size()];
        if (set->GetType() == kUserPropertyReal) {
            ASSERT_TRUE(set->SetDouble(step));
            EXPECT_EQ(node->GetDefaultTakeNode()->FindCurve(nullptr, nullptr, set->GetName())->GetDefaultValue(), step) << step;
        }
        for (RWyxUserProperty* userProperty : listed) {
            ASSERT_EQ(node->FindUserProperty(userProperty->GetProperty()), userProperty) << step;
            ASSERT_TRUE(node->HasUserPropertyFor(userProperty->GetProperty()));
        }
        for (int take = 0; take < node->GetTakeNodeCount(); ++take) {
            const RFCurveNode& root = *node->GetTakeNode(take)->GetRootCurveNode();
            for (int i = 0; i < root.GetChildCount(); ++i) ASSERT_EQ(root.GetChildIndexByName(root.GetChild(i)->GetName()), i);
        }
    }
}

// The value of an animatable property reaches the curves of the current and the default take
// whether or not its wrapper was ever asked for.
TEST_F(NodeDeferredPartsTest, AValueChangeReachesTheCurvesWithoutItsWrapper) {
    RWyxNode* node = factory.CreateNode("Arm");
    RWyxTakeNode* take = node->AddTakeNode("Take 001");
    ASSERT_TRUE(node->SetCurrentTakeNodeByName("Take 001"));
    PropertyOf(*node, "Lcl Translation")->SetValue(RVector4(3.0, 0.0, 0.0, 1.0));
    EXPECT_FLOAT_EQ(DefaultOf(take, &RWyxTakeNode::GetTranslationXCurve), 3.0f);
    EXPECT_FLOAT_EQ(DefaultOf(node->GetDefaultTakeNode(), &RWyxTakeNode::GetTranslationXCurve), 3.0f);
    PropertyOf(*node, "Lcl Translation")->SetValue(RVector4(5.0, 0.0, 0.0, 1.0));
    EXPECT_FLOAT_EQ(DefaultOf(take, &RWyxTakeNode::GetTranslationXCurve), 5.0f);
    EXPECT_FLOAT_EQ(DefaultOf(node->GetDefaultTakeNode(), &RWyxTakeNode::GetTranslationXCurve), 5.0f);
}

}  // namespace
