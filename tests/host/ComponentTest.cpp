// Components: single- and double-indexed ones made through their function sets, and those
// named by selection texts ("cube.f[0:5]", "surface.cv[0:3][2]"), merged on one path, given
// back as selection strings and selected by the select command.

#include "tests/host/GeometryTestSupport.h"

#include "host/src/geometry/IndexList.h"
#include "host/src/scene/SelectionItems.h"

#include <vexa/VFnDoubleIndexedComponent.h>
#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VGlobal.h>
#include <vexa/VPlug.h>
#include <vexa/VSelectionList.h>

#include <utility>

namespace {

using namespace geometry_test;

class ComponentTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        VFnMesh mesh;
        makeCube(mesh);
        VFnNurbsSurface surface;
        VStatus status;
        const VObject shape = surface.create(gridCVs(5, 4), evenKnots(5, 3), evenKnots(4, 1), 3, 1, VFnNurbsSurface::kOpen,
                                             VFnNurbsSurface::kOpen, false, VObject::kNullObj, &status);
        ASSERT_TRUE(status) << status.errorString().asChar();
        VFnDagNode(VFnDagNode(shape).parent(0)).setName("sheet");
    }
    static std::vector<std::string> strings(const VSelectionList& list) {
        VStringArray texts;
        list.getSelectionStrings(texts);
        std::vector<std::string> result;
        for (const VString& text : texts) result.push_back(text.str());
        return result;
    }
};

TEST_F(ComponentTest, CompleteDataStandsForEveryElementAndBoundsThem) {
    VFnSingleIndexedComponent vertices;
    const VObject made = vertices.create(VFn::kMeshVertComponent);
    EXPECT_TRUE(made.hasFn(VFn::kComponent));
    EXPECT_TRUE(made.hasFn(VFn::kSingleIndexedComponent));
    EXPECT_EQ(made.apiType(), VFn::kMeshVertComponent);
    ASSERT_TRUE(vertices.setCompleteData(4));
    EXPECT_EQ(vertices.elementCount(), 4) << "complete and empty: all four";
    EXPECT_TRUE(vertices.isComplete());
    VIntArray elements;
    ASSERT_TRUE(vertices.getElements(elements));
    EXPECT_EQ(items(elements), (std::vector<int>{0, 1, 2, 3}));
    ASSERT_TRUE(vertices.addElement(3));
    ASSERT_TRUE(vertices.addElement(1));
    ASSERT_TRUE(vertices.addElement(3));
    EXPECT_EQ(vertices.elementCount(), 2) << "its own elements, each once";
    EXPECT_FALSE(vertices.isComplete());
    EXPECT_EQ(vertices.element(0), 3);
    EXPECT_EQ(vertices.addElement(4), VStatus::kInvalidParameter) << "past the complete data";
    EXPECT_EQ(vertices.addElement(-1), VStatus::kInvalidParameter);
    EXPECT_EQ(vertices.setCompleteData(3), VStatus::kInvalidParameter) << "element 3 would lie outside";
    VStatus status;
    EXPECT_EQ(vertices.element(2, &status), -1);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    EXPECT_EQ(VFnSingleIndexedComponent().create(VFn::kSurfaceCVComponent, &status), VObject());
    EXPECT_EQ(status, VStatus::kInvalidParameter);
}

// Elements added as one array are taken as one by one would take them: in order, each once,
// up to the first refused.
TEST_F(ComponentTest, ElementsAddedTogetherStopAtTheFirstRefused) {
    VFnSingleIndexedComponent faces;
    faces.create(VFn::kMeshPolygonComponent);
    ASSERT_TRUE(faces.setCompleteData(6));
    VIntArray elements;
    for (int element : {4, 1, 4, 6, 2}) elements.append(element);
    EXPECT_EQ(faces.addElements(elements), VStatus::kInvalidParameter) << "6 lies past the complete data";
    VIntArray held;
    ASSERT_TRUE(faces.getElements(held));
    EXPECT_EQ(items(held), (std::vector<int>{4, 1})) << "those before the refused one, each once";
    EXPECT_TRUE(faces.addElements(VIntArray()));
    EXPECT_EQ(faces.elementCount(), 2);
    EXPECT_FALSE(VFnSingleIndexedComponent().addElements(elements)) << "no component";
    EXPECT_FALSE(VFnSingleIndexedComponent().addElements(VIntArray())) << "no component, even for nothing";
}

