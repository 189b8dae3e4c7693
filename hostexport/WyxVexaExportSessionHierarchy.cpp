// The hierarchy pass (every node under the node of its host parent, with its surface
// material), the custom attributes as user properties, the skeleton attribute a joint or a
// former skeleton part gets, and the removals the end of the export carries out.

#include "hostexport/WyxVexaExportSession.h"

#include "attributes/RWyxSkeleton.h"
#include "core/RWyxUserProperty.h"
#include "hostimport/ImportNodePasses.h"
#include "plugin/HostNodeTag.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"

#include <vexa/VFnAttribute.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnTransform.h>
#include <vexa/VPlug.h>

#include <algorithm>

namespace {

// Import tags of skeleton parts (LVGetLumtraxID) and the skeleton types they stand for.
int SkeletonTypeOfTag(int tag) {
    switch (tag) {
        case 2:
            return RWyxSkeleton::kRoot;
        case 3:
            return RWyxSkeleton::kEffectorRoot;
        case 4:
            return RWyxSkeleton::kLimb;
        default:
            return RWyxSkeleton::kLimbNode;
    }
}

// Attributes the host's renderer adds ("mi" and an upper-case letter) stay in the host.
bool IsRendererAttribute(const VString& name) {
    const std::string text = name.str();
    return text.size() >= 3 && text.compare(0, 2, "mi") == 0 && text[2] >= 'A' && text[2] <= 'Z';
}

bool IsTripleCompound(const VObject& attribute) {
    return attribute.hasFn(VFn::kAttribute3Double) || attribute.hasFn(VFn::kAttribute3Float);
}

// The user property type of a single number by its unit type; 0 for none.
int PropertyTypeOf(VFnNumericAttribute::NumericType unit) {
    switch (unit) {
        case VFnNumericAttribute::kBoolean:
            return kUserPropertyBool;
        case VFnNumericAttribute::kByte:
        case VFnNumericAttribute::kChar:
        case VFnNumericAttribute::kShort:
        case VFnNumericAttribute::kInt:
            return kUserPropertyInteger;
        case VFnNumericAttribute::kFloat:
        case VFnNumericAttribute::kDouble:
            return kUserPropertyReal;
        default:
            return kUserPropertyUnidentified;
    }
}

void SetNumberValue(RWyxUserProperty& property, int type, double value) {
    if (type == kUserPropertyBool) {
        property.SetBool(value != 0.0);
    } else if (type == kUserPropertyInteger) {
        property.SetInteger(static_cast<int>(value));
    } else {
        property.SetDouble(value);
    }
}

}  // namespace

// ---- hierarchy --------------------------------------------------------------------------------------

void WyxVexaExportSession::ExportHierarchy(VItDag::TraversalType traversal, VFn::Type filter) {
    ForEachDagPath(traversal, filter, [this](const VDagPath& path) {
        if (IsExcluded(path)) {
            ProgressTick(nullptr);
            return;
        }
        VexaNode* node = FindNodeFor(path);
        if (node == nullptr || node->GetDagPath() == nullptr || *node->GetDagPath() != path) return;
        if (node->GetNurb() != nullptr || node->GetPatch() != nullptr) ExportSurfaceMaterial(*node);
        AttachToParent(*node, path);
        // The path's name is as long as the path: made only when the display shows it.
        ProgressTickWith([&path] { return path.fullPathName(); });
    });
}

void WyxVexaExportSession::AttachToParent(VexaNode& node, const VDagPath& path) {
    // Only the first parent counts: an instance hangs under its first parent's node.
    const VObject parent = VFnDagNode(path).parent(0);
    VexaNode* parentNode = nullptr;
    VDagPath parentPath;
    if (!parent.isNull() && parent.hasFn(VFn::kDagNode) && VDagPath::getAPathTo(parent, parentPath)) {
        parentNode = FindNodeFor(parentPath);
    }
    if (parentNode == nullptr || IsExcluded(parentPath)) {
        root_->AddChild(&node);
        return;
    }
    parentNode->AddChild(&node);
}

// ---- custom attributes --------------------------------------------------------------------------

void WyxVexaExportSession::ExportCustomAttributes(RWyxNode* node) {
    std::vector<RWyxNode*> nodes;
    CollectSubtreePreOrder(node, nodes);
    // Children before their parents.
    for (auto each = nodes.rbegin(); each != nodes.rend(); ++each) {
        const VDagPath* path = static_cast<VexaNode*>(*each)->GetDagPath();
        if (path == nullptr) continue;
        VStatus status;
        const VFnTransform transform(path->transform(), &status);
        if (status) ExportNodeAttributes(**each, transform);
    }
}

