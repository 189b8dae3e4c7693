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
    if (!CheckNodes(root, *motion, GetFormatLabel()) || !CheckWrittenNames(*root, *motion)) {
        return false;
    }
    return WriteSkeleton(*scene, *root, *motion) && FinishText();
}

bool RWyxWriterSkeleton::CheckWrittenNames(RWyxNode& root, const RStreamOptionsMotion& options) {
    RString text = RString(GetFormatLabel()) + " files cannot hold these node names:";
    const auto fault = [this, &root](RWyxNode& node) {
        const RString why = WrittenNameFault(node, root);
        return why.IsEmptyText() ? why : RString("\"") + node.GetNameWithoutPrefix() + "\" " + why;
    };
    return CollectNodeFaults(&root, fault, text) || Refuse(options, text);
}
