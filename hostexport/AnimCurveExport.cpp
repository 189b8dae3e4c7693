#include "hostexport/AnimCurveExport.h"

#include "curves/RFCurve.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "core/RVector4.h"
#include "curves/RFCurveNode.h"
#include "hostexport/WyxVexaExportSession.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VFnDependencyNode.h>
#include <vexa/VPlug.h>
#include <vexa/VTime.h>

#include <cmath>
#include <vector>

namespace {

using Tangent = VFnAnimCurve::TangentType;

// Keys whose values differ by less than this make a clamped tangent a linear one.
constexpr double kClampThreshold = 0.001;
constexpr double kTangentEpsilon = 2.220446049250313e-16;
constexpr float kDefaultWeight = RCurveKey::kDefaultWeight;
// The weight of a last key's missing neighbour.
constexpr float kEndWeight = 0.33f;

// What the host tells of one key.
struct HostKey {
    double seconds = 0.0;
    double value = 0.0;
    Tangent in = VFnAnimCurve::kTangentGlobal;
    Tangent out = VFnAnimCurve::kTangentGlobal;
    double inX = 1.0;
    double inY = 0.0;
    double outX = 1.0;
    double outY = 0.0;
    bool locked = false;
};

// The host's global tangent is its smooth one.
Tangent Effective(Tangent type) { return type == VFnAnimCurve::kTangentGlobal ? VFnAnimCurve::kTangentSmooth : type; }

std::vector<HostKey> ReadKeys(const VFnAnimCurve& curve, unsigned count) {
    std::vector<HostKey> keys(count);
    for (unsigned i = 0; i < count; ++i) {
        HostKey& key = keys[i];
        key.seconds = curve.time(i).as(VTime::kSeconds);
        key.value = curve.value(i);
        key.in = Effective(curve.inTangentType(i));
        key.out = Effective(curve.outTangentType(i));
        curve.getTangent(i, key.inX, key.inY, true);
        curve.getTangent(i, key.outX, key.outY, false);
        key.locked = curve.tangentsLocked(i);
    }
    return keys;
}

double Slope(double x, double y) { return y / (std::fabs(x) <= kTangentEpsilon ? 1.0 : x); }

bool IsCurved(Tangent type) {
    return type == VFnAnimCurve::kTangentFixed || type == VFnAnimCurve::kTangentFlat ||
           type == VFnAnimCurve::kTangentSmooth;
}

// Whether the SDK's keys cannot follow the host curve, so that it must be sampled.
bool NeedsSampling(const std::vector<HostKey>& keys) {
    for (const HostKey& key : keys) {
        if (key.in == VFnAnimCurve::kTangentSlow || key.in == VFnAnimCurve::kTangentFast) return true;
    }
    for (size_t i = 0; i + 1 < keys.size(); ++i) {
        Tangent out = keys[i].out;
        Tangent in = keys[i + 1].in;
        if (in == VFnAnimCurve::kTangentClamped) {
            const bool differ = std::fabs(keys[i].value - keys[i + 1].value) >= kClampThreshold;
            in = differ ? VFnAnimCurve::kTangentSmooth : VFnAnimCurve::kTangentLinear;
            if (!differ) out = VFnAnimCurve::kTangentLinear;
        }
        if (IsCurved(out) && !IsCurved(in)) return true;
        if (out == VFnAnimCurve::kTangentLinear && in != VFnAnimCurve::kTangentLinear) return true;
    }
    return false;
}

// The weight of a tangent of length x seconds on a segment of span seconds; the default for a
// segment without length.
float SegmentWeight(double x, double span) {
    if (!(span > 0.0)) return kDefaultWeight;
    return static_cast<float>(std::fabs(x) / (3.0 * span));
}

struct KeyShape {
    uint32_t interpolation = RCurveKey::Cubic;
    uint32_t tangentMode = RCurveKey::Auto;
    double rightSlope = 0.0;
};

// Interpolation, tangent mode and outgoing slope of key i from its out tangent.
KeyShape ShapeOf(const std::vector<HostKey>& keys, size_t i) {
    const HostKey& key = keys[i];
    KeyShape shape;
    switch (key.out) {
        case VFnAnimCurve::kTangentFixed:
            shape.tangentMode = key.locked ? RCurveKey::User : RCurveKey::UserBreak;
            shape.rightSlope = Slope(key.outX, key.outY);
            break;
        case VFnAnimCurve::kTangentLinear:
            shape.interpolation = RCurveKey::Linear;
            shape.tangentMode = RCurveKey::Auto;
            break;
        case VFnAnimCurve::kTangentFlat:
            shape.tangentMode = RCurveKey::User;
            break;
        case VFnAnimCurve::kTangentStep:
            // Holds the key's own value until the next key (the SDK's ConstantNext would hold
            // the next key's).
            shape.interpolation = RCurveKey::Constant;
            shape.tangentMode = 0;
            break;
        case VFnAnimCurve::kTangentSlow:
        case VFnAnimCurve::kTangentFast:
            shape.tangentMode = 0;
            break;
        case VFnAnimCurve::kTangentClamped: {
            // The last key compares with the key before it: the segment that ends at it.
            const double other = i + 1 < keys.size() ? keys[i + 1].value : (i > 0 ? keys[i - 1].value : key.value);
            if (std::fabs(other - key.value) < kClampThreshold) shape.interpolation = RCurveKey::Linear;
            shape.tangentMode = RCurveKey::User;
            shape.rightSlope = Slope(key.outX, key.outY);
            break;
        }
        default:  // smooth: the slope is given to the automatic tangent once the keys are in
            shape.rightSlope = Slope(key.outX, key.outY);
            break;
    }
    return shape;
}

void CopyKeys(const VFnAnimCurve& curve, const std::vector<HostKey>& keys, RFCurve& target, double scale) {
    const int n = static_cast<int>(keys.size());
    const bool weighted = curve.isWeighted();
    std::vector<KeyShape> shapes(keys.size());
    if (!target.BeginBulkKeys(n)) {
        target.EndBulkKeys(0);
        return;
    }
    for (int i = 0; i < n; ++i) {
        const size_t k = static_cast<size_t>(i);
        shapes[k] = ShapeOf(keys, k);
        const bool last = i == n - 1;
        const double nextLeft = last ? 0.0 : Slope(keys[k + 1].inX, keys[k + 1].inY);
        RTime time;
        time.FromSeconds(keys[k].seconds);
        target.GetKey(i).Set(time, static_cast<float>(keys[k].value * scale), shapes[k].interpolation,
                             shapes[k].tangentMode, static_cast<float>(shapes[k].rightSlope * scale),
                             static_cast<float>(nextLeft * scale), 0, kDefaultWeight, kDefaultWeight, 0.0f, 0.0f);
    }
    target.EndBulkKeys(n);
    target.BeginEdit();
    for (int i = 0; i < n; ++i) {
        const size_t k = static_cast<size_t>(i);
        if (weighted && shapes[k].interpolation == RCurveKey::Cubic) {
            const bool last = i == n - 1;
            const double span = last ? 0.0 : keys[k + 1].seconds - keys[k].seconds;
            target.SetRightWeight(i, last ? kEndWeight : SegmentWeight(keys[k].outX, span));
            if (!last) target.SetLeftWeight(i + 1, SegmentWeight(keys[k + 1].inX, span));
        }
        // Automatic tangents store ratios: the setters turn the host's slopes into them. A
        // user key reads its incoming slope as stored.
        const bool cubic = shapes[k].interpolation == RCurveKey::Cubic;
        const bool user = cubic && (shapes[k].tangentMode & RCurveKey::User) != 0;
        if (i > 0 && shapes[k - 1].interpolation == RCurveKey::Cubic && !user) {
            target.SetLeftDerivative(i, Slope(keys[k].inX, keys[k].inY) * scale);
        }
        if (cubic && shapes[k].tangentMode == RCurveKey::Auto) target.SetRightDerivative(i, shapes[k].rightSlope * scale);
    }
    target.EndEdit();
}

void SampleKeys(const VFnAnimCurve& curve, const std::vector<HostKey>& keys, RFCurve& target, double scale) {
    RTime period;
    period.FromSeconds(1.0 / WyxVexaExportSession::GetSamplingRate());
    const int64_t step = period.GetTicks();
    if (step <= 0) return;
    RTime first;
    first.FromSeconds(keys.front().seconds);
    RTime last;
    last.FromSeconds(keys.back().seconds);
    // From the whole period at or before the first key to the one at or after the last.
    int64_t startIndex = first.GetTicks() / step;
    if (startIndex * step > first.GetTicks()) --startIndex;
    int64_t endIndex = last.GetTicks() / step;
    if (endIndex * step < last.GetTicks()) ++endIndex;
    const int64_t count = endIndex - startIndex + 1;
    if (count <= 0 || count > RFCurve::kMaxKeyCount) return;
    if (!target.BeginBulkKeys(static_cast<int>(count))) {
        target.EndBulkKeys(0);
        return;
    }
    for (int64_t k = 0; k < count; ++k) {
        const RTime time((startIndex + k) * step);
        const double value = curve.evaluate(VTime(time.ToSeconds(), VTime::kSeconds));
        target.GetKey(static_cast<int>(k)) = RCurveKey::Plain(time, static_cast<float>(value * scale));
    }
    target.EndBulkKeys(static_cast<int>(count));
}

}  // namespace

