#include "formats/motion/RWyxReaderMarker.h"

#include "curves/RCurveKey.h"
#include "curves/RFCurve.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "formats/motion/RUniqueNameTable.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <cstdint>
#include <string>

namespace {

constexpr float kPercentOfRead = 50.0f;

float Percent(std::int64_t done, std::int64_t total, float base) {
    return total > 0 ? base + static_cast<float>(done * 50 / total) : base;
}

// The name of the k-th marker node: its name from the file, or for an element beyond the
// header's markers "*Unnamed_<k + 1>".
RString MarkerNodeName(const std::vector<RString>& names, int k) {
    const std::size_t index = static_cast<std::size_t>(k);
    return index < names.size() ? names[index] : RString(("*Unnamed_" + std::to_string(k + 1)).c_str());
}

}  // namespace

RWyxReaderMarker::RWyxReaderMarker(RWyxObjectFactory* factory, const char* displayName, const char* shortName)
    : RWyxReaderMotion(factory), displayName_(displayName), shortName_(shortName) {}

RWyxReaderMarker::~RWyxReaderMarker() = default;

bool RWyxReaderMarker::OpenSource(const char* path, const void* data, std::size_t size) {
    std::unique_ptr<RMarkerFile> file = CreateMarkerFile();
    if (path == nullptr) {
        file->OpenBytes(data, size);
    } else if (file->Open(path, "r") != 0) {
        return false;
    }
    file_ = std::move(file);
    return true;
}

std::string RWyxReaderMarker::GetSourceErrorText() const {
    return file_ != nullptr ? file_->GetLastErrorText() : std::string();
}

bool RWyxReaderMarker::ReadCheckedHeader(Header& header) {
    if (!file_->ReadHeader(header.markers, header.start, header.frames, header.rate, header.scale)) {
        SetCorrupted();
        return false;
    }
    // The file must hold at least one frame of the markers the header claims.
    const std::int64_t needed = static_cast<std::int64_t>(header.markers) * file_->GetMarkerBytes();
    if (header.markers < 0 || header.markers > kMaxMarkers || needed > file_->GetSourceSize()) {
        SetError(kErrorCorrupted, RString("File is corrupted: the header claims ") + header.markers +
                                      " markers, more than the file can hold");
        return false;
    }
    return true;
}

RStreamOptionsPtr RWyxReaderMarker::GetReadOptions(bool /*quiet*/) {
    if (!CheckOpen()) {
        return nullptr;
    }
    Header header;
    if (!ReadCheckedHeader(header)) {
        return nullptr;
    }
    RStreamOptionsMotion* options = RStreamOptionsMotion::Create();
    options->SetStartTime(header.start);
    options->SetFrameCount(header.frames);
    options->SetFrameRate(0, header.rate);
    SetDefaultOptions(*options);
    return RStreamOptionsPtr(options);
}

bool RWyxReaderMarker::ReadMarkerNames(const RStreamOptionsMotion& options, int markers,
                                       std::vector<RString>& names) {
    names.assign(static_cast<std::size_t>(markers), RString());
    if (!file_->ReadNames(names, options.GetOption(kMotionImportActorPrefix) == 1)) {
        SetCorrupted();
        return false;
    }
    if (options.GetOption(kMotionRenameDuplicateNames) == 1) {
        RenameDuplicateNames(options, names);
    }
    return true;
}

void RWyxReaderMarker::RenameDuplicateNames(const RStreamOptionsMotion& options, std::vector<RString>& names) {
    RUniqueNameTable table(8, 64);
    std::string report;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const char* unique = table.MakeUnique(names[i].Buffer(), static_cast<std::int32_t>(i + 1));
        if (unique != nullptr && names[i] != unique) {
            report += std::string(names[i].Buffer()) + "  -->  " + unique + "\n";
            names[i] = unique;
        }
    }
    if (!report.empty()) {
        const std::string text = "Some objects have been renamed due to naming conflicts:\n" + report + "\n\n";
        options.ShowMessage("Warning", text.c_str(), "Ok", nullptr, nullptr, 0);
    }
}

bool RWyxReaderMarker::ReadFrames(const RStreamOptionsMotion& options, int markers,
                                  std::vector<RMarkerFrame>& frames, int& extra) {
    const bool exactZero = options.GetOption(kMotionImportExactZeroAsOccluded) == 1;
    const bool fillGaps = options.GetOption(kMotionImportSetOccludedToLastValidPosition) == 1;
    const int count = options.GetFrameCount();
    const RTime period = options.GetFramePeriod();
    const std::int64_t bytes = file_->GetSourceSize();
    std::int64_t keys = 0;
    int counter = 0;
    extra = 0;
    for (int i = 0; i < count; ++i) {
        options.ReportProgress(0, "Reading animation frames", Percent(i, count, 0.0f));
        RMarkerFrame frame;
        frame.reserve(static_cast<std::size_t>(markers));
        RTime time;
        if (!file_->ReadFrame(frame, markers, time, counter, period, exactZero)) {
            SetCorrupted();
            return false;
        }
        const int size = static_cast<int>(frame.size());
        extra = size - markers > extra ? size - markers : extra;
        // Every key made (a frame of every node) must be backed by a byte of the file.
        keys = static_cast<std::int64_t>(frames.size() + 1) * (markers + extra);
        if (markers + extra > kMaxMarkers || keys > bytes) {
            SetError(kErrorCorrupted, RString("File is corrupted: ") + static_cast<int>(frames.size() + 1) +
                                          " frames of " + (markers + extra) + " markers are more than the file holds");
            return false;
        }
        if (fillGaps && !frames.empty()) {
            const RMarkerFrame& previous = frames.back();
            for (std::size_t m = 0; m < frame.size() && m < previous.size(); ++m) {
                if (frame[m].w == 1.0) {
                    frame[m] = RVector4(previous[m].x, previous[m].y, previous[m].z, 1.0);
                }
            }
        }
        frames.push_back(std::move(frame));
    }
    if (!file_->EndRead()) {
        SetCorrupted();
        return false;
    }
    return true;
}

