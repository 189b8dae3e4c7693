#include "formats/geometry/ObjMeshAssembly.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxTexture.h"
#include "formats/geometry/ObjDocument.h"
#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace {

RVector4 UnitOrZero(const RVector4& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0.0) || !std::isfinite(length)) return RVector4(0.0, 0.0, 0.0, 0.0);
    return RVector4(v.x / length, v.y / length, v.z / length, 0.0);
}

// The unit normal of the face's first three corners; zero for a degenerate face.
RVector4 FaceNormal(const ObjDocument& document, const ObjGroup& group, const ObjFace& face) {
    const ObjCorner* corners = &group.corners[static_cast<std::size_t>(face.firstCorner)];
    const RVector4& p0 = document.positions[static_cast<std::size_t>(corners[0].position)];
    const RVector4& p1 = document.positions[static_cast<std::size_t>(corners[1].position)];
    const RVector4& p2 = document.positions[static_cast<std::size_t>(corners[2].position)];
    const double ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
    const double bx = p2.x - p0.x, by = p2.y - p0.y, bz = p2.z - p0.z;
    return UnitOrZero(RVector4(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx, 0.0));
}

// The mesh's index of the material or texture, added on first use.
int IndexIn(std::unordered_map<RWyxMaterial*, int>& indices, RWyxMaterial* material, RWyxMesh& mesh) {
    const auto found = indices.find(material);
    if (found != indices.end()) return found->second;
    return indices.emplace(material, mesh.AddMaterial(material)).first->second;
}

int IndexIn(std::unordered_map<RWyxTexture*, int>& indices, RWyxTexture* texture, RWyxMesh& mesh) {
    const auto found = indices.find(texture);
    if (found != indices.end()) return found->second;
    return indices.emplace(texture, mesh.AddTexture(texture)).first->second;
}

int AppendNormal(ObjDocument& document, const RVector4& normal) {
    document.normals.push_back(normal);
    return static_cast<int>(document.normals.size() - 1);
}

// Open addressing from a corner's (position, uv, normal) to its control point; the table
// doubles at half load. It starts sized for the expected distinct corners, not for every
// corner: most corners share their position, uv and normal with others.
class CornerTable {
public:
    struct Entry {
        int position = -2;  // -2: empty
        int uv = 0;
        int normal = 0;
        int controlPoint = 0;
    };

    explicit CornerTable(std::size_t expected) {
        std::size_t capacity = 16;
        while (capacity < expected * 2) capacity *= 2;
        entries_.resize(capacity);
    }

    // The entry of the key; `added` tells whether it was made now (its values then to fill).
    Entry& FindOrAdd(const ObjCorner& key, bool& added) {
        if ((count_ + 1) * 2 > entries_.size()) Grow();
        Entry& entry = Slot(entries_, key);
        added = entry.position == -2;
        if (added) {
            entry.position = key.position;
            entry.uv = key.uv;
            entry.normal = key.normal;
            ++count_;
        }
        return entry;
    }

private:
    static std::size_t Hash(const ObjCorner& key) {
        std::uint64_t h = static_cast<std::uint32_t>(key.position) * 0x9E3779B97F4A7C15ull;
        h ^= (static_cast<std::uint32_t>(key.uv) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
        h ^= (static_cast<std::uint32_t>(key.normal) + 0x85EBCA77C2B2AE63ull) * 0x165667B19E3779F9ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }

    static Entry& Slot(std::vector<Entry>& entries, const ObjCorner& key) {
        const std::size_t mask = entries.size() - 1;
        for (std::size_t i = Hash(key) & mask;; i = (i + 1) & mask) {
            Entry& entry = entries[i];
            if (entry.position == -2 ||
                (entry.position == key.position && entry.uv == key.uv && entry.normal == key.normal)) {
                return entry;
            }
        }
    }

    void Grow() {
        std::vector<Entry> larger(entries_.size() * 2);
        for (const Entry& entry : entries_) {
            if (entry.position != -2) Slot(larger, ObjCorner{entry.position, entry.uv, entry.normal}) = entry;
        }
        entries_.swap(larger);
    }

    std::vector<Entry> entries_;
    std::size_t count_ = 0;
};

}  // namespace

struct ObjMeshAssembly::Layout {
    std::vector<RVector4> points;
    std::vector<RVector4> normals;
    std::vector<RVector2> uvs;
    std::vector<int> cornerPoints;  // control point of every corner, in visiting order
    std::vector<int> cornerUVs;     // index into uvs of every corner, -1 for none
    std::vector<int> pointUVs;      // index into uvs of every control point's corner, -1 for none
    bool someTextured = false;
};

