#include "core/RObjectProperty.h"

#include "core/RObject.h"

RPlug* RObjectProperty::GetReferencedObject() const {
    for (int i = 0; i < GetSourceCount(); ++i) {
        RPlug* source = GetSource(i);
        if (source != nullptr && source->Is(RObject::ClassId())) return source;
    }
    return nullptr;
}

bool RObjectProperty::SetReferencedObject(RPlug* plug) {
    if (plug == GetReferencedObject()) return true;
    RPlugLock lock(this);
    DisconnectAllSources();
    return plug == nullptr || ConnectSource(plug);
}

bool RObjectProperty::SetValue(const RPropertyValue& value) {
    const auto* plug = std::get_if<RPlug*>(&value);
    return plug != nullptr && SetReferencedObject(*plug);
}
