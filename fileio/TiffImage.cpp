#include "fileio/TiffImage.h"

#include "core/FilePaths.h"
#include "core/RString.h"
#include "fileio/RImageBuffer.h"
#include "platform/NativeFiles.h"

#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

const char kTempPrefix[] = ".wyx-tiff-";

// ---- a TIFF over a file opened through the platform layer -------------------------------

// libtiff reaches the file only through these procedures, so the file is opened (and its
// name converted) where every other file is.
struct TiffStream {
    std::FILE* file = nullptr;
    bool failed = false;  // a short write or a failed seek or close
};

TiffStream* StreamOf(thandle_t handle) { return static_cast<TiffStream*>(handle); }

tmsize_t ReadProc(thandle_t handle, void* data, tmsize_t size) {
    if (size <= 0) return 0;
    return static_cast<tmsize_t>(std::fread(data, 1, static_cast<std::size_t>(size), StreamOf(handle)->file));
}

tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t size) {
    if (size <= 0) return 0;
    TiffStream* stream = StreamOf(handle);
    const std::size_t written = std::fwrite(data, 1, static_cast<std::size_t>(size), stream->file);
    if (written != static_cast<std::size_t>(size)) stream->failed = true;
    return static_cast<tmsize_t>(written);
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    TiffStream* stream = StreamOf(handle);
    const auto failure = static_cast<toff_t>(-1);
    // Offsets from the current place or the end come as two's-complement words.
    if (whence == SEEK_SET && offset > static_cast<toff_t>(LLONG_MAX)) return failure;
    const auto signedOffset = static_cast<std::int64_t>(offset);
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
    std::FILE* file = StreamOf(handle)->file;
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

    // fileMode for the platform's open, tiffMode "r" or "w" for libtiff.
    bool Open(const char* path, const char* fileMode, const char* tiffMode) {
        stream_.file = platform::OpenFile(path, fileMode);
        if (stream_.file == nullptr) return false;
        std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
        if (options == nullptr) return false;
        TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &QuietHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &QuietHandler, nullptr);
        TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(RImageBuffer::kMaxPixelBytes));
        tiff_ = TIFFClientOpenExt(path, tiffMode, &stream_, &ReadProc, &WriteProc, &SeekProc, &CloseProc,
                                  &SizeProc, &MapProc, &UnmapProc, options.get());
        return tiff_ != nullptr;
    }

    TIFF* Get() const { return tiff_; }

    // Closes libtiff's side and the file; false when any write, seek or the final flush
    // failed.
    bool Close() {
        if (tiff_ != nullptr) {
            TIFFClose(tiff_);
            tiff_ = nullptr;
        }
        if (stream_.file != nullptr) {
            if (std::fclose(stream_.file) != 0) stream_.failed = true;
            stream_.file = nullptr;
        }
        return !stream_.failed;
    }

private:
    TiffStream stream_;
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

bool WriteTiffFile(const char* path, bool deflate, const RImageBuffer& buffer) {
    TiffFile file;
    if (!file.Open(path, "r+b", "w") || !WriteTags(file.Get(), deflate, buffer)) return false;
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

// The folder a file is made in: its own, or the current one for a bare name.
std::string FolderOf(const char* path) {
    const std::string native = platform::ToNativePath(path);
    const std::size_t slash = native.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : native.substr(0, slash);
}

// ---- reading --------------------------------------------------------------------------------

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

    // Planes stored one after the other, and the samples of a pixel within one.
    int Planes() const { return planar == PLANARCONFIG_SEPARATE ? samples : 1; }
    std::size_t Step() const { return planar == PLANARCONFIG_SEPARATE ? 1 : samples; }
};

TiffLayout ReadLayout(TIFF* tiff) {
    TiffLayout layout;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    layout.hasPhotometric = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric) == 1;
    layout.tiled = TIFFIsTiled(tiff) != 0;
    if (layout.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &layout.tileWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &layout.tileHeight);
    }
    return layout;
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

// Puts a run of stored pixels, `step` samples each, into the buffer row at target, from
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

bool ReadPlainRows(TIFF* tiff, const TiffLayout& layout, RImageBuffer& buffer) {
    const std::size_t rowBytes = buffer.GetRowByteCount();
    const auto width = static_cast<std::size_t>(buffer.GetWidth());
    const std::size_t step = layout.Step();
    // Interleaved rows go straight into the buffer; a plane's rows go through a scratch row.
    std::vector<unsigned char> row(layout.Planes() > 1 ? width : 0);
    unsigned char* pixels = buffer.GetPixels();
    for (int plane = 0; plane < layout.Planes(); ++plane) {
        for (int y = 0; y < buffer.GetHeight(); ++y) {
            unsigned char* target = pixels + static_cast<std::size_t>(y) * rowBytes;
            unsigned char* into = row.empty() ? target : row.data();
            if (TIFFReadScanline(tiff, into, static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(plane)) != 1) {
                return false;
            }
            if (!row.empty()) PlaceSamples(row.data(), width, step, target, buffer.GetChannelCount(), plane);
        }
    }
    return true;
}

