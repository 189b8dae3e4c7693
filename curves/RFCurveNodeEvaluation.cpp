// Layered evaluation of curve nodes: time warp, own curve, children, layer combination by
// layer type, quaternion nodes, the quaternion-space interpolation of rotation nodes, and
// the per-node cache.

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/EulerAngles.h"
#include "core/RQuaternion.h"
#include "core/RVector4.h"
#include "curves/CurveTime.h"
#include "curves/LayerCombination.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RotationContinuity.h"

namespace {

// Working values of one evaluation step, sized from the node's output: held inline for the
// usual few values, on the heap only for longer outputs. Zero-filled.
class ValueBuffer {
public:
    explicit ValueBuffer(int count) {
        const std::size_t size = static_cast<std::size_t>(std::max(count, 0));
        if (size > kInlineCount) {
            heap_.assign(size, 0.0);
            data_ = heap_.data();
        }
    }
    ValueBuffer(const ValueBuffer&) = delete;
    ValueBuffer& operator=(const ValueBuffer&) = delete;

    double* Data() { return data_; }
    double& operator[](int index) { return data_[index]; }

private:
    static constexpr std::size_t kInlineCount = 16;
    double inline_[kInlineCount] = {};
    std::vector<double> heap_;
    double* data_ = inline_;
};

// The Euler XYZ angles of a quaternion (a zero quaternion is the identity).
void QuaternionToEulerXYZ(double* out, const RQuaternion& q) {
    RMatrix rotation;
    QuaternionToMatrix(rotation, q);
    RVector4 angles;
    MatrixToEulerXYZ(angles, rotation);
    out[0] = angles.x;
    out[1] = angles.y;
    out[2] = angles.z;
}

// Kochanek-Bartels tangent at the start (outgoing) or the end (incoming) of a segment whose
// secant is `inner` over `seconds`, the neighbouring secant being `outer` over
// `outerSeconds`; per channel, in angle per second.
void TcbTangent(double out[3], const RCurveKey& key, bool outgoing, const double inner[3],
                double seconds, const double outer[3], double outerSeconds) {
    const double t = key.GetRawData(0);
    const double c = key.GetRawData(1);
    const double b = key.GetRawData(2);
    const double innerWeight = outgoing ? (1.0 - b) * (1.0 - c) : (1.0 + b) * (1.0 - c);
    const double outerWeight = outgoing ? (1.0 + b) * (1.0 + c) : (1.0 - b) * (1.0 + c);
    for (int i = 0; i < 3; ++i) {
        const double first = innerWeight * inner[i] / seconds;
        const double second = outerSeconds > 0.0 ? outerWeight * outer[i] / outerSeconds : first;
        out[i] = (1.0 - t) / 2.0 * (first + second);
    }
}

// The point at u of the cubic Bezier segment p0, p1, p2, p3, by repeated interpolation.
void BezierPoint(double out[3], const double p0[3], const double p1[3], const double p2[3],
                 const double p3[3], double u) {
    double a[3];
    double b[3];
    double c[3];
    VectorLerpN(a, p0, p1, u, 3);
    VectorLerpN(b, p1, p2, u, 3);
    VectorLerpN(c, p2, p3, u, 3);
    VectorLerpN(a, a, b, u, 3);
    VectorLerpN(b, b, c, u, 3);
    VectorLerpN(out, a, b, u, 3);
}

}  // namespace

int RFCurveNode::GetValueCount() const {
    int count = curve_ != nullptr ? 1 : 0;
    if (layerType_ == LayerQuaternion && layerID_ == 0) {
        return count + 3;
    }
    for (const RFCurveNode* child : children_) {
        count += child->GetValueCount();
    }
    return count;
}

int RFCurveNode::GetRawValueCount() const {
    int count = curve_ != nullptr ? 1 : 0;
    for (const RFCurveNode* child : children_) {
        count += child->GetRawValueCount();
    }
    return count;
}

