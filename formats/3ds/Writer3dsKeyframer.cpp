#include "formats/3ds/Writer3dsKeyframer.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RQuaternion.h"
#include "curves/RFCurve.h"
#include "formats/3ds/RWyxWriter3ds.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr std::uint16_t kAllSplineValues = kFtkKeyTension | kFtkKeyContinuity | kFtkKeyBias;
// The most keys a baked track gets (a little over 38 hours at 30 frames per second).
constexpr std::int64_t kMaxFrames = 1 << 22;
constexpr float kNoRotation = 1e-5f;
constexpr double kTargetDistance = 10.0;
constexpr double kRadiansToRollDegrees = 57.29564553093965;
constexpr double kPi = 3.14159265358979323846;
constexpr const char* kDummyPrefix = "$$$DUMMY.";

using Channel = RWyxTakeNode::Channel;

RWyxTakeNode* AnimatedTake(RWyxWriter3ds& writer, RWyxNode& node) {
    return writer.GetAnimOn() ? node.GetCurrentTakeNode() : nullptr;
}

// Where a builder's channels come from: the node's take node (null for its constants alone),
// and the writer that refuses a constant the file cannot hold, naming the node.
struct ChannelSource {
    RWyxWriter3ds& writer;
    const RWyxNode& node;
    RWyxTakeNode* take;
};

// The field of the node a channel belongs to, as a refusal names it (of the channels the
// builders read, in the order of RWyxTakeNode::Channel).
const char* FieldOf(Channel channel) {
    if (channel <= RWyxTakeNode::TranslationZ) return "translation";
    if (channel <= RWyxTakeNode::RotationZ) return "rotation";
    if (channel <= RWyxTakeNode::ScalingZ) return "scaling";
    if (channel <= RWyxTakeNode::ColorZ) return "colour";
    if (channel == RWyxTakeNode::ConeAngle) return "cone angle";
    return channel == RWyxTakeNode::Roll ? "roll" : "field of view";
}

// The take's curve of the channel when it has keys; null for none (or no take).
const RFCurve* KeyedCurve(RWyxTakeNode* take, Channel channel) {
    const RFCurve* curve = take != nullptr ? take->GetChannelCurve(channel) : nullptr;
    return curve != nullptr && curve->GetKeyCount() > 0 ? curve : nullptr;
}

// The curve of a channel when it has keys, else the constant. A constant a float would hold
// as an infinity (a finite one beyond the floats) refuses the write at frame 0: keys are floats
// already, and NaN and the infinities stand for themselves.
Channel3ds ChannelOf(const ChannelSource& source, Channel channel, double constant) {
    Channel3ds result;
    result.constant = static_cast<float>(constant);
    result.curve = KeyedCurve(source.take, channel);
    if (result.curve == nullptr && !RWyxWriter3ds::KeepsNumber(constant)) {
        source.writer.RefuseBeyondReals(FieldOf(channel), "node", source.node, 0);
    }
    return result;
}

void ChannelsOf(const ChannelSource& source, Channel first, const RVector4& constants, Channel3ds out[3]) {
    for (int axis = 0; axis < 3; ++axis) {
        out[axis] = ChannelOf(source, static_cast<Channel>(first + axis), *constants.Component(axis));
    }
}

// Frames 0 to the last frame of the node's keys: at least one key.
int KeyCount(RWyxTakeNode* take) {
    if (take == nullptr) return 1;
    RTime start(RTime::kInfinitelyLate);
    RTime stop(RTime::kInfinitelyEarly);
    if (!take->GetAnimationInterval(start, stop)) return 1;
    const std::int64_t frames = stop.FrameCount(true, 6);
    return static_cast<int>(std::clamp<std::int64_t>(frames, 0, kMaxFrames)) + 1;
}

template <typename Value>
void SizeTrack(FtkTrackGroup<Value>& track, int count) {
    track.keyCount = static_cast<std::uint32_t>(count);
    track.keys.assign(static_cast<std::size_t>(count), FtkKeyHeader());
    track.values.assign(static_cast<std::size_t>(count), Value());
    for (int i = 0; i < count; ++i) {
        track.keys[i].time = static_cast<std::uint32_t>(i);
        track.keys[i].rflags = kAllSplineValues;
    }
}

