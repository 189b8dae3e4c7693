// Version-5 geometry: mesh points, normals, materials, textures, polygons, UVs, colours and
// grid; the records a geometry uses; extra texture layers; NURBS and patches; shapes.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFileExporter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <cmath>

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;
using Numbers = std::vector<double>;
using Element = RWyxLayerElement;

class V5GeometryTest : public WriterTest {
protected:
    // The first model of a version-5 file of the scene.
    Record Model(int index = 0) {
        const FileTree tree = WriteAndRead(Form::kV5Binary);
        return tree.main.Child("Model", index);
    }
};

TEST_F(V5GeometryTest, PointsGoThroughThePivotNormalsThroughItsRotationAndPolygonsEndInTheirComplement) {
    RWyxMesh* mesh = AddMesh("Mesh", 3);
    mesh->InitNormals(0);
    mesh->GetNormals()[0] = RVector4(1, 0, 0, 0);
    mesh->SetPivot(RMatrix::ConstructFromTRS(RVector4(0, 1, 0, 0), RVector4(0, 0, 90, 0), RVector4(2, 2, 2, 0)));
    mesh->BeginPolygon(-1, -1, 4);
    for (int v : {0, 1, 2}) mesh->AddPolygonVertex(v);
    const Record model = Model();
    const Numbers vertices = model.Child("Vertices").Numbers();
    ASSERT_EQ(vertices.size(), 9u);
    EXPECT_NEAR(vertices[3], 0.0, 1e-12);
    EXPECT_NEAR(vertices[4], 3.0, 1e-12) << "(1, 0, 0) scaled by 2, turned and moved up";
    const Numbers normals = model.Child("Normals").Numbers();
    EXPECT_NEAR(normals[0], 0.0, 1e-12);
    EXPECT_NEAR(normals[1], 1.0, 1e-12) << "turned, not scaled";
    EXPECT_EQ(model.Child("PolygonVertexIndex").Numbers(), (Numbers{0, 1, -3}));
    EXPECT_EQ(model.Find("PolygonGroup"), nullptr);
    EXPECT_EQ(model.Child("MaterialAssignation").values, Names{"AllSame"});
    EXPECT_EQ(model.Child("Materials").Numbers(), Numbers{0}) << "no material";
    EXPECT_EQ(model.Child("GeometryUVInfo").NamesWithValue(), (Names{"Version:240", "MappingInformationType:NoMappingInformation"}));
}

TEST_F(V5GeometryTest, EmptyPolygonsAreLeftOutWithTheirEntriesAndIndicesAreChecked) {
    RWyxMesh* mesh = AddMesh("Mesh", 4);
    mesh->AddMaterial(factory.CreateMaterial("A"));
    mesh->AddMaterial(factory.CreateMaterial("B"));
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->AddTexture(factory.CreateTexture("T"));
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->BeginPolygon(1, 0, 1);
    for (int v : {0, 1, 2}) mesh->AddPolygonVertex(v);
    mesh->BeginPolygon(0, 0, 2);  // no vertex
    mesh->BeginPolygon(7, 5, 3);
    for (int v : {1, 2, 3}) mesh->AddPolygonVertex(v);
    const Record model = Model();
    EXPECT_EQ(model.Child("PolygonVertexIndex").Numbers(), (Numbers{0, 1, -3, 1, 2, -4}));
    EXPECT_EQ(model.Child("PolygonGroup").Numbers(), (Numbers{1, 3}));
    EXPECT_EQ(model.Child("MaterialAssignation").values, Names{"ByPolygon"});
    EXPECT_EQ(model.Child("Materials").Numbers(), (Numbers{1, 0})) << "material 7 of two is written 0";
    EXPECT_EQ(model.Child("TextureMode").values, Names{"ByPolygon"});
    EXPECT_EQ(model.Child("TextureId").Numbers(), (Numbers{0, 0})) << "texture 5 of one is written 0";
    EXPECT_NE(lastWrite.messages.find("1 polygons of Model::Mesh"), std::string::npos) << lastWrite.messages;
    EXPECT_EQ(model.NamesWithValue().front(), "Version:194");
    EXPECT_EQ(model.Child("Material").values, Names{"Material::A"});
    EXPECT_EQ(model.Child("Material", 1).values, Names{"Material::B"});
    EXPECT_EQ(model.Child("Texture").values, Names{"Texture::T"});
}

