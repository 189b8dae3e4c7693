// Materials through the import: shaders and their values, shading groups (the host's unique
// names), per-polygon and per-control-point assignment through polygons the host lacks,
// layered and file textures with their placement and file names, vertex colours.

#include "tests/support/ImportSceneSupport.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxTexture.h"
#include "core/RWyxColor.h"

#include <vexa/VColorArray.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnPhongShader.h>
#include <vexa/VItDependencyNodes.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlugArray.h>
#include <vexa/VStringArray.h>

#include <cmath>

namespace {

class MaterialImportTest : public SceneImportTest {
protected:
    // The name of the shader feeding each host polygon's shading group ("" for none).
    static std::vector<std::string> polygonShaders(const char* shape) {
        VFnMesh mesh(pathOf(shape));
        VObjectArray groups;
        VIntArray indices;
        EXPECT_TRUE(mesh.getConnectedShaders(0, groups, indices));
        std::vector<std::string> names;
        for (unsigned p = 0; p < indices.length(); ++p) {
            names.push_back(indices[p] < 0 ? "" : shaderOf(groups[static_cast<unsigned>(indices[p])]));
        }
        return names;
    }
    static std::string shaderOf(const VObject& group) {
        VPlugArray sources;
        VFnDependencyNode(group).findPlug("surfaceShader").connectedTo(sources, true, false);
        return sources.length() == 1 ? VFnDependencyNode(sources[0].node()).name().str() : "";
    }
    // The name of the node whose plug feeds the plug.
    static std::string sourceOf(const std::string& plug) {
        VPlugArray sources;
        HostPlug(plug).connectedTo(sources, true, false);
        return sources.length() == 1 ? sources[0].name().str() : "";
    }
    static double number(const std::string& plug) { return HostPlug(plug).asDouble(); }
    static std::string text(const std::string& plug) { return HostPlug(plug).asString().str(); }
};

RWyxMaterial* Material(RWyxObjectFactory& factory, const char* name, double opacity = 1.0) {
    RWyxMaterial* material = factory.CreateMaterial(name);
    material->SetDiffuseColor(RWyxColor(0.1, 0.2, 0.3, 1.0));
    material->SetSpecularColor(RWyxColor(0.7, 0.6, 0.5, 1.0));
    material->SetAmbientColor(RWyxColor(0.05, 0.15, 0.25, 1.0));
    material->SetOpacity(opacity);
    material->SetShininess(0.5);
    return material;
}

RWyxTexture* Texture(RWyxObjectFactory& factory, const char* name, const char* file) {
    RWyxTexture* texture = factory.CreateTexture(name);
    texture->SetFileName(file);
    return texture;
}

// One texture of each of the mesh's layers 0.. for every polygon, all same, with blend modes.
void AddTextureLayers(RWyxMesh& mesh, const std::vector<RWyxTexture*>& textures, const std::vector<int>& blends) {
    for (size_t layer = 0; layer < textures.size(); ++layer) {
        mesh.AddTexture(textures[layer], static_cast<int>(layer));
        RWyxLayerElementTexture* element = mesh.GetLayer(static_cast<int>(layer))->GetTextures();
        element->SetMappingMode(RWyxLayerElement::kAllSame);
        element->AddIndex(0);
        element->SetBlendMode(blends[layer]);
    }
}

TEST_F(MaterialImportTest, PolygonsGetTheirMaterialsPastPolygonsTheHostLacks) {
    ASSERT_TRUE(run("sets -renderable true -empty -name BodySG"));  // the name the import asks for
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = QuadStrip(factory, {0, kEmptyPolygon, 1, 2, kEmptyPolygon, 1, 7});
        for (const char* name : {"Red", "Green", "Blue"}) mesh->AddMaterial(Material(factory, name, 0.25));
        AddNode(factory, root, "Body", mesh);
    }));
    // The material index 7 names no material: that polygon stays without one.
    EXPECT_EQ(polygonShaders("BodyShape"), (std::vector<std::string>{"Red", "Green", "Blue", "Green", ""}));
    EXPECT_EQ(shaderOf(nodeOf("BodySG1")), "Red");
    EXPECT_EQ(shaderOf(nodeOf("BodySG")), "");  // the user's set is left alone
    VFnPhongShader red(nodeOf("Red"));
    EXPECT_FLOAT_EQ(red.cosPower(), 64.0f);
    EXPECT_FLOAT_EQ(red.transparency().g, 0.75f);
    EXPECT_FLOAT_EQ(red.color().b, 0.3f);
    EXPECT_FLOAT_EQ(red.specularColor().r, 0.7f);
    EXPECT_FLOAT_EQ(red.ambientColor().b, 0.25f);
}

