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

std::vector<RWyxNode*> RWyxWriterBrd::CollectMarkers(RWyxNode* root) {
    std::vector<RWyxNode*> markers;
    std::vector<RWyxNode*> pending{root};
    while (!pending.empty()) {
        RWyxNode* node = pending.back();
        pending.pop_back();
        if (node->IsMarked(false) && node->GetOptical() == nullptr) {
            markers.push_back(node);
        }
        for (int i = node->GetChildCount() - 1; i >= 0; --i) {
            pending.push_back(node->GetChild(i));
        }
    }
    return markers;
}

bool RWyxWriterBrd::Write(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr) {
        return false;
    }
    if (scene == nullptr || scene->GetRootNode() == nullptr) {
        SetError(kErrorUnidentified, "No scene to write");
        return false;
    }
    const int count = motion->GetFrameCount();
    const RTime start = motion->GetStartTime();
    const RTime period = motion->GetFramePeriod();
    // An unset option (-1) writes gaps as data.
    const bool skipOccluded = motion->GetOption(kMotionExportGapsAsValidData) == 0;
    RWyxNode* root = motion->GetOption(kMotionExportFromGlobalPosition) == 1 ? nullptr : FindExportRoot(scene);
    if (root == nullptr) {
        root = scene->GetRootNode();
    }
    const std::vector<RWyxNode*> markers = CollectMarkers(root);
    RBrdFile& file = static_cast<RBrdFile&>(*GetFormatFile());
    for (int k = 0; k < count; ++k) {
        if (k % 64 == 0) {
            motion->ReportProgress(0, "Writing BRD animation frames",
                                   static_cast<float>(static_cast<std::int64_t>(k) * 100 / count));
        }
        const RTime time = start + period * k;
        // The export root is the origin; its subtree is evaluated afresh at every frame.
        root->EvaluateLocalMatrix(time, true);
        root->SetEvaluationId(0, true);
        root->SetGlobalMatrix(RMatrix());
        root->SetEvaluationId(k + 1, false);
        for (std::size_t m = 0; m < markers.size(); ++m) {
            RWyxNode& node = *markers[m];
            if (skipOccluded && IsOccludedAt(node, time)) {
                continue;
            }
            node.EvaluateGlobalMatrix(k + 1, false);
            const RMatrix& global = node.GetGlobalMatrix();
            file.WriteRow(k, static_cast<int>(m), global.GetTranslation(), global.GetQuaternion(), time);
        }
    }
    return FinishText();
}
