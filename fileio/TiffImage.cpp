#include "fileio/TiffImage.h"

#include "core/FilePaths.h"
#include "core/RString.h"
#include "fileio/RImageBuffer.h"
#include "platform/NativeFiles.h"
#include "platform/RFileReplacement.h"

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {

const char kTempPrefix[] = ".wyx-tiff-";

// ---- a TIFF over a file opened through the platform layer, or over bytes in memory -------

// libtiff reaches its input only through these procedures, so files are opened (and their
// names converted) where every other file is, and bytes in memory are read where they lie.
struct TiffStream {
    std::FILE* file = nullptr;
    const unsigned char* bytes = nullptr;  // in memory when file is null
    std::uint64_t size = 0;
    std::uint64_t position = 0;
    bool failed = false;  // a short write or a failed seek or close
};

TiffStream* StreamOf(thandle_t handle) { return static_cast<TiffStream*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
    TiffStream* stream = StreamOf(handle);
    if (size <= 0) return 0;
    if (stream->file != nullptr) {
        return static_cast<tmsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), stream->file));
    }
    const std::uint64_t left = stream->size - std::min(stream->position, stream->size);
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, static_cast<std::uint64_t>(size)));
    if (count > 0) std::memcpy(data, stream->bytes + stream->position, count);
    stream->position += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
    TiffStream* stream = StreamOf(handle);
    if (size <= 0) return 0;
    const std::size_t written =
        stream->file != nullptr ? std::fwrite(data, 1, static_cast<std::size_t>(size), stream->file) : 0;
    if (written != static_cast<std::size_t>(size)) stream->failed = true;
    return static_cast<tmsize_t>(written);
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    TiffStream* stream = StreamOf(handle);
    const auto failure = static_cast<toff_t>(-1);
    // Offsets from the current place or the end come as two's-complement words.
    if (whence == SEEK_SET && offset > static_cast<toff_t>(LLONG_MAX)) return failure;
    const auto signedOffset = static_cast<std::int64_t>(offset);
    if (stream->file == nullptr) {
        const std::int64_t base = whence == SEEK_SET   ? 0
                                  : whence == SEEK_CUR ? static_cast<std::int64_t>(stream->position)
                                                       : static_cast<std::int64_t>(stream->size);
        if ((signedOffset < 0 && -signedOffset > base) || (signedOffset > 0 && signedOffset > LLONG_MAX - base)) {
            return failure;
        }
        stream->position = static_cast<std::uint64_t>(base + signedOffset);
        return static_cast<toff_t>(stream->position);
    }
    if (fseeko(stream->file, static_cast<off_t>(signedOffset), whence) != 0) {
        stream->failed = true;
        return failure;
    }
    const off_t position = ftello(stream->file);
    return position < 0 ? failure : static_cast<toff_t>(position);
}

// The file is closed by its owner, which checks the result.
int CloseProc(thandle_t /*handle*/) { return 0; }

toff_t SizeProc(thandle_t handle) {
    TiffStream* stream = StreamOf(handle);
    if (stream->file == nullptr) return static_cast<toff_t>(stream->size);
    std::FILE* file = stream->file;
    const off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return 0;
    const off_t end = ftello(file);
    fseeko(file, here, SEEK_SET);
    return end < 0 ? 0 : static_cast<toff_t>(end);
}

int MapProc(thandle_t /*handle*/, void** /*base*/, toff_t* /*size*/) { return 0; }
void UnmapProc(thandle_t /*handle*/, void* /*base*/, toff_t /*size*/) {}

// Keeps libtiff's complaints about malformed files off the process's standard error; the
// failure itself reaches the caller as a result.
int QuietHandler(TIFF* /*tiff*/, void* /*data*/, const char* /*module*/, const char* /*format*/, va_list /*args*/) {
    return 1;
}

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

class TiffFile {
public:
    TiffFile() = default;
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;
    ~TiffFile() { Close(); }

    // Reads the file at path.
    bool OpenForReading(const char* path) {
        stream_.file = platform::OpenFile(path, "rb");
        ownsFile_ = true;
        return stream_.file != nullptr && Start("r");
    }
    // Reads size bytes at data, which must outlive this object.
    bool OpenBytes(const void* data, std::size_t size) {
        stream_.bytes = static_cast<const unsigned char*>(data);
        stream_.size = size;
        return data != nullptr && Start("r");
    }
    // Writes into file, which stays its owner's (positioned at its start).
    bool OpenForWriting(std::FILE* file) {
        stream_.file = file;
        return file != nullptr && Start("w");
    }

