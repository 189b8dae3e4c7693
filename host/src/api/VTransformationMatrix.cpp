#include <vexa/VTransformationMatrix.h>

#include "host/src/scene/TransformMath.h"

#include <cmath>

using vexa_host::eulerToMatrix;
using vexa_host::matrixToEuler;
using vexa_host::translationMatrix;

namespace {

bool plainSpace(VSpace::Space space) {
    return space == VSpace::kTransform || space == VSpace::kObject || space == VSpace::kPreTransform;
}

VStatus badSpace() { return VStatus(VStatus::kInvalidParameter, "the space is not supported here"); }

VMatrix scaleMatrix(const double scale[3]) {
    VMatrix m;
    for (int i = 0; i < 3; ++i) m[i][i] = scale[i];
    return m;
}

VMatrix translationOf(const VVector& v) { return translationMatrix(v.x, v.y, v.z); }
VMatrix translationOf(const VPoint& p) { return translationMatrix(p.x, p.y, p.z); }

}  // namespace

VTransformationMatrix::VTransformationMatrix(const VMatrix& matrix) {
    translation_ = VVector(matrix[3][0], matrix[3][1], matrix[3][2]);
    const double sign = matrix.det3x3() < 0.0 ? -1.0 : 1.0;
    VMatrix rotation;
    for (int i = 0; i < 3; ++i) {
        const VVector row(matrix[i][0], matrix[i][1], matrix[i][2]);
        scale_[i] = sign * row.length();
        for (int j = 0; j < 3; ++j) rotation[i][j] = scale_[i] != 0.0 ? matrix[i][j] / scale_[i] : (i == j ? 1.0 : 0.0);
    }
    matrixToEuler(rotation, kXYZ, angles_);
}

VMatrix VTransformationMatrix::asMatrix() const {
    const VMatrix rotation = rotateAxis_.asMatrix() * eulerToMatrix(angles_, order_) * jointOrient_.asMatrix();
    return translationOf(VVector(-scalePivot_.x, -scalePivot_.y, -scalePivot_.z)) * scaleMatrix(scale_) *
           translationOf(scalePivot_) * translationOf(scalePivotTranslation_) *
           translationOf(VVector(-rotatePivot_.x, -rotatePivot_.y, -rotatePivot_.z)) * rotation *
           translationOf(rotatePivot_) * translationOf(rotatePivotTranslation_) * translationOf(translation_);
}

VVector VTransformationMatrix::getTranslation(VSpace::Space space, VStatus* status) const {
    if (status != nullptr) *status = plainSpace(space) ? VStatus() : badSpace();
    return translation_;
}

VStatus VTransformationMatrix::setTranslation(const VVector& translation, VSpace::Space space) {
    if (!plainSpace(space)) return badSpace();
    translation_ = translation;
    return VStatus();
}

VStatus VTransformationMatrix::getRotation(double angles[3], RotationOrder& order) const {
    for (int i = 0; i < 3; ++i) angles[i] = angles_[i];
    order = order_;
    return VStatus();
}

VStatus VTransformationMatrix::setRotation(const double angles[3], RotationOrder order) {
    if (!vexa_host::isValidOrder(order)) return VStatus(VStatus::kInvalidParameter, "unknown rotation order");
    if (order == order_) {
        for (int i = 0; i < 3; ++i) angles_[i] = angles[i];
    } else {
        matrixToEuler(eulerToMatrix(angles, order), order_, angles_);
    }
    return VStatus();
}

VQuaternion VTransformationMatrix::rotation() const { return VQuaternion::fromMatrix(eulerToMatrix(angles_, order_)); }

VStatus VTransformationMatrix::setRotationQuaternion(double x, double y, double z, double w, VSpace::Space space) {
    if (!plainSpace(space)) return badSpace();
    matrixToEuler(VQuaternion(x, y, z, w).asMatrix(), order_, angles_);
    return VStatus();
}

VStatus VTransformationMatrix::getRotationQuaternion(double& x, double& y, double& z, double& w, VSpace::Space space) const {
    if (!plainSpace(space)) return badSpace();
    const VQuaternion q = rotation();
    x = q.x;
    y = q.y;
    z = q.z;
    w = q.w;
    return VStatus();
}

VStatus VTransformationMatrix::reorderRotation(RotationOrder order) {
    if (!vexa_host::isValidOrder(order)) return VStatus(VStatus::kInvalidParameter, "unknown rotation order");
    matrixToEuler(eulerToMatrix(angles_, order_), order, angles_);
    order_ = order;
    return VStatus();
}

