#ifndef WYX_TESTS_SUPPORT_KEPTFILE_H
#define WYX_TESTS_SUPPORT_KEPTFILE_H

// A file that a failed write must leave as it was, for the data-loss tests of the writers:
// made with old content, given more names where a test asks (hard links, which send a write
// that replaces the file down its in-place road), and checked byte for byte under every name
// and for being still the same file. The faults that make the writes fail are
// tests/platform/FileSizeLimit.h (a file-size limit) and tests/platform/WriteFaults.h (a full
// disk or an I/O error while a hard-linked file is overwritten).

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

class KeptFile {
public:
    // Writes the file with exactly these bytes.
    KeptFile(const std::string& path, std::string content) : content_(std::move(content)) {
        if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(content_.data(), 1, content_.size(), file);
            std::fclose(file);
        }
        struct stat info = {};
        ::stat(path.c_str(), &info);
        inode_ = info.st_ino;
        names_.push_back(path);
    }

    const std::string& Path() const { return names_.front(); }
    const std::string& Content() const { return content_; }

    // Gives the file another name; false when the link could not be made.
    bool AddHardLink(const std::string& path) {
        if (::link(Path().c_str(), path.c_str()) != 0) return false;
        names_.push_back(path);
        return true;
    }

    // Whether every name still reaches the same file and it holds the old bytes.
    ::testing::AssertionResult IsUnchanged() const {
        for (const std::string& name : names_) {
            struct stat info = {};
            if (::stat(name.c_str(), &info) != 0) return ::testing::AssertionFailure() << name << " is gone";
            if (info.st_ino != inode_) return ::testing::AssertionFailure() << name << " is another file now";
            const std::string bytes = ScratchFolder::ReadFile(name);
            if (bytes != content_) {
                return ::testing::AssertionFailure() << name << " holds " << bytes.size() << " bytes ("
                                                     << content_.size() << " before), beginning \""
                                                     << bytes.substr(0, 40) << "\"";
            }
        }
        return ::testing::AssertionSuccess();
    }

private:
    std::string content_;
    ino_t inode_ = 0;
    std::vector<std::string> names_;
};

// The entries of a folder: what a write left there, temporary files included.
inline std::size_t FolderEntryCount(const std::string& folder) {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

#endif
