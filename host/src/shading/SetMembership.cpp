#include "host/src/shading/SetMembership.h"

#include "host/src/geometry/GeometryHistory.h"
#include "host/src/geometry/MeshData.h"
#include "host/src/geometry/ShapeTypes.h"
#include "host/src/geometry/SingleIndexedComponent.h"
#include "host/src/scene/Handles.h"
#include "host/src/scene/NamedItems.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/shading/GroupsOfShapes.h"

#include <memory>
#include <unordered_set>

namespace vexa_host {

namespace {

SetMembers* membersOf(Node& set) { return SetMembers::of(set.payload()); }

bool isIntermediate(const Node& node) { return readNumber(node, "intermediateObject") != 0.0; }

bool holdsAny(const SingleIndexedComponent& component, const SingleIndexedComponent& elements) {
    const int count = elements.elementCount();
    for (int i = 0; i < count; ++i) {
        if (component.holds(elements.element(i))) return true;
    }
    return false;
}

// The elements of a member that stay when the forced ones leave it: a whole shape keeps all
// its elements of the forced kind but those; a component of that kind loses them. Null when
// the member is untouched (another kind of element, or none of the forced ones), an empty
// component when nothing stays.
std::shared_ptr<SingleIndexedComponent> remainder(const SelectionItem& member, const SingleIndexedComponent& forced) {
    std::vector<int> held;
    if (member.component.isNull()) {
        MeshDataPtr mesh = meshOf(*liveNodeOf(member.path.node()));
        const bool faces = forced.apiType() == VFn::kMeshPolygonComponent;
        const int count = mesh == nullptr ? 0 : (faces ? mesh->polygonCount() : mesh->pointCount());
        for (int element = 0; element < count; ++element) held.push_back(element);
    } else if (const auto* own = SingleIndexedComponent::of(member.component.record().get())) {
        if (own->apiType() != forced.apiType() || !holdsAny(*own, forced)) return nullptr;
        held = own->elements();
    } else {
        return nullptr;
    }
    const std::vector<int> leaving = forced.elements();
    const std::unordered_set<int> gone(leaving.begin(), leaving.end());
    auto rest = std::make_shared<SingleIndexedComponent>(forced.apiType());
    for (int element : held) {
        if (gone.count(element) == 0) rest->add(element);
    }
    return rest;
}

// Whether taking the item out of a group changes the member (what leaveOtherGroups edits):
// the member is the item, or the item is its whole shape, or the member holds some of the
// item's elements (a whole shape holds them all).
bool touchedBy(const SelectionItem& member, const SelectionItem& item, const SingleIndexedComponent* forced) {
    if (member.kind != SelectionItem::kDagPath || member.path != item.path) return false;
    if (item.component.isNull() || member.sameAs(item)) return true;
    if (forced == nullptr) return false;
    if (member.component.isNull()) return true;
    const auto* own = SingleIndexedComponent::of(member.component.record().get());
    return own != nullptr && own->apiType() == forced->apiType() && holdsAny(*own, *forced);
}

// The polygons forced, when the index of the shape's polygons can tell the groups that hold
// them: a polygon component with elements (an empty one is the same as an empty member).
const SingleIndexedComponent* indexedPolygons(const SingleIndexedComponent* forced) {
    const bool polygons = forced != nullptr && forced->apiType() == VFn::kMeshPolygonComponent;
    return polygons && forced->elementCount() > 0 ? forced : nullptr;
}

// Visits the other groups that may hold something of the item's shape the force takes out:
// those the index names for forced polygons, every group of the shape for other items.
template <typename Visit>
void forEachGroupForced(const Node& shape, const SingleIndexedComponent* forced, Visit visit) {
    GroupsOfShapes& table = GroupsOfShapes::instance();
    if (const SingleIndexedComponent* polygons = indexedPolygons(forced)) {
        table.forEachHolderOf(shape, polygons->elementCount(), [polygons](int i) { return polygons->element(i); }, visit);
    } else {
        table.forEachOf(shape, visit);
    }
}

// Takes the item (a shape, or elements of it) out of every other shading group. Groups whose
// members it leaves alone (a polygon forced into one group of a checkerboard is in no other)
// are only looked at. checked: the item's path, when the caller has found it valid. edited:
// the groups whose members changed.
void leaveOtherGroups(const Node& group, const SelectionItem& item, const VDagPath* checked, std::vector<Node*>& edited) {
    const auto* forced = SingleIndexedComponent::of(item.component.record().get());
    Node* shape = liveNodeOf(item.node);
    if (shape == nullptr) return;
    forEachGroupForced(*shape, forced, [&group, &item, forced, checked, &edited](Node& other) {
        if (&other == &group) return;
        SetMembers* members = membersOf(other);
        const auto touched = [&item, forced](const SelectionItem& member) { return touchedBy(member, item, forced); };
        if (!members->anyOn(item.node, touched, checked)) return;
        edited.push_back(&other);
        for (const SelectionItem& member : members->on(item.node)) {
            if (member.kind != SelectionItem::kDagPath || member.path != item.path) continue;
            if (item.component.isNull() || member.sameAs(item)) {
                members->remove(member);
                continue;
            }
            std::shared_ptr<SingleIndexedComponent> rest = forced != nullptr ? remainder(member, *forced) : nullptr;
            if (rest == nullptr) continue;
            members->remove(member);
            if (rest->elementCount() > 0) members->add(dagItem(member.path, VObject(rest)));
        }
    });
}

// The group holds the whole shape of the item already (so its elements too).
bool holdsWhole(const SetMembers& members, const SelectionItem& item, const VDagPath* checked) {
    return members.anyOn(
        item.node,
        [&item](const SelectionItem& member) {
            return member.kind == SelectionItem::kDagPath && member.path == item.path && member.component.isNull();
        },
        checked);
}

VStatus addToDeformer(Node& set, const SelectionItem& item) {
    Node* deformer = deformerOfSet(set);
    if (deformer == nullptr || item.kind != SelectionItem::kDagPath) return VStatus();
    VDagPath shapePath = item.path;
    if (VStatus status = shapePath.extendToShape(); !status) return status;
    Node* shape = liveNodeOf(shapePath.node());
    int index = -1;
    return shape != nullptr ? attachGeometry(*deformer, *shape, false, index) : VStatus();
}

// Tells the index of the shape's polygons what an edit changed: the groups the item left,
// and the group it joined with its polygons.
void noteEdit(Node& shape, Node& group, const SelectionItem& item, const std::vector<Node*>& left) {
    GroupsOfShapes& table = GroupsOfShapes::instance();
    const auto none = [](int) { return 0; };
    for (Node* other : left) table.edited(shape, *other, 0, none);
    const SingleIndexedComponent* polygons = indexedPolygons(SingleIndexedComponent::of(item.component.record().get()));
    const int count = polygons != nullptr ? polygons->elementCount() : 0;
    table.edited(shape, group, count, [polygons](int i) { return polygons->element(i); });
}

// Puts a shape or elements of it into a shading group. pathChecked: the shape's path has just
// been found valid, so members on that path need no second look.
void addRenderable(Node& group, SetMembers& members, const SelectionItem& shape, bool force, bool pathChecked) {
    const VDagPath* checked = pathChecked ? &shape.path : nullptr;
    const SingleIndexedComponent::FollowedEdits following;
    std::vector<Node*> left;
    if (force) leaveOtherGroups(group, shape, checked, left);
    // A member merged into one on the same shape: the group was noted for the shape then.
    bool merged = false;
    const bool added = !holdsWhole(members, shape, checked) && members.add(shape, &merged);
    Node* node = liveNodeOf(shape.node);
    if (node == nullptr) return;
    if (added && !merged) GroupsOfShapes::instance().note(*node, group);
    if (added || !left.empty()) noteEdit(*node, group, shape, left);
}

bool holdsAnyOf(const SingleIndexedComponent& component, int first, int last) {
    for (int element = first; element <= last; ++element) {
        if (component.holds(element)) return true;
    }
    return false;
}

bool holdsAllOf(const SingleIndexedComponent& component, int first, int last) {
    if (component.elementCount() != last - first + 1) return false;
    for (int element = first; element <= last; ++element) {
        if (!component.holds(element)) return false;
    }
    return true;
}

// A run of a shape's elements, first to last, on the shape's first path: the item that a text
// "shape.f[first:last]" names.
struct ElementRun {
    const Node* shape;
    VFn::Type type;
    int first;
    int last;

