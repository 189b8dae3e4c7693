#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RMatrixBlock.h"
#include "core/RQuaternion.h"
#include "core/RVector2.h"
#include "core/RVector4.h"
#include "core/RVector4Array.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Doubles = std::vector<double>;

Doubles Components(const RVector4& v) { return {v.x, v.y, v.z, v.w}; }

// Every value within tolerance; the failure shows both sides.
::testing::AssertionResult Near(const Doubles& a, const Doubles& b, double tolerance) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (!(std::fabs(a[i] - b[i]) <= tolerance)) {
            return ::testing::AssertionFailure() << "differ at " << i << ": " << ::testing::PrintToString(a) << " vs "
                                                 << ::testing::PrintToString(b);
        }
    }
    return ::testing::AssertionSuccess();
}

Doubles Values(const RMatrix& m) {
    Doubles values;
    for (int row = 0; row < 4; ++row) values.insert(values.end(), m[row], m[row] + 4);
    return values;
}

::testing::AssertionResult MatricesNear(const RMatrix& a, const RMatrix& b, double tolerance) {
    return Near(Values(a), Values(b), tolerance);
}

// x, y and z within tolerance; w is not compared.
::testing::AssertionResult VectorsNear(const RVector4& a, const RVector4& b, double tolerance) {
    return Near({a.x, a.y, a.z}, {b.x, b.y, b.z}, tolerance);
}

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

RMatrix Trs(const RVector4& translation, const RVector4& rotation, const RVector4& scaling) {
    return RMatrix::ConstructFromTRS(translation, rotation, scaling);
}

// The row-vector rotation by degrees about one axis, written out independently of EulerToMatrix.
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

// What a function that fills its first argument makes of the others.
template <typename T, typename Function, typename... Args>
T Made(Function function, const Args&... args) {
    T out;
    function(out, args...);
    return out;
}

RMatrix EulerMatrix(const RVector4& a, int code) { return Made<RMatrix>(EulerToMatrix, a.x, a.y, a.z, code); }
RVector4 Decomposed(const RMatrix& m, int code) { return Made<RVector4>(MatrixToEuler, m, code); }
RMatrix RotationOf(const RQuaternion& q) { return Made<RMatrix>(QuaternionToMatrix, q); }
RQuaternion FromMatrix(const RMatrix& m) { return Made<RQuaternion>(QuaternionFromMatrix, m); }
RMatrix EulerXyz(double x, double y, double z) { return Made<RMatrix>(EulerXYZToMatrix, x, y, z); }

RVector4 Direction(RVector4 v) { return v.Normalize3(); }

// Where the rotation of q takes the direction of from.
RVector4 Rotated(const RQuaternion& q, const RVector4& from) {
    return Made<RVector4>(MatrixTransformVector, RotationOf(q), Direction(from));
}

RQuaternion ShortestArc(const RVector4& a, const RVector4& b) { return Made<RQuaternion>(QuaternionShortestArc, a, b); }

void ExpectQuaternion(const RQuaternion& q, double x, double y, double z, double w) {
    EXPECT_TRUE(Near({q.x, q.y, q.z, q.w}, {x, y, z, w}, 1e-12));
}

}  // namespace

TEST(RVector4Test, EqualityToleranceIsInclusiveAndIgnoresWAndNormalize3KeepsW) {
    const RVector4 origin(0.0, 0.0, 0.0, 0.0);
    // Offsets from zero, so the differences are exactly 1e-6 and 2e-6.
    EXPECT_EQ((std::vector<bool>{origin == RVector4(1e-6, -1e-6, 1e-6, 0.0), origin != RVector4(1e-6, 0.0, 0.0, 0.0),
                                 origin == RVector4(2e-6, 0.0, 0.0, 0.0), origin != RVector4(0.0, 0.0, -2e-6, 0.0),
                                 origin == RVector4(0.0, 0.0, 0.0, 1000.0)}),
              (std::vector<bool>{true, false, false, true, true}));
    RVector4 zero(0.0, 0.0, 0.0, 5.0);
    EXPECT_EQ(Components(zero.Normalize3()), (Doubles{0.0, 0.0, 0.0, 5.0}));
    RVector4 tiny(3e-200, 4e-200, 0.0, 7.0);  // the squares of these underflow; the length must not
    EXPECT_DOUBLE_EQ(tiny.Length3(), 5e-200);
    tiny.Normalize3();
    EXPECT_DOUBLE_EQ(tiny.x, 0.6);
    EXPECT_DOUBLE_EQ(tiny.y, 0.8);
    EXPECT_EQ(tiny.w, 7.0);
    EXPECT_EQ(Components(RVector4(1.0, 2.0, 3.0, 9.0).Cross3(RVector4(4.0, 5.0, 6.0, 9.0))), (Doubles{-3, 6, -3, 1}));
    RVector4 v(1.0, 2.0, 3.0, 4.0);
    v *= RVector4(2.0, 3.0, 4.0, 5.0);
    EXPECT_EQ(Components(v), (Doubles{2, 6, 12, 20}));
    EXPECT_EQ(v.Component(9), &v.w);  // out of range lands on w, never outside
    RVector3 a(1.0, 0.0, 0.0);
    VectorCross3(a, a, RVector3(0.0, 1.0, 0.0));
    EXPECT_EQ((Doubles{a.x, a.y, a.z}), (Doubles{0, 0, 1}));
}

