// The version-5 write driver: the order of the document, the textures and materials the
// take records and media are written for, the takes the file carries and the version-5
// names of the shape channels for the length of a write.

#include "wyxwriter/RWyxWriterWyx5.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "wyxwriter/WyxNodeWalk.h"

#include <algorithm>

namespace {

using Flags = RStreamOptionsWyx;
const char* const kDefaultTake = RWyxTakeNodeContainer::kDefaultTakeName;

template <typename T>
void AppendOnce(std::vector<T*>& list, T* object) {
    if (object != nullptr && std::find(list.begin(), list.end(), object) == list.end()) list.push_back(object);
}

bool HasTakeNode(RWyxTakeNodeContainer& object, const RString& take) {
    return RWyxWriterWyx::FindTakeNode(object, take) >= 0;
}

}  // namespace

RWyxWriterWyx5::RWyxWriterWyx5(RWyxObjectFactory* factory, RWyxIO* owner) : RWyxWriterWyx(factory, owner) {}

RWyxWriterWyx5::~RWyxWriterWyx5() = default;

void RWyxWriterWyx5::PreparePropertyFile(RWyxPropertyFile& file) { file.SetV5PropertyFormat(true); }

bool RWyxWriterWyx5::WriteDocument(RWyxScene& scene, bool ownFile) {
    if (!RefuseNamesakeModels(scene) || !RefuseUnwritablePatches(scene) ||
        !RefuseNonFiniteNumbers(scene, Flag(Flags::kFlagTakes), true) || (ownFile && !ProtectWithPassword())) {
        return false;
    }
    scene_ = &scene;
    BeginProgressRun(1 + Options().GetSelectedTakeCount());
    Options().SetTemplate(DetectTemplate(scene));
    CollectTexturesAndMaterials(scene);
    PrepareShapeChannels(scene, true);
    const int mediaCount = Flag(Flags::kFlagMedia) ? WriteMedia(scene, Flag(Flags::kFlagEmbedMedia)) : 0;
    if (FileIsSound()) WriteSections(scene);
    PrepareShapeChannels(scene, false);
    ReleaseConverter();
    if (ownFile && FileIsSound()) {
        File().ProjectCloseSection();
        WriteSummarySection(scene, mediaCount, writtenTakes_);
    }
    EndProgressRun();
    ClearWriteState();
    return true;
}

void RWyxWriterWyx5::ClearWriteState() {
    scene_ = nullptr;
    textures_.clear();
    materials_.clear();
    textureFlags_.clear();
    materialFlags_.clear();
    writtenTakes_.clear();
    temporaryFiles_.clear();
}

void RWyxWriterWyx5::CollectTexturesAndMaterials(RWyxScene& scene) {
    RWyxEntityContainer& entity = *scene.GetEntity();
    for (int i = 0; i < entity.GetTextureCount(); ++i) AppendOnce(textures_, entity.GetTexture(i));
    for (int i = 0; i < entity.GetMaterialCount(); ++i) AppendOnce(materials_, entity.GetMaterial(i));
    ForEachNodeBelow(*scene.GetRootNode(), [this](RWyxNode& node) {
        const RWyxGeometry* geometry = node.GetGeometry();
        for (int layer = 0; geometry != nullptr && layer < geometry->GetLayerCount(); ++layer) {
            for (int i = 0; i < geometry->GetTextureCount(layer); ++i) {
                AppendOnce(textures_, geometry->GetTexture(i, layer));
            }
            for (int i = 0; i < geometry->GetMaterialCount(layer); ++i) {
                AppendOnce(materials_, geometry->GetMaterial(i, layer));
            }
        }
    });
}

