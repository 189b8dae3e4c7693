#ifndef VEXA_HOST_TARGACODEC_H
#define VEXA_HOST_TARGACODEC_H

// Uncompressed Targa images. Layout: an 18-byte header (id length, colour-map type, image
// type, colour-map spec (5 bytes), x and y origin, width, height (16-bit little-endian), bits
// per pixel, descriptor), the image id, then the pixels, blue-green-red(-alpha) or grey.
// Read: image type 2 with 24 or 32 bits per pixel, or type 3 with 8; no colour map; rows
// bottom-up unless descriptor bit 5 says top-down, right-to-left when bit 4 says so; alpha
// taken from 32-bit pixels only when the descriptor gives alpha bits. Anything else, and
// pixel data shorter than the header promises, is refused before pixels are allocated.
// Written: type 2, 32 bits, 8 alpha bits, top-down rows.

#include "host/src/images/RgbaImage.h"

namespace vexa_host {

VStatus decodeTarga(const unsigned char* bytes, std::size_t size, RgbaImage& image);
VStatus encodeTarga(const RgbaImage& image, std::vector<unsigned char>& bytes);

}  // namespace vexa_host

#endif
