#include "core/EulerAngles.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/core/MatrixTestSupport.h"

namespace {

// The row-vector rotation by degrees about one axis, written out independently of
// EulerToMatrix.
RMatrix AxisRotation(int axis, double degrees) {
    const double s = std::sin(degrees * kDegreesToRadians);
    const double c = std::cos(degrees * kDegreesToRadians);
    const int p = (axis + 1) % 3;
    const int q = (axis + 2) % 3;
    RMatrix m;
    m[p][p] = c;
    m[p][q] = s;
    m[q][p] = -s;
    m[q][q] = c;
    return m;
}

// first acts first: R(first) x R(second) x R(third).
RMatrix ComposedRotation(const EulerOrder& order, const RVector4& angles) {
    RMatrix m = AxisRotation(order.AngleAxis(0), angles.x);
    MatrixMultiplyRotation(m, AxisRotation(order.AngleAxis(1), angles.y), m);
    MatrixMultiplyRotation(m, AxisRotation(order.AngleAxis(2), angles.z), m);
    return m;
}

RMatrix EulerMatrix(const RVector4& angles, int code) {
    RMatrix m;
    EulerToMatrix(m, angles.x, angles.y, angles.z, code);
    return m;
}

RVector4 Decomposed(const RMatrix& m, int code) {
    RVector4 angles;
    MatrixToEuler(angles, m, code);
    return angles;
}

}  // namespace

TEST(EulerAnglesTest, EveryCodeRotatesAboutItsAxesInOrder) {
    const RVector4 angles(25.0, -40.0, 70.0, 0.0);
    for (int code = 0; code < 12; ++code) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(MatricesNear(EulerMatrix(angles, code),
                                 ComposedRotation(GetEulerOrder(code), angles), 1e-12));
    }
}

TEST(EulerAnglesTest, CodeZeroIsExactlyEulerXyz) {
    RMatrix xyz;
    EulerXYZToMatrix(xyz, 12.5, -77.0, 140.0);
    EXPECT_EQ(MatrixCompare(EulerMatrix(RVector4(12.5, -77.0, 140.0, 0.0), 0), xyz, 0.0), 0);
}

TEST(EulerAnglesTest, RoundTripsForEveryCode) {
    const double firsts[] = {-170.0, -60.0, 0.0, 35.0, 120.0};
    const double seconds[] = {-80.0, -30.0, 10.0, 55.0, 89.0};
    for (int code = 0; code < 12; ++code) {
        SCOPED_TRACE(code);
        const EulerOrder order = GetEulerOrder(code);
        for (double first : firsts) {
            for (double second : seconds) {
                // The repeated form's middle angle lies in (0, 180) for even codes and
                // (-180, 0) for odd ones; the others' in (-90, 90).
                double middle = second;
                if (order.repeated) {
                    middle = (order.oddParity ? -1.0 : 1.0) * (second + 90.0);
                }
                const RVector4 angles(first, middle, -first / 2.0 + 20.0, 0.0);
                const RMatrix m = EulerMatrix(angles, code);
                const RVector4 back = Decomposed(m, code);
                EXPECT_TRUE(VectorsNear(back, angles, 1e-9));
                EXPECT_TRUE(MatricesNear(EulerMatrix(back, code), m, 1e-12));
            }
        }
    }
}

TEST(EulerAnglesTest, SingularCasesRebuildTheMatrix) {
    for (int code = 0; code < 12; ++code) {
        SCOPED_TRACE(code);
        const bool repeated = GetEulerOrder(code).repeated;
        const double middles[] = {repeated ? 0.0 : 90.0, repeated ? 180.0 : -90.0};
        for (double middle : middles) {
            const RMatrix m = EulerMatrix(RVector4(40.0, middle, 15.0, 0.0), code);
            const RVector4 back = Decomposed(m, code);
            EXPECT_EQ(back.z, 0.0);
            EXPECT_TRUE(MatricesNear(EulerMatrix(back, code), m, 1e-12));
        }
    }
}

TEST(EulerAnglesTest, EulerXyzDecomposition) {
    RMatrix m;
    EulerXYZToMatrix(m, 0.0, 90.0, 0.0);
    RVector4 angles;
    MatrixToEulerXYZ(angles, m);
    EXPECT_NEAR(angles.x, 0.0, 1e-12);
    EXPECT_EQ(angles.y, 90.0);
    EXPECT_EQ(angles.z, 0.0);

    EulerXYZToMatrix(m, 30.0, 90.0, 20.0);
    MatrixToEulerXYZ(angles, m);
    EXPECT_NEAR(angles.x, 10.0, 1e-9);  // X carries X - Z
    EXPECT_EQ(angles.y, 90.0);
    RMatrix rebuilt;
    EulerVectorXYZToMatrix(rebuilt, angles);
    EXPECT_TRUE(MatricesNear(rebuilt, m, 1e-12));

    EulerXYZToMatrix(m, 30.0, -90.0, 20.0);
    MatrixToEulerXYZ(angles, m);
    EXPECT_NEAR(angles.x, 50.0, 1e-9);  // X carries X + Z
    EXPECT_EQ(angles.y, -90.0);
    EulerVectorXYZToMatrix(rebuilt, angles);
    EXPECT_TRUE(MatricesNear(rebuilt, m, 1e-12));

    // Away from the gimbal lock both decompositions agree.
    EulerXYZToMatrix(m, -130.0, 45.0, 100.0);
    MatrixToEulerXYZ(angles, m);
    EXPECT_TRUE(VectorsNear(angles, RVector4(-130.0, 45.0, 100.0, 0.0), 1e-9));
    EXPECT_TRUE(VectorsNear(Decomposed(m, 0), angles, 1e-9));
}

TEST(EulerAnglesTest, CodesOutsideTheTableReadAsXyz) {
    const RVector4 angles(10.0, 20.0, 30.0, 0.0);
    EXPECT_EQ(MatrixCompare(EulerMatrix(angles, 12), EulerMatrix(angles, 0), 0.0), 0);
    EXPECT_EQ(MatrixCompare(EulerMatrix(angles, -1), EulerMatrix(angles, 0), 0.0), 0);
    EXPECT_TRUE(VectorsNear(Decomposed(EulerMatrix(angles, 0), 99), angles, 1e-9));
}

TEST(EulerAnglesTest, MatrixFromTrsUsesTheCode) {
    const RVector4 translation(1.0, 2.0, 3.0, 0.0);
    const RVector4 rotation(10.0, -20.0, 30.0, 0.0);
    const RVector4 scaling(2.0, 3.0, 4.0, 0.0);
    RMatrix m;
    MatrixFromTRS(m, translation, rotation, scaling, 0);
    EXPECT_EQ(MatrixCompare(m, RMatrix::ConstructFromTRS(translation, rotation, scaling), 0.0), 0);

    MatrixFromTRS(m, translation, rotation, scaling, 10);
    RMatrix expected = EulerMatrix(rotation, 10);
    ScaleMatrixRows(expected, expected, scaling);
    MatrixSetTranslation(expected, 1.0, 2.0, 3.0);
    EXPECT_TRUE(MatricesNear(m, expected, 0.0));
}
