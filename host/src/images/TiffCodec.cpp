#include "host/src/images/TiffCodec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>

namespace vexa_host {

namespace {

// The bytes libtiff reads from or writes into.
struct MemoryStream {
    const unsigned char* input = nullptr;
    std::size_t size = 0;
    std::vector<unsigned char>* output = nullptr;
    std::size_t position = 0;

    std::size_t length() const { return output != nullptr ? output->size() : size; }
};

tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* stream = static_cast<MemoryStream*>(handle);
    if (count < 0 || stream->position > stream->length()) return 0;
    const unsigned char* data = stream->output != nullptr ? stream->output->data() : stream->input;
    const std::size_t available = stream->length() - stream->position;
    const std::size_t taken = std::min(available, static_cast<std::size_t>(count));
    if (taken > 0) std::memcpy(buffer, data + stream->position, taken);
    stream->position += taken;
    return static_cast<tmsize_t>(taken);
}

tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* stream = static_cast<MemoryStream*>(handle);
    if (stream->output == nullptr || count < 0) return 0;
    const std::size_t end = stream->position + static_cast<std::size_t>(count);
    if (end > stream->output->size()) stream->output->resize(end);
    if (count > 0) std::memcpy(stream->output->data() + stream->position, buffer, static_cast<std::size_t>(count));
    stream->position = end;
    return count;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    auto* stream = static_cast<MemoryStream*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) base = stream->position;
    if (whence == SEEK_END) base = stream->length();
    const std::uint64_t target = base + offset;
    // Reading may not go past the end; writing may (the gap is filled when written).
    if (target < base || (stream->output == nullptr && target > stream->length()) || target > (std::uint64_t{1} << 40)) {
        return static_cast<toff_t>(-1);
    }
    stream->position = static_cast<std::size_t>(target);
    return target;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) { return static_cast<MemoryStream*>(handle)->length(); }
int mapProc(thandle_t, void**, toff_t*) { return 0; }
void unmapProc(thandle_t, void*, toff_t) {}

// libtiff's complaints stay off standard error; the failure reaches the caller as a status.
int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffDeleter {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffDeleter>;

TiffHandle open(MemoryStream& stream, const char* mode) {
    std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (options == nullptr) return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), &quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), &quietHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(RgbaImage::kMaxPixelBytes));
    return TiffHandle(TIFFClientOpenExt("image", mode, &stream, &readProc, &writeProc, &seekProc, &closeProc, &sizeProc,
                                        &mapProc, &unmapProc, options.get()));
}

VStatus refuse(const std::string& why) { return VStatus(VStatus::kFailure, "not a TIFF image the host reads: " + why); }

// Every strip or tile lies inside the bytes, and together they can plausibly hold the image.
bool strilesFit(TIFF* tiff, std::uint64_t size, std::uint64_t pixelBytes) {
    const std::uint64_t count = TIFFIsTiled(tiff) ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    if (count == 0 || count > size) return false;
    std::uint64_t stored = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t offset = TIFFGetStrileOffset(tiff, i);
        const std::uint64_t bytes = TIFFGetStrileByteCount(tiff, i);
        if (bytes == 0 || offset > size || bytes > size - offset) return false;
        stored += bytes;
    }
    return pixelBytes / kMaxExpansion <= stored;
}

// Rows decoded at once: a strip, or a row of tiles.
std::uint32_t blockRows(TIFF* tiff, std::uint32_t height) {
    std::uint32_t rows = 0;
    if (TIFFIsTiled(tiff)) {
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &rows);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
    }
    return rows == 0 || rows > height ? height : rows;
}

// A block of decoded tiles or strips at most this large.
constexpr std::uint64_t kMaxBlockBytes = std::uint64_t{64} << 20;

struct Layout {
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t photometric = 0;
    bool hasPhotometric = false;
    bool tiled = false;
    std::uint32_t tileWidth = 0;
    std::uint32_t tileHeight = 0;
};

