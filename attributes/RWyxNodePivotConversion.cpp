// RWyxNode's pivot-set animation conversion: the simple and the full form. Each node of the
// subtree is converted on its own (its pivot values and its parent's are read, never
// changed), so the walk order does not matter; it runs on an explicit list, a node before its
// children, so a hierarchy of any depth is safe.
//
// Notation: a is the source set, b the destination; a set is in use when its pivot state is
// 0, and the values of a set not in use count as zero (rotations as the identity). Matrices
// are in the row-vector form, "X then Y" meaning X acts first (MatrixMultiplyAffine(out, Y,
// X)). The converter's components used: 3 and 4 the pre- and post-rotation terms, 8 the
// scaling-offset term, 9 and 10 the pre- and post-rotations that frame it, 11 and 12 the
// rotation and scaling pivots.

#include "attributes/RWyxGeometry.h"
#include "core/EulerAngles.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterMatrixConverter.h"
#include "curves/RFCurveNode.h"
#include "curves/RKeyUtilities.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr double kComponentTolerance = 1e-6;

enum Component {
    kPreRotationTerm = 3,
    kPostRotationTerm = 4,
    kScalingOffsetTerm = 8,
    kPreRotationFrame = 9,
    kPostRotationFrame = 10,
    kRotationPivotTerm = 11,
    kScalingPivotTerm = 12,
};

// The values of one pivot set as the conversion reads them.
struct SetValues {
    bool inUse = false;
    RVector4 rotationOffset;
    RVector4 rotationPivot;
    RVector4 preRotation;
    RVector4 postRotation;
    RVector4 scalingOffset;
    RVector4 scalingPivot;
    int rotationOrder = 0;
};

RVector4 Xyz(const RVector4* vector) { return vector != nullptr ? RVector4(vector->x, vector->y, vector->z, 0.0) : RVector4(); }

SetValues ReadSet(const RWyxNode& node, int set) {
    SetValues values;
    int state = 1;
    node.GetPivotState(set, state);
    values.inUse = state == 0;
    if (!values.inUse) return values;
    values.rotationOffset = Xyz(node.GetRotationOffset(set));
    values.rotationPivot = Xyz(node.GetRotationPivot(set));
    values.preRotation = Xyz(node.GetPreRotation(set));
    values.postRotation = Xyz(node.GetPostRotation(set));
    values.scalingOffset = Xyz(node.GetScalingOffset(set));
    values.scalingPivot = Xyz(node.GetScalingPivot(set));
    node.GetRotationOrder(set, values.rotationOrder);
    return values;
}

RVector4 Difference(const RVector4& a, const RVector4& b) { return RVector4(a.x - b.x, a.y - b.y, a.z - b.z, 0.0); }

bool IsExactlyZero(const RVector4& v) { return v.x == 0.0 && v.y == 0.0 && v.z == 0.0; }

bool ExceedsTolerance(const RVector4& v) {
    return std::fabs(v.x) > kComponentTolerance || std::fabs(v.y) > kComponentTolerance ||
           std::fabs(v.z) > kComponentTolerance;
}

RMatrix Rotation(const RVector4& degrees) {
    RMatrix rotation;
    EulerVectorXYZToMatrix(rotation, degrees);
    return rotation;
}

RMatrix Inverse(const RMatrix& matrix) {
    RMatrix inverse;
    MatrixInverseOrthogonal(inverse, matrix);
    return inverse;
}

// first then second.
RMatrix Then(const RMatrix& first, const RMatrix& second) {
    RMatrix product;
    MatrixMultiplyAffine(product, second, first);
    return product;
}

RMatrix Translation(const RVector4& t) {
    RMatrix matrix;
    MatrixSetTranslation(matrix, t.x, t.y, t.z);
    return matrix;
}

// The vector times the transpose of the 3x3 part: component j is row j dotted with it.
RVector4 TimesTransposed(const RVector4& v, const RMatrix& m) {
    RVector4 out;
    for (int row = 0; row < 3; ++row) *out.Component(row) = v.x * m[row][0] + v.y * m[row][1] + v.z * m[row][2];
    return out;
}

