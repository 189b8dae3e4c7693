#include "attributes/RWyxCamera.h"

#include "core/RProperty.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"

#include <algorithm>
#include <cmath>
#include <variant>

namespace {

constexpr double kDegreesPerHalfTurnOverPi = 114.59155902616465;  // 360 / pi
constexpr double kPiOver360 = 0.008726646259971648;

// A film size never below the smallest aperture, also when it is not a number.
double AtLeastSmallestAperture(double inches) {
    return inches >= RWyxCamera::kMinApertureSize ? inches : RWyxCamera::kMinApertureSize;
}

double ClampFieldOfView(double degrees) {
    if (std::isnan(degrees)) return RWyxCamera::kMaxFieldOfView;
    return std::clamp(degrees, RWyxCamera::kMinFieldOfView, RWyxCamera::kMaxFieldOfView);
}

}  // namespace

RWyxCamera::RWyxCamera(RWyxObjectFactory* factory)
    : RWyxCamera(factory, CreatePlugObject<RWyxCameraProperties>(nullptr)) {}

RWyxCamera::RWyxCamera(RWyxObjectFactory* factory, RWyxCameraProperties* properties)
    : RWyxChannelAttribute(factory, properties, properties->GetTable()) {
    Reset();
}

const char* RWyxCamera::GetChannelName(int row) const {
    // Named as a colour user property's channel, which is how the take nodes look it up.
    if (row == RWyxCameraProperties::kBackgroundColor) return "BackgroundColor (Color)";
    return RWyxChannelAttribute::GetChannelName(row);
}

void RWyxCamera::Reset() {
    ResetProperties();
    UpdateFieldOfView();
    position_ = RVector4(0.0, 0.0, 0.0, 1.0);
    positionPending_ = false;
    upVector_ = RVector4(0.0, 1.0, 0.0, 1.0);
    interestPosition_ = RVector4(0.0, 0.0, 0.0, 1.0);
    showInfoOnMoving_ = true;
    showAudio_ = false;
    audioColor_ = RVector4(0.0, 1.0, 0.0, 1.0);
}

// ---- position ---------------------------------------------------------------------------------

RProperty* RWyxCamera::OwnerTranslation() const {
    const RWyxNode* node = GetNode();
    const RWyxNodeProperties* properties = node != nullptr ? node->GetProperties() : nullptr;
    return properties != nullptr ? properties->FindProperty("Lcl Translation") : nullptr;
}

void RWyxCamera::Attach(RWyxNode* node) {
    RWyxChannelAttribute::Attach(node);
    RProperty* translation = OwnerTranslation();
    if (positionPending_ && translation != nullptr) translation->SetValue(position_);
    positionPending_ = false;
}

void RWyxCamera::Detach() {
    if (GetNode() != nullptr) position_ = GetPosition();
    positionPending_ = false;
    RWyxChannelAttribute::Detach();
}

void RWyxCamera::SetPosition(const RVector4& position) {
    position_ = RVector4(position.x, position.y, position.z, 1.0);
    RProperty* translation = OwnerTranslation();
    if (translation != nullptr) translation->SetValue(position_);
    positionPending_ = translation == nullptr;
}

RVector4 RWyxCamera::GetPosition() const {
    if (const RProperty* translation = OwnerTranslation()) {
        const RPropertyValue value = translation->GetValue();
        if (const RVector4* vector = std::get_if<RVector4>(&value)) return *vector;
    }
    return position_;
}

// ---- projection and clipping ----------------------------------------------------------------

bool RWyxCamera::SetProjectionType(int type) {
    if (type != kPerspective && type != kOrthographic) return false;
    return Table().SetInt(RWyxCameraProperties::kProjectionType, type);
}

void RWyxCamera::SetNearPlane(double distance) {
    if (std::isnan(distance)) return;
    const double nearPlane = std::clamp(distance, kMinPlane, kMaxPlane - kMinPlaneGap);
    Table().SetNumber(RWyxCameraProperties::kNearPlane, nearPlane);
    if (GetFarPlane() < nearPlane + kMinPlaneGap) {
        Table().SetNumber(RWyxCameraProperties::kFarPlane, nearPlane + kMinPlaneGap);
    }
}

