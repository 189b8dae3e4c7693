#include "formats/motion/RMotionTextFile.h"

#include "formats/motion/DecimalText.h"
#include "platform/SystemServices.h"

#include <cassert>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kChunkSize = 65536;
constexpr std::size_t kOutputFlushSize = 65536;

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The end of the word at text: no number spans a blank, so the parse needs no more of the
// line (measuring the whole rest of it for every number would make a line quadratic).
const char* WordEnd(const char* text) {
    while (*text != '\0' && !IsSpace(*text)) {
        ++text;
    }
    return text;
}

// Where the number at text begins: past white space and past a '+' that no other sign
// follows (from_chars takes no '+').
const char* NumberStart(const char* text) {
    while (IsSpace(*text)) {
        ++text;
    }
    return text[0] == '+' && text[1] != '-' && text[1] != '+' ? text + 1 : text;
}

// The finite number at start, read as from_chars reads it no further than end: the position
// past it, null (out untouched) when there is none or it lies beyond the doubles.
const char* ParseFinite(const char* start, const char* end, double& out) {
    double value = 0.0;
    const char* const after = ParseDecimal(start, end, value);
    if (after == nullptr || !std::isfinite(value)) {
        return nullptr;
    }
    out = value;
    return after;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Whether text begins with word, without regard to case.
bool StartsWithIgnoringCase(const char* text, const char* word) {
    for (; *word != '\0'; ++word, ++text) {
        if (*text == '\0' || Upper(*text) != Upper(*word)) {
            return false;
        }
    }
    return true;
}

// The special word for minus or plus infinity at the start of text, matched as a prefix
// without regard to case: 4 or 3 characters, 0 when neither.
std::size_t InfinityPrefix(const char* text, double& value) {
    const bool negative = text[0] == '-';
    if (StartsWithIgnoringCase(text + (negative ? 1 : 0), "inf")) {
        value = negative ? -HUGE_VAL : HUGE_VAL;
        return negative ? 4 : 3;
    }
    return 0;
}

}  // namespace

// ---- the byte source ------------------------------------------------------------------------------

// The bytes of a file (read in chunks) or of a span in memory, consumed from the front.
class RMotionTextFile::Source {
public:
    Source(const char* data, std::size_t size) : memory_(data), memorySize_(size) { Rewind(); }
    explicit Source(std::unique_ptr<RFileStream> file) : file_(std::move(file)), chunk_(kChunkSize) {
        const long end = file_->Seek(RFileStream::kFromEnd, 0) == 0 ? file_->Tell() : 0;
        fileSize_ = end > 0 ? end : 0;
        Rewind();
    }

    std::int64_t Size() const { return file_ != nullptr ? fileSize_ : static_cast<std::int64_t>(memorySize_); }

    const char* Data() const { return data_ + position_; }
    std::size_t Available() const { return size_ - position_; }
    void Consume(std::size_t count) { position_ += count; }
    bool HasFailed() const { return failed_; }

    // Loads more bytes when the buffered ones are used up; false at the end.
    bool Fill() {
        if (Available() > 0) {
            return true;
        }
        if (file_ == nullptr) {
            return false;
        }
        const int got = file_->Read(chunk_.data(), static_cast<int>(chunk_.size()));
        if (got <= 0) {
            failed_ = failed_ || file_->HasError();
            return false;
        }
        data_ = chunk_.data();
        size_ = static_cast<std::size_t>(got);
        position_ = 0;
        return true;
    }

    bool Rewind() {
        position_ = 0;
        if (file_ == nullptr) {
            data_ = memory_ != nullptr ? memory_ : "";
            size_ = memory_ != nullptr ? memorySize_ : 0;
            return true;
        }
        data_ = chunk_.data();
        size_ = 0;
        return file_->Seek(RFileStream::kFromStart, 0) == 0;
    }

private:
    const char* memory_ = nullptr;
    std::size_t memorySize_ = 0;
    std::unique_ptr<RFileStream> file_;
    std::int64_t fileSize_ = 0;
    std::vector<char> chunk_;
    const char* data_ = "";
    std::size_t size_ = 0;
    std::size_t position_ = 0;
    bool failed_ = false;
};

