#include "platform/RFileReplacement.h"

#include "tests/platform/FailingFolderSyncs.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/WriteFaults.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <optional>
#include <vector>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool Replace(const std::string& path, const std::string& content) {
    platform::RFileReplacement replacement;
    return replacement.Begin(path.c_str()) &&
           std::fwrite(content.data(), 1, content.size(), replacement.File()) == content.size() &&
           replacement.Commit();
}

// The reason a refused Begin gives; -1 when Begin did not refuse.
int RefusalOf(const std::string& path) {
    platform::RFileReplacement replacement;
    return replacement.Begin(path.c_str()) ? -1 : replacement.FailureCode();
}

struct stat StatOf(const std::string& path) {
    struct stat info = {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

std::size_t EntryCount(const std::string& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}

TEST(RFileReplacement, OnlyCommitReplacesAndAbandonLeavesNothingBehind) {
    ScratchFolder scratch;
    const std::string target = scratch.WriteFile("t", "old");
    for (const bool destroy : {false, true}) {
        platform::RFileReplacement replacement;
        ASSERT_TRUE(replacement.Begin(target.c_str()));
        std::fputs("half", replacement.File());
        // The temporary file has no name where the file system allows it.
        EXPECT_EQ(EntryCount(scratch.Path()), FolderTakesUnnamedFiles(scratch.Path()) ? 1u : 2u);
        if (!destroy) {
            replacement.Abandon();
            EXPECT_FALSE(replacement.IsActive());
            EXPECT_FALSE(replacement.Commit());
        }
    }
    EXPECT_EQ(ScratchFolder::ReadFile(target), "old");
    EXPECT_EQ(EntryCount(scratch.Path()), 1u);
    ASSERT_TRUE(Replace(target, "new"));
    EXPECT_EQ(ScratchFolder::ReadFile(target), "new");
    EXPECT_EQ(EntryCount(scratch.Path()), 1u);
}

// The rename is only lasting once the folder is synced: a failed folder sync fails the
// commit with its reason, though the new content is already in place, and leaves nothing else.
TEST(RFileReplacement, AFailedFolderSyncFailsTheCommit) {
    ScratchFolder scratch;
    const std::string target = scratch.WriteFile("t", "old");
    platform::RFileReplacement replacement;
    ASSERT_TRUE(replacement.Begin(target.c_str()));
    std::fputs("new", replacement.File());
    {
        const FailingFolderSyncs failingSyncs;
        EXPECT_FALSE(replacement.Commit());
    }
    EXPECT_EQ(replacement.FailureCode(), EIO);
    EXPECT_FALSE(replacement.IsActive());
    EXPECT_EQ(ScratchFolder::ReadFile(target), "new");
    EXPECT_EQ(EntryCount(scratch.Path()), 1u);
    EXPECT_TRUE(Replace(target, "again"));
}

TEST(RFileReplacement, LinksAreFollowedAndHardLinksAllSeeTheNewContent) {
    ScratchFolder scratch;
    const std::string real = scratch.WriteFile("real", "old");
    ASSERT_EQ(::symlink("real", scratch.Join("relative").c_str()), 0);
    ASSERT_EQ(::symlink(real.c_str(), scratch.Join("absolute").c_str()), 0);
    ASSERT_EQ(::symlink("relative", scratch.Join("chain").c_str()), 0);
    for (const char* link : {"relative", "absolute", "chain"}) {
        ASSERT_TRUE(Replace(scratch.Join(link), link)) << link;
        EXPECT_TRUE(S_ISLNK(StatOf(scratch.Join(link)).st_mode)) << link;
        EXPECT_EQ(ScratchFolder::ReadFile(real), link);
    }
    // A dangling link makes the file where it points, as opening it for writing would.
    ASSERT_EQ(::symlink("made", scratch.Join("dangling").c_str()), 0);
    ASSERT_TRUE(Replace(scratch.Join("dangling"), "made"));
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("made")), "made");
    ASSERT_EQ(::symlink("loop", scratch.Join("loop").c_str()), 0);
    EXPECT_FALSE(Replace(scratch.Join("loop"), "x"));
    // A hard-linked file is written in place: same file, every name sees the new content.
    ASSERT_EQ(::link(real.c_str(), scratch.Join("hard").c_str()), 0);
    const ino_t inode = StatOf(real).st_ino;
    ASSERT_TRUE(Replace(scratch.Join("hard"), "shared and longer"));
    EXPECT_EQ(ScratchFolder::ReadFile(real), "shared and longer");
    ASSERT_TRUE(Replace(real, "short"));
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("hard")), "short");
    EXPECT_EQ(StatOf(real).st_ino, inode);
    EXPECT_EQ(StatOf(real).st_nlink, 2u);
    platform::RFileReplacement abandoned;
    ASSERT_TRUE(abandoned.Begin(real.c_str()));
    std::fputs("never", abandoned.File());
    abandoned.Abandon();
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("hard")), "short");
    // Space is taken before any byte changes: a file too large to fit fails the commit and
    // leaves the file whole.
    platform::RFileReplacement large;
    ASSERT_TRUE(large.Begin(real.c_str()));
    const std::string content(100000, 'L');
    ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), large.File()), content.size());
    ASSERT_EQ(std::fflush(large.File()), 0);
    {
        const FileSizeLimit limit(50000);
        EXPECT_FALSE(large.Commit());
    }
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("hard")), "short");
}

