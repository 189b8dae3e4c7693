// Patch sampling: grid sizes of the five bases open and closed, values, refusals, collapsed
// edges and influences.

#include "formats/geometry/RPatchEvaluator.h"

#include "attributes/RWyxPatch.h"
#include "formats/geometry/RInfluenceTable.h"
#include "tests/formats/geometry/EvaluatorTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

using evaluator_test::Grid;
using evaluator_test::Net;
using evaluator_test::Sample;
using evaluator_test::Sheet;

struct CountCase {
    const char* what;
    int type;
    bool closed;
    int count;
    int step;
    int points;
};

TEST(RPatchEvaluator, PointCountsMatchThePointsWrittenForEveryBasisAndAdvance) {
    const CountCase cases[] = {
        {"open B-spline", RWyxPatch::kBSpline, false, 4, 4, 5},
        {"open Bezier", RWyxPatch::kBezier, false, 4, 4, 13},
        {"open Bezier of two segments", RWyxPatch::kBezier, false, 7, 2, 13},
        {"open linear", RWyxPatch::kLinear, false, 3, 4, 9},
        {"open Cardinal", RWyxPatch::kCardinal, false, 5, 3, 7},
        {"open quadric", RWyxPatch::kBezierQuadric, false, 5, 1, 5},
        {"closed B-spline", RWyxPatch::kBSpline, true, 6, 2, 12},
        {"closed linear", RWyxPatch::kLinear, true, 3, 1, 3},
        {"closed Bezier", RWyxPatch::kBezier, true, 6, 4, 24},
        {"closed Bezier, a point left over", RWyxPatch::kBezier, true, 7, 2, 12},
        {"closed quadric", RWyxPatch::kBezierQuadric, true, 6, 2, 12},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto evaluator = RPatchEvaluator::Create(c.type, RWyxPatch::kLinear);
        const std::vector<RVector4> net = Sheet(c.count, 2);
        evaluator->SetUClosed(c.closed);
        evaluator->SetUStep(c.step);
        evaluator->SetVStep(1);
        evaluator->SetControlPoints(net.data(), c.count, 2);
        Grid grid;
        ASSERT_TRUE(Sample(*evaluator, grid));  // outputs sized exactly to the counts
        EXPECT_EQ(grid.nU, c.points);
        EXPECT_EQ(grid.nV, 2);
    }
}

TEST(RPatchEvaluator, AClosedDirectionWrapsToItsFirstControlPoints) {
    auto evaluator = RPatchEvaluator::Create(RWyxPatch::kBSpline, RWyxPatch::kLinear);
    const std::vector<RVector4> net = Sheet(6, 2);
    evaluator->SetUClosed(true);
    evaluator->SetUStep(2);
    evaluator->SetVStep(1);
    evaluator->SetControlPoints(net.data(), 6, 2);
    Grid grid;
    RInfluenceTable table;
    ASSERT_TRUE(Sample(*evaluator, grid, &table, 12));
    std::set<int> last;
    for (int e = 0; e < table.GetEntryCount(1, 11); ++e) last.insert(table.GetEntry(1, 11, e)->index);
    EXPECT_EQ(last, (std::set<int>{5, 0, 1, 2}));
    for (int g = 0; g < grid.nU * grid.nV; ++g) EXPECT_NEAR(table.GetWeightSum(1, g, false), 1.0, 1e-12) << g;
}

double Bernstein(int k, double t) {
    const double binomial[4] = {1, 3, 3, 1};
    return binomial[k] * std::pow(t, k) * std::pow(1 - t, 3 - k);
}

TEST(RPatchEvaluator, BezierAndCardinalSamplesLieWhereTheirBasesPutThem) {
    const std::vector<RVector4> net = Net(4, 2, [](int i, int j) { return RVector4(i * i, j, 3.0 - i, 1.0); });
    auto bezier = RPatchEvaluator::Create(RWyxPatch::kBezier, RWyxPatch::kLinear);
    bezier->SetUStep(2);
    bezier->SetVStep(2);
    bezier->SetControlPoints(net.data(), 4, 2);
    Grid grid;
    ASSERT_TRUE(Sample(*bezier, grid));
    ASSERT_EQ(grid.nU, 7);
    for (int m = 0; m < 7; ++m) {
        RVector4 expected(0, 0.5, 0, 0);
        for (int k = 0; k < 4; ++k) expected += RVector4(net[k].x, 0, net[k].z, 0) * Bernstein(k, m / 6.0);
        EXPECT_LT(evaluator_test::Distance(grid.At(m, 1), expected), 1e-12) << m;
        EXPECT_DOUBLE_EQ(grid.At(m, 0).w, 7.0);
    }

    auto cardinal = RPatchEvaluator::Create(RWyxPatch::kCardinal, RWyxPatch::kLinear);
    cardinal->SetControlPoints(net.data(), 4, 2);
    ASSERT_TRUE(Sample(*cardinal, grid));
    EXPECT_LT(evaluator_test::Distance(grid.At(0, 0), net[1]), 1e-12);
    EXPECT_LT(evaluator_test::Distance(grid.At(4, 0), net[2]), 1e-12);
    cardinal->SetUCardinalTension(0.0);  // no tangents at the ends: the segment is still its two points
    ASSERT_TRUE(Sample(*cardinal, grid));
    EXPECT_DOUBLE_EQ(cardinal->GetUCardinalTension(), 0.0);
    EXPECT_LT(evaluator_test::Distance(grid.At(4, 0), net[2]), 1e-12);
    EXPECT_NEAR(grid.At(2, 0).x, 2.5, 1e-12);  // halfway between x = 1 and 4 with zero end slopes
}

