#include "formats/3ds/Writer3dsMesh.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RWyxColor.h"
#include "curves/RFCurve.h"
#include "formats/3ds/RWyxWriter3ds.h"
#include "formats/3ds/Writer3dsKeyframer.h"
#include "formats/3ds/Writer3dsMaterial.h"
#include "formats/geometry/PolygonSplit.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

namespace {

constexpr double kDefaultGrey = 0.588;
constexpr std::uint16_t kAllEdgesVisible = 7;
constexpr std::uint64_t kHighestGroupBit = 1ull << 31;
// A scale key below this at frame 0 (as a float holds it: 0.01 is not below) that later keys
// grow kGrowth-fold or more is a pop-in.
constexpr float kAlmostNothing = 1e-2f;
constexpr double kGrowth = 100.0;

// An index array of a layer element with its count, read with a check of every position.
struct IndexArray {
    const int* values = nullptr;
    int count = 0;
    int At(int position, int missing) const {
        return values != nullptr && position >= 0 && position < count ? values[position] : missing;
    }
    int First(int missing) const { return At(0, missing); }
};

IndexArray TextureIndicesOf(const RWyxLayer* layer) {
    const RWyxLayerElement* element = layer != nullptr ? layer->GetElement(RWyxLayerElement::kTexture) : nullptr;
    if (element == nullptr) return {};
    return {element->GetIndices(), element->GetIndexCount()};
}

// The face's material, texture A and texture B; -1 for no texture.
struct FaceAssignment {
    int material = 0;
    int a = -1;
    int b = -1;
    bool operator<(const FaceAssignment& other) const {
        return std::tie(material, a, b) < std::tie(other.material, other.a, other.b);
    }
};

// The single-bit smoothing groups of flat faces: 4, 16, ..., 2^30, 2, 8, ..., 2^31, 4, ...
class FlatGroups {
public:
    std::uint32_t Next() {
        std::uint64_t group = generator_ * 2;
        if (group > kHighestGroupBit) group >>= 31;
        generator_ = group * 2;
        return static_cast<std::uint32_t>(group);
    }

private:
    std::uint64_t generator_ = 2;
};

// Everything the face pass reads of the mesh.
struct MeshView {
    const RWyxMesh& mesh;
    const RVector4* points;
    int pointCount;
    const RVector4* normals;  // by control point, one per point; else null
    IndexArray materialIndices;
    int materialKind;
    IndexArray textureA;  // layer 0
    IndexArray textureB;  // the second layer with textures
    int textureKind;
    int materialCount;
    int textureCount;
    bool uvOn;
    bool twoTextures;
};

const RVector4* NormalsByControlPoint(const RWyxMesh& mesh) {
    const RWyxLayer* layer = mesh.GetLayer(0);
    const RWyxLayerElementNormal* normals = layer != nullptr ? layer->GetNormals() : nullptr;
    if (normals == nullptr || normals->GetMappingMode() != RWyxLayerElement::kByControlPoint ||
        normals->GetDirectCount() < mesh.GetControlPointsCount()) {
        return nullptr;
    }
    return normals->GetDirect();
}

// Whether every corner of the polygon names a control point, and it has three or more.
bool IsWritable(const RWyxMesh& mesh, int polygon) {
    const int size = mesh.GetPolygonSize(polygon);
    if (size < 3) return false;
    for (int corner = 0; corner < size; ++corner) {
        if (mesh.GetPolygonVertex(polygon, corner) < 0) return false;
    }
    return true;
}

int MaterialOf(const MeshView& view, int polygon, int firstCorner) {
    int index = 0;
    switch (view.materialKind) {
        case RWyxMesh::kKindAllSame: index = view.materialIndices.First(0); break;
        case RWyxMesh::kKindByPolygon: index = view.materialIndices.At(polygon, 0); break;
        default: index = view.materialIndices.At(firstCorner, 0); break;
    }
    // Held to the materials there are.
    return std::clamp(index, 0, std::max(view.materialCount - 1, 0));
}

FaceAssignment TexturesOf(const MeshView& view, int polygon, int firstCorner) {
    FaceAssignment faces;
    if (!view.uvOn) return faces;
    switch (view.textureKind) {
        case RWyxMesh::kKindAllSame:
            faces.a = view.textureA.First(-1);
            if (view.twoTextures) faces.b = view.textureB.First(-1);
            break;
        case RWyxMesh::kKindByPolygon:
            faces.a = view.textureA.At(polygon, -1);
            if (view.twoTextures) {
                faces.a = view.textureB.At(polygon, -1);
                faces.b = view.textureA.At(polygon, -1);
            }
            break;
        default:
            faces.a = view.textureA.At(firstCorner, -1);
            if (view.twoTextures) faces.b = view.textureB.At(firstCorner, -1);
            break;
    }
    return faces;
}

// The table entry of a face: a missing texture A takes B's place; -1 where none.
FaceAssignment TableEntry(const MeshView& view, int material, FaceAssignment faces) {
    auto exists = [&view](int index) {
        return index >= 0 && index < view.textureCount && view.mesh.GetTexture(index, 0) != nullptr;
    };
    const bool hasA = exists(faces.a);
    const bool hasB = exists(faces.b);
    if (hasA) return {material, faces.a, hasB ? faces.b : -1};
    if (hasB) return {material, faces.b, -1};
    return {material, -1, -1};
}

std::uint32_t SmoothingGroup(const MeshView& view, const int corners[3], FlatGroups& flat) {
    if (view.normals == nullptr) return 1;
    const RVector4& a = view.points[corners[0]];
    const RVector4& b = view.points[corners[1]];
    const RVector4& c = view.points[corners[2]];
    RVector4 normal = (c - b).Cross3(a - b);
    normal.Normalize3();
    for (int i = 0; i < 3; ++i) {
        if (!(normal == view.normals[corners[i]])) return 1;
    }
    return flat.Next();
}

// Local frame of the record: the file-frame rotation scaled per row, then the position.
void SetLocalFrame(FtkMeshObject& record, const RVector4& translation, const RVector4& rotation,
                   const RVector4& scaling) {
    RMatrix frame;
    EulerVectorXYZToMatrix(frame, RWyxWriter3ds::ConvertRotation3ds(rotation));
    ScaleMatrixRows(frame, frame, RWyxWriter3ds::ConvertScaling3ds(scaling));
    const RVector4 origin = RWyxWriter3ds::ConvertPosition3ds(translation);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) record.localMatrix[row * 3 + column] = static_cast<float>(frame[row][column]);
    }
    record.localMatrix[9] = static_cast<float>(origin.x);
    record.localMatrix[10] = static_cast<float>(origin.y);
    record.localMatrix[11] = static_cast<float>(origin.z);
}

