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

#include <algorithm>
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

class Lib3dsCheckTest : public Scene3dsTest {
protected:
    // Saves the file with lib3ds and reads it with our reader, without rescaling.
    void SaveAndRead(Lib3dsFile* file, const char* name) {
        ScratchFolder folder;
        const std::string path = folder.Join(name);
        ASSERT_TRUE(lib3ds_file_save(file, path.c_str()));
        RWyxReader3ds reader(&factory);
        ASSERT_TRUE(reader.FileOpen(path.c_str()));
        ASSERT_TRUE(reader.Read(scene, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); }).get()))
            << ftk_test::ErrorCodes();
    }

    void ClearScene() {
        factory.DestroyAll();
        scene = factory.CreateScene();
    }

    // Writes the scene without rescaling into `bytes` and loads them with lib3ds.
    Lib3dsPtr WriteForLib3ds(Bytes& bytes) {
        bytes = Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); }));
        ScratchFolder folder;
        const std::string path = folder.Join("ours.3ds");
        SaveBytes(bytes, path);
        return Lib3dsPtr(lib3ds_file_load(path.c_str()));
    }
};

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

    Bytes bytes;
    Lib3dsPtr file = WriteForLib3ds(bytes);
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

// The mesh's points as lib3ds places them at the frame, in the scene's axes: each vertex made
// local by the inverse of the mesh's frame, less the pivot, through the node's matrix. False
// when lib3ds cannot invert the frame (the points then as the inverse it leaves puts them).
bool PlacedByLib3ds(Lib3dsFile* file, const std::string& name, int frame, std::vector<RVector4>& points) {
    Lib3dsMesh* mesh = lib3ds_file_mesh_by_name(file, name.c_str());
    Lib3dsNode* node = lib3ds_file_node_by_name(file, name.c_str(), LIB3DS_OBJECT_NODE);
    EXPECT_TRUE(mesh != nullptr && node != nullptr) << name;
    if (mesh == nullptr || node == nullptr) return false;
    Lib3dsMatrix inverse;
    lib3ds_matrix_copy(inverse, mesh->matrix);
    const bool inverted = lib3ds_matrix_inv(inverse);
    lib3ds_file_eval(file, static_cast<Lib3dsFloat>(frame));
    points.clear();
    for (Lib3dsDword i = 0; i < mesh->points; ++i) {
        Lib3dsVector local;
        lib3ds_vector_transform(local, inverse, mesh->pointL[i].pos);
        lib3ds_vector_sub(local, local, node->data.object.pivot);
        Lib3dsVector placed;
        lib3ds_vector_transform(placed, node->matrix, local);
        points.emplace_back(placed[0], placed[2], -placed[1], 0);
    }
    return inverted;
}

// lib3ds places meshes that pop in from nothing (scaled to 0 or flattened at frame 0) as the
// scene does at 0, 0.5 and 1 s, and those that pop in from a small scale (1e-2 to 1e-30, near
// and far) within a thousandth of their size.
TEST_F(Lib3dsCheckTest, Lib3dsPlacesMeshesScaledToNothingAtTheStart) {
    const std::pair<std::vector<std::pair<std::string, RWyxNode*>>, double> sets[] = {{AddPopIns(), 1e-3},
                                                                                      {AddSmallPopIns(), 3e-3}};
    Bytes bytes;
    Lib3dsPtr file = WriteForLib3ds(bytes);
    ASSERT_NE(file, nullptr);
    for (const auto& [popIns, tolerance] : sets) {
        for (const auto& [name, source] : popIns) {
            for (const int frame : kPopInFrames) {
                std::vector<RVector4> placed;
                EXPECT_TRUE(PlacedByLib3ds(file.get(), name, frame, placed)) << name;
                const std::vector<RVector4> expected = WorldPoints(*source, frame);
                ASSERT_EQ(placed.size(), expected.size()) << name;
                for (std::size_t i = 0; i < expected.size(); ++i) {
                    ExpectNear(placed[i], expected[i], tolerance,
                               name + " frame " + std::to_string(frame) + " point " + std::to_string(i));
                }
            }
        }
    }
}

