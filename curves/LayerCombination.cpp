#include "curves/LayerCombination.h"

#include <algorithm>

#include "core/RMatrix.h"
#include "curves/RFCurveNode.h"
#include "curves/RotationContinuity.h"

namespace {

void ComposeRotations(double* base, const double* layer, int rotationOrder) {
    RMatrix baseRotation;
    RMatrix layerRotation;
    EulerToMatrixInOrder(baseRotation, base, rotationOrder);
    EulerToMatrixInOrder(layerRotation, layer, rotationOrder);
    // layer x base: the layer's rotation acts first.
    RMatrix combined;
    MatrixMultiplyRotation(combined, baseRotation, layerRotation);
    MatrixToEulerInOrder(base, combined, rotationOrder);
}

void ComposeQuaternions(double* base, const double* layer) {
    RQuaternion product;
    QuaternionMultiply(product, QuaternionOrIdentity(base), QuaternionOrIdentity(layer));
    base[0] = product.x;
    base[1] = product.y;
    base[2] = product.z;
    base[3] = product.w;
}

}  // namespace

RQuaternion QuaternionOrIdentity(const double* values) {
    const RQuaternion q(values[0], values[1], values[2], values[3]);
    if (q.x == 0.0 && q.y == 0.0 && q.z == 0.0 && q.w == 0.0) {
        return RQuaternion();
    }
    return q;
}

void CombineLayerValuesByType(int layerType, int rotationOrder, double* base, const double* layer, int count) {
    int composed = 0;
    if (layerType == RFCurveNode::LayerRotation && count >= 3) {
        ComposeRotations(base, layer, rotationOrder);
        composed = 3;
    } else if (layerType == RFCurveNode::LayerQuaternion && count >= 4) {
        ComposeQuaternions(base, layer);
        composed = 4;
    }
    const bool multiply = layerType == RFCurveNode::LayerMultiplicative;
    for (int i = composed; i < count; ++i) {
        base[i] = multiply ? layer[i] * base[i] : layer[i] + base[i];
    }
}

void FillLayerIdentity(int layerType, double* out, int count) {
    std::fill(out, out + std::max(count, 0), layerType == RFCurveNode::LayerMultiplicative ? 1.0 : 0.0);
    if (layerType == RFCurveNode::LayerQuaternion && count >= 4) {
        out[3] = 1.0;
    }
}
