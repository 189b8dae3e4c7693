#ifndef WYX_TESTS_FORMATS_3DS_SCENE3DSTESTSUPPORT_H
#define WYX_TESTS_FORMATS_3DS_SCENE3DSTESTSUPPORT_H

// Helpers of the 3DS reader and writer suites: files made through the toolkit, scenes read
// from and written to memory, and a scene with every kind the writer writes.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "formats/3ds/RStreamOptions3ds.h"
#include "formats/3ds/RWyxReader3ds.h"
#include "formats/3ds/RWyxWriter3ds.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "tests/formats/3ds/FtkToolkitTest.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace scene3ds_test {

using ftk_test::Bytes;

// Options with their defaults, changed by `edit`.
inline RStreamOptionsPtr Options(const std::function<void(RStreamOptions3ds&)>& edit = nullptr) {
    RStreamOptions3ds* options = RStreamOptions3ds::Create();
    options->ResetHooks();
    if (edit) edit(*options);
    return RStreamOptionsPtr(options);
}

inline RTime Frame(int frame) {
    RTime time;
    time.SetFromTimecode(0, 0, 0, frame, 0, 6);
    return time;
}

// A curve given keys (frame, value).
inline void SetKeys(RFCurve* curve, std::initializer_list<std::pair<int, float>> keys) {
    ASSERT_NE(curve, nullptr);
    curve->ClearKeys();
    for (const auto& [frame, value] : keys) curve->AppendKey(Frame(frame), value);
}

// A mesh file of one database put together by `fill`, saved to bytes.
inline Bytes MakeFile(const std::function<void(FtkDatabase*)>& fill) {
    std::unique_ptr<FtkDatabase> database = ftk_test::NewDatabase(kFtkMeshFile);
    fill(database.get());
    Bytes bytes = ftk_test::Save(database.get());
    FtkReleaseDatabase(database);
    return bytes;
}

