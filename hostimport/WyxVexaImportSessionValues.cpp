// Two steps of the animation pass: the values and curves of a node's user properties on their
// host attributes, and the blend shapes of a geometry with their weight curves; and the test
// that keeps driven keys from being overwritten.

#include "hostimport/HostNurbsSurface.h"
#include "hostimport/ImportLaterSteps.h"
#include "hostimport/UserAttributes.h"
#include "hostimport/WyxVexaImportSession.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxShape.h"
#include "core/RWyxUserProperty.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "plugin/HostUtilities.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/VexaNode.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VFnAnimCurve.h>
#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnMesh.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VPointArray.h>
#include <vexa/VStringArray.h>

namespace {

// User-property and blend-weight curves are unitless; blend weights are percent in the file.
constexpr int kUnitlessCurve = VFnAnimCurve::kAnimCurveTU;
constexpr double kPercent = 100.0;
const char* const kChildChannels[3] = {"X", "Y", "Z"};
const VString kPleaseWait = "This may take a while. Please wait!";

VexaNode& Vexa(RWyxNode* node) { return *static_cast<VexaNode*>(node); }

RFCurveNode* ChildNamed(const RFCurveNode* parent, const char* name) {
    const int index = parent != nullptr ? parent->GetChildIndexByName(name) : -1;
    return index >= 0 ? parent->GetChild(index) : nullptr;
}

// The curve's default when it animates or moves the value, else the property's own value: a
// curve without keys at 0 says nothing of its own.
double ValueFrom(const RFCurve* curve, double own) {
    if (curve == nullptr || (curve->GetKeyCount() == 0 && curve->GetDefaultValue() == 0.0f)) return own;
    return curve->GetDefaultValue();
}

VFnNumericAttribute::NumericType UnitOf(const VPlug& plug) {
    return VFnNumericAttribute(plug.attribute()).unitType();
}

void SetScalar(VPlug& plug, const RWyxUserProperty& property, const RFCurve* curve) {
    const VFnNumericAttribute::NumericType unit = UnitOf(plug);
    VStatus status;
    switch (property.GetType()) {
        case kUserPropertyBool: {
            const bool value = ValueFrom(curve, property.GetBool() ? 1.0 : 0.0) != 0.0;
            if (unit == VFnNumericAttribute::kBoolean) status = plug.setValue(value);
            break;
        }
        case kUserPropertyReal: {
            const double value = ValueFrom(curve, property.GetDouble());
            status = unit == VFnNumericAttribute::kDouble ? plug.setValue(value) : plug.setValue(static_cast<float>(value));
            break;
        }
        case kUserPropertyInteger: {
            const int value = static_cast<int>(ValueFrom(curve, property.GetInteger()));
            if (unit == VFnNumericAttribute::kLong || unit == VFnNumericAttribute::kShort) {
                status = plug.setValue(value);
            } else if (unit == VFnNumericAttribute::kByte || unit == VFnNumericAttribute::kChar) {
                status = plug.setValue(static_cast<char>(value));
            }
            break;
        }
        default:
            break;
    }
    PrintStatusError(status, "Cannot set the value of a user property");
}

}  // namespace

void TransferUserProperties(WyxVexaImportSession&, RWyxNode& node, const VObject& transform) {
    VFnDependencyNode host(transform);
    ImportUserProperties(host, Vexa(&node));
}

bool IsDrivenPlug(const VPlug& plug) {
    if (!GetPluginOptions()->GetBoolOption(kProtectDrivenKeys) || plug.isNull()) return false;
    VStringArray drivers;
    VGlobal::executeCommand("setDrivenKeyframe -q -cd " + QuotedScriptText(plug.name()), drivers);
    return drivers.length() > 0 && drivers[0] != "No drivers.";
}

