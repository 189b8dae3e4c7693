#include "core/RPlugHandleTable.h"

#include "core/RNoDestructor.h"

#include <cstdlib>

RPlugHandleTable::RPlugHandleTable() : blocks_(16, sizeof(RPlugHandleCell*)) {}

RPlugHandleTable& GetHandleTable() {
    static RNoDestructor<RPlugHandleTable> table;
    return table.Get();
}

void HandleTableAddUser() { GetHandleTable().AddUser(); }

void HandleTableRemoveUser() { GetHandleTable().RemoveUser(); }

void RPlugHandleTable::RemoveUser() {
    if (users_ > 0) --users_;
}

std::uint64_t RPlugHandleTable::NextSerial() {
    if (++lastSerial_ == kFreeMarker) ++lastSerial_;
    return lastSerial_;
}

// Chains a new block's cells into the free list, in address order, in front of the
// current free list.
bool RPlugHandleTable::AddBlock() {
    auto* block = static_cast<RPlugHandleCell*>(std::calloc(kCellsPerBlock, sizeof(RPlugHandleCell)));
    if (block == nullptr) return false;
    if (blocks_.Append(&block) < 0) {
        std::free(block);
        return false;
    }
    for (int i = 0; i < kCellsPerBlock; ++i) {
        block[i].serial = kFreeMarker;
        block[i].nextFree = i + 1 < kCellsPerBlock ? &block[i + 1] : freeHead_;
    }
    freeHead_ = block;
    return true;
}

RPlugHandleCell* RPlugHandleTable::TakeCell(RPlug* plug) {
    const std::uint64_t serial = NextSerial();

    RCriticalSectionGuard guard(lock_);
    if (freeHead_ == nullptr && !AddBlock()) return nullptr;
    RPlugHandleCell* cell = freeHead_;
    freeHead_ = cell->nextFree;
    cell->serial = serial;
    cell->plug = plug;
    return cell;
}

void RPlugHandleTable::ReleaseCell(RPlugHandleCell* cell, const RPlug* plug) {
    RCriticalSectionGuard guard(lock_);
    if (cell != nullptr && cell->serial != kFreeMarker && cell->plug == plug) {
        cell->serial = kFreeMarker;
        cell->nextFree = freeHead_;
        freeHead_ = cell;
    }
}
