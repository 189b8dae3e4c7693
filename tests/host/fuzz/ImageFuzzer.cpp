// Decodes each input as an image from memory, as VImage::readFromFile does with a file's bytes:
// TIFF (through libtiff, with the host's size and strip checks) or uncompressed Targa. A
// decoded image must be as large as it says; a refused one must be left empty.

#include "host/src/images/RgbaImage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vexa_host::RgbaImage image;
    const bool decoded = static_cast<bool>(vexa_host::decodeImage(data, size, image));
    const std::size_t expected = std::size_t{image.width} * image.height * 4;
    if (decoded ? (image.empty() || image.pixels.size() != expected) : !image.pixels.empty()) std::abort();
    return 0;
}
