#include <vexa/VImage.h>

#include "host/src/images/FileBytes.h"
#include "host/src/images/RgbaImage.h"

#include <algorithm>

using namespace vexa_host;

namespace {

// A file larger than any image the host takes, with room for headers and padding.
constexpr std::size_t kMaxFileBytes = RgbaImage::kMaxPixelBytes + (std::size_t{1} << 20);

std::string extensionOf(const std::string& name) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    return name.substr(dot + 1);
}

}  // namespace

VImage::VImage() : image_(std::make_unique<RgbaImage>()) {}

VImage::~VImage() = default;

VImage::VImage(const VImage& other) : image_(std::make_unique<RgbaImage>(*other.image_)) {}

VImage& VImage::operator=(const VImage& other) {
    if (this != &other) *image_ = *other.image_;
    return *this;
}

VStatus VImage::readFromFile(const VString& pathName) {
    release();
    std::vector<unsigned char> bytes;
    VStatus status = readFileBytes(pathName.str(), kMaxFileBytes, bytes);
    if (!status) return status;
    RgbaImage read;
    status = decodeImage(bytes.data(), bytes.size(), read);
    if (!status) return VStatus(VStatus::kFailure, pathName.str() + ": " + status.errorString().str());
    *image_ = std::move(read);
    return VStatus();
}

VStatus VImage::writeToFile(const VString& pathName, const VString& outputFormat) const {
    const std::string formatName = outputFormat.length() > 0 ? outputFormat.str() : extensionOf(pathName.str());
    const ImageFormat format = imageFormatNamed(formatName);
    if (format == ImageFormat::kUnknown) {
        return VStatus(VStatus::kInvalidParameter, "the host does not write images as \"" + formatName + "\"");
    }
    std::vector<unsigned char> bytes;
    VStatus status = encodeImage(*image_, format, bytes);
    return status ? replaceFileWith(pathName.str(), bytes) : status;
}

VStatus VImage::create(unsigned width, unsigned height, unsigned channels) {
    if (channels != 4) return VStatus(VStatus::kInvalidParameter, "images have 4 channels");
    if (VStatus status = RgbaImage::checkSize(width, height); !status) return status;
    image_->width = width;
    image_->height = height;
    image_->pixels.assign(std::size_t{width} * height * 4, 0);
    for (std::size_t i = 3; i < image_->pixels.size(); i += 4) image_->pixels[i] = 255;
    return VStatus();
}

VStatus VImage::setPixels(const unsigned char* pixels, unsigned width, unsigned height) {
    if (pixels == nullptr) return VStatus(VStatus::kInvalidParameter, "no pixels");
    if (VStatus status = RgbaImage::checkSize(width, height); !status) return status;
    image_->width = width;
    image_->height = height;
    image_->pixels.assign(pixels, pixels + std::size_t{width} * height * 4);
    return VStatus();
}

VStatus VImage::getSize(unsigned& width, unsigned& height) const {
    if (image_->empty()) return VStatus(VStatus::kFailure, "the image is empty");
    width = image_->width;
    height = image_->height;
    return VStatus();
}

unsigned char* VImage::pixels() { return image_->empty() ? nullptr : image_->pixels.data(); }

const unsigned char* VImage::pixels() const { return image_->empty() ? nullptr : image_->pixels.data(); }

void VImage::release() { *image_ = RgbaImage(); }
