#include "host/src/scene/SetMembers.h"

#include <algorithm>
#include <typeinfo>

namespace vexa_host {

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
    positions_.clear();
    for (size_t position = 0; position < items_.size(); ++position) {
        positions_[items_[position].node.record().get()].push_back(position);
    }
}

void SetMembers::describe(std::ostream& out, const std::string& indent) const {
    for (const SelectionItem& member : items_) {
        if (member.stillExists()) out << indent << "member " << selectionText(member) << "\n";
    }
}

}  // namespace vexa_host
