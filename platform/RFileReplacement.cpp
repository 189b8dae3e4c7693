#include "platform/RFileReplacement.h"

#include "platform/NativeFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Symbolic links followed before giving up, as the system does.
constexpr int kMaxLinks = 40;
// Names tried for the unnamed temporary file before giving up.
constexpr int kNameAttempts = 100;
// Content is copied in pieces of this size.
constexpr off_t kCopyPiece = off_t{1} << 20;
// Prefix of the old content's copy for replacements that adopted a temporary file.
constexpr char kAdoptedPrefix[] = ".wyx-";

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
            errno = written == 0 ? EIO : errno;
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
        offset += written;
    }
    return true;
}

// Copies the first size bytes of one file over the start of another.
bool CopyContent(int from, int to, off_t size) {
    std::vector<unsigned char> piece(static_cast<std::size_t>(std::min<off_t>(size, kCopyPiece)));
    for (off_t offset = 0; offset < size;) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<off_t>(size - offset, kCopyPiece));
        const ssize_t got = ::pread(from, piece.data(), wanted, offset);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            errno = got == 0 ? EIO : errno;  // the file is shorter than it was
            return false;
        }
        if (!WriteAll(to, piece.data(), static_cast<std::size_t>(got), offset)) {
            return false;
        }
        offset += got;
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

