// Our OBJ and DXF files as readers of the field read them: tinyobjloader (OBJ), dxflib (DXF
// layers, polylines and vertices) and ezdxf (DXF polyface faces, through a small script); and
// a DXF file that ezdxf writes, as our reader reads it.

#include "formats/geometry/RWyxReaderDxf.h"
#include "formats/geometry/RWyxWriterDxf.h"
#include "formats/geometry/RWyxWriterObj.h"
#include "tests/formats/geometry/GeometryFormatTestSupport.h"

#include <dxflib/dl_creationadapter.h>
#include <dxflib/dl_dxf.h>
#include <tiny_obj_loader.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

namespace geometry_format_test {
namespace {

// Debian's tinyobjloader keeps floats.
void ExpectClose(double got, double want) { EXPECT_NEAR(got, want, 1e-6 * std::max(1.0, std::fabs(want))); }

// Runs one of this folder's Python scripts (Debian's python3, where python3-ezdxf lives) with
// the path as its argument; answers its exit status and what it printed.
int RunScript(const char* script, const std::string& path, std::string& output) {
    const std::string command = std::string("/usr/bin/python3 " WYX_TEST_SOURCE_DIR "/") + script + " '" + path + "'";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    output.clear();
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    return pclose(pipe);
}

using Faces = std::vector<std::vector<RVector4>>;  // each face its corners' points, in order

// The polyface faces of a DXF file as ezdxf reads them (DXF axes), by layer.
std::map<std::string, Faces> EzdxfFaces(const std::string& path) {
    std::string output;
    EXPECT_EQ(RunScript("polyface_faces.py", path, output), 0) << output;
    std::map<std::string, Faces> faces;
    Faces* current = nullptr;
    std::istringstream lines(output);
    for (std::string word; lines >> word;) {
        std::string rest;
        std::getline(lines, rest);
        std::istringstream values(rest);
        if (word == "mesh") {
            std::string layer;
            values >> layer;
            current = &faces[layer];
        } else if (current != nullptr) {
            current->emplace_back();
            for (double x, y, z; values >> x >> y >> z;) current->back().emplace_back(x, y, z, 1);
        }
    }
    return faces;
}

// How many faces turn their front (the side from which their corners run counter-clockwise)
// away from the centre of the closed solid they bound.
int FacesFacingOut(const Faces& faces, const RVector4& centre) {
    int out = 0;
    for (const std::vector<RVector4>& face : faces) {
        RVector4 normal(0, 0, 0, 0);  // Newell's
        RVector4 middle(0, 0, 0, 0);
        for (std::size_t i = 0; i < face.size(); ++i) {
            const RVector4& a = face[i];
            const RVector4& b = face[(i + 1) % face.size()];
            normal += RVector4((a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y), 0);
            middle += a * (1.0 / static_cast<double>(face.size()));
        }
        out += normal.Dot3(middle - centre) > 0 ? 1 : 0;
    }
    return out;
}

class PeerReaderTest : public GeometryFormatTest {
protected:
    // A scene of two meshes: a cube with a material, normals and UVs, and a moved pentagon.
    void BuildScene() {
        RWyxNode* cube = AddCube("cube");
        RWyxMesh& mesh = *cube->GetMesh();
        AddMaterial(mesh, "paint", 0.25, 0.5, 1.0)->SetOpacity(0.75);
        mesh.InitNormals(8);
        for (int k = 0; k < 8; ++k) mesh.GetNormals()[k] = RVector4(0, 0, k % 2 == 0 ? 1 : -1, 0);
        mesh.InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
        for (int k = 0; k < 8; ++k) mesh.AddTextureUV(k / 8.0, 1 - k / 8.0);
        std::vector<RVector4> ring;
        for (int i = 0; i < 5; ++i) ring.emplace_back(std::cos(i * 1.2566), std::sin(i * 1.2566), 0.5, 1);
        RWyxNode* five = AddMeshNode("five sides", ring, {{0, 1, 2, 3, 4}});
        five->SetDefaultTranslation(RVector4(100, -3, 2.5, 0));
    }
    std::vector<RVector4> WorldPoints(const char* name) {
        RWyxNode* node = Node(name);
        const RMatrix matrix = *node->GetPivotGlobalTransform(0, false);
        std::vector<RVector4> points;
        for (int k = 0; k < node->GetMesh()->GetControlPointsCount(); ++k) {
            points.push_back(matrix.TransformPoint(node->GetMesh()->GetControlPoints()[k]));
        }
        return points;
    }
    // Writes the scene as DXF without triangulating it.
    void WriteDxf(const std::string& path) {
        RWyxWriterDxf writer(&factory);
        ASSERT_TRUE(writer.FileCreate(path.c_str()));
        OptionsPtr<RStreamOptionsDxf> options = DxfOptions();
        options->SetOptionValue(RStreamOptionsDxf::kForceTriangulation, 0);
        ASSERT_TRUE(writer.Write(scene, options.get()));
        ASSERT_TRUE(writer.FileClose());
    }
    // The node's polygons as the points of their corners, in world space.
    Faces WorldFaces(const char* name) {
        const std::vector<RVector4> points = WorldPoints(name);
        const RWyxMesh& mesh = *Node(name)->GetMesh();
        Faces faces(static_cast<std::size_t>(mesh.GetPolygonCount()));
        for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
            for (const int k : Corners(mesh, p)) {
                faces[static_cast<std::size_t>(p)].push_back(points[static_cast<std::size_t>(k)]);
            }
        }
        return faces;
    }
};

TEST_F(PeerReaderTest, TinyObjLoaderReadsOurObjWithTheSameCountsAndCoordinates) {
    BuildScene();
    const std::string path = scratch.Join("scene.obj");
    RWyxWriterObj writer(&factory);
    ASSERT_TRUE(writer.FileCreate(path.c_str()));
    ASSERT_TRUE(writer.Write(scene, ObjOptions().get()));
    ASSERT_TRUE(writer.FileClose());

    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), scratch.Path().c_str(), false))
        << err;
    EXPECT_TRUE(err.empty()) << err;
    ASSERT_EQ(attrib.vertices.size(), 3u * 13u);
    EXPECT_EQ(attrib.normals.size(), 3u * 8u);
    EXPECT_EQ(attrib.texcoords.size(), 2u * 8u);
    ASSERT_EQ(shapes.size(), 2u);
    EXPECT_EQ(shapes[0].name, "cube");
    EXPECT_EQ(shapes[0].mesh.num_face_vertices, std::vector<unsigned char>(6, 4));
    EXPECT_EQ(shapes[1].mesh.num_face_vertices, std::vector<unsigned char>(1, 5));
    const std::vector<RVector4> five = WorldPoints("five sides");
    for (int k = 0; k < 5; ++k) {
        const tinyobj::index_t& index = shapes[1].mesh.indices[static_cast<std::size_t>(k)];
        ExpectClose(attrib.vertices[3 * index.vertex_index], five[k].x);
        ExpectClose(attrib.vertices[3 * index.vertex_index + 1], five[k].y);
        ExpectClose(attrib.vertices[3 * index.vertex_index + 2], five[k].z);
        EXPECT_EQ(index.texcoord_index, -1);
    }
    const tinyobj::index_t& corner = shapes[0].mesh.indices[1];  // corner 3 of the cube's first face
    ExpectClose(attrib.texcoords[2 * corner.texcoord_index], 3 / 8.0);
    ExpectClose(attrib.normals[3 * corner.normal_index + 2], -1.0);
    ASSERT_EQ(materials.size(), 2u);  // paint, and "default" for the pentagon
    EXPECT_EQ(materials[0].name, "paint");
    ExpectClose(materials[0].diffuse[1], 0.5);
    ExpectClose(materials[0].dissolve, 0.75);
}

