#include "fileio/RWyxFormatTable.h"

#include "core/RString.h"

RWyxFormatTable::RWyxFormatTable(const RWyxFormatRow* rows, int count)
    : rows_(rows), count_(rows != nullptr && count > 0 ? count : 0) {}

const RWyxFormatRow* RWyxFormatTable::GetRow(int index) const {
    return index >= 0 && index < count_ ? &rows_[index] : nullptr;
}

const RWyxFormatRow* RWyxFormatTable::FindByExtension(const char* extension) const {
    if (extension == nullptr || *extension == '\0') {
        return nullptr;
    }
    const RString wanted(extension);
    for (int i = 0; i < count_; ++i) {
        if (rows_[i].extension != nullptr && wanted.CompareIgnoringCase(rows_[i].extension) == 0) {
            return &rows_[i];
        }
    }
    return nullptr;
}

const RWyxFormatRow* RWyxFormatTable::FindImportId(int id, int& form) const {
    return FindId(id, form, &RWyxFormatRow::firstImportId, &RWyxFormatRow::importIdCount);
}

const RWyxFormatRow* RWyxFormatTable::FindExportId(int id, int& form) const {
    return FindId(id, form, &RWyxFormatRow::firstExportId, &RWyxFormatRow::exportIdCount);
}

const RWyxFormatRow* RWyxFormatTable::FindId(int id, int& form, int RWyxFormatRow::*first,
                                             int RWyxFormatRow::*count) const {
    for (int i = 0; i < count_; ++i) {
        const RWyxFormatRow& row = rows_[i];
        if (row.*count > 0 && id >= row.*first && id - row.*first < row.*count) {
            form = id - row.*first;
            return &row;
        }
    }
    return nullptr;
}
