#ifndef WYX_ATTRIBUTES_RWYXCAMERA_H
#define WYX_ATTRIBUTES_RWYXCAMERA_H

// The camera attribute of a node. Its position is the owner node's "Lcl Translation"; the up
// vector, the interest position, the info-on-moving and audio switches and the audio colour
// are the camera's own fields; every other value is a property of its properties object
// (RWyxCameraProperties), and the animatable ones are channels of its owner's take nodes
// ("FieldOfView", "FieldOfViewX", "FieldOfViewY", "OpticalCenterX", "OpticalCenterY", "Roll",
// "TurnTable", "BackgroundColor (Color)"). Made by the object factory and destroyed through it.
//
// Lens: the field of view follows from the film (aperture width and height in inches, squeeze
// ratio), the focal length in millimetres and the aperture mode: the vertical mode measures
// the film height, the others the film width times the squeeze ratio. The focal length is the
// lens; changing the film, the mode or the focal length changes the field of view, and setting
// a field of view sets the focal length that gives it, so that "FieldOfView" always agrees
// with the lens. Fields of view lie within [1, 179] degrees.
//
// The rules hold for every write, through a setter or straight through a property (as a
// reader writes): a projection type other than 0 or 1, an aperture mode outside 0 to 2, a
// focal length, squeeze ratio or film size that is 0, negative, infinite or not a number, and
// a plane or field of view that is not a number are refused; planes and fields of view
// outside their ranges are brought into them, and a plane set past the other pushes it along.
//
// A camera that is not attached to a node keeps its own position and answers it, and every
// accessor that reads through the owner node answers the camera's own value when detached.

#include "attributes/RWyxCameraProperties.h"
#include "attributes/RWyxChannelAttribute.h"
#include "core/RString.h"
#include "core/RVector4.h"

class RWyxCamera : public RWyxChannelAttribute {
public:
    // Projection types.
    static constexpr int kPerspective = 0;
    static constexpr int kOrthographic = 1;
    // Aperture modes.
    static constexpr int kApertureHorizontalAndVertical = 0;
    static constexpr int kApertureHorizontal = 1;
    static constexpr int kApertureVertical = 2;

    // Limits.
    static constexpr double kMinFieldOfView = 1.0;
    static constexpr double kMaxFieldOfView = 179.0;
    static constexpr double kMinPlane = 0.001;
    static constexpr double kMaxPlane = 600000.0;
    // The least distance between the near and the far plane.
    static constexpr double kMinPlaneGap = 0.001;
    static constexpr double kMinApertureSize = 0.0001;
    static constexpr double kMillimetresPerInch = 25.4;

    // A camera with the defaults (Reset).
    explicit RWyxCamera(RWyxObjectFactory* factory);

    int GetAttributeType() const override { return kCamera; }
    // "Camera"; the type-name list is {"Camera"}.
    RString GetTypeName() const override { return RString("Camera"); }
    // "BackgroundColor" has the channel "BackgroundColor (Color)".
    const char* GetChannelName(int row) const override;
    // A position given while detached becomes the new owner's "Lcl Translation".
    void Attach(RWyxNode* node) override;
    // The camera keeps the owner's position as its own.
    void Detach() override;

    // Every property back to its default (the channel defaults of the owner's default take
    // follow), the up vector (0, 1, 0), the interest position and the own position at the
    // origin, info on moving on, audio off with a green audio colour.
    void Reset();

    // ---- position and orientation -------------------------------------------------------------
    // Attached: the owner's "Lcl Translation". Detached: the camera's own position.
    void SetPosition(const RVector4& position);
    RVector4 GetPosition() const;
    void SetUpVector(const RVector4& up) { upVector_ = up; }
    const RVector4& GetUpVector() const { return upVector_; }
    void SetInterestPosition(const RVector4& position) { interestPosition_ = position; }
    const RVector4& GetInterestPosition() const { return interestPosition_; }

    // ---- projection and clipping --------------------------------------------------------------
    // 0 perspective, 1 orthographic; false, nothing changed, for any other value.
    bool SetProjectionType(int type);
    int GetProjectionType() const { return Table().GetInt(Props::kProjectionType); }
    // Each plane within [0.001, 600000], the near plane at least 0.001 before the far one:
    // a plane set past the other pushes the other along (the near plane stops 0.001 short of
    // the largest distance, the far plane 0.001 beyond the smallest). NaN changes nothing.
    void SetNearPlane(double distance);
    void SetFarPlane(double distance);
    double GetNearPlane() const { return Table().GetNumber(Props::kNearPlane); }
    double GetFarPlane() const { return Table().GetNumber(Props::kFarPlane); }

    // ---- lens and film --------------------------------------------------------------------------
    // 0 horizontal and vertical, 1 horizontal, 2 vertical; false, nothing changed, otherwise.
    bool SetApertureMode(int mode);
    int GetApertureMode() const { return Table().GetInt(Props::kApertureMode); }
    // Inches, at least 0.0001: the setters take 0, negative values and NaN as 0.0001 and
    // refuse infinity (false).
    bool SetApertureWidth(double inches);
    double GetApertureWidth() const;
    bool SetApertureHeight(double inches);
    double GetApertureHeight() const;
    // Refused (false) unless finite and above 0.
    bool SetSqueezeRatio(double ratio);
    double GetSqueezeRatio() const { return Table().GetNumber(Props::kSqueezeRatio); }
    // Millimetres, stored as given; refused (false) unless finite and above 0.
    bool SetFocalLength(double millimetres);
    double GetFocalLength() const { return Table().GetNumber(Props::kFocalLength); }
    // Degrees, clamped to [1, 179]; sets the focal length that gives it. NaN is refused.
    bool SetFieldOfView(double degrees);
    // Degrees, from the film, the focal length and the aperture mode, within [1, 179].
    double GetFieldOfView() const;