TEST_F(ComponentTest, DoubleIndexedComponentsCoverBothDirections) {
    VFnDoubleIndexedComponent cvs;
    const VObject made = cvs.create(VFn::kSurfaceCVComponent);
    EXPECT_TRUE(made.hasFn(VFn::kDoubleIndexedComponent));
    ASSERT_TRUE(cvs.setCompleteData(2, 3));
    EXPECT_EQ(cvs.elementCount(), 6);
    int u = -1, v = -1;
    ASSERT_TRUE(cvs.getElement(5, u, v));
    EXPECT_EQ(std::make_pair(u, v), std::make_pair(1, 2)) << "U outer, V inner";
    ASSERT_TRUE(cvs.addElement(1, 0));
    EXPECT_EQ(cvs.addElement(2, 0), VStatus::kInvalidParameter);
    EXPECT_EQ(cvs.addElement(0, 3), VStatus::kInvalidParameter);
    EXPECT_EQ(cvs.addElements(VIntArray(2, 0), VIntArray(1, 0)), VStatus::kInvalidParameter) << "arrays of different lengths";
    VIntArray us, vs;
    ASSERT_TRUE(cvs.getElements(us, vs));
    EXPECT_EQ(items(us), (std::vector<int>{1}));
    EXPECT_EQ(cvs.getElement(1, u, v), VStatus::kInvalidParameter);
}

TEST_F(ComponentTest, SelectionTextsNameComponentsOfTheShape) {
    struct Case {
        const char* text;
        VFn::Type type;
        int elements;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"cube.f[0:5]", VFn::kMeshPolygonComponent, 6, {"cubeShape1.f[0:5]"}},
        {"cube.vtx[3]", VFn::kMeshVertComponent, 1, {"cubeShape1.vtx[3]"}},
        {"cube.vtx[*]", VFn::kMeshVertComponent, 8, {"cubeShape1.vtx[0:7]"}},
        {"cubeShape1.f[2:3]", VFn::kMeshPolygonComponent, 2, {"cubeShape1.f[2:3]"}},
        {"cube.f[05:005]", VFn::kMeshPolygonComponent, 1, {"cubeShape1.f[5]"}},
        {"cube.f[000000004:5]", VFn::kMeshPolygonComponent, 2, {"cubeShape1.f[4:5]"}},
        {"cube.f[*]", VFn::kMeshPolygonComponent, 6, {"cubeShape1.f[0:5]"}},
        {"sheet.cv[0:3][2]", VFn::kSurfaceCVComponent, 4, {"nurbsSurfaceShape1.cv[0:3][2]"}},
        {"sheet.cv[1][*]", VFn::kSurfaceCVComponent, 4, {"nurbsSurfaceShape1.cv[1][0:3]"}},
    };
    for (const Case& c : cases) {
        VSelectionList list;
        ASSERT_TRUE(list.add(c.text)) << c.text;
        VDagPath path;
        VObject component;
        ASSERT_TRUE(list.getDagPath(0, path, component)) << c.text;
        EXPECT_TRUE(path.hasFn(c.type == VFn::kSurfaceCVComponent ? VFn::kNurbsSurface : VFn::kMesh)) << c.text;
        EXPECT_EQ(component.apiType(), c.type) << c.text;
        EXPECT_EQ(VFnComponent(component).elementCount(), c.elements) << c.text;
        EXPECT_EQ(strings(list), c.shown) << c.text;
    }
}

