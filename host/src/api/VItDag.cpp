#include <vexa/VItDag.h>

#include "host/src/api/ApiSupport.h"
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

unsigned VItDag::addStep(NodePtr node, unsigned above) {
    const unsigned length = above == kTop ? 1u : steps_[above].length + 1;
    steps_.push_back({std::move(node), above, length});
    subtreeEnd_.push_back(0);
    return static_cast<unsigned>(steps_.size() - 1);
}

VDagPath VItDag::pathAt(unsigned index) const {
    std::vector<NodePtr> nodes(steps_[index].length);
    for (unsigned step = index, place = steps_[index].length; place > 0; step = steps_[step].above) {
        nodes[--place] = steps_[step].node;
    }
    return VDagPath(std::move(nodes));
}

void VItDag::collect() {
    steps_.clear();
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
            const unsigned index = addStep(next.second->self(), next.first);
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
            subtreeEnd_[top.index] = static_cast<unsigned>(steps_.size());
            continue;
        }
        const unsigned index = addStep(top.node->self(), top.index);
        stack.push_back({nullptr, index});
        const std::vector<Node*> children = top.node->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({*it, index});
    }
}

void VItDag::skipInvalid() {
    while (position_ < steps_.size()) {
        const Node& node = *steps_[position_].node;
        const bool alive = node.alive();
        const bool wanted = filter_ == VFn::kInvalid || node.hasFn(filter_);
        if (alive && wanted) return;
        ++position_;
    }
}

bool VItDag::isDone(VStatus* status) const {
    report(status, VStatus());
    const_cast<VItDag*>(this)->skipInvalid();
    return position_ >= steps_.size();
}

VStatus VItDag::next() {
    skipInvalid();
    if (position_ >= steps_.size()) return VStatus(VStatus::kFailure, "the iteration is done");
    ++position_;
    return VStatus();
}

VStatus VItDag::reset() {
    collect();
    return VStatus();
}

VStatus VItDag::getPath(VDagPath& path) const {
    if (isDone()) return VStatus(VStatus::kFailure, "the iteration is done");
    path = pathAt(position_);
    return VStatus();
}

VObject VItDag::currentItem(VStatus* status) const {
    if (isDone()) {
        report(status, VStatus(VStatus::kFailure, "the iteration is done"));
        return VObject();
    }
    report(status, VStatus());
    return VObject(steps_[position_].node);
}

unsigned VItDag::depth(VStatus* status) const {
    if (isDone()) {
        report(status, VStatus(VStatus::kFailure, "the iteration is done"));
        return 0;
    }
    report(status, VStatus());
    return steps_[position_].length - 1;
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
