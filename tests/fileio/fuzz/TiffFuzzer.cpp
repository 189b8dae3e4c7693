// Feeds arbitrary bytes, from memory, to the TIFF reader.

#include "fileio/RImageBuffer.h"
#include "fileio/TiffImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RImageBuffer image;
    if (ReadImageFromTiffBytes(data, size, image) && image.GetPixelByteCount() > 0) {
        volatile unsigned char last = image.GetPixels()[image.GetPixelByteCount() - 1];
        (void)last;
    }
    return 0;
}
