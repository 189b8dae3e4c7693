// The RendererSetting and Settings blocks of the version-5 document (after the ambient, fog
// and shadow-plane blocks both layouts write).
//
//   RendererSetting { DefaultCamera; DefaultViewingMode }
//   Settings {
//     Camera: "Producer Perspective" { Version: 194; MultiLayer; MultiTake; Hidden: "True";
//       Shading: 'W'; Culling; Limits {...}; AnimatedProperty; Animated; the camera record
//       without its leading Type }, then "Producer Top", "Producer Front", "Producer Right",
//       "Producer Left", "Producer Back", "Producer Bottom"
//     TimeMode: the file rate code; FrameRate: the mode's short name; TimeFormat;
//     SnapOnFrames; ReferenceTimeIndex; TimeMarker: name { Time; Loop } per marker
//   }
//
// The producer cameras belong to the scene's camera settings. Each is lent to one temporary
// node, made through the factory (hidden, shading mode 1) and named as the camera, for the
// length of its block, with its position as the node's translation, and taken off it
// afterwards with that position; the node is destroyed through the factory without its
// attribute, so the settings keep their cameras, and their positions, as they were.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "core/RProperty.h"
#include "core/RTimeMode.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/WyxFields.h"

#include <vector>

using namespace wyx_fields;

namespace {

using Cameras = RWyxGlobalCameraSettings;

// The producer cameras in the order of the Settings block.
const Cameras::ProducerCamera kProducerOrder[] = {Cameras::kPerspective, Cameras::kTop,  Cameras::kFront,
                                                  Cameras::kRight,       Cameras::kLeft, Cameras::kBack,
                                                  Cameras::kBottom};
constexpr int kProducerShading = 1;

}  // namespace

void RWyxWriterWyx5::WriteRendererAndGlobalSettings(RWyxScene& scene) {
    RWyxFile& file = File();
    const Cameras& cameras = *scene.GetGlobalCameraSettings();
    {
        FieldBlock renderer(file, "RendererSetting");
        WriteField(file, "DefaultCamera", cameras.GetDefaultCamera());
        WriteField(file, "DefaultViewingMode", cameras.GetDefaultViewingMode());
    }
    RWyxGlobalTimeSettings& time = *scene.GetGlobalTimeSettings();
    FieldBlock settings(file, "Settings");
    WriteProducerCameras(scene);
    WriteField(file, "TimeMode", FileRateCode(time.GetTimeMode()));
    WriteField(file, "FrameRate", ModeShortName(time.GetTimeMode()));
    WriteField(file, "TimeFormat", time.GetTimeFormat());
    WriteField(file, "SnapOnFrames", time.GetSnapOnFrames());
    WriteField(file, "ReferenceTimeIndex", time.GetReferenceTimeIndex());
    for (int i = 0; i < time.GetTimeMarkerCount(); ++i) {
        const RWyxTimeMarker& marker = *time.GetTimeMarker(i);
        FieldBlock block(file, "TimeMarker", marker.name);
        file.FieldWriteBegin("Time");
        file.FieldWriteTime(marker.time);
        file.FieldWriteEnd();
        WriteField(file, "Loop", marker.loop);
    }
}

void RWyxWriterWyx5::WriteProducerCameras(RWyxScene& scene) {
    RWyxObjectFactory& factory = *GetFactory();
    const Cameras& cameras = *scene.GetGlobalCameraSettings();
    RWyxNode* lender = factory.CreateNode("");
    if (lender == nullptr) return;
    lender->SetVisibility(false);
    lender->SetShadingMode(kProducerShading);
    for (const Cameras::ProducerCamera which : kProducerOrder) {
        RWyxCamera* camera = cameras.GetProducerCamera(which);
        const char* name = Cameras::GetProducerCameraName(which);
        if (camera == nullptr) continue;
        FieldBlock block(File(), "Camera", name);
        // The camera's own position goes to the node and comes back with the camera.
        const RVector4 position = camera->GetPosition();
        lender->SetName(name);
        lender->SetNodeAttribute(camera);
        camera->SetPosition(position);
        WriteModelHead(*lender);
        if (!PropertyFile().IsV5PropertyFormat()) {
            std::vector<RProperty*> properties;
            lender->CollectProperties(properties);
            PropertyFile().WritePropertyBlock(properties);
        }
        WriteAnimatedPropertyTable(*lender);
        WriteCameraRecord(*camera, true);
        lender->SetNodeAttribute(nullptr);
        camera->SetPosition(position);
    }
    factory.DestroyNode(lender, false);
}
