#include "curves/RotationContinuity.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/EulerAngles.h"
#include "core/RQuaternion.h"

namespace {

constexpr double kHalfDegreesToRadians = 0.008726646259971648;
constexpr double kTwiceRadiansToDegrees = 114.59155902616465;
constexpr double kTurnsPerDegree = 0.002777777777777778;
constexpr double kFullTurnThreshold = -0.9999999999;
constexpr double kGimbalTolerance = 1e-6;

double WholeAndFraction(double value, double& whole) {
    // Below 2^52 the whole part fits an integer and the fraction is an exact difference; the
    // signs copied give the signed zeros of a negative value. NaN fails the test.
    constexpr double kAllWhole = 4503599627370496.0;
    if (std::fabs(value) < kAllWhole) {
        const double truncated = static_cast<double>(static_cast<std::int64_t>(value));
        whole = std::copysign(truncated, value);
        return std::copysign(value - truncated, value);
    }
    return std::modf(value, &whole);
}

double TurnRemainder(double degrees) {
    // Within two turns the remainder is an exact difference with the dividend's sign.
    const double magnitude = std::fabs(degrees);
    if (magnitude < 360.0) {
        return degrees;
    }
    if (magnitude < 720.0) {
        return std::copysign(magnitude - 360.0, degrees);
    }
    return std::fmod(degrees, 360.0);
}

bool IsEulerCode(int rotationOrder) {
    return rotationOrder >= 0 && rotationOrder <= 11;
}

double ClampUnit(double value) {
    return std::clamp(value, -1.0, 1.0);
}

}  // namespace

double SquaredEulerDistance(const double a[3], const double b[3]) {
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    }
    return sum;
}

void RotationOrderAxes(int axisOrder[3], int rotationOrder) {
    const EulerOrder order = GetEulerOrder(IsEulerCode(rotationOrder) ? rotationOrder : 0);
    std::copy(order.axes, order.axes + 3, axisOrder);
}

void EulerToMatrixInOrder(RMatrix& out, const double angles[3], int rotationOrder) {
    if (rotationOrder == kRotationOrderSphericXYZ) {
        SphericToMatrix(out, angles);
        return;
    }
    if (!IsEulerCode(rotationOrder) || rotationOrder == 0) {
        EulerXYZToMatrix(out, angles[0], angles[1], angles[2]);
        return;
    }
    int axes[3];
    RotationOrderAxes(axes, rotationOrder);
    EulerToMatrix(out, angles[axes[0]], angles[axes[1]], angles[axes[2]], rotationOrder);
}

void MatrixToEulerInOrder(double angles[3], const RMatrix& matrix, int rotationOrder) {
    if (rotationOrder == kRotationOrderSphericXYZ) {
        MatrixToSpheric(angles, matrix);
        return;
    }
    RVector4 result;
    if (!IsEulerCode(rotationOrder) || rotationOrder == 0) {
        MatrixToEulerXYZ(result, matrix);
        angles[0] = result.x;
        angles[1] = result.y;
        angles[2] = result.z;
        return;
    }
    MatrixToEuler(result, matrix, rotationOrder);
    int axes[3];
    RotationOrderAxes(axes, rotationOrder);
    angles[axes[0]] = result.x;
    angles[axes[1]] = result.y;
    angles[axes[2]] = result.z;
}

void SphericToMatrix(RMatrix& out, const double angles[3]) {
    const double sx = std::sin(angles[0] * kHalfDegreesToRadians);
    const double cx = std::cos(angles[0] * kHalfDegreesToRadians);
    const double sy = std::sin(angles[1] * kHalfDegreesToRadians);
    const double cy = std::cos(angles[1] * kHalfDegreesToRadians);
    const double sz = std::sin(angles[2] * kHalfDegreesToRadians);
    const double cz = std::cos(angles[2] * kHalfDegreesToRadians);
    // The swing (0, sy, sz, cy cz) of the X axis times the twist (sx, 0, 0, cx) about it.
    const RQuaternion q(sx * cy * cz, cx * sy + sx * sz, cx * sz - sx * sy, cx * cy * cz);
    QuaternionToMatrix(out, q);
}

