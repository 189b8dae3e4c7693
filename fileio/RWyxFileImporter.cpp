#include "fileio/RWyxFileImporter.h"

#include "core/FilePaths.h"
#include "fileio/RWyxFormatTable.h"
#include "platform/NativeFiles.h"

#include <cstdio>
#include <utility>
#include <vector>

namespace {

using StreamFlags = std::array<bool, RStreamOptionsWyx::kFlagCount>;
using WyxOptionsPtr = std::unique_ptr<RStreamOptionsWyx, RPlugDestroyer>;

// The flags of new WYX options.
const StreamFlags& DefaultStreamFlags() {
    static const StreamFlags flags = [] {
        StreamFlags result{};
        const WyxOptionsPtr defaults(RStreamOptionsWyx::Create());
        for (int i = 0; i < RStreamOptionsWyx::kFlagCount; ++i) {
            result[static_cast<std::size_t>(i)] = defaults->GetFlag(i);
        }
        return result;
    }();
    return flags;
}

bool IsStreamFlag(int index) { return index >= 0 && index < RStreamOptionsWyx::kFlagCount; }

RString Quoted(const char* text) { return RString("\"") + text + "\""; }

RString ReadingNotSupported(const RWyxFormatRow& row) {
    return RString("Reading ") + row.name + " files is not supported yet";
}

// Reads the first bytes of the file; false when it does not open for reading.
bool ReadFirstBytes(const char* path, std::vector<unsigned char>& bytes) {
    std::FILE* file = platform::OpenFile(path, "rb");
    if (file == nullptr) {
        return false;
    }
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    std::fclose(file);
    return true;
}

// The stored file version as (major, minor, revision); versions of majors 1 to 4 all read as
// 5.0.0.
void DecodeFileVersion(int version, int& major, int& minor, int& revision) {
    constexpr int kOldestMajor = 5;
    version = version > 0 ? version : 0;
    major = version / 1000;
    if (major >= 1 && major < kOldestMajor) {
        major = kOldestMajor;
        return;
    }
    minor = version / 100 % 10;
    revision = version % 100;
}

}  // namespace

RWyxFileImporter::RWyxFileImporter(RWyxObjectFactory* factory) : RWyxIO(factory) {
    streamFlags_ = DefaultStreamFlags();
}

RWyxFileImporter::~RWyxFileImporter() = default;

// ---- the file and its format ------------------------------------------------------------------

bool RWyxFileImporter::Initialize(const char* path) {
    Forget();
    fileName_ = path != nullptr ? path : "";
    if (!Identify()) {
        return false;
    }
    return !HasHeaderFormat() || EnsureHeader();
}

void RWyxFileImporter::Forget() {
    reader_.reset();
    header_ = RWyxFileHeaderSummary();
    headerState_ = HeaderState::kNotRead;
    row_ = nullptr;
    form_ = 0;
    formatId_ = kFormatUnknown;
    ClearError();
    MessageText().Clear();
    streamFlags_ = DefaultStreamFlags();
}

bool RWyxFileImporter::Identify() {
    const char* path = fileName_.Buffer();
    if (fileName_.IsEmptyText()) {
        SetError(kErrorFileNameNotSet, nullptr);
        return false;
    }
    if (platform::IsDirectory(path)) {
        SetError(kErrorNotOpened, Quoted(path) + " is a folder, not a file");
        return false;
    }
    RString extension;
    GetFileExtension(extension, path);
    const RWyxFormatRow* row = GetFormatTable().FindByExtension(extension.Buffer());
    if (row == nullptr) {
        const RString why = extension.IsEmptyText() ? RString(" has no extension to tell its format by")
                                                    : RString(": no file format has the extension ") + Quoted(extension.Buffer());
        SetError(kErrorUnknownFormat, Quoted(path) + why);
        return false;
    }
    return IdentifyByHeader(*row);
}

bool RWyxFileImporter::IdentifyByHeader(const RWyxFormatRow& row) {
    const char* path = fileName_.Buffer();
    std::vector<unsigned char> bytes(row.recognizeHeader != nullptr ? row.headerBytes : 0);
    if (!ReadFirstBytes(path, bytes)) {
        SetError(kErrorNotOpened, RString("Cannot open ") + Quoted(path) + " for reading");
        return false;
    }
    int form = 0;
    if (row.recognizeHeader != nullptr) {
        form = row.recognizeHeader(bytes.data(), bytes.size());
        if (form < 0 || form >= row.importIdCount) {
            SetError(kErrorUnknownFormat, Quoted(path) + " does not begin with a " + row.name + " header");
            return false;
        }
    }
    if (row.newReader == nullptr) {
        SetError(kErrorUnsupportedFormat, ReadingNotSupported(row));
        return false;
    }
    row_ = &row;
    form_ = form;
    formatId_ = row.firstImportId + form;
    return true;
}