// ---- construction and opening ---------------------------------------------------------------------

RMotionTextFile::RMotionTextFile(const char* formatName, const char* delimiters, const char* comments, bool exact,
                                 bool report)
    : formatName_(formatName != nullptr ? formatName : ""),
      skipSet_(delimiters != nullptr ? delimiters : ""),
      wordDelimiters_(skipSet_),
      commentSet_(comments != nullptr ? comments : ""),
      exact_(exact),
      report_(report),
      buffer_(kInitialCapacity, '\0') {
    cursor_ = buffer_.data();
    FillSkipTable();
}

RMotionTextFile::~RMotionTextFile() { Close(); }

bool RMotionTextFile::Open(const char* path, const char* mode) {
    Close();
    lineNumber_ = 0;
    if (path == nullptr || mode == nullptr) {
        return true;
    }
    if (mode[0] == 'w') {
        writing_ = output_.Begin(path);
        writeFailure_.Reset();
        // Nothing is there to read: the end flag stays set.
        return !writing_;
    }
    auto file = std::make_unique<RFileStream>();
    if (!file->Open(path, mode)) {
        return true;
    }
    source_ = std::make_unique<Source>(std::move(file));
    reading_ = true;
    end_ = false;
    Rewind();
    return false;
}

void RMotionTextFile::OpenBytes(const void* data, std::size_t size) {
    Close();
    lineNumber_ = 0;
    source_ = std::make_unique<Source>(static_cast<const char*>(data), size);
    reading_ = true;
    end_ = false;
    Rewind();
}

bool RMotionTextFile::Close() {
    bool failed = !IsOpen();
    if (writing_) {
        const bool written = Flush();
        const bool committed = written && output_.Commit();
        if (!written) {
            output_.Abandon();
        } else if (!committed) {
            writeFailure_.NoteCommitFailure(output_);
        }
        failed = !committed || failed;
    }
    outputBuffer_.clear();
    source_.reset();
    writing_ = false;
    reading_ = false;
    lineNumber_ = 0;
    end_ = true;
    readFailed_ = false;
    lastError_.clear();
    ClearLine();
    return failed;
}

void RMotionTextFile::Abandon() {
    output_.Abandon();
    outputBuffer_.clear();
    writing_ = false;
    Close();
}

std::int64_t RMotionTextFile::GetSourceSize() const { return source_ != nullptr ? source_->Size() : 0; }

bool RMotionTextFile::Rewind() {
    // Lines are counted from the start again, so that reports name the line they mean.
    lineNumber_ = 0;
    readFailed_ = false;
    lastError_.clear();
    if (source_ == nullptr || !source_->Rewind()) {
        end_ = true;
        ClearLine();
        return false;
    }
    return NextLine();
}

// ---- lines --------------------------------------------------------------------------------------------

void RMotionTextFile::ClearLine() {
    buffer_[0] = '\0';
    lineLength_ = 0;
    cursor_ = buffer_.data();
}

bool RMotionTextFile::AppendToLine(const char* bytes, std::size_t count) {
    const bool endsLine = count > 0 && bytes[count - 1] == '\n';
    if (lineLength_ + count - (endsLine ? 1 : 0) > kMaxLineLength) {
        return false;
    }
    while (lineLength_ + count + 1 > capacity_) {
        capacity_ += kCapacityStep;
    }
    if (buffer_.size() < capacity_) {
        buffer_.resize(capacity_);
    }
    std::memcpy(buffer_.data() + lineLength_, bytes, count);
    lineLength_ += count;
    buffer_[lineLength_] = '\0';
    return true;
}

