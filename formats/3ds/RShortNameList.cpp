#include "formats/3ds/RShortNameList.h"

#include <algorithm>
#include <new>

namespace {

// The room a counter needs after a cut name.
constexpr int kCounterRoom = 3;

std::string WithoutTypePrefix(const std::string& name) {
    const std::size_t colons = name.find("::");
    return colons == std::string::npos ? name : name.substr(colons + 2);
}

}  // namespace

RShortNameList::RShortNameList() = default;

RShortNameList::~RShortNameList() = default;

void RShortNameList::Clear() {
    counters_.clear();
    given_.clear();
}

bool RShortNameList::MakeUnique(RNamePair& name) { return MakeUniqueWithLimit(name, kObjectNameLimit); }

bool RShortNameList::MakeUniqueWithLimit(RNamePair& name, int limit) {
    limit = std::max(limit, kCounterRoom + 1);
    std::string text = WithoutTypePrefix(name.GetCurrent().Buffer());
    text.resize(std::min(text.size(), static_cast<std::size_t>(limit - kCounterRoom)));
    const bool known = counters_.count(text) != 0;
    if (!known && given_.count(text) == 0) {
        counters_.emplace(text, 0);
        given_.insert(text);
        name.SetCurrent(RString(text.c_str()));
        return false;
    }
    // A repeat, or a name some earlier counter gave already: numbered.
    if (!known) counters_.emplace(text, 0);
    const std::string numbered = NextNumbered(text, limit);
    given_.insert(numbered);
    name.SetCurrent(RString(numbered.c_str()));
    return true;
}

std::string RShortNameList::NextNumbered(const std::string& base, int limit) {
    int& counter = counters_[base];
    std::string candidate;
    do {
        const std::string digits = std::to_string(++counter);
        const std::size_t room = static_cast<std::size_t>(std::max(0, limit - static_cast<int>(digits.size())));
        candidate = base.substr(0, std::min(base.size(), room)) + digits;
    } while (given_.count(candidate) != 0);
    return candidate;
}

std::unique_ptr<RNameUniquifier> RShortNameList::Create() const {
    return std::unique_ptr<RNameUniquifier>(new (std::nothrow) RShortNameList());
}
