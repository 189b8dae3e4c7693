// Polygon meshes: the host mesh as an SDK mesh with its control points, normals, polygons,
// vertex colours, per-polygon materials and textures and UV sets; and the check for control
// points that share a position.
//
// Every index the host hands over (a vertex of a polygon corner, a corner's normal, a UV id,
// a shading group's index) is checked against the array it indexes before it is used; the
// normals by polygon vertex are sized by the polygon vertices they belong to.

#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMesh.h"
#include "core/RVector2.h"
#include "core/RWyxLogFile.h"
#include "hostimport/ImportNodePasses.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"

#include <vexa/VFloatArray.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnPhongShader.h>
#include <vexa/VGlobal.h>
#include <vexa/VIntArray.h>
#include <vexa/VItMeshPolygon.h>
#include <vexa/VItMeshVertex.h>
#include <vexa/VObjectArray.h>
#include <vexa/VStringArray.h>
#include <vexa/VVectorArray.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr int kReportedPairLimit = 39;

bool ShowUI() { return GetPluginOptions()->GetBoolOption(kExportShowUI); }

RVector4 NormalOf(const VVector& normal) { return RVector4(normal.x, normal.y, normal.z, 1.0); }

// The host shader that stands in for faces without a shading group, made on first need and
// deleted from the host when the mesh is done.
class DefaultShader {
public:
    DefaultShader() = default;
    ~DefaultShader() {
        if (!made_.isNull()) VGlobal::executeCommand("delete " + QuotedScriptText(VFnDependencyNode(made_).name()));
    }
    DefaultShader(const DefaultShader&) = delete;
    DefaultShader& operator=(const DefaultShader&) = delete;

    // Null when it cannot be made.
    VObject Get() {
        if (!made_.isNull() || failed_) return made_;
        VStatus status;
        VFnPhongShader phong;
        // Off the shader list: listing it would make the list, which outlives the shader.
        const VObject shader = phong.create(false, &status);
        if (!status) {
            failed_ = true;
            status.perror("Cannot create default shader");
            return VObject();
        }
        phong.setName("Default_Material");
        phong.setCosPower(3.0f);
        phong.setSpecularColor(VColor(0.3f, 0.3f, 0.3f, 1.0f));
        phong.setColor(VColor(0.5f, 0.5f, 0.5f, 1.0f));
        phong.setTransparency(VColor(0.0f, 0.0f, 0.0f, 1.0f));
        phong.setAmbientColor(VColor(0.4f, 0.4f, 0.4f, 1.0f));
        made_ = shader;
        return made_;
    }

private:
    VObject made_;
    bool failed_ = false;
};

// One distinct shading index of a mesh and what the shading export gathered for it.
struct ShadingEntry {
    int index;
    ShadingExportInfo info;
};

void WarnAboutMismatch(const WyxVexaExportSession& session, const VexaNode& node) {
    const RString sentence = RString("Mismatched number of vertices between the original and the final mesh of the node:  ") +
                             node.GetName();
    const RString cause = "This problem is most likely caused by unsupported operators in the construction hystory.";
    session.Warn({sentence, cause}, sentence + "\n\n" + cause);
}

// The UV ids of every polygon vertex of the set, in polygon order; -1 where a corner has none
// or names no UV of the set.
std::vector<int> PolygonUvIds(const VFnMesh& mesh, const VString& set, int uvCount) {
    std::vector<int> ids;
    const int polygons = mesh.numPolygons();
    for (int p = 0; p < polygons; ++p) {
        const int size = mesh.polygonVertexCount(p);
        for (int corner = 0; corner < size; ++corner) {
            int id = -1;
            if (!mesh.getPolygonUVid(p, corner, id, &set) || id < 0 || id >= uvCount) id = -1;
            ids.push_back(id);
        }
    }
    return ids;
}

bool Contains(const std::vector<VObject>& objects, const VObject& object) {
    return std::find(objects.begin(), objects.end(), object) != objects.end();
}