// Sizes the track and samples it from the take's channel (or the constants) with `sample`.
template <typename Value, typename Sampler>
void BakeTrack(FtkTrackGroup<Value>& track, const ChannelSource& source, Channel first, const RVector4& constants,
               int count, Sampler sample) {
    Channel3ds xyz[3];
    SizeTrack(track, count);
    ChannelsOf(source, first, constants, xyz);
    sample(track, xyz, count);
}

RVector4 Sample(const Channel3ds xyz[3], RTime time) {
    return RVector4(xyz[0].At(time), xyz[1].At(time), xyz[2].At(time), 0.0);
}

// False, the write refused for the node's field at the first such frame, when a channel's
// value at one of the first `count` frames is no real number (a channel without a curve has
// one value).
bool HoldsReals(RWyxWriter3ds& writer, const RWyxNode& node, const char* field, const Channel3ds* channels,
                int components, int count) {
    const bool keyed =
        std::any_of(channels, channels + components, [](const Channel3ds& c) { return c.curve != nullptr; });
    for (int frame = 0; frame < (keyed ? count : 1); ++frame) {
        const RTime time = FrameTime3ds(frame);
        for (int c = 0; c < components; ++c) {
            if (!std::isfinite(channels[c].At(time))) {
                writer.RefuseBeyondReals(field, "node", node, frame);
                return false;
            }
        }
    }
    return true;
}

RVector4 DefaultTranslation(RWyxNode& node) {
    RVector4 value;
    return node.GetDefaultTranslation(value);
}

RVector4 DefaultRotation(RWyxNode& node) {
    RVector4 value;
    return node.GetDefaultRotation(value);
}

RVector4 DefaultScaling(RWyxNode& node) {
    RVector4 value(1.0, 1.0, 1.0, 0.0);
    return node.GetDefaultScaling(value);
}

bool IsWrittenAsObject(const RWyxNode& node) {
    const RWyxNodeAttribute* attribute = node.GetNodeAttribute();
    if (attribute == nullptr) return false;
    switch (attribute->GetAttributeType()) {
        case RWyxNodeAttribute::kMesh:
        case RWyxNodeAttribute::kNurb:
        case RWyxNodeAttribute::kPatch:
        case RWyxNodeAttribute::kLight:
        case RWyxNodeAttribute::kCamera: return true;
        default: return false;
    }
}

std::string NameOf(const RWyxNode& node) { return node.GetName().Buffer(); }

// The keyframer name of a node: its own name when it is written as an object, else the name
// of its dummy.
std::string KeyframerName(const RWyxNode& node) {
    return IsWrittenAsObject(node) ? NameOf(node) : kDummyPrefix + NameOf(node);
}

// The parent name of an object node. The reference node is never written: its children hang
// from the root's dummy when that is written, else from nothing.
std::string ObjectParentName(RWyxWriter3ds& writer, const RWyxNode& node) {
    const RWyxNode* parent = node.GetParent();
    if (parent == nullptr) return std::string();
    if (!IsWrittenAsObject(*parent) && std::strncmp(parent->GetName().Buffer(), "Wyx_Roo", 7) == 0) {
        return writer.GetCreateReferenceNode() ? std::string(kDummyPrefix) + "RootNod" : std::string();
    }
    return KeyframerName(*parent);
}

std::string LightParentName(const RWyxNode& node) {
    const RWyxNode* parent = node.GetParent();
    return parent != nullptr ? KeyframerName(*parent) : std::string();
}

template <typename Motion>
void SetNames(Motion& motion, const RWyxNode& node, const std::string& parent) {
    FtkCopyName(motion.name, node.GetName().Buffer());
    FtkCopyName(motion.parent, parent.c_str());
}

