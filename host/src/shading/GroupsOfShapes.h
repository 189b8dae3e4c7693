#ifndef VEXA_HOST_GROUPSOFSHAPES_H
#define VEXA_HOST_GROUPSOFSHAPES_H

// The shading groups given members on each shape, so that forcing an item into one group
// visits the groups that hold something of its shape, not every node of the scene. An entry
// may outlive the membership it records (the group is read where it is used); entries of
// deleted shapes and groups go in a sweep once the table has doubled since the last one.
//
// Beside the groups of a shape, an index of its polygons: the groups that may hold each one,
// and the groups holding members that no polygon tells (the whole shape, a component of
// another class, one with complete data). Forcing polygons looks at those groups only, so a
// run costs what its polygons cost however many groups shade the shape. The index may name a
// group that holds the polygon no more (it is read where it is used, and forgotten then); it
// never misses one. The polygon components it read are watched: an edit of one that the
// index did not follow (a plug-in holding the component, say) sends the shape's index to be
// read again from the members before its next use.

#include "host/src/geometry/SingleIndexedComponent.h"
#include "host/src/scene/Node.h"

#include <vexa/VexaExport.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace vexa_host {

class VEXA_API GroupsOfShapes {
public:
    static GroupsOfShapes& instance();

    static constexpr size_t kIndexedFrom = 8;
    // Tests: the count of groups (noted on a shape) from which the shape's polygons are indexed.
    void indexFrom(size_t groups) { indexedFrom_ = groups; }

    // The groups of a shape are told apart by id (never used again), so that noting one more
    // is constant time: a shape may be shaded by thousands of groups.
    void note(Node& shape, Node& group);

    // Visits the live groups noted for the shape, in the order first noted, without a list of
    // them: a set edit asks for every polygon it forces. The visit may change the groups'
    // members, not this table.
    template <typename Visit>
    void forEachOf(const Node& shape, Visit visit) const {
        auto entry = groups_.find(shape.weak_from_this());
        if (entry == groups_.end()) return;
        for (const std::weak_ptr<Node>& held : entry->second.held) visitLive(held, visit);
    }

    // The same for the groups that may hold one of the polygons (count of them, faceAt(i) the
    // i-th) and those the index cannot tell: every group that forEachOf visits and that holds
    // one of them, or a member no polygon tells, in the same order.
    template <typename FaceAt, typename Visit>
    void forEachHolderOf(const Node& shape, int count, FaceAt faceAt, Visit visit) {
        auto entry = groups_.find(shape.weak_from_this());
        if (entry == groups_.end()) return;
        Groups& groups = entry->second;
        if (!indexed(groups)) {
            for (const std::weak_ptr<Node>& held : groups.held) visitLive(held, visit);
            return;
        }
        std::vector<size_t> visiting;
        visiting.swap(groups.found);
        collect(shape, groups, count, faceAt, visiting);
        for (size_t position : visiting) visitLive(groups.held[position], visit);
        groups.found.swap(visiting);
    }

    // After the group's members on the shape were edited (the edit made under
    // SingleIndexedComponent::FollowedEdits): the polygons it may have gained (count of them,
    // faceAt(i) the i-th) join the index, its members are read for the rest. Called for each
    // group an edit changed. An index already behind is left to be read anew at its next use.
    template <typename FaceAt>
    void edited(const Node& shape, const Node& group, int count, FaceAt faceAt) {
        size_t position = 0;
        Groups* groups = following(shape, group, position);
        if (groups == nullptr) return;
        if (classify(shape, *groups, position, false)) {
            for (int i = 0; i < count; ++i) addHolder(*groups, faceAt(i), position);
        }
    }

private:
    struct Groups {
        std::vector<std::weak_ptr<Node>> held;  // in the order first noted
        // Of every group noted, held or swept: its place in held, kSwept once swept.
        std::unordered_map<std::uint64_t, size_t> positions;
        // The index of polygons: places in held of the groups that may hold each polygon, and
        // of those it cannot tell. Valid while the count of watched edits stays at readAt.
        std::unordered_map<int, std::vector<size_t>> holders;
        std::unordered_set<size_t> broad;
        std::uint64_t readAt = kUnread;
        std::vector<size_t> found;  // kept between visits, for its storage
    };

    static constexpr size_t kSwept = SIZE_MAX;
    static constexpr std::uint64_t kUnread = UINT64_MAX;

    // The places of the groups forEachHolderOf visits, ascending, each once.
    template <typename FaceAt>
    void collect(const Node& shape, Groups& groups, int count, FaceAt faceAt, std::vector<size_t>& found) {
        if (groups.readAt != SingleIndexedComponent::watchedEdits()) read(shape, groups);
        found.assign(groups.broad.begin(), groups.broad.end());
        for (int i = 0; i < count; ++i) holdersOf(shape, groups, faceAt(i), found);
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
    }
    static bool gone(const std::weak_ptr<Node>& held);
    template <typename Visit>
    static void visitLive(const std::weak_ptr<Node>& held, Visit& visit) {
        const NodePtr group = held.lock();
        if (group != nullptr && group->alive()) visit(*group);
    }
    void sweep();
    // The shape's entry, and the group's place in it, where the index is up to date; null
    // otherwise (a group it does not know sends it to be read anew).
    Groups* following(const Node& shape, const Node& group, size_t& position);
    // The index read anew from the members of the shape's groups.
    void read(const Node& shape, Groups& groups);
    // Reads the group's members on the shape: watches its components, and marks it broad where
    // a member tells no polygon. withFaces: its polygons join the index too. Answers whether
    // its polygons are what the index knows it by (it is not broad).
    bool classify(const Node& shape, Groups& groups, size_t position, bool withFaces);
    // Appends to found the groups that hold the polygon now; forgets those that do not.
    void holdersOf(const Node& shape, Groups& groups, int face, std::vector<size_t>& found);
    static void addHolder(Groups& groups, int face, size_t position);

    // A shape of fewer groups is not indexed: looking at each of them costs less than keeping
    // the index (an entry per polygon) would.
    bool indexed(const Groups& groups) const { return groups.held.size() >= indexedFrom_; }

    static constexpr size_t kFirstSweep = 64;
    std::map<std::weak_ptr<Node>, Groups, std::owner_less<>> groups_;  // found by any pointer to the shape
    size_t sweepAt_ = kFirstSweep;
    size_t indexedFrom_ = kIndexedFrom;
};

}  // namespace vexa_host

#endif