TEST(RVector2Test, ComponentsByIndexSetAssignAndEquality) {
    RVector2 uv(0.25, 0.75);
    EXPECT_EQ(uv.GetAt(0), 0.25);
    EXPECT_EQ(uv.GetAt(1), 0.75);
    RVector2 other;
    EXPECT_EQ(other.GetAt(0) + other.GetAt(1), 0.0);
    other.Assign(uv);
    EXPECT_EQ(other, uv);
    other.Set(1.0, 2.0);
    EXPECT_NE(other, uv);
    EXPECT_EQ(other.GetAt(0), 1.0);
    EXPECT_EQ(other.v, 2.0);
}

TEST(RVector4ArrayTest, InsertGetCopyRemoveAndAssign) {
    RVector4Array array(2);
    EXPECT_EQ((std::vector<int>{array.Add(RVector4(1.0, 0.0, 0.0, 0.0)), array.Add(RVector4(3.0, 0.0, 0.0, 0.0)),
                                array.InsertAt(RVector4(2.0, 0.0, 0.0, 5.0), 1),
                                array.InsertAt(RVector4(4.0, 0.0, 0.0, 0.0), 99),  // clamped: appends
                                array.InsertAt(RVector4(), -1)}),
              (std::vector<int>{0, 1, 1, 3, -1}));
    ASSERT_EQ(array.GetCount(), 4);
    EXPECT_EQ(array.GetAt(1)->w, 5.0);
    EXPECT_EQ(array.GetAt(4), nullptr);
    EXPECT_EQ(array.GetAt(-1), nullptr);
    RVector4 out(9.0, 9.0, 9.0, 9.0);
    EXPECT_FALSE(array.CopyAt(4, out));
    EXPECT_EQ(out.x, 9.0);
    ASSERT_TRUE(array.CopyAt(2, out));
    EXPECT_EQ(out.x, 3.0);
    ASSERT_TRUE(array.RemoveAt(1, out));
    EXPECT_EQ(out.x, 2.0);
    EXPECT_EQ(array.GetAt(1)->x, 3.0);
    ASSERT_TRUE(array.RemoveLast(out));
    EXPECT_EQ(out.x, 4.0);
    EXPECT_EQ(array.GetCount(), 2);
    EXPECT_FALSE(array.RemoveAt(2, out));
    array.Clear();
    EXPECT_FALSE(array.RemoveLast(out));

    RVector4Array growing(1);  // every insertion grows the storage, even of its own element
    growing.Add(RVector4(1.0, 2.0, 3.0, 4.0));
    for (int round = 0; round < 8; ++round) growing.InsertAt(*growing.GetAt(0), 0);
    ASSERT_EQ(growing.GetCount(), 9);
    EXPECT_EQ(Components(*growing.GetAt(8)), (Doubles{1, 2, 3, 4}));
    EXPECT_EQ(Components(*growing.GetAt(0)), (Doubles{1, 2, 3, 4}));
    RVector4Array source(5);
    for (int index = 0; index < 7; ++index) source.Add(RVector4(index, 0.0, 0.0, -index));
    ASSERT_TRUE(growing.Assign(source));
    EXPECT_EQ(growing.GetBlockSize(), 5);
    ASSERT_EQ(growing.GetCount(), 7);
    EXPECT_EQ(Components(*growing.GetAt(6)), (Doubles{6, 0, 0, -6}));
    EXPECT_TRUE(growing.Assign(growing));
    EXPECT_EQ(growing.GetCount(), 7);
}

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

