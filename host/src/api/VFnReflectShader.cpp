#include <vexa/VFnReflectShader.h>

#include "host/src/api/ApiSupport.h"

using namespace vexa_host;

VFnReflectShader::VFnReflectShader(const VObject& object, VStatus* status) {
    report(status, VFnReflectShader::setObject(object));
}

VColor VFnReflectShader::specularColor(VStatus* status) const { return readColor("specularColor", status); }
VStatus VFnReflectShader::setSpecularColor(const VColor& color) { return writeColor("specularColor", color); }
float VFnReflectShader::reflectivity(VStatus* status) const { return readFloat("reflectivity", status); }
VColor VFnReflectShader::reflectedColor(VStatus* status) const { return readColor("reflectedColor", status); }
VStatus VFnReflectShader::setReflectedColor(const VColor& color) { return writeColor("reflectedColor", color); }
