// Rotation baking: every node bound to a host transform gets offsets (translation, Euler XYZ
// rotation in degrees, scaling) that hold the host's whole local transformation (pivots, rotate
// axis, joint orient) times its parent's offsets, with the axis correction of aim-type lights
// (a quarter turn about X) and cameras (about Y).

#include "hostexport/ExportSteps.h"

#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "plugin/HostUtilities.h"
#include "plugin/NodeTreeWalk.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VFnTransform.h>

namespace {

constexpr double kHalfPi = 1.5707963267948966;

void CorrectAxes(const VDagPath& path, VTransformationMatrix& transformation) {
    double angles[3] = {0.0, 0.0, 0.0};
    if (path.hasFn(VFn::kSpotLight) || path.hasFn(VFn::kDirectionalLight)) {
        angles[0] = kHalfPi;
    } else if (path.hasFn(VFn::kCamera) && !path.hasFn(VFn::kLocator)) {
        angles[1] = kHalfPi;
    } else {
        return;
    }
    transformation.rotateBy(angles, VTransformationMatrix::kXYZ, VSpace::kTransform);
}

RVector4 Triple(const double* values) { return RVector4(values[0], values[1], values[2], 0.0); }

void BakeNode(VexaNode& node) {
    const VDagPath* path = node.GetDagPath();
    if (path == nullptr) return;
    VStatus status;
    const VFnTransform transform(*path, &status);
    if (!status) return;
    VTransformationMatrix transformation = transform.transformation(&status);
    if (!status) return;
    CorrectAxes(*path, transformation);
    RMatrix local;
    TransformationToMatrix(transformation, local);
    RMatrix baked = local;
    if (auto* parent = static_cast<VexaNode*>(node.GetParent())) {
        RMatrix parentMatrix;
        MatrixFromTRS(parentMatrix, Triple(parent->GetOffsetTranslation()), Triple(parent->GetOffsetRotation()),
                      Triple(parent->GetOffsetScaling()), 0);
        MatrixMultiplyAffine(baked, parentMatrix, local);
    }
    // Scaling and rotation from the rows (all three scale factors negated for a mirror); a zero
    // row gives a zero factor and a finite rotation.
    const RVector4 translation = baked.GetTranslation();
    const RVector4 rotation = baked.GetRotation();
    const RVector4 scaling = baked.GetScaling();
    node.SetOffsetTranslation(translation.x, translation.y, translation.z);
    node.SetOffsetRotation(rotation.x, rotation.y, rotation.z);
    node.SetOffsetScaling(scaling.x, scaling.y, scaling.z);
}

}  // namespace

int BakeOffsetTransforms(RWyxNode* node) {
    WalkNodeTree(node, ChildOrder::kLastToFirst, [](RWyxNode& each) { BakeNode(static_cast<VexaNode&>(each)); });
    return 0;
}
