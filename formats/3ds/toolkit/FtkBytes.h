#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKBYTES_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKBYTES_H

// Decoding and encoding of the file form of chunk data held in memory.
//
// FtkByteReader is a cursor over a chunk's own data: every read stays inside the bytes it
// was given. A read past the end answers 0 (an empty text), reads nothing, and marks the
// reader failed for good, so a decoder reads all its fields and tests Ok() once. Counts from
// a file are tested with Fits() before anything is allocated for them.
// FtkByteWriter appends the same forms to a byte vector.

#include "formats/3ds/toolkit/FtkTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FtkByteReader {
public:
    FtkByteReader(const unsigned char* data, std::size_t size) : data_(data), size_(data != nullptr ? size : 0) {}
    explicit FtkByteReader(const std::vector<unsigned char>& bytes) : FtkByteReader(bytes.data(), bytes.size()) {}

    bool Ok() const { return ok_; }
    std::size_t Remaining() const { return size_ - position_; }
    std::size_t Position() const { return position_; }
    // Whether count elements of elementSize bytes are left (no overflow for any count).
    bool Fits(std::uint64_t count, std::size_t elementSize) const;

    std::uint8_t Byte();
    std::uint16_t Word();
    std::int16_t Short();
    std::uint32_t Dword();
    float Float();
    FtkPoint Point();
    FtkColor ColorFloats();
    // Three bytes, each times scale.
    FtkColor ColorBytes(float scale);
    FtkTexVert TexVert();
    FtkFace Face();
    FtkTrackHeader TrackHeader();
    FtkKeyHeader KeyHeader();
    // A zero-terminated text of at most maxChars characters; fails when no zero comes within
    // maxChars + 1 bytes.
    std::string String(std::size_t maxChars);
    // As String, for a name of at most maxChars characters: a name that ends only after them
    // is refused as FtkRefuseLongName says (`what` says what it names).
    std::string Name(std::size_t maxChars, const char* what);
    // The text up to the first zero or the end of the data; never fails.
    std::string RestAsString();
    std::vector<unsigned char> Bytes(std::size_t count);
    void Skip(std::size_t count);

private:
    // The next count bytes, or null (and failed) when fewer are left.
    const unsigned char* Take(std::size_t count);

    const unsigned char* data_;
    std::size_t size_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

class FtkByteWriter {
public:
    void Byte(std::uint8_t value) { bytes_.push_back(value); }
    void Word(std::uint16_t value);
    void Short(std::int16_t value) { Word(static_cast<std::uint16_t>(value)); }
    void Dword(std::uint32_t value);
    void Float(float value);
    void Point(const FtkPoint& point);
    void ColorFloats(const FtkColor& color);
    // Each component times 255, truncated toward zero, as a byte.
    void ColorBytes(const FtkColor& color);
    void TexVert(const FtkTexVert& texVert);
    void Face(const FtkFace& face);
    void TrackHeader(const FtkTrackHeader& header);
    // Frame, flags and the values of the flag bits 0 to 4 that are set.
    void KeyHeader(const FtkKeyHeader& key);
    // The text and its zero.
    void String(const std::string& text);
    void Bytes(const unsigned char* data, std::size_t count);

    const std::vector<unsigned char>& View() const { return bytes_; }
    std::vector<unsigned char> Take() { return std::move(bytes_); }

private:
    std::vector<unsigned char> bytes_;
};

// When bytes hold a name that ends (with its zero) only after maxChars characters: a name
// longer than its field, which is refused, but not damage. Records ERR_STRING_TOO_LONG with a
// text that gives the name, what it is (`what`, such as "material name") and the limit, and
// answers true. False when the name fits or has no zero in the bytes.
bool FtkRefuseLongName(const unsigned char* bytes, std::size_t size, std::size_t maxChars, const char* what);

// A colour component in 0..1 as a byte: times 255, truncated toward zero, clamped to 0..255.
std::uint8_t FtkColorByte(float component);

#endif