void RWyxCamera::SetFarPlane(double distance) {
    if (std::isnan(distance)) return;
    const double farPlane = std::clamp(distance, kMinPlane + kMinPlaneGap, kMaxPlane);
    Table().SetNumber(RWyxCameraProperties::kFarPlane, farPlane);
    if (GetNearPlane() > farPlane - kMinPlaneGap) {
        Table().SetNumber(RWyxCameraProperties::kNearPlane, farPlane - kMinPlaneGap);
    }
}

// ---- lens and film ----------------------------------------------------------------------------

bool RWyxCamera::SetApertureMode(int mode) {
    if (mode < kApertureHorizontalAndVertical || mode > kApertureVertical) return false;
    Table().SetInt(RWyxCameraProperties::kApertureMode, mode);
    UpdateFieldOfView();
    return true;
}

void RWyxCamera::SetApertureWidth(double inches) {
    Table().SetNumber(RWyxCameraProperties::kApertureWidth, AtLeastSmallestAperture(inches));
    UpdateFieldOfView();
}

double RWyxCamera::GetApertureWidth() const {
    return AtLeastSmallestAperture(Table().GetNumber(RWyxCameraProperties::kApertureWidth));
}

void RWyxCamera::SetApertureHeight(double inches) {
    Table().SetNumber(RWyxCameraProperties::kApertureHeight, AtLeastSmallestAperture(inches));
    UpdateFieldOfView();
}

double RWyxCamera::GetApertureHeight() const {
    return AtLeastSmallestAperture(Table().GetNumber(RWyxCameraProperties::kApertureHeight));
}

void RWyxCamera::SetSqueezeRatio(double ratio) {
    Table().SetNumber(RWyxCameraProperties::kSqueezeRatio, ratio);
    UpdateFieldOfView();
}

bool RWyxCamera::SetFocalLength(double millimetres) {
    if (std::isnan(millimetres)) return false;
    Table().SetNumber(RWyxCameraProperties::kFocalLength, millimetres);
    UpdateFieldOfView();
    return true;
}

bool RWyxCamera::SetFieldOfView(double degrees) {
    if (std::isnan(degrees)) return false;
    const double fieldOfView = ClampFieldOfView(degrees);
    Table().SetNumber(RWyxCameraProperties::kFocalLength,
                      FocalLengthFromFieldOfView(fieldOfView, GetApertureWidth() * kMillimetresPerInch,
                                                 GetApertureHeight() * kMillimetresPerInch, GetSqueezeRatio(),
                                                 GetApertureMode()));
    SetChannelDefault(RWyxCameraProperties::kFieldOfView, fieldOfView);
    return true;
}

double RWyxCamera::GetFieldOfView() const {
    return ClampFieldOfView(FieldOfViewFromFocalLength(GetFocalLength(), GetApertureWidth() * kMillimetresPerInch,
                                                       GetApertureHeight() * kMillimetresPerInch, GetSqueezeRatio(),
                                                       GetApertureMode()));
}

void RWyxCamera::UpdateFieldOfView() { SetChannelDefault(RWyxCameraProperties::kFieldOfView, GetFieldOfView()); }

double RWyxCamera::FieldOfViewFromFocalLength(double focalLength, double filmWidth, double filmHeight,
                                              double squeezeRatio, int apertureMode) {
    if (apertureMode == kApertureVertical) return kDegreesPerHalfTurnOverPi * std::atan(0.5 * filmHeight / focalLength);
    return kDegreesPerHalfTurnOverPi * std::atan(0.5 * filmWidth / focalLength * squeezeRatio);
}

double RWyxCamera::FocalLengthFromFieldOfView(double fieldOfView, double filmWidth, double filmHeight,
                                              double squeezeRatio, int apertureMode) {
    if (fieldOfView == 0.0) return 0.0;
    const double tangent = std::tan(fieldOfView * kPiOver360);
    if (apertureMode == kApertureVertical) return 0.5 * filmHeight / tangent;
    return 0.5 * filmWidth * squeezeRatio / tangent;
}

// ---- channel defaults -------------------------------------------------------------------------

void RWyxCamera::SetDefaultBackgroundColor(double red, double green, double blue) {
    SetChannelDefaultVector(RWyxCameraProperties::kBackgroundColor, RVector4(red, green, blue, 1.0));
}
