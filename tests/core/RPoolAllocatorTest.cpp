#include "core/RPoolAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Malloc-backed hooks that count their calls and can be told to fail.
class CountingHooks : public RAllocatorHooks {
public:
    void* Allocate(std::size_t size) override {
        if (failing) {
            return nullptr;
        }
        ++allocations;
        return std::malloc(size);
    }
    void* Reallocate(void* block, std::size_t size) override {
        return failing ? nullptr : std::realloc(block, size);
    }
    void Free(void* block) override {
        ++frees;
        std::free(block);
    }

    int allocations = 0;
    int frees = 0;
    bool failing = false;
};

bool IsAligned(const void* pointer, std::uintptr_t alignment) {
    return reinterpret_cast<std::uintptr_t>(pointer) % alignment == 0;
}

}  // namespace

TEST(RPoolAllocator, BlocksAtTheLargestSizeGoToTheHooksAndBack) {
    CountingHooks hooks;
    RPoolAllocator pool(256, 2, 0, 0);
    void* large = pool.Allocate(hooks, 256);
    ASSERT_NE(large, nullptr);
    EXPECT_EQ(hooks.allocations, 1);
    EXPECT_GE(RPoolAllocator::UsableSize(large), 256u);
    EXPECT_EQ(pool.GetBlockCount(), 1u);
    pool.Free(hooks, large);
    EXPECT_EQ(hooks.frees, 1);
    EXPECT_EQ(pool.GetBytesHeld(), 0u);
    EXPECT_EQ(pool.GetBlockCount(), 0u);
}

TEST(RPoolAllocator, FreedSmallBlocksAreReused) {
    CountingHooks hooks;
    RPoolAllocator pool(256, 2, 0, 0);
    void* first = pool.Allocate(hooks, 20);
    pool.Free(hooks, first);
    EXPECT_EQ(hooks.frees, 0);
    void* second = pool.Allocate(hooks, 18);  // the same size class
    EXPECT_EQ(second, first);
    EXPECT_EQ(hooks.allocations, 1);
    void* other = pool.Allocate(hooks, 100);  // another class
    EXPECT_NE(other, first);
    EXPECT_EQ(hooks.allocations, 2);
    pool.Free(hooks, second);
    pool.Free(hooks, other);
    pool.Clear();
    EXPECT_EQ(hooks.frees, 2);
    EXPECT_EQ(pool.GetBytesHeld(), 0u);
}

TEST(RPoolAllocator, OverTheCapFreedBlocksGoBackToTheHooks) {
    CountingHooks hooks;
    RPoolAllocator pool(256, 2, 0, 64);
    void* a = pool.Allocate(hooks, 30);
    void* b = pool.Allocate(hooks, 30);
    const std::size_t blockSize = pool.GetBytesHeld() / 2;
    ASSERT_GT(2 * blockSize, 64u);
    ASSERT_LE(blockSize, 64u);
    pool.Free(hooks, a);  // held exceeds the cap
    EXPECT_EQ(hooks.frees, 1);
    EXPECT_EQ(pool.GetBytesHeld(), blockSize);
    pool.Free(hooks, b);  // held within the cap: pooled
    EXPECT_EQ(hooks.frees, 1);
    EXPECT_EQ(pool.GetBlockCount(), 1u);
}

TEST(RPoolAllocator, UserPointersAreAligned) {
    CountingHooks hooks;
    RPoolAllocator plain(4096, 2, 0, 0);
    RPoolAllocator wide(4096, 2, 6, 0);
    std::vector<void*> blocks;
    for (std::size_t size : {0u, 1u, 3u, 7u, 13u, 64u, 100u, 5000u}) {
        void* p = plain.Allocate(hooks, size);
        void* q = wide.Allocate(hooks, size);
        EXPECT_TRUE(IsAligned(p, 8)) << size;
        EXPECT_TRUE(IsAligned(q, 64)) << size;
        EXPECT_GE(RPoolAllocator::UsableSize(q), size);
        std::memset(q, 0xAB, size);
        plain.Free(hooks, p);
        wide.Free(hooks, q);
    }
}