void MatrixToSpheric(double angles[3], const RMatrix& matrix) {
    if (matrix[0][0] <= kFullTurnThreshold) {
        angles[0] = angles[1] = angles[2] = 180.0;
        return;
    }
    // The swing that takes the X axis to the first row.
    RQuaternion swing(0.0, -matrix[0][2], matrix[0][1], 1.0 + matrix[0][0]);
    QuaternionScale(swing, swing, 1.0 / QuaternionLength(swing));
    // The swing built from the half-angle sines is not of unit length; r undoes that.
    const double s = swing.y * swing.y * swing.z * swing.z;
    const double r = s > 1e-10 ? std::sqrt((1.0 - std::sqrt(std::max(0.0, 1.0 - 4.0 * s))) / (2.0 * s))
                               : 1.0;
    angles[1] = std::asin(ClampUnit(r * swing.y)) * kTwiceRadiansToDegrees;
    angles[2] = std::asin(ClampUnit(r * swing.z)) * kTwiceRadiansToDegrees;

    RQuaternion full;
    QuaternionFromMatrix(full, matrix);
    RQuaternion twist;
    QuaternionConjugate(twist, swing);
    QuaternionMultiply(twist, twist, full);
    QuaternionScale(twist, twist, 1.0 / QuaternionLength(twist));
    RVector4 yAxis;
    QuaternionYAxis(yAxis, twist);
    angles[0] = std::atan2(yAxis.z, yAxis.y) * kRadiansToDegrees;
}

double SplitWhole(double value, double& whole) { return WholeAndFraction(value, whole); }

double RemainderOfTurn(double degrees) { return TurnRemainder(degrees); }

double NearestEquivalentAngle(double angle, double reference) {
    const double turns = (reference - angle) * kTurnsPerDegree;
    double whole = 0.0;
    const double fraction = WholeAndFraction(turns, whole);
    if (fraction > 0.5) {
        whole += 1.0;
    } else if (fraction < -0.5) {
        whole -= 1.0;
    }
    return angle + 360.0 * whole;
}

namespace {

// Angles this close to the previous ones on every axis keep the plain triple: it lies at most
// 3 * 45^2 square degrees away, the flipped one (its first angle half a turn off) at least
// 135^2. Below kPlainMagnitude rounding moves neither by more than a fraction of a degree.
constexpr double kSurelyPlainStep = 45.0;
constexpr double kPlainMagnitude = 1e9;

bool IsSurelyPlain(const double current[3], const double reference[3]) {
    for (int i = 0; i < 3; ++i) {
        // NaN fails both tests.
        if (!(std::fabs(current[i] - reference[i]) < kSurelyPlainStep && std::fabs(reference[i]) < kPlainMagnitude)) {
            return false;
        }
    }
    return true;
}

// NearestEquivalentAngle for an angle less than an eighth of a turn from a reference below
// kPlainMagnitude: no whole turn moves it, only the turns' signed zero is added as there
// (which makes a -0 angle +0 where the reference lies at or above it).
double WithinEighthTurn(double angle, double reference) {
    return angle + std::copysign(0.0, (reference - angle) * kTurnsPerDegree);
}

bool FilterStep(double out[3], const double current[3], const double previous[3], const int axisOrder[3],
                bool repeatedAxis) {
    const int a = axisOrder[0];
    const int b = axisOrder[1];
    const int c = axisOrder[2];
    const double reference[3] = {previous[a], previous[b], previous[c]};
    double plain[3] = {current[a], current[b], current[c]};
    const bool surelyPlain = IsSurelyPlain(plain, reference);
    double flipped[3] = {current[a] + 180.0, (repeatedAxis ? 0.0 : 180.0) - current[b], current[c] + 180.0};
    for (int i = 0; i < 3; ++i) {
        if (surelyPlain) {
            plain[i] = WithinEighthTurn(plain[i], reference[i]);
        } else {
            plain[i] = NearestEquivalentAngle(plain[i], reference[i]);
            flipped[i] = NearestEquivalentAngle(flipped[i], reference[i]);
        }
    }
    const bool flip =
        !surelyPlain && SquaredEulerDistance(flipped, reference) <= SquaredEulerDistance(plain, reference);
    const double* chosen = flip ? flipped : plain;
    out[a] = chosen[0];
    out[b] = chosen[1];
    out[c] = chosen[2];
    EvenOutGimbal(out, previous, axisOrder, repeatedAxis);
    return flip;
}

}  // namespace

