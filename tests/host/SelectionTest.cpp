// Selection texts, selection lists, the active selection and the sets an item belongs to.

#include "tests/support/HostTestSupport.h"

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/DoubleIndexedComponent.h"
#include "host/src/geometry/SingleIndexedComponent.h"
#include "host/src/scene/Scene.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/SetMembers.h"

#include <vexa/VFnDagNode.h>
#include <vexa/VGlobal.h>
#include <vexa/VObjectArray.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <memory>
#include <ostream>
#include <string>

namespace {

// A face range of a shape, as a node type with components would make it.
class FaceRange : public vexa_host::ComponentRecord {
public:
    explicit FaceRange(std::string text) : text_(std::move(text)) {}
    VFn::Type apiType() const override { return VFn::kMeshPolygonComponent; }
    bool hasFn(VFn::Type type) const override { return type == VFn::kMeshPolygonComponent || type == VFn::kComponent; }
    const char* apiTypeName() const override { return "faceRange"; }
    std::string text() const override { return text_; }
    bool sameAs(const ComponentRecord& other) const override { return other.text() == text_; }

private:
    std::string text_;
};

// A payload of another kind.
class OtherPayload : public vexa_host::NodePayload {
public:
    void describe(std::ostream&, const std::string&) const override {}
};

class SelectionTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        group = makeTransform("group");
        ball = makeTransform("ball", group);
        other = makeTransform("other");
        geoA = makeTransform("geo", group);
        geoB = makeTransform("geo", other);
        set = makeNode("objectSet", "set");
    }

    static VStringArray strings(const VSelectionList& list) {
        VStringArray result;
        list.getSelectionStrings(result);
        return result;
    }

    VObject group, ball, other, geoA, geoB, set;
};

TEST_F(SelectionTest, TextsNameNodesPathsAndPlugs) {
    struct Case {
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {"ball", "ball"},
        {"|group|ball", "ball"},
        {"group|geo", "group|geo"},
        {"|other|geo", "other|geo"},
        {"set", "set"},
        {"ball.translateX", "ball.translateX"},
        {"ball.tx", "ball.translateX"},
        {"other|geo.worldMatrix[0]", "other|geo.worldMatrix[0]"},
        {":ball", "ball"},
    };
    for (const Case& c : cases) {
        VSelectionList list;
        ASSERT_TRUE(list.add(c.text)) << c.text;
        ASSERT_EQ(list.length(), 1u) << c.text;
        EXPECT_EQ(strings(list)[0], c.shown) << c.text;
    }
}

TEST_F(SelectionTest, BadTextsSayWhy) {
    struct Case {
        const char* text;
        VStatus::StatusCode code;
    };
    const Case cases[] = {
        {"geo", VStatus::kInvalidParameter}, {"missing", VStatus::kNotFound}, {"ball.nothing", VStatus::kNotFound},
        {"|ball", VStatus::kNotFound},       {"", VStatus::kInvalidParameter}, {"ball.tx[2]", VStatus::kNotFound},
    };
    for (const Case& c : cases) {
        VSelectionList list;
        EXPECT_EQ(list.add(c.text), c.code) << c.text;
        EXPECT_EQ(list.length(), 0u) << c.text;
    }
}

// Whole paths asked again and again, and again after each change to the names or links.
TEST_F(SelectionTest, AWholePathIsFoundAfreshAfterEachChange) {
    const vexa_host::Scene& scene = vexa_host::Scene::instance();
    const auto found = [&scene](const char* text) {
        const std::vector<vexa_host::NodeChain> paths = scene.findPaths(text);
        return paths.size() == 1 ? vexa_host::Scene::fullPathName(paths.front()) + "=" + paths.front().back()->name() : std::string();
    };
    EXPECT_EQ(found("|group|ball"), "|group|ball=ball");
    EXPECT_EQ(found("|group|ball"), "|group|ball=ball");
    EXPECT_EQ(found("|other|geo"), "|other|geo=geo");
    EXPECT_EQ(scene.findPaths("|other|geo").front().back(), vexa_host::liveNodeOf(geoB));
    VFnDagNode(ball).setName("bat");
    EXPECT_EQ(found("|group|ball"), "");
    EXPECT_EQ(found("|group|bat"), "|group|bat=bat");
    ASSERT_TRUE(VFnDagNode(other).addChild(ball));
    EXPECT_EQ(found("|group|bat"), "");
    EXPECT_EQ(found("|other|bat"), "|other|bat=bat");
    ASSERT_TRUE(VGlobal::deleteNode(ball));
    EXPECT_EQ(found("|other|bat"), "");
    const VObject again = makeTransform("bat", other);
    ASSERT_EQ(found("|other|bat"), "|other|bat=bat");
    EXPECT_EQ(scene.findPaths("|other|bat").front().back(), vexa_host::liveNodeOf(again));
}

