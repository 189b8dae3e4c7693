#include "fileio/TiffImage.h"

#include "core/FilePaths.h"
#include "core/RString.h"
#include "fileio/RImageBuffer.h"
#include "platform/NativeFiles.h"

#include <tiffio.h>

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
};

TiffLayout ReadLayout(TIFF* tiff) {
    TiffLayout layout;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    layout.hasPhotometric = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric) == 1;
    return layout;
}

// Grey, grey and alpha, RGB and RGBA of 8 bits in interleaved strips are read row by row
// as they are stored.
bool IsPlainLayout(TIFF* tiff, const TiffLayout& layout) {
    if (layout.bits != 8 || layout.samples < 1 || layout.samples > RImageBuffer::kMaxChannels ||
        layout.planar != PLANARCONFIG_CONTIG || !layout.hasPhotometric || TIFFIsTiled(tiff)) {
        return false;
    }
    const bool grey = layout.photometric == PHOTOMETRIC_MINISBLACK && layout.samples <= 2;
    const bool rgb = layout.photometric == PHOTOMETRIC_RGB && layout.samples >= 3;
    const auto rowBytes = static_cast<std::uint64_t>(layout.width) * layout.samples;
    return (grey || rgb) && static_cast<std::uint64_t>(TIFFScanlineSize64(tiff)) == rowBytes;
}

bool ReadPlainRows(TIFF* tiff, RImageBuffer& buffer) {
    const std::size_t rowBytes = buffer.GetRowByteCount();
    unsigned char* pixels = buffer.GetPixels();
    for (int y = 0; y < buffer.GetHeight(); ++y) {
        if (TIFFReadScanline(tiff, pixels + static_cast<std::size_t>(y) * rowBytes, static_cast<std::uint32_t>(y),
                             0) != 1) {
            return false;
        }
    }
    return true;
}

// Any other kind, rendered by libtiff as packed RGBA words straight into the buffer's own
// bytes (a word per pixel takes exactly the four bytes of an RGBA pixel, and the block is
// aligned for words), then unpacked in place.
bool ReadRenderedRgba(TIFF* tiff, RImageBuffer& buffer) {
    char message[1024] = {};
    if (TIFFRGBAImageOK(tiff, message) != 1) return false;
    unsigned char* pixels = buffer.GetPixels();
    if (TIFFReadRGBAImageOriented(tiff, static_cast<std::uint32_t>(buffer.GetWidth()),
                                  static_cast<std::uint32_t>(buffer.GetHeight()),
                                  reinterpret_cast<std::uint32_t*>(pixels), ORIENTATION_TOPLEFT, 1) != 1) {
        return false;
    }
    const std::size_t count = buffer.GetPixelByteCount() / 4;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned char* pixel = pixels + 4 * i;
        std::uint32_t word;
        std::memcpy(&word, pixel, sizeof(word));
        pixel[0] = static_cast<unsigned char>(TIFFGetR(word));
        pixel[1] = static_cast<unsigned char>(TIFFGetG(word));
        pixel[2] = static_cast<unsigned char>(TIFFGetB(word));
        pixel[3] = static_cast<unsigned char>(TIFFGetA(word));
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
    const bool read = plain ? ReadPlainRows(tiff, buffer) : ReadRenderedRgba(tiff, buffer);
    if (!read) {
        buffer.Init(0, 0, false, RImageBuffer::kType8Bit, RImageBuffer::kMaxChannels);
    }
    return read;
}
