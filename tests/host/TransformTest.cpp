// Transforms: the matrix their parts make, rotation orders, quaternions, pivots, limits,
// rotate axis, joint orient and world space.

#include "tests/support/HostTestSupport.h"

#include "host/src/scene/TransformMath.h"

#include <vexa/VFnIkJoint.h>
#include <vexa/VGlobal.h>
#include <vexa/VFnTransform.h>
#include <vexa/VTransformationMatrix.h>

#include <cmath>
#include <vector>

namespace {

using Order = VTransformationMatrix::RotationOrder;
constexpr double kHalfPi = 1.5707963267948966;

// Row-vector rotations about one axis, written out here rather than taken from the host.
VMatrix rotationAbout(int axis, double angle) {
    VMatrix m;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    if (axis == 0) {
        m[1][1] = c, m[1][2] = s, m[2][1] = -s, m[2][2] = c;
    } else if (axis == 1) {
        m[0][0] = c, m[0][2] = -s, m[2][0] = s, m[2][2] = c;
    } else {
        m[0][0] = c, m[0][1] = s, m[1][0] = -s, m[1][1] = c;
    }
    return m;
}

VMatrix translation(double x, double y, double z) {
    VMatrix m;
    m[3][0] = x, m[3][1] = y, m[3][2] = z;
    return m;
}

VMatrix scaling(double x, double y, double z) {
    VMatrix m;
    m[0][0] = x, m[1][1] = y, m[2][2] = z;
    return m;
}

struct OrderCase {
    Order order;
    int axes[3];  // applied first to last
};

const OrderCase kOrders[] = {
    {VTransformationMatrix::kXYZ, {0, 1, 2}}, {VTransformationMatrix::kYZX, {1, 2, 0}},
    {VTransformationMatrix::kZXY, {2, 0, 1}}, {VTransformationMatrix::kXZY, {0, 2, 1}},
    {VTransformationMatrix::kYXZ, {1, 0, 2}}, {VTransformationMatrix::kZYX, {2, 1, 0}},
};

VMatrix eulerProduct(const double angles[3], const OrderCase& c) {
    return rotationAbout(c.axes[0], angles[c.axes[0]]) * rotationAbout(c.axes[1], angles[c.axes[1]]) *
           rotationAbout(c.axes[2], angles[c.axes[2]]);
}

using TransformTest = HostTest;

TEST_F(TransformTest, RotationOrdersMultiplyTheirAxesInOrder) {
    const double angles[3] = {0.3, -0.5, 0.7};
    for (const OrderCase& c : kOrders) {
        EXPECT_TRUE(vexa_host::eulerToMatrix(angles, c.order).isEquivalent(eulerProduct(angles, c), 1e-12)) << c.order;
        double back[3];
        vexa_host::matrixToEuler(eulerProduct(angles, c), c.order, back);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(back[i], angles[i], 1e-12) << c.order << " axis " << i;
    }
}

TEST_F(TransformTest, GimbalLockKeepsTheRotation) {
    for (const OrderCase& c : kOrders) {
        double angles[3] = {0.4, 0.4, 0.4};
        angles[c.axes[1]] = kHalfPi;
        double back[3];
        vexa_host::matrixToEuler(eulerProduct(angles, c), c.order, back);
        EXPECT_EQ(back[c.axes[2]], 0.0) << c.order;
        EXPECT_TRUE(eulerProduct(back, c).isEquivalent(eulerProduct(angles, c), 1e-9)) << c.order;
    }
}

TEST_F(TransformTest, TheMatrixComposesPivotsRotateAxisAndTranslation) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    ASSERT_TRUE(fn.setTranslation(VVector(1, 2, 3), VSpace::kTransform));
    const double angles[3] = {0.2, 0.4, -0.3};
    ASSERT_TRUE(fn.setRotationOrder(VTransformationMatrix::kZXY, false));
    ASSERT_TRUE(fn.setRotation(angles, VTransformationMatrix::kZXY));
    const double scale[3] = {2, 3, 4};
    ASSERT_TRUE(fn.setScale(scale));
    ASSERT_TRUE(fn.setRotatePivot(VPoint(0.5, 0, 0), VSpace::kTransform, false));
    ASSERT_TRUE(fn.setRotatePivotTranslation(VVector(0, 0.25, 0), VSpace::kTransform));
    ASSERT_TRUE(fn.setScalePivot(VPoint(0, 1, 0), VSpace::kTransform, false));
    ASSERT_TRUE(fn.setScalePivotTranslation(VVector(0, 0, 0.5), VSpace::kTransform));
    const double axis[3] = {0.1, 0.0, 0.0};
    ASSERT_TRUE(fn.setRotateOrientation(vexa_host::eulerToQuaternion(axis, VTransformationMatrix::kXYZ),
                                        VSpace::kTransform, false));

