// Skins bound through newSkinCluster: influences, the bind-time matrices, the bind pose, and
// weights set and read as the plug-in's import and export do.

#include "tests/host/DeformerTestSupport.h"

#include "host/src/geometry/SkinWeights.h"

#include <vexa/VDoubleArray.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VFnSkinCluster.h>
#include <vexa/VPlugArray.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

class SkinTest : public DeformerTest {
protected:
    // A strip of two quads at z = 3 and a two-joint chain under "rig" at z = 3: root at x = 0,
    // tip at x = 2 (strip points 0 and 4 lie on the joints).
    void SetUp() override {
        DeformerTest::SetUp();
        body = makeStrip("body", 2);
        const double lift[3] = {0.0, 0.0, 3.0};
        const double along[3] = {2.0, 0.0, 0.0};
        ASSERT_TRUE(VFnTransform(named("body")).setTranslation(VVector(lift[0], lift[1], lift[2]), VSpace::kTransform));
        VObject rig = makeTransform("rig");
        ASSERT_TRUE(VFnTransform(rig).setTranslation(VVector(lift[0], lift[1], lift[2]), VSpace::kTransform));
        VFnIkJoint joint;
        root = joint.create(rig);
        joint.setName("root");
        tip = joint.create(root);
        joint.setName("tip");
        ASSERT_TRUE(joint.setTranslation(VVector(along[0], along[1], along[2]), VSpace::kTransform));
    }
    void bind(const std::string& options) {
        run("select -cl; select -tgl |rig|root; select -tgl |rig|root|tip; select -tgl body.vtx[0:5]");
        EXPECT_EQ(run("newSkinCluster \"" + options + "\"; select -cl"), "");
        skin.setObject(named("skinCluster1"));
    }
    VObject vertices(std::initializer_list<int> indices) {
        VFnSingleIndexedComponent component;
        VObject made = component.create(VFn::kMeshVertComponent);
        for (int index : indices) component.addElement(index);
        component.setCompleteData(6);
        return made;
    }
    float weight(int point, unsigned influence) {
        VFloatArray weights;
        EXPECT_TRUE(skin.getWeights(pathOf(body), vertices({point}), influence, weights));
        return weights.length() == 1 ? weights[0] : -1.0f;
    }
    static VMatrix matrixOf(const VPlug& plug) {
        VMatrix matrix;
        EXPECT_TRUE(plug.getValue(matrix)) << plug.info();
        return matrix;
    }

    VObject body;
    VObject root;
    VObject tip;
    VFnSkinCluster skin;
};

TEST_F(SkinTest, TheBindMakesOneBindPreMatrixPerJointAndTheWeightsByDistance) {
    run("select -cl; select -tgl |rig|root; select -tgl |rig|root|tip; select -tgl body.vtx[0:5]");
    EXPECT_EQ(run("newSkinCluster \"-toSelectedBones -mi 5 -dr 4\""), "skinCluster1");
    skin.setObject(named("skinCluster1"));
    EXPECT_TRUE(skin.object().hasFn(VFn::kSkinClusterFilter));
    EXPECT_EQ(plugOf(skin.object(), "bindPreMatrix").numElements(), 2u);
    EXPECT_EQ(matrixOf(plugOf(skin.object(), "bindPreMatrix[1]"))[3][0], -2.0);
    EXPECT_EQ(matrixOf(plugOf(skin.object(), "bindPreMatrix[1]"))[3][2], -3.0);
    VDoubleArray geometry;
    ASSERT_TRUE(VGlobal::executeCommand(VString("getAttr skinCluster1.geomMatrix"), geometry));
    ASSERT_EQ(geometry.length(), 16u) << "read as the export reads it";
    EXPECT_EQ(geometry[14], 3.0);
    EXPECT_EQ(matrixOf(plugOf(skin.object(), "matrix[1]"))[3][0], 2.0) << "fed by the joint's world matrix";
    EXPECT_EQ(plugOf(skin.object(), "maxInfluences").asInt(), 5);
    VDagPathArray influences;
    ASSERT_EQ(skin.influenceObjects(influences), 2u);
    EXPECT_EQ(influences[0].fullPathName(), VString("|rig|root"));
    EXPECT_EQ(influences[1].fullPathName(), VString("|rig|root|tip"));
    EXPECT_EQ(skin.indexForInfluenceObject(pathOf(tip)), 1u);
    VStatus status;
    skin.indexForInfluenceObject(pathOf(named("rig")), &status);
    EXPECT_EQ(status, VStatus::kNotFound);
    // 1 / distance^4, scaled to add up to 1; a point on a joint belongs to it alone.
    const struct {
        int point;
        float root;
        float tip;
    } expected[] = {{0, 1.0f, 0.0f}, {4, 0.0f, 1.0f}, {2, 0.5f, 0.5f}, {1, 25.0f / 26.0f, 1.0f / 26.0f}};
    for (const auto& row : expected) {
        EXPECT_NEAR(weight(row.point, 0), row.root, 1e-6) << row.point;
        EXPECT_NEAR(weight(row.point, 1), row.tip, 1e-6) << row.point;
    }
}

