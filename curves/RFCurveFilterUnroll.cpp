#include "curves/RFCurveFilterUnroll.h"

#include <algorithm>
#include <cmath>

#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "curves/RAnimationSettings.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterKeySync.h"
#include "curves/RFCurveFilterSupport.h"
#include "curves/RFCurveNode.h"
#include "curves/RotationContinuity.h"

namespace {

const char* const kMessages[] = {"No key", "Left unchanged", "Need rotation curvenode", "Unexepected"};

constexpr int kErrorNoKey = 0;
constexpr int kErrorNotRotation = 2;

const char kNotRotationText[] = "Unroll Filter, Works only on rotation CurveNodes.";
const char kNoKeyText[] = "Unroll Filter, No key to be filtered.";

constexpr double kDegreesPerRadian = 57.29577951308232;

// The squared rotation angle (degrees) between two orientations over their squared Euler
// distance: small when the Euler angles travel far for little rotation.
double PathRatio(const double previous[3], const double current[3], int order) {
    const double distance = SquaredEulerDistance(previous, current);
    if (distance <= 2.220446049250313e-16) {
        return 100.0;
    }
    RMatrix a;
    RMatrix b;
    EulerToMatrixInOrder(a, previous, order);
    EulerToMatrixInOrder(b, current, order);
    // The trace of the relative rotation a^T b.
    double trace = 0.0;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            trace += a[r][c] * b[r][c];
        }
    }
    const double quarter = (trace + 1.0) / 4.0;
    const double root = quarter > 1e-10 ? std::sqrt(std::min(quarter, 1.0)) : 0.0;
    const double angle = 2.0 * std::acos(root) * kDegreesPerRadian;
    return angle * angle / distance;
}

}  // namespace

RFCurveFilterUnroll::RFCurveFilterUnroll() : RFCurveFilter("Unroll Filter", kMessages, 4) {
    RFCurveFilterUnroll::Reset();
}

void RFCurveFilterUnroll::Reset() {
    precision_ = GetUnrollPrecision();
    path_ = GetUnrollPath();
    RFCurveFilter::Reset();
}

bool RFCurveFilterUnroll::Apply(RFCurve& /*curve*/) {
    return Fail(kErrorNotRotation, kNotRotationText);
}

bool RFCurveFilterUnroll::Apply(RFCurve* const* curves, int count) {
    if (count != 3 || curves == nullptr) {
        return Fail(kErrorNotRotation, kNotRotationText);
    }
    TemporaryRotationNode node(curves);
    if (!node.IsComplete()) {
        return Fail(kErrorNotRotation, kNotRotationText);
    }
    return Apply(node.Get(), false);
}

bool RFCurveFilterUnroll::Apply(RFCurveNode& node, bool /*recursive*/) {
    if (node.GetChildCount() != 3 || node.GetLayerType() != RFCurveNode::LayerRotation) {
        return Fail(kErrorNotRotation, kNotRotationText);
    }
    RFCurve* curves[3];
    for (int i = 0; i < 3; ++i) {
        curves[i] = node.GetChild(i)->GetCurve();
        if (curves[i] == nullptr) {
            return Fail(kErrorNotRotation, kNotRotationText);
        }
    }
    if (node.GetKeyCount(false) == 0) {
        return Fail(kErrorNoKey, kNoKeyText);
    }

    // The span: the filter's, narrowed to the keys of the three curves.
    RTime start(kSpanStop);
    RTime stop(kSpanStart);
    for (const RFCurve* curve : curves) {
        if (curve->GetKeyCount() > 0) {
            start = std::min(start, curve->GetKey(0).GetTime());
            stop = std::max(stop, curve->GetKey(curve->GetKeyCount() - 1).GetTime());
        }
    }
    start = std::max(start, GetStartTime());
    stop = std::min(stop, GetStopTime());

    RFCurveNode& work = WorkingCopy(node);
    RFCurve* workCurves[3];
    for (int i = 0; i < 3; ++i) {
        workCurves[i] = work.GetChild(i)->GetCurve();
    }
    RFCurveFilterKeySync sync;
    if (sync.IsNeeded(workCurves, 3)) {
        sync.SetSpan(GetStartTime(), GetStopTime());
        sync.Apply(workCurves, 3);
    }

    const RFCurve& x = *workCurves[0];
    const int first = static_cast<int>(x.FindKeyIndex(start));
    const int last = std::min(static_cast<int>(x.FindKeyIndex(stop)), x.GetKeyCount() - 1);
    if (first < 0 || start > stop) {
        return Fail(kErrorNoKey, kNoKeyText);
    }

    const int order = node.GetRotationOrder();
    // The axes of the order looked up once for every key, where its step allows.
    int axes[3];
    const bool distinctAxes = DistinctEulerAxes(axes, order);
    double previous[3] = {0.0, 0.0, 0.0};
    if (first > 0) {
        for (int c = 0; c < 3; ++c) {
            previous[c] = workCurves[c]->GetKey(first).GetValue();
        }
    }
    for (int k = first; k <= last; ++k) {
        double angles[3];
        for (int c = 0; c < 3; ++c) {
            angles[c] = workCurves[c]->GetKey(k).GetValue();
        }
        // Of the triples of the key's orientation, the one nearest the previous key.
        if (distinctAxes) {
            EulerFilterStep(angles, angles, previous, axes);
        } else {
            EulerFilterStepInOrder(angles, angles, previous, order);
        }
        for (int c = 0; c < 3; ++c) {
            workCurves[c]->GetKey(k).SetValue(static_cast<float>(angles[c]));
        }
        // A key reached by far more Euler travel than rotation lets the next key stand.
        if (path_ && PathRatio(previous, angles, order) < precision_) {
            ++k;
        }
        std::copy(angles, angles + 3, previous);
    }
    for (RFCurve* curve : workCurves) {
        curve->ResetCache();
    }

    if (first != last) {
        TakeOverRotationSpan(node, work, GetStartTime(), GetStopTime());
    }
    return true;
}

RFCurveNode& RFCurveFilterUnroll::WorkingCopy(const RFCurveNode& node) {
    // Of a node of three plain channels the span takeover reads only the channels' curves,
    // so full copies of those in the kept copy's curves serve as a duplicate would.
    if (node.HasLeafChannels(3) && work_ != nullptr && work_->HasLeafChannels(3)) {
        for (int i = 0; i < 3; ++i) {
            work_->GetChild(i)->GetCurve()->CopyFrom(*node.GetChild(i)->GetCurve(), true);
        }
    } else {
        work_.reset(node.Duplicate(true));
    }
    return *work_;
}
