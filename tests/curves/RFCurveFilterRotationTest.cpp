// The gimbal killer, the unroll filter and the resample filter, and the orientation of every
// key under each filter that re-expresses rotations.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/RTimeMode.h"
#include "curves/LayerPlotting.h"
#include "curves/RFCurveFilterGimbleKiller.h"
#include "curves/RFCurveFilterMatrixConverter.h"
#include "curves/RFCurveFilterResample.h"
#include "curves/RFCurveFilterUnroll.h"
#include "curves/RotationContinuity.h"
#include "tests/curves/CurveNodeTestSupport.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;
using namespace curve_node_test;

namespace {

using Triple = std::array<float, 3>;
using TripleKeys = std::vector<std::pair<double, Triple>>;

// A rotation node "R" (Euler XYZ) with one key per triple at the given times.
NodePtr MakeRotation(const TripleKeys& keys) {
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

void ExpectTriple(const Triple& actual, const Triple& expected) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], expected[c], 1e-3) << "channel " << c;
}

// Three loose curves, for the array forms of the rotation filters.
struct LooseCurves {
    explicit LooseCurves(const TripleKeys& keys) {
        for (const auto& [seconds, triple] : keys) {
            for (int c = 0; c < 3; ++c) curves[c]->AddKey(At(seconds), MakeKey(triple[c], RCurveKey::Cubic, RCurveKey::Auto));
        }
    }
    CurvePtr curves[3] = {CurvePtr(RFCurve::Create()), CurvePtr(RFCurve::Create()), CurvePtr(RFCurve::Create())};
    RFCurve* raw[3] = {curves[0].get(), curves[1].get(), curves[2].get()};
};

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
        const Triple a = KeyTriple(*node, k - 1);
        const Triple b = KeyTriple(*node, k);
        double step = 0.0;
        for (int c = 0; c < 3; ++c) step += (static_cast<double>(a[c]) - b[c]) * (static_cast<double>(a[c]) - b[c]);
        EXPECT_LT(step, 75.0) << k;
        EXPECT_LT(x.GetKey(k - 1).GetTime(), x.GetKey(k).GetTime());
        EXPECT_TRUE(x.GetKey(k).IsCubicWithMode(RCurveKey::Auto));
    }

    // Continuous over the whole curve: -170 after 170 becomes 190, with keys at 0.25 and 0.625 s.
    node = MakeRotation({{0, {0, 0, 170}}, {1, {0, 0, -170}}});
    ASSERT_TRUE(filter.Apply(*node, false));
    ASSERT_EQ(ChannelCurve(*node, 0).GetKeyCount(), 4);
    ExpectTriple(KeyTriple(*node, 3), {0, 0, 190});

    // Small steps, and keys closer than 1/1200 s however far apart, are copied.
    for (const TripleKeys& keys : {TripleKeys{{0, {0, 0, 0}}, {1, {4, 4, 4}}, {2, {8, 8, 8}}},
                                   TripleKeys{{0, {0, 0, 0}}, {0.0008, {0, 0, 120}}}}) {
        node = MakeRotation(keys);
        ASSERT_TRUE(filter.Apply(*node, false));
        EXPECT_EQ(ChannelCurve(*node, 0).GetKeyCount(), static_cast<int>(keys.size()));
    }
    LooseCurves loose({{0, {0, 0, 0}}, {1, {0, 0, 170}}});
    EXPECT_TRUE(filter.Apply(loose.raw, 3));
    EXPECT_GT(loose.curves[2]->GetKeyCount(), 2);
}

