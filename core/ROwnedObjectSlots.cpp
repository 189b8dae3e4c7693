#include "core/ROwnedObjectSlots.h"

ROwnedObjectSlots::~ROwnedObjectSlots() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        ReleaseSlot(slot);
    }
}

// Empties the slot first, so a release that looks at the table finds it cleared.
void ROwnedObjectSlots::ReleaseSlot(int slot) {
    RReleasableObject* object = objects_[slot];
    const bool owned = owned_[slot];
    objects_[slot] = nullptr;
    owned_[slot] = false;
    if (owned && object != nullptr) {
        object->Release(0);
    }
}

bool ROwnedObjectSlots::Set(int slot, RReleasableObject* object, bool owned) {
    if (!IsValidSlot(slot)) {
        return false;
    }
    if (objects_[slot] != object) {
        ReleaseSlot(slot);
    }
    objects_[slot] = object;
    owned_[slot] = owned && object != nullptr;
    return true;
}

RReleasableObject* ROwnedObjectSlots::Get(int slot) const {
    return IsValidSlot(slot) ? objects_[slot] : nullptr;
}

bool ROwnedObjectSlots::IsOwned(int slot) const {
    return IsValidSlot(slot) && owned_[slot];
}
