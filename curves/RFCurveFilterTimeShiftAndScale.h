#ifndef WYX_CURVES_RFCURVEFILTERTIMESHIFTANDSCALE_H
#define WYX_CURVES_RFCURVEFILTERTIMESHIFTANDSCALE_H

// Moves every key of a curve by a time offset, then scales its time about time 0. The span
// is not used: the whole curve moves.

#include "curves/RFCurveFilter.h"

class RFCurveFilterTimeShiftAndScale : public RFCurveFilter {
public:
    RFCurveFilterTimeShiftAndScale();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    bool Apply(RFCurve& curve) override;

    virtual const RTime& GetShift() const { return shift_; }
    virtual void SetShift(RTime shift) { shift_ = shift; }
    virtual double GetScale() const { return scale_; }
    // A scale not greater than 0 applies the shift alone.
    virtual void SetScale(double scale) { scale_ = scale; }

private:
    RTime shift_;
    double scale_ = 1.0;
};

#endif
