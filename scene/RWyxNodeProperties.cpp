#include "scene/RWyxNodeProperties.h"

#include "core/RClassIdFilter.h"
#include "core/RDataType.h"
#include "scene/RWyxNode.h"

#include <unordered_set>
#include <vector>

struct RWyxNodeProperties::Row {
    const char* name;
    Kind kind;
    int slot;
    std::uint32_t stateFlags;
    REnumNameCallback enumNames;
};

namespace {

const char* RotationOrderNameOf(const RProperty& /*property*/, int value) {
    return RWyxNodeProperties::RotationOrderName(value);
}

const char* InheritTypeNameOf(const RProperty& /*property*/, int value) {
    return RWyxNodeProperties::InheritTypeName(value);
}

RWyxNodeProperties* AsNodeProperties(RPlug* plug) {
    return plug != nullptr && plug->Is(RWyxNodeProperties::ClassId()) ? static_cast<RWyxNodeProperties*>(plug)
                                                                      : nullptr;
}

// Walks the node properties objects reachable one way (up through destinations or down
// through sources), breadth first, each at most once.
class HierarchyWalk {
public:
    HierarchyWalk(const RWyxNodeProperties* start, bool upward) : upward_(upward) { Visit(start); }

    bool IsDone() const { return next_ >= pending_.size(); }

    // Takes the next object and queues its neighbours; answers it.
    const RWyxNodeProperties* Step() {
        const RWyxNodeProperties* current = pending_[next_++];
        if (upward_) {
            for (int i = 0; i < current->GetDestinationCount(); ++i) {
                Visit(AsNodeProperties(current->GetDestination(i)));
            }
        } else {
            for (int i = 0; i < current->GetChildPropertiesCount(); ++i) Visit(current->GetChildProperties(i));
        }
        return current;
    }

private:
    void Visit(const RWyxNodeProperties* properties) {
        if (properties != nullptr && seen_.insert(properties).second) pending_.push_back(properties);
    }

    bool upward_;
    std::vector<const RWyxNodeProperties*> pending_;
    std::unordered_set<const RWyxNodeProperties*> seen_;
    std::size_t next_ = 0;
};

}  // namespace

