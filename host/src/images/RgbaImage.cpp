#include "host/src/images/RgbaImage.h"

#include "host/src/images/TargaCodec.h"
#include "host/src/images/TiffCodec.h"

#include <cctype>

namespace vexa_host {

VStatus RgbaImage::checkSize(unsigned width, unsigned height) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
        std::size_t{width} * height * 4 > kMaxPixelBytes) {
        return VStatus(VStatus::kInvalidParameter, "an image of " + std::to_string(width) + " by " + std::to_string(height) +
                                                       " pixels is empty or larger than the host takes");
    }
    return VStatus();
}

ImageFormat imageFormatNamed(const std::string& name) {
    std::string word = !name.empty() && name.front() == '.' ? name.substr(1) : name;
    for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (word == "tif" || word == "tiff") return ImageFormat::kTiff;
    if (word == "tga") return ImageFormat::kTarga;
    return ImageFormat::kUnknown;
}

VStatus decodeImage(const unsigned char* bytes, std::size_t size, RgbaImage& image) {
    return looksLikeTiff(bytes, size) ? decodeTiff(bytes, size, image) : decodeTarga(bytes, size, image);
}

VStatus encodeImage(const RgbaImage& image, ImageFormat format, std::vector<unsigned char>& bytes) {
    switch (format) {
    case ImageFormat::kTiff: return encodeTiff(image, bytes);
    case ImageFormat::kTarga: return encodeTarga(image, bytes);
    case ImageFormat::kUnknown: break;
    }
    bytes.clear();
    return VStatus(VStatus::kInvalidParameter, "the host writes TIFF and Targa images only");
}

}  // namespace vexa_host
