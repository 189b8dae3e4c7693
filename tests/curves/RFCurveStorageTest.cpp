#include "curves/RFCurve.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

TEST(RFCurveStorage, AddingAtAnExistingTimeReplacesAndIndexesFollowTime) {
    RFCurve curve;
    AddKeys(curve, {{1.0, 1.0f}, {2.0, 2.0f}});
    EXPECT_EQ(curve.AddKey(At(1.0), MakeKey(9.0f, RCurveKey::Linear, 0)), 0);
    EXPECT_EQ(curve.GetKeyCount(), 2);
    EXPECT_EQ(curve.GetKey(0).GetValue(), 9.0f);
    EXPECT_EQ(curve.GetKey(0).GetInterpolation(), RCurveKey::Linear);
    EXPECT_EQ(curve.AddKey(At(0.0), MakeKey(0.0f, RCurveKey::Linear, 0)), 0);
    int hint = 0;
    EXPECT_EQ(curve.AddKey(At(5.0), MakeKey(5.0f, RCurveKey::Linear, 0), &hint), 3);
    EXPECT_EQ(hint, 3);
    EXPECT_EQ(curve.GetKey(3).GetTime(), At(5.0));
}

TEST(RFCurveStorage, ThousandsOfKeysInAnyOrderStaySortedAndGrowTheTable) {
    RFCurve curve;
    std::vector<int> order(5000);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    for (int i : order) {
        ASSERT_GE(curve.AddKey(RTime(i * 1000LL), MakeKey(static_cast<float>(i), RCurveKey::Linear, 0)), 0);
        if (curve.GetKeyCount() == 1600 || curve.GetKeyCount() == 1601) {
            EXPECT_EQ(curve.GetKeyCapacity(), curve.GetKeyCount() == 1600 ? 1600 : 3200);
        }
    }
    EXPECT_EQ(curve.GetKeyCapacity(), 6400);
    for (int i = 0; i < 5000; ++i) ASSERT_EQ(curve.GetKey(i).GetValue(), i);
    // Remove every other key from the back; the rest closes up.
    for (int i = 4999; i >= 0; i -= 2) ASSERT_EQ(curve.RemoveKey(i), 0);
    ASSERT_EQ(curve.GetKeyCount(), 2500);
    for (int i = 0; i < 2500; ++i) ASSERT_EQ(curve.GetKey(i).GetValue(), 2 * i);
    curve.RemoveKeys(10, 2499);
    curve.CompactKeyBlocks();
    EXPECT_EQ(curve.GetKeyCapacity(), 1600);
    curve.ClearKeys();
    EXPECT_EQ(curve.GetKeyCapacity(), 0);
    EXPECT_EQ(curve.GetKeyCount(), 0);
}

TEST(RFCurveStorage, FindKeyIndexGivesFractionsAndHints) {
    RFCurve curve;
    EXPECT_EQ(curve.FindKeyIndex(At(1.0)), -1.0);
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 1.0f}, {3.0, 3.0f}});
    const std::pair<double, double> cases[] = {{-1.0, -0.5}, {4.0, 2.5}, {1.0, 1.0}, {2.5, 1.75}, {3.0, 2.0}};
    for (const auto& [seconds, index] : cases) EXPECT_EQ(curve.FindKeyIndex(At(seconds)), index) << seconds;
    // Any hint, even a stale or absurd one, gives the same answers.
    for (int start : {-5, 0, 1, 2, 3, 99}) {
        int hint = start;
        EXPECT_EQ(curve.FindKeyIndex(At(0.5), &hint), 0.5) << start;
        hint = start;
        EXPECT_EQ(curve.FindKeyIndex(At(2.0), &hint), 1.5) << start;
    }
    int hint = 0;
    curve.FindKeyIndex(At(9.0), &hint);
    EXPECT_EQ(hint, 3);
}

