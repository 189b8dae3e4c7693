#include "attributes/RWyxPropertyTable.h"

#include "core/RDataType.h"
#include "core/RTime.h"

#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <variant>

namespace {

using RowNameIndex = std::unordered_map<std::string_view, int>;

// The rows of a table by name, made once per rows array: the rows are static and shared by
// every object of their class, and properties are found by name each time a value changes.
// The first of two rows of one name wins, as a scan in table order would find it.
const RowNameIndex* SharedRowIndex(const RWyxPropertyRow* rows, int count) {
    static std::mutex guard;
    static std::unordered_map<const RWyxPropertyRow*, RowNameIndex> indexes;
    const std::lock_guard<std::mutex> lock(guard);
    auto [entry, made] = indexes.try_emplace(rows);
    if (made) {
        for (int i = 0; i < count; ++i) {
            if (rows[i].name != nullptr) entry->second.emplace(rows[i].name, i);
        }
    }
    return &entry->second;
}

// Type codes RObject::CreateProperty makes.
bool IsCreatableTypeCode(int code) {
    switch (code) {
        case kPropertyTypeInt:
        case kPropertyTypeBool:
        case kPropertyTypeDouble:
        case kPropertyTypeEnum:
        case kPropertyTypeTime:
        case kPropertyTypeString:
        case kPropertyTypeObject:
        case kPropertyTypeVector3:
        case kPropertyTypeColorRGB:
        case kPropertyTypeColorRGBA:
        case kPropertyTypeAction:
        case kPropertyTypeReference: return true;
        default: return false;
    }
}

bool HoldsVector(const RProperty& property) {
    const int code = property.GetTypeCode();
    return code == kPropertyTypeVector3 || code == kPropertyTypeColorRGB || code == kPropertyTypeColorRGBA ||
           code == kPropertyTypeVector4;
}

// Writes a default into a property of any type that has a value.
bool WriteDefault(RProperty& property, const RWyxPropertyDefault& value) {
    switch (property.GetTypeCode()) {
        case kPropertyTypeInt:
        case kPropertyTypeEnum: return property.SetInt(static_cast<int>(value.x));
        case kPropertyTypeBool:
        case kPropertyTypeAction: return property.SetInt(value.x != 0.0 ? 1 : 0);
        case kPropertyTypeDouble: return property.SetDouble(value.x);
        case kPropertyTypeTime: return property.SetValue(RTime());
        case kPropertyTypeString: return property.SetValue(RString(value.text != nullptr ? value.text : ""));
        default: break;
    }
    if (HoldsVector(property)) return property.SetValue(RVector4(value.x, value.y, value.z, value.w));
    return true;  // object references start empty
}

}  // namespace

RWyxPropertyTable::RWyxPropertyTable(const RWyxPropertyRow* rows, int count)
    : rows_(rows),
      count_(rows != nullptr && count > 0 ? count : 0),
      rowIndex_(count_ > 0 ? SharedRowIndex(rows_, count_) : nullptr) {}

bool RWyxPropertyTable::ResolveType(const char* typeName, const RDataType*& dataType, int& typeCode) {
    dataType = RDataType::FindByName(typeName);
    typeCode = dataType != nullptr ? RProperty::GetPropertyTypeCode(dataType) : RProperty::TypeCodeFromName(typeName);
    return IsCreatableTypeCode(typeCode);
}

bool RWyxPropertyTable::CreateProperties(RObject& object) {
    properties_.assign(static_cast<std::size_t>(count_), RPlugRef());
    bool allMade = true;
    for (int i = 0; i < count_; ++i) {
        const RWyxPropertyRow& row = rows_[i];
        const RDataType* dataType = nullptr;
        int typeCode = kPropertyTypeUnknown;
        const bool animatable = (row.flags & RWyxPropertyRow::kAnimatable) != 0;
        RProperty* property = ResolveType(row.typeName, dataType, typeCode)
                                  ? object.CreateProperty(row.name, typeCode, dataType, animatable, false, nullptr)
                                  : nullptr;
        if (property == nullptr) {
            allMade = false;
            continue;
        }
        // Animatable properties are the ones the writers list with their curves.
        if (animatable) property->SetStateFlags(RProperty::kStateWriterFlag, true);
        if ((row.flags & RWyxPropertyRow::kNotSaved) != 0) property->SetStateFlags(RProperty::kStateNotSaved, true);
        if (row.enumNames != nullptr) property->SetEnumNameCallback(row.enumNames);
        WriteDefault(*property, row.defaultValue);
        properties_[static_cast<std::size_t>(i)] = RPlugRef(property);
    }
    return allMade;
}

