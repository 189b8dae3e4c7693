#include "formats/3ds/toolkit/FtkNamedObject.h"
#include "tests/formats/3ds/FtkToolkitTest.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace ftk_test;

namespace {

using FtkEntityTest = FtkToolkitTest;

Bytes MeshFile(std::initializer_list<Bytes> meshData) {
    return Chunk(0x4D4D, {}, {Chunk(0x3D3D, {}, meshData)});
}

Bytes Named(const std::string& name, std::initializer_list<Bytes> children) { return Chunk(0x4000, Str(name), children); }

Bytes Percent(std::uint16_t id, std::int16_t value) { return Chunk(id, {}, {Chunk(0x0030, U16(static_cast<std::uint16_t>(value)))}); }

std::unique_ptr<FtkMaterial> ReadMaterial(const Bytes& file, std::uint32_t index = 0) {
    std::unique_ptr<FtkDatabase> database = Load(file);
    std::unique_ptr<FtkMaterial> material;
    FtkGetMaterialByIndex(database.get(), index, material);
    return material;
}

TEST_F(FtkEntityTest, MaterialChunksReadIntoTheRecord) {
    const Bytes file = MeshFile({Chunk(0xAFFF, {}, {
        Chunk(0xA000, Str("mat")),
        Chunk(0xA010, {}, {Chunk(0x0011, {255, 0, 51})}),
        Chunk(0xA020, {}, {Chunk(0x0011, {1, 2, 3}), Chunk(0x0012, {0, 255, 0})}),
        Chunk(0xA030, {}, {Chunk(0x0010, Cat({F32(0.25f), F32(0.5f), F32(0.75f)})), Chunk(0x0013, Cat({F32(0.1f), F32(0.2f), F32(0.3f)}))}),
        Chunk(0xA040, {}, {Chunk(0x0031, F32(0.5f))}),
        Chunk(0xA08A, {}),
        Percent(0xA052, 40),
        Chunk(0xA100, U16(1)),
        Chunk(0xA081, {}),
        Chunk(0x8000, {}, {Chunk(0x8001, {})}),
        Chunk(0xA200, {}, {Chunk(0x0030, U16(75)), Chunk(0xA300, Str("tex.tga")),
                           Chunk(0xA351, U16(0x11)), Chunk(0xA35A, F32(0.5f))}),
        Chunk(0xA230, {}, {Chunk(0xA300, Str("b.tga")), Chunk(0x0030, U16(10)), Chunk(0xA252, U16(30))}),
        Chunk(0xA324, {4, 5}),
        Chunk(0xA310, Cat({Bytes{0, 0}, U16(9), U32(64), U32(3)})),
    })});
    std::unique_ptr<FtkMaterial> material = ReadMaterial(file);
    ASSERT_NE(material, nullptr);
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    EXPECT_STREQ(material->name, "mat");
    EXPECT_EQ(material->ambient.r, 1.0f);
    EXPECT_FLOAT_EQ(material->ambient.b, 0.2f);
    EXPECT_EQ(material->diffuse.g, 1.0f);  // the gamma-corrected colour wins
    EXPECT_EQ(material->diffuse.r, 0.0f);
    EXPECT_EQ(material->specular.g, 0.2f);  // float forms are read too, the linear one winning
    EXPECT_EQ(material->shininess, 0.5f);   // 0x0031 is taken unchanged
    EXPECT_FLOAT_EQ(material->transFalloff, -0.40f);
    EXPECT_EQ(material->shading, 1);
    EXPECT_EQ(material->twoSided, 1);
    const FtkTextureMap& texture = material->maps[kFtkTextureMap];
    EXPECT_STREQ(texture.name, "tex.tga");
    EXPECT_FLOAT_EQ(texture.percent, 0.75f);
    EXPECT_EQ(texture.tiling, 2);
    EXPECT_EQ(texture.vOffset, 0.5f);
    EXPECT_FLOAT_EQ(material->maps[kFtkBumpMap].percent, 0.30f);  // 0xA252 after the sub-chunks
    EXPECT_EQ(material->maps[kFtkBumpMap].procData, (std::vector<std::uint8_t>{4, 5}));
    EXPECT_EQ(material->autoReflection.useAuto, 1);
    EXPECT_EQ(material->autoReflection.flagBit3, 1);
    EXPECT_EQ(material->autoReflection.flagBit4, 0);
    EXPECT_EQ(material->autoReflection.size, 64);
}

TEST_F(FtkEntityTest, MaterialFaultsAreRecorded) {
    ReadMaterial(MeshFile({Chunk(0xAFFF, {}, {Chunk(0xA000, Str("m")), Chunk(0xA010, {})})}));
    EXPECT_TRUE(FtkHasErrorCode(ERR_UNFOUND_CHUNK));
    ResetToolkit();
    ReadMaterial(MeshFile({Chunk(0xAFFF, {}, {Chunk(0xA000, Str("m")), Chunk(0x1234, {})})}));
    EXPECT_EQ(ErrorCodes(), "");  // a chunk of another program's is no fault
    ResetToolkit();
    ReadMaterial(MeshFile({Chunk(0xAFFF, {}, {Chunk(0xA000, Str("m")), Chunk(0xA100, {1})})}));
    EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_CHUNK));  // data shorter than its field
}

