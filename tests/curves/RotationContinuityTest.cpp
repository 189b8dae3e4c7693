#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "core/RVector4.h"
#include "tests/curves/CurveNodeTestSupport.h"
#include "curves/RTimeWarpRegistry.h"
#include "curves/RotationContinuity.h"

using namespace curve_node_test;
using curve_test::At;

namespace {

bool SameRotation(const double a[3], const double b[3], int order) {
    RMatrix first;
    RMatrix second;
    EulerToMatrixInOrder(first, a, order);
    EulerToMatrixInOrder(second, b, order);
    return MatrixCompare(first, second, 1e-9) == 0;
}

}  // namespace

TEST(RotationContinuity, NearestEquivalentAngle) {
    const double cases[][3] = {{350, 0, -10}, {10, 350, 370}, {180, 0, 180}, {-540, 0, -180}, {725, 0, 5}};
    for (const auto& c : cases) EXPECT_EQ(NearestEquivalentAngle(c[0], c[1]), c[2]) << c[0] << " near " << c[1];
}

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Signed zeros, halves, the ends of one and two turns, the edges where every double is whole,
// huge values, subnormals, infinities and NaN, each with both signs.
std::vector<double> EdgeValues() {
    const double magnitudes[] = {0.0, 0.25, 0.5, 1.5, 2.5, 1.0 - 1e-16, 1.0, 179.5, 180.0, 359.99999999999994,
                                 360.0, 360.00000000000006, 540.0, 719.9999999999999, 720.0, 720.0000000000001,
                                 1e6 + 0.5, 4503599627370495.5, 4503599627370496.0, 4503599627370497.0,
                                 9007199254740993.0, 1e300, 4.9e-324, 2.2250738585072014e-308,
                                 std::numeric_limits<double>::max(), HUGE_VAL, std::nan("")};
    std::vector<double> values;
    for (double m : magnitudes) {
        values.push_back(m);
        values.push_back(-m);
    }
    for (int i = -2000; i <= 2000; ++i) values.push_back(i * 0.37);
    return values;
}

}  // namespace

// The replacements of the library calls give its bits for every value, NaN and the signed zeros
// included.
TEST(RotationContinuity, WholeAndRemainderMatchTheLibrary) {
    for (double value : EdgeValues()) {
        double whole = 0.0;
        double libraryWhole = 0.0;
        const double fraction = SplitWhole(value, whole);
        const double libraryFraction = std::modf(value, &libraryWhole);
        EXPECT_TRUE(SameBits(fraction, libraryFraction)) << value << ": " << fraction << " / " << libraryFraction;
        EXPECT_TRUE(SameBits(whole, libraryWhole)) << value << ": " << whole << " / " << libraryWhole;
        EXPECT_TRUE(SameBits(RemainderOfTurn(value), std::fmod(value, 360.0)))
            << value << ": " << RemainderOfTurn(value) << " / " << std::fmod(value, 360.0);
    }
}

TEST(RotationContinuity, EulerFilterStepCases) {
    struct Case {
        std::array<double, 3> current;
        std::array<double, 3> previous;
        std::array<double, 3> out;
        bool flipped;
    };
    const Case cases[] = {
        {{0, 0, 359}, {0, 0, 0}, {0, 0, -1}, false},
        {{-170, 0, 0}, {170, 0, 0}, {190, 0, 0}, false},
        {{180, 180, 180}, {0, 0, 0}, {0, 0, 0}, true},  // the flipped form of the identity
        {{40, 90, 50}, {10, 90, 20}, {10, 90, 20}, false},  // at 90 both outer angles move by -30
    };
    const int xyz[3] = {0, 1, 2};
    for (const Case& test : cases) {
        double out[3] = {test.current[0], test.current[1], test.current[2]};
        EXPECT_EQ(EulerFilterStep(out, out, test.previous.data(), xyz), test.flipped);  // out may be current
        EXPECT_EQ(std::vector<double>(out, out + 3), std::vector<double>(test.out.begin(), test.out.end()));
    }
    // At 270 (-90) the sum of the outer angles is kept.
    double out[3];
    const double low[3] = {40, -90, 50};
    const double lowPrevious[3] = {0, -90, 0};
    EulerFilterStep(out, low, lowPrevious, xyz);
    EXPECT_NEAR(out[0] + out[2], 90.0, 1e-9);
    EXPECT_NEAR(out[0] - out[2], 0.0, 1e-9);
}

