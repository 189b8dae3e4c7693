#include "formats/motion/RC3dFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kKey = 0x50;
constexpr int kProcessorBase = 83;
constexpr int kEventWord = 12345;
constexpr std::size_t kHeaderGap = 274;
constexpr std::int64_t kMaxRecordBudget = 65533;

std::uint32_t BitsOf(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    return bits;
}

float FloatOf(std::uint32_t bits) {
    float value = 0.0f;
    std::memcpy(&value, &bits, 4);
    return value;
}

// The file's type byte as a type code; 0 for an unknown byte.
std::uint32_t TypeCode(int typeByte) {
    switch (typeByte) {
        case -1:
            return RC3dArray::kCharacter;
        case 1:
            return RC3dArray::kByte;
        case 2:
            return RC3dArray::kSignedWord;
        case 4:
            return RC3dArray::kFloat;
        default:
            return 0;
    }
}

}  // namespace

RC3dFile::RC3dFile() = default;
RC3dFile::~RC3dFile() = default;

// ---- source ------------------------------------------------------------------------------------

bool RC3dFile::OpenSource(const char* path) {
    CloseSource();
    auto file = std::make_unique<RFileStream>();
    if (path == nullptr || !file->Open(path, "rb")) {
        return false;
    }
    const long end = file->Seek(RFileStream::kFromEnd, 0) == 0 ? file->Tell() : 0;
    sourceSize_ = end > 0 ? end : 0;
    file_ = std::move(file);
    return true;
}

void RC3dFile::OpenSourceBytes(const void* data, std::size_t size) {
    CloseSource();
    static const std::uint8_t kNothing = 0;
    memory_ = data != nullptr ? static_cast<const std::uint8_t*>(data) : &kNothing;
    sourceSize_ = data != nullptr ? static_cast<std::int64_t>(size) : 0;
}

void RC3dFile::CloseSource() {
    file_.reset();
    memory_ = nullptr;
    sourceSize_ = 0;
    block_ = -1;
    valid_ = 0;
    position_ = 0;
}

// ---- buffered reading -----------------------------------------------------------------------------

bool RC3dFile::LoadBlock(std::int64_t block) {
    block_ = block;
    valid_ = 0;
    position_ = 0;
    const std::int64_t offset = block * kBlockSize;
    if (block < 0 || offset >= sourceSize_) {
        return false;
    }
    const std::int64_t left = sourceSize_ - offset;
    const int count = static_cast<int>(left < kBlockSize ? left : kBlockSize);
    if (memory_ != nullptr) {
        std::memcpy(buffer_, memory_ + offset, static_cast<std::size_t>(count));
        valid_ = count;
    } else if (file_ != nullptr && file_->Seek(RFileStream::kFromStart, static_cast<long>(offset)) == 0) {
        const int got = file_->Read(buffer_, count);
        valid_ = got > 0 ? got : 0;
    }
    return valid_ > 0;
}

bool RC3dFile::SeekBlock(std::int64_t block) {
    if (block == block_ && valid_ > 0) {
        position_ = 0;
        return true;
    }
    return LoadBlock(block);
}

bool RC3dFile::ReadBytes(void* out, std::size_t count) {
    auto* to = static_cast<std::uint8_t*>(out);
    while (count > 0) {
        if (position_ >= valid_ && (valid_ < kBlockSize || !LoadBlock(block_ + 1))) {
            return false;
        }
        const std::size_t take = static_cast<std::size_t>(valid_ - position_) < count
                                     ? static_cast<std::size_t>(valid_ - position_)
                                     : count;
        std::memcpy(to, buffer_ + position_, take);
        position_ += static_cast<int>(take);
        to += take;
        count -= take;
    }
    return true;
}

bool RC3dFile::ReadByte(std::uint8_t& out) { return ReadBytes(&out, 1); }

bool RC3dFile::ReadWord(std::uint16_t& out) {
    std::uint8_t bytes[2];
    if (!ReadBytes(bytes, 2)) {
        return false;
    }
    out = processor_ == kMips ? static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1])
                              : static_cast<std::uint16_t>(bytes[1] << 8 | bytes[0]);
    return true;
}

