#include "formats/motion/RWyxWriterMotion.h"

#include "core/PreOrderWalk.h"
#include "curves/RFCurveNode.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RMadeUpNames.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

const char* const kChannelNames[9] = {"translation X", "translation Y", "translation Z",
                                      "rotation X",    "rotation Y",    "rotation Z",
                                      "scaling X",     "scaling Y",     "scaling Z"};

// " at <seconds> s" for a time, "" for the default pose.
RString AtTime(const RTime* time) {
    if (time == nullptr) {
        return RString("");
    }
    char text[48];
    std::snprintf(text, sizeof text, " at %g s", time->ToSeconds());
    return RString(text);
}

// The node's "T", "R" and "S" curve nodes in its current take, or in its default take for the
// default pose.
void FindChannelNodes(RWyxNode& node, const RTime* time, RFCurveNode* channels[3]) {
    static const char* const kPaths[3] = {"T", "R", "S"};
    RWyxTakeNode* take = time != nullptr ? node.GetCurrentTakeNode() : node.GetDefaultTakeNode();
    const RFCurveNode* root = take != nullptr ? take->GetRootCurveNode() : nullptr;
    for (int c = 0; c < 3; ++c) {
        channels[c] = root != nullptr ? root->FindByPath(kPaths[c]) : nullptr;
    }
}

// The markers and the nodes between each and the root, which move it. The frames put the root at
// the origin, whatever its defaults; no other node's value reaches the file.
std::unordered_set<const RWyxNode*> NodesMovingMarkers(const RWyxNode& root, const std::vector<RWyxNode*>& markers) {
    std::unordered_set<const RWyxNode*> moving;
    for (const RWyxNode* marker : markers) {
        for (const RWyxNode* node = marker; node != &root && moving.insert(node).second; node = node->GetParent()) {
        }
    }
    return moving;
}

}  // namespace

RWyxWriterMotion::~RWyxWriterMotion() { AbandonTarget(); }

bool RWyxWriterMotion::CreateTarget(const char* path) {
    std::unique_ptr<RMotionTextFile> file = NewFormatFile();
    if (file == nullptr || file->Open(path, "w")) {
        return false;
    }
    file_ = std::move(file);
    return true;
}

bool RWyxWriterMotion::CloseTarget() {
    const bool closed = file_ != nullptr && !file_->Close();
    if (!closed && file_ != nullptr) {
        FailTargetWrite(file_->GetWriteFailure());
    }
    file_.reset();
    return closed;
}

void RWyxWriterMotion::AbandonTarget() {
    if (file_ != nullptr) {
        file_->Abandon();
        file_.reset();
    }
}

bool RWyxWriterMotion::FileCreate(const char* path) {
    AbandonTarget();
    abandoned_ = false;
    path_ = RString(path != nullptr ? path : "");
    // A format's file that cannot be opened leaves errno at the system's reason (the
    // replacement it writes through does: platform::RFileReplacement::Begin).
    errno = 0;
    if (path == nullptr || !CreateTarget(path)) {
        const int reason = path != nullptr ? errno : 0;
        return FailCreate(kErrorNotOpened, RString("Cannot open file \"") + path_ + "\" for writing.", reason);
    }
    GetError().ClearError();
    return true;
}

bool RWyxWriterMotion::FileClose() {
    if (abandoned_) {
        // Dropped by a failed write: its error stands, nothing goes in place.
        abandoned_ = false;
        if (!HasError()) SetError(kErrorNotOpened, nullptr);
        return false;
    }
    if (!HasTarget()) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    if (!CloseTarget()) {
        if (!HasError()) {
            FailTargetWrite(RWriteFailure());
        }
        return false;
    }
    return true;
}

bool RWyxWriterMotion::Write(RWyxScene* scene, RStreamOptions* options) {
    const bool written = WriteToTarget(scene, options);
    if ((!written || HasError()) && HasTarget()) {
        AbandonTarget();
        abandoned_ = true;
    }
    return written;
}

bool RWyxWriterMotion::CheckOpen() {
    if (!HasTarget()) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    return true;
}

RStreamOptionsMotion* RWyxWriterMotion::CheckOptions(RStreamOptions* options) {
    if (options == nullptr || !options->Is(RStreamOptionsMotion::ClassId())) {
        SetError(kErrorOptionsNotSet, nullptr);
        return nullptr;
    }
    return static_cast<RStreamOptionsMotion*>(options);
}

void RWyxWriterMotion::ShowError(const RStreamOptionsMotion& options, const RString& text, const char* button) {
    options.ShowMessage("Error", text.Buffer(), button, nullptr, nullptr, 0);
}

bool RWyxWriterMotion::FinishText() {
    if (file_ == nullptr) {
        return FailTargetWrite(RWriteFailure());
    }
    return file_->Flush() || FailTargetWrite(file_->GetWriteFailure());
}

bool RWyxWriterMotion::FailTargetWrite(const RWriteFailure& failure) {
    return FailWriteWhole(path_.Buffer(), failure);
}

