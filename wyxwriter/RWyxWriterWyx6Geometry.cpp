// The geometry of Model records: meshes, NURBS surfaces and patches with their layer elements,
// layers and shapes. Nothing is written for a geometry without control points. Points are
// written through the geometry's pivot (x' = x M00 + y M10 + z M20 + M30, and so on).
//
//   mesh    Vertices: x', y', z' ...; PolygonVertexIndex: the polygons' control points, the
//           last of each polygon as its complement (-index - 1); the common part
//   NURBS   Type: "Nurb"; NurbVersion: 100; SurfaceDisplay: mode, U step, V step; NurbOrder;
//           Dimensions; Step; Form: "Periodic" / "Closed" / "Open" for U and V; Points: x',
//           y', z', weight ...; MultiplicityU; MultiplicityV; KnotVectorU; KnotVectorV; the
//           common part. A surface asking for U and V swapped or its skin links renumbered is
//           written as the geometry converter's copy, its knots and counts from the copy.
//           A weight that is not above 0 (a point whose weight was never set) is written 1.
//   patch   Type: "Patch"; PatchVersion: 100; SurfaceDisplay; PatchType: "Bezier",
//           "BezierQuadric", "Cardinal", "BSpline" or "Linear" for U and V (any other type is
//           refused before the write, RefuseUnwritablePatches); Dimensions; Step; Closed;
//           UCapped; VCapped; Points: x', y', z' ...; the common part
//
// Common part: GeometryVersion: 124; the elements (meshes: normals, polygon groups, colours,
// UVs; all: materials, textures), each kind numbered by the layers holding it; the Layer
// records; one Shape block per shape.
//
//   LayerElement<Kind>: number { Version: 100; MappingInformationType;
//     ReferenceInformationType; the kind's data }
//   Layer: layer index { Version: 100; LayerElement { Type; TypedIndex } per element written }
//
// An element whose reference mode its record cannot hold is not written (polygon groups,
// materials and textures by direct reference; colours and UVs by index) and no Layer record
// refers to it; a layer without a written element gets no Layer record. Reference modes
// other than index and index to direct count as direct. Normals by index to direct are
// written expanded to one normal per index, by index as their direct array; both as
// "Direct". Material and texture indices of index to direct are written as positions among
// the objects of that kind connected to the node (the last connection of the object
// counts), -1 for an object that is not connected.
//
//   Shape: name { Indexes: the points that differ from the geometry's (0 when none does or
//     the counts differ); Vertices: shape point - geometry point through the pivot, per index
//     (0, 0, 0 for no change); meshes: Normals: the same of the normals when both map one
//     direct normal per control point in their first normal layer, else 0, 0, 0 }

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "wyxreader/WyxReaderServices.h"
#include "wyxwriter/RWyxWriterWyx6.h"
#include "wyxwriter/WyxFields.h"

using namespace wyx_fields;

namespace {

constexpr int kGeometryVersion = 124;
constexpr int kElementVersion = 100;
constexpr int kLayerVersion = 100;

using Element = RWyxLayerElement;

// The reference mode an element's data is written by: index and index to direct as they are,
// any other mode direct.
int WrittenReference(const Element& element) {
    const int mode = element.GetReferenceMode();
    return mode == Element::kIndex || mode == Element::kIndexToDirect ? mode : Element::kDirect;
}

bool IsWritten(const Element& element) {
    const int reference = WrittenReference(element);
    switch (element.GetKind()) {
    case Element::kNormal:
        return true;
    case Element::kPolygonGroup:
    case Element::kMaterial:
    case Element::kTexture:
        return reference != Element::kDirect;
    case Element::kVertexColor:
    case Element::kUV:
        return reference != Element::kIndex;
    default:
        return false;
    }
}

// The material or texture at a direct position of the element; null outside it.
const void* DirectObjectAt(const Element& element, int position) {
    if (element.GetKind() == Element::kMaterial) {
        RWyxMaterial* const* material = static_cast<const RWyxLayerElementMaterial&>(element).GetDirectAt(position);
        return material != nullptr ? *material : nullptr;
    }
    RWyxTexture* const* texture = static_cast<const RWyxLayerElementTexture&>(element).GetDirectAt(position);
    return texture != nullptr ? *texture : nullptr;
}

// The materials (textures) whose properties objects are sources of the node's, in
// connection order.
std::vector<const void*> ConnectedObjects(const RWyxNode& node, int kind) {
    std::vector<const void*> objects;
    const RWyxNodeProperties& properties = *node.GetProperties();
    for (int i = 0; i < properties.GetSourceCount(); ++i) {
        const RPlug* source = properties.GetSource(i);
        if (source == nullptr) continue;
        if (kind == Element::kMaterial && source->Is(RWyxMaterialProperties::ClassId())) {
            objects.push_back(static_cast<const RWyxMaterialProperties*>(source)->GetMaterial());
        } else if (kind == Element::kTexture && source->Is(RWyxTextureProperties::ClassId())) {
            objects.push_back(static_cast<const RWyxTextureProperties*>(source)->GetTexture());
        }
    }
    return objects;
}

// Normals of an index-to-direct element, one per index (zero for an index outside them).
std::vector<RVector4> ExpandedNormals(const RWyxLayerElementNormal& normals) {
    std::vector<RVector4> expanded;
    expanded.reserve(normals.IndexArray().size());
    for (const int index : normals.IndexArray()) {
        const RVector4* normal = normals.GetDirectAt(index);
        expanded.push_back(normal != nullptr ? *normal : RVector4());
    }
    return expanded;
}

}  // namespace

