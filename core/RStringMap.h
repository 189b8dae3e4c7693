#ifndef WYX_CORE_RSTRINGMAP_H
#define WYX_CORE_RSTRINGMAP_H

// Pairs of a text key (the map keeps its own heap copy) and a pointer-sized value, kept in
// insertion order until a lookup needs them sorted by key. Keys compare without regard to
// ASCII letter case unless the map is made case-sensitive, then as unsigned bytes; the
// case-insensitive order folds letters to lower case, as the C runtime's _stricmp does,
// independently of the process locale. Duplicate keys are accepted; a lookup finds the
// first one added.

#include "core/RLazySortedPairs.h"

#include <cstdint>

class RStringMap {
public:
    explicit RStringMap(int blockSize);
    ~RStringMap();
    RStringMap(const RStringMap&) = delete;
    RStringMap& operator=(const RStringMap&) = delete;

    // Adds the pair with a copy of the key (in key order after its equal keys when the map
    // is sorted, else appended and the map marked unsorted). Answers the new
    // count, or -1 (map unchanged) for a null key or when memory cannot be had.
    int Add(const char* key, std::intptr_t value);

    // The value of the key and its position in key order; 0 (null) and position -1 when
    // absent or for a null key.
    std::intptr_t Lookup(const char* key, int* outIndex = nullptr) const;

    // The value at a position in key order, and its key; 0 (key null) when the index is
    // outside 0 to count - 1.
    std::intptr_t ValueAt(int index, const char** outKey = nullptr) const;

    // The address of the value at a position in key order; null out of range.
    std::intptr_t* ValueSlotAt(int index);

    // Removes the first pair with the key; false when absent.
    bool Remove(const char* key);
    // Removes the pair at a position in key order; false out of range.
    bool RemoveAt(int index);

    // Changing the comparison marks the map unsorted, so the next lookup re-sorts.
    void SetCaseSensitive(bool caseSensitive);
    bool IsCaseSensitive() const { return caseSensitive_; }

    void SortIfNeeded() const;
    void Clear();
    int GetCount() const { return pairs_.GetCount(); }

private:
    struct Pair {
        char* key;
        std::intptr_t value;
    };

    int CompareKeys(const char* left, const char* right) const;
    // The key order of the pairs, for sorting and for placing an added pair.
    auto KeyLess() const {
        return [this](const Pair& left, const Pair& right) { return CompareKeys(left.key, right.key) < 0; };
    }

    RLazySortedPairs<Pair> pairs_;
    bool caseSensitive_ = false;
};

#endif
