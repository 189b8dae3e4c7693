#ifndef WYX_CURVES_RFCURVEFILTERKEYREDUCER_H
#define WYX_CURVES_RFCURVEFILTERKEYREDUCER_H

// Replaces the keys of a densely keyed curve inside the span by as few Cubic user-slope keys
// as keep the curve within a precision of every source key value: one segment between the
// span's end keys to begin with, then, range by range, the worst-approximated source key is
// inserted until every source key is matched. The fitted keys take the source curve's own
// slopes at their times.
//
// The refinement walks an explicit stack, so its depth never grows with the key count, and
// each range is measured against its own fitted segment only: a curve of n keys costs about
// n log n segment evaluations.

#include "curves/RFCurveFilter.h"

class RFCurveFilterKeyReducer : public RFCurveFilter {
public:
    static constexpr double kDefaultPrecision = 1.0;
    // Below this refinement depth each finished range is reported through ReportProgress.
    static constexpr int kProgressDepth = 10;

    RFCurveFilterKeyReducer();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    // True when the curve was refitted. Error 1 for fewer than two keys or an empty span;
    // the curve is then unchanged.
    bool Apply(RFCurve& curve) override;
    // The base forms, then, with key sync on, a key synchronizer over the reduced curves
    // (two curves or more; for a node, its children when it has more than one).
    bool Apply(RFCurve* const* curves, int count) override;
    bool Apply(RFCurveNode& node, bool recursive) override;
    // Precision 1, key sync off, the whole span.
    void Reset() override;

    // The largest allowed difference between a source key value and the fitted curve.
    void SetPrecision(double precision) { precision_ = precision; }
    double GetPrecision() const { return precision_; }
    void SetKeySync(bool on) { keySync_ = on; }
    bool GetKeySync() const { return keySync_; }

private:
    // Writes into fitted the keys that match source keys first..last within the precision.
    void Fit(const RFCurve& source, int first, int last, RFCurve& fitted);

    double precision_ = kDefaultPrecision;
    bool keySync_ = false;
};

#endif
