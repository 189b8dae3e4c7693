// The gimbal killer, the unroll filter and the resample filter.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "core/RTimeMode.h"
#include "curves/RFCurveFilterGimbleKiller.h"
#include "curves/RFCurveFilterResample.h"
#include "curves/RFCurveFilterUnroll.h"
#include "CurveNodeTestSupport.h"
#include "CurveTestSupport.h"

using namespace curve_test;
using namespace curve_node_test;

namespace {

using Triple = std::array<float, 3>;

struct CurveDeleter {
    void operator()(RFCurve* curve) const { RFCurve::Destroy(curve); }
};
using CurvePtr = std::unique_ptr<RFCurve, CurveDeleter>;

// A rotation node "R" (Euler XYZ) with one key per triple at the given times.
NodePtr MakeRotation(const std::vector<std::pair<double, Triple>>& keys) {
    NodePtr node(MakeVectorNode("R", Type("Lcl Rotation"), {0, 0, 0}, RFCurveNode::LayerRotation));
    for (const auto& [seconds, triple] : keys) {
        for (int c = 0; c < 3; ++c) {
            ChannelCurve(*node, c).AddKey(At(seconds), MakeKey(triple[c], RCurveKey::Cubic, RCurveKey::Auto));
        }
    }
    return node;
}

Triple KeyTriple(const RFCurveNode& node, int k) {
    return {ChannelCurve(node, 0).GetKey(k).GetValue(), ChannelCurve(node, 1).GetKey(k).GetValue(),
            ChannelCurve(node, 2).GetKey(k).GetValue()};
}

double SquaredStep(const Triple& a, const Triple& b) {
    double sum = 0.0;
    for (int c = 0; c < 3; ++c) {
        sum += (static_cast<double>(a[c]) - b[c]) * (static_cast<double>(a[c]) - b[c]);
    }
    return sum;
}

void ExpectTriple(const Triple& actual, const Triple& expected) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(actual[c], expected[c], 1e-3) << "channel " << c;
    }
}

}  // namespace

// ---- Gimbal killer ---------------------------------------------------------------------------

TEST(RFCurveFilterGimbleKillerTest, SubdividesLargeEulerSteps) {
    NodePtr node = MakeRotation({{0, {0, 0, 0}}, {1, {0, 0, 170}}});
    RFCurveFilterGimbleKiller filter;
    ASSERT_TRUE(filter.Apply(*node, false));
    const RFCurve& x = ChannelCurve(*node, 0);
    ASSERT_GT(x.GetKeyCount(), 2);
    EXPECT_NEAR(x.GetKey(1).GetTime().ToSeconds(), 0.0625, 1e-9);
    ExpectTriple(KeyTriple(*node, x.GetKeyCount() - 1), {0, 0, 170});
    EXPECT_EQ(x.GetKey(x.GetKeyCount() - 1).GetTime(), At(1));
    for (int k = 1; k < x.GetKeyCount(); ++k) {
        EXPECT_LT(SquaredStep(KeyTriple(*node, k - 1), KeyTriple(*node, k)), 75.0) << k;
        EXPECT_LT(x.GetKey(k - 1).GetTime(), x.GetKey(k).GetTime());
        const RCurveKey& key = x.GetKey(k);
        EXPECT_EQ(key.GetInterpolation(), RCurveKey::Cubic);
        EXPECT_EQ(key.GetTangentMode(), RCurveKey::Auto);
    }
}

TEST(RFCurveFilterGimbleKillerTest, SmallStepsAndCloseKeysAreCopied) {
    NodePtr small = MakeRotation({{0, {0, 0, 0}}, {1, {4, 4, 4}}, {2, {8, 8, 8}}});
    RFCurveFilterGimbleKiller filter;
    ASSERT_TRUE(filter.Apply(*small, false));
    EXPECT_EQ(ChannelCurve(*small, 0).GetKeyCount(), 3);

    // Closer than 1/1200 s: never split, however far apart.
    NodePtr close = MakeRotation({{0, {0, 0, 0}}, {0.0008, {0, 0, 120}}});
    ASSERT_TRUE(filter.Apply(*close, false));
    EXPECT_EQ(ChannelCurve(*close, 0).GetKeyCount(), 2);
}

TEST(RFCurveFilterGimbleKillerTest, MakesKeysContinuousOverTheWholeCurve) {
    NodePtr node = MakeRotation({{0, {0, 0, 170}}, {1, {0, 0, -170}}});
    RFCurveFilterGimbleKiller filter;
    ASSERT_TRUE(filter.Apply(*node, false));
    const int last = ChannelCurve(*node, 0).GetKeyCount() - 1;
    EXPECT_EQ(last, 3);  // keys at 0.25 and 0.625 s between them
    ExpectTriple(KeyTriple(*node, last), {0, 0, 190});
}

