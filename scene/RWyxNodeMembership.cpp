// RWyxNode's membership of an entity container: moving a subtree in and out, with the
// materials, textures and gobos its nodes use.

#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"

#include <algorithm>
#include <unordered_set>
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

// A node without children joining below a node of `entity` meets no other node or object of
// its own subtree, and the collector checks no material or texture names by default: only its
// gobo can be refused, when the container gives another gobo its name.
int LoneNodeClashCode(const RWyxNode& node, const RWyxEntityContainer& entity) {
    RWyxNameClashCollector::NodeObjects objects;
    RWyxNameClashCollector::GatherObjects(node, objects);
    return objects.gobo != nullptr && entity.WouldGoboClash(objects.gobo) ? RWyxNode::kErrorGoboNameClash : -1;
}

}  // namespace

// Only a node with a second parent (possible outside a scene) can be met twice: the list is
// made unique only then.
std::vector<RWyxNode*> RWyxNode::SubtreeNodes(RWyxNode* top) {
    std::vector<RWyxNode*> nodes;
    std::vector<RWyxNode*> pending{top};
    bool shared = false;
    while (!pending.empty()) {
        RWyxNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        // Pushed last to first, so that the first child comes out first.
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            RWyxNode* child = node->GetChild(i);
            if (child == nullptr) continue;
            shared = shared || child->properties_->GetParentPropertiesCount() > 1;
            pending.push_back(child);
        }
    }
    if (!shared) return nodes;
    std::unordered_set<const RWyxNode*> seen;
    const auto again = [&seen](const RWyxNode* node) { return !seen.insert(node).second; };
    nodes.erase(std::remove_if(nodes.begin(), nodes.end(), again), nodes.end());
    return nodes;
}

int RWyxNode::CheckSubtree(RWyxEntityContainer* entity, bool asRoot, std::vector<RWyxNode*>& nodes) {
    if (entity == nullptr) {
        nodes = SubtreeNodes(this);
        return -1;
    }
    if (!asRoot && GetChildCount() == 0) {
        nodes.assign(1, this);
        return LoneNodeClashCode(*this, *entity);
    }
    RWyxNameClashCollector collector(asRoot ? entity : nullptr);
    collector.Collect(this);
    nodes = collector.GetNodesSeen();
    return ClashCode(collector, *entity, asRoot);
}

int RWyxNode::FindEntityClash(RWyxEntityContainer* entity, bool asRoot) {
    if (entity == nullptr) return -1;
    std::vector<RWyxNode*> nodes;
    return CheckSubtree(entity, asRoot, nodes);
}

bool RWyxNode::SetEntity(RWyxEntityContainer* entity, bool asRoot) {
    if (entity == entity_) return true;
    std::vector<RWyxNode*> nodes;
    // Decided before anything moves: a refusal leaves every node where it was.
    const int clash = CheckSubtree(entity, asRoot, nodes);
    if (clash >= 0) {
        error_.SetErrorCode(clash);
        return false;
    }
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
