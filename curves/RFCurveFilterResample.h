#ifndef WYX_CURVES_RFCURVEFILTERRESAMPLE_H
#define WYX_CURVES_RFCURVEFILTERRESAMPLE_H

// Replaces the keys of a curve inside the span by keys at a fixed period. Infinite span ends
// stand for the curve's first and last key.

#include "curves/RFCurveFilter.h"

class RFCurveFilterResample : public RFCurveFilter {
public:
    RFCurveFilterResample();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    bool Apply(RFCurve& curve) override;
    // Align off, keep-interpolation off, the period one frame of the default time mode.
    void Reset() override;

    // With align on, a start that is not a multiple of the period moves up to the next one
    // (only when the multiple below it is above 0).
    virtual void SetAlignToPeriod(bool align) { alignToPeriod_ = align; }
    virtual bool GetAlignToPeriod() const { return alignToPeriod_; }
    virtual RTime GetPeriod() const { return period_; }
    virtual void SetPeriod(RTime period) { period_ = period; }
    // On: each new key takes the interpolation and tangent mode of the source there; off:
    // Cubic Auto keys.
    void SetKeepInterpolation(bool keep) { keepInterpolation_ = keep; }
    bool GetKeepInterpolation() const { return keepInterpolation_; }

private:
    bool alignToPeriod_ = false;
    RTime period_;
    bool keepInterpolation_ = false;
};

#endif