TEST(RFCurveFilterRotationTest, FiltersRefuseWhatIsNotThreeRotationCurves) {
    RFCurveFilterGimbleKiller killer;
    RFCurveFilterUnroll unroll;
    LooseCurves loose({{0, {0, 0, 170}}, {1, {0, 0, -170}}});
    EXPECT_FALSE(killer.Apply(loose.raw, 2));
    EXPECT_STREQ(killer.GetLastErrorString(), "Need 3 RFCurve to apply a gimble killer filter.");
    EXPECT_FALSE(killer.Apply(*loose.raw[0]));
    EXPECT_EQ(killer.GetLastErrorCode(), 2);
    EXPECT_FALSE(unroll.Apply(loose.raw, 2));
    EXPECT_EQ(unroll.GetLastErrorCode(), 2);
    EXPECT_STREQ(unroll.GetLastErrorString(), "Unroll Filter, Works only on rotation CurveNodes.");

    NodePtr pair(RFCurveNode::Create("R", nullptr, RFCurveNode::LayerRotation));
    pair->AddChild(MakeLeaf("X", 0));
    pair->AddChild(MakeLeaf("Y", 0));
    EXPECT_FALSE(killer.Apply(*pair, false));
    EXPECT_STREQ(killer.GetLastErrorString(), "Gimble Killer. ioCurveNode does not have 3 childs.");

    NodePtr translation(MakeVectorNode("T", Type("Lcl Translation"), {0, 0, 0}));
    AddKeys(ChannelCurve(*translation, 2), {{0, 170}, {1, -170}});
    EXPECT_FALSE(killer.Apply(*translation, false));
    EXPECT_EQ(killer.GetLastErrorCode(), 3);
    EXPECT_FALSE(unroll.Apply(*translation, false));
    EXPECT_FLOAT_EQ(ChannelCurve(*translation, 2).GetKey(1).GetValue(), -170.0f);

    NodePtr unkeyed = MakeRotation({});
    EXPECT_FALSE(killer.Apply(*unkeyed, false));
    EXPECT_EQ(killer.GetLastErrorCode(), 0);
    EXPECT_FALSE(unroll.Apply(*unkeyed, false));
    EXPECT_STREQ(unroll.GetLastErrorString(), "Unroll Filter, No key to be filtered.");
}

// ---- Unroll ----------------------------------------------------------------------------------

TEST(RFCurveFilterUnrollTest, PicksTheNearestEquivalentTriple) {
    struct Case {
        TripleKeys keys;
        double start;
        double stop;
        std::vector<Triple> expected;
    };
    const Case cases[] = {
        {{{0, {0, 0, 170}}, {1, {0, 0, -170}}}, -1, 9, {{0, 0, 170}, {0, 0, 190}}},
        // From a span starting at a later key, that key's own triple is the reference.
        {{{0, {170, 10, 170}}, {1, {170, 10, 170}}, {2, {-12, 172, -12}}}, 1, 9, {{170, 10, 170}, {170, 10, 170}, {168, 8, 168}}},
        // From the first key, (0, 0, 0) is.
        {{{0, {370, 0, 0}}, {1, {375, 0, 0}}}, -1, 9, {{10, 0, 0}, {15, 0, 0}}},
        // Keys after the span stay, joined to the unrolled ones by whole turns.
        {{{0, {0, 0, 0}}, {1, {0, 0, 170}}, {2, {0, 0, -170}}, {3, {0, 0, 150}}}, 0, 2, {{0, 0, 0}, {0, 0, 170}, {0, 0, 190}, {0, 0, 150}}},
        {{{0, {0, 0, 0}}, {1, {0, 0, 170}}, {2, {0, 0, -170}}, {3, {0, 0, -150}}, {4, {0, 0, -130}}}, 0, 2,
         {{0, 0, 0}, {0, 0, 170}, {0, 0, 190}, {0, 0, 210}, {0, 0, 230}}},
    };
    for (const Case& test : cases) {
        NodePtr node = MakeRotation(test.keys);
        RFCurveFilterUnroll filter;
        EXPECT_EQ(filter.GetPrecision(), 0.25);
        filter.SetSpan(At(test.start), At(test.stop));
        ASSERT_TRUE(filter.Apply(*node, false));
        for (std::size_t k = 0; k < test.expected.size(); ++k) ExpectTriple(KeyTriple(*node, static_cast<int>(k)), test.expected[k]);
    }
    LooseCurves loose({{0, {0, 0, 170}}, {1, {0, 0, -170}}});
    RFCurveFilterUnroll filter;
    EXPECT_TRUE(filter.Apply(loose.raw, 3));
    EXPECT_FLOAT_EQ(loose.curves[2]->GetKey(1).GetValue(), 190.0f);
}

