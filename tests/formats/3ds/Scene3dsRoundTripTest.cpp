// Write -> read -> write: a scene with every kind the writer writes comes back with the same
// counts, coordinates, materials and keys.

#include "tests/formats/3ds/Scene3dsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scene3ds_test;
using namespace ftk_test;

namespace {

// A box with two materials, a texture and UVs, animated under a group; an omni light, a spot
// light and a camera with targets.
class RichScene : public Scene3dsTest {
protected:
    void Build() {
        RWyxMaterial* red = factory.CreateMaterial("Red");
        red->SetDiffuseColor(RWyxColor(0.8, 0.1, 0.1, 1));
        red->SetAmbientColor(RWyxColor(0.2, 0.0, 0.0, 1));
        RWyxMaterial* green = factory.CreateMaterial("Green");
        green->SetDiffuseColor(RWyxColor(0.1, 0.7, 0.2, 1));
        RWyxTexture* texture = factory.CreateTexture("grain");
        texture->SetFileName("grain.bmp");
        RWyxMesh* mesh = QuadMesh({{0, 0, 0, 0}, {10, 0, 0, 0}, {10, 10, 0, 0}, {0, 10, 0, 0}, {5, 5, 5, 0}},
                                  {{0, 1, 2, 3}, {0, 1, 4}, {1, 2, 4}});
        mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
        mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
        mesh->AddMaterial(red, 0);
        mesh->AddMaterial(green, 0);
        mesh->AddTexture(texture, 0);
        mesh->GetMaterialIndices()[2] = 1;
        mesh->InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
        mesh->InitTextureUVs(5);
        for (int i = 0; i < 5; ++i) mesh->GetTextureUVs()[i].Set(0.1 * i, 1.0 - 0.2 * i);
        RWyxNode* group = AddNode("Group");
        group->SetDefaultTranslation(RVector4(1, 2, 3, 0));
        RWyxNode* box = AddNode("Box", mesh, group);
        RWyxTakeNode* take = box->GetCurrentTakeNode();
        SetKeys(take->GetTranslationXCurve(), {{0, 0.0f}, {10, 5.0f}, {20, -5.0f}});
        SetKeys(take->GetRotationYCurve(), {{0, 0.0f}, {20, 120.0f}});
        SetKeys(take->GetRotationXCurve(), {{0, 20.0f}, {10, -60.0f}, {20, 45.0f}});
        box_ = box;
        SetKeys(take->GetScalingZCurve(), {{0, 1.0f}, {20, 2.0f}});
        RWyxLight* omni = factory.CreateLight();
        omni->SetLightType(0);
        omni->SetDefaultColor(0.5, 0.25, 1.0);
        AddNode("Lamp", omni)->SetDefaultTranslation(RVector4(0, 50, 0, 0));
        RWyxLight* spot = factory.CreateLight();
        spot->SetLightType(2);
        spot->SetDefaultConeAngle(40.0);
        RWyxNode* spotNode = AddNode("Spot", spot);
        spotNode->SetDefaultTranslation(RVector4(20, 30, 40, 0));
        RWyxNode* spotAim = AddNode("SpotAim");
        spotAim->SetDefaultTranslation(RVector4(0, 0, 0, 0));
        spotNode->SetTarget(spotAim);
        RWyxCamera* camera = factory.CreateCamera();
        RWyxNode* cameraNode = AddNode("Cam", camera);
        cameraNode->SetDefaultTranslation(RVector4(0, 10, 100, 0));
        SetKeys(cameraNode->GetCurrentTakeNode()->GetTranslationYCurve(), {{0, 10.0f}, {20, 20.0f}});
        RWyxNode* aim = AddNode("Aim");
        aim->SetDefaultTranslation(RVector4(1, 2, 3, 0));
        cameraNode->SetTarget(aim);
    }

