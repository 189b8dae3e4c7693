#ifndef WYX_CORE_RQUATERNION_H
#define WYX_CORE_RQUATERNION_H

// Quaternions x, y, z, w with the scalar part w stored last. A rotation quaternion and
// the rows of its RMatrix follow the row-vector convention of RMatrix. The free functions
// let out be one of the inputs.

#include "core/RMatrix.h"
#include "core/RVector4.h"

struct RQuaternion {
    RQuaternion() = default;  // the identity rotation (0, 0, 0, 1)
    RQuaternion(double x, double y, double z, double w) : x(x), y(y), z(z), w(w) {}

    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;
};

void QuaternionSet(RQuaternion& q, double x, double y, double z, double w);
double QuaternionLength(const RQuaternion& q);  // square root of the four squares
void QuaternionConjugate(RQuaternion& out, const RQuaternion& q);  // (-x, -y, -z, w)
void QuaternionScale(RQuaternion& out, const RQuaternion& q, double factor);  // all four
// The Hamilton product a x b.
void QuaternionMultiply(RQuaternion& out, const RQuaternion& a, const RQuaternion& b);

// Sets the 3x3 part of out to the rotation of q, which need not be normalised; a zero
// quaternion gives the identity. The rest of out is left.
void QuaternionToMatrix(RMatrix& out, const RQuaternion& q);
// The unit quaternion of the orthonormal rotation held in the 3x3 part of matrix.
void QuaternionFromMatrix(RQuaternion& out, const RMatrix& matrix);
// The image of the Y axis under the unit quaternion q (w of out = 0).
void QuaternionYAxis(RVector4& out, const RQuaternion& q);

// The unnormalised quaternion of the shortest rotation taking the direction of a onto that
// of b: (a x b, |a| |b| + a . b), over x, y and z. For opposite directions, where that has
// no axis, a 180-degree turn about an axis perpendicular to a; when a or b is zero, the
// identity.
void QuaternionShortestArc(RQuaternion& out, const RVector4& a, const RVector4& b);
// Its form for a = the X axis and a unit vector v: (0, -v.z, v.y, v.x + 1); for v = -X,
// a 180-degree turn about the Z axis.
void QuaternionFromXAxis(RQuaternion& out, const RVector4& v);

#endif
