#ifndef WYX_CORE_PREORDERWALK_H
#define WYX_CORE_PREORDERWALK_H

// Walks over a tree whose items give their children as the scene's nodes and a skeleton's
// bones do (GetChildCount, and GetChild with an index, null for a child that is not there),
// in pre-order: an item before its children, children in order. The walk keeps its own
// stack, so a tree of any depth is safe.

#include "core/RString.h"

#include <vector>

// Calls visit with each item of the tree at and below root (none for a null root).
template <typename Item, typename Visit>
void VisitPreOrder(Item* root, Visit&& visit) {
    std::vector<Item*> pending;
    if (root != nullptr) {
        pending.push_back(root);
    }
    while (!pending.empty()) {
        Item* item = pending.back();
        pending.pop_back();
        visit(*item);
        // Children in reverse, so that the first child is taken next.
        for (int i = item->GetChildCount() - 1; i >= 0; --i) {
            if (Item* child = item->GetChild(i)) {
                pending.push_back(child);
            }
        }
    }
}

// Appends "\n    " and the text fault gives an item (why the item cannot be written; empty
// when it can) for every item of the tree it gives one for, in pre-order, to text; false when
// there was one.
template <typename Item, typename Fault>
bool CollectPreOrderFaults(Item* root, Fault&& fault, RString& text) {
    bool clean = true;
    VisitPreOrder(root, [&fault, &text, &clean](Item& item) {
        const RString found = fault(item);
        if (!found.IsEmptyText()) {
            text += "\n    ";
            text += found;
            clean = false;
        }
    });
    return clean;
}

#endif
