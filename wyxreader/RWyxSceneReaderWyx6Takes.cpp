// The Takes section of the version-6 document:
//
//   Takes { Current; Take: name { FileName; LocalTime; ReferenceTime; Comments; Thumbnail;
//     Model | GenericNode | Constraint | Texture | Material: full name { Version: 1.1;
//     Channel ... } ... } ... }
//
// Each take read becomes a take node of its name on every object that has an animation block
// in it (a copy of the object's default take node, RWyxTakeNodeContainer::AddTakeNode) and a
// take info of the scene. The channels of a block are read into the take node's channels of
// the same names (RFCurveNodeRecords, keys as written); a channel the object does not have is
// dropped. Then each channel is finished as the file readers finish their curves: one that
// carries layers is plotted into layer 0 at the plotting period (PlotNodeAnimation), and a
// plotted channel, or one a time warp applies to, is filtered by the rotation-filter mode and,
// with constant-key reduction on, rid of its constant keys (RAnimationSettings).
//
// Plotting makes keys the file does not hold: each read may plot kPlotKeyAllowance keys, and
// kPlotKeysPerKey more for every key read, so that a small file cannot make the reader fill
// memory. A channel past that keeps its layers, with a warning.

#include "attributes/RWyxCharacter.h"
#include "curves/LayerPlotting.h"
#include "curves/RAnimationSettings.h"
#include "curves/RFCurveFilterConstantKeyReducer.h"
#include "curves/RFCurveNode.h"
#include "curves/RFCurveNodeRecords.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/RWyxTakeInfoReader.h"
#include "wyxreader/RWyxTimeWarpList.h"
#include "wyxreader/WyxFieldReading.h"

#include <algorithm>

using wyx_read::BlockScope;

namespace {

bool Contains(const std::vector<RString>& names, const RString& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

void RWyxSceneReaderWyx6::ReadTakesSection() {
    const BlockScope block = OpenMainBlock("Takes");
    if (!block) return;
    if (file_.FieldReadBegin("Current")) {
        hasMainCurrent_ = file_.FieldReadValuesLeft() > 0;
        mainCurrent_ = file_.FieldReadString();
        file_.FieldReadEnd();
    }
    // The curve records resolve time-warp ids through the read's own list.
    RWyxTimeWarpList timeWarps;
    const RWyxTimeWarpList::Installed installed(timeWarps);
    BeginTakes();
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        if (file_.FieldGetName(i) != "Take" || !file_.FieldReadBeginAt(i)) continue;
        ReadTake();
        file_.FieldReadEnd();
    }
}


void RWyxSceneReaderWyx6::ReadTake() {
    RWyxTakeInfo info;
    info.name = file_.FieldReadString();
    info.importName = info.name;
    const RString label = RString("Take \"") + info.name + "\"";
    if (Contains(fileTakes_, info.name)) {
        Warn(label + ": a second take of this name was skipped");
        return;
    }
    fileTakes_.push_back(info.name);
    if (!IsTakeSelected(info.name)) return;
    if (info.name == RWyxTakeNodeContainer::kDefaultTakeName) {
        Warn(label + ": the default take is every object's own; the block was skipped");
        return;
    }
    const BlockScope block = BlockScope::Enter(file_);
    if (!block) return;
    RWyxTakeInfoReader(file_, factory_, warnings_).ReadTakeInfoFields(info);
    int animated = 0;
    for (int i = 0; i < file_.FieldGetCount(); ++i) {
        const RString heading = file_.FieldGetName(i);
        if (heading != "Model" && heading != "GenericNode" && heading != "Constraint" && heading != "Texture" &&
            heading != "Material") {
            continue;
        }
        if (!file_.FieldReadBeginAt(i)) continue;
        if (ReadObjectAnimation(heading, info.name)) ++animated;
        file_.FieldReadEnd();
    }
    if (animated == 0 || !scene_.SetTakeInfo(info)) {
        Warn(label + ": no object of the scene is animated in it; the take was dropped");
        return;
    }
    readTakes_.push_back(info.name);
}

bool RWyxSceneReaderWyx6::ReadObjectAnimation(const RString& heading, const RString& take) {
    static const std::pair<const char*, Kind> kHeadings[] = {{"Model", Kind::kModel},
                                                             {"GenericNode", Kind::kGenericNode},
                                                             {"Constraint", Kind::kCharacter},
                                                             {"Texture", Kind::kTexture},
                                                             {"Material", Kind::kMaterial}};
    const RString name = file_.FieldReadString();
    const RString label = RString("Take \"") + take + "\", " + heading + " \"" + name + "\"";
    const FileObject* object = Find(name);
    const bool known = object != nullptr && object->properties != scene_.GetRootNode()->GetProperties() &&
                       std::any_of(std::begin(kHeadings), std::end(kHeadings), [&](const auto& entry) {
                           return heading == entry.first && object->kind == entry.second;
                       });
    if (!known) {
        Warn(label + ": no record defines this object; its animation was dropped");
        return false;
    }
    RWyxTakeNode* takeNode = object->object->AddTakeNode(take.Buffer());
    if (takeNode == nullptr) {
        Warn(label + ": a second block for this object was dropped");
        return false;
    }
    const BlockScope block = BlockScope::Enter(file_);
    RFCurveNode* root = takeNode->GetRootCurveNode();
    if (!block || root == nullptr) return true;
    const int channels = wyx_read::CountFields(file_, "Channel");
    int read = 0;
    while (RFCurveNodeRecords::ReadChannel(file_, root, false, false, true) != nullptr) ++read;
    if (read < channels) {
        Warn(label + ": " + RString(channels - read) + " channels for properties it does not have were dropped");
    }
    FinishTakeChannels(*root, label);
    return true;
}



void RWyxSceneReaderWyx6::SelectCurrentTake() {
    if (readTakes_.empty()) return;
    const RString& current = hasMainCurrent_ ? mainCurrent_ : summaryCurrent_;
    if (Contains(readTakes_, current) || !Contains(fileTakes_, current)) {
        scene_.SetCurrentTake(current.Buffer());
    } else {
        scene_.SetCurrentTake(readTakes_.front().Buffer());
    }
}
