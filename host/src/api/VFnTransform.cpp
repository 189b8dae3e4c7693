#include <vexa/VFnTransform.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/TransformMath.h"
#include "host/src/scene/TransformNode.h"

using namespace vexa_host;

namespace {

// The stems of the parts, each made once with the compound it finds per node type.
const TripleStem kTranslate("translate");
const TripleStem kRotate("rotate");
const TripleStem kScale("scale");
const TripleStem kRotatePivot("rotatePivot");
const TripleStem kRotatePivotTranslate("rotatePivotTranslate");
const TripleStem kScalePivot("scalePivot");
const TripleStem kScalePivotTranslate("scalePivotTranslate");
const TypePlugName kRotateOrder("rotateOrder");

VStatus unsupportedSpace() { return VStatus(VStatus::kInvalidParameter, "the space is not supported here"); }

bool plainSpace(VSpace::Space space) {
    return space == VSpace::kTransform || space == VSpace::kObject || space == VSpace::kPreTransform;
}

// The live node of a part written in a plain space; null when the write fails (checkSpace
// then gives the failure): each write looks at the node once.
Node* plainSpaceNode(const VObject& object, VSpace::Space space) {
    Node* node = liveNodeOf(object);
    return node != nullptr && plainSpace(space) ? node : nullptr;
}

VVector readVector(const Node& node, const TripleStem& stem) {
    double values[3];
    readTriple(node, stem.text(), values);
    return VVector(values);
}

VStatus writeVector(Node& node, const TripleStem& stem, const VVector& vector) {
    const double values[3] = {vector.x, vector.y, vector.z};
    return writeTriple(node, stem, values);
}

VTransformationMatrix::RotationOrder orderOf(const Node& node) {
    const int order = static_cast<int>(readNumber(node, kRotateOrder)) + 1;
    return isValidOrder(order) ? static_cast<VTransformationMatrix::RotationOrder>(order) : VTransformationMatrix::kXYZ;
}

VMatrix rotationMatrixOf(const Node& node) {
    double angles[3];
    readTriple(node, "rotate", angles);
    return eulerToMatrix(angles, orderOf(node));
}

VStatus writeRotationMatrix(Node& node, const VMatrix& rotation) {
    double angles[3];
    matrixToEuler(rotation, orderOf(node), angles);
    return writeTriple(node, kRotate, angles);
}

}  // namespace

VFnTransform::VFnTransform(const VObject& object, VStatus* status) { report(status, VFnTransform::setObject(object)); }

VFnTransform::VFnTransform(const VDagPath& path, VStatus* status) { report(status, VFnTransform::setObject(path)); }

VStatus VFnTransform::setObject(const VObject& object) { return VFnDagNode::setObject(object); }

VStatus VFnTransform::setObject(const VDagPath& path) { return VFnDagNode::setObject(path); }

VStatus VFnTransform::checkSpace(VSpace::Space space) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    return plainSpace(space) ? VStatus() : unsupportedSpace();
}

VObject VFnTransform::create(const VObject& parent, VStatus* status) { return VFnDagNode::create("transform", parent, status); }

VTransformationMatrix VFnTransform::transformation(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? readTransformation(*node, true) : VTransformationMatrix();
}

VStatus VFnTransform::set(const VTransformationMatrix& transformation) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    return writeTransformation(*liveNodeOf(object_), transformation);
}

VVector VFnTransform::translation(VSpace::Space space, VStatus* status) const {
    Node* node = liveNodeOf(object_);
    if (node != nullptr && space == VSpace::kWorld) {
        if (!hasPath_) {
            report(status, VStatus(VStatus::kInvalidParameter, "world space needs a function set made from a DAG path"));
            return VVector();
        }
        report(status, VStatus());
        const VMatrix world = path_.inclusiveMatrix();
        return VVector(world[3][0], world[3][1], world[3][2]);
    }
    if (VStatus checked = report(status, checkSpace(space)); !checked) return VVector();
    return readVector(*node, kTranslate);
}

VStatus VFnTransform::setTranslation(const VVector& translation, VSpace::Space space) {
    Node* node = liveNodeOf(object_);
    if (node != nullptr && space == VSpace::kWorld) {
        if (!hasPath_) return VStatus(VStatus::kInvalidParameter, "world space needs a function set made from a DAG path");
        // Move the translation by what separates the node's world position from the wanted one,
        // seen in the parent's space.
        const VMatrix parentInverse = path_.exclusiveMatrix().inverse();
        const VMatrix local = localMatrix(*node);
        const VPoint wanted = VPoint(translation.x, translation.y, translation.z) * parentInverse;
        const VVector shift(wanted.x - local[3][0], wanted.y - local[3][1], wanted.z - local[3][2]);
        return writeVector(*node, kTranslate, readVector(*node, kTranslate) + shift);
    }
    if (node == nullptr || !plainSpace(space)) return checkSpace(space);
    return writeVector(*node, kTranslate, translation);
}

