// Meshes with their normals, UVs, vertex colours and per-polygon materials and textures,
// coincident control points with hard edges, NURBS surfaces of each form, and the materials
// and textures the shaders give.

#include "tests/hostexport/ExportTestSupport.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxTexture.h"

#include <vexa/VColorArray.h>
#include <vexa/VDoubleArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VItMeshPolygon.h>
#include <vexa/VSelectionList.h>
#include <vexa/VVectorArray.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

using vexa_host::UiModel;

// Two quads side by side: 6 points, 8 corners.
VObject MakeStrip(const char* name) {
    return makeMesh(name, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}}, {4, 4},
                    {0, 2, 3, 1, 2, 4, 5, 3});
}

const RWyxLayerElement* Element(const RWyxMesh& mesh, int layer, int kind) {
    const RWyxLayer* found = mesh.GetLayer(layer);
    return found != nullptr ? found->GetElement(kind) : nullptr;
}

std::vector<int> Indices(const RWyxLayerElement* element) {
    return element != nullptr ? element->IndexArray() : std::vector<int>();
}

class MeshExportTest : public SessionTest {};

TEST_F(MeshExportTest, ACubeWithoutHardEdgesHasOneNormalPerControlPoint) {
    makeCube("box");
    collect();
    const RWyxMesh* mesh = node("box")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), 8);
    EXPECT_EQ(mesh->GetNormalsMappingKind(), RWyxMesh::kKindByControlPoint);
    EXPECT_EQ(mesh->GetLayer(0)->GetNormals()->GetDirectCount(), 8);
    ASSERT_EQ(mesh->GetPolygonCount(), 6);
    const int corners[8] = {0, 1, 3, 2, 2, 3, 5, 4};
    for (int c = 0; c < 8; ++c) EXPECT_EQ(mesh->GetPolygonVertex(c / 4, c % 4), corners[c]) << c;
    EXPECT_DOUBLE_EQ(mesh->GetControlPoints()[5].z, -1.0);
    EXPECT_EQ(node("box")->GetShadingMode(), 4);
}

// Without hard edges a corner of three faces (three host normals) gets their average, in the
// mesh's own space: the transform's turn stays out of it.
TEST_F(MeshExportTest, WithoutHardEdgesACornersNormalsAreAveraged) {
    const VObject shape = makeCube("box");
    script("setAttr box.rotateZ 30");
    ASSERT_EQ(VFnMesh(shape).numNormals(), 24);
    collect();
    const RWyxMesh* mesh = node("box")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetNormalsMappingKind(), RWyxMesh::kKindByControlPoint);
    for (int i = 0; i < 8; ++i) {
        const RVector4& point = mesh->GetControlPoints()[i];
        const RVector4& normal = mesh->GetNormals()[i];
        EXPECT_NEAR(normal.x, point.x / std::sqrt(3.0), 1e-12) << i;
        EXPECT_NEAR(normal.y, point.y / std::sqrt(3.0), 1e-12) << i;
        EXPECT_NEAR(normal.z, point.z / std::sqrt(3.0), 1e-12) << i;
    }
}

TEST_F(MeshExportTest, WithHardEdgesACubeUnweldsToOnePointPerCorner) {
    options().SetBoolOption(kExportHardEdges, true);
    makeCube("box");
    collect();
    RWyxMesh* mesh = node("box")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetNormalsMappingKind(), RWyxMesh::kKindByPolygonVertex);
    EXPECT_EQ(mesh->GetLayer(0)->GetNormals()->GetDirectCount(), 24);
    session_->CheckCoincidentVertices(root());
    EXPECT_EQ(mesh->GetControlPointsCount(), 24);
    EXPECT_EQ(mesh->GetNormalsMappingKind(), RWyxMesh::kKindByControlPoint);
    session_.reset();
    EXPECT_EQ(logText().find("Vertices"), std::string::npos) << "a cube's points all differ";
}

