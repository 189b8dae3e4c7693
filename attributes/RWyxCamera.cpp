#include "attributes/RWyxCamera.h"

#include "core/RProperty.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"

#include <algorithm>
#include <cmath>
#include <utility>
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
    // The properties were made with their defaults: the rest of the camera follows them.
    ResetOwnState();
}

const char* RWyxCamera::GetChannelName(int row) const {
    // Named as a colour user property's channel, which is how the take nodes look it up.
    if (row == RWyxCameraProperties::kBackgroundColor) return "BackgroundColor (Color)";
    return RWyxChannelAttribute::GetChannelName(row);
}

void RWyxCamera::Reset() {
    // The defaults agree with each other: none of them moves another on the way.
    const bool following = std::exchange(following_, true);
    ResetProperties();
    following_ = following;
    ResetOwnState();
}

void RWyxCamera::ResetOwnState() {
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

bool RWyxCamera::SetProjectionType(int type) { return Table().SetInt(RWyxCameraProperties::kProjectionType, type); }

void RWyxCamera::SetNearPlane(double distance) {
    if (std::isnan(distance)) return;
    Table().SetNumber(RWyxCameraProperties::kNearPlane, std::clamp(distance, kMinPlane, kMaxPlane - kMinPlaneGap));
}

void RWyxCamera::SetFarPlane(double distance) {
    if (std::isnan(distance)) return;
    Table().SetNumber(RWyxCameraProperties::kFarPlane, std::clamp(distance, kMinPlane + kMinPlaneGap, kMaxPlane));
}

// ---- lens and film ----------------------------------------------------------------------------

bool RWyxCamera::SetApertureMode(int mode) { return Table().SetInt(RWyxCameraProperties::kApertureMode, mode); }

bool RWyxCamera::SetApertureWidth(double inches) {
    return !std::isinf(inches) && Table().SetNumber(RWyxCameraProperties::kApertureWidth, AtLeastSmallestAperture(inches));
}

double RWyxCamera::GetApertureWidth() const {
    return AtLeastSmallestAperture(Table().GetNumber(RWyxCameraProperties::kApertureWidth));
}

bool RWyxCamera::SetApertureHeight(double inches) {
    return !std::isinf(inches) &&
           Table().SetNumber(RWyxCameraProperties::kApertureHeight, AtLeastSmallestAperture(inches));
}

double RWyxCamera::GetApertureHeight() const {
    return AtLeastSmallestAperture(Table().GetNumber(RWyxCameraProperties::kApertureHeight));
}

bool RWyxCamera::SetSqueezeRatio(double ratio) { return Table().SetNumber(RWyxCameraProperties::kSqueezeRatio, ratio); }

bool RWyxCamera::SetFocalLength(double millimetres) {
    return Table().SetNumber(RWyxCameraProperties::kFocalLength, millimetres);
}

bool RWyxCamera::SetFieldOfView(double degrees) {
    return !std::isnan(degrees) && Table().SetNumber(RWyxCameraProperties::kFieldOfView, ClampFieldOfView(degrees));
}

double RWyxCamera::GetFieldOfView() const {
    return ClampFieldOfView(FieldOfViewFromFocalLength(GetFocalLength(), GetApertureWidth() * kMillimetresPerInch,
                                                       GetApertureHeight() * kMillimetresPerInch, GetSqueezeRatio(),
                                                       GetApertureMode()));
}

// ---- the rules, whoever writes ------------------------------------------------------------------

bool RWyxCamera::AcceptsValue(int row, const RPropertyValue& value) const {
    const int* integer = std::get_if<int>(&value);
    const double* number = std::get_if<double>(&value);
    switch (row) {
        case RWyxCameraProperties::kProjectionType:
            return integer == nullptr || *integer == kPerspective || *integer == kOrthographic;
        case RWyxCameraProperties::kApertureMode:
            return integer == nullptr || (*integer >= kApertureHorizontalAndVertical && *integer <= kApertureVertical);
        case RWyxCameraProperties::kApertureWidth:
        case RWyxCameraProperties::kApertureHeight:
        case RWyxCameraProperties::kSqueezeRatio:
        case RWyxCameraProperties::kFocalLength: return number == nullptr || (std::isfinite(*number) && *number > 0.0);
        case RWyxCameraProperties::kNearPlane:
        case RWyxCameraProperties::kFarPlane:
        case RWyxCameraProperties::kFieldOfView: return number == nullptr || !std::isnan(*number);
        default: return true;
    }
}

void RWyxCamera::OnValueChanged(int row) {
    if (!following_) {
        switch (row) {
            case RWyxCameraProperties::kNearPlane: KeepPlanesApart(true); break;
            case RWyxCameraProperties::kFarPlane: KeepPlanesApart(false); break;
            case RWyxCameraProperties::kFieldOfView: FollowFieldOfView(); break;
            case RWyxCameraProperties::kApertureMode:
            case RWyxCameraProperties::kApertureWidth:
            case RWyxCameraProperties::kApertureHeight:
            case RWyxCameraProperties::kSqueezeRatio:
            case RWyxCameraProperties::kFocalLength: UpdateFieldOfView(); break;
            default: break;
        }
    }
    RWyxChannelAttribute::OnValueChanged(row);
}

void RWyxCamera::KeepPlanesApart(bool nearMoved) {
    const bool following = std::exchange(following_, true);
    const int moved = nearMoved ? RWyxCameraProperties::kNearPlane : RWyxCameraProperties::kFarPlane;
    const double lowest = nearMoved ? kMinPlane : kMinPlane + kMinPlaneGap;
    const double highest = nearMoved ? kMaxPlane - kMinPlaneGap : kMaxPlane;
    const double written = Table().GetNumber(moved);
    const double kept = std::clamp(written, lowest, highest);
    if (kept != written) Table().SetNumber(moved, kept);
    if (nearMoved && GetFarPlane() < kept + kMinPlaneGap) {
        Table().SetNumber(RWyxCameraProperties::kFarPlane, kept + kMinPlaneGap);
    } else if (!nearMoved && GetNearPlane() > kept - kMinPlaneGap) {
        Table().SetNumber(RWyxCameraProperties::kNearPlane, kept - kMinPlaneGap);
    }
    following_ = following;
}

void RWyxCamera::FollowFieldOfView() {
    const bool following = std::exchange(following_, true);
    const double written = Table().GetNumber(RWyxCameraProperties::kFieldOfView);
    const double fieldOfView = ClampFieldOfView(written);
    if (fieldOfView != written) Table().SetNumber(RWyxCameraProperties::kFieldOfView, fieldOfView);
    Table().SetNumber(RWyxCameraProperties::kFocalLength,
                      FocalLengthFromFieldOfView(fieldOfView, GetApertureWidth() * kMillimetresPerInch,
                                                 GetApertureHeight() * kMillimetresPerInch, GetSqueezeRatio(),
                                                 GetApertureMode()));
    following_ = following;
}

void RWyxCamera::UpdateFieldOfView() {
    const bool following = std::exchange(following_, true);
    Table().SetNumber(RWyxCameraProperties::kFieldOfView, GetFieldOfView());
    following_ = following;
}

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
