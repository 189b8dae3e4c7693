#ifndef WYX_SCENE_RWYXNODEPROPERTIES_H
#define WYX_SCENE_RWYXNODEPROPERTIES_H

// The properties object of a scene node: the node's 54 typed, named properties (transform
// set-up, limits, geometric transform, look-at and up-vector targets, display switches and
// the four animatable channels "Lcl Translation", "Lcl Rotation", "Lcl Scaling" and
// "Visibility") and the node's two pivot sets.
//
// Rows 1 to 50 of the property array are members of this object: their values live in its
// fields, which the properties read and write. Rows 51 to 54 are properties holding their
// values, owned by the property array. Every property's description (name, type, flags, range)
// is its row of the class's table, shared by all nodes until a property changes it. Nodes form
// the hierarchy by connecting their properties objects (a child's object is a source of its
// parent's); this object watches those connections and refuses one that would close a cycle.

#include "core/RPlugRef.h"
#include "core/RPropertyBlock.h"
#include "core/RPropertyObjectList.h"
#include "core/RTypedProperty.h"
#include "core/RWyxPropertyHandler.h"
#include "scene/RWyxPivotSet.h"

#include <cstdint>
#include <memory>

class RWyxNode;

class RWyxNodeProperties : public RWyxPropertyHandler {
    WYX_DECLARE_CLASS(RWyxNodeProperties)

public:
    // Values of "InheritType"; 1 is named "RSrs" so that it stays distinct from 0 in text.
    static constexpr int kInheritRrSs = 0;
    static constexpr int kInheritRSrs = 1;
    static constexpr int kInheritRrs = 2;

    static constexpr int kPivotSetCount = 2;
    // Number of properties a new object lists.
    static constexpr int kPropertyCount = 54;

    // Declares the 54 properties in table order with their defaults; `node` is the owner
    // (not owned, may be null for an object used on its own).
    explicit RWyxNodeProperties(RWyxNode* node);

    // A new object on the heap; it ends through Destroy().
    static RWyxNodeProperties* Create(RWyxNode* node);

    RWyxNode* GetNode() const { return node_; }

    // Refuses a source connection of another node's properties object that would make this
    // node its own ancestor or that links a parentless member of this node's container, with
    // error 6 on this object's node, and one whose subtree could not join that container,
    // with its clash code (1 to 4). A linked child's subtree then joins the container, an
    // unlinked one leaves. Hands every event not refused on.
    bool SendEvent(const RPlugEventPath* path, const RPlugEvent& event) override;

    // A value change of an animatable property, made directly or through its user property,
    // is handed to the owning node, which writes it into the defaults of the matching curves.
    // Those of the other properties only pass on (so writes leave them out while nothing
    // above this object hears them).
    bool RelayA(const RRelayEvent& event) override;

    // What the node's channel template reads is about to change (the list of properties, a
    // property's name, flags, type or data type): the node's take trees that wait are made
    // first, from what they would have been made of.
    bool OnPropertyEvent(int code, RProperty* property, const char* name) override;
    // Its properties' leaving is heard by its node and by the wrapper list only.
    bool HearsPropertyLeaving() const final { return node_ != nullptr || HasWrapperList(); }
    void OnPropertyDescriptionChanging(RProperty& property) override;

    // ---- the hierarchy as the connections of the properties objects -------------------------
    // The first live destination that is a node properties object; null when none.
    RWyxNodeProperties* GetParentProperties() const;
    // How many node properties objects hold this one as a child (more than one only outside
    // a scene, where nothing refuses a second parent).
    int GetParentPropertiesCount() const;
    // The live sources that are node properties objects, in connection order.
    int GetChildPropertiesCount() const;
    RWyxNodeProperties* GetChildProperties(int index) const;
    // True when `child` connected as a source of `parent` would close a cycle: it is
    // `parent` itself or one of its ancestors.
    static bool WouldCloseCycle(const RWyxNodeProperties* parent, const RWyxNodeProperties* child);