// lib3ds inverts a mesh's frame only when its determinant is 1e-8 or more in magnitude (a
// uniform scale of 0.0022 or more); a mesh whose frame is smaller it places units away from
// its place, while our reader places it. Meshes 3 across at (1, 2, 3), turned, scaled so at
// every frame: 0.01, 0.0022 and (1, 1e-4, 1) lib3ds places; 0.0021, 1e-4 and a rig's 1e-3 held
// by keys (a frame the writer keeps) it does not.
TEST_F(Lib3dsCheckTest, Lib3dsPlacesMeshesScaledSmallOnlyWhileItInvertsTheirFrames) {
    struct Case {
        const char* name;
        RVector4 scaling;
        bool keyed;
        bool placed;  // by lib3ds
    };
    const Case cases[] = {{"Hundred", {0.01, 0.01, 0.01, 0}, false, true},
                          {"Above", {0.0022, 0.0022, 0.0022, 0}, false, true},
                          {"Thin", {1, 1e-4, 1, 0}, false, true},
                          {"Below", {0.0021, 0.0021, 0.0021, 0}, false, false},
                          {"Tiny", {1e-4, 1e-4, 1e-4, 0}, false, false},
                          {"Rig", {1e-3, 1e-3, 1e-3, 0}, true, false}};
    std::vector<RWyxNode*> sources;
    for (const Case& c : cases) {
        RWyxNode* node = AddNode(c.name, Tetrahedron());
        sources.push_back(node);
        node->SetDefaultTranslation(RVector4(1, 2, 3, 0));
        node->SetDefaultRotation(RVector4(30, 45, 60, 0));
        node->SetDefaultScaling(c.scaling);
        for (int axis = 0; c.keyed && axis < 3; ++axis) {
            const float scale = static_cast<float>(*c.scaling.Component(axis));
            SetKeys(ScalingCurve(*node, axis), {{0, scale}, {30, scale}});
        }
    }
    Bytes bytes;
    Lib3dsPtr file = WriteForLib3ds(bytes);
    ASSERT_NE(file, nullptr);
    RWyxObjectFactory again;
    RWyxScene* copy = again.CreateScene();
    RWyxReader3ds reader(&again);
    ASSERT_TRUE(reader.OpenMemory(bytes.data(), bytes.size()));
    ASSERT_TRUE(reader.Read(copy, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); }).get()));
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case& c = cases[k];
        RWyxNode* read = again.FindNode(c.name, 0);
        ASSERT_TRUE(read != nullptr && read->GetMesh() != nullptr) << c.name;
        for (const int frame : {0, 30}) {
            const std::vector<RVector4> expected = WorldPoints(*sources[k], frame);
            const std::vector<RVector4> ours = WorldPoints(*read, frame);
            std::vector<RVector4> theirs;
            EXPECT_EQ(PlacedByLib3ds(file.get(), c.name, frame, theirs), c.placed) << c.name;
            ASSERT_TRUE(ours.size() == expected.size() && theirs.size() == expected.size()) << c.name;
            double worst = 0.0;
            for (std::size_t i = 0; i < expected.size(); ++i) {
                ExpectNear(ours[i], expected[i], 1e-5, std::string(c.name) + " point " + std::to_string(i));
                worst = std::max(worst, (theirs[i] - expected[i]).Length3());
            }
            if (c.placed) {
                EXPECT_LT(worst, 1e-5) << c.name;
            } else {
                EXPECT_GT(worst, 1.0) << c.name;
            }
        }
    }
}

// ---- what a file from lib3ds reads as --------------------------------------------------------

// A mesh of the four file points given, with faces of smoothing mask 0 (no vertex is split,
// so control point i is vertex i), and the local frame given as axis rows and origin.
Lib3dsMesh* FramedMesh(const char* name, const float points[4][3], const float frame[4][3]) {
    Lib3dsMesh* mesh = lib3ds_mesh_new(name);
    lib3ds_mesh_new_point_list(mesh, 4);
    lib3ds_mesh_new_face_list(mesh, 4);
    for (int i = 0; i < 4; ++i) std::memcpy(mesh->pointL[i].pos, points[i], sizeof points[i]);
    const Lib3dsWord faces[4][3] = {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}};
    for (int f = 0; f < 4; ++f) std::memcpy(mesh->faceL[f].points, faces[f], sizeof faces[f]);
    lib3ds_matrix_identity(mesh->matrix);
    for (int row = 0; row < 4; ++row) std::memcpy(mesh->matrix[row], frame[row], sizeof frame[row]);
    return mesh;
}

Lib3dsNode* KeyframerNode(Lib3dsFile* file, Lib3dsNode* node, const char* name, Lib3dsWord id,
                          Lib3dsWord parent = LIB3DS_NO_PARENT) {
    std::strcpy(node->name, name);
    node->node_id = id;
    node->parent_id = parent;
    lib3ds_file_insert_node(file, node);
    return node;
}

