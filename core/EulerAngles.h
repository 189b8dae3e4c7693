#ifndef WYX_CORE_EULERANGLES_H
#define WYX_CORE_EULERANGLES_H

// Conversions between the rotation part of an RMatrix and Euler angles in degrees, for
// the twelve rotation-order codes. A code is 4 x first axis + 2 x parity + repetition:
//
//   code  axes     code  axes
//    0    X Y Z     1    X Y X
//    2    X Z Y     3    X Z X
//    4    Y Z X     5    Y Z Y
//    6    Y X Z     7    Y X Y
//    8    Z X Y     9    Z X Z
//   10    Z Y X    11    Z Y Z
//
// Three angles (a, b, c) of a code mean: a about the first axis, then b about the second,
// then c about the third; the first acts first on a point (row-vector convention). The
// odd permutations (parity bit set) are computed by the formulas of the even ones with
// all three angles negated on the way in and on the way out. Codes outside 0 to 11 are
// read as code 0.

#include "core/RMatrix.h"
#include "core/RVector4.h"

struct EulerOrder {
    int axes[3];      // the order's axis triple (0 X, 1 Y, 2 Z)
    bool repeated;    // bit 0: the third rotation turns about axes[0] again
    bool oddParity;   // bit 1: the angles are negated in and out

    // The axis (0 X, 1 Y, 2 Z) the angle of that position (0 to 2) turns about.
    int AngleAxis(int position) const;
};

EulerOrder GetEulerOrder(int code);

// Set the 3x3 part to Rx(x) x Ry(y) x Rz(z): X first. The rest of the matrix is left.
void EulerXYZToMatrix(RMatrix& matrix, double x, double y, double z);
void EulerVectorXYZToMatrix(RMatrix& matrix, const RVector4& angles);
// The same for any code; code 0 gives exactly EulerXYZToMatrix.
void EulerToMatrix(RMatrix& matrix, double a, double b, double c, int code);
// The same for the order of a code looked up once (GetEulerOrder), for callers converting
// many triples of one order.
void EulerToMatrixOfOrder(RMatrix& matrix, double a, double b, double c, const EulerOrder& order);

// The affine matrix of translation, rotation (x, y, z the angles in the code's own
// sequence) and scaling; w of each is ignored and the fourth column is left.
void MatrixFromTRS(RMatrix& matrix, const RVector4& translation, const RVector4& rotation,
                   const RVector4& scaling, int code);

// Euler X, Y, Z in degrees of orthonormal axis rows (w of out = 0). At the gimbal lock
// (m[0][2] >= 0.999999 or <= -0.999999) Y is -90 or +90, Z is 0 and X carries the rest.
void MatrixToEulerXYZ(RVector4& out, const RMatrix& matrix);
// The angles of any code in the code's own sequence (x first, y second, z third; w = 0).
// Near the singular cases (1.6e-9) the third angle is 0 and the first carries the rest.
void MatrixToEuler(RVector4& out, const RMatrix& matrix, int code);

#endif