TEST_F(MaterialImportTest, MergedNodesAndExclusiveMergesGetNoShadersTheirNewChildrenDo) {
    ASSERT_TRUE(run("createNode transform -n Body"));
    const auto build = [](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = QuadStrip(factory, {0});
        mesh->AddMaterial(Material(factory, "Kept"));
        RWyxNode* body = AddNode(factory, root, "Body", mesh);
        RWyxMesh* arm = QuadStrip(factory, {0});
        RWyxMaterial* unnamed = Material(factory, "Unnamed");
        unnamed->SetName(RString(""));  // a material without a name
        arm->AddMaterial(unnamed);
        AddNode(factory, *body, "Arm", arm);
    };
    ASSERT_TRUE(importBuilt(build, 0));
    EXPECT_FALSE(dumps("node phong "));
    ASSERT_TRUE(importBuilt(build, 1));
    EXPECT_FALSE(dumps("node phong Kept"));  // Body is the user's node
    EXPECT_EQ(polygonShaders("ArmShape"), std::vector<std::string>{"unnamed"});
}

TEST_F(MaterialImportTest, AMeshWithoutMaterialsGetsTheDefaultsAndOneNameOneShader) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        AddNode(factory, root, "Plain", QuadStrip(factory, {-1}));
        RWyxMesh* first = QuadStrip(factory, {0});
        first->AddMaterial(Material(factory, "Skin"));
        AddNode(factory, root, "First", first);
        RWyxMesh* second = QuadStrip(factory, {0});
        RWyxMaterial* again = Material(factory, "Skin");
        again->SetShininess(0.0);  // not applied: the first "Skin" is the shader
        second->AddMaterial(again);
        AddNode(factory, root, "Second", second);
    }));
    const std::string plain = polygonShaders("PlainShape")[0];
    VFnPhongShader shader(nodeOf(plain.c_str()));
    EXPECT_FLOAT_EQ(shader.cosPower(), 3.0f);
    EXPECT_FLOAT_EQ(shader.color().r, 0.5f);
    EXPECT_FLOAT_EQ(shader.ambientColor().r, 0.4f);
    EXPECT_FLOAT_EQ(shader.specularColor().r, 0.3f);
    EXPECT_FLOAT_EQ(shader.transparency().r, 0.0f);
    EXPECT_EQ(polygonShaders("FirstShape")[0], "Skin");
    EXPECT_EQ(polygonShaders("SecondShape")[0], "Skin");
    EXPECT_FALSE(dumps("node phong Skin1"));
    EXPECT_EQ(shaderOf(nodeOf("FirstSG")), "Skin");
    EXPECT_EQ(shaderOf(nodeOf("SecondSG")), "Skin");
}

