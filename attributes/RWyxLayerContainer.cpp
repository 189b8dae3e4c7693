#include "attributes/RWyxLayerContainer.h"

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"

#include <cstddef>
#include <new>
#include <utility>

namespace {

constexpr const char* kMaterialPrefix = "Material::";
constexpr const char* kTexturePrefix = "Texture::";

bool IsInside(int index, std::size_t count) { return index >= 0 && static_cast<std::size_t>(index) < count; }

// "Material::" + name, unless the name carries the prefix already.
RString PrefixedName(const char* prefix, const char* name) {
    const RString given(name != nullptr ? name : "");
    return given.FindText(prefix) == 0 ? given : RString(prefix) + given;
}

// Calls visit(properties) for each properties object of the kind among the sources of the
// node's properties object, in connection order (a node that uses a material or texture has
// its properties object as a source), until visit answers true.
template <typename Properties, typename Visit>
void VisitConnected(const RWyxNode* node, Visit visit) {
    const RWyxNodeProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
    if (properties == nullptr) return;
    for (int i = 0; i < properties->GetSourceCount(); ++i) {
        RPlug* source = properties->GetSource(i);
        if (source != nullptr && source->Is(Properties::ClassId()) && visit(*static_cast<Properties*>(source))) return;
    }
}

// The index-th connected object of a properties kind; null when there is none.
template <typename Properties, typename Object>
Object* ConnectedObject(const RWyxNode* node, int index, Object* (Properties::*getObject)() const) {
    Object* found = nullptr;
    int position = 0;
    VisitConnected<Properties>(node, [&](const Properties& properties) {
        if (position++ != index) return false;
        found = (properties.*getObject)();
        return true;
    });
    return found;
}

template <typename Properties>
int ConnectedCount(const RWyxNode* node) {
    int count = 0;
    VisitConnected<Properties>(node, [&count](const Properties&) {
        ++count;
        return false;
    });
    return count;
}

// The number of objects an element gives: its direct entries, or for index reference (whose
// indices name the owner's connected objects) the number of those, so that every index below
// the count reaches an object through ElementObject.
template <typename Properties, typename Element>
int ElementObjectCount(const Element* element, const RWyxNode* owner) {
    if (element == nullptr) return 0;
    if (element->GetReferenceMode() == RWyxLayerElement::kIndex) return ConnectedCount<Properties>(owner);
    return element->GetDirectCount();
}

// The object at an index of a material or texture element: the direct entry for direct and
// index-to-direct reference, the owner's connected object for index reference.
template <typename Element, typename Properties, typename Object>
Object* ElementObject(const Element* element, int index, const RWyxNode* owner,
                      Object* (Properties::*getObject)() const) {
    if (element == nullptr) return nullptr;
    if (element->GetReferenceMode() == RWyxLayerElement::kIndex) return ConnectedObject(owner, index, getObject);
    Object* const* entry = element->GetDirectAt(index);
    return entry != nullptr ? *entry : nullptr;
}

// The index of the object whose full name is `fullName` in the element's direct array.
template <typename Element>
int FindByFullName(const Element* element, const RString& fullName) {
    if (element == nullptr) return -1;
    for (int i = 0; i < element->GetDirectCount(); ++i) {
        const auto* object = *element->GetDirectAt(i);
        if (object != nullptr && object->GetName() == fullName) return i;
    }
    return -1;
}

}  // namespace