// One filter run over node after node works on its kept copy of the last node: each node,
// longer or shorter than the one before, with keys out of step or with a span, ends as a new
// filter leaves it, to the bit.
TEST(RFCurveFilterUnrollTest, OneFilterOverManyNodesFiltersEachAsANewFilterWould) {
    TripleKeys longRun;
    for (int k = 0; k < 60; ++k) longRun.push_back({0.5 * k, {37.0f * k, 11.0f * k - 90.0f, -53.0f * k}});
    const TripleKeys nodes[] = {longRun, {{0, {0, 0, 170}}, {1, {0, 0, -170}}, {2, {350, 10, -20}}}, {},
                                longRun, {{0, {170, 10, 170}}, {1, {-12, 172, -12}}}};
    RFCurveFilterUnroll kept;
    for (std::size_t n = 0; n < std::size(nodes); ++n) {
        SCOPED_TRACE(testing::Message() << "node " << n);
        NodePtr expected = MakeRotation(nodes[n]);
        NodePtr got = MakeRotation(nodes[n]);
        if (n == 2) {
            // Channels keyed at different times, which the work copy synchronises first.
            for (const NodePtr* node : {&expected, &got}) {
                AddKeys(ChannelCurve(**node, 0), {{0, 10}, {1, 400}, {2, 30}});
                AddKeys(ChannelCurve(**node, 1), {{0, 5}, {1.5, -5}});
                AddKeys(ChannelCurve(**node, 2), {{0, 0}, {2, 700}});
            }
        }
        RFCurveFilterUnroll fresh;
        if (n == 3) {
            fresh.SetSpan(At(4.0), At(20.0));
            kept.SetSpan(At(4.0), At(20.0));
        }
        ASSERT_EQ(kept.Apply(*got, false), fresh.Apply(*expected, false));
        for (int c = 0; c < 3; ++c) {
            const RFCurve& want = ChannelCurve(*expected, c);
            const RFCurve& have = ChannelCurve(*got, c);
            ASSERT_EQ(have.GetKeyCount(), want.GetKeyCount()) << "channel " << c;
            for (int k = 0; k < want.GetKeyCount(); ++k) {
                EXPECT_EQ(have.GetKey(k).GetTime(), want.GetKey(k).GetTime()) << "channel " << c << " key " << k;
                const float values[2] = {have.GetKey(k).GetValue(), want.GetKey(k).GetValue()};
                EXPECT_EQ(std::memcmp(&values[0], &values[1], sizeof(float)), 0)
                    << "channel " << c << " key " << k << ": " << have.GetKey(k).GetValue() << " against "
                    << want.GetKey(k).GetValue();
                EXPECT_EQ(have.GetKey(k).GetTangentMode(), want.GetKey(k).GetTangentMode());
            }
        }
        kept.Reset();
    }
}

// In every rotation order the unrolled keys are the order's steps taken key after key from
// (0, 0, 0), to the bit: slow runs through the gimbal angles of both kinds of order, where the
// steps even out the outer angles, and jumps that take the second triple.
TEST(RFCurveFilterUnrollTest, EveryOrderStepsItsKeysAsTheOrdersFilterStep) {
    TripleKeys keys;
    for (int k = 0; k < 150; ++k) {
        const double middle = k < 50 ? 100.0 * std::sin(0.06 * k) : k < 100 ? 180.0 + 4.0 * std::sin(0.4 * k)
                                                                            : 170.0 * std::sin(1.9 * k);
        const double jump = k % 9 == 4 ? 200.0 : 0.0;
        keys.push_back({0.25 * k, {static_cast<float>(30.0 * std::sin(0.1 * k) + jump), static_cast<float>(middle),
                                   static_cast<float>(-40.0 * std::cos(0.07 * k) - jump)}});
    }
    for (int order = 0; order <= kRotationOrderSphericXYZ; ++order) {
        SCOPED_TRACE(testing::Message() << "order " << order);
        NodePtr node = MakeRotation(keys);
        node->SetRotationOrder(order);
        RFCurveFilterUnroll filter;
        ASSERT_TRUE(filter.Apply(*node, false));
        double previous[3] = {0.0, 0.0, 0.0};
        for (std::size_t k = 0; k < keys.size(); ++k) {
            double angles[3] = {keys[k].second[0], keys[k].second[1], keys[k].second[2]};
            EulerFilterStepInOrder(angles, angles, previous, order);
            std::copy(angles, angles + 3, previous);
            const Triple got = KeyTriple(*node, static_cast<int>(k));
            for (int c = 0; c < 3; ++c) {
                const float want = static_cast<float>(angles[c]);
                EXPECT_EQ(std::memcmp(&got[c], &want, sizeof(float)), 0)
                    << "key " << k << " channel " << c << ": " << got[c] << " against " << want;
            }
        }
    }
}

