// The pivot-set animation conversion: every node keeps its motion (its global matrices at the
// sample times) when it is seen through the other pivot set afterwards; refusals leave the
// scene untouched.

#include "attributes/RWyxMesh.h"
#include "core/EulerAngles.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RotationContinuity.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double kRate = 30.0;
constexpr double kTolerance = 2e-3;

RTime Seconds(double seconds) {
    return RTime(std::llround(seconds * static_cast<double>(RTime::kTicksPerSecond)));
}

RMatrix Rot(const RVector4& degrees) {
    RMatrix matrix;
    EulerVectorXYZToMatrix(matrix, degrees);
    return matrix;
}

RMatrix Move(const RVector4& t) {
    RMatrix matrix;
    MatrixSetTranslation(matrix, t.x, t.y, t.z);
    return matrix;
}

RMatrix Inverse(const RMatrix& m) {
    RMatrix inverse;
    MatrixInverseOrthogonal(inverse, m);
    return inverse;
}

// A point goes through the matrices from the first to the last.
RMatrix Chain(std::initializer_list<RMatrix> matrices) {
    RMatrix result;
    for (const RMatrix& m : matrices) MatrixMultiplyAffine(result, m, result);
    return result;
}

RVector4 Pick(const RVector4* value, bool inUse) {
    return inUse && value != nullptr ? RVector4(value->x, value->y, value->z, 0) : RVector4();
}

bool InUse(const RWyxNode& node, int set) {
    int state = 1;
    return node.GetPivotState(set, state) == 0;
}

// The channel's value in the current take at the time.
RVector4 Channel(RWyxNode& node, int channel, RTime time) {
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    RFCurve* curves[3][3] = {{take->GetTranslationXCurve(), take->GetTranslationYCurve(), take->GetTranslationZCurve()},
                             {take->GetRotationXCurve(), take->GetRotationYCurve(), take->GetRotationZCurve()},
                             {take->GetScalingXCurve(), take->GetScalingYCurve(), take->GetScalingZCurve()}};
    RVector4 value;
    for (int axis = 0; axis < 3; ++axis) *value.Component(axis) = curves[channel][axis]->EvaluateAt(time);
    return value;
}

RMatrix Scale(const RVector4& s) {
    RMatrix matrix;
    ScaleMatrixRows(matrix, RMatrix(), s);
    return matrix;
}

// The node's global matrix at the time through a pivot set, composed as the node transforms
// compose it: scaling, post-rotation, rotation, pre-rotation, then the translation with the
// pivot, the offset and the parent's compensation; then the parent's.
RMatrix SimpleGlobal(RWyxNode& node, int set, RTime time) {
    const bool inUse = InUse(node, set);
    RVector4 t = Channel(node, 0, time) + Pick(node.GetRotationPivot(set), inUse) + Pick(node.GetRotationOffset(set), inUse);
    RWyxNode* parent = node.GetParent();
    if (parent != nullptr && InUse(*parent, set)) {
        const RVector4 pivot = Pick(parent->GetRotationPivot(set), true);
        const RMatrix post = Rot(Pick(parent->GetPostRotation(set), true));
        for (int j = 0; j < 3; ++j) *t.Component(j) -= pivot.x * post[j][0] + pivot.y * post[j][1] + pivot.z * post[j][2];
    }
    const RMatrix local = Chain({Scale(Channel(node, 2, time)), Rot(Pick(node.GetPostRotation(set), inUse)),
                                 Rot(Channel(node, 1, time)), Rot(Pick(node.GetPreRotation(set), inUse)), Move(t)});
    return parent != nullptr ? Chain({local, SimpleGlobal(*parent, set, time)}) : local;
}

// The full transform of a parentless node: scaling about the scaling pivot, the scaling
// offset, rotation about the rotation pivot framed by the pre-rotation and the inverse
// post-rotation, the rotation offset, the translation.
RMatrix FullLocal(RWyxNode& node, int set, RTime time) {
    const bool inUse = InUse(node, set);
    const RVector4 scalingPivot = Pick(node.GetScalingPivot(set), inUse);
    const RVector4 rotationPivot = Pick(node.GetRotationPivot(set), inUse);
    return Chain({Inverse(Move(scalingPivot)), Scale(Channel(node, 2, time)), Move(scalingPivot),
                  Move(Pick(node.GetScalingOffset(set), inUse)), Inverse(Move(rotationPivot)),
                  Inverse(Rot(Pick(node.GetPostRotation(set), inUse))), Rot(Channel(node, 1, time)),
                  Rot(Pick(node.GetPreRotation(set), inUse)), Move(rotationPivot),
                  Move(Pick(node.GetRotationOffset(set), inUse)), Move(Channel(node, 0, time))});
}

