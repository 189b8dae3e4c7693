#include "curves/RCurveKey.h"
#include "curves/RCurveKeyBlocks.h"

#include <gtest/gtest.h>

#include <limits>

TEST(RCurveKey, WeightsAreClampedFixedPointWords) {
    // 1.5 is clamped to 0.99, stored as 9899 and read back as 9899 x 0.00010001.
    EXPECT_EQ(RCurveKey::EncodeWeight(1.5f), 9899);
    RCurveKey key;
    key.SetDataValue(2, 1.5f);
    EXPECT_FLOAT_EQ(key.GetDataValue(2), 9899 * 0.00010001f);
    EXPECT_NEAR(key.GetDataValue(2), 0.98999899, 1e-6);
    // The minimum weight times 9999 truncates to 0; the smallest non-zero word is stored.
    EXPECT_EQ(RCurveKey::EncodeWeight(0.0f), 1);
    EXPECT_EQ(RCurveKey::EncodeWeight(-3.0f), 1);
    key.SetDataValue(3, 0.0f);
    EXPECT_FLOAT_EQ(key.GetDataValue(3), 0.00010001f);
    EXPECT_EQ(RCurveKey::EncodeWeight(RCurveKey::kDefaultWeight), 3333);
    EXPECT_EQ(RCurveKey::EncodeWeight(std::numeric_limits<float>::quiet_NaN()), 3333);
}

TEST(RCurveKey, WordsSurviveBeingReadAndStoredAgain) {
    for (int word = 1; word <= 9899; ++word) {
        ASSERT_EQ(RCurveKey::EncodeWeight(RCurveKey::DecodeWord(static_cast<int16_t>(word))), word);
    }
    for (int word = -32768; word <= 32767; ++word) {
        ASSERT_EQ(RCurveKey::EncodeVelocity(RCurveKey::DecodeWord(static_cast<int16_t>(word))), word);
    }
    EXPECT_EQ(RCurveKey::EncodeWeight(0.5f), 4999);  // fresh values still truncate
}

TEST(RCurveKey, VelocitiesAreNotClampedButStayInsideAWord) {
    EXPECT_EQ(RCurveKey::EncodeVelocity(0.5f), 4999);
    EXPECT_EQ(RCurveKey::EncodeVelocity(-1.2f), -11998);
    EXPECT_EQ(RCurveKey::EncodeVelocity(10.0f), 32767);
    EXPECT_EQ(RCurveKey::EncodeVelocity(-10.0f), -32768);
    EXPECT_EQ(RCurveKey::EncodeVelocity(std::numeric_limits<float>::infinity()), 32767);
}

TEST(RCurveKey, BecomingCubicResetsWeightsAndVelocitiesOnce) {
    RCurveKey key;
    key.Set(RTime(5), 1.0f, RCurveKey::Linear, 0, 0.0f, 0.0f, RCurveKey::WeightedRight, 0.7f, 0.6f, 1.0f, 2.0f);
    key.SetVelocityMode(RCurveKey::VelocityRight);
    key.SetInterpolation(RCurveKey::Cubic);
    EXPECT_EQ(key.GetInterpolation(), RCurveKey::Cubic);
    EXPECT_EQ(key.GetWeightMode(), 0u);
    EXPECT_EQ(key.GetVelocityMode(), 0u);
    EXPECT_FLOAT_EQ(key.GetDataValue(2), 3333 * 0.00010001f);
    EXPECT_FLOAT_EQ(key.GetDataValue(4), 0.0f);

    key.SetDataValue(2, 0.5f);
    key.SetWeightMode(RCurveKey::WeightedNextLeft, RCurveKey::WeightedNextLeft);
    key.SetInterpolation(RCurveKey::Cubic);
    EXPECT_EQ(key.GetWeightMode(), RCurveKey::WeightedNextLeft);
    EXPECT_FLOAT_EQ(key.GetDataValue(2), 4999 * 0.00010001f);
}

TEST(RCurveKey, SetDeselectsAndTcbBiasOverlaysTheWeightWords) {
    RCurveKey key;
    key.SetSelected(true);
    EXPECT_TRUE(key.IsSelected());
    key.SetTensionContinuityBias(RTime(7), 2.0f, 0.25f, -0.5f, 0.75f);
    EXPECT_FALSE(key.IsSelected());
    EXPECT_EQ(key.GetTangentMode(), RCurveKey::Tcb);
    EXPECT_FLOAT_EQ(key.GetRawData(0), 0.25f);
    EXPECT_FLOAT_EQ(key.GetRawData(1), -0.5f);
    EXPECT_FLOAT_EQ(key.GetRawData(2), 0.75f);
    key.SetDataValue(3, 0.5f);  // writes half of the bias
    EXPECT_NE(key.GetRawData(2), 0.75f);
}

TEST(RCurveKey, OnlyUserSlopesScale) {
    RCurveKey user;
    user.Set(RTime(), 1.0f, RCurveKey::Cubic, RCurveKey::UserBreak, 2.0f, 3.0f, 0, 0.3f, 0.3f, 0.0f, 0.0f);
    user.ScaleUserSlopes(2.0f);
    EXPECT_FLOAT_EQ(user.GetDataValue(0), 4.0f);
    EXPECT_FLOAT_EQ(user.GetDataValue(1), 6.0f);
    RCurveKey automatic;
    automatic.Set(RTime(), 1.0f, RCurveKey::Cubic, RCurveKey::Auto, 50.0f, 0.0f, 0, 0.3f, 0.3f, 0.0f, 0.0f);
    automatic.ScaleUserSlopes(2.0f);
    EXPECT_FLOAT_EQ(automatic.GetDataValue(0), 50.0f);
}

TEST(RCurveKeyBlocks, BlocksHold25KeysAndTheTableGrowsBy64Pointers) {
    RCurveKeyBlocks blocks;
    ASSERT_TRUE(blocks.Reserve(25));
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), 0);
    EXPECT_EQ(blocks.GetTableSize(), 64);
    EXPECT_EQ(blocks.GetCapacity(), 1600);
    ASSERT_TRUE(blocks.Reserve(26));
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), 1);
    EXPECT_EQ(&blocks.Key(24) + 1, &blocks.Key(0) + 25);
    ASSERT_TRUE(blocks.Reserve(1601));
    EXPECT_EQ(blocks.GetTableSize(), 128);
    EXPECT_EQ(blocks.GetCapacity(), 3200);
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), 64);
    blocks.Compact(30);
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), 1);
    EXPECT_EQ(blocks.GetTableSize(), 64);
    blocks.Compact(0);
    EXPECT_EQ(blocks.GetCapacity(), 0);
}

TEST(RCurveKeyBlocks, OverlappingMovesCrossBlocksInBothDirections) {
    RCurveKeyBlocks blocks;
    ASSERT_TRUE(blocks.Reserve(200));
    for (int i = 0; i < 200; ++i) blocks.Key(i).SetValue(static_cast<float>(i));
    blocks.MoveKeys(30, 3, 150);  // up by 27
    for (int i = 0; i < 150; ++i) ASSERT_EQ(blocks.Key(30 + i).GetValue(), 3 + i) << i;
    blocks.MoveKeys(1, 30, 150);  // down by 29
    for (int i = 0; i < 150; ++i) ASSERT_EQ(blocks.Key(1 + i).GetValue(), 3 + i) << i;
}
