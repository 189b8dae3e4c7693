#include "scene/RWyxNodePath.h"

#include "scene/RWyxNode.h"

#include <algorithm>

namespace {

int IndexAmongChildren(const RWyxNode& parent, const RWyxNode* child) {
    const int count = parent.GetChildCount();
    if (count < 2) return 0;
    for (int i = 0; i < count; ++i) {
        if (parent.GetChild(i) == child) return i;
    }
    return 0;
}

}  // namespace

RWyxNodePath::RWyxNodePath(RWyxNode* node) : start_(node) {
    if (node == nullptr) return;
    RWyxNode* current = node;
    // Collected bottom-up and turned round once: a deep chain costs its depth, not its square.
    while (RWyxNode* parent = current->GetParent()) {
        indices_.push_back(IndexAmongChildren(*parent, current));
        current = parent;
    }
    std::reverse(indices_.begin(), indices_.end());
    top_ = current;
}

RWyxNode* RWyxNodePath::GetNodeAt(int depth) const {
    RWyxNode* node = top_;
    const int steps = std::min(std::max(depth, 0), GetDepth());
    for (int i = 0; i < steps && node != nullptr; ++i) node = node->GetChild(indices_[static_cast<size_t>(i)]);
    return node;
}

RString RWyxNodePath::GetNameAt(int depth) const {
    const RWyxNode* node = GetNodeAt(depth);
    return node != nullptr ? node->GetName() : RString();
}
