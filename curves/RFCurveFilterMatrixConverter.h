#ifndef WYX_CURVES_RFCURVEFILTERMATRIXCONVERTER_H
#define WYX_CURVES_RFCURVEFILTERMATRIXCONVERTER_H

// Re-expresses the animated translation, rotation and scaling of one transform curve node
// (children "T", "R" and "S", each with "X", "Y" and "Z" curves) from a set of fixed
// transform components to the plain transform, so that the node's motion stays the same.
// The animation is sampled at a fixed period; each sample is composed with the components
// and taken apart again, and the samples become the node's new keys. Which component each
// of the 13 indexes holds is the caller's business; the converter fixes only the order in
// which they are composed:
//
//   A7, inverse A12, A6, scaling, A5, A12, inverse A11, A4, rotation, A3, A11,
//   [translation-only term of A8], A2, translation, A1, A0
//
// (row-vector convention: the first acts first). The rotation is read in the source
// rotation order and written in the destination order (Euler codes 0 to 11 of
// core/EulerAngles.h, 12 spheric XYZ), which the rotation node then takes as its own.
//
// After converting (or finding nothing to convert) the rotation is unrolled and resampled
// and constant keys are reduced, as the flags ask.

#include <vector>

#include "core/RMatrix.h"
#include "core/RQuaternion.h"
#include "curves/RFCurveFilter.h"

class RFCurveFilterMatrixConverter : public RFCurveFilter {
public:
    static constexpr int kMatrixCount = 13;
    // A component within this of the identity (first three columns) counts as the identity.
    static constexpr double kIdentityTolerance = 1e-6;

    RFCurveFilterMatrixConverter();

    using RFCurveFilter::Apply;
    using RFCurveFilter::IsNeeded;

    // Refused: error 2. The converter works on transform nodes only.
    bool Apply(RFCurve& curve) override;
    bool Apply(RFCurve* const* curves, int count) override;
    // The conversion; the recursive flag is passed to the follow-up filters only. False with
    // error 1 when the components and rotation orders change nothing (the follow-ups still
    // run), or when the node is keyed and the period is not positive or would make too many
    // samples; false with error 3, node unchanged, when a transform curve is missing.
    bool Apply(RFCurveNode& node, bool recursive) override;
    // Every flag on (key times from source off), every component the identity, the whole
    // span. Period and rotation orders are kept.
    void Reset() override;

    // Component index 0 to 12; false, nothing stored, for another index.
    bool SetMatrix(int index, const RMatrix& matrix);
    // The component as it is composed (the identity for one that counts as the identity).
    bool GetMatrix(int index, RMatrix& out) const;
    bool IsIdentity(int index) const;
    // Whether every component counts as the identity.
    bool AreAllIdentity() const;

    void SetResamplingPeriod(RTime period) { period_ = period; }
    RTime GetResamplingPeriod() const { return period_; }
    // On: the last sample lies on the latest source key; off: on the next period step.
    void SetEndOnLastKey(bool on) { endOnLastKey_ = on; }
    bool GetEndOnLastKey() const { return endOnLastKey_; }
    // After converting: unroll the rotation and resample it at the period.
    void SetResampleAfter(bool on) { resampleAfter_ = on; }
    bool GetResampleAfter() const { return resampleAfter_; }
    // After converting: reduce constant keys over the whole node.
    void SetReduceConstantKeysAfter(bool on) { reduceAfter_ = on; }
    bool GetReduceConstantKeysAfter() const { return reduceAfter_; }
    // Whether the converted translation replaces the node's "T" curves; components 8, 11
    // and 12 move the translation, so using them rewrites it in any case.
    void SetRewriteTranslation(bool on) { rewriteTranslation_ = on; }
    bool GetRewriteTranslation() const { return rewriteTranslation_; }
    // On: every source key time is sampled besides the period steps, so the converted
    // curves hold the exact converted pose at each source key.
    void SetKeyTimesFromSource(bool on) { keyTimesFromSource_ = on; }
    bool GetKeyTimesFromSource() const { return keyTimesFromSource_; }
    // On: every converted channel gets a key at every sample. Off: a channel whose source
    // curve has no keys and whose converted value never leaves its converted default keeps
    // no keys, only that default.
    void SetExtraOutput(bool on) { extraOutput_ = on; }
    bool GetExtraOutput() const { return extraOutput_; }
    // Rotation orders 0 to 12; false, nothing stored, for another value.
    bool SetSourceRotationOrder(int order);
    int GetSourceRotationOrder() const { return sourceOrder_; }
    bool SetDestinationRotationOrder(int order);
    int GetDestinationRotationOrder() const { return destinationOrder_; }

private:
    struct Channels;
    struct Sample;

    bool Convert(RFCurveNode& node);
    void RunFollowUps(RFCurveNode& node, bool recursive) const;
    // The sample times over the source keys; false, error 1, when the period cannot serve.
    bool PlanSamples(const Channels& channels, std::vector<RTime>& times);
    // Writes the converted samples as key k of each converted curve (bulk storage open).
    void WriteSamples(const Channels& channels, const std::vector<RTime>& times,
                      RFCurve* const* converted) const;
    // Composes one sample with the components and takes it apart in the destination order.
    void ConvertSample(Sample& sample) const;
    RMatrix ComposeWithComponents(const RMatrix& translation, const RMatrix& rotation,
                                  const RMatrix& scaling) const;
    RMatrix TranslationOnlyTerm(const RMatrix& rotation) const;

    RMatrix components_[kMatrixCount];
    bool identity_[kMatrixCount];
    RTime period_;
    bool alignToPeriod_ = true;
    bool resampleAfter_ = true;
    bool reduceAfter_ = true;
    int sourceOrder_ = 0;
    int destinationOrder_ = 0;
    bool endOnLastKey_ = true;
    bool rewriteTranslation_ = true;
    bool keyTimesFromSource_ = false;
    bool extraOutput_ = true;
};

// The unit quaternion of the rotation held in the 3x3 part of matrix (row-vector form). The
// trace form serves while the scalar part dominates; near a half turn the quaternion is
// taken from the largest diagonal term instead, so no division by a vanishing scalar part
// occurs. The scalar part is made non-negative.
void QuaternionFromRotation(RQuaternion& out, const RMatrix& matrix);

#endif