// Rows 1 to 50 of the property table, in declaration order.
const RWyxNodeProperties::Row RWyxNodeProperties::kRows[] = {
    {"QuaternionInterpolate", Kind::Bool, kQuaternionInterpolate, 0, nullptr},
    {"RotationOffset", Kind::Vector, kRotationOffset, 0, nullptr},
    {"RotationPivot", Kind::Vector, kRotationPivot, 0, nullptr},
    {"RotationPivotUpdateOffset", Kind::Vector, kRotationPivotUpdateOffset, RProperty::kStateNotSaved, nullptr},
    {"ScalingOffset", Kind::Vector, kScalingOffset, 0, nullptr},
    {"ScalingPivot", Kind::Vector, kScalingPivot, 0, nullptr},
    {"ScalingPivotUpdateOffset", Kind::Vector, kScalingPivotUpdateOffset, RProperty::kStateNotSaved, nullptr},
    {"TranslationActive", Kind::Bool, kTranslationActive, 0, nullptr},
    {"TranslationMin", Kind::Vector, kTranslationMin, 0, nullptr},
    {"TranslationMax", Kind::Vector, kTranslationMax, 0, nullptr},
    {"TranslationMinX", Kind::Bool, kTranslationMinX, 0, nullptr},
    {"TranslationMinY", Kind::Bool, kTranslationMinY, 0, nullptr},
    {"TranslationMinZ", Kind::Bool, kTranslationMinZ, 0, nullptr},
    {"TranslationMaxX", Kind::Bool, kTranslationMaxX, 0, nullptr},
    {"TranslationMaxY", Kind::Bool, kTranslationMaxY, 0, nullptr},
    {"TranslationMaxZ", Kind::Bool, kTranslationMaxZ, 0, nullptr},
    {"RotationOrder", Kind::Enum, kRotationOrder, 0, &RotationOrderNameOf},
    {"RotationSpaceForLimitOnly", Kind::Bool, kRotationSpaceForLimitOnly, 0, nullptr},
    {"RotationStiffnessX", Kind::Number, kRotationStiffnessX, 0, nullptr},
    {"RotationStiffnessY", Kind::Number, kRotationStiffnessY, 0, nullptr},
    {"RotationStiffnessZ", Kind::Number, kRotationStiffnessZ, 0, nullptr},
    {"AxisLen", Kind::Number, kAxisLen, 0, nullptr},
    {"PreRotation", Kind::Vector, kPreRotation, 0, nullptr},
    {"PostRotation", Kind::Vector, kPostRotation, 0, nullptr},
    {"RotationActive", Kind::Bool, kRotationActive, 0, nullptr},
    {"RotationMin", Kind::Vector, kRotationMin, 0, nullptr},
    {"RotationMax", Kind::Vector, kRotationMax, 0, nullptr},
    {"RotationMinX", Kind::Bool, kRotationMinX, 0, nullptr},
    {"RotationMinY", Kind::Bool, kRotationMinY, 0, nullptr},
    {"RotationMinZ", Kind::Bool, kRotationMinZ, 0, nullptr},
    {"RotationMaxX", Kind::Bool, kRotationMaxX, 0, nullptr},
    {"RotationMaxY", Kind::Bool, kRotationMaxY, 0, nullptr},
    {"RotationMaxZ", Kind::Bool, kRotationMaxZ, 0, nullptr},
    {"InheritType", Kind::Enum, kInheritType, 0, &InheritTypeNameOf},
    {"ScalingActive", Kind::Bool, kScalingActive, 0, nullptr},
    {"ScalingMin", Kind::Vector, kScalingMin, 0, nullptr},
    {"ScalingMax", Kind::Vector, kScalingMax, 0, nullptr},
    {"ScalingMinX", Kind::Bool, kScalingMinX, 0, nullptr},
    {"ScalingMinY", Kind::Bool, kScalingMinY, 0, nullptr},
    {"ScalingMinZ", Kind::Bool, kScalingMinZ, 0, nullptr},
    {"ScalingMaxX", Kind::Bool, kScalingMaxX, 0, nullptr},
    {"ScalingMaxY", Kind::Bool, kScalingMaxY, 0, nullptr},
    {"ScalingMaxZ", Kind::Bool, kScalingMaxZ, 0, nullptr},
    {"GeometricTranslation", Kind::Vector, kGeometricTranslation, 0, nullptr},
    {"GeometricRotation", Kind::Vector, kGeometricRotation, 0, nullptr},
    {"GeometricScaling", Kind::Vector, kGeometricScaling, 0, nullptr},
    {"LookAtProperty", Kind::LookAt, 0, 1, nullptr},
    {"UpVectorProperty", Kind::UpVector, 0, 1, nullptr},
    {"Show", Kind::Bool, kShow, 0, nullptr},
    {"NegativePercentShapeSupport", Kind::Bool, kNegativePercentShapeSupport, 0, nullptr},
};

RWyxNodeProperties::RWyxNodeProperties(RWyxNode* node) : node_(node) {
    for (RVector4& vector : vectors_) vector = RVector4(0.0, 0.0, 0.0, 1.0);
    hierarchyLinks_ = GetFilteredSubPlug(GetClassIdFilter(ClassId()));
    for (const Row& row : kRows) DeclareRow(row);
    SetShow(1);
    SetNegativePercentShapeSupport(1);
    SetGeometricScaling(RVector4(1.0, 1.0, 1.0, 1.0));
    const char* const channels[] = {"Lcl Translation", "Lcl Rotation", "Lcl Scaling", "Visibility"};
    for (int i = 0; i < 4; ++i) channels_[i] = RPlugRef(CreateChannelProperty(channels[i]));
    if (RPlug* scaling = channels_[2].Get()) static_cast<RProperty*>(scaling)->SetValue(RVector4(1.0, 1.0, 1.0, 1.0));
    if (RPlug* visibility = channels_[3].Get()) static_cast<RProperty*>(visibility)->SetDouble(1.0);
}

RWyxNodeProperties* RWyxNodeProperties::Create(RWyxNode* node) {
    return CreatePlugObject<RWyxNodeProperties>(nullptr, node);
}

RWyxNodeProperties::~RWyxNodeProperties() { ReleaseMemberProperties(); }

// The member properties leave the property array (and their connections) while this object
// is whole; the array would otherwise keep them after they are gone.
void RWyxNodeProperties::ReleaseMemberProperties() {
    const auto release = [this](RProperty* property) {
        if (property != nullptr) RemoveProperty(property);
    };
    for (auto& member : boolProperties_) release(member.get());
    for (auto& member : vectorProperties_) release(member.get());
    for (auto& member : numberProperties_) release(member.get());
    for (auto& member : enumProperties_) release(member.get());
}

