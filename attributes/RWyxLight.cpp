#include "attributes/RWyxLight.h"

#include "attributes/RWyxGobo.h"

#include <variant>

RWyxLight::RWyxLight(RWyxObjectFactory* factory) : RWyxLight(factory, CreatePlugObject<RWyxLightProperties>(nullptr)) {}

RWyxLight::RWyxLight(RWyxObjectFactory* factory, RWyxLightProperties* properties)
    : RWyxChannelAttribute(factory, properties, properties->GetTable()) {}

bool RWyxLight::SetLightType(int type) {
    if (type < kPoint || type > kSpot) return false;
    return Table().SetInt(RWyxLightProperties::kLightType, type);
}

bool RWyxLight::SetDefaultColor(double red, double green, double blue) {
    return SetChannelDefaultVector(RWyxLightProperties::kColor, RVector4(red, green, blue, 1.0));
}

bool RWyxLight::AcceptsValue(int row, const RPropertyValue& value) const {
    switch (row) {
        case RWyxLightProperties::kLightType: {
            const int* type = std::get_if<int>(&value);
            return type == nullptr || (*type >= kPoint && *type <= kSpot);
        }
        case RWyxLightProperties::kConeAngle: {
            const double* angle = std::get_if<double>(&value);
            return angle == nullptr || (*angle >= 0.0 && *angle <= 180.0);
        }
        case RWyxLightProperties::kColor:
        case RWyxLightProperties::kIntensity:
        case RWyxLightProperties::kFog: return IsFiniteValue(value);
        default: return true;
    }
}

void RWyxLight::SetGobo(RWyxGobo* gobo) {
    gobo_ = gobo;
    goboLifetime_ = gobo != nullptr ? gobo->GetLifetime() : std::weak_ptr<const void>();
}

RWyxGobo* RWyxLight::GetGobo() const { return goboLifetime_.expired() ? nullptr : gobo_; }
