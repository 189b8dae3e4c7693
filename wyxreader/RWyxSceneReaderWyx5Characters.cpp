// The gobo, marker-set, actor and character sections of a version-5 file.
//
//   GoboManager { Gobo { Version; GoboName; GoboPath; DrawComponent } ...; LightGobo: light,
//     gobo ... }
//   MARKERSET { NAME; MARKER { VERSION; NAME; NODEINDEX; ORIENTED; DEFAULTX/Y/Z; TOFFSETX/Y/Z;
//     ROFFSETX/Y/Z; MODEL } ... }
//   ACTOR { ACTIVE; CONSTRAINT; OUTPUTMARKERSETINDEX; Properties { Version; MeshColor;
//     BoneColor; MarkerSize }; MARKERSETINDEX; NODESCALE ... }
//   CHARACTER { CHARACTERIZE; LOCK_XFORM; LOCK_PICK; CONSTRAINT; INPUTOUTPUTTYPE; ACTORINDEX;
//     CHARACTERINDEX; REFERENCE ... RIGHT_HANDFLOOR { link fields }; BASE ... PROPS,
//     GAMEMODEPARENT { LINK: link name { link fields } }; FILTERSET { PARAM { NAME; MODE; MIN;
//     MAX; VALUE0 } }; SW_CONTROLSET {...} }
//   link fields: MODEL; NAME; TOFFSETX ... SOFFSETZ. A link with neither MODEL nor NAME is one
//   the writer lists with its default offsets: the character does not have it.

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
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "wyxreader/RWyxSceneReaderWyx5.h"
#include "wyxreader/WyxCharacterBlocks.h"
#include "wyxreader/WyxFieldReading.h"

#include <map>
#include <string>

using wyx_read::BlockScope;
using Tables = RWyxCharacterTables;
using namespace wyx_character_blocks;

namespace {

RVector4 ReadXYZ(RWyxFile& file, const char* prefix, double fallback) {
    RVector4 value;
    for (int axis = 0; axis < 3; ++axis) {
        const std::string name = std::string(prefix) + "XYZ"[axis];
        *value.Component(axis) = wyx_read::ReadDoubleByName(file, name.c_str(), fallback);
    }
    return value;
}

RWyxColor ReadColor(RWyxFile& file, const char* name, const RWyxColor& fallback) {
    std::vector<double> values;
    wyx_read::ReadDoublesByName(file, name, values);
    return values.size() >= 3 ? RWyxColor(values[0], values[1], values[2], 1.0) : fallback;
}

// The index of the name among count names; -1 when none is it.
int IndexOfName(const char* (*nameOf)(int), int count, const RString& name) {
    for (int i = 0; i < count; ++i) {
        if (name == nameOf(i)) return i;
    }
    return -1;
}

}  // namespace

void RWyxSceneReaderWyx5::ReadGoboManager() {
    const BlockScope block = BlockScope::Open(file_, "GoboManager");
    if (!block) return;
    std::map<std::string, RWyxGobo*> gobos;
    while (file_.FieldReadBegin("Gobo")) {
        if (const BlockScope gobo = BlockScope::Enter(file_)) {
            const RString name = file_.FieldReadStringByName("GoboName", "");
            RWyxGobo* made = name.IsEmptyText() ? nullptr : factory_->CreateGobo(name.Buffer());
            if (made != nullptr) {
                made->SetPath(file_.FieldReadStringByName("GoboPath", ""));
                std::vector<int> draw;
                wyx_read::ReadIntsByName(file_, "DrawComponent", draw);
                for (int i = 0; i < RWyxGobo::kDrawComponentCount && i < static_cast<int>(draw.size()); ++i) {
                    made->SetDrawComponent(i, draw[static_cast<std::size_t>(i)]);
                }
                gobos[name.Buffer()] = made;
            }
        }
        file_.FieldReadEnd();
    }
    std::vector<RString> names;
    while (file_.FieldReadBegin("LightGobo")) {
        names = wyx_read::ReadStrings(file_);
        file_.FieldReadEnd();
        names.resize(2);
        RWyxNode* node = ResolveModel(names[0], "LightGobo: the light");
        const auto gobo = gobos.find(names[1].Buffer());
        if (node == nullptr) continue;
        if (node->GetLight() == nullptr || gobo == gobos.end()) {
            Warn(RString("LightGobo: \"") + names[0] + "\" is no light or \"" + names[1] + "\" no gobo of the file; dropped");
            continue;
        }
        node->GetLight()->SetGobo(gobo->second);
    }
}

