// The OBJ writer, the export deformation and the stream options of both formats.

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "curves/RFCurve.h"
#include "formats/geometry/ExportDeformation.h"
#include "formats/geometry/RWyxReaderObj.h"
#include "formats/geometry/RWyxWriterObj.h"
#include "samples/SampleCharacter.h"
#include "tests/formats/geometry/GeometryFormatTestSupport.h"

#include <array>
#include <cmath>
#include <sstream>

namespace geometry_format_test {
namespace {

class ObjWriterTest : public GeometryFormatTest {
protected:
    // Writes the scene to scratch/<name>; answers the file's text.
    std::string Write(const char* name = "out.obj", bool triangulate = false, bool deform = true) {
        path = scratch.Join(name);
        writer = std::make_unique<RWyxWriterObj>(&factory);
        EXPECT_TRUE(writer->FileCreate(path.c_str()));
        OptionsPtr<RStreamOptionsObj> options = ObjOptions();
        options->SetOptionValue(RStreamOptionsObj::kForceTriangulation, triangulate ? 1 : 0);
        options->SetOptionValue(RStreamOptionsObj::kEvaluateDeformations, deform ? 1 : 0);
        EXPECT_TRUE(writer->Write(scene, options.get()));
        EXPECT_TRUE(writer->FileClose());
        return ScratchFolder::ReadFile(path);
    }
    // The written file read into a new scene, its meshes under the root; null when it did not read.
    RWyxScene* ReadBack() {
        RWyxScene* back = factory.CreateScene();
        RWyxReaderObj reader(&factory);
        OptionsPtr<RStreamOptionsObj> options = ObjOptions();
        options->SetOptionValue(RStreamOptionsObj::kCreateReferenceNode, 0);
        return reader.FileOpen(path.c_str()) && reader.Read(back, options.get()) ? back : nullptr;
    }
    static std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind(prefix, 0) == 0) lines.push_back(line);
        }
        return lines;
    }

    std::string path;
    std::unique_ptr<RWyxWriterObj> writer;
};

TEST_F(ObjWriterTest, ACubeWithoutMaterialsIsItsPointsAndFacesAlone) {
    AddCube("cube");
    const std::string text = Write();
    EXPECT_EQ(text.rfind("# \n# Ostrelle OBJ file\n# Created with Rusvane WYX\n# \n", 0), 0u);
    EXPECT_EQ(LinesStartingWith(text, "g "), (std::vector<std::string>{"g cube"}));
    EXPECT_EQ(LinesStartingWith(text, "v ").size(), 8u);
    EXPECT_EQ(LinesStartingWith(text, "v ")[6], "v 1.000000 1.000000 1.000000");
    EXPECT_EQ(LinesStartingWith(text, "f ").size(), 6u);
    EXPECT_EQ(LinesStartingWith(text, "f ")[0], "f 1 4 3 2");
    EXPECT_EQ(text.find("mtllib"), std::string::npos);
    EXPECT_EQ(text.find("vt"), std::string::npos);
    EXPECT_FALSE(ScratchFolder::ReadFile(scratch.Join("out.mtl")).size() > 0);
}

TEST_F(ObjWriterTest, NumbersRunOverTheFileAndPointsAreInWorldSpace) {
    AddCube("a");
    RWyxNode* second = AddMeshNode("b", {{1, 2, 3, 1}, {2, 2, 3, 1}, {1, 3, 3, 1}}, {{0, 1, 2}});
    second->SetDefaultTranslation(RVector4(10, 0, 0, 0));
    const std::string text = Write("out.obj", false);
    EXPECT_EQ(LinesStartingWith(text, "f ").back(), "f 9 10 11");
    EXPECT_EQ(LinesStartingWith(text, "v ")[8], "v 11.000000 2.000000 3.000000");
}

TEST_F(ObjWriterTest, ForceTriangulationSplitsQuadrilaterals) {
    AddCube("cube");
    const std::string text = Write("out.obj", true);
    const std::vector<std::string> faces = LinesStartingWith(text, "f ");
    ASSERT_EQ(faces.size(), 12u);
    EXPECT_EQ(faces[0], "f 1 4 3");
}