TEST_F(MaterialImportTest, ControlPointsVoteForTheirPolygonsMaterial) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = QuadStrip(factory, {-1, -1, -1, -1});
        for (const char* name : {"A", "B", "C"}) mesh->AddMaterial(Material(factory, name));
        mesh->InitMaterialIndices(RWyxMesh::kKindByControlPoint);
        // Numbers count from 1. Quad 0 (points 0, 2, 3, 1): 2, 1, 1, 2, a tie that 2 wins by
        // coming first; quad 1 (2, 4, 5, 3): 1, 3, 3, 1, where 1 comes first; quad 2 (4, 6, 7,
        // 5): 3, 3, 0, 3; quad 3 (6, 8, 9, 7): 3, 9, 9, 0, where 9 and 0 name no material and
        // the one vote of 3 wins.
        const int numbers[10] = {2, 2, 1, 1, 3, 3, 3, 0, 9, 9};
        for (int i = 0; i < 10; ++i) mesh->GetMaterialIndices()[i] = numbers[i];
        AddNode(factory, root, "Voted", mesh);
        // Points past the numbers' array have none.
        RWyxMesh* short_ = QuadStrip(factory, {-1});
        short_->AddMaterial(Material(factory, "D"));
        short_->InitMaterialIndices(RWyxMesh::kKindByControlPoint);
        short_->GetLayer(0)->GetMaterials()->SetIndexCount(1);
        short_->GetMaterialIndices()[0] = 1;
        AddNode(factory, root, "Short", short_);
    }));
    EXPECT_EQ(polygonShaders("VotedShape"), (std::vector<std::string>{"B", "A", "C", "C"}));
    EXPECT_EQ(polygonShaders("ShortShape"), std::vector<std::string>{"D"});
}

TEST_F(MaterialImportTest, AllSameMaterialsEachTakeTheObjectAndTheLastStays) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = QuadStrip(factory, {-1, -1});
        for (const char* name : {"A", "B", "C"}) mesh->AddMaterial(Material(factory, name));
        AddNode(factory, root, "Whole", mesh);
    }));
    EXPECT_EQ(polygonShaders("WholeShape"), (std::vector<std::string>{"C", "C"}));
}

TEST_F(MaterialImportTest, LayeredTexturesPutTheFirstOnTopWithTheirBlendModes) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = QuadStrip(factory, {0});
        mesh->AddMaterial(Material(factory, "Layered"));
        RWyxTexture* faint = Texture(factory, "B", "b.tif");
        faint->SetDefaultAlpha(0.25);
        AddTextureLayers(*mesh, {Texture(factory, "A", "a.tif"), faint, Texture(factory, "C", "c.tif"),
                                 Texture(factory, "NoFile", "")},
                         {RWyxLayerElementTexture::kAdditive, RWyxLayerElementTexture::kModulate,
                          RWyxLayerElementTexture::kModulate2, 0});
        AddNode(factory, root, "Body", mesh);
    }));
    const std::string layered = sourceOf("Layered.color");
    ASSERT_EQ(layered.rfind("layeredTexture", 0), 0u) << layered;
    const std::string node = layered.substr(0, layered.find('.'));
    EXPECT_EQ(sourceOf(node + ".inputs[2].color"), "A.outColor");
    EXPECT_EQ(sourceOf(node + ".inputs[1].color"), "B.outColor");
    EXPECT_EQ(sourceOf(node + ".inputs[0].color"), "C.outColor");
    EXPECT_EQ(number(node + ".inputs[2].blendMode"), 4.0);
    EXPECT_EQ(number(node + ".inputs[1].blendMode"), 6.0);
    EXPECT_EQ(number(node + ".inputs[0].blendMode"), 0.0);
    EXPECT_EQ(number(node + ".inputs[1].alpha"), 0.25);
    EXPECT_EQ(number(node + ".inputs[2].alpha"), 1.0);
    EXPECT_EQ(dump().find("NoFile"), std::string::npos);  // a texture without a file is left out
}

