#ifndef VEXA_VFNTRANSFORM_H
#define VEXA_VFNTRANSFORM_H

// The function set of transform-kind DAG nodes (transforms, joints, look-at roots).
//
// Everything is kept in the node's plugs: translate, rotate (radians), rotateOrder, scale,
// rotatePivot, rotatePivotTranslation, scalePivot, scalePivotTranslation, rotateAxis (the
// rotate orientation, XYZ Euler radians), and for joints jointOrient. transformation() gathers
// them into a VTransformationMatrix whose matrix is the node's local matrix (see there).
//
// Limits: each limit type has a value and an enable flag (plugs "minTransXLimit" and
// "minTransXLimitEnable" and so on). Reading translation, rotation and scale gives the values
// as set; the matrix (transformation(), the "matrix" plug, world matrices) uses them clamped
// by the enabled limits. Setting a limit value or flag never changes the stored values.
//
// Spaces: kTransform and kObject read and write the plugs; kWorld works for the translation
// only, needs a function set made from a DAG path and goes through the parents' matrices;
// other spaces are kInvalidParameter.

#include <vexa/VFnDagNode.h>
#include <vexa/VPoint.h>
#include <vexa/VQuaternion.h>
#include <vexa/VSpace.h>
#include <vexa/VTransformationMatrix.h>
#include <vexa/VVector.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnTransform : public VFnDagNode {
public:
    enum LimitType {
        kScaleMinX = 0, kScaleMaxX = 1, kScaleMinY = 2, kScaleMaxY = 3, kScaleMinZ = 4, kScaleMaxZ = 5,
        kRotateMinX = 12, kRotateMaxX = 13, kRotateMinY = 14, kRotateMaxY = 15, kRotateMinZ = 16, kRotateMaxZ = 17,
        kTranslateMinX = 18, kTranslateMaxX = 19, kTranslateMinY = 20, kTranslateMaxY = 21,
        kTranslateMinZ = 22, kTranslateMaxZ = 23,
    };

    VFnTransform() = default;
    explicit VFnTransform(const VObject& object, VStatus* status = nullptr);
    explicit VFnTransform(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kTransform; }
    VStatus setObject(const VObject& object) override;
    VStatus setObject(const VDagPath& path);

    // A new "transform" under the parent (the null object: the world).
    VObject create(const VObject& parent = VObject::kNullObj, VStatus* status = nullptr);

    VTransformationMatrix transformation(VStatus* status = nullptr) const;
    VStatus set(const VTransformationMatrix& transformation);

    VVector translation(VSpace::Space space, VStatus* status = nullptr) const;
    VVector getTranslation(VSpace::Space space, VStatus* status = nullptr) const { return translation(space, status); }
    VStatus setTranslation(const VVector& translation, VSpace::Space space);
    VStatus translateBy(const VVector& offset, VSpace::Space space);

    // The rotation angles in the node's rotation order, and that order.
    VStatus getRotation(double angles[3], VTransformationMatrix::RotationOrder& order) const;
    // Orients the node as the angles in the given order do; the angles are stored in the
    // node's own rotation order (converted when the orders differ).
    VStatus setRotation(const double angles[3], VTransformationMatrix::RotationOrder order);
    VStatus getRotation(VQuaternion& rotation, VSpace::Space space = VSpace::kTransform) const;
    VStatus setRotation(const VQuaternion& rotation, VSpace::Space space = VSpace::kTransform);
    VStatus getRotationQuaternion(double& x, double& y, double& z, double& w, VSpace::Space space = VSpace::kTransform) const;
    VStatus setRotationQuaternion(double x, double y, double z, double w, VSpace::Space space = VSpace::kTransform);
    VTransformationMatrix::RotationOrder rotationOrder(VStatus* status = nullptr) const;
    // With reorder the orientation is kept (the angles are recomputed); without it the
    // angles are kept and the orientation changes.
    VStatus setRotationOrder(VTransformationMatrix::RotationOrder order, bool reorder);

    VStatus getScale(double scale[3]) const;
    VStatus setScale(const double scale[3]);

    VPoint rotatePivot(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setRotatePivot(const VPoint& pivot, VSpace::Space space, bool balance = true);
    VVector rotatePivotTranslation(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setRotatePivotTranslation(const VVector& offset, VSpace::Space space);
    VPoint scalePivot(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setScalePivot(const VPoint& pivot, VSpace::Space space, bool balance = true);
    VVector scalePivotTranslation(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setScalePivotTranslation(const VVector& offset, VSpace::Space space);
    // The rotate orientation: the rotateAxis plugs as a quaternion.
    VQuaternion rotateOrientation(VSpace::Space space, VStatus* status = nullptr) const;
    VStatus setRotateOrientation(const VQuaternion& orientation, VSpace::Space space, bool balance = true);

    bool isLimited(LimitType type, VStatus* status = nullptr) const;
    double limitValue(LimitType type, VStatus* status = nullptr) const;
    VStatus setLimit(LimitType type, double value);
    VStatus enableLimit(LimitType type, bool enable);

protected:
    VStatus checkSpace(VSpace::Space space) const;
};

#endif