TEST_F(MeshExportTest, NormalsByCornerAreSizedByTheCornersAndEachIsTheHosts) {
    options().SetBoolOption(kExportHardEdges, true);
    const VObject shape = MakeStrip("strip");
    // One middle point shares one normal between the two quads: fewer normals than corners,
    // more than points.
    VFnMesh host(shape);
    VVectorArray normals;
    normals.append(VVector(0, 0.6, 0.8));
    VIntArray vertices;
    vertices.append(2);
    ASSERT_TRUE(host.setVertexNormals(normals, vertices));
    ASSERT_GT(host.numNormals(), 6);
    ASSERT_LT(host.numNormals(), 8);
    collect();
    const RWyxMesh* mesh = node("strip")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetNormalsMappingKind(), RWyxMesh::kKindByPolygonVertex);
    ASSERT_EQ(mesh->GetLayer(0)->GetNormals()->GetDirectCount(), 8);
    for (int p = 0; p < 2; ++p) {
        for (int v = 0; v < 4; ++v) {
            VVector expected;
            ASSERT_TRUE(host.getFaceVertexNormal(p, mesh->GetPolygonVertex(p, v), expected));
            RVector4 normal;
            ASSERT_TRUE(mesh->GetPolygonVertexNormal(p, v, normal));
            EXPECT_NEAR(normal.x, expected.x, 1e-12) << p << " " << v;
            EXPECT_NEAR(normal.y, expected.y, 1e-12) << p << " " << v;
            EXPECT_NEAR(normal.z, expected.z, 1e-12) << p << " " << v;
        }
    }
}

TEST_F(MeshExportTest, ControlPointsAtOnePlaceAreReportedWithHardEdges) {
    options().SetBoolOption(kExportHardEdges, true);
    options().SetBoolOption(kExportShowUI, true);
    makeMesh("twin", {{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {3, 3}, {0, 2, 3, 1, 3, 2});
    ASSERT_TRUE(WyxVexaExportSession().Export(file("twin.wyx").c_str()));
    EXPECT_NE(logText().find("\tVertices 0 and 1 of mesh Model::twin have the same 3D coordinate.\n"), std::string::npos)
        << logText();
    const auto& dialogs = UiModel::instance().shownDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].message,
              "Vertices 0 and 1 of mesh Model::twin have the same 3D coordinate.\n\n"
              "The import [Add to new scene] process will most likely produce erroneous results.\n");
}

TEST_F(MeshExportTest, UVsKeepUAndVAndTheirCorners) {
    const VObject shape = MakeStrip("strip");
    VFnMesh host(shape);
    VFloatArray u;
    VFloatArray v;
    for (int i = 0; i < 6; ++i) {
        u.append(0.1f * static_cast<float>(i));
        v.append(0.9f - 0.1f * static_cast<float>(i));
    }
    ASSERT_TRUE(host.setUVs(u, v));
    VIntArray counts(2, 4);
    VIntArray ids;
    for (const int id : {0, 2, 3, 1, 2, 4, 5, 3}) ids.append(id);
    ASSERT_TRUE(host.assignUVs(counts, ids));
    collect();
    const RWyxMesh* mesh = node("strip")->GetMesh();
    auto uvs = static_cast<const RWyxLayerElementUV*>(Element(*mesh, 0, RWyxLayerElement::kUV));
    ASSERT_NE(uvs, nullptr);
    EXPECT_EQ(uvs->GetMappingMode(), RWyxLayerElement::kByPolygonVertex);
    EXPECT_EQ(uvs->GetReferenceMode(), RWyxLayerElement::kIndexToDirect);
    ASSERT_EQ(uvs->GetDirectCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(uvs->GetDirectAt(i)->u, u[static_cast<unsigned>(i)]) << "U from U";
        EXPECT_EQ(uvs->GetDirectAt(i)->v, v[static_cast<unsigned>(i)]) << "V from V";
    }
    EXPECT_EQ(uvs->IndexArray(), (std::vector<int>{0, 2, 3, 1, 2, 4, 5, 3}));

    // Once a set has a texture, the sets without one are left out: the textured set alone is
    // written, on its texture's layer.
    const VString detail("detail");
    ASSERT_TRUE(host.createUVSet(detail));
    VFloatArray detailU(6, 0.5f);
    ASSERT_TRUE(host.setUVs(detailU, v, &detail));
    ASSERT_TRUE(host.assignUVs(counts, ids, &detail));
    script("sets -e -forceElement " + makeShadingGroup("lambert", "wood") + " strip");
    ASSERT_TRUE(host.associateUVSetTexture(detail, Named(AddFileTexture("wood", "/maps/wood.tga").c_str())));
    collect();
    mesh = node("strip")->GetMesh();
    EXPECT_EQ(mesh->GetLayerCountOfKind(RWyxLayerElement::kUV), 1);
    uvs = static_cast<const RWyxLayerElementUV*>(Element(*mesh, 0, RWyxLayerElement::kUV));
    ASSERT_NE(uvs, nullptr);
    EXPECT_EQ(uvs->GetDirectAt(1)->u, 0.5f);

    // Unless a texture without a link maps with the current set: then the current set is written
    // on that texture's layer, and the linked texture goes with its set to a layer of its own.
    script("sets -e -forceElement " + makeShadingGroup("lambert", "bark") + " strip.f[1]");
    AddFileTexture("bark", "/maps/bark.tga");
    collect();
    mesh = node("strip")->GetMesh();
    EXPECT_EQ(mesh->GetLayerCountOfKind(RWyxLayerElement::kUV), 2);
    for (int layer = 0; layer < 2; ++layer) {
        ASSERT_EQ(mesh->GetTextureCount(layer), 1) << layer;
        EXPECT_EQ(mesh->GetTexture(0, layer)->GetFileName(), layer == 0 ? "/maps/bark.tga" : "/maps/wood.tga");
        const std::vector<int> polygons = layer == 0 ? std::vector<int>{-1, 0} : std::vector<int>{0, -1};
        EXPECT_EQ(Indices(Element(*mesh, layer, RWyxLayerElement::kTexture)), polygons) << layer;
        uvs = static_cast<const RWyxLayerElementUV*>(Element(*mesh, layer, RWyxLayerElement::kUV));
        ASSERT_NE(uvs, nullptr) << layer;
        EXPECT_EQ(uvs->GetDirectAt(1)->u, layer == 0 ? u[1] : 0.5f) << layer;
    }
}

