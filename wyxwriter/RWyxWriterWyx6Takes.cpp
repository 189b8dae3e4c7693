// The Takes section of the version-6 document.
//
//   Takes {
//     Current: the scene's current take
//     Take: name {
//       FileName: the name with blanks and tabs made "_", then ".tak" (a name only: the take
//                 stays in this file)
//       LocalTime: start, stop
//       ReferenceTime: start, stop
//       Comments: the take's comment, when there is one
//       Thumbnail { ... }, when the take has one
//       Model: full name { Version: 1.1; Channel ... }       per model with the take, pre-order
//       GenericNode | Constraint | Texture | Material: ...   per object with the take
//     }
//   }
//
// A take is written when a model, generic node, character, texture or material has a take
// node of its name and its take info is selected; a take without an info gets one (selected),
// which the scene keeps. A span that is all zero is computed from the keys the take has on
// the "Camera Switcher" node and on the root's hierarchy (0 to 1 second when there are none)
// and stored in the take info, so that the Summary lists the same spans. The takes are found
// by name on each object: no object's current take changes.
//
// An animation block holds the channels of the object's take node (the children of its root
// curve node), each written by RFCurveNodeRecords::Write with keys, letter names for
// translation, rotation and scaling nodes, user names, curve colours and Auto keys kept as
// such; the default take's block holds only its version.

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "wyxreader/WyxReaderServices.h"
#include "wyxwriter/RWyxWriterWyx6.h"
#include "wyxwriter/WyxFields.h"
#include "wyxwriter/WyxNodeWalk.h"

using namespace wyx_fields;

namespace {

constexpr double kAnimationVersion = 1.1;
const char* const kDashes52 = "----------------------------------------------------";
const char* const kDefaultTake = RWyxTakeNodeContainer::kDefaultTakeName;

bool HasTakeNode(RWyxTakeNodeContainer& object, const RString& take) {
    return RWyxWriterWyx::FindTakeNode(object, take) >= 0;
}


void WriteGroupHeading(RWyxFile& file, const char* title) {
    file.FieldWriteComment("");
    file.FieldWriteComment(title);
    file.FieldWriteComment(kDashes52);
}

}  // namespace

void RWyxWriterWyx6::CollectWrittenTakes(RWyxScene& scene) {
    writtenTakes_.clear();
    std::vector<RString> names;
    scene.GetTakeNameList(names);
    RWyxEntityContainer& entity = *scene.GetEntity();
    for (const RString& name : names) {
        if (name == kDefaultTake) continue;
        bool carried = false;
        ForEachNodeBelow(*scene.GetRootNode(), [&](RWyxNode& node) { carried = carried || HasTakeNode(node, name); });
        for (int i = 0; !carried && i < scene.GetGenericNodeCount(); ++i) {
            carried = HasTakeNode(*scene.GetGenericNode(i), name);
        }
        for (int i = 0; !carried && i < scene.GetCharacterCount(); ++i) {
            carried = HasTakeNode(*scene.GetCharacter(i), name);
        }
        for (int i = 0; !carried && i < entity.GetTextureCount(); ++i) {
            carried = HasTakeNode(*entity.GetTexture(i), name);
        }
        for (int i = 0; !carried && i < entity.GetMaterialCount(); ++i) {
            carried = HasTakeNode(*entity.GetMaterial(i), name);
        }
        if (carried) writtenTakes_.push_back(name);
    }
}

void RWyxWriterWyx6::WriteTakesSection(RWyxScene& scene) {
    File().FieldWriteComment("Takes and animation section");
    File().FieldWriteComment(kDashes52);
    File().FieldWriteComment("");
    FieldBlock block(File(), "Takes");
    WriteField(File(), "Current", scene.GetCurrentTakeName());
    for (const RString& name : writtenTakes_) {
        RWyxTakeInfo* info = scene.GetTakeInfo(name.Buffer());
        if (info == nullptr) {
            RWyxTakeInfo added;
            added.name = name;
            scene.SetTakeInfo(added);
            info = scene.GetTakeInfo(name.Buffer());
        } else if (!info->selected) {
            continue;
        }
        if (info != nullptr) WriteTake(scene, *info);
    }
}

void RWyxWriterWyx6::WriteTake(RWyxScene& scene, RWyxTakeInfo& info) {
    RWyxEntityContainer& entity = *scene.GetEntity();
    RWyxNode& root = *scene.GetRootNode();
    const RString take = info.name;
    StartProgress((RString("Storing take ") + take).Buffer(),
                  1 + CountNodesBelow(root) + entity.GetTextureCount() + entity.GetMaterialCount());
    CompleteTakeSpans(scene, info);
    RWyxFile& file = File();
    {
        FieldBlock block(file, "Take", take);
        WriteTakeHead(take, info);
        WriteGroupHeading(file, "Models animation");
        WriteModelAnimation(root, take);
        WriteGroupHeading(file, "Generic nodes animation");
        for (int i = 0; i < scene.GetGenericNodeCount(); ++i) {
            RWyxGenericNode& node = *scene.GetGenericNode(i);
            WriteObjectAnimation(node, node.GetName(), take, "GenericNode");
        }
        WriteGroupHeading(file, "Character nodes animation");
        for (int i = 0; i < scene.GetCharacterCount(); ++i) {
            RWyxCharacter& character = *scene.GetCharacter(i);
            WriteObjectAnimation(character, character.GetName(), take, "Constraint");
        }
        WriteGroupHeading(file, "Textures animation");
        for (int i = 0; i < entity.GetTextureCount(); ++i) {
            RWyxTexture& texture = *entity.GetTexture(i);
            ProgressStep();
            WriteObjectAnimation(texture, texture.GetName(), take, "Texture");
        }
        WriteGroupHeading(file, "Materials animation");
        file.FieldWriteComment("");
        for (int i = 0; i < entity.GetMaterialCount(); ++i) {
            RWyxMaterial& material = *entity.GetMaterial(i);
            ProgressStep();
            WriteObjectAnimation(material, material.GetName(), take, "Material");
        }
    }
    ProgressStepDone();
}

void RWyxWriterWyx6::WriteModelAnimation(RWyxNode& root, const RString& take) {
    ProgressStep();
    ForEachNodeBelow(root, [&](RWyxNode& node) {
        WriteObjectAnimation(node, node.GetName(), take, "Model");
        ProgressStep();
    });
}

bool RWyxWriterWyx6::WriteObjectAnimation(RWyxTakeNodeContainer& object, const RString& fullName, const RString& take,
                                          const char* heading) {
    const int index = FindTakeNode(object, take);
    if (index < 0) return false;
    RWyxFile& file = File();
    FieldBlock block(file, heading, fullName);
    WriteField(file, "Version", kAnimationVersion);
    if (index == 0) return true;
    const RFCurveNode* channels = object.GetTakeNode(index)->GetRootCurveNode();
    for (int i = 0; channels != nullptr && i < channels->GetChildCount(); ++i) {
        RFCurveNodeRecords::Write(*channels->GetChild(i), file, false, true, false, "Channel", true, false);
    }
    return true;
}
