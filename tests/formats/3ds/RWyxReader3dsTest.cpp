#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "fileio/RWyxFileImporter.h"
#include "scene/RWyxTakeInfo.h"
#include "tests/formats/3ds/Scene3dsTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

using namespace scene3ds_test;
using namespace ftk_test;

namespace {

using RWyxReader3dsTest = Scene3dsTest;

constexpr std::uint32_t kSideMasks[6] = {1, 2, 4, 8, 16, 32};
constexpr std::uint32_t kOneMask[6] = {1, 1, 1, 1, 1, 1};

Bytes CubeFile(const std::uint32_t masks[6]) {
    return MakeFile([masks](FtkDatabase* db) {
        std::unique_ptr<FtkMeshObject> cube = Cube("Cube", masks);
        FtkPutMeshObject(db, cube.get());
    });
}

// One mesh of one vertex (1, 2, 3) and one face, with a keyframer node of that pivot.
Bytes PointFile(const FtkPoint& pivot, int nodes = 1) {
    return MakeFile([pivot, nodes](FtkDatabase* db) {
        std::unique_ptr<FtkMeshObject> mesh;
        FtkInitMeshObject(mesh, 3, 1, 0);
        FtkCopyName(mesh->name, "Tri");
        mesh->vertices = {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}};
        FtkPutMeshObject(db, mesh.get());
        for (int i = 0; i < nodes; ++i) {
            std::unique_ptr<FtkObjectMotion> motion;
            FtkInitObjectMotion(motion, 1, 1, 1, 0, 0);
            FtkCopyName(motion->name, "Tri");
            FtkCopyName(motion->instance, i == 0 ? "" : std::to_string(i).c_str());
            motion->pivot = i == 0 ? pivot : FtkPoint{0, 0, 0};
            FtkPutObjectMotion(db, motion.get());
        }
    });
}

Bytes PositionTrackFile(std::initializer_list<std::uint32_t> frames) {
    return MakeFile([frames](FtkDatabase* db) {
        std::unique_ptr<FtkObjectMotion> motion;
        FtkInitObjectMotion(motion, static_cast<std::uint32_t>(frames.size()), 1, 1, 0, 0);
        FtkCopyName(motion->name, "Mover");
        std::size_t k = 0;
        for (std::uint32_t frame : frames) {
            motion->position.keys[k].time = frame;
            motion->position.values[k] = {static_cast<float>(k), 0, 0};
            ++k;
        }
        FtkPutObjectMotion(db, motion.get());
    });
}

RVector4 PointOf(RWyxNode* node, int index) { return node->GetMesh()->GetControlPoints()[index]; }

TEST_F(RWyxReader3dsTest, VerticesSplitWhereFacesDoNotSmoothTogether) {
    ASSERT_TRUE(Read(CubeFile(kSideMasks)));
    RWyxMesh* cube = Node("Cube")->GetMesh();
    ASSERT_NE(cube, nullptr);
    EXPECT_EQ(cube->GetControlPointsCount(), 24);
    EXPECT_EQ(cube->GetPolygonCount(), 12);
    for (int i = 0; i < 24; ++i) {  // flat sides: every normal is an axis
        const RVector4& n = cube->GetNormals()[i];
        EXPECT_NEAR(std::fabs(n.x) + std::fabs(n.y) + std::fabs(n.z), 1.0, 1e-9) << i;
    }
    factory.DestroyAll();
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(CubeFile(kOneMask)));
    cube = Node("Cube")->GetMesh();
    EXPECT_EQ(cube->GetControlPointsCount(), 8);
    const RVector4& corner = cube->GetNormals()[0];  // averaged over three sides
    EXPECT_NEAR(std::fabs(corner.x), std::sqrt(1.0 / 3.0), 1e-9);
    factory.DestroyAll();
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(CubeFile(kSideMasks), Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kSmoothGroup, 0); })));
    EXPECT_EQ(Node("Cube")->GetMesh()->GetControlPointsCount(), 8);
    // Faces of mask 0 share their vertices with each other, never with faces of another mask:
    // corners 0 and 7 meet three sides of one mask, the six others sides of both.
    factory.DestroyAll();
    scene = factory.CreateScene();
    constexpr std::uint32_t kAlternate[6] = {0, 1, 0, 1, 0, 1};
    ASSERT_TRUE(Read(CubeFile(kAlternate)));
    EXPECT_EQ(Node("Cube")->GetMesh()->GetControlPointsCount(), 14);
}