double* RFCurveNode::EvaluateRaw(double* out, RTime time, int* hint) const {
    int localHint = 0;
    if (hint == nullptr) {
        hint = &localHint;
    }
    if (curve_ != nullptr) {
        *out++ = curve_->EvaluateAt(time, hint);
    }
    for (const RFCurveNode* child : children_) {
        out = child->EvaluateRaw(out, time, hint);
    }
    return out;
}

double* RFCurveNode::EvaluateAt(double* out, RTime time, int* hint) {
    return Evaluate(out, time, hint, true);
}

double* RFCurveNode::Evaluate(double* out, RTime time, int* hint, bool useCache) {
    int localHint = 0;
    if (hint == nullptr) {
        hint = &localHint;
    }
    if (timeWarp_ != nullptr) {
        time = WarpTime(time, useCache);
    }
    const bool cached = useCache && layerID_ == 0;
    if (cached && IsCacheFilled() && (cache_->time == time || (flags_ & FlagCacheAnyTime) != 0)) {
        std::copy(cache_->values, cache_->values + cache_->count, out);
        return out + cache_->count;
    }

    double* next = out;
    if (curve_ != nullptr) {
        *next++ = useCache ? curve_->EvaluateAtCached(time, hint) : curve_->EvaluateAt(time, hint);
    }
    const bool ownCurve = curve_ != nullptr;
    if (layerType_ == LayerQuaternion && layerID_ == 0) {
        next = EvaluateQuaternion(next, time, hint, useCache);
    } else {
        next = layerType_ == LayerRotation ? EvaluateRotationLayer(next, time, hint, useCache)
                                           : EvaluateChildren(next, time, hint, useCache);
        if (nextLayer_ != nullptr) {
            CombineNextLayer(out, static_cast<int>(next - out), ownCurve, time, useCache);
        }
    }

    if (cached) {
        const int count = static_cast<int>(next - out);
        if (count <= kMaxCachedValues) {
            if (cache_ == nullptr) {
                cache_ = std::make_unique<EvaluationCache>();
            }
            std::copy(out, next, cache_->values);
            cache_->filled = true;
            cache_->count = count;
            cache_->time = time;
        } else if (cache_ != nullptr) {
            cache_->filled = false;
        }
    }
    return next;
}

RTime RFCurveNode::WarpTime(RTime time, bool useCache) {
    ValueBuffer values(timeWarp_->GetValueCount());
    int warpHint = 0;
    if (timeWarp_->Evaluate(values.Data(), time, &warpHint, useCache) == values.Data()) {
        return time;  // a time warp without values leaves the time alone
    }
    RTime warped;
    warped.FromSeconds(values[0]);
    return warped;
}

double* RFCurveNode::EvaluateChildren(double* out, RTime time, int* hint, bool useCache) {
    for (RFCurveNode* child : children_) {
        out = child->Evaluate(out, time, hint, useCache);
    }
    return out;
}

double* RFCurveNode::EvaluateQuaternion(double* out, RTime time, int* hint, bool useCache) {
    int childValues = 0;
    for (const RFCurveNode* child : children_) {
        childValues += child->GetValueCount();
    }
    ValueBuffer values(std::max(childValues, 4));
    values[3] = 1.0;
    EvaluateChildren(values.Data(), time, hint, useCache);
    if (nextLayer_ != nullptr && curve_ == nullptr) {
        CombineNextLayer(values.Data(), 4, false, time, useCache);
    }
    QuaternionToEulerXYZ(out, QuaternionOrIdentity(values.Data()));
    return out + 3;
}

