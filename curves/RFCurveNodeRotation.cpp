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
    curve.AddKey(time, RCurveKey::Plain(time, value));
}

void LeafValues(double* out, const RFCurveNode& node, int count, RTime time) {
    for (int i = 0; i < count; ++i) {
        out[i] = node.GetChild(i)->GetCurve()->EvaluateAt(time);
    }
}

// The first key time at or after the time over the first `count` children's curves; false
// when none has one.
bool FirstKeyFrom(const RFCurveNode& node, int count, RTime time, RTime& out) {
    bool found = false;
    for (int i = 0; i < count; ++i) {
        const RFCurve& curve = *node.GetChild(i)->GetCurve();
        const int k = std::max(static_cast<int>(std::ceil(curve.FindKeyIndex(time))), 0);
        if (k < curve.GetKeyCount() && (!found || curve.GetKey(k).GetTime() < out)) {
            out = curve.GetKey(k).GetTime();
            found = true;
        }
    }
    return found;
}

// The last key time at or before the time over the first `count` children's curves.
bool LastKeyUpTo(const RFCurveNode& node, int count, RTime time, RTime& out) {
    bool found = false;
    for (int i = 0; i < count; ++i) {
        const RFCurve& curve = *node.GetChild(i)->GetCurve();
        const int k = std::min(static_cast<int>(std::floor(curve.FindKeyIndex(time))), curve.GetKeyCount() - 1);
        if (k >= 0 && (!found || curve.GetKey(k).GetTime() > out)) {
            out = curve.GetKey(k).GetTime();
            found = true;
        }
    }
    return found;
}

// A whole-turn and flip correction of an Euler triple: value v of channel i becomes
// offset[i] + v, or offset[i] - v on the middle channel of a flip. It keeps every
// orientation, so the same correction applies to every key of a run.
struct EulerCorrection {
    double offset[3] = {0.0, 0.0, 0.0};
    bool flip = false;
    int middle = 1;

    bool Inverts(int channel) const { return flip && channel == middle; }
    double Apply(int channel, double value) const {
        return offset[channel] + (Inverts(channel) ? -value : value);
    }
};

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
        if (target.GetLayerType() == RFCurveNode::LayerQuaternion && target.HasLeafChannels(4) &&
            source.HasLeafChannels(4)) {
            ReplaceQuaternion(target, source);
        } else if (target.GetLayerType() == RFCurveNode::LayerRotation && target.HasLeafChannels(3) &&
                   source.HasLeafChannels(3)) {
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

    // The times the copy will cover: unbounded ends, and without keepSpan both ends, come to
    // the source's keys inside the span.
    void CopiedSpan(const RFCurveNode& source, RTime& from, RTime& to) const {
        from = start;
        to = stop;
        if (!keepSpan || start.IsInfinitelyEarly()) {
            FirstKeyFrom(source, 3, start, from);
        }
        if (!keepSpan || stop.IsInfinitelyLate()) {
            LastKeyUpTo(source, 3, stop, to);
        }
    }

    // Every copied key gets one correction: the one that brings the copy next to this node's
    // last key before the span. Every key after the span gets one too: the one that brings
    // them next to the copy's end. Both only change Euler triples into equivalent ones, so
    // no key's orientation changes; a side without keys needs none.
    void ReplaceRotation(RFCurveNode& target, const RFCurveNode& source) {
        int axes[3];
        RotationOrderAxes(axes, target.GetRotationOrder());
        EulerCorrection copy;
        EulerCorrection after;
        copy.middle = after.middle = axes[1];
        RTime from;
        RTime to;
        CopiedSpan(source, from, to);
        RTime joined;
        target.FindPreviousKeyTime(joined, from);
        if (joined < from) {
            double reference[3];
            double first[3];
            LeafValues(reference, target, 3, joined);
            LeafValues(first, source, 3, from);
            copy.flip = target.FilterEuler(copy.offset, first, reference);
        }
        RTime following;
        if (!to.IsInfinitelyLate() && FirstKeyFrom(target, 3, RTime(to.GetTicks() + 1), following)) {
            double last[3];
            double next[3];
            LeafValues(last, source, 3, to);
            LeafValues(next, target, 3, following);
            for (int i = 0; i < 3; ++i) {
                last[i] = copy.Apply(i, last[i]);
            }
            after.flip = target.FilterEuler(after.offset, next, last);
        }
        for (int i = 0; i < 3; ++i) {
            Count(target.GetChild(i)->GetCurve()->ReplaceSpanOffset(
                *source.GetChild(i)->GetCurve(), start, stop, static_cast<float>(copy.offset[i]),
                copy.Inverts(i), static_cast<float>(after.offset[i]), after.Inverts(i), keepSpan, fillWhenEmpty));
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
    const bool spheric = rotationOrder_ == kSphericXYZ;
    const bool repeated = IsRepeatedAxisOrder(rotationOrder_);
    bool flip = false;
    if (!spheric) {
        double scratch[3];
        flip = EulerFilterStepInOrder(scratch, current, previous, rotationOrder_);
    }
    // The flipped triple: first + 180, 180 - middle (repeated forms: -middle), last + 180.
    double base[3] = {current[0], current[1], current[2]};
    double flipOffset[3] = {0.0, 0.0, 0.0};
    if (flip) {
        flipOffset[axes[0]] = 180.0;
        flipOffset[axes[1]] = repeated ? 0.0 : 180.0;
        flipOffset[axes[2]] = 180.0;
        for (int i = 0; i < 3; ++i) {
            base[i] = flipOffset[i] + (i == axes[1] ? -current[i] : current[i]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        // Spheric angles repeat every whole turn on X only.
        if (spheric && i != 0) {
            out[i] = 0.0;
            continue;
        }
        double whole = 0.0;
        const double fraction = std::modf((previous[i] - base[i]) / 360.0, &whole);
        if (fraction > kHalfTurnMargin) {
            whole += 1.0;
        } else if (fraction < -kHalfTurnMargin) {
            whole -= 1.0;
        }
        out[i] = 360.0 * whole + flipOffset[i];
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
    EulerFilterStepInOrder(out, values, previous, rotationOrder_);
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
