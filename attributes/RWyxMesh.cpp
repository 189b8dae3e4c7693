// Polygons, UVs and the material and texture assignment of a mesh; the welding operations are
// in RWyxMeshWelding.cpp.

#include "attributes/RWyxMesh.h"

#include <cstddef>
#include <memory>

namespace {

bool IsInside(int index, std::size_t count) { return index >= 0 && static_cast<std::size_t>(index) < count; }

// The element maps by polygon and its indices say which entry each polygon takes.
bool TakesPolygonIndices(const RWyxLayerElement* element) {
    return element != nullptr && element->GetMappingMode() == RWyxLayerElement::kByPolygon &&
           (element->GetReferenceMode() == RWyxLayerElement::kIndex ||
            element->GetReferenceMode() == RWyxLayerElement::kIndexToDirect);
}

bool TakesPolygonVertexUVs(const RWyxLayerElement* element) {
    return element != nullptr && element->GetMappingMode() == RWyxLayerElement::kByPolygonVertex &&
           element->GetReferenceMode() == RWyxLayerElement::kIndexToDirect;
}

// Index to direct with `count` zero indices.
void ResetIndices(RWyxLayerElement& element, int mapping, int count) {
    element.SetMappingMode(mapping);
    element.SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    element.ClearIndices();
    element.SetIndexCount(count, 0);
}

RWyxLayerElementMaterial& EnsureMaterials(RWyxLayer& layer) {
    RWyxLayerElementMaterial* element = layer.GetMaterials();
    return element != nullptr ? *element : *layer.SetMaterials(std::make_unique<RWyxLayerElementMaterial>());
}

RWyxLayerElementTexture& EnsureTextures(RWyxLayer& layer) {
    RWyxLayerElementTexture* element = layer.GetTextures();
    return element != nullptr ? *element : *layer.SetTextures(std::make_unique<RWyxLayerElementTexture>());
}

RWyxLayerElementUV& EnsureUVs(RWyxLayer& layer) {
    RWyxLayerElementUV* element = layer.GetUVs();
    return element != nullptr ? *element : *layer.SetUVs(std::make_unique<RWyxLayerElementUV>());
}

}  // namespace

RWyxMesh::RWyxMesh(RWyxObjectFactory* factory) : RWyxGeometry(factory) {}

RWyxMesh::~RWyxMesh() = default;

bool RWyxMesh::Assign(const RWyxMesh& other) {
    if (&other == this) return true;
    if (!AssignGeometry(other)) return false;
    polygons_ = other.polygons_;
    polygonVertices_ = other.polygonVertices_;
    grid_ = other.grid_;
    return true;
}

RWyxLayerElement* RWyxMesh::Layer0Element(int kind) const {
    const RWyxLayer* layer = GetLayer(0);
    return layer != nullptr ? layer->GetElement(kind) : nullptr;
}

// ---- polygons ------------------------------------------------------------------------------------

int RWyxMesh::BeginPolygon(int materialIndex, int textureIndex, int group) {
    const int polygon = GetPolygonCount();
    RWyxLayer& layer = *EnsureLayer(0);
    if (polygon == 0 && materialIndex != -1 && layer.GetMaterials() == nullptr) {
        EnsureMaterials(layer).SetMappingMode(RWyxLayerElement::kByPolygon);
        layer.GetMaterials()->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    }
    if (polygon == 0 && textureIndex != -1 && layer.GetTextures() == nullptr) {
        EnsureTextures(layer).SetMappingMode(RWyxLayerElement::kByPolygon);
        layer.GetTextures()->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    }
    if (TakesPolygonIndices(layer.GetMaterials())) layer.GetMaterials()->StoreIndexAt(polygon, materialIndex, -1);
    if (TakesPolygonIndices(layer.GetTextures())) layer.GetTextures()->StoreIndexAt(polygon, textureIndex, -1);
    polygons_.push_back(Polygon{GetPolygonVertexCount(), 0, group});
    return polygon;
}

bool RWyxMesh::AddPolygonVertex(int controlPoint, int uvIndex) {
    if (polygons_.empty() || controlPoint < 0) return false;
    const int position = GetPolygonVertexCount();
    RWyxLayerElement* uvs = Layer0Element(RWyxLayerElement::kUV);
    if (TakesPolygonVertexUVs(uvs) && (uvIndex != -1 || uvs->GetIndexCount() > 0)) {
        uvs->StoreIndexAt(position, uvIndex, -1);
    }
    polygonVertices_.push_back(controlPoint);
    ++polygons_.back().size;
    return true;
}

