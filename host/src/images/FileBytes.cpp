#include "host/src/images/FileBytes.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa_host {

namespace {

VStatus failed(const std::string& what, const std::string& path) {
    return VStatus(VStatus::kFailure, what + " " + path + ": " + std::strerror(errno));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { close(); }
    int get() const { return fd_; }
    bool close() {
        const bool ok = fd_ < 0 || ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

// The file a write replaces: the target of a symbolic link, else the path itself.
std::string resolvedTarget(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const std::vector<unsigned char>& bytes) {
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        written += static_cast<size_t>(count);
    }
    return true;
}

}  // namespace

VStatus readFileBytes(const std::string& path, std::size_t maxBytes, std::vector<unsigned char>& bytes) {
    bytes.clear();
    // The open does not wait (a named pipe without a writer would hold it for good); what is
    // not a regular file is refused, and the file is read in the ordinary blocking way.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) return failed("cannot open", path);
    struct stat info {};
    if (fstat(file.get(), &info) != 0) return failed("cannot read", path);
    if (!S_ISREG(info.st_mode)) return VStatus(VStatus::kFailure, path + " is not a regular file");
    const int flags = fcntl(file.get(), F_GETFL);
    if (flags < 0 || fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return failed("cannot read", path);
    if (static_cast<std::size_t>(info.st_size) > maxBytes) {
        return VStatus(VStatus::kFailure, path + " is larger than " + std::to_string(maxBytes) + " bytes");
    }
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t count = ::read(file.get(), bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return failed("cannot read", path);
        if (count == 0) break;
        done += static_cast<std::size_t>(count);
    }
    bytes.resize(done);
    return VStatus();
}

VStatus replaceFileWith(const std::string& path, const std::vector<unsigned char>& bytes) {
    if (path.empty()) return VStatus(VStatus::kInvalidParameter, "no file name");
    const std::string target = resolvedTarget(path);
    std::string temporary = folderOf(target) + "/.vexa-write-XXXXXX";
    FileDescriptor file(mkstemp(&temporary[0]));
    if (file.get() < 0) return failed("cannot make a temporary file for", target);
    struct stat existing {};
    const mode_t mode = stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    const bool written = fchmod(file.get(), mode) == 0 && writeAll(file.get(), bytes) && fsync(file.get()) == 0;
    const bool closed = file.close();
    if (!written || !closed || std::rename(temporary.c_str(), target.c_str()) != 0) {
        const VStatus status = failed("cannot write", target);
        ::unlink(temporary.c_str());
        return status;
    }
    return VStatus();
}

}  // namespace vexa_host
