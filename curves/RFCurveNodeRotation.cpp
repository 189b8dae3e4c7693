// Rotation continuity on curve nodes: Euler corrections, continuous rotation keys, and the
// replacement of a span of keys channel by channel.

#include <algorithm>
#include <cmath>
#include <vector>

#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RotationContinuity.h"

namespace {

// Turns that move an angle by at most half a turn, with the rounding margin of the rotation
// filters.
constexpr double kHalfTurnMargin = 0.5000000000000002;

// The latest key of the curve strictly before the time; false when there is none.
bool LatestKeyBefore(const RFCurve& curve, RTime time, RTime& out) {
    if (curve.GetKeyCount() == 0) {
        return false;
    }
    int k = std::min(static_cast<int>(std::floor(curve.FindKeyIndex(time))), curve.GetKeyCount() - 1);
    while (k >= 0 && curve.GetKey(k).GetTime() >= time) {
        --k;
    }
    if (k < 0) {
        return false;
    }
    out = curve.GetKey(k).GetTime();
    return true;
}

void LatestKeyInSubtree(const RFCurveNode& node, RTime time, const uint8_t* mask, int maskLength,
                        bool& found, RTime& latest) {
    RTime keyTime;
    if (node.GetCurve() != nullptr && LatestKeyBefore(*node.GetCurve(), time, keyTime) &&
        (!found || keyTime > latest)) {
        latest = keyTime;
        found = true;
    }
    for (int i = 0; i < node.GetChildCount(); ++i) {
        if (mask != nullptr && i < maskLength && mask[i] == 0) {
            continue;
        }
        LatestKeyInSubtree(*node.GetChild(i), time, nullptr, 0, found, latest);
    }
}

// Appends a Cubic Auto key; a time not after the last key is added in its place instead, so
// the keys stay in order.
void AddCubicAutoKey(RFCurve& curve, RTime time, float value) {
    const int count = curve.GetKeyCount();
    if (count == 0 || curve.GetKey(count - 1).GetTime() < time) {
        curve.AppendKey(time, value);
        return;
    }
    RCurveKey key;
    key.Set(time, value, RCurveKey::Cubic, RCurveKey::Auto, 0.0f, 0.0f, 0, RCurveKey::kDefaultWeight,
            RCurveKey::kDefaultWeight, 0.0f, 0.0f);
    key.SetVelocityMode(0);
    curve.AddKey(time, key);
}

// A node whose first `count` children are leaves with curves, exactly that many children
// and no curve of its own.
bool HasLeafChannels(const RFCurveNode& node, int count) {
    if (node.GetCurve() != nullptr || node.GetChildCount() != count) {
        return false;
    }
    for (int i = 0; i < count; ++i) {
        const RFCurveNode* child = node.GetChild(i);
        if (child->GetCurve() == nullptr || child->GetChildCount() != 0) {
            return false;
        }
    }
    return true;
}

void LeafValues(double* out, const RFCurveNode& node, int count, RTime time) {
    for (int i = 0; i < count; ++i) {
        out[i] = node.GetChild(i)->GetCurve()->EvaluateAt(time);
    }
}

struct SpanReplacement {
    RTime start;
    RTime stop;
    bool keepSpan;
    bool fillWhenEmpty;
    int replaced = 0;
    int failed = 0;

    void Count(bool ok) { ++(ok ? replaced : failed); }

    // The leaf values of a node at the span ends, an unbounded end standing for the source's
    // first or last key.
    void ValuesAtEnds(double* atStart, double* atStop, const RFCurveNode& node,
                      const RFCurveNode& source, int count) const {
        RTime from = start;
        RTime to = stop;
        RTime first(RTime::kInfinitelyLate);
        RTime last(RTime::kInfinitelyEarly);
        if (source.GetTimeSpan(first, last)) {
            from = from.IsInfinitelyEarly() ? first : from;
            to = to.IsInfinitelyLate() ? last : to;
        }
        LeafValues(atStart, node, count, from);
        LeafValues(atStop, node, count, to);
    }

    void Replace(RFCurveNode& target, const RFCurveNode& source) {
        if (target.GetLayerType() == RFCurveNode::LayerQuaternion && HasLeafChannels(target, 4) &&
            HasLeafChannels(source, 4)) {
            ReplaceQuaternion(target, source);
        } else if (target.GetLayerType() == RFCurveNode::LayerRotation && HasLeafChannels(target, 3) &&
                   HasLeafChannels(source, 3)) {
            ReplaceRotation(target, source);
        } else {
            ReplaceChannels(target, source);
        }
    }

    // The copied quaternion keys take this node's magnitudes at the span ends.
    void ReplaceQuaternion(RFCurveNode& target, const RFCurveNode& source) {
        double atStart[4];
        double atStop[4];
        ValuesAtEnds(atStart, atStop, target, source, 4);
        const auto length = [](const double* q) {
            return std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        };
        for (int i = 0; i < 4; ++i) {
            Count(target.GetChild(i)->GetCurve()->ReplaceSpanScaled(
                *source.GetChild(i)->GetCurve(), start, stop, static_cast<float>(length(atStart)),
                static_cast<float>(length(atStop)), keepSpan, fillWhenEmpty));
        }
    }