// The target track: the target node's translation, or a point 10 units along the given local
// axis of the node when it has no target.
void SampleTarget(RWyxWriter3ds& writer, RWyxNode& node, const RVector4& axis, int count,
                  FtkTrackGroup<FtkPoint>& track, char (&targetParent)[22], const char* ownParent) {
    RWyxNode* target = node.GetTarget();
    if (target != nullptr) {
        RWyxTakeNode* take = AnimatedTake(writer, *target);
        RFCurve* z = take != nullptr ? take->GetTranslationZCurve() : nullptr;
        if (z == nullptr || z->GetKeyCount() < 2) take = nullptr;
        Channel3ds xyz[3];
        ChannelsOf({writer, *target, take}, RWyxTakeNode::TranslationX, DefaultTranslation(*target), xyz);
        const int targetCount = KeyCount(take);
        SizeTrack(track, targetCount);
        SamplePositionTrack(track, xyz, targetCount);
        FtkCopyName(targetParent, ObjectParentName(writer, *target).c_str());
        return;
    }
    const ChannelSource source{writer, node, AnimatedTake(writer, node)};
    Channel3ds translation[3];
    Channel3ds rotation[3];
    ChannelsOf(source, RWyxTakeNode::TranslationX, DefaultTranslation(node), translation);
    ChannelsOf(source, RWyxTakeNode::RotationX, DefaultRotation(node), rotation);
    SizeTrack(track, count);
    for (int i = 0; i < count; ++i) {
        const RTime time = FrameTime3ds(i);
        RMatrix turn;
        EulerVectorXYZToMatrix(turn, Sample(rotation, time));
        RVector4 offset;
        MatrixTransformVector(offset, turn, axis);
        const RVector4 point = RWyxWriter3ds::ConvertPosition3ds(Sample(translation, time) + offset);
        track.values[i] = {static_cast<float>(point.x), static_cast<float>(point.y), static_cast<float>(point.z)};
    }
    FtkCopyName(targetParent, ownParent);
}

// The horizontal field of view a camera's value stands for, by its aperture mode.
double HorizontalFieldOfView(const RWyxCamera& camera, double vertical) {
    const double height = camera.GetApertureHeight();
    const double ratio = height > 0.0 ? camera.GetApertureWidth() / height : 1.0;
    return 2.0 * std::atan(std::tan(vertical * kPi / 360.0) * ratio * camera.GetSqueezeRatio()) * 360.0 / (2.0 * kPi);
}

// The roll correction of a camera without a target at one frame.
double RollCorrection(const RVector4& position, const RMatrix& turn) {
    RVector4 zAxis;
    MatrixTransformVector(zAxis, turn, RVector4(0.0, 0.0, 1.0, 0.0));
    const double r0 = 90.0 - std::acos(std::clamp(zAxis.y, -1.0, 1.0)) * kRadiansToRollDegrees;
    RVector4 xOffset;
    MatrixTransformVector(xOffset, turn, RVector4(kTargetDistance, 0.0, 0.0, 0.0));
    const RVector4 aim = position + xOffset;
    const RVector4 n = aim.Cross3(RVector4(0.0, 1.0, 0.0, 0.0));
    const RVector4 tip = position + zAxis;
    return (-n - tip).Length3() <= (n - tip).Length3() ? -r0 : r0;
}

}  // namespace

float Channel3ds::At(RTime time) const { return curve != nullptr ? curve->EvaluateAt(time) : constant; }

int TrackKeyCount3ds(RWyxWriter3ds& writer, RWyxNode& node) { return KeyCount(AnimatedTake(writer, node)); }

const RFCurve* WrittenCurve3ds(RWyxWriter3ds& writer, RWyxNode& node, Channel channel) {
    return KeyedCurve(AnimatedTake(writer, node), channel);
}

RTime FrameTime3ds(int frame) {
    RTime time;
    time.SetFromTimecode(0, 0, 0, frame, 0, 6);
    return time;
}

void SamplePositionTrack(FtkTrackGroup<FtkPoint>& track, const Channel3ds xyz[3], int count) {
    for (int i = 0; i < count; ++i) {
        const RVector4 v = RWyxWriter3ds::ConvertPosition3ds(Sample(xyz, FrameTime3ds(i)));
        track.values[i] = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
    }
}

void SampleColorTrack(FtkTrackGroup<FtkColor>& track, const Channel3ds xyz[3], int count) {
    for (int i = 0; i < count; ++i) {
        const RVector4 v = Sample(xyz, FrameTime3ds(i));
        track.values[i] = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
    }
}

void SampleScaleTrack(FtkTrackGroup<FtkPoint>& track, const Channel3ds xyz[3], int count) {
    for (int i = 0; i < count; ++i) {
        const RVector4 v = RWyxWriter3ds::ConvertScaling3ds(Sample(xyz, FrameTime3ds(i)));
        track.values[i] = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
    }
}

void SampleFloatTrack(FtkTrackGroup<float>& track, const Channel3ds& channel, int count) {
    for (int i = 0; i < count; ++i) track.values[i] = channel.At(FrameTime3ds(i));
}

