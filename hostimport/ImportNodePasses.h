#ifndef WYX_HOSTIMPORT_IMPORTNODEPASSES_H
#define WYX_HOSTIMPORT_IMPORTNODEPASSES_H

// Passes over the SDK node tree between reading the file and creating host nodes, besides
// those the import session runs on its name table (WyxVexaImportSession::BuildNameTable,
// CreateNodesInNamespaces). Each walks the tree in child order and accepts a node without
// children.

#include <algorithm>
#include <cstddef>
#include <unordered_map>
#include <utility>
#include <vector>

class RWyxNode;
class VexaObjectFactory;

// A group that the host's camera and light rigs make: the name ends in "_group", and among the
// children at least two of {a camera whose name begins with the group's base name, a child
// named "..._aim", a child named "..._up"} are found, one of them an aim. A camera whose
// look-at target is one of the group's children counts as the rig's camera whatever its name,
// and its look-at and up targets as the aim and up children, so that a rig the import made
// (its camera named after the file's) is claimed again on the next trip.
bool IsAimUpGroupNode(const RWyxNode* node);

// Every null that deforms a geometry of the subtree (a skin link's link node without an
// attribute or with a null attribute) becomes a limb node: the factory makes it a skeleton
// attribute. A node with any other attribute (a mesh, a camera) keeps it.
void ConvertDeformingNullsToJoints(RWyxNode* node, VexaObjectFactory& factory);

// Takes every geometry of the subtree that has no control point off its node and destroys it:
// the reader leaves a geometry so when it dropped what a damaged file held of it (a surface
// without points), and nothing of it can be built. The node comes in as a node without
// attribute, and no later step looks for the shape, its materials or its deformers.
void DropGeometryWithoutPoints(RWyxNode* node, VexaObjectFactory& factory);

// False for null and a node without attribute; true for a skeleton.
bool IsSkeletonNode(const RWyxNode* node);

// Adds the skin links of every geometry below the node (the node left out) to the count.
void CountGeometryDeformers(RWyxNode* node, int& count);

// The node, then each child's subtree in child order; nothing for null.
void CollectSubtreePreOrder(RWyxNode* node, std::vector<RWyxNode*>& nodes);

// Calls the visit on the node and every node below it, in pre-order.
template <typename Visit>
void VisitSubtree(RWyxNode* node, Visit visit) {
    std::vector<RWyxNode*> nodes;
    CollectSubtreePreOrder(node, nodes);
    for (RWyxNode* each : nodes) visit(each);
}

// The place of every node of the tree below the root (the root at 0) in the pre-order of
// CollectSubtreePreOrder.
using PreOrderPlaces = std::unordered_map<const RWyxNode*, std::size_t>;
PreOrderPlaces PlacesInPreOrder(RWyxNode* root);

// Puts the records in the pre-order of a tree, given the places of its nodes (made once for
// every list sorted against the same tree); a record whose node has no place is dropped, and
// of several records of one node only the last is kept. A list of one record stays as it is.
// `Record` has a member `node`.
template <typename Record>
void SortPoseRecordsByHierarchy(std::vector<Record>& records, const PreOrderPlaces& places) {
    if (records.size() == 1) return;
    // The last record of each placed node, found by node.
    std::unordered_map<const RWyxNode*, std::size_t> last;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (places.count(records[i].node) > 0) last[records[i].node] = i;
    }
    std::vector<std::pair<std::size_t, std::size_t>> order;  // place, record
    order.reserve(last.size());
    for (const auto& entry : last) order.emplace_back(places.at(entry.first), entry.second);
    std::sort(order.begin(), order.end());
    std::vector<Record> sorted;
    sorted.reserve(order.size());
    for (const auto& entry : order) sorted.push_back(std::move(records[entry.second]));
    records.swap(sorted);
}

// The same against the tree below the root.
template <typename Record>
void SortPoseRecordsByHierarchy(std::vector<Record>& records, RWyxNode* root) {
    SortPoseRecordsByHierarchy(records, PlacesInPreOrder(root));
}

#endif
