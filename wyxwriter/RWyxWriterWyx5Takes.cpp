// The Takes block of the version-5 document.
//
//   Takes {
//     Current: the scene's current take
//     Take: name {
//       FileName: the name with blanks and tabs made "_", then ".tak" (a name only)
//       LocalTime; ReferenceTime; Comments (when there are any); Thumbnail (when there is one)
//       Model: "Model::Camera Switcher" { ... }, then Model: full name { Version: 1.1;
//         Channel ... } per model with the take, a node before its children
//       Texture: full name { ... } per texture with the take
//       Material: full name { ... } per material with the take
//     }
//   }
//
// A take is written when the "Camera Switcher" node, a model, a texture or a material has a
// take node of its name and its take info is selected; a take without an info gets one
// (selected), which the scene keeps, and spans that are all zero are computed and stored in
// it. Take nodes are found by name: no object's current take changes.
//
// An animation record holds the channels of the object's take node, each written with
// RFCurveNodeRecords::Write (keys, "T", "R", "S" names, no user names, colours, Auto keys by
// the slopes they evaluate to: "s" or "b" with the key's outgoing and the next key's incoming
// slope, which read back as User keys of the same shape, or "a" / "d" where a reader's Auto
// key computes those slopes itself); the default take's record holds only its version. A
// material's shininess is written in the record's scale: each stored value (the Phong
// exponent) through RWyxMaterial::ShininessFromStored, times 100, on a copy of the channel.

#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxwriter/WyxFields.h"
#include "wyxwriter/WyxNodeWalk.h"

#include <memory>
#include <vector>

using namespace wyx_fields;

namespace {

constexpr double kAnimationVersion = 1.1;
constexpr double kShininessRecordScale = 100.0;
const char* const kDashes52 = "----------------------------------------------------";

void WriteGroupHeading(RWyxFile& file, const char* title) {
    file.FieldWriteComment(title);
    file.FieldWriteComment(kDashes52);
    file.FieldWriteComment("");
}

struct CurveNodeDestroyer {
    void operator()(RFCurveNode* node) const { RFCurveNode::Destroy(node); }
};

float RecordShininess(float stored) {
    return static_cast<float>(RWyxMaterial::ShininessFromStored(stored) * kShininessRecordScale);
}

// A copy of the shininess channel whose values are in the record's scale; the slopes follow
// the scale of the values.
std::unique_ptr<RFCurveNode, CurveNodeDestroyer> RecordShininessChannel(const RFCurveNode& channel) {
    std::unique_ptr<RFCurveNode, CurveNodeDestroyer> copy(channel.Duplicate(false));
    RFCurve* curve = copy != nullptr ? copy->GetCurve() : nullptr;
    if (curve == nullptr) return copy;
    std::vector<float> stored;
    stored.reserve(static_cast<std::size_t>(curve->GetKeyCount()));
    for (int k = 0; k < curve->GetKeyCount(); ++k) stored.push_back(curve->GetKey(k).GetValue());
    const float defaultValue = curve->GetDefaultValue();
    curve->ScaleValues(false, static_cast<float>(kShininessRecordScale / RWyxMaterial::kShininessScale));
    curve->SetDefaultValue(RecordShininess(defaultValue));
    for (int k = 0; k < curve->GetKeyCount(); ++k) curve->GetKey(k).SetValue(RecordShininess(stored[static_cast<std::size_t>(k)]));
    curve->ResetCache();
    return copy;
}

}  // namespace

void RWyxWriterWyx5::WriteTakes(RWyxScene& scene) {
    RWyxFile& file = File();
    WriteGroupHeading(file, "Takes and animation section");
    FieldBlock block(file, "Takes");
    WriteField(file, "Current", scene.GetCurrentTakeName());
    for (const RString& name : writtenTakes_) {
        RWyxTakeInfo* info = scene.GetTakeInfo(name.Buffer());
        if (info != nullptr && !info->selected) continue;
        RWyxTakeInfo added;
        added.name = name;
        // The scene keeps an info only for a take of its own objects; a take of a texture or
        // material only a geometry holds is written with one of its own.
        if (info == nullptr && scene.SetTakeInfo(added)) info = scene.GetTakeInfo(name.Buffer());
        WriteTake(scene, info != nullptr ? *info : added);
    }
}

void RWyxWriterWyx5::WriteTake(RWyxScene& scene, RWyxTakeInfo& info) {
    RWyxNode& root = *scene.GetRootNode();
    const RString take = info.name;
    StartProgress((RString("Storing take ") + take).Buffer(),
                  1 + CountNodesBelow(root) + static_cast<int>(textures_.size() + materials_.size()));
    CompleteTakeSpans(scene, info);
    RWyxFile& file = File();
    {
        FieldBlock block(file, "Take", take);
        WriteTakeHead(take, info);
        WriteGroupHeading(file, "Models animation");
        if (RWyxNode* switcher = scene.GetCameraSwitcherNode()) WriteTakeAnimation(*switcher, take, "Model", false);
        ProgressStep();
        WriteTakeModelsAnimation(root, take);
        WriteGroupHeading(file, "Textures animation");
        for (RWyxTexture* texture : textures_) {
            ProgressStep();
            WriteTakeAnimation(*texture, take, "Texture", false);
        }
        WriteGroupHeading(file, "Materials animation");
        for (RWyxMaterial* material : materials_) {
            ProgressStep();
            WriteTakeAnimation(*material, take, "Material", true);
        }
    }
    ProgressStepDone();
}

// Every node below the root, a node before its children, with a progress step each.
void RWyxWriterWyx5::WriteTakeModelsAnimation(RWyxNode& root, const RString& take) {
    ForEachNodeBelow(root, [&](RWyxNode& node) {
        WriteTakeAnimation(node, take, "Model", false);
        ProgressStep();
    });
}

void RWyxWriterWyx5::WriteChannel(const RFCurveNode& channel, bool defaultOnly) {
    RFCurveNodeRecords::Write(channel, File(), defaultOnly, true, true, "Channel", true,
                              PropertyFile().IsV5PropertyFormat());
}

bool RWyxWriterWyx5::WriteTakeAnimation(RWyxTakeNodeContainer& object, const RString& take, const char* recordName,
                                        bool scaleShininess) {
    const int index = FindTakeNode(object, take);
    if (index < 0) return false;
    RWyxFile& file = File();
    FieldBlock block(file, recordName, object.GetName());
    WriteField(file, "Version", kAnimationVersion);
    if (index == 0) return true;
    RWyxTakeNode& takeNode = *object.GetTakeNode(index);
    const RFCurveNode* channels = takeNode.GetRootCurveNode();
    for (int i = 0; channels != nullptr && i < channels->GetChildCount(); ++i) {
        const RFCurveNode& channel = *channels->GetChild(i);
        if (scaleShininess && channel.GetCurve() != nullptr && RString(channel.GetName()).CompareIgnoringCase("Shininess") == 0) {
            const auto copy = RecordShininessChannel(channel);
            if (copy != nullptr) WriteChannel(*copy, false);
            continue;
        }
        WriteChannel(channel, false);
    }
    return true;
}
