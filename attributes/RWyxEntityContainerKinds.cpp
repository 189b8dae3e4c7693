// The entity container's use lists of the attribute-layer kinds: materials, textures, gobos,
// generic nodes and deformers. The lists hold them as scene objects; the kinds are told apart
// here, where their classes are known. Also the links of geometries and shapes it clears.

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"

#include <algorithm>

// ---- materials ----------------------------------------------------------------------------------

bool RWyxEntityContainer::AddMaterialUse(RWyxMaterial* material) { return AddUse(materials_, material); }

bool RWyxEntityContainer::RemoveMaterialUse(RWyxMaterial* material) {
    return RemoveUse(materials_, material, kErrorMaterialInUse, kErrorMaterialNotFound);
}

RWyxMaterial* RWyxEntityContainer::GetMaterial(int index) {
    return static_cast<RWyxMaterial*>(UseAt(materials_, index));
}

RWyxMaterial* RWyxEntityContainer::FindMaterial(const char* fullName) {
    RWyxSceneObject* material = materials_.FindByName(fullName);
    if (material == nullptr) error_.SetErrorCode(kErrorMaterialNotFound);
    return static_cast<RWyxMaterial*>(material);
}

int RWyxEntityContainer::GetUseCount(const RWyxMaterial* material) const { return materials_.CountOf(material); }

// ---- textures -----------------------------------------------------------------------------------

bool RWyxEntityContainer::AddTextureUse(RWyxTexture* texture) { return AddUse(textures_, texture); }

bool RWyxEntityContainer::RemoveTextureUse(RWyxTexture* texture) {
    return RemoveUse(textures_, texture, kErrorTextureInUse, kErrorTextureNotFound);
}

RWyxTexture* RWyxEntityContainer::GetTexture(int index) { return static_cast<RWyxTexture*>(UseAt(textures_, index)); }

RWyxTexture* RWyxEntityContainer::FindTexture(const char* fullName) {
    RWyxSceneObject* texture = textures_.FindByName(fullName);
    if (texture == nullptr) error_.SetErrorCode(kErrorTextureNotFound);
    return static_cast<RWyxTexture*>(texture);
}

int RWyxEntityContainer::GetUseCount(const RWyxTexture* texture) const { return textures_.CountOf(texture); }

// ---- gobos --------------------------------------------------------------------------------------

bool RWyxEntityContainer::WouldGoboClash(const RWyxGobo* gobo) const { return WouldGoboClash(gobo, {}); }

bool RWyxEntityContainer::WouldGoboClash(const RWyxGobo* gobo, const std::vector<const RWyxGobo*>& leaving) const {
    if (gobo == nullptr) return false;
    bool decided = false;
    bool clash = false;
    gobos_.objects.ForEach([&](RWyxSceneObject* entry) {
        if (decided) return;
        if (std::find(leaving.begin(), leaving.end(), entry) != leaving.end()) return;
        if (entry == gobo) {
            decided = true;
        } else if (entry->GetName() == gobo->GetName()) {
            decided = true;
            clash = true;
        }
    });
    return clash;
}

bool RWyxEntityContainer::AddGoboUse(RWyxGobo* gobo) {
    if (WouldGoboClash(gobo)) {
        error_.SetErrorCode(kErrorGoboNameClash);
        return false;
    }
    return AddUse(gobos_, gobo);
}

bool RWyxEntityContainer::RemoveGoboUse(RWyxGobo* gobo) {
    return RemoveUse(gobos_, gobo, kErrorGoboInUse, kErrorGoboNotFound);
}

RWyxGobo* RWyxEntityContainer::GetGobo(int index) { return static_cast<RWyxGobo*>(UseAt(gobos_, index)); }

int RWyxEntityContainer::GetUseCount(const RWyxGobo* gobo) const { return gobos_.CountOf(gobo); }

// ---- generic nodes ------------------------------------------------------------------------------

// A generic node is recorded by one container at a time: one recorded elsewhere moves here.
bool RWyxEntityContainer::AddGenericNodeUse(RWyxGenericNode* genericNode) {
    if (genericNode == nullptr) return false;
    if (genericNode->entity_ != this) genericNode->LeaveEntity();
    genericNode->entity_ = this;
    return AddUse(genericNodes_, genericNode);
}