// An index equal to its count names nothing, as one past it does.
TEST_F(V5GeometryTest, IndicesEqualToTheirCountAreWrittenAsZero) {
    RWyxMesh* mesh = AddMesh("Mesh", 3);
    mesh->AddMaterial(factory.CreateMaterial("A"));
    mesh->AddMaterial(factory.CreateMaterial("B"));
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->AddTexture(factory.CreateTexture("T"));
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->InitTextureUVMapping(1);
    mesh->AddTextureUV(0.1, 0.2);
    mesh->AddTextureUV(0.3, 0.4);
    mesh->BeginPolygon(2, 1, -1);
    for (int v : {0, 1, 2}) mesh->AddPolygonVertex(v, v);
    const Record model = Model();
    EXPECT_EQ(model.Child("Materials").Numbers(), Numbers{0}) << "material 2 of two";
    EXPECT_EQ(model.Child("TextureId").Numbers(), Numbers{0}) << "texture 1 of one";
    EXPECT_EQ(model.Child("GeometryUVInfo").Child("TextureUVVerticeIndex").Numbers(), (Numbers{0, 1, 0})) << "UV 2 of two";
}

TEST_F(V5GeometryTest, MaterialsByDirectReferenceAreWrittenAsTheLastOne) {
    RWyxMesh* mesh = AddMesh("Mesh", 3);
    mesh->AddMaterial(factory.CreateMaterial("A"));
    mesh->AddMaterial(factory.CreateMaterial("B"));
    mesh->InitMaterialIndices(RWyxMesh::kKindByControlPoint);
    mesh->GetLayer(0)->GetMaterials()->SetReferenceMode(Element::kDirect);
    const Record model = Model();
    EXPECT_EQ(model.Child("MaterialAssignation").values, Names{"ByVertice"});
    EXPECT_EQ(model.Child("Materials").Numbers(), (Numbers{1, 1, 1}));
}

