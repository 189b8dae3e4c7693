#include "core/RPoolAllocator.h"

#include "core/ROwnedPointerArray.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

namespace {

class MallocHooks final : public RAllocatorHooks {
public:
    void* Allocate(std::size_t size) override { return std::malloc(size); }
    void* Reallocate(void* block, std::size_t size) override { return std::realloc(block, size); }
    void Free(void* block) override { std::free(block); }
};

// What a block's 8 bytes before the user pointer hold.
struct BlockHeader {
    std::uint32_t blockSize;
    std::uint8_t pad;
    std::uint8_t unused[3];
};
static_assert(sizeof(BlockHeader) == RPoolAllocator::kHeaderSize, "the header is 8 bytes");

// What a pooled free block holds at its raw start: the next block of its list and the
// hooks it came from (so it is handed out again only to callers of the same hooks and
// given back to them on Clear).
struct FreeNode {
    unsigned char* next;
    RAllocatorHooks* hooks;
};
static_assert(sizeof(FreeNode) <= RPoolAllocator::kSmallestPooledBlock, "a pooled block holds its node");

// Raw blocks come from arbitrary hooks: read and write the records bytewise.
template <typename Record>
Record ReadRecord(const unsigned char* at) {
    Record record;
    std::memcpy(&record, at, sizeof(Record));
    return record;
}

template <typename Record>
void WriteRecord(unsigned char* at, const Record& record) {
    std::memcpy(at, &record, sizeof(Record));
}

BlockHeader HeaderOf(const void* pointer) {
    return ReadRecord<BlockHeader>(static_cast<const unsigned char*>(pointer) - RPoolAllocator::kHeaderSize);
}

}  // namespace

RAllocatorHooks& DefaultAllocatorHooks() {
    static MallocHooks hooks;  // trivially destructible: usable until the process ends
    return hooks;
}

RPoolAllocator::RPoolAllocator(std::size_t largestSize, int shift, int alignBits, std::size_t cap)
    : largestSize_(std::min<std::size_t>(largestSize, UINT32_MAX)),
      shift_(std::clamp(shift, 0, kMaxShift)),
      mask_((std::size_t{1} << shift_) - 1),
      alignBits_(std::clamp(alignBits, kMinAlignBits, kMaxAlignBits)),
      cap_(cap) {
    classCount_ = static_cast<int>(std::min<std::size_t>(largestSize_ >> shift_, INT32_MAX));
    // Without a head array the pool simply passes every request to the hooks.
    if (classCount_ > 0) {
        heads_.reset(static_cast<unsigned char**>(std::calloc(static_cast<std::size_t>(classCount_),
                                                              sizeof(unsigned char*))));
    }
}

RPoolAllocator::~RPoolAllocator() {
    Clear();
}

// The block size for a request: room for the header and the worst alignment pad, rounded
// up to the size class. 0 when it would not fit the header's 32 bits.
std::size_t RPoolAllocator::BlockSizeFor(std::size_t size) const {
    const std::size_t overhead = (std::size_t{1} << alignBits_) - 1 + kHeaderSize;
    if (size > UINT32_MAX - overhead - mask_) {
        return 0;
    }
    return (size + overhead + mask_) & ~mask_;
}

// The free list a block of this size belongs to; -1 when such blocks are not pooled.
int RPoolAllocator::SizeClassOf(std::size_t blockSize) const {
    if (!heads_ || blockSize < kSmallestPooledBlock || blockSize >= largestSize_) {
        return -1;
    }
    const std::size_t sizeClass = blockSize >> shift_;
    return sizeClass < static_cast<std::size_t>(classCount_) ? static_cast<int>(sizeClass) : -1;
}

void* RPoolAllocator::PopPooled(int sizeClass, const RAllocatorHooks& hooks) {
    RCriticalSectionGuard guard(lock_);
    unsigned char* raw = heads_[sizeClass];
    if (raw == nullptr) {
        return nullptr;
    }
    const FreeNode node = ReadRecord<FreeNode>(raw);
    if (node.hooks != &hooks) {
        return nullptr;
    }
    heads_[sizeClass] = node.next;
    return raw;
}

bool RPoolAllocator::PushPooled(int sizeClass, unsigned char* raw, RAllocatorHooks& hooks) {
    RCriticalSectionGuard guard(lock_);
    if (cap_ != 0 && bytesHeld_ > cap_) {
        return false;
    }
    WriteRecord(raw, FreeNode{heads_[sizeClass], &hooks});
    heads_[sizeClass] = raw;
    return true;
}

// Writes the header at the first place that leaves the user pointer aligned.
void* RPoolAllocator::PlaceHeader(unsigned char* raw, std::size_t blockSize) const {
    const std::uintptr_t alignment = std::uintptr_t{1} << alignBits_;
    const std::uintptr_t firstUser = reinterpret_cast<std::uintptr_t>(raw) + kHeaderSize;
    const std::uintptr_t pad = (alignment - firstUser % alignment) % alignment;
    WriteRecord(raw + pad, BlockHeader{static_cast<std::uint32_t>(blockSize), static_cast<std::uint8_t>(pad), {}});
    return raw + pad + kHeaderSize;
}

