#ifndef WYX_TESTS_PLATFORM_UNCREATABLETARGETS_H
#define WYX_TESTS_PLATFORM_UNCREATABLETARGETS_H

// Paths at which no file can be created, each with the reason the system gives, for the tests
// of what a writer says when it cannot create its file: a folder where the file would be
// (EISDIR), and a file in a folder without write permission (EACCES). A process running as
// root writes in such a folder all the same, so while the second is tried it takes the file
// system identity of "nobody" on this thread (setfsuid, which also drops root's right to
// override permissions); the folder given is opened to others for the walk to it.

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/fsuid.h>
#include <unistd.h>

// Calls tryCreate(path, reason) with each such path for a file of the name in the folder,
// and leaves the folder as it found it.
inline void ForEachUncreatableTarget(const std::string& folder, const std::string& name,
                                     const std::function<void(const std::string& path, int reason)>& tryCreate) {
    namespace fs = std::filesystem;
    const std::string taken = folder + "/" + name;
    fs::create_directory(taken);
    tryCreate(taken, EISDIR);
    fs::remove(taken);

    const std::string locked = folder + "/locked";
    fs::create_directory(locked);
    const fs::perms folderPermissions = fs::status(folder).permissions();
    fs::permissions(folder, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const bool root = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    if (root) ::setfsuid(kNobody);
    tryCreate(locked + "/" + name, EACCES);
    if (root) ::setfsuid(0);
    fs::permissions(locked, fs::perms::owner_all);
    fs::remove(locked);
    fs::permissions(folder, folderPermissions);
}

#endif
