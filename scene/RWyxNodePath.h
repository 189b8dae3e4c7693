#ifndef WYX_SCENE_RWYXNODEPATH_H
#define WYX_SCENE_RWYXNODEPATH_H

// Where a node sits below its top ancestor, as the child index taken at each level, so that
// the same place can be found again (in another copy of the hierarchy, or after the node has
// gone) by following the indices.

#include "core/RString.h"

#include <vector>

class RWyxNode;

class RWyxNodePath {
public:
    // From the node up to the first node without a parent (the top ancestor), the index of
    // each node among its parent's children, top first. A parent with a single child gives 0.
    explicit RWyxNodePath(RWyxNode* node);

    RWyxNode* GetStartNode() const { return start_; }
    RWyxNode* GetTopNode() const { return top_; }
    int GetDepth() const { return static_cast<int>(indices_.size()); }
    const std::vector<int>& GetIndices() const { return indices_; }

    // The node reached from the top ancestor by following the first `depth` indices (0 or
    // less: the top ancestor; more than the path holds: all of them). Null when a child
    // index no longer exists.
    RWyxNode* GetNodeAt(int depth) const;
    // The current name of GetNodeAt(depth); empty when there is none.
    RString GetNameAt(int depth) const;

private:
    RWyxNode* start_;
    RWyxNode* top_ = nullptr;
    std::vector<int> indices_;
};

#endif
