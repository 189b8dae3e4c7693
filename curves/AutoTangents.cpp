#include "curves/AutoTangents.h"

#include <algorithm>
#include <cmath>

#include "curves/CurveTime.h"
#include "curves/RFCurve.h"

namespace {

constexpr double kZoneLimit = 500.0;
constexpr double kQuadraticScale = 1000.0;
constexpr double kNegligible = 1e-5;

double SecantSlope(const RFCurve& curve, int from, int to) {
    const RCurveKey& a = curve.GetKey(from);
    const RCurveKey& b = curve.GetKey(to);
    const double seconds = curve_time::SecondsBetween(a.GetTime().GetTicks(), b.GetTime().GetTicks());
    return (static_cast<double>(b.GetValue()) - a.GetValue()) / seconds;
}

// The slope of the side whose own segment has the secant `own` and whose other segment has
// `other`: the incoming side passes (L, R), the outgoing side (R, L).
double SlopeFromRatio(double ratio, double own, double other, bool quadraticUp) {
    const double blend = ((100.0 - ratio) * 0.01 * other + (ratio + 100.0) * 0.01 * own) * 0.5;
    if (ratio > kZoneLimit) {
        const double term = (ratio - kZoneLimit) * 0.002;
        return blend + term * term * (quadraticUp ? kQuadraticScale : -kQuadraticScale);
    }
    if (ratio < -kZoneLimit) {
        const double term = (ratio + kZoneLimit) * -0.002;
        return blend + term * term * (quadraticUp ? -kQuadraticScale : kQuadraticScale);
    }
    return blend;
}

double ZeroIfNegligible(double value) { return std::fabs(value) < kNegligible ? 0.0 : value; }

// The roots of a r^2 + b r + q = 0 (a negative discriminant counts as 0).
void QuadraticRoots(double a, double b, double q, double& smaller, double& larger) {
    const double root = std::sqrt(std::max(0.0, b * b - 4.0 * a * q));
    const double first = (-b - root) / (2.0 * a);
    const double second = (-b + root) / (2.0 * a);
    smaller = std::min(first, second);
    larger = std::max(first, second);
}

// The inverse of SlopeFromRatio. hi and lo are the slopes at ratios +500 and -500; the
// caller decides the zone, `own` and `other` as for SlopeFromRatio.
double RatioFromSlope(double slope, double own, double other, bool quadraticUp, bool upperZone,
                      bool lowerZone) {
    const double q = (own + other) / 2.0;
    if (upperZone || lowerZone) {
        const double c = (upperZone == quadraticUp) ? kQuadraticScale : -kQuadraticScale;
        const double a = 4e-6 * c;
        const double b = (upperZone ? -0.004 : 0.004) * c + 0.005 * (own - other);
        double smaller = 0.0;
        double larger = 0.0;
        QuadraticRoots(a, b, q + c - slope, smaller, larger);
        return upperZone ? larger : smaller;
    }
    if (own == other) {
        return 0.0;
    }
    return (200.0 * slope - 100.0 * own - 100.0 * other) / (own - other);
}

}  // namespace

bool ComputeNeighbourSlopes(const RFCurve& curve, int k, double& left, double& right) {
    left = 0.0;
    right = 0.0;
    const int n = curve.GetKeyCount();
    if (n < 2 || k < 0 || k >= n) {
        return false;
    }
    if (k < n - 1) {
        right = SecantSlope(curve, k, k + 1);
    }
    if (k >= 1) {
        left = SecantSlope(curve, k - 1, k);
    }
    if (k == 0) {
        left = right;
    } else if (k == n - 1) {
        right = left;
    }
    return true;
}

double AutoSlopeFromRatioLeft(double ratio, double left, double right) {
    return SlopeFromRatio(ratio, left, right, left > right);
}

double AutoSlopeFromRatioRight(double ratio, double left, double right) {
    return SlopeFromRatio(ratio, right, left, right >= left);
}

double AutoRatioFromSlopeLeft(double slope, double left, double right) {
    const double hi = ZeroIfNegligible(AutoSlopeFromRatioLeft(kZoneLimit, left, right));
    const double lo = ZeroIfNegligible(AutoSlopeFromRatioLeft(-kZoneLimit, left, right));
    slope = ZeroIfNegligible(slope);
    const bool rising = left <= right;
    const bool upper = rising ? slope < hi : slope > hi;
    const bool lower = !upper && (rising ? slope > lo : slope < lo);
    return RatioFromSlope(slope, left, right, left > right, upper, lower);
}

double AutoRatioFromSlopeRight(double slope, double left, double right) {
    const double hi = ZeroIfNegligible(AutoSlopeFromRatioRight(kZoneLimit, left, right));
    const double lo = ZeroIfNegligible(AutoSlopeFromRatioLeft(kZoneLimit, left, right));
    slope = ZeroIfNegligible(slope);
    const bool falling = right < left;
    const bool upper = falling ? slope < hi : slope > hi;
    const bool lower = !upper && (falling ? slope > lo : slope < lo);
    return RatioFromSlope(slope, right, left, right >= left, upper, lower);
}
