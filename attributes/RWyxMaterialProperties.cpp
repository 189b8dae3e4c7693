#include "attributes/RWyxMaterialProperties.h"

#include "attributes/RWyxMaterial.h"

// Defaults are the usual fixed-function ones: a grey, matt, opaque surface that emits nothing.
const RWyxPropertyRow RWyxMaterialProperties::kRows[kRowCount] = {
    {"Emissive", "Color", RWyxPropertyDefault::Vector(0.0, 0.0, 0.0), RWyxPropertyRow::kAnimatable, nullptr},
    {"Ambient", "Color", RWyxPropertyDefault::Vector(0.2, 0.2, 0.2), RWyxPropertyRow::kAnimatable, nullptr},
    {"Diffuse", "Color", RWyxPropertyDefault::Vector(0.8, 0.8, 0.8), RWyxPropertyRow::kAnimatable, nullptr},
    {"Specular", "Color", RWyxPropertyDefault::Vector(0.0, 0.0, 0.0), RWyxPropertyRow::kAnimatable, nullptr},
    {"Opacity", "Number", RWyxPropertyDefault::Number(1.0), RWyxPropertyRow::kAnimatable, nullptr},
    {"Reflectivity", "Number", RWyxPropertyDefault::Number(0.0), RWyxPropertyRow::kAnimatable, nullptr},
    {"Shininess", "Number", RWyxPropertyDefault::Number(0.0), RWyxPropertyRow::kAnimatable, nullptr},
};

RWyxMaterialProperties::RWyxMaterialProperties(RWyxMaterial* material) : RWyxOwnedProperties(material) {
    table_.CreateProperties(*this);
}

RWyxMaterialProperties* RWyxMaterialProperties::Create(RWyxMaterial* material) {
    return CreatePlugObject<RWyxMaterialProperties>(nullptr, material);
}

RWyxMaterial* RWyxMaterialProperties::GetMaterial() const { return static_cast<RWyxMaterial*>(GetOwner()); }