TEST_F(MeshExportTest, VertexColoursArePerCornerOnlyWhenTheMeshHasAny) {
    const VObject plain = MakeStrip("plain");
    const VObject shape = MakeStrip("painted");
    VColorArray colors;
    colors.append(VColor(0.5f, 1.5f, 0.25f, 1.0f));
    VIntArray faces;
    faces.append(1);
    VIntArray vertices;
    vertices.append(4);
    ASSERT_TRUE(VFnMesh(shape).setFaceVertexColors(colors, faces, vertices));
    collect();
    EXPECT_EQ(node("plain")->GetMesh()->GetLayerCountOfKind(RWyxLayerElement::kVertexColor), 0);
    const auto* element =
        static_cast<const RWyxLayerElementVertexColor*>(Element(*node("painted")->GetMesh(), 0, RWyxLayerElement::kVertexColor));
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->GetMappingMode(), RWyxLayerElement::kByPolygonVertex);
    ASSERT_EQ(element->GetIndexCount(), 8);
    const RWyxColor* painted = element->GetMappedAt(5);  // polygon 1's second corner lies on point 4
    ASSERT_NE(painted, nullptr);
    EXPECT_DOUBLE_EQ(painted->GetRed(), 0.5);
    EXPECT_DOUBLE_EQ(painted->GetGreen(), 1.0) << "clamped";
    EXPECT_DOUBLE_EQ(painted->GetBlue(), 0.25);
    const RWyxColor* unset = element->GetMappedAt(0);
    ASSERT_NE(unset, nullptr);
    EXPECT_DOUBLE_EQ(unset->GetRed(), 0.0) << "a corner without a colour";
}

// ---- shading --------------------------------------------------------------------------------------

TEST_F(MeshExportTest, OneShadingGroupMapsAllSameTwoMapByPolygon) {
    makeCube("one");
    makeCube("two");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "red") + " one");
    const std::string blue = makeShadingGroup("phong", "blue");
    script("sets -e -forceElement redSG two.f[0:2]; sets -e -forceElement " + blue + " two.f[3:5]");
    collect();
    const RWyxMesh* one = node("one")->GetMesh();
    EXPECT_EQ(one->GetMaterialMappingKind(), RWyxMesh::kKindAllSame);
    ASSERT_EQ(one->GetMaterialCount(0), 1);
    EXPECT_EQ(one->GetMaterial(0, 0)->GetName(), "Material::red");
    const RWyxMesh* two = node("two")->GetMesh();
    EXPECT_EQ(two->GetMaterialMappingKind(), RWyxMesh::kKindByPolygon);
    EXPECT_EQ(Indices(Element(*two, 0, RWyxLayerElement::kMaterial)), (std::vector<int>{0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(two->GetMaterial(0, 0), one->GetMaterial(0, 0)) << "one shader, one material for the whole export";
    EXPECT_EQ(session_->GetFactory().GetMaterialCount(), 2);
}

TEST_F(MeshExportTest, EachInstanceOfAMeshHasTheShadingOfItsOwnPath) {
    VObject shape = makeCube("box");
    script("createNode transform -n other");
    ASSERT_TRUE(VFnDagNode(Named("other")).addChild(shape, VFnDagNode::kNextPos, true));
    script("sets -e -forceElement " + makeShadingGroup("lambert", "red") + " |box|boxShape");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "blue") + " |other|boxShape.f[1]");
    collect();
    ASSERT_NE(node("box"), nullptr);
    ASSERT_NE(node("other"), nullptr);
    const RWyxMesh* first = node("box")->GetMesh();
    const RWyxMesh* second = node("other")->GetMesh();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second) << "one mesh per instance path";
    EXPECT_EQ(second->GetPolygonCount(), 6);
    ASSERT_EQ(first->GetMaterialCount(0), 1);
    EXPECT_EQ(first->GetMaterial(0, 0)->GetName(), "Material::red");
    EXPECT_EQ(first->GetMaterialMappingKind(), RWyxMesh::kKindAllSame);
    EXPECT_EQ(Indices(Element(*second, 0, RWyxLayerElement::kMaterial)), (std::vector<int>{0, 1, 0, 0, 0, 0}));
    ASSERT_EQ(second->GetMaterialCount(0), 2);
    EXPECT_EQ(second->GetMaterial(0, 0)->GetName(), "Material::Default_Material");
    EXPECT_EQ(second->GetMaterial(1, 0)->GetName(), "Material::blue");
}

