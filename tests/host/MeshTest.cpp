// Polygon meshes: creation (with the polygons of size 0 that imports pass), normals, UV sets,
// colours, copies, mesh data read from plugs, history, spaces and the shading groups of faces.

#include "tests/host/GeometryTestSupport.h"

#include "host/src/api/ApiSupport.h"
#include "host/src/geometry/SingleIndexedComponent.h"
#include "host/src/scene/SelectionItems.h"
#include "host/src/scene/SetMembers.h"
#include "host/src/shading/SetMembership.h"

#include <vexa/VDGModifier.h>
#include <vexa/VGlobal.h>
#include <vexa/VItMeshVertex.h>

#include <cmath>
#include <random>
#include <sstream>

namespace {

using namespace geometry_test;

class MeshTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        shape = makeCube(mesh);
    }
    static void expectVector(const VVector& actual, double x, double y, double z, const char* what) {
        EXPECT_TRUE(actual.isEquivalent(VVector(x, y, z), 1e-9)) << what << ": " << actual.x << " " << actual.y << " " << actual.z;
    }

    // Moves the cube's transform under `away` and back under the world, asking for its shaders
    // while it is away when `asked`: answers how many groups shade it after.
    unsigned shadersAfterAway(vexa_host::Node& away, bool asked) {
        using vexa_host::Scene;
        vexa_host::Node& transform = *vexa_host::nodeOf(VFnDagNode(shape).parent(0));
        VObjectArray shaders;
        VIntArray indices;
        EXPECT_TRUE(Scene::instance().addChild(away, transform, static_cast<size_t>(-1), false));
        if (asked) {
            EXPECT_TRUE(mesh.getConnectedShaders(0, shaders, indices));
        }
        EXPECT_TRUE(Scene::instance().addChild(Scene::instance().world(), transform, static_cast<size_t>(-1), false));
        EXPECT_TRUE(mesh.getConnectedShaders(0, shaders, indices));
        return shaders.length();
    }

    // What the mesh shows: points, normals, colours and the UV of every corner (-1: none).
    static std::string stateOf(const VFnMesh& fn) {
        std::ostringstream out;
        VPoint point;
        for (int i = 0; fn.getPoint(i, point); ++i) out << point.x << ',' << point.y << ',' << point.z << ' ';
        VVectorArray normals;
        fn.getNormals(normals);
        for (const VVector& normal : normals) out << normal.x << ',' << normal.y << ',' << normal.z << ' ';
        VColorArray colors;
        fn.getFaceVertexColors(colors);
        for (const VColor& color : colors) out << color.r << ',' << color.g << ',' << color.b << ' ';
        for (int corner = 0, id = -1; corner < 24; ++corner) out << (fn.getPolygonUVid(corner / 4, corner % 4, id) ? id : -1) << ' ';
        return out.str();
    }

    // Four UVs on map1, corner k of every face on UV k.
    void mapCorners() {
        ASSERT_TRUE(mesh.setUVs(VFloatArray(4, 0.5f), VFloatArray(4, 0.5f)));
        VIntArray ids;
        for (int i = 0; i < 24; ++i) ids.append(i % 4);
        ASSERT_TRUE(mesh.assignUVs(cubeCounts(), ids));
    }

    VFnMesh mesh;
    VObject shape;
};

TEST_F(MeshTest, CubeReadsBackItsPointsAndPolygons) {
    EXPECT_EQ(mesh.numVertices(), 8);
    EXPECT_EQ(mesh.numPolygons(), 6);
    EXPECT_EQ(mesh.numFaceVertices(), 24);
    EXPECT_STREQ(VObject(shape).apiTypeStr(), "mesh");
    VIntArray vertices;
    ASSERT_TRUE(mesh.getPolygonVertices(3, vertices));
    EXPECT_EQ(items(vertices), (std::vector<int>{6, 7, 1, 0}));
    EXPECT_EQ(mesh.polygonVertexCount(5), 4);
    VPoint point;
    ASSERT_TRUE(mesh.getPoint(5, point));
    EXPECT_EQ(point, VPoint(1, 1, -1));
    EXPECT_EQ(mesh.getPolygonVertices(6, vertices), VStatus::kInvalidParameter);
    EXPECT_EQ(mesh.getPoint(8, point), VStatus::kInvalidParameter);
}

TEST_F(MeshTest, UntouchedNormalsAreFlatWithOnePerCorner) {
    EXPECT_EQ(mesh.numNormals(), 24);
    VVector normal;
    ASSERT_TRUE(mesh.getPolygonNormal(0, normal));
    expectVector(normal, 0, 0, 1, "front face");
    ASSERT_TRUE(mesh.getFaceVertexNormal(1, 3, normal));
    expectVector(normal, 0, 1, 0, "top face at vertex 3");
    ASSERT_TRUE(mesh.getVertexNormal(3, normal));
    const double third = 1.0 / std::sqrt(3.0);
    expectVector(normal, third, third, third, "vertex 3, mean of three faces");
    EXPECT_EQ(mesh.getFaceVertexNormal(1, 0, normal), VStatus::kInvalidParameter) << "vertex 0 is not on face 1";
}

