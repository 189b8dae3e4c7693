#include "bench/HeapPeak.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>

#if defined(__GLIBC__)
#include <cerrno>
#include <malloc.h>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<std::int64_t> gLive{0};
std::atomic<std::int64_t> gPeak{0};

void Note(std::int64_t delta) {
    const std::int64_t now = gLive.fetch_add(delta, std::memory_order_relaxed) + delta;
    std::int64_t peak = gPeak.load(std::memory_order_relaxed);
    while (now > peak && !gPeak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

std::int64_t SizeOf(void* block) { return block != nullptr ? static_cast<std::int64_t>(malloc_usable_size(block)) : 0; }

void* Noted(void* block) {
    Note(SizeOf(block));
    return block;
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) { return Noted(__libc_malloc(size)); }
void* calloc(std::size_t count, std::size_t size) { return Noted(__libc_calloc(count, size)); }
void* memalign(std::size_t alignment, std::size_t size) { return Noted(__libc_memalign(alignment, size)); }
void* aligned_alloc(std::size_t alignment, std::size_t size) { return Noted(__libc_memalign(alignment, size)); }

void free(void* block) {
    Note(-SizeOf(block));
    __libc_free(block);
}

void* realloc(void* block, std::size_t size) {
    const std::int64_t before = SizeOf(block);
    void* moved = __libc_realloc(block, size);
    if (moved != nullptr || size == 0) Note(SizeOf(moved) - before);
    return moved;
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    void* block = __libc_memalign(alignment, size);
    if (block == nullptr) return ENOMEM;
    *out = Noted(block);
    return 0;
}

}  // extern "C"

std::uint64_t HeapBytesNow() { return static_cast<std::uint64_t>(gLive.load()); }
std::uint64_t HeapPeakBytes() { return static_cast<std::uint64_t>(gPeak.load()); }
void ResetHeapPeak() { gPeak.store(gLive.load()); }

#else

std::uint64_t HeapBytesNow() { return 0; }
std::uint64_t HeapPeakBytes() { return 0; }
void ResetHeapPeak() {}

#endif
