// RWyxNode's membership of an entity container: moving a subtree in and out, with the
// materials, textures and gobos its nodes use.

#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNode.h"

#include <vector>

namespace {

// The first refusal the collected subtree meets, in the order node, texture, material, gobo
// names; -1 when it may join `entity`.
int ClashCode(const RWyxNameClashCollector& collector, const RWyxEntityContainer& entity, bool asRoot) {
    if (!collector.GetNodesClashing().empty()) return RWyxNode::kErrorNodeNameClash;
    if (!collector.GetTexturesClashing().empty()) return RWyxNode::kErrorTextureNameClash;
    if (!collector.GetMaterialsClashing().empty()) return RWyxNode::kErrorMaterialNameClash;
    if (!collector.GetGobosClashing().empty()) return RWyxNode::kErrorGoboNameClash;
    // The container refuses a gobo whose name another of its gobos has; found now, that
    // refusal cannot leave the subtree in with a gobo unrecorded. A new root finds the
    // container emptied.
    if (!asRoot) {
        for (const RWyxGobo* gobo : collector.GetGobosSeen()) {
            if (entity.WouldGoboClash(gobo)) return RWyxNode::kErrorGoboNameClash;
        }
    }
    return -1;
}

// One use per node and object, so that a part of the subtree leaving later takes away exactly
// the uses it brought.
void AddUses(RWyxEntityContainer& entity, const std::vector<RWyxNode*>& nodes) {
    for (const RWyxNode* node : nodes) {
        RWyxNameClashCollector::NodeObjects objects;
        RWyxNameClashCollector::GatherObjects(*node, objects);
        for (RWyxMaterial* material : objects.materials) entity.AddMaterialUse(material);
        for (RWyxTexture* texture : objects.textures) entity.AddTextureUse(texture);
        if (objects.gobo != nullptr) entity.AddGoboUse(objects.gobo);
    }
}

void RemoveUses(RWyxEntityContainer& entity, const std::vector<RWyxNode*>& nodes) {
    for (const RWyxNode* node : nodes) {
        RWyxNameClashCollector::NodeObjects objects;
        RWyxNameClashCollector::GatherObjects(*node, objects);
        for (RWyxMaterial* material : objects.materials) entity.RemoveMaterialUse(material);
        for (RWyxTexture* texture : objects.textures) entity.RemoveTextureUse(texture);
        if (objects.gobo != nullptr) entity.RemoveGoboUse(objects.gobo);
    }
}

}  // namespace

int RWyxNode::FindEntityClash(RWyxEntityContainer* entity, bool asRoot) {
    if (entity == nullptr) return -1;
    RWyxNameClashCollector collector(asRoot ? entity : nullptr);
    collector.Collect(this);
    return ClashCode(collector, *entity, asRoot);
}

bool RWyxNode::SetEntity(RWyxEntityContainer* entity, bool asRoot) {
    if (entity == entity_) return true;
    RWyxNameClashCollector collector(asRoot ? entity : nullptr);
    collector.Collect(this);
    // Decided before anything moves: a refusal leaves every node where it was.
    if (entity != nullptr) {
        const int clash = ClashCode(collector, *entity, asRoot);
        if (clash >= 0) {
            error_.SetErrorCode(clash);
            return false;
        }
    }
    const std::vector<RWyxNode*>& nodes = collector.GetNodesSeen();
    RWyxEntityContainer* former = entity_;
    // Each node leaves the container that records it, so that none stays listed anywhere.
    for (RWyxNode* node : nodes) {
        if (node->entity_ != nullptr) node->entity_->RemoveNode(node);
    }
    if (former != nullptr) RemoveUses(*former, nodes);
    if (entity == nullptr) return true;
    if (asRoot) {
        if (RWyxNode* root = entity->GetRootNode()) root->SetEntity(nullptr, true);
        entity->Clear();
    }
    for (RWyxNode* node : nodes) entity->AddNode(node);
    if (asRoot) entity->SetRootNode(this);
    AddUses(*entity, nodes);
    return true;
}
