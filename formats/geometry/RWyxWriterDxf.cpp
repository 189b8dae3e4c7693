#include "formats/geometry/RWyxWriterDxf.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "formats/geometry/DxfColors.h"
#include "formats/geometry/ExportDeformation.h"
#include "formats/geometry/GeometryExport.h"
#include "formats/geometry/GeometryTextWriter.h"
#include "formats/geometry/PolygonSplit.h"
#include "formats/geometry/RStreamOptionsDxf.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <algorithm>
#include <cctype>
#include <new>

namespace {

constexpr const char* kHeader =
    "999\nRusvane Dxf writer for WYX\n"
    "  0\nSECTION\n  2\nHEADER\n"
    "  9\n$ACADVER\n  1\nAC1008\n"
    "  9\n$UCSORG\n 10\n0.0\n 20\n0.0\n 30\n0.0\n"
    "  9\n$UCSXDIR\n 10\n1.0\n 20\n0.0\n 30\n0.0\n"
    "  9\n$TILEMODE\n 70\n   1\n"
    "  9\n$UCSYDIR\n 10\n0.0\n 20\n1.0\n 30\n0.0\n"
    "  0\nENDSEC\n";

constexpr const char* kLineTypes =
    "  0\nTABLE\n  2\nLTYPE\n 70\n   1\n"
    "  0\nLTYPE\n  2\nCONTINUOUS\n 70\n   64\n  3\nSolid line\n 72\n   65\n 73\n   0\n 40\n0.0\n"
    "  0\nENDTAB\n";

int ColourOf(const RWyxMaterial* material) {
    if (material == nullptr) return 0;
    const RWyxColor diffuse = material->GetDiffuseColor();
    return RgbToDxfColor(diffuse.GetRed(), diffuse.GetGreen(), diffuse.GetBlue());
}

// The colour of the mesh's last material; 0 without materials.
int MeshColour(const RWyxMesh& mesh) {
    const int count = mesh.GetMaterialCount();
    return count > 0 ? ColourOf(mesh.GetMaterial(count - 1)) : 0;
}

// The colour of the material an index element entry names; 0 when none.
int IndexedColour(const RWyxMesh& mesh, int position) {
    const int* indices = mesh.GetMaterialIndices();
    if (indices == nullptr || position < 0 || position >= mesh.GetMaterialIndexCount()) return 0;
    return indices[position] >= 0 ? ColourOf(mesh.GetMaterial(indices[position])) : 0;
}

void CodeInt(GeometryTextWriter& out, const char* code, int value) { out.Text(code).Text("\n   ").Int(value).Char('\n'); }

}  // namespace

// One face record: up to four control points (in the polygon's order) and a colour (0: none).
struct RWyxWriterDxf::FaceRecord {
    int corners[4];
    int count;
    int colour;
};

RWyxWriterDxf::RWyxWriterDxf(RWyxObjectFactory* factory, RWyxIO* owner)
    : RWyxGeometryFileWriter(factory, owner, false) {}

RStreamOptionsPtr RWyxWriterDxf::GetWriteOptions() { return RStreamOptionsPtr(RStreamOptionsDxf::Create()); }

namespace {

std::string LowerCase(const std::string& text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

}  // namespace

bool RWyxWriterDxf::LayerNames::Has(const std::string& name) const { return lowered_.count(LowerCase(name)) > 0; }

void RWyxWriterDxf::LayerNames::Add(const std::string& name) {
    names_.push_back(name);
    lowered_.insert(LowerCase(name));
}

std::string RWyxWriterDxf::LayerName(const char* nodeName, LayerNames& taken) {
    std::string base(nodeName != nullptr ? nodeName : "");
    for (char& c : base) {
        const bool allowed = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '$';
        if (!allowed) c = '_';
    }
    if (base.empty()) base = "MESH";
    std::string name = base.substr(0, kMaxLayerNameLength);
    if (taken.Has(name)) {
        // A suffixed name keeps at most the base's first kMaxLayerNameLength - 2 characters,
        // so bases alike in those (ignoring case) try the same names; names are never given
        // back, so the numbers such a base tried before are still taken: go on from there.
        auto next = taken.nextCounter_.emplace(LowerCase(base.substr(0, kMaxLayerNameLength - 2)), 1).first;
        for (int counter = next->second;; ++counter) {
            const std::string suffix = "_" + std::to_string(counter);
            name = base.substr(0, kMaxLayerNameLength - suffix.size()) + suffix;
            if (!taken.Has(name)) {
                next->second = counter + 1;
                break;
            }
        }
    }
    taken.Add(name);
    return name;
}

bool RWyxWriterDxf::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    RWyxNode* root = BeginWrite(scene, options, RStreamOptionsDxf::ClassId());
    if (root == nullptr) return false;
    const auto& dxfOptions = static_cast<const RStreamOptionsDxf&>(*options);
    forceTriangulation_ = dxfOptions.IsOn(RStreamOptionsDxf::kForceTriangulation);
    evaluateDeformations_ = dxfOptions.IsOn(RStreamOptionsDxf::kEvaluateDeformations);
    try {
        std::vector<RWyxNode*> nodes = CollectNodesDepthFirst(*root);
        nodes.erase(nodes.begin());  // the root itself is written by its children only
        CountWarnings(ConvertNodesForExport(*GetFactory(), nodes, forceTriangulation_, MessageText()));
        std::vector<RWyxNode*> meshNodes;
        LayerNames layerNames;
        for (RWyxNode* node : nodes) {
            if (node->GetMesh() == nullptr) continue;
            meshNodes.push_back(node);
            LayerName(node->GetNameWithoutPrefix().Buffer(), layerNames);
        }
        const std::vector<std::string>& layers = layerNames.List();
        GeometryTextWriter out(File());
        WriteHeader(out);
        WriteTables(out, root->GetChildCount() > 0, meshNodes, layers);
        out.Text("  0\nSECTION\n  2\nBLOCKS\n  0\nENDSEC\n");
        out.Text("  0\nSECTION\n  2\nENTITIES\n");
        for (std::size_t i = 0; i < meshNodes.size(); ++i) {
            if (!WriteMeshNode(out, *meshNodes[i], layers[i])) return false;
        }
        out.Text("  0\nENDSEC\n  0\nEOF\n");
        return out.Flush() || FailStream(out, GetPath());
    } catch (const std::bad_alloc&) {
        SetError(kErrorUnidentified, "Out of memory while writing the DXF file");
        return false;
    }
}