TEST_F(FtkEntityTest, MaterialChunksOfOtherProgramsAreReadPastAndSavedAsTheyCame) {
    const Bytes foreign = Chunk(0xA0F7, {9, 8, 7, 6, 5});
    const Bytes file = MeshFile({Chunk(0xAFFF, {}, {Chunk(0xA000, Str("m")), foreign,
                                                    Chunk(0xA020, {}, {Chunk(0x0011, {255, 0, 0})})})});
    std::unique_ptr<FtkDatabase> database = Load(file);
    std::unique_ptr<FtkMaterial> material;
    ASSERT_TRUE(FtkGetMaterialByIndex(database.get(), 0, material));
    EXPECT_EQ(ErrorCodes(), "");
    EXPECT_STREQ(material->name, "m");
    EXPECT_FLOAT_EQ(material->diffuse.r, 1.0f);  // the children after it are read too
    const Bytes saved = Save(database.get());
    EXPECT_NE(std::search(saved.begin(), saved.end(), foreign.begin(), foreign.end()), saved.end());
}

TEST_F(FtkEntityTest, MaterialPutWritesWhatAGetReadsBack) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkMaterial> material;
    FtkInitMaterial(material);
    FtkCopyName(material->name, "stone");
    material->diffuse = FtkColor{0.5f, 1.0f, 0.0f};
    material->transFalloff = -0.40f;
    material->transparency = 0.25f;
    material->shininess = 0.257f;  // 25.7 %: truncated, far from a whole percent
    material->useWire = 1;
    FtkTextureMap& texture = material->maps[kFtkTextureMap];
    FtkCopyName(texture.name, "t.tga");
    texture.tiling = 2;
    texture.vOffset = 0.5f;
    texture.tintSource = 2;
    texture.tint2 = FtkColor{0.0f, 0.0f, 1.0f};
    FtkTextureMap& opacity = material->maps[kFtkOpacityMap];
    FtkCopyName(opacity.name, "o.tga");
    FtkPutMaterial(database.get(), material.get());
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();

    FtkChunk* entry = FtkFindMaterial(database.get(), "stone");
    ASSERT_NE(entry, nullptr);
    FtkChunk* falloff = FtkFindChild(entry, 0xA052);
    EXPECT_EQ(FtkChunkReader(FtkFindChild(falloff, 0x0030)).Short(), 40);
    EXPECT_EQ(falloff->next->id, 0xA08Au);
    EXPECT_EQ(FtkChunkReader(FtkFindChild(FtkFindChild(entry, 0xA040), 0x0030)).Short(), 25);
    FtkChunk* textureChunk = FtkFindChild(entry, 0xA200);
    EXPECT_EQ(FtkChunkReader(FtkFindChild(textureChunk, 0xA351)).Word(), 0x11 | 0x80);  // decal, two-colour tint
    EXPECT_NE(FtkFindChild(textureChunk, 0xA358), nullptr);
    EXPECT_EQ(FtkFindChild(FtkFindChild(entry, 0xA210), 0xA358), nullptr);  // offsets (0, 0) are not written
    EXPECT_EQ(FtkFindChild(entry, 0xA220), nullptr);

    std::unique_ptr<FtkMaterial> read = ReadMaterial(Save(database.get()));
    ASSERT_NE(read, nullptr) << ErrorCodes();
    EXPECT_STREQ(read->name, "stone");
    EXPECT_FLOAT_EQ(read->diffuse.r, 127.0f / 255.0f);  // 127.5 truncated
    EXPECT_FLOAT_EQ(read->transFalloff, -0.40f);
    EXPECT_FLOAT_EQ(read->transparency, 0.25f);
    EXPECT_EQ(read->shading, 0);  // the wire switch reads as wire shading
    EXPECT_EQ(read->maps[kFtkTextureMap].tiling, 2);
    EXPECT_EQ(read->maps[kFtkTextureMap].tintSource, 2);
    EXPECT_EQ(read->maps[kFtkTextureMap].tint2.b, 1.0f);
    EXPECT_EQ(read->maps[kFtkTextureMap].vOffset, 0.5f);
    EXPECT_STREQ(read->maps[kFtkOpacityMap].name, "o.tga");
}

