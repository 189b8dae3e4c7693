// Duplicate control points found and merged; unwelding, with the data that follows the
// points (normals, skin-link weights, shape points); arrays that do not fit are refused.

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace {

constexpr double kTolerance = RWyxMesh::kDuplicateTolerance;

template <typename T>
std::vector<T> Items(const T* data, int count) {
    return data != nullptr ? std::vector<T>(data, data + count) : std::vector<T>();
}
std::vector<int> LinkIndices(const RWyxSkinLink& l) { return Items(l.GetControlPointIndices(), l.GetControlPointIndicesCount()); }
std::vector<double> LinkWeights(const RWyxSkinLink& l) { return Items(l.GetControlPointWeights(), l.GetControlPointIndicesCount()); }
std::vector<int> PolygonVertices(const RWyxMesh& m) { return Items(m.GetPolygonVertices(), m.GetPolygonVertexCount()); }

class WeldingTest : public ::testing::Test {
protected:
    void SetPoints(const std::vector<RVector4>& points) {
        mesh.InitControlPoints(static_cast<int>(points.size()));
        for (std::size_t i = 0; i < points.size(); ++i) mesh.GetControlPoints()[i] = points[i];
    }

    std::vector<int> Duplicates(bool expectFound) {
        std::vector<int> duplicates;
        EXPECT_EQ(mesh.FindDuplicateControlPoints(duplicates, 0, true), expectFound);
        return duplicates;
    }

    RWyxObjectFactory factory;
    RWyxMesh& mesh = *factory.CreateMesh();
};

struct DuplicateCase {
    const char* what;
    std::vector<RVector4> points;
    std::vector<int> expected;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST_F(WeldingTest, DuplicatesAreTheHighestEarlierPointWithinTheTolerance) {
    const DuplicateCase cases[] = {
        {"no duplicates", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {0, 1, 2}},
        {"highest earlier wins", {{1, 2, 3, 1}, {5, 5, 5, 1}, {1, 2, 3, 1}, {1, 2, 3, 1}}, {0, 1, 0, 2}},
        {"exactly at the tolerance", {{0, 0, 0, 1}, {kTolerance, -kTolerance, kTolerance, 1}}, {0, 0}},
        {"just beyond the tolerance", {{0, 0, 0, 1}, {0, 0, 1.5 * kTolerance, 1}}, {0, 1}},
        {"w is not compared", {{3, 3, 3, 1}, {3, 3, 3, 0.5}}, {0, 0}},
        {"NaN equals nothing", {{kNaN, 0, 0, 1}, {kNaN, 0, 0, 1}}, {0, 1}},
        {"far out coordinates", {{1e300, -1e300, 1e17, 1}, {1e300, -1e300, 1e17, 1}}, {0, 0}},
    };
    for (const DuplicateCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetPoints(c.points);
        bool expectFound = false;
        for (std::size_t j = 0; j < c.expected.size(); ++j) expectFound |= c.expected[j] != static_cast<int>(j);
        EXPECT_EQ(Duplicates(expectFound), c.expected);
    }
    std::vector<int> identity;
    EXPECT_FALSE(mesh.FindDuplicateControlPoints(identity, 1, true));  // unknown mode
    EXPECT_EQ(identity, (std::vector<int>{0, 1}));
}

// Pairs of points 0.9 tolerances apart in x, y and z, their centres swept in steps smaller
// than a tolerance over many tolerances: whatever cells the search uses, many pairs straddle
// a cell boundary, and every pair must still be found.
TEST_F(WeldingTest, PointsOnEitherSideOfACellBoundaryAreFound) {
    std::vector<RVector4> points;
    std::vector<int> expected;
    const double half = 0.45 * kTolerance;
    for (int k = 0; k < 400; ++k) {
        const double sweep = k * 0.37 * kTolerance;
        const double x = 0.25 + sweep;
        const double y = 10.0 * k + sweep;
        const double z = -0.25 - sweep;
        points.emplace_back(x - half, y + half, z - half, 1.0);
        points.emplace_back(x + half, y - half, z + half, 1.0);
        expected.push_back(2 * k);
        expected.push_back(2 * k);
    }
    SetPoints(points);
    EXPECT_EQ(Duplicates(true), expected);

    // A third point between each pair matches both: the higher one counts, also when the two
    // lie in different cells.
    points.clear();
    expected.clear();
    for (int k = 0; k < 400; ++k) {
        const double x = 0.25 + k * 0.37 * kTolerance;
        const int first = static_cast<int>(points.size());
        points.emplace_back(x - half, 10.0 * k, 0.0, 1.0);
        points.emplace_back(x + half, 10.0 * k, 0.0, 1.0);
        points.emplace_back(x, 10.0 * k, 0.0, 1.0);
        expected.insert(expected.end(), {first, first, first + 1});
    }
    SetPoints(points);
    EXPECT_EQ(Duplicates(true), expected);
}

TEST_F(WeldingTest, MergingKeepsOnePointPerPositionAndCarriesItsData) {
    // Two triangles stored with separate points: 3 and 4 repeat 2 and 1.
    SetPoints({{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}});
    for (int start : {0, 3}) {
        mesh.BeginPolygon();
        for (int k = 0; k < 3; ++k) mesh.AddPolygonVertex(start + k);
    }
    mesh.InitNormals(0);
    for (int i = 0; i < 6; ++i) mesh.GetNormals()[i].Set(0, 0, 1, i);
    RWyxLayer& layer = *mesh.EnsureLayer(1);
    auto* colors = layer.SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
    colors->SetMappingMode(RWyxLayerElement::kByControlPoint);
    colors->SetReferenceMode(RWyxLayerElement::kIndexToDirect);  // its indices follow the points
    colors->SetDirectCount(2);
    for (int i = 0; i < 6; ++i) colors->AddIndex(i % 2);
    auto* groups = layer.SetPolygonGroups(std::make_unique<RWyxLayerElementPolygonGroup>());
    groups->SetMappingMode(RWyxLayerElement::kByControlPoint);
    groups->SetDirectCount(7);  // does not fit the points: left as it is
    RWyxSkinLink* link = factory.CreateSkinLink();
    for (int i : {4, 1, 5, 9}) link->AddControlPointIndex(i, 0.1 * i);  // 9 names no point
    mesh.AddDeformer(link);
    RWyxSkinLink* second = factory.CreateSkinLink();  // lands on points the first link took
    second->AddControlPointIndex(4, 0.4);
    second->AddControlPointIndex(0, 0.7);
    mesh.AddDeformer(second);
    RWyxShape* shape = factory.CreateShape();
    shape->InitControlPoints(6);
    for (int i = 0; i < 6; ++i) shape->GetControlPoints()[i].z = i;
    mesh.AddShape(shape, "Lift");
    RWyxShape* shortShape = factory.CreateShape();
    shortShape->InitControlPoints(2);
    mesh.AddShape(shortShape, "Short");
    RWyxShape* longShape = factory.CreateShape();
    longShape->InitControlPoints(7);
    mesh.AddShape(longShape, "Long");

    const std::vector<int> duplicates = Duplicates(true);
    ASSERT_EQ(duplicates, (std::vector<int>{0, 1, 2, 2, 1, 5}));
    ASSERT_TRUE(mesh.MergeDuplicateControlPoints(duplicates));

    EXPECT_EQ(mesh.GetControlPointsCount(), 4);
    EXPECT_EQ(PolygonVertices(mesh), (std::vector<int>{0, 1, 2, 2, 1, 3}));
    EXPECT_DOUBLE_EQ(mesh.GetControlPoints()[3].x, 1.0);
    EXPECT_DOUBLE_EQ(mesh.GetControlPoints()[3].y, 1.0);
    ASSERT_EQ(mesh.GetLayer(0)->GetNormals()->GetDirectCount(), 4);
    EXPECT_DOUBLE_EQ(mesh.GetNormals()[3].w, 5.0);  // the normal went with its point
    EXPECT_EQ(colors->IndexArray(), (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(colors->GetDirectCount(), 2);
    EXPECT_EQ(groups->GetDirectCount(), 7);
    EXPECT_EQ(LinkIndices(*link), (std::vector<int>{1, 3}));
    EXPECT_EQ(LinkWeights(*link), (std::vector<double>{0.1, 0.5}));  // the kept point's weight wins
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorControlPointIndex) << "the pair of 9 dropped";
    EXPECT_EQ(LinkIndices(*second), (std::vector<int>{1, 0}));
    EXPECT_EQ(LinkWeights(*second), (std::vector<double>{0.4, 0.7}));
    ASSERT_EQ(shape->GetControlPointsCount(), 4);
    EXPECT_DOUBLE_EQ(shape->GetControlPoints()[3].z, 5.0);
    EXPECT_EQ(shortShape->GetControlPointsCount(), 2);  // did not fit: left alone
    EXPECT_EQ(longShape->GetControlPointsCount(), 7);
    EXPECT_FALSE(Duplicates(false).empty());
}

TEST_F(WeldingTest, ChainsOfDuplicatesMergeIntoTheirFirstPoint) {
    SetPoints({{0, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, {2, 0, 0, 1}});
    mesh.BeginPolygon();
    for (int cp : {2, 1, 3}) mesh.AddPolygonVertex(cp);
    ASSERT_TRUE(mesh.MergeDuplicateControlPoints({0, 0, 1, 3}));
    EXPECT_EQ(mesh.GetControlPointsCount(), 2);
    EXPECT_EQ(PolygonVertices(mesh), (std::vector<int>{0, 0, 1}));
}

struct MergeRefusal {
    const char* what;
    std::vector<int> duplicates;
    int badVertex;  // a polygon vertex to add, -1 for none
    int error;
};

TEST_F(WeldingTest, MergeRefusesArraysThatDoNotFitAndChangesNothing) {
    const MergeRefusal cases[] = {
        {"one entry short", {0, 1}, -1, RWyxGeometry::kErrorSizeMismatch},
        {"one entry too many", {0, 1, 2, 3}, -1, RWyxGeometry::kErrorSizeMismatch},
        {"an entry above its position", {0, 2, 2}, -1, RWyxGeometry::kErrorControlPointIndex},
        {"a negative entry", {0, -1, 2}, -1, RWyxGeometry::kErrorControlPointIndex},
        {"a polygon vertex one past the points", {0, 0, 2}, 3, RWyxGeometry::kErrorControlPointIndex},
    };
    for (const MergeRefusal& c : cases) {
        SCOPED_TRACE(c.what);
        SetPoints({{0, 0, 0, 1}, {0, 0, 0, 1}, {1, 0, 0, 1}});
        mesh.ClearPolygons();
        mesh.BeginPolygon();
        for (int cp : {0, 1, 2}) mesh.AddPolygonVertex(cp);
        if (c.badVertex >= 0) mesh.AddPolygonVertex(c.badVertex);
        EXPECT_FALSE(mesh.MergeDuplicateControlPoints(c.duplicates));
        EXPECT_EQ(mesh.GetError().GetLastErrorCode(), c.error);
        EXPECT_EQ(mesh.GetControlPointsCount(), 3);
        EXPECT_EQ(mesh.GetPolygonVertex(0, 1), 1);
    }
}

// A cube corner shared by three faces, with a normal per polygon vertex.
class UnweldTest : public WeldingTest {
protected:
    void SetUp() override {
        SetPoints({{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}});
        const int faces[3][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 1}};
        for (const auto& face : faces) {
            mesh.BeginPolygon();
            for (int cp : face) mesh.AddPolygonVertex(cp);
        }
        mesh.InitNormals(9);
        for (int k = 0; k < 9; ++k) mesh.GetNormals()[k].Set(k, 0, 0, 1);
        link = factory.CreateSkinLink();
        link->AddControlPointIndex(0, 0.75);
        link->AddControlPointIndex(2, 0.5);
        mesh.AddDeformer(link);
        shape = factory.CreateShape();
        shape->InitControlPoints(4);
        for (int i = 0; i < 4; ++i) shape->GetControlPoints()[i].Set(i, i, i, 1);
        mesh.AddShape(shape, "Pinch");
    }

    RWyxSkinLink* link = nullptr;
    RWyxShape* shape = nullptr;
};

TEST_F(UnweldTest, UnweldingCopiesPositionsNormalsWeightsAndShapePoints) {
    link->AddControlPointIndex(4, 0.25);  // one past the points: dropped, not followed
    std::vector<int> newIndices;
    ASSERT_TRUE(mesh.FindUnweldIndices(newIndices));
    EXPECT_EQ(newIndices, (std::vector<int>{0, 1, 2, 4, 5, 3, 6, 7, 8}));
    ASSERT_TRUE(mesh.UnweldControlPoints(newIndices));
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorControlPointIndex);
    ASSERT_EQ(mesh.GetControlPointsCount(), 9);
    EXPECT_EQ(PolygonVertices(mesh), newIndices);
    // New point 4 repeats point 0, 5 repeats 2, 8 repeats 1.
    EXPECT_EQ(mesh.GetControlPoints()[5], mesh.GetControlPoints()[2]);
    EXPECT_EQ(mesh.GetControlPoints()[8], mesh.GetControlPoints()[1]);
    EXPECT_EQ(mesh.GetNormalsMappingKind(), 0);
    ASSERT_EQ(mesh.GetLayer(0)->GetNormals()->GetDirectCount(), 9);
    const double normalOfPoint[9] = {0, 1, 2, 5, 3, 4, 6, 7, 8};  // the polygon vertex it came from
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(mesh.GetNormals()[i].x, normalOfPoint[i]) << i;

    EXPECT_EQ(LinkIndices(*link), (std::vector<int>{0, 4, 6, 2, 5}));
    EXPECT_EQ(LinkWeights(*link), (std::vector<double>{0.75, 0.75, 0.75, 0.5, 0.5}));
    ASSERT_EQ(shape->GetControlPointsCount(), 9);
    EXPECT_DOUBLE_EQ(shape->GetControlPoints()[5].z, 2.0);
    EXPECT_DOUBLE_EQ(shape->GetControlPoints()[8].z, 1.0);

    ASSERT_TRUE(mesh.FindUnweldIndices(newIndices));  // every point is used once now
    EXPECT_EQ(newIndices, PolygonVertices(mesh));
}

struct UnweldRefusal {
    const char* what;
    std::vector<int> newIndices;
};

TEST_F(UnweldTest, SecondStepRefusesArraysThatDoNotFitAndChangesNothing) {
    const UnweldRefusal cases[] = {
        {"one entry short", {0, 1, 2, 4, 5, 3, 6, 7}},
        {"another old point", {0, 1, 2, 4, 5, 3, 6, 7, 2}},
        {"a gap in the new points", {0, 1, 2, 4, 5, 3, 6, 7, 10}},
        {"one new point for two old points", {0, 1, 2, 4, 4, 3, 6, 7, 8}},
        {"one new point for two old points, no gap", {0, 1, 2, 4, 4, 3, 5, 6, 7}},
        {"far past every new point", {0, 1, 2, 4, 5, 3, 6, 7, 2147483647}},
        {"negative", {0, 1, 2, 4, 5, 3, 6, 7, -1}},
    };
    for (const UnweldRefusal& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(mesh.UnweldControlPoints(c.newIndices));
        EXPECT_EQ(mesh.GetControlPointsCount(), 4);
        EXPECT_EQ(LinkIndices(*link).size(), 2u);
        EXPECT_EQ(mesh.GetNormalsMappingKind(), 1);
    }
    // Normals one short of the polygon vertices: nothing to give the last one.
    mesh.InitNormals(8);
    EXPECT_FALSE(mesh.Unweld());
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorSizeMismatch);
    EXPECT_EQ(mesh.GetControlPointsCount(), 4);
    // A polygon vertex past the points.
    mesh.InitNormals(0);
    mesh.AddPolygonVertex(4);
    EXPECT_FALSE(mesh.Unweld());
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorControlPointIndex);
}

TEST_F(UnweldTest, ANewPointSharedByTwoPolygonVerticesTakesTheFirstOnesNormal) {
    // Polygon vertices 3 and 6 (both of point 0) share new point 4.
    ASSERT_TRUE(mesh.UnweldControlPoints({0, 1, 2, 4, 5, 3, 4, 6, 7}));
    ASSERT_EQ(mesh.GetControlPointsCount(), 8);
    EXPECT_DOUBLE_EQ(mesh.GetNormals()[4].x, 3.0);
    EXPECT_DOUBLE_EQ(mesh.GetNormals()[7].x, 8.0);
    EXPECT_EQ(LinkIndices(*link), (std::vector<int>{0, 4, 2, 5}));
}

}  // namespace
