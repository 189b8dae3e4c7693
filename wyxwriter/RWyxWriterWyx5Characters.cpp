// The gobo, marker-set, actor, character and constraint sections of the version-5 document.
//
//   GoboManager { Gobo { Version: 250; GoboName; GoboPath; DrawComponent: 3 ints } per gobo a
//     light uses, ordered by the last light node using it; LightGobo: light, gobo per light
//     node with a gobo }
//   MARKERSET { NAME; MARKER { VERSION: 0; NAME; NODEINDEX; ORIENTED; DEFAULTX/Y/Z;
//     TOFFSETX/Y/Z; ROFFSETX/Y/Z; MODEL } per entry whose node is in the scene }
//   ACTOR { ACTIVE: 1; CONSTRAINT; OUTPUTMARKERSETINDEX: -1; Properties { Version: 100;
//     MeshColor; BoneColor; MarkerSize: 100 }; MARKERSETINDEX; NODESCALE: x, y, z (21) }
//   CHARACTER { CHARACTERIZE: 1; LOCK_XFORM: 0; LOCK_PICK: 0; CONSTRAINT; INPUTOUTPUTTYPE;
//     ACTORINDEX; CHARACTERINDEX; REFERENCE, LEFT_FLOOR, RIGHT_FLOOR, LEFT_HANDFLOOR,
//     RIGHT_HANDFLOOR { link fields }; BASE ... PROPS { LINK: link name { link fields } };
//     FILTERSET { PARAM { NAME; MODE; MIN: 0; MAX: 0; VALUE0 } (177) }; GAMEMODEPARENT {...};
//     SW_CONTROLSET { TYPE; LOCK_XFORM; LOCK_PICK; REFERENCE, BASE ... RIGHTFOOT { LINK: link
//     name { MODEL; NAME } }; EFFECTOR { LINK: effector name { NAME; MODEL; SHOW; TACTIVE;
//     RACTIVE; CANDIDATE_TACTIVE; CANDIDATE_RACTIVE } }; EFFECTOR_AUX1 { LINK: effector name
//     { NAME; MODEL } } } }
//   link fields: MODEL (its node, when in the scene); NAME (when not empty); TOFFSETX/Y/Z;
//     ROFFSETX/Y/Z; SOFFSETX/Y/Z
//   Constraints { Version: 4.0; Group: "Constraint Group" { Constraint: character { Type:
//     "Character"; MultiLayer: 1; Flags: "Active"; Description: "Character" }; Constraint:
//     actor { Type: "Actor"; MultiLayer: 0; Description: "" } } }
//
// A link is written when it is usable (its node is in the scene or it carries a name); a
// single link, and a group link that files of any version list, is written with the default
// offsets when it is not. A model named in any of these sections is one of the file's.

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterConstraint.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxControlSet.h"
#include "attributes/RWyxGobo.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarkerSet.h"
#include "core/RWyxColor.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "wyxwriter/RWyxWriterWyx5.h"
#include "wyxreader/WyxCharacterBlocks.h"
#include "wyxwriter/WyxFields.h"

#include <algorithm>
#include <string>
#include <vector>

using namespace wyx_fields;

namespace {

constexpr int kGoboVersion = 250;
constexpr int kActorPropertiesVersion = 100;
constexpr double kMarkerSize = 100.0;
constexpr double kConstraintsVersion = 4.0;
using Tables = RWyxCharacterTables;
using namespace wyx_character_blocks;

void WriteXYZ(RWyxFile& file, const char* prefix, const RVector4& value) {
    for (int axis = 0; axis < 3; ++axis) {
        const std::string name = std::string(prefix) + "XYZ"[axis];
        WriteField(file, name.c_str(), *value.Component(axis));
    }
}

void WriteOffsets(RWyxFile& file, const RWyxCharacterLink& link) {
    WriteXYZ(file, "TOFFSET", link.translationOffset);
    WriteXYZ(file, "ROFFSET", link.rotationOffset);
    WriteXYZ(file, "SOFFSET", link.scalingOffset);
}

// The part of a full name after its last ':'.
RString ShortName(const RString& name) {
    const int colon = name.FindLastChar(':');
    return colon >= 0 ? name.SubstringFrom(colon + 1) : name;
}

template <typename T>
int IndexIn(const std::vector<T*>& list, const void* object) {
    const auto found = std::find(list.begin(), list.end(), object);
    return found != list.end() ? static_cast<int>(found - list.begin()) : -1;
}

}  // namespace

