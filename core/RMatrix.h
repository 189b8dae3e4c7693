#ifndef WYX_CORE_RMATRIX_H
#define WYX_CORE_RMATRIX_H

// A 4x4 double matrix for affine transforms, in the row-vector convention: rows 0 to 2
// are the images of the X, Y and Z axes (rotation and scale), row 3 is the translation,
// and a point p is transformed as p x M. In a product A x B, A acts first. The fourth
// column is 0, 0, 0, 1 in affine use; most operations neither read nor write it.
//
// Rotations given as three angles are Euler X, Y, Z in degrees, X applied first.
// A matrix whose axis rows have a negative determinant mirrors: its scaling is reported
// negated on all three axes and its rotation taken from the negated rows, so that
// rotation and scaling together rebuild it.

#include "core/RVector4.h"

class RMatrix {
public:
    RMatrix();  // identity
    RMatrix(const RMatrix& other) = default;
    RMatrix& operator=(const RMatrix& other) = default;

    // translation, Euler XYZ rotation in degrees, scaling; w of each is ignored.
    static RMatrix ConstructFromTRS(const RVector4& translation, const RVector4& rotation,
                                    const RVector4& scaling);
    // A new matrix as Assign makes it: identity, then the first three doubles of each of the
    // four rows copied. The copy constructor keeps all sixteen doubles (value semantics);
    // this is the affine copy, whose fourth column is identity whatever the source held.
    static RMatrix CopyConstruct(const RMatrix& other);
    static const RMatrix& Identity();

    double* operator[](int row) { return m_[row]; }
    const double* operator[](int row) const { return m_[row]; }

    void SetIdentity();
    // Identity, then the first three doubles of each of the four rows copied: the
    // fourth column is identity afterwards whatever either matrix held there.
    void Assign(const RMatrix& other);
    void AssignAll(const RMatrix& other);  // all sixteen doubles

    // Set the affine part; the fourth column is left as it was.
    void SetTRS(const RVector4& translation, const RVector4& rotation, const RVector4& scaling);
    // quaternion as x, y, z, w (w the scalar part); it need not be normalised.
    void SetTQS(const RVector4& translation, const RVector4& quaternion, const RVector4& scaling);

    RVector4 GetTranslation() const;  // row 3, w = 0
    RVector4 GetScaling() const;      // row lengths, all three negated when mirrored; w = 0
    RVector4 GetRotation() const;     // Euler XYZ degrees; w = 0
    RVector4 GetQuaternion() const;   // unit quaternion x, y, z, w of the rotation

    // Each keeps the other two parts: the translation row is replaced directly; rotation
    // and scaling split the matrix into translation, rotation and scaling and rebuild it.
    void SetTranslation(const RVector4& translation);
    void SetRotation(const RVector4& rotation);
    void SetScaling(const RVector4& scaling);

    RVector4 TransformPoint(const RVector4& point) const;  // point x M with row 3; w = 0

    // out = other x this over the affine parts: other acts first. out may be either.
    void Multiply(RMatrix& out, const RMatrix& other) const;
    // The inverse for axis rows that are orthogonal (see MatrixInverseOrthogonal).
    RMatrix Inverse() const;
    RMatrix Transpose() const;  // all sixteen values

private:
    double m_[4][4];
};

void MatrixSetIdentity(RMatrix& matrix);
void CopyMatrix(RMatrix& destination, const RMatrix& source);  // all sixteen doubles
// The three axis rows and the translation row, first three doubles each; the fourth
// column of out is left as it was.
void MatrixCopyAffine(RMatrix& out, const RMatrix& in);
// The first three doubles of the three axis rows.
void MatrixCopyRotation3x3(RMatrix& destination, const RMatrix& source);
void MatrixSetTranslation(RMatrix& matrix, double x, double y, double z);

// out = b x a over the affine parts, so b acts first: out's 3x3 part = b's x a's, out's
// translation = b's translation x a's 3x3 part + a's translation. The fourth column of
// out is left as it was. out may be a or b.
void MatrixMultiplyAffine(RMatrix& out, const RMatrix& a, const RMatrix& b);
// out's 3x3 part = b's x a's (b acts first); the rest of out is left. out may be a or b.
void MatrixMultiplyRotation(RMatrix& out, const RMatrix& a, const RMatrix& b);

// Inverse of an affine matrix whose axis rows are orthogonal: each axis row divided by its
// squared length, the 3x3 part transposed, translation = -(translation x that 3x3 part).
// A zero axis row inverts to a zero column, so a singular matrix gives a finite result.
// out may be in; its fourth column is left as it was.
void MatrixInverseOrthogonal(RMatrix& out, const RMatrix& in);
void MatrixTranspose(RMatrix& out, const RMatrix& in);  // whole 4x4; out may be in

// vector x the 3x3 part; point x the 3x3 part + row 3. w of out is 0; out may be the input.
void MatrixTransformVector(RVector4& out, const RMatrix& matrix, const RVector4& vector);
void MatrixTransformPoint(RVector4& out, const RMatrix& matrix, const RVector4& point);

// Each axis row of in divided by its length into out's 3x3 part; a zero row stays zero.
// out's translation row and fourth column are left as they were. out may be in.
void NormalizeMatrixRows(RMatrix& out, const RMatrix& in);
// Axis row i of in multiplied by scale component i into out's 3x3 part; the rest of out
// is left as it was. out may be in.
void ScaleMatrixRows(RMatrix& out, const RMatrix& in, const RVector4& scale);

// Free forms of RMatrix::GetScaling and RMatrix::GetRotation.
void MatrixToScaling(RVector4& out, const RMatrix& matrix);
void MatrixToEulerRotation(RVector4& out, const RMatrix& matrix);

// With tolerance 0 (or less): the first 15 doubles compared byte by byte, answering -1,
// 0 or 1 in the order of a memory comparison. With a tolerance: 0 when each of the 12
// affine elements differs by at most the tolerance, else 1.
int MatrixCompare(const RMatrix& a, const RMatrix& b, double tolerance);

#endif
