// The Bezier-fit key reducer.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "curves/RFCurveFilterKeyReducer.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

namespace {

constexpr double kPi = 3.14159265358979323846;

// count Cubic Auto keys one thirtieth of a second apart, values from the function.
template <typename Function>
void FillKeys(RFCurve& curve, int count, const Function& value) {
    for (int i = 0; i < count; ++i) {
        curve.AddKey(At(i / 30.0), MakeKey(static_cast<float>(value(i)), RCurveKey::Cubic, RCurveKey::Auto));
    }
}

struct SourceKey {
    RTime time;
    float value;
};

std::vector<SourceKey> KeysOf(const RFCurve& curve) {
    std::vector<SourceKey> keys;
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        keys.push_back({curve.GetKey(k).GetTime(), curve.GetKey(k).GetValue()});
    }
    return keys;
}

// A filter that records the ranges it is told about.
class ProgressRecorder : public RFCurveFilterKeyReducer {
public:
    void ReportProgress(int64_t firstKey, int64_t lastKey) override { ranges.push_back({firstKey, lastKey}); }
    std::vector<std::pair<int64_t, int64_t>> ranges;
};

}  // namespace

TEST(RFCurveFilterKeyReducerTest, SineStaysWithinPrecisionAtEverySourceKey) {
    RFCurve curve;
    FillKeys(curve, 200, [](int i) { return 10.0 * std::sin(2.0 * kPi * i / 60.0); });
    const std::vector<SourceKey> source = KeysOf(curve);
    ProgressRecorder filter;
    filter.SetPrecision(0.01);

    ASSERT_TRUE(filter.Apply(curve));
    EXPECT_LT(curve.GetKeyCount(), 100);
    EXPECT_GT(curve.GetKeyCount(), 2);
    EXPECT_EQ(curve.GetKey(0).GetTime(), source.front().time);
    EXPECT_EQ(curve.GetKey(curve.GetKeyCount() - 1).GetTime(), source.back().time);
    for (const SourceKey& key : source) {
        EXPECT_NEAR(curve.EvaluateAt(key.time), key.value, 0.01 + 1e-5);
    }
    ASSERT_FALSE(filter.ranges.empty());
    for (const auto& [first, last] : filter.ranges) {
        EXPECT_LT(first, last);
    }
}

TEST(RFCurveFilterKeyReducerTest, FittedKeysCarryUserSlopesToTheEnd) {
    // A parabola: its last key is entered at a steep slope that an auto ratio would misread.
    RFCurve curve;
    FillKeys(curve, 60, [](int i) { return 0.01 * i * i; });
    RFCurve source;
    source.CopyFrom(curve, true);
    RFCurveFilterKeyReducer filter;
    filter.SetPrecision(0.001);

    ASSERT_TRUE(filter.Apply(curve));
    const int last = curve.GetKeyCount() - 1;
    for (int k = 0; k <= last; ++k) {
        EXPECT_TRUE(curve.GetKey(k).IsCubicWithModeBits(RCurveKey::User)) << "key " << k;
    }
    EXPECT_NEAR(curve.GetLeftDerivative(last), source.GetLeftDerivative(source.GetKeyCount() - 1), 1e-3);
    for (int k = 0; k < source.GetKeyCount(); ++k) {
        EXPECT_NEAR(curve.EvaluateAt(source.GetKey(k).GetTime()), source.GetKey(k).GetValue(), 0.001 + 1e-5);
    }
}

TEST(RFCurveFilterKeyReducerTest, StraightLineKeepsOnlyItsEnds) {
    RFCurve curve;
    FillKeys(curve, 50, [](int i) { return 3.0 + 0.5 * i; });
    RFCurveFilterKeyReducer filter;
    filter.SetPrecision(1e-4);
    ASSERT_TRUE(filter.Apply(curve));
    ASSERT_EQ(curve.GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(25 / 30.0)), 15.5f);
}