void RWyxMesh::ClearPolygons() {
    polygons_.clear();
    polygonVertices_.clear();
}

const RWyxMesh::Polygon* RWyxMesh::GetPolygon(int polygon) const {
    return IsInside(polygon, polygons_.size()) ? &polygons_[static_cast<std::size_t>(polygon)] : nullptr;
}

int RWyxMesh::GetPolygonSize(int polygon) const {
    const Polygon* record = GetPolygon(polygon);
    return record != nullptr ? record->size : -1;
}

int RWyxMesh::GetPolygonGroup(int polygon) const {
    const Polygon* record = GetPolygon(polygon);
    return record != nullptr ? record->group : -1;
}

int RWyxMesh::GetPolygonVertex(int polygon, int vertex) const {
    const Polygon* record = GetPolygon(polygon);
    if (record == nullptr || vertex < 0 || vertex >= record->size) return -1;
    const int position = record->start + vertex;
    if (!IsInside(position, polygonVertices_.size())) return -1;
    const int controlPoint = polygonVertices_[static_cast<std::size_t>(position)];
    return IsInside(controlPoint, static_cast<std::size_t>(GetControlPointsCount())) ? controlPoint : -1;
}

int RWyxMesh::CountBadPolygonVertices() const {
    const auto count = static_cast<std::size_t>(GetControlPointsCount());
    int bad = 0;
    for (const int controlPoint : polygonVertices_) {
        if (!IsInside(controlPoint, count)) ++bad;
    }
    return bad;
}

bool RWyxMesh::PolygonVerticesAreValid() const { return CountBadPolygonVertices() == 0; }

bool RWyxMesh::GetPolygonVertexNormal(int polygon, int vertex, RVector4& out) const {
    const Polygon* record = GetPolygon(polygon);
    const auto* normals = static_cast<const RWyxLayerElementNormal*>(Layer0Element(RWyxLayerElement::kNormal));
    if (record == nullptr || normals == nullptr || vertex < 0 || vertex >= record->size) return false;
    int position = -1;
    switch (normals->GetMappingMode()) {
        case RWyxLayerElement::kByPolygonVertex:
            position = record->start + vertex;
            break;
        case RWyxLayerElement::kByControlPoint:
            position = GetPolygonVertex(polygon, vertex);
            break;
        case RWyxLayerElement::kByPolygon:
            position = polygon;
            break;
        case RWyxLayerElement::kAllSame:
            position = 0;
            break;
        default:
            return false;
    }
    const RVector4* normal = normals->GetMappedAt(position);
    if (normal == nullptr) return false;
    out = *normal;
    return true;
}

// ---- UVs -----------------------------------------------------------------------------------------------

bool RWyxMesh::InitTextureUVs(int count) {
    if (count < 0) return false;
    return EnsureUVs(*EnsureLayer(0)).SetDirectCount(count);
}

int RWyxMesh::AddTextureUV(double u, double v) {
    auto* uvs = static_cast<RWyxLayerElementUV*>(Layer0Element(RWyxLayerElement::kUV));
    return uvs != nullptr ? uvs->AddDirect(RVector2(u, v)) : -1;
}

RVector2* RWyxMesh::GetTextureUVs() const {
    auto* uvs = static_cast<RWyxLayerElementUV*>(Layer0Element(RWyxLayerElement::kUV));
    return uvs != nullptr ? uvs->GetDirect() : nullptr;
}

int RWyxMesh::GetTextureUVCount() const {
    const RWyxLayerElement* uvs = Layer0Element(RWyxLayerElement::kUV);
    return uvs != nullptr ? uvs->GetDirectCount() : 0;
}

int RWyxMesh::GetTextureUVIndex(int polygon, int vertex) const {
    const RWyxLayerElement* uvs = Layer0Element(RWyxLayerElement::kUV);
    const Polygon* record = GetPolygon(polygon);
    if (!TakesPolygonVertexUVs(uvs) || record == nullptr || vertex < 0 || vertex >= record->size) return -1;
    return uvs->ResolveDirectIndex(record->start + vertex);
}