const RWyxPropertyRow* RWyxPropertyTable::GetRow(int row) const {
    return row >= 0 && row < count_ ? &rows_[row] : nullptr;
}

int RWyxPropertyTable::FindRow(const char* name) const {
    if (name == nullptr || rowIndex_ == nullptr) return -1;
    const auto found = rowIndex_->find(std::string_view(name));
    return found != rowIndex_->end() ? found->second : -1;
}

RProperty* RWyxPropertyTable::GetProperty(int row) const {
    if (row < 0 || row >= static_cast<int>(properties_.size())) return nullptr;
    return static_cast<RProperty*>(properties_[static_cast<std::size_t>(row)].Get());
}

void RWyxPropertyTable::CollectProperties(std::vector<RProperty*>& properties) const {
    for (int i = 0; i < static_cast<int>(properties_.size()); ++i) {
        if (RProperty* property = GetProperty(i)) properties.push_back(property);
    }
}

// ---- values -------------------------------------------------------------------------------

double RWyxPropertyTable::GetNumber(int row) const {
    if (const RProperty* property = GetProperty(row)) return property->GetDouble();
    const RWyxPropertyRow* entry = GetRow(row);
    return entry != nullptr ? entry->defaultValue.x : 0.0;
}

int RWyxPropertyTable::GetInt(int row) const {
    if (const RProperty* property = GetProperty(row)) return property->GetInt();
    const RWyxPropertyRow* entry = GetRow(row);
    return entry != nullptr ? static_cast<int>(entry->defaultValue.x) : 0;
}

bool RWyxPropertyTable::GetBool(int row) const { return GetInt(row) != 0; }

RVector4 RWyxPropertyTable::GetVector(int row) const {
    if (const RProperty* property = GetProperty(row)) {
        const RPropertyValue value = property->GetValue();
        if (const RVector4* vector = std::get_if<RVector4>(&value)) return *vector;
    }
    const RWyxPropertyRow* entry = GetRow(row);
    if (entry == nullptr) return RVector4(0.0, 0.0, 0.0, 1.0);
    const RWyxPropertyDefault& value = entry->defaultValue;
    return RVector4(value.x, value.y, value.z, value.w);
}

RString RWyxPropertyTable::GetText(int row) const {
    if (const RProperty* property = GetProperty(row)) {
        const RPropertyValue value = property->GetValue();
        if (const RString* text = std::get_if<RString>(&value)) return *text;
    }
    const RWyxPropertyRow* entry = GetRow(row);
    return RString(entry != nullptr && entry->defaultValue.text != nullptr ? entry->defaultValue.text : "");
}

bool RWyxPropertyTable::SetNumber(int row, double value) {
    RProperty* property = GetProperty(row);
    return property != nullptr && property->SetDouble(value);
}

bool RWyxPropertyTable::SetInt(int row, int value) {
    RProperty* property = GetProperty(row);
    return property != nullptr && property->SetInt(value);
}

bool RWyxPropertyTable::SetBool(int row, bool value) { return SetInt(row, value ? 1 : 0); }

bool RWyxPropertyTable::SetVector(int row, const RVector4& value) {
    RProperty* property = GetProperty(row);
    return property != nullptr && HoldsVector(*property) && property->SetValue(value);
}

bool RWyxPropertyTable::SetText(int row, const RString& value) {
    RProperty* property = GetProperty(row);
    return property != nullptr && property->SetValue(value);
}

bool RWyxPropertyTable::ResetRow(int row) {
    RProperty* property = GetProperty(row);
    return property != nullptr && WriteDefault(*property, rows_[row].defaultValue);
}

void RWyxPropertyTable::ResetAll() {
    for (int i = 0; i < count_; ++i) ResetRow(i);
}
