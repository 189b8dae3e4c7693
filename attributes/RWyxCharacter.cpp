#include "attributes/RWyxCharacter.h"

#include "attributes/RWyxCharacterProperties.h"
#include "attributes/RWyxCharacterTables.h"
#include "scene/RWyxNode.h"

namespace {

bool IsLinkId(int id) { return id >= 0 && id < RWyxCharacterTables::kLinkCount; }

}  // namespace

RWyxCharacter::RWyxCharacter(RWyxObjectFactory* factory, const RString& name)
    : RWyxPropertyOwner(factory, name), parameters_(RWyxCharacterTables::kParameterCount), controlSet_(*this) {
    AdoptProperties(RWyxCharacterProperties::Create(this));
}

RWyxCharacter::~RWyxCharacter() {
    for (const auto& [slot, node] : slots_) {
        node->RemoveCharacterLink(this, std::get<0>(slot), std::get<1>(slot), std::get<2>(slot));
    }
}

RWyxCharacterProperties* RWyxCharacter::GetProperties() const {
    return static_cast<RWyxCharacterProperties*>(GetOwnedProperties());
}

// ---- links ------------------------------------------------------------------------------------------

bool RWyxCharacter::GetCharacterLink(int id, RWyxCharacterLink& out) const {
    const auto found = links_.find(id);
    if (found == links_.end()) return false;
    out = found->second;
    out.node = GetNodeSlot(RWyxNode::kCharacterLinkModel, id, 0);
    return true;
}

bool RWyxCharacter::SetCharacterLink(int id, const RWyxCharacterLink& link) {
    if (!IsLinkId(id)) return false;
    RWyxCharacterLink& stored = links_[id];
    stored = link;
    stored.node = nullptr;
    SetNodeSlot(RWyxNode::kCharacterLinkModel, id, 0, link.node);
    return true;
}

bool RWyxCharacter::ClearCharacterLink(int id) {
    if (links_.erase(id) == 0) return false;
    SetNodeSlot(RWyxNode::kCharacterLinkModel, id, 0, nullptr);
    return true;
}

// ---- parameters -------------------------------------------------------------------------------------

const RWyxCharacterParameter* RWyxCharacter::GetParameter(int index) const {
    return index >= 0 && index < RWyxCharacterTables::kParameterCount ? &parameters_[static_cast<size_t>(index)]
                                                                        : nullptr;
}

bool RWyxCharacter::SetParameter(int index, const RWyxCharacterParameter& parameter) {
    if (index < 0 || index >= RWyxCharacterTables::kParameterCount) return false;
    parameters_[static_cast<size_t>(index)] = parameter;
    return true;
}

// ---- node slots -------------------------------------------------------------------------------------

void RWyxCharacter::SetNodeSlot(int kind, int index, int subIndex, RWyxNode* node) {
    const Slot slot(kind, index, subIndex);
    const auto present = slots_.find(slot);
    if (present != slots_.end()) {
        if (present->second == node) return;
        present->second->RemoveCharacterLink(this, kind, index, subIndex);
        slots_.erase(present);
    }
    if (node == nullptr) return;
    slots_.emplace(slot, node);
    node->AddCharacterLink(this, kind, index, subIndex);
}

RWyxNode* RWyxCharacter::GetNodeSlot(int kind, int index, int subIndex) const {
    const auto found = slots_.find(Slot(kind, index, subIndex));
    return found != slots_.end() ? found->second : nullptr;
}

void RWyxCharacter::ReleaseNodeSlot(int kind, int index, int subIndex, const RWyxNode* node) {
    const auto found = slots_.find(Slot(kind, index, subIndex));
    if (found != slots_.end() && found->second == node) slots_.erase(found);
}
