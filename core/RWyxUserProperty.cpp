#include "core/RWyxUserProperty.h"

#include "core/RProperty.h"
#include "core/RWyxSceneObject.h"

#include <cmath>
#include <variant>

namespace {

const char* const kTypeNames[] = {"Unidentified", "Bool", "Real", "Color", "Integer", "Vector"};
constexpr int kTypeNameCount = static_cast<int>(sizeof(kTypeNames) / sizeof(kTypeNames[0]));

// User flag and the property info flag it stands for.
struct FlagPair {
    std::uint32_t user;
    std::uint32_t property;
};
const FlagPair kFlagPairs[] = {
    {RWyxUserProperty::kFlagAnimatable, RProperty::kAnimatable},
    {RWyxUserProperty::kFlagUserProperty, RProperty::kUserProperty},
    {RWyxUserProperty::kFlagExtra, RProperty::kUserFlag},
};

bool IsColorCode(int code) {
    return code == kPropertyTypeColorRGB || code == kPropertyTypeColorRGBA;
}

const RVector4 kZeroPoint(0.0, 0.0, 0.0, 1.0);

}  // namespace

RWyxUserProperty::RWyxUserProperty(void* owner, const char* name, const char* typeName, const char* label)
    : record_(Record()), owner_(owner) {
    record_->name = name;
    record_->type = NameToType(typeName);
    record_->label = label;
    record_->minimum = -HUGE_VAL;
    record_->maximum = HUGE_VAL;
}

RWyxUserProperty::RWyxUserProperty(void* owner, RProperty* property) : property_(property), owner_(owner) {}

const char* RWyxUserProperty::TypeToName(int type) {
    return type >= 0 && type < kTypeNameCount ? kTypeNames[type] : nullptr;
}

RWyxUserPropertyType RWyxUserProperty::NameToType(const char* name) {
    if (name == nullptr) return kUserPropertyUnidentified;
    const RString text(name);
    for (int type = 0; type < kTypeNameCount; ++type) {
        if (text == kTypeNames[type]) return static_cast<RWyxUserPropertyType>(type);
    }
    return kUserPropertyUnidentified;
}

std::uint32_t RWyxUserProperty::UserFlagsToPropertyFlags(std::uint32_t userFlags) {
    std::uint32_t propertyFlags = 0;
    for (const FlagPair& pair : kFlagPairs) {
        if ((userFlags & pair.user) != 0) propertyFlags |= pair.property;
    }
    return propertyFlags;
}

RProperty* RWyxUserProperty::GetProperty() const {
    return IsWrapper() ? static_cast<RProperty*>(property_.Get()) : nullptr;
}

int RWyxUserProperty::WrappedTypeCode() const {
    const RProperty* property = GetProperty();
    return property != nullptr ? property->GetTypeCode() : kPropertyTypeUnknown;
}

void RWyxUserProperty::WrapProperty(RProperty* property) {
    property_.Set(property);
    record_.reset();
    if (listedIn_ != nullptr) listedIn_->OnRepointed(*this);
}

// ---- name, label and type ------------------------------------------------------------------

const char* RWyxUserProperty::GetName() const {
    if (const Record* record = GetRecord()) return record->name.Buffer();
    const RProperty* property = GetProperty();
    return property != nullptr ? property->GetName() : EmptyString().Buffer();
}

const char* RWyxUserProperty::GetLabel(bool fallback) const {
    const char* label = EmptyString().Buffer();
    if (const Record* record = GetRecord()) {
        label = record->label.Buffer();
    } else if (const RProperty* property = GetProperty()) {
        label = property->GetLabel();
    }
    if (fallback && (label == nullptr || *label == '\0')) return GetName();
    return label != nullptr ? label : EmptyString().Buffer();
}

RWyxUserPropertyType RWyxUserProperty::GetType() const {
    if (const Record* record = GetRecord()) return record->type;
    switch (WrappedTypeCode()) {
        case kPropertyTypeInt:
            return kUserPropertyInteger;
        case kPropertyTypeBool:
            return kUserPropertyBool;
        case kPropertyTypeFloat:
        case kPropertyTypeDouble:
            return kUserPropertyReal;
        case kPropertyTypeVector3:
            return kUserPropertyVector;
        case kPropertyTypeColorRGB:
        case kPropertyTypeColorRGBA:
            return kUserPropertyColor;
        default:
            return kUserPropertyUnidentified;
    }
}

// ---- values --------------------------------------------------------------------------------

bool RWyxUserProperty::NotifyIf(bool stored) {
    if (!stored || target_ == nullptr) return stored;
    if (targetBoundToPlug_ && !targetPlug_.IsValid()) {
        target_ = nullptr;
        return stored;
    }
    target_->OnUserPropertyChanged(*this);
    return stored;
}

