#ifndef WYX_FILEIO_LITTLEENDIAN_H
#define WYX_FILEIO_LITTLEENDIAN_H

// Loads and stores of the little-endian integers of the binary WYX form, whatever the
// machine's byte order (compilers turn them into plain moves on little-endian machines).

#include <cstdint>
#include <cstring>

namespace wyx_le {

inline std::uint32_t LoadU32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

inline std::uint64_t LoadU64(const unsigned char* bytes) {
    return static_cast<std::uint64_t>(LoadU32(bytes)) | static_cast<std::uint64_t>(LoadU32(bytes + 4)) << 32;
}

inline void StoreU32(unsigned char* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    }
}

inline void StoreU64(unsigned char* bytes, std::uint64_t value) {
    StoreU32(bytes, static_cast<std::uint32_t>(value));
    StoreU32(bytes + 4, static_cast<std::uint32_t>(value >> 32));
}

inline std::uint64_t DoubleBits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline double BitsToDouble(std::uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline std::uint32_t FloatBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float BitsToFloat(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace wyx_le

#endif
