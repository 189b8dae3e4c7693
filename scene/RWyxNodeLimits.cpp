#include "scene/RWyxNodeLimits.h"

#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RQuaternion.h"
#include "scene/RWyxNode.h"
#include "scene/TransformMatrices.h"

namespace {

constexpr int kSphericXYZ = 6;
constexpr int kEulerXYZ = 0;

// x, y and z divided (not multiplied by the reciprocal, which overflows for tiny divisors).
RVector4 Divided(const RVector4& vector, double divisor) {
    return RVector4(vector.x / divisor, vector.y / divisor, vector.z / divisor, 0.0);
}

RVector4 Row(const RMatrix& matrix, int row) { return RVector4(matrix[row][0], matrix[row][1], matrix[row][2], 0.0); }

void SetRow(RMatrix& matrix, int row, const RVector4& vector) {
    matrix[row][0] = vector.x;
    matrix[row][1] = vector.y;
    matrix[row][2] = vector.z;
}

// The frame whose first axis is the bone direction and whose third is normal to the plane
// of the bone and the node's offset from its parent; false when that plane is undefined
// (the node on its parent's position, or the bone along the offset).
bool FrameAlongBone(RMatrix& frame, const RVector4& offset, double distance, const RVector4& direction) {
    if (!(distance > 0.0)) return false;
    const RVector4 normal = Divided(offset, distance).Cross3(direction);
    const double normalLength = normal.Length3();
    if (!(normalLength > 0.0)) return false;
    const RVector4 third = Divided(normal, normalLength);
    SetRow(frame, 0, direction);
    SetRow(frame, 1, third.Cross3(direction));
    SetRow(frame, 2, third);
    return true;
}

// Euler X, Y, Z degrees of `frame` seen from `reference` (frame times the transpose of
// reference).
RVector4 RelativeAngles(const RMatrix& frame, const RMatrix& reference) {
    RMatrix relative;
    MatrixMultiplyTransposed3x3(relative, reference, frame);
    RVector4 angles;
    MatrixToEulerXYZ(angles, relative);
    return angles;
}

}  // namespace

RWyxNodeLimits::RWyxNodeLimits(RWyxNode* node) : node_(node) {}

bool RWyxNodeLimits::Record::IsEnabled() const {
    for (int axis = 0; axis < 3; ++axis) {
        if (minSwitches[axis] != 0 || maxSwitches[axis] != 0) return true;
    }
    return false;
}

// ---- Auto, active and enable --------------------------------------------------------------------

void RWyxNodeLimits::SetAuto(int component, bool isAuto) {
    if (!IsComponent(component)) return;
    active_[component] = isAuto ? 0 : 1;
    if (component == kRotation && !isAuto && node_ != nullptr) node_->SetRotationSpaceForLimitOnly(0, true);
}

bool RWyxNodeLimits::GetAuto(int component) const { return IsComponent(component) && active_[component] == 0; }

void RWyxNodeLimits::SetActive(int component, bool active) {
    if (IsComponent(component)) active_[component] = active ? 1 : 0;
}

bool RWyxNodeLimits::GetActive(int component) const { return IsComponent(component) && active_[component] != 0; }

void RWyxNodeLimits::SetEnable(int component, bool enable) {
    if (!IsComponent(component)) return;
    Record& record = records_[component];
    if (record.IsEnabled() == enable) return;
    const std::uint8_t value = enable ? 1 : 0;
    for (int axis = 0; axis < 3; ++axis) {
        record.minSwitches[axis] = value;
        record.maxSwitches[axis] = value;
    }
}

bool RWyxNodeLimits::GetEnable(int component) const {
    return IsComponent(component) && records_[component].IsEnabled();
}

// ---- vectors and switches -----------------------------------------------------------------------------

void RWyxNodeLimits::SetDefault(int component, const RVector4& value) {
    if (!IsComponent(component)) return;
    if (component == kRotation) {
        if (node_ != nullptr) node_->SetPreRotation(0, value.x, value.y, value.z, value.w);
        return;
    }
    records_[component].minimum = value;
    records_[component].maximum = value;
}

RVector4& RWyxNodeLimits::GetDefault(int component, RVector4& out) const {
    out = RVector4();
    if (!IsComponent(component)) return out;
    if (component != kRotation) return out = records_[component].minimum;
    if (node_ != nullptr) out = *node_->GetPreRotation(0);
    return out;
}

void RWyxNodeLimits::SetMin(int component, const RVector4& value) {
    if (IsComponent(component)) records_[component].minimum = value;
}

RVector4& RWyxNodeLimits::GetMin(int component, RVector4& out) const {
    return out = IsComponent(component) ? records_[component].minimum : RVector4();
}

void RWyxNodeLimits::SetMax(int component, const RVector4& value) {
    if (IsComponent(component)) records_[component].maximum = value;
}

RVector4& RWyxNodeLimits::GetMax(int component, RVector4& out) const {
    return out = IsComponent(component) ? records_[component].maximum : RVector4();
}

void RWyxNodeLimits::SetMinSwitches(int component, bool x, bool y, bool z) {
    if (!IsComponent(component)) return;
    std::uint8_t* switches = records_[component].minSwitches;
    switches[0] = x ? 1 : 0;
    switches[1] = y ? 1 : 0;
    switches[2] = z ? 1 : 0;
}

