#include "scene/RWyxNameIndex.h"

#include "core/RWyxSceneObject.h"

#include <algorithm>

namespace {

bool SerialBefore(const std::pair<std::uint64_t, RWyxSceneObject*>& entry, std::uint64_t serial) {
    return entry.first < serial;
}

}  // namespace

void RWyxNameIndex::Bucket::InsertAmongOthers(const Item& item) {
    const Item* at = std::lower_bound(items_.begin(), items_.end(), item.first, SerialBefore);
    items_.InsertAt(static_cast<std::size_t>(at - items_.begin()), item);
}

bool RWyxNameIndex::Bucket::Erase(std::uint64_t serial) {
    if (items_.IsEmpty()) return false;
    // Nearly every name has one object: the first is looked at before any search.
    const Item* at = items_.At(0).first == serial
                         ? items_.begin()
                         : std::lower_bound(items_.begin() + 1, items_.end(), serial, SerialBefore);
    if (at == items_.end() || at->first != serial) return false;
    items_.RemoveAt(static_cast<std::size_t>(at - items_.begin()));
    return true;
}

void RWyxNameIndex::Add(RWyxSceneObject* object) {
    if (object == nullptr || Contains(object)) return;
    const std::uint64_t serial = nextSerial_++;
    entries_.emplace(object, Entry{serial, File(object, serial, Key(object->GetName())), false});
}

void RWyxNameIndex::Remove(const RWyxSceneObject* object) {
    const auto found = entries_.find(object);
    if (found == entries_.end()) return;
    Unfile(found->second.serial, found->second.name);
    entries_.erase(found);
}

std::uint64_t RWyxNameIndex::SerialOf(const RWyxSceneObject* object) const {
    const auto found = entries_.find(object);
    return found != entries_.end() ? found->second.serial : 0;
}

void RWyxNameIndex::MarkRenamed(RWyxSceneObject* object) {
    const auto found = entries_.find(object);
    if (found == entries_.end() || found->second.renamed) return;
    found->second.renamed = true;
    renamed_.push_back(object);
}

RWyxSceneObject* RWyxNameIndex::Find(const RString& fullName, int occurrence) {
    RefileRenamed();
    if (occurrence < 0) return nullptr;
    const auto bucket = buckets_.find(Key(fullName));
    if (bucket == buckets_.end() || occurrence >= bucket->second.Count()) return nullptr;
    return bucket->second.At(occurrence).second;
}

void RWyxNameIndex::Clear() {
    entries_.clear();
    buckets_.clear();
    renamed_.clear();
}

// Serials grow with every recording, so a new object goes to the end of its bucket; a renamed
// one goes back to its place among older and newer namesakes.
const std::string* RWyxNameIndex::File(RWyxSceneObject* object, std::uint64_t serial, std::string name) {
    auto& [key, bucket] = *buckets_.try_emplace(std::move(name)).first;
    bucket.Insert({serial, object});
    return &key;
}

void RWyxNameIndex::Unfile(std::uint64_t serial, const std::string* name) {
    const auto bucket = buckets_.find(*name);
    if (bucket == buckets_.end()) return;
    bucket->second.Erase(serial);
    if (bucket->second.IsEmpty()) buckets_.erase(bucket);
}

void RWyxNameIndex::RefileRenamed() {
    for (RWyxSceneObject* object : renamed_) {
        const auto found = entries_.find(object);
        if (found == entries_.end()) continue;  // destroyed meanwhile
        Entry& entry = found->second;
        entry.renamed = false;
        std::string current = Key(object->GetName());
        if (current == *entry.name) continue;
        Unfile(entry.serial, entry.name);
        entry.name = File(object, entry.serial, std::move(current));
    }
    renamed_.clear();
}
