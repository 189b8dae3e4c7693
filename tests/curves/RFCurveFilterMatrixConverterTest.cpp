// The matrix converter and the quaternion of a rotation.

#include <gtest/gtest.h>

#include <cmath>

#include "core/EulerAngles.h"
#include "curves/RFCurveFilterMatrixConverter.h"
#include "curves/RotationContinuity.h"
#include "tests/curves/CurveNodeTestSupport.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;
using namespace curve_node_test;

namespace {

// A transform node with "T", "R" and "S" channel nodes holding the given default values.
NodePtr MakeTransform(std::initializer_list<float> t, std::initializer_list<float> r,
                      std::initializer_list<float> s) {
    NodePtr node(RFCurveNode::Create("Defaults", nullptr));
    node->AddChild(MakeVectorNode("T", nullptr, t));
    node->AddChild(MakeVectorNode("R", nullptr, r, RFCurveNode::LayerRotation));
    node->AddChild(MakeVectorNode("S", nullptr, s));
    return node;
}

RFCurve& Channel(RFCurveNode& node, int transform, int axis) {
    return ChannelCurve(*node.GetChild(transform), axis);
}

RMatrix RotationZ(double degrees) {
    RMatrix m;
    EulerXYZToMatrix(m, 0.0, 0.0, degrees);
    return m;
}

void ExpectDefaults(RFCurveNode& node, int transform, double x, double y, double z) {
    EXPECT_NEAR(Channel(node, transform, 0).GetDefaultValue(), x, 1e-4);
    EXPECT_NEAR(Channel(node, transform, 1).GetDefaultValue(), y, 1e-4);
    EXPECT_NEAR(Channel(node, transform, 2).GetDefaultValue(), z, 1e-4);
}

// A converter that changes nothing but the components it is given afterwards.
void Quiet(RFCurveFilterMatrixConverter& converter) {
    converter.SetResampleAfter(false);
    converter.SetReduceConstantKeysAfter(false);
}

}  // namespace

TEST(RFCurveFilterMatrixConverterTest, ComponentsCountAsIdentityWithinTolerance) {
    RFCurveFilterMatrixConverter converter;
    RMatrix nearly;
    nearly[3][0] = 5e-7;
    nearly[0][3] = 9.0;  // the fourth column is not compared
    EXPECT_TRUE(converter.SetMatrix(4, nearly));
    EXPECT_TRUE(converter.IsIdentity(4));
    EXPECT_TRUE(converter.SetMatrix(3, RotationZ(90.0)));
    EXPECT_FALSE(converter.AreAllIdentity());
    EXPECT_FALSE(converter.SetMatrix(13, RotationZ(90.0)));
    EXPECT_FALSE(converter.SetMatrix(-1, RotationZ(90.0)));
    converter.Reset();
    EXPECT_TRUE(converter.AreAllIdentity());
}