// The cube's faces turn counter-clockwise seen from outside: every normal points out of the
// cube, whether the sides smooth together or not (averaged normals lean towards the side
// with more triangles at the corner).
TEST_F(RWyxReader3dsTest, NormalsPointOutOfTheCube) {
    for (const std::uint32_t* masks : {kSideMasks, kOneMask}) {
        ASSERT_TRUE(Read(CubeFile(masks), Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
        RWyxMesh* cube = Node("Cube")->GetMesh();
        ASSERT_NE(cube, nullptr);
        const RVector4 centre(0.5, 0.5, -0.5, 0.0);  // file (0.5, 0.5, 0.5)
        for (int i = 0; i < cube->GetControlPointsCount(); ++i) {
            const RVector4 outward = cube->GetControlPoints()[i] - centre;
            const RVector4& normal = cube->GetNormals()[i];
            const double along = normal.x * outward.x + normal.y * outward.y + normal.z * outward.z;
            if (masks == kSideMasks) {
                EXPECT_NEAR(along, 0.5, 1e-9) << i;  // the side's own axis
            } else {
                EXPECT_GT(along, 0.8) << i;  // between the three sides' axes
            }
        }
        factory.DestroyAll();
        scene = factory.CreateScene();
    }
}

// A mesh without a keyframer node stands where its frame puts it, also a frame that mirrors:
// its points, made local to the frame, are back where the file has them.
TEST_F(RWyxReader3dsTest, AMeshWithoutANodeIsPlacedByItsFrameEvenAMirroringOne) {
    const FtkPoint points[3] = {{-1, 0, 5}, {0, 1, 5}, {-2, 3, 4}};
    const Bytes file = MakeFile([&points](FtkDatabase* db) {
        std::unique_ptr<FtkMeshObject> mesh;
        FtkInitMeshObject(mesh, 3, 1, 0);
        FtkCopyName(mesh->name, "Mirror");
        mesh->vertices.assign(points, points + 3);
        mesh->faces[0] = {0, 1, 2, 7};
        const float frame[12] = {-1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 5};
        std::copy(frame, frame + 12, mesh->localMatrix);
        FtkPutMeshObject(db, mesh.get());
    });
    ASSERT_TRUE(Read(file, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
    RWyxNode* node = Node("Mirror");
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->GetMesh()->GetControlPointsCount(), 3);
    const RMatrix global = node->GetGlobalMatrixAt(Frame(0));
    for (int i = 0; i < 3; ++i) {
        const RVector4 placed = global.TransformPoint(PointOf(node, i));
        EXPECT_NEAR(placed.x, points[i].x, 1e-5) << i;
        EXPECT_NEAR(placed.y, points[i].z, 1e-5) << i;
        EXPECT_NEAR(placed.z, -points[i].y, 1e-5) << i;
    }
}

TEST_F(RWyxReader3dsTest, AReferenceNodeCarriesTheScaleThatIsOtherwiseBakedIn) {
    ASSERT_TRUE(Read(PointFile({0, 0, 0}), Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kCreateReferenceNode, 1); })));
    RWyxNode* reference = Node("Wyx_Root");
    ASSERT_NE(reference, nullptr);
    RVector4 scaling;
    reference->GetDefaultScaling(scaling);
    EXPECT_DOUBLE_EQ(scaling.x, 2.54);
    EXPECT_EQ(Node("Tri")->GetParent(), reference);
    const RVector4 kept = PointOf(Node("Tri"), 0);
    EXPECT_NEAR(kept.x, 1.0, 1e-6);
    EXPECT_NEAR(kept.y, 3.0, 1e-6);
    EXPECT_NEAR(kept.z, -2.0, 1e-6);
    factory.DestroyAll();
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(PointFile({0, 0, 0})));
    EXPECT_EQ(Node("Wyx_Root"), nullptr);
    EXPECT_EQ(Node("Tri")->GetParent(), scene->GetRootNode());
    const RVector4 baked = PointOf(Node("Tri"), 0);
    EXPECT_NEAR(baked.x, 2.54, 1e-5);
    EXPECT_NEAR(baked.y, 7.62, 1e-5);
    EXPECT_NEAR(baked.z, -5.08, 1e-5);
}

TEST_F(RWyxReader3dsTest, ANodeReusingAMeshGetsItsOwnCopyShiftedByItsOwnPivot) {
    ASSERT_TRUE(Read(PointFile({1, 0, 0}, 2), Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })));
    RWyxNode* first = Node("Tri");
    RWyxNode* second = Node("Tri.1");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(first->GetMesh(), nullptr);
    ASSERT_NE(second->GetMesh(), nullptr);
    EXPECT_NE(first->GetMesh(), second->GetMesh());
    EXPECT_NEAR(PointOf(first, 0).x, 0.0, 1e-6);   // 1 - pivot 1
    EXPECT_NEAR(PointOf(second, 0).x, 1.0, 1e-6);  // its own pivot is 0
}