void RWyxNodeProperties::DeclareRow(const Row& row) {
    RProperty* declared = nullptr;
    switch (row.kind) {
        case Kind::Bool: {
            const auto slot = static_cast<BoolSlot>(row.slot);
            boolProperties_[slot].reset(CreatePlugObject<RBoolProperty>(nullptr, kPropertyTypeBool, false));
            boolProperties_[slot]->Declare(
                row.name, this, [this, slot] { return bools_[slot]; },
                [this, slot](const bool& value) { SetBool(slot, value ? 1 : 0); });
            declared = boolProperties_[slot].get();
            break;
        }
        case Kind::Vector: {
            const auto slot = static_cast<VectorSlot>(row.slot);
            vectorProperties_[slot].reset(
                CreatePlugObject<RVectorProperty>(nullptr, kPropertyTypeVector3, RVector4(0.0, 0.0, 0.0, 1.0)));
            vectorProperties_[slot]->Declare(
                row.name, this, [this, slot] { return vectors_[slot]; },
                [this, slot](const RVector4& value) { SetVector(slot, value); });
            declared = vectorProperties_[slot].get();
            break;
        }
        case Kind::Number: {
            const auto slot = static_cast<NumberSlot>(row.slot);
            numberProperties_[slot].reset(CreatePlugObject<RNumberProperty>(nullptr, kPropertyTypeDouble, 0.0));
            numberProperties_[slot]->Declare(
                row.name, this, [this, slot] { return numbers_[slot]; },
                [this, slot](const double& value) { numbers_[slot] = value; });
            declared = numberProperties_[slot].get();
            break;
        }
        case Kind::Enum: {
            const auto slot = static_cast<EnumSlot>(row.slot);
            enumProperties_[slot].reset(CreatePlugObject<RIntegerProperty>(nullptr, kPropertyTypeEnum, 0));
            enumProperties_[slot]->Declare(
                row.name, this, [this, slot] { return enums_[slot]; },
                [this, slot](const int& value) { enums_[slot] = value; });
            enumProperties_[slot]->SetEnumNameCallback(row.enumNames);
            declared = enumProperties_[slot].get();
            break;
        }
        case Kind::LookAt:
        case Kind::UpVector: {
            // Sources only, of node properties objects; owned by the property array.
            RPropertyObjectList* list = RPropertyObjectList::CreateObjectListProperty(
                this, row.name, false, ClassId(), -1, RPlug::kTakesSources, row.stateFlags);
            (row.kind == Kind::LookAt ? lookAt_ : upVector_) = list;
            return;
        }
    }
    AddProperty(declared);
    if (row.stateFlags != 0) declared->SetStateFlags(row.stateFlags, true);
}

// An animatable property of the data type of its name, marked for the writers.
RProperty* RWyxNodeProperties::CreateChannelProperty(const char* name) {
    const RDataType* dataType = RDataType::FindByName(name);
    RProperty* property =
        CreateProperty(name, RProperty::GetPropertyTypeCode(dataType), dataType, true, false, nullptr);
    if (property != nullptr) property->SetStateFlags(RProperty::kStateWriterFlag, true);
    return property;
}

bool RWyxNodeProperties::IsStandardProperty(const RProperty* property) const {
    if (property == nullptr) return false;
    if (property == lookAt_ || property == upVector_) return true;
    for (const RPlugRef& channel : channels_) {
        if (channel.Get() == property) return true;
    }
    const auto isMember = [property](const auto& members) {
        for (const auto& member : members) {
            if (member.get() == property) return true;
        }
        return false;
    };
    return isMember(boolProperties_) || isMember(vectorProperties_) || isMember(numberProperties_) ||
           isMember(enumProperties_);
}

// ---- names ----------------------------------------------------------------------------------

const char* RWyxNodeProperties::RotationOrderName(int order) {
    static const char* const kNames[] = {"Euler XYZ", "Euler XZY", "Euler YZX", "Euler YXZ",
                                         "Euler ZXY", "Euler ZYX", "Spheric XYZ"};
    return order >= 0 && order < static_cast<int>(sizeof(kNames) / sizeof(kNames[0])) ? kNames[order] : nullptr;
}

const char* RWyxNodeProperties::InheritTypeName(int type) {
    static const char* const kNames[] = {"RrSs", "RSrs", "Rrs"};
    return type >= 0 && type < static_cast<int>(sizeof(kNames) / sizeof(kNames[0])) ? kNames[type] : nullptr;
}

// ---- pivot sets -----------------------------------------------------------------------------