bool ReadPlainTiles(TIFF* tiff, const TiffLayout& layout, RImageBuffer& buffer) {
    const std::size_t step = layout.Step();
    const std::uint64_t tileBytes = std::uint64_t{layout.tileWidth} * layout.tileHeight * step;
    // A tile far larger than the image is not believed.
    if (tileBytes > std::max<std::uint64_t>(buffer.GetPixelByteCount(), std::uint64_t{1} << 20)) return false;
    std::vector<unsigned char> tile(static_cast<std::size_t>(tileBytes));
    const std::size_t rowBytes = buffer.GetRowByteCount();
    const int channels = buffer.GetChannelCount();
    const std::size_t tileRowBytes = std::size_t{layout.tileWidth} * step;
    for (int plane = 0; plane < layout.Planes(); ++plane) {
        for (std::uint32_t top = 0; top < layout.height; top += layout.tileHeight) {
            for (std::uint32_t left = 0; left < layout.width; left += layout.tileWidth) {
                if (TIFFReadTile(tiff, tile.data(), left, top, 0, static_cast<std::uint16_t>(plane)) < 0) {
                    return false;
                }
                // Tiles at the right and bottom edges reach past the image.
                const std::uint32_t rows = std::min(layout.tileHeight, layout.height - top);
                const std::uint32_t columns = std::min(layout.tileWidth, layout.width - left);
                for (std::uint32_t r = 0; r < rows; ++r) {
                    unsigned char* target = buffer.GetPixels() + (top + std::size_t{r}) * rowBytes +
                                            std::size_t{left} * static_cast<std::size_t>(channels);
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

// Any other kind, rendered by libtiff as packed RGBA words straight into the buffer's own
// bytes (a word per pixel takes exactly the four bytes of an RGBA pixel, and the block is
// aligned for words), then unpacked in place.
bool ReadRenderedRgba(TIFF* tiff, RImageBuffer& buffer) {
    char message[1024] = {};
    TIFFRGBAImage image;
    if (TIFFRGBAImageOK(tiff, message) != 1 || TIFFRGBAImageBegin(&image, tiff, 1, message) != 1) return false;
    image.req_orientation = ORIENTATION_TOPLEFT;
    unsigned char* pixels = buffer.GetPixels();
    const bool rendered = TIFFRGBAImageGet(&image, reinterpret_cast<std::uint32_t*>(pixels),
                                           static_cast<std::uint32_t>(buffer.GetWidth()),
                                           static_cast<std::uint32_t>(buffer.GetHeight())) == 1;
    // The renderer gives colour multiplied by alpha; an unassociated alpha was not.
    const bool unassociated = image.alpha == EXTRASAMPLE_UNASSALPHA;
    TIFFRGBAImageEnd(&image);
    if (!rendered) return false;
    const std::size_t count = buffer.GetPixelByteCount() / 4;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned char* pixel = pixels + 4 * i;
        std::uint32_t word;
        std::memcpy(&word, pixel, sizeof(word));
        pixel[0] = static_cast<unsigned char>(TIFFGetR(word));
        pixel[1] = static_cast<unsigned char>(TIFFGetG(word));
        pixel[2] = static_cast<unsigned char>(TIFFGetB(word));
        pixel[3] = static_cast<unsigned char>(TIFFGetA(word));
        if (unassociated) Unpremultiply(pixel);
    }
    return true;
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
    if (!file.Open(fileName, "rb", "r")) return false;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(file.Get(), TIFFTAG_COMPRESSION, &compression);
    return compression != COMPRESSION_NONE;
}

bool WriteImageAsTiff(const char* fileName, bool deflate, const RImageBuffer& buffer) {
    if (fileName == nullptr || fileName[0] == '\0' || !buffer.IsValid() || buffer.GetPixels() == nullptr ||
        RImageBuffer::PixelByteCount(buffer.GetWidth(), buffer.GetHeight(), buffer.GetChannelCount()) == 0) {
        return false;
    }
    const std::string folder = FolderOf(fileName);
    if (!platform::IsDirectory(folder.c_str())) return false;
    // The temporary name is taken by creating the file, so nothing else can hold it.
    const std::string temp = platform::CreateTempFile(folder.c_str(), kTempPrefix);
    if (temp.empty()) return false;
    if (!WriteTiffFile(temp.c_str(), deflate, buffer)) {
        platform::RemoveFile(temp.c_str());
        return false;
    }
    return platform::CommitTempFile(temp.c_str(), fileName);
}

bool ReadImageFromTiff(const char* fileName, RImageBuffer& buffer) {
    buffer.Init(0, 0, false, RImageBuffer::kType8Bit, RImageBuffer::kMaxChannels);
    TiffFile file;
    if (fileName == nullptr || !file.Open(fileName, "rb", "r")) return false;
    TIFF* tiff = file.Get();
    const TiffLayout layout = ReadLayout(tiff);
    if (layout.width == 0 || layout.height == 0 || layout.width > INT_MAX || layout.height > INT_MAX) {
        return false;
    }
    const bool plain = IsPlainLayout(tiff, layout);
    const int channels = plain ? layout.samples : RImageBuffer::kMaxChannels;
    // Init refuses sizes over the limit before allocating anything.
    if (!buffer.Init(static_cast<int>(layout.width), static_cast<int>(layout.height), true, RImageBuffer::kType8Bit,
                     channels)) {
        return false;
    }
    const bool read = !plain          ? ReadRenderedRgba(tiff, buffer)
                      : layout.tiled ? ReadPlainTiles(tiff, layout, buffer)
                                     : ReadPlainRows(tiff, layout, buffer);
    if (!read) {
        buffer.Init(0, 0, false, RImageBuffer::kType8Bit, RImageBuffer::kMaxChannels);
    }
    return read;
}