// ---- Resample --------------------------------------------------------------------------------

TEST(RFCurveFilterResampleTest, ReplacesTheKeysAtThePeriod) {
    RFCurve curve;
    AddKeys(curve, {{0, 0}, {1, 4}}, RCurveKey::Linear);
    RFCurveFilterResample filter;
    RTime frame;
    frame.SetFromTimecode(0, 0, 0, 1, 0, 0);
    EXPECT_EQ(filter.GetPeriod(), frame);
    filter.SetPeriod(At(0.25));
    ASSERT_TRUE(filter.Apply(curve));
    ASSERT_EQ(curve.GetKeyCount(), 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(curve.GetKey(k).GetTime(), At(0.25 * k));
        EXPECT_NEAR(curve.GetKey(k).GetValue(), k, 1e-5);
        EXPECT_EQ(curve.GetKey(k).GetInterpolation(), RCurveKey::Cubic);
    }
}

TEST(RFCurveFilterResampleTest, BadPeriodsAndIntervals) {
    RFCurveFilterResample filter;
    RFCurve curve;
    EXPECT_FALSE(filter.Apply(curve));
    EXPECT_STREQ(filter.GetLastErrorString(), "Bad Interval");
    AddKeys(curve, {{0, 0}, {1, 4}});
    // A tick per key over a second would be billions of keys: refused, the curve kept.
    for (const int64_t period : {int64_t{0}, int64_t{-5}, int64_t{1}}) {
        filter.SetPeriod(RTime(period));
        EXPECT_FALSE(filter.Apply(curve));
        EXPECT_STREQ(filter.GetLastErrorString(), "Bad Period");
        EXPECT_EQ(filter.GetLastErrorCode(), 0);
    }
    EXPECT_EQ(curve.GetKeyCount(), 2);
}

TEST(RFCurveFilterResampleTest, AlignsThePositiveStartToThePeriod) {
    const int64_t period = kSecond / 10;
    RFCurveFilterResample filter;
    filter.SetPeriod(RTime(period));
    filter.SetAlignToPeriod(true);
    EXPECT_TRUE(filter.GetAlignToPeriod());
    for (const bool positive : {true, false}) {
        RFCurve curve;
        AddKeys(curve, {{positive ? 0 : -1, 0}, {1, 1}}, RCurveKey::Linear);
        const int64_t start = (positive ? 1 : -1) * period * 3 / 2;
        filter.SetSpan(RTime(start), RTime(period * 5));
        ASSERT_TRUE(filter.Apply(curve));
        EXPECT_EQ(curve.GetKey(1).GetTime(), RTime(positive ? period * 2 : start));
    }
}

// ---- Every filter that re-expresses rotations keeps each key's orientation -----------------