// Whether the node's scale keys grow the scene axis (0 X, 1 Y, 2 Z) from almost nothing: the
// key at frame 0 below kAlmostNothing in magnitude and a later key written at least kGrowth
// times as large. False while no animation is written for the axis.
bool GrowsFromAlmostNothing(RWyxWriter3ds& writer, RWyxNode& node, int axis) {
    const auto channel = static_cast<RWyxTakeNode::Channel>(RWyxTakeNode::ScalingX + axis);
    const RFCurve* curve = WrittenCurve3ds(writer, node, channel);
    if (curve == nullptr) return false;
    const float first = std::fabs(curve->EvaluateAt(FrameTime3ds(0)));
    if (!(first < kAlmostNothing)) return false;
    const int count = TrackKeyCount3ds(writer, node);
    for (int frame = 1; frame < count; ++frame) {
        if (std::fabs(curve->EvaluateAt(FrameTime3ds(frame))) >= kGrowth * first) return true;
    }
    return false;
}

// The scaling of the mesh's local frame: the node's at frame 0, each component taken as 1 where
// a frame of it would lose the mesh: one a float holds as 0 or below the normal floats (no
// axis left to invert), and one the scale keys grow from almost nothing (the vertices, placed
// by so small a frame, would keep only the precision of its translation, which a reader
// divides by the scale and the keys multiply back). The vertices are placed by the same frame
// and the scale keys hold the node's scaling as it is, so such a mesh reads back in place at
// every frame; any other mesh keeps its frame as it is, which readers that ignore the keys
// show at its size.
RVector4 InvertibleFrameScaling(RWyxWriter3ds& writer, RWyxNode& node, const RVector4& scaling) {
    RVector4 frame = scaling;
    for (int axis = 0; axis < 3; ++axis) {
        double& value = *frame.Component(axis);
        if (std::fabs(static_cast<float>(value)) < FLT_MIN || GrowsFromAlmostNothing(writer, node, axis)) value = 1.0;
    }
    return frame;
}

