// The node attribute inside a version-5 Model record: plain fields of the record, chosen by
// the attribute's kind (flag 0 off writes meshes, NURBS, patches and unknown kinds as a null).
//
//   none, null       Type: "Null"; TypeFlags: "Null"; Properties { Version: 100; Size }
//   marker           Type: "Marker" / "OpticalMarker" / "IKEffector" / "FKEffector";
//                    TypeFlags: "Marker"; Properties { Version; Look; Size; Color; ShowLabel };
//                    IKReachTranslation, IKReachRotation (IK effectors, when not keyed);
//                    Channel: "Color" { Channel: "X" { Default } ... }
//   optical          Type: "Optical"; TypeFlags: "Marker"
//   camera           the camera record below
//   camera switcher  AnimationMode: "Global"; Version: 100; Name: "Camera Switcher";
//                    CameraId; CameraName: 100
//   light            Type; TypeFlags; GeometryVersion: 123; LightTypeVersion: 202; LightType;
//                    CastLight; Color; Intensity; ConeAngle; Fog
//   skeleton         Type: "Root" (types 0 and 3), "Limb", "LimbNode"; TypeFlags; LimbLength
//                    (limbs); Properties { Version; Size; Color (limbs and limb nodes) }
//   mesh, NURBS, patch   RWyxWriterWyx5Geometry.cpp
//
// Camera record: Type: "Camera" (not for a producer camera); TypeFlags; Version: 220; Name: its
// node's full name;
// Position; Up; LookAt; Roll; TurnTable; Type: the projection; FormatName; AspectType;
// AspectW; AspectH; PixelRatio; NearPlane; FarPlane; CameraLock; ApertureFormat;
// ApertureMode; CameraAperture: width, height; SqueezeRatio; FocalLength; Aperture: the field
// of view; FieldOfViewXProperty; FieldOfViewYProperty; OpticalCenterXProperty;
// OpticalCenterYProperty; Media (when it has one); ViewFrustumPlane; BackgroundMode;
// ForegroundTransparent; BackgroundTreshold; DisplayMode: FitImage 1 | Center 2 | KeepRatio 4
// | Crop 8; ViewFrustumPlaneDistance; ViewFrustumPlaneDistanceMode; ViewLookAt; ViewFrustum;
// ShowGrid; ShowAzimut; ShowName; ShowInfoOnMoving; ShowTimeCode; DisplaySafeArea;
// SafeAreaStyle; DisplaySafeAreaOnRender; ShowAudio; BackGroundColor; AudioColor;
// UseFrameColor; FrameColor; CameraAndLens { DepthOfField: use, focus source, focus angle,
// focus distance; Antialiasing: use, method, intensity; OverSampling: frame sampling count,
// type, accumulation buffer; UseOverSamplingTime }.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCameraProperties.h"
#include "attributes/RWyxCameraSwitcher.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkeleton.h"
#include "core/RDataType.h"
#include "core/RWyxColor.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/WyxFields.h"

using namespace wyx_fields;

namespace {

constexpr int kPropertiesVersion = 100;
constexpr int kCameraVersion = 220;
constexpr int kSwitcherVersion = 100;
constexpr int kSwitcherCameraName = 100;
constexpr int kLightGeometryVersion = 123;
constexpr int kLightTypeVersion = 202;
constexpr double kNoNullSize = 100.0;
using Attribute = RWyxNodeAttribute;
using Props = RWyxCameraProperties;

void WriteColor(RWyxFile& file, const char* name, const RWyxColor& color) {
    WriteField(file, name, color.GetRed(), color.GetGreen(), color.GetBlue());
}

const char* OrCustom(const char* name) { return name != nullptr ? name : "Custom"; }

}  // namespace

