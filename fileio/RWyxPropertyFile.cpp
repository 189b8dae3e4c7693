#include "fileio/RWyxPropertyFile.h"

#include "core/RDataType.h"
#include "core/RObject.h"
#include "core/RWyxPropertyHandler.h"
#include "core/RWyxSceneObject.h"
#include "core/RWyxUserProperty.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <variant>

namespace {

// What a record holds as its value, by type code.
enum class ValueKind { kNone, kInt, kBool, kDouble, kTime, kString, kVector3, kVector4 };

ValueKind KindOf(int typeCode) {
    switch (typeCode) {
        case kPropertyTypeInt:
        case kPropertyTypeEnum: return ValueKind::kInt;
        case kPropertyTypeBool:
        case kPropertyTypeAction: return ValueKind::kBool;
        case kPropertyTypeFloat:
        case kPropertyTypeDouble: return ValueKind::kDouble;
        case kPropertyTypeTime: return ValueKind::kTime;
        case kPropertyTypeCharPtr:
        case kPropertyTypeString: return ValueKind::kString;
        case kPropertyTypeVector3:
        case kPropertyTypeColorRGB: return ValueKind::kVector3;
        case kPropertyTypeVector4:
        case kPropertyTypeColorRGBA: return ValueKind::kVector4;
        default: return ValueKind::kNone;
    }
}

int ValueCount(ValueKind kind) {
    switch (kind) {
        case ValueKind::kNone: return 0;
        case ValueKind::kVector3: return 3;
        case ValueKind::kVector4: return 4;
        default: return 1;
    }
}

// Types that get a record: those with a value, and object references (a record without one).
bool IsSavedTypeCode(int typeCode) {
    return KindOf(typeCode) != ValueKind::kNone || typeCode == kPropertyTypeObject ||
           typeCode == kPropertyTypeReference;
}

// The info flags a record keeps, each as a letter of the flags text.
struct FlagLetter {
    char letter;
    std::uint32_t flag;
};
const FlagLetter kFlagLetters[] = {
    {'A', RProperty::kAnimatable},
    {'U', RProperty::kUserProperty},
    {'X', RProperty::kUserFlag},
};

RString FlagsToText(const RProperty& property) {
    RString text;
    for (const FlagLetter& entry : kFlagLetters) {
        if (property.HasFlag(entry.flag)) text += entry.letter;
    }
    return text;
}

// False when the text holds a letter that stands for no saved flag.
bool FlagsFromText(std::string_view text, std::uint32_t& flags) {
    flags = 0;
    for (const char letter : text) {
        bool known = false;
        for (const FlagLetter& entry : kFlagLetters) {
            if (letter == entry.letter) {
                flags |= entry.flag;
                known = true;
            }
        }
        if (!known) return false;
    }
    return true;
}

bool IsNumberType(char type) { return type == 'D' || type == 'F' || type == 'I' || type == 'L'; }

template <typename T>
T ValueOr(const RPropertyValue& value, const T& fallback) {
    const T* typed = std::get_if<T>(&value);
    return typed != nullptr ? *typed : fallback;
}

const RVector4 kDefaultVector(0.0, 0.0, 0.0, 1.0);

// An empty view may have no bytes at all: it gives the empty text, not the invalid one.
RString Text(std::string_view view) {
    return view.empty() ? RString() : RString(view.data(), static_cast<int>(view.size()));
}

// A text as its C form reads: up to its first zero byte.
std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

// The property of that name (as its C text reads) on the first object that has one, with that
// object's place in the list. Records come in the order of the properties they were written
// from: each object's lookup starts at its hint, the place after the property it gave last.
RProperty* FindProperty(const std::vector<RObject*>& objects, std::vector<int>& hints, std::string_view name,
                        std::size_t& foundIn) {
    const std::string_view text = UpToZero(name);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i] == nullptr) continue;
        if (RProperty* property = objects[i]->FindPropertyFrom(text, hints[i])) {
            foundIn = i;
            return property;
        }
    }
    return nullptr;
}

