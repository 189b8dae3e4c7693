#include <vexa/VFnPointLight.h>

#include "host/src/api/ApiSupport.h"

using namespace vexa_host;

VFnPointLight::VFnPointLight(const VObject& object, VStatus* status) { report(status, setObject(object)); }

VFnPointLight::VFnPointLight(const VDagPath& path, VStatus* status) { report(status, setObject(path)); }

bool VFnPointLight::accepts(const VObject& object) const {
    return object.hasFn(VFn::kPointLight) || object.hasFn(VFn::kAreaLight) || object.hasFn(VFn::kVolumeLight);
}

VObject VFnPointLight::create(const VObject& parent, bool ownTransform, VStatus* status) {
    return createLight("pointLight", parent, ownTransform, status);
}