    bool onPath(const SelectionItem& member) const {
        return member.kind == SelectionItem::kDagPath && isFirstPathOf(member.path, *shape);
    }
    // The member on the run's path holds elements of its kind, as the whole shape or a component.
    // A component of another class is told apart by the general way; it counts as touched here.
    bool touches(const SelectionItem& member) const {
        if (!onPath(member)) return false;
        if (member.component.isNull()) return true;
        const auto* own = SingleIndexedComponent::of(member.component.record().get());
        return own == nullptr || (own->apiType() == type && holdsAnyOf(*own, first, last));
    }
};

// Whether forcing the run into the group would take something out of another group
// (leaveOtherGroups), or the other group is one the general way must look at.
bool otherGroupsTouched(const Node& group, const ElementRun& run) {
    bool touched = false;
    const auto visit = [&group, &run, &touched](Node& other) {
        if (touched || &other == &group) return;
        const SetMembers* members = membersOf(other);
        touched = members == nullptr ||
                  members->anyMemberOn(run.shape, [&run](const SelectionItem& member) { return run.touches(member); });
    };
    GroupsOfShapes& table = GroupsOfShapes::instance();
    if (run.type == VFn::kMeshPolygonComponent) {
        table.forEachHolderOf(*run.shape, run.last - run.first + 1, [&run](int i) { return run.first + i; }, visit);
    } else {
        table.forEachOf(*run.shape, visit);
    }
    return touched;
}

// The run added to the group's members where the group holds the shape whole, the same
// elements, or a component of the run's kind that it alone refers to (grown in place): what
// addRenderable does then (holdsWhole, SetMembers::add), without an item of the run. False,
// nothing changed, for every other case, and wherever a component of another class is held.
bool addRunInPlace(Node& group, SetMembers& members, const ElementRun& run) {
    bool whole = false;
    bool unknown = false;
    bool same = false;
    const SelectionItem* merging = nullptr;  // the first component of the run's kind
    members.anyMemberOn(run.shape, [&](const SelectionItem& member) {
        if (!run.onPath(member)) return false;
        if (member.component.isNull()) return whole = true;
        const auto* own = SingleIndexedComponent::of(member.component.record().get());
        unknown = unknown || own == nullptr;
        if (own == nullptr || own->apiType() != run.type) return false;
        same = same || holdsAllOf(*own, run.first, run.last);
        if (merging == nullptr) merging = &member;
        return false;
    });
    if (whole || same) return !unknown || whole;
    if (unknown || merging == nullptr) return false;
    auto* own = SingleIndexedComponent::of(merging->component.record().get());
    // In place only where nothing else sees the component.
    if (merging->component.record().use_count() != 1 || own->completeCount() >= 0) return false;
    {
        const SingleIndexedComponent::FollowedEdits following;
        for (int element = run.first; element <= run.last; ++element) own->add(element);
    }
    const int count = run.type == VFn::kMeshPolygonComponent ? run.last - run.first + 1 : 0;
    GroupsOfShapes::instance().edited(*run.shape, group, count, [&run](int i) { return run.first + i; });
    return true;
}

}  // namespace

bool addRunToGroup(Node& set, const std::string& itemText, bool force) {
    SetMembers* members = membersOf(set);
    if (members == nullptr || !set.alive() || setRestriction(set) != 5) return false;
    size_t dot = 0;
    const Node* shape = plainComponentOwner(itemText, dot);
    if (shape == nullptr || shape->isTransform()) return false;
    ElementRun run{shape, VFn::kInvalid, 0, 0};
    if (!readMeshRange(*shape, itemText, dot + 1, run.type, run.first, run.last)) return false;
    if (force && otherGroupsTouched(set, run)) return false;
    return addRunInPlace(set, *members, run);
}

int setRestriction(const Node& set) { return set.hasFn(VFn::kShadingEngine) ? 5 : 0; }

VStatus renderableItems(const SelectionItem& item, std::vector<SelectionItem>& items) {
    if (item.kind != SelectionItem::kDagPath || !item.path.isValid()) {
        return VStatus(VStatus::kInvalidParameter, "a shading group holds shapes and their components only");
    }
    Node* node = liveNodeOf(item.path.node());
    if (node == nullptr || !node->isTransform()) {
        items.push_back(item);
        return VStatus();
    }
    const size_t before = items.size();
    for (Node* child : node->children()) {
        if (child->isTransform() || isIntermediate(*child)) continue;
        VDagPath shape = item.path;
        shape.push(objectOf(*child));
        items.push_back(dagItem(shape));
    }
    return items.size() > before ? VStatus() : VStatus(VStatus::kInvalidParameter, "the transform holds no shape");
}

VStatus addSetMember(Node& set, const SelectionItem& item, bool force, std::uint64_t checkedAt) {
    SetMembers* members = membersOf(set);
    if (members == nullptr || !set.alive()) return VStatus(VStatus::kInvalidParameter, "not an object set");
    const bool unchanged = checkedAt != 0 && checkedAt == Node::structureStamp();
    if (!unchanged && !item.stillExists()) return VStatus(VStatus::kInvalidParameter, "the item no longer exists");
    if (setRestriction(set) != 5) {
        if (VStatus status = addToDeformer(set, item); !status) return status;
        members->add(item);
        return VStatus();
    }
    // A shape (or elements of it) is added as it is, without a list of one.
    const Node* node = item.kind == SelectionItem::kDagPath ? liveEndOf(item.path) : nullptr;
    if (node != nullptr && !node->isTransform()) {
        addRenderable(set, *members, item, force, true);  // its path was found valid above
        return VStatus();
    }
    std::vector<SelectionItem> shapes;
    if (VStatus status = renderableItems(item, shapes); !status) return status;
    for (const SelectionItem& shape : shapes) addRenderable(set, *members, shape, force, false);
    return VStatus();
}

VStatus removeSetMember(Node& set, const SelectionItem& item) {
    SetMembers* members = membersOf(set);
    if (members == nullptr) return VStatus(VStatus::kInvalidParameter, "not an object set");
    return members->remove(item) ? VStatus() : VStatus(VStatus::kNotFound, "the item is not a member");
}

}  // namespace vexa_host
