// The geometry inside a version-5 Model record: the records a mesh, NURBS or patch uses and
// its extra texture layers, then the mesh, NURBS or patch fields. Points go through the
// geometry's pivot (x' = x M00 + y M10 + z M20 + M30, and so on), normals through the pivot's
// rotation alone.
//
// Records and layers (all three kinds):
//   Material ... (layer 0's); Texture ... (every layer's, layer by layer); Link ...; Shape ...
//   GeometryLayer { LayerIndex: 0, 1 ... ; LayerTextureInfo { TextureBlendMode; TextureMode:
//     0 none, 6 by polygon, 2 all same; TextureIdCount; TextureId ...; UVMode: 0, 3 / 4 by
//     control point, 7 / 8 by polygon vertex (direct / index to direct); UVCount; UV ...;
//     UVIdCount; UVId ... } }   per texture layer, but for a mesh the first
//   A texture layer is written only with index-to-direct reference and no mapping, all same
//   or (meshes) by polygon; a UV element whose mapping does not fit is set to no mapping.
//
// Mesh (nothing but the grid without control points): GeometryVersion: 123; Vertices;
// Normals (layer of the first normals, direct array); MaterialAssignation: "ByVertice" /
// "ByPolygon" / "AllSame"; Materials; TextureMode: "ByPolygon" with TextureId, or "ByModel";
// PolygonVertexIndex (the last of each polygon as -index - 1); PolygonGroup (when groups
// differ); GeometryUVInfo { Version: 240; MappingInformationType: "ByVertice" / "ByPolygon" /
// "NoMappingInformation"; TextureUV; TextureUVVerticeIndex }; VertexColorInfo { Version: 100;
// MappingInformationType: "ByVertice" / "ByPolygonVertex"; Colors; ColorIndex }; UExtendedCount,
// UClosed, UTopCap, UStep, UCount, VExtendedCount, VClosed, VTopCap, VStep, VCount (a grid).
// Polygons without vertices are left out, with their entries of every per-polygon array.
// Material and texture indices, and UV and colour indices, outside the objects or entries
// they name are written as 0 (-1, none, stays).
//
// NURBS: Type: "Nurb"; the records; NurbVersion: 100; SurfaceDisplay; NurbOrder; Dimensions;
// Step; Form; Points: x', y', z', weight; MultiplicityU; MultiplicityV; KnotVectorU;
// KnotVectorV; Materials: the number of layer-0 materials. A surface asking for U and V
// swapped or its links renumbered is written as the geometry converter's copy.
// Patch: Type: "Patch"; the records; PatchVersion: 100; SurfaceDisplay; PatchType; Dimensions;
// Step; Closed; UCapped; VCapped; Points: x', y', z'; Materials.

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/WyxFields.h"

#include <algorithm>
#include <vector>

using namespace wyx_fields;

namespace {

constexpr int kMeshGeometryVersion = 123;
constexpr int kUVInfoVersion = 240;
constexpr int kVertexColorVersion = 100;
using Element = RWyxLayerElement;

// An index as written: kept when it names one of count entries or is -1 (none), else 0.
int CheckedIndex(int index, int count) { return index >= -1 && index < count ? index : 0; }

// The index array's entry at a position, checked against count (0 when the array is short).
int CheckedIndexAt(const Element& element, int position, int count) {
    return position < element.GetIndexCount() ? CheckedIndex(element.IndexArray()[position], count) : 0;
}

std::vector<int> CheckedIndices(const std::vector<int>& indices, int count) {
    std::vector<int> checked;
    checked.reserve(indices.size());
    for (const int index : indices) checked.push_back(CheckedIndex(index, count));
    return checked;
}

// The polygons written: those with at least one vertex.
std::vector<int> WrittenPolygons(const RWyxMesh& mesh) {
    std::vector<int> polygons;
    polygons.reserve(static_cast<std::size_t>(mesh.GetPolygonCount()));
    for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
        if (mesh.GetPolygonSize(p) > 0) polygons.push_back(p);
    }
    return polygons;
}

// The element of the first layer holding the kind; null when none does.
const Element* FirstElement(const RWyxLayerContainer& container, int kind) {
    const RWyxLayer* layer = container.GetLayerOfKind(0, kind);
    return layer != nullptr ? layer->GetElement(kind) : nullptr;
}

