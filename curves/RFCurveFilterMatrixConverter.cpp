#include "curves/RFCurveFilterMatrixConverter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/EulerAngles.h"
#include "curves/CurveTime.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "curves/RFCurveFilterResample.h"
#include "curves/RFCurveFilterSupport.h"
#include "curves/RFCurveFilterUnroll.h"
#include "curves/RFCurveNode.h"
#include "curves/RKeyUtilities.h"
#include "curves/RotationContinuity.h"
#include "curves/SampleTimes.h"

namespace {

const char* const kMessages[] = {
    "No key",
    "Left unchanged",
    "Invalid Apply method.  Use RFCurveFilterMatrixConverter::Apply(RFCurveNode&, bool)",
    "Missing at least a transform RFCurve.  pCurveNode must possess T(x, y, z), R(x, y, z), S(x, y, z) RFCurves",
};
constexpr int kMessageCount = 4;
constexpr int kErrorLeftUnchanged = 1;
constexpr int kErrorInvalidApply = 2;
constexpr int kErrorMissingCurve = 3;
constexpr const char* kUnchangedText = "MatrixConverter, No key were changed by filter.";
constexpr const char* kInvalidApplyText = "MatrixConverter, invalid apply method.";
constexpr const char* kMissingCurveText = "MatrixConverter, Missing curve.";
constexpr const char* kInvalidPeriodText =
    "MatrixConverter, Invalid resampling period. No key were changed by filter.";

// Components with a part of their own in the composition besides their place in the chain.
constexpr int kTranslationTerm = 8;
constexpr int kPreRotationFallback = 9;
constexpr int kPostRotationFallback = 10;
constexpr int kRotationPivot = 11;
constexpr int kScalingPivot = 12;

// Translation X, Y, Z, rotation X, Y, Z (degrees), scaling X, Y, Z.
constexpr int kChannelCount = 9;
constexpr int kRotation = 3;
constexpr int kScaling = 6;
const char* const kTransformNames[3] = {"T", "R", "S"};
const char* const kAxisNames[3] = {"X", "Y", "Z"};

// The last period step is taken while it lies before the stop by more than this many periods.
constexpr double kStopMargin = 0.025;

RMatrix TranslationMatrix(const double* t) {
    RMatrix m;
    MatrixSetTranslation(m, t[0], t[1], t[2]);
    return m;
}

RMatrix ScalingMatrix(const double* s) {
    RMatrix m;
    m[0][0] = s[0];
    m[1][1] = s[1];
    m[2][2] = s[2];
    return m;
}

// The kind of a converted key, from the source key at or before its time. The slopes of
// user and Tcb keys describe the source's values, not the converted ones, so Cubic keys
// become Auto (AutoBreak stays); Constant keys keep their held side.
struct KeyKind {
    uint32_t interpolation = RCurveKey::Cubic;
    uint32_t tangentMode = RCurveKey::Auto;
};

KeyKind ConvertedKind(const RCurveKey& source) {
    KeyKind kind;
    switch (source.GetInterpolation()) {
        case RCurveKey::Constant:
            kind.interpolation = RCurveKey::Constant;
            kind.tangentMode = source.GetTangentMode() & RCurveKey::ConstantNext;
            break;
        case RCurveKey::Linear:
            kind.interpolation = RCurveKey::Linear;
            kind.tangentMode = 0;
            break;
        default:
            if (source.GetInterpolation() == RCurveKey::Cubic && source.GetTangentMode() == RCurveKey::AutoBreak) {
                kind.tangentMode = RCurveKey::AutoBreak;
            }
            break;
    }
    return kind;
}

// Walks the keys of one source curve along increasing sample times.
class KindCursor {
public:
    explicit KindCursor(const RFCurve& curve) : curve_(curve) {}
    KeyKind At(RTime time) {
        while (next_ < curve_.GetKeyCount() && curve_.GetKey(next_).GetTime() <= time) {
            ++next_;
        }
        return next_ == 0 ? KeyKind() : ConvertedKind(curve_.GetKey(next_ - 1));
    }

private:
    const RFCurve& curve_;
    int next_ = 0;
};

bool IsRotationOrder(int order) {
    return order >= 0 && order <= kRotationOrderSphericXYZ;
}

// A channel whose values all stay within rounding of its default.
bool StaysAtDefault(const RFCurve& curve) {
    const double value = curve.GetDefaultValue();
    const double tolerance = RFCurveFilterMatrixConverter::kIdentityTolerance * std::max(1.0, std::fabs(value));
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        if (!(std::fabs(curve.GetKey(k).GetValue() - value) <= tolerance)) {
            return false;
        }
    }
    return true;
}

}  // namespace

