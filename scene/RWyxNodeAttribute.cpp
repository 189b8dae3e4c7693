#include "scene/RWyxNodeAttribute.h"

#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

RWyxNodeAttribute::~RWyxNodeAttribute() {
    // The node lets go without asking for a detach: the kind's part is gone already.
    if (node_ != nullptr) node_->ForgetDeletedAttribute(this);
}

void RWyxNodeAttribute::Attach(RWyxNode* node) {
    node_ = node;
    if (node_ == nullptr) return;
    for (int i = 0; i < node_->GetTakeNodeCount(); ++i) {
        if (RWyxTakeNode* takeNode = node_->GetTakeNode(i)) AddChannels(*takeNode);
    }
}

void RWyxNodeAttribute::Detach() {
    if (node_ != nullptr) {
        for (int i = 0; i < node_->GetTakeNodeCount(); ++i) {
            if (RWyxTakeNode* takeNode = node_->GetTakeNode(i)) RemoveChannels(*takeNode);
        }
    }
    node_ = nullptr;
}

std::unique_ptr<RWyxStringList> RWyxNodeAttribute::GetTypeNameList() const {
    auto list = std::make_unique<RWyxStringList>();
    list->InsertAt(0, GetTypeName(), 0);
    return list;
}