TEST_F(ObjWriterTest, TheLibraryIsNamedAfterTheOutputWithItsExtensionChanged) {
    EXPECT_STREQ(RWyxWriterObj::MaterialLibraryPath("/Data.OBJ/Models/Scene.OBJ").Buffer(), "/Data.OBJ/Models/Scene.mtl");
    EXPECT_STREQ(RWyxWriterObj::MaterialLibraryPath("dir.v2/noext").Buffer(), "dir.v2/noext.mtl");
    RWyxNode* node = AddCube("cube");
    AddMaterial(*node->GetMesh(), "paint", 1, 0, 0);
    const std::string text = Write("My Scene.OBJ");
    EXPECT_NE(text.find("mtllib My Scene.mtl\n\n"), std::string::npos);
    const std::string library = ScratchFolder::ReadFile(scratch.Join("My Scene.mtl"));
    EXPECT_EQ(library.rfind("# \n# Ostrelle material file\n", 0), 0u);
    EXPECT_NE(library.find("newmtl paint\nKa "), std::string::npos);
    EXPECT_NE(library.find("Kd 1.000000 0.000000 0.000000\n"), std::string::npos);
    EXPECT_NE(library.find("\nd 1.000000\n"), std::string::npos);
    EXPECT_EQ(library.find("Tr "), std::string::npos);
    EXPECT_EQ(LinesStartingWith(text, "usemtl "), (std::vector<std::string>{"usemtl paint"}));
}

TEST_F(ObjWriterTest, MaterialsPerPolygonSharedRecordsAndTheDefaultMaterial) {
    RWyxNode* first = AddCube("first");
    RWyxMesh& mesh = *first->GetMesh();
    mesh.InitMaterialIndices(RWyxMesh::kKindByPolygon);
    RWyxMaterial* red = AddMaterial(mesh, "my red", 1, 0, 0);
    RWyxMaterial* blue = AddMaterial(mesh, "blue", 0, 0, 1);
    int* indices = mesh.GetMaterialIndices();
    ASSERT_NE(indices, nullptr);
    for (int p = 0; p < 6; ++p) indices[p] = p < 3 ? 0 : 1;
    RWyxNode* second = AddMeshNode("second", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});
    second->GetMesh()->AddMaterial(blue);
    AddMeshNode("third", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});
    const std::string text = Write();
    EXPECT_EQ(LinesStartingWith(text, "usemtl "),
              (std::vector<std::string>{"usemtl my_red", "usemtl blue", "usemtl blue", "usemtl default"}));
    const std::string library = ScratchFolder::ReadFile(scratch.Join("out.mtl"));
    EXPECT_EQ(LinesStartingWith(library, "newmtl ").size(), 3u);
    EXPECT_EQ(factory.FindMaterial("default", 0), nullptr);  // made for the write, destroyed after
    (void)red;
}

TEST_F(ObjWriterTest, CornersWithoutATextureCoordinateLeaveItOut) {
    RWyxNode* node = AddMeshNode("m", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}}, {});
    RWyxMesh& mesh = *node->GetMesh();
    mesh.InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    mesh.AddTextureUV(0.5, 0.25);
    mesh.BeginPolygon();
    mesh.AddPolygonVertex(0, 0);
    mesh.AddPolygonVertex(1, 0);
    mesh.AddPolygonVertex(2, 0);
    mesh.BeginPolygon();
    for (const int k : {1, 3, 2}) mesh.AddPolygonVertex(k, -1);
    const std::string text = Write();
    EXPECT_EQ(LinesStartingWith(text, "vt "), (std::vector<std::string>{"vt 0.500000 0.250000"}));
    EXPECT_EQ(LinesStartingWith(text, "f "), (std::vector<std::string>{"f 1/1 2/1 3/1", "f 2 4 3"}));
}

TEST_F(ObjWriterTest, TexturesByPolygonWriteOneCoordinatePerCornerSwappedWhenAsked) {
    RWyxNode* node = AddMeshNode("m", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {});
    RWyxMesh& mesh = *node->GetMesh();
    mesh.InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
    mesh.AddTextureUV(0.1, 0.2);
    mesh.AddTextureUV(0.3, 0.4);
    mesh.AddTextureUV(0.5, 0.6);
    mesh.InitTextureIndices(RWyxMesh::kKindByPolygon);
    RWyxTexture* texture = factory.CreateTexture("skin");
    texture->SetSwapUV(true);
    mesh.AddTexture(texture);
    mesh.BeginPolygon(-1, 0);
    for (const int k : {0, 1, 2}) mesh.AddPolygonVertex(k);
    const std::string text = Write();
    EXPECT_EQ(LinesStartingWith(text, "vt "),
              (std::vector<std::string>{"vt 0.200000 0.100000", "vt 0.400000 0.300000", "vt 0.600000 0.500000"}));
    EXPECT_EQ(LinesStartingWith(text, "f "), (std::vector<std::string>{"f 1/1 2/2 3/3"}));
}