bool RC3dFile::ReadFloat(float& out) {
    std::uint8_t bytes[4];
    if (!ReadBytes(bytes, 4)) {
        return false;
    }
    out = DecodeFloat(bytes, processor_);
    return true;
}

bool RC3dFile::Skip(std::int64_t count) {
    if (count <= 0) {
        return count == 0;
    }
    const std::int64_t target = block_ * kBlockSize + position_ + count;
    if (block_ < 0 || target > sourceSize_) {
        return false;
    }
    const std::int64_t block = target / kBlockSize;
    if (block != block_ && !LoadBlock(block) && target < sourceSize_) {
        return false;
    }
    position_ = static_cast<int>(target - block * kBlockSize);
    return true;
}

// ---- float layouts ----------------------------------------------------------------------------------

float RC3dFile::DecodeFloat(const std::uint8_t bytes[4], int processor) {
    if (processor == kDec) {
        // Word 0: sign, 8 exponent bits (bias 128, mantissa 0.1m), top 7 mantissa bits; word 1:
        // the low 16 mantissa bits. An exponent of 0 is zero.
        const unsigned high = static_cast<unsigned>(bytes[1] << 8 | bytes[0]);
        const unsigned low = static_cast<unsigned>(bytes[3] << 8 | bytes[2]);
        const int exponent = static_cast<int>((high >> 7) & 0xFFu);
        if (exponent == 0) {
            return 0.0f;
        }
        const double mantissa = 1.0 + static_cast<double>((high & 0x7Fu) << 16 | low) / 8388608.0;
        const double value = std::ldexp(mantissa, exponent - 129);
        return static_cast<float>((high & 0x8000u) != 0 ? -value : value);
    }
    const std::uint32_t bits =
        processor == kMips
            ? static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
                  static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3]
            : static_cast<std::uint32_t>(bytes[3]) << 24 | static_cast<std::uint32_t>(bytes[2]) << 16 |
                  static_cast<std::uint32_t>(bytes[1]) << 8 | bytes[0];
    return FloatOf(bits);
}

bool RC3dFile::EncodeDecFloat(float value, std::uint8_t out[4]) {
    const std::uint32_t bits = BitsOf(value);
    const unsigned exponent = (bits >> 23) & 0xFFu;
    if (exponent >= 254) {
        return false;
    }
    if (exponent == 0) {
        std::memset(out, 0, 4);
        return true;
    }
    const std::uint32_t mantissa = bits & 0x7FFFFFu;
    const unsigned high = (bits >> 31) << 15 | (exponent + 2) << 7 | mantissa >> 16;
    const unsigned low = mantissa & 0xFFFFu;
    out[0] = static_cast<std::uint8_t>(high & 0xFFu);
    out[1] = static_cast<std::uint8_t>(high >> 8);
    out[2] = static_cast<std::uint8_t>(low & 0xFFu);
    out[3] = static_cast<std::uint8_t>(low >> 8);
    return true;
}

// ---- header -------------------------------------------------------------------------------------------

int RC3dFile::ReadProcessorType(int parameterBlock) {
    std::uint8_t type = 0;
    if (!SeekBlock(parameterBlock - 1) || !Skip(3) || !ReadByte(type)) {
        return 0;
    }
    const int processor = type - kProcessorBase;
    return processor >= kIntel && processor <= kMips ? processor : kIntel;
}

bool RC3dFile::ReadEvents() {
    std::uint16_t key = 0;
    std::uint16_t count = 0;
    if (!SeekBlock(0) || !Skip(kEventKeyOffset) || !ReadWord(key) || !ReadWord(count)) {
        return false;
    }
    events_.assign(count < kMaxEvents ? count : kMaxEvents, Event());
    for (Event& event : events_) {
        if (!ReadFloat(event.time)) {
            return false;
        }
    }
    for (Event& event : events_) {
        std::uint8_t display = 0;
        if (!ReadByte(display)) {
            return false;
        }
        event.display = display == 0 ? 1 : 0;
    }
    for (Event& event : events_) {
        char label[4];
        if (!ReadBytes(label, 4)) {
            return false;
        }
        event.label.assign(label, 4);
    }
    return true;
}