struct DxfCollector : DL_CreationAdapter {
    void addLayer(const DL_LayerData& data) override { layers.push_back(data.name); }
    void addPolyline(const DL_PolylineData& data) override { polylines.push_back({static_cast<int>(data.m), static_cast<int>(data.n), data.flags}); }
    void addVertex(const DL_VertexData& data) override { vertices.push_back({data.x, data.y, data.z}); }
    std::vector<std::string> layers;
    std::vector<std::array<int, 3>> polylines;
    std::vector<std::array<double, 3>> vertices;
};

TEST_F(PeerReaderTest, DxflibAndEzdxfReadOurDxfLayersPolylinesPointsAndFaces) {
    BuildScene();
    const std::string path = scratch.Join("scene.dxf");
    ASSERT_NO_FATAL_FAILURE(WriteDxf(path));

    DxfCollector collector;
    DL_Dxf dxf;
    ASSERT_TRUE(dxf.in(path, &collector));
    EXPECT_EQ(collector.layers, (std::vector<std::string>{"cube", "five_sides"}));
    ASSERT_EQ(collector.polylines.size(), 2u);
    EXPECT_EQ(collector.polylines[0], (std::array<int, 3>{8, 6, 64}));
    EXPECT_EQ(collector.polylines[1], (std::array<int, 3>{5, 3, 64}));  // the pentagon as three triangles
    const std::vector<RVector4> cube = WorldPoints("cube");
    const std::vector<RVector4> five = WorldPoints("five sides");
    ASSERT_EQ(collector.vertices.size(), 8u + 5u);  // dxflib hands over the mesh points, not face records
    for (int k = 0; k < 5; ++k) {
        const std::array<double, 3>& v = collector.vertices[8 + static_cast<std::size_t>(k)];
        ExpectClose(v[0], five[k].x);
        ExpectClose(v[1], -five[k].z);
        ExpectClose(v[2], five[k].y);
    }

    // ezdxf's faces: the cube's six quadrilaterals with our points, in the polygons' order.
    std::string output;
    ASSERT_EQ(RunScript("polyface_faces.py", path, output), 0) << output;
    std::istringstream lines(output);
    std::string line;
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "mesh cube 6");
    RWyxMesh& mesh = *Node("cube")->GetMesh();
    for (int p = 0; p < 6; ++p) {
        ASSERT_TRUE(std::getline(lines, line));
        std::istringstream face(line.substr(5));
        for (int i = 0; i < 4; ++i) {
            const RVector4& q = cube[static_cast<std::size_t>(mesh.GetPolygonVertex(p, i))];
            double x, y, z;
            face >> x >> y >> z;
            ExpectClose(x, q.x);
            ExpectClose(y, -q.z);
            ExpectClose(z, q.y);
        }
    }
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, "mesh five_sides 3");
}