TEST(RFileReplacement, PermissionsAndOwnersAreKeptAndNewFilesGetTheUsualOnes) {
    ScratchFolder scratch;
    const std::string target = scratch.WriteFile("t", "old");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_TRUE(Replace(target, "new"));
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0640u);
    const mode_t saved = ::umask(027);
    const bool made = Replace(scratch.Join("fresh"), "x");
    ::umask(saved);
    ASSERT_TRUE(made);
    EXPECT_EQ(StatOf(scratch.Join("fresh")).st_mode & 0777, 0640u);
    if (::geteuid() != 0) GTEST_SKIP() << "changing owners needs root";
    ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    ASSERT_TRUE(Replace(target, "by root"));
    const struct stat owned = StatOf(target);
    EXPECT_EQ((std::vector<unsigned>{owned.st_uid, owned.st_gid, owned.st_mode & 07777}),
              (std::vector<unsigned>{65534, 65534, 0640}));
}

TEST(RFileReplacement, WhatAPlainWriteRefusesIsRefused) {
    ScratchFolder scratch;
    EXPECT_FALSE(Replace(scratch.Path(), "x"));                  // a folder
    EXPECT_FALSE(Replace(scratch.Join("none/t"), "x"));          // a missing folder
    // Not a regular file, though it opens for writing (it has a reader).
    ASSERT_EQ(::mkfifo(scratch.Join("fifo").c_str(), 0666), 0);
    const int reader = ::open(scratch.Join("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(Replace(scratch.Join("fifo"), "x"));
    // Each refusal with the reason the system would give.
    EXPECT_EQ(RefusalOf(scratch.Path()), EISDIR);
    EXPECT_EQ(RefusalOf(scratch.Join("none/t")), ENOENT);
    EXPECT_EQ(RefusalOf(scratch.Join("fifo")), EINVAL);
    EXPECT_EQ(RefusalOf(""), ENOENT);
    ::close(reader);
    EXPECT_TRUE(S_ISFIFO(StatOf(scratch.Join("fifo")).st_mode));
    // A read-only file in a folder anyone may write in, written by another user than its
    // owner (root may write anything, so a child process drops to "nobody" for this).
    const std::string target = scratch.WriteFile("readonly", "kept");
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(scratch.Path().c_str(), 0777), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const bool dropped = ::geteuid() != 0 || (::setgid(65534) == 0 && ::setuid(65534) == 0);
        std::_Exit(!dropped ? 2 : Replace(target, "replaced") ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << " (1: replaced, 2: not dropped)";
    EXPECT_EQ(ScratchFolder::ReadFile(target), "kept");
    EXPECT_EQ(EntryCount(scratch.Path()), 2u);
}


// A writer killed before it commits, in a child process; answers the entries it left in the
// folder.
std::size_t EntriesLeftByAKilledWriter(const ScratchFolder& scratch, const std::string& target, bool named) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::optional<NoUnnamedFiles> refused;
        if (named) refused.emplace();
        platform::RFileReplacement replacement;
        if (replacement.Begin(target.c_str())) {
            std::fputs("never committed", replacement.File());
            std::fflush(replacement.File());
            ::raise(SIGKILL);
        }
        std::_Exit(1);
    }
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status)) << status;
    return EntryCount(scratch.Path());
}

TEST(RFileReplacement, AKilledWriterLeavesNothingWhereUnnamedFilesAreMade) {
    // Where the file system cannot make unnamed files the temporary file has a name, and it
    // stays (found by its prefix).
    ScratchFolder named;
    EXPECT_EQ(EntriesLeftByAKilledWriter(named, named.WriteFile("t", "old"), true), 2u);
    ScratchFolder scratch;
    const std::string target = scratch.WriteFile("t", "old");
    if (!FolderTakesUnnamedFiles(scratch.Path())) GTEST_SKIP() << "no unnamed files on this file system";
    EXPECT_EQ(EntriesLeftByAKilledWriter(scratch, target, false), 1u);
    EXPECT_EQ(ScratchFolder::ReadFile(target), "old");
}