    TIFF* Get() const { return tiff_; }
    // The size of what is read.
    std::uint64_t Size() { return SizeProc(&stream_); }

    // Closes libtiff's side (flushing what it writes) and an owned file; false when any
    // write, seek or the final flush failed.
    bool Close() {
        if (tiff_ != nullptr) {
            TIFFClose(tiff_);
            tiff_ = nullptr;
        }
        if (stream_.file != nullptr && ownsFile_) {
            if (std::fclose(stream_.file) != 0) stream_.failed = true;
        } else if (stream_.file != nullptr && std::fflush(stream_.file) != 0) {
            stream_.failed = true;
        }
        stream_.file = nullptr;
        return !stream_.failed;
    }

private:
    bool Start(const char* tiffMode) {
        std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
        if (options == nullptr) return false;
        TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &QuietHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &QuietHandler, nullptr);
        TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(RImageBuffer::kMaxPixelBytes));
        tiff_ = TIFFClientOpenExt("image", tiffMode, &stream_, &ReadProc, &WriteProc, &SeekProc, &CloseProc,
                                  &SizeProc, &MapProc, &UnmapProc, options.get());
        return tiff_ != nullptr;
    }

    TiffStream stream_;
    bool ownsFile_ = false;
    TIFF* tiff_ = nullptr;
};

// ---- writing ------------------------------------------------------------------------------

bool WriteTags(TIFF* tiff, bool deflate, const RImageBuffer& buffer) {
    const int channels = buffer.GetChannelCount();
    const bool colour = channels >= 3;
    const bool alpha = channels == 2 || channels == 4;
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(buffer.GetWidth())) == 1;
    ok = ok && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(buffer.GetHeight())) == 1;
    ok = ok && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) == 1;
    ok = ok && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, channels) == 1;
    ok = ok && TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1;
    ok = ok && TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, colour ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK) == 1;
    ok = ok && TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) == 1;
    if (alpha) {
        const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        ok = ok && TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra) == 1;
    }
    ok = ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE) == 1;
    ok = ok && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0)) == 1;
    return ok;
}

bool WriteTiffFile(std::FILE* target, bool deflate, const RImageBuffer& buffer) {
    TiffFile file;
    if (!file.OpenForWriting(target) || !WriteTags(file.Get(), deflate, buffer)) return false;
    // libtiff may work on the row it is given, so each row goes through a scratch copy.
    const std::size_t rowBytes = buffer.GetRowByteCount();
    std::vector<unsigned char> row(rowBytes);
    const unsigned char* pixels = buffer.GetPixels();
    bool ok = true;
    for (int y = 0; ok && y < buffer.GetHeight(); ++y) {
        std::memcpy(row.data(), pixels + static_cast<std::size_t>(y) * rowBytes, rowBytes);
        ok = TIFFWriteScanline(file.Get(), row.data(), static_cast<std::uint32_t>(y), 0) == 1;
    }
    ok = ok && TIFFWriteDirectory(file.Get()) == 1;
    return file.Close() && ok;
}

// ---- reading --------------------------------------------------------------------------------

// A decoded image may be at most this many times the bytes its strips or tiles take in the
// file (Deflate, the usual compression, stops near 1032, and a narrow kind widened to RGBA
// adds a factor of 4 or 8): a small header cannot make the reader allocate far beyond what
// the file holds.
constexpr std::uint64_t kMaxExpansion = 8192;

struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t photometric = 0;
    bool hasPhotometric = false;
    bool tiled = false;
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;
    std::uint32_t rowsPerStrip = 0;

    // Planes stored one after the other, and the samples of a pixel within one.
    int Planes() const { return planar == PLANARCONFIG_SEPARATE ? samples : 1; }
    std::size_t Step() const { return planar == PLANARCONFIG_SEPARATE ? 1 : samples; }
    // Rows decoded in one piece: a strip, or a row of tiles.
    std::uint32_t BlockRows() const {
        const std::uint32_t rows = tiled ? tileHeight : rowsPerStrip;
        return rows == 0 || rows > height ? height : rows;
    }
};

