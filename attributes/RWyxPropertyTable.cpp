#include "attributes/RWyxPropertyTable.h"

#include "core/RDataType.h"
#include "core/RTime.h"
#include "core/RTypedProperty.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <variant>

namespace {

// The classes a row's property may be of when made from its description.
constexpr std::size_t kSlotSize =
    std::max({sizeof(RIntegerProperty), sizeof(RBoolProperty), sizeof(RNumberProperty), sizeof(RTimeProperty),
              sizeof(RVectorProperty), sizeof(RStringProperty)});

// The most properties a new object is joined at once.
constexpr int kJoinRunLength = 64;

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

// A property of the description's type code holding the default, made in the block; null
// for codes made otherwise and when the block is full.
RProperty* MakeHolding(RPropertyBlock& block, const RPropertyInfo& description, const RWyxPropertyDefault& value) {
    switch (description.GetTypeCode()) {
        case kPropertyTypeInt:
        case kPropertyTypeEnum: return block.Make<RIntegerProperty>(description, static_cast<int>(value.x));
        case kPropertyTypeBool:
        case kPropertyTypeAction: return block.Make<RBoolProperty>(description, value.x != 0.0);
        case kPropertyTypeDouble: return block.Make<RNumberProperty>(description, value.x);
        case kPropertyTypeTime: return block.Make<RTimeProperty>(description, RTime());
        case kPropertyTypeString:
            return block.Make<RStringProperty>(description, RString(value.text != nullptr ? value.text : ""));
        case kPropertyTypeVector3:
        case kPropertyTypeColorRGB:
        case kPropertyTypeColorRGBA:
            return block.Make<RVectorProperty>(description, RVector4(value.x, value.y, value.z, value.w));
        default: return nullptr;
    }
}

// Animatable properties are the ones the writers list with their curves.
void MarkForWriters(RProperty& property, const RWyxPropertyRow& row) {
    if ((row.flags & RWyxPropertyRow::kAnimatable) != 0) property.SetStateFlags(RProperty::kStateWriterFlag, true);
    if ((row.flags & RWyxPropertyRow::kNotSaved) != 0) property.SetStateFlags(RProperty::kStateNotSaved, true);
}

}  // namespace

struct RWyxPropertyTable::Shared {
    // The first of two rows of one name wins, as a scan in table order would find it.
    std::unordered_map<std::string_view, int> rowIndex;
    // By row: what RObject::CreateProperty and the row make of a new property, for the rows
    // made from it (fromDescription).
    std::vector<RPropertyInfo> descriptions;
    std::vector<bool> fromDescription;
    std::vector<int> typeCodes;  // each row's type name resolved
    int describedCount = 0;
    // Every row has a name of its own, so that a new object takes each as it is.
    bool namesUnique = false;
    // Where the rows' names lie in a name index, for the objects that take them all.
    std::unique_ptr<RPropertyNameIndex::Layout> nameLayout;

    Shared(const RWyxPropertyRow* rows, int count);
};

RWyxPropertyTable::Shared::Shared(const RWyxPropertyRow* rows, int count) {
    descriptions.reserve(static_cast<std::size_t>(count));
    typeCodes.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const RWyxPropertyRow& row = rows[i];
        if (row.name != nullptr) rowIndex.emplace(row.name, i);
        const RDataType* dataType = nullptr;
        int typeCode = kPropertyTypeUnknown;
        const bool creatable = ResolveType(row.typeName, dataType, typeCode);
        typeCodes.push_back(typeCode);
        const bool described = row.name != nullptr && creatable && typeCode != kPropertyTypeObject &&
                               typeCode != kPropertyTypeReference;
        std::uint32_t flags = RProperty::kOwnedByObject;
        if ((row.flags & RWyxPropertyRow::kAnimatable) != 0) flags |= RProperty::kAnimatable;
        descriptions.emplace_back(row.name, described ? typeCode : kPropertyTypeUnknown, flags, dataType);
        descriptions.back().SetRange(0.0, 100.0);
        if (row.enumNames != nullptr) descriptions.back().SetEnumNameCallback(row.enumNames);
        fromDescription.push_back(described);
        if (described) ++describedCount;
    }
    const auto named = [](const RWyxPropertyRow& row) { return row.name != nullptr; };
    namesUnique = std::all_of(rows, rows + count, named) && rowIndex.size() == static_cast<std::size_t>(count);
    if (namesUnique) {
        std::vector<std::string_view> names;
        names.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) names.push_back(descriptions[static_cast<std::size_t>(i)].GetNameView());
        nameLayout = std::make_unique<RPropertyNameIndex::Layout>(names);
    }
}

// Made once per rows array: the rows are static and shared by every object of their class.
const RWyxPropertyTable::Shared* RWyxPropertyTable::SharedPart(const RWyxPropertyRow* rows, int count) {
    static std::mutex guard;
    static auto* const parts = new std::unordered_map<const RWyxPropertyRow*, std::unique_ptr<Shared>>();  // for the process's life
    const std::lock_guard<std::mutex> lock(guard);
    std::unique_ptr<Shared>& part = (*parts)[rows];
    if (part == nullptr) part = std::make_unique<Shared>(rows, count);
    return part.get();
}

RWyxPropertyTable::RWyxPropertyTable(const RWyxPropertyRow* rows, int count)
    : rows_(rows),
      count_(rows != nullptr && count > 0 ? count : 0),
      shared_(count_ > 0 ? SharedPart(rows_, count_) : nullptr) {}

int RWyxPropertyTable::GetTypeCode(int row) const {
    return row >= 0 && row < count_ ? shared_->typeCodes[static_cast<std::size_t>(row)] : kPropertyTypeUnknown;
}