// The textures linked to the set that a shader of the mesh uses: a link left to a texture that
// none of them uses (its material was reassigned since) does not make the set textured.
std::vector<VObject> UsedSetTextures(const VFnMesh& mesh, const VString& set,
                                     const std::vector<ShadingEntry>& entries) {
    VObjectArray linked;
    mesh.getAssociatedUVSetTextures(set, linked);
    std::vector<VObject> used;
    for (unsigned t = 0; t < linked.length(); ++t) {
        for (const ShadingEntry& entry : entries) {
            if (Contains(entry.info.components, linked[t]) && !Contains(used, linked[t])) used.push_back(linked[t]);
        }
    }
    return used;
}

// The UV sets of a mesh: their names, the textures that a shader of the mesh uses linked to each
// (UsedSetTextures), and the current set, the one a texture without a link maps with (-1: none).
struct MeshSets {
    VStringArray names;
    std::vector<std::vector<VObject>> textures;
    int current = -1;
    bool anyTextures = false;
    bool unlinkedTextures = false;  // a texture that a shader of the mesh uses has no link

    bool Linked(const VObject& texture) const {
        return std::any_of(textures.begin(), textures.end(),
                           [&texture](const std::vector<VObject>& own) { return Contains(own, texture); });
    }
    // A texture without a link, which maps with the current set.
    bool Unlinked(const VObject& texture) const { return !texture.isNull() && !Linked(texture); }
    // Every set when no set has a texture; otherwise the sets with textures, and the current set
    // when a texture without a link maps with it.
    bool Written(int set) const {
        return !anyTextures || !textures[static_cast<size_t>(set)].empty() || (set == current && unlinkedTextures);
    }
};

// Whether a texture that a shader of the mesh uses is linked to no set.
bool AnyUnlinkedTexture(const std::vector<ShadingEntry>& entries, const MeshSets& sets) {
    return std::any_of(entries.begin(), entries.end(), [&sets](const ShadingEntry& entry) {
        const ShadingExportInfo& info = entry.info;
        for (size_t i = 0; i < info.components.size(); ++i) {
            if (info.textureIds[i] >= 0 && sets.Unlinked(info.components[i])) return true;
        }
        return false;
    });
}

// A set's UVs as its UV element holds them: every UV, and the UV id of every polygon vertex.
struct SetUVs {
    std::vector<RVector2> uvs;
    std::vector<int> ids;
};

// False when the set has no UVs or they cannot be read.
bool ReadSetUVs(const VFnMesh& mesh, const VString& set, SetUVs& read) {
    const int uvCount = mesh.numUVs(&set);
    VFloatArray u;
    VFloatArray v;
    if (uvCount <= 0 || !mesh.getUVs(u, v, &set)) return false;
    read.uvs.clear();
    // U from U and V from V.
    for (unsigned i = 0; i < u.length() && i < v.length(); ++i) read.uvs.emplace_back(u[i], v[i]);
    read.ids = PolygonUvIds(mesh, set, uvCount);
    return true;
}

void FillUvElement(RWyxLayer& layer, const SetUVs& set) {
    RWyxLayerElementUV* element = layer.GetUVs();
    if (element == nullptr) element = layer.SetUVs(std::make_unique<RWyxLayerElementUV>());
    element->SetMappingMode(RWyxLayerElement::kByPolygonVertex);
    element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    element->DirectArray() = set.uvs;
    element->IndexArray() = set.ids;
}

// The first layer without UVs, and without textures unless they may be there.
int FreeLayer(const RWyxMesh& mesh, bool texturesAllowed = false) {
    int index = 0;
    for (const RWyxLayer* layer = mesh.GetLayer(0); layer != nullptr; layer = mesh.GetLayer(++index)) {
        if (layer->GetUVs() == nullptr && (texturesAllowed || layer->GetTextures() == nullptr)) break;
    }
    return index;
}

const RWyxLayerElementTexture* TextureElementOf(const RWyxMesh& mesh, int layerIndex) {
    const RWyxLayer* layer = mesh.GetLayer(layerIndex);
    return layer != nullptr ? layer->GetTextures() : nullptr;
}

