#ifndef WYX_CORE_RPROPERTYINFO_H
#define WYX_CORE_RPROPERTYINFO_H

// The description part of every property: its info flags, name, label, data type, range,
// type code, enumeration names and entity-list index; all a property is apart from its
// value, its connections and the accessors it may be bound to.
//
// A description may be shared: the built-in properties of a class all point at the one
// description of their row in the class's table, and a property copies its description only
// when it is changed (RProperty). A shared description is never changed once shared.
//
// The accessors (a getter and a setter of the owner) stay with the typed property that holds
// the value (RTypedProperty<T>): they are typed by that value, which a description shared by
// every property class could only hold by converting the value on each read and write.

#include "core/RDataType.h"
#include "core/RString.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

class RProperty;
class RWyxStringList;

// The name of an enumeration value, or null.
using REnumNameCallback = const char* (*)(const RProperty& property, int value);

class RPropertyInfo {
public:
    // Info flags.
    static constexpr std::uint32_t kOwnedByObject = 1;  // the object destroys it on removal
    static constexpr std::uint32_t kAnimatable = 2;
    static constexpr std::uint32_t kListFlag = 4;       // set with kObjectList
    static constexpr std::uint32_t kObjectList = 8;
    static constexpr std::uint32_t kIndexed = 16;       // takes an index in entity lists
    static constexpr std::uint32_t kOwnedName = 32;
    static constexpr std::uint32_t kUserProperty = 64;
    static constexpr std::uint32_t kUserFlag = 128;
    static constexpr std::uint32_t kReferenceFlag = 256;
    static constexpr std::uint32_t kEnumCallback = 512;  // kept by SetEnumNameCallback

    // No flags, the empty name, no label, no data type, range -HUGE_VAL to +HUGE_VAL, type
    // code 0, no enumeration names, index -1.
    RPropertyInfo();
    // A description with a name, a type code, info flags and a data type (null: the type
    // code's default); the rest as above.
    RPropertyInfo(const char* name, int typeCode, std::uint32_t flags, const RDataType* dataType = nullptr);
    ~RPropertyInfo();
    // A copy has a list of enumeration names of its own.
    RPropertyInfo(const RPropertyInfo& other);
    RPropertyInfo& operator=(const RPropertyInfo&) = delete;

    // The description every new property of a type code starts with (the defaults above with
    // that type code), shared; codes outside the table give the one of code 0.
    static const RPropertyInfo& Default(int typeCode);

    std::uint32_t GetFlags() const { return flags_; }
    void SetFlag(std::uint32_t mask, bool on);
    bool HasFlag(std::uint32_t mask) const { return (flags_ & mask) != 0; }

    const char* GetName() const { return name_.Buffer(); }
    // The name with its length, which a comparison takes without measuring the text.
    std::string_view GetNameView() const { return {name_.Buffer(), static_cast<std::size_t>(name_.GetLength())}; }
    // Null stores the empty name.
    void SetName(const char* name);
    // The hash of the name, kept with it: every object that indexes a property of a shared
    // description by name finds it here rather than hashing the name again.
    std::size_t GetNameHash() const { return nameHash_; }
    static std::size_t HashName(std::string_view name);

    // An empty or null text clears the label.
    void SetLabel(const char* text);
    const char* GetLabel() const { return label_.Buffer(); }
    bool HasLabel() const { return !label_.IsEmptyText(); }

    int GetTypeCode() const { return typeCode_; }
    void SetTypeCode(int code) { typeCode_ = code; }

    // The data type; without one, the default of the type code (DefaultDataType).
    const RDataType* GetDataType() const;
    void SetDataType(const RDataType* type) { dataType_ = type; }
    // The data type as set; null when none is.
    const RDataType* GetStoredDataType() const { return dataType_; }
    // 4 Number, 7 Time, 12 Vector4, 13 Vector, 14 Color, 15 ColorAndAlpha; null for the others.
    static const RDataType* DefaultDataType(int typeCode);

    double GetMin() const { return minimum_; }
    double GetMax() const { return maximum_; }
    // False (and nothing stored) when both bounds are already these.
    bool SetRange(double minimum, double maximum);

    // The list of enumeration names, made empty on first use when asked.
    RWyxStringList* GetEnumList(bool create);
    const RWyxStringList* GetEnumList() const { return enumList_.get(); }
    // Stores the callback and sets flag 512 while there is one.
    void SetEnumNameCallback(REnumNameCallback callback);
    REnumNameCallback GetEnumNameCallback() const { return enumCallback_; }

    // The index an entity list gave the property; -1 when none.
    int GetIndex() const { return index_; }
    void SetIndex(int index) { index_ = index; }

private:
    std::uint32_t flags_ = 0;
    RString name_;
    std::size_t nameHash_;
    RString label_;
    const RDataType* dataType_ = nullptr;
    double minimum_;
    double maximum_;
    int typeCode_ = 0;
    std::unique_ptr<RWyxStringList> enumList_;
    REnumNameCallback enumCallback_ = nullptr;
    int index_ = -1;
};

#endif
