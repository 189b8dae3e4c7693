// The version-5 read: the order of the blocks, the media, the names resolved once every model
// exists, the poses with the nested scenes of character poses, the renderer and time settings
// with the producer cameras, and the Summary.

#include "wyxreader/RWyxSceneReaderWyx5.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxCharacterPose.h"
#include "attributes/RWyxGlobalCameraSettings.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RTimeMode.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxreader/RWyxReadWarnings.h"
#include "wyxreader/WyxFieldReading.h"

using wyx_read::BlockScope;

namespace {

std::string Key(const RString& name) { return std::string(name.Buffer(), static_cast<std::size_t>(name.GetLength())); }

}  // namespace

RWyxSceneReaderWyx5::RWyxSceneReaderWyx5(RWyxPropertyFile& file, RWyxScene& scene, const RStreamOptionsWyx& options,
                                         RWyxReadWarnings& warnings, int depth)
    : RWyxSceneReaderWyx(file, scene, options, warnings), depth_(depth) {}

RWyxSceneReaderWyx5::~RWyxSceneReaderWyx5() = default;

void RWyxSceneReaderWyx5::Read() {
    if (factory_ == nullptr) {
        Warn("The scene has no object factory: nothing was read");
        return;
    }
    if (!file_.ProjectOpenSection(RWyxFile::kMainSection)) return;
    ReadLevel();
    ReadSummary();
    if (hasTakesCurrent_) SelectCurrentTake(takesCurrent_);
}

void RWyxSceneReaderWyx5::ReadLevel() {
    if (factory_ == nullptr) return;
    ReadMedia();
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) != "Model" || !file_.FieldReadBeginAt(i)) continue;
        ReadModel();
        file_.FieldReadEnd();
    }
    ResolveNames();
    if (options_.GetFlag(RStreamOptionsWyx::kFlagTakes)) ReadTakes();
    if (options_.GetFlag(RStreamOptionsWyx::kFlagGobos)) ReadGoboManager();
    if (options_.GetFlag(RStreamOptionsWyx::kFlagCharacters)) {
        ReadMarkerSets();
        ReadActors();
        ReadCharacters();
    }
    ReadSceneGenericPersistence();
    if (options_.GetFlag(RStreamOptionsWyx::kFlagGlobalSettings)) ReadGlobalSettings();
}

// ---- media ------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx5::ReadMedia() {
    if (!options_.GetFlag(RStreamOptionsWyx::kFlagMedia)) return;
    const BlockScope media = BlockScope::Open(file_, "Media");
    const BlockScope videos = media ? BlockScope::Open(file_, "Video") : BlockScope::Nothing(file_);
    while (videos && file_.FieldReadBegin("Video")) {
        const RString name = file_.FieldReadString();
        if (const BlockScope video = BlockScope::Enter(file_)) {
            Medium medium;
            medium.path = file_.FieldReadStringByName("OriginalFilename", "");
            if (medium.path.IsEmptyText()) medium.path = file_.FieldReadStringByName("Filename", "");
            medium.relative = file_.FieldReadStringByName("RelativeFilename", "");
            if (name.IsEmptyText() || medium.path.IsEmptyText()) {
                Warn(RString("Media: the medium \"") + name + "\" names no picture; dropped");
            } else if (!media_.emplace(Key(name), medium).second) {
                Warn(RString("Media: a second medium \"") + name + "\" was dropped");
            }
        }
        file_.FieldReadEnd();
    }
}

// ---- names --------------------------------------------------------------------------------------------

RWyxNode* RWyxSceneReaderWyx5::FindModel(const RString& name) const {
    const auto found = models_.find(Key(name.FindText("::") >= 0 ? name : RString("Model::") + name));
    return found != models_.end() ? found->second : nullptr;
}

RWyxNode* RWyxSceneReaderWyx5::ResolveModel(const RString& name, const RString& what) {
    RWyxNode* node = FindModel(name);
    if (node == nullptr) Warn(what + " \"" + name + "\" names no model of the file; dropped");
    return node;
}