TEST_F(V5GeometryTest, ExtraTextureLayersWriteTheirInfoOnlyWhenItFitsAndMendTheirUVs) {
    RWyxMesh* mesh = AddMesh("Mesh", 3);
    mesh->BeginPolygon();
    for (int v : {0, 1, 2}) mesh->AddPolygonVertex(v);
    mesh->AddTexture(factory.CreateTexture("Base"));
    mesh->InitTextureIndices(RWyxMesh::kKindAllSame);
    // Layer 1: all same, index 3 of two textures, UVs by polygon vertex but of the wrong count.
    mesh->AddTexture(factory.CreateTexture("Dirt"), 1);
    mesh->AddTexture(factory.CreateTexture("Moss"), 1);
    RWyxLayer* layer1 = mesh->GetLayer(1);
    layer1->GetTextures()->IndexArray() = {3};
    layer1->GetTextures()->SetBlendMode(RWyxLayerElementTexture::kModulate);
    RWyxLayerElementUV* uvs = layer1->SetUVs(std::make_unique<RWyxLayerElementUV>());
    uvs->SetMappingMode(Element::kByPolygonVertex);
    uvs->SetReferenceMode(Element::kIndexToDirect);
    uvs->DirectArray() = {RVector2{0.5, 0.5}};
    uvs->IndexArray() = {0, 0};
    // Layer 2: by control point, which a layer cannot carry, with UVs that would fit.
    mesh->AddTexture(factory.CreateTexture("Decal"), 2);
    mesh->GetLayer(2)->GetTextures()->SetMappingMode(Element::kByControlPoint);
    RWyxLayerElementUV* decalUVs = mesh->GetLayer(2)->SetUVs(std::make_unique<RWyxLayerElementUV>());
    decalUVs->SetMappingMode(Element::kByControlPoint);
    decalUVs->DirectArray() = {RVector2{0, 0}, RVector2{1, 0}, RVector2{0, 1}};
    // Layer 0: UVs by polygon, which the mesh's UVs cannot carry.
    RWyxLayerElementUV* polygonUVs = mesh->GetLayer(0)->SetUVs(std::make_unique<RWyxLayerElementUV>());
    polygonUVs->SetMappingMode(Element::kByPolygon);
    polygonUVs->DirectArray() = {RVector2{0.5, 0.5}};
    // Layer 3: UVs by control point, index to direct.
    mesh->AddTexture(factory.CreateTexture("Paint"), 3);
    RWyxLayerElementUV* pointUVs = mesh->GetLayer(3)->SetUVs(std::make_unique<RWyxLayerElementUV>());
    pointUVs->SetMappingMode(Element::kByControlPoint);
    pointUVs->SetReferenceMode(Element::kIndexToDirect);
    pointUVs->DirectArray() = {RVector2{0.25, 0.75}};
    pointUVs->IndexArray() = {0, 0, 9};
    const Record model = Model();
    EXPECT_EQ(model.Child("TextureMode").values, Names{"ByModel"});
    EXPECT_EQ(model.All("Texture").size(), 5u);
    const auto layers = model.All("GeometryLayer");
    ASSERT_EQ(layers.size(), 3u) << "layers 1 to 3; layer 0's texture is the mesh's own";
    EXPECT_EQ(layers[0]->Child("LayerIndex").Int(), 0);
    EXPECT_EQ(layers[0]->Child("LayerTextureInfo").NamesWithValue(),
              (Names{"TextureBlendMode:2", "TextureMode:2", "TextureIdCount:1", "TextureId:0", "UVMode:0"}));
    EXPECT_EQ(uvs->GetMappingMode(), Element::kNoMapping) << "the mapping that does not fit is mended";
    EXPECT_EQ(layers[1]->Names(), Names{"LayerIndex"});
    const Record& paint = layers[2]->Child("LayerTextureInfo");
    EXPECT_EQ(paint.Child("UVMode").Int(), 4);
    EXPECT_EQ(paint.Child("UV").Numbers(), (Numbers{0.25, 0.75}));
    EXPECT_EQ(paint.Child("UVId").Numbers(), (Numbers{0, 0, 0})) << "UV 9 of one is written 0";
    EXPECT_EQ(lastWrite.messages,
              "The UVs of layers 0, 1, 2 of Model::Mesh are left out: a version-5 file has no place for them");
}

TEST_F(V5GeometryTest, UVsColoursAndTheGridOfAMesh) {
    RWyxMesh* mesh = AddMesh("Mesh", 3);
    mesh->InitTextureUVMapping(1);
    mesh->AddTextureUV(0.1, 0.2);
    mesh->AddTextureUV(0.3, 0.4);
    mesh->BeginPolygon();
    for (int v : {0, 1, 2}) mesh->AddPolygonVertex(v, v % 2);
    RWyxLayerElementVertexColor* colors = mesh->GetLayer(0)->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
    colors->SetMappingMode(Element::kByPolygonVertex);
    colors->SetReferenceMode(Element::kIndexToDirect);
    colors->DirectArray() = {RWyxColor(1, 0, 0, 1)};
    colors->IndexArray() = {0, 0, 0};
    RWyxMesh::Grid grid;
    grid.uCount = 2;
    grid.vCount = 3;
    grid.uClosed = true;
    mesh->SetGrid(grid);
    const Record model = Model();
    const Record& uvInfo = model.Child("GeometryUVInfo");
    EXPECT_EQ(uvInfo.Child("MappingInformationType").values, Names{"ByPolygon"});
    EXPECT_EQ(uvInfo.Child("TextureUV").Numbers(), (Numbers{0.1, 0.2, 0.3, 0.4}));
    EXPECT_EQ(uvInfo.Child("TextureUVVerticeIndex").Numbers(), (Numbers{0, 1, 0}));
    const Record& colorInfo = model.Child("VertexColorInfo");
    EXPECT_EQ(colorInfo.Child("MappingInformationType").values, Names{"ByPolygonVertex"});
    EXPECT_EQ(colorInfo.Child("Colors").Numbers(), (Numbers{1, 0, 0, 1}));
    EXPECT_EQ(colorInfo.Child("ColorIndex").Numbers(), (Numbers{0, 0, 0}));
    Names names = model.Names();
    const auto grid0 = std::find(names.begin(), names.end(), "UExtendedCount");
    ASSERT_NE(grid0, names.end());
    EXPECT_EQ(Names(grid0, grid0 + 10), (Names{"UExtendedCount", "UClosed", "UTopCap", "UStep", "UCount", "VExtendedCount",
                                               "VClosed", "VTopCap", "VStep", "VCount"}));
    EXPECT_EQ(model.Child("UClosed").Int(), 1);
    colors->IndexArray() = {0, 0};
    EXPECT_EQ(Model().Find("VertexColorInfo"), nullptr) << "colours that do not fit the polygon vertices";
}

