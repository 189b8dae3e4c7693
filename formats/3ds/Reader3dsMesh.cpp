#include "formats/3ds/Reader3dsMesh.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RMatrix.h"
#include "formats/3ds/toolkit/FtkMotion.h"
#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// A local frame whose determinant lies below this (the float 1e-6), taken against the
// product of its axes' lengths where that is below 1, cannot be inverted and counts as
// identity.
constexpr double kSingularFrame = 9.9999997e-7;

// The control points of the file's vertices: entry i starts as vertex i; a vertex used by
// faces that share no smoothing bit gets further entries.
class SplitTable {
public:
    explicit SplitTable(int vertices) : masks_(vertices, 0), taken_(vertices, false), entries_(vertices) {
        for (int v = 0; v < vertices; ++v) entries_[v].push_back(v);
    }

    int PointCount() const { return static_cast<int>(masks_.size()); }

    void Add(int vertex, std::uint32_t mask) {
        if (!taken_[vertex]) {
            taken_[vertex] = true;
            masks_[vertex] = mask;
            return;
        }
        if (const int point = Find(vertex, mask); point >= 0) {
            masks_[point] |= mask;
            return;
        }
        entries_[vertex].push_back(static_cast<int>(masks_.size()));
        masks_.push_back(mask);
        taken_.push_back(true);
    }

    // The control point of the vertex for a face of that mask; the vertex itself when none.
    int PointOf(int vertex, std::uint32_t mask) const {
        const int point = Find(vertex, mask);
        return point >= 0 ? point : vertex;
    }

private:
    int Find(int vertex, std::uint32_t mask) const {
        for (const int point : entries_[vertex]) {
            if (!taken_[point]) continue;
            if ((masks_[point] & mask) != 0 || (masks_[point] == 0 && mask == 0)) return point;
        }
        return -1;
    }

    std::vector<std::uint32_t> masks_;
    std::vector<bool> taken_;
    std::vector<std::vector<int>> entries_;  // per file vertex, its points in table order
};

// The materials and textures of layer 0 of the mesh being filled, with where each sits in
// the mesh's lists, so that adding one more does not walk the lists as AddMaterial and
// AddTexture do. The answers are theirs: a texture answers its first position; a material
// already there answers the first entry of its name, as FindMaterial would. Nothing else may
// add to or rename in those lists while the table is in use.
class LayerObjects {
public:
    explicit LayerObjects(RWyxMesh& mesh) : mesh_(mesh) {
        const RWyxLayer* layer = mesh.GetLayer(0);
        if (const RWyxLayerElementMaterial* materials = layer != nullptr ? layer->GetMaterials() : nullptr) {
            for (int i = 0; i < materials->GetDirectCount(); ++i) NoteMaterial(*materials->GetDirectAt(i), i);
        }
        if (const RWyxLayerElementTexture* textures = layer != nullptr ? layer->GetTextures() : nullptr) {
            for (int i = 0; i < textures->GetDirectCount(); ++i) textures_.emplace(*textures->GetDirectAt(i), i);
        }
    }

    // The material's index for its faces; -1 when it has none.
    int AddMaterial(RWyxMaterial* material) {
        if (materials_.count(material) == 0) {
            const RWyxLayer* layer = mesh_.GetLayer(0);
            RWyxLayerElementMaterial* element = layer != nullptr ? layer->GetMaterials() : nullptr;
            // Without a list yet, AddMaterial makes one as it should be; its search finds nothing.
            const int added = element != nullptr ? element->AddDirect(material) : mesh_.AddMaterial(material, 0);
            if (added >= 0) {
                NoteMaterial(material, added);
                return added;
            }
        }
        const RString& name = material->GetName();
        const auto found = firstOfName_.find(name.FindText(kMaterialPrefix) == 0 ? name.Buffer()
                                                                                 : kMaterialPrefix + std::string(name.Buffer()));
        return found != firstOfName_.end() ? found->second : -1;
    }

    // The texture's first position, added behind the others when it is not there.
    int AddTexture(RWyxTexture* texture) {
        if (const auto found = textures_.find(texture); found != textures_.end()) return found->second;
        const RWyxLayer* layer = mesh_.GetLayer(0);
        RWyxLayerElementTexture* element = layer != nullptr ? layer->GetTextures() : nullptr;
        const int added = element != nullptr ? element->AddDirect(texture) : mesh_.AddTexture(texture, 0);
        if (added >= 0) textures_.emplace(texture, added);
        return added;
    }

private:
    // The name the mesh looks a material up by (its name with this prefix when it lacks it).
    static constexpr const char* kMaterialPrefix = "Material::";

    void NoteMaterial(RWyxMaterial* material, int index) {
        if (material == nullptr) return;
        materials_.insert(material);
        firstOfName_.emplace(material->GetName().Buffer(), index);  // emplace keeps the first of namesakes
    }

    RWyxMesh& mesh_;
    std::unordered_set<const RWyxMaterial*> materials_;
    std::unordered_map<std::string, int> firstOfName_;
    std::unordered_map<const RWyxTexture*, int> textures_;
};

