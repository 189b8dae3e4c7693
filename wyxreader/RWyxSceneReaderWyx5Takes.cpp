// The Takes block of a version-5 file:
//
//   Takes { Current; Take: name { FileName; LocalTime; ReferenceTime; Comments; Thumbnail;
//     Model | Texture | Material: full name { Version: 1.1; Channel ... } ... } ... }
//
// Each take read becomes a take node of its name on every object with an animation record in
// it (a copy of the object's default take node) and a take info of the scene. "Model::Camera
// Switcher" is the scene's own camera switcher unless a model has that name. A geometry's shape
// channels are found under their "Shape %02d" names; a material's shininess channel holds the
// record's scale (the accessor's value x 100) and is brought back to the stored exponent, each
// key and default the float the writer turns back into the file's value. The channels are then
// finished as the version-6 reader finishes them.

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxTexture.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "wyxreader/RWyxSceneReaderWyx5.h"
#include "wyxreader/WyxFieldReading.h"

#include <cmath>

using wyx_read::BlockScope;

namespace {

constexpr double kShininessRecordScale = 100.0;

std::string Key(const RString& name) { return std::string(name.Buffer(), static_cast<std::size_t>(name.GetLength())); }

float RecordOf(float stored) {
    return static_cast<float>(RWyxMaterial::ShininessFromStored(stored) * kShininessRecordScale);
}

// The stored float the writer turns into the record's value, when one lies near.
float StoredOf(float record) {
    const float guess = static_cast<float>(record / kShininessRecordScale * RWyxMaterial::kShininessScale);
    float below = guess;
    float above = guess;
    for (int step = 0; step <= 2; ++step) {
        if (RecordOf(below) == record) return below;
        if (RecordOf(above) == record) return above;
        below = std::nextafter(below, -HUGE_VALF);
        above = std::nextafter(above, HUGE_VALF);
    }
    return guess;
}

// A shininess channel read in the record's scale, back in the stored one; the slopes follow
// the scale of the values.
void StoreShininess(RFCurveNode& root) {
    const int index = root.GetChildIndexByName("Shininess");
    RFCurve* curve = index >= 0 ? root.GetChild(index)->GetCurve() : nullptr;
    if (curve == nullptr) return;
    std::vector<float> records;
    for (int k = 0; k < curve->GetKeyCount(); ++k) records.push_back(curve->GetKey(k).GetValue());
    const float defaultValue = curve->GetDefaultValue();
    curve->ScaleValues(false, static_cast<float>(RWyxMaterial::kShininessScale / kShininessRecordScale));
    curve->SetDefaultValue(StoredOf(defaultValue));
    for (int k = 0; k < curve->GetKeyCount(); ++k) curve->GetKey(k).SetValue(StoredOf(records[static_cast<std::size_t>(k)]));
    curve->ResetCache();
}

}  // namespace

void RWyxSceneReaderWyx5::ReadTakes() {
    const BlockScope block = BlockScope::Open(file_, "Takes");
    if (block) ReadTakeBlocks();
}

bool RWyxSceneReaderWyx5::IsAnimatedHeading(const RString& heading) const {
    return heading == "Model" || heading == "Texture" || heading == "Material";
}

RWyxTakeNodeContainer* RWyxSceneReaderWyx5::FindAnimated(const RString& heading, const RString& name) {
    if (heading == "Model") {
        RWyxNode* node = FindModel(name);
        if (node == nullptr && name == RString("Model::") + RWyxScene::kCameraSwitcherName) node = scene_.GetCameraSwitcherNode();
        return node;
    }
    if (heading == "Texture") {
        const auto found = textures_.find(Key(name));
        return found != textures_.end() ? found->second : nullptr;
    }
    const auto found = materials_.find(Key(name));
    return found != materials_.end() ? found->second : nullptr;
}

bool RWyxSceneReaderWyx5::ReadObjectAnimation(const RString& heading, const RString& take) {
    const RString name = file_.FieldReadString();
    const RString label = RString("Take \"") + take + "\", " + heading + " \"" + name + "\"";
    RWyxTakeNodeContainer* object = FindAnimated(heading, name);
    if (object == nullptr) {
        Warn(label + ": no record defines this object; its animation was dropped");
        return false;
    }
    RWyxTakeNode* takeNode = AddTakeNode(*object, take, label);
    if (takeNode == nullptr) return false;
    const BlockScope block = BlockScope::Enter(file_);
    RFCurveNode* root = takeNode->GetRootCurveNode();
    if (!block || root == nullptr) return true;
    RWyxGeometry* geometry = heading == "Model" ? static_cast<RWyxNode*>(object)->GetGeometry() : nullptr;
    if (geometry != nullptr) geometry->PrepareShapeChannels(*takeNode);
    ReadTakeChannels(*root, label);
    if (geometry != nullptr) {
        geometry->RestoreShapeChannels(*takeNode);
        geometry->ClearShapeChannelRecords();
    }
    if (heading == "Material") StoreShininess(*root);
    FinishTakeChannels(*root, label);
    return true;
}
