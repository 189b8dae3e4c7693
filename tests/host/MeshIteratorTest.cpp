// The polygon and vertex iterators of meshes, over whole meshes and over components, as the
// mesh export walks them.

#include "tests/host/GeometryTestSupport.h"

#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VItMeshPolygon.h>
#include <vexa/VItMeshVertex.h>

#include <set>

namespace {

using namespace geometry_test;

class MeshIteratorTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        shape = makeCube(mesh);
        VDagPath::getAPathTo(shape, path);
    }
    static VObject component(VFn::Type type, std::initializer_list<int> elements) {
        VFnSingleIndexedComponent fn;
        const VObject made = fn.create(type);
        for (int element : elements) EXPECT_TRUE(fn.addElement(element));
        return made;
    }

    VFnMesh mesh;
    VObject shape;
    VDagPath path;
};

TEST_F(MeshIteratorTest, PolygonsGiveTheirVerticesAndNormalIndices) {
    VVectorArray normals;
    ASSERT_TRUE(mesh.getNormals(normals));
    VItMeshPolygon polygons(path);
    std::vector<int> vertices;
    int visited = 0;
    for (; !polygons.isDone(); polygons.next(), ++visited) {
        EXPECT_EQ(polygons.index(), visited);
        ASSERT_EQ(polygons.polygonVertexCount(), 4);
        VVector faceNormal;
        ASSERT_TRUE(polygons.getNormal(faceNormal));
        std::set<int> ids;
        for (int corner = 0; corner < 4; ++corner) ids.insert(polygons.normalIndex(corner));
        EXPECT_EQ(ids.size(), 4u) << "flat normals: one of its own per corner";
        for (int corner = 0; corner < 4; ++corner) {
            vertices.push_back(polygons.vertexIndex(corner));
            const int normalIndex = polygons.normalIndex(corner);
            ASSERT_GE(normalIndex, 0);
            ASSERT_LT(normalIndex, static_cast<int>(normals.length()));
            EXPECT_TRUE(normals[static_cast<unsigned>(normalIndex)].isEquivalent(faceNormal, 1e-9))
                << "polygon " << visited << " corner " << corner;
        }
    }
    EXPECT_EQ(visited, 6);
    EXPECT_EQ(vertices, items(cubeConnects()));
    VStatus status;
    EXPECT_EQ(polygons.vertexIndex(0, &status), -1);
    EXPECT_EQ(status, VStatus::kFailure) << "past the end";
    ASSERT_TRUE(polygons.reset());
    EXPECT_EQ(polygons.vertexIndex(4, &status), -1);
    EXPECT_EQ(status, VStatus::kInvalidParameter) << "a quad has no corner 4";
}

TEST_F(MeshIteratorTest, VertexNormalsAreCountedPerDistinctNormal) {
    // Flat normals: three per cube corner (24 in all), as the export counts them.
    int total = 0;
    for (VItMeshVertex vertices(path); !vertices.isDone(); vertices.next()) {
        VVectorArray normals;
        ASSERT_TRUE(vertices.getNormals(normals));
        EXPECT_EQ(normals.length(), 3u) << "vertex " << vertices.index();
        total += static_cast<int>(normals.length());
        VIntArray faces;
        ASSERT_TRUE(vertices.getConnectedFaces(faces));
        EXPECT_EQ(faces.length(), 3u);
    }
    EXPECT_EQ(total, 24);
    VItMeshVertex first(shape);
    VIntArray faces;
    ASSERT_TRUE(first.getConnectedFaces(faces));
    EXPECT_EQ(items(faces), (std::vector<int>{0, 3, 5})) << "the faces on vertex 0";
    VVectorArray normals;
    VIntArray ids;
    for (int i = 0; i < 8; ++i) {
        normals.append(VVector(1, 0, 0));
        ids.append(i);
    }
    ASSERT_TRUE(mesh.setVertexNormals(normals, ids));
    VItMeshVertex vertices(shape);
    VVectorArray read;
    ASSERT_TRUE(vertices.getNormals(read));
    EXPECT_EQ(read.length(), 1u) << "one shared normal once set on the vertex";
}

