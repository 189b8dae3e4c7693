#include "platform/NativeFiles.h"
#include "platform/RDirectorySearch.h"
#include "platform/RFileReplacement.h"

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string SdkForm(std::string path) {
    for (char& c : path) c = c == '/' ? '\\' : c;
    return path;
}

std::set<std::string> ListAll(RDirectorySearch& search, const std::string& pattern) {
    std::set<std::string> names;
    if (search.Open(pattern.c_str())) {
        do {
            names.insert(search.EntryName());
        } while (search.Next());
    }
    return names;
}

// The descriptors this process holds open.
std::size_t OpenDescriptorCount() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                  std::filesystem::directory_iterator()));
}

}  // namespace

TEST(NativeFiles, SdkPathsReachTheSystemWithForwardSlashesAndFoldersAreNoFiles) {
    EXPECT_EQ(platform::ToNativePath("\\home\\x/y"), "/home/x/y");
    EXPECT_EQ(platform::ToNativePath(nullptr), "");
    ScratchFolder scratch;
    const std::string sdkPath = SdkForm(scratch.Join("f.txt"));
    std::FILE* file = platform::OpenFile(sdkPath.c_str(), "wt+");
    ASSERT_NE(file, nullptr);
    std::fputs("a\n", file);
    std::fclose(file);
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("f.txt")), "a\n");
    EXPECT_TRUE(platform::PathExists(sdkPath.c_str()));
    // Folders are neither opened nor removed as files; nor is what is missing or unnamed.
    for (const std::string& path : {scratch.Path(), scratch.Join("missing"), std::string()}) {
        EXPECT_EQ(platform::OpenFile(path.c_str(), "rb"), nullptr) << path;
    }
    EXPECT_EQ(platform::OpenFile(nullptr, "rb"), nullptr);
    EXPECT_EQ(platform::OpenFile(scratch.Join("x").c_str(), "t"), nullptr);
    EXPECT_FALSE(platform::RemoveFile(scratch.Path().c_str()));
    EXPECT_TRUE(platform::IsDirectory(scratch.Path().c_str()));
}

// A file opened for reading is a regular file: a device or a pipe named in a scene is
// refused, a pipe without a writer at once (the open runs in a child that an alarm would end).
TEST(NativeFiles, OnlyRegularFilesAreOpenedForReading) {
    ScratchFolder scratch;
    const std::string pipe = scratch.Join("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const char* mode : {"rb", "rt", "r"}) {
        errno = 0;
        EXPECT_EQ(platform::OpenFile("/dev/zero", mode), nullptr) << mode;
        EXPECT_EQ(errno, EINVAL) << mode;
    }
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10);
        std::FILE* file = platform::OpenFile(pipe.c_str(), "rb");
        ::_exit(file == nullptr && errno == EINVAL ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    // Regular files still open for reading, and anything may still be opened for writing.
    std::FILE* file = platform::OpenFile(scratch.WriteFile("f", "x").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::fgetc(file), 'x');
    std::fclose(file);
    file = platform::OpenFile("/dev/null", "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    // A refused open closes what it opened to look at: a folder, a device, a pipe (with a
    // reader, so that a replacement's open of it goes through), to read or to replace.
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::size_t before = OpenDescriptorCount();
    for (const std::string& path : {scratch.Path(), std::string("/dev/zero"), pipe}) {
        EXPECT_EQ(platform::OpenFile(path.c_str(), "rb"), nullptr) << path;
        platform::RFileReplacement replacement;
        EXPECT_FALSE(replacement.Begin(path.c_str())) << path;
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
    ::close(reader);
}

TEST(NativeFiles, FoldersAreMadeAndRemovedAndRenameReplacesTheTarget) {
    ScratchFolder scratch;
    const std::string folder = scratch.Join("sub");
    EXPECT_TRUE(platform::MakeDirectory(folder.c_str()));
    EXPECT_FALSE(platform::MakeDirectory(folder.c_str()));
    scratch.WriteFile("sub/f", "x");
    EXPECT_FALSE(platform::RemoveDirectory(folder.c_str()));
    EXPECT_TRUE(platform::RemoveFile((folder + "/f").c_str()));
    EXPECT_TRUE(platform::RemoveDirectory(folder.c_str()));
    EXPECT_FALSE(platform::PathExists(folder.c_str()));
    const std::string from = scratch.WriteFile("a", "new");
    const std::string to = scratch.WriteFile("b", "old");
    EXPECT_TRUE(platform::RenameFile(from.c_str(), to.c_str()));
    EXPECT_EQ(ScratchFolder::ReadFile(to), "new");
    EXPECT_FALSE(platform::PathExists(from.c_str()));
}

TEST(NativeFiles, TruncateSetsTheSizeOfAnOpenFileAndFullPathResolvesDotsWithoutTheFileSystem) {
    ScratchFolder scratch;
    std::FILE* file = platform::OpenFile(scratch.Join("t").c_str(), "wb+");
    ASSERT_NE(file, nullptr);
    std::fputs("0123456789", file);
    EXPECT_EQ(platform::TruncateFile(file, 4), 0);
    EXPECT_EQ(platform::TruncateFile(file, -1), -1);
    EXPECT_EQ(platform::TruncateFile(nullptr, 1), -1);
    std::fclose(file);
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("t")), "0123");
    EXPECT_EQ(platform::FullPath("/a/./b/../c//d"), "/a/c/d");
    EXPECT_EQ(platform::FullPath("\\a\\b\\.."), "/a");
    EXPECT_EQ(platform::FullPath("/../.."), "/");
    const std::string current = platform::CurrentDirectory();
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(platform::FullPath(nullptr), current);
    EXPECT_EQ(platform::FullPath("x/y"), platform::FullPath((current + "/x/y").c_str()));
}