TEST_F(MaterialImportTest, PlacementKeepsUOnUForMeshesAndTurnsSurfacesTheOtherWay) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxTexture* texture = Texture(factory, "Tex", "tex.tif");
        texture->SetTranslationUV(0.25, 0.5);
        texture->SetRotationUVW(0, 0, 90);
        texture->SetScalingUV(2, 3);
        RWyxMesh* mesh = QuadStrip(factory, {0});
        mesh->AddMaterial(Material(factory, "OnMesh"));
        AddTextureLayers(*mesh, {texture}, {0});
        AddNode(factory, root, "Body", mesh);

        RWyxTexture* onSurface = Texture(factory, "SurfaceTex", "tex.tif");
        onSurface->SetTranslationUV(0.25, 0.5);
        onSurface->SetRotationUVW(0, 0, 90);
        onSurface->SetScalingUV(2, 3);
        RWyxNurb* nurb = NewSurface(factory, kEvenKnots);
        nurb->AddMaterial(Material(factory, "OnSurface"));
        nurb->AddTexture(onSurface);
        nurb->GetLayer(0)->GetTextures()->AddIndex(0);
        AddNode(factory, root, "Sheet", nurb);

        // Closed in SDK U (4 points) and V (3 points): each offset moves by two of its steps.
        RWyxTexture* onClosed = Texture(factory, "ClosedTex", "tex.tif");
        onClosed->SetTranslationUV(0.25, 0.5);
        RWyxNurb* closed = NewSurface(factory, kEvenKnots);
        closed->InitControlPoints(4, RWyxNurb::kClosed, 3, RWyxNurb::kClosed);
        for (int i = 0; i < 12; ++i) closed->SetControlPointAt(i, RVector4(i % 4, i / 4, 0.0, 1.0));
        closed->AddMaterial(Material(factory, "OnClosed"));
        closed->AddTexture(onClosed);
        closed->GetLayer(0)->GetTextures()->AddIndex(0);
        AddNode(factory, root, "Ring", closed);

        // The mesh's texture on a surface too: a file node of its own, placed as on a surface.
        RWyxNurb* again = NewSurface(factory, kEvenKnots);
        again->AddMaterial(Material(factory, "OnSheet"));
        again->AddTexture(texture);
        again->GetLayer(0)->GetTextures()->AddIndex(0);
        AddNode(factory, root, "Sheet2", again);

        // What the export writes of offsets (0.25, 0.125) turned by 45 degrees: the translation
        // less what the turn about (0.5, 0.5) brings, (0.5, 0.5 - sqrt(1/2)); on a surface
        // swapped and turned the other way.
        const double lift = std::sqrt(0.5) - 0.5;
        RWyxTexture* turned = Texture(factory, "Turned", "tex.tif");
        turned->SetTranslationUV(0.25 - 0.5, 0.125 + lift);
        turned->SetRotationUVW(0, 0, 45);
        RWyxMesh* plate = QuadStrip(factory, {0});
        plate->AddMaterial(Material(factory, "OnPlate"));
        AddTextureLayers(*plate, {turned}, {0});
        AddNode(factory, root, "Plate", plate);
        RWyxTexture* turnedBack = Texture(factory, "TurnedBack", "tex.tif");
        turnedBack->SetTranslationUV(0.125 + lift, 0.25 - 0.5);
        turnedBack->SetRotationUVW(0, 0, -45);
        RWyxNurb* tilted = NewSurface(factory, kEvenKnots);
        tilted->AddMaterial(Material(factory, "OnTilted"));
        tilted->AddTexture(turnedBack);
        tilted->GetLayer(0)->GetTextures()->AddIndex(0);
        AddNode(factory, root, "Tilted", tilted);
    }));
    // The placement node of the file node feeding the shader's colour.
    const auto placementOf = [](const std::string& shader) {
        const std::string file = sourceOf(shader + ".color");
        const std::string placement = sourceOf(file.substr(0, file.find('.')) + ".uvCoord");
        return placement.substr(0, placement.find('.'));
    };
    const std::string placement = placementOf("OnMesh");
    // On a mesh U stays U: what the export reads back as the texture's U. The quarter turn about
    // (0.5, 0.5) brings (1, 0), which the offsets get back.
    EXPECT_DOUBLE_EQ(number(placement + ".offsetU"), 1.25);
    EXPECT_DOUBLE_EQ(number(placement + ".offsetV"), 0.5);
    EXPECT_NEAR(number(placement + ".rotateFrame"), M_PI / 2, 1e-6);
    EXPECT_DOUBLE_EQ(number(placement + ".repeatU"), 2.0);
    EXPECT_DOUBLE_EQ(number(placement + ".repeatV"), 3.0);
    const std::string surface = sourceOf("SurfaceTex.uvCoord");
    const std::string surfacePlacement = surface.substr(0, surface.find('.'));
    // Turned back a quarter: (0, 1).
    EXPECT_DOUBLE_EQ(number(surfacePlacement + ".offsetU"), 0.5);
    EXPECT_DOUBLE_EQ(number(surfacePlacement + ".offsetV"), 1.25);
    EXPECT_NEAR(number(surfacePlacement + ".rotateFrame"), -M_PI / 2, 1e-6);
    EXPECT_DOUBLE_EQ(number(surfacePlacement + ".repeatU"), 3.0);
    EXPECT_DOUBLE_EQ(number(surfacePlacement + ".repeatV"), 2.0);
    const std::string ring = sourceOf("ClosedTex.uvCoord");
    const std::string ringPlacement = ring.substr(0, ring.find('.'));
    EXPECT_NEAR(number(ringPlacement + ".offsetU"), 0.5 + 2.0 / 3.0, 1e-6);
    EXPECT_DOUBLE_EQ(number(ringPlacement + ".offsetV"), 0.75);
    EXPECT_NE(sourceOf("OnSheet.color"), sourceOf("OnMesh.color"));
    EXPECT_DOUBLE_EQ(number(placementOf("OnSheet") + ".offsetU"), 0.5);
    EXPECT_DOUBLE_EQ(number(placementOf("OnSheet") + ".offsetV"), 1.25);
    for (const char* shader : {"OnPlate", "OnTilted"}) {
        EXPECT_NEAR(number(placementOf(shader) + ".offsetU"), 0.25, 1e-9) << shader;
        EXPECT_NEAR(number(placementOf(shader) + ".offsetV"), 0.125, 1e-9) << shader;
        EXPECT_NEAR(number(placementOf(shader) + ".rotateFrame"), M_PI / 4, 1e-6) << shader;
    }
}

