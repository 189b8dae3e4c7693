// Mesh polygons, UV and material/texture set-up, mapping kinds and Assign.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Indices(const int* data, int count) {
    return data != nullptr ? std::vector<int>(data, data + count) : std::vector<int>();
}

class MeshTest : public ::testing::Test {
protected:
    // A triangle 0, 1, 2 and a quad 2, 1, 3, 4 over five control points.
    void TriangleAndQuad() {
        mesh.InitControlPoints(5);
        mesh.BeginPolygon(-1, -1, 7);
        for (int cp : {0, 1, 2}) mesh.AddPolygonVertex(cp);
        mesh.BeginPolygon(-1, -1, 8);
        for (int cp : {2, 1, 3, 4}) mesh.AddPolygonVertex(cp);
    }

    RWyxObjectFactory factory;
    RWyxMesh& mesh = *factory.CreateMesh();
};

struct VertexCase {
    int polygon;
    int vertex;
    int expected;
};

TEST_F(MeshTest, PolygonVerticesAreReadWithinTheirPolygonAndTheControlPoints) {
    EXPECT_FALSE(mesh.AddPolygonVertex(0));  // no polygon begun
    TriangleAndQuad();
    EXPECT_FALSE(mesh.AddPolygonVertex(-1));
    EXPECT_TRUE(mesh.AddPolygonVertex(5));  // one past the points: kept, never read through
    const VertexCase cases[] = {
        {0, 2, 2}, {0, 3, -1},  // one past the triangle, not the quad's first
        {1, 3, 4}, {1, 4, -1}, {2, 0, -1}, {-1, 0, -1}, {1, -1, -1},
    };
    for (const VertexCase& c : cases) {
        EXPECT_EQ(mesh.GetPolygonVertex(c.polygon, c.vertex), c.expected) << c.polygon << "," << c.vertex;
    }
    EXPECT_EQ(mesh.GetPolygonSize(1), 5);
    EXPECT_EQ(mesh.GetPolygonSize(2), -1);
    EXPECT_EQ(mesh.GetPolygon(1)->start, 3);
    EXPECT_EQ(mesh.GetPolygonGroup(1), 8);
    EXPECT_EQ(mesh.CountBadPolygonVertices(), 1);
    EXPECT_EQ(Indices(mesh.GetPolygonVertices(), mesh.GetPolygonVertexCount()),
              (std::vector<int>{0, 1, 2, 2, 1, 3, 4, 5}));
}

TEST_F(MeshTest, BeginPolygonStoresIndicesAtThePolygonsPlace) {
    mesh.BeginPolygon(2, 4, 0);  // the first polygon makes both elements
    mesh.BeginPolygon(1, -1, 0);
    EXPECT_EQ(mesh.GetMaterialMappingKind(), RWyxMesh::kKindByPolygon);
    EXPECT_EQ(mesh.GetTextureMappingKind(), RWyxMesh::kKindByPolygon);
    EXPECT_EQ(Indices(mesh.GetTextureIndices(), mesh.GetTextureIndexCount()), (std::vector<int>{4, -1}));
    EXPECT_EQ(Indices(mesh.GetMaterialIndices(), mesh.GetMaterialIndexCount()), (std::vector<int>{2, 1}));

    // Elements begun after polygons: only the first polygon makes one, and indices land at
    // their polygon's place.
    RWyxMesh& late = *factory.CreateMesh();
    late.BeginPolygon(-1, -1, -1);
    late.BeginPolygon(3, 6, -1);
    EXPECT_EQ(late.GetTextureIndices(), nullptr);
    EXPECT_EQ(late.GetMaterialIndices(), nullptr);
    late.AddMaterial(factory.CreateMaterial("Late"));
    late.GetLayer(0)->GetMaterials()->SetMappingMode(RWyxLayerElement::kByPolygon);
    late.BeginPolygon(0, -1, -1);
    EXPECT_EQ(Indices(late.GetMaterialIndices(), late.GetMaterialIndexCount()), (std::vector<int>{-1, -1, 0}));
}

