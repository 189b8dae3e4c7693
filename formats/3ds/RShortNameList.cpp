#include "formats/3ds/RShortNameList.h"

#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <new>

namespace {

// The room a counter needs after a cut name.
constexpr int kCounterRoom = 3;
// What an empty name is written as: the name a reader gives an object of no name.
constexpr const char* kEmptyName = "Name";

std::string WithoutTypePrefix(const std::string& name) {
    const std::size_t colons = name.find("::");
    return colons == std::string::npos ? name : name.substr(colons + 2);
}

// The name a reader makes of a name in the file.
std::string AsRead(const std::string& name) { return BuildPrefixedName("", name.c_str()).Buffer(); }

// At most `bytes` bytes of the text, without the part of a UTF-8 character the cut would leave.
std::string Cut(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
    return text.substr(0, bytes);
}

}  // namespace

RShortNameList::RShortNameList() = default;

RShortNameList::~RShortNameList() = default;

void RShortNameList::Clear() {
    counters_.clear();
    given_.clear();
}

bool RShortNameList::MakeUnique(RNamePair& name) { return MakeUniqueWithLimit(name, kObjectNameLimit); }

std::string RShortNameList::ShortForm(const std::string& name, int limit) {
    const std::size_t room = static_cast<std::size_t>(std::max(limit, kCounterRoom + 1) - kCounterRoom);
    const std::string text = Cut(WithoutTypePrefix(name), room);
    return text.empty() ? kEmptyName : text;
}

bool RShortNameList::MakeUniqueWithLimit(RNamePair& name, int limit) {
    limit = std::max(limit, kCounterRoom + 1);
    const std::string text = ShortForm(name.GetCurrent().Buffer(), limit);
    const bool known = counters_.count(text) != 0;
    if (!known) counters_.emplace(text, 0);
    if (!known && given_.insert(AsRead(text)).second) {
        name.SetCurrent(RString(text.c_str()));
        return false;
    }
    // A repeat, or a name that reads as one given already: numbered.
    name.SetCurrent(RString(GiveNumbered(text, limit).c_str()));
    return true;
}

std::string RShortNameList::Claim(const std::string& name, int limit) {
    limit = std::max(limit, kCounterRoom + 1);
    std::string text = Cut(name, static_cast<std::size_t>(limit));
    if (text.empty()) text = kEmptyName;
    if (given_.insert(AsRead(text)).second) return text;
    return GiveNumbered(Cut(text, static_cast<std::size_t>(limit - kCounterRoom)), limit);
}

std::string RShortNameList::GiveNumbered(const std::string& base, int limit) {
    int& counter = counters_[base];
    std::string candidate;
    do {
        const std::string digits = std::to_string(++counter);
        const std::size_t room = static_cast<std::size_t>(std::max(0, limit - static_cast<int>(digits.size())));
        candidate = Cut(base, room) + digits;
    } while (!given_.insert(AsRead(candidate)).second);
    return candidate;
}

std::unique_ptr<RNameUniquifier> RShortNameList::Create() const {
    return std::unique_ptr<RNameUniquifier>(new (std::nothrow) RShortNameList());
}