TEST_F(SkinTest, TheBindPoseHoldsTheJointsAndTheirAncestorsAtBindTime) {
    bind("-toSelectedBones -mi 5 -dr 4");
    ASSERT_TRUE(VFnTransform(tip).setTranslation(VVector(5.0, 0.0, 0.0), VSpace::kTransform)) << "moved after the bind";
    const VObject pose = firstConnected(tip, VFn::kDagPose, VItDependencyGraph::kDownstream);
    ASSERT_FALSE(pose.isNull());
    EXPECT_TRUE(plugOf(pose, "bindPose").asBool());
    EXPECT_EQ(firstConnected(skin.object(), VFn::kDagPose, VItDependencyGraph::kUpstream), pose) << "it feeds the skin";
    // The members in order, as the bind-pose lookup scans them.
    const std::vector<VObject> members = {named("rig"), root, tip};
    VPlug memberPlug = plugOf(pose, "members");
    ASSERT_EQ(memberPlug.numElements(), 3u);
    for (unsigned i = 0; i < 3; ++i) {
        VPlugArray sources;
        memberPlug.elementByLogicalIndex(i).connectedTo(sources, true, false);
        ASSERT_EQ(sources.length(), 1u);
        EXPECT_EQ(sources[0].node(), members[i]);
        EXPECT_EQ(sources[0], plugOf(members[i], "message"));
    }
    const double worldX[] = {0.0, 0.0, 2.0};
    for (unsigned i = 0; i < 3; ++i) {
        const VMatrix world = matrixOf(plugOf(pose, "worldMatrix").elementByPhysicalIndex(i));
        EXPECT_EQ(world[3][0], worldX[i]) << i;
        EXPECT_EQ(world[3][2], 3.0) << i;
    }
    EXPECT_EQ(matrixOf(plugOf(tip, "bindPose"))[3][0], 2.0) << "a joint keeps its own bind matrix";
    EXPECT_EQ(matrixOf(plugOf(pose, "xformMatrix[2]"))[3][0], 2.0);
    EXPECT_EQ(matrixOf(plugOf(pose, "xformMatrix[2]"))[3][2], 0.0) << "local, not world";
    VPlugArray bindSource;
    plugOf(pose, "worldMatrix[2]").connectedTo(bindSource, true, false);
    ASSERT_EQ(bindSource.length(), 1u);
    EXPECT_EQ(bindSource[0], plugOf(tip, "bindPose")) << "the joint's bind matrix feeds its pose entry";
    VDoubleArray values;
    ASSERT_TRUE(VGlobal::executeCommand(VString("getAttr |rig|root|tip.bindPose"), values));
    ASSERT_EQ(values.length(), 16u);
    EXPECT_EQ(values[12], 2.0);
}

