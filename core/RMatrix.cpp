#include "core/RMatrix.h"

#include <cmath>
#include <cstring>

#include "core/EulerAngles.h"
#include "core/RQuaternion.h"

namespace {

// A 3x3 block of doubles, used to compute a result fully before it is written, so that
// the output matrix may be one of the inputs.
struct Block3 {
    double v[3][3];
};

// in x the 3x3 part of m, for a row vector in.
void RowTimes3x3(double out[3], const double in[3], const RMatrix& m) {
    double result[3];
    for (int column = 0; column < 3; ++column) {
        result[column] = in[0] * m[0][column] + in[1] * m[1][column] + in[2] * m[2][column];
    }
    for (int column = 0; column < 3; ++column) {
        out[column] = result[column];
    }
}

// first x second over the 3x3 parts.
Block3 Product3x3(const RMatrix& first, const RMatrix& second) {
    Block3 product;
    for (int row = 0; row < 3; ++row) {
        RowTimes3x3(product.v[row], first[row], second);
    }
    return product;
}

void Store3x3(RMatrix& out, const Block3& block) {
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            out[row][column] = block.v[row][column];
        }
    }
}

// hypot keeps very small and very large rows from underflowing or overflowing.
double RowLength(const RMatrix& m, int row) {
    return std::hypot(m[row][0], m[row][1], m[row][2]);
}

double Determinant3x3(const RMatrix& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

bool IsMirrored(const RMatrix& m) {
    return Determinant3x3(m) < 0.0;
}

bool IsZeroRow(const RMatrix& m, int row) {
    return m[row][0] == 0.0 && m[row][1] == 0.0 && m[row][2] == 0.0;
}

// The pure rotation held in the axis rows: rows normalised, negated when the matrix
// mirrors. When exactly one axis has been scaled to nothing, its row is rebuilt from
// the other two, so a flattened matrix still reports the rotation it was built with.
RMatrix RotationRows(const RMatrix& m) {
    RMatrix rows;
    NormalizeMatrixRows(rows, m);
    int zeroRows = 0;
    int zeroRow = 0;
    for (int row = 0; row < 3; ++row) {
        if (IsZeroRow(rows, row)) {
            ++zeroRows;
            zeroRow = row;
        }
    }
    if (zeroRows == 1) {
        const int next = (zeroRow + 1) % 3;
        const int last = (zeroRow + 2) % 3;
        RVector3 rebuilt;
        VectorCross3(rebuilt, RVector3(rows[next][0], rows[next][1], rows[next][2]),
                     RVector3(rows[last][0], rows[last][1], rows[last][2]));
        rows[zeroRow][0] = rebuilt.x;
        rows[zeroRow][1] = rebuilt.y;
        rows[zeroRow][2] = rebuilt.z;
        NormalizeMatrixRows(rows, rows);
    } else if (IsMirrored(m)) {
        ScaleMatrixRows(rows, rows, RVector4(-1.0, -1.0, -1.0, 0.0));
    }
    return rows;
}

}  // namespace

RMatrix::RMatrix() {
    SetIdentity();
}

RMatrix RMatrix::ConstructFromTRS(const RVector4& translation, const RVector4& rotation,
                                  const RVector4& scaling) {
    RMatrix matrix;
    matrix.SetTRS(translation, rotation, scaling);
    return matrix;
}

RMatrix RMatrix::CopyConstruct(const RMatrix& other) {
    RMatrix matrix;
    MatrixCopyAffine(matrix, other);
    return matrix;
}

const RMatrix& RMatrix::Identity() {
    static const RMatrix identity;
    return identity;
}

void RMatrix::SetIdentity() {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            m_[row][column] = row == column ? 1.0 : 0.0;
        }
    }
}

void RMatrix::Assign(const RMatrix& other) {
    if (&other == this) {
        m_[0][3] = m_[1][3] = m_[2][3] = 0.0;
        m_[3][3] = 1.0;
        return;
    }
    SetIdentity();
    MatrixCopyAffine(*this, other);
}

void RMatrix::AssignAll(const RMatrix& other) {
    CopyMatrix(*this, other);
}

void RMatrix::SetTRS(const RVector4& translation, const RVector4& rotation,
                     const RVector4& scaling) {
    EulerVectorXYZToMatrix(*this, rotation);
    ScaleMatrixRows(*this, *this, scaling);
    MatrixSetTranslation(*this, translation.x, translation.y, translation.z);
}

void RMatrix::SetTQS(const RVector4& translation, const RVector4& quaternion,
                     const RVector4& scaling) {
    QuaternionToMatrix(*this, RQuaternion(quaternion.x, quaternion.y, quaternion.z, quaternion.w));
    ScaleMatrixRows(*this, *this, scaling);
    MatrixSetTranslation(*this, translation.x, translation.y, translation.z);
}

RVector4 RMatrix::GetTranslation() const {
    return RVector4(m_[3][0], m_[3][1], m_[3][2], 0.0);
}

RVector4 RMatrix::GetScaling() const {
    RVector4 scaling;
    MatrixToScaling(scaling, *this);
    return scaling;
}

RVector4 RMatrix::GetRotation() const {
    RVector4 rotation;
    MatrixToEulerXYZ(rotation, RotationRows(*this));
    return rotation;
}

RVector4 RMatrix::GetQuaternion() const {
    RMatrix rotation;
    EulerVectorXYZToMatrix(rotation, GetRotation());
    RQuaternion quaternion;
    QuaternionFromMatrix(quaternion, rotation);
    return RVector4(quaternion.x, quaternion.y, quaternion.z, quaternion.w);
}

