// Paths that share the steps they have in common, and the first path a node keeps: whatever a
// kept path answers at once must follow every change of the DAG's layout (a move, an instance,
// a deletion) and of names.

#include "tests/support/HostTestSupport.h"

#include "host/src/scene/Handles.h"
#include "host/src/scene/NodeType.h"
#include "host/src/scene/PathLink.h"

#include <vexa/VDagPath.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VGlobal.h>
#include <vexa/VItDag.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class PathLinkTest : public HostTest {
protected:
    // |a|b|c and |x.
    void SetUp() override {
        HostTest::SetUp();
        a = makeTransform("a");
        b = makeTransform("b", a);
        c = makeTransform("c", b);
        x = makeTransform("x");
    }

    static VDagPath pathTo(const VObject& node) {
        VDagPath path;
        EXPECT_TRUE(VDagPath::getAPathTo(node, path));
        return path;
    }

    VObject a, b, c, x;
};

TEST_F(PathLinkTest, PathsShareTheStepsAboveThem) {
    const VDagPath toB = pathTo(b);
    const VDagPath toC = pathTo(c);
    ASSERT_EQ(toC.length(), 3u);
    EXPECT_EQ(toC.tail()->up(), toB.tail()) << "a child's path runs through its parent's steps";
    EXPECT_EQ(pathTo(c).tail(), toC.tail()) << "asked again, the node gives the path it keeps";
    VDagPath pushed = toB;
    ASSERT_TRUE(pushed.push(c));
    EXPECT_EQ(pushed.tail(), toC.tail());
    int visits = 0;
    for (VItDag it; !it.isDone(); it.next(), ++visits) {
        VDagPath walked;
        ASSERT_TRUE(it.getPath(walked));
        EXPECT_EQ(walked.tail(), pathTo(walked.node()).tail()) << walked.fullPathName();
    }
    EXPECT_EQ(visits, 4);
}

TEST_F(PathLinkTest, AKeptPathFollowsMovesInstancesRenamesAndDeletions) {
    const VDagPath before = pathTo(c);  // kept by c until b is instanced
    EXPECT_EQ(before.partialPathName(), "c");
    ASSERT_TRUE(VFnDagNode(x).addChild(b));
    EXPECT_FALSE(before.isValid()) << "b left a";
    EXPECT_EQ(pathTo(c).fullPathName(), "|x|b|c");
    EXPECT_TRUE(pathTo(c).isValid());
    EXPECT_EQ(pathTo(c), VDagPath(std::vector<vexa_host::NodePtr>{
                             vexa_host::nodeOf(x)->self(), vexa_host::nodeOf(b)->self(), vexa_host::nodeOf(c)->self()}));
    VFnDagNode(x).setName("y");
    EXPECT_EQ(pathTo(c).fullPathName(), "|y|b|c") << "the text is made from the names of now";

    // c is also a's child: its first path stays, but it is one of two. The path held from
    // before (and kept by c while held) tells so too.
    const VDagPath held = pathTo(c);
    const VDagPath toB = pathTo(b);
    ASSERT_TRUE(VFnDagNode(a).addChild(c, VFnDagNode::kNextPos, true));
    EXPECT_TRUE(held.isInstanced());
    EXPECT_TRUE(toB.isValid());
    EXPECT_EQ(pathTo(b), toB) << "made anew after the change, of the same nodes";
    const VDagPath first = pathTo(c);
    EXPECT_EQ(first, held);
    EXPECT_EQ(first.fullPathName(), "|y|b|c");
    EXPECT_TRUE(first.isInstanced());
    EXPECT_EQ(first.partialPathName(), "b|c") << "the name alone names both paths";
    EXPECT_EQ(pathTo(b).partialPathName(), "b");

    ASSERT_TRUE(VGlobal::executeCommand("delete b"));
    EXPECT_FALSE(first.isValid()) << "b is gone";
    const VDagPath after = pathTo(c);
    EXPECT_EQ(after.fullPathName(), "|a|c");
    EXPECT_FALSE(after.isInstanced());
    EXPECT_EQ(after.instanceNumber(), 0u);
    EXPECT_EQ(after.partialPathName(), "c");
}