TEST_F(RWyxReader3dsTest, KeysOnRepeatedFramesAreLeftOutAndTheTakeSpansTheKeys) {
    ASSERT_TRUE(Read(PositionTrackFile({0, 10, 10, 20})));
    RFCurve* x = Node("Mover")->GetCurrentTakeNode()->GetTranslationXCurve();
    ASSERT_EQ(x->GetKeyCount(), 3);
    EXPECT_EQ(x->GetKey(1).GetTime(), Frame(10));
    EXPECT_EQ(x->GetKey(2).GetTime(), Frame(20));
    EXPECT_FLOAT_EQ(x->GetKey(2).GetValue(), 3.0f * 2.54f);  // the fourth key's value
    RWyxTakeInfo* take = scene->GetTakeInfo("default take");
    ASSERT_NE(take, nullptr);
    EXPECT_EQ(take->localStart, Frame(0));
    EXPECT_EQ(take->localStop, Frame(20));
    EXPECT_STREQ(scene->GetCurrentTakeName(), "default take");
}

TEST_F(RWyxReader3dsTest, KeysAreReducedOnRequestAndLeftOutWithoutAnimation) {
    const Bytes file = PositionTrackFile({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    ASSERT_TRUE(Read(file));
    EXPECT_EQ(Node("Mover")->GetCurrentTakeNode()->GetTranslationXCurve()->GetKeyCount(), 16);
    factory.DestroyAll();
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(file, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kReduceKeys, 1); })));
    EXPECT_LT(Node("Mover")->GetCurrentTakeNode()->GetTranslationXCurve()->GetKeyCount(), 16);
    factory.DestroyAll();
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(file, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kAnimation, 0); })));
    EXPECT_EQ(Node("Mover")->GetCurrentTakeNode()->GetTranslationXCurve()->GetKeyCount(), 0);
    RVector4 translation(9, 9, 9, 0);
    Node("Mover")->GetDefaultTranslation(translation);
    EXPECT_EQ(translation.x, 0.0);  // the first key's value
}

TEST_F(RWyxReader3dsTest, AFileWithoutKeysGetsTheDefaultSpanAndOneNodePerObject) {
    ASSERT_TRUE(Read(CubeFile(kOneMask)));
    RWyxTakeInfo* take = scene->GetTakeInfo("default take");
    ASSERT_NE(take, nullptr);
    EXPECT_EQ(take->localStop, Frame(150));
    EXPECT_EQ(Node("Cube")->GetCurrentTakeNode()->GetTranslationXCurve()->GetKeyCount(), 0);
}

TEST_F(RWyxReader3dsTest, RotationKeysAreAccumulatedIntoAbsoluteRotations) {
    const Bytes file = MakeFile([](FtkDatabase* db) {
        std::unique_ptr<FtkObjectMotion> motion;
        FtkInitObjectMotion(motion, 1, 2, 1, 0, 0);
        FtkCopyName(motion->name, "Turner");
        for (int k = 0; k < 2; ++k) {
            motion->rotation.keys[k].time = static_cast<std::uint32_t>(10 * k);
            motion->rotation.values[k] = {static_cast<float>(M_PI / 2), 0, 0, 1};  // a quarter turn about file Z
        }
        FtkPutObjectMotion(db, motion.get());
    });
    ASSERT_TRUE(Read(file));
    RWyxTakeNode* take = Node("Turner")->GetCurrentTakeNode();
    auto rotationAt = [take](int frame) {
        RMatrix m;
        EulerXYZToMatrix(m, take->GetRotationXCurve()->EvaluateAt(Frame(frame)),
                         take->GetRotationYCurve()->EvaluateAt(Frame(frame)),
                         take->GetRotationZCurve()->EvaluateAt(Frame(frame)));
        return m;
    };
    RMatrix quarter;
    EulerXYZToMatrix(quarter, 0, -90, 0);
    RMatrix half;
    EulerXYZToMatrix(half, 0, 180, 0);
    EXPECT_EQ(MatrixCompare(rotationAt(0), quarter, 1e-4), 0);
    EXPECT_EQ(MatrixCompare(rotationAt(10), half, 1e-4), 0);
}

TEST_F(RWyxReader3dsTest, ParentsByRepeatedNamesThatWouldCloseACycleGoToTheTopWithAWarning) {
    // Ids: B -> node 2, A -> node 0; by name, "A" finds node 1 and "B" finds node 0.
    const Bytes file = Chunk(0x4D4D, {}, {Chunk(0xB000, {}, {
        Chunk(0xB002, {}, {Chunk(0xB030, U16(0)), NodeHeader("B", 2)}),
        Chunk(0xB002, {}, {Chunk(0xB030, U16(1)), NodeHeader("A", 0)}),
        Chunk(0xB002, {}, {Chunk(0xB030, U16(2)), NodeHeader("A", 0xFFFF)}),
    })});
    ASSERT_TRUE(Read(file)) << ErrorCodes();
    RWyxNode* b = Node("B");
    RWyxNode* a = factory.FindNode("A", 0);
    EXPECT_EQ(b->GetParent(), a);
    EXPECT_EQ(a->GetParent(), scene->GetRootNode());
    EXPECT_NE(messages.find("its own ancestor"), std::string::npos) << messages;
}