// A plain name before the dot takes a shorter way than a path or a pattern: both must give the
// same items and the same errors.
TEST_F(ComponentTest, PlainNamesAndPathsResolveAlike) {
    const std::pair<const char*, const char*> pairs[] = {
        {"cubeShape1.f[2:3]", "|cube|cubeShape1.f[2:3]"}, {"cube.f[4]", "|cube.f[4]"},
        {"cube.vtx[*]", "cub?.vtx[*]"},                   {"cubeShape1.outMesh", "|cube|cubeShape1.outMesh"},
        {"sheet.cv[1][2]", "|sheet.cv[1][2]"},            {"cube.f[6]", "|cube.f[6]"},
        {"cube.f[1a]", "|cube.f[1a]"},                    {"cube.edge[0]", "|cube.edge[0]"},
        {"cubeShape1.vtx[8]", "cubeShape?.vtx[8]"},        {"sheet.f[0]", "|sheet.f[0]"},
    };
    for (const auto& [plain, path] : pairs) {
        std::vector<vexa_host::SelectionItem> direct;
        std::vector<vexa_host::SelectionItem> general;
        const VStatus fromPlain = vexa_host::resolveSelection(plain, direct);
        const VStatus fromPath = vexa_host::resolveSelection(path, general);
        EXPECT_EQ(fromPlain.statusCode(), fromPath.statusCode()) << plain;
        EXPECT_EQ(fromPlain.errorString(), fromPath.errorString()) << plain;
        ASSERT_EQ(direct.size(), general.size()) << plain;
        for (size_t i = 0; i < direct.size(); ++i) {
            EXPECT_TRUE(direct[i].sameAs(general[i])) << plain;
            EXPECT_EQ(direct[i].path.fullPathName(), general[i].path.fullPathName()) << plain;
        }
    }
    std::vector<vexa_host::SelectionItem> items;
    EXPECT_EQ(vexa_host::resolveSelection("cube.f[1]", items), VStatus::kSuccess);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(vexa_host::selectionText(items.front()), "cubeShape1.f[1]");
    EXPECT_EQ(vexa_host::resolveSelection("nothing.f[1]", items), VStatus::kNotFound);
    EXPECT_EQ(items.size(), 1u);
    // A name that two DAG nodes carry is refused as before, not resolved to one of them.
    VFnMesh second;
    makeCube(second);
    VFnDagNode(VFnDagNode(second.object()).parent(0)).setName("twin");
    VFnDagNode(second.object()).setName("cubeShape1");
    EXPECT_EQ(vexa_host::resolveSelection("cubeShape1.f[1]", items), VStatus::kInvalidParameter);
}

TEST_F(ComponentTest, MalformedOrOutsideIndicesAreRefused) {
    struct Case {
        const char* text;
        VStatus::StatusCode code;
    };
    const Case cases[] = {
        {"cube.f[6]", VStatus::kInvalidParameter},       {"cube.f[0:6]", VStatus::kInvalidParameter},
        {"cube.f[3:1]", VStatus::kInvalidParameter},     {"cube.vtx[-1]", VStatus::kInvalidParameter},
        {"cube.vtx[1]x", VStatus::kInvalidParameter},    {"cube.vtx[]", VStatus::kInvalidParameter},
        {"sheet.cv[5][0]", VStatus::kInvalidParameter},  {"sheet.cv[0][4]", VStatus::kInvalidParameter},
        {"sheet.cv[0]", VStatus::kInvalidParameter},     {"cube.cv[0][0]", VStatus::kNotFound},
        {"sheet.f[0]", VStatus::kNotFound},              {"cube.edge[0]", VStatus::kNotFound},
        {"cube.f[1:]", VStatus::kInvalidParameter},      {"cube.f[:2]", VStatus::kInvalidParameter},
        {"cube.f[1:2:3]", VStatus::kInvalidParameter},   {"cube.f[**]", VStatus::kInvalidParameter},
        {"cube.f[1a]", VStatus::kInvalidParameter},      {"cube.f[0000000001]", VStatus::kInvalidParameter},
        {"cube.f[2", VStatus::kInvalidParameter},        {"cube.f[9999999999]", VStatus::kInvalidParameter},
        {"cube.f[999999999]", VStatus::kInvalidParameter}, {"cube.f[1]]", VStatus::kInvalidParameter},
        {"cube.f[1:2a]", VStatus::kInvalidParameter},    {"cube.f[ 1]", VStatus::kInvalidParameter},
        {"cube.f[1:2]x", VStatus::kInvalidParameter},    {"cube.f[1:0000000002]", VStatus::kInvalidParameter},
    };
    for (const Case& c : cases) {
        VSelectionList list;
        EXPECT_EQ(list.add(c.text), c.code) << c.text;
        EXPECT_EQ(list.length(), 0u) << c.text;
    }
    VSelectionList list;
    EXPECT_EQ(list.add("cube.f[4:6]").errorString(), VString("the component f[4:6]: [4:6] is outside the 6 elements"));
}

