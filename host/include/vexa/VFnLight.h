#ifndef VEXA_VFNLIGHT_H
#define VEXA_VFNLIGHT_H

// The function set of every light (kLight): ambient (294), point (300), directional (299),
// spot (301), area (296) and volume (853) lights. The colour is the plugs "colorR", "colorG",
// "colorB" (the compound "color"), the intensity the plug "intensity"; both can be animated.
// Made from a transform's DAG path it works on the transform's one shape.

#include <vexa/VColor.h>
#include <vexa/VFnDagNode.h>
#include <vexa/VexaExport.h>

class VEXA_API VFnLight : public VFnDagNode {
public:
    VFnLight() = default;
    explicit VFnLight(const VObject& object, VStatus* status = nullptr);
    explicit VFnLight(const VDagPath& path, VStatus* status = nullptr);
    VFn::Type type() const override { return VFn::kLight; }
    VStatus setObject(const VObject& object) override;
    VStatus setObject(const VDagPath& path);

    VColor color(VStatus* status = nullptr) const;  // alpha 1
    VStatus setColor(const VColor& color);            // alpha not kept
    float intensity(VStatus* status = nullptr) const;
    VStatus setIntensity(float intensity);

protected:
    // Makes a light of the type: with ownTransform a new transform under the parent (the null
    // object: the world) and the light under it; without, the light directly under the parent,
    // which must be a transform.
    VObject createLight(const char* typeName, const VObject& parent, bool ownTransform, VStatus* status);
    // Whether the object is one the set works on (the types a derived set accepts).
    virtual bool accepts(const VObject& object) const { return object.hasFn(type()); }
};

#endif