void ExpectNear(const RMatrix& a, const RMatrix& b, const char* what) {
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) EXPECT_NEAR(a[row][column], b[row][column], kTolerance) << what << " [" << row << "][" << column << "]";
    }
}

void Key(RFCurve* curve, double seconds, float value) {
    curve->AddKey(Seconds(seconds), RCurveKey::Plain(Seconds(seconds), value, RCurveKey::Cubic));
}

class PivotConversionTest : public ::testing::Test {
protected:
    RWyxNode* Node(const char* name, RWyxNode* parent) {
        RWyxNode* node = factory.CreateNode(name);
        if (parent != nullptr) parent->AddChild(node);
        node->AddTakeNode("Walk");
        node->SetCurrentTakeNodeByName("Walk");
        return node;
    }
    // Keys at 0 and 1 second on the three curves of a channel (0 T, 1 R, 2 S) of "Walk".
    static void Animate(RWyxNode* node, int channel, const RVector4& from, const RVector4& to) {
        RWyxTakeNode* take = node->GetTakeNode(1);
        RFCurve* curves[3][3] = {{take->GetTranslationXCurve(), take->GetTranslationYCurve(), take->GetTranslationZCurve()},
                                 {take->GetRotationXCurve(), take->GetRotationYCurve(), take->GetRotationZCurve()},
                                 {take->GetScalingXCurve(), take->GetScalingYCurve(), take->GetScalingZCurve()}};
        for (int axis = 0; axis < 3; ++axis) {
            Key(curves[channel][axis], 0.0, static_cast<float>(*from.Component(axis)));
            Key(curves[channel][axis], 1.0, static_cast<float>(*to.Component(axis)));
        }
    }
    static std::vector<RTime> SampleTimes() {
        std::vector<RTime> times;
        for (int k = 0; k <= 30; ++k) times.push_back(Seconds(k / kRate));
        return times;
    }

    RWyxObjectFactory factory;
};

TEST_F(PivotConversionTest, TheSimpleFormKeepsEveryNodesGlobalMotion) {
    RWyxNode* parent = Node("Parent", nullptr);
    parent->SetPivotState(1, 0);
    parent->SetRotationPivot(1, 1, 2, 3, 1);
    parent->SetRotationOffset(1, 0.5, 0, 0, 1);
    parent->SetPreRotation(1, 0, 0, 30, 1);
    parent->SetPostRotation(1, 10, 0, 0, 1);
    Animate(parent, 0, RVector4(0, 0, 0, 0), RVector4(10, 5, 0, 0));
    Animate(parent, 1, RVector4(0, 0, 0, 0), RVector4(0, 90, 0, 0));
    RWyxNode* child = Node("Child", parent);
    child->SetPivotState(1, 0);
    child->SetRotationPivot(1, 0, 1, 0, 1);
    child->SetPreRotation(1, 0, 20, 0, 1);
    child->SetPostRotation(1, 0, 0, -15, 1);
    child->SetDefaultTranslation(RVector4(0, 4, 0, 0));
    Animate(child, 1, RVector4(10, 0, 0, 0), RVector4(40, 30, 0, 0));
    RWyxNode* plain = Node("Plain", child);  // needs no conversion of its own but the compensation
    plain->SetDefaultTranslation(RVector4(1, 0, 0, 0));
    RWyxNode* below = Node("Below", plain);  // below a node without pivots
    below->SetPivotState(1, 0);
    below->SetRotationPivot(1, 0, 0, 2, 1);
    const std::vector<RWyxNode*> nodes{parent, child, plain, below};

    std::vector<std::vector<RMatrix>> before;
    for (RWyxNode* node : nodes) {
        before.emplace_back();
        for (RTime time : SampleTimes()) before.back().push_back(SimpleGlobal(*node, 1, time));
    }
    ASSERT_TRUE(parent->ConvertPivotAnimationSimple(0, kRate, false));
    for (size_t n = 0; n < nodes.size(); ++n) {
        for (size_t k = 0; k < SampleTimes().size(); ++k) {
            ExpectNear(SimpleGlobal(*nodes[n], 0, SampleTimes()[k]), before[n][k], nodes[n]->GetName().Buffer());
        }
    }
    int state = 0;
    EXPECT_EQ(parent->GetPivotState(1, state), 0) << "pivot states are left as they are";
}

