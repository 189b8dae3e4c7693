#include "formats/motion/RWyxReaderBrd.h"

#include "attributes/RWyxMarker.h"
#include "attributes/RWyxOptical.h"
#include "core/EulerAngles.h"
#include "core/RQuaternion.h"
#include "core/RTimeMode.h"
#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <climits>
#include <cmath>
#include <string>

void RWyxReaderBrd::OnClose() {
    scanned_ = false;
    markers_.clear();
    markerOrder_.clear();
    frameCount_ = 0;
}

const RBrdMarker* RWyxReaderBrd::GetMarker(int index) const {
    return index >= 0 && index < GetMarkerCount() ? markerOrder_[static_cast<std::size_t>(index)] : nullptr;
}

void RWyxReaderBrd::AddSample(int markerId, const RBrdSample& sample) {
    markers_.try_emplace(markerId, markerId).first->second.AddSample(sample);
}

bool RWyxReaderBrd::CheckSpan(std::int64_t rows) {
    RMotionTextFile& file = *GetFormatFile();
    if (rows == 0) {
        frameCount_ = 0;
        frameRate_ = FramesPerSecond(0);
        return true;
    }
    // The frames are 32-bit: their difference is taken in 64 bits.
    const std::int64_t span = static_cast<std::int64_t>(lastFrame_) - firstFrame_ + 1;
    const std::int64_t keys = span * static_cast<std::int64_t>(markers_.size());
    if (span > INT_MAX || keys > kKeysPerRow * rows) {
        file.Error("Frames %d to %d of %d markers need more keys than the %lld rows justify", firstFrame_, lastFrame_,
                   static_cast<int>(markers_.size()), static_cast<long long>(rows));
        return false;
    }
    frameCount_ = static_cast<int>(span);
    const double duration = (lastTime_ - firstTime_).ToSeconds();
    frameRate_ = duration != 0.0 && frameCount_ > 1 ? (frameCount_ - 1) / duration : FramesPerSecond(0);
    if (!std::isfinite(frameRate_) || frameRate_ <= 0.0 || frameRate_ > RStreamOptionsMotion::kMaxFrameRate) {
        file.Error("The rows' times give %g frames per second", frameRate_);
        return false;
    }
    return true;
}

bool RWyxReaderBrd::Scan() {
    if (scanned_) {
        return true;
    }
    if (!CheckOpen()) {
        return false;
    }
    markers_.clear();
    markerOrder_.clear();
    RBrdFile& file = static_cast<RBrdFile&>(*GetFormatFile());
    RBrdSample sample;
    int markerId = 0;
    std::int64_t rows = 0;
    for (bool rewind = true; file.ReadRow(sample, markerId, rewind); rewind = false) {
        AddSample(markerId, sample);
        if (rows == 0 || sample.frame < firstFrame_) {
            firstFrame_ = sample.frame;
            firstTime_ = sample.time;
        }
        if (rows == 0 || sample.frame > lastFrame_) {
            lastFrame_ = sample.frame;
            lastTime_ = sample.time;
        }
        ++rows;
    }
    if (!file.IsAtEnd() || file.HasReadFailed() || !CheckSpan(rows)) {
        markers_.clear();
        return false;
    }
    for (auto& [id, marker] : markers_) {
        marker.Sort();
        markerOrder_.push_back(&marker);
    }
    scanned_ = true;
    return true;
}

RStreamOptionsPtr RWyxReaderBrd::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    if (!Scan()) {
        SetCorrupted();
        return nullptr;
    }
    RStreamOptionsMotion* options = RStreamOptionsMotion::CreateWith(
        {{kMotionImportAsOpticalSegments, 0}, {kMotionImportSetOccludedToLastValidPosition, 1}});
    options->SetStartTime(firstTime_);
    options->SetFrameCount(frameCount_);
    options->SetFrameRate(0, frameRate_);
    return RStreamOptionsPtr(options);
}

std::vector<RWyxNode*> RWyxReaderBrd::CreateMarkerNodes(const char* takeName) {
    std::vector<RWyxNode*> nodes;
    for (const RBrdMarker* marker : markerOrder_) {
        RWyxNode* node = CreateMarkerNode(("Marker" + std::to_string(marker->GetId())).c_str(), takeName);
        if (node == nullptr) {
            return {};
        }
        nodes.push_back(node);
    }
    return nodes;
}

