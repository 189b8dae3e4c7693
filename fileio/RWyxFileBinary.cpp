// The binary and encrypted forms of RWyxFile: file header, sections, records, footer.

#include "fileio/RWyxFile.h"

#include "fileio/LittleEndian.h"
#include "fileio/WyxBinaryLayout.h"

#include <algorithm>
#include <iterator>
#include <cstring>
#include <limits>
#include <vector>

using namespace wyx_layout;

namespace {

bool SameBytes(const unsigned char* bytes, const unsigned char* expected, std::size_t count) {
    return std::memcmp(bytes, expected, count) == 0;
}

}  // namespace

// ---- Writing ----

void RWyxFile::WriteBinaryFileHeader() {
    unsigned char header[kFileHeaderSize] = {};
    std::memcpy(header, kFileMagic, sizeof kFileMagic);
    wyx_le::StoreU32(header + 8, static_cast<std::uint32_t>(headerInfo_.fileVersion));
    header[12] = encrypted_ ? kFormEncrypted : kFormBinary;
    output_.Append(header, sizeof header);
}

bool RWyxFile::WriteBinarySectionHeader(const Section& section) {
    const bool encrypt = encrypted_ && section.kind == kMainSection;
    unsigned char header[kSectionHeaderSize] = {};
    std::memcpy(header, kSectionMagic, sizeof kSectionMagic);
    wyx_le::StoreU32(header + kSectionKindAt, static_cast<std::uint32_t>(section.kind));
    wyx_le::StoreU32(header + kSectionVersionAt, static_cast<std::uint32_t>(section.version));
    wyx_le::StoreU32(header + kSectionFlagsAt, encrypt ? kFlagEncrypted : 0);
    if (encrypt) {
        cipher_ = std::make_unique<RWyxCipher>();
        if (!RWyxCipher::RandomBytes(nonce_, RWyxCipher::kNonceSize) ||
            !cipher_->Start(RWyxCipher::BuiltInKey(), nonce_)) {
            return false;
        }
        std::memcpy(header + kSectionNonceAt, nonce_, sizeof nonce_);
    }
    output_.Append(header, sizeof header);
    if (encrypt) {
        output_.BeginEncryption(cipher_.get(), output_.Position());
    }
    return true;
}

void RWyxFile::AppendBinaryNullRecord() {
    static constexpr unsigned char kNullRecord[RWyxRecordIndex::kRecordHeaderSize] = {};
    output_.Append(kNullRecord, sizeof kNullRecord);
}

void RWyxFile::EndBinarySection(Section& section) {
    AppendBinaryNullRecord();
    const std::uint64_t bodyStart = section.headerOffset + kSectionHeaderSize;
    const std::uint64_t bodyLength = output_.Position() - bodyStart;
    section.bodyLength = bodyLength;
    const bool sealed = section.kind == kMainSection && cipher_ != nullptr;
    if (sealed) {
        output_.EndEncryption();
        if (bodyLength > RWyxCipher::kMaxStreamBytes) {
            FailField("Write field error : section too large");
            return;
        }
    }
    unsigned char length[8];
    wyx_le::StoreU64(length, bodyLength);
    output_.Patch(section.headerOffset + kSectionBodyLengthAt, length, sizeof length);
    if (sealed && section.passwordProtected) {
        sealPending_ = true;  // its tag covers the rest of the file: sealed by Close
    } else if (sealed) {
        SealSection(section, bodyLength);
    }
}

// Feeds count bytes of the file from offset on, read back as they are in the file, to add:
// the tag's additional data or its ciphertext.
template <typename Add>
bool RWyxFile::TagFileBytes(std::uint64_t offset, std::uint64_t count, std::vector<unsigned char>& piece, Add add) {
    for (std::uint64_t done = 0; done < count;) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), count - done));
        if (!output_.ReadBack(offset + done, piece.data(), size) || !add(piece.data(), size)) {
            return false;
        }
        done += size;
    }
    return true;
}

