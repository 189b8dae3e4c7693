#include "scene/RWyxNodeProperties.h"

#include "core/RClassIdFilter.h"
#include "core/RDataType.h"
#include "scene/RWyxNode.h"

#include <algorithm>
#include <array>
#include <new>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

struct RWyxNodeProperties::Row {
    const char* name;
    Kind kind;
    int slot;
    std::uint32_t stateFlags;
    REnumNameCallback enumNames;
};

struct RWyxNodeProperties::MemberPlace {
    Kind kind;
    int blockSlot;  // the order in which the rows made it
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
    // Animatable, holding their values, marked for the writers; of the data type of their name.
    {"Lcl Translation", Kind::Channel, 0, RProperty::kStateWriterFlag, nullptr},
    {"Lcl Rotation", Kind::Channel, 1, RProperty::kStateWriterFlag, nullptr},
    {"Lcl Scaling", Kind::Channel, 2, RProperty::kStateWriterFlag, nullptr},
    {"Visibility", Kind::Channel, 3, RProperty::kStateWriterFlag, nullptr},
};

RWyxNodeProperties::RWyxNodeProperties(RWyxNode* node) : node_(node) {
    // RelayA acts on the values of animatable properties only.
    SetIgnoresPlainValueRelays(true);
    for (RVector4& vector : vectors_) vector = RVector4(0.0, 0.0, 0.0, 1.0);
    bools_[kShow] = true;
    bools_[kNegativePercentShapeSupport] = true;
    vectors_[kGeometricScaling] = RVector4(1.0, 1.0, 1.0, 1.0);
    // Every node names the same rows in the same order: the index is laid out once for all.
    DeferPropertyNameIndex();
    ReserveProperties(kPropertyCount + 1);  // and the hierarchy links
    constexpr std::size_t kMemberSize =
        std::max({sizeof(BoolMember), sizeof(VectorMember), sizeof(NumberMember), sizeof(EnumMember)});
    memberBlock_.reset(RPropertyBlock::Create(kMemberCount, kMemberSize));
    constexpr std::size_t kOwnedSize =
        std::max({sizeof(RVectorProperty), sizeof(RNumberProperty), sizeof(RPropertyObjectList)});
    ownedBlock_.reset(RPropertyBlock::Create(kChannelCount + 2, kOwnedSize));
    // The blocks are this object's memory as much as its own allocation is, and are had the
    // same way: the object cannot be made without them.
    if (memberBlock_ == nullptr || ownedBlock_ == nullptr) throw std::bad_alloc();
    hierarchyLinks_ = GetFilteredSubPlug(GetClassIdFilter(ClassId()));
    // The rows join in table order: those made here in runs, without the joining events (the
    // node's handling of them makes its take trees, and it has no takes yet); an object list
    // joins itself.
    const RPropertyInfo* const descriptions = Descriptions();
    RProperty* run[kPropertyCount];
    int runLength = 0;
    for (int row = 0; row < kPropertyCount; ++row) {
        if (RProperty* made = MakeRow(row, descriptions[row])) {
            run[runLength++] = made;
            continue;
        }
        AdoptMadeProperties(run, runLength);
        runLength = 0;
        DeclareListRow(row, descriptions[row]);
    }
    AdoptMadeProperties(run, runLength);
    IndexDeferredPropertyNames(RowNameLayout());
}

RWyxNodeProperties* RWyxNodeProperties::Create(RWyxNode* node) {
    return CreatePlugObject<RWyxNodeProperties>(nullptr, node);
}

template <typename Visit>
void RWyxNodeProperties::VisitMembers(bool lastFirst, Visit visit) const {
    const MemberPlace* const places = MemberPlaces();
    for (int i = 0; i < kMemberCount; ++i) {
        const MemberPlace& place = places[lastFirst ? kMemberCount - 1 - i : i];
        void* const slot = memberBlock_->GetSlot(place.blockSlot);
        switch (place.kind) {
            case Kind::Bool: visit(std::launder(static_cast<BoolMember*>(slot))); break;
            case Kind::Vector: visit(std::launder(static_cast<VectorMember*>(slot))); break;
            case Kind::Number: visit(std::launder(static_cast<NumberMember*>(slot))); break;
            default: visit(std::launder(static_cast<EnumMember*>(slot))); break;
        }
    }
}

// The member properties end last first, as members they are of this object (a held one
// waits for its holder, cut from this object).
RWyxNodeProperties::~RWyxNodeProperties() {
    ReleaseMemberProperties();
    VisitMembers(true, [](RProperty* member) { member->DestroyDetached(); });
}