TEST(RMatrixTest, TrsPartsSplitRebuildAndChangeOneAtATime) {
    RMatrix m = Trs(kTranslation, kRotation, kScaling);
    EXPECT_EQ(m[3][0], 1.5);
    EXPECT_EQ(m.GetTranslation().z, 3.25);
    EXPECT_TRUE(VectorsNear(m.GetScaling(), kScaling, 1e-12));
    EXPECT_TRUE(VectorsNear(m.GetRotation(), kRotation, 1e-10));
    const RVector4 q = m.GetQuaternion();
    EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0, 1e-12);
    RMatrix rebuilt = FilledMatrix(9.0);
    rebuilt[0][3] = rebuilt[1][3] = rebuilt[2][3] = 0.0;
    rebuilt[3][3] = 1.0;
    rebuilt.SetTQS(kTranslation, q, kScaling);
    EXPECT_TRUE(MatricesNear(rebuilt, m, 1e-12));
    const RVector4 rotation(10.0, 20.0, -30.0, 0.0);
    m.SetRotation(rotation);
    EXPECT_TRUE(MatricesNear(m, Trs(kTranslation, rotation, kScaling), 1e-12));
    const RVector4 scaling(1.0, 4.0, 0.25, 0.0);
    m.SetScaling(scaling);
    EXPECT_TRUE(MatricesNear(m, Trs(kTranslation, rotation, scaling), 1e-12));
    const RVector4 translation(-7.0, 8.0, 9.0, 0.0);
    m.SetTranslation(translation);
    EXPECT_TRUE(MatricesNear(m, Trs(translation, rotation, scaling), 1e-12));
    // A mirrored scaling reads back negated on every axis, and rebuilds the same matrix.
    const RMatrix mirrored = Trs(kTranslation, kRotation, RVector4(-2.0, 3.0, 4.0, 0.0));
    EXPECT_TRUE(VectorsNear(mirrored.GetScaling(), RVector4(-2.0, -3.0, -4.0, 0.0), 1e-12));
    EXPECT_TRUE(MatricesNear(Trs(mirrored.GetTranslation(), mirrored.GetRotation(), mirrored.GetScaling()), mirrored,
                             1e-12));
}

TEST(RMatrixTest, InverseOfOrthogonalAxesWithScale) {
    const RMatrix m = Trs(kTranslation, kRotation, kScaling);
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
    RMatrix flat = Trs(RVector4(1.0, 2.0, 3.0, 0.0), RVector4(), RVector4(0.0, 2.0, 4.0, 0.0));
    const RMatrix expected = Trs(RVector4(0.0, -1.0, -0.75, 0.0), RVector4(), RVector4(0.0, 0.5, 0.25, 0.0));
    EXPECT_TRUE(MatricesNear(flat.Inverse(), expected, 0.0));
    RMatrix normalized = FilledMatrix(50.0);
    NormalizeMatrixRows(normalized, flat);
    // The translation row and the fourth column are left alone.
    EXPECT_EQ((Doubles{normalized[0][0], normalized[1][1], normalized[3][0], normalized[1][3]}),
              (Doubles{0, 1, 62, 57}));
    // One axis flattened: the rotation is still the one the matrix was built with.
    const RMatrix rotated = Trs(kTranslation, kRotation, RVector4(2.0, 0.0, 3.0, 0.0));
    EXPECT_TRUE(VectorsNear(rotated.GetRotation(), kRotation, 1e-10));
    EXPECT_TRUE(VectorsNear(rotated.GetScaling(), RVector4(2.0, 0.0, 3.0, 0.0), 1e-12));
    RMatrix zero;
    ScaleMatrixRows(zero, zero, RVector4());
    EXPECT_TRUE(VectorsNear(zero.GetRotation(), RVector4(), 0.0));
    EXPECT_EQ(zero.GetQuaternion().w, 1.0);
    EXPECT_EQ(MatrixCompare(zero.Inverse(), zero, 1e-300), 0);
}

