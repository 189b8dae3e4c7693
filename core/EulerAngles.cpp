#include "core/EulerAngles.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kGimbalThreshold = 0.999999;
constexpr double kSingularThreshold = 1.6e-9;

struct SinCos {
    explicit SinCos(double degrees)
        : s(std::sin(degrees * kDegreesToRadians)), c(std::cos(degrees * kDegreesToRadians)) {}
    double s;
    double c;
};

double Degrees(double radians) {
    return radians * kRadiansToDegrees;
}

}  // namespace

int EulerOrder::AngleAxis(int position) const {
    if (position == 2 && repeated) {
        return axes[0];
    }
    return axes[std::clamp(position, 0, 2)];
}

EulerOrder GetEulerOrder(int code) {
    // Axis triples of the six permutations, indexed by code / 2.
    static constexpr int kAxes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 2, 0},
                                        {1, 0, 2}, {2, 0, 1}, {2, 1, 0}};
    if (code < 0 || code > 11) {
        code = 0;
    }
    const int* axes = kAxes[code / 2];
    return EulerOrder{{axes[0], axes[1], axes[2]}, (code & 1) != 0, (code & 2) != 0};
}

void EulerXYZToMatrix(RMatrix& matrix, double x, double y, double z) {
    EulerToMatrix(matrix, x, y, z, 0);
}

void EulerVectorXYZToMatrix(RMatrix& matrix, const RVector4& angles) {
    EulerToMatrix(matrix, angles.x, angles.y, angles.z, 0);
}

void EulerToMatrix(RMatrix& matrix, double a, double b, double c, int code) {
    EulerToMatrixOfOrder(matrix, a, b, c, GetEulerOrder(code));
}

void EulerToMatrixOfOrder(RMatrix& matrix, double a, double b, double c, const EulerOrder& order) {
    if (order.oddParity) {
        a = -a;
        b = -b;
        c = -c;
    }
    const int i = order.axes[0];
    const int j = order.axes[1];
    const int k = order.axes[2];
    const SinCos first(a);
    const SinCos second(b);
    const SinCos third(c);
    if (order.repeated) {
        matrix[i][i] = second.c;
        matrix[i][j] = second.s * third.s;
        matrix[i][k] = -second.s * third.c;
        matrix[j][i] = first.s * second.s;
        matrix[j][j] = first.c * third.c - first.s * second.c * third.s;
        matrix[j][k] = first.c * third.s + first.s * second.c * third.c;
        matrix[k][i] = first.c * second.s;
        matrix[k][j] = -first.s * third.c - first.c * second.c * third.s;
        matrix[k][k] = -first.s * third.s + first.c * second.c * third.c;
    } else {
        matrix[i][i] = second.c * third.c;
        matrix[i][j] = second.c * third.s;
        matrix[i][k] = -second.s;
        matrix[j][i] = first.s * second.s * third.c - first.c * third.s;
        matrix[j][j] = first.s * second.s * third.s + first.c * third.c;
        matrix[j][k] = first.s * second.c;
        matrix[k][i] = first.c * second.s * third.c + first.s * third.s;
        matrix[k][j] = first.c * second.s * third.s - first.s * third.c;
        matrix[k][k] = first.c * second.c;
    }
}

void MatrixFromTRS(RMatrix& matrix, const RVector4& translation, const RVector4& rotation,
                   const RVector4& scaling, int code) {
    EulerToMatrix(matrix, rotation.x, rotation.y, rotation.z, code);
    ScaleMatrixRows(matrix, matrix, scaling);
    MatrixSetTranslation(matrix, translation.x, translation.y, translation.z);
}

void MatrixToEulerXYZ(RVector4& out, const RMatrix& matrix) {
    const double m02 = matrix[0][2];
    if (m02 >= kGimbalThreshold) {
        out.Set(Degrees(std::atan2(-matrix[2][1], -matrix[2][0])), -90.0, 0.0, 0.0);
    } else if (m02 <= -kGimbalThreshold) {
        out.Set(Degrees(std::atan2(matrix[1][0], matrix[1][1])), 90.0, 0.0, 0.0);
    } else {
        // Rows that are not quite unit length may push m02 past 1; asin needs [-1, 1].
        out.Set(Degrees(std::atan2(matrix[1][2], matrix[2][2])),
                -Degrees(std::asin(std::clamp(m02, -1.0, 1.0))),
                Degrees(std::atan2(matrix[0][1], matrix[0][0])), 0.0);
    }
}

void MatrixToEuler(RVector4& out, const RMatrix& matrix, int code) {
    const EulerOrder order = GetEulerOrder(code);
    const int i = order.axes[0];
    const int j = order.axes[1];
    const int k = order.axes[2];
    double first;
    double second;
    double third = 0.0;
    if (order.repeated) {
        const double s = std::hypot(matrix[j][i], matrix[k][i]);
        second = std::atan2(s, matrix[i][i]);
        if (s > kSingularThreshold) {
            first = std::atan2(matrix[j][i], matrix[k][i]);
            third = std::atan2(matrix[i][j], -matrix[i][k]);
        } else {
            first = std::atan2(-matrix[k][j], matrix[j][j]);
        }
    } else {
        const double c = std::hypot(matrix[i][i], matrix[i][j]);
        second = std::atan2(-matrix[i][k], c);
        if (c > kSingularThreshold) {
            first = std::atan2(matrix[j][k], matrix[k][k]);
            third = std::atan2(matrix[i][j], matrix[i][i]);
        } else {
            first = std::atan2(-matrix[k][j], matrix[j][j]);
        }
    }
    const double sign = order.oddParity ? -1.0 : 1.0;
    out.Set(sign * Degrees(first), sign * Degrees(second), sign * Degrees(third), 0.0);
}
