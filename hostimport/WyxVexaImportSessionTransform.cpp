// The transform import: a host transform gets its node's translation, rotation and scale
// (curves of the current take, values at the current time), pivots, joint orient and rotate
// axis, limits, rotation order and visibility.
//
// The rotation was resampled into pivot set 1 (ResampleRotation and the pivot-set
// conversion): the host receives that set's rotation space, so that what the host composes,
// [-Sp] S [Sp] [St] [-Rp] Ra R Jo [Rp] [Rt] [T], is the file's transform. Files that keep
// their pivots the old way get only their curves, with the old pre- and post-rotation as
// joint orient and rotate axis.

#include "hostimport/WyxVexaImportSession.h"

#include "core/EulerAngles.h"
#include "curves/RFCurve.h"
#include "plugin/HostUtilities.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VAngle.h>
#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VPlug.h>
#include <vexa/VPlugArray.h>

#include <cmath>
#include <cstddef>

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kMatrixTolerance = 1e-6;
constexpr float kVisibleAbove = 1e-5f;

// The places of the transform plugs in the session's table (TransformPlugNames): a group's X plug,
// then Y and Z.
constexpr std::size_t kTranslatePlugs = 0;
constexpr std::size_t kScalePlugs = 3;
constexpr std::size_t kRotatePlugs = 6;
constexpr std::size_t kJointOrientPlugs = 9;
constexpr std::size_t kRotateAxisPlugs = 12;
constexpr std::size_t kVisibilityPlug = 15;

// Host rotation orders by SDK rotation order (0 XYZ .. 5 ZYX); spheric has none.
const VTransformationMatrix::RotationOrder kHostOrders[6] = {
    VTransformationMatrix::kXYZ, VTransformationMatrix::kXZY, VTransformationMatrix::kYZX,
    VTransformationMatrix::kYXZ, VTransformationMatrix::kZXY, VTransformationMatrix::kZYX};

VexaNode& Vexa(RWyxNode* node) { return *static_cast<VexaNode*>(node); }

// The host order of the node's pivot set 1; kInvalid for spheric and unknown orders.
VTransformationMatrix::RotationOrder HostOrderOf(const RWyxNode& node) {
    int order = -1;
    node.GetRotationOrder(1, order);
    return order >= 0 && order < 6 ? kHostOrders[order] : VTransformationMatrix::kInvalid;
}

RVector4 Xyz(const RVector4* vector) { return vector != nullptr ? RVector4(vector->x, vector->y, vector->z, 0.0) : RVector4(); }

// Adding 0 turns a negative zero (of an Euler conversion) into 0.
VPoint Point(const RVector4& vector) { return VPoint(vector.x + 0.0, vector.y + 0.0, vector.z + 0.0); }

VVector Vector(const RVector4& vector) { return VVector(vector.x + 0.0, vector.y + 0.0, vector.z + 0.0); }

RMatrix EulerMatrix(double x, double y, double z) {
    RMatrix matrix;
    EulerXYZToMatrix(matrix, x, y, z);
    return matrix;
}

// True when the host node has no connection: nothing drives any of its plugs.
bool NothingConnected(const VFnDependencyNode& node) {
    VPlugArray connected;
    return node.getConnections(connected) && connected.length() == 0;
}

// Without connections no curve drives a plug of the node, and with driven keys unprotected no
// driver is asked about.
bool NothingDrives(const VFnDependencyNode& node) {
    return !GetPluginOptions()->GetBoolOption(kProtectDrivenKeys) && NothingConnected(node);
}

// Rotate-plug degrees: radians per UI unit pair of the rotate curves.
double AngleSlopeFactor() { return VAngle::uiUnit() == VAngle::kDegrees ? kRadiansPerDegree : 1.0; }

// Each curve at the time (cached evaluation); a missing curve leaves its value.
void EvaluateCurvesAt(RFCurve* const curves[3], RTime time, double values[3]) {
    for (int axis = 0; axis < 3; ++axis) {
        if (curves[axis] != nullptr) values[axis] = curves[axis]->EvaluateAtCached(time);
    }
}