// The layer of a texture id; -1 for the no-texture id.
int LayerOf(int id) { return id < 0 ? -1 : id / ShadingExportInfo::kLayerStride; }

// The host textures that lie on the layer in some record.
std::vector<VObject> TexturesOnLayer(const std::vector<ShadingEntry>& entries, int layerIndex) {
    std::vector<VObject> textures;
    for (const ShadingEntry& entry : entries) {
        const ShadingExportInfo& info = entry.info;
        for (size_t i = 0; i < info.textureIds.size(); ++i) {
            if (LayerOf(info.textureIds[i]) == layerIndex && !Contains(textures, info.components[i])) {
                textures.push_back(info.components[i]);
            }
        }
    }
    return textures;
}

// Takes from the layer's texture element the textures that no record has there any more, and
// renumbers the records' ids of the textures that stay.
void DropUnusedTextures(RWyxMesh& mesh, std::vector<ShadingEntry>& entries, int layerIndex) {
    RWyxLayerElementTexture* element = mesh.GetLayer(layerIndex)->GetTextures();
    std::vector<RWyxTexture*>& textures = element->DirectArray();
    std::vector<int> numbers(textures.size(), -1);
    for (const ShadingEntry& entry : entries) {
        for (const int id : entry.info.textureIds) {
            const size_t index = static_cast<size_t>(id % ShadingExportInfo::kLayerStride);
            const bool onLayer = id >= 0 && id / ShadingExportInfo::kLayerStride == layerIndex;
            if (onLayer && index < numbers.size()) numbers[index] = 0;
        }
    }
    std::vector<RWyxTexture*> kept;
    for (size_t j = 0; j < textures.size(); ++j) {
        if (numbers[j] < 0) continue;
        numbers[j] = static_cast<int>(kept.size());
        kept.push_back(textures[j]);
    }
    textures = std::move(kept);
    for (ShadingEntry& entry : entries) entry.info.RenumberLayer(layerIndex, numbers);
}

// Moves the textures from one layer to another in every record that has them there (or in the one
// record `only`): a free layer, whose element blends as the one they leave, or one that textures
// moved to before and that keeps its element. The mesh export gives the element its mapping.
void MoveTextures(RWyxMesh& mesh, std::vector<ShadingEntry>& entries, const std::vector<VObject>& textures, int from,
                  int to, const ShadingEntry* only = nullptr) {
    const RWyxLayerElementTexture* source = TextureElementOf(mesh, from);
    RWyxLayer* target = mesh.EnsureLayer(to);
    if (source == nullptr || target == nullptr) return;
    if (target->GetTextures() == nullptr) {
        RWyxLayerElementTexture* element = target->SetTextures(std::make_unique<RWyxLayerElementTexture>());
        element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
        element->SetBlendMode(source->GetBlendMode());
    }
    for (ShadingEntry& entry : entries) {
        if (only != nullptr && only != &entry) continue;
        ShadingExportInfo& info = entry.info;
        for (size_t i = 0; i < info.textureIds.size(); ++i) {
            const int id = info.textureIds[i];
            if (LayerOf(id) != from || !Contains(textures, info.components[i])) continue;
            const int index = mesh.AddTexture(mesh.GetTexture(id % ShadingExportInfo::kLayerStride, from), to);
            if (index >= 0 && index < ShadingExportInfo::kLayerStride) info.MoveId(i, to, index);
        }
    }
    DropUnusedTextures(mesh, entries, from);
}

// Whether the texture elements of the two layers blend alike.
bool BlendAlike(const RWyxMesh& mesh, int a, int b) {
    const RWyxLayerElementTexture* first = TextureElementOf(mesh, a);
    const RWyxLayerElementTexture* second = TextureElementOf(mesh, b);
    return first != nullptr && second != nullptr && first->GetBlendMode() == second->GetBlendMode();
}

// The layer of each texture id of every record.
std::vector<std::vector<int>> TextureLayers(const std::vector<ShadingEntry>& entries) {
    std::vector<std::vector<int>> layers;
    for (const ShadingEntry& entry : entries) {
        std::vector<int>& own = layers.emplace_back();
        for (const int id : entry.info.textureIds) own.push_back(LayerOf(id));
    }
    return layers;
}

