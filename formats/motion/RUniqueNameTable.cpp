#include "formats/motion/RUniqueNameTable.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsWith(const std::string& text, const char* suffix) {
    const std::size_t length = std::strlen(suffix);
    return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

// The name without blanks around it, cut to the longest name held; "Default" when empty.
std::string Normalized(const char* name) {
    std::size_t length = std::strlen(name);
    if (length > static_cast<std::size_t>(RUniqueNameTable::kMaxNameLength)) {
        length = RUniqueNameTable::kMaxNameLength;
    }
    std::size_t first = 0;
    while (first < length && IsBlank(name[first])) {
        ++first;
    }
    while (length > first && IsBlank(name[length - 1])) {
        --length;
    }
    return length > first ? std::string(name + first, length - first) : std::string("Default");
}

// Splits off the trailing counter; the digit after a file extension belongs to the base, and a
// counter too long to raise safely stays part of the base. False when there is no counter.
bool SplitCounter(const std::string& name, std::string& base, std::uint64_t& counter) {
    std::size_t digits = name.size();
    while (digits > 0 && IsDigit(name[digits - 1])) {
        --digits;
    }
    base = name.substr(0, digits);
    if (digits < name.size() && base.size() >= 3 &&
        (EndsWith(base, ".sd") || EndsWith(base, ".mp") || EndsWith(base, ".mpg"))) {
        ++digits;
        base = name.substr(0, digits);
    }
    const std::size_t runLength = name.size() - digits;
    if (runLength == 0 || runLength > static_cast<std::size_t>(RUniqueNameTable::kMaxCounterDigits)) {
        base = name;
        return false;
    }
    counter = 0;
    for (std::size_t i = digits; i < name.size(); ++i) {
        counter = counter * 10 + static_cast<std::uint64_t>(name[i] - '0');
    }
    return true;
}

}  // namespace

RUniqueNameTable::RUniqueNameTable(int bits, int growthStep)
    : mask_(bits <= 0 ? 1u : (1u << (bits > 16 ? 16 : bits)) - 1u),
      growthStep_(growthStep > 0 ? static_cast<std::size_t>(growthStep) : 1u),
      buckets_(mask_ + 1) {}

void RUniqueNameTable::Clear() {
    entries_.clear();
    for (std::vector<int>& bucket : buckets_) {
        bucket.clear();
        bucket.shrink_to_fit();
    }
}

// The sum of the characters, taken without regard to case so that names equal without
// regard to case share their bucket.
unsigned RUniqueNameTable::Hash(const std::string& name) const {
    unsigned sum = 0;
    for (char c : name) {
        sum += static_cast<unsigned>(static_cast<int>(static_cast<signed char>(std::tolower(static_cast<unsigned char>(c)))));
    }
    return sum & mask_;
}

bool RUniqueNameTable::Contains(const std::string& name) const {
    const std::vector<int>& bucket = buckets_[Hash(name)];
    const char last = static_cast<char>(std::tolower(static_cast<unsigned char>(name.back())));
    for (auto it = bucket.rbegin(); it != bucket.rend(); ++it) {
        const std::string& stored = entries_[static_cast<std::size_t>(*it)].name;
        if (static_cast<char>(std::tolower(static_cast<unsigned char>(stored.back()))) == last &&
            strcasecmp(stored.c_str(), name.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

const char* RUniqueNameTable::Store(std::string name, std::int32_t userValue) {
    std::vector<int>& bucket = buckets_[Hash(name)];
    if (bucket.size() == bucket.capacity()) {
        bucket.reserve(bucket.size() + growthStep_);
    }
    bucket.push_back(static_cast<int>(entries_.size()));
    entries_.push_back(Entry{std::move(name), userValue});
    return entries_.back().name.c_str();
}

const char* RUniqueNameTable::MakeUnique(const char* name, std::int32_t userValue) {
    if (name == nullptr) {
        return nullptr;
    }
    std::string normalized = Normalized(name);
    if (!Contains(normalized)) {
        return Store(std::move(normalized), userValue);
    }
    std::string base;
    std::uint64_t counter = 0;
    if (SplitCounter(normalized, base, counter)) {
        ++counter;
    } else {
        base += ' ';
        counter = 1;
    }
    std::string candidate = base + std::to_string(counter);
    while (Contains(candidate)) {
        candidate = base + std::to_string(++counter);
    }
    return Store(std::move(candidate), userValue);
}

const char* RUniqueNameTable::FindByValue(std::int32_t userValue) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        if (it->userValue == userValue) {
            return it->name.c_str();
        }
    }
    return nullptr;
}
