#include "formats/3ds/toolkit/FtkBytes.h"

#include "fileio/LittleEndian.h"
#include "formats/3ds/toolkit/FtkErrors.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint16_t LoadU16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

}  // namespace

bool FtkByteReader::Fits(std::uint64_t count, std::size_t elementSize) const {
    return elementSize == 0 || count <= Remaining() / elementSize;
}

const unsigned char* FtkByteReader::Take(std::size_t count) {
    if (!ok_ || count > Remaining()) {
        ok_ = false;
        return nullptr;
    }
    const unsigned char* at = data_ + position_;
    position_ += count;
    return at;
}

std::uint8_t FtkByteReader::Byte() {
    const unsigned char* at = Take(1);
    return at != nullptr ? at[0] : 0;
}

std::uint16_t FtkByteReader::Word() {
    const unsigned char* at = Take(2);
    return at != nullptr ? LoadU16(at) : 0;
}

std::int16_t FtkByteReader::Short() { return static_cast<std::int16_t>(Word()); }

std::uint32_t FtkByteReader::Dword() {
    const unsigned char* at = Take(4);
    return at != nullptr ? wyx_le::LoadU32(at) : 0;
}

float FtkByteReader::Float() { return wyx_le::BitsToFloat(Dword()); }

FtkPoint FtkByteReader::Point() {
    FtkPoint point;
    point.x = Float();
    point.y = Float();
    point.z = Float();
    return point;
}

FtkColor FtkByteReader::ColorFloats() {
    FtkColor color;
    color.r = Float();
    color.g = Float();
    color.b = Float();
    return color;
}

FtkColor FtkByteReader::ColorBytes(float scale) {
    FtkColor color;
    color.r = static_cast<float>(Byte()) * scale;
    color.g = static_cast<float>(Byte()) * scale;
    color.b = static_cast<float>(Byte()) * scale;
    return color;
}

FtkTexVert FtkByteReader::TexVert() {
    FtkTexVert texVert;
    texVert.u = Float();
    texVert.v = Float();
    return texVert;
}

FtkFace FtkByteReader::Face() {
    FtkFace face;
    face.v1 = Word();
    face.v2 = Word();
    face.v3 = Word();
    face.flag = Word();
    return face;
}

FtkTrackHeader FtkByteReader::TrackHeader() {
    FtkTrackHeader header;
    header.flags = Word();
    header.reserved1 = Dword();
    header.reserved2 = Dword();
    header.keyCount = Dword();
    return header;
}

FtkKeyHeader FtkByteReader::KeyHeader() {
    FtkKeyHeader key;
    key.time = Dword();
    key.rflags = Word();
    float* const values[] = {&key.tension, &key.continuity, &key.bias, &key.easeTo, &key.easeFrom};
    for (int bit = 0; bit < 5; ++bit) {
        if ((key.rflags >> bit & 1u) != 0) {
            *values[bit] = Float();
        }
    }
    return key;
}

std::string FtkByteReader::String(std::size_t maxChars) {
    if (!ok_) {
        return std::string();
    }
    const std::size_t window = std::min(Remaining(), maxChars + 1);
    const unsigned char* start = data_ + position_;
    const void* zero = window > 0 ? std::memchr(start, 0, window) : nullptr;
    if (zero == nullptr) {
        ok_ = false;
        return std::string();
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - start);
    position_ += length + 1;
    return std::string(reinterpret_cast<const char*>(start), length);
}

std::string FtkByteReader::Name(std::size_t maxChars, const char* what) {
    const bool wasOk = ok_;
    const std::size_t start = position_;
    std::string name = String(maxChars);
    if (wasOk && !ok_) {
        FtkRefuseLongName(data_ + start, size_ - start, maxChars, what);
    }
    return name;
}

