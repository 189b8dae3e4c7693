#ifndef WYX_SCENE_RFACTORYOBJECTLIST_H
#define WYX_SCENE_RFACTORYOBJECTLIST_H

// One of the object factory's per-kind lists: a block-grown array of object pointers (16 per
// block). New objects are appended; a removed one leaves no gap (later entries move down), so
// the list keeps the order in which its objects were made. The list owns nothing: the
// factory destroys the objects.

#include "core/RDynamicArray.h"

#include <algorithm>
#include <functional>
#include <vector>

template <typename T>
class RFactoryObjectList {
public:
    RFactoryObjectList() : pointers_(16, static_cast<int>(sizeof(T*))) {}
    RFactoryObjectList(const RFactoryObjectList&) = delete;
    RFactoryObjectList& operator=(const RFactoryObjectList&) = delete;

    int GetCount() const { return pointers_.GetCount(); }
    // Null out of range.
    T* At(int index) const { return index >= 0 && index < GetCount() ? pointers_.At<T*>(index) : nullptr; }

    // False when the storage cannot grow (nothing recorded then). A full list doubles its
    // blocks rather than adding one, so that recording stays amortised constant in long
    // sessions (a list of 100,000 nodes would otherwise be copied thousands of times).
    bool Append(T* object) {
        const int count = GetCount();
        if (count > 0 && count == pointers_.GetCapacity()) {
            if (pointers_.AppendZeroed(count) < 0) return false;
            pointers_.SetCount(count);
        }
        return pointers_.Append(&object) >= 0;
    }

    // Searched from the newest entry back; -1 when absent.
    int IndexOf(const T* object) const {
        for (int i = GetCount() - 1; i >= 0; --i) {
            if (pointers_.At<T*>(i) == object) return i;
        }
        return -1;
    }

    void RemoveAt(int index) { pointers_.RemoveAt(index); }

    // Removes the entry of the object; false when it is not recorded.
    bool Remove(const T* object) {
        const int index = IndexOf(object);
        if (index < 0) return false;
        RemoveAt(index);
        return true;
    }

    // Removes every entry whose object is in `sorted` (ordered by std::less), in one pass.
    // A sorted array rather than a hash set: a whole subtree leaves at once, and a set would
    // take a heap block per object.
    void RemoveAll(const std::vector<const T*>& sorted) {
        int kept = 0;
        for (int i = 0; i < GetCount(); ++i) {
            T* object = pointers_.At<T*>(i);
            if (!std::binary_search(sorted.begin(), sorted.end(), object, std::less<const T*>())) {
                pointers_.At<T*>(kept++) = object;
            }
        }
        pointers_.SetCount(kept);
    }

    // Moves the entries whose objects are in `last` to the end of the list, in the order of
    // `last`; the other entries keep theirs. Objects of `last` the list does not hold are
    // left out, and each object moves once.
    void MoveToEnd(const std::vector<const T*>& last) {
        std::vector<const T*> sorted(last);
        std::sort(sorted.begin(), sorted.end(), std::less<const T*>());
        std::vector<bool> held(sorted.size(), false);
        int kept = 0;
        for (int i = 0; i < GetCount(); ++i) {
            T* object = pointers_.At<T*>(i);
            const auto at = std::lower_bound(sorted.begin(), sorted.end(), object, std::less<const T*>());
            if (at != sorted.end() && *at == object) {
                held[static_cast<size_t>(at - sorted.begin())] = true;
            } else {
                pointers_.At<T*>(kept++) = object;
            }
        }
        for (const T* object : last) {
            const auto at = std::lower_bound(sorted.begin(), sorted.end(), object, std::less<const T*>());
            auto place = held.begin() + (at - sorted.begin());
            if (*place) {
                *place = false;
                pointers_.At<T*>(kept++) = const_cast<T*>(object);
            }
        }
    }

    // Takes the entries out, oldest first; the list is empty afterwards.
    void TakeAll(const std::function<void(T*)>& destroy) {
        RDynamicArray taken(16, static_cast<int>(sizeof(T*)));
        std::swap(taken, pointers_);
        for (int i = 0; i < taken.GetCount(); ++i) destroy(taken.At<T*>(i));
    }

private:
    RDynamicArray pointers_;
};

#endif