TEST_F(MeshTest, VertexNormalsAreSharedAndFaceVertexNormalsStayWithTheirCorner) {
    VVectorArray normals;
    VIntArray ids;
    for (int i = 0; i < 8; ++i) {
        normals.append(VVector(0, 0, i + 1.0));
        ids.append(i);
    }
    ASSERT_TRUE(mesh.setVertexNormals(normals, ids));
    EXPECT_EQ(mesh.numNormals(), 8);
    VVector normal;
    ASSERT_TRUE(mesh.getFaceVertexNormal(4, 7, normal));
    expectVector(normal, 0, 0, 8, "the corner takes its vertex's normal");

    ASSERT_TRUE(mesh.setFaceVertexNormals(VVectorArray(1, VVector(1, 0, 0)), VIntArray(1, 0), VIntArray(1, 0)));
    EXPECT_EQ(mesh.numNormals(), 9) << "one corner has a normal of its own";
    ASSERT_TRUE(mesh.getFaceVertexNormal(0, 0, normal));
    expectVector(normal, 1, 0, 0, "face 0 at vertex 0");
    ASSERT_TRUE(mesh.getFaceVertexNormal(3, 0, normal));
    expectVector(normal, 0, 0, 1, "face 3 at vertex 0 keeps the vertex normal");
    ASSERT_TRUE(mesh.getVertexNormal(0, normal));
    expectVector(normal, 0, 0, 1, "the vertex normal");

    EXPECT_EQ(mesh.setVertexNormals(normals, VIntArray(1, 0)), VStatus::kInvalidParameter) << "arrays of different lengths";
    EXPECT_EQ(mesh.setFaceVertexNormals(VVectorArray(1, VVector()), VIntArray(1, 1), VIntArray(1, 0)), VStatus::kInvalidParameter)
        << "vertex 0 is not a corner of face 1";
}

TEST_F(MeshTest, MalformedTopologyMakesNothing) {
    struct Case {
        const char* what;
        int numVertices;
        int numPolygons;
        std::vector<int> counts;
        std::vector<int> connects;
    };
    const Case cases[] = {
        {"counts add up to more than the vertex list", 3, 1, {4}, {0, 1, 2}},
        {"counts add up to less than the vertex list", 3, 1, {3}, {0, 1, 2, 0}},
        {"a vertex index past the points", 3, 1, {3}, {0, 1, 3}},
        {"a negative vertex index", 3, 1, {3}, {0, -1, 2}},
        {"a negative count", 3, 2, {3, -3}, {0, 1, 2}},
        {"a polygon count below the count list", 3, 0, {3}, {0, 1, 2}},
        {"a vertex count other than the points given", 4, 1, {3}, {0, 1, 2}},
    };
    VPointArray points;
    for (int i = 0; i < 3; ++i) points.append(VPoint(i, i * i, 0));
    for (const Case& c : cases) {
        const size_t before = vexa_host::Scene::instance().nodes().size();
        VFnMesh made;
        VStatus status;
        const VObject result = made.create(c.numVertices, c.numPolygons, points, VIntArray(c.counts.data(), static_cast<unsigned>(c.counts.size())),
                                           VIntArray(c.connects.data(), static_cast<unsigned>(c.connects.size())), VObject::kNullObj, &status);
        EXPECT_EQ(status, VStatus::kInvalidParameter) << c.what;
        EXPECT_TRUE(result.isNull()) << c.what;
        EXPECT_EQ(vexa_host::Scene::instance().nodes().size(), before) << c.what;
    }
}

TEST_F(MeshTest, PolygonsOfSizeZeroAndDegeneratePolygonsAreLeftOut) {
    // The import passes the source's polygon count (5) with counts only for the polygons it
    // kept; the two-vertex polygon is dropped by the host.
    VPointArray points;
    for (int i = 0; i < 6; ++i) points.append(VPoint(i, i % 2, 0));
    const int counts[] = {4, 0, 2, 3};
    const int connects[] = {0, 1, 2, 3, 4, 5, 0, 2, 4};
    VFnMesh made;
    VStatus status;
    made.create(6, 5, points, VIntArray(counts, 4), VIntArray(connects, 9), VObject::kNullObj, &status);
    ASSERT_TRUE(status) << status.errorString().asChar();
    EXPECT_EQ(made.numPolygons(), 2);
    VIntArray vertices;
    ASSERT_TRUE(made.getPolygonVertices(1, vertices));
    EXPECT_EQ(items(vertices), (std::vector<int>{0, 2, 4}));
    // UVs are then assigned with counts rebuilt from the host mesh.
    ASSERT_TRUE(made.setUVs(VFloatArray(6, 0.5f), VFloatArray(6, 0.25f)));
    const int uvCounts[] = {4, 3};
    const int uvIds[] = {0, 1, 2, 3, 5, 4, 3};
    ASSERT_TRUE(made.assignUVs(VIntArray(uvCounts, 2), VIntArray(uvIds, 7)));
    int id = -1;
    ASSERT_TRUE(made.getPolygonUVid(1, 1, id));
    EXPECT_EQ(id, 4);
}

