#include "platform/NativeFiles.h"

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(NativeFiles, SdkPathsReachTheSystemWithForwardSlashes) {
    EXPECT_EQ(platform::ToNativePath("\\home\\x/y"), "/home/x/y");
    EXPECT_EQ(platform::ToNativePath(nullptr), "");

    ScratchFolder scratch;
    std::string sdkPath = scratch.Join("f.txt");
    for (char& c : sdkPath) {
        c = c == '/' ? '\\' : c;
    }
    std::FILE* file = platform::OpenFile(sdkPath.c_str(), "wt+");
    ASSERT_NE(file, nullptr);
    std::fputs("a\n", file);
    std::fclose(file);
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("f.txt")), "a\n");
    EXPECT_TRUE(platform::PathExists(sdkPath.c_str()));
}

TEST(NativeFiles, FoldersAreNeitherOpenedNorRemovedAsFiles) {
    ScratchFolder scratch;
    EXPECT_EQ(platform::OpenFile(scratch.Path().c_str(), "rb"), nullptr);
    EXPECT_FALSE(platform::RemoveFile(scratch.Path().c_str()));
    EXPECT_TRUE(platform::IsDirectory(scratch.Path().c_str()));
    EXPECT_EQ(platform::OpenFile(nullptr, "rb"), nullptr);
    EXPECT_EQ(platform::OpenFile(scratch.Join("missing").c_str(), "rb"), nullptr);
    EXPECT_EQ(platform::OpenFile(scratch.Join("x").c_str(), "t"), nullptr);
}

TEST(NativeFiles, FoldersAreMadeAndRemoved) {
    ScratchFolder scratch;
    const std::string folder = scratch.Join("sub");
    EXPECT_TRUE(platform::MakeDirectory(folder.c_str()));
    EXPECT_FALSE(platform::MakeDirectory(folder.c_str()));
    scratch.WriteFile("sub/f", "x");
    EXPECT_FALSE(platform::RemoveDirectory(folder.c_str()));
    EXPECT_TRUE(platform::RemoveFile((folder + "/f").c_str()));
    EXPECT_TRUE(platform::RemoveDirectory(folder.c_str()));
    EXPECT_FALSE(platform::PathExists(folder.c_str()));
}

TEST(NativeFiles, RenameReplacesTheTarget) {
    ScratchFolder scratch;
    const std::string from = scratch.WriteFile("a", "new");
    const std::string to = scratch.WriteFile("b", "old");
    EXPECT_TRUE(platform::RenameFile(from.c_str(), to.c_str()));
    EXPECT_EQ(ScratchFolder::ReadFile(to), "new");
    EXPECT_FALSE(platform::PathExists(from.c_str()));
}

TEST(NativeFiles, TruncateSetsTheSizeOfAnOpenFile) {
    ScratchFolder scratch;
    std::FILE* file = platform::OpenFile(scratch.Join("t").c_str(), "wb+");
    ASSERT_NE(file, nullptr);
    std::fputs("0123456789", file);
    EXPECT_EQ(platform::TruncateFile(file, 4), 0);
    EXPECT_EQ(platform::TruncateFile(file, -1), -1);
    EXPECT_EQ(platform::TruncateFile(nullptr, 1), -1);
    std::fclose(file);
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("t")), "0123");
}

TEST(NativeFiles, FullPathResolvesDotsWithoutTheFileSystem) {
    EXPECT_EQ(platform::FullPath("/a/./b/../c//d"), "/a/c/d");
    EXPECT_EQ(platform::FullPath("\\a\\b\\.."), "/a");
    EXPECT_EQ(platform::FullPath("/../.."), "/");
    const std::string current = platform::CurrentDirectory();
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(platform::FullPath(nullptr), current);
    EXPECT_EQ(platform::FullPath("x/y"), platform::FullPath((current + "/x/y").c_str()));
}

TEST(NativeFiles, TemporaryFilesAreCreatedUnderUniqueNames) {
    ScratchFolder scratch;
    const std::string first = platform::CreateTempFile(scratch.Path().c_str(), "pre");
    const std::string second = platform::CreateTempFile(scratch.Path().c_str(), "pre");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(first.rfind(scratch.Join("pre"), 0), 0u);
    EXPECT_TRUE(platform::PathExists(first.c_str()));

    // A folder that does not exist falls back to the temporary folder.
    const std::string elsewhere = platform::CreateTempFile(scratch.Join("missing").c_str(), "wyx-test-");
    ASSERT_FALSE(elsewhere.empty());
    EXPECT_EQ(elsewhere.find(scratch.Join("missing")), std::string::npos);
    EXPECT_TRUE(platform::RemoveFile(elsewhere.c_str()));

    const std::string folder = platform::CreateTempFolder(scratch.Path().c_str(), "dir");
    EXPECT_TRUE(platform::IsDirectory(folder.c_str()));
}

TEST(NativeFiles, CommitPutsATemporaryFileInPlaceOrRemovesIt) {
    ScratchFolder scratch;
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

    // A target in a missing folder: the commit fails, the temporary file is gone.
    const std::string another = platform::CreateTempFile(scratch.Path().c_str(), "x");
    EXPECT_FALSE(platform::CommitTempFile(another.c_str(), scratch.Join("none/target").c_str()));
    EXPECT_FALSE(platform::PathExists(another.c_str()));
}