bool RWyxFileImporter::HasHeaderFormat() const { return row_ != nullptr && row_->recognizeHeader != nullptr; }

// ---- the reader -------------------------------------------------------------------------------

bool RWyxFileImporter::EnsureReader() {
    if (reader_ != nullptr) {
        return true;
    }
    if (row_ == nullptr && !Identify()) {
        return false;
    }
    std::unique_ptr<RWyxReader> reader = row_->newReader != nullptr ? row_->newReader(GetFactory(), form_) : nullptr;
    if (reader == nullptr) {
        SetError(kErrorUnsupportedFormat, ReadingNotSupported(*row_));
        return false;
    }
    if (!reader->FileOpen(fileName_.Buffer())) {
        TakeOverReaderError(*reader);
        return false;
    }
    reader_ = std::move(reader);
    return true;
}

bool RWyxFileImporter::EnsureHeader() {
    if (headerState_ != HeaderState::kNotRead || !HasHeaderFormat()) {
        return headerState_ == HeaderState::kRead;
    }
    headerState_ = HeaderState::kFailed;  // read once, whatever comes of it
    if (!EnsureReader()) {
        return false;
    }
    RWyxFileHeaderSummary header;
    if (!reader_->ReadHeader(header)) {
        TakeOverReaderError(*reader_);
        return false;
    }
    header_ = std::move(header);
    headerState_ = HeaderState::kRead;
    return true;
}

void RWyxFileImporter::TakeOverReaderError(const RWyxReader& reader) {
    const int code = reader.GetLastErrorCode();
    TakeOverError(code >= kErrorCorrupted && code <= kErrorNotOpened ? code : kErrorUnidentified, reader);
}

// ---- the header ---------------------------------------------------------------------------------

bool RWyxFileImporter::GetFileVersion(int& major, int& minor, int& revision) {
    major = minor = revision = 0;
    if (!EnsureHeader()) {
        return false;
    }
    DecodeFileVersion(header_.fileVersion, major, minor, revision);
    return true;
}

int RWyxFileImporter::GetTakeCount() {
    return EnsureHeader() ? static_cast<int>(header_.takeInfos.size()) : 0;
}

RWyxTakeInfo* RWyxFileImporter::GetTakeInfo(int index) {
    if (index < 0 || index >= GetTakeCount()) {
        return nullptr;
    }
    return header_.takeInfos[static_cast<std::size_t>(index)];
}

// ---- options and import -------------------------------------------------------------------------

bool RWyxFileImporter::SetStreamFlag(int index, bool on) {
    if (!IsStreamFlag(index)) {
        return false;
    }
    streamFlags_[static_cast<std::size_t>(index)] = on;
    return true;
}

bool RWyxFileImporter::GetStreamFlag(int index) const {
    return IsStreamFlag(index) && streamFlags_[static_cast<std::size_t>(index)];
}

void RWyxFileImporter::CopyStreamFlags(RStreamOptionsWyx& options) const {
    for (int i = 0; i < RStreamOptionsWyx::kFlagCount; ++i) {
        options.SetFlag(i, streamFlags_[static_cast<std::size_t>(i)]);
    }
}

RStreamOptionsPtr RWyxFileImporter::GetReadOptions(bool quiet) {
    if (!EnsureReader()) {
        return nullptr;
    }
    RStreamOptionsPtr options = reader_->GetReadOptions(quiet);
    if (options == nullptr && !quiet) {
        TakeOverError(kErrorUnidentified, *reader_);
    }
    return options;
}

bool RWyxFileImporter::Import(RWyxScene* scene, RStreamOptions* options) {
    if (scene == nullptr) {
        SetError(kErrorUnidentified, "No scene to import into");
        return false;
    }
    if (!EnsureReader()) {
        return false;
    }
    RStreamOptionsPtr own;
    if (options == nullptr) {
        own = row_->newOptions != nullptr ? row_->newOptions() : nullptr;
        if (own == nullptr) {
            SetError(kErrorOptionsNotSet, RString("Reading ") + row_->name + " files needs the options its reader gives");
            return false;
        }
        if (own->Is(RStreamOptionsWyx::ClassId())) {
            auto& wyx = static_cast<RStreamOptionsWyx&>(*own);
            CopyStreamFlags(wyx);
            if (HasHeaderFormat() && !EnsureHeader()) {
                return false;
            }
            SelectTakes(wyx);
        }
        options = own.get();
    }
    const bool read = reader_->Read(scene, options);
    reader_->GetMessageText(MessageText());
    if (!read) {
        TakeOverError(kErrorUnidentified, *reader_);
    }
    return read;
}