Layout layoutOf(TIFF* tiff) {
    Layout layout;
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

// Grey, grey and alpha, RGB and RGBA of 8 bits, interleaved, are read as stored: the RGBA
// renderer of libtiff would multiply colour by an unassociated alpha.
bool isPlain(TIFF* tiff, const Layout& layout, std::uint32_t width) {
    if (layout.bits != 8 || layout.planar != PLANARCONFIG_CONTIG || !layout.hasPhotometric) return false;
    const bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK && layout.samples <= 2;
    const bool rgb = layout.photometric == PHOTOMETRIC_RGB && (layout.samples == 3 || layout.samples == 4);
    if (!grey && !rgb) return false;
    if (!layout.tiled) return static_cast<std::uint64_t>(TIFFScanlineSize64(tiff)) == std::uint64_t{width} * layout.samples;
    const std::uint64_t tileBytes = std::uint64_t{layout.tileWidth} * layout.tileHeight * layout.samples;
    return tileBytes > 0 && tileBytes <= kMaxBlockBytes && static_cast<std::uint64_t>(TIFFTileSize64(tiff)) == tileBytes;
}

void toRgba(const unsigned char* source, int samples, unsigned char* target) {
    const bool grey = samples <= 2;
    target[0] = source[0];
    target[1] = grey ? source[0] : source[1];
    target[2] = grey ? source[0] : source[2];
    target[3] = samples == 2 ? source[1] : (samples == 4 ? source[3] : 255);
}

// Reads a plain image strip by strip, or row of tiles by row of tiles, growing the pixels as
// the rows decode.
bool readPlain(TIFF* tiff, const Layout& layout, std::uint32_t width, std::uint32_t height, std::uint32_t rows,
               std::vector<unsigned char>& pixels) {
    const int samples = layout.samples;
    if (!layout.tiled) {
        std::vector<unsigned char> strip;
        for (std::uint32_t row = 0; row < height; row += rows) {
            const std::uint32_t count = std::min(rows, height - row);
            const tmsize_t bytes = static_cast<tmsize_t>(std::uint64_t{count} * width * static_cast<std::uint64_t>(samples));
            strip.resize(static_cast<std::size_t>(bytes));
            if (TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, row, 0), strip.data(), bytes) != bytes) return false;
            std::size_t at = pixels.size();
            pixels.resize(at + std::size_t{count} * width * 4);
            for (std::size_t i = 0; i < std::size_t{count} * width; ++i, at += 4) toRgba(&strip[i * static_cast<std::size_t>(samples)], samples, &pixels[at]);
        }
        return true;
    }
    std::vector<unsigned char> tile(std::size_t{layout.tileWidth} * layout.tileHeight * static_cast<std::size_t>(samples));
    for (std::uint32_t row = 0; row < height; row += layout.tileHeight) {
        const std::uint32_t count = std::min(layout.tileHeight, height - row);
        const std::size_t base = pixels.size();
        pixels.resize(base + std::size_t{count} * width * 4);
        for (std::uint32_t column = 0; column < width; column += layout.tileWidth) {
            if (TIFFReadTile(tiff, tile.data(), column, row, 0, 0) < 0) return false;
            const std::uint32_t across = std::min(layout.tileWidth, width - column);
            for (std::uint32_t y = 0; y < count; ++y) {
                for (std::uint32_t x = 0; x < across; ++x) {
                    const std::size_t from = (std::size_t{y} * layout.tileWidth + x) * static_cast<std::size_t>(samples);
                    toRgba(&tile[from], samples, &pixels[base + (std::size_t{y} * width + column + x) * 4]);
                }
            }
        }
    }
    return true;
}

struct RgbaReader {
    TIFFRGBAImage state{};
    bool begun = false;
    ~RgbaReader() {
        if (begun) TIFFRGBAImageEnd(&state);
    }
};

}  // namespace

bool looksLikeTiff(const unsigned char* bytes, std::size_t size) {
    if (bytes == nullptr || size < 4) return false;
    return (bytes[0] == 'I' && bytes[1] == 'I' && (bytes[2] == 42 || bytes[2] == 43) && bytes[3] == 0) ||
           (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 && (bytes[3] == 42 || bytes[3] == 43));
}

