#include "fileio/WyxHeaderForm.h"

#include "fileio/WyxBinaryLayout.h"

#include <cstring>

namespace {

constexpr char kAsciiMark[] = ";WYX ASCII ";
constexpr std::size_t kAsciiMarkSize = sizeof kAsciiMark - 1;
// After the file mark and the 32-bit file version.
constexpr std::size_t kFormByteAt = sizeof wyx_layout::kFileMagic + 4;

bool BeginsWith(const unsigned char* bytes, std::size_t size, const void* mark, std::size_t markSize) {
    return size >= markSize && std::memcmp(bytes, mark, markSize) == 0;
}

}  // namespace

int RecognizeWyxHeader(const unsigned char* bytes, std::size_t size) {
    if (bytes == nullptr) {
        return kWyxFormNone;
    }
    if (BeginsWith(bytes, size, kAsciiMark, kAsciiMarkSize)) {
        return kWyxFormAscii;
    }
    if (!BeginsWith(bytes, size, wyx_layout::kFileMagic, sizeof wyx_layout::kFileMagic) || size <= kFormByteAt) {
        return kWyxFormNone;
    }
    switch (bytes[kFormByteAt]) {
        case wyx_layout::kFormBinary: return kWyxFormBinary;
        case wyx_layout::kFormEncrypted: return kWyxFormEncrypted;
        default: return kWyxFormNone;
    }
}
