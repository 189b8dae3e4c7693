#include "fileio/RImageBuffer.h"

#include <new>
#include <utility>

std::size_t RImageBuffer::PixelByteCount(long long width, long long height, int channels) {
    if (width <= 0 || height <= 0 || channels < 1 || channels > kMaxChannels) {
        return 0;
    }
    // Each factor is checked against the limit before it is multiplied in, so nothing can
    // overflow on the way.
    const unsigned long long limit = kMaxPixelBytes;
    const auto w = static_cast<unsigned long long>(width);
    const auto h = static_cast<unsigned long long>(height);
    if (w > limit || h > limit / w) {
        return 0;
    }
    const unsigned long long bytes = w * h * static_cast<unsigned long long>(channels);
    return bytes <= limit ? static_cast<std::size_t>(bytes) : 0;
}

bool RImageBuffer::Init(int width, int height, bool allocate, int type, int channels) {
    Release();
    if (width < 0 || height < 0 || channels < 1 || channels > kMaxChannels || type != kType8Bit) {
        return false;
    }
    const bool empty = width == 0 || height == 0;
    const std::size_t bytes = PixelByteCount(width, height, channels);
    if (!empty && bytes == 0) {
        return false;
    }
    if (allocate && !empty) {
        pixels_.reset(new (std::nothrow) unsigned char[bytes]());
        if (pixels_ == nullptr) {
            return false;
        }
        pixelBytes_ = bytes;
        valid_ = true;
    }
    width_ = width;
    height_ = height;
    type_ = type;
    channels_ = channels;
    return true;
}

bool RImageBuffer::Adopt(int width, int height, int channels, std::unique_ptr<unsigned char[]> pixels) {
    if (pixels == nullptr || width == 0 || height == 0 || !Init(width, height, false, kType8Bit, channels)) {
        Release();
        return false;
    }
    pixels_ = std::move(pixels);
    pixelBytes_ = PixelByteCount(width, height, channels);
    valid_ = true;
    return true;
}

void RImageBuffer::SetName(const char* fileName) { fileName_ = fileName != nullptr ? fileName : ""; }

std::size_t RImageBuffer::GetRowByteCount() const {
    return static_cast<std::size_t>(width_) * static_cast<std::size_t>(channels_);
}

void RImageBuffer::Release() {
    pixels_.reset();
    pixelBytes_ = 0;
    valid_ = false;
    width_ = 0;
    height_ = 0;
    type_ = kType8Bit;
    channels_ = 0;
}