void RWyxSceneReaderWyx5::ReadMarkerSets() {
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) != "MARKERSET" || !file_.FieldReadBeginAt(i)) continue;
        if (const BlockScope block = BlockScope::Enter(file_)) {
            const RString name = file_.FieldReadStringByName("NAME", "");
            RWyxMarkerSet* set = scene_.GetMarkerSet(scene_.CreateMarkerSet(name.Buffer()));
            while (set != nullptr && file_.FieldReadBegin("MARKER")) {
                if (const BlockScope marker = BlockScope::Enter(file_)) {
                    RWyxMarkerSetEntry entry;
                    entry.name = file_.FieldReadStringByName("NAME", "");
                    entry.nodeIndex = file_.FieldReadIntByName("NODEINDEX", 0);
                    entry.oriented = file_.FieldReadIntByName("ORIENTED", 0) != 0;
                    entry.defaultPosition = ReadXYZ(file_, "DEFAULT", 0.0);
                    entry.translationOffset = ReadXYZ(file_, "TOFFSET", 0.0);
                    entry.rotationOffset = ReadXYZ(file_, "ROFFSET", 0.0);
                    RWyxNode* node = ResolveModel(file_.FieldReadStringByName("MODEL", ""),
                                                  RString("MARKERSET \"") + name + "\": the marker's MODEL");
                    if (node != nullptr) set->AddMarker(entry, node);
                }
                file_.FieldReadEnd();
            }
        }
        file_.FieldReadEnd();
    }
}

void RWyxSceneReaderWyx5::ReadActors() {
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) != "ACTOR" || !file_.FieldReadBeginAt(i)) continue;
        if (const BlockScope block = BlockScope::Enter(file_)) {
            const RString name = file_.FieldReadStringByName("CONSTRAINT", "");
            RWyxCharacterConstraint* actor = scene_.GetConstraint(scene_.CreateConstraint(name.Buffer()));
            if (actor != nullptr) {
                if (const BlockScope properties = BlockScope::Open(file_, "Properties")) {
                    actor->SetMeshColor(ReadColor(file_, "MeshColor", actor->GetMeshColor()));
                    actor->SetBoneColor(ReadColor(file_, "BoneColor", actor->GetBoneColor()));
                }
                const int set = file_.FieldReadIntByName("MARKERSETINDEX", -1);
                if (set != -1 && scene_.GetMarkerSet(set) == nullptr) {
                    Warn(RString("ACTOR \"") + name + "\": MARKERSETINDEX " + RString(set) + " names no marker set");
                }
                actor->SetMarkerSet(scene_.GetMarkerSet(set));
                int scales = 0;
                while (file_.FieldReadBegin("NODESCALE")) {
                    const std::vector<double> values = wyx_read::ReadDoubles(file_);
                    file_.FieldReadEnd();
                    if (values.size() >= 3) actor->SetNodeScale(scales, RVector4(values[0], values[1], values[2], 0.0));
                    ++scales;
                }
                if (scales != Tables::kActorNodeCount) {
                    Warn(RString("ACTOR \"") + name + "\": " + RString(scales) + " NODESCALE fields for " +
                         RString(Tables::kActorNodeCount) + " body nodes");
                }
            }
        }
        file_.FieldReadEnd();
    }
}

