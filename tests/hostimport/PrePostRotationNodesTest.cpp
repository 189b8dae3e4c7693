// Pre- and post-rotation helper nodes folded into their nodes on import and made on export.

#include "tests/hostimport/TransformTestSupport.h"
#include "tests/support/ImportTestSupport.h"

#include "attributes/RWyxSkeleton.h"
#include "hostimport/PrePostRotationNodes.h"

namespace {

using namespace transform_test;

class PrePostRotationNodesTest : public SessionSceneTest {
protected:
    static RVector4 Value(const RVector4* vector) { return *vector; }
    static RVector4 Translation(const RWyxNode* node) {
        RVector4 out;
        node->GetDefaultTranslation(out);
        return out;
    }
    static RVector4 RotationOf(const RWyxNode* node) {
        RVector4 out;
        node->GetDefaultRotation(out);
        return out;
    }
    static int State(const RWyxNode* node) {
        int state = -1;
        return node->GetPivotState(0, state);
    }
};

TEST_F(PrePostRotationNodesTest, AChainOfHelpersFoldsIntoItsNode) {
    VexaNode* pre = add(root(), "arm__Pre_");
    pre->SetDefaultTranslation(RVector4(1.0, 2.0, 3.0, 0.0));
    pre->SetDefaultRotation(RVector4(0.0, 0.0, 45.0, 0.0));
    Key(Take(pre)->GetTranslationXCurve(), 0.0, 1.0f);
    Key(Take(pre)->GetTranslationXCurve(), 1.0, 5.0f);
    VexaNode* arm = add(pre, "arm");
    VexaNode* post = add(arm, "arm__Post_");
    post->SetDefaultRotation(RVector4(10.0, 0.0, 0.0, 0.0));
    VexaNode* hand = add(post, "hand");
    SplitPrePostNodes(root(), 0, factory());

    ASSERT_EQ(root()->GetChildCount(), 1);
    EXPECT_EQ(root()->GetChild(0), arm);
    ASSERT_EQ(arm->GetChildCount(), 1);
    EXPECT_EQ(arm->GetChild(0), hand);
    EXPECT_EQ(Translation(arm).y, 2.0);
    EXPECT_EQ(Value(arm->GetPreRotation(0)).z, 45.0);
    EXPECT_EQ(Value(arm->GetPostRotation(0)).x, 10.0);
    RFCurve* moved = Take(arm)->GetTranslationXCurve();
    ASSERT_EQ(moved->GetKeyCount(), 2);
    EXPECT_EQ(moved->GetKey(1).GetValue(), 5.0f);
    EXPECT_EQ(pre->GetParent(), nullptr);
    EXPECT_EQ(post->GetParent(), nullptr);
}

// The flags are kept per call: a plain child met after a folded sibling keeps its pivots
// unused, one met before it has them in use.
TEST_F(PrePostRotationNodesTest, PlainChildrenAfterAHelperKeepTheirPivotState) {
    VexaNode* after = add(root(), "after");
    VexaNode* pre = add(root(), "leg__Pre_");
    add(pre, "leg");
    VexaNode* before = add(root(), "before");
    SplitPrePostNodes(root(), 0, factory());
    EXPECT_EQ(State(before), 0);
    EXPECT_EQ(State(after), 1);
}

// A helper without children has no node to give its rotation to: it stays, as any node. A pre
// node holding other nodes besides its own stays with them.
TEST_F(PrePostRotationNodesTest, HelpersWithoutTheirNodeOrWithOthersStay) {
    VexaNode* lonePre = add(root(), "lone__Pre_");
    VexaNode* owner = add(root(), "owner");
    VexaNode* lonePost = add(owner, "owner__Post_");
    VexaNode* shared = add(root(), "neck__Pre_");
    shared->SetDefaultRotation(RVector4(0.0, 30.0, 0.0, 0.0));
    VexaNode* neck = add(shared, "neck");
    VexaNode* other = add(shared, "other");
    SplitPrePostNodes(root(), 0, factory());
    EXPECT_EQ(lonePre->GetParent(), root());
    EXPECT_EQ(lonePost->GetParent(), nullptr);  // folded into its owner, with no children to give
    EXPECT_EQ(owner->GetChildCount(), 0);
    EXPECT_EQ(neck->GetParent(), root());
    EXPECT_EQ(Value(neck->GetPreRotation(0)).y, 30.0);
    EXPECT_EQ(shared->GetParent(), root());
    EXPECT_EQ(other->GetParent(), shared);
    EXPECT_EQ(State(other), 0);  // the pre node that stayed is split in turn
}

TEST_F(PrePostRotationNodesTest, ExportMakesHelpersForNonZeroRotations) {
    RWyxSkeleton* skeleton = factory().CreateSkeleton();
    skeleton->SetSize(3.5);
    VexaNode* first = add(root(), "first");
    VexaNode* node = add(root(), "bone", skeleton);
    VexaNode* last = add(root(), "last");
    node->SetDefaultTranslation(RVector4(1.0, 2.0, 3.0, 0.0));
    node->SetPreRotation(0, 0.0, 0.0, 90.0, 1.0);
    node->SetPostRotation(0, 10.0, 0.0, 0.0, 1.0);
    Key(Take(node)->GetTranslationYCurve(), 0.0, 2.0f);
    Key(Take(node)->GetTranslationYCurve(), 1.0, 4.0f);
    VexaNode* child = add(node, "child");
    EXPECT_FALSE(MergePrePostNodes(root(), 0, factory()));

    ASSERT_EQ(root()->GetChildCount(), 3);
    EXPECT_EQ(root()->GetChild(0), first);
    RWyxNode* pre = root()->GetChild(1);
    EXPECT_EQ(root()->GetChild(2), last);
    EXPECT_EQ(pre->GetName(), "Model::bone__Pre_");
    EXPECT_EQ(pre->GetChild(0), node);
    EXPECT_EQ(RotationOf(pre).z, 90.0);
    EXPECT_EQ(Translation(pre).x, 1.0);
    ASSERT_NE(pre->GetSkeleton(), nullptr);
    EXPECT_EQ(pre->GetSkeleton()->GetSkeletonType(), RWyxSkeleton::kLimbNode);
    EXPECT_EQ(pre->GetSkeleton()->GetSize(), 3.5);
    EXPECT_EQ(Take(pre)->GetTranslationYCurve()->GetKeyCount(), 2);
    EXPECT_EQ(Take(node)->GetTranslationYCurve()->GetKeyCount(), 0);
    EXPECT_EQ(Translation(node).x, 0.0);
    EXPECT_EQ(Value(node->GetPreRotation(0)).z, 0.0);

    ASSERT_EQ(node->GetChildCount(), 1);
    RWyxNode* post = node->GetChild(0);
    EXPECT_EQ(post->GetName(), "Model::bone__Post_");
    EXPECT_EQ(post->GetChild(0), child);
    EXPECT_EQ(RotationOf(post).x, 10.0);
    EXPECT_EQ(Value(node->GetPostRotation(0)).x, 0.0);
    // Helpers are made once: a second pass finds nothing to do.
    EXPECT_FALSE(MergePrePostNodes(root(), 0, factory()));
    EXPECT_EQ(root()->GetChildCount(), 3);
    EXPECT_FALSE(MergePrePostNodes(first, 0, factory()));
}

// A node renamed with "ncl" is named for its helpers from its initial name.
TEST_F(PrePostRotationNodesTest, ARenamedNodesHelpersTakeItsInitialName) {
    VexaNode* node = add(root(), "arm");
    node->SetName("armncl1");
    node->SetPreRotation(0, 0.0, 30.0, 0.0, 1.0);
    EXPECT_TRUE(MergePrePostNodes(node, 0, factory()));
    ASSERT_NE(node->GetParent(), nullptr);
    EXPECT_EQ(node->GetParent()->GetNameWithoutPrefix(), "arm__Pre_cl1");
}

}  // namespace