// The vertices with the node's transform baked in, in the file's frame; also the points
// after the transform (for the planar projection).
void SetVertices(FtkMeshObject& record, const MeshView& view, const RVector4& translation,
                 const RVector4& rotation, const RVector4& scaling, std::vector<RVector4>& moved) {
    RMatrix transform;
    EulerVectorXYZToMatrix(transform, rotation);
    ScaleMatrixRows(transform, transform, scaling);
    MatrixSetTranslation(transform, translation.x, translation.y, translation.z);
    moved.resize(static_cast<std::size_t>(view.pointCount));
    for (int i = 0; i < view.pointCount; ++i) {
        MatrixTransformPoint(moved[i], transform, view.points[i]);
        record.vertices[i] = {static_cast<float>(moved[i].x), static_cast<float>(-moved[i].z),
                              static_cast<float>(moved[i].y)};
    }
}

// The first vertex that is no real number; -1 when there is none.
int FirstVertexBeyondReals(const FtkMeshObject& record) {
    for (std::size_t i = 0; i < record.vertices.size(); ++i) {
        const FtkPoint& p = record.vertices[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return static_cast<int>(i);
    }
    return -1;
}

// A coordinate's place in its range; 0 for a range without extent.
float PlanarCoordinate(double value, double low, double high) {
    return high > low ? static_cast<float>((value - low) / (high - low)) : 0.0f;
}

// Gives the vertex the UV as a float holds it. A coordinate beyond the floats would read back
// as an infinity: the first vertex of such a UV goes into `beyond` (-1 while there is none).
void SetFileUV(FtkMeshObject& record, int vertex, const RVector2& uv, int& beyond) {
    if (beyond < 0 && !(RWyxWriter3ds::KeepsNumber(uv.u) && RWyxWriter3ds::KeepsNumber(uv.v))) beyond = vertex;
    record.texVerts[vertex] = {static_cast<float>(uv.u), static_cast<float>(uv.v)};
}

void SetTextureCoordinates(FtkMeshObject& record, const MeshView& view, const std::vector<RVector4>& moved,
                           int& beyond) {
    if (!view.uvOn) return;
    const int kind = view.mesh.GetTextureUVMappingKind();
    if (kind == RWyxMesh::kKindByControlPoint) {
        const RVector2* uvs = view.mesh.GetTextureUVs();
        const int uvCount = uvs != nullptr ? view.mesh.GetTextureUVCount() : 0;
        for (int i = 0; i < std::min(view.pointCount, uvCount); ++i) SetFileUV(record, i, uvs[i], beyond);
    } else if (kind == RWyxMesh::kKindAllSame) {
        double minX = view.points[0].x, maxX = minX, minY = view.points[0].y, maxY = minY;
        for (int i = 1; i < view.pointCount; ++i) {
            minX = std::min(minX, view.points[i].x);
            maxX = std::max(maxX, view.points[i].x);
            minY = std::min(minY, view.points[i].y);
            maxY = std::max(maxY, view.points[i].y);
        }
        for (int i = 0; i < view.pointCount; ++i) {
            record.texVerts[i] = {PlanarCoordinate(moved[i].x, minX, maxX), PlanarCoordinate(moved[i].y, minY, maxY)};
        }
    }
}

// Writes the UV of each polygon corner into its vertex (meshes whose UVs map by corner).
void SetCornerUV(FtkMeshObject& record, const RWyxMesh& mesh, int polygon, int corner, int vertex, int& beyond) {
    const int index = mesh.GetTextureUVIndex(polygon, corner);
    const RVector2* uvs = mesh.GetTextureUVs();
    if (index < 0 || uvs == nullptr) return;
    SetFileUV(record, vertex, uvs[index], beyond);
}

// The faces in groups of one combination each, the combinations in order of material, A, B;
// each group's material entry built and put.
void SetMaterialGroups(RWyxWriter3ds& writer, FtkMeshObject& record, const RWyxMesh& mesh,
                       const std::vector<FaceAssignment>& faces) {
    std::map<FaceAssignment, std::uint16_t> groups;
    for (const FaceAssignment& face : faces) ++groups[face];
    record.materialCount = static_cast<std::uint16_t>(groups.size());
    FtkAllocMeshArrays(&record, kFtkMeshMaterials);
    const int none = mesh.GetTextureCount(0);
    std::map<FaceAssignment, std::uint16_t> groupIndex;
    std::uint16_t index = 0;
    for (const auto& [combination, count] : groups) {
        FtkAllocMaterialGroupFaces(&record, index, count);
        std::unique_ptr<FtkMaterial> material =
            BuildMaterial3ds(writer, mesh, combination.material, combination.a < 0 ? none : combination.a,
                             combination.b < 0 ? none : combination.b);
        if (material != nullptr && index < record.materials.size()) {
            FtkCopyName(record.materials[index].name, material->name);
            FtkPutMaterial(writer.GetDatabase(), material.get());
        }
        FtkReleaseMaterial(material);
        groupIndex[combination] = index++;
    }
    std::vector<std::uint16_t> filled(groups.size(), 0);
    for (std::size_t face = 0; face < faces.size(); ++face) {
        const std::uint16_t group = groupIndex[faces[face]];
        if (group >= record.materials.size() || filled[group] >= record.materials[group].faceIndices.size()) continue;
        record.materials[group].faceIndices[filled[group]++] = static_cast<std::uint16_t>(face);
    }
}

// Layer 0 gets the material "Default" when it has a texture but no material; all of them
// share one record.
void AddDefaultMaterial(RWyxWriter3ds& writer, RWyxMesh& mesh) {
    if (mesh.GetMaterialCount(0) != 0 || mesh.GetTextureCount(0) == 0) return;
    RWyxMaterial* material = writer.GetFactory()->CreateMaterial("Default");
    if (material == nullptr) return;
    const RWyxColor grey(kDefaultGrey, kDefaultGrey, kDefaultGrey, 1.0);
    material->SetAmbientColor(grey);
    material->SetDiffuseColor(grey);
    material->SetSpecularColor(RWyxColor(0.0, 0.0, 0.0, 1.0));
    mesh.AddMaterial(material, 0);
    writer.NoteDefaultMaterial(material);
}

MeshView ViewOf(RWyxMesh& mesh, bool uvOn) {
    const int textureCount = mesh.GetTextureCount(0);
    return MeshView{mesh,
                    mesh.GetControlPoints(),
                    mesh.GetControlPointsCount(),
                    NormalsByControlPoint(mesh),
                    IndexArray{mesh.GetMaterialIndices(), mesh.GetMaterialIndexCount()},
                    mesh.GetMaterialMappingKind(),
                    TextureIndicesOf(mesh.GetLayer(0)),
                    TextureIndicesOf(mesh.GetLayerOfKind(1, RWyxLayerElement::kTexture)),
                    mesh.GetTextureMappingKind(),
                    mesh.GetMaterialCount(0),
                    textureCount,
                    uvOn,
                    mesh.GetLayerCountOfKind(RWyxLayerElement::kTexture) > 1 && textureCount > 1};
}

// Refuses the write for the mesh's element (a vertex, a UV) of that index that lies beyond the
// real numbers; null.
std::unique_ptr<FtkMeshObject> RefuseElement(RWyxWriter3ds& writer, const char* element, int index,
                                             const RWyxNode& node) {
    writer.Refuse(RString(element) + " " + index + " of mesh " + writer.QuotedName(node) + RWyxWriter3ds::kBeyondReals);
    return nullptr;
}

int CountTriangles(const RWyxMesh& mesh) {
    int triangles = 0;
    for (int polygon = 0; polygon < mesh.GetPolygonCount(); ++polygon) {
        if (IsWritable(mesh, polygon)) triangles += mesh.GetPolygonSize(polygon) - 2;
    }
    return triangles;
}

}  // namespace

