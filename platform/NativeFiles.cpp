#include "platform/NativeFiles.h"

#include "platform/RFileReplacement.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// Room for the mode letters passed on (such as "w+bx"), 'e' and the terminator.
constexpr std::size_t kModeSize = 8;

bool StatPath(const char* path, struct stat& info) {
    if (path == nullptr) {
        return false;
    }
    return ::stat(ToNativePath(path).c_str(), &info) == 0;
}

// The folder a temporary name goes in: the asked one when it is a folder, else $TMPDIR,
// else /tmp.
std::string TempFolderFor(const char* folder) {
    if (folder != nullptr && folder[0] != '\0' && IsDirectory(folder)) {
        return ToNativePath(folder);
    }
    return SystemTempFolder();
}

// folder/prefixXXXXXX as a writable buffer for mkstemp and mkdtemp.
std::vector<char> TempTemplate(const char* folder, const char* prefix) {
    std::string text = TempFolderFor(folder);
    if (text.empty() || text.back() != '/') {
        text += '/';
    }
    text += ToNativePath(prefix);
    text += "XXXXXX";
    return std::vector<char>(text.c_str(), text.c_str() + text.size() + 1);
}

// Opens a regular file for reading. The open does not wait (a pipe with no writer would stop
// it for good), and anything but a regular file is refused: a device or pipe named in a
// scene (a texture, a material library) would block the read or never end it.
std::FILE* OpenRegularFileForReading(const std::string& path, const char* mode) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return nullptr;
    }
    struct stat info;
    if (!KeepOnlyRegularFile(descriptor, info)) {
        return nullptr;
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    std::FILE* file = flags >= 0 && ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) == 0 ? ::fdopen(descriptor, mode)
                                                                                          : nullptr;
    if (file == nullptr) {
        const int code = errno;
        ::close(descriptor);
        errno = code;
    }
    return file;
}

}  // namespace

std::string ToNativePath(const char* path) {
    if (path == nullptr) {
        return std::string();
    }
    std::string native(path);
    for (char& c : native) {
        if (c == '\\') {
            c = '/';
        }
    }
    return native;
}

bool KeepOnlyRegularFile(int descriptor, struct ::stat& info) {
    const bool examined = ::fstat(descriptor, &info) == 0;
    if (examined && S_ISREG(info.st_mode)) {
        return true;
    }
    const int code = !examined ? errno : S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    ::close(descriptor);
    errno = code;
    return false;
}

std::FILE* OpenFile(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr || path[0] == '\0') {
        return nullptr;
    }
    char nativeMode[kModeSize] = {};
    std::size_t used = 0;
    for (const char* m = mode; *m != '\0' && used + 2 < kModeSize; ++m) {
        if (std::strchr("rwa+bx", *m) != nullptr) {
            nativeMode[used++] = *m;
        }
    }
    if (used == 0) {
        return nullptr;
    }
    nativeMode[used] = 'e';
    if (std::strpbrk(nativeMode, "wa+") == nullptr) {
        return OpenRegularFileForReading(ToNativePath(path), nativeMode);
    }
    std::FILE* file = std::fopen(ToNativePath(path).c_str(), nativeMode);
    if (file == nullptr) {
        return nullptr;
    }
    struct stat info;
    if (::fstat(::fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
        std::fclose(file);
        errno = EISDIR;
        return nullptr;
    }
    return file;
}

bool RemoveFile(const char* path) {
    return path != nullptr && path[0] != '\0' && ::unlink(ToNativePath(path).c_str()) == 0;
}

bool RenameFile(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) {
        return false;
    }
    return std::rename(ToNativePath(from).c_str(), ToNativePath(to).c_str()) == 0;
}

bool MakeDirectory(const char* path) {
    return path != nullptr && path[0] != '\0' && ::mkdir(ToNativePath(path).c_str(), 0777) == 0;
}

bool RemoveDirectory(const char* path) {
    return path != nullptr && path[0] != '\0' && ::rmdir(ToNativePath(path).c_str()) == 0;
}

bool IsDirectory(const char* path) {
    struct stat info;
    return StatPath(path, info) && S_ISDIR(info.st_mode);
}

bool PathExists(const char* path) {
    struct stat info;
    return StatPath(path, info);
}

bool IsWritablePath(const char* path) {
    struct stat info;
    if (!StatPath(path, info) || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return false;
    }
    return ::access(ToNativePath(path).c_str(), W_OK) == 0;
}

std::string SystemTempFolder() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    if (fromEnvironment != nullptr && fromEnvironment[0] != '\0' && IsDirectory(fromEnvironment)) {
        return fromEnvironment;
    }
    return "/tmp";
}

int TruncateFile(std::FILE* file, long long size) {
    if (file == nullptr || size < 0 || std::fflush(file) != 0) {
        return -1;
    }
    return ::ftruncate(::fileno(file), static_cast<off_t>(size)) == 0 ? 0 : -1;
}

bool SyncFile(std::FILE* file) {
    return file != nullptr && std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

std::string CurrentDirectory() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

std::string FullPath(const char* path) {
    std::string native = ToNativePath(path);
    if (native.empty() || native[0] != '/') {
        const std::string current = CurrentDirectory();
        if (current.empty()) {
            return std::string();
        }
        native = native.empty() ? current : current + '/' + native;
    }
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos) {
            end = native.size();
        }
        const std::string component = native.substr(start, end - start);
        if (component == "..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& component : components) {
        result += '/';
        result += component;
    }
    return result.empty() ? std::string("/") : result;
}

std::string CreateTempFile(const char* folder, const char* prefix, const char* suffix) {
    std::vector<char> name = TempTemplate(folder, prefix);
    const std::string ending = ToNativePath(suffix);
    name.insert(name.end() - 1, ending.begin(), ending.end());
    const int descriptor = ::mkostemps(name.data(), static_cast<int>(ending.size()), O_CLOEXEC);
    if (descriptor < 0) {
        return std::string();
    }
    ::close(descriptor);
    return std::string(name.data());
}

std::string CreateTempFolder(const char* folder, const char* prefix) {
    std::vector<char> name = TempTemplate(folder, prefix);
    return ::mkdtemp(name.data()) != nullptr ? std::string(name.data()) : std::string();
}

bool CommitTempFile(const char* tempPath, const char* targetPath) {
    RFileReplacement replacement;
    if (!replacement.Adopt(tempPath, targetPath)) {
        if (tempPath != nullptr && tempPath[0] != '\0') {
            ::unlink(ToNativePath(tempPath).c_str());
        }
        return false;
    }
    return replacement.Commit();
}

int CompareFileNames(const char* left, const char* right) {
    return std::strcmp(left != nullptr ? left : "", right != nullptr ? right : "");
}

}  // namespace platform
