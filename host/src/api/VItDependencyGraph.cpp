#include <vexa/VItDependencyGraph.h>

#include "host/src/api/ApiSupport.h"

using namespace vexa_host;

VItDependencyGraph::VItDependencyGraph(const VObject& root, VFn::Type filter, Direction direction, Traversal traversal,
                                       Level, VStatus* status)
    : root_(root), filter_(filter), direction_(direction), traversal_(traversal) {
    if (liveNodeOf(root) == nullptr) {
        report(status, VStatus(VStatus::kInvalidParameter, "the root is not a live node"));
        return;
    }
    report(status, VStatus());
    reset();
}

VStatus VItDependencyGraph::reset() {
    pending_.clear();
    seen_.clear();
    current_ = VObject();
    pruneCurrent_ = false;
    if (liveNodeOf(root_) == nullptr) return VStatus(VStatus::kInvalidParameter, "the root is not a live node");
    seen_.insert(root_.record().get());
    pending_.push_back(root_);
    advance();
    return VStatus();
}

void VItDependencyGraph::advance() {
    // Puts the neighbours of the current node in line, then takes the next node; a node the
    // filter does not want is walked through (its neighbours still count).
    while (true) {
        Node* node = pruneCurrent_ ? nullptr : liveNodeOf(current_);
        if (node != nullptr) {
            const auto& links = direction_ == kDownstream ? node->outgoing() : node->incoming();
            std::vector<VObject> neighbours;
            for (const Connection& connection : links) {
                if (seen_.insert(connection.other).second) neighbours.push_back(VObject(connection.other->self()));
            }
            if (traversal_ == kBreadthFirst) {
                pending_.insert(pending_.begin(), neighbours.rbegin(), neighbours.rend());
            } else {
                pending_.insert(pending_.end(), neighbours.rbegin(), neighbours.rend());
            }
        }
        pruneCurrent_ = false;
        current_ = VObject();
        Node* candidate = nullptr;
        while (!pending_.empty() && candidate == nullptr) {
            current_ = pending_.back();
            pending_.pop_back();
            candidate = liveNodeOf(current_);
        }
        if (candidate == nullptr) {
            current_ = VObject();
            return;
        }
        if (filter_ == VFn::kInvalid || filter_ == VFn::kBase || candidate->hasFn(filter_)) return;
    }
}

bool VItDependencyGraph::isDone(VStatus* status) const {
    report(status, VStatus());
    return current_.isNull();
}

VStatus VItDependencyGraph::next() {
    if (current_.isNull()) return VStatus(VStatus::kFailure, "the iteration is done");
    advance();
    return VStatus();
}

VObject VItDependencyGraph::currentItem(VStatus* status) const {
    report(status, current_.isNull() ? VStatus(VStatus::kFailure, "the iteration is done") : VStatus());
    return current_;
}

VStatus VItDependencyGraph::prune() {
    if (current_.isNull()) return VStatus(VStatus::kFailure, "the iteration is done");
    pruneCurrent_ = true;
    return VStatus();
}
