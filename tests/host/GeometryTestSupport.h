#ifndef WYX_TESTS_HOST_GEOMETRYTESTSUPPORT_H
#define WYX_TESTS_HOST_GEOMETRYTESTSUPPORT_H

// Geometry the host's shape tests share: a cube mesh (8 points, 6 quads with outward normals)
// and a flat surface of CVs, and the readers that turn API arrays into plain vectors.

#include "tests/support/HostTestSupport.h"

#include <vexa/VFnMesh.h>
#include <vexa/VFnNurbsSurface.h>

#include <vector>

namespace geometry_test {

inline VPointArray cubePoints() {
    VPointArray points;
    const double corners[8][3] = {{-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}, {-1, 1, -1}, {1, 1, -1}, {-1, -1, -1}, {1, -1, -1}};
    for (const auto& corner : corners) points.append(VPoint(corner[0], corner[1], corner[2]));
    return points;
}

inline VIntArray cubeCounts() { return VIntArray(6, 4); }

inline VIntArray cubeConnects() {
    const int faces[24] = {0, 1, 3, 2, 2, 3, 5, 4, 4, 5, 7, 6, 6, 7, 1, 0, 1, 7, 5, 3, 6, 0, 2, 4};
    return VIntArray(faces, 24);
}

// A cube mesh "cubeShape1" under a new transform "cube"; the shape is answered.
inline VObject makeCube(VFnMesh& mesh) {
    VStatus status;
    VObject shape = mesh.create(8, 6, cubePoints(), cubeCounts(), cubeConnects(), VObject::kNullObj, &status);
    EXPECT_TRUE(status) << status.errorString().asChar();
    VFnDagNode(VFnDagNode(shape).parent(0)).setName("cube");
    VFnDagNode(shape).setName("cubeShape1");
    return shape;
}

// CVs of a surface lying in the XZ plane: CV (u, v) at (u, 0, v), weight 1.
inline VPointArray gridCVs(int countU, int countV) {
    VPointArray points;
    for (int u = 0; u < countU; ++u) {
        for (int v = 0; v < countV; ++v) points.append(VPoint(u, 0.0, v));
    }
    return points;
}

// count + degree - 1 knots 0, 1, 2, ...
inline VDoubleArray evenKnots(int count, int degree) {
    VDoubleArray knots;
    for (int i = 0; i < count + degree - 1; ++i) knots.append(i);
    return knots;
}

template <typename Array>
std::vector<typename std::decay<decltype(std::declval<Array>()[0])>::type> items(const Array& array) {
    return {array.begin(), array.end()};
}

}  // namespace geometry_test

#endif
