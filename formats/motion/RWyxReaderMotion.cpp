#include "formats/motion/RWyxReaderMotion.h"

#include "attributes/RWyxMarker.h"
#include "attributes/RWyxOptical.h"
#include "core/FilePaths.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"

#include <string>
#include <unordered_set>

RWyxReaderMotion::~RWyxReaderMotion() = default;

bool RWyxReaderMotion::OpenSource(const char* path, const void* data, std::size_t size) {
    std::unique_ptr<RMotionTextFile> file = NewFormatFile();
    if (file == nullptr) {
        return false;
    }
    if (path == nullptr) {
        file->OpenBytes(data, size);
    } else if (file->Open(path, "r")) {
        return false;
    }
    file_ = std::move(file);
    return true;
}

std::string RWyxReaderMotion::GetSourceErrorText() const {
    return file_ != nullptr ? file_->GetLastErrorText() : std::string();
}

bool RWyxReaderMotion::FileOpen(const char* path) {
    if (HasSource()) {
        FileClose();
    }
    if (path == nullptr || !OpenSource(path, nullptr, 0)) {
        SetError(kErrorNotOpened, RString("File not opened: \"") + (path != nullptr ? path : "") + "\" cannot be read");
        return false;
    }
    path_ = path;
    GetError().ClearError();
    return true;
}

bool RWyxReaderMotion::OpenBytes(const void* data, std::size_t size, const char* name) {
    if (HasSource()) {
        FileClose();
    }
    if (!OpenSource(nullptr, data, size)) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    path_ = name != nullptr ? name : "";
    GetError().ClearError();
    return true;
}

bool RWyxReaderMotion::FileClose() {
    if (!HasSource()) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    CloseSource();
    path_ = "";
    OnClose();
    return true;
}

RString RWyxReaderMotion::GetTakeName() const {
    RString name;
    GetFileName(name, path_.Buffer(), false);
    return name;
}

RString RWyxReaderMotion::GetFileNameWithExtension() const {
    RString name;
    GetFileName(name, path_.Buffer(), true);
    return name;
}

bool RWyxReaderMotion::CheckOpen() {
    if (!HasSource()) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    return true;
}

RStreamOptionsMotion* RWyxReaderMotion::CheckOptions(RStreamOptions* options) {
    if (options == nullptr || !options->Is(RStreamOptionsMotion::ClassId())) {
        SetError(kErrorOptionsNotSet, nullptr);
        return nullptr;
    }
    return static_cast<RStreamOptionsMotion*>(options);
}

void RWyxReaderMotion::SetCorrupted() {
    const std::string detail = GetSourceErrorText();
    if (detail.empty()) {
        SetError(kErrorCorrupted, nullptr);
    } else {
        SetError(kErrorCorrupted, RString("File is corrupted: ") + detail.c_str());
    }
}

bool RWyxReaderMotion::CheckScene(RWyxScene* scene) {
    if (scene == nullptr || scene->GetRootNode() == nullptr) {
        SetError(kErrorUnidentified, "No scene to read into");
        return false;
    }
    return true;
}

bool RWyxReaderMotion::RefuseDuplicateNames(RWyxNode* node, const RStreamOptionsMotion& options) {
    RString clashes;
    if (CheckDuplicateNames(node, clashes)) {
        return true;
    }
    ReportDuplicateNames(clashes, options);
    return false;
}

// Lists the clashes as CheckDuplicateNames does for the nodes made with these names: a name
// met again clashes, and each clashing name is listed once, where it first clashed.
bool RWyxReaderMotion::RefuseDuplicateNames(const std::vector<RString>& names, const RStreamOptionsMotion& options) {
    std::unordered_set<std::string> seen;
    std::unordered_set<std::string> listed;
    RString clashes;
    for (const RString& name : names) {
        const RString nodeName = BuildPrefixedName("Model::", name.Buffer());
        std::string key(nodeName.Buffer());
        if (!seen.insert(key).second && listed.insert(std::move(key)).second) {
            clashes += "\n    ";
            clashes += nodeName;
        }
    }
    if (clashes.IsEmptyText()) {
        return true;
    }
    ReportDuplicateNames(clashes, options);
    return false;
}