std::unique_ptr<FtkMeshObject> BuildMesh3ds(RWyxWriter3ds& writer, RWyxMesh* mesh, const RVector4& translation,
                                            const RVector4& rotation, const RVector4& scaling, RWyxNode& node) {
    if (mesh == nullptr) return nullptr;
    // The vertices are written placed by the local frame, which a reader inverts to make them
    // local to the mesh again.
    const RVector4 frameScaling = InvertibleFrameScaling(writer, node, scaling);
    const bool uvOn = writer.GetTextureMapping() && mesh->GetTextureCount(0) >= 1;
    if (uvOn && writer.GetUvPerPolygon() && mesh->GetTextureUVMappingKind() == RWyxMesh::kKindByPolygonVertex) {
        RWyxObjectFactory& factory = *writer.GetFactory();
        if (RWyxMesh* split = SplitMeshUVPerPolygon(factory, *mesh)) {
            mesh->Assign(*split);
            factory.DestroyNodeAttribute(split);
        }
    }
    if (mesh->GetPolygonCount() == 0 || mesh->GetControlPointsCount() == 0) return nullptr;
    const int triangles = CountTriangles(*mesh);
    if (mesh->GetControlPointsCount() > RWyxWriter3ds::kMaxMeshElements || triangles > RWyxWriter3ds::kMaxMeshElements) {
        writer.Refuse(RString("Mesh ") + writer.QuotedName(node) + " has " + mesh->GetControlPointsCount() +
                      " vertices and " + triangles + " triangles: a 3DS mesh holds at most 65535 of each");
        return nullptr;
    }
    writer.NextMeshCounter();
    std::unique_ptr<FtkMeshObject> record;
    FtkInitMeshObject(record, static_cast<std::uint16_t>(mesh->GetControlPointsCount()),
                      static_cast<std::uint16_t>(triangles), kFtkMeshAllArrays);
    if (record == nullptr || record->vertices.size() < static_cast<std::size_t>(mesh->GetControlPointsCount()) ||
        record->faces.size() < static_cast<std::size_t>(triangles)) {
        return nullptr;
    }
    FtkCopyName(record->name, node.GetName().Buffer());
    record->fast = 1;
    SetLocalFrame(*record, translation, rotation, frameScaling);

    AddDefaultMaterial(writer, *mesh);
    const MeshView view = ViewOf(*mesh, uvOn);
    std::vector<RVector4> moved;
    SetVertices(*record, view, translation, rotation, frameScaling, moved);
    // A reader moves each vertex into the mesh's frame: one coordinate that is no real number
    // would take the other two with it.
    if (const int vertex = FirstVertexBeyondReals(*record); vertex >= 0) {
        return RefuseElement(writer, "Vertex", vertex, node);
    }
    int uvBeyond = -1;
    SetTextureCoordinates(*record, view, moved, uvBeyond);

    const bool materialsOn = writer.GetMaterials() && view.materialCount >= 1;
    const bool cornerUVs = mesh->GetTextureUVMappingKind() == RWyxMesh::kKindByPolygonVertex;
    std::vector<FaceAssignment> faceAssignments;
    if (materialsOn) faceAssignments.reserve(static_cast<std::size_t>(triangles));
    FlatGroups flat;
    std::vector<int> order;
    int face = 0;
    for (int polygon = 0; polygon < mesh->GetPolygonCount(); ++polygon) {
        if (!IsWritable(*mesh, polygon)) continue;
        const int size = mesh->GetPolygonSize(polygon);
        const int first = mesh->GetPolygonVertex(polygon, 0);
        const int material = MaterialOf(view, polygon, first);
        const FaceAssignment textures = TexturesOf(view, polygon, first);
        if (cornerUVs) {
            for (int corner = 0; corner < size; ++corner) {
                SetCornerUV(*record, *mesh, polygon, corner, mesh->GetPolygonVertex(polygon, corner), uvBeyond);
            }
        }
        TriangulatePolygonIndices(order, size);
        for (std::size_t k = 0; k + 2 < order.size(); k += 3, ++face) {
            const int corners[3] = {mesh->GetPolygonVertex(polygon, order[k]), mesh->GetPolygonVertex(polygon, order[k + 1]),
                                    mesh->GetPolygonVertex(polygon, order[k + 2])};
            record->faces[face] = {static_cast<std::uint16_t>(corners[0]), static_cast<std::uint16_t>(corners[1]),
                                   static_cast<std::uint16_t>(corners[2]), kAllEdgesVisible};
            record->smoothGroups[face] = SmoothingGroup(view, corners, flat);
            if (materialsOn) faceAssignments.push_back(TableEntry(view, material, textures));
        }
    }
    if (uvBeyond >= 0) return RefuseElement(writer, "UV of vertex", uvBeyond, node);
    if (materialsOn) SetMaterialGroups(writer, *record, *mesh, faceAssignments);
    return record;
}