// Old pivot files: the pre- and post-rotation become the joint orient and the rotate axis as
// they are, and the pivots are cleared (the pivot conversion moved them into the curves).
void CleanUpLegacyPivots(VFnTransform& transform, const RWyxNode& node) {
    VPoint host;
    GetJointOrientDegrees(transform, host);
    const RVector4 pre = Xyz(node.GetPreRotation(0));
    if (MatrixCompare(EulerMatrix(host.x, host.y, host.z), EulerMatrix(pre.x, pre.y, pre.z), kMatrixTolerance) != 0) {
        SetJointOrientDegrees(transform, Point(pre));
    }
    GetRotateAxisDegrees(transform, host);
    const RVector4 post = Xyz(node.GetPostRotation(0));
    if (MatrixCompare(EulerMatrix(host.x, host.y, host.z), EulerMatrix(post.x, post.y, post.z), kMatrixTolerance) != 0) {
        SetRotateAxisDegrees(transform, Point(post));
    }
    transform.setRotatePivotTranslation(VVector(), VSpace::kTransform);
    transform.setRotatePivot(VPoint(0.0, 0.0, 0.0), VSpace::kTransform, false);
    transform.setScalePivotTranslation(VVector(), VSpace::kTransform);
    transform.setScalePivot(VPoint(0.0, 0.0, 0.0), VSpace::kTransform, false);
}

// The offset transform (TransformOffsets), kept on the node.
void StoreOffset(TransformOffsets& offsets, RWyxNode* node, const double t[3], const double r[3], const double s[3]) {
    TransformOffsets::Parts own;
    for (int axis = 0; axis < 3; ++axis) {
        own.translation[axis] = t[axis];
        own.rotation[axis] = r[axis];
        own.scaling[axis] = s[axis];
    }
    TransformOffsets::Parts above;
    const RWyxNode* parent = node->GetParent();
    if (parent != nullptr) {
        const VexaNode& vexa = *static_cast<const VexaNode*>(parent);
        for (int axis = 0; axis < 3; ++axis) {
            above.translation[axis] = vexa.GetOffsetTranslation()[axis];
            above.rotation[axis] = vexa.GetOffsetRotation()[axis];
            above.scaling[axis] = vexa.GetOffsetScaling()[axis];
        }
    }
    const TransformOffsets::Parts& offset = offsets.Compose(own, parent != nullptr ? &above : nullptr);
    Vexa(node).SetOffsetTranslation(offset.translation[0], offset.translation[1], offset.translation[2]);
    Vexa(node).SetOffsetRotation(offset.rotation[0], offset.rotation[1], offset.rotation[2]);
    Vexa(node).SetOffsetScaling(offset.scaling[0], offset.scaling[1], offset.scaling[2]);
}

// ---- limits -------------------------------------------------------------------------------------------

const char* const kLimitFlags[3][3][2] = {
    {{"transformLimits -tx ", " -etx "}, {"transformLimits -ty ", " -ety "}, {"transformLimits -tz ", " -etz "}},
    {{"transformLimits -rx ", " -erx "}, {"transformLimits -ry ", " -ery "}, {"transformLimits -rz ", " -erz "}},
    {{"transformLimits -sx ", " -esx "}, {"transformLimits -sy ", " -esy "}, {"transformLimits -sz ", " -esz "}}};

// What one stored unit of a component is in the unit the command takes (the UI's).
double LimitUnitFactor(int component) {
    if (component == RWyxNodeLimits::kTranslation) return 1.0 / CentimetersPerHostUnit();
    if (component == RWyxNodeLimits::kRotation) return VAngle(1.0, VAngle::kDegrees).as(VAngle::uiUnit());
    return 1.0;
}

int QueryInt(const char* command) {
    int result = 0;
    VGlobal::executeCommand(command, result);
    return result;
}

void SendLimits(const RWyxNodeLimits& limits, int component, const VString& path) {
    RVector4 minimum;
    RVector4 maximum;
    limits.GetMin(component, minimum);
    limits.GetMax(component, maximum);
    const double factor = LimitUnitFactor(component);
    for (int axis = 0; axis < 3; ++axis) {
        double low = *minimum.Component(axis);
        double high = *maximum.Component(axis);
        const bool lowOn = limits.GetMinSwitch(component, axis);
        const bool highOn = limits.GetMaxSwitch(component, axis);
        // An inverted pair keeps the enabled bound; with both enabled it goes as it is.
        if (low > high) {
            if (!highOn) {
                high = low;
            } else if (!lowOn) {
                low = high;
            }
        }
        const VString command = VString(kLimitFlags[component][axis][0]) + low * factor + " " + high * factor +
                                kLimitFlags[component][axis][1] + (lowOn ? 1 : 0) + " " + (highOn ? 1 : 0) + " " + path;
        VGlobal::executeCommand(command);
    }
}

}  // namespace