TEST_F(ObjWriterTest, NormalsFollowTheMeshsMappingAndAZeroNormalStaysZero) {
    RWyxNode* node = AddMeshNode("m", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});
    node->SetDefaultScaling(RVector4(2, 1, 1, 0));
    RWyxMesh& mesh = *node->GetMesh();
    mesh.InitNormals(3);
    mesh.GetNormals()[0] = RVector4(1, 1, 0, 0);
    mesh.GetNormals()[1] = RVector4(0, 0, 0, 0);
    mesh.GetNormals()[2] = RVector4(0, 0, 5, 0);
    AddMeshNode("flat", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});  // no normals
    RWyxNode* perCorner = AddMeshNode("corners", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});
    perCorner->GetMesh()->InitNormals(4);  // 4 differs from the point count: by polygon vertex
    perCorner->GetMesh()->GetNormals()[2] = RVector4(0, 1, 0, 0);
    const std::string text = Write();
    const std::vector<std::string> normals = LinesStartingWith(text, "vn ");
    ASSERT_EQ(normals.size(), 6u);
    // Scaled by 2 in x: the normal (1, 1, 0) becomes (0.5, 1, 0) made unit.
    EXPECT_EQ(normals[0], "vn 0.447214 0.894427 0.000000");
    EXPECT_EQ(normals[1], "vn 0.000000 0.000000 0.000000");
    EXPECT_EQ(normals[2], "vn 0.000000 0.000000 1.000000");
    EXPECT_EQ(normals[5], "vn 0.000000 1.000000 0.000000");
    EXPECT_EQ(LinesStartingWith(text, "f "),
              (std::vector<std::string>{"f 1//1 2//2 3//3", "f 4 5 6", "f 7//4 8//5 9//6"}));
}

TEST_F(ObjWriterTest, ShapesAndLinksMoveTheWrittenPointsButNotTheScene) {
    RWyxNode* node = AddMeshNode("m", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});
    RWyxMesh& mesh = *node->GetMesh();
    RWyxShape* shape = factory.CreateShape();
    shape->InitControlPoints(3);
    for (int k = 0; k < 3; ++k) shape->GetControlPoints()[k] = mesh.GetControlPoints()[k] + RVector4(0, 0, 2, 0);
    ASSERT_EQ(mesh.AddShape(shape, "lift"), 0);
    RWyxShape* wrongSize = factory.CreateShape();
    wrongSize->InitControlPoints(2);
    mesh.AddShape(wrongSize, "broken");
    mesh.GetShapeChannel(node->GetCurrentTakeNode(), 0)->SetDefaultValue(50.0f);  // percent
    const std::string first = Write();
    EXPECT_EQ(LinesStartingWith(first, "v ")[1], "v 1.000000 0.000000 1.000000");
    EXPECT_EQ(writer->GetWarningCount(), 1);  // the shape of the wrong size
    ExpectPoint(mesh.GetControlPoints()[1], 1, 0, 0);
    EXPECT_EQ(Write(), first);
    EXPECT_EQ(LinesStartingWith(Write("off.obj", false, false), "v ")[1], "v 1.000000 0.000000 0.000000");
}

TEST_F(ObjWriterTest, LinkDeformersMoveByTheLinkNodeInEveryMode) {
    RWyxNode* node = AddMeshNode("m", {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}}, {{0, 1, 2}});
    RWyxNode* bone = factory.CreateNode("bone");
    Root()->AddChild(bone);
    bone->SetDefaultTranslation(RVector4(0, 5, 0, 0));  // bound at the origin, moved up by 5
    RWyxSkinLink* link = factory.CreateSkinLink();
    link->SetLink(bone);
    link->AddControlPointIndex(0, 1.0);
    link->AddControlPointIndex(1, 0.5);
    link->AddControlPointIndex(7, 1.0);  // no such point: left out
    node->GetMesh()->AddDeformer(link);
    const struct {
        int mode;
        double secondY;
    } cases[] = {{RWyxSkinLink::kNormal, 6.0}, {RWyxSkinLink::kTotal1, 3.5}, {RWyxSkinLink::kAdditive, 3.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        link->SetMode(c.mode);
        const DeformedMesh deformed = EvaluateExportDeformation(*node, *node->GetMesh());
        ExpectPoint(deformed.points[0], 1, 5, 0);
        ExpectPoint(deformed.points[1], 0, c.secondY, 0);
        ExpectPoint(deformed.points[2], 0, 0, 1);  // no weight: where it was
        EXPECT_EQ(deformed.skippedLinkIndices, 1);
    }
    ExpectPoint(node->GetMesh()->GetControlPoints()[0], 1, 0, 0);
}

