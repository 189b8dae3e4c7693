#include "core/RGenericObjectList.h"

#include <algorithm>
#include <climits>

// Every operation copies the entry it was given before calling out: the caller's reference
// may point into this list, which the watcher is free to change.

RGenericObjectList::RGenericObjectList() : watcher_(this) {}

int RGenericObjectList::Add(const RPlugRef& entry) { return InsertAt(INT_MAX, entry); }

int RGenericObjectList::AddAll(const RGenericObjectList& list) {
    // The entries as they stand now: adding may change the other list, or be this list.
    const std::vector<RPlugRef> entries = list.entries_;
    const RPlugLock lock(this);
    int added = 0;
    for (const RPlugRef& entry : entries) {
        if (Add(entry) >= 0) ++added;
    }
    return added;
}

int RGenericObjectList::InsertAt(int index, const RPlugRef& entry) {
    if (index < 0) return -1;
    const RPlugRef inserted = entry;
    const RPlugLock lock(this);
    if (!Ask(kAskAdd, inserted, std::min(index, GetCount()))) return -1;
    const int place = std::min(index, GetCount());
    entries_.insert(entries_.begin() + place, inserted);
    Tell(kTellAdded, inserted, place);
    return place;
}

int RGenericObjectList::SetAt(int index, const RPlugRef& entry) {
    if (index < 0 || index >= GetCount()) return -1;
    const RPlugRef stored = entry;
    const RPlugLock lock(this);
    if (!Ask(kAskAdd, stored, index) || index >= GetCount()) return -1;
    entries_[static_cast<size_t>(index)] = stored;
    Tell(kTellAdded, stored, index);
    return index;
}

bool RGenericObjectList::RemoveAt(int index) {
    if (index < 0 || index >= GetCount()) return false;
    const RPlugRef removed = entries_[static_cast<size_t>(index)];
    const RPlugLock lock(this);
    if (!Ask(kAskRemove, removed, index)) return false;
    const int place = FindAgain(index, removed);
    if (place < 0) return false;
    entries_.erase(entries_.begin() + place);
    Tell(kTellRemoved, removed, place);
    return true;
}

bool RGenericObjectList::Remove(const RPlugRef& entry) {
    const int index = LastIndexOf(entry);
    return index >= 0 && RemoveAt(index);
}

bool RGenericObjectList::Clear(bool destroyObjects) {
    if (entries_.empty()) return true;
    const RPlugLock lock(this);
    if (!Ask(kAskClear, RPlugRef(), -1)) return false;
    if (destroyObjects) {
        // A destruction may edit the list: the objects are taken from a copy, each resolved
        // at its turn, so none is skipped or destroyed twice.
        const std::vector<RPlugRef> listed = entries_;
        for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
            if (RObject* object = Resolve(*it)) object->Destroy();
        }
    }
    entries_.clear();
    return true;
}

RPlugRef RGenericObjectList::FindByFullName(const char* text) const {
    if (text == nullptr) return RPlugRef();
    for (const RPlugRef& entry : entries_) {
        const RObject* object = Resolve(entry);
        if (object != nullptr && object->GetFullName().CompareText(text) == 0) return entry;
    }
    return RPlugRef();
}

RPlugRef RGenericObjectList::GetAt(int index) const {
    return index >= 0 && index < GetCount() ? entries_[static_cast<size_t>(index)] : RPlugRef();
}

RObject* RGenericObjectList::Resolve(const RPlugRef& entry) {
    RPlug* plug = entry.Get();
    return plug != nullptr && plug->Is(RObject::ClassId()) ? static_cast<RObject*>(plug) : nullptr;
}

void RGenericObjectList::SetWatcher(RObject* watcher) { watcher_.Set(watcher != nullptr ? watcher : this); }

RObject* RGenericObjectList::GetWatcher() {
    RObject* watcher = Resolve(watcher_);
    return watcher != nullptr ? watcher : this;
}

bool RGenericObjectList::Ask(int code, const RPlugRef& entry, int index) {
    return GetWatcher()->OnListChange(this, code, entry, index);
}

void RGenericObjectList::Tell(int code, const RPlugRef& entry, int index) {
    GetWatcher()->OnListChange(this, code, entry, index);
}

int RGenericObjectList::LastIndexOf(const RPlugRef& entry) const {
    for (int i = GetCount() - 1; i >= 0; --i) {
        if (entries_[static_cast<size_t>(i)].IsEqual(entry)) return i;
    }
    return -1;
}

int RGenericObjectList::FindAgain(int index, const RPlugRef& entry) const {
    if (index < GetCount() && entries_[static_cast<size_t>(index)].IsEqual(entry)) return index;
    return LastIndexOf(entry);
}
