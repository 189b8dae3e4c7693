#ifndef WYX_ATTRIBUTES_RWYXTEXTUREPROPERTIES_H
#define WYX_ATTRIBUTES_RWYXTEXTUREPROPERTIES_H

// The properties object of a texture: how the image is used and placed. "Alpha",
// "Translation", "Rotation" and "Scaling" are animatable and have channels of their names in
// the texture's take nodes (the vectors with "X", "Y", "Z"); translation and scaling use x
// for U and y for V, rotation z for W (degrees). The enumerations name their values.
//
// A node that uses the texture has this object as a source of its properties object; the
// texture is this object's owner.

#include "attributes/RWyxOwnedProperties.h"
#include "attributes/RWyxPropertyTable.h"

class RWyxTexture;

class RWyxTextureProperties : public RWyxOwnedProperties {
    WYX_DECLARE_CLASS(RWyxTextureProperties)

public:
    enum Row {
        kTextureUse,
        kAlpha,
        kMappingType,
        kPlanarMappingNormal,
        kSwapUV,
        kWrapModeU,
        kWrapModeV,
        kTranslation,
        kRotation,
        kScaling,
        kBlendMode,
        kMaterialMode,
        kRowCount
    };
    // name, data type, default, flags:
    //   "TextureUse"                     Enum         0 Standard
    //   "Alpha"                          Number       1             animatable
    //   "Texture_Mapping_Type"           Enum         6 UV
    //   "Texture_Planar_Mapping_Normal"  Enum         0 X
    //   "UVSwap"                         Bool         false
    //   "WrapModeU", "WrapModeV"         Enum         0 Repeat
    //   "Translation"                    Translation  (0, 0, 0)     animatable
    //   "Rotation"                       Rotation     (0, 0, 0)     animatable
    //   "Scaling"                        Scaling      (1, 1, 1)     animatable
    //   "BlendMode"                      Enum         0 Translucent
    //   "MaterialMode"                   Integer      0
    static const RWyxPropertyRow kRows[kRowCount];

    // Values of "TextureUse".
    enum TextureUse {
        kUseStandard,
        kUseShadowMap,
        kUseLightMap,
        kUseSphericalReflexionMap,
        kUseSphereReflexionMap,
        kUseBumpNormalMap
    };
    // Values of "Texture_Mapping_Type".
    enum MappingType {
        kMappingNone,
        kMappingPlanar,
        kMappingSpherical,
        kMappingCylindrical,
        kMappingBox,
        kMappingFace,
        kMappingUV,
        kMappingEnvironment
    };
    // Values of "Texture_Planar_Mapping_Normal".
    enum PlanarNormal { kPlanarNormalX, kPlanarNormalY, kPlanarNormalZ };
    // Values of "WrapModeU" and "WrapModeV".
    enum WrapMode { kWrapRepeat, kWrapClamp };
    // Values of "BlendMode".
    enum BlendMode { kBlendTranslucent, kBlendAdditive, kBlendModulate, kBlendModulate2 };

    // Names of the values; null for a value outside the enumeration.
    static const char* TextureUseName(int use);
    static const char* MappingTypeName(int type);
    static const char* PlanarNormalName(int normal);
    static const char* WrapModeName(int mode);
    static const char* BlendModeName(int mode);

    // Makes the rows' properties with their defaults; `texture` is the owner (null for an
    // object used on its own).
    explicit RWyxTextureProperties(RWyxTexture* texture);
    // A new object on the heap; it ends through Destroy().
    static RWyxTextureProperties* Create(RWyxTexture* texture);

    // The owning texture; null once it is gone or for an object used on its own.
    RWyxTexture* GetTexture() const;

    const RWyxPropertyTable& GetTable() const override { return table_; }
    RWyxPropertyTable& GetTable() override { return table_; }

protected:
    ~RWyxTextureProperties() override = default;

private:
    RWyxPropertyTable table_{kRows};
};

#endif
