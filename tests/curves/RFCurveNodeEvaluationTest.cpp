#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/EulerAngles.h"
#include "core/RQuaternion.h"
#include "tests/curves/CurveNodeTestSupport.h"
#include "curves/RotationContinuity.h"

using namespace curve_node_test;
using curve_test::At;

namespace {

std::vector<double> Evaluate(RFCurveNode& node, RTime time, bool useCache = false) {
    std::vector<double> values(node.GetValueCount() + 1, -1234.0);
    const double* end = node.Evaluate(values.data(), time, nullptr, useCache);
    values.resize(static_cast<std::size_t>(end - values.data()));
    return values;
}

void SetLayerDefaults(RFCurveNode& layer, std::initializer_list<float> values) {
    int i = 0;
    for (float value : values) {
        ChannelCurve(layer, i++).SetDefaultValue(value);
    }
}

// The rotation of an Euler XYZ triple applied to a direction.
RVector4 Turn(const std::vector<double>& angles, const RVector4& direction) {
    RMatrix rotation;
    EulerXYZToMatrix(rotation, angles[0], angles[1], angles[2]);
    RVector4 out;
    MatrixTransformVector(out, rotation, direction);
    return out;
}

void ExpectNear(const RVector4& actual, const RVector4& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

}  // namespace

// Layers add (types 0 and 1) or multiply (3) over the base values, a layer of layers too;
// an own curve's value combines the same way. Unkeyed layers hold the identity.
TEST(RFCurveNodeEvaluation, AdditiveAndMultiplicativeLayers) {
    for (const int type : {RFCurveNode::LayerAdditive, RFCurveNode::LayerMultiplicative}) {
        const bool add = type == RFCurveNode::LayerAdditive;
        NodePtr node(MakeVectorNode("V", nullptr, {2, 3, 4}, type));
        RFCurveNode* layer = node->CreateLayer(1, true);
        EXPECT_EQ(Evaluate(*node, At(0)), (std::vector<double>{2, 3, 4}));
        SetLayerDefaults(*layer, {2, 5, 10});
        EXPECT_EQ(Evaluate(*node, At(0)), add ? (std::vector<double>{4, 8, 14}) : (std::vector<double>{4, 15, 40}));
        node->AddLayer(2);
        SetLayerDefaults(*node->FindLayer(2), {100, 1, 1});
        EXPECT_EQ(Evaluate(*node, At(0))[0], add ? 104.0 : 400.0);
        std::vector<double> raw(3);
        node->EvaluateRaw(raw.data(), At(0));
        EXPECT_EQ(raw, (std::vector<double>{2, 3, 4}));

        NodePtr leaf(MakeLeaf("Intensity", 5));
        leaf->SetLayerType(type);
        RFCurveNode* leafLayer = leaf->CreateLayer(1, true);
        EXPECT_EQ(leafLayer->GetCurve()->GetDefaultValue(), add ? 0.0f : 1.0f);
        leafLayer->GetCurve()->SetDefaultValue(3);
        EXPECT_EQ(Evaluate(*leaf, At(0)), (std::vector<double>{add ? 8.0 : 15.0}));
    }
}

// A rotation layer composes rotations in the node's order, the layer's acting first: a
// (0, 0, 90) layer over (90, 0, 0) is not (90, 0, 90).
TEST(RFCurveNodeEvaluation, RotationLayerComposesRotations) {
    for (int order : {0, 1, 2, 8, RFCurveNode::kSphericXYZ}) {
        NodePtr node(MakeVectorNode("R", nullptr, {90, 0, 0}, RFCurveNode::LayerRotation));
        node->SetRotationOrder(order);
        RFCurveNode* layer = node->CreateLayer(1, true);
        EXPECT_EQ(layer->GetRotationOrder(), order);
        const std::vector<double> unchanged = Evaluate(*node, At(0));
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(unchanged[i], i == 0 ? 90.0 : 0.0, 1e-9) << "order " << order;
        SetLayerDefaults(*layer, {0, 0, 90});
        const std::vector<double> angles = Evaluate(*node, At(0));
        ASSERT_EQ(angles.size(), 3u);
        const double base[3] = {90, 0, 0};
        const double top[3] = {0, 0, 90};
        RMatrix baseRotation;
        RMatrix layerRotation;
        RMatrix expected;
        RMatrix actual;
        EulerToMatrixInOrder(baseRotation, base, order);
        EulerToMatrixInOrder(layerRotation, top, order);
        MatrixMultiplyRotation(expected, baseRotation, layerRotation);
        EulerToMatrixInOrder(actual, angles.data(), order);
        EXPECT_EQ(MatrixCompare(actual, expected, 1e-9), 0) << "order " << order;
        if (order == 0) {
            // X goes to Y and then to Z, Y goes to -X.
            ExpectNear(Turn(angles, RVector4(1, 0, 0, 0)), RVector4(0, 0, 1, 0));
            ExpectNear(Turn(angles, RVector4(0, 1, 0, 0)), RVector4(-1, 0, 0, 0));
        }
    }
}

TEST(RFCurveNodeEvaluation, QuaternionNodes) {
    NodePtr node(MakeVectorNode("Q", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
    node->SetLayerType(RFCurveNode::LayerQuaternion);
    ChannelCurve(*node, 3).SetDefaultValue(1);
    EXPECT_EQ(node->GetValueCount(), 3);
    EXPECT_EQ(Evaluate(*node, At(0)), (std::vector<double>{0, 0, 0}));

    // A zero quaternion is the identity, not a collapsed matrix.
    ChannelCurve(*node, 3).SetDefaultValue(0);
    EXPECT_EQ(Evaluate(*node, At(0)), (std::vector<double>{0, 0, 0}));

    // 90 degrees about Y (M02 = -1): the middle angle is exactly 90, the last 0.
    const double half = std::sqrt(0.5);
    SetLayerDefaults(*node, {0, static_cast<float>(half), 0, static_cast<float>(half)});
    std::vector<double> angles = Evaluate(*node, At(0));
    EXPECT_EQ(angles[1], 90.0);
    EXPECT_EQ(angles[2], 0.0);

    // A layer keeping its defaults (0, 0, 0, 1) leaves the base; a layer of 90 about Z
    // composes as a quaternion product.
    RFCurveNode* layer = node->CreateLayer(1, true);
    EXPECT_EQ(Evaluate(*node, At(0)), angles);
    SetLayerDefaults(*layer, {0, 0, static_cast<float>(half), static_cast<float>(half)});
    angles = Evaluate(*node, At(0));
    RQuaternion base(0, half, 0, half);
    RQuaternion top(0, 0, half, half);
    RQuaternion product;
    QuaternionMultiply(product, base, top);
    RMatrix expected;
    QuaternionToMatrix(expected, product);
    RVector4 x;
    MatrixTransformVector(x, expected, RVector4(1, 0, 0, 0));
    ExpectNear(Turn(angles, RVector4(1, 0, 0, 0)), x, 1e-6);
}

TEST(RFCurveNodeEvaluation, CacheReturnsWhatItStored) {
    NodePtr node(MakeVectorNode("T", nullptr, {1, 2, 3}));
    curve_test::AddKeys(ChannelCurve(*node, 0), {{0.0, 0.0f}, {1.0, 10.0f}}, RCurveKey::Linear);
    std::vector<double> first = Evaluate(*node, At(0.5), true);
    EXPECT_TRUE(node->IsCacheFilled());
    // Another time is evaluated and cached in its turn.
    EXPECT_EQ(Evaluate(*node, At(0.75), true)[0], 7.5);
    EXPECT_EQ(Evaluate(*node, At(0.5), true), first);
    ChannelCurve(*node, 0).GetKey(1).SetValue(20.0f);  // not seen through the cache
    EXPECT_EQ(Evaluate(*node, At(0.5), true), first);
    node->InvalidateCache(0, true);
    EXPECT_FALSE(node->IsCacheFilled());
    EXPECT_EQ(Evaluate(*node, At(0.5), true)[0], 10.0);
    // With the any-time flag the cached values serve every time.
    node->SetFlag(RFCurveNode::FlagCacheAnyTime, true);
    EXPECT_EQ(Evaluate(*node, At(0.25), true)[0], 10.0);
    EXPECT_EQ(Evaluate(*node, At(0.25), false)[0], 5.0);

    // A node with a curve of its own and children that write nothing caches what it wrote.
    NodePtr mixed(MakeLeaf("own", 7));
    mixed->AddChild(RFCurveNode::Create("empty", nullptr));
    mixed->AddChild(MakeLeaf("leaf", 8));
    EXPECT_EQ(Evaluate(*mixed, At(0), true), (std::vector<double>{7, 8}));
    EXPECT_EQ(Evaluate(*mixed, At(0), true), (std::vector<double>{7, 8}));

    // Longer outputs are not cached.
    NodePtr wide(MakeVectorNode("wide", nullptr, {1, 2, 3, 4}));
    wide->AddChild(MakeLeaf("V", 5));
    EXPECT_EQ(Evaluate(*wide, At(0), true).size(), 5u);
    EXPECT_FALSE(wide->IsCacheFilled());
}

TEST(RFCurveNodeEvaluation, LayersWithMoreThanFourValuesDoNotOverrun) {
    NodePtr node(MakeVectorNode("wide", nullptr, {1, 2, 3, 4}, RFCurveNode::LayerAdditive));
    node->AddChild(MakeLeaf("V", 5));
    node->AddChild(MakeLeaf("U", 6));
    RFCurveNode* layer = node->CreateLayer(1, true);
    layer->AddChild(MakeLeaf("extra", 100));  // a layer from a file may carry more
    SetLayerDefaults(*layer, {1, 1, 1, 1});
    EXPECT_EQ(Evaluate(*node, At(0), true), (std::vector<double>{2, 3, 4, 5, 5, 6}));

    NodePtr quaternion(MakeVectorNode("Q", nullptr, {0, 0, 0, 1}));
    quaternion->SetLayerType(RFCurveNode::LayerQuaternion);
    RFCurveNode* extra = quaternion->GetChild(0);
    extra->AddChild(MakeLeaf("a", 1));
    extra->AddChild(MakeLeaf("b", 2));
    EXPECT_EQ(Evaluate(*quaternion, At(0)).size(), 3u);
}

TEST(RFCurveNodeEvaluation, TimeWarpMapsEveryTimeToTwoSeconds) {
    NodePtr node(MakeVectorNode("T", nullptr, {0, 0, 0}));
    curve_test::AddKeys(ChannelCurve(*node, 0), {{0.0, 0.0f}, {4.0, 40.0f}}, RCurveKey::Linear);
    node->SetTimeWarp(MakeLeaf("warp", 2.0f));
    EXPECT_EQ(Evaluate(*node, At(0))[0], 20.0);
    EXPECT_EQ(Evaluate(*node, At(3.5), true)[0], 20.0);
    EXPECT_EQ(Evaluate(*node, At(-7), true)[0], 20.0);  // the cache holds the warped time

    // A time warp without values leaves the time alone.
    node->SetTimeWarp(RFCurveNode::Create("empty warp", nullptr));
    EXPECT_EQ(Evaluate(*node, At(1))[0], 10.0);
}

class RotationInterpolation : public ::testing::Test {
protected:
    void SetUp() override {
        node_.reset(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
        curve_test::AddKeys(ChannelCurve(*node_, 0), {{0.0, 0.0f}, {1.0, 90.0f}, {2.0, 90.0f}});
        curve_test::AddKeys(ChannelCurve(*node_, 1), {{0.0, 0.0f}, {1.0, 45.0f}, {2.0, 0.0f}});
        curve_test::AddKeys(ChannelCurve(*node_, 2), {{0.0, 10.0f}, {1.0, 80.0f}, {2.0, 0.0f}});
    }
    std::vector<double> Channels(RTime time) {
        std::vector<double> values(3);
        node_->EvaluateRaw(values.data(), time);
        return values;
    }
    NodePtr node_;
};

TEST_F(RotationInterpolation, ChannelValuesWithoutTheFlagOrAtKeys) {
    EXPECT_EQ(Evaluate(*node_, At(0.4)), Channels(At(0.4)));
    node_->SetQuaternionInterpolation(true);
    EXPECT_EQ(Evaluate(*node_, At(1.0)), Channels(At(1.0)));
    EXPECT_EQ(Evaluate(*node_, At(3.0)), Channels(At(3.0)));  // after the last key
}

TEST_F(RotationInterpolation, SegmentsJoinTheKeyRotations) {
    node_->SetQuaternionInterpolation(true);
    const std::vector<double> inside = Evaluate(*node_, At(0.4));
    EXPECT_NE(inside, Channels(At(0.4)));
    // Close to the channels' own values (the nearest equivalent triple).
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(inside[i], Channels(At(0.4))[i], 30.0);
    }
    // The child curves' caches hold the interpolated values.
    EXPECT_FLOAT_EQ(ChannelCurve(*node_, 1).EvaluateAtCached(At(0.4)), static_cast<float>(inside[1]));

    const RVector4 axes[2] = {RVector4(1, 0, 0, 0), RVector4(0, 1, 0, 0)};
    for (double key : {1.0, 2.0}) {
        const std::vector<double> near = Evaluate(*node_, At(key - 1e-7));
        for (const RVector4& axis : axes) {
            ExpectNear(Turn(near, axis), Turn(Channels(At(key)), axis), 1e-5);
        }
    }
    const std::vector<double> start = Evaluate(*node_, At(1e-7));
    ExpectNear(Turn(start, axes[0]), Turn(Channels(At(0)), axes[0]), 1e-5);

    // Linear keys take the same path, blended linearly.
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            ChannelCurve(*node_, i).GetKey(k).SetInterpolation(RCurveKey::Linear);
        }
    }
    node_->InvalidateCache(0, true);
    const std::vector<double> linear = Evaluate(*node_, At(1.0 - 1e-7));
    ExpectNear(Turn(linear, axes[0]), Turn(Channels(At(1.0)), axes[0]), 1e-5);
}

TEST_F(RotationInterpolation, TcbKeys) {
    for (int i = 0; i < 3; ++i) {
        RFCurve& curve = ChannelCurve(*node_, i);
        for (int k = 0; k < 3; ++k) {
            RCurveKey key = curve.GetKeyCopy(k);
            key.SetTensionContinuityBias(key.GetTime(), key.GetValue(), 0.0f, 0.0f, 0.0f);
            curve.ReplaceKey(k, key);
        }
    }
    node_->SetQuaternionInterpolation(true);
    const std::vector<double> near = Evaluate(*node_, At(1.0 - 1e-7));
    ExpectNear(Turn(near, RVector4(0, 0, 1, 0)), Turn(Channels(At(1.0)), RVector4(0, 0, 1, 0)), 1e-5);
    const std::vector<double> inside = Evaluate(*node_, At(1.5));
    for (double value : inside) {
        EXPECT_TRUE(std::isfinite(value));
    }
}
