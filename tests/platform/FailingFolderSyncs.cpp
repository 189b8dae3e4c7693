#include "tests/platform/FailingFolderSyncs.h"

#include <cerrno>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

bool gFailFolderSyncs = false;

}  // namespace

FailingFolderSyncs::FailingFolderSyncs() { gFailFolderSyncs = true; }
FailingFolderSyncs::~FailingFolderSyncs() { gFailFolderSyncs = false; }

extern "C" int fsync(int descriptor) {
    struct stat info;
    if (gFailFolderSyncs && ::fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode)) {
        errno = EIO;
        return -1;
    }
    return static_cast<int>(::syscall(SYS_fsync, descriptor));
}