// The tag covers the file header, the section header (its tag field zero), with a password
// every byte after the body (extension section and footer), and the encrypted body, read back
// as they are in the file.
void RWyxFile::SealSection(const Section& section, std::uint64_t bodyLength) {
    unsigned char headers[kFileHeaderSize + kSectionHeaderSize];
    bool sealed = output_.ReadBack(0, headers, kFileHeaderSize) &&
                  output_.ReadBack(section.headerOffset, headers + kFileHeaderSize, kSectionHeaderSize) &&
                  cipher_->TagBegin() && cipher_->TagAad(headers, sizeof headers);
    const std::uint64_t bodyStart = section.headerOffset + kSectionHeaderSize;
    const std::uint64_t bodyEnd = bodyStart + bodyLength;
    std::vector<unsigned char> piece(sealed ? kContentPieceSize : 0);
    const auto aad = [this](const unsigned char* bytes, std::size_t size) { return cipher_->TagAad(bytes, size); };
    const auto text = [this](const unsigned char* bytes, std::size_t size) { return cipher_->TagUpdate(bytes, size); };
    sealed = sealed && (!section.passwordProtected || TagFileBytes(bodyEnd, output_.Position() - bodyEnd, piece, aad)) &&
             TagFileBytes(bodyStart, bodyLength, piece, text);
    unsigned char tag[kTagSize];
    if (!sealed || !cipher_->TagFinish(tag)) {
        NoteOutputFailure();
        Fail(kErrorWrite);
        return;
    }
    output_.Patch(section.headerOffset + kSectionTagAt, tag, sizeof tag);
}

void RWyxFile::WriteBinaryFooter() {
    unsigned char footer[kFooterSize] = {};
    wyx_le::StoreU32(footer, static_cast<std::uint32_t>(sections_.size()));
    wyx_le::StoreU64(footer + 8, output_.Position());
    std::memcpy(footer + 16, kFooterMagic, sizeof kFooterMagic);
    output_.Append(footer, sizeof footer);
}

void RWyxFile::BeginBinaryRecord(std::string_view name) {
    // The lengths are patched in when the record ends.
    constexpr std::size_t kHeader = RWyxRecordIndex::kRecordHeaderSize;
    unsigned char* target = output_.Reserve(kHeader + name.size());
    std::memset(target, 0, kHeader - 1);
    target[kHeader - 1] = static_cast<unsigned char>(name.size());
    std::memcpy(target + kHeader, name.data(), name.size());
    output_.Commit(kHeader + name.size());
}

void RWyxFile::EndBinaryValues(WriteFrame& frame) {
    frame.valueBytes = output_.Position() - frame.valuesStart;
    if (frame.valueBytes > std::numeric_limits<std::uint32_t>::max()) {
        FailField("Write field error : field too large");
    }
}

void RWyxFile::EndBinaryRecord(const WriteFrame& frame) {
    const std::uint64_t length = output_.Position() - frame.recordStart;
    if (length > std::numeric_limits<std::uint32_t>::max()) {
        FailField("Write field error : field too large");
        return;
    }
    unsigned char header[12];
    wyx_le::StoreU32(header, static_cast<std::uint32_t>(length));
    wyx_le::StoreU32(header + 4, static_cast<std::uint32_t>(frame.valueCount));
    wyx_le::StoreU32(header + 8, static_cast<std::uint32_t>(frame.valueBytes));
    output_.Patch(frame.recordStart, header, sizeof header);
}

void RWyxFile::AppendBinaryBytesValue(char type, const char* bytes, std::size_t count) {
    if (count > std::numeric_limits<std::uint32_t>::max()) {
        FailField("Write field error : value too large");
        return;
    }
    unsigned char length[4];
    wyx_le::StoreU32(length, static_cast<std::uint32_t>(count));
    output_.AppendTagged(type, length);
    output_.Append(bytes, count);
}

// ---- Reading ----