TEST_F(MeshExportTest, FacesWithoutShadingShareTheDefaultMaterialWhichLeavesTheHost) {
    makeCube("box");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "red") + " box.f[1]");
    collect();
    const RWyxMesh* mesh = node("box")->GetMesh();
    EXPECT_EQ(Indices(Element(*mesh, 0, RWyxLayerElement::kMaterial)), (std::vector<int>{0, 1, 0, 0, 0, 0}));
    const RWyxMaterial* fallback = mesh->GetMaterial(0, 0);
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(fallback->GetName(), "Material::Default_Material");
    EXPECT_NEAR(fallback->GetDiffuseColor().GetRed(), 0.5, 1e-6);
    EXPECT_NEAR(fallback->GetAmbientColor().GetRed(), 0.4, 1e-6);
    EXPECT_NEAR(fallback->GetShininess(), 3.0 / 128.0, 1e-6);
    EXPECT_EQ(dump().find("Default_Material"), std::string::npos) << dump();
}

TEST_F(MeshExportTest, ShaderValuesBecomeMaterialValues) {
    makeCube("shinyBox");
    makeCube("dullBox");
    makeCube("clearBox");
    script("sets -e -forceElement " + makeShadingGroup("phong", "shiny") + " shinyBox");
    script("sets -e -forceElement " + makeShadingGroup("phong", "dull") + " dullBox");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "clear") + " clearBox");
    script("setAttr shiny.cosinePower 200; setAttr dull.cosinePower -5; setAttr shiny.specularColor 0.1 0.2 0.3; "
           "setAttr clear.transparency 0.3 0.6 0.9; setAttr clear.color 0.25 0.5 0.75; "
           "setAttr clear.ambientColor 0.1 0.1 0.2");
    collect();
    const RWyxMaterial* shiny = node("shinyBox")->GetMesh()->GetMaterial(0, 0);
    EXPECT_DOUBLE_EQ(shiny->GetShininess(), 1.0);
    EXPECT_NEAR(shiny->GetSpecularColor().GetGreen(), 0.2, 1e-6);
    EXPECT_DOUBLE_EQ(node("dullBox")->GetMesh()->GetMaterial(0, 0)->GetShininess(), 0.0);
    const RWyxMaterial* clear = node("clearBox")->GetMesh()->GetMaterial(0, 0);
    EXPECT_NEAR(clear->GetOpacity(), 0.4, 1e-6);
    EXPECT_NEAR(clear->GetDiffuseColor().GetBlue(), 0.75, 1e-6) << "no texture: the shader's colour";
    EXPECT_NEAR(clear->GetAmbientColor().GetBlue(), 0.2, 1e-6);
}

