#ifndef VEXA_HOST_RGBAIMAGE_H
#define VEXA_HOST_RGBAIMAGE_H

// An image as VImage holds it: 8-bit red, green, blue and alpha per pixel, rows from top to
// bottom without padding; and the formats the host reads and writes it in.
//
// Reading works on bytes in memory (the file readers are thin wrappers), and knows a format
// by its content: TIFF by its byte-order mark ("II*\0", "MM\0*"), anything else is tried as an
// uncompressed Targa. Writing makes TIFF (uncompressed) or Targa (uncompressed, 32 bits,
// top-left origin). Sizes are bounded before anything is allocated: each side up to
// kMaxSide, all pixels together up to kMaxPixelBytes.

#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vexa_host {

struct VEXA_API RgbaImage {
    static constexpr unsigned kMaxSide = 32768;
    static constexpr std::size_t kMaxPixelBytes = std::size_t{512} << 20;

    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> pixels;  // width * height * 4

    bool empty() const { return width == 0 || height == 0; }
    // kInvalidParameter for a side of 0 or past kMaxSide, or too many pixels.
    static VStatus checkSize(unsigned width, unsigned height);
};

enum class ImageFormat { kUnknown, kTiff, kTarga };

// "tif" and "tiff" are TIFF, "tga" Targa (any case, with or without a leading dot).
VEXA_API ImageFormat imageFormatNamed(const std::string& name);
// Decodes an image from memory; kFailure with a text saying why when the bytes are not an
// image the host reads. The image is left empty on failure.
VEXA_API VStatus decodeImage(const unsigned char* bytes, std::size_t size, RgbaImage& image);
// Encodes a non-empty image; kInvalidParameter for an empty one or an unknown format.
VEXA_API VStatus encodeImage(const RgbaImage& image, ImageFormat format, std::vector<unsigned char>& bytes);

}  // namespace vexa_host

#endif