// A level with few children is looked through child by child, one with many by the name.
TEST_F(SelectionTest, AWholePathFindsChildrenOfFewOrMany) {
    const VObject wide = makeTransform("wide");
    for (const char* name : {"k0", "k1", "k2", "k3", "k4", "k5"}) makeTransform(name, wide);
    const VObject last = makeTransform("ball", wide);
    const vexa_host::Scene& scene = vexa_host::Scene::instance();
    for (const char* text : {"|wide|k0", "|wide|k5", "|group|ball", "|group|geo", "|other|geo"}) {
        const std::vector<vexa_host::NodeChain> paths = scene.findPaths(text);
        ASSERT_EQ(paths.size(), 1u) << text;
        EXPECT_EQ(vexa_host::Scene::fullPathName(paths.front()), text);
    }
    EXPECT_EQ(scene.findPaths("|wide|ball").front().back(), vexa_host::liveNodeOf(last));
    EXPECT_EQ(scene.findPaths("|group|ball").front().back(), vexa_host::liveNodeOf(ball));
    EXPECT_TRUE(scene.findPaths("|wide|k6").empty());
    EXPECT_TRUE(scene.findPaths("|group|k0").empty());
}

TEST_F(SelectionTest, PatternsAddEveryMatchOnce) {
    VSelectionList list;
    ASSERT_TRUE(list.add("g*"));
    ASSERT_TRUE(list.add("group"));
    const VStringArray shown = strings(list);
    ASSERT_EQ(shown.length(), 3u);
    EXPECT_EQ(shown[0], "group");
    EXPECT_EQ(shown[1], "group|geo");
    EXPECT_EQ(shown[2], "other|geo");
    VSelectionList single;
    ASSERT_TRUE(single.add("?et"));
    EXPECT_EQ(strings(single)[0], "set");
}

TEST_F(SelectionTest, PatternsMatchAsGlobsAndManyStarsCostLittle) {
    const struct {
        const char* pattern;
        size_t matches;
    } cases[] = {
        {"*", 6},    {"*o*", 4}, {"g*p", 1}, {"*e*t", 1}, {"?e?", 3}, {"**b**a**l**l**", 1},
        {"*l*l", 1}, {"ba*l?", 1}, {"s*t*", 1}, {"*x*", 0},  {"o*r", 1}, {"*ther", 1},
        {"b*l?l", 0}, {"*ll?", 0}, {"g?o*", 3},
    };
    for (const auto& c : cases) {
        VSelectionList list;
        list.add(c.pattern);
        EXPECT_EQ(list.length(), c.matches) << c.pattern;
    }
    // A pattern of many stars that does not match a long name: a match trying every split of
    // the name among the stars would not end.
    makeTransform(std::string(40, 'a').c_str());
    VSelectionList none;
    EXPECT_EQ(none.add(std::string(60, '*') + "z" + std::string(60, '*')), VStatus::kNotFound);
    VSelectionList one;
    ASSERT_TRUE(one.add(std::string(60, '*') + "aa" + std::string(60, '*')));
    EXPECT_EQ(one.length(), 1u);
}

TEST_F(SelectionTest, ItemsKeepTheirKinds) {
    VSelectionList list;
    list.add("ball");
    list.add("set");
    list.add("ball.ty");
    VDagPath path;
    VObject node;
    VPlug plug;
    ASSERT_TRUE(list.getDagPath(0, path));
    EXPECT_EQ(path.fullPathName(), "|group|ball");
    EXPECT_EQ(list.getDagPath(1, path), VStatus::kInvalidParameter);
    ASSERT_TRUE(list.getDependNode(1, node));
    EXPECT_EQ(node, set);
    ASSERT_TRUE(list.getPlug(2, plug));
    EXPECT_EQ(plug, plugOf(ball, "ty"));
    EXPECT_EQ(list.getPlug(0, plug), VStatus::kInvalidParameter);
    EXPECT_EQ(list.getDependNode(3, node), VStatus::kInvalidParameter);
}