void AddKey(Lib3dsLin3Track& track, int frame, Lib3dsFloat x, Lib3dsFloat y, Lib3dsFloat z) {
    Lib3dsLin3Key* key = lib3ds_lin3_key_new();
    key->tcb.frame = frame;
    key->value[0] = x;
    key->value[1] = y;
    key->value[2] = z;
    lib3ds_lin3_track_insert(&track, key);
}

void AddKey(Lib3dsLin1Track& track, int frame, Lib3dsFloat value) {
    Lib3dsLin1Key* key = lib3ds_lin1_key_new();
    key->tcb.frame = frame;
    key->value = value;
    lib3ds_lin1_track_insert(&track, key);
}

RVector4 DefaultTranslation(RWyxNode* node) {
    RVector4 translation(99, 99, 99, 0);
    if (node != nullptr) node->GetDefaultTranslation(translation);
    return translation;
}

void ExpectColor(const RVector4& color, double r, double g, double b, const std::string& what) {
    ExpectNear(color, RVector4(r, g, b, 0), 1e-3, what);
}

// Without a keyframer node a mesh's node stands where the mesh's frame puts it: the points,
// made local to the frame, are back where the file has them. Frames: a move (lib3ds's
// Pyramid), a quarter turn about Z with a scale of 2, the same turn with a scale of 0.01, and
// a flat frame (no Z axis), which cannot be inverted: the node stands at the origin unscaled
// and the points stay as they are. All in a file without keyframer data and in one whose
// keyframer has a node for another mesh only.
TEST_F(Lib3dsCheckTest, MeshesWithoutKeyframerNodesStandWhereTheirFramesPutThem) {
    const float pyramid[4][3] = {{2, -1, 0}, {4, -1, 0}, {3, 1, 0}, {3, 0, 2}};
    const float moved[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {3, 0, 0}};
    const float turnedPoints[4][3] = {{1, 4, 3}, {-1, 2, 3}, {1, 2, 5}, {-1, 4, 5}};
    const float turned[4][3] = {{0, 2, 0}, {-2, 0, 0}, {0, 0, 2}, {1, 2, 3}};
    const float smallPoints[4][3] = {{1, 2.01f, 3}, {0.99f, 2, 3}, {1, 2, 3.01f}, {1, 2, 3}};
    const float small[4][3] = {{0, 0.01f, 0}, {-0.01f, 0, 0}, {0, 0, 0.01f}, {1, 2, 3}};
    const float flat[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 0}, {4, 5, 6}};
    struct Case {
        const char* name;
        const float (*points)[3];
        const float (*frame)[3];
        double scale;  // of the node
    };
    const Case cases[] = {
        {"Pyramid", pyramid, moved, 1}, {"Turned", turnedPoints, turned, 2}, {"Small", smallPoints, small, 0.01},
        {"Flat", pyramid, flat, 1}};
    for (const bool otherNode : {false, true}) {
        Lib3dsPtr file(lib3ds_file_new());
        for (const Case& mesh : cases) lib3ds_file_insert_mesh(file.get(), FramedMesh(mesh.name, mesh.points, mesh.frame));
        if (otherNode) {
            lib3ds_file_insert_mesh(file.get(), FramedMesh("Other", pyramid, moved));
            KeyframerNode(file.get(), lib3ds_node_new_object(), "Other", 0);
        }
        SaveAndRead(file.get(), "framed.3ds");
        for (const Case& mesh : cases) {
            const std::string what = std::string(mesh.name) + (otherNode ? " beside a node" : "");
            RWyxNode* node = Node(mesh.name);
            ASSERT_NE(node, nullptr) << what;
            ASSERT_NE(node->GetMesh(), nullptr) << what;
            ASSERT_EQ(node->GetMesh()->GetControlPointsCount(), 4) << what;
            const RMatrix global = node->GetGlobalMatrixAt(Frame(0));
            for (int i = 0; i < 4; ++i) {
                const RVector4 placed = global.TransformPoint(node->GetMesh()->GetControlPoints()[i]);
                ExpectNear(RVector4(placed.x, -placed.z, placed.y, 0),
                           RVector4(mesh.points[i][0], mesh.points[i][1], mesh.points[i][2], 0), 1e-4,
                           what + " point " + std::to_string(i));
            }
            RVector4 scaling;
            node->GetDefaultScaling(scaling);
            EXPECT_NEAR(scaling.x / mesh.scale, 1.0, 1e-6) << what;
        }
        EXPECT_NEAR(DefaultTranslation(Node("Pyramid")).x, 3.0, 1e-6);
        EXPECT_EQ(DefaultTranslation(Node("Flat")).Length3(), 0.0);
        EXPECT_EQ(Node("Other") != nullptr, otherNode);
        ClearScene();
    }
}