// The number of entries the element's mapping follows: its index array for index to direct,
// else its direct array.
int EntryCount(const Element& element) {
    return element.GetReferenceMode() == Element::kIndexToDirect ? element.GetIndexCount() : element.GetDirectCount();
}

// A UV element's mapping made to fit the geometry (see the notes at the top).
void RepairUVMapping(Element& uvs, const RWyxGeometry& geometry) {
    const int mapping = uvs.GetMappingMode();
    const int reference = uvs.GetReferenceMode();
    bool fits = mapping == Element::kNoMapping || mapping == Element::kByControlPoint ||
                mapping == Element::kByPolygonVertex;
    fits = fits && (reference == Element::kDirect || reference == Element::kIndexToDirect);
    if (fits && mapping == Element::kByControlPoint) fits = EntryCount(uvs) == geometry.GetControlPointsCount();
    if (fits && mapping == Element::kByPolygonVertex) {
        const auto* mesh = geometry.GetAttributeType() == RWyxNodeAttribute::kMesh
                               ? static_cast<const RWyxMesh*>(&geometry)
                               : nullptr;
        fits = mesh != nullptr && EntryCount(uvs) == mesh->GetPolygonVertexCount();
    }
    if (!fits) uvs.SetMappingMode(Element::kNoMapping);
}

void WriteUVs(RWyxFile& file, const char* name, const RWyxLayerElementUV& uvs) {
    file.FieldWriteBegin(name);
    for (const RVector2& uv : uvs.DirectArray()) {
        file.FieldWriteDouble(uv.u);
        file.FieldWriteDouble(uv.v);
    }
    file.FieldWriteEnd();
}

}  // namespace

// ---- records and texture layers ----------------------------------------------------------------------

std::vector<const RWyxLayer*> RWyxWriterWyx5::WriteGeometryContents(RWyxNode& node, RWyxGeometry& geometry) {
    for (int i = 0; i < geometry.GetMaterialCount(0); ++i) {
        if (RWyxMaterial* material = geometry.GetMaterial(i, 0)) WriteMaterial(*material);
    }
    for (int layer = 0; layer < geometry.GetLayerCount(); ++layer) {
        for (int i = 0; i < geometry.GetTextureCount(layer); ++i) {
            if (RWyxTexture* texture = geometry.GetTexture(i, layer)) WriteTexture(*texture);
        }
    }
    for (int i = 0; i < geometry.GetDeformerCount(); ++i) {
        if (RWyxSkinLink* link = geometry.GetDeformer(i)) WriteLink(node, *link);
    }
    for (int i = 0; i < geometry.GetShapeCount(); ++i) {
        if (RWyxShape* shape = geometry.GetShape(i)) WriteShape(node, geometry, *shape, geometry.GetShapeName(i));
    }
    const bool mesh = geometry.GetAttributeType() == RWyxNodeAttribute::kMesh;
    int written = 0;
    std::vector<const RWyxLayer*> withUVs;
    for (int n = mesh ? 1 : 0; n < geometry.GetLayerCountOfKind(Element::kTexture); ++n) {
        RWyxLayer* layer = geometry.GetLayerOfKind(n, Element::kTexture);
        if (layer == nullptr) continue;
        FieldBlock block(File(), "GeometryLayer");
        WriteField(File(), "LayerIndex", written++);
        if (WriteLayerTextureInfo(geometry, *layer)) withUVs.push_back(layer);
    }
    return withUVs;
}

