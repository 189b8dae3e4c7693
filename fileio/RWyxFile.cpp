#include "fileio/RWyxFile.h"

#include "core/FilePaths.h"
#include "fileio/LittleEndian.h"
#include "fileio/RWriteFailure.h"
#include "platform/NativeFiles.h"
#include "platform/SystemServices.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <utility>

namespace {

const char* const kMessages[] = {
    "File is corrupted",
    "File version is not supported yet",
    "File version is not supported anymore",
    "File not opened",
    "File not created",
    "Wrong password",
    "Password required",
    "Out of disk space",
    "File write error",
    "File read error",
    "Field error",
};
constexpr int kMessageCount = static_cast<int>(sizeof(kMessages) / sizeof(kMessages[0]));

// Saturating conversion; NaN gives 0.
std::int64_t DoubleToInt64(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 9223372036854775807.0) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value <= -9223372036854775808.0) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

std::int32_t ClampToInt32(std::int64_t value) {
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// Whether a well-formed number text lying beyond the doubles is too large rather than too
// small: the power of ten of its first significant digit decides.
bool IsOverflowText(std::string_view number) {
    std::size_t i = !number.empty() && number[0] == '-' ? 1 : 0;
    std::int64_t power = 0;
    bool significant = false;
    bool point = false;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        const char c = number[i];
        if (c == '.') {
            point = true;
        } else if (significant) {
            power += point ? 0 : 1;
        } else if (point) {
            --power;  // a zero after the point, or the first significant digit there
            significant = c != '0';
        } else {
            significant = c != '0';
        }
    }
    if (!significant) {
        return false;
    }
    if (i + 1 < number.size()) {
        const std::size_t digits = i + 1 + (number[i + 1] == '+' ? 1 : 0);
        std::int64_t exponent = 0;
        const auto parsed = std::from_chars(number.data() + digits, number.data() + number.size(), exponent);
        if (parsed.ec != std::errc()) {
            return number[i + 1] != '-';  // an exponent beyond 64 bits decides alone
        }
        return exponent >= -power;
    }
    return power >= 0;
}

// The number a text begins with (0 when none does); `whole` tells whether it was all of it.
// A number beyond the doubles gives the largest double or zero, with its sign: "%.15g"
// writes the largest double as a text slightly above it.
double TextToDouble(std::string_view text, bool* whole = nullptr) {
    double value = 0.0;
    const char* const end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view number(text.data(), static_cast<std::size_t>(result.ptr - text.data()));
        value = IsOverflowText(number) ? std::numeric_limits<double>::max() : 0.0;
        value = text[0] == '-' ? -value : value;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    if (whole != nullptr) {
        *whole = result.ec != std::errc::invalid_argument && result.ptr == end;
    }
    return value;
}

std::int64_t TextToInt64(std::string_view text, bool* whole = nullptr) {
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    const bool complete = result.ec == std::errc() && result.ptr == text.data() + text.size();
    if (whole != nullptr) {
        *whole = complete;
    }
    return complete ? value : DoubleToInt64(TextToDouble(text));
}

// The type letter an ASCII value's text stands for.
char ClassifyAsciiText(std::string_view text, bool quoted) {
    if (quoted) {
        return 'S';
    }
    bool whole = false;
    const std::int64_t integer = TextToInt64(text, &whole);
    if (whole) {
        return (integer >= std::numeric_limits<std::int32_t>::min() &&
                integer <= std::numeric_limits<std::int32_t>::max())
                   ? 'I'
                   : 'L';
    }
    TextToDouble(text, &whole);
    if (whole) {
        return 'D';
    }
    return text.size() == 1 ? 'C' : 'S';
}

bool IsTextType(char type) {
    return type == 'S' || type == 'R' || type == 'T';
}

bool IsNumberType(char type) {
    return type == 'D' || type == 'F' || type == 'I' || type == 'L';
}

}  // namespace

void RWyxFile::FreeDeleter::operator()(char* bytes) const {
    std::free(bytes);
}

RWyxFile::RWyxFile() : error_(kMessages, kMessageCount) {}

RWyxFile::~RWyxFile() {
    if (mode_ == Mode::kWriting) {
        Abandon();
    }
}

// ---- State and errors ----

void RWyxFile::ResetState() {
    error_.ClearError();
    ForgetFile();
}

void RWyxFile::ForgetFile() {
    mode_ = Mode::kClosed;
    binary_ = false;
    encrypted_ = false;
    headerInfo_ = RWyxFileHeaderInfo();
    frames_.clear();
    sections_.clear();
    sectionOpen_ = false;
    sealPending_ = false;
    embeddedFiles_.clear();
    cipher_.reset();
    ReleaseReading();
}

