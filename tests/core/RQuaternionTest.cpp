#include "core/RQuaternion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/EulerAngles.h"
#include "tests/core/MatrixTestSupport.h"

namespace {

RMatrix RotationOf(const RQuaternion& q) {
    RMatrix m;
    QuaternionToMatrix(m, q);
    return m;
}

RQuaternion FromMatrix(const RMatrix& m) {
    RQuaternion q;
    QuaternionFromMatrix(q, m);
    return q;
}

RMatrix EulerXyz(double x, double y, double z) {
    RMatrix m;
    EulerXYZToMatrix(m, x, y, z);
    return m;
}

RVector4 Direction(RVector4 v) {
    return v.Normalize3();
}

// Where the rotation of q takes the direction of from.
RVector4 Rotated(const RQuaternion& q, const RVector4& from) {
    RVector4 out;
    MatrixTransformVector(out, RotationOf(q), Direction(from));
    return out;
}

void ExpectQuaternion(const RQuaternion& q, double x, double y, double z, double w) {
    EXPECT_NEAR(q.x, x, 1e-12);
    EXPECT_NEAR(q.y, y, 1e-12);
    EXPECT_NEAR(q.z, z, 1e-12);
    EXPECT_NEAR(q.w, w, 1e-12);
}

}  // namespace

TEST(RQuaternionTest, HalfTurnsAboutTheAxes) {
    ExpectQuaternion(FromMatrix(EulerXyz(180.0, 0.0, 0.0)), 1.0, 0.0, 0.0, 0.0);
    ExpectQuaternion(FromMatrix(EulerXyz(0.0, 180.0, 0.0)), 0.0, 1.0, 0.0, 0.0);
    ExpectQuaternion(FromMatrix(EulerXyz(0.0, 0.0, 180.0)), 0.0, 0.0, 1.0, 0.0);
}

TEST(RQuaternionTest, MatrixRoundTrips) {
    const double s = std::sqrt(0.5);
    ExpectQuaternion(FromMatrix(EulerXyz(0.0, 0.0, 90.0)), 0.0, 0.0, s, s);

    const RMatrix rotations[] = {EulerXyz(30.0, -45.0, 60.0), EulerXyz(-170.0, 20.0, 100.0),
                                 EulerXyz(179.9, 0.1, -0.2), RMatrix()};
    for (const RMatrix& m : rotations) {
        const RQuaternion q = FromMatrix(m);
        EXPECT_NEAR(QuaternionLength(q), 1.0, 1e-12);
        EXPECT_TRUE(MatricesNear(RotationOf(q), m, 1e-9));
    }
    // A half turn about a tilted axis (0.6, 0.8, 0).
    const RQuaternion tilted(0.6, 0.8, 0.0, 0.0);
    ExpectQuaternion(FromMatrix(RotationOf(tilted)), 0.6, 0.8, 0.0, 0.0);
    const RQuaternion yz(0.0, 0.6, 0.8, 0.0);
    ExpectQuaternion(FromMatrix(RotationOf(yz)), 0.0, 0.6, 0.8, 0.0);
}

TEST(RQuaternionTest, ToMatrixIgnoresLengthAndZeroGivesIdentity) {
    const RQuaternion q(0.1, -0.5, 0.3, 0.8);
    RQuaternion scaled;
    QuaternionScale(scaled, q, 4.0);
    EXPECT_TRUE(MatricesNear(RotationOf(scaled), RotationOf(q), 1e-14));
    EXPECT_TRUE(MatricesNear(RotationOf(RQuaternion(0.0, 0.0, 0.0, 0.0)), RMatrix(), 0.0));

    RVector4 yAxis;
    RQuaternion unit;
    QuaternionScale(unit, q, 1.0 / QuaternionLength(q));
    QuaternionYAxis(yAxis, unit);
    const RMatrix m = RotationOf(unit);
    EXPECT_TRUE(VectorsNear(yAxis, RVector4(m[1][0], m[1][1], m[1][2], 0.0), 1e-15));
}