TEST(RFCurveFilterGimbleKillerTest, RefusesWhatIsNotThreeRotationCurves) {
    RFCurveFilterGimbleKiller filter;
    CurvePtr a(RFCurve::Create());
    CurvePtr b(RFCurve::Create());
    RFCurve* two[] = {a.get(), b.get()};
    EXPECT_FALSE(filter.Apply(two, 2));
    EXPECT_STREQ(filter.GetLastErrorString(), "Need 3 RFCurve to apply a gimble killer filter.");
    EXPECT_FALSE(filter.Apply(*a));
    EXPECT_EQ(filter.GetLastErrorCode(), 2);

    NodePtr pair(RFCurveNode::Create("R", nullptr, RFCurveNode::LayerRotation));
    pair->AddChild(MakeLeaf("X", 0));
    pair->AddChild(MakeLeaf("Y", 0));
    EXPECT_FALSE(filter.Apply(*pair, false));
    EXPECT_STREQ(filter.GetLastErrorString(), "Gimble Killer. ioCurveNode does not have 3 childs.");

    NodePtr translation(MakeVectorNode("T", Type("Lcl Translation"), {0, 0, 0}));
    EXPECT_FALSE(filter.Apply(*translation, false));
    EXPECT_EQ(filter.GetLastErrorCode(), 3);
    NodePtr unkeyed = MakeRotation({});
    EXPECT_FALSE(filter.Apply(*unkeyed, false));
    EXPECT_EQ(filter.GetLastErrorCode(), 0);
}

TEST(RFCurveFilterGimbleKillerTest, ThreeLooseCurvesComeBackFiltered) {
    CurvePtr curves[3] = {CurvePtr(RFCurve::Create()), CurvePtr(RFCurve::Create()), CurvePtr(RFCurve::Create())};
    AddKeys(*curves[0], {{0, 0}, {1, 0}});
    AddKeys(*curves[1], {{0, 0}, {1, 0}});
    AddKeys(*curves[2], {{0, 0}, {1, 170}});
    RFCurve* raw[] = {curves[0].get(), curves[1].get(), curves[2].get()};
    RFCurveFilterGimbleKiller filter;
    EXPECT_TRUE(filter.Apply(raw, 3));
    EXPECT_GT(curves[2]->GetKeyCount(), 2);
}

// ---- Unroll ----------------------------------------------------------------------------------

TEST(RFCurveFilterUnrollTest, PicksTheNearestEquivalentTriple) {
    NodePtr node = MakeRotation({{0, {0, 0, 170}}, {1, {0, 0, -170}}});
    RFCurveFilterUnroll filter;
    EXPECT_EQ(filter.GetPrecision(), 0.25);
    ASSERT_TRUE(filter.Apply(*node, false));
    ExpectTriple(KeyTriple(*node, 1), {0, 0, 190});

    // From a span starting at a later key, that key's own triple is the reference.
    NodePtr flipped = MakeRotation({{0, {170, 10, 170}}, {1, {170, 10, 170}}, {2, {-12, 172, -12}}});
    filter.SetStartTime(At(1));
    ASSERT_TRUE(filter.Apply(*flipped, false));
    ExpectTriple(KeyTriple(*flipped, 2), {168, 8, 168});
    filter.Reset();

    NodePtr turned = MakeRotation({{0, {370, 0, 0}}, {1, {375, 0, 0}}});
    ASSERT_TRUE(filter.Apply(*turned, false));
    ExpectTriple(KeyTriple(*turned, 0), {10, 0, 0});
    ExpectTriple(KeyTriple(*turned, 1), {15, 0, 0});
}

TEST(RFCurveFilterUnrollTest, KeysOutsideTheSpanStay) {
    NodePtr node = MakeRotation({{0, {0, 0, 0}}, {1, {0, 0, 170}}, {2, {0, 0, -170}}, {3, {0, 0, 150}}});
    RFCurveFilterUnroll filter;
    filter.SetSpan(At(0), At(2));
    ASSERT_TRUE(filter.Apply(*node, false));
    ExpectTriple(KeyTriple(*node, 0), {0, 0, 0});
    ExpectTriple(KeyTriple(*node, 1), {0, 0, 170});
    ExpectTriple(KeyTriple(*node, 2), {0, 0, 190});
    ExpectTriple(KeyTriple(*node, 3), {0, 0, 150});
}

// The keys after the span join the unrolled ones by one whole turn for all of them, so the
// rotation stays continuous there and each key keeps its orientation.
TEST(RFCurveFilterUnrollTest, KeysAfterTheSpanJoinTheUnrolledOnes) {
    NodePtr node = MakeRotation(
        {{0, {0, 0, 0}}, {1, {0, 0, 170}}, {2, {0, 0, -170}}, {3, {0, 0, -150}}, {4, {0, 0, -130}}});
    RFCurveFilterUnroll filter;
    filter.SetSpan(At(0), At(2));
    ASSERT_TRUE(filter.Apply(*node, false));
    ExpectTriple(KeyTriple(*node, 2), {0, 0, 190});
    ExpectTriple(KeyTriple(*node, 3), {0, 0, 210});
    ExpectTriple(KeyTriple(*node, 4), {0, 0, 230});
}

