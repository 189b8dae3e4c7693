#ifndef WYX_CORE_ROWNEDPOINTERARRAY_H
#define WYX_CORE_ROWNEDPOINTERARRAY_H

// A block-grown array of pointers to items it owns: removing an item or clearing the
// array deletes the items. Used by the lists whose items are heap records.

#include "core/RDynamicArray.h"

#include <memory>
#include <new>
#include <utility>

// A new T, or null when memory cannot be had (no exception escapes).
template <typename T, typename... Args>
std::unique_ptr<T> MakeOwned(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T{std::forward<Args>(args)...});
}

template <typename T>
class ROwnedPointerArray {
public:
    explicit ROwnedPointerArray(int blockSize) : pointers_(blockSize, static_cast<int>(sizeof(T*))) {}
    ~ROwnedPointerArray() { Clear(); }
    ROwnedPointerArray(const ROwnedPointerArray&) = delete;
    ROwnedPointerArray& operator=(const ROwnedPointerArray&) = delete;

    int GetCount() const { return pointers_.GetCount(); }

    // The item at index; null out of range.
    T* At(int index) const {
        return (index >= 0 && index < GetCount()) ? pointers_.At<T*>(index) : nullptr;
    }

    // Takes the item in at index (clamped to the count). Answers the index used, or -1
    // for a null item or when the storage cannot grow; the item is then deleted.
    int InsertAt(int index, std::unique_ptr<T> item) {
        if (!item) {
            return -1;
        }
        T* raw = item.get();
        const int used = pointers_.InsertAt(index, &raw);
        if (used >= 0) {
            item.release();
        }
        return used;
    }
    int Append(std::unique_ptr<T> item) { return InsertAt(GetCount(), std::move(item)); }

    // Deletes the item at index and closes the gap; false out of range.
    bool RemoveAt(int index) {
        std::unique_ptr<T> doomed(At(index));
        if (!doomed) {
            return false;
        }
        pointers_.RemoveAt(index);
        return true;
    }

    // Deletes every item, the last first.
    void Clear() {
        while (GetCount() > 0) {
            RemoveAt(GetCount() - 1);
        }
        pointers_.Clear();
    }

private:
    RDynamicArray pointers_;
};

#endif
