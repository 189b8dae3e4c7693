#include "attributes/RWyxGenericNode.h"

#include "attributes/RWyxGenericNodeProperties.h"
#include "scene/RWyxEntityContainer.h"

RWyxGenericNode::RWyxGenericNode(RWyxObjectFactory* factory, const RString& name) : RWyxPropertyOwner(factory, name) {
    AdoptProperties(RWyxGenericNodeProperties::Create(this));
}

RWyxGenericNode::~RWyxGenericNode() { LeaveEntity(); }

RWyxGenericNodeProperties* RWyxGenericNode::GetProperties() const {
    return static_cast<RWyxGenericNodeProperties*>(GetOwnedProperties());
}

void RWyxGenericNode::LeaveEntity() {
    while (entity_ != nullptr && entity_->GetUseCount(this) > 0) entity_->RemoveGenericNodeUse(this);
    entity_ = nullptr;
}

void RWyxGenericNode::SetEntity(RWyxEntityContainer* entity) {
    if (entity == entity_) return;
    LeaveEntity();
    if (entity != nullptr) entity->AddGenericNodeUse(this);
}
