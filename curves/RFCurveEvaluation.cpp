// The value and slope of a curve at any time: extrapolation outside the keys, the segment
// interpolations and the evaluation cache.

#include <algorithm>
#include <cmath>
#include <limits>

#include "curves/CurveTime.h"
#include "curves/RFCurve.h"

namespace {

using Key = RCurveKey;

constexpr int64_t kEarliestTicks = std::numeric_limits<int64_t>::min();
constexpr int64_t kLatestTicks = std::numeric_limits<int64_t>::max();

template <typename T>
T Lerp(T a, T b, T f) {
    return a + (b - a) * f;
}

// A cubic Bezier by repeated linear interpolation.
template <typename T>
T Bezier(T c0, T c1, T c2, T c3, T f) {
    const T a = Lerp(c0, c1, f);
    const T b = Lerp(c1, c2, f);
    const T c = Lerp(c2, c3, f);
    return Lerp(Lerp(a, b, f), Lerp(b, c, f), f);
}

bool Repeats(int type) {
    return type == RFCurve::ExtrapolationRepetition || type == RFCurve::ExtrapolationMirror;
}

uint64_t RepetitionTicks(int repetitions, uint64_t period) {
    uint64_t ticks = 0;
    if (__builtin_mul_overflow(static_cast<uint64_t>(static_cast<uint32_t>(repetitions)), period, &ticks)) {
        return std::numeric_limits<uint64_t>::max();
    }
    return ticks;
}

}  // namespace

float RFCurve::EvaluateAt(RTime time, int* hint) const {
    const int n = keyCount_;
    if (n > 1) {
        const int64_t ticks = time.GetTicks();
        if (preType_ == ExtrapolationKeepSlope && ticks < KeyTicks(0)) {
            return EvaluateKeepSlope(time, true);
        }
        if (postType_ == ExtrapolationKeepSlope && ticks > KeyTicks(n - 1)) {
            return EvaluateKeepSlope(time, false);
        }
    }
    return InterpolateAtIndex(MapTimeToKeyIndex(time, hint));
}

float RFCurve::EvaluateAtCached(RTime time, int* hint) const {
    if (cacheValid_ && cacheTime_ == time) {
        return cacheValue_;
    }
    const float value = EvaluateAt(time, hint);
    cacheTime_ = time;
    cacheValue_ = value;
    cacheValid_ = true;
    return value;
}

void RFCurve::SetCache(RTime time, float value) {
    cacheTime_ = time;
    cacheValue_ = value;
    cacheValid_ = true;
}

// The line through the end key with its slope, followed for at most the repetition count of
// key spans (without limit for -1). All in unsigned ticks and doubles: no 64-bit overflow.
float RFCurve::EvaluateKeepSlope(RTime time, bool before) const {
    const int n = keyCount_;
    const int64_t first = KeyTicks(0);
    const int64_t last = KeyTicks(n - 1);
    const uint64_t period = curve_time::TicksBetween(first, last);
    const int repetitions = before ? preRepetition_ : postRepetition_;
    uint64_t distance = before ? curve_time::TicksBetween(time.GetTicks(), first)
                               : curve_time::TicksBetween(last, time.GetTicks());
    if (repetitions != kUnlimitedRepetitions) {
        distance = std::min(distance, RepetitionTicks(repetitions, period));
    }
    const double seconds = curve_time::TicksToSeconds(distance);
    if (before) {
        return static_cast<float>(KeyValue(0) - GetRightDerivative(0) * seconds);
    }
    return static_cast<float>(KeyValue(n - 1) + GetLeftDerivative(n - 1) * seconds);
}

double RFCurve::MapTimeToKeyIndex(RTime time, int* hint) const {
    const int n = keyCount_;
    if (n == 0) {
        return -1.0;
    }
    const int64_t ticks = time.GetTicks();
    if (ticks < KeyTicks(0)) {
        return MapBefore(ticks, hint);
    }
    if (ticks > KeyTicks(n - 1)) {
        return MapAfter(ticks, hint);
    }
    return FindKeyIndex(time, hint);
}