TEST_F(MeshExportTest, AFileTextureIsPlacedWithUFromUAndTheMaterialKeepsItsOwnColour) {
    makeCube("box");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "wood") + " box");
    script("setAttr wood.colorR 0.75; setAttr wood.colorG 0.25; setAttr wood.colorB 0.125");
    AddFileTexture("wood", "/maps/wood.tga");
    script("setAttr place2dTexture1.offsetU 0.25; setAttr place2dTexture1.offsetV 0.5; "
           "setAttr place2dTexture1.repeatU 2; setAttr place2dTexture1.repeatV 3; "
           "setAttr place2dTexture1.translateFrameU 0.125");
    collect();
    const RWyxMesh* mesh = node("box")->GetMesh();
    ASSERT_EQ(mesh->GetTextureCount(0), 1);
    const RWyxTexture* texture = mesh->GetTexture(0, 0);
    EXPECT_EQ(texture->GetName(), "Texture::file1");
    EXPECT_EQ(texture->GetFileName(), "/maps/wood.tga");
    EXPECT_NEAR(texture->GetTranslationU(), 0.25 - 0.125, 1e-9) << "U from offsetU";
    EXPECT_NEAR(texture->GetTranslationV(), 0.5, 1e-9);
    EXPECT_DOUBLE_EQ(texture->GetScalingU(), 2.0);
    EXPECT_DOUBLE_EQ(texture->GetScalingV(), 3.0);
    EXPECT_FALSE(texture->GetSwapUV());
    EXPECT_EQ(Element(*mesh, 0, RWyxLayerElement::kTexture)->GetMappingMode(), RWyxLayerElement::kByPolygon);
    EXPECT_EQ(Indices(Element(*mesh, 0, RWyxLayerElement::kTexture)), std::vector<int>(6, 0));
    // The colour the shader holds beside its texture, not what the texture gives.
    EXPECT_DOUBLE_EQ(mesh->GetMaterial(0, 0)->GetDiffuseColor().GetRed(), 0.75);
    EXPECT_DOUBLE_EQ(mesh->GetMaterial(0, 0)->GetDiffuseColor().GetGreen(), 0.25);
    EXPECT_DOUBLE_EQ(mesh->GetMaterial(0, 0)->GetDiffuseColor().GetBlue(), 0.125);
    // Turned a quarter about the middle of the map: the pivot moves the translation.
    script("setAttr place2dTexture1.rotateFrame 90; setAttr place2dTexture1.translateFrameU 0");
    collect();
    const RWyxTexture* turned = node("box")->GetMesh()->GetTexture(0, 0);
    EXPECT_NEAR(turned->GetRotationW(), 90.0, 1e-4);
    EXPECT_NEAR(turned->GetTranslationU(), 0.25 - 1.0, 1e-6) << "the pivot (0.5, 0.5) turned";
    EXPECT_NEAR(turned->GetTranslationV(), 0.5, 1e-6);
}

TEST_F(MeshExportTest, ALayeredTexturePutsItsTopInputOnTheHighestLayer) {
    makeCube("box");
    const std::string layeredGroup = makeShadingGroup("lambert", "stack");
    const std::string plainGroup = makeShadingGroup("lambert", "plain");
    script("sets -e -forceElement " + layeredGroup + " box.f[0:3]; sets -e -forceElement " + plainGroup + " box.f[4:5]");
    const std::string layered = script("shadingNode -at layeredTexture");
    for (int i = 0; i < 3; ++i) {
        const std::string input = layered + ".inputs[" + std::to_string(i) + "]";
        const std::string fileNode = script("shadingNode -at file");
        script("setAttr -type \"string\" " + fileNode + ".fileTextureName \"/maps/layer" + std::to_string(i) + ".tif\"");
        script("connectAttr " + fileNode + ".outColor " + input + ".color");
        script("setAttr " + input + ".blendMode " + std::to_string(4 + i) + "; setAttr " + input + ".alpha 0." +
               std::to_string(i + 1));
    }
    script("connectAttr " + layered + ".outColor stack.color");
    collect();
    const RWyxMesh* mesh = node("box")->GetMesh();
    ASSERT_EQ(mesh->GetLayerCountOfKind(RWyxLayerElement::kTexture), 3);
    const struct {
        int layer;
        const char* file;
        int blend;
        double alpha;
    } expected[] = {{2, "/maps/layer0.tif", RWyxLayerElementTexture::kAdditive, 0.1},
                    {1, "/maps/layer1.tif", RWyxLayerElementTexture::kTranslucent, 0.2},
                    {0, "/maps/layer2.tif", RWyxLayerElementTexture::kModulate, 0.3}};
    for (const auto& entry : expected) {
        const auto* element = static_cast<const RWyxLayerElementTexture*>(Element(*mesh, entry.layer, RWyxLayerElement::kTexture));
        ASSERT_NE(element, nullptr) << entry.layer;
        EXPECT_EQ(element->GetBlendMode(), entry.blend) << entry.layer;
        ASSERT_EQ(mesh->GetTextureCount(entry.layer), 1) << entry.layer;
        EXPECT_EQ(mesh->GetTexture(0, entry.layer)->GetFileName(), entry.file) << entry.layer;
        EXPECT_NEAR(mesh->GetTexture(0, entry.layer)->GetDefaultAlpha(), entry.alpha, 1e-6) << entry.layer;
        EXPECT_EQ(element->GetIndexCount(), 6) << "one index per polygon, layer " << entry.layer;
    }
    // The plain faces have no texture on the upper layers.
    EXPECT_EQ(Indices(Element(*mesh, 2, RWyxLayerElement::kTexture)), (std::vector<int>{0, 0, 0, 0, -1, -1}));
    EXPECT_EQ(Indices(Element(*mesh, 0, RWyxLayerElement::kMaterial)), (std::vector<int>{0, 0, 0, 0, 1, 1}))
        << "one material index per polygon, whatever the layers";
}

