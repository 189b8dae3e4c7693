// Animation settings, layer combination and the plotting of layered curve nodes.

#include <gtest/gtest.h>

#include <vector>

#include "core/EulerAngles.h"
#include "core/RQuaternion.h"
#include "curves/LayerPlotting.h"
#include "curves/RAnimationSettings.h"
#include "tests/curves/CurveNodeTestSupport.h"
#include "tests/curves/CurveTestSupport.h"

using namespace curve_test;
using namespace curve_node_test;

namespace {

const RTime kFrame(RTime::kTicksPerSecond / 30);

// Flat keys at 0 and 1 s holding the values, one per channel.
void KeyChannels(RFCurveNode& node, std::initializer_list<float> values, double from = 0.0, double to = 1.0) {
    int i = 0;
    for (float value : values) {
        AddKeys(ChannelCurve(node, i++), {{from, value}, {to, value}});
    }
}

// A three-channel node of the layer type with a layer 1 above it.
NodePtr MakeLayered(int layerType, std::initializer_list<float> base, std::initializer_list<float> layer) {
    NodePtr node(MakeVectorNode("Lcl Translation", nullptr, {0, 0, 0}, layerType));
    KeyChannels(*node, base);
    RFCurveNode* above = node->CreateLayer(1, true);
    KeyChannels(*above, layer);
    return node;
}

// Every key of every channel holds the expected value.
void ExpectEveryKey(const RFCurveNode& node, const std::vector<double>& expected, int keyCount) {
    for (int c = 0; c < node.GetChildCount(); ++c) {
        const RFCurve& curve = ChannelCurve(node, c);
        ASSERT_EQ(curve.GetKeyCount(), keyCount) << "channel " << c;
        for (int k = 0; k < keyCount; ++k) {
            EXPECT_NEAR(curve.GetKey(k).GetValue(), expected[static_cast<std::size_t>(c)], 1e-4);
        }
    }
}

}  // namespace

TEST(AnimationSettingsTest, SettingsAsLoadedUnrollRotations) {
    EXPECT_EQ(GetPlotPeriod().GetTicks(), 1539538600);
    EXPECT_EQ(GetRotationFilterMode(), 2);
    EXPECT_EQ(GetUnrollPrecision(), 0.25);
    EXPECT_FALSE(GetUnrollPath());
    EXPECT_TRUE(IsConstantKeyReductionOn());
    NodePtr node(MakeVectorNode("R", Type("Lcl Rotation"), {0, 0, 0}, RFCurveNode::LayerRotation));
    KeyChannels(*node, {0, 0, 170});
    AddKeys(ChannelCurve(*node, 2), {{1.0, -170.0f}});
    ApplyRotationFilterByMode(*node, RTime(RTime::kInfinitelyEarly), RTime(RTime::kInfinitelyLate));
    EXPECT_NEAR(ChannelCurve(*node, 2).GetKey(1).GetValue(), 190.0f, 1e-3);
}

TEST(LayerPlottingTest, CombinesByLayerType) {
    NodePtr node(MakeVectorNode("Q", nullptr, {0, 0, 0, 1}, RFCurveNode::LayerQuaternion));
    const double a[4] = {0.1, 0.2, 0.3, 0.9};
    const double b[4] = {-0.4, 0.5, 0.2, 0.7};
    double out[4];
    CombineLayerValues(*node, out, a, b);
    EXPECT_DOUBLE_EQ(out[0], a[0] * b[3] + a[3] * b[0] + a[1] * b[2] - a[2] * b[1]);
    EXPECT_DOUBLE_EQ(out[1], a[1] * b[3] - a[0] * b[2] + a[3] * b[1] + a[2] * b[0]);
    EXPECT_DOUBLE_EQ(out[2], a[2] * b[3] + a[0] * b[1] - a[1] * b[0] + a[3] * b[2]);
    EXPECT_DOUBLE_EQ(out[3], a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]);

    NodePtr rotation(MakeVectorNode("R", nullptr, {0, 0, 0}, RFCurveNode::LayerRotation));
    double angles[3] = {0.0, 0.0, 30.0};
    const double turn[3] = {0.0, 0.0, 60.0};
    CombineLayerValues(*rotation, angles, angles, turn);
    EXPECT_NEAR(angles[0], 0.0, 1e-9);
    EXPECT_NEAR(angles[1], 0.0, 1e-9);
    EXPECT_NEAR(angles[2], 90.0, 1e-9);

    // A zero quaternion turns nothing, as in the layered evaluation.
    const double zero[4] = {0, 0, 0, 0};
    CombineLayerValues(*node, out, a, zero);
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(out[i], a[i]) << i;
}

