#include "core/RProperty.h"

#include "core/RObject.h"
#include "core/RWyxStringList.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr const char* kTypeNames[kPropertyTypeCount] = {
    "unknown", "int",      "bool",     "float",     "double",    "charptr",   "enum",
    "RTime",   "RString",  "object",   "event",     "stringlist", "Vector4D", "Vector3D",
    "ColorRGB", "ColorRGBA", "Action", "Reference", "VectorElement",
};

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

RProperty::RProperty() : minimum_(-HUGE_VAL), maximum_(HUGE_VAL) {}

RProperty::~RProperty() = default;

void RProperty::PrepareDestroy() {
    if (RObject* object = GetOwnerObject()) object->RemoveProperty(object->IndexOfProperty(this));
    RPlug::PrepareDestroy();
}

// ---- values by type code -------------------------------------------------------------------

int RProperty::GetInt() const {
    const RPropertyValue value = GetValue();
    if (IsIntegerCode(typeCode_)) {
        if (const int* integer = std::get_if<int>(&value)) return *integer;
    } else if (IsFlagCode(typeCode_)) {
        if (const bool* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
    }
    return 0;
}

bool RProperty::SetInt(int value) {
    if (IsIntegerCode(typeCode_)) return SetValue(value);
    if (IsFlagCode(typeCode_)) return SetValue(value != 0);
    return false;
}

double RProperty::GetDouble() const {
    if (IsIntegerCode(typeCode_) || IsFlagCode(typeCode_)) return GetInt();
    if (IsDoubleCode(typeCode_)) {
        const RPropertyValue value = GetValue();
        if (const double* number = std::get_if<double>(&value)) return *number;
    }
    return 0.0;
}

bool RProperty::SetDouble(double value) {
    if (IsIntegerCode(typeCode_) || IsFlagCode(typeCode_)) return SetInt(TruncateToInt(value));
    if (IsDoubleCode(typeCode_)) return SetValue(value);
    return false;
}

// ---- names ---------------------------------------------------------------------------------

void RProperty::Declare(const char* name, RObject* owner) {
    if (owner != nullptr) owner->AddChild(this);
    name_ = name != nullptr ? name : "";
}

void RProperty::SetNameAndTypeCode(const char* name, int code) {
    name_ = name != nullptr ? name : "";
    typeCode_ = code;
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

bool RProperty::StoreName(const char* name) {
    RPlugLock lock(this);
    const RString newName(name);  // the handlers may change the caller's string
    name = newName.Buffer();
    const RString oldName = name_;
    RRelayEvent relay;
    relay.code = kRelayRenaming;
    relay.sender = this;
    relay.newText = name;
    relay.oldText = oldName.Buffer();
    if (!RelayB(relay)) return false;
    name_ = WithoutDoubleQuotes(name);
    relay.code = kRelayRenamed;
    RelayB(relay);
    return true;
}

void RProperty::SetLabel(const char* text) {
    if (text == nullptr || *text == '\0') {
        label_.Clear();
    } else {
        label_ = text;
    }
}

// ---- info ------------------------------------------------------------------------------------

void RProperty::SetFlag(std::uint32_t mask, bool on) {
    if (on) {
        flags_ |= mask;
    } else {
        flags_ &= ~mask;
    }
}

void RProperty::SetStateFlags(std::uint32_t mask, bool on) {
    if (on) {
        stateFlags_ |= mask;
    } else {
        stateFlags_ &= ~mask;
    }
}

const RDataType* RProperty::GetDataType() const {
    if (dataType_ != nullptr) return dataType_;
    switch (typeCode_) {
        case kPropertyTypeDouble: return &RDataType::Number();
        case kPropertyTypeTime: return &RDataType::Time();
        case kPropertyTypeVector4: return &RDataType::Vector4();
        case kPropertyTypeVector3: return &RDataType::Vector();
        case kPropertyTypeColorRGB: return &RDataType::Color();
        case kPropertyTypeColorRGBA: return &RDataType::ColorAndAlpha();
        default: return nullptr;
    }
}

void RProperty::SetMinMax(double minimum, double maximum) {
    if (minimum == minimum_ && maximum == maximum_) return;
    minimum_ = minimum;
    maximum_ = maximum;
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
    if (!IsUserProperty() && enumCallback_ != nullptr) return enumCallback_(*this, value);
    if (enumList_ == nullptr || value < 0 || value >= enumList_->GetCount()) return nullptr;
    return enumList_->GetItem(value)->text.Buffer();
}

RWyxStringList* RProperty::GetEnumList(bool create) {
    if (enumList_ == nullptr && create) enumList_ = std::make_unique<RWyxStringList>();
    return enumList_.get();
}

void RProperty::SetEnumNameCallback(REnumNameCallback callback) {
    enumCallback_ = callback;
    SetFlag(kEnumCallback, callback != nullptr);
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
    return code >= 0 && code < kPropertyTypeCount ? kTypeNames[code] : nullptr;
}

int RProperty::TypeCodeFromName(const char* name) {
    if (name == nullptr) return kPropertyTypeUnknown;
    for (int code = 0; code < kPropertyTypeCount; ++code) {
        if (std::strcmp(kTypeNames[code], name) == 0) return code;
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
    switch (typeCode_) {
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
            if (typeCode_ == kPropertyTypeVector3) return BraceForm(*vector, 3);
            if (typeCode_ == kPropertyTypeColorRGB) return BraceForm(RVector4(vector->x, vector->y, vector->z, 1.0), 4);
            return BraceForm(*vector, 4);
        }
        default: return RString();
    }
}