// The hierarchy of the "Children" lists, then the targets and the clusters' models. A child
// already placed (a second parent) or one that would close a cycle stays where it is.
void RWyxSceneReaderWyx5::ResolveNames() {
    for (const PendingNames& pending : pendingNames_) {
        const RString label = RString("Model \"") + pending.node->GetName() + "\": child";
        for (const RString& name : pending.children) {
            RWyxNode* child = ResolveModel(name, label);
            if (child == nullptr) continue;
            if (child->GetParent() != nullptr || !pending.node->AddChild(child)) {
                Warn(label + " \"" + name + "\" has a parent already or is one of its ancestors; left where it was");
            }
        }
    }
    RWyxNode* root = scene_.GetRootNode();
    for (const PendingNames& pending : pendingNames_) {
        if (pending.node->GetParent() == nullptr && root != nullptr) root->AddChild(pending.node);
        const RString label = RString("Model \"") + pending.node->GetName() + "\":";
        if (!pending.lookAt.IsEmptyText()) {
            if (RWyxNode* target = ResolveModel(pending.lookAt, label + " LookAtModel")) pending.node->SetTarget(target);
        }
        if (!pending.upVector.IsEmptyText()) {
            if (RWyxNode* up = ResolveModel(pending.upVector, label + " UpVectorModel")) pending.node->SetTargetUp(up);
        }
    }
    for (const PendingLink& pending : pendingLinks_) {
        const RString label = RString("Model \"") + pending.owner->GetName() + "\":";
        if (RWyxNode* node = ResolveModel(pending.node, label + " Link")) pending.link->SetLink(node);
        if (!pending.associateModel.IsEmptyText()) {
            pending.link->SetAssociateModel(ResolveModel(pending.associateModel, label + " AssociateModel"));
        }
    }
    pendingNames_.clear();
    pendingLinks_.clear();
}

// ---- SceneGenericPersistence ----------------------------------------------------------------------------

void RWyxSceneReaderWyx5::ReadSceneGenericPersistence() {
    const BlockScope block = BlockScope::Open(file_, "SceneGenericPersistence");
    for (int i = 0; block && i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) != "Pose" || !file_.FieldReadBeginAt(i)) continue;
        const RString name = file_.FieldReadString();
        const RString label = RString("Pose \"") + name + "\"";
        if (const BlockScope pose = BlockScope::Enter(file_)) {
            const RString type = file_.FieldReadStringByName("Type", "");
            if (type == "CharacterPose") {
                RWyxCharacterPose* characterPose =
                    options_.GetFlag(RStreamOptionsWyx::kFlagCharacters)
                        ? scene_.GetCharacterPose(scene_.CreateCharacterPose(name.Buffer()))
                        : nullptr;
                if (characterPose != nullptr && characterPose->GetPoseScene() != nullptr) {
                    ReadPoseScene(*characterPose->GetPoseScene(), label);
                }
            } else if (type == "BindPose" || type == "RestPose") {
                RWyxPose* made = factory_->CreatePose(name.Buffer(), type == "BindPose");
                if (made != nullptr) {
                    ReadPoseEntries(*made, label);
                    scene_.AddPose(made);
                }
            } else {
                Warn(label + ": the pose type \"" + type + "\" is unknown; dropped");
            }
        }
        file_.FieldReadEnd();
    }
    if (block) {
        if (const BlockScope info = BlockScope::Open(file_, "SceneInfo")) ReadSceneInfo();
    }
}

// The pose's scene, read by a reader of its own from the "PoseScene" block (character data
// alone, as the writer writes it there).
void RWyxSceneReaderWyx5::ReadPoseScene(RWyxScene& poseScene, const RString& label) {
    const BlockScope block = BlockScope::Open(file_, "PoseScene");
    if (!block) return;
    if (depth_ + 1 > kMaxPoseSceneNesting) {
        Warn(label + ": its scene is nested more than " + RString(kMaxPoseSceneNesting) + " deep; left empty");
        return;
    }
    RWyxSceneReaderWyx5 nested(propertyFile_, poseScene, options_, warnings_, depth_ + 1);
    nested.ReadLevel();
}