bool RWyxWriterWyx5::InScene(const RWyxNode* node) const {
    return node != nullptr && node->GetEntity() == scene_->GetEntity();
}

// ---- gobos ------------------------------------------------------------------------------------------------

void RWyxWriterWyx5::WriteGoboManager(RWyxScene& scene) {
    RWyxEntityContainer& entity = *scene.GetEntity();
    std::vector<std::pair<RWyxNode*, RWyxGobo*>> lights;
    for (int i = 0; i < entity.GetNodeCount(); ++i) {
        RWyxNode* node = entity.GetNode(i);
        const RWyxLight* light = node != nullptr ? node->GetLight() : nullptr;
        if (light != nullptr && light->GetGobo() != nullptr) lights.emplace_back(node, light->GetGobo());
    }
    // Each gobo once, at the place of the last light that uses it.
    std::vector<RWyxGobo*> gobos;
    for (std::size_t i = 0; i < lights.size(); ++i) {
        const bool usedLater = std::any_of(lights.begin() + static_cast<std::ptrdiff_t>(i) + 1, lights.end(),
                                           [&](const auto& later) { return later.second == lights[i].second; });
        if (!usedLater) gobos.push_back(lights[i].second);
    }
    RWyxFile& file = File();
    FieldBlock block(file, "GoboManager");
    for (const RWyxGobo* gobo : gobos) {
        FieldBlock record(file, "Gobo");
        WriteField(file, "Version", kGoboVersion);
        WriteField(file, "GoboName", gobo->GetName());
        WriteField(file, "GoboPath", gobo->GetPath());
        WriteField(file, "DrawComponent", gobo->GetDrawComponent(0), gobo->GetDrawComponent(1),
                   gobo->GetDrawComponent(2));
    }
    for (const auto& [node, gobo] : lights) WriteField(file, "LightGobo", node->GetName(), gobo->GetName());
}

// ---- marker sets and actors ----------------------------------------------------------------------------

void RWyxWriterWyx5::WriteMarkerSets(RWyxScene& scene) {
    RWyxFile& file = File();
    for (int s = 0; s < scene.GetMarkerSetCount(); ++s) {
        const RWyxMarkerSet& set = *scene.GetMarkerSet(s);
        FieldBlock block(file, "MARKERSET");
        WriteField(file, "NAME", set.GetName());
        for (int m = 0; m < set.GetMarkerCount(); ++m) {
            const RWyxNode* node = set.GetMarkerNode(m);
            if (!InScene(node)) continue;
            const RWyxMarkerSetEntry& entry = *set.GetMarker(m);
            FieldBlock marker(file, "MARKER");
            WriteField(file, "VERSION", 0);
            WriteField(file, "NAME", entry.name.IsEmptyText() ? ShortName(node->GetName()) : entry.name);
            WriteField(file, "NODEINDEX", entry.nodeIndex);
            WriteField(file, "ORIENTED", entry.oriented);
            WriteXYZ(file, "DEFAULT", entry.defaultPosition);
            WriteXYZ(file, "TOFFSET", entry.translationOffset);
            WriteXYZ(file, "ROFFSET", entry.rotationOffset);
            WriteField(file, "MODEL", node->GetName());
        }
    }
}

void RWyxWriterWyx5::WriteActors(RWyxScene& scene) {
    std::vector<RWyxMarkerSet*> markerSets;
    for (int s = 0; s < scene.GetMarkerSetCount(); ++s) markerSets.push_back(scene.GetMarkerSet(s));
    RWyxFile& file = File();
    for (int a = 0; a < scene.GetConstraintCount(); ++a) {
        const RWyxCharacterConstraint& actor = *scene.GetConstraint(a);
        FieldBlock block(file, "ACTOR");
        WriteField(file, "ACTIVE", 1);
        WriteField(file, "CONSTRAINT", actor.GetName());
        WriteField(file, "OUTPUTMARKERSETINDEX", -1);
        {
            FieldBlock properties(file, "Properties");
            WriteField(file, "Version", kActorPropertiesVersion);
            const RWyxColor& mesh = actor.GetMeshColor();
            const RWyxColor& bone = actor.GetBoneColor();
            WriteField(file, "MeshColor", mesh.GetRed(), mesh.GetGreen(), mesh.GetBlue());
            WriteField(file, "BoneColor", bone.GetRed(), bone.GetGreen(), bone.GetBlue());
            WriteField(file, "MarkerSize", kMarkerSize);
        }
        WriteField(file, "MARKERSETINDEX", actor.GetMarkerSet() != nullptr ? IndexIn(markerSets, actor.GetMarkerSet()) : -1);
        for (int n = 0; n < Tables::kActorNodeCount; ++n) WriteVector3(file, "NODESCALE", actor.GetNodeScale(n));
    }
}

