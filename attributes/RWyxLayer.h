#ifndef WYX_ATTRIBUTES_RWYXLAYER_H
#define WYX_ATTRIBUTES_RWYXLAYER_H

// One layer of a geometry: at most one element of each kind (normal, material, texture,
// polygon group, UV, vertex colour). The layer owns its elements; setting an element of a
// kind replaces (and deletes) the one it had, and a null element removes it. Each slot only
// ever holds its own kind, so the typed getters can trust what they find.

#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxTypedLayerElement.h"

#include <memory>

class RWyxLayer {
public:
    RWyxLayer() = default;
    // A deep copy: every element is copied (object pointers in them are shared).
    RWyxLayer(const RWyxLayer& other);
    RWyxLayer& operator=(const RWyxLayer&) = delete;
    ~RWyxLayer();

    // The element of a kind (1 to 6); null when missing or for another kind number.
    RWyxLayerElement* GetElement(int kind) const;
    bool HasElements() const;

    RWyxLayerElementNormal* GetNormals() const;
    RWyxLayerElementMaterial* GetMaterials() const;
    RWyxLayerElementTexture* GetTextures() const;
    RWyxLayerElementPolygonGroup* GetPolygonGroups() const;
    RWyxLayerElementUV* GetUVs() const;
    RWyxLayerElementVertexColor* GetVertexColors() const;

    // Each answers the element now held (null when given null).
    RWyxLayerElementNormal* SetNormals(std::unique_ptr<RWyxLayerElementNormal> element);
    RWyxLayerElementMaterial* SetMaterials(std::unique_ptr<RWyxLayerElementMaterial> element);
    RWyxLayerElementTexture* SetTextures(std::unique_ptr<RWyxLayerElementTexture> element);
    RWyxLayerElementPolygonGroup* SetPolygonGroups(std::unique_ptr<RWyxLayerElementPolygonGroup> element);
    RWyxLayerElementUV* SetUVs(std::unique_ptr<RWyxLayerElementUV> element);
    RWyxLayerElementVertexColor* SetVertexColors(std::unique_ptr<RWyxLayerElementVertexColor> element);

private:
    static constexpr int kSlotCount = RWyxLayerElement::kLastKind;

    template <typename Element>
    Element* Typed(int kind) const;
    template <typename Element>
    Element* Store(int kind, std::unique_ptr<Element> element);

    std::unique_ptr<RWyxLayerElement> elements_[kSlotCount];
};

#endif