void RWyxSceneReaderWyx5::ReadCharacters() {
    characterInputs_.clear();
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) != "CHARACTER" || !file_.FieldReadBeginAt(i)) continue;
        if (const BlockScope block = BlockScope::Enter(file_)) {
            const RString name = file_.FieldReadStringByName("CONSTRAINT", "");
            const RString label = RString("CHARACTER \"") + name + "\"";
            RWyxCharacter* character = scene_.GetCharacter(scene_.CreateCharacter(name.Buffer()));
            if (character != nullptr) {
                const int input = file_.FieldReadIntByName("INPUTOUTPUTTYPE", RWyxCharacter::kInputActor);
                const int actor = file_.FieldReadIntByName("ACTORINDEX", -1);
                characterInputs_.emplace_back(character, file_.FieldReadIntByName("CHARACTERINDEX", -1));
                character->SetInput(input, input == RWyxCharacter::kInputActor ? scene_.GetConstraint(actor) : nullptr);
                for (const SingleLinkBlock& single : kSingleLinks) {
                    if (const BlockScope block = BlockScope::Open(file_, single.name)) {
                        ReadCharacterLinkFields(*character, single.link, label);
                    }
                }
                for (const int group : kGroupOrder) ReadCharacterGroup(*character, group, label);
                ReadCharacterGroup(*character, Tables::kGameModeParent, label);
                if (const BlockScope filters = BlockScope::Open(file_, "FILTERSET")) {
                    while (file_.FieldReadBegin("PARAM")) {
                        if (const BlockScope param = BlockScope::Enter(file_)) {
                            const RString parameter = file_.FieldReadStringByName("NAME", "");
                            const int index = IndexOfName(&Tables::GetParameterName, Tables::kParameterCount, parameter);
                            RWyxCharacterParameter values;
                            values.mode = file_.FieldReadIntByName("MODE", 0);
                            values.minimum = wyx_read::ReadDoubleByName(file_, "MIN", 0.0);
                            values.maximum = wyx_read::ReadDoubleByName(file_, "MAX", 0.0);
                            values.value = wyx_read::ReadDoubleByName(file_, "VALUE0", 0.0);
                            if (!character->SetParameter(index, values)) {
                                Warn(label + ": the parameter \"" + parameter + "\" is unknown; dropped");
                            }
                        }
                        file_.FieldReadEnd();
                    }
                }
                if (const BlockScope controls = BlockScope::Open(file_, "SW_CONTROLSET")) ReadControlSet(*character, label);
            }
        }
        file_.FieldReadEnd();
    }
    // A character that another drives: the index names a character read above.
    for (const auto& [character, index] : characterInputs_) {
        if (character->GetInputType() != RWyxCharacter::kInputCharacter) continue;
        RWyxCharacter* source = scene_.GetCharacter(index);
        if (source == nullptr && index != -1) {
            Warn(RString("CHARACTER \"") + character->GetName() + "\": CHARACTERINDEX " + RString(index) + " names no character");
        }
        character->SetInput(RWyxCharacter::kInputCharacter, source);
    }
}

void RWyxSceneReaderWyx5::ReadCharacterGroup(RWyxCharacter& character, int group, const RString& label) {
    const BlockScope block = BlockScope::Open(file_, Tables::GetGroupName(group));
    while (block && file_.FieldReadBegin("LINK")) {
        const RString name = file_.FieldReadString();
        const int link = Tables::FindLinkByName(name.Buffer());
        if (link < 0) {
            Warn(label + ": the link \"" + name + "\" is unknown; dropped");
        } else if (const BlockScope fields = BlockScope::Enter(file_)) {
            ReadCharacterLinkFields(character, link, label);
        }
        file_.FieldReadEnd();
    }
}