// ---- mesh -------------------------------------------------------------------------------------------------

void RWyxWriterWyx6::WriteMeshAttribute(RWyxNode& node, RWyxMesh& mesh) {
    if (mesh.GetControlPointsCount() == 0) return;
    WriteControlPoints("Vertices", mesh, false);
    if (mesh.GetPolygonCount() > 0) {
        RWyxFile& file = File();
        const int* vertices = mesh.GetPolygonVertices();
        const int vertexCount = mesh.GetPolygonVertexCount();
        file.FieldWriteBegin("PolygonVertexIndex");
        for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
            const RWyxMesh::Polygon& polygon = *mesh.GetPolygon(p);
            for (int v = 0; v < polygon.size && polygon.start + v < vertexCount; ++v) {
                const int index = vertices[polygon.start + v];
                file.FieldWriteInt(v == polygon.size - 1 ? -index - 1 : index);
            }
        }
        file.FieldWriteEnd();
    }
    WriteGeometryLayers(node, mesh);
}

// ---- NURBS -----------------------------------------------------------------------------------------------

void RWyxWriterWyx6::WriteNurbAttribute(RWyxNode& node, RWyxNurb& nurb) {
    if (nurb.GetControlPointsCount() == 0) return;
    WriteArrangedSurface(node, nurb, [&](RWyxNurb& written) { WriteNurbFields(node, written); });
}

void RWyxWriterWyx6::WriteNurbFields(RWyxNode& node, RWyxNurb& nurb) {
    WriteField(File(), "Type", "Nurb");
    WriteNurbSurfaceFields(nurb);
    WriteGeometryLayers(node, nurb);
}

// ---- patch ------------------------------------------------------------------------------------------------

void RWyxWriterWyx6::WritePatchAttribute(RWyxNode& node, RWyxPatch& patch) {
    if (patch.GetControlPointsCount() == 0) return;
    WriteField(File(), "Type", "Patch");
    WritePatchSurfaceFields(patch);
    WriteGeometryLayers(node, patch);
}

// ---- layers ------------------------------------------------------------------------------------------------

void RWyxWriterWyx6::WriteGeometryLayers(RWyxNode& node, RWyxGeometry& geometry) {
    elementNumbers_.clear();
    WriteField(File(), "GeometryVersion", kGeometryVersion);
    if (geometry.GetAttributeType() == RWyxNodeAttribute::kMesh) {
        for (const int kind : {Element::kNormal, Element::kPolygonGroup, Element::kVertexColor, Element::kUV}) {
            WriteLayerElements(node, geometry, kind);
        }
    }
    WriteLayerElements(node, geometry, Element::kMaterial);
    WriteLayerElements(node, geometry, Element::kTexture);
    WriteLayerRecords(geometry);
    for (int i = 0; i < geometry.GetShapeCount(); ++i) {
        if (RWyxShape* shape = geometry.GetShape(i)) WriteShape(node, geometry, *shape, geometry.GetShapeName(i));
    }
}

void RWyxWriterWyx6::WriteLayerElements(RWyxNode& node, RWyxGeometry& geometry, int kind) {
    for (int n = 0; n < geometry.GetLayerCountOfKind(kind); ++n) {
        const RWyxLayer* layer = geometry.GetLayerOfKind(n, kind);
        const Element* element = layer != nullptr ? layer->GetElement(kind) : nullptr;
        if (element != nullptr && WriteLayerElement(node, geometry, *element, n)) elementNumbers_[element] = n;
    }
}