bool RWyxFile::ParseBinaryFile(const char* password) {
    auto* bytes = reinterpret_cast<unsigned char*>(data_.get());
    const std::uint64_t size = dataSize_;
    if (size < kFileHeaderSize + kFooterSize || !SameBytes(bytes, kFileMagic, sizeof kFileMagic)) {
        Fail(kErrorCorrupted);
        return false;
    }
    const std::uint32_t version = wyx_le::LoadU32(bytes + 8);
    const unsigned char form = bytes[12];
    if (version == 0 || version > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ||
        form > kFormEncrypted || bytes[13] != 0 || bytes[14] != 0 || bytes[15] != 0) {
        Fail(kErrorCorrupted);
        return false;
    }
    if (version > static_cast<std::uint32_t>(kMaxFileVersion)) {
        Fail(kErrorVersionTooNew);
        return false;
    }
    binary_ = true;
    encrypted_ = form == kFormEncrypted;
    headerInfo_.fileVersion = static_cast<int>(version);

    const unsigned char* footer = bytes + size - kFooterSize;
    const std::uint32_t sectionCount = wyx_le::LoadU32(footer);
    const std::uint64_t footerOffset = wyx_le::LoadU64(footer + 8);
    if (!SameBytes(footer + 16, kFooterMagic, sizeof kFooterMagic) || wyx_le::LoadU32(footer + 4) != 0 ||
        footerOffset != size - kFooterSize || sectionCount == 0 || sectionCount > kMaxSections) {
        Fail(kErrorCorrupted);
        return false;
    }

    std::uint64_t pos = kFileHeaderSize;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        if (footerOffset - pos < kSectionHeaderSize) {
            Fail(kErrorCorrupted);
            return false;
        }
        Section section;
        std::uint64_t bodyLength = 0;
        if (!ReadBinarySectionHeader(i, pos, footerOffset, section, bodyLength) ||
            !UnsealSection(section, bodyLength, password)) {
            Fail(kErrorCorrupted);  // unless a password error was kept
            return false;
        }
        const std::uint64_t bodyStart = pos + kSectionHeaderSize;
        if (!index_.ParseBinary(bytes, bodyStart, bodyStart + bodyLength, section.top)) {
            Fail(kErrorCorrupted);
            return false;
        }
        if (section.kind == kMainSection) {
            ReadHeaderInfo();
        }
        sections_.push_back(section);
        pos = bodyStart + bodyLength;
    }
    if (pos != footerOffset) {
        Fail(kErrorCorrupted);
        return false;
    }
    return !error_.HasError();
}

bool RWyxFile::ReadBinarySectionHeader(std::uint32_t index, std::uint64_t at, std::uint64_t footerOffset,
                                       Section& section, std::uint64_t& bodyLength) const {
    const auto* header = reinterpret_cast<const unsigned char*>(data_.get()) + at;
    const std::uint32_t kind = wyx_le::LoadU32(header + kSectionKindAt);
    const std::uint32_t version = wyx_le::LoadU32(header + kSectionVersionAt);
    const std::uint32_t flags = wyx_le::LoadU32(header + kSectionFlagsAt);
    bodyLength = wyx_le::LoadU64(header + kSectionBodyLengthAt);
    const bool main = kind == static_cast<std::uint32_t>(kMainSection);
    const bool password = (flags & kFlagPassword) != 0;
    section.kind = static_cast<int>(kind);
    section.version = static_cast<int>(version);
    section.headerOffset = at;
    section.passwordProtected = password;
    section.sealed = (flags & kFlagEncrypted) != 0;
    // Only the main section is encrypted: in the encrypted form, and whenever it has a
    // password. Fields a section does not use are zero.
    const auto zero = [header](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (header[i] != 0) {
                return false;
            }
        }
        return true;
    };
    return SameBytes(header, kSectionMagic, sizeof kSectionMagic) && kind == index &&
           version <= static_cast<std::uint32_t>(std::numeric_limits<int>::max()) &&
           (flags & ~(kFlagEncrypted | kFlagPassword | kFlagWholeFile)) == 0 && (!password || main) &&
           ((flags & kFlagWholeFile) == 0 || password) &&
           section.sealed == (main && (encrypted_ || password)) &&
           (section.sealed || zero(kSectionNonceAt, kSectionIterationsAt)) &&
           (section.sealed || zero(kSectionTagAt, kSectionCheckAt)) &&
           (password || (zero(kSectionIterationsAt, kSectionTagAt) && zero(kSectionCheckAt, kSectionBodyLengthAt))) &&
           bodyLength <= footerOffset - (at + kSectionHeaderSize);
}