// Keys that miss the fit by the same amount split the range in its middle (splitting next to
// an end would make even errors cost a pass over the range per key).
TEST(RFCurveFilterKeyReducerTest, TiedErrorsSplitInTheMiddle) {
    RFCurve curve;
    const float values[] = {0, 10, 10, 10, 10, 10, 10, 10, 0};
    for (int i = 0; i < 9; ++i) curve.AddKey(At(i / 30.0), MakeKey(values[i], RCurveKey::Cubic, RCurveKey::User));
    RFCurveFilterKeyReducer filter;
    filter.SetPrecision(0.01);
    ASSERT_TRUE(filter.Apply(curve));
    std::vector<RTime> kept;
    for (int k = 0; k < curve.GetKeyCount(); ++k) kept.push_back(curve.GetKey(k).GetTime());
    EXPECT_EQ(kept, (std::vector<RTime>{At(0.0), At(1 / 30.0), At(4 / 30.0), At(7 / 30.0), At(8 / 30.0)}));
}

TEST(RFCurveFilterKeyReducerTest, PrecisionZeroMatchesEverySourceKeyExactly) {
    RFCurve curve;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    FillKeys(curve, 20000, [&](int) { return noise(random); });
    const std::vector<SourceKey> source = KeysOf(curve);
    RFCurveFilterKeyReducer filter;
    filter.SetPrecision(0.0);

    // Dense noise needs a deep refinement; it must neither exhaust the stack nor drift.
    ASSERT_TRUE(filter.Apply(curve));
    for (const SourceKey& key : source) {
        ASSERT_EQ(curve.EvaluateAt(key.time), key.value);
    }
}

TEST(RFCurveFilterKeyReducerTest, RefusalsLeaveTheCurveUnchanged) {
    RFCurveFilterKeyReducer filter;
    RFCurve single;
    AddKeys(single, {{0.0, 1.0f}});
    EXPECT_FALSE(filter.Apply(single));
    EXPECT_EQ(filter.GetLastErrorCode(), 1);
    EXPECT_STREQ(filter.GetLastErrorString(), "KeyReducer, No key were changed by filter.");
    EXPECT_EQ(single.GetKeyCount(), 1);

    RFCurve curve;
    FillKeys(curve, 10, [](int i) { return i * i; });
    filter.SetSpan(At(0.1), At(0.1));
    EXPECT_FALSE(filter.Apply(curve));
    EXPECT_STREQ(filter.GetLastErrorString(), "KeyReducer, Invalid Time Span. No key were changed by filter.");
    EXPECT_EQ(curve.GetKeyCount(), 10);
}

TEST(RFCurveFilterKeyReducerTest, SpanLeavesTheKeysAroundItAndTheirSegments) {
    RFCurve curve;
    FillKeys(curve, 121, [](int i) { return 5.0 * std::sin(i / 10.0); });
    RFCurve source;
    source.CopyFrom(curve, true);
    RFCurveFilterKeyReducer filter;
    filter.SetPrecision(0.05);
    filter.SetSpan(At(1.0), At(3.0));

    ASSERT_TRUE(filter.Apply(curve));
    EXPECT_LT(curve.GetKeyCount(), source.GetKeyCount());
    for (int k = 0; k < source.GetKeyCount(); ++k) {
        const RTime time = source.GetKey(k).GetTime();
        if (time <= At(1.0) || time >= At(3.0)) {
            EXPECT_FLOAT_EQ(curve.EvaluateAt(time), source.GetKey(k).GetValue());
        }
        EXPECT_NEAR(curve.EvaluateAt(time), source.GetKey(k).GetValue(), 0.05 + 1e-5);
    }
    // The segments that meet the span keep their shape.
    for (double seconds : {0.98, 3.02}) {
        EXPECT_NEAR(curve.EvaluateAt(At(seconds)), source.EvaluateAt(At(seconds)), 1e-4) << seconds;
    }
}

TEST(RFCurveFilterKeyReducerTest, KeySyncGivesTheReducedCurvesCommonKeyTimes) {
    RFCurve a;
    RFCurve b;
    FillKeys(a, 90, [](int i) { return std::sin(i / 7.0); });
    FillKeys(b, 90, [](int i) { return std::cos(i / 11.0); });
    RFCurve* curves[] = {&a, &b};
    RFCurveFilterKeyReducer filter;
    filter.SetPrecision(0.01);
    filter.SetKeySync(true);

    filter.Apply(curves, 2);
    EXPECT_TRUE(filter.GetKeySync());
    ASSERT_EQ(a.GetKeyCount(), b.GetKeyCount());
    for (int k = 0; k < a.GetKeyCount(); ++k) {
        EXPECT_EQ(a.GetKey(k).GetTime(), b.GetKey(k).GetTime());
    }
    EXPECT_LT(a.GetKeyCount(), 90);
}
