#include "curves/AutoTangents.h"
#include "curves/RFCurve.h"

#include <gtest/gtest.h>

#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

TEST(RFCurveTangents, AutoTangentsFromRatios) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}, {2.0, 10.0f}});
    EXPECT_DOUBLE_EQ(curve.GetLeftDerivative(1), 5.0);
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(1), 5.0);
    ASSERT_TRUE(curve.SetLeftAutoRatio(1, 100.0));
    ASSERT_TRUE(curve.SetRightAutoRatio(1, 100.0));
    EXPECT_DOUBLE_EQ(curve.GetLeftDerivative(1), 10.0);
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(1), 0.0);
    EXPECT_DOUBLE_EQ(curve.GetLeftAutoRatio(1), 100.0);
    // The end keys: incoming equals outgoing at the first key, and the reverse at the last.
    EXPECT_DOUBLE_EQ(curve.GetLeftDerivative(0), curve.GetRightDerivative(0));
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(2), curve.GetLeftDerivative(2));
    // A slope given to an Auto key is stored as the ratio that gives it.
    ASSERT_TRUE(curve.SetRightDerivative(1, -2.5));
    ASSERT_TRUE(curve.SetLeftDerivative(1, 7.0));
    EXPECT_NEAR(curve.GetRightDerivative(1), -2.5, 1e-4);
    EXPECT_NEAR(curve.GetLeftDerivative(1), 7.0, 1e-4);
    EXPECT_FALSE(curve.SetRightDerivative(2, 1.0));
    EXPECT_FALSE(curve.SetLeftDerivative(0, 1.0));
}

TEST(RFCurveTangents, SlopeAndRatioRoundTripInEveryZone) {
    const double neighbours[][2] = {{2.0, 7.0}, {7.0, 2.0}, {-3.0, 4.0}};
    for (const auto& lr : neighbours) {
        for (double ratio : {-900.0, -501.0, -300.0, 0.0, 42.0, 250.0, 499.0, 650.0, 1200.0}) {
            const double left = AutoSlopeFromRatioLeft(ratio, lr[0], lr[1]);
            EXPECT_NEAR(AutoRatioFromSlopeLeft(left, lr[0], lr[1]), ratio, 1e-6) << ratio;
            const double right = AutoSlopeFromRatioRight(ratio, lr[0], lr[1]);
            EXPECT_NEAR(AutoRatioFromSlopeRight(right, lr[0], lr[1]), ratio, 1e-6) << ratio;
        }
    }
    // Equal neighbours: a slope in the linear zone maps to ratio 0.
    EXPECT_EQ(AutoRatioFromSlopeLeft(3.0, 3.0, 3.0), 0.0);
    EXPECT_EQ(AutoRatioFromSlopeRight(3.0, 3.0, 3.0), 0.0);
}

TEST(RFCurveTangents, TcbWithZeroParametersIsCatmullRom) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 4.0f}, {2.0, 10.0f}});
    RCurveKey tcb = MakeTcb(4.0f, 0.0f, 0.0f, 0.0f);
    tcb.SetTime(At(1.0));
    ASSERT_EQ(curve.ReplaceKey(1, tcb), 0);
    EXPECT_DOUBLE_EQ(curve.GetLeftDerivative(1), 5.0);
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(1), 5.0);
    tcb.SetRawData(0, 1.0f);  // full tension
    curve.ReplaceKey(1, tcb);
    EXPECT_DOUBLE_EQ(curve.GetLeftDerivative(1), 0.0);
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(1), 0.0);
}

TEST(RFCurveTangents, UnbrokenUserKeysKeepEqualSlopes) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 1.0f}, {2.0, 0.0f}}, RCurveKey::Cubic, RCurveKey::User);
    curve.SetLeftDerivative(1, 3.0);
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(1), 3.0);
    curve.GetKey(1).SetTangentMode(RCurveKey::UserBreak);
    curve.SetLeftDerivative(1, -2.0);
    EXPECT_DOUBLE_EQ(curve.GetLeftDerivative(1), -2.0);
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(1), 3.0);
    ASSERT_TRUE(curve.SetRightControlValue(0, 2.0));
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(0), 6.0);
}

TEST(RFCurveTangents, TangentInfoRoundTripsWeightsAndVelocities) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 1.0f}, {2.0, 0.0f}}, RCurveKey::Cubic, RCurveKey::UserBreak);
    curve.SetLeftWeight(1, 0.5f);
    curve.SetLeftVelocity(1, 1.25f);
    curve.SetLeftDerivative(1, 2.0);
    const RCurveKeyTangentInfo info = curve.GetLeftTangentInfo(1);
    EXPECT_TRUE(info.weighted);
    EXPECT_NEAR(info.weight, 0.5f, 1e-4);
    EXPECT_TRUE(info.velocityOn);
    EXPECT_NEAR(info.velocity, 1.25f, 1e-4);
    EXPECT_FLOAT_EQ(info.slope, 2.0f);
    RFCurve other;
    AddKeys(other, {{0.0, 0.0f}, {1.0, 1.0f}, {2.0, 0.0f}}, RCurveKey::Cubic, RCurveKey::UserBreak);
    ASSERT_TRUE(other.SetLeftTangentInfo(1, info));
    const RCurveKeyTangentInfo copied = other.GetLeftTangentInfo(1);
    EXPECT_EQ(copied.weighted, info.weighted);
    EXPECT_EQ(copied.weight, info.weight);
    EXPECT_EQ(copied.velocity, info.velocity);
    EXPECT_EQ(copied.slope, info.slope);
    EXPECT_FALSE(other.SetLeftTangentInfo(0, info));
    EXPECT_EQ(other.GetRightVelocity(2), 0.0f);
    EXPECT_EQ(other.GetRightWeight(2), RCurveKey::kDefaultWeight);
}

// Removing a key restores the incoming side of the key after it, and nothing else: a Tcb key
// before it keeps its bias, a User key whose slopes differ keeps its outgoing one.
TEST(RFCurveTangents, RemovingAKeyKeepsTheSidesOfItsNeighbours) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 2.0f}, {2.0, 5.0f}, {3.0, 1.0f}, {4.0, 2.0f}}, RCurveKey::Cubic,
            RCurveKey::UserBreak);
    RCurveKey tcb = MakeTcb(2.0f, 0.1f, 0.2f, 0.25f);
    tcb.SetTime(At(1.0));
    ASSERT_EQ(curve.ReplaceKey(1, tcb), 0);
    curve.SetLeftWeight(3, 0.6f);
    curve.GetKey(3).SetTangentMode(RCurveKey::User);
    curve.GetKey(3).SetDataValue(0, 4.0f);  // an unbroken key from a file may have two slopes
    ASSERT_EQ(curve.RemoveKey(2), 0);
    EXPECT_FLOAT_EQ(curve.GetKey(1).GetRawData(2), 0.25f);
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(2), 4.0);
    EXPECT_FALSE(curve.IsLeftWeighted(2));
    EXPECT_FALSE(curve.SetLeftWeight(2, 0.5f));
    EXPECT_FALSE(curve.SetRightWeighted(1, true));
    EXPECT_FLOAT_EQ(curve.GetKey(1).GetRawData(2), 0.25f);
    // A range removal the same.
    curve.AddKey(At(2.0), MakeKey(3.0f, RCurveKey::Cubic, RCurveKey::Auto));
    curve.AddKey(At(2.5), MakeKey(3.0f, RCurveKey::Cubic, RCurveKey::Auto));
    ASSERT_TRUE(curve.RemoveKeys(2, 3));
    EXPECT_DOUBLE_EQ(curve.GetRightDerivative(2), 4.0);
}