// Takes the texture up from its layer to the first free one in every record (or in the one record
// `only`), with the UVs of the layer it leaves, which it maps with: a copy where other textures
// stay, else the UVs themselves, which would come back as a set that nothing maps with.
void LiftTexture(RWyxMesh& mesh, std::vector<ShadingEntry>& entries, const VObject& texture, int from,
                 const ShadingEntry* only) {
    const int to = FreeLayer(mesh);
    MoveTextures(mesh, entries, {texture}, from, to, only);
    RWyxLayer* source = mesh.GetLayer(from);
    RWyxLayer* target = mesh.GetLayer(to);
    const RWyxLayerElementUV* uvs = source->GetUVs();
    if (uvs == nullptr || target == nullptr || target->GetTextures() == nullptr) return;
    target->SetUVs(std::make_unique<RWyxLayerElementUV>(*uvs));
    if (mesh.GetTextureCount(from) == 0) source->SetUVs(nullptr);
}

// One pass over the records: each texture of a record that no longer lies above every texture
// that lay below it before the moves (`before`: the layers then) is lifted, in every record that
// has it there or, with `own`, in that record alone. True when any was.
bool LiftOutOfOrderTextures(RWyxMesh& mesh, std::vector<ShadingEntry>& entries,
                            const std::vector<std::vector<int>>& before, bool own) {
    bool lifted = false;
    for (size_t e = 0; e < entries.size(); ++e) {
        const ShadingExportInfo& info = entries[e].info;
        const std::vector<int>& layers = before[e];
        for (size_t i = 0; i < layers.size(); ++i) {
            int below = -1;  // the highest layer now of the textures that lay below this one
            for (size_t j = 0; j < layers.size(); ++j) {
                if (layers[j] >= 0 && layers[j] < layers[i]) below = std::max(below, LayerOf(info.textureIds[j]));
            }
            if (layers[i] < 0 || LayerOf(info.textureIds[i]) > below) continue;
            const VObject texture = info.components[i];
            LiftTexture(mesh, entries, texture, LayerOf(info.textureIds[i]), own ? &entries[e] : nullptr);
            lifted = true;
        }
    }
    return lifted;
}

// A layered texture puts its inputs on layers in their order, and the import stacks them by
// layer. Where moving a set's textures took an input up past one that lay over it, that one is
// lifted too, as often as it takes (a texture of several records may take another up with it),
// so that every stack comes back in its order. Two stacks that hold two textures in opposite
// orders lift each other's for ever, as a lift takes a texture up in every record that has it on
// that layer: when the lifts do not settle, each out of order is lifted in its own record alone,
// which settles, as such a lift moves nothing of another record.
void KeepStackOrder(RWyxMesh& mesh, std::vector<ShadingEntry>& entries, const std::vector<std::vector<int>>& before) {
    size_t limit = 1;
    for (const std::vector<int>& layers : before) limit += layers.size();
    for (const bool own : {false, true}) {
        size_t pass = 0;
        while (pass < limit && LiftOutOfOrderTextures(mesh, entries, before, own)) ++pass;
        if (pass < limit) return;
    }
}

// The import links every texture on a layer to the set made of that layer's UVs. So a set puts its
// UVs on the layer of its textures only when no other set's UVs are there and, for a set other
// than the current one, no texture without a link lies there (it maps with the current set); the
// textures of later sets that lie there leave it in their turn.
bool MayTakeLayer(const RWyxMesh& mesh, const std::vector<ShadingEntry>& entries, const MeshSets& sets, int set,
                  int layerIndex) {
    const RWyxLayer* layer = mesh.GetLayer(layerIndex);
    if (layer != nullptr && layer->GetUVs() != nullptr) return false;
    if (set == sets.current) return true;
    const std::vector<VObject> there = TexturesOnLayer(entries, layerIndex);
    return std::all_of(there.begin(), there.end(), [&sets](const VObject& texture) { return sets.Linked(texture); });
}

