#include "host/src/scene/SetMembers.h"

#include <algorithm>

namespace vexa_host {

bool SetMembers::add(const SelectionItem& item) { return addUnique(items_, item); }

bool SetMembers::remove(const SelectionItem& item) {
    auto it = std::find_if(items_.begin(), items_.end(), [&item](const SelectionItem& other) { return other.sameAs(item); });
    if (it == items_.end()) return false;
    items_.erase(it);
    return true;
}

const std::vector<SelectionItem>& SetMembers::items() {
    items_.erase(std::remove_if(items_.begin(), items_.end(), [](const SelectionItem& item) { return !item.stillExists(); }),
                 items_.end());
    return items_;
}

bool SetMembers::holds(const SelectionItem& item) {
    for (const SelectionItem& member : items()) {
        if (member.sameAs(item) || member.node == item.node) return true;
    }
    return false;
}

void SetMembers::describe(std::ostream& out, const std::string& indent) const {
    for (const SelectionItem& member : items_) {
        if (member.stillExists()) out << indent << "member " << selectionText(member) << "\n";
    }
}

}  // namespace vexa_host
