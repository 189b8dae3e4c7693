#ifndef VEXA_VITDAG_H
#define VEXA_VITDAG_H

// Visits the DAG below the world (the world itself is not visited), depth first (children in
// order, each subtree before the next sibling) or breadth first (level by level). An
// instanced node is visited once for each of its paths. With a filter type only the nodes
// that answer hasFn for it are visited; the walk still goes through the others' children.
// kInvalid (0) as the filter visits every node.
//
// The iterator works on a snapshot of the paths taken when it is made or reset: nodes made
// while walking are not visited, and deleted ones are skipped.

#include <vexa/VDagPath.h>
#include <vexa/VFn.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <memory>
#include <vector>

class VEXA_API VItDag {
public:
    enum TraversalType { kInvalidType = 0, kDepthFirst = 1, kBreadthFirst = 2 };

    explicit VItDag(TraversalType traversal = kDepthFirst, VFn::Type filter = VFn::kInvalid, VStatus* status = nullptr);

    bool isDone(VStatus* status = nullptr) const;
    VStatus next();
    VStatus reset();
    VStatus getPath(VDagPath& path) const;
    VObject currentItem(VStatus* status = nullptr) const;
    VObject item(VStatus* status = nullptr) const { return currentItem(status); }
    unsigned depth(VStatus* status = nullptr) const;  // 0 for the children of the world
    VString fullPathName(VStatus* status = nullptr) const;
    VString partialPathName(VStatus* status = nullptr) const;
    // Skips the children of the current node.
    VStatus prune();

private:
    void collect();
    void skipInvalid();
    // Appends the path of the node below the path at `above` (kTop: below the world); its place.
    unsigned addStep(unsigned above, vexa_host::Node& node);

    TraversalType traversal_;
    VFn::Type filter_;
    // The snapshot: one path per visit, each sharing the steps above it with its parent's.
    std::vector<std::shared_ptr<const vexa_host::PathLink>> paths_;
    std::vector<unsigned> subtreeEnd_;  // depth first: the index past each path's subtree
    static constexpr unsigned kTop = ~0u;  // the place "above" a child of the world
    unsigned position_ = 0;
};

#endif
