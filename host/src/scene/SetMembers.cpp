#include "host/src/scene/SetMembers.h"

#include <algorithm>
#include <typeinfo>

namespace vexa_host {

namespace {

using Holders = std::unordered_map<const ObjectRecord*, std::vector<SetMembers*>>;

// Never destroyed: sets of nodes that outlive the library's statics still drop their entries.
Holders& holders() {
    static Holders* const table = new Holders();
    return *table;
}

}  // namespace

SetMembers::~SetMembers() {
    for (const auto& entry : positions_) dropHeld(entry.first);
}

const std::vector<SetMembers*>& SetMembers::holding(const ObjectRecord* node) {
    static const std::vector<SetMembers*> none;
    auto entry = holders().find(node);
    return entry == holders().end() ? none : entry->second;
}

void SetMembers::noteHeld(const ObjectRecord* node) { holders()[node].push_back(this); }

void SetMembers::dropHeld(const ObjectRecord* node) {
    auto entry = holders().find(node);
    if (entry == holders().end()) return;
    std::vector<SetMembers*>& sets = entry->second;
    sets.erase(std::remove(sets.begin(), sets.end(), this), sets.end());
    if (sets.empty()) holders().erase(entry);
}

// Every kind of item names its node (dagItem, nodeItem, plugItem), and two items alike stand
// on one node, so the members on the item's node are all it can equal or merge with.
SetMembers* SetMembers::of(NodePayload* payload) {
    return payload != nullptr && typeid(*payload) == typeid(SetMembers) ? static_cast<SetMembers*>(payload) : nullptr;
}

bool SetMembers::add(const SelectionItem& item, bool* merged) {
    if (merged != nullptr) *merged = false;
    std::vector<size_t>& positions = positions_[item.node.record().get()];
    for (size_t position : positions) {
        if (items_[position].sameAs(item)) return false;
    }
    for (size_t position : positions) {
        if (mergeComponent(items_[position], item)) {
            if (merged != nullptr) *merged = true;
            return true;
        }
    }
    if (positions.empty()) noteHeld(item.node.record().get());
    positions.push_back(items_.size());
    items_.push_back(item);
    return true;
}

bool SetMembers::remove(const SelectionItem& item) {
    auto it = std::find_if(items_.begin(), items_.end(), [&item](const SelectionItem& other) { return other.sameAs(item); });
    if (it == items_.end()) return false;
    items_.erase(it);
    reindex();
    return true;
}

const std::vector<SelectionItem>& SetMembers::items() {
    const size_t before = items_.size();
    items_.erase(std::remove_if(items_.begin(), items_.end(), [](const SelectionItem& item) { return !item.stillExists(); }),
                 items_.end());
    if (items_.size() != before) reindex();
    return items_;
}

bool SetMembers::holds(const SelectionItem& item) {
    for (const SelectionItem& member : items()) {
        if (member.sameAs(item) || member.node == item.node) return true;
    }
    return false;
}

std::vector<SelectionItem> SetMembers::on(const VObject& node) const {
    std::vector<SelectionItem> found;
    anyOn(node, [&found](const SelectionItem& member) {
        found.push_back(member);
        return false;
    });
    return found;
}

void SetMembers::reindex() {
    std::unordered_map<const ObjectRecord*, std::vector<size_t>> before;
    before.swap(positions_);
    for (size_t position = 0; position < items_.size(); ++position) {
        const ObjectRecord* node = items_[position].node.record().get();
        std::vector<size_t>& positions = positions_[node];
        if (positions.empty() && before.count(node) == 0) noteHeld(node);
        positions.push_back(position);
    }
    for (const auto& entry : before) {
        if (positions_.count(entry.first) == 0) dropHeld(entry.first);
    }
}

void SetMembers::describe(std::ostream& out, const std::string& indent) const {
    for (const SelectionItem& member : items_) {
        if (member.stillExists()) out << indent << "member " << selectionText(member) << "\n";
    }
}

}  // namespace vexa_host