TEST(RQuaternionTest, ProductAndConjugate) {
    const RQuaternion i(1.0, 0.0, 0.0, 0.0);
    const RQuaternion j(0.0, 1.0, 0.0, 0.0);
    RQuaternion k;
    QuaternionMultiply(k, i, j);
    ExpectQuaternion(k, 0.0, 0.0, 1.0, 0.0);
    RQuaternion alias = j;
    QuaternionMultiply(alias, alias, i);
    ExpectQuaternion(alias, 0.0, 0.0, -1.0, 0.0);

    // The rotation of a x b is b's followed by a's.
    const RQuaternion a = FromMatrix(EulerXyz(30.0, 0.0, 0.0));
    const RQuaternion b = FromMatrix(EulerXyz(0.0, 0.0, 50.0));
    RQuaternion ab;
    QuaternionMultiply(ab, a, b);
    RMatrix expected;
    MatrixMultiplyRotation(expected, RotationOf(a), RotationOf(b));
    EXPECT_TRUE(MatricesNear(RotationOf(ab), expected, 1e-12));

}

TEST(RQuaternionTest, ShortestArcTurnsAOntoB) {
    RQuaternion q;
    QuaternionShortestArc(q, RVector4(1.0, 0.0, 0.0, 0.0), RVector4(0.0, 2.0, 0.0, 0.0));
    ExpectQuaternion(q, 0.0, 0.0, 2.0, 2.0);

    const RVector4 a(1.0, 2.0, -0.5, 0.0);
    const RVector4 b(-3.0, 0.2, 1.0, 0.0);
    QuaternionShortestArc(q, a, b);
    EXPECT_TRUE(VectorsNear(Rotated(q, a), Direction(b), 1e-12));
}

TEST(RQuaternionTest, OppositeVectorsGiveAHalfTurn) {
    const RVector4 a(1.0, 2.0, 3.0, 0.0);
    const RVector4 b = a * -2.0;
    RQuaternion q;
    QuaternionShortestArc(q, a, b);
    EXPECT_NEAR(QuaternionLength(q), 1.0, 1e-12);
    EXPECT_EQ(q.w, 0.0);
    EXPECT_NEAR(a.Dot3(RVector4(q.x, q.y, q.z, 0.0)), 0.0, 1e-12);
    EXPECT_TRUE(VectorsNear(Rotated(q, a), Direction(b), 1e-12));

    QuaternionShortestArc(q, RVector4(1.0, 0.0, 0.0, 0.0), RVector4(-1.0, 0.0, 0.0, 0.0));
    ExpectQuaternion(q, 0.0, 0.0, 1.0, 0.0);

    QuaternionShortestArc(q, RVector4(), b);
    ExpectQuaternion(q, 0.0, 0.0, 0.0, 1.0);
}

TEST(RQuaternionTest, FromXAxis) {
    const RVector4 v = Direction(RVector4(0.3, -0.4, 0.8, 0.0));
    RQuaternion q;
    QuaternionFromXAxis(q, v);
    EXPECT_EQ(q.x, 0.0);
    EXPECT_EQ(q.y, -v.z);
    EXPECT_EQ(q.z, v.y);
    EXPECT_EQ(q.w, v.x + 1.0);
    EXPECT_TRUE(VectorsNear(Rotated(q, RVector4(1.0, 0.0, 0.0, 0.0)), v, 1e-12));

    QuaternionFromXAxis(q, RVector4(-1.0, 0.0, 0.0, 0.0));
    ExpectQuaternion(q, 0.0, 0.0, 1.0, 0.0);
    EXPECT_TRUE(VectorsNear(Rotated(q, RVector4(1.0, 0.0, 0.0, 0.0)),
                            RVector4(-1.0, 0.0, 0.0, 0.0), 1e-12));
}
