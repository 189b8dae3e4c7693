// Host node creation through the import: meshes (polygons the host does not get, normals and
// UVs on the right polygons, UV layers), NURBS surfaces (wrap, forms, weights, knots), lights,
// cameras with their rigs, skeletons and their type tags.

#include "tests/support/ImportSceneSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxSkeleton.h"
#include "hostimport/HostNurbsSurface.h"
#include "plugin/HostNodeTag.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <vexa/VDoubleArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VPlug.h>
#include <vexa/VSelectionList.h>
#include <vexa/VStringArray.h>

#include <functional>
#include <memory>

namespace {

class NodeCreationTest : public SceneImportTest {
protected:
    static int tagOf(const char* name) { return LVGetLumtraxID(pathOf(name).node()); }
};

// A square (points 0-3) and an apex (4).
RWyxMesh* NewMesh(RWyxObjectFactory& factory) {
    RWyxMesh* mesh = factory.CreateMesh();
    mesh->InitControlPoints(5);
    const RVector4 points[5] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}, {0.5, 0.5, 1, 1}};
    for (int i = 0; i < 5; ++i) mesh->SetControlPointAt(i, points[i]);
    return mesh;
}

void AddPolygon(RWyxMesh& mesh, std::initializer_list<int> points, int& uv) {
    mesh.BeginPolygon();
    for (const int point : points) mesh.AddPolygonVertex(point, uv++);
}

// Polygon corners get the normals and UVs of their order: corner k has UV k (u = k / 10).
void AddCornerValues(RWyxMesh& mesh, const std::vector<RVector4>& normals) {
    mesh.InitNormals(static_cast<int>(normals.size()));
    for (size_t k = 0; k < normals.size(); ++k) mesh.GetNormals()[k] = normals[k];
}

VVector FaceVertexNormal(const VFnMesh& mesh, int face, int vertex) {
    VVector normal;
    EXPECT_TRUE(mesh.getFaceVertexNormal(face, vertex, normal));
    return normal;
}

int UvOf(const VFnMesh& mesh, int polygon, int corner, const char* set = "uvSet1") {
    int id = -1;
    const VString name(set);
    mesh.getPolygonUVid(polygon, corner, id, &name);
    return id;
}

TEST_F(NodeCreationTest, APolygonOfSizeZeroTakesNoHostPolygonAndNothingOfItsNeighbours) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = NewMesh(factory);
        mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        for (int k = 0; k < 7; ++k) mesh->AddTextureUV(k / 10.0, 0.0);
        int uv = 0;
        mesh->BeginPolygon();  // size 0
        AddPolygon(*mesh, {0, 1, 2, 3}, uv);
        AddPolygon(*mesh, {0, 1, 4}, uv);
        AddCornerValues(*mesh, {{0, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 1, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}, {1, 0, 0, 0}});
        AddNode(factory, root, "shape", mesh);
    }));
    const VFnMesh host(pathOf("shape"));
    ASSERT_EQ(host.numPolygons(), 2);
    EXPECT_EQ(FaceVertexNormal(host, 0, 2).z, 1.0);
    EXPECT_EQ(FaceVertexNormal(host, 1, 4).x, 1.0);
    EXPECT_EQ(UvOf(host, 0, 0), 0);
    EXPECT_EQ(UvOf(host, 1, 0), 4);
    EXPECT_EQ(UvOf(host, 1, 2), 6);
}