TEST_F(MeshTest, UVIndicesLineUpWithThePolygonVertices) {
    mesh.InitControlPoints(4);
    mesh.InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    mesh.InitTextureUVs(2);
    EXPECT_EQ(mesh.AddTextureUV(0.5, 0.25), 2);
    mesh.BeginPolygon();
    mesh.AddPolygonVertex(0);     // no UV yet: nothing stored
    mesh.AddPolygonVertex(1, 2);  // the second vertex's UV lands at its own place
    mesh.AddPolygonVertex(2);     // -1 keeps the array in line
    mesh.AddPolygonVertex(3, 3);  // one past the UV array
    mesh.AddPolygonVertex(0);     // a last vertex without UV still takes its place
    mesh.BeginPolygon();
    mesh.AddPolygonVertex(1, 0);
    EXPECT_EQ(mesh.GetLayer(0)->GetUVs()->IndexArray(), (std::vector<int>{-1, 2, -1, 3, -1, 0}));
    EXPECT_EQ(mesh.GetTextureUVIndex(0, 0), -1);
    EXPECT_EQ(mesh.GetTextureUVIndex(0, 1), 2);
    EXPECT_EQ(mesh.GetTextureUVIndex(0, 3), -1);  // an index past the UVs is not handed out
    EXPECT_EQ(mesh.GetTextureUVIndex(1, 0), 0);
    EXPECT_EQ(mesh.GetTextureUVIndex(0, 5), -1) << "past its polygon, not the next polygon's vertex";
    mesh.AddPolygonVertex(2);
    EXPECT_EQ(mesh.GetLayer(0)->GetUVs()->GetIndexCount(), mesh.GetPolygonVertexCount());
    EXPECT_DOUBLE_EQ(mesh.GetTextureUVs()[2].v, 0.25);
    mesh.GetLayer(0)->GetUVs()->SetMappingMode(RWyxLayerElement::kByControlPoint);
    EXPECT_EQ(mesh.GetTextureUVIndex(0, 1), -1);  // UV indices belong to polygon-vertex mapping only
}

struct KindCase {
    int kind;
    int mapping;
    int reference;
    int answered;
    int indexCount;  // materials, with 4 control points and 2 polygons
};

TEST_F(MeshTest, MappingKindsSetUpTheirElements) {
    const KindCase uvCases[] = {
        {RWyxMesh::kKindByControlPoint, RWyxLayerElement::kByControlPoint, RWyxLayerElement::kDirect, 0, 0},
        {RWyxMesh::kKindByPolygonVertex, RWyxLayerElement::kByPolygonVertex, RWyxLayerElement::kIndexToDirect, 1, 0},
        {RWyxMesh::kKindAllSame, RWyxLayerElement::kAllSame, RWyxLayerElement::kDirect, 3, 0},
        {RWyxMesh::kKindByPolygon, RWyxLayerElement::kNoMapping, RWyxLayerElement::kDirect, 3, 0},
    };
    const KindCase materialCases[] = {
        {RWyxMesh::kKindByControlPoint, RWyxLayerElement::kByControlPoint, RWyxLayerElement::kIndexToDirect, 0, 4},
        {RWyxMesh::kKindByPolygon, RWyxLayerElement::kByPolygon, RWyxLayerElement::kIndexToDirect, 2, 2},
        {RWyxMesh::kKindAllSame, RWyxLayerElement::kAllSame, RWyxLayerElement::kIndexToDirect, 3, 1},
        {9, RWyxLayerElement::kAllSame, RWyxLayerElement::kIndexToDirect, 3, 1},
    };
    EXPECT_EQ(mesh.GetMaterialMappingKind(), RWyxMesh::kKindAllSame);  // missing
    EXPECT_EQ(mesh.GetTextureUVMappingKind(), RWyxMesh::kKindAllSame);
    mesh.InitControlPoints(4);
    mesh.BeginPolygon();
    mesh.BeginPolygon();
    for (const KindCase& c : uvCases) {
        SCOPED_TRACE(c.kind);
        mesh.InitTextureUVs(3);
        mesh.InitTextureUVMapping(c.kind);
        EXPECT_EQ(mesh.GetLayer(0)->GetUVs()->GetMappingMode(), c.mapping);
        EXPECT_EQ(mesh.GetLayer(0)->GetUVs()->GetReferenceMode(), c.reference);
        EXPECT_EQ(mesh.GetTextureUVMappingKind(), c.answered);
        EXPECT_EQ(mesh.GetTextureUVCount(), 0);
    }
    for (const KindCase& c : materialCases) {
        SCOPED_TRACE(c.kind);
        mesh.InitMaterialIndices(c.kind);
        EXPECT_EQ(mesh.GetLayer(0)->GetMaterials()->GetMappingMode(), c.mapping);
        EXPECT_EQ(mesh.GetLayer(0)->GetMaterials()->GetReferenceMode(), c.reference);
        EXPECT_EQ(mesh.GetMaterialMappingKind(), c.answered);
        EXPECT_EQ(mesh.GetMaterialIndexCount(), c.indexCount);
    }
    mesh.InitTextureIndices(RWyxMesh::kKindByPolygon);
    EXPECT_EQ(mesh.GetTextureMappingKind(), RWyxMesh::kKindByPolygon);
    EXPECT_EQ(mesh.GetTextureIndexCount(), 2);
    mesh.InitTextureIndices(RWyxMesh::kKindByControlPoint);  // textures know no control-point kind
    EXPECT_EQ(mesh.GetTextureMappingKind(), RWyxMesh::kKindAllSame);
    EXPECT_EQ(mesh.GetTextureIndexCount(), 1);
}

