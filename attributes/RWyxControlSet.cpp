#include "attributes/RWyxControlSet.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterTables.h"
#include "scene/RWyxNode.h"

RWyxControlSet::RWyxControlSet(RWyxCharacter& character)
    : character_(character), effectors_(RWyxCharacterTables::kEffectorCount) {}

bool RWyxControlSet::IsLinkId(int id) { return id >= 0 && id < RWyxCharacterTables::kLinkCount; }

bool RWyxControlSet::IsEffector(int index) { return index >= 0 && index < RWyxCharacterTables::kEffectorCount; }

bool RWyxControlSet::SetModelLink(int id, RWyxNode* node, const char* name) {
    if (!IsLinkId(id)) return false;
    modelLinks_[id] = RString(name != nullptr ? name : "");
    character_.SetNodeSlot(RWyxNode::kCharacterLinkControlSet, id, 0, node);
    return true;
}

bool RWyxControlSet::GetModelLink(int id, RWyxNode*& node, RString& name) const {
    const auto found = modelLinks_.find(id);
    if (found == modelLinks_.end()) return false;
    node = character_.GetNodeSlot(RWyxNode::kCharacterLinkControlSet, id, 0);
    name = found->second;
    return true;
}

bool RWyxControlSet::ClearModelLink(int id) {
    if (modelLinks_.erase(id) == 0) return false;
    character_.SetNodeSlot(RWyxNode::kCharacterLinkControlSet, id, 0, nullptr);
    return true;
}

bool RWyxControlSet::SetEffector(int index, RWyxNode* node, const RWyxControlSetEffector& flags) {
    if (!IsEffector(index)) return false;
    effectors_[static_cast<size_t>(index)] = flags;
    character_.SetNodeSlot(RWyxNode::kCharacterLinkEffector, index, 0, node);
    return true;
}

const RWyxControlSetEffector* RWyxControlSet::GetEffectorFlags(int index) const {
    return IsEffector(index) ? &effectors_[static_cast<size_t>(index)] : nullptr;
}

RWyxNode* RWyxControlSet::GetEffectorNode(int index) const {
    return IsEffector(index) ? character_.GetNodeSlot(RWyxNode::kCharacterLinkEffector, index, 0) : nullptr;
}

bool RWyxControlSet::SetAuxiliaryEffector(int index, int subIndex, RWyxNode* node, const char* name) {
    if (!IsEffector(index) || subIndex < 0 || subIndex >= kMaxAuxiliaryEffectors) return false;
    auxiliaryEffectors_[{index, subIndex}] = RString(name != nullptr ? name : "");
    character_.SetNodeSlot(RWyxNode::kCharacterLinkAuxiliaryEffector, index, subIndex, node);
    return true;
}

bool RWyxControlSet::GetAuxiliaryEffector(int index, int subIndex, RWyxNode*& node, RString& name) const {
    const auto found = auxiliaryEffectors_.find({index, subIndex});
    if (found == auxiliaryEffectors_.end()) return false;
    node = character_.GetNodeSlot(RWyxNode::kCharacterLinkAuxiliaryEffector, index, subIndex);
    name = found->second;
    return true;
}

int RWyxControlSet::GetAuxiliaryEffectorCount(int index) const {
    int count = 0;
    for (const auto& [key, name] : auxiliaryEffectors_) {
        if (key.first == index && key.second + 1 > count) count = key.second + 1;
    }
    return count;
}
