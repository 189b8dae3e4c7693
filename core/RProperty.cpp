#include "core/RProperty.h"

#include "core/RObject.h"
#include "core/RPropertyBlock.h"
#include "core/RWyxStringList.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kTypeNames[kPropertyTypeCount] = {
    "unknown", "int",      "bool",     "float",     "double",    "charptr",   "enum",
    "RTime",   "RString",  "object",   "event",     "stringlist", "Vector4D", "Vector3D",
    "ColorRGB", "ColorRGBA", "Action", "Reference", "VectorElement",
};

// The type codes by the length of their names, each length's codes in code order (-1 ends a
// list): a name is compared only with the few names of its length.
constexpr std::size_t kLongestTypeName = 13;
constexpr int kMostNamesOfALength = 4;
struct TypeNamesBySize {
    int codes[kLongestTypeName + 1][kMostNamesOfALength + 1];
};

constexpr TypeNamesBySize MakeTypeNamesBySize() {
    TypeNamesBySize table{};
    for (auto& codes : table.codes) {
        for (int& code : codes) code = -1;
    }
    for (int code = 0; code < kPropertyTypeCount; ++code) {
        int* codes = table.codes[kTypeNames[code].size()];
        int at = 0;
        while (codes[at] >= 0) ++at;
        codes[at] = code;
    }
    return table;
}

constexpr TypeNamesBySize kTypeNamesBySize = MakeTypeNamesBySize();

bool IsIntegerCode(int code) { return code == kPropertyTypeInt || code == kPropertyTypeEnum; }
bool IsFlagCode(int code) { return code == kPropertyTypeBool || code == kPropertyTypeAction; }
bool IsDoubleCode(int code) { return code == kPropertyTypeFloat || code == kPropertyTypeDouble; }

// A double truncated toward zero, kept within the int range (NaN gives 0).
int TruncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

RString WithoutDoubleQuotes(const char* text) {
    RString result;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c != '"') result += *c;
    }
    return result;
}

RString BraceForm(const RVector4& v, int count) {
    RString text("{");
    const double components[4] = {v.x, v.y, v.z, v.w};
    for (int i = 0; i < count; ++i) {
        if (i > 0) text += ',';
        text += RString(components[i]);
    }
    text += '}';
    return text;
}

}  // namespace

// A scene holds many properties, most of which nothing ever refers to: their cells wait.
RProperty::RProperty() : RPlug(DeferCell()), info_(&RPropertyInfo::Default(kPropertyTypeUnknown)) {}

RProperty::RProperty(const RPropertyInfo& description) : RPlug(DeferCell()), info_(&description) {}

RProperty::~RProperty() {
    if (ownsInfo_) delete info_;
}

void RProperty::Dispose() {
    if (blockSlot_ == kNotInBlock) {
        RPlug::Dispose();
        return;
    }
    const int slot = blockSlot_;
    const std::size_t slotSize = std::size_t{blockSlotUnits_} * RPropertyBlock::kSlotAlignment;
    RPropertyBlock* block = RPropertyBlock::Of(*this, slot, slotSize);
    this->~RProperty();  // the whole property: the destructor is virtual
    block->Ended(slot);
    block->Release();
}

void RProperty::DestroyDetached() {
    const bool reached = GetOwner() != nullptr || GetLockCount() != 0 || IsDying() || HasConnections() ||
                         GetChildCount() != 0;
    if (reached) {
        Destroy();
        return;
    }
    Dispose();
}

void RProperty::PrepareDestroy() {
    if (RObject* object = GetOwnerObject()) object->RemoveProperty(object->IndexOfProperty(this));
    RPlug::PrepareDestroy();
}

// ---- values by type code -------------------------------------------------------------------