TEST(RFCurveFilterMatrixConverterTest, IdentitySetsChangeNoKeyButRunTheFollowUps) {
    NodePtr node = MakeTransform({0, 0, 0}, {0, 0, 0}, {1, 1, 1});
    AddKeys(Channel(*node, 1, 2), {{0.0, 170.0f}, {1.0, -170.0f}});
    AddKeys(Channel(*node, 0, 0), {{0.0, 4.0f}, {0.5, 4.0f}, {1.0, 4.0f}});
    RFCurveFilterMatrixConverter converter;
    converter.SetResamplingPeriod(At(0.5));

    EXPECT_FALSE(converter.Apply(*node, true));
    EXPECT_EQ(converter.GetLastErrorCode(), 1);
    EXPECT_STREQ(converter.GetLastErrorString(), "MatrixConverter, No key were changed by filter.");
    // Unrolled and resampled rotation; the flat translation reduced.
    EXPECT_NEAR(Channel(*node, 1, 2).EvaluateAt(At(1.0)), 190.0, 1e-3);
    EXPECT_EQ(Channel(*node, 0, 0).GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(Channel(*node, 0, 0).GetDefaultValue(), 4.0f);
}

TEST(RFCurveFilterMatrixConverterTest, UnkeyedNodeConvertsItsDefaultValues) {
    NodePtr node = MakeTransform({1, 2, 3}, {0, 0, 30}, {2, 2, 2});
    RFCurveFilterMatrixConverter converter;
    Quiet(converter);
    converter.SetMatrix(3, RotationZ(90.0));

    ASSERT_TRUE(converter.Apply(*node, true));
    ExpectDefaults(*node, 0, 1, 2, 3);
    ExpectDefaults(*node, 1, 0, 0, 120);
    ExpectDefaults(*node, 2, 2, 2, 2);
    EXPECT_EQ(node->GetKeyCount(false), 0);
}

TEST(RFCurveFilterMatrixConverterTest, PivotComponentRewritesTheTranslation) {
    NodePtr node = MakeTransform({0, 0, 0}, {0, 0, 90}, {1, 1, 1});
    RFCurve* oldTranslation = &Channel(*node, 0, 0);
    RFCurveFilterMatrixConverter converter;
    Quiet(converter);
    converter.SetRewriteTranslation(false);
    RMatrix pivot;
    MatrixSetTranslation(pivot, 1.0, 0.0, 0.0);
    converter.SetMatrix(11, pivot);

    ASSERT_TRUE(converter.Apply(*node, true));
    // About the pivot p: T' = T + p - p R, with R a quarter turn about Z.
    EXPECT_NE(&Channel(*node, 0, 0), oldTranslation);
    ExpectDefaults(*node, 0, 1, -1, 0);
    ExpectDefaults(*node, 1, 0, 0, 90);
    EXPECT_FALSE(converter.GetRewriteTranslation());
}

TEST(RFCurveFilterMatrixConverterTest, KeyedRotationIsSampledAtThePeriodUpToTheLastKey) {
    NodePtr node = MakeTransform({0, 0, 0}, {0, 0, 0}, {1, 1, 1});
    AddKeys(Channel(*node, 1, 2), {{0.0, 0.0f}, {0.9, 60.0f}});
    RFCurve source;
    source.CopyFrom(Channel(*node, 1, 2), true);
    RFCurveFilterMatrixConverter converter;
    Quiet(converter);
    converter.SetResamplingPeriod(At(0.25));
    converter.SetMatrix(3, RotationZ(90.0));

    ASSERT_TRUE(converter.Apply(*node, true));
    const RFCurve& z = Channel(*node, 1, 2);
    ASSERT_EQ(z.GetKeyCount(), 5);
    EXPECT_EQ(z.GetKey(4).GetTime(), At(0.9));
    for (int k = 0; k < z.GetKeyCount(); ++k) {
        const RTime time = z.GetKey(k).GetTime();
        EXPECT_NEAR(z.GetKey(k).GetValue(), 90.0 + source.EvaluateAt(time), 1e-3);
    }
    EXPECT_EQ(Channel(*node, 0, 0).GetKeyCount(), 5);  // every channel is written

    // Without end-on-last-key the last sample falls on the next period step.
    NodePtr other = MakeTransform({0, 0, 0}, {0, 0, 0}, {1, 1, 1});
    AddKeys(Channel(*other, 1, 2), {{0.0, 0.0f}, {0.9, 60.0f}});
    converter.SetEndOnLastKey(false);
    ASSERT_TRUE(converter.Apply(*other, true));
    EXPECT_EQ(Channel(*other, 1, 2).GetKey(4).GetTime(), At(1.0));
}

TEST(RFCurveFilterMatrixConverterTest, SourceKeyTimesAndQuietChannels) {
    NodePtr node = MakeTransform({0, 0, 0}, {0, 0, 0}, {1, 1, 1});
    AddKeys(Channel(*node, 1, 2), {{0.0, 0.0f}, {0.3, 20.0f}, {1.0, 60.0f}});
    RFCurveFilterMatrixConverter converter;
    Quiet(converter);
    converter.SetResamplingPeriod(At(0.4));
    converter.SetKeyTimesFromSource(true);
    converter.SetExtraOutput(false);
    converter.SetMatrix(3, RotationZ(90.0));

    ASSERT_TRUE(converter.Apply(*node, true));
    const RFCurve& z = Channel(*node, 1, 2);
    const double expected[] = {0.0, 0.3, 0.4, 0.8, 1.0};
    ASSERT_EQ(z.GetKeyCount(), 5);
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(z.GetKey(k).GetTime(), At(expected[k]));
    }
    EXPECT_NEAR(z.GetKey(1).GetValue(), 110.0, 1e-3);
    // Unkeyed channels that the conversion leaves still keep no keys.
    EXPECT_EQ(Channel(*node, 0, 0).GetKeyCount(), 0);
    EXPECT_EQ(Channel(*node, 2, 1).GetKeyCount(), 0);
    EXPECT_FLOAT_EQ(Channel(*node, 2, 1).GetDefaultValue(), 1.0f);
}

