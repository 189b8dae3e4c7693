#include "host/src/shading/GroupsOfShapes.h"

#include "host/src/scene/SetMembers.h"

#include <iterator>

namespace vexa_host {

namespace {

enum class Telling { kNothing, kFaces, kBroad };

// What a member on the shape tells the index: polygons of its own, nothing a polygon force
// touches (vertices, no path), or nothing a polygon can tell (the whole shape, a component of
// another class, one with complete data that may stand for every polygon).
Telling tellingOf(const SelectionItem& member) {
    if (member.kind != SelectionItem::kDagPath) return Telling::kNothing;
    if (member.component.isNull()) return Telling::kBroad;
    const auto* own = SingleIndexedComponent::of(member.component.record().get());
    if (own == nullptr) return Telling::kBroad;
    if (own->apiType() != VFn::kMeshPolygonComponent) return Telling::kNothing;
    return own->completeCount() >= 0 ? Telling::kBroad : Telling::kFaces;
}

SingleIndexedComponent* polygonsOf(const SelectionItem& member) {
    return tellingOf(member) == Telling::kFaces ? SingleIndexedComponent::of(member.component.record().get()) : nullptr;
}

}  // namespace

GroupsOfShapes& GroupsOfShapes::instance() {
    static GroupsOfShapes table;
    return table;
}

void GroupsOfShapes::note(Node& shape, Node& group) {
    Groups& groups = groups_[shape.self()];
    if (groups.positions.emplace(group.id(), groups.held.size()).second) groups.held.push_back(group.self());
    if (groups_.size() >= sweepAt_) sweep();
}

bool GroupsOfShapes::gone(const std::weak_ptr<Node>& held) {
    const NodePtr node = held.lock();
    return node == nullptr || !node->alive();
}

// The places of the groups move: the index of each shape is read anew.
void GroupsOfShapes::sweep() {
    for (auto entry = groups_.begin(); entry != groups_.end();) {
        Groups& groups = entry->second;
        std::vector<size_t> moved(groups.held.size(), kSwept);
        std::vector<std::weak_ptr<Node>> live;
        for (size_t position = 0; position < groups.held.size(); ++position) {
            if (gone(groups.held[position])) continue;
            moved[position] = live.size();
            live.push_back(std::move(groups.held[position]));
        }
        for (auto& position : groups.positions) {
            if (position.second != kSwept) position.second = moved[position.second];
        }
        groups.held = std::move(live);
        groups.holders.clear();
        groups.broad.clear();
        groups.readAt = kUnread;
        entry = gone(entry->first) || groups.held.empty() ? groups_.erase(entry) : std::next(entry);
    }
    sweepAt_ = std::max(kFirstSweep, 2 * groups_.size());
}

GroupsOfShapes::Groups* GroupsOfShapes::following(const Node& shape, const Node& group, size_t& position) {
    auto entry = groups_.find(shape.weak_from_this());
    if (entry == groups_.end()) return nullptr;
    Groups& groups = entry->second;
    if (groups.readAt != SingleIndexedComponent::watchedEdits()) return nullptr;
    auto at = groups.positions.find(group.id());
    if (at == groups.positions.end() || at->second == kSwept) {
        groups.readAt = kUnread;
        return nullptr;
    }
    position = at->second;
    return &groups;
}

void GroupsOfShapes::read(const Node& shape, Groups& groups) {
    groups.holders.clear();
    groups.broad.clear();
    for (size_t position = 0; position < groups.held.size(); ++position) {
        if (!gone(groups.held[position])) classify(shape, groups, position, true);
    }
    groups.readAt = SingleIndexedComponent::watchedEdits();
}

bool GroupsOfShapes::classify(const Node& shape, Groups& groups, size_t position, bool withFaces) {
    const NodePtr group = groups.held[position].lock();
    const SetMembers* members = group != nullptr ? SetMembers::of(group->payload()) : nullptr;
    bool broad = members == nullptr;
    if (members != nullptr) {
        members->anyMemberOn(&shape, [&broad](const SelectionItem& member) {
            if (auto* own = SingleIndexedComponent::of(member.component.record().get())) own->watch();
            broad = broad || tellingOf(member) == Telling::kBroad;
            return false;
        });
    }
    const bool wasBroad = groups.broad.count(position) != 0;
    if (broad) {
        groups.broad.insert(position);
        return false;
    }
    groups.broad.erase(position);
    if (!withFaces && !wasBroad) return true;
    // Polygons held while the group was broad were never indexed.
    members->anyMemberOn(&shape, [&groups, position](const SelectionItem& member) {
        if (const SingleIndexedComponent* own = polygonsOf(member)) {
            const int count = own->elementCount();
            for (int i = 0; i < count; ++i) addHolder(groups, own->element(i), position);
        }
        return false;
    });
    return true;
}

void GroupsOfShapes::holdersOf(const Node& shape, Groups& groups, int face, std::vector<size_t>& found) {
    auto entry = groups.holders.find(face);
    if (entry == groups.holders.end()) return;
    std::vector<size_t>& positions = entry->second;
    const auto holdsFace = [&shape, &groups, face](size_t position) {
        const NodePtr group = groups.held[position].lock();
        const SetMembers* members = group != nullptr && group->alive() ? SetMembers::of(group->payload()) : nullptr;
        return members != nullptr && members->anyMemberOn(&shape, [face](const SelectionItem& member) {
                   const SingleIndexedComponent* own = polygonsOf(member);
                   return own != nullptr && own->holds(face);
               });
    };
    positions.erase(std::remove_if(positions.begin(), positions.end(), [&holdsFace](size_t position) { return !holdsFace(position); }),
                    positions.end());
    found.insert(found.end(), positions.begin(), positions.end());
    if (positions.empty()) groups.holders.erase(entry);
}

void GroupsOfShapes::addHolder(Groups& groups, int face, size_t position) {
    std::vector<size_t>& positions = groups.holders[face];
    if (std::find(positions.begin(), positions.end(), position) == positions.end()) positions.push_back(position);
}

}  // namespace vexa_host
