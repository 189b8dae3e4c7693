#ifndef WYX_TESTS_FILEIO_SYSTEMCALLCOUNTER_H
#define WYX_TESTS_FILEIO_SYSTEMCALLCOUNTER_H

// Counts, for this test program, the bytes asked of operator new and the calls of the system
// functions a careful file write must use or avoid: fsync of files and of folders, umask
// (which changes the mask of every thread), chmod by name. The program's own definitions
// stand in for the library's and pass each call on.

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

#endif