bool RWyxReaderMotion::NodesKeepTheirNames() const { return GetFactory()->GetNodeRenamingStrategy() == nullptr; }

void RWyxReaderMotion::ReportDuplicateNames(const RString& clashes, const RStreamOptionsMotion& options) {
    const RString message = RString("Duplicate names found in ") + GetFileNameWithExtension() + ":" + clashes;
    options.ShowMessage("Error", message.Buffer(), "Ok", nullptr, nullptr, 0);
    SetError(kErrorCorrupted, message);
}

void RWyxReaderMotion::StoreTake(RWyxScene& scene, const RString& takeName, const RStreamOptionsMotion& options) {
    RWyxTakeInfo info;
    info.name = takeName;
    info.importName = takeName;
    const int frames = options.GetFrameCount();
    info.localStart = options.GetStartTime();
    info.localStop = frames > 0 ? info.localStart + options.GetFramePeriod() * (frames - 1) : info.localStart;
    info.referenceStart = info.localStart;
    info.referenceStop = info.localStop;
    scene.SetTakeInfo(info);
    scene.SetCurrentTake(takeName.Buffer());
}

void RWyxReaderMotion::StoreTakeAndTimeMode(RWyxScene& scene, const RString& takeName,
                                            const RStreamOptionsMotion& options) {
    StoreTake(scene, takeName, options);
    if (options.GetTimeMode() != 0) {
        scene.GetGlobalTimeSettings()->SetTimeMode(options.GetTimeMode());
    }
}

bool RWyxReaderMotion::CheckFramesFitTimeRange(const RStreamOptionsMotion& options) {
    if (!options.FramesFitTimeRange(options.GetFrameCount())) {
        SetError(kErrorCorrupted, "File is corrupted: the frames reach beyond the time range");
        return false;
    }
    return true;
}

RStreamOptionsMotion* RWyxReaderMotion::BeginRead(RWyxScene* scene, RStreamOptions* options) {
    if (!CheckOpen()) {
        return nullptr;
    }
    RStreamOptionsMotion* motion = CheckOptions(options);
    return motion != nullptr && CheckScene(scene) ? motion : nullptr;
}

// The take goes in before the marker: added while the node's default take is still its
// template, the take is made from the template too, with the marker's channels, where a take
// added afterwards copies the default take's made tree, which costs about twice as much.
RWyxNode* RWyxReaderMotion::CreateMarkerNode(const char* name, const char* takeName) {
    RWyxNode* node = GetFactory()->CreateNode(name);
    RWyxMarker* attribute = GetFactory()->CreateMarker();
    if (node == nullptr || attribute == nullptr) {
        return nullptr;
    }
    // A name the node has already (its default take's) leaves the takes as they are.
    if (takeName != nullptr) node->AddTakeNode(takeName);
    attribute->SetType(RWyxMarker::kOpticalMarker);
    node->SetNodeAttribute(attribute);
    return node;
}

RString RWyxReaderMotion::GroupNodeName(const char* format, const RStreamOptionsMotion& options) {
    const bool optical = options.GetOption(kMotionImportAsOpticalSegments) == 1;
    return RString(format) + (optical ? ":optical" : ":reference");
}

RWyxNode* RWyxReaderMotion::CreateGroupNode(const char* format, const RStreamOptionsMotion& options) {
    RWyxNode* group = GetFactory()->CreateNode(GroupNodeName(format, options).Buffer());
    RWyxOptical* attribute = GetFactory()->CreateOptical();
    if (group == nullptr || attribute == nullptr) {
        return nullptr;
    }
    group->SetNodeAttribute(attribute);
    return group;
}
