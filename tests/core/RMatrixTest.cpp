#include "core/RMatrix.h"

#include <gtest/gtest.h>

#include "core/EulerAngles.h"
#include "tests/core/MatrixTestSupport.h"

namespace {

const RVector4 kTranslation(1.5, -2.0, 3.25, 0.0);
const RVector4 kRotation(30.0, -45.0, 60.0, 0.0);
const RVector4 kScaling(2.0, 0.5, 3.0, 0.0);

RMatrix FilledMatrix(double first) {
    RMatrix m;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) m[row][column] = first + row * 4 + column;
    }
    return m;
}

}  // namespace

TEST(RMatrixTest, AffineCopiesLeaveTheFourthColumnIdentity) {
    const RMatrix source = FilledMatrix(1.0);
    RMatrix assigned = FilledMatrix(100.0);
    assigned.Assign(source);
    for (const RMatrix& copy : {assigned, RMatrix::CopyConstruct(source)}) {
        EXPECT_EQ(MatrixCompare(copy, source, 1e-300), 0);  // the 12 affine values
        for (int row = 0; row < 4; ++row) EXPECT_EQ(copy[row][3], row == 3 ? 1.0 : 0.0) << row;
    }
    assigned.AssignAll(source);
    EXPECT_EQ(assigned[1][3], source[1][3]);
}

TEST(RMatrixTest, TrsLayoutAndSplit) {
    const RMatrix m = RMatrix::ConstructFromTRS(kTranslation, kRotation, kScaling);
    EXPECT_EQ(m[3][0], 1.5);
    EXPECT_EQ(m.GetTranslation().z, 3.25);
    EXPECT_TRUE(VectorsNear(m.GetScaling(), kScaling, 1e-12));
    EXPECT_TRUE(VectorsNear(m.GetRotation(), kRotation, 1e-10));
}

TEST(RMatrixTest, MirroredScalingIsNegatedAndRebuilds) {
    const RMatrix m =
        RMatrix::ConstructFromTRS(kTranslation, kRotation, RVector4(-2.0, 3.0, 4.0, 0.0));
    const RVector4 scaling = m.GetScaling();
    EXPECT_TRUE(VectorsNear(scaling, RVector4(-2.0, -3.0, -4.0, 0.0), 1e-12));
    const RMatrix rebuilt = RMatrix::ConstructFromTRS(m.GetTranslation(), m.GetRotation(), scaling);
    EXPECT_TRUE(MatricesNear(rebuilt, m, 1e-12));
}

TEST(RMatrixTest, SetTqsAgreesWithConstructFromTrs) {
    const RMatrix m = RMatrix::ConstructFromTRS(kTranslation, kRotation, kScaling);
    const RVector4 q = m.GetQuaternion();
    EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0, 1e-12);
    RMatrix rebuilt = FilledMatrix(9.0);
    rebuilt[0][3] = rebuilt[1][3] = rebuilt[2][3] = 0.0;
    rebuilt[3][3] = 1.0;
    rebuilt.SetTQS(kTranslation, q, kScaling);
    EXPECT_TRUE(MatricesNear(rebuilt, m, 1e-12));
}

TEST(RMatrixTest, SettingOnePartKeepsTheOthers) {
    RMatrix m = RMatrix::ConstructFromTRS(kTranslation, kRotation, kScaling);
    const RVector4 rotation(10.0, 20.0, -30.0, 0.0);
    m.SetRotation(rotation);
    EXPECT_TRUE(
        MatricesNear(m, RMatrix::ConstructFromTRS(kTranslation, rotation, kScaling), 1e-12));
    const RVector4 scaling(1.0, 4.0, 0.25, 0.0);
    m.SetScaling(scaling);
    EXPECT_TRUE(MatricesNear(m, RMatrix::ConstructFromTRS(kTranslation, rotation, scaling), 1e-12));
    const RVector4 translation(-7.0, 8.0, 9.0, 0.0);
    m.SetTranslation(translation);
    EXPECT_TRUE(MatricesNear(m, RMatrix::ConstructFromTRS(translation, rotation, scaling), 1e-12));
}

TEST(RMatrixTest, InverseOfOrthogonalAxesWithScale) {
    const RMatrix m = RMatrix::ConstructFromTRS(kTranslation, kRotation, kScaling);
    const RMatrix inverse = m.Inverse();
    RMatrix product;
    MatrixMultiplyAffine(product, m, inverse);
    EXPECT_TRUE(MatricesNear(product, RMatrix::Identity(), 1e-12));
    MatrixMultiplyAffine(product, inverse, m);
    EXPECT_TRUE(MatricesNear(product, RMatrix::Identity(), 1e-12));

    RMatrix inPlace = m;
    MatrixInverseOrthogonal(inPlace, inPlace);
    EXPECT_EQ(MatrixCompare(inPlace, inverse, 0.0), 0);
}

