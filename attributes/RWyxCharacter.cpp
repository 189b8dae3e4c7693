#include "attributes/RWyxCharacter.h"

#include "scene/RWyxNode.h"

RWyxCharacter::~RWyxCharacter() {
    for (const auto& [slot, node] : slots_) {
        node->RemoveCharacterLink(this, std::get<0>(slot), std::get<1>(slot), std::get<2>(slot));
    }
}

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
