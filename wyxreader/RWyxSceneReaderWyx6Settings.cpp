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

void RWyxSceneReaderWyx6::ReadVersion5Section() {
    const BlockScope block = OpenMainBlock("Version5");
    if (!block) return;
    ReadAmbientAndFog();
    ReadShadowPlanes();
    ReadTimeSettings();
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
