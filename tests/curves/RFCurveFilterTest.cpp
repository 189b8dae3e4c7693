// The key-filter base, the constant key reducer, the key synchronizer and the time shift.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/curves/CurveTestSupport.h"

#include "curves/RFCurveFilter.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "curves/RFCurveFilterKeySync.h"
#include "curves/RFCurveFilterTimeShiftAndScale.h"
#include "tests/curves/CurveNodeTestSupport.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;
using namespace curve_node_test;

namespace {

// Records the curves it is applied to, by their default value.
class RecordingFilter : public RFCurveFilter {
public:
    RecordingFilter() : RFCurveFilter("Recording", kMessages, 1) { Reset(); }
    using RFCurveFilter::Apply;
    bool Apply(RFCurve& curve) override {
        visited.push_back(curve.GetDefaultValue());
        return true;
    }
    std::vector<float> visited;

private:
    static constexpr const char* kMessages[] = {"No key"};
};

}  // namespace

// ---- Base ------------------------------------------------------------------------------------

TEST(RFCurveFilterTest, FreshFiltersSpanTheWholeTimeLine) {
    RFCurveFilterConstantKeyReducer reducer;
    RFCurveFilterKeySync sync;
    RFCurveFilterTimeShiftAndScale shift;
    for (const RFCurveFilter* filter : std::initializer_list<const RFCurveFilter*>{&reducer, &sync, &shift}) {
        EXPECT_EQ(filter->GetStartTime().GetTicks(), -9223372036854775807LL);
        EXPECT_EQ(filter->GetStopTime().GetTicks(), 9223372036854775807LL);
    }
    EXPECT_STREQ(reducer.GetName(), "Constant Key Reducer");
    EXPECT_STREQ(sync.GetName(), "FCurve Key Synchronizer");
    EXPECT_STREQ(shift.GetName(), "TimeShiftAndScaleFilter");
}

TEST(RFCurveFilterTest, SpanKeyIndexes) {
    RecordingFilter filter;
    CurvePtr empty(RFCurve::Create());
    EXPECT_EQ(filter.GetFirstKeyIndex(*empty), -1);
    EXPECT_EQ(filter.GetLastKeyIndex(*empty), -1);

    CurvePtr curve = MakeCurve({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}});
    EXPECT_EQ(filter.GetFirstKeyIndex(*curve), 0);
    EXPECT_EQ(filter.GetLastKeyIndex(*curve), 5);
    EXPECT_EQ(filter.GetLastKeyIndexInKeys(*curve), 4);
    filter.SetSpan(At(1.5), At(2.5));
    EXPECT_EQ(filter.GetFirstKeyIndex(*curve), 0);  // the key just before the start
    EXPECT_EQ(filter.GetLastKeyIndex(*curve), 3);
    filter.SetSpan(At(2), At(3));
    EXPECT_EQ(filter.GetFirstKeyIndex(*curve), 1);
    EXPECT_EQ(filter.GetLastKeyIndex(*curve), 4);
}

TEST(RFCurveFilterTest, NodeFormsVisitChildrenBeforeTheirOwnCurve) {
    NodePtr root(MakeLeaf("root", 1.0f));
    RFCurveNode* child = MakeLeaf("child", 2.0f);
    child->AddChild(MakeLeaf("grandchild", 3.0f));
    root->AddChild(child);
    root->AddChild(RFCurveNode::Create("empty", nullptr));
    root->AddChild(MakeLeaf("last", 4.0f));

    RecordingFilter filter;
    filter.Apply(*root, true);
    EXPECT_EQ(filter.visited, (std::vector<float>{3.0f, 2.0f, 4.0f, 1.0f}));
    filter.visited.clear();
    filter.Apply(*root, false);
    EXPECT_EQ(filter.visited, (std::vector<float>{1.0f}));
    EXPECT_TRUE(filter.IsNeeded(*root, true));
}

// ---- Constant key reducer ----------------------------------------------------------------------