void RWyxNodeLimits::SetMaxSwitches(int component, bool x, bool y, bool z) {
    if (!IsComponent(component)) return;
    std::uint8_t* switches = records_[component].maxSwitches;
    switches[0] = x ? 1 : 0;
    switches[1] = y ? 1 : 0;
    switches[2] = z ? 1 : 0;
}

bool RWyxNodeLimits::GetMinSwitch(int component, int axis) const {
    return IsComponent(component) && axis >= 0 && axis < 3 && records_[component].minSwitches[axis] != 0;
}

bool RWyxNodeLimits::GetMaxSwitch(int component, int axis) const {
    return IsComponent(component) && axis >= 0 && axis < 3 && records_[component].maxSwitches[axis] != 0;
}

// ---- rotation values of pivot set 0 ----------------------------------------------------------------

void RWyxNodeLimits::SetRotationType(int type) {
    if (node_ != nullptr) node_->SetRotationOrder(0, type != 0 ? kEulerXYZ : kSphericXYZ);
}

bool RWyxNodeLimits::GetRotationType() const { return !GetRotationClampType(); }

bool RWyxNodeLimits::GetRotationClampType() const {
    int order = kEulerXYZ;
    if (node_ != nullptr) node_->GetRotationOrder(0, order);
    return order == kSphericXYZ;
}

void RWyxNodeLimits::SetRotationAxis(const RVector4& value) {
    if (node_ != nullptr) node_->SetPostRotation(0, value.x, value.y, value.z, value.w);
}

RVector4& RWyxNodeLimits::GetRotationAxis(RVector4& out) const {
    out = RVector4();
    if (node_ != nullptr) out = *node_->GetPostRotation(0);
    return out;
}

// ---- limits from the default pose ---------------------------------------------------------------

void RWyxNodeLimits::UpdateFromNode(RWyxNode* node) {
    const bool translationAuto = GetAuto(kTranslation);
    const bool rotationAuto = GetAuto(kRotation);
    const bool scalingAuto = GetAuto(kScaling);
    if (node == nullptr) return;
    RWyxNode* parent = node->GetParent();
    if (parent == nullptr || !(translationAuto || rotationAuto || scalingAuto)) return;

    const RMatrix local = node->GetDefaultLocalMatrix();
    if (translationAuto) SetDefault(kTranslation, local.GetTranslation());
    if (rotationAuto) UpdateRotation(*node, *parent);
    if (scalingAuto) {
        RVector4 scaling;
        MatrixToScaling(scaling, local);
        SetDefault(kScaling, scaling);
    }
}

void RWyxNodeLimits::UpdateRotation(RWyxNode& node, RWyxNode& parent) {
    const RVector4 axis = BoneAxis(node);
    const double length = axis.Length3();
    const RMatrix nodeGlobal = node.GetDefaultGlobalMatrix();
    const RMatrix parentGlobal = parent.GetDefaultGlobalMatrix();
    const RVector4 offset = nodeGlobal.GetTranslation() - parentGlobal.GetTranslation();
    const double distance = offset.Length3();

    // Scaling removed; a row scaled to nothing stays zero (and gives finite angles below).
    RMatrix nodeFrame;
    RMatrix parentFrame;
    NormalizeMatrixRows(nodeFrame, nodeGlobal);
    NormalizeMatrixRows(parentFrame, parentGlobal);
    RMatrix frame = nodeFrame;
    if (length > 0.0) {
        RVector4 direction;
        MatrixTransformVector(direction, nodeFrame, Divided(axis, length));
        if (!FrameAlongBone(frame, offset, distance, direction)) {
            // The node's frame turned by the shortest arc from its X axis onto the bone; for a
            // bone pointing against the X axis that is a half turn, not no turn at all.
            RQuaternion turn;
            QuaternionShortestArc(turn, Row(nodeFrame, 0), direction);
            RMatrix rotation;
            QuaternionToMatrix(rotation, turn);
            MatrixMultiplyRotation(frame, rotation, nodeFrame);
        }
    }
    SetDefault(kRotation, RelativeAngles(frame, parentFrame));
    SetRotationAxis(RelativeAngles(frame, nodeFrame));
    SetAxisLength(length);
    SetRotationType(distance > 0.0 ? 1 : 0);
}

RVector4 RWyxNodeLimits::BoneAxis(RWyxNode& node) {
    struct Longest {
        RVector4 offset;
        double length = 0.0;

        void Consider(const RVector4& candidate, double candidateLength) {
            if (candidateLength > length) {
                offset = candidate;
                length = candidateLength;
            }
        }
    };
    constexpr int kKindCount = static_cast<int>(BoneKind::kOther);
    Longest ofAll;
    Longest ofKind[kKindCount];
    for (int i = 0; i < node.GetChildCount(); ++i) {
        RWyxNode* child = node.GetChild(i);
        if (child == nullptr) continue;
        const RVector4 offset = child->GetDefaultLocalMatrix().GetTranslation();
        const double length = offset.Length3();
        ofAll.Consider(offset, length);
        const BoneKind kind = BoneKindOf(*child);
        if (kind != BoneKind::kOther) ofKind[static_cast<int>(kind)].Consider(offset, length);
    }
    const BoneKind own = BoneKindOf(node);
    if (own != BoneKind::kOther && ofKind[static_cast<int>(own)].length > 0.0) {
        return ofKind[static_cast<int>(own)].offset;
    }
    if (ofAll.length > 0.0) return ofAll.offset;
    RVector4 farthest;
    if (FarthestControlPoint(node, farthest)) return farthest;
    return RVector4();
}