// The polygons a text may name are those of the geometry the mesh shows at the time: its own
// after it is replaced, its history's while a connection drives it.
TEST_F(ComponentTest, PolygonIndicesFollowTheGeometryTheMeshShows) {
    const auto accepts = [](const char* text) { return static_cast<bool>(VSelectionList().add(text)); };
    VPointArray points;
    for (const VPoint& point : {VPoint(0, 0, 0), VPoint(1, 0, 0), VPoint(1, 1, 0), VPoint(0, 1, 0)}) points.append(point);
    const int corners[6] = {0, 1, 2, 0, 2, 3};
    VFnMesh triangles;
    VStatus status;
    const VObject pair = triangles.create(4, 2, points, VIntArray(2, 3), VIntArray(corners, 6), VObject::kNullObj, &status);
    ASSERT_TRUE(status) << status.errorString().asChar();
    VSelectionList named;
    ASSERT_TRUE(named.add("cubeShape1"));
    VObject cube;
    ASSERT_TRUE(named.getDependNode(0, cube));
    EXPECT_TRUE(accepts("cubeShape1.f[5]"));

    VObject data;
    ASSERT_TRUE(plugOf(pair, "outMesh").getValue(data));
    ASSERT_TRUE(plugOf(cube, "inMesh").setValue(data));
    EXPECT_FALSE(accepts("cubeShape1.f[2]")) << "the cube holds two triangles now";
    EXPECT_TRUE(accepts("cubeShape1.f[1]"));

    VFnMesh box;
    VFnDagNode(makeCube(box)).setName("boxShape");
    ASSERT_TRUE(VGlobal::executeCommand("connectAttr boxShape.outMesh cubeShape1.inMesh"));
    EXPECT_TRUE(accepts("cubeShape1.f[5]")) << "the box's six faces reach the cube";
    EXPECT_EQ(VFnMesh(cube).numPolygons(), 6);
}

TEST_F(ComponentTest, ComponentsOnOnePathMergeAndComeBackAsRuns) {
    VSelectionList list;
    for (const char* text : {"cube.f[0]", "cube.f[1:2]", "cube.f[5]", "cube.vtx[0]", "cube.f[1]"}) ASSERT_TRUE(list.add(text)) << text;
    EXPECT_EQ(list.length(), 2u) << "faces merged into one item, vertices in another";
    EXPECT_EQ(strings(list), (std::vector<std::string>{"cubeShape1.f[0:2]", "cubeShape1.f[5]", "cubeShape1.vtx[0]"}));
    VDagPath path;
    VObject faces;
    ASSERT_TRUE(list.getDagPath(0, path, faces));
    EXPECT_EQ(VFnComponent(faces).elementCount(), 4);
    VStringArray first;
    ASSERT_TRUE(list.getSelectionStrings(0, first));
    EXPECT_EQ(first.length(), 2u);

    VSelectionList cvs;
    for (const char* text : {"sheet.cv[0][0:1]", "sheet.cv[1][0]", "sheet.cv[2][0]", "sheet.cv[3][1:3]", "sheet.cv[4][1:3]"}) {
        ASSERT_TRUE(cvs.add(text)) << text;
    }
    EXPECT_EQ(strings(cvs), (std::vector<std::string>{"nurbsSurfaceShape1.cv[0][0:1]", "nurbsSurfaceShape1.cv[1:2][0]",
                                                      "nurbsSurfaceShape1.cv[3:4][1:3]"}));
}

