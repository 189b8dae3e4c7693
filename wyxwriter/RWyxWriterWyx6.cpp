// The version-6 write driver and the document's Definitions, Objects, Relations, Version5 and
// Summary sections.

#include "wyxwriter/RWyxWriterWyx6.h"

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxTexture.h"
#include "core/RTimeMode.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "wyxreader/WyxReaderServices.h"
#include "wyxwriter/RWyxScenePreparation.h"
#include "wyxwriter/WyxFields.h"
#include "wyxwriter/WyxNodeWalk.h"

using namespace wyx_fields;

namespace {

constexpr int kDefinitionsVersion = 100;
const char* const kDashes66 = "------------------------------------------------------------------";

using Flags = RStreamOptionsWyx;

// The count of every ObjectType of Definitions, in the order they are listed.
struct DefinitionCounts {
    int models;
    int genericNodes;
    int materials;
    int textures;
    int deformers;
    int poses;
    int controlSetPlugs;
    int characters;
};

void WriteObjectType(RWyxFile& file, const char* type, int count) {
    FieldBlock block(file, "ObjectType", type);
    WriteField(file, "Count", count);
}

}  // namespace

RWyxWriterWyx6::RWyxWriterWyx6(RWyxObjectFactory* factory, RWyxIO* owner) : RWyxWriterWyx(factory, owner) {}

RWyxWriterWyx6::~RWyxWriterWyx6() = default;

const char* RWyxWriterWyx6::MappingModeName(int mode) {
    static const char* const kNames[] = {"NoMappingInformation", "ByVertice", "ByPolygonVertex", "ByPolygon",
                                         "AllSame"};
    return mode >= 0 && mode < 5 ? kNames[mode] : kNames[0];
}

const char* RWyxWriterWyx6::ReferenceModeName(int mode) {
    static const char* const kNames[] = {"Direct", "Index", "IndexToDirect"};
    return mode >= 0 && mode < 3 ? kNames[mode] : kNames[0];
}

const char* RWyxWriterWyx6::BlendModeName(int mode) {
    static const char* const kNames[] = {"Translucent", "Add", "Modulate", "Modulate2", "MaxBlend"};
    return mode >= 0 && mode < 5 ? kNames[mode] : kNames[0];
}

// ---- driver ---------------------------------------------------------------------------------------

bool RWyxWriterWyx6::WriteDocument(RWyxScene& scene, bool ownFile) {
    if (!RefuseNamesakeModels(scene) || !RefuseUnwritablePatches(scene) ||
        !RefuseNonFiniteNumbers(scene, true, false) || (ownFile && !ProtectWithPassword())) {
        return false;
    }
    scene_ = &scene;
    BeginProgressRun(1 + Options().GetSelectedTakeCount());
    Options().SetTemplate(DetectTemplate(scene));
    {
        const RWyxScenePreparation preparation(scene);
        WriteSections(scene);
    }
    ReleaseConverter();
    if (ownFile && FileIsSound()) {
        File().ProjectCloseSection();
        WriteSummarySection(scene, 0, writtenTakes_);
    }
    EndProgressRun();
    scene_ = nullptr;
    writtenTakes_.clear();
    elementNumbers_.clear();
    connections_.clear();
    visited_.clear();
    return true;
}

// Sections 1 to 5 and the Version5 block; a section after which the file holds an error ends
// the document (the write is then abandoned).
void RWyxWriterWyx6::WriteSections(RWyxScene& scene) {
    CollectWrittenTakes(scene);
    rootName_ = FreeRootName(scene);
    void (RWyxWriterWyx6::*const sections[])(RWyxScene&) = {
        &RWyxWriterWyx6::WriteDefinitionsSection, &RWyxWriterWyx6::WriteObjectsSection,
        &RWyxWriterWyx6::WriteRelationsSection, &RWyxWriterWyx6::WriteConnectionsSection,
        &RWyxWriterWyx6::WriteTakesSection};
    for (const auto section : sections) {
        (this->*section)(scene);
        if (!FileIsSound()) return;
    }
    if (Flag(Flags::kFlagGlobalSettings)) {
        WriteVersion5Section(scene);
    }
}

void RWyxWriterWyx6::WriteSectionHeading(const char* title) {
    File().FieldWriteComment("");
    File().FieldWriteComment(title);
    File().FieldWriteComment(kDashes66);
    File().FieldWriteComment("");
}

void RWyxWriterWyx6::WritePropertyBlock(const RWyxTakeNodeContainer& object) {
    std::vector<RProperty*> properties;
    object.CollectProperties(properties);
    PropertyFile().WritePropertyBlock(properties);
}

// ---- Definitions ------------------------------------------------------------------------------------