// The bytes a record's value takes in a binary file in the form the shaped read decodes: "I"
// for integers and flags, "D" for the rest, the type letter and its bytes each.
std::uint32_t DecodedValueBytes(ValueKind kind) {
    switch (kind) {
        case ValueKind::kInt:
        case ValueKind::kBool: return 5;
        case ValueKind::kDouble:
        case ValueKind::kVector3:
        case ValueKind::kVector4: return 9 * static_cast<std::uint32_t>(ValueCount(kind));
        default: return 0;
    }
}

// Kinds whose records the shaped read takes: those of the numbers it decodes, and object
// references, whose records hold no value (nothing of them is stored).
bool IsShapedKind(ValueKind kind) { return kind == ValueKind::kNone || DecodedValueBytes(kind) != 0; }

// The numbers of a record of that kind from the binary values after its header, when they are
// the numbers the general read takes straight from the file: one integer for integers and
// flags, else up to four doubles (a fourth left 1); none for a reference. False for any other
// form or kind, which the general read then takes.
bool DecodeShapedNumbers(ValueKind kind, std::string_view values, std::int32_t& integer, double (&numbers)[4]) {
    numbers[3] = kDefaultVector.w;
    if (kind == ValueKind::kNone) return values.empty();
    if (kind == ValueKind::kInt || kind == ValueKind::kBool) return RWyxFile::DecodeBinaryInt(values, integer);
    return DecodedValueBytes(kind) != 0 && RWyxFile::DecodeBinaryDoubles(values, numbers, ValueCount(kind));
}

// Those numbers as the record's value, made as its own kind of RPropertyValue at once.
RPropertyValue ShapedValue(ValueKind kind, std::int32_t integer, const double (&numbers)[4]) {
    switch (kind) {
        case ValueKind::kInt: return RPropertyValue(std::in_place_type<int>, integer);
        case ValueKind::kBool: return RPropertyValue(std::in_place_type<bool>, integer != 0);
        case ValueKind::kDouble: return RPropertyValue(std::in_place_type<double>, numbers[0]);
        default: return RPropertyValue(std::in_place_type<RVector4>, numbers[0], numbers[1], numbers[2], numbers[3]);
    }
}

// At most this many names are kept: a file of ever new names is looked up as before.
constexpr std::size_t kMemoLimit = 16;
// Shapes are kept for this many places of a block.
constexpr int kShapePlaces = 256;
constexpr std::size_t kRecordNameSize = std::char_traits<char>::length(RWyxPropertyFile::kRecordName);

}  // namespace

std::unique_ptr<RWyxPropertyFile> RWyxPropertyFile::Create() { return std::make_unique<RWyxPropertyFile>(); }

// ---- writing ---------------------------------------------------------------------------------------

bool RWyxPropertyFile::WritePropertyBlock(const std::vector<RProperty*>& properties) {
    file_.FieldWriteBegin(GetBlockName());
    file_.FieldWriteBlockBegin();
    for (const RProperty* property : properties) {
        if (property == nullptr || property->HasStateFlags(RProperty::kStateNotSaved)) continue;
        if (!IsSavedTypeCode(property->GetTypeCode())) continue;
        WriteRecord(*property);
    }
    file_.FieldWriteBlockEnd();
    file_.FieldWriteEnd();
    return file_.GetLastErrorID() == -1;
}

void RWyxPropertyFile::WriteRecord(const RProperty& property) {
    file_.FieldWriteBegin(kRecordName);
    file_.FieldWriteString(property.GetName());
    WriteTypes(property);
    file_.FieldWriteString(FlagsToText(property));
    WriteValue(property);
    if (property.IsUserProperty()) {
        file_.FieldWriteString(property.GetLabel());
        file_.FieldWriteDouble(property.GetMin());
        file_.FieldWriteDouble(property.GetMax());
    }
    file_.FieldWriteEnd();
}