TEST_F(SelectionTest, HasItemComparesPathsNodesAndPlugs) {
    VSelectionList list;
    list.add("ball");
    list.add(set);
    list.add(plugOf(ball, "tx"));
    VDagPath ballPath;
    VDagPath::getAPathTo(ball, ballPath);
    VDagPath groupPath;
    VDagPath::getAPathTo(group, groupPath);
    EXPECT_TRUE(list.hasItem(ballPath));
    EXPECT_FALSE(list.hasItem(groupPath));
    EXPECT_TRUE(list.hasItem(set));
    EXPECT_TRUE(list.hasItem(ball));
    EXPECT_TRUE(list.hasItem(plugOf(ball, "tx")));
    EXPECT_FALSE(list.hasItem(plugOf(ball, "ty")));
    EXPECT_FALSE(list.hasItem(other));
}

TEST_F(SelectionTest, MergeAddsTogglesAndRemoves) {
    VSelectionList first;
    first.add("ball");
    first.add("set");
    VSelectionList second;
    second.add("set");
    second.add("group");
    VSelectionList merged = first;
    merged.merge(second);
    EXPECT_EQ(merged.length(), 3u);
    VSelectionList toggled = first;
    toggled.merge(second, VSelectionList::kXORWithList);
    EXPECT_EQ(strings(toggled).length(), 2u);
    EXPECT_FALSE(toggled.hasItem(set));
    VSelectionList removed = first;
    removed.merge(second, VSelectionList::kRemoveFromList);
    ASSERT_EQ(removed.length(), 1u);
    EXPECT_EQ(strings(removed)[0], "ball");
    EXPECT_EQ(first.length(), 2u);
}

TEST_F(SelectionTest, TheActiveSelectionForgetsDeletedNodes) {
    ASSERT_TRUE(VGlobal::selectByName("ball", VGlobal::kReplaceList));
    ASSERT_TRUE(VGlobal::selectByName("set", VGlobal::kAddToList));
    ASSERT_TRUE(VGlobal::selectByName("ball", VGlobal::kXORWithList));
    VSelectionList active;
    VGlobal::getActiveSelectionList(active);
    ASSERT_EQ(active.length(), 1u);
    EXPECT_EQ(strings(active)[0], "set");
    VGlobal::selectByName("group", VGlobal::kAddToList);
    VGlobal::deleteNode(set);
    VGlobal::getActiveSelectionList(active);
    ASSERT_EQ(active.length(), 1u);
    EXPECT_EQ(strings(active)[0], "group");
    EXPECT_EQ(VGlobal::selectByName("missing"), VStatus::kNotFound);
    VGlobal::clearSelectionList();
    VGlobal::getActiveSelectionList(active);
    EXPECT_TRUE(active.isEmpty());
}

// Items of one node as itself, at a path and by a plug, toggled in and out one by one: each
// toggle finds what the list holds of that node, however often the node came and went.
TEST_F(SelectionTest, TogglesFindEveryItemOfANode) {
    const auto toggle = [](const char* text) { ASSERT_TRUE(VGlobal::selectByName(text, VGlobal::kXORWithList)) << text; };
    const auto active = [] {
        VSelectionList list;
        VGlobal::getActiveSelectionList(list);
        return strings(list);
    };
    VGlobal::clearSelectionList();
    for (const char* text : {"ball", "ball.translateX", "set", "ball.translateX", "ball.translateX"}) toggle(text);
    ASSERT_EQ(active().length(), 3u);
    toggle("ball");
    EXPECT_EQ(active()[0], "set");
    toggle("ball.translateX");
    ASSERT_EQ(active().length(), 1u) << "out again, though another item of its node went before it";
    toggle("ball");
    toggle("ball");
    toggle("ball");
    ASSERT_EQ(active().length(), 2u);
    EXPECT_EQ(active()[1], "ball");
    ASSERT_TRUE(VGlobal::selectByName("geo*", VGlobal::kAddToList));
    ASSERT_TRUE(VGlobal::executeCommand("delete set"));
    toggle("|group|geo");
    ASSERT_EQ(active().length(), 2u) << "a namesake at another path is another item";
    EXPECT_EQ(active()[1], "other|geo");
    ASSERT_TRUE(VGlobal::selectByName("ball", VGlobal::kRemoveFromList));
    toggle("|other|geo");
    EXPECT_EQ(active().length(), 0u);
}

// Deselecting a plug of a selected node, which itself is not selected, takes nothing away: the
// node selected again is held once.
TEST_F(SelectionTest, DeselectingAPlugThatIsNotSelectedLeavesItsNodeHeld) {
    ASSERT_TRUE(VGlobal::selectByName("ball", VGlobal::kReplaceList));
    ASSERT_TRUE(VGlobal::selectByName("ball.translateX", VGlobal::kRemoveFromList));
    ASSERT_TRUE(VGlobal::selectByName("ball", VGlobal::kAddToList));
    VSelectionList active;
    VGlobal::getActiveSelectionList(active);
    ASSERT_EQ(active.length(), 1u);
    EXPECT_EQ(strings(active)[0], "ball");
}

