#ifndef VEXA_VFNDIRECTIONALLIGHT_H
#define VEXA_VFNDIRECTIONALLIGHT_H

// The function set of directional lights (kDirectionalLight): parallel light along the
// light's -Z axis.

#include <vexa/VFnLight.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnDirectionalLight : public VFnLight {
public:
    VFnDirectionalLight() = default;
    explicit VFnDirectionalLight(const VObject& object, VStatus* status = nullptr);
    explicit VFnDirectionalLight(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kDirectionalLight; }

    VObject create(const VObject& parent = VObject::kNullObj, bool ownTransform = true, VStatus* status = nullptr);
};

#endif