// EulerFilterStep gives the bits of the step of the rotation order with the same axes, on
// its short way for small steps as elsewhere: signed zeros, steps at an eighth of a turn,
// middle angles at and near every gimbal angle, huge and NaN angles.
TEST(RotationContinuity, EulerFilterStepIsTheStepOfItsRotationOrder) {
    const double values[] = {0.0, -0.0, 0.3, -0.3, 30.0, -44.9, 45.2, 89.5, 90.0, 90.0000001, -91.5, 179.9, -179.9,
                             269.5, 270.0, 1e9 + 1.0, std::nan("")};
    const double previousTriples[][3] = {
        {0.0, 0.0, 0.0}, {-0.0, 89.2, 0.1}, {10.0, 90.0, 20.0}, {90.0, 10.0, 90.0}, {170.0, -10.0, 2e9},
        {30.0, 269.0, -44.0}};
    for (int code = 0; code < 12; code += 2) {
        int axes[3];
        RotationOrderAxes(axes, code);
        for (const auto& previous : previousTriples) {
            for (double a : values) {
                for (double b : values) {
                    for (double c : values) {
                        const double current[3] = {a, b, c};
                        double expected[3];
                        const bool expectedFlip = EulerFilterStepInOrder(expected, current, previous, code);
                        double out[3] = {a, b, c};
                        ASSERT_EQ(EulerFilterStep(out, out, previous, axes), expectedFlip) << code << ": " << a << " " << b << " " << c;
                        for (int i = 0; i < 3; ++i) {
                            ASSERT_TRUE(SameBits(out[i], expected[i]) || (std::isnan(out[i]) && std::isnan(expected[i])))
                                << code << ": " << a << " " << b << " " << c << " axis " << i << ": " << out[i] << " / "
                                << expected[i];
                        }
                    }
                }
            }
        }
    }
}

// A middle angle within the tolerance of a gimbal angle, whichever way round it is given,
// moves the outer angles; half a degree away nothing moves.
TEST(RotationContinuity, EvenOutGimbalReachesTheToleranceOfEveryGimbalAngle) {
    const int axes[3] = {0, 1, 2};
    const double previous[3] = {10.0, 0.0, 20.0};
    const std::pair<bool, std::vector<double>> forms[] = {{false, {90.0, -90.0, 270.0, -270.0}},
                                                          {true, {0.0, 180.0, -180.0}}};
    for (const auto& [repeated, gimbalAngles] : forms) {
        for (double gimbal : gimbalAngles) {
            for (double off : {5e-7, -5e-7, 0.5, -0.5}) {
                double angles[3] = {40.0, gimbal + off, 70.0};
                EvenOutGimbal(angles, previous, axes, repeated);
                const bool moved = angles[0] != 40.0 && angles[2] != 70.0;
                EXPECT_EQ(moved, std::fabs(off) < 1e-6) << "repeated " << repeated << " at " << gimbal << " + " << off;
            }
        }
    }
}

namespace {

// The nearer of the plain triple and the flipped one, each moved by whole turns next to the
// previous triple, evened out at gimbal, as the full comparison gives it.
bool NearerTriple(double out[3], const double current[3], const double previous[3], int order) {
    int axes[3];
    RotationOrderAxes(axes, order);
    const bool repeated = IsRepeatedAxisOrder(order);
    const double flipOffsets[3] = {180.0, repeated ? 0.0 : 180.0, 180.0};
    // In the order's axis sequence, as the distances are summed in that sequence.
    double reference[3];
    double plain[3];
    double flipped[3];
    for (int i = 0; i < 3; ++i) {
        const double angle = current[axes[i]];
        reference[i] = previous[axes[i]];
        plain[i] = NearestEquivalentAngle(angle, reference[i]);
        flipped[i] = NearestEquivalentAngle(i == 1 ? flipOffsets[1] - angle : angle + flipOffsets[i], reference[i]);
    }
    const bool flip = SquaredEulerDistance(flipped, reference) <= SquaredEulerDistance(plain, reference);
    for (int i = 0; i < 3; ++i) out[axes[i]] = flip ? flipped[i] : plain[i];
    EvenOutGimbal(out, previous, axes, repeated);
    return flip;
}

}  // namespace