TEST(RPatchEvaluator, SurfacesItCannotSampleAreRefusedAndNothingIsWritten) {
    const std::vector<RVector4> net = Sheet(4, 4);
    struct Refusal {
        const char* what;
        int uType;
        int uCount;
        int step;
        int error;
    };
    const Refusal refusals[] = {
        {"unknown basis", 5, 4, 4, RPatchEvaluator::kErrorUnknownBasis},
        {"too few control points", RWyxPatch::kBSpline, 3, 4, RPatchEvaluator::kErrorTooFewControlPoints},
        {"step 0", RWyxPatch::kBezier, 4, 0, RPatchEvaluator::kErrorBadStep},
        {"grid too large", RWyxPatch::kBSpline, 4, 1 << 27, RPatchEvaluator::kErrorGridTooLarge},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        auto evaluator = RPatchEvaluator::Create(r.uType, RWyxPatch::kBSpline);
        evaluator->SetUStep(r.step);
        evaluator->SetControlPoints(net.data(), r.uCount, 4);
        EXPECT_EQ(evaluator->GetUPointCount(), 0);
        EXPECT_EQ(evaluator->GetError().GetLastErrorCode(), r.error);
        EXPECT_EQ(evaluator->GetVPointCount(), 5);
        RVector4 out(1, 2, 3, 4);
        evaluator->SetPositionOutput(&out, 1);
        EXPECT_FALSE(evaluator->Evaluate(nullptr));
        EXPECT_EQ(out.x, 1.0);
    }

    auto evaluator = RPatchEvaluator::Create(RWyxPatch::kBSpline, RWyxPatch::kBSpline);
    Grid grid;
    evaluator->SetControlPoints(nullptr, 4, 4);
    EXPECT_FALSE(Sample(*evaluator, grid));
    EXPECT_EQ(evaluator->GetError().GetLastErrorCode(), RPatchEvaluator::kErrorMissingInput);
    evaluator->SetControlPoints(net.data(), 4, 4);
    std::vector<RVector4> small(24);
    evaluator->SetPositionOutput(small.data(), 24);  // the grid is 25
    EXPECT_FALSE(evaluator->Evaluate(nullptr));
    EXPECT_EQ(evaluator->GetError().GetLastErrorCode(), RPatchEvaluator::kErrorOutputTooSmall);
    RInfluenceTable table(16, 24);
    std::vector<RVector4> enough(25);
    evaluator->SetPositionOutput(enough.data(), 25);
    evaluator->SetNormalOutput(nullptr, 0);
    EXPECT_FALSE(evaluator->Evaluate(&table));
    EXPECT_EQ(evaluator->GetError().GetLastErrorCode(), RPatchEvaluator::kErrorTableTooSmall);
    EXPECT_TRUE(evaluator->Evaluate(nullptr));  // positions only
}

// A 4 x 4 patch of the given basis whose control row `row` is one point.
Grid WithCollapsedRow(int type, int rows, int row, bool* vStart) {
    std::vector<RVector4> net = Sheet(4, rows);
    for (int i = 0; i < 4; ++i) net[static_cast<size_t>(row * 4 + i)] = RVector4(1, row, 2, 1);
    auto evaluator = RPatchEvaluator::Create(type, type);
    evaluator->SetControlPoints(net.data(), 4, rows);
    *vStart = evaluator->IsVStartCollapsed();  // known before any evaluation
    Grid grid;
    EXPECT_TRUE(Sample(*evaluator, grid));
    EXPECT_FALSE(evaluator->IsUStartCollapsed() || evaluator->IsUEndCollapsed() || evaluator->IsVEndCollapsed());
    return grid;
}

bool FirstRowHasOneNormal(const Grid& grid) {
    for (int i = 1; i < grid.nU; ++i) {
        if (evaluator_test::Distance(grid.NormalAt(i, 0), grid.NormalAt(0, 0)) > 1e-12) return false;
    }
    return grid.NormalAt(0, 0).Length3() > 1e-6;
}

TEST(RPatchEvaluator, OnlyAnEdgeTheSurfaceCollapsesGetsOneNormal) {
    bool collapsed = false;
    Grid apex = WithCollapsedRow(RWyxPatch::kBezier, 4, 0, &collapsed);  // a cone's tip
    EXPECT_TRUE(collapsed);
    EXPECT_TRUE(FirstRowHasOneNormal(apex));
    Grid sound = WithCollapsedRow(RWyxPatch::kBezier, 4, 1, &collapsed);  // row 1 is not on the edge
    EXPECT_FALSE(collapsed);
    EXPECT_FALSE(FirstRowHasOneNormal(sound));
    Grid bspline = WithCollapsedRow(RWyxPatch::kBSpline, 4, 0, &collapsed);
    EXPECT_FALSE(collapsed);
    EXPECT_FALSE(FirstRowHasOneNormal(bspline));
    Grid cardinal = WithCollapsedRow(RWyxPatch::kCardinal, 5, 1, &collapsed);  // its first grid row
    EXPECT_TRUE(collapsed);
    EXPECT_TRUE(FirstRowHasOneNormal(cardinal));
}

}  // namespace
