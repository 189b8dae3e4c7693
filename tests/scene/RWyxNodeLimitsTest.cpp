#include "scene/RWyxNodeLimits.h"

#include "tests/scene/TransformTestSupport.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxSkeleton.h"
#include "core/EulerAngles.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <functional>

using namespace transform_test;

namespace {

// The first axis of the frame the Euler angles make.
RVector4 FirstAxis(const RVector4& angles) {
    RMatrix frame;
    EulerVectorXYZToMatrix(frame, angles);
    return V(frame[0][0], frame[0][1], frame[0][2]);
}

RVector4 PreRotation(const RWyxNodeLimits& limits) {
    RVector4 out;
    return limits.GetDefault(RWyxNodeLimits::kRotation, out);
}

RVector4 PostRotation(const RWyxNodeLimits& limits) {
    RVector4 out;
    return limits.GetRotationAxis(out);
}

class NodeLimitsTest : public ::testing::Test {
protected:
    RWyxNode* Node(const char* name, RWyxNode* parent = nullptr, const RVector4& t = V(0, 0, 0),
                   const RVector4& s = V(1, 1, 1), const RVector4& r = V(0, 0, 0)) {
        RWyxNode* node = factory.CreateNode(name);
        node->SetDefaultTranslation(t);
        node->SetDefaultScaling(s);
        node->SetDefaultRotation(r);
        if (parent != nullptr) parent->AddChild(node);
        return node;
    }

    // A parent, a node below it and one child of the node; the node's limits derived.
    RWyxNodeLimits& Bone(const RVector4& nodeAt, const RVector4& childAt, const RVector4& parentRotation = V(0, 0, 0),
                         const RVector4& nodeRotation = V(0, 0, 0)) {
        RWyxNode* parent = Node("BoneParent", nullptr, V(0, 0, 0), V(1, 1, 1), parentRotation);
        RWyxNode* node = Node("Bone", parent, nodeAt, V(1, 1, 1), nodeRotation);
        Node("BoneChild", node, childAt);
        node->GetLimits()->UpdateFromNode(node);
        return *node->GetLimits();
    }

    RWyxObjectFactory factory;
};

TEST_F(NodeLimitsTest, ANewNodeIsInAutoWithNothingEnabledAndEnableFlipsAllSixSwitches) {
    RWyxNodeLimits& limits = *Node("Fresh")->GetLimits();
    for (int component = 0; component < 3; ++component) {
        EXPECT_TRUE(limits.GetAuto(component) && !limits.GetEnable(component)) << component;
    }
    EXPECT_EQ(limits.GetAxisLength(), 1.0);
    limits.SetEnable(0, true);
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_TRUE(limits.GetMinSwitch(0, axis) && limits.GetMaxSwitch(0, axis)) << axis;
        EXPECT_FALSE(limits.GetMinSwitch(1, axis) || limits.GetMaxSwitch(1, axis)) << axis;
    }
    limits.SetEnable(0, false);
    limits.SetEnable(0, false);
    EXPECT_FALSE(limits.GetEnable(0));
    // One switch makes the component enabled already, so enabling it changes nothing.
    limits.SetMaxSwitches(2, false, false, true);
    limits.SetEnable(2, true);
    EXPECT_TRUE(!limits.GetMinSwitch(2, 0) && limits.GetMaxSwitch(2, 2));
}