void RWyxFile::ReleaseReading() {
    data_.reset();
    dataSize_ = 0;
    index_.Clear();
    readLevels_.clear();
    currentSection_ = -1;
}

void RWyxFile::Fail(int code, const char* text) {
    if (error_.HasError()) {
        return;
    }
    if (text != nullptr) {
        error_.SetError(code, text);
    } else {
        error_.SetErrorCode(code);
    }
}

void RWyxFile::NoteOutputFailure() {
    switch (output_.GetFailure()) {
    case RWyxOutputStream::Failure::kNone:
        break;
    case RWyxOutputStream::Failure::kOutOfSpace:
        Fail(kErrorOutOfDiskSpace);
        break;
    case RWyxOutputStream::Failure::kWriteError:
        Fail(kErrorWrite);
        break;
    }
}

// Error 4 naming the file as every writer names one it could not create, with the system's
// reason when a call of it failed: 'File not created: "<name>": Permission denied'.
void RWyxFile::FailCreate(const char* name, int reason) {
    const RString text = RString(kMessages[kErrorNotCreated]) + ": \"" + name + "\"";
    Fail(kErrorNotCreated, WithFailureReason(text, reason).Buffer());
}

// A failed commit leaves the target as it was, unless the old content of a file overwritten
// in place could not be put back: the text then says where it is kept.
void RWyxFile::NoteCommitFailure() {
    const int failure = replacement_.FailureCode();
    const int code = failure == ENOSPC || failure == EDQUOT ? kErrorOutOfDiskSpace : kErrorWrite;
    const std::string& kept = replacement_.KeptOldContent();
    if (kept.empty()) {
        Fail(code);
    } else {
        Fail(code, (RString(kMessages[code]) + " : the old content is kept in " + kept.c_str()).Buffer());
    }
}

// ---- Creating, opening, closing ----

bool RWyxFile::Create(const char* name, bool binary, bool encrypted, const RWyxFileHeaderInfo& headerInfo) {
    LeaveOpenFile();
    ResetState();
    if (name == nullptr || name[0] == '\0') {
        Fail(kErrorNotCreated);
        return false;
    }
    if (headerInfo.fileVersion < 1 || headerInfo.fileVersion > kMaxFileVersion) {
        FailCreate(name, 0);
        return false;
    }
    RString current;
    GetCurrentDirectoryPath(current);
    MakeAbsolutePath(fileName_, current.Buffer(), name);
    GetFileDirectory(folder_, fileName_.Buffer());
    // The content goes to a temporary file beside the target (the file its links lead to),
    // put in place by Close only; a file that may not be written, or a folder, is refused.
    if (!replacement_.Begin(fileName_.Buffer()) || !output_.Attach(replacement_.File())) {
        const int reason = replacement_.FailureCode();
        replacement_.Abandon();
        FailCreate(name, reason);
        return false;
    }
    mode_ = Mode::kWriting;
    binary_ = binary;
    encrypted_ = binary && encrypted;
    headerInfo_ = headerInfo;
    if (binary_) {
        WriteBinaryFileHeader();
    } else {
        const RString line = RString(";WYX ASCII ") + headerInfo_.fileVersion + "\n";
        output_.Append(line.Buffer(), static_cast<std::size_t>(line.GetLength()));
    }
    if (!StartSection(kMainSection)) {
        Abandon();
        FailCreate(name, 0);
        return false;
    }
    WriteHeaderRecord();
    NoteOutputFailure();
    return true;
}

void RWyxFile::LeaveOpenFile() {
    if (mode_ == Mode::kWriting) {
        Abandon();
    } else if (mode_ == Mode::kReading) {
        ReleaseReading();
        mode_ = Mode::kClosed;
    }
}

void RWyxFile::Abandon() {
    if (mode_ != Mode::kWriting) {
        return;
    }
    output_.Abandon();
    replacement_.Abandon();
    ForgetFile();
}

bool RWyxFile::Close() {
    if (mode_ == Mode::kReading) {
        ReleaseReading();
        mode_ = Mode::kClosed;
        return !error_.HasError();
    }
    if (mode_ != Mode::kWriting) {
        Fail(kErrorNotOpened);
        return false;
    }
    CloseSectionIfOpen();
    if (!error_.HasError()) {
        if (binary_) {
            WriteBinaryFooter();
            if (sealPending_) {
                SealSection(sections_.front(), sections_.front().bodyLength);
            }
        } else {
            output_.Append(";WYX END\n", 9);
        }
        output_.Finish();
        NoteOutputFailure();
    }
    if (!error_.HasError() && !replacement_.Commit()) {
        NoteCommitFailure();
    }
    if (error_.HasError()) {
        Abandon();  // the target stays as it was
        return false;
    }
    mode_ = Mode::kClosed;
    frames_.clear();
    cipher_.reset();
    sealPending_ = false;
    return true;
}