void RFCurveNode::CombineNextLayer(double* base, int baseCount, bool ownCurve, RTime time,
                                   bool useCache) {
    ValueBuffer layerValues(nextLayer_->GetValueCount());
    int layerHint = 0;
    const int layerCount = static_cast<int>(
        nextLayer_->Evaluate(layerValues.Data(), time, &layerHint, useCache) - layerValues.Data());
    if (!ownCurve) {
        CombineLayerValuesByType(layerType_, rotationOrder_, base, layerValues.Data(), std::min(baseCount, layerCount));
    } else if (layerType_ != LayerRotation && layerType_ != LayerQuaternion) {
        // Only the own curve's value is combined.
        CombineLayerValuesByType(layerType_, rotationOrder_, base, layerValues.Data(),
                                 std::min({baseCount, layerCount, 1}));
    }
}

void RFCurveNode::ChannelValues(double out[3], RTime time, int hint) const {
    for (int i = 0; i < 3; ++i) {
        int channelHint = hint;
        out[i] = children_[i]->curve_->EvaluateAt(time, &channelHint);
    }
}

double* RFCurveNode::EvaluateRotationLayer(double* out, RTime time, int* hint, bool useCache) {
    int localHint = 0;
    if (hint == nullptr) {
        hint = &localHint;
    }
    if (!quaternionInterpolation_ || !HasEulerChannels() || children_[0]->curve_->GetKeyCount() < 2) {
        return EvaluateChildren(out, time, hint, useCache);
    }
    const RFCurve& x = *children_[0]->curve_;
    const int keyCount = x.GetKeyCount();
    const double position = x.FindKeyIndex(time, hint);
    const double lower = std::floor(position);
    const double upper = std::ceil(position);
    if (lower == upper || lower < 0.0 || upper >= keyCount) {
        return EvaluateChildren(out, time, hint, useCache);
    }
    const int lo = static_cast<int>(lower);
    const int hi = static_cast<int>(upper);

    // Keys before lo, lo, hi and after hi (an end key stands in for a missing neighbour),
    // their rotations, and those rotations relative to key lo in spheric angles.
    const int keys[4] = {lo > 0 ? lo - 1 : lo, lo, hi, hi + 1 < keyCount ? hi + 1 : hi};
    int64_t ticks[4];
    RMatrix rotations[4];
    for (int j = 0; j < 4; ++j) {
        ticks[j] = x.GetKey(keys[j]).GetTime().GetTicks();
        double triple[3];
        ChannelValues(triple, RTime(ticks[j]), keys[j]);
        EulerToMatrixInOrder(rotations[j], triple, rotationOrder_);
    }
    RMatrix toLo;
    MatrixTranspose(toLo, rotations[1]);
    auto relativeAngles = [&](double angles[3], const RMatrix& rotation) {
        RMatrix relative;
        MatrixMultiplyRotation(relative, toLo, rotation);
        MatrixToSpheric(angles, relative);
    };
    double points[4][3];
    for (int j = 0; j < 4; ++j) {
        relativeAngles(points[j], rotations[j]);
    }

    const double u = position - lower;
    const RCurveKey& keyLo = x.GetKey(lo);
    double angles[3];
    if (keyLo.GetInterpolation() != RCurveKey::Cubic) {
        VectorLerpN(angles, points[1], points[2], u, 3);
    } else {
        const double seconds = curve_time::SecondsBetween(ticks[1], ticks[2]);
        const double before = curve_time::SecondsBetween(ticks[0], ticks[1]);
        const double after = curve_time::SecondsBetween(ticks[2], ticks[3]);
        double secant[3];
        double secantBefore[3];
        double secantAfter[3];
        for (int i = 0; i < 3; ++i) {
            secant[i] = points[2][i] - points[1][i];
            secantBefore[i] = points[1][i] - points[0][i];
            secantAfter[i] = points[3][i] - points[2][i];
        }
        // Inner control points: from Kochanek-Bartels tangents on Tcb keys, else from the
        // channel curves' own slopes a third of the segment away from the key.
        double start[3];
        double end[3];
        if (keyLo.GetTangentMode() == RCurveKey::Tcb) {
            double tangent[3];
            TcbTangent(tangent, keyLo, true, secant, seconds, secantBefore, before);
            for (int i = 0; i < 3; ++i) {
                start[i] = points[1][i] + tangent[i] * seconds / 3.0;
            }
        } else {
            double triple[3];
            for (int i = 0; i < 3; ++i) {
                const RFCurve& channel = *children_[i]->curve_;
                int channelHint = lo;
                triple[i] = channel.EvaluateAt(RTime(ticks[1]), &channelHint) +
                            channel.GetRightDerivativeAt(RTime(ticks[1]), &channelHint) * seconds / 3.0;
            }
            RMatrix rotation;
            EulerToMatrixInOrder(rotation, triple, rotationOrder_);
            relativeAngles(start, rotation);
        }
        const RCurveKey& keyHi = x.GetKey(hi);
        if (keyHi.GetTangentMode() == RCurveKey::Tcb) {
            double tangent[3];
            TcbTangent(tangent, keyHi, false, secant, seconds, secantAfter, after);
            for (int i = 0; i < 3; ++i) {
                end[i] = points[2][i] - tangent[i] * seconds / 3.0;
            }
        } else {
            double triple[3];
            for (int i = 0; i < 3; ++i) {
                const RFCurve& channel = *children_[i]->curve_;
                int channelHint = hi;
                triple[i] = channel.EvaluateAt(RTime(ticks[2]), &channelHint) -
                            channel.GetLeftDerivativeAt(RTime(ticks[2]), &channelHint) * seconds / 3.0;
            }
            RMatrix rotation;
            EulerToMatrixInOrder(rotation, triple, rotationOrder_);
            relativeAngles(end, rotation);
        }
        BezierPoint(angles, points[1], start, end, points[2], u);
    }

    // Back from spheric angles relative to key lo (the same form the key rotations were
    // taken apart with, so the segment meets both keys) to the node's rotation order.
    RMatrix relative;
    SphericToMatrix(relative, angles);
    RMatrix rotation;
    MatrixMultiplyRotation(rotation, rotations[1], relative);
    double result[3];
    MatrixToEulerInOrder(result, rotation, rotationOrder_);
    if (rotationOrder_ != kSphericXYZ) {
        // Of the equivalent triples, the one next to the channels' own values.
        double channels[3];
        ChannelValues(channels, time, *hint);
        EulerFilterStepInOrder(result, result, channels, rotationOrder_);
    }
    for (int i = 0; i < 3; ++i) {
        RFCurve& channel = *children_[i]->curve_;
        channel.ResetCache();
        if (layerID_ == 0) {
            channel.SetCache(time, static_cast<float>(result[i]));
        }
        out[i] = result[i];
    }
    return out + 3;
}

void RFCurveNode::InvalidateCache(int layerID, bool withLayers) {
    const int effective = GetEffectiveLayerID(layerID);
    if (effective != layerID_) {
        if (nextLayer_ != nullptr && nextLayer_->layerID_ <= effective) {
            nextLayer_->InvalidateCache(layerID, withLayers);
        }
        return;
    }
    if (curve_ != nullptr) {
        curve_->ResetCache();
    }
    ForgetCachedValues();
    for (RFCurveNode* child : children_) {
        child->InvalidateCache(layerID, withLayers);
    }
    if (withLayers && nextLayer_ != nullptr) {
        nextLayer_->ResetCaches(true);
    }
}

void RFCurveNode::ForgetCachedValues() {
    if (cache_ != nullptr) {
        cache_->filled = false;
        cache_->time = RTime(RTime::kInfinitelyLate);
    }
}

void RFCurveNode::ResetCaches(bool withLayers) {
    if (curve_ != nullptr) {
        curve_->ResetCache();
    }
    ForgetCachedValues();
    for (RFCurveNode* child : children_) {
        child->ResetCaches(withLayers);
    }
    if (withLayers && nextLayer_ != nullptr) {
        nextLayer_->ResetCaches(true);
    }
}
