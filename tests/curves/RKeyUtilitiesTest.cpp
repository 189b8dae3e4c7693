#include "curves/RKeyUtilities.h"

#include <gtest/gtest.h>

#include <vector>

#include "curves/RFCurve.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

namespace {

std::vector<int64_t> KeyTicks(const RFCurve& curve) {
    std::vector<int64_t> ticks;
    for (int k = 0; k < curve.GetKeyCount(); ++k) ticks.push_back(curve.GetKey(k).GetTime().GetTicks());
    return ticks;
}

void MakeRamp(RFCurve& curve) { AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Linear, 0); }

}  // namespace

TEST(RKeyUtilities, ResamplingEveryFourTenthsOfASecond) {
    RFCurve source;
    MakeRamp(source);
    RFCurve sampled;
    const RTime period(2 * kSecond / 5);
    ASSERT_TRUE(ResampleCurve(source, sampled, At(0.0), At(1.0), period, RCurveKey::Cubic, RCurveKey::Auto, false));
    EXPECT_EQ(KeyTicks(sampled), (std::vector<int64_t>{0, 2 * kSecond / 5, 4 * kSecond / 5}));
    EXPECT_FLOAT_EQ(sampled.GetKey(2).GetValue(), 8.0f);
    EXPECT_TRUE(sampled.GetKey(1).IsCubicWithMode(RCurveKey::Auto));
    ASSERT_TRUE(ResampleCurve(source, sampled, At(0.0), At(1.0), period, RCurveKey::Linear, 0, true));
    EXPECT_EQ(KeyTicks(sampled), (std::vector<int64_t>{0, 2 * kSecond / 5, 4 * kSecond / 5, kSecond}));
    EXPECT_EQ(sampled.GetKey(3).GetValue(), 10.0f);
    const RTime quarter(kSecond / 4);
    ASSERT_TRUE(ResampleCurve(source, sampled, At(0.0), At(1.0), quarter, RCurveKey::Linear, 0, false));
    EXPECT_EQ(sampled.GetKeyCount(), 5);
    ASSERT_TRUE(ResampleCurve(source, sampled, At(0.0), At(1.0), quarter, RCurveKey::Linear, 0, true));
    EXPECT_EQ(sampled.GetKeyCount(), 5);
}

TEST(RKeyUtilities, ResamplingRefusesBadPeriodsSpansAndTooManySamples) {
    RFCurve source;
    MakeRamp(source);
    RFCurve sampled;
    AddKeys(sampled, {{5.0, 1.0f}});
    EXPECT_FALSE(ResampleCurve(source, sampled, At(0.0), At(1.0), RTime(0), RCurveKey::Linear, 0, true));
    EXPECT_FALSE(ResampleCurve(source, sampled, At(0.0), At(1.0), RTime(-5), RCurveKey::Linear, 0, true));
    EXPECT_FALSE(ResampleCurve(source, sampled, At(1.0), At(1.0), RTime(kSecond), RCurveKey::Linear, 0, true));
    EXPECT_FALSE(ResampleCurve(source, sampled, At(0.0), At(1.0), RTime(1), RCurveKey::Linear, 0, true));
    EXPECT_FALSE(ResampleCurve(source, sampled, RTime(RTime::kSmallest), RTime(RTime::kInfinitelyLate),
                               RTime(kSecond), RCurveKey::Linear, 0, true));
    EXPECT_FALSE(ResampleCurveKeepingTypes(source, sampled, At(0.0), At(1.0), RTime(0), true));
    EXPECT_EQ(KeyTicks(sampled), (std::vector<int64_t>{5 * kSecond}));
}

TEST(RKeyUtilities, ResamplingACurveIntoItself) {
    RFCurve curve;
    MakeRamp(curve);
    ASSERT_TRUE(ResampleCurve(curve, curve, At(0.0), At(1.0), RTime(kSecond / 2), RCurveKey::Linear, 0, false));
    ASSERT_EQ(curve.GetKeyCount(), 3);
    EXPECT_FLOAT_EQ(curve.GetKey(1).GetValue(), 5.0f);
}