// ---- settings ---------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx5::ReadGlobalSettings() {
    ReadAmbientAndFog();
    ReadShadowPlanes();
    RWyxGlobalCameraSettings& cameras = *scene_.GetGlobalCameraSettings();
    if (const BlockScope renderer = BlockScope::Open(file_, "RendererSetting")) {
        const RString camera = file_.FieldReadStringByName("DefaultCamera", "");
        if (!camera.IsEmptyText() && !cameras.SetDefaultCamera(camera.Buffer())) {
            Warn(RString("RendererSetting: the default camera \"") + camera + "\" is no camera of the scene; dropped");
        }
        cameras.SetDefaultViewingMode(file_.FieldReadIntByName("DefaultViewingMode", cameras.GetDefaultViewingMode()));
    }
    if (const BlockScope settings = BlockScope::Open(file_, "Settings")) {
        ReadProducerCameras();
        ReadTimeSettings();
    }
}

void RWyxSceneReaderWyx5::ReadProducerCameras() {
    RWyxGlobalCameraSettings& cameras = *scene_.GetGlobalCameraSettings();
    while (file_.FieldReadBegin("Camera")) {
        const RString name = file_.FieldReadString();
        RWyxCamera* camera = nullptr;
        for (int which = 0; which < RWyxGlobalCameraSettings::kProducerCameraCount; ++which) {
            if (name == RWyxGlobalCameraSettings::GetProducerCameraName(which)) {
                camera = cameras.GetProducerCamera(static_cast<RWyxGlobalCameraSettings::ProducerCamera>(which));
            }
        }
        if (camera == nullptr) {
            Warn(RString("Settings: \"") + name + "\" is no producer camera; dropped");
        } else if (const BlockScope block = BlockScope::Enter(file_)) {
            ReadCameraFields(*camera, true);
        }
        file_.FieldReadEnd();
    }
}

// The time mode of the row whose short name the file gives with the same rate code, else the
// first of that code; the markers before the reference index that names one.
void RWyxSceneReaderWyx5::ReadTimeSettings() {
    RWyxGlobalTimeSettings& time = *scene_.GetGlobalTimeSettings();
    const int code = file_.FieldReadIntByName("TimeMode", -1);
    const RString rate = file_.FieldReadStringByName("FrameRate", "");
    if (code >= 0 || !rate.IsEmptyText()) {
        RTimeMode mode = ModeFromFileRateCode(code);
        for (const RTimeModeEntry& entry : TimeModeTable()) {
            if (rate == ModeShortName(entry.mode) && (code < 0 || FileRateCode(entry.mode) == code)) {
                mode = entry.mode;
                break;
            }
        }
        time.SetTimeMode(mode);
    }
    time.SetTimeFormat(file_.FieldReadIntByName("TimeFormat", time.GetStoredTimeFormat()));
    time.SetSnapOnFrames(file_.FieldReadIntByName("SnapOnFrames", time.GetSnapOnFrames() ? 1 : 0) != 0);
    time.RemoveAllTimeMarkers();
    while (file_.FieldReadBegin("TimeMarker")) {
        RWyxTimeMarker marker;
        marker.name = file_.FieldReadString();
        if (const BlockScope block = BlockScope::Enter(file_)) {
            if (file_.FieldReadBegin("Time")) {
                marker.time = file_.FieldReadTime();
                file_.FieldReadEnd();
            }
            marker.loop = file_.FieldReadIntByName("Loop", 0) != 0;
        }
        time.AddTimeMarker(marker);
        file_.FieldReadEnd();
    }
    const int reference = file_.FieldReadIntByName("ReferenceTimeIndex", -1);
    if (reference != -1 && !time.SetReferenceTimeIndex(reference)) {
        Warn(RString("Settings: ReferenceTimeIndex ") + RString(reference) + " names no time marker; dropped");
    }
}

// ---- Summary ----------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx5::ReadSummary() {
    if (scene_.GetSceneInfo() != nullptr || !file_.ProjectOpenSection(RWyxFile::kExtensionSection)) return;
    const BlockScope summary = BlockScope::Open(file_, "Summary");
    if (!summary) return;
    if (const BlockScope info = BlockScope::Open(file_, "SceneInfo")) ReadSceneInfo();
}
