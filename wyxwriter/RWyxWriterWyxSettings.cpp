// The scene-settings blocks both WYX layouts carry: ambient light, fog and shadow planes.
//
//   AmbientRenderSettings { Version: 101; AmbientLightColor: r, g, b, a }
//   FogOptions { FlogEnable: 0/1; FogMode; FogDensity; FogStart; FogEnd; FogColor: r, g, b, 1 }
//   ShadowPlanes { Version: 108; Count; Plane: origin x, y, z, normal x, y, z, enabled (per
//     plane); UseShadow: 0/1; ShadowIntensity }   only when the scene has a shadow plane
//
// "FlogEnable" is the field's name as files have always spelled it.

#include "core/RWyxColor.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx.h"
#include "wyxwriter/WyxFields.h"

using namespace wyx_fields;

namespace {

constexpr int kAmbientVersion = 101;
constexpr int kShadowPlanesVersion = 108;
const char* const kDashes52 = "----------------------------------------------------";

}  // namespace

void RWyxWriterWyx::WriteAmbientRenderSettings(RWyxScene& scene) {
    RWyxColor ambient;
    scene.GetGlobalLightSettings()->GetAmbientColor(ambient);
    FieldBlock block(File(), "AmbientRenderSettings");
    WriteField(File(), "Version", kAmbientVersion);
    WriteField(File(), "AmbientLightColor", ambient.GetRed(), ambient.GetGreen(), ambient.GetBlue(), ambient.GetAlpha());
}

void RWyxWriterWyx::WriteFogOptions(RWyxScene& scene) {
    const RWyxGlobalLightSettings& light = *scene.GetGlobalLightSettings();
    RWyxColor fog;
    light.GetFogColor(fog);
    FieldBlock block(File(), "FogOptions");
    WriteField(File(), "FlogEnable", light.GetFogEnable());
    WriteField(File(), "FogMode", light.GetFogMode());
    WriteField(File(), "FogDensity", light.GetFogDensity());
    WriteField(File(), "FogStart", light.GetFogStart());
    WriteField(File(), "FogEnd", light.GetFogEnd());
    WriteField(File(), "FogColor", fog.GetRed(), fog.GetGreen(), fog.GetBlue(), 1.0);
}

void RWyxWriterWyx::WriteShadowPlanes(RWyxScene& scene) {
    RWyxGlobalLightSettings& light = *scene.GetGlobalLightSettings();
    const int count = light.GetShadowPlaneCount();
    if (count < 1) {
        return;
    }
    FieldBlock block(File(), "ShadowPlanes");
    File().FieldWriteComment("Shadow Planes Section ");
    File().FieldWriteComment(kDashes52);
    WriteField(File(), "Version", kShadowPlanesVersion);
    WriteField(File(), "Count", count);
    for (int i = 0; i < count; ++i) {
        const RWyxShadowPlane& plane = *light.GetShadowPlane(i);
        WriteField(File(), "Plane", plane.origin.x, plane.origin.y, plane.origin.z, plane.normal.x, plane.normal.y,
                   plane.normal.z, plane.enabled);
    }
    WriteField(File(), "UseShadow", light.GetShadowEnable());
    WriteField(File(), "ShadowIntensity", light.GetShadowIntensity());
}
