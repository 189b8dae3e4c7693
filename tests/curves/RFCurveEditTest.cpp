#include "curves/RFCurve.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

namespace {

const RTime kUnboundedStart(RTime::kInfinitelyEarly);
const RTime kUnboundedStop(RTime::kInfinitelyLate);

}  // namespace

TEST(RFCurveNotification, TwoEditsInOneBracketGiveOneRecord) {
    ChangeLog log;
    RFCurve curve;
    curve.AddListener(&ChangeLog::Listen, &log);
    curve.BeginEdit();
    curve.AddKey(At(1.0), MakeKey(1.0f, RCurveKey::Linear, 0));
    curve.AddKey(At(3.0), MakeKey(3.0f, RCurveKey::Linear, 0));
    EXPECT_EQ(log.calls, 0);
    curve.EndEdit();
    ASSERT_EQ(log.calls, 1);
    EXPECT_EQ(log.last.GetCount(), 2u);
    EXPECT_EQ(log.last.GetKinds(), RCurveChangeRecord::KeysChanged);
    EXPECT_EQ(log.last.GetFirstIndex(), 0);
    EXPECT_EQ(log.last.GetLastIndex(), 1);
    curve.EndEdit();  // nothing accumulated: no call
    EXPECT_EQ(log.calls, 1);

    // A whole-curve mark survives later key indexes.
    RCurveChangeRecord record;
    record.Add(RCurveChangeRecord::KeysChanged, 4);
    record.Add(RCurveChangeRecord::DefaultChanged, -1);
    record.Add(RCurveChangeRecord::KeysChanged, 7);
    EXPECT_EQ(record.GetFirstIndex(), -1);
    EXPECT_EQ(record.GetLastIndex(), 7);
    EXPECT_EQ(record.GetKinds(), RCurveChangeRecord::KeysChanged | RCurveChangeRecord::DefaultChanged);
    record.Reset();
    EXPECT_TRUE(record.IsEmpty());
}

TEST(RFCurveNotification, SelectionCountsInTheHighHalfAndListenersComeAndGo) {
    ChangeLog first;
    ChangeLog second;
    RFCurve curve;
    curve.SetDefaultValue(1.0f);
    const uint32_t before = curve.GetModificationCount();
    curve.SetCurveSelected(true);
    EXPECT_EQ(curve.GetModificationCount(), before + 0x10000u);
    curve.AddListener(&ChangeLog::Listen, &first);
    curve.AddListener(&ChangeLog::Listen, &second);
    curve.RemoveListener(&ChangeLog::Listen, &first);
    curve.RemoveListener(&ChangeLog::Listen, nullptr);  // absent
    curve.SetDefaultValue(2.0f);
    EXPECT_EQ(first.calls, 0);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(second.last.GetKinds(), RCurveChangeRecord::DefaultChanged);
}

// A listener that removes itself or another during a delivery: every listener registered when
// the delivery began and not removed before its turn is called exactly once.
TEST(RFCurveNotification, ListenersRemovedDuringADeliveryAreNeitherSkippedNorRepeated) {
    struct Remover {
        int calls = 0;
        std::pair<RFCurve::Listener, void*> removes{nullptr, nullptr};
        static void Listen(RFCurve& curve, const RCurveChangeRecord&, void* userData) {
            auto* self = static_cast<Remover*>(userData);
            ++self->calls;
            if (self->removes.first != nullptr) {
                curve.RemoveListener(self->removes.first, self->removes.second);
            }
        }
    };
    Remover first;
    Remover second;
    Remover third;
    first.removes = {&Remover::Listen, &first};   // itself
    second.removes = {&Remover::Listen, &third};  // the next one, before its turn
    RFCurve curve;
    for (Remover* listener : {&first, &second, &third}) curve.AddListener(&Remover::Listen, listener);
    curve.SetDefaultValue(1.0f);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(third.calls, 0);
    second.removes = {nullptr, nullptr};
    curve.SetDefaultValue(2.0f);
    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 2);
    EXPECT_EQ(third.calls, 0);
}

