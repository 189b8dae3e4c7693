#include "scene/RWyxGlobalLightSettings.h"

#include <cmath>

namespace {

const char* const kLightSettingsMessages[] = {"Index out of range."};

}  // namespace

RWyxGlobalLightSettings::RWyxGlobalLightSettings() : error_(kLightSettingsMessages, 1) { Reset(); }

void RWyxGlobalLightSettings::Reset() {
    ambient_ = RWyxColor(0.4, 0.4, 0.4, 0.0);
    fogEnable_ = false;
    fogColor_ = RWyxColor(1.0, 1.0, 1.0, 0.0);
    fogMode_ = 0;
    fogStart_ = 0.3;
    fogEnd_ = 1000.0;
    fogDensity_ = 0.002;
    shadowEnable_ = false;
    shadowIntensity_ = 0.0;
    RemoveAllShadowPlanes();
}

// A value that is not a number is refused, so that the range always stays ordered.
void RWyxGlobalLightSettings::SetFogStart(double start) {
    if (std::isnan(start)) return;
    if (start > fogEnd_) {
        fogStart_ = fogEnd_;
    } else {
        fogStart_ = start >= 0.0 ? start : 0.0;
    }
}

void RWyxGlobalLightSettings::SetFogEnd(double end) {
    if (std::isnan(end)) return;
    fogEnd_ = end >= fogStart_ ? end : fogStart_;
}

void RWyxGlobalLightSettings::SetShadowIntensity(double intensity) {
    if (std::isnan(intensity)) return;
    if (intensity < 0.0) {
        shadowIntensity_ = 0.0;
    } else if (intensity <= kMaxShadowIntensity) {
        shadowIntensity_ = intensity;
    } else {
        shadowIntensity_ = kMaxShadowIntensity;
    }
}

int RWyxGlobalLightSettings::AddShadowPlane(bool enable, const RVector4& origin, const RVector4& normal) {
    RWyxShadowPlane plane;
    plane.enabled = enable;
    plane.origin = origin;
    plane.normal = normal;
    shadowPlanes_.push_back(plane);
    return GetShadowPlaneCount() - 1;
}

const RWyxShadowPlane* RWyxGlobalLightSettings::GetShadowPlane(int index) {
    if (index < 0 || index >= GetShadowPlaneCount()) {
        error_.SetErrorCode(kErrorIndexOutOfRange);
        return nullptr;
    }
    return &shadowPlanes_[static_cast<size_t>(index)];
}