bool RWyxFile::UnsealSection(const Section& section, std::uint64_t bodyLength, const char* password) {
    if (!section.sealed) {
        return true;
    }
    auto* bytes = reinterpret_cast<unsigned char*>(data_.get());
    const unsigned char* header = bytes + section.headerOffset;
    RWyxCipher::Key key;
    std::memcpy(key.Bytes(), RWyxCipher::BuiltInKey(), RWyxCipher::kKeySize);
    if (section.passwordProtected) {
        const int failure = UnlockSection(password, header, key);
        if (failure != RError::kNoError) {
            Fail(failure);
            return false;
        }
    }
    // Nothing of the body is looked at before it proved authentic. Files written before
    // the tag covered the whole file have an extension section that is not covered.
    unsigned char sectionHeader[kSectionHeaderSize];
    std::memcpy(sectionHeader, header, kSectionHeaderSize);
    std::memset(sectionHeader + kSectionTagAt, 0, kTagSize);
    const std::uint64_t bodyStart = section.headerOffset + kSectionHeaderSize;
    const std::uint64_t bodyEnd = bodyStart + bodyLength;
    const bool wholeFile = (wyx_le::LoadU32(header + kSectionFlagsAt) & kFlagWholeFile) != 0;
    const RWyxCipher::Span aad[] = {{bytes, kFileHeaderSize},
                                    {sectionHeader, kSectionHeaderSize},
                                    {bytes + bodyEnd, wholeFile ? dataSize_ - bodyEnd : 0}};
    return RWyxCipher::Open(key.Bytes(), header + kSectionNonceAt, aad, std::size(aad), bytes + bodyStart, bodyLength,
                            header + kSectionTagAt);
}

namespace {

// The bytes that follow a value's type letter before any text: 0 for an unknown letter.
std::uint64_t FixedValueSize(char type) {
    switch (type) {
    case 'C':
        return 1;
    case 'F':
    case 'I':
    case 'S':  // the length of the text
    case 'R':
        return 4;
    case 'D':
    case 'L':
        return 8;
    default:
        return 0;
    }
}

}  // namespace

inline const unsigned char* RWyxFile::NextBinaryValueStart(std::uint64_t& end) const {
    if (!binary_ || readLevels_.empty() || Level().current == kNoField) {
        return nullptr;
    }
    const ReadLevel& level = Level();
    const RWyxRecord& record = index_.At(level.current);
    end = record.valuesOffset + record.valueBytes;
    if (level.cursor.index >= record.valueCount || level.cursor.offset >= end) {
        return nullptr;
    }
    return reinterpret_cast<const unsigned char*>(data_.get()) + level.cursor.offset;
}

// Whether the next value, ending at `next`, ends as NextBinaryValue would accept it: within
// the record's values, and the last of them ending exactly where they do.
inline bool RWyxFile::EndsInPlace(std::uint64_t next, std::uint64_t end) const {
    const ReadLevel& level = Level();
    return next <= end && (level.cursor.index + 1 != index_.At(level.current).valueCount || next == end);
}

// Inline: the readers of numbers take every value through here.
inline const unsigned char* RWyxFile::NextFixedValue(std::uint64_t& next) const {
    std::uint64_t end = 0;
    const unsigned char* value = NextBinaryValueStart(end);
    if (value == nullptr) {
        return nullptr;
    }
    const char type = static_cast<char>(value[0]);
    const std::uint64_t size = type == 'S' || type == 'R' ? 0 : FixedValueSize(type);
    next = Level().cursor.offset + 1 + size;
    return size != 0 && EndsInPlace(next, end) ? value : nullptr;
}

