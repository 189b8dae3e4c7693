#include "attributes/RWyxLightProperties.h"

namespace {

const char* LightTypeNameOf(const RProperty& /*property*/, int value) {
    return RWyxLightProperties::LightTypeName(value);
}

using Default = RWyxPropertyDefault;
constexpr std::uint32_t kAnimatable = RWyxPropertyRow::kAnimatable;

}  // namespace

const RWyxPropertyRow RWyxLightProperties::kRows[kRowCount] = {
    {"LightType", "Enum", Default::Number(0), 0, &LightTypeNameOf},
    {"CastLight", "Bool", Default::Flag(true), 0, nullptr},
    {"Color", "Color", Default::Vector(1.0, 1.0, 1.0), kAnimatable, nullptr},
    {"Intensity", "Intensity", Default::Number(100.0), kAnimatable, nullptr},
    {"Cone angle", "Cone angle", Default::Number(45.0), kAnimatable, nullptr},
    {"Fog", "Fog", Default::Number(50.0), kAnimatable, nullptr},
};

RWyxLightProperties::RWyxLightProperties() { table_.CreateProperties(*this); }

const char* RWyxLightProperties::LightTypeName(int type) {
    static const char* const kNames[] = {"Point Light", "Infinite Light", "Spot Light"};
    return RWyxPropertyTable::NameAt(kNames, type);
}
