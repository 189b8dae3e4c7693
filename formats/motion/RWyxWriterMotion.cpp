#include "formats/motion/RWyxWriterMotion.h"

#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStreamOptionsMotion.h"

RWyxWriterMotion::~RWyxWriterMotion() {
    if (file_ != nullptr) {
        file_->Abandon();
    }
}

bool RWyxWriterMotion::FileCreate(const char* path) {
    if (file_ != nullptr) {
        file_->Abandon();
        file_.reset();
    }
    std::unique_ptr<RMotionTextFile> file = NewFormatFile();
    if (path == nullptr || file->Open(path, "w")) {
        SetError(kErrorNotOpened, RString("Cannot open file \"") + (path != nullptr ? path : "") + "\" for writing.");
        return false;
    }
    file_ = std::move(file);
    GetError().ClearError();
    return true;
}

bool RWyxWriterMotion::FileClose() {
    if (file_ == nullptr) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    const bool failed = file_->Close();
    file_.reset();
    if (failed) {
        SetError(kErrorOutOfDiskSpace, "The file could not be written whole");
        return false;
    }
    return true;
}

bool RWyxWriterMotion::CheckOpen() {
    if (file_ == nullptr) {
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
    if (file_ == nullptr || !file_->Flush()) {
        SetError(kErrorOutOfDiskSpace, "The file could not be written whole");
        return false;
    }
    return true;
}

bool RWyxWriterMotion::Refuse(const RStreamOptionsMotion& options, const RString& text) {
    ShowError(options, text, "OK");
    SetError(kErrorUnidentified, text);
    return false;
}

bool RWyxWriterMotion::CheckNodes(RWyxNode* root, const RStreamOptionsMotion& options, const char* label) {
    RString names = RString("Spaces are not allowed in ") + label + " node names:";
    if (!CheckNodeNames(root, names)) {
        return Refuse(options, names);
    }
    if (NodeTreeDepth(root, kMaxSkeletonDepth) > kMaxSkeletonDepth) {
        return Refuse(options, RString("The skeleton is deeper than ") + kMaxSkeletonDepth + " levels");
    }
    return true;
}