bool RC3dFile::ReadHeader() {
    header_ = Header();
    events_.clear();
    std::uint8_t first[2];
    if (!SeekBlock(0) || !ReadBytes(first, 2) || (first[1] & 0xF0) != kKey) {
        return false;
    }
    // The first word is read as stored: its key nibble is in the second byte in every layout.
    header_.parameterBlock = (first[1] & 0x0F) << 8 | first[0];
    processor_ = kIntel;
    const int processor = header_.parameterBlock > 0 ? ReadProcessorType(header_.parameterBlock) : 0;
    if (processor == 0) {
        return false;
    }
    processor_ = processor;
    std::uint16_t words[5];
    std::uint16_t dataStart = 0;
    std::uint16_t analogSamples = 0;
    if (!SeekBlock(0) || !Skip(2)) {
        return false;
    }
    for (std::uint16_t& word : words) {
        if (!ReadWord(word)) {
            return false;
        }
    }
    if (!ReadFloat(header_.scale) || !ReadWord(dataStart) || !ReadWord(analogSamples) ||
        !ReadFloat(header_.frameRate) || !ReadEvents()) {
        return false;
    }
    header_.points = words[0];
    header_.analogPerFrame = words[1];
    header_.firstFrame = words[2];
    header_.lastFrame = words[3];
    header_.maxGap = words[4];
    header_.dataStart = dataStart;
    header_.analogSamples = analogSamples;
    const float scale = header_.scale;
    if (std::isnan(scale) || (scale > 0.0f && (scale <= 0.001f || scale >= 1000.0f))) {
        header_.scale = 0.1449f;
    }
    const float rate = header_.frameRate;
    if (!(rate > 0.001f) || rate >= 1000.0f) {
        header_.frameRate = 30.0f;
    }
    return header_.dataStart > 0;
}

// ---- parameters -------------------------------------------------------------------------------------

bool RC3dFile::BeginParameters() {
    sectionEnded_ = !(header_.parameterBlock > 0 && SeekBlock(header_.parameterBlock - 1) && Skip(4));
    return !sectionEnded_;
}

bool RC3dFile::ReadValue(RC3dParameter& record, std::int64_t& budget) {
    std::int8_t type = 0;
    std::uint8_t count = 0;
    if (budget < 2 || !ReadBytes(&type, 1) || !ReadByte(count)) {
        return false;
    }
    budget -= 2;
    std::vector<int> dimensions(count);
    for (int& dimension : dimensions) {
        std::uint8_t size = 0;
        if (budget < 1 || !ReadByte(size)) {
            return false;
        }
        --budget;
        dimension = size;
    }
    const std::uint32_t code = TypeCode(type);
    if (code == 0) {
        return false;
    }
    // Storage only for what the record and the file can hold: the dimensions alone may claim
    // 64 KB from a few bytes. Every element is still read in turn, so a value cut short by
    // the file fails where it did, and the elements not stored read as 0.
    const std::int64_t fileLeft = sourceSize_ - (block_ * kBlockSize + position_);
    record.value = RC3dArray(code, std::move(dimensions), budget < fileLeft ? budget : fileLeft);
    std::vector<std::uint8_t>& bytes = record.value.Bytes();
    const int size = record.value.GetElementSize();
    const std::int64_t elements = record.value.IsValid() ? record.value.GetElementCount() : 0;
    for (std::int64_t i = 0; i < elements && budget >= size; ++i, budget -= size) {
        std::uint8_t element[4] = {};
        std::uint8_t* at = (i + 1) * size <= static_cast<std::int64_t>(bytes.size()) ? bytes.data() + i * size : element;
        if (size == 2) {
            std::uint16_t word = 0;
            if (!ReadWord(word)) {
                return false;
            }
            std::memcpy(at, &word, 2);
        } else if (size == 4) {
            float value = 0.0f;
            if (!ReadFloat(value)) {
                return false;
            }
            std::memcpy(at, &value, 4);
        } else if (!ReadByte(*at)) {
            return false;
        }
    }
    return true;
}

