#include <vexa/VFnPhongShader.h>

#include "host/src/api/ApiSupport.h"

using namespace vexa_host;

VFnPhongShader::VFnPhongShader(const VObject& object, VStatus* status) { report(status, VFnPhongShader::setObject(object)); }

VObject VFnPhongShader::create(bool uiShow, VStatus* status) { return createShader("phong", uiShow, status); }

float VFnPhongShader::cosPower(VStatus* status) const { return readFloat("cosinePower", status); }
VStatus VFnPhongShader::setCosPower(float power) { return writeFloat("cosinePower", power); }