TEST_F(MeshIteratorTest, ComponentsAreWalkedInTheirOrder) {
    VItMeshVertex vertices(path, component(VFn::kMeshVertComponent, {5, 2, 7}));
    std::vector<int> order;
    std::vector<VPoint> positions;
    for (; !vertices.isDone(); vertices.next()) {
        order.push_back(vertices.index());
        positions.push_back(vertices.position());
    }
    EXPECT_EQ(order, (std::vector<int>{5, 2, 7}));
    EXPECT_EQ(positions[2], VPoint(1, -1, -1));

    VItMeshPolygon polygons(path, component(VFn::kMeshPolygonComponent, {4}));
    EXPECT_EQ(polygons.count(), 1);
    EXPECT_EQ(polygons.vertexIndex(1), 7);
}

TEST_F(MeshIteratorTest, ComponentsThatDoNotFitTheMeshAreRefused) {
    struct Case {
        const char* what;
        VFn::Type type;
        int element;
        bool polygons;
    };
    const Case cases[] = {
        {"a vertex past the mesh", VFn::kMeshVertComponent, 8, false},
        {"a polygon past the mesh", VFn::kMeshPolygonComponent, 6, true},
        {"polygons given to the vertex walk", VFn::kMeshPolygonComponent, 0, false},
        {"vertices given to the polygon walk", VFn::kMeshVertComponent, 0, true},
    };
    for (const Case& c : cases) {
        VStatus status;
        const VObject elements = component(c.type, {c.element});
        bool done = false;
        if (c.polygons) {
            VItMeshPolygon walk(path, elements, &status);
            done = walk.isDone();
        } else {
            VItMeshVertex walk(path, elements, &status);
            done = walk.isDone();
        }
        EXPECT_EQ(status, VStatus::kInvalidParameter) << c.what;
        EXPECT_TRUE(done) << c.what;
    }
}

TEST_F(MeshIteratorTest, PositionsAreSetThroughTheWalkAndTheCurrentElementIsAComponent) {
    VItMeshVertex vertices(shape);
    int previous = -1;
    ASSERT_TRUE(vertices.setIndex(6, previous));
    EXPECT_EQ(previous, 0);
    ASSERT_TRUE(vertices.setPosition(VPoint(-2, -2, -2)));
    EXPECT_EQ(vertices.position(), VPoint(-2, -2, -2));
    VPoint point;
    mesh.getPoint(6, point);
    EXPECT_EQ(point, VPoint(-2, -2, -2));
    EXPECT_EQ(vertices.setIndex(8, previous), VStatus::kInvalidParameter);

    VFnSingleIndexedComponent single(vertices.vertex());
    EXPECT_EQ(single.element(0), 6);
    VItMeshPolygon polygons(shape);
    polygons.next();
    polygons.next();
    const VObject face = polygons.polygon();
    EXPECT_EQ(face.apiType(), VFn::kMeshPolygonComponent);
    EXPECT_EQ(VFnSingleIndexedComponent(face).element(0), 2);
    EXPECT_TRUE(polygons.center().isEquivalent(VPoint(-0.25, -0.25, -1.25))) << "vertex 6 as moved";
}

// A walk's edits reach the mesh; a walk or a copy made before them keeps the mesh as it was.
TEST_F(MeshIteratorTest, AWalksEditLeavesEarlierWalksAndCopiesAsTheyWere) {
    VItMeshVertex earlier(shape);
    VFnMesh copy;
    copy.copy(shape);
    VItMeshVertex walk(shape);
    ASSERT_TRUE(walk.setPosition(VPoint(3, 3, 3)));
    walk.next();
    ASSERT_TRUE(walk.setPosition(VPoint(4, 4, 4)));
    EXPECT_EQ(earlier.position(), VPoint(-1, -1, 1));
    VPoint point;
    copy.getPoint(0, point);
    EXPECT_EQ(point, VPoint(-1, -1, 1));
    mesh.getPoint(0, point);
    EXPECT_EQ(point, VPoint(3, 3, 3)) << "the walk's second edit keeps its first";
}

}  // namespace
