#include "formats/motion/RWyxWriterAmc.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxAsfScene.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "scene/RWyxNode.h"

#include <climits>
#include <cmath>
#include <cstdint>

RStreamOptionsPtr RWyxWriterAmc::GetWriteOptions() { return RWyxWriterAsf::NewWriteOptions(); }

bool RWyxWriterAmc::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    RWyxNode* root = FindSingleRoot(scene);
    if (root == nullptr) {
        SetError(kErrorNotCreated, "Scene must have a single root node.");
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr) {
        return false;
    }
    RWyxAsfScene* found = RWyxAsfScene::FromOptions(*motion);
    if (found == nullptr) {
        SetError(kErrorOptionsNotSet, "Stream options not set: write the ASF skeleton first");
        return false;
    }
    RWyxAsfScene& skeleton = *found;
    if (!skeleton.BindToNodes(root)) {
        SetError(kErrorUnidentified, "The skeleton could not be bound to the nodes");
        return false;
    }
    const int count = motion->GetFrameCount();
    const RTime period = motion->GetFramePeriod();
    const double first = std::round(motion->GetStartTime().ToSeconds() * motion->GetFrameRate());
    if (!(std::fabs(first) <= INT_MAX) || first + count - 1 > INT_MAX) {
        SetError(kErrorUnidentified, "The frame range lies beyond the frame numbers");
        return false;
    }
    RWyxNode* parent = motion->GetOption(kMotionExportFromGlobalPosition) == 1 ? root->GetParent() : nullptr;
    RAmcFile& file = static_cast<RAmcFile&>(*GetFormatFile());
    file.WriteHeader(motion->GetOption(kMotionExportFrameRate) != 0, motion->GetFrameRate(),
                     motion->GetOption(kMotionExportFrameRange) != 0, static_cast<int>(first),
                     static_cast<int>(first) + count - 1);
    RTime time = motion->GetStartTime();
    for (int i = 1; i <= count; ++i) {
        motion->ReportProgress(0, "Writing AMC animation frames", static_cast<float>(i * 100.0 / count));
        if (parent != nullptr) {
            const RMatrix parentMatrix = parent->GetGlobalMatrixAt(time);
            file.WriteFrame(skeleton, time, i, &parentMatrix);
        } else {
            file.WriteFrame(skeleton, time, i, nullptr);
        }
        time = time + period;
    }
    return FinishText();
}
