#ifndef WYX_ATTRIBUTES_RWYXPROPERTYTABLE_H
#define WYX_ATTRIBUTES_RWYXPROPERTYTABLE_H

// The properties of a properties class, declared once as a table of rows, and the values of
// one object's properties read and written by row.
//
// A properties class (an RObject or an RWyxPropertyHandler) lists its properties in one static
// table: name, type, default value, flags and enum names. The writer, the reader and the
// plug-in all find a property by its name, so the table is the one place that says what the
// class has. The class makes the properties in its constructor and then reads and writes its
// values through the table, by row, instead of one hand-written accessor per property.
//
// Usage:
//
//   // RWyxFooProperties.h
//   class RWyxFooProperties : public RObject {
//       WYX_DECLARE_CLASS(RWyxFooProperties)
//   public:
//       enum Row { kSize, kColor, kMode, kRowCount };  // in table order
//       static const RWyxPropertyRow kRows[kRowCount];
//       RWyxFooProperties() { table_.CreateProperties(*this); }
//       RWyxPropertyTable& GetTable() { return table_; }
//   private:
//       RWyxPropertyTable table_{kRows};
//   };
//
//   // RWyxFooProperties.cpp
//   const RWyxPropertyRow RWyxFooProperties::kRows[kRowCount] = {
//       {"Size", "Number", RWyxPropertyDefault::Number(100.0), 0, nullptr},
//       {"Color", "Color", RWyxPropertyDefault::Vector(0.8, 0.8, 0.8), RWyxPropertyRow::kAnimatable, nullptr},
//       {"Mode", "Enum", RWyxPropertyDefault::Number(0), 0, &ModeName},
//   };
//
//   // the class that owns the properties object
//   double size = properties->GetTable().GetNumber(RWyxFooProperties::kSize);
//   properties->GetTable().SetVector(RWyxFooProperties::kColor, RVector4(1, 0, 0, 1));
//
// The type of a row is a data-type name of the data-type registry ("Number", "Bool",
// "Integer", "Enum", "Color", "Vector", "Intensity", "FieldOfView" ...), which gives both the
// property's data type and its type code; values no data type describes name the property
// type instead ("RString" for a text, "object" for an object reference), and get no data type.
//
// The table remembers the properties it made through weak references: a property removed
// from its object and ended later reads as its row's default and refuses writes, and never
// dangles.

#include "core/RObject.h"
#include "core/RProperty.h"
#include "core/RPropertyInfo.h"
#include "core/RPlugRef.h"
#include "core/RPropertyBlock.h"
#include "core/RString.h"
#include "core/RVector4.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The value a row's property starts with (and returns to on a reset). Numbers, integers,
// enumeration values and flags use x; vectors and colours x, y, z (w 1 unless given); texts
// the text (null for the empty text).
struct RWyxPropertyDefault {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;
    const char* text = nullptr;

    static constexpr RWyxPropertyDefault Number(double value) { return {value, 0.0, 0.0, 1.0, nullptr}; }
    static constexpr RWyxPropertyDefault Flag(bool on) { return {on ? 1.0 : 0.0, 0.0, 0.0, 1.0, nullptr}; }
    static constexpr RWyxPropertyDefault Vector(double x, double y, double z) { return {x, y, z, 1.0, nullptr}; }
    static constexpr RWyxPropertyDefault Vector4(double x, double y, double z, double w) {
        return {x, y, z, w, nullptr};
    }
    static constexpr RWyxPropertyDefault Text(const char* value) { return {0.0, 0.0, 0.0, 1.0, value}; }
};

struct RWyxPropertyRow {
    // Flags of a row.
    static constexpr std::uint32_t kAnimatable = 1;  // may carry curves; marked for the writers
    static constexpr std::uint32_t kNotSaved = 2;    // left out of property blocks

    const char* name;
    const char* typeName;
    RWyxPropertyDefault defaultValue;
    std::uint32_t flags;
    REnumNameCallback enumNames;  // null when the property is no enumeration or has no names
};

class RWyxPropertyTable {
public:
    template <std::size_t N>
    explicit RWyxPropertyTable(const RWyxPropertyRow (&rows)[N]) : RWyxPropertyTable(rows, static_cast<int>(N)) {}
    RWyxPropertyTable(const RWyxPropertyRow* rows, int count);

