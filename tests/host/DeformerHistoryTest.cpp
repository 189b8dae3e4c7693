// Deformation history kept as connections: each deformer kind found by the walks the plug-in
// makes, the original shape, stacked deformers, the smooth node and a history that loops.

#include "tests/host/DeformerTestSupport.h"

#include <vexa/VFnGeometryFilter.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnSet.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlugArray.h>

namespace {

class DeformerHistoryTest : public DeformerTest {
protected:
    void SetUp() override {
        DeformerTest::SetUp();
        body = makeStrip("body", 2);
        makeStrip("target", 2);
        VFnIkJoint().create();
    }
    static VObject driverOf(const VPlug& plug) {
        VPlugArray sources;
        plug.connectedTo(sources, true, false);
        return sources.length() == 1 ? sources[0].node() : VObject();
    }
    VObject body;
};

struct DeformerKind {
    const char* script;
    VFn::Type type;
    const char* name;
    int points;  // what the shape shows afterwards
};

TEST_F(DeformerHistoryTest, TheUpstreamWalkFromTheShapeFindsEachDeformerKind) {
    const std::vector<DeformerKind> kinds = {
        {"select joint1 body; newSkinCluster \"-toSelectedBones\"", VFn::kSkinClusterFilter, "skinCluster1", 6},
        {"blendShape -n faces target body", VFn::kBlendShape, "faces", 6},
        {"cluster -n grip body", VFn::kCluster, "grip", 6},
        {"deformer -type jointCluster -n bone body", VFn::kJointCluster, "bone", 6},
        {"deformer -type wrap -n wrapper body", VFn::kWrapFilter, "wrapper", 6},
        {"polySmooth -dv 1 body", VFn::kPolySmoothFacet, "polySmoothFacet1", 15},
    };
    for (const DeformerKind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        SetUp();  // a new scene for each kind
        run(kind.script);
        const VObject found = firstConnected(body, kind.type, VItDependencyGraph::kUpstream);
        ASSERT_FALSE(found.isNull());
        EXPECT_EQ(nameOf(found), VString(kind.name));
        EXPECT_TRUE(firstConnected(body, kind.type, VItDependencyGraph::kDownstream).isNull()) << "history lies upstream";
        // The deformed shape stays child 0; the original follows it, intermediate.
        VFnDagNode transform(named("body"));
        ASSERT_EQ(transform.childCount(), 2u);
        EXPECT_EQ(transform.child(0), body);
        const VObject original = transform.child(1);
        EXPECT_EQ(nameOf(original), VString("bodyShapeOrig"));
        EXPECT_TRUE(VFnDagNode(original).isIntermediateObject());
        EXPECT_EQ(pointCount(original), 6);
        EXPECT_EQ(pointCount(body), kind.points);
        VDagPath path = pathOf(named("body"));
        ASSERT_TRUE(path.extendToShape()) << "the original does not count as a second shape";
        EXPECT_EQ(path.node(), body);
        EXPECT_TRUE(firstConnected(body, kind.type, VItDependencyGraph::kUpstream).hasFn(kind.type));
    }
}

// Group ids number a scene's component groups: a new scene counts from 1 again, so a scene
// made twice is made the same.
TEST_F(DeformerHistoryTest, GroupIdsCountFromOneInEachNewScene) {
    run("blendShape -n faces target body; select joint1 body; newSkinCluster \"-tsb\"");
    EXPECT_EQ(VFnGeometryFilter(named("faces")).groupIdAtIndex(0), 1u);
    EXPECT_EQ(VFnGeometryFilter(named("skinCluster1")).groupIdAtIndex(0), 2u);
    run("file -f -new");
    makeStrip("body", 2);
    run("cluster -n grip body");
    EXPECT_EQ(VFnGeometryFilter(named("grip")).groupIdAtIndex(0), 1u);
}

TEST_F(DeformerHistoryTest, StackedDeformersWalkThroughEachOtherToTheShapes) {
    run("blendShape -n faces target body; select joint1 body; newSkinCluster \"-tsb\"");
    VFnGeometryFilter skin(named("skinCluster1"));
    VFnGeometryFilter faces(named("faces"));
    const VObject original = named("bodyShapeOrig");
    VObjectArray shapes;
    ASSERT_TRUE(skin.getInputGeometry(shapes));
    ASSERT_EQ(shapes.length(), 1u);
    EXPECT_EQ(shapes[0], original) << "through the blend shape to the original";
    ASSERT_TRUE(faces.getOutputGeometry(shapes));
    ASSERT_EQ(shapes.length(), 1u);
    EXPECT_EQ(shapes[0], body) << "through the skin to the shape";
    EXPECT_EQ(driverOf(plugOf(body, "inMesh")), skin.object()) << "the later deformer goes on top";
    EXPECT_EQ(driverOf(plugOf(skin.object(), "input[0].inputGeometry")), faces.object());
    EXPECT_EQ(driverOf(plugOf(faces.object(), "input[0].inputGeometry")), original);
    EXPECT_EQ(skin.indexForOutputShape(body), 0u);
    VStatus status;
    skin.indexForOutputShape(named("targetShape"), &status);
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_NE(skin.groupIdAtIndex(0), faces.groupIdAtIndex(0));
    EXPECT_FALSE(driverOf(plugOf(skin.object(), "input[0].groupId")).isNull()) << "a groupId node feeds it";
    VDagPath path;
    ASSERT_TRUE(skin.getPathAtIndex(0, path));
    EXPECT_EQ(path.fullPathName(), VString("|body|bodyShape"));
    EXPECT_EQ(skin.numOutputConnections(), 1u);
    // A cluster made "before" goes right after the original.
    run("cluster -bf -n early body");
    EXPECT_EQ(driverOf(plugOf(named("early"), "input[0].inputGeometry")), original);
    EXPECT_EQ(driverOf(plugOf(faces.object(), "input[0].inputGeometry")), named("early"));
    EXPECT_EQ(driverOf(plugOf(body, "inMesh")), skin.object());
}

TEST_F(DeformerHistoryTest, ADeformersMessageFeedsItsOneSetWhichHoldsTheShape) {
    run("cluster -n grip body");
    VFnGeometryFilter grip(named("grip"));
    VPlugArray targets;
    plugOf(grip.object(), "message").connectedTo(targets, false, true);
    ASSERT_EQ(targets.length(), 1u);
    EXPECT_TRUE(targets[0].node().hasFn(VFn::kObjectSet));
    EXPECT_EQ(grip.deformerSet(), targets[0].node());
    EXPECT_EQ(nameOf(grip.deformerSet()), VString("gripSet"));
    EXPECT_EQ(run("sets -q gripSet"), "body");
    ASSERT_TRUE(grip.setEnvelope(0.0f));
    EXPECT_FLOAT_EQ(grip.envelope(), 0.0f);
    EXPECT_EQ(pointCount(body), 6) << "the envelope does not change what passes through";
    ASSERT_TRUE(grip.setEnvelope(1.0f));
    // A member added to the set brings its geometry into the deformer.
    VSelectionList more;
    more.add("target.vtx[1:2]");
    ASSERT_TRUE(VFnSet(grip.deformerSet()).addMembers(more));
    EXPECT_EQ(grip.indexForOutputShape(named("targetShape")), 1u);
    EXPECT_EQ(nameOf(grip.inputShapeAtIndex(1)), VString("targetShapeOrig"));
    // Above the second geometry, the walk back goes through the cluster's input 1.
    run("blendShape -n faces body target");
    VObjectArray shapes;
    ASSERT_TRUE(VFnGeometryFilter(named("faces")).getInputGeometry(shapes));
    ASSERT_EQ(shapes.length(), 1u);
    EXPECT_EQ(nameOf(shapes[0]), VString("targetShapeOrig"));
    ASSERT_TRUE(VGlobal::deleteNode(grip.deformerSet()));
    VStatus status;
    EXPECT_TRUE(grip.deformerSet(&status).isNull());
    EXPECT_EQ(status, VStatus::kNotFound);
}

TEST_F(DeformerHistoryTest, TheExportReadsTheOriginalBehindTheSkin) {
    run("select joint1 body; newSkinCluster \"-toSelectedBones -mi 5 -dr 4\"");
    VFnGeometryFilter skin(named("skinCluster1"));
    // As the mesh export does: the input geometry from the skin's "input", element 0, child 0,
    // and the source geometry with its path from getInputGeometry.
    VObject inputData;
    ASSERT_TRUE(plugOf(skin.object(), "input").elementByLogicalIndex(0).child(0).getValue(inputData));
    EXPECT_EQ(VFnMesh(inputData).numVertices(), 6);
    VObjectArray sources;
    ASSERT_TRUE(skin.getInputGeometry(sources));
    ASSERT_EQ(sources.length(), 1u);
    VDagPath sourcePath;
    ASSERT_TRUE(VDagPath::getAPathTo(sources[0], sourcePath));
    EXPECT_EQ(sourcePath.fullPathName(), VString("|body|bodyShapeOrig"));
    ASSERT_TRUE(plugOf(sources[0], "visibility").setValue(false));
    EXPECT_FALSE(plugOf(sources[0], "visibility").asBool());
    EXPECT_EQ(VFnMesh(sources[0]).numPolygons(), 2);
    EXPECT_EQ(VFnMesh(body).numPolygons(), 2);
}

TEST_F(DeformerHistoryTest, SmoothingSplitsPolygonsAsOftenAsItsDivisionsSay) {
    run("select joint1 body; newSkinCluster \"-tsb\"; polySmooth -dv 2 body");
    EXPECT_EQ(VFnMesh(body).numPolygons(), 32);
    EXPECT_EQ(pointCount(body), 45);
    EXPECT_EQ(firstConnected(named("skinCluster1"), VFn::kPolySmoothFacet, VItDependencyGraph::kDownstream),
              named("polySmoothFacet1"));
    // The plug-in's way around it: read, zero and put back the divisions.
    EXPECT_EQ(run("getAttr \"polySmoothFacet1.divisions\""), "2");
    run("setAttr \"polySmoothFacet1.divisions\" 0");
    EXPECT_EQ(pointCount(body), 6);
    EXPECT_EQ(VFnMesh(body).numPolygons(), 2);
    run("setAttr \"polySmoothFacet1.divisions\"2");
    EXPECT_EQ(pointCount(body), 45);
    run("setAttr polySmoothFacet1.divisions 1");
    const VPoint centre = vexa_host::meshOf(*nodeOf(body))->points()[6];
    EXPECT_TRUE(centre.isEquivalent(VPoint(0.5, 0.5, 0.0))) << "the first polygon's centre follows the old points";
    EXPECT_EQ(pointCount(named("bodyShapeOrig")), 6);
}

TEST_F(DeformerHistoryTest, AHistoryThatLoopsReadsAsNoGeometry) {
    run("cluster -n grip body");
    run("connectAttr -f bodyShape.worldMesh[0] grip.input[0].inputGeometry");
    EXPECT_EQ(pointCount(body), -1);
    run("connectAttr -f bodyShapeOrig.worldMesh[0] grip.input[0].inputGeometry");
    EXPECT_EQ(pointCount(body), 6);
}

TEST_F(DeformerHistoryTest, OnlyGeometryTakesADeformer) {
    makeTransform("empty");
    EXPECT_EQ(failure("cluster -n c empty"), "cluster: empty is not a deformable geometry");
    EXPECT_EQ(failure("deformer -type transform body"), "deformer: not a deformer type: transform");
    EXPECT_EQ(failure("deformer -type geometryFilter body"), "deformer: not a deformer type: geometryFilter");
    EXPECT_EQ(failure("polySmooth joint1"), "polySmooth: joint1 is not a mesh");
    EXPECT_EQ(vexa_host::Scene::instance().nodesNamed("c").size(), 0u);
    EXPECT_EQ(failure("cluster -n bad -wn body bodyShape body"), "cluster: bodyShape is not a transform");
    for (const char* made : {"bad", "badSet"}) EXPECT_EQ(vexa_host::Scene::instance().nodesNamed(made).size(), 0u) << made;
    EXPECT_EQ(VFnDagNode(named("body")).childCount(), 1u) << "nothing was put into the history";
}

}  // namespace
