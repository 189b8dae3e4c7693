// The parts of RWyxScene that need the attribute kinds: construction and teardown, Clear, the
// character objects, the generic nodes and the objects the take operations visit.

#include "attributes/RWyxCameraSwitcher.h"
#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterConstraint.h"
#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "attributes/RWyxMarkerSet.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"

#include <algorithm>
#include <new>

namespace {

const char* const kSceneMessages[] = {"Take error."};
constexpr int kCameraSwitcherShadingMode = 1;

// Character objects leave what they are connected to while whole, then go.
template <typename T>
void DestroyObject(T* object) {
    object->PrepareDestroy();
    delete object;
}

template <typename T>
void DestroyAllOf(std::vector<T*>& list) {
    for (T* object : list) DestroyObject(object);
    list.clear();
}

// Constructs the object named prefix + name and appends it; its index, -1 when it cannot be
// made.
template <typename T>
int CreateInto(std::vector<T*>& list, RWyxObjectFactory* factory, const char* prefix, const char* name) {
    T* object = new (std::nothrow) T(factory, BuildPrefixedName(prefix, name));
    if (object == nullptr) return -1;
    list.push_back(object);
    return static_cast<int>(list.size()) - 1;
}

void RemoveTakeNodesAfterDefault(RWyxTakeNodeContainer& object) {
    for (int i = object.GetTakeNodeCount() - 1; i >= 1; --i) object.RemoveTakeNode(i);
}

}  // namespace

// ---- construction and teardown -----------------------------------------------------------------

RWyxScene::RWyxScene(RWyxObjectFactory* factory) : factory_(factory), error_(kSceneMessages, 1) {
    entity_ = std::make_unique<RWyxEntityContainer>(factory_);
    if (factory_ != nullptr) cameraSwitcherNode_ = factory_->CreateNode(kCameraSwitcherName);
    cameraSwitcher_ = std::make_unique<RWyxCameraSwitcher>(factory_);
    if (cameraSwitcherNode_ != nullptr) cameraSwitcherNode_->SetNodeAttribute(cameraSwitcher_.get());
    // The camera index keeps the default its channel was made with (1); only Clear sets 0.
    ResetCameraSwitcherNode();
    lightSettings_ = std::make_unique<RWyxGlobalLightSettings>();
    cameraSettings_ = std::make_unique<RWyxGlobalCameraSettings>(factory_, this);
    timeSettings_ = std::make_unique<RWyxGlobalTimeSettings>();
}

RWyxScene::~RWyxScene() {
    entity_.reset();
    // The attribute takes itself off its node as it goes.
    cameraSwitcher_.reset();
    if (cameraSwitcherNode_ != nullptr && factory_ != nullptr) factory_->DestroyNode(cameraSwitcherNode_, false);
    cameraSwitcherNode_ = nullptr;
    DestroySceneInfo();
    DestroyCharacterObjects();
    poses_.clear();
    lightSettings_.reset();
    cameraSettings_.reset();
    timeSettings_.reset();
    while (!takeInfos_.empty()) takeInfos_.pop_back();
}

void RWyxScene::Clear() {
    if (RWyxNode* root = GetRootNode()) {
        while (root->GetChildCount() > 0) {
            RWyxNode* child = root->RemoveChild(root->GetChild(root->GetChildCount() - 1));
            if (child != nullptr && factory_ != nullptr) factory_->DestroyNode(child, true);
        }
        RemoveTakeNodesAfterDefault(*root);
    }
    ResetCameraSwitcherNode();
    cameraSwitcher_->SetCameraIndex(0);
    DestroySceneInfo();
    DestroyCharacterObjects();
    poses_.clear();
    while (entity_->GetGenericNodeCount() > 0) {
        RWyxGenericNode* genericNode = entity_->GetGenericNode(0);
        genericNode->SetEntity(nullptr);
        if (factory_ != nullptr) factory_->DestroyGenericNode(genericNode);
    }
    lightSettings_->Reset();
    cameraSettings_->Reset();
    timeSettings_->Reset();
    currentTake_ = "";
    takeInfos_.clear();
}

