#include <vexa/VFnSpotLight.h>

#include "host/src/api/ApiSupport.h"
#include "host/src/scene/PlugAccess.h"

#include <cmath>

using namespace vexa_host;

namespace {

constexpr double kPi = 3.14159265358979323846;

double number(const VObject& object, const char* name, VStatus* status) {
    Node* node = liveNodeOf(object);
    report(status, node != nullptr ? VStatus() : (object.isNull() ? noObject() : deletedNode()));
    return node != nullptr ? readNumber(*node, name) : 0.0;
}

VStatus setNumber(const VObject& object, const char* name, double value) {
    Node* node = liveNodeOf(object);
    if (node == nullptr) return object.isNull() ? noObject() : deletedNode();
    if (!std::isfinite(value)) return VStatus(VStatus::kInvalidParameter, std::string(name) + " must be a number");
    return writeNumber(*node, name, value);
}

}  // namespace

VFnSpotLight::VFnSpotLight(const VObject& object, VStatus* status) { report(status, setObject(object)); }

VFnSpotLight::VFnSpotLight(const VDagPath& path, VStatus* status) { report(status, setObject(path)); }

VObject VFnSpotLight::create(const VObject& parent, bool ownTransform, VStatus* status) {
    return createLight("spotLight", parent, ownTransform, status);
}

double VFnSpotLight::coneAngle(VStatus* status) const { return number(object_, "coneAngle", status); }

VStatus VFnSpotLight::setConeAngle(double radians) {
    if (!(radians > 0.0 && radians < kPi)) return VStatus(VStatus::kInvalidParameter, "the cone angle lies between 0 and pi");
    return setNumber(object_, "coneAngle", radians);
}