struct RFCurveFilterMatrixConverter::Channels {
    RFCurveNode* nodes[kChannelCount] = {};
    RFCurve* curves[kChannelCount] = {};
    RFCurveNode* rotation = nullptr;

    // The nine channels of "T", "R" and "S"; false when one is missing or has no curve.
    bool Find(const RFCurveNode& node) {
        for (int transform = 0; transform < 3; ++transform) {
            RFCurveNode* parent = node.FindByPath(kTransformNames[transform]);
            if (parent == nullptr) {
                return false;
            }
            if (transform == 1) {
                rotation = parent;
            }
            for (int axis = 0; axis < 3; ++axis) {
                const int i = 3 * transform + axis;
                nodes[i] = parent->FindByPath(kAxisNames[axis]);
                if (nodes[i] == nullptr || nodes[i]->GetCurve() == nullptr) {
                    return false;
                }
                curves[i] = nodes[i]->GetCurve();
            }
        }
        return true;
    }

    bool HasKeys() const {
        return std::any_of(curves, curves + kChannelCount, [](const RFCurve* c) { return c->GetKeyCount() > 0; });
    }
};

struct RFCurveFilterMatrixConverter::Sample {
    double values[kChannelCount] = {};
};

RFCurveFilterMatrixConverter::RFCurveFilterMatrixConverter()
    : RFCurveFilter("FCurve Matrix Converter", kMessages, kMessageCount) {
    RFCurveFilterMatrixConverter::Reset();
}

void RFCurveFilterMatrixConverter::Reset() {
    alignToPeriod_ = true;
    resampleAfter_ = true;
    reduceAfter_ = true;
    endOnLastKey_ = true;
    rewriteTranslation_ = true;
    keyTimesFromSource_ = false;
    extraOutput_ = true;
    for (int i = 0; i < kMatrixCount; ++i) {
        components_[i].SetIdentity();
        identity_[i] = true;
    }
    ResetSpan();
}

bool RFCurveFilterMatrixConverter::SetMatrix(int index, const RMatrix& matrix) {
    if (index < 0 || index >= kMatrixCount) {
        return false;
    }
    components_[index].AssignAll(matrix);
    identity_[index] = MatrixCompare(matrix, RMatrix::Identity(), kIdentityTolerance) == 0;
    return true;
}

bool RFCurveFilterMatrixConverter::GetMatrix(int index, RMatrix& out) const {
    if (index < 0 || index >= kMatrixCount) {
        return false;
    }
    out.AssignAll(identity_[index] ? RMatrix::Identity() : components_[index]);
    return true;
}

bool RFCurveFilterMatrixConverter::IsIdentity(int index) const {
    return index < 0 || index >= kMatrixCount || identity_[index];
}

bool RFCurveFilterMatrixConverter::AreAllIdentity() const {
    return std::all_of(identity_, identity_ + kMatrixCount, [](bool identity) { return identity; });
}

bool RFCurveFilterMatrixConverter::SetSourceRotationOrder(int order) {
    if (!IsRotationOrder(order)) {
        return false;
    }
    sourceOrder_ = order;
    return true;
}

bool RFCurveFilterMatrixConverter::SetDestinationRotationOrder(int order) {
    if (!IsRotationOrder(order)) {
        return false;
    }
    destinationOrder_ = order;
    return true;
}

bool RFCurveFilterMatrixConverter::Apply(RFCurve& /*curve*/) {
    return Fail(kErrorInvalidApply, kInvalidApplyText);
}