void RWyxSceneReaderWyx5::ReadCharacterLinkFields(RWyxCharacter& character, int link, const RString& label) {
    const RString model = file_.FieldReadStringByName("MODEL", "");
    RWyxCharacterLink record;
    record.name = file_.FieldReadStringByName("NAME", "");
    if (model.IsEmptyText() && record.name.IsEmptyText()) return;
    if (!model.IsEmptyText()) record.node = ResolveModel(model, label + ": the link's MODEL");
    ReadLinkOffsets(record);
    character.SetCharacterLink(link, record);
}

void RWyxSceneReaderWyx5::ReadControlSet(RWyxCharacter& character, const RString& label) {
    RWyxControlSet& set = character.GetControlSet();
    set.SetType(file_.FieldReadIntByName("TYPE", set.GetType()));
    set.SetLockTransform(file_.FieldReadIntByName("LOCK_XFORM", 0) != 0);
    set.SetLockPick(file_.FieldReadIntByName("LOCK_PICK", 0) != 0);
    const auto modelLinks = [&](const char* blockName) {
        const BlockScope block = BlockScope::Open(file_, blockName);
        while (block && file_.FieldReadBegin("LINK")) {
            const RString name = file_.FieldReadString();
            const int link = Tables::FindLinkByName(name.Buffer());
            if (const BlockScope fields = BlockScope::Enter(file_)) {
                const RString model = file_.FieldReadStringByName("MODEL", "");
                const RString linkName = file_.FieldReadStringByName("NAME", "");
                RWyxNode* node = model.IsEmptyText() ? nullptr : ResolveModel(model, label + ": a control-set MODEL");
                if ((!model.IsEmptyText() || !linkName.IsEmptyText()) && !set.SetModelLink(link, node, linkName.Buffer())) {
                    Warn(label + ": the control-set link \"" + name + "\" is unknown; dropped");
                }
            }
            file_.FieldReadEnd();
        }
    };
    modelLinks("REFERENCE");
    for (const int group : kGroupOrder) {
        if (group != Tables::kProps) modelLinks(Tables::GetGroupName(group));
    }
    // An effector's LINK names it; MODEL names its node.
    const auto effectors = [&](const char* blockName, bool auxiliary) {
        const BlockScope block = BlockScope::Open(file_, blockName);
        std::vector<int> next(Tables::kEffectorCount, 0);
        while (block && file_.FieldReadBegin("LINK")) {
            const RString name = file_.FieldReadString();
            const int effector = IndexOfName(&Tables::GetEffectorName, Tables::kEffectorCount, name);
            if (const BlockScope fields = BlockScope::Enter(file_)) {
                RWyxNode* node = ResolveModel(file_.FieldReadStringByName("MODEL", ""), label + ": an effector's MODEL");
                bool set_ = false;
                if (effector >= 0 && node != nullptr && auxiliary) {
                    set_ = set.SetAuxiliaryEffector(effector, next[static_cast<std::size_t>(effector)]++, node,
                                                    file_.FieldReadStringByName("NAME", "").Buffer());
                } else if (effector >= 0 && node != nullptr) {
                    RWyxControlSetEffector flags;
                    flags.show = file_.FieldReadIntByName("SHOW", 1) != 0;
                    flags.translationActive = file_.FieldReadIntByName("TACTIVE", 0) != 0;
                    flags.rotationActive = file_.FieldReadIntByName("RACTIVE", 0) != 0;
                    flags.candidateTranslationActive = file_.FieldReadIntByName("CANDIDATE_TACTIVE", 0) != 0;
                    flags.candidateRotationActive = file_.FieldReadIntByName("CANDIDATE_RACTIVE", 0) != 0;
                    set_ = set.SetEffector(effector, node, flags);
                }
                if (!set_) Warn(label + ": the effector \"" + name + "\" is unknown or has no model; dropped");
            }
            file_.FieldReadEnd();
        }
    };
    effectors("EFFECTOR", false);
    effectors("EFFECTOR_AUX1", true);
}
