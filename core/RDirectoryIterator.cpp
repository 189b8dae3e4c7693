#include "core/RDirectoryIterator.h"

#include "core/FilePaths.h"
#include "core/RString.h"
#include "platform/NativeFiles.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

// The normalised folder, joined with name by '\'. A folder that normalises to nothing (such
// as ".") is the current one: the name alone.
RString EntryPath(const char* folder, const char* name) {
    RString path;
    NormalizePath(path, folder);
    if (!path.IsEmptyText()) {
        path += '\\';
    }
    path += name;
    return path;
}

}  // namespace

bool RDirectoryIterator::Open(const char* folder) {
    Close();
    if (folder == nullptr || folder[0] == '\0') {
        return false;
    }
    RString pattern(folder);
    if (pattern.FindChar('*') < 0) {
        pattern += "/*.*";
    }
    RString normalized;
    NormalizePath(normalized, pattern.Buffer());
    valid_ = !normalized.IsEmptyText() && search_.Open(normalized.Buffer());
    return valid_;
}

bool RDirectoryIterator::Next() { return valid_ && search_.Next(); }

void RDirectoryIterator::Close() {
    search_.Close();
    valid_ = false;
}

bool RDirectoryIterator::CreateAndOpen(const char* folder) {
    RString normalized;
    NormalizePath(normalized, folder);
    platform::MakeDirectory(normalized.Buffer());
    return Open(folder);
}

const char* RDirectoryIterator::EntryName() const { return search_.EntryName(); }

const char* RDirectoryIterator::EntryExtension() const {
    const char* dot = std::strrchr(EntryName(), '.');
    return dot != nullptr ? dot + 1 : "";
}

bool RDirectoryIterator::DeleteDirectory(const char* folder) {
    if (folder == nullptr || folder[0] == '\0') {
        return false;
    }
    // The names are gathered first so that removing files never disturbs the listing.
    std::vector<std::string> names;
    RDirectoryIterator iterator;
    if (!iterator.Open(folder)) {
        return !platform::PathExists(folder);
    }
    do {
        if (!IsDotEntry(iterator.EntryName())) {
            names.emplace_back(iterator.EntryName());
        }
    } while (iterator.Next());
    iterator.Close();
    for (const std::string& name : names) {
        RemoveFile(EntryPath(folder, name.c_str()).Buffer());
    }
    RString normalized;
    NormalizePath(normalized, folder);
    return platform::RemoveDirectory(normalized.Buffer());
}

bool RDirectoryIterator::IsDirectoryEmpty(const char* folder) {
    RDirectoryIterator iterator;
    if (!iterator.Open(folder)) {
        return true;
    }
    do {
        if (!IsDotEntry(iterator.EntryName())) {
            return false;
        }
    } while (iterator.Next());
    return true;
}