VStatus decodeTiff(const unsigned char* bytes, std::size_t size, RgbaImage& image) {
    image = RgbaImage();
    if (!looksLikeTiff(bytes, size)) return refuse("no TIFF byte-order mark");
    MemoryStream stream;
    stream.input = bytes;
    stream.size = size;
    TiffHandle tiff = open(stream, "rm");
    if (!tiff) return refuse("its header does not read");
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    if (VStatus status = RgbaImage::checkSize(width, height); !status) return status;
    const std::uint64_t pixelBytes = std::uint64_t{width} * height * 4;
    if (!strilesFit(tiff.get(), size, pixelBytes)) return refuse("its strips or tiles do not fit in the file");
    const std::uint32_t rows = blockRows(tiff.get(), height);
    const Layout layout = layoutOf(tiff.get());
    std::vector<unsigned char> pixels;
    if (isPlain(tiff.get(), layout, width)) {
        if (!readPlain(tiff.get(), layout, width, height, rows, pixels)) return refuse("its pixels do not decode");
        image.width = width;
        image.height = height;
        image.pixels = std::move(pixels);
        return VStatus();
    }
    // Any other kind goes through libtiff's RGBA renderer.
    if (layout.tiled && std::uint64_t{layout.tileWidth} * layout.tileHeight * 4 > kMaxBlockBytes) return refuse("its tiles are too large");
    char message[1024] = {};
    if (TIFFRGBAImageOK(tiff.get(), message) == 0) return refuse(message);
    RgbaReader reader;
    if (TIFFRGBAImageBegin(&reader.state, tiff.get(), 1, message) == 0) return refuse(message);
    reader.begun = true;
    reader.state.req_orientation = ORIENTATION_TOPLEFT;
    std::vector<std::uint32_t> raster;
    for (std::uint32_t row = 0; row < height; row += rows) {
        const std::uint32_t count = std::min(rows, height - row);
        raster.assign(std::size_t{width} * count, 0);
        reader.state.row_offset = static_cast<int>(row);
        reader.state.col_offset = 0;
        if (TIFFRGBAImageGet(&reader.state, raster.data(), width, count) == 0) {
            return refuse("rows from " + std::to_string(row) + " do not decode");
        }
        // Memory grows with the rows that actually decode.
        std::size_t at = pixels.size();
        pixels.resize(at + raster.size() * 4);
        for (std::uint32_t value : raster) {
            pixels[at++] = static_cast<unsigned char>(TIFFGetR(value));
            pixels[at++] = static_cast<unsigned char>(TIFFGetG(value));
            pixels[at++] = static_cast<unsigned char>(TIFFGetB(value));
            pixels[at++] = static_cast<unsigned char>(TIFFGetA(value));
        }
    }
    image.width = width;
    image.height = height;
    image.pixels = std::move(pixels);
    return VStatus();
}

VStatus encodeTiff(const RgbaImage& image, std::vector<unsigned char>& bytes) {
    bytes.clear();
    if (image.empty() || image.pixels.size() != std::size_t{image.width} * image.height * 4) {
        return VStatus(VStatus::kInvalidParameter, "the image is empty");
    }
    MemoryStream stream;
    stream.output = &bytes;
    TiffHandle tiff = open(stream, "w");
    if (!tiff) return VStatus(VStatus::kFailure, "the TIFF writer does not start");
    const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
    TIFF* file = tiff.get();
    bool ok = TIFFSetField(file, TIFFTAG_IMAGEWIDTH, image.width) == 1 && TIFFSetField(file, TIFFTAG_IMAGELENGTH, image.height) == 1 &&
              TIFFSetField(file, TIFFTAG_SAMPLESPERPIXEL, 4) == 1 && TIFFSetField(file, TIFFTAG_BITSPERSAMPLE, 8) == 1 &&
              TIFFSetField(file, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) == 1 &&
              TIFFSetField(file, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) == 1 &&
              TIFFSetField(file, TIFFTAG_EXTRASAMPLES, 1, &extra) == 1 &&
              TIFFSetField(file, TIFFTAG_COMPRESSION, COMPRESSION_NONE) == 1 &&
              TIFFSetField(file, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) == 1 &&
              TIFFSetField(file, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(file, 0)) == 1;
    // libtiff may work on the row it is given, so each row goes through a copy.
    const std::size_t rowBytes = std::size_t{image.width} * 4;
    std::vector<unsigned char> row(rowBytes);
    for (std::uint32_t y = 0; ok && y < image.height; ++y) {
        std::memcpy(row.data(), image.pixels.data() + y * rowBytes, rowBytes);
        ok = TIFFWriteScanline(file, row.data(), y, 0) == 1;
    }
    ok = ok && TIFFFlush(file) == 1;
    tiff.reset();
    if (!ok) {
        bytes.clear();
        return VStatus(VStatus::kFailure, "the TIFF image could not be written");
    }
    return VStatus();
}

}  // namespace vexa_host
