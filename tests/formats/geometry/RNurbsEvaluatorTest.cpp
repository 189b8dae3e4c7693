// NURBS sampling: spans and samples, rational surfaces, wrapping and refusals.

#include "formats/geometry/RNurbsEvaluator.h"

#include "attributes/RWyxPatch.h"
#include "formats/geometry/RInfluenceTable.h"
#include "tests/formats/geometry/EvaluatorTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numeric>
#include <set>

namespace {

using evaluator_test::Distance;
using evaluator_test::Grid;
using evaluator_test::Net;
using evaluator_test::Sample;
using evaluator_test::Sheet;

// A surface of the given U knots and order over a straight V direction of two points.
struct Strip {
    std::vector<RVector4> net;
    std::vector<double> uKnots;
    std::vector<double> vKnots{0, 0, 1, 1};
    std::vector<double> weights;
    std::unique_ptr<RNurbsEvaluator> evaluator;

    Strip(int uOrder, std::vector<double> knots, std::vector<RVector4> points, int step = 4)
        : net(std::move(points)), uKnots(std::move(knots)), weights(net.size(), 1.0) {
        evaluator = RNurbsEvaluator::Create(uOrder, 2);
        evaluator->SetUStep(step);
        evaluator->SetVStep(1);
        evaluator->SetControlPoints(net.data(), static_cast<int>(net.size()) / 2, 2);
        Feed();
    }
    void Feed() {
        evaluator->SetNurbsData(RNurbsEvaluator::kUKnots, uKnots.data(), static_cast<int>(uKnots.size()));
        evaluator->SetNurbsData(RNurbsEvaluator::kVKnots, vKnots.data(), static_cast<int>(vKnots.size()));
        evaluator->SetNurbsData(RNurbsEvaluator::kWeights, weights.data(), static_cast<int>(weights.size()));
    }
};

std::vector<RVector4> Line(int count) {
    return Net(count, 2, [](int i, int j) { return RVector4(i, j, 0.0, 1.0); });
}

std::vector<double> Uniform(int count) {
    std::vector<double> knots(static_cast<size_t>(count));
    std::iota(knots.begin(), knots.end(), 0.0);
    return knots;
}

TEST(RNurbsEvaluator, AOneSpanCubicIsSampledJustInsideItsSpan) {
    Strip strip(4, {0, 0, 0, 0, 1, 1, 1, 1}, Line(4));
    Grid grid;
    ASSERT_TRUE(Sample(*strip.evaluator, grid));
    ASSERT_EQ(grid.nU, 5);
    ASSERT_EQ(grid.nV, 2);
    for (int m = 0; m < 5; ++m) EXPECT_NEAR(grid.At(m, 0).x, 3.0 * m / (4 + 1e-8), 1e-13) << m;
    EXPECT_LT(grid.At(4, 0).x, 3.0);
    EXPECT_NEAR(grid.At(4, 1).y, 1.0, 1e-7);
}

TEST(RNurbsEvaluator, RepeatedInteriorKnotsAndSpansOfOneHundredMillionthAddNoSamples) {
    Strip repeated(4, {0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2}, Line(7));
    EXPECT_EQ(repeated.evaluator->GetUPointCount(), 2 * 4 + 1);
    // The span [0, 1e-8] is empty by the one rule used for counting and for sampling.
    Strip tiny(2, {0, 0, 1e-8, 1, 1}, Line(3));
    Grid grid;
    ASSERT_TRUE(Sample(*tiny.evaluator, grid));
    EXPECT_EQ(grid.nU, 5);
    EXPECT_NEAR(grid.At(0, 0).x, 1.0, 1e-7);
}

TEST(RNurbsEvaluator, WeightsOfOneGiveTheBSplineSurfaceAndEqualWeightsChangeNothing) {
    const std::vector<RVector4> net = Sheet(6, 5);
    auto patch = RPatchEvaluator::Create(RWyxPatch::kBSpline, RWyxPatch::kBSpline);
    patch->SetControlPoints(net.data(), 6, 5);
    Grid expected;
    ASSERT_TRUE(Sample(*patch, expected));

    const std::vector<double> uKnots = Uniform(10), vKnots = Uniform(9);
    for (const double weight : {1.0, 2.5}) {
        const std::vector<double> weights(net.size(), weight);
        auto nurbs = RNurbsEvaluator::Create(4, 4);
        nurbs->SetControlPoints(net.data(), 6, 5);
        nurbs->SetNurbsData(RNurbsEvaluator::kUKnots, uKnots.data(), 10);
        nurbs->SetNurbsData(RNurbsEvaluator::kVKnots, vKnots.data(), 9);
        nurbs->SetNurbsData(RNurbsEvaluator::kWeights, weights.data(), 30);
        Grid grid;
        ASSERT_TRUE(Sample(*nurbs, grid));
        ASSERT_EQ(grid.nU, expected.nU);
        ASSERT_EQ(grid.nV, expected.nV);
        for (size_t g = 0; g < grid.positions.size(); ++g) {
            EXPECT_LT(Distance(grid.positions[g], expected.positions[g]), 1e-7) << g;
            // Patch tangents are scaled by 0.5 / step each.
            EXPECT_LT(Distance(grid.normals[g] * (1.0 / 64), expected.normals[g]), 1e-6) << g;
        }
    }
}

TEST(RNurbsEvaluator, ARationalQuarterCircleStaysOnTheCircle) {
    const double h = std::sqrt(0.5);
    std::vector<RVector4> net = Net(3, 2, [](int i, int j) {
        const double xy[3][2] = {{1, 0}, {1, 1}, {0, 1}};
        return RVector4(xy[i][0], xy[i][1], j, 1.0);
    });
    Strip strip(3, {0, 0, 0, 1, 1, 1}, net, 16);
    strip.weights = {1, h, 1, 1, h, 1};
    strip.Feed();
    Grid grid;
    ASSERT_TRUE(Sample(*strip.evaluator, grid));
    ASSERT_EQ(grid.nU, 17);
    for (int i = 0; i < grid.nU; ++i) {
        const RVector4& p = grid.At(i, 0);
        EXPECT_NEAR(std::hypot(p.x, p.y), 1.0, 1e-9) << i;
        const RVector4& n = grid.NormalAt(i, 0);  // radial: along (x, y, 0)
        EXPECT_NEAR(n.x * p.y - n.y * p.x, 0.0, 1e-9) << i;
        EXPECT_NEAR(n.z, 0.0, 1e-9);
        EXPECT_GT(std::fabs(n.x) + std::fabs(n.y), 0.1);
    }
    EXPECT_GT(grid.At(8, 0).x, 0.70);  // not the chord's midpoint (0.5, 0.5)
}

TEST(RNurbsEvaluator, ZeroWeightsGiveTheUnweightedSurfaceInsteadOfADivisionByZero) {
    Strip strip(4, Uniform(10), Line(6) /* 6 x 2 */);
    strip.weights.assign(12, 0.0);
    strip.Feed();
    Grid grid;
    RInfluenceTable table;
    ASSERT_TRUE(Sample(*strip.evaluator, grid, &table, 12));
    for (int i = 0; i < grid.nU; ++i) {
        EXPECT_NEAR(grid.At(i, 0).x, 1.0 + i / 4.0, 1e-6);  // a uniform cubic keeps x = i linear
        EXPECT_NEAR(table.GetWeightSum(1, i, false), 1.0, 1e-12);
    }
}

TEST(RNurbsEvaluator, AClosedDirectionHasOrderMinusOneMoreKnotsAndWraps) {
    Strip strip(3, Uniform(8), Line(4));  // 4 + 2 x 3 - 1 = 9 knots needed
    strip.evaluator->SetUClosed(true);
    EXPECT_EQ(strip.evaluator->GetUPointCount(), 0);
    EXPECT_EQ(strip.evaluator->GetError().GetLastErrorCode(), RPatchEvaluator::kErrorShortKnotVector);
    strip.uKnots = Uniform(9);
    strip.Feed();
    Grid grid;
    RInfluenceTable table;
    ASSERT_TRUE(Sample(*strip.evaluator, grid, &table, 8));
    EXPECT_EQ(grid.nU, 16);
    std::set<int> last;
    for (int e = 0; e < table.GetEntryCount(1, 15); ++e) last.insert(table.GetEntry(1, 15, e)->index);
    EXPECT_EQ(last, (std::set<int>{3, 0, 1}));
    // One span sampled once leaves a closed direction a single point: no cell to make.
    Strip single(2, {0, 0, 1, 1, 1}, Line(2), 1);
    single.evaluator->SetUClosed(true);
    EXPECT_EQ(single.evaluator->GetUPointCount(), 0);
    EXPECT_EQ(single.evaluator->GetError().GetLastErrorCode(), RPatchEvaluator::kErrorTooFewSamples);
}

TEST(RNurbsEvaluator, OrdersKnotsStepsAndWeightsThatCannotBeSampledAreRefused) {
    struct Refusal {
        const char* what;
        int order;
        std::vector<double> knots;
        int step;
        int weights;
        int error;
    };
    const Refusal refusals[] = {
        {"order 0", 0, Uniform(10), 4, 12, RPatchEvaluator::kErrorBadOrder},
        {"order 5", 5, Uniform(11), 4, 12, RPatchEvaluator::kErrorBadOrder},
        {"order above the points", 4, Uniform(10), 4, 12, RPatchEvaluator::kErrorTooFewControlPoints},
        {"open knots short by one", 3, Uniform(8), 4, 12, RPatchEvaluator::kErrorShortKnotVector},
        {"no non-empty span", 3, std::vector<double>(9, 1.0), 4, 12, RPatchEvaluator::kErrorNoSpan},
        {"step 0", 3, Uniform(9), 0, 12, RPatchEvaluator::kErrorBadStep},
        {"weights short", 3, Uniform(9), 4, 11, RPatchEvaluator::kErrorMissingInput},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        const bool tooFewPoints = r.error == RPatchEvaluator::kErrorTooFewControlPoints;
        Strip strip(r.order, r.knots, Line(tooFewPoints ? 3 : 6), r.step);
        strip.weights.resize(static_cast<size_t>(r.weights));
        strip.Feed();
        Grid grid;
        EXPECT_FALSE(Sample(*strip.evaluator, grid));
        EXPECT_EQ(strip.evaluator->GetError().GetLastErrorCode(), r.error);
    }
    EXPECT_FALSE(RNurbsEvaluator::Create(3, 3)->SetNurbsData(RNurbsEvaluator::kWeights, nullptr, -1));
}

// A rational sphere of radius 2, poles along z: a circle of 9 points (order 3) around a half
// circle of 5 from pole to pole (order 3). With polesInU the half circle runs along U.
struct Sphere {
    std::vector<RVector4> net;
    std::vector<double> weights;
    std::vector<double> circleKnots{0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 4};
    std::vector<double> meridianKnots{0, 0, 0, 1, 1, 2, 2, 2};
    std::unique_ptr<RNurbsEvaluator> evaluator = RNurbsEvaluator::Create(3, 3);

