#include "curves/RFCurve.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

namespace {

constexpr int64_t kLatest = std::numeric_limits<int64_t>::max();
constexpr int64_t kEarliest = std::numeric_limits<int64_t>::min();

// Linear from 0 at 0 s to 10 at 1 s.
void MakeRamp(RFCurve& curve) { AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Linear, 0); }

}  // namespace

TEST(RFCurveEvaluation, NoKeysGiveTheDefaultAndOneKeyItsValue) {
    RFCurve curve;
    curve.SetDefaultValue(3.0f);
    EXPECT_EQ(curve.EvaluateAt(At(-5.0)), 3.0f);
    AddKeys(curve, {{1.0, 7.0f}});
    for (int type = 1; type <= 4; ++type) {
        curve.SetPreExtrapolationType(type);
        curve.SetPostExtrapolationType(type);
        curve.SetPostExtrapolationRepetition(-1);
        EXPECT_EQ(curve.EvaluateAt(At(-2.0)), 7.0f);
        EXPECT_EQ(curve.EvaluateAt(At(9.0)), 7.0f);
    }
}

TEST(RFCurveEvaluation, ConstantAndRepetitionExtrapolation) {
    RFCurve curve;
    MakeRamp(curve);
    EXPECT_EQ(curve.EvaluateAt(At(-1.0)), 0.0f);
    EXPECT_EQ(curve.EvaluateAt(At(2.0)), 10.0f);
    curve.SetPreExtrapolationType(RFCurve::ExtrapolationRepetition);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationRepetition);
    curve.SetPreExtrapolationRepetition(1);
    curve.SetPostExtrapolationRepetition(1);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(1.25)), 2.5f);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(-0.25)), 7.5f);
    // One repetition, then the end key holds.
    EXPECT_EQ(curve.EvaluateAt(At(2.5)), 10.0f);
    EXPECT_EQ(curve.EvaluateAt(At(-1.5)), 0.0f);
    curve.SetPostExtrapolationRepetition(RFCurve::kUnlimitedRepetitions);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(1000.25)), 2.5f);
}

TEST(RFCurveEvaluation, MirrorExtrapolation) {
    RFCurve curve;
    MakeRamp(curve);
    curve.SetPreExtrapolationType(RFCurve::ExtrapolationMirror);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationMirror);
    curve.SetPreExtrapolationRepetition(-1);
    curve.SetPostExtrapolationRepetition(-1);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(-0.25)), 2.5f);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(-1.25)), 7.5f);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(1.25)), 7.5f);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(2.25)), 2.5f);
}

TEST(RFCurveEvaluation, KeepSlopeExtrapolation) {
    RFCurve curve;
    MakeRamp(curve);
    curve.SetPostExtrapolationType(RFCurve::ExtrapolationKeepSlope);
    curve.SetPreExtrapolationType(RFCurve::ExtrapolationKeepSlope);
    EXPECT_EQ(curve.EvaluateAt(At(3.0)), 10.0f);  // zero repetitions: no extension
    curve.SetPostExtrapolationRepetition(-1);
    curve.SetPreExtrapolationRepetition(-1);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(3.0)), 30.0f);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(-1.0)), -10.0f);
    curve.SetPostExtrapolationRepetition(1);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(5.0)), 20.0f);
}