struct FaceTextures {
    int material = 0;
    int first = 0;
    int second = 0;
};

// The record's local frame (axis rows X, Y, Z, then the origin, in file coordinates), as it
// is in the file.
RMatrix FileFrame(const FtkMeshObject& record) {
    RMatrix frame;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) frame[row][column] = record.localMatrix[row * 3 + column];
    }
    return frame;
}

// The record's local frame; identity for a frame that cannot be inverted, which leaves the
// points where they are.
RMatrix LocalFrame(const FtkMeshObject& record) {
    return IsSingularFrame3ds(record) ? RMatrix() : FileFrame(record);
}

bool IsValidFace(const FtkFace& face, int vertices) {
    return face.v1 < vertices && face.v2 < vertices && face.v3 < vertices;
}

// Per face, the material and textures of its material group.
std::vector<FaceTextures> AssignGroups(const FtkMeshObject& record, RWyxMesh& mesh, RWyxObjectFactory& factory,
                                       const RWyxReader3ds::MeshContext& context, int faces, bool hasMapping,
                                       bool& twoLayers) {
    std::vector<FaceTextures> assignment(static_cast<std::size_t>(faces));
    LayerObjects added(mesh);
    const std::size_t groups = std::min<std::size_t>(record.materialCount, record.materials.size());
    for (std::size_t g = 0; g < groups; ++g) {
        const FtkMaterialGroup& group = record.materials[g];
        RWyxMaterial* material = factory.FindMaterial(group.name, 0);
        if (material == nullptr || !context.materials) continue;
        FaceTextures textures{added.AddMaterial(material), 0, 0};
        const auto found = context.materialIndex->find(group.name);
        if (found != context.materialIndex->end() && hasMapping && context.textureMapping &&
            (*context.fileMaterials)[found->second]->maps[kFtkTextureMap].name[0] != '\0') {
            const RWyxReader3ds::TexturePair& pair = (*context.textures)[found->second];
            if (pair.first != nullptr) textures.first = added.AddTexture(pair.first);
            if (pair.second != nullptr) {
                textures.second = added.AddTexture(pair.second);
                twoLayers = true;
            }
        }
        const std::size_t count = std::min<std::size_t>(group.faceCount, group.faceIndices.size());
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint16_t face = group.faceIndices[k];
            if (face < assignment.size()) assignment[face] = textures;
        }
    }
    return assignment;
}

// Layer 1 of a two-layered mesh: layer 0's materials, textures and UVs, by polygon (vertex).
void MakeSecondLayer(RWyxMesh& mesh) {
    RWyxLayer* first = mesh.GetLayer(0);
    RWyxLayer* second = mesh.EnsureLayer(1);
    if (first == nullptr || second == nullptr) return;
    if (first->GetMaterials() != nullptr) second->SetMaterials(std::make_unique<RWyxLayerElementMaterial>(*first->GetMaterials()));
    if (first->GetTextures() != nullptr) second->SetTextures(std::make_unique<RWyxLayerElementTexture>(*first->GetTextures()));
    if (first->GetUVs() != nullptr) second->SetUVs(std::make_unique<RWyxLayerElementUV>(*first->GetUVs()));
}

void AccumulateNormals(RWyxMesh& mesh) {
    RVector4* points = mesh.GetControlPoints();
    RVector4* normals = mesh.GetNormals();
    if (points == nullptr || normals == nullptr) return;
    for (int polygon = 0; polygon < mesh.GetPolygonCount(); ++polygon) {
        const int p0 = mesh.GetPolygonVertex(polygon, 0);
        const int p1 = mesh.GetPolygonVertex(polygon, 1);
        const int p2 = mesh.GetPolygonVertex(polygon, 2);
        if (p0 < 0 || p1 < 0 || p2 < 0) continue;
        const RVector4 normal = (points[p2] - points[p1]).Cross3(points[p0] - points[p1]);
        for (const int point : {p0, p1, p2}) {
            normals[point].x += normal.x;
            normals[point].y += normal.y;
            normals[point].z += normal.z;
        }
    }
    for (int i = 0; i < mesh.GetControlPointsCount(); ++i) normals[i].Normalize3();
}

}  // namespace

bool IsSingularFrame3ds(const FtkMeshObject& record) {
    const RMatrix frame = FileFrame(record);
    const double determinant = frame[0][0] * (frame[1][1] * frame[2][2] - frame[1][2] * frame[2][1]) -
                               frame[0][1] * (frame[1][0] * frame[2][2] - frame[1][2] * frame[2][0]) +
                               frame[0][2] * (frame[1][0] * frame[2][1] - frame[1][1] * frame[2][0]);
    double size = 1.0;
    for (int row = 0; row < 3; ++row) {
        size *= RVector4(frame[row][0], frame[row][1], frame[row][2], 0.0).Length3();
    }
    // A frame of axes at right angles has a determinant of the product of their lengths: a
    // small one is judged by its shape, a larger one as a unit frame always was.
    return size == 0.0 || !(std::fabs(determinant) >= kSingularFrame * std::min(size, 1.0));
}

