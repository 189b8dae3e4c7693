#include "core/RVector4Array.h"

RVector4Array::RVector4Array(int blockSize) : array_(blockSize, sizeof(RVector4)) {}

int RVector4Array::InsertAt(const RVector4& vector, int index) {
    // Growing may move the storage the vector lives in: insert a copy.
    const RVector4 copy = vector;
    return array_.InsertAt(index, &copy);
}

RVector4* RVector4Array::GetAt(int index) {
    return IsIndex(index) ? &array_.At<RVector4>(index) : nullptr;
}

const RVector4* RVector4Array::GetAt(int index) const {
    return IsIndex(index) ? &array_.At<RVector4>(index) : nullptr;
}

bool RVector4Array::CopyAt(int index, RVector4& out) const {
    if (!IsIndex(index)) {
        return false;
    }
    out = array_.At<RVector4>(index);
    return true;
}

bool RVector4Array::RemoveAt(int index, RVector4& out) {
    if (!CopyAt(index, out)) {
        return false;
    }
    array_.RemoveAt(index);
    return true;
}

bool RVector4Array::Assign(const RVector4Array& other) {
    if (&other == this) {
        return true;
    }
    array_ = RDynamicArray(other.GetBlockSize(), sizeof(RVector4));
    for (int index = 0; index < other.GetCount(); ++index) {
        if (Add(other.array_.At<RVector4>(index)) < 0) {
            Clear();
            return false;
        }
    }
    return true;
}
