#include "scene/RWyxNodeVisitor.h"

#include "scene/RWyxNode.h"

void RWyxNodeVisitor::Clear() { result_.clear(); }

void RWyxNodeVisitor::Visit(RWyxNode* node) {
    std::vector<RWyxNode*> pending;
    if (node != nullptr) pending.push_back(node);
    while (!pending.empty()) {
        RWyxNode* current = pending.back();
        pending.pop_back();
        if (Accept(current)) result_.push_back(current);
        // Pushed last to first, so that the first child comes out first.
        for (int i = current->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = current->GetChild(i)) pending.push_back(child);
        }
    }
}

const std::vector<RWyxNode*>& RWyxNodeVisitor::Collect(RWyxNode* root) {
    root_ = root;
    Visit(root);
    return result_;
}
