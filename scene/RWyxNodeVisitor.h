#ifndef WYX_SCENE_RWYXNODEVISITOR_H
#define WYX_SCENE_RWYXNODEVISITOR_H

// The base of the walks over a node subtree that pick out nodes: the scaling checker, the
// name-clash collector. A walk visits the subtree depth first, a node before its children and
// children in order, asks Accept of each node and lists the accepted ones.
//
// The walk runs on an explicit stack, so a hierarchy of any depth is safe.

#include <vector>

class RWyxNode;

class RWyxNodeVisitor {
public:
    RWyxNodeVisitor() = default;
    RWyxNodeVisitor(const RWyxNodeVisitor&) = delete;
    RWyxNodeVisitor& operator=(const RWyxNodeVisitor&) = delete;

    // ---- the virtual operations, in this order -----------------------------------------------
    virtual ~RWyxNodeVisitor() = default;
    // Empties the result list (the base's body); a subclass also empties its own lists.
    virtual void Clear() = 0;
    // Appends each node of the subtree for which Accept answers true (null: nothing).
    virtual void Visit(RWyxNode* node);
    virtual bool Accept(RWyxNode* node) = 0;

    // Remembers the root, visits it and answers the result list, which keeps what earlier
    // walks found until Clear.
    const std::vector<RWyxNode*>& Collect(RWyxNode* root);
    RWyxNode* GetRoot() const { return root_; }
    const std::vector<RWyxNode*>& GetResult() const { return result_; }

private:
    RWyxNode* root_ = nullptr;
    std::vector<RWyxNode*> result_;
};

#endif
