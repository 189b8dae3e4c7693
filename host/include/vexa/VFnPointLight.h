#ifndef VEXA_VFNPOINTLIGHT_H
#define VEXA_VFNPOINTLIGHT_H

// The function set of lights that shine from a point or surface without a direction of their
// own: point lights (kPointLight), and also area (kAreaLight) and volume (kVolumeLight)
// lights, whose colour and intensity are read through it.

#include <vexa/VFnLight.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnPointLight : public VFnLight {
public:
    VFnPointLight() = default;
    explicit VFnPointLight(const VObject& object, VStatus* status = nullptr);
    explicit VFnPointLight(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kPointLight; }

    // A new point light (see VFnLight for ownTransform).
    VObject create(const VObject& parent = VObject::kNullObj, bool ownTransform = true, VStatus* status = nullptr);

protected:
    bool accepts(const VObject& object) const override;
};

#endif
