#ifndef WYX_SCENE_RWYXPIVOTSET_H
#define WYX_SCENE_RWYXPIVOTSET_H

// One of a node's two pivot sets: the offsets, pivots, pre- and post-rotation and geometric
// transform that place a node in its parent's space besides its local translation, rotation
// and scaling, with the cached pivot global transform of the set. A file fills set 0; a
// consumer that represents pivots differently prepares set 1. The fields carry the names of
// the node properties that hold the same values in files. The node evaluates the pivot
// global transform (scene/RWyxNodeTransforms.cpp); the cached one counts only while
// `cacheValid` is set and `cacheStamp` is the pivot transform stamp
// (RWyxNode::GetPivotTransformStamp) it was computed under.

#include "core/RMatrix.h"
#include "core/RVector4.h"

#include <cstdint>

struct RWyxPivotSet {
    // The pivot state of a set that is in use; any other value means not in use.
    static constexpr int kInUse = 0;

    RWyxPivotSet() { Reset(); }

    // Back to the defaults: every vector (0, 0, 0, 1) but the geometric scaling (1, 1, 1, 1),
    // rotation order 0 ("Euler XYZ"), the flags cleared, the transform the identity, the
    // cache invalid (stamp 0) and the set not in use.
    void Reset();

    bool IsInUse() const { return pivotState == kInUse; }

    RVector4 rotationOffset;
    RVector4 rotationPivot;
    RVector4 rotationPivotUpdateOffset;
    RVector4 preRotation;   // degrees
    RVector4 postRotation;  // degrees
    RVector4 scalingOffset;
    RVector4 scalingPivot;
    RVector4 scalingPivotUpdateOffset;
    RVector4 geometricTranslation;
    RVector4 geometricRotation;  // degrees
    RVector4 geometricScaling;
    int rotationOrder = 0;
    std::uint8_t rotationSpaceForLimitOnly = 0;
    RMatrix pivotGlobalTransform;
    std::uint8_t cacheValid = 0;
    std::uint64_t cacheStamp = 0;
    int pivotState = 1;
};

#endif
