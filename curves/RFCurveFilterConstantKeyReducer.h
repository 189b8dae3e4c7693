#ifndef WYX_CURVES_RFCURVEFILTERCONSTANTKEYREDUCER_H
#define WYX_CURVES_RFCURVEFILTERCONSTANTKEYREDUCER_H

// Removes keys that add nothing to a curve: inside every run of three or more consecutive
// keys over which the curve is flat only the run's two end keys stay, and a curve flat from
// end to end loses all its keys and keeps their value as its default value. Only whole keys
// are removed; the keys that stay keep their interpolation, tangents and values.

#include "curves/RFCurveFilter.h"

class RFCurveFilterConstantKeyReducer : public RFCurveFilter {
public:
    // Slope and value tolerances holding exactly this value count as unset: the node form
    // then uses the tolerance of the node's channel.
    static constexpr double kDefaultTolerance = 5e-13;
    static constexpr double kDefaultRotationTolerance = 0.0005;

    RFCurveFilterConstantKeyReducer();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    // True when at least one key was removed or the curve was collapsed.
    bool Apply(RFCurve& curve) override;
    // Picks the channel's tolerance for the unset tolerances, then runs the base node form;
    // the tolerances are restored before returning.
    bool Apply(RFCurveNode& node, bool recursive) override;
    void Reset() override;

    void SetKeepEndKeys(bool keep) { keepEndKeys_ = keep; }
    bool GetKeepEndKeys() const { return keepEndKeys_; }
    // A curve flat from end to end then keeps its first key instead of none.
    void SetKeepOneKey(bool keep) { keepOneKey_ = keep; }
    bool GetKeepOneKey() const { return keepOneKey_; }
    void SetSlopeTolerance(double tolerance) { slopeTolerance_ = tolerance; }
    double GetSlopeTolerance() const { return slopeTolerance_; }
    void SetValueTolerance(double tolerance) { valueTolerance_ = tolerance; }
    double GetValueTolerance() const { return valueTolerance_; }

private:
    // The channel tolerance of a node, from its own name and its parent's.
    double ChannelTolerance(const RFCurveNode& node) const;
    bool IsWithinSlope(double slope, double reference) const;
    // The rules for a curve left with one or two keys.
    bool IsRemovableSingleKey(const RFCurve& curve) const;
    bool IsFlatPair(const RFCurve& curve) const;

    double slopeTolerance_ = kDefaultTolerance;
    double valueTolerance_ = kDefaultTolerance;
    double translationTolerance_ = kDefaultTolerance;
    double rotationTolerance_ = kDefaultRotationTolerance;
    double scalingTolerance_ = kDefaultTolerance;
    double otherTolerance_ = kDefaultTolerance;
    bool keepEndKeys_ = false;
    bool keepOneKey_ = false;
};

#endif