    explicit Sphere(bool polesInU) {
        const double h = std::sqrt(0.5);
        const double circle[9][3] = {{1, 0, 1}, {1, 1, h}, {0, 1, 1}, {-1, 1, h}, {-1, 0, 1},
                                     {-1, -1, h}, {0, -1, 1}, {1, -1, h}, {1, 0, 1}};  // x, y, weight
        const double meridian[5][3] = {{0, -2, 1}, {2, -2, h}, {2, 0, 1}, {2, 2, h}, {0, 2, 1}};  // radius, z, weight
        const int uCount = polesInU ? 5 : 9;
        const int vCount = polesInU ? 9 : 5;
        for (int j = 0; j < vCount; ++j) {
            for (int i = 0; i < uCount; ++i) {
                const double* c = circle[polesInU ? j : i];
                const double* m = meridian[polesInU ? i : j];
                net.emplace_back(m[0] * c[0], m[0] * c[1], m[1], 1.0);
                weights.push_back(c[2] * m[2]);
            }
        }
        const std::vector<double>& uKnots = polesInU ? meridianKnots : circleKnots;
        const std::vector<double>& vKnots = polesInU ? circleKnots : meridianKnots;
        evaluator->SetControlPoints(net.data(), uCount, vCount);
        evaluator->SetNurbsData(RNurbsEvaluator::kUKnots, uKnots.data(), static_cast<int>(uKnots.size()));
        evaluator->SetNurbsData(RNurbsEvaluator::kVKnots, vKnots.data(), static_cast<int>(vKnots.size()));
        evaluator->SetNurbsData(RNurbsEvaluator::kWeights, weights.data(), static_cast<int>(weights.size()));
    }
};

// Every normal of the grid edge (column `i` when i >= 0, else row `j`) along z, none short.
double PoleNormalLength(const Grid& grid, int i, int j) {
    const int count = i >= 0 ? grid.nV : grid.nU;
    const RVector4 first = i >= 0 ? grid.NormalAt(i, 0) : grid.NormalAt(0, j);
    for (int k = 0; k < count; ++k) {
        const RVector4& n = i >= 0 ? grid.NormalAt(i, k) : grid.NormalAt(k, j);
        EXPECT_LT(Distance(n, first), 1e-9 * first.Length3()) << "one normal for the pole, point " << k;
        EXPECT_LT(std::fabs(n.x) + std::fabs(n.y), 1e-6 * first.Length3()) << "along z, point " << k;
    }
    return first.Length3();
}

TEST(RNurbsEvaluator, BothPolesOfASphereAreRepairedAlikeInEitherDirection) {
    for (const bool polesInU : {false, true}) {
        SCOPED_TRACE(polesInU ? "poles at the U ends" : "poles at the V ends");
        Sphere sphere(polesInU);
        Grid grid;
        ASSERT_TRUE(Sample(*sphere.evaluator, grid));
        RNurbsEvaluator& e = *sphere.evaluator;
        EXPECT_EQ(e.IsUStartCollapsed(), polesInU);
        EXPECT_EQ(e.IsUEndCollapsed(), polesInU) << "the far end is judged at the end, not just inside it";
        EXPECT_EQ(e.IsVStartCollapsed(), !polesInU);
        EXPECT_EQ(e.IsVEndCollapsed(), !polesInU);
        const double start = polesInU ? PoleNormalLength(grid, 0, -1) : PoleNormalLength(grid, -1, 0);
        const double end = polesInU ? PoleNormalLength(grid, grid.nU - 1, -1) : PoleNormalLength(grid, -1, grid.nV - 1);
        EXPECT_GT(start, 1.0);
        EXPECT_NEAR(end, start, 1e-6 * start) << "the far pole as long as the near one";
    }
}

}  // namespace
