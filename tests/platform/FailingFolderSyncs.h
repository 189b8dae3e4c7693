#ifndef WYX_TESTS_PLATFORM_FAILINGFOLDERSYNCS_H
#define WYX_TESTS_PLATFORM_FAILINGFOLDERSYNCS_H

// For the life of an object, syncing a folder answers EIO, as a disk that fails to write the
// folder's entries does; files still sync. Made by this test program's own definition of
// fsync, which stands in for the library's and passes every other call on (a program that
// counts syncs defines its own, so only the file replacement's tests link this one).
class FailingFolderSyncs {
public:
    FailingFolderSyncs();
    ~FailingFolderSyncs();
    FailingFolderSyncs(const FailingFolderSyncs&) = delete;
    FailingFolderSyncs& operator=(const FailingFolderSyncs&) = delete;
};

#endif