TEST(RFCurveNotification, DestructionIsAnnouncedEvenInsideABracket) {
    ChangeLog log;
    {
        RFCurve curve;
        curve.AddListener(&ChangeLog::Listen, &log);
        curve.BeginEdit();
        curve.SetDefaultValue(3.0f);
    }
    ASSERT_EQ(log.calls, 1);
    EXPECT_EQ(log.last.GetKinds(), RCurveChangeRecord::DefaultChanged | RCurveChangeRecord::CurveDestroyed);
}

// A curve nobody listens to still counts as an edit of all curves when it goes (caches of
// evaluated values must see it), except inside a scope of uncounted edits.
TEST(RFCurveNotification, DestructionWithoutListenersIsOneEditOfAllCurves) {
    auto curve = std::make_unique<RFCurve>();
    std::uint64_t before = RFCurve::GetEditCountOfAllCurves();
    curve.reset();
    EXPECT_EQ(RFCurve::GetEditCountOfAllCurves(), before + 1);
    curve = std::make_unique<RFCurve>();
    before = RFCurve::GetEditCountOfAllCurves();
    {
        const RFCurve::UncountedEdits uncounted;
        curve.reset();
    }
    EXPECT_EQ(RFCurve::GetEditCountOfAllCurves(), before);
}

TEST(RFCurveEdit, RemovingRangesByIndexAndSpan) {
    RFCurve curve;
    MakeRamp(curve, 4);
    EXPECT_TRUE(curve.RemoveKeysInSpan(At(1.0), At(3.0)));  // keys on the ends stay
    EXPECT_EQ(KeySeconds(curve), (std::vector<double>{0, 1, 3, 4}));
    EXPECT_TRUE(curve.RemoveKeysInSpan(At(-9.0), At(-8.0)));
    EXPECT_TRUE(curve.RemoveKeysInSpan(At(8.0), At(9.0)));
    EXPECT_EQ(curve.GetKeyCount(), 4);
    EXPECT_TRUE(curve.RemoveKeys(-5, 1));  // clamped to the keys
    EXPECT_EQ(KeySeconds(curve), (std::vector<double>{3, 4}));
    EXPECT_TRUE(curve.RemoveKeys(0, 99));
    EXPECT_EQ(curve.GetKeyCount(), 0);
    EXPECT_EQ(curve.GetDefaultValue(), 30.0f);
    EXPECT_FALSE(curve.RemoveKeys(0, 0));

    // The key after a removed range keeps its incoming side.
    RFCurve user;
    MakeRamp(user, 4, RCurveKey::Cubic, RCurveKey::UserBreak);
    user.SetLeftDerivative(4, -3.0);
    user.SetLeftWeight(4, 0.25f);
    EXPECT_TRUE(user.RemoveKeys(1, 3));
    ASSERT_EQ(user.GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(user.GetLeftDerivative(1), -3.0f);
    EXPECT_NEAR(user.GetLeftWeight(1), 0.25f, 1e-4);
}

// Inserting a key keeps the curve's values everywhere: inside the keys, and outside them
// where the curve follows its (constant) extrapolation. Tcb keys, whose slopes follow their
// neighbours' values, and User keys whose two slopes differ hold the slopes they had; Auto
// keys take the ratios that keep their slopes.
TEST(RFCurveEdit, InsertingKeepsTheShapeOfEveryKind) {
    struct Case {
        const char* name;
        std::vector<RCurveKey> keys;
    };
    const Case cases[] = {
        {"tcb", {MakeTcb(0, 0.1f, 0.2f, 0.3f), MakeTcb(10, 0, 0, 0), MakeTcb(-3, 0.1f, -0.4f, 0.3f), MakeTcb(5, 0.2f, 0.2f, -0.3f)}},
        {"mixed",
         {MakeTcb(0, 0.1f, 0.2f, 0.3f), MakeKey(10, RCurveKey::Cubic, RCurveKey::UserBreak, -1, 4),
          MakeTcb(-3, 0, 0.5f, 0), MakeKey(5, RCurveKey::Cubic, RCurveKey::Auto, 30, 0), MakeTcb(2, 0, -0.3f, 0.2f)}},
        {"behind tcb",
         {MakeTcb(1, 0, 0.4f, 0), MakeKey(4, RCurveKey::Cubic, RCurveKey::AutoBreak, 20, 10),
          MakeKey(-2, RCurveKey::Linear, 0), MakeTcb(3, 0.3f, 0, 0), MakeKey(0, RCurveKey::Constant, 0)}},
        {"user", {MakeKey(0, RCurveKey::Cubic, RCurveKey::User, 3, 2), MakeKey(10, RCurveKey::Cubic, RCurveKey::UserBreak, -1, 4),
                  MakeKey(-3, RCurveKey::Cubic, RCurveKey::User, 2, 1), MakeKey(5, RCurveKey::Cubic, RCurveKey::User, 1, 1)}},
        {"auto", {MakeKey(0, RCurveKey::Cubic, RCurveKey::Auto), MakeKey(10, RCurveKey::Cubic, RCurveKey::Auto, 40, 0),
                  MakeKey(-3, RCurveKey::Cubic, RCurveKey::Auto), MakeKey(5, RCurveKey::Cubic, RCurveKey::Auto)}},
    };
    for (const Case& test : cases) {
        for (double time : {0.3, 1.5, 2.7, 3.9, -0.5, 6.0}) {
            SCOPED_TRACE(testing::Message() << test.name << " at " << time);
            RFCurve curve;
            for (std::size_t k = 0; k < test.keys.size(); ++k) curve.AddKey(At(1.2 * k), test.keys[k]);
            const std::vector<float> before = Samples(curve, -1.0, 7.0);
            ASSERT_GE(curve.InsertKeyAt(At(time)), 0);
            EXPECT_EQ(curve.GetKeyCount(), static_cast<int>(test.keys.size()) + 1);
            const std::vector<float> after = Samples(curve, -1.0, 7.0);
            for (std::size_t i = 0; i < before.size(); ++i) {
                ASSERT_NEAR(after[i], before[i], 1e-4) << "at " << i * 0.1 - 1.0;
            }
        }
    }
    // The key at an inserted time takes the slope the curve had there.
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}, {2.0, 0.0f}});
    const double slope = curve.GetLeftDerivativeAt(At(0.5));
    EXPECT_EQ(curve.InsertKeyAt(At(0.5)), 1);
    EXPECT_EQ(curve.GetKey(1).GetTangentMode(), RCurveKey::Auto);
    EXPECT_NEAR(curve.GetLeftDerivative(1), slope, 1e-3);
    EXPECT_NEAR(curve.GetRightDerivative(1), slope, 1e-3);
}