// A chain 60 joints deep below the tip, each turned about two axes, with a side joint off its
// middle, bound to the chain's last two joints and then the side joint: every member of the
// pose (ancestors first, each once) holds the world matrix of its own path and its own local matrix, and each
// influence's bind-pre matrix is the inverse of its world matrix.
TEST_F(SkinTest, TheBindPoseOfADeepChainHoldsEachMembersWorldMatrix) {
    constexpr int kDepth = 60;
    const double turn[3] = {0.0, 0.05, 0.08};
    std::vector<VObject> joints = {named("rig"), root, tip};
    VFnIkJoint joint;
    VObject side;
    for (int i = 0; i < kDepth; ++i) {
        joints.push_back(joint.create(joints.back()));
        joint.setName(VString(("j" + std::to_string(i)).c_str()));
        ASSERT_TRUE(joint.setTranslation(VVector(0.5, 0.0, 0.1), VSpace::kTransform));
        ASSERT_TRUE(joint.setRotation(turn, VTransformationMatrix::kXYZ));
        if (i == kDepth / 2) {
            side = joint.create(joints.back());
            joint.setName("side");
            ASSERT_TRUE(joint.setTranslation(VVector(0.0, 2.0, 0.0), VSpace::kTransform));
            ASSERT_TRUE(joint.setRotation(turn, VTransformationMatrix::kZYX));
        }
    }
    joints.push_back(side);  // the last influence: its ancestors are members already
    run("select -cl; select -tgl j58; select -tgl j59; select -tgl side; select -tgl body.vtx[0:5]");
    EXPECT_EQ(run("newSkinCluster \"-tsb\""), "skinCluster1");
    const VObject pose = firstConnected(side, VFn::kDagPose, VItDependencyGraph::kDownstream);
    ASSERT_FALSE(pose.isNull());
    ASSERT_EQ(plugOf(pose, "members").numElements(), joints.size());
    const auto expectNear = [](const VMatrix& actual, const VMatrix& expected, const VString& what) {
        for (unsigned r = 0; r < 4; ++r) {
            for (unsigned c = 0; c < 4; ++c) EXPECT_NEAR(actual[r][c], expected[r][c], 1e-9) << what << " [" << r << "][" << c << "]";
        }
    };
    for (unsigned i = 0; i < joints.size(); ++i) {
        VPlugArray sources;
        plugOf(pose, "members").elementByLogicalIndex(i).connectedTo(sources, true, false);
        ASSERT_EQ(sources.length(), 1u);
        ASSERT_EQ(sources[0].node(), joints[i]) << "member " << i;
        const VDagPath path = pathOf(joints[i]);
        expectNear(matrixOf(plugOf(pose, "worldMatrix").elementByLogicalIndex(i)), path.inclusiveMatrix(), path.fullPathName());
        expectNear(matrixOf(plugOf(pose, "xformMatrix").elementByLogicalIndex(i)), VFnDagNode(path).transformationMatrix(),
                   path.fullPathName());
    }
    skin.setObject(named("skinCluster1"));
    const VObject influences[] = {named("j58"), named("j59"), side};
    for (unsigned j = 0; j < 3; ++j) {
        expectNear(matrixOf(plugOf(skin.object(), "bindPreMatrix").elementByLogicalIndex(j)),
                   pathOf(influences[j]).inclusiveMatrixInverse(), nameOf(influences[j]));
    }
}

