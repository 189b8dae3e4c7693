#ifndef WYX_CORE_RVECTOR4ARRAY_H
#define WYX_CORE_RVECTOR4ARRAY_H

// A block-grown array of RVector4 values, stored in an RDynamicArray.

#include "core/RDynamicArray.h"
#include "core/RVector4.h"

class RVector4Array {
public:
    static constexpr int kDefaultBlockSize = 16;

    explicit RVector4Array(int blockSize = kDefaultBlockSize);
    RVector4Array(RVector4Array&& other) noexcept = default;
    RVector4Array& operator=(RVector4Array&& other) noexcept = default;
    RVector4Array(const RVector4Array&) = delete;
    RVector4Array& operator=(const RVector4Array&) = delete;

    // Inserts a copy at index, clamped to the count; answers the index used, or -1
    // (array unchanged) for a negative index or when the storage cannot grow. The vector
    // may be an element of this array.
    int InsertAt(const RVector4& vector, int index);
    int Add(const RVector4& vector) { return InsertAt(vector, GetCount()); }

    // The element at index; null outside 0 to count - 1.
    RVector4* GetAt(int index);
    const RVector4* GetAt(int index) const;
    // Copies the element at index into out; false, out untouched, outside the range.
    bool CopyAt(int index, RVector4& out) const;

    // Copy the element into out, then remove it; false, nothing changed, when there is
    // no such element.
    bool RemoveAt(int index, RVector4& out);
    bool RemoveLast(RVector4& out) { return RemoveAt(GetCount() - 1, out); }

    // Clears, takes the other's block size and appends each of its elements. False when
    // the storage cannot grow (this array is then empty).
    bool Assign(const RVector4Array& other);

    void Clear() { array_.Clear(); }
    int GetCount() const { return array_.GetCount(); }
    int GetBlockSize() const { return array_.GetBlockSize(); }

private:
    bool IsIndex(int index) const { return index >= 0 && index < GetCount(); }

    RDynamicArray array_;
};

#endif