TEST_F(RWyxReader3dsTest, BadFaceCornersAndGroupFaceNumbersArePassedOver) {
    const Bytes file = MakeFile([](FtkDatabase* db) {
        std::unique_ptr<FtkMaterial> material;
        FtkInitMaterial(material);
        FtkCopyName(material->name, "Red");
        FtkPutMaterial(db, material.get());
        std::unique_ptr<FtkMeshObject> mesh;
        FtkInitMeshObject(mesh, 3, 2, 0);
        FtkCopyName(mesh->name, "Bad");
        mesh->vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        mesh->faces = {{0, 1, 2, 7}, {0, 1, 99, 7}};
        mesh->materialCount = 1;
        FtkAllocMeshArrays(mesh.get(), kFtkMeshMaterials);
        FtkCopyName(mesh->materials[0].name, "Red");
        mesh->materials[0].faceCount = 2;
        mesh->materials[0].faceIndices = {0, 500};
        FtkPutMeshObject(db, mesh.get());
    });
    ASSERT_TRUE(Read(file)) << ErrorCodes();
    RWyxMesh* mesh = Node("Bad")->GetMesh();
    EXPECT_EQ(mesh->GetPolygonCount(), 1);
    EXPECT_EQ(mesh->GetMaterialCount(0), 1);
    EXPECT_NE(messages.find("1 faces naming no vertex"), std::string::npos) << messages;
}

// Materials "Red", "Green" and "Blue" (red and green textured); one mesh of a face per group,
// the groups naming the materials given.
Bytes GroupsFile(const std::vector<std::string>& groups) {
    return MakeFile([&groups](FtkDatabase* db) {
        const std::pair<const char*, const char*> materials[] = {
            {"Red", "red.bmp"}, {"Green", "green.bmp"}, {"Blue", ""}};
        for (const auto& [name, map] : materials) {
            std::unique_ptr<FtkMaterial> material;
            FtkInitMaterial(material);
            FtkCopyName(material->name, name);
            FtkCopyName(material->maps[kFtkTextureMap].name, map);
            FtkPutMaterial(db, material.get());
        }
        const auto faces = static_cast<std::uint16_t>(groups.size());
        std::unique_ptr<FtkMeshObject> mesh;
        FtkInitMeshObject(mesh, 3, faces, kFtkMeshTexVerts);
        FtkCopyName(mesh->name, "Groups");
        mesh->vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
        for (std::uint16_t f = 0; f < faces; ++f) mesh->faces[f] = {0, 1, 2, 7};
        mesh->materialCount = faces;
        FtkAllocMeshArrays(mesh.get(), kFtkMeshMaterials);
        for (std::uint16_t f = 0; f < faces; ++f) {
            FtkCopyName(mesh->materials[f].name, groups[f].c_str());
            mesh->materials[f].faceCount = 1;
            mesh->materials[f].faceIndices = {f};
        }
        FtkPutMeshObject(db, mesh.get());
    });
}

// The mesh's materials or textures by name, in order.
template <typename Get>
std::vector<std::string> NamesOf(int count, Get get) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.emplace_back(get(i)->GetNameWithoutPrefix().Buffer());
    return names;
}

TEST_F(RWyxReader3dsTest, AMeshHasEachMaterialAndTextureOnceInTheOrderItsGroupsFirstNameThem) {
    ASSERT_TRUE(Read(GroupsFile({"Green", "Red", "Blue", "Red", "Missing", "Green", "Blue"})));
    RWyxMesh* mesh = Node("Groups")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(NamesOf(mesh->GetMaterialCount(0), [mesh](int i) { return mesh->GetMaterial(i, 0); }),
              (std::vector<std::string>{"Green", "Red", "Blue"}));
    EXPECT_EQ(mesh->GetMaterial(1, 0), factory.FindMaterial("Red", 0));
    EXPECT_EQ(NamesOf(mesh->GetTextureCount(0), [mesh](int i) { return mesh->GetTexture(i, 0); }),
              (std::vector<std::string>{"green.bmp", "red.bmp"}));
    // A group naming a material met before takes its first entry; one naming none takes 0.
    const std::vector<int> materials(mesh->GetMaterialIndices(), mesh->GetMaterialIndices() + 7);
    EXPECT_EQ(materials, (std::vector<int>{0, 1, 2, 1, 0, 0, 2}));
    const std::vector<int> textures(mesh->GetTextureIndices(), mesh->GetTextureIndices() + 7);
    EXPECT_EQ(textures, (std::vector<int>{0, 1, 0, 1, 0, 0, 0}));
}

TEST_F(RWyxReader3dsTest, MaterialsOfOneMeshStayInOrderAmongMany) {
    std::vector<std::string> groups;
    for (int i = 0; i < 300; ++i) groups.push_back(i % 3 == 2 ? "Blue" : i % 3 == 1 ? "Red" : "Green");
    groups.front() = "Blue";
    ASSERT_TRUE(Read(GroupsFile(groups)));
    RWyxMesh* mesh = Node("Groups")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(NamesOf(mesh->GetMaterialCount(0), [mesh](int i) { return mesh->GetMaterial(i, 0); }),
              (std::vector<std::string>{"Blue", "Red", "Green"}));
    EXPECT_EQ(mesh->GetMaterialIndices()[299], 0);
    EXPECT_EQ(mesh->GetMaterialIndices()[298], 1);
    EXPECT_EQ(mesh->GetMaterialIndices()[297], 2);
    EXPECT_EQ(mesh->GetTextureCount(0), 2);
}