// A quaternion layer whose curves all hold 0 (a "W" missing from a file) leaves the rotation
// as the evaluation gives it, before and after plotting.
TEST(LayerPlottingTest, AZeroQuaternionLayerKeepsTheRotation) {
    const double half = 0.5 * std::sqrt(2.0);
    NodePtr node(MakeVectorNode("Q", nullptr, {0, 0, static_cast<float>(half), static_cast<float>(half)},
                                RFCurveNode::LayerQuaternion));
    const double zero[4] = {0, 0, 0, 0};
    node->CreateLayer(1, true)->SetDefaultValues(zero);
    double before[3];
    node->Evaluate(before, At(0.0), nullptr, false);
    EXPECT_NEAR(before[2], 90.0, 1e-4);
    ASSERT_TRUE(PlotNodeAnimation(*node));
    double after[3];
    node->Evaluate(after, At(0.0), nullptr, false);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(after[i], before[i], 1e-4) << i;
    double defaults[4];
    node->GetDefaultValues(defaults);
    EXPECT_NEAR(defaults[2], half, 1e-6);
    EXPECT_NEAR(defaults[3], half, 1e-6);
}

// Constant layers plot to keys of their combined value on every frame of the span, and the
// merged layer leaves the chain (its values are not combined a second time).
TEST(LayerPlottingTest, LayersPlotToTheirCombinedValueOnEveryFrame) {
    const double half = 0.5 * std::sqrt(2.0);
    const float h = static_cast<float>(half);
    struct Case {
        int layerType;
        std::initializer_list<float> base;
        std::initializer_list<float> layer;
        std::vector<double> plotted;
    };
    const Case cases[] = {
        {RFCurveNode::LayerAdditive, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}},
        {RFCurveNode::LayerMultiplicative, {2, 2, 2}, {3, 3, 3}, {6, 6, 6}},
        {RFCurveNode::LayerRotation, {0, 0, 30}, {0, 0, 60}, {0, 0, 90}},
        {RFCurveNode::LayerQuaternion, {0, 0, 0, 1}, {0, 0, h, h}, {0, 0, half, half}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "layer type " << test.layerType);
        NodePtr node(MakeVectorNode("Lcl Translation", nullptr, test.base, test.layerType));
        KeyChannels(*node, test.base);
        KeyChannels(*node->CreateLayer(1, true), test.layer);
        ASSERT_TRUE(PlotNodeAnimation(*node));
        ExpectEveryKey(*node, test.plotted, 31);
        EXPECT_EQ(ChannelCurve(*node, 0).GetKey(30).GetTime(), At(1.0));
        EXPECT_EQ(node->GetNextLayer(), nullptr);
        std::vector<double> raw(test.plotted.size());
        node->EvaluateRaw(raw.data(), At(0.5));
        for (std::size_t i = 0; i < raw.size(); ++i) EXPECT_NEAR(raw[i], test.plotted[i], 1e-5);
    }
}

TEST(LayerPlottingTest, NodeWithoutKeysKeepsItsCombinedDefaults) {
    NodePtr node(MakeVectorNode("Lcl Translation", nullptr, {5, 6, 7}, RFCurveNode::LayerAdditive));
    node->CreateLayer(1, true);  // identity defaults
    ASSERT_TRUE(PlotNodeAnimation(*node));
    EXPECT_FLOAT_EQ(ChannelCurve(*node, 0).GetDefaultValue(), 5.0f);
    EXPECT_FLOAT_EQ(ChannelCurve(*node, 2).GetDefaultValue(), 7.0f);
    EXPECT_EQ(node->GetKeyCount(true), 0);

    NodePtr offset(MakeVectorNode("Lcl Translation", nullptr, {1, 1, 1}, RFCurveNode::LayerAdditive));
    offset->CreateLayer(1, true)->SetDefaultValues(std::vector<double>{2, 2, 2}.data());
    ASSERT_TRUE(PlotNodeAnimation(*offset));
    EXPECT_FLOAT_EQ(ChannelCurve(*offset, 1).GetDefaultValue(), 3.0f);
    EXPECT_EQ(offset->GetNextLayer(), nullptr);
}