TEST(RFCurveEdit, AddKeyFromCacheOutsideTheKeysAndWithAnEmptyCache) {
    RFCurve curve;
    EXPECT_EQ(curve.AddKeyFromCache(nullptr, RCurveKey::Cubic, RCurveKey::Auto, false, true), 1);
    MakeRamp(curve, 4, RCurveKey::Cubic, RCurveKey::User);
    curve.SetCache(At(9.0), 5.0f);
    int index = -1;
    EXPECT_EQ(curve.AddKeyFromCache(&index, RCurveKey::Cubic, RCurveKey::Auto, true, true), 0);
    EXPECT_EQ(index, 5);
    EXPECT_TRUE(curve.GetKey(5).IsCubicWithMode(RCurveKey::AutoBreak));
    curve.SetCache(At(-1.0), 2.0f);
    EXPECT_EQ(curve.AddKeyFromCache(&index, RCurveKey::Cubic, RCurveKey::Tcb, true, true), 0);
    EXPECT_EQ(index, 0);
    EXPECT_FLOAT_EQ(curve.GetKey(0).GetRawData(1), -1.0f);
    // Within tolerance the key at 2 s is updated, not doubled.
    curve.SetCache(At(2.01), 7.0f);
    EXPECT_EQ(curve.AddKeyFromCache(&index, RCurveKey::Cubic, RCurveKey::User, false, false, kUnboundedStop, 0.2), 0);
    EXPECT_EQ(curve.GetKeyCount(), 7);
    EXPECT_EQ(curve.GetKey(3).GetValue(), 7.0f);
    EXPECT_EQ(curve.GetKey(3).GetTime(), At(2.01));
}