TEST_F(RWyxReader3dsTest, MaterialsTexturesAndZeroTextureScales) {
    const Bytes file = MakeFile([](FtkDatabase* db) {
        for (const char* name : {"Wood", "Oak"}) {
            std::unique_ptr<FtkMaterial> material;
            FtkInitMaterial(material);
            FtkCopyName(material->name, name);
            material->diffuse = {0.5f, 0.25f, 1.0f};
            material->specular = {0.6f, 0.6f, 0.6f};
            material->shinStrength = 0.5f;
            material->selfIllumPct = 0.5f;
            material->transparency = 0.25f;
            material->shininess = 0.75f;
            FtkCopyName(material->maps[kFtkTextureMap].name, "wood.bmp");
            material->maps[kFtkTextureMap].uScale = 0.0f;
            material->maps[kFtkTextureMap].percent = 1.0f;
            FtkPutMaterial(db, material.get());
        }
        std::unique_ptr<FtkMaterial> placed;
        FtkInitMaterial(placed);
        FtkCopyName(placed->name, "Placed");
        FtkTextureMap& map = placed->maps[kFtkTextureMap];
        FtkCopyName(map.name, "tile.bmp");
        map.uScale = 2.0f;
        map.uOffset = 0.25f;
        map.percent = 0.5f;
        map.tiling = 2;
        FtkCopyName(placed->maps[kFtkTexture2Map].name, "turn.bmp");
        placed->maps[kFtkTexture2Map].rotation = 90.0f;
        FtkPutMaterial(db, placed.get());
    });
    ASSERT_TRUE(Read(file));
    RWyxTexture* tile = factory.FindTexture("tile.bmp", 0);
    ASSERT_NE(tile, nullptr);
    EXPECT_NEAR(tile->GetTranslationU(), -1.0, 1e-6);  // -2 ((1 - 1/2) 0.5 + 0.25)
    EXPECT_NEAR(tile->GetTranslationV(), 0.0, 1e-6);
    EXPECT_EQ(tile->GetMaterialMode(), 0);
    EXPECT_EQ(tile->GetWrapModeU(), 1);
    RWyxTexture* turned = factory.FindTexture("turn.bmp", 0);
    ASSERT_NE(turned, nullptr);
    EXPECT_NEAR(turned->GetRotationW(), -90.0, 1e-6);
    // (-0.5, -0.5) turned by -90 degrees is (-0.5, 0.5); then 0.5 is added.
    EXPECT_NEAR(turned->GetTranslationU(), 0.0, 1e-6);
    EXPECT_NEAR(turned->GetTranslationV(), 1.0, 1e-6);
    RWyxMaterial* wood = factory.FindMaterial("Wood", 0);
    ASSERT_NE(wood, nullptr);
    EXPECT_NEAR(wood->GetOpacity(), 0.75, 1e-6);
    EXPECT_NEAR(wood->GetShininess(), 1.0, 1e-6);  // twice 0.75, held to 1
    EXPECT_NEAR(wood->GetDiffuseColor().GetGreen(), 0.25, 0.01);  // stored as a byte
    EXPECT_NEAR(wood->GetSpecularColor().GetRed(), 0.6 * 0.5 * 4.0 / 3.0, 0.01);
    EXPECT_NEAR(wood->GetEmissiveColor().GetRed(), 0.25, 0.01);  // diffuse x self-illumination
    RWyxTexture* first = factory.FindTexture("wood.bmp", 0);
    RWyxTexture* second = factory.FindTexture("wood.bmp-1", 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_DOUBLE_EQ(first->GetScalingU(), 1.0);
    EXPECT_TRUE(std::isfinite(first->GetTranslationU()));
    EXPECT_EQ(first->GetMaterialMode(), 1);
}

TEST_F(RWyxReader3dsTest, CamerasAndLightsWithTargets) {
    const Bytes file = MakeFile([](FtkDatabase* db) {
        std::unique_ptr<FtkCamera> camera;
        FtkInitCamera(camera);
        FtkCopyName(camera->name, "Cam");
        camera->fov = 60.0f;
        camera->nearRange = 1.0f;
        FtkPutCamera(db, camera.get());
        std::unique_ptr<FtkLight> spot;
        FtkInitSpotlight(spot);
        FtkCopyName(spot->name, "Spot");
        FtkPutLight(db, spot.get());
        std::unique_ptr<FtkCameraMotion> motion;
        FtkInitCameraMotion(motion, 1, 0, 0, 1);
        FtkCopyName(motion->name, "Cam");
        FtkPutCameraMotion(db, motion.get());
    });
    ASSERT_TRUE(Read(file)) << ErrorCodes();
    RWyxNode* camera = Node("Cam");
    ASSERT_NE(camera->GetCamera(), nullptr);
    EXPECT_EQ(camera->GetTarget(), Node("Cam.Target"));
    EXPECT_NEAR(camera->GetCamera()->GetNearPlane(), 2.54, 1e-6);
    EXPECT_NEAR(camera->GetCamera()->GetFarPlane(), 1000 * 2.54 * 10, 1e-3);
    EXPECT_EQ(camera->GetCamera()->GetApertureMode(), RWyxCamera::kApertureHorizontal);
    // A track without values: one key of the camera chunk's 60 degrees and the camera's field
    // of view.
    RFCurve* fov = camera->GetCurrentTakeNode()->GetFieldOfViewCurve();
    ASSERT_EQ(fov->GetKeyCount(), 1);
    EXPECT_FLOAT_EQ(fov->GetKey(0).GetValue(), 60.0f);
    EXPECT_NEAR(camera->GetCamera()->GetDefaultFieldOfView(), 60.0, 1e-4);
    RWyxNode* spot = Node("Spot");  // no keyframer node: made from the light
    ASSERT_NE(spot->GetLight(), nullptr);
    EXPECT_EQ(spot->GetLight()->GetLightType(), 2);
    EXPECT_NEAR(spot->GetLight()->GetDefaultConeAngle(), 44.0, 1e-6);  // the spotlight chunk's hotspot
    EXPECT_EQ(spot->GetTarget(), Node("Spot.Target"));
    RVector4 post;
    spot->GetPostTargetRotation(post);
    EXPECT_EQ(post.z, 90.0);
}

// A file whose keyframer has nodes for some objects only: each kind has one object with a node
// (at 7 on the file's x axis) and one without, which is read where its chunk puts it.
TEST_F(RWyxReader3dsTest, ObjectsTheKeyframerLeavesOutAreReadWhereTheirChunksPutThem) {
    const Bytes file = MakeFile([](FtkDatabase* db) {
        for (const char* name : {"Keyed", "Loose"}) {
            std::unique_ptr<FtkMeshObject> mesh;
            FtkInitMeshObject(mesh, 3, 1, 0);
            FtkCopyName(mesh->name, name);
            const float frame[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 5, 0, 1};  // a move to (5, 0, 1)
            std::copy(frame, frame + 12, mesh->localMatrix);
            FtkPutMeshObject(db, mesh.get());
        }
        for (const std::string name : {"Lamp", "Bulb", "Spot", "Beam"}) {
            std::unique_ptr<FtkLight> light;
            if (name == "Spot" || name == "Beam") {
                FtkInitSpotlight(light);
                light->spot->target = {4, 5, 6};
            } else {
                FtkInitLight(light);
            }
            FtkCopyName(light->name, name.c_str());
            light->position = {1, 2, 3};
            light->color = {0.5f, 0.25f, 1.0f};
            FtkPutLight(db, light.get());
        }
        for (const char* name : {"Cam", "View"}) {
            std::unique_ptr<FtkCamera> camera;
            FtkInitCamera(camera);
            FtkCopyName(camera->name, name);
            camera->position = {10, -10, 8};
            camera->target = {0, 0, 1};
            FtkPutCamera(db, camera.get());
        }
        std::unique_ptr<FtkObjectMotion> object;
        FtkInitObjectMotion(object, 1, 0, 0, 0, 0);
        std::unique_ptr<FtkOmniMotion> omni;
        FtkInitOmniMotion(omni, 1, 0);
        std::unique_ptr<FtkSpotMotion> spot;
        FtkInitSpotMotion(spot, 1, 0, 0, 0, 0, 0);
        std::unique_ptr<FtkCameraMotion> cam;
        FtkInitCameraMotion(cam, 1, 0, 0, 0);
        FtkCopyName(object->name, "Keyed");
        FtkCopyName(omni->name, "Lamp");
        FtkCopyName(spot->name, "Spot");
        FtkCopyName(cam->name, "Cam");
        object->position.values[0] = omni->position.values[0] = spot->position.values[0] =
            cam->position.values[0] = {7, 0, 0};
        FtkPutObjectMotion(db, object.get());
        FtkPutOmniMotion(db, omni.get());
        FtkPutSpotMotion(db, spot.get());
        FtkPutCameraMotion(db, cam.get());
    });
    ASSERT_TRUE(Read(file, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); }))) << ErrorCodes();
    // One node each (two with a target node for spots and cameras): none lost, none doubled.
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 12);
    auto expectAt = [this](const char* name, const RVector4& at) {
        RVector4 translation(99, 99, 99, 0);
        if (RWyxNode* node = Node(name)) node->GetDefaultTranslation(translation);
        EXPECT_NEAR((translation - at).Length3(), 0.0, 1e-6) << name;
    };
    for (const char* keyed : {"Keyed", "Lamp", "Spot", "Cam"}) expectAt(keyed, RVector4(7, 0, 0, 0));
    expectAt("Loose", RVector4(5, 1, 0, 0));
    expectAt("Bulb", RVector4(1, 3, -2, 0));
    expectAt("Beam", RVector4(1, 3, -2, 0));
    expectAt("Beam.Target", RVector4(4, 6, -5, 0));
    expectAt("View", RVector4(10, 8, 10, 0));
    expectAt("View.Target", RVector4(0, 1, 0, 0));
    for (const char* name : {"Loose", "Bulb", "Beam", "View"}) ASSERT_NE(Node(name), nullptr) << name;
    ASSERT_NE(Node("Loose")->GetMesh(), nullptr);
    EXPECT_EQ(Node("Loose")->GetMesh()->GetControlPointsCount(), 3);
    ASSERT_NE(Node("Beam")->GetLight(), nullptr);
    EXPECT_EQ(Node("Beam")->GetLight()->GetLightType(), 2);
    ASSERT_NE(Node("Bulb")->GetLight(), nullptr);
    EXPECT_NEAR((Node("Bulb")->GetLight()->GetDefaultColor() - RVector4(0.5, 0.25, 1, 0)).Length3(), 0.0, 1e-6);
    EXPECT_NE(Node("View")->GetCamera(), nullptr);
}

