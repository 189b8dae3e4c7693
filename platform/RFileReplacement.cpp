#include "platform/RFileReplacement.h"

#include "platform/NativeFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Symbolic links followed before giving up, as the system does.
constexpr int kMaxLinks = 40;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path with its last component's symbolic links followed, as opening it would follow
// them; a link to a missing file leads to where the file would be made. Empty on a loop.
std::string FollowLinks(std::string path) {
    for (int i = 0; i < kMaxLinks; ++i) {
        struct stat info;
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::vector<char> buffer(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) {
            return std::string();
        }
        const std::string link(buffer.data(), static_cast<std::size_t>(length));
        path = link[0] == '/' ? link : FolderOf(path) + "/" + link;
    }
    return std::string();
}

// The umask, read without changing it (changing it would touch every thread's files).
// Where /proc does not tell, a probe file made with 0666 shows what the umask leaves.
mode_t CurrentUmask(const std::string& folder) {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        while (std::fgets(line, sizeof line, status) != nullptr) {
            if (std::strncmp(line, "Umask:", 6) == 0) {
                std::fclose(status);
                return static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8) & 0777);
            }
        }
        std::fclose(status);
    }
    std::string probe = folder + "/.wyx-umask-XXXXXX";
    const int reserved = ::mkostemp(probe.data(), O_CLOEXEC);
    mode_t mask = 022;
    if (reserved >= 0) {
        ::close(reserved);
        ::unlink(probe.c_str());
        const int descriptor = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        struct stat info;
        if (descriptor >= 0 && ::fstat(descriptor, &info) == 0) {
            mask = ~info.st_mode & 0777;
        }
        if (descriptor >= 0) {
            ::close(descriptor);
            ::unlink(probe.c_str());
        }
    }
    return mask;
}

bool WriteAll(int descriptor, const unsigned char* bytes, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t written = ::pwrite(descriptor, bytes, count, offset);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

// Syncs a folder so that a rename in it lasts; folders that cannot be synced (some file
// systems refuse) are taken as synced.
bool SyncFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = ::fsync(descriptor) == 0 || errno == EINVAL || errno == EROFS;
    ::close(descriptor);
    return synced;
}

}  // namespace

RFileReplacement::~RFileReplacement() {
    Abandon();
}

void RFileReplacement::Reset() {
    file_ = nullptr;
    tempPath_.clear();
    target_.clear();
    if (inPlaceTarget_ >= 0) {
        ::close(inPlaceTarget_);
    }
    inPlaceTarget_ = -1;
    targetExists_ = false;
    mode_ = 0;
}

bool RFileReplacement::Prepare(const char* path) {
    Abandon();
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    target_ = FollowLinks(ToNativePath(path));
    if (target_.empty()) {
        return false;
    }
    struct stat info;
    if (::stat(target_.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            return false;
        }
        // A new file: the permissions any new file gets, once it is complete.
        targetExists_ = false;
        mode_ = 0666 & ~CurrentUmask(FolderOf(target_));
        return true;
    }
    // Opened for writing (not truncated) to be refused exactly where a plain write is.
    const int descriptor = ::open(target_.c_str(), O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0 || ::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        return false;
    }
    targetExists_ = true;
    mode_ = info.st_mode & 07777;
    owner_ = info.st_uid;
    group_ = info.st_gid;
    if (info.st_nlink > 1) {
        inPlaceTarget_ = descriptor;
    } else {
        ::close(descriptor);
    }
    return true;
}

bool RFileReplacement::Begin(const char* path, const char* prefix) {
    if (!Prepare(path)) {
        Reset();
        return false;
    }
    std::string name = FolderOf(target_) + "/" + ToNativePath(prefix != nullptr ? prefix : "") + "XXXXXX";
    const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0) {
        Reset();
        return false;
    }
    file_ = ::fdopen(descriptor, "w+b");
    if (file_ == nullptr) {
        ::close(descriptor);
        ::unlink(name.c_str());
        Reset();
        return false;
    }
    tempPath_ = name;
    return true;
}

bool RFileReplacement::Adopt(const char* tempPath, const char* path) {
    if (tempPath == nullptr || !Prepare(path)) {
        Reset();
        return false;
    }
    tempPath_ = ToNativePath(tempPath);
    const int descriptor = ::open(tempPath_.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    file_ = descriptor >= 0 ? ::fdopen(descriptor, "r+b") : nullptr;
    if (file_ == nullptr) {
        if (descriptor >= 0) {
            ::close(descriptor);
        }
        Abandon();
        return false;
    }
    return true;
}

bool RFileReplacement::Commit() {
    if (file_ == nullptr) {
        return false;
    }
    const bool committed = std::fflush(file_) == 0 && (inPlaceTarget_ >= 0 ? CommitInPlace() : CommitByRename());
    if (!committed) {
        Abandon();
        return false;
    }
    Reset();
    return true;
}

bool RFileReplacement::CommitByRename() {
    const int descriptor = ::fileno(file_);
    if (::fsync(descriptor) != 0) {
        return false;
    }
    // The owner first: a change of owner clears the set-id bits that the mode then sets.
    if (targetExists_ && (owner_ != ::geteuid() || group_ != ::getegid()) &&
        ::fchown(descriptor, owner_, group_) != 0) {
        (void)::fchown(descriptor, static_cast<uid_t>(-1), group_);  // the group alone, where allowed
    }
    if (::fchmod(descriptor, mode_) != 0) {
        return false;
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0 || ::rename(tempPath_.c_str(), target_.c_str()) != 0) {
        return false;
    }
    tempPath_.clear();  // it is the target now
    return SyncFolder(FolderOf(target_));
}

bool RFileReplacement::CommitInPlace() {
    const int source = ::fileno(file_);
    struct stat info;
    if (::fstat(source, &info) != 0) {
        return false;
    }
    // Space first, so that a full disk is found before any byte of the file changes.
    if (info.st_size > 0 && ::fallocate(inPlaceTarget_, 0, 0, info.st_size) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        return false;
    }
    std::vector<unsigned char> piece(std::size_t{1} << 20);
    for (off_t offset = 0; offset < info.st_size;) {
        const ssize_t got = ::pread(source, piece.data(), piece.size(), offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0 || !WriteAll(inPlaceTarget_, piece.data(), static_cast<std::size_t>(got), offset)) {
            return false;
        }
        offset += got;
    }
    if (::ftruncate(inPlaceTarget_, info.st_size) != 0 || ::fsync(inPlaceTarget_) != 0) {
        return false;
    }
    std::fclose(file_);
    file_ = nullptr;
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
    return true;
}

void RFileReplacement::Abandon() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
    }
    Reset();
}

}  // namespace platform
