#include "curves/RCurveKey.h"
#include "curves/RCurveKeyBlocks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>

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

namespace {

// Where the storage's keys jump instead of following the previous block at 1024 bytes.
int BreaksBetweenBlocks(const RCurveKeyBlocks& blocks, int firstBlock, int lastBlock) {
    int breaks = 0;
    for (int b = firstBlock + 1; b <= lastBlock; ++b) {
        const auto* previous = reinterpret_cast<const unsigned char*>(&blocks.Key((b - 1) * 25));
        const auto* block = reinterpret_cast<const unsigned char*>(&blocks.Key(b * 25));
        breaks += block != previous + RCurveKeyBlocks::kBlockBytes ? 1 : 0;
    }
    return breaks;
}

}  // namespace

TEST(RCurveKeyBlocks, CurvesGrownTogetherKeepTheirOwnKeysTogether) {
    // Two storages grown block by block in turn, as a reader fills curves frame by frame.
    RCurveKeyBlocks first;
    RCurveKeyBlocks second;
    for (int keys = 25; keys <= 200 * 25; keys += 25) {
        ASSERT_TRUE(first.Reserve(keys));
        ASSERT_TRUE(second.Reserve(keys));
        first.Key(keys - 1).SetValue(1.0f);
        second.Key(keys - 1).SetValue(2.0f);
    }
    for (const RCurveKeyBlocks* blocks : {&first, &second}) {
        // Runs grow to 32 blocks: a handful of jumps early, then one per 32 blocks.
        EXPECT_LE(BreaksBetweenBlocks(*blocks, 0, 199), 16);
        EXPECT_LE(BreaksBetweenBlocks(*blocks, 100, 199), 4);
    }
    // A reservation of many blocks gets them in one piece.
    RCurveKeyBlocks bulk;
    ASSERT_TRUE(bulk.Reserve(30));
    ASSERT_TRUE(bulk.Reserve(150 * 25));
    EXPECT_EQ(BreaksBetweenBlocks(bulk, 0, 1), 0);
    EXPECT_EQ(BreaksBetweenBlocks(bulk, 2, 149), 0);
    for (int b = 0; b < 200; ++b) {
        ASSERT_EQ(first.Key(b * 25 + 24).GetValue(), 1.0f) << b;
        ASSERT_EQ(second.Key(b * 25 + 24).GetValue(), 2.0f) << b;
        ASSERT_EQ(first.Key(b * 25).GetValue(), 0.0f) << b;
    }
}

TEST(RCurveKeyBlocks, BlocksHandedOutAgainInsideAKeptRunAreZeroed) {
    RCurveKeyBlocks blocks;
    ASSERT_TRUE(blocks.Reserve(100 * 25));
    for (int i = 0; i < 100 * 25; ++i) blocks.Key(i).SetValue(7.0f);
    // Block 70 shares its run with the blocks after it, which are given up and taken again.
    for (const int kept : {71 * 25, 5 * 25, 71 * 25 - 3}) {
        blocks.Compact(kept);
        EXPECT_EQ(blocks.GetLastAllocatedBlock(), (kept - 1) / 25);
        ASSERT_TRUE(blocks.Reserve(100 * 25));
        EXPECT_EQ(blocks.GetLastAllocatedBlock(), 99);
        for (int i = 0; i < 100 * 25; ++i) {
            const float expected = i < (kept + 24) / 25 * 25 ? 7.0f : 0.0f;
            ASSERT_EQ(blocks.Key(i).GetValue(), expected) << kept << " " << i;
        }
        for (int i = 0; i < 100 * 25; ++i) blocks.Key(i).SetValue(7.0f);
    }
    // A copy into the reused blocks takes the other storage's keys whole.
    RCurveKeyBlocks source;
    ASSERT_TRUE(source.Reserve(120 * 25));
    for (int i = 0; i < 120 * 25; ++i) source.Key(i).SetValue(static_cast<float>(i));
    blocks.Compact(10 * 25);
    ASSERT_TRUE(blocks.CopyBlocksFrom(source, 120 * 25));
    for (int i = 0; i < 120 * 25; ++i) ASSERT_EQ(blocks.Key(i).GetValue(), static_cast<float>(i)) << i;
    blocks.Release();
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), -1);
}

namespace {

bool IsZeroKey(const RCurveKey& key) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&key);
    return std::all_of(bytes, bytes + sizeof(RCurveKey), [](unsigned char b) { return b == 0; });
}

}  // namespace

TEST(RCurveKeyBlocks, KeysReservedToOverwriteLeaveOnlyTheRestOfTheirLastBlockZeroed) {
    // Memory that held keys before, which a new run may well be cut from again.
    auto used = std::make_unique<RCurveKeyBlocks>();
    ASSERT_TRUE(used->Reserve(120 * 25));
    for (int i = 0; i < 120 * 25; ++i) used->Key(i) = RCurveKey::Plain(RTime(i + 1), 7.0f);
    used.reset();

    RCurveKeyBlocks blocks;
    ASSERT_TRUE(blocks.Reserve(30));
    for (int i = 0; i < 30; ++i) blocks.Key(i).SetValue(1.0f);
    ASSERT_TRUE(blocks.ReserveToOverwrite(60));
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), 2);
    // Blocks that were there stay as they were; the new last block is zero past key 59.
    for (int i = 0; i < 30; ++i) ASSERT_EQ(blocks.Key(i).GetValue(), 1.0f) << i;
    for (int i = 30; i < 50; ++i) ASSERT_TRUE(IsZeroKey(blocks.Key(i))) << i;
    for (int i = 60; i < 75; ++i) ASSERT_TRUE(IsZeroKey(blocks.Key(i))) << i;
    for (int i = 50; i < 60; ++i) blocks.Key(i).SetValue(2.0f);
    // Fewer keys than are there reserve nothing.
    ASSERT_TRUE(blocks.ReserveToOverwrite(70));
    EXPECT_EQ(blocks.GetLastAllocatedBlock(), 2);
    EXPECT_EQ(blocks.Key(55).GetValue(), 2.0f);

    // A bulk reservation: every new block but the tail past its keys is the caller's.
    RCurveKeyBlocks bulk;
    ASSERT_TRUE(bulk.ReserveToOverwrite(100 * 25 - 7));
    EXPECT_EQ(bulk.GetLastAllocatedBlock(), 99);
    for (int i = 100 * 25 - 7; i < 100 * 25; ++i) ASSERT_TRUE(IsZeroKey(bulk.Key(i))) << i;
    // Given back and taken again, its blocks are zeroed as any handed out.
    for (int i = 0; i < 100 * 25; ++i) bulk.Key(i) = RCurveKey::Plain(RTime(i + 1), 3.0f);
    bulk.Compact(10 * 25);
    ASSERT_TRUE(bulk.Reserve(30 * 25));
    for (int i = 10 * 25; i < 30 * 25; ++i) ASSERT_TRUE(IsZeroKey(bulk.Key(i))) << i;
}
