// An independent check of the 3DS reader and writer with lib3ds, a 3DS library of its own:
// lib3ds reads what our writer writes with the same counts and values, and our reader reads
// what lib3ds writes. Rotations are compared as the transforms they make at each key (lib3ds
// accumulates the relative rotation keys of the file its own way).

#include "tests/formats/3ds/Scene3dsTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <lib3ds/camera.h>
#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/matrix.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/quat.h>
#include <lib3ds/tracks.h>
#include <lib3ds/vector.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>

using namespace scene3ds_test;

namespace {

struct Lib3dsFree {
    void operator()(Lib3dsFile* file) const { lib3ds_file_free(file); }
};
using Lib3dsPtr = std::unique_ptr<Lib3dsFile, Lib3dsFree>;

void SaveBytes(const Bytes& bytes, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes LoadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A file point through our node's global transform at the frame, in the file's frame.
RVector4 OurTransform(RWyxNode& node, int frame, const RVector4& filePoint) {
    const RVector4 scenePoint(filePoint.x, filePoint.z, -filePoint.y, 0.0);
    const RVector4 moved = node.GetGlobalMatrixAt(Frame(frame)).TransformPoint(scenePoint);
    return RVector4(moved.x, -moved.z, moved.y, 0.0);
}

RVector4 TheirTransform(Lib3dsFile* file, Lib3dsNode* node, int frame, const RVector4& filePoint) {
    lib3ds_file_eval(file, static_cast<Lib3dsFloat>(frame));
    Lib3dsVector in = {static_cast<Lib3dsFloat>(filePoint.x), static_cast<Lib3dsFloat>(filePoint.y),
                       static_cast<Lib3dsFloat>(filePoint.z)};
    Lib3dsVector out;
    lib3ds_vector_transform(out, node->matrix, in);
    return RVector4(out[0], out[1], out[2], 0.0);
}

void ExpectNear(const RVector4& a, const RVector4& b, double tolerance, const std::string& what) {
    EXPECT_NEAR(a.x, b.x, tolerance) << what;
    EXPECT_NEAR(a.y, b.y, tolerance) << what;
    EXPECT_NEAR(a.z, b.z, tolerance) << what;
}

using Lib3dsCheckTest = Scene3dsTest;

TEST_F(Lib3dsCheckTest, Lib3dsReadsWhatOurWriterWrites) {
    RWyxMaterial* red = factory.CreateMaterial("Red");
    red->SetDiffuseColor(RWyxColor(0.8, 0.2, 0.4, 1));
    RWyxTexture* texture = factory.CreateTexture("grain");
    texture->SetFileName("grain.bmp");
    RWyxMesh* mesh = QuadMesh({{0, 0, 0, 0}, {10, 0, 0, 0}, {10, 10, 0, 0}, {0, 10, 0, 0}, {5, 5, 5, 0}},
                              {{0, 1, 2, 3}, {0, 1, 4}});
    mesh->AddMaterial(red, 0);
    mesh->AddTexture(texture, 0);
    mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh->InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
    mesh->InitTextureUVs(5);
    for (int i = 0; i < 5; ++i) mesh->GetTextureUVs()[i].Set(0.25 * i, 1.0 - 0.125 * i);
    RWyxNode* group = AddNode("Group");
    group->SetDefaultTranslation(RVector4(1, 2, 3, 0));
    SetKeys(group->GetCurrentTakeNode()->GetRotationXCurve(), {{0, 10.0f}, {20, 50.0f}});
    RWyxNode* box = AddNode("Box", mesh, group);
    RWyxTakeNode* take = box->GetCurrentTakeNode();
    SetKeys(take->GetTranslationXCurve(), {{0, 0.0f}, {20, 5.0f}});
    SetKeys(take->GetRotationYCurve(), {{0, 0.0f}, {10, 80.0f}, {20, 200.0f}});
    SetKeys(take->GetRotationZCurve(), {{0, 30.0f}, {20, -40.0f}});
    SetKeys(take->GetScalingZCurve(), {{0, 1.0f}, {20, 2.0f}});
    RWyxCamera* camera = factory.CreateCamera();
    AddNode("Cam", camera)->SetDefaultTranslation(RVector4(0, 10, 100, 0));
    RWyxLight* omni = factory.CreateLight();
    omni->SetLightType(0);
    omni->SetDefaultColor(0.5, 0.25, 1.0);
    AddNode("Lamp", omni);
    RWyxLight* spot = factory.CreateLight();
    spot->SetLightType(2);
    AddNode("Spot", spot);

    ScratchFolder folder;
    const std::string path = folder.Join("ours.3ds");
    SaveBytes(Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })), path);
    Lib3dsPtr file(lib3ds_file_load(path.c_str()));
    ASSERT_NE(file, nullptr);

    Lib3dsMesh* theirs = lib3ds_file_mesh_by_name(file.get(), "Box");
    ASSERT_NE(theirs, nullptr);
    EXPECT_EQ(theirs->points, 5u);
    EXPECT_EQ(theirs->faces, 3u);
    ASSERT_EQ(theirs->texels, 5u);
    EXPECT_FLOAT_EQ(theirs->texelL[4][0], 1.0f);
    EXPECT_FLOAT_EQ(theirs->texelL[4][1], 0.5f);
    // Baked with the node's transform at time 0: rotation (0, 0, 30) turns (10, 0, 0).
    EXPECT_NEAR(theirs->pointL[1].pos[0], 10 * std::cos(M_PI / 6), 1e-4);
    EXPECT_NEAR(theirs->pointL[1].pos[2], 10 * std::sin(M_PI / 6), 1e-4);
    Lib3dsMaterial* material = lib3ds_file_material_by_name(file.get(), "1.Mat0Tex0");
    ASSERT_NE(material, nullptr);
    EXPECT_STREQ(theirs->faceL[0].material, "1.Mat0Tex0");
    EXPECT_NEAR(material->diffuse[0], 0.8f, 0.01f);
    EXPECT_NEAR(material->diffuse[2], 0.4f, 0.01f);
    EXPECT_STREQ(material->texture1_map.name, "grain.bmp");

    Lib3dsCamera* cam = lib3ds_file_camera_by_name(file.get(), "Cam");
    ASSERT_NE(cam, nullptr);
    EXPECT_NEAR(cam->position[1], -100.0f, 1e-4);  // scene z 100 is file -y
    EXPECT_NEAR(cam->position[2], 10.0f, 1e-4);
    Lib3dsLight* lamp = lib3ds_file_light_by_name(file.get(), "Lamp");
    ASSERT_NE(lamp, nullptr);
    EXPECT_FALSE(lamp->spot_light);
    EXPECT_NEAR(lamp->color[1], 0.25f, 1e-5);
    Lib3dsLight* spotLight = lib3ds_file_light_by_name(file.get(), "Spot");
    ASSERT_NE(spotLight, nullptr);
    EXPECT_TRUE(spotLight->spot_light);

    Lib3dsNode* node = lib3ds_file_node_by_name(file.get(), "Box", LIB3DS_OBJECT_NODE);
    ASSERT_NE(node, nullptr);
    ASSERT_NE(node->parent, nullptr);  // the group's dummy
    int keys = 0;
    for (Lib3dsLin3Key* key = node->data.object.pos_track.keyL; key != nullptr; key = key->next) ++keys;
    EXPECT_EQ(keys, 21);
    ASSERT_NE(lib3ds_file_node_by_name(file.get(), "Cam", LIB3DS_CAMERA_NODE), nullptr);
    for (int frame : {0, 5, 10, 20}) {
        for (const RVector4& point : {RVector4(1, 0, 0, 0), RVector4(0, 2, 0, 0), RVector4(0, 0, 3, 0)}) {
            ExpectNear(TheirTransform(file.get(), node, frame, point), OurTransform(*box, frame, point), 1e-3,
                       "frame " + std::to_string(frame));
        }
    }
}