VStatus VTransformationMatrix::rotateBy(const double angles[3], RotationOrder order, VSpace::Space space) {
    if (!vexa_host::isValidOrder(order)) return VStatus(VStatus::kInvalidParameter, "unknown rotation order");
    return rotateBy(VQuaternion::fromMatrix(eulerToMatrix(angles, order)), space);
}

VStatus VTransformationMatrix::rotateBy(const VQuaternion& rotation, VSpace::Space space) {
    const VMatrix current = eulerToMatrix(angles_, order_);
    if (space == VSpace::kTransform || space == VSpace::kPreTransform) {
        matrixToEuler(current * rotation.asMatrix(), order_, angles_);
    } else if (space == VSpace::kObject) {
        matrixToEuler(rotation.asMatrix() * current, order_, angles_);
    } else {
        return badSpace();
    }
    return VStatus();
}

VStatus VTransformationMatrix::getScale(double scale[3], VSpace::Space space) const {
    if (!plainSpace(space)) return badSpace();
    for (int i = 0; i < 3; ++i) scale[i] = scale_[i];
    return VStatus();
}

VStatus VTransformationMatrix::setScale(const double scale[3], VSpace::Space space) {
    if (!plainSpace(space)) return badSpace();
    for (int i = 0; i < 3; ++i) scale_[i] = scale[i];
    return VStatus();
}

VPoint VTransformationMatrix::scalePivot(VSpace::Space space, VStatus* status) const {
    if (status != nullptr) *status = plainSpace(space) ? VStatus() : badSpace();
    return scalePivot_;
}

VStatus VTransformationMatrix::setScalePivot(const VPoint& pivot, VSpace::Space space, bool balance) {
    if (!plainSpace(space)) return badSpace();
    if (balance) {
        // Keep [-Sp] S [Sp] [St] unchanged: St' = St + d - d S, with d = Sp - Sp'.
        const VVector d = scalePivot_ - pivot;
        scalePivotTranslation_ = scalePivotTranslation_ + d - VVector(d.x * scale_[0], d.y * scale_[1], d.z * scale_[2]);
    }
    scalePivot_ = VPoint(pivot.x, pivot.y, pivot.z);
    return VStatus();
}

VVector VTransformationMatrix::scalePivotTranslation(VSpace::Space space, VStatus* status) const {
    if (status != nullptr) *status = plainSpace(space) ? VStatus() : badSpace();
    return scalePivotTranslation_;
}

VStatus VTransformationMatrix::setScalePivotTranslation(const VVector& offset, VSpace::Space space) {
    if (!plainSpace(space)) return badSpace();
    scalePivotTranslation_ = offset;
    return VStatus();
}

VPoint VTransformationMatrix::rotatePivot(VSpace::Space space, VStatus* status) const {
    if (status != nullptr) *status = plainSpace(space) ? VStatus() : badSpace();
    return rotatePivot_;
}

VStatus VTransformationMatrix::setRotatePivot(const VPoint& pivot, VSpace::Space space, bool balance) {
    if (!plainSpace(space)) return badSpace();
    if (balance) {
        // Keep [-Rp] Rot [Rp] [Rt] unchanged: Rt' = Rt + d - d Rot, with d = Rp - Rp'.
        const VMatrix rotation = rotateAxis_.asMatrix() * eulerToMatrix(angles_, order_) * jointOrient_.asMatrix();
        const VVector d = rotatePivot_ - pivot;
        rotatePivotTranslation_ = rotatePivotTranslation_ + d - d * rotation;
    }
    rotatePivot_ = VPoint(pivot.x, pivot.y, pivot.z);
    return VStatus();
}

VVector VTransformationMatrix::rotatePivotTranslation(VSpace::Space space, VStatus* status) const {
    if (status != nullptr) *status = plainSpace(space) ? VStatus() : badSpace();
    return rotatePivotTranslation_;
}

VStatus VTransformationMatrix::setRotatePivotTranslation(const VVector& offset, VSpace::Space space) {
    if (!plainSpace(space)) return badSpace();
    rotatePivotTranslation_ = offset;
    return VStatus();
}

VQuaternion VTransformationMatrix::rotateOrientation(VSpace::Space space, VStatus* status) const {
    if (status != nullptr) *status = plainSpace(space) ? VStatus() : badSpace();
    return rotateAxis_;
}

VStatus VTransformationMatrix::setRotateOrientation(const VQuaternion& orientation, VSpace::Space space, bool balance) {
    if (!plainSpace(space)) return badSpace();
    if (balance) {
        // Keep Ra R unchanged: R' = Ra'^-1 Ra R.
        const VMatrix kept = rotateAxis_.asMatrix() * eulerToMatrix(angles_, order_);
        matrixToEuler(orientation.normal().conjugate().asMatrix() * kept, order_, angles_);
    }
    rotateAxis_ = orientation.normal();
    return VStatus();
}
