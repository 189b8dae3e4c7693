#include "attributes/RWyxCameraSwitcher.h"

#include "core/RDataType.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>

void RWyxCameraSwitcher::AddChannels(RWyxTakeNode& takeNode) {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    if (root == nullptr || root->GetChildIndexByName(kChannelName) >= 0) return;
    RFCurveNode* channel = RFCurveNode::Create(kChannelName, &RDataType::Integer());
    RFCurve* curve = RFCurve::Create();
    curve->SetDefaultValue(1.0f);
    channel->SetCurve(curve, true);
    root->AddChild(channel);
}

void RWyxCameraSwitcher::RemoveChannels(RWyxTakeNode& takeNode) {
    RFCurveNode* root = takeNode.GetRootCurveNode();
    if (root == nullptr) return;
    const int index = root->GetChildIndexByName(kChannelName);
    if (index >= 0) root->DeleteChild(index);
}

RFCurve* RWyxCameraSwitcher::DefaultCameraIndexCurve() const {
    RWyxNode* node = GetNode();
    RWyxTakeNode* takeNode = node != nullptr ? node->GetDefaultTakeNode() : nullptr;
    return takeNode != nullptr ? takeNode->GetCameraIndexCurve() : nullptr;
}

int RWyxCameraSwitcher::GetCameraIndex() const {
    const RFCurve* curve = DefaultCameraIndexCurve();
    if (curve == nullptr) return 0;
    const float value = curve->GetDefaultValue();
    // A value read from a file may be anything; one beyond int answers 0 rather than overflow.
    if (!std::isfinite(value) || std::fabs(value) >= 2147483520.0f) return 0;
    return static_cast<int>(value);
}

bool RWyxCameraSwitcher::SetCameraIndex(int index) {
    RFCurve* curve = DefaultCameraIndexCurve();
    if (curve == nullptr) return false;
    curve->SetDefaultValue(static_cast<float>(index));
    return true;
}

int RWyxCameraSwitcher::AddCameraName(const char* name) {
    cameraNames_.emplace_back(name != nullptr ? name : "");
    return GetCameraNameCount() - 1;
}

const char* RWyxCameraSwitcher::GetCameraName(int index) const {
    return index >= 0 && index < GetCameraNameCount() ? cameraNames_[static_cast<size_t>(index)].Buffer() : nullptr;
}
