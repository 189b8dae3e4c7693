// RWyxScene's translation between the in-memory form of materials, textures and skinning
// (layer elements holding their objects, geometries holding skin links) and their file form
// (material, texture and deformer objects connected to the nodes through their properties
// objects). Only nodes whose attribute is a mesh, a NURBS surface or a patch take part.

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxDeformerProperties.h"
#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "attributes/RWyxTextureProperties.h"
#include "core/RObjectProperty.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <algorithm>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

const char* const kSrcModelReference = "SrcModelReference";

// The name after the first "::" (the whole name without one).
RString WithoutPrefix(const RString& name) {
    const int separator = name.FindText("::");
    return separator >= 0 ? name.SubstringFrom(separator + 2) : name;
}

// The two kinds of objects the layers hold, each with its layer kind, element and properties.
struct MaterialKind {
    using Object = RWyxMaterial;
    using Properties = RWyxMaterialProperties;
    static constexpr int kLayerKind = RWyxLayerElement::kMaterial;
    static auto* ElementOf(const RWyxLayer& layer) { return layer.GetMaterials(); }
    static Object* OwnerOf(const Properties& properties) { return properties.GetMaterial(); }
};

struct TextureKind {
    using Object = RWyxTexture;
    using Properties = RWyxTextureProperties;
    static constexpr int kLayerKind = RWyxLayerElement::kTexture;
    static auto* ElementOf(const RWyxLayer& layer) { return layer.GetTextures(); }
    static Object* OwnerOf(const Properties& properties) { return properties.GetTexture(); }
};

// Calls visit(node, geometry) for every node of the container with a geometry, in list order.
template <typename Visit>
void ForEachGeometryNode(RWyxEntityContainer& entity, Visit visit) {
    for (int i = 0; i < entity.GetNodeCount(); ++i) {
        RWyxNode* node = entity.GetNode(i);
        RWyxGeometry* geometry = node != nullptr ? node->GetGeometry() : nullptr;
        if (geometry != nullptr) visit(*node, *geometry);
    }
}

// Calls visit(element) for the element of every layer of the kind.
template <typename Kind, typename Visit>
void ForEachElement(const RWyxGeometry& geometry, Visit visit) {
    for (int i = 0; i < geometry.GetLayerCountOfKind(Kind::kLayerKind); ++i) {
        const RWyxLayer* layer = geometry.GetLayerOfKind(i, Kind::kLayerKind);
        auto* element = layer != nullptr ? Kind::ElementOf(*layer) : nullptr;
        if (element != nullptr) visit(*element);
    }
}

template <typename Kind>
void ConnectLayerObjects(RWyxEntityContainer& entity) {
    ForEachGeometryNode(entity, [](RWyxNode& node, RWyxGeometry& geometry) {
        RWyxNodeProperties* nodeProperties = node.GetProperties();
        ForEachElement<Kind>(geometry, [nodeProperties](auto& element) {
            const int mode = element.GetReferenceMode();
            if (mode != RWyxLayerElement::kDirect && mode != RWyxLayerElement::kIndexToDirect) return;
            for (typename Kind::Object* object : element.DirectArray()) {
                if (object == nullptr) continue;
                RPlug* properties = object->GetProperties();
                if (!nodeProperties->HasSourceConnection(properties)) nodeProperties->ConnectSource(properties);
            }
            if (mode == RWyxLayerElement::kIndexToDirect) {
                for (int& index : element.IndexArray()) {
                    if (index >= element.GetDirectCount()) index = -1;
                }
            }
        });
    });
}

// The objects whose properties objects are sources of the node's, in connection order; a
// properties object that no longer has its object is left out.
template <typename Kind>
std::vector<typename Kind::Object*> ConnectedObjects(const RWyxNode& node) {
    std::vector<typename Kind::Object*> objects;
    const RWyxNodeProperties* properties = node.GetProperties();
    for (int i = 0; i < properties->GetSourceCount(); ++i) {
        RPlug* source = properties->GetSource(i);
        if (source == nullptr || !source->Is(Kind::Properties::ClassId())) continue;
        if (auto* object = Kind::OwnerOf(*static_cast<typename Kind::Properties*>(source))) objects.push_back(object);
    }
    return objects;
}

template <typename Kind>
void CollectLayerObjects(RWyxEntityContainer& entity) {
    ForEachGeometryNode(entity, [](RWyxNode& node, RWyxGeometry& geometry) {
        const std::vector<typename Kind::Object*> connected = ConnectedObjects<Kind>(node);
        const int count = static_cast<int>(connected.size());
        ForEachElement<Kind>(geometry, [&connected, count](auto& element) {
            if (element.GetReferenceMode() == RWyxLayerElement::kDirect) {
                while (element.GetDirectCount() < count) {
                    element.AddDirect(connected[static_cast<size_t>(element.GetDirectCount())]);
                }
            } else if (element.GetReferenceMode() == RWyxLayerElement::kIndexToDirect) {
                std::vector<int>& indices = element.IndexArray();
                for (int c = 0; c < count; ++c) {
                    if (std::find(indices.begin(), indices.end(), c) == indices.end()) continue;
                    const int direct = element.AddDirect(connected[static_cast<size_t>(c)]);
                    if (direct != c) std::replace(indices.begin(), indices.end(), c, direct);
                }
            }
        });
    });
}

RWyxNode* NodeOf(RPlug* plug) {
    if (plug == nullptr || !plug->Is(RWyxNodeProperties::ClassId())) return nullptr;
    return static_cast<RWyxNodeProperties*>(plug)->GetNode();
}

