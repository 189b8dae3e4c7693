#include "formats/motion/RWyxWriterSkeleton.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"

#include <vector>

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
    const auto taken = [this, root](RWyxNode& node, int channel) { return IsDefaultTaken(node, *root, channel); };
    if (!CheckNodes(root, *motion, GetFormatLabel()) || !CheckWrittenNames(*root, *motion) ||
        !CheckDefaults(*root, taken, *motion, GetFormatLabel())) {
        return false;
    }
    return WriteSkeleton(*scene, *root, *motion) && FinishText();
}

bool RWyxWriterSkeleton::CheckWrittenNames(RWyxNode& root, const RStreamOptionsMotion& options) {
    RString text = RString(GetFormatLabel()) + " files cannot hold these node names:";
    std::vector<WrittenName> written;
    const auto fault = [this, &root, &written](RWyxNode& node) {
        if (!IsNameWritten(node, root)) {
            return RString("");
        }
        const RString name = node.GetNameWithoutPrefix();
        written.push_back(WrittenName{name, name});
        const RString why = NameFault(name);
        return why.IsEmptyText() ? why : QuotedName(name) + " " + why;
    };
    return (CollectNodeFaults(&root, fault, text) || Refuse(options, text)) &&
           RefuseSharedNames(written, options, GetFormatLabel());
}
