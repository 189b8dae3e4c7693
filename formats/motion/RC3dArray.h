#ifndef WYX_FORMATS_MOTION_RC3DARRAY_H
#define WYX_FORMATS_MOTION_RC3DARRAY_H

// The value of a C3D parameter: a typed array of up to 255 dimensions, kept in the machine's
// layout. Dimensions are in the file's order, the first varying fastest: a character matrix
// of dimensions (length, rows) holds rows texts of length characters each.
//
// Type codes: the low 4 bits are the element size in bytes; bit 31 marks signed, bit 29
// floating point, bit 30 character. The file's type bytes: -1 character, 1 byte, 2 16-bit
// integer (read as signed), 4 float.
//
// The stored elements may be fewer than the dimensions claim (a record cut short by its
// offset): elements past the stored ones read as 0.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class RC3dArray {
public:
    static constexpr std::uint32_t kCharacter = 0x40000001u;
    static constexpr std::uint32_t kByte = 0x00000001u;
    static constexpr std::uint32_t kWord = 0x00000002u;
    static constexpr std::uint32_t kSignedWord = 0x80000002u;
    static constexpr std::uint32_t kFloat = 0xA0000004u;
    // The most value bytes a record can hold (its offset is a 16-bit word).
    static constexpr std::int64_t kMaxBytes = 65535;

    RC3dArray() = default;
    // Zeroed storage for every element the dimensions name; none when the type is not one of
    // the codes above or the elements would take more than kMaxBytes (IsValid false).
    RC3dArray(std::uint32_t type, std::vector<int> dimensions);
    // The same, storing no more than the whole elements of storedLimit bytes: a value read from
    // a file keeps only what the file can hold, and the elements past it read as 0.
    RC3dArray(std::uint32_t type, std::vector<int> dimensions, std::int64_t storedLimit);

    static RC3dArray Word(int value);
    static RC3dArray Float(float value);
    static RC3dArray Text(const std::string& text);
    // Rows of the given length, each text cut or padded with blanks to it.
    static RC3dArray TextRows(const std::vector<std::string>& rows, int length);

    bool IsValid() const { return valid_; }
    std::uint32_t GetType() const { return type_; }
    bool IsCharacter() const { return type_ == kCharacter; }
    bool IsNumber() const { return valid_ && type_ != kCharacter; }
    int GetElementSize() const { return static_cast<int>(type_ & 0xFu); }
    // The type byte of the file: -1, 1, 2 or 4.
    int GetFileType() const;
    int GetDimensionCount() const { return static_cast<int>(dimensions_.size()); }
    // 0 past the last dimension.
    int GetDimension(int index) const;
    const std::vector<int>& GetDimensions() const { return dimensions_; }
    // The product of the dimensions (1 for a scalar).
    std::int64_t GetElementCount() const;

    std::vector<std::uint8_t>& Bytes() { return bytes_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    // The element as an integer (floats truncated, not-a-number and values beyond 64 bits as
    // 0) or as a double; 0 past the stored elements.
    std::int64_t GetInteger(std::int64_t index) const;
    double GetDouble(std::int64_t index) const;
    void SetInteger(std::int64_t index, int value);
    void SetFloat(std::int64_t index, float value);
    // Row i over the last dimension, with the others (row i of a character matrix is its i-th
    // text); an empty array when i is outside.
    RC3dArray GetRow(int index) const;
    // The characters stored, up to the first byte 0.
    std::string GetText() const;

private:
    // The product of the dimensions, or kMaxBytes + 1 once past it.
    static std::int64_t CountOf(const std::vector<int>& dimensions);

    std::uint32_t type_ = 0;
    std::vector<int> dimensions_;
    std::vector<std::uint8_t> bytes_;
    bool valid_ = false;
};

#endif