TEST_F(FtkEntityTest, APutReplacesTheEntityOfItsNameAndKeepsItsExtendedData) {
    const Bytes file = MeshFile({
        Chunk(0xAFFF, {}, {Chunk(0xA000, Str("m")), Chunk(0x8000, {}, {Chunk(0x8009, {1, 2})})}),
        Named("cam", {Chunk(0x4700, Bytes(32, 0), {Chunk(0x8000, {}, {Chunk(0x8005, {7})})})}),
        Named("other", {Chunk(0x4600, Bytes(12, 0))}),
    });
    std::unique_ptr<FtkDatabase> database = Load(file);
    std::unique_ptr<FtkCamera> camera;
    FtkInitCamera(camera);
    FtkCopyName(camera->name, "cam");
    camera->fov = 45.0f;
    FtkPutCamera(database.get(), camera.get());
    std::unique_ptr<FtkMaterial> material;
    FtkInitMaterial(material);
    FtkCopyName(material->name, "m");
    FtkPutMaterial(database.get(), material.get());
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();

    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    FtkChunk* meshData = FtkFindChunk(loaded->topchunk.get(), 0x3D3D);
    EXPECT_EQ(ChildIds(meshData), (std::vector<std::uint32_t>{0x3D3E, 0xAFFF, 0x4000, 0x4000}));
    FtkChunk* cameraChunk = FtkFindChunk(FtkFindNamedObject(loaded.get(), "cam"), 0x4700);
    ASSERT_NE(cameraChunk, nullptr);
    EXPECT_EQ(ChildIds(cameraChunk), (std::vector<std::uint32_t>{0x4720, 0x8000}));
    EXPECT_EQ(FtkChunkReader(FtkFindChunk(cameraChunk, 0x8005)).Byte(), 7);
    FtkByteReader cameraData = FtkChunkReader(cameraChunk);
    cameraData.Skip(28);
    EXPECT_FLOAT_EQ(cameraData.Float(), 53.333332f);
    FtkChunk* entry = FtkFindMaterial(loaded.get(), "m");
    EXPECT_EQ(FtkChunkReader(FtkFindChunk(entry, 0x8009)).Word(), 0x0201);
    EXPECT_EQ(entry->children->id, 0xA000u);
}

// The names of the object or material list, brought up to date first.
std::vector<std::string> ObjectNames(FtkDatabase* database) {
    FtkUpdateObjectList(database);
    std::vector<std::string> names;
    for (const FtkNameEntry& entry : database->objectList->entries) names.push_back(entry.name);
    return names;
}

std::vector<std::string> MaterialNames(FtkDatabase* database) {
    FtkUpdateMaterialList(database);
    std::vector<std::string> names;
    for (const FtkNameEntry& entry : database->materialList->entries) names.push_back(entry.name);
    return names;
}

void PutCamera(FtkDatabase* database, const char* name) {
    std::unique_ptr<FtkCamera> camera;
    FtkInitCamera(camera);
    FtkCopyName(camera->name, name);
    FtkPutCamera(database, camera.get());
}

void PutNamedMaterial(FtkDatabase* database, const char* name) {
    std::unique_ptr<FtkMaterial> material;
    FtkInitMaterial(material);
    FtkCopyName(material->name, name);
    FtkPutMaterial(database, material.get());
}