TEST_F(PivotConversionTest, ARotationPivotAloneShiftsTheTranslationAndTheGeometryPivot) {
    RWyxNode* node = Node("Solo", nullptr);
    RWyxMesh* mesh = factory.CreateMesh();
    node->SetNodeAttribute(mesh);
    node->SetDefaultScaling(RVector4(2, 0, 1, 0));
    node->SetPivotState(1, 0);
    node->SetRotationPivot(1, 4, 5, 6, 1);
    Animate(node, 0, RVector4(1, 1, 1, 0), RVector4(2, 2, 2, 0));
    Animate(node, 1, RVector4(5, 0, 0, 0), RVector4(7, 0, 0, 0));
    ASSERT_TRUE(node->ConvertPivotAnimationSimple(0, kRate, true));
    RWyxTakeNode* walk = node->GetTakeNode(1);
    EXPECT_FLOAT_EQ(walk->GetTranslationXCurve()->GetKey(0).GetValue(), 5.0f);
    EXPECT_FLOAT_EQ(walk->GetTranslationZCurve()->GetKey(1).GetValue(), 8.0f);
    EXPECT_FLOAT_EQ(node->GetTakeNode(0)->GetTranslationYCurve()->GetDefaultValue(), 5.0f);
    EXPECT_EQ(walk->GetRotationXCurve()->GetKeyCount(), 2) << "the rotation is untouched";
    EXPECT_FLOAT_EQ(walk->GetRotationXCurve()->GetKey(1).GetValue(), 7.0f);
    RMatrix pivot;
    mesh->GetPivot(pivot);
    EXPECT_DOUBLE_EQ(pivot[3][0], -2.0) << "-p divided by the scaling";
    EXPECT_DOUBLE_EQ(pivot[3][1], -5.0) << "a zero scaling counts as 1";
    EXPECT_DOUBLE_EQ(pivot[3][2], -6.0);
}

// Takes whose trees wait stay waiting when the conversion changes nothing in them; a shift
// makes them and reaches their curves.
TEST_F(PivotConversionTest, WaitingTakesAreMadeOnlyWhenTheConversionChangesThem) {
    RWyxNode* still = Node("Still", nullptr);
    RWyxNode* moved = Node("Moved", nullptr);
    moved->SetPivotState(1, 0);
    moved->SetRotationPivot(1, 0, 3, 0, 1);
    ASSERT_TRUE(still->ConvertPivotAnimation(1, kRate, true));
    ASSERT_TRUE(moved->ConvertPivotAnimationSimple(0, kRate, true));
    for (int take = 0; take < 2; ++take) {
        EXPECT_FALSE(still->GetTakeNode(take)->IsTreeMade()) << take;
        EXPECT_FLOAT_EQ(moved->GetTakeNode(take)->GetTranslationYCurve()->GetDefaultValue(), 3.0f) << take;
    }
}

TEST_F(PivotConversionTest, APreRotationRunsTheConverterInEveryTake) {
    RWyxNode* node = Node("Turned", nullptr);
    node->SetPivotState(1, 0);
    node->SetPreRotation(1, 0, 0, 90, 1);
    ASSERT_TRUE(node->ConvertPivotAnimationSimple(0, kRate, false));
    for (int take = 0; take < 2; ++take) {
        EXPECT_NEAR(node->GetTakeNode(take)->GetRotationZCurve()->GetDefaultValue(), 90.0, 1e-4) << take;
    }
}

TEST_F(PivotConversionTest, TheFullFormKeepsTheMotionOfAllPivotsOffsetsAndRotations) {
    RWyxNode* node = Node("Full", nullptr);
    node->GetProperties()->SetRotationActive(1);
    node->SetPivotState(0, 0);
    node->SetRotationPivot(0, 1, 2, 0, 1);
    node->SetRotationOffset(0, 0, 0, 3, 1);
    node->SetPreRotation(0, 10, 0, 0, 1);
    node->SetPostRotation(0, 0, 15, 0, 1);
    node->SetScalingPivot(0, 0.5, 0, 0, 1);
    node->SetScalingOffset(0, 0, 1, 0, 1);
    node->SetDefaultScaling(RVector4(1, 2, 1, 0));
    Animate(node, 0, RVector4(0, 0, 0, 0), RVector4(3, -2, 4, 0));
    Animate(node, 1, RVector4(0, 10, 0, 0), RVector4(45, 60, 20, 0));
    std::vector<RMatrix> before;
    for (RTime time : SampleTimes()) before.push_back(FullLocal(*node, 0, time));
    ASSERT_TRUE(node->ConvertPivotAnimation(1, kRate, false));
    for (size_t k = 0; k < before.size(); ++k) ExpectNear(FullLocal(*node, 1, SampleTimes()[k]), before[k], "full");
}

