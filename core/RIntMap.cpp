#include "core/RIntMap.h"

namespace {

int CompareKeys(std::uintptr_t left, std::uintptr_t right) {
    return left < right ? -1 : (left > right ? 1 : 0);
}

bool KeyLess(const RIntMap::Pair& left, const RIntMap::Pair& right) { return left.key < right.key; }

}  // namespace

RIntMap::RIntMap(int blockSize) : pairs_(blockSize) {}

int RIntMap::Add(std::uintptr_t key, std::intptr_t value) {
    return pairs_.Add(Pair{key, value}, KeyLess) >= 0 ? 0 : -1;
}

void RIntMap::SortIfNeeded() const {
    pairs_.SortIfNeeded(KeyLess);
}

std::intptr_t RIntMap::Lookup(std::uintptr_t key, int* outIndex) const {
    SortIfNeeded();
    const int index =
        pairs_.Find(key, [](const Pair& pair, std::uintptr_t k) { return CompareKeys(pair.key, k); });
    if (outIndex != nullptr) {
        *outIndex = index;
    }
    return index >= 0 ? pairs_.At(index).value : 0;
}

std::intptr_t RIntMap::ValueAt(int index, std::uintptr_t* outKey) const {
    SortIfNeeded();
    const bool valid = pairs_.IsValidIndex(index);
    if (outKey != nullptr) {
        *outKey = valid ? pairs_.At(index).key : 0;
    }
    return valid ? pairs_.At(index).value : 0;
}

void RIntMap::Clear() {
    pairs_.Clear();
}
