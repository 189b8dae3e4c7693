// Polygon meshes: the host mesh as an SDK mesh with its control points, normals, polygons,
// vertex colours, per-polygon materials and textures and UV sets; and the check for control
// points that share a position.
//
// Every index the host hands over (a vertex of a polygon corner, a corner's normal, a UV id,
// a shading group's index) is checked against the array it indexes before it is used; the
// normals by polygon vertex are sized by the polygon vertices they belong to.

#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
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

#include <cstdio>
#include <map>
#include <set>

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

// The layers of the record's textures that are the set's own.
void CollectUvLayers(const ShadingExportInfo& info, const VObjectArray& textures, std::set<int>& layers) {
    for (unsigned t = 0; t < textures.length(); ++t) {
        for (size_t i = 0; i < info.components.size(); ++i) {
            const int id = info.textureIds[i];
            if (id >= 0 && info.components[i] == textures[t]) layers.insert(id / ShadingExportInfo::kLayerStride);
        }
    }
}

void FillUvElement(RWyxLayer& layer, const VFloatArray& u, const VFloatArray& v, const std::vector<int>& ids) {
    RWyxLayerElementUV* element = layer.GetUVs();
    if (element == nullptr) element = layer.SetUVs(std::make_unique<RWyxLayerElementUV>());
    element->SetMappingMode(RWyxLayerElement::kByPolygonVertex);
    element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    std::vector<RVector2>& direct = element->DirectArray();
    direct.clear();
    // U from U and V from V.
    for (unsigned i = 0; i < u.length() && i < v.length(); ++i) direct.push_back(RVector2{u[i], v[i]});
    element->IndexArray() = ids;
}

// The UV sets, each to the layers of the textures that are its own. Sets without textures are
// written only when no set has any, and then each takes a layer of its own, 0, 1, 2... in the
// order of the names, so that no set overwrites another.
void ExportMeshUVs(const VFnMesh& current, RWyxMesh& mesh, const std::vector<ShadingEntry>& entries) {
    VStringArray setNames;
    if (!current.getUVSetNames(setNames)) return;
    std::vector<VObjectArray> textures(setNames.length());
    bool anyTextures = false;
    for (unsigned s = 0; s < setNames.length(); ++s) {
        current.getAssociatedUVSetTextures(setNames[s], textures[s]);
        anyTextures = anyTextures || textures[s].length() > 0;
    }
    int nextOwnLayer = 0;
    for (unsigned s = 0; s < setNames.length(); ++s) {
        const VString& set = setNames[s];
        const int uvCount = current.numUVs(&set);
        if (uvCount <= 0 || (anyTextures && textures[s].length() == 0)) continue;
        VFloatArray u;
        VFloatArray v;
        if (!current.getUVs(u, v, &set)) continue;
        std::set<int> layers;
        if (anyTextures) {
            for (const ShadingEntry& entry : entries) CollectUvLayers(entry.info, textures[s], layers);
        } else {
            layers.insert(nextOwnLayer++);
        }
        const std::vector<int> ids = PolygonUvIds(current, set, uvCount);
        for (const int layerIndex : layers) {
            RWyxLayer* layer = mesh.EnsureLayer(layerIndex);
            if (layer != nullptr) FillUvElement(*layer, u, v, ids);
        }
    }
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
    ExportMeshUVs(current, mesh, entries);

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
