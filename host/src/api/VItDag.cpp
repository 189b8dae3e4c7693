#include <vexa/VItDag.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PathLink.h"
#include "host/src/scene/Scene.h"

#include <deque>

using namespace vexa_host;

VItDag::VItDag(TraversalType traversal, VFn::Type filter, VStatus* status) : traversal_(traversal), filter_(filter) {
    if (traversal != kDepthFirst && traversal != kBreadthFirst) {
        traversal_ = kDepthFirst;
        report(status, VStatus(VStatus::kInvalidParameter, "unknown traversal type"));
    } else {
        report(status, VStatus());
    }
    collect();
}

unsigned VItDag::addStep(unsigned above, Node& node) {
    paths_.push_back(childStep(above == kTop ? PathTail() : paths_[above], node));
    subtreeEnd_.push_back(0);
    return static_cast<unsigned>(paths_.size() - 1);
}

void VItDag::collect() {
    paths_.clear();
    subtreeEnd_.clear();
    position_ = 0;
    const std::vector<Node*> roots = Scene::instance().world().children();
    if (traversal_ == kBreadthFirst) {
        // Each path is queued as the step above it and its own last node.
        std::deque<std::pair<unsigned, Node*>> queue;
        for (Node* root : roots) queue.emplace_back(kTop, root);
        while (!queue.empty()) {
            const std::pair<unsigned, Node*> next = queue.front();
            queue.pop_front();
            const unsigned index = addStep(next.first, *next.second);
            for (Node* child : next.second->children()) queue.emplace_back(index, child);
        }
        return;
    }
    // Depth first, without recursion: each entry remembers where its subtree ends so that
    // prune() can skip it.
    struct Pending {
        Node* node;  // null when leaving the subtree of step `index`
        unsigned index;  // the step above the node, or the step being left
    };
    std::vector<Pending> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back({*it, kTop});
    while (!stack.empty()) {
        const Pending top = stack.back();
        stack.pop_back();
        if (top.node == nullptr) {
            subtreeEnd_[top.index] = static_cast<unsigned>(paths_.size());
            continue;
        }
        const unsigned index = addStep(top.index, *top.node);
        stack.push_back({nullptr, index});
        const std::vector<Node*> children = top.node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, index});
    }
}

void VItDag::skipInvalid() {
    while (position_ < paths_.size()) {
        const Node& node = paths_[position_]->node();
        const bool alive = node.alive();
        const bool wanted = filter_ == VFn::kInvalid || node.hasFn(filter_);
        if (alive && wanted) return;
        ++position_;
    }
}

bool VItDag::isDone(VStatus* status) const {
    report(status, VStatus());
    const_cast<VItDag*>(this)->skipInvalid();
    return position_ >= paths_.size();
}

VStatus VItDag::next() {
    skipInvalid();
    if (position_ >= paths_.size()) return VStatus(VStatus::kFailure, "the iteration is done");
    ++position_;
    return VStatus();
}

VStatus VItDag::reset() {
    collect();
    return VStatus();
}

VStatus VItDag::getPath(VDagPath& path) const {
    if (isDone()) return VStatus(VStatus::kFailure, "the iteration is done");
    path = VDagPath(paths_[position_]);
    return VStatus();
}

VObject VItDag::currentItem(VStatus* status) const {
    if (isDone()) {
        report(status, VStatus(VStatus::kFailure, "the iteration is done"));
        return VObject();
    }
    report(status, VStatus());
    return VObject(paths_[position_]->nodePtr());
}

unsigned VItDag::depth(VStatus* status) const {
    if (isDone()) {
        report(status, VStatus(VStatus::kFailure, "the iteration is done"));
        return 0;
    }
    report(status, VStatus());
    return static_cast<unsigned>(paths_[position_]->length() - 1);
}

VString VItDag::fullPathName(VStatus* status) const {
    VDagPath path;
    VStatus result = getPath(path);
    report(status, result);
    return result ? path.fullPathName() : VString();
}

VString VItDag::partialPathName(VStatus* status) const {
    VDagPath path;
    VStatus result = getPath(path);
    report(status, result);
    return result ? path.partialPathName() : VString();
}

VStatus VItDag::prune() {
    if (isDone()) return VStatus(VStatus::kFailure, "the iteration is done");
    if (traversal_ != kDepthFirst) return VStatus(VStatus::kNotImplemented, "only a depth-first walk can be pruned");
    position_ = subtreeEnd_[position_];
    return VStatus();
}
