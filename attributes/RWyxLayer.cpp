#include "attributes/RWyxLayer.h"

#include <utility>

RWyxLayer::RWyxLayer(const RWyxLayer& other) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        if (other.elements_[slot] != nullptr) elements_[slot] = other.elements_[slot]->Clone();
    }
}

RWyxLayer::~RWyxLayer() = default;

RWyxLayerElement* RWyxLayer::GetElement(int kind) const {
    if (kind < RWyxLayerElement::kFirstKind || kind > RWyxLayerElement::kLastKind) return nullptr;
    return elements_[kind - RWyxLayerElement::kFirstKind].get();
}

bool RWyxLayer::HasElements() const {
    for (const auto& element : elements_) {
        if (element != nullptr) return true;
    }
    return false;
}

// Only the setters below fill a slot, each with its own kind, so the cast holds.
template <typename Element>
Element* RWyxLayer::Typed(int kind) const {
    return static_cast<Element*>(GetElement(kind));
}

template <typename Element>
Element* RWyxLayer::Store(int kind, std::unique_ptr<Element> element) {
    Element* stored = element.get();
    elements_[kind - RWyxLayerElement::kFirstKind] = std::move(element);
    return stored;
}

RWyxLayerElementNormal* RWyxLayer::GetNormals() const { return Typed<RWyxLayerElementNormal>(RWyxLayerElement::kNormal); }

RWyxLayerElementMaterial* RWyxLayer::GetMaterials() const {
    return Typed<RWyxLayerElementMaterial>(RWyxLayerElement::kMaterial);
}

RWyxLayerElementTexture* RWyxLayer::GetTextures() const {
    return Typed<RWyxLayerElementTexture>(RWyxLayerElement::kTexture);
}

RWyxLayerElementPolygonGroup* RWyxLayer::GetPolygonGroups() const {
    return Typed<RWyxLayerElementPolygonGroup>(RWyxLayerElement::kPolygonGroup);
}

RWyxLayerElementUV* RWyxLayer::GetUVs() const { return Typed<RWyxLayerElementUV>(RWyxLayerElement::kUV); }

RWyxLayerElementVertexColor* RWyxLayer::GetVertexColors() const {
    return Typed<RWyxLayerElementVertexColor>(RWyxLayerElement::kVertexColor);
}

RWyxLayerElementNormal* RWyxLayer::SetNormals(std::unique_ptr<RWyxLayerElementNormal> element) {
    return Store(RWyxLayerElement::kNormal, std::move(element));
}

RWyxLayerElementMaterial* RWyxLayer::SetMaterials(std::unique_ptr<RWyxLayerElementMaterial> element) {
    return Store(RWyxLayerElement::kMaterial, std::move(element));
}

RWyxLayerElementTexture* RWyxLayer::SetTextures(std::unique_ptr<RWyxLayerElementTexture> element) {
    return Store(RWyxLayerElement::kTexture, std::move(element));
}

RWyxLayerElementPolygonGroup* RWyxLayer::SetPolygonGroups(std::unique_ptr<RWyxLayerElementPolygonGroup> element) {
    return Store(RWyxLayerElement::kPolygonGroup, std::move(element));
}

RWyxLayerElementUV* RWyxLayer::SetUVs(std::unique_ptr<RWyxLayerElementUV> element) {
    return Store(RWyxLayerElement::kUV, std::move(element));
}

RWyxLayerElementVertexColor* RWyxLayer::SetVertexColors(std::unique_ptr<RWyxLayerElementVertexColor> element) {
    return Store(RWyxLayerElement::kVertexColor, std::move(element));
}