ObjMeshAssembly::ObjMeshAssembly(RWyxObjectFactory& factory, ObjDocument& document,
                                 const std::vector<RWyxMaterial*>& materials, const std::vector<RWyxTexture*>& textures)
    : factory_(factory), document_(document), materials_(materials), textures_(textures) {}

RWyxMaterial* ObjMeshAssembly::MaterialOf(int material) const {
    return material >= 0 && static_cast<std::size_t>(material) < materials_.size()
               ? materials_[static_cast<std::size_t>(material)]
               : nullptr;
}

RWyxTexture* ObjMeshAssembly::TextureOf(int material) const {
    return material >= 0 && static_cast<std::size_t>(material) < textures_.size()
               ? textures_[static_cast<std::size_t>(material)]
               : nullptr;
}

void ObjMeshAssembly::ComputeMissingNormals(ObjDocument& document, ObjGroup& group) {
    if (group.allNormals) return;
    struct Sum {
        RVector4 normal;
        bool needed = false;
        int index = -1;
    };
    const std::vector<int> order = FaceOrder(group);
    std::size_t begin = 0;
    while (begin < order.size()) {
        const int smoothing = group.faces[static_cast<std::size_t>(order[begin])].smoothingGroup;
        std::size_t end = begin;
        while (end < order.size() && group.faces[static_cast<std::size_t>(order[end])].smoothingGroup == smoothing) {
            ++end;
        }
        std::unordered_map<int, Sum> sums;
        std::vector<int> positions;  // in order of first need, so that the result is repeatable
        for (std::size_t k = begin; k < end; ++k) {
            ObjFace& face = group.faces[static_cast<std::size_t>(order[k])];
            ObjCorner* corners = &group.corners[static_cast<std::size_t>(face.firstCorner)];
            if (smoothing == 0) {
                if (face.hasNormals) continue;
                const int normal = AppendNormal(document, FaceNormal(document, group, face));
                for (int c = 0; c < face.cornerCount; ++c) corners[c].normal = normal;
                face.hasNormals = true;
                continue;
            }
            const RVector4 faceNormal = FaceNormal(document, group, face);
            for (int c = 0; c < face.cornerCount; ++c) {
                Sum& sum = sums[corners[c].position];
                const RVector4& add = corners[c].normal >= 0
                                          ? document.normals[static_cast<std::size_t>(corners[c].normal)]
                                          : faceNormal;
                sum.normal.x += add.x;
                sum.normal.y += add.y;
                sum.normal.z += add.z;
                if (corners[c].normal < 0 && !sum.needed) {
                    sum.needed = true;
                    positions.push_back(corners[c].position);
                }
            }
        }
        for (const int position : positions) {
            Sum& sum = sums[position];
            sum.index = AppendNormal(document, UnitOrZero(sum.normal));
        }
        for (std::size_t k = begin; smoothing != 0 && k < end; ++k) {
            ObjFace& face = group.faces[static_cast<std::size_t>(order[k])];
            ObjCorner* corners = &group.corners[static_cast<std::size_t>(face.firstCorner)];
            for (int c = 0; c < face.cornerCount; ++c) {
                if (corners[c].normal < 0) corners[c].normal = sums[corners[c].position].index;
            }
            face.hasNormals = true;
        }
        begin = end;
    }
    group.allNormals = true;
}

std::vector<int> ObjMeshAssembly::FaceOrder(const ObjGroup& group) {
    std::vector<int> order(group.faces.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&group](int a, int b) {
        return group.faces[static_cast<std::size_t>(a)].smoothingGroup <
               group.faces[static_cast<std::size_t>(b)].smoothingGroup;
    });
    return order;
}

