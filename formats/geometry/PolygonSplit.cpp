#include "formats/geometry/PolygonSplit.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr double kTwoPi = 6.283185307179586;
// Cross products within this fraction of the polygon's squared extent count as zero.
constexpr double kRelativeAreaTolerance = 1e-12;

struct Point2 {
    double x;
    double y;
};

// Twice the signed area of the triangle (o, a, b): positive when it turns left.
double Cross(const Point2& o, const Point2& a, const Point2& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

void AppendTriangle(std::vector<int>& corners, int a, int b, int c) {
    corners.push_back(a);
    corners.push_back(b);
    corners.push_back(c);
}

// The normal of the polygon's best-fit plane (Newell's method), pointing so that the corners
// run counter-clockwise seen from its tip; its length is twice the polygon's area.
RVector4 NewellNormal(const RVector4* points, int n) {
    RVector4 normal(0.0, 0.0, 0.0, 0.0);
    for (int i = 0; i < n; ++i) {
        const RVector4& p = points[i];
        const RVector4& q = points[(i + 1) % n];
        normal.x += (p.y - q.y) * (p.z + q.z);
        normal.y += (p.z - q.z) * (p.x + q.x);
        normal.z += (p.x - q.x) * (p.y + q.y);
    }
    return normal;
}

// The corners in a frame (u, v) of the plane with u x v along the normal, so that the polygon
// runs counter-clockwise (positive area) in it.
std::vector<Point2> ProjectOntoPlane(const RVector4* points, int n, const RVector4& normal) {
    RVector4 unitNormal = normal;
    unitNormal.Normalize3();
    const double ax = std::fabs(unitNormal.x);
    const double ay = std::fabs(unitNormal.y);
    const double az = std::fabs(unitNormal.z);
    // The axis least aligned with the normal gives a well-conditioned first direction.
    RVector4 axis(0.0, 0.0, 0.0, 0.0);
    if (ax <= ay && ax <= az) {
        axis.x = 1.0;
    } else if (ay <= az) {
        axis.y = 1.0;
    } else {
        axis.z = 1.0;
    }
    RVector4 u = axis.Cross3(unitNormal);
    u.Normalize3();
    const RVector4 v = unitNormal.Cross3(u);
    std::vector<Point2> projected(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const RVector4 d = points[i] - points[0];
        projected[static_cast<std::size_t>(i)] = Point2{d.Dot3(u), d.Dot3(v)};
    }
    return projected;
}

double SquaredExtent(const std::vector<Point2>& points) {
    double minX = points[0].x, maxX = points[0].x, minY = points[0].y, maxY = points[0].y;
    for (const Point2& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    const double extent = std::max(maxX - minX, maxY - minY);
    return extent * extent;
}

// Convex: no corner turns right, and the edges turn once around (a star whose corners all
// turn left turns twice). Edges without length are passed over.
bool IsConvex(const std::vector<Point2>& points, double tolerance) {
    std::vector<Point2> edges;
    const std::size_t n = points.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Point2& a = points[i];
        const Point2& b = points[(i + 1) % n];
        const Point2 edge{b.x - a.x, b.y - a.y};
        if (edge.x * edge.x + edge.y * edge.y > tolerance) edges.push_back(edge);
    }
    if (edges.size() < 3) return true;
    double turning = 0.0;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const Point2& e = edges[i];
        const Point2& f = edges[(i + 1) % edges.size()];
        const double cross = e.x * f.y - e.y * f.x;
        if (cross < -tolerance) return false;
        turning += std::atan2(cross, e.x * f.x + e.y * f.y);
    }
    return std::fabs(turning - kTwoPi) < 0.5;
}

// Ear clipping over a ring of corners. Each step clips an ear (a left-turning corner whose
// triangle holds no other corner; corners at the same place as its own do not count), or,
// when there is none (an outline that crosses itself, or one left without area), the corner
// that turns left the most, whose triangle then has no area or lies where the outline
// overlaps itself.
class EarClipper {
public:
    EarClipper(const std::vector<Point2>& points, double tolerance)
        : points_(points), tolerance_(tolerance), n_(static_cast<int>(points.size())) {
        previous_.resize(points.size());
        next_.resize(points.size());
        for (int i = 0; i < n_; ++i) {
            previous_[Index(i)] = (i + n_ - 1) % n_;
            next_[Index(i)] = (i + 1) % n_;
        }
    }