TEST_F(MaterialImportTest, TextureFilesResolveBesideTheFileAndHostileNamesStayNames) {
    const char* const files[] = {"textures/skin.png", "/abs/skin.png", "C:\\maps\\skin.png", "\\\\server\\maps\\skin.png",
                                 "x\"; file -f -new; \".png"};
    ASSERT_TRUE(run("createNode transform -n keep"));
    ASSERT_TRUE(importBuilt([&files](RWyxObjectFactory& factory, RWyxNode& root) {
        for (int i = 0; i < 5; ++i) {
            RWyxMesh* mesh = QuadStrip(factory, {0});
            mesh->AddMaterial(Material(factory, ("M" + std::to_string(i)).c_str()));
            AddTextureLayers(*mesh, {Texture(factory, ("T" + std::to_string(i)).c_str(), files[i])}, {0});
            AddNode(factory, root, ("Body" + std::to_string(i)).c_str(), mesh);
        }
    }));
    EXPECT_EQ(text("T0.fileTextureName"), folder_.Path() + "/textures/skin.png");
    EXPECT_EQ(text("T1.fileTextureName"), files[1]);
    EXPECT_EQ(text("T2.fileTextureName"), files[2]);
    EXPECT_EQ(text("T3.fileTextureName"), files[3]);
    EXPECT_EQ(text("T4.fileTextureName"), folder_.Path() + "/" + files[4]);
    EXPECT_TRUE(dumps("node transform |keep\n"));
}

TEST_F(MaterialImportTest, ATextureOnASharedShaderIsConnectedOnce) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        for (const char* name : {"One", "Two"}) {
            RWyxMesh* mesh = QuadStrip(factory, {0});
            mesh->AddMaterial(Material(factory, "Shared"));
            AddTextureLayers(*mesh, {Texture(factory, (std::string(name) + "Tex").c_str(), "t.tif")}, {0});
            AddNode(factory, root, name, mesh);
        }
    }));
    // Children are visited from the last: Two's texture came first and stays.
    EXPECT_EQ(sourceOf("Shared.color"), "TwoTex.outColor");
}

