#include "formats/motion/RWyxWriterSkeleton.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"

bool RWyxWriterSkeleton::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    RWyxNode* root = FindSingleRoot(scene);
    if (root == nullptr) {
        SetError(kErrorNotCreated, "Can not find root node.");
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr) {
        return false;
    }
    if (!CheckNodes(root, *motion, GetFormatLabel())) {
        return false;
    }
    return WriteSkeleton(*scene, *root, *motion) && FinishText();
}
