#include "tests/fileio/SystemCallCounter.h"

#include <atomic>
#include <fcntl.h>
#include <cstdlib>
#include <new>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

std::atomic<std::uint64_t> gAllocated{0};
std::atomic<int> gFileSyncs{0};
std::atomic<int> gFolderSyncs{0};
std::atomic<int> gUmasks{0};
std::atomic<int> gChmods{0};

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
