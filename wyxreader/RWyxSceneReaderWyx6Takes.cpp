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
#include "curves/RFCurveNode.h"
#include "fileio/RWyxFile.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "scene/RWyxTakeNodeContainer.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/WyxFieldReading.h"

#include <algorithm>

using wyx_read::BlockScope;

void RWyxSceneReaderWyx6::ReadTakesSection() {
    const BlockScope block = OpenMainBlock("Takes");
    if (block) ReadTakeBlocks();
}

bool RWyxSceneReaderWyx6::IsAnimatedHeading(const RString& heading) const {
    return heading == "Model" || heading == "GenericNode" || heading == "Constraint" || heading == "Texture" ||
           heading == "Material";
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
    RWyxTakeNode* takeNode = AddTakeNode(*object->object, take, label);
    if (takeNode == nullptr) return false;
    const BlockScope block = BlockScope::Enter(file_);
    RFCurveNode* root = takeNode->GetRootCurveNode();
    if (!block || root == nullptr) return true;
    ReadTakeChannels(*root, label);
    FinishTakeChannels(*root, label);
    return true;
}