// Without tracks, lights and cameras keep the positions, targets, colours and angles of their
// chunks: with no keyframer node, and with nodes whose tracks hold no keys.
TEST_F(Lib3dsCheckTest, LightsAndCamerasWithoutTracksKeepTheirChunksValues) {
    for (const bool nodes : {false, true}) {
        Lib3dsPtr file(lib3ds_file_new());
        Lib3dsLight* omni = lib3ds_light_new("Omni");
        const Lib3dsFloat omniPosition[3] = {5, 5, 10};
        const Lib3dsFloat omniColor[3] = {1.0f, 0.9f, 0.8f};
        std::memcpy(omni->position, omniPosition, sizeof omniPosition);
        std::memcpy(omni->color, omniColor, sizeof omniColor);
        lib3ds_file_insert_light(file.get(), omni);
        Lib3dsLight* spot = lib3ds_light_new("Spot");
        spot->spot_light = LIB3DS_TRUE;
        const Lib3dsFloat spotPosition[3] = {1, 2, 3};
        const Lib3dsFloat spotTarget[3] = {4, 5, 6};
        const Lib3dsFloat spotColor[3] = {0.2f, 0.4f, 0.6f};
        std::memcpy(spot->position, spotPosition, sizeof spotPosition);
        std::memcpy(spot->spot, spotTarget, sizeof spotTarget);
        std::memcpy(spot->color, spotColor, sizeof spotColor);
        spot->hot_spot = 30.0f;
        spot->fall_off = 40.0f;
        lib3ds_file_insert_light(file.get(), spot);
        Lib3dsCamera* camera = lib3ds_camera_new("Cam");
        const Lib3dsFloat cameraPosition[3] = {10, -10, 8};
        const Lib3dsFloat cameraTarget[3] = {0, 0, 1};
        std::memcpy(camera->position, cameraPosition, sizeof cameraPosition);
        std::memcpy(camera->target, cameraTarget, sizeof cameraTarget);
        camera->fov = 60.0f;
        camera->roll = 5.0f;
        lib3ds_file_insert_camera(file.get(), camera);
        if (nodes) {
            KeyframerNode(file.get(), lib3ds_node_new_light(), "Omni", 0);
            KeyframerNode(file.get(), lib3ds_node_new_light(), "Spot", 1);
            KeyframerNode(file.get(), lib3ds_node_new_spot(), "Spot", 2);
            KeyframerNode(file.get(), lib3ds_node_new_camera(), "Cam", 3);
            KeyframerNode(file.get(), lib3ds_node_new_target(), "Cam", 4);
        }
        SaveAndRead(file.get(), "lights.3ds");
        const std::string what = nodes ? "with nodes" : "without nodes";
        ASSERT_NE(Node("Omni"), nullptr) << what;
        ASSERT_NE(Node("Omni")->GetLight(), nullptr) << what;
        ExpectNear(DefaultTranslation(Node("Omni")), RVector4(5, 10, -5, 0), 1e-5, "omni " + what);
        ExpectColor(Node("Omni")->GetLight()->GetDefaultColor(), 1.0, 0.9, 0.8, "omni " + what);
        ASSERT_NE(Node("Spot"), nullptr) << what;
        ASSERT_NE(Node("Spot")->GetLight(), nullptr) << what;
        ExpectNear(DefaultTranslation(Node("Spot")), RVector4(1, 3, -2, 0), 1e-5, "spot " + what);
        ExpectNear(DefaultTranslation(Node("Spot.Target")), RVector4(4, 6, -5, 0), 1e-5, "spot target " + what);
        ExpectColor(Node("Spot")->GetLight()->GetDefaultColor(), 0.2, 0.4, 0.6, "spot " + what);
        EXPECT_NEAR(Node("Spot")->GetLight()->GetDefaultConeAngle(), 30.0, 1e-4) << what;
        ASSERT_NE(Node("Cam"), nullptr) << what;
        RWyxCamera* ours = Node("Cam")->GetCamera();
        ASSERT_NE(ours, nullptr) << what;
        ExpectNear(DefaultTranslation(Node("Cam")), RVector4(10, 8, 10, 0), 1e-5, "camera " + what);
        ExpectNear(DefaultTranslation(Node("Cam.Target")), RVector4(0, 1, 0, 0), 1e-5, "camera target " + what);
        EXPECT_NEAR(ours->GetDefaultRoll(), 5.0, 1e-4) << what;
        EXPECT_NEAR(ours->GetFieldOfView(), 60.0, 1e-3) << what;
        ClearScene();
    }
}

