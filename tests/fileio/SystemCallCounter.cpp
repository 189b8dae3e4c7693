#include "tests/fileio/SystemCallCounter.h"

#include <openssl/crypto.h>

#include <atomic>
#include <fcntl.h>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<std::uint64_t> gAllocated{0};
std::atomic<int> gFileSyncs{0};
std::atomic<int> gFolderSyncs{0};
std::atomic<int> gUmasks{0};
std::atomic<int> gChmods{0};
std::vector<unsigned char> gWatched;
int gWatchedWipes = 0;

void* Allocate(std::size_t size) {
    gAllocated += size;
    if (void* block = std::malloc(size != 0 ? size : 1)) {
        return block;
    }
    throw std::bad_alloc();
}

}  // namespace

SystemCallCounts CountedSystemCalls() {
    return SystemCallCounts{gAllocated.load(), gFileSyncs.load(), gFolderSyncs.load(), gUmasks.load(), gChmods.load()};
}

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    gAllocated += size;
    return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    gAllocated += size;
    return std::malloc(size != 0 ? size : 1);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

extern "C" int fsync(int descriptor) {
    struct stat info;
    if (::fstat(descriptor, &info) == 0) {
        ++(S_ISDIR(info.st_mode) ? gFolderSyncs : gFileSyncs);
    }
    return static_cast<int>(::syscall(SYS_fsync, descriptor));
}

extern "C" mode_t umask(mode_t mask) {
    ++gUmasks;
    return static_cast<mode_t>(::syscall(SYS_umask, mask));
}

extern "C" int chmod(const char* path, mode_t mode) {
    ++gChmods;
    return static_cast<int>(::syscall(SYS_fchmodat, AT_FDCWD, path, mode));
}

void WatchWipesOf(const void* bytes, std::size_t size) {
    const auto* first = static_cast<const unsigned char*>(bytes);
    gWatched.assign(first, first + size);
    gWatchedWipes = 0;
}

int WipesOfWatched() { return gWatchedWipes; }

extern "C" void OPENSSL_cleanse(void* block, std::size_t size) {
    if (!gWatched.empty() && size == gWatched.size() && std::memcmp(block, gWatched.data(), size) == 0) {
        ++gWatchedWipes;
    }
    std::memset(block, 0, size);
    __asm__ __volatile__("" : : "r"(block) : "memory");  // the stores are not dropped
}