bool RFCurveFilterMatrixConverter::Apply(RFCurve* const* /*curves*/, int /*count*/) {
    return Fail(kErrorInvalidApply, kInvalidApplyText);
}

bool RFCurveFilterMatrixConverter::Apply(RFCurveNode& node, bool recursive) {
    bool converted = false;
    // A change of rotation order alone is a conversion too.
    if (AreAllIdentity() && sourceOrder_ == destinationOrder_) {
        Fail(kErrorLeftUnchanged, kUnchangedText);
    } else if (!Convert(node)) {
        return false;  // refused: the node is left as it was
    } else {
        converted = true;
    }
    RunFollowUps(node, recursive);
    return converted;
}

void RFCurveFilterMatrixConverter::RunFollowUps(RFCurveNode& node, bool recursive) const {
    RFCurveNode* rotation = node.FindByPath(kTransformNames[1]);
    if (resampleAfter_ && rotation != nullptr) {
        RFCurveFilterUnroll unroll;
        unroll.Apply(*rotation, recursive);
        if (period_.GetTicks() > 0) {
            RFCurveFilterResample resample;
            resample.SetPeriod(period_);
            resample.SetKeepInterpolation(true);
            resample.SetAlignToPeriod(alignToPeriod_);
            resample.Apply(*rotation, recursive);
        }
    }
    if (reduceAfter_) {
        RFCurveFilterConstantKeyReducer reducer;
        reducer.Apply(node, recursive);
    }
}

bool RFCurveFilterMatrixConverter::Convert(RFCurveNode& node) {
    Channels channels;
    if (!channels.Find(node)) {
        return Fail(kErrorMissingCurve, kMissingCurveText);
    }
    std::vector<RTime> times;
    if (channels.HasKeys() && !PlanSamples(channels, times)) {
        return false;
    }

    TemporaryCurve converted[kChannelCount];
    Sample rest;
    for (int i = 0; i < kChannelCount; ++i) {
        converted[i].reset(RFCurve::Create());
        converted[i]->CopyFrom(*channels.curves[i], false);
        rest.values[i] = channels.curves[i]->GetDefaultValue();
    }
    ConvertSample(rest);
    for (int i = 0; i < kChannelCount; ++i) {
        converted[i]->SetDefaultValue(static_cast<float>(rest.values[i]));
        converted[i]->ResetCache();
    }

    if (!times.empty()) {
        const int count = static_cast<int>(times.size());
        bool stored = true;
        for (TemporaryCurve& curve : converted) {
            stored = curve->BeginBulkKeys(count) && stored;
        }
        if (!stored) {
            for (TemporaryCurve& curve : converted) {
                curve->EndBulkKeys(0);
            }
            return Fail(kErrorLeftUnchanged, kUnchangedText);
        }
        RFCurve* targets[kChannelCount];
        for (int i = 0; i < kChannelCount; ++i) {
            targets[i] = converted[i].get();
        }
        WriteSamples(channels, times, targets);
        for (int i = 0; i < kChannelCount; ++i) {
            converted[i]->EndBulkKeys(count);
            if (!extraOutput_ && channels.curves[i]->GetKeyCount() == 0 && StaysAtDefault(*converted[i])) {
                converted[i]->ClearKeys();
            }
        }
    }

    const bool rewriteTranslation = rewriteTranslation_ || !identity_[kTranslationTerm] ||
                                    !identity_[kRotationPivot] || !identity_[kScalingPivot];
    for (int i = rewriteTranslation ? 0 : kRotation; i < kChannelCount; ++i) {
        channels.nodes[i]->SetCurve(converted[i].release(), true);
    }
    // The rotation keys are now angles of the destination order, which the node (and the
    // unroll that follows) must read them in.
    channels.rotation->SetRotationOrder(destinationOrder_);
    return true;
}