TEST_F(FtkEntityTest, NameListsAfterPutsAreWhatARebuildGives) {
    // Two namesakes, names differing in case only, and a chunk of lower order between entries.
    const Bytes file = MeshFile({
        Chunk(0xAFFF, {}, {Chunk(0xA000, Str("m"))}),
        Chunk(0xAFFF, {}, {Chunk(0xA000, Str("m"))}),
        Named("dup", {Chunk(0x4600, Bytes(12, 0))}),
        Named("Box", {Chunk(0x4600, Bytes(12, 0))}),
        Named("dup", {Chunk(0x4600, Bytes(12, 0))}),
        Chunk(0x4010, {}),
        Named("late", {Chunk(0x4600, Bytes(12, 0))}),
    });
    std::unique_ptr<FtkDatabase> database = Load(file);
    FtkChunk* firstDup = FtkFindNamedObject(database.get(), "dup");
    ASSERT_NE(firstDup, nullptr);
    EXPECT_EQ(FtkChunkReader(firstDup->next.get()).RestAsString(), "Box");  // the first of the two
    EXPECT_EQ(FtkFindNamedObject(database.get(), "box"), nullptr);
    FtkChunk* firstM = FtkFindMaterial(database.get(), "m");
    EXPECT_EQ(firstM, FtkMaterialByIndex(database.get(), 0));

    // A put of a namesake refills the first in place; the list keeps both; kinds follow the refill.
    EXPECT_EQ(FtkOmniLightCount(database.get()), 4u);
    PutCamera(database.get(), "dup");
    EXPECT_EQ(FtkFindNamedObject(database.get(), "dup"), firstDup);
    EXPECT_EQ(FtkOmniLightCount(database.get()), 3u);
    EXPECT_EQ(FtkCameraCount(database.get()), 1u);
    PutNamedMaterial(database.get(), "m");
    EXPECT_EQ(FtkFindMaterial(database.get(), "m"), firstM);
    EXPECT_EQ(FtkMaterialCount(database.get()), 2u);

    // New objects land before the lower-order chunk, so between entries of the list.
    PutCamera(database.get(), "new");
    PutCamera(database.get(), "box");
    PutNamedMaterial(database.get(), "n");
    PutNamedMaterial(database.get(), "o");
    const std::vector<std::string> objects = ObjectNames(database.get());
    const std::vector<std::string> materials = MaterialNames(database.get());
    EXPECT_EQ(objects, (std::vector<std::string>{"dup", "Box", "dup", "new", "box", "late"}));
    EXPECT_EQ(materials, (std::vector<std::string>{"m", "m", "n", "o"}));
    EXPECT_EQ(FtkCameraCount(database.get()), 3u);
    FtkChunk* box = FtkFindNamedObject(database.get(), "box");
    EXPECT_NE(box, nullptr);
    EXPECT_NE(box, FtkFindNamedObject(database.get(), "Box"));
    EXPECT_EQ(FtkChunkReader(FtkMaterialByIndex(database.get(), 3)->children.get()).RestAsString(), "o");

    // The same lists as a rebuild from the tree.
    FtkMarkObjectListDirty(database.get());
    FtkMarkMaterialListDirty(database.get());
    EXPECT_EQ(ObjectNames(database.get()), objects);
    EXPECT_EQ(MaterialNames(database.get()), materials);
    EXPECT_EQ(FtkFindNamedObject(database.get(), "box"), box);
}

TEST_F(FtkEntityTest, PutsOnANewDatabaseFindWhatTheyPut) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    const char* names[] = {"a", "b", "c", "b"};
    for (const char* name : names) {
        PutCamera(database.get(), name);
        PutNamedMaterial(database.get(), name);
    }
    EXPECT_EQ(ObjectNames(database.get()), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(FtkMaterialCount(database.get()), 3u);
    EXPECT_EQ(FtkCameraCount(database.get()), 3u);
    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    std::unique_ptr<FtkCamera> camera;
    ASSERT_TRUE(FtkGetCameraByIndex(loaded.get(), 2, camera));
    EXPECT_STREQ(camera->name, "c");
    EXPECT_EQ(FtkChunkReader(FtkFindMaterial(loaded.get(), "c")->children.get()).RestAsString(), "c");
}