// The parent's pivot compensation of a set (what the node's translation gives back).
RVector4 Compensation(const RWyxNode* parent, int set) {
    if (parent == nullptr) return RVector4();
    const SetValues values = ReadSet(*parent, set);
    return values.inUse ? TimesTransposed(values.rotationPivot, Rotation(values.postRotation)) : RVector4();
}

// ---- checks made before anything changes -----------------------------------------------------------

// The span of the keys of the nine transform curves of the take node; false without keys.
bool TransformKeySpan(RWyxTakeNode& takeNode, RTime& start, RTime& stop) {
    if (!takeNode.IsTreeMade()) return false;  // a tree still to be made has no keys
    RFCurve* curves[] = {takeNode.GetTranslationXCurve(), takeNode.GetTranslationYCurve(), takeNode.GetTranslationZCurve(),
                         takeNode.GetRotationXCurve(),    takeNode.GetRotationYCurve(),    takeNode.GetRotationZCurve(),
                         takeNode.GetScalingXCurve(),     takeNode.GetScalingYCurve(),     takeNode.GetScalingZCurve()};
    bool any = false;
    for (const RFCurve* curve : curves) {
        if (curve == nullptr || curve->GetKeyCount() == 0) continue;
        const RTime first = curve->GetKey(0).GetTime();
        const RTime last = curve->GetKey(curve->GetKeyCount() - 1).GetTime();
        start = any ? std::min(start, first) : first;
        stop = any ? std::max(stop, last) : last;
        any = true;
    }
    return any;
}

// Whether sampling every take node of the subtree at the period stays within the converter's
// key limit.
bool SamplingFits(const std::vector<RWyxNode*>& nodes, RTime period) {
    const auto limit = static_cast<std::uint64_t>(kMaxResampledKeys);
    for (RWyxNode* node : nodes) {
        for (int t = 0; t < node->GetTakeNodeCount(); ++t) {
            RTime start;
            RTime stop;
            if (!TransformKeySpan(*node->GetTakeNode(t), start, stop)) continue;
            const auto span = static_cast<std::uint64_t>(stop.GetTicks()) - static_cast<std::uint64_t>(start.GetTicks());
            if (span / static_cast<std::uint64_t>(period.GetTicks()) + 2 > limit) return false;
        }
    }
    return true;
}

// The subtree, a node before its children, children in index order.
std::vector<RWyxNode*> Subtree(RWyxNode& top) {
    std::vector<RWyxNode*> nodes;
    std::vector<RWyxNode*> pending{&top};
    while (!pending.empty()) {
        RWyxNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            if (RWyxNode* child = node->GetChild(i)) pending.push_back(child);
        }
    }
    return nodes;
}

// ---- applying a conversion to one node ------------------------------------------------------------------

// Adds the shift to the default and every key of a translation curve.
void ShiftCurve(RFCurve* curve, double shift) {
    if (curve == nullptr || shift == 0.0) return;
    const auto amount = static_cast<float>(shift);
    curve->SetDefaultValue(curve->GetDefaultValue() + amount);
    if (curve->GetKeyCount() == 0) return;
    curve->BeginEdit();
    for (int k = 0; k < curve->GetKeyCount(); ++k) curve->GetKey(k).AddToValue(amount);
    curve->NotifyChange(RCurveChangeRecord::KeysChanged, -1);
    curve->EndEdit();
}

void ConfigureConverter(RFCurveFilterMatrixConverter& converter, RTime period, bool reduceConstantKeys) {
    converter.SetResamplingPeriod(period);
    converter.SetKeyTimesFromSource(true);
    converter.SetResampleAfter(true);
    converter.SetReduceConstantKeysAfter(reduceConstantKeys);
    converter.SetExtraOutput(false);
}

// Every take node: the translation shifted, then, when asked, the rotation converted.
void ApplyToTakeNodes(RWyxNode& node, const RVector4& shift, RFCurveFilterMatrixConverter& converter, bool convert) {
    for (int t = 0; t < node.GetTakeNodeCount(); ++t) {
        RWyxTakeNode* takeNode = node.GetTakeNode(t);
        // With nothing to change, a tree still to be made stays so.
        if (!convert && IsExactlyZero(shift) && !takeNode->IsTreeMade()) continue;
        ShiftCurve(takeNode->GetTranslationXCurve(), shift.x);
        ShiftCurve(takeNode->GetTranslationYCurve(), shift.y);
        ShiftCurve(takeNode->GetTranslationZCurve(), shift.z);
        if (convert && takeNode->GetRootCurveNode() != nullptr) converter.Apply(*takeNode->GetRootCurveNode(), true);
    }
    RWyxNode::InvalidateTransformCaches();
}