// A keyed channel's default is its value at the start, so that what reads only defaults (the
// writers of static formats) sees the node where its animation starts.
TEST_F(Lib3dsCheckTest, KeyedChannelsDefaultToTheirValueAtTheStart) {
    Lib3dsPtr file(lib3ds_file_new());
    const float pyramid[4][3] = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}, {0, 0, 2}};
    const float identity[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    lib3ds_file_insert_mesh(file.get(), FramedMesh("Pyramid", pyramid, identity));
    Lib3dsNode* object = KeyframerNode(file.get(), lib3ds_node_new_object(), "Pyramid", 0);
    AddKey(object->data.object.pos_track, 0, 3, 0, 0);
    AddKey(object->data.object.pos_track, 20, 5, 0, 0);
    AddKey(object->data.object.scl_track, 0, 2, 2, 3);
    AddKey(object->data.object.scl_track, 20, 1, 1, 1);
    for (int k = 0; k < 2; ++k) {
        Lib3dsQuatKey* turn = lib3ds_quat_key_new();
        turn->tcb.frame = 20 * k;
        turn->angle = 0.5f;
        turn->axis[2] = 1.0f;
        lib3ds_quat_track_insert(&object->data.object.rot_track, turn);
    }
    Lib3dsLight* omni = lib3ds_light_new("Omni");
    lib3ds_file_insert_light(file.get(), omni);
    Lib3dsNode* light = KeyframerNode(file.get(), lib3ds_node_new_light(), "Omni", 1);
    AddKey(light->data.light.col_track, 0, 1, 0, 0);
    AddKey(light->data.light.col_track, 20, 0, 1, 0);
    SaveAndRead(file.get(), "keyed.3ds");
    RWyxNode* node = Node("Pyramid");
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->GetCurrentTakeNode()->GetTranslationXCurve()->GetKeyCount(), 2);
    ExpectNear(DefaultTranslation(node), RVector4(3, 0, 0, 0), 1e-6, "translation");
    RVector4 scaling;
    node->GetDefaultScaling(scaling);
    ExpectNear(scaling, RVector4(2, 3, 2, 0), 1e-6, "scaling");  // file z is scene y
    RVector4 rotation;
    node->GetDefaultRotation(rotation);
    RWyxTakeNode* take = node->GetCurrentTakeNode();
    ExpectNear(rotation,
               RVector4(take->GetRotationXCurve()->EvaluateAt(Frame(0)), take->GetRotationYCurve()->EvaluateAt(Frame(0)),
                        take->GetRotationZCurve()->EvaluateAt(Frame(0)), 0),
               1e-4, "rotation");
    EXPECT_GT(rotation.Length3(), 10.0);  // a turn of about 29 degrees
    ASSERT_NE(Node("Omni"), nullptr);
    ExpectColor(Node("Omni")->GetLight()->GetDefaultColor(), 1, 0, 0, "colour");
}

