#ifndef WYX_TESTS_SCENE_TRANSFORMTESTSUPPORT_H
#define WYX_TESTS_SCENE_TRANSFORMTESTSUPPORT_H

// Shared by the node-transform and node-limit tests: short vector and matrix builders and
// comparisons that print both sides.

#include "core/RMatrix.h"
#include "core/RVector4.h"

#include <gtest/gtest.h>

#include <cmath>

namespace transform_test {

inline RVector4 V(double x, double y, double z) { return RVector4(x, y, z, 0.0); }

inline RMatrix Trs(const RVector4& t, const RVector4& r, const RVector4& s) {
    return RMatrix::ConstructFromTRS(t, r, s);
}

// a then b.
inline RMatrix Then(const RMatrix& a, const RMatrix& b) {
    RMatrix out;
    MatrixMultiplyAffine(out, b, a);
    return out;
}

inline bool IsFinite(const RVector4& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// x, y and z each within the tolerance.
inline ::testing::AssertionResult Near(const RVector4& actual, const RVector4& expected, double tolerance = 1e-9) {
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(*actual.Component(i) - *expected.Component(i)) <= tolerance)) {
            return ::testing::AssertionFailure() << "(" << actual.x << ", " << actual.y << ", " << actual.z
                                                 << ") is not (" << expected.x << ", " << expected.y << ", "
                                                 << expected.z << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

// The twelve affine elements each within the tolerance.
inline ::testing::AssertionResult Near(const RMatrix& actual, const RMatrix& expected, double tolerance = 1e-9) {
    if (MatrixCompare(actual, expected, tolerance) == 0) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "rows (actual | expected):";
    for (int row = 0; row < 4; ++row) {
        failure << " [" << actual[row][0] << " " << actual[row][1] << " " << actual[row][2] << " | " << expected[row][0]
                << " " << expected[row][1] << " " << expected[row][2] << "]";
    }
    return failure;
}

}  // namespace transform_test

#endif