// A spot light whose first node (at 7), tagged as a spot's or as an omni's, is followed by an
// omni-tagged node of its name (at 9) keeps its first node; the second stays an empty node, as
// the light is not taken a second time.
TEST_F(RWyxReader3dsTest, ALightIsTakenByOneNodeOnly) {
    for (const bool spotFirst : {true, false}) {
        const Bytes file = MakeFile([spotFirst](FtkDatabase* db) {
            std::unique_ptr<FtkLight> light;
            FtkInitSpotlight(light);
            FtkCopyName(light->name, "Spot");
            FtkPutLight(db, light.get());
            std::unique_ptr<FtkSpotMotion> spot;
            FtkInitSpotMotion(spot, 1, 0, 0, 0, 0, 0);
            std::unique_ptr<FtkOmniMotion> omni;
            FtkInitOmniMotion(omni, 1, 0);
            FtkCopyName(spot->name, "Spot");
            FtkCopyName(omni->name, "Spot");
            spot->position.values[0] = omni->position.values[0] = {7, 0, 0};
            if (spotFirst) {
                FtkPutSpotMotion(db, spot.get());
            } else {
                FtkPutOmniMotion(db, omni.get());
            }
            omni->position.values[0] = {9, 0, 0};
            FtkPutOmniMotion(db, omni.get());
        });
        ASSERT_TRUE(Read(file, Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); })))
            << ErrorCodes();
        RWyxNode* root = scene->GetRootNode();
        EXPECT_EQ(root->GetChildCount(), 3) << spotFirst;  // the light, its target, the empty node
        int lights = 0;
        for (int i = 0; i < root->GetChildCount(); ++i) {
            if (root->GetChild(i)->GetLight() == nullptr) continue;
            ++lights;
            RVector4 translation;
            root->GetChild(i)->GetDefaultTranslation(translation);
            EXPECT_EQ(translation.x, 7.0) << spotFirst;
        }
        EXPECT_EQ(lights, 1) << spotFirst;
        factory.DestroyAll();
        scene = factory.CreateScene();
    }
}