const unsigned char* RWyxFile::PeekFixedValue() const {
    std::uint64_t next = 0;
    return NextFixedValue(next);
}

bool RWyxFile::TakeBinaryText(std::string_view& text) {
    std::uint64_t end = 0;
    const unsigned char* value = NextBinaryValueStart(end);
    Cursor& cursor = Level().cursor;
    if (value == nullptr || value[0] != 'S' || end - cursor.offset < 5) {
        return false;
    }
    const std::uint64_t length = wyx_le::LoadU32(value + 1);
    const std::uint64_t next = cursor.offset + 5 + length;
    if (!EndsInPlace(next, end)) {
        return false;
    }
    text = std::string_view(reinterpret_cast<const char*>(value) + 5, static_cast<std::size_t>(length));
    cursor.offset = next;
    ++cursor.index;
    return true;
}

const unsigned char* RWyxFile::TakeFixedValue(char type) {
    std::uint64_t next = 0;
    const unsigned char* value = NextFixedValue(next);
    if (value == nullptr || value[0] != static_cast<unsigned char>(type)) {
        return nullptr;
    }
    Cursor& cursor = Level().cursor;
    cursor.offset = next;
    ++cursor.index;
    return value + 1;
}

template <typename Take>
bool RWyxFile::TakeBinaryRun(int count, Take take) {
    std::uint64_t end = 0;
    if (count <= 0 || NextBinaryValueStart(end) == nullptr) {
        return false;
    }
    Cursor& cursor = Level().cursor;
    const std::uint32_t values = index_.At(Level().current).valueCount;
    if (values - cursor.index < static_cast<std::uint32_t>(count)) {
        return false;
    }
    const auto* const bytes = reinterpret_cast<const unsigned char*>(data_.get());
    std::uint64_t offset = cursor.offset;
    for (int i = 0; i < count; ++i) {
        const std::uint64_t taken = offset < end ? take(bytes + offset, end - offset, i) : 0;
        if (taken == 0 || taken > end - offset) {
            return false;
        }
        offset += taken;
    }
    // The field's last value ends where its values do.
    if (cursor.index + static_cast<std::uint32_t>(count) == values && offset != end) {
        return false;
    }
    cursor.offset = offset;
    cursor.index += static_cast<std::uint32_t>(count);
    return true;
}

bool RWyxFile::FieldReadBinaryTexts(std::string_view* texts, int count) {
    return TakeBinaryRun(count, [texts](const unsigned char* value, std::uint64_t room, int i) -> std::uint64_t {
        if (value[0] != 'S' || room < 5) {
            return 0;
        }
        const std::uint32_t length = wyx_le::LoadU32(value + 1);
        texts[i] = std::string_view(reinterpret_cast<const char*>(value) + 5, length);
        return 5 + static_cast<std::uint64_t>(length);
    });
}

bool RWyxFile::FieldReadBinaryDoubles(double* values, int count) {
    return TakeBinaryRun(count, [values](const unsigned char* value, std::uint64_t room, int i) -> std::uint64_t {
        constexpr std::uint64_t kSize = 9;  // the type letter and eight bytes
        if (value[0] != 'D' || room < kSize) {
            return 0;
        }
        values[i] = wyx_le::BitsToDouble(wyx_le::LoadU64(value + 1));
        return kSize;
    });
}

// Inline: a probe of a block runs it for every record.
inline bool RWyxFile::PeekBinaryFirstText(const RWyxRecord& record, std::string_view& text) const {
    const std::uint64_t end = record.valuesOffset + record.valueBytes;
    const auto* value = reinterpret_cast<const unsigned char*>(data_.get()) + record.valuesOffset;
    if (record.valueCount == 0 || record.valueBytes < 5 || value[0] != 'S') {
        return false;
    }
    const std::uint64_t length = wyx_le::LoadU32(value + 1);
    const std::uint64_t next = record.valuesOffset + 5 + length;
    if (next > end || (record.valueCount == 1 && next != end)) {
        return false;
    }
    text = std::string_view(reinterpret_cast<const char*>(value) + 5, static_cast<std::size_t>(length));
    return true;
}

