#include "host/src/scene/PathLink.h"

#include "host/src/scene/Scene.h"

#include <utility>

namespace vexa_host {

namespace {

// The next node up a first path: the first parent; null at the top, past the world or a node
// off the DAG (as Scene::firstPath walks).
const Node* firstParentOf(const Node& node) {
    if (node.parents().empty()) return nullptr;
    const Node* parent = node.parents().front().parent;
    return parent->isWorld() || !parent->isDag() ? nullptr : parent;
}

}  // namespace

PathLink::PathLink(NodePtr node, PathTail up)
    : node_(std::move(node)),
      up_(std::move(up)),
      length_(up_ ? up_->length_ + 1 : 1),
      instanced_(node_->parents().size() > 1 || (up_ && up_->instanced_)),
      rooted_(up_ ? up_->rooted_ : !node_->parents().empty() && node_->parents().front().parent->isWorld()) {}

PathLink::~PathLink() {
    PathTail next = std::move(up_);
    while (next && next.use_count() == 1) {
        PathTail after = std::move(next->up_);
        next = std::move(after);
    }
}

PathTail PathLink::make(Node& node, PathTail up) { return std::make_shared<const PathLink>(node.self(), std::move(up)); }

PathTail firstPathLink(const Node& node) {
    if (node.isWorld() || !node.isDag()) return nullptr;
    // Up to the first node that keeps its steps (or the top), then down, keeping each new step.
    std::vector<const Node*> missing;
    PathTail above;
    for (const Node* current = &node; current != nullptr; current = firstParentOf(*current)) {
        if ((above = current->keptFirstPath())) break;
        missing.push_back(current);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        above = PathLink::make(const_cast<Node&>(**it), std::move(above));
        (*it)->keepFirstPath(above);
    }
    if (!missing.empty()) Scene::instance().holdLastBuiltPath(above);
    return above;
}

PathTail childStep(const PathTail& up, Node& child) {
    const Node* firstParent = child.parents().empty() ? nullptr : child.parents().front().parent;
    const bool alongFirstPaths = up ? firstParent == &up->node() && up->node().keptFirstPath() == up
                                    : firstParent != nullptr && firstParent->isWorld();
    return alongFirstPaths ? firstPathLink(child) : PathLink::make(child, up);
}

PathTail pathOfNodes(const std::vector<Node*>& nodes) {
    if (nodes.empty()) return nullptr;
    // Most path texts name a node's first path: then the steps it keeps are these nodes.
    if (PathTail kept = firstPathLink(*nodes.back()); kept && kept->length() == nodes.size()) {
        size_t place = nodes.size();
        for (const PathLink* step = kept.get(); step != nullptr && &step->node() == nodes[place - 1]; step = step->up().get()) {
            if (--place == 0) return kept;
        }
    }
    PathTail tail;
    for (Node* node : nodes) tail = childStep(tail, *node);
    return tail;
}

bool samePath(const PathLink* a, const PathLink* b) {
    if (a == nullptr || b == nullptr) return a == b;
    if (a->length() != b->length()) return false;
    for (; a != b; a = a->up().get(), b = b->up().get()) {
        if (&a->node() != &b->node()) return false;
    }
    return true;
}

bool pathStillLinked(const PathTail& tail, const Node& world) {
    if (!tail) return false;
    // A kept first path was linked when made, and no link has changed since.
    if (tail->rooted() && tail->node().keptFirstPath() == tail) return true;
    for (const PathLink* step = tail.get(); step != nullptr; step = step->up().get()) {
        const PathLink* above = step->up().get();
        if (!step->node().alive() || !step->node().hasParent(above != nullptr ? &above->node() : &world)) return false;
    }
    return true;
}

}  // namespace vexa_host
