// DAG paths, instances, path names, the transform-holds-its-shape answer, iterators and deletion.

#include "tests/support/HostTestSupport.h"

#include "host/src/api/ApiSupport.h"

#include <vexa/VDagPathArray.h>
#include <vexa/VDGModifier.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDag.h>
#include <vexa/VItDependencyGraph.h>
#include <vexa/VItDependencyNodes.h>

#include <string>
#include <vector>

namespace {

class DagTest : public HostTest {
protected:
    // |a|b|shared and |c|shared: one node with two parents.
    void SetUp() override {
        HostTest::SetUp();
        a = makeTransform("a");
        b = makeTransform("b", a);
        c = makeTransform("c");
        shared = makeTransform("shared", b);
        ASSERT_TRUE(VFnDagNode(c).addChild(shared, VFnDagNode::kNextPos, true));
    }

    static std::vector<std::string> walk(VItDag::TraversalType traversal, VFn::Type filter = VFn::kInvalid) {
        std::vector<std::string> names;
        for (VItDag it(traversal, filter); !it.isDone(); it.next()) names.push_back(it.fullPathName().asChar());
        return names;
    }

    // The paths of a depth-first walk that prunes at one path and stops after another.
    static std::vector<std::string> walkPruning(const std::string& pruneAt, const std::string& stopAfter = "") {
        std::vector<std::string> names;
        for (VItDag it; !it.isDone(); it.next()) {
            names.push_back(it.fullPathName().asChar());
            if (names.back() == pruneAt) {
                EXPECT_TRUE(it.prune());
                names.push_back(it.fullPathName().asChar());
            }
            if (names.back() == stopAfter) break;
        }
        return names;
    }