void RWyxWriterDxf::WriteHeader(GeometryTextWriter& out) const { out.Text(kHeader); }

void RWyxWriterDxf::WriteTables(GeometryTextWriter& out, bool rootHasChildren, const std::vector<RWyxNode*>& meshNodes,
                                const std::vector<std::string>& layers) const {
    out.Text("  0\nSECTION\n  2\nTABLES\n");
    if (rootHasChildren) {
        out.Text(kLineTypes);
        out.Text("  0\nTABLE\n  2\nLAYER\n");
        CodeInt(out, " 70", static_cast<int>(meshNodes.size()));
        for (std::size_t i = 0; i < meshNodes.size(); ++i) {
            const int colour = MeshColour(*meshNodes[i]->GetMesh());
            out.Text("  0\nLAYER\n  2\n").Text(layers[i]).Text("\n 70\n   0\n");
            CodeInt(out, " 62", meshNodes[i]->GetVisibility() ? colour : -colour);
            out.Text("  6\nCONTINUOUS\n");
        }
        out.Text("  0\nENDTAB\n");
    }
    out.Text("  0\nENDSEC\n");
}

std::vector<RWyxWriterDxf::FaceRecord> RWyxWriterDxf::CollectFaceRecords(RWyxMesh& mesh,
                                                                         const std::vector<RVector4>& points,
                                                                         int meshColour) {
    const bool byPolygon = mesh.GetMaterialMappingKind() == RWyxMesh::kKindByPolygon;
    std::vector<FaceRecord> records;
    records.reserve(static_cast<std::size_t>(mesh.GetPolygonCount()));
    std::vector<int> corners;
    std::vector<RVector4> cornerPoints;
    std::vector<int> triangles;
    int skipped = 0;
    for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
        corners.clear();
        for (int v = 0; v < mesh.GetPolygonSize(p); ++v) {
            const int point = mesh.GetPolygonVertex(p, v);
            if (point >= 0 && static_cast<std::size_t>(point) < points.size()) corners.push_back(point);
        }
        const int colour = byPolygon ? IndexedColour(mesh, p) : meshColour;
        if (corners.size() < 2) {
            ++skipped;
            continue;
        }
        if (corners.size() <= 4) {
            FaceRecord record{{0, 0, 0, 0}, static_cast<int>(corners.size()), colour};
            std::copy(corners.begin(), corners.end(), record.corners);
            records.push_back(record);
            continue;
        }
        cornerPoints.clear();
        for (const int corner : corners) cornerPoints.push_back(points[static_cast<std::size_t>(corner)]);
        TriangulatePolygon(triangles, cornerPoints.data(), static_cast<int>(corners.size()));
        for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
            const auto at = [&](std::size_t i) { return corners[static_cast<std::size_t>(triangles[t + i])]; };
            records.push_back(FaceRecord{{at(0), at(1), at(2), 0}, 3, colour});
        }
    }
    if (skipped > 0) Warn(RString("Polygons with fewer than two corners left out: ") + skipped + "\n");
    return records;
}

