// The GenericNode, Pose, ControlSetPlug and Constraint (character) records of the version-6
// document, and the Summary of its extension section.
//
//   GenericNode: full name, type name { Version: 100; Properties60 }
//   Pose: full name, type name { Type: "BindPose" / "RestPose"; Version: 100; Properties60;
//     NbPoseNodes; PoseNode { Node; Matrix: 16 doubles; Local (rest poses) } ... }
//   ControlSetPlug: full name, type name { Type; MultiLayer; Properties60 }
//   Constraint: full name, type name { Type; MultiLayer; Properties60; CHARACTERIZE;
//     LOCK_XFORM; LOCK_PICK; REFERENCE, LEFT_FLOOR, RIGHT_FLOOR, LEFT_HANDFLOOR,
//     RIGHT_HANDFLOOR { link fields }; BASE ... PROPS { LINK: link name { link fields } ... } }
//   link fields: NAME; TOFFSETX/Y/Z; ROFFSETX/Y/Z; SOFFSETX/Y/Z (a link block without fields is
//     a link the character does not have)
//   Summary { ...; SceneInfo: "SceneInfo::GlobalInfo" { Type; Version; Thumbnail; MetaData
//     { Version; Title; Subject; Author; Keywords; Revision; Comment } }; Takes { Current ... } }
//
// A link's NAME that names a model of the file (with or without its "Model::") gives the link
// that model as its node.

#include "attributes/RWyxCharacter.h"
#include "attributes/RWyxCharacterLink.h"
#include "attributes/RWyxCharacterProperties.h"
#include "attributes/RWyxCharacterTables.h"
#include "attributes/RWyxControlSetPlug.h"
#include "attributes/RWyxControlSetPlugProperties.h"
#include "attributes/RWyxGenericNode.h"
#include "attributes/RWyxGenericNodeProperties.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxPoseProperties.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxSceneInfo.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/RWyxTakeInfoReader.h"
#include "wyxreader/WyxFieldReading.h"

using wyx_read::BlockScope;
using Tables = RWyxCharacterTables;

namespace {

struct SingleLink {
    const char* block;
    int link;
};

const SingleLink kSingleLinks[] = {{"REFERENCE", Tables::kReferenceLink},
                                   {"LEFT_FLOOR", Tables::kLeftFloorLink},
                                   {"RIGHT_FLOOR", Tables::kRightFloorLink},
                                   {"LEFT_HANDFLOOR", Tables::kLeftHandFloorLink},
                                   {"RIGHT_HANDFLOOR", Tables::kRightHandFloorLink}};

const int kGroups[] = {Tables::kBase,     Tables::kAuxiliary, Tables::kSpine,    Tables::kNeck,
                       Tables::kRoll,     Tables::kSpecial,   Tables::kLeftHand, Tables::kRightHand,
                       Tables::kLeftFoot, Tables::kRightFoot, Tables::kProps};


}  // namespace

void RWyxSceneReaderWyx6::ReadGenericNodeRecord() {
    const RString name = file_.FieldReadString();
    if (!IsFree(name, "GenericNode")) return;
    RWyxGenericNode* node = factory_->CreateGenericNode(name.Buffer());
    if (node == nullptr) return;
    Register(name, Kind::kGenericNode, node, node->GetProperties());
    scene_.AddGenericNode(node);
    if (const BlockScope block = BlockScope::Enter(file_)) {
        ReadProperties({node->GetProperties()}, node, "GenericNode", name);
    }
}

void RWyxSceneReaderWyx6::ReadPoseRecord() {
    const RString name = file_.FieldReadString();
    const RString typeName = file_.FieldReadString();
    if (!IsFree(name, "Pose")) return;
    const BlockScope block = BlockScope::Enter(file_);
    const RString type = block ? file_.FieldReadStringByName("Type", typeName.Buffer()) : typeName;
    RWyxPose* pose = factory_->CreatePose(name.Buffer(), type == "BindPose");
    if (pose == nullptr) return;
    Register(name, Kind::kPose, pose, pose->GetProperties());
    scene_.AddPose(pose);
    if (!block) return;
    const RString label = RString("Pose \"") + name + "\"";
    ReadProperties({pose->GetProperties()}, pose, "Pose", name);
    ReadPoseEntries(*pose, label);
}