bool RMotionTextFile::ReadRawLine() {
    ClearLine();
    bool any = false;
    while (source_ != nullptr && source_->Fill()) {
        const char* data = source_->Data();
        const std::size_t available = source_->Available();
        const void* lineFeed = std::memchr(data, '\n', available);
        const std::size_t take =
            lineFeed != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - data) + 1 : available;
        if (!AppendToLine(data, take)) {
            readFailed_ = true;
            lastError_ = "line " + std::to_string(lineNumber_ + 1) + ": longer than " + std::to_string(kMaxLineLength) +
                         " characters";
            return false;
        }
        source_->Consume(take);
        any = true;
        if (lineFeed != nullptr) {
            break;
        }
    }
    if (source_ != nullptr && source_->HasFailed()) {
        readFailed_ = true;
        lastError_ = "line " + std::to_string(lineNumber_ + 1) + ": the file could not be read";
        return false;
    }
    return any;
}

bool RMotionTextFile::IsSignificant() {
    for (const char* at = buffer_.data(); *at != '\0'; ++at) {
        if (CharInSet(*at, commentSet_)) {
            return false;
        }
        if (!CharInSet(*at, skipSet_)) {
            cursor_ = at;
            return true;
        }
    }
    return false;
}

bool RMotionTextFile::NextLine() {
    while (!readFailed_ && ReadRawLine()) {
        ++lineNumber_;
        if (lineLength_ > 0 && buffer_[lineLength_ - 1] == '\n') {
            buffer_[--lineLength_] = '\0';
        }
        cursor_ = buffer_.data();
        if (IsSignificant()) {
            end_ = false;
            return true;
        }
    }
    end_ = true;
    ClearLine();
    return false;
}

// ---- tokenizer --------------------------------------------------------------------------------------

const char* RMotionTextFile::SetSkipDelimiters(const char* set) {
    const char* previous = skipSet_;
    skipSet_ = set != nullptr ? set : "";
    FillSkipTable();
    return previous;
}

void RMotionTextFile::FillSkipTable() {
    for (int c = 0; c < 256; ++c) {
        skipTable_[c] = CharInSet(static_cast<char>(c), skipSet_);
    }
}


int RMotionTextFile::FindKeyword(const RMotionKeyword* table, bool wholeWord) const {
    if (table == nullptr || cursor_ == nullptr) {
        return -1;
    }
    for (int i = 0; table[i].keyword != nullptr && table[i].keyword[0] != '\0'; ++i) {
        if (!StartsWithIgnoringCase(cursor_, table[i].keyword)) {
            continue;
        }
        const char after = cursor_[std::strlen(table[i].keyword)];
        if (!wholeWord || after == '\0' || CharInSet(after, wordDelimiters_)) {
            return i;
        }
    }
    return -1;
}

int RMotionTextFile::PeekKeyword(const RMotionKeyword* table) const { return FindKeyword(table, false); }

int RMotionTextFile::PeekWholeKeyword(const RMotionKeyword* table) const { return FindKeyword(table, true); }

int RMotionTextFile::ReadKeyword(RMotionKeyword* table) { return TakeKeyword(table, PeekKeyword(table)); }

int RMotionTextFile::ReadWholeKeyword(RMotionKeyword* table) { return TakeKeyword(table, PeekWholeKeyword(table)); }

int RMotionTextFile::TakeKeyword(RMotionKeyword* table, int index) {
    if (index >= 0) {
        MoveCursor(cursor_ + std::strlen(table[index].keyword));
        ++table[index].count;
    }
    return index;
}

void RMotionTextFile::ResetKeywordCounts(RMotionKeyword* table) {
    for (int i = 0; table != nullptr && table[i].keyword != nullptr && table[i].keyword[0] != '\0'; ++i) {
        table[i].count = 0;
    }
}

bool RMotionTextFile::PeekChar(char& out) const {
    if (cursor_ == nullptr || *cursor_ == '\0') {
        return false;
    }
    out = *cursor_;
    return true;
}

