#include "wyxreader/RWyxReaderWyx.h"

#include "fileio/LittleEndian.h"
#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFile.h"
#include "fileio/RWyxPropertyFile.h"
#include "fileio/WyxBinaryLayout.h"
#include "platform/NativeFiles.h"
#include "scene/RWyxTakeInfo.h"
#include "wyxreader/RWyxSceneReaderWyx5.h"
#include "wyxreader/RWyxSceneReaderWyx6.h"
#include "wyxreader/RWyxTakeInfoReader.h"

#include <cstdio>

namespace {

constexpr std::size_t kVersionAt = 8;

// The reader's code for a failure of the container.
int ReaderCode(int fileCode) {
    switch (fileCode) {
    case RWyxFile::kErrorCorrupted:
        return RWyxReader::kErrorCorrupted;
    case RWyxFile::kErrorVersionTooNew:
        return RWyxReader::kErrorVersionTooNew;
    case RWyxFile::kErrorVersionTooOld:
        return RWyxReader::kErrorVersionTooOld;
    case RWyxFile::kErrorNotOpened:
    case RWyxFile::kErrorRead:
        return RWyxReader::kErrorNotOpened;
    case RWyxFile::kErrorWrongPassword:
    case RWyxFile::kErrorPasswordRequired:
        return RWyxReader::kErrorWrongPassword;
    default:
        return RWyxReader::kErrorUnidentified;
    }
}

}  // namespace

RWyxReaderWyx::RWyxReaderWyx(RWyxObjectFactory* factory) : RWyxReader(factory) {}

RWyxReaderWyx::~RWyxReaderWyx() = default;

// ---- opening ------------------------------------------------------------------------------------

bool RWyxReaderWyx::FileOpen(const char* path) {
    ForgetFile();
    if (path == nullptr || *path == '\0') {
        SetError(kErrorNotOpened, "No file name given");
        return false;
    }
    path_ = path;
    return OpenContainer(nullptr);
}

bool RWyxReaderWyx::OpenFromMemory(const void* data, std::size_t size) {
    ForgetFile();
    if (data == nullptr) {
        SetError(kErrorNotOpened, "No bytes given");
        return false;
    }
    const char* bytes = static_cast<const char*>(data);
    bytes_.assign(bytes, bytes + size);
    fromMemory_ = true;
    const bool opened = OpenContainer(nullptr);
    // The bytes are kept only to open a protected file again with its password.
    if (!passwordProtected_) std::vector<char>().swap(bytes_);
    return opened;
}

bool RWyxReaderWyx::OpenContainer(const char* password) {
    std::unique_ptr<RWyxPropertyFile> file = RWyxPropertyFile::Create();
    RWyxFile& container = file->GetFile();
    const bool opened = fromMemory_ ? container.OpenFromMemory(bytes_.data(), bytes_.size(), password)
                                    : container.Open(path_.Buffer(), password);
    if (opened) {
        file_ = std::move(file);
        fileVersion_ = container.GetFileVersion();
        return true;
    }
    if (password == nullptr && container.GetLastErrorID() == RWyxFile::kErrorPasswordRequired) {
        // Sound as far as the container can tell without the password; Read opens it again.
        file_ = std::move(file);
        passwordProtected_ = true;
        return ReadVersionOfProtectedFile();
    }
    SetError(ReaderCode(container.GetLastErrorID()), container.GetLastErrorString());
    return false;
}

// The container keeps nothing of a file it could not open: the version is taken from the file
// header, which the container has checked.
bool RWyxReaderWyx::ReadVersionOfProtectedFile() {
    unsigned char header[wyx_layout::kFileHeaderSize] = {};
    std::size_t got = 0;
    if (fromMemory_) {
        got = std::min(bytes_.size(), sizeof header);
        std::copy(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(got), header);
    } else if (std::FILE* stream = platform::OpenFile(path_.Buffer(), "rb")) {
        got = std::fread(header, 1, sizeof header, stream);
        std::fclose(stream);
    }
    if (got != sizeof header) {
        ForgetFile();
        SetError(kErrorNotOpened, RString("Cannot read the header of \"") + path_ + "\" again");
        return false;
    }
    fileVersion_ = static_cast<int>(wyx_le::LoadU32(header + kVersionAt));
    return true;
}

