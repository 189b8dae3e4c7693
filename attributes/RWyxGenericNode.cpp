#include "attributes/RWyxGenericNode.h"

#include "scene/RWyxEntityContainer.h"

RWyxGenericNode::~RWyxGenericNode() { LeaveEntity(); }

void RWyxGenericNode::LeaveEntity() {
    while (entity_ != nullptr && entity_->GetUseCount(this) > 0) entity_->RemoveGenericNodeUse(this);
    entity_ = nullptr;
}

void RWyxGenericNode::SetEntity(RWyxEntityContainer* entity) {
    if (entity == entity_) return;
    LeaveEntity();
    if (entity != nullptr) entity->AddGenericNodeUse(this);
}
