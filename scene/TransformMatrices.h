#ifndef WYX_SCENE_TRANSFORMMATRICES_H
#define WYX_SCENE_TRANSFORMMATRICES_H

// The small matrix functions of the node transforms, the pivot-set conversions and the
// writers, beside those of core/RMatrix.h (MatrixTransformVector and MatrixTransformPoint
// live there). Matrices are in the row-vector form of RMatrix: "a then b" means a point is
// transformed by a first. Each takes the output first.

#include "core/RMatrix.h"

// out's 3x3 part = b times the transpose of a (element i, j is row i of b dotted with row j
// of a); the rest of out is left. out may be a or b.
void MatrixMultiplyTransposed3x3(RMatrix& out, const RMatrix& a, const RMatrix& b);

// True when the determinant of the 3x3 part is 0 or more (the axes do not mirror).
bool MatrixDeterminantNonNegative(const RMatrix& matrix);

// out = b then the inverse of a, for affine matrices whose axis rows are orthogonal: the
// inverse of a's 3x3 part is its transpose with column j divided by the squared length of
// row j, and the translation is (b's translation - a's translation) times it. A zero axis
// row of a (zero scaling) inverts to a zero column, so the result stays finite. out may be
// a or b; its fourth column is left.
void MatrixMultiplyInverseOrthogonal(RMatrix& out, const RMatrix& a, const RMatrix& b);

// out = b then a over the affine parts (MatrixMultiplyAffine with its operands in this
// order). out may be a or b.
void MatrixMultiplyRowVector(RMatrix& out, const RMatrix& a, const RMatrix& b);

#endif