// Far into a long curve a tick is lost in the fraction of a key index: a time next to a key
// must still read as lying between keys, never as the key itself.
TEST(RFCurveStorage, ATimeNextToAKeyFarIntoALongCurveIsNoKeyHit) {
    constexpr int kCount = 100002;
    constexpr int64_t kStep = 10 * kSecond;
    auto build = [](RFCurve& curve) {
        for (int k = 0; k < kCount; ++k) curve.AppendKey(RTime(k * kStep), static_cast<float>(k));
    };
    const RTime beforeKey(100001 * kStep - 1);
    const RTime afterKey(100000 * kStep + 1);

    RFCurve added;
    build(added);
    const double index = added.FindKeyIndex(beforeKey);
    EXPECT_GT(index, 100000.0);
    EXPECT_LT(index, 100001.0);
    EXPECT_EQ(added.AddKey(beforeKey, MakeKey(-5.0f, RCurveKey::Cubic, RCurveKey::Auto)), 100001);
    ASSERT_EQ(added.GetKeyCount(), kCount + 1);
    EXPECT_EQ(added.GetKey(100002).GetTime(), RTime(100001 * kStep));
    EXPECT_EQ(added.InsertKeyAt(afterKey), 100001);
    EXPECT_EQ(added.GetKeyCount(), kCount + 2);
    EXPECT_EQ(added.GetKey(100000).GetTime(), RTime(100000 * kStep));

    // Span edits starting a tick after a key leave that key alone.
    RFCurve removed;
    build(removed);
    EXPECT_TRUE(removed.RemoveKeysInSpan(afterKey, RTime(100001 * kStep + kStep / 2)));
    EXPECT_EQ(removed.GetKeyCount(), kCount - 1);
    EXPECT_EQ(removed.GetKey(100000).GetTime(), RTime(100000 * kStep));
    RFCurve replaced;
    build(replaced);
    RFCurve source;
    source.AppendKey(RTime(100000 * kStep + kStep / 3), 7.0f);
    EXPECT_TRUE(replaced.ReplaceSpan(source, afterKey, RTime(100001 * kStep + kStep / 2), true, false));
    EXPECT_EQ(replaced.GetKeyCount(), kCount);
    EXPECT_EQ(replaced.GetKey(100000).GetValue(), 100000.0f);
    EXPECT_EQ(replaced.GetKey(100001).GetValue(), 7.0f);
}

TEST(RFCurveStorage, RemoveAndReplaceRefuseBadIndexesAndOrder) {
    ChangeLog log;
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 1.0f}, {2.0, 2.0f}});
    curve.AddListener(&ChangeLog::Listen, &log);
    RCurveKey key = MakeKey(7.0f, RCurveKey::Linear, 0);
    key.SetTime(At(1.5));
    for (int index : {3, -1, 0}) EXPECT_EQ(curve.ReplaceKey(index, key), 1) << index;  // 0 would pass key 1
    EXPECT_EQ(curve.RemoveKey(3), 1);
    EXPECT_EQ(curve.RemoveKey(-1), 1);
    EXPECT_EQ(log.calls, 0);
    EXPECT_EQ(curve.ReplaceKey(1, key), 0);
    EXPECT_EQ(curve.GetKey(1).GetValue(), 7.0f);
    EXPECT_EQ(log.calls, 1);
    // Removing the only key leaves its value as the default.
    curve.RemoveKeys(1, 2);
    curve.GetKey(0).SetValue(4.5f);
    EXPECT_EQ(curve.RemoveKey(0), 0);
    EXPECT_EQ(curve.GetKeyCount(), 0);
    EXPECT_EQ(curve.GetDefaultValue(), 4.5f);
    EXPECT_EQ(curve.EvaluateAt(At(-3.0)), 4.5f);
}

TEST(RFCurveStorage, InsertKeyAtReturnsWhereTheKeyLanded) {
    RFCurve curve;
    EXPECT_EQ(curve.InsertKeyAt(At(1.0)), 0);
    AddKeys(curve, {{2.0, 10.0f}}, RCurveKey::Linear, 0);
    // After the last key the new key lands at the old count.
    EXPECT_EQ(curve.InsertKeyAt(At(3.0)), 2);
    EXPECT_EQ(curve.GetKeyCount(), 3);
    EXPECT_EQ(curve.GetKey(2).GetTime(), At(3.0));
    EXPECT_EQ(curve.GetKey(2).GetValue(), 10.0f);
    EXPECT_EQ(curve.InsertKeyAt(At(0.0)), 0);
    EXPECT_EQ(curve.InsertKeyAt(At(2.0)), 2);  // existing key kept
    EXPECT_EQ(curve.GetKeyCount(), 4);
}

TEST(RFCurveStorage, AppendKeyIsUncheckedAndSilent) {
    ChangeLog log;
    RFCurve curve;
    curve.AddListener(&ChangeLog::Listen, &log);
    EXPECT_EQ(curve.AppendKey(At(1.0), 2.0f), 0);
    EXPECT_EQ(curve.AppendKey(At(2.0), 3.0f), 1);
    EXPECT_EQ(log.calls, 0);
    EXPECT_EQ(curve.GetModificationCount(), 2u);
    EXPECT_TRUE(curve.GetKey(1).IsCubicWithMode(RCurveKey::Auto));
    // Keys out of order do not make the search leave the keys.
    EXPECT_EQ(curve.AppendKey(At(0.5), 9.0f), 2);
    EXPECT_EQ(curve.AppendKey(At(0.5), 9.0f), 3);
    for (double s : {0.0, 0.5, 0.75, 1.5, 3.0}) {
        const double x = curve.FindKeyIndex(At(s));
        EXPECT_GE(x, -0.5);
        EXPECT_LE(x, 3.5);
        EXPECT_FALSE(std::isnan(curve.EvaluateAt(At(s))));
    }
}

