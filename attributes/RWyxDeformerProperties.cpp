#include "attributes/RWyxDeformerProperties.h"

#include "core/RObjectProperty.h"

const RWyxPropertyRow RWyxDeformerProperties::kRows[kRowCount] = {
    {"SrcModelReference", "object", RWyxPropertyDefault{}, 0, nullptr},
};

RWyxDeformerProperties::RWyxDeformerProperties(RWyxPropertyOwner* owner) : RWyxOwnedProperties(owner) {
    table_.CreateProperties(*this);
}

RWyxDeformerProperties* RWyxDeformerProperties::Create(RWyxPropertyOwner* owner) {
    return CreatePlugObject<RWyxDeformerProperties>(nullptr, owner);
}

RObjectProperty* RWyxDeformerProperties::GetSrcModelReference() const {
    // The table made it through CreateProperty with type code 9: an object property.
    return static_cast<RObjectProperty*>(table_.GetProperty(kSrcModelReference));
}
