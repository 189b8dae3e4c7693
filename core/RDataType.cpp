#include "core/RDataType.h"

#include "core/RIniFile.h"
#include "core/RStringMap.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <memory>
#include <string>
#include <string_view>

namespace {

// Size and component count of each kind, in the order of RDataType::Kind.
struct KindTraits {
    int size;
    int componentCount;
};
constexpr KindTraits kKindTraits[] = {
    {8, 1},     // Number
    {8, 0},     // Time
    {24, 3},    // Vector
    {32, 4},    // Vector4
    {128, 16},  // Matrix
    {0, 0},     // None
};

// The five base types open the table, in the order of their kinds.
constexpr int kBaseTypeCount = 5;
constexpr int kIntegerIndex = 6;
constexpr int kActionIndex = 7;
constexpr int kBoolIndex = 17;
constexpr int kEnumIndex = 18;
constexpr int kColorIndex = 19;
constexpr int kColorAndAlphaIndex = 20;

constexpr const char* kUnknownComponent = "?";
constexpr const char* kXyzw[] = {"x", "y", "z", "w"};
constexpr const char* kRgba[] = {"r", "g", "b", "a"};
constexpr const char* kUv[] = {"U", "V"};
constexpr const char* kHsb[] = {"H", "S", "B"};
// Time components are named, but there are none: every index answers "?".
constexpr const char* kNoComponents[] = {kUnknownComponent};

// Times are written with their residual marked, in the default mode and format.
constexpr int kTimeTextDetail = 5;
constexpr RTimeMode kTimeTextMode = 0;
constexpr int kMatrixDecimals = 6;

constexpr const char* kSettingsFile = "@Application.txt";
constexpr const char* kDecimalsSection = "NumericField";
constexpr const char* kDecimalsKey = "Decimal";
constexpr const char* kDecimalsDefault = "2";

// The name registry; it outlives every data type, because each one is made after it.
RStringMap& Registry() {
    static RStringMap registry(20);
    return registry;
}

// The types made by name (with no table row) that are alive: while there are none, every
// registered name is a table row's, each once.
std::atomic<int>& BareTypeCount() {
    static std::atomic<int> count{0};
    return count;
}

// The table's rows by exact spelling, for the common lookup of a name as the table spells
// it: an open-addressed index keyed on the length and end letters, so that a lookup compares
// a name or two instead of searching the registry without regard to case.
class ExactNames {
public:
    void Add(std::string_view name, int row) {
        std::size_t at = Home(name);
        while (rows_[at] >= 0) at = (at + 1) % kSlots;
        names_[at] = name;
        rows_[at] = row;
    }

    // The row spelt exactly so; -1 when none is.
    int Find(std::string_view name) const {
        if (name.empty()) return -1;
        for (std::size_t at = Home(name); rows_[at] >= 0; at = (at + 1) % kSlots) {
            if (names_[at] == name) return rows_[at];
        }
        return -1;
    }

private:
    static constexpr std::size_t kSlots = 128;  // three times the rows: short probes

    static std::size_t Home(std::string_view name) {
        const auto first = static_cast<unsigned char>(name.front());
        const auto last = static_cast<unsigned char>(name.back());
        return (name.size() * 31u + first * 7u + last) % kSlots;
    }

    std::array<std::string_view, kSlots> names_{};
    std::array<int, kSlots> rows_ = MakeEmptyRows();

