#ifndef WYX_TESTS_FILEIO_SYSTEMCALLCOUNTER_H
#define WYX_TESTS_FILEIO_SYSTEMCALLCOUNTER_H

// Counts, for this test program, the bytes asked of operator new and the calls of the system
// functions a careful file write must use or avoid: fsync of files and of folders, umask
// (which changes the mask of every thread), chmod by name; and the wipes of secrets
// (OPENSSL_cleanse). The program's own definitions stand in for the library's and pass each
// call on.

#include <cstddef>
#include <cstdint>

struct SystemCallCounts {
    std::uint64_t allocatedBytes = 0;
    int fileSyncs = 0;
    int folderSyncs = 0;
    int umaskCalls = 0;
    int chmodCalls = 0;
};

// The counts so far; differences of two answers bound what happened between them.
SystemCallCounts CountedSystemCalls();

// Counts from now on the wipes of exactly these bytes (a key, a password): a wipe of a block
// of that size that held them.
void WatchWipesOf(const void* bytes, std::size_t size);
int WipesOfWatched();

#endif
