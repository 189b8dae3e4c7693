#include "attributes/RWyxMaterial.h"

#include "attributes/RWyxMaterialProperties.h"
#include "core/RVector4.h"
#include "scene/RWyxObjectFactory.h"

#include <algorithm>
#include <cmath>

namespace {

// Within [0, 1]; not a number counts as 0.
double ClampUnit(double value) { return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0); }

}  // namespace

RWyxMaterial::RWyxMaterial(RWyxObjectFactory* factory, const RString& name) : RWyxPropertyOwner(factory, name) {
    AdoptProperties(RWyxMaterialProperties::Create(this));
}

RWyxMaterialProperties* RWyxMaterial::GetProperties() const {
    return static_cast<RWyxMaterialProperties*>(GetOwnedProperties());
}

RWyxColor RWyxMaterial::GetColor(int row) const {
    const RVector4 value = GetProperties()->GetTable().GetVector(row);
    return RWyxColor(value.x, value.y, value.z, 1.0);
}

void RWyxMaterial::SetColor(int row, const RWyxColor& color) {
    GetProperties()->GetTable().SetVector(row, RVector4(color.GetRed(), color.GetGreen(), color.GetBlue(), 1.0));
}

RWyxColor RWyxMaterial::GetAmbientColor() const { return GetColor(RWyxMaterialProperties::kAmbient); }
void RWyxMaterial::SetAmbientColor(const RWyxColor& color) { SetColor(RWyxMaterialProperties::kAmbient, color); }
RWyxColor RWyxMaterial::GetDiffuseColor() const { return GetColor(RWyxMaterialProperties::kDiffuse); }
void RWyxMaterial::SetDiffuseColor(const RWyxColor& color) { SetColor(RWyxMaterialProperties::kDiffuse, color); }
RWyxColor RWyxMaterial::GetSpecularColor() const { return GetColor(RWyxMaterialProperties::kSpecular); }
void RWyxMaterial::SetSpecularColor(const RWyxColor& color) { SetColor(RWyxMaterialProperties::kSpecular, color); }
RWyxColor RWyxMaterial::GetEmissiveColor() const { return GetColor(RWyxMaterialProperties::kEmissive); }
void RWyxMaterial::SetEmissiveColor(const RWyxColor& color) { SetColor(RWyxMaterialProperties::kEmissive, color); }

double RWyxMaterial::GetOpacity() const {
    return ClampUnit(GetProperties()->GetTable().GetNumber(RWyxMaterialProperties::kOpacity));
}

void RWyxMaterial::SetOpacity(double opacity) {
    GetProperties()->GetTable().SetNumber(RWyxMaterialProperties::kOpacity, ClampUnit(opacity));
}

double RWyxMaterial::GetShininess() const {
    return ShininessFromStored(GetProperties()->GetTable().GetNumber(RWyxMaterialProperties::kShininess));
}

double RWyxMaterial::ShininessFromStored(double stored) { return ClampUnit(stored / kShininessScale); }

void RWyxMaterial::SetShininess(double shininess) {
    GetProperties()->GetTable().SetNumber(RWyxMaterialProperties::kShininess, ClampUnit(shininess) * kShininessScale);
}

double RWyxMaterial::GetReflectivity() const {
    return GetProperties()->GetTable().GetNumber(RWyxMaterialProperties::kReflectivity);
}

void RWyxMaterial::SetReflectivity(double reflectivity) {
    GetProperties()->GetTable().SetNumber(RWyxMaterialProperties::kReflectivity, reflectivity);
}

void RWyxMaterial::OnNameChanging() {
    if (GetFactory() != nullptr) GetFactory()->OnMaterialNameChanging(this);
}