    static std::array<int, kSlots> MakeEmptyRows() {
        std::array<int, kSlots> rows{};
        rows.fill(-1);
        return rows;
    }
};

// -1 until the settings file has been read.
std::atomic<int>& CachedDecimals() {
    static std::atomic<int> decimals{-1};
    return decimals;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// strtod in the "C" locale: the same texts, whatever the process locale is.
double ReadDouble(const char* text, const char** end) {
    static const locale_t classic = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    char* stop = nullptr;
    const double value = classic != static_cast<locale_t>(nullptr) ? ::strtod_l(text, &stop, classic)
                                                                   : std::strtod(text, &stop);
    if (end != nullptr) {
        *end = stop;
    }
    return value;
}

// "{c0,c1,...}" with exactly count components; text after the closing brace is ignored.
// Every separator is checked before it is stepped over, so reading stops at the terminator.
bool ReadBraced(const char* text, int count, double* components) {
    if (*text != '{') {
        return false;
    }
    const char* at = text;
    for (int index = 0; index < count; ++index) {
        ++at;  // past the '{' or ','
        const char* end = nullptr;
        components[index] = ReadDouble(at, &end);
        if (end == at) {
            return false;
        }
        at = end;
        if (*at != (index + 1 < count ? ',' : '}')) {
            return false;
        }
    }
    return true;
}

// Appends to a caller's buffer, cutting what does not fit; the text is always terminated.
class BoundedText {
public:
    BoundedText(char* buffer, std::size_t size) : buffer_(buffer), room_(size - 1) { buffer_[0] = '\0'; }

    void Append(const char* text, std::size_t length) {
        const std::size_t count = std::min(length, room_ - used_);
        std::memcpy(buffer_ + used_, text, count);
        used_ += count;
        buffer_[used_] = '\0';
    }

    void Append(char c) { Append(&c, 1); }

    void AppendFixed(double value, int decimals) {
        // Sign, every integer digit of the largest double, point and decimals.
        char digits[std::numeric_limits<double>::max_exponent10 + RDataType::kMaxDecimals + 8];
        const auto result =
            std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed, decimals);
        if (result.ec == std::errc()) {
            Append(digits, static_cast<std::size_t>(result.ptr - digits));
        }
    }

    // "{c0,c1,...}"
    void AppendBraced(const RDataValue& value, int count, int decimals) {
        Append('{');
        for (int index = 0; index < count; ++index) {
            if (index > 0) {
                Append(',');
            }
            AppendFixed(value.GetComponent(index), decimals);
        }
        Append('}');
    }

private:
    char* buffer_;
    std::size_t room_;
    std::size_t used_ = 0;
};

int ReadDecimalsSetting() {
    RIniFile settings(kSettingsFile, true);  // cached: the key is matched whole
    return RDataType::DecimalsFromText(settings.GetValue(kDecimalsSection, kDecimalsKey, kDecimalsDefault));
}

}  // namespace

RDataType::RDataType(const char* name)
    : name_(name), kind_(Kind::None), base_(this), componentNames_(nullptr), componentNameCount_(0) {
    ++BareTypeCount();
    Register();
}

RDataType::RDataType(const char* name, Kind kind, const RDataType* base, const char* const* componentNames,
                     int componentNameCount, Passkey)
    : name_(name),
      kind_(kind),
      base_(base != nullptr ? base : this),
      componentNames_(componentNames),
      componentNameCount_(componentNameCount) {
    if (componentNames_ == nullptr && base != nullptr) {
        componentNames_ = base->componentNames_;
        componentNameCount_ = base->componentNameCount_;
    }
    Register();
}

RDataType::~RDataType() {
    Unregister();
    if (kind_ == Kind::None) --BareTypeCount();
}

void RDataType::Register() {
    RStringMap& registry = Registry();
    if (registry.Add(name_.Buffer(), reinterpret_cast<std::intptr_t>(this)) >= 0) {
        // Sorted now, so that lookups only read the map.
        registry.SortIfNeeded();
    }
}

void RDataType::Unregister() {
    RStringMap& registry = Registry();
    const std::intptr_t self = reinterpret_cast<std::intptr_t>(this);
    for (int index = 0; index < registry.GetCount(); ++index) {
        if (registry.ValueAt(index) == self) {
            registry.RemoveAt(index);
            return;
        }
    }
}

