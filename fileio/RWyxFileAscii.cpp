// The ASCII form of RWyxFile: writing field lines and parsing them back into the index.

#include "fileio/RWyxFile.h"

#include "fileio/RWyxAsciiTokenizer.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr std::string_view kFirstLinePrefix = ";WYX ASCII ";
constexpr std::string_view kLastLine = ";WYX END";

// Characters written bare as a character value; any other is written as a quoted text.
bool IsBareChar(char c) {
    return c > ' ' && c < 0x7f && std::strchr(",\"{}\\;:", c) == nullptr;
}

}  // namespace

// ---- Writing ----

void RWyxFile::WriteAsciiIndent(std::size_t depth) {
    for (std::size_t i = 0; i < depth; ++i) {
        output_.AppendByte('\t');
    }
}

void RWyxFile::BeginAsciiRecord(std::string_view name) {
    WriteAsciiIndent(frames_.size());
    output_.Append(name.data(), name.size());
    output_.AppendByte(':');
}

void RWyxFile::AppendAsciiSeparator() {
    output_.AppendByte(frames_.back().valueCount == 0 ? ' ' : ',');
}

void RWyxFile::AppendAsciiDouble(double value) {
    constexpr std::size_t kRoom = 32;
    char* text = reinterpret_cast<char*>(output_.Reserve(kRoom));
    const auto result = std::to_chars(text, text + kRoom, value, std::chars_format::general, 15);
    output_.Commit(static_cast<std::size_t>(result.ptr - text));
}

void RWyxFile::AppendAsciiInteger(std::int64_t value) {
    constexpr std::size_t kRoom = 24;
    char* text = reinterpret_cast<char*>(output_.Reserve(kRoom));
    const auto result = std::to_chars(text, text + kRoom, value);
    output_.Commit(static_cast<std::size_t>(result.ptr - text));
}

void RWyxFile::AppendAsciiQuoted(std::string_view text) {
    output_.AppendByte('"');
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' || text[i] == '\\') {
            output_.Append(text.data() + start, i - start);
            output_.AppendByte('\\');
            start = i;
        }
    }
    output_.Append(text.data() + start, text.size() - start);
    output_.AppendByte('"');
}

void RWyxFile::AppendAsciiChar(char value) {
    if (IsBareChar(value)) {
        output_.AppendByte(static_cast<unsigned char>(value));
    } else {
        AppendAsciiQuoted(std::string_view(&value, 1));
    }
}

void RWyxFile::WriteAsciiComment(const char* text) {
    std::string_view rest(text != nullptr ? text : "");
    do {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        WriteAsciiIndent(frames_.size());
        output_.AppendByte(';');
        if (!line.empty()) {
            output_.AppendByte(' ');
            output_.Append(line.data(), line.size());
        }
        output_.AppendByte('\n');
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    } while (!rest.empty());
}

// ---- Reading ----

namespace {

// The first pass over the records: how many there are at the top level and in each block
// (in the order the blocks begin), so that the second pass places them without copies.
class RecordCounter {
public:
    bool Record(const RWyxRecord& /*record*/, bool hidden) {
        lastHidden_ = hidden || hiddenDepth_ > 0;
        if (!lastHidden_) {
            ++total_;
            ++(open_.empty() ? top_ : blockCounts_[open_.back()]);
        }
        return true;
    }
    bool OpenBlock() {
        if (lastHidden_) {
            ++hiddenDepth_;
        } else {
            open_.push_back(blockCounts_.size());
            blockCounts_.push_back(0);
        }
        return true;
    }
    bool CloseBlock() {
        if (hiddenDepth_ > 0) {
            --hiddenDepth_;
        } else {
            open_.pop_back();
        }
        lastHidden_ = true;
        return true;
    }

    std::uint64_t Total() const { return total_; }
    std::uint64_t Top() const { return top_; }
    const std::vector<std::uint64_t>& BlockCounts() const { return blockCounts_; }

private:
    std::uint64_t total_ = 0;
    std::uint64_t top_ = 0;
    std::vector<std::uint64_t> blockCounts_;
    std::vector<std::size_t> open_;
    std::size_t hiddenDepth_ = 0;
    bool lastHidden_ = true;
};

// The second pass: each record into its place in the index.
class RecordPlacer {
public:
    RecordPlacer(RWyxRecordIndex& index, const std::vector<std::uint64_t>& blockCounts)
        : index_(index), blockCounts_(blockCounts) {}
    bool Record(const RWyxRecord& record, bool hidden) {
        lastHidden_ = hidden || hiddenDepth_ > 0;
        return index_.Place(record, hidden);
    }
    bool OpenBlock() {
        if (lastHidden_) {
            ++hiddenDepth_;
            return index_.OpenBlock(0);
        }
        return nextBlock_ < blockCounts_.size() && index_.OpenBlock(blockCounts_[nextBlock_++]);
    }
    bool CloseBlock() {
        if (hiddenDepth_ > 0) {
            --hiddenDepth_;
        }
        lastHidden_ = true;
        return index_.CloseBlock();
    }

private:
    RWyxRecordIndex& index_;
    const std::vector<std::uint64_t>& blockCounts_;
    std::size_t nextBlock_ = 0;
    std::size_t hiddenDepth_ = 0;
    bool lastHidden_ = true;
};

}  // namespace

