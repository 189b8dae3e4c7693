#ifndef WYX_CURVES_AUTOTANGENTS_H
#define WYX_CURVES_AUTOTANGENTS_H

// The auto-tangent ratio of a curve key and its conversion to and from a slope.
//
// An Auto or AutoBreak side stores a ratio r instead of a slope. With L and R the secant
// slopes of the segments before and after the key, r = 0 gives the mean of L and R, r = 100
// the secant of the side's own segment (R on the outgoing side, L on the incoming side) and
// r = -100 the other one; beyond +/-100 the blend extrapolates linearly, and beyond +/-500 a
// quadratic term is added. The ratio-from-slope functions invert the slope-from-ratio ones
// zone by zone.

class RFCurve;

// The secant slopes next to key k: right = (v[k+1] - v[k]) / dt1, left = (v[k] - v[k-1]) / dt0;
// the first key takes left = right, the last right = left. False, outputs 0, for a curve of
// fewer than two keys or an index outside the keys.
bool ComputeNeighbourSlopes(const RFCurve& curve, int k, double& left, double& right);

double AutoSlopeFromRatioLeft(double ratio, double left, double right);
double AutoSlopeFromRatioRight(double ratio, double left, double right);
double AutoRatioFromSlopeLeft(double slope, double left, double right);
double AutoRatioFromSlopeRight(double slope, double left, double right);

#endif