TEST(RFCurveStorage, ScaleValuesScalesSelectedKeysWithOneNotification) {
    ChangeLog log;
    RFCurve curve;
    AddKeys(curve, {{0.0, 1.0f}, {1.0, 2.0f}, {2.0, 3.0f}}, RCurveKey::Cubic, RCurveKey::User);
    curve.SetDefaultValue(5.0f);
    curve.GetKey(1).SetSelected(true);
    curve.GetKey(1).SetDataValue(0, 4.0f);
    curve.AddListener(&ChangeLog::Listen, &log);
    curve.ScaleValues(true, 2.0f);
    EXPECT_EQ(curve.GetKey(0).GetValue(), 1.0f);
    EXPECT_EQ(curve.GetKey(1).GetValue(), 4.0f);
    EXPECT_EQ(curve.GetKey(1).GetDataValue(0), 8.0f);
    EXPECT_EQ(curve.GetDefaultValue(), 5.0f);
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.last.GetCount(), 2u);
    EXPECT_EQ(log.last.GetFirstIndex(), 1);
    curve.ScaleValues(false, 10.0f);
    EXPECT_EQ(curve.GetDefaultValue(), 50.0f);
    EXPECT_EQ(curve.GetKey(2).GetValue(), 30.0f);
}

// A caller stepping through the keys carries its hint from one search to the next: forwards
// and backwards, a key or more at a time, landing exactly on key times or between them. Every
// answer is the one a search without a hint gives, and the hint ends where the next search
// of the same walk starts.
TEST(RFCurveStorage, HintsCarriedThroughTheKeysStepByStep) {
    RFCurve curve;
    constexpr int kCount = 60;  // past two blocks
    std::vector<double> seconds;
    for (int k = 0; k < kCount; ++k) seconds.push_back(k + 0.25 * (k % 3));
    for (int k = kCount - 1; k >= 0; --k) curve.AddKey(At(seconds[k]), MakeKey(static_cast<float>(k * k % 7), RCurveKey::Linear, 0));
    for (const int stride : {1, 2, 3}) {
        for (const bool forwards : {true, false}) {
            int hint = forwards ? 0 : kCount - 1;
            for (int step = 0; step * stride < kCount; ++step) {
                const int k = forwards ? step * stride : kCount - 1 - step * stride;
                const std::string where = "key " + std::to_string(k) + " stride " + std::to_string(stride);
                EXPECT_EQ(curve.FindKeyIndex(At(seconds[k]), &hint), k) << where;
                EXPECT_EQ(hint, k) << where;
                EXPECT_EQ(curve.EvaluateAt(At(seconds[k])), curve.GetKey(k).GetValue()) << where;
                if (k + 1 < kCount) {
                    const double middle = (seconds[k] + seconds[k + 1]) / 2.0;
                    int fresh = 0;
                    EXPECT_DOUBLE_EQ(curve.FindKeyIndex(At(middle), &hint), k + 0.5) << where;
                    EXPECT_DOUBLE_EQ(curve.FindKeyIndex(At(middle), &fresh), k + 0.5) << where;
                    EXPECT_EQ(hint, fresh) << where;
                    const float halfway = (curve.GetKey(k).GetValue() + curve.GetKey(k + 1).GetValue()) / 2.0f;
                    EXPECT_FLOAT_EQ(curve.EvaluateAt(At(middle)), halfway) << where;
                }
            }
        }
    }
    // The curve's own hint, left at the end, follows removals and insertions.
    EXPECT_EQ(curve.FindKeyIndex(At(seconds[kCount - 1])), kCount - 1);
    for (int k = kCount - 1; k >= 30; --k) curve.RemoveKey(k);
    EXPECT_EQ(curve.FindKeyIndex(At(seconds[29])), 29.0);
    EXPECT_EQ(curve.FindKeyIndex(At(seconds[30])), 29.5);
    curve.AddKey(At(seconds[28] + 0.1), MakeKey(100.0f, RCurveKey::Linear, 0));
    EXPECT_EQ(curve.FindKeyIndex(At(seconds[28])), 28.0);
    EXPECT_EQ(curve.FindKeyIndex(At(seconds[28] + 0.1)), 29.0);
    EXPECT_EQ(curve.EvaluateAt(At(seconds[28] + 0.1)), 100.0f);
    EXPECT_EQ(curve.FindKeyIndex(At(seconds[29])), 30.0);
}
