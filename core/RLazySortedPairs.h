#ifndef WYX_CORE_RLAZYSORTEDPAIRS_H
#define WYX_CORE_RLAZYSORTEDPAIRS_H

// The storage shared by the key/value maps: trivially copyable pairs in a block-grown
// array, appended unsorted and sorted only when a lookup or a positional access needs
// key order. The stable sort keeps pairs with equal keys in the order they were added,
// so a lookup of a duplicated key finds the first one added. A pair added while the
// pairs are sorted goes straight to its place (after its equal keys, where the sort would
// put it), so adds alternating with lookups do not sort the whole array each time.

#include "core/RDynamicArray.h"

#include <algorithm>
#include <type_traits>

template <typename Pair>
class RLazySortedPairs {
    static_assert(std::is_trivially_copyable<Pair>::value, "pairs are moved as raw bytes");

public:
    explicit RLazySortedPairs(int blockSize) : pairs_(blockSize, static_cast<int>(sizeof(Pair))) {}

    int GetCount() const { return pairs_.GetCount(); }
    int GetBlockSize() const { return pairs_.GetBlockSize(); }

    // Appends and marks the pairs unsorted; answers the index, or -1 when the storage
    // cannot grow.
    int Append(const Pair& pair) {
        const int index = pairs_.Append(&pair);
        if (index >= 0) {
            unsorted_ = true;
        }
        return index;
    }

    // While sorted, inserts the pair after every pair not greater than it (`less` as for
    // SortIfNeeded); otherwise appends and marks unsorted. Answers the index, or -1 when
    // the storage cannot grow.
    template <typename Less>
    int Add(const Pair& pair, Less less) {
        if (unsorted_) {
            return Append(pair);
        }
        const Pair* first = Begin();
        const Pair* place = std::upper_bound(first, first + GetCount(), pair, less);
        return pairs_.InsertAt(static_cast<int>(place - first), &pair);
    }

    void MarkUnsorted() { unsorted_ = true; }

    // Sorts by `less(pair, pair)` when marked, then clears the mark.
    template <typename Less>
    void SortIfNeeded(Less less) const {
        if (unsorted_) {
            Pair* first = pairs_.DataAs<Pair>();
            std::stable_sort(first, first + GetCount(), less);
            unsorted_ = false;
        }
    }

    // The position of the first pair whose key compares equal to the given key, or -1.
    // `compare(pair, key)` answers <0, 0 or >0; the pairs must be sorted by it.
    template <typename Key, typename Compare>
    int Find(const Key& key, Compare compare) const {
        const Pair* first = Begin();
        const Pair* last = first + GetCount();
        const Pair* found = std::lower_bound(
            first, last, key, [&](const Pair& pair, const Key& k) { return compare(pair, k) < 0; });
        return (found != last && compare(*found, key) == 0) ? static_cast<int>(found - first) : -1;
    }

    bool IsValidIndex(int index) const { return index >= 0 && index < GetCount(); }

    // The pair at index, without a range check.
    Pair& At(int index) { return pairs_.At<Pair>(index); }
    const Pair& At(int index) const { return pairs_.At<Pair>(index); }

    void RemoveAt(int index) { pairs_.RemoveAt(index); }

    void Clear() {
        pairs_.Clear();
        unsorted_ = false;
    }

private:
    const Pair* Begin() const { return pairs_.DataAs<Pair>(); }

    mutable RDynamicArray pairs_;  // sorting reorders it inside const lookups
    mutable bool unsorted_ = false;
};

#endif