// c has one parent, but b above it is x's child too: c lies on two paths.
TEST_F(PathLinkTest, ANodeBelowAnInstancedGroupIsInstanced) {
    const VDagPath before = pathTo(c);  // kept by c until b is instanced
    ASSERT_TRUE(VFnDagNode(x).addChild(b, VFnDagNode::kNextPos, true));
    const VDagPath first = pathTo(c);
    EXPECT_TRUE(first.isInstanced());
    const vexa_host::Scene& scene = vexa_host::Scene::instance();
    std::vector<std::string> found;
    for (const vexa_host::NodeChain& chain : scene.findPaths("c")) found.push_back(vexa_host::Scene::fullPathName(chain));
    EXPECT_EQ(found, (std::vector<std::string>{"|a|b|c", "|x|b|c"}));
    const std::string partial = first.partialPathName().str();
    EXPECT_EQ(partial, "a|b|c") << "the name alone names both paths, and so does b|c";
    ASSERT_EQ(scene.findPaths(partial).size(), 1u);
    EXPECT_EQ(vexa_host::Scene::fullPathName(scene.findPaths(partial).front()), "|a|b|c");
}

// Only a node being made has no parent; one whose path was taken then follows its first link.
TEST_F(PathLinkTest, APathTakenBeforeTheFirstLinkFollowsIt) {
    vexa_host::Scene& scene = vexa_host::Scene::instance();
    const VObject p = makeTransform("p");
    const auto n = std::make_shared<vexa_host::Node>(*vexa_host::NodeTypeRegistry::instance().find("transform"), 1u << 30);
    scene.rename(*n, "n");
    ASSERT_EQ(pathTo(VObject(n)).length(), 1u);
    ASSERT_TRUE(scene.addChild(*vexa_host::nodeOf(p), *n, static_cast<size_t>(-1), false));
    EXPECT_EQ(pathTo(VObject(n)).fullPathName(), "|p|n");
    ASSERT_EQ(scene.findPaths("n").size(), 1u);
    EXPECT_EQ(scene.findPaths("n").front().back(), n.get());
    scene.deleteNode(*n);
}

TEST_F(PathLinkTest, ThePathBuiltLastStaysKeptUntilANodeIsDeleted) {
    std::weak_ptr<const vexa_host::PathLink> kept = pathTo(c).tail();
    ASSERT_FALSE(kept.expired()) << "the scene holds the path built last, though nothing else does";
    ASSERT_TRUE(VGlobal::executeCommand("createNode transform -n d -p c"));
    const VDagPath toD = pathTo(VFnDagNode(c).child(0));
    EXPECT_EQ(toD.fullPathName(), "|a|b|c|d");
    EXPECT_EQ(toD.tail()->up(), kept.lock()) << "one step below the steps c kept";
    kept = pathTo(x).tail();
    ASSERT_TRUE(VGlobal::executeCommand("delete d"));
    EXPECT_TRUE(kept.expired()) << "a deletion lets the path built last go";
}

// Partial names and path texts of nodes that share a name, read off the kept steps.
TEST_F(PathLinkTest, NamesakesArePartlyNamedAndFoundByTheirKeptSteps) {
    const VObject underB = makeTransform("X", b);
    const VObject underX = makeTransform("X", x);
    EXPECT_EQ(pathTo(underB).partialPathName(), "b|X");
    EXPECT_EQ(pathTo(underX).partialPathName(), "x|X");
    const vexa_host::Scene& scene = vexa_host::Scene::instance();
    ASSERT_EQ(scene.findPaths("x|X").size(), 1u);
    EXPECT_EQ(scene.findPaths("x|X").front().back(), vexa_host::nodeOf(underX));
    EXPECT_EQ(scene.findPaths("X").size(), 2u);
    // |n|n|n: the middle one is named in full, as no tail of it names it alone.
    const VObject top = makeTransform("n");
    const VObject middle = makeTransform("n", top);
    const VObject bottom = makeTransform("n", middle);
    EXPECT_EQ(pathTo(top).partialPathName(), "|n");
    EXPECT_EQ(pathTo(middle).partialPathName(), "|n|n");
    EXPECT_EQ(pathTo(bottom).partialPathName(), "n|n|n");
    EXPECT_EQ(scene.findPaths("n|n").size(), 2u);
    EXPECT_EQ(scene.findPaths("n|n|n").size(), 1u);
}

}  // namespace