bool RWyxReaderWyx::FileClose() {
    if (!IsFileOpen()) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    ForgetFile();
    return true;
}

void RWyxReaderWyx::ForgetFile() {
    file_.reset();
    path_.Clear();
    std::vector<char>().swap(bytes_);
    fromMemory_ = false;
    passwordProtected_ = false;
    unlocked_ = false;
    fileVersion_ = 0;
    headerRead_ = false;
    headerTakes_.clear();
}

void RWyxReaderWyx::TakeOverFileError() {
    const RWyxFile& container = file_->GetFile();
    SetError(ReaderCode(container.GetLastErrorID()), container.GetLastErrorString());
}

// ---- header and options ---------------------------------------------------------------------------

bool RWyxReaderWyx::ReadHeader(RWyxFileHeaderSummary& header) {
    if (!IsFileOpen()) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    if (!headerRead_) {
        headerRead_ = true;
        if (!passwordProtected_ || unlocked_) {
            RString current;
            RWyxTakeInfoReader(file_->GetFile(), GetFactory(), warnings_).ReadTakeInfos(headerTakes_, current);
        }
    }
    header.fileVersion = fileVersion_;
    header.takeInfos.clear();
    for (const auto& info : headerTakes_) header.takeInfos.push_back(info.get());
    return true;
}

RStreamOptionsPtr RWyxReaderWyx::GetReadOptions(bool quiet) {
    if (!IsFileOpen()) {
        if (!quiet) SetError(kErrorNotOpened, nullptr);
        return nullptr;
    }
    RWyxFileHeaderSummary header;
    ReadHeader(header);
    RStreamOptionsWyx* options = RStreamOptionsWyx::Create();
    RStreamOptionsPtr result(options);
    for (const RWyxTakeInfo* info : header.takeInfos) {
        const int before = options->GetTakeCount();
        const int index = options->AddTake(info->name.Buffer());
        RStreamTakeEntry* entry = options->GetTake(index);
        // Two takes of one name share an entry, read when either is selected.
        if (entry != nullptr) entry->selected = index < before ? entry->selected || info->selected : info->selected;
    }
    options->SetPasswordProtected(passwordProtected_);
    return result;
}

// ---- reading ------------------------------------------------------------------------------------------

bool RWyxReaderWyx::UnlockWith(const RStreamOptions& options) {
    const auto& wyx = static_cast<const RStreamOptionsWyx&>(options);
    if (!wyx.HasPassword()) {
        SetError(kErrorWrongPassword, "Password required");
        return false;
    }
    if (!OpenContainer(wyx.GetPassword().Buffer())) return false;
    unlocked_ = true;
    headerRead_ = false;  // the takes can be read now
    headerTakes_.clear();
    return true;
}

bool RWyxReaderWyx::Read(RWyxScene* scene, RStreamOptions* options) {
    if (!IsFileOpen()) {
        SetError(kErrorNotOpened, nullptr);
        return false;
    }
    if (scene == nullptr) {
        SetError(kErrorUnidentified, "No scene to read into");
        return false;
    }
    if (options == nullptr || !options->Is(RStreamOptionsWyx::ClassId())) {
        SetError(kErrorOptionsNotSet, nullptr);
        return false;
    }
    if (passwordProtected_ && !unlocked_ && !UnlockWith(*options)) return false;
    warnings_.Clear();
    const auto& wyxOptions = static_cast<const RStreamOptionsWyx&>(*options);
    if (fileVersion_ >= kFirstVersion6) {
        RWyxSceneReaderWyx6(*file_, *scene, wyxOptions, warnings_).Read();
    } else {
        RWyxSceneReaderWyx5(*file_, *scene, wyxOptions, warnings_).Read();
    }
    MessageText() += warnings_.GetText();
    if (file_->GetFile().GetLastErrorID() >= 0) {
        TakeOverFileError();
        return false;
    }
    return true;
}
