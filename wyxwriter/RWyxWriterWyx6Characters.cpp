// The GenericNode, Pose, ControlSetPlug and Constraint (character) records of the version-6
// document.
//
//   GenericNode: full name, type name { Version: 100; Properties60 }
//   Pose: full name, type name { Type: "BindPose" / "RestPose"; Version: 100; Properties60;
//     NbPoseNodes; PoseNode { Node; Matrix: 16 doubles; Local (rest poses only) } ... }
//   ControlSetPlug: full name, type name { Type; MultiLayer: 0; Properties60 }
//   Constraint: full name, type name { Type; MultiLayer: 0; Properties60; CHARACTERIZE: 1;
//     LOCK_XFORM: 0; LOCK_PICK: 0; REFERENCE, LEFT_FLOOR, RIGHT_FLOOR, LEFT_HANDFLOOR,
//     RIGHT_HANDFLOOR { link fields }; BASE, AUXILIARY, SPINE, NECK, ROLL, SPECIAL, LEFTHAND,
//     RIGHTHAND, LEFTFOOT, RIGHTFOOT, PROPS { LINK: link name { link fields } ... } }
//   link fields: NAME (when not empty); TOFFSETX/Y/Z; ROFFSETX/Y/Z; SOFFSETX/Y/Z
//
// A character link is written when it is set and usable: its node belongs to the scene being
// written, or it carries a name.

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxPose.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx6.h"
#include "wyxreader/WyxCharacterBlocks.h"
#include "wyxwriter/WyxFields.h"

using namespace wyx_fields;

namespace {

constexpr int kRecordVersion = 100;
using Tables = RWyxCharacterTables;
using namespace wyx_character_blocks;

void WriteOffsets(RWyxFile& file, const char* const names[3], const RVector4& offset) {
    WriteField(file, names[0], offset.x);
    WriteField(file, names[1], offset.y);
    WriteField(file, names[2], offset.z);
}

}  // namespace

void RWyxWriterWyx6::WriteGenericNodeRecords(RWyxScene& scene) {
    for (int i = 0; i < scene.GetGenericNodeCount(); ++i) {
        RWyxGenericNode& node = *scene.GetGenericNode(i);
        FieldBlock block(File(), "GenericNode", node.GetName(), node.GetTypeDescription());
        WriteField(File(), "Version", kRecordVersion);
        WritePropertyBlock(node);
    }
}

void RWyxWriterWyx6::WritePoseRecords(RWyxScene& scene) {
    RWyxFile& file = File();
    for (int i = 0; i < scene.GetPoseCount(); ++i) {
        RWyxPose& pose = *scene.GetPose(i);
        FieldBlock block(file, "Pose", pose.GetName(), pose.GetTypeDescription());
        WriteField(file, "Type", pose.IsBindPose() ? "BindPose" : "RestPose");
        WriteField(file, "Version", kRecordVersion);
        WritePropertyBlock(pose);
        WritePoseNodes(pose);
    }
}

void RWyxWriterWyx6::WriteControlSetPlugRecords(RWyxScene& scene) {
    for (int i = 0; i < scene.GetControlSetPlugCount(); ++i) {
        RWyxControlSetPlug& plug = *scene.GetControlSetPlug(i);
        FieldBlock block(File(), "ControlSetPlug", plug.GetName(), plug.GetTypeDescription());
        WriteField(File(), "Type", plug.GetTypeDescription());
        WriteField(File(), "MultiLayer", 0);
        WritePropertyBlock(plug);
    }
}

void RWyxWriterWyx6::WriteCharacterRecords(RWyxScene& scene) {
    for (int i = 0; i < scene.GetCharacterCount(); ++i) {
        RWyxCharacter& character = *scene.GetCharacter(i);
        FieldBlock block(File(), "Constraint", character.GetName(), character.GetTypeDescription());
        WriteField(File(), "Type", character.GetTypeDescription());
        WriteField(File(), "MultiLayer", 0);
        WritePropertyBlock(character);
        WriteField(File(), "CHARACTERIZE", 1);
        WriteField(File(), "LOCK_XFORM", 0);
        WriteField(File(), "LOCK_PICK", 0);
        WriteCharacterLinks(scene, i);
    }
}

void RWyxWriterWyx6::WriteCharacterLinks(RWyxScene& scene, int characterIndex) {
    const RWyxCharacter& character = *scene.GetCharacter(characterIndex);
    for (const SingleLinkBlock& single : kSingleLinks) {
        FieldBlock block(File(), single.name);
        WriteCharacterLinkFields(character, single.link);
    }
    for (const int group : kGroupOrder) {
        WriteCharacterLinkGroup(character, group, Tables::GetGroupName(group));
    }
}

void RWyxWriterWyx6::WriteCharacterLinkGroup(const RWyxCharacter& character, int group, const char* container) {
    FieldBlock block(File(), container);
    for (int i = 0; i < Tables::GetGroupLinkCount(group); ++i) {
        const int link = Tables::GetGroupLinkId(group, i);
        if (!IsUsableLink(character, link)) continue;
        FieldBlock entry(File(), "LINK", Tables::GetLinkName(link));
        WriteCharacterLinkFields(character, link);
    }
}

bool RWyxWriterWyx6::IsUsableLink(const RWyxCharacter& character, int link) const {
    RWyxCharacterLink record;
    if (!character.GetCharacterLink(link, record)) return false;
    const bool nodeInScene = record.node != nullptr && record.node->GetEntity() == scene_->GetEntity();
    return nodeInScene || !record.name.IsEmptyText();
}

void RWyxWriterWyx6::WriteCharacterLinkFields(const RWyxCharacter& character, int link) {
    if (!IsUsableLink(character, link)) return;
    RWyxCharacterLink record;
    character.GetCharacterLink(link, record);
    static const char* const kTranslation[3] = {"TOFFSETX", "TOFFSETY", "TOFFSETZ"};
    static const char* const kRotation[3] = {"ROFFSETX", "ROFFSETY", "ROFFSETZ"};
    static const char* const kScaling[3] = {"SOFFSETX", "SOFFSETY", "SOFFSETZ"};
    if (!record.name.IsEmptyText()) WriteField(File(), "NAME", record.name);
    WriteOffsets(File(), kTranslation, record.translationOffset);
    WriteOffsets(File(), kRotation, record.rotationOffset);
    WriteOffsets(File(), kScaling, record.scalingOffset);
}