// A DXF axis change is a rotation, so every face ezdxf reads from our file faces the side it
// faces in the scene: out of a cube and out of a moved hexagonal prism, whose six-cornered caps
// are written as triangles.
TEST_F(PeerReaderTest, EzdxfSeesTheFacesOfOurClosedSolidsFacingOut) {
    AddCube("cube");
    std::vector<RVector4> points;
    for (const double y : {0.0, 2.0}) {
        for (int i = 0; i < 6; ++i) points.emplace_back(std::cos(i * M_PI / 3), y, std::sin(i * M_PI / 3), 1);
    }
    std::vector<std::vector<int>> polygons{{0, 1, 2, 3, 4, 5}, {11, 10, 9, 8, 7, 6}};
    for (int i = 0; i < 6; ++i) polygons.push_back({i, i + 6, (i + 1) % 6 + 6, (i + 1) % 6});
    AddMeshNode("prism", points, polygons)->SetDefaultTranslation(RVector4(5, 0, 0, 0));
    // Scene centres (0.5, 0.5, 0.5) and (5, 1, 0); in DXF axes (x, -z, y).
    ASSERT_EQ(FacesFacingOut(WorldFaces("cube"), RVector4(0.5, 0.5, 0.5, 1)), 6);
    ASSERT_EQ(FacesFacingOut(WorldFaces("prism"), RVector4(5, 1, 0, 1)), 8);
    const std::string path = scratch.Join("solids.dxf");
    ASSERT_NO_FATAL_FAILURE(WriteDxf(path));

    std::map<std::string, Faces> faces = EzdxfFaces(path);
    ASSERT_EQ(faces["cube"].size(), 6u);
    EXPECT_EQ(FacesFacingOut(faces["cube"], RVector4(0.5, -0.5, 0.5, 1)), 6);
    ASSERT_EQ(faces["prism"].size(), 14u);  // 6 sides and 2 x 4 triangles
    EXPECT_EQ(FacesFacingOut(faces["prism"], RVector4(5, 0, 1, 1)), 14);
}