bool RMotionTextFile::GetChar(char& out) {
    if (!PeekChar(out)) {
        return false;
    }
    ++cursor_;
    return true;
}

bool RMotionTextFile::ReadWord(char* buffer, int max) {
    if (cursor_ == nullptr || *cursor_ == '\0' || buffer == nullptr || max < 0) {
        return false;
    }
    int length = 0;
    while (length < max && cursor_[length] != '\0' && !CharInSet(cursor_[length], wordDelimiters_)) {
        buffer[length] = cursor_[length];
        ++length;
    }
    buffer[length] = '\0';
    MoveCursor(cursor_ + length);
    return true;
}

bool RMotionTextFile::ReadWord(RString& out) {
    char word[kWordBufferLength + 1];
    if (!ReadWord(word, kWordBufferLength)) {
        return false;
    }
    out = word;
    return true;
}

bool RMotionTextFile::ReadField(std::string& out) {
    if (cursor_ == nullptr || *cursor_ == '\0') {
        return false;
    }
    std::size_t length = 0;
    while (cursor_[length] != '\0' && !CharInSet(cursor_[length], wordDelimiters_)) {
        ++length;
    }
    out.assign(cursor_, length);
    MoveCursor(cursor_ + length);
    return true;
}

// ---- numbers ------------------------------------------------------------------------------------------

std::size_t RMotionTextFile::ParseDouble(const char* text, double& out) {
    if (text == nullptr) {
        return 0;
    }
    const char* start = NumberStart(text);
    const char* after = ParseFinite(start, WordEnd(start), out);
    return after != nullptr ? static_cast<std::size_t>(after - text) : 0;
}

std::size_t RMotionTextFile::ParseInt(const char* text, int& out) {
    if (text == nullptr) {
        return 0;
    }
    const char* start = NumberStart(text);
    int value = 0;
    const auto result = std::from_chars(start, WordEnd(start), value);
    if (result.ec != std::errc()) {
        return 0;
    }
    out = value;
    return static_cast<std::size_t>(result.ptr - text);
}

bool RMotionTextFile::ReadInt(int& out) {
    if (cursor_ == nullptr || *cursor_ == '\0') {
        return false;
    }
    const std::size_t used = ParseInt(cursor_, out);
    if (used == 0) {
        return false;
    }
    MoveCursor(cursor_ + used);
    return true;
}

bool RMotionTextFile::MatchesRestOfLine(const char* word) const {
    return exact_ ? std::strcmp(cursor_, word) == 0 : StartsWithIgnoringCase(cursor_, word) &&
                                                          cursor_[std::strlen(word)] == '\0';
}

bool RMotionTextFile::ReadDouble(double& out, double scale) {
    if (cursor_ == nullptr || *cursor_ == '\0') {
        return false;
    }
    if (MatchesRestOfLine("-inf")) {
        out = -HUGE_VAL;
        MoveCursor(cursor_ + 4);
        return true;
    }
    if (MatchesRestOfLine("inf")) {
        out = HUGE_VAL;
        MoveCursor(cursor_ + 3);
        return true;
    }
    double value = 0.0;
    const std::size_t used = ParseDouble(cursor_, value);
    if (used == 0 || !std::isfinite(value * scale)) {
        return false;
    }
    out = value * scale;
    MoveCursor(cursor_ + used);
    return true;
}

int RMotionTextFile::ReadFiniteDoubles(double* out, int count) {
    if (cursor_ == nullptr || out == nullptr) {
        return 0;
    }
    // No number reads past a byte 0, so the first one still ends the line's numbers.
    const char* const end = buffer_.data() + lineLength_;
    assert(cursor_ >= buffer_.data() && cursor_ <= end);
    int read = 0;
    for (; read < count; ++read) {
        const char* after = ParseFinite(NumberStart(cursor_), end, out[read]);
        if (after == nullptr) {
            break;
        }
        MoveCursor(after);
    }
    return read;
}

