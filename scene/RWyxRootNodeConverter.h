#ifndef WYX_SCENE_RWYXROOTNODECONVERTER_H
#define WYX_SCENE_RWYXROOTNODECONVERTER_H

// One pass over a scene root before an import: decides, for each inserted root below it
// (RWyxRootNodeUtility::IsRootNode), whether the root's transform merely undoes the target's
// axis conversion, and records the answer in two lists for the import that follows.
//
// ConvertSceneRoot(root): M is the target's conversion (GetConversionMatrix) with its fourth
// column forced to (0, 0, 0, 1). For each inserted root R among the root's children, in child
// order: when M then R's global transform of pivot set 0 is the identity within 1e-4 in the
// twelve affine elements, R only undoes M: R goes to the second list (a removable root) and
// its children to the first; otherwise R goes to the first list. Last, the scene root takes M
// as its default transform (ApplyRootMatrix).
//
// Both lists are emptied at the start of every pass, so that what a pass says about a root is
// never mixed with what an earlier pass said. The lists hold the nodes without owning them.
//
// The host import derives from this class and supplies the conversion and the root handling.

#include "core/RMatrix.h"
#include "scene/RWyxRootNodeUtility.h"

#include <vector>

class RWyxRootNodeConverter : public RWyxRootNodeUtility {
public:
    static constexpr double kIdentityTolerance = 1e-4;

    // False for a node in the first list; otherwise not IsRemovableRoot.
    virtual bool IsNodeToConvert(RWyxNode* node) const;
    // Fills the matrix (the identity on entry) with the target's axis conversion.
    virtual void GetConversionMatrix(RMatrix& out) = 0;
    // The node's default translation, rotation (Euler XYZ degrees) and scaling become the
    // matrix's.
    virtual void ApplyRootMatrix(RWyxNode* node, const RMatrix& matrix);

    // IsRootNode and in the second list.
    bool IsRemovableRoot(RWyxNode* node) const;
    // The pass described above; nothing for a null root.
    void ConvertSceneRoot(RWyxNode* sceneRoot);

    const std::vector<RWyxNode*>& GetFirstList() const { return firstList_; }
    const std::vector<RWyxNode*>& GetSecondList() const { return secondList_; }

private:
    std::vector<RWyxNode*> firstList_;
    std::vector<RWyxNode*> secondList_;
};

#endif
