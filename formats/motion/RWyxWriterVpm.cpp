#include "formats/motion/RWyxWriterVpm.h"

#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include <new>
#include <vector>

namespace {

struct Pose {
    RVector4 translation;
    RVector4 rotation;
};

bool AllocatePoses(std::vector<Pose>& poses, std::int64_t records) {
    if (records > RWyxWriterVpm::kMaxBufferRecords) {
        return false;
    }
    try {
        poses.resize(static_cast<std::size_t>(records));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

RStreamOptionsPtr RWyxWriterVpm::GetWriteOptions() {
    return RStreamOptionsPtr(RStreamOptionsMotion::CreateWith({{kMotionExportFromGlobalPosition, 0}}));
}

bool RWyxWriterVpm::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginWrite(scene, options);
    if (motion == nullptr) {
        return false;
    }
    RWyxNode* root = FindEvaluationRoot(*scene, *motion);
    std::vector<RWyxNode*> nodes;
    std::vector<RString> names;
    const auto asRead = [](const RString& name, int /*index*/) { return RVpmFile::SegmentName(name); };
    if (!CollectNamedMarkers(root, *motion, "VPM", asRead, nodes, names) ||
        !CheckFrameDefaults(*root, nodes, *motion, "VPM")) {
        return false;
    }
    const int frames = motion->GetFrameCount();
    const RTime start = motion->GetStartTime();
    const RTime period = motion->GetFramePeriod();
    const std::int64_t records = static_cast<std::int64_t>(frames) * static_cast<std::int64_t>(nodes.size());
    std::vector<Pose> poses;
    if (!AllocatePoses(poses, records)) {
        return Refuse(*motion, "Not enough memory to allocate animation buffer.");
    }
    const std::size_t count = nodes.size();
    for (int f = 0; f < frames; ++f) {
        motion->ReportProgress(0, "Computing VPM animation frames", static_cast<float>(static_cast<std::int64_t>(f) * 50 / frames));
        const RTime time = start + period * f;
        EvaluateFrame(root, time, f + 1);
        for (std::size_t j = 0; j < count; ++j) {
            nodes[j]->EvaluateGlobalMatrix(f + 1, false);
            const RMatrix& global = nodes[j]->GetGlobalMatrix();
            if (!CheckFrameHeld(IsHeld(global, kTranslationPart | kRotationPart), *nodes[j], *root, time, *motion,
                                "VPM")) {
                return false;
            }
            poses[static_cast<std::size_t>(f) * count + j] = Pose{global.GetTranslation(), global.GetRotation()};
        }
    }
    RVpmFile& file = static_cast<RVpmFile&>(*GetFormatFile());
    const double unitScaling[3] = {1.0, 1.0, 1.0};
    for (std::size_t j = 0; j < count; ++j) {
        motion->ReportProgress(0, "Writing VPM nodes", static_cast<float>(50 + j * 50 / count));
        file.WriteSegmentHeader(names[j].Buffer(), frames, period.ToSeconds());
        file.WriteChannelHeader();
        for (int f = 0; f < frames; ++f) {
            const Pose& pose = poses[static_cast<std::size_t>(f) * count + j];
            const double translation[3] = {pose.translation.x, pose.translation.y, pose.translation.z};
            const double rotation[3] = {pose.rotation.x, pose.rotation.y, pose.rotation.z};
            file.WriteFrameLine(translation, rotation, unitScaling);
        }
    }
    return FinishText();
}