void RWyxWriterWyx6::WriteDefinitionsSection(RWyxScene& scene) {
    RWyxEntityContainer& entity = *scene.GetEntity();
    const bool characters = Flag(Flags::kFlagCharacters);
    DefinitionCounts counts{};
    counts.models = CountNodesBelow(*scene.GetRootNode());
    counts.genericNodes = scene.GetGenericNodeCount();
    counts.materials = Flag(Flags::kFlagMaterials) ? entity.GetMaterialCount() : 0;
    counts.textures = Flag(Flags::kFlagMedia) ? entity.GetTextureCount() : 0;
    counts.deformers = Flag(Flags::kFlagDeformers) ? scene.GetDeformerCount(RWyxEntityContainer::kAllDeformers) : 0;
    counts.poses = scene.GetPoseCount();
    counts.controlSetPlugs = characters ? scene.GetControlSetPlugCount() : 0;
    counts.characters = characters ? scene.GetCharacterCount() : 0;

    WriteSectionHeading(" Object definitions");
    FieldBlock block(File(), "Definitions");
    WriteField(File(), "Version", kDefinitionsVersion);
    WriteField(File(), "Count",
               counts.models + counts.genericNodes + counts.materials + counts.textures + counts.deformers +
                   counts.poses + counts.controlSetPlugs + counts.characters);
    const std::pair<const char*, int> types[] = {
        {"Model", counts.models},       {"GenericNode", counts.genericNodes},
        {"Material", counts.materials}, {"Texture", counts.textures},
        {"Deformer", counts.deformers}, {"Pose", counts.poses},
        {"ControlSetPlug", counts.controlSetPlugs}, {"Constraint", counts.characters}};
    for (const auto& [type, count] : types) {
        if (count > 0) WriteObjectType(File(), type, count);
    }
}

// ---- Objects --------------------------------------------------------------------------------------------

void RWyxWriterWyx6::WriteObjectsSection(RWyxScene& scene) {
    RWyxEntityContainer& entity = *scene.GetEntity();
    RWyxNode& root = *scene.GetRootNode();
    WriteSectionHeading(" Object properties");
    FieldBlock block(File(), "Objects");
    StartProgress("Storing models", 1 + CountNodesBelow(root));
    ProgressStep();
    ForEachNodeBelow(root, [this](RWyxNode& node) {
        WriteModelRecord(node);
        ProgressStep();
    });
    WriteGenericNodeRecords(scene);
    WritePoseRecords(scene);
    for (int i = 0; i < entity.GetMaterialCount(); ++i) WriteMaterialRecord(*entity.GetMaterial(i));
    for (int i = 0; i < scene.GetDeformerCount(RWyxEntityContainer::kAllDeformers); ++i) {
        WriteDeformerRecord(*scene.GetDeformer(i, RWyxEntityContainer::kAllDeformers));
    }
    for (int i = 0; i < entity.GetTextureCount(); ++i) WriteTextureRecord(*entity.GetTexture(i));
    if (Flag(Flags::kFlagCharacters)) {
        WriteControlSetPlugRecords(scene);
        WriteCharacterRecords(scene);
    }
    ProgressStepDone();
}

// ---- Relations ------------------------------------------------------------------------------------------

void RWyxWriterWyx6::WriteRelationsSection(RWyxScene& scene) {
    RWyxEntityContainer& entity = *scene.GetEntity();
    WriteSectionHeading(" Object relations");
    FieldBlock block(File(), "Relations");
    auto relation = [this](const char* kind, const RWyxSceneObject* object) {
        WriteEmptyBlockField(File(), kind, object->GetName(), object->GetTypeDescription());
    };
    // The objects of one kind: count and object by index.
    auto relations = [&](bool written, const char* kind, int count, auto objectAt) {
        for (int i = 0; written && i < count; ++i) relation(kind, objectAt(i));
    };
    ForEachNodeBelow(*scene.GetRootNode(), [&](RWyxNode& node) { relation("Model", &node); });
    relations(Flag(Flags::kFlagMaterials), "Material", entity.GetMaterialCount(),
              [&](int i) { return entity.GetMaterial(i); });
    relations(Flag(Flags::kFlagMedia), "Texture", entity.GetTextureCount(), [&](int i) { return entity.GetTexture(i); });
    relations(Flag(Flags::kFlagCharacters), "Constraint", scene.GetCharacterCount(),
              [&](int i) { return scene.GetCharacter(i); });
    relations(Flag(Flags::kFlagDeformers), "Deformer", scene.GetDeformerCount(RWyxEntityContainer::kAllDeformers),
              [&](int i) { return scene.GetDeformer(i, RWyxEntityContainer::kAllDeformers); });
    relations(true, "Pose", scene.GetPoseCount(), [&](int i) { return scene.GetPose(i); });
}

// ---- Version5 --------------------------------------------------------------------------------------------

void RWyxWriterWyx6::WriteVersion5Section(RWyxScene& scene) {
    File().FieldWriteComment("Version 5 settings");
    File().FieldWriteComment(kDashes66);
    File().FieldWriteComment("");
    FieldBlock block(File(), "Version5");
    WriteAmbientRenderSettings(scene);
    WriteFogOptions(scene);
    WriteShadowPlanes(scene);
    WriteTimeSettingsV6(scene);
}

void RWyxWriterWyx6::WriteTimeSettingsV6(RWyxScene& scene) {
    const RWyxGlobalTimeSettings& time = *scene.GetGlobalTimeSettings();
    FieldBlock block(File(), "Settings");
    WriteField(File(), "FrameRate", ModeShortName(time.GetTimeMode()));
    WriteField(File(), "TimeFormat", time.GetTimeFormat());
    WriteField(File(), "SnapOnFrames", time.GetSnapOnFrames());
    WriteField(File(), "ReferenceTimeIndex", time.GetReferenceTimeIndex());
}
