#include "hostimport/AxisCorrection.h"

#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "scene/RWyxNode.h"

namespace {

const RVector4 kLightCorrection(90.0, 0.0, 0.0, 0.0);
const RVector4 kCameraCorrection(0.0, 90.0, 0.0, 0.0);

RVector4 Xyz(const RVector4& angles) { return RVector4(angles.x, angles.y, angles.z, 0.0); }

// The post-rotation, then the correction turned forwards or backwards.
RVector4 Turned(const RWyxNode& node, const RVector4& post, bool back) {
    if (!HasAxisCorrection(node)) return post;
    RMatrix postMatrix;
    RMatrix correction;
    EulerVectorXYZToMatrix(postMatrix, Xyz(post));
    EulerVectorXYZToMatrix(correction, node.GetLight() != nullptr ? kLightCorrection : kCameraCorrection);
    // A rotation's inverse is its transpose.
    if (back) MatrixTranspose(correction, correction);
    RMatrix combined;
    MatrixMultiplyRotation(combined, correction, postMatrix);
    RVector4 angles;
    MatrixToEulerXYZ(angles, combined);
    return angles;
}

}  // namespace

bool HasAxisCorrection(const RWyxNode& node) {
    // The target is looked for only on lights and cameras: finding it costs more than the checks.
    return (node.GetLight() != nullptr || node.GetCamera() != nullptr) && node.GetTarget() == nullptr;
}

RVector4 WithAxisCorrection(const RWyxNode& node, const RVector4& post) { return Turned(node, post, false); }

RVector4 WithoutAxisCorrection(const RWyxNode& node, const RVector4& post) { return Turned(node, post, true); }