bool RWyxWriterDxf::WriteMeshNode(GeometryTextWriter& out, RWyxNode& node, const std::string& layer) {
    RWyxMesh& mesh = *node.GetMesh();
    const RMatrix matrix = ExportMatrix(node);
    std::vector<RVector4> points;
    if (evaluateDeformations_ && HasExportDeformation(mesh)) {
        DeformedMesh deformed = EvaluateExportDeformation(node, mesh);
        CountWarnings(deformed.skippedShapes + deformed.skippedLinkIndices);
        points = std::move(deformed.points);
    } else if (const RVector4* own = mesh.GetControlPoints()) {
        points.assign(own, own + mesh.GetControlPointsCount());
    }
    const int meshColour = MeshColour(mesh);
    const std::vector<FaceRecord> records = CollectFaceRecords(mesh, points, meshColour);
    std::vector<int> pointColours;
    if (mesh.GetMaterialMappingKind() == RWyxMesh::kKindByControlPoint) {
        pointColours.resize(points.size());
        for (std::size_t k = 0; k < points.size(); ++k) pointColours[k] = IndexedColour(mesh, static_cast<int>(k));
    }
    for (std::size_t k = 0; k < points.size(); ++k) {
        points[k] = TransformExportPoint(matrix, points[k]);
        if (!IsFinitePoint(points[k])) {
            return RefuseNonFinite(node, RString("point ") + static_cast<int>(k) + " in world space", "a DXF file");
        }
    }

    // Polyface meshes of at most kMaxPolyfaceCount points and face records each. When the whole
    // mesh fits, its points are written in order (unused ones too) so that they keep their
    // indices; otherwise each part takes the points its records use, in order of first use.
    std::vector<int> local(points.size(), -1);
    if (points.size() <= kMaxPolyfaceCount && records.size() <= kMaxPolyfaceCount) {
        std::vector<int> vertices(points.size());
        for (std::size_t k = 0; k < points.size(); ++k) vertices[k] = static_cast<int>(k);
        for (std::size_t k = 0; k < points.size(); ++k) local[k] = static_cast<int>(k);
        WritePolyface(out, layer, meshColour, points, pointColours, vertices, records, 0, records.size(), local);
        return true;
    }
    std::size_t begin = 0;
    while (begin < records.size()) {
        std::vector<int> vertices;
        std::size_t end = begin;
        while (end < records.size() && end - begin < kMaxPolyfaceCount) {
            const FaceRecord& record = records[end];
            int fresh = 0;
            for (int i = 0; i < record.count; ++i) fresh += local[static_cast<std::size_t>(record.corners[i])] < 0 ? 1 : 0;
            if (vertices.size() + static_cast<std::size_t>(fresh) > kMaxPolyfaceCount) break;
            for (int i = 0; i < record.count; ++i) {
                int& index = local[static_cast<std::size_t>(record.corners[i])];
                if (index < 0) {
                    index = static_cast<int>(vertices.size());
                    vertices.push_back(record.corners[i]);
                }
            }
            ++end;
        }
        WritePolyface(out, layer, meshColour, points, pointColours, vertices, records, begin, end, local);
        for (const int vertex : vertices) local[static_cast<std::size_t>(vertex)] = -1;
        begin = end;
    }
    return true;
}

void RWyxWriterDxf::WritePolyface(GeometryTextWriter& out, const std::string& layer, int meshColour,
                                  const std::vector<RVector4>& points, const std::vector<int>& pointColours,
                                  const std::vector<int>& vertices, const std::vector<FaceRecord>& records,
                                  std::size_t begin, std::size_t end, const std::vector<int>& local) const {
    out.Text("  0\nPOLYLINE\n  8\n").Text(layer).Char('\n');
    if (meshColour > 0) CodeInt(out, " 62", meshColour);
    out.Text(" 66\n   1\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 70\n   64\n");
    CodeInt(out, " 71", static_cast<int>(vertices.size()));
    CodeInt(out, " 72", static_cast<int>(end - begin));
    for (const int vertex : vertices) {
        const RVector4& q = points[static_cast<std::size_t>(vertex)];
        out.Text("  0\nVERTEX\n  8\n").Text(layer).Char('\n');
        if (!pointColours.empty()) CodeInt(out, " 62", pointColours[static_cast<std::size_t>(vertex)]);
        out.Text(" 10\n").Fixed(q.x).Text("\n 20\n").Fixed(-q.z).Text("\n 30\n").Fixed(q.y).Char('\n');
        out.Text(" 70\n   192\n");
    }
    static constexpr const char* kCornerCodes[4] = {" 71\n ", " 72\n ", " 73\n ", " 74\n "};
    for (std::size_t r = begin; r < end; ++r) {
        const FaceRecord& record = records[r];
        out.Text("  0\nVERTEX\n  8\n").Text(layer).Char('\n');
        if (record.colour > 0) CodeInt(out, " 62", record.colour);
        out.Text(" 10\n0.0\n 20\n0.0\n 30\n0.0\n 70\n   128\n");
        // In the polygon's order: the axis change is a rotation, so the face keeps its side.
        for (int i = 0; i < record.count; ++i) {
            out.Text(kCornerCodes[i]).Int(local[static_cast<std::size_t>(record.corners[i])] + 1).Char('\n');
        }
    }
    out.Text("  0\nSEQEND\n");
}