TEST(RMatrixTest, ProductsApplyTheSecondMatrixFirst) {
    RMatrix a;  // turn 90 degrees about X, then move 10 along X
    EulerXYZToMatrix(a, 90.0, 0.0, 0.0);
    MatrixSetTranslation(a, 10.0, 0.0, 0.0);
    RMatrix b;  // turn 90 degrees about Z
    EulerXYZToMatrix(b, 0.0, 0.0, 90.0);
    RMatrix out = FilledMatrix(0.0);
    MatrixMultiplyAffine(out, a, b);
    EXPECT_TRUE(VectorsNear(out.TransformPoint(RVector4(1.0, 0.0, 0.0, 0.0)), RVector4(10.0, 0.0, 1.0, 0.0), 1e-12));
    EXPECT_EQ((Doubles{out[0][3], out[3][3]}), (Doubles{3, 15}));  // fourth column left as it was
    RMatrix viaMember;
    a.Multiply(viaMember, b);
    EXPECT_EQ(MatrixCompare(viaMember, out, 1e-15), 0);  // the fourth columns differ
    RMatrix aliasA = a;
    MatrixMultiplyAffine(aliasA, aliasA, b);
    EXPECT_EQ(MatrixCompare(aliasA, viaMember, 1e-15), 0);
    RMatrix aliasB = b;
    MatrixMultiplyAffine(aliasB, a, aliasB);
    EXPECT_EQ(MatrixCompare(aliasB, viaMember, 1e-15), 0);
    MatrixSetTranslation(a, 5.0, 5.0, 5.0);
    MatrixMultiplyRotation(a, a, b);
    RVector4 v;
    MatrixTransformVector(v, a, RVector4(1.0, 0.0, 0.0, 9.0));
    EXPECT_TRUE(Near(Components(v), {0.0, 0.0, 1.0, 0.0}, 1e-12));
    EXPECT_EQ(a[3][0], 5.0);  // translation untouched
    RVector4 p(1.0, 0.0, 0.0, 9.0);
    MatrixTransformPoint(p, a, p);
    EXPECT_TRUE(Near(Components(p), {5.0, 5.0, 6.0, 0.0}, 1e-12));
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

TEST(RMatrixBlockTest, StartsAsIdentityAndRefreshInvertsStoredMatricesOnce) {
    RMatrixBlock block;
    for (int index = 0; index < RMatrixBlock::kMatrixCount; ++index) {
        EXPECT_EQ(MatrixCompare(*block.GetMatrix(index), RMatrix::Identity(), 0.0), 0);
        EXPECT_TRUE(block.IsFlagSet(index));
    }
    EXPECT_TRUE(block.IsFlagSet(RMatrixBlock::kBlockFlag));
    EXPECT_FALSE(block.GetMatrix(13) != nullptr || block.GetMatrix(-1) != nullptr || block.IsFlagSet(14));
    const RMatrix m = Trs(RVector4(1.0, 2.0, 3.0, 0.0), RVector4(10.0, 20.0, 30.0, 0.0), RVector4(2.0, 2.0, 0.5, 0.0));
    ASSERT_TRUE(block.SetMatrix(4, m));
    EXPECT_FALSE(block.SetMatrix(13, m));
    EXPECT_EQ((std::vector<bool>{block.IsFlagSet(4), block.IsFlagSet(RMatrixBlock::kBlockFlag), block.IsFlagSet(3)}),
              (std::vector<bool>{false, false, true}));
    block.Refresh();
    EXPECT_TRUE(MatricesNear(*block.GetMatrix(4), m.Inverse(), 0.0));
    EXPECT_TRUE(block.IsFlagSet(4) && block.IsFlagSet(RMatrixBlock::kBlockFlag));
    EXPECT_EQ(MatrixCompare(*block.GetMatrix(3), RMatrix::Identity(), 0.0), 0);
    block.Refresh();  // nothing is pending: the inverse stays
    EXPECT_TRUE(MatricesNear(*block.GetMatrix(4), m.Inverse(), 0.0));
}

TEST(EulerAnglesTest, EveryCodeRotatesAboutItsAxesInOrder) {
    const RVector4 angles(25.0, -40.0, 70.0, 0.0);
    for (int code = 0; code < 12; ++code) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(MatricesNear(EulerMatrix(angles, code),
                                 ComposedRotation(GetEulerOrder(code), angles), 1e-12));
    }
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

TEST(EulerAnglesTest, EulerXyzDecompositionAndCodesOutsideTheTableReadAsCodeZero) {
    // At the gimbal lock Z is 0 and X carries X - Z (at +90) or X + Z (at -90).
    const std::tuple<RVector4, RVector4, double> locked[] = {
        {RVector4(0.0, 90.0, 0.0, 0.0), RVector4(0.0, 90.0, 0.0, 0.0), 1e-12},
        {RVector4(30.0, 90.0, 20.0, 0.0), RVector4(10.0, 90.0, 0.0, 0.0), 1e-9},
        {RVector4(30.0, -90.0, 20.0, 0.0), RVector4(50.0, -90.0, 0.0, 0.0), 1e-9}};
    for (const auto& [built, expected, tolerance] : locked) {
        const RMatrix m = EulerXyz(built.x, built.y, built.z);
        const RVector4 angles = Made<RVector4>(MatrixToEulerXYZ, m);
        EXPECT_TRUE(VectorsNear(angles, expected, tolerance));
        EXPECT_EQ(angles.y, expected.y);
        EXPECT_EQ(angles.z, 0.0);
        EXPECT_TRUE(MatricesNear(Made<RMatrix>(EulerVectorXYZToMatrix, angles), m, 1e-12));
    }
    // Away from the gimbal lock both decompositions agree.
    const RMatrix m = EulerXyz(-130.0, 45.0, 100.0);
    const RVector4 angles = Made<RVector4>(MatrixToEulerXYZ, m);
    EXPECT_TRUE(VectorsNear(angles, RVector4(-130.0, 45.0, 100.0, 0.0), 1e-9));
    EXPECT_TRUE(VectorsNear(Decomposed(m, 0), angles, 1e-9));
    // Code 0 is exactly EulerXYZToMatrix, and codes outside the table read as it.
    const RMatrix xyz = EulerXyz(12.5, -77.0, 140.0);
    EXPECT_EQ(MatrixCompare(EulerMatrix(RVector4(12.5, -77.0, 140.0, 0.0), 0), xyz, 0.0), 0);
    const RVector4 plain(10.0, 20.0, 30.0, 0.0);
    EXPECT_EQ(MatrixCompare(EulerMatrix(plain, 12), EulerMatrix(plain, 0), 0.0), 0);
    EXPECT_EQ(MatrixCompare(EulerMatrix(plain, -1), EulerMatrix(plain, 0), 0.0), 0);
    EXPECT_TRUE(VectorsNear(Decomposed(EulerMatrix(plain, 0), 99), plain, 1e-9));
}

TEST(EulerAnglesTest, MatrixFromTrsUsesTheCode) {
    const RVector4 translation(1.0, 2.0, 3.0, 0.0);
    const RVector4 rotation(10.0, -20.0, 30.0, 0.0);
    const RVector4 scaling(2.0, 3.0, 4.0, 0.0);
    EXPECT_EQ(MatrixCompare(Made<RMatrix>(MatrixFromTRS, translation, rotation, scaling, 0),
                            RMatrix::ConstructFromTRS(translation, rotation, scaling), 0.0),
              0);
    RMatrix expected = EulerMatrix(rotation, 10);
    ScaleMatrixRows(expected, expected, scaling);
    MatrixSetTranslation(expected, 1.0, 2.0, 3.0);
    EXPECT_TRUE(MatricesNear(Made<RMatrix>(MatrixFromTRS, translation, rotation, scaling, 10), expected, 0.0));
}

TEST(RQuaternionTest, MatrixRoundTripsAndHalfTurns) {
    ExpectQuaternion(FromMatrix(EulerXyz(180.0, 0.0, 0.0)), 1.0, 0.0, 0.0, 0.0);
    ExpectQuaternion(FromMatrix(EulerXyz(0.0, 180.0, 0.0)), 0.0, 1.0, 0.0, 0.0);
    ExpectQuaternion(FromMatrix(EulerXyz(0.0, 0.0, 180.0)), 0.0, 0.0, 1.0, 0.0);
    ExpectQuaternion(FromMatrix(EulerXyz(0.0, 0.0, 90.0)), 0.0, 0.0, std::sqrt(0.5), std::sqrt(0.5));
    const RMatrix rotations[] = {EulerXyz(30.0, -45.0, 60.0), EulerXyz(-170.0, 20.0, 100.0),
                                 EulerXyz(179.9, 0.1, -0.2), RMatrix()};
    for (const RMatrix& m : rotations) {
        const RQuaternion q = FromMatrix(m);
        EXPECT_NEAR(QuaternionLength(q), 1.0, 1e-12);
        EXPECT_TRUE(MatricesNear(RotationOf(q), m, 1e-9));
    }
    // Half turns about tilted axes.
    ExpectQuaternion(FromMatrix(RotationOf(RQuaternion(0.6, 0.8, 0.0, 0.0))), 0.6, 0.8, 0.0, 0.0);
    ExpectQuaternion(FromMatrix(RotationOf(RQuaternion(0.0, 0.6, 0.8, 0.0))), 0.0, 0.6, 0.8, 0.0);
}

TEST(RQuaternionTest, ToMatrixIgnoresLengthAndZeroGivesIdentity) {
    const RQuaternion q(0.1, -0.5, 0.3, 0.8);
    EXPECT_TRUE(MatricesNear(RotationOf(Made<RQuaternion>(QuaternionScale, q, 4.0)), RotationOf(q), 1e-14));
    EXPECT_TRUE(MatricesNear(RotationOf(RQuaternion(0.0, 0.0, 0.0, 0.0)), RMatrix(), 0.0));
    const RQuaternion unit = Made<RQuaternion>(QuaternionScale, q, 1.0 / QuaternionLength(q));
    const RMatrix m = RotationOf(unit);
    EXPECT_TRUE(VectorsNear(Made<RVector4>(QuaternionYAxis, unit), RVector4(m[1][0], m[1][1], m[1][2], 0.0), 1e-15));
}

TEST(RQuaternionTest, ProductsAndAliasing) {
    const RQuaternion i(1.0, 0.0, 0.0, 0.0);
    ExpectQuaternion(Made<RQuaternion>(QuaternionMultiply, i, RQuaternion(0.0, 1.0, 0.0, 0.0)), 0.0, 0.0, 1.0, 0.0);
    RQuaternion alias(0.0, 1.0, 0.0, 0.0);
    QuaternionMultiply(alias, alias, i);
    ExpectQuaternion(alias, 0.0, 0.0, -1.0, 0.0);
    // The rotation of a x b is b's followed by a's.
    const RQuaternion a = FromMatrix(EulerXyz(30.0, 0.0, 0.0));
    const RQuaternion b = FromMatrix(EulerXyz(0.0, 0.0, 50.0));
    EXPECT_TRUE(MatricesNear(RotationOf(Made<RQuaternion>(QuaternionMultiply, a, b)),
                             Made<RMatrix>(MatrixMultiplyRotation, RotationOf(a), RotationOf(b)), 1e-12));
}

TEST(RQuaternionTest, ShortestArcTurnsAOntoBAndOppositeVectorsGiveAHalfTurn) {
    ExpectQuaternion(ShortestArc(RVector4(1.0, 0.0, 0.0, 0.0), RVector4(0.0, 2.0, 0.0, 0.0)), 0.0, 0.0, 2.0, 2.0);
    const RVector4 a(1.0, 2.0, -0.5, 0.0);
    const RVector4 b(-3.0, 0.2, 1.0, 0.0);
    EXPECT_TRUE(VectorsNear(Rotated(ShortestArc(a, b), a), Direction(b), 1e-12));
    const RVector4 c(1.0, 2.0, 3.0, 0.0);
    const RQuaternion q = ShortestArc(c, c * -2.0);
    EXPECT_NEAR(QuaternionLength(q), 1.0, 1e-12);
    EXPECT_EQ(q.w, 0.0);
    EXPECT_NEAR(c.Dot3(RVector4(q.x, q.y, q.z, 0.0)), 0.0, 1e-12);
    EXPECT_TRUE(VectorsNear(Rotated(q, c), Direction(c * -2.0), 1e-12));
    ExpectQuaternion(ShortestArc(RVector4(1.0, 0.0, 0.0, 0.0), RVector4(-1.0, 0.0, 0.0, 0.0)), 0.0, 0.0, 1.0, 0.0);
    ExpectQuaternion(ShortestArc(RVector4(), b), 0.0, 0.0, 0.0, 1.0);
}

TEST(RQuaternionTest, FromXAxis) {
    const RVector4 v = Direction(RVector4(0.3, -0.4, 0.8, 0.0));
    RQuaternion q = Made<RQuaternion>(QuaternionFromXAxis, v);
    EXPECT_EQ((Doubles{q.x, q.y, q.z, q.w}), (Doubles{0.0, -v.z, v.y, v.x + 1.0}));
    EXPECT_TRUE(VectorsNear(Rotated(q, RVector4(1.0, 0.0, 0.0, 0.0)), v, 1e-12));
    q = Made<RQuaternion>(QuaternionFromXAxis, RVector4(-1.0, 0.0, 0.0, 0.0));
    ExpectQuaternion(q, 0.0, 0.0, 1.0, 0.0);
    EXPECT_TRUE(VectorsNear(Rotated(q, RVector4(1.0, 0.0, 0.0, 0.0)), RVector4(-1.0, 0.0, 0.0, 0.0), 1e-12));
}
