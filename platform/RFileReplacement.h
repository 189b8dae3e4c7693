#ifndef WYX_PLATFORM_RFILEREPLACEMENT_H
#define WYX_PLATFORM_RFILEREPLACEMENT_H

// Writes a file as a plain write would, but puts the new content in place only once it is
// complete: the content goes to a new temporary file beside the file, and Commit replaces
// the file with it. Until Commit the file is untouched, and Abandon (or destruction) drops
// the temporary file.
//
// The temporary file has no name while it is written (O_TMPFILE) where the file system
// allows it, so that a process killed before Commit leaves nothing behind; Commit gives it
// a name beside the file (linked in through /proc/self/fd) just before it renames it over
// the file. Where unnamed files are refused (file systems without O_TMPFILE, such as NFS,
// CIFS, FAT or overlay and FUSE mounts of older kernels, or without /proc), it is created
// with a name (prefix and a unique ending), which a killed process leaves behind.
//
// What a plain write would do is kept: a symbolic link is followed and the file it names is
// replaced (the link stays a link); a file this process may not open for writing, or that is
// not a regular file, is refused at Begin; the replaced file keeps its permissions and, where
// the process may set them, its owner and group; a new file gets the permissions any newly
// created file gets. A file with more than one hard link is overwritten in place at Commit,
// so that every link sees the new content, as after a plain write. That copy is the one step
// that is not atomic, so the old content is first copied to a second temporary file beside
// the file (named prefix, "old-" and a unique ending, synced) and space for the new content
// is reserved: when the overwrite fails part way the old content is copied back and the
// copy removed; when even that fails, the copy stays where KeptOldContent says.
//
// The temporary file is worked on through the descriptor it was created with, never
// reopened by name; the process's umask is read, never changed. Commit syncs the file
// before the rename and the folder after it.

#include <cstdio>
#include <string>
#include <sys/types.h>

namespace platform {

class RFileReplacement {
public:
    RFileReplacement() = default;
    // Abandons a replacement that was not committed.
    ~RFileReplacement();
    RFileReplacement(const RFileReplacement&) = delete;
    RFileReplacement& operator=(const RFileReplacement&) = delete;

    // Starts replacing path (an SDK path): follows its symbolic links, checks that the file
    // may be written, and creates the temporary file in the folder of the file the links
    // lead to (unnamed where allowed, else named prefix and a unique ending). A replacement
    // still active is abandoned first. False, nothing created, when the file cannot be
    // written; errno is then left at FailureCode().
    bool Begin(const char* path, const char* prefix = ".wyx-");
    // For callers that made the temporary file themselves (by name, with CreateTempFile):
    // as Begin, but takes tempPath over instead of creating a file.
    bool Adopt(const char* tempPath, const char* path);

    // The temporary file, open for reading and writing; null while no replacement is
    // active. It stays owned here: the caller neither closes it nor changes its buffering
    // after the first write.
    std::FILE* File() const { return file_; }
    bool IsActive() const { return file_ != nullptr; }
    // The file that Commit replaces, links followed (operating system form).
    const std::string& TargetPath() const { return target_; }

    // Puts the written content in place. False when any step failed; the file then holds
    // its old content (unless KeptOldContent names where it went) and the temporary file
    // is gone. The one exception is the sync of the folder after the rename: when it fails,
    // the file already holds the new content, which a crash may still undo.
    bool Commit();
    // Drops the temporary file; the file is left as it was.
    void Abandon();

    // The errno of the step that failed the last Begin or Commit (for a path that is no
    // regular file EISDIR or EINVAL, for too many links ELOOP); 0 when it did not fail.
    // Reset by Begin and Adopt.
    int FailureCode() const { return failureCode_; }
    // After a failed in-place Commit that could not put the old content back: the file
    // beside the target that holds it (operating system form). Empty otherwise.
    const std::string& KeptOldContent() const { return keptOldContent_; }

private:
    bool Prepare(const char* path);
    bool CreateTemporary(const char* prefix);
    bool CommitByRename();
    bool CommitInPlace();
    bool LinkUnnamedTemporary(int descriptor);
    bool SaveOldContent(off_t size, std::string& copyPath, int& copy);
    void RestoreOldContent(const std::string& copyPath, int copy, off_t size);
    void Reset();

    std::FILE* file_ = nullptr;
    std::string tempPath_;  // empty while the temporary file has no name
    std::string target_;
    std::string prefix_;
    int inPlaceTarget_ = -1;  // the target opened for writing, when it has several links
    bool targetExists_ = false;
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
    int failureCode_ = 0;
    std::string keptOldContent_;
};

}  // namespace platform

#endif