    // True for the 54 properties every node has (false for those made for user properties).
    bool IsStandardProperty(const RProperty* property) const;

    // ---- pivot sets and target properties ---------------------------------------------------
    // Set 0 or 1; null for any other index. The sets are made at the first call of the
    // non-const form (a node whose pivots nobody reads or sets carries none); until then the
    // const form answers sets with the defaults.
    RWyxPivotSet* GetPivotSet(int index);
    const RWyxPivotSet* GetPivotSet(int index) const;
    RPropertyObjectList* GetLookAtProperty() const { return lookAt_; }
    RPropertyObjectList* GetUpVectorProperty() const { return upVector_; }

    // The name of a rotation order, 0 "Euler XYZ" to 6 "Spheric XYZ"; null for any other.
    static const char* RotationOrderName(int order);
    // The name of an inherit type, 0 "RrSs", 1 "RSrs", 2 "Rrs"; null for any other.
    static const char* InheritTypeName(int type);

    // ---- setters and getters of the stored values --------------------------------------------
    // Bool setters take a byte and answer it; Vector setters store x, y and z, and Vector
    // getters answer w = 1.0.
    std::uint8_t SetQuaternionInterpolate(std::uint8_t value) { return SetBool(kQuaternionInterpolate, value); }
    bool GetQuaternionInterpolate() const { return bools_[kQuaternionInterpolate]; }
    void SetRotationOffset(const RVector4& value) { SetVector(kRotationOffset, value); }
    RVector4 GetRotationOffset() const { return vectors_[kRotationOffset]; }
    void SetRotationPivot(const RVector4& value) { SetVector(kRotationPivot, value); }
    RVector4 GetRotationPivot() const { return vectors_[kRotationPivot]; }
    void SetRotationPivotUpdateOffset(const RVector4& value) { SetVector(kRotationPivotUpdateOffset, value); }
    RVector4 GetRotationPivotUpdateOffset() const { return vectors_[kRotationPivotUpdateOffset]; }
    void SetScalingOffset(const RVector4& value) { SetVector(kScalingOffset, value); }
    RVector4 GetScalingOffset() const { return vectors_[kScalingOffset]; }
    void SetScalingPivot(const RVector4& value) { SetVector(kScalingPivot, value); }
    RVector4 GetScalingPivot() const { return vectors_[kScalingPivot]; }
    void SetScalingPivotUpdateOffset(const RVector4& value) { SetVector(kScalingPivotUpdateOffset, value); }
    RVector4 GetScalingPivotUpdateOffset() const { return vectors_[kScalingPivotUpdateOffset]; }
    std::uint8_t SetTranslationActive(std::uint8_t value) { return SetBool(kTranslationActive, value); }
    bool GetTranslationActive() const { return bools_[kTranslationActive]; }
    void SetTranslationMin(const RVector4& value) { SetVector(kTranslationMin, value); }
    RVector4 GetTranslationMin() const { return vectors_[kTranslationMin]; }
    void SetTranslationMax(const RVector4& value) { SetVector(kTranslationMax, value); }
    RVector4 GetTranslationMax() const { return vectors_[kTranslationMax]; }
    std::uint8_t SetTranslationMinX(std::uint8_t value) { return SetBool(kTranslationMinX, value); }
    bool GetTranslationMinX() const { return bools_[kTranslationMinX]; }
    std::uint8_t SetTranslationMinY(std::uint8_t value) { return SetBool(kTranslationMinY, value); }
    bool GetTranslationMinY() const { return bools_[kTranslationMinY]; }
    std::uint8_t SetTranslationMinZ(std::uint8_t value) { return SetBool(kTranslationMinZ, value); }
    bool GetTranslationMinZ() const { return bools_[kTranslationMinZ]; }
    std::uint8_t SetTranslationMaxX(std::uint8_t value) { return SetBool(kTranslationMaxX, value); }
    bool GetTranslationMaxX() const { return bools_[kTranslationMaxX]; }
    std::uint8_t SetTranslationMaxY(std::uint8_t value) { return SetBool(kTranslationMaxY, value); }
    bool GetTranslationMaxY() const { return bools_[kTranslationMaxY]; }
    std::uint8_t SetTranslationMaxZ(std::uint8_t value) { return SetBool(kTranslationMaxZ, value); }
    bool GetTranslationMaxZ() const { return bools_[kTranslationMaxZ]; }
    int SetRotationOrder(int value) { return enums_[kRotationOrder] = value; }
    int GetRotationOrder() const { return enums_[kRotationOrder]; }
    std::uint8_t SetRotationSpaceForLimitOnly(std::uint8_t value) { return SetBool(kRotationSpaceForLimitOnly, value); }
    bool GetRotationSpaceForLimitOnly() const { return bools_[kRotationSpaceForLimitOnly]; }
    double SetAxisLen(double value) { return numbers_[kAxisLen] = value; }
    double GetAxisLen() const { return numbers_[kAxisLen]; }
    void SetPreRotation(const RVector4& value) { SetVector(kPreRotation, value); }
    RVector4 GetPreRotation() const { return vectors_[kPreRotation]; }
    void SetPostRotation(const RVector4& value) { SetVector(kPostRotation, value); }
    RVector4 GetPostRotation() const { return vectors_[kPostRotation]; }
    std::uint8_t SetRotationActive(std::uint8_t value) { return SetBool(kRotationActive, value); }
    bool GetRotationActive() const { return bools_[kRotationActive]; }
    void SetRotationMin(const RVector4& value) { SetVector(kRotationMin, value); }
    RVector4 GetRotationMin() const { return vectors_[kRotationMin]; }
    void SetRotationMax(const RVector4& value) { SetVector(kRotationMax, value); }
    RVector4 GetRotationMax() const { return vectors_[kRotationMax]; }
    double SetRotationStiffnessX(double value) { return numbers_[kRotationStiffnessX] = value; }
    double GetRotationStiffnessX() const { return numbers_[kRotationStiffnessX]; }
    double SetRotationStiffnessY(double value) { return numbers_[kRotationStiffnessY] = value; }
    double GetRotationStiffnessY() const { return numbers_[kRotationStiffnessY]; }
    double SetRotationStiffnessZ(double value) { return numbers_[kRotationStiffnessZ] = value; }
    double GetRotationStiffnessZ() const { return numbers_[kRotationStiffnessZ]; }
    std::uint8_t SetRotationMinX(std::uint8_t value) { return SetBool(kRotationMinX, value); }
    bool GetRotationMinX() const { return bools_[kRotationMinX]; }
    std::uint8_t SetRotationMinY(std::uint8_t value) { return SetBool(kRotationMinY, value); }
    bool GetRotationMinY() const { return bools_[kRotationMinY]; }
    std::uint8_t SetRotationMinZ(std::uint8_t value) { return SetBool(kRotationMinZ, value); }
    bool GetRotationMinZ() const { return bools_[kRotationMinZ]; }
    std::uint8_t SetRotationMaxX(std::uint8_t value) { return SetBool(kRotationMaxX, value); }
    bool GetRotationMaxX() const { return bools_[kRotationMaxX]; }
    std::uint8_t SetRotationMaxY(std::uint8_t value) { return SetBool(kRotationMaxY, value); }
    bool GetRotationMaxY() const { return bools_[kRotationMaxY]; }
    std::uint8_t SetRotationMaxZ(std::uint8_t value) { return SetBool(kRotationMaxZ, value); }
    bool GetRotationMaxZ() const { return bools_[kRotationMaxZ]; }
    int SetInheritType(int value) { return enums_[kInheritType] = value; }
    int GetInheritType() const { return enums_[kInheritType]; }
    std::uint8_t SetScalingActive(std::uint8_t value) { return SetBool(kScalingActive, value); }
    bool GetScalingActive() const { return bools_[kScalingActive]; }
    void SetScalingMin(const RVector4& value) { SetVector(kScalingMin, value); }
    RVector4 GetScalingMin() const { return vectors_[kScalingMin]; }
    void SetScalingMax(const RVector4& value) { SetVector(kScalingMax, value); }
    RVector4 GetScalingMax() const { return vectors_[kScalingMax]; }
    std::uint8_t SetScalingMinX(std::uint8_t value) { return SetBool(kScalingMinX, value); }
    bool GetScalingMinX() const { return bools_[kScalingMinX]; }
    std::uint8_t SetScalingMinY(std::uint8_t value) { return SetBool(kScalingMinY, value); }
    bool GetScalingMinY() const { return bools_[kScalingMinY]; }
    std::uint8_t SetScalingMinZ(std::uint8_t value) { return SetBool(kScalingMinZ, value); }
    bool GetScalingMinZ() const { return bools_[kScalingMinZ]; }
    std::uint8_t SetScalingMaxX(std::uint8_t value) { return SetBool(kScalingMaxX, value); }
    bool GetScalingMaxX() const { return bools_[kScalingMaxX]; }
    std::uint8_t SetScalingMaxY(std::uint8_t value) { return SetBool(kScalingMaxY, value); }
    bool GetScalingMaxY() const { return bools_[kScalingMaxY]; }
    std::uint8_t SetScalingMaxZ(std::uint8_t value) { return SetBool(kScalingMaxZ, value); }
    bool GetScalingMaxZ() const { return bools_[kScalingMaxZ]; }
    void SetGeometricTranslation(const RVector4& value) { SetVector(kGeometricTranslation, value); }
    RVector4 GetGeometricTranslation() const { return vectors_[kGeometricTranslation]; }
    void SetGeometricRotation(const RVector4& value) { SetVector(kGeometricRotation, value); }
    RVector4 GetGeometricRotation() const { return vectors_[kGeometricRotation]; }
    void SetGeometricScaling(const RVector4& value) { SetVector(kGeometricScaling, value); }
    RVector4 GetGeometricScaling() const { return vectors_[kGeometricScaling]; }
    std::uint8_t SetShow(std::uint8_t value) { return SetBool(kShow, value); }
    bool GetShow() const { return bools_[kShow]; }
    std::uint8_t SetNegativePercentShapeSupport(std::uint8_t value) {
        return SetBool(kNegativePercentShapeSupport, value);
    }
    bool GetNegativePercentShapeSupport() const { return bools_[kNegativePercentShapeSupport]; }

protected:
    // Takes the member properties out of the property array before they go.
    ~RWyxNodeProperties() override;

private:
    friend class RWyxNode;

