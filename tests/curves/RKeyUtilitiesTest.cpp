#include "curves/RKeyUtilities.h"

#include <gtest/gtest.h>

#include <vector>

#include "curves/RFCurve.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

TEST(RKeyUtilities, ResamplingAtAPeriod) {
    RFCurve source;
    MakeRamp(source);
    struct Case {
        int64_t period;
        bool includeStop;
        std::vector<double> keys;
    };
    const Case cases[] = {{2 * kSecond / 5, false, {0, 0.4, 0.8}}, {2 * kSecond / 5, true, {0, 0.4, 0.8, 1}},
                          {kSecond / 4, false, {0, 0.25, 0.5, 0.75, 1}}, {kSecond / 4, true, {0, 0.25, 0.5, 0.75, 1}}};
    for (const Case& test : cases) {
        RFCurve sampled;
        ASSERT_TRUE(ResampleCurve(source, sampled, At(0.0), At(1.0), RTime(test.period), RCurveKey::Cubic,
                                  RCurveKey::Auto, test.includeStop));
        EXPECT_EQ(KeySeconds(sampled), test.keys);
        for (int k = 0; k < sampled.GetKeyCount(); ++k) {
            EXPECT_FLOAT_EQ(sampled.GetKey(k).GetValue(), static_cast<float>(10.0 * test.keys[k]));
            EXPECT_TRUE(sampled.GetKey(k).IsCubicWithMode(RCurveKey::Auto));
        }
    }
    // Into itself.
    ASSERT_TRUE(ResampleCurve(source, source, At(0.0), At(1.0), RTime(kSecond / 2), RCurveKey::Linear, 0, false));
    ASSERT_EQ(source.GetKeyCount(), 3);
    EXPECT_FLOAT_EQ(source.GetKey(1).GetValue(), 5.0f);
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
    EXPECT_EQ(KeySeconds(sampled), (std::vector<double>{5}));
}

TEST(RKeyUtilities, ResamplingKeepsKindsAndUserSlopes) {
    RFCurve source;
    AddKeys(source, {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Cubic, RCurveKey::User);
    source.SetRightDerivative(0, 4.0);
    source.AddKey(At(2.0), MakeTcb(0.0f, 0.0f, 0.0f, 0.0f));
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
    curve.AddKey(At(1.0), MakeTcb(1.0f, 0.0f, 0.0f, 0.0f));
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
    EXPECT_EQ(KeySeconds(spliced), (std::vector<double>{0, 1, 2, 3, 3.5, 4.5, 5.5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(spliced.GetKey(6).IsCubicWithMode(RCurveKey::UserBreak));
    // Into one of its own inputs.
    SpliceCurves(base, inserted, base);
    EXPECT_EQ(KeySeconds(base), KeySeconds(spliced));
    // A covering insert replaces everything; an empty one copies the base.
    RFCurve wide;
    AddKeys(wide, {{-1.0, 3.0f}, {20.0, 3.0f}}, RCurveKey::Linear, 0);
    SpliceCurves(spliced, wide, spliced);
    EXPECT_EQ(spliced.GetKeyCount(), 2);
    RFCurve empty;
    SpliceCurves(wide, empty, spliced);
    EXPECT_EQ(spliced.GetKeyCount(), 2);
}