TEST(RFCurveFilterMatrixConverterTest, NonPositivePeriodIsRefusedOnAKeyedNode) {
    for (int64_t ticks : {int64_t{0}, int64_t{-1000}}) {
        NodePtr node = MakeTransform({0, 0, 0}, {0, 0, 0}, {1, 1, 1});
        AddKeys(Channel(*node, 1, 0), {{0.0, 0.0f}, {1.0, 45.0f}});
        RFCurve* before = &Channel(*node, 1, 0);
        RFCurveFilterMatrixConverter converter;
        converter.SetResamplingPeriod(RTime(ticks));
        converter.SetMatrix(3, RotationZ(90.0));

        EXPECT_FALSE(converter.Apply(*node, true));
        EXPECT_EQ(converter.GetLastErrorCode(), 1);
        EXPECT_STREQ(converter.GetLastErrorString(),
                     "MatrixConverter, Invalid resampling period. No key were changed by filter.");
        EXPECT_EQ(&Channel(*node, 1, 0), before);
        EXPECT_EQ(before->GetKeyCount(), 2);
    }
}

TEST(RFCurveFilterMatrixConverterTest, RotationOrderChangeAloneIsConverted) {
    NodePtr node = MakeTransform({0, 0, 0}, {10, 20, 30}, {1, 1, 1});
    RFCurveFilterMatrixConverter converter;
    Quiet(converter);
    EXPECT_FALSE(converter.SetDestinationRotationOrder(13));
    ASSERT_TRUE(converter.SetDestinationRotationOrder(10));  // Euler ZYX

    ASSERT_TRUE(converter.Apply(*node, true));
    const double before[3] = {10.0, 20.0, 30.0};
    double after[3];
    for (int axis = 0; axis < 3; ++axis) {
        after[axis] = Channel(*node, 1, axis).GetDefaultValue();
    }
    RMatrix expected;
    RMatrix actual;
    EulerToMatrixInOrder(expected, before, 0);
    EulerToMatrixInOrder(actual, after, 10);
    EXPECT_EQ(MatrixCompare(expected, actual, 1e-5), 0);
    EXPECT_GT(std::fabs(after[0] - 10.0) + std::fabs(after[2] - 30.0), 1e-3);
}

TEST(RFCurveFilterMatrixConverterTest, RefusesCurvesAndIncompleteNodes) {
    RFCurveFilterMatrixConverter converter;
    converter.SetMatrix(3, RotationZ(90.0));
    RFCurve curve;
    RFCurve* curves[] = {&curve};
    EXPECT_FALSE(converter.Apply(curve));
    EXPECT_EQ(converter.GetLastErrorCode(), 2);
    EXPECT_STREQ(converter.GetLastErrorString(), "MatrixConverter, invalid apply method.");
    EXPECT_FALSE(converter.Apply(curves, 1));
    EXPECT_EQ(converter.GetLastErrorCode(), 2);

    NodePtr node(RFCurveNode::Create("Defaults", nullptr));
    node->AddChild(MakeVectorNode("T", nullptr, {0, 0, 0}));
    node->AddChild(MakeVectorNode("R", nullptr, {0, 0, 5}));
    EXPECT_FALSE(converter.Apply(*node, true));
    EXPECT_EQ(converter.GetLastErrorCode(), 3);
    EXPECT_STREQ(converter.GetLastErrorString(), "MatrixConverter, Missing curve.");
    EXPECT_FLOAT_EQ(ChannelCurve(*node->GetChild(1), 2).GetDefaultValue(), 5.0f);
}

TEST(QuaternionFromRotationTest, RebuildsRotationsUpToAndAtHalfTurns) {
    const double axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {-1, 2, 3}, {0.3, -0.2, 0.9}};
    for (const auto& axis : axes) {
        for (double degrees : {0.0, 37.0, 179.9999999, 180.0, 180.0000001, 250.0}) {
            const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
            const double half = degrees * kDegreesToRadians / 2.0;
            const double s = std::sin(half) / length;
            RMatrix rotation;
            QuaternionToMatrix(rotation, RQuaternion(axis[0] * s, axis[1] * s, axis[2] * s, std::cos(half)));

            RQuaternion q;
            QuaternionFromRotation(q, rotation);
            EXPECT_NEAR(QuaternionLength(q), 1.0, 1e-12);
            EXPECT_GE(q.w, 0.0);
            RMatrix rebuilt;
            QuaternionToMatrix(rebuilt, q);
            EXPECT_EQ(MatrixCompare(rotation, rebuilt, 1e-12), 0) << degrees;
        }
    }
}
