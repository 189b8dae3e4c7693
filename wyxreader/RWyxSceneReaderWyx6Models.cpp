// The Model records of the version-6 document: the node, the attribute its kind names, the
// property block, the node-level fields and the fields of the simple attributes.
//
//   Model: full name, type name { Version: 231; Properties60; MultiLayer; MultiTake;
//     Hidden: "True" (invisible only); Shading: 'W' 'F' 'Y' 'T' 'U' (modes 1 to 5 only);
//     Culling: "CullingOnCCW" / "CullingOnCW" / "CullingOff"; the attribute's fields }
//
// Rotation limits out of Auto take their axis length from "AxisLen".
//
// A camera's "Position" is the node's translation, which its properties carry: it is not read
// again.

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxChannelAttribute.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxMarker.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNull.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxOptical.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkeleton.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeAttribute.h"
#include "scene/RWyxNodeLimits.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxObjectFactory.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/WyxFieldReading.h"

#include <algorithm>
#include <string_view>

using wyx_read::BlockScope;
using Attribute = RWyxNodeAttribute;

namespace {

struct KindName {
    const char* name;
    int kind;
    int subtype;
};

const KindName kKindNames[] = {
    {"Null", Attribute::kNull, 0},
    {"Marker", Attribute::kMarker, RWyxMarker::kMarker},
    {"OpticalMarker", Attribute::kMarker, RWyxMarker::kOpticalMarker},
    {"IKEffector", Attribute::kMarker, RWyxMarker::kIKEffector},
    {"FKEffector", Attribute::kMarker, RWyxMarker::kFKEffector},
    {"Root", Attribute::kSkeleton, RWyxSkeleton::kRoot},
    {"Limb", Attribute::kSkeleton, RWyxSkeleton::kLimb},
    {"LimbNode", Attribute::kSkeleton, RWyxSkeleton::kLimbNode},
    {"Mesh", Attribute::kMesh, 0},
    {"Nurb", Attribute::kNurb, 0},
    {"Patch", Attribute::kPatch, 0},
    {"Camera", Attribute::kCamera, 0},
    {"CameraSwitcher", Attribute::kCameraSwitcher, 0},
    {"Light", Attribute::kLight, 0},
    {"Optical", Attribute::kOptical, 0},
};

// Kinds and flags compare as their C texts (up to a zero byte), as the file's texts always have.
const KindName* FindKind(std::string_view name) {
    for (const KindName& entry : kKindNames) {
        if (RWyxFile::ReadsAsText(name, entry.name)) return &entry;
    }
    return nullptr;
}

std::string_view ViewOf(const RString& text) {
    return std::string_view(text.Buffer(), static_cast<std::size_t>(text.GetLength()));
}

}  // namespace

void RWyxSceneReaderWyx6::ReadModelRecord() {
    const RString name = file_.FieldReadString();
    const RString typeName = file_.FieldReadString();
    if (!IsFree(name, "Model")) return;
    const AttributeChoice choice = ChooseAttribute(typeName, name);
    RWyxNode* node = factory_->CreateNode(name.Buffer());
    if (node == nullptr) return;
    Register(name, Kind::kModel, node, node->GetProperties());
    models_.push_back(node);
    RWyxNodeAttribute* attribute = MakeAttribute(choice);
    if (attribute != nullptr) node->SetNodeAttribute(attribute);
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return;
    // The list serves every model record.
    modelTargets_.assign(1, node->GetProperties());
    if (choice.kind == Attribute::kNull || choice.kind == Attribute::kMarker || choice.kind == Attribute::kSkeleton ||
        choice.kind == Attribute::kCamera || choice.kind == Attribute::kLight) {
        modelTargets_.push_back(static_cast<RWyxChannelAttribute*>(attribute)->GetPropertiesObject());
    }
    ReadProperties(modelTargets_, node, "Model", name);
    node->ReadPivotsAndLimitsFromProperties();
    RWyxNodeLimits& limits = *node->GetLimits();
    if (!limits.GetAuto(RWyxNodeLimits::kRotation)) limits.SetAxisLength(node->GetProperties()->GetAxisLen());
    ReadNodeFields(*node);
    ReadAttributeFields(*node, name);
}

