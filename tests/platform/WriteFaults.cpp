#include "tests/platform/WriteFaults.h"

#include <cerrno>
#include <cstdarg>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct FaultState {
    bool failWrites = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t failFrom = 0;
    int error = 0;
    bool lasting = false;
    bool spent = false;  // a passing fault that failed its call
    int failures = 0;
    bool noReservation = false;
    bool noUnnamedFiles = false;
};

FaultState gFaults;

// The bytes of a write that may go through: count when the write is not faulted, fewer when
// it reaches the failing offset, -1 when it fails outright.
ssize_t AllowedBytes(int descriptor, std::size_t count, off_t offset) {
    struct stat info;
    if (!gFaults.failWrites || gFaults.spent || count == 0 || ::fstat(descriptor, &info) != 0 ||
        info.st_dev != gFaults.device || info.st_ino != gFaults.inode ||
        offset + static_cast<off_t>(count) <= gFaults.failFrom) {
        return static_cast<ssize_t>(count);
    }
    if (offset < gFaults.failFrom) {
        return static_cast<ssize_t>(gFaults.failFrom - offset);
    }
    ++gFaults.failures;
    gFaults.spent = !gFaults.lasting;
    return -1;
}

}  // namespace

FailingWrites::FailingWrites(const std::string& path, off_t failFrom, int error, Kind kind) {
    struct stat info = {};
    ::stat(path.c_str(), &info);
    gFaults.failWrites = true;
    gFaults.device = info.st_dev;
    gFaults.inode = info.st_ino;
    gFaults.failFrom = failFrom;
    gFaults.error = error;
    gFaults.lasting = kind == Kind::kLasting;
    gFaults.spent = false;
    gFaults.failures = 0;
}

FailingWrites::~FailingWrites() { gFaults.failWrites = false; }

int FailingWrites::Failures() const { return gFaults.failures; }

NoSpaceReservation::NoSpaceReservation() { gFaults.noReservation = true; }
NoSpaceReservation::~NoSpaceReservation() { gFaults.noReservation = false; }

NoUnnamedFiles::NoUnnamedFiles() { gFaults.noUnnamedFiles = true; }
NoUnnamedFiles::~NoUnnamedFiles() { gFaults.noUnnamedFiles = false; }

bool FolderTakesUnnamedFiles(const std::string& folder) {
    const int descriptor = static_cast<int>(::syscall(SYS_openat, AT_FDCWD, folder.c_str(), O_TMPFILE | O_RDWR, 0600));
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    return true;
}

extern "C" ssize_t pwrite64(int descriptor, const void* bytes, std::size_t count, off_t offset) {
    const ssize_t allowed = AllowedBytes(descriptor, count, offset);
    if (allowed < 0) {
        errno = gFaults.error;
        return -1;
    }
    return static_cast<ssize_t>(::syscall(SYS_pwrite64, descriptor, bytes, static_cast<std::size_t>(allowed), offset));
}

extern "C" ssize_t pwrite(int descriptor, const void* bytes, std::size_t count, off_t offset) {
    return pwrite64(descriptor, bytes, count, offset);
}

extern "C" int fallocate64(int descriptor, int mode, off_t offset, off_t length) {
    if (gFaults.noReservation) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fallocate, descriptor, mode, offset, length));
}

extern "C" int fallocate(int descriptor, int mode, off_t offset, off_t length) {
    return fallocate64(descriptor, mode, offset, length);
}

namespace {

// The mode argument of an open: there only when a file may be made.
mode_t ModeArgument(int flags, va_list& arguments) {
    const bool makes = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
    return makes ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

// The program's files are opened through openat (64-bit offsets are the only ones here).
int OpenAt(int folder, const char* path, int flags, mode_t mode) {
    if (gFaults.noUnnamedFiles && (flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_openat, folder, path, flags, mode));
}

}  // namespace

extern "C" int openat(int folder, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const mode_t mode = ModeArgument(flags, arguments);
    va_end(arguments);
    return OpenAt(folder, path, flags, mode);
}