bool RWyxWriterWyx5::WriteLayerTextureInfo(RWyxGeometry& geometry, RWyxLayer& layer) {
    const RWyxLayerElementTexture& textures = *layer.GetTextures();
    const int mapping = textures.GetMappingMode();
    const bool mesh = geometry.GetAttributeType() == RWyxNodeAttribute::kMesh;
    const auto* meshGeometry = mesh ? static_cast<const RWyxMesh*>(&geometry) : nullptr;
    bool fits = textures.GetReferenceMode() == Element::kIndexToDirect;
    if (mapping == Element::kAllSame) {
        fits = fits && textures.GetIndexCount() <= 1;
    } else if (mapping == Element::kByPolygon) {
        fits = fits && mesh && textures.GetIndexCount() == meshGeometry->GetPolygonCount();
    } else {
        fits = fits && mapping == Element::kNoMapping;
    }
    if (!fits) return false;

    std::vector<int> ids;
    const int count = textures.GetDirectCount();
    if (mapping == Element::kByPolygon) {
        for (const int p : WrittenPolygons(*meshGeometry)) ids.push_back(CheckedIndexAt(textures, p, count));
    } else {
        ids = CheckedIndices(textures.IndexArray(), count);
    }
    RWyxFile& file = File();
    FieldBlock block(file, "LayerTextureInfo");
    WriteField(file, "TextureBlendMode", textures.GetBlendMode());
    WriteField(file, "TextureMode", mapping == Element::kByPolygon ? 6 : mapping == Element::kAllSame ? 2 : 0);
    WriteField(file, "TextureIdCount", static_cast<int>(ids.size()));
    WriteInts(file, "TextureId", ids);

    RWyxLayerElementUV* uvs = layer.GetUVs();
    if (uvs == nullptr) return false;
    RepairUVMapping(*uvs, geometry);
    const bool indexed = uvs->GetReferenceMode() == Element::kIndexToDirect;
    switch (uvs->GetMappingMode()) {
    case Element::kByControlPoint:
        WriteField(file, "UVMode", indexed ? 4 : 3);
        break;
    case Element::kByPolygonVertex:
        WriteField(file, "UVMode", indexed ? 8 : 7);
        break;
    default:
        WriteField(file, "UVMode", 0);
        return false;
    }
    WriteField(file, "UVCount", uvs->GetDirectCount());
    WriteUVs(file, "UV", *uvs);
    if (indexed) {
        WriteField(file, "UVIdCount", uvs->GetIndexCount());
        WriteInts(file, "UVId", CheckedIndices(uvs->IndexArray(), uvs->GetDirectCount()));
    }
    return true;
}

// ---- mesh --------------------------------------------------------------------------------------------

void RWyxWriterWyx5::WriteMesh(RWyxNode& node, RWyxMesh& mesh) {
    if (mesh.GetControlPointsCount() > 0) {
        std::vector<const RWyxLayer*> withUVs = WriteGeometryContents(node, mesh);
        WriteField(File(), "GeometryVersion", kMeshGeometryVersion);
        WriteControlPoints("Vertices", mesh, false);
        WriteMeshNormals(mesh);
        WriteMeshMaterials(mesh);
        WriteMeshTextures(mesh);
        WriteMeshPolygons(node, mesh);
        withUVs.push_back(WriteMeshUVs(mesh));
        WriteMeshVertexColors(mesh);
        WarnUVsLeftOut(node, mesh, withUVs);
    }
    WriteMeshGrid(mesh);
}

void RWyxWriterWyx5::WarnUVsLeftOut(const RWyxNode& node, const RWyxMesh& mesh,
                                    const std::vector<const RWyxLayer*>& withUVs) {
    RString layers;
    int count = 0;
    for (int l = 0; l < mesh.GetLayerCount(); ++l) {
        const RWyxLayer* layer = mesh.GetLayer(l);
        const RWyxLayerElementUV* uvs = layer->GetUVs();
        if (uvs == nullptr || uvs->GetDirectCount() == 0) continue;
        if (std::find(withUVs.begin(), withUVs.end(), layer) != withUVs.end()) continue;
        layers += RString(count++ == 0 ? "" : ", ") + l;
    }
    if (count == 0) return;
    Warn(RString(count == 1 ? "The UVs of layer " : "The UVs of layers ") + layers + " of " + node.GetName() +
         " are left out: a version-5 file has no place for them");
}

void RWyxWriterWyx5::WriteMeshNormals(const RWyxMesh& mesh) {
    const auto* normals = static_cast<const RWyxLayerElementNormal*>(FirstElement(mesh, Element::kNormal));
    if (normals == nullptr) return;
    WriteVectors3(File(), "Normals", TurnedByPivot(mesh, normals->DirectArray()));
}