TEST_F(MeshTest, UVSetsRenameCreateAssignAndReadBack) {
    VStringArray names;
    ASSERT_TRUE(mesh.getUVSetNames(names));
    EXPECT_EQ(items(names), (std::vector<VString>{"map1"}));
    ASSERT_TRUE(mesh.renameUVSet("map1", "uvSet1"));
    ASSERT_TRUE(mesh.createUVSet("uvSet2"));
    EXPECT_EQ(mesh.createUVSet("uvSet2"), VStatus::kInvalidParameter) << "a name in use";
    EXPECT_EQ(mesh.renameUVSet("map1", "uvSet3"), VStatus::kInvalidParameter) << "map1 is gone";
    ASSERT_TRUE(mesh.getUVSetNames(names));
    EXPECT_EQ(items(names), (std::vector<VString>{"uvSet1", "uvSet2"}));
    EXPECT_EQ(mesh.currentUVSetName(), VString("uvSet1")) << "the renamed set stays current";

    const VString second("uvSet2");
    VFloatArray u, v;
    for (int i = 0; i < 4; ++i) {
        u.append(i * 0.25f);
        v.append(1.0f - i * 0.25f);
    }
    ASSERT_TRUE(mesh.setUVs(u, v, &second));
    VIntArray uvIds;
    for (int face = 0; face < 6; ++face) {
        for (int corner = 0; corner < 4; ++corner) uvIds.append(corner);
    }
    ASSERT_TRUE(mesh.assignUVs(cubeCounts(), uvIds, &second));
    EXPECT_EQ(mesh.numUVs(&second), 4);
    EXPECT_EQ(mesh.numUVs(), 0) << "the current set has none";
    int id = -1;
    ASSERT_TRUE(mesh.getPolygonUVid(5, 2, id, &second));
    EXPECT_EQ(id, 2);
    EXPECT_EQ(mesh.getPolygonUVid(5, 2, id), VStatus::kFailure) << "no UV in the current set";
    ASSERT_TRUE(mesh.setCurrentUVSetName("uvSet2"));
    ASSERT_TRUE(mesh.getPolygonUVid(5, 2, id));
    EXPECT_EQ(id, 2) << "the current set now";
    ASSERT_TRUE(mesh.assignUV(5, 2, 0));
    ASSERT_TRUE(mesh.getPolygonUVid(5, 2, id));
    EXPECT_EQ(id, 0);
    EXPECT_EQ(mesh.assignUV(5, 2, 4), VStatus::kInvalidParameter) << "UV 4 of 4";
    EXPECT_EQ(mesh.getPolygonUVid(5, 4, id, &second), VStatus::kInvalidParameter) << "a quad has no corner 4";
    VFloatArray readU, readV;
    ASSERT_TRUE(mesh.getUVs(readU, readV, &second));
    EXPECT_EQ(items(readU), items(u));
    EXPECT_EQ(items(readV), items(v));

    // Counts that do not fit the polygons, or ids past the UVs, assign nothing.
    VIntArray shortCounts = cubeCounts();
    shortCounts[0] = 3;
    VIntArray shortIds = uvIds;
    shortIds.remove(0);
    EXPECT_EQ(mesh.assignUVs(shortCounts, shortIds, &second), VStatus::kInvalidParameter) << "3 UVs for a quad";
    VIntArray farIds = uvIds;
    farIds[23] = 4;
    EXPECT_EQ(mesh.assignUVs(cubeCounts(), farIds, &second), VStatus::kInvalidParameter);
    ASSERT_TRUE(mesh.getPolygonUVid(5, 3, id, &second));
    EXPECT_EQ(id, 3);
    // The last set stays; deleting the current one makes the first current.
    ASSERT_TRUE(mesh.deleteUVSet("uvSet1"));
    EXPECT_EQ(mesh.deleteUVSet("uvSet2"), VStatus::kFailure);
    EXPECT_EQ(mesh.numUVSets(), 1);
    // Fewer UVs unassign the corners that used the ones removed.
    ASSERT_TRUE(mesh.setUVs(VFloatArray(2, 0.0f), VFloatArray(2, 0.0f), &second));
    EXPECT_EQ(mesh.getPolygonUVid(5, 3, id, &second), VStatus::kFailure);
    ASSERT_TRUE(mesh.getPolygonUVid(5, 1, id, &second));
    EXPECT_EQ(id, 1);
}