TEST(RFCurveEdit, CopyAndClone) {
    RFCurve source;
    MakeRamp(source, 4);
    const float red[3] = {0.5f, 0.25f, 0.125f};
    source.SetColor(red);
    source.SetColor(nullptr);
    source.SetPostExtrapolationType(RFCurve::ExtrapolationMirror);
    source.SetDefaultValue(6.0f);
    source.SetTag(77);
    RFCurve copy;
    AddKeys(copy, {{0.0, 1.0f}}, RCurveKey::Linear, 0);
    copy.CopyFrom(source, true);
    EXPECT_EQ(KeySeconds(copy), KeySeconds(source));
    EXPECT_EQ(copy.GetPostExtrapolationType(), RFCurve::ExtrapolationMirror);
    EXPECT_FLOAT_EQ(copy.EvaluateAt(At(5.5)), source.EvaluateAt(At(5.5)));
    float rgb[3] = {};
    copy.GetColor(rgb);
    EXPECT_EQ(rgb[2], 0.125f);
    copy.CopyFrom(source, false);
    EXPECT_EQ(copy.GetKeyCount(), 0);
    EXPECT_EQ(copy.GetDefaultValue(), 6.0f);

    const CurvePtr whole(source.Clone(kUnboundedStart, kUnboundedStop));
    EXPECT_EQ(whole->GetKeyCount(), 5);
    EXPECT_EQ(whole->GetTag(), 77u);
    const CurvePtr part(source.Clone(At(0.0), At(2.0)));
    EXPECT_EQ(part->GetKeyCount(), 0);
    EXPECT_EQ(part->GetDefaultValue(), 6.0f);
    RFCurve::Destroy(nullptr);
}

TEST(RFCurveSpan, ReplaceSpanWithAndWithoutKeepingTheSpan) {
    RFCurve source;
    AddKeys(source, {{1.5, 5.0f}, {2.0, 5.0f}, {2.5, 5.0f}}, RCurveKey::Linear, 0);
    struct Case {
        RTime start;
        RTime stop;
        bool keepSpan;
        std::vector<double> keys;
    };
    const Case cases[] = {
        {At(1.0), At(3.0), true, {0, 1.5, 2, 2.5, 4}},
        {At(1.0), At(3.0), false, {0, 1, 1.5, 2, 2.5, 3, 4}},
        {kUnboundedStart, kUnboundedStop, true, {0, 1, 1.5, 2, 2.5, 3, 4}},  // the source's first and last keys
    };
    for (const Case& test : cases) {
        ChangeLog log;
        RFCurve curve;
        MakeRamp(curve, 4);
        curve.AddListener(&ChangeLog::Listen, &log);
        EXPECT_TRUE(curve.ReplaceSpan(source, test.start, test.stop, test.keepSpan, false));
        EXPECT_EQ(KeySeconds(curve), test.keys);
        EXPECT_EQ(curve.EvaluateAt(At(2.0)), 5.0f);
        EXPECT_EQ(log.calls, 1);
        EXPECT_EQ(log.last.GetFirstIndex(), -1);
    }
}