    const VMatrix expected = translation(0, -1, 0) * scaling(2, 3, 4) * translation(0, 1, 0) * translation(0, 0, 0.5) *
                             translation(-0.5, 0, 0) * rotationAbout(0, 0.1) * eulerProduct(angles, kOrders[2]) *
                             translation(0.5, 0, 0) * translation(0, 0.25, 0) * translation(1, 2, 3);
    EXPECT_TRUE(fn.transformation().asMatrix().isEquivalent(expected, 1e-12));
    VMatrix plug;
    ASSERT_TRUE(plugOf(node, "matrix").getValue(plug));
    EXPECT_TRUE(plug.isEquivalent(expected, 1e-12));
    EXPECT_NEAR(plugOf(node, "rotateAxisX").asDouble(), 0.1, 1e-12);
}

TEST_F(TransformTest, TheRotatePivotStaysWhereItIs) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    const VPoint pivot(3, -1, 2);
    fn.setRotatePivot(pivot, VSpace::kTransform, false);
    const double angles[3] = {0.7, 1.1, -0.4};
    fn.setRotation(angles, VTransformationMatrix::kXYZ);
    EXPECT_TRUE((pivot * fn.transformation().asMatrix()).isEquivalent(pivot, 1e-12));
}

TEST_F(TransformTest, BalancedPivotsKeepTheMatrix) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    const double angles[3] = {0.5, -0.2, 0.9};
    const double scale[3] = {1.5, 0.5, 2.0};
    fn.setRotation(angles, VTransformationMatrix::kXYZ);
    fn.setScale(scale);
    const VMatrix before = fn.transformation().asMatrix();
    ASSERT_TRUE(fn.setRotatePivot(VPoint(1, 2, 3), VSpace::kTransform, true));
    ASSERT_TRUE(fn.setScalePivot(VPoint(-1, 0, 4), VSpace::kTransform, true));
    EXPECT_TRUE(fn.transformation().asMatrix().isEquivalent(before, 1e-12));
    EXPECT_FALSE(fn.rotatePivotTranslation(VSpace::kTransform).isEquivalent(VVector()));
    ASSERT_TRUE(fn.setRotatePivot(VPoint(0, 0, 0), VSpace::kTransform, false));
    EXPECT_FALSE(fn.transformation().asMatrix().isEquivalent(before, 1e-6));
}

TEST_F(TransformTest, ABalancedRotateOrientationKeepsTheOrientation) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    const double angles[3] = {0.3, 0.2, 0.1};
    fn.setRotation(angles, VTransformationMatrix::kXYZ);
    const VMatrix before = fn.transformation().asMatrix();
    const VQuaternion orientation(0.5, VVector(0, 1, 0));
    ASSERT_TRUE(fn.setRotateOrientation(orientation, VSpace::kTransform, true));
    EXPECT_TRUE(fn.rotateOrientation(VSpace::kTransform).isEquivalent(orientation, 1e-12));
    EXPECT_NEAR(plugOf(node, "rotateAxisY").asDouble(), 0.5, 1e-12);
    EXPECT_TRUE(fn.transformation().asMatrix().isEquivalent(before, 1e-12));
}

TEST_F(TransformTest, SettingARotationInAnotherOrderKeepsTheOrientation) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    const double angles[3] = {0.3, 0.6, -0.9};
    ASSERT_TRUE(fn.setRotation(angles, VTransformationMatrix::kYXZ));
    EXPECT_EQ(fn.rotationOrder(), VTransformationMatrix::kXYZ);
    EXPECT_TRUE(fn.transformation().asMatrix().isEquivalent(eulerProduct(angles, kOrders[4]), 1e-12));
    // Reordering keeps the orientation, a plain change of order keeps the angles.
    ASSERT_TRUE(fn.setRotationOrder(VTransformationMatrix::kZYX, true));
    EXPECT_TRUE(fn.transformation().asMatrix().isEquivalent(eulerProduct(angles, kOrders[4]), 1e-12));
    double stored[3];
    Order order;
    fn.getRotation(stored, order);
    EXPECT_EQ(order, VTransformationMatrix::kZYX);
    EXPECT_EQ(plugOf(node, "rotateOrder").asInt(), 5);
    ASSERT_TRUE(fn.setRotationOrder(VTransformationMatrix::kXYZ, false));
    double kept[3];
    fn.getRotation(kept, order);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(kept[i], stored[i]);
    EXPECT_EQ(fn.setRotationOrder(VTransformationMatrix::kInvalid, true), VStatus::kInvalidParameter);
    EXPECT_EQ(fn.setRotation(angles, VTransformationMatrix::kLast), VStatus::kInvalidParameter);
}