void RWyxScene::ResetCameraSwitcherNode() {
    if (cameraSwitcherNode_ == nullptr) return;
    cameraSwitcherNode_->SetName(kCameraSwitcherName);
    cameraSwitcherNode_->SetVisibility(false);
    cameraSwitcherNode_->SetShadingMode(kCameraSwitcherShadingMode);
    RemoveTakeNodesAfterDefault(*cameraSwitcherNode_);
}

void RWyxScene::DestroyCharacterObjects() {
    DestroyAllOf(markerSets_);
    DestroyAllOf(constraints_);
    DestroyAllOf(characters_);
    DestroyAllOf(controlSetPlugs_);
    DestroyAllOf(characterPoses_);
}

// ---- generic nodes ---------------------------------------------------------------------------------

bool RWyxScene::AddGenericNode(RWyxGenericNode* genericNode) {
    if (genericNode == nullptr) return false;
    genericNode->SetEntity(entity_.get());
    return true;
}

bool RWyxScene::RemoveGenericNode(RWyxGenericNode* genericNode) {
    if (genericNode == nullptr) return false;
    genericNode->SetEntity(nullptr);
    return true;
}

// ---- character objects ---------------------------------------------------------------------------------

int RWyxScene::CreateMarkerSet(const char* name) { return CreateInto(markerSets_, factory_, "MarkerSet::", name); }

int RWyxScene::CreateConstraint(const char* name) { return CreateInto(constraints_, factory_, "Constraint::", name); }

int RWyxScene::CreateCharacter(const char* name) { return CreateInto(characters_, factory_, "Constraint::", name); }

int RWyxScene::CreateControlSetPlug(const char* name) {
    return CreateInto(controlSetPlugs_, factory_, "ControlSetPlug::", name);
}

int RWyxScene::CreateCharacterPose(const char* name) {
    return CreateInto(characterPoses_, factory_, "Pose::", name);
}

void RWyxScene::DestroyCharacterPose(int index) {
    RWyxCharacterPose* pose = GetCharacterPose(index);
    if (pose == nullptr) return;
    characterPoses_.erase(characterPoses_.begin() + index);
    DestroyObject(pose);
}

// ---- poses -------------------------------------------------------------------------------------------------

bool RWyxScene::AddPose(RWyxPose* pose) {
    if (pose == nullptr || !poseIndices_.emplace(pose, GetPoseCount()).second) return false;
    poses_.push_back(pose);
    if (pose->GetFactory() != factory_) ++foreignPoses_;
    return true;
}

int RWyxScene::GetPoseIndex(const RWyxPose* pose) const {
    const auto found = poseIndices_.find(pose);
    return found != poseIndices_.end() ? found->second : -1;
}

bool RWyxScene::RemovePose(const RWyxPose* pose) {
    for (RWyxCharacterPose* characterPose : characterPoses_) {
        if (RWyxScene* nested = characterPose->GetPoseScene()) nested->RemovePose(pose);
    }
    const int index = GetPoseIndex(pose);
    if (index < 0) return false;
    poseIndices_.erase(pose);
    poses_.erase(poses_.begin() + index);
    // The poses after it moved down one place.
    for (int i = index; i < GetPoseCount(); ++i) poseIndices_[poses_[static_cast<size_t>(i)]] = i;
    if (pose->GetFactory() != factory_) --foreignPoses_;
    return true;
}

// ---- the objects of the take operations --------------------------------------------------------------------

std::vector<RWyxTakeNodeContainer*> RWyxScene::TakeObjects() const {
    std::vector<RWyxTakeNodeContainer*> objects;
    if (cameraSwitcherNode_ != nullptr) objects.push_back(cameraSwitcherNode_);
    RWyxEntityContainer& entity = *entity_;
    for (int i = 0; i < entity.GetNodeCount(); ++i) objects.push_back(entity.GetNode(i));
    for (int i = 0; i < entity.GetTextureCount(); ++i) objects.push_back(entity.GetTexture(i));
    for (int i = 0; i < entity.GetMaterialCount(); ++i) objects.push_back(entity.GetMaterial(i));
    for (int i = 0; i < entity.GetGenericNodeCount(); ++i) objects.push_back(entity.GetGenericNode(i));
    return objects;
}