TEST(RFCurveSpan, EmptySpansAndSourcesChangeNothingOrFill) {
    RFCurve source;
    AddKeys(source, {{1.5, 5.0f}}, RCurveKey::Linear, 0);
    RFCurve curve;
    MakeRamp(curve, 4);
    EXPECT_FALSE(curve.ReplaceSpan(source, At(3.0), At(1.0), true, false));
    EXPECT_FALSE(curve.ReplaceSpan(source, At(2.0), At(3.0), false, false));  // no source key inside
    EXPECT_EQ(curve.GetKeyCount(), 5);

    RFCurve empty;
    empty.SetDefaultValue(7.0f);
    EXPECT_TRUE(curve.ReplaceSpan(empty, At(1.0), At(3.0), false, false));
    EXPECT_EQ(KeySeconds(curve), (std::vector<double>{0, 4}));

    RFCurve filled;
    MakeRamp(filled, 4);
    EXPECT_TRUE(filled.ReplaceSpan(empty, At(1.5), At(2.5), true, true));
    const std::pair<double, float> values[] = {{2.0, 7.0f}, {1.5, 7.0f}, {2.5, 7.0f}, {0.5, 5.0f}, {3.5, 35.0f}};
    for (const auto& [seconds, value] : values) EXPECT_NEAR(filled.EvaluateAt(At(seconds)), value, 1e-4) << seconds;
    EXPECT_NEAR(filled.EvaluateAt(RTime(At(1.5).GetTicks() - 1)), 15.0f, 1e-4);

    RFCurve cleared;
    MakeRamp(cleared, 4);
    EXPECT_TRUE(cleared.ReplaceSpan(empty, kUnboundedStart, kUnboundedStop, true, true));
    EXPECT_EQ(cleared.GetKeyCount(), 0);
    EXPECT_EQ(cleared.EvaluateAt(At(1.0)), 7.0f);
}

TEST(RFCurveSpan, ScaledAndOffsetCopies) {
    RFCurve source;
    AddKeys(source, {{1.0, 1.0f}, {2.0, 1.0f}, {3.0, 1.0f}}, RCurveKey::Cubic, RCurveKey::User);
    source.SetRightDerivative(1, 2.0);
    RFCurve scaled;
    MakeRamp(scaled, 4);
    EXPECT_TRUE(scaled.ReplaceSpanScaled(source, At(1.0), At(3.0), 1.0f, 3.0f, true, false));
    for (int k = 1; k <= 3; ++k) EXPECT_FLOAT_EQ(scaled.GetKey(k).GetValue(), static_cast<float>(k));

    // One offset for the whole copy, none blended in; a second one for the keys after it,
    // each inverted as asked (user slopes too).
    struct Case {
        float offset;
        bool invert;
        float after;
        bool invertAfter;
        float copied;
        float slope;
        float last;
    };
    for (const Case& test : {Case{360, false, 0, false, 361, 2, 40}, Case{180, true, 360, true, 179, -2, 320}}) {
        RFCurve curve;
        MakeRamp(curve, 4);
        EXPECT_TRUE(curve.ReplaceSpanOffset(source, At(1.0), At(3.0), test.offset, test.invert, test.after,
                                            test.invertAfter, true, false));
        EXPECT_FLOAT_EQ(curve.GetKey(0).GetValue(), 0.0f);
        for (int k = 1; k <= 3; ++k) EXPECT_FLOAT_EQ(curve.GetKey(k).GetValue(), test.copied) << k;
        EXPECT_FLOAT_EQ(curve.GetKey(2).GetDataValue(0), test.slope);
        EXPECT_FLOAT_EQ(curve.GetKey(4).GetValue(), test.last);
    }
}

