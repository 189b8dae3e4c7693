#include "attributes/RWyxNurb.h"
#include "core/RWyxColor.h"
#include "formats/3ds/Writer3dsKeyframer.h"
#include "formats/3ds/Writer3dsMaterial.h"
#include "formats/3ds/toolkit/FtkKeyframer.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "tests/formats/3ds/Scene3dsTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

using namespace scene3ds_test;
using namespace ftk_test;

namespace {

using RWyxWriter3dsTest = Scene3dsTest;

std::unique_ptr<FtkMeshObject> MeshOf(FtkDatabase* db, std::uint32_t index = 0) {
    std::unique_ptr<FtkMeshObject> mesh;
    EXPECT_TRUE(FtkGetMeshByIndex(db, index, mesh)) << ErrorCodes();
    return mesh;
}

std::unique_ptr<FtkObjectMotion> MotionOf(FtkDatabase* db, std::uint32_t index = 0) {
    std::unique_ptr<FtkObjectMotion> motion;
    EXPECT_TRUE(FtkGetObjectMotionByIndex(db, index, motion)) << ErrorCodes();
    return motion;
}

std::unique_ptr<FtkMaterial> MaterialOf(FtkDatabase* db, std::uint32_t index = 0) {
    std::unique_ptr<FtkMaterial> material;
    EXPECT_TRUE(FtkGetMaterialByIndex(db, index, material)) << ErrorCodes();
    return material;
}

float MasterScale(FtkDatabase* db) {
    std::unique_ptr<FtkMeshSettings> settings;
    FtkInitMeshSettings(settings);
    FtkGetMeshSettings(db, settings.get());
    return settings->masterScale;
}

const std::vector<RVector4> kSquare = {{0, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0}, {0, 1, 0, 0}, {0.5, 1.5, 0, 0}};

TEST_F(RWyxWriter3dsTest, NamesAreShortenedApartAndPolygonsSplitZigZag) {
    AddNode("LongNameA", QuadMesh(kSquare, {{0, 1, 2, 3}}));
    AddNode("LongNameB", QuadMesh(kSquare, {{0, 1, 2, 4, 3}}));
    AddNode("LongNameC", QuadMesh(kSquare, {{0, 1, 2}, {0, 7, 1}}));  // a corner outside is left out
    std::unique_ptr<FtkDatabase> db = LoadFile(Write());
    ASSERT_EQ(FtkMeshCount(db.get()), 3u);
    std::unique_ptr<FtkMeshObject> quad = MeshOf(db.get(), 0);
    std::unique_ptr<FtkMeshObject> pentagon = MeshOf(db.get(), 1);
    EXPECT_STREQ(quad->name, "LongNam");
    EXPECT_STREQ(pentagon->name, "LongNam1");
    EXPECT_STREQ(MeshOf(db.get(), 2)->name, "LongNam2");
    ASSERT_EQ(quad->faceCount, 2);
    EXPECT_EQ(quad->faces[1].v1, 2);
    EXPECT_EQ(quad->faces[1].v2, 3);
    EXPECT_EQ(quad->faces[1].v3, 0);
    EXPECT_EQ(quad->faces[0].flag, 7);
    ASSERT_EQ(pentagon->faceCount, 3);
    EXPECT_EQ(pentagon->faces[2].v1, 0);  // (0, 3, n-1): corners 0, 4 and 3
    EXPECT_EQ(pentagon->faces[2].v2, 4);
    EXPECT_EQ(pentagon->faces[2].v3, 3);
    EXPECT_EQ(MeshOf(db.get(), 2)->faceCount, 1);
    // The file is Z-up: scene (1, 1, 0) is written as (1, 0, 1).
    EXPECT_FLOAT_EQ(quad->vertices[2].y, 0.0f);
    EXPECT_FLOAT_EQ(quad->vertices[2].z, 1.0f);
}

TEST_F(RWyxWriter3dsTest, TheReferenceNodeSetsTheMasterScaleAndIsNeverWritten) {
    RWyxNode* reference = AddNode("Wyx_Root");
    reference->SetDefaultScaling(RVector4(2.54, 2.54, 2.54, 0));
    AddNode("Box", QuadMesh(kSquare, {{0, 1, 2, 3}}), reference);
    std::unique_ptr<FtkDatabase> db = LoadFile(Write());
    EXPECT_FLOAT_EQ(MasterScale(db.get()), 1.0f);
    EXPECT_EQ(FtkObjectNodeCount(db.get()), 1u);  // the box alone
    EXPECT_STREQ(MotionOf(db.get())->parent, "");
    db = LoadFile(Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
    EXPECT_FLOAT_EQ(MasterScale(db.get()), 1.0f);
    // With the reference dummy the scene root is written as "$$$DUMMY" and is the parent.
    db = LoadFile(Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kCreateReferenceNode, 1); })));
    ASSERT_EQ(FtkObjectNodeCount(db.get()), 2u);
    std::unique_ptr<FtkObjectMotion> root = MotionOf(db.get(), 0);
    EXPECT_STREQ(root->name, "$$$DUMMY");
    EXPECT_STREQ(root->instance, "RootNod");
    EXPECT_FLOAT_EQ(root->boundMax.x, 0.5f);
    EXPECT_STREQ(MotionOf(db.get(), 1)->parent, "$$$DUMMY.RootNod");
}

