#ifndef VEXA_VFNLAMBERTSHADER_H
#define VEXA_VFNLAMBERTSHADER_H

// The function set of lambert shaders, and the base of the reflecting ones (VFnReflectShader,
// VFnPhongShader): the colour, transparency, ambient colour and incandescence (plugs "color",
// "transparency", "ambientColor", "incandescence", each with R, G, B children) and the diffuse
// coefficient ("diffuse").
//
// Colours are read as the plugs give them (a colour fed by a texture reads the texture's
// output); alpha always reads 1. Setting a colour writes its three channels; a locked channel
// refuses the value (kFailure) and leaves the channels after it as they were.
//
// create() makes a new shader; with uiShow the shader goes on the scene's shader list,
// defaultShaderList1, which is made with the first listed shader.

#include <vexa/VColor.h>
#include <vexa/VFnDependencyNode.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnLambertShader : public VFnDependencyNode {
public:
    VFnLambertShader() = default;
    explicit VFnLambertShader(const VObject& object, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kLambert; }

    VObject create(bool uiShow = true, VStatus* status = nullptr);

    VColor color(VStatus* status = nullptr) const;
    VStatus setColor(const VColor& color);
    VColor transparency(VStatus* status = nullptr) const;
    VStatus setTransparency(const VColor& transparency);
    VColor ambientColor(VStatus* status = nullptr) const;
    VStatus setAmbientColor(const VColor& color);
    VColor incandescence(VStatus* status = nullptr) const;
    VStatus setIncandescence(const VColor& color);
    float diffuseCoeff(VStatus* status = nullptr) const;

protected:
    VObject createShader(const char* typeName, bool uiShow, VStatus* status);
    VColor readColor(const char* stem, VStatus* status) const;
    VStatus writeColor(const char* stem, const VColor& color);
    float readFloat(const char* name, VStatus* status) const;
    VStatus writeFloat(const char* name, double value);
};

#endif
