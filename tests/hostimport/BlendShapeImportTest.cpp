// Blend shapes on import: the deformer's name, a target per shape with the shape's points, a
// shape of another size refused, the weight curves and their keys, a merged node's blend shape deleted or
// reused, and the report of merged nodes without weight curves.

#include "tests/support/ImportSceneSupport.h"

#include "plugin/HostUtilities.h"

#include "attributes/RWyxShape.h"
#include "curves/RFCurve.h"
#include "plugin/VexaNode.h"

#include "host/src/ui/UiModel.h"

#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VObjectArray.h>

namespace {

class BlendShapeImportTest : public SessionSceneTest {
protected:
    // A quad "name" with shapes of the given names, each moving point 0 up by its number + 1;
    // a shape of `shortShape` has three points only. Its host mesh is made.
    VexaNode* meshWithShapes(const char* name, const std::vector<const char*>& shapes, int shortShape = -1) {
        VexaNode* node = add(root(), name, QuadStrip(factory(), {-1}));
        RWyxGeometry* geometry = node->GetGeometry();
        for (size_t i = 0; i < shapes.size(); ++i) {
            RWyxShape* shape = factory().CreateShape();
            const int count = static_cast<int>(i) == shortShape ? 3 : 4;
            shape->InitControlPoints(count);
            for (int p = 0; p < count; ++p) shape->SetControlPointAt(p, *geometry->GetControlPointAt(p));
            shape->GetControlPointAt(0)->z = static_cast<double>(i + 1);
            geometry->AddShape(shape, shapes[i]);
        }
        session_.CreateHostNode(node);
        return node;
    }
    static VFnBlendShapeDeformer deformerOf(const char* shape) {
        VObject found;
        EXPECT_TRUE(FindConnectedNodeOfType(HostNode(shape), VFn::kBlendShape, found, VItDependencyGraph::kUpstream,
                                            VItDependencyGraph::kNodeLevel));
        return VFnBlendShapeDeformer(found);
    }
};

TEST_F(BlendShapeImportTest, EachShapeBecomesAHiddenTargetOfItsPoints) {
    VexaNode* node = meshWithShapes("Head", {"Face.Smile", "Face.Frown", "Face.Blink"}, 1);
    session_.ImportBlendShapes(node);
    VFnBlendShapeDeformer blend = deformerOf("HeadShape");
    EXPECT_EQ(blend.name(), "Face_BlendShaper");
    const VObject base = HostNode("HeadShape");
    VObjectArray targets;
    ASSERT_TRUE(blend.getTargets(base, 0, targets));
    ASSERT_EQ(targets.length(), 1u);
    VPoint moved;
    ASSERT_TRUE(VFnMesh(targets[0]).getPoint(0, moved));
    EXPECT_EQ(moved.z, 1.0);
    EXPECT_FALSE(VFnDependencyNode(HostNode("Face_Smile")).findPlug("visibility").asBool());
    // The shape of three points is no target of a mesh of four, and leaves nothing behind.
    ASSERT_TRUE(blend.getTargets(base, 1, targets));
    EXPECT_EQ(targets.length(), 0u);
    EXPECT_FALSE(dumps("Face_Frown"));
    ASSERT_TRUE(blend.getTargets(base, 2, targets));
    ASSERT_EQ(targets.length(), 1u);
    ASSERT_TRUE(VFnMesh(targets[0]).getPoint(0, moved));
    EXPECT_EQ(moved.z, 3.0);
    // Each shape with a weight channel gets a curve on its weight.
    VStatus status;
    VFnAnimCurve curve(blend.findPlug("weight").elementByLogicalIndex(0), &status);
    EXPECT_TRUE(status);
}

TEST_F(BlendShapeImportTest, AKeyedWeightArrivesAsHostKeysInItsOwnScale) {
    VexaNode* node = meshWithShapes("Head", {"Face.Smile"});
    RFCurve* channel = node->GetGeometry()->GetShapeChannel(node->GetCurrentTakeNode(), 0);
    ASSERT_NE(channel, nullptr);
    RTime second;
    second.FromSeconds(1.0);
    channel->AddKey(RTime(), RCurveKey::Plain(RTime(), 0.0f, RCurveKey::Linear));
    channel->AddKey(second, RCurveKey::Plain(second, 80.0f, RCurveKey::Linear));  // percent in the file
    session_.ImportBlendShapes(node);
    VStatus status;
    VFnAnimCurve curve(deformerOf("HeadShape").findPlug("weight").elementByLogicalIndex(0), &status);
    ASSERT_TRUE(status);
    ASSERT_EQ(curve.numKeys(), 2u);
    EXPECT_NEAR(curve.time(1).as(VTime::kSeconds), 1.0, 1e-9);
    EXPECT_NEAR(curve.value(0), 0.0, 1e-9);
    EXPECT_NEAR(curve.value(1), 0.8, 1e-6) << "a weight of 1 is 100 in the file";
}

TEST_F(BlendShapeImportTest, ASurfacesShapeBecomesASurfaceOfItsPointsAndOneOfAnotherSizeIsRefused) {
    VexaNode* node = add(root(), "Sheet", NewSurface(factory(), kEvenKnots));
    RWyxGeometry* geometry = node->GetGeometry();
    for (const int count : {12, 11}) {
        RWyxShape* shape = factory().CreateShape();
        shape->InitControlPoints(count);
        for (int p = 0; p < count; ++p) shape->SetControlPointAt(p, *geometry->GetControlPointAt(p));
        shape->GetControlPointAt(5)->z = 4.0;  // SDK U 1, V 1: host CV [1][1]
        geometry->AddShape(shape, count == 12 ? "Sheet.Raise" : "Sheet.Short");
    }
    session_.CreateHostNode(node);
    session_.ImportBlendShapes(node);
    VFnBlendShapeDeformer blend = deformerOf("SheetShape");
    EXPECT_EQ(blend.name(), "Sheet_BlendShaper");
    VObjectArray targets;
    ASSERT_TRUE(blend.getTargets(HostNode("SheetShape"), 0, targets));
    ASSERT_EQ(targets.length(), 1u);
    VPoint raised;
    ASSERT_TRUE(VFnNurbsSurface(targets[0]).getCV(1, 1, raised));
    EXPECT_DOUBLE_EQ(raised.z, 4.0);
    ASSERT_TRUE(blend.getTargets(HostNode("SheetShape"), 1, targets));
    EXPECT_EQ(targets.length(), 0u);
    EXPECT_FALSE(dumps("Sheet_Short"));
}

TEST_F(BlendShapeImportTest, AShapeWithoutADotNamesTheDeformerAfterItsNode) {
    session_.ImportBlendShapes(meshWithShapes("Head", {"Smile"}));
    EXPECT_EQ(deformerOf("HeadShape").name(), "Head_BlendShaper");
}

TEST_F(BlendShapeImportTest, AMergedNodeLosesABlendShapeTheFileNoLongerHas) {
    VexaNode* node = meshWithShapes("Head", {});
    meshWithShapes("Target", {});
    ASSERT_TRUE(run("blendShape -n OldBlend TargetShape HeadShape"));
    session_.ImportBlendShapes(node);
    EXPECT_TRUE(dumps("OldBlend"));  // a node of this import keeps what the host made
    node->SetMerged(true);
    session_.ImportBlendShapes(node);
    EXPECT_FALSE(dumps("OldBlend"));
}

TEST_F(BlendShapeImportTest, AMergedNodeReusesItsTargetsAndReportsMissingCurvesOnce) {
    VexaNode* node = meshWithShapes("Head", {"Smile", "Frown"});
    node->SetMerged(true);
    options().SetBoolOption(kImportShowUI, true);
    session_.ImportBlendShapes(node);
    session_.ImportBlendShapes(node);
    EXPECT_FALSE(dumps("Smile"));  // no new targets
    session_.ReportBlendShapeFailures();
    const auto& shown = vexa_host::UiModel::instance().shownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, "Import of blendshape animation failed for the following nodes:\n\n        Head\n"
                                "        \n\nMake sure the animation function curves exist on these nodes.\n"
                                " (Make sure each blendshape have at least a key)\n");
}

}  // namespace
