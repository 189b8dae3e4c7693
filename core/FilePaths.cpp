#include "core/FilePaths.h"

#include "platform/NativeFiles.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum class RootKind { None, Drive, Share, Top };

using Components = std::vector<std::string_view>;

RString& ApplicationFolder() {
    static RString folder;
    return folder;
}

RString& SettingsFolder() {
    static RString folder;
    return folder;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// The index of the last '/' or '\', or npos.
std::size_t LastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

RootKind RootOf(std::string_view path) {
    if (path.find(':') != std::string_view::npos) {
        return RootKind::Drive;
    }
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        return RootKind::Share;
    }
    if (!path.empty() && IsSeparator(path[0])) {
        return RootKind::Top;
    }
    return RootKind::None;
}

// The components between separators; runs of separators count once.
Components SplitComponents(std::string_view path) {
    Components components;
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find_first_of("/\\", start), path.size());
        if (end > start) {
            components.push_back(path.substr(start, end - start));
        }
        start = end + 1;
    }
    return components;
}

void AppendJoined(std::string& out, const Components& components, std::size_t first, char separator) {
    for (std::size_t i = first; i < components.size(); ++i) {
        if (i > first) {
            out += separator;
        }
        out.append(components[i].data(), components[i].size());
    }
}

std::string NormalizedText(std::string_view path) {
    const RootKind root = RootOf(path);
    const Components components = SplitComponents(path);
    std::size_t first = 0;
    std::string result;
    if (root == RootKind::Drive && !components.empty()) {
        result.assign(components[0].data(), components[0].size());
        first = 1;
    }
    Components held;
    int climbs = 0;
    for (std::size_t i = first; i < components.size(); ++i) {
        if (components[i] == ".") {
            continue;
        }
        if (components[i] == "..") {
            if (held.empty()) {
                ++climbs;
            } else {
                held.pop_back();
            }
            continue;
        }
        held.push_back(components[i]);
    }
    if (root != RootKind::None) {
        if (climbs > 0) {
            return std::string();
        }
        result += root == RootKind::Share ? "\\\\" : "\\";
        AppendJoined(result, held, 0, '\\');
        return result;
    }
    for (int i = 0; i < climbs; ++i) {
        result += i > 0 ? "\\.." : "..";
    }
    if (climbs > 0 && !held.empty()) {
        result += '\\';
    }
    AppendJoined(result, held, 0, '\\');
    return result;
}

std::string_view FileNamePart(std::string_view path) {
    const std::size_t separator = LastSeparator(path);
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// The index of the extension's '.', when it lies after every separator; npos otherwise.
std::size_t ExtensionDot(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t separator = LastSeparator(path);
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) {
        return std::string_view::npos;
    }
    return dot;
}

std::string_view DirectoryPart(std::string_view path) {
    const std::size_t separator = LastSeparator(path);
    return separator == std::string_view::npos ? std::string_view() : path.substr(0, separator);
}

std::string RootText(std::string_view path) {
    const std::size_t colon = path.rfind(':');
    if (colon != std::string_view::npos) {
        return std::string(path.substr(0, colon + 1));
    }
    if (path.size() > 2 && IsSeparator(path[0]) && path[0] == path[1]) {
        int separators = 0;
        for (std::size_t i = 0; i < path.size(); ++i) {
            if (IsSeparator(path[i]) && ++separators == 4) {
                return std::string(path.substr(0, i));
            }
        }
        return std::string(path);
    }
    if (!path.empty() && IsSeparator(path[0])) {
        return std::string(1, path[0]);
    }
    return std::string();
}

void Assign(RString& out, std::string_view text) {
    if (text.empty()) {
        out.Clear();
    } else {
        out = RString(text.data(), static_cast<int>(text.size()));
    }
}

// The folders of an absolute path's folder part, below its root.
Components FoldersBelowRoot(std::string_view absolute, std::size_t rootLength) {
    const std::string_view folder = DirectoryPart(absolute);
    return folder.size() > rootLength ? SplitComponents(folder.substr(rootLength)) : Components();
}

bool OnlySeparators(std::string_view text) {
    return text.find_first_not_of("/\\") == std::string_view::npos;
}

bool EnsureDirectory(const std::string& folder) {
    if (folder.empty() || OnlySeparators(folder) || platform::IsDirectory(folder.c_str())) {
        return true;
    }
    return platform::MakeDirectory(folder.c_str()) || platform::IsDirectory(folder.c_str());
}

}  // namespace

void SetApplicationPath(const char* path) { ApplicationFolder() = OrEmpty(path); }
const char* GetApplicationPath() { return ApplicationFolder().Buffer(); }

void SetTempPath(const char* path) { SettingsFolder() = OrEmpty(path); }
const char* GetTempPath() { return SettingsFolder().Buffer(); }

RString TempFileName(const char* folder, const char* prefix, const char* suffix) {
    const std::string name = platform::CreateTempFile(folder, OrEmpty(prefix), OrEmpty(suffix));
    return RString(name.c_str());
}

void MakeAbsolutePath(RString& out, const char* folder, const char* path) {
    if (path == nullptr) {
        out.Clear();
        return;
    }
    if (!IsRelativePath(path)) {
        Assign(out, NormalizedText(path));
        return;
    }
    std::string joined = OrEmpty(folder);
    if (joined.empty() || !IsSeparator(joined.back())) {
        joined += '/';
    }
    joined += path;
    Assign(out, NormalizedText(joined));
}

