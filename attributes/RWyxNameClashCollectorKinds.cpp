// The name-clash collector's view of the attribute kinds: what a node uses (its light's gobo;
// the materials and textures of its geometry's layers) and the names of those objects.

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNode.h"

const RString& RWyxNameClashCollector::NameOf(const RWyxMaterial* material) { return material->GetName(); }

const RString& RWyxNameClashCollector::NameOf(const RWyxTexture* texture) { return texture->GetName(); }

const RString& RWyxNameClashCollector::NameOf(const RWyxGobo* gobo) { return gobo->GetName(); }

namespace {

// The element's objects unless it maps by control point; none entries skipped.
template <typename Object, typename Element, typename Get>
void GatherLayer(const Element* element, int count, Get get, std::vector<Object*>& objects) {
    if (element == nullptr || element->GetMappingMode() == RWyxLayerElement::kByControlPoint) return;
    for (int index = 0; index < count; ++index) {
        if (Object* object = get(index)) objects.push_back(object);
    }
}

}  // namespace

void RWyxNameClashCollector::GatherObjects(const RWyxNode& node, NodeObjects& objects) {
    if (const RWyxLight* light = node.GetLight()) objects.gobo = light->GetGobo();
    const RWyxGeometry* geometry = node.GetGeometry();
    if (geometry == nullptr) return;
    for (int layer = 0; layer < geometry->GetLayerCount(); ++layer) {
        const RWyxLayer* content = geometry->GetLayer(layer);
        GatherLayer(content->GetMaterials(), geometry->GetMaterialCount(layer),
                    [&](int index) { return geometry->GetMaterial(index, layer); }, objects.materials);
    }
    for (int layer = 0; layer < geometry->GetLayerCount(); ++layer) {
        const RWyxLayer* content = geometry->GetLayer(layer);
        GatherLayer(content->GetTextures(), geometry->GetTextureCount(layer),
                    [&](int index) { return geometry->GetTexture(index, layer); }, objects.textures);
    }
}

void RWyxNameClashCollector::IndexTargetObjects() {
    for (int i = 0; i < target_->GetMaterialCount(); ++i) {
        const RWyxMaterial* material = target_->GetMaterial(i);
        materials_.targetNames.Add(material->GetName(), material);
    }
    for (int i = 0; i < target_->GetTextureCount(); ++i) {
        const RWyxTexture* texture = target_->GetTexture(i);
        textures_.targetNames.Add(texture->GetName(), texture);
    }
    for (int i = 0; i < target_->GetGoboCount(); ++i) {
        const RWyxGobo* gobo = target_->GetGobo(i);
        gobos_.targetNames.Add(gobo->GetName(), gobo);
    }
}