// Near steps and far ones alike, the step gives the full comparison's triple to the bit: steps
// of both outer angles together and against each other, from the gimbal angle too, and from
// angles so large that half a turn is lost in rounding.
TEST(RotationContinuity, EulerFilterStepTakesTheNearerTripleToTheBit) {
    const double steps[] = {0.0, 10.0, -44.9, 44.99, 45.0, -46.0, 90.0, 95.0, 135.0, -170.0, 181.0, 359.0, 725.0};
    const double starts[] = {0.0, -0.0, 89.5, 90.0, 179.0, 180.0, -540.0, 1e8, 4.611686018427388e18};
    std::vector<std::array<double, 6>> cases;  // previous, then the steps of the first, middle and last angle
    for (double start : starts) {
        for (double outer : steps) {
            for (double middle : steps) {
                cases.push_back({start, start * 0.5, -start, outer, middle, outer});
                cases.push_back({start, start * 0.5, -start, outer, middle, -0.5 * outer});
            }
        }
    }
    for (int order : {0, 1, 2, 5, 10}) {
        int axes[3];
        RotationOrderAxes(axes, order);
        for (const auto& c : cases) {
            const double previous[3] = {c[0], c[1], c[2]};
            double current[3] = {c[0], c[1], c[2]};
            for (int i = 0; i < 3; ++i) current[axes[i]] += c[3 + i];
            double want[3];
            const bool flip = NearerTriple(want, current, previous, order);
            double got[3];
            EXPECT_EQ(EulerFilterStepInOrder(got, current, previous, order), flip);
            for (int i = 0; i < 3; ++i) {
                EXPECT_TRUE(SameBits(got[i], want[i])) << "order " << order << " from " << c[0] << " step " << c[3]
                                                       << ", " << c[4] << ", " << c[5] << " angle " << i << ": "
                                                       << got[i] << " / " << want[i];
            }
        }
    }
}

// Angles of -0 a small step from the previous ones come out as no whole turn leaves them:
// +0 where the previous angle lies at or above (a previous -0 included), -0 below; and small
// steps in general give the full comparison's triple to the bit.
TEST(RotationContinuity, EulerFilterStepNearThePreviousTripleKeepsTheSignedZeros) {
    const double previousAngles[] = {0.0, -0.0, 1.0, -1.0, 30.0, -44.0};
    for (double p0 : previousAngles) {
        for (double p2 : previousAngles) {
            const double previous[3] = {p0, 0.5 * p2, p2};
            const double current[3] = {-0.0, -0.0, -0.0};
            double got[3];
            EXPECT_FALSE(EulerFilterStepInOrder(got, current, previous, 0));
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(std::signbit(got[i]), previous[i] < 0.0) << "angle " << i << " from " << previous[i];
                EXPECT_EQ(got[i], 0.0);
            }
        }
    }
    for (int k = 0; k < 2000; ++k) {
        const double previous[3] = {std::sin(k) * 200.0, std::cos(k * 0.7) * 80.0, std::sin(k * 1.3) * 600.0};
        double current[3];
        for (int i = 0; i < 3; ++i) current[i] = previous[i] + 44.0 * std::sin(k * (i + 2.1));
        double want[3];
        double got[3];
        EXPECT_EQ(EulerFilterStepInOrder(got, current, previous, 0), NearerTriple(want, current, previous, 0));
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(SameBits(got[i], want[i])) << k << " angle " << i;
    }
}