// The layers of a textured set: those of its textures that it may take. From any other its
// textures go to a free layer, one for all such layers whose elements blend alike (a record that
// so gets two textures on one layer has the upper lifted, KeepStackOrder), so that every set keeps
// its UVs and every texture maps with its own set's. A texture linked to two sets goes with the
// first. A set left without textures so maps none and is left out, as a set without textures is
// (a layer of its own would come back as a set that nothing maps with, which the next export left
// out); the current set, which the textures without a link map with, takes a free layer.
std::set<int> TexturedSetLayers(RWyxMesh& mesh, std::vector<ShadingEntry>& entries, const MeshSets& sets, int set,
                                std::vector<VObject>& placed) {
    std::map<int, std::vector<VObject>> onLayer;
    for (const VObject& texture : sets.textures[static_cast<size_t>(set)]) {
        if (Contains(placed, texture)) continue;
        placed.push_back(texture);
        for (const ShadingEntry& entry : entries) {
            const ShadingExportInfo& info = entry.info;
            for (size_t i = 0; i < info.components.size(); ++i) {
                if (info.textureIds[i] >= 0 && info.components[i] == texture) {
                    onLayer[LayerOf(info.textureIds[i])].push_back(texture);
                }
            }
        }
    }
    std::set<int> layers;
    int moved = -1;  // the free layer the set's textures went to last
    for (const auto& [layerIndex, moving] : onLayer) {
        if (MayTakeLayer(mesh, entries, sets, set, layerIndex)) {
            layers.insert(layerIndex);
            continue;
        }
        if (moved < 0 || !BlendAlike(mesh, layerIndex, moved)) moved = FreeLayer(mesh);
        MoveTextures(mesh, entries, moving, layerIndex, moved);
        layers.insert(moved);
    }
    if (layers.empty() && set == sets.current) layers.insert(FreeLayer(mesh));
    return layers;
}

// The layer of the current set when no texture is linked to it: the lowest that holds a texture
// without a link, as such textures map with it (no other set took it, MayTakeLayer; those on higher
// layers without UVs map with the set of the lowest layer with UVs, KeepCurrentSetLowest).
int UnlinkedTexturesLayer(const RWyxMesh& mesh, const std::vector<ShadingEntry>& entries, const MeshSets& sets) {
    const auto unlinked = [&sets](const VObject& texture) { return sets.Unlinked(texture); };
    for (int i = 0; i < mesh.GetLayerCount(); ++i) {
        const std::vector<VObject> there = TexturesOnLayer(entries, i);
        if (std::any_of(there.begin(), there.end(), unlinked)) return i;
    }
    return FreeLayer(mesh);
}

bool HoldsUVs(const RWyxLayerElementUV& element, const SetUVs& set) {
    return element.DirectArray() == set.uvs && element.IndexArray() == set.ids;
}

// The import makes current the set of the lowest layer with UVs, and a texture on a layer without
// UVs maps with it. When that layer holds other UVs than the current set's, the current set's go
// to the layers without UVs that hold textures (none has a link to a set that is written), from
// the lowest up to the first below that layer, which then is the lowest.
void KeepCurrentSetLowest(RWyxMesh& mesh, const SetUVs& current) {
    int lowest = 0;
    while (lowest < mesh.GetLayerCount() && mesh.GetLayer(lowest)->GetUVs() == nullptr) ++lowest;
    if (lowest == mesh.GetLayerCount() || HoldsUVs(*mesh.GetLayer(lowest)->GetUVs(), current)) return;
    for (int i = 0; i < mesh.GetLayerCount(); ++i) {
        RWyxLayer& layer = *mesh.GetLayer(i);
        if (layer.GetUVs() != nullptr || mesh.GetTextureCount(i) == 0) continue;
        FillUvElement(layer, current);
        if (i < lowest) return;
    }
}

