#include "attributes/RWyxAttributeProperties.h"

#include "attributes/RWyxChannelAttribute.h"
#include "core/RProperty.h"

void RWyxAttributeProperties::SetAttribute(RWyxChannelAttribute* attribute) {
    attribute_ = attribute;
    SetChecksPropertyValues(attribute != nullptr);
}

bool RWyxAttributeProperties::AcceptsPropertyValue(const RProperty& property, const RPropertyValue& value) const {
    return attribute_ == nullptr || attribute_->AcceptsPropertyValue(property, value);
}

bool RWyxAttributeProperties::RelayA(const RRelayEvent& event) {
    const bool result = RObject::RelayA(event);
    if (event.code != kRelayValueChanged || attribute_ == nullptr || event.sender == nullptr ||
        !event.sender->Is(RProperty::ClassId())) {
        return result;
    }
    auto* property = static_cast<RProperty*>(event.sender);
    if (property->GetOwner() == this) attribute_->OnPropertyValueChanged(*property);
    return result;
}
