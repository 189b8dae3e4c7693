#ifndef WYX_CORE_RPLUGHANDLETABLE_H
#define WYX_CORE_RPLUGHANDLETABLE_H

// The process-wide table of plug handles.
//
// A live plug owns one cell of the table from the first time it is referred to (most plugs,
// the properties of an object, never are); a weak reference to a plug is the pair
// {cell, serial} and resolves to the plug only while the cell still holds that serial
// (RPlugRef). Cells come in blocks of 1024 and are recycled through a free list. The
// blocks live for the whole process, so a stale reference always reads a live cell and
// resolves to nothing, never to freed memory.

#include "core/RDynamicArray.h"
#include "platform/RCriticalSection.h"

#include <cstdint>

class RPlug;

// One cell: the serial of the plug that holds it and the plug, or, while free, the free
// marker and the next free cell.
struct RPlugHandleCell {
    std::uint64_t serial;
    union {
        RPlug* plug;
        RPlugHandleCell* nextFree;
    };
};

class RPlugHandleTable {
public:
    static constexpr int kCellsPerBlock = 1024;
    // Marks a free cell. Serials never take this value.
    static constexpr std::uint64_t kFreeMarker = 0x5A5A5A5A5A5A5A5AULL;

    RPlugHandleTable();
    RPlugHandleTable(const RPlugHandleTable&) = delete;
    RPlugHandleTable& operator=(const RPlugHandleTable&) = delete;

    // Counts a plug made and one ended: the live plugs count as one user of the table. Inline:
    // every plug passes here twice.
    void AddPlug() {
        if (livePlugs_ == 0) AddUser();
        ++livePlugs_;
    }
    void RemovePlug() {
        if (--livePlugs_ == 0) RemoveUser();
    }
    // Takes a cell for a plug with a new serial; null when no memory can be had.
    RPlugHandleCell* TakeCell(RPlug* plug);
    // Gives the plug's cell back; a cell that does not hold this plug is left alone.
    void ReleaseCell(RPlugHandleCell* cell, const RPlug* plug);

    int GetBlockCount() const { return blocks_.GetCount(); }
    std::uint64_t GetLastSerial() const { return lastSerial_; }
    int GetLivePlugCount() const { return livePlugs_; }
    int GetUserCount() const { return users_; }

    void AddUser() { ++users_; }
    void RemoveUser();

private:
    bool AddBlock();
    std::uint64_t NextSerial();

    RCriticalSection lock_;
    RDynamicArray blocks_;  // block pointers
    RPlugHandleCell* freeHead_ = nullptr;
    std::uint64_t lastSerial_ = 0;
    int livePlugs_ = 0;
    int users_ = 0;
};

// The table, created on first use; it lives for the whole process.
RPlugHandleTable& GetHandleTable();

// The table's use count: the plug population counts as one user while a plug lives, the
// class registry as another.
void HandleTableAddUser();
void HandleTableRemoveUser();

#endif
