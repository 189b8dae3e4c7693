// Names made legal and unique, DAG siblings, namespaces and renaming.

#include "tests/support/HostTestSupport.h"

#include <vexa/VDagPath.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VGlobal.h>
#include <vexa/VSelectionList.h>

namespace {

using SceneNamesTest = HostTest;

TEST_F(SceneNamesTest, ClashingNamesCountUpFromTheirOwnNumber) {
    struct Case {
        const char* requested;
        const char* expected;
    };
    makeTransform("ball");
    makeNode("objectSet", "ball7");
    const Case cases[] = {
        {"ball", "ball1"}, {"ball", "ball2"}, {"ball7", "ball8"}, {"ball", "ball9"}, {"ball2", "ball10"},
    };
    for (const Case& c : cases) EXPECT_EQ(nameOf(makeNode("objectSet", c.requested)), c.expected) << c.requested;
}

TEST_F(SceneNamesTest, IllegalCharactersAndLeadingDigitsAreReplaced) {
    EXPECT_EQ(nameOf(makeNode("objectSet", "a b-c")), "a_b_c");
    EXPECT_EQ(nameOf(makeNode("objectSet", "9lives")), "_9lives");
    EXPECT_EQ(nameOf(makeNode("objectSet", "")), "objectSet1");
    EXPECT_EQ(nameOf(makeNode("objectSet", "")), "objectSet2");
    EXPECT_EQ(nameOf(makeNode("objectSet", "::lead")), "lead");
    EXPECT_EQ(nameOf(makeNode("objectSet", "end.")), "end_");
    EXPECT_EQ(nameOf(makeNode("objectSet", "::")), "objectSet3");
}

// Types asked for by name in turn, more of them than a creator keeps at hand, each make nodes
// of their own kind.
TEST_F(SceneNamesTest, NodesOfManyTypesInTurnAreOfTheTypeAskedFor) {
    const char* const types[] = {"transform", "locator", "joint", "objectSet", "lookAt", "transform", "locator"};
    for (int round = 0; round < 2; ++round) {
        for (const char* type : types) {
            const VObject made = makeNode(type, "");
            EXPECT_STREQ(made.apiTypeStr(), type);
        }
    }
    const VObject parent = makeTransform("parent");
    for (const char* type : {"locator", "transform", "joint", "locator"}) {
        EXPECT_STREQ(VFnDagNode().create(type, parent).apiTypeStr(), type);
    }
    VStatus status;
    EXPECT_TRUE(VFnDagNode().create("noSuchType", parent, &status).isNull());
    EXPECT_FALSE(status);
}

TEST_F(SceneNamesTest, DagSiblingsDifferButCousinsMayShareANameOutsideTheDagNot) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    EXPECT_EQ(nameOf(makeTransform("geo", a)), "geo");
    EXPECT_EQ(nameOf(makeTransform("geo", b)), "geo");
    EXPECT_EQ(nameOf(makeTransform("geo", a)), "geo1");
    // A dependency node's name differs from every DAG name, and a DAG node avoids it too.
    EXPECT_EQ(nameOf(makeNode("objectSet", "geo")), "geo2");
    makeNode("objectSet", "shared");
    EXPECT_EQ(nameOf(makeTransform("shared")), "shared1");
}

TEST_F(SceneNamesTest, ShapesGetShapeNamesAndATransformOfTheirOwn) {
    VFnDagNode dag;
    VStatus status;
    VObject shape = dag.create("locator", VObject::kNullObj, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(nameOf(shape), "locatorShape1");
    ASSERT_EQ(dag.parentCount(), 1u);
    EXPECT_TRUE(dag.parent(0).hasFn(VFn::kTransform));
    EXPECT_EQ(nameOf(dag.parent(0)), "locator1");
}

TEST_F(SceneNamesTest, RenameKeepsTheNameWhenFreeAndAvoidsSiblings) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    VFnDependencyNode fn(b);
    EXPECT_EQ(fn.setName("b"), "b");
    EXPECT_EQ(fn.setName("a"), "a1");
    EXPECT_EQ(fn.setName("x y"), "x_y");
    EXPECT_EQ(nameOf(a), "a");
}

TEST_F(SceneNamesTest, MovingANodeBesideANamesakeRenamesIt) {
    VObject a = makeTransform("a");
    VObject child = makeTransform("geo", a);
    makeTransform("geo");
    // Unlinked from its only parent, the node goes under the world, beside the other "geo".
    ASSERT_TRUE(VFnDagNode(a).removeChild(child));
    EXPECT_EQ(VFnDagNode(child).fullPathName(), "|geo1");
    VObject b = makeTransform("b");
    makeTransform("geo", b);
    ASSERT_TRUE(VFnDagNode(b).addChild(child));
    EXPECT_EQ(VFnDagNode(child).fullPathName(), "|b|geo1");
}

