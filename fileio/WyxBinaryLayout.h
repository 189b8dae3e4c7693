#ifndef WYX_FILEIO_WYXBINARYLAYOUT_H
#define WYX_FILEIO_WYXBINARYLAYOUT_H

// Sizes, offsets and marks of the binary WYX form (see the design note in RWyxFile.h).

#include <cstddef>
#include <cstdint>

namespace wyx_layout {

constexpr unsigned char kFileMagic[8] = {0x89, 'W', 'Y', 'X', '\r', '\n', 0x1a, '\n'};
constexpr unsigned char kFooterMagic[8] = {'\n', 'W', 'Y', 'X', 'E', 'N', 'D', '\n'};
constexpr unsigned char kSectionMagic[4] = {'S', 'E', 'C', 'T'};

constexpr std::uint64_t kFileHeaderSize = 16;
constexpr std::uint64_t kSectionHeaderSize = 88;
constexpr std::uint64_t kFooterSize = 24;

// Offsets in the section header.
constexpr std::size_t kSectionKindAt = 4;
constexpr std::size_t kSectionVersionAt = 8;
constexpr std::size_t kSectionFlagsAt = 12;
constexpr std::size_t kSectionNonceAt = 16;
constexpr std::size_t kSectionIterationsAt = 28;
constexpr std::size_t kSectionSaltAt = 32;
constexpr std::size_t kSectionTagAt = 48;
constexpr std::size_t kSectionCheckAt = 64;
constexpr std::size_t kSectionBodyLengthAt = 80;

constexpr int kSaltSize = 16;
constexpr int kTagSize = 16;
constexpr int kCheckSize = 16;

// Section flags. kFlagWholeFile (with a password only): the main section's tag covers every
// byte of the file outside its body as well, the extension section and the footer too.
constexpr std::uint32_t kFlagEncrypted = 1;
constexpr std::uint32_t kFlagPassword = 2;
constexpr std::uint32_t kFlagWholeFile = 4;

// File forms.
constexpr unsigned char kFormBinary = 0;
constexpr unsigned char kFormEncrypted = 1;

constexpr std::uint32_t kMaxSections = 2;

}  // namespace wyx_layout

#endif
