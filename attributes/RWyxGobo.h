#ifndef WYX_ATTRIBUTES_RWYXGOBO_H
#define WYX_ATTRIBUTES_RWYXGOBO_H

// The image a light projects, named as its maker gave it (no type prefix), with the path of
// the image and three draw switches (ground projection, volumetric light, front-facing
// volumetric light). Made by the object factory and destroyed through it (PrepareDestroy,
// then deletion).
//
// Lights refer to a gobo without owning it. They hold it with its lifetime (GetLifetime), so
// that a gobo destroyed while lights use it leaves them without a gobo instead of with a
// dangling pointer.

#include "core/RString.h"
#include "core/RWyxSceneObject.h"

#include <memory>

class RWyxObjectFactory;

class RWyxGobo : public RWyxSceneObject {
public:
    // Draw switches.
    static constexpr int kDrawGroundProjection = 0;
    static constexpr int kDrawVolumetricLight = 1;
    static constexpr int kDrawFrontFacingVolumetricLight = 2;
    static constexpr int kDrawComponentCount = 3;

    // `name` is the full name. Ground projection on, the volumetric switches off.
    RWyxGobo(RWyxObjectFactory* factory, const RString& name);

    int GetTypeId() const override { return 0; }

    void SetPath(const RString& path) { path_ = path; }
    const RString& GetPath() const { return path_; }
    // False, nothing changed, for an index outside 0 to 2.
    bool SetDrawComponent(int index, int value);
    // 0 for an index outside 0 to 2.
    int GetDrawComponent(int index) const;

    // Expires when the gobo is deleted.
    std::weak_ptr<const void> GetLifetime() const { return lifetime_; }

private:
    RString path_;
    int drawComponents_[kDrawComponentCount] = {1, 0, 0};
    std::shared_ptr<const void> lifetime_;
};

#endif
