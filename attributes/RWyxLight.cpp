#include "attributes/RWyxLight.h"

#include "attributes/RWyxGobo.h"

RWyxLight::RWyxLight(RWyxObjectFactory* factory) : RWyxLight(factory, CreatePlugObject<RWyxLightProperties>(nullptr)) {}

RWyxLight::RWyxLight(RWyxObjectFactory* factory, RWyxLightProperties* properties)
    : RWyxChannelAttribute(factory, properties, properties->GetTable()) {}

bool RWyxLight::SetLightType(int type) {
    if (type < kPoint || type > kSpot) return false;
    return Table().SetInt(RWyxLightProperties::kLightType, type);
}

void RWyxLight::SetDefaultColor(double red, double green, double blue) {
    SetChannelDefaultVector(RWyxLightProperties::kColor, RVector4(red, green, blue, 1.0));
}

void RWyxLight::SetGobo(RWyxGobo* gobo) {
    gobo_ = gobo;
    goboLifetime_ = gobo != nullptr ? gobo->GetLifetime() : std::weak_ptr<const void>();
}

RWyxGobo* RWyxLight::GetGobo() const { return goboLifetime_.expired() ? nullptr : gobo_; }