// UVs with no place in version 5 (layers after 0 without a texture) are named, once a mesh, in
// the exporter's message text in both forms; a mesh whose UVs are all written is not.
TEST_F(V5GeometryTest, UVLayersLeftOutAreNamedOnceForEachMesh) {
    for (const auto& [name, layers] : {std::pair{"Sets", 3}, {"Textured", 4}, {"Whole", 1}}) {
        RWyxMesh* mesh = AddMesh(name, 3);
        for (int l = 0; l < layers; ++l) {
            RWyxLayerElementUV* uvs = mesh->EnsureLayer(l)->SetUVs(std::make_unique<RWyxLayerElementUV>());
            uvs->SetMappingMode(Element::kByControlPoint);
            uvs->DirectArray() = {RVector2{0.0, 0.25 * l}, RVector2{1.0, 0.0}, RVector2{0.0, 1.0}};
        }
        if (layers == 3) continue;  // no texture
        mesh->AddTexture(factory.CreateTexture(name), 2);  // the second texture layer of "Textured"
        mesh->AddTexture(factory.CreateTexture(name));
    }
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    ASSERT_TRUE(exporter->Initialize(path.c_str()));
    for (const int form : {RWyxFileExporter::kFormatWyx5Binary, RWyxFileExporter::kFormatWyx5Ascii}) {
        exporter->SetFileFormat(form);
        ASSERT_TRUE(exporter->Export(scene)) << exporter->GetLastErrorString();
        EXPECT_EQ(std::string(exporter->GetMessageText().Buffer()),
                  "The UVs of layers 1, 2 of Model::Sets are left out: a version-5 file has no place for them\n"
                  "The UVs of layers 1, 3 of Model::Textured are left out: a version-5 file has no place for them");
        FileTree tree;
        ASSERT_TRUE(ReadTree(path, tree));
        const Record& layer = tree.main.Child("Model", 1).Child("GeometryLayer").Child("LayerTextureInfo");
        EXPECT_EQ(tree.main.Child("Model").Child("GeometryUVInfo").Child("TextureUV").Numbers().size(), 6u);
        EXPECT_EQ(layer.Child("UV").Numbers(), (Numbers{0, 0.5, 1, 0, 0, 1})) << "layer 2's UVs are written";
    }
    factory.DestroyFileExporter(exporter);
}

