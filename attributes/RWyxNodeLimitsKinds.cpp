// The parts of RWyxNodeLimits that need the attribute kinds: what a node is for the bone axis
// (its attribute's kind and skeleton type) and the control points of its geometry.

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxSkeleton.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"

RWyxNodeLimits::BoneKind RWyxNodeLimits::BoneKindOf(const RWyxNode& node) {
    if (node.GetNodeAttribute() == nullptr) return BoneKind::kNoAttribute;
    if (node.GetMarker() != nullptr) return BoneKind::kMarker;
    if (const RWyxSkeleton* skeleton = node.GetSkeleton()) {
        return skeleton->GetSkeletonType() == 0 ? BoneKind::kRootSkeleton : BoneKind::kOtherSkeleton;
    }
    return BoneKind::kOther;
}

bool RWyxNodeLimits::FarthestControlPoint(const RWyxNode& node, RVector4& out) {
    const RWyxGeometry* geometry = node.GetGeometry();
    const int count = geometry != nullptr ? geometry->GetControlPointsCount() : 0;
    const RVector4* points = geometry != nullptr ? geometry->GetControlPoints() : nullptr;
    if (count <= 0 || points == nullptr) return false;
    int farthest = 0;
    double farthestLength = points[0].Length3();
    for (int i = 1; i < count; ++i) {
        const double length = points[i].Length3();
        if (length > farthestLength) {
            farthest = i;
            farthestLength = length;
        }
    }
    out = RVector4(points[farthest].x, points[farthest].y, points[farthest].z, 0.0);
    return true;
}