TEST(RFCurveFilterConstantKeyReducerTest, FlatCurveLosesEveryKey) {
    for (uint32_t interpolation : {RCurveKey::Cubic, RCurveKey::Linear}) {
        CurvePtr curve = MakeCurve({{0, 7}, {1, 7}, {2, 7}, {3, 7}, {4, 7}}, interpolation);
        RFCurveFilterConstantKeyReducer reducer;
        EXPECT_TRUE(reducer.Apply(*curve));
        EXPECT_EQ(curve->GetKeyCount(), 0);
        EXPECT_FLOAT_EQ(curve->GetDefaultValue(), 7.0f);
    }
    CurvePtr curve = MakeCurve({{0, 7}, {1, 7}, {2, 7}, {3, 7}, {4, 7}});
    RFCurveFilterConstantKeyReducer reducer;
    reducer.SetKeepEndKeys(true);
    EXPECT_TRUE(reducer.Apply(*curve));
    EXPECT_EQ(KeySeconds(*curve), (std::vector<double>{0, 4}));
}

TEST(RFCurveFilterConstantKeyReducerTest, RunsKeepTheirEndKeys) {
    CurvePtr curve = MakeCurve({{0, 1}, {1, 1}, {2, 1}, {3, 5}, {4, 5}, {5, 5}});
    RFCurveFilterConstantKeyReducer reducer;
    EXPECT_TRUE(reducer.Apply(*curve));
    EXPECT_EQ(KeySeconds(*curve), (std::vector<double>{0, 2, 3, 5}));

    // Many runs: every plateau of four keys loses its two inner keys.
    CurvePtr stairs(RFCurve::Create());
    for (int k = 0; k < 400; ++k) {
        stairs->AddKey(RTime(k * kSecond), MakeKey(static_cast<float>(k / 4), RCurveKey::Cubic, RCurveKey::User));
    }
    EXPECT_TRUE(reducer.Apply(*stairs));
    ASSERT_EQ(stairs->GetKeyCount(), 200);
    for (int k = 0; k < 200; ++k) {
        const int source = (k / 2) * 4 + (k % 2) * 3;
        EXPECT_EQ(stairs->GetKey(k).GetTime(), RTime(source * kSecond)) << k;
        EXPECT_FLOAT_EQ(stairs->GetKey(k).GetValue(), static_cast<float>(source / 4)) << k;
    }
}

TEST(RFCurveFilterConstantKeyReducerTest, SteepArrivalKeepsTheRunsFirstKey) {
    // Key 1 is reached by a steep segment: it stays, keys 2 and 3 go.
    CurvePtr curve = MakeCurve({{0, 0}, {1, 3}, {2, 3}, {3, 3}, {4, 3}});
    curve->GetKey(1).SetTangentMode(RCurveKey::UserBreak);
    ASSERT_TRUE(curve->SetLeftDerivative(1, 5.0));
    RFCurveFilterConstantKeyReducer reducer;
    reducer.SetKeepEndKeys(true);
    EXPECT_TRUE(reducer.Apply(*curve));
    EXPECT_EQ(KeySeconds(*curve), (std::vector<double>{0, 1, 4}));
}

// Each run is measured against the slope arriving at its own last key: a steep arrival at the
// curve's last key keeps the key before it, and the runs below it, flat to their ends, still
// lose their inner keys.
TEST(RFCurveFilterConstantKeyReducerTest, EachRunTakesTheSlopeArrivingAtItsLastKey) {
    CurvePtr curve = MakeCurve({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}, RCurveKey::Cubic,
                               RCurveKey::User);
    curve->GetKey(7).SetTangentMode(RCurveKey::UserBreak);
    ASSERT_TRUE(curve->SetLeftDerivative(7, 2.0));
    RFCurveFilterConstantKeyReducer reducer;
    reducer.SetKeepEndKeys(true);
    EXPECT_TRUE(reducer.Apply(*curve));
    EXPECT_EQ(KeySeconds(*curve), (std::vector<double>{0, 3, 4, 6, 7}));
    EXPECT_DOUBLE_EQ(curve->GetLeftDerivative(3), 0.0);
    EXPECT_DOUBLE_EQ(curve->GetLeftDerivative(4), 2.0);

    // A key of the run's value leaving it steeply ends the run above it.
    CurvePtr leaving = MakeCurve({{0, 1}, {1, 1}, {2, 1}, {3, 1}}, RCurveKey::Cubic, RCurveKey::User);
    leaving->GetKey(1).SetTangentMode(RCurveKey::UserBreak);
    ASSERT_TRUE(leaving->SetRightDerivative(1, 3.0));
    EXPECT_FALSE(reducer.Apply(*leaving));
    EXPECT_EQ(KeySeconds(*leaving), (std::vector<double>{0, 1, 2, 3}));
}