const RDataType& RDataType::TableEntry(int index) {
    struct TypeRow {
        const char* name;
        Kind kind;
        const char* const* componentNames;  // null: the base type's
        int componentNameCount;
    };
    static constexpr TypeRow kRows[kTypeCount] = {
        {"Number", Kind::Number, nullptr, 0},
        {"Time", Kind::Time, kNoComponents, 0},
        {"Vector", Kind::Vector, kXyzw, 3},
        {"Vector4", Kind::Vector4, kXyzw, 4},
        {"Matrix", Kind::Matrix, nullptr, 0},
        {"Real", Kind::Number, nullptr, 0},
        {"Integer", Kind::Number, nullptr, 0},
        {"Action", Kind::Number, nullptr, 0},
        {"Intensity", Kind::Number, nullptr, 0},
        {"Cone angle", Kind::Number, nullptr, 0},
        {"Fog", Kind::Number, nullptr, 0},
        {"Shape", Kind::Number, nullptr, 0},
        {"FieldOfView", Kind::Number, nullptr, 0},
        {"Roll", Kind::Number, nullptr, 0},
        {"Camera Index", Kind::Number, nullptr, 0},
        {"TimeWarp", Kind::Number, nullptr, 0},
        {"Visibility", Kind::Number, nullptr, 0},
        {"Bool", Kind::Number, nullptr, 0},
        {"Enum", Kind::Number, nullptr, 0},
        {"Color", Kind::Vector, kRgba, 3},
        {"ColorAndAlpha", Kind::Vector4, kRgba, 4},
        {"Translation UV", Kind::Vector, kUv, 2},
        {"Scaling UV", Kind::Vector, kUv, 2},
        {"HSB", Kind::Vector, kHsb, 3},
        {"Translation", Kind::Vector, nullptr, 0},
        {"Scaling", Kind::Vector, nullptr, 0},
        {"Rotation", Kind::Vector, nullptr, 0},
        {"Lcl Translation", Kind::Vector, nullptr, 0},
        {"Lcl Scaling", Kind::Vector, nullptr, 0},
        {"Lcl Rotation", Kind::Vector, nullptr, 0},
        {"Matrix Translation", Kind::Matrix, nullptr, 0},
        {"Matrix Scaling", Kind::Matrix, nullptr, 0},
        {"Matrix Rotation", Kind::Matrix, nullptr, 0},
        {"Matrix Transformation", Kind::Matrix, nullptr, 0},
        {"Orientation", Kind::Vector, nullptr, 0},
        {"Look at", Kind::Vector, nullptr, 0},
        {"Quaternion", Kind::Vector4, nullptr, 0},
        {"Lcl Quaternion", Kind::Vector4, nullptr, 0},
        {"Occlusion", Kind::Number, nullptr, 0},
        {"Weight", Kind::Number, nullptr, 0},
        {"IK Reach Translation", Kind::Number, nullptr, 0},
        {"IK Reach Rotation", Kind::Number, nullptr, 0},
    };
    // Made in table order and destroyed in reverse, so every base outlives its derived types.
    static const auto table = [] {
        std::array<std::unique_ptr<RDataType>, kTypeCount> types;
        for (int row = 0; row < kTypeCount; ++row) {
            const TypeRow& entry = kRows[row];
            // A base type is its own base; the others take the base type of their kind.
            const RDataType* base =
                row < kBaseTypeCount ? nullptr : types[static_cast<std::size_t>(entry.kind)].get();
            types[row] = std::make_unique<RDataType>(entry.name, entry.kind, base, entry.componentNames,
                                                     entry.componentNameCount, Passkey{});
        }
        return types;
    }();
    return *table[index];
}

const RDataType* RDataType::FindTableTypeExactly(std::string_view name) {
    static const ExactNames exact = [] {
        ExactNames names;
        for (int row = 0; row < kTypeCount; ++row) names.Add(TableEntry(row).GetName(), row);
        return names;
    }();
    // A type made by name may share a table name (in any case): then the registry decides.
    if (BareTypeCount() != 0) return nullptr;
    const int row = exact.Find(name);
    return row >= 0 ? &TableEntry(row) : nullptr;
}

const RDataType* RDataType::FindByName(const char* name) {
    if (name == nullptr) {
        return nullptr;
    }
    if (std::strcmp(name, "Trigger") == 0) {
        return &Action();
    }
    TableEntry(0);  // registers the table's types
    if (const RDataType* type = FindTableTypeExactly(name)) {
        return type;
    }
    return reinterpret_cast<const RDataType*>(Registry().Lookup(name));
}

// Only a name the table spells exactly is found without a terminated copy.
const RDataType* RDataType::FindByName(std::string_view name) {
    TableEntry(0);
    if (const RDataType* type = FindTableTypeExactly(name)) {
        return type;
    }
    return FindByName(std::string(name).c_str());
}

const RDataType* RDataType::At(int index) {
    return index >= 0 && index < kTypeCount ? &TableEntry(index) : nullptr;
}

