#ifndef WYX_CURVES_RFCURVEFILTERKEYSYNC_H
#define WYX_CURVES_RFCURVEFILTERKEYSYNC_H

// Gives a group of curves keys at the same times: every key time found on any curve of the
// group inside the span becomes a key time of every curve, without changing the curves'
// shapes. The node forms work on the curves of the node's direct children (at most 20).

#include "curves/RFCurveFilter.h"

class RFCurveFilterKeySync : public RFCurveFilter {
public:
    static constexpr int kMaxNodeCurves = 20;

    RFCurveFilterKeySync();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    // A single curve has nothing to be synchronized with: false, error 1.
    bool IsNeeded(RFCurve& curve) override;
    // True when the curves' keys are not yet at common times (the reason in the error object).
    bool IsNeeded(RFCurve* const* curves, int count) override;
    // The array form on the curves of the node's direct children (children without a curve
    // are skipped); the recursive flag is not used.
    bool IsNeeded(RFCurveNode& node, bool recursive) override;

    bool Apply(RFCurve& curve) override;
    bool Apply(RFCurve* const* curves, int count) override;
    bool Apply(RFCurveNode& node, bool recursive) override;

private:
    // The curves of the node's direct children in child order; false, error 4, past 20.
    bool GatherChildCurves(const RFCurveNode& node, RFCurve* curves[kMaxNodeCurves], int& count);
};

#endif