TEST_F(RWyxWriter3dsTest, TracksAreBakedPerFrameFromZeroToTheLastKey) {
    RWyxNode* node = AddNode("Mover", QuadMesh(kSquare, {{0, 1, 2, 3}}));
    RWyxTakeNode* take = node->GetCurrentTakeNode();
    SetKeys(take->GetTranslationXCurve(), {{0, 0.0f}, {60, 6.0f}});
    SetKeys(take->GetScalingXCurve(), {{0, 1.0f}, {60, 0.0f}});
    SetKeys(take->GetScalingYCurve(), {{0, 1.0f}, {60, 0.0f}});
    SetKeys(take->GetScalingZCurve(), {{0, 1.0f}, {60, 0.0f}});
    SetKeys(take->GetRotationYCurve(), {{0, 30.0f}, {60, 30.0f}});
    std::unique_ptr<FtkDatabase> db = LoadFile(Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
    std::unique_ptr<FtkObjectMotion> motion = MotionOf(db.get());
    ASSERT_EQ(motion->position.keyCount, 61u);  // 2 seconds: frames 0 to 60
    SetKeys(take->GetScalingYCurve(), {{0, 3.0f}});
    db = LoadFile(Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
    EXPECT_FLOAT_EQ(MotionOf(db.get())->scale.values[60].z, 3.0f);  // scene Y is file Z
    EXPECT_FLOAT_EQ(MotionOf(db.get())->scale.values[60].x, 0.0f);
    EXPECT_EQ(motion->position.keys[60].time, 60u);
    EXPECT_EQ(motion->position.keys[60].rflags, 7);
    EXPECT_NEAR(motion->position.values[60].x, 6.0f, 1e-4);
    EXPECT_FLOAT_EQ(motion->scale.values[60].x, 0.0f);  // a zero scaling is written as it is
    // The rotation does not change after the first key: angle 0 about x = -1, never NaN.
    EXPECT_NEAR(motion->rotation.values[0].angle, -30.0f * static_cast<float>(M_PI) / 180.0f, 1e-5);
    for (std::uint32_t k = 1; k < motion->rotation.keyCount; ++k) {
        EXPECT_EQ(motion->rotation.values[k].angle, 0.0f) << k;
        EXPECT_EQ(motion->rotation.values[k].x, -1.0f) << k;
    }
    FtkKeyframerHeader header;
    ASSERT_TRUE(FtkGetKeyframerHeader(FtkFindChunk(db->topchunk.get(), 0xB00A), header));
    EXPECT_EQ(header.animationLength, 60u);
}

TEST_F(RWyxWriter3dsTest, KeysBeforeTimeZeroGiveOneKeyAndNoKeysGiveTheDefaultLength) {
    RWyxNode* node = AddNode("Early", QuadMesh(kSquare, {{0, 1, 2, 3}}));
    SetKeys(node->GetCurrentTakeNode()->GetTranslationXCurve(), {{-20, 1.0f}, {-10, 2.0f}});
    std::unique_ptr<FtkDatabase> db = LoadFile(Write());
    EXPECT_EQ(MotionOf(db.get())->position.keyCount, 1u);
    node->GetCurrentTakeNode()->GetTranslationXCurve()->ClearKeys();
    db = LoadFile(Write());
    FtkKeyframerHeader header;
    ASSERT_TRUE(FtkGetKeyframerHeader(FtkFindChunk(db->topchunk.get(), 0xB00A), header));
    EXPECT_EQ(header.animationLength, 100u);
}

TEST_F(RWyxWriter3dsTest, RotationSamplesStayFiniteWhereRoundingPassesOne) {
    Channel3ds xyz[3];
    xyz[0].constant = 33.3f;
    xyz[1].constant = 77.7f;
    xyz[2].constant = -123.4f;
    FtkTrackGroup<FtkRotKey> track;
    track.keys.resize(50);
    track.values.resize(50);
    SampleRotationTrack(track, xyz, 50);
    for (const FtkRotKey& key : track.values) {
        EXPECT_TRUE(std::isfinite(key.angle) && std::isfinite(key.x) && std::isfinite(key.y) && std::isfinite(key.z));
    }
}

TEST_F(RWyxWriter3dsTest, AMeshTooLargeForTheFormatIsRefusedWithAClearError) {
    std::vector<RVector4> points(70000);
    RWyxMesh* mesh = QuadMesh(points, {{0, 1, 2}});
    AddNode("Huge\tMeshOfManyPoints", mesh);
    RWyxWriter3ds writer(&factory);
    ASSERT_TRUE(writer.CreateInMemory());
    EXPECT_FALSE(writer.Write(scene, Options().get()));
    EXPECT_EQ(writer.GetLastErrorCode(), RWyxWriter::kErrorUnidentified);
    // Named whole, not by its short name, on one line.
    EXPECT_STREQ(writer.GetLastErrorString(), "Mesh \"Huge\\tMeshOfManyPoints\" has 70000 vertices and 1 triangles: "
                                              "a 3DS mesh holds at most 65535 of each");
    EXPECT_TRUE(writer.GetMemoryContents().empty());
}

TEST_F(RWyxWriter3dsTest, SmoothingGroupsFollowTheNormals) {
    // 20 separate flat triangles whose normals are their face normals.
    std::vector<RVector4> points;
    std::vector<std::vector<int>> polygons;
    for (int i = 0; i < 20; ++i) {
        points.insert(points.end(), {{0, 0, double(i), 0}, {1, 0, double(i), 0}, {0, 1, double(i), 0}});
        polygons.push_back({3 * i, 3 * i + 1, 3 * i + 2});
    }
    RWyxMesh* flat = QuadMesh(points, polygons);
    flat->InitNormals(flat->GetControlPointsCount());
    for (int i = 0; i < flat->GetControlPointsCount(); ++i) flat->GetNormals()[i].Set(0, 0, 1, 0);
    AddNode("Flat", flat);
    RWyxMesh* smooth = QuadMesh(kSquare, {{0, 1, 2, 3}});
    smooth->InitNormals(smooth->GetControlPointsCount());
    for (int i = 0; i < smooth->GetControlPointsCount(); ++i) smooth->GetNormals()[i].Set(0.6, 0, 0.8, 0);
    AddNode("Smooth", smooth);
    std::unique_ptr<FtkDatabase> db = LoadFile(Write());
    std::unique_ptr<FtkMeshObject> written = MeshOf(db.get(), 0);
    const std::uint32_t expected[20] = {4, 16, 64, 256, 1u << 10, 1u << 12, 1u << 14, 1u << 16, 1u << 18, 1u << 20,
                                        1u << 22, 1u << 24, 1u << 26, 1u << 28, 1u << 30, 2, 8, 32, 128, 512};
    for (int f = 0; f < 20; ++f) EXPECT_EQ(written->smoothGroups[f], expected[f]) << f;
    std::unique_ptr<FtkMeshObject> rounded = MeshOf(db.get(), 1);
    EXPECT_EQ(rounded->smoothGroups[0], 1u);
}

TEST_F(RWyxWriter3dsTest, MaterialsAndTexturesOfTheFaces) {
    ScratchFolder folder;
    const std::string image = folder.WriteFile("wood.bmp", "BM-bytes");
    const std::string longImage = folder.WriteFile("longtexturename.bmp", "BM");
    RWyxMaterial* red = factory.CreateMaterial("Red");
    red->SetSpecularColor(RWyxColor(1, 1, 1, 1));
    red->SetDiffuseColor(RWyxColor(1, 1, 1, 1));  // the glow is the diffuse colour times the share
    red->SetEmissiveColor(RWyxColor(0.3, 0.3, 0.3, 1));
    red->SetOpacity(0.25);
    RWyxMaterial* blue = factory.CreateMaterial("Blue");
    blue->SetDiffuseColor(RWyxColor(0.1, 0.2, 0.3, 1));
    blue->SetEmissiveColor(RWyxColor(0.5, 0.5, 0.5, 1));  // brighter than the diffuse: the whole of it
    blue->SetSpecularColor(RWyxColor(0.2, 0.4, 0.6, 1));  // as it is, at the strength read as full
    RWyxTexture* wood = factory.CreateTexture("wood");
    wood->SetFileName(RString(image.c_str()));
    wood->SetTranslationUV(0.5, 0.5);
    RWyxTexture* other = factory.CreateTexture("other");
    other->SetFileName(RString(longImage.c_str()));
    other->SetScalingUV(0.0, 2.0);
    RWyxMesh* mesh = QuadMesh(kSquare, {{0, 1, 2}, {0, 2, 3}, {1, 2, 3}});
    mesh->InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->AddMaterial(red, 0);
    mesh->AddMaterial(blue, 0);
    mesh->AddTexture(wood, 0);
    mesh->AddTexture(other, 0);
    const int materials[3] = {0, 7, 1};  // 7 is outside the table: held to the last material
    const int textures[3] = {0, 0, 1};
    for (int p = 0; p < 3; ++p) {
        mesh->GetMaterialIndices()[p] = materials[p];
        mesh->GetTextureIndices()[p] = textures[p];
    }
    AddNode("Box", mesh);
    RWyxWriter3ds writer(&factory);
    ASSERT_TRUE(writer.FileCreate(folder.Join("out.3ds").c_str()));
    ASSERT_TRUE(writer.Write(scene, Options().get())) << writer.GetLastErrorString();
    const std::string warnings = writer.GetMessageText().Buffer();
    EXPECT_NE(warnings.find("Texture name file: \"longtexturename.bmp\" is too long."), std::string::npos) << warnings;
    EXPECT_EQ(ScratchFolder::ReadFile(folder.Join("wood.bmp")), "BM-bytes");
    std::ifstream file(folder.Join("out.3ds"), std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::unique_ptr<FtkDatabase> db = LoadFile(bytes);
    std::unique_ptr<FtkMeshObject> written = MeshOf(db.get());
    ASSERT_EQ(written->materialCount, 3);  // (0, wood), (1, wood), (1, other)
    EXPECT_STREQ(written->materials[0].name, "1.Mat0Tex0");
    EXPECT_STREQ(written->materials[1].name, "1.Mat1Tex0");
    EXPECT_STREQ(written->materials[2].name, "1.Mat1Tex1");
    EXPECT_EQ(written->materials[1].faceIndices[0], 1);
    std::unique_ptr<FtkMaterial> first = MaterialOf(db.get(), 0);
    EXPECT_NEAR(first->shinStrength, 0.75f, 0.01f);
    EXPECT_NEAR(first->selfIllumPct, 0.3f, 0.01f);
    EXPECT_NEAR(first->transparency, 0.75f, 0.01f);
    EXPECT_STREQ(first->maps[kFtkTextureMap].name, "wood.bmp");
    EXPECT_FLOAT_EQ(first->maps[kFtkTextureMap].uOffset, -0.5f);
    EXPECT_FLOAT_EQ(first->maps[kFtkTextureMap].vOffset, 0.5f);
    std::unique_ptr<FtkMaterial> third = MaterialOf(db.get(), 2);
    EXPECT_STREQ(third->maps[kFtkTextureMap].name, "Tex1");
    EXPECT_FLOAT_EQ(third->selfIllumPct, 1.0f);
    EXPECT_FLOAT_EQ(third->shinStrength, 0.75f);
    EXPECT_NEAR(third->specular.b, 0.6f, 1.0f / 255);
    EXPECT_FLOAT_EQ(third->maps[kFtkTextureMap].uScale, 1.0f);  // a scale of 0 is written as 1
}

// A black diffuse colour has no brightness to take a share of: the self-illumination is the
// emissive colour's mean brightness.
TEST_F(RWyxWriter3dsTest, ABlackDiffuseMaterialGlowsWithTheMeanOfItsEmissiveColour) {
    RWyxMaterial* black = factory.CreateMaterial("Black");
    black->SetDiffuseColor(RWyxColor(0, 0, 0, 1));
    black->SetEmissiveColor(RWyxColor(0.1, 0.2, 0.6, 1));
    RWyxMesh* mesh = QuadMesh(kSquare, {{0, 1, 2}});
    mesh->InitMaterialIndices(RWyxMesh::kKindAllSame);
    mesh->AddMaterial(black, 0);
    AddNode("Box", mesh);
    const std::unique_ptr<FtkDatabase> db = LoadFile(Write());
    EXPECT_NEAR(MaterialOf(db.get())->selfIllumPct, 0.3f, 1e-6f);
}

TEST_F(RWyxWriter3dsTest, GeneratedNamesAreCutNeverEmptyAndSecondMapsTakeTheAlpha) {
    RWyxTexture* a = factory.CreateTexture("a");
    a->SetFileName("a.bmp");
    RWyxTexture* b = factory.CreateTexture("b");
    b->SetFileName("b.bmp");
    b->SetDefaultAlpha(0.8);
    b->SetBlendMode(1);
    RWyxTexture* sphere = factory.CreateTexture("s");
    sphere->SetFileName("s.bmp");
    sphere->SetMappingType(2);
    RWyxMesh* mesh = QuadMesh(kSquare, {{0, 1, 2}});
    mesh->AddMaterial(factory.CreateMaterial("Plain"), 0);
    mesh->AddTexture(a, 0);
    mesh->AddTexture(b, 0);
    mesh->AddTexture(sphere, 0);
    RWyxWriter3ds writer(&factory);
    for (int i = 0; i < 1000000; ++i) writer.NextMeshCounter();
    std::unique_ptr<FtkMaterial> both = BuildMaterial3ds(writer, *mesh, 0, 0, 1);
    EXPECT_STREQ(both->name, "1000000.Mat0T0T");
    EXPECT_FLOAT_EQ(both->maps[kFtkTexture2Map].percent, 0.4f);
    std::unique_ptr<FtkMaterial> ignored = BuildMaterial3ds(writer, *mesh, 0, 2, 3);
    EXPECT_STREQ(ignored->name, "Plain");  // a spherical map is no texture of the file
    EXPECT_EQ(ignored->maps[kFtkTextureMap].name[0], '\0');
    // A second texture alone is a record of the mesh's own, not the one of the plain material.
    std::unique_ptr<FtkMaterial> second = BuildMaterial3ds(writer, *mesh, 0, 2, 0);
    EXPECT_STREQ(second->name, "1000000.Mat0Tex");
    EXPECT_STREQ(second->maps[kFtkTextureMap].name, "a.bmp");
    // An alpha a reader would take for 0 % refuses a second map, not a first one.
    b->SetDefaultAlpha(std::nan(""));
    EXPECT_NE(BuildMaterial3ds(writer, *mesh, 0, 1, 3), nullptr);
    EXPECT_FALSE(writer.IsRefused());
    EXPECT_EQ(BuildMaterial3ds(writer, *mesh, 0, 0, 1), nullptr);
    EXPECT_STREQ(writer.GetLastErrorString(),
                 "The alpha of texture \"b\" lies beyond the real numbers a 3DS file holds");
}

TEST_F(RWyxWriter3dsTest, PlanarUVsOfAFlatExtentAndTheDefaultMaterial) {
    const std::vector<RVector4> line = {{0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 1, 0}};
    RWyxMesh* mesh = QuadMesh(line, {{0, 1, 2}});
    RWyxTexture* texture = factory.CreateTexture("t");
    texture->SetFileName("t.bmp");
    mesh->AddTexture(texture, 0);
    mesh->InitTextureUVMapping(RWyxMesh::kKindAllSame);
    AddNode("Line", mesh);
    std::unique_ptr<FtkDatabase> db = LoadFile(Write());
    std::unique_ptr<FtkMeshObject> written = MeshOf(db.get());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(written->texVerts[i].u, 0.0f) << i;  // every X the same: no extent to divide by
        EXPECT_FLOAT_EQ(written->texVerts[i].v, i * 0.5f) << i;
    }
    RWyxMaterial* grey = factory.FindMaterial("Default", 0);
    ASSERT_NE(grey, nullptr);
    EXPECT_NEAR(grey->GetDiffuseColor().GetRed(), 0.588, 1e-9);
}

TEST_F(RWyxWriter3dsTest, ExportingACameraLeavesItsFieldOfViewCurveAsItWas) {
    RWyxCamera* camera = factory.CreateCamera();
    RWyxNode* node = AddNode("Cam", camera);
    camera->SetApertureMode(RWyxCamera::kApertureVertical);
    camera->SetApertureWidth(1.0);
    camera->SetApertureHeight(1.0);
    camera->SetSqueezeRatio(1.0);
    RFCurve* fov = node->GetCurrentTakeNode()->GetFieldOfViewCurve();
    SetKeys(fov, {{0, 45.0f}, {10, 90.0f}});
    RWyxWriter3ds writer(&factory);
    ASSERT_TRUE(writer.CreateInMemory());
    std::unique_ptr<FtkCameraMotion> motion = BuildCameraMotion3ds(writer, node);
    writer.Write(scene, Options().get());
    writer.Write(scene, Options().get());
    EXPECT_FLOAT_EQ(fov->GetKey(0).GetValue(), 45.0f);
    EXPECT_FLOAT_EQ(fov->GetKey(1).GetValue(), 90.0f);
    ASSERT_NE(motion, nullptr);
    EXPECT_NEAR(motion->fov.values[0], 45.0f, 1e-3);  // a square film: horizontal = vertical
    EXPECT_NEAR(motion->fov.values[10], 90.0f, 1e-3);
}

TEST_F(RWyxWriter3dsTest, ACameraWithoutATargetAimsAlongItsXAxisWithItsRollCorrected) {
    RWyxNode* node = AddNode("Cam", factory.CreateCamera());
    node->SetDefaultRotation(RVector4(30, 0, 0, 0));
    node->SetDefaultTranslation(RVector4(1, 2, 3, 0));
    RWyxWriter3ds writer(&factory);
    std::unique_ptr<FtkCameraMotion> motion = BuildCameraMotion3ds(writer, node);
    ASSERT_NE(motion, nullptr);
    EXPECT_NEAR(motion->roll.values[0], -30.0f, 0.01f);
    // 10 along local +X (unturned by a turn about X), then into the file's frame.
    EXPECT_NEAR(motion->targetPosition.values[0].x, 11.0f, 1e-5);
    EXPECT_NEAR(motion->targetPosition.values[0].y, -3.0f, 1e-5);
    EXPECT_NEAR(motion->targetPosition.values[0].z, 2.0f, 1e-5);
}

TEST_F(RWyxWriter3dsTest, LightsCamerasAndTheOptionsThatLeaveThemOut) {
    RWyxLight* spot = factory.CreateLight();
    spot->SetLightType(2);
    spot->SetDefaultConeAngle(30.0);
    RWyxNode* spotNode = AddNode("Spot", spot);
    AddNode("Child", QuadMesh(kSquare, {{0, 1, 2}}), spotNode);
    RWyxLight* sun = factory.CreateLight();
    sun->SetLightType(1);
    AddNode("Sun", sun);
    for (double shade : {0.25, 0.75}) {
        RWyxCamera* camera = factory.CreateCamera();
        AddNode(shade < 0.5 ? "CamA" : "CamB", camera);
        camera->SetDefaultBackgroundColor(shade, shade, shade);
    }
    spot->SetDefaultIntensity(50.0);
    spot->SetDefaultColor(0.1, 0.2, 0.3);
    std::unique_ptr<FtkDatabase> db = LoadFile(Write());
    EXPECT_EQ(FtkSpotLightCount(db.get()), 1u);
    std::unique_ptr<FtkLight> written;
    ASSERT_TRUE(FtkGetSpotLightByIndex(db.get(), 0, written));
    EXPECT_FLOAT_EQ(written->multiplier, 0.5f);
    EXPECT_NEAR(written->color.b, 0.3f, 1e-6);
    EXPECT_FLOAT_EQ(written->spot->hotspot, 30.0f);
    EXPECT_EQ(FtkOmniLightCount(db.get()), 0u);  // the infinite light is not written
    EXPECT_EQ(FtkCameraCount(db.get()), 2u);
    std::unique_ptr<FtkSpotMotion> motion;
    ASSERT_TRUE(FtkGetSpotMotionByIndex(db.get(), 0, motion));
    EXPECT_FLOAT_EQ(motion->hotspot.values[0], motion->falloff.values[0]);
    EXPECT_NEAR(motion->targetPosition.values[0].y, 0.0f, 1e-5);  // 10 down local -Y: file -Z
    EXPECT_NEAR(motion->targetPosition.values[0].z, -10.0f, 1e-5);
    std::unique_ptr<FtkBackground> background;
    FtkInitBackground(background);
    FtkGetBackground(db.get(), background.get());
    EXPECT_NEAR(background->solid.r, 0.75f, 1e-6);  // the camera visited last
    db = LoadFile(Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kLights, 0); })));
    EXPECT_EQ(FtkSpotLightCount(db.get()), 0u);
    EXPECT_EQ(FtkMeshCount(db.get()), 1u);
}

