#ifndef WYX_PLUGIN_NODETREEWALK_H
#define WYX_PLUGIN_NODETREEWALK_H

// The depth-first walk that the import's and the export's passes over the SDK node tree share.
// It visits the nodes exactly as this recursive walk would:
//
//   Walk(node):  enter(node); Walk(each child, in the order given); leave(node)
//
// with a stack of its own, so that a hierarchy of any depth leaves the thread's stack alone.
// As in the recursive walk, a node's children are looked at only once it has been entered, and
// each child is read from its parent when the walk reaches it: first to last re-counts the
// children before each one, last to first counts them once and goes down from the last index.
// A missing node (null) is skipped.

#include "scene/RWyxNode.h"

#include <vector>

enum class ChildOrder { kFirstToLast, kLastToFirst };

template <typename Enter, typename Leave>
void WalkNodeTree(RWyxNode* node, ChildOrder order, const Enter& enter, const Leave& leave) {
    const bool forward = order == ChildOrder::kFirstToLast;
    struct Pending {
        RWyxNode* node;
        int next;  // the index of the child to go down to next
    };
    std::vector<Pending> pending;
    const auto goDown = [&](RWyxNode* reached) {
        if (reached == nullptr) return;
        enter(*reached);
        pending.push_back({reached, forward ? 0 : reached->GetChildCount() - 1});
    };
    goDown(node);
    while (!pending.empty()) {
        // Copied out and written back before going down: goDown may grow the stack and move it.
        RWyxNode* current = pending.back().node;
        const int next = pending.back().next;
        if (forward ? next >= current->GetChildCount() : next < 0) {
            pending.pop_back();
            leave(*current);
            continue;
        }
        pending.back().next = forward ? next + 1 : next - 1;
        goDown(current->GetChild(next));
    }
}

template <typename Enter>
void WalkNodeTree(RWyxNode* node, ChildOrder order, const Enter& enter) {
    WalkNodeTree(node, order, enter, [](RWyxNode&) {});
}

#endif
