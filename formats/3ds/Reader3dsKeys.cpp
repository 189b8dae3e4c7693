#include "formats/3ds/Reader3dsKeys.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "core/RMatrix.h"
#include "core/RQuaternion.h"
#include "core/RWyxColor.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveFilterKeyReducer.h"
#include "curves/RFCurveFilterUnroll.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cmath>

namespace {

using Channel = RWyxTakeNode::Channel;

constexpr double kUnrollPrecision = 0.25;
constexpr double kReducerPrecision = 1.0;
constexpr double kDefaultFieldOfView = 45.0;
// 3D Studio's lens: the focal length in millimetres times the field of view in degrees.
constexpr double kLensTimesFieldOfView = 2400.0;

struct Curves {
    RFCurve* curves[3] = {nullptr, nullptr, nullptr};
    int count = 0;
    bool IsComplete() const {
        for (int i = 0; i < count; ++i) {
            if (curves[i] == nullptr) return false;
        }
        return count > 0;
    }
};

// The curves of the node's current take node, from the first channel on.
Curves CurvesOf(RWyxNode& node, Channel first, int count) {
    Curves result;
    result.count = count;
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    for (int i = 0; i < count; ++i) {
        result.curves[i] = take != nullptr ? take->GetChannelCurve(static_cast<Channel>(first + i)) : nullptr;
    }
    return result;
}

template <typename Value>
std::size_t UsableKeys(const FtkTrackGroup<Value>& track) {
    return std::min<std::size_t>({track.keyCount, track.keys.size(), track.values.size()});
}

RTime FrameTime(std::uint32_t frame) {
    RTime time;
    time.SetFromTimecode(0, 0, 0, static_cast<int>(std::min<std::uint32_t>(frame, 0x7FFFFFFF)), 0, 6);
    return time;
}

// Writes the keys whose frames increase, each value mapped to count components.
template <typename Value, typename Map>
void WriteKeys(const FtkTrackGroup<Value>& track, std::size_t keys, const Curves& target, Map map) {
    for (int c = 0; c < target.count; ++c) target.curves[c]->BeginBulkKeys(static_cast<int>(keys));
    int taken = 0;
    std::uint32_t lastFrame = 0;
    for (std::size_t k = 0; k < keys; ++k) {
        const FtkKeyHeader& header = track.keys[k];
        if (taken > 0 && header.time <= lastFrame) continue;
        lastFrame = header.time;
        const RTime time = FrameTime(header.time);
        const float tension = (header.rflags & kFtkKeyTension) != 0 ? header.tension : 0.0f;
        const float continuity = (header.rflags & kFtkKeyContinuity) != 0 ? header.continuity : 0.0f;
        const float bias = (header.rflags & kFtkKeyBias) != 0 ? header.bias : 0.0f;
        double values[3] = {0.0, 0.0, 0.0};
        map(track.values[k], values);
        for (int c = 0; c < target.count; ++c) {
            target.curves[c]->GetKey(taken).SetTensionContinuityBias(time, static_cast<float>(values[c]), tension,
                                                                     continuity, bias);
        }
        ++taken;
    }
    for (int c = 0; c < target.count; ++c) target.curves[c]->EndBulkKeys(taken);
}

void ReduceKeys(const Curves& target, const KeyContext3ds& context) {
    if (!context.reduceKeys) return;
    RFCurveFilterKeyReducer reducer;
    reducer.SetPrecision(kReducerPrecision);
    reducer.Apply(target.curves, target.count);
}

// Whether the track is written as keys (else it gives default values).
template <typename Value>
bool IsAnimated(const FtkTrackGroup<Value>& track, const KeyContext3ds& context) {
    return context.animation && UsableKeys(track) > 1;
}

void SetCurveDefaults(const Curves& target, const RVector4& value) {
    for (int c = 0; c < target.count; ++c) {
        if (target.curves[c] != nullptr) target.curves[c]->SetDefaultValue(static_cast<float>(*value.Component(c)));
    }
}

// One key at time 0 on each curve.
void SetSingleKey(const Curves& target, const RVector4& value) {
    for (int c = 0; c < target.count; ++c) {
        RFCurve* curve = target.curves[c];
        if (curve == nullptr) continue;
        curve->BeginBulkKeys(1);
        curve->GetKey(0).SetTensionContinuityBias(RTime(), static_cast<float>(*value.Component(c)), 0.0f, 0.0f, 0.0f);
        curve->EndBulkKeys(1);
    }
}

// Rotation keys hold the turn from the key before: q becomes key x q.
class RotationAccumulator {
public:
    RVector4 Add(const FtkRotKey& key) {
        RVector4 axis(key.x, key.z, -key.y, 0.0);
        axis.Normalize3();
        const double half = -key.angle * 0.5;
        const double s = std::sin(half);
        const RQuaternion turn(s * axis.x, s * axis.y, s * axis.z, std::cos(half));
        RQuaternion product;
        QuaternionMultiply(product, turn, total_);
        const double length = QuaternionLength(product);
        if (length > 0.0 && std::isfinite(length)) QuaternionScale(total_, product, 1.0 / length);
        RMatrix matrix;
        QuaternionToMatrix(matrix, total_);
        return matrix.GetRotation();
    }

private:
    RQuaternion total_;
};

}  // namespace