void ObjMeshAssembly::CollectControlPoints(const ObjGroup& group, const std::vector<int>& order,
                                           Layout& layout) const {
    // A group has at least as many control points as the positions its corners name, and
    // seldom many more: the positions of the document (capped by the corners) are the guess.
    const std::size_t expected = std::min(group.corners.size(), document_.positions.size());
    CornerTable table(expected);
    layout.points.reserve(expected);
    layout.normals.reserve(expected);
    layout.pointUVs.reserve(expected);
    layout.cornerPoints.reserve(group.corners.size());
    layout.cornerUVs.reserve(group.corners.size());
    for (const int f : order) {
        const ObjFace& face = group.faces[static_cast<std::size_t>(f)];
        for (int c = 0; c < face.cornerCount; ++c) {
            const ObjCorner& corner = group.corners[static_cast<std::size_t>(face.firstCorner + c)];
            bool added = false;
            CornerTable::Entry& entry = table.FindOrAdd(corner, added);
            if (added) {
                entry.controlPoint = static_cast<int>(layout.points.size());
                layout.points.push_back(document_.positions[static_cast<std::size_t>(corner.position)]);
                layout.normals.push_back(corner.normal >= 0 ? document_.normals[static_cast<std::size_t>(corner.normal)]
                                                            : RVector4(0.0, 0.0, 0.0, 0.0));
                int uvIndex = -1;
                if (corner.uv >= 0) {
                    uvIndex = static_cast<int>(layout.uvs.size());
                    layout.uvs.push_back(document_.uvs[static_cast<std::size_t>(corner.uv)]);
                }
                layout.pointUVs.push_back(uvIndex);
            }
            layout.cornerPoints.push_back(entry.controlPoint);
            layout.cornerUVs.push_back(layout.pointUVs[static_cast<std::size_t>(entry.controlPoint)]);
        }
    }
}

void ObjMeshAssembly::FillLayer(RWyxMesh& mesh, const ObjGroup& group, Layout& layout) const {
    const int count = static_cast<int>(layout.points.size());
    mesh.InitControlPoints(count);
    mesh.InitNormals(count);
    mesh.InitMaterialIndices(document_.libraryNamed ? RWyxMesh::kKindByPolygon : RWyxMesh::kKindAllSame);
    if (!layout.uvs.empty()) {
        mesh.InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        mesh.GetLayer(0)->GetUVs()->DirectArray() = std::move(layout.uvs);
    }
    bool someTextured = false;
    bool allTextured = true;
    for (const ObjFace& face : group.faces) {
        const bool textured = TextureOf(face.material) != nullptr;
        someTextured = someTextured || textured;
        allTextured = allTextured && textured;
    }
    layout.someTextured = someTextured;
    if (someTextured) {
        mesh.InitTextureIndices(RWyxMesh::kKindByPolygon);
        if (!allTextured) {
            if (RWyxTexture* empty = factory_.CreateTexture("_empty_")) {
                empty->SetDefaultAlpha(0.0);
                mesh.AddTexture(empty);
            }
        }
    }
    std::copy(layout.points.begin(), layout.points.end(), mesh.GetControlPoints());
    if (RVector4* normals = mesh.GetNormals()) std::copy(layout.normals.begin(), layout.normals.end(), normals);
}

void ObjMeshAssembly::AddPolygons(RWyxMesh& mesh, const ObjGroup& group, const std::vector<int>& order,
                                  const Layout& layout) const {
    std::unordered_map<RWyxMaterial*, int> materialIndices;
    std::unordered_map<RWyxTexture*, int> textureIndices;
    std::size_t corner = 0;
    for (const int f : order) {
        const ObjFace& face = group.faces[static_cast<std::size_t>(f)];
        int materialIndex = 0;
        if (document_.libraryNamed) {
            RWyxMaterial* material = MaterialOf(face.material);
            materialIndex = material != nullptr ? IndexIn(materialIndices, material, mesh) : -1;
        }
        // Without textures the mesh gets no texture element at all.
        int textureIndex = layout.someTextured ? 0 : -1;
        if (RWyxTexture* texture = TextureOf(face.material)) textureIndex = IndexIn(textureIndices, texture, mesh);
        mesh.BeginPolygon(materialIndex, textureIndex, -1);
        for (int c = 0; c < face.cornerCount; ++c, ++corner) {
            mesh.AddPolygonVertex(layout.cornerPoints[corner], layout.cornerUVs[corner]);
        }
    }
}

RWyxMesh* ObjMeshAssembly::Assemble(ObjGroup& group) {
    if (group.faces.empty()) return nullptr;
    ComputeMissingNormals(document_, group);
    const std::vector<int> order = FaceOrder(group);
    Layout layout;
    CollectControlPoints(group, order, layout);
    RWyxMesh* mesh = factory_.CreateMesh();
    if (mesh == nullptr) return nullptr;
    FillLayer(*mesh, group, layout);
    AddPolygons(*mesh, group, order, layout);
    return mesh;
}
