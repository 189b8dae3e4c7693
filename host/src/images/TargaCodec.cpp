#include "host/src/images/TargaCodec.h"

#include <cstdint>

namespace vexa_host {

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr unsigned char kTrueColor = 2;
constexpr unsigned char kGrey = 3;
constexpr unsigned char kRightToLeft = 0x10;
constexpr unsigned char kTopDown = 0x20;

unsigned readShort(const unsigned char* at) { return static_cast<unsigned>(at[0]) | (static_cast<unsigned>(at[1]) << 8); }

void writeShort(std::vector<unsigned char>& bytes, unsigned value) {
    bytes.push_back(static_cast<unsigned char>(value & 0xffu));
    bytes.push_back(static_cast<unsigned char>((value >> 8) & 0xffu));
}

VStatus refuse(const std::string& why) { return VStatus(VStatus::kFailure, "not a Targa image the host reads: " + why); }

}  // namespace

VStatus decodeTarga(const unsigned char* bytes, std::size_t size, RgbaImage& image) {
    image = RgbaImage();
    if (bytes == nullptr || size < kHeaderSize) return refuse("shorter than its header");
    const unsigned idLength = bytes[0];
    const unsigned char mapType = bytes[1];
    const unsigned char type = bytes[2];
    const unsigned width = readShort(bytes + 12);
    const unsigned height = readShort(bytes + 14);
    const unsigned bits = bytes[16];
    const unsigned char descriptor = bytes[17];
    if (mapType != 0) return refuse("it has a colour map");
    const bool trueColor = type == kTrueColor && (bits == 24 || bits == 32);
    const bool grey = type == kGrey && bits == 8;
    if (!trueColor && !grey) return refuse("image type " + std::to_string(type) + " with " + std::to_string(bits) + " bits");
    if ((descriptor & 0xc0) != 0) return refuse("interleaved rows");
    if (VStatus status = RgbaImage::checkSize(width, height); !status) return status;
    const std::size_t step = bits / 8;
    const std::size_t dataSize = std::size_t{width} * height * step;
    const std::size_t start = kHeaderSize + idLength;
    if (start > size || dataSize > size - start) {
        return refuse("the pixels need " + std::to_string(dataSize) + " bytes, " +
                      std::to_string(size > start ? size - start : 0) + " follow the header");
    }
    const bool hasAlpha = bits == 32 && (descriptor & 0x0f) != 0;
    const bool topDown = (descriptor & kTopDown) != 0;
    const bool rightToLeft = (descriptor & kRightToLeft) != 0;
    image.width = width;
    image.height = height;
    image.pixels.resize(std::size_t{width} * height * 4);
    const unsigned char* source = bytes + start;
    for (unsigned row = 0; row < height; ++row) {
        const unsigned targetRow = topDown ? row : height - 1 - row;
        for (unsigned column = 0; column < width; ++column) {
            const unsigned targetColumn = rightToLeft ? width - 1 - column : column;
            const unsigned char* pixel = source + (std::size_t{row} * width + column) * step;
            unsigned char* target = &image.pixels[(std::size_t{targetRow} * width + targetColumn) * 4];
            if (grey) {
                target[0] = target[1] = target[2] = pixel[0];
            } else {
                target[0] = pixel[2];
                target[1] = pixel[1];
                target[2] = pixel[0];
            }
            target[3] = hasAlpha ? pixel[3] : 255;
        }
    }
    return VStatus();
}

VStatus encodeTarga(const RgbaImage& image, std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (image.empty() || image.width > 0xffffu || image.height > 0xffffu ||
        image.pixels.size() != std::size_t{image.width} * image.height * 4) {
        return VStatus(VStatus::kInvalidParameter, "the image cannot be written as a Targa image");
    }
    bytes.reserve(kHeaderSize + image.pixels.size());
    bytes.insert(bytes.end(), {0, 0, kTrueColor, 0, 0, 0, 0, 0});
    writeShort(bytes, 0);
    writeShort(bytes, 0);
    writeShort(bytes, image.width);
    writeShort(bytes, image.height);
    bytes.push_back(32);
    bytes.push_back(static_cast<unsigned char>(kTopDown | 8));
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        bytes.insert(bytes.end(), {image.pixels[i + 2], image.pixels[i + 1], image.pixels[i], image.pixels[i + 3]});
    }
    return VStatus();
}

}  // namespace vexa_host