TEST(RPoolAllocator, UnsoundArgumentsAreClampedAndHugeRequestsRefused) {
    CountingHooks hooks;
    RPoolAllocator pool(SIZE_MAX, 40, 12, 0);
    EXPECT_EQ(pool.GetShift(), RPoolAllocator::kMaxShift);
    EXPECT_EQ(pool.GetAlignBits(), RPoolAllocator::kMaxAlignBits);
    EXPECT_EQ(pool.GetLargestSize(), std::size_t{UINT32_MAX});
    RPoolAllocator negative(256, -3, -1, 0);
    EXPECT_EQ(negative.GetShift(), 0);
    EXPECT_EQ(negative.GetAlignBits(), RPoolAllocator::kMinAlignBits);
    EXPECT_EQ(negative.Allocate(hooks, SIZE_MAX), nullptr);
    EXPECT_EQ(negative.Allocate(hooks, UINT32_MAX), nullptr);
    EXPECT_EQ(hooks.allocations, 0);
}

TEST(RPoolAllocator, ReallocateKeepsTheContentsAndFailureKeepsTheOldBlock) {
    CountingHooks hooks;
    RPoolAllocator pool(256, 2, 0, 0);
    auto* bytes = static_cast<unsigned char*>(pool.Reallocate(hooks, nullptr, 16));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 16; ++i) bytes[i] = static_cast<unsigned char>(i + 1);
    auto* grown = static_cast<unsigned char*>(pool.Reallocate(hooks, bytes, 1000));
    ASSERT_NE(grown, nullptr);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(grown[i], i + 1);
    auto* shrunk = static_cast<unsigned char*>(pool.Reallocate(hooks, grown, 4));
    ASSERT_NE(shrunk, nullptr);
    EXPECT_EQ(shrunk[3], 4);

    hooks.failing = true;
    EXPECT_EQ(pool.Reallocate(hooks, shrunk, 5000), nullptr);
    EXPECT_EQ(shrunk[0], 1);
    EXPECT_EQ(shrunk[3], 4);
    hooks.failing = false;
    pool.Free(hooks, shrunk);
}

TEST(RPoolAllocator, ClearKeepsBlocksInUseCounted) {
    CountingHooks hooks;
    RPoolAllocator pool(256, 2, 0, 0);
    void* kept = pool.Allocate(hooks, 40);
    void* pooled = pool.Allocate(hooks, 40);
    pool.Free(hooks, pooled);
    const std::size_t held = pool.GetBytesHeld();
    pool.Clear();
    EXPECT_EQ(hooks.frees, 1);
    EXPECT_EQ(pool.GetBytesHeld(), held / 2);
    EXPECT_EQ(pool.GetBlockCount(), 1u);
    pool.Free(hooks, kept);
    EXPECT_EQ(pool.GetBlockCount(), 1u);  // pooled again
    pool.Clear();
    EXPECT_EQ(pool.GetBytesHeld(), 0u);
    EXPECT_EQ(hooks.frees, 2);
}

TEST(RPoolAllocator, PooledBlocksServeOnlyTheHooksTheyCameFrom) {
    CountingHooks first;
    CountingHooks second;
    RPoolAllocator pool(256, 2, 0, 0);
    void* block = pool.Allocate(first, 24);
    pool.Free(first, block);
    void* other = pool.Allocate(second, 24);
    EXPECT_EQ(second.allocations, 1);
    pool.Free(second, other);
    pool.Clear();
    EXPECT_EQ(first.frees, 1);
    EXPECT_EQ(second.frees, 1);
}

TEST(RPoolAllocator, RegistryHoldsTheDefaultPoolAndCreatedPools) {
    if (GetDefaultPool() != nullptr) {
        GTEST_SKIP() << "the registry belongs to an initialized SDK";
    }
    EXPECT_EQ(CreatePool(512, 2, 0, 0), nullptr);
    ASSERT_TRUE(CreatePoolRegistry());
    RPoolAllocator* defaultPool = GetDefaultPool();
    ASSERT_NE(defaultPool, nullptr);
    EXPECT_EQ(defaultPool->GetLargestSize(), 0x20000u);
    EXPECT_EQ(defaultPool->GetShift(), 2);
    EXPECT_EQ(defaultPool->GetCap(), 0u);
    EXPECT_TRUE(CreatePoolRegistry());
    EXPECT_EQ(GetDefaultPool(), defaultPool);

    RPoolAllocator* pool = CreatePool(512, 3, 0, 1024);
    ASSERT_NE(pool, nullptr);
    void* block = pool->Allocate(DefaultAllocatorHooks(), 40);
    pool->Free(DefaultAllocatorHooks(), block);  // pooled: released by the registry's teardown
    DestroyPoolRegistry();
    EXPECT_EQ(GetDefaultPool(), nullptr);
    EXPECT_EQ(CreatePool(512, 2, 0, 0), nullptr);
}