TEST_F(V5GeometryTest, NurbsKeepTheirWeightsAndSurfacesWithoutPointsWriteNothing) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->InitControlPoints(2, RWyxNurb::kOpen, 1, RWyxNurb::kClosed);
    nurb->SetOrder(2, 1);
    nurb->GetControlPoints()[0] = RVector4(0, 0, 0, 0.5);
    nurb->GetControlPoints()[1] = RVector4(1, 0, 0, 0.0);
    nurb->AddMaterial(factory.CreateMaterial("M"));
    AddNode("Surface")->SetNodeAttribute(nurb);
    RWyxPatch* patch = factory.CreatePatch();
    AddNode("Empty")->SetNodeAttribute(patch);
    const FileTree tree = WriteAndRead(Form::kV5Binary);
    const Record& model = tree.main.Child("Model");
    EXPECT_EQ(model.Child("Points").Numbers(), (Numbers{0, 0, 0, 0.5, 1, 0, 0, 1})) << "weights as they are";
    EXPECT_EQ(model.Child("Form").values, (Names{"Open", "Closed"}));
    EXPECT_EQ(model.Child("Materials").Int(), 1);
    EXPECT_EQ(model.Child("KnotVectorV").values.size(), 2u);
    Names fields = model.Names();
    EXPECT_EQ(Names(fields.begin() + 8, fields.begin() + 11), (Names{"Type", "Material", "NurbVersion"}));
    const Record& empty = tree.main.Child("Model", 1);
    EXPECT_EQ(empty.Find("Type"), nullptr);
    EXPECT_EQ(empty.Find("PatchVersion"), nullptr);

    patch->InitControlPoints(1, RWyxPatch::kBezier, 1, 9);
    const WriteResult refused = WriteScene(factory, scene, path, Form::kV5Binary, &Options());
    EXPECT_FALSE(refused.written) << "a patch type outside 0 to 4 is refused";
    EXPECT_NE(refused.errorText.find("Model::Empty"), std::string::npos);
    patch->InitControlPoints(1, RWyxPatch::kLinear, 1, RWyxPatch::kBSpline);
    EXPECT_EQ(Model(1).Child("PatchType").values, (Names{"Linear", "BSpline"}));
}

TEST_F(V5GeometryTest, ShapesListMovedPointsAndTurnedNormalsAndShapesThatDoNotFitAreReported) {
    AddMeshWithShapes();
    const Record model = Model();
    EXPECT_EQ(model.Child("Shape", 0).NamesWithValue(), (Names{"Indexes:0", "Vertices:0", "Normals:0"}));
    EXPECT_EQ(model.Child("Shape", 1).Child("Indexes").Numbers(), Numbers{2});
    EXPECT_EQ(model.Child("Shape", 1).Child("Vertices").Numbers(), (Numbers{0, 3, 0}));
    EXPECT_EQ(model.Child("Shape", 1).Child("Normals").Numbers(), (Numbers{0, 0, 1})) << "the rotation alone";
    const Record& shortShape = model.Child("Shape", 2);
    EXPECT_EQ(shortShape.values, Names{"Short"});
    EXPECT_EQ(shortShape.Child("Indexes").Numbers(), Numbers{0}) << "written without change, as in version 6";
    EXPECT_EQ(shortShape.Child("Vertices").Numbers(), (Numbers{0, 0, 0}));
    EXPECT_EQ(shortShape.Child("Normals").Numbers(), (Numbers{0, 0, 0}));
    EXPECT_NE(lastWrite.messages.find("Short"), std::string::npos) << "and reported";
}

// A factory that cannot make a geometry converter.
class NoConverterFactory : public RWyxObjectFactory {
protected:
    RWyxGeometryConverter* NewGeometryConverter() override { return nullptr; }
};

TEST(V5SurfaceCopyTest, ASurfaceThatCannotBeRearrangedIsRefusedNotWrittenFromNothing) {
    NoConverterFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->InitControlPoints(2, RWyxNurb::kOpen, 2, RWyxNurb::kOpen);
    nurb->SetSwapUVFlag(true);
    RWyxNode* node = factory.CreateNode("Surface");
    node->SetNodeAttribute(nurb);
    scene->GetRootNode()->AddChild(node);
    ScratchFolder folder;
    const WriteResult result = WriteScene(factory, scene, folder.Join("s.wyx"), Form::kV5Binary);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(result.error, RWyxWriter::kErrorUnidentified);
    EXPECT_NE(result.errorText.find("could not be rearranged"), std::string::npos) << result.errorText;
}

}  // namespace