TiffLayout ReadLayout(TIFF* tiff) {
    TiffLayout layout;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &layout.rowsPerStrip);
    layout.hasPhotometric = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric) == 1;
    layout.tiled = TIFFIsTiled(tiff) != 0;
    if (layout.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &layout.tileWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &layout.tileHeight);
    }
    return layout;
}

// Every strip or tile lies inside the file, and together they hold enough bytes for the
// image they claim; checked before anything is allocated for the pixels.
bool StrilesFitTheFile(TIFF* tiff, const TiffLayout& layout, std::uint64_t fileSize, std::uint64_t pixelBytes) {
    const std::uint64_t count = layout.tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    if (count == 0 || count > fileSize) return false;
    std::uint64_t stored = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t offset = TIFFGetStrileOffset(tiff, i);
        const std::uint64_t bytes = TIFFGetStrileByteCount(tiff, i);
        if (bytes == 0 || offset > fileSize || bytes > fileSize - offset) return false;
        stored += bytes;
    }
    return pixelBytes / kMaxExpansion <= stored;
}

// Grey, grey and alpha, RGB and RGBA of 8 bits are read exactly as they are stored, in
// strips or tiles, interleaved or in separate planes.
bool IsPlainLayout(TIFF* tiff, const TiffLayout& layout) {
    if (layout.bits != 8 || layout.samples < 1 || layout.samples > RImageBuffer::kMaxChannels ||
        (layout.planar != PLANARCONFIG_CONTIG && layout.planar != PLANARCONFIG_SEPARATE) ||
        !layout.hasPhotometric) {
        return false;
    }
    const bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK && layout.samples <= 2;
    const bool rgb = layout.photometric == PHOTOMETRIC_RGB && layout.samples >= 3;
    if (!grey && !rgb) return false;
    if (layout.tiled) {
        const std::uint64_t tileBytes =
            static_cast<std::uint64_t>(layout.tileWidth) * layout.tileHeight * layout.Step();
        return tileBytes > 0 && static_cast<std::uint64_t>(TIFFTileSize64(tiff)) == tileBytes;
    }
    return static_cast<std::uint64_t>(TIFFScanlineSize64(tiff)) == std::uint64_t{layout.width} * layout.Step();
}

// The pixel block of the image being read, grown as rows are decoded (at most doubling, up
// to the image's size), so that memory follows the data the file actually delivers.
class GrowingPixels {
public:
    GrowingPixels(int width, int height, int channels)
        : width_(width), height_(height), channels_(channels),
          rowBytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(channels)),
          total_(RImageBuffer::PixelByteCount(width, height, channels)) {}

    std::size_t RowBytes() const { return rowBytes_; }
    // Makes room for the rows above `rows`; false when it cannot be had.
    bool CoverRows(std::uint32_t rows) {
        const std::size_t needed = std::min(total_, std::size_t{rows} * rowBytes_);
        if (needed <= capacity_) return true;
        const std::size_t capacity = std::min(total_, std::max(needed, 2 * capacity_));
        std::unique_ptr<unsigned char[]> grown(new (std::nothrow) unsigned char[capacity]);
        if (grown == nullptr) return false;
        if (capacity_ > 0) std::memcpy(grown.get(), block_.get(), capacity_);
        block_ = std::move(grown);
        capacity_ = capacity;
        return true;
    }
    unsigned char* Row(std::uint32_t y) { return block_.get() + std::size_t{y} * rowBytes_; }
    // Hands the complete image to the buffer.
    bool MoveInto(RImageBuffer& buffer) {
        return CoverRows(static_cast<std::uint32_t>(height_)) &&
               buffer.Adopt(width_, height_, channels_, std::move(block_));
    }

private:
    int width_;
    int height_;
    int channels_;
    std::size_t rowBytes_;
    std::size_t total_;
    std::unique_ptr<unsigned char[]> block_;
    std::size_t capacity_ = 0;
};