TEST_F(SceneNamesTest, NamespacesAreMadeWithTheirParentsAndKeepNamesApart) {
    VObject first = makeNode("objectSet", "ns:sub:thing");
    VObject second = makeNode("objectSet", "other:thing");
    VObject third = makeNode("objectSet", "ns:sub:thing");
    EXPECT_EQ(nameOf(first), "ns:sub:thing");
    EXPECT_EQ(nameOf(second), "other:thing");
    EXPECT_EQ(nameOf(third), "ns:sub:thing1");
    EXPECT_EQ(VFnDependencyNode(first).nodeNamespace(), "ns:sub");
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    EXPECT_TRUE(scene.namespaceExists("ns"));
    EXPECT_TRUE(scene.namespaceExists("ns:sub"));
    EXPECT_FALSE(scene.namespaceExists("sub"));
}

TEST_F(SceneNamesTest, TheCurrentNamespaceHoldsNewNamesUnlessTheyStartAtTheRoot) {
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    EXPECT_FALSE(scene.setCurrentNamespace("missing"));
    scene.addNamespace("rig");
    ASSERT_TRUE(scene.setCurrentNamespace("rig"));
    EXPECT_EQ(nameOf(makeNode("objectSet", "arm")), "rig:arm");
    EXPECT_EQ(nameOf(makeNode("objectSet", ":arm")), "arm");
    ASSERT_TRUE(scene.setCurrentNamespace(":"));
    EXPECT_EQ(nameOf(makeNode("objectSet", "leg")), "leg");
}

TEST_F(SceneNamesTest, OnlyAnEmptyNamespaceCanBeRemoved) {
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    VObject node = makeNode("objectSet", "ns:thing");
    EXPECT_FALSE(scene.removeNamespace("ns"));
    VFnDependencyNode(node).setName(":thing");
    EXPECT_TRUE(scene.removeNamespace("ns"));
    EXPECT_FALSE(scene.namespaceExists("ns"));
}

// Names a rename leaves behind are free at once, and a name taken again stays taken however
// many other names are left behind after it.
TEST_F(SceneNamesTest, NamesLeftByRenamesAreFreeAndTakenOnesStayTaken) {
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    VObject first = makeNode("objectSet", "p");
    VFnDependencyNode(first).setName("first");
    EXPECT_TRUE(scene.nodesNamed("p").empty());
    VObject again = makeNode("objectSet", "p");
    EXPECT_EQ(nameOf(again), "p");
    for (const char* name : {"q", "r", "s"}) {
        VObject left = makeNode("objectSet", name);
        VFnDependencyNode(left).setName(VString(name) + "Renamed");
        EXPECT_TRUE(scene.nodesNamed(name).empty()) << name;
    }
    ASSERT_EQ(scene.nodesNamed("p").size(), 1u);
    EXPECT_EQ(nameOf(makeNode("objectSet", "p")), "p1");
    EXPECT_EQ(nameOf(makeNode("objectSet", "q")), "q");
    VObject spaced = makeNode("objectSet", "ns:t");
    VFnDependencyNode(spaced).setName(":t");
    EXPECT_TRUE(scene.removeNamespace("ns"));
}

TEST_F(SceneNamesTest, ANewSceneForgetsNamesAndNumbers) {
    makeTransform("ball");
    makeTransform("ball");
    vexa_host::Scene::instance().reset();
    EXPECT_TRUE(vexa_host::Scene::instance().nodes().empty());
    EXPECT_EQ(nameOf(makeTransform("ball")), "ball");
    EXPECT_EQ(nameOf(makeTransform("ball")), "ball1");
}

TEST_F(SceneNamesTest, DeletedNodesFreeTheirNames) {
    VObject ball = makeTransform("ball");
    ASSERT_TRUE(VGlobal::deleteNode(ball));
    EXPECT_EQ(nameOf(makeTransform("ball")), "ball");
    VFnDependencyNode stale;
    EXPECT_EQ(stale.setObject(ball), VStatus::kInvalidParameter);
}

