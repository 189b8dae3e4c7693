#ifndef VEXA_VITDEPENDENCYGRAPH_H
#define VEXA_VITDEPENDENCYGRAPH_H

// Follows connections from a root node: downstream (to the nodes its outputs feed) or upstream
// (to the nodes that feed its inputs), depth first or breadth first, each node once. The root
// is the first item when the filter takes it. With a filter type only nodes that answer hasFn
// for it are given out; the walk goes on through the others. kInvalid (0) and kBase (1) as the filter give every node.
// Only node level is supported; kPlugLevel walks the same nodes.

#include <vexa/VFn.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <unordered_set>
#include <vector>

class VEXA_API VItDependencyGraph {
public:
    enum Direction { kDownstream = 0, kUpstream = 1 };
    enum Traversal { kDepthFirst = 0, kBreadthFirst = 1 };
    enum Level { kNodeLevel = 0, kPlugLevel = 1 };

    VItDependencyGraph(const VObject& root, VFn::Type filter = VFn::kInvalid, Direction direction = kDownstream,
                       Traversal traversal = kDepthFirst, Level level = kNodeLevel, VStatus* status = nullptr);

    bool isDone(VStatus* status = nullptr) const;
    VStatus next();
    VStatus reset();
    VObject currentItem(VStatus* status = nullptr) const;
    VObject thisNode(VStatus* status = nullptr) const { return currentItem(status); }
    // Does not go beyond the current node.
    VStatus prune();

private:
    void advance();

    VObject root_;
    VFn::Type filter_;
    Direction direction_;
    Traversal traversal_;
    std::vector<VObject> pending_;
    std::unordered_set<const void*> seen_;
    VObject current_;
    bool pruneCurrent_ = false;
};

#endif