// Whatever the order (the repeated-axis forms and spheric XYZ included) and however far the
// previous triple lies, the step gives a triple of the same rotation; at the gimbal angles of
// the order it brings the outer angles next to the previous ones.
TEST(RotationContinuity, EulerFilterStepKeepsTheRotationInEveryOrder) {
    for (int order = 0; order <= RFCurveNode::kSphericXYZ; ++order) {
        int axes[3];
        RotationOrderAxes(axes, order);
        const bool repeated = order % 2 == 1 && order < RFCurveNode::kSphericXYZ;
        for (double middle : {90.0, -90.0, 0.0, 180.0, 37.0, 175.0}) {
            double triple[3];
            triple[axes[0]] = 40;
            triple[axes[1]] = middle;
            triple[axes[2]] = 75;
            double before[3];
            before[axes[0]] = -100;
            before[axes[1]] = middle + 3;
            before[axes[2]] = 300;
            double out[3];
            EulerFilterStepInOrder(out, triple, before, order);
            EXPECT_TRUE(SameRotation(out, triple, order)) << "order " << order << " middle " << middle;
            const bool gimbal = repeated ? (middle == 0.0 || middle == 180.0) : std::fabs(middle) == 90.0;
            if (gimbal && order != RFCurveNode::kSphericXYZ) {
                before[axes[1]] = middle;
                EulerFilterStepInOrder(out, triple, before, order);
                EXPECT_TRUE(SameRotation(out, triple, order)) << "order " << order << " middle " << middle;
                EXPECT_LT(std::fabs(out[axes[0]] - before[axes[0]]) + std::fabs(out[axes[2]] - before[axes[2]]), 181.0)
                    << "order " << order << " middle " << middle;
            }
        }
    }
}

TEST(RotationContinuity, SphericFormRoundTrips) {
    const double cases[][3] = {{30, 20, -40}, {-120, 60, 10}, {0, 0, 0}, {170, -80, 85}};
    for (const auto& angles : cases) {
        RMatrix rotation;
        SphericToMatrix(rotation, angles);
        double back[3];
        MatrixToSpheric(back, rotation);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(back[i], angles[i], 1e-9);
        }
    }
    RMatrix reversed;
    const double half[3] = {0, 0, 180};
    SphericToMatrix(reversed, half);
    double back[3];
    MatrixToSpheric(back, reversed);
    EXPECT_EQ(std::vector<double>(back, back + 3), (std::vector<double>{180, 180, 180}));

    // Euler orders go through the axis table: angles stay on their own channels.
    const double angles[3] = {10, 20, 30};
    for (int order = 0; order <= 10; order += 2) {
        RMatrix rotation;
        EulerToMatrixInOrder(rotation, angles, order);
        double result[3];
        MatrixToEulerInOrder(result, rotation, order);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(result[i], angles[i], 1e-9) << "order " << order;
        }
    }
}

