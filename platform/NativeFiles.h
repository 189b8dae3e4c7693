#ifndef WYX_PLATFORM_NATIVEFILES_H
#define WYX_PLATFORM_NATIVEFILES_H

// Files and folders of the operating system.
//
// Every path given to these functions is an SDK path: UTF-8 bytes in which both '/' and '\'
// separate components. It is turned into the operating system's form here, at the call,
// and nowhere else. Paths answered by these functions are in the operating system's form,
// which the SDK's path functions accept as they are.

#include <cstdio>
#include <string>

struct stat;

namespace platform {

// The operating system's form of an SDK path: every '\' becomes '/'. A rooted SDK path such
// as "\home\x" thus names "/home/x". Null gives the empty text.
std::string ToNativePath(const char* path);

// Opens a file with a C runtime mode ("r", "wb", "at+", "wx", ...). The text flag 't' is dropped
// (there is no text translation here) and the descriptor is not inherited by child processes.
// A folder is never opened as a file, and a file opened only for reading must be a regular
// file (a device, pipe or socket is refused with EINVAL, without waiting for a pipe's writer):
// paths come from the content of files, and such a file would block a read or never end it.
// Null when either argument is null or the open fails.
std::FILE* OpenFile(const char* path, const char* mode);

// Whether an open descriptor is a regular file (info takes what fstat gives). Anything else is
// closed, errno saying why: EISDIR for a folder, EINVAL for a device, pipe or socket (which
// would block a read or never end it, and is no file to replace), or the reason fstat failed.
bool KeepOnlyRegularFile(int descriptor, struct ::stat& info);

// Removes a file (never a folder); true when it was removed.
bool RemoveFile(const char* path);

// Renames from over to, replacing an existing file atomically; true on success.
bool RenameFile(const char* from, const char* to);

// Creates one folder level; true when it was created.
bool MakeDirectory(const char* path);

// Removes an empty folder; true when it was removed.
bool RemoveDirectory(const char* path);

bool IsDirectory(const char* path);
bool PathExists(const char* path);
// True when the path exists, carries a write permission bit and this process may write it
// (the bit check keeps a read-only folder read-only for a process running as root).
bool IsWritablePath(const char* path);
// The system's folder for temporary files: $TMPDIR when it names a folder, else /tmp.
std::string SystemTempFolder();

// Sets the size of an open file after flushing it: 0 on success, -1 on failure.
int TruncateFile(std::FILE* file, long long size);

// Flushes an open file's buffers and waits until its bytes reached the storage device;
// true when both succeeded.
bool SyncFile(std::FILE* file);

// The current working folder; empty when it cannot be read.
std::string CurrentDirectory();

// The absolute form of a path, made without consulting the file system: a relative path is
// joined to the current folder, then "." and ".." components and repeated separators are
// resolved (".." at the top stays at the top). Null or empty gives the current folder.
std::string FullPath(const char* path);

// Creates a new, empty file with a unique name in folder (the system's temporary folder when
// folder is null, empty or not a folder) whose name begins with prefix and ends with suffix
// (such as an extension; null or empty: none). The name is taken by the creation itself, so
// no other process can claim it first. The file is left closed and private to the user.
// Empty when it cannot be created.
std::string CreateTempFile(const char* folder, const char* prefix, const char* suffix = nullptr);

// Creates a new, empty folder with a unique name, as CreateTempFile does for files.
std::string CreateTempFolder(const char* folder, const char* prefix);

// Puts a finished temporary file (made by CreateTempFile beside target) in place of target
// as RFileReplacement::Commit does: links followed, a target this process may not write
// refused, permissions and owner kept (a new target gets those of any new file), file and
// folder synced. On failure the temporary file is removed and target is left as it was.
// New code writes through an RFileReplacement, which never reopens the file by name.
bool CommitTempFile(const char* tempPath, const char* targetPath);

// Compares two file names as this file system does: byte for byte, case counting.
// Answers <0, 0 or >0.
int CompareFileNames(const char* left, const char* right);

}  // namespace platform

#endif
