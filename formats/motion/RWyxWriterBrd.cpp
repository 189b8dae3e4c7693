#include "formats/motion/RWyxWriterBrd.h"

#include "curves/RFCurve.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cstdint>

namespace {

constexpr double kOccluded = 0.5;

bool IsOccludedAt(RWyxNode& node, RTime time) {
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    RFCurve* occlusion = take != nullptr ? take->GetOcclusionCurve() : nullptr;
    return occlusion != nullptr && occlusion->EvaluateAt(time) >= kOccluded;
}

}  // namespace

RStreamOptionsPtr RWyxWriterBrd::GetWriteOptions() {
    return RStreamOptionsPtr(
        RStreamOptionsMotion::CreateWith({{kMotionExportGapsAsValidData, 1}, {kMotionExportFromGlobalPosition, 0}}));
}

bool RWyxWriterBrd::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginWrite(scene, options);
    if (motion == nullptr) {
        return false;
    }
    const int count = motion->GetFrameCount();
    const RTime start = motion->GetStartTime();
    const RTime period = motion->GetFramePeriod();
    // An unset option (-1) writes gaps as data.
    const bool skipOccluded = motion->GetOption(kMotionExportGapsAsValidData) == 0;
    RWyxNode* root = FindEvaluationRoot(*scene, *motion);
    const std::vector<RWyxNode*> markers = CollectMarkers(root);
    if (!CheckFrameDefaults(*root, markers, *motion, "BRD")) {
        return false;
    }
    RBrdFile& file = static_cast<RBrdFile&>(*GetFormatFile());
    for (int k = 0; k < count; ++k) {
        if (k % 64 == 0) {
            motion->ReportProgress(0, "Writing BRD animation frames",
                                   static_cast<float>(static_cast<std::int64_t>(k) * 100 / count));
        }
        const RTime time = start + period * k;
        EvaluateFrame(root, time, k + 1);
        for (std::size_t m = 0; m < markers.size(); ++m) {
            RWyxNode& node = *markers[m];
            if (skipOccluded && IsOccludedAt(node, time)) {
                continue;
            }
            node.EvaluateGlobalMatrix(k + 1, false);
            const RMatrix& global = node.GetGlobalMatrix();
            if (!CheckFrameHeld(IsHeld(global, kTranslationPart | kRotationPart), node, *root, time, *motion, "BRD")) {
                return false;
            }
            file.WriteRow(k, static_cast<int>(m), global.GetTranslation(), global.GetQuaternion(), time);
        }
    }
    return FinishText();
}
