#include "core/RPropertyNameIndex.h"

#include "core/RProperty.h"

#include <string_view>
#include <utility>

namespace {

constexpr std::size_t kFirstCapacity = 16;

}  // namespace

std::size_t RPropertyNameIndex::HashOf(std::string_view name) { return RPropertyInfo::HashName(name); }

bool RPropertyNameIndex::NameIs(const RProperty& property, std::string_view name) {
    return property.GetInfo().GetNameView() == name;
}

void RPropertyNameIndex::Add(RProperty* property) {
    if (property == nullptr) return;
    OwnTable();
    // At most seven eighths full: a probe compares stored hashes, so a long run stays cheap,
    // and the 54 properties of a node fit 64 slots.
    if (!Fits(static_cast<std::size_t>(count_) + 1, slots_.size())) Grow();
    const std::size_t hash = property->GetInfo().GetNameHash();
    // Every entry of the same hash lies on the way from the home slot to the free one.
    std::size_t at = hash & Mask();
    for (; slots_[at].property != nullptr; at = (at + 1) & Mask()) {
        if (slots_[at].hash == hash && NameIs(*slots_[at].property, property->GetName())) sharedNames_ = true;
    }
    slots_[at] = Slot{hash, property};
    ++count_;
}

RPropertyNameIndex::Layout::Layout(const std::vector<std::string_view>& names) {
    std::size_t capacity = kFirstCapacity;
    while (!Fits(names.size(), capacity)) capacity *= 2;
    entries_.assign(capacity, Entry());
    hashes_.reserve(names.size());
    const std::size_t mask = capacity - 1;
    // The probe of Add, over names instead of properties.
    for (std::size_t place = 0; place < names.size(); ++place) {
        const std::size_t hash = HashOf(names[place]);
        hashes_.push_back(hash);
        std::size_t at = hash & mask;
        for (; entries_[at].place >= 0; at = (at + 1) & mask) {
            const std::size_t other = static_cast<std::size_t>(entries_[at].place);
            if (entries_[at].hash == hash && names[other] == names[place]) sharedNames_ = true;
        }
        entries_[at] = Entry{hash, static_cast<int>(place)};
    }
    count_ = static_cast<int>(names.size());
}

bool RPropertyNameIndex::Matches(const Layout& layout, RProperty* const* properties, int count) {
    if (count != layout.GetCount()) return false;
    for (int place = 0; place < count; ++place) {
        const RProperty* property = properties[place];
        if (property == nullptr || property->GetInfo().GetNameHash() != layout.hashes_[static_cast<std::size_t>(place)]) {
            return false;
        }
    }
    return true;
}

bool RPropertyNameIndex::AddAllAs(const Layout& layout, RProperty* const* properties, int count) {
    if (count_ != 0 || !Matches(layout, properties, count)) return false;
    slots_.resize(layout.entries_.size());
    for (std::size_t at = 0; at < slots_.size(); ++at) {
        const Layout::Entry& entry = layout.entries_[at];
        slots_[at] = Slot{entry.hash, entry.place >= 0 ? properties[entry.place] : nullptr};
    }
    count_ = count;
    sharedNames_ = layout.sharedNames_;
    return true;
}

bool RPropertyNameIndex::FollowLayout(const Layout& layout, const std::vector<RProperty*>& list) {
    if (count_ != 0 || !Matches(layout, list.data(), static_cast<int>(list.size()))) return false;
    Clear();  // no table of its own meanwhile
    layout_ = &layout;
    list_ = &list;
    count_ = layout.GetCount();
    sharedNames_ = layout.sharedNames_;
    return true;
}

void RPropertyNameIndex::OwnTable() {
    if (layout_ == nullptr) return;
    const Layout& layout = *layout_;
    const std::vector<RProperty*>& list = *list_;
    layout_ = nullptr;
    list_ = nullptr;
    count_ = 0;
    AddAllAs(layout, list.data(), layout.GetCount());
}

void RPropertyNameIndex::Place(const Slot& slot) {
    std::size_t at = slot.hash & Mask();
    while (slots_[at].property != nullptr) at = (at + 1) & Mask();
    slots_[at] = slot;
}

void RPropertyNameIndex::Reserve(int count) {
    OwnTable();
    std::size_t capacity = slots_.empty() ? kFirstCapacity : slots_.size();
    while (count > 0 && !Fits(static_cast<std::size_t>(count), capacity)) capacity *= 2;
    if (capacity > slots_.size()) Rehash(capacity);
}

void RPropertyNameIndex::Grow() { Rehash(slots_.empty() ? kFirstCapacity : 2 * slots_.size()); }

void RPropertyNameIndex::Rehash(std::size_t capacity) {
    std::vector<Slot> old(capacity);
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.property != nullptr) Place(slot);
    }
}

// Linear probing without markers: the entries after the freed slot that would no longer be
// reached from their home slot move back into it.
void RPropertyNameIndex::Remove(const RProperty* property) {
    OwnTable();
    if (property == nullptr || slots_.empty()) return;
    std::size_t at = property->GetInfo().GetNameHash() & Mask();
    while (slots_[at].property != property) {
        if (slots_[at].property == nullptr) return;
        at = (at + 1) & Mask();
    }
    slots_[at] = Slot();
    --count_;
    for (std::size_t next = (at + 1) & Mask(); slots_[next].property != nullptr; next = (next + 1) & Mask()) {
        const std::size_t home = slots_[next].hash & Mask();
        // The entry may stay when its home lies cyclically within (at, next].
        const bool reachable = at <= next ? (at < home && home <= next) : (at < home || home <= next);
        if (reachable) continue;
        slots_[at] = std::exchange(slots_[next], Slot());
        at = next;
    }
}

void RPropertyNameIndex::Clear() {
    layout_ = nullptr;
    list_ = nullptr;
    std::vector<Slot>().swap(slots_);
    count_ = 0;
    sharedNames_ = false;
}