TEST_F(ComponentTest, MergedFacesKeepTheirOrderAndEarlierHandlesKeepWhatTheySaw) {
    VSelectionList list;
    for (const char* text : {"cube.f[4]", "cube.f[0]"}) ASSERT_TRUE(list.add(text)) << text;
    VDagPath path;
    VObject seen;
    ASSERT_TRUE(list.getDagPath(0, path, seen));
    ASSERT_TRUE(list.add("cube.f[2]"));
    ASSERT_TRUE(list.add("cube.f[0:1]"));
    EXPECT_EQ(VFnComponent(seen).elementCount(), 2) << "a handle taken before is not grown by later merges";
    VObject merged;
    ASSERT_TRUE(list.getDagPath(0, path, merged));
    VIntArray elements;
    ASSERT_TRUE(VFnSingleIndexedComponent(merged).getElements(elements));
    EXPECT_EQ(items(elements), (std::vector<int>{4, 0, 2, 1})) << "elements in the order they came";
    ASSERT_TRUE(list.add("cube.f[5]"));
    ASSERT_TRUE(VFnSingleIndexedComponent(merged).getElements(elements));
    EXPECT_EQ(items(elements).size(), 4u) << "nor is a handle taken after a merge";

    // An item equals a component of the same elements in any order, not one of as many others.
    auto faces = [](std::initializer_list<int> indices) {
        VFnSingleIndexedComponent component;
        const VObject made = component.create(VFn::kMeshPolygonComponent);
        for (int index : indices) component.addElement(index);
        return made;
    };
    VSelectionList pair;
    for (const char* text : {"cube.f[3]", "cube.f[1]"}) ASSERT_TRUE(pair.add(text)) << text;
    ASSERT_TRUE(pair.getDagPath(0, path));
    EXPECT_TRUE(pair.hasItem(path, faces({1, 3})));
    EXPECT_FALSE(pair.hasItem(path, faces({1, 2})));
    EXPECT_FALSE(pair.hasItem(path, faces({1})));
    EXPECT_FALSE(pair.hasItem(path, faces({1, 3, 5})));
    VFnSingleIndexedComponent many;
    many.create(VFn::kMeshVertComponent);
    for (int round = 0; round < 2; ++round) {
        for (int vertex = 0; vertex < 40; ++vertex) ASSERT_TRUE(many.addElement(vertex % 20));
    }
    EXPECT_EQ(many.elementCount(), 20) << "each element once, however long the component";
    VFnSingleIndexedComponent all;
    const VObject complete = all.create(VFn::kMeshPolygonComponent);
    ASSERT_TRUE(all.setCompleteData(2));
    VSelectionList first;
    for (const char* text : {"cube.f[1]", "cube.f[0]"}) ASSERT_TRUE(first.add(text)) << text;
    EXPECT_TRUE(first.hasItem(path, complete)) << "complete data of two stands for faces 0 and 1";
}