void ConvertSimple(RWyxNode& node, int source, int destination, RTime period, bool reduceConstantKeys) {
    const SetValues a = ReadSet(node, source);
    const SetValues b = ReadSet(node, destination);
    const RVector4 pivotShift = Difference(a.rotationPivot, b.rotationPivot);

    if (RWyxGeometry* geometry = node.GetGeometry()) {
        RVector4 scaling(1.0, 1.0, 1.0, 0.0);
        node.GetDefaultScaling(scaling);
        RVector4 u;
        for (int axis = 0; axis < 3; ++axis) {
            const double s = *scaling.Component(axis);
            *u.Component(axis) = -*pivotShift.Component(axis) / (s != 0.0 ? s : 1.0);
        }
        if (a.inUse) u = TimesTransposed(u, Rotation(a.postRotation));
        RMatrix pivot;
        geometry->GetPivot(pivot);
        MatrixSetTranslation(pivot, pivot[3][0] + u.x, pivot[3][1] + u.y, pivot[3][2] + u.z);
        geometry->SetPivot(pivot);
    }

    RVector4 shift = pivotShift + Difference(a.rotationOffset, b.rotationOffset);
    if (node.GetParent() != nullptr) {
        shift = shift - Compensation(node.GetParent(), source) + Compensation(node.GetParent(), destination);
    }

    RFCurveFilterMatrixConverter converter;
    ConfigureConverter(converter, period, reduceConstantKeys);
    bool convert = false;
    if ((a.inUse && !IsExactlyZero(a.preRotation)) || (b.inUse && !IsExactlyZero(b.preRotation))) {
        converter.SetMatrix(kPreRotationTerm, Then(Rotation(a.preRotation), Inverse(Rotation(b.preRotation))));
        convert = true;
    }
    if ((a.inUse && !IsExactlyZero(a.postRotation)) || (b.inUse && !IsExactlyZero(b.postRotation))) {
        converter.SetMatrix(kPostRotationTerm, Then(Inverse(Rotation(b.postRotation)), Rotation(a.postRotation)));
        convert = true;
    }
    ApplyToTakeNodes(node, shift, converter, convert);
}

// The geometric transform of a set: its scaling, then rotation, then translation.
RMatrix GeometricTransform(const RWyxNode& node, int set, bool inUse) {
    if (!inUse) return RMatrix();
    RVector4 translation;
    RVector4 rotation;
    RVector4 scaling(1.0, 1.0, 1.0, 0.0);
    node.GetGeometricTranslation(translation, set);
    node.GetGeometricRotation(rotation, set);
    node.GetGeometricScaling(scaling, set);
    RMatrix scale;
    ScaleMatrixRows(scale, RMatrix(), scaling);
    return Then(Then(scale, Rotation(rotation)), Translation(translation));
}

// Whether the rotation survives an Euler round trip as something other than the identity.
bool IsRealRotation(const RMatrix& rotation, bool normalise) {
    RMatrix rows = rotation;
    if (normalise) {
        for (int row = 0; row < 3; ++row) {
            const double length = std::sqrt(rows[row][0] * rows[row][0] + rows[row][1] * rows[row][1] + rows[row][2] * rows[row][2]);
            if (length > 0.0) {
                for (int column = 0; column < 3; ++column) rows[row][column] /= length;
            }
        }
    }
    RVector4 angles;
    if (normalise) {
        MatrixToEulerXYZ(angles, rows);
    } else {
        MatrixToEulerRotation(angles, rows);
    }
    RMatrix rebuilt;
    EulerXYZToMatrix(rebuilt, angles.x, angles.y, angles.z);
    return MatrixCompare(rebuilt, RMatrix::Identity(), kComponentTolerance) != 0;
}

