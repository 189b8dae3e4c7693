#include "core/RUniqueNameList.h"

namespace {

constexpr int kEntryBlockSize = 16;

}  // namespace

RUniqueNameList::RUniqueNameList() : entries_(kEntryBlockSize) {}

RUniqueNameList::~RUniqueNameList() = default;

void RUniqueNameList::Clear() {
    entries_.Clear();
}

bool RUniqueNameList::MakeUnique(RNamePair& name) {
    for (int i = 0; i < entries_.GetCount(); ++i) {
        Entry* entry = entries_.At(i);
        if (entry->name == name.GetCurrent()) {
            ++entry->counter;
            name.SetCurrent(entry->name + entry->counter);
            return true;
        }
    }
    entries_.Append(MakeOwned<Entry>(name.GetCurrent(), 0));
    return false;
}

std::unique_ptr<RNameUniquifier> RUniqueNameList::Create() const {
    return MakeOwned<RUniqueNameList>();
}
