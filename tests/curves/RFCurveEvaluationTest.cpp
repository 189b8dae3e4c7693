#include "curves/RFCurve.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

namespace {

constexpr int64_t kLatest = std::numeric_limits<int64_t>::max();
constexpr int64_t kEarliest = std::numeric_limits<int64_t>::min();
constexpr int kUnlimited = RFCurve::kUnlimitedRepetitions;

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

// The linear ramp from 0 at 0 s to 10 at 1 s, extrapolated on both sides.
TEST(RFCurveEvaluation, Extrapolation) {
    struct Case {
        int type;
        int repetitions;
        double seconds;
        float value;
    };
    const Case cases[] = {
        {RFCurve::ExtrapolationConstant, 0, -1.0, 0.0f},    {RFCurve::ExtrapolationConstant, 0, 2.0, 10.0f},
        {RFCurve::ExtrapolationRepetition, 1, 1.25, 2.5f},  {RFCurve::ExtrapolationRepetition, 1, -0.25, 7.5f},
        {RFCurve::ExtrapolationRepetition, 1, 2.5, 10.0f},  {RFCurve::ExtrapolationRepetition, 1, -1.5, 0.0f},
        {RFCurve::ExtrapolationRepetition, kUnlimited, 1000.25, 2.5f},
        {RFCurve::ExtrapolationMirror, kUnlimited, -0.25, 2.5f}, {RFCurve::ExtrapolationMirror, kUnlimited, -1.25, 7.5f},
        {RFCurve::ExtrapolationMirror, kUnlimited, 1.25, 7.5f},  {RFCurve::ExtrapolationMirror, kUnlimited, 2.25, 2.5f},
        {RFCurve::ExtrapolationKeepSlope, 0, 3.0, 10.0f},   {RFCurve::ExtrapolationKeepSlope, kUnlimited, 3.0, 30.0f},
        {RFCurve::ExtrapolationKeepSlope, kUnlimited, -1.0, -10.0f}, {RFCurve::ExtrapolationKeepSlope, 1, 5.0, 20.0f},
    };
    for (const Case& test : cases) {
        RFCurve curve;
        MakeRamp(curve);
        curve.SetPreExtrapolationType(test.type);
        curve.SetPostExtrapolationType(test.type);
        curve.SetPreExtrapolationRepetition(test.repetitions);
        curve.SetPostExtrapolationRepetition(test.repetitions);
        EXPECT_FLOAT_EQ(curve.EvaluateAt(At(test.seconds)), test.value)
            << "type " << test.type << " x" << test.repetitions << " at " << test.seconds;
    }
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
    MakeRamp(shortSpan);
    shortSpan.SetPreExtrapolationType(RFCurve::ExtrapolationMirror);
    shortSpan.SetPostExtrapolationType(RFCurve::ExtrapolationRepetition);
    shortSpan.SetPreExtrapolationRepetition(-1);
    shortSpan.SetPostExtrapolationRepetition(-1);
    EXPECT_LE(shortSpan.EvaluateAt(RTime(kEarliest)), 10.0f);
    EXPECT_EQ(shortSpan.EvaluateAt(RTime(kLatest)), 10.0f);  // the latest time is beyond the cap
}

TEST(RFCurveEvaluation, CacheHoldsOneTime) {
    RFCurve curve;
    MakeRamp(curve);
    EXPECT_FALSE(curve.IsCacheValid());
    // The latest time is an ordinary time: it is evaluated and cached.
    EXPECT_EQ(curve.EvaluateAtCached(RTime(kLatest)), 10.0f);
    EXPECT_TRUE(curve.IsCacheValid());
    curve.SetCache(RTime(kLatest), 42.0f);
    EXPECT_EQ(curve.EvaluateAtCached(RTime(kLatest)), 42.0f);
    EXPECT_FLOAT_EQ(curve.EvaluateAtCached(At(0.5)), 5.0f);
    EXPECT_FLOAT_EQ(curve.EvaluateAtCached(At(0.25)), 2.5f);  // a new time is evaluated
}

// Every change that moves the curve's value at a time empties the cache: a cached evaluation
// afterwards gives what a plain one gives.
TEST(RFCurveEvaluation, EveryChangeEmptiesTheCache) {
    const auto cubic = [](RFCurve& c) {
        c.GetKey(0).SetInterpolation(RCurveKey::Cubic);
        c.GetKey(0).SetTangentMode(RCurveKey::User);
        c.SetRightDerivative(0, 40.0);
    };
    struct Change {
        const char* name;
        double at;
        std::function<void(RFCurve&)> apply;
    };
    const Change changes[] = {
        {"pre type", -0.25, [](RFCurve& c) { c.SetPreExtrapolationType(RFCurve::ExtrapolationMirror); }},
        {"pre repetition", -0.25, [](RFCurve& c) { c.SetPreExtrapolationRepetition(0); }},
        {"post type", 2.0, [](RFCurve& c) { c.SetPostExtrapolationType(RFCurve::ExtrapolationConstant); }},
        {"post repetition", 2.0, [](RFCurve& c) { c.SetPostExtrapolationRepetition(0); }},
        {"default", 0.5, [](RFCurve& c) { c.ClearKeys(); c.EvaluateAtCached(At(0.5)); c.SetDefaultValue(4.0f); }},
        {"added key", 0.5, [](RFCurve& c) { c.AddKey(At(0.5), MakeKey(99.0f, RCurveKey::Linear, 0)); }},
        {"removed key", 0.5, [](RFCurve& c) { c.RemoveKey(1); }},
        {"replaced key", 0.5, [](RFCurve& c) { RCurveKey k = c.GetKey(1); k.SetValue(20.0f); c.ReplaceKey(1, k); }},
        {"scaled", 0.5, [](RFCurve& c) { c.ScaleValues(false, 2.0f); }},
        {"range removed", 0.5, [](RFCurve& c) { c.RemoveKeys(0, 1); }},
        {"slope", 0.5, [&](RFCurve& c) { cubic(c); c.SetRightDerivative(0, 0.0); c.EvaluateAtCached(At(0.5)); c.SetRightDerivative(0, 40.0); }},
        {"weight", 0.3, [&](RFCurve& c) { cubic(c); c.EvaluateAtCached(At(0.3)); c.SetRightWeight(0, 0.9f); }},
    };
    for (const Change& change : changes) {
        RFCurve curve;
        MakeRamp(curve);
        curve.SetPreExtrapolationType(RFCurve::ExtrapolationRepetition);
        curve.SetPreExtrapolationRepetition(kUnlimited);
        curve.SetPostExtrapolationType(RFCurve::ExtrapolationKeepSlope);
        curve.SetPostExtrapolationRepetition(kUnlimited);
        const float before = curve.EvaluateAtCached(At(change.at));
        change.apply(curve);
        const float expected = curve.EvaluateAt(At(change.at));
        EXPECT_NE(expected, before) << change.name;
        EXPECT_EQ(curve.EvaluateAtCached(At(change.at)), expected) << change.name;
    }
}

TEST(RFCurveEvaluation, SegmentInterpolationsAndControlValues) {
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

    RFCurve ramp;
    MakeRamp(ramp);
    EXPECT_NEAR(ramp.GetRightControlValue(0), 10.0 / 3.0, 1e-9);
    EXPECT_EQ(ramp.GetRightControlValue(1), 10.0);
    EXPECT_NEAR(ramp.GetLeftControlValue(1), 20.0 / 3.0, 1e-9);
    EXPECT_EQ(ramp.GetLeftControlValue(0), 0.0);
    EXPECT_EQ(ramp.GetLeftControlValue(5), 0.0);
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
