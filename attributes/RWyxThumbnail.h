#ifndef WYX_ATTRIBUTES_RWYXTHUMBNAIL_H
#define WYX_ATTRIBUTES_RWYXTHUMBNAIL_H

// The preview picture of a take or a scene: a square image of a fixed size (64 or 128 pixels
// a side) in one of two pixel formats (RGB, 3 bytes a pixel, or RGBA, 4 bytes), its pixels row
// by row. A thumbnail without a size or without pixels is empty, and the writers leave it out.
//
// The pixel buffer always holds exactly width × height × bytes per pixel bytes: an image of
// another length is refused, so a reader cannot make the writers go past the buffer. Made by
// the object factory without an owner and destroyed through it.

#include <cstddef>
#include <cstdint>
#include <vector>

class RWyxThumbnail {
public:
    // Pixel formats.
    enum Format { kRgb24 = 0, kRgba32 = 1 };
    // Sizes.
    enum Size { kNotSet = 0, k64x64 = 1, k128x128 = 2 };

    // RGB, no size, no pixels.
    RWyxThumbnail() = default;
    RWyxThumbnail(const RWyxThumbnail&) = delete;
    RWyxThumbnail& operator=(const RWyxThumbnail&) = delete;
    ~RWyxThumbnail() = default;

    // A format or size outside the enumeration is refused (false, nothing changed). Changing
    // either drops the pixels, which no longer fit.
    bool SetDataFormat(int format);
    int GetDataFormat() const { return format_; }
    bool SetSize(int size);
    int GetSize() const { return size_; }

    // Pixels a side: 64, 128, or 0 when no size is set.
    int GetWidth() const;
    int GetHeight() const { return GetWidth(); }
    // The byte count the image must have: width × height × bytes per pixel (0 without a size).
    std::size_t GetSizeInBytes() const;

    // Copies the pixels; false, nothing changed, when the length is not GetSizeInBytes() or
    // when no size is set. A null image with length 0 clears the pixels.
    bool SetImage(const std::uint8_t* data, std::size_t length);
    // Null when there are no pixels.
    const std::uint8_t* GetImage() const { return pixels_.empty() ? nullptr : pixels_.data(); }
    std::size_t GetImageLength() const { return pixels_.size(); }

    // True without a size or without pixels.
    bool IsEmpty() const { return size_ == kNotSet || pixels_.empty(); }
    // No size, no pixels; the format stays.
    void Clear();

private:
    int format_ = kRgb24;
    int size_ = kNotSet;
    std::vector<std::uint8_t> pixels_;
};

#endif