TEST(RFileReplacement, WithoutUnnamedFilesANamedTemporaryFileIsUsedAndRemoved) {
    ScratchFolder scratch;
    const std::string target = scratch.WriteFile("t", "old");
    const NoUnnamedFiles refused;
    for (const bool commit : {false, true}) {
        platform::RFileReplacement replacement;
        ASSERT_TRUE(replacement.Begin(target.c_str(), ".pre-"));
        std::fputs("new", replacement.File());
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.Path())) {
            names.push_back(entry.path().filename().string());
        }
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ((names[0] == "t" ? names[1] : names[0]).rfind(".pre-", 0), 0u);
        EXPECT_EQ(commit, commit && replacement.Commit());
    }
    EXPECT_EQ(ScratchFolder::ReadFile(target), "new");
    EXPECT_EQ(EntryCount(scratch.Path()), 1u);
}

// A hard-linked file whose overwrite fails part way: passing I/O errors, and a full disk on
// a file system that cannot reserve space (writes beyond the old end fail).
TEST(RFileReplacement, AFailedOverwriteInPlacePutsTheOldContentBack) {
    ScratchFolder scratch;
    const std::string old(3000, 'o');
    const std::string content(100000, 'n');
    const struct {
        const char* label;
        off_t failFrom;
        int error;
        FailingWrites::Kind kind;
    } faults[] = {
        {"I/O error", 1000, EIO, FailingWrites::Kind::kPassing},
        {"full disk", 3000, ENOSPC, FailingWrites::Kind::kLasting},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.label);
        const std::string target = scratch.WriteFile("t", old);
        ASSERT_EQ(::link(target.c_str(), scratch.Join("other").c_str()), 0);
        const ino_t inode = StatOf(target).st_ino;
        platform::RFileReplacement replacement;
        ASSERT_TRUE(replacement.Begin(target.c_str()));
        ASSERT_EQ(std::fwrite(content.data(), 1, content.size(), replacement.File()), content.size());
        {
            const NoSpaceReservation noReservation;
            const FailingWrites failing(target, fault.failFrom, fault.error, fault.kind);
            EXPECT_FALSE(replacement.Commit());
            EXPECT_GE(failing.Failures(), 1);
        }
        EXPECT_EQ(replacement.FailureCode(), fault.error);
        EXPECT_EQ(replacement.KeptOldContent(), "");
        EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("other")), old);
        EXPECT_EQ(StatOf(target).st_ino, inode);
        EXPECT_EQ(EntryCount(scratch.Path()), 2u);
        // The next write goes through.
        ASSERT_TRUE(Replace(target, "fine"));
        EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("other")), "fine");
        std::filesystem::remove(target);
        std::filesystem::remove(scratch.Join("other"));
    }
}

TEST(RFileReplacement, OldContentThatCannotBePutBackIsKeptBesideTheFile) {
    ScratchFolder scratch;
    const std::string old(3000, 'o');
    const std::string target = scratch.WriteFile("t", old);
    ASSERT_EQ(::link(target.c_str(), scratch.Join("other").c_str()), 0);
    platform::RFileReplacement replacement;
    ASSERT_TRUE(replacement.Begin(target.c_str()));
    std::fputs(std::string(10000, 'n').c_str(), replacement.File());
    {
        const NoSpaceReservation noReservation;
        const FailingWrites failing(target, 1000, EIO, FailingWrites::Kind::kLasting);
        EXPECT_FALSE(replacement.Commit());
    }
    EXPECT_EQ(replacement.FailureCode(), EIO);
    const std::string kept = replacement.KeptOldContent();
    ASSERT_EQ(kept.rfind(scratch.Join(".wyx-old-"), 0), 0u) << kept;
    EXPECT_EQ(ScratchFolder::ReadFile(kept), old);
    EXPECT_EQ(EntryCount(scratch.Path()), 3u);
    // A failure on the road by rename (one link) leaves the file as it was and nothing else.
    const std::string single = scratch.WriteFile("single", old);
    platform::RFileReplacement renamed;
    ASSERT_TRUE(renamed.Begin(single.c_str()));
    std::fputs(std::string(2000, 'n').c_str(), renamed.File());  // still in the stream's buffer
    {
        const FileSizeLimit limit(1000);
        EXPECT_FALSE(renamed.Commit());
    }
    EXPECT_EQ(renamed.FailureCode(), EFBIG);
    EXPECT_EQ(ScratchFolder::ReadFile(single), old);
    EXPECT_EQ(EntryCount(scratch.Path()), 4u);
}

}  // namespace
