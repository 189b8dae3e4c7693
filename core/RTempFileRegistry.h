#ifndef WYX_CORE_RTEMPFILEREGISTRY_H
#define WYX_CORE_RTEMPFILEREGISTRY_H

// The record of temporary files, such as the media the file framework extracts from WYX
// files, each with a flag telling whether it is to be deleted.
//
// The process-wide registry (Instance) is made on first use and destroyed when the program
// ends. Every registry listens to the event hub and clears itself when the hub carries code
// 15; it clears itself again when destroyed. While the keep-files flag is set (as it is from
// construction) clearing only forgets the entries; otherwise each entry marked for deletion
// has its file removed, and its folder too when that is then empty.

#include "core/REventHandlerList.h"
#include "core/ROwnedPointerArray.h"
#include "core/RString.h"

class RTempFileRegistry {
public:
    static constexpr int kInterfaceId = 2;

    RTempFileRegistry();
    ~RTempFileRegistry();
    RTempFileRegistry(const RTempFileRegistry&) = delete;
    RTempFileRegistry& operator=(const RTempFileRegistry&) = delete;

    // The process-wide registry; null only when memory cannot be had.
    static RTempFileRegistry* Instance();

    // Records a path; nothing is added when an equal path is recorded already. False for a
    // null path or when memory cannot be had.
    bool Add(const char* path, bool deleteFile);
    void Clear();

    int GetCount() const { return entries_.GetCount(); }
    // The path of entry index; null out of range.
    const char* GetPath(int index) const;
    bool IsMarkedForDeletion(int index) const;

    void SetKeepFiles(bool keep) { keepFiles_ = keep; }
    bool GetKeepFiles() const { return keepFiles_; }

    // The registry itself for id 2; null for any other id.
    void* QueryInterface(int interfaceId);

private:
    struct Entry {
        RString path;
        bool deleteFile = false;
    };

    static void OnHubEvent(void* object, int eventType, REventRecord& record, void* userData);
    static void Dispose(const Entry& entry);

    ROwnedPointerArray<Entry> entries_;
    bool keepFiles_ = true;
};

#endif
