#include "hostexport/LightCameraExport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "curves/RFCurve.h"
#include "hostexport/AnimCurveExport.h"
#include "hostexport/WyxVexaExportSession.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VAngle.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnLight.h>
#include <vexa/VFnSpotLight.h>
#include <vexa/VPlug.h>

#include <cmath>
#include <memory>

namespace {

constexpr double kMillimetresPerInch = 25.4;
constexpr double kNearPlaneInstead = 0.01;
constexpr double kDefaultFieldOfViewXY = 40.0;

// A free curve holding the default value of the default take's channel, no keys.
FreeCurvePtr WorkingCurve(RWyxNode& node, RWyxTakeNode::Channel channel) {
    FreeCurvePtr curve(RFCurve::Create());
    RWyxTakeNode* defaults = node.GetDefaultTakeNode();
    const RFCurve* source = defaults != nullptr ? defaults->GetChannelCurve(channel) : nullptr;
    if (curve != nullptr && source != nullptr) curve->CopyFrom(*source, false);
    return curve;
}

// The plug's curve converted into the working curve; false when the plug has no curve.
bool ConvertPlug(const VFnDependencyNode& node, const char* attribute, RFCurve& curve, double scale) {
    VStatus status;
    const VPlug plug = node.findPlug(attribute, &status);
    VFnAnimCurve host;
    if (!status || !FindKeyedAnimCurve(plug, host)) return false;
    ConvertAnimCurve(host, curve, false, scale);
    return true;
}

struct Channel {
    RWyxTakeNode::Channel channel;
    RFCurve* curve;
};

// The curves with keys copied into the node's "Take 001"; false when none has keys.
bool CopyKeyedCurves(RWyxNode& node, std::initializer_list<Channel> channels) {
    bool keyed = false;
    for (const Channel& channel : channels) keyed = keyed || (channel.curve != nullptr && channel.curve->GetKeyCount() > 0);
    if (!keyed) return false;
    RWyxTakeNode* take = SelectTakeNode(node, WyxVexaExportSession::kTakeName);
    if (take == nullptr) return false;
    for (const Channel& channel : channels) {
        RFCurve* target = take->GetChannelCurve(channel.channel);
        if (channel.curve != nullptr && channel.curve->GetKeyCount() > 0 && target != nullptr) {
            target->CopyFrom(*channel.curve, true);
        }
    }
    return true;
}

// ---- cameras -------------------------------------------------------------------------------------

int ApertureModeOf(VFnCamera::FilmFit fit, double ratio) {
    switch (fit) {
        case VFnCamera::kHorizontalFilmFit:
            return RWyxCamera::kApertureHorizontal;
        case VFnCamera::kVerticalFilmFit:
            return RWyxCamera::kApertureVertical;
        case VFnCamera::kFillFilmFit:
            return ratio >= 1.0 ? RWyxCamera::kApertureHorizontal : RWyxCamera::kApertureVertical;
        case VFnCamera::kOverscanFilmFit:
            return ratio < 1.0 ? RWyxCamera::kApertureHorizontal : RWyxCamera::kApertureVertical;
        default:
            return RWyxCamera::kApertureHorizontalAndVertical;
    }
}

double FieldOfViewDegrees(double film, double focalLength) {
    return 2.0 * std::atan(film / (2.0 * focalLength)) * kRadiansToDegrees;
}

// d(field of view) / d(focal length), degrees per millimetre.
double FieldOfViewPerFocalLength(double film, double focalLength) {
    return -film / (focalLength * focalLength + film * film / 4.0) * kRadiansToDegrees;
}

// A curve of focal lengths becomes one of fields of view for the film size (millimetres): every
// value through the lens formula, every user slope through the formula's derivative at its key
// (a slope is no focal length: a flat tangent stays flat).
void FocalLengthsToFieldsOfView(RFCurve& curve, double film) {
    const double focal = curve.GetDefaultValue();
    if (focal > 0.0) curve.SetDefaultValue(static_cast<float>(FieldOfViewDegrees(film, focal)));
    struct KeySlopes {
        double focal;
        double left;
        double right;
    };
    const int n = curve.GetKeyCount();
    std::vector<KeySlopes> slopes;
    slopes.reserve(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        slopes.push_back({curve.GetKey(k).GetValue(), curve.GetLeftDerivative(k), curve.GetRightDerivative(k)});
    }
    curve.BeginEdit();
    for (int k = 0; k < n; ++k) {
        const double f = slopes[static_cast<size_t>(k)].focal;
        if (f > 0.0) curve.GetKey(k).SetValue(static_cast<float>(FieldOfViewDegrees(film, f)));
    }
    for (int k = 0; k < n; ++k) {
        const KeySlopes& key = slopes[static_cast<size_t>(k)];
        if (!(key.focal > 0.0)) continue;
        const double factor = FieldOfViewPerFocalLength(film, key.focal);
        const bool userIn = k > 0 && curve.GetKey(k - 1).IsCubicWithModeBits(RCurveKey::User) &&
                            !curve.GetKey(k).IsCubicWithModeBits(RCurveKey::Auto);
        if (userIn) curve.SetLeftDerivative(k, key.left * factor);
        if (curve.GetKey(k).IsCubicWithModeBits(RCurveKey::User)) curve.SetRightDerivative(k, key.right * factor);
    }
    curve.EndEdit();
}

}  // namespace