void RWyxWriterWyx5::WriteNodeAttribute(RWyxNode& node) {
    RWyxNodeAttribute* attribute = node.GetNodeAttribute();
    if (attribute == nullptr) {
        WriteNullRecord(nullptr);
        return;
    }
    const bool geometry = Flag(RStreamOptionsWyx::kFlagGeometry);
    switch (attribute->GetAttributeType()) {
    case Attribute::kNull:
        WriteNullRecord(static_cast<RWyxNull*>(attribute));
        return;
    case Attribute::kMarker:
        WriteMarkerRecord(node, *static_cast<RWyxMarker*>(attribute));
        return;
    case Attribute::kSkeleton:
        WriteSkeletonRecord(*static_cast<RWyxSkeleton*>(attribute));
        return;
    case Attribute::kCamera:
        WriteCameraRecord(*static_cast<RWyxCamera*>(attribute), false);
        return;
    case Attribute::kCameraSwitcher: {
        RWyxFile& file = File();
        WriteField(file, "AnimationMode", "Global");
        WriteField(file, "Version", kSwitcherVersion);
        WriteField(file, "Name", "Camera Switcher");
        WriteField(file, "CameraId", static_cast<RWyxCameraSwitcher*>(attribute)->GetCameraIndex());
        WriteField(file, "CameraName", kSwitcherCameraName);
        return;
    }
    case Attribute::kLight:
        WriteLightRecord(*static_cast<RWyxLight*>(attribute));
        return;
    case Attribute::kOptical:
        WriteField(File(), "Type", "Optical");
        WriteField(File(), "TypeFlags", "Marker");
        return;
    case Attribute::kMesh:
        if (geometry) WriteMesh(node, *static_cast<RWyxMesh*>(attribute));
        break;
    case Attribute::kNurb:
        if (geometry) WriteNurb(node, *static_cast<RWyxNurb*>(attribute));
        break;
    case Attribute::kPatch:
        if (geometry) WritePatch(node, *static_cast<RWyxPatch*>(attribute));
        break;
    default:
        break;
    }
    if (!geometry) WriteNullRecord(nullptr);
}

void RWyxWriterWyx5::WriteNullRecord(const RWyxNull* null) {
    RWyxFile& file = File();
    WriteField(file, "Type", "Null");
    WriteField(file, "TypeFlags", "Null");
    FieldBlock properties(file, "Properties");
    WriteField(file, "Version", kPropertiesVersion);
    WriteField(file, "Size", null != nullptr ? null->GetSize() : kNoNullSize);
}

void RWyxWriterWyx5::WriteMarkerRecord(RWyxNode& node, const RWyxMarker& marker) {
    static const char* const kTypes[] = {"Marker", "OpticalMarker", "IKEffector", "FKEffector"};
    RWyxFile& file = File();
    const int type = marker.GetType();
    if (type >= 0 && type < 4) WriteField(file, "Type", kTypes[type]);
    WriteField(file, "TypeFlags", "Marker");
    const RWyxColor color = marker.GetColor();
    {
        FieldBlock properties(file, "Properties");
        WriteField(file, "Version", kPropertiesVersion);
        WriteField(file, "Look", marker.GetLook());
        WriteField(file, "Size", marker.GetSize());
        WriteColor(file, "Color", color);
        WriteField(file, "ShowLabel", marker.GetShowLabel());
    }
    if (type == RWyxMarker::kIKEffector) {
        const auto keyed = [&node](const char* dataType) {
            return node.IsAnimatedInAnyTakeByType(nullptr, nullptr, RDataType::FindByName(dataType));
        };
        if (!keyed("IK Reach Translation")) WriteField(file, "IKReachTranslation", marker.GetIKReachTranslation());
        if (!keyed("IK Reach Rotation")) WriteField(file, "IKReachRotation", marker.GetIKReachRotation());
    }
    FieldBlock channel(file, "Channel", "Color");
    const double components[3] = {color.GetRed(), color.GetGreen(), color.GetBlue()};
    const char* const names[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        FieldBlock component(file, "Channel", names[i]);
        WriteField(file, "Default", components[i]);
    }
}

