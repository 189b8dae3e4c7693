#include "core/REntityList.h"

#include <optional>

namespace {

RProperty* ResolveProperty(const RPlugRef& ref) {
    RPlug* plug = ref.Get();
    return plug != nullptr && plug->Is(RProperty::ClassId()) ? static_cast<RProperty*>(plug) : nullptr;
}

template <typename T>
void GrowToHold(std::vector<T>& table, int index) {
    if (static_cast<int>(table.size()) <= index) table.resize(static_cast<size_t>(index) + 1);
}

}  // namespace

REntityList::~REntityList() {
    // Objects and properties still here must not point at a list that is gone.
    for (const RPlugRef& entry : objects_) {
        RObject* object = Resolve(entry);
        if (object != nullptr && object->GetEntityList() == this) object->SetEntityMembership(nullptr, -1);
    }
    for (size_t i = 0; i < properties_.size(); ++i) {
        RProperty* property = ResolveProperty(properties_[i].property);
        if (property != nullptr && property->GetIndex() == static_cast<int>(i)) property->SetIndex(-1);
    }
}

int REntityList::Add(RObject* object) {
    if (object == nullptr) return -1;
    if (IsMember(object)) return object->GetEntityIndex();
    if (REntityList* previous = object->GetEntityList()) previous->Remove(object);

    const int index = TakeIndex(usedObjects_);
    if (index < 0) return -1;
    GrowToHold(objects_, index);
    objects_[static_cast<size_t>(index)] = object->GetRef();
    object->SetEntityMembership(this, index);
    IndexProperties(object);
    return index;
}

bool REntityList::Remove(RObject* object) {
    if (!IsMember(object)) return false;
    const int index = object->GetEntityIndex();
    ReleaseProperties(object);
    object->SetEntityMembership(nullptr, -1);
    usedObjects_.ClearBit(index);
    objects_[static_cast<size_t>(index)].Clear();
    return true;
}

RObject* REntityList::GetObjectAt(int index) const {
    return index >= 0 && index < static_cast<int>(objects_.size()) ? Resolve(objects_[static_cast<size_t>(index)])
                                                                   : nullptr;
}

RProperty* REntityList::GetPropertyAt(int index) const {
    return index >= 0 && index < static_cast<int>(properties_.size())
               ? ResolveProperty(properties_[static_cast<size_t>(index)].property)
               : nullptr;
}

int REntityList::TakeIndex(RSparseArray& used) {
    int index = -1;
    if (!used.Search(index, 0, std::nullopt, false)) index = used.HighestSet() + 1;
    return used.SetBit(index) ? index : -1;
}

bool REntityList::IsMember(const RObject* object) const {
    return object != nullptr && object->GetEntityList() == this && GetObjectAt(object->GetEntityIndex()) == object;
}

void REntityList::IndexProperties(RObject* object) {
    const RPlugRef owner = object->GetRef();
    for (int i = 0; i < object->GetPropertyCount(); ++i) {
        RProperty* property = object->GetProperty(i);
        if (property == nullptr || !property->HasFlag(RProperty::kIndexed)) continue;
        const int index = TakeIndex(usedProperties_);
        if (index < 0) continue;
        GrowToHold(properties_, index);
        properties_[static_cast<size_t>(index)] = {property->GetRef(), owner};
        property->SetIndex(index);
    }
}

void REntityList::ReleaseProperties(const RObject* object) {
    const RPlugRef owner = object->GetRef();
    for (size_t i = 0; i < properties_.size(); ++i) {
        PropertySlot& slot = properties_[i];
        if (!slot.owner.IsEqual(owner)) continue;
        RProperty* property = ResolveProperty(slot.property);
        if (property != nullptr && property->GetIndex() == static_cast<int>(i)) property->SetIndex(-1);
        usedProperties_.ClearBit(static_cast<int>(i));
        slot = PropertySlot();
    }
}