namespace {

// The value of the curves at their first key: where the channel starts.
RVector4 StartValue(const Curves& target) {
    double values[3] = {0.0, 0.0, 0.0};
    for (int c = 0; c < target.count; ++c) {
        if (target.curves[c]->GetKeyCount() > 0) values[c] = target.curves[c]->GetKey(0).GetValue();
    }
    return RVector4(values[0], values[1], values[2], 0.0);
}

// How a track that is not animated lands on its curves.
enum class Still {
    kCurveDefaults,  // the curves' default values
    kKeyAtZero,      // one key at time 0
};

// The common scheme: keys on the target curves when the track is animated (rotations then
// unrolled, and reduced on request), with the channel's value at the start as the node's
// default (`hold`) and, for transforms, the curves' defaults; else the first value (or the
// fallback, for a track without values) as the node's default and, as `still` says, on the
// curves.
template <typename Value, typename Map, typename Hold>
void ConvertTrack(const FtkTrackGroup<Value>& track, RWyxNode& node, const KeyContext3ds& context, Channel first,
                  int components, const Value& fallback, Map map, Hold hold, Still still, bool unroll = false) {
    const Curves target = CurvesOf(node, first, components);
    if (IsAnimated(track, context) && target.IsComplete()) {
        WriteKeys(track, UsableKeys(track), target, map);
        if (unroll) {
            RFCurveFilterUnroll filter;
            filter.SetPath(true);
            filter.SetPrecision(kUnrollPrecision);
            filter.Apply(target.curves, target.count);
        }
        ReduceKeys(target, context);
        const RVector4 start = StartValue(target);
        hold(start);
        if (still == Still::kCurveDefaults) SetCurveDefaults(target, start);
        return;
    }
    double mapped[3] = {0.0, 0.0, 0.0};
    map(track.values.empty() ? fallback : track.values[0], mapped);
    const RVector4 value(mapped[0], mapped[1], mapped[2], 0.0);
    hold(value);
    if (still == Still::kCurveDefaults) {
        SetCurveDefaults(target, value);
    } else {
        SetSingleKey(target, value);
    }
}

}  // namespace

void ConvertPositionTrack3ds(const FtkTrackGroup<FtkPoint>& track, RWyxNode& node, const KeyContext3ds& context,
                             const FtkPoint& fallback) {
    auto map = [&context](const FtkPoint& p, double out[3]) {
        out[0] = p.x * context.scale;
        out[1] = p.z * context.scale;
        out[2] = -p.y * context.scale;
    };
    ConvertTrack(
        track, node, context, RWyxTakeNode::TranslationX, 3, fallback, map,
        [&node](const RVector4& value) { node.SetDefaultTranslation(value); }, Still::kCurveDefaults);
}