TEST(RotationContinuity, FilterEulerUsesTheNodesOrder) {
    NodePtr node(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
    double correction[3];
    const double current[3] = {-170, 0, 0};
    const double previous[3] = {170, 0, 0};
    EXPECT_FALSE(node->FilterEuler(correction, current, previous));
    EXPECT_EQ(std::vector<double>(correction, correction + 3), (std::vector<double>{360, 0, 0}));

    // Order ZXY (axes 2, 0, 1): the flipped triple turns X round (the middle axis).
    node->SetRotationOrder(8);
    int axes[3];
    RotationOrderAxes(axes, 8);
    const double triple[3] = {30, 100, 60};
    double other[3];
    other[axes[0]] = triple[axes[0]] + 180;
    other[axes[1]] = 180 - triple[axes[1]];
    other[axes[2]] = triple[axes[2]] + 180;
    ASSERT_TRUE(SameRotation(triple, other, 8));
    EXPECT_TRUE(node->FilterEuler(correction, other, triple));
    double corrected[3];
    for (int i = 0; i < 3; ++i) {
        corrected[i] = correction[i] + (i == axes[1] ? -other[i] : other[i]);
        EXPECT_NEAR(corrected[i], triple[i], 1e-9) << i;
    }

    node->SetRotationOrder(RFCurveNode::kSphericXYZ);
    EXPECT_FALSE(node->FilterEuler(correction, other, triple));
}

TEST(RotationContinuity, PreviousKeyTimesAndContinuousKeys) {
    NodePtr node(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
    curve_test::AddKeys(ChannelCurve(*node, 0), {{1.0, 170.0f}});
    curve_test::AddKeys(ChannelCurve(*node, 2), {{2.0, 0.0f}});
    RTime previous;
    node->FindPreviousKeyTime(previous, At(1.0));
    EXPECT_EQ(previous, At(1.0));  // at the first key: the time itself
    node->FindPreviousKeyTime(previous, At(3.0));
    EXPECT_EQ(previous, At(2.0));
    const uint8_t mask[3] = {1, 1, 0};
    node->FindPreviousKeyTime(previous, At(3.0), mask, 3);
    EXPECT_EQ(previous, At(1.0));

    ChannelCurve(*node, 2).RemoveKey(0);
    ChannelCurve(*node, 2).SetDefaultValue(0);
    double out[3];
    const double values[3] = {-170, 0, 0};
    node->SetKeysContinuous(out, values, At(2.0));
    EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{190, 0, 0}));

    const double keys[6] = {-170, 0, 0, 99, 98, 97};
    EXPECT_EQ(node->AddKeyValues(At(2.0), keys, true), keys + 3);
    EXPECT_EQ(ChannelCurve(*node, 0).GetKey(1).GetValue(), 190.0f);
    EXPECT_EQ(ChannelCurve(*node, 2).GetKeyCount(), 1);
    // A time before the last key keeps the keys in order.
    EXPECT_EQ(node->AddKeyValues(At(0.5), keys + 3, false), keys + 6);
    EXPECT_EQ(ChannelCurve(*node, 0).GetKey(0).GetTime(), At(0.5));
    EXPECT_EQ(ChannelCurve(*node, 0).GetKeyCount(), 3);

    // A node that is not a rotation takes its values as they are.
    NodePtr leaf(MakeLeaf("leaf", 0));
    leaf->SetKeysContinuous(out, values, At(2.0));
    EXPECT_EQ(out[0], -170.0);
}