TEST_F(SceneNamesTest, ANodeMovedBesideAChildOfItsNameIsRenamed) {
    VObject a = makeTransform("a");
    VObject b = makeTransform("b");
    makeTransform("geo", a);
    VObject moved = makeTransform("geo", b);
    ASSERT_TRUE(VFnDagNode(a).addChild(moved));
    EXPECT_EQ(VFnDagNode(moved).fullPathName(), "|a|geo1");
    EXPECT_EQ(vexa_host::Scene::instance().findPaths("|a|geo").size(), 1u) << "every path names one node";
    // The parent command moves through the same door.
    VObject other = makeTransform("geo", b);
    ASSERT_TRUE(VGlobal::executeCommand("parent |b|geo |a"));
    EXPECT_EQ(VFnDagNode(other).fullPathName(), "|a|geo2");
    // So does an instance: its name must be free under every parent it has.
    VObject shared = makeTransform("geo", b);
    ASSERT_TRUE(VFnDagNode(a).addChild(shared, VFnDagNode::kNextPos, true));
    EXPECT_EQ(nameOf(shared), "geo3");
    EXPECT_EQ(vexa_host::Scene::instance().findPaths("|a|geo").size(), 1u);
}

// The paths a path text names, each as its full path name ("<broken>" when its links do not
// hold), in the order found.
std::string pathsNamed(const std::string& text) {
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    std::string answer;
    for (const vexa_host::NodeChain& chain : scene.findPaths(text)) {
        const vexa_host::Node* parent = &scene.world();
        bool linked = true;
        for (const vexa_host::Node* node : chain) {
            linked = linked && node->hasParent(parent);
            parent = node;
        }
        answer += (answer.empty() ? "" : " ") + (linked ? vexa_host::Scene::fullPathName(chain) : "<broken>");
    }
    return answer;
}

// Whole paths, partial paths and plain names, with namesakes under other parents, an instance
// with two paths, namespaces, a rename and a deletion.
TEST_F(SceneNamesTest, APathTextFindsThePathsItsNamesSpell) {
    const VObject cameras[] = {makeTransform("cam1"), makeTransform("cam2"), makeTransform("cam3")};
    VObject shapes[3];
    for (int i = 0; i < 3; ++i) shapes[i] = makeTransform("cameraShape1", cameras[i]);
    makeTransform("geo", cameras[0]);
    makeTransform("geo");
    const VObject a = makeTransform("a");
    VObject shared = makeTransform("shared", makeTransform("b", a));
    ASSERT_TRUE(VFnDagNode(makeTransform("c")).addChild(shared, VFnDagNode::kNextPos, true));
    makeTransform("ns:leaf", makeTransform("ns:top"));
    const struct {
        const char* text;
        const char* paths;
    } rows[] = {
        {"|cam2|cameraShape1", "|cam2|cameraShape1"},
        {"||cam2||cameraShape1|", "|cam2|cameraShape1"},
        {"cam2|cameraShape1", "|cam2|cameraShape1"},
        {"|cameraShape1", ""},
        {"cameraShape1", "|cam1|cameraShape1 |cam2|cameraShape1 |cam3|cameraShape1"},
        {"|missing|cameraShape1", ""},
        {"|geo", "|geo"},
        {"|cam1|geo", "|cam1|geo"},
        {"geo", "|cam1|geo |geo"},
        {"|c|shared", "|c|shared"},
        {"|a|b|shared", "|a|b|shared"},
        {"|a|shared", ""},
        {"|b|shared", ""},
        {"b|shared", "|a|b|shared"},
        {"shared", "|a|b|shared |c|shared"},
        {"|ns:top|ns:leaf", "|ns:top|ns:leaf"},
        {"|top|leaf", ""},
        {"|", ""},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(pathsNamed(row.text), row.paths) << row.text;
    // A name given again goes to the back of its namesakes; its path still leads to it.
    VFnDagNode(shapes[0]).setName("lens");
    VFnDagNode(shapes[0]).setName("cameraShape1");
    EXPECT_EQ(pathsNamed("cameraShape1"), "|cam2|cameraShape1 |cam3|cameraShape1 |cam1|cameraShape1");
    EXPECT_EQ(pathsNamed("|cam1|cameraShape1"), "|cam1|cameraShape1");
    ASSERT_TRUE(VGlobal::deleteNode(cameras[2]));
    EXPECT_EQ(pathsNamed("|cam3|cameraShape1"), "");
    VSelectionList list;
    ASSERT_TRUE(list.add("|c|shared"));
    VDagPath path;
    ASSERT_TRUE(list.getDagPath(0, path));
    EXPECT_EQ(path.fullPathName(), "|c|shared") << "the instance's second path";
}

}  // namespace