    RWyxNode* box_ = nullptr;
};

void ExpectSamePoints(const FtkPoint& a, const FtkPoint& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-3) << what;
    EXPECT_NEAR(a.y, b.y, 1e-3) << what;
    EXPECT_NEAR(a.z, b.z, 1e-3) << what;
}

// The material entry of that name.
std::unique_ptr<FtkMaterial> MaterialNamed(FtkDatabase* db, const char* name) {
    for (std::uint32_t i = 0; i < FtkMaterialCount(db); ++i) {
        std::unique_ptr<FtkMaterial> material;
        if (FtkGetMaterialByIndex(db, i, material) && std::string(material->name) == name) return material;
    }
    return nullptr;
}

// Everything both files hold, compared record by record. Generated names may differ (the
// reader makes a texture per material that names a file), what they name may not.
void ExpectSameFiles(const Bytes& first, const Bytes& second) {
    std::unique_ptr<FtkDatabase> a = LoadFile(first);
    std::unique_ptr<FtkDatabase> b = LoadFile(second);
    ASSERT_EQ(FtkMeshCount(a.get()), FtkMeshCount(b.get()));
    for (std::uint32_t i = 0; i < FtkMeshCount(a.get()); ++i) {
        std::unique_ptr<FtkMeshObject> ma, mb;
        ASSERT_TRUE(FtkGetMeshByIndex(a.get(), i, ma));
        ASSERT_TRUE(FtkGetMeshByIndex(b.get(), i, mb));
        EXPECT_STREQ(ma->name, mb->name);
        ASSERT_EQ(ma->faceCount, mb->faceCount);
        ASSERT_EQ(ma->materialCount, mb->materialCount);
        for (std::uint16_t g = 0; g < ma->materialCount; ++g) {
            EXPECT_EQ(ma->materials[g].faceIndices, mb->materials[g].faceIndices);
            std::unique_ptr<FtkMaterial> ga = MaterialNamed(a.get(), ma->materials[g].name);
            std::unique_ptr<FtkMaterial> gb = MaterialNamed(b.get(), mb->materials[g].name);
            ASSERT_NE(ga, nullptr);
            ASSERT_NE(gb, nullptr);
            EXPECT_NEAR(ga->diffuse.r, gb->diffuse.r, 0.01);
            EXPECT_NEAR(ga->diffuse.g, gb->diffuse.g, 0.01);
            EXPECT_NEAR(ga->ambient.r, gb->ambient.r, 0.01);
            EXPECT_STREQ(ga->maps[kFtkTextureMap].name, gb->maps[kFtkTextureMap].name);
        }
        // Corners by position: the reader may split vertices, so compare what each face names.
        for (std::uint16_t f = 0; f < ma->faceCount; ++f) {
            const std::uint16_t ca[3] = {ma->faces[f].v1, ma->faces[f].v2, ma->faces[f].v3};
            const std::uint16_t cb[3] = {mb->faces[f].v1, mb->faces[f].v2, mb->faces[f].v3};
            for (int c = 0; c < 3; ++c) {
                ExpectSamePoints(ma->vertices[ca[c]], mb->vertices[cb[c]], ma->name);
                EXPECT_NEAR(ma->texVerts[ca[c]].u, mb->texVerts[cb[c]].u, 1e-5);
                EXPECT_NEAR(ma->texVerts[ca[c]].v, mb->texVerts[cb[c]].v, 1e-5);
            }
        }
        for (int k = 0; k < 12; ++k) EXPECT_NEAR(ma->localMatrix[k], mb->localMatrix[k], 1e-4) << k;
    }
    EXPECT_EQ(FtkMaterialCount(a.get()), FtkMaterialCount(b.get()));
    ASSERT_EQ(FtkObjectNodeCount(a.get()), FtkObjectNodeCount(b.get()));
    for (std::uint32_t i = 0; i < FtkObjectNodeCount(a.get()); ++i) {
        std::unique_ptr<FtkObjectMotion> ma, mb;
        ASSERT_TRUE(FtkGetObjectMotionByIndex(a.get(), i, ma));
        ASSERT_TRUE(FtkGetObjectMotionByIndex(b.get(), i, mb));
        EXPECT_STREQ(ma->name, mb->name);
        if (std::string(ma->name) != "$$$DUMMY") {
            EXPECT_STREQ(ma->parent, mb->parent);
        }
        ASSERT_EQ(ma->position.keyCount, mb->position.keyCount) << ma->name;
        for (std::uint32_t k = 0; k < ma->position.keyCount; ++k) {
            ExpectSamePoints(ma->position.values[k], mb->position.values[k], "position");
            ExpectSamePoints(ma->scale.values[k], mb->scale.values[k], "scale");
            EXPECT_NEAR(ma->rotation.values[k].angle, mb->rotation.values[k].angle, 1e-3) << k;
        }
    }
    EXPECT_EQ(FtkOmniLightCount(a.get()), FtkOmniLightCount(b.get()));
    EXPECT_EQ(FtkSpotLightCount(a.get()), FtkSpotLightCount(b.get()));
    ASSERT_EQ(FtkCameraCount(a.get()), FtkCameraCount(b.get()));
    for (std::uint32_t i = 0; i < FtkCameraCount(a.get()); ++i) {
        std::unique_ptr<FtkCameraMotion> ma, mb;
        ASSERT_TRUE(FtkGetCameraMotionByIndex(a.get(), i, ma));
        ASSERT_TRUE(FtkGetCameraMotionByIndex(b.get(), i, mb));
        ASSERT_EQ(ma->position.keyCount, mb->position.keyCount);
        for (std::uint32_t k = 0; k < ma->position.keyCount; ++k) {
            ExpectSamePoints(ma->position.values[k], mb->position.values[k], "camera");
        }
        EXPECT_NEAR(ma->fov.values[0], mb->fov.values[0], 1e-3);
    }
}

