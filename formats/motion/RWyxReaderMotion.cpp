#include "formats/motion/RWyxReaderMotion.h"

#include "core/FilePaths.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"

RWyxReaderMotion::~RWyxReaderMotion() = default;

bool RWyxReaderMotion::FileOpen(const char* path) {
    if (file_ != nullptr) {
        FileClose();
    }
    std::unique_ptr<RMotionTextFile> file = NewFormatFile();
    if (path == nullptr || file->Open(path, "r")) {
        SetError(kErrorNotOpened, RString("File not opened: \"") + (path != nullptr ? path : "") + "\" cannot be read");
        return false;
    }
    file_ = std::move(file);
    path_ = path;
    GetError().ClearError();
    return true;
}

bool RWyxReaderMotion::OpenBytes(const void* data, std::size_t size, const char* name) {
    if (file_ != nullptr) {
        FileClose();
    }
    file_ = NewFormatFile();
    file_->OpenBytes(data, size);
    path_ = name != nullptr ? name : "";
    GetError().ClearError();
    return true;
}

bool RWyxReaderMotion::FileClose() {
    if (file_ == nullptr) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    file_.reset();
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
    if (file_ == nullptr) {
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
    const std::string& detail = file_ != nullptr ? file_->GetLastErrorText() : std::string();
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
    const RString message = RString("Duplicate names found in ") + GetFileNameWithExtension() + ":" + clashes;
    options.ShowMessage("Error", message.Buffer(), "Ok", nullptr, nullptr, 0);
    SetError(kErrorCorrupted, message);
    return false;
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
