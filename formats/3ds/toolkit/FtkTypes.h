#ifndef WYX_FORMATS_3DS_TOOLKIT_FTKTYPES_H
#define WYX_FORMATS_3DS_TOOLKIT_FTKTYPES_H

// The small plain records that the 3DS toolkit reads and writes as a whole, with their file
// sizes (little-endian; floats are IEEE 754 single precision).

#include <cstddef>
#include <cstdint>
#include <cstring>

// Three floats x, y, z (12 bytes).
struct FtkPoint {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Two floats u, v (8 bytes).
struct FtkTexVert {
    float u = 0.0f;
    float v = 0.0f;
};

// A colour: three floats red, green, blue in 0..1.
struct FtkColor {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// Vertex a, b, c and the face flags, four 16-bit words (8 bytes). A face starts as {0, 1, 2, 0}.
struct FtkFace {
    std::uint16_t v1 = 0;
    std::uint16_t v2 = 1;
    std::uint16_t v3 = 2;
    std::uint16_t flag = 0;
};

// Track header: flags, two reserved words, key count (14 bytes). The count starts at 1.
struct FtkTrackHeader {
    std::uint16_t flags = 0;
    std::uint32_t reserved1 = 0;
    std::uint32_t reserved2 = 0;
    std::uint32_t keyCount = 1;
};

// Spline flag bits of a key header: each one set is followed by its float, in bit order.
enum FtkKeyFlagBit : std::uint16_t {
    kFtkKeyTension = 1,
    kFtkKeyContinuity = 2,
    kFtkKeyBias = 4,
    kFtkKeyEaseTo = 8,
    kFtkKeyEaseFrom = 16,
};

// Key header: frame (32-bit), spline flags (16-bit), then one float per flag bit 0 to 4 that is
// set. In memory all five values are present; a clear bit's value reads as 0 and is not written.
struct FtkKeyHeader {
    std::uint32_t time = 0;
    std::uint16_t rflags = 0;
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    float easeTo = 0.0f;
    float easeFrom = 0.0f;
};

// The file size of a key header with these spline flags: 6 bytes and 4 per value bit set.
inline std::size_t FtkKeyHeaderSize(std::uint16_t rflags) {
    std::size_t size = 6;
    for (int bit = 0; bit < 5; ++bit) {
        size += (rflags >> bit & 1u) != 0 ? 4 : 0;
    }
    return size;
}

// Copies a text into a fixed character field, cut to fit and always terminated. Null copies as
// the empty text.
template <std::size_t N>
void FtkCopyName(char (&field)[N], const char* text) {
    std::size_t length = 0;
    if (text != nullptr) {
        while (length + 1 < N && text[length] != '\0') {
            ++length;
        }
        std::memcpy(field, text, length);
    }
    std::memset(field + length, 0, N - length);
}

#endif