TEST_F(NodeCreationTest, PolygonsTheHostDropsOrThatNameMissingPointsLeaveTheOthersRight) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = NewMesh(factory);
        mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        for (int k = 0; k < 12; ++k) mesh->AddTextureUV(k / 10.0, 0.0);
        int uv = 0;
        AddPolygon(*mesh, {0, 1}, uv);        // two vertices: the host drops it
        AddPolygon(*mesh, {0, 1, 99}, uv);    // a point the mesh lacks
        AddPolygon(*mesh, {1, 2, 4}, uv);     // UVs 5 to 7
        mesh->BeginPolygon();
        mesh->AddPolygonVertex(2, 8);
        mesh->AddPolygonVertex(3, 50);  // a UV outside the UVs: that corner gets none, the others theirs
        mesh->AddPolygonVertex(4, 10);
        AddNode(factory, root, "shape", mesh);
    }));
    const VFnMesh host(pathOf("shape"));
    ASSERT_EQ(host.numPolygons(), 2);
    EXPECT_EQ(UvOf(host, 0, 0), 5);
    EXPECT_EQ(UvOf(host, 0, 2), 7);
    EXPECT_EQ(UvOf(host, 1, 0), 8);
    EXPECT_EQ(UvOf(host, 1, 1), -1);
    EXPECT_EQ(UvOf(host, 1, 2), 10);
    const VStringArray printed = VMessageLog::linesOf(VMessageLog::kStatus);
    std::string text;
    for (const VString& line : printed) text += line.str() + "\n";
    EXPECT_NE(text.find("1 polygons of shape name control points the mesh does not have"), std::string::npos) << text;
    EXPECT_NE(text.find("the number of polygons from the source object (3) don't match in the destination mesh (2)"),
              std::string::npos)
        << text;
}

TEST_F(NodeCreationTest, ThreeUVLayersGiveThreeSetsAndNormalsByPointStayOnTheirPoints) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxMesh* mesh = NewMesh(factory);
        int uv = 0;
        mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        for (int k = 0; k < 4; ++k) mesh->AddTextureUV(k / 10.0, 0.0);
        AddPolygon(*mesh, {0, 1, 2, 3}, uv);
        for (int layer = 1; layer <= 2; ++layer) {
            auto uvs = std::make_unique<RWyxLayerElementUV>();
            uvs->SetMappingMode(RWyxLayerElement::kByControlPoint);
            for (int p = 0; p < 5; ++p) uvs->AddDirect(RVector2(layer, p));
            mesh->EnsureLayer(layer)->SetUVs(std::move(uvs));
        }
        mesh->InitNormals(5);
        for (int p = 0; p < 5; ++p) mesh->GetNormals()[p] = RVector4(0, p == 2 ? 1 : 0, p == 2 ? 0 : 1, 0);
        AddNode(factory, root, "shape", mesh);
    }));
    const VFnMesh host(pathOf("shape"));
    VStringArray sets;
    ASSERT_TRUE(host.getUVSetNames(sets));
    ASSERT_EQ(sets.length(), 3u);
    EXPECT_EQ(sets[0], "uvSet1");
    EXPECT_EQ(sets[1], "uvSet2");
    EXPECT_EQ(sets[2], "uvSet3");
    EXPECT_EQ(UvOf(host, 0, 3, "uvSet1"), 3);
    EXPECT_EQ(UvOf(host, 0, 2, "uvSet3"), 2);
    VFloatArray u;
    VFloatArray v;
    const VString third("uvSet3");
    ASSERT_TRUE(host.getUVs(u, v, &third));
    EXPECT_EQ(u[2], 2.0f);
    VVector normal;
    ASSERT_TRUE(host.getVertexNormal(2, normal));
    EXPECT_EQ(normal.y, 1.0);
}

// ---- NURBS surfaces ----------------------------------------------------------------------------------