const RDataType& RDataType::Number() { return TableEntry(static_cast<int>(Kind::Number)); }
const RDataType& RDataType::Time() { return TableEntry(static_cast<int>(Kind::Time)); }
const RDataType& RDataType::Vector() { return TableEntry(static_cast<int>(Kind::Vector)); }
const RDataType& RDataType::Vector4() { return TableEntry(static_cast<int>(Kind::Vector4)); }
const RDataType& RDataType::Matrix() { return TableEntry(static_cast<int>(Kind::Matrix)); }
const RDataType& RDataType::Integer() { return TableEntry(kIntegerIndex); }
const RDataType& RDataType::Action() { return TableEntry(kActionIndex); }
const RDataType& RDataType::Bool() { return TableEntry(kBoolIndex); }
const RDataType& RDataType::Enum() { return TableEntry(kEnumIndex); }
const RDataType& RDataType::Color() { return TableEntry(kColorIndex); }
const RDataType& RDataType::ColorAndAlpha() { return TableEntry(kColorAndAlphaIndex); }

int RDataType::GetSize() const { return kKindTraits[static_cast<int>(kind_)].size; }

int RDataType::GetComponentCount() const { return kKindTraits[static_cast<int>(kind_)].componentCount; }

bool RDataType::SetDefault(RDataValue& value) const {
    switch (kind_) {
    case Kind::None:
        return false;
    case Kind::Time:
        value.SetTime(RTime());
        return true;
    default:
        for (int index = 0; index < GetComponentCount(); ++index) {
            value.SetComponent(index, 0.0);
        }
        return true;
    }
}

bool RDataType::FromText(const char* text, RDataValue& value) const {
    if (text == nullptr) {
        return false;
    }
    switch (kind_) {
    case Kind::None:
        return false;
    case Kind::Number:
        // As atof: the leading number, 0.0 when there is none; stored files rely on that.
        value.SetNumber(ReadDouble(text, nullptr));
        return true;
    case Kind::Time: {
        RTime time = value.GetTime();
        if (!time.ParseTime(text, kTimeTextMode, kTimeFormatDefault)) {
            return false;
        }
        value.SetTime(time);
        return true;
    }
    default: {
        const int count = GetComponentCount();
        double components[RDataValue::kMaxComponents];
        if (!ReadBraced(text, count, components)) {
            return false;
        }
        for (int index = 0; index < count; ++index) {
            value.SetComponent(index, components[index]);
        }
        return true;
    }
    }
}

bool RDataType::ToText(char* buffer, std::size_t size, const RDataValue& value) const {
    if (buffer == nullptr || size == 0 || kind_ == Kind::None) {
        return false;
    }
    BoundedText text(buffer, size);
    switch (kind_) {
    case Kind::Number:
        text.AppendFixed(value.GetNumber(), Decimals());
        break;
    case Kind::Time: {
        const RString time = value.GetTime().FormatTime(kTimeTextDetail, kTimeTextMode, kTimeFormatDefault);
        text.Append(time.Buffer(), static_cast<std::size_t>(time.GetLength()));
        break;
    }
    case Kind::Matrix:
        text.AppendBraced(value, GetComponentCount(), kMatrixDecimals);
        break;
    default:
        text.AppendBraced(value, GetComponentCount(), Decimals());
        break;
    }
    return true;
}

const char* RDataType::GetComponentName(int index) const {
    if (componentNames_ == nullptr) {
        return nullptr;
    }
    return index >= 0 && index < componentNameCount_ ? componentNames_[index] : kUnknownComponent;
}

int RDataType::Decimals() {
    int decimals = CachedDecimals().load();
    if (decimals < 0) {
        decimals = ReadDecimalsSetting();
        CachedDecimals().store(decimals);
    }
    return decimals;
}

void RDataType::ForgetDecimals() { CachedDecimals().store(-1); }

int RDataType::DecimalsFromText(const char* text) {
    if (text == nullptr) {
        return kDefaultDecimals;
    }
    const char* at = text;
    while (IsSpace(*at)) {
        ++at;
    }
    const bool negative = *at == '-';
    if (*at == '-' || *at == '+') {
        ++at;
    }
    if (!IsDigit(*at)) {
        return kDefaultDecimals;
    }
    // Saturates just past the largest allowed value, so long digit runs cannot overflow.
    int value = 0;
    for (; IsDigit(*at); ++at) {
        value = std::min(value * 10 + (*at - '0'), kMaxDecimals + 1);
    }
    return negative ? 0 : std::min(value, kMaxDecimals);
}