TEST_F(MeshTest, TexturesAssociatedWithAUVSetDropOutWhenDeleted) {
    const VObject wood = makeNode("objectSet", "wood");
    const VObject stone = makeNode("objectSet", "stone");
    ASSERT_TRUE(mesh.createUVSet("detail"));
    ASSERT_TRUE(mesh.associateUVSetTexture("map1", wood));
    ASSERT_TRUE(mesh.associateUVSetTexture("map1", wood));
    ASSERT_TRUE(mesh.associateUVSetTexture("detail", stone));
    EXPECT_EQ(mesh.associateUVSetTexture("none", stone), VStatus::kInvalidParameter);
    VObjectArray textures;
    ASSERT_TRUE(mesh.getAssociatedUVSetTextures("map1", textures));
    EXPECT_EQ(items(textures), (std::vector<VObject>{wood})) << "linked once";
    VGlobal::deleteNode(stone);
    ASSERT_TRUE(mesh.getAssociatedUVSetTextures("detail", textures));
    EXPECT_EQ(textures.length(), 0u);
}

TEST_F(MeshTest, UnsetColoursReadNegativeAndCornersOverrideTheirVertex) {
    VColorArray colors;
    ASSERT_TRUE(mesh.getFaceVertexColors(colors));
    ASSERT_EQ(colors.length(), 24u);
    for (const VColor& color : colors) EXPECT_EQ(color, VColor(-1, -1, -1, -1));

    ASSERT_TRUE(mesh.setVertexColors(VColorArray(1, VColor(1, 0, 0, 1)), VIntArray(1, 3)));
    ASSERT_TRUE(mesh.setFaceVertexColors(VColorArray(1, VColor(0, 0, 1, 0.5f)), VIntArray(1, 1), VIntArray(1, 3)));
    ASSERT_TRUE(mesh.getFaceVertexColors(colors));
    int index = -1;
    ASSERT_TRUE(mesh.getFaceVertexColorIndex(0, 2, index));  // face 0, corner 2 is vertex 3
    EXPECT_EQ(index, 2);
    EXPECT_EQ(colors[2], VColor(1, 0, 0, 1));
    ASSERT_TRUE(mesh.getFaceVertexColorIndex(1, 1, index));  // face 1, corner 1 is vertex 3
    EXPECT_EQ(index, 5);
    EXPECT_EQ(colors[5], VColor(0, 0, 1, 0.5f));
    ASSERT_TRUE(mesh.getFaceVertexColorIndex(4, 3, index));  // face 4, corner 3 is vertex 3
    EXPECT_EQ(colors[static_cast<unsigned>(index)], VColor(1, 0, 0, 1));
    EXPECT_EQ(colors[0], VColor(-1, -1, -1, -1));
    ASSERT_TRUE(mesh.getVertexColors(colors));
    EXPECT_EQ(colors[3], VColor(1, 0, 0, 1));
    EXPECT_EQ(colors[4], VColor(-1, -1, -1, -1));

    EXPECT_EQ(mesh.getFaceVertexColorIndex(0, 4, index), VStatus::kInvalidParameter);
    EXPECT_EQ(mesh.setVertexColors(VColorArray(1, VColor()), VIntArray(1, 8)), VStatus::kInvalidParameter);
    EXPECT_EQ(mesh.setFaceVertexColors(VColorArray(1, VColor()), VIntArray(1, 0), VIntArray(1, 5)), VStatus::kInvalidParameter);
}

TEST_F(MeshTest, ACopyKeepsEverythingAndIsEditedAlone) {
    ASSERT_TRUE(mesh.setUVs(VFloatArray(1, 0.5f), VFloatArray(1, 0.5f)));
    VFnMesh copy;
    VStatus status;
    const VObject copied = copy.copy(shape, VObject::kNullObj, &status);
    ASSERT_TRUE(status) << status.errorString().asChar();
    EXPECT_NE(copied, shape);
    EXPECT_EQ(copy.numPolygons(), 6);
    EXPECT_EQ(copy.numUVs(), 1);
    VPointArray moved = cubePoints();
    moved[0] = VPoint(9, 9, 9);
    ASSERT_TRUE(copy.setPoints(moved));
    VPoint point;
    mesh.getPoint(0, point);
    EXPECT_EQ(point, VPoint(-1, -1, 1)) << "the original keeps its points";
    copy.getPoint(0, point);
    EXPECT_EQ(point, VPoint(9, 9, 9));
    EXPECT_EQ(copy.setPoints(VPointArray(7, VPoint())), VStatus::kInvalidParameter) << "seven points for eight";
}

// An iterator, a copy and a plug's data taken before edits of one corner or one point keep the
// mesh as it was; the mesh shows the edits.
TEST_F(MeshTest, WhatWasTakenBeforeAnEditKeepsTheMeshAsItWas) {
    mapCorners();
    VItMeshVertex walk(shape);
    VFnMesh copy;
    copy.copy(shape);
    VObject data;
    ASSERT_TRUE(plugOf(shape, "outMesh").getValue(data));
    const std::string before = stateOf(mesh);
    ASSERT_TRUE(mesh.assignUV(0, 0, 3));
    ASSERT_TRUE(mesh.assignUV(2, 1, -1));
    ASSERT_TRUE(mesh.setPoint(0, VPoint(5, 5, 5)));
    EXPECT_NE(stateOf(mesh), before);
    EXPECT_EQ(stateOf(copy), before);
    EXPECT_EQ(stateOf(VFnMesh(data)), before);
    EXPECT_EQ(walk.position(), VPoint(-1, -1, 1));
}

