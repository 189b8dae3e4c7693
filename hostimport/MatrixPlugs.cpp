#include "hostimport/MatrixPlugs.h"

#include "core/EulerAngles.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VDagPath.h>
#include <vexa/VDoubleArray.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VIntArray.h>
#include <vexa/VMatrix.h>
#include <vexa/VPlugArray.h>

#include <cstring>
#include <utility>

namespace {

constexpr int kMatrixValueCount = 16;

// The first failure of a run of steps, each printed as it comes.
class FirstFailure {
public:
    void Take(const VStatus& status, const char* context) {
        PrintStatusError(status, context);
        if (first_ && status.error()) first_ = status;
    }
    const VStatus& Status() const { return first_; }

private:
    VStatus first_;
};

RMatrix EulerXYZMatrix(const VPoint& degrees) {
    RMatrix matrix;
    EulerXYZToMatrix(matrix, degrees.x, degrees.y, degrees.z);
    return matrix;
}

RMatrix EulerXYZMatrix(const RVector4* degrees) {
    RMatrix matrix;
    if (degrees != nullptr) EulerVectorXYZToMatrix(matrix, *degrees);
    return matrix;
}

// The plug of a DAG node's attribute; kNotFound when it has none.
VStatus PlugOf(VPlug& plug, const VObject& node, const char* attribute) {
    VStatus status;
    VFnDependencyNode fn(node, &status);
    if (!status) return VStatus(VStatus::kNotFound, "no host node");
    // A plain name finds its plug exactly when the node has the attribute: the attribute is
    // looked for first only for a path of several names.
    const bool plain = std::strpbrk(attribute, ".[") == nullptr;
    if (plain) {
        VPlug found = fn.findPlug(attribute);
        if (!found.isNull()) {
            plug = std::move(found);
            return VStatus();
        }
    }
    if (!fn.hasAttribute(attribute)) return VStatus(VStatus::kNotFound, VString("no attribute ") + VString(attribute));
    plug = fn.findPlug(attribute, &status);
    return status;
}

// The plug's 16 numbers, row by row: a matrix plug's value read directly, else the numbers
// "getAttr" answers for it (false for any other count or a failure). The command names the plug
// by its node's full path, which costs as much as the node is deep; a matrix gives the same
// numbers either way.
bool ReadMatrixPlug(const VPlug& plug, double matrix[16]) {
    VMatrix value;
    if (plug.getValue(value)) {
        for (int i = 0; i < kMatrixValueCount; ++i) matrix[i] = value[static_cast<unsigned>(i / 4)][i % 4];
        return true;
    }
    VString name;
    if (!GetPlugPathName(plug, name)) return false;
    VDoubleArray values;
    if (!VGlobal::executeCommand(VString("getAttr ") + name, values) || values.length() != kMatrixValueCount) return false;
    for (int i = 0; i < kMatrixValueCount; ++i) matrix[i] = values[static_cast<unsigned>(i)];
    return true;
}

}  // namespace

// ---- transforms and matrices ---------------------------------------------------------------------

VStatus SetTransformFromMatrix(VFnTransform& transform, const RMatrix& matrix) {
    const RVector4 quaternion = matrix.GetQuaternion();
    const RVector4 translation = matrix.GetTranslation();
    const RVector4 scaling = matrix.GetScaling();
    const double scale[3] = {scaling.x, scaling.y, scaling.z};
    FirstFailure result;
    result.Take(transform.setRotationQuaternion(quaternion.x, quaternion.y, quaternion.z, quaternion.w,
                                                VSpace::kTransform),
                "Cannot set the rotation of a transform");
    result.Take(transform.setTranslation(VVector(translation.x, translation.y, translation.z), VSpace::kTransform),
                "Cannot set the translation of a transform");
    result.Take(transform.setScale(scale), "Cannot set the scale of a transform");
    return result.Status();
}

VStatus GetTransformMatrix(const VFnTransform& transform, RMatrix& matrix) {
    FirstFailure result;
    double scale[3] = {1.0, 1.0, 1.0};
    VStatus status = transform.getScale(scale);
    if (!status) scale[0] = scale[1] = scale[2] = 1.0;
    result.Take(status, "Cannot read the scale of a transform");
    RVector4 quaternion(0.0, 0.0, 0.0, 1.0);
    status = transform.getRotationQuaternion(quaternion.x, quaternion.y, quaternion.z, quaternion.w, VSpace::kTransform);
    if (!status) quaternion = RVector4(0.0, 0.0, 0.0, 1.0);
    result.Take(status, "Cannot read the rotation of a transform");
    const VVector translation = transform.translation(VSpace::kTransform, &status);
    result.Take(status, "Cannot read the translation of a transform");
    matrix.SetTQS(status ? RVector4(translation.x, translation.y, translation.z, 1.0) : RVector4(0.0, 0.0, 0.0, 1.0),
                  quaternion, RVector4(scale[0], scale[1], scale[2], 1.0));
    return result.Status();
}

VStatus SetTransformFromMatrix(const VDagPath& path, const RMatrix& matrix) {
    VStatus status;
    VFnTransform transform(path, &status);
    return status ? SetTransformFromMatrix(transform, matrix) : status;
}

VStatus GetTransformMatrix(const VDagPath& path, RMatrix& matrix) {
    VStatus status;
    const VFnTransform transform(path, &status);
    return status ? GetTransformMatrix(transform, matrix) : status;
}

