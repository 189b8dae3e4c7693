#ifndef WYX_SCENE_RWYXROOTNODEUTILITY_H
#define WYX_SCENE_RWYXROOTNODEUTILITY_H

// Recognises the root nodes another application inserts above its content: a node whose
// current name (with its prefix) contains the root name "Wyx_Root" anywhere, or one that a
// subclass's IsReferenceNode accepts (motion-capture reference nodes play the same part).

#include "core/RString.h"

class RWyxNode;

class RWyxRootNodeUtility {
public:
    static constexpr const char* kRootName = "Wyx_Root";

    RWyxRootNodeUtility() : rootName_(kRootName) {}
    RWyxRootNodeUtility(const RWyxRootNodeUtility&) = delete;
    RWyxRootNodeUtility& operator=(const RWyxRootNodeUtility&) = delete;
    virtual ~RWyxRootNodeUtility() = default;

    // False here; a subclass recognises its reference nodes.
    virtual bool IsReferenceNode(RWyxNode* /*node*/) const { return false; }

    RString GetRootName() const { return rootName_; }
    // False for null; true when the current name contains the root name, else
    // IsReferenceNode.
    bool IsRootNode(RWyxNode* node) const;

private:
    RString rootName_;
};

#endif