// Puts a run of stored pixels, `step` samples each, into the image row at target, from
// channel `channel` on.
void PlaceSamples(const unsigned char* from, std::size_t pixels, std::size_t step, unsigned char* target,
                  int channels, int channel) {
    const auto stride = static_cast<std::size_t>(channels);
    if (step == stride) {
        std::memcpy(target, from, pixels * step);
        return;
    }
    for (std::size_t i = 0; i < pixels; ++i) {
        std::memcpy(target + i * stride + static_cast<std::size_t>(channel), from + i * step, step);
    }
}

bool ReadPlainRows(TIFF* tiff, const TiffLayout& layout, GrowingPixels& pixels, int channels) {
    const std::size_t step = layout.Step();
    // Interleaved rows go straight into the image; a plane's rows go through a scratch row.
    std::vector<unsigned char> row(layout.Planes() > 1 ? layout.width : 0);
    for (int plane = 0; plane < layout.Planes(); ++plane) {
        for (std::uint32_t y = 0; y < layout.height; ++y) {
            if (plane == 0 && !pixels.CoverRows(y + 1)) return false;
            unsigned char* target = pixels.Row(y);
            unsigned char* into = row.empty() ? target : row.data();
            if (TIFFReadScanline(tiff, into, y, static_cast<std::uint16_t>(plane)) != 1) return false;
            if (!row.empty()) PlaceSamples(row.data(), layout.width, step, target, channels, plane);
        }
    }
    return true;
}

bool ReadPlainTiles(TIFF* tiff, const TiffLayout& layout, GrowingPixels& pixels, int channels) {
    const std::size_t step = layout.Step();
    const std::uint64_t tileBytes = std::uint64_t{layout.tileWidth} * layout.tileHeight * step;
    // A tile far larger than the image is not believed.
    const std::uint64_t imageBytes = std::uint64_t{layout.width} * layout.height * static_cast<std::uint64_t>(channels);
    if (tileBytes > std::max<std::uint64_t>(imageBytes, std::uint64_t{1} << 20)) return false;
    std::vector<unsigned char> tile(static_cast<std::size_t>(tileBytes));
    const std::size_t tileRowBytes = std::size_t{layout.tileWidth} * step;
    for (int plane = 0; plane < layout.Planes(); ++plane) {
        for (std::uint32_t top = 0; top < layout.height; top += layout.tileHeight) {
            const std::uint32_t rows = std::min(layout.tileHeight, layout.height - top);
            if (plane == 0 && !pixels.CoverRows(top + rows)) return false;
            for (std::uint32_t left = 0; left < layout.width; left += layout.tileWidth) {
                if (TIFFReadTile(tiff, tile.data(), left, top, 0, static_cast<std::uint16_t>(plane)) < 0) {
                    return false;
                }
                // Tiles at the right and bottom edges reach past the image.
                const std::uint32_t columns = std::min(layout.tileWidth, layout.width - left);
                for (std::uint32_t r = 0; r < rows; ++r) {
                    unsigned char* target = pixels.Row(top + r) + std::size_t{left} * static_cast<std::size_t>(channels);
                    PlaceSamples(tile.data() + r * tileRowBytes, columns, step, target, channels, plane);
                }
            }
        }
    }
    return true;
}

// Undoes the renderer's multiplication of colour by an unassociated alpha (rounded as
// libtiff rounds it, so that most values come back exactly).
void Unpremultiply(unsigned char* pixel) {
    const unsigned alpha = pixel[3];
    if (alpha == 0 || alpha == 255) return;
    for (int c = 0; c < 3; ++c) {
        const unsigned value = (pixel[c] * 255u + alpha / 2) / alpha;
        pixel[c] = static_cast<unsigned char>(std::min(value, 255u));
    }
}

