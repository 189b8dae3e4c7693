// The animation pass of the import: every node with a host node gets what moves on it, its
// attribute's values and curves (lights, cameras, blend shapes) and then its transform,
// visibility and user properties.

#include "hostimport/ImportLaterSteps.h"
#include "hostimport/ImportNodePasses.h"
#include "hostimport/ValueConverter.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxCamera.h"
#include "curves/RFCurve.h"
#include "plugin/HostUtilities.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VAngle.h>
#include <vexa/VColor.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnCamera.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnLight.h>
#include <vexa/VFnSpotLight.h>
#include <vexa/VFnTransform.h>

#include <vector>

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kMillimetresPerInch = 25.4;
// Light intensities: the file's percent, the host's fraction.
constexpr double kPercent = 100.0;

const VexaNode& Vexa(const RWyxNode* node) { return *static_cast<const VexaNode*>(node); }

// Radians per UI unit pair of angle curves (see the rotate curves).
double AngleSlopeFactor() { return VAngle::uiUnit() == VAngle::kDegrees ? kRadiansPerDegree : 1.0; }

float DefaultOf(const RFCurve* curve, float otherwise) { return curve != nullptr ? curve->GetDefaultValue() : otherwise; }

VFnCamera::FilmFit FilmFitOf(int apertureMode) {
    switch (apertureMode) {
        case 0: return VFnCamera::kFillFilmFit;
        case 2: return VFnCamera::kVerticalFilmFit;
        default: return VFnCamera::kHorizontalFilmFit;
    }
}

// The field-of-view curve in focal lengths: values through the converter, and the slopes of
// keys whose tangents are the user's by the converter's rate at the key (they are slopes, not
// values).
void ConvertToFocalLengths(RFCurve& curve, const ValueConverter& converter) {
    curve.SetDefaultValue(converter.Convert(curve.GetDefaultValue()));
    for (int k = 0; k < curve.GetKeyCount(); ++k) {
        const double view = curve.GetKey(k).GetValue();
        const double left = curve.GetLeftDerivative(k);
        const double right = curve.GetRightDerivative(k);
        const bool userTangents =
            curve.GetKey(k).IsCubicWithMode(RCurveKey::User) || curve.GetKey(k).IsCubicWithMode(RCurveKey::UserBreak);
        curve.GetKey(k).SetValue(converter.Convert(curve.GetKey(k).GetValue()));
        if (!userTangents) continue;
        const double rate = converter.Derivative(view);
        curve.SetLeftDerivative(k, left * rate);
        curve.SetRightDerivative(k, right * rate);
    }
    curve.NotifyChange(RCurveChangeRecord::KeysChanged, -1);
}

}  // namespace

void WyxVexaImportSession::ImportNodeAnimation(RWyxNode* node) {
    std::vector<RWyxNode*> nodes;
    CollectSubtreePreOrder(node, nodes);
    for (RWyxNode* each : nodes) {
        const VDagPath* path = Vexa(each).GetDagPath();
        if (path == nullptr || !path->isValid()) continue;
        ProgressTickWith([each] { return VString(each->GetNameWithoutPrefix().Buffer()); });
        const RWyxNodeAttribute* attribute = each->GetNodeAttribute();
        switch (attribute != nullptr ? attribute->GetAttributeType() : -1) {
            case RWyxNodeAttribute::kMesh:
            case RWyxNodeAttribute::kNurb:
            case RWyxNodeAttribute::kPatch:
                ImportBlendShapes(each);
                break;
            case RWyxNodeAttribute::kCamera:
                ImportCameraAnimation(each);
                if (RWyxNode* group = each->GetParent(); group != nullptr && IsAimUpGroupNode(group)) {
                    VStatus status;
                    VFnTransform rig(VFnDagNode(path->node()).parent(0), &status);
                    if (status) {
                        transformPlugs_.Use(rig);
                        ImportTransformCurves(rig, group);
                    }
                }
                break;
            case RWyxNodeAttribute::kLight:
                ImportLightAnimation(each);
                break;
            default:
                break;
        }
        ImportTransform(each);
        ImportVisibility(each);
        ImportUserPropertyValues(each);
    }
}

