#include "wyxwriter/RWyxScenePreparation.h"

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

namespace {

// An index-to-direct element with an index the translation cuts.
bool HasIndexPastDirect(const RWyxLayerElement* element) {
    if (element == nullptr || element->GetReferenceMode() != RWyxLayerElement::kIndexToDirect) return false;
    for (const int index : element->IndexArray()) {
        if (index >= element->GetDirectCount()) return true;
    }
    return false;
}

}  // namespace

RWyxScenePreparation::RWyxScenePreparation(RWyxScene& scene) : scene_(scene) {
    SaveGeometryNodes();
    for (int i = 0; i < scene.GetDeformerCount(RWyxEntityContainer::kAllDeformers); ++i) {
        deformersBefore_.insert(scene.GetDeformer(i, RWyxEntityContainer::kAllDeformers));
    }
    scene.ConnectLayerMaterials();
    scene.ConnectLayerTextures();
    scene.BuildDeformersFromSkinLinks();
}

RWyxScenePreparation::~RWyxScenePreparation() {
    DestroyBuiltDeformers();
    DisconnectAddedSources();
    for (SavedIndices& saved : indices_) saved.element->IndexArray() = std::move(saved.indices);
}

void RWyxScenePreparation::SaveGeometryNodes() {
    RWyxEntityContainer& entity = *scene_.GetEntity();
    for (int n = 0; n < entity.GetNodeCount(); ++n) {
        RWyxNode* node = entity.GetNode(n);
        const RWyxGeometry* geometry = node != nullptr ? node->GetGeometry() : nullptr;
        if (geometry == nullptr) continue;
        RPlug* properties = node->GetProperties();
        SavedSources saved{properties, {}};
        for (int s = 0; s < properties->GetSourceCount(); ++s) saved.sources.insert(properties->GetSource(s));
        sources_.push_back(std::move(saved));
        for (int l = 0; l < geometry->GetLayerCount(); ++l) {
            const RWyxLayer* layer = geometry->GetLayer(l);
            for (const int kind : {RWyxLayerElement::kMaterial, RWyxLayerElement::kTexture}) {
                RWyxLayerElement* element = layer->GetElement(kind);
                if (HasIndexPastDirect(element)) indices_.push_back({element, element->IndexArray()});
            }
        }
    }
}

void RWyxScenePreparation::DestroyBuiltDeformers() {
    RWyxObjectFactory* factory = scene_.GetFactory();
    if (factory == nullptr) return;
    for (const int kind : {RWyxDeformer::kCluster, RWyxEntityContainer::kAllDeformers}) {
        std::vector<RWyxDeformer*> built;
        for (int i = 0; i < scene_.GetDeformerCount(kind); ++i) {
            RWyxDeformer* deformer = scene_.GetDeformer(i, kind);
            if (deformersBefore_.count(deformer) == 0) built.push_back(deformer);
        }
        for (RWyxDeformer* deformer : built) factory->DestroyDeformer(deformer);
    }
}

void RWyxScenePreparation::DisconnectAddedSources() {
    for (const SavedSources& saved : sources_) {
        for (int s = saved.properties->GetSourceCount() - 1; s >= 0; --s) {
            RPlug* source = saved.properties->GetSource(s);
            if (saved.sources.count(source) == 0) saved.properties->DisconnectSource(source);
        }
    }
}
