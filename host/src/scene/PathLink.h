#ifndef VEXA_HOST_PATHLINK_H
#define VEXA_HOST_PATHLINK_H

// One step of a DAG path: a node and the path above it (none for a child of the world). Paths
// share the steps they have in common, so a path is copied, lengthened by a child or shortened
// in constant time, and the paths of a deep hierarchy take one step per node rather than one
// node per level of each path. A step never changes once made.
//
// A node keeps the steps of its first path (Node::keptFirstPath) while anything holds them:
// firstPathLink answers from there while the DAG's layout holds (Node::layoutStamp), and builds
// only the steps not kept yet, so that the nodes of a deep hierarchy get their paths in constant
// time each. The scene holds the path built last (Scene::holdLastBuiltPath), so that commands
// naming one new node after another keep their steps between them.

#include "host/src/scene/Node.h"

#include <vexa/VexaExport.h>

#include <cstddef>
#include <memory>
#include <vector>

namespace vexa_host {

class PathLink;
using PathTail = std::shared_ptr<const PathLink>;

class VEXA_API PathLink {
public:
    PathLink(NodePtr node, PathTail up);
    // A long chain of steps held by nothing else goes step by step, not by recursion.
    ~PathLink();
    PathLink(const PathLink&) = delete;
    PathLink& operator=(const PathLink&) = delete;

    Node& node() const { return *node_; }
    const NodePtr& nodePtr() const { return node_; }
    const PathTail& up() const { return up_; }
    size_t length() const { return length_; }
    // Whether a node of the path had more than one parent when the step was made: the path is
    // then one of several to its node. Holds for a node's kept first path.
    bool instanced() const { return instanced_; }
    // Whether the top node's first parent was the world when the step was made.
    bool rooted() const { return rooted_; }

    // The step made by appending the node to the path above (null for a child of the world).
    static PathTail make(Node& node, PathTail up);

private:
    NodePtr node_;
    mutable PathTail up_;  // emptied only by the release of a chain
    size_t length_;
    bool instanced_;
    bool rooted_;
};

// The node's first path (first parents up to the world): the steps the node keeps while the
// layout holds, built and kept anew otherwise. Null for the world and for a node off the DAG.
VEXA_API PathTail firstPathLink(const Node& node);

// The step of the child below the path above (null for the world): the child's kept first path
// when that path runs through the above path's kept steps, so that the two share them; a new
// step otherwise.
VEXA_API PathTail childStep(const PathTail& up, Node& child);

// The path of the nodes, top down, built of kept steps where it runs along first paths.
VEXA_API PathTail pathOfNodes(const std::vector<Node*>& nodes);

// Whether two paths name the same nodes in the same order; shared steps compare at once.
VEXA_API bool samePath(const PathLink* a, const PathLink* b);

// Whether the path still runs from the world down to its node: every node alive and the child of
// the one above. A node's kept first path answers at once.
VEXA_API bool pathStillLinked(const PathTail& tail, const Node& world);

}  // namespace vexa_host

#endif