TEST_F(NodeCreationTest, AnEvenlyKnottedPeriodicSurfaceKeepsItsWeightsAndKnots) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        AddNode(factory, root, "surface", NewSurface(factory, kEvenKnots));
    }));
    const VFnNurbsSurface host(pathOf("surface"));
    // Host U is the SDK's V and host V the SDK's U, with its first 3 points repeated.
    EXPECT_EQ(host.formInV(), VFnNurbsSurface::kPeriodic);
    EXPECT_EQ(host.formInU(), VFnNurbsSurface::kOpen);
    EXPECT_EQ(host.numCVsInU(), 3);
    EXPECT_EQ(host.numCVsInV(), 7);
    EXPECT_EQ(host.degreeV(), 3);
    EXPECT_EQ(host.degreeU(), 1);
    EXPECT_TRUE(host.isRational());
    VPoint cv;
    ASSERT_TRUE(host.getCV(2, 1, cv));  // SDK V row 2, SDK U column 1: point 9
    EXPECT_EQ(cv.x, 1.0);
    EXPECT_EQ(cv.y, 2.0);
    EXPECT_DOUBLE_EQ(cv.w, 1.9);
    ASSERT_TRUE(host.getCV(1, 5, cv));  // a repeated point: column 1 again
    EXPECT_DOUBLE_EQ(cv.w, 1.5);
    VDoubleArray knots;
    ASSERT_TRUE(host.getKnotsInU(knots));
    ASSERT_EQ(knots.length(), 3u);
    EXPECT_EQ(knots[1], 0.1234567891);
    VStatus status;
    const VPlug precision = VFnDependencyNode(pathOf("surface").child(0)).findPlug("curvePrecision", &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(precision.asInt(), 5);
}

TEST_F(NodeCreationTest, AnUnevenlyKnottedPeriodicDirectionIsMadeOpenWithItsRepeatedPoints) {
    HostNurbsSurface converted;
    WyxVexaImportSession session;
    ASSERT_TRUE(ConvertNurbsToHost(*NewSurface(session.GetFactory(), kUnevenKnots), converted));
    EXPECT_TRUE(converted.nonUniform[0]);
    EXPECT_FALSE(converted.nonUniform[1]);
    EXPECT_EQ(converted.vForm, VFnNurbsSurface::kOpen);
    EXPECT_EQ(converted.controlVertices.length(), 21u);
    ASSERT_TRUE(ConvertNurbsToHost(*NewSurface(session.GetFactory(), kEvenKnots), converted));
    EXPECT_FALSE(converted.nonUniform[0]);

    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        AddNode(factory, root, "surface", NewSurface(factory, kUnevenKnots));
    }));
    const VFnNurbsSurface host(pathOf("surface"));
    EXPECT_EQ(host.formInV(), VFnNurbsSurface::kOpen);
    EXPECT_EQ(host.numCVsInV(), 7);

    // Knot vectors that do not fit the surface are refused before they reach the host.
    RWyxNurb* broken = session.GetFactory().CreateNurb();
    broken->SetOrder(1, 2);
    broken->InitControlPoints(2, RWyxNurb::kOpen, 2, RWyxNurb::kOpen);
    EXPECT_FALSE(ConvertNurbsToHost(*broken, converted));
    broken->SetOrder(9, 2);  // degree 8
    broken->InitControlPoints(12, RWyxNurb::kOpen, 2, RWyxNurb::kOpen);
    EXPECT_FALSE(ConvertNurbsToHost(*broken, converted));
    broken->SetOrder(4, 2);  // periodic with 2 points: 3 to repeat
    broken->InitControlPoints(2, RWyxNurb::kPeriodic, 2, RWyxNurb::kOpen);
    EXPECT_FALSE(ConvertNurbsToHost(*broken, converted));
    broken->InitControlPoints(3, RWyxNurb::kPeriodic, 2, RWyxNurb::kOpen);
    EXPECT_TRUE(ConvertNurbsToHost(*broken, converted));
}

// ---- lights, cameras, skeletons ---------------------------------------------------------------------

TEST_F(NodeCreationTest, EachLightTypeIsALightShapeUnderATransformOfItsOwn) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* holder = AddNode(factory, root, "holder", factory.CreateNull());
        const int types[3] = {RWyxLight::kPoint, RWyxLight::kInfinite, RWyxLight::kSpot};
        const char* names[3] = {"bulb", "sun", "spot"};
        for (int i = 0; i < 3; ++i) {
            RWyxLight* light = factory.CreateLight();
            light->SetLightType(types[i]);
            AddNode(factory, *holder, names[i], light);
        }
    }));
    const std::string scene = dump();
    for (const char* line : {"node pointLight |holder|bulb|bulbShape\n", "node directionalLight |holder|sun|sunShape\n",
                             "node spotLight |holder|spot|spotShape\n"}) {
        EXPECT_NE(scene.find(line), std::string::npos) << line << scene;
    }
}