void WyxVexaImportSession::ImportUserPropertyValues(RWyxNode* node) {
    if (node == nullptr || node->GetNodeAttribute() == nullptr) return;
    VexaNode& vexa = Vexa(node);
    const VDagPath* path = vexa.GetDagPath();
    VStatus status;
    VFnTransform transform;
    if (path == nullptr || !transform.setObject(*path)) return;
    const RWyxTakeNode* take = node->GetCurrentTakeNode();
    const RFCurveNode* curves = take != nullptr ? take->GetRootCurveNode() : nullptr;
    const bool exclusive = GetPluginOptions()->GetImportMode() == WyxPluginOptions::kExclusiveMerge;
    for (int i = 0; i < node->GetUserPropertyCount(); ++i) {
        const RWyxUserProperty* property = node->GetUserProperty(i);
        if (property == nullptr || !property->GetFlag(RWyxUserProperty::kFlagUserProperty)) continue;
        const RString* attribute = vexa.FindAttributeName(UserAttributeKey(*property));
        if (attribute == nullptr && !exclusive && CreateUserAttribute(*property, transform, vexa)) {
            attribute = vexa.FindAttributeName(UserAttributeKey(*property));
        }
        if (attribute == nullptr) continue;
        const VString name(attribute->Buffer());
        if (!transform.hasAttribute(name)) continue;
        VPlug plug = transform.findPlug(name, &status);
        // A property the take does not animate keeps its own value.
        const RFCurveNode* curveNode = ChildNamed(curves, property->GetName());
        if (!status) continue;

        const int type = property->GetType();
        if (type != kUserPropertyColor && type != kUserPropertyVector) {
            RFCurve* curve = curveNode != nullptr ? curveNode->GetCurve() : nullptr;
            if (curve != nullptr) ImportAttributeCurve(transform, attribute->Buffer(), curve, kUnitlessCurve, 1.0, 1.0);
            SetScalar(plug, *property, curve);
            continue;
        }
        // Three children: their curves' defaults, unless none of them says anything.
        double values[3] = {0.0, 0.0, 0.0};
        bool fromCurves = false;
        for (unsigned c = 0; c < 3 && curveNode != nullptr; ++c) {
            const RFCurveNode* child = ChildNamed(curveNode, kChildChannels[c]);
            RFCurve* curve = child != nullptr ? child->GetCurve() : nullptr;
            if (curve == nullptr) continue;
            VPlug channel = plug.child(c);
            ImportPlugCurve(channel, curve, kUnitlessCurve, 1.0, 1.0);
            values[c] = curve->GetDefaultValue();
            fromCurves = fromCurves || curve->GetKeyCount() > 0 || curve->GetDefaultValue() != 0.0f;
        }
        if (!fromCurves) {
            const RVector4 own = property->GetVector();
            values[0] = own.x;
            values[1] = own.y;
            values[2] = own.z;
        }
        const bool doubles = UnitOf(plug) == VFnNumericAttribute::k3Double;
        for (unsigned c = 0; c < 3; ++c) {
            VPlug child = plug.child(c);
            status = doubles ? child.setValue(values[c]) : child.setValue(static_cast<float>(values[c]));
            PrintStatusError(status, "Cannot set the value of a user property");
        }
    }
}

// ---- blend shapes ---------------------------------------------------------------------------------

namespace {

// The deformer's name: the text of the shape's name before its first ".", or the node's.
VString BlendShapeName(const char* shapeName, const RWyxNode& node) {
    const std::string name = shapeName != nullptr ? shapeName : "";
    const size_t dot = name.find('.');
    const std::string stem = dot == std::string::npos ? std::string(node.GetNameWithoutPrefix().Buffer()) : name.substr(0, dot);
    return VString((stem + kBlendShapeNameEnding).c_str());
}

// The target geometry of a shape under the transform: the base mesh with the shape's points,
// or a surface made of them. The null object, the reason printed, when the shape's points do
// not fit the base.
VObject MakeTarget(const RWyxGeometry& geometry, RWyxShape& shape, const VObject& base, const VObject& transform) {
    VStatus status;
    if (geometry.GetAttributeType() == RWyxNodeAttribute::kMesh) {
        if (shape.GetControlPointsCount() != VFnMesh(base).numVertices()) {
            VStatus(VStatus::kInvalidParameter, "its points are not those of the mesh").perror("Cannot add a blend shape");
            return VObject();
        }
        const VObject copy = VFnMesh().copy(base, transform, &status);
        if (!status) return VObject();
        const VString working = "working...";
        ProgressTick(&working);
        VPointArray points;
        const RVector4* source = shape.GetControlPoints();
        for (int i = 0; i < shape.GetControlPointsCount(); ++i) {
            points.append(VPoint(source[i].x, source[i].y, source[i].z, 1.0));
        }
        PrintStatusError(VFnMesh(copy).setPoints(points), "Cannot set the points of a blend shape");
        const VString done = "...";
        ProgressTick(&done);
        return copy;
    }
    // A patch reaches the host as the surface the converter made of it; one left a patch has
    // no host surface for its shapes.
    HostNurbsSurface surface;
    if (geometry.GetAttributeType() != RWyxNodeAttribute::kNurb ||
        !ConvertNurbsToHost(static_cast<const RWyxNurb&>(geometry), shape.GetControlPoints(),
                            shape.GetControlPointsCount(), surface)) {
        VStatus(VStatus::kInvalidParameter, "its points are not those of the surface").perror("Cannot add a blend shape");
        return VObject();
    }
    const VObject made = VFnNurbsSurface().create(surface.controlVertices, surface.uKnots, surface.vKnots,
                                                  surface.uDegree, surface.vDegree, surface.uForm, surface.vForm, true,
                                                  transform, &status);
    PrintStatusError(status, "Cannot add a blend shape");
    return status ? made : VObject();
}

}  // namespace