bool RWyxWriterMotion::Refuse(const RStreamOptionsMotion& options, const RString& text) {
    ShowError(options, text, "OK");
    SetError(kErrorUnidentified, text);
    return false;
}

bool RWyxWriterMotion::CheckNodes(RWyxNode* root, const RStreamOptionsMotion& options, const char* label) {
    RString names = RString("Spaces are not allowed in ") + label + " node names:";
    if (!CollectNamesWithBlanks(root, names)) {
        return Refuse(options, names);
    }
    if (NodeTreeDepth(root, kMaxSkeletonDepth) > kMaxSkeletonDepth) {
        return Refuse(options, RString("The skeleton is deeper than ") + kMaxSkeletonDepth + " levels");
    }
    return true;
}

bool RWyxWriterMotion::RefuseSharedNames(const std::vector<WrittenName>& names, const RStreamOptionsMotion& options,
                                         const char* label) {
    // The names as read in the order first met, each with the nodes given it.
    std::unordered_map<std::string, std::size_t> placeOf;
    std::vector<RString> read;
    std::vector<std::vector<const WrittenName*>> nodes;
    for (const WrittenName& name : names) {
        const RString asRead = RMadeUpNames::AsNodeName(name.inFile.Buffer());
        const auto place = placeOf.emplace(asRead.Buffer(), read.size());
        if (place.second) {
            read.push_back(asRead);
            nodes.emplace_back();
        }
        nodes[place.first->second].push_back(&name);
    }
    std::vector<RString> groups;
    for (std::size_t i = 0; i < read.size(); ++i) {
        if (nodes[i].size() < 2) {
            continue;
        }
        RString group;
        for (const WrittenName* name : nodes[i]) {
            group += name == nodes[i].front() ? "" : ", ";
            group += QuotedName(name->shown);
        }
        groups.push_back(group + " are read as " + QuotedName(read[i]));
    }
    return groups.empty() || Refuse(options, RString(label) + " files cannot tell these nodes apart (make their names "
                                                        "unique):\n    " + ListedNames(groups, "\n    "));
}

RString RWyxWriterMotion::QuotedName(const RString& name) { return RString("\"") + name.ControlCharsEscaped() + "\""; }

bool RWyxWriterMotion::CheckScene(RWyxScene* scene) {
    if (scene == nullptr || scene->GetRootNode() == nullptr) {
        SetError(kErrorUnidentified, "No scene to write");
        return false;
    }
    return true;
}

RWyxNode* RWyxWriterMotion::FindEvaluationRoot(RWyxScene& scene, const RStreamOptionsMotion& options) {
    RWyxNode* root = options.GetOption(kMotionExportFromGlobalPosition) == 1 ? nullptr : FindSingleRoot(&scene);
    return root != nullptr ? root : scene.GetRootNode();
}

std::vector<RWyxNode*> RWyxWriterMotion::CollectMarkers(RWyxNode* root) {
    std::vector<RWyxNode*> nodes;
    VisitPreOrder(root, [&nodes](RWyxNode& node) {
        if (node.IsMarked(false) && node.GetOptical() == nullptr) {
            nodes.push_back(&node);
        }
    });
    return nodes;
}

bool RWyxWriterMotion::CollectNamedMarkers(RWyxNode* root, const RStreamOptionsMotion& options, const char* label,
                                           const std::function<RString(const RString&, int)>& asRead,
                                           std::vector<RWyxNode*>& nodes, std::vector<RString>& names) {
    nodes = CollectMarkers(root);
    names.clear();
    std::vector<WrittenName> written;
    for (RWyxNode* node : nodes) {
        const int place = static_cast<int>(names.size());
        names.push_back(NameAfterLastColon(*node));
        written.push_back(WrittenName{node->GetNameWithoutPrefix(), asRead(names.back(), place)});
    }
    return RefuseSharedNames(written, options, label);
}

void RWyxWriterMotion::EvaluateFrame(RWyxNode* root, RTime time, int evaluationId) {
    root->EvaluateLocalMatrix(time, true);
    root->SetEvaluationId(0, true);
    root->SetGlobalMatrix(RMatrix());
    root->SetEvaluationId(evaluationId, false);
}

RString RWyxWriterMotion::NameAfterLastColon(const RWyxNode& node) {
    const char* name = node.GetName().Buffer();
    const char* colon = std::strrchr(name, ':');
    return RString(colon != nullptr ? colon + 1 : name);
}

RStreamOptionsMotion* RWyxWriterMotion::BeginWrite(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    return motion != nullptr && CheckScene(scene) ? motion : nullptr;
}

bool RWyxWriterMotion::IsHeld(const RMatrix& matrix, int parts) {
    for (int row = 0; row < 4; ++row) {
        const bool translation = row == 3;
        if ((parts & (translation ? kTranslationPart : kRotationPart)) == 0) {
            continue;
        }
        for (int column = 0; column < 3; ++column) {
            const double value = matrix[row][column];
            if (translation ? !WithinFloats(value) : !std::isfinite(value)) {
                return false;
            }
        }
    }
    return true;
}