int ConvertMesh3ds(const FtkMeshObject& record, RWyxMesh& mesh, RWyxObjectFactory& factory,
                   const RWyxReader3ds::MeshContext& context) {
    // Counts are held to the arrays that are there.
    const int vertices = static_cast<int>(std::min<std::size_t>(record.vertexCount, record.vertices.size()));
    const int faces = static_cast<int>(std::min<std::size_t>(record.faceCount, record.faces.size()));
    const int texVerts = static_cast<int>(std::min<std::size_t>(record.texVertCount, record.texVerts.size()));
    auto maskOf = [&record](int face) {
        return static_cast<std::size_t>(face) < record.smoothGroups.size() ? record.smoothGroups[face] : 0u;
    };
    const bool split = context.smoothGroups && !record.smoothGroups.empty();
    SplitTable table(vertices);
    int skipped = 0;
    for (int f = 0; f < faces; ++f) {
        const FtkFace& face = record.faces[f];
        if (!IsValidFace(face, vertices)) {
            ++skipped;
            continue;
        }
        if (!split) continue;
        for (const int v : {face.v1, face.v2, face.v3}) table.Add(v, maskOf(f));
    }
    const int points = table.PointCount();
    mesh.InitControlPoints(points);
    mesh.InitNormals(points);
    mesh.InitMaterialIndices(RWyxMesh::kKindByPolygon);
    mesh.InitTextureIndices(RWyxMesh::kKindByPolygon);
    mesh.InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
    mesh.InitTextureUVs(vertices);
    const RMatrix inverse = LocalFrame(record).Inverse();
    bool twoLayers = false;
    const std::vector<FaceTextures> assignment =
        AssignGroups(record, mesh, factory, context, faces, texVerts > 0, twoLayers);
    const double scale = context.referenceNode ? 1.0 : context.scale;
    RVector4* controlPoints = mesh.GetControlPoints();
    RVector2* uvs = mesh.GetTextureUVs();
    for (int f = 0; f < faces; ++f) {
        const FtkFace& face = record.faces[f];
        if (!IsValidFace(face, vertices)) continue;
        const FaceTextures& textures = assignment[f];
        const int texture = !context.textureMapping ? 0 : textures.second >= 1 ? textures.second : textures.first;
        mesh.BeginPolygon(context.materials ? textures.material : 0, texture, -1);
        for (const int v : {face.v1, face.v2, face.v3}) {
            const FtkPoint& p = record.vertices[v];
            RVector4 local = inverse.TransformPoint(RVector4(p.x, p.y, p.z, 0.0));
            local *= scale;
            const int point = split ? table.PointOf(v, maskOf(f)) : v;
            controlPoints[point].Set(local.x, local.z, -local.y, 0.0);
            mesh.AddPolygonVertex(point, v);
            if (uvs != nullptr && v < texVerts) uvs[v].Set(record.texVerts[v].u, record.texVerts[v].v);
        }
    }
    if (twoLayers) {
        MakeSecondLayer(mesh);
        RWyxLayer* second = mesh.GetLayer(1);
        RWyxLayerElementTexture* layerTextures = second != nullptr ? second->GetTextures() : nullptr;
        int polygon = 0;
        for (int f = 0; f < faces && layerTextures != nullptr; ++f) {
            if (!IsValidFace(record.faces[f], vertices)) continue;
            const FaceTextures& textures = assignment[f];
            layerTextures->SetIndexAt(polygon++, textures.second >= 1 ? textures.first : 0);
        }
    }
    AccumulateNormals(mesh);
    return skipped;
}

void FrameKeys3ds(const FtkMeshObject& record, FtkObjectMotion& motion) {
    const RMatrix frame = LocalFrame(record);
    const RVector4 origin = frame.GetTranslation();
    const RVector4 scaling = frame.GetScaling();
    // A rotation key turns by minus its angle (as the key conversion reads it).
    const RVector4 turn = frame.GetQuaternion();
    RVector4 axis(turn.x, turn.y, turn.z, 0.0);
    const double sine = axis.Length3();
    const double angle = -2.0 * std::atan2(sine, turn.w);
    if (sine > 0.0) {
        axis *= 1.0 / sine;
    } else {
        axis.Set(0.0, 0.0, 1.0, 0.0);
    }
    motion.position.keys.assign(1, FtkKeyHeader());
    motion.position.values.assign(1, FtkPoint{static_cast<float>(origin.x), static_cast<float>(origin.y),
                                              static_cast<float>(origin.z)});
    motion.rotation.keys.assign(1, FtkKeyHeader());
    motion.rotation.values.assign(1, FtkRotKey{static_cast<float>(angle), static_cast<float>(axis.x),
                                               static_cast<float>(axis.y), static_cast<float>(axis.z)});
    motion.scale.keys.assign(1, FtkKeyHeader());
    motion.scale.values.assign(1, FtkPoint{static_cast<float>(scaling.x), static_cast<float>(scaling.y),
                                           static_cast<float>(scaling.z)});
    motion.position.keyCount = motion.rotation.keyCount = motion.scale.keyCount = 1;
}