void WyxVexaImportSession::ImportBlendShapes(RWyxNode* node) {
    RWyxGeometry* geometry = node != nullptr ? node->GetGeometry() : nullptr;
    const VDagPath* path = node != nullptr ? Vexa(node).GetDagPath() : nullptr;
    if (geometry == nullptr || path == nullptr) return;
    VDagPath shapePath = *path;
    if (!shapePath.extendToShape()) return;
    const VObject base = shapePath.node();
    VObject deformer;
    const bool found = FindConnectedNodeOfType(base, VFn::kBlendShape, deformer, VItDependencyGraph::kUpstream,
                                               VItDependencyGraph::kNodeLevel);
    // Reused are the targets of a host node the file was merged onto, never a new node's.
    const bool reuse = found && Vexa(node).IsMerged();
    if (geometry->GetShapeCount() == 0) {
        if (reuse) PrintStatusError(VGlobal::deleteNode(deformer), "Cannot delete the blend shape");
        return;
    }
    VStatus status;
    VFnBlendShapeDeformer blend;
    if (found) {
        status = blend.setObject(deformer);
    } else {
        blend.create(base, VFnBlendShapeDeformer::kLocalOrigin, &status);
    }
    if (!status) {
        status.perror("Cannot create the blend shape");
        return;
    }
    PrintStatusError(blend.addBaseObject(base), "Cannot add the blend shape's base");
    const VPlug weights = blend.findPlug("weight", &status);
    ProgressTick(&kPleaseWait);

    for (int i = 0; i < geometry->GetShapeCount() && !reuse; ++i) {
        RWyxShape* shape = geometry->GetShape(i);
        if (shape == nullptr) continue;
        const VString name = BlendShapeName(geometry->GetShapeName(i), *node);
        if (blend.name() != name) blend.setName(name);
        const VObject holder = VFnTransform().create(VObject(), &status);
        if (!status) continue;
        VFnDependencyNode(holder).setName(VString(geometry->GetShapeName(i)));
        const VObject target = MakeTarget(*geometry, *shape, base, holder);
        if (target.isNull()) {
            VGlobal::deleteNode(holder);
            continue;
        }
        PrintStatusError(blend.addTarget(base, i, target, 1.0), "Cannot add a blend shape");
        VPlug visibility = VFnDependencyNode(holder).findPlug("visibility", &status);
        if (status) status = visibility.setValue(false);
        PrintStatusError(status, "Cannot hide a blend shape");
    }

    RWyxTakeNode* take = node->GetCurrentTakeNode();
    for (int i = 0; i < geometry->GetShapeCount() && !weights.isNull(); ++i) {
        RFCurve* channel = take != nullptr ? geometry->GetShapeChannel(take, i) : nullptr;
        const VPlug weight = weights.elementByLogicalIndex(static_cast<unsigned>(i));
        if (!reuse) {
            if (channel == nullptr) continue;
            VFnAnimCurve curve;
            curve.create(weight, VFnAnimCurve::kAnimCurveTU, nullptr, &status);
            if (status) TransferCurveKeys(curve, *channel, kPercent, kPercent, status);
            PrintStatusError(status, "Cannot animate a blend shape");
            continue;
        }
        VFnAnimCurve existing(weight, &status);
        if (!status) {
            AddBlendShapeFailure(node);
        } else if (channel != nullptr && !IsDrivenPlug(weight)) {
            TransferCurveKeys(existing, *channel, kPercent, kPercent, status);
        }
    }
}