bool RWyxFile::ParseAsciiFile() {
    const char* text = data_.get();
    RWyxAsciiTokenizer scan(text, 0, dataSize_);
    // First line: the form and the version.
    int version = 0;
    if (!scan.Consume(kFirstLinePrefix)) {
        Fail(kErrorCorrupted);
        return false;
    }
    const std::uint64_t versionStart = scan.Position();
    while (!scan.AtLineEnd() && scan.Peek() >= '0' && scan.Peek() <= '9') {
        scan.Advance();
    }
    const auto parsed = std::from_chars(text + versionStart, text + scan.Position(), version);
    scan.SkipBlanks();
    if (parsed.ec == std::errc::result_out_of_range && scan.AtLineEnd() && scan.Position() > versionStart) {
        Fail(kErrorVersionTooNew);
        return false;
    }
    if (parsed.ec != std::errc() || parsed.ptr == text + versionStart || version < 1 || !scan.AtLineEnd()) {
        Fail(kErrorCorrupted);
        return false;
    }
    if (version > kMaxFileVersion) {
        Fail(kErrorVersionTooNew);
        return false;
    }
    scan.SkipLine();
    binary_ = false;
    encrypted_ = false;
    headerInfo_.fileVersion = version;

    Section section;
    section.version = version;
    RecordCounter counter;
    RecordPlacer placer(index_, counter.BlockCounts());
    if (!ScanAsciiRecords(scan.Position(), counter) ||
        !index_.StartPlacement(counter.Total(), counter.Top(), section.top) ||
        !ScanAsciiRecords(scan.Position(), placer) || !index_.PlacementComplete()) {
        Fail(kErrorCorrupted);
        return false;
    }
    ReadHeaderInfo();
    sections_.push_back(section);
    return !error_.HasError();
}

// The records from start to the last line, each handed to sink with the blocks that open
// and close; false for anything that does not parse, for a missing last line and for any
// text after it.
template <typename Sink>
bool RWyxFile::ScanAsciiRecords(std::uint64_t start, Sink& sink) const {
    const char* text = data_.get();
    RWyxAsciiTokenizer scan(text, start, dataSize_);
    std::size_t depth = 0;
    while (true) {
        scan.SkipBlanks();
        if (scan.AtEnd()) {
            return false;  // no last line: truncated
        }
        const char c = scan.Peek();
        if (c == '\n') {
            scan.Advance();
        } else if (c == ';') {
            if (scan.Consume(kLastLine) && (scan.AtLineEnd() || scan.Peek() == ' ' || scan.Peek() == '\t' ||
                                            scan.Peek() == '\r')) {
                return depth == 0 && scan.OnlyBlankLinesLeft();
            }
            scan.SkipLine();
        } else if (c == '}') {
            scan.Advance();
            scan.SkipBlanks();
            if (depth == 0 || !scan.AtLineEnd() || !sink.CloseBlock()) {
                return false;
            }
            --depth;
        } else {
            RWyxRecord record;
            if (!ScanAsciiRecord(scan, record)) {
                return false;
            }
            if (!scan.AtLineEnd()) {  // the block's '{'
                scan.Advance();
                scan.SkipBlanks();
                if (!scan.AtLineEnd() || depth + 1 >= static_cast<std::size_t>(RWyxRecordIndex::kMaxDepth)) {
                    return false;
                }
                record.hasBlock = true;
            }
            if (!sink.Record(record, text[record.NameOffset()] == '#')) {
                return false;
            }
            if (record.hasBlock) {
                if (!sink.OpenBlock()) {
                    return false;
                }
                ++depth;
            }
        }
    }
}

bool RWyxFile::ScanAsciiRecord(RWyxAsciiTokenizer& scan, RWyxRecord& record) const {
    std::uint64_t nameOffset = 0;
    std::uint64_t nameLength = 0;
    if (!scan.ReadName(nameOffset, nameLength) || nameLength > static_cast<std::uint64_t>(kMaxNameLength)) {
        return false;
    }
    record.nameLength = static_cast<std::uint16_t>(nameLength);
    scan.SkipBlanks();
    record.valuesOffset = scan.Position();
    if (record.valuesOffset - nameOffset > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    record.nameGap = static_cast<std::uint32_t>(record.valuesOffset - nameOffset);
    std::uint64_t valuesEnd = record.valuesOffset;
    std::uint64_t count = 0;
    RWyxAsciiTokenizer::Token token;
    RWyxAsciiTokenizer::Scan result;
    while ((result = scan.NextValue(token)) == RWyxAsciiTokenizer::Scan::kValue) {
        ++count;
        valuesEnd = token.offset + token.length;
    }
    if (result == RWyxAsciiTokenizer::Scan::kBad || count > std::numeric_limits<std::uint32_t>::max() ||
        valuesEnd - record.valuesOffset > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    record.valueCount = static_cast<std::uint32_t>(count);
    record.valueBytes = static_cast<std::uint32_t>(valuesEnd - record.valuesOffset);
    return true;
}

bool RWyxFile::NextAsciiValue(const RWyxRecord& record, Cursor& cursor, Value& value) {
    RWyxAsciiTokenizer scan(data_.get(), cursor.offset, record.valuesOffset + record.valueBytes);
    RWyxAsciiTokenizer::Token token;
    if (scan.NextValue(token) != RWyxAsciiTokenizer::Scan::kValue) {
        return false;
    }
    value.type = 'T';
    value.asciiQuoted = token.quoted;
    value.bytes = RWyxAsciiTokenizer::TokenText(data_.get(), token, scratch_);
    cursor.offset = scan.Position();
    ++cursor.index;
    return true;
}
