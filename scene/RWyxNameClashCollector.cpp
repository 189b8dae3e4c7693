#include "scene/RWyxNameClashCollector.h"

#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"

namespace {

// The text as strcmp sees it, so that the index agrees with RString's comparison.
std::string KeyOf(const RString& name) { return std::string(name.Buffer()); }

}  // namespace

// ---- name index ---------------------------------------------------------------------------------

void RWyxNameClashCollector::NameIndex::Add(const RString& name, const void* object) {
    const auto inserted = entries_.emplace(KeyOf(name), Entry{object, 1});
    if (!inserted.second) ++inserted.first->second.count;
}

bool RWyxNameClashCollector::NameIndex::HoldsOther(const RString& name, const void* object) const {
    const auto found = entries_.find(KeyOf(name));
    if (found == entries_.end()) return false;
    return found->second.count > 1 || found->second.first != object;
}

template <typename T>
void RWyxNameClashCollector::KindLists<T>::Clear() {
    seen.clear();
    clashing.clear();
    distinct.clear();
    seenNames.Clear();
    targetNames.Clear();
}

template <typename T>
void RWyxNameClashCollector::KindLists<T>::Record(T* object, const RString& name, bool onlyOnce) {
    const bool first = distinct.insert(object).second;
    if (first) seenNames.Add(name, object);
    if (first || !onlyOnce) seen.push_back(object);
}

// ---- the collector -------------------------------------------------------------------------------

RWyxNameClashCollector::RWyxNameClashCollector(RWyxEntityContainer* target) : target_(target) {}

void RWyxNameClashCollector::Clear() {
    RWyxNodeVisitor::Clear();
    nodes_.Clear();
    materials_.Clear();
    textures_.Clear();
    gobos_.Clear();
    targetIndexed_ = false;
}

bool RWyxNameClashCollector::SetKindEnabled(int kind, bool enabled) {
    if (kind < 0 || kind >= kKindCount) return false;
    enabled_[kind] = enabled;
    return true;
}

bool RWyxNameClashCollector::IsKindEnabled(int kind) const { return kind >= 0 && kind < kKindCount && enabled_[kind]; }

const RString& RWyxNameClashCollector::NameOf(const RWyxNode* node) { return node->GetName(); }

// The target's root itself does not count: only its descendants can clash with a node that
// is to join below it.
void RWyxNameClashCollector::IndexTarget() {
    targetIndexed_ = true;
    if (target_ == nullptr) return;
    if (const RWyxNode* root = target_->GetRootNode()) {
        std::vector<const RWyxNode*> pending{root};
        while (!pending.empty()) {
            const RWyxNode* node = pending.back();
            pending.pop_back();
            if (node != root) nodes_.targetNames.Add(node->GetName(), node);
            // In walk order, so that the first of a name is the one a walk meets first.
            for (int i = node->GetChildCount() - 1; i >= 0; --i) {
                if (const RWyxNode* child = node->GetChild(i)) pending.push_back(child);
            }
        }
    }
    IndexTargetObjects();
}

bool RWyxNameClashCollector::Accept(RWyxNode* node) {
    if (node == nullptr) return false;
    if (!targetIndexed_) IndexTarget();
    bool clash = CheckNode(node);
    NodeObjects objects;
    GatherObjects(*node, objects);
    clash = CheckObjects(materials_, objects.materials, enabled_[kMaterials]) || clash;
    clash = CheckObjects(textures_, objects.textures, enabled_[kTextures]) || clash;
    if (objects.gobo != nullptr) clash = CheckObjects(gobos_, {objects.gobo}, enabled_[kGobos]) || clash;
    return clash;
}

bool RWyxNameClashCollector::CheckNode(RWyxNode* node) {
    const RString& name = node->GetName();
    if (!enabled_[kNodes]) {
        nodes_.Record(node, name, false);
        return false;
    }
    const bool clash = nodes_.targetNames.HoldsOther(name, node) || nodes_.seenNames.HoldsOther(name, node);
    if (clash) nodes_.clashing.push_back(node);
    nodes_.Record(node, name, true);
    return clash;
}

template <typename T>
bool RWyxNameClashCollector::CheckObjects(KindLists<T>& lists, const std::vector<T*>& objects, bool enabled) {
    bool clashed = false;
    for (T* object : objects) {
        if (object == nullptr) continue;
        const RString& name = NameOf(object);
        if (!enabled) {
            lists.Record(object, name, false);
            continue;
        }
        // Once one object of this node has clashed, the others are held against the target only.
        const bool clash =
            lists.targetNames.HoldsOther(name, object) || (!clashed && lists.seenNames.HoldsOther(name, object));
        if (clash) {
            lists.clashing.push_back(object);
            clashed = true;
        }
        lists.Record(object, name, true);
    }
    return clashed;
}