void RWyxPropertyFile::WriteTypes(const RProperty& property) {
    const int typeCode = property.GetTypeCode();
    const RDataType* dataType = property.GetDataType();
    if (v5Format_) {
        // One name: the data type's when it alone tells the type code.
        const bool dataTypeTells = dataType != nullptr && RProperty::GetPropertyTypeCode(dataType) == typeCode;
        file_.FieldWriteString(dataTypeTells ? dataType->GetName() : RProperty::GetTypeName(typeCode));
        return;
    }
    file_.FieldWriteString(RProperty::GetTypeName(typeCode));
    file_.FieldWriteString(dataType != nullptr ? dataType->GetName() : "");
}

void RWyxPropertyFile::WriteValue(const RProperty& property) {
    const ValueKind kind = KindOf(property.GetTypeCode());
    switch (kind) {
        case ValueKind::kNone: return;
        case ValueKind::kInt: file_.FieldWriteInt(property.GetInt()); return;
        case ValueKind::kBool: file_.FieldWriteInt(property.GetInt() != 0 ? 1 : 0); return;
        case ValueKind::kDouble: file_.FieldWriteDouble(property.GetDouble()); return;
        case ValueKind::kTime: file_.FieldWriteTime(ValueOr(property.GetValue(), RTime())); return;
        case ValueKind::kString: file_.FieldWriteString(ValueOr(property.GetValue(), RString())); return;
        case ValueKind::kVector3:
        case ValueKind::kVector4: {
            const RVector4 vector = ValueOr(property.GetValue(), kDefaultVector);
            const double components[] = {vector.x, vector.y, vector.z, vector.w};
            for (int i = 0; i < ValueCount(kind); ++i) file_.FieldWriteDouble(components[i]);
            return;
        }
    }
}

// ---- reading ---------------------------------------------------------------------------------------

bool RWyxPropertyFile::ReadPropertyBlock(const std::vector<RObject*>& targets, RWyxSceneObject* userPropertyOwner) {
    if (!file_.FieldReadBegin(GetBlockName())) return false;
    if (!file_.FieldReadBlockBegin()) {
        file_.FieldReadEnd();
        return false;
    }
    findHints_.assign(targets.size(), 0);
    // The block's records looked at in place when shapes may serve them: the level is checked
    // once here rather than once a record.
    RObject* const first = targets.empty() ? nullptr : targets.front();
    BlockView block;
    const bool shaped = first != nullptr && !shapes_.empty() && file_.FieldPeekBinaryLevel(block.records, block.count, block.bytes);
    // The block's fields visited by their place (the records in file order), not looked up by name.
    const int count = file_.FieldGetCount();
    for (int i = 0; i < count; ++i) {
        if (shaped) {
            i = ReadShapedRecords(block, *first, i);
            if (i >= count) break;
        }
        if (file_.FieldGetNameView(i) != kRecordName || !file_.FieldReadBeginAt(i)) continue;
        ReadRecord(targets, userPropertyOwner, i);
        file_.FieldReadEnd();
    }
    file_.FieldReadBlockEnd();
    file_.FieldReadEnd();
    return true;
}

