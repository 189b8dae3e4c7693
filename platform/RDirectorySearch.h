#ifndef WYX_PLATFORM_RDIRECTORYSEARCH_H
#define WYX_PLATFORM_RDIRECTORYSEARCH_H

// A search of one folder's entries, in the manner of a Windows find-first/find-next search.
//
// The search is given a pattern: a folder, a separator, then a name that may hold the
// wildcards '*' and '?' (letters match in either case). "*" and "*.*" match every entry.
// The entries "." and ".." are listed like any other, in the order the file system gives,
// which is arbitrary.

#include <string>

class RDirectorySearch {
public:
    RDirectorySearch() = default;
    ~RDirectorySearch();
    RDirectorySearch(const RDirectorySearch&) = delete;
    RDirectorySearch& operator=(const RDirectorySearch&) = delete;

    // Starts a search (ending one still held) and moves to the first matching entry; false
    // when the folder cannot be listed or nothing matches. The pattern is an SDK path.
    bool Open(const char* pattern);
    // Moves to the next matching entry; false at the end.
    bool Next();
    void Close();

    bool IsOpen() const { return folder_ != nullptr; }
    // The current entry's name; empty when there is none.
    const char* EntryName() const { return entryName_.c_str(); }

private:
    bool Matches(const char* name) const;

    void* folder_ = nullptr;  // the open DIR stream
    std::string pattern_;
    std::string entryName_;
};

#endif
