#include "core/RWyxPropertyHandler.h"

#include "core/RDataType.h"
#include "core/RWyxSceneObject.h"

RProperty* RWyxPropertyHandler::CreateProperty(const char* name, int typeCode, const RDataType* dataType,
                                               bool animatable, bool userFlag, RPlug* argument) {
    RProperty* property = RObject::CreateProperty(name, typeCode, dataType, false, userFlag, argument);
    if (property != nullptr && animatable) property->SetFlag(RProperty::kAnimatable, true);
    return property;
}

bool RWyxPropertyHandler::CreateUserProperty(RWyxUserProperty* userProperty) {
    if (userProperty == nullptr || userProperty->IsWrapper()) return false;
    const RDataType* dataType = RDataType::FindByName(RWyxUserProperty::TypeToName(userProperty->GetType()));
    if (dataType == nullptr) return false;

    RProperty* property = CreateProperty(userProperty->GetName(), RProperty::GetPropertyTypeCode(dataType),
                                         dataType, false, false, nullptr);
    if (property == nullptr) return false;

    const std::uint32_t userFlags = userProperty->GetRecord()->flags;
    property->SetFlag(RWyxUserProperty::UserFlagsToPropertyFlags(userFlags), true);
    if ((userFlags & RWyxUserProperty::kFlagAnimatable) != 0) {
        property->SetStateFlags(RProperty::kStateWriterFlag, true);
    }
    // The record's range replaces the default range of a new property, so that a range read
    // from a file (or none) survives.
    property->SetMinMax(userProperty->GetMin(), userProperty->GetMax());
    const char* label = userProperty->GetLabel(true);
    if (*label != '\0') property->SetLabel(label);

    userProperty->WrapProperty(property);
    userProperty->SetNotifyTarget(this, this);
    return true;
}

bool RWyxPropertyHandler::ReleaseAndClear(RProperty*& property) {
    if (property == nullptr) return false;
    const int index = IndexOfProperty(property);
    if (index < 0) return false;
    // A property the handler owns would be left behind, reachable from nowhere.
    if (property->IsOwnedByObject()) {
        DestroyPropertyAt(index);
    } else {
        RemoveProperty(index);
    }
    property = nullptr;
    return true;
}

void RWyxPropertyHandler::TellWrapperListOfLeaving(RProperty* property) {
    wrapperList_->OnWrappedPropertyLeaving(property);
}
