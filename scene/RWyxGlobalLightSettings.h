#ifndef WYX_SCENE_RWYXGLOBALLIGHTSETTINGS_H
#define WYX_SCENE_RWYXGLOBALLIGHTSETTINGS_H

// The light settings of a scene: the ambient colour, the fog (switch, colour, mode, start,
// end, density) and the shadows (switch, intensity, shadow planes). The scene owns them and
// resets them with its Clear; the readers and writers fill and write them field by field.
//
// The fog range keeps start <= end: a start past the end stops at the end, an end before the
// start stops at the start, and the start is never negative. The shadow intensity lies within
// [0, 300]. Colours are clamped to [0, 1] by RWyxColor. The fog mode is carried as given.
//
// Failures: an index outside the shadow planes sets "Index out of range." (code 0) and
// answers null, the settings unchanged.

#include "core/RError.h"
#include "core/RVector4.h"
#include "core/RWyxColor.h"

#include <vector>

// A plane that receives shadows.
struct RWyxShadowPlane {
    bool enabled = true;
    RVector4 origin{0.0, 0.0, 0.0, 1.0};
    RVector4 normal{0.0, 1.0, 0.0, 1.0};
};

class RWyxGlobalLightSettings {
public:
    static constexpr int kErrorIndexOutOfRange = 0;
    static constexpr double kMaxShadowIntensity = 300.0;

    // Reset.
    RWyxGlobalLightSettings();
    RWyxGlobalLightSettings(const RWyxGlobalLightSettings&) = delete;
    RWyxGlobalLightSettings& operator=(const RWyxGlobalLightSettings&) = delete;

    // Ambient (0.4, 0.4, 0.4, alpha 0); fog off, white with alpha 0, mode 0, from 0.3 to 1000
    // with density 0.002; shadows off with intensity 0 and no planes.
    void Reset();

    void SetAmbientColor(const RWyxColor& color) { ambient_ = color; }
    RWyxColor& GetAmbientColor(RWyxColor& out) const { return out = ambient_; }
    void SetFogEnable(bool enable) { fogEnable_ = enable; }
    bool GetFogEnable() const { return fogEnable_; }
    void SetFogColor(const RWyxColor& color) { fogColor_ = color; }
    RWyxColor& GetFogColor(RWyxColor& out) const { return out = fogColor_; }
    void SetFogMode(int mode) { fogMode_ = mode; }
    int GetFogMode() const { return fogMode_; }
    void SetFogDensity(double density) { fogDensity_ = density; }
    double GetFogDensity() const { return fogDensity_; }
    // Past the end: the end; otherwise the value when not negative, else 0.
    void SetFogStart(double start);
    double GetFogStart() const { return fogStart_; }
    // Before the start: the start.
    void SetFogEnd(double end);
    double GetFogEnd() const { return fogEnd_; }

    void SetShadowEnable(bool enable) { shadowEnable_ = enable; }
    bool GetShadowEnable() const { return shadowEnable_; }
    // Within [0, 300].
    void SetShadowIntensity(double intensity);
    double GetShadowIntensity() const { return shadowIntensity_; }

    // Appends a plane; answers its index.
    int AddShadowPlane(bool enable, const RVector4& origin, const RVector4& normal);
    int GetShadowPlaneCount() const { return static_cast<int>(shadowPlanes_.size()); }
    // Null with code 0 out of range.
    const RWyxShadowPlane* GetShadowPlane(int index);
    void RemoveAllShadowPlanes() { shadowPlanes_.clear(); }

    RError& GetError() { return error_; }
    const RError& GetError() const { return error_; }

private:
    RWyxColor ambient_;
    bool fogEnable_ = false;
    RWyxColor fogColor_;
    int fogMode_ = 0;
    double fogStart_ = 0.0;
    double fogEnd_ = 0.0;
    double fogDensity_ = 0.0;
    bool shadowEnable_ = false;
    double shadowIntensity_ = 0.0;
    std::vector<RWyxShadowPlane> shadowPlanes_;
    RError error_;
};

#endif
