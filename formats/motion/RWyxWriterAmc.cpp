#include "formats/motion/RWyxWriterAmc.h"

#include "core/PreOrderWalk.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RAsfBone.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RWyxAsfScene.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "scene/RWyxNode.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

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
    // The bones whose channels give values: each shown by its node's name (the root bone's is
    // the export root's).
    std::vector<std::pair<const RAsfBone*, RString>> moving;
    VisitPreOrder(static_cast<const RAsfBone*>(skeleton.GetRoot()), [&moving, root](const RAsfBone& bone) {
        if (bone.dofCount > 0) {
            moving.emplace_back(&bone, bone.parent == nullptr ? root->GetNameWithoutPrefix() : RString(bone.GetName()));
        }
    });
    RAmcFile& file = static_cast<RAmcFile&>(*GetFormatFile());
    file.WriteHeader(motion->GetOption(kMotionExportFrameRate) != 0, motion->GetFrameRate(),
                     motion->GetOption(kMotionExportFrameRange) != 0, static_cast<int>(first),
                     static_cast<int>(first) + count - 1);
    RTime time = motion->GetStartTime();
    for (int i = 1; i <= count; ++i) {
        motion->ReportProgress(0, "Writing AMC animation frames", static_cast<float>(i * 100.0 / count));
        for (const auto& [bone, name] : moving) {
            double value = 0.0;
            const int channel = FindNonFiniteChannel(bone->takeCurveNodes, &time, value);
            if (channel >= 0) {
                return RefuseNonFinite(name, channel, value, &time, *motion, "AMC");
            }
        }
        const RMatrix parentMatrix = parent != nullptr ? parent->GetGlobalMatrixAt(time) : RMatrix();
        if (parent != nullptr && !CheckHeld(IsHeld(parentMatrix, kTranslationPart | kRotationPart), *parent, nullptr,
                                            &time, *motion, "AMC")) {
            return false;
        }
        const RAsfBone* beyond = file.WriteFrame(skeleton, time, i, parent != nullptr ? &parentMatrix : nullptr);
        if (beyond != nullptr) {
            const auto shown = std::find_if(moving.begin(), moving.end(),
                                            [beyond](const auto& bone) { return bone.first == beyond; });
            const RString name = shown != moving.end() ? shown->second : RString(beyond->GetName());
            return RefuseBeyond(name, &time, *motion, "AMC");
        }
        time = time + period;
    }
    return FinishText();
}