VStatus VFnTransform::translateBy(const VVector& offset, VSpace::Space space) {
    VStatus status;
    const VVector current = translation(space, &status);
    return status ? setTranslation(current + offset, space) : status;
}

VStatus VFnTransform::getRotation(double angles[3], VTransformationMatrix::RotationOrder& order) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    const Node& node = *liveNodeOf(object_);
    readTriple(node, "rotate", angles);
    order = orderOf(node);
    return VStatus();
}

VStatus VFnTransform::setRotation(const double angles[3], VTransformationMatrix::RotationOrder order) {
    Node* const live = liveNodeOf(object_);
    if (live == nullptr) return checkAlive();
    if (!isValidOrder(order)) return VStatus(VStatus::kInvalidParameter, "unknown rotation order");
    Node& node = *live;
    if (order == orderOf(node)) return writeTriple(node, kRotate, angles);
    return writeRotationMatrix(node, eulerToMatrix(angles, order));
}

VStatus VFnTransform::getRotation(VQuaternion& rotation, VSpace::Space space) const {
    if (VStatus checked = checkSpace(space); !checked) return checked;
    rotation = VQuaternion::fromMatrix(rotationMatrixOf(*liveNodeOf(object_)));
    return VStatus();
}

VStatus VFnTransform::setRotation(const VQuaternion& rotation, VSpace::Space space) {
    if (VStatus checked = checkSpace(space); !checked) return checked;
    return writeRotationMatrix(*liveNodeOf(object_), rotation.asMatrix());
}

VStatus VFnTransform::getRotationQuaternion(double& x, double& y, double& z, double& w, VSpace::Space space) const {
    VQuaternion rotation;
    VStatus status = getRotation(rotation, space);
    x = rotation.x;
    y = rotation.y;
    z = rotation.z;
    w = rotation.w;
    return status;
}

VStatus VFnTransform::setRotationQuaternion(double x, double y, double z, double w, VSpace::Space space) {
    return setRotation(VQuaternion(x, y, z, w), space);
}

VTransformationMatrix::RotationOrder VFnTransform::rotationOrder(VStatus* status) const {
    report(status, checkAlive());
    Node* node = liveNodeOf(object_);
    return node != nullptr ? orderOf(*node) : VTransformationMatrix::kInvalid;
}

VStatus VFnTransform::setRotationOrder(VTransformationMatrix::RotationOrder order, bool reorder) {
    Node* const live = liveNodeOf(object_);
    if (live == nullptr) return checkAlive();
    if (!isValidOrder(order)) return VStatus(VStatus::kInvalidParameter, "unknown rotation order");
    Node& node = *live;
    // Only a reordering needs the rotation as it was.
    const VMatrix rotation = reorder ? rotationMatrixOf(node) : VMatrix();
    VStatus status = writeNumber(node, kRotateOrder, order - 1);
    if (status && reorder) status = writeRotationMatrix(node, rotation);
    return status;
}

VStatus VFnTransform::getScale(double scale[3]) const {
    if (VStatus alive = checkAlive(); !alive) return alive;
    readTriple(*liveNodeOf(object_), "scale", scale, 1.0);
    return VStatus();
}

VStatus VFnTransform::setScale(const double scale[3]) {
    Node* const node = liveNodeOf(object_);
    if (node == nullptr) return checkAlive();
    return writeTriple(*node, kScale, scale);
}

VPoint VFnTransform::rotatePivot(VSpace::Space space, VStatus* status) const {
    if (VStatus checked = report(status, checkSpace(space)); !checked) return VPoint();
    return VPoint(readVector(*liveNodeOf(object_), kRotatePivot));
}

VStatus VFnTransform::setRotatePivot(const VPoint& pivot, VSpace::Space space, bool balance) {
    Node* const live = plainSpaceNode(object_, space);
    if (live == nullptr) return checkSpace(space);
    Node& node = *live;
    const VVector value(pivot.x, pivot.y, pivot.z);
    // Only a balanced move needs the parts as they were (for the translation that keeps the
    // object in place); a plain one writes the pivot alone.
    if (!balance) return writeVector(node, kRotatePivot, value);
    VTransformationMatrix parts = readTransformation(node, false);
    parts.setRotatePivot(pivot, space, balance);
    VStatus status = writeVector(node, kRotatePivot, value);
    if (status) status = writeVector(node, kRotatePivotTranslate, parts.rotatePivotTranslation(space));
    return status;
}