bool RWyxWriterWyx6::WriteLayerElement(RWyxNode& node, const RWyxGeometry& geometry, const Element& element,
                                       int number) {
    if (!IsWritten(element)) return false;
    const int kind = element.GetKind();
    const int reference = WrittenReference(element);
    RWyxFile& file = File();
    FieldBlock block(file, LayerElementFieldName(kind), number);
    WriteField(file, "Version", kElementVersion);
    WriteField(file, "MappingInformationType", MappingModeName(element.GetMappingMode()));
    WriteField(file, "ReferenceInformationType",
               ReferenceModeName(kind == Element::kNormal ? Element::kDirect : reference));
    switch (kind) {
    case Element::kNormal: {
        const auto& normals = static_cast<const RWyxLayerElementNormal&>(element);
        WriteVectors3(file, "Normals",
                      TurnedByPivot(geometry, reference == Element::kIndexToDirect ? ExpandedNormals(normals)
                                                                                   : normals.DirectArray()));
        break;
    }
    case Element::kPolygonGroup:
        WriteInts(file, "PolygonGroup", element.IndexArray());
        break;
    case Element::kVertexColor: {
        file.FieldWriteBegin("Colors");
        for (const RWyxColor& color : static_cast<const RWyxLayerElementVertexColor&>(element).DirectArray()) {
            file.FieldWriteDouble(color.GetRed());
            file.FieldWriteDouble(color.GetGreen());
            file.FieldWriteDouble(color.GetBlue());
            file.FieldWriteDouble(color.GetAlpha());
        }
        file.FieldWriteEnd();
        if (reference == Element::kIndexToDirect) WriteInts(file, "ColorIndex", element.IndexArray());
        break;
    }
    case Element::kUV: {
        file.FieldWriteBegin("UV");
        for (const RVector2& uv : static_cast<const RWyxLayerElementUV&>(element).DirectArray()) {
            file.FieldWriteDouble(uv.u);
            file.FieldWriteDouble(uv.v);
        }
        file.FieldWriteEnd();
        if (reference == Element::kIndexToDirect) WriteInts(file, "UVIndex", element.IndexArray());
        break;
    }
    case Element::kMaterial:
        WriteInts(file, "Materials", MappedObjectIndices(node, element));
        break;
    case Element::kTexture: {
        const auto& textures = static_cast<const RWyxLayerElementTexture&>(element);
        WriteField(file, "BlendMode", BlendModeName(textures.GetBlendMode()));
        WriteField(file, "TextureAlpha", textures.GetAlpha());
        WriteInts(file, "TextureId", MappedObjectIndices(node, element));
        break;
    }
    default:
        break;
    }
    return true;
}

std::vector<int> RWyxWriterWyx6::MappedObjectIndices(RWyxNode& node, const Element& element) const {
    if (WrittenReference(element) != Element::kIndexToDirect) return element.IndexArray();
    const std::vector<const void*> connected = ConnectedObjects(node, element.GetKind());
    std::vector<int> mapped;
    mapped.reserve(element.IndexArray().size());
    for (const int index : element.IndexArray()) {
        int position = -1;
        const void* object = index != -1 ? DirectObjectAt(element, index) : nullptr;
        for (int c = static_cast<int>(connected.size()) - 1; object != nullptr && c >= 0; --c) {
            if (connected[static_cast<std::size_t>(c)] == object) {
                position = c;
                break;
            }
        }
        mapped.push_back(position);
    }
    return mapped;
}

void RWyxWriterWyx6::WriteLayerRecords(const RWyxGeometry& geometry) {
    RWyxFile& file = File();
    for (int i = 0; i < geometry.GetLayerCount(); ++i) {
        const RWyxLayer* layer = geometry.GetLayer(i);
        std::vector<std::pair<int, int>> written;  // kind, number
        for (int kind = Element::kFirstKind; kind <= Element::kLastKind; ++kind) {
            const auto found = elementNumbers_.find(layer->GetElement(kind));
            if (found != elementNumbers_.end()) written.emplace_back(kind, found->second);
        }
        if (written.empty()) continue;
        FieldBlock block(file, "Layer", i);
        WriteField(file, "Version", kLayerVersion);
        for (const auto& [kind, number] : written) {
            FieldBlock entry(file, "LayerElement");
            WriteField(file, "Type", LayerElementFieldName(kind));
            WriteField(file, "TypedIndex", number);
        }
    }
}