// Any other kind, rendered by libtiff as packed RGBA words, a strip or a row of tiles at a
// time, then unpacked into the image.
bool ReadRenderedRgba(TIFF* tiff, const TiffLayout& layout, GrowingPixels& pixels) {
    char message[1024] = {};
    TIFFRGBAImage image;
    if (TIFFRGBAImageOK(tiff, message) != 1 || TIFFRGBAImageBegin(&image, tiff, 1, message) != 1) return false;
    image.req_orientation = ORIENTATION_TOPLEFT;
    // The renderer gives colour multiplied by alpha; an unassociated alpha was not.
    const bool unassociated = image.alpha == EXTRASAMPLE_UNASSALPHA;
    const std::uint32_t blockRows = layout.BlockRows();
    std::vector<std::uint32_t> words(std::size_t{layout.width} * blockRows);
    bool rendered = true;
    for (std::uint32_t top = 0; rendered && top < layout.height; top += blockRows) {
        const std::uint32_t rows = std::min(blockRows, layout.height - top);
        image.row_offset = static_cast<int>(top);
        rendered = pixels.CoverRows(top + rows) && TIFFRGBAImageGet(&image, words.data(), layout.width, rows) == 1;
        for (std::uint32_t r = 0; rendered && r < rows; ++r) {
            unsigned char* pixel = pixels.Row(top + r);
            for (std::uint32_t x = 0; x < layout.width; ++x, pixel += 4) {
                const std::uint32_t word = words[std::size_t{r} * layout.width + x];
                pixel[0] = static_cast<unsigned char>(TIFFGetR(word));
                pixel[1] = static_cast<unsigned char>(TIFFGetG(word));
                pixel[2] = static_cast<unsigned char>(TIFFGetB(word));
                pixel[3] = static_cast<unsigned char>(TIFFGetA(word));
                if (unassociated) Unpremultiply(pixel);
            }
        }
    }
    TIFFRGBAImageEnd(&image);
    return rendered;
}

bool ReadTiff(TiffFile& file, RImageBuffer& buffer) {
    TIFF* tiff = file.Get();
    const TiffLayout layout = ReadLayout(tiff);
    const bool plain = IsPlainLayout(tiff, layout);
    const int channels = plain ? layout.samples : RImageBuffer::kMaxChannels;
    // Sizes and the strips or tiles are checked before any pixel is allocated.
    const std::size_t pixelBytes = RImageBuffer::PixelByteCount(layout.width, layout.height, channels);
    if (pixelBytes == 0 || !StrilesFitTheFile(tiff, layout, file.Size(), pixelBytes)) return false;
    GrowingPixels pixels(static_cast<int>(layout.width), static_cast<int>(layout.height), channels);
    const bool read = !plain          ? ReadRenderedRgba(tiff, layout, pixels)
                      : layout.tiled ? ReadPlainTiles(tiff, layout, pixels, channels)
                                     : ReadPlainRows(tiff, layout, pixels, channels);
    return read && pixels.MoveInto(buffer);
}

bool HasTiffExtension(const char* fileName) {
    RString extension;
    GetFileExtension(extension, fileName);
    const RString upper = extension.ToUpperCase();
    return upper == "TIF" || upper == "TIFF";
}

}  // namespace

bool IsCompressedTiff(const char* fileName) {
    if (fileName == nullptr || !HasTiffExtension(fileName)) return false;
    TiffFile file;
    if (!file.OpenForReading(fileName)) return false;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(file.Get(), TIFFTAG_COMPRESSION, &compression);
    return compression != COMPRESSION_NONE;
}

bool WriteImageAsTiff(const char* fileName, bool deflate, const RImageBuffer& buffer) {
    if (fileName == nullptr || fileName[0] == '\0' || !buffer.IsValid() || buffer.GetPixels() == nullptr ||
        RImageBuffer::PixelByteCount(buffer.GetWidth(), buffer.GetHeight(), buffer.GetChannelCount()) == 0) {
        return false;
    }
    // Written beside the target (the file its links lead to) and put in place only when
    // complete; a target that may not be written is refused before anything is made.
    platform::RFileReplacement replacement;
    return replacement.Begin(fileName, kTempPrefix) && WriteTiffFile(replacement.File(), deflate, buffer) &&
           replacement.Commit();
}

bool ReadImageFromTiff(const char* fileName, RImageBuffer& buffer) {
    buffer.Init(0, 0, false, RImageBuffer::kType8Bit, RImageBuffer::kMaxChannels);
    TiffFile file;
    return fileName != nullptr && file.OpenForReading(fileName) && ReadTiff(file, buffer);
}

bool ReadImageFromTiffBytes(const void* data, std::size_t size, RImageBuffer& buffer) {
    buffer.Init(0, 0, false, RImageBuffer::kType8Bit, RImageBuffer::kMaxChannels);
    TiffFile file;
    return file.OpenBytes(data, size) && ReadTiff(file, buffer);
}
