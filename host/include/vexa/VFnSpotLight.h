#ifndef VEXA_VFNSPOTLIGHT_H
#define VEXA_VFNSPOTLIGHT_H

// The function set of spot lights (kSpotLight): a cone along the light's -Z axis. The cone
// angle (radians, plug "coneAngle", animatable) is the full opening, between 0 and pi
// (kInvalidParameter outside). The node also has the plugs "penumbraAngle" and "dropoff".

#include <vexa/VFnLight.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnSpotLight : public VFnLight {
public:
    VFnSpotLight() = default;
    explicit VFnSpotLight(const VObject& object, VStatus* status = nullptr);
    explicit VFnSpotLight(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kSpotLight; }

    VObject create(const VObject& parent = VObject::kNullObj, bool ownTransform = true, VStatus* status = nullptr);

    double coneAngle(VStatus* status = nullptr) const;
    VStatus setConeAngle(double radians);
};

#endif