TEST_F(ObjWriterTest, TexturesAreCopiedBesideTheOutputOnceAndFailuresAreReported) {
    const std::string source = scratch.WriteFile("source.png", std::string(3000, 'p'));
    RWyxNode* node = AddCube("cube");
    RWyxMaterial* material = AddMaterial(*node->GetMesh(), "skin", 1, 1, 1);
    (void)material;
    RWyxTexture* texture = factory.CreateTexture("skin");
    texture->SetFileName(RString(source.c_str()));
    node->GetMesh()->InitTextureIndices(RWyxMesh::kKindAllSame);
    node->GetMesh()->AddTexture(texture);
    std::filesystem::create_directory(scratch.Join("out"));
    {
        // A write never closed puts nothing in place, and copies nothing beside it.
        RWyxWriterObj unclosed(&factory);
        ASSERT_TRUE(unclosed.FileCreate(scratch.Join("out/scene.obj").c_str()));
        ASSERT_TRUE(unclosed.Write(scene, ObjOptions().get()));
    }
    EXPECT_TRUE(std::filesystem::is_empty(scratch.Join("out")));
    Write("out/scene.obj");
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("out/source.png")), std::string(3000, 'p'));
    EXPECT_NE(ScratchFolder::ReadFile(scratch.Join("out/scene.mtl")).find("map_Kd source.png\n"), std::string::npos);
    texture->SetFileName(RString(scratch.Join("gone.png").c_str()));
    Write("out/again.obj");
    EXPECT_NE(std::string(writer->GetMessageText().Buffer()).find("Unable to locate texture file"), std::string::npos);
    // A library that cannot be made is named with the system's reason; the OBJ file goes
    // through without its "mtllib".
    const std::string library = scratch.Join("out/blocked.mtl");
    std::filesystem::create_directory(library);
    const std::string text = Write("out/blocked.obj");
    EXPECT_EQ(std::string(writer->GetMessageText().Buffer()),
              "Unable to create the material file \"" + library + "\": Is a directory\n");
    EXPECT_EQ(text.find("mtllib"), std::string::npos);
}

// A normal that is NaN or infinite cannot be scaled to unit length (it would be written as
// zero): refused, naming the mesh and where the normal is. Texture coordinates are written as
// they are, and the reader reads "nan", "inf" and "-inf" back.
TEST_F(ObjWriterTest, NormalsBeyondTheRealNumbersAreRefusedAndTextureCoordinatesReadBack) {
    RWyxMesh& mesh = *AddMeshNode("tri", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}})->GetMesh();
    RWyxLayer& layer = *mesh.EnsureLayer(0);
    RWyxLayerElementUV* uvs = layer.SetUVs(std::make_unique<RWyxLayerElementUV>());
    uvs->SetMappingMode(RWyxLayerElement::kByControlPoint);
    uvs->DirectArray() = {RVector2(std::nan(""), 0.5), RVector2(HUGE_VAL, -HUGE_VAL), RVector2(0.25, 1.0)};
    RWyxLayerElementNormal* normals = layer.SetNormals(std::make_unique<RWyxLayerElementNormal>());
    for (const int mapping : {RWyxLayerElement::kByControlPoint, RWyxLayerElement::kByPolygonVertex}) {
        normals->SetMappingMode(mapping);
        // y and z poisoned in turn: (0, NaN, 1), ..., (0, 0, -inf).
        for (int poisoned = 3; poisoned < 9; ++poisoned) {
            const double beyond = std::array<double, 3>{std::nan(""), HUGE_VAL, -HUGE_VAL}[poisoned % 3];
            normals->DirectArray() = {RVector4(0, 0, 1, 0), RVector4(0, 0, 1, 0), RVector4(0, 0, 1, 0)};
            *normals->DirectArray()[1].Component(poisoned / 3) = beyond;
            writer = std::make_unique<RWyxWriterObj>(&factory);
            ASSERT_TRUE(writer->FileCreate(scratch.Join("normals.obj").c_str()));
            EXPECT_FALSE(writer->Write(scene, ObjOptions().get()));
            EXPECT_EQ(std::string(writer->GetLastErrorString()),
                      std::string("Mesh \"tri\": its normal of ") +
                          (mapping == RWyxLayerElement::kByControlPoint ? "point 1" : "polygon 0, corner 1") +
                          " lies beyond the real numbers an OBJ file holds");
            EXPECT_FALSE(writer->FileClose());
        }
    }
    layer.SetNormals(nullptr);
    Write("uvs.obj");
    RWyxScene* back = ReadBack();
    ASSERT_NE(back, nullptr);
    const RWyxMesh* read = back->GetRootNode()->FindChild("tri", true, false)->GetMesh();
    ASSERT_EQ(read->GetTextureUVCount(), 3);
    EXPECT_TRUE(std::isnan(read->GetTextureUVs()[0].u));
    EXPECT_EQ(read->GetTextureUVs()[1].u, HUGE_VAL);
    EXPECT_EQ(read->GetTextureUVs()[1].v, -HUGE_VAL);
}

