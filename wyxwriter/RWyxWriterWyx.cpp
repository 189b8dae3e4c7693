#include "wyxwriter/RWyxWriterWyx.h"

#include "core/RProgressReporter.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "formats/motion/RStreamOptionsMotion.h"

RWyxWriterWyx::RWyxWriterWyx(RWyxObjectFactory* factory, RWyxIO* owner) : RWyxWriter(factory, owner) {}

RWyxWriterWyx::~RWyxWriterWyx() {
    if (propertyFile_ != nullptr && written_) {
        (void)FileClose();
    }
    // A property file still here goes with its container file, which abandons the write.
}

bool RWyxWriterWyx::FileCreate(const char* path) {
    if (propertyFile_ == nullptr) {
        propertyFile_ = RWyxPropertyFile::Create();
        PreparePropertyFile(*propertyFile_);
    }
    written_ = false;
    GetError().ClearError();
    RWyxFileHeaderInfo header;
    header.fileVersion = GetFileVersion();
    const bool binary = fileMode_ == kFileModeBinary || fileMode_ == kFileModeEncrypted;
    RWyxFile& file = propertyFile_->GetFile();
    if (file.Create(path, binary, fileMode_ == kFileModeEncrypted, header)) {
        return true;
    }
    const int code = file.GetLastErrorID();
    const int writerCode = code == RWyxFile::kErrorNotCreated ? kErrorNotCreated
                           : code == RWyxFile::kErrorCorrupted ? kErrorCorrupted
                                                               : kErrorUnidentified;
    SetError(writerCode, file.GetLastErrorString());
    return false;
}

bool RWyxWriterWyx::FileClose() {
    if (propertyFile_ == nullptr) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    RWyxFile& file = propertyFile_->GetFile();
    if (!written_ && !file.IsOpen()) {
        // Abandoned after a failed write: its error stands, nothing goes in place.
        if (!HasError()) SetError(kErrorNotOpened, nullptr);
        ReleasePropertyFile();
        return false;
    }
    const bool closed = file.Close();
    if (!closed) {
        if (file.GetLastErrorID() == RWyxFile::kErrorNotOpened) {
            SetError(kErrorNotOpened, nullptr);
        } else {
            TakeOverFileError(file);
        }
    }
    ReleasePropertyFile();
    return closed;
}

void RWyxWriterWyx::ReleasePropertyFile() {
    propertyFile_.reset();
    written_ = false;
}

bool RWyxWriterWyx::Write(RWyxScene* scene, RStreamOptions* options) { return WriteScene(scene, options, nullptr); }

RStreamOptionsPtr RWyxWriterWyx::CreateWriteOptions(void* /*document*/) {
    return RStreamOptionsPtr(RStreamOptionsWyx::Create());
}

RStreamOptionsWyx* RWyxWriterWyx::ResolveOptions(RStreamOptions* options, RStreamOptionsPtr& local) {
    if (options == nullptr) {
        return nullptr;
    }
    if (options->Is(RStreamOptionsWyx::ClassId())) {
        return static_cast<RStreamOptionsWyx*>(options);
    }
    if (!options->Is(RStreamOptionsMotion::ClassId())) {
        return nullptr;
    }
    RStreamOptionsWyx* motion = RStreamOptionsWyx::Create();
    local.reset(motion);
    for (int i = 0; i < RStreamOptionsWyx::kFlagCount; ++i) {
        motion->SetFlag(i, i == RStreamOptionsWyx::kFlagTakes);
    }
    return motion;
}

bool RWyxWriterWyx::WriteScene(RWyxScene* scene, RStreamOptions* options, RWyxPropertyFile* file) {
    GetError().ClearError();
    const bool ownFile = file == nullptr;
    RWyxPropertyFile* target = ownFile ? propertyFile_.get() : file;
    const bool created = target != nullptr && target->GetFile().IsWriting();
    RStreamOptionsPtr local;
    options_ = ResolveOptions(options, local);
    target_ = created ? target : nullptr;
    bool sound = false;
    if (options_ == nullptr) {
        SetError(kErrorOptionsNotSet, nullptr);
    } else if (!created) {
        SetError(kErrorNotCreated, nullptr);
    } else if (scene == nullptr) {
        Refuse("No scene to write");
    } else if (WriteDocument(*scene, ownFile) && !HasError()) {
        sound = FileIsSound();
        if (!sound) TakeOverFileError(File());
    }
    if (ownFile && created) {
        written_ = sound;
        if (!sound) File().Abandon();
    }
    options_ = nullptr;
    target_ = nullptr;
    return sound;
}

RWyxFile& RWyxWriterWyx::File() { return target_->GetFile(); }

bool RWyxWriterWyx::Flag(int index) const { return options_->GetFlag(index); }

bool RWyxWriterWyx::FileIsSound() { return File().GetLastErrorID() < 0; }

void RWyxWriterWyx::TakeOverFileError(const RWyxFile& file) {
    if (file.GetLastErrorID() == RWyxFile::kErrorOutOfDiskSpace) {
        SetError(kErrorOutOfDiskSpace, file.GetLastErrorString());
    } else {
        SetError(kErrorUnidentified, file.GetLastErrorString());
    }
}

void RWyxWriterWyx::Refuse(const RString& text) { SetError(kErrorUnidentified, text); }

void RWyxWriterWyx::Warn(const RString& text) {
    RString& messages = MessageText();
    if (!messages.IsEmptyText()) messages += "\n";
    messages += text;
}

// ---- progress ----------------------------------------------------------------------------------

void RWyxWriterWyx::BeginProgressRun(int steps) {
    if (RProgress* progress = GetProgressReporter()) {
        progress->BeginRun();
        progress->SetStepCount(steps);
    }
}

void RWyxWriterWyx::ProgressStepDone() {
    if (RProgress* progress = GetProgressReporter()) progress->StepDone();
}

void RWyxWriterWyx::EndProgressRun() {
    if (RProgress* progress = GetProgressReporter()) progress->EndRun();
}

void RWyxWriterWyx::StartProgress(const char* text, int total) {
    ReportProgress(0, text, nullptr, 0.0f);
    progressDone_ = 0;
    progressTotal_ = total;
}

void RWyxWriterWyx::ProgressStep() {
    const double percent = progressTotal_ > 0 ? progressDone_ * 100.0 / progressTotal_ : 0.0;
    ++progressDone_;
    ReportProgress(0, nullptr, nullptr, static_cast<float>(percent));
}
