// Clusters made and weighted as the import makes them and read as the export reads them, and
// blend shapes with their targets and sliders.

#include "tests/host/DeformerTestSupport.h"

#include "host/src/geometry/GeometryHistory.h"
#include "host/src/scene/Handles.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/SetMembers.h"

#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnSet.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlugArray.h>

#include <random>
#include <set>

namespace {

class ClusterBlendTest : public DeformerTest {
protected:
    void SetUp() override {
        DeformerTest::SetUp();
        body = makeStrip("body", 4);
        makeTransform("handle");
    }
    static float clusterWeight(const char* cluster, int geometry, int point) {
        const std::string plug = "weightList[" + std::to_string(geometry) + "].weights[" + std::to_string(point) + "]";
        return plugOf(named(cluster), plug.c_str()).asFloat();
    }
    VObject body;
};

TEST_F(ClusterBlendTest, TheImportedClusterTakesItsMembersAndRunsOfWeights) {
    ASSERT_TRUE(VFnTransform(named("handle")).setTranslation(VVector(1.0, 2.0, 3.0), VSpace::kTransform));
    run("select -cl");
    EXPECT_EQ(run("cluster -n Grip  -bf -bs 1.0  -wn handle  handle"), "Grip handle");
    const VObject cluster = named("Grip");
    EXPECT_FALSE(plugOf(cluster, "relative").asBool());
    VMatrix bindPre;
    ASSERT_TRUE(plugOf(cluster, "bindPreMatrix").getValue(bindPre));
    EXPECT_EQ(bindPre[3][1], -2.0) << "the inverse of the handle's world matrix";
    VMatrix handleMatrix;
    ASSERT_TRUE(plugOf(cluster, "matrix").getValue(handleMatrix));
    EXPECT_EQ(handleMatrix[3][2], 3.0) << "fed by the handle";
    VDagPath handlePath = pathOf(named("handle"));
    EXPECT_TRUE(handlePath.hasFn(VFn::kClusterHandle)) << "the weighted node became the handle";
    ASSERT_EQ(VFnDagNode(named("handle")).childCount(), 1u);
    const VObject handleShape = VFnDagNode(named("handle")).child(0);
    EXPECT_EQ(firstConnected(handleShape, VFn::kCluster, VItDependencyGraph::kDownstream), cluster);
    // The import adds the members through the cluster's set, then the weights by runs.
    VFnGeometryFilter filter(cluster);
    VSelectionList members;
    for (int vertex : {3, 4, 5, 6}) members.add(VString("body.vtx[") + vertex + "]");
    ASSERT_TRUE(VFnSet(filter.deformerSet()).addMembers(members));
    run("percent -v 0.500000 Grip  body.vtx[3:5]");
    run("percent -v 0.250000 Grip  body.vtx[6]");
    const float expected[] = {1.0f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f, 0.25f, 1.0f};
    for (int point = 0; point < 8; ++point) EXPECT_FLOAT_EQ(clusterWeight("Grip", 0, point), expected[point]) << point;
    EXPECT_EQ(run("percent -q -v Grip body.vtx[5:7]"), "0.5 0.25 1");
    // The export's view: the set's members with their components, the output to the shape,
    // the input with a connected groupId.
    VSelectionList read;
    ASSERT_TRUE(VFnSet(filter.deformerSet()).getMembers(read, false));
    ASSERT_EQ(read.length(), 1u) << "the vertices of one path merge";
    VDagPath memberPath;
    VObject component;
    ASSERT_TRUE(read.getDagPath(0, memberPath, component));
    EXPECT_EQ(memberPath.node(), body);
    EXPECT_TRUE(component.hasFn(VFn::kMeshVertComponent));
    EXPECT_EQ(run("sets -q GripSet"), "bodyShape.vtx[3:6]");
    EXPECT_EQ(filter.indexForOutputShape(body), 0u);
    EXPECT_TRUE(plugOf(cluster, "input[0].groupId").isConnected());
    // The weights as the export reads them: "weights" with the geometry's index chosen on "wl".
    VPlug weights = plugOf(cluster, "weights");
    ASSERT_TRUE(weights.selectAncestorLogicalIndex(0, VFnDependencyNode(cluster).attribute("wl")));
    EXPECT_DOUBLE_EQ(weights.elementByLogicalIndex(6).asDouble(), 0.25);
    EXPECT_DOUBLE_EQ(weights.elementByLogicalIndex(3).asDouble(), 0.5);
}

TEST_F(ClusterBlendTest, ClustersWeighEachGeometryOnItsOwnList) {
    makeStrip("other", 1);
    EXPECT_EQ(run("cluster -rel -n Pair body other"), "Pair PairHandle");
    EXPECT_TRUE(plugOf(named("Pair"), "relative").asBool());
    EXPECT_TRUE(pathOf(named("PairHandle")).hasFn(VFn::kClusterHandle));
    EXPECT_EQ(VFnDagNode(named("PairHandle")).child(0), named("PairHandleShape"));
    run("percent -v 0.3 Pair other.vtx[1]");
    EXPECT_FLOAT_EQ(clusterWeight("Pair", 1, 1), 0.3f);
    EXPECT_FLOAT_EQ(clusterWeight("Pair", 0, 1), 1.0f) << "the first geometry keeps its weight";
    run("percent -v 0 Pair body");
    EXPECT_FLOAT_EQ(clusterWeight("Pair", 0, 9), 0.0f) << "a shape stands for all its points";
    makeStrip("loose", 1);
    EXPECT_EQ(failure("percent -v 1 Pair loose.vtx[0]"), "percent: looseShape.vtx[0] is not deformed by Pair");
    EXPECT_EQ(failure("percent -v x Pair body"), "percent: -v takes a number");
    EXPECT_EQ(failure("percent -v 1 Pair body.f[0]"), "percent: the component is not of the shape's vertices");
}

TEST_F(ClusterBlendTest, SurfaceCVsAreWeighedUByV) {
    makeSurface("sheet");
    run("cluster -n cvs sheet");
    run("percent -v 0.5 cvs sheet.cv[1][0]");
    const float expected[] = {1.0f, 1.0f, 0.5f, 1.0f, 1.0f, 1.0f};  // CV (u, v) is point u * 2 + v
    for (int point = 0; point < 6; ++point) EXPECT_FLOAT_EQ(clusterWeight("cvs", 0, point), expected[point]) << point;
    run("percent -v 0 cvs sheet");
    EXPECT_FLOAT_EQ(clusterWeight("cvs", 0, 5), 0.0f) << "every CV of the surface";
    EXPECT_EQ(run("percent -q -v cvs sheet.cv[2][1]"), "0");
}

TEST_F(ClusterBlendTest, ABlendShapeWithTwoTargetsKeepsItsSliders) {
    makeStrip("smile", 4);
    makeStrip("frown", 4);
    VFnBlendShapeDeformer blend;
    VStatus status;
    const VObject deformer = blend.create(body, VFnBlendShapeDeformer::kLocalOrigin, &status);
    ASSERT_TRUE(status);
    blend.setName("Face_BlendShaper");
    EXPECT_EQ(blend.origin(), VFnBlendShapeDeformer::kLocalOrigin);
    ASSERT_TRUE(blend.addBaseObject(body)) << "a base it has is kept as it is";
    EXPECT_EQ(blend.numOutputConnections(), 1u);
    EXPECT_EQ(firstConnected(body, VFn::kBlendShape, VItDependencyGraph::kUpstream), deformer);
    ASSERT_TRUE(blend.addTarget(body, 0, named("smile"), 1.0));
    ASSERT_TRUE(blend.addTarget(body, 1, named("frown"), 1.0));
    EXPECT_EQ(blend.numWeights(), 2u);
    VIntArray indices;
    ASSERT_TRUE(blend.weightIndexList(indices));
    ASSERT_EQ(indices.length(), 2u);
    EXPECT_EQ(indices[1], 1);
    VObjectArray targets;
    ASSERT_TRUE(blend.getTargets(body, 1, targets));
    ASSERT_EQ(targets.length(), 1u);
    EXPECT_EQ(nameOf(targets[0]), VString("frownShape"));
    VObjectArray bases;
    ASSERT_TRUE(blend.getBaseObjects(bases));
    ASSERT_EQ(bases.length(), 1u);
    EXPECT_EQ(bases[0], body);
    EXPECT_TRUE(plugOf(deformer, "inputTarget[0].inputTargetGroup[0].inputTargetItem[6000].inputGeomTarget").isConnected());
    // Sliders: a plug each, keyed or set; the envelope is what the export zeroes for a while.
    ASSERT_TRUE(blend.setWeight(1, 0.75f));
    EXPECT_FLOAT_EQ(blend.weight(1), 0.75f);
    EXPECT_EQ(plugOf(deformer, "weight").elementByLogicalIndex(1).name(), VString("Face_BlendShaper.weight[1]"));
    ASSERT_TRUE(blend.setEnvelope(0.0f));
    EXPECT_FLOAT_EQ(blend.envelope(), 0.0f);
    // A deleted target leaves its slider without a target.
    ASSERT_TRUE(VGlobal::deleteNode(named("frown")));
    ASSERT_TRUE(blend.getTargets(body, 1, targets));
    EXPECT_EQ(targets.length(), 0u);
    EXPECT_EQ(blend.numWeights(), 2u);
    EXPECT_EQ(pointCount(body), 10);
    run("connectAttr smileShape.worldMesh[0] Face_BlendShaper.inputTarget[0].inputTargetGroup[4].inputTargetItem[6000].inputGeomTarget");
    ASSERT_TRUE(blend.weightIndexList(indices));
    ASSERT_EQ(indices.length(), 3u) << "a target without a weight plug still makes a slider";
    EXPECT_EQ(indices[2], 4);
}

struct TargetRow {
    const char* what;
    int weightIndex;
    double fullWeight;
    bool baseIsTarget;  // give the target as the base
    VStatus::StatusCode code;
};

TEST_F(ClusterBlendTest, TargetsAreRefusedWhereTheyCannotGo) {
    makeStrip("smile", 4);
    VFnBlendShapeDeformer blend;
    blend.create(named("body"));
    ASSERT_TRUE(blend.addTarget(body, 0, named("smile"), 1.0));
    const std::vector<TargetRow> rows = {
        {"a full weight of 0", 1, 0.0, false, VStatus::kInvalidParameter},
        {"a full weight above 1", 1, 1.5, false, VStatus::kInvalidParameter},
        {"a negative index", -1, 1.0, false, VStatus::kInvalidParameter},
        {"a base it does not deform", 1, 1.0, true, VStatus::kInvalidParameter},
        {"a place already taken", 0, 1.0, false, VStatus::kFailure},
    };
    for (const TargetRow& row : rows) {
        const VObject base = row.baseIsTarget ? named("smile") : body;
        EXPECT_EQ(blend.addTarget(base, row.weightIndex, named("smile"), row.fullWeight), row.code) << row.what;
    }
    EXPECT_EQ(blend.addTarget(body, 2, makeTransform("empty"), 1.0), VStatus::kInvalidParameter) << "no geometry";
    ASSERT_TRUE(blend.addTarget(body, 0, named("smile"), 0.5)) << "another full weight is another place";
    EXPECT_TRUE(plugOf(blend.object(), "inputTarget[0].inputTargetGroup[0].inputTargetItem[5500].inputGeomTarget").isConnected());
    EXPECT_EQ(blend.numWeights(), 1u);
    VStatus status;
    VFnBlendShapeDeformer().create(makeTransform("nothing"), VFnBlendShapeDeformer::kWorldOrigin, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(run("blendShape -n both -origin world smile body"), "both");
    EXPECT_EQ(VFnBlendShapeDeformer(named("both")).origin(), VFnBlendShapeDeformer::kWorldOrigin);
    EXPECT_EQ(VFnBlendShapeDeformer(named("both")).numWeights(), 1u);
}

// The targets of a slider come in the order they were connected, whatever their full weights,
// and only those of that base and slider: slider 1 is not slider 10, nor base 1's slider 1.
TEST_F(ClusterBlendTest, ASlidersTargetsComeInConnectionOrderAndNoOthers) {
    const VObject second = makeStrip("second", 4);
    VFnBlendShapeDeformer blend;
    blend.create(body);
    ASSERT_TRUE(blend.addBaseObject(second));
    const char* const names[] = {"half", "whole", "quarter", "ten", "other", "zero"};
    for (const char* name : names) makeStrip(name, 4);
    ASSERT_TRUE(blend.addTarget(body, 1, named("half"), 0.5));
    ASSERT_TRUE(blend.addTarget(body, 10, named("ten"), 1.0));
    ASSERT_TRUE(blend.addTarget(second, 1, named("other"), 1.0));
    ASSERT_TRUE(blend.addTarget(body, 1, named("whole"), 1.0));
    ASSERT_TRUE(blend.addTarget(body, 0, named("zero"), 1.0));
    ASSERT_TRUE(blend.addTarget(body, 1, named("quarter"), 0.25));
    const auto targetNames = [&blend](const VObject& base, int weightIndex) {
        VObjectArray targets;
        EXPECT_TRUE(blend.getTargets(base, weightIndex, targets));
        std::string text;
        for (unsigned i = 0; i < targets.length(); ++i) text += (i == 0 ? "" : " ") + nameOf(targets[i]).str();
        return text;
    };
    EXPECT_EQ(targetNames(body, 1), "halfShape wholeShape quarterShape");
    EXPECT_EQ(targetNames(body, 10), "tenShape");
    EXPECT_EQ(targetNames(second, 1), "otherShape");
    EXPECT_EQ(targetNames(body, 0), "zeroShape");
    EXPECT_EQ(targetNames(body, 2), "");
    EXPECT_EQ(targetNames(body, -1), "") << "no slider has a negative index";
    ASSERT_TRUE(VGlobal::deleteNode(named("whole")));
    EXPECT_EQ(targetNames(body, 1), "halfShape quarterShape");
}

// Two blend shapes made alike, with as many connections each, answer their own targets when
// asked one after the other.
TEST_F(ClusterBlendTest, BlendShapesAskedInTurnAnswerTheirOwnTargets) {
    const VObject second = makeStrip("second", 4);
    makeStrip("first", 4);
    makeStrip("other", 4);
    VFnBlendShapeDeformer one;
    VFnBlendShapeDeformer two;
    one.create(body);
    two.create(second);
    ASSERT_TRUE(one.addTarget(body, 0, named("first"), 1.0));
    ASSERT_TRUE(two.addTarget(second, 1, named("other"), 1.0));
    ASSERT_EQ(vexa_host::liveNodeOf(one.object())->incoming().size(), vexa_host::liveNodeOf(two.object())->incoming().size());
    for (int round = 0; round < 2; ++round) {
        VObjectArray targets;
        ASSERT_TRUE(one.getTargets(body, 0, targets));
        ASSERT_EQ(targets.length(), 1u);
        EXPECT_EQ(nameOf(targets[0]), VString("firstShape"));
        ASSERT_TRUE(two.getTargets(second, 0, targets));
        EXPECT_EQ(targets.length(), 0u);
        ASSERT_TRUE(two.getTargets(second, 1, targets));
        ASSERT_EQ(targets.length(), 1u);
        EXPECT_EQ(nameOf(targets[0]), VString("otherShape"));
    }
}

// A geometry's index counts the elements that hold a value as well as the connected ones.
TEST_F(ClusterBlendTest, ABaseAddedAfterAStoredElementTakesTheIndexPastIt) {
    const VObject second = makeStrip("second", 4);
    VFnBlendShapeDeformer blend;
    const VObject deformer = blend.create(body);
    run("setAttr " + blend.name().str() + ".input[3].groupId 7");
    ASSERT_TRUE(blend.addBaseObject(second));
    EXPECT_EQ(vexa_host::indexForShape(*vexa_host::liveNodeOf(deformer), *vexa_host::liveNodeOf(second)), 4);
    EXPECT_TRUE(plugOf(deformer, "outputGeometry[4]").isConnected());
}

// The answers as they were found by walking every connection of the deformer each time.
namespace walked {

using namespace vexa_host;

bool isTargetItem(const PlugPath& plug, int base, int weightIndex) {
    if (base < 0 || weightIndex < 0) return false;
    static const char* const names[] = {"inputTarget", "inputTargetGroup", "inputTargetItem"};
    const int indices[] = {base, weightIndex, -1};
    size_t matched = 0;
    for (size_t i = 0; i < plug.steps.size() && matched < 3; ++i) {
        const PlugStep& step = plug.steps[i];
        if (step.index < 0 && i + 1 < plug.steps.size()) continue;
        const bool indexFits = step.index >= 0 && (indices[matched] == -1 || step.index == indices[matched]);
        if (!indexFits || step.attribute->longName != names[matched]) return false;
        ++matched;
    }
    return matched == 3;
}

std::vector<VObject> targets(const Node& deformer, int base, int weightIndex) {
    std::vector<VObject> found;
    for (const Connection& connection : deformer.incoming()) {
        if (isTargetItem(connection.local, base, weightIndex)) found.push_back(objectOf(*connection.other));
    }
    return found;
}

std::vector<int> existingIndices(const Node& node, const char* array) {
    PlugPath arrayPath;
    EXPECT_TRUE(parsePlugPath(node, array, arrayPath));
    std::set<int> indices;
    const std::string prefix = arrayPath.key() + "[";
    for (const auto& entry : node.keyedValues()) {
        if (entry.first.compare(0, prefix.size(), prefix) == 0) indices.insert(std::atoi(entry.first.c_str() + prefix.size()));
    }
    for (const auto* list : {&node.incoming(), &node.outgoing()}) {
        for (const Connection& connection : *list) {
            if (connection.local.elementIndexIn(arrayPath) >= 0) indices.insert(connection.local.elementIndexIn(arrayPath));
        }
    }
    return {indices.begin(), indices.end()};
}

int indexForShape(const Node& deformer, const Node& shape) {
    for (int index : existingIndices(deformer, "outputGeometry")) {
        if (outputShape(deformer, index) == &shape) return index;
    }
    return -1;
}

}  // namespace walked

// Random targets added, disconnected and connected again (last in order), weights set, bases
// added, shapes deleted or moved and set members edited on two deformers asked in turn: after
// each step every shape's base index, every slider's targets and the deformers' geometry
// indices are what the walks over every connection find.
TEST_F(ClusterBlendTest, TargetsAndBaseIndicesOfRandomEditsAreTheWalks) {
    using namespace vexa_host;
    Scene& scene = Scene::instance();
    std::mt19937 random(15);
    const auto pick = [&random](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
    std::vector<VObject> shapes{body}, deformers;
    for (int i = 0; i < 8; ++i) shapes.push_back(makeStrip(("s" + std::to_string(i)).c_str(), 1));
    for (int i = 0; i < 2; ++i) {
        VFnBlendShapeDeformer blend;
        deformers.push_back(blend.create(shapes[static_cast<size_t>(i)]));
    }
    const double fullWeights[] = {1.0, 0.5, 0.25};
    for (int step = 0; step < 400; ++step) {
        const VObject deformer = deformers[pick(2)];
        Node& node = *liveNodeOf(deformer);
        VFnBlendShapeDeformer blend(deformer);
        const VObject shape = shapes[pick(shapes.size())];
        const VObject other = shapes[pick(shapes.size())];
        const size_t what = pick(10);
        if (what <= 2) {
            blend.addTarget(shape, static_cast<int>(pick(4)), other, fullWeights[pick(3)]);
        } else if (what <= 4 && !node.incoming().empty()) {
            // A connection broken, and now and then made again: it then comes last.
            const Connection connection = node.incoming()[pick(node.incoming().size())];
            ASSERT_TRUE(scene.disconnect(*connection.other, connection.remote, node, connection.local));
            if (pick(2) == 0) {
                ASSERT_TRUE(scene.connect(*connection.other, connection.remote, node, connection.local));
            }
        } else if (what == 5) {
            blend.setWeight(static_cast<unsigned>(pick(5)), 0.5f);
        } else if (what == 6 && pick(2) == 0) {
            blend.addBaseObject(shape);
        } else if (what == 6) {
            // An output element connected by hand, maybe below the highest one in use.
            PlugPath output;
            PlugPath input;
            ASSERT_TRUE(parsePlugPath(node, "outputGeometry[" + std::to_string(pick(6)) + "]", output));
            ASSERT_TRUE(parsePlugPath(*liveNodeOf(shape), "inMesh", input));
            scene.connect(node, output, *liveNodeOf(shape), input);
        } else if (what == 7 && shapes.size() > 4) {
            // A shape deleted, sometimes with its transform.
            const VObject gone = pick(2) == 0 ? shape : VFnDagNode(shape).parent(0);
            ASSERT_TRUE(VGlobal::deleteNode(gone));
            shapes.erase(std::remove_if(shapes.begin(), shapes.end(), [](const VObject& each) { return liveNodeOf(each) == nullptr; }),
                         shapes.end());
        } else if (what == 8 && shape != other) {
            // A shape's transform moved under another's.
            Node& child = *liveNodeOf(VFnDagNode(shape).parent(0));
            Node& parent = *liveNodeOf(VFnDagNode(other).parent(0));
            if (!child.isAncestorOf(&parent) && &child != &parent) scene.addChild(parent, child, static_cast<size_t>(-1), false);
        } else if (what == 9) {
            if (Node* set = deformerSet(node)) {
                auto* members = static_cast<SetMembers*>(set->payload());
                VDagPath path;
                VDagPath::getAPathTo(shape, path);
                if (!members->remove(dagItem(path))) members->add(dagItem(path));
            }
        } else if (pick(3) == 0) {
            shapes.push_back(makeStrip(("n" + std::to_string(step)).c_str(), 1));
        }
        for (const VObject& each : deformers) {
            const Node& asked = *liveNodeOf(each);
            const VFnBlendShapeDeformer checked(each);
            ASSERT_EQ(geometryIndices(asked), walked::existingIndices(asked, "outputGeometry")) << "step " << step;
            for (const VObject& base : shapes) {
                const int index = indexForShape(asked, *liveNodeOf(base));
                ASSERT_EQ(index, walked::indexForShape(asked, *liveNodeOf(base))) << "step " << step;
                for (int weightIndex = -1; weightIndex < 5; ++weightIndex) {
                    VObjectArray targets;
                    ASSERT_EQ(static_cast<bool>(checked.getTargets(base, weightIndex, targets)), index >= 0) << "step " << step;
                    if (index < 0) break;
                    std::vector<VObject> found;
                    for (unsigned i = 0; i < targets.length(); ++i) found.push_back(targets[i]);
                    ASSERT_EQ(found, walked::targets(asked, index, weightIndex)) << "step " << step << " slider " << weightIndex;
                }
            }
        }
    }
}

}  // namespace