TEST_F(ObjWriterTest, WrongOptionsAndNoFileFail) {
    RWyxWriterObj bare(&factory);
    EXPECT_FALSE(bare.Write(scene, DxfOptions().get()));
    EXPECT_EQ(bare.GetLastErrorCode(), RWyxWriter::kErrorOptionsNotSet);
    const std::string blocker = scratch.WriteFile("blocker", "a file, not a folder");
    EXPECT_FALSE(bare.FileCreate((blocker + "/x.obj").c_str()));
    EXPECT_EQ(bare.GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
    EXPECT_TRUE(bare.FileCreate(scratch.Join("made/on/the/way/x.obj").c_str()));  // folders made
    RWyxWriterObj unopened(&factory);
    EXPECT_FALSE(unopened.Write(scene, ObjOptions().get()));
}

TEST_F(ObjWriterTest, WhatTheWriterWritesTheReaderReadsBack) {
    RWyxNode* node = AddCube("box");
    AddMaterial(*node->GetMesh(), "paint", 0, 1, 0);
    Write("round.obj");
    RWyxScene* back = ReadBack();
    ASSERT_NE(back, nullptr);
    RWyxNode* read = back->GetRootNode()->FindChild("box", false, false);
    ASSERT_NE(read, nullptr);
    RWyxMesh* mesh = read->GetMesh();
    ASSERT_EQ(mesh->GetPolygonCount(), 6);
    for (int p = 0; p < 6; ++p) {
        for (int v = 0; v < 4; ++v) {
            const RVector4& got = mesh->GetControlPoints()[mesh->GetPolygonVertex(p, v)];
            const RVector4& want = node->GetMesh()->GetControlPoints()[node->GetMesh()->GetPolygonVertex(p, v)];
            ExpectPoint(got, want.x, want.y, want.z);
        }
    }
    EXPECT_DOUBLE_EQ(mesh->GetMaterial(0)->GetDiffuseColor().GetGreen(), 1.0);
}

// Every line of the text begins with one of the keywords and none ends, blanks aside, in the
// backslash that would join the next line to it.
void ExpectOnlyStatements(const std::string& text, const std::vector<std::string>& keywords) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        bool known = line.empty();
        for (const std::string& keyword : keywords) known = known || line.rfind(keyword, 0) == 0;
        const std::size_t last = line.find_last_not_of(' ');
        EXPECT_TRUE(known && (last == std::string::npos || line[last] != '\\')) << line;
    }
}