bool ExportLightChannels(const VDagPath& path, RWyxNode& node) {
    if (path.hasFn(VFn::kAmbientLight)) return false;
    VStatus status;
    const VFnLight light(path, &status);
    RWyxLight* attribute = node.GetLight();
    if (!status || attribute == nullptr) return false;
    const bool spot = path.hasFn(VFn::kSpotLight);
    if (spot) attribute->SetDefaultConeAngle(VFnSpotLight(path).coneAngle() * kRadiansToDegrees);
    const VColor color = light.color();
    attribute->SetDefaultColor(color.r, color.g, color.b);
    attribute->SetDefaultIntensity(light.intensity() * 100.0);
    attribute->SetDefaultFog(0.0);

    FreeCurvePtr intensity = WorkingCurve(node, RWyxTakeNode::Intensity);
    FreeCurvePtr red = WorkingCurve(node, RWyxTakeNode::ColorX);
    FreeCurvePtr green = WorkingCurve(node, RWyxTakeNode::ColorY);
    FreeCurvePtr blue = WorkingCurve(node, RWyxTakeNode::ColorZ);
    FreeCurvePtr cone = WorkingCurve(node, RWyxTakeNode::ConeAngle);
    if (!intensity || !red || !green || !blue || !cone) return false;
    ConvertPlug(light, "colorR", *red, 1.0);
    ConvertPlug(light, "colorG", *green, 1.0);
    ConvertPlug(light, "colorB", *blue, 1.0);
    ConvertPlug(light, "intensity", *intensity, 100.0);
    if (spot) ConvertPlug(light, "coneAngle", *cone, kRadiansToDegrees);
    return CopyKeyedCurves(node, {{RWyxTakeNode::Intensity, intensity.get()},
                                  {RWyxTakeNode::ColorX, red.get()},
                                  {RWyxTakeNode::ColorY, green.get()},
                                  {RWyxTakeNode::ColorZ, blue.get()},
                                  {RWyxTakeNode::ConeAngle, cone.get()}});
}

namespace {

// Near and far planes, lens, film, projection, up vector and interest of the camera attribute.
void ExportCameraValues(const VFnCamera& camera, const VDagPath& path, RWyxCamera& attribute) {
    double nearPlane = camera.nearClippingPlane();
    if (nearPlane < 0.0) nearPlane = kNearPlaneInstead;
    // The far plane keeps its fraction: cut to an integer, 0.5 fell below the near plane.
    attribute.SetFarPlane(camera.farClippingPlane());
    attribute.SetNearPlane(nearPlane);
    attribute.SetFocalLength(camera.focalLength());
    attribute.SetSqueezeRatio(camera.lensSqueezeRatio());
    const double width = camera.horizontalFilmAperture();
    const double height = camera.verticalFilmAperture();
    attribute.SetApertureMode(ApertureModeOf(camera.filmFit(), width > 0.0 ? height / width : 1.0));
    attribute.SetProjectionType(camera.isOrtho() ? RWyxCamera::kOrthographic : RWyxCamera::kPerspective);
    VStatus status;
    const VFnCamera placed(path, &status);
    const VVector up = status ? placed.upDirection(VSpace::kWorld) : camera.upDirection();
    attribute.SetUpVector(RVector4(up.x, up.y, up.z, 1.0));
    attribute.SetInterestPosition(RVector4(0.0, 0.0, -1.0, 1.0));
    attribute.SetApertureHeight(height);
    attribute.SetApertureWidth(width);
    attribute.SetFocusDistance(camera.focusDistance());
}

// The aim rig's look-at and up nodes (the rig root's children 1 and 2) become the camera's
// targets, with its visibility.
void ExportCameraTargets(RWyxNode& node) {
    RWyxNode* parent = node.GetParent();
    if (parent == nullptr || parent->GetChildCount() < 2) return;
    RWyxNode* aim = parent->GetChild(1);
    aim->SetVisibility(node.GetVisibility());
    node.SetTarget(aim);
    if (parent->GetChildCount() < 3) return;
    RWyxNode* up = parent->GetChild(2);
    up->SetVisibility(node.GetVisibility());
    node.SetTargetUp(up);
}

}  // namespace

