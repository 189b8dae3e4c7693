#ifndef WYX_ATTRIBUTES_RWYXLAYERELEMENTTEXTURE_H
#define WYX_ATTRIBUTES_RWYXLAYERELEMENTTEXTURE_H

// The texture element of a layer: texture pointers (not owned), with how the layer's texture
// blends over the layers below it and its alpha.

#include "attributes/RWyxTypedLayerElement.h"

#include <memory>

class RWyxLayerElementTexture : public RWyxTypedLayerElement<RWyxTexture*, RWyxLayerElement::kTexture> {
public:
    // Blend modes.
    static constexpr int kTranslucent = 0;
    static constexpr int kAdditive = 1;
    static constexpr int kModulate = 2;
    static constexpr int kModulate2 = 3;

    RWyxLayerElementTexture() = default;
    RWyxLayerElementTexture(const RWyxLayerElementTexture&) = default;

    std::unique_ptr<RWyxLayerElement> Clone() const override {
        return std::make_unique<RWyxLayerElementTexture>(*this);
    }

    // Kept as given; the writers name unknown values themselves.
    int GetBlendMode() const { return blendMode_; }
    void SetBlendMode(int mode) { blendMode_ = mode; }
    double GetAlpha() const { return alpha_; }
    void SetAlpha(double alpha) { alpha_ = alpha; }

private:
    int blendMode_ = kTranslucent;
    double alpha_ = 1.0;
};

#endif
