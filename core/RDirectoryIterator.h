#ifndef WYX_CORE_RDIRECTORYITERATOR_H
#define WYX_CORE_RDIRECTORYITERATOR_H

// Lists the entries of a folder by UTF-8 name, and removes folders of files.
//
// Entries come in the file system's order, which is arbitrary, and include "." and "..".

#include "platform/RDirectorySearch.h"

class RDirectoryIterator {
public:
    RDirectoryIterator() = default;
    // Closes a search that is still held.
    ~RDirectoryIterator() = default;
    RDirectoryIterator(const RDirectoryIterator&) = delete;
    RDirectoryIterator& operator=(const RDirectoryIterator&) = delete;

    // Lists folder: "/*.*" is appended unless it already holds '*', and the path is
    // normalised. Positions on the first entry; false when there is none or the folder cannot
    // be listed. A null or empty folder is refused.
    bool Open(const char* folder);
    // Moves to the next entry; false at the end.
    bool Next();
    void Close();
    // Creates the (normalised) folder, then opens it.
    bool CreateAndOpen(const char* folder);

    // The current entry's name, empty when there is none.
    const char* EntryName() const;
    // The text after the last '.' of the entry's name; empty when it has no '.'.
    const char* EntryExtension() const;

    // Removes every file of folder (folders inside stay), then the folder itself. True when
    // the folder was removed, or when it does not exist. "." and ".." are passed over by
    // name. A null or empty folder is refused.
    static bool DeleteDirectory(const char* folder);
    // True when folder holds nothing but "." and "..", or cannot be listed.
    static bool IsDirectoryEmpty(const char* folder);

private:
    RDirectorySearch search_;
    bool valid_ = false;
};

#endif