TEST_F(RichScene, WriteReadWriteKeepsCountsCoordinatesMaterialsAndKeys) {
    Build();
    const Bytes first = Write();
    RWyxObjectFactory again;
    RWyxScene* copy = again.CreateScene();
    {
        RWyxReader3ds reader(&again);
        ASSERT_TRUE(reader.OpenMemory(first.data(), first.size()));
        ASSERT_TRUE(reader.Read(copy, Options().get())) << ErrorCodes();
    }
    RWyxNode* box = again.FindNode("Box", 0);
    ASSERT_NE(box, nullptr);
    const Bytes second = WriteScene(again, copy);
    ExpectSameFiles(first, second);
    // Rotations about several axes at once come back as they were at every frame.
    for (int frame = 0; frame <= 20; frame += 5) {
        const RMatrix before = box_->GetGlobalMatrixAt(Frame(frame));
        const RMatrix after = box->GetGlobalMatrixAt(Frame(frame));
        EXPECT_EQ(MatrixCompare(before, after, 1e-3), 0) << frame;
    }
}

// Meshes that pop in from nothing (scaled to 0 or flattened at frame 0) read back in place at
// 0, 0.5 and 1 s, trip after trip, and each trip writes the file again; so do meshes that pop
// in from a small scale (1e-2 to 1e-30, near and far), within a thousandth of their size.
TEST_F(Scene3dsTest, MeshesScaledToNothingAtTheStartReadBackInPlace) {
    const auto options = Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); });
    const std::pair<std::vector<std::pair<std::string, RWyxNode*>>, double> sets[] = {{AddPopIns(), 1e-4},
                                                                                      {AddSmallPopIns(), 3e-3}};
    std::vector<Bytes> files{Write(options)};
    RWyxObjectFactory trips[2];
    for (RWyxObjectFactory& again : trips) {
        RWyxScene* copy = again.CreateScene();
        RWyxReader3ds reader(&again);
        ASSERT_TRUE(reader.OpenMemory(files.back().data(), files.back().size()));
        ASSERT_TRUE(reader.Read(copy, options.get())) << ErrorCodes();
        for (const auto& [popIns, tolerance] : sets) {
            for (const auto& [name, source] : popIns) {
                RWyxNode* read = again.FindNode(name.c_str(), 0);
                ASSERT_TRUE(read != nullptr && read->GetMesh() != nullptr) << name;
                for (const int frame : kPopInFrames) {
                    const std::vector<RVector4> expected = WorldPoints(*source, frame);
                    const std::vector<RVector4> actual = WorldPoints(*read, frame);
                    ASSERT_EQ(actual.size(), expected.size()) << name;
                    for (std::size_t i = 0; i < actual.size(); ++i) {
                        EXPECT_NEAR((actual[i] - expected[i]).Length3(), 0.0, tolerance)
                            << name << " frame " << frame << " point " << i;
                    }
                }
            }
        }
        files.push_back(WriteScene(again, copy, options));
    }
    ExpectSameFiles(files[0], files[1]);
    ExpectSameFiles(files[1], files[2]);
}

