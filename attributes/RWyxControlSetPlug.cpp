#include "attributes/RWyxControlSetPlug.h"

#include "attributes/RWyxControlSetPlugProperties.h"

RWyxControlSetPlug::RWyxControlSetPlug(RWyxObjectFactory* factory, const RString& name)
    : RWyxPropertyOwner(factory, name) {
    AdoptProperties(RWyxControlSetPlugProperties::Create(this));
}

RWyxControlSetPlugProperties* RWyxControlSetPlug::GetProperties() const {
    return static_cast<RWyxControlSetPlugProperties*>(GetOwnedProperties());
}