// Before the first key: repetition and mirror fold the time back into the key span while it
// lies within the repetition count of spans (capped where the span count would pass the
// earliest time); every other time holds the first key.
double RFCurve::MapBefore(int64_t ticks, int* hint) const {
    int& carried = hint != nullptr ? *hint : searchHint_;
    const int64_t first = KeyTicks(0);
    const int64_t last = KeyTicks(keyCount_ - 1);
    const uint64_t period = curve_time::TicksBetween(first, last);
    if (!Repeats(preType_) || period == 0) {
        carried = 0;
        return 0.0;
    }
    const uint64_t headroom = curve_time::TicksBetween(kEarliestTicks, first);
    uint64_t reach = RepetitionTicks(preRepetition_, period);
    if (reach > headroom) {
        const uint64_t wholeSpans = headroom / period;
        reach = wholeSpans == 0 ? 0 : (wholeSpans - 1) * period;
    }
    const uint64_t distance = curve_time::TicksBetween(ticks, first);
    if (distance >= reach) {
        carried = 0;
        return 0.0;
    }
    const uint64_t spans = distance / period;
    const uint64_t rest = distance % period;
    const bool mirrored = preType_ == ExtrapolationMirror && spans % 2 == 0;
    const int64_t mapped = mirrored ? curve_time::Advance(first, rest) : curve_time::Retreat(last, rest);
    return FindKeyIndex(RTime(mapped), hint);
}

// After the last key, the counterpart of MapBefore; the cap is the latest time.
double RFCurve::MapAfter(int64_t ticks, int* hint) const {
    int& carried = hint != nullptr ? *hint : searchHint_;
    const int n = keyCount_;
    const int64_t first = KeyTicks(0);
    const int64_t last = KeyTicks(n - 1);
    const uint64_t period = curve_time::TicksBetween(first, last);
    if (!Repeats(postType_) || period == 0) {
        carried = n - 1;
        return n - 1;
    }
    const uint64_t headroom = curve_time::TicksBetween(last, kLatestTicks);
    const uint64_t reach = std::min(RepetitionTicks(postRepetition_, period), headroom);
    const uint64_t distance = curve_time::TicksBetween(last, ticks);
    if (distance >= reach) {
        carried = n - 1;
        return n - 1;
    }
    const uint64_t spans = distance / period;
    const uint64_t rest = distance % period;
    const bool mirrored = postType_ == ExtrapolationMirror && spans % 2 == 0;
    const int64_t mapped = mirrored ? curve_time::Retreat(last, rest) : curve_time::Advance(first, rest);
    return FindKeyIndex(RTime(mapped), hint);
}

float RFCurve::InterpolateAtIndex(double index) const {
    const int n = keyCount_;
    if (n == 0) {
        return defaultValue_;
    }
    if (n == 1 || !(index > 0.0)) {
        return keys_.Key(0).GetValue();
    }
    if (index >= n - 1) {
        return keys_.Key(n - 1).GetValue();
    }
    const int i = static_cast<int>(std::floor(index));
    const double fraction = index - i;
    if (fraction == 0.0) {
        return keys_.Key(i).GetValue();
    }
    return static_cast<float>(InterpolateSegment(i, fraction));
}

double RFCurve::InterpolateSegment(int i, double fraction) const {
    const Key& from = keys_.Key(i);
    const double start = KeyValue(i);
    const double end = KeyValue(i + 1);
    switch (from.GetInterpolation()) {
        case Key::Constant:
            return (from.GetTangentMode() & Key::ConstantNext) != 0 ? end : start;
        case Key::Linear:
            return start + (end - start) * fraction;
        case Key::Cubic:
            break;
        default:
            return 0.0;
    }
    const double seconds = SegmentSeconds(i);
    const double outSlope = GetRightDerivative(i);
    const double inSlope = GetLeftDerivative(i + 1);
    if (from.GetWeightMode() == 0) {
        return Bezier(start, start + outSlope * seconds / 3.0, end - inSlope * seconds / 3.0, end, fraction);
    }
    const double outWeight = GetRightWeight(i);
    const double inWeight = GetLeftWeight(i + 1);
    const double s = SolveBezierTime(static_cast<float>(fraction), static_cast<float>(outWeight),
                                     static_cast<float>(inWeight));
    return Bezier(start, start + outSlope * seconds * outWeight, end - inSlope * seconds * inWeight, end, s);
}

