#ifndef VEXA_VFNCAMERA_H
#define VEXA_VFNCAMERA_H

// The function set of cameras ("camera" shapes, kCamera). Made from a transform's DAG path it
// works on the transform's one shape; world-space directions need a DAG path.
//
// Units: film apertures in inches, focal length in millimetres, clipping planes, focus
// distance, centre of interest and orthographic width in centimetres. The film fit is 0 fill,
// 1 horizontal, 2 vertical, 3 overscan.
//
// Fields of view (radians): horizontal = 2 atan(0.5 * horizontal aperture * 25.4 * squeeze /
// focal length), vertical = 2 atan(0.5 * vertical aperture * 25.4 / focal length); setting
// one sets the focal length that gives it.
//
// Apertures, focal length, squeeze ratio and orthographic width must be positive, a field of
// view lie strictly between 0 and pi, every value be a number (kInvalidParameter otherwise).
// The camera looks down its -Z axis with +Y up.

#include <vexa/VFnDagNode.h>
#include <vexa/VPoint.h>
#include <vexa/VSpace.h>
#include <vexa/VVector.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnCamera : public VFnDagNode {
public:
    enum FilmFit { kFillFilmFit = 0, kHorizontalFilmFit = 1, kVerticalFilmFit = 2, kOverscanFilmFit = 3, kInvalid = 4 };

    VFnCamera() = default;
    explicit VFnCamera(const VObject& object, VStatus* status = nullptr);
    explicit VFnCamera(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kCamera; }
    VStatus setObject(const VObject& object) override;
    VStatus setObject(const VDagPath& path);

    // A camera shape under a transform (the null object: under a new transform).
    VObject create(const VObject& parent = VObject::kNullObj, VStatus* status = nullptr);

    double horizontalFilmAperture(VStatus* status = nullptr) const;
    VStatus setHorizontalFilmAperture(double inches);
    double verticalFilmAperture(VStatus* status = nullptr) const;
    VStatus setVerticalFilmAperture(double inches);
    double focalLength(VStatus* status = nullptr) const;
    VStatus setFocalLength(double millimetres);
    double lensSqueezeRatio(VStatus* status = nullptr) const;
    VStatus setLensSqueezeRatio(double ratio);
    FilmFit filmFit(VStatus* status = nullptr) const;
    VStatus setFilmFit(FilmFit fit);

    bool isClippingPlanes(VStatus* status = nullptr) const;
    VStatus setClippingPlanes(bool on);
    double nearClippingPlane(VStatus* status = nullptr) const;
    VStatus setNearClippingPlane(double distance);
    double farClippingPlane(VStatus* status = nullptr) const;
    VStatus setFarClippingPlane(double distance);

    bool isOrtho(VStatus* status = nullptr) const;
    VStatus setIsOrtho(bool orthographic);
    double focusDistance(VStatus* status = nullptr) const;
    VStatus setFocusDistance(double distance);
    double centerOfInterest(VStatus* status = nullptr) const;

    double horizontalFieldOfView(VStatus* status = nullptr) const;
    VStatus setHorizontalFieldOfView(double radians);
    double verticalFieldOfView(VStatus* status = nullptr) const;
    VStatus setVerticalFieldOfView(double radians);

    VPoint eyePoint(VSpace::Space space = VSpace::kObject, VStatus* status = nullptr) const;
    VVector viewDirection(VSpace::Space space = VSpace::kObject, VStatus* status = nullptr) const;
    VVector upDirection(VSpace::Space space = VSpace::kObject, VStatus* status = nullptr) const;
};

#endif
