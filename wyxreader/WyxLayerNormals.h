#ifndef WYX_WYXREADER_WYXLAYERNORMALS_H
#define WYX_WYXREADER_WYXLAYERNORMALS_H

// The normals shapes are written against and read back onto, for both layouts and both
// directions: those of a container's first normal layer when they are one direct normal per
// control point.

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerContainer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxTypedLayerElement.h"

namespace wyx_layer_normals {

// Null when the first normal layer holds none, or holds them otherwise.
inline const RWyxLayerElementNormal* ByControlPoint(const RWyxLayerContainer& container) {
    const RWyxLayer* layer = container.GetLayerOfKind(0, RWyxLayerElement::kNormal);
    const RWyxLayerElementNormal* normals = layer != nullptr ? layer->GetNormals() : nullptr;
    if (normals == nullptr || normals->GetMappingMode() != RWyxLayerElement::kByControlPoint ||
        normals->GetReferenceMode() != RWyxLayerElement::kDirect ||
        normals->GetDirectCount() != container.GetControlPointsCount()) {
        return nullptr;
    }
    return normals;
}

}  // namespace wyx_layer_normals

#endif
