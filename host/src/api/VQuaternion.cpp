#include <vexa/VQuaternion.h>

#include <vexa/VMatrix.h>
#include <vexa/VVector.h>

#include <cmath>

VQuaternion::VQuaternion(double angle, const VVector& axis) {
    const VVector unit = axis.normal();
    const double s = std::sin(angle / 2.0);
    x = unit.x * s;
    y = unit.y * s;
    z = unit.z * s;
    w = std::cos(angle / 2.0);
}

VMatrix VQuaternion::asMatrix() const {
    const VQuaternion q = normal();
    VMatrix result;
    // The transpose of the usual column-vector matrix: rows are the rotated axes.
    result[0][0] = 1.0 - 2.0 * (q.y * q.y + q.z * q.z);
    result[0][1] = 2.0 * (q.x * q.y + q.z * q.w);
    result[0][2] = 2.0 * (q.x * q.z - q.y * q.w);
    result[1][0] = 2.0 * (q.x * q.y - q.z * q.w);
    result[1][1] = 1.0 - 2.0 * (q.x * q.x + q.z * q.z);
    result[1][2] = 2.0 * (q.y * q.z + q.x * q.w);
    result[2][0] = 2.0 * (q.x * q.z + q.y * q.w);
    result[2][1] = 2.0 * (q.y * q.z - q.x * q.w);
    result[2][2] = 1.0 - 2.0 * (q.x * q.x + q.y * q.y);
    return result;
}

VQuaternion VQuaternion::fromMatrix(const VMatrix& matrix) {
    double r[3][3];
    for (int i = 0; i < 3; ++i) {
        const double size = std::sqrt(matrix[i][0] * matrix[i][0] + matrix[i][1] * matrix[i][1] + matrix[i][2] * matrix[i][2]);
        for (int j = 0; j < 3; ++j) r[i][j] = size > 0.0 ? matrix[i][j] / size : 0.0;
    }
    // r is the transpose of the column-vector rotation c: c[i][j] = r[j][i].
    VQuaternion q;
    const double trace = r[0][0] + r[1][1] + r[2][2];
    if (trace > 0.0) {
        const double s = std::sqrt(trace + 1.0) * 2.0;
        q.w = 0.25 * s;
        q.x = (r[1][2] - r[2][1]) / s;
        q.y = (r[2][0] - r[0][2]) / s;
        q.z = (r[0][1] - r[1][0]) / s;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        const double s = std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]) * 2.0;
        q.w = (r[1][2] - r[2][1]) / s;
        q.x = 0.25 * s;
        q.y = (r[1][0] + r[0][1]) / s;
        q.z = (r[2][0] + r[0][2]) / s;
    } else if (r[1][1] > r[2][2]) {
        const double s = std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]) * 2.0;
        q.w = (r[2][0] - r[0][2]) / s;
        q.x = (r[1][0] + r[0][1]) / s;
        q.y = 0.25 * s;
        q.z = (r[2][1] + r[1][2]) / s;
    } else {
        const double s = std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]) * 2.0;
        q.w = (r[0][1] - r[1][0]) / s;
        q.x = (r[2][0] + r[0][2]) / s;
        q.y = (r[2][1] + r[1][2]) / s;
        q.z = 0.25 * s;
    }
    return q.normal();
}

VQuaternion VQuaternion::operator*(const VQuaternion& right) const {
    // Applying this rotation first, then right: the Hamilton product right * this.
    const VQuaternion& a = right;
    const VQuaternion& b = *this;
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

VQuaternion VQuaternion::normal() const {
    const double size = std::sqrt(x * x + y * y + z * z + w * w);
    return size > 0.0 ? VQuaternion(x / size, y / size, z / size, w / size) : VQuaternion();
}

bool VQuaternion::isEquivalent(const VQuaternion& o, double tolerance) const {
    const bool same = std::fabs(x - o.x) <= tolerance && std::fabs(y - o.y) <= tolerance &&
                      std::fabs(z - o.z) <= tolerance && std::fabs(w - o.w) <= tolerance;
    const bool opposite = std::fabs(x + o.x) <= tolerance && std::fabs(y + o.y) <= tolerance &&
                          std::fabs(z + o.z) <= tolerance && std::fabs(w + o.w) <= tolerance;
    return same || opposite;
}