TEST_F(SkinTest, ThePluginsWeightingSequenceLeavesItsWeightsNormalised) {
    bind("-toSelectedBones -mi 5 -dr 4");
    run("skinPercent -prw 10000 -normalize off skinCluster1 \"|body|bodyShape\"");
    EXPECT_EQ(run("skinPercent -q -v skinCluster1 body"), "0 0 0 0 0 0 0 0 0 0 0 0") << "pruned to nothing";
    run("setAttr \"skinCluster1.normalizeWeights\" 0");
    const VObject points = vertices({1, 2});
    VFloatArray rootWeights;
    rootWeights.append(0.2f);
    rootWeights.append(0.6f);
    VFloatArray tipWeights;
    tipWeights.append(0.6f);
    tipWeights.append(0.2f);
    ASSERT_TRUE(skin.setWeights(pathOf(body), points, VIntArray(1, 0), rootWeights, false));
    ASSERT_TRUE(skin.setWeights(pathOf(body), points, VIntArray(1, 1), tipWeights, false));
    VFloatArray read;
    ASSERT_TRUE(skin.getWeights(pathOf(body), points, 1u, read));
    ASSERT_EQ(read.length(), 2u);
    EXPECT_FLOAT_EQ(read[0], 0.6f);
    EXPECT_FLOAT_EQ(read[1], 0.2f);
    run("setAttr \"skinCluster1.normalizeWeights\" 1");
    run("skinPercent -normalize true \"skinCluster1\" \"|body|bodyShape\"");
    run("setAttr \"skinCluster1.normalizeWeights\" 0");
    EXPECT_EQ(run("skinPercent -q -v skinCluster1 body.vtx[1:2]"), "0.25 0.75 0.75 0.25");
    EXPECT_EQ(run("skinPercent -q -v skinCluster1 body.vtx[0]"), "0 0") << "a point without weights stays so";
    unsigned count = 0;
    ASSERT_TRUE(skin.getWeights(pathOf(named("body")), VObject(), read, count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(read.length(), 12u) << "every point, every influence";
    EXPECT_FLOAT_EQ(read[2], 0.25f);
}

TEST_F(SkinTest, NormalisingScalesTheOtherInfluencesOnly) {
    bind("-tsb");
    VFloatArray old;
    ASSERT_TRUE(skin.setWeights(pathOf(body), vertices({1}), 0u, 0.5f, true, &old));
    ASSERT_EQ(old.length(), 1u);
    EXPECT_NEAR(old[0], 25.0f / 26.0f, 1e-6);
    EXPECT_FLOAT_EQ(weight(1, 0), 0.5f);
    EXPECT_NEAR(weight(1, 1), 0.5f, 1e-6) << "the tip takes the rest";
    VFloatArray both;
    for (float value : {0.1f, 0.3f, 0.7f, 0.1f}) both.append(value);
    VIntArray influences;
    influences.append(1);
    influences.append(0);
    ASSERT_TRUE(skin.setWeights(pathOf(body), vertices({2, 3}), influences, both, true, &old));
    EXPECT_EQ(old.length(), 4u);
    EXPECT_FLOAT_EQ(weight(2, 1), 0.1f);
    EXPECT_FLOAT_EQ(weight(2, 0), 0.3f) << "nothing else to scale: the given weights stay";
    EXPECT_FLOAT_EQ(weight(3, 1), 0.7f);
    run("skinPercent -tv tip 0.8 skinCluster1 body.vtx[1]");
    EXPECT_NEAR(weight(1, 1), 0.8f, 1e-6);
    EXPECT_NEAR(weight(1, 0), 0.2f, 1e-6);
    run("skinPercent -tv tip 0.1 -normalize off skinCluster1 body.vtx[1]");
    EXPECT_NEAR(weight(1, 1), 0.1f, 1e-6);
    EXPECT_NEAR(weight(1, 0), 0.2f, 1e-6) << "not normalised";
}

struct BindRow {
    const char* options;
    const char* selection;
    float rootAtPoint1;  // -1: the command fails
    const char* error;
    unsigned influences = 2;
};

TEST_F(SkinTest, BindOptionsChooseInfluencesAndTheirReach) {
    const std::vector<BindRow> rows = {
        {"-mi 5", "|rig|root body", 0.961538f, nullptr},  // the whole skeleton: the tip too
        {"-tsb -mi 1", "|rig|root |rig|root|tip body", 1.0f, nullptr},
        {"-tsb -dr 1", "|rig|root |rig|root|tip body", 0.690983f, nullptr},
        {"-toSelectedBones", "|rig|root body", 1.0f, nullptr, 1},
        {"", "|rig|root|tip body", 0.961538f, nullptr},  // the skeleton from its top joint
        {"-tsb", "|rig|root", -1.0f, "newSkinCluster: select joints and the geometry to bind"},
        {"-tsb", "body", -1.0f, "newSkinCluster: select joints and the geometry to bind"},
        {"-tsb -mi 0", "|rig|root body", -1.0f, "newSkinCluster: -mi takes a count of 1 or more"},
        {"-tsb extra", "|rig|root body", -1.0f, "newSkinCluster: takes its options only; select joints and geometry"},
        {"-tsb", "|rig|root rig", -1.0f, "newSkinCluster: rig is not a deformable geometry"},
    };
    for (const BindRow& row : rows) {
        SCOPED_TRACE(row.options);
        SetUp();
        run(std::string("select ") + row.selection);
        const std::string command = std::string("newSkinCluster \"") + row.options + "\"";
        if (row.rootAtPoint1 < 0.0f) {
            EXPECT_EQ(failure(command), row.error);
            EXPECT_EQ(vexa_host::Scene::instance().nodesNamed("skinCluster1").size(), 0u);
            continue;
        }
        run(command);
        skin.setObject(named("skinCluster1"));
        VDagPathArray influences;
        EXPECT_EQ(skin.influenceObjects(influences), row.influences);
        EXPECT_NEAR(weight(1, 0), row.rootAtPoint1, 1e-5);
    }
}

TEST_F(SkinTest, WeightCallsRefuseWhatIsNotTheirs) {
    bind("-tsb");
    makeStrip("other", 1);
    VFloatArray weights;
    EXPECT_EQ(skin.getWeights(pathOf(body), vertices({1}), 7u, weights), VStatus::kInvalidParameter) << "no such influence";
    EXPECT_EQ(skin.getWeights(pathOf(named("other")), VObject(), 0u, weights), VStatus::kInvalidParameter) << "not skinned";
    VFnSingleIndexedComponent faces;
    VObject polygons = faces.create(VFn::kMeshPolygonComponent);
    faces.addElement(0);
    EXPECT_EQ(skin.getWeights(pathOf(body), polygons, 0u, weights), VStatus::kInvalidParameter) << "polygons are no points";
    VFnSingleIndexedComponent far;
    VObject outside = far.create(VFn::kMeshVertComponent);
    far.addElement(9);
    EXPECT_EQ(skin.setWeights(pathOf(body), outside, 0u, 1.0f), VStatus::kInvalidParameter) << "no vertex 9";
    EXPECT_EQ(skin.setWeights(pathOf(body), vertices({1, 2}), VIntArray(1, 0), VFloatArray(3, 0.9f)), VStatus::kInvalidParameter);
    EXPECT_FLOAT_EQ(weight(2, 0), 0.5f) << "a refused call changes nothing";
    run("cluster -n grip body");
    EXPECT_EQ(failure("skinPercent -q -v grip body"), "skinPercent: grip is not a skinCluster");
    EXPECT_EQ(failure("skinPercent -tv rig 1 skinCluster1 body"), "skinPercent: rig is not an influence of skinCluster1");
    EXPECT_EQ(failure("skinPercent -q -v skinCluster1 other"), "skinPercent: other is not deformed by skinCluster1");
}

// The index of an influence is the smallest matrix index whose first connection comes from it:
// indices with gaps, connected out of order, one influence feeding several, and influences
// taken away and brought back (the scene refuses a second connection to a taken index).
TEST_F(SkinTest, TheIndexOfAnInfluenceIsTheSmallestOfItsFirstConnections) {
    bind("-tsb");
    vexa_host::Node& cluster = *nodeOf(skin.object());
    const VObject early = makeTransform("early");
    const VObject late = makeTransform("late");
    run("connectAttr early.worldMatrix[0] skinCluster1.matrix[7]");
    run("connectAttr late.worldMatrix[0] skinCluster1.matrix[4]");
    run("connectAttr early.worldMatrix[0] skinCluster1.matrix[5]");
    run("disconnectAttr rig|root.worldMatrix[0] skinCluster1.matrix[0]");
    // What the lookup answered before: the ascending indices, each with its first connection.
    const auto oldRule = [&cluster](const VObject& node) {
        for (int index : vexa_host::influenceIndices(cluster)) {
            if (vexa_host::influenceAt(cluster, index) == nodeOf(node)) return index;
        }
        return -1;
    };
    const struct {
        VObject node;
        int index;
    } expected[] = {{root, -1}, {tip, 1}, {early, 5}, {late, 4}, {named("rig"), -1}};
    for (const auto& row : expected) {
        EXPECT_EQ(vexa_host::indexOfInfluence(cluster, *nodeOf(row.node)), row.index) << nameOf(row.node);
        EXPECT_EQ(oldRule(row.node), row.index) << nameOf(row.node);
    }
    run("connectAttr rig|root.worldMatrix[0] skinCluster1.matrix[9]");
    EXPECT_EQ(skin.indexForInfluenceObject(pathOf(root)), 9u) << "back at a new index";
    run("disconnectAttr early.worldMatrix[0] skinCluster1.matrix[5]");
    EXPECT_EQ(skin.indexForInfluenceObject(pathOf(early)), 7u) << "its next index";
    EXPECT_EQ(oldRule(early), 7);
}

// Two skins made alike (as many connections each) bind the joints in the opposite order: asked
// in turn, each answers with its own influences and weights.
TEST_F(SkinTest, SkinsAskedInTurnAnswerEachForItsOwn) {
    bind("-tsb");
    makeStrip("other", 2);
    run("select -cl; select -tgl |rig|root|tip; select -tgl |rig|root; select -tgl other.vtx[0:5]");
    run("newSkinCluster \"-tsb\"; select -cl");
    VFnSkinCluster second(named("skinCluster2"));
    ASSERT_EQ(nodeOf(second.object())->incomingEdits(), nodeOf(skin.object())->incomingEdits());
    ASSERT_TRUE(second.setWeights(pathOf(named("other")), VObject(), 0u, 0.25f, false));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_EQ(skin.indexForInfluenceObject(pathOf(tip)), 1u);
        EXPECT_EQ(second.indexForInfluenceObject(pathOf(tip)), 0u);
        VDagPathArray influences;
        ASSERT_EQ(second.influenceObjects(influences), 2u);
        EXPECT_EQ(influences[0].fullPathName(), VString("|rig|root|tip"));
        EXPECT_EQ(vexa_host::influenceAt(*nodeOf(skin.object()), 0), nodeOf(root));
        EXPECT_FLOAT_EQ(weight(2, 0), 0.5f);
        VFloatArray weights;
        ASSERT_TRUE(second.getWeights(pathOf(named("other")), vertices({2}), 0u, weights));
        EXPECT_FLOAT_EQ(weights[0], 0.25f);
    }
}

}  // namespace