void WyxVexaExportSession::ExportNodeAttributes(RWyxNode& node, const VFnTransform& transform) {
    const unsigned count = transform.attributeCount();
    for (unsigned i = 0; i < count; ++i) {
        const VObject attribute = transform.attribute(i);
        if (transform.attributeClass(attribute) != VFnDependencyNode::kLocalDynamicAttr) continue;
        const VFnAttribute description(attribute);
        if (IsRendererAttribute(description.name())) continue;
        if (IsTripleCompound(attribute)) {
            ExportTripleAttribute(node, transform, attribute);
        } else if (attribute.hasFn(VFn::kNumericAttribute) && !IsTripleCompound(description.parent())) {
            ExportNumberAttribute(node, transform, attribute);
        }
    }
}

RWyxUserProperty* WyxVexaExportSession::AddUserProperty(RWyxNode& node, const VString& shortName, int type) {
    RWyxUserProperty* made = factory_.CreateUserProperty(shortName.asChar(),
                                                         RWyxUserProperty::TypeToName(type), shortName.asChar());
    if (made == nullptr) return nullptr;
    made->SetFlag(RWyxUserProperty::kFlagUserProperty, true);
    made->SetFlag(RWyxUserProperty::kFlagAnimatable, true);
    return node.AddUserProperty(factory_.HandOverUserProperty(made));
}

void WyxVexaExportSession::ExportNumberAttribute(RWyxNode& node, const VFnTransform& transform, const VObject& attribute) {
    const VFnNumericAttribute numeric(attribute);
    const int type = PropertyTypeOf(numeric.unitType());
    if (type == kUserPropertyUnidentified) return;
    const VString shortName = numeric.shortName();
    RWyxUserProperty* property = AddUserProperty(node, shortName, type);
    if (property == nullptr) return;
    VStatus status;
    double value = 0.0;
    const VPlug plug = transform.findPlug(shortName, &status);
    if (status) status = plug.getValue(value);
    if (!status) numeric.getDefault(value);
    SetNumberValue(*property, type, value);
    double limit = 0.0;
    if (numeric.hasSoftMin() && numeric.getSoftMin(limit)) property->SetMin(limit);
    if (numeric.hasSoftMax() && numeric.getSoftMax(limit)) property->SetMax(limit);
}

void WyxVexaExportSession::ExportTripleAttribute(RWyxNode& node, const VFnTransform& transform, const VObject& attribute) {
    const VFnNumericAttribute numeric(attribute);
    const int type = numeric.isUsedAsColor() ? kUserPropertyColor : kUserPropertyVector;
    const VString shortName = numeric.shortName();
    RWyxUserProperty* property = AddUserProperty(node, shortName, type);
    if (property == nullptr) return;
    const bool floats = numeric.unitType() == VFnNumericAttribute::k3Float;
    double values[3] = {0.0, 0.0, 0.0};
    VStatus status;
    const VPlug plug = transform.findPlug(shortName, &status);
    for (unsigned c = 0; c < 3 && status; ++c) {
        const VPlug child = plug.child(c, &status);
        if (!status) break;
        if (floats) {
            float value = 0.0f;
            status = child.getValue(value);
            values[c] = value;
        } else {
            status = child.getValue(values[c]);
        }
    }
    if (!status) numeric.getDefault(values[0], values[1], values[2]);
    property->SetVector(values[0], values[1], values[2]);
}

// ---- skeletons and removals ---------------------------------------------------------------------

void WyxVexaExportSession::AttachSkeleton(VexaNode& node) {
    const VDagPath* path = node.GetDagPath();
    const int tag = path != nullptr ? LVGetLumtraxID(path->node()) : 0;
    RWyxSkeleton* skeleton = factory_.CreateSkeleton();
    if (skeleton == nullptr) return;
    const int type = SkeletonTypeOfTag(tag);
    skeleton->SetSkeletonType(type);
    if (type != RWyxSkeleton::kRoot) skeleton->SetSize(skeletonSize_);
    node.SetNodeAttribute(skeleton);
}

void WyxVexaExportSession::RemoveDeferredNodes() {
    while (!deferredRemovals_.empty()) {
        RWyxNode* node = deferredRemovals_.back();
        deferredRemovals_.pop_back();
        if (node == nullptr) continue;
        if (node->GetParent() != nullptr) node->GetParent()->RemoveChild(node);
        factory_.DestroyNode(node, true);
    }
}