TEST_F(NodeLimitsTest, TheRotationValuesArePivotSetZerosAndTheOthersMinimumAndMaximum) {
    RWyxNode* node = Node("Defaults");
    RWyxNodeLimits& limits = *node->GetLimits();
    RVector4 out;
    for (int component : {0, 2}) {
        limits.SetDefault(component, V(1, 2, 3));
        EXPECT_TRUE(Near(limits.GetMax(component, out), V(1, 2, 3))) << component;
        limits.SetMax(component, V(4, 5, 6));
        EXPECT_TRUE(Near(limits.GetDefault(component, out), V(1, 2, 3))) << component;
    }
    limits.SetDefault(1, V(10, 20, 30));
    EXPECT_TRUE(Near(*node->GetPreRotation(0), V(10, 20, 30)));
    EXPECT_TRUE(Near(limits.GetMin(1, out), V(0, 0, 0)));
    limits.SetRotationAxis(V(0, 45, 0));
    EXPECT_TRUE(Near(*node->GetPostRotation(0), V(0, 45, 0)));
    int order = -1;
    limits.SetRotationType(0);
    EXPECT_TRUE(limits.GetRotationClampType() && !limits.GetRotationType());
    EXPECT_EQ(node->GetRotationOrder(0, order), 6);
    limits.SetRotationType(5);
    EXPECT_EQ(node->GetRotationOrder(0, order), 0);
    node->SetRotationOrder(0, 3);
    EXPECT_TRUE(limits.GetRotationType() && !limits.GetRotationClampType());
    // Only rotation leaving Auto marks its space for limits only.
    limits.SetAuto(0, false);
    limits.SetAuto(1, true);
    EXPECT_FALSE(node->GetRotationSpaceForLimitOnly(0));
    limits.SetAuto(1, false);
    EXPECT_TRUE(node->GetRotationSpaceForLimitOnly(0) && limits.GetActive(1));
}

TEST_F(NodeLimitsTest, AComponentOutsideTheThreeChangesNothingAndReadsAsZero) {
    RWyxNode* node = Node("Outside");
    RWyxNodeLimits& limits = *node->GetLimits();
    for (int c : {-1, 3}) {
        limits.SetAuto(c, false);
        limits.SetActive(c, true);
        limits.SetEnable(c, true);
        limits.SetDefault(c, V(1, 1, 1));
        limits.SetMin(c, V(1, 1, 1));
        limits.SetMax(c, V(1, 1, 1));
        limits.SetMinSwitches(c, true, true, true);
        RVector4 out(9, 9, 9, 9);
        EXPECT_FALSE(limits.GetAuto(c) || limits.GetActive(c) || limits.GetEnable(c) || limits.GetMinSwitch(c, 0));
        EXPECT_TRUE(Near(limits.GetDefault(c, out), V(0, 0, 0)));
        out = RVector4(9, 9, 9, 9);
        EXPECT_TRUE(Near(limits.GetMax(c, out), V(0, 0, 0)));
    }
    EXPECT_FALSE(limits.GetMaxSwitch(0, 3));
    for (int c = 0; c < 3; ++c) EXPECT_TRUE(limits.GetAuto(c) && !limits.GetEnable(c)) << c;
    EXPECT_FALSE(node->GetRotationSpaceForLimitOnly(0));
    EXPECT_TRUE(Near(*node->GetPreRotation(0), V(0, 0, 0)));
}

// ---- limits from the default pose -----------------------------------------------------------------

TEST_F(NodeLimitsTest, TheBoneAxisCaseGivesPreAndPostRotationAndLength) {
    const RWyxNodeLimits& limits = Bone(V(10, 0, 0), V(0, 10, 0));
    EXPECT_TRUE(Near(PreRotation(limits), V(0, 0, 90)));
    EXPECT_TRUE(Near(PostRotation(limits), V(0, 0, 90)));
    EXPECT_NEAR(limits.GetAxisLength(), 10.0, 1e-9);
    EXPECT_TRUE(limits.GetRotationType());  // away from its parent: Euler XYZ
    RVector4 out;
    EXPECT_TRUE(Near(limits.GetDefault(0, out), V(10, 0, 0), 1e-6));
    EXPECT_TRUE(Near(limits.GetDefault(2, out), V(1, 1, 1), 1e-6));
}