// Edits refused for a bad corner, polygon, UV id, set, vertex or list leave the mesh as it was,
// whether a copy shares its data or not.
TEST_F(MeshTest, ARefusedEditLeavesTheMeshAsItWasSharedOrNot) {
    mapCorners();
    const VString none("none");
    const int soundThenBad[] = {0, 8};
    for (const bool shared : {false, true}) {
        VFnMesh copy;
        if (shared) copy.copy(shape);
        const std::string before = stateOf(mesh);
        EXPECT_EQ(mesh.assignUV(0, 4, 1), VStatus::kInvalidParameter) << "a quad has no corner 4";
        EXPECT_EQ(mesh.assignUV(6, 0, 1), VStatus::kInvalidParameter) << "polygon 6 of 6";
        EXPECT_EQ(mesh.assignUV(0, 0, 4), VStatus::kInvalidParameter) << "UV 4 of 4";
        EXPECT_EQ(mesh.assignUV(0, 0, 1, &none), VStatus::kInvalidParameter) << "no such set";
        EXPECT_EQ(mesh.setVertexNormals(VVectorArray(2, VVector(0, 1, 0)), VIntArray(soundThenBad, 2)), VStatus::kInvalidParameter);
        EXPECT_EQ(mesh.setFaceVertexNormals(VVectorArray(2, VVector()), VIntArray(2, 0), VIntArray(soundThenBad, 2)),
                  VStatus::kInvalidParameter);
        EXPECT_EQ(mesh.setVertexColors(VColorArray(2, VColor(1, 0, 0, 1)), VIntArray(soundThenBad, 2)), VStatus::kInvalidParameter);
        EXPECT_EQ(mesh.setFaceVertexColors(VColorArray(2, VColor()), VIntArray(2, 0), VIntArray(soundThenBad, 2)),
                  VStatus::kInvalidParameter);
        EXPECT_EQ(stateOf(mesh), before) << (shared ? "shared" : "alone");
        // A normal given with a bad corner after it is not kept for a later edit to show.
        EXPECT_EQ(mesh.setFaceVertexNormals(VVectorArray(2, VVector(0, 1, 0)), VIntArray(2, 0), VIntArray(soundThenBad, 2)),
                  VStatus::kInvalidParameter);
        ASSERT_TRUE(mesh.setFaceVertexNormals(VVectorArray(1, VVector(1, 0, 0)), VIntArray(1, 5), VIntArray(1, 6)));
        VVector normal;
        ASSERT_TRUE(mesh.getFaceVertexNormal(0, 0, normal));
        expectVector(normal, 0, 0, 1, shared ? "shared" : "alone");
    }
}

// A mesh whose "inMesh" is locked refuses an edit and keeps its geometry; an edit of a mesh node
// without geometry leaves the other such nodes empty.
TEST_F(MeshTest, AnEditThatCannotBeStoredChangesNothing) {
    mapCorners();
    const std::string before = stateOf(mesh);
    VPlug inMesh = plugOf(shape, "inMesh");
    ASSERT_TRUE(inMesh.setLocked(true));
    EXPECT_EQ(mesh.assignUV(0, 0, 3), VStatus::kFailure);
    EXPECT_EQ(stateOf(mesh), before);

    VFnDagNode made;
    VFnMesh first(made.create("mesh"));
    ASSERT_TRUE(first.createUVSet("extra"));
    EXPECT_EQ(first.numUVSets(), 2);
    EXPECT_EQ(VFnMesh(made.create("mesh")).numUVSets(), 1);
    // A mesh whose "inMesh" holds a surface's data reads as one without geometry, and so is
    // edited alone too.
    const VObject surface = VFnNurbsSurface().create(gridCVs(2, 2), evenKnots(2, 1), evenKnots(2, 1), 1, 1,
                                                     VFnNurbsSurface::kOpen, VFnNurbsSurface::kOpen, false);
    VObject surfaceData;
    ASSERT_TRUE(plugOf(surface, "local").getValue(surfaceData));
    const VObject holder = made.create("mesh");
    ASSERT_TRUE(plugOf(holder, "inMesh").setValue(surfaceData));
    VFnMesh onSurfaceData(holder);
    EXPECT_EQ(onSurfaceData.numPolygons(), 0);
    ASSERT_TRUE(onSurfaceData.createUVSet("extra"));
    EXPECT_EQ(onSurfaceData.numUVSets(), 2);
    EXPECT_EQ(VFnMesh(made.create("mesh")).numUVSets(), 1);
}