// ---- characters --------------------------------------------------------------------------------------

void RWyxWriterWyx5::WriteCharacters(RWyxScene& scene) {
    std::vector<RWyxCharacterConstraint*> actors;
    for (int a = 0; a < scene.GetConstraintCount(); ++a) actors.push_back(scene.GetConstraint(a));
    std::vector<RWyxCharacter*> characters;
    for (int c = 0; c < scene.GetCharacterCount(); ++c) characters.push_back(scene.GetCharacter(c));
    RWyxFile& file = File();
    for (const RWyxCharacter* character : characters) {
        FieldBlock block(file, "CHARACTER");
        WriteField(file, "CHARACTERIZE", 1);
        WriteField(file, "LOCK_XFORM", 0);
        WriteField(file, "LOCK_PICK", 0);
        WriteField(file, "CONSTRAINT", character->GetName());
        const int input = character->GetInputType();
        const RWyxSceneObject* source = character->GetInputObject();
        WriteField(file, "INPUTOUTPUTTYPE", input);
        WriteField(file, "ACTORINDEX", input == RWyxCharacter::kInputActor ? IndexIn(actors, source) : -1);
        WriteField(file, "CHARACTERINDEX", input == RWyxCharacter::kInputCharacter ? IndexIn(characters, source) : -1);
        for (const SingleLinkBlock& single : kSingleLinks) {
            FieldBlock link(file, single.name);
            WriteCharacterLinkFields(*character, single.link, true);
        }
        for (const int group : kGroupOrder) WriteCharacterLinkGroup(*character, group);
        {
            FieldBlock filters(file, "FILTERSET");
            for (int p = 0; p < Tables::kParameterCount; ++p) {
                const RWyxCharacterParameter* parameter = character->GetParameter(p);
                FieldBlock entry(file, "PARAM");
                WriteField(file, "NAME", Tables::GetParameterName(p));
                WriteField(file, "MODE", parameter != nullptr ? parameter->mode : 0);
                WriteField(file, "MIN", 0.0);
                WriteField(file, "MAX", 0.0);
                WriteField(file, "VALUE0", parameter != nullptr ? parameter->value : 0.0);
            }
        }
        WriteCharacterLinkGroup(*character, Tables::kGameModeParent);
        WriteControlSet(*character);
    }
}

bool RWyxWriterWyx5::IsUsableLink(const RWyxCharacter& character, int link) const {
    RWyxCharacterLink record;
    return character.GetCharacterLink(link, record) && (InScene(record.node) || !record.name.IsEmptyText());
}

void RWyxWriterWyx5::WriteCharacterLinkFields(const RWyxCharacter& character, int link, bool withDefaults) {
    RWyxCharacterLink record;
    if (!IsUsableLink(character, link)) {
        if (withDefaults) WriteOffsets(File(), RWyxCharacterLink());
        return;
    }
    character.GetCharacterLink(link, record);
    if (InScene(record.node)) WriteField(File(), "MODEL", record.node->GetName());
    if (!record.name.IsEmptyText()) WriteField(File(), "NAME", record.name);
    WriteOffsets(File(), record);
}

// Every link of the group that is usable or that files of any version list.
void RWyxWriterWyx5::WriteCharacterLinkGroup(const RWyxCharacter& character, int group) {
    FieldBlock block(File(), Tables::GetGroupName(group));
    for (int i = 0; i < Tables::GetGroupLinkCount(group); ++i) {
        const int link = Tables::GetGroupLinkId(group, i);
        const bool listed = Tables::GetLink(link)->minimumVersion < Tables::kAlwaysWrittenBelowVersion;
        if (!listed && !IsUsableLink(character, link)) continue;
        FieldBlock entry(File(), "LINK", Tables::GetLinkName(link));
        WriteCharacterLinkFields(character, link, true);
    }
}