TEST_F(TransformTest, QuaternionsRoundTripThroughTheRotation) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    fn.setRotationOrder(VTransformationMatrix::kYZX, false);
    const VQuaternion wanted = VQuaternion(0.8, VVector(1, 2, -1)).normal();
    ASSERT_TRUE(fn.setRotationQuaternion(wanted.x, wanted.y, wanted.z, wanted.w));
    double x, y, z, w;
    ASSERT_TRUE(fn.getRotationQuaternion(x, y, z, w));
    EXPECT_TRUE(VQuaternion(x, y, z, w).isEquivalent(wanted, 1e-12));
    // A quarter turn about X takes the Y axis to Z (row vectors).
    const VQuaternion quarter(kHalfPi, VVector(1, 0, 0));
    const VVector turned = VVector(0, 1, 0) * quarter.asMatrix();
    EXPECT_TRUE(turned.isEquivalent(VVector(0, 0, 1), 1e-12));
    EXPECT_TRUE(VQuaternion::fromMatrix(quarter.asMatrix()).isEquivalent(quarter, 1e-12));
    const VQuaternion other(0.3, VVector(0, 0, 1));
    EXPECT_TRUE((quarter * other).asMatrix().isEquivalent(quarter.asMatrix() * other.asMatrix(), 1e-12));
    EXPECT_EQ(fn.setRotationQuaternion(x, y, z, w, VSpace::kWorld), VStatus::kInvalidParameter);
}

TEST_F(TransformTest, EnabledLimitsClampTheMatrixButNotTheValues) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    ASSERT_TRUE(fn.setLimit(VFnTransform::kTranslateMaxX, 2.0));
    ASSERT_TRUE(fn.enableLimit(VFnTransform::kTranslateMaxX, true));
    ASSERT_TRUE(fn.setLimit(VFnTransform::kRotateMinZ, -0.5));
    ASSERT_TRUE(fn.enableLimit(VFnTransform::kRotateMinZ, true));
    ASSERT_TRUE(fn.setLimit(VFnTransform::kScaleMinY, 0.5));
    fn.setTranslation(VVector(5, 5, 0), VSpace::kTransform);
    const double angles[3] = {0, 0, -1.0};
    fn.setRotation(angles, VTransformationMatrix::kXYZ);
    const double scale[3] = {1, 0.1, 1};
    fn.setScale(scale);
    EXPECT_EQ(fn.translation(VSpace::kTransform).x, 5.0);
    const VMatrix matrix = fn.transformation().asMatrix();
    EXPECT_EQ(matrix[3][0], 2.0);
    EXPECT_EQ(matrix[3][1], 5.0);
    EXPECT_TRUE((scaling(1, 0.1, 1) * rotationAbout(2, -0.5) * translation(2, 5, 0)).isEquivalent(matrix, 1e-12));
    EXPECT_TRUE(fn.isLimited(VFnTransform::kTranslateMaxX));
    EXPECT_FALSE(fn.isLimited(VFnTransform::kScaleMinY));
    EXPECT_EQ(fn.limitValue(VFnTransform::kScaleMinY), 0.5);
    EXPECT_EQ(plugOf(node, "maxTransXLimit").asDouble(), 2.0);
    EXPECT_TRUE(plugOf(node, "minRotZLimitEnable").asBool());
    VStatus status;
    fn.isLimited(static_cast<VFnTransform::LimitType>(7), &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(fn.setLimit(static_cast<VFnTransform::LimitType>(24), 1.0), VStatus::kInvalidParameter);
}