// Meshes that share a shader, each with its texture on its second layer of UVs (after one whose
// UV element is empty, which makes no set): the shader keeps the texture it got first, and each
// mesh links that texture, the one its faces show, to the set of the layer.
TEST_F(MaterialImportTest, ATextureOnASharedShaderMapsWithTheSetOfItsLayerOnEachMesh) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        for (const char* name : {"One", "Two"}) {
            RWyxMesh* mesh = QuadStrip(factory, {0});
            mesh->AddMaterial(Material(factory, "Shared"));
            for (const int layer : {0, 2, 3}) {
                auto uvs = std::make_unique<RWyxLayerElementUV>();
                uvs->SetMappingMode(RWyxLayerElement::kByControlPoint);
                for (int p = 0; p < 4 && layer != 2; ++p) uvs->AddDirect(RVector2(layer, p));
                mesh->EnsureLayer(layer)->SetUVs(std::move(uvs));
            }
            mesh->AddTexture(Texture(factory, (std::string(name) + "Tex").c_str(), "t.tif"), 3);
            mesh->GetLayer(3)->GetTextures()->AddIndex(0);
            AddNode(factory, root, name, mesh);
        }
    }));
    EXPECT_EQ(sourceOf("Shared.color"), "TwoTex.outColor");
    for (const char* name : {"One", "Two"}) {
        const VFnMesh mesh(pathOf(name));
        VStringArray sets;
        ASSERT_TRUE(mesh.getUVSetNames(sets));
        ASSERT_EQ(sets.length(), 2u) << name;
        EXPECT_EQ(sets[1], "uvSet3") << name;
        VObjectArray linked;
        ASSERT_TRUE(mesh.getAssociatedUVSetTextures("uvSet3", linked));
        ASSERT_EQ(linked.length(), 1u) << name;
        EXPECT_EQ(VFnDependencyNode(linked[0]).name(), "TwoTex") << name;
        ASSERT_TRUE(mesh.getAssociatedUVSetTextures("uvSet1", linked));
        EXPECT_EQ(linked.length(), 0u) << name;
    }
}

// A texture of both materials of a mesh, on two layers of UVs: a file node maps with one set of a
// mesh, so where the layers' UVs differ the second material takes a file node of its own, linked
// to its layer's set (also where only their indices into one list differ); where they are alike
// both share one file node, linked once.
TEST_F(MaterialImportTest, ATextureOnLayersOfOtherUVsHasAFileNodeForEach) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        for (const std::string name : {"Apart", "Alike", "Reversed"}) {
            RWyxMesh* mesh = QuadStrip(factory, {0, 1});
            for (const char* material : {"0", "1"}) mesh->AddMaterial(Material(factory, (name + material).c_str()));
            RWyxTexture* texture = Texture(factory, (name + "Tex").c_str(), "t.tif");
            for (const int layer : {0, 1}) {
                auto uvs = std::make_unique<RWyxLayerElementUV>();
                uvs->SetMappingMode(RWyxLayerElement::kByControlPoint);
                for (int p = 0; p < 6; ++p) uvs->AddDirect(RVector2(name == "Apart" ? layer : 0, p));
                if (name == "Reversed") {
                    uvs->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
                    for (int p = 0; p < 6; ++p) uvs->AddIndex(layer == 0 ? p : 5 - p);
                }
                mesh->EnsureLayer(layer)->SetUVs(std::move(uvs));
                mesh->AddTexture(texture, layer);
                RWyxLayerElementTexture* element = mesh->GetLayer(layer)->GetTextures();
                element->SetMappingMode(RWyxLayerElement::kByPolygon);
                for (const int polygon : {0, 1}) element->AddIndex(polygon == layer ? 0 : -1);
            }
            AddNode(factory, root, name.c_str(), mesh);
        }
    }));
    const auto linkedTo = [](const char* shape, const char* set) {
        VObjectArray linked;
        EXPECT_TRUE(VFnMesh(pathOf(shape)).getAssociatedUVSetTextures(set, linked));
        return linked.length() == 1 ? VFnDependencyNode(linked[0]).name().str() + ".outColor" : "";
    };
    for (const std::string name : {"Apart", "Reversed"}) {
        EXPECT_EQ(linkedTo(name.c_str(), "uvSet1"), sourceOf(name + "0.color"));
        EXPECT_EQ(linkedTo(name.c_str(), "uvSet2"), sourceOf(name + "1.color"));
        EXPECT_NE(sourceOf(name + "0.color"), sourceOf(name + "1.color"));
    }
    EXPECT_EQ(linkedTo("Alike", "uvSet1"), sourceOf("Alike0.color"));
    EXPECT_EQ(sourceOf("Alike1.color"), sourceOf("Alike0.color"));
    EXPECT_EQ(linkedTo("Alike", "uvSet2"), "");
}