// The name under which the process reaches an open descriptor's file.
std::string ProcPath(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

// A new file without a name in folder, open for reading and writing; -1 where the file
// system or the kernel has no such files, or where it could not be named later (no /proc).
int OpenUnnamed(const std::string& folder) {
    const int descriptor = ::openat(AT_FDCWD, folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor >= 0 && ::access(ProcPath(descriptor).c_str(), F_OK) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// Six letters or digits, different from call to call.
std::string UniqueEnding() {
    static constexpr char kSymbols[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static unsigned counter = 0;
    unsigned char random[6];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        std::uint64_t mixed = static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
                              (static_cast<std::uint64_t>(::getpid()) << 44) ^ ++counter;
        for (unsigned char& byte : random) {
            mixed = mixed * 6364136223846793005ull + 1442695040888963407ull;
            byte = static_cast<unsigned char>(mixed >> 56);
        }
    }
    std::string ending;
    for (const unsigned char byte : random) {
        ending += kSymbols[byte % (sizeof kSymbols - 1)];
    }
    return ending;
}

}  // namespace


RFileReplacement::~RFileReplacement() {
    Abandon();
}

void RFileReplacement::Reset() {
    file_ = nullptr;
    tempPath_.clear();
    target_.clear();
    prefix_.clear();
    if (inPlaceTarget_ >= 0) {
        ::close(inPlaceTarget_);
    }
    inPlaceTarget_ = -1;
    targetExists_ = false;
    mode_ = 0;
}

bool RFileReplacement::Prepare(const char* path) {
    Abandon();
    failureCode_ = 0;
    keptOldContent_.clear();
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return false;
    }
    target_ = FollowLinks(ToNativePath(path));
    if (target_.empty()) {
        errno = ELOOP;
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
    // Opened for writing (not truncated) to be refused exactly where a plain write is; for
    // reading too where allowed, so that an in-place commit can keep the old content.
    constexpr int kFlags = O_NOFOLLOW | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
    int descriptor = ::open(target_.c_str(), O_RDWR | kFlags);
    if (descriptor < 0 && errno == EACCES) {
        descriptor = ::open(target_.c_str(), O_WRONLY | kFlags);
    }
    if (descriptor < 0) {
        return false;
    }
    // A device or a pipe opens, but is no file to replace.
    if (!KeepOnlyRegularFile(descriptor, info)) {
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
    if (!Prepare(path) || !CreateTemporary(prefix)) {
        failureCode_ = errno;
        Reset();
        // For callers that reach the replacement through a layer answering only yes or no.
        errno = failureCode_;
        return false;
    }
    return true;
}

bool RFileReplacement::CreateTemporary(const char* prefix) {
    prefix_ = ToNativePath(prefix != nullptr ? prefix : "");
    const std::string folder = FolderOf(target_);
    std::string name;
    int descriptor = OpenUnnamed(folder);
    if (descriptor < 0) {
        name = folder + "/" + prefix_ + "XXXXXX";
        descriptor = ::mkostemp(name.data(), O_CLOEXEC);
        if (descriptor < 0) {
            return false;
        }
    }
    file_ = ::fdopen(descriptor, "w+b");
    if (file_ == nullptr) {
        ::close(descriptor);
        if (!name.empty()) {
            ::unlink(name.c_str());
        }
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
    prefix_ = kAdoptedPrefix;
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
        failureCode_ = errno;
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
    if (::fchmod(descriptor, mode_) != 0 || (tempPath_.empty() && !LinkUnnamedTemporary(descriptor))) {
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

// Gives the unnamed temporary file a new name beside the target, so that it can be renamed
// over it (a link cannot replace a name).
bool RFileReplacement::LinkUnnamedTemporary(int descriptor) {
    const std::string folder = FolderOf(target_);
    const std::string procPath = ProcPath(descriptor);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string name = folder + "/" + prefix_ + UniqueEnding();
        if (::linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            (errno != EEXIST && ::linkat(descriptor, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)) {
            tempPath_ = name;
            return true;
        }
        if (errno != EEXIST) {
            return false;
        }
    }
    return false;
}

bool RFileReplacement::CommitInPlace() {
    const int source = ::fileno(file_);
    struct stat fresh;
    struct stat old;
    if (::fstat(source, &fresh) != 0 || ::fstat(inPlaceTarget_, &old) != 0) {
        return false;
    }
    std::string copyPath;
    int copy = -1;
    if (!SaveOldContent(old.st_size, copyPath, copy)) {
        return false;
    }
    // Space first where the file system reserves it, so that a full disk is mostly found
    // before any byte of the file changes; the old content is put back on any failure.
    const bool reserved = fresh.st_size == 0 || ::fallocate(inPlaceTarget_, 0, 0, fresh.st_size) == 0 ||
                          errno == EOPNOTSUPP || errno == ENOSYS;
    if (!reserved || !CopyContent(source, inPlaceTarget_, fresh.st_size) ||
        ::ftruncate(inPlaceTarget_, fresh.st_size) != 0 || ::fsync(inPlaceTarget_) != 0) {
        const int code = errno;
        RestoreOldContent(copyPath, copy, old.st_size);
        errno = code;
        return false;
    }
    ::close(copy);
    ::unlink(copyPath.c_str());
    std::fclose(file_);
    file_ = nullptr;
    if (!tempPath_.empty()) {
        ::unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    return true;
}

// Copies the target's old content to a new file beside it, synced with its name, so that it
// can be put back, or found, when the overwrite fails part way.
bool RFileReplacement::SaveOldContent(off_t size, std::string& copyPath, int& copy) {
    copyPath = FolderOf(target_) + "/" + prefix_ + "old-XXXXXX";
    copy = ::mkostemp(copyPath.data(), O_CLOEXEC);
    if (copy < 0) {
        return false;
    }
    if (CopyContent(inPlaceTarget_, copy, size) && ::fsync(copy) == 0 && SyncFolder(FolderOf(target_))) {
        return true;
    }
    const int code = errno;
    ::close(copy);
    ::unlink(copyPath.c_str());
    errno = code;
    return false;
}

void RFileReplacement::RestoreOldContent(const std::string& copyPath, int copy, off_t size) {
    const bool restored = CopyContent(copy, inPlaceTarget_, size) && ::ftruncate(inPlaceTarget_, size) == 0 &&
                          ::fsync(inPlaceTarget_) == 0;
    ::close(copy);
    if (restored) {
        ::unlink(copyPath.c_str());
    } else {
        keptOldContent_ = copyPath;
    }
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
