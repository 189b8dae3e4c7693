#ifndef WYX_TESTS_CORE_MATRIXTESTSUPPORT_H
#define WYX_TESTS_CORE_MATRIXTESTSUPPORT_H

// Comparisons of matrices and vectors that print both sides when they fail.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "core/RMatrix.h"
#include "core/RVector4.h"

inline std::string MatrixText(const RMatrix& m) {
    std::ostringstream text;
    for (int row = 0; row < 4; ++row) {
        text << "\n  [" << m[row][0] << ", " << m[row][1] << ", " << m[row][2] << ", " << m[row][3]
             << "]";
    }
    return text.str();
}

// Every one of the 16 values within tolerance.
inline ::testing::AssertionResult MatricesNear(const RMatrix& a, const RMatrix& b,
                                               double tolerance) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            if (!(std::fabs(a[row][column] - b[row][column]) <= tolerance)) {
                return ::testing::AssertionFailure()
                       << "differ at [" << row << "][" << column << "]:" << MatrixText(a)
                       << "\nvs" << MatrixText(b);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// x, y and z within tolerance; w is not compared.
inline ::testing::AssertionResult VectorsNear(const RVector4& a, const RVector4& b,
                                              double tolerance) {
    if (std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
        std::fabs(a.z - b.z) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") vs ("
                                         << b.x << ", " << b.y << ", " << b.z << ")";
}

#endif