// One camera chunk reads as one lens, with or without a keyframer node: the focal length is
// 2400 / field of view and the camera's field of view is the one its curve starts at.
TEST_F(Lib3dsCheckTest, ACameraHasOneLensWithOrWithoutAKeyframer) {
    for (const int keys : {0, 1, 2}) {
        Lib3dsPtr file(lib3ds_file_new());
        Lib3dsCamera* camera = lib3ds_camera_new("Cam");
        camera->fov = 45.0f;
        lib3ds_file_insert_camera(file.get(), camera);
        if (keys > 0) {
            Lib3dsNode* node = KeyframerNode(file.get(), lib3ds_node_new_camera(), "Cam", 0);
            KeyframerNode(file.get(), lib3ds_node_new_target(), "Cam", 1);
            for (int k = 0; k < keys; ++k) AddKey(node->data.camera.fov_track, 10 * k, 45.0f + 15.0f * k);
        }
        SaveAndRead(file.get(), "camera.3ds");
        const std::string what = std::to_string(keys) + " keys";
        ASSERT_NE(Node("Cam"), nullptr) << what;
        RWyxCamera* ours = Node("Cam")->GetCamera();
        ASSERT_NE(ours, nullptr) << what;
        EXPECT_NEAR(ours->GetFocalLength(), 2400.0 / 45.0, 1e-3) << what;
        EXPECT_NEAR(ours->GetFieldOfView(), 45.0, 1e-3) << what;
        RFCurve* fov = Node("Cam")->GetCurrentTakeNode()->GetFieldOfViewCurve();
        ASSERT_NE(fov, nullptr) << what;
        EXPECT_NEAR(fov->EvaluateAt(Frame(0)), 45.0, 1e-3) << what;
        ClearScene();
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

void ExpectKeys(RFCurve* curve, std::initializer_list<std::pair<int, double>> keys, const std::string& what) {
    ASSERT_NE(curve, nullptr) << what;
    ASSERT_EQ(curve->GetKeyCount(), static_cast<int>(keys.size())) << what;
    int index = 0;
    for (const auto& [frame, value] : keys) {
        EXPECT_EQ(curve->GetKey(index).GetTime(), Frame(frame)) << what << " key " << index;
        EXPECT_NEAR(curve->GetKey(index).GetValue(), value, 1e-5) << what << " key " << index;
        ++index;
    }
}

// lib3ds tags a spot light's node as an omni light's when the spot has no target node, and a
// light node as a spot light's when a target node has its name, whatever the light. Each light
// still gets one node, with the node's tracks applied; an omni light whose node is an omni's
// reads as before, also beside a spot light of the same name.
TEST_F(Lib3dsCheckTest, ALightNodeTaggedAsTheOtherKindIsTakenForItsLight) {
    Lib3dsPtr file(lib3ds_file_new());
    lib3ds_file_insert_light(file.get(), lib3ds_light_new("Omni"));
    lib3ds_file_insert_light(file.get(), lib3ds_light_new("Bulb"));
    Lib3dsLight* twin = lib3ds_light_new("Omni");
    twin->spot_light = LIB3DS_TRUE;
    lib3ds_file_insert_light(file.get(), twin);
    Lib3dsLight* spot = lib3ds_light_new("Spot");
    spot->spot_light = LIB3DS_TRUE;
    const Lib3dsFloat spotTarget[3] = {4, 5, 6};
    std::memcpy(spot->spot, spotTarget, sizeof spotTarget);
    lib3ds_file_insert_light(file.get(), spot);
    Lib3dsNode* omni = KeyframerNode(file.get(), lib3ds_node_new_light(), "Omni", 0);
    AddKey(omni->data.light.pos_track, 0, 1, 1, 1);
    AddKey(omni->data.light.pos_track, 10, 2, 1, 1);
    Lib3dsNode* spotNode = KeyframerNode(file.get(), lib3ds_node_new_light(), "Spot", 1);
    spotNode->parent_id = 0;  // under Omni
    AddKey(spotNode->data.light.pos_track, 0, 1, 2, 3);
    AddKey(spotNode->data.light.pos_track, 20, 7, 8, 9);
    AddKey(spotNode->data.light.col_track, 5, 0.2f, 0.4f, 0.6f);
    AddKey(spotNode->data.light.col_track, 15, 1.0f, 0.5f, 0.0f);
    Lib3dsNode* bulb = KeyframerNode(file.get(), lib3ds_node_new_light(), "Bulb", 2);
    AddKey(bulb->data.light.col_track, 0, 0, 1, 0);
    AddKey(bulb->data.light.col_track, 30, 0, 0, 1);
    KeyframerNode(file.get(), lib3ds_node_new_spot(), "Bulb", 3);
    SaveAndRead(file.get(), "tagged.3ds");

    // Omni (with Spot and Spot.Target), the spot light and target named Omni, Bulb: none doubled.
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 4);
    ASSERT_NE(Node("Spot"), nullptr);
    ASSERT_NE(Node("Spot")->GetLight(), nullptr);
    EXPECT_EQ(Node("Spot")->GetLight()->GetLightType(), 2);
    EXPECT_EQ(Node("Spot")->GetTarget(), Node("Spot.Target"));
    EXPECT_EQ(Node("Spot")->GetParent(), Node("Omni"));
    RWyxTakeNode* take = Node("Spot")->GetCurrentTakeNode();
    ExpectKeys(take->GetTranslationXCurve(), {{0, 1.0}, {20, 7.0}}, "spot x");
    ExpectKeys(take->GetTranslationZCurve(), {{0, -2.0}, {20, -8.0}}, "spot z");  // file -y
    ExpectKeys(take->GetColorXCurve(), {{5, 0.2}, {15, 1.0}}, "spot red");
    ExpectNear(DefaultTranslation(Node("Spot.Target")), RVector4(4, 6, -5, 0), 1e-5, "spot target");
    ASSERT_NE(Node("Omni"), nullptr);
    ASSERT_NE(Node("Omni")->GetLight(), nullptr);
    EXPECT_EQ(Node("Omni")->GetLight()->GetLightType(), 0);
    ExpectKeys(Node("Omni")->GetCurrentTakeNode()->GetTranslationXCurve(), {{0, 1.0}, {10, 2.0}}, "omni x");
    ASSERT_NE(Node("Bulb"), nullptr);
    ASSERT_NE(Node("Bulb")->GetLight(), nullptr);
    EXPECT_EQ(Node("Bulb")->GetLight()->GetLightType(), 0);
    ExpectKeys(Node("Bulb")->GetCurrentTakeNode()->GetColorYCurve(), {{0, 1.0}, {30, 0.0}}, "bulb green");
}

// A material's specular colour and glow (emissive colour), ours or as lib3ds reads them.
struct Shades {
    RWyxColor specular, glow;
};

void ExpectNear(const Shades& a, const Shades& b, double specularTolerance, double glowTolerance,
                const std::string& what) {
    const auto rgb = [](const RWyxColor& c) { return RVector4(c.GetRed(), c.GetGreen(), c.GetBlue(), 0); };
    ExpectNear(rgb(a.specular), rgb(b.specular), specularTolerance, what + " specular");
    ExpectNear(rgb(a.glow), rgb(b.glow), glowTolerance, what + " glow");
}

// The colours of a material hold still over writes and reads. lib3ds reads the specular colour
// we write as we hold it, at the strength our reader takes for full (0.75, times 4/3), and the
// self-illumination share that gives our emissive colour back from the diffuse one. A file of
// lib3ds read, written, read, written and read keeps them within one step of the file (an
// 8-bit step of the colour, a percent step of the share), and the second write changes nothing.
// Whole percentages (shininess 20 %, transparency 10 %, self-illumination 30 %) are written as
// they were read, though a percentage read is a float a hair below it.
TEST_F(Lib3dsCheckTest, MaterialColoursHoldStillOverWritesAndReads) {
    Lib3dsPtr file(lib3ds_file_new());
    Lib3dsMaterial* material = lib3ds_material_new();
    std::strcpy(material->name, "Gloss");
    const Lib3dsRgba diffuse = {0.2f, 0.4f, 0.8f, 1.0f}, specular = {0.9f, 0.6f, 0.3f, 1.0f};
    std::memcpy(material->diffuse, diffuse, sizeof diffuse);
    std::memcpy(material->specular, specular, sizeof specular);
    material->shin_strength = 0.5f;
    material->shininess = 0.2f;
    material->transparency = 0.1f;
    lib3ds_file_insert_material(file.get(), material);
    const float points[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float identity[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    Lib3dsMesh* mesh = FramedMesh("Tri", points, identity);
    for (Lib3dsDword f = 0; f < mesh->faces; ++f) std::strcpy(mesh->faceL[f].material, "Gloss");
    lib3ds_file_insert_mesh(file.get(), mesh);
    SaveAndRead(file.get(), "gloss.3ds");
    const auto ours = [this]() {
        const RWyxMaterial* gloss = factory.FindMaterial("Gloss", 0);
        return gloss != nullptr ? Shades{gloss->GetSpecularColor(), gloss->GetEmissiveColor()} : Shades{};
    };
    const auto theirs = [](const Lib3dsMaterial& m) {
        const auto color = [](const Lib3dsRgba& c, float f) { return RWyxColor(c[0] * f, c[1] * f, c[2] * f, 1); };
        return Shades{color(m.specular, 1.0f), color(m.diffuse, m.self_ilpct)};
    };
    // lib3ds writes no self-illumination share: the glow is ours, 0.3 of the diffuse colour.
    const Shades first = {ours().specular, RWyxColor(0.06, 0.12, 0.24, 1)};
    factory.FindMaterial("Gloss", 0)->SetEmissiveColor(first.glow);
    ExpectNear(first, Shades{RWyxColor(0.6, 0.4, 0.2, 1), first.glow}, 1.0 / 255, 0, "read");  // times 0.5 x 4/3
    Shades previous = first;
    for (const std::string what : {"write 1", "write 2"}) {
        Bytes bytes;
        Lib3dsPtr saved = WriteForLib3ds(bytes);
        ASSERT_NE(saved, nullptr);
        const Lib3dsMaterial* gloss = lib3ds_file_material_by_name(saved.get(), "Gloss");
        ASSERT_NE(gloss, nullptr);
        EXPECT_NEAR(gloss->shin_strength, 0.75f, 0.001f) << what;
        EXPECT_NEAR(gloss->shininess, 0.2f, 1e-6f) << what;
        EXPECT_NEAR(gloss->transparency, 0.1f, 1e-6f) << what;
        EXPECT_NEAR(gloss->self_ilpct, 0.3f, 1e-6f) << what;
        ExpectNear(theirs(*gloss), previous, 1.0 / 255, 0.01, "lib3ds after " + what);
        ClearScene();
        ASSERT_TRUE(Read(bytes, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
        ExpectNear(ours(), first, 1.0 / 255, 0.01, "after " + what);
        EXPECT_NEAR(factory.FindMaterial("Gloss", 0)->GetShininess(), 0.4, 1e-6) << what;
        EXPECT_NEAR(factory.FindMaterial("Gloss", 0)->GetOpacity(), 0.9, 1e-6) << what;
        if (what == "write 2") ExpectNear(ours(), previous, 1e-6, 1e-6, "held after " + what);
        previous = ours();
    }
}

// Names holding a '.', as tools number copies (Box.001), keep their children: a file of lib3ds
// whose mesh Box.001 has the child Pyramid by node ids is read and written again beside a spot
// "s" and a mesh "s.Target" and a camera "a.Target", each with a child mesh; in what we write,
// both lib3ds and our reader find every child under its parent.
TEST_F(Lib3dsCheckTest, NodesWhoseNamesHoldAPointKeepTheirChildren) {
    const float points[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const float identity[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    Lib3dsPtr file(lib3ds_file_new());
    lib3ds_file_insert_mesh(file.get(), FramedMesh("Box.001", points, identity));
    lib3ds_file_insert_mesh(file.get(), FramedMesh("Pyramid", points, identity));
    KeyframerNode(file.get(), lib3ds_node_new_object(), "Box.001", 0);
    KeyframerNode(file.get(), lib3ds_node_new_object(), "Pyramid", 1, 0);
    SaveAndRead(file.get(), "dot.3ds");
    ASSERT_NE(Node("Pyramid"), nullptr);
    ASSERT_EQ(Node("Pyramid")->GetParent(), Node("Box.001"));
    auto addNode = [this](const char* name, RWyxNodeAttribute* attribute, RWyxNode* parent) {
        AddNode("n", attribute, parent)->SetName(name);
        return Node(name);
    };
    auto light = [this]() {
        RWyxLight* spot = factory.CreateLight();
        spot->SetLightType(2);
        return spot;
    };
    auto mesh = [this]() { return QuadMesh({{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}}, {{0, 1, 2}}); };
    addNode("sKid", mesh(), addNode("s", light(), nullptr));
    addNode("tKid", mesh(), addNode("s.Target", mesh(), nullptr));
    addNode("aKid", mesh(), addNode("a.Target", factory.CreateCamera(), nullptr));
    // Written under short names: "s.Target" as "s.Targe".
    const std::pair<const char*, const char*> children[] = {
        {"Pyramid", "Box.001"}, {"sKid", "s"}, {"tKid", "s.Targe"}, {"aKid", "a.Targe"}};
    Bytes bytes;
    Lib3dsPtr saved = WriteForLib3ds(bytes);
    ASSERT_NE(saved, nullptr);
    ClearScene();
    ASSERT_TRUE(Read(bytes, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
    for (const auto& [child, parent] : children) {
        const Lib3dsNode* theirs = lib3ds_file_node_by_name(saved.get(), child, LIB3DS_OBJECT_NODE);
        ASSERT_NE(theirs, nullptr) << child;
        ASSERT_NE(theirs->parent, nullptr) << child;
        EXPECT_STREQ(theirs->parent->name, parent) << child;
        ASSERT_NE(Node(child), nullptr) << child;
        EXPECT_EQ(Node(child)->GetParent(), Node(parent)) << child;
    }
}

}  // namespace
