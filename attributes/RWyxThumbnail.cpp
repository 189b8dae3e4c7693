#include "attributes/RWyxThumbnail.h"

bool RWyxThumbnail::SetDataFormat(int format) {
    if (format != kRgb24 && format != kRgba32) return false;
    if (format != format_) pixels_.clear();
    format_ = format;
    return true;
}

bool RWyxThumbnail::SetSize(int size) {
    if (size != kNotSet && size != k64x64 && size != k128x128) return false;
    if (size != size_) pixels_.clear();
    size_ = size;
    return true;
}

int RWyxThumbnail::GetWidth() const {
    switch (size_) {
        case k64x64: return 64;
        case k128x128: return 128;
        default: return 0;
    }
}

std::size_t RWyxThumbnail::GetSizeInBytes() const {
    const std::size_t bytesPerPixel = format_ == kRgba32 ? 4 : 3;
    const auto side = static_cast<std::size_t>(GetWidth());
    return side * side * bytesPerPixel;
}

bool RWyxThumbnail::SetImage(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr && length == 0) {
        pixels_.clear();
        return true;
    }
    if (data == nullptr || size_ == kNotSet || length != GetSizeInBytes()) return false;
    pixels_.assign(data, data + length);
    return true;
}

void RWyxThumbnail::Clear() {
    size_ = kNotSet;
    pixels_.clear();
}
