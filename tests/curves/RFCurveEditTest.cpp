#include "curves/RFCurve.h"

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;

namespace {

const RTime kUnboundedStart(RTime::kInfinitelyEarly);
const RTime kUnboundedStop(RTime::kInfinitelyLate);

std::vector<double> KeySeconds(const RFCurve& curve) {
    std::vector<double> seconds;
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        seconds.push_back(curve.GetKey(k).GetTime().ToSeconds());
    }
    return seconds;
}

// Keys at 0..4 s with value 10 x seconds.
void MakeRamp(RFCurve& curve, uint32_t interpolation = RCurveKey::Linear, uint32_t mode = 0) {
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}, {2.0, 20.0f}, {3.0, 30.0f}, {4.0, 40.0f}}, interpolation, mode);
}

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
}

TEST(RFCurveNotification, AWholeCurveMarkSurvivesLaterKeyIndexes) {
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
    first.removes = {&Remover::Listen, &first};  // itself
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

TEST(RFCurveEdit, RemovingRangesByIndexAndSpan) {
    RFCurve curve;
    MakeRamp(curve);
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
}

TEST(RFCurveEdit, RemovingARangeKeepsTheIncomingSideOfTheNextKey) {
    RFCurve curve;
    MakeRamp(curve, RCurveKey::Cubic, RCurveKey::UserBreak);
    curve.SetLeftDerivative(4, -3.0);
    curve.SetLeftWeight(4, 0.25f);
    EXPECT_TRUE(curve.RemoveKeys(1, 3));
    ASSERT_EQ(curve.GetKeyCount(), 2);
    EXPECT_FLOAT_EQ(curve.GetLeftDerivative(1), -3.0f);
    EXPECT_NEAR(curve.GetLeftWeight(1), 0.25f, 1e-4);
}

TEST(RFCurveEdit, CommittingACachedValueKeepsTheShape) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}, {2.0, 0.0f}}, RCurveKey::Cubic, RCurveKey::User);
    curve.SetLeftDerivative(1, 8.0);
    curve.SetRightDerivative(0, 12.0);
    std::vector<float> before;
    for (int i = 0; i <= 20; ++i) before.push_back(curve.EvaluateAt(At(i * 0.1)));
    EXPECT_EQ(curve.InsertKeyAt(At(0.35)), 1);
    EXPECT_EQ(curve.InsertKeyAt(At(1.6)), 3);
    ASSERT_EQ(curve.GetKeyCount(), 5);
    for (int i = 0; i <= 20; ++i) EXPECT_NEAR(curve.EvaluateAt(At(i * 0.1)), before[i], 1e-4) << i;
}

// On automatic tangents the new key takes the slope it read and the neighbours keep theirs on
// both sides, so the whole curve keeps its shape.
TEST(RFCurveEdit, InsertingIntoAnAutomaticCurveKeepsItsShape) {
    RFCurve curve;
    AddKeys(curve, {{0.0, 0.0f}, {1.0, 10.0f}, {2.0, 0.0f}, {3.0, 5.0f}});
    curve.SetRightAutoRatio(1, 40.0);
    const double slope = curve.GetLeftDerivativeAt(At(0.5));
    std::vector<float> before;
    for (int i = 0; i <= 30; ++i) before.push_back(curve.EvaluateAt(At(i * 0.1)));
    EXPECT_EQ(curve.InsertKeyAt(At(0.5)), 1);
    EXPECT_EQ(curve.InsertKeyAt(At(1.3)), 3);
    ASSERT_EQ(curve.GetKeyCount(), 6);
    EXPECT_EQ(curve.GetKey(1).GetTangentMode(), RCurveKey::Auto);
    EXPECT_NEAR(curve.GetLeftDerivative(1), slope, 1e-3);
    EXPECT_NEAR(curve.GetRightDerivative(1), slope, 1e-3);
    for (int i = 0; i <= 30; ++i) EXPECT_NEAR(curve.EvaluateAt(At(i * 0.1)), before[i], 1e-3) << i;
}

TEST(RFCurveEdit, AddKeyFromCacheOutsideTheKeysAndWithAnEmptyCache) {
    RFCurve curve;
    EXPECT_EQ(curve.AddKeyFromCache(nullptr, RCurveKey::Cubic, RCurveKey::Auto, false, true), 1);
    MakeRamp(curve, RCurveKey::Cubic, RCurveKey::User);
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
    MakeRamp(source);
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

    std::unique_ptr<RFCurve> whole(source.Clone(kUnboundedStart, kUnboundedStop));
    EXPECT_EQ(whole->GetKeyCount(), 5);
    EXPECT_EQ(whole->GetTag(), 77u);
    std::unique_ptr<RFCurve> part(source.Clone(At(0.0), At(2.0)));
    EXPECT_EQ(part->GetKeyCount(), 0);
    EXPECT_EQ(part->GetDefaultValue(), 6.0f);
    RFCurve::Destroy(nullptr);
}

TEST(RFCurveSpan, ReplaceSpanWithAndWithoutKeepingTheSpan) {
    ChangeLog log;
    RFCurve source;
    AddKeys(source, {{1.5, 5.0f}, {2.0, 5.0f}, {2.5, 5.0f}}, RCurveKey::Linear, 0);
    RFCurve kept;
    MakeRamp(kept);
    EXPECT_TRUE(kept.ReplaceSpan(source, At(1.0), At(3.0), true, false));
    EXPECT_EQ(KeySeconds(kept), (std::vector<double>{0, 1.5, 2, 2.5, 4}));
    RFCurve shrunk;
    MakeRamp(shrunk);
    EXPECT_TRUE(shrunk.ReplaceSpan(source, At(1.0), At(3.0), false, false));
    EXPECT_EQ(KeySeconds(shrunk), (std::vector<double>{0, 1, 1.5, 2, 2.5, 3, 4}));
    EXPECT_EQ(shrunk.GetKey(3).GetValue(), 5.0f);
    // Unbounded ends become the source's first and last keys.
    RFCurve unbounded;
    MakeRamp(unbounded);
    unbounded.AddListener(&ChangeLog::Listen, &log);
    EXPECT_TRUE(unbounded.ReplaceSpan(source, kUnboundedStart, kUnboundedStop, true, false));
    EXPECT_EQ(KeySeconds(unbounded), (std::vector<double>{0, 1, 1.5, 2, 2.5, 3, 4}));
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.last.GetFirstIndex(), -1);
}