void RemovePrePostRotation(const RWyxNode& node, RMatrix& matrix) {
    // What turns a point around the rotation plugs: `before` (the rotate axis) acts first,
    // `after` (the joint orient) last.
    RMatrix before;
    RMatrix after;
    const VDagPath* path = static_cast<const VexaNode&>(node).GetDagPath();
    VStatus status;
    const VFnDependencyNode host(path != nullptr ? path->node() : VObject(), &status);
    if (path != nullptr && status) {
        VPoint degrees;
        GetRotateAxisDegrees(host, degrees);
        before = EulerXYZMatrix(degrees);
        GetJointOrientDegrees(host, degrees);
        after = EulerXYZMatrix(degrees);
    } else {
        before = EulerXYZMatrix(node.GetPostRotation(0));
        after = EulerXYZMatrix(node.GetPreRotation(0));
    }
    const RVector4 translation = matrix.GetTranslation();
    const RVector4 scaling = matrix.GetScaling();
    // The rotation alone (the scale divided out first, so that a non-uniform scale does not
    // bend it), then the inverse of `before` ahead of it and the inverse of `after` behind it.
    RMatrix rotation;
    EulerVectorXYZToMatrix(rotation, matrix.GetRotation());
    RMatrix inverse;
    MatrixInverseOrthogonal(inverse, before);
    RMatrix plugs;
    MatrixMultiplyAffine(plugs, rotation, inverse);
    MatrixInverseOrthogonal(inverse, after);
    MatrixMultiplyAffine(plugs, inverse, plugs);
    RVector4 angles;
    MatrixToEulerXYZ(angles, plugs);
    matrix.SetTRS(translation, angles, scaling);
}

// ---- bind-pose matrices ------------------------------------------------------------------------------

bool GetBindPoseMatrix(const RWyxNode& node, double matrix[16]) {
    const VDagPath* path = static_cast<const VexaNode&>(node).GetDagPath();
    if (path == nullptr || !path->isValid()) return false;
    VPlug plug;
    if (FindDagPathPlug(plug, *path, "bindPose")) return ReadMatrixPlug(plug, matrix);
    VObject pose;
    const int member = FindPoseMemberIndex(path->node(), true, pose);
    if (member < 0) return false;
    VPlug worlds;
    if (!PlugOf(worlds, pose, "worldMatrix")) return false;
    // The member's own element: members and world matrices share their logical indices.
    VStatus status;
    const VPlug element = worlds.elementByLogicalIndex(static_cast<unsigned>(member), &status);
    return status && ReadMatrixPlug(element, matrix);
}

int FindPoseMemberIndex(const VObject& node, bool bindPoseOnly, VObject& pose) {
    if (!FindConnectedNodeOfType(node, VFn::kDagPose, pose, VItDependencyGraph::kDownstream,
                                 VItDependencyGraph::kNodeLevel)) {
        return -1;
    }
    VPlug plug;
    if (bindPoseOnly && (!PlugOf(plug, pose, "bindPose") || !plug.asBool())) return -1;
    VPlug members;
    if (!PlugOf(members, pose, "members")) return -1;
    VIntArray indices;
    members.getExistingArrayAttributeIndices(indices);
    for (unsigned i = 0; i < indices.length(); ++i) {
        VPlugArray sources;
        members.elementByLogicalIndex(static_cast<unsigned>(indices[i])).connectedTo(sources, true, false);
        for (unsigned s = 0; s < sources.length(); ++s) {
            if (sources[s].node() == node) return indices[i];
        }
    }
    return -1;
}

// ---- plugs ----------------------------------------------------------------------------------------------

VStatus FindNodePlug(VPlug& plug, const RWyxNode& node, const char* attribute) {
    const VDagPath* path = static_cast<const VexaNode&>(node).GetDagPath();
    if (path == nullptr) return VStatus(VStatus::kNotFound, "the node has no host node");
    return FindDagPathPlug(plug, *path, attribute);
}

VStatus FindDagPathPlug(VPlug& plug, const VDagPath& path, const char* attribute) {
    return PlugOf(plug, path.node(), attribute);
}

VStatus GetPlugPathName(const VPlug& plug, VString& name) {
    VStatus status;
    const VObject node = plug.node(&status);
    if (!status) return status;
    const VString attribute = plug.partialName(false, false, false, false, false, true, &status);
    if (!status) return status;
    VDagPath path;
    if (node.hasFn(VFn::kDagNode) && VDagPath::getAPathTo(node, path)) {
        name = path.fullPathName() + VString(".") + attribute;
    } else {
        name = plug.info(&status);
    }
    return status;
}

VStatus SetPlugMatrix(const VPlug& plug, const double matrix[16]) {
    VString name;
    const VStatus status = GetPlugPathName(plug, name);
    if (!status) {
        PrintStatusError(status, "Cannot name a matrix attribute");
        name = plug.info();
    }
    VString command = VString("setAttr ") + name + " -type \"matrix\"";
    for (int i = 0; i < kMatrixValueCount; ++i) command += VString(" ") + VString::fromDouble(matrix[i]);
    return VGlobal::executeCommand(command);
}

bool FindPlugOrReport(const VFnDependencyNode& node, const char* attribute, VPlug& plug) {
    VStatus status;
    if (node.hasAttribute(attribute)) plug = node.findPlug(attribute, &status);
    if (node.hasAttribute(attribute) && status) return true;
    VStatus(VStatus::kNotFound).perror(VString("Plug not found : ") + VString(attribute));
    return false;
}