bool RC3dFile::ReadRecord(RC3dParameter& record) {
    record = RC3dParameter();
    std::int8_t length = 0;
    std::int8_t id = 0;
    if (sectionEnded_ || !ReadBytes(&length, 1) || !ReadBytes(&id, 1) || length == 0 || id == 0) {
        sectionEnded_ = true;
        return false;
    }
    const int nameLength = length < 0 ? -length : length;
    char name[128];
    std::uint16_t offset = 0;
    if (!ReadBytes(name, static_cast<std::size_t>(nameLength)) || !ReadWord(offset)) {
        sectionEnded_ = true;
        return false;
    }
    record.locked = length < 0;
    record.groupId = id;
    record.name.assign(name, static_cast<std::size_t>(nameLength) < RC3dParameter::kMaxNameLength
                                 ? static_cast<std::size_t>(nameLength)
                                 : RC3dParameter::kMaxNameLength);
    record.name.erase(std::min(record.name.find('\0'), record.name.size()));
    // An offset of 0 marks the section's last record: its value is read as it stands.
    const bool last = offset == 0;
    std::int64_t budget = last ? kMaxRecordBudget : static_cast<std::int64_t>(offset) - 2;
    if (!record.IsGroup()) {
        ReadValue(record, budget);
    }
    std::uint8_t describe = 0;
    if (budget >= 1 && ReadByte(describe)) {
        --budget;
        char description[256];
        if (budget >= describe && ReadBytes(description, describe)) {
            budget -= describe;
            record.description.assign(description, describe);
        }
    }
    // The next record lies where the offset says, whatever this one held; past the end of the
    // file, or after the last record, the section ends.
    sectionEnded_ = last || !Skip(budget > 0 ? budget : 0);
    return true;
}

// ---- points -------------------------------------------------------------------------------------------

bool RC3dFile::ReadPoint(Point& out, double scale, std::int64_t skip, double unit) {
    if (scale >= 0.0) {
        std::uint16_t words[4];
        for (std::uint16_t& word : words) {
            if (!ReadWord(word)) {
                return false;
            }
        }
        // The fourth word: the residual in its low byte, the cameras in its high byte, whose
        // top bit marks a point that is not valid.
        out.x = static_cast<std::int16_t>(words[0]) * scale * unit;
        out.y = static_cast<std::int16_t>(words[1]) * scale * unit;
        out.z = static_cast<std::int16_t>(words[2]) * scale * unit;
        out.residual = (words[3] & 0xFFu) * unit;
        out.cameras = (words[3] >> 8) & 63;
        out.valid = (words[3] & 0x8000u) == 0;
    } else {
        float values[4];
        for (float& value : values) {
            if (!ReadFloat(value)) {
                return false;
            }
        }
        if (!std::isfinite(values[0]) || !std::isfinite(values[1]) || !std::isfinite(values[2])) {
            return false;
        }
        out.x = values[0] * unit;
        out.y = values[1] * unit;
        out.z = values[2] * unit;
        out.residual = 0.0;
        out.cameras = 0;
        // The residual word stored as a float: negative (as a 16-bit word) marks a point that is
        // not valid; so does a value no word can come from.
        const float residual = values[3];
        out.valid = std::isfinite(residual) && std::fabs(residual) < 2147483648.0f &&
                    static_cast<std::int16_t>(static_cast<std::uint32_t>(static_cast<std::int32_t>(residual)) & 0xFFFFu) >= 0;
    }
    return Skip(skip);
}

// ---- writing ------------------------------------------------------------------------------------------

void RC3dFile::PutBytes(const void* data, std::size_t count) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    output_.insert(output_.end(), bytes, bytes + count);
}

void RC3dFile::PutWord(int value) {
    PutByte(value & 0xFF);
    PutByte((value >> 8) & 0xFF);
}

void RC3dFile::PutPatchedWord(int value) {
    patches_.push_back(Patch{output_.size(), static_cast<std::uint16_t>(value)});
    PutWord(value);
}

bool RC3dFile::PutDecFloat(float value) {
    std::uint8_t bytes[4];
    if (!EncodeDecFloat(value, bytes)) {
        return false;
    }
    PutBytes(bytes, 4);
    return true;
}

void RC3dFile::ApplyPatches() {
    for (const Patch& patch : patches_) {
        if (patch.position + 2 <= output_.size()) {
            output_[patch.position] = static_cast<std::uint8_t>(patch.value & 0xFFu);
            output_[patch.position + 1] = static_cast<std::uint8_t>(patch.value >> 8);
        }
    }
}

