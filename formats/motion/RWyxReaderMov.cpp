#include "formats/motion/RWyxReaderMov.h"

#include "curves/RFCurve.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {

constexpr int kRateLines = 10;

}  // namespace

RStreamOptionsPtr RWyxReaderMov::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RMovFile& file = static_cast<RMovFile&>(*GetFormatFile());
    int columns = 0;
    int lines = 0;
    if (!file.CountValues(columns) || columns == 0 || !file.CountLines(lines)) {
        file.Error("The first line is not a row of numbers");
        SetCorrupted();
        return nullptr;
    }
    double times[kRateLines] = {};
    const int count = lines < kRateLines ? lines : kRateLines;
    for (int i = 0; i < count; ++i) {
        file.ReadLine(times + i, 1, i == 0);
    }
    double rate = 0.0;
    for (int i = 1; i < count; ++i) {
        const double interval = times[i] - times[i - 1];
        if (!(times[i] > times[0])) {
            continue;
        }
        if (rate > 0.0) {
            // An interval of no length (or running backwards) says nothing of the rate.
            rate = interval > 0.0 ? (rate + 1.0 / interval) * 0.5 : rate;
        } else {
            rate = 1.0 / (times[i] - times[0]);
        }
    }
    if (!std::isfinite(rate) || rate > RStreamOptionsMotion::kMaxFrameRate) {
        file.Error("The lines' times give %g frames per second", rate);
        SetCorrupted();
        return nullptr;
    }
    RStreamOptionsMotion* options = RStreamOptionsMotion::CreateWith(
        {{kMotionTranslation, 1}, {kMotionRotation, 1}, {kMotionScaling, 1}, {kMotionImportAsOpticalSegments, 0}});
    RTime start;
    start.FromSeconds(times[0]);
    options->SetStartTime(start);
    options->SetFrameCount(lines);
    options->SetFrameRate(0, rate > 0.0 ? rate : 0.0);
    return RStreamOptionsPtr(options);
}

bool RWyxReaderMov::ReadRows(const RStreamOptionsMotion& options, int columns, std::vector<double>& rows,
                             int& frames) {
    RMovFile& file = static_cast<RMovFile&>(*GetFormatFile());
    const std::int64_t bytes = file.GetSourceSize();
    const int count = options.GetFrameCount();
    frames = 0;
    for (int i = 0; i < count; ++i) {
        options.ReportProgress(0, "Reading MOV animation frames", static_cast<float>(static_cast<std::int64_t>(i) * 50 / count));
        if (static_cast<std::int64_t>(i + 1) * columns > bytes) {
            file.Error("%d lines of %d values are more than the file holds", i + 1, columns);
            return false;
        }
        rows.resize(static_cast<std::size_t>(i + 1) * static_cast<std::size_t>(columns));
        if (!file.ReadLine(rows.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(columns), columns,
                           i == 0)) {
            rows.resize(static_cast<std::size_t>(i) * static_cast<std::size_t>(columns));
            break;
        }
        ++frames;
    }
    if (frames == 0 && count > 0) {
        file.Error("No line could be read");
        return false;
    }
    return true;
}

bool RWyxReaderMov::KeyNode(RWyxNode* node, const RStreamOptionsMotion& options, const std::vector<double>& rows,
                            int columns, int frames, int firstColumn, const bool groups[3], const char* takeName) {
    // The take was added when the node was made.
    node->SetCurrentTakeNodeByName(takeName);
    RWyxTakeNode* take = node->GetCurrentTakeNode();
    if (take == nullptr) {
        return false;
    }
    for (int group = 0, column = firstColumn; group < 3; ++group) {
        if (!groups[group]) {
            continue;
        }
        RFCurve* curves[3];
        for (int axis = 0; axis < 3; ++axis) {
            curves[axis] = take->GetChannelCurve(static_cast<RWyxTakeNode::Channel>(3 * group + axis));
        }
        BeginCurveEdits(curves, 3);
        bool ok = true;
        for (int f = 0; ok && f < frames; ++f) {
            const RTime time = options.GetStartTime() + options.GetFramePeriod() * f;
            const double* row = rows.data() + static_cast<std::size_t>(f) * static_cast<std::size_t>(columns);
            for (int axis = 0; ok && axis < 3; ++axis) {
                ok = AppendFrameKey(curves[axis], time, row[column + axis]);
            }
        }
        EndCurveEdits(curves, 3);
        if (!ok) {
            return false;
        }
        if (group == 1) {
            FilterRotationCurves(curves);
        }
        ReduceConstantKeys(curves, 3);
        column += 3;
    }
    return true;
}

bool RWyxReaderMov::Read(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginRead(scene, options);
    if (motion == nullptr) {
        return false;
    }
    RMovFile& file = static_cast<RMovFile&>(*GetFormatFile());
    int columns = 0;
    if (!file.CountValues(columns) || columns == 0) {
        SetCorrupted();
        return false;
    }
    const bool groups[3] = {motion->GetOption(kMotionTranslation) == 1, motion->GetOption(kMotionRotation) == 1,
                            motion->GetOption(kMotionScaling) == 1};
    const int enabled = (groups[0] ? 1 : 0) + (groups[1] ? 1 : 0) + (groups[2] ? 1 : 0);
    if (enabled == 0) {
        SetError(kErrorUnidentified, "No animation to import.");
        return false;
    }
    if (!CheckFramesFitTimeRange(*motion)) {
        return false;
    }
    std::vector<double> rows;
    int frames = 0;
    if (!ReadRows(*motion, columns, rows, frames)) {
        SetCorrupted();
        return false;
    }
    RWyxNode* parent = CreateGroupNode("MOV", *motion);
    if (parent == nullptr) {
        SetError(kErrorUnidentified, "The parent node could not be made");
        return false;
    }
    const RString takeName = GetTakeName();
    const int segments = (columns - 1) / (3 * enabled);
    for (int k = 0; k < segments; ++k) {
        motion->ReportProgress(0, "Loading MOV animation frames in nodes", static_cast<float>(50 + k * 50 / segments));
        RWyxNode* node = CreateMarkerNode(("Marker" + std::to_string(k)).c_str(), takeName.Buffer());
        if (node == nullptr) {
            SetError(kErrorUnidentified, "The segment nodes could not be made");
            return false;
        }
        parent->AddChild(node);
        if (!KeyNode(node, *motion, rows, columns, frames, 1 + k * 3 * enabled, groups, takeName.Buffer())) {
            SetError(kErrorUnidentified, "The segment keys could not be stored");
            return false;
        }
    }
    scene->GetRootNode()->AddChild(parent);
    StoreTakeAndTimeMode(*scene, takeName, *motion);
    return true;
}