TEST(RFCurveEvaluation, ExtrapolationAtTheEndsOfTheTimeRangeDoesNotOverflow) {
    RFCurve curve;
    curve.AddKey(RTime(kEarliest + 10), MakeKey(0.0f, RCurveKey::Linear, 0));
    curve.AddKey(RTime(0), MakeKey(1.0f, RCurveKey::Linear, 0));
    curve.AddKey(RTime(kLatest - 10), MakeKey(2.0f, RCurveKey::Linear, 0));
    for (int type = 1; type <= 4; ++type) {
        curve.SetPreExtrapolationType(type);
        curve.SetPostExtrapolationType(type);
        for (int repetitions : {-1, 0, 1, 7}) {
            curve.SetPreExtrapolationRepetition(repetitions);
            curve.SetPostExtrapolationRepetition(repetitions);
            for (int64_t t : {kEarliest, kEarliest + 5, kLatest - 5, kLatest}) {
                const float value = curve.EvaluateAt(RTime(t));
                EXPECT_GE(value, -1e30f);
                EXPECT_LE(value, 1e30f);
            }
        }
    }
    // Repetition far from a short span near the ends of the range.
    RFCurve shortSpan;
    AddKeys(shortSpan, {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Linear, 0);
    shortSpan.SetPreExtrapolationType(RFCurve::ExtrapolationMirror);
    shortSpan.SetPostExtrapolationType(RFCurve::ExtrapolationRepetition);
    shortSpan.SetPreExtrapolationRepetition(-1);
    shortSpan.SetPostExtrapolationRepetition(-1);
    EXPECT_LE(shortSpan.EvaluateAt(RTime(kEarliest)), 10.0f);
    EXPECT_EQ(shortSpan.EvaluateAt(RTime(kLatest)), 10.0f);  // the latest time is beyond the cap
}

TEST(RFCurveEvaluation, CacheHasItsOwnValidFlag) {
    RFCurve curve;
    MakeRamp(curve);
    EXPECT_FALSE(curve.IsCacheValid());
    // The latest time is an ordinary time: it is evaluated and cached.
    EXPECT_EQ(curve.EvaluateAtCached(RTime(kLatest)), 10.0f);
    EXPECT_TRUE(curve.IsCacheValid());
    curve.SetCache(RTime(kLatest), 42.0f);
    EXPECT_EQ(curve.EvaluateAtCached(RTime(kLatest)), 42.0f);
    EXPECT_FLOAT_EQ(curve.EvaluateAtCached(At(0.5)), 5.0f);
    curve.AddKey(At(2.0), MakeKey(1.0f, RCurveKey::Linear, 0));
    EXPECT_FALSE(curve.IsCacheValid());
}

TEST(RFCurveEvaluation, SegmentInterpolations) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}, {2.0, 20.0f}}, RCurveKey::Constant, 0);
    EXPECT_EQ(curve.EvaluateAt(At(0.5)), 0.0f);
    curve.GetKey(0).SetTangentMode(RCurveKey::ConstantNext);
    curve.ResetCache();
    EXPECT_EQ(curve.EvaluateAt(At(0.01)), 10.0f);

    RFCurve cubic;
    AddKeys(cubic, {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Cubic, RCurveKey::User);
    EXPECT_FLOAT_EQ(cubic.EvaluateAt(At(0.5)), 5.0f);
    EXPECT_FLOAT_EQ(cubic.EvaluateAt(At(0.25)), 10.0f * (3 * 0.0625f - 2 * 0.015625f));
    EXPECT_DOUBLE_EQ(cubic.GetRightDerivativeAt(At(0.5)), 15.0);
    EXPECT_DOUBLE_EQ(cubic.GetLeftDerivativeAt(At(0.0)), 0.0);
    EXPECT_EQ(cubic.GetRightDerivativeAt(At(2.0)), 0.0);
    EXPECT_EQ(cubic.InterpolateAtIndex(-3.0), 0.0f);
    EXPECT_EQ(cubic.InterpolateAtIndex(7.0), 10.0f);
}

TEST(RFCurveEvaluation, WeightsOfOneThirdMatchTheUnweightedSegment) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {2.0, 4.0f}}, RCurveKey::Cubic, RCurveKey::UserBreak);
    curve.SetRightDerivative(0, 6.0);
    curve.SetLeftDerivative(1, -1.0);
    const float unweighted = curve.EvaluateAt(At(0.6));
    ASSERT_TRUE(curve.SetRightWeight(0, RCurveKey::kDefaultWeight));
    ASSERT_TRUE(curve.SetLeftWeight(1, RCurveKey::kDefaultWeight));
    EXPECT_TRUE(curve.IsRightWeighted(0));
    EXPECT_NEAR(curve.EvaluateAt(At(0.6)), unweighted, 1e-3);
    curve.SetRightWeight(0, 0.8f);
    EXPECT_GT(std::fabs(curve.EvaluateAt(At(0.6)) - unweighted), 0.05);
    EXPECT_NEAR(RFCurve::SolveBezierTime(0.3f, 1.0f / 3.0f, 1.0f / 3.0f), 0.3f, 1e-5);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(2.0)), 4.0f);
}

TEST(RFCurveEvaluation, ControlValues) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Linear, 0);
    EXPECT_NEAR(curve.GetRightControlValue(0), 10.0 / 3.0, 1e-9);
    EXPECT_EQ(curve.GetRightControlValue(1), 10.0);
    EXPECT_NEAR(curve.GetLeftControlValue(1), 20.0 / 3.0, 1e-9);
    EXPECT_EQ(curve.GetLeftControlValue(0), 0.0);
    EXPECT_EQ(curve.GetLeftControlValue(5), 0.0);
}