bool ExportCameraChannels(WyxVexaExportSession& session, RWyxNode& node) {
    const VDagPath* path = static_cast<VexaNode&>(node).GetDagPath();
    WyxVexaExportSession::RigRecord* rig = path != nullptr ? session.FindRig(*path) : nullptr;
    RWyxCamera* attribute = node.GetCamera();
    if (rig == nullptr || rig->handles[1].isNull() || attribute == nullptr) return false;
    VStatus status;
    const VFnCamera camera(*path, &status);
    if (!status) return false;
    ExportCameraValues(camera, *path, *attribute);
    const bool aimed = !rig->handles[0].isNull();
    if (aimed) ExportCameraTargets(node);

    attribute->SetDefaultFieldOfViewX(kDefaultFieldOfViewXY);
    attribute->SetDefaultFieldOfViewY(kDefaultFieldOfViewXY);
    attribute->SetDefaultFieldOfView(attribute->GetFieldOfView());
    attribute->SetDefaultOpticalCenterX(0.0);
    attribute->SetDefaultOpticalCenterY(0.0);
    const VFnDependencyNode aim(rig->handles[0]);
    double twist = 0.0;
    if (aimed) aim.findPlug("twist", &status).getValue(twist);
    attribute->SetDefaultRoll(aimed && status ? twist * -kRadiansToDegrees : 0.0);

    FreeCurvePtr horizontal = WorkingCurve(node, RWyxTakeNode::FieldOfViewX);
    FreeCurvePtr vertical = WorkingCurve(node, RWyxTakeNode::FieldOfView);
    FreeCurvePtr roll = WorkingCurve(node, RWyxTakeNode::Roll);
    if (!horizontal || !vertical || !roll) return false;
    const int mode = attribute->GetApertureMode();
    bool animated = false;
    if (ConvertPlug(camera, "focalLength", *horizontal, 1.0) && ConvertPlug(camera, "focalLength", *vertical, 1.0)) {
        const double squeeze = camera.lensSqueezeRatio();
        FocalLengthsToFieldsOfView(*horizontal, camera.horizontalFilmAperture() * kMillimetresPerInch * squeeze);
        FocalLengthsToFieldsOfView(*vertical, camera.verticalFilmAperture() * kMillimetresPerInch);
        ReduceConstantKeysIfAsked(*horizontal);
        ReduceConstantKeysIfAsked(*vertical);
        const bool horizontalMode = mode == RWyxCamera::kApertureHorizontal || mode == RWyxCamera::kApertureHorizontalAndVertical;
        const bool verticalMode = mode == RWyxCamera::kApertureVertical || mode == RWyxCamera::kApertureHorizontalAndVertical;
        animated = (horizontalMode && horizontal->GetKeyCount() > 0) || (verticalMode && vertical->GetKeyCount() > 0);
    }
    const double rollScale = VAngle::internalUnit() == VAngle::kRadians ? -kRadiansToDegrees : -1.0;
    if (aimed && ConvertPlug(aim, "twist", *roll, rollScale)) animated = animated || roll->GetKeyCount() > 0;
    if (!animated) return false;

    switch (mode) {
        case RWyxCamera::kApertureHorizontalAndVertical:
            CopyKeyedCurves(node, {{RWyxTakeNode::FieldOfViewX, horizontal.get()}, {RWyxTakeNode::FieldOfViewY, vertical.get()},
                                   {RWyxTakeNode::Roll, roll.get()}});
            break;
        case RWyxCamera::kApertureHorizontal:
            CopyKeyedCurves(node, {{RWyxTakeNode::FieldOfView, horizontal.get()}, {RWyxTakeNode::Roll, roll.get()}});
            break;
        default:
            CopyKeyedCurves(node, {{RWyxTakeNode::FieldOfView, vertical.get()}, {RWyxTakeNode::Roll, roll.get()}});
            break;
    }
    return true;
}