// Both sets in use with their own pre- and post-rotations and offsets: the rotation is framed
// anew; without "RotationActive" the pre- and post-rotations are left out of the conversion.
TEST_F(PivotConversionTest, TheFullFormReframesTheRotationBetweenTwoSetsInUse) {
    RWyxNode* node = Node("Framed", nullptr);
    for (int set = 0; set < 2; ++set) node->SetPivotState(set, 0);
    node->SetPreRotation(0, 10, 0, 20, 1);
    node->SetPostRotation(0, 0, 15, 0, 1);
    node->SetRotationOffset(0, 1, 0, 0, 1);
    node->SetPreRotation(1, 0, -30, 0, 1);
    node->SetPostRotation(1, 25, 0, 5, 1);
    node->SetRotationOffset(1, 0, 2, 0, 1);
    Animate(node, 1, RVector4(0, 10, 0, 0), RVector4(45, 60, 20, 0));
    Animate(node, 0, RVector4(1, 2, 3, 0), RVector4(3, 2, 1, 0));
    std::vector<RMatrix> before;
    for (RTime time : SampleTimes()) before.push_back(FullLocal(*node, 0, time));

    RWyxNode* inactive = Node("Inactive", nullptr);
    inactive->SetPivotState(0, 0);
    inactive->SetPreRotation(0, 10, 0, 20, 1);
    Animate(inactive, 1, RVector4(0, 10, 0, 0), RVector4(45, 60, 20, 0));
    inactive->GetProperties()->SetRotationActive(0);
    ASSERT_TRUE(inactive->ConvertPivotAnimation(1, kRate, false));
    EXPECT_EQ(inactive->GetTakeNode(1)->GetRotationXCurve()->GetKeyCount(), 2) << "not converted";

    node->GetProperties()->SetRotationActive(1);
    ASSERT_TRUE(node->ConvertPivotAnimation(1, kRate, false));
    for (size_t k = 0; k < before.size(); ++k) ExpectNear(FullLocal(*node, 1, SampleTimes()[k]), before[k], "framed");
}

TEST_F(PivotConversionTest, TheFullFormConvertsADifferingRotationOrderAlone) {
    RWyxNode* node = Node("Ordered", nullptr);
    node->SetPivotState(0, 0);
    node->SetPivotState(1, 0);
    node->SetRotationOrder(1, 1);  // Euler XZY
    node->SetDefaultRotation(RVector4(30, 40, 50, 0));
    ASSERT_TRUE(node->ConvertPivotAnimation(1, kRate, false));
    RMatrix expected;
    EulerXYZToMatrix(expected, 30, 40, 50);
    for (int t = 0; t < 2; ++t) {
        RWyxTakeNode* take = node->GetTakeNode(t);
        const double angles[3] = {take->GetRotationXCurve()->GetDefaultValue(), take->GetRotationYCurve()->GetDefaultValue(),
                                  take->GetRotationZCurve()->GetDefaultValue()};
        RMatrix converted;
        EulerToMatrixInOrder(converted, angles, 2);  // Euler XZY, angles by axis
        ExpectNear(converted, expected, "order");
        EXPECT_GT(std::fabs(angles[0] - 30.0), 1.0) << "the angles changed";
    }
}

// A refused rate used to leave the translation shifted while the converter gave up.
TEST_F(PivotConversionTest, ARateThatCannotServeIsRefusedWithTheSceneUntouched) {
    RWyxNode* node = Node("Refused", nullptr);
    RWyxMesh* mesh = factory.CreateMesh();
    node->SetNodeAttribute(mesh);
    node->SetPivotState(1, 0);
    node->SetRotationPivot(1, 1, 0, 0, 1);
    node->SetPreRotation(1, 0, 0, 45, 1);
    Animate(node, 0, RVector4(1, 1, 1, 0), RVector4(2, 2, 2, 0));
    Key(node->GetTakeNode(1)->GetRotationXCurve(), 1e6, 3.0f);  // a million seconds of keys
    for (const double rate : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 1000.0, 1e30}) {
        SCOPED_TRACE(rate);
        node->GetError().ClearError();
        EXPECT_FALSE(node->ConvertPivotAnimationSimple(0, rate, false));
        EXPECT_FALSE(node->ConvertPivotAnimation(0, rate, false));
        EXPECT_EQ(node->GetError().GetLastErrorCode(), RWyxNode::kErrorSamplingRate);
        EXPECT_FLOAT_EQ(node->GetTakeNode(1)->GetTranslationXCurve()->GetKey(0).GetValue(), 1.0f);
        EXPECT_FLOAT_EQ(node->GetTakeNode(0)->GetTranslationXCurve()->GetDefaultValue(), 0.0f);
        EXPECT_EQ(node->GetTakeNode(1)->GetRotationXCurve()->GetKeyCount(), 1);
        EXPECT_DOUBLE_EQ(mesh->GetPivotMatrix()[3][0], 0.0);
    }
    EXPECT_STREQ(node->GetError().GetLastErrorString(), "Sampling rate out of range");
}

}  // namespace
