#include "core/RQuaternion.h"

#include <cmath>

namespace {

constexpr double kQuaternionEpsilon = 1e-10;
// Below this sine of the angle between two opposite vectors their cross product carries
// no usable axis.
constexpr double kParallelSine = 1e-12;

// A 180-degree turn about an axis perpendicular to v: v crossed with the coordinate axis
// v leans on least (the first such axis on a tie).
RQuaternion HalfTurnPerpendicularTo(const RVector4& v) {
    const double ax = std::fabs(v.x);
    const double ay = std::fabs(v.y);
    const double az = std::fabs(v.z);
    RVector4 helper(0.0, 0.0, 0.0, 0.0);
    if (ax <= ay && ax <= az) {
        helper.x = 1.0;
    } else if (ay <= az) {
        helper.y = 1.0;
    } else {
        helper.z = 1.0;
    }
    RVector4 axis = v.Cross3(helper);
    axis.Normalize3();
    return RQuaternion(axis.x, axis.y, axis.z, 0.0);
}

// q with the vector part (x, y, z) and scalar w, replaced by a half turn about an axis
// perpendicular to from when from and to point in opposite directions.
RQuaternion ArcOrHalfTurn(const RVector4& from, const RVector4& axis, double w, double dot,
                          double lengthProduct) {
    if (dot < 0.0 && axis.Length3() <= kParallelSine * lengthProduct) {
        return HalfTurnPerpendicularTo(from);
    }
    return RQuaternion(axis.x, axis.y, axis.z, w);
}

// The quaternion by the trace form, for the rotation rows of matrix.
RQuaternion TraceQuaternion(const RMatrix& matrix) {
    const double wSquared = (1.0 + matrix[0][0] + matrix[1][1] + matrix[2][2]) / 4.0;
    if (wSquared > kQuaternionEpsilon) {
        const double w = std::sqrt(wSquared);
        return RQuaternion((matrix[1][2] - matrix[2][1]) / (4.0 * w),
                           (matrix[2][0] - matrix[0][2]) / (4.0 * w),
                           (matrix[0][1] - matrix[1][0]) / (4.0 * w), w);
    }
    // A half turn: w is 0 and the axis comes from the diagonal.
    const double xSquared = -(matrix[1][1] + matrix[2][2]) / 2.0;
    if (xSquared > kQuaternionEpsilon) {
        const double x = std::sqrt(xSquared);
        return RQuaternion(x, matrix[0][1] / (2.0 * x), matrix[0][2] / (2.0 * x), 0.0);
    }
    const double ySquared = (1.0 - matrix[2][2]) / 2.0;
    if (ySquared > kQuaternionEpsilon) {
        const double y = std::sqrt(ySquared);
        return RQuaternion(0.0, y, matrix[1][2] / (2.0 * y), 0.0);
    }
    return RQuaternion(0.0, 0.0, 1.0, 0.0);
}

}  // namespace

void QuaternionSet(RQuaternion& q, double x, double y, double z, double w) {
    q = RQuaternion(x, y, z, w);
}

double QuaternionLength(const RQuaternion& q) {
    return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
}

void QuaternionConjugate(RQuaternion& out, const RQuaternion& q) {
    out = RQuaternion(-q.x, -q.y, -q.z, q.w);
}

void QuaternionScale(RQuaternion& out, const RQuaternion& q, double factor) {
    out = RQuaternion(q.x * factor, q.y * factor, q.z * factor, q.w * factor);
}

void QuaternionMultiply(RQuaternion& out, const RQuaternion& a, const RQuaternion& b) {
    out = RQuaternion(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                      a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                      a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
                      a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
}

void QuaternionToMatrix(RMatrix& out, const RQuaternion& q) {
    const double normSquared = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    const double s = normSquared > 0.0 ? 2.0 / normSquared : 0.0;
    out[0][0] = 1.0 - s * (q.y * q.y + q.z * q.z);
    out[0][1] = s * (q.x * q.y + q.z * q.w);
    out[0][2] = s * (q.x * q.z - q.y * q.w);
    out[1][0] = s * (q.x * q.y - q.z * q.w);
    out[1][1] = 1.0 - s * (q.x * q.x + q.z * q.z);
    out[1][2] = s * (q.y * q.z + q.x * q.w);
    out[2][0] = s * (q.x * q.z + q.y * q.w);
    out[2][1] = s * (q.y * q.z - q.x * q.w);
    out[2][2] = 1.0 - s * (q.x * q.x + q.y * q.y);
}

void QuaternionFromMatrix(RQuaternion& out, const RMatrix& matrix) {
    // Near a half turn w comes from 1 + trace, a small difference of values near 1, and
    // loses digits that the other three then share: normalise so the result stays unit.
    const RQuaternion q = TraceQuaternion(matrix);
    QuaternionScale(out, q, 1.0 / QuaternionLength(q));
}

void QuaternionYAxis(RVector4& out, const RQuaternion& q) {
    out.Set(2.0 * (q.x * q.y - q.z * q.w), 1.0 - 2.0 * (q.x * q.x + q.z * q.z),
            2.0 * (q.y * q.z + q.x * q.w), 0.0);
}

void QuaternionShortestArc(RQuaternion& out, const RVector4& a, const RVector4& b) {
    const double lengthProduct = a.Length3() * b.Length3();
    if (!(lengthProduct > 0.0)) {
        out = RQuaternion();
        return;
    }
    const double dot = a.Dot3(b);
    out = ArcOrHalfTurn(a, a.Cross3(b), lengthProduct + dot, dot, lengthProduct);
}

void QuaternionFromXAxis(RQuaternion& out, const RVector4& v) {
    const RVector4 xAxis(1.0, 0.0, 0.0, 0.0);
    out = ArcOrHalfTurn(xAxis, RVector4(0.0, -v.z, v.y, 0.0), v.x + 1.0, v.x, 1.0);
}