// The node of the first source of the plug that is a node's properties object; null when none.
RWyxNode* FirstSourceNode(const RPlug& plug) {
    for (int i = 0; i < plug.GetSourceCount(); ++i) {
        if (plug.GetSource(i) != nullptr && plug.GetSource(i)->Is(RWyxNodeProperties::ClassId())) {
            return NodeOf(plug.GetSource(i));
        }
    }
    return nullptr;
}

RWyxDeformer* DeformerOf(RPlug* plug) {
    if (plug == nullptr || !plug->Is(RWyxDeformerProperties::ClassId())) return nullptr;
    return static_cast<RWyxDeformer*>(static_cast<RWyxDeformerProperties*>(plug)->GetOwner());
}

// The current names of the container's deformers, kept up as deformers join it: a name is
// looked up in it, not in a walk over the deformers.
using DeformerNames = std::unordered_set<std::string>;

DeformerNames NamesOfDeformers(const RWyxEntityContainer& entity) {
    DeformerNames names;
    for (int i = 0; i < entity.GetDeformerCount(RWyxEntityContainer::kAllDeformers); ++i) {
        names.insert(entity.GetDeformer(i, RWyxEntityContainer::kAllDeformers)->GetName().Buffer());
    }
    return names;
}

// "SubDeformer::" + base, or with " 1", " 2" ... appended, whichever none of the names is yet;
// answered without the prefix.
RString FreeClusterName(const DeformerNames& names, const RString& base) {
    RString name = base;
    for (int suffix = 1; names.count((RString("SubDeformer::") + name).Buffer()) > 0; ++suffix) {
        name = base + " " + RString(suffix);
    }
    return name;
}

}  // namespace

void RWyxScene::ConnectLayerMaterials() { ConnectLayerObjects<MaterialKind>(*entity_); }

void RWyxScene::ConnectLayerTextures() { ConnectLayerObjects<TextureKind>(*entity_); }

void RWyxScene::CollectLayerMaterials() { CollectLayerObjects<MaterialKind>(*entity_); }

void RWyxScene::CollectLayerTextures() { CollectLayerObjects<TextureKind>(*entity_); }

void RWyxScene::BuildDeformersFromSkinLinks() {
    if (factory_ == nullptr) return;
    RWyxEntityContainer& entity = *entity_;
    DeformerNames names = NamesOfDeformers(entity);
    ForEachGeometryNode(entity, [this, &entity, &names](RWyxNode& node, RWyxGeometry& geometry) {
        if (geometry.GetDeformerCount() == 0) return;
        const RString skinName = RString("Skin ") + WithoutPrefix(node.GetName());
        RWyxDeformer* skin = factory_->CreateDeformer(skinName.Buffer(), "Skin");
        if (skin == nullptr) return;
        entity.AddDeformerUse(skin);
        names.insert(skin->GetName().Buffer());
        node.GetProperties()->ConnectSource(skin->GetProperties());
        for (int i = 0; i < geometry.GetDeformerCount(); ++i) {
            const RWyxSkinLink* link = geometry.GetDeformer(i);
            if (link == nullptr || link->GetLink() == nullptr) continue;
            const RString base = RString("Cluster ") + WithoutPrefix(link->GetLink()->GetName());
            RWyxDeformer* cluster = factory_->CreateDeformer(FreeClusterName(names, base).Buffer(), "Cluster");
            if (cluster == nullptr) continue;
            entity.AddDeformerUse(cluster);
            names.insert(cluster->GetName().Buffer());
            cluster->CopyFromSkinLink(*link);
            RWyxDeformerProperties* clusterProperties = cluster->GetProperties();
            clusterProperties->ConnectSource(link->GetLink()->GetProperties());
            if (link->GetAssociateModel() != nullptr) {
                if (RProperty* reference = clusterProperties->FindProperty(kSrcModelReference)) {
                    reference->ConnectSource(link->GetAssociateModel()->GetProperties());
                }
            }
            skin->GetProperties()->ConnectSource(clusterProperties);
        }
    });
}

void RWyxScene::BuildSkinLinksFromDeformers() {
    if (factory_ == nullptr) return;
    for (int s = 0; s < entity_->GetDeformerCount(RWyxDeformer::kSkin); ++s) {
        const RWyxDeformerProperties* skin = entity_->GetDeformer(s, RWyxDeformer::kSkin)->GetProperties();
        for (int d = 0; d < skin->GetDestinationCount(); ++d) {
            RWyxNode* node = NodeOf(skin->GetDestination(d));
            RWyxGeometry* geometry = node != nullptr ? node->GetGeometry() : nullptr;
            if (geometry == nullptr) continue;
            for (int c = 0; c < skin->GetSourceCount(); ++c) {
                const RWyxDeformer* cluster = DeformerOf(skin->GetSource(c));
                if (cluster == nullptr || cluster->GetDeformerType() != RWyxDeformer::kCluster) continue;
                RWyxSkinLink* link = factory_->CreateSkinLink();
                if (link == nullptr) continue;
                cluster->CopyToSkinLink(*link);
                link->SetLink(FirstSourceNode(*cluster->GetProperties()));
                if (const RProperty* reference = cluster->GetProperties()->FindProperty(kSrcModelReference)) {
                    link->SetAssociateModel(FirstSourceNode(*reference));
                }
                geometry->AddDeformer(link);
            }
        }
    }
}

// Every use of a deformer goes before it is destroyed, so that one recorded twice can neither
// stay behind as a dangling entry nor be taken again.
void RWyxScene::DestroyDeformers() {
    for (const int kind : {RWyxDeformer::kCluster, 0}) {
        while (entity_->GetDeformerCount(kind) > 0) {
            RWyxDeformer* deformer = entity_->GetDeformer(0, kind);
            ForgetDeformer(deformer);
            if (factory_ != nullptr) factory_->DestroyDeformer(deformer);
        }
    }
}