bool RWyxEntityContainer::RemoveGenericNodeUse(RWyxGenericNode* genericNode) {
    if (!RemoveUse(genericNodes_, genericNode, kErrorGenericNodeInUse, kErrorGenericNodeNotFound)) return false;
    // Unrecorded, it must not keep naming a container that may go before it does.
    if (genericNode->entity_ == this) genericNode->entity_ = nullptr;
    return true;
}

RWyxGenericNode* RWyxEntityContainer::GetGenericNode(int index) {
    return static_cast<RWyxGenericNode*>(UseAt(genericNodes_, index));
}

RWyxGenericNode* RWyxEntityContainer::FindGenericNode(const char* name) const {
    return static_cast<RWyxGenericNode*>(genericNodes_.FindByName(name));
}

int RWyxEntityContainer::GetUseCount(const RWyxGenericNode* genericNode) const {
    return genericNodes_.CountOf(genericNode);
}

void RWyxEntityContainer::ReleaseGenericNodes() {
    genericNodes_.objects.ForEach([this](RWyxSceneObject* entry) {
        auto* genericNode = static_cast<RWyxGenericNode*>(entry);
        if (genericNode->entity_ == this) genericNode->entity_ = nullptr;
    });
}

// ---- deformers ----------------------------------------------------------------------------------

bool RWyxEntityContainer::AddDeformerUse(RWyxDeformer* deformer) {
    const bool first = deformer != nullptr && deformers_.CountOf(deformer) == 0;
    if (!AddUse(deformers_, deformer)) return false;
    RMemberList<RWyxSceneObject>* ofKind = DeformersOfKind(deformer->GetDeformerType());
    if (first && ofKind != nullptr) ofKind->Append(deformer);
    return true;
}

bool RWyxEntityContainer::RemoveDeformerUse(RWyxDeformer* deformer) {
    if (!RemoveUse(deformers_, deformer, kErrorDeformerInUse, kErrorDeformerNotFound)) return false;
    if (RMemberList<RWyxSceneObject>* ofKind = DeformersOfKind(deformer->GetDeformerType())) ofKind->Remove(deformer);
    return true;
}

RMemberList<RWyxSceneObject>* RWyxEntityContainer::DeformersOfKind(int kind) {
    return kind == RWyxDeformer::kSkin ? &skins_ : kind == RWyxDeformer::kCluster ? &clusters_ : nullptr;
}

const RMemberList<RWyxSceneObject>* RWyxEntityContainer::DeformersOfKind(int kind) const {
    return kind == RWyxDeformer::kSkin ? &skins_ : kind == RWyxDeformer::kCluster ? &clusters_ : nullptr;
}

int RWyxEntityContainer::GetDeformerCount(int kind) const {
    if (kind == kAllDeformers) return deformers_.objects.GetCount();
    const RMemberList<RWyxSceneObject>* ofKind = DeformersOfKind(kind);
    return ofKind != nullptr ? ofKind->GetCount() : 0;
}

RWyxDeformer* RWyxEntityContainer::GetDeformer(int index, int kind) const {
    if (kind == kAllDeformers) return static_cast<RWyxDeformer*>(deformers_.objects.At(index));
    const RMemberList<RWyxSceneObject>* ofKind = DeformersOfKind(kind);
    return ofKind != nullptr ? static_cast<RWyxDeformer*>(ofKind->At(index)) : nullptr;
}

RWyxDeformer* RWyxEntityContainer::FindDeformer(const char* name) const {
    return static_cast<RWyxDeformer*>(deformers_.FindByName(name));
}

int RWyxEntityContainer::GetUseCount(const RWyxDeformer* deformer) const { return deformers_.CountOf(deformer); }

// ---- geometries ---------------------------------------------------------------------------------

void RWyxEntityContainer::ReleaseGeometryLinks(const RWyxNode& node) {
    RWyxGeometry* geometry = node.GetGeometry();
    if (geometry == nullptr) return;
    if (geometry->GetEntityLink() == this) geometry->SetEntityLink(nullptr);
    for (int i = 0; i < geometry->GetShapeCount(); ++i) {
        RWyxShape* shape = geometry->GetShape(i);
        if (shape != nullptr && shape->GetEntityLink() == this) shape->SetEntityLink(nullptr);
    }
}
