#include "attributes/RWyxCameraProperties.h"

namespace {

const char* ProjectionTypeNameOf(const RProperty& /*property*/, int value) {
    return RWyxCameraProperties::ProjectionTypeName(value);
}
const char* CameraFormatNameOf(const RProperty& /*property*/, int value) {
    return RWyxCameraProperties::CameraFormatName(value);
}
const char* ApertureFormatNameOf(const RProperty& /*property*/, int value) {
    return RWyxCameraProperties::ApertureFormatName(value);
}
const char* ApertureModeNameOf(const RProperty& /*property*/, int value) {
    return RWyxCameraProperties::ApertureModeName(value);
}
const char* FocusSourceNameOf(const RProperty& /*property*/, int value) {
    return RWyxCameraProperties::FocusSourceName(value);
}

using Default = RWyxPropertyDefault;
constexpr std::uint32_t kAnimatable = RWyxPropertyRow::kAnimatable;

// A 35 mm lens on a 36 x 24 mm film, fitted horizontally.
constexpr double kDefaultFilmWidth = 36.0 / 25.4;
constexpr double kDefaultFilmHeight = 24.0 / 25.4;
constexpr double kDefaultFocalLength = 35.0;
// 2 atan(18 / 35) in degrees: the horizontal field of view of that lens and film.
constexpr double kDefaultFieldOfView = 54.43222311461495;

}  // namespace

const RWyxPropertyRow RWyxCameraProperties::kRows[kRowCount] = {
    {"Roll", "Roll", Default::Number(0.0), kAnimatable, nullptr},
    {"TurnTable", "Number", Default::Number(0.0), kAnimatable, nullptr},
    {"ProjectionType", "Enum", Default::Number(0), 0, &ProjectionTypeNameOf},
    {"CameraFormat", "Enum", Default::Number(0), 0, &CameraFormatNameOf},
    {"ResolutionMode", "Enum", Default::Number(0), 0, nullptr},
    {"AspectWidth", "Number", Default::Number(640.0), 0, nullptr},
    {"AspectHeight", "Number", Default::Number(480.0), 0, nullptr},
    {"PixelAspectRatio", "Number", Default::Number(1.0), 0, nullptr},
    {"NearPlane", "Number", Default::Number(10.0), 0, nullptr},
    {"FarPlane", "Number", Default::Number(4000.0), 0, nullptr},
    {"LockMode", "Bool", Default::Flag(false), 0, nullptr},
    {"ApertureFormat", "Enum", Default::Number(0), 0, &ApertureFormatNameOf},
    {"ApertureMode", "Enum", Default::Number(1), 0, &ApertureModeNameOf},
    {"ApertureWidth", "Number", Default::Number(kDefaultFilmWidth), 0, nullptr},
    {"ApertureHeight", "Number", Default::Number(kDefaultFilmHeight), 0, nullptr},
    {"SqueezeRatio", "Number", Default::Number(1.0), 0, nullptr},
    {"FocalLength", "Number", Default::Number(kDefaultFocalLength), 0, nullptr},
    {"FieldOfView", "FieldOfView", Default::Number(kDefaultFieldOfView), kAnimatable, nullptr},
    {"FieldOfViewX", "Number", Default::Number(40.0), kAnimatable, nullptr},
    {"FieldOfViewY", "Number", Default::Number(40.0), kAnimatable, nullptr},
    {"OpticalCenterX", "Number", Default::Number(0.0), kAnimatable, nullptr},
    {"OpticalCenterY", "Number", Default::Number(0.0), kAnimatable, nullptr},
    {"BackgroundFileName", "RString", Default::Text(""), 0, nullptr},
    {"BackgroundMediaName", "RString", Default::Text(""), 0, nullptr},
    {"ViewFrustumBackPlaneMode", "Enum", Default::Number(0), 0, nullptr},
    {"BackgroundMode", "Enum", Default::Number(0), 0, nullptr},
    {"ForegroundTransparent", "Bool", Default::Flag(true), 0, nullptr},
    {"BackgroundAlphaTreshold", "Number", Default::Number(0.5), 0, nullptr},
    {"FitImage", "Bool", Default::Flag(false), 0, nullptr},
    {"Center", "Bool", Default::Flag(true), 0, nullptr},
    {"KeepRatio", "Bool", Default::Flag(true), 0, nullptr},
    {"Crop", "Bool", Default::Flag(false), 0, nullptr},
    {"BackPlaneDistance", "Number", Default::Number(100.0), 0, nullptr},
    {"BackPlaneDistanceMode", "Enum", Default::Number(0), 0, nullptr},
    {"ViewCameraToLookAt", "Bool", Default::Flag(true), 0, nullptr},
    {"ViewFrustumNearFarPlane", "Bool", Default::Flag(false), 0, nullptr},
    {"ShowGrid", "Bool", Default::Flag(true), 0, nullptr},
    {"ShowAzimut", "Bool", Default::Flag(true), 0, nullptr},
    {"ShowName", "Bool", Default::Flag(true), 0, nullptr},
    {"ShowTimeCode", "Bool", Default::Flag(false), 0, nullptr},
    {"DisplaySafeArea", "Bool", Default::Flag(false), 0, nullptr},
    {"SafeAreaDisplayStyle", "Enum", Default::Number(1), 0, nullptr},
    {"DisplaySafeAreaOnRender", "Bool", Default::Flag(false), 0, nullptr},
    {"BackgroundColor", "Color", Default::Vector(0.0, 0.0, 0.0), kAnimatable, nullptr},
    {"UseFrameColor", "Bool", Default::Flag(false), 0, nullptr},
    {"FrameColor", "Color", Default::Vector(0.3, 0.3, 0.3), 0, nullptr},
    {"UseDepthOfField", "Bool", Default::Flag(false), 0, nullptr},
    {"FocusSource", "Enum", Default::Number(0), 0, &FocusSourceNameOf},
    {"FocusAngle", "Number", Default::Number(3.5), 0, nullptr},
    {"FocusDistance", "Number", Default::Number(200.0), 0, nullptr},
    {"UseAntialiasing", "Bool", Default::Flag(false), 0, nullptr},
    {"AntialiasingMethod", "Enum", Default::Number(0), 0, nullptr},
    {"AntialiasingIntensity", "Number", Default::Number(0.77777), 0, nullptr},
    {"FrameSamplingCount", "Integer", Default::Number(7), 0, nullptr},
    {"FrameSamplingType", "Enum", Default::Number(1), 0, nullptr},
    {"UseAccumulationBuffer", "Bool", Default::Flag(false), 0, nullptr},
    {"UseRealTimeDOFAndAA", "Bool", Default::Flag(false), 0, nullptr},
};