bool RWyxFile::Open(const char* name, const char* password) {
    LeaveOpenFile();
    ResetState();
    if (name == nullptr || name[0] == '\0') {
        Fail(kErrorNotOpened);
        return false;
    }
    RString current;
    GetCurrentDirectoryPath(current);
    MakeAbsolutePath(fileName_, current.Buffer(), name);
    GetFileDirectory(folder_, fileName_.Buffer());
    return OpenWith(password, [this] { return ReadFileBytes(fileName_.Buffer()); });
}

bool RWyxFile::OpenFromMemory(const void* data, std::size_t size, const char* password) {
    LeaveOpenFile();
    ResetState();
    fileName_.Clear();
    folder_.Clear();
    if (data == nullptr) {
        Fail(kErrorNotOpened);
        return false;
    }
    return OpenWith(password, [&] { return CopyBytes(data, size); });
}

template <typename Load>
bool RWyxFile::OpenWith(const char* password, Load load) {
    bool opened = false;
    try {
        if (!load()) {
            Fail(kErrorNotOpened);
        } else {
            opened = ParseBytes(password);
        }
        if (opened) {
            mode_ = Mode::kReading;
            ProjectOpenSection(kMainSection);
        }
    } catch (const std::bad_alloc&) {
        // The index of a huge file may not fit in memory: no exception leaves the interface.
        Fail(kErrorNotOpened);
        opened = false;
    }
    if (!opened) {
        ForgetFile();  // nothing of the refused file stays, only the error
    }
    return opened;
}

bool RWyxFile::ParseBytes(const char* password) {
    const std::string_view text(data_.get(), dataSize_);
    if (text.substr(0, 4) == "\x89WYX") {
        return ParseBinaryFile(password);
    }
    if (text.substr(0, 11) == ";WYX ASCII ") {
        return ParseAsciiFile();
    }
    Fail(kErrorCorrupted);
    return false;
}

bool RWyxFile::AllocateBytes(std::uint64_t size) {
    dataSize_ = size;
    const bool large = size >= kLargeFileBytes;
    if (size > std::numeric_limits<std::size_t>::max() - kLargeFileBytes) {
        data_.reset();
    } else if (large) {
        // Starting on a large page's boundary, every large page the bytes span can be one
        // (a block from malloc starts just past one, and its partial first and last large
        // pages stay small pages: hundreds of extra faults for a file of tens of megabytes).
        const auto rounded = static_cast<std::size_t>((size + kLargeFileBytes - 1) / kLargeFileBytes * kLargeFileBytes);
        data_.reset(static_cast<char*>(std::aligned_alloc(static_cast<std::size_t>(kLargeFileBytes), rounded)));
    } else {
        data_.reset(static_cast<char*>(std::malloc(size > 0 ? static_cast<std::size_t>(size) : 1)));
    }
    // A large file's bytes are all written at once and then read through: they are backed
    // by large pages where the system has them, in one call rather than a fault per page
    // while the bytes are copied in.
    if (data_ != nullptr && large) {
        platform::PreferLargePages(data_.get(), size);
        platform::PrepareForWriting(data_.get(), size);
    }
    return data_ != nullptr;
}

bool RWyxFile::CopyBytes(const void* data, std::size_t size) {
    if (!AllocateBytes(size)) {
        return false;
    }
    std::memcpy(data_.get(), data, size);
    return true;
}

bool RWyxFile::ReadFileBytes(const char* name) {
    std::FILE* file = platform::OpenFile(name, "rb");
    if (file == nullptr) {
        return false;
    }
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        ok = AllocateBytes(static_cast<std::uint64_t>(size)) &&
             std::fread(data_.get(), 1, dataSize_, file) == dataSize_;
    }
    std::fclose(file);
    return ok;
}

// ---- Paths ----

const char* RWyxFile::GetFullPath(const char* path) {
    MakeAbsolutePath(pathAnswer_, folder_.Buffer(), path);
    return pathAnswer_.Buffer();
}

const char* RWyxFile::GetRelativePath(const char* path) {
    if (path == nullptr) {
        pathAnswer_.Clear();
        return pathAnswer_.Buffer();
    }
    RString absolute;
    MakeAbsolutePath(absolute, folder_.Buffer(), path);
    // Seen from a file in the folder (or at the top while there is none).
    const RString from = fileName_.IsEmptyText() ? RString("\\") : fileName_;
    MakeRelativePath(pathAnswer_, from.Buffer(), absolute.Buffer());
    return pathAnswer_.Buffer();
}

// ---- Sections ----

bool RWyxFile::StartSection(int kind) {
    Section section;
    section.kind = kind;
    section.version = headerInfo_.fileVersion;
    section.headerOffset = output_.Position();
    if (binary_ && !WriteBinarySectionHeader(section)) {
        return false;
    }
    sections_.push_back(section);
    sectionOpen_ = true;
    NoteOutputFailure();
    return true;
}

