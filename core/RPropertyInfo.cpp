#include "core/RPropertyInfo.h"

#include "core/RProperty.h"
#include "core/RWyxStringList.h"

#include <cmath>

RPropertyInfo::RPropertyInfo() : minimum_(-HUGE_VAL), maximum_(HUGE_VAL) {}

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
