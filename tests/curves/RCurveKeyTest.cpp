#include "curves/RCurveKey.h"
#include "curves/RCurveKeyBlocks.h"

#include <gtest/gtest.h>

#include <limits>

TEST(RCurveKey, WeightsAndVelocitiesAreFixedPointWords) {
    // Weights are clamped to 0.00010001..0.99 (the smallest word is 1); velocities only to a word.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::pair<float, int> weights[] = {{1.5f, 9899}, {0.0f, 1}, {-3.0f, 1}, {RCurveKey::kDefaultWeight, 3333},
                                             {nan, 3333}, {0.5f, 4999}};
    for (const auto& [weight, word] : weights) EXPECT_EQ(RCurveKey::EncodeWeight(weight), word) << weight;
    const std::pair<float, int> velocities[] = {{0.5f, 4999}, {-1.2f, -11998}, {10.0f, 32767}, {-10.0f, -32768},
                                                {std::numeric_limits<float>::infinity(), 32767}};
    for (const auto& [velocity, word] : velocities) EXPECT_EQ(RCurveKey::EncodeVelocity(velocity), word) << velocity;
    RCurveKey key;
    key.SetDataValue(2, 1.5f);
    EXPECT_NEAR(key.GetDataValue(2), 0.98999899, 1e-6);
    key.SetDataValue(3, 0.0f);
    EXPECT_FLOAT_EQ(key.GetDataValue(3), 0.00010001f);
    // A word read back and stored again keeps its value.
    for (int word = 1; word <= 9899; ++word) {
        ASSERT_EQ(RCurveKey::EncodeWeight(RCurveKey::DecodeWord(static_cast<int16_t>(word))), word);
    }
    for (int word = -32768; word <= 32767; ++word) {
        ASSERT_EQ(RCurveKey::EncodeVelocity(RCurveKey::DecodeWord(static_cast<int16_t>(word))), word);
    }
}

TEST(RCurveKey, BecomingCubicResetsWeightsAndVelocitiesOnce) {
    RCurveKey key;
    key.Set(RTime(5), 1.0f, RCurveKey::Linear, 0, 0.0f, 0.0f, RCurveKey::WeightedRight, 0.7f, 0.6f, 1.0f, 2.0f);
    key.SetVelocityMode(RCurveKey::VelocityRight);
    key.SetInterpolation(RCurveKey::Cubic);
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

TEST(RCurveKey, TcbBiasOverlaysTheWeightWordsAndOnlyUserSlopesScale) {
    RCurveKey key;
    key.SetSelected(true);
    key.SetTensionContinuityBias(RTime(7), 2.0f, 0.25f, -0.5f, 0.75f);
    EXPECT_FALSE(key.IsSelected());
    EXPECT_EQ(key.GetTangentMode(), RCurveKey::Tcb);
    EXPECT_EQ(key.GetRawData(0), 0.25f);
    EXPECT_EQ(key.GetRawData(1), -0.5f);
    EXPECT_EQ(key.GetRawData(2), 0.75f);
    key.SetDataValue(3, 0.5f);  // writes half of the bias
    EXPECT_NE(key.GetRawData(2), 0.75f);

    for (const uint32_t mode : {RCurveKey::UserBreak, RCurveKey::Auto}) {
        RCurveKey scaled;
        scaled.Set(RTime(), 1.0f, RCurveKey::Cubic, mode, 2.0f, 3.0f, 0, 0.3f, 0.3f, 0.0f, 0.0f);
        scaled.ScaleUserSlopes(2.0f);
        EXPECT_EQ(scaled.GetDataValue(0), mode == RCurveKey::Auto ? 2.0f : 4.0f);
        EXPECT_EQ(scaled.GetDataValue(1), mode == RCurveKey::Auto ? 3.0f : 6.0f);
    }
}

TEST(RCurveKeyBlocks, BlocksHold25KeysAndTheTableGrowsBy64Pointers) {
    RCurveKeyBlocks blocks;
    ASSERT_TRUE(blocks.Reserve(25));
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), 0);
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
