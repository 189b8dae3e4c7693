// The animation pass: for every exported transform its pivots, pre- and post-rotation, limits,
// rotation order, rest values and the curves of its translation, rotation, scaling, visibility
// and animated custom attributes, with the channels of lights and cameras first.

#include "hostexport/AnimCurveExport.h"
#include "hostexport/DeformerExportSupport.h"
#include "hostexport/ExportSteps.h"
#include "hostexport/LightCameraExport.h"
#include "hostexport/WyxVexaExportSession.h"
#include "hostimport/AxisCorrection.h"

#include "core/EulerAngles.h"
#include "core/RMatrix.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "plugin/HostUtilities.h"
#include "plugin/NodeTreeWalk.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnTransform.h>
#include <vexa/VPlug.h>

#include <array>
#include <cmath>

namespace {

// Host rotation order code (1 xyz .. 6 zyx) to SDK order; -1 for any other code.
int SdkRotationOrder(VTransformationMatrix::RotationOrder order) {
    switch (order) {
        case VTransformationMatrix::kXYZ: return 0;
        case VTransformationMatrix::kYZX: return 2;
        case VTransformationMatrix::kZXY: return 4;
        case VTransformationMatrix::kXZY: return 1;
        case VTransformationMatrix::kYXZ: return 3;
        case VTransformationMatrix::kZYX: return 5;
        default: return -1;
    }
}

// ---- pivots, limits, rotation order --------------------------------------------------------------

void ExportNodePivots(RWyxNode& node, const VFnTransform& transform, int set) {
    VPoint degrees;
    GetJointOrientDegrees(transform, degrees);
    node.SetPreRotation(set, degrees.x, degrees.y, degrees.z, 1.0);
    // The rotate axis turns before the rotation: the post-rotation is its inverse.
    GetRotateAxisDegrees(transform, degrees);
    RMatrix axis;
    EulerXYZToMatrix(axis, degrees.x, degrees.y, degrees.z);
    RMatrix inverse;
    MatrixTranspose(inverse, axis);
    RVector4 post;
    MatrixToEulerXYZ(post, inverse);
    node.SetPostRotation(set, post.x, post.y, post.z, 1.0);
    const VPoint rotatePivot = transform.rotatePivot(VSpace::kTransform);
    const VVector rotateOffset = transform.rotatePivotTranslation(VSpace::kTransform);
    const VPoint scalePivot = transform.scalePivot(VSpace::kTransform);
    const VVector scaleOffset = transform.scalePivotTranslation(VSpace::kTransform);
    node.SetRotationPivot(set, rotatePivot.x, rotatePivot.y, rotatePivot.z, 1.0);
    node.SetRotationOffset(set, rotateOffset.x, rotateOffset.y, rotateOffset.z, 0.0);
    node.SetScalingPivot(set, scalePivot.x, scalePivot.y, scalePivot.z, 1.0);
    node.SetScalingOffset(set, scaleOffset.x, scaleOffset.y, scaleOffset.z, 0.0);
    node.SetPivotState(set, 0);
    if (node.GetLimits() != nullptr) node.GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
}

// One side (min or max) of a limit block: the switches and the values of the limited axes; the
// other axes keep the node's values.
bool ReadLimitSide(const VFnTransform& transform, const std::array<VFnTransform::LimitType, 3>& types, double scale,
                   RVector4& values, std::array<bool, 3>& on) {
    double* components[3] = {&values.x, &values.y, &values.z};
    bool any = false;
    for (size_t axis = 0; axis < 3; ++axis) {
        on[axis] = transform.isLimited(types[axis]);
        if (on[axis]) *components[axis] = transform.limitValue(types[axis]) * scale;
        any = any || on[axis];
    }
    return any;
}

void ExportNodeLimits(RWyxNode& node, const VFnTransform& transform) {
    struct Block {
        int component;
        std::array<VFnTransform::LimitType, 3> min;
        std::array<VFnTransform::LimitType, 3> max;
        double scale;
    };
    static const Block kBlocks[] = {
        {RWyxNodeLimits::kTranslation,
         {VFnTransform::kTranslateMinX, VFnTransform::kTranslateMinY, VFnTransform::kTranslateMinZ},
         {VFnTransform::kTranslateMaxX, VFnTransform::kTranslateMaxY, VFnTransform::kTranslateMaxZ}, 1.0},
        {RWyxNodeLimits::kRotation,
         {VFnTransform::kRotateMinX, VFnTransform::kRotateMinY, VFnTransform::kRotateMinZ},
         {VFnTransform::kRotateMaxX, VFnTransform::kRotateMaxY, VFnTransform::kRotateMaxZ}, kRadiansToDegrees},
        {RWyxNodeLimits::kScaling,
         {VFnTransform::kScaleMinX, VFnTransform::kScaleMinY, VFnTransform::kScaleMinZ},
         {VFnTransform::kScaleMaxX, VFnTransform::kScaleMaxY, VFnTransform::kScaleMaxZ}, 1.0}};
    RWyxNodeLimits* limits = node.GetLimits();
    if (limits == nullptr) return;
    for (const Block& block : kBlocks) {
        RVector4 min;
        RVector4 max;
        limits->GetMin(block.component, min);
        limits->GetMax(block.component, max);
        std::array<bool, 3> minOn{};
        std::array<bool, 3> maxOn{};
        const bool anyMin = ReadLimitSide(transform, block.min, block.scale, min, minOn);
        const bool anyMax = ReadLimitSide(transform, block.max, block.scale, max, maxOn);
        if (anyMin || anyMax) limits->SetActive(block.component, true);
        limits->SetMinSwitches(block.component, minOn[0], minOn[1], minOn[2]);
        limits->SetMin(block.component, min);
        limits->SetMaxSwitches(block.component, maxOn[0], maxOn[1], maxOn[2]);
        limits->SetMax(block.component, max);
    }
}

void ExportRotationOrder(RWyxNode& node, const VFnTransform& transform) {
    const int order = SdkRotationOrder(transform.rotationOrder());
    if (order >= 0) node.SetRotationOrder(0, order);
}

// The default values of the take's nine transform curves from the transform's values.
void SetRestTransformDefaults(const VFnTransform& transform, RWyxTakeNode& take) {
    const VVector translation = transform.translation(VSpace::kTransform);
    double rotation[3] = {0.0, 0.0, 0.0};
    VTransformationMatrix::RotationOrder order = VTransformationMatrix::kXYZ;
    transform.getRotation(rotation, order);
    double scale[3] = {1.0, 1.0, 1.0};
    transform.getScale(scale);
    const double values[9] = {translation.x,
                              translation.y,
                              translation.z,
                              rotation[0] * kRadiansToDegrees,
                              rotation[1] * kRadiansToDegrees,
                              rotation[2] * kRadiansToDegrees,
                              scale[0],
                              scale[1],
                              scale[2]};
    for (int c = 0; c < 9; ++c) {
        RFCurve* curve = take.GetChannelCurve(static_cast<RWyxTakeNode::Channel>(RWyxTakeNode::TranslationX + c));
        if (curve != nullptr) curve->SetDefaultValue(static_cast<float>(values[c]));
    }
}

// ---- visibility and custom attributes ------------------------------------------------------------

// The value "getAttr" gives for the node's "visibility", read from its plug: a command would
// name the node by its full path, a text as long as the path for every node of a deep hierarchy.
bool QueryVisibility(const VDagPath& path, bool& visible) {
    VStatus status;
    const VPlug plug = VFnDependencyNode(path.node()).findPlug("visibility", &status);
    int value = 1;
    if (!status || !plug.getValue(value)) return false;
    visible = value != 0;
    return true;
}

bool ExportVisibilityCurve(RWyxNode& node, const VFnTransform& transform, RFCurve& curve) {
    VStatus status;
    const VPlug plug = transform.findPlug("visibility", &status);
    VFnAnimCurve host;
    if (!status || !FindKeyedAnimCurve(plug, host)) return false;
    ConvertAnimCurve(host, curve, false, 1.0);
    if (curve.GetKeyCount() == 0) return false;
    node.SetVisibility(true);
    return true;
}

// A new curve converted from the plug's keyed curve replaces the curve node's.
void ReplaceWithPlugCurve(RFCurveNode& channel, const VPlug& plug) {
    VFnAnimCurve host;
    if (!FindKeyedAnimCurve(plug, host)) return;
    RFCurve* curve = RFCurve::Create();
    if (curve == nullptr) return;
    if (channel.GetCurve() != nullptr) curve->CopyFrom(*channel.GetCurve(), false);
    ConvertAnimCurve(host, *curve, false, 1.0);
    channel.SetCurve(curve, true);
}

void ExportCustomAttributeCurves(RWyxNode& node, const VFnTransform& transform) {
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    RFCurveNode* root = take != nullptr ? take->GetRootCurveNode() : nullptr;
    if (root == nullptr || node.GetNodeAttribute() == nullptr) return;
    for (int i = 0; i < node.GetUserPropertyCount(); ++i) {
        const RWyxUserProperty* property = node.GetUserProperty(i);
        if (property == nullptr || !property->GetFlag(RWyxUserProperty::kFlagAnimatable)) continue;
        RFCurveNode* channel = root->FindByPath(property->GetName());
        VStatus status;
        const VPlug plug = transform.findPlug(property->GetLabel(true), &status);
        if (channel == nullptr || !status) continue;
        switch (property->GetType()) {
            case kUserPropertyBool:
            case kUserPropertyReal:
            case kUserPropertyInteger:
                ReplaceWithPlugCurve(*channel, plug);
                break;
            case kUserPropertyColor:
            case kUserPropertyVector:
                for (int j = 0; j < channel->GetChildCount() && j < 3; ++j) {
                    const VPlug child = plug.child(static_cast<unsigned>(j), &status);
                    if (status && channel->GetChild(j) != nullptr) ReplaceWithPlugCurve(*channel->GetChild(j), child);
                }
                break;
            default:
                break;
        }
    }
}

// ---- lights and cameras ------------------------------------------------------------------------------

bool IsCamera(const VDagPath& path) { return path.hasFn(VFn::kCamera) && !path.hasFn(VFn::kLocator); }

// The import turns the post-rotation of every light and camera without a target by a quarter
// turn (their axis in the host is not the file's): the post-rotation read from the rotate axis
// gets exactly that turn back.
void ExportOrientationPostRotation(RWyxNode& node) {
    const RVector4* post = node.GetPostRotation(0);
    if (post == nullptr || !HasAxisCorrection(node)) return;
    const RVector4 angles = WithoutAxisCorrection(node, *post);
    node.SetPostRotation(0, angles.x, angles.y, angles.z, 1.0);
}

// A camera's scaling (and, with a target, its rotation) carries no keys in the take.
void ClearCameraChannels(RWyxNode& node, RWyxTakeNode& take) {
    const bool targeted = node.GetTarget() != nullptr;
    for (int c = 0; c < 3; ++c) {
        RFCurve* scaling = take.GetChannelCurve(static_cast<RWyxTakeNode::Channel>(RWyxTakeNode::ScalingX + c));
        if (scaling != nullptr) {
            scaling->ClearKeys();
            scaling->SetDefaultValue(1.0f);
        }
        RFCurve* rotation = take.GetChannelCurve(static_cast<RWyxTakeNode::Channel>(RWyxTakeNode::RotationX + c));
        if (targeted && rotation != nullptr) {
            rotation->ClearKeys();
            rotation->SetDefaultValue(0.0f);
        }
    }
}

void AnimateNode(WyxVexaExportSession& session, RWyxNode& node, const VDagPath& path) {
    bool lightAnimated = false;
    bool cameraAnimated = false;
    if (path.hasFn(VFn::kLight)) {
        lightAnimated = ExportLightChannels(path, node);
    } else if (path.hasFn(VFn::kCamera)) {
        cameraAnimated = ExportCameraChannels(session, node);
    }
    VStatus status;
    const VFnTransform transform(path, &status);
    if (!status) return;
    ExportNodePivots(node, transform, 0);
    ExportNodeLimits(node, transform);
    ExportRotationOrder(node, transform);
    RWyxTakeNode* defaults = node.GetDefaultTakeNode();
    if (defaults != nullptr) SetRestTransformDefaults(transform, *defaults);
    const FreeCurvePtr visibility(RFCurve::Create());
    const bool visibilityAnimated = visibility != nullptr && ExportVisibilityCurve(node, transform, *visibility);
    const bool transformAnimated = HasKeyedTransformCurve(transform);
    const bool customAnimated = HasKeyedDynamicAttribute(transform);
    const bool camera = IsCamera(path);
    if (transformAnimated || visibilityAnimated || lightAnimated || cameraAnimated || customAnimated) {
        RWyxTakeNode* take = SelectTakeNode(node, WyxVexaExportSession::kTakeName);
        if (take != nullptr && (transformAnimated || lightAnimated || cameraAnimated)) {
            SetRestTransformDefaults(transform, *take);
            if (take->GetRootCurveNode() != nullptr) ExportTransformCurves(transform, *take->GetRootCurveNode(), false);
            if (camera) ClearCameraChannels(node, *take);
        }
        if (take != nullptr && visibilityAnimated && take->GetVisibilityCurve() != nullptr) {
            take->GetVisibilityCurve()->CopyFrom(*visibility, true);
        }
        if (customAnimated) ExportCustomAttributeCurves(node, transform);
    }
    if (camera && defaults != nullptr) {
        for (int c = 0; c < 3; ++c) {
            RFCurve* scaling = defaults->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(RWyxTakeNode::ScalingX + c));
            if (scaling != nullptr) scaling->SetDefaultValue(1.0f);
        }
    }
    ExportOrientationPostRotation(node);
}

}  // namespace

bool GetHostVisibility(const VDagPath& path) {
    bool visible = true;
    QueryVisibility(path, visible);
    if (!visible || path.node().apiType() == VFn::kTransform) return visible;
    VDagPath parent = path;
    if (parent.pop() && parent.node().apiType() == VFn::kTransform) QueryVisibility(parent, visible);
    return visible;
}

VStatus ExportNodeAnimation(WyxVexaExportSession& session, RWyxNode* node) {
    // Each node before its children, in child order, and its progress tick after them.
    WalkNodeTree(
        node, ChildOrder::kFirstToLast,
        [&session](RWyxNode& each) {
            if (const VDagPath* path = static_cast<VexaNode&>(each).GetDagPath()) AnimateNode(session, each, *path);
        },
        [](RWyxNode& each) {
            const VString name(each.GetNameWithoutPrefix().Buffer());
            ProgressTick(&name);
        });
    return VStatus();
}