void FreeCurveDeleter::operator()(RFCurve* curve) const { RFCurve::Destroy(curve); }

void ConvertAnimCurve(const VFnAnimCurve& curve, RFCurve& target, bool bake, double scale) {
    const unsigned n = curve.numKeys();
    if (n == 0) return;
    const std::vector<HostKey> keys = ReadKeys(curve, n);
    if (bake || NeedsSampling(keys)) {
        SampleKeys(curve, keys, target, scale);
    } else {
        CopyKeys(curve, keys, target, scale);
    }
    ReduceConstantKeysIfAsked(target);
}

void ReduceConstantKeysIfAsked(RFCurve& curve) {
    if (!GetPluginOptions()->GetBoolOption(kExportApplyCstKeyRed)) return;
    RFCurveFilterConstantKeyReducer reducer;
    reducer.SetKeepEndKeys(true);
    reducer.Apply(curve);
}

bool FindKeyedAnimCurve(const VPlug& plug, VFnAnimCurve& curve) {
    VStatus status;
    curve.setObject(VFnAnimCurve(plug, &status).object());
    return status && curve.numKeys() > 0;
}

bool ExportChannelCurve(const VFnDependencyNode& node, const char* attribute, RFCurveNode& root, const char* first,
                        const char* second, bool bake, double scale) {
    VStatus status;
    const VPlug plug = node.findPlug(attribute, &status);
    if (!status) return false;
    const VFnAnimCurve curve(plug, &status);
    if (!status) return false;
    RFCurveNode* group = root.FindByPath(first);
    RFCurveNode* channel = group != nullptr ? group->FindByPath(second) : nullptr;
    RFCurve* target = channel != nullptr ? channel->GetCurve() : nullptr;
    if (target == nullptr) return false;
    ConvertAnimCurve(curve, *target, bake, scale);
    return true;
}