float RFCurve::SolveBezierTime(float fraction, float outWeight, float inWeight) {
    auto offset = [&](float s) { return Bezier(0.0f, outWeight, 1.0f - inWeight, 1.0f, s) - fraction; };
    const float atStart = offset(0.0f);
    const float atEnd = offset(1.0f);
    const bool endIsNearer = std::fabs(atEnd) < std::fabs(atStart);
    float current = endIsNearer ? 1.0f : 0.0f;
    float previous = endIsNearer ? 0.0f : 1.0f;
    float gCurrent = endIsNearer ? atEnd : atStart;
    float gPrevious = endIsNearer ? atStart : atEnd;
    constexpr int kMaxSteps = 15;
    constexpr float kSettled = 1e-6f;
    for (int step = 0; step < kMaxSteps; ++step) {
        const float denominator = gCurrent - gPrevious;
        if (denominator == 0.0f) {
            break;
        }
        const float move = (previous - current) * gCurrent / denominator;
        previous = current;
        gPrevious = gCurrent;
        current += move;
        gCurrent = offset(current);
        if (std::fabs(move) < kSettled || gCurrent == 0.0f) {
            break;
        }
    }
    return current;
}

double RFCurve::SegmentDerivative(int i, double fraction) const {
    const Key& from = keys_.Key(i);
    const double seconds = SegmentSeconds(i);
    const double start = KeyValue(i);
    const double end = KeyValue(i + 1);
    switch (from.GetInterpolation()) {
        case Key::Linear:
            return (end - start) / seconds;
        case Key::Cubic: {
            // Weights are not used here: the slope of the unweighted segment.
            const double c1 = start + GetRightDerivative(i) * seconds / 3.0;
            const double c2 = end - GetLeftDerivative(i + 1) * seconds / 3.0;
            const double d0 = c1 - start;
            const double d1 = c2 - c1;
            const double d2 = end - c2;
            return Lerp(Lerp(d0, d1, fraction), Lerp(d1, d2, fraction), fraction) * 3.0 / seconds;
        }
        default:
            return 0.0;
    }
}

double RFCurve::GetLeftDerivativeAt(RTime time, int* hint) const { return DerivativeAt(time, hint, true); }

double RFCurve::GetRightDerivativeAt(RTime time, int* hint) const { return DerivativeAt(time, hint, false); }

// Inside a segment both sides have the segment's slope; on a key they are the key's slopes.
double RFCurve::DerivativeAt(RTime time, int* hint, bool left) const {
    const int n = keyCount_;
    if (n <= 1) {
        return 0.0;
    }
    const double x = FindKeyIndex(time, hint);
    if (x < 0.0 || std::ceil(x) > n - 1) {
        return 0.0;
    }
    const int i = static_cast<int>(std::floor(x));
    if (x != i) {
        return SegmentDerivative(i, x - i);
    }
    return left ? GetLeftDerivative(i) : GetRightDerivative(i);
}

double RFCurve::GetRightControlValue(int k) const {
    const int n = keyCount_;
    if (n == 0 || k < 0 || k >= n) {
        return 0.0;
    }
    if (n == 1 || k == n - 1) {
        return KeyValue(k);
    }
    switch (keys_.Key(k).GetInterpolation()) {
        case Key::Constant:
            return KeyValue(k);
        case Key::Linear:
        case Key::Cubic:
            return KeyValue(k) + GetRightDerivative(k) * SegmentSeconds(k) / 3.0;
        default:
            return 0.0;
    }
}

double RFCurve::GetLeftControlValue(int k) const {
    const int n = keyCount_;
    if (n == 0 || k < 0 || k >= n) {
        return 0.0;
    }
    if (n == 1 || k == 0) {
        return KeyValue(k);
    }
    switch (keys_.Key(k - 1).GetInterpolation()) {
        case Key::Constant:
            return KeyValue(k);
        case Key::Linear:
        case Key::Cubic:
            return KeyValue(k) - GetLeftDerivative(k) * SegmentSeconds(k - 1) / 3.0;
        default:
            return 0.0;
    }
}