// The layers of a set that is written (MeshSets::Written).
std::set<int> SetLayers(RWyxMesh& mesh, std::vector<ShadingEntry>& entries, const MeshSets& sets, int set,
                        std::vector<VObject>& placed) {
    if (!sets.anyTextures) return {FreeLayer(mesh, set == sets.current)};
    if (!sets.textures[static_cast<size_t>(set)].empty()) return TexturedSetLayers(mesh, entries, sets, set, placed);
    return {UnlinkedTexturesLayer(mesh, entries, sets)};
}

// The UV sets, in the host's order of the sets, each to layers where no other set's UVs are.
// When no set has a texture that a shader of the mesh uses, each set with UVs takes a layer of
// its own: the current set the first without UVs (its textures may lie there, as every texture
// maps with it), any other the first free of textures too. Otherwise the sets with such textures
// are written, each on its textures' layers (TexturedSetLayers), and the current set without
// one when a texture without a link maps with it, on the lowest layer of those textures
// (UnlinkedTexturesLayer); a layered texture keeps the order of its inputs (KeepStackOrder), and
// the current set the lowest layer with UVs (KeepCurrentSetLowest).
void ExportMeshUVs(const VFnMesh& current, RWyxMesh& mesh, std::vector<ShadingEntry>& entries) {
    MeshSets sets;
    if (!current.getUVSetNames(sets.names)) return;
    const VString currentName = current.currentUVSetName();
    for (unsigned s = 0; s < sets.names.length(); ++s) {
        sets.textures.push_back(UsedSetTextures(current, sets.names[s], entries));
        sets.anyTextures = sets.anyTextures || !sets.textures.back().empty();
        if (sets.names[s] == currentName) sets.current = static_cast<int>(s);
    }
    sets.unlinkedTextures = sets.anyTextures && AnyUnlinkedTexture(entries, sets);
    const std::vector<std::vector<int>> layersBefore = TextureLayers(entries);
    std::vector<VObject> placed;
    SetUVs currentUVs;
    bool currentWritten = false;
    for (unsigned s = 0; s < sets.names.length(); ++s) {
        const int set = static_cast<int>(s);
        SetUVs uvs;
        if (!sets.Written(set) || !ReadSetUVs(current, sets.names[s], uvs)) continue;
        const std::set<int> layers = SetLayers(mesh, entries, sets, set, placed);
        for (const int layerIndex : layers) {
            RWyxLayer* layer = mesh.EnsureLayer(layerIndex);
            if (layer != nullptr) FillUvElement(*layer, uvs);
        }
        if (set != sets.current) continue;
        currentUVs = std::move(uvs);
        currentWritten = true;
    }
    KeepStackOrder(mesh, entries, layersBefore);
    if (currentWritten) KeepCurrentSetLowest(mesh, currentUVs);
}

}  // namespace

// ---- the mesh export ------------------------------------------------------------------------------