bool IsRepeatedAxisOrder(int rotationOrder) {
    return IsEulerCode(rotationOrder) && (rotationOrder & 1) != 0;
}

bool DistinctEulerAxes(int axisOrder[3], int rotationOrder) {
    if (!IsEulerCode(rotationOrder) || IsRepeatedAxisOrder(rotationOrder)) {
        return false;
    }
    RotationOrderAxes(axisOrder, rotationOrder);
    return true;
}

bool EulerFilterStepInOrder(double out[3], const double current[3], const double previous[3],
                            int rotationOrder) {
    if (rotationOrder == kRotationOrderSphericXYZ) {
        out[0] = NearestEquivalentAngle(current[0], previous[0]);
        out[1] = current[1];
        out[2] = current[2];
        return false;
    }
    int axes[3];
    RotationOrderAxes(axes, rotationOrder);
    return FilterStep(out, current, previous, axes, IsRepeatedAxisOrder(rotationOrder));
}

namespace {

// A middle angle within a turn and over a degree away from every gimbal angle of its form
// (90 and 270 degrees either way round; 0 and 180 for the repeated forms), where rounding the
// angle into a turn cannot bring it within the gimbal tolerance: nothing to even out. NaN is
// not clear.
bool IsClearOfGimbal(double middle, bool repeatedAxis) {
    constexpr double kClearance = 1.0;
    const double m = std::fabs(middle);
    if (!(m < 360.0 - kClearance)) {
        return false;
    }
    return repeatedAxis ? m > kClearance && std::fabs(m - 180.0) > kClearance
                        : std::fabs(m - 90.0) > kClearance && std::fabs(m - 270.0) > kClearance;
}

// FilterStep of a non-repeated axis order where it keeps the plain triple and leaves the
// gimbal alone, as most steps of a motion do: each angle within an eighth of a turn of the
// previous one and the middle angle clear of gimbal. False (out untouched) elsewhere.
bool PlainStep(double out[3], const double current[3], const double previous[3], const int axisOrder[3]) {
    if (!IsSurelyPlain(current, previous)) {
        return false;
    }
    const double middle = WithinEighthTurn(current[axisOrder[1]], previous[axisOrder[1]]);
    if (!IsClearOfGimbal(middle, false)) {
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        out[i] = WithinEighthTurn(current[i], previous[i]);
    }
    return true;
}

}  // namespace

bool EulerFilterStep(double out[3], const double current[3], const double previous[3],
                     const int axisOrder[3]) {
    return PlainStep(out, current, previous, axisOrder) ? false : FilterStep(out, current, previous, axisOrder, false);
}

void EvenOutGimbal(double angles[3], const double previous[3], const int axisOrder[3], bool repeatedAxis) {
    if (IsClearOfGimbal(angles[axisOrder[1]], repeatedAxis)) {
        return;
    }
    const int a = axisOrder[0];
    const int b = axisOrder[1];
    const int c = axisOrder[2];
    // At 90 degrees the difference of the outer angles is kept, at 270 their sum; the odd
    // axis orders turn the other way round, which swaps the two cases. The repeated forms
    // keep the sum at 0 and the difference at 180 degrees.
    const bool oddOrder = (b - a + 3) % 3 == 2;
    const double middle = TurnRemainder(TurnRemainder(angles[b]) + 360.0);
    const double keepsDifference = repeatedAxis ? 180.0 : oddOrder ? 270.0 : 90.0;
    const double keepsSum = repeatedAxis ? 0.0 : oddOrder ? 90.0 : 270.0;
    const double sumDistance = std::min(std::fabs(middle - keepsSum), std::fabs(middle - keepsSum - 360.0));
    if (std::fabs(middle - keepsDifference) <= kGimbalTolerance) {
        const double h = ((previous[a] - angles[a]) + (previous[c] - angles[c])) / 2.0;
        angles[a] += h;
        angles[c] += h;
    } else if (sumDistance <= kGimbalTolerance) {
        const double h = ((previous[a] - angles[a]) - (previous[c] - angles[c])) / 2.0;
        angles[a] += h;
        angles[c] -= h;
    }
}