void RWyxWriterWyx5::WriteCameraRecord(const RWyxCamera& camera, bool producer) {
    RWyxFile& file = File();
    const RWyxPropertyTable& table = camera.GetProperties()->GetTable();
    const auto number = [&table](int row) { return table.GetNumber(row); };
    const auto integer = [&table](int row) { return table.GetInt(row); };
    const auto flag = [&table](int row) { return table.GetBool(row); };
    const auto vector = [&](const char* name, int row) { WriteVector3(file, name, table.GetVector(row)); };
    if (!producer) WriteField(file, "Type", "Camera");
    WriteField(file, "TypeFlags", "Camera");
    WriteField(file, "Version", kCameraVersion);
    // An attribute has no name of its own: the camera is named by its node.
    WriteField(file, "Name", camera.GetNode() != nullptr ? camera.GetNode()->GetName() : RString());
    WriteVector3(file, "Position", camera.GetPosition());
    WriteVector3(file, "Up", camera.GetUpVector());
    WriteVector3(file, "LookAt", camera.GetInterestPosition());
    WriteField(file, "Roll", number(Props::kRoll));
    WriteField(file, "TurnTable", number(Props::kTurnTable));
    WriteField(file, "Type", camera.GetProjectionType());
    WriteField(file, "FormatName", OrCustom(Props::CameraFormatName(integer(Props::kCameraFormat))));
    WriteField(file, "AspectType", integer(Props::kResolutionMode));
    WriteField(file, "AspectW", number(Props::kAspectWidth));
    WriteField(file, "AspectH", number(Props::kAspectHeight));
    WriteField(file, "PixelRatio", number(Props::kPixelAspectRatio));
    WriteField(file, "NearPlane", camera.GetNearPlane());
    WriteField(file, "FarPlane", camera.GetFarPlane());
    WriteField(file, "CameraLock", flag(Props::kLockMode));
    WriteField(file, "ApertureFormat", OrCustom(Props::ApertureFormatName(integer(Props::kApertureFormat))));
    WriteField(file, "ApertureMode", camera.GetApertureMode());
    WriteField(file, "CameraAperture", camera.GetApertureWidth(), camera.GetApertureHeight());
    WriteField(file, "SqueezeRatio", camera.GetSqueezeRatio());
    WriteField(file, "FocalLength", camera.GetFocalLength());
    WriteField(file, "Aperture", camera.GetFieldOfView());
    WriteField(file, "FieldOfViewXProperty", camera.GetDefaultFieldOfViewX());
    WriteField(file, "FieldOfViewYProperty", camera.GetDefaultFieldOfViewY());
    WriteField(file, "OpticalCenterXProperty", camera.GetDefaultOpticalCenterX());
    WriteField(file, "OpticalCenterYProperty", camera.GetDefaultOpticalCenterY());
    const RString media = camera.GetBackgroundMediaName();
    if (!media.IsEmptyText()) WriteField(file, "Media", media);
    WriteField(file, "ViewFrustumPlane", integer(Props::kViewFrustumBackPlaneMode));
    WriteField(file, "BackgroundMode", integer(Props::kBackgroundMode));
    WriteField(file, "ForegroundTransparent", flag(Props::kForegroundTransparent));
    WriteField(file, "BackgroundTreshold", number(Props::kBackgroundAlphaTreshold));
    const int display = (flag(Props::kFitImage) ? 1 : 0) | (flag(Props::kCenter) ? 2 : 0) |
                        (flag(Props::kKeepRatio) ? 4 : 0) | (flag(Props::kCrop) ? 8 : 0);
    WriteField(file, "DisplayMode", display);
    WriteField(file, "ViewFrustumPlaneDistance", number(Props::kBackPlaneDistance));
    WriteField(file, "ViewFrustumPlaneDistanceMode", integer(Props::kBackPlaneDistanceMode));
    WriteField(file, "ViewLookAt", flag(Props::kViewCameraToLookAt));
    WriteField(file, "ViewFrustum", flag(Props::kViewFrustumNearFarPlane));
    WriteField(file, "ShowGrid", flag(Props::kShowGrid));
    WriteField(file, "ShowAzimut", flag(Props::kShowAzimut));
    WriteField(file, "ShowName", flag(Props::kShowName));
    WriteField(file, "ShowInfoOnMoving", camera.GetShowInfoOnMoving());
    WriteField(file, "ShowTimeCode", flag(Props::kShowTimeCode));
    WriteField(file, "DisplaySafeArea", flag(Props::kDisplaySafeArea));
    WriteField(file, "SafeAreaStyle", integer(Props::kSafeAreaDisplayStyle));
    WriteField(file, "DisplaySafeAreaOnRender", flag(Props::kDisplaySafeAreaOnRender));
    WriteField(file, "ShowAudio", camera.GetShowAudio());
    WriteVector3(file, "BackGroundColor", camera.GetDefaultBackgroundColor());
    WriteVector3(file, "AudioColor", camera.GetAudioColor());
    WriteField(file, "UseFrameColor", flag(Props::kUseFrameColor));
    vector("FrameColor", Props::kFrameColor);
    FieldBlock lens(file, "CameraAndLens");
    WriteField(file, "DepthOfField", flag(Props::kUseDepthOfField), integer(Props::kFocusSource),
               number(Props::kFocusAngle), camera.GetFocusDistance());
    WriteField(file, "Antialiasing", flag(Props::kUseAntialiasing), integer(Props::kAntialiasingMethod),
               number(Props::kAntialiasingIntensity));
    WriteField(file, "OverSampling", integer(Props::kFrameSamplingCount), integer(Props::kFrameSamplingType),
               flag(Props::kUseAccumulationBuffer));
    WriteField(file, "UseOverSamplingTime", !flag(Props::kUseRealTimeDOFAndAA));
}