bool RMotionTextFile::ReadDoublePair(double out[2], double scale) {
    if (cursor_ == nullptr || *cursor_ == '\0') {
        return false;
    }
    const char* at = cursor_;
    for (int i = 0; i < 2; ++i) {
        std::size_t used = InfinityPrefix(at, out[i]);
        if (used == 0) {
            double value = 0.0;
            used = ParseDouble(at, value);
            if (used == 0 || !std::isfinite(value * scale)) {
                return false;
            }
            out[i] = value * scale;
        }
        at = SkipDelimiters(at + used);
    }
    cursor_ = at;
    return true;
}

bool RMotionTextFile::ReadVector(double out[3], double scale) {
    if (cursor_ == nullptr || *cursor_ == '\0') {
        return false;
    }
    double values[3];
    const char* at = cursor_;
    for (double& value : values) {
        const std::size_t used = ParseDouble(at, value);
        if (used == 0 || !std::isfinite(value * scale)) {
            return false;
        }
        at += used;
    }
    for (int i = 0; i < 3; ++i) {
        out[i] = values[i] * scale;
    }
    MoveCursor(at);
    return true;
}

// ---- reports and printing --------------------------------------------------------------------------

void RMotionTextFile::Report(ReportSink sink, const char* kind, const char* format, std::va_list args,
                             std::string* kept) {
    const bool deliver = report_ && sink != nullptr;
    if (!deliver && kept == nullptr) {
        return;
    }
    char text[kMaxReportLength + 1];
    const int prefix = std::snprintf(text, sizeof(text), "%s read %s (line %d): ", formatName_, kind, lineNumber_);
    if (prefix < 0 || prefix >= kMaxReportLength) {
        return;
    }
    platform::FormatText(text + prefix, sizeof(text) - static_cast<std::size_t>(prefix), format, args);
    if (kept != nullptr) {
        *kept = "line " + std::to_string(lineNumber_) + ": " + (text + prefix);
        while (!kept->empty() && kept->back() == '\n') {
            kept->pop_back();
        }
    }
    if (deliver) {
        sink(text);
    }
}

void RMotionTextFile::Warning(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    Report(warningSink_, "warning", format, args, nullptr);
    va_end(args);
}

void RMotionTextFile::Error(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    Report(errorSink_, "error", format, args, &lastError_);
    va_end(args);
}

int RMotionTextFile::Print(int indent, const char* format, ...) {
    if (!writing_ || format == nullptr) {
        return -1;
    }
    for (int i = 0; i < indent; ++i) {
        outputBuffer_ += "  ";
    }
    char text[1024];
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    int length = platform::FormatText(text, sizeof(text), format, args);
    if (length >= 0 && static_cast<std::size_t>(length) < sizeof(text)) {
        outputBuffer_.append(text, static_cast<std::size_t>(length));
    } else if (length >= 0) {
        std::string large(static_cast<std::size_t>(length) + 1, '\0');
        length = platform::FormatText(large.data(), large.size(), format, again);
        outputBuffer_.append(large.data(), static_cast<std::size_t>(length < 0 ? 0 : length));
    }
    va_end(again);
    va_end(args);
    if (outputBuffer_.size() >= kOutputFlushSize) {
        Flush();
    }
    return length;
}

RString RMotionTextFile::FieldName(const RString& name, bool blanksSeparate) {
    return name.IsEmptyText() ? RString("Unnamed") : name.ControlCharsReplaced('_', blanksSeparate);
}

RString RMotionTextFile::WordNameFault(const RString& name, int maxLength) {
    if (name.IsEmptyText()) {
        return RString("is empty");
    }
    if (name.GetLength() > maxLength) {
        return RString("is longer than ") + maxLength + " characters";
    }
    return RString("");
}

bool RMotionTextFile::Flush() {
    if (!writing_) {
        return false;
    }
    const bool written = writeFailure_.Write(output_.File(), outputBuffer_.data(), outputBuffer_.size());
    outputBuffer_.clear();
    return written;
}