int RProperty::GetInt() const {
    const RPropertyValue value = GetValue();
    if (IsIntegerCode(GetTypeCode())) {
        if (const int* integer = std::get_if<int>(&value)) return *integer;
    } else if (IsFlagCode(GetTypeCode())) {
        if (const bool* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
    }
    return 0;
}

bool RProperty::SetInt(int value) {
    if (IsIntegerCode(GetTypeCode())) return SetValue(value);
    if (IsFlagCode(GetTypeCode())) return SetValue(value != 0);
    return false;
}

double RProperty::GetDouble() const {
    if (IsIntegerCode(GetTypeCode()) || IsFlagCode(GetTypeCode())) return GetInt();
    if (IsDoubleCode(GetTypeCode())) {
        const RPropertyValue value = GetValue();
        if (const double* number = std::get_if<double>(&value)) return *number;
    }
    return 0.0;
}

bool RProperty::SetDouble(double value) {
    if (IsIntegerCode(GetTypeCode()) || IsFlagCode(GetTypeCode())) return SetInt(TruncateToInt(value));
    if (IsDoubleCode(GetTypeCode())) return SetValue(value);
    return false;
}

// ---- names ---------------------------------------------------------------------------------

void RProperty::Declare(const char* name, RObject* owner) {
    if (owner != nullptr) owner->AddChild(this);
    StoreNameText(name);
}

void RProperty::SetNameAndTypeCode(const char* name, int code) {
    StoreNameText(name);
    SetTypeCode(code);
}

bool RProperty::SetName(const char* name, bool makeUnique) {
    if (name == nullptr) return false;
    if (!makeUnique) return StoreName(name);
    return StoreName(MakeUniqueName(name).Buffer());
}

// The stripped name itself when no other property of the object has it; otherwise the
// stem with a counter: the trailing digits plus one in their place, or a blank and 1.
RString RProperty::MakeUniqueName(const char* name) const {
    RString stripped = RString(name).Trimmed(2);
    if (stripped.IsEmptyText()) stripped = "1";

    int digitsStart = stripped.GetLength();
    while (digitsStart > 0 && stripped[static_cast<unsigned>(digitsStart - 1)] >= '0' &&
           stripped[static_cast<unsigned>(digitsStart - 1)] <= '9') {
        --digitsStart;
    }
    RString stem;
    long long counter = 1;
    if (digitsStart < stripped.GetLength()) {
        stem = stripped.FirstChars(digitsStart);
        counter = 0;
        for (int i = digitsStart; i < stripped.GetLength() && counter < INT_MAX; ++i) {
            counter = counter * 10 + (stripped[static_cast<unsigned>(i)] - '0');
        }
        counter = counter < INT_MAX ? counter + 1 : INT_MAX;
    } else {
        stem = stripped + " ";
    }

    const RObject* object = GetOwnerObject();
    const auto taken = [&](const RString& candidate) {
        if (object == nullptr) return false;
        for (int i = 0; i < object->GetPropertyCount(); ++i) {
            const RProperty* other = object->GetProperty(i);
            if (other != this && candidate == other->GetName()) return true;
        }
        return false;
    };
    RString candidate = stripped;
    while (taken(candidate) && counter <= INT_MAX) {
        candidate = stem + static_cast<int>(counter);
        ++counter;
    }
    return candidate;
}

// Every name change goes through here, so that the object's name index follows.
void RProperty::StoreNameText(const char* name) {
    if (std::strcmp(GetName(), name != nullptr ? name : "") == 0) return;
    TellDescriptionChanging();
    RObject* object = nameIndexed_ ? GetOwnerObject() : nullptr;
    if (object != nullptr) object->UnindexPropertyName(this);
    EditInfo().SetName(name);
    if (object != nullptr) object->IndexPropertyName(this);
}

// A property that changes owner leaves its object's name index.
bool RProperty::SetOwner(RPlug* owner) {
    RObject* previous = nameIndexed_ ? GetOwnerObject() : nullptr;
    if (!RPlug::SetOwner(owner)) return false;
    if (previous != nullptr) previous->UnindexPropertyName(this);
    return true;
}

bool RProperty::StoreName(const char* name) {
    RPlugLock lock(this);
    const RString newName(name);  // the handlers may change the caller's string
    name = newName.Buffer();
    const RString oldName(GetName());
    RRelayEvent relay;
    relay.code = kRelayRenaming;
    relay.sender = this;
    relay.newText = name;
    relay.oldText = oldName.Buffer();
    if (!RelayB(relay)) return false;
    StoreNameText(WithoutDoubleQuotes(name).Buffer());
    relay.code = kRelayRenamed;
    RelayB(relay);
    return true;
}

// ---- info ------------------------------------------------------------------------------------

bool RProperty::OwnerAccepts(const RObject& owner, const RPropertyValue& value) const {
    return owner.AcceptsPropertyValue(*this, value);
}

void RProperty::TellDescriptionChanging() {
    if (RObject* object = GetOwnerObject()) object->OnPropertyDescriptionChanging(*this);
}

RPropertyInfo& RProperty::EditInfo() {
    if (!ownsInfo_) {
        auto* copy = new RPropertyInfo(*info_);  // deleted with the property
        info_ = copy;
        ownsInfo_ = true;
        return *copy;
    }
    return const_cast<RPropertyInfo&>(*info_);  // the property's own copy
}

// Only a change makes the description the property's own: setting what it holds does not.
void RProperty::SetFlag(std::uint32_t mask, bool on) {
    const std::uint32_t flags = GetFlags();
    if ((on ? (flags | mask) : (flags & ~mask)) == flags) return;
    TellDescriptionChanging();
    EditInfo().SetFlag(mask, on);
}

void RProperty::SetTypeCode(int code) {
    if (code == GetTypeCode()) return;
    TellDescriptionChanging();
    // A property still on the default of its type code moves to the default of the new one.
    if (info_ == &RPropertyInfo::Default(GetTypeCode()) && code >= 0 && code < kPropertyTypeCount) {
        info_ = &RPropertyInfo::Default(code);
        return;
    }
    EditInfo().SetTypeCode(code);
}

void RProperty::SetDataType(const RDataType* type) {
    if (info_->GetStoredDataType() == type) return;
    TellDescriptionChanging();
    EditInfo().SetDataType(type);
}

void RProperty::SetLabel(const char* text) {
    if (text == nullptr || *text == '\0' ? HasLabel() : std::strcmp(text, GetLabel()) != 0) EditInfo().SetLabel(text);
}

void RProperty::SetIndex(int index) {
    if (index != GetIndex()) EditInfo().SetIndex(index);
}

RWyxStringList* RProperty::GetEnumList(bool create) {
    if (!create && info_->GetEnumList() == nullptr) return nullptr;
    return EditInfo().GetEnumList(create);
}

void RProperty::SetEnumNameCallback(REnumNameCallback callback) {
    if (callback != info_->GetEnumNameCallback() || HasFlag(kEnumCallback) != (callback != nullptr)) {
        EditInfo().SetEnumNameCallback(callback);
    }
}

void RProperty::SetStateFlags(std::uint32_t mask, bool on) {
    if (on) {
        stateFlags_ |= mask;
    } else {
        stateFlags_ &= ~mask;
    }
}

void RProperty::SetMinMax(double minimum, double maximum) {
    if (minimum == GetMin() && maximum == GetMax()) return;
    EditInfo().SetRange(minimum, maximum);
    RRelayEvent relay;
    relay.code = kRelayRangeChanged;
    relay.sender = this;
    RelayB(relay);
}

RObject* RProperty::GetOwnerObject() const {
    RPlug* owner = GetOwner();
    return owner != nullptr ? static_cast<RObject*>(owner->QueryInterface(RObject::kInterfaceId)) : nullptr;
}

// ---- enumerations ------------------------------------------------------------------------------

const char* RProperty::GetEnumName(int value) const {
    const REnumNameCallback callback = info_->GetEnumNameCallback();
    if (!IsUserProperty() && callback != nullptr) return callback(*this, value);
    const RWyxStringList* list = info_->GetEnumList();
    if (list == nullptr || value < 0 || value >= list->GetCount()) return nullptr;
    return list->GetItem(value)->text.Buffer();
}

// ---- references ----------------------------------------------------------------------------------

RProperty* RProperty::GetReferencedProperty() const {
    if (!IsReference()) return const_cast<RProperty*>(this);
    for (int i = 0; i < GetSourceCount(); ++i) {
        RPlug* source = GetSource(i);
        if (source != nullptr && source->Is(ClassId())) return static_cast<RProperty*>(source);
    }
    return nullptr;
}

int RProperty::GetReferrerCount() const {
    int count = 0;
    for (int i = 0; i < GetDestinationCount(); ++i) {
        const RPlug* destination = GetDestination(i);
        if (destination != nullptr && destination->Is(ClassId())) ++count;
    }
    return count;
}

RProperty* RProperty::GetReferrer(int index) const {
    for (int i = 0; i < GetDestinationCount(); ++i) {
        RPlug* destination = GetDestination(i);
        if (destination == nullptr || !destination->Is(ClassId())) continue;
        if (index-- == 0) return static_cast<RProperty*>(destination);
    }
    return nullptr;
}

// ---- type names and text ----------------------------------------------------------------------------

const char* RProperty::GetTypeName(int code) {
    return code >= 0 && code < kPropertyTypeCount ? kTypeNames[code].data() : nullptr;
}

int RProperty::TypeCodeFromName(const char* name) {
    return name != nullptr ? TypeCodeFromName(std::string_view(name)) : kPropertyTypeUnknown;
}

// Readers ask once for every property they read: a name is only compared with the names of
// its length.
int RProperty::TypeCodeFromName(std::string_view name) {
    if (name.empty() || name.size() > kLongestTypeName) return kPropertyTypeUnknown;
    for (const int* code = kTypeNamesBySize.codes[name.size()]; *code >= 0; ++code) {
        const std::string_view known = kTypeNames[*code];
        if (known[0] == name[0] && known == name) return *code;
    }
    return kPropertyTypeUnknown;
}

int RProperty::GetPropertyTypeCode(const RDataType* type) {
    if (type == nullptr) return kPropertyTypeUnknown;
    if (type == &RDataType::Action()) return kPropertyTypeAction;
    if (type == &RDataType::Bool()) return kPropertyTypeBool;
    if (type == &RDataType::Integer()) return kPropertyTypeInt;
    if (type == &RDataType::Color()) return kPropertyTypeColorRGB;
    if (type == &RDataType::ColorAndAlpha()) return kPropertyTypeColorRGBA;
    if (type == &RDataType::Enum()) return kPropertyTypeEnum;
    const RDataType* base = type->GetBaseType();
    if (base == &RDataType::Time()) return kPropertyTypeTime;
    if (base == &RDataType::Number()) return kPropertyTypeDouble;
    if (base == &RDataType::Vector()) return kPropertyTypeVector3;
    if (base == &RDataType::Vector4()) return kPropertyTypeVector4;
    return kPropertyTypeUnknown;
}

RString RProperty::GetValueAsText() const {
    const RPropertyValue value = GetValue();
    switch (GetTypeCode()) {
        case kPropertyTypeInt: return RString(GetInt());
        case kPropertyTypeBool:
        case kPropertyTypeAction: return RString(GetInt() != 0 ? "True" : "False");
        case kPropertyTypeFloat:
        case kPropertyTypeDouble: return RString(GetDouble());
        case kPropertyTypeEnum: {
            const char* name = GetEnumName(GetInt());
            return RString(name != nullptr ? name : "");
        }
        case kPropertyTypeTime: {
            const RTime* time = std::get_if<RTime>(&value);
            return time != nullptr ? time->FormatTime(5, 0, kTimeFormatDefault) : RString();
        }
        case kPropertyTypeString: {
            const RString* text = std::get_if<RString>(&value);
            return text != nullptr ? *text : RString();
        }
        case kPropertyTypeObject: {
            RPlug* const* plug = std::get_if<RPlug*>(&value);
            if (plug != nullptr && *plug != nullptr && (*plug)->Is(RObject::ClassId())) {
                return static_cast<RObject*>(*plug)->GetFullName();
            }
            return RString(IsObjectList() ? "ObjectList!" : "Object!");
        }
        case kPropertyTypeVector4:
        case kPropertyTypeColorRGBA:
        case kPropertyTypeVector3:
        case kPropertyTypeColorRGB: {
            const RVector4* vector = std::get_if<RVector4>(&value);
            if (vector == nullptr) return RString();
            const int code = GetTypeCode();
            if (code == kPropertyTypeVector3) return BraceForm(*vector, 3);
            if (code == kPropertyTypeColorRGB) return BraceForm(RVector4(vector->x, vector->y, vector->z, 1.0), 4);
            return BraceForm(*vector, 4);
        }
        default: return RString();
    }
}