// The sample character with statements, line breaks, control characters, blanks and a last
// backslash in its names: each name stays on its line as one name, and the scene reads back
// with its faces, materials and texture.
TEST_F(ObjWriterTest, NamesNeverEndALineOrStartAStatement) {
    scene = sample::BuildCharacterScene(factory);
    RWyxNode* body = Node("Body");
    ASSERT_EQ(body->GetMesh()->GetPolygonCount(), 24);
    body->SetName("Body\r\nv 100 100 100\nv 101 100 100\nv 100 101 100\nf -3 -2 -1\ng Body\\ ");
    body->GetMesh()->GetMaterial(0)->SetName("Skin a b\nmap_Kd ../../../../etc/passwd");
    const std::string source = scratch.WriteFile("skin\nmap_Kd gone.png", "texels");
    body->GetMesh()->GetTexture(0)->SetFileName(RString(source.c_str()));
    RWyxNode* triangle = AddMeshNode("tri\tangle\x01\x7f\\", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});
    AddMaterial(*triangle->GetMesh(), "Skin a c\\", 0, 0, 1);  // read as "Skin" were blanks kept
    std::filesystem::create_directory(scratch.Join("out"));
    ExpectOnlyStatements(Write("out/names.obj"), {"# ", "v ", "vt ", "vn ", "f ", "g ", "usemtl ", "mtllib "});
    const std::string library = ScratchFolder::ReadFile(scratch.Join("out/names.mtl"));
    ExpectOnlyStatements(library, {"# ", "newmtl ", "map_Kd ", "Ka ", "Kd ", "Ks ", "illum ", "Ns ", "d "});
    EXPECT_EQ(LinesStartingWith(library, "map_Kd "), (std::vector<std::string>{"map_Kd skin_map_Kd gone.png"}));
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("out/skin_map_Kd gone.png")), "texels");

    RWyxScene* back = ReadBack();
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->GetRootNode()->GetChildCount(), 2);
    const RWyxMesh& mesh = *back->GetRootNode()->GetChild(0)->GetMesh();
    const RWyxMesh& other = *back->GetRootNode()->GetChild(1)->GetMesh();
    EXPECT_EQ(mesh.GetPolygonCount(), 24);
    EXPECT_EQ(other.GetPolygonCount(), 1);
    ASSERT_EQ(mesh.GetMaterialCount(), 1);
    ASSERT_EQ(other.GetMaterialCount(), 1);
    EXPECT_DOUBLE_EQ(mesh.GetMaterial(0)->GetDiffuseColor().GetRed(), 0.8);
    EXPECT_DOUBLE_EQ(other.GetMaterial(0)->GetDiffuseColor().GetBlue(), 1.0);
    ASSERT_EQ(mesh.GetTextureCount(), 1);
    EXPECT_STREQ(mesh.GetTexture(0)->GetFileName().Buffer(), "skin_map_Kd gone.png");
}

TEST(GeometryOptionsTest, ObjAndDxfOptionsHoldTheirTablesAndTheDerivationMode) {
    OptionsPtr<RStreamOptionsObj> obj = ObjOptions();
    EXPECT_EQ(obj->GetOptionValue(1), 1);
    EXPECT_EQ(obj->GetOptionValue(2), 0);
    EXPECT_EQ(obj->GetOptionValue(3), 1);
    EXPECT_STREQ(obj->GetOption(3)->label.Buffer(), "Evaluate Link/Shape deformations");
    EXPECT_EQ(obj->GetOption(1)->direction, RStreamOptionsBase::kOptionForReading);
    EXPECT_EQ(obj->GetOption(2)->direction, RStreamOptionsBase::kOptionForWriting);
    EXPECT_TRUE(obj->Is(RStreamOptionsBase::ClassId()));
    EXPECT_FALSE(obj->Is(RStreamOptionsDxf::ClassId()));
    for (int slot = 4; slot <= 17; ++slot) EXPECT_EQ(obj->GetOption(slot)->direction, 2);

    OptionsPtr<RStreamOptionsDxf> dxf = DxfOptions();
    for (int slot = 1; slot <= 4; ++slot) EXPECT_EQ(dxf->GetOptionValue(slot), 1) << slot;
    EXPECT_EQ(dxf->GetOptionValue(5), 0);
    EXPECT_EQ(dxf->GetOptionValue(6), 0);
    EXPECT_EQ(dxf->GetOption(5)->maximum, 0);
    EXPECT_EQ(dxf->GetOption(6)->maximum, 2);
    EXPECT_STREQ(dxf->GetOption(6)->label.Buffer(), "Layer~Block~Entity");
    EXPECT_EQ(dxf->GetOption(7)->label.GetLength(), 0);
    const std::pair<int, int> choices[] = {{1, 2}, {2, 1}, {3, 1}, {0, 0}, {-1, 0}};
    for (const auto& [choice, mode] : choices) {
        dxf->SetOptionValue(6, choice);
        EXPECT_EQ(dxf->GetObjectDerivation(), mode) << choice;
    }
    dxf->SetOptionValue(2, 0);
    dxf->SetOptionValue(6, 1);
    dxf->GetObjectDerivation();
    dxf->ResetHooks();
    EXPECT_EQ(dxf->GetOptionValue(2), 1);
    dxf->SetOptionValue(6, 7);
    EXPECT_EQ(dxf->GetObjectDerivation(), 0);  // the reset cleared the mode
}

}  // namespace
}  // namespace geometry_format_test