// Gives every `from` in the bytes the name `to` of the same length: namesakes the toolkit
// would not put in one file.
void Rename(Bytes& bytes, const std::string& from, const std::string& to) {
    for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), from.begin(), from.end())) != bytes.end();) {
        at = std::copy(to.begin(), to.end(), at);
    }
}

// Meshes "Twin" of 3 and of 6 points, "Box", and one of a name as long as names go; an object
// node for each name given.
Bytes NamedMeshesFile(std::initializer_list<const char*> nodes) {
    Bytes bytes = MakeFile([nodes](FtkDatabase* db) {
        for (const auto& [name, points] : {std::make_pair("Twin", 3), std::make_pair("Twix", 6),
                                           std::make_pair("Box", 3), std::make_pair("TenLetters", 3)}) {
            std::unique_ptr<FtkMeshObject> mesh;
            FtkInitMeshObject(mesh, points, points / 3, 0);
            FtkCopyName(mesh->name, name);
            for (int i = 0; i < points; ++i) mesh->vertices[i] = {static_cast<float>(i), 0, static_cast<float>(i % 3)};
            for (int f = 0; f < points / 3; ++f) {
                const auto first = static_cast<std::uint16_t>(3 * f);
                mesh->faces[f] = {first, static_cast<std::uint16_t>(first + 1), static_cast<std::uint16_t>(first + 2), 7};
            }
            FtkPutMeshObject(db, mesh.get());
        }
        for (const char* name : nodes) {
            std::unique_ptr<FtkObjectMotion> motion;
            FtkInitObjectMotion(motion, 1, 1, 1, 0, 0);
            FtkCopyName(motion->name, name);
            FtkPutObjectMotion(db, motion.get());
        }
    });
    Rename(bytes, "Twix", "Twin");
    return bytes;
}