VVector VFnTransform::rotatePivotTranslation(VSpace::Space space, VStatus* status) const {
    if (VStatus checked = report(status, checkSpace(space)); !checked) return VVector();
    return readVector(*liveNodeOf(object_), kRotatePivotTranslate);
}

VStatus VFnTransform::setRotatePivotTranslation(const VVector& offset, VSpace::Space space) {
    Node* const node = plainSpaceNode(object_, space);
    if (node == nullptr) return checkSpace(space);
    return writeVector(*node, kRotatePivotTranslate, offset);
}

VPoint VFnTransform::scalePivot(VSpace::Space space, VStatus* status) const {
    if (VStatus checked = report(status, checkSpace(space)); !checked) return VPoint();
    return VPoint(readVector(*liveNodeOf(object_), kScalePivot));
}

VStatus VFnTransform::setScalePivot(const VPoint& pivot, VSpace::Space space, bool balance) {
    Node* const live = plainSpaceNode(object_, space);
    if (live == nullptr) return checkSpace(space);
    Node& node = *live;
    const VVector value(pivot.x, pivot.y, pivot.z);
    // Only a balanced move needs the parts as they were (for the translation that keeps the
    // object in place); a plain one writes the pivot alone.
    if (!balance) return writeVector(node, kScalePivot, value);
    VTransformationMatrix parts = readTransformation(node, false);
    parts.setScalePivot(pivot, space, balance);
    VStatus status = writeVector(node, kScalePivot, value);
    if (status) status = writeVector(node, kScalePivotTranslate, parts.scalePivotTranslation(space));
    return status;
}

VVector VFnTransform::scalePivotTranslation(VSpace::Space space, VStatus* status) const {
    if (VStatus checked = report(status, checkSpace(space)); !checked) return VVector();
    return readVector(*liveNodeOf(object_), kScalePivotTranslate);
}

VStatus VFnTransform::setScalePivotTranslation(const VVector& offset, VSpace::Space space) {
    Node* const node = plainSpaceNode(object_, space);
    if (node == nullptr) return checkSpace(space);
    return writeVector(*node, kScalePivotTranslate, offset);
}

VQuaternion VFnTransform::rotateOrientation(VSpace::Space space, VStatus* status) const {
    if (VStatus checked = report(status, checkSpace(space)); !checked) return VQuaternion();
    double angles[3];
    readTriple(*liveNodeOf(object_), "rotateAxis", angles);
    return eulerToQuaternion(angles, VTransformationMatrix::kXYZ);
}

VStatus VFnTransform::setRotateOrientation(const VQuaternion& orientation, VSpace::Space space, bool balance) {
    if (VStatus checked = checkSpace(space); !checked) return checked;
    Node& node = *liveNodeOf(object_);
    VTransformationMatrix parts = readTransformation(node, false);
    parts.setRotateOrientation(orientation, space, balance);
    double angles[3];
    matrixToEuler(orientation.normal().asMatrix(), VTransformationMatrix::kXYZ, angles);
    VStatus status = writeTriple(node, "rotateAxis", angles);
    if (status && balance) {
        VTransformationMatrix::RotationOrder order;
        parts.getRotation(angles, order);
        status = writeTriple(node, kRotate, angles);
    }
    return status;
}

bool VFnTransform::isLimited(LimitType type, VStatus* status) const {
    std::string value;
    std::string enable;
    if (!limitAttributeNames(type, value, enable)) {
        report(status, VStatus(VStatus::kInvalidParameter, "unknown limit type"));
        return false;
    }
    if (VStatus alive = report(status, checkAlive()); !alive) return false;
    return readNumber(*liveNodeOf(object_), enable) != 0.0;
}

double VFnTransform::limitValue(LimitType type, VStatus* status) const {
    std::string value;
    std::string enable;
    if (!limitAttributeNames(type, value, enable)) {
        report(status, VStatus(VStatus::kInvalidParameter, "unknown limit type"));
        return 0.0;
    }
    if (VStatus alive = report(status, checkAlive()); !alive) return 0.0;
    return readNumber(*liveNodeOf(object_), value);
}

VStatus VFnTransform::setLimit(LimitType type, double value) {
    std::string valueName;
    std::string enable;
    if (!limitAttributeNames(type, valueName, enable)) return VStatus(VStatus::kInvalidParameter, "unknown limit type");
    if (VStatus alive = checkAlive(); !alive) return alive;
    return writeNumber(*liveNodeOf(object_), valueName, value);
}

VStatus VFnTransform::enableLimit(LimitType type, bool on) {
    std::string value;
    std::string enable;
    if (!limitAttributeNames(type, value, enable)) return VStatus(VStatus::kInvalidParameter, "unknown limit type");
    if (VStatus alive = checkAlive(); !alive) return alive;
    return writeNumber(*liveNodeOf(object_), enable, on ? 1.0 : 0.0);
}
