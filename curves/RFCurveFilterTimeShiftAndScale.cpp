#include "curves/RFCurveFilterTimeShiftAndScale.h"

#include "curves/RFCurve.h"

namespace {

const char* const kMessages[] = {"No key", "Left unchanged"};

constexpr int kErrorNoKey = 0;
constexpr int kErrorUnchanged = 1;

}  // namespace

RFCurveFilterTimeShiftAndScale::RFCurveFilterTimeShiftAndScale()
    : RFCurveFilter("TimeShiftAndScaleFilter", kMessages, 2) {
    RFCurveFilterTimeShiftAndScale::Reset();
}

bool RFCurveFilterTimeShiftAndScale::Apply(RFCurve& curve) {
    const bool scales = scale_ > 0.0 && scale_ != 1.0;
    if (shift_.GetTicks() == 0 && !scales) {
        return Fail(kErrorUnchanged, "TimeShiftAndScaleFilter, No key were changed by filter.");
    }
    if (curve.GetKeyCount() == 0) {
        return Fail(kErrorNoKey, "TimeShiftAndScaleFilter, No key to be filtered.");
    }
    curve.BeginEdit();
    RTime previous;
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        RCurveKey& key = curve.GetKey(k);
        RTime time = key.GetTime() + shift_;
        if (scales) {
            time.FromSeconds(time.ToSeconds() * scale_);
        }
        // Truncation and the saturating ends of the time line may bring keys onto one tick;
        // key times stay strictly increasing.
        if (k > 0 && time <= previous) {
            time = previous + RTime(1);
        }
        key.SetTime(time);
        previous = time;
    }
    curve.NotifyChange(RCurveChangeRecord::KeysChanged, -1);
    curve.EndEdit();
    return true;
}