void RWyxMesh::InitTextureUVMapping(int kind) {
    RWyxLayerElementUV& uvs = EnsureUVs(*EnsureLayer(0));
    uvs.ClearDirect();
    uvs.ClearIndices();
    int mapping = RWyxLayerElement::kNoMapping;
    int reference = RWyxLayerElement::kDirect;
    if (kind == kKindByControlPoint) {
        mapping = RWyxLayerElement::kByControlPoint;
    } else if (kind == kKindByPolygonVertex) {
        mapping = RWyxLayerElement::kByPolygonVertex;
        reference = RWyxLayerElement::kIndexToDirect;
    } else if (kind == kKindAllSame) {
        mapping = RWyxLayerElement::kAllSame;
    }
    uvs.SetMappingMode(mapping);
    uvs.SetReferenceMode(reference);
}

int RWyxMesh::GetTextureUVMappingKind() const {
    const RWyxLayerElement* uvs = Layer0Element(RWyxLayerElement::kUV);
    const int mapping = uvs != nullptr ? uvs->GetMappingMode() : RWyxLayerElement::kNoMapping;
    if (mapping == RWyxLayerElement::kByControlPoint) return kKindByControlPoint;
    if (mapping == RWyxLayerElement::kByPolygonVertex) return kKindByPolygonVertex;
    return kKindAllSame;
}

// ---- material and texture assignment ---------------------------------------------------------------------

void RWyxMesh::InitMaterialIndices(int kind) {
    RWyxLayerElementMaterial& materials = EnsureMaterials(*EnsureLayer(0));
    if (kind == kKindByControlPoint) {
        ResetIndices(materials, RWyxLayerElement::kByControlPoint, GetControlPointsCount());
    } else if (kind == kKindByPolygon) {
        ResetIndices(materials, RWyxLayerElement::kByPolygon, GetPolygonCount());
    } else {
        ResetIndices(materials, RWyxLayerElement::kAllSame, 1);
    }
}

void RWyxMesh::InitTextureIndices(int kind) {
    RWyxLayerElementTexture& textures = EnsureTextures(*EnsureLayer(0));
    if (kind == kKindByPolygon) {
        ResetIndices(textures, RWyxLayerElement::kByPolygon, GetPolygonCount());
    } else {
        ResetIndices(textures, RWyxLayerElement::kAllSame, 1);
    }
}

int RWyxMesh::GetMaterialMappingKind() const {
    const RWyxLayerElement* materials = Layer0Element(RWyxLayerElement::kMaterial);
    const int mapping = materials != nullptr ? materials->GetMappingMode() : RWyxLayerElement::kNoMapping;
    if (mapping == RWyxLayerElement::kByControlPoint) return kKindByControlPoint;
    if (mapping == RWyxLayerElement::kByPolygon) return kKindByPolygon;
    return kKindAllSame;
}

int RWyxMesh::GetTextureMappingKind() const {
    const RWyxLayerElement* textures = Layer0Element(RWyxLayerElement::kTexture);
    const bool byPolygon = textures != nullptr && textures->GetMappingMode() == RWyxLayerElement::kByPolygon;
    return byPolygon ? kKindByPolygon : kKindAllSame;
}

int RWyxMesh::GetNormalsMappingKind() const {
    const RWyxLayerElement* normals = Layer0Element(RWyxLayerElement::kNormal);
    return normals != nullptr && normals->GetMappingMode() == RWyxLayerElement::kByPolygonVertex ? 1 : 0;
}

int* RWyxMesh::GetMaterialIndices() const {
    RWyxLayerElement* materials = Layer0Element(RWyxLayerElement::kMaterial);
    return materials != nullptr ? materials->GetIndices() : nullptr;
}

int RWyxMesh::GetMaterialIndexCount() const {
    const RWyxLayerElement* materials = Layer0Element(RWyxLayerElement::kMaterial);
    return materials != nullptr ? materials->GetIndexCount() : 0;
}

int* RWyxMesh::GetTextureIndices() const {
    RWyxLayerElement* textures = Layer0Element(RWyxLayerElement::kTexture);
    return textures != nullptr ? textures->GetIndices() : nullptr;
}

int RWyxMesh::GetTextureIndexCount() const {
    const RWyxLayerElement* textures = Layer0Element(RWyxLayerElement::kTexture);
    return textures != nullptr ? textures->GetIndexCount() : 0;
}