TEST_F(SelectionTest, AssociatedSetsHoldTheItemsNode) {
    auto* members = dynamic_cast<vexa_host::SetMembers*>(vexa_host::nodeOf(set)->payload());
    ASSERT_NE(members, nullptr);
    VDagPath ballPath;
    VDagPath::getAPathTo(ball, ballPath);
    EXPECT_TRUE(members->add(vexa_host::dagItem(ballPath)));
    EXPECT_FALSE(members->add(vexa_host::dagItem(ballPath)));
    makeNode("objectSet", "empty");
    VSelectionList list;
    list.add("ball");
    VObjectArray sets;
    ASSERT_TRUE(VGlobal::getAssociatedSets(list, sets));
    ASSERT_EQ(sets.length(), 1u);
    EXPECT_EQ(sets[0], set);
    VGlobal::deleteNode(ball);
    EXPECT_TRUE(members->items().empty());
}

TEST_F(SelectionTest, NodeTypesCanTeachComponentTexts) {
    vexa_host::addComponentParser([](const VDagPath& shape, const std::string& text, VObject& component) {
        if (!shape.node().hasFn(VFn::kLocator) || text.compare(0, 2, "f[") != 0) return VStatus(VStatus::kNotFound);
        component = VObject(std::make_shared<FaceRange>(text));
        return VStatus();
    });
    VFnDagNode dag;
    dag.create("locator", ball);
    VSelectionList list;
    ASSERT_TRUE(list.add("ball.f[0:5]"));
    VDagPath path;
    VObject component;
    ASSERT_TRUE(list.getDagPath(0, path, component));
    EXPECT_EQ(path.fullPathName(), "|group|ball|locatorShape1");
    EXPECT_TRUE(component.hasFn(VFn::kMeshPolygonComponent));
    EXPECT_EQ(strings(list)[0], "locatorShape1.f[0:5]");
    EXPECT_TRUE(list.hasItem(path, component));
    EXPECT_FALSE(list.hasItem(path, VObject(std::make_shared<FaceRange>("f[1]"))));
    EXPECT_EQ(list.add("other.f[1]"), VStatus::kNotFound);
}

TEST_F(SelectionTest, DeletedNodesLeaveTheActiveSelectionItself) {
    ASSERT_TRUE(VGlobal::selectByName("set", VGlobal::kReplaceList));
    ASSERT_TRUE(VGlobal::selectByName("ball", VGlobal::kAddToList));
    ASSERT_TRUE(VGlobal::selectByName("other", VGlobal::kAddToList));
    VGlobal::deleteNode(set);
    ASSERT_TRUE(VGlobal::executeCommand("delete ball"));
    // Not only hidden from readers: the list lets go of them, and of their records.
    const std::vector<vexa_host::SelectionItem>& active = vexa_host::Scene::instance().activeSelection().items();
    ASSERT_EQ(active.size(), 1u);
    EXPECT_EQ(active.front().node, other);
}

// The exact kind checks that set edits use instead of casts: a record or payload of another
// class is refused even when it answers to the same component type.
TEST_F(SelectionTest, KindChecksRefuseLookAlikes) {
    using vexa_host::SingleIndexedComponent;
    auto faces = std::make_shared<SingleIndexedComponent>(VFn::kMeshPolygonComponent);
    EXPECT_EQ(SingleIndexedComponent::of(faces.get()), faces.get());
    const SingleIndexedComponent* asConst = SingleIndexedComponent::of(static_cast<const vexa_host::ObjectRecord*>(faces.get()));
    EXPECT_EQ(asConst, faces.get());
    FaceRange lookAlike("f[1]");
    EXPECT_EQ(SingleIndexedComponent::of(&lookAlike), nullptr);
    vexa_host::DoubleIndexedComponent cvs(VFn::kSurfaceCVComponent);
    EXPECT_EQ(SingleIndexedComponent::of(&cvs), nullptr);
    EXPECT_EQ(SingleIndexedComponent::of(static_cast<vexa_host::ObjectRecord*>(nullptr)), nullptr);

    vexa_host::SetMembers members;
    OtherPayload other;
    EXPECT_EQ(vexa_host::SetMembers::of(&members), &members);
    EXPECT_EQ(vexa_host::SetMembers::of(&other), nullptr);
    EXPECT_EQ(vexa_host::SetMembers::of(nullptr), nullptr);
    // A set edit on a node that is no set is refused, not taken for one.
    EXPECT_FALSE(VGlobal::executeCommand("sets -e -forceElement ball other"));
}

}  // namespace