// A cube of 8 vertices and 12 faces; side s (two faces each) gets masks[s].
inline std::unique_ptr<FtkMeshObject> Cube(const char* name, const std::uint32_t masks[6]) {
    std::unique_ptr<FtkMeshObject> mesh;
    FtkInitMeshObject(mesh, 8, 12, kFtkMeshSmoothGroups | kFtkMeshTexVerts);
    FtkCopyName(mesh->name, name);
    for (int i = 0; i < 8; ++i) {
        mesh->vertices[i] = {static_cast<float>(i & 1), static_cast<float>((i >> 1) & 1), static_cast<float>((i >> 2) & 1)};
    }
    const std::uint16_t sides[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (int s = 0; s < 6; ++s) {
        mesh->faces[2 * s] = {sides[s][0], sides[s][1], sides[s][2], 7};
        mesh->faces[2 * s + 1] = {sides[s][2], sides[s][3], sides[s][0], 7};
        mesh->smoothGroups[2 * s] = masks[s];
        mesh->smoothGroups[2 * s + 1] = masks[s];
    }
    return mesh;
}

class Scene3dsTest : public ::testing::Test {
protected:
    void SetUp() override { ftk_test::ResetToolkit(); }
    void TearDown() override { ftk_test::ResetToolkit(); }

    // Reads bytes into the scene; the reader's message text goes to `messages`.
    bool Read(const Bytes& bytes, const RStreamOptionsPtr& options = Options()) {
        RWyxReader3ds reader(&factory);
        if (!reader.OpenMemory(bytes.data(), bytes.size())) return false;
        const bool read = reader.Read(scene, options.get());
        messages = reader.GetMessageText().Buffer();
        return read;
    }

    Bytes Write(const RStreamOptionsPtr& options = Options()) { return WriteScene(factory, scene, options); }

    static Bytes WriteScene(RWyxObjectFactory& from, RWyxScene* what, const RStreamOptionsPtr& options = Options()) {
        RWyxWriter3ds writer(&from);
        EXPECT_TRUE(writer.CreateInMemory());
        EXPECT_TRUE(writer.Write(what, options.get())) << writer.GetLastErrorString();
        return writer.GetMemoryContents();
    }

    RWyxNode* Node(const char* name) { return factory.FindNode(name, 0); }

    RWyxNode* AddNode(const char* name, RWyxNodeAttribute* attribute = nullptr, RWyxNode* parent = nullptr) {
        RWyxNode* node = factory.CreateNode(name);
        if (attribute != nullptr) node->SetNodeAttribute(attribute);
        (parent != nullptr ? parent : scene->GetRootNode())->AddChild(node);
        return node;
    }

    // A mesh of quads over the points given, all by control point.
    RWyxMesh* QuadMesh(const std::vector<RVector4>& points, const std::vector<std::vector<int>>& polygons) {
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(static_cast<int>(points.size()));
        for (std::size_t i = 0; i < points.size(); ++i) mesh->GetControlPoints()[i] = points[i];
        for (const auto& polygon : polygons) {
            mesh->BeginPolygon();
            for (int corner : polygon) mesh->AddPolygonVertex(corner);
        }
        return mesh;
    }

    // A mesh 3 across: the origin and a point 1, 2 and 3 along each axis, four triangles.
    RWyxMesh* Tetrahedron() {
        return QuadMesh({{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 3, 0}},
                        {{0, 1, 2}, {0, 1, 3}, {1, 2, 3}, {2, 0, 3}});
    }

    // The scaling curve of the axis (0 X, 1 Y, 2 Z) of the node's current take.
    static RFCurve* ScalingCurve(RWyxNode& node, int axis) {
        const auto channel = static_cast<RWyxTakeNode::Channel>(RWyxTakeNode::ScalingX + axis);
        return node.GetCurrentTakeNode()->GetChannelCurve(channel);
    }

    // Meshes scaled to 0 or flattened at frame 0, as objects that pop in from nothing, by name:
    // scaled 0 to 1 over a second, scale X keyed so (Y and Z 1), scaled (1, 1, 0) throughout at
    // the origin and turned at (1, 2, 3), scaled 0 throughout, and scaled on Y by a number a
    // float holds only below its normal numbers, turned so that no axis of a frame holds it.
    std::vector<std::pair<std::string, RWyxNode*>> AddPopIns() {
        struct PopIn {
            const char* name;
            RVector4 translation, rotation, scaling;
            int keyedAxes;  // scaling X up to this axis keyed from 0 at 0 s to 1 at 1 s
        };
        const PopIn popIns[] = {{"Grow", {1, 0, 0, 0}, {0, 30, 0, 0}, {1, 1, 1, 0}, 3},
                                {"GrowX", {2, 0, 1, 0}, {0, 0, 0, 0}, {1, 1, 1, 0}, 1},
                                {"Flat", {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 1, 0, 0}, 0},
                                {"Away", {1, 2, 3, 0}, {20, 40, 60, 0}, {1, 1, 0, 0}, 0},
                                {"Zero", {1, 2, 3, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, 0},
                                {"Thin", {1, 2, 3, 0}, {45, 0, 0, 0}, {1, 8e-46, 1, 0}, 0}};
        std::vector<std::pair<std::string, RWyxNode*>> nodes;
        for (const PopIn& popIn : popIns) {
            RWyxNode* node = AddNode(popIn.name, Tetrahedron());
            node->SetDefaultTranslation(popIn.translation);
            node->SetDefaultRotation(popIn.rotation);
            node->SetDefaultScaling(popIn.scaling);
            for (int axis = 0; axis < popIn.keyedAxes; ++axis) {
                SetKeys(ScalingCurve(*node, axis), {{0, 0.0f}, {30, 1.0f}});
            }
            nodes.emplace_back(popIn.name, node);
        }
        return nodes;
    }

    // Meshes that pop in from a small scale a float holds, keyed from it at 0 s to 1 at 1 s on
    // X alone or on all three axes, turned, 0, 5 and 100 away: from 1e-2 ("2_100X": 1e-2, 100
    // away, on X) down to 1e-30 ("30_5A"). Each is a Tetrahedron, as those of AddPopIns.
    std::vector<std::pair<std::string, RWyxNode*>> AddSmallPopIns() {
        std::vector<std::pair<std::string, RWyxNode*>> nodes;
        for (const int exponent : {2, 3, 4, 6, 10, 30}) {
            for (const int distance : {0, 5, 100}) {
                for (const bool allAxes : {false, true}) {
                    const std::string name =
                        std::to_string(exponent) + "_" + std::to_string(distance) + (allAxes ? "A" : "X");
                    RWyxNode* node = AddNode(name.c_str(), Tetrahedron());
                    node->SetDefaultTranslation(RVector4(0.6 * distance, 0, -0.8 * distance, 0));
                    node->SetDefaultRotation(RVector4(30, 45, 60, 0));
                    const float from = std::pow(10.0f, static_cast<float>(-exponent));
                    for (int axis = 0; axis < (allAxes ? 3 : 1); ++axis) {
                        SetKeys(ScalingCurve(*node, axis), {{0, from}, {30, 1.0f}});
                    }
                    nodes.emplace_back(name, node);
                }
            }
        }
        return nodes;
    }

    // The mesh's control points placed by the node's global transform at the frame.
    static std::vector<RVector4> WorldPoints(RWyxNode& node, int frame) {
        const RMatrix global = node.GetGlobalMatrixAt(Frame(frame));
        const RWyxMesh& mesh = *node.GetMesh();
        std::vector<RVector4> points;
        for (int i = 0; i < mesh.GetControlPointsCount(); ++i) points.push_back(global.TransformPoint(mesh.GetControlPoints()[i]));
        return points;
    }

    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    std::string messages;
};

// The frames pop-ins are compared at: 0, 0.5 and 1 s.
constexpr int kPopInFrames[] = {0, 15, 30};

// Loads bytes as a toolkit database (for looking at what the writer wrote).
inline std::unique_ptr<FtkDatabase> LoadFile(const Bytes& bytes) { return ftk_test::Load(bytes); }

}  // namespace scene3ds_test

#endif