TEST(RFCurveSpan, EmptySpansAndSourcesChangeNothingOrFill) {
    RFCurve source;
    AddKeys(source, {{1.5, 5.0f}}, RCurveKey::Linear, 0);
    RFCurve curve;
    MakeRamp(curve);
    EXPECT_FALSE(curve.ReplaceSpan(source, At(3.0), At(1.0), true, false));
    EXPECT_FALSE(curve.ReplaceSpan(source, At(2.0), At(3.0), false, false));  // no source key inside
    EXPECT_EQ(curve.GetKeyCount(), 5);

    RFCurve empty;
    empty.SetDefaultValue(7.0f);
    EXPECT_TRUE(curve.ReplaceSpan(empty, At(1.0), At(3.0), false, false));
    EXPECT_EQ(KeySeconds(curve), (std::vector<double>{0, 4}));

    RFCurve filled;
    MakeRamp(filled);
    EXPECT_TRUE(filled.ReplaceSpan(empty, At(1.5), At(2.5), true, true));
    EXPECT_FLOAT_EQ(filled.EvaluateAt(At(2.0)), 7.0f);
    EXPECT_FLOAT_EQ(filled.EvaluateAt(At(1.5)), 7.0f);
    EXPECT_FLOAT_EQ(filled.EvaluateAt(At(2.5)), 7.0f);
    EXPECT_NEAR(filled.EvaluateAt(At(0.5)), 5.0f, 1e-4);
    EXPECT_NEAR(filled.EvaluateAt(At(3.5)), 35.0f, 1e-4);
    EXPECT_NEAR(filled.EvaluateAt(RTime(At(1.5).GetTicks() - 1)), 15.0f, 1e-4);

    RFCurve cleared;
    MakeRamp(cleared);
    EXPECT_TRUE(cleared.ReplaceSpan(empty, kUnboundedStart, kUnboundedStop, true, true));
    EXPECT_EQ(cleared.GetKeyCount(), 0);
    EXPECT_EQ(cleared.EvaluateAt(At(1.0)), 7.0f);
}

TEST(RFCurveSpan, ScaledAndOffsetCopies) {
    RFCurve source;
    AddKeys(source, {{1.0, 1.0f}, {2.0, 1.0f}, {3.0, 1.0f}}, RCurveKey::Cubic, RCurveKey::User);
    source.SetRightDerivative(1, 2.0);
    RFCurve scaled;
    MakeRamp(scaled);
    EXPECT_TRUE(scaled.ReplaceSpanScaled(source, At(1.0), At(3.0), 1.0f, 3.0f, true, false));
    EXPECT_FLOAT_EQ(scaled.GetKey(1).GetValue(), 1.0f);
    EXPECT_FLOAT_EQ(scaled.GetKey(2).GetValue(), 2.0f);
    EXPECT_FLOAT_EQ(scaled.GetKey(3).GetValue(), 3.0f);

    // One offset for the whole copy, none blended in; a second one for the keys after it.
    RFCurve turned;
    MakeRamp(turned);
    EXPECT_TRUE(turned.ReplaceSpanOffset(source, At(1.0), At(3.0), 360.0f, false, 0.0f, false, true, false));
    EXPECT_FLOAT_EQ(turned.GetKey(1).GetValue(), 361.0f);
    EXPECT_FLOAT_EQ(turned.GetKey(2).GetValue(), 361.0f);
    EXPECT_FLOAT_EQ(turned.GetKey(3).GetValue(), 361.0f);
    EXPECT_FLOAT_EQ(turned.GetKey(2).GetDataValue(0), 2.0f);
    EXPECT_FLOAT_EQ(turned.GetKey(4).GetValue(), 40.0f);
    EXPECT_FLOAT_EQ(turned.GetKey(0).GetValue(), 0.0f);
    RFCurve flipped;
    MakeRamp(flipped);
    EXPECT_TRUE(flipped.ReplaceSpanOffset(source, At(1.0), At(3.0), 180.0f, true, 360.0f, true, true, false));
    EXPECT_FLOAT_EQ(flipped.GetKey(1).GetValue(), 179.0f);
    EXPECT_FLOAT_EQ(flipped.GetKey(3).GetValue(), 179.0f);
    EXPECT_FLOAT_EQ(flipped.GetKey(2).GetDataValue(0), -2.0f);
    EXPECT_FLOAT_EQ(flipped.GetKey(4).GetValue(), 320.0f);
    EXPECT_FLOAT_EQ(flipped.GetKey(0).GetValue(), 0.0f);
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
    EXPECT_EQ(curve.GetKey(999).GetValue(), 999.0f);
    EXPECT_EQ(curve.GetKey(1000).GetValue(), -1.0f);
    EXPECT_EQ(curve.GetKey(2999).GetValue(), -1.0f);
    EXPECT_EQ(curve.GetKey(3000).GetValue(), 2000.0f);
    EXPECT_EQ(curve.GetKey(3999).GetValue(), 2999.0f);
}