void RWyxWriterWyx5::WriteControlSet(const RWyxCharacter& character) {
    const RWyxControlSet& set = character.GetControlSet();
    RWyxFile& file = File();
    FieldBlock block(file, "SW_CONTROLSET");
    WriteField(file, "TYPE", set.GetType());
    WriteField(file, "LOCK_XFORM", set.GetLockTransform());
    WriteField(file, "LOCK_PICK", set.GetLockPick());
    // One LINK per usable model link of the ids, or per id files of any version list.
    auto links = [&](const char* blockName, const std::vector<int>& ids) {
        FieldBlock group(file, blockName);
        for (const int id : ids) {
            RWyxNode* node = nullptr;
            RString name;
            const bool usable = set.GetModelLink(id, node, name) && (InScene(node) || !name.IsEmptyText());
            if (!usable && Tables::GetLink(id)->minimumVersion >= Tables::kAlwaysWrittenBelowVersion) continue;
            FieldBlock entry(file, "LINK", Tables::GetLinkName(id));
            if (!usable) continue;
            if (InScene(node)) WriteField(file, "MODEL", node->GetName());
            if (!name.IsEmptyText()) WriteField(file, "NAME", name);
        }
    };
    links("REFERENCE", {Tables::kReferenceLink});
    for (const int group : kGroupOrder) {
        if (group == Tables::kProps) continue;  // a control set has no props
        std::vector<int> ids;
        for (int i = 0; i < Tables::GetGroupLinkCount(group); ++i) ids.push_back(Tables::GetGroupLinkId(group, i));
        links(Tables::GetGroupName(group), ids);
    }
    {
        FieldBlock effectors(file, "EFFECTOR");
        for (int e = 0; e < Tables::kEffectorCount; ++e) {
            const RWyxNode* node = set.GetEffectorNode(e);
            const RWyxControlSetEffector* flags = set.GetEffectorFlags(e);
            if (!InScene(node) || flags == nullptr) continue;
            FieldBlock entry(file, "LINK", Tables::GetEffectorName(e));
            WriteField(file, "NAME", Tables::GetEffectorName(e));
            WriteField(file, "MODEL", node->GetName());
            WriteField(file, "SHOW", flags->show);
            WriteField(file, "TACTIVE", flags->translationActive);
            WriteField(file, "RACTIVE", flags->rotationActive);
            WriteField(file, "CANDIDATE_TACTIVE", flags->candidateTranslationActive);
            WriteField(file, "CANDIDATE_RACTIVE", flags->candidateRotationActive);
        }
    }
    FieldBlock auxiliaries(file, "EFFECTOR_AUX1");
    for (int e = 0; e < Tables::kEffectorCount; ++e) {
        for (int sub = 0; sub < set.GetAuxiliaryEffectorCount(e); ++sub) {
            RWyxNode* node = nullptr;
            RString name;
            if (!set.GetAuxiliaryEffector(e, sub, node, name) || !InScene(node)) continue;
            FieldBlock entry(file, "LINK", Tables::GetEffectorName(e));
            WriteField(file, "NAME", name);
            WriteField(file, "MODEL", node->GetName());
        }
    }
}

// ---- constraints -------------------------------------------------------------------------------------

void RWyxWriterWyx5::WriteConstraints(RWyxScene& scene) {
    if (scene.GetCharacterCount() == 0 && scene.GetConstraintCount() == 0) return;
    RWyxFile& file = File();
    FieldBlock block(file, "Constraints");
    WriteField(file, "Version", kConstraintsVersion);
    FieldBlock group(file, "Group", "Constraint Group");
    for (int c = 0; c < scene.GetCharacterCount(); ++c) {
        FieldBlock constraint(file, "Constraint", scene.GetCharacter(c)->GetName());
        WriteField(file, "Type", "Character");
        WriteField(file, "MultiLayer", 1);
        WriteField(file, "Flags", "Active");
        WriteField(file, "Description", "Character");
    }
    for (int a = 0; a < scene.GetConstraintCount(); ++a) {
        FieldBlock constraint(file, "Constraint", scene.GetConstraint(a)->GetName());
        WriteField(file, "Type", "Actor");
        WriteField(file, "MultiLayer", 0);
        WriteField(file, "Description", "");
    }
}
