#include "formats/motion/RWyxWriterSkeleton.h"

#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"

bool RWyxWriterSkeleton::Write(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    RWyxNode* root = FindExportRoot(scene);
    if (root == nullptr) {
        SetError(kErrorNotCreated, "Can not find root node.");
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr) {
        return false;
    }
    const RString label = GetFormatLabel();
    RString names = RString("Spaces are not allowed in ") + label + " node names:";
    if (!CheckNodeNames(root, names)) {
        ShowError(*motion, names, "OK");
        SetError(kErrorUnidentified, names);
        return false;
    }
    if (NodeTreeDepth(root, kMaxSkeletonDepth) > kMaxSkeletonDepth) {
        const RString text = RString("The skeleton is deeper than ") + kMaxSkeletonDepth + " levels";
        ShowError(*motion, text, "OK");
        SetError(kErrorUnidentified, text);
        return false;
    }
    return WriteSkeleton(*scene, *root, *motion) && FinishText();
}
