#include <vexa/VItDag.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/Scene.h"

#include <deque>

using namespace vexa_host;

namespace {

// The chain with the child below its end, sized once.
std::vector<NodePtr> extended(const std::vector<NodePtr>& chain, Node& child) {
    std::vector<NodePtr> longer;
    longer.reserve(chain.size() + 1);
    longer.assign(chain.begin(), chain.end());
    longer.push_back(child.self());
    return longer;
}

}  // namespace

VItDag::VItDag(TraversalType traversal, VFn::Type filter, VStatus* status) : traversal_(traversal), filter_(filter) {
    if (traversal != kDepthFirst && traversal != kBreadthFirst) {
        traversal_ = kDepthFirst;
        report(status, VStatus(VStatus::kInvalidParameter, "unknown traversal type"));
    } else {
        report(status, VStatus());
    }
    collect();
}

void VItDag::collect() {
    paths_.clear();
    subtreeEnd_.clear();
    position_ = 0;
    using Chain = std::vector<NodePtr>;
    const std::vector<Node*> roots = Scene::instance().world().children();
    if (traversal_ == kBreadthFirst) {
        std::deque<Chain> queue;
        for (Node* root : roots) queue.push_back({root->self()});
        while (!queue.empty()) {
            Chain chain = std::move(queue.front());
            queue.pop_front();
            for (Node* child : chain.back()->children()) queue.push_back(extended(chain, *child));
            paths_.emplace_back(std::move(chain));
            subtreeEnd_.push_back(0);
        }
        return;
    }
    // Depth first, without recursion: each entry remembers where its subtree ends so that
    // prune() can skip it.
    struct Pending {
        Chain chain;
        bool leaving;
        size_t index;
    };
    std::vector<Pending> stack;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) stack.push_back({{(*it)->self()}, false, 0});
    while (!stack.empty()) {
        Pending top = std::move(stack.back());
        stack.pop_back();
        if (top.leaving) {
            subtreeEnd_[top.index] = static_cast<unsigned>(paths_.size());
            continue;
        }
        const size_t index = paths_.size();
        paths_.emplace_back(std::move(top.chain));
        subtreeEnd_.push_back(0);
        stack.push_back({{}, true, index});
        // The children's chains are copied from the path just kept: one copy per node.
        const Chain& kept = paths_.back().nodes();
        const std::vector<Node*> children = kept.back()->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back({extended(kept, **it), false, 0});
    }
}

void VItDag::skipInvalid() {
    while (position_ < paths_.size()) {
        const VDagPath& path = paths_[position_];
        const bool alive = path.nodes().back()->alive();
        const bool wanted = filter_ == VFn::kInvalid || path.nodes().back()->hasFn(filter_);
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
    path = paths_[position_];
    return VStatus();
}

VObject VItDag::currentItem(VStatus* status) const {
    if (isDone()) {
        report(status, VStatus(VStatus::kFailure, "the iteration is done"));
        return VObject();
    }
    report(status, VStatus());
    return paths_[position_].node();
}

unsigned VItDag::depth(VStatus* status) const {
    if (isDone()) {
        report(status, VStatus(VStatus::kFailure, "the iteration is done"));
        return 0;
    }
    report(status, VStatus());
    return paths_[position_].length() - 1;
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