TEST(NativeFiles, TemporaryFilesAreCreatedUnderUniqueNamesAndCommittedOrRemoved) {
    ScratchFolder scratch;
    const std::string first = platform::CreateTempFile(scratch.Path().c_str(), "pre");
    const std::string second = platform::CreateTempFile(scratch.Path().c_str(), "pre");
    ASSERT_FALSE(first.empty() || second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(scratch.Join("pre"), 0), 0u);
    EXPECT_TRUE(platform::PathExists(first.c_str()));
    // A folder that does not exist falls back to the temporary folder.
    const std::string elsewhere = platform::CreateTempFile(scratch.Join("missing").c_str(), "wyx-test-");
    ASSERT_FALSE(elsewhere.empty());
    EXPECT_EQ(elsewhere.find(scratch.Join("missing")), std::string::npos);
    EXPECT_TRUE(platform::RemoveFile(elsewhere.c_str()));
    EXPECT_TRUE(platform::IsDirectory(platform::CreateTempFolder(scratch.Path().c_str(), "dir").c_str()));
    const std::string target = scratch.WriteFile("settings", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const std::string temp = platform::CreateTempFile(scratch.Path().c_str(), "settings.");
    scratch.WriteFile(temp.substr(scratch.Path().size() + 1), "new");
    ASSERT_TRUE(platform::CommitTempFile(temp.c_str(), target.c_str()));
    EXPECT_EQ(ScratchFolder::ReadFile(target), "new");
    struct stat info;
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_FALSE(platform::PathExists(temp.c_str()));
    // A target in a missing folder, or a folder as target: the commit fails, the temporary file is gone.
    for (const std::string& refused : {scratch.Join("none/target"), scratch.Path()}) {
        const std::string another = platform::CreateTempFile(scratch.Path().c_str(), "x");
        EXPECT_FALSE(platform::CommitTempFile(another.c_str(), refused.c_str())) << refused;
        EXPECT_FALSE(platform::PathExists(another.c_str())) << refused;
    }
}

TEST(RDirectorySearch, PatternsMatchWithoutRegardToCaseAndTheSearchStaysOpenAtTheEndUntilClosed) {
    ScratchFolder scratch;
    RDirectorySearch search;
    EXPECT_EQ(ListAll(search, scratch.Join("*.*")), (std::set<std::string>{".", ".."}));
    EXPECT_TRUE(search.IsOpen());
    EXPECT_STREQ(search.EntryName(), "");
    search.Close();
    EXPECT_FALSE(search.IsOpen());
    scratch.WriteFile("one.WYX", "");
    scratch.WriteFile("two.obj", "");
    EXPECT_EQ(ListAll(search, SdkForm(scratch.Join("*.wyx"))), std::set<std::string>{"one.WYX"});
    // Missing folders and empty patterns fail.
    for (const std::string& pattern : {scratch.Join("missing/*.*"), scratch.Join("none*"), scratch.Path() + "/"}) {
        EXPECT_FALSE(search.Open(pattern.c_str())) << pattern;
    }
    EXPECT_FALSE(search.Open(nullptr));
    EXPECT_FALSE(search.Next());
}