bool RFCurveFilterMatrixConverter::PlanSamples(const Channels& channels, std::vector<RTime>& times) {
    RTime start(RTime::kInfinitelyLate);
    RTime stop(RTime::kInfinitelyEarly);
    for (const RFCurve* curve : channels.curves) {
        if (curve->GetKeyCount() > 0) {
            start = std::min(start, curve->GetKey(0).GetTime());
            stop = std::max(stop, curve->GetKey(curve->GetKeyCount() - 1).GetTime());
        }
    }
    const int64_t period = period_.GetTicks();
    if (period <= 0) {
        return Fail(kErrorLeftUnchanged, kInvalidPeriodText);
    }
    const uint64_t steps = curve_time::TicksBetween(start.GetTicks(), stop.GetTicks()) / static_cast<uint64_t>(period);
    if (steps + 2 > static_cast<uint64_t>(kMaxResampledKeys)) {
        return Fail(kErrorLeftUnchanged, kInvalidPeriodText);
    }

    const RTime limit = stop - RTime(std::llround(static_cast<double>(period) * kStopMargin));
    times.reserve(static_cast<std::size_t>(steps) + 2);
    for (int k = 0;; ++k) {
        const RTime time = start + period_ * k;
        if (!(time < limit)) {
            times.push_back(endOnLastKey_ ? stop : time);
            break;
        }
        times.push_back(time);
    }

    if (keyTimesFromSource_) {
        std::vector<RTime> keyTimes;
        for (const RFCurve* curve : channels.curves) {
            sample_times::CollectKeyTimes(*curve, start, stop, keyTimes);
        }
        sample_times::Merge(times, std::move(keyTimes));
    }
    return true;
}

void RFCurveFilterMatrixConverter::WriteSamples(const Channels& channels, const std::vector<RTime>& times,
                                                RFCurve* const* converted) const {
    int hints[kChannelCount] = {};
    std::vector<KindCursor> kinds;
    kinds.reserve(kChannelCount);
    for (const RFCurve* curve : channels.curves) {
        kinds.emplace_back(*curve);
    }
    Sample sample;
    for (std::size_t k = 0; k < times.size(); ++k) {
        const RTime time = times[k];
        for (int i = 0; i < kChannelCount; ++i) {
            sample.values[i] = channels.curves[i]->EvaluateAt(time, &hints[i]);
        }
        ConvertSample(sample);
        for (int i = 0; i < kChannelCount; ++i) {
            const KeyKind kind = kinds[static_cast<std::size_t>(i)].At(time);
            converted[i]->GetKey(static_cast<int>(k)) =
                RCurveKey::Plain(time, static_cast<float>(sample.values[i]), kind.interpolation, kind.tangentMode);
        }
    }
}

void RFCurveFilterMatrixConverter::ConvertSample(Sample& sample) const {
    RMatrix rotation;
    EulerToMatrixInOrder(rotation, sample.values + kRotation, sourceOrder_);
    const RMatrix composed = ComposeWithComponents(TranslationMatrix(sample.values), rotation,
                                                   ScalingMatrix(sample.values + kScaling));

    RVector4 scaling;
    MatrixToScaling(scaling, composed);
    // The rotation of the axis rows with the scaling divided out (mirroring included).
    RVector4 angles;
    MatrixToEulerRotation(angles, composed);
    double* out = sample.values + kRotation;
    if (destinationOrder_ == 0) {
        out[0] = angles.x;
        out[1] = angles.y;
        out[2] = angles.z;
    } else {
        RMatrix pure;
        EulerXYZToMatrix(pure, angles.x, angles.y, angles.z);
        MatrixToEulerInOrder(out, pure, destinationOrder_);
    }
    for (int axis = 0; axis < 3; ++axis) {
        sample.values[axis] = composed[3][axis];
    }
    sample.values[kScaling] = scaling.x;
    sample.values[kScaling + 1] = scaling.y;
    sample.values[kScaling + 2] = scaling.z;
}

