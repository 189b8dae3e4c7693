#include "scene/RWyxScalingChecker.h"

#include "tests/scene/MembershipTestSupport.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxSkeleton.h"
#include "curves/RCurveKey.h"
#include "core/RProperty.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNodePath.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

namespace {

using Checker = RWyxScalingChecker;
enum Attribute { kNone, kJoint, kNull };

class ScalingCheckerTest : public membership_test::SceneFixture {
protected:
    // A node with the default scaling values, a child when asked, and an attribute.
    RWyxNode* Scaled(double x, double y, double z, bool withChild, Attribute attribute = kNone) {
        RWyxNode* node = Node("Scaled");
        SetDefaults(node->GetDefaultTakeNode(), x, y, z);
        if (withChild) Node("Child", node);
        if (attribute == kJoint) node->SetNodeAttribute(factory.CreateSkeleton());
        if (attribute == kNull) node->SetNodeAttribute(factory.CreateNull());
        return node;
    }
    static void SetDefaults(RWyxTakeNode* take, double x, double y, double z) {
        take->GetScalingXCurve()->SetDefaultValue(static_cast<float>(x));
        take->GetScalingYCurve()->SetDefaultValue(static_cast<float>(y));
        take->GetScalingZCurve()->SetDefaultValue(static_cast<float>(z));
    }
    static void Key(RFCurve* curve, double seconds, float value) {
        const RTime time(static_cast<std::int64_t>(seconds * RTime::kTicksPerSecond));
        curve->AddKey(time, RCurveKey::Plain(time, value, RCurveKey::Linear));
    }
    // The one list holding the node, for the take; "none" when none does.
    static std::string ListOf(const Checker& checker, const RWyxNode* node, Checker::Take take) {
        std::string found = "none";
        const auto check = [&](const std::vector<RWyxNode*>& list, const char* name) {
            if (list == std::vector<RWyxNode*>{const_cast<RWyxNode*>(node)}) found = found == "none" ? name : "several";
        };
        check(checker.GetNotUnitNodes(take), "not unit");
        check(checker.GetNegativeNodes(take), "negative");
        check(checker.GetNonUniformNodes(take), "not uniform");
        return found;
    }
};

TEST_F(ScalingCheckerTest, DefaultValuesDecideByTheFirstTestThatHolds) {
    const struct {
        double x, y, z;
        bool withChild;
        Attribute attribute;
        const char* list;
    } cases[] = {
        {2, 2, 2, true, kNull, "none"},           {1, 2, 1, true, kNone, "not uniform"},
        {1, 2, 1, false, kNone, "none"},          {-1, 1, 1, false, kNone, "negative"},
        {1, 1, -1, false, kNone, "negative"},     {2, 2, 2, true, kJoint, "not unit"},
        {2, 2, 2, false, kJoint, "none"},         {-1, -1, -1, true, kJoint, "not unit"},
        {1, 1, 1, true, kJoint, "none"},         {0, 0, 0, true, kNone, "none"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.y << " " << c.z << " " << c.attribute << c.withChild);
        RWyxNode* node = Scaled(c.x, c.y, c.z, c.withChild, c.attribute);
        Checker checker;
        EXPECT_EQ(checker.Collect(node).size(), std::string(c.list) == "none" ? 0u : 1u);
        EXPECT_EQ(ListOf(checker, node, Checker::kDefaultTake), c.list);
        EXPECT_EQ(ListOf(checker, node, Checker::kCurrentTake), "none") << "the default take is the current one";
    }
}

TEST_F(ScalingCheckerTest, SwitchesAndToleranceNarrowWhatIsReported) {
    Checker off;
    off.SetUnitCheck(false);
    off.SetNegativeCheck(false);
    off.SetNonUniformCheck(false);
    EXPECT_FALSE(off.Accept(Scaled(-1, 1.0 + 1e-6, 1, true, kJoint)));
    RWyxNode* near = Scaled(1, 1.0 + 1e-6, 1, true);
    Checker tolerant;
    tolerant.SetTolerance(1e-5);
    EXPECT_FALSE(tolerant.Accept(near));
    EXPECT_TRUE(Checker().Accept(near)) << "the machine epsilon by default";
    EXPECT_EQ(Checker().GetSamplingPeriod().GetTicks(), RTime::kTicksPerSecond / 24);
}

TEST_F(ScalingCheckerTest, KeysAreSampledFromTheEarliestFirstToTheLatestLastKey) {
    struct KeyOf {
        int axis;  // 0 X, 1 Y, 2 Z
        double seconds;
        float value;
    };
    const struct {
        const char* what;
        double defaultY;
        Attribute attribute;
        double tolerance;
        std::vector<KeyOf> keys;
        const char* list;
    } cases[] = {
        {"through non-uniform values", 1, kNone, 0, {{0, 0, 1}, {0, 1, 3}}, "not uniform"},
        {"through a negative value", 1, kNone, 0, {{0, 0, 1}, {0, 1, -1}}, "negative"},
        {"at one", 1, kNone, 0, {{0, 0, 1}, {0, 1, 1}}, "none"},
        {"a dip between samples", 1, kNone, 0, {{1, 0, 1}, {1, 0.01, -1}, {1, 0.02, 1}, {1, 1, 1}}, "none"},
        {"to the latest last key", 1, kNone, 0, {{0, 0, 1}, {0, 0.1, 1}, {1, 0, 1}, {1, 1, 1}, {1, 2, -1}},
         "negative"},
        {"from the earliest first key", 1, kNone, 0, {{0, 1, 1}, {0, 2, 1}, {1, 0, -1}, {1, 0.5, 1}, {1, 2, 1}},
         "negative"},
        // One second is 24 sampling periods: the sample at the last key's own time counts.
        {"only at the last key", 1, kNone, 0, {{0, 0, 1}, {0, 1, 1}, {1, 0, 1}, {1, 0.95, 1}, {1, 1, -1}}, "negative"},
        {"defaults decide before keys", 2, kNone, 0, {{0, 0, 1}, {0, 1, -1}}, "not uniform"},
        {"non-uniform outranks not unit", 1, kJoint, 0.5,
         {{0, 0, 1.45f}, {1, 0, 0.6f}, {2, 0, 1.45f}, {0, 1, 2}, {1, 1, 2}, {2, 1, 2}}, "not uniform"},
        // Keys far apart are sampled with a wider step: the check ends and a long dip is found.
        {"keys years apart", 1, kNone, 0, {{2, -4e7, 1}, {2, 0, -1}, {2, 4e7, 1}}, "negative"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RWyxNode* node = Scaled(1, 1, 1, true, c.attribute);
        RWyxTakeNode* take = node->GetDefaultTakeNode();
        RFCurve* const curves[] = {take->GetScalingXCurve(), take->GetScalingYCurve(), take->GetScalingZCurve()};
        for (const KeyOf& key : c.keys) Key(curves[key.axis], key.seconds, key.value);
        curves[1]->SetDefaultValue(static_cast<float>(c.defaultY));
        Checker checker;
        if (c.tolerance > 0) checker.SetTolerance(c.tolerance);
        checker.Visit(node);
        EXPECT_EQ(ListOf(checker, node, Checker::kDefaultTake), c.list);
    }
}

TEST_F(ScalingCheckerTest, AnotherCurrentTakeIsCheckedIntoItsOwnLists) {
    RWyxNode* node = Scaled(1, 1, 1, true);
    SetDefaults(node->AddTakeNode("Take 001"), 1, 2, 3);
    ASSERT_TRUE(node->SetCurrentTakeNodeByName("Take 001"));
    Checker checker;
    EXPECT_EQ(checker.Collect(node), std::vector<RWyxNode*>{node});
    EXPECT_EQ(ListOf(checker, node, Checker::kCurrentTake), "not uniform");
    EXPECT_EQ(ListOf(checker, node, Checker::kDefaultTake), "none");
    checker.Clear();
    EXPECT_TRUE(checker.GetNonUniformNodes(Checker::kCurrentTake).empty() && checker.GetResult().empty());
}

// A take whose tree waits is judged by the scaling its tree will hold, and stays waiting.
TEST_F(ScalingCheckerTest, AWaitingTakeIsJudgedByTheScalingItsTreeWillHold) {
    const struct {
        RVector4 scaling;
        const char* list;
    } cases[] = {{RVector4(1, 2, 1, 1), "not uniform"}, {RVector4(3, 3, 3, 1), "none"},
                 {RVector4(1, 1, -1, 1), "negative"}};
    for (const auto& c : cases) {
        RWyxNode* node = Node("Waiting");
        Node("Child", node);
        RWyxNodeProperties& properties = *node->GetProperties();
        properties.FindProperty("Lcl Translation")->SetValue(RVector4(1, 2, 3, 1));
        properties.FindProperty("Lcl Rotation")->SetValue(RVector4(-4, 5, 6, 1));
        properties.FindProperty("Lcl Scaling")->SetValue(c.scaling);
        ASSERT_FALSE(node->GetDefaultTakeNode()->IsTreeMade());
        Checker checker;
        checker.Visit(node);
        EXPECT_EQ(ListOf(checker, node, Checker::kDefaultTake), c.list) << c.scaling.y;
        EXPECT_FALSE(node->GetDefaultTakeNode()->IsTreeMade());
    }
}

TEST_F(ScalingCheckerTest, NodePathsRecordChildIndicesFromTheTopAncestor) {
    RWyxNode* top = Node("Top");
    Node("First", top);
    RWyxNode* second = Node("Second", top);
    RWyxNode* only = Node("Only", second);
    RWyxNode* leaf = Node("Leaf", only);
    const RWyxNodePath path(leaf);
    EXPECT_EQ(path.GetTopNode(), top);
    EXPECT_EQ(path.GetIndices(), (std::vector<int>{1, 0, 0}));
    const std::pair<int, RWyxNode*> steps[] = {{-1, top}, {0, top}, {1, second}, {2, only}, {3, leaf}, {9, leaf}};
    for (const auto& [depth, node] : steps) EXPECT_EQ(path.GetNodeAt(depth), node) << depth;
    EXPECT_STREQ(path.GetNameAt(2).Buffer(), "Model::Only");
    top->RemoveChild(second);
    EXPECT_EQ(path.GetNodeAt(3), nullptr) << "the index no longer exists";
    EXPECT_STREQ(path.GetNameAt(3).Buffer(), "");
    EXPECT_TRUE(RWyxNodePath(top).GetIndices().empty());
}

}  // namespace