void RPoolAllocator::ReturnToHooks(RAllocatorHooks& hooks, unsigned char* raw, std::size_t blockSize) {
    hooks.Free(raw);
    bytesHeld_ -= blockSize;
    --blockCount_;
}

void* RPoolAllocator::Allocate(RAllocatorHooks& hooks, std::size_t size) {
    const std::size_t blockSize = BlockSizeFor(size);
    if (blockSize == 0) {
        return nullptr;
    }
    const int sizeClass = SizeClassOf(blockSize);
    void* raw = sizeClass >= 0 ? PopPooled(sizeClass, hooks) : nullptr;
    if (raw == nullptr) {
        raw = hooks.Allocate(blockSize);
        if (raw == nullptr) {
            return nullptr;
        }
        bytesHeld_ += blockSize;
        ++blockCount_;
    }
    return PlaceHeader(static_cast<unsigned char*>(raw), blockSize);
}

void* RPoolAllocator::Reallocate(RAllocatorHooks& hooks, void* pointer, std::size_t size) {
    void* moved = Allocate(hooks, size);
    if (moved == nullptr || pointer == nullptr) {
        return moved;
    }
    std::memcpy(moved, pointer, std::min(size, UsableSize(pointer)));
    Free(hooks, pointer);
    return moved;
}

void RPoolAllocator::Free(RAllocatorHooks& hooks, void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    const BlockHeader header = HeaderOf(pointer);
    unsigned char* raw = static_cast<unsigned char*>(pointer) - kHeaderSize - header.pad;
    const int sizeClass = SizeClassOf(header.blockSize);
    if (sizeClass >= 0 && PushPooled(sizeClass, raw, hooks)) {
        return;
    }
    ReturnToHooks(hooks, raw, header.blockSize);
}

void RPoolAllocator::Clear() {
    if (!heads_) {
        return;
    }
    for (int sizeClass = 0; sizeClass < classCount_; ++sizeClass) {
        unsigned char* raw = nullptr;
        {
            RCriticalSectionGuard guard(lock_);
            raw = std::exchange(heads_[sizeClass], nullptr);
        }
        while (raw != nullptr) {
            const FreeNode node = ReadRecord<FreeNode>(raw);
            ReturnToHooks(*node.hooks, raw, static_cast<std::size_t>(sizeClass) << shift_);
            raw = node.next;
        }
    }
}

std::size_t RPoolAllocator::UsableSize(const void* pointer) {
    if (pointer == nullptr) {
        return 0;
    }
    const BlockHeader header = HeaderOf(pointer);
    return header.blockSize - kHeaderSize - header.pad;
}

// ---- the pool registry ----

namespace {

constexpr int kRegistryBlockSize = 16;
constexpr std::size_t kDefaultPoolLargestSize = 0x20000;
constexpr int kDefaultPoolShift = 2;

struct PoolRegistry {
    RCriticalSection lock;
    std::optional<ROwnedPointerArray<RPoolAllocator>> pools;  // the default pool first
};

PoolRegistry& Registry() {
    static PoolRegistry registry;
    return registry;
}

RPoolAllocator* AddPool(ROwnedPointerArray<RPoolAllocator>& pools, std::size_t largestSize, int shift,
                        int alignBits, std::size_t cap) {
    const int index = pools.Append(MakeOwned<RPoolAllocator>(largestSize, shift, alignBits, cap));
    return pools.At(index);
}

}  // namespace

bool CreatePoolRegistry() {
    PoolRegistry& registry = Registry();
    RCriticalSectionGuard guard(registry.lock);
    if (registry.pools) {
        return true;
    }
    registry.pools.emplace(kRegistryBlockSize);
    if (AddPool(*registry.pools, kDefaultPoolLargestSize, kDefaultPoolShift, 0, 0) == nullptr) {
        registry.pools.reset();
        return false;
    }
    return true;
}

void DestroyPoolRegistry() {
    PoolRegistry& registry = Registry();
    RCriticalSectionGuard guard(registry.lock);
    if (!registry.pools) {
        return;
    }
    for (int i = 0; i < registry.pools->GetCount(); ++i) {
        registry.pools->At(i)->Clear();
    }
    registry.pools.reset();
}

RPoolAllocator* CreatePool(std::size_t largestSize, int shift, int alignBits, std::size_t cap) {
    PoolRegistry& registry = Registry();
    RCriticalSectionGuard guard(registry.lock);
    return registry.pools ? AddPool(*registry.pools, largestSize, shift, alignBits, cap) : nullptr;
}

RPoolAllocator* GetDefaultPool() {
    PoolRegistry& registry = Registry();
    RCriticalSectionGuard guard(registry.lock);
    return registry.pools ? registry.pools->At(0) : nullptr;
}