TEST(RFCurveFilterUnrollTest, ThreeLooseCurvesAndRefusals) {
    CurvePtr curves[3] = {CurvePtr(RFCurve::Create()), CurvePtr(RFCurve::Create()), CurvePtr(RFCurve::Create())};
    AddKeys(*curves[0], {{0, 0}, {1, 0}});
    AddKeys(*curves[1], {{0, 0}, {1, 0}});
    AddKeys(*curves[2], {{0, 170}, {1, -170}});
    RFCurve* raw[] = {curves[0].get(), curves[1].get(), curves[2].get()};
    RFCurveFilterUnroll filter;
    EXPECT_TRUE(filter.Apply(raw, 3));
    EXPECT_FLOAT_EQ(curves[2]->GetKey(1).GetValue(), 190.0f);

    EXPECT_FALSE(filter.Apply(raw, 2));
    EXPECT_EQ(filter.GetLastErrorCode(), 2);
    EXPECT_STREQ(filter.GetLastErrorString(), "Unroll Filter, Works only on rotation CurveNodes.");

    NodePtr translation(MakeVectorNode("T", Type("Lcl Translation"), {0, 0, 0}));
    AddKeys(ChannelCurve(*translation, 2), {{0, 170}, {1, -170}});
    EXPECT_FALSE(filter.Apply(*translation, false));
    EXPECT_FLOAT_EQ(ChannelCurve(*translation, 2).GetKey(1).GetValue(), -170.0f);

    NodePtr unkeyed = MakeRotation({});
    EXPECT_FALSE(filter.Apply(*unkeyed, false));
    EXPECT_STREQ(filter.GetLastErrorString(), "Unroll Filter, No key to be filtered.");
}

// ---- Resample --------------------------------------------------------------------------------

TEST(RFCurveFilterResampleTest, ReplacesTheKeysAtThePeriod) {
    CurvePtr curve(RFCurve::Create());
    AddKeys(*curve, {{0, 0}, {1, 4}}, RCurveKey::Linear);
    RFCurveFilterResample filter;
    RTime frame;
    frame.SetFromTimecode(0, 0, 0, 1, 0, 0);
    EXPECT_EQ(filter.GetPeriod(), frame);
    filter.SetPeriod(At(0.25));
    ASSERT_TRUE(filter.Apply(*curve));
    ASSERT_EQ(curve->GetKeyCount(), 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(curve->GetKey(k).GetTime(), At(0.25 * k));
        EXPECT_NEAR(curve->GetKey(k).GetValue(), k, 1e-5);
        EXPECT_EQ(curve->GetKey(k).GetInterpolation(), RCurveKey::Cubic);
    }
}

TEST(RFCurveFilterResampleTest, BadPeriodsAndIntervals) {
    RFCurveFilterResample filter;
    CurvePtr curve(RFCurve::Create());
    EXPECT_FALSE(filter.Apply(*curve));
    EXPECT_STREQ(filter.GetLastErrorString(), "Bad Interval");
    AddKeys(*curve, {{0, 0}, {1, 4}});
    filter.SetPeriod(RTime());
    EXPECT_FALSE(filter.Apply(*curve));
    EXPECT_STREQ(filter.GetLastErrorString(), "Bad Period");
    filter.SetPeriod(RTime(-5));
    EXPECT_FALSE(filter.Apply(*curve));
    EXPECT_EQ(filter.GetLastErrorCode(), 0);
    // A tick per key over a second would be billions of keys: refused, the curve kept.
    filter.SetPeriod(RTime(1));
    EXPECT_FALSE(filter.Apply(*curve));
    EXPECT_STREQ(filter.GetLastErrorString(), "Bad Period");
    EXPECT_EQ(curve->GetKeyCount(), 2);
}

TEST(RFCurveFilterResampleTest, AlignsThePositiveStartToThePeriod) {
    const int64_t period = kSecond / 10;
    RFCurveFilterResample filter;
    filter.SetPeriod(RTime(period));
    filter.SetAlignToPeriod(true);
    EXPECT_TRUE(filter.GetAlignToPeriod());

    CurvePtr curve(RFCurve::Create());
    AddKeys(*curve, {{0, 0}, {1, 1}}, RCurveKey::Linear);
    filter.SetSpan(RTime(period * 3 / 2), RTime(period * 5));
    ASSERT_TRUE(filter.Apply(*curve));
    EXPECT_EQ(curve->GetKey(1).GetTime(), RTime(period * 2));

    CurvePtr early(RFCurve::Create());
    AddKeys(*early, {{-1, 0}, {1, 1}}, RCurveKey::Linear);
    filter.SetSpan(RTime(-period * 3 / 2), RTime(period * 5));
    ASSERT_TRUE(filter.Apply(*early));
    EXPECT_EQ(early->GetKey(1).GetTime(), RTime(-period * 3 / 2));
}