void SampleRotationTrack(FtkTrackGroup<FtkRotKey>& track, const Channel3ds xyz[3], int count) {
    RMatrix previous;
    for (int i = 0; i < count; ++i) {
        RMatrix current;
        EulerVectorXYZToMatrix(current, Sample(xyz, FrameTime3ds(i)));
        RMatrix inverse;
        MatrixInverseOrthogonal(inverse, previous);
        RMatrix step;
        MatrixMultiplyRotation(step, current, inverse);  // the inverse, then current
        const RQuaternion q = RWyxWriter3ds::MatrixQuaternion3ds(step);
        previous = current;
        const double length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z);
        const RVector4 axis = length > 0.0 ? RVector4(q.x / length, q.y / length, q.z / length, 0.0) : RVector4();
        // w may pass 1 by rounding: acos would give NaN.
        FtkRotKey key{static_cast<float>(-2.0 * std::acos(std::clamp(q.w, -1.0, 1.0))), static_cast<float>(axis.x),
                      static_cast<float>(-axis.z), static_cast<float>(axis.y)};
        if (std::fabs(key.x) < kNoRotation && std::fabs(key.y) < kNoRotation && std::fabs(key.z) < kNoRotation &&
            std::fabs(key.angle) < kNoRotation) {
            key.angle = 0.0f;
            key.x = -1.0f;
        }
        track.values[i] = key;
    }
}

std::unique_ptr<FtkObjectMotion> BuildObjectMotion3ds(RWyxWriter3ds& writer, RWyxNode* node) {
    if (node == nullptr) return nullptr;
    RWyxTakeNode* take = AnimatedTake(writer, *node);
    const int count = KeyCount(take);
    std::unique_ptr<FtkObjectMotion> motion;
    FtkInitObjectMotion(motion, static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(count),
                        static_cast<std::uint32_t>(count), 0, 0);
    if (motion == nullptr) return nullptr;
    const ChannelSource source{writer, *node, take};
    Channel3ds translation[3];
    Channel3ds rotation[3];
    Channel3ds scaling[3];
    ChannelsOf(source, RWyxTakeNode::TranslationX, DefaultTranslation(*node), translation);
    ChannelsOf(source, RWyxTakeNode::RotationX, DefaultRotation(*node), rotation);
    ChannelsOf(source, RWyxTakeNode::ScalingX, DefaultScaling(*node), scaling);
    // A reader takes a rotation key that is no real number for no turn at all. It places a
    // mesh by its node's first keys: a translation or scaling there that a float holds as no
    // real number would spoil every vertex.
    if (writer.IsRefused() || !HoldsReals(writer, *node, "rotation", rotation, 3, count)) return nullptr;
    if (node->GetMesh() != nullptr && (!HoldsReals(writer, *node, "translation", translation, 3, 1) ||
                                       !HoldsReals(writer, *node, "scaling", scaling, 3, 1))) {
        return nullptr;
    }
    SetNames(*motion, *node, ObjectParentName(writer, *node));
    SizeTrack(motion->position, count);
    SamplePositionTrack(motion->position, translation, count);
    SizeTrack(motion->rotation, count);
    SampleRotationTrack(motion->rotation, rotation, count);
    SizeTrack(motion->scale, count);
    SampleScaleTrack(motion->scale, scaling, count);
    return motion;
}

std::unique_ptr<FtkOmniMotion> BuildOmniMotion3ds(RWyxWriter3ds& writer, RWyxNode* node) {
    if (node == nullptr || node->GetLight() == nullptr) return nullptr;
    RWyxTakeNode* take = AnimatedTake(writer, *node);
    const int count = KeyCount(take);
    std::unique_ptr<FtkOmniMotion> motion;
    FtkInitOmniMotion(motion, static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(count));
    if (motion == nullptr) return nullptr;
    SetNames(*motion, *node, LightParentName(*node));
    const ChannelSource source{writer, *node, take};
    BakeTrack(motion->position, source, RWyxTakeNode::TranslationX, DefaultTranslation(*node), count, SamplePositionTrack);
    BakeTrack(motion->color, source, RWyxTakeNode::ColorX, node->GetLight()->GetDefaultColor(), count, SampleColorTrack);
    if (writer.IsRefused()) return nullptr;
    return motion;
}