// A flat run reached steeply at an inner broken key: the arriving slope, not the flat leaving
// one, is the run's reference, so the key before it stays (only the flat keys below lose their
// inner key) and the curve is sampled as before.
TEST(RFCurveFilterConstantKeyReducerTest, SteepArrivalAtAnInnerBrokenKeyKeepsTheRun) {
    CurvePtr curve = MakeCurve({{0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 5}}, RCurveKey::Cubic, RCurveKey::User);
    curve->GetKey(3).SetTangentMode(RCurveKey::UserBreak);
    ASSERT_TRUE(curve->SetLeftDerivative(3, 3.0));
    ASSERT_TRUE(curve->SetRightDerivative(3, 0.0));
    const std::vector<float> before = Samples(*curve, 0, 4);
    RFCurveFilterConstantKeyReducer reducer;
    EXPECT_TRUE(reducer.Apply(*curve));
    EXPECT_EQ(KeySeconds(*curve), (std::vector<double>{0, 2, 3, 4}));
    EXPECT_EQ(Samples(*curve, 0, 4), before);
}

TEST(RFCurveFilterConstantKeyReducerTest, ShortCurves) {
    RFCurveFilterConstantKeyReducer reducer;
    CurvePtr pair = MakeCurve({{1, 2}, {2, 2}});
    EXPECT_TRUE(reducer.Apply(*pair));
    EXPECT_EQ(pair->GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(pair->GetDefaultValue(), 2.0f);

    pair = MakeCurve({{1, 2}, {2, 2}});
    reducer.SetStartTime(At(1.5));
    EXPECT_TRUE(reducer.Apply(*pair));
    EXPECT_EQ(KeySeconds(*pair), (std::vector<double>{1}));
    reducer.Reset();

    CurvePtr single = MakeCurve({{3, 9}});
    EXPECT_TRUE(reducer.Apply(*single));
    EXPECT_EQ(single->GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(single->GetDefaultValue(), 9.0f);
}

TEST(RFCurveFilterConstantKeyReducerTest, FailuresLeaveTheirText) {
    RFCurveFilterConstantKeyReducer reducer;
    CurvePtr empty(RFCurve::Create());
    EXPECT_FALSE(reducer.Apply(*empty));
    EXPECT_EQ(reducer.GetLastErrorCode(), 0);
    EXPECT_STREQ(reducer.GetLastErrorString(), "ConstantKeyReducer, No key to be filtered.");

    CurvePtr ramp = MakeCurve({{0, 0}, {1, 1}, {2, 2}}, RCurveKey::Cubic, RCurveKey::Auto);
    const uint32_t modifications = ramp->GetModificationCount();
    EXPECT_FALSE(reducer.Apply(*ramp));
    EXPECT_EQ(reducer.GetLastErrorCode(), 1);
    EXPECT_STREQ(reducer.GetLastErrorString(), "ConstantKeyReducer, No key were changed by filter.");
    EXPECT_EQ(ramp->GetKeyCount(), 3);
    EXPECT_EQ(ramp->GetModificationCount(), modifications);
}

TEST(RFCurveFilterConstantKeyReducerTest, RotationChannelsUseTheRotationTolerance) {
    auto makeNode = [] {
        NodePtr node(MakeVectorNode("Lcl Rotation", Type("Lcl Rotation"), {0, 0, 0}, 2));
        for (int c = 0; c < 3; ++c) {
            AddKeys(ChannelCurve(*node, c), {{0, 10.0f}, {1, 10.0003f}, {2, 10.0001f}, {3, 10.0f}},
                    RCurveKey::Linear);
        }
        return node;
    };
    NodePtr node = makeNode();
    RFCurveFilterConstantKeyReducer reducer;
    EXPECT_TRUE(reducer.Apply(*node, true));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(ChannelCurve(*node, c).GetKeyCount(), 0);
    }
    EXPECT_EQ(reducer.GetSlopeTolerance(), 5e-13);
    EXPECT_EQ(reducer.GetValueTolerance(), 5e-13);

    // Alone, or with tolerances the caller chose, the curves keep their keys.
    node = makeNode();
    EXPECT_FALSE(reducer.Apply(ChannelCurve(*node, 0)));
    reducer.SetValueTolerance(1e-6);
    reducer.SetSlopeTolerance(1e-6);
    reducer.Apply(*node, true);
    EXPECT_EQ(ChannelCurve(*node, 1).GetKeyCount(), 4);
    EXPECT_EQ(reducer.GetValueTolerance(), 1e-6);
}

// ---- Key synchronizer ------------------------------------------------------------------------

// Every key time of any curve becomes a key time of every curve, and every key, old or new,
// lies on the curve's unchanged shape, whatever its kind (Tcb curves included).
TEST(RFCurveFilterKeySyncTest, SynchronizesWithoutChangingShapes) {
    CurvePtr even(RFCurve::Create());
    CurvePtr odd(RFCurve::Create());
    CurvePtr tcb(RFCurve::Create());
    for (int i = 0; i < 60; ++i) {
        even->AddKey(RTime(2 * i * kSecond), MakeKey(static_cast<float>(i % 7), RCurveKey::Cubic, RCurveKey::Auto));
        odd->AddKey(RTime((2 * i + 1) * kSecond),
                    MakeKey(static_cast<float>(i % 5), RCurveKey::Cubic, i % 3 == 0 ? RCurveKey::User : RCurveKey::Auto));
        if (i % 3 == 0) {
            tcb->AddKey(RTime((2 * i + 3) * kSecond), MakeTcb(static_cast<float>(i % 4), 0.1f, 0.2f * (i % 3), 0.3f));
        }
    }
    std::vector<CurvePtr> before;
    for (const RFCurve* curve : {even.get(), odd.get(), tcb.get()}) {
        before.emplace_back(curve->Clone(RTime(RTime::kInfinitelyEarly), RTime(RTime::kInfinitelyLate)));
    }
    RFCurve* curves[] = {even.get(), odd.get(), tcb.get()};
    RFCurveFilterKeySync sync;
    EXPECT_TRUE(sync.IsNeeded(curves, 3));
    ASSERT_TRUE(sync.Apply(curves, 3));
    EXPECT_FALSE(sync.IsNeeded(curves, 3));
    for (int c = 0; c < 3; ++c) {
        ASSERT_EQ(curves[c]->GetKeyCount(), 120) << c;
        for (int k = 0; k < 120; ++k) {
            EXPECT_EQ(curves[c]->GetKey(k).GetTime(), RTime(k * kSecond));
        }
        for (int i = -10; i <= 1250; ++i) {
            ASSERT_NEAR(curves[c]->EvaluateAt(At(i * 0.1)), before[c]->EvaluateAt(At(i * 0.1)), 1e-4) << c << " at " << i * 0.1;
        }
    }
    // Already synchronized: true, nothing moves.
    EXPECT_TRUE(sync.Apply(curves, 3));
    EXPECT_FLOAT_EQ(odd->GetKey(1).GetValue(), before[1]->GetKey(0).GetValue());
}

TEST(RFCurveFilterKeySyncTest, OnlyKeyTimesInsideTheSpan) {
    CurvePtr a = MakeCurve({{0, 0}, {10, 10}});
    CurvePtr b = MakeCurve({{2, 1}, {5, 1}, {8, 1}});
    RFCurve* curves[] = {a.get(), b.get()};
    RFCurveFilterKeySync sync;
    sync.SetSpan(At(3), At(7));
    EXPECT_TRUE(sync.Apply(curves, 2));
    EXPECT_EQ(KeySeconds(*a), (std::vector<double>{0, 5, 10}));
    EXPECT_EQ(KeySeconds(*b), (std::vector<double>{2, 5, 8}));
}

TEST(RFCurveFilterKeySyncTest, IsNeededAndItsReasons) {
    CurvePtr a = MakeCurve({{0, 0}, {1, 0}, {2, 0}});
    CurvePtr b = MakeCurve({{0, 1}, {1, 1}, {2, 1}});
    CurvePtr c = MakeCurve({{0, 1}, {1, 1}, {2, 1}, {3, 1}});
    RFCurveFilterKeySync sync;
    RFCurve* equal[] = {a.get(), b.get(), b.get()};
    EXPECT_FALSE(sync.IsNeeded(equal, 3));
    RFCurve* different[] = {a.get(), b.get(), c.get()};
    EXPECT_TRUE(sync.IsNeeded(different, 3));
    EXPECT_EQ(sync.GetLastErrorCode(), 2);
    EXPECT_STREQ(sync.GetLastErrorString(), "KeySyncFilter, Key count is different in the Curves to be filtered.");
    EXPECT_FALSE(sync.Apply(*a));
    EXPECT_STREQ(sync.GetLastErrorString(), "KeySyncFilter, No key were changed by filter.");
    RFCurve* one[] = {a.get()};
    EXPECT_FALSE(sync.Apply(one, 1));
}

TEST(RFCurveFilterKeySyncTest, NodeFormsTakeTwentyChildCurvesAndSkipChildrenWithout) {
    auto makeNode = [](int children) {
        NodePtr node(RFCurveNode::Create("many", nullptr));
        for (int i = 0; i < children; ++i) {
            RFCurveNode* leaf = MakeLeaf(std::to_string(i).c_str(), 0.0f);
            AddKeys(*leaf->GetCurve(), {{static_cast<double>(i), 1.0f}});
            node->AddChild(leaf);
        }
        return node;
    };
    RFCurveFilterKeySync sync;
    NodePtr twenty = makeNode(20);
    EXPECT_TRUE(sync.IsNeeded(*twenty, false));
    EXPECT_TRUE(sync.Apply(*twenty, false));
    EXPECT_EQ(ChannelCurve(*twenty, 19).GetKeyCount(), 20);

    NodePtr many = makeNode(21);
    EXPECT_FALSE(sync.IsNeeded(*many, false));
    EXPECT_EQ(sync.GetLastErrorCode(), 4);
    EXPECT_FALSE(sync.Apply(*many, false));

    NodePtr gaps = makeNode(2);
    gaps->AddChild(RFCurveNode::Create("no curve", nullptr));
    gaps->AddChild(MakeLeaf("3", 0.0f));
    EXPECT_TRUE(sync.Apply(*gaps, false));
    EXPECT_EQ(KeySeconds(ChannelCurve(*gaps, 3)), (std::vector<double>{0, 1}));
}

// ---- Time shift and scale --------------------------------------------------------------------

TEST(RFCurveFilterTimeShiftAndScaleTest, ShiftsThenScales) {
    CurvePtr curve = MakeCurve({{1, 0}, {2, 1}});
    RFCurveFilterTimeShiftAndScale filter;
    EXPECT_EQ(filter.GetScale(), 1.0);
    filter.SetShift(RTime(kSecond));
    filter.SetScale(2.0);
    EXPECT_TRUE(filter.Apply(*curve));
    EXPECT_EQ(KeySeconds(*curve), (std::vector<double>{4, 6}));

    filter.SetShift(RTime(kSecond / 2));
    filter.SetScale(-1.0);
    EXPECT_TRUE(filter.Apply(*curve));
    EXPECT_EQ(KeySeconds(*curve), (std::vector<double>{4.5, 6.5}));

    filter.SetShift(RTime());
    EXPECT_FALSE(filter.Apply(*curve));
    EXPECT_STREQ(filter.GetLastErrorString(), "TimeShiftAndScaleFilter, No key were changed by filter.");
    filter.SetScale(3.0);
    CurvePtr empty(RFCurve::Create());
    EXPECT_FALSE(filter.Apply(*empty));
    EXPECT_EQ(filter.GetLastErrorCode(), 0);
}

TEST(RFCurveFilterTimeShiftAndScaleTest, KeysStayInOrderWhenScaledTogether) {
    CurvePtr curve(RFCurve::Create());
    for (int k = 0; k < 4; ++k) {
        curve->AddKey(RTime(k), MakeKey(0.0f, RCurveKey::Cubic, RCurveKey::Auto));
    }
    RFCurveFilterTimeShiftAndScale filter;
    filter.SetScale(0.25);
    EXPECT_TRUE(filter.Apply(*curve));
    for (int k = 1; k < 4; ++k) {
        EXPECT_LT(curve->GetKey(k - 1).GetTime(), curve->GetKey(k).GetTime());
    }
}
