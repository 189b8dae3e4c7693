#include <vexa/VFnLambertShader.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PlugAccess.h"
#include "host/src/shading/ShadingNodes.h"

#include <string>

using namespace vexa_host;

namespace {

const char* const kChannels[3] = {"R", "G", "B"};

}  // namespace

VFnLambertShader::VFnLambertShader(const VObject& object, VStatus* status) {
    report(status, VFnLambertShader::setObject(object));
}

VObject VFnLambertShader::create(bool uiShow, VStatus* status) { return createShader("lambert", uiShow, status); }

VObject VFnLambertShader::createShader(const char* typeName, bool uiShow, VStatus* status) {
    VStatus result;
    NodePtr shader = createShaderNode(typeName, std::string(), uiShow, result);
    report(status, result);
    if (!shader) return VObject();
    object_ = VObject(shader);
    return object_;
}

VColor VFnLambertShader::readColor(const char* stem, VStatus* status) const {
    VColor color;
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return color;
    }
    const Node& node = *liveNodeOf(object_);
    float* channels[3] = {&color.r, &color.g, &color.b};
    for (int i = 0; i < 3; ++i) *channels[i] = static_cast<float>(readNumber(node, std::string(stem) + kChannels[i]));
    report(status, VStatus());
    return color;
}

VStatus VFnLambertShader::writeColor(const char* stem, const VColor& color) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    Node& node = *liveNodeOf(object_);
    const float channels[3] = {color.r, color.g, color.b};
    for (int i = 0; i < 3; ++i) {
        if (VStatus status = writeNumber(node, std::string(stem) + kChannels[i], channels[i]); !status) return status;
    }
    return VStatus();
}

float VFnLambertShader::readFloat(const char* name, VStatus* status) const {
    if (VStatus alive = checkAlive(); !alive) {
        report(status, alive);
        return 0.0f;
    }
    report(status, VStatus());
    return static_cast<float>(readNumber(*liveNodeOf(object_), name));
}

VStatus VFnLambertShader::writeFloat(const char* name, double value) {
    if (VStatus alive = checkAlive(); !alive) return alive;
    return writeNumber(*liveNodeOf(object_), name, value);
}

VColor VFnLambertShader::color(VStatus* status) const { return readColor("color", status); }
VStatus VFnLambertShader::setColor(const VColor& color) { return writeColor("color", color); }
VColor VFnLambertShader::transparency(VStatus* status) const { return readColor("transparency", status); }
VStatus VFnLambertShader::setTransparency(const VColor& transparency) { return writeColor("transparency", transparency); }
VColor VFnLambertShader::ambientColor(VStatus* status) const { return readColor("ambientColor", status); }
VStatus VFnLambertShader::setAmbientColor(const VColor& color) { return writeColor("ambientColor", color); }
VColor VFnLambertShader::incandescence(VStatus* status) const { return readColor("incandescence", status); }
VStatus VFnLambertShader::setIncandescence(const VColor& color) { return writeColor("incandescence", color); }
float VFnLambertShader::diffuseCoeff(VStatus* status) const { return readFloat("diffuse", status); }
