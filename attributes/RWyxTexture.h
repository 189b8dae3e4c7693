#ifndef WYX_ATTRIBUTES_RWYXTEXTURE_H
#define WYX_ATTRIBUTES_RWYXTEXTURE_H

// An image mapped onto a node's geometry layers ("Texture::" names).
//
// How the image is used and placed (use, alpha, mapping, wrap and blend modes, UV translation,
// rotation and scaling) lives in the texture's properties object; alpha, translation,
// rotation and scaling are animatable, with the channels "Alpha", "Translation", "Rotation"
// and "Scaling" in every take node. What the writers store beside the properties is kept
// here: the type name, the file, relative file and media names, the model's UV translation
// and scaling, the alpha source and the four cropping values.
//
// Made by the object factory with its take "Default" and destroyed through it
// (PrepareDestroy, then deletion).

#include "attributes/RWyxPropertyOwner.h"
#include "core/RString.h"

class RWyxObjectFactory;
class RWyxTextureProperties;

class RWyxTexture : public RWyxPropertyOwner {
public:
    static constexpr const char* kDefaultTypeName = "TextureVideoClip";

    // Alpha sources.
    static constexpr int kAlphaSourceNone = 0;
    static constexpr int kAlphaSourceRgbIntensity = 1;
    static constexpr int kAlphaSourceBlack = 2;

    // The cropping values in their stored order.
    enum CroppingSide { kCropTop, kCropBottom, kCropLeft, kCropRight, kCroppingCount };

    // A U and V pair.
    struct UV {
        double u;
        double v;
    };

    // `name` is the full name.
    RWyxTexture(RWyxObjectFactory* factory, const RString& name);

    int GetTypeId() const override { return 2; }
    // The type name.
    RString GetTypeDescription() const override { return typeName_; }

    RWyxTextureProperties* GetProperties() const;

    // ---- stored beside the properties ---------------------------------------------------------
    const RString& GetTypeName() const { return typeName_; }
    void SetTypeName(const RString& name) { typeName_ = name; }
    const RString& GetFileName() const { return fileName_; }
    // A different file name drops the relative file name, which named the former file.
    void SetFileName(const RString& name);
    const RString& GetRelativeFileName() const { return relativeFileName_; }
    void SetRelativeFileName(const RString& name) { relativeFileName_ = name; }
    const RString& GetMediaName() const { return mediaName_; }
    void SetMediaName(const RString& name) { mediaName_ = name; }

    UV GetModelUVTranslation() const { return modelUVTranslation_; }
    void SetModelUVTranslation(double u, double v) { modelUVTranslation_ = UV{u, v}; }
    UV GetModelUVScaling() const { return modelUVScaling_; }
    void SetModelUVScaling(double u, double v) { modelUVScaling_ = UV{u, v}; }

    // 0 none, 1 RGB intensity, 2 alpha black; kept as given (the writers name other values
    // "None").
    int GetAlphaSource() const { return alphaSource_; }
    void SetAlphaSource(int source) { alphaSource_ = source; }

    // 0 for an index outside 0 to 3; the setter answers false then and changes nothing.
    int GetCropping(int index) const;
    bool SetCropping(int index, int value);

    // ---- placement (the properties "Translation", "Rotation", "Scaling") -----------------------
    double GetTranslationU() const;
    double GetTranslationV() const;
    // Leaves the third component as it is.
    void SetTranslationUV(double u, double v);
    double GetRotationU() const;
    double GetRotationV() const;
    // Degrees.
    double GetRotationW() const;
    void SetRotationUVW(double u, double v, double w);
    double GetScalingU() const;
    double GetScalingV() const;
    // Leaves the third component as it is.
    void SetScalingUV(double u, double v);

    // ---- use and modes (the other properties) ---------------------------------------------------
    // "Alpha".
    double GetDefaultAlpha() const;
    void SetDefaultAlpha(double alpha);
    // RWyxTextureProperties::TextureUse.
    int GetTextureUse() const;
    void SetTextureUse(int use);
    // RWyxTextureProperties::MappingType.
    int GetMappingType() const;
    void SetMappingType(int type);
    // RWyxTextureProperties::PlanarNormal.
    int GetPlanarMappingNormal() const;
    void SetPlanarMappingNormal(int normal);
    // "UVSwap".
    bool GetSwapUV() const;
    void SetSwapUV(bool swap);
    int GetMaterialMode() const;
    void SetMaterialMode(int mode);
    // RWyxTextureProperties::WrapMode.
    int GetWrapModeU() const;
    int GetWrapModeV() const;
    void SetWrapMode(int u, int v);
    // RWyxTextureProperties::BlendMode.
    int GetBlendMode() const;
    void SetBlendMode(int mode);

protected:
    // Tells the factory, whose index of textures by name reads the name again.
    void OnNameChanging() override;

private:
    double Component(int row, int index) const;
    void SetComponents(int row, const double* values, int count);

    RString typeName_{kDefaultTypeName};
    RString fileName_;
    RString relativeFileName_;
    RString mediaName_;
    UV modelUVTranslation_{0.0, 0.0};
    UV modelUVScaling_{1.0, 1.0};
    int alphaSource_ = kAlphaSourceNone;
    int cropping_[kCroppingCount] = {0, 0, 0, 0};
};

#endif