std::string FtkByteReader::RestAsString() {
    if (!ok_) {
        return std::string();
    }
    if (Remaining() == 0) {
        return std::string();
    }
    const unsigned char* start = data_ + position_;
    const void* zero = std::memchr(start, 0, Remaining());
    const std::size_t length =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - start) : Remaining();
    position_ += zero != nullptr ? length + 1 : length;
    return std::string(reinterpret_cast<const char*>(start), length);
}

std::vector<unsigned char> FtkByteReader::Bytes(std::size_t count) {
    const unsigned char* at = Take(count);
    return at != nullptr ? std::vector<unsigned char>(at, at + count) : std::vector<unsigned char>();
}

void FtkByteReader::Skip(std::size_t count) { Take(count); }

void FtkByteWriter::Word(std::uint16_t value) {
    bytes_.push_back(static_cast<unsigned char>(value));
    bytes_.push_back(static_cast<unsigned char>(value >> 8));
}

void FtkByteWriter::Dword(std::uint32_t value) {
    unsigned char bytes[4];
    wyx_le::StoreU32(bytes, value);
    bytes_.insert(bytes_.end(), bytes, bytes + 4);
}

void FtkByteWriter::Float(float value) { Dword(wyx_le::FloatBits(value)); }

void FtkByteWriter::Point(const FtkPoint& point) {
    Float(point.x);
    Float(point.y);
    Float(point.z);
}

void FtkByteWriter::ColorFloats(const FtkColor& color) {
    Float(color.r);
    Float(color.g);
    Float(color.b);
}

bool FtkRefuseLongName(const unsigned char* bytes, std::size_t size, std::size_t maxChars, const char* what) {
    constexpr std::size_t kShown = 64;  // a longer name is cut in the text
    const void* zero = bytes != nullptr && size > 0 ? std::memchr(bytes, 0, size) : nullptr;
    if (zero == nullptr) {
        return false;
    }
    const std::size_t length = static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - bytes);
    if (length <= maxChars) {
        return false;
    }
    std::string shown;
    for (std::size_t i = 0; i < std::min(length, kShown); ++i) {
        const unsigned char c = bytes[i];
        shown += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
    }
    if (length > kShown) {
        shown += "...";
    }
    FtkSetError(ERR_STRING_TOO_LONG, std::string("The ") + what + " \"" + shown + "\" has " + std::to_string(length) +
                                         " characters; a 3DS file holds at most " + std::to_string(maxChars) + ".");
    return true;
}

std::uint8_t FtkColorByte(float component) {
    const float scaled = component * 255.0f;
    if (!(scaled > 0.0f)) {
        return 0;  // also NaN
    }
    return scaled >= 255.0f ? 255 : static_cast<std::uint8_t>(scaled);
}

void FtkByteWriter::ColorBytes(const FtkColor& color) {
    Byte(FtkColorByte(color.r));
    Byte(FtkColorByte(color.g));
    Byte(FtkColorByte(color.b));
}

void FtkByteWriter::TexVert(const FtkTexVert& texVert) {
    Float(texVert.u);
    Float(texVert.v);
}

void FtkByteWriter::Face(const FtkFace& face) {
    Word(face.v1);
    Word(face.v2);
    Word(face.v3);
    Word(face.flag);
}

void FtkByteWriter::TrackHeader(const FtkTrackHeader& header) {
    Word(header.flags);
    Dword(header.reserved1);
    Dword(header.reserved2);
    Dword(header.keyCount);
}

void FtkByteWriter::KeyHeader(const FtkKeyHeader& key) {
    Dword(key.time);
    Word(key.rflags);
    const float values[] = {key.tension, key.continuity, key.bias, key.easeTo, key.easeFrom};
    for (int bit = 0; bit < 5; ++bit) {
        if ((key.rflags >> bit & 1u) != 0) {
            Float(values[bit]);
        }
    }
}

void FtkByteWriter::String(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    bytes_.push_back(0);
}

void FtkByteWriter::Bytes(const unsigned char* data, std::size_t count) {
    if (data != nullptr && count > 0) {
        bytes_.insert(bytes_.end(), data, data + count);
    }
}
