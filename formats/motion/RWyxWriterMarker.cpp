#include "formats/motion/RWyxWriterMarker.h"

#include "curves/RFCurve.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cstdint>

namespace {

constexpr double kOccludedAbove = 0.5;

// The node's occlusion curve in its current take; null without one.
RFCurve* FindOcclusionCurve(RWyxNode& node) {
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    return take != nullptr ? take->GetOcclusionCurve() : nullptr;
}

bool IsGapAt(const RFCurve* occlusion, RTime time) {
    return occlusion != nullptr && occlusion->EvaluateAt(time) > kOccludedAbove;
}

}  // namespace

RWyxWriterMarker::RWyxWriterMarker(RWyxObjectFactory* factory, RWyxIO* owner, const char* displayName,
                                   const char* label)
    : RWyxWriterMotion(factory, owner), displayName_(displayName), label_(label) {}

// The base's destructor no longer reaches this class's target: it is dropped here.
RWyxWriterMarker::~RWyxWriterMarker() { AbandonTarget(); }

bool RWyxWriterMarker::CreateTarget(const char* path) {
    std::unique_ptr<RMarkerFile> file = CreateMarkerFile();
    if (file->Open(path, "w") != 0) {
        return false;
    }
    file_ = std::move(file);
    return true;
}

bool RWyxWriterMarker::CloseTarget() {
    const bool closed = file_ != nullptr && file_->Close() == 0;
    if (!closed && file_ != nullptr) {
        FailTargetWrite(file_->GetWriteFailure());
    }
    file_.reset();
    return closed;
}

void RWyxWriterMarker::AbandonTarget() {
    if (file_ != nullptr) {
        file_->Abandon();
        file_.reset();
    }
}

RStreamOptionsPtr RWyxWriterMarker::GetWriteOptions() {
    RStreamOptionsMotion* options = RStreamOptionsMotion::Create();
    SetDefaultOptions(*options);
    return RStreamOptionsPtr(options);
}

bool RWyxWriterMarker::RefuseFromFile(const RStreamOptionsMotion& options) {
    if (file_->GetWriteFailure().HasFailed()) {
        return FailTargetWrite(file_->GetWriteFailure());
    }
    const std::string reason = file_->GetLastErrorText();
    return Refuse(options, reason.empty() ? RString("The file could not be written") : RString(reason.c_str()));
}

bool RWyxWriterMarker::WriteFrames(RWyxNode* root, const std::vector<RWyxNode*>& nodes,
                                   const RStreamOptionsMotion& options) {
    const int count = options.GetFrameCount();
    const RTime period = options.GetFramePeriod();
    const bool gapsAsData = options.GetOption(kMotionExportGapsAsValidData) == 1;
    std::vector<RVector4> positions(nodes.size());
    // Looked up once: the curve lookup walks the take's channel tree by name, and the frames
    // do not change the takes.
    std::vector<RFCurve*> occlusion(nodes.size(), nullptr);
    for (std::size_t i = 0; i < nodes.size() && !gapsAsData; ++i) {
        occlusion[i] = FindOcclusionCurve(*nodes[i]);
    }
    RTime time = options.GetStartTime();
    for (int n = 1; n <= count; ++n, time = time + period) {
        options.ReportProgress(0, "Writing animation frames", static_cast<float>(static_cast<std::int64_t>(n) * 100 / count));
        EvaluateFrame(root, time, n);
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            nodes[i]->EvaluateGlobalMatrix(n, false);
            const RMatrix& global = nodes[i]->GetGlobalMatrix();
            if (!CheckFrameHeld(IsHeld(global, kTranslationPart), *nodes[i], *root, time, options, label_)) {
                return false;
            }
            positions[i] = global.GetTranslation();
            positions[i].w = IsGapAt(occlusion[i], time) ? 1.0 : 0.0;
        }
        if (!file_->WriteFrame(positions.data(), static_cast<int>(nodes.size()), time, n)) {
            return RefuseFromFile(options);
        }
    }
    return true;
}

bool RWyxWriterMarker::WriteToTarget(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginWrite(scene, options);
    if (motion == nullptr) {
        return false;
    }
    RWyxNode* root = FindEvaluationRoot(*scene, *motion);
    std::vector<RWyxNode*> nodes;
    std::vector<RString> names;
    const auto asRead = [this](const RString& name, int index) { return file_->NameAsRead(name, index); };
    if (!CollectNamedMarkers(root, *motion, label_, asRead, nodes, names) ||
        !CheckFrameDefaults(*root, nodes, *motion, label_)) {
        return false;
    }
    const double scale = motion->GetOption(kMotionExportC3DRealFormat) == 1 ? -1.0 : 1.0;
    if (!file_->WriteHeader(static_cast<int>(nodes.size()), motion->GetStartTime(), motion->GetFrameCount(),
                            motion->GetFrameRate(), scale) ||
        !file_->WriteNames(names)) {
        return RefuseFromFile(*motion);
    }
    if (!WriteFrames(root, nodes, *motion)) {
        return false;
    }
    return file_->Finish() || FailTargetWrite(file_->GetWriteFailure());
}
