#include "curves/RFCurveFilterResample.h"

#include <memory>

#include "curves/RFCurve.h"
#include "curves/RFCurveFilterSupport.h"
#include "curves/RKeyUtilities.h"

namespace {

const char* const kMessages[] = {"Bad Period", "Bad Interval"};

constexpr int kErrorBadPeriod = 0;
constexpr int kErrorBadInterval = 1;

// The multiple of the period at or below the time (floor division on ticks).
int64_t MultipleBelow(int64_t ticks, int64_t period) {
    int64_t quotient = ticks / period;
    if (ticks % period != 0 && ticks < 0) {
        --quotient;
    }
    return quotient;
}

}  // namespace

RFCurveFilterResample::RFCurveFilterResample() : RFCurveFilter("FCurve Resample", kMessages, 2) {
    RFCurveFilterResample::Reset();
}

void RFCurveFilterResample::Reset() {
    alignToPeriod_ = false;
    keepInterpolation_ = false;
    // One frame of the default time mode.
    period_ = RTime();
    period_.SetFromTimecode(0, 0, 0, 1, 0, 0);
    RFCurveFilter::Reset();
}

bool RFCurveFilterResample::Apply(RFCurve& curve) {
    const int64_t period = period_.GetTicks();
    if (period <= 0) {
        return Fail(kErrorBadPeriod, "Bad Period");
    }
    RTime start = GetStartTime();
    RTime stop = GetStopTime();
    if (curve.GetKeyCount() > 0) {
        if (start.IsInfinitelyEarly()) {
            start = curve.GetKey(0).GetTime();
        }
        if (stop.IsInfinitelyLate()) {
            stop = curve.GetKey(curve.GetKeyCount() - 1).GetTime();
        }
    }
    if (start.IsInfinitelyEarly() || start.IsInfinitelyLate() || stop.IsInfinitelyEarly() ||
        stop.IsInfinitelyLate()) {
        return Fail(kErrorBadInterval, "Bad Interval");
    }
    if (alignToPeriod_ && start.GetTicks() % period != 0) {
        const int64_t below = MultipleBelow(start.GetTicks(), period);
        if (below > 0) {
            start = RTime(below + 1) * RTime(period);
        }
    }
    if (stop <= start) {
        return Fail(kErrorBadInterval, "Bad Interval");
    }

    const TemporaryCurve source(curve.Clone(RTime(kSpanStart), RTime(kSpanStop)));
    const TemporaryCurve samples(RFCurve::Create());
    samples->CopyFrom(curve, false);
    const bool sampled =
        keepInterpolation_
            ? ResampleCurveKeepingTypes(*source, *samples, start, stop, period_, true)
            : ResampleCurve(*source, *samples, start, stop, period_, RCurveKey::Cubic, RCurveKey::Auto, true);
    if (!sampled) {
        // Only a period too short for the span makes more keys than resampling allows.
        return Fail(kErrorBadPeriod, "Bad Period");
    }
    SpliceCurves(*source, *samples, curve);
    return true;
}