// A layered shader of two meshes, its lower input on the second mesh also under another shader
// there, on a layer of other UVs: that input takes a file node of its own on the second mesh,
// and so does the stack, whose layered texture maps the input with the UVs of its own layer.
TEST_F(MaterialImportTest, AStackSharedByMeshesIsNotSharedWhereAnInputHasAFileNodeOfItsOwn) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxTexture* top = Texture(factory, "Top", "top.tif");
        RWyxTexture* low = Texture(factory, "Low", "low.tif");
        // Polygon 0 of Second takes Plain (Low on layer 0), polygon 1 Stack (Top on layer 1 over
        // Low on layer 2); each layer with UVs of its own.
        RWyxMesh* second = QuadStrip(factory, {0, 1});
        second->AddMaterial(Material(factory, "Plain"));
        second->AddMaterial(Material(factory, "Stack"));
        RWyxTexture* const onLayer[3] = {low, top, low};
        for (int layer = 0; layer < 3; ++layer) {
            auto uvs = std::make_unique<RWyxLayerElementUV>();
            uvs->SetMappingMode(RWyxLayerElement::kByControlPoint);
            for (int p = 0; p < 6; ++p) uvs->AddDirect(RVector2(layer, p));
            second->EnsureLayer(layer)->SetUVs(std::move(uvs));
            second->AddTexture(onLayer[layer], layer);
            RWyxLayerElementTexture* element = second->GetLayer(layer)->GetTextures();
            element->SetMappingMode(RWyxLayerElement::kByPolygon);
            for (const int polygon : {0, 1}) element->AddIndex((polygon == 0) == (layer == 0) ? 0 : -1);
        }
        AddNode(factory, root, "Second", second);
        // The meshes are visited from the last: First makes the stack.
        RWyxMesh* first = QuadStrip(factory, {0});
        first->AddMaterial(Material(factory, "Stack"));
        AddTextureLayers(*first, {top, low}, {0, 0});
        AddNode(factory, root, "First", first);
    }));
    int layered = 0;
    for (VItDependencyNodes it(VFn::kLayeredTexture); !it.isDone(); it.next()) ++layered;
    EXPECT_EQ(layered, 2) << dump();
    const VFnMesh mesh(pathOf("Second"));
    VObjectArray linked;
    ASSERT_TRUE(mesh.getAssociatedUVSetTextures("uvSet1", linked));
    ASSERT_EQ(linked.length(), 1u);
    EXPECT_EQ(VFnDependencyNode(linked[0]).name().str() + ".outColor", sourceOf("Plain.color"));
    ASSERT_TRUE(mesh.getAssociatedUVSetTextures("uvSet3", linked));
    ASSERT_EQ(linked.length(), 1u) << "Low of the stack maps with the UVs of its layer";
    EXPECT_NE(VFnDependencyNode(linked[0]).name().str() + ".outColor", sourceOf("Plain.color"));
}

