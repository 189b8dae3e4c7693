#include "core/RUniqueNameList.h"

namespace {

constexpr int kEntryBlockSize = 16;

}  // namespace

RUniqueNameList::RUniqueNameList() : entries_(kEntryBlockSize) {}

RUniqueNameList::~RUniqueNameList() = default;

void RUniqueNameList::Clear() {
    index_.clear();
    entries_.Clear();
}

RUniqueNameList::Entry* RUniqueNameList::Find(const RString& name) const {
    // The key is the text up to its first zero byte, as the names' equality compares.
    const auto found = index_.find(std::string(name.Buffer()));
    return found != index_.end() ? found->second : nullptr;
}

bool RUniqueNameList::MakeUnique(RNamePair& name) {
    if (Entry* entry = Find(name.GetCurrent())) {
        ++entry->counter;
        name.SetCurrent(entry->name + entry->counter);
        return true;
    }
    std::unique_ptr<Entry> added = MakeOwned<Entry>(name.GetCurrent(), 0);
    Entry* raw = added.get();
    // Indexed only once listed: a name the list could not take stays unknown to both.
    if (entries_.Append(std::move(added)) >= 0) index_.emplace(std::string(raw->name.Buffer()), raw);
    return false;
}

std::unique_ptr<RNameUniquifier> RUniqueNameList::Create() const {
    return MakeOwned<RUniqueNameList>();
}
