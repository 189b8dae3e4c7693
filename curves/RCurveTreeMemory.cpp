#include "curves/RCurveTreeMemory.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define WYX_POISON_PIECES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WYX_POISON_PIECES 1
#endif
#endif

#ifdef WYX_POISON_PIECES
#include <sanitizer/asan_interface.h>
#endif

namespace {

constexpr std::size_t kSlabBytes = 16384;
constexpr std::size_t kAlignment = 16;

struct Slab {
    // Live pieces, plus one while a thread cuts from the slab.
    std::atomic<std::size_t> holds{1};
    std::size_t used = 0;
};

// Before every piece: the slab it lies in (null for a heap piece) and its size with this header.
struct alignas(kAlignment) Header {
    Slab* slab;
    std::size_t bytes;
};

constexpr std::size_t kDataStart = (sizeof(Slab) + kAlignment - 1) / kAlignment * kAlignment;

std::atomic<long> liveSlabs{0};

char* DataOf(Slab* slab) { return reinterpret_cast<char*>(slab) + kDataStart; }

// Freed pieces (and the rest of a slab not yet cut) are poisoned under AddressSanitizer, so
// that a use after free is still caught inside a slab.
void MarkUsable(void* memory, std::size_t bytes, bool usable) {
#ifdef WYX_POISON_PIECES
    if (usable) {
        ASAN_UNPOISON_MEMORY_REGION(memory, bytes);
    } else {
        ASAN_POISON_MEMORY_REGION(memory, bytes);
    }
#else
    static_cast<void>(memory);
    static_cast<void>(bytes);
    static_cast<void>(usable);
#endif
}

void Drop(Slab* slab) {
    if (slab == nullptr || slab->holds.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    MarkUsable(slab, kSlabBytes, true);
    slab->~Slab();
    std::free(slab);
    liveSlabs.fetch_sub(1, std::memory_order_relaxed);
}

struct ThreadSlab {
    int scopes = 0;
    Slab* current = nullptr;

    ThreadSlab() = default;
    ThreadSlab(const ThreadSlab&) = delete;
    ThreadSlab& operator=(const ThreadSlab&) = delete;
    ~ThreadSlab() { Drop(current); }

    // The slab to cut `bytes` from: the current one while it has room, else a new one.
    Slab* WithRoom(std::size_t bytes) {
        if (current != nullptr && current->used + bytes <= kSlabBytes - kDataStart) return current;
        void* memory = std::malloc(kSlabBytes);
        if (memory == nullptr) throw std::bad_alloc();
        Drop(current);
        current = new (memory) Slab;
        liveSlabs.fetch_add(1, std::memory_order_relaxed);
        MarkUsable(DataOf(current), kSlabBytes - kDataStart, false);
        return current;
    }
};

thread_local ThreadSlab threadSlab;

}  // namespace

RCurveTreeMemory::Scope::Scope() { ++threadSlab.scopes; }

RCurveTreeMemory::Scope::~Scope() { --threadSlab.scopes; }

void* RCurveTreeMemory::Allocate(std::size_t bytes) {
    const std::size_t size = sizeof(Header) + (bytes + kAlignment - 1) / kAlignment * kAlignment;
    Header* header = nullptr;
    if (threadSlab.scopes > 0 && bytes <= kMaxSlabPiece) {
        Slab* slab = threadSlab.WithRoom(size);
        header = reinterpret_cast<Header*>(DataOf(slab) + slab->used);
        MarkUsable(header, size, true);
        slab->used += size;
        slab->holds.fetch_add(1, std::memory_order_relaxed);
        header->slab = slab;
    } else {
        header = static_cast<Header*>(std::malloc(size));
        if (header == nullptr) throw std::bad_alloc();
        header->slab = nullptr;
    }
    header->bytes = size;
    return header + 1;
}

void RCurveTreeMemory::Free(void* piece) noexcept {
    if (piece == nullptr) return;
    Header* header = static_cast<Header*>(piece) - 1;
    Slab* slab = header->slab;
    if (slab == nullptr) {
        std::free(header);
        return;
    }
    MarkUsable(header, header->bytes, false);
    Drop(slab);
}

long RCurveTreeMemory::GetLiveSlabCount() { return liveSlabs.load(std::memory_order_relaxed); }