void ConvertFull(RWyxNode& node, int source, int destination, RTime period, bool reduceConstantKeys) {
    const SetValues a = ReadSet(node, source);
    const SetValues b = ReadSet(node, destination);
    RFCurveFilterMatrixConverter converter;
    ConfigureConverter(converter, period, reduceConstantKeys);
    bool convert = false;

    const RVector4 pivotShift = Difference(a.rotationPivot, b.rotationPivot);
    if (!IsExactlyZero(pivotShift)) {
        converter.SetMatrix(kRotationPivotTerm, Translation(pivotShift));
        convert = true;
    }
    if (RWyxGeometry* geometry = node.GetGeometry()) {
        RMatrix pivot;
        geometry->GetPivot(pivot);
        const RMatrix toSource = Then(Inverse(GeometricTransform(node, destination, b.inUse)),
                                      GeometricTransform(node, source, a.inUse));
        geometry->SetPivot(Then(toSource, pivot));
        geometry->ApplyPivotToControlPoints();
    }
    const RVector4 scalingPivotShift = Difference(a.scalingPivot, b.scalingPivot);
    if (ExceedsTolerance(scalingPivotShift)) {
        converter.SetMatrix(kScalingPivotTerm, Translation(scalingPivotShift));
        convert = true;
    }
    const RVector4 scalingOffsetShift = Difference(a.scalingOffset, b.scalingOffset);
    if (ExceedsTolerance(scalingOffsetShift)) {
        converter.SetMatrix(kScalingOffsetTerm, Translation(scalingOffsetShift));
        convert = true;
    }
    const RVector4 shift = Difference(a.rotationOffset, b.rotationOffset);

    const RWyxNodeProperties* properties = node.GetProperties();
    if (properties->GetRotationActive() && !properties->GetRotationSpaceForLimitOnly()) {
        if ((a.inUse && !IsExactlyZero(a.preRotation)) || (b.inUse && !IsExactlyZero(b.preRotation))) {
            const RMatrix pre = Then(Rotation(a.preRotation), Inverse(Rotation(b.preRotation)));
            if (IsRealRotation(pre, false)) {
                converter.SetMatrix(kPreRotationTerm, pre);
                convert = true;
            } else {
                converter.SetMatrix(kPreRotationFrame, Rotation(a.preRotation));
            }
        }
        if ((a.inUse && !IsExactlyZero(a.postRotation)) || (b.inUse && !IsExactlyZero(b.postRotation))) {
            const RMatrix post = Then(Rotation(b.postRotation), Inverse(Rotation(a.postRotation)));
            if (IsRealRotation(post, true)) {
                converter.SetMatrix(kPostRotationTerm, post);
                convert = true;
            } else {
                converter.SetMatrix(kPostRotationFrame, Inverse(Rotation(b.postRotation)));
            }
        }
    }
    converter.SetSourceRotationOrder(2 * a.rotationOrder);
    converter.SetDestinationRotationOrder(2 * b.rotationOrder);
    if (a.rotationOrder != b.rotationOrder) convert = true;
    ApplyToTakeNodes(node, shift, converter, convert);
}

using ConvertOne = void (*)(RWyxNode&, int, int, RTime, bool);

// The checks, then every node of the subtree.
bool Run(RWyxNode& top, int direction, double rate, bool reduceConstantKeys, ConvertOne convert) {
    RTime period;
    if (std::isfinite(rate) && rate > 0.0) period.FromSeconds(1.0 / rate);
    const std::vector<RWyxNode*> nodes = Subtree(top);
    if (period.GetTicks() <= 0 || !SamplingFits(nodes, period)) {
        top.GetError().SetErrorCode(RWyxNode::kErrorSamplingRate);
        return false;
    }
    const int source = direction == 0 ? 1 : 0;
    const int destination = 1 - source;
    for (RWyxNode* node : nodes) convert(*node, source, destination, period, reduceConstantKeys);
    return true;
}

}  // namespace

bool RWyxNode::ConvertPivotAnimationSimple(int direction, double rate, bool reduceConstantKeys) {
    return Run(*this, direction, rate, reduceConstantKeys, ConvertSimple);
}

bool RWyxNode::ConvertPivotAnimation(int direction, double rate, bool reduceConstantKeys) {
    return Run(*this, direction, rate, reduceConstantKeys, ConvertFull);
}