    void Clip(std::vector<int>& corners) {
        int remaining = n_;
        int cursor = 0;
        while (remaining > 3) {
            const int corner = ChooseCorner(cursor);
            const int before = previous_[Index(corner)];
            const int after = next_[Index(corner)];
            AppendTriangle(corners, before, corner, after);
            next_[Index(before)] = after;
            previous_[Index(after)] = before;
            cursor = before;
            --remaining;
        }
        AppendTriangle(corners, previous_[Index(cursor)], cursor, next_[Index(cursor)]);
    }

private:
    static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
    const Point2& At(int i) const { return points_[Index(i)]; }

    double Turn(int corner) const { return Cross(At(previous_[Index(corner)]), At(corner), At(next_[Index(corner)])); }

    bool SamePlace(int a, int b) const {
        const double dx = At(a).x - At(b).x;
        const double dy = At(a).y - At(b).y;
        return dx * dx + dy * dy <= tolerance_;
    }

    // Inside the triangle or on its border.
    bool Covers(int a, int b, int c, int p) const {
        return Cross(At(a), At(b), At(p)) >= -tolerance_ && Cross(At(b), At(c), At(p)) >= -tolerance_ &&
               Cross(At(c), At(a), At(p)) >= -tolerance_;
    }

    bool IsEar(int corner) const {
        const int a = previous_[Index(corner)];
        const int c = next_[Index(corner)];
        if (Turn(corner) <= tolerance_) return false;
        for (int p = next_[Index(c)]; p != a; p = next_[Index(p)]) {
            if (SamePlace(p, a) || SamePlace(p, corner) || SamePlace(p, c)) continue;
            if (Covers(a, corner, c, p)) return false;
        }
        return true;
    }

    int ChooseCorner(int cursor) const {
        int corner = cursor;
        do {
            if (IsEar(corner)) return corner;
            corner = next_[Index(corner)];
        } while (corner != cursor);
        int best = cursor;
        do {
            if (Turn(corner) > Turn(best)) best = corner;
            corner = next_[Index(corner)];
        } while (corner != cursor);
        return best;
    }

    const std::vector<Point2>& points_;
    double tolerance_;
    int n_;
    std::vector<int> previous_;
    std::vector<int> next_;
};

}  // namespace

void TriangulatePolygonIndices(std::vector<int>& corners, int n) {
    corners.clear();
    if (n < 3) return;
    const std::size_t total = 3 * static_cast<std::size_t>(n - 2);
    corners.reserve(total);
    AppendTriangle(corners, 0, 1, 2);
    int low = 3;
    int high = n - 1;
    int a = 2;
    int b = 0;
    while (low <= high) {
        AppendTriangle(corners, a, low, b);
        if (corners.size() >= total) break;
        AppendTriangle(corners, b, low, high);
        a = low;
        b = high;
        ++low;
        --high;
    }
}

void TriangulatePolygon(std::vector<int>& corners, const RVector4* points, int n) {
    corners.clear();
    if (n < 3 || points == nullptr) return;
    if (n == 3 || n > kMaxEarClippingCorners) {
        TriangulatePolygonIndices(corners, n);
        return;
    }
    const RVector4 normal = NewellNormal(points, n);
    const std::vector<Point2> projected = ProjectOntoPlane(points, n, normal);
    const double tolerance = kRelativeAreaTolerance * SquaredExtent(projected);
    if (normal.Length3() <= tolerance || IsConvex(projected, tolerance)) {
        TriangulatePolygonIndices(corners, n);
        return;
    }
    corners.reserve(3 * static_cast<std::size_t>(n - 2));
    EarClipper(projected, tolerance).Clip(corners);
}