TEST(RKeyUtilities, ResamplingKeepsKindsAndUserSlopes) {
    RFCurve source;
    AddKeys(source, {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Cubic, RCurveKey::User);
    source.SetRightDerivative(0, 4.0);
    RCurveKey tcb;
    tcb.SetTensionContinuityBias(At(2.0), 0.0f, 0.0f, 0.0f, 0.0f);
    source.AddKey(At(2.0), tcb);
    RFCurve sampled;
    ASSERT_TRUE(ResampleCurveKeepingTypes(source, sampled, At(0.0), At(3.0), RTime(kSecond / 2), false));
    ASSERT_EQ(sampled.GetKeyCount(), 7);
    EXPECT_TRUE(sampled.GetKey(0).IsCubicWithMode(RCurveKey::User));
    EXPECT_FLOAT_EQ(sampled.GetKey(0).GetDataValue(0), 4.0f);
    // The incoming slope of the sample at 0.5 s is kept where the curve reads it.
    EXPECT_NEAR(sampled.GetLeftDerivative(1), source.GetLeftDerivativeAt(At(0.5)), 1e-4);
    EXPECT_TRUE(sampled.GetKey(4).IsCubicWithMode(RCurveKey::Auto));  // Tcb becomes Auto
    EXPECT_TRUE(sampled.GetKey(6).IsCubicWithMode(RCurveKey::Auto));  // past the keys
}

TEST(RKeyUtilities, CountKeyTypes) {
    RFCurve curve;
    RCurveKeyStats stats;
    stats.linear = 9;
    EXPECT_TRUE(CountKeyTypes(curve, stats));
    EXPECT_EQ(stats.linear, 0u);
    RCurveKey tcb;
    tcb.SetTensionContinuityBias(At(1.0), 1.0f, 0.0f, 0.0f, 0.0f);
    curve.AddKey(At(1.0), tcb);
    EXPECT_TRUE(CountKeyTypes(curve, stats));
    EXPECT_EQ(stats.cubicTcb, 1u);
    EXPECT_EQ(stats.constant + stats.linear + stats.cubicAuto + stats.cubicAutoBreak + stats.cubicUser +
                  stats.cubicUserBreak,
              0u);
    EXPECT_STREQ(GetKeyUtilitiesError().GetLastErrorString(), "");
    EXPECT_EQ(GetKeyUtilitiesError().GetMessageCount(), 5);
}

TEST(RKeyUtilities, SplicingKeepsTheBaseOutsideTheInsertedSpan) {
    RFCurve base;
    for (int s = 0; s <= 10; ++s) base.AddKey(At(s), MakeKey(0.0f, RCurveKey::Cubic, RCurveKey::User));
    base.SetDefaultValue(2.0f);
    RFCurve inserted;
    AddKeys(inserted, {{3.5, 1.0f}, {4.5, 1.0f}, {5.5, 1.0f}}, RCurveKey::Linear, 0);
    RFCurve spliced;
    SpliceCurves(base, inserted, spliced);
    ASSERT_EQ(spliced.GetKeyCount(), 12);
    EXPECT_EQ(spliced.GetKey(3).GetTime(), At(3.0));
    EXPECT_EQ(spliced.GetKey(4).GetTime(), At(3.5));
    EXPECT_EQ(spliced.GetKey(6).GetTime(), At(5.5));
    EXPECT_EQ(spliced.GetKey(7).GetTime(), At(6.0));
    EXPECT_TRUE(spliced.GetKey(6).IsCubicWithMode(RCurveKey::UserBreak));
    // Into one of its own inputs.
    SpliceCurves(base, inserted, base);
    EXPECT_EQ(KeyTicks(base), KeyTicks(spliced));
    // A covering insert replaces everything; an empty one copies the base.
    RFCurve wide;
    AddKeys(wide, {{-1.0, 3.0f}, {20.0, 3.0f}}, RCurveKey::Linear, 0);
    SpliceCurves(spliced, wide, spliced);
    EXPECT_EQ(spliced.GetKeyCount(), 2);
    RFCurve empty;
    SpliceCurves(wide, empty, spliced);
    EXPECT_EQ(spliced.GetKeyCount(), 2);
}
