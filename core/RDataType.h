#ifndef WYX_CORE_RDATATYPE_H
#define WYX_CORE_RDATATYPE_H

// Property data types: process-wide singletons that know the size of a property's value,
// how many double components it has, how to write the value as text and read it back, and
// the names of its components.
//
// Five base types carry the behaviour: Number, Time, Vector, Vector4 and Matrix. The other
// 37 types take everything from their base but may name the components differently
// ("Color" has r, g, b where "Vector" has x, y, z). The 42 types form one table, built on
// first use, in a fixed order; every type is also found by name, without regard to case.
//
// Numbers are written in fixed notation with the configured number of decimals: the
// "Decimal" key of the "NumericField" section of the settings file "@Application.txt",
// read at the first conversion that needs it, 2 when absent, kept between 0 and 15.
// Matrices are written with 6 decimals. Texts never depend on the process locale.

#include "core/RDataValue.h"
#include "core/RString.h"

#include <cstddef>
#include <string_view>

class RDataType {
    struct Passkey {
        explicit Passkey() = default;
    };
    enum class Kind { Number, Time, Vector, Vector4, Matrix, None };

public:
    static constexpr int kTypeCount = 42;
    static constexpr int kMaxDecimals = 15;
    static constexpr int kDefaultDecimals = 2;

    // A type of its own with no value: size 0, no components, its own base, and false from
    // every value operation. Its name is registered until it is destroyed.
    explicit RDataType(const char* name);
    // Used by the table only (the key cannot be made elsewhere).
    RDataType(const char* name, Kind kind, const RDataType* base, const char* const* componentNames,
              int componentNameCount, Passkey);
    ~RDataType();
    RDataType(const RDataType&) = delete;
    RDataType& operator=(const RDataType&) = delete;

    // "Trigger", exactly so, answers "Action"; any other name is looked up without regard to
    // case. Null when no type has the name.
    static const RDataType* FindByName(const char* name);
    // The same for a text that need not end in a zero (it ends at its first zero, if any).
    static const RDataType* FindByName(std::string_view name);
    // The type at a table index, 0 to kTypeCount - 1; null outside.
    static const RDataType* At(int index);

    static const RDataType& Number();
    static const RDataType& Time();
    static const RDataType& Vector();
    static const RDataType& Vector4();
    static const RDataType& Matrix();
    static const RDataType& Integer();
    static const RDataType& Action();
    static const RDataType& Bool();
    static const RDataType& Enum();
    static const RDataType& Color();
    static const RDataType& ColorAndAlpha();

    const char* GetName() const { return name_.Buffer(); }
    int GetSize() const;            // bytes of the value: 8, 8, 24, 32 or 128; 0 for a bare type
    int GetComponentCount() const;  // doubles of the value: 1, 0, 3, 4 or 16
    const RDataType* GetBaseType() const { return base_; }

    // Writes the default value (zero time, zero components); true (false for a bare type).
    bool SetDefault(RDataValue& value) const;
    // Reads text into the value; false, the value unchanged, when the text does not parse.
    // A Number reads the leading number of any text (0.0 when there is none) and is always
    // true; brace forms need exactly their component count.
    bool FromText(const char* text, RDataValue& value) const;
    // Writes at most size - 1 characters and a terminator: the text is cut to fit. False,
    // nothing written, for a null buffer or a size of 0.
    bool ToText(char* buffer, std::size_t size, const RDataValue& value) const;
    // The name of a component, "?" past the last; null for types whose components have no
    // names (Number, Matrix and the types based on them).
    const char* GetComponentName(int index) const;

    // The configured decimals, read from the settings file on first use.
    static int Decimals();
    // Forgets the decimals read, so the next conversion reads the settings file again.
    static void ForgetDecimals();
    // The decimals a setting's text gives: its leading integer kept between 0 and 15, or 2
    // when the text is null or holds no integer.
    static int DecimalsFromText(const char* text);

private:
    // The table, built on first use, in table order.
    static const RDataType& TableEntry(int index);
    // The table type spelt exactly so, while it is the only type of its name; else null.
    static const RDataType* FindTableTypeExactly(std::string_view name);

    void Register();
    void Unregister();

    RString name_;
    Kind kind_;
    const RDataType* base_;
    const char* const* componentNames_;  // null when the components have no names
    int componentNameCount_;
};

#endif
