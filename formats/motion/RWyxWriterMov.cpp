#include "formats/motion/RWyxWriterMov.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <cstdint>
#include <vector>

RStreamOptionsPtr RWyxWriterMov::GetWriteOptions() {
    return RStreamOptionsPtr(RStreamOptionsMotion::CreateWith(
        {{kMotionTranslation, 1}, {kMotionRotation, 1}, {kMotionScaling, 1}, {kMotionExportFromGlobalPosition, 0}}));
}

bool RWyxWriterMov::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginWrite(scene, options);
    if (motion == nullptr) {
        return false;
    }
    const bool groups[3] = {motion->GetOption(kMotionTranslation) == 1, motion->GetOption(kMotionRotation) == 1,
                            motion->GetOption(kMotionScaling) == 1};
    if (!groups[0] && !groups[1] && !groups[2]) {
        SetError(kErrorNotCreated, "No animation to export.");
        return false;
    }
    RWyxNode* root = FindEvaluationRoot(*scene, *motion);
    const std::vector<RWyxNode*> nodes = CollectMarkers(root);
    if (!CheckFrameDefaults(*root, nodes, *motion, "MOV")) {
        return false;
    }
    RMotionTextFile& file = *GetFormatFile();
    // The rotation rows carry the scaling too.
    const int parts = (groups[0] ? kTranslationPart : 0) | (groups[1] || groups[2] ? kRotationPart : 0);
    const int frames = motion->GetFrameCount();
    for (int f = 0; f < frames; ++f) {
        if (f % 64 == 0) {
            motion->ReportProgress(0, "Writing MOV animation frames",
                                   static_cast<float>(static_cast<std::int64_t>(f) * 100 / frames));
        }
        const RTime time = motion->GetStartTime() + motion->GetFramePeriod() * f;
        EvaluateFrame(root, time, f + 1);
        file.Print(0, "%g\t", time.ToSeconds());
        for (RWyxNode* node : nodes) {
            node->EvaluateGlobalMatrix(f + 1, false);
            const RMatrix& global = node->GetGlobalMatrix();
            const RVector4 vectors[3] = {global.GetTranslation(), global.GetRotation(), global.GetScaling()};
            double values[9];
            int count = 0;
            for (int group = 0; group < 3; ++group) {
                for (int axis = 0; axis < 3 && groups[group]; ++axis) {
                    values[count++] = *vectors[group].Component(axis);
                }
            }
            if (!CheckFrameHeld(IsHeld(global, parts) && IsHeld(values, count), *node, *root, time, *motion, "MOV")) {
                return false;
            }
            for (int v = 0; v < count; v += 3) {
                file.Print(0, "%g\t%g\t%g\t", values[v], values[v + 1], values[v + 2]);
            }
        }
        file.Print(0, "\n");
    }
    return FinishText();
}
