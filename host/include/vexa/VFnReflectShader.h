#ifndef VEXA_VFNREFLECTSHADER_H
#define VEXA_VFNREFLECTSHADER_H

// The function set of reflecting shaders (phong and the like): a lambert shader with a
// specular colour ("specularColor"), a reflectivity ("reflectivity") and a reflected colour
// ("reflectedColor"). There is no plain reflect shader to create; see VFnPhongShader.

#include <vexa/VFnLambertShader.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnReflectShader : public VFnLambertShader {
public:
    VFnReflectShader() = default;
    explicit VFnReflectShader(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kReflect; }

    VColor specularColor(VStatus* status = nullptr) const;
    VStatus setSpecularColor(const VColor& color);
    float reflectivity(VStatus* status = nullptr) const;
    VColor reflectedColor(VStatus* status = nullptr) const;
    VStatus setReflectedColor(const VColor& color);
};

#endif