void ChangeFileExtension(RString& out, const char* path, const char* extension) {
    std::string_view text = OrEmpty(path);
    const std::size_t dot = ExtensionDot(text);
    if (dot != std::string_view::npos) {
        text = text.substr(0, dot);
    }
    Assign(out, std::string(text) + OrEmpty(extension));
}

void GetFileName(RString& out, const char* path, bool keepExtension) {
    std::string_view name = FileNamePart(OrEmpty(path));
    if (!keepExtension) {
        const std::size_t dot = name.rfind('.');
        if (dot != std::string_view::npos) {
            name = name.substr(0, dot);
        }
    }
    Assign(out, name);
}

void GetFileExtension(RString& out, const char* path) {
    const std::string_view text = OrEmpty(path);
    const std::size_t dot = ExtensionDot(text);
    Assign(out, dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1));
}

void GetFileDirectory(RString& out, const char* path) {
    Assign(out, DirectoryPart(OrEmpty(path)));
}

void GetPathRoot(RString& out, const char* path) { Assign(out, RootText(OrEmpty(path))); }

bool IsRelativePath(const char* path) { return path != nullptr && RootOf(path) == RootKind::None; }

void GetCurrentDirectoryPath(RString& out) { Assign(out, platform::FullPath(nullptr)); }

bool CreateDirectoryPath(const char* path) {
    const std::string_view folder = DirectoryPart(OrEmpty(path));
    if (folder.empty() || platform::IsDirectory(std::string(folder).c_str())) {
        return true;
    }
    const std::string normalized = NormalizedText(folder);
    if (normalized.empty()) {
        return false;
    }
    for (std::size_t separator = normalized.find('\\'); separator != std::string::npos;
         separator = normalized.find('\\', separator + 1)) {
        if (!EnsureDirectory(normalized.substr(0, separator))) {
            return false;
        }
    }
    return EnsureDirectory(normalized);
}

void NormalizePath(RString& out, const char* path) { Assign(out, NormalizedText(OrEmpty(path))); }

void MakeRelativePath(RString& out, const char* fromPath, const char* toPath) {
    const std::string from = platform::FullPath(fromPath);
    const std::string to = platform::FullPath(toPath);
    const std::string fromRoot = RootText(from);
    const std::string toRoot = RootText(to);
    if (platform::CompareFileNames(fromRoot.c_str(), toRoot.c_str()) != 0) {
        Assign(out, to);
        return;
    }
    const Components fromFolders = FoldersBelowRoot(from, fromRoot.size());
    const Components toFolders = FoldersBelowRoot(to, toRoot.size());
    std::size_t common = 0;
    while (common < fromFolders.size() && common < toFolders.size() &&
           platform::CompareFileNames(std::string(fromFolders[common]).c_str(),
                                      std::string(toFolders[common]).c_str()) == 0) {
        ++common;
    }
    std::string result;
    for (std::size_t i = common; i < fromFolders.size(); ++i) {
        result += "../";
    }
    for (std::size_t i = common; i < toFolders.size(); ++i) {
        result.append(toFolders[i].data(), toFolders[i].size());
        result += '/';
    }
    result += FileNamePart(to);
    Assign(out, result);
}

void MakeRelativeFilePath(RString& out, const char* basePath, const char* filePath) {
    const std::string_view file = OrEmpty(filePath);
    std::string folder;
    if (LastSeparator(file) == std::string_view::npos) {
        folder = platform::FullPath(nullptr);
    } else {
        folder = DirectoryPart(file);
        if (folder.empty()) {
            folder = std::string(1, file[0]);  // the file lies right under the top
        }
    }
    RString relativeFolder;
    MakeRelativePath(relativeFolder, basePath, folder.c_str());
    const std::string name(FileNamePart(file));
    if (relativeFolder.IsEmptyText()) {
        Assign(out, NormalizedText(name));
        return;
    }
    MakeAbsolutePath(out, relativeFolder.Buffer(), name.c_str());
}

bool FileExists(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    std::FILE* file = nullptr;
    if (!OpenFileUtf8(file, path, "rb")) {
        return false;
    }
    std::fclose(file);
    return true;
}

char* ReadLine(char* buffer, int size, std::FILE* file) {
    if (buffer == nullptr || size < 1) {
        return nullptr;
    }
    buffer[0] = '\0';
    if (file == nullptr || size < 2) {
        return nullptr;
    }
    int count = 0;
    while (count < size - 1) {
        const int c = std::fgetc(file);
        if (c == EOF) {
            break;
        }
        buffer[count++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
        if (c == '\r') {
            const int next = std::fgetc(file);
            if (next == '\n') {
                // With no room left the CR alone ends the line; its LF is consumed with it.
                if (count < size - 1) {
                    buffer[count++] = '\n';
                }
            } else if (next != EOF) {
                std::ungetc(next, file);
            }
            break;
        }
    }
    buffer[count] = '\0';
    return count > 0 ? buffer : nullptr;
}

bool OpenFileUtf8(std::FILE*& file, const char* name, const char* mode) {
    file = platform::OpenFile(name, mode);
    return file != nullptr;
}

bool RemoveFile(const char* path) { return platform::RemoveFile(path); }