RWyxMesh* SplitMeshUVPerPolygon(RWyxObjectFactory& factory, const RWyxMesh& source) {
    RWyxMesh* split = factory.CreateMesh();
    if (split == nullptr) return nullptr;
    split->Assign(source);
    split->ClearPolygons();
    split->InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
    const RVector4* points = source.GetControlPoints();
    const int pointCount = source.GetControlPointsCount();
    const RVector4* normals = NormalsByControlPoint(source);
    const RVector2* uvs = source.GetTextureUVs();
    const IndexArray materials{source.GetMaterialIndices(), source.GetMaterialIndexCount()};
    const IndexArray textures{source.GetTextureIndices(), source.GetTextureIndexCount()};
    const bool materialsByPolygon = source.GetMaterialMappingKind() == RWyxMesh::kKindByPolygon;
    const bool texturesByPolygon = source.GetTextureMappingKind() == RWyxMesh::kKindByPolygon;
    std::vector<RVector4> newPoints;
    std::vector<RVector4> newNormals;
    newPoints.reserve(static_cast<std::size_t>(source.GetPolygonVertexCount()));
    for (int polygon = 0; polygon < source.GetPolygonCount(); ++polygon) {
        const int material = materialsByPolygon ? materials.At(polygon, 0) : 0;
        const int texture = texturesByPolygon ? textures.At(polygon, 0) : 0;
        const RWyxTexture* image = source.GetTexture(texture, 0);
        const bool swap = texturesByPolygon && image != nullptr && image->GetSwapUV();
        split->BeginPolygon(material, texture, -1);
        for (int corner = 0; corner < source.GetPolygonSize(polygon); ++corner) {
            const int point = source.GetPolygonVertex(polygon, corner);
            if (point < 0 || point >= pointCount) continue;
            split->AddPolygonVertex(static_cast<int>(newPoints.size()));
            newPoints.push_back(points[point]);
            if (normals != nullptr) newNormals.push_back(normals[point]);
            const int uvIndex = source.GetTextureUVIndex(polygon, corner);
            const RVector2 uv = uvIndex >= 0 && uvs != nullptr ? uvs[uvIndex] : RVector2(0.0, 0.0);
            split->AddTextureUV(swap ? uv.v : uv.u, swap ? uv.u : uv.v);
        }
    }
    split->InitControlPoints(static_cast<int>(newPoints.size()));
    std::copy(newPoints.begin(), newPoints.end(), split->GetControlPoints());
    if (normals != nullptr && split->InitNormals(static_cast<int>(newNormals.size()))) {
        if (RVector4* target = split->GetNormals()) std::copy(newNormals.begin(), newNormals.end(), target);
    }
    return split;
}