RMatrix RFCurveFilterMatrixConverter::ComposeWithComponents(const RMatrix& translation, const RMatrix& rotation,
                                                            const RMatrix& scaling) const {
    RMatrix result;
    GetMatrix(0, result);
    // Each factor acts before everything composed so far.
    const auto apply = [&result](const RMatrix& factor) { MatrixMultiplyAffine(result, result, factor); };
    const auto applyComponent = [&](int index) {
        if (!identity_[index]) {
            apply(components_[index]);
        }
    };
    const auto applyInverse = [&](int index) {
        if (!identity_[index]) {
            RMatrix inverse;
            MatrixInverseOrthogonal(inverse, components_[index]);
            apply(inverse);
        }
    };
    applyComponent(1);
    apply(translation);
    applyComponent(2);
    if (!identity_[kTranslationTerm]) {
        apply(TranslationOnlyTerm(rotation));
    }
    applyComponent(kRotationPivot);
    applyComponent(3);
    apply(rotation);
    applyComponent(4);
    applyInverse(kRotationPivot);
    applyComponent(kScalingPivot);
    applyComponent(5);
    apply(scaling);
    applyComponent(6);
    applyInverse(kScalingPivot);
    applyComponent(7);
    return result;
}

// The translation that component 8 adds after the rotation has been framed by the pre- and
// post-rotations (or their fallbacks 9 and 10).
RMatrix RFCurveFilterMatrixConverter::TranslationOnlyTerm(const RMatrix& rotation) const {
    RMatrix framed;
    if (!identity_[3]) {
        framed.AssignAll(components_[3]);
    } else if (!identity_[kPreRotationFallback]) {
        framed.AssignAll(components_[kPreRotationFallback]);
    }
    MatrixMultiplyAffine(framed, framed, rotation);
    if (!identity_[4]) {
        MatrixMultiplyAffine(framed, framed, components_[4]);
    } else if (!identity_[kPostRotationFallback]) {
        MatrixMultiplyAffine(framed, framed, components_[kPostRotationFallback]);
    }
    MatrixMultiplyAffine(framed, framed, components_[kTranslationTerm]);
    RMatrix term;
    MatrixSetTranslation(term, framed[3][0], framed[3][1], framed[3][2]);
    return term;
}

void QuaternionFromRotation(RQuaternion& out, const RMatrix& m) {
    const double trace = m[0][0] + m[1][1] + m[2][2];
    RQuaternion q;
    // Of the four squared terms the largest is taken from the diagonal; the other three
    // follow from the off-diagonal sums and differences divided by it.
    if (trace >= m[0][0] && trace >= m[1][1] && trace >= m[2][2]) {
        const double w = 0.5 * std::sqrt(std::max(0.0, 1.0 + trace));
        const double f = 0.25 / w;
        q = RQuaternion((m[1][2] - m[2][1]) * f, (m[2][0] - m[0][2]) * f, (m[0][1] - m[1][0]) * f, w);
    } else if (m[0][0] >= m[1][1] && m[0][0] >= m[2][2]) {
        const double x = 0.5 * std::sqrt(std::max(0.0, 1.0 + m[0][0] - m[1][1] - m[2][2]));
        const double f = 0.25 / x;
        q = RQuaternion(x, (m[0][1] + m[1][0]) * f, (m[0][2] + m[2][0]) * f, (m[1][2] - m[2][1]) * f);
    } else if (m[1][1] >= m[2][2]) {
        const double y = 0.5 * std::sqrt(std::max(0.0, 1.0 - m[0][0] + m[1][1] - m[2][2]));
        const double f = 0.25 / y;
        q = RQuaternion((m[0][1] + m[1][0]) * f, y, (m[1][2] + m[2][1]) * f, (m[2][0] - m[0][2]) * f);
    } else {
        const double z = 0.5 * std::sqrt(std::max(0.0, 1.0 - m[0][0] - m[1][1] + m[2][2]));
        const double f = 0.25 / z;
        q = RQuaternion((m[0][2] + m[2][0]) * f, (m[1][2] + m[2][1]) * f, z, (m[0][1] - m[1][0]) * f);
    }
    const double length = QuaternionLength(q);
    if (!(length > 0.0)) {
        out = RQuaternion();
        return;
    }
    QuaternionScale(out, q, (q.w < 0.0 ? -1.0 : 1.0) / length);
}
