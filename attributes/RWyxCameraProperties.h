#ifndef WYX_ATTRIBUTES_RWYXCAMERAPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXCAMERAPROPERTIES_H

// The properties object of a camera: projection, format, clipping planes, film and lens,
// background and display options, depth of field and antialiasing, and the animatable
// "Roll", "TurnTable", "FieldOfView", "FieldOfViewX", "FieldOfViewY", "OpticalCenterX",
// "OpticalCenterY" and "BackgroundColor", whose channels the camera adds to its owner's take
// nodes. The table in the source is the one list of the camera's properties, in the order of
// the camera record; the writers read them by these names.
//
// Film sizes are in inches, the focal length in millimetres, angles in degrees.

#include "attributes/RWyxAttributeProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxCameraProperties : public RWyxAttributeProperties {
    WYX_DECLARE_CLASS(RWyxCameraProperties)

public:
    // Rows, in table order.
    enum Row {
        kRoll,
        kTurnTable,
        kProjectionType,
        kCameraFormat,
        kResolutionMode,
        kAspectWidth,
        kAspectHeight,
        kPixelAspectRatio,
        kNearPlane,
        kFarPlane,
        kLockMode,
        kApertureFormat,
        kApertureMode,
        kApertureWidth,
        kApertureHeight,
        kSqueezeRatio,
        kFocalLength,
        kFieldOfView,
        kFieldOfViewX,
        kFieldOfViewY,
        kOpticalCenterX,
        kOpticalCenterY,
        kBackgroundFileName,
        kBackgroundMediaName,
        kViewFrustumBackPlaneMode,
        kBackgroundMode,
        kForegroundTransparent,
        kBackgroundAlphaTreshold,
        kFitImage,
        kCenter,
        kKeepRatio,
        kCrop,
        kBackPlaneDistance,
        kBackPlaneDistanceMode,
        kViewCameraToLookAt,
        kViewFrustumNearFarPlane,
        kShowGrid,
        kShowAzimut,
        kShowName,
        kShowTimeCode,
        kDisplaySafeArea,
        kSafeAreaDisplayStyle,
        kDisplaySafeAreaOnRender,
        kBackgroundColor,
        kUseFrameColor,
        kFrameColor,
        kUseDepthOfField,
        kFocusSource,
        kFocusAngle,
        kFocusDistance,
        kUseAntialiasing,
        kAntialiasingMethod,
        kAntialiasingIntensity,
        kFrameSamplingCount,
        kFrameSamplingType,
        kUseAccumulationBuffer,
        kUseRealTimeDOFAndAA,
        kRowCount
    };
    static const RWyxPropertyRow kRows[kRowCount];

    // The properties with their defaults. Ends through Destroy().
    RWyxCameraProperties();

    RWyxPropertyTable& GetTable() { return table_; }
    const RWyxPropertyTable& GetTable() const { return table_; }

    // Names of the enumerations; null for a value outside the list.
    // 0 "Perspective", 1 "Orthogonal".
    static const char* ProjectionTypeName(int type);
    // 0 "Custom", 1 "D1 NTSC" ... 10 "Full Screen" (9 is "Custom" too).
    static const char* CameraFormatName(int format);
    // 0 "Custom", 1 "16mm Theatrical" ... 11 "Imax".
    static const char* ApertureFormatName(int format);
    // 0 "Horizontal & Vertical", 1 "Horizontal", 2 "Vertical".
    static const char* ApertureModeName(int mode);
    // 0 "Camera Interest", 1 "Specific Distance".
    static const char* FocusSourceName(int source);

protected:
    ~RWyxCameraProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