// ---- the transform ----------------------------------------------------------------------------------------

std::vector<const char*> WyxVexaImportSession::TransformPlugNames() {
    return {"translateX",   "translateY",   "translateZ",   "scaleX",      "scaleY",      "scaleZ",
            "rotateX",      "rotateY",      "rotateZ",      "jointOrientX", "jointOrientY", "jointOrientZ",
            "rotateAxisX", "rotateAxisY", "rotateAxisZ", "visibility"};
}

void WyxVexaImportSession::ImportTransform(RWyxNode* node) {
    const VDagPath* path = Vexa(node).GetDagPath();
    if (path == nullptr) return;
    // The function set refuses a path that is no longer valid.
    VStatus status;
    VFnTransform transform(*path, &status);
    if (!status) return;
    // The curves and the pivots find their plugs through the table of this node's type.
    transformPlugs_.Use(transform);
    const bool orderWritten = ImportTransformCurves(transform, node);
    if (legacyPivot_) return;
    ImportPivots(transform, node);
    ImportLimits(transform, node);
    ImportRotationOrder(transform, node, orderWritten);
}

// The nine curves are found once for the curves and the values: each lookup walks the take's
// curve tree by name. A take whose tree is still to be made has its values from the template
// and makes its tree only when the host needs one of its curves.
bool WyxVexaImportSession::ImportTransformCurves(VFnTransform& transform, RWyxNode* node) {
    if (legacyPivot_) CleanUpLegacyPivots(transform, *node);
    RWyxTakeNode* take = node->GetCurrentTakeNode();
    const TransformCurves curves = CurrentTransformCurves(*node);
    // A take still to be made has no keys: on a host node that nothing can drive, each plug
    // has only its lock to look at, without a search for its curve or driver.
    const bool undriven = curves.waiting != nullptr && NothingDrives(transform);
    // The X, Y and Z plugs of a group (from the table's place `plugs` on) from the curves of
    // the channels from `first` on; a plug the node lacks is passed over.
    const auto importGroup = [&](std::size_t plugs, RFCurve* const group[3], int first, int kind, double a, double b) {
        for (int axis = 0; axis < 3; ++axis) {
            VPlug plug = transformPlugs_.Find(transform, plugs + static_cast<std::size_t>(axis));
            if (plug.isNull()) continue;
            if (undriven) {
                // What ImportPlugCurve does with a plug that nothing drives and no key is for.
                if (plug.isLocked()) {
                    const PlugCurve curve{nullptr, curves.waiting, first + axis, true};
                    ImportLockedPlug(plug, curve, nullptr, false, kind, a, b);
                }
                continue;
            }
            const PlugCurve curve = curves.waiting != nullptr ? PlugCurve{nullptr, curves.waiting, first + axis, false}
                                                              : PlugCurve{group[axis]};
            ImportPlugCurve(plug, curve, kind, a, b);
        }
    };
    if (take != nullptr) {
        const double centimetres = CentimetersPerHostUnit();
        importGroup(kTranslatePlugs, curves.translation, RWyxTakeNode::TranslationX, VFnAnimCurve::kAnimCurveTL, 1.0,
                    centimetres);
        importGroup(kScalePlugs, curves.scaling, RWyxTakeNode::ScalingX, VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
    }
    const bool orderWritten = ImportTransformValues(node, transform, curves);
    if (take == nullptr) return orderWritten;
    const double b = AngleSlopeFactor();
    importGroup(kRotatePlugs, curves.rotation, RWyxTakeNode::RotationX, VFnAnimCurve::kAnimCurveTA, kDegreesPerRadian,
                b);
    return orderWritten;
}

WyxVexaImportSession::TransformCurves WyxVexaImportSession::CurrentTransformCurves(RWyxNode& node) {
    TransformCurves curves;
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    if (take != nullptr && !take->IsTreeMade()) {
        bool told = true;
        for (int channel = 0; channel < 3; ++channel) {
            told = told && take->GetWaitingTransformDefaults(channel, curves.defaults[channel]);
        }
        if (told) {
            curves.waiting = take;
            return curves;
        }
    }
    if (take != nullptr) {
        curves = {{take->GetTranslationXCurve(), take->GetTranslationYCurve(), take->GetTranslationZCurve()},
                  {take->GetRotationXCurve(), take->GetRotationYCurve(), take->GetRotationZCurve()},
                  {take->GetScalingXCurve(), take->GetScalingYCurve(), take->GetScalingZCurve()}};
    }
    return curves;
}

void WyxVexaImportSession::ImportTransformValues(RWyxNode* node, VFnTransform& transform) {
    ImportTransformValues(node, transform, CurrentTransformCurves(*node));
}

bool WyxVexaImportSession::ImportTransformValues(RWyxNode* node, VFnTransform& transform, const TransformCurves& curves) {
    double t[3] = {0.0, 0.0, 0.0};
    double r[3] = {0.0, 0.0, 0.0};
    double s[3] = {1.0, 1.0, 1.0};
    if (curves.waiting != nullptr) {
        // Curves without keys hold their defaults at every time.
        for (int axis = 0; axis < 3; ++axis) {
            t[axis] = curves.defaults[0][axis];
            r[axis] = curves.defaults[1][axis];
            s[axis] = curves.defaults[2][axis];
        }
    }
    EvaluateCurvesAt(curves.translation, currentTime_, t);
    EvaluateCurvesAt(curves.rotation, currentTime_, r);
    EvaluateCurvesAt(curves.scaling, currentTime_, s);
    PrintStatusError(transform.setTranslation(VVector(t), VSpace::kTransform), "Cannot set the translation");
    const VTransformationMatrix::RotationOrder order = HostOrderOf(*node);
    bool orderWritten = false;
    if (order != VTransformationMatrix::kInvalid) {
        // In the node's own order the angles are stored as the file gives them: no conversion
        // that a rotate curve driving one of the plugs could spoil.
        if (!legacyPivot_) orderWritten = static_cast<bool>(transform.setRotationOrder(order, false));
        const double radians[3] = {r[0] * kRadiansPerDegree, r[1] * kRadiansPerDegree, r[2] * kRadiansPerDegree};
        PrintStatusError(transform.setRotation(radians, order), "Cannot set the rotation");
    }
    PrintStatusError(transform.setScale(s), "Cannot set the scale");
    StoreOffset(transformOffsets_, node, t, r, s);
    return orderWritten;
}

void WyxVexaImportSession::ImportPivots(VFnTransform& transform, RWyxNode* node) {
    int state = 1;
    if (node->GetPivotState(0, state) != 0) return;
    const auto setDegrees = [&](std::size_t first, const VPoint& degrees) {
        VPlug plugs[3];
        for (std::size_t axis = 0; axis < 3; ++axis) plugs[axis] = transformPlugs_.Find(transform, first + axis);
        SetPlugDegrees(plugs, degrees);
    };
    setDegrees(kJointOrientPlugs, Point(Xyz(node->GetPreRotation(1))));
    // The rotate axis turns the other way than the post-rotation: the inverse, as X, Y, Z.
    const RVector4 post = Xyz(node->GetPostRotation(1));
    const double postAngles[3] = {post.x, post.y, post.z};
    double axis[3];
    transformOffsets_.RotateAxis(postAngles, axis);
    setDegrees(kRotateAxisPlugs, Point(RVector4(axis[0], axis[1], axis[2], 0.0)));
    PrintStatusError(transform.setRotatePivot(Point(Xyz(node->GetRotationPivot(1))), VSpace::kTransform, false),
                     "Cannot set the rotate pivot");
    PrintStatusError(transform.setRotatePivotTranslation(Vector(Xyz(node->GetRotationOffset(1))), VSpace::kTransform),
                     "Cannot set the rotate pivot translation");
    PrintStatusError(transform.setScalePivot(Point(Xyz(node->GetScalingPivot(1))), VSpace::kTransform, false),
                     "Cannot set the scale pivot");
    PrintStatusError(transform.setScalePivotTranslation(Vector(Xyz(node->GetScalingOffset(1))), VSpace::kTransform),
                     "Cannot set the scale pivot translation");
}

void WyxVexaImportSession::ImportLimits(VFnTransform& transform, RWyxNode* node) {
    const RWyxNodeLimits* limits = node->GetLimits();
    if (limits == nullptr) return;
    bool any = false;
    for (int component = 0; component < RWyxNodeLimits::kComponentCount; ++component) any |= limits->GetActive(component);
    if (!any) return;
    // The attribute editor docked in the main window is hidden while the limits change, once
    // per import.
    bool docked = false;
    bool wasVisible = true;
    if (!attributeEditorFlag_ && QueryInt("about -b") == 0) {
        attributeEditorFlag_ = true;
        docked = QueryInt("optionVar -q aeInMainWindow") != 0;
        if (docked) {
            wasVisible = QueryInt("isAttributeEditorVisible") != 0;
            VGlobal::executeCommand("optionVar -iv aeInMainWindow 0;setAttributeEditorVisible 0");
        }
    }
    // The partial name names the same one node as the full name, and stays as short as the
    // names allow: a full name is as long as the path, for every node of a deep hierarchy.
    const VString path = transform.partialPathName();
    for (int component = 0; component < RWyxNodeLimits::kComponentCount; ++component) {
        if (limits->GetActive(component)) SendLimits(*limits, component, path);
    }
    if (!docked) return;
    VGlobal::executeCommand("openAEWindow;refreshAE;optionVar -iv aeInMainWindow 1;setAttributeEditorVisible 1");
    if (!wasVisible) VGlobal::executeCommand("setChannelBoxVisible(1)");
}

void WyxVexaImportSession::ImportRotationOrder(VFnTransform& transform, RWyxNode* node, bool written) {
    const VTransformationMatrix::RotationOrder order = HostOrderOf(*node);
    if (order == VTransformationMatrix::kInvalid) return;
    // An order the host has already (set with the static rotation) needs no reordering. The
    // order just written is the one the host reads unless a connection drives the plug: only
    // then is the host asked.
    if (written && NothingConnected(transform)) return;
    if (order != transform.rotationOrder()) {
        PrintStatusError(transform.setRotationOrder(order, true), "Cannot set the rotation order");
    }
}

void WyxVexaImportSession::ImportVisibility(RWyxNode* node) {
    const VDagPath* path = Vexa(node).GetDagPath();
    if (path == nullptr) return;
    VStatus found;
    const VFnDependencyNode host(path->node(), &found);
    if (!found) return;
    // Found through the node type's table: the plug a lookup by name finds.
    transformPlugs_.Use(host);
    VPlug plug = transformPlugs_.Find(host, kVisibilityPlug);
    if (plug.isNull()) return;
    RWyxTakeNode* current = node->GetCurrentTakeNode();
    RWyxTakeNode* defaults = node->GetDefaultTakeNode();
    if (current != nullptr && current != defaults) {
        if (RFCurve* curve = current->GetVisibilityCurve()) {
            for (int k = 0; k < curve->GetKeyCount(); ++k) {
                RCurveKey& key = curve->GetKey(k);
                key.SetValue(key.GetValue() > kVisibleAbove ? 1.0f : 0.0f);
                key.SetInterpolation(RCurveKey::Constant);
                key.SetTangentMode(0);  // holds its own value, not the next key's
                key.SetWeightMode(0);
            }
            curve->NotifyChange(RCurveChangeRecord::KeysChanged, -1);
            ImportPlugCurve(plug, curve, VFnAnimCurve::kAnimCurveTU, 1.0, 1.0);
        }
    }
    // A default take whose tree is still to be made tells its curve's default without making it.
    float shownValue = 1.0f;
    if (defaults == nullptr || !defaults->GetWaitingVisibilityDefault(shownValue)) {
        const RFCurve* shown = defaults != nullptr ? defaults->GetVisibilityCurve() : nullptr;
        if (shown != nullptr) shownValue = shown->GetDefaultValue();
    }
    const bool visible = shownValue > kVisibleAbove && node->GetVisibility();
    PrintStatusError(plug.setValue(visible), "Cannot set the visibility");
}
