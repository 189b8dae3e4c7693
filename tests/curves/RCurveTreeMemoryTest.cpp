#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "curves/RCurveTreeMemory.h"
#include "tests/curves/CurveNodeTestSupport.h"

using namespace curve_node_test;

namespace {

// A "Transform" tree as a take's channels have it: "T", "R", "S" with "X", "Y", "Z" leaves.
RFCurveNode* MakeTransformTree() {
    RFCurveNode* root = RFCurveNode::Create("Transform", nullptr);
    for (const char* name : {"T", "R", "S"}) root->AddChild(MakeVectorNode(name, nullptr, {1.0f, 2.0f, 3.0f}));
    return root;
}

std::vector<RFCurveNode*> MakeTreesTogether(int count) {
    const RCurveTreeMemory::Scope together;
    std::vector<RFCurveNode*> trees;
    for (int i = 0; i < count; ++i) trees.push_back(MakeTransformTree());
    return trees;
}

struct DestroyLog {
    int destroyed = 0;
    static void Listen(RFCurveNode&, const RFCurveNode::ChangeRecord& record, void* userData) {
        if ((record.kinds & RFCurveNode::ChangeDestroyed) != 0) ++static_cast<DestroyLog*>(userData)->destroyed;
    }
};

}  // namespace

TEST(RCurveTreeMemory, TreesMadeTogetherShareSlabsThatGoWithTheirLastPiece) {
    const long before = RCurveTreeMemory::GetLiveSlabCount();
    NodePtr alone(MakeTransformTree());
    EXPECT_EQ(RCurveTreeMemory::GetLiveSlabCount(), before) << "outside a scope every piece is its own block";

    std::vector<RFCurveNode*> trees = MakeTreesTogether(200);
    const long during = RCurveTreeMemory::GetLiveSlabCount();
    // 200 trees of 13 nodes and 9 curves fill slabs: far fewer than trees, but more than one.
    EXPECT_GT(during, before + 1);
    EXPECT_LT(during, before + 100);
    // Listeners of a tree in a slab hear of its end as any other; the trees go in both orders.
    DestroyLog nodes;
    int curvesEnded = 0;
    const auto curveListener = [](RFCurve&, const RCurveChangeRecord& record, void* ended) {
        if ((record.GetKinds() & RCurveChangeRecord::CurveDestroyed) != 0) ++*static_cast<int*>(ended);
    };
    for (RFCurveNode* tree : trees) {
        EXPECT_FLOAT_EQ(tree->GetChild(2)->GetChild(1)->GetCurve()->GetDefaultValue(), 2.0f);
        tree->GetChild(0)->AddListener(&DestroyLog::Listen, &nodes);
        tree->GetChild(0)->GetChild(0)->GetCurve()->AddListener(curveListener, &curvesEnded);
    }
    for (std::size_t i = 0; i < trees.size(); i += 2) RFCurveNode::Destroy(trees[i]);
    for (std::size_t i = trees.size() - 1; i < trees.size(); i -= 2) RFCurveNode::Destroy(trees[i]);
    EXPECT_EQ(nodes.destroyed, 200);
    EXPECT_EQ(curvesEnded, 200);
    // Only the slab the thread still cuts from may stay.
    EXPECT_LE(RCurveTreeMemory::GetLiveSlabCount(), before + 1);
}

TEST(RCurveTreeMemory, APieceOutlivingItsTreeKeepsItsSlab) {
    std::vector<RFCurveNode*> trees = MakeTreesTogether(1);
    RFCurveNode* rotation = trees[0]->GetChild(1);
    trees[0]->RemoveChild(1);
    DestroyLog log;
    rotation->AddListener(&DestroyLog::Listen, &log);
    RFCurveNode::Destroy(trees[0]);
    // Many further trees move the thread on to new slabs: the survivor's slab must stay.
    for (RFCurveNode* tree : MakeTreesTogether(200)) RFCurveNode::Destroy(tree);
    EXPECT_EQ(rotation->GetChildCount(), 3);
    EXPECT_FLOAT_EQ(rotation->GetChild(2)->GetCurve()->GetDefaultValue(), 3.0f);
    EXPECT_EQ(log.destroyed, 0);
    const long withSurvivor = RCurveTreeMemory::GetLiveSlabCount();
    RFCurveNode::Destroy(rotation);
    EXPECT_EQ(log.destroyed, 1) << "a node of a slab tells its listeners of its end as any other";
    EXPECT_EQ(RCurveTreeMemory::GetLiveSlabCount(), withSurvivor - 1) << "the survivor held its slab alone";
}

TEST(RCurveTreeMemory, SlabsOfOtherThreadsAndEndedThreadsAreFreed) {
    const long before = RCurveTreeMemory::GetLiveSlabCount();
    std::vector<RFCurveNode*> made;
    std::thread maker([&made] { made = MakeTreesTogether(100); });
    maker.join();
    // The maker has ended: its slabs are held by its pieces alone, and go on this thread.
    EXPECT_GT(RCurveTreeMemory::GetLiveSlabCount(), before);
    for (RFCurveNode* tree : made) RFCurveNode::Destroy(tree);
    EXPECT_EQ(RCurveTreeMemory::GetLiveSlabCount(), before);

    std::thread roundTrip([] {
        for (RFCurveNode* tree : MakeTreesTogether(10)) RFCurveNode::Destroy(tree);
    });
    roundTrip.join();
    EXPECT_EQ(RCurveTreeMemory::GetLiveSlabCount(), before) << "an ended thread keeps no slab";
}

TEST(RCurveTreeMemory, PiecesAreAlignedAndLargeOnesComeFromTheHeap) {
    const RCurveTreeMemory::Scope together;
    std::vector<void*> pieces;
    for (std::size_t bytes : {1u, 8u, 24u, 152u, 1000u}) {
        pieces.push_back(RCurveTreeMemory::Allocate(bytes));
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(pieces.back()) % 16, 0u) << bytes;
    }
    const long slabs = RCurveTreeMemory::GetLiveSlabCount();
    void* large = RCurveTreeMemory::Allocate(RCurveTreeMemory::kMaxSlabPiece + 1);
    EXPECT_EQ(RCurveTreeMemory::GetLiveSlabCount(), slabs);
    RCurveTreeMemory::Free(large);
    for (void* piece : pieces) RCurveTreeMemory::Free(piece);
    RCurveTreeMemory::Free(nullptr);
}

#if defined(__SANITIZE_ADDRESS__)
#define WYX_TEST_POISONING 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WYX_TEST_POISONING 1
#endif
#endif

#ifdef WYX_TEST_POISONING
// Inside a slab a freed piece is not handed back to the heap, so only poisoning reveals its use.
TEST(RCurveTreeMemoryDeathTest, AFreedPieceOfASlabIsPoisoned) {
    EXPECT_DEATH(
        {
            const RCurveTreeMemory::Scope together;
            auto* piece = static_cast<volatile char*>(RCurveTreeMemory::Allocate(32));
            RCurveTreeMemory::Free(const_cast<char*>(piece));
            piece[0] = 1;
        },
        "use-after-poison");
}
#endif