void RC3dFile::SetPatchValue(std::size_t index, int value) {
    if (index < patches_.size()) {
        patches_[index].value = static_cast<std::uint16_t>(value);
    }
}

void RC3dFile::PutHeader(const Header& header) {
    patches_.clear();
    PutPatchedWord(kKey << 8 | header.parameterBlock);
    PutWord(header.points);
    PutWord(header.analogPerFrame);
    PutWord(header.firstFrame);
    PutWord(header.lastFrame);
    PutWord(header.maxGap);
    PutDecFloat(header.scale);
    PutPatchedWord(header.dataStart);
    PutWord(header.analogSamples);
    PutDecFloat(header.frameRate);
    PutFill(kHeaderGap, 0);
    PutWord(kEventWord);
    PutWord(0);
}

void RC3dFile::WriteParameterHeader(int blocks) {
    PutByte(1);
    PutByte(kKey);
    PutByte(blocks);
    PutByte(kProcessorBase + kDec);
}

bool RC3dFile::PutRecord(const RC3dParameter& record) {
    const std::size_t nameLength = record.name.size();
    if (nameLength == 0 || nameLength > 127 || record.description.size() > 255) {
        return false;
    }
    std::vector<std::uint8_t> value;
    if (!record.IsGroup()) {
        const RC3dArray& array = record.value;
        if (!array.IsValid()) {
            return false;
        }
        const bool scalar = array.GetDimensionCount() == 0 ||
                            (array.GetDimensionCount() == 1 && array.GetDimension(0) == 1);
        value.push_back(static_cast<std::uint8_t>(array.GetFileType()));
        value.push_back(static_cast<std::uint8_t>(scalar ? 0 : array.GetDimensionCount()));
        for (int i = 0; !scalar && i < array.GetDimensionCount(); ++i) {
            if (array.GetDimension(i) > 255) {
                return false;
            }
            value.push_back(static_cast<std::uint8_t>(array.GetDimension(i)));
        }
        // Every element the dimensions name; those not stored are written as 0.
        const std::int64_t elements = array.GetElementCount();
        for (std::int64_t i = 0; i < elements; ++i) {
            if (array.GetType() == RC3dArray::kFloat) {
                std::uint8_t bytes[4];
                if (!EncodeDecFloat(static_cast<float>(array.GetDouble(i)), bytes)) {
                    return false;
                }
                value.insert(value.end(), bytes, bytes + 4);
            } else if (array.GetElementSize() == 2) {
                const auto word = static_cast<int>(array.GetInteger(i));
                value.push_back(static_cast<std::uint8_t>(word & 0xFF));
                value.push_back(static_cast<std::uint8_t>((word >> 8) & 0xFF));
            } else {
                value.push_back(static_cast<std::uint8_t>(array.GetInteger(i)));
            }
        }
    }
    const std::size_t offset = 2 + value.size() + 1 + record.description.size();
    if (offset > 65535) {
        return false;
    }
    const int length = static_cast<int>(nameLength);
    PutByte(record.locked ? -length : length);
    PutByte(record.groupId);
    PutBytes(record.name.data(), nameLength);
    PutWord(static_cast<int>(offset));
    PutBytes(value.data(), value.size());
    PutByte(static_cast<int>(record.description.size()));
    PutBytes(record.description.data(), record.description.size());
    return true;
}

bool RC3dFile::PutPoint(double scale, double x, double y, double z, double unit, bool valid) {
    const double xyz[3] = {x, y, z};
    if (scale < 0.0) {
        for (double value : xyz) {
            const double stored = value / unit;
            if (!(std::fabs(stored) <= 3.4e38) || !PutDecFloat(static_cast<float>(stored))) {
                return false;
            }
        }
        return PutDecFloat(valid ? 0.0f : -1.0f);
    }
    const double factor = 1.0 / (scale * unit);
    for (double value : xyz) {
        const double stored = std::trunc(factor * value);
        if (!(stored >= -32768.0 && stored <= 32767.0)) {
            return false;
        }
        PutWord(static_cast<int>(stored));
    }
    PutByte(0);
    PutByte(valid ? 0 : 0x80);
    return true;
}