// The member properties leave the property array (and their connections) while this object
// is whole; the array would otherwise keep them after they are gone.
void RWyxNodeProperties::ReleaseMemberProperties() {
    if (GetPropertyCount() == 0) return;  // a destruction has taken them all out already
    VisitMembers(false, [this](RProperty* member) { RemoveProperty(member); });
}

const RWyxNodeProperties::MemberPlace* RWyxNodeProperties::MemberPlaces() {
    static const auto places = [] {
        std::array<MemberPlace, kMemberCount> table{};
        const int firsts[] = {0, kBoolCount, kBoolCount + kVectorCount, kBoolCount + kVectorCount + kNumberCount};
        int made = 0;
        for (const Row& row : kRows) {
            const int kind = static_cast<int>(row.kind);
            if (kind > static_cast<int>(Kind::Enum)) continue;
            table[static_cast<std::size_t>(firsts[kind] + row.slot)] = MemberPlace{row.kind, made++};
        }
        return table;
    }();
    return places.data();
}

const RPropertyInfo& RWyxNodeProperties::Description(int row) { return Descriptions()[row]; }

const RPropertyInfo* RWyxNodeProperties::Descriptions() {
    static_assert(sizeof(kRows) / sizeof(kRows[0]) == kPropertyCount, "one row per property");
    // Built once, for the process's life: every node's properties point at it.
    static const auto* const descriptions = [] {
        auto* table = new std::vector<RPropertyInfo>();
        table->reserve(kPropertyCount);
        for (const Row& entry : kRows) {
            switch (entry.kind) {
                case Kind::Bool: table->emplace_back(entry.name, kPropertyTypeBool, 0u); break;
                case Kind::Vector: table->emplace_back(entry.name, kPropertyTypeVector3, 0u); break;
                case Kind::Number: table->emplace_back(entry.name, kPropertyTypeDouble, 0u); break;
                case Kind::Enum:
                    table->emplace_back(entry.name, kPropertyTypeEnum, 0u);
                    table->back().SetEnumNameCallback(entry.enumNames);
                    break;
                case Kind::LookAt:
                case Kind::UpVector:
                    table->emplace_back(entry.name, kPropertyTypeObject,
                                        RProperty::kListFlag | RProperty::kObjectList | RProperty::kOwnedName |
                                            RProperty::kOwnedByObject);
                    break;
                case Kind::Channel: {
                    const RDataType* dataType = RDataType::FindByName(entry.name);
                    table->emplace_back(entry.name, RProperty::GetPropertyTypeCode(dataType),
                                        RProperty::kOwnedByObject | RProperty::kAnimatable, dataType);
                    table->back().SetRange(0.0, 100.0);
                    break;
                }
            }
        }
        return table;
    }();
    return descriptions->data();
}

const RPropertyNameIndex::Layout& RWyxNodeProperties::RowNameLayout() {
    static const RPropertyNameIndex::Layout layout = [] {
        std::vector<std::string_view> names;
        names.reserve(kPropertyCount);
        for (int row = 0; row < kPropertyCount; ++row) names.push_back(Description(row).GetNameView());
        return RPropertyNameIndex::Layout(names);
    }();
    return layout;
}

// The blocks have a slot for every row of their kind, of the largest size.
template <typename Property, typename... Args>
Property* RWyxNodeProperties::MakeOwned(Args&&... args) {
    return ownedBlock_->Make<Property>(std::forward<Args>(args)...);
}

template <typename Property, typename T>
RProperty* RWyxNodeProperties::MakeMember(const RPropertyInfo& description, T& field) {
    return memberBlock_->Make<Property>(description, field);
}

RProperty* RWyxNodeProperties::MakeRow(int rowIndex, const RPropertyInfo& description) {
    const Row& row = kRows[rowIndex];
    RProperty* made = nullptr;
    switch (row.kind) {
        case Kind::Bool: made = MakeMember<BoolMember>(description, bools_[row.slot]); break;
        case Kind::Vector: made = MakeMember<VectorMember>(description, vectors_[row.slot]); break;
        case Kind::Number: made = MakeMember<NumberMember>(description, numbers_[row.slot]); break;
        case Kind::Enum: made = MakeMember<EnumMember>(description, enums_[row.slot]); break;
        case Kind::LookAt:
        case Kind::UpVector: return nullptr;
        case Kind::Channel: {
            // Owned by the property array; scaling starts at 1, visibility on.
            if (description.GetTypeCode() == kPropertyTypeDouble) {
                made = MakeOwned<RNumberProperty>(description, 1.0);
            } else {
                const double start = row.slot == 2 ? 1.0 : 0.0;
                made = MakeOwned<RVectorProperty>(description, RVector4(start, start, start, 1.0));
            }
            break;
        }
    }
    if (row.stateFlags != 0) made->SetStateFlags(row.stateFlags, true);
    return made;
}

