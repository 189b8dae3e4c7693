#ifndef WYX_CORE_RLAZYSORTEDPAIRS_H
#define WYX_CORE_RLAZYSORTEDPAIRS_H

// The storage shared by the key/value maps: trivially copyable pairs in a block-grown
// array, appended unsorted and sorted only when a lookup or a positional access needs
// key order. The stable sort keeps pairs with equal keys in the order they were added,
// so a lookup of a duplicated key finds the first one added. The sort knows how many
// leading pairs are in order already and sorts only the pairs added after them, then merges
// the two runs: adds alternating with lookups cost a merge each, not a whole sort, and a
// map filled in any order costs one sort.

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
        const int count = GetCount();
        const int index = pairs_.Append(&pair);
        if (index >= 0 && !unsorted_) {
            sortedPrefix_ = count;
            unsorted_ = true;
        }
        return index;
    }

    // Appends the pair; the pairs stay sorted when it is not less than the last one (`less`
    // as for SortIfNeeded), where the sort would leave it. Answers the index, or -1 when the
    // storage cannot grow.
    template <typename Less>
    int Add(const Pair& pair, Less less) {
        const int count = GetCount();
        if (unsorted_ || (count > 0 && less(pair, At(count - 1)))) {
            return Append(pair);
        }
        return pairs_.Append(&pair);
    }

    // The order of every pair is unknown (a key was changed in place).
    void MarkUnsorted() {
        sortedPrefix_ = 0;
        unsorted_ = true;
    }

    // Sorts by `less(pair, pair)` when marked, then clears the mark: the pairs added since
    // the pairs were last in order are sorted and merged behind those before them (a merge
    // keeps the earlier of equal keys first, as a stable sort of all would).
    template <typename Less>
    void SortIfNeeded(Less less) const {
        if (unsorted_) {
            Pair* first = pairs_.DataAs<Pair>();
            Pair* middle = first + sortedPrefix_;
            Pair* last = first + GetCount();
            std::stable_sort(middle, last, less);
            std::inplace_merge(first, middle, last, less);
            sortedPrefix_ = 0;
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

    void RemoveAt(int index) {
        pairs_.RemoveAt(index);
        if (index < sortedPrefix_) {
            --sortedPrefix_;
        }
    }

    void Clear() {
        pairs_.Clear();
        sortedPrefix_ = 0;
        unsorted_ = false;
    }

private:
    const Pair* Begin() const { return pairs_.DataAs<Pair>(); }

    mutable RDynamicArray pairs_;  // sorting reorders it inside const lookups
    mutable bool unsorted_ = false;
    // While unsorted: how many leading pairs are in order.
    mutable int sortedPrefix_ = 0;
};

#endif