// A textured set whose texture lies on an earlier set's layer takes the first layer free of UVs
// and textures; its texture goes there with the blend of the layer it leaves, which keeps only
// the textures its polygons use. A texture linked to two sets stays with the first; a set whose
// textures all stayed so maps none and is left out, as a set without textures is (a layer of its
// own would come back as a set without textures, which the next export left out). The moved
// texture, the lower input of a layered texture, now lies above the upper one, which then goes up
// to the first free layer.
TEST_F(MeshExportTest, ATexturedSetOnAnEarlierSetsLayerTakesTheFirstFreeLayerWithItsTexture) {
    makeCube("box");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "plain") + " box.f[0:1]");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "stack") + " box.f[2:5]");
    const std::string plain = AddFileTexture("plain", "/maps/plain.tif");
    const std::string layered = script("shadingNode -at layeredTexture");
    std::string inputs[2];
    for (int i = 0; i < 2; ++i) {
        const std::string input = layered + ".inputs[" + std::to_string(i) + "]";
        inputs[i] = script("shadingNode -at file");
        script("setAttr -type \"string\" " + inputs[i] + ".fileTextureName \"/maps/input" + std::to_string(i) +
               ".tif\"");
        script("connectAttr " + inputs[i] + ".outColor " + input + ".color; setAttr " + input + ".blendMode " +
               (i == 0 ? "4" : "6"));
    }
    script("connectAttr " + layered + ".outColor stack.color");
    VFnMesh host(Named("boxShape"));
    const VString sets[3] = {"map1", "second", "third"};
    for (int s = 0; s < 3; ++s) {
        ASSERT_TRUE(s == 0 || host.createUVSet(sets[s]));
        ASSERT_TRUE(host.setUVs(VFloatArray(4, 0.5f * static_cast<float>(s)), VFloatArray(4, 0.0f), &sets[s]));
        ASSERT_TRUE(host.assignUVs(VIntArray(6, 4), VIntArray(24, 3), &sets[s]));
        ASSERT_TRUE(host.associateUVSetTexture(sets[s], Named(plain.c_str())));
    }
    ASSERT_TRUE(host.associateUVSetTexture(sets[1], Named(inputs[1].c_str())));
    collect();
    const RWyxMesh* mesh = node("box")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    const struct {
        int layer;
        const char* file;
        std::vector<int> indices;
        double u;  // of the layer's UVs, -1 for none
    } expected[] = {{0, "/maps/plain.tif", {0, 0, -1, -1, -1, -1}, 0.0},
                    {2, "/maps/input1.tif", {-1, -1, 0, 0, 0, 0}, 0.5},
                    {3, "/maps/input0.tif", {-1, -1, 0, 0, 0, 0}, -1.0}};
    for (const auto& entry : expected) {
        ASSERT_EQ(mesh->GetTextureCount(entry.layer), 1) << entry.layer;
        EXPECT_EQ(mesh->GetTexture(0, entry.layer)->GetFileName(), entry.file);
        EXPECT_EQ(Indices(Element(*mesh, entry.layer, RWyxLayerElement::kTexture)), entry.indices) << entry.layer;
        const auto* uvs = static_cast<const RWyxLayerElementUV*>(Element(*mesh, entry.layer, RWyxLayerElement::kUV));
        EXPECT_EQ(uvs != nullptr ? uvs->GetDirectAt(3)->u : -1.0, entry.u) << entry.layer;
    }
    const auto* moved = static_cast<const RWyxLayerElementTexture*>(Element(*mesh, 2, RWyxLayerElement::kTexture));
    EXPECT_EQ(moved->GetBlendMode(), RWyxLayerElementTexture::kModulate);
    EXPECT_EQ(mesh->GetLayerCount(), 4) << "no layer for the third set";
    EXPECT_EQ(mesh->GetTextureCount(1), 0) << "the upper input left it";

    // Current, the third set still takes a free layer of its own, and the input without a link,
    // which maps with it, its UVs (the lowest layer has the first set's).
    ASSERT_TRUE(host.setCurrentUVSetName(sets[2]));
    collect();
    const RWyxMesh* again = node("box")->GetMesh();
    ASSERT_NE(again, nullptr);
    std::string layers;
    for (int i = 0; i < again->GetLayerCount(); ++i) {
        const auto* uvs = static_cast<const RWyxLayerElementUV*>(Element(*again, i, RWyxLayerElement::kUV));
        char u[32] = "-";
        if (uvs != nullptr) std::snprintf(u, sizeof(u), "%g", uvs->GetDirectAt(3)->u);
        layers += "[" + std::string(u) + " " + std::to_string(again->GetTextureCount(i)) + "]";
    }
    EXPECT_EQ(layers, "[0 1][- 0][0.5 1][1 0][1 1]") << "[u of the layer's UVs, its texture count]";
}

