#include <vexa/VFnDirectionalLight.h>

#include "host/src/api/ApiSupport.h"

using namespace vexa_host;

VFnDirectionalLight::VFnDirectionalLight(const VObject& object, VStatus* status) { report(status, setObject(object)); }

VFnDirectionalLight::VFnDirectionalLight(const VDagPath& path, VStatus* status) { report(status, setObject(path)); }

VObject VFnDirectionalLight::create(const VObject& parent, bool ownTransform, VStatus* status) {
    return createLight("directionalLight", parent, ownTransform, status);
}