bool RWyxPropertyTable::ResolveType(const char* typeName, const RDataType*& dataType, int& typeCode) {
    dataType = RDataType::FindByName(typeName);
    typeCode = dataType != nullptr ? RProperty::GetPropertyTypeCode(dataType) : RProperty::TypeCodeFromName(typeName);
    return IsCreatableTypeCode(typeCode);
}

bool RWyxPropertyTable::CreateProperties(RObject& object) {
    made_.clear();
    inOwnSlots_ = false;
    if (count_ == 0) return true;
    // A new object takes the rows' names as they are; they are indexed by name as a whole.
    const bool fresh = object.GetPropertyCount() == 0 && shared_->namesUnique;
    if (fresh) object.DeferPropertyNameIndex();
    object.ReserveProperties(object.GetPropertyCount() + count_);
    if (shared_->describedCount > 0) block_.reset(RPropertyBlock::Create(shared_->describedCount, kSlotSize, true));
    bool allMade = true;
    // A new object's rows join in runs, without the joining events: nothing can hear them yet.
    RProperty* run[kJoinRunLength];
    int runLength = 0;
    const auto joinRun = [&object, &run, &runLength] {
        object.AdoptMadeProperties(run, runLength);
        runLength = 0;
    };
    for (int i = 0; i < count_; ++i) {
        RProperty* const placed = MakeFromDescription(i, object, fresh);
        if (placed != nullptr) {
            if (!made_.empty()) made_[static_cast<std::size_t>(i)].placed = placed;
            MarkForWriters(*placed, rows_[i]);
            if (!fresh) {
                object.AddNewProperty(placed);
                continue;
            }
            if (runLength == kJoinRunLength) joinRun();
            run[runLength++] = placed;
            continue;
        }
        joinRun();
        RecordRowsBefore(i);
        RProperty* property = MakeThroughObject(i, object);
        if (property == nullptr) {
            allMade = false;
            continue;
        }
        made_[static_cast<std::size_t>(i)].ref = RPlugRef(property);
    }
    joinRun();
    // Every row placed, each in the slot of its own number: the block alone tells them.
    inOwnSlots_ = made_.empty();
    if (fresh) object.IndexDeferredPropertyNames(*shared_->nameLayout);
    return allMade;
}

void RWyxPropertyTable::RecordRowsBefore(int row) {
    if (!made_.empty()) return;
    made_.assign(static_cast<std::size_t>(count_), Made());
    // The rows before it were all placed, row by row from the first slot.
    for (int i = 0; i < row; ++i) made_[static_cast<std::size_t>(i)].placed = block_->LiveAt(i);
}

RProperty* RWyxPropertyTable::MakeFromDescription(int row, RObject& object, bool fresh) {
    const RWyxPropertyRow& entry = rows_[row];
    if (block_ == nullptr || !shared_->fromDescription[static_cast<std::size_t>(row)] ||
        (!fresh && object.FindProperty(entry.name) != nullptr)) {
        return nullptr;
    }
    // The description carries the row's name: the property is named already.
    return MakeHolding(*block_, shared_->descriptions[static_cast<std::size_t>(row)], entry.defaultValue);
}

RProperty* RWyxPropertyTable::MakeThroughObject(int row, RObject& object) const {
    const RWyxPropertyRow& entry = rows_[row];
    const RDataType* dataType = nullptr;
    int typeCode = kPropertyTypeUnknown;
    const bool animatable = (entry.flags & RWyxPropertyRow::kAnimatable) != 0;
    RProperty* property = ResolveType(entry.typeName, dataType, typeCode)
                              ? object.CreateProperty(entry.name, typeCode, dataType, animatable, false, nullptr)
                              : nullptr;
    if (property == nullptr) return nullptr;
    MarkForWriters(*property, entry);
    if (entry.enumNames != nullptr) property->SetEnumNameCallback(entry.enumNames);
    WriteDefault(*property, entry.defaultValue);
    return property;
}

const RWyxPropertyRow* RWyxPropertyTable::GetRow(int row) const {
    return row >= 0 && row < count_ ? &rows_[row] : nullptr;
}

int RWyxPropertyTable::FindRow(const char* name) const {
    if (name == nullptr || shared_ == nullptr) return -1;
    const auto found = shared_->rowIndex.find(std::string_view(name));
    return found != shared_->rowIndex.end() ? found->second : -1;
}

RProperty* RWyxPropertyTable::GetProperty(int row) const {
    if (inOwnSlots_) return row >= 0 && row < count_ ? block_->LiveAt(row) : nullptr;
    if (row < 0 || row >= static_cast<int>(made_.size())) return nullptr;
    const Made& made = made_[static_cast<std::size_t>(row)];
    if (made.placed != nullptr) return block_->HoldsLive(made.placed) ? made.placed : nullptr;
    return static_cast<RProperty*>(made.ref.Get());
}

int RWyxPropertyTable::RowOf(const RProperty& property) const {
    int row = -1;
    // A property that still shares its row's description has that row's name, which no other
    // row has: no lookup by name is needed.
    const RPropertyInfo* const descriptions = shared_ != nullptr ? shared_->descriptions.data() : nullptr;
    const RPropertyInfo* const info = &property.GetInfo();
    const std::less<const RPropertyInfo*> before;
    if (descriptions != nullptr && shared_->namesUnique && property.SharesInfo() && !before(info, descriptions) &&
        before(info, descriptions + count_)) {
        row = static_cast<int>(info - descriptions);
    } else {
        row = FindRow(property.GetName());
    }
    return row >= 0 && GetProperty(row) == &property ? row : -1;
}

void RWyxPropertyTable::CollectProperties(std::vector<RProperty*>& properties) const {
    const int rows = inOwnSlots_ ? count_ : static_cast<int>(made_.size());
    for (int i = 0; i < rows; ++i) {
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