// The record's texts are read in place (FieldReadStringView): only the name is kept, in a
// buffer that serves every record.
void RWyxPropertyFile::ReadRecord(const std::vector<RObject*>& targets, RWyxSceneObject* userPropertyOwner,
                                  int place) {
    // Name, the type (two names in "Properties60"), flags.
    const int headerCount = v5Format_ ? 3 : 4;
    // The header's texts in one step when they lie in place in a binary file (there are that
    // many values then); the name then stays a view of the file.
    headerTaken_ = file_.FieldReadBinaryTexts(header_, headerCount) ? headerCount : 0;
    if (headerTaken_ == 0 && file_.FieldReadValuesLeft() < headerCount) {
        Warn(std::string_view(), "the record is incomplete");
        return;
    }
    headerNext_ = 0;
    std::string_view name;
    if (headerTaken_ > 0) {
        name = NextHeaderText();
    } else {
        recordName_.assign(file_.FieldReadStringView());
        name = recordName_;
    }
    Record record(name);
    if (record.name.empty()) {
        Warn(record.name, "the record has no name");
        return;
    }
    if (!ReadTypes(record) || !ReadValues(record)) return;

    std::size_t foundIn = 0;
    if (RProperty* property = FindProperty(targets, findHints_, record.name, foundIn)) {
        if (property->GetTypeCode() != record.typeCode) {
            Warn(record.name, RString("it clashes with a property of type \"") +
                                  RProperty::GetTypeName(property->GetTypeCode()) + "\"");
            return;
        }
        // Before the value goes in: a hearer of the write may end the property.
        if (foundIn == 0) RememberShape(place, record, *targets.front(), *property);
        ApplyRecord(record, *property);
        return;
    }
    if ((record.flags & RProperty::kUserProperty) == 0) {
        Warn(record.name, "the object has no such property");
        return;
    }
    RObject* first = targets.empty() ? nullptr : targets.front();
    if (first == nullptr || CreateUserProperty(record, *first, userPropertyOwner) == nullptr) {
        Warn(record.name, "the user property cannot be made");
    }
}

// A shape stands for the record's name, the texts, the type lookups and the name lookup: the
// same leading bytes give the same record name, property name, types and flags, and the
// property of the same description at the same place, while it alone has its name, is the one
// the name lookup finds. Sizes and counts come from the file: each is compared with the shape's
// before any byte is looked at.
int RWyxPropertyFile::ReadShapedRecords(const BlockView& block, RObject& first, int from) {
    const std::size_t end = std::min<std::size_t>(shapes_.size(), block.count);
    std::size_t at = static_cast<std::size_t>(from);
    for (; at < end; ++at) {
        const RecordShape& shape = shapes_[at];
        const RWyxRecord& record = block.records[at];
        // A binary record's name lies right before its values: the lead spans both.
        if (shape.description == nullptr || record.valueCount != shape.valueCount ||
            record.valueBytes != shape.valueBytes || record.nameLength != kRecordNameSize) {
            break;
        }
        const char* const lead = block.bytes + record.NameOffset();
        if (std::memcmp(lead, shape.lead, shape.leadSize) != 0) break;
        const std::size_t headerSize = shape.leadSize - kRecordNameSize;
        const ValueKind kind = KindOf(shape.typeCode);
        std::int32_t integer = 0;
        double numbers[4] = {};
        if (!DecodeShapedNumbers(kind, std::string_view(lead + shape.leadSize, record.valueBytes - headerSize), integer,
                                 numbers)) {
            break;
        }
        RProperty* property = first.FindPropertyAtPlace(shape.place, *shape.description);
        if (property == nullptr || property->GetInfo().GetNameHash() != shape.nameHash) break;
        findHints_.front() = shape.place + 1;
        // A reference's record stores nothing, as its full read does not.
        if (kind == ValueKind::kNone) continue;
        StoreValue(std::string_view(lead + shape.nameOffset, shape.nameLength), ShapedValue(kind, integer, numbers),
                   *property);
    }
    return static_cast<int>(at);
}