TEST_F(NodeCreationTest, ACameraWithTargetAndUpGetsItsRigUnderItsParent) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* holder = AddNode(factory, root, "holder", factory.CreateNull());
        RWyxCamera* camera = factory.CreateCamera();
        camera->SetFocalLength(50.0);
        RWyxNode* node = AddNode(factory, *holder, "cam", camera);
        node->SetTarget(AddNode(factory, root, "target", nullptr));
        node->SetTargetUp(AddNode(factory, root, "upper", nullptr));
        AddNode(factory, root, "still", factory.CreateCamera());
    }));
    const std::string scene = dump();
    for (const char* line : {"node lookAt |holder|camera1_group\n", "node transform |holder|camera1_group|cam\n",
                             "node transform |holder|camera1_group|target\n",
                             "node transform |holder|camera1_group|upper\n", "node transform |still\n"}) {
        EXPECT_NE(scene.find(line), std::string::npos) << line << scene;
    }
    // The targets are made by the rig only.
    EXPECT_EQ(scene.find("node transform |target"), std::string::npos) << scene;
    EXPECT_EQ(scene.find("still_group"), std::string::npos) << scene;
    VFnCamera camera(pathOf("cam"));
    EXPECT_EQ(camera.focalLength(), 50.0);
    EXPECT_TRUE(camera.isClippingPlanes());
}

TEST_F(NodeCreationTest, SkeletonsBecomeJointsOrLocatorsWithTheirTypeTags) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        const auto joint = [&factory](int type) {
            RWyxSkeleton* skeleton = factory.CreateSkeleton();
            skeleton->SetSkeletonType(type);
            return skeleton;
        };
        AddNode(factory, root, "lonely", joint(RWyxSkeleton::kRoot));
        RWyxNode* hips = AddNode(factory, root, "hips", joint(RWyxSkeleton::kRoot));
        AddNode(factory, *hips, "other", factory.CreateNull());
        RWyxNode* leg = AddNode(factory, *hips, "leg", joint(RWyxSkeleton::kLimb));
        AddNode(factory, *leg, "foot", nullptr);
        AddNode(factory, *AddNode(factory, root, "body", factory.CreateMesh()), "bare", nullptr);
        // A mesh of one point and no polygon is a mesh still.
        RWyxMesh* dot = factory.CreateMesh();
        dot->InitControlPoints(1);
        dot->SetControlPointAt(0, RVector4(1.0, 2.0, 3.0, 1.0));
        AddNode(factory, root, "dot", dot);
        AddNode(factory, root, "effector", joint(RWyxSkeleton::kEffectorRoot));
        AddNode(factory, root, "limbnode", joint(RWyxSkeleton::kLimbNode));
    }));
    const std::string scene = dump();
    for (const char* line : {"node transform |lonely\n", "node locator |lonely|", "node joint |hips\n",
                             "node joint |hips|leg\n", "node joint |hips|leg|foot\n", "node transform |body|bare\n",
                             "node locator |body|bare|", "node joint |effector\n", "node joint |limbnode\n",
                             "node mesh |dot|dotShape\n"}) {
        EXPECT_NE(scene.find(line), std::string::npos) << line << scene;
    }
    VPoint point;
    ASSERT_TRUE(VFnMesh(pathOf("dot")).getPoint(0, point));
    EXPECT_EQ(point, VPoint(1.0, 2.0, 3.0));
    EXPECT_EQ(tagOf("lonely"), 2);
    EXPECT_EQ(tagOf("hips"), 2);
    EXPECT_EQ(tagOf("leg"), 4);
    EXPECT_EQ(tagOf("foot"), 3);
    EXPECT_EQ(tagOf("limbnode"), 5);
    EXPECT_EQ(tagOf("effector"), 3);
    EXPECT_EQ(tagOf("bare"), 0);
}

}  // namespace
