#include "scene/TransformMatrices.h"

namespace {

double RowDot(const RMatrix& a, int rowA, const RMatrix& b, int rowB) {
    return a[rowA][0] * b[rowB][0] + a[rowA][1] * b[rowB][1] + a[rowA][2] * b[rowB][2];
}

}  // namespace

void MatrixMultiplyTransposed3x3(RMatrix& out, const RMatrix& a, const RMatrix& b) {
    double product[3][3];
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) product[row][column] = RowDot(b, row, a, column);
    }
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) out[row][column] = product[row][column];
    }
}

bool MatrixDeterminantNonNegative(const RMatrix& m) {
    const double determinant = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                               m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                               m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    return determinant >= 0.0;
}

void MatrixMultiplyInverseOrthogonal(RMatrix& out, const RMatrix& a, const RMatrix& b) {
    // inverse[i][j] = a[j][i] / |row j of a|^2; a row of zero length gives a zero column.
    double inverse[3][3];
    for (int row = 0; row < 3; ++row) {
        const double squaredLength = RowDot(a, row, a, row);
        for (int column = 0; column < 3; ++column) {
            inverse[column][row] = squaredLength > 0.0 ? a[row][column] / squaredLength : 0.0;
        }
    }
    double rows[4][3];
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            rows[row][column] = b[row][0] * inverse[0][column] + b[row][1] * inverse[1][column] +
                                b[row][2] * inverse[2][column];
        }
        rows[3][column] = (b[3][0] - a[3][0]) * inverse[0][column] + (b[3][1] - a[3][1]) * inverse[1][column] +
                          (b[3][2] - a[3][2]) * inverse[2][column];
    }
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) out[row][column] = rows[row][column];
    }
}

void MatrixMultiplyRowVector(RMatrix& out, const RMatrix& a, const RMatrix& b) { MatrixMultiplyAffine(out, a, b); }