bool RWyxFile::FieldPeekFirstText(int index, std::string_view& text) const {
    if (!binary_ || index < 0 || index >= FieldGetCount()) {
        return false;
    }
    return PeekBinaryFirstText(index_.At(Level().run.first + static_cast<std::uint32_t>(index)), text);
}

// Inline: a probe of a block runs it for every record. The value first: most records of a
// block are passed by its length alone.
inline bool RWyxFile::IsTextCandidate(const RWyxRecord& record, std::string_view name, std::string_view text,
                                      bool& matched) const {
    std::string_view value;
    const bool peeked = binary_ && PeekBinaryFirstText(record, value);
    if (peeked && !ReadsAsText(value, text)) {
        return false;
    }
    if (record.nameLength != name.size() ||
        std::memcmp(data_.get() + record.NameOffset(), name.data(), name.size()) != 0) {
        return false;
    }
    matched = peeked;
    return true;
}

// One pass over the level's entries, without the per-index checks of FieldGetNameView and
// FieldPeekFirstText: a probe of a block for one record looks at every record of it.
int RWyxFile::FieldFindFirstText(std::string_view name, std::string_view text, int from, bool& matched) const {
    matched = false;
    const int count = FieldGetCount();
    if (from < 0) {
        from = 0;
    }
    if (from >= count) {
        return -1;
    }
    const RWyxRecord* const records = &index_.At(Level().run.first);
    for (int i = from; i < count; ++i) {
        if (IsTextCandidate(records[i], name, text, matched)) {
            return i;
        }
    }
    return -1;
}

int RWyxFile::FieldFindLastText(std::string_view name, std::string_view text, int before, bool& matched) const {
    matched = false;
    const int count = FieldGetCount();
    if (before > count) {
        before = count;
    }
    if (before <= 0) {
        return -1;
    }
    const RWyxRecord* const records = &index_.At(Level().run.first);
    for (int i = before - 1; i >= 0; --i) {
        if (IsTextCandidate(records[i], name, text, matched)) {
            return i;
        }
    }
    return -1;
}

bool RWyxFile::NextBinaryValue(const RWyxRecord& record, Cursor& cursor, Value& value) const {
    const auto* bytes = reinterpret_cast<const unsigned char*>(data_.get());
    const std::uint64_t end = record.valuesOffset + record.valueBytes;
    std::uint64_t pos = cursor.offset;
    if (pos >= end) {
        return false;
    }
    value.type = static_cast<char>(bytes[pos++]);
    const std::uint64_t size = FixedValueSize(value.type);
    if (size == 0 || end - pos < size) {
        return false;
    }
    const unsigned char* at = bytes + pos;
    pos += size;
    switch (value.type) {
    case 'D':
        value.real = wyx_le::BitsToDouble(wyx_le::LoadU64(at));
        break;
    case 'F':
        value.real = wyx_le::BitsToFloat(wyx_le::LoadU32(at));
        break;
    case 'I':
        value.integer = static_cast<std::int32_t>(wyx_le::LoadU32(at));
        break;
    case 'L':
        value.integer = static_cast<std::int64_t>(wyx_le::LoadU64(at));
        break;
    case 'C':
        value.integer = static_cast<char>(at[0]);
        break;
    default: {  // "S" and "R": the bytes follow their length
        const std::uint32_t length = wyx_le::LoadU32(at);
        if (end - pos < length) {
            return false;
        }
        value.bytes = std::string_view(data_.get() + pos, length);
        pos += length;
        break;
    }
    }
    cursor.offset = pos;
    ++cursor.index;
    // The last value must end where the record says its values end.
    return cursor.index < record.valueCount || pos == end;
}
