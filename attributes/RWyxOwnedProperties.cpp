#include "attributes/RWyxOwnedProperties.h"

#include "attributes/RWyxPropertyOwner.h"

bool RWyxOwnedProperties::IsStandardProperty(const RProperty* property) const {
    if (property == nullptr) return false;
    const RWyxPropertyTable& table = GetTable();
    for (int row = 0; row < table.GetRowCount(); ++row) {
        if (table.GetProperty(row) == property) return true;
    }
    return false;
}

bool RWyxOwnedProperties::RelayA(const RRelayEvent& event) {
    const bool result = RWyxPropertyHandler::RelayA(event);
    if (event.code != kRelayValueChanged || owner_ == nullptr || event.sender == nullptr ||
        !event.sender->Is(RProperty::ClassId())) {
        return result;
    }
    const auto* property = static_cast<const RProperty*>(event.sender);
    if (property->GetOwner() == this && property->IsAnimatable()) owner_->OnPropertyValueChanged(*property);
    return result;
}
