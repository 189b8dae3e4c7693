// Triangle orders of polygons: the zig-zag of convex polygons, ear clipping of concave ones.

#include "formats/geometry/PolygonSplit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using Corners = std::vector<int>;

TEST(PolygonSplit, ZigZagOrdersOfThreeToEightCorners) {
    const std::vector<Corners> expected = {
        {0, 1, 2},
        {0, 1, 2, 2, 3, 0},
        {0, 1, 2, 2, 3, 0, 0, 3, 4},
        {0, 1, 2, 2, 3, 0, 0, 3, 5, 3, 4, 5},
        {0, 1, 2, 2, 3, 0, 0, 3, 6, 3, 4, 6, 6, 4, 5},
        {0, 1, 2, 2, 3, 0, 0, 3, 7, 3, 4, 7, 7, 4, 6, 4, 5, 6},
    };
    Corners corners;
    for (int n = 3; n <= 8; ++n) {
        TriangulatePolygonIndices(corners, n);
        EXPECT_EQ(corners, expected[static_cast<size_t>(n - 3)]) << n << " corners";
    }
}

TEST(PolygonSplit, AnyPolygonGetsNMinusTwoTrianglesAndFewerThanThreeCornersNone) {
    Corners corners{9, 9, 9};
    for (const int n : {9, 171, 172, 600}) {
        TriangulatePolygonIndices(corners, n);
        ASSERT_EQ(corners.size(), 3u * static_cast<size_t>(n - 2)) << n;
        for (const int c : corners) ASSERT_TRUE(c >= 0 && c < n);
    }
    TriangulatePolygonIndices(corners, 2);
    EXPECT_TRUE(corners.empty());
    TriangulatePolygon(corners, nullptr, 5);
    EXPECT_TRUE(corners.empty());
}

// Points in the plane z = 0 (or tilted, to test the best-fit plane).
std::vector<RVector4> Polygon(const std::vector<std::pair<double, double>>& xy, bool tilted = false) {
    std::vector<RVector4> points;
    for (const auto& [x, y] : xy) points.emplace_back(x, tilted ? 0.6 * y : y, tilted ? 0.8 * y + 5.0 : 0.0, 1.0);
    return points;
}

double SignedArea(const RVector4& a, const RVector4& b, const RVector4& c) {  // z = 0 polygons
    return 0.5 * (b - a).Cross3(c - a).z;
}

bool Inside(const std::vector<RVector4>& polygon, double x, double y) {  // even-odd rule, z = 0 polygons
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const RVector4& a = polygon[i];
        const RVector4& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside;
}

// Every triangle turns as the polygon does and lies inside it; the areas add up.
void ExpectSplitInside(const std::vector<RVector4>& polygon, double area) {
    Corners corners;
    TriangulatePolygon(corners, polygon.data(), static_cast<int>(polygon.size()));
    ASSERT_EQ(corners.size(), 3 * (polygon.size() - 2));
    double sum = 0.0;
    for (size_t t = 0; t < corners.size(); t += 3) {
        const RVector4& a = polygon[static_cast<size_t>(corners[t])];
        const RVector4& b = polygon[static_cast<size_t>(corners[t + 1])];
        const RVector4& c = polygon[static_cast<size_t>(corners[t + 2])];
        const double triangle = SignedArea(a, b, c);
        EXPECT_GE(triangle, -1e-12) << "triangle " << t / 3 << " turns the other way";
        if (triangle > 1e-9) {
            EXPECT_TRUE(Inside(polygon, (a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3)) << "triangle " << t / 3;
        }
        sum += triangle;
    }
    EXPECT_NEAR(sum, area, 1e-9);
}

TEST(PolygonSplit, ConcavePolygonsAreSplitInsideThemselves) {
    // A chevron whose zig-zag puts (2,3,0) outside, a five-pointed star, a comb.
    ExpectSplitInside(Polygon({{0, 0}, {1.5, 1.5}, {3, 0}, {3, 1.5}, {1.5, 3}, {0, 1.5}}), 4.5);
    std::vector<std::pair<double, double>> star;
    for (int k = 0; k < 10; ++k) {
        const double r = k % 2 == 0 ? 2.0 : 0.8;
        star.emplace_back(r * std::cos(1.5708 + k * 0.6283185307), r * std::sin(1.5708 + k * 0.6283185307));
    }
    ExpectSplitInside(Polygon(star), 5 * 2.0 * 0.8 * std::sin(0.6283185307));
    ExpectSplitInside(Polygon({{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 1}, {3, 1}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3},
                               {0, 3}}),
                      15 - 2 * 2);
    // A quad with its reflex corner at 1: the zig-zag diagonal 0-2 runs outside.
    ExpectSplitInside(Polygon({{0, 0}, {1, 0.5}, {2, 0}, {1, 2}}), 1.5);
}

TEST(PolygonSplit, CornersOnALineAndRepeatedCornersGiveNoTriangleOutside) {
    // An L with extra corners on its edges and one corner given twice.
    ExpectSplitInside(Polygon({{0, 0}, {1, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 1}, {1, 2}, {1, 3}, {0, 3}, {0, 1.5}}), 4.0);
    // A square with a spike into it: every corner turns left, but the outline turns round one
    // and a half times; the zig-zag would give (1,2), (1,1), (0,2) the wrong way round.
    ExpectSplitInside(Polygon({{0, 0}, {2, 0}, {2, 2}, {1, 2}, {1, 1}, {1, 2}, {0, 2}}), 4.0);
}

TEST(PolygonSplit, ConvexFlatOrTiltedPolygonsKeepTheZigZag) {
    Corners zigzag;
    Corners corners;
    const std::vector<RVector4> hexagon = Polygon({{2, 0}, {1, 1.7}, {-1, 1.7}, {-2, 0}, {-1, -1.7}, {1, -1.7}}, true);
    TriangulatePolygonIndices(zigzag, 6);
    TriangulatePolygon(corners, hexagon.data(), 6);
    EXPECT_EQ(corners, zigzag);
    const std::vector<RVector4> square = Polygon({{0, 0}, {1, 0}, {2, 0}, {2, 2}, {0, 2}});  // a corner on an edge
    TriangulatePolygonIndices(zigzag, 5);
    TriangulatePolygon(corners, square.data(), 5);
    EXPECT_EQ(corners, zigzag);
    const std::vector<RVector4> line = Polygon({{0, 0}, {1, 0}, {2, 0}, {3, 0}});
    TriangulatePolygonIndices(zigzag, 4);
    TriangulatePolygon(corners, line.data(), 4);
    EXPECT_EQ(corners, zigzag);
}

}  // namespace