TEST_F(FtkEntityTest, CamerasConvertLensAndFieldOfViewWithoutDividingByZero) {
    const Bytes file = MeshFile({
        Named("fifty", {Chunk(0x4700, Cat({Bytes(28, 0), F32(50.0f)}), {Chunk(0x4710, {}), Chunk(0x4720, Cat({F32(1), F32(2)}))})}),
        Named("zero", {Chunk(0x4700, Cat({Bytes(28, 0), F32(0.0f)}))}),
        Named("light", {Chunk(0x4600, Bytes(12, 0))}),
    });
    std::unique_ptr<FtkDatabase> database = Load(file);
    EXPECT_EQ(FtkCameraCount(database.get()), 2u);
    std::unique_ptr<FtkCamera> camera;
    ASSERT_TRUE(FtkGetCameraByIndex(database.get(), 0, camera));
    EXPECT_EQ(camera->fov, 48.0f);
    EXPECT_EQ(camera->showCone, 1);
    EXPECT_EQ(camera->farRange, 2.0f);
    ASSERT_TRUE(FtkGetCameraByIndex(database.get(), 1, camera));
    EXPECT_STREQ(camera->name, "zero");
    EXPECT_EQ(camera->fov, kFtkDefaultFov);
    EXPECT_FALSE(FtkGetCameraByIndex(database.get(), 2, camera));
    EXPECT_STREQ(camera->name, "zero");  // past the last: untouched
    EXPECT_FLOAT_EQ(FtkFovToLens(45.0f), 53.333332f);
    EXPECT_FLOAT_EQ(FtkFovToLens(0.0f), 53.333332f);
    EXPECT_EQ(FtkLensToFov(-3.0f), kFtkDefaultFov);

    std::unique_ptr<FtkDatabase> project = NewDatabase(kFtkProjectFile);
    FtkPutCamera(project.get(), camera.get());
    EXPECT_TRUE(FtkHasErrorCode(ERR_WRONG_DATABASE));
}

TEST_F(FtkEntityTest, LightsAndSpotlights) {
    const Bytes spot = Chunk(0x4610, Cat({F32(1), F32(2), F32(3), F32(20), F32(30)}), {
        Chunk(0x4640, {}), Chunk(0x4641, Cat({F32(0.5f), F32(4.0f), U16(256)})), Chunk(0x4653, Str("p")),
    });
    const Bytes file = MeshFile({
        Named("spot", {Chunk(0x4600, Cat({F32(1), F32(1), F32(1)}), {spot})}),
        Named("omni", {Chunk(0x4600, Cat({F32(4), F32(5), F32(6)}), {
            Chunk(0x0011, {255, 0, 0}), Chunk(0x4620, {}), Chunk(0x4654, Str("box")), Chunk(0x4654, Str("cone")),
        })}),
    });
    std::unique_ptr<FtkDatabase> database = Load(file);
    EXPECT_EQ(FtkOmniLightCount(database.get()), 1u);
    EXPECT_EQ(FtkSpotLightCount(database.get()), 1u);
    std::unique_ptr<FtkLight> light;
    ASSERT_TRUE(FtkGetOmniLightByIndex(database.get(), 0, light));
    EXPECT_STREQ(light->name, "omni");  // the spot light is not reached
    EXPECT_EQ(light->color.r, 1.0f);
    EXPECT_EQ(light->off, 1);
    EXPECT_EQ(light->exclude->items, (std::vector<std::string>{"box", "cone"}));
    EXPECT_EQ(light->spot, nullptr);
    ASSERT_TRUE(FtkGetSpotLightByIndex(database.get(), 0, light));
    ASSERT_NE(light->spot, nullptr);
    EXPECT_EQ(light->spot->castShadows, 1);
    EXPECT_EQ(light->spot->localShadow, 1);
    EXPECT_EQ(light->spot->mapSize, 256);
    EXPECT_EQ(light->spot->filter, 4.0f);
    EXPECT_EQ(light->spot->falloff, 30.0f);
    EXPECT_EQ(light->spot->projectorName, "p");
    EXPECT_TRUE(light->exclude->items.empty());

    // A spot light put and read again.
    light->spot->aspect = 2.0f;
    light->spot->coneType = 1;
    FtkCopyName(light->name, "copy");
    FtkPutLight(database.get(), light.get());
    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    std::unique_ptr<FtkLight> read;
    ASSERT_TRUE(FtkGetSpotLightByIndex(loaded.get(), 1, read));
    EXPECT_STREQ(read->name, "copy");
    EXPECT_EQ(read->spot->aspect, 2.0f);
    EXPECT_EQ(read->spot->coneType, 1);
    EXPECT_EQ(read->spot->bias, 0.5f);
    EXPECT_EQ(read->spot->useProjector, 1);
}