    // Called by the node right before it destroys this object: a destruction that has to
    // wait (the object is locked) must not reach the node afterwards.
    void ForgetNode() { node_ = nullptr; }

    // Where each stored value lives, by kind.
    enum BoolSlot {
        kQuaternionInterpolate,
        kTranslationActive,
        kTranslationMinX,
        kTranslationMinY,
        kTranslationMinZ,
        kTranslationMaxX,
        kTranslationMaxY,
        kTranslationMaxZ,
        kRotationSpaceForLimitOnly,
        kRotationActive,
        kRotationMinX,
        kRotationMinY,
        kRotationMinZ,
        kRotationMaxX,
        kRotationMaxY,
        kRotationMaxZ,
        kScalingActive,
        kScalingMinX,
        kScalingMinY,
        kScalingMinZ,
        kScalingMaxX,
        kScalingMaxY,
        kScalingMaxZ,
        kShow,
        kNegativePercentShapeSupport,
        kBoolCount
    };
    enum VectorSlot {
        kRotationOffset,
        kRotationPivot,
        kRotationPivotUpdateOffset,
        kScalingOffset,
        kScalingPivot,
        kScalingPivotUpdateOffset,
        kTranslationMin,
        kTranslationMax,
        kPreRotation,
        kPostRotation,
        kRotationMin,
        kRotationMax,
        kScalingMin,
        kScalingMax,
        kGeometricTranslation,
        kGeometricRotation,
        kGeometricScaling,
        kVectorCount
    };
    enum NumberSlot { kRotationStiffnessX, kRotationStiffnessY, kRotationStiffnessZ, kAxisLen, kNumberCount };
    enum EnumSlot { kRotationOrder, kInheritType, kEnumCount };