TEST_F(TransformTest, EveryLimitTypeHasItsOwnPlugs) {
    VObject node = makeTransform("node");
    VFnTransform fn(node);
    const int codes[] = {0, 1, 2, 3, 4, 5, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    for (int code : codes) ASSERT_TRUE(fn.setLimit(static_cast<VFnTransform::LimitType>(code), 100.0 + code));
    for (int code : codes) EXPECT_EQ(fn.limitValue(static_cast<VFnTransform::LimitType>(code)), 100.0 + code) << code;
}

TEST_F(TransformTest, JointOrientAppliesAfterTheRotation) {
    VFnIkJoint joint;
    VObject object = joint.create();
    EXPECT_EQ(nameOf(object), "joint1");
    const double rotation[3] = {kHalfPi, 0, 0};
    const double orient[3] = {0, 0, kHalfPi};
    joint.setRotation(rotation, VTransformationMatrix::kXYZ);
    ASSERT_TRUE(joint.setOrientation(orient, VTransformationMatrix::kXYZ));
    const VMatrix expected = rotationAbout(0, kHalfPi) * rotationAbout(2, kHalfPi);
    EXPECT_TRUE(joint.transformation().asMatrix().isEquivalent(expected, 1e-12));
    EXPECT_NEAR(plugOf(object, "jointOrientZ").asDouble(), kHalfPi, 1e-12);
    VQuaternion read;
    ASSERT_TRUE(joint.getOrientation(read));
    EXPECT_TRUE(read.isEquivalent(VQuaternion(kHalfPi, VVector(0, 0, 1)), 1e-12));
    VMatrix bindPose;
    ASSERT_TRUE(plugOf(object, "bindPose").getValue(bindPose));
    EXPECT_EQ(bindPose, VMatrix());
    VFnIkJoint notAJoint;
    EXPECT_EQ(notAJoint.setObject(makeTransform("plain")), VStatus::kInvalidParameter);
}

TEST_F(TransformTest, TransformationMatrixReadsMirroredMatrices) {
    const VMatrix mirrored = scaling(-2, -3, -4) * rotationAbout(1, 0.4) * translation(1, 2, 3);
    VTransformationMatrix parts(mirrored);
    double scale[3];
    parts.getScale(scale, VSpace::kTransform);
    for (double s : scale) EXPECT_LT(s, 0.0);
    EXPECT_TRUE(parts.asMatrix().isEquivalent(mirrored, 1e-12));
    EXPECT_EQ(parts.getTranslation(VSpace::kTransform).z, 3.0);
}

TEST_F(TransformTest, RotateByAppliesAfterInTransformSpaceAndBeforeInObjectSpace) {
    const double x[3] = {kHalfPi, 0, 0};
    const double y[3] = {0, kHalfPi, 0};
    VTransformationMatrix inTransform;
    inTransform.setRotation(x, VTransformationMatrix::kXYZ);
    VTransformationMatrix inObject = inTransform;
    ASSERT_TRUE(inTransform.rotateBy(y, VTransformationMatrix::kXYZ, VSpace::kTransform));
    ASSERT_TRUE(inObject.rotateBy(y, VTransformationMatrix::kXYZ, VSpace::kObject));
    EXPECT_TRUE(inTransform.asMatrix().isEquivalent(rotationAbout(0, kHalfPi) * rotationAbout(1, kHalfPi), 1e-12));
    EXPECT_TRUE(inObject.asMatrix().isEquivalent(rotationAbout(1, kHalfPi) * rotationAbout(0, kHalfPi), 1e-12));
    EXPECT_EQ(inObject.rotateBy(y, VTransformationMatrix::kXYZ, VSpace::kWorld), VStatus::kInvalidParameter);
}

TEST_F(TransformTest, WorldTranslationGoesThroughTheParents) {
    VObject parent = makeTransform("parent");
    VObject child = makeTransform("child", parent);
    VFnTransform parentFn(parent);
    const double quarter[3] = {0, 0, kHalfPi};
    parentFn.setRotation(quarter, VTransformationMatrix::kXYZ);
    parentFn.setTranslation(VVector(10, 0, 0), VSpace::kTransform);
    VDagPath path;
    VDagPath::getAPathTo(child, path);
    VFnTransform childFn(path);
    ASSERT_TRUE(childFn.setTranslation(VVector(10, 5, 0), VSpace::kWorld));
    EXPECT_TRUE(childFn.translation(VSpace::kWorld).isEquivalent(VVector(10, 5, 0), 1e-12));
    EXPECT_TRUE(childFn.translation(VSpace::kTransform).isEquivalent(VVector(5, 0, 0), 1e-12));
    VFnTransform withoutPath(child);
    VStatus status;
    withoutPath.translation(VSpace::kWorld, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
}

TEST_F(TransformTest, SettingTheWholeTransformationWritesEveryPlug) {
    VObject node = makeTransform("node");
    VTransformationMatrix parts;
    parts.setTranslation(VVector(1, 2, 3), VSpace::kTransform);
    parts.reorderRotation(VTransformationMatrix::kZXY);
    const double angles[3] = {0.1, 0.2, 0.3};
    parts.setRotation(angles, VTransformationMatrix::kZXY);
    parts.setRotatePivot(VPoint(0, 1, 0), VSpace::kTransform, false);
    ASSERT_TRUE(VFnTransform(node).set(parts));
    EXPECT_EQ(plugOf(node, "rotateOrder").asInt(), 2);
    EXPECT_EQ(plugOf(node, "rotatePivotY").asDouble(), 1.0);
    EXPECT_TRUE(VFnTransform(node).transformation().asMatrix().isEquivalent(parts.asMatrix(), 1e-12));
    plugOf(node, "tx").setLocked(true);
    EXPECT_EQ(VFnTransform(node).set(parts), VStatus::kFailure);
}

// Each write of a part refuses a space it has no plain value in, a function set without a
// node and a deleted node, with the reason, and leaves the node's values as they were.
TEST_F(TransformTest, RefusedWritesOfThePartsNameTheirReasonAndChangeNothing) {
    const VObject node = makeTransform("node");
    VFnTransform fn(node);
    const double three[3] = {2, 3, 4};
    const auto writeEach = [&three](VFnTransform& target, VSpace::Space space) {
        return std::vector<VStatus>{target.setRotatePivot(VPoint(2, 3, 4), space, false),
                                    target.setRotatePivotTranslation(VVector(2, 3, 4), space),
                                    target.setScalePivot(VPoint(2, 3, 4), space, false),
                                    target.setScalePivotTranslation(VVector(2, 3, 4), space),
                                    target.setTranslation(VVector(2, 3, 4), space),
                                    target.setRotation(three, VTransformationMatrix::kXYZ),
                                    target.setScale(three),
                                    target.setRotationOrder(VTransformationMatrix::kZYX, false)};
    };
    const auto expectRefused = [](const std::vector<VStatus>& statuses, const char* reason) {
        for (size_t i = 0; i < statuses.size(); ++i) {
            EXPECT_EQ(statuses[i], VStatus::kInvalidParameter) << i;
            EXPECT_STREQ(statuses[i].errorString().asChar(), reason) << i;
        }
    };
    // A world-space part that is no translation: the four pivot parts only.
    const std::vector<VStatus> world = writeEach(fn, VSpace::kWorld);
    expectRefused(std::vector<VStatus>(world.begin(), world.begin() + 4), "the space is not supported here");
    for (const char* plug : {"rotatePivotX", "rotatePivotTranslateY", "scalePivotZ", "scalePivotTranslateX"}) {
        EXPECT_EQ(plugOf(node, plug).asDouble(), 0.0) << plug;
    }
    VFnTransform empty;
    expectRefused(writeEach(empty, VSpace::kTransform), "the function set has no object");
    ASSERT_TRUE(VGlobal::deleteNode(node));
    expectRefused(writeEach(fn, VSpace::kTransform), "the node was deleted");
}

}  // namespace

namespace {

using ValueTypesTest = HostTest;

TEST_F(ValueTypesTest, MatricesInvertAndMeasure) {
    const VMatrix m = scaling(2, 3, 4) * rotationAbout(0, 0.3) * translation(1, -2, 5);
    EXPECT_NEAR(m.det4x4(), 24.0, 1e-12);
    EXPECT_NEAR(m.det3x3(), 24.0, 1e-12);
    EXPECT_TRUE((m * m.inverse()).isEquivalent(VMatrix(), 1e-12));
    EXPECT_EQ(m.transpose()[0][3], m[3][0]);
    EXPECT_EQ(VMatrix(scaling(0, 1, 1)).inverse(), VMatrix());
    double values[4][4];
    m.get(values);
    EXPECT_EQ(VMatrix(values), m);
}

TEST_F(ValueTypesTest, PointsAndVectorsMoveAsRows) {
    const VMatrix m = rotationAbout(2, kHalfPi) * translation(1, 0, 0);
    EXPECT_TRUE((VPoint(1, 0, 0) * m).isEquivalent(VPoint(1, 1, 0), 1e-12));
    EXPECT_TRUE((VVector(1, 0, 0) * m).isEquivalent(VVector(0, 1, 0), 1e-12));
    EXPECT_EQ(VPoint(2, 4, 6, 2).cartesian(), VPoint(1, 2, 3));
    EXPECT_EQ(VPoint(0, 0, 0).distanceTo(VPoint(6, 8, 0, 2)), 5.0);
    EXPECT_EQ((VVector(1, 0, 0) ^ VVector(0, 1, 0)), VVector(0, 0, 1));
    EXPECT_EQ(VVector(3, 4, 0).length(), 5.0);
    EXPECT_EQ(VVector().normal(), VVector());
    EXPECT_EQ(VPoint(1, 1, 1) - VPoint(0, 1, 2), VVector(1, 0, -1));
}

}  // namespace