void RWyxSceneReaderWyx6::ReadControlSetPlugRecord() {
    const RString name = file_.FieldReadString();
    if (!IsFree(name, "ControlSetPlug")) return;
    RWyxControlSetPlug* plug = scene_.GetControlSetPlug(scene_.CreateControlSetPlug(name.Buffer()));
    if (plug == nullptr) return;
    Register(name, Kind::kControlSetPlug, plug, plug->GetProperties());
    if (const BlockScope block = BlockScope::Enter(file_)) {
        ReadProperties({plug->GetProperties()}, plug, "ControlSetPlug", name);
    }
}

void RWyxSceneReaderWyx6::ReadCharacterRecord() {
    const RString name = file_.FieldReadString();
    if (!IsFree(name, "Constraint")) return;
    RWyxCharacter* character = scene_.GetCharacter(scene_.CreateCharacter(name.Buffer()));
    if (character == nullptr) return;
    Register(name, Kind::kCharacter, character, character->GetProperties());
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return;
    ReadProperties({character->GetProperties()}, character, "Constraint", name);
    ReadCharacterLinks(*character, name);
}

void RWyxSceneReaderWyx6::ReadCharacterLinks(RWyxCharacter& character, const RString& name) {
    for (const SingleLink& single : kSingleLinks) {
        if (const BlockScope block = BlockScope::Open(file_, single.block)) {
            ReadCharacterLinkFields(character, single.link);
        }
    }
    for (const int group : kGroups) {
        const BlockScope block = BlockScope::Open(file_, Tables::GetGroupName(group));
        while (block && file_.FieldReadBegin("LINK")) {
            const RString linkName = file_.FieldReadString();
            const int link = Tables::FindLinkByName(linkName.Buffer());
            if (link < 0) {
                Warn(RString("Constraint \"") + name + "\": the link \"" + linkName + "\" is unknown; dropped");
            } else if (const BlockScope fields = BlockScope::Enter(file_)) {
                ReadCharacterLinkFields(character, link);
            }
            file_.FieldReadEnd();
        }
    }
}

void RWyxSceneReaderWyx6::ReadCharacterLinkFields(RWyxCharacter& character, int link) {
    if (file_.FieldGetCount() == 0) return;
    RWyxCharacterLink record;
    record.name = file_.FieldReadStringByName("NAME", "");
    ReadLinkOffsets(record);
    character.SetCharacterLink(link, record);
    if (!record.name.IsEmptyText()) namedLinks_.emplace_back(&character, link);
}

void RWyxSceneReaderWyx6::ResolveCharacterLinks() {
    for (const auto& [character, link] : namedLinks_) {
        RWyxCharacterLink record;
        if (!character->GetCharacterLink(link, record)) continue;
        const FileObject* model =
            Find(record.name.FindText("::") >= 0 ? record.name : RString("Model::") + record.name);
        if (model == nullptr || model->kind != Kind::kModel) continue;
        record.node = static_cast<RWyxNode*>(model->object);
        character->SetCharacterLink(link, record);
    }
}

// ---- Summary ---------------------------------------------------------------------------------------------

void RWyxSceneReaderWyx6::ReadSummarySection() {
    if (!file_.ProjectOpenSection(RWyxFile::kExtensionSection)) return;
    const BlockScope summary = BlockScope::Open(file_, "Summary");
    if (!summary) return;
    if (const BlockScope info = BlockScope::Open(file_, "SceneInfo")) ReadSceneInfo();
    if (const BlockScope takes = BlockScope::Open(file_, "Takes")) {
        summaryCurrent_ = file_.FieldReadStringByName("Current", "");
    }
}

