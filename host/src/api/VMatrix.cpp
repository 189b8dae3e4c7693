#include <vexa/VMatrix.h>

#include <cmath>
#include <cstring>
#include <utility>

VMatrix::VMatrix() {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0 : 0.0;
    }
}

VMatrix::VMatrix(const double values[4][4]) { std::memcpy(m, values, sizeof(m)); }

VMatrix VMatrix::operator*(const VMatrix& right) const {
    VMatrix result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += m[r][k] * right.m[k][c];
            result.m[r][c] = sum;
        }
    }
    return result;
}

bool VMatrix::operator==(const VMatrix& other) const { return std::memcmp(m, other.m, sizeof(m)) == 0; }

bool VMatrix::isEquivalent(const VMatrix& other, double tolerance) const {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (std::fabs(m[r][c] - other.m[r][c]) > tolerance) return false;
        }
    }
    return true;
}

VMatrix VMatrix::transpose() const {
    VMatrix result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) result.m[r][c] = m[c][r];
    }
    return result;
}

double VMatrix::det3x3() const {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

double VMatrix::det4x4() const {
    double det = 0.0;
    for (int c = 0; c < 4; ++c) {
        double minor[3][3];
        for (int r = 1; r < 4; ++r) {
            int k = 0;
            for (int cc = 0; cc < 4; ++cc) {
                if (cc != c) minor[r - 1][k++] = m[r][cc];
            }
        }
        const double sub = minor[0][0] * (minor[1][1] * minor[2][2] - minor[1][2] * minor[2][1]) -
                           minor[0][1] * (minor[1][0] * minor[2][2] - minor[1][2] * minor[2][0]) +
                           minor[0][2] * (minor[1][0] * minor[2][1] - minor[1][1] * minor[2][0]);
        det += ((c % 2) == 0 ? 1.0 : -1.0) * m[0][c] * sub;
    }
    return det;
}

VMatrix VMatrix::inverse() const {
    // Gauss-Jordan with partial pivoting.
    double a[4][8];
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            a[r][c] = m[r][c];
            a[r][c + 4] = r == c ? 1.0 : 0.0;
        }
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r) {
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        }
        if (std::fabs(a[pivot][col]) < 1e-300) return VMatrix();
        if (pivot != col) {
            for (int c = 0; c < 8; ++c) std::swap(a[col][c], a[pivot][c]);
        }
        const double scale = a[col][col];
        for (int c = 0; c < 8; ++c) a[col][c] /= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            const double factor = a[r][col];
            for (int c = 0; c < 8; ++c) a[r][c] -= factor * a[col][c];
        }
    }
    VMatrix result;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) result.m[r][c] = a[r][c + 4];
    }
    return result;
}

void VMatrix::get(double values[4][4]) const { std::memcpy(values, m, sizeof(m)); }