TEST_F(MeshTest, MeshDataFromPlugsIsReadEditedAndStored) {
    VObject data;
    ASSERT_TRUE(plugOf(shape, "outMesh").getValue(data));
    ASSERT_TRUE(data.hasFn(VFn::kMeshGeometry));
    VFnMesh onData(data);
    EXPECT_EQ(onData.numPolygons(), 6);
    ASSERT_TRUE(onData.setPoint(0, VPoint(0, 0, 5)));
    VPoint point;
    mesh.getPoint(0, point);
    EXPECT_EQ(point, VPoint(-1, -1, 1)) << "data read from a plug is a copy";

    VFnDagNode other;
    const VObject target = other.create("mesh");
    ASSERT_TRUE(plugOf(target, "inMesh").setValue(data));
    VFnMesh stored(target);
    EXPECT_EQ(stored.numPolygons(), 6);
    stored.getPoint(0, point);
    EXPECT_EQ(point, VPoint(0, 0, 5));
    ASSERT_TRUE(onData.setPoint(1, VPoint(0, 0, 6)));
    stored.getPoint(1, point);
    EXPECT_EQ(point, VPoint(1, -1, 1)) << "the plug shares the data: an edit of the data object is its own";

    // A mesh can be created into a data object.
    VObject fresh;
    ASSERT_TRUE(plugOf(other.create("mesh"), "outMesh").getValue(fresh));
    EXPECT_TRUE(fresh.isNull()) << "an empty mesh holds no data";
    VPlug emptyPlug = plugOf(target, "visibility");
    EXPECT_EQ(emptyPlug.getValue(fresh), VStatus::kInvalidParameter) << "not a data plug";
    EXPECT_EQ(plugOf(target, "inMesh").setValue(target), VStatus::kInvalidParameter) << "a node is not data";
    VFnMesh intoData;
    VStatus status;
    const VObject made = intoData.create(8, 6, cubePoints(), cubeCounts(), cubeConnects(), data, &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(made, data);
    EXPECT_EQ(VFnMesh(data).numVertices(), 8);
}

TEST_F(MeshTest, AMeshDrivenByItsHistoryShowsItAndRefusesEdits) {
    VFnDagNode other;
    const VObject deformed = other.create("mesh");
    ASSERT_TRUE(vexa_host::Scene::instance().connect(*vexa_host::nodeOf(shape), *plugOf(shape, "worldMesh[0]").path(),
                                                     *vexa_host::nodeOf(deformed), *plugOf(deformed, "inMesh").path()));
    VFnMesh shown(deformed);
    EXPECT_EQ(shown.numPolygons(), 6);
    EXPECT_EQ(shown.setPoints(cubePoints()), VStatus::kFailure);
    VPointArray moved = cubePoints();
    moved[1] = VPoint(7, 7, 7);
    EXPECT_EQ(shown.setPoints(moved), VStatus::kFailure);
    VPoint upstream;
    mesh.getPoint(1, upstream);
    EXPECT_EQ(upstream, VPoint(1, -1, 1)) << "the refused edit leaves the geometry it shows as it was";
    ASSERT_TRUE(mesh.setPoint(1, VPoint(2, 2, 2)));
    VPoint point;
    shown.getPoint(1, point);
    EXPECT_EQ(point, VPoint(2, 2, 2)) << "the upstream edit shows downstream";
}

TEST_F(MeshTest, WorldSpaceGoesThroughThePath) {
    const VObject transform = VFnDagNode(shape).parent(0);
    VFnTransform(transform).setTranslation(VVector(0, 5, 0), VSpace::kTransform);
    VDagPath path;
    VDagPath::getAPathTo(transform, path);
    VFnMesh onPath(path);
    VPoint point;
    ASSERT_TRUE(onPath.getPoint(0, point, VSpace::kWorld));
    EXPECT_EQ(point, VPoint(-1, 4, 1));
    ASSERT_TRUE(onPath.setPoint(0, VPoint(0, 5, 0), VSpace::kWorld));
    ASSERT_TRUE(onPath.getPoint(0, point));
    EXPECT_EQ(point, VPoint(0, 0, 0));
    EXPECT_EQ(mesh.getPoint(0, point, VSpace::kWorld), VStatus::kInvalidParameter) << "made from the node, no path";
    // Turned a quarter about Z, a normal set in world space reads back so, and turned back in
    // the object's space.
    const double quarterTurn[3] = {0.0, 0.0, M_PI / 2};
    ASSERT_TRUE(VFnTransform(transform).setRotation(quarterTurn, VTransformationMatrix::kXYZ));
    ASSERT_TRUE(onPath.setVertexNormals(VVectorArray(1, VVector(1, 0, 0)), VIntArray(1, 0), VSpace::kWorld));
    VVector normal;
    ASSERT_TRUE(onPath.getVertexNormal(0, normal, VSpace::kWorld));
    expectVector(normal, 1, 0, 0, "world");
    ASSERT_TRUE(onPath.getVertexNormal(0, normal));
    expectVector(normal, 0, -1, 0, "object");
}

TEST_F(MeshTest, ShadingGroupsOfFacesWinOverTheWholeObject) {
    using namespace vexa_host;
    const VObject whole = makeNode("shadingEngine", "wholeSG");
    const VObject faces = makeNode("shadingEngine", "facesSG");
    VDagPath path;
    VDagPath::getAPathTo(shape, path);
    auto polygons = std::make_shared<SingleIndexedComponent>(VFn::kMeshPolygonComponent);
    polygons->add(4);
    polygons->add(1);
    dynamic_cast<SetMembers*>(nodeOf(faces)->payload())->add(dagItem(path, VObject(polygons)));
    VObjectArray shaders;
    VIntArray indices;
    ASSERT_TRUE(mesh.getConnectedShaders(0, shaders, indices));
    EXPECT_EQ(items(shaders), (std::vector<VObject>{faces}));
    EXPECT_EQ(items(indices), (std::vector<int>{-1, 0, -1, -1, 0, -1}));

    VDagPath transformPath = path;
    transformPath.pop();
    dynamic_cast<SetMembers*>(nodeOf(whole)->payload())->add(dagItem(transformPath));
    ASSERT_TRUE(mesh.getConnectedShaders(0, shaders, indices));
    EXPECT_EQ(items(shaders), (std::vector<VObject>{whole, faces})) << "in scene order";
    EXPECT_EQ(items(indices), (std::vector<int>{0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(mesh.getConnectedShaders(1, shaders, indices), VStatus::kInvalidParameter) << "one instance only";
    const VObject later = makeNode("shadingEngine", "laterSG");
    dynamic_cast<SetMembers*>(nodeOf(later)->payload())->add(dagItem(path));
    ASSERT_TRUE(mesh.getConnectedShaders(0, shaders, indices));
    EXPECT_EQ(items(shaders), (std::vector<VObject>{whole, faces})) << "the first group holding the whole instance";
}

// The shaders of an instance as found by reading every member of every shading group.
std::pair<std::vector<VObject>, std::vector<int>> walkShaders(const vexa_host::NodeChain& instance) {
    using namespace vexa_host;
    std::vector<Node*> faceBy(6, nullptr), used;
    Node* whole = nullptr;
    for (const auto& entry : Scene::instance().nodes()) {
        auto* members = SetMembers::of(entry.second->payload());
        for (const SelectionItem& item : members != nullptr && entry.second->hasFn(VFn::kShadingEngine) ? members->items() : std::vector<SelectionItem>()) {
            // The member's path is the instance, or the instance's transform.
            const auto& nodes = item.path.nodes();
            const auto same = [](const NodePtr& a, const Node* b) { return a.get() == b; };
            const bool matches = std::equal(nodes.begin(), nodes.end(), instance.begin(), instance.end(), same) ||
                                 std::equal(nodes.begin(), nodes.end(), instance.begin(), instance.end() - 1, same);
            if (item.kind != SelectionItem::kDagPath || nodes.empty() || !matches) continue;
            const auto* faces = SingleIndexedComponent::of(item.component.record().get());
            if (item.component.isNull() && whole == nullptr) whole = entry.second.get();
            for (int face : faces != nullptr ? faces->elements() : std::vector<int>()) {
                if (faceBy[static_cast<size_t>(face)] == nullptr) faceBy[static_cast<size_t>(face)] = entry.second.get();
            }
        }
    }
    for (Node*& group : faceBy) {
        if ((group = group != nullptr ? group : whole) != nullptr && std::find(used.begin(), used.end(), group) == used.end()) used.push_back(group);
    }
    std::sort(used.begin(), used.end(), [](const Node* a, const Node* b) { return a->id() < b->id(); });
    std::pair<std::vector<VObject>, std::vector<int>> walked;
    for (Node* group : used) walked.first.push_back(objectOf(*group));
    for (Node* group : faceBy) walked.second.push_back(group == nullptr ? -1 : static_cast<int>(std::find(used.begin(), used.end(), group) - used.begin()));
    return walked;
}

// Random creations, deletions (the node kept by a handle now and then), reparentings,
// instances and set edits of shapes, faces and transforms; after each step every instance of
// every mesh reads the shaders the walk finds.
TEST_F(MeshTest, ShadersOfRandomScenesAreTheWalksOverEveryGroup) {
    using namespace vexa_host;
    Scene& scene = Scene::instance();
    std::mt19937 random(7);
    const auto pick = [&random](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
    std::vector<VObject> meshes, transforms, groups, kept;
    const auto any = [&pick](const std::vector<VObject>& nodes) { return nodes.empty() ? nullptr : liveNodeOf(nodes[pick(nodes.size())]); };
    VStatus status;
    for (int step = 0; step < 600; ++step) {
        const size_t what = pick(9);
        Node* transform = any(transforms);
        if (what == 0) meshes.push_back(VFnMesh().create(8, 6, cubePoints(), cubeCounts(), cubeConnects(), transform ? objectOf(*transform) : VObject()));
        if (what == 1) transforms.push_back(objectOf(*scene.createNode("transform", "", transform, status)));
        if (what == 2) groups.push_back(objectOf(*scene.createNode(pick(4) == 0 ? "objectSet" : "shadingEngine", "", nullptr, status)));
        std::vector<VObject>& nodes = pick(3) == 0 ? meshes : pick(2) == 0 ? transforms : groups;
        if (what == 3 && !nodes.empty()) {
            const size_t index = pick(nodes.size());
            scene.deleteNode(*liveNodeOf(nodes[index]));
            if (pick(2) == 0) kept.push_back(nodes[index]);
            if (pick(4) == 0) kept.clear();
        }
        Node* child = pick(2) == 0 ? any(meshes) : any(transforms);
        Node* parent = pick(3) == 0 ? &scene.world() : transform;
        if (what == 4 && child != nullptr && parent != nullptr && child != parent && !child->isAncestorOf(parent)) {
            if (pick(4) == 0 && child->parents().size() > 1) {
                scene.removeChild(*child->parents().back().parent, *child);
            } else {
                scene.addChild(*parent, *child, static_cast<size_t>(-1), pick(3) == 0);
            }
        }
        Node* group = any(groups);
        Node* shape = any(meshes);
        if (what >= 5 && group != nullptr && shape != nullptr) {
            const std::vector<NodeChain> paths = Scene::allPaths(*shape);
            VDagPath path;
            for (Node* node : paths[pick(paths.size())]) path.push(objectOf(*node));
            if (pick(4) == 0) path.pop();
            auto faces = std::make_shared<SingleIndexedComponent>(VFn::kMeshPolygonComponent);
            for (size_t count = 1 + pick(3); count > 0; --count) faces->add(static_cast<int>(pick(6)));
            const SelectionItem item = dagItem(path, pick(2) == 0 ? VObject(faces) : VObject());
            if (pick(4) == 0) {
                removeSetMember(*group, item);
            } else {
                addSetMember(*group, item, pick(3) != 0);
            }
        }
        for (std::vector<VObject>* list : {&meshes, &transforms, &groups}) {
            list->erase(std::remove_if(list->begin(), list->end(), [](const VObject& node) { return liveNodeOf(node) == nullptr; }), list->end());
        }
        for (const VObject& each : meshes) {
            const std::vector<NodeChain> paths = Scene::allPaths(*liveNodeOf(each));
            for (unsigned i = 0; i < paths.size(); ++i) {
                VObjectArray shaders;
                VIntArray indices;
                ASSERT_TRUE(VFnMesh(each).getConnectedShaders(i, shaders, indices));
                const auto walked = walkShaders(paths[i]);
                ASSERT_EQ(items(shaders), walked.first) << "step " << step;
                ASSERT_EQ(items(indices), walked.second) << "step " << step;
            }
        }
    }
}

TEST_F(MeshTest, AMemberDroppedWhileItsPathWasGoneStaysOut) {
    using namespace vexa_host;
    const VObject group = makeNode("shadingEngine", "cubeSG");
    VDagPath path;
    VDagPath::getAPathTo(shape, path);
    Node& away = *nodeOf(makeTransform("away"));
    for (bool asked : {true, false}) {
        ASSERT_TRUE(addSetMember(*nodeOf(group), dagItem(path), true));
        EXPECT_EQ(shadersAfterAway(away, asked), asked ? 0u : 1u) << (asked ? "dropped by the query while its path was gone" : "never asked while gone");
    }
}

// Groups made after the last query, beside groups deleted and nodes of other kinds, are read
// as every group was: each drops the member whose path was gone while a query ran.
TEST_F(MeshTest, GroupsMadeAndDeletedBetweenQueriesDropTheirGoneMembers) {
    using namespace vexa_host;
    VDagPath path;
    VDagPath::getAPathTo(shape, path);
    Node& away = *nodeOf(makeTransform("away"));
    VObjectArray shaders;
    VIntArray indices;
    VObject kept;
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(mesh.getConnectedShaders(0, shaders, indices));
        if (!kept.isNull()) VGlobal::deleteNode(kept);
        for (int i = 0; i < round * 3; ++i) VGlobal::deleteNode(makeTransform("filler"));
        const VObject group = makeNode("shadingEngine", "cubeSG");
        const VObject plain = makeNode("objectSet", "plainSet");
        ASSERT_TRUE(addSetMember(*nodeOf(group), dagItem(path), true));
        ASSERT_TRUE(addSetMember(*nodeOf(plain), dagItem(path), true));
        EXPECT_EQ(shadersAfterAway(away, true), 0u) << "round " << round << ": the new group dropped the member";
        EXPECT_EQ(SetMembers::of(nodeOf(plain)->payload())->on(shape).size(), 1u) << "round " << round << ": sets that shade nothing are not read";
        kept = group;
    }
}

TEST_F(MeshTest, OtherObjectsAreRefused) {
    VStatus status;
    VFnMesh onTransform(makeTransform("plain"), &status);
    EXPECT_EQ(status, VStatus::kInvalidParameter);
    const VObject transform = VFnDagNode(shape).parent(0);
    VGlobal::deleteNode(transform);
    EXPECT_FALSE(mesh.numPolygons(&status) > 0);
    EXPECT_EQ(status, VStatus::kInvalidParameter) << "the mesh was deleted";
    EXPECT_EQ(mesh.updateSurface(), VStatus::kInvalidParameter);
}

}  // namespace