TEST_F(RWyxWriter3dsTest, ForeignOptionsAreReportedAndTheDefaultsWritten) {
    AddNode("Box", QuadMesh(kSquare, {{0, 1, 2}}));
    RWyxWriter3ds writer(&factory);
    ASSERT_TRUE(writer.CreateInMemory());
    EXPECT_TRUE(writer.Write(scene, nullptr));
    EXPECT_EQ(writer.GetLastErrorCode(), RWyxWriter::kErrorOptionsNotSet);
    std::unique_ptr<FtkDatabase> db = LoadFile(writer.GetMemoryContents());
    EXPECT_FLOAT_EQ(MasterScale(db.get()), 0.3937007874f);
}

TEST_F(RWyxWriter3dsTest, SurfacesAreWrittenAsMeshesAndAFailedFileDoesNotStopTheNext) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->SetOrder(2, 2);
    nurb->InitControlPoints(2, RWyxNurb::kOpen, 2, RWyxNurb::kOpen);
    for (int k = 0; k < nurb->GetUKnotCount(); ++k) nurb->GetUKnotVector()[k] = k;
    for (int k = 0; k < nurb->GetVKnotCount(); ++k) nurb->GetVKnotVector()[k] = k;
    for (int i = 0; i < 4; ++i) nurb->GetControlPoints()[i].Set(i & 1, i >> 1, 0, 1);
    RWyxNode* node = AddNode("Sheet", nurb);
    RWyxWriter3ds failing(&factory);
    EXPECT_FALSE(failing.FileCreate("/nonexistent-folder/x.3ds"));
    EXPECT_EQ(failing.GetLastErrorCode(), RWyxWriter::kErrorNotCreated);
    const Bytes bytes = Write();
    EXPECT_NE(node->GetMesh(), nullptr);
    std::unique_ptr<FtkDatabase> db = LoadFile(bytes);
    EXPECT_EQ(FtkMeshCount(db.get()), 1u);
}

}  // namespace
