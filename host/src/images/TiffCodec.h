#ifndef VEXA_HOST_TIFFCODEC_H
#define VEXA_HOST_TIFFCODEC_H

// TIFF images through libtiff, in memory (the first image of a file). Grey, grey-and-alpha,
// RGB and RGBA images of 8 bits, interleaved, are read as stored (colour not multiplied by
// alpha); any other kind that libtiff renders is read through its RGBA renderer. Before pixels
// are allocated the size is checked (RgbaImage limits) and every strip or tile must lie inside
// the bytes, together holding at least 1/kMaxExpansion of the image's RGBA bytes, so a small
// file cannot claim a huge image; pixels then grow a strip (or row of tiles) at a time, and a
// tile may hold at most 64 MiB. Writing makes an uncompressed RGBA TIFF with unassociated
// alpha, top-left origin.

#include "host/src/images/RgbaImage.h"

#include <cstdint>

namespace vexa_host {

constexpr std::uint64_t kMaxExpansion = 8192;

bool looksLikeTiff(const unsigned char* bytes, std::size_t size);
VStatus decodeTiff(const unsigned char* bytes, std::size_t size, RgbaImage& image);
VStatus encodeTiff(const RgbaImage& image, std::vector<unsigned char>& bytes);

}  // namespace vexa_host

#endif
