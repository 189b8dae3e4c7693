#ifndef VEXA_HOST_SETMEMBERS_H
#define VEXA_HOST_SETMEMBERS_H

// The members of an object set: DAG paths (with an optional component) and dependency nodes,
// kept as selection items. Members whose nodes were deleted are dropped when the list is read.
//
// The members are indexed by the node each stands on (a path's last node, a plug's node), so
// that adding one looks at the few members on its node only: a set that takes a shape's
// polygons one by one grows in amortised constant time per polygon. Beside them, every set is
// listed under each node it holds members on, so that the sets of one node are found without
// reading every set of the scene.

#include "host/src/scene/NodeType.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VexaExport.h>

#include <unordered_map>
#include <vector>

namespace vexa_host {

class VEXA_API SetMembers final : public NodePayload {
public:
    SetMembers() = default;
    SetMembers(const SetMembers&) = delete;
    SetMembers& operator=(const SetMembers&) = delete;
    ~SetMembers() override;

    // The payload as a set's members, or null (none, or another kind): an exact type check,
    // cheaper than a cast that searches the class tree; every set edit asks it.
    static SetMembers* of(NodePayload* payload);
    // False when the item is already a member. A component on a path that the set holds with
    // a component of the same kind is merged into that member (addUnique); merged, when
    // given, tells whether it was.
    bool add(const SelectionItem& item, bool* merged = nullptr);
    bool remove(const SelectionItem& item);
    const std::vector<SelectionItem>& items();
    bool holds(const SelectionItem& item);
    // The members still alive on the node (a shape's path, components of it), in member order.
    std::vector<SelectionItem> on(const VObject& node) const;
    // Whether one of them passes the test, asked in member order. A member on the path given
    // as checked (one the caller has just found valid) is taken as alive without walking its
    // path again: a set edit asks this of the groups of its one item.
    template <typename Test>
    bool anyOn(const VObject& node, Test test, const VDagPath* checked = nullptr) const {
        return anyMemberOn(node.record().get(), [&test, checked](const SelectionItem& member) {
            const bool alive = checked != nullptr && member.kind == SelectionItem::kDagPath && member.path == *checked;
            return (alive || member.stillExists()) && test(member);
        });
    }
    // The same for members alive or not: for a test that passes live members only.
    template <typename Test>
    bool anyMemberOn(const ObjectRecord* node, Test test) const {
        auto entry = positions_.find(node);
        if (entry == positions_.end()) return false;
        for (size_t position : entry->second) {
            if (test(items_[position])) return true;
        }
        return false;
    }
    void describe(std::ostream& out, const std::string& indent) const override;
    void attach(Node& owner) override { owner_ = &owner; }
    // The set node keeping the members; null for members kept by no node.
    Node* owner() const { return owner_; }
    // The sets holding a member on the node, alive or not, in no order.
    static const std::vector<SetMembers*>& holding(const ObjectRecord* node);

private:
    void reindex();
    void noteHeld(const ObjectRecord* node);
    void dropHeld(const ObjectRecord* node);

    Node* owner_ = nullptr;

    std::vector<SelectionItem> items_;
    // The positions in items_ of the members on each node, ascending.
    std::unordered_map<const ObjectRecord*, std::vector<size_t>> positions_;
};

}  // namespace vexa_host

#endif