void WyxVexaExportSession::ExportMesh(VFnMesh& current, VexaNode& node, const VObject& sourceGeometry,
                                      const VObject& inputGeometry) {
    RWyxMesh* mesh = factory_.CreateMesh();
    if (mesh == nullptr) return;
    VStatus status;
    const VFnMesh source(sourceGeometry, &status);
    const int vertexCount = status ? source.numVertices() : -1;
    const int polygonCount = status ? source.numPolygons() : -1;
    if (!status || vertexCount != current.numVertices() || polygonCount != current.numPolygons()) {
        factory_.DestroyNodeAttribute(mesh);
        node.SetExportFlag(true);
        WarnAboutMismatch(*this, node);
        return;
    }
    node.SetNodeAttribute(mesh);
    node.SetShadingMode(4);
    mesh->InitControlPoints(vertexCount);

    VVectorArray normals;
    current.getNormals(normals, VSpace::kObject);
    const int normalCount = static_cast<int>(normals.length());
    VDagPath shapePath;
    current.getPath(shapePath);
    shapePath.extendToShape();
    const unsigned instance = shapePath.isInstanced() ? shapePath.instanceNumber() : 0;
    const bool byCorner = GetPluginOptions()->GetBoolOption(kExportHardEdges) && normalCount > vertexCount;
    if (!byCorner) mesh->InitNormals(0);

    // Positions from the skin's input when there is one with the source's points, else from
    // the source; a vertex's normal from the same mesh when it has more than one.
    VFnMesh input;
    const bool fromInput = !inputGeometry.isNull() && input.setObject(inputGeometry) &&
                           input.numVertices() == vertexCount;
    const VFnMesh& positions = fromInput ? input : source;
    RVector4* points = mesh->GetControlPoints();
    RVector4* vertexNormals = byCorner ? nullptr : mesh->GetNormals();
    VItMeshVertex vertices(shapePath, VObject::kNullObj, &status);
    for (; status && !vertices.isDone(); vertices.next()) {
        const int i = vertices.index();
        if (i < 0 || i >= vertexCount) continue;
        VPoint point;
        positions.getPoint(i, point, VSpace::kObject);
        points[i] = RVector4(point.x, point.y, point.z, point.w);
        if (vertexNormals == nullptr) continue;
        VVectorArray own;
        vertices.getNormals(own, VSpace::kObject);
        VVector normal;
        if (own.length() == 1) {
            normal = own[0];
        } else {
            positions.getVertexNormal(i, normal, VSpace::kObject);
        }
        vertexNormals[i] = NormalOf(normal);
    }

    int cornerCount = 0;
    for (int p = 0; p < polygonCount; ++p) cornerCount += source.polygonVertexCount(p);
    RVector4* cornerNormals = nullptr;
    if (byCorner && cornerCount > 0) {
        mesh->InitNormals(cornerCount);
        // One normal per polygon vertex, whatever the control points number.
        mesh->GetLayer(0)->GetNormals()->SetMappingMode(RWyxLayerElement::kByPolygonVertex);
        cornerNormals = mesh->GetNormals();
    }
    VItMeshPolygon polygons(shapePath, VObject::kNullObj, &status);
    int slot = 0;
    for (; status && !polygons.isDone(); polygons.next()) {
        const int p = polygons.index();
        mesh->BeginPolygon(-1, -1, -1);
        const int size = p >= 0 && p < polygonCount ? source.polygonVertexCount(p) : 0;
        for (int corner = 0; corner < size; ++corner) {
            const int vertex = polygons.vertexIndex(corner);
            if (vertex >= 0 && vertex < vertexCount) mesh->AddPolygonVertex(vertex, -1);
            if (cornerNormals == nullptr || slot >= cornerCount) continue;
            const int n = polygons.normalIndex(corner);
            if (n >= 0 && n < normalCount) cornerNormals[slot] = NormalOf(normals[static_cast<unsigned>(n)]);
            ++slot;
        }
    }

    ExportVertexColors(*mesh, current);
    ExportMeshShading(current, node, *mesh, instance);
}