void WyxVexaImportSession::ImportLightAnimation(RWyxNode* node) {
    RWyxTakeNode* defaults = node->GetDefaultTakeNode();
    RWyxTakeNode* current = node->GetCurrentTakeNode();
    const VObject* object = Vexa(node).GetObject();
    if (defaults == nullptr || object == nullptr) return;
    const bool animated = current != nullptr && current != defaults;
    VDagPath path;
    if (!VDagPath::getAPathTo(*object, path)) return;
    VStatus status;
    VFnDependencyNode shape(*object, &status);
    if (!status) return;
    if (path.hasFn(VFn::kSpotLight)) {
        VFnSpotLight spot(path, &status);
        // Degrees in the file, radians in the host.
        if (animated) {
            ImportAttributeCurve(shape, "coneAngle", current->GetConeAngleCurve(), VFnAnimCurve::kAnimCurveTA,
                                 kDegreesPerRadian, AngleSlopeFactor());
        }
        if (const RFCurve* cone = defaults->GetConeAngleCurve()) spot.setConeAngle(cone->GetDefaultValue() * kRadiansPerDegree);
    }
    VFnLight light(path, &status);
    if (!status) return;
    if (animated) {
        ImportAttributeCurve(shape, "colorR", current->GetColorXCurve(), VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
        ImportAttributeCurve(shape, "colorG", current->GetColorYCurve(), VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
        ImportAttributeCurve(shape, "colorB", current->GetColorZCurve(), VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
    }
    light.setColor(VColor(DefaultOf(defaults->GetColorXCurve(), 1.0f), DefaultOf(defaults->GetColorYCurve(), 1.0f),
                          DefaultOf(defaults->GetColorZCurve(), 1.0f)));
    if (animated) {
        ImportAttributeCurve(shape, "intensity", current->GetIntensityCurve(), VFnAnimCurve::kAnimCurveTU, kPercent, 1.0);
    }
    if (const RFCurve* intensity = defaults->GetIntensityCurve()) {
        light.setIntensity(static_cast<float>(intensity->GetDefaultValue() / kPercent));
    }
}

VStatus WyxVexaImportSession::ImportCameraAnimation(RWyxNode* node) {
    const VDagPath* path = Vexa(node).GetDagPath();
    const RWyxCamera* camera = node->GetCamera();
    if (path == nullptr || camera == nullptr || !path->hasFn(VFn::kCamera)) {
        return VStatus(VStatus::kFailure, "The node is no camera");
    }
    VStatus status;
    VFnCamera host(*path, &status);
    if (!status) return status;
    host.setLensSqueezeRatio(camera->GetSqueezeRatio());
    host.setNearClippingPlane(camera->GetNearPlane());
    host.setFarClippingPlane(camera->GetFarPlane());
    host.setFilmFit(FilmFitOf(camera->GetApertureMode()));
    host.setIsOrtho(camera->GetProjectionType() == RWyxCamera::kOrthographic);
    host.setVerticalFilmAperture(camera->GetApertureHeight());
    host.setHorizontalFilmAperture(camera->GetApertureWidth());
    host.setFocusDistance(camera->GetFocusDistance());

    RWyxTakeNode* take = node->GetCurrentTakeNode();
    RFCurve* view = take == nullptr ? nullptr
                    : camera->GetApertureMode() != 0 ? take->GetFieldOfViewCurve()
                                                     : take->GetFieldOfViewXCurve();
    if (view != nullptr) {
        CameraFilm film;
        film.widthMillimetres = camera->GetApertureWidth() * kMillimetresPerInch;
        film.heightMillimetres = camera->GetApertureHeight() * kMillimetresPerInch;
        film.squeezeRatio = camera->GetSqueezeRatio();
        film.apertureMode = camera->GetApertureMode();
        const FieldOfViewToFocalLength converter(film);
        if (view->GetKeyCount() > 0) {
            ConvertToFocalLengths(*view, converter);
        } else {
            view->SetDefaultValue(static_cast<float>(converter.Convert(camera->GetFieldOfView())));
        }
        VFnDependencyNode lens(host.object(), &status);
        ImportAttributeCurve(lens, "focalLength", view, VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
        host.setFocalLength(view->GetDefaultValue());
    }

    // The roll turns the rig of a camera with a target, the other way round.
    if (node->GetTarget() == nullptr || !path->isValid() || take == nullptr) return VStatus();
    VFnDependencyNode rig(VFnDagNode(path->node()).parent(0), &status);
    if (!status || !rig.hasAttribute("twist")) return VStatus();
    VPlug twist = rig.findPlug("twist", &status);
    RFCurve* roll = take->GetRollCurve();
    if (!status || roll == nullptr) return VStatus();
    ImportPlugCurve(twist, roll, VFnAnimCurve::kAnimCurveTA, -kDegreesPerRadian, AngleSlopeFactor());
    twist.setValue(-roll->GetDefaultValue() * kRadiansPerDegree);
    return VStatus();
}
