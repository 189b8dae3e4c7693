#include "attributes/RWyxGlobalCameraSettings.h"

#include "attributes/RWyxCamera.h"
#include "core/RVector4.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"

#include <cstring>

namespace {

const char* const kCameraSettingsMessages[] = {"Null parameter.", "Unknown camera name."};
const char* const kCameraSwitcherName = "Camera Switcher";

// The standard set-up of one producer camera.
struct ProducerSetup {
    const char* name;
    double fieldOfView;
    int projection;
    double nearPlane;
    double farPlane;
    RVector4 position;
    RVector4 upVector;
};

const ProducerSetup kProducerSetups[RWyxGlobalCameraSettings::kProducerCameraCount] = {
    {"Producer Perspective", 40.0, RWyxCamera::kPerspective, 10.0, 4000.0, {0.0, 71.3, 287.5, 1.0}, {0.0, 1.0, 0.0, 1.0}},
    {"Producer Top", 40.0, RWyxCamera::kOrthographic, 1.0, 30000.0, {0.0, 4000.0, 0.0, 1.0}, {0.0, 0.0, -1.0, 1.0}},
    {"Producer Bottom", 40.0, RWyxCamera::kOrthographic, 1.0, 30000.0, {0.0, -4000.0, 0.0, 1.0}, {0.0, 0.0, -1.0, 1.0}},
    {"Producer Front", 40.0, RWyxCamera::kOrthographic, 1.0, 30000.0, {0.0, 0.0, 4000.0, 1.0}, {0.0, 1.0, 0.0, 1.0}},
    {"Producer Back", 40.0, RWyxCamera::kOrthographic, 1.0, 30000.0, {0.0, 0.0, -4000.0, 1.0}, {0.0, 1.0, 0.0, 1.0}},
    {"Producer Right", 40.0, RWyxCamera::kOrthographic, 1.0, 30000.0, {4000.0, 0.0, 0.0, 1.0}, {0.0, 1.0, 0.0, 1.0}},
    {"Producer Left", 40.0, RWyxCamera::kOrthographic, 1.0, 30000.0, {-4000.0, 0.0, 0.0, 1.0}, {0.0, 1.0, 0.0, 1.0}},
};

// In this order, so that each setter clamps against the values set before it.
void ApplySetup(RWyxCamera& camera, const ProducerSetup& setup) {
    camera.SetFieldOfView(setup.fieldOfView);
    camera.SetProjectionType(setup.projection);
    camera.SetNearPlane(setup.nearPlane);
    camera.SetFarPlane(setup.farPlane);
    camera.SetPosition(setup.position);
    camera.SetUpVector(setup.upVector);
}

// Every producer camera given its setup, after the camera defaults when `reset` is set.
void SetUpCameras(RWyxCamera* const* cameras, bool reset) {
    for (int i = 0; i < RWyxGlobalCameraSettings::kProducerCameraCount; ++i) {
        if (cameras[i] == nullptr) continue;
        if (reset) cameras[i]->Reset();
        ApplySetup(*cameras[i], kProducerSetups[i]);
    }
}

}  // namespace

RWyxGlobalCameraSettings::RWyxGlobalCameraSettings(RWyxObjectFactory* factory, RWyxScene* scene)
    : factory_(factory), scene_(scene), error_(kCameraSettingsMessages, 2) {
    if (factory_ != nullptr) {
        for (RWyxCamera*& camera : cameras_) camera = factory_->CreateCamera();
    }
    defaultCamera_ = kProducerSetups[kPerspective].name;
    // New cameras hold the camera defaults already.
    SetUpCameras(cameras_, false);
}

RWyxGlobalCameraSettings::~RWyxGlobalCameraSettings() {
    for (RWyxCamera*& camera : cameras_) {
        if (camera != nullptr && factory_ != nullptr) factory_->DestroyNodeAttribute(camera);
        camera = nullptr;
    }
}

void RWyxGlobalCameraSettings::Reset() {
    defaultCamera_ = kProducerSetups[kPerspective].name;
    viewingMode_ = 0;
    SetUpCameras(cameras_, true);
}

const char* RWyxGlobalCameraSettings::GetProducerCameraName(int which) {
    return which >= 0 && which < kProducerCameraCount ? kProducerSetups[which].name : nullptr;
}

RWyxCamera* RWyxGlobalCameraSettings::GetProducerCamera(ProducerCamera which) const {
    return which >= 0 && which < kProducerCameraCount ? cameras_[which] : nullptr;
}

bool RWyxGlobalCameraSettings::SetDefaultCamera(const char* name) {
    if (name == nullptr) {
        error_.SetErrorCode(kErrorNullParameter);
        return false;
    }
    bool known = std::strcmp(name, kCameraSwitcherName) == 0;
    for (int i = 0; i < kProducerCameraCount && !known; ++i) known = std::strcmp(name, kProducerSetups[i].name) == 0;
    if (!known) {
        RWyxNode* root = scene_ != nullptr ? scene_->GetRootNode() : nullptr;
        known = root != nullptr && root->FindChild(name, true, false) != nullptr;
    }
    if (!known) {
        error_.SetErrorCode(kErrorUnknownCameraName);
        return false;
    }
    defaultCamera_ = name;
    return true;
}