    // The source's channels moved by whole turns, or flipped to the other triple, so that
    // they join this node's rotation at both span ends.
    void ReplaceRotation(RFCurveNode& target, const RFCurveNode& source) {
        double targetStart[3];
        double targetStop[3];
        double sourceStart[3];
        double sourceStop[3];
        ValuesAtEnds(targetStart, targetStop, target, source, 3);
        ValuesAtEnds(sourceStart, sourceStop, source, source, 3);
        double startCorrection[3];
        double stopCorrection[3];
        const bool flipAtStart = target.FilterEuler(startCorrection, sourceStart, targetStart);
        const bool flipAtStop = target.FilterEuler(stopCorrection, sourceStop, targetStop);
        int axes[3];
        RotationOrderAxes(axes, target.GetRotationOrder());
        for (int i = 0; i < 3; ++i) {
            const bool middle = i == axes[1];
            Count(target.GetChild(i)->GetCurve()->ReplaceSpanOffset(
                *source.GetChild(i)->GetCurve(), start, stop, static_cast<float>(startCorrection[i]),
                flipAtStart && middle, static_cast<float>(stopCorrection[i]), flipAtStop && middle,
                keepSpan, fillWhenEmpty));
        }
    }

    void ReplaceChannels(RFCurveNode& target, const RFCurveNode& source) {
        if (target.GetCurve() != nullptr && source.GetCurve() != nullptr) {
            Count(target.GetCurve()->ReplaceSpan(*source.GetCurve(), start, stop, keepSpan, fillWhenEmpty));
        }
        if (target.GetChildCount() == source.GetChildCount()) {
            for (int i = 0; i < target.GetChildCount(); ++i) {
                Replace(*target.GetChild(i), *source.GetChild(i));
            }
        }
    }
};

}  // namespace

bool RFCurveNode::FilterEuler(double out[3], const double current[3], const double previous[3]) const {
    int axes[3];
    RotationOrderAxes(axes, rotationOrder_);
    bool flip = false;
    if (rotationOrder_ != kSphericXYZ) {
        double scratch[3];
        flip = EulerFilterStep(scratch, current, previous, axes);
    }
    double base[3] = {current[0], current[1], current[2]};
    if (flip) {
        base[axes[0]] += 180.0;
        base[axes[1]] = 180.0 - base[axes[1]];
        base[axes[2]] += 180.0;
    }
    for (int i = 0; i < 3; ++i) {
        double whole = 0.0;
        const double fraction = std::modf((previous[i] - base[i]) / 360.0, &whole);
        if (fraction > kHalfTurnMargin) {
            whole += 1.0;
        } else if (fraction < -kHalfTurnMargin) {
            whole -= 1.0;
        }
        out[i] = 360.0 * whole + (flip ? 180.0 : 0.0);
    }
    return flip;
}

void RFCurveNode::FindPreviousKeyTime(RTime& out, RTime time, const uint8_t* channelMask,
                                      int maskLength) const {
    bool found = false;
    RTime latest;
    LatestKeyInSubtree(*this, time, channelMask, maskLength, found, latest);
    out = found ? latest : time;
}

void RFCurveNode::SetKeysContinuous(double out[3], const double values[3], RTime time) const {
    if (!HasEulerChannels() || rotationOrder_ == kSphericXYZ) {
        std::copy(values, values + 3, out);
        return;
    }
    RTime previousTime;
    FindPreviousKeyTime(previousTime, time);
    double previous[3];
    EvaluateRaw(previous, previousTime);
    int axes[3];
    RotationOrderAxes(axes, rotationOrder_);
    EulerFilterStep(out, values, previous, axes);
}

const double* RFCurveNode::AddKeyValues(RTime time, const double* values, bool continuous) {
    if (curve_ != nullptr) {
        AddCubicAutoKey(*curve_, time, static_cast<float>(*values++));
    }
    if (continuous && HasEulerChannels()) {
        double triple[3];
        SetKeysContinuous(triple, values, time);
        for (int i = 0; i < 3; ++i) {
            AddCubicAutoKey(*children_[i]->curve_, time, static_cast<float>(triple[i]));
        }
        return values + 3;
    }
    for (RFCurveNode* child : children_) {
        values = child->AddKeyValues(time, values, false);
    }
    return values;
}

bool RFCurveNode::ReplaceSpan(const RFCurveNode& source, RTime start, RTime stop, bool keepSpan,
                              bool fillWhenEmpty) {
    if (&source == this) {
        return false;
    }
    SpanReplacement replacement{start, stop, keepSpan, fillWhenEmpty};
    replacement.Replace(*this, source);
    return replacement.replaced > 0 && replacement.failed == 0;
}
