#ifndef WYX_WYXWRITER_WYXNODEWALK_H
#define WYX_WYXWRITER_WYXNODEWALK_H

// The order the writers visit a hierarchy in: depth first, a node before its children and
// the children in order. The walk keeps its own stack, so a hierarchy of any depth is safe.

#include "scene/RWyxNode.h"

#include <vector>

// Calls visit(node) for every node below top (top itself excluded) in that order.
template <typename Visit>
void ForEachNodeBelow(const RWyxNode& top, Visit visit) {
    std::vector<RWyxNode*> stack;
    for (int i = top.GetChildCount() - 1; i >= 0; --i) stack.push_back(top.GetChild(i));
    while (!stack.empty()) {
        RWyxNode* node = stack.back();
        stack.pop_back();
        if (node == nullptr) continue;
        visit(*node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) stack.push_back(node->GetChild(i));
    }
}

// The number of nodes below top.
inline int CountNodesBelow(const RWyxNode& top) {
    int count = 0;
    ForEachNodeBelow(top, [&count](RWyxNode&) { ++count; });
    return count;
}

#endif