TEST(LayerPlottingTest, OneFrameSpanGivesKeysAtStartAndStop) {
    NodePtr node = MakeLayered(RFCurveNode::LayerAdditive, {1, 1, 1}, {2, 2, 2});
    ASSERT_TRUE(PlotNodeAnimation(*node, At(0.2), At(0.2) + kFrame, kFrame));
    const RFCurve& x = ChannelCurve(*node, 0);
    ASSERT_EQ(x.GetKeyCount(), 2);
    EXPECT_EQ(x.GetKey(0).GetTime(), At(0.2));
    EXPECT_EQ(x.GetKey(1).GetTime(), At(0.2) + kFrame);
    EXPECT_FALSE(PlotNodeAnimation(*node, At(1.0), At(0.0), kFrame));
    EXPECT_FALSE(PlotNodeAnimation(*node, At(0.0), At(1.0), RTime(0)));
}

TEST(LayerPlottingTest, MergeIntoSpanNeutralisesTheMergedLayersThereOnly) {
    NodePtr node(MakeVectorNode("Lcl Translation", nullptr, {0, 0, 0}, RFCurveNode::LayerAdditive));
    KeyChannels(*node, {1, 1, 1}, 0.0, 2.0);
    KeyChannels(*node->CreateLayer(1, true), {2, 2, 2}, 0.0, 2.0);
    RLayerPlotOptions options;
    options.mergeIntoSpan = true;
    ASSERT_TRUE(PlotNodeAnimation(*node, At(0.5), At(1.5), kFrame, options));

    ASSERT_NE(node->GetNextLayer(), nullptr);
    for (double seconds : {0.0, 0.5, 1.0, 1.5, 2.0}) {
        double values[3];
        node->Evaluate(values, At(seconds), nullptr, false);
        EXPECT_NEAR(values[0], 3.0, 1e-4) << seconds;
    }
    EXPECT_NEAR(ChannelCurve(*node, 0).EvaluateAt(At(1.0)), 3.0, 1e-4);
    EXPECT_NEAR(ChannelCurve(*node->GetNextLayer(), 0).EvaluateAt(At(1.0)), 0.0, 1e-4);
}

TEST(LayerPlottingTest, PlotsIntoAnotherLayer) {
    NodePtr node = MakeLayered(RFCurveNode::LayerAdditive, {1, 1, 1}, {2, 2, 2});
    RLayerPlotOptions options;
    options.layerIDs = {1};
    options.targetLayerID = 4;
    ASSERT_TRUE(PlotNodeAnimation(*node, At(0.0), At(1.0), At(0.5), options));
    RFCurveNode* target = node->FindLayer(4);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(node->FindLayer(1), nullptr);
    EXPECT_EQ(ChannelCurve(*target, 0).GetKeyCount(), 3);
    EXPECT_FLOAT_EQ(ChannelCurve(*target, 0).GetKey(1).GetValue(), 2.0f);
    double values[3];
    node->Evaluate(values, At(0.5), nullptr, false);
    EXPECT_NEAR(values[0], 3.0, 1e-4);
}

TEST(LayerPlottingTest, SpanCoversLayersAndTheLocalTimesOfTheWarp) {
    NodePtr node = MakeLayered(RFCurveNode::LayerAdditive, {1, 1, 1}, {2, 2, 2});
    AddKeys(ChannelCurve(*node->GetNextLayer(), 0), {{1.5, 2.0f}});
    RTime start;
    RTime stop;
    ASSERT_TRUE(GetLayeredAnimationSpan(*node, start, stop));
    EXPECT_EQ(start, At(0.0));
    EXPECT_EQ(stop, At(1.5));

    // Outer 0..1 s runs through local -0.5..2.5 s.
    RFCurveNode* warp = MakeLeaf("TimeWarp", 0.0f);
    AddKeys(*warp->GetCurve(), {{0.0, -0.5f}, {1.0, 2.5f}}, RCurveKey::Linear);
    node->SetTimeWarp(warp);
    ASSERT_TRUE(GetLayeredAnimationSpan(*node, start, stop));
    EXPECT_EQ(start, At(-0.5));
    EXPECT_EQ(stop, At(2.5));
}