void ConvertRotationTrack3ds(const FtkTrackGroup<FtkRotKey>& track, RWyxNode& node, const KeyContext3ds& context) {
    RotationAccumulator accumulator;
    auto map = [&accumulator](const FtkRotKey& key, double out[3]) {
        const RVector4 angles = accumulator.Add(key);
        out[0] = angles.x;
        out[1] = angles.y;
        out[2] = angles.z;
    };
    ConvertTrack(
        track, node, context, RWyxTakeNode::RotationX, 3, FtkRotKey{0.0f, 0.0f, 0.0f, 1.0f}, map,
        [&node](const RVector4& value) { node.SetDefaultRotation(value); }, Still::kCurveDefaults, true);
}

void ConvertScaleTrack3ds(const FtkTrackGroup<FtkPoint>& track, RWyxNode& node, const KeyContext3ds& context) {
    auto map = [](const FtkPoint& p, double out[3]) {
        out[0] = p.x;
        out[1] = p.z;
        out[2] = p.y;
    };
    ConvertTrack(
        track, node, context, RWyxTakeNode::ScalingX, 3, FtkPoint{1.0f, 1.0f, 1.0f}, map,
        [&node](const RVector4& value) { node.SetDefaultScaling(value); }, Still::kCurveDefaults);
}

void ConvertColorTrack3ds(const FtkTrackGroup<FtkColor>& track, RWyxNode& node, const KeyContext3ds& context,
                          const FtkColor& fallback) {
    auto map = [](const FtkColor& c, double out[3]) {
        out[0] = c.r;
        out[1] = c.g;
        out[2] = c.b;
    };
    ConvertTrack(
        track, node, context, RWyxTakeNode::ColorX, 3, fallback, map,
        [&node](const RVector4& value) {
            if (RWyxLight* light = node.GetLight()) {
                light->SetDefaultColor(value.x, value.y, value.z);
            } else if (RWyxMarker* marker = node.GetMarker()) {
                marker->SetColor(RWyxColor(value.x, value.y, value.z, 1.0));
            }
        },
        Still::kKeyAtZero);
}

namespace {

// The single-value tracks: keys, or one key at time 0; the node's default through `apply`.
template <typename Apply>
void ConvertFloatTrack(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context,
                       Channel channel, float fallback, Apply apply) {
    ConvertTrack(
        track, node, context, channel, 1, fallback, [](float value, double out[3]) { out[0] = value; },
        [&apply](const RVector4& value) { apply(value.x); }, Still::kKeyAtZero);
}

}  // namespace

void ConvertHotspotTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context,
                            float fallback) {
    ConvertFloatTrack(track, node, context, RWyxTakeNode::ConeAngle, fallback, [&node](double value) {
        if (RWyxLight* light = node.GetLight()) light->SetDefaultConeAngle(value);
    });
}

void ConvertFieldOfViewTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context,
                                float fallback) {
    ConvertFloatTrack(track, node, context, RWyxTakeNode::FieldOfView, fallback, [&node](double value) {
        if (RWyxCamera* camera = node.GetCamera()) SetCameraLens3ds(*camera, value);
    });
}

void ConvertRollTrack3ds(const FtkTrackGroup<float>& track, RWyxNode& node, const KeyContext3ds& context,
                         float fallback) {
    ConvertFloatTrack(track, node, context, RWyxTakeNode::Roll, fallback, [&node](double value) {
        if (RWyxCamera* camera = node.GetCamera()) camera->SetDefaultRoll(value);
    });
}

void SetCameraLens3ds(RWyxCamera& camera, double fieldOfView) {
    const double degrees = std::isnan(fieldOfView) ? kDefaultFieldOfView
                                                   : std::clamp(fieldOfView, RWyxCamera::kMinFieldOfView,
                                                                RWyxCamera::kMaxFieldOfView);
    const double focalLength = kLensTimesFieldOfView / degrees;
    // The film across the horizontal aperture that this focal length sees at this angle.
    const double filmWidth = 2.0 * focalLength * std::tan(degrees * M_PI / 360.0) / camera.GetSqueezeRatio();
    camera.SetApertureMode(RWyxCamera::kApertureHorizontal);
    camera.SetApertureWidth(filmWidth / RWyxCamera::kMillimetresPerInch);
    camera.SetFocalLength(focalLength);
    camera.SetDefaultFieldOfView(degrees);
}