// One session importing a textured file again and again, each time into a new scene, with a
// reader that takes the texture the factory already has: every import's shader exists and is fed
// by a file node that exists.
TEST_F(MaterialImportTest, EveryImportOfASessionGetsShadersAndFileNodesThatExist) {
    TestSource().build = [](RWyxObjectFactory& factory) {
        RWyxScene* scene = factory.CreateScene();
        RWyxMesh* mesh = QuadStrip(factory, {0});
        mesh->AddMaterial(Material(factory, "Skin"));
        RWyxTexture* texture = factory.FindTexture("SkinTex", 0);
        AddTextureLayers(*mesh, {texture != nullptr ? texture : Texture(factory, "SkinTex", "skin.tif")}, {0});
        AddNode(factory, *scene->GetRootNode(), "Body", mesh);
        return scene;
    };
    WyxVexaImportSession session;
    ASSERT_TRUE(session.Open(testFile().c_str()));
    for (const int mode : {WyxPluginOptions::kCreate, WyxPluginOptions::kCreate, WyxPluginOptions::kMerge}) {
        if (mode == WyxPluginOptions::kMerge) {
            ASSERT_TRUE(run("file -f -new"));
        }
        options().SetImportMode(mode);
        ASSERT_TRUE(session.Import());
        EXPECT_EQ(polygonShaders("BodyShape")[0], "Skin") << "mode " << mode;
        EXPECT_EQ(sourceOf("Skin.color"), "SkinTex.outColor") << "mode " << mode;
    }
}

TEST_F(MaterialImportTest, VertexColoursDirectIndexedAndPerCornerThroughTheHostsPolygons) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        // By control point, direct: the clear colour of point 1 is not applied.
        RWyxMesh* direct = QuadStrip(factory, {-1});
        auto* colors = direct->EnsureLayer(0)->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
        colors->SetMappingMode(RWyxLayerElement::kByControlPoint);
        for (const RWyxColor& color : {RWyxColor(1, 0, 0, 1), RWyxColor(0, 0, 0, 0), RWyxColor(0, 0, 0, 1),
                                       RWyxColor(0, 0, 1, 1)}) {
            colors->AddDirect(color);
        }
        AddNode(factory, root, "Direct", direct);
        // By control point through a palette of two; an index past it gives no colour.
        RWyxMesh* palette = QuadStrip(factory, {-1});
        colors = palette->EnsureLayer(0)->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
        colors->SetMappingMode(RWyxLayerElement::kByControlPoint);
        colors->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
        colors->AddDirect(RWyxColor(0, 1, 0, 1));
        colors->AddDirect(RWyxColor(1, 1, 0, 1));
        for (const int index : {1, 0, 5, 1}) colors->AddIndex(index);
        AddNode(factory, root, "Palette", palette);
        // Per corner, direct: corner k of the SDK's numbering, past the empty polygon.
        RWyxMesh* corners = QuadStrip(factory, {kEmptyPolygon, -1, -1});
        colors = corners->EnsureLayer(0)->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
        colors->SetMappingMode(RWyxLayerElement::kByPolygonVertex);
        for (int k = 0; k < 8; ++k) colors->AddDirect(RWyxColor(k / 10.0, 0, 0, 1));
        AddNode(factory, root, "Corners", corners);
    }));
    VColorArray colors;
    ASSERT_TRUE(VFnMesh(pathOf("DirectShape")).getVertexColors(colors));
    ASSERT_EQ(colors.length(), 4u);
    EXPECT_FLOAT_EQ(colors[0].r, 1.0f);
    EXPECT_LT(colors[1].a, 0.0f);
    EXPECT_FLOAT_EQ(colors[2].a, 1.0f);
    ASSERT_TRUE(VFnMesh(pathOf("PaletteShape")).getVertexColors(colors));
    EXPECT_FLOAT_EQ(colors[0].r, 1.0f);
    EXPECT_FLOAT_EQ(colors[1].r, 0.0f);
    EXPECT_LT(colors[2].a, 0.0f);
    ASSERT_TRUE(VFnMesh(pathOf("CornersShape")).getFaceVertexColors(colors));
    ASSERT_EQ(colors.length(), 8u);
    for (unsigned k = 0; k < 8; ++k) EXPECT_FLOAT_EQ(colors[k].r, k / 10.0f) << k;
}

}  // namespace