TEST(RMatrixTest, ZeroAxisRowsGiveFiniteResults) {
    RMatrix flat = RMatrix::ConstructFromTRS(RVector4(1.0, 2.0, 3.0, 0.0), RVector4(),
                                             RVector4(0.0, 2.0, 4.0, 0.0));
    const RMatrix inverse = flat.Inverse();
    const RMatrix expected = RMatrix::ConstructFromTRS(RVector4(0.0, -1.0, -0.75, 0.0), RVector4(),
                                                       RVector4(0.0, 0.5, 0.25, 0.0));
    EXPECT_TRUE(MatricesNear(inverse, expected, 0.0));

    RMatrix normalized = FilledMatrix(50.0);
    NormalizeMatrixRows(normalized, flat);
    EXPECT_EQ(normalized[0][0], 0.0);
    EXPECT_EQ(normalized[1][1], 1.0);
    EXPECT_EQ(normalized[3][0], 62.0);  // translation row and fourth column left alone
    EXPECT_EQ(normalized[1][3], 57.0);

    // One axis flattened: the rotation is still the one the matrix was built with.
    const RMatrix rotated =
        RMatrix::ConstructFromTRS(kTranslation, kRotation, RVector4(2.0, 0.0, 3.0, 0.0));
    EXPECT_TRUE(VectorsNear(rotated.GetRotation(), kRotation, 1e-10));
    EXPECT_TRUE(VectorsNear(rotated.GetScaling(), RVector4(2.0, 0.0, 3.0, 0.0), 1e-12));

    RMatrix zero;
    ScaleMatrixRows(zero, zero, RVector4());
    EXPECT_TRUE(VectorsNear(zero.GetRotation(), RVector4(), 0.0));
    EXPECT_EQ(zero.GetQuaternion().w, 1.0);
    EXPECT_EQ(MatrixCompare(zero.Inverse(), zero, 1e-300), 0);
}

TEST(RMatrixTest, MultiplyAffineAppliesBFirst) {
    RMatrix a;  // translate by 10 along X
    MatrixSetTranslation(a, 10.0, 0.0, 0.0);
    RMatrix b;  // turn 90 degrees about Z
    EulerXYZToMatrix(b, 0.0, 0.0, 90.0);
    RMatrix out = FilledMatrix(0.0);
    MatrixMultiplyAffine(out, a, b);
    EXPECT_TRUE(VectorsNear(out.TransformPoint(RVector4(1.0, 0.0, 0.0, 0.0)),
                            RVector4(10.0, 1.0, 0.0, 0.0), 1e-12));
    EXPECT_EQ(out[0][3], 3.0);  // fourth column left as it was
    EXPECT_EQ(out[3][3], 15.0);

    RMatrix viaMember;
    a.Multiply(viaMember, b);
    EXPECT_EQ(MatrixCompare(viaMember, out, 1e-15), 0);  // the fourth columns differ

    RMatrix aliasA = a;
    MatrixMultiplyAffine(aliasA, aliasA, b);
    EXPECT_EQ(MatrixCompare(aliasA, viaMember, 1e-15), 0);
    RMatrix aliasB = b;
    MatrixMultiplyAffine(aliasB, a, aliasB);
    EXPECT_EQ(MatrixCompare(aliasB, viaMember, 1e-15), 0);
}

TEST(RMatrixTest, MultiplyRotationAndTransforms) {
    RMatrix a;
    EulerXYZToMatrix(a, 90.0, 0.0, 0.0);
    RMatrix b;
    EulerXYZToMatrix(b, 0.0, 0.0, 90.0);
    MatrixSetTranslation(a, 5.0, 5.0, 5.0);
    RMatrix out = a;
    MatrixMultiplyRotation(out, out, b);  // Z turn first, then X turn
    RVector4 v;
    MatrixTransformVector(v, out, RVector4(1.0, 0.0, 0.0, 9.0));
    EXPECT_TRUE(VectorsNear(v, RVector4(0.0, 0.0, 1.0, 0.0), 1e-12));
    EXPECT_EQ(v.w, 0.0);
    EXPECT_EQ(out[3][0], 5.0);  // translation untouched

    RVector4 p(1.0, 0.0, 0.0, 9.0);
    MatrixTransformPoint(p, out, p);
    EXPECT_TRUE(VectorsNear(p, RVector4(5.0, 5.0, 6.0, 0.0), 1e-12));
    EXPECT_EQ(p.w, 0.0);
}

TEST(RMatrixTest, CompareExactAndWithTolerance) {
    const RMatrix a = FilledMatrix(0.0);
    RMatrix b = a;
    EXPECT_EQ(MatrixCompare(a, b, 0.0), 0);
    b[3][3] = 99.0;  // the 16th value is outside the exact comparison
    EXPECT_EQ(MatrixCompare(a, b, 0.0), 0);
    b[1][2] += 1.0;
    const int forward = MatrixCompare(a, b, 0.0);
    EXPECT_NE(forward, 0);
    EXPECT_EQ(MatrixCompare(b, a, 0.0), -forward);

    RMatrix c = a;
    c[2][1] += 1e-7;
    c[1][3] += 5.0;  // the fourth column is outside the tolerant comparison
    EXPECT_NE(MatrixCompare(a, c, 0.0), 0);
    EXPECT_EQ(MatrixCompare(a, c, 1e-6), 0);
    c[3][2] -= 2e-6;
    EXPECT_EQ(MatrixCompare(a, c, 1e-6), 1);
}