TEST_F(FtkEntityTest, MeshesRoundTripAndCountsAreBoundedByTheirChunks) {
    std::unique_ptr<FtkDatabase> database = NewDatabase(kFtkMeshFile);
    std::unique_ptr<FtkMeshObject> mesh;
    FtkInitMeshObject(mesh, 3, 1, kFtkMeshTexVerts | kFtkMeshSmoothGroups);
    FtkCopyName(mesh->name, "tri");
    mesh->vertices[2] = FtkPoint{1, 2, 3};
    mesh->texVerts[1] = FtkTexVert{0.5f, 0.25f};
    mesh->smoothGroups[0] = 0x80000001u;
    mesh->materialCount = 1;
    FtkAllocMeshArrays(mesh.get(), kFtkMeshMaterials);
    FtkCopyName(mesh->materials[0].name, "stone");
    FtkAllocMaterialGroupFaces(mesh.get(), 0, 1);
    mesh->frozen = 1;
    mesh->matte = 1;
    mesh->localMatrix[11] = 9.0f;
    FtkPutMeshObject(database.get(), mesh.get());
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    EXPECT_EQ(ChildIds(FtkFindNamedObject(database.get(), "tri")), (std::vector<std::uint32_t>{0x4100, 0x4013, 0x4016}));

    std::unique_ptr<FtkDatabase> loaded = Load(Save(database.get()));
    std::unique_ptr<FtkMeshObject> read;
    ASSERT_TRUE(FtkGetMeshByIndex(loaded.get(), 0, read)) << ErrorCodes();
    EXPECT_EQ(read->vertexCount, 3);
    EXPECT_EQ(read->vertices[2].z, 3.0f);
    EXPECT_EQ(read->texVerts[1].v, 0.25f);
    EXPECT_EQ(read->faceCount, 1);
    EXPECT_EQ(read->faces[0].v3, 2);
    EXPECT_EQ(read->smoothGroups[0], 0x80000001u);
    ASSERT_EQ(read->materialCount, 1);
    EXPECT_STREQ(read->materials[0].name, "stone");
    EXPECT_EQ(read->materials[0].faceIndices, (std::vector<std::uint16_t>{0}));
    EXPECT_EQ(read->frozen, 1);
    EXPECT_EQ(read->matte, 1);
    EXPECT_EQ(read->hidden, 0);
    EXPECT_EQ(read->localMatrix[11], 9.0f);

    const Bytes tooMany[] = {
        MeshFile({Named("a", {Chunk(0x4100, {}, {Chunk(0x4110, Cat({U16(50000), Bytes(12, 0)}))})})}),
        MeshFile({Named("b", {Chunk(0x4100, {}, {Chunk(0x4140, Cat({U16(2), Bytes(8, 0)}))})})}),
        MeshFile({Named("c", {Chunk(0x4100, {}, {Chunk(0x4120, Cat({U16(2), Bytes(16, 0)}), {Chunk(0x4150, U32(1))})})})}),
        MeshFile({Named("d", {Chunk(0x4100, {}, {Chunk(0x4120, Cat({U16(1), Bytes(8, 0)}), {Chunk(0x4130, Cat({Str("m"), U16(9), U16(0)}))})})})}),
    };
    for (const Bytes& file : tooMany) {
        ResetToolkit();
        std::unique_ptr<FtkDatabase> damaged = Load(file);
        ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
        EXPECT_FALSE(FtkGetMeshByIndex(damaged.get(), 0, read));
        EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_CHUNK));
    }
    ResetToolkit();
    mesh->vertexCount = 10;  // more than the three vertices held
    FtkPutMeshObject(database.get(), mesh.get());
    EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_DATA));
}