void RWyxWriterWyx5::WriteMeshMaterials(const RWyxMesh& mesh) {
    const int kind = mesh.GetMaterialMappingKind();
    const char* assignation = "AllSame";
    int entries = 1;
    std::vector<int> polygons;
    if (kind == RWyxMesh::kKindByControlPoint) {
        assignation = "ByVertice";
        entries = mesh.GetControlPointsCount();
    } else if (kind == RWyxMesh::kKindByPolygon) {
        assignation = "ByPolygon";
        polygons = WrittenPolygons(mesh);
        entries = static_cast<int>(polygons.size());
    }
    const int count = mesh.GetMaterialCount(0);
    const RWyxLayer* layer0 = mesh.GetLayer(0);
    const Element* layer0Materials = layer0 != nullptr ? layer0->GetElement(Element::kMaterial) : nullptr;
    const int reference = layer0Materials != nullptr ? layer0Materials->GetReferenceMode() : Element::kDirect;
    const bool indexed = (reference == Element::kIndex || reference == Element::kIndexToDirect) &&
                         mesh.GetMaterialIndices() != nullptr;
    std::vector<int> materials;
    materials.reserve(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const int position = polygons.empty() ? i : polygons[static_cast<std::size_t>(i)];
        if (count == 0) {
            materials.push_back(0);
        } else if (indexed) {
            materials.push_back(CheckedIndexAt(*layer0Materials, position, count));
        } else {
            materials.push_back(count - 1);
        }
    }
    WriteField(File(), "MaterialAssignation", assignation);
    WriteInts(File(), "Materials", materials);
}

void RWyxWriterWyx5::WriteMeshTextures(const RWyxMesh& mesh) {
    const int layerIndex = mesh.GetLayerIndexOfKind(0, Element::kTexture);
    const Element* textures = FirstElement(mesh, Element::kTexture);
    if (textures == nullptr) return;
    if (textures->GetMappingMode() == Element::kAllSame) {
        WriteField(File(), "TextureMode", "ByModel");
        return;
    }
    if (textures->GetMappingMode() != Element::kByPolygon) return;
    const int count = mesh.GetTextureCount(layerIndex);
    std::vector<int> ids;
    for (const int p : WrittenPolygons(mesh)) ids.push_back(CheckedIndexAt(*textures, p, count));
    WriteField(File(), "TextureMode", "ByPolygon");
    WriteInts(File(), "TextureId", ids);
}

void RWyxWriterWyx5::WriteMeshPolygons(RWyxNode& node, const RWyxMesh& mesh) {
    const std::vector<int> polygons = WrittenPolygons(mesh);
    const int empty = mesh.GetPolygonCount() - static_cast<int>(polygons.size());
    if (empty > 0) {
        Warn(RString("") + empty + " polygons of " + node.GetName() + " have no vertex: they are left out");
    }
    if (polygons.empty()) return;
    RWyxFile& file = File();
    const int* vertices = mesh.GetPolygonVertices();
    const int vertexCount = mesh.GetPolygonVertexCount();
    file.FieldWriteBegin("PolygonVertexIndex");
    for (const int p : polygons) {
        const RWyxMesh::Polygon& polygon = *mesh.GetPolygon(p);
        for (int v = 0; v < polygon.size && polygon.start + v < vertexCount; ++v) {
            const int index = vertices[polygon.start + v];
            file.FieldWriteInt(v == polygon.size - 1 ? -index - 1 : index);
        }
    }
    file.FieldWriteEnd();
    const int firstGroup = mesh.GetPolygonGroup(polygons.front());
    bool grouped = false;
    std::vector<int> groups;
    for (const int p : polygons) {
        groups.push_back(mesh.GetPolygonGroup(p));
        grouped = grouped || groups.back() != firstGroup;
    }
    if (grouped) WriteInts(file, "PolygonGroup", groups);
}