    VObject a, b, c, shared;
};

TEST_F(DagTest, AnInstanceHasOnePathPerParentInOrder) {
    VDagPathArray paths;
    ASSERT_TRUE(VDagPath::getAllPathsTo(shared, paths));
    ASSERT_EQ(paths.length(), 2u);
    EXPECT_EQ(paths[0].fullPathName(), "|a|b|shared");
    EXPECT_EQ(paths[1].fullPathName(), "|c|shared");
    EXPECT_EQ(paths[0].instanceNumber(), 0u);
    EXPECT_EQ(paths[1].instanceNumber(), 1u);
    EXPECT_TRUE(paths[1].isInstanced());
    EXPECT_EQ(paths[0].partialPathName(), "b|shared");
    EXPECT_EQ(paths[1].partialPathName(), "c|shared");
    VFnDagNode node(shared);
    EXPECT_TRUE(node.isInstanced());
    EXPECT_FALSE(VFnDagNode(b).isInstanced());
    EXPECT_TRUE(node.hasParent(c));
    EXPECT_TRUE(VFnDagNode(a).hasChild(b));
    EXPECT_FALSE(VFnDagNode(a).hasChild(shared));
    EXPECT_TRUE(VFnDagNode(a).hasParent(VObject()));
    EXPECT_EQ(node.parentCount(), 2u);
    EXPECT_EQ(node.parent(1), c);
    EXPECT_EQ(node.instanceCount(true), 2u);
    EXPECT_EQ(VFnDagNode(b).partialPathName(), "b");
}

// A node's first path runs top down through first parents; a shape's takes its transform.
TEST_F(DagTest, AFirstPathFollowsFirstParentsFromTheTop) {
    VDagPath path;
    ASSERT_TRUE(VDagPath::getAPathTo(shared, path));
    EXPECT_EQ(path.fullPathName(), "|a|b|shared");
    EXPECT_EQ(path.length(), 3u);
    ASSERT_TRUE(VDagPath::getAPathTo(a, path));
    EXPECT_EQ(path.fullPathName(), "|a");
    VStatus status;
    const VObject locator = VFnDagNode().create("locator", "spot", shared, &status);
    ASSERT_TRUE(status);
    ASSERT_TRUE(VDagPath::getAPathTo(locator, path));
    EXPECT_EQ(path.fullPathName(), "|a|b|shared|spot");
    EXPECT_EQ(path.length(), 4u);
    const vexa_host::NodeChain chain = vexa_host::Scene::firstPath(*vexa_host::liveNodeOf(locator));
    ASSERT_EQ(chain.size(), 4u);
    EXPECT_EQ(chain.front(), vexa_host::liveNodeOf(a));
    EXPECT_EQ(chain.back(), vexa_host::liveNodeOf(locator));
    EXPECT_TRUE(vexa_host::Scene::firstPath(vexa_host::Scene::instance().world()).empty());
}

TEST_F(DagTest, APathIsValidOnlyWhileItsLinksHold) {
    VDagPath path;
    ASSERT_TRUE(VDagPath::getAPathTo(shared, path));
    EXPECT_EQ(path.fullPathName(), "|a|b|shared");
    EXPECT_EQ(path.length(), 3u);
    EXPECT_TRUE(path.isValid());
    ASSERT_TRUE(VFnDagNode(b).removeChild(shared));
    EXPECT_FALSE(path.isValid());
    VStatus status;
    EXPECT_FALSE(path.isValid(&status));
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(VFnDagNode(shared).fullPathName(), "|c|shared");
    ASSERT_TRUE(path.pop());
    EXPECT_TRUE(path.isValid(&status));
    EXPECT_TRUE(status);
    EXPECT_EQ(path.pop(5), VStatus::kInvalidParameter);
}

TEST_F(DagTest, PushAndPopWalkTheHierarchy) {
    VDagPath path;
    ASSERT_TRUE(path.push(a));
    EXPECT_EQ(path.push(shared), VStatus::kInvalidParameter);
    ASSERT_TRUE(path.push(b));
    ASSERT_TRUE(path.push(shared));
    EXPECT_EQ(path.fullPathName(), "|a|b|shared");
    EXPECT_EQ(path.childCount(), 0u);
    ASSERT_TRUE(path.pop(2));
    EXPECT_EQ(path.child(0), b);
}

TEST_F(DagTest, ATransformPathAnswersForItsShapesToo) {
    VFnDagNode dag;
    VObject locator = dag.create("locator", shared);
    VDagPath transform;
    VDagPath::getAPathTo(shared, transform);
    EXPECT_TRUE(transform.hasFn(VFn::kTransform));
    EXPECT_TRUE(transform.hasFn(VFn::kAnyTransform));
    EXPECT_TRUE(transform.hasFn(VFn::kLocator));
    EXPECT_EQ(transform.apiType(), VFn::kTransform);
    EXPECT_FALSE(transform.hasFn(VFn::kJoint));
    EXPECT_FALSE(transform.hasFn(VFn::kInvalid));
    VDagPath shape = transform;
    ASSERT_TRUE(shape.extendToShape());
    EXPECT_EQ(shape.node(), locator);
    EXPECT_FALSE(shape.hasFn(VFn::kTransform));
    EXPECT_EQ(shape.transform(), shared);
    // A transform answers for its shapes, never for child transforms.
    VDagPath parent;
    VDagPath::getAPathTo(b, parent);
    EXPECT_FALSE(parent.hasFn(VFn::kLocator));
    // Two shapes: no single shape to extend to.
    dag.create("locator", shared);
    VDagPath twice = transform;
    EXPECT_EQ(twice.extendToShape(), VStatus::kInvalidParameter);
    unsigned count = 0;
    ASSERT_TRUE(transform.numberOfShapesDirectlyBelow(count));
    EXPECT_EQ(count, 2u);
}

// A function set makes nodes of concrete DAG types only; a shape made under the world gets a
// transform of its own, and nodes of one type written alike keep each its own values.
TEST_F(DagTest, CreationRefusesOtherTypesAndGivesAShapeItsTransform) {
    VFnDagNode dag;
    VStatus status;
    for (const char* refused : {"dagNode", "world", "nothing", "objectSet"}) {
        EXPECT_TRUE(dag.create(refused, VObject(), &status).isNull()) << refused;
        EXPECT_EQ(status, VStatus::kInvalidParameter) << refused;
    }
    const VObject shape = dag.create("locator", "spot", VObject(), &status);
    ASSERT_TRUE(status);
    VDagPath path;
    ASSERT_TRUE(VDagPath::getAPathTo(shape, path));
    EXPECT_EQ(std::string(path.fullPathName().asChar()), "|locator1|spot");

    std::vector<VObject> made;
    for (int i = 0; i < 3; ++i) {
        made.push_back(VFnDagNode().create("transform", VObject(), &status));
        VFnDependencyNode node(made.back());
        for (const char* name : {"translateX", "rotateY", "scaleZ", "rotatePivotX", "scalePivotTranslateZ"}) {
            ASSERT_TRUE(node.findPlug(name).setValue(i + 0.5)) << name;
        }
    }
    for (int i = 0; i < 3; ++i) {
        const VFnDependencyNode node(made[static_cast<size_t>(i)]);
        EXPECT_EQ(node.findPlug("scalePivotTranslateZ").asDouble(), i + 0.5);
        EXPECT_EQ(node.findPlug("translateX").asDouble(), i + 0.5);
        EXPECT_EQ(node.findPlug("translateY").asDouble(), 0.0);
    }
}

TEST_F(DagTest, JointsAnswerEveryTransformNumber) {
    VObject joint = makeNode("joint", "j");
    for (VFn::Type type : {VFn::kJoint, VFn::kTransform, VFn::kAnyTransform, VFn::kDagNode, VFn::kDependencyNode, VFn::kBase}) {
        EXPECT_TRUE(joint.hasFn(type)) << type;
    }
    EXPECT_FALSE(joint.hasFn(VFn::kLookAt));
    EXPECT_EQ(joint.apiType(), VFn::kJoint);
}

TEST_F(DagTest, DepthFirstVisitsEveryPathOfAnInstance) {
    const std::vector<std::string> expected = {"|a", "|a|b", "|a|b|shared", "|c", "|c|shared"};
    EXPECT_EQ(walk(VItDag::kDepthFirst), expected);
    const std::vector<std::string> level = {"|a", "|c", "|a|b", "|c|shared", "|a|b|shared"};
    EXPECT_EQ(walk(VItDag::kBreadthFirst), level);
    VItDag it;
    it.next();
    it.next();
    EXPECT_EQ(it.currentItem(), shared);
    EXPECT_EQ(it.depth(), 2u);
    EXPECT_EQ(it.partialPathName(), "b|shared");
}

// A chain below the scene of the fixture, with a side branch: each visit's path, depth and
// node agree at every level, both ways, and pruning inside the chain skips the rest of it.
TEST_F(DagTest, DeepWalksGiveEachVisitItsWholePath) {
    VObject parent = a;
    for (const char* name : {"d1", "d2", "d3"}) parent = makeTransform(name, parent);
    makeTransform("x", b);
    const auto visits = [](VItDag::TraversalType traversal) {
        std::vector<std::string> seen;
        for (VItDag it(traversal); !it.isDone(); it.next()) {
            VDagPath path;
            EXPECT_TRUE(it.getPath(path));
            EXPECT_EQ(path.length(), it.depth() + 1);
            EXPECT_EQ(path.node(), it.currentItem());
            seen.push_back(std::string(path.fullPathName().asChar()) + "/" + std::to_string(it.depth()));
        }
        return seen;
    };
    const std::vector<std::string> depthFirst = {"|a/0", "|a|b/1", "|a|b|shared/2", "|a|b|x/2", "|a|d1/1",
                                                 "|a|d1|d2/2", "|a|d1|d2|d3/3", "|c/0", "|c|shared/1"};
    EXPECT_EQ(visits(VItDag::kDepthFirst), depthFirst);
    const std::vector<std::string> breadthFirst = {"|a/0", "|c/0", "|a|b/1", "|a|d1/1", "|c|shared/1",
                                                   "|a|b|shared/2", "|a|b|x/2", "|a|d1|d2/2", "|a|d1|d2|d3/3"};
    EXPECT_EQ(visits(VItDag::kBreadthFirst), breadthFirst);
    const std::vector<std::string> expected = {"|a", "|a|b", "|a|d1", "|a|d1|d2"};
    EXPECT_EQ(walkPruning("|a|b", "|a|d1|d2"), expected);
}

TEST_F(DagTest, AFilterKeepsWalkingThroughOtherNodes) {
    VFnDagNode dag;
    dag.create("locator", shared);
    const std::vector<std::string> shapes = {"|a|b|shared|locatorShape1", "|c|shared|locatorShape1"};
    EXPECT_EQ(walk(VItDag::kDepthFirst, VFn::kLocator), shapes);
}

TEST_F(DagTest, PruneSkipsTheSubtree) {
    const std::vector<std::string> expected = {"|a", "|c", "|c|shared"};
    EXPECT_EQ(walkPruning("|a"), expected);
}

TEST_F(DagTest, ParentingRefusesCyclesAndShapesUnderTheWorld) {
    EXPECT_EQ(VFnDagNode(shared).addChild(a), VStatus::kInvalidParameter);
    EXPECT_EQ(VFnDagNode(a).addChild(a), VStatus::kInvalidParameter);
    VFnDagNode dag;
    VObject locator = dag.create("locator", c);
    EXPECT_EQ(VFnDagNode(locator).addChild(a), VStatus::kInvalidParameter);
    EXPECT_EQ(VFnDagNode(c).removeChild(locator), VStatus::kInvalidParameter);
    EXPECT_EQ(VFnDagNode(b).addChild(shared, VFnDagNode::kNextPos, true), VStatus::kInvalidParameter);
}

TEST_F(DagTest, AddChildAtAnIndexKeepsTheOrder) {
    VObject first = makeTransform("first", c);
    VObject second = makeTransform("second", c);
    VObject moved = makeTransform("moved");
    ASSERT_TRUE(VFnDagNode(c).addChild(moved, 1));
    VFnDagNode parent(c);
    ASSERT_EQ(parent.childCount(), 4u);
    EXPECT_EQ(parent.child(0), shared);
    EXPECT_EQ(parent.child(1), moved);
    EXPECT_EQ(parent.child(2), first);
    EXPECT_EQ(parent.child(3), second);
    ASSERT_TRUE(parent.removeChild(moved));
    EXPECT_EQ(parent.child(1), first);
    EXPECT_EQ(VFnDagNode(moved).fullPathName(), "|moved");
}

TEST_F(DagTest, ManyRemovalsKeepChildrenInOrder) {
    std::vector<VObject> children;
    for (int i = 0; i < 100; ++i) children.push_back(makeTransform(("n" + std::to_string(i)).c_str(), c));
    for (int i = 0; i < 100; i += 2) VGlobal::deleteNode(children[static_cast<size_t>(i)]);
    VFnDagNode parent(c);
    ASSERT_EQ(parent.childCount(), 51u);
    for (unsigned i = 1; i < 51; ++i) EXPECT_EQ(parent.child(i), children[2 * i - 1]) << i;
    // A child unlinked after the squeeze still leaves the right one.
    ASSERT_TRUE(parent.removeChild(children[99]));
    EXPECT_EQ(parent.child(parent.childCount() - 1), children[97]);
}

TEST_F(DagTest, DeletingAParentTakesItsOwnChildrenOnly) {
    VObject onlyChild = makeTransform("onlyChild", b);
    ASSERT_TRUE(VGlobal::deleteNode(a));
    EXPECT_EQ(vexa_host::Scene::instance().nodesNamed("onlyChild").size(), 0u);
    EXPECT_EQ(vexa_host::Scene::instance().nodesNamed("b").size(), 0u);
    VFnDagNode survivor(shared);
    EXPECT_EQ(survivor.parentCount(), 1u);
    EXPECT_EQ(survivor.fullPathName(), "|c|shared");
    EXPECT_EQ(VGlobal::deleteNode(onlyChild), VStatus::kInvalidParameter);
}

TEST_F(DagTest, DeletionTakesConnectionsAndOrphanedCurvesAlong) {
    VObject curve = makeNode("animCurveTL", "curve");
    VDGModifier modifier;
    modifier.connect(plugOf(curve, "output"), plugOf(shared, "tx"));
    modifier.connect(plugOf(a, "ty"), plugOf(c, "ty"));
    ASSERT_TRUE(modifier.doIt());
    ASSERT_TRUE(VGlobal::deleteNode(shared));
    EXPECT_FALSE(curve.isNull());
    EXPECT_EQ(vexa_host::Scene::instance().nodesNamed("curve").size(), 0u);
    ASSERT_TRUE(VGlobal::deleteNode(a));
    EXPECT_FALSE(plugOf(c, "ty").isConnected());
}

TEST_F(DagTest, DependencyNodesComeOldestFirst) {
    makeNode("objectSet", "set");
    std::vector<std::string> names;
    for (VItDependencyNodes it; !it.isDone(); it.next()) names.push_back(nameOf(it.thisNode()).asChar());
    const std::vector<std::string> expected = {"a", "b", "c", "shared", "set"};
    EXPECT_EQ(names, expected);
    names.clear();
    for (VItDependencyNodes it(VFn::kObjectSet); !it.isDone(); it.next()) names.push_back(nameOf(it.thisNode()).asChar());
    EXPECT_EQ(names, std::vector<std::string>{"set"});
}

TEST_F(DagTest, TheDependencyGraphWalkFollowsConnections) {
    // a.tx -> b.tx -> set ; c.tx -> b.ty
    VObject set = makeNode("objectSet", "set");
    VFnNumericAttribute numeric;
    ASSERT_TRUE(VFnDependencyNode(set).addAttribute(numeric.create("value", "val", VFnNumericAttribute::kDouble)));
    VDGModifier modifier;
    modifier.connect(plugOf(a, "tx"), plugOf(b, "tx"));
    modifier.connect(plugOf(b, "tx"), plugOf(set, "value"));
    modifier.connect(plugOf(c, "tx"), plugOf(b, "ty"));
    ASSERT_TRUE(modifier.doIt());
    auto names = [](VItDependencyGraph it) {
        std::vector<std::string> result;
        for (; !it.isDone(); it.next()) result.push_back(nameOf(it.currentItem()).asChar());
        return result;
    };
    EXPECT_EQ(names(VItDependencyGraph(a)), (std::vector<std::string>{"a", "b", "set"}));
    EXPECT_EQ(names(VItDependencyGraph(set, VFn::kInvalid, VItDependencyGraph::kUpstream)),
              (std::vector<std::string>{"set", "b", "a", "c"}));
    EXPECT_EQ(names(VItDependencyGraph(a, VFn::kObjectSet)), std::vector<std::string>{"set"});
    VItDependencyGraph pruned(a);
    ASSERT_TRUE(pruned.next());
    EXPECT_EQ(pruned.currentItem(), b);
    ASSERT_TRUE(pruned.prune());
    pruned.next();
    EXPECT_TRUE(pruned.isDone());
    EXPECT_EQ(names(VItDependencyGraph(a, VFn::kBase, VItDependencyGraph::kDownstream, VItDependencyGraph::kBreadthFirst)),
              (std::vector<std::string>{"a", "b", "set"}));
    VStatus status;
    VItDependencyGraph missing(VObject(), VFn::kInvalid, VItDependencyGraph::kDownstream, VItDependencyGraph::kDepthFirst,
                               VItDependencyGraph::kNodeLevel, &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
}

TEST_F(DagTest, LocalAndWorldMatricesFollowThePath) {
    plugOf(a, "tx").setValue(1.0);
    plugOf(b, "ty").setValue(2.0);
    plugOf(c, "tz").setValue(3.0);
    plugOf(shared, "tx").setValue(10.0);
    VDagPathArray paths;
    VDagPath::getAllPathsTo(shared, paths);
    EXPECT_EQ(paths[0].inclusiveMatrix()[3][0], 11.0);
    EXPECT_EQ(paths[0].inclusiveMatrix()[3][1], 2.0);
    EXPECT_EQ(paths[1].inclusiveMatrix()[3][2], 3.0);
    EXPECT_EQ(paths[1].exclusiveMatrix()[3][0], 0.0);
    VMatrix second;
    ASSERT_TRUE(plugOf(shared, "worldMatrix[1]").getValue(second));
    EXPECT_EQ(second, paths[1].inclusiveMatrix());
}

}  // namespace