TEST_F(MeshExportTest, LayeredTexturesFeedingEachOtherAreReadOnce) {
    makeCube("box");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "loop") + " box");
    const std::string outer = script("shadingNode -at layeredTexture");
    const std::string inner = script("shadingNode -at layeredTexture");
    const std::string file = script("shadingNode -at file");
    script("setAttr -type \"string\" " + file + ".fileTextureName \"/maps/deep.tif\"");
    script("connectAttr " + file + ".outColor " + inner + ".inputs[0].color; connectAttr " + outer + ".outColor " + inner +
           ".inputs[1].color; connectAttr " + inner + ".outColor " + outer + ".inputs[0].color; connectAttr " + outer +
           ".outColor loop.color");
    collect();
    const RWyxMesh* mesh = node("box")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(session_->GetFactory().GetTextureCount(), 1);
    ASSERT_EQ(mesh->GetTextureCount(1), 1) << "the inner stack's bottom input on its layer";
    EXPECT_EQ(mesh->GetTexture(0, 1)->GetFileName(), "/maps/deep.tif");
}

TEST_F(MeshExportTest, OneFileNodeIsOneTextureForEveryShaderUsingIt) {
    makeCube("box");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "a") + " box.f[0:2]");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "b") + " box.f[3:5]");
    const std::string file = AddFileTexture("a", "/maps/shared.tif");
    script("connectAttr " + file + ".outColor b.color");
    collect();
    EXPECT_EQ(session_->GetFactory().GetTextureCount(), 1);
    const RWyxMesh* mesh = node("box")->GetMesh();
    EXPECT_EQ(mesh->GetTextureCount(0), 1);
    EXPECT_EQ(Indices(Element(*mesh, 0, RWyxLayerElement::kTexture)), std::vector<int>(6, 0));
}

TEST_F(MeshExportTest, AMeshWhoseHistoryChangesItsCountsIsLeftWithoutGeometry) {
    MakeStrip("body");
    script("createNode joint -n bone; select bone body; newSkinCluster \"-tsb\"; polySmooth -dv 1 body; "
           "setAttr -l true polySmoothFacet1.divisions");
    options().SetBoolOption(kExportShowUI, true);
    collect();
    auto* body = static_cast<VexaNode*>(node("body"));
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->GetMesh(), nullptr);
    EXPECT_TRUE(body->GetExportFlag()) << "the skin export leaves it out";
    const std::string text = "Mismatched number of vertices between the original and the final mesh of the node:  "
                             "Model::body";
    bool shown = false;
    for (const auto& dialog : UiModel::instance().shownDialogs()) {
        shown = shown || dialog.message == text + "\n\nThis problem is most likely caused by unsupported operators in "
                                                  "the construction hystory.";
    }
    EXPECT_TRUE(shown);
    session_.reset();
    EXPECT_NE(logText().find("WYX Export Warning: " + text), std::string::npos);
}

// ---- NURBS surfaces -----------------------------------------------------------------------------

class NurbsExportTest : public SessionTest {
protected:
    // Host U periodic of degree 3 with 10 CVs (the last 3 repeat the first), host V open of
    // degree 1 with 2 CVs; CV (u, v) at (u, v, 10 + u) for the first 7 rows.
    static VObject makePeriodic(const char* name) {
        VPointArray cvs;
        for (int u = 0; u < 10; ++u) {
            for (int v = 0; v < 2; ++v) cvs.append(VPoint(u % 7, v, 10 + u % 7, 1.0));
        }
        VDoubleArray uKnots;
        for (int i = 0; i < 12; ++i) uKnots.append(i);
        VDoubleArray vKnots;
        vKnots.append(0.0);
        vKnots.append(2.0);
        VStatus status;
        const VObject shape = VFnNurbsSurface().create(cvs, uKnots, vKnots, 3, 1, VFnNurbsSurface::kPeriodic,
                                                       VFnNurbsSurface::kOpen, false, VObject::kNullObj, &status);
        EXPECT_TRUE(status) << status.errorString().asChar();
        VFnDagNode(VFnDagNode(shape).parent(0)).setName(name);
        return shape;
    }
};