const RWyxLayer* RWyxWriterWyx5::WriteMeshUVs(const RWyxMesh& mesh) {
    RWyxFile& file = File();
    FieldBlock block(file, "GeometryUVInfo");
    WriteField(file, "Version", kUVInfoVersion);
    const RWyxLayer* layer = mesh.GetLayerOfKind(0, Element::kUV);
    const RWyxLayerElementUV* uvs = layer != nullptr ? layer->GetUVs() : nullptr;
    const int mapping = uvs != nullptr && mesh.GetTextureUVs() != nullptr ? uvs->GetMappingMode() : Element::kNoMapping;
    if (mapping != Element::kByControlPoint && mapping != Element::kByPolygonVertex) {
        WriteField(file, "MappingInformationType", "NoMappingInformation");
        return nullptr;
    }
    WriteField(file, "MappingInformationType", mapping == Element::kByControlPoint ? "ByVertice" : "ByPolygon");
    WriteUVs(file, "TextureUV", *uvs);
    if (mapping == Element::kByPolygonVertex && uvs->GetIndexCount() > 0) {
        WriteInts(file, "TextureUVVerticeIndex", CheckedIndices(uvs->IndexArray(), uvs->GetDirectCount()));
    }
    return layer;
}

void RWyxWriterWyx5::WriteMeshVertexColors(const RWyxMesh& mesh) {
    const auto* colors = static_cast<const RWyxLayerElementVertexColor*>(FirstElement(mesh, Element::kVertexColor));
    if (colors == nullptr) return;
    const int reference = colors->GetReferenceMode();
    const int entries = reference == Element::kDirect          ? colors->GetDirectCount()
                        : reference == Element::kIndexToDirect ? colors->GetIndexCount()
                                                               : -1;
    const char* mapping = nullptr;
    if (colors->GetMappingMode() == Element::kByControlPoint && entries == mesh.GetControlPointsCount()) {
        mapping = "ByVertice";
    } else if (colors->GetMappingMode() == Element::kByPolygonVertex && entries == mesh.GetPolygonVertexCount()) {
        mapping = "ByPolygonVertex";
    }
    if (mapping == nullptr) return;
    RWyxFile& file = File();
    FieldBlock block(file, "VertexColorInfo");
    WriteField(file, "Version", kVertexColorVersion);
    WriteField(file, "MappingInformationType", mapping);
    file.FieldWriteBegin("Colors");
    for (const RWyxColor& color : colors->DirectArray()) {
        file.FieldWriteDouble(color.GetRed());
        file.FieldWriteDouble(color.GetGreen());
        file.FieldWriteDouble(color.GetBlue());
        file.FieldWriteDouble(color.GetAlpha());
    }
    file.FieldWriteEnd();
    if (reference == Element::kIndexToDirect) {
        WriteInts(file, "ColorIndex", CheckedIndices(colors->IndexArray(), colors->GetDirectCount()));
    }
}

void RWyxWriterWyx5::WriteMeshGrid(const RWyxMesh& mesh) {
    const RWyxMesh::Grid& grid = mesh.GetGrid();
    if (static_cast<long long>(grid.uCount) * grid.vCount == 0) return;
    RWyxFile& file = File();
    WriteField(file, "UExtendedCount", grid.uExtendedCount);
    WriteField(file, "UClosed", grid.uClosed);
    WriteField(file, "UTopCap", grid.uTopCap);
    WriteField(file, "UStep", grid.uStep);
    WriteField(file, "UCount", grid.uCount);
    WriteField(file, "VExtendedCount", grid.vExtendedCount);
    WriteField(file, "VClosed", grid.vClosed);
    WriteField(file, "VTopCap", grid.vTopCap);
    WriteField(file, "VStep", grid.vStep);
    WriteField(file, "VCount", grid.vCount);
}

// ---- NURBS and patches ----------------------------------------------------------------------------

void RWyxWriterWyx5::WriteNurb(RWyxNode& node, RWyxNurb& nurb) {
    if (nurb.GetControlPointsCount() == 0) return;
    WriteArrangedSurface(node, nurb, [&](RWyxNurb& written) {
        WriteField(File(), "Type", "Nurb");
        WriteGeometryContents(node, written);
        WriteNurbSurfaceFields(written);
        WriteField(File(), "Materials", written.GetMaterialCount(0));
    });
}

void RWyxWriterWyx5::WritePatch(RWyxNode& node, RWyxPatch& patch) {
    if (patch.GetControlPointsCount() == 0) return;
    WriteField(File(), "Type", "Patch");
    WriteGeometryContents(node, patch);
    // Only types 0 to 4 reach here (RefuseUnwritablePatches).
    WritePatchSurfaceFields(patch);
    WriteField(File(), "Materials", patch.GetMaterialCount(0));
}