// Every take node of a geometry node gets (prepare) or gives back its shape channels'
// version-5 names.
void RWyxWriterWyx5::PrepareShapeChannels(RWyxScene& scene, bool prepare) {
    ForEachNodeBelow(*scene.GetRootNode(), [prepare](RWyxNode& node) {
        RWyxGeometry* geometry = node.GetGeometry();
        if (geometry == nullptr) return;
        if (prepare) geometry->ClearShapeChannelRecords();
        for (int i = 0; i < node.GetTakeNodeCount(); ++i) {
            RWyxTakeNode* take = node.GetTakeNode(i);
            if (take == nullptr) continue;
            if (prepare) {
                geometry->PrepareShapeChannels(*take);
            } else {
                geometry->RestoreShapeChannels(*take);
            }
        }
        if (!prepare) geometry->ClearShapeChannelRecords();
    });
}

// A take is written when the "Camera Switcher" node, a model, a texture or a material has a
// take node of its name; the root is no model of the file. The scene's take names come first,
// in its order, then those only the textures and materials its geometries hold have.
void RWyxWriterWyx5::CollectWrittenTakes(RWyxScene& scene) {
    writtenTakes_.clear();
    std::vector<RString> names;
    scene.GetTakeNameList(names);
    auto addNames = [&names](RWyxTakeNodeContainer& object) {
        for (int i = 0; i < object.GetTakeNodeCount(); ++i) {
            const RString name = object.GetTakeNode(i)->GetName();
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
    };
    for (RWyxTexture* texture : textures_) addNames(*texture);
    for (RWyxMaterial* material : materials_) addNames(*material);
    for (const RString& name : names) {
        if (name == kDefaultTake) continue;
        RWyxNode* switcher = scene.GetCameraSwitcherNode();
        bool carried = switcher != nullptr && HasTakeNode(*switcher, name);
        ForEachNodeBelow(*scene.GetRootNode(), [&](RWyxNode& node) { carried = carried || HasTakeNode(node, name); });
        for (RWyxTexture* texture : textures_) carried = carried || HasTakeNode(*texture, name);
        for (RWyxMaterial* material : materials_) carried = carried || HasTakeNode(*material, name);
        if (carried) writtenTakes_.push_back(name);
    }
}

// The blocks after the media; a block after which the file holds an error ends the
// document (the write is then abandoned).
void RWyxWriterWyx5::WriteSections(RWyxScene& scene) {
    ScanAnimatedChannels();
    CollectWrittenTakes(scene);
    const bool characters = Flag(Flags::kFlagCharacters);
    const std::pair<bool, void (RWyxWriterWyx5::*)(RWyxScene&)> steps[] = {
        {true, &RWyxWriterWyx5::WriteModels},
        {Flag(Flags::kFlagTakes), &RWyxWriterWyx5::WriteTakes},
        {Flag(Flags::kFlagGobos), &RWyxWriterWyx5::WriteGoboManager},
        {characters, &RWyxWriterWyx5::WriteMarkerSets},
        {characters, &RWyxWriterWyx5::WriteActors},
        {characters, &RWyxWriterWyx5::WriteCharacters},
        {true, &RWyxWriterWyx5::WriteSceneGenericPersistence},
        {characters, &RWyxWriterWyx5::WriteConstraints},
        {Flag(Flags::kFlagGlobalSettings), &RWyxWriterWyx5::WriteGlobalSettings},
    };
    for (const auto& [written, step] : steps) {
        if (!written) continue;
        (this->*step)(scene);
        if (!FileIsSound()) return;
    }
}

void RWyxWriterWyx5::WriteModels(RWyxScene& scene) {
    RWyxNode& root = *scene.GetRootNode();
    StartProgress("Storing models", 1 + CountNodesBelow(root));
    ProgressStep();
    ForEachNodeBelow(root, [this](RWyxNode& node) {
        WriteModel(node);
        ProgressStep();
    });
    ProgressStepDone();
}

void RWyxWriterWyx5::WriteGlobalSettings(RWyxScene& scene) {
    WriteAmbientRenderSettings(scene);
    WriteFogOptions(scene);
    WriteShadowPlanes(scene);
    WriteRendererAndGlobalSettings(scene);
}
