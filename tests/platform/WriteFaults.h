#ifndef WYX_TESTS_PLATFORM_WRITEFAULTS_H
#define WYX_TESTS_PLATFORM_WRITEFAULTS_H

// Faults of the disk for the life of an object, made by this test program's own definitions
// of pwrite, fallocate and openat, which stand in for the library's and pass every other
// call on: writes to one file that fail part way (an I/O error or a full disk), a file
// system that cannot reserve space, one that cannot make unnamed files.

#include <string>
#include <sys/types.h>

// Writes to the file at path (the file, whatever name reaches it) that reach beyond failFrom
// bytes fail with error: the bytes before failFrom are written, the call after them fails.
// A passing fault fails one call only; a lasting one every call from then on.
class FailingWrites {
public:
    enum class Kind { kPassing, kLasting };
    FailingWrites(const std::string& path, off_t failFrom, int error, Kind kind);
    ~FailingWrites();
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;
    // The calls failed so far.
    int Failures() const;
};

// fallocate answers EOPNOTSUPP, as on file systems that cannot reserve space.
class NoSpaceReservation {
public:
    NoSpaceReservation();
    ~NoSpaceReservation();
    NoSpaceReservation(const NoSpaceReservation&) = delete;
    NoSpaceReservation& operator=(const NoSpaceReservation&) = delete;
};

// Opening an unnamed file (O_TMPFILE) answers EOPNOTSUPP, as on file systems without them.
class NoUnnamedFiles {
public:
    NoUnnamedFiles();
    ~NoUnnamedFiles();
    NoUnnamedFiles(const NoUnnamedFiles&) = delete;
    NoUnnamedFiles& operator=(const NoUnnamedFiles&) = delete;
};

// Whether the folder's file system makes unnamed files at all.
bool FolderTakesUnnamedFiles(const std::string& folder);

// The file a writer's error text names as keeping the old content of a file it could not
// overwrite in place nor put back ('...; its old content is kept in "<path>"'); empty when it
// names none.
inline std::string KeptOldContentNamedIn(const std::string& text) {
    const std::string lead = "; its old content is kept in \"";
    const std::size_t start = text.find(lead);
    if (start == std::string::npos || text.back() != '"') return std::string();
    return text.substr(start + lead.size(), text.size() - 1 - start - lead.size());
}

#endif