bool RWyxReaderBrd::FillAnimation(const RStreamOptionsMotion& options, const std::vector<RWyxNode*>& nodes,
                                  const char* takeName) {
    const RTime start = options.GetStartTime();
    const RTime period = options.GetFramePeriod();
    const int count = options.GetFrameCount();
    const bool lastValidMode = options.GetOption(kMotionImportSetOccludedToLastValidPosition) == 1;
    double angles[3] = {0.0, 0.0, 0.0};
    for (std::size_t m = 0; m < nodes.size(); ++m) {
        options.ReportProgress(0, "Loading BRD animation frames in nodes",
                               static_cast<float>(m * 100 / nodes.size()));
        RWyxNode* node = nodes[m];
        // The take was added when the node was made.
        node->SetCurrentTakeNodeByName(takeName);
        RWyxTakeNode* take = node->GetCurrentTakeNode();
        if (take == nullptr) {
            return false;
        }
        RFCurve* curves[7] = {take->GetTranslationXCurve(), take->GetTranslationYCurve(), take->GetTranslationZCurve(),
                              take->GetRotationXCurve(),    take->GetRotationYCurve(),    take->GetRotationZCurve(),
                              take->GetOcclusionCurve()};
        BeginCurveEdits(curves, 7);
        const RBrdMarker& marker = *markerOrder_[m];
        RVector4 lastPosition;
        RVector4 lastQuaternion(0.0, 0.0, 0.0, 1.0);
        int cursor = 0;
        bool ok = true;
        for (int k = 0; ok && k < count; ++k) {
            RVector4 position;
            RVector4 quaternion(0.0, 0.0, 0.0, 1.0);
            double occlusion = 0.0;
            if (marker.FindSample(firstFrame_ + k, position, quaternion, cursor)) {
                RMatrix rotation;
                QuaternionToMatrix(rotation, RQuaternion(quaternion.x, quaternion.y, quaternion.z, quaternion.w));
                RVector4 euler;
                MatrixToEulerXYZ(euler, rotation);
                angles[0] = euler.x;
                angles[1] = euler.y;
                angles[2] = euler.z;
            } else {
                if (lastValidMode) {
                    position = lastPosition;
                    quaternion = lastQuaternion;
                }
                occlusion = 1.0;
            }
            lastPosition = position;
            lastQuaternion = quaternion;
            const RTime time = start + period * k;
            const double values[6] = {position.x, position.y, position.z, angles[0], angles[1], angles[2]};
            for (int c = 0; ok && c < 6; ++c) {
                ok = AppendFrameKey(curves[c], time, values[c]);
            }
            ok = ok && AppendFrameKey(curves[6], time, occlusion, RCurveKey::Constant);
        }
        EndCurveEdits(curves, 7);
        if (!ok) {
            return false;
        }
        FilterRotationCurves(curves + 3);
        ReduceConstantKeys(curves, 7);
    }
    return true;
}

RWyxNode* RWyxReaderBrd::CreateParent(const RStreamOptionsMotion& options, const std::vector<RWyxNode*>& nodes) {
    RWyxNode* group = CreateGroupNode("BRD", options);
    if (group == nullptr) {
        return nullptr;
    }
    for (RWyxNode* node : nodes) {
        group->AddChild(node);
    }
    return group;
}

bool RWyxReaderBrd::Read(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return false;
    }
    if (!Scan()) {
        SetCorrupted();
        return false;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    if (motion == nullptr) {
        return false;
    }
    if (!CheckScene(scene)) {
        return false;
    }
    // Only the frames the scan found are keyed, however many the options ask for.
    if (motion->GetFrameCount() > frameCount_) {
        motion->SetFrameCount(frameCount_);
    }
    if (!CheckFramesFitTimeRange(*motion)) {
        return false;
    }
    const RString takeName = GetTakeName();
    const std::vector<RWyxNode*> nodes = CreateMarkerNodes(takeName.Buffer());
    if (nodes.size() != markerOrder_.size() || !FillAnimation(*motion, nodes, takeName.Buffer())) {
        SetError(kErrorUnidentified, "The marker nodes could not be made");
        return false;
    }
    RWyxNode* group = CreateParent(*motion, nodes);
    if (group == nullptr) {
        SetError(kErrorUnidentified, "The group node could not be made");
        return false;
    }
    scene->GetRootNode()->AddChild(group);
    StoreTakeAndTimeMode(*scene, takeName, *motion);
    return true;
}