// A cube that ezdxf writes with its faces out (ezdxf checks them) reads with its faces out,
// about its centre (10, 20, 30), in scene axes (10, 30, -20).
TEST_F(PeerReaderTest, AnEzdxfCubeFacingOutReadsFacingOut) {
    const std::string path = scratch.Join("cube.dxf");
    std::string output;
    ASSERT_EQ(RunScript("ezdxf_outward_cube.py", path, output), 0) << output;
    RWyxReaderDxf reader(&factory);
    OptionsPtr<RStreamOptionsDxf> options = DxfOptions();
    options->SetOptionValue(RStreamOptionsDxf::kCreateReferenceNode, 0);
    ASSERT_TRUE(reader.ReadBytes(scene, options.get(), ScratchFolder::ReadFile(path))) << reader.GetLastErrorString();
    ASSERT_NE(MeshOf("cube"), nullptr);
    ASSERT_EQ(MeshOf("cube")->GetPolygonCount(), 6);
    EXPECT_EQ(FacesFacingOut(WorldFaces("cube"), RVector4(10, 30, -20, 1)), 6);
}

// Nested INSERTs, LWPOLYLINEs and POLYLINE meshes stay out of the scene, each kind said once
// with its count, whatever the grouping: the block "outer", inserted twice, inserts "inner"
// and draws one LWPOLYLINE and one mesh; the model space draws two more and one more.
TEST_F(PeerReaderTest, WhatOurDxfReaderLeavesOutOfAnEzdxfDrawingIsCounted) {
    const std::string path = scratch.Join("ezdxf.dxf");
    std::string output;
    ASSERT_EQ(RunScript("ezdxf_left_out.py", path, output), 0) << output;
    const std::string text = ScratchFolder::ReadFile(path);
    for (const int choice : {RStreamOptionsDxf::kChoiceLayer, RStreamOptionsDxf::kChoiceBlock,
                             RStreamOptionsDxf::kChoiceEntity}) {
        SCOPED_TRACE(choice);
        scene = factory.CreateScene();
        RWyxReaderDxf reader(&factory);
        OptionsPtr<RStreamOptionsDxf> options = DxfOptions();
        options->SetOptionValue(RStreamOptionsDxf::kCreateReferenceNode, 0);
        options->SetOptionValue(RStreamOptionsDxf::kObjectDerivation, choice);
        ASSERT_TRUE(reader.ReadBytes(scene, options.get(), text)) << reader.GetLastErrorString();
        const std::string messages = reader.GetMessageText().Buffer();
        EXPECT_NE(messages.find("INSERTs inside blocks not followed: 2\n"), std::string::npos) << messages;
        EXPECT_NE(messages.find("LWPOLYLINE entities left out: 4\n"), std::string::npos) << messages;
        EXPECT_NE(messages.find("POLYLINE meshes left out: 3\n"), std::string::npos) << messages;
        EXPECT_EQ(reader.GetWarningCount(), 9);
        EXPECT_EQ(Node("Mesh"), nullptr);
        // What is read still comes in: both insertions of "outer" with its own LINE.
        ASSERT_NE(Node("outer1"), nullptr);
        ASSERT_NE(Node("outer1")->GetMesh(), nullptr);
        EXPECT_EQ(Node("outer1")->GetMesh()->GetControlPointsCount(), 2);
        RVector4 placed;
        ExpectPoint(Node("outer1")->GetDefaultTranslation(placed), 20, 0, 0);
    }
}

}  // namespace
}  // namespace geometry_format_test
