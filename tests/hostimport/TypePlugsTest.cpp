// Plugs of fixed names found once per host node type: the plugs a lookup by name finds, for
// nodes of several types in turn and for nodes with attributes of their own.

#include "tests/support/HostTestSupport.h"

#include "hostimport/TypePlugs.h"

#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnNumericAttribute.h>

#include <cstddef>
#include <vector>

namespace {

using TypePlugsTest = HostTest;

const std::vector<const char*> kNames = {"translateX", "jointOrientY", "rotateAxisZ", "sy"};

// Every plug of the table on the node is the one its name finds (null for a name the node lacks).
void ExpectPlugsByName(TypePlugs& plugs, const VObject& object) {
    const VFnDependencyNode node(object);
    plugs.Use(node);
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        const VPlug byName = node.findPlug(kNames[i]);
        const VPlug found = plugs.Find(node, i);
        EXPECT_EQ(found.isNull(), byName.isNull()) << kNames[i] << " on " << node.name().asChar();
        EXPECT_TRUE(found == byName) << kNames[i] << " on " << node.name().asChar();
    }
}

TEST_F(TypePlugsTest, NodesOfTypesInTurnFindThePlugsOfTheirNames) {
    TypePlugs plugs(kNames);
    const VObject ball = makeTransform("ball");
    const VObject bone = makeNode("joint", "bone");
    const VObject other = makeTransform("other");
    for (const VObject& node : {ball, bone, other, bone, ball}) ExpectPlugsByName(plugs, node);
    plugs.Use(VFnDependencyNode(bone));
    EXPECT_FALSE(plugs.Find(VFnDependencyNode(bone), 1).isNull()) << "a joint has its joint orient";
    plugs.Use(VFnDependencyNode(ball));
    EXPECT_TRUE(plugs.Find(VFnDependencyNode(ball), 1).isNull()) << "a transform has none";
    ASSERT_TRUE(plugs.Find(VFnDependencyNode(other), 0).setValue(2.5));
    EXPECT_EQ(plugOf(other, "translateX").asDouble(), 2.5);
    EXPECT_EQ(plugOf(ball, "translateX").asDouble(), 0.0);
}

// A transform may have an attribute of its own by a name its type lacks (and a joint's type
// has): that node finds it, whether it is the first node of its type or a later one, and its
// plain namesakes do not.
TEST_F(TypePlugsTest, AnAttributeOfANodesOwnIsFoundOnThatNodeOnly) {
    const auto addOwn = [](const VObject& node) {
        VFnNumericAttribute numeric;
        const VObject attribute = numeric.create("jointOrientY", "joy", VFnNumericAttribute::kDouble, 0.0);
        EXPECT_TRUE(VFnDependencyNode(node).addAttribute(attribute));
    };
    const VObject bone = makeNode("joint", "bone");
    const VObject first = makeTransform("first");
    const VObject plain = makeTransform("plain");
    const VObject later = makeTransform("later");
    addOwn(first);
    addOwn(later);
    TypePlugs plugs(kNames);
    for (const VObject& node : {bone, first, plain, later, bone}) ExpectPlugsByName(plugs, node);
    plugs.Use(VFnDependencyNode(later));
    const VPlug own = plugs.Find(VFnDependencyNode(later), 1);
    ASSERT_FALSE(own.isNull());
    EXPECT_EQ(own.name(), "later.jointOrientY");
    plugs.Use(VFnDependencyNode(plain));
    EXPECT_TRUE(plugs.Find(VFnDependencyNode(plain), 1).isNull());
}

}  // namespace