TEST_F(NodeLimitsTest, TheFrameAlongTheBoneSeenFromParentAndNode) {
    struct Case {
        const char* name;
        RVector4 nodeAt, childAt, parentRotation, nodeRotation, pre, post;
        bool euler;
    };
    const Case cases[] = {
        {"node turned", V(10, 0, 0), V(0, 10, 0), V(0, 0, 0), V(0, 0, 30), V(0, 0, 120), V(0, 0, 90), true},
        {"parent turned", V(10, 0, 0), V(0, 10, 0), V(0, 0, 30), V(0, 0, 0), V(0, 0, 90), V(0, 0, 90), true},
        // The bone leaves the plane of the offset: the second axis is the third one x the bone.
        {"out of the plane", V(10, 0, 0), V(10, 0, 10), V(0, 0, 0), V(0, 0, 0), V(90, -45, 0), V(90, -45, 0), true},
        // No plane of bone and offset: the shortest arc from the frame's X axis to the bone.
        {"on the parent", V(0, 0, 0), V(0, 5, 0), V(0, 0, 0), V(0, 0, 0), V(0, 0, 90), V(0, 0, 90), false},
        {"along the offset", V(10, 0, 0), V(5, 0, 0), V(0, 0, 0), V(0, 0, 0), V(0, 0, 0), V(0, 0, 0), true},
    };
    for (const Case& c : cases) {
        const RWyxNodeLimits& limits = Bone(c.nodeAt, c.childAt, c.parentRotation, c.nodeRotation);
        EXPECT_TRUE(Near(PreRotation(limits), c.pre, 1e-5)) << c.name;
        EXPECT_TRUE(Near(PostRotation(limits), c.post, 1e-5)) << c.name;
        EXPECT_EQ(limits.GetRotationType(), c.euler) << c.name;
    }
}

TEST_F(NodeLimitsTest, ABoneAgainstTheFramesXAxisIsAHalfTurnNotNoTurn) {
    for (const RVector4& nodeAt : {V(0, 0, 0), V(-10, 0, 0)}) {
        const RWyxNodeLimits& limits = Bone(nodeAt, V(-5, 0, 0));
        EXPECT_TRUE(Near(FirstAxis(PreRotation(limits)), V(-1, 0, 0))) << nodeAt.x;
        EXPECT_TRUE(Near(FirstAxis(PostRotation(limits)), V(-1, 0, 0))) << nodeAt.x;
        EXPECT_NEAR(limits.GetAxisLength(), 5.0, 1e-9);
    }
}

TEST_F(NodeLimitsTest, ZeroScalingGivesFiniteLimitsAndMirroringNegativeScaling) {
    const RVector4 scalings[][2] = {{V(1, 1, 1), V(0, 0, 0)}, {V(1, 1, 1), V(0, 1, 1)}, {V(1, 1, 1), V(1, 0, 1)},
                                    {V(0, 0, 0), V(1, 1, 1)}, {V(1, 1, 0), V(2, 2, 2)}};
    for (const auto& [parentScaling, nodeScaling] : scalings) {
        RWyxNode* node = Node("Bone", Node("Parent", nullptr, V(0, 0, 0), parentScaling), V(10, 0, 0), nodeScaling);
        Node("Tip", node, V(0, 10, 0));
        RWyxNodeLimits& limits = *node->GetLimits();
        limits.UpdateFromNode(node);
        RVector4 out;
        EXPECT_TRUE(IsFinite(PreRotation(limits)) && IsFinite(PostRotation(limits))) << nodeScaling.x << parentScaling.x;
        EXPECT_TRUE(Near(limits.GetDefault(2, out), nodeScaling, 1e-6));
    }
    RWyxNode* mirrored = Node("Mirrored", Node("Parent"), V(1, 2, 3), V(-1, 2, 3));
    mirrored->GetLimits()->UpdateFromNode(mirrored);
    RVector4 out;
    EXPECT_TRUE(Near(mirrored->GetLimits()->GetMax(2, out), V(-1, -2, -3), 1e-6));
}

