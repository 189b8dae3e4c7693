#ifndef WYX_CORE_RPOOLALLOCATOR_H
#define WYX_CORE_RPOOLALLOCATOR_H

// Small-block memory pools.
//
// A pool hands out blocks whose sizes are rounded up to size classes (multiples of
// 1 << shift) and keeps freed blocks on one free list per class, so that repeated small
// allocations cost a list pop under the pool's lock. Blocks reaching the largest pooled
// size, and freed blocks while the bytes held exceed the cap, go straight back to the
// allocator hooks. Memory is taken from and given back to the hooks outside the lock.
//
// Each block carries an 8-byte header just before the user pointer: the block size
// (32 bits) and the alignment pad (one byte, the distance from the raw block start to the
// header). User pointers are aligned to 1 << alignBits bytes, and never less than 8.

#include "platform/RCriticalSection.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// Where pools take raw memory from. The first operation is not used by the pools.
class RAllocatorHooks {
public:
    virtual void Reserved() {}
    virtual void* Allocate(std::size_t size) = 0;
    virtual void* Reallocate(void* block, std::size_t size) = 0;
    virtual void Free(void* block) = 0;

protected:
    ~RAllocatorHooks() = default;
};

// The process-wide hooks over the C runtime's malloc, realloc and free.
RAllocatorHooks& DefaultAllocatorHooks();

class RPoolAllocator {
public:
    static constexpr std::size_t kHeaderSize = 8;
    // Freed blocks are pooled only from this size up: a pooled block holds the free-list
    // link and the hooks it came from.
    static constexpr std::size_t kSmallestPooledBlock = 16;
    static constexpr int kMaxShift = 16;
    static constexpr int kMinAlignBits = 3;  // 8-byte user pointers
    static constexpr int kMaxAlignBits = 8;  // the pad must fit its byte

    // The arguments are clamped to sound values: the largest size to 32 bits, the shift
    // to 0..16 and the alignment bits to 3..8. A cap of 0 means no cap.
    RPoolAllocator(std::size_t largestSize, int shift, int alignBits, std::size_t cap);
    ~RPoolAllocator();
    RPoolAllocator(const RPoolAllocator&) = delete;
    RPoolAllocator& operator=(const RPoolAllocator&) = delete;

    // A block of at least `size` usable bytes; null when the hooks fail or the block
    // size would not fit 32 bits.
    void* Allocate(RAllocatorHooks& hooks, std::size_t size);
    // A new block with the old contents (as many bytes as both hold), the old block
    // freed; with a null pointer it only allocates. On failure it answers null and the
    // old block stays valid and untouched.
    void* Reallocate(RAllocatorHooks& hooks, void* pointer, std::size_t size);
    // Gives a block back; the hooks must be those it was allocated with. Null is ignored.
    void Free(RAllocatorHooks& hooks, void* pointer);
    // Returns every pooled free block to the hooks it came from. Blocks in use stay
    // counted in the bytes held.
    void Clear();

    // The usable bytes of a block handed out by a pool.
    static std::size_t UsableSize(const void* pointer);

    std::size_t GetBytesHeld() const { return bytesHeld_; }
    std::size_t GetBlockCount() const { return blockCount_; }
    std::size_t GetLargestSize() const { return largestSize_; }
    int GetShift() const { return shift_; }
    int GetAlignBits() const { return alignBits_; }
    std::size_t GetCap() const { return cap_; }

private:
    struct FreeDeleter {
        void operator()(void* block) const { std::free(block); }
    };

    std::size_t BlockSizeFor(std::size_t size) const;
    int SizeClassOf(std::size_t blockSize) const;
    void* PopPooled(int sizeClass, const RAllocatorHooks& hooks);
    bool PushPooled(int sizeClass, unsigned char* raw, RAllocatorHooks& hooks);
    void* PlaceHeader(unsigned char* raw, std::size_t blockSize) const;
    void ReturnToHooks(RAllocatorHooks& hooks, unsigned char* raw, std::size_t blockSize);

    RCriticalSection lock_;
    std::unique_ptr<unsigned char*[], FreeDeleter> heads_;  // one free list per size class
    std::size_t largestSize_;
    int classCount_;
    int shift_;
    std::size_t mask_;
    int alignBits_;
    std::size_t cap_;
    std::atomic<std::size_t> bytesHeld_{0};
    std::atomic<std::size_t> blockCount_{0};
};

// The pool registry. CreatePoolRegistry makes it with the default pool (largest size
// 0x20000, shift 2, no alignment bits, no cap) and answers true when it exists afterwards;
// DestroyPoolRegistry clears every pool, then destroys them, then the registry. Pools made
// by CreatePool belong to the registry and die with it; CreatePool answers null when there
// is no registry or memory cannot be had.
bool CreatePoolRegistry();
void DestroyPoolRegistry();
RPoolAllocator* CreatePool(std::size_t largestSize, int shift, int alignBits, std::size_t cap);
// The registry's default pool; null when there is no registry.
RPoolAllocator* GetDefaultPool();

#endif
