#include "attributes/RWyxPropertyOwner.h"

#include "attributes/RWyxOwnedProperties.h"
#include "core/RProperty.h"
#include "core/RWyxUserProperty.h"
#include "scene/RWyxObjectFactory.h"

#include <memory>
#include <utility>

namespace {

// The container sets its texts itself (code 0); no table text is needed.
const char* const kNoMessages[] = {""};

}  // namespace

RWyxPropertyOwner::RWyxPropertyOwner(RWyxObjectFactory* factory, const RString& name)
    : RWyxTakeNodeContainer(factory, name, error_), error_(kNoMessages, 0), factory_(factory) {}

RWyxPropertyOwner::~RWyxPropertyOwner() {
    if (RWyxOwnedProperties* properties = std::exchange(properties_, nullptr)) {
        ForgetWrapperSource();
        properties->SetWrapperList(nullptr);
        properties->ForgetOwner();
        properties->Destroy();
    }
}

void RWyxPropertyOwner::AdoptProperties(RWyxOwnedProperties* properties) {
    properties_ = properties;
    CreateDefaultTakeNode();
    AddUserPropertyWrappers(*properties_, factory_);
}

void RWyxPropertyOwner::PrepareDestroy() {
    if (properties_ != nullptr) properties_->DisconnectAll();
}

void RWyxPropertyOwner::CreateChannelTemplate(RWyxTakeNode& takeNode) {
    if (properties_ == nullptr) return;
    for (int i = 0; i < properties_->GetPropertyCount(); ++i) {
        RProperty* property = properties_->GetProperty(i);
        if (property != nullptr && property->IsAnimatable()) CreatePropertyCurveNode(takeNode, *property);
    }
}

void RWyxPropertyOwner::CollectProperties(std::vector<RProperty*>& properties) const {
    if (properties_ == nullptr) return;
    for (int i = 0; i < properties_->GetPropertyCount(); ++i) properties.push_back(properties_->GetProperty(i));
}

void RWyxPropertyOwner::OnUserPropertyAdded(RWyxUserProperty& userProperty) {
    // A record (as read from a file) becomes a property; a wrapper is refused and stays as it is.
    if (properties_ != nullptr) properties_->CreateUserProperty(&userProperty);
    RWyxTakeNodeContainer::OnUserPropertyAdded(userProperty);
}

void RWyxPropertyOwner::OnUserPropertyRemoved(RWyxUserProperty& userProperty) {
    RWyxTakeNodeContainer::OnUserPropertyRemoved(userProperty);
    RProperty* property = userProperty.GetProperty();
    if (properties_ != nullptr && property != nullptr && !properties_->IsStandardProperty(property)) {
        properties_->ReleaseAndClear(property);
    }
}

void RWyxPropertyOwner::OnPropertyValueChanged(const RProperty& property) {
    if (HasUserPropertyFor(&property)) UpdateCurveDefaults(property);
}
