#include "hostexport/ShadingExportInfo.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerContainer.h"
#include "core/RWyxColor.h"

#include <vexa/VColorArray.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnSet.h>
#include <vexa/VGlobal.h>
#include <vexa/VItMeshPolygon.h>
#include <vexa/VObjectArray.h>
#include <vexa/VPlug.h>
#include <vexa/VPlugArray.h>
#include <vexa/VSelectionList.h>

#include <algorithm>

namespace {

template <typename T>
bool Contains(const std::vector<T>& list, const T& value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// Writes an index into an element: at the polygon's place when it maps by polygon (earlier
// places missing get -1), else as its one index.
void StoreIndex(RWyxLayerElement& element, int polygon, int index) {
    if (element.GetMappingMode() == RWyxLayerElement::kByPolygon) {
        element.StoreIndexAt(polygon, index, -1);
    } else if (element.GetIndexCount() == 0) {
        element.AddIndex(index);
    } else {
        element.SetIndexAt(0, index);
    }
}

}  // namespace

int ShadingExportInfo::NewTextureMapping() const {
    const bool firstHasObject = !components.empty() && !components[0].isNull();
    const bool fewer = !idCounts.empty() && idCounts[0] < countLimit;
    return textured && firstHasObject && fewer ? alternativeTextureMapping : textureMapping;
}

bool ShadingExportInfo::RecordTexture(int layer, int textureIndex, const VObject& component) {
    if (textureIndex < 0 || textureIndex >= kLayerStride || layer < 0) return false;
    textured = true;
    if (!Contains(layers, layer)) layers.push_back(layer);
    const int id = layer * kLayerStride + textureIndex;
    if (!Contains(textureIds, id)) {
        textureIds.push_back(id);
        idCounts.push_back(0);
        components.push_back(component);
    }
    return true;
}

void ShadingExportInfo::RecordNoTexture() {
    textured = true;
    if (!Contains(layers, 0)) layers.push_back(0);
    const auto present = std::find(textureIds.begin(), textureIds.end(), kNoTexture);
    if (present != textureIds.end()) {
        ++idCounts[static_cast<size_t>(present - textureIds.begin())];
        return;
    }
    textureIds.push_back(kNoTexture);
    idCounts.push_back(1);
    components.emplace_back();
}

void ShadingExportInfo::CountPolygon() {
    for (int& count : idCounts) ++count;
}

int ShadingExportInfo::TextureIndexOn(int layer) const {
    for (const int id : textureIds) {
        if (id >= 0 && id / kLayerStride == layer) return id % kLayerStride;
    }
    return -1;
}

void ShadingExportInfo::MoveId(size_t i, int layer, int textureIndex) {
    textureIds[i] = layer * kLayerStride + textureIndex;
    if (!Contains(layers, layer)) layers.push_back(layer);
}

void ShadingExportInfo::RenumberLayer(int layer, const std::vector<int>& numbers) {
    for (int& id : textureIds) {
        const size_t index = static_cast<size_t>(id % kLayerStride);
        if (id >= 0 && id / kLayerStride == layer && index < numbers.size()) id = layer * kLayerStride + numbers[index];
    }
}

void ApplyShadingIndices(const ShadingExportInfo& info, RWyxLayerContainer& geometry, bool textures, int polygon) {
    RWyxLayer* base = geometry.EnsureLayer(0);
    if (base == nullptr) return;
    RWyxLayerElementMaterial* materials = base->GetMaterials();
    if (materials == nullptr) materials = base->SetMaterials(std::make_unique<RWyxLayerElementMaterial>());
    materials->SetMappingMode(info.materialMapping);
    materials->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    // One material index per polygon, whatever the number of texture layers.
    StoreIndex(*materials, polygon, info.materialIndex);
    if (!textures) return;
    for (const int layerIndex : info.layers) {
        RWyxLayer* layer = geometry.EnsureLayer(layerIndex);
        if (layer == nullptr) continue;
        RWyxLayerElementTexture* element = layer->GetTextures();
        if (element == nullptr) {
            element = layer->SetTextures(std::make_unique<RWyxLayerElementTexture>());
            element->SetMappingMode(info.NewTextureMapping());
            element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
        }
        StoreIndex(*element, polygon, info.TextureIndexOn(layerIndex));
    }
}

VObject FindShadingGroup(const VDagPath& path) {
    VSelectionList list;
    VObjectArray sets;
    if (!list.add(path) || !VGlobal::getAssociatedSets(list, sets)) return VObject();
    for (unsigned i = 0; i < sets.length(); ++i) {
        VStatus status;
        const VFnSet set(sets[i], &status);
        if (status && set.restriction() == VFnSet::kRenderableOnly) return sets[i];
    }
    return VObject();
}

VObject GetSurfaceShader(const VObject& shadingGroup) {
    if (shadingGroup.isNull()) return VObject();
    if (!shadingGroup.hasFn(VFn::kShadingEngine)) return shadingGroup.hasFn(VFn::kLambert) ? shadingGroup : VObject();
    VStatus status;
    const VPlug plug = VFnDependencyNode(shadingGroup).findPlug("surfaceShader", &status);
    VPlugArray sources;
    if (!status || !plug.connectedTo(sources, true, false) || sources.length() != 1) return VObject();
    return sources[0].node();
}

bool IsKind109(const VDagPath& path) { return path.hasFn(VFn::kTransform); }

bool ExportVertexColors(RWyxLayerContainer& geometry, const VFnMesh& mesh) {
    VColorArray colors;
    if (!mesh.getFaceVertexColors(colors)) return true;
    bool any = false;
    for (unsigned i = 0; i < colors.length() && !any; ++i) {
        const VColor& c = colors[i];
        any = c.r >= 0.0f && c.g >= 0.0f && c.b >= 0.0f && c.a >= 0.0f;
    }
    if (!any) return true;
    VStatus status;
    VItMeshPolygon polygons(mesh.object(), &status);
    if (!status) return false;
    RWyxLayer* layer = geometry.GetLayerOfKind(0, RWyxLayerElement::kVertexColor);
    if (layer == nullptr) layer = geometry.EnsureLayer(0);
    if (layer == nullptr) return false;
    RWyxLayerElementVertexColor* element = layer->GetVertexColors();
    if (element == nullptr) element = layer->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
    element->SetMappingMode(RWyxLayerElement::kByPolygonVertex);
    element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    element->ClearDirect();
    for (unsigned i = 0; i < colors.length(); ++i) {
        element->AddDirect(RWyxColor(colors[i].r, colors[i].g, colors[i].b, colors[i].a));
    }
    element->ClearIndices();
    for (; !polygons.isDone(); polygons.next()) {
        const int face = polygons.index();
        for (int corner = 0; corner < polygons.polygonVertexCount(); ++corner) {
            int index = -1;
            if (!mesh.getFaceVertexColorIndex(face, corner, index) || index >= element->GetDirectCount()) index = -1;
            element->AddIndex(index);
        }
    }
    return true;
}
