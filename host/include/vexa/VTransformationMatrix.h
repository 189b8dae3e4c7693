#ifndef VEXA_VTRANSFORMATIONMATRIX_H
#define VEXA_VTRANSFORMATIONMATRIX_H

// A transform's parts and the matrix they make. In the row-vector convention (a point is
// multiplied on the left, each factor applied after the one before it):
//
//   M = [-Sp] S [Sp] [St] [-Rp] Ra R Jo [Rp] [Rt] [T]
//
//   S   scale                    Sp, St  scale pivot and its translation
//   Ra  rotate axis (the "rotateOrientation", from the rotateAxis plugs)
//   R   rotation, an Euler rotation in its rotation order
//   Jo  joint orient (identity for a plain transform)
//   Rp, Rt  rotate pivot and its translation;  T  translation
//
// Angles are in radians; an Euler order names the axes in the order they apply ("XYZ": X
// first, then Y, then Z; as row-vector matrices R = Rx * Ry * Rz).
//
// Space codes: kTransform reads and writes the values as they are; kObject is the same for
// pivots and translation. With balance, a setter keeps the matrix unchanged: a new pivot moves
// its pivot translation, a new rotate orientation turns the rotation the other way. rotateBy in
// kTransform space applies the new rotation after the current one (R' = R * B), in kObject
// space before it (R' = B * R).

#include <vexa/VMatrix.h>
#include <vexa/VPoint.h>
#include <vexa/VQuaternion.h>
#include <vexa/VSpace.h>
#include <vexa/VStatus.h>
#include <vexa/VVector.h>
#include <vexa/VexaExport.h>

class VEXA_API VTransformationMatrix {
public:
    enum RotationOrder { kInvalid = 0, kXYZ = 1, kYZX = 2, kZXY = 3, kXZY = 4, kYXZ = 5, kZYX = 6, kLast = 7 };

    VTransformationMatrix() = default;
    // The parts of a plain matrix: translation, rotation (XYZ) and scale; no shear is kept.
    explicit VTransformationMatrix(const VMatrix& matrix);

    VMatrix asMatrix() const;

    VVector getTranslation(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setTranslation(const VVector& translation, VSpace::Space space);
    VStatus getRotation(double angles[3], RotationOrder& order) const;
    VStatus setRotation(const double angles[3], RotationOrder order);
    VQuaternion rotation() const;
    VStatus setRotationQuaternion(double x, double y, double z, double w, VSpace::Space space = VSpace::kTransform);
    VStatus getRotationQuaternion(double& x, double& y, double& z, double& w, VSpace::Space space = VSpace::kTransform) const;
    RotationOrder rotationOrder() const { return order_; }
    // With reorder the orientation is kept and the angles are recomputed for the new order.
    VStatus reorderRotation(RotationOrder order);
    VStatus rotateBy(const double angles[3], RotationOrder order, VSpace::Space space);
    VStatus rotateBy(const VQuaternion& rotation, VSpace::Space space);
    VStatus getScale(double scale[3], VSpace::Space space) const;
    VStatus setScale(const double scale[3], VSpace::Space space);

    VPoint scalePivot(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setScalePivot(const VPoint& pivot, VSpace::Space space, bool balance);
    VVector scalePivotTranslation(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setScalePivotTranslation(const VVector& offset, VSpace::Space space);
    VPoint rotatePivot(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setRotatePivot(const VPoint& pivot, VSpace::Space space, bool balance);
    VVector rotatePivotTranslation(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setRotatePivotTranslation(const VVector& offset, VSpace::Space space);
    VQuaternion rotateOrientation(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setRotateOrientation(const VQuaternion& orientation, VSpace::Space space, bool balance);
    VQuaternion jointOrient() const { return jointOrient_; }
    void setJointOrient(const VQuaternion& orient) { jointOrient_ = orient; }

private:
    VVector translation_;
    double angles_[3] = {0.0, 0.0, 0.0};
    RotationOrder order_ = kXYZ;
    double scale_[3] = {1.0, 1.0, 1.0};
    VPoint scalePivot_{0.0, 0.0, 0.0};
    VVector scalePivotTranslation_;
    VPoint rotatePivot_{0.0, 0.0, 0.0};
    VVector rotatePivotTranslation_;
    VQuaternion rotateAxis_;
    VQuaternion jointOrient_;
};

#endif
