#include "platform/RDirectorySearch.h"

#include "platform/NativeFiles.h"

#include <dirent.h>
#include <fnmatch.h>

namespace {

DIR* AsDir(void* folder) { return static_cast<DIR*>(folder); }

}  // namespace

RDirectorySearch::~RDirectorySearch() {
    Close();
}

bool RDirectorySearch::Open(const char* pattern) {
    Close();
    const std::string native = platform::ToNativePath(pattern);
    if (native.empty()) {
        return false;
    }
    const std::size_t slash = native.rfind('/');
    std::string folder;
    if (slash == std::string::npos) {
        folder = ".";
        pattern_ = native;
    } else {
        folder = slash == 0 ? std::string("/") : native.substr(0, slash);
        pattern_ = native.substr(slash + 1);
    }
    if (pattern_ == "*.*") {
        pattern_ = "*";
    }
    if (pattern_.empty()) {
        return false;
    }
    folder_ = ::opendir(folder.c_str());
    if (folder_ == nullptr) {
        return false;
    }
    if (!Next()) {
        Close();
        return false;
    }
    return true;
}

bool RDirectorySearch::Next() {
    if (folder_ == nullptr) {
        return false;
    }
    while (const dirent* entry = ::readdir(AsDir(folder_))) {
        if (Matches(entry->d_name)) {
            entryName_ = entry->d_name;
            return true;
        }
    }
    entryName_.clear();
    return false;
}

void RDirectorySearch::Close() {
    if (folder_ != nullptr) {
        ::closedir(AsDir(folder_));
        folder_ = nullptr;
    }
    entryName_.clear();
}

bool RDirectorySearch::Matches(const char* name) const {
    return pattern_ == "*" || ::fnmatch(pattern_.c_str(), name, FNM_CASEFOLD) == 0;
}