// A span in the middle: the keys around it stay in order with their values, the copied keys
// land between them, and the listeners hear of it once.
TEST(RFCurveSpan, ReplacingTheMiddleOfALongCurve) {
    ChangeLog log;
    RFCurve curve;
    for (int k = 0; k < 3000; ++k) curve.AppendKey(At(k), static_cast<float>(k));
    RFCurve source;
    for (int k = 0; k < 2000; ++k) source.AppendKey(At(1000.25 + 0.5 * k), -1.0f);
    curve.AddListener(&ChangeLog::Listen, &log);
    EXPECT_TRUE(curve.ReplaceSpan(source, At(1000.0), At(1999.9), true, false));
    EXPECT_EQ(log.calls, 1);
    ASSERT_EQ(curve.GetKeyCount(), 1000 + 2000 + 1000);
    for (int k = 1; k < curve.GetKeyCount(); ++k) ASSERT_LT(curve.GetKey(k - 1).GetTime(), curve.GetKey(k).GetTime());
    const std::pair<int, float> values[] = {{999, 999.0f}, {1000, -1.0f}, {2999, -1.0f}, {3000, 2000.0f}, {3999, 2999.0f}};
    for (const auto& [k, value] : values) EXPECT_EQ(curve.GetKey(k).GetValue(), value) << k;
}

// A span take-over copies every source key to its place, across block borders on both sides,
// and keeps the storage of the keys it replaces for the keys it copies: taking over a whole
// curve frees nothing. Compacting and clearing still give the storage back.
TEST(RFCurveSpan, TakingOverASpanCopiesEveryKeyAndReusesTheStorage) {
    RFCurve source;
    for (int k = 0; k < 1700; ++k) source.AppendKey(At(0.5 * k), static_cast<float>(k % 97));
    RFCurve middle;
    for (int k = 0; k < 100; ++k) middle.AppendKey(At(k), -1.0f);
    EXPECT_TRUE(middle.ReplaceSpan(source, At(5.2), At(40.2), true, false));  // source keys 11..80
    ASSERT_EQ(middle.GetKeyCount(), 100 - 35 + 70);
    for (int k = 0; k < 70; ++k) ASSERT_EQ(middle.GetKey(6 + k).GetValue(), static_cast<float>(11 + k)) << k;
    EXPECT_EQ(middle.GetKey(76).GetTime(), At(41.0));

    RFCurve whole;
    for (int k = 0; k < 3300; ++k) whole.AppendKey(At(0.25 * k), 3.0f);
    ASSERT_EQ(whole.GetKeyCapacity(), 4800);
    EXPECT_TRUE(whole.ReplaceSpan(source, kUnboundedStart, kUnboundedStop, false, false));
    ASSERT_EQ(whole.GetKeyCount(), 1700);
    for (int k = 0; k < 1700; ++k) ASSERT_EQ(whole.GetKey(k).GetValue(), static_cast<float>(k % 97)) << k;
    EXPECT_EQ(whole.GetDefaultValue(), 3.0f);  // the first key's value, as when the keys go
    EXPECT_EQ(whole.GetKeyCapacity(), 4800);
    whole.RemoveKeys(10, 1699);
    whole.CompactKeyBlocks();
    EXPECT_EQ(whole.GetKeyCapacity(), 1600);
    whole.ClearKeys();
    EXPECT_EQ(whole.GetKeyCapacity(), 0);

    // Removing every key outside a take-over frees the storage as before.
    RFCurve removed;
    for (int k = 0; k < 30; ++k) removed.AppendKey(At(k), 1.0f);
    EXPECT_TRUE(removed.RemoveKeys(0, 29));
    EXPECT_EQ(removed.GetKeyCapacity(), 0);

    // A copy with keys into a curve holding more keeps its own storage and takes every key.
    RFCurve copy;
    for (int k = 0; k < 2000; ++k) copy.AppendKey(At(k), 9.0f);
    copy.CopyFrom(source, true);
    ASSERT_EQ(copy.GetKeyCount(), 1700);
    for (int k = 0; k < 1700; ++k) ASSERT_EQ(copy.GetKey(k).GetTime(), source.GetKey(k).GetTime()) << k;
    EXPECT_EQ(copy.GetKeyCapacity(), 3200);
}