    enum class Kind { Bool, Vector, Number, Enum, LookAt, UpVector, Channel };
    struct Row;
    static const Row kRows[];
    static constexpr int kChannelCount = 4;
    static constexpr int kMemberCount = kBoolCount + kVectorCount + kNumberCount + kEnumCount;
    struct MemberPlace;

    std::uint8_t SetBool(BoolSlot slot, std::uint8_t value) {
        bools_[slot] = value != 0;
        return value;
    }
    void SetVector(VectorSlot slot, const RVector4& value) {
        vectors_[slot] = RVector4(value.x, value.y, value.z, 1.0);
    }

    // The description of a row of kRows, shared by every node.
    static const RPropertyInfo& Description(int row);
    // The descriptions of all rows, in row order.
    static const RPropertyInfo* Descriptions();
    // Where the rows' names lie in the name index, shared by every node.
    static const RPropertyNameIndex::Layout& RowNameLayout();
    // The property of a row (of that description), made and marked, for AdoptMadeProperties to
    // join; null for an object-list row, which DeclareListRow makes and joins.
    RProperty* MakeRow(int row, const RPropertyInfo& description);
    void DeclareListRow(int row, const RPropertyInfo& description);
    // The sender of a relay when it is one of this object's animatable properties; else null.
    const RProperty* AnimatableSender(const RRelayEvent& event) const;
    template <typename Property, typename T>
    RProperty* MakeMember(const RPropertyInfo& description, T& field);
    // Where each member property lies in the member block, the bools first, then the vectors,
    // the numbers and the enumerations, each in slot order; shared by every node.
    static const MemberPlace* MemberPlaces();
    // Calls visit(property) for every member property (made by this object; it may have left
    // the property array), in the order of MemberPlaces or, with lastFirst, the other way.
    template <typename Visit>
    void VisitMembers(bool lastFirst, Visit visit) const;
    // A property the array owns, in the block when it has room.
    template <typename Property, typename... Args>
    Property* MakeOwned(Args&&... args);
    // Vector fields keep w = 1.
    static void StoreVector(RVector4& field, const RVector4& value) { field = RVector4(value.x, value.y, value.z, 1.0); }
    using BoolMember = RFieldProperty<bool>;
    using VectorMember = RFieldProperty<RVector4, &StoreVector>;
    using NumberMember = RFieldProperty<double>;
    using EnumMember = RFieldProperty<int>;
    void ReleaseMemberProperties();
    // Moves a linked (unlinked) child's subtree into this node's container (out of its own).
    void MoveChildSubtree(RWyxNodeProperties* child, bool linked);

    bool bools_[kBoolCount] = {};
    RVector4 vectors_[kVectorCount];
    double numbers_[kNumberCount] = {};
    int enums_[kEnumCount] = {};

    // Holds the member properties side by side (this object ends them, MemberPlaces finds
    // them), and lets go after they have ended.
    RPropertyBlockHold memberBlock_;
    // Holds the properties the property array owns (the target lists and the channels). The
    // properties of the two blocks are the standard ones.
    RPropertyBlockHold ownedBlock_;
    RPropertyObjectList* lookAt_ = nullptr;    // owned by the property array
    RPropertyObjectList* upVector_ = nullptr;  // owned by the property array
    // An owned child plug that mirrors the connections with other node properties objects,
    // so that the parent and the children are read without scanning every connection.
    RPlug* hierarchyLinks_ = nullptr;
    std::unique_ptr<RWyxPivotSet[]> pivotSets_;  // kPivotSetCount, made when first asked for
    RWyxNode* node_;
};

#endif