TEST_F(NodeLimitsTest, OnlyComponentsInAutoAreDerivedAndNothingWithoutParentOrNode) {
    RWyxNode* root = Node("Root", nullptr, V(4, 4, 4));
    RWyxNodeLimits& rootLimits = *root->GetLimits();
    rootLimits.UpdateFromNode(root);
    rootLimits.UpdateFromNode(nullptr);
    RVector4 out;
    EXPECT_TRUE(Near(rootLimits.GetDefault(0, out), V(0, 0, 0)));
    EXPECT_EQ(rootLimits.GetAxisLength(), 1.0);

    RWyxNode* node = Node("Partly", root, V(5, 6, 7), V(2, 2, 2));
    Node("Tip", node, V(0, 3, 0));
    RWyxNodeLimits& limits = *node->GetLimits();
    limits.SetAuto(1, false);
    limits.SetAuto(2, false);
    limits.UpdateFromNode(node);
    EXPECT_TRUE(Near(limits.GetDefault(0, out), V(5, 6, 7), 1e-6));
    EXPECT_TRUE(Near(limits.GetDefault(2, out), V(0, 0, 0)));
    EXPECT_EQ(limits.GetAxisLength(), 1.0);
    limits.SetAuto(0, false);
    limits.SetDefault(0, V(1, 1, 1));
    limits.UpdateFromNode(node);  // nothing in Auto
    EXPECT_TRUE(Near(limits.GetDefault(0, out), V(1, 1, 1)));
}

// ---- the bone axis ------------------------------------------------------------------------------------

TEST_F(NodeLimitsTest, TheBoneAxisPrefersTheLongestChildOfTheNodesOwnKind) {
    const auto skeleton = [this](int type) {
        RWyxSkeleton* attribute = factory.CreateSkeleton();
        attribute->SetSkeletonType(type);
        return attribute;
    };
    const std::function<RWyxNodeAttribute*()> kinds[] = {
        [] { return nullptr; }, [this] { return factory.CreateMarker(); }, [&] { return skeleton(0); },
        [&] { return skeleton(1); }, [this] { return factory.CreateNull(); }};
    // Child k has kind k and the offset expected[k]; the null child is the longest of all.
    const RVector4 expected[] = {V(2, 0, 0), V(0, 3, 0), V(0, 0, 4), V(5, 0, 0), V(0, 6, 0)};
    for (int own = 0; own < 5; ++own) {
        RWyxNode* node = Node("Own");
        node->SetNodeAttribute(kinds[own]());
        for (int k = 0; k < 5; ++k) Node("Child", node, expected[k])->SetNodeAttribute(kinds[k]());
        EXPECT_TRUE(Near(RWyxNodeLimits::BoneAxis(*node), expected[own], 1e-6)) << own;
    }
}

TEST_F(NodeLimitsTest, TheBoneAxisFallsBackToAllChildrenThenTheFarthestControlPoint) {
    RWyxNode* marker = Node("Marker");
    marker->SetNodeAttribute(factory.CreateMarker());
    Node("Short", marker, V(1, 0, 0));
    Node("Long", marker, V(0, 0, -7));
    EXPECT_TRUE(Near(RWyxNodeLimits::BoneAxis(*marker), V(0, 0, -7), 1e-6));

    RWyxNode* mesh = Node("Mesh");
    RWyxMesh* geometry = factory.CreateMesh();
    mesh->SetNodeAttribute(geometry);
    EXPECT_TRUE(Near(RWyxNodeLimits::BoneAxis(*mesh), V(0, 0, 0)));
    ASSERT_TRUE(geometry->InitControlPoints(3));
    geometry->SetControlPointAt(0, RVector4(1, 1, 1, 1));
    geometry->SetControlPointAt(1, RVector4(0, -4, 0, 1));
    geometry->SetControlPointAt(2, RVector4(2, 2, 0, 1));
    Node("AtOrigin", mesh, V(0, 0, 0));  // no direction
    EXPECT_TRUE(Near(RWyxNodeLimits::BoneAxis(*mesh), V(0, -4, 0)));
}

}  // namespace
