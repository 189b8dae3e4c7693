#include "core/RPropertyInfo.h"

#include "core/RProperty.h"
#include "core/RWyxStringList.h"

#include <cmath>
#include <functional>

RPropertyInfo::RPropertyInfo() : nameHash_(HashName("")), minimum_(-HUGE_VAL), maximum_(HUGE_VAL) {}

RPropertyInfo::RPropertyInfo(const char* name, int typeCode, std::uint32_t flags, const RDataType* dataType)
    : flags_(flags), name_(name != nullptr ? name : ""), nameHash_(HashName(name_.Buffer())), dataType_(dataType),
      minimum_(-HUGE_VAL), maximum_(HUGE_VAL), typeCode_(typeCode) {}

std::size_t RPropertyInfo::HashName(std::string_view name) { return std::hash<std::string_view>()(name); }

void RPropertyInfo::SetName(const char* name) {
    name_ = name != nullptr ? name : "";
    nameHash_ = HashName(name_.Buffer());
}

RPropertyInfo::RPropertyInfo(const RPropertyInfo& other)
    : flags_(other.flags_),
      name_(other.name_),
      nameHash_(other.nameHash_),
      label_(other.label_),
      dataType_(other.dataType_),
      minimum_(other.minimum_),
      maximum_(other.maximum_),
      typeCode_(other.typeCode_),
      enumCallback_(other.enumCallback_),
      index_(other.index_) {
    if (other.enumList_ == nullptr) return;
    enumList_ = std::make_unique<RWyxStringList>();
    for (int i = 0; i < other.enumList_->GetCount(); ++i) {
        const RWyxStringListItem* item = other.enumList_->GetItem(i);
        enumList_->InsertAt(i, item->text, item->value);
    }
}

const RPropertyInfo& RPropertyInfo::Default(int typeCode) {
    static const auto* const defaults = [] {
        auto* table = new RPropertyInfo[kPropertyTypeCount];  // for the process's life
        for (int code = 0; code < kPropertyTypeCount; ++code) table[code].typeCode_ = code;
        return table;
    }();
    return defaults[typeCode >= 0 && typeCode < kPropertyTypeCount ? typeCode : 0];
}

RPropertyInfo::~RPropertyInfo() = default;

void RPropertyInfo::SetFlag(std::uint32_t mask, bool on) {
    if (on) {
        flags_ |= mask;
    } else {
        flags_ &= ~mask;
    }
}

void RPropertyInfo::SetLabel(const char* text) {
    if (text == nullptr || *text == '\0') {
        label_.Clear();
    } else {
        label_ = text;
    }
}

const RDataType* RPropertyInfo::GetDataType() const {
    return dataType_ != nullptr ? dataType_ : DefaultDataType(typeCode_);
}

const RDataType* RPropertyInfo::DefaultDataType(int typeCode) {
    switch (typeCode) {
        case kPropertyTypeDouble: return &RDataType::Number();
        case kPropertyTypeTime: return &RDataType::Time();
        case kPropertyTypeVector4: return &RDataType::Vector4();
        case kPropertyTypeVector3: return &RDataType::Vector();
        case kPropertyTypeColorRGB: return &RDataType::Color();
        case kPropertyTypeColorRGBA: return &RDataType::ColorAndAlpha();
        default: return nullptr;
    }
}

bool RPropertyInfo::SetRange(double minimum, double maximum) {
    if (minimum == minimum_ && maximum == maximum_) return false;
    minimum_ = minimum;
    maximum_ = maximum;
    return true;
}

RWyxStringList* RPropertyInfo::GetEnumList(bool create) {
    if (enumList_ == nullptr && create) enumList_ = std::make_unique<RWyxStringList>();
    return enumList_.get();
}

void RPropertyInfo::SetEnumNameCallback(REnumNameCallback callback) {
    enumCallback_ = callback;
    SetFlag(kEnumCallback, callback != nullptr);
}