// Sources only, of node properties objects; owned by the property array.
void RWyxNodeProperties::DeclareListRow(int rowIndex, const RPropertyInfo& description) {
    const Row& row = kRows[rowIndex];
    RPropertyObjectList* list = RPropertyObjectList::CreateObjectListProperty(
        this, description, false, ClassId(), -1, RPlug::kTakesSources, row.stateFlags, ownedBlock_.get());
    (row.kind == Kind::LookAt ? lookAt_ : upVector_) = list;
}

// Every property made for a row lies in one of the blocks, which nothing else places in.
bool RWyxNodeProperties::IsStandardProperty(const RProperty* property) const {
    return property != nullptr && (memberBlock_->HoldsPlacedAt(property) || ownedBlock_->HoldsPlacedAt(property));
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
    if (index < 0 || index >= kPivotSetCount) return nullptr;
    if (pivotSets_ == nullptr) pivotSets_ = std::make_unique<RWyxPivotSet[]>(kPivotSetCount);
    return &pivotSets_[index];
}

const RWyxPivotSet* RWyxNodeProperties::GetPivotSet(int index) const {
    if (index < 0 || index >= kPivotSetCount) return nullptr;
    static const RWyxPivotSet defaults[kPivotSetCount];
    return pivotSets_ != nullptr ? &pivotSets_[index] : &defaults[index];
}

// ---- hierarchy ------------------------------------------------------------------------------

RWyxNodeProperties* RWyxNodeProperties::GetParentProperties() const {
    for (int i = 0; i < hierarchyLinks_->GetDestinationCount(); ++i) {
        if (RWyxNodeProperties* parent = AsNodeProperties(hierarchyLinks_->GetDestination(i))) return parent;
    }
    return nullptr;
}

// The links' filter takes node properties objects only.
int RWyxNodeProperties::GetParentPropertiesCount() const { return hierarchyLinks_->GetDestinationCount(); }

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
    // A child without children of its own ends the walk down at its first step: no walk is made.
    if (child->GetChildPropertiesCount() == 0) return false;
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
            const bool checked = childNode != nullptr && childNode->joinChecked_;
            const int clash = childNode != nullptr && !checked ? childNode->FindEntityClash(entity, false) : -1;
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

bool RWyxNodeProperties::OnPropertyEvent(int code, RProperty* property, const char* name) {
    // Codes 8 and 9: a property is about to join or leave the list.
    if ((code == 8 || code == 9) && node_ != nullptr) node_->MakeTakeTrees(false);
    return RWyxPropertyHandler::OnPropertyEvent(code, property, name);
}

void RWyxNodeProperties::OnPropertyDescriptionChanging(RProperty& /*property*/) {
    if (node_ != nullptr) node_->MakeTakeTrees(false);
}

// Whether the relay is about the value of one of this object's animatable properties.
const RProperty* RWyxNodeProperties::AnimatableSender(const RRelayEvent& event) const {
    // The owner is compared first: a sender owned elsewhere needs no walk of its classes, nor
    // does one placed in this object's blocks (only properties are).
    if (node_ == nullptr || event.sender == nullptr || event.sender->GetOwner() != this) return nullptr;
    const bool placed = memberBlock_->HoldsPlacedAt(event.sender) || ownedBlock_->HoldsPlacedAt(event.sender);
    if (!placed && !event.sender->Is(RProperty::ClassId())) return nullptr;
    const auto* property = static_cast<const RProperty*>(event.sender);
    return property->GetOwner() == this && property->IsAnimatable() ? property : nullptr;
}

bool RWyxNodeProperties::RelayA(const RRelayEvent& event) {
    // The copies of the default take that wait must keep the value they were made with.
    if (event.code == kRelayValueChanging && AnimatableSender(event) != nullptr) node_->MakeTakeTrees(true);
    const bool result = RWyxPropertyHandler::RelayA(event);
    const RProperty* property = event.code == kRelayValueChanged ? AnimatableSender(event) : nullptr;
    if (property == nullptr) return result;
    // The pivot global transforms read the "Lcl" values directly.
    RWyxNode::InvalidateTransformCaches();
    // The node may be gone meanwhile (a handler destroyed it).
    if (node_ != nullptr && node_->HasUserPropertyFor(property)) node_->UpdateCurveDefaults(*property);
    return result;
}