// A node takes the first mesh of its name in the file, by the whole name and its case.
TEST_F(RWyxReader3dsTest, ANodeTakesTheFirstMeshOfItsExactName) {
    ASSERT_TRUE(Read(NamedMeshesFile({"Twin", "BOX", "TenLetters", "Twin"}))) << ErrorCodes();
    RWyxNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 5);  // the four nodes in file order, then "Box" made for its mesh
    const char* names[5] = {"Twin", "BOX", "TenLetters", "Twin", "Box"};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(root->GetChild(i)->GetNameWithoutPrefix().Buffer(), names[i]) << i;
    for (int twin : {0, 3}) {
        ASSERT_NE(root->GetChild(twin)->GetMesh(), nullptr) << twin;
        EXPECT_EQ(root->GetChild(twin)->GetMesh()->GetControlPointsCount(), 3) << twin;  // not the 6 of the second
    }
    EXPECT_NE(root->GetChild(0)->GetMesh(), root->GetChild(3)->GetMesh());  // a copy for the second node
    EXPECT_EQ(root->GetChild(1)->GetMesh(), nullptr);                          // "BOX" is not "Box"
    EXPECT_NE(root->GetChild(2)->GetMesh(), nullptr);
    EXPECT_NE(root->GetChild(4)->GetMesh(), nullptr);
}

// Of two omni lights of one name, the node takes the first, with its colour.
TEST_F(RWyxReader3dsTest, ALightNodeTakesTheFirstLightOfItsName) {
    Bytes file = MakeFile([](FtkDatabase* db) {
        for (const auto& [name, red] : {std::make_pair("Lamp", 0.25f), std::make_pair("Lamq", 0.75f)}) {
            std::unique_ptr<FtkLight> light;
            FtkInitLight(light);
            FtkCopyName(light->name, name);
            light->color = {red, 0.5f, 0.5f};
            FtkPutLight(db, light.get());
        }
        std::unique_ptr<FtkOmniMotion> omni;
        FtkInitOmniMotion(omni, 1, 0);
        FtkCopyName(omni->name, "Lamp");
        FtkPutOmniMotion(db, omni.get());
    });
    Rename(file, "Lamq", "Lamp");
    ASSERT_TRUE(Read(file)) << ErrorCodes();
    RWyxNode* root = scene->GetRootNode();
    ASSERT_EQ(root->GetChildCount(), 1);  // the second light has a node of its name already
    ASSERT_NE(root->GetChild(0)->GetLight(), nullptr);
    EXPECT_NEAR(root->GetChild(0)->GetLight()->GetDefaultColor().x, 0.25, 1e-6);
}

TEST_F(RWyxReader3dsTest, AFailedReadReleasesItsFileAndTheNextFileReadsAgain) {
    const Bytes whole = CubeFile(kOneMask);
    Bytes damaged = whole;
    damaged.resize(damaged.size() / 2);
    EXPECT_FALSE(Read(damaged));
    for (int slot = 0; slot < FtkFileTableHighWater(); ++slot) EXPECT_EQ(FtkGetFileByIndex(slot), nullptr) << slot;
    EXPECT_TRUE(ftkErrorPending);
    // Opening the next file clears the toolkit's pending error.
    EXPECT_TRUE(Read(whole)) << ErrorCodes();
}

TEST_F(RWyxReader3dsTest, AFileClosedUnderTheReaderOrWriterIsNotUsed) {
    const Bytes bytes = CubeFile(kOneMask);
    RWyxReader3ds reader(&factory);
    ASSERT_TRUE(reader.OpenMemory(bytes.data(), bytes.size()));
    RWyxWriter3ds writer(&factory);
    ASSERT_TRUE(writer.CreateInMemory());
    FtkCloseAllFiles();  // as a toolkit user closing every file would
    EXPECT_FALSE(reader.Read(scene, Options().get()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);
    EXPECT_FALSE(writer.Write(scene, Options().get()));
    EXPECT_EQ(writer.GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
}

TEST_F(RWyxReader3dsTest, TheImporterReadsA3dsFileAndReportsOneItCannotOpen) {
    ScratchFolder folder;
    const Bytes bytes = CubeFile(kOneMask);
    const std::string path = folder.WriteFile("cube.3ds", std::string(bytes.begin(), bytes.end()));
    RWyxFileImporter* importer = factory.CreateFileImporter();
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    RStreamOptionsPtr options = importer->GetReadOptions(false);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(importer->Import(scene, options.get())) << importer->GetLastErrorString();
    EXPECT_NE(Node("Cube"), nullptr);
    RWyxReader3ds reader(&factory);
    EXPECT_FALSE(reader.FileOpen(folder.Join("missing.3ds").c_str()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);
}

}  // namespace