TEST(RotationContinuity, ReplaceSpanJoinsRotationsByWholeTurns) {
    NodePtr target(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
    curve_test::AddKeys(ChannelCurve(*target, 0), {{0.0, 350.0f}, {1.0, 360.0f}, {2.0, 370.0f}, {3.0, 380.0f}});
    NodePtr source(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
    curve_test::AddKeys(ChannelCurve(*source, 0), {{1.0, 0.0f}, {1.5, 5.0f}, {2.0, 10.0f}});
    EXPECT_TRUE(target->ReplaceSpan(*source, At(1.0), At(2.0), true, false));
    const RFCurve& x = ChannelCurve(*target, 0);
    ASSERT_EQ(x.GetKeyCount(), 5);
    EXPECT_FLOAT_EQ(x.GetKey(2).GetValue(), 365.0f);
    EXPECT_FLOAT_EQ(x.GetKey(3).GetValue(), 370.0f);

    // Other nodes copy curve by curve; a quaternion takes this node's magnitudes.
    NodePtr plain(MakeVectorNode("T", nullptr, {0, 0, 0}));
    NodePtr plainSource(MakeVectorNode("T", nullptr, {0, 0, 0}));
    curve_test::AddKeys(ChannelCurve(*plainSource, 1), {{1.0, 4.0f}});
    EXPECT_TRUE(plain->ReplaceSpan(*plainSource, At(0.0), At(2.0), true, true));
    EXPECT_EQ(ChannelCurve(*plain, 1).EvaluateAt(At(1.0)), 4.0f);
    EXPECT_FALSE(plain->ReplaceSpan(*plain, At(0.0), At(2.0), true, true));

    NodePtr quaternion(MakeVectorNode("Q", nullptr, {0, 0, 0, 2}, RFCurveNode::LayerQuaternion));
    NodePtr unit(MakeVectorNode("Q", nullptr, {0, 0, 0, 1}, RFCurveNode::LayerQuaternion));
    curve_test::AddKeys(ChannelCurve(*unit, 3), {{1.0, 1.0f}});
    EXPECT_TRUE(quaternion->ReplaceSpan(*unit, At(0.0), At(2.0), true, true));
    EXPECT_FLOAT_EQ(ChannelCurve(*quaternion, 3).EvaluateAt(At(1.0)), 2.0f);
}

// The copy takes one whole-turn or flip correction, so every copied key keeps its orientation;
// the keys after the span take one too, which joins them to the copy's end.
TEST(RotationContinuity, ReplaceSpanKeepsTheOrientationOfEveryKey) {
    struct Case {
        std::vector<std::pair<double, std::array<float, 3>>> target;
        std::vector<std::pair<double, std::array<float, 3>>> source;
    };
    const Case cases[] = {
        {{{0, {0, 0, 0}}, {10, {0, 0, 0}}}, {{0, {0, 0, 0}}, {5, {0, 0, 200}}, {10, {0, 0, 400}}}},
        {{{0, {0, 0, 0}}, {10, {0, 0, 0}}}, {{0, {0, 0, 0}}, {5, {30, 20, 10}}, {10, {180, 180, 180}}}},
        {{{-1, {0, 0, 360}}, {0, {0, 0, 360}}, {10, {0, 0, 0}}, {11, {0, 0, 10}}},
         {{0, {0, 0, 0}}, {5, {30, 20, 10}}, {10, {180, 180, 180}}}},
    };
    auto fill = [](RFCurveNode& node, const std::vector<std::pair<double, std::array<float, 3>>>& keys) {
        for (const auto& [seconds, triple] : keys) {
            for (int c = 0; c < 3; ++c) curve_test::AddKeys(ChannelCurve(node, c), {{seconds, triple[c]}});
        }
    };
    for (const Case& test : cases) {
        NodePtr target(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
        NodePtr source(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
        fill(*target, test.target);
        fill(*source, test.source);
        double after[3];
        target->EvaluateRaw(after, At(11.0));
        EXPECT_TRUE(target->ReplaceSpan(*source, At(0.0), At(10.0), true, false));
        for (const auto& [seconds, triple] : test.source) {
            double copied[3];
            double wanted[3] = {triple[0], triple[1], triple[2]};
            target->EvaluateRaw(copied, At(seconds));
            EXPECT_TRUE(SameRotation(copied, wanted, 0)) << seconds;
        }
        double joined[3];
        double last[3];
        target->EvaluateRaw(joined, At(11.0));
        target->EvaluateRaw(last, At(10.0));
        if (test.target.back().first > 10.0) {
            EXPECT_TRUE(SameRotation(joined, after, 0));
            EXPECT_LT(std::fabs(joined[2] - last[2]), 180.0);
        }
    }
}

TEST(RotationContinuity, TimeWarpRegistry) {
    SetTimeWarpList(nullptr);
    EXPECT_EQ(FindTimeWarp(1), nullptr);
    int id = 42;
    RFCurveNode warp("warp", Type("TimeWarp"));
    EXPECT_FALSE(FindTimeWarpId(nullptr, id));
    EXPECT_FALSE(FindTimeWarpId(&warp, id));

    RIntMap list(8);
    SetTimeWarpList(&list);
    EXPECT_EQ(FindTimeWarp(1), nullptr);
    RFCurveNode other("other");
    EXPECT_EQ(AddTimeWarpToList(list, 7, &warp), 0);
    EXPECT_EQ(AddTimeWarpToList(list, -3, &other), 0);
    EXPECT_EQ(AddTimeWarpToList(list, 9, nullptr), -1);
    EXPECT_EQ(FindTimeWarp(7), &warp);
    EXPECT_EQ(FindTimeWarp(-3), &other);
    EXPECT_EQ(FindTimeWarp(8), nullptr);
    EXPECT_TRUE(FindTimeWarpId(&other, id));
    EXPECT_EQ(id, -3);
    RFCurveNode stranger("stranger");
    EXPECT_FALSE(FindTimeWarpId(&stranger, id));
    EXPECT_EQ(id, -3);
    SetTimeWarpList(nullptr);
    EXPECT_EQ(GetTimeWarpList(), nullptr);
}