std::unique_ptr<FtkSpotMotion> BuildSpotMotion3ds(RWyxWriter3ds& writer, RWyxNode* node) {
    if (node == nullptr || node->GetLight() == nullptr) return nullptr;
    RWyxTakeNode* take = AnimatedTake(writer, *node);
    const int count = KeyCount(take);
    std::unique_ptr<FtkSpotMotion> motion;
    FtkInitSpotMotion(motion, static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(count),
                      static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(count), 1, 0);
    if (motion == nullptr) return nullptr;
    const std::string parent = LightParentName(*node);
    SetNames(*motion, *node, parent);
    const ChannelSource source{writer, *node, take};
    BakeTrack(motion->position, source, RWyxTakeNode::TranslationX, DefaultTranslation(*node), count, SamplePositionTrack);
    BakeTrack(motion->color, source, RWyxTakeNode::ColorX, node->GetLight()->GetDefaultColor(), count, SampleColorTrack);
    const Channel3ds cone = ChannelOf(source, RWyxTakeNode::ConeAngle, node->GetLight()->GetDefaultConeAngle());
    SizeTrack(motion->hotspot, count);
    SampleFloatTrack(motion->hotspot, cone, count);
    SizeTrack(motion->falloff, count);
    SampleFloatTrack(motion->falloff, cone, count);
    SizeTrack(motion->roll, 1);
    motion->roll.values[0] = 0.0f;
    SampleTarget(writer, *node, RVector4(0.0, -kTargetDistance, 0.0, 0.0), count, motion->targetPosition,
                 motion->targetParent, parent.c_str());
    if (writer.IsRefused()) return nullptr;
    return motion;
}

std::unique_ptr<FtkCameraMotion> BuildCameraMotion3ds(RWyxWriter3ds& writer, RWyxNode* node) {
    if (node == nullptr || node->GetCamera() == nullptr) return nullptr;
    const RWyxCamera& camera = *node->GetCamera();
    RWyxTakeNode* take = AnimatedTake(writer, *node);
    const int count = KeyCount(take);
    std::unique_ptr<FtkCameraMotion> motion;
    FtkInitCameraMotion(motion, static_cast<std::uint32_t>(count), static_cast<std::uint32_t>(count),
                        static_cast<std::uint32_t>(count), 0);
    if (motion == nullptr) return nullptr;
    const std::string parent = LightParentName(*node);
    SetNames(*motion, *node, parent);
    const ChannelSource source{writer, *node, take};
    Channel3ds translation[3];
    Channel3ds rotation[3];
    SizeTrack(motion->position, count);
    ChannelsOf(source, RWyxTakeNode::TranslationX, DefaultTranslation(*node), translation);
    ChannelsOf(source, RWyxTakeNode::RotationX, DefaultRotation(*node), rotation);
    SamplePositionTrack(motion->position, translation, count);
    // The field of view is read through the camera's aperture mode; the scene's curves stay
    // as they are.
    const int mode = camera.GetApertureMode();
    const Channel3ds fov = mode == RWyxCamera::kApertureHorizontalAndVertical
                               ? ChannelOf(source, RWyxTakeNode::FieldOfViewX, camera.GetDefaultFieldOfViewX())
                               : ChannelOf(source, RWyxTakeNode::FieldOfView, camera.GetFieldOfView());
    // A reader makes the camera's lens of the first one, taking one of no real number for 45
    // degrees (the later ones come back as they are).
    if (writer.IsRefused() || !HoldsReals(writer, *node, "field of view", &fov, 1, 1)) return nullptr;
    SizeTrack(motion->fov, count);
    for (int i = 0; i < count; ++i) {
        const double value = fov.At(FrameTime3ds(i));
        motion->fov.values[i] =
            static_cast<float>(mode == RWyxCamera::kApertureVertical ? HorizontalFieldOfView(camera, value) : value);
    }
    const Channel3ds roll = ChannelOf(source, RWyxTakeNode::Roll, camera.GetDefaultRoll());
    SizeTrack(motion->roll, count);
    const bool corrected = node->GetTarget() == nullptr;
    for (int i = 0; i < count; ++i) {
        const RTime time = FrameTime3ds(i);
        double value = roll.At(time);
        if (corrected) {
            RMatrix turn;
            EulerVectorXYZToMatrix(turn, Sample(rotation, time));
            value += RollCorrection(Sample(translation, time), turn);
        }
        motion->roll.values[i] = static_cast<float>(value);
    }
    SampleTarget(writer, *node, RVector4(kTargetDistance, 0.0, 0.0, 0.0), count, motion->targetPosition,
                 motion->targetParent, parent.c_str());
    if (writer.IsRefused()) return nullptr;
    return motion;
}