namespace {

// Keys that ask for whole turns, flipped triples and the gimbal cases of the Euler orders.
const std::vector<std::pair<double, Triple>> kTurningKeys = {
    {0, {0, 0, 0}},         {1, {10, 90, 20}},     {2, {-170, 30, 170}}, {3, {190, -60, -400}},
    {4, {5, 175, -5}},      {5, {40, 90, 50}},     {6, {300, -90, 10}},  {7, {-20, 140, 80}},
};

RMatrix Orientation(const double angles[3], int order) {
    RMatrix rotation;
    EulerToMatrixInOrder(rotation, angles, order);
    return rotation;
}

// The node's orientation (read in readOrder) at every key time equals the keys' (in keyOrder).
void ExpectKeyOrientations(const RFCurveNode& node, int readOrder, int keyOrder) {
    for (const auto& [seconds, triple] : kTurningKeys) {
        double before[3] = {triple[0], triple[1], triple[2]};
        double after[3];
        node.EvaluateRaw(after, At(seconds));
        EXPECT_EQ(MatrixCompare(Orientation(before, keyOrder), Orientation(after, readOrder), 1e-4), 0)
            << "key at " << seconds << " s: " << after[0] << ", " << after[1] << ", " << after[2];
    }
}

NodePtr MakeTurningRotation(int order) {
    NodePtr node = MakeRotation(kTurningKeys);
    node->SetRotationOrder(order);
    return node;
}

class RotationFilters : public testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Orders, RotationFilters, testing::Range(0, 13));

TEST_P(RotationFilters, UnrollAndRotationFilterModeKeepOrientations) {
    NodePtr node = MakeTurningRotation(GetParam());
    RFCurveFilterUnroll unroll;
    ASSERT_TRUE(unroll.Apply(*node, false));
    ExpectKeyOrientations(*node, GetParam(), GetParam());
    // A span inside the keys: the keys after it join the unrolled ones.
    node = MakeTurningRotation(GetParam());
    unroll.SetSpan(At(1.5), At(4.5));
    ASSERT_TRUE(unroll.Apply(*node, false));
    ExpectKeyOrientations(*node, GetParam(), GetParam());

    node = MakeTurningRotation(GetParam());
    ApplyRotationFilterByMode(*node, RTime(RTime::kInfinitelyEarly), RTime(RTime::kInfinitelyLate));
    ExpectKeyOrientations(*node, GetParam(), GetParam());
}

TEST_P(RotationFilters, GimbalKillerKeepsOrientations) {
    NodePtr node = MakeTurningRotation(GetParam());
    RFCurveFilterGimbleKiller killer;
    ASSERT_TRUE(killer.Apply(*node, false));
    EXPECT_GT(ChannelCurve(*node, 0).GetKeyCount(), static_cast<int>(kTurningKeys.size()));
    ExpectKeyOrientations(*node, GetParam(), GetParam());
}

TEST_P(RotationFilters, MatrixConverterKeepsOrientations) {
    for (const int destination : {GetParam(), (GetParam() + 5) % 13}) {
        SCOPED_TRACE(testing::Message() << "to order " << destination);
        NodePtr transform(RFCurveNode::Create("Defaults", nullptr));
        transform->AddChild(MakeVectorNode("T", nullptr, {0, 0, 0}));
        transform->AddChild(MakeTurningRotation(GetParam()).release());
        transform->AddChild(MakeVectorNode("S", nullptr, {1, 1, 1}));
        RFCurveFilterMatrixConverter converter;
        converter.SetResamplingPeriod(At(1.0));
        converter.SetSourceRotationOrder(GetParam());
        converter.SetDestinationRotationOrder(destination);
        converter.Apply(*transform, true);
        const RFCurveNode& rotation = *transform->GetChild(1);
        EXPECT_EQ(rotation.GetRotationOrder(), destination);
        ExpectKeyOrientations(rotation, destination, GetParam());
    }
}

TEST_P(RotationFilters, LayerPlottingKeepsOrientations) {
    for (const bool merge : {false, true}) {
        NodePtr node = MakeTurningRotation(GetParam());
        node->CreateLayer(1, true);
        RLayerPlotOptions options;
        options.mergeIntoSpan = merge;
        ASSERT_TRUE(PlotNodeAnimation(*node, merge ? At(2.0) : At(0.0), At(7.0), At(1.0), options));
        ExpectKeyOrientations(merge ? *node->FindLayer(0) : *node, GetParam(), GetParam());
    }
}

}  // namespace