void WyxVexaExportSession::ExportMeshShading(const VFnMesh& current, VexaNode& node, RWyxMesh& mesh, unsigned instance) {
    VObjectArray groups;
    VIntArray groupOfPolygon;
    if (!current.getConnectedShaders(instance, groups, groupOfPolygon)) return;
    const int polygonCount = mesh.GetPolygonCount();
    DefaultShader defaultShader;

    // The distinct shading indices in order of first use, each with its material.
    std::vector<ShadingEntry> entries;
    std::map<int, size_t> entryOf;
    std::vector<size_t> entryOfPolygon(static_cast<size_t>(polygonCount), 0);
    for (int p = 0; p < polygonCount; ++p) {
        int index = p < static_cast<int>(groupOfPolygon.length()) ? groupOfPolygon[static_cast<unsigned>(p)] : -1;
        if (index < 0 || index >= static_cast<int>(groups.length())) index = -1;
        auto found = entryOf.find(index);
        if (found == entryOf.end()) {
            VObject shader = index >= 0 ? GetSurfaceShader(groups[static_cast<unsigned>(index)]) : VObject();
            if (shader.isNull()) shader = GetSurfaceShader(defaultShader.Get());
            ShadingEntry entry{index, ShadingExportInfo()};
            entry.info.shader = shader;
            entry.info.countLimit = polygonCount;
            found = entryOf.emplace(index, entries.size()).first;
            entries.push_back(entry);
        }
        entryOfPolygon[static_cast<size_t>(p)] = found->second;
    }
    bool texturesRecorded = false;
    for (ShadingEntry& entry : entries) texturesRecorded |= ExportShaderTextures(entry.info.shader, node, entry.info);
    for (int p = 0; p < polygonCount; ++p) entries[entryOfPolygon[static_cast<size_t>(p)]].info.CountPolygon();
    // The UVs first: a set may take its textures to another layer.
    ExportMeshUVs(current, mesh, entries);

    // A texture used by every polygon maps all same, any other by polygon (layer 0 always).
    for (ShadingEntry& entry : entries) {
        const ShadingExportInfo& info = entry.info;
        if (!info.textured) continue;
        for (size_t t = 0; t < info.textureIds.size(); ++t) {
            if (info.components[t].isNull() || info.textureIds[t] < 0) continue;
            const int layerIndex = info.textureIds[t] / ShadingExportInfo::kLayerStride;
            RWyxLayer* layer = mesh.GetLayer(layerIndex);
            RWyxLayerElementTexture* element = layer != nullptr ? layer->GetTextures() : nullptr;
            if (element == nullptr) continue;
            const bool byPolygon = layerIndex == 0 || info.idCounts[t] < polygonCount;
            element->SetMappingMode(byPolygon ? RWyxLayerElement::kByPolygon : RWyxLayerElement::kAllSame);
        }
    }

    // Materials: one index per record; all same when every polygon has the same.
    for (ShadingEntry& entry : entries) {
        ShadingExportInfo& info = entry.info;
        if (!info.textured || info.shader.isNull()) continue;
        info.materialIndex = ExportShaderMaterial(VFnDependencyNode(info.shader).name(), info.shader, mesh);
    }
    bool allSame = true;
    for (const ShadingEntry& entry : entries) allSame = allSame && entry.info.materialIndex == entries[0].info.materialIndex;
    if (!allSame) {
        for (ShadingEntry& entry : entries) entry.info.materialMapping = RWyxLayerElement::kByPolygon;
    }
    for (int p = 0; p < polygonCount; ++p) {
        ApplyShadingIndices(entries[entryOfPolygon[static_cast<size_t>(p)]].info, mesh, texturesRecorded, p);
    }
    // Elements by polygon hold an index for every polygon.
    for (int i = 0; i < mesh.GetLayerCount(); ++i) {
        RWyxLayerElementTexture* element = mesh.GetLayer(i)->GetTextures();
        if (element != nullptr && element->GetMappingMode() == RWyxLayerElement::kByPolygon &&
            element->GetIndexCount() < polygonCount) {
            element->SetIndexCount(polygonCount, -1);
        }
    }
}

// ---- coincident control points ----------------------------------------------------------------

void WyxVexaExportSession::CheckCoincidentVertices(RWyxNode* node) {
    VisitSubtree(node, [this](RWyxNode* each) {
        RWyxMesh* mesh = each->GetMesh();
        if (mesh == nullptr || mesh->GetNormalsMappingKind() != RWyxMesh::kKindByPolygonVertex) return;
        std::vector<int> duplicates;
        mesh->FindDuplicateControlPoints(duplicates, 0, true);
        RString dialog;
        int reported = 0;
        for (int j = 0; j < static_cast<int>(duplicates.size()); ++j) {
            const int kept = duplicates[static_cast<size_t>(j)];
            if (kept == j) continue;
            char text[64];
            std::snprintf(text, sizeof(text), "Vertices %d and %d of mesh ", kept, j);
            const RString line = RString(text) + each->GetName() + " have the same 3D coordinate.";
            if (log_ != nullptr) log_->AddLine(line.Buffer());
            if (reported < kReportedPairLimit) dialog += line + "\n";
            ++reported;
        }
        if (reported > 0 && ShowUI()) {
            ShowDialog(kWarningTitle, dialog + "\nThe import [Add to new scene] process will most likely produce "
                                               "erroneous results.\n");
        }
        mesh->Unweld();
    });
}
