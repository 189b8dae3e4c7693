// The parts of RWyxScene that need only the scene layer: the entity container's lists, the
// registered poses, the scene info and the takes. The rest is in attributes/RWyxSceneKinds.cpp
// and attributes/RWyxSceneFileForm.cpp.

#include "scene/RWyxScene.h"

#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNodeContainer.h"

#include <algorithm>

namespace {

const char* const kTakeErrorPrefix = "Not all nodes have a take node called ";

}  // namespace

RWyxNode* RWyxScene::GetRootNode() const { return entity_ != nullptr ? entity_->GetRootNode() : nullptr; }

// ---- generic nodes and deformers -------------------------------------------------------------------

int RWyxScene::GetGenericNodeCount() const { return entity_->GetGenericNodeCount(); }

RWyxGenericNode* RWyxScene::GetGenericNode(int index) const { return entity_->GetGenericNode(index); }

int RWyxScene::GetDeformerCount(int kind) const { return entity_->GetDeformerCount(kind); }

RWyxDeformer* RWyxScene::GetDeformer(int index, int kind) const { return entity_->GetDeformer(index, kind); }

RWyxDeformer* RWyxScene::FindDeformer(const char* name) const { return entity_->FindDeformer(name); }

bool RWyxScene::AddDeformer(RWyxDeformer* deformer) { return entity_->AddDeformerUse(deformer); }

void RWyxScene::ForgetDeformer(const RWyxDeformer* deformer) {
    auto* recorded = const_cast<RWyxDeformer*>(deformer);
    while (entity_->GetUseCount(deformer) > 0) entity_->RemoveDeformerUse(recorded);
}

// ---- scene info ---------------------------------------------------------------------------------------

void RWyxScene::SetSceneInfo(RWyxSceneInfo* info) {
    if (info == sceneInfo_) return;
    DestroySceneInfo();
    sceneInfo_ = info;
}

void RWyxScene::DestroySceneInfo() {
    if (sceneInfo_ != nullptr && factory_ != nullptr) factory_->DestroySceneInfo(sceneInfo_);
    sceneInfo_ = nullptr;
}

// ---- takes --------------------------------------------------------------------------------------------

bool RWyxScene::SetCurrentTake(const char* name) {
    currentTake_ = name != nullptr ? name : "";
    bool all = true;
    for (RWyxTakeNodeContainer* object : TakeObjects()) {
        if (!object->SetCurrentTakeNodeByName(currentTake_.Buffer())) all = false;
    }
    if (!all) error_.SetError(kErrorTake, (RString(kTakeErrorPrefix) + currentTake_).Buffer());
    return all;
}

void RWyxScene::GetTakeNameList(std::vector<RString>& names) const {
    names.clear();
    for (RWyxTakeNodeContainer* object : TakeObjects()) {
        for (int i = 0; i < object->GetTakeNodeCount(); ++i) {
            const RString name(object->GetTakeNodeName(i));
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
    }
}

bool RWyxScene::IsTakeNameUsed(const char* name) const {
    if (name == nullptr) return false;
    const RString wanted(name);
    for (RWyxTakeNodeContainer* object : TakeObjects()) {
        for (int i = 0; i < object->GetTakeNodeCount(); ++i) {
            if (RString(object->GetTakeNodeName(i)) == wanted) return true;
        }
    }
    return false;
}

RWyxTakeInfo* RWyxScene::GetTakeInfo(const char* name) {
    if (name == nullptr) return nullptr;
    const RString wanted(name);
    for (RWyxTakeInfo& info : takeInfos_) {
        if (info.name == wanted) return &info;
    }
    return nullptr;
}

RWyxTakeInfo* RWyxScene::GetTakeInfoAt(int index) {
    return index >= 0 && index < GetTakeInfoCount() ? &takeInfos_[static_cast<size_t>(index)] : nullptr;
}

bool RWyxScene::SetTakeInfo(const RWyxTakeInfo& info) {
    if (!IsTakeNameUsed(info.name.Buffer())) return false;
    if (RWyxTakeInfo* present = GetTakeInfo(info.name.Buffer())) {
        *present = info;
    } else {
        takeInfos_.push_back(info);
    }
    return true;
}
