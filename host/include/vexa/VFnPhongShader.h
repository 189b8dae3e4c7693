#ifndef VEXA_VFNPHONGSHADER_H
#define VEXA_VFNPHONGSHADER_H

// The function set of phong shaders: a reflecting shader with a cosine power ("cosinePower",
// 20 for a new shader). The power is kept as given, without limits: what a file or a script
// sets is what reads back.

#include <vexa/VFnReflectShader.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnPhongShader : public VFnReflectShader {
public:
    VFnPhongShader() = default;
    explicit VFnPhongShader(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kPhong; }

    // A new phong shader; with uiShow it goes on the shader list (see VFnLambertShader).
    VObject create(bool uiShow = true, VStatus* status = nullptr);

    float cosPower(VStatus* status = nullptr) const;
    VStatus setCosPower(float power);
};

#endif
