#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKRECORD_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKRECORD_H

// The first step of every init function of the toolkit: a record pointer that is null gets a
// new record; an existing record is kept for the caller to reset.

#include "formats/3ds/toolkit/FtkErrors.h"

#include <memory>
#include <new>

// False (and ERR_NO_MEM) when a new record cannot be had.
template <typename Record>
bool FtkAllocateRecord(std::unique_ptr<Record>& record) {
    if (record == nullptr) {
        record.reset(new (std::nothrow) Record);
        if (record == nullptr) {
            FtkSetError(ERR_NO_MEM);
            return false;
        }
    }
    return true;
}

// Allocates when null and resets the record to its defaults.
template <typename Record>
bool FtkResetRecord(std::unique_ptr<Record>& record) {
    if (!FtkAllocateRecord(record)) {
        return false;
    }
    *record = Record();
    return true;
}

#endif