RWyxPivotSet* RWyxNodeProperties::GetPivotSet(int index) {
    return index >= 0 && index < kPivotSetCount ? &pivotSets_[index] : nullptr;
}

const RWyxPivotSet* RWyxNodeProperties::GetPivotSet(int index) const {
    return index >= 0 && index < kPivotSetCount ? &pivotSets_[index] : nullptr;
}

// ---- hierarchy ------------------------------------------------------------------------------

RWyxNodeProperties* RWyxNodeProperties::GetParentProperties() const {
    for (int i = 0; i < hierarchyLinks_->GetDestinationCount(); ++i) {
        if (RWyxNodeProperties* parent = AsNodeProperties(hierarchyLinks_->GetDestination(i))) return parent;
    }
    return nullptr;
}

int RWyxNodeProperties::GetChildPropertiesCount() const { return hierarchyLinks_->GetSourceCount(); }

RWyxNodeProperties* RWyxNodeProperties::GetChildProperties(int index) const {
    return AsNodeProperties(hierarchyLinks_->GetSource(index));
}

// The walk up from the parent and the walk down from the child take turns, so that the
// answer costs about the shorter of the parent's ancestry and the child's subtree: linking
// a new leaf below a deep chain, or a deep chain below a new root, stays cheap.
bool RWyxNodeProperties::WouldCloseCycle(const RWyxNodeProperties* parent, const RWyxNodeProperties* child) {
    if (parent == nullptr || child == nullptr) return false;
    if (parent == child) return true;
    HierarchyWalk up(parent, true);
    HierarchyWalk down(child, false);
    while (!up.IsDone() && !down.IsDone()) {
        if (up.Step() == child) return true;
        if (down.Step() == parent) return true;
    }
    return false;
}

bool RWyxNodeProperties::SendEvent(const RPlugEventPath* path, const RPlugEvent& event) {
    // Linking and unlinking nodes moves the global transforms of the subtree.
    if (event.code >= kPlugEventSourceAdded && event.code <= kPlugEventDestinationReplaced &&
        AsNodeProperties(event.other) != nullptr) {
        RWyxNode::InvalidateTransformCaches();
    }
    if (event.sender == this && event.code == kPlugEventMayTakeSource) {
        const RWyxNodeProperties* child = AsNodeProperties(event.other);
        if (child != nullptr && node_ != nullptr) {
            RWyxNode* childNode = child->GetNode();
            RWyxEntityContainer* entity = node_->GetEntity();
            const bool sameScene = childNode != nullptr && entity != nullptr && entity == childNode->GetEntity();
            if (sameScene || WouldCloseCycle(this, child)) {
                node_->GetError().SetErrorCode(RWyxNode::kErrorCyclicGraph);
                return false;
            }
            // The child's subtree joins this node's container once linked: whether it may is
            // decided now, so that a refusal leaves no link behind.
            const int clash = childNode != nullptr ? childNode->FindEntityClash(entity, false) : -1;
            if (clash >= 0) {
                node_->GetError().SetErrorCode(clash);
                return false;
            }
        } else if (child != nullptr && WouldCloseCycle(this, child)) {
            return false;
        }
    }
    if (event.sender == this && node_ != nullptr &&
        (event.code == kPlugEventSourceAdded || event.code == kPlugEventSourceRemoved)) {
        MoveChildSubtree(AsNodeProperties(event.other), event.code == kPlugEventSourceAdded);
    }
    return RWyxPropertyHandler::SendEvent(path, event);
}

// A linked child's subtree joins this node's container; an unlinked one leaves its own.
void RWyxNodeProperties::MoveChildSubtree(RWyxNodeProperties* child, bool linked) {
    RWyxNode* childNode = child != nullptr ? child->GetNode() : nullptr;
    if (childNode != nullptr) childNode->SetEntity(linked ? node_->GetEntity() : nullptr, false);
}

bool RWyxNodeProperties::RelayA(const RRelayEvent& event) {
    const bool result = RWyxPropertyHandler::RelayA(event);
    if (event.code != kRelayValueChanged || node_ == nullptr || event.sender == nullptr ||
        !event.sender->Is(RProperty::ClassId())) {
        return result;
    }
    const auto* property = static_cast<const RProperty*>(event.sender);
    if (property->GetOwner() != this || !property->IsAnimatable()) return result;
    // The pivot global transforms read the "Lcl" values directly.
    RWyxNode::InvalidateTransformCaches();
    if (node_->HasUserPropertyFor(property)) node_->UpdateCurveDefaults(*property);
    return result;
}