TEST_F(NurbsExportTest, APeriodicDirectionLeavesOutItsRepeatedControlPoints) {
    const VObject shape = makePeriodic("hoop");
    VFnDependencyNode(shape).findPlug("curvePrecisionShaded").setValue(20.0);
    collect();
    const RWyxNurb* nurb = node("hoop")->GetNurb();
    ASSERT_NE(nurb, nullptr);
    EXPECT_EQ(node("hoop")->GetShadingMode(), 4);
    // The host's U is the SDK's V.
    EXPECT_EQ(nurb->GetVType(), RWyxNurb::kPeriodic);
    EXPECT_EQ(nurb->GetVCount(), 7);
    EXPECT_EQ(nurb->GetVOrder(), 4);
    EXPECT_EQ(nurb->GetUType(), RWyxNurb::kOpen);
    EXPECT_EQ(nurb->GetUCount(), 2);
    EXPECT_EQ(nurb->GetUOrder(), 2);
    EXPECT_EQ(nurb->GetUStep(), 15) << "capped";
    ASSERT_EQ(nurb->GetControlPointsCount(), 14);
    for (int u = 0; u < 7; ++u) {
        for (int v = 0; v < 2; ++v) {
            const RVector4& cv = nurb->GetControlPoints()[u * 2 + v];
            EXPECT_DOUBLE_EQ(cv.x, u);
            EXPECT_DOUBLE_EQ(cv.y, v);
            EXPECT_DOUBLE_EQ(cv.z, 10 + u);
            EXPECT_DOUBLE_EQ(cv.w, 1.0);
        }
    }
    ASSERT_EQ(nurb->GetVKnotCount(), 14);
    EXPECT_DOUBLE_EQ(nurb->GetVKnotVector()[0], -1.0);
    EXPECT_DOUBLE_EQ(nurb->GetVKnotVector()[1], 0.0);
    EXPECT_DOUBLE_EQ(nurb->GetVKnotVector()[13], 12.0);
    ASSERT_EQ(nurb->GetUKnotCount(), 4);
    EXPECT_EQ(std::vector<double>(nurb->GetUKnotVector(), nurb->GetUKnotVector() + 4),
              (std::vector<double>{-2.0, 0.0, 2.0, 4.0}));
}

TEST_F(NurbsExportTest, ASurfaceShaderGivesTheMaterialAndASwappedTextureWithItsUVs) {
    makePeriodic("hoop");
    script("sets -e -forceElement " + makeShadingGroup("lambert", "paint") + " hoop");
    AddFileTexture("paint", "/maps/paint.tif");
    script("setAttr place2dTexture1.offsetU 0.25; setAttr place2dTexture1.offsetV 0.125; "
           "setAttr place2dTexture1.repeatU 4; setAttr paint.colorR 0.75; setAttr paint.ambientColorG 0.25");
    collect();
    const RWyxNurb* nurb = node("hoop")->GetNurb();
    ASSERT_EQ(nurb->GetMaterialCount(0), 1);
    const RWyxMaterial* material = nurb->GetMaterial(0, 0);
    EXPECT_EQ(material->GetName(), "Material::paint");
    // A textured material keeps its own colours, on a surface as on a mesh.
    EXPECT_NEAR(material->GetDiffuseColor().GetRed(), 0.75, 1e-9);
    EXPECT_NEAR(material->GetAmbientColor().GetGreen(), 0.25, 1e-9);
    ASSERT_EQ(nurb->GetTextureCount(0), 1);
    const RWyxTexture* texture = nurb->GetTexture(0, 0);
    EXPECT_TRUE(texture->GetSwapUV());
    EXPECT_DOUBLE_EQ(texture->GetScalingU(), 1.0) << "repeatV";
    EXPECT_DOUBLE_EQ(texture->GetScalingV(), 4.0) << "repeatU";
    // Translation swapped as the scaling is, as the import reads it back.
    EXPECT_NEAR(texture->GetTranslationU(), 0.125, 1e-9) << "offsetV";
    EXPECT_NEAR(texture->GetTranslationV(), 0.25, 1e-9) << "offsetU";
    const RWyxLayerElement* uvs = nurb->GetLayer(0)->GetElement(RWyxLayerElement::kUV);
    ASSERT_NE(uvs, nullptr);
    EXPECT_EQ(uvs->GetMappingMode(), RWyxLayerElement::kAllSame);
    EXPECT_EQ(uvs->GetReferenceMode(), RWyxLayerElement::kIndex);
    EXPECT_EQ(uvs->IndexArray(), std::vector<int>{0});
}

}  // namespace