void RMatrix::SetTranslation(const RVector4& translation) {
    MatrixSetTranslation(*this, translation.x, translation.y, translation.z);
}

void RMatrix::SetRotation(const RVector4& rotation) {
    SetTRS(GetTranslation(), rotation, GetScaling());
}

void RMatrix::SetScaling(const RVector4& scaling) {
    SetTRS(GetTranslation(), GetRotation(), scaling);
}

RVector4 RMatrix::TransformPoint(const RVector4& point) const {
    RVector4 result;
    MatrixTransformPoint(result, *this, point);
    return result;
}

void RMatrix::Multiply(RMatrix& out, const RMatrix& other) const {
    MatrixMultiplyAffine(out, *this, other);
}

RMatrix RMatrix::Inverse() const {
    RMatrix inverse;
    MatrixInverseOrthogonal(inverse, *this);
    return inverse;
}

RMatrix RMatrix::Transpose() const {
    RMatrix transposed;
    MatrixTranspose(transposed, *this);
    return transposed;
}

void MatrixSetIdentity(RMatrix& matrix) {
    matrix.SetIdentity();
}

void CopyMatrix(RMatrix& destination, const RMatrix& source) {
    destination = source;
}

void MatrixCopyAffine(RMatrix& out, const RMatrix& in) {
    MatrixCopyRotation3x3(out, in);
    MatrixSetTranslation(out, in[3][0], in[3][1], in[3][2]);
}

void MatrixCopyRotation3x3(RMatrix& destination, const RMatrix& source) {
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            destination[row][column] = source[row][column];
        }
    }
}

void MatrixSetTranslation(RMatrix& matrix, double x, double y, double z) {
    matrix[3][0] = x;
    matrix[3][1] = y;
    matrix[3][2] = z;
}

void MatrixMultiplyAffine(RMatrix& out, const RMatrix& a, const RMatrix& b) {
    const Block3 rotation = Product3x3(b, a);
    double translation[3];
    RowTimes3x3(translation, b[3], a);
    Store3x3(out, rotation);
    MatrixSetTranslation(out, translation[0] + a[3][0], translation[1] + a[3][1],
                         translation[2] + a[3][2]);
}

void MatrixMultiplyRotation(RMatrix& out, const RMatrix& a, const RMatrix& b) {
    Store3x3(out, Product3x3(b, a));
}

void MatrixInverseOrthogonal(RMatrix& out, const RMatrix& in) {
    Block3 inverse;
    for (int row = 0; row < 3; ++row) {
        const double length = RowLength(in, row);
        for (int column = 0; column < 3; ++column) {
            inverse.v[column][row] = length > 0.0 ? in[row][column] / length / length : 0.0;
        }
    }
    double translation[3];
    for (int column = 0; column < 3; ++column) {
        translation[column] = -(in[3][0] * inverse.v[0][column] + in[3][1] * inverse.v[1][column] +
                                in[3][2] * inverse.v[2][column]);
    }
    Store3x3(out, inverse);
    MatrixSetTranslation(out, translation[0], translation[1], translation[2]);
}

void MatrixTranspose(RMatrix& out, const RMatrix& in) {
    const RMatrix source = in;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            out[row][column] = source[column][row];
        }
    }
}

void MatrixTransformVector(RVector4& out, const RMatrix& matrix, const RVector4& vector) {
    const double in[3] = {vector.x, vector.y, vector.z};
    double result[3];
    RowTimes3x3(result, in, matrix);
    out.Set(result[0], result[1], result[2], 0.0);
}

void MatrixTransformPoint(RVector4& out, const RMatrix& matrix, const RVector4& point) {
    MatrixTransformVector(out, matrix, point);
    out.x += matrix[3][0];
    out.y += matrix[3][1];
    out.z += matrix[3][2];
}

void NormalizeMatrixRows(RMatrix& out, const RMatrix& in) {
    for (int row = 0; row < 3; ++row) {
        // Divided, not multiplied by the reciprocal, which overflows for tiny rows.
        const double length = RowLength(in, row);
        for (int column = 0; column < 3; ++column) {
            out[row][column] = length > 0.0 ? in[row][column] / length : 0.0;
        }
    }
}

void ScaleMatrixRows(RMatrix& out, const RMatrix& in, const RVector4& scale) {
    for (int row = 0; row < 3; ++row) {
        const double factor = *scale.Component(row);
        for (int column = 0; column < 3; ++column) {
            out[row][column] = in[row][column] * factor;
        }
    }
}

void MatrixToScaling(RVector4& out, const RMatrix& matrix) {
    const double sign = IsMirrored(matrix) ? -1.0 : 1.0;
    out.Set(sign * RowLength(matrix, 0), sign * RowLength(matrix, 1), sign * RowLength(matrix, 2),
            0.0);
}

void MatrixToEulerRotation(RVector4& out, const RMatrix& matrix) {
    out = matrix.GetRotation();
}

int MatrixCompare(const RMatrix& a, const RMatrix& b, double tolerance) {
    if (tolerance <= 0.0) {
        const int order = std::memcmp(a[0], b[0], 15 * sizeof(double));
        return (order > 0) - (order < 0);
    }
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            if (!(std::fabs(a[row][column] - b[row][column]) <= tolerance)) {
                return 1;
            }
        }
    }
    return 0;
}