    // The data type and type code a row's type name stands for; false when it names neither
    // a data type nor a property type that an object can create.
    static bool ResolveType(const char* typeName, const RDataType*& dataType, int& typeCode);

    // Makes every row's property on the object, in table order, with its default value, its
    // flags and its enum names, as the object's CreateProperty makes one. A name the object
    // already uses gets the object's unique form. False when a row could not be made (its
    // property then reads as the default); the other rows are made all the same. Call once,
    // while the object is new (its constructor): the defaults are stored without relaying
    // value changes, and a new object's properties join without the joining events
    // (RObject::AdoptMadeProperties), which nothing can be listening for yet.
    //
    // The rows' descriptions (name, type, flags, data type, range, enum names) are made once
    // for every table over the same rows and shared by their properties, which lie side by
    // side in one block per object; a row of an object or reference type, or whose name is
    // taken, goes through the object's CreateProperty instead.
    bool CreateProperties(RObject& object);

    int GetRowCount() const { return count_; }
    // Null out of range.
    const RWyxPropertyRow* GetRow(int row) const;
    // The type code the row's type name resolves to (ResolveType), resolved once for all
    // tables over the same rows; unknown for a row out of range.
    int GetTypeCode(int row) const;
    // The row of that exact name; -1 when none.
    int FindRow(const char* name) const;

    // The row's property; null out of range, before CreateProperties, or once it is gone.
    RProperty* GetProperty(int row) const;
    // The row of the property's name when the property is that row's property; -1 otherwise.
    int RowOf(const RProperty& property) const;
    // The properties still there, in table order, appended to the list.
    void CollectProperties(std::vector<RProperty*>& properties) const;

    // Values by row. A getter answers the row's default when the property is missing; a
    // setter answers false then (and for a value the property's type cannot take).
    double GetNumber(int row) const;
    int GetInt(int row) const;
    bool GetBool(int row) const;
    RVector4 GetVector(int row) const;
    RString GetText(int row) const;
    bool SetNumber(int row, double value);
    bool SetInt(int row, int value);
    bool SetBool(int row, bool value);
    bool SetVector(int row, const RVector4& value);
    bool SetText(int row, const RString& value);

    // Writes the row's default value into its property.
    bool ResetRow(int row);
    // Writes every row's default value.
    void ResetAll();

    // The name of an enumeration value in a list of names; null outside the list. For the
    // enum-name callbacks of the rows.
    template <std::size_t N>
    static const char* NameAt(const char* const (&names)[N], int value) {
        return value >= 0 && value < static_cast<int>(N) ? names[value] : nullptr;
    }

private:
    struct Shared;
    static const Shared* SharedPart(const RWyxPropertyRow* rows, int count);

    // The row's property made from its shared description in the block; null when the row
    // has none or the block is full. `fresh`: the object had no property before the table's,
    // whose names are all different, so that no row's name can be taken.
    RProperty* MakeFromDescription(int row, RObject& object, bool fresh);
    // The row's property made through the object's CreateProperty; null when not made.
    RProperty* MakeThroughObject(int row, RObject& object) const;

    const RWyxPropertyRow* rows_;
    int count_;
    // The rows by name and their descriptions; shared by every table over the same rows,
    // never freed.
    const Shared* shared_;
    // A row's property: one made in the block is known by its address, which the block tells
    // live or ended (RPropertyBlock::HoldsLive); one made through the object by a reference.
    struct Made {
        RProperty* placed = nullptr;
        RPlugRef ref;
    };
    // Starts the record by row at the first row not placed in the block, with the rows
    // before it, which were.
    void RecordRowsBefore(int row);

    RPropertyBlockHold block_;  // the properties made from the descriptions
    // Every row's property lies in the block, in the slot of the row's number, so that the
    // block tells it (RPropertyBlock::LiveAt) and made_ stays empty: no record by row is
    // needed for the usual object, all of whose rows are made from their descriptions.
    bool inOwnSlots_ = false;
    std::vector<Made> made_;  // by row, once a row is not in its own slot; weak
};

#endif