void RWyxFile::CloseOpenFields() {
    while (!frames_.empty() && !error_.HasError()) {
        if (frames_.back().phase == Phase::kBlockOpen) {
            FieldWriteBlockEnd();
        } else {
            FieldWriteEnd();
        }
    }
    frames_.clear();
}

void RWyxFile::CloseSectionIfOpen() {
    if (!sectionOpen_) {
        return;
    }
    CloseOpenFields();
    if (binary_ && !error_.HasError()) {
        EndBinarySection(sections_.back());
    }
    sectionOpen_ = false;
    NoteOutputFailure();
}

bool RWyxFile::ProjectCloseSection() {
    if (mode_ != Mode::kWriting || !sectionOpen_) {
        return false;
    }
    CloseSectionIfOpen();
    return true;
}

bool RWyxFile::ProjectCreateExtensionSection(bool closeOpenSection) {
    if (mode_ != Mode::kWriting || !binary_ || error_.HasError() || sections_.size() > 1) {
        return false;
    }
    if (sectionOpen_) {
        if (!closeOpenSection) {
            return false;
        }
        CloseSectionIfOpen();
    }
    if (!StartSection(kExtensionSection)) {
        Fail(kErrorWrite);
        return false;
    }
    return !error_.HasError();
}

bool RWyxFile::ProjectOpenSection(int section) {
    if (mode_ != Mode::kReading) {
        return false;
    }
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        if (sections_[i].kind == section) {
            while (!readLevels_.empty()) {
                EndVisit();
            }
            StartVisit(sections_[i].top);
            currentSection_ = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

int RWyxFile::GetSectionVersion(int section) const {
    for (const Section& candidate : sections_) {
        if (candidate.kind == section) {
            return candidate.version;
        }
    }
    return 0;
}

int RWyxFile::GetCurrentSectionVersion() const {
    if (mode_ == Mode::kWriting) {
        return sectionOpen_ ? sections_.back().version : 0;
    }
    return currentSection_ >= 0 ? sections_[static_cast<std::size_t>(currentSection_)].version : 0;
}

bool RWyxFile::SetPassword(const char* text) {
    if (mode_ != Mode::kWriting || !binary_ || !sectionOpen_ || sections_.back().kind != kMainSection ||
        error_.HasError() || text == nullptr || text[0] == '\0' || sections_.back().passwordProtected) {
        return false;
    }
    if (!WritePassword(text)) {
        return false;
    }
    sections_.back().passwordProtected = true;
    NoteOutputFailure();
    return !error_.HasError();
}

bool RWyxFile::IsPasswordProtected() const {
    return !sections_.empty() && sections_.front().passwordProtected;
}

// ---- Field writer ----

bool RWyxFile::CanWrite() {
    if (mode_ != Mode::kWriting) {
        Fail(kErrorField, "Write field error : file not open for writing");
        return false;
    }
    return !error_.HasError();
}

RWyxFile::WriteFrame* RWyxFile::OpenFrame() {
    if (frames_.empty() || frames_.back().phase == Phase::kBlockOpen) {
        return nullptr;
    }
    return &frames_.back();
}

bool RWyxFile::CanWriteValue() {
    if (mode_ == Mode::kWriting && !error_.HasError() && !frames_.empty() &&
        frames_.back().phase == Phase::kValues) {
        return true;
    }
    return ReportValueMisuse();
}

bool RWyxFile::ReportValueMisuse() {
    if (CanWrite()) {
        FailField("Write field error : Field not opened");
    }
    return false;
}

bool RWyxFile::IsValidFieldName(const char* name) const {
    if (name == nullptr) {
        return false;
    }
    const std::size_t length = std::strlen(name);
    if (length == 0 || length > static_cast<std::size_t>(kMaxNameLength) || name[0] == '#' ||
        name[0] == ';' || name[0] == ' ' || name[length - 1] == ' ') {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7f || c == ':' || c == '"' || c == '{' || c == '}') {
            return false;
        }
    }
    return true;
}

void RWyxFile::BeginRecord(std::string_view name) {
    const std::uint64_t start = output_.Position();
    if (binary_) {
        BeginBinaryRecord(name);
    } else {
        BeginAsciiRecord(name);
    }
    frames_.emplace_back();
    WriteFrame& frame = frames_.back();
    frame.recordStart = start;
    frame.valuesStart = output_.Position();
    NoteOutputFailure();
}

void RWyxFile::WriteHeaderRecord() {
    const RWyxTimeStamp& stamp = headerInfo_.creationTimeStamp;
    const int parts[] = {stamp.year, stamp.month,  stamp.day,        stamp.hour,
                         stamp.minute, stamp.second, stamp.millisecond};
    bool stamped = false;
    for (int part : parts) {
        stamped = stamped || part != 0;
    }
    if (!stamped && headerInfo_.creator.IsEmptyText()) {
        return;
    }
    BeginRecord("#Header");
    for (int part : parts) {
        FieldWriteInt(part);
    }
    FieldWriteString(headerInfo_.creator);
    FieldWriteEnd();
}

void RWyxFile::FieldWriteBegin(const char* name) {
    if (!CanWrite()) {
        return;
    }
    if (!sectionOpen_) {
        FailField("Begin Field error : no section open");
    } else if (OpenFrame() != nullptr) {
        FailField("Begin Field error last field not closed");
    } else if (!IsValidFieldName(name)) {
        FailField("Begin Field error : invalid field name");
    } else {
        BeginRecord(name);
    }
}

void RWyxFile::FieldWriteEnd() {
    if (!CanWrite()) {
        return;
    }
    WriteFrame* frame = OpenFrame();
    if (frame == nullptr) {
        FailField("End Field error : Field not opened");
        return;
    }
    if (binary_) {
        if (frame->phase == Phase::kValues) {
            EndBinaryValues(*frame);
        }
        EndBinaryRecord(*frame);
    } else {
        output_.AppendByte('\n');
    }
    frames_.pop_back();
    NoteOutputFailure();
}

void RWyxFile::FieldWriteBlockBegin() {
    if (!CanWriteValue()) {
        return;
    }
    WriteFrame& frame = frames_.back();
    if (frames_.size() >= static_cast<std::size_t>(RWyxRecordIndex::kMaxDepth)) {
        FailField("Begin Block error : blocks nested too deeply");
        return;
    }
    if (binary_) {
        EndBinaryValues(frame);
    } else {
        output_.Append(" {\n", 3);
    }
    frame.phase = Phase::kBlockOpen;
    NoteOutputFailure();
}

void RWyxFile::FieldWriteBlockEnd() {
    if (!CanWrite()) {
        return;
    }
    if (frames_.empty() || frames_.back().phase != Phase::kBlockOpen) {
        const bool inBlock = frames_.size() > 1;
        FailField(inBlock ? "End Block error last field not closed" : "End Block error : no block open");
        return;
    }
    if (binary_) {
        AppendBinaryNullRecord();
    } else {
        WriteAsciiIndent(frames_.size() - 1);
        output_.AppendByte('}');
    }
    frames_.back().phase = Phase::kBlockClosed;
    NoteOutputFailure();
}

template <typename WriteBinary, typename WriteAscii>
void RWyxFile::WriteValue(WriteBinary writeBinary, WriteAscii writeAscii) {
    if (!CanWriteValue()) {
        return;
    }
    if (binary_) {
        writeBinary();
    } else {
        AppendAsciiSeparator();
        writeAscii();
    }
    ++frames_.back().valueCount;
    NoteOutputFailure();
}

void RWyxFile::FieldWriteDouble(double value) {
    WriteValue(
        [&] {
            unsigned char bytes[8];
            wyx_le::StoreU64(bytes, wyx_le::DoubleBits(value));
            output_.AppendTagged('D', bytes);
        },
        [&] { AppendAsciiDouble(value); });
}

void RWyxFile::FieldWriteFloat(float value) {
    WriteValue(
        [&] {
            unsigned char bytes[4];
            wyx_le::StoreU32(bytes, wyx_le::FloatBits(value));
            output_.AppendTagged('F', bytes);
        },
        [&] { AppendAsciiDouble(value); });
}

void RWyxFile::FieldWriteInt(std::int32_t value) {
    WriteValue(
        [&] {
            unsigned char bytes[4];
            wyx_le::StoreU32(bytes, static_cast<std::uint32_t>(value));
            output_.AppendTagged('I', bytes);
        },
        [&] { AppendAsciiInteger(value); });
}

void RWyxFile::FieldWriteLong(std::int64_t value) {
    WriteValue(
        [&] {
            unsigned char bytes[8];
            wyx_le::StoreU64(bytes, static_cast<std::uint64_t>(value));
            output_.AppendTagged('L', bytes);
        },
        [&] { AppendAsciiInteger(value); });
}

void RWyxFile::FieldWriteChar(char value) {
    WriteValue(
        [&] {
            const unsigned char bytes[1] = {static_cast<unsigned char>(value)};
            output_.AppendTagged('C', bytes);
        },
        [&] { AppendAsciiChar(value); });
}

void RWyxFile::FieldWriteString(const char* text) {
    if (!CanWriteValue()) {
        return;
    }
    if (text == nullptr) {
        FailField("Write field error : R_NULL value");
        return;
    }
    FieldWriteString(RString(text));
}

void RWyxFile::FieldWriteString(const RString& text) {
    const std::string_view bytes(text.Buffer(), static_cast<std::size_t>(text.GetLength()));
    WriteValue([&] { AppendBinaryBytesValue('S', bytes.data(), bytes.size()); },
               [&] { AppendAsciiQuoted(bytes); });
}

void RWyxFile::FieldWriteTime(RTime time) {
    if (headerInfo_.fileVersion < kTickTimeVersion) {
        FieldWriteDouble(time.ToSeconds());
    } else {
        FieldWriteLong(time.GetTicks());
    }
}

void RWyxFile::FieldWriteTimeSpan(RTime start, RTime stop) {
    FieldWriteTime(start);
    FieldWriteTime(stop);
}

void RWyxFile::FieldWriteComment(const char* text) {
    if (!CanWrite() || binary_) {
        return;
    }
    if (OpenFrame() != nullptr) {
        FailField("Write comment error : field not closed");
        return;
    }
    WriteAsciiComment(text);
    NoteOutputFailure();
}

// ---- Field reader ----

const RWyxRecord* RWyxFile::CurrentRecord() const {
    if (readLevels_.empty() || Level().current == kNoField) {
        return nullptr;
    }
    return &index_.At(Level().current);
}

std::string_view RWyxFile::RecordName(const RWyxRecord& record) const {
    return std::string_view(data_.get() + record.NameOffset(), record.nameLength);
}

// No record of a level is marked read outside a visit of it (EndVisit unmarks those a visit
// marked): a visit starts without a pass over the level, which a block probed and then read
// would otherwise take twice.
void RWyxFile::StartVisit(const RWyxLevel& run) {
    ReadLevel level;
    level.run = run;
    readLevels_.push_back(level);
}

void RWyxFile::EndVisit() {
    const ReadLevel& level = Level();
    for (std::uint32_t entry = level.markedFrom; entry < level.markedEnd; ++entry) {
        index_.At(entry).read = false;
    }
    readLevels_.pop_back();
}

void RWyxFile::MakeCurrent(std::uint32_t entry) {
    ReadLevel& level = Level();
    RWyxRecord& record = index_.At(entry);
    record.read = true;
    level.markedFrom = std::min(level.markedFrom, entry);
    level.markedEnd = std::max(level.markedEnd, entry + 1);
    level.current = entry;
    level.cursor.offset = record.valuesOffset;
    level.cursor.index = 0;
}

bool RWyxFile::FieldReadBegin(const char* name) {
    if (mode_ != Mode::kReading || readLevels_.empty() || name == nullptr) {
        return false;
    }
    ReadLevel& level = Level();
    level.current = kNoField;
    const std::string_view wanted(name);
    NameHint* hint = nullptr;
    for (NameHint& candidate : level.hints) {
        if (!candidate.name.empty() && candidate.name == wanted) {
            hint = &candidate;
        }
    }
    // Names compared by their length first: most fields of a level are passed by it alone.
    const char* const bytes = data_.get();
    for (std::uint32_t i = hint != nullptr ? hint->next : 0; i < level.run.count; ++i) {
        const RWyxRecord& record = index_.At(level.run.first + i);
        if (!record.read && record.nameLength == wanted.size() &&
            std::memcmp(bytes + record.NameOffset(), wanted.data(), wanted.size()) == 0) {
            if (hint == nullptr) {
                hint = &level.hints[level.nextHint];
                level.nextHint = (level.nextHint + 1) % static_cast<int>(std::size(level.hints));
                hint->name = RecordName(record);
            }
            hint->next = i + 1;
            MakeCurrent(level.run.first + i);
            return true;
        }
    }
    return false;
}

void RWyxFile::FieldReadEnd() {
    if (!readLevels_.empty()) {
        Level().current = kNoField;
    }
}

bool RWyxFile::FieldReadBlockBegin() {
    const RWyxRecord* record = CurrentRecord();
    if (record == nullptr || !record->hasBlock) {
        return false;
    }
    StartVisit(RWyxLevel{record->firstChild, record->childCount});
    return true;
}

void RWyxFile::FieldReadBlockEnd() {
    if (readLevels_.size() > 1) {
        EndVisit();
    }
}

int RWyxFile::FieldGetCount() const {
    return readLevels_.empty() ? 0 : static_cast<int>(Level().run.count);
}

RString RWyxFile::FieldGetName(int index) const {
    const std::string_view name = FieldGetNameView(index);
    return RString(name.data(), static_cast<int>(name.size()));
}

std::string_view RWyxFile::FieldGetNameView(int index) const {
    if (index < 0 || index >= FieldGetCount()) {
        return std::string_view();
    }
    return RecordName(index_.At(Level().run.first + static_cast<std::uint32_t>(index)));
}

bool RWyxFile::FieldReadBeginAt(int index) {
    if (index < 0 || index >= FieldGetCount()) {
        return false;
    }
    MakeCurrent(Level().run.first + static_cast<std::uint32_t>(index));
    return true;
}

RString RWyxFile::FieldGetCurrentName() const {
    const RWyxRecord* record = CurrentRecord();
    if (record == nullptr) {
        return RString();
    }
    const std::string_view name = RecordName(*record);
    return RString(name.data(), static_cast<int>(name.size()));
}

bool RWyxFile::NextValue(const RWyxRecord& record, Cursor& cursor, Value& value) {
    if (cursor.index >= record.valueCount) {
        return false;
    }
    const bool ok = binary_ ? NextBinaryValue(record, cursor, value) : NextAsciiValue(record, cursor, value);
    if (!ok) {
        Fail(kErrorCorrupted);
        cursor.index = record.valueCount;  // the rest of the field cannot be trusted
    }
    return ok;
}

bool RWyxFile::NextCurrentValue(Value& value) {
    const RWyxRecord* record = CurrentRecord();
    return record != nullptr && NextValue(*record, Level().cursor, value);
}

namespace {

// Conversions of a decoded value; `text` is the value's text for the text kinds.
double ValueToDouble(char type, double real, std::int64_t integer, std::string_view text) {
    switch (type) {
    case 'D':
    case 'F':
        return real;
    case 'I':
    case 'L':
        return static_cast<double>(integer);
    case 'S':
    case 'T':
        return TextToDouble(text);
    default:
        return 0.0;
    }
}

std::int64_t ValueToInt64(char type, double real, std::int64_t integer, std::string_view text) {
    switch (type) {
    case 'D':
    case 'F':
        return DoubleToInt64(real);
    case 'I':
    case 'L':
        return integer;
    case 'S':
    case 'T':
        return TextToInt64(text);
    default:
        return 0;
    }
}

}  // namespace

double RWyxFile::FieldReadDouble() {
    if (const unsigned char* bytes = TakeFixedValue('D')) {
        return wyx_le::BitsToDouble(wyx_le::LoadU64(bytes));
    }
    Value value;
    return NextCurrentValue(value) ? ValueToDouble(value.type, value.real, value.integer, value.bytes) : 0.0;
}

std::int32_t RWyxFile::FieldReadInt() {
    if (const unsigned char* bytes = TakeFixedValue('I')) {
        return static_cast<std::int32_t>(wyx_le::LoadU32(bytes));
    }
    return ClampToInt32(FieldReadLong());
}

bool RWyxFile::FieldReadNumber(double& value) {
    if (const unsigned char* bytes = TakeFixedValue('D')) {
        value = wyx_le::BitsToDouble(wyx_le::LoadU64(bytes));
        return true;
    }
    const bool number = IsNumberType(FieldReadValueType());
    value = FieldReadDouble();
    return number;
}

bool RWyxFile::FieldReadIntNumber(std::int32_t& value) {
    if (const unsigned char* bytes = TakeFixedValue('I')) {
        value = static_cast<std::int32_t>(wyx_le::LoadU32(bytes));
        return true;
    }
    const bool number = IsNumberType(FieldReadValueType());
    value = FieldReadInt();
    return number;
}

std::int64_t RWyxFile::FieldReadLong() {
    Value value;
    return NextCurrentValue(value) ? ValueToInt64(value.type, value.real, value.integer, value.bytes) : 0;
}

char RWyxFile::FieldReadChar() {
    if (const unsigned char* bytes = TakeFixedValue('C')) {
        return static_cast<char>(bytes[0]);
    }
    Value value;
    if (!NextCurrentValue(value)) {
        return 0;
    }
    if (value.type == 'C') {
        return static_cast<char>(value.integer);
    }
    return IsTextType(value.type) && !value.bytes.empty() ? value.bytes[0] : 0;
}

// A value that is missing or cannot be read gives the empty text, not the invalid one: an
// invalid text would void every text it is joined to (a warning naming it, and all after).
RString RWyxFile::FieldReadString() {
    const std::string_view text = FieldReadStringView();
    return text.data() != nullptr ? RString(text.data(), static_cast<int>(text.size())) : RString();
}

std::string_view RWyxFile::FieldReadStringView() {
    std::string_view text;
    if (TakeBinaryText(text)) {
        return text;
    }
    Value value;
    if (!NextCurrentValue(value)) {
        return std::string_view();
    }
    char* const number = numberText_;
    std::to_chars_result result{number, std::errc()};
    switch (value.type) {
    case 'D':
    case 'F':
        result = std::to_chars(number, number + sizeof numberText_, value.real, std::chars_format::general, 15);
        break;
    case 'I':
    case 'L':
        result = std::to_chars(number, number + sizeof numberText_, value.integer);
        break;
    case 'C':
        number[0] = static_cast<char>(value.integer);
        result.ptr = number + 1;
        break;
    default:
        return value.bytes;
    }
    return std::string_view(number, static_cast<std::size_t>(result.ptr - number));
}

RTime RWyxFile::FieldReadTime() {
    Value value;
    if (!NextCurrentValue(value)) {
        return RTime();
    }
    // "L" is always a tick count and "D" and "F" always seconds; any other value (a binary
    // "I" as much as its ASCII text) is ticks from kTickTimeVersion on and seconds before.
    const bool seconds = value.type == 'D' || value.type == 'F';
    const bool ticks = value.type == 'L' || (!seconds && headerInfo_.fileVersion >= kTickTimeVersion);
    if (ticks) {
        return RTime(ValueToInt64(value.type, value.real, value.integer, value.bytes));
    }
    RTime time;
    time.FromSeconds(ValueToDouble(value.type, value.real, value.integer, value.bytes));
    return time;
}

bool RWyxFile::FieldReadRaw(const char*& bytes, std::uint32_t& size) {
    const RWyxRecord* record = CurrentRecord();
    if (record == nullptr || !binary_) {
        return false;
    }
    Cursor probe = Level().cursor;
    Value value;
    if (!NextValue(*record, probe, value) || value.type != 'R') {
        return false;
    }
    Level().cursor = probe;
    bytes = value.bytes.data();
    size = static_cast<std::uint32_t>(value.bytes.size());
    return true;
}

bool RWyxFile::FieldReadSkipValue() {
    Value value;
    return NextCurrentValue(value);
}

template <typename T, typename Read>
T RWyxFile::ReadOneValueByName(const char* name, T defaultValue, Read read) {
    if (!FieldReadBegin(name)) {
        return defaultValue;
    }
    T value = FieldReadValuesLeft() > 0 ? read() : std::move(defaultValue);
    FieldReadEnd();
    return value;
}

std::int32_t RWyxFile::FieldReadIntByName(const char* name, std::int32_t defaultValue) {
    return ReadOneValueByName(name, defaultValue, [this] { return FieldReadInt(); });
}

RString RWyxFile::FieldReadStringByName(const char* name, const char* defaultValue) {
    return ReadOneValueByName(name, RString(defaultValue != nullptr ? defaultValue : ""),
                              [this] { return FieldReadString(); });
}

std::string_view RWyxFile::FieldReadStringViewByName(const char* name) {
    return ReadOneValueByName(name, std::string_view(), [this] { return FieldReadStringView(); });
}

char RWyxFile::FieldReadCharByName(const char* name, char defaultValue) {
    return ReadOneValueByName(name, defaultValue, [this] { return FieldReadChar(); });
}

char RWyxFile::FieldReadValueType() {
    if (const unsigned char* value = PeekFixedValue()) {
        return static_cast<char>(value[0]);
    }
    const RWyxRecord* record = CurrentRecord();
    if (record == nullptr) {
        return 'S';
    }
    Cursor probe = Level().cursor;
    Value value;
    if (!NextValue(*record, probe, value)) {
        return 0;
    }
    return value.type == 'T' ? ClassifyAsciiText(value.bytes, value.asciiQuoted) : value.type;
}

int RWyxFile::FieldReadValuesLeft() const {
    const RWyxRecord* record = CurrentRecord();
    if (record == nullptr) {
        return 0;
    }
    const std::uint32_t left = record->valueCount - Level().cursor.index;
    return left > static_cast<std::uint32_t>(std::numeric_limits<int>::max())
               ? std::numeric_limits<int>::max()
               : static_cast<int>(left);
}

void RWyxFile::ReadHeaderInfo() {
    for (const RWyxRecord& record : index_.HiddenTopRecords()) {
        if (RecordName(record) == "#Header") {
            ReadHeaderRecord(record);
        }
    }
}

void RWyxFile::ReadHeaderRecord(const RWyxRecord& record) {
    Cursor cursor{record.valuesOffset, 0};
    int parts[7] = {};
    Value value;
    for (int& part : parts) {
        if (NextValue(record, cursor, value)) {
            part = ClampToInt32(ValueToInt64(value.type, value.real, value.integer, value.bytes));
        }
    }
    RWyxTimeStamp& stamp = headerInfo_.creationTimeStamp;
    stamp.year = parts[0];
    stamp.month = parts[1];
    stamp.day = parts[2];
    stamp.hour = parts[3];
    stamp.minute = parts[4];
    stamp.second = parts[5];
    stamp.millisecond = parts[6];
    if (NextValue(record, cursor, value) && IsTextType(value.type)) {
        headerInfo_.creator = RString(value.bytes.data(), static_cast<int>(value.bytes.size()));
    }
}
