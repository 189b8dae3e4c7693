#include "attributes/RWyxTextureProperties.h"

#include "attributes/RWyxTexture.h"

namespace {

template <int N>
const char* NameAt(const char* const (&names)[N], int value) {
    return value >= 0 && value < N ? names[value] : nullptr;
}

const char* TextureUseNameOf(const RProperty& /*property*/, int value) {
    return RWyxTextureProperties::TextureUseName(value);
}
const char* MappingTypeNameOf(const RProperty& /*property*/, int value) {
    return RWyxTextureProperties::MappingTypeName(value);
}
const char* PlanarNormalNameOf(const RProperty& /*property*/, int value) {
    return RWyxTextureProperties::PlanarNormalName(value);
}
const char* WrapModeNameOf(const RProperty& /*property*/, int value) {
    return RWyxTextureProperties::WrapModeName(value);
}
const char* BlendModeNameOf(const RProperty& /*property*/, int value) {
    return RWyxTextureProperties::BlendModeName(value);
}

constexpr std::uint32_t kAnimatable = RWyxPropertyRow::kAnimatable;

}  // namespace

// A new texture is an ordinary UV-mapped, repeating, opaque image layer without placement.
const RWyxPropertyRow RWyxTextureProperties::kRows[kRowCount] = {
    {"TextureUse", "Enum", RWyxPropertyDefault::Number(kUseStandard), 0, &TextureUseNameOf},
    {"Alpha", "Number", RWyxPropertyDefault::Number(1.0), kAnimatable, nullptr},
    {"Texture_Mapping_Type", "Enum", RWyxPropertyDefault::Number(kMappingUV), 0, &MappingTypeNameOf},
    {"Texture_Planar_Mapping_Normal", "Enum", RWyxPropertyDefault::Number(kPlanarNormalX), 0, &PlanarNormalNameOf},
    {"UVSwap", "Bool", RWyxPropertyDefault::Flag(false), 0, nullptr},
    {"WrapModeU", "Enum", RWyxPropertyDefault::Number(kWrapRepeat), 0, &WrapModeNameOf},
    {"WrapModeV", "Enum", RWyxPropertyDefault::Number(kWrapRepeat), 0, &WrapModeNameOf},
    {"Translation", "Translation", RWyxPropertyDefault::Vector(0.0, 0.0, 0.0), kAnimatable, nullptr},
    {"Rotation", "Rotation", RWyxPropertyDefault::Vector(0.0, 0.0, 0.0), kAnimatable, nullptr},
    {"Scaling", "Scaling", RWyxPropertyDefault::Vector(1.0, 1.0, 1.0), kAnimatable, nullptr},
    {"BlendMode", "Enum", RWyxPropertyDefault::Number(kBlendTranslucent), 0, &BlendModeNameOf},
    {"MaterialMode", "Integer", RWyxPropertyDefault::Number(0), 0, nullptr},
};

const char* RWyxTextureProperties::TextureUseName(int use) {
    static const char* const kNames[] = {"Standard",           "ShadowMap",          "LightMap",
                                         "SphericalReflexionMap", "SphereReflexionMap", "BumpNormalMap"};
    return NameAt(kNames, use);
}

const char* RWyxTextureProperties::MappingTypeName(int type) {
    static const char* const kNames[] = {"None", "Planar", "Spherical", "Cylindrical",
                                         "Box",  "Face",   "UV",        "Environment"};
    return NameAt(kNames, type);
}

const char* RWyxTextureProperties::PlanarNormalName(int normal) {
    static const char* const kNames[] = {"X", "Y", "Z"};
    return NameAt(kNames, normal);
}

const char* RWyxTextureProperties::WrapModeName(int mode) {
    static const char* const kNames[] = {"Repeat", "Clamp"};
    return NameAt(kNames, mode);
}

const char* RWyxTextureProperties::BlendModeName(int mode) {
    static const char* const kNames[] = {"Translucent", "Additive", "Modulate", "Modulate2"};
    return NameAt(kNames, mode);
}

RWyxTextureProperties::RWyxTextureProperties(RWyxTexture* texture) : RWyxOwnedProperties(texture) {
    table_.CreateProperties(*this);
}

RWyxTextureProperties* RWyxTextureProperties::Create(RWyxTexture* texture) {
    return CreatePlugObject<RWyxTextureProperties>(nullptr, texture);
}

RWyxTexture* RWyxTextureProperties::GetTexture() const { return static_cast<RWyxTexture*>(GetOwner()); }
