#include "host/src/scene/TransformMath.h"

#include <algorithm>
#include <cmath>

namespace vexa_host {

namespace {

constexpr double kGimbalLimit = 0.9999999;

struct AxisOrder {
    int axes[3];
};

AxisOrder axesOf(VTransformationMatrix::RotationOrder order) {
    switch (order) {
    case VTransformationMatrix::kYZX: return {{1, 2, 0}};
    case VTransformationMatrix::kZXY: return {{2, 0, 1}};
    case VTransformationMatrix::kXZY: return {{0, 2, 1}};
    case VTransformationMatrix::kYXZ: return {{1, 0, 2}};
    case VTransformationMatrix::kZYX: return {{2, 1, 0}};
    default: return {{0, 1, 2}};
    }
}

VMatrix axisRotation(int axis, double angle) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    VMatrix m;
    const int a = (axis + 1) % 3;
    const int b = (axis + 2) % 3;
    m[a][a] = c;
    m[a][b] = s;
    m[b][a] = -s;
    m[b][b] = c;
    return m;
}

}  // namespace

bool isValidOrder(int order) { return order >= VTransformationMatrix::kXYZ && order <= VTransformationMatrix::kZYX; }

VMatrix translationMatrix(double x, double y, double z) {
    VMatrix m;
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
    return m;
}

VMatrix eulerToMatrix(const double angles[3], VTransformationMatrix::RotationOrder order) {
    const AxisOrder axes = axesOf(order);
    return axisRotation(axes.axes[0], angles[axes.axes[0]]) * axisRotation(axes.axes[1], angles[axes.axes[1]]) *
           axisRotation(axes.axes[2], angles[axes.axes[2]]);
}

void matrixToEuler(const VMatrix& matrix, VTransformationMatrix::RotationOrder order, double angles[3]) {
    double r[3][3];
    for (int i = 0; i < 3; ++i) {
        const double size = std::sqrt(matrix[i][0] * matrix[i][0] + matrix[i][1] * matrix[i][1] + matrix[i][2] * matrix[i][2]);
        for (int j = 0; j < 3; ++j) r[i][j] = size > 0.0 ? matrix[i][j] / size : (i == j ? 1.0 : 0.0);
    }
    // Rename the axes so that the order becomes XYZ: p[k][l] = r[axis k][axis l]. An odd
    // renaming turns every rotation the other way.
    const AxisOrder axes = axesOf(order);
    double p[3][3];
    for (int k = 0; k < 3; ++k) {
        for (int l = 0; l < 3; ++l) p[k][l] = r[axes.axes[k]][axes.axes[l]];
    }
    const int i0 = axes.axes[0];
    const int i1 = axes.axes[1];
    const bool even = (i1 == (i0 + 1) % 3);
    const double sign = even ? 1.0 : -1.0;

    const double sinMiddle = std::clamp(-sign * p[0][2], -1.0, 1.0);
    double first;
    double middle = std::asin(sinMiddle);
    double last;
    if (std::fabs(sinMiddle) < kGimbalLimit) {
        first = std::atan2(sign * p[1][2], p[2][2]);
        last = std::atan2(sign * p[0][1], p[0][0]);
    } else {
        first = std::atan2(-sign * p[2][1], p[1][1]);
        last = 0.0;
    }
    angles[axes.axes[0]] = first;
    angles[axes.axes[1]] = middle;
    angles[axes.axes[2]] = last;
}

VQuaternion eulerToQuaternion(const double angles[3], VTransformationMatrix::RotationOrder order) {
    return VQuaternion::fromMatrix(eulerToMatrix(angles, order));
}

}  // namespace vexa_host