bool RWyxWriterMotion::IsHeld(const double* values, int count) {
    return std::all_of(values, values + count, WithinFloats);
}

bool RWyxWriterMotion::CheckHeld(bool held, RWyxNode& node, const RWyxNode* top, const RTime* time,
                                 const RStreamOptionsMotion& options, const char* label) {
    return held || RefuseNotHeld(node, top, time, false, options, label);
}

bool RWyxWriterMotion::CheckFrameHeld(bool held, RWyxNode& node, const RWyxNode& root, RTime time,
                                      const RStreamOptionsMotion& options, const char* label) {
    return held || RefuseNotHeld(node, &root, &time, true, options, label);
}

bool RWyxWriterMotion::RefuseNotHeld(RWyxNode& node, const RWyxNode* top, const RTime* time, bool framed,
                                     const RStreamOptionsMotion& options, const char* label) {
    // The values come from the channels of the node and of its ancestors: their defaults for a
    // node the frames evaluate by them, whatever keys it has.
    for (RWyxNode* at = &node; at != nullptr && at != top; at = at->GetParent()) {
        const RTime* shown = framed && at->IsEvaluatedByDefaults() ? nullptr : time;
        RFCurveNode* channels[3];
        FindChannelNodes(*at, shown, channels);
        double value = 0.0;
        const int channel = FindNonFiniteChannel(channels, shown, value);
        if (channel >= 0) {
            return RefuseNonFinite(at->GetNameWithoutPrefix(), channel, value, shown, options, label);
        }
    }
    return RefuseBeyond(node.GetNameWithoutPrefix(), time, options, label);
}

bool RWyxWriterMotion::CheckDefaults(RWyxNode& top, const std::function<bool(RWyxNode&, int)>& taken,
                                     const RStreamOptionsMotion& options, const char* label) {
    bool held = true;
    VisitPreOrder(&top, [&](RWyxNode& node) {
        RVector4 values[3] = {RVector4(), RVector4(), RVector4(1.0, 1.0, 1.0, 0.0)};
        node.GetDefaultTranslation(values[0]);
        node.GetDefaultRotation(values[1]);
        node.GetDefaultScaling(values[2]);
        for (int channel = 0; channel < 9 && held; ++channel) {
            const double value = *values[channel / 3].Component(channel % 3);
            if (WithinFloats(value) || !taken(node, channel)) {
                continue;
            }
            const RString name = node.GetNameWithoutPrefix();
            held = std::isfinite(value) ? Refuse(options, RString("The default ") + kChannelNames[channel] + " of " +
                                                              QuotedName(name) + " lies beyond the real numbers " +
                                                              label + " files hold")
                                        : RefuseNonFinite(name, channel, value, nullptr, options, label);
        }
    });
    return held;
}

bool RWyxWriterMotion::CheckFrameDefaults(RWyxNode& root, const std::vector<RWyxNode*>& markers,
                                          const RStreamOptionsMotion& options, const char* label) {
    // Gathered at the first default beyond the floats: most scenes have none.
    std::unordered_set<const RWyxNode*> moving;
    bool gathered = false;
    const auto taken = [&](RWyxNode& node, int channel) {
        if (!gathered) {
            moving = NodesMovingMarkers(root, markers);
            gathered = true;
        }
        // The frames show every default of a node they evaluate by its defaults, keys or none.
        return moving.count(&node) != 0 && (node.IsEvaluatedByDefaults() || !IsKeyed(node, channel));
    };
    return CheckDefaults(root, taken, options, label);
}

bool RWyxWriterMotion::IsKeyed(RWyxNode& node, int channel) {
    static const char* const kParts[3] = {"T", "R", "S"};
    static const char* const kAxes[3] = {"X", "Y", "Z"};
    RWyxTakeNode* take = node.GetCurrentTakeNode();
    return take != nullptr && take->HasKeys("Transform", kParts[channel / 3], kAxes[channel % 3]);
}

bool RWyxWriterMotion::RefuseBeyond(const RString& node, const RTime* time, const RStreamOptionsMotion& options,
                                    const char* label) {
    const RString what = time != nullptr ? RString("The motion of ") + QuotedName(node) + AtTime(time)
                                         : RString("The default pose of ") + QuotedName(node);
    return Refuse(options, what + " lies beyond the real numbers " + label + " files hold");
}

bool RWyxWriterMotion::RefuseNonFinite(const RString& node, int channel, double value, const RTime* time,
                                       const RStreamOptionsMotion& options, const char* label) {
    const char* shown = std::isnan(value) ? "nan" : value > 0.0 ? "inf" : "-inf";
    return Refuse(options, RString(time != nullptr ? "The " : "The default ") + kChannelNames[channel] + " of " +
                               QuotedName(node) + AtTime(time) + " is " + shown + ", which " + label +
                               " files cannot hold");
}