TEST_F(FtkEntityTest, MeshRecordStorageInitialisesEveryElement) {
    std::unique_ptr<FtkMeshObject> mesh;
    FtkInitMeshObject(mesh, 8, 12, 0);
    ASSERT_EQ(mesh->vertices.size(), 8u);
    EXPECT_EQ(mesh->vertices[7].x, 0.0f);
    ASSERT_EQ(mesh->faces.size(), 12u);
    EXPECT_EQ(mesh->faces[11].v2, 1);
    EXPECT_EQ(mesh->faces[11].v3, 2);
    EXPECT_TRUE(mesh->texVerts.empty());
    EXPECT_TRUE(mesh->vertexFlags.empty());
    EXPECT_TRUE(mesh->smoothGroups.empty());
    EXPECT_EQ(mesh->mapInfo.matrix[4], 1.0f);
    EXPECT_EQ(mesh->mapInfo.scale, 1.0f);

    mesh->faces[3] = FtkFace{7, 8, 9, 1};
    mesh->faceCount = 20;
    FtkAllocMeshArrays(mesh.get(), kFtkMeshFaces | kFtkMeshSmoothGroups);
    ASSERT_EQ(mesh->faces.size(), 20u);
    EXPECT_EQ(mesh->faces[3].v1, 7);           // kept
    EXPECT_EQ(mesh->faces[19].v3, 2);          // new faces start as {0, 1, 2, 0}
    EXPECT_EQ(mesh->smoothGroups.size(), 20u);
    EXPECT_EQ(mesh->smoothGroups[19], 0u);

    FtkInitMeshObject(mesh, 4, 2, kFtkMeshTexVerts | kFtkMeshVertexFlags);
    EXPECT_EQ(mesh->texVertCount, 4);
    EXPECT_EQ(mesh->vertexFlags.size(), 4u);
    mesh->texVertCount = 0;
    FtkAllocMeshArrays(mesh.get(), kFtkMeshTexVerts);
    EXPECT_TRUE(mesh->texVerts.empty());

    FtkAllocMaterialGroupFaces(mesh.get(), 0, 3);
    EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_DATA));  // no material groups
    FtkClearErrors();
    FtkAllocMaterialGroupFaces(mesh.get(), 0, 0);
    EXPECT_TRUE(FtkHasErrorCode(ERR_INVALID_ARG));
    FtkReleaseMeshObject(mesh);
    EXPECT_EQ(mesh, nullptr);
}

}  // namespace

namespace {

TEST_F(FtkEntityTest, ARichSceneReadsBackWhatWasPut) {
    std::unique_ptr<FtkDatabase> database = Load(RichScene());
    ASSERT_FALSE(ftkErrorPending) << ErrorCodes();
    std::unique_ptr<FtkMeshObject> mesh;
    ASSERT_TRUE(FtkGetMeshByIndex(database.get(), 0, mesh));
    EXPECT_EQ(mesh->useMapInfo, 1);
    EXPECT_EQ(mesh->mapInfo.tileY, 1.0f);
    EXPECT_EQ(mesh->useBoxMap, 1);
    EXPECT_EQ(mesh->hidden, 1);
    EXPECT_EQ(mesh->vertexFlags.size(), 4u);
    EXPECT_EQ(mesh->texVertCount, 4);
    EXPECT_EQ(mesh->faces[1].flag, 7);
    EXPECT_EQ(mesh->smoothGroups, (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(mesh->vertices[3].y, 6.0f);
    std::unique_ptr<FtkMaterial> material;
    ASSERT_TRUE(FtkGetMaterialByIndex(database.get(), 1, material));
    EXPECT_STREQ(material->name, "Blue");
    EXPECT_EQ(material->maps[kFtkBumpMap].procData, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(material->maps[kFtkTextureMap].tintSource, 4);
    EXPECT_EQ(material->autoReflection.useAuto, 1);
    EXPECT_FLOAT_EQ(material->transFalloff, -0.25f);
    std::unique_ptr<FtkLight> light;
    ASSERT_TRUE(FtkGetOmniLightByIndex(database.get(), 0, light));
    EXPECT_EQ(light->exclude->items, (std::vector<std::string>{"box"}));
    EXPECT_FLOAT_EQ(light->color.g, 0.708852f);
    std::unique_ptr<FtkMeshSettings> settings;
    FtkInitMeshSettings(settings);
    FtkGetMeshSettings(database.get(), settings.get());
    EXPECT_EQ(settings->masterScale, 2.0f);
    std::unique_ptr<FtkBackground> background;
    FtkInitBackground(background);
    FtkGetBackground(database.get(), background.get());
    EXPECT_EQ(background->bitmap, "sky.tga");
    EXPECT_EQ(background->active, kFtkGradientBackground);
    std::unique_ptr<FtkObjectMotion> object;
    ASSERT_TRUE(FtkGetObjectMotionByIndex(database.get(), 0, object));
    EXPECT_STREQ(object->morph.values.at(0).name, "box");
    EXPECT_EQ(object->hide.keyCount, 1u);
    EXPECT_EQ(object->position.keys.at(1).time, 0u);
    std::unique_ptr<FtkOmniMotion> omni;
    ASSERT_TRUE(FtkGetOmniMotionByIndex(database.get(), 0, omni));
    EXPECT_EQ(omni->color.values.at(1).b, 1.0f);
    EXPECT_FALSE(ftkErrorPending) << ErrorCodes();
}

}  // namespace