RWyxLayerContainer::RWyxLayerContainer(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

RWyxLayerContainer::~RWyxLayerContainer() = default;

// ---- control points ------------------------------------------------------------------------------

bool RWyxLayerContainer::InitControlPoints(int count) {
    if (count < 0) return false;
    try {
        std::vector<RVector4> points(static_cast<std::size_t>(count));
        controlPoints_ = std::move(points);
    } catch (const std::bad_alloc&) {
        return false;  // a count read from a file that no memory holds
    }
    return true;
}

RVector4* RWyxLayerContainer::GetControlPointAt(int index) {
    return IsInside(index, controlPoints_.size()) ? &controlPoints_[static_cast<std::size_t>(index)] : nullptr;
}

const RVector4* RWyxLayerContainer::GetControlPointAt(int index) const {
    return IsInside(index, controlPoints_.size()) ? &controlPoints_[static_cast<std::size_t>(index)] : nullptr;
}

bool RWyxLayerContainer::SetControlPointAt(int index, const RVector4& point) {
    RVector4* target = GetControlPointAt(index);
    if (target == nullptr) return false;
    *target = point;
    return true;
}

bool RWyxLayerContainer::GatherControlPointData(const std::vector<int>& sources) {
    const int oldCount = GetControlPointsCount();
    for (const int source : sources) {
        if (!IsInside(source, controlPoints_.size())) return false;
    }
    std::vector<RVector4> points;
    points.reserve(sources.size());
    for (const int source : sources) points.push_back(controlPoints_[static_cast<std::size_t>(source)]);
    controlPoints_ = std::move(points);
    for (const auto& layer : layers_) {
        for (int kind = RWyxLayerElement::kFirstKind; kind <= RWyxLayerElement::kLastKind; ++kind) {
            RWyxLayerElement* element = layer->GetElement(kind);
            if (element == nullptr || element->GetMappingMode() != RWyxLayerElement::kByControlPoint) continue;
            if (element->GetMappedCount() == oldCount) element->GatherMapped(sources);
        }
    }
    return true;
}

// ---- layers ----------------------------------------------------------------------------------------

RWyxLayer* RWyxLayerContainer::GetLayer(int index) const {
    return IsInside(index, layers_.size()) ? layers_[static_cast<std::size_t>(index)].get() : nullptr;
}

int RWyxLayerContainer::CreateLayer() {
    if (GetLayerCount() >= kMaxLayerCount) return -1;
    layers_.push_back(std::make_unique<RWyxLayer>());
    return GetLayerCount() - 1;
}

RWyxLayer* RWyxLayerContainer::EnsureLayer(int index) {
    if (index < 0 || index >= kMaxLayerCount) return nullptr;
    while (GetLayerCount() <= index && CreateLayer() >= 0) {
    }
    return GetLayer(index);
}

int RWyxLayerContainer::GetLayerCountOfKind(int kind) const {
    int count = 0;
    for (const auto& layer : layers_) {
        if (layer->GetElement(kind) != nullptr) ++count;
    }
    return count;
}

int RWyxLayerContainer::GetLayerIndexOfKind(int n, int kind) const {
    if (n < 0) return -1;
    int seen = 0;
    for (int i = 0; i < GetLayerCount(); ++i) {
        if (layers_[static_cast<std::size_t>(i)]->GetElement(kind) != nullptr && seen++ == n) return i;
    }
    return -1;
}

RWyxLayer* RWyxLayerContainer::GetLayerOfKind(int n, int kind) const { return GetLayer(GetLayerIndexOfKind(n, kind)); }

void RWyxLayerContainer::CopyLayers(const RWyxLayerContainer& other) {
    if (&other == this) return;
    std::vector<std::unique_ptr<RWyxLayer>> copies;
    copies.reserve(other.layers_.size());
    for (const auto& layer : other.layers_) copies.push_back(std::make_unique<RWyxLayer>(*layer));
    layers_ = std::move(copies);
}

void RWyxLayerContainer::AssignLayerContainer(const RWyxLayerContainer& other) {
    if (&other == this) return;
    CopyLayers(other);
    controlPoints_ = other.controlPoints_;
}

// ---- normals -----------------------------------------------------------------------------------------

RVector4* RWyxLayerContainer::GetNormals() const {
    const RWyxLayer* layer = GetLayer(0);
    RWyxLayerElementNormal* normals = layer != nullptr ? layer->GetNormals() : nullptr;
    return normals != nullptr ? normals->GetDirect() : nullptr;
}

bool RWyxLayerContainer::InitNormals(int count) {
    if (count < 0) return false;
    RWyxLayer* layer = EnsureLayer(0);
    RWyxLayerElementNormal* normals = layer->GetNormals();
    if (normals == nullptr) normals = layer->SetNormals(std::make_unique<RWyxLayerElementNormal>());
    const bool byPolygonVertex = count >= 1 && count != GetControlPointsCount();
    normals->SetMappingMode(byPolygonVertex ? RWyxLayerElement::kByPolygonVertex : RWyxLayerElement::kByControlPoint);
    normals->SetReferenceMode(RWyxLayerElement::kDirect);
    normals->ClearIndices();
    normals->ClearDirect();
    return normals->SetDirectCount(byPolygonVertex ? count : GetControlPointsCount());
}

// ---- materials ----------------------------------------------------------------------------------------

int RWyxLayerContainer::AddMaterial(RWyxMaterial* material, int layer) {
    if (material == nullptr) return -1;
    RWyxLayer* target = EnsureLayer(layer);
    if (target == nullptr) return -1;
    RWyxLayerElementMaterial* element = target->GetMaterials();
    if (element == nullptr) {
        element = target->SetMaterials(std::make_unique<RWyxLayerElementMaterial>());
        element->SetMappingMode(RWyxLayerElement::kAllSame);
        element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    }
    if (element->FindDirect(material) >= 0) return -1;
    return element->AddDirect(material);
}

int RWyxLayerContainer::FindMaterial(const char* name, int layer) const {
    const RWyxLayer* source = GetLayer(layer);
    return FindByFullName(source != nullptr ? source->GetMaterials() : nullptr, PrefixedName(kMaterialPrefix, name));
}

RWyxMaterial* RWyxLayerContainer::GetMaterial(int index, int layer) const {
    const RWyxLayer* source = GetLayer(layer);
    return ElementObject(source != nullptr ? source->GetMaterials() : nullptr, index, GetNode(),
                         &RWyxMaterialProperties::GetMaterial);
}

int RWyxLayerContainer::GetMaterialCount(int layer) const {
    const RWyxLayer* source = GetLayer(layer);
    return ElementObjectCount<RWyxMaterialProperties>(source != nullptr ? source->GetMaterials() : nullptr, GetNode());
}

// ---- textures -------------------------------------------------------------------------------------------

int RWyxLayerContainer::AddTexture(RWyxTexture* texture, int layer) {
    if (texture == nullptr) return -1;
    RWyxLayer* target = EnsureLayer(layer);
    if (target == nullptr) return -1;
    RWyxLayerElementTexture* element = target->GetTextures();
    if (element == nullptr) {
        element = target->SetTextures(std::make_unique<RWyxLayerElementTexture>());
        element->SetMappingMode(RWyxLayerElement::kAllSame);
        element->SetReferenceMode(RWyxLayerElement::kIndexToDirect);
    }
    const int present = element->FindDirect(texture);
    return present >= 0 ? present : element->AddDirect(texture);
}

int RWyxLayerContainer::FindTexture(const char* name, int layer) const {
    const RWyxLayer* source = GetLayer(layer);
    return FindByFullName(source != nullptr ? source->GetTextures() : nullptr, PrefixedName(kTexturePrefix, name));
}

RWyxTexture* RWyxLayerContainer::GetTexture(int index, int layer) const {
    const RWyxLayer* source = GetLayer(layer);
    return ElementObject(source != nullptr ? source->GetTextures() : nullptr, index, GetNode(),
                         &RWyxTextureProperties::GetTexture);
}

int RWyxLayerContainer::GetTextureCount(int layer) const {
    const RWyxLayer* source = GetLayer(layer);
    return ElementObjectCount<RWyxTextureProperties>(source != nullptr ? source->GetTextures() : nullptr, GetNode());
}
