#ifndef WYX_CORE_RPROPERTY_H
#define WYX_CORE_RPROPERTY_H

// A named, typed value owned by an object.
//
// A property is a plug whose owner is its object. It holds one value of its type code (an
// integer, a flag, a number, a time, a vector or colour, a text, or references to other
// objects) and may name a data type, which gives the value's text form. A typed property
// either keeps its value itself or is bound to a getter and a setter of its owner, so that a
// scene class can publish a member value without copying it. Curves animate a property by
// connecting to it; readers and writers go through the type code and the text form.

#include "core/RDataType.h"
#include "core/RPlug.h"
#include "core/RPropertyInfo.h"
#include "core/RString.h"
#include "core/RTime.h"
#include "core/RVector4.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <variant>

class RObject;
class RProperty;
class RWyxStringList;

// Type codes of property values.
enum RPropertyTypeCode {
    kPropertyTypeUnknown = 0,
    kPropertyTypeInt = 1,
    kPropertyTypeBool = 2,
    kPropertyTypeFloat = 3,
    kPropertyTypeDouble = 4,
    kPropertyTypeCharPtr = 5,
    kPropertyTypeEnum = 6,
    kPropertyTypeTime = 7,
    kPropertyTypeString = 8,
    kPropertyTypeObject = 9,
    kPropertyTypeEvent = 10,
    kPropertyTypeStringList = 11,
    kPropertyTypeVector4 = 12,
    kPropertyTypeVector3 = 13,
    kPropertyTypeColorRGB = 14,
    kPropertyTypeColorRGBA = 15,
    kPropertyTypeAction = 16,
    kPropertyTypeReference = 17,
    kPropertyTypeVectorElement = 18,
    kPropertyTypeCount = 19
};

// A property value. Vectors and colours are four doubles (a vector or colour without alpha
// has w = 1); an object property holds the object's plug.
using RPropertyValue = std::variant<std::monostate, int, bool, double, RTime, RVector4, RString, RPlug*>;

class RProperty : public RPlug {
    WYX_DECLARE_CLASS(RProperty)

public:
    // Info flags (RPropertyInfo).
    static constexpr std::uint32_t kOwnedByObject = RPropertyInfo::kOwnedByObject;
    static constexpr std::uint32_t kAnimatable = RPropertyInfo::kAnimatable;
    static constexpr std::uint32_t kListFlag = RPropertyInfo::kListFlag;
    static constexpr std::uint32_t kObjectList = RPropertyInfo::kObjectList;
    static constexpr std::uint32_t kIndexed = RPropertyInfo::kIndexed;
    static constexpr std::uint32_t kOwnedName = RPropertyInfo::kOwnedName;
    static constexpr std::uint32_t kUserProperty = RPropertyInfo::kUserProperty;
    static constexpr std::uint32_t kUserFlag = RPropertyInfo::kUserFlag;
    static constexpr std::uint32_t kReferenceFlag = RPropertyInfo::kReferenceFlag;
    static constexpr std::uint32_t kEnumCallback = RPropertyInfo::kEnumCallback;

    // State flags.
    static constexpr std::uint32_t kStateWriterFlag = 8;  // tested by the writers
    static constexpr std::uint32_t kStateNotSaved = 16;   // not written to property blocks
    static constexpr std::uint32_t kStateReadOnly = 32;   // declared with a getter and no setter

    RProperty();
    // A built-in property of a class: its description is the row of the class's table (which
    // outlives every property), shared until the property changes it.
    explicit RProperty(const RPropertyInfo& description);

    // A property destroyed on its own first leaves its object's property list.
    void PrepareDestroy() override;
    bool SetOwner(RPlug* owner) override;
    // Destroy() for a property whose class keeps RProperty's PrepareDestroy and RelayB: one
    // that nothing reaches (no owner, connection, child or lock) ends at once, since its
    // leaving and its destroying relay would reach nobody.
    void DestroyDetached();
    // Made in a property block (RPropertyBlock): of a class that ends as RProperty does.
    bool IsPlacedInBlock() const { return blockSlot_ != kNotInBlock; }

    // ---- value access by type code ----------------------------------------------------------
    // Integer and enumeration values, and flags as 0 or 1; 0 for other codes.
    virtual int GetInt() const;
    // Stores an integer (codes 1, 6) or a flag (2, 16: value != 0); false for other codes.
    virtual bool SetInt(int value);
    // Integers and flags as doubles, numbers as they are; 0.0 for other codes.
    virtual double GetDouble() const;
    // Numbers (codes 3, 4) as they are, integers and flags truncated toward zero.
    virtual bool SetDouble(double value);
    // Renames; with makeUnique the name is first made unique among the object's properties.
    // Double quotes are dropped. False when the rename is refused.
    virtual bool SetName(const char* name, bool makeUnique);
    // The value; an empty value for codes without one.
    virtual RPropertyValue GetValue() const { return std::monostate(); }
    // Stores a value of this property's kind; false for any other kind.
    virtual bool SetValue(const RPropertyValue& /*value*/) { return false; }

    // The owner adds the property as its child; the name is stored.
    void Declare(const char* name, RObject* owner);

    // ---- info ------------------------------------------------------------------------------
    // The description part; it changes through the property, which relays the changes. A
    // property shares the description it was made with until the first change that differs
    // from it, which makes it a copy of its own.
    const RPropertyInfo& GetInfo() const { return *info_; }
    // True while the property changed nothing of the description it was made with.
    bool SharesInfo() const { return !ownsInfo_; }
    std::uint32_t GetFlags() const { return info_->GetFlags(); }
    void SetFlag(std::uint32_t mask, bool on);
    bool HasFlag(std::uint32_t mask) const { return info_->HasFlag(mask); }
    bool IsAnimatable() const { return HasFlag(kAnimatable); }
    bool IsOwnedByObject() const { return HasFlag(kOwnedByObject); }
    bool IsUserProperty() const { return HasFlag(kUserProperty); }
    bool IsObjectList() const { return HasFlag(kObjectList); }

