// The "Version5" block of the version-6 document: the scene's global light and time settings.
//
//   Version5 {
//     AmbientRenderSettings { Version: 101; AmbientLightColor: r, g, b, a }
//     FogOptions { FlogEnable; FogMode; FogDensity; FogStart; FogEnd; FogColor: r, g, b, 1 }
//     ShadowPlanes { Version: 108; Count; Plane: origin x, y, z, normal x, y, z, enabled ...;
//       UseShadow; ShadowIntensity }        (only when the scene has shadow planes)
//     Settings { FrameRate: the time mode's short name; TimeFormat; SnapOnFrames;
//       ReferenceTimeIndex }
//   }
//
// Version-6 files carry no time markers, so a reference index other than -1 names none.

#include "core/RTimeMode.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxGlobalLightSettings.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxScene.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/WyxFieldReading.h"

using wyx_read::BlockScope;

namespace {

constexpr int kPlaneValues = 7;

// The first three values as red, green and blue, the fourth (when there is one) as alpha.
bool ReadColor(RWyxFile& file, const char* name, RWyxColor& out) {
    std::vector<double> values;
    if (!wyx_read::ReadDoublesByName(file, name, values) || values.size() < 3) return false;
    out = RWyxColor(values[0], values[1], values[2], values.size() >= 4 ? values[3] : 1.0);
    return true;
}

}  // namespace

void RWyxSceneReaderWyx6::ReadVersion5Section() {
    const BlockScope block = OpenMainBlock("Version5");
    if (!block) return;
    ReadAmbientAndFog();
    ReadShadowPlanes();
    ReadTimeSettings();
}

void RWyxSceneReaderWyx6::ReadAmbientAndFog() {
    RWyxGlobalLightSettings& light = *scene_.GetGlobalLightSettings();
    RWyxColor color;
    if (const BlockScope ambient = BlockScope::Open(file_, "AmbientRenderSettings")) {
        if (ReadColor(file_, "AmbientLightColor", color)) light.SetAmbientColor(color);
    }
    const BlockScope fog = BlockScope::Open(file_, "FogOptions");
    if (!fog) return;
    light.SetFogEnable(file_.FieldReadIntByName("FlogEnable", light.GetFogEnable() ? 1 : 0) != 0);
    light.SetFogMode(file_.FieldReadIntByName("FogMode", light.GetFogMode()));
    light.SetFogDensity(wyx_read::ReadDoubleByName(file_, "FogDensity", light.GetFogDensity()));
    const double start = wyx_read::ReadDoubleByName(file_, "FogStart", light.GetFogStart());
    const double end = wyx_read::ReadDoubleByName(file_, "FogEnd", light.GetFogEnd());
    // The start is held below the end: the end goes first, from a start of 0.
    light.SetFogStart(0.0);
    light.SetFogEnd(end);
    light.SetFogStart(start);
    if (ReadColor(file_, "FogColor", color)) {
        light.SetFogColor(RWyxColor(color.GetRed(), color.GetGreen(), color.GetBlue(), 1.0));
    }
}

void RWyxSceneReaderWyx6::ReadShadowPlanes() {
    const BlockScope block = BlockScope::Open(file_, "ShadowPlanes");
    if (!block) return;
    RWyxGlobalLightSettings& light = *scene_.GetGlobalLightSettings();
    light.RemoveAllShadowPlanes();
    const int stated = file_.FieldReadIntByName("Count", 0);
    int planes = 0;
    int incomplete = 0;
    while (file_.FieldReadBegin("Plane")) {
        ++planes;
        const std::vector<double> values = wyx_read::ReadDoubles(file_);
        file_.FieldReadEnd();
        if (values.size() < kPlaneValues) {
            ++incomplete;
            continue;
        }
        light.AddShadowPlane(values[6] != 0.0, RVector4(values[0], values[1], values[2], 1.0),
                             RVector4(values[3], values[4], values[5], 1.0));
    }
    if (stated != planes) {
        Warn(RString("ShadowPlanes: Count says ") + RString(stated) + " for " + RString(planes) + " planes");
    }
    if (incomplete > 0) {
        Warn(RString("ShadowPlanes: ") + RString(incomplete) + " planes of fewer than seven values were dropped");
    }
    light.SetShadowEnable(file_.FieldReadIntByName("UseShadow", light.GetShadowEnable() ? 1 : 0) != 0);
    light.SetShadowIntensity(wyx_read::ReadDoubleByName(file_, "ShadowIntensity", light.GetShadowIntensity()));
}

void RWyxSceneReaderWyx6::ReadTimeSettings() {
    const BlockScope block = BlockScope::Open(file_, "Settings");
    if (!block) return;
    RWyxGlobalTimeSettings& time = *scene_.GetGlobalTimeSettings();
    if (file_.FieldReadBegin("FrameRate")) {
        time.SetTimeMode(ModeFromName(file_.FieldReadString().Buffer()));
        file_.FieldReadEnd();
    }
    time.SetTimeFormat(file_.FieldReadIntByName("TimeFormat", time.GetStoredTimeFormat()));
    time.SetSnapOnFrames(file_.FieldReadIntByName("SnapOnFrames", time.GetSnapOnFrames() ? 1 : 0) != 0);
    const int reference = file_.FieldReadIntByName("ReferenceTimeIndex", -1);
    if (reference != -1 && !time.SetReferenceTimeIndex(reference)) {
        Warn(RString("Settings: ReferenceTimeIndex ") + RString(reference) + " names no time marker; dropped");
    }
}