RWyxNode* RWyxReaderMarker::CreateNodes(const RStreamOptionsMotion& options, const std::vector<RString>& names,
                                        int extra, std::vector<RWyxNode*>& nodes) {
    RWyxNode* parent = CreateGroupNode(shortName_.Buffer(), options);
    if (parent == nullptr) {
        return nullptr;
    }
    const int markers = static_cast<int>(names.size());
    const RString takeName = GetTakeName();
    for (int k = 0; k < markers + extra; ++k) {
        RWyxNode* node = CreateMarkerNode(MarkerNodeName(names, k).Buffer(), takeName.Buffer());
        if (node == nullptr) {
            GetFactory()->DestroyNode(parent, true);
            return nullptr;
        }
        parent->AddChild(node);
        nodes.push_back(node);
    }
    return parent;
}

bool RWyxReaderMarker::RefuseDuplicateNodeNames(const RStreamOptionsMotion& options, const std::vector<RString>& names,
                                                int extra) {
    std::vector<RString> nodeNames;
    nodeNames.reserve(names.size() + static_cast<std::size_t>(extra) + 1);
    nodeNames.push_back(GroupNodeName(shortName_.Buffer(), options));
    for (int k = 0; k < static_cast<int>(names.size()) + extra; ++k) {
        nodeNames.push_back(MarkerNodeName(names, k));
    }
    return RefuseDuplicateNames(nodeNames, options);
}

bool RWyxReaderMarker::KeyNodes(const RStreamOptionsMotion& options, const std::vector<RWyxNode*>& nodes,
                                const std::vector<RMarkerFrame>& frames, double scale) {
    const RString takeName = GetTakeName();
    const RTime start = options.GetStartTime();
    const RTime period = options.GetFramePeriod();
    const std::int64_t count = static_cast<std::int64_t>(nodes.size());
    for (std::size_t j = 0; j < nodes.size(); ++j) {
        options.ReportProgress(0, "Loading animation frames in nodes",
                               Percent(static_cast<std::int64_t>(j), count, kPercentOfRead));
        RWyxNode* node = nodes[j];
        // The take was added when the node was made.
        node->SetCurrentTakeNodeByName(takeName.Buffer());
        RWyxTakeNode* take = node->GetCurrentTakeNode();
        if (take == nullptr) {
            return false;
        }
        RFCurve* curves[4] = {take->GetTranslationXCurve(), take->GetTranslationYCurve(),
                              take->GetTranslationZCurve(), take->GetOcclusionCurve()};
        BeginCurveEdits(curves, 4);
        bool ok = true;
        for (std::size_t f = 0; ok && f < frames.size(); ++f) {
            const RTime time = start + period * static_cast<int>(f);
            // A frame without this marker keys it at the origin, occluded.
            const bool present = j < frames[f].size();
            const RVector4 element = present ? frames[f][j] : RVector4(0.0, 0.0, 0.0, 1.0);
            ok = AppendFrameKey(curves[0], time, element.x * scale) && AppendFrameKey(curves[1], time, element.y * scale) &&
                 AppendFrameKey(curves[2], time, element.z * scale) &&
                 AppendFrameKey(curves[3], time, element.w, RCurveKey::Constant);
        }
        EndCurveEdits(curves, 4);
        if (!ok) {
            return false;
        }
        ReduceConstantKeys(curves, 4);
    }
    return true;
}

bool RWyxReaderMarker::Read(RWyxScene* scene, RStreamOptions* options) {
    RStreamOptionsMotion* motion = BeginRead(scene, options);
    if (motion == nullptr) {
        return false;
    }
    Header header;
    if (!ReadCheckedHeader(header)) {
        return false;
    }
    if (header.markers == 0) {
        return true;
    }
    if (motion->GetFrameCount() > header.frames) {
        motion->SetFrameCount(header.frames);
    }
    if (!CheckFramesFitTimeRange(*motion)) {
        return false;
    }
    std::vector<RString> names;
    std::vector<RMarkerFrame> frames;
    int extra = 0;
    if (!ReadMarkerNames(*motion, header.markers, names) || !ReadFrames(*motion, header.markers, frames, extra)) {
        return false;
    }
    // Names the nodes would repeat are refused before the nodes are made when the names can
    // be told beforehand, else once the nodes are made.
    const bool namesKnown = NodesKeepTheirNames();
    if (namesKnown && !RefuseDuplicateNodeNames(*motion, names, extra)) {
        return false;
    }
    std::vector<RWyxNode*> nodes;
    RWyxNode* parent = CreateNodes(*motion, names, extra, nodes);
    if (parent == nullptr) {
        SetError(kErrorUnidentified, "The marker nodes could not be made");
        return false;
    }
    if (!namesKnown && !RefuseDuplicateNames(parent, *motion)) {
        GetFactory()->DestroyNode(parent, true);
        return false;
    }
    scene->GetRootNode()->AddChild(parent);
    if (!KeyNodes(*motion, nodes, frames, header.scale)) {
        SetError(kErrorUnidentified, "The marker keys could not be stored");
        return false;
    }
    StoreTakeAndTimeMode(*scene, GetTakeName(), *motion);
    return true;
}
