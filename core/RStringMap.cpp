#include "core/RStringMap.h"

#include <cstdlib>
#include <cstring>

namespace {

unsigned char FoldAsciiCase(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

int CompareBytes(const char* left, const char* right, bool foldCase) {
    const auto* a = reinterpret_cast<const unsigned char*>(left);
    const auto* b = reinterpret_cast<const unsigned char*>(right);
    for (;; ++a, ++b) {
        const unsigned char x = foldCase ? FoldAsciiCase(*a) : *a;
        const unsigned char y = foldCase ? FoldAsciiCase(*b) : *b;
        if (x != y) {
            return x < y ? -1 : 1;
        }
        if (x == 0) {
            return 0;
        }
    }
}

char* CopyText(const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(std::malloc(size));
    if (copy != nullptr) {
        std::memcpy(copy, text, size);
    }
    return copy;
}

}  // namespace

RStringMap::RStringMap(int blockSize) : pairs_(blockSize) {}

RStringMap::~RStringMap() {
    Clear();
}

int RStringMap::CompareKeys(const char* left, const char* right) const {
    return CompareBytes(left, right, !caseSensitive_);
}

int RStringMap::Add(const char* key, std::intptr_t value) {
    if (key == nullptr) {
        return -1;
    }
    char* copy = CopyText(key);
    if (copy == nullptr) {
        return -1;
    }
    if (pairs_.Add(Pair{copy, value}, KeyLess()) < 0) {
        std::free(copy);
        return -1;
    }
    return GetCount();
}

void RStringMap::SortIfNeeded() const {
    pairs_.SortIfNeeded(KeyLess());
}

std::intptr_t RStringMap::Lookup(const char* key, int* outIndex) const {
    int index = -1;
    if (key != nullptr) {
        SortIfNeeded();
        index = pairs_.Find(key, [this](const Pair& pair, const char* k) { return CompareKeys(pair.key, k); });
    }
    if (outIndex != nullptr) {
        *outIndex = index;
    }
    return index >= 0 ? pairs_.At(index).value : 0;
}

std::intptr_t RStringMap::ValueAt(int index, const char** outKey) const {
    SortIfNeeded();
    const bool valid = pairs_.IsValidIndex(index);
    if (outKey != nullptr) {
        *outKey = valid ? pairs_.At(index).key : nullptr;
    }
    return valid ? pairs_.At(index).value : 0;
}

std::intptr_t* RStringMap::ValueSlotAt(int index) {
    SortIfNeeded();
    return pairs_.IsValidIndex(index) ? &pairs_.At(index).value : nullptr;
}

bool RStringMap::Remove(const char* key) {
    int index = -1;
    Lookup(key, &index);
    return index >= 0 && RemoveAt(index);
}

bool RStringMap::RemoveAt(int index) {
    SortIfNeeded();
    if (!pairs_.IsValidIndex(index)) {
        return false;
    }
    std::free(pairs_.At(index).key);
    pairs_.RemoveAt(index);
    return true;
}

void RStringMap::SetCaseSensitive(bool caseSensitive) {
    if (caseSensitive != caseSensitive_) {
        caseSensitive_ = caseSensitive;
        pairs_.MarkUnsorted();
    }
}

void RStringMap::Clear() {
    for (int i = 0; i < GetCount(); ++i) {
        std::free(pairs_.At(i).key);
    }
    pairs_.Clear();
}