// Only records whose leading texts were taken in one step from a binary file, of a value the
// shaped read decodes or of a reference, not user records (their label and range follow), and
// only properties that share their class's description.
void RWyxPropertyFile::RememberShape(int place, const Record& record, const RObject& object,
                                     const RProperty& property) {
    const ValueKind kind = KindOf(record.typeCode);
    if (headerTaken_ == 0 || place >= kShapePlaces || (record.flags & RProperty::kUserProperty) != 0 ||
        !IsShapedKind(kind) || !property.SharesInfo()) {
        return;
    }
    std::string_view name;
    std::string_view values;
    std::uint32_t count = 0;
    if (!file_.FieldPeekBinary(place, name, values, count) || name != kRecordName ||
        name.data() + name.size() != values.data()) {
        return;
    }
    const std::string_view last = header_[headerTaken_ - 1];
    const auto headerSize = static_cast<std::size_t>(last.data() + last.size() - values.data());
    const std::size_t leadSize = name.size() + headerSize;
    if (headerSize > values.size() || leadSize > RecordShape::kLeadRoom) return;
    const int propertyPlace = findHints_.front() - 1;
    if (object.GetProperty(propertyPlace) != &property) return;

    if (shapes_.size() <= static_cast<std::size_t>(place)) shapes_.resize(static_cast<std::size_t>(place) + 1);
    RecordShape* const shape = &shapes_[static_cast<std::size_t>(place)];
    std::memcpy(shape->lead, name.data(), leadSize);
    shape->leadSize = static_cast<std::uint32_t>(leadSize);
    shape->valueCount = count;
    shape->valueBytes = static_cast<std::uint32_t>(headerSize) + DecodedValueBytes(kind);
    shape->nameOffset = static_cast<std::uint32_t>(record.name.data() - name.data());
    shape->nameLength = static_cast<std::uint32_t>(record.name.size());
    shape->typeCode = record.typeCode;
    shape->place = propertyPlace;
    shape->description = &property.GetInfo();
    shape->nameHash = property.GetInfo().GetNameHash();
}

void RWyxPropertyFile::Remember(std::vector<TypeMemo>& memos, std::string_view name, int typeCode,
                                const RDataType* dataType) {
    if (memos.size() < kMemoLimit) memos.push_back(TypeMemo{std::string(name), typeCode, dataType});
}

bool RWyxPropertyFile::ReadTypes(Record& record) {
    const std::string_view typeName = NextHeaderText();
    if (const TypeMemo* memo = FindMemo(typeMemos_, typeName)) {
        record.typeCode = memo->typeCode;
        record.dataType = memo->dataType;
    } else {
        if (v5Format_) {
            // The data type's name when it tells the type code.
            const RDataType* dataType = RDataType::FindByName(typeName);
            const int dataTypeCode = RProperty::GetPropertyTypeCode(dataType);
            if (dataTypeCode != kPropertyTypeUnknown) {
                record.typeCode = dataTypeCode;
                record.dataType = dataType;
            }
        }
        if (record.typeCode == kPropertyTypeUnknown) record.typeCode = RProperty::TypeCodeFromName(UpToZero(typeName));
        if (!IsSavedTypeCode(record.typeCode)) {
            Warn(record.name, RString("unknown type \"") + Text(typeName) + "\"");
            return false;
        }
        Remember(typeMemos_, typeName, record.typeCode, record.dataType);
    }
    if (v5Format_) return true;

    const std::string_view dataTypeName = NextHeaderText();
    if (dataTypeName.empty()) return true;
    if (const TypeMemo* memo = FindMemo(dataTypeMemos_, dataTypeName)) {
        record.dataType = memo->dataType;
        return true;
    }
    record.dataType = RDataType::FindByName(dataTypeName);
    if (record.dataType == nullptr) {
        Warn(record.name, RString("unknown data type \"") + Text(dataTypeName) + "\"");
        return false;
    }
    Remember(dataTypeMemos_, dataTypeName, kPropertyTypeUnknown, record.dataType);
    return true;
}