    // The conversions of the lens, unclamped, with the film in millimetres: the vertical mode
    // uses the film height, the others the film width times the squeeze ratio. A field of
    // view of exactly 0 gives a focal length of 0.
    static double FieldOfViewFromFocalLength(double focalLength, double filmWidth, double filmHeight,
                                             double squeezeRatio, int apertureMode);
    static double FocalLengthFromFieldOfView(double fieldOfView, double filmWidth, double filmHeight,
                                             double squeezeRatio, int apertureMode);

    // ---- channel defaults (the owner's default take; the camera's own values when detached) ---
    void SetDefaultFieldOfView(double degrees) { SetChannelDefault(Props::kFieldOfView, degrees); }
    double GetDefaultFieldOfView() const { return GetChannelDefault(Props::kFieldOfView); }
    void SetDefaultFieldOfViewX(double degrees) { SetChannelDefault(Props::kFieldOfViewX, degrees); }
    double GetDefaultFieldOfViewX() const { return GetChannelDefault(Props::kFieldOfViewX); }
    void SetDefaultFieldOfViewY(double degrees) { SetChannelDefault(Props::kFieldOfViewY, degrees); }
    double GetDefaultFieldOfViewY() const { return GetChannelDefault(Props::kFieldOfViewY); }
    void SetDefaultOpticalCenterX(double value) { SetChannelDefault(Props::kOpticalCenterX, value); }
    double GetDefaultOpticalCenterX() const { return GetChannelDefault(Props::kOpticalCenterX); }
    void SetDefaultOpticalCenterY(double value) { SetChannelDefault(Props::kOpticalCenterY, value); }
    double GetDefaultOpticalCenterY() const { return GetChannelDefault(Props::kOpticalCenterY); }
    void SetDefaultRoll(double degrees) { SetChannelDefault(Props::kRoll, degrees); }
    double GetDefaultRoll() const { return GetChannelDefault(Props::kRoll); }
    void SetDefaultTurnTable(double value) { SetChannelDefault(Props::kTurnTable, value); }
    double GetDefaultTurnTable() const { return GetChannelDefault(Props::kTurnTable); }
    void SetDefaultBackgroundColor(double red, double green, double blue);
    RVector4 GetDefaultBackgroundColor() const { return GetChannelDefaultVector(Props::kBackgroundColor); }

    // ---- other values the readers and writers name ------------------------------------------
    void SetFocusDistance(double distance) { Table().SetNumber(Props::kFocusDistance, distance); }
    double GetFocusDistance() const { return Table().GetNumber(Props::kFocusDistance); }
    void SetBackgroundFileName(const RString& name) { Table().SetText(Props::kBackgroundFileName, name); }
    RString GetBackgroundFileName() const { return Table().GetText(Props::kBackgroundFileName); }
    void SetBackgroundMediaName(const RString& name) { Table().SetText(Props::kBackgroundMediaName, name); }
    RString GetBackgroundMediaName() const { return Table().GetText(Props::kBackgroundMediaName); }
    void SetShowAzimut(bool show) { Table().SetBool(Props::kShowAzimut, show); }
    bool GetShowAzimut() const { return Table().GetBool(Props::kShowAzimut); }
    void SetShowName(bool show) { Table().SetBool(Props::kShowName, show); }
    bool GetShowName() const { return Table().GetBool(Props::kShowName); }
    void SetShowInfoOnMoving(bool show) { showInfoOnMoving_ = show; }
    bool GetShowInfoOnMoving() const { return showInfoOnMoving_; }
    void SetShowAudio(bool show) { showAudio_ = show; }
    bool GetShowAudio() const { return showAudio_; }
    void SetAudioColor(const RVector4& color) { audioColor_ = color; }
    const RVector4& GetAudioColor() const { return audioColor_; }

    RWyxCameraProperties* GetProperties() const {
        return static_cast<RWyxCameraProperties*>(GetPropertiesObject());
    }

protected:
    bool AcceptsValue(int row, const RPropertyValue& value) const override;
    // The other values follow a plane, the lens, the film or the field of view.
    void OnValueChanged(int row) override;

private:
    using Props = RWyxCameraProperties;

    RWyxCamera(RWyxObjectFactory* factory, RWyxCameraProperties* properties);

    // What Reset sets besides the properties: the field of view from the lens, the vectors,
    // the info and audio settings.
    void ResetOwnState();
    // The "FieldOfView" property and channel default follow the lens after a change of it.
    void UpdateFieldOfView();
    // The focal length follows the field of view, brought within its range first.
    void FollowFieldOfView();
    // The plane just written is brought within its range and pushes the other along.
    void KeepPlanesApart(bool nearMoved);
    RProperty* OwnerTranslation() const;

    RVector4 position_;
    bool positionPending_ = false;  // set while detached, for the next owner
    RVector4 upVector_;
    RVector4 interestPosition_;
    bool showInfoOnMoving_ = true;
    bool showAudio_ = false;
    RVector4 audioColor_;
    // Set while the camera writes values that follow another: those writes change nothing more.
    bool following_ = false;
};

#endif
