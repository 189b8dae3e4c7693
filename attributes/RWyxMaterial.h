#ifndef WYX_ATTRIBUTES_RWYXMATERIAL_H
#define WYX_ATTRIBUTES_RWYXMATERIAL_H

// The surface description a node's geometry layers refer to ("Material::" names): four
// colours, opacity, reflectivity and shininess, each an animatable property of the material's
// properties object with a channel of its name in every take node; and the shading model's
// name and the multi-layer flag, which the writers store beside the properties.
//
// Made by the object factory with its take "Default" and destroyed through it
// (PrepareDestroy, then deletion).
//
// Shininess is kept as the Phong exponent: the accessor's value in [0, 1] times 128. The
// property and the curves of its channel hold the exponent alike; a writer that stores the
// accessor's scale takes every stored value, the property's or a curve's (default or key),
// through ShininessFromStored, so that the value and its curve say the same in the file.
// Values read from elsewhere are brought into range on the way out: opacity and shininess
// always answer within [0, 1], colours within [0, 1] with alpha 1.

#include "attributes/RWyxPropertyOwner.h"
#include "core/RString.h"
#include "core/RWyxColor.h"

class RWyxMaterialProperties;
class RWyxObjectFactory;

class RWyxMaterial : public RWyxPropertyOwner {
public:
    // The stored shininess is the accessor's value times this.
    static constexpr double kShininessScale = 128.0;
    static constexpr const char* kDefaultShadingModel = "Phong";

    // `name` is the full name.
    RWyxMaterial(RWyxObjectFactory* factory, const RString& name);

    int GetTypeId() const override { return 3; }

    RWyxMaterialProperties* GetProperties() const;

    const RString& GetShadingModel() const { return shadingModel_; }
    void SetShadingModel(const RString& name) { shadingModel_ = name; }
    bool GetMultiLayer() const { return multiLayer_; }
    void SetMultiLayer(bool multiLayer) { multiLayer_ = multiLayer; }

    // Colours: the red, green and blue of the property (each within [0, 1]), alpha 1. A
    // colour's alpha is not stored.
    RWyxColor GetAmbientColor() const;
    void SetAmbientColor(const RWyxColor& color);
    RWyxColor GetDiffuseColor() const;
    void SetDiffuseColor(const RWyxColor& color);
    RWyxColor GetSpecularColor() const;
    void SetSpecularColor(const RWyxColor& color);
    RWyxColor GetEmissiveColor() const;
    void SetEmissiveColor(const RWyxColor& color);

    // Within [0, 1]; a value that is not a number counts as 0.
    double GetOpacity() const;
    void SetOpacity(double opacity);
    // The stored value divided by 128, within [0, 1]. The setter takes a value within [0, 1]
    // (brought into it) and stores it times 128.
    double GetShininess() const;
    void SetShininess(double shininess);
    // A stored shininess (the property's value, or a default or key of its channel's curves)
    // in the accessor's scale: divided by 128, within [0, 1]; 0 for NaN.
    static double ShininessFromStored(double stored);
    double GetReflectivity() const;
    void SetReflectivity(double reflectivity);

protected:
    // Tells the factory, whose index of materials by name reads the name again.
    void OnNameChanging() override;

private:
    RWyxColor GetColor(int row) const;
    void SetColor(int row, const RWyxColor& color);

    RString shadingModel_{kDefaultShadingModel};
    bool multiLayer_ = false;
};

#endif