// Names a reader cuts at their "::" (as WYX files keep them), fills in (an empty one) or could
// take for name.instance (one holding a '.', as tools number copies: "Box.001"), and
// names like those the writer makes for its own records (a material with a texture, the grey
// "Default" of a mesh with a texture but no material): each scene of meshes comes back with
// every node under its parent and every mesh with its own material's colour and texture.
// Meshes of one material and no texture share one material again, none other does.
TEST_F(Scene3dsTest, NamesAReaderCutsOrFillsInComeBackApart) {
    struct Mesh {
        const char* name;
        int parent;            // index of the parent mesh, -1 for the top
        const char* material;  // null for none; a name met before is that material again
        const char* texture;   // the file of its texture, "" for one the file cannot hold, null for none
    };
    const std::vector<std::vector<Mesh>> scenes = {
        {{"One", -1, "a::m", nullptr}, {"Two", -1, "m", nullptr}},
        {{"One", -1, "x::y::m", nullptr}, {"Two", -1, "m", nullptr}},
        {{"A", -1, "a::b::c", nullptr}, {"B", -1, "b::c", nullptr}, {"C", -1, "c", nullptr},
         {"D", -1, "x::b::c", nullptr}},
        {{"a::b", -1, "a::b", nullptr}, {"c", 0, "c", nullptr}, {"b", -1, "b", nullptr}, {"d", 2, "d", nullptr}},
        {{"", -1, "x::", nullptr}, {"q", 0, "Default", nullptr}, {"Name", -1, "", nullptr}},
        {{"A", -1, "p", "a.bmp"}, {"B", -1, "1.Mat0Tex0", nullptr}, {"C", -1, nullptr, ""},
         {"D", -1, "Default", nullptr}, {"E", -1, "p", nullptr}, {"F", -1, "8.Mat0Tex0", nullptr},
         {"G", -1, "p", nullptr}, {"H", -1, "r", "h.bmp"}, {"I", -1, nullptr, ""}},
        {{"Box.001", -1, "Box.001", nullptr}, {"kid", 0, "kid", nullptr}, {"a.b", -1, "a.b", nullptr},
         {"c.d", 2, "c.d", nullptr}, {"e", 3, "e", nullptr}, {"a.", -1, "a.", nullptr}, {"f", 5, "f", nullptr}},
    };
    auto colour = [](int i) { return RWyxColor(0.1 * (i + 1), 0.5, 1.0 - 0.1 * i, 1.0); };
    for (const std::vector<Mesh>& meshes : scenes) {
        factory.DestroyAll();
        scene = factory.CreateScene();
        std::vector<RWyxNode*> written;
        std::vector<int> owner;  // the mesh whose material each mesh uses
        for (int i = 0; i < static_cast<int>(meshes.size()); ++i) {
            // Mesh i lies at x = 10 i: what it is read as is told by where it lies.
            RWyxMesh* mesh = QuadMesh({{10.0 * i, 0, 0, 0}, {10.0 * i + 1, 0, 0, 0}, {10.0 * i, 1, 0, 0}}, {{0, 1, 2}});
            owner.push_back(i);
            const char* name = meshes[i].material;
            for (int j = i - 1; j >= 0 && name != nullptr; --j) {
                if (meshes[j].material != nullptr && std::string(meshes[j].material) == name) owner[i] = j;
            }
            if (owner[i] < i) {
                mesh->AddMaterial(written[owner[i]]->GetMesh()->GetMaterial(0), 0);
            } else if (name != nullptr) {
                RWyxMaterial* material = factory.CreateMaterial("m");
                material->SetName(name);
                material->SetDiffuseColor(colour(i));
                mesh->AddMaterial(material, 0);
            }
            if (meshes[i].texture != nullptr) {
                RWyxTexture* texture = factory.CreateTexture("t");
                texture->SetFileName(meshes[i].texture);
                mesh->AddTexture(texture, 0);
                mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
                mesh->InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
                mesh->InitTextureUVs(3);
            }
            written.push_back(AddNode("n", mesh, meshes[i].parent < 0 ? nullptr : written[meshes[i].parent]));
            written.back()->SetName(meshes[i].name);
        }
        const Bytes bytes = Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); }));
        RWyxObjectFactory again;
        RWyxScene* copy = again.CreateScene();
        RWyxReader3ds reader(&again);
        ASSERT_TRUE(reader.OpenMemory(bytes.data(), bytes.size()));
        ASSERT_TRUE(reader.Read(copy, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); }).get()));
        std::vector<RWyxNode*> read(meshes.size(), nullptr);
        auto textured = [&meshes](std::size_t i) { return meshes[i].texture != nullptr && *meshes[i].texture != '\0'; };
        for (int n = 0; n < again.GetNodeCount(); ++n) {
            RWyxMesh* mesh = again.GetNode(n)->GetMesh();
            const long at = mesh != nullptr ? std::lround(mesh->GetControlPoints()[0].x / 10.0) : -1;
            if (at >= 0 && at < static_cast<long>(read.size())) read[at] = again.GetNode(n);
        }
        for (std::size_t i = 0; i < meshes.size(); ++i) {
            const std::string what = std::string("\"") + meshes[i].name + "\"";
            ASSERT_NE(read[i], nullptr) << what;
            const int parent = meshes[i].parent;
            EXPECT_EQ(read[i]->GetParent(), parent < 0 ? copy->GetRootNode() : read[parent]) << what;
            const RWyxMaterial* material = read[i]->GetMesh()->GetMaterial(0);
            ASSERT_NE(material, nullptr) << what;
            const double red = meshes[i].material != nullptr ? colour(owner[i]).GetRed() : 0.588;
            EXPECT_NEAR(material->GetDiffuseColor().GetRed(), red, 1.0 / 255) << what;
            const RWyxTexture* texture = read[i]->GetMesh()->GetTexture(0, 0);
            EXPECT_EQ(texture != nullptr, textured(i)) << what;
            if (textured(i) && texture != nullptr) {
                EXPECT_STREQ(texture->GetFileName().Buffer(), meshes[i].texture) << what;
            }
            if (meshes[i].material != nullptr && !textured(i)) {
                // Under the short name the writer gave the material.
                const RWyxMaterial* given = written[i]->GetMesh()->GetMaterial(0);
                const RString name = BuildPrefixedName("", given->GetNameWithoutPrefix().Buffer());
                EXPECT_EQ(material->GetNameWithoutPrefix(), name) << what;
            }
            for (std::size_t j = 0; j < i; ++j) {
                const bool grey = meshes[i].material == nullptr && meshes[j].material == nullptr;
                const bool shared = !textured(i) && !textured(j) && (grey || owner[j] == owner[i]);
                EXPECT_EQ(read[j]->GetMesh()->GetMaterial(0) == material, shared) << what << " and " << meshes[j].name;
            }
        }
    }
}

}  // namespace
