#ifndef VEXA_VFNIKJOINT_H
#define VEXA_VFNIKJOINT_H

// The function set of joints: a transform with a joint orient (plugs jointOrientX/Y/Z, XYZ
// Euler radians), applied after the rotation (see VTransformationMatrix), and a "bindPose"
// matrix attribute of its own (identity until set).

#include <vexa/VFnTransform.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnIkJoint : public VFnTransform {
public:
    VFnIkJoint() = default;
    explicit VFnIkJoint(const VObject& object, VStatus* status = nullptr);
    explicit VFnIkJoint(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kJoint; }
    VStatus setObject(const VObject& object) override;
    VStatus setObject(const VDagPath& path);

    // A new "joint" under the parent (the null object: the world).
    VObject create(const VObject& parent = VObject::kNullObj, VStatus* status = nullptr);

    VStatus getOrientation(VQuaternion& orientation) const;
    VStatus setOrientation(const VQuaternion& orientation);
    VStatus getOrientation(double angles[3], VTransformationMatrix::RotationOrder& order) const;
    VStatus setOrientation(const double angles[3], VTransformationMatrix::RotationOrder order);
};

#endif
