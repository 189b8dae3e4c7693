#ifndef WYX_FORMATS_GEOMETRY_POLYGONSPLIT_H
#define WYX_FORMATS_GEOMETRY_POLYGONSPLIT_H

// Splitting a polygon into triangles, as corner positions within the polygon (0 to n - 1),
// three per triangle, n - 2 triangles for n corners.
//
// The system's one triangle order for an n-gon is a zig-zag between the two ends of the
// polygon, not a fan: (0,1,2), (2,3,0), (0,3,n-1), (3,4,n-1), (n-1,4,n-2), ... Every triangle
// follows the polygon's winding. Files written by the mesh writers depend on this order, so
// TriangulatePolygon keeps it for every convex polygon. A concave polygon cannot take it (some
// of its triangles would lie outside the polygon), so TriangulatePolygon splits such a polygon
// by ear clipping on its best-fit plane instead: every triangle lies inside the polygon, keeps
// its winding, and the triangles' areas add up to the polygon's.

#include "core/RVector4.h"

#include <vector>

// Concave polygons with more corners than this are split in the zig-zag order: ear clipping
// takes time that grows with the square of the corner count.
inline constexpr int kMaxEarClippingCorners = 4096;

// Replaces the list by the zig-zag order for n corners: 3(n - 2) entries; empty below 3.
void TriangulatePolygonIndices(std::vector<int>& corners, int n);

// Replaces the list by the triangles of the polygon whose corners lie at points[0 .. n-1]
// (x, y and z; w is ignored), always n - 2 of them: the zig-zag order when the polygon is
// convex, flat (no area) or has more than kMaxEarClippingCorners corners; ear clipping
// otherwise. Corners on a line and repeated corners give triangles without area, never
// triangles outside the polygon. Empty below 3 corners or for null points.
void TriangulatePolygon(std::vector<int>& corners, const RVector4* points, int n);

#endif