TEST_F(Lib3dsCheckTest, OurReaderReadsWhatLib3dsWrites) {
    Lib3dsPtr file(lib3ds_file_new());
    file->master_scale = 1.0f;
    Lib3dsMaterial* material = lib3ds_material_new();
    std::strcpy(material->name, "Blue");
    material->diffuse[0] = 0.1f;
    material->diffuse[1] = 0.2f;
    material->diffuse[2] = 0.9f;
    std::strcpy(material->texture1_map.name, "sky.bmp");
    lib3ds_file_insert_material(file.get(), material);
    Lib3dsMesh* mesh = lib3ds_mesh_new("Tri");
    lib3ds_mesh_new_point_list(mesh, 4);
    lib3ds_mesh_new_face_list(mesh, 2);
    const float points[4][3] = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 2}};
    for (int i = 0; i < 4; ++i) std::memcpy(mesh->pointL[i].pos, points[i], sizeof points[i]);
    const Lib3dsWord faces[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int f = 0; f < 2; ++f) {
        std::memcpy(mesh->faceL[f].points, faces[f], sizeof faces[f]);
        std::strcpy(mesh->faceL[f].material, "Blue");
        mesh->faceL[f].smoothing = static_cast<Lib3dsDword>(f + 1);  // apart: vertices 0 and 2 split
    }
    lib3ds_matrix_identity(mesh->matrix);
    lib3ds_file_insert_mesh(file.get(), mesh);
    Lib3dsNode* node = lib3ds_node_new_object();
    std::strcpy(node->name, "Tri");
    node->node_id = 0;
    node->parent_id = LIB3DS_NO_PARENT;
    const Lib3dsFloat turns[3][4] = {{0.4f, 0, 0, 1}, {0.7f, 1, 0, 0}, {-0.5f, 0, 1, 1}};
    for (int k = 0; k < 3; ++k) {
        Lib3dsLin3Key* position = lib3ds_lin3_key_new();
        position->tcb.frame = 10 * k;
        position->value[0] = static_cast<Lib3dsFloat>(k);
        position->value[1] = 2.0f;
        position->value[2] = 3.0f;
        lib3ds_lin3_track_insert(&node->data.object.pos_track, position);
        Lib3dsQuatKey* rotation = lib3ds_quat_key_new();
        rotation->tcb.frame = 10 * k;
        rotation->angle = turns[k][0];
        std::memcpy(rotation->axis, &turns[k][1], 3 * sizeof(Lib3dsFloat));
        lib3ds_quat_track_insert(&node->data.object.rot_track, rotation);
    }
    Lib3dsLin3Key* scale = lib3ds_lin3_key_new();
    scale->value[0] = scale->value[1] = scale->value[2] = 1.0f;
    lib3ds_lin3_track_insert(&node->data.object.scl_track, scale);
    lib3ds_file_insert_node(file.get(), node);
    ScratchFolder folder;
    const std::string path = folder.Join("theirs.3ds");
    ASSERT_TRUE(lib3ds_file_save(file.get(), path.c_str()));
    Lib3dsPtr saved(lib3ds_file_load(path.c_str()));
    ASSERT_NE(saved, nullptr);

    ASSERT_TRUE(Read(LoadBytes(path), Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })))
        << ftk_test::ErrorCodes();
    RWyxNode* tri = Node("Tri");
    ASSERT_NE(tri, nullptr);
    ASSERT_NE(tri->GetMesh(), nullptr);
    EXPECT_EQ(tri->GetMesh()->GetPolygonCount(), 2);
    EXPECT_EQ(tri->GetMesh()->GetControlPointsCount(), 6);
    RWyxMaterial* blue = factory.FindMaterial("Blue", 0);
    ASSERT_NE(blue, nullptr);
    EXPECT_NEAR(blue->GetDiffuseColor().GetBlue(), 0.9, 0.01);
    EXPECT_NE(factory.FindTexture("sky.bmp", 0), nullptr);
    EXPECT_EQ(tri->GetCurrentTakeNode()->GetTranslationXCurve()->GetKeyCount(), 3);
    Lib3dsNode* theirs = lib3ds_file_node_by_name(saved.get(), "Tri", LIB3DS_OBJECT_NODE);
    ASSERT_NE(theirs, nullptr);
    for (int frame : {0, 10, 20}) {
        for (const RVector4& point : {RVector4(1, 0, 0, 0), RVector4(0, 2, 0, 0), RVector4(0, 0, 3, 0)}) {
            ExpectNear(OurTransform(*tri, frame, point), TheirTransform(saved.get(), theirs, frame, point), 1e-3,
                       "frame " + std::to_string(frame));
        }
    }
}

// lib3ds writes names as long as it is given; ours are held to the format's 16 characters for
// a material and 10 for an object, and the refusal says which name is too long.
TEST_F(Lib3dsCheckTest, ANameTooLongForTheFormatIsRefusedByName) {
    Lib3dsPtr file(lib3ds_file_new());
    Lib3dsMaterial* material = lib3ds_material_new();
    std::strcpy(material->name, "DefaultMaterial_0");
    lib3ds_file_insert_material(file.get(), material);
    ScratchFolder folder;
    const std::string path = folder.Join("long.3ds");
    ASSERT_TRUE(lib3ds_file_save(file.get(), path.c_str()));
    RWyxReader3ds reader(&factory);
    ASSERT_TRUE(reader.FileOpen(path.c_str()));
    EXPECT_FALSE(reader.Read(scene, Options().get()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorUnidentified);
    EXPECT_STREQ(reader.GetLastErrorString(),
                 "The material name \"DefaultMaterial_0\" has 17 characters; a 3DS file holds at most 16.");
}

}  // namespace