TEST_F(MeshTest, PolygonVertexNormalsFollowTheNormalMapping) {
    TriangleAndQuad();
    RVector4 normal;
    EXPECT_FALSE(mesh.GetPolygonVertexNormal(0, 0, normal));
    mesh.InitNormals(6);  // one short of the seven polygon vertices
    EXPECT_EQ(mesh.GetNormalsMappingKind(), 1);
    mesh.GetNormals()[5].Set(0.0, 0.0, 1.0, 1.0);
    ASSERT_TRUE(mesh.GetPolygonVertexNormal(1, 2, normal));
    EXPECT_DOUBLE_EQ(normal.z, 1.0);
    EXPECT_FALSE(mesh.GetPolygonVertexNormal(1, 3, normal));  // position 6: past the normals
    mesh.InitNormals(0);
    EXPECT_EQ(mesh.GetNormalsMappingKind(), 0);
    mesh.GetNormals()[4].Set(1.0, 0.0, 0.0, 1.0);
    ASSERT_TRUE(mesh.GetPolygonVertexNormal(1, 3, normal));  // by control point 4
    EXPECT_DOUBLE_EQ(normal.x, 1.0);
}

// The skin links and shapes it copies are the geometry's copies (RWyxGeometryTest).
TEST_F(MeshTest, AssignCopiesPolygonsLayersPivotAndGridAndSharesNothing) {
    TriangleAndQuad();
    mesh.InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh.AddMaterial(factory.CreateMaterial("Skin"));
    mesh.AddShape(factory.CreateShape(), "Smile");
    RWyxSkinLink* link = factory.CreateSkinLink();
    mesh.AddDeformer(link);
    RMatrix pivot;
    pivot[3][0] = 4.0;
    mesh.SetPivot(pivot);
    RWyxMesh::Grid grid;
    grid.vClosed = true;
    mesh.SetGrid(grid);

    RWyxMesh& copy = *factory.CreateMesh();
    ASSERT_TRUE(copy.Assign(mesh));
    EXPECT_EQ(copy.GetPolygonVertex(1, 3), 4);
    EXPECT_EQ(copy.GetMaterialCount(0), 1);
    EXPECT_EQ(copy.GetMaterialIndexCount(), 2);
    EXPECT_DOUBLE_EQ(copy.GetPivotMatrix()[3][0], 4.0);
    EXPECT_TRUE(copy.GetGrid().vClosed);
    EXPECT_STREQ(copy.GetShapeName(0), "Smile");
    ASSERT_EQ(copy.GetDeformerCount(), 1);
    EXPECT_NE(copy.GetDeformer(0), link);
    copy.AddPolygonVertex(0);
    copy.GetMaterialIndices()[0] = 5;
    EXPECT_EQ(mesh.GetPolygonSize(1), 4);
    EXPECT_EQ(mesh.GetMaterialIndices()[0], 0);
}

}  // namespace