// A first visit of the record's block finds what names the attribute; the record is read in a
// second visit. Its texts are looked at in place, each before the next value is read; the size
// is probed only for a null.
RWyxSceneReaderWyx6::AttributeChoice RWyxSceneReaderWyx6::ChooseAttribute(const RString& typeName,
                                                                          const RString& name) {
    AttributeChoice choice;
    const BlockScope block = BlockScope::Enter(file_);
    std::string_view kindName = ViewOf(typeName);
    if (block && file_.FieldReadBegin("Type")) {
        if (file_.FieldReadValuesLeft() > 0) kindName = file_.FieldReadStringView();
        file_.FieldReadEnd();
    }
    const KindName* found = FindKind(kindName);
    if (found == nullptr) {
        const RString kind = kindName.data() != nullptr ? RString(kindName.data(), static_cast<int>(kindName.size())) : RString();
        Warn(RString("Model \"") + name + "\": the attribute kind \"" + kind + "\" is unknown; read without one");
        return choice;
    }
    choice.kind = found->kind;
    choice.subtype = found->subtype;
    bool flagged = false;
    bool family = false;  // the kind's family flag is among the flags
    if (block && file_.FieldReadBegin("TypeFlags")) {
        const char* const familyFlag = choice.kind == Attribute::kSkeleton ? "Skeleton" : "Marker";
        for (int left = file_.FieldReadValuesLeft(); left > 0; --left) {
            flagged = true;
            family = RWyxFile::ReadsAsText(file_.FieldReadStringView(), familyFlag) || family;
        }
        file_.FieldReadEnd();
    }
    const bool outOfFamily = (choice.kind == Attribute::kSkeleton || choice.kind == Attribute::kMarker) && !family;
    if (flagged && outOfFamily) choice.kind = Attribute::kNull;
    if (choice.kind == Attribute::kNull && !(block && PropertyBlockHolds("Size"))) choice.kind = -1;
    if (choice.kind == Attribute::kCameraSwitcher) {
        Warn(RString("Model \"") + name +
             "\": only the scene's own camera switcher has that attribute; read without one");
        choice.kind = -1;
    }
    return choice;
}

// The block's records are looked at in place in one pass, a binary record's name without making
// it current; a name compares as its C text does (up to a zero byte), as the property reading
// matches it. The pass goes from the end: the attribute's properties, which the probed one is
// among, follow the node's.
bool RWyxSceneReaderWyx6::PropertyBlockHolds(const char* property) {
    const std::string_view wanted(property);
    const BlockScope block = BlockScope::Open(file_, "Properties60");
    if (!block) return false;
    bool matched = false;
    for (int i = file_.FieldFindLastText("Property", wanted, file_.FieldGetCount(), matched); i >= 0;
         i = file_.FieldFindLastText("Property", wanted, i, matched)) {
        if (matched) return true;
        if (!file_.FieldReadBeginAt(i)) continue;
        const std::string_view name = file_.FieldReadStringView();
        file_.FieldReadEnd();
        if (RWyxFile::ReadsAsText(name, wanted)) return true;
    }
    return false;
}

RWyxNodeAttribute* RWyxSceneReaderWyx6::MakeAttribute(const AttributeChoice& choice) {
    switch (choice.kind) {
    case Attribute::kNull:
        return factory_->CreateNull();
    case Attribute::kMarker: {
        RWyxMarker* marker = factory_->CreateMarker();
        if (marker != nullptr) marker->SetType(choice.subtype);
        return marker;
    }
    case Attribute::kSkeleton: {
        RWyxSkeleton* skeleton = factory_->CreateSkeleton();
        if (skeleton != nullptr) skeleton->SetSkeletonType(choice.subtype);
        return skeleton;
    }
    case Attribute::kMesh:
        return factory_->CreateMesh();
    case Attribute::kNurb:
        return factory_->CreateNurb();
    case Attribute::kPatch:
        return factory_->CreatePatch();
    case Attribute::kCamera:
        return factory_->CreateCamera();
    case Attribute::kLight:
        return factory_->CreateLight();
    case Attribute::kOptical:
        return factory_->CreateOptical();
    default:
        return nullptr;
    }
}

void RWyxSceneReaderWyx6::ReadAttributeFields(RWyxNode& node, const RString& name) {
    if (RWyxMesh* mesh = node.GetMesh()) {
        ReadMeshAttribute(*mesh, name);
    } else if (RWyxNurb* nurb = node.GetNurb()) {
        ReadNurbAttribute(*nurb, name);
    } else if (RWyxPatch* patch = node.GetPatch()) {
        ReadPatchAttribute(*patch, name);
    } else if (RWyxCamera* camera = node.GetCamera()) {
        ReadCameraFields(*camera);
    }
}

void RWyxSceneReaderWyx6::ReadCameraFields(RWyxCamera& camera) {
    RVector4 vector;
    if (wyx_read::ReadVector3ByName(file_, "Up", vector)) camera.SetUpVector(vector);
    if (wyx_read::ReadVector3ByName(file_, "LookAt", vector)) camera.SetInterestPosition(vector);
    camera.SetShowInfoOnMoving(file_.FieldReadIntByName("ShowInfoOnMoving", camera.GetShowInfoOnMoving() ? 1 : 0) != 0);
    camera.SetShowAudio(file_.FieldReadIntByName("ShowAudio", camera.GetShowAudio() ? 1 : 0) != 0);
    if (wyx_read::ReadVector3ByName(file_, "AudioColor", vector)) camera.SetAudioColor(vector);
}