RWyxCameraProperties::RWyxCameraProperties() { table_.CreateProperties(*this); }

const char* RWyxCameraProperties::ProjectionTypeName(int type) {
    static const char* const kNames[] = {"Perspective", "Orthogonal"};
    return RWyxPropertyTable::NameAt(kNames, type);
}

const char* RWyxCameraProperties::CameraFormatName(int format) {
    static const char* const kNames[] = {"Custom", "D1 NTSC", "NTSC",    "PAL",    "D1 PAL",     "HD",
                                         "640x480", "320x200", "320x240", "Custom", "Full Screen"};
    return RWyxPropertyTable::NameAt(kNames, format);
}

const char* RWyxCameraProperties::ApertureFormatName(int format) {
    static const char* const kNames[] = {"Custom",           "16mm Theatrical",      "Super 16mm",
                                         "35mm Academy",     "35mm TV Projection",   "35mm Full Aperture",
                                         "35mm 1.85 Projection", "35mm Anamorphic",  "70mm Projection",
                                         "VistaVision",      "Dynavision",           "Imax"};
    return RWyxPropertyTable::NameAt(kNames, format);
}

const char* RWyxCameraProperties::ApertureModeName(int mode) {
    static const char* const kNames[] = {"Horizontal & Vertical", "Horizontal", "Vertical"};
    return RWyxPropertyTable::NameAt(kNames, mode);
}

const char* RWyxCameraProperties::FocusSourceName(int source) {
    static const char* const kNames[] = {"Camera Interest", "Specific Distance"};
    return RWyxPropertyTable::NameAt(kNames, source);
}
