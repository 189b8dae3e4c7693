#ifndef WYX_CURVES_ROTATIONCONTINUITY_H
#define WYX_CURVES_ROTATIONCONTINUITY_H

// Rotation helpers of the curve-node tree: conversions between Euler triples of a curve
// node's rotation order and rotation matrices, the spheric XYZ form, and the angle
// continuity rules that pick, for a new Euler triple, the equivalent triple nearest to the
// previous one.
//
// An Euler triple is three angles in degrees indexed 0, 1, 2 for the X, Y and Z channels,
// whatever the rotation order. A rotation order is an Euler code 0 to 11 of
// core/EulerAngles.h or 12 for spheric XYZ (a swing of the X axis by the Y and Z angles
// after a twist about X); other values read as 0. Only the 3x3 part of a matrix is used.

#include "core/RMatrix.h"

constexpr int kRotationOrderSphericXYZ = 12;

// The three channel indexes of the order's first, middle and last axis ((0, 1, 2) for
// Euler XYZ, (0, 2, 1) for Euler XZY; (0, 1, 2) for spheric XYZ).
void RotationOrderAxes(int axisOrder[3], int rotationOrder);

// The rotation of an Euler triple in the order, into the 3x3 part of out.
void EulerToMatrixInOrder(RMatrix& out, const double angles[3], int rotationOrder);
// The Euler triple of the rotation held in the 3x3 part of matrix, in the order.
void MatrixToEulerInOrder(double angles[3], const RMatrix& matrix, int rotationOrder);

// Spheric XYZ: the quaternion (sx cy cz, cx sy + sx sz, cx sz - sx sy, cx cy cz) of the
// half angles, as a matrix.
void SphericToMatrix(RMatrix& out, const double angles[3]);
// The spheric angles of a rotation; (180, 180, 180) when it turns the X axis round.
void MatrixToSpheric(double angles[3], const RMatrix& matrix);

// std::modf and std::fmod(degrees, 360) to the bit (signed zeros, infinities and NaN as the
// library gives them), without the library call for the angles the filters meet.
double SplitWhole(double value, double& whole);
double RemainderOfTurn(double degrees);

// The angle plus the whole number of turns that brings it nearest the reference; a
// reference exactly half a turn away leaves the angle as it is.
double NearestEquivalentAngle(double angle, double reference);

// The squared Euclidean distance of two Euler triples, in squared degrees.
double SquaredEulerDistance(const double a[3], const double b[3]);

// Whether the order is one of the repeated-axis Euler forms (first and last rotation about
// the same axis): their second triple of a rotation is (first + 180, -middle, last + 180),
// and their gimbal cases lie at a middle angle of 0 and 180 degrees.
bool IsRepeatedAxisOrder(int rotationOrder);
// For an Euler order of three different axes: its axes (RotationOrderAxes) and true, its
// steps being those of EulerFilterStep over them. False for the others.
bool DistinctEulerAxes(int axisOrder[3], int rotationOrder);

// At a middle angle (axisOrder[1]) of 90 or 270 degrees (0 or 180 for the repeated forms)
// only the difference or the sum of the outer angles matters: shares the rest of their
// distance to previous between them, which leaves the rotation as it is.
void EvenOutGimbal(double angles[3], const double previous[3], const int axisOrder[3],
                   bool repeatedAxis = false);

// Writes to out the Euler triple equivalent to current that lies nearest previous: each
// angle of current and of its flipped triple (first + 180, 180 - middle, last + 180 in the
// axis order) moved by whole turns next to previous, the nearer of the two taken (a tie
// takes the flipped one), and at a middle angle of 90 or 270 degrees the outer angles moved
// together as far as that rotation allows. True when the flipped triple was taken. out may
// be current.
bool EulerFilterStep(double out[3], const double current[3], const double previous[3],
                     const int axisOrder[3]);
// EulerFilterStep for the triples of a rotation order, each of which it keeps: the repeated
// forms flip and even out as they repeat; spheric XYZ angles have no second triple and only
// X repeats every whole turn, so only X is moved (by whole turns).
bool EulerFilterStepInOrder(double out[3], const double current[3], const double previous[3],
                            int rotationOrder);

#endif