    void SetStateFlags(std::uint32_t mask, bool on);
    bool HasStateFlags(std::uint32_t mask) const { return (stateFlags_ & mask) != 0; }
    void SetReadOnly(bool on) { SetStateFlags(kStateReadOnly, on); }

    int GetTypeCode() const { return info_->GetTypeCode(); }
    void SetTypeCode(int code);
    void SetNameAndTypeCode(const char* name, int code);
    // The data type; without one, the default of the type code (4 Number, 7 Time, 12 Vector4,
    // 13 Vector, 14 Color, 15 ColorAndAlpha), else null.
    const RDataType* GetDataType() const { return info_->GetDataType(); }
    void SetDataType(const RDataType* type);

    const char* GetName() const { return info_->GetName(); }
    // An empty or null text clears the label.
    void SetLabel(const char* text);
    const char* GetLabel() const { return info_->GetLabel(); }
    bool HasLabel() const { return info_->HasLabel(); }

    // A change of either bound relays kRelayRangeChanged; setting the same values does not.
    void SetMinMax(double minimum, double maximum);
    void SetMin(double minimum) { SetMinMax(minimum, GetMax()); }
    void SetMax(double maximum) { SetMinMax(GetMin(), maximum); }
    double GetMin() const { return info_->GetMin(); }
    double GetMax() const { return info_->GetMax(); }

    // The index an entity list gave the property; -1 when none.
    int GetIndex() const { return info_->GetIndex(); }
    void SetIndex(int index);

    // The owner as an object; null when the owner is not an object.
    RObject* GetOwnerObject() const;

    // ---- enumerations ------------------------------------------------------------------------
    // The callback's answer (not for user properties), else the list's entry; null when there
    // is none, including for a negative or too large value.
    const char* GetEnumName(int value) const;
    // The list is the property's own (a change of the shared description makes a copy).
    RWyxStringList* GetEnumList(bool create);
    void SetEnumNameCallback(REnumNameCallback callback);

    // ---- references --------------------------------------------------------------------------
    bool IsReference() const { return GetTypeCode() == kPropertyTypeReference; }
    // For a reference property, the property it refers to (its first source that is a
    // property); this property itself for other codes.
    RProperty* GetReferencedProperty() const;
    // The reference properties that refer to this one (its destinations that are properties).
    int GetReferrerCount() const;
    RProperty* GetReferrer(int index) const;

    // ---- names of type codes and text of values --------------------------------------------------
    // Null for a code outside the table.
    static const char* GetTypeName(int code);
    // 0 for a name not in the table (and for null).
    static int TypeCodeFromName(const char* name);
    static int TypeCodeFromName(std::string_view name);
    // The type code a data type stands for; 0 for null or a type without one.
    static int GetPropertyTypeCode(const RDataType* type);
    // The value as the writers print it.
    RString GetValueAsText() const;

protected:
    ~RProperty() override;

    // Brackets a write of the value with the relays kRelayValueChanging and
    // kRelayValueChanged; a handler of the relays may destroy the property, which then waits
    // for the end of the write. False, nothing stored, when the owning object refuses the
    // value (RObject::AcceptsPropertyValue). The relays go up to the owner (no property class
    // adds to them), so they are left out where the owner says none of them is heard
    // (RObject::HearsNoPlainValueRelays).
    template <typename T, typename Store>
    bool WriteValue(const T& value, Store store) {
        const WriteRoute route = RouteWrite();
        if (route.checker != nullptr && !OwnerAccepts(*route.checker, RPropertyValue(value))) return false;
        RPlugLock lock(this);
        if (!route.heard) {
            store();
            return true;
        }
        RRelayEvent relay;
        relay.code = kRelayValueChanging;
        relay.sender = this;
        RelayA(relay);
        store();
        relay.code = kRelayValueChanged;
        RelayA(relay);
        return true;
    }

    // Renaming without the uniqueness step: relays, stores, relays.
    bool StoreName(const char* name);
    RString MakeUniqueName(const char* name) const;

    // A property placed in a block (RPropertyBlock) gives its slot back instead of being
    // deleted.
    void Dispose() override;

private:
    friend class RObject;          // keeps nameIndexed_
    friend class RPropertyBlock;   // places properties in its slots
    static constexpr std::uint8_t kNotInBlock = 0xFF;

    void StoreNameText(const char* name);
    // The description to change: the property's own, copied from the shared one first.
    RPropertyInfo& EditInfo();
    // Tells the owning object of a change of name, flags, type code or data type.
    void TellDescriptionChanging();
    // What a write takes besides the store: the owning object when it checks the values
    // written (else null), and whether anyone hears the value relays.
    struct WriteRoute {
        const RObject* checker;
        bool heard;
    };
    // Defined in core/RObject.h (it needs the object's class), which the writing classes include.
    inline WriteRoute RouteWrite() const;
    bool OwnerAccepts(const RObject& owner, const RPropertyValue& value) const;

    // The shared description, or from the first change on the property's own copy, which it
    // deletes (ownsInfo_).
    const RPropertyInfo* info_;
    std::uint32_t stateFlags_ = 0;
    bool nameIndexed_ = false;  // in its owner object's name index
    bool ownsInfo_ = false;
    std::uint8_t blockSlot_ = kNotInBlock;  // the slot of a property placed in a block
    std::uint8_t blockSlotUnits_ = 0;       // that block's slot size in 8-byte units
};

#endif
