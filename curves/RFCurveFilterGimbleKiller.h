#ifndef WYX_CURVES_RFCURVEFILTERGIMBLEKILLER_H
#define WYX_CURVES_RFCURVEFILTERGIMBLEKILLER_H

// Rebuilds the three Euler curves of a rotation node so that no two consecutive keys lie far
// apart in Euler space: every key is made continuous with the one before it, and where two
// consecutive orientations still differ by a large Euler step, keys are inserted at
// intermediate orientations along the shortest rotation between them.

#include "curves/RFCurveFilter.h"

class RFCurveFilterGimbleKiller : public RFCurveFilter {
public:
    // A step of at least this sum of squared angle differences (degrees) is subdivided...
    static constexpr double kMaxSquaredStep = 75.0;
    // ...unless the keys are closer than this, in seconds (1/1200).
    static constexpr double kMinSubdividedSeconds = 0.0008333333333333334;

    RFCurveFilterGimbleKiller();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    // Refused: error 2.
    bool Apply(RFCurve& curve) override;
    // Exactly three curves X, Y, Z (Euler XYZ), else error 2.
    bool Apply(RFCurve* const* curves, int count) override;
    // A rotation node with three children "X", "Y", "Z"; the recursive flag is not used.
    bool Apply(RFCurveNode& node, bool recursive) override;
    void Reset() override;

    // Whether the three curves are given common key times before the work (on after Reset).
    void SetSynchronizeFirst(bool on) { synchronizeFirst_ = on; }
    bool GetSynchronizeFirst() const { return synchronizeFirst_; }

private:
    bool synchronizeFirst_ = true;
};

#endif