bool RWyxUserProperty::SetBool(bool value) {
    RProperty* property = GetProperty();
    return NotifyIf(property != nullptr && property->SetInt(value ? 1 : 0));
}

bool RWyxUserProperty::SetInteger(int value) {
    RProperty* property = GetProperty();
    return NotifyIf(property != nullptr && property->SetInt(value));
}

bool RWyxUserProperty::SetDouble(double value) {
    RProperty* property = GetProperty();
    return NotifyIf(property != nullptr && property->SetDouble(value));
}

bool RWyxUserProperty::SetColor(const RVector4& color) {
    RProperty* property = GetProperty();
    const bool stored = property != nullptr && IsColorCode(property->GetTypeCode()) &&
                        property->SetValue(RVector4(color.x, color.y, color.z, 1.0));
    return NotifyIf(stored);
}

bool RWyxUserProperty::SetVector(double x, double y, double z) {
    const int code = WrappedTypeCode();
    if (IsColorCode(code)) return SetColor(RVector4(x, y, z, 1.0));
    RProperty* property = GetProperty();
    const bool stored = code == kPropertyTypeVector3 && property->SetValue(RVector4(x, y, z, 1.0));
    return NotifyIf(stored);
}

bool RWyxUserProperty::GetBool() const {
    return GetDouble() != 0.0;
}

int RWyxUserProperty::GetInteger() const {
    const RProperty* property = GetProperty();
    return property != nullptr ? property->GetInt() : 0;
}

double RWyxUserProperty::GetDouble() const {
    const RProperty* property = GetProperty();
    return property != nullptr ? property->GetDouble() : 0.0;
}

RVector4 RWyxUserProperty::GetColor() const {
    const int code = WrappedTypeCode();
    if (!IsColorCode(code)) return kZeroPoint;
    const RPropertyValue value = GetProperty()->GetValue();
    const RVector4* color = std::get_if<RVector4>(&value);
    if (color == nullptr) return kZeroPoint;
    return RVector4(color->x, color->y, color->z, code == kPropertyTypeColorRGBA ? color->w : 1.0);
}

RVector4 RWyxUserProperty::GetVector() const {
    const int code = WrappedTypeCode();
    if (code != kPropertyTypeVector3 && !IsColorCode(code)) return kZeroPoint;
    const RPropertyValue value = GetProperty()->GetValue();
    const RVector4* vector = std::get_if<RVector4>(&value);
    return vector != nullptr ? RVector4(vector->x, vector->y, vector->z, 1.0) : kZeroPoint;
}

// ---- flags and range ----------------------------------------------------------------------

void RWyxUserProperty::SetFlag(std::uint32_t flag, bool on) {
    if (record_) {
        record_->flags = on ? (record_->flags | flag) : (record_->flags & ~flag);
        return;
    }
    const std::uint32_t propertyFlags = UserFlagsToPropertyFlags(flag);
    RProperty* property = GetProperty();
    if (property != nullptr && propertyFlags != 0) property->SetFlag(propertyFlags, on);
}

bool RWyxUserProperty::GetFlag(std::uint32_t flag) const {
    if (const Record* record = GetRecord()) return (record->flags & flag) != 0;
    const std::uint32_t propertyFlags = UserFlagsToPropertyFlags(flag);
    const RProperty* property = GetProperty();
    return property != nullptr && propertyFlags != 0 && property->HasFlag(propertyFlags);
}

void RWyxUserProperty::SetMin(double minimum) {
    if (record_) {
        record_->minimum = minimum;
    } else if (RProperty* property = GetProperty()) {
        property->SetMin(minimum);
    }
}

void RWyxUserProperty::SetMax(double maximum) {
    if (record_) {
        record_->maximum = maximum;
    } else if (RProperty* property = GetProperty()) {
        property->SetMax(maximum);
    }
}

double RWyxUserProperty::GetMin() const {
    if (const Record* record = GetRecord()) return record->minimum;
    const RProperty* property = GetProperty();
    return property != nullptr ? property->GetMin() : -HUGE_VAL;
}

double RWyxUserProperty::GetMax() const {
    if (const Record* record = GetRecord()) return record->maximum;
    const RProperty* property = GetProperty();
    return property != nullptr ? property->GetMax() : HUGE_VAL;
}

// ---- identity and notification -------------------------------------------------------------

bool RWyxUserProperty::IsSameProperty(const RProperty* property) const {
    return property != nullptr && GetProperty() == property;
}

void RWyxUserProperty::SetNotifyTarget(RWyxUserPropertyObserver* target, const RPlug* targetPlug) {
    target_ = target;
    targetPlug_.Set(targetPlug);
    targetBoundToPlug_ = target != nullptr && targetPlug != nullptr;
}