void RWyxWriterWyx5::WriteLightRecord(const RWyxLight& light) {
    RWyxFile& file = File();
    WriteField(file, "Type", "Light");
    WriteField(file, "TypeFlags", "Light");
    WriteField(file, "GeometryVersion", kLightGeometryVersion);
    WriteField(file, "LightTypeVersion", kLightTypeVersion);
    WriteField(file, "LightType", light.GetLightType());
    WriteField(file, "CastLight", light.GetCastLight());
    WriteVector3(file, "Color", light.GetDefaultColor());
    WriteField(file, "Intensity", light.GetDefaultIntensity());
    WriteField(file, "ConeAngle", light.GetDefaultConeAngle());
    WriteField(file, "Fog", light.GetDefaultFog());
}

void RWyxWriterWyx5::WriteSkeletonRecord(const RWyxSkeleton& skeleton) {
    RWyxFile& file = File();
    const int type = skeleton.GetSkeletonType();
    const bool root = type == RWyxSkeleton::kRoot || type == RWyxSkeleton::kEffectorRoot;
    if (!root && type != RWyxSkeleton::kLimb && type != RWyxSkeleton::kLimbNode) return;
    if (root) {
        WriteField(file, "Type", "Root");
        WriteField(file, "TypeFlags", "Null", "Skeleton", "Root");
    } else {
        WriteField(file, "Type", type == RWyxSkeleton::kLimb ? "Limb" : "LimbNode");
        WriteField(file, "TypeFlags", "Skeleton");
        if (type == RWyxSkeleton::kLimb) WriteField(file, "LimbLength", skeleton.GetLimbLength());
    }
    FieldBlock properties(file, "Properties");
    WriteField(file, "Version", kPropertiesVersion);
    WriteField(file, "Size", skeleton.GetSize());
    if (!root) WriteColor(file, "Color", skeleton.GetColor());
}
