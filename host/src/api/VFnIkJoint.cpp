#include <vexa/VFnIkJoint.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/TransformMath.h"
#include "host/src/scene/TransformNode.h"

using namespace vexa_host;

VFnIkJoint::VFnIkJoint(const VObject& object, VStatus* status) { report(status, VFnIkJoint::setObject(object)); }

VFnIkJoint::VFnIkJoint(const VDagPath& path, VStatus* status) { report(status, VFnIkJoint::setObject(path)); }

VStatus VFnIkJoint::setObject(const VObject& object) { return VFnTransform::setObject(object); }

VStatus VFnIkJoint::setObject(const VDagPath& path) { return VFnTransform::setObject(path); }

VObject VFnIkJoint::create(const VObject& parent, VStatus* status) { return VFnDagNode::create("joint", parent, status); }

VStatus VFnIkJoint::getOrientation(VQuaternion& orientation) const {
    double angles[3];
    VTransformationMatrix::RotationOrder order;
    VStatus status = getOrientation(angles, order);
    if (status) orientation = eulerToQuaternion(angles, order);
    return status;
}

VStatus VFnIkJoint::setOrientation(const VQuaternion& orientation) {
    double angles[3];
    matrixToEuler(orientation.asMatrix(), VTransformationMatrix::kXYZ, angles);
    return setOrientation(angles, VTransformationMatrix::kXYZ);
}

VStatus VFnIkJoint::getOrientation(double angles[3], VTransformationMatrix::RotationOrder& order) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    readTriple(*liveNodeOf(object_), "jointOrient", angles);
    order = VTransformationMatrix::kXYZ;
    return VStatus();
}

VStatus VFnIkJoint::setOrientation(const double angles[3], VTransformationMatrix::RotationOrder order) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    if (!isValidOrder(order)) return VStatus(VStatus::kInvalidParameter, "unknown rotation order");
    double xyz[3] = {angles[0], angles[1], angles[2]};
    if (order != VTransformationMatrix::kXYZ) matrixToEuler(eulerToMatrix(angles, order), VTransformationMatrix::kXYZ, xyz);
    return writeTriple(*liveNodeOf(object_), "jointOrient", xyz);
}
