#ifndef WYX_CORE_RINTMAP_H
#define WYX_CORE_RINTMAP_H

// Pairs of a pointer-sized unsigned key (often an object's address) and a pointer-sized
// value, kept in insertion order until a lookup needs them sorted by key. Duplicate keys
// are accepted; a lookup finds the first one added.

#include "core/RLazySortedPairs.h"

#include <cstdint>

class RIntMap {
public:
    struct Pair {
        std::uintptr_t key;
        std::intptr_t value;
    };

    explicit RIntMap(int blockSize);

    // Adds the pair (in key order after its equal keys when the map is sorted, else
    // appended and the map marked unsorted). Answers 0, or -1 (map unchanged)
    // when the storage cannot grow.
    int Add(std::uintptr_t key, std::intptr_t value);

    // The value of the key and its position in key order; 0 and position -1 when absent.
    std::intptr_t Lookup(std::uintptr_t key, int* outIndex = nullptr) const;

    // The value at a position in key order, and its key; 0 (key 0) when the index is
    // outside 0 to count - 1.
    std::intptr_t ValueAt(int index, std::uintptr_t* outKey = nullptr) const;

    void SortIfNeeded() const;
    void Clear();
    int GetCount() const { return pairs_.GetCount(); }

private:
    RLazySortedPairs<Pair> pairs_;
};

#endif