void ExportTransformCurves(const VFnDependencyNode& transform, RFCurveNode& root, bool bake) {
    struct Channel {
        const char* attribute;
        const char* group;
        const char* axis;
        double scale;
    };
    static const Channel kChannels[] = {
        {"translateX", "T", "X", 1.0}, {"translateY", "T", "Y", 1.0}, {"translateZ", "T", "Z", 1.0},
        {"scaleX", "S", "X", 1.0},     {"scaleY", "S", "Y", 1.0},     {"scaleZ", "S", "Z", 1.0},
        {"rotateX", "R", "X", kRadiansToDegrees}, {"rotateY", "R", "Y", kRadiansToDegrees},
        {"rotateZ", "R", "Z", kRadiansToDegrees}};
    for (const Channel& channel : kChannels) {
        ExportChannelCurve(transform, channel.attribute, root, channel.group, channel.axis, bake, channel.scale);
    }
}

RWyxTakeNode* SelectTakeNode(RWyxNode& node, const char* name) {
    const char* current = node.GetCurrentTakeNodeName();
    if (current != nullptr && RString(current) == name) return node.GetCurrentTakeNode();
    if (!node.SetCurrentTakeNodeByName(name)) {
        if (node.AddTakeNode(name) == nullptr || !node.SetCurrentTakeNodeByName(name)) return nullptr;
    }
    return node.GetCurrentTakeNode();
}
