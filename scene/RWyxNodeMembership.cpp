// RWyxNode's membership of an entity container: moving a subtree in and out, with the
// materials, textures and gobos its nodes use.

#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNameClashCollector.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

// The first refusal a subtree collected to become the root meets, in the order node, texture,
// material, gobo names; -1 when it may join (a new root finds the container emptied, so no
// gobo of the container's can refuse it).
int RootClashCode(const RWyxNameClashCollector& collector) {
    if (!collector.GetNodesClashing().empty()) return RWyxNode::kErrorNodeNameClash;
    if (!collector.GetTexturesClashing().empty()) return RWyxNode::kErrorTextureNameClash;
    if (!collector.GetMaterialsClashing().empty()) return RWyxNode::kErrorMaterialNameClash;
    if (!collector.GetGobosClashing().empty()) return RWyxNode::kErrorGoboNameClash;
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

// A name as the collector compares it: the C text (up to its zero byte), none as empty.
std::string_view TextOf(const RString& name) {
    const char* const text = name.Buffer();
    return text != nullptr ? std::string_view(text) : std::string_view();
}

// Whether two of the names are equal.
bool HasRepeat(std::vector<std::string_view>& names) {
    std::sort(names.begin(), names.end());
    return std::adjacent_find(names.begin(), names.end()) != names.end();
}

// Of the gobos, sorted with one entry per node projecting it, those whose every use the
// container records comes from these nodes: their entries go when the nodes leave.
std::vector<const RWyxGobo*> LastUsesTaken(const std::vector<const RWyxGobo*>& gobos,
                                           const RWyxEntityContainer& entity) {
    std::vector<const RWyxGobo*> taken;
    for (auto first = gobos.begin(); first != gobos.end();) {
        const auto last = std::upper_bound(first, gobos.end(), *first);
        if (entity.GetUseCount(*first) <= last - first) taken.push_back(*first);
        first = last;
    }
    return taken;
}

// What a collector without target finds in a subtree joining below a node of `entity`, in its
// order: two nodes of one name, two gobos of one name (materials and textures it lists
// unchecked); then a gobo the container refuses, when another of its gobos has that name
// (found now, that refusal cannot leave the subtree in with a gobo unrecorded). The names are
// compared sorted rather than through the collector's hash indexes, which cost an allocation
// or more per node; a lone node has no name to compare, nor does a subtree whose node names were
// found free of repeats already. A subtree that `entity` records now (moving within it) leaves
// before it joins again: the gobos it holds the last uses of are answered without their entries.
int SubtreeClashCode(const std::vector<RWyxNode*>& nodes, const RWyxEntityContainer& entity, bool namesChecked,
                     bool leavesFirst) {
    std::vector<std::string_view> names;
    if (nodes.size() > 1 && !namesChecked) {
        names.reserve(nodes.size());
        for (const RWyxNode* node : nodes) names.push_back(TextOf(node->GetName()));
        if (HasRepeat(names)) return RWyxNode::kErrorNodeNameClash;
    }
    std::vector<const RWyxGobo*> gobos;
    for (const RWyxNode* node : nodes) {
        RWyxNameClashCollector::NodeObjects objects;
        RWyxNameClashCollector::GatherObjects(*node, objects);
        if (objects.gobo != nullptr) gobos.push_back(objects.gobo);
    }
    if (gobos.empty()) return -1;
    std::sort(gobos.begin(), gobos.end());
    const std::vector<const RWyxGobo*> leaving =
        leavesFirst ? LastUsesTaken(gobos, entity) : std::vector<const RWyxGobo*>();
    // A gobo several nodes project is one gobo.
    gobos.erase(std::unique(gobos.begin(), gobos.end()), gobos.end());
    names.clear();
    for (const RWyxGobo* gobo : gobos) names.push_back(TextOf(RWyxNameClashCollector::NameOf(gobo)));
    if (HasRepeat(names)) return RWyxNode::kErrorGoboNameClash;
    for (const RWyxGobo* gobo : gobos) {
        if (entity.WouldGoboClash(gobo, leaving)) return RWyxNode::kErrorGoboNameClash;
    }
    return -1;
}

}  // namespace

// Only a node with a second parent (possible outside a scene) can be met twice: the list is
// made unique only then.
std::vector<RWyxNode*> RWyxNode::SubtreeNodes(RWyxNode* top) {
    std::vector<RWyxNode*> nodes{top};
    if (top->GetChildCount() == 0) return nodes;
    nodes.clear();
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
    if (!asRoot) {
        nodes = SubtreeNodes(this);
        // A subtree AddChild moves had its node names checked before it left its parent, and
        // leaving renamed none of them. Its gobos are checked again: leaving took their uses
        // out of the former container, which may change what the new one answers. Checked
        // before it leaves the container it is to join again, they are answered as after leaving.
        return SubtreeClashCode(nodes, *entity, joinChecked_, entity == entity_);
    }
    RWyxNameClashCollector collector(entity);
    collector.Collect(this);
    nodes = collector.GetNodesSeen();
    return RootClashCode(collector);
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
