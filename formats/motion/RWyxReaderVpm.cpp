#include "formats/motion/RWyxReaderVpm.h"

#include "curves/RFCurve.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cstdint>

RStreamOptionsPtr RWyxReaderVpm::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RString name;
    int frames = 0;
    double frameTime = 0.0;
    if (!static_cast<RVpmFile*>(GetFormatFile())->ReadSegmentHeader(name, frames, frameTime, true)) {
        SetCorrupted();
        return nullptr;
    }
    RStreamOptionsMotion* options = RStreamOptionsMotion::CreateWith({{kMotionImportAsOpticalSegments, 0}});
    options->SetFrameCount(frames);
    options->SetFrameRate(0, 1.0 / frameTime);
    return RStreamOptionsPtr(options);
}

RWyxNode* RWyxReaderVpm::ReadSegment(const RStreamOptionsMotion& options, const char* takeName, bool first) {
    RVpmFile& file = static_cast<RVpmFile&>(*GetFormatFile());
    RString name;
    int frames = 0;
    double frameTime = 0.0;
    if (!file.ReadSegmentHeader(name, frames, frameTime, first) || !file.SkipChannelHeader()) {
        return nullptr;
    }
    const int count = options.GetFrameCount() < frames ? options.GetFrameCount() : frames;
    RWyxNode* node = CreateMarkerNode(name.Buffer(), takeName);
    if (node == nullptr) {
        return nullptr;
    }
    node->SetCurrentTakeNodeByName(takeName);
    RWyxTakeNode* take = node->GetCurrentTakeNode();
    RFCurve* curves[9];
    for (int c = 0; c < 9; ++c) {
        curves[c] = take != nullptr ? take->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(c)) : nullptr;
    }
    BeginCurveEdits(curves, 9);
    bool ok = take != nullptr;
    for (int f = 0; ok && f < count; ++f) {
        if (f % 64 == 0) {
            options.ReportProgress(0, "Reading VPM nodes", static_cast<float>(static_cast<std::int64_t>(f) * 100 / count));
        }
        double values[9];
        ok = file.ReadFrameLine(values, values + 3, values + 6);
        const RTime time = options.GetStartTime() + options.GetFramePeriod() * f;
        for (int c = 0; ok && c < 9; ++c) {
            ok = AppendFrameKey(curves[c], time, values[c]);
        }
    }
    EndCurveEdits(curves, 9);
    if (!ok) {
        GetFactory()->DestroyNode(node, true);
        return nullptr;
    }
    FilterRotationCurves(curves + 3);
    for (int group = 0; group < 3; ++group) {
        ReduceConstantKeys(curves + 3 * group, 3);
    }
    for (int f = count; f < frames && file.NextLine(); ++f) {
    }
    return node;
}

bool RWyxReaderVpm::Read(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginRead(scene, options);
    if (motion == nullptr) {
        return false;
    }
    if (!CheckFramesFitTimeRange(*motion)) {
        return false;
    }
    RWyxNode* parent = CreateGroupNode("VPM", *motion);
    if (parent == nullptr) {
        SetError(kErrorUnidentified, "The parent node could not be made");
        return false;
    }
    const RString takeName = GetTakeName();
    for (bool first = true;; first = false) {
        RWyxNode* node = ReadSegment(*motion, takeName.Buffer(), first);
        if (node == nullptr) {
            if (first) {
                GetFactory()->DestroyNode(parent, true);
                SetCorrupted();
                return false;
            }
            break;
        }
        parent->AddChild(node);
    }
    if (!RefuseDuplicateNames(parent, *motion)) {
        GetFactory()->DestroyNode(parent, true);
        return false;
    }
    scene->GetRootNode()->AddChild(parent);
    StoreTake(*scene, takeName, *motion);
    return true;
}
