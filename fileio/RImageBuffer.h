#ifndef WYX_FILEIO_RIMAGEBUFFER_H
#define WYX_FILEIO_RIMAGEBUFFER_H

// An image in memory, as it travels between a picture file and a WYX file: its size, its
// channel count, its pixels and the name of the file it came from.
//
// Pixels are 8-bit samples, channels interleaved, rows from top to bottom without padding:
// 1 channel grey, 2 grey and alpha, 3 RGB, 4 RGBA. The keep-file flag says that the picture
// travels in its own file format instead of being converted.

#include "core/RString.h"

#include <cstddef>
#include <memory>

class RImageBuffer {
public:
    // The one pixel type: 8 bits per sample.
    static constexpr int kType8Bit = 0;
    static constexpr int kMaxChannels = 4;
    // No image may take more bytes than this (16384 x 16384 RGBA); sizes read from files
    // are checked against it before anything is allocated.
    static constexpr std::size_t kMaxPixelBytes = std::size_t{1} << 30;

    RImageBuffer() = default;
    RImageBuffer(const RImageBuffer&) = delete;
    RImageBuffer& operator=(const RImageBuffer&) = delete;

    // Sets the size and releases any pixels. With allocate and a non-empty size, a zeroed
    // pixel block is made and the buffer holds a valid image. False, the buffer left
    // empty, for a negative size, a channel count outside 1 to 4, another type than
    // kType8Bit, a size over kMaxPixelBytes or a failed allocation. The file name and the
    // keep-file flag are not touched.
    bool Init(int width, int height, bool allocate, int type, int channels);

    // Takes over a complete pixel block of that size (PixelByteCount bytes), as Init with
    // allocate would have made it. False, the buffer left empty, for a size Init refuses
    // or a null block.
    bool Adopt(int width, int height, int channels, std::unique_ptr<unsigned char[]> pixels);

    void SetName(const char* fileName);
    const RString& GetFileName() const { return fileName_; }
    void SetKeepOriginal(bool keep) { keepFile_ = keep; }
    bool GetKeepOriginal() const { return keepFile_; }

    bool IsValid() const { return valid_; }
    bool OwnsPixels() const { return pixels_ != nullptr; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    int GetType() const { return type_; }
    int GetChannelCount() const { return channels_; }
    // Null while the buffer holds no pixels.
    unsigned char* GetPixels() { return pixels_.get(); }
    const unsigned char* GetPixels() const { return pixels_.get(); }
    std::size_t GetPixelByteCount() const { return pixelBytes_; }
    std::size_t GetRowByteCount() const;

    // The byte count of an image of that size, or 0 when it is empty, invalid or over
    // kMaxPixelBytes.
    static std::size_t PixelByteCount(long long width, long long height, int channels);

private:
    void Release();

    bool keepFile_ = false;
    RString fileName_;
    bool valid_ = false;
    int width_ = 0;
    int height_ = 0;
    int type_ = kType8Bit;
    int channels_ = 0;
    std::unique_ptr<unsigned char[]> pixels_;
    std::size_t pixelBytes_ = 0;
};

#endif