bool RWyxPropertyFile::ReadValues(Record& record) {
    const std::string_view flagsText = NextHeaderText();
    if (!FlagsFromText(flagsText, record.flags)) {
        Warn(record.name, RString("unknown flags \"") + Text(flagsText) + "\"");
        return false;
    }
    const bool user = (record.flags & RProperty::kUserProperty) != 0;
    const ValueKind kind = KindOf(record.typeCode);
    const int expected = ValueCount(kind) + (user ? 3 : 0);
    const int found = file_.FieldReadValuesLeft();
    if (found != expected) {
        Warn(record.name, RString(found) + " values where its type has " + RString(expected));
        return false;
    }

    // Each value is checked for its kind as it is taken.
    bool sound = true;
    auto expectNumber = [&]() { sound = sound && IsNumberType(file_.FieldReadValueType()); };
    auto number = [&]() {
        double value = 0.0;
        sound = file_.FieldReadNumber(value) && sound;
        return value;
    };
    auto text = [&]() {
        sound = sound && file_.FieldReadValueType() == 'S';
        return file_.FieldReadString();
    };
    switch (kind) {
        case ValueKind::kNone: break;
        case ValueKind::kInt:
        case ValueKind::kBool: {
            std::int32_t value = 0;
            sound = file_.FieldReadIntNumber(value) && sound;
            if (kind == ValueKind::kInt) {
                record.value = static_cast<int>(value);
            } else {
                record.value = value != 0;
            }
            break;
        }
        case ValueKind::kDouble: record.value = number(); break;
        case ValueKind::kTime:
            expectNumber();
            record.value = file_.FieldReadTime();
            break;
        case ValueKind::kString: record.value = text(); break;
        case ValueKind::kVector3:
        case ValueKind::kVector4: {
            RVector4 vector = kDefaultVector;
            double* components[] = {&vector.x, &vector.y, &vector.z, &vector.w};
            double taken[4];
            const bool inPlace = file_.FieldReadBinaryDoubles(taken, ValueCount(kind));
            for (int i = 0; i < ValueCount(kind); ++i) *components[i] = inPlace ? taken[i] : number();
            record.value = vector;
            break;
        }
    }
    if (user) {
        recordLabel_ = text();
        record.minimum = number();
        record.maximum = number();
    }
    if (!sound) Warn(record.name, "a value is not of its type's kind");
    return sound;
}

void RWyxPropertyFile::ApplyRecord(const Record& record, RProperty& property) {
    if ((record.flags & RProperty::kUserProperty) != 0 && property.IsUserProperty()) {
        property.SetLabel(recordLabel_.Buffer());
        property.SetMinMax(record.minimum, record.maximum);
    }
    ApplyValue(record.name, record.value, property);
}

void RWyxPropertyFile::ApplyValue(std::string_view name, const RPropertyValue& value, RProperty& property) {
    if (!std::holds_alternative<std::monostate>(value)) StoreValue(name, value, property);
}

RProperty* RWyxPropertyFile::CreateUserProperty(const Record& record, RObject& target,
                                                RWyxSceneObject* userPropertyOwner) {
    const bool animatable = (record.flags & RProperty::kAnimatable) != 0;
    RProperty* property =
        target.CreateProperty(Text(record.name).Buffer(), record.typeCode, record.dataType, animatable, true, nullptr);
    if (property == nullptr) return nullptr;
    property->SetFlag(RProperty::kUserFlag, (record.flags & RProperty::kUserFlag) != 0);
    // Animatable user properties are marked for the writers, as the property handler marks them.
    if (animatable) property->SetStateFlags(RProperty::kStateWriterFlag, true);
    ApplyRecord(record, *property);

    if (userPropertyOwner != nullptr) {
        RWyxUserProperty* userProperty =
            userPropertyOwner->AddUserProperty(std::make_unique<RWyxUserProperty>(userPropertyOwner, property));
        if (target.Is(RWyxPropertyHandler::ClassId())) {
            auto* handler = static_cast<RWyxPropertyHandler*>(&target);
            userProperty->SetNotifyTarget(handler, handler);
        }
    }
    return property;
}

void RWyxPropertyFile::Warn(std::string_view name, const RString& text) {
    messageText_ += "Property \"";
    messageText_ += Text(name);
    messageText_ += "\" skipped: ";
    messageText_ += text;
    messageText_ += '\n';
}