// A long component answers whether it holds an index however its indices spread: dense ones
// (a checkerboard's polygons), dense ones that a far index turns sparse, and sparse ones.
TEST_F(ComponentTest, LongComponentsHoldEachElementOnceHoweverTheirIndicesSpread) {
    const auto countAfterTwoRounds = [](const std::vector<int>& indices) {
        VFnSingleIndexedComponent component;
        component.create(VFn::kMeshPolygonComponent);
        for (int round = 0; round < 2; ++round) {
            for (int index : indices) EXPECT_TRUE(component.addElement(index));
        }
        return component.elementCount();
    };
    std::vector<int> evens;
    for (int index = 0; index < 200; index += 2) evens.push_back(index);
    EXPECT_EQ(countAfterTwoRounds(evens), 100);
    std::vector<int> bothHalves = evens;
    for (int index = 1; index < 200; index += 2) bothHalves.push_back(index);
    EXPECT_EQ(countAfterTwoRounds(bothHalves), 200) << "no odd index taken for held";
    std::vector<int> turnedSparse = evens;
    for (int index : {5000000, 1, 64, 63, 65}) turnedSparse.push_back(index);
    EXPECT_EQ(countAfterTwoRounds(turnedSparse), 104) << "held ones stay held past a far index";
    std::vector<int> sparse;
    for (int index = 30; index >= 0; --index) sparse.push_back(index * 1000003);
    EXPECT_EQ(countAfterTwoRounds(sparse), 31);

    // A text after the shape's name is a plug when it starts with an attribute of the shape.
    VSelectionList list;
    ASSERT_TRUE(list.add("cubeShape1.worldMesh[0]"));
    ASSERT_TRUE(list.add("cubeShape1.f[1]"));
    VPlug plug;
    ASSERT_TRUE(list.getPlug(0, plug));
    EXPECT_EQ(plug.info(), "cubeShape1.worldMesh[0]");
    EXPECT_EQ(strings(list), (std::vector<std::string>{"cubeShape1.worldMesh[0]", "cubeShape1.f[1]"}));
}

// A few indices stay in place, more go to a heap block: order, copies and texts agree across it.
TEST_F(ComponentTest, IndicesPastTheFewKeptInPlaceKeepTheirOrder) {
    vexa_host::IndexList list;
    std::vector<int> expected;
    std::vector<vexa_host::IndexList> copies;
    for (int index : {7, 3, 9, 1, 12, 0, 5}) {
        list.push_back(index);
        expected.push_back(index);
        copies.push_back(list);
        EXPECT_EQ(list.toVector(), expected);
        EXPECT_EQ(list[list.size() - 1], index);
    }
    EXPECT_EQ(std::vector<int>(list.begin(), list.end()), expected);
    ASSERT_EQ(copies.size(), 7u);
    EXPECT_EQ(copies[3].toVector(), (std::vector<int>{7, 3, 9, 1})) << "a copy of the indices in place";
    EXPECT_EQ(copies[4].toVector(), (std::vector<int>{7, 3, 9, 1, 12})) << "a copy just past them";
    copies[4].push_back(2);
    EXPECT_EQ(copies[5].toVector(), (std::vector<int>{7, 3, 9, 1, 12, 0})) << "copies do not share their block";

    // Selection texts of a component grown past the indices in place: runs in ascending order.
    VFnSingleIndexedComponent faces;
    const VObject made = faces.create(VFn::kMeshPolygonComponent);
    for (int index : {5, 4, 0, 2, 3}) ASSERT_TRUE(faces.addElement(index));
    VSelectionList list2;
    VSelectionList lookup;
    ASSERT_TRUE(lookup.add("cubeShape1"));
    VDagPath cube;
    ASSERT_TRUE(lookup.getDagPath(0, cube));
    ASSERT_TRUE(list2.add(cube, made));
    EXPECT_EQ(strings(list2), (std::vector<std::string>{"cubeShape1.f[0]", "cubeShape1.f[2:5]"}));
}

TEST_F(ComponentTest, SelectTakesComponents) {
    ASSERT_TRUE(VGlobal::executeCommand("select -cl; select -tgl cube.vtx[0:2]; select -tgl cube.vtx[6]; select -add sheet.cv[0][0:1]"));
    VSelectionList active;
    VGlobal::getActiveSelectionList(active);
    EXPECT_EQ(strings(active), (std::vector<std::string>{"cubeShape1.vtx[0:2]", "cubeShape1.vtx[6]", "nurbsSurfaceShape1.cv[0][0:1]"}));
    EXPECT_EQ(VGlobal::executeCommand("select cube.vtx[8]"), VStatus::kFailure);
    VGlobal::getActiveSelectionList(active);
    EXPECT_EQ(active.length(), 2u) << "a refused selection changes nothing";
}

}  // namespace
