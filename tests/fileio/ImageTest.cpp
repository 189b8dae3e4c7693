#include "fileio/RImageBuffer.h"
#include "fileio/RImageConverter.h"
#include "fileio/TiffImage.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/fileio/SystemCallCounter.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

namespace {

// ---- image buffer --------------------------------------------------------------------------

TEST(ImageBufferTest, InitAllocatesOnlyWhenAskedAndSizeIsNotEmpty) {
    RImageBuffer buffer;
    buffer.SetName("wood.jpg");
    buffer.SetKeepOriginal(true);
    ASSERT_TRUE(buffer.Init(3, 2, true, RImageBuffer::kType8Bit, 4));
    EXPECT_TRUE(buffer.IsValid());
    EXPECT_TRUE(buffer.OwnsPixels());
    EXPECT_EQ(buffer.GetPixelByteCount(), 24u);
    EXPECT_EQ(buffer.GetRowByteCount(), 12u);
    EXPECT_EQ(buffer.GetPixels()[23], 0);

    ASSERT_TRUE(buffer.Init(0, 0, false, RImageBuffer::kType8Bit, 4));
    EXPECT_FALSE(buffer.IsValid());
    EXPECT_EQ(buffer.GetPixels(), nullptr);
    ASSERT_TRUE(buffer.Init(5, 5, false, RImageBuffer::kType8Bit, 1));
    EXPECT_FALSE(buffer.IsValid());
    EXPECT_EQ(buffer.GetWidth(), 5);
    // Name and keep-file flag stay.
    EXPECT_STREQ(buffer.GetFileName().Buffer(), "wood.jpg");
    EXPECT_TRUE(buffer.GetKeepOriginal());
}

TEST(ImageBufferTest, InitRefusesBadSizesChannelsAndTypes) {
    RImageBuffer buffer;
    for (auto [width, height, type, channels] : std::vector<std::tuple<int, int, int, int>>{
             {-1, 4, 0, 4}, {4, -1, 0, 4}, {4, 4, 0, 0}, {4, 4, 0, 5}, {4, 4, 1, 4},
             {INT_MAX, INT_MAX, 0, 4}, {16385, 16384, 0, 4}, {65536, 65536, 0, 1}}) {
        ASSERT_TRUE(buffer.Init(2, 2, true, 0, 1));
        EXPECT_FALSE(buffer.Init(width, height, true, type, channels)) << width << "x" << height;
        EXPECT_FALSE(buffer.IsValid());
        EXPECT_EQ(buffer.GetPixels(), nullptr);
        EXPECT_EQ(buffer.GetWidth(), 0);
    }
    EXPECT_EQ(RImageBuffer::PixelByteCount(16384, 16384, 4), RImageBuffer::kMaxPixelBytes);
    EXPECT_EQ(RImageBuffer::PixelByteCount(LLONG_MAX, 2, 1), 0u);
    EXPECT_EQ(RImageBuffer::PixelByteCount(3, 0, 1), 0u);
}

// ---- converter ---------------------------------------------------------------------------

int gFirstCalls = 0;
int gSecondCalls = 0;
int gLastDirection = -1;

int FirstCallback(int direction, RString& fileName, RImageBuffer& /*buffer*/) {
    ++gFirstCalls;
    gLastDirection = direction;
    fileName = "/tmp/texfile1.tif";
    return 0;
}

int SecondCallback(int /*direction*/, RString& /*fileName*/, RImageBuffer& /*buffer*/) {
    ++gSecondCalls;
    return 0;
}

int RefusingCallback(int, RString&, RImageBuffer&) { return 1; }

TEST(ImageConverterTest, RegisterKeepsTheFirstCallbackPerExtension) {
    int owner = 0;
    RImageConverter converter(&owner);
    EXPECT_EQ(converter.GetOwner(), &owner);
    EXPECT_EQ(converter.Register("jpg, .JPEG;tga", &FirstCallback), 3);
    EXPECT_EQ(converter.Register("JPG tif", &SecondCallback), 1);
    EXPECT_EQ(converter.Register("png", nullptr), 0);
    EXPECT_EQ(converter.Register(nullptr, &SecondCallback), 0);
    EXPECT_EQ(converter.FindCallback("jpg"), &FirstCallback);
    EXPECT_EQ(converter.FindCallback("jpeg"), &FirstCallback);
    EXPECT_EQ(converter.FindCallback("TIF"), &SecondCallback);
    EXPECT_EQ(converter.FindCallback("png"), nullptr);

    gFirstCalls = gSecondCalls = 0;
    RImageBuffer buffer;
    RString path("C:\\maps\\wood.JPG");
    EXPECT_TRUE(converter.Convert(RImageConverter::kImport, path, buffer));
    EXPECT_EQ(gFirstCalls, 1);
    EXPECT_EQ(gSecondCalls, 0);
    EXPECT_EQ(gLastDirection, RImageConverter::kImport);
    EXPECT_STREQ(path.Buffer(), "/tmp/texfile1.tif");  // the callback's replacement
}

TEST(ImageConverterTest, ConvertFailsForUnknownExtensionsAndRefusals) {
    RImageConverter converter(nullptr);
    converter.Register("jpg", &FirstCallback);
    converter.Register("bmp", &RefusingCallback);
    gFirstCalls = 0;
    RImageBuffer buffer;
    for (const char* name : {"wood.png", "wood", "maps.jpg/wood", ""}) {
        RString path(name);
        EXPECT_FALSE(converter.Convert(RImageConverter::kExport, path, buffer)) << name;
        EXPECT_STREQ(path.Buffer(), name);
    }
    EXPECT_EQ(gFirstCalls, 0);
    RString path("wood.bmp");
    EXPECT_FALSE(converter.Convert(RImageConverter::kExport, path, buffer));
}

// ---- TIFF ----------------------------------------------------------------------------------

void FillPattern(RImageBuffer& buffer) {
    unsigned char* pixels = buffer.GetPixels();
    for (std::size_t i = 0; i < buffer.GetPixelByteCount(); ++i) {
        pixels[i] = static_cast<unsigned char>((i * 7 + i / 13) & 0xFF);
    }
}

// Names of the files left in a folder.
std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

class TiffRoundTripTest : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(TiffRoundTripTest, PixelsComeBackAsWritten) {
    const auto [channels, deflate] = GetParam();
    ScratchFolder folder;
    const std::string path = folder.Join("image.tif");
    RImageBuffer written;
    ASSERT_TRUE(written.Init(37, 23, true, RImageBuffer::kType8Bit, channels));
    FillPattern(written);
    ASSERT_TRUE(WriteImageAsTiff(path.c_str(), deflate, written));
    EXPECT_EQ(IsCompressedTiff(path.c_str()), deflate);
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"image.tif"});

    RImageBuffer read;
    read.SetName("kept.tif");
    const std::string bytes = ScratchFolder::ReadFile(path);
    ASSERT_TRUE(ReadImageFromTiffBytes(bytes.data(), bytes.size(), read));
    EXPECT_EQ(std::memcmp(read.GetPixels(), written.GetPixels(), read.GetPixelByteCount()), 0);
    ASSERT_TRUE(ReadImageFromTiff(path.c_str(), read));
    EXPECT_TRUE(read.IsValid());
    EXPECT_EQ(read.GetWidth(), 37);
    EXPECT_EQ(read.GetHeight(), 23);
    EXPECT_EQ(read.GetChannelCount(), channels);
    ASSERT_EQ(read.GetPixelByteCount(), written.GetPixelByteCount());
    EXPECT_EQ(std::memcmp(read.GetPixels(), written.GetPixels(), read.GetPixelByteCount()), 0);
    EXPECT_STREQ(read.GetFileName().Buffer(), "kept.tif");
}

INSTANTIATE_TEST_SUITE_P(ChannelsAndCompression, TiffRoundTripTest,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4), ::testing::Bool()));

TEST(TiffTest, CompressedTiffNeedsTheExtensionAndAnOpenableFile) {
    ScratchFolder folder;
    RImageBuffer buffer;
    ASSERT_TRUE(buffer.Init(4, 4, true, RImageBuffer::kType8Bit, 1));
    const std::string upper = folder.Join("IMAGE.TIFF");
    ASSERT_TRUE(WriteImageAsTiff(upper.c_str(), true, buffer));
    EXPECT_TRUE(IsCompressedTiff(upper.c_str()));

    const std::string other = folder.Join("image.png");
    std::filesystem::copy_file(upper, other);
    EXPECT_FALSE(IsCompressedTiff(other.c_str()));
    EXPECT_FALSE(IsCompressedTiff(folder.Join("missing.tif").c_str()));
    EXPECT_FALSE(IsCompressedTiff(folder.WriteFile("junk.tif", "not a tiff at all").c_str()));
    EXPECT_FALSE(IsCompressedTiff(nullptr));
}

TEST(TiffTest, UnicodeAndBackslashNamesWorkAndOldContentIsReplacedWhole) {
    ScratchFolder folder;
    const std::string nativePath = folder.WriteFile("Textur \xC3\xBC\xE6\x9C\xA8.tif", std::string(100000, 'x'));
    RImageBuffer buffer;
    ASSERT_TRUE(buffer.Init(2, 2, true, RImageBuffer::kType8Bit, 3));
    FillPattern(buffer);
    std::string sdkPath = folder.Path() + "\\Textur \xC3\xBC\xE6\x9C\xA8.tif";
    ASSERT_TRUE(WriteImageAsTiff(sdkPath.c_str(), false, buffer));
    EXPECT_LT(std::filesystem::file_size(nativePath), 1000u);
    RImageBuffer read;
    ASSERT_TRUE(ReadImageFromTiff(sdkPath.c_str(), read));
    EXPECT_EQ(std::memcmp(read.GetPixels(), buffer.GetPixels(), buffer.GetPixelByteCount()), 0);
}

TEST(TiffTest, FailedWritesLeaveNothingBehindAndTargetsUntouched) {
    ScratchFolder folder;
    const std::string existing = folder.WriteFile("existing.tif", "precious");
    RImageBuffer empty;
    EXPECT_FALSE(WriteImageAsTiff(existing.c_str(), false, empty));
    EXPECT_EQ(ScratchFolder::ReadFile(existing), "precious");

    RImageBuffer buffer;
    ASSERT_TRUE(buffer.Init(8, 8, true, RImageBuffer::kType8Bit, 3));
    EXPECT_FALSE(WriteImageAsTiff(folder.Join("no such folder/image.tif").c_str(), false, buffer));
    EXPECT_FALSE(WriteImageAsTiff("", false, buffer));
    EXPECT_FALSE(WriteImageAsTiff(nullptr, false, buffer));

    // The TIFF is complete, but it cannot take the place of a folder: the temporary file
    // must go and the folder stay.
    const std::string blocked = folder.Join("blocked.tif");
    std::filesystem::create_directory(blocked);
    folder.WriteFile("blocked.tif/inside", "kept");
    EXPECT_FALSE(WriteImageAsTiff(blocked.c_str(), true, buffer));
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_EQ(ScratchFolder::ReadFile(blocked + "/inside"), "kept");

    std::vector<std::string> left = FolderEntries(folder.Path());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"blocked.tif", "existing.tif"}));
}

TEST(TiffTest, AWriteThatFailsPartWayLeavesTheTargetAsItWas) {
    ScratchFolder folder;
    const std::string target = folder.WriteFile("image.tif", "precious");
    RImageBuffer buffer;
    ASSERT_TRUE(buffer.Init(100, 100, true, RImageBuffer::kType8Bit, 3));
    FillPattern(buffer);
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(WriteImageAsTiff(target.c_str(), false, buffer));
    }
    EXPECT_EQ(ScratchFolder::ReadFile(target), "precious");
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"image.tif"});
}

// ---- reading malformed and other kinds of TIFF --------------------------------------------

// A little-endian TIFF with one strip; entries are (tag, type, value) with count 1.
std::string HandMadeTiff(const std::vector<std::tuple<std::uint16_t, std::uint16_t, std::uint32_t>>& entries,
                         const std::string& pixels) {
    std::string bytes("II*\0", 4);
    auto put16 = [&bytes](std::uint16_t v) { bytes.append({char(v & 0xFF), char(v >> 8)}); };
    auto put32 = [&bytes](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(char((v >> (8 * i)) & 0xFF));
    };
    const std::uint32_t dataOffset = 8;
    put32(dataOffset + static_cast<std::uint32_t>(pixels.size()));
    bytes += pixels;
    put16(static_cast<std::uint16_t>(entries.size() + 2));
    auto putEntry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        put16(tag);
        put16(type);
        put32(1);
        if (type == 3) {
            put16(static_cast<std::uint16_t>(value));
            put16(0);
        } else {
            put32(value);
        }
    };
    bool offsetsDone = false;
    for (const auto& [tag, type, value] : entries) {
        if (!offsetsDone && tag > 273) {
            putEntry(273, 4, dataOffset);  // StripOffsets
            offsetsDone = true;
        }
        putEntry(tag, type, value);
    }
    putEntry(279, 4, static_cast<std::uint32_t>(pixels.size()));  // StripByteCounts
    put32(0);
    return bytes;
}

TEST(TiffReadTest, MalformedFilesAreRefused) {
    ScratchFolder folder;
    RImageBuffer buffer;
    EXPECT_FALSE(ReadImageFromTiff(folder.WriteFile("junk.tif", "II*\0garbage").c_str(), buffer));
    EXPECT_FALSE(buffer.IsValid());
    EXPECT_FALSE(ReadImageFromTiff(folder.Join("missing.tif").c_str(), buffer));
    EXPECT_FALSE(ReadImageFromTiff(folder.Path().c_str(), buffer));  // a folder

    // A header that claims 70000 x 70000 RGB is refused before anything that size is made.
    const std::string huge = HandMadeTiff({{256, 4, 70000}, {257, 4, 70000}, {258, 3, 8}, {259, 3, 1},
                                           {262, 3, 2}, {277, 3, 3}, {278, 4, 70000}},
                                          std::string(16, '\0'));
    EXPECT_FALSE(ReadImageFromTiff(folder.WriteFile("huge.tif", huge).c_str(), buffer));
    EXPECT_FALSE(buffer.IsValid());

    // A strip shorter than the image says.
    const std::string shortStrip = HandMadeTiff({{256, 4, 64}, {257, 4, 64}, {258, 3, 8}, {259, 3, 1},
                                                 {262, 3, 1}, {277, 3, 1}, {278, 4, 64}},
                                                std::string(10, '\x7f'));
    EXPECT_FALSE(ReadImageFromTiff(folder.WriteFile("short.tif", shortStrip).c_str(), buffer));
    EXPECT_FALSE(buffer.IsValid());

    // Headers that claim 16384 x 16384 RGBA in a few bytes: strips past the end of the
    // file, many strips of a byte, a Deflate strip far too small for the image (rendered as
    // RGBA), and garbage Deflate data large enough to be believed. Each is refused having
    // allocated little.
    const std::string bomb = HandMadeTiff({{256, 4, 16384}, {257, 4, 16384}, {258, 3, 8}, {259, 3, 1},
                                           {262, 3, 2}, {277, 3, 4}, {278, 4, 16384}},
                                          std::string(16, '\0'));
    std::string pastTheEnd = bomb;
    pastTheEnd.replace(pastTheEnd.size() - 8, 4, std::string("\xff\xff\xff\x0f", 4));  // StripByteCounts
    const std::string tinyStrips = HandMadeTiff({{256, 4, 16384}, {257, 4, 16384}, {258, 3, 8}, {259, 3, 1},
                                                 {262, 3, 1}, {277, 3, 1}, {278, 4, 1}},
                                                std::string(16, '\0'));
    auto deflated = [](std::size_t size, std::uint32_t bits) {
        std::string noise(size, '\0');
        for (std::size_t i = 0; i < size; ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
        return HandMadeTiff({{256, 4, 16384}, {257, 4, 16384}, {258, 3, bits}, {259, 3, 8}, {262, 3, 1},
                             {277, 3, 1}, {278, 4, 16384}},
                            noise);
    };
    for (const std::string& hostile : {pastTheEnd, tinyStrips, deflated(150, 16), deflated(40000, 8)}) {
        const std::uint64_t before = CountedSystemCalls().allocatedBytes;
        EXPECT_FALSE(ReadImageFromTiffBytes(hostile.data(), hostile.size(), buffer));
        EXPECT_LT(CountedSystemCalls().allocatedBytes - before, std::uint64_t{1} << 20) << hostile.size();
        EXPECT_FALSE(buffer.IsValid());
    }

    // A valid file cut in half.
    RImageBuffer image;
    ASSERT_TRUE(image.Init(40, 40, true, RImageBuffer::kType8Bit, 3));
    FillPattern(image);
    const std::string whole = folder.Join("whole.tif");
    ASSERT_TRUE(WriteImageAsTiff(whole.c_str(), true, image));
    const std::string bytes = ScratchFolder::ReadFile(whole);
    const std::string cut = folder.WriteFile("cut.tif", bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(ReadImageFromTiff(cut.c_str(), buffer));
    EXPECT_FALSE(buffer.IsValid());
}

// RGBA with unassociated alpha, written by libtiff itself in the layout asked for: strips of
// five rows or 16 x 16 tiles (the image's edges cut through the last ones), interleaved or
// one plane per sample, 8 or 16 bits per sample.
void WriteRgbaTiff(const std::string& path, const RImageBuffer& image, bool tiled, bool separate, int bits) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    const auto width = static_cast<std::uint32_t>(image.GetWidth());
    const auto height = static_cast<std::uint32_t>(image.GetHeight());
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    const std::uint32_t blockWidth = tiled ? 16 : width;
    const std::uint32_t blockHeight = tiled ? 16 : 5;
    if (tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, blockWidth);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, blockHeight);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, blockHeight);
    }
    const int planes = separate ? 4 : 1;
    const int step = separate ? 1 : 4;
    const std::size_t sampleBytes = static_cast<std::size_t>(bits / 8);
    std::vector<unsigned char> block(blockWidth * blockHeight * static_cast<std::size_t>(step) * sampleBytes);
    for (int plane = 0; plane < planes; ++plane) {
        for (std::uint32_t top = 0; top < height; top += blockHeight) {
            for (std::uint32_t left = 0; left < width; left += blockWidth) {
                std::fill(block.begin(), block.end(), 0);
                for (std::uint32_t y = top; y < std::min(height, top + blockHeight); ++y) {
                    for (std::uint32_t x = left; x < std::min(width, left + blockWidth); ++x) {
                        for (int s = 0; s < step; ++s) {
                            const std::size_t channel = static_cast<std::size_t>(plane + s);
                            const unsigned char narrow = image.GetPixels()[(y * width + x) * 4 + channel];
                            const auto wide = static_cast<std::uint16_t>(narrow * 257);
                            const std::size_t at = ((y - top) * blockWidth + (x - left)) * static_cast<std::size_t>(step) +
                                                   static_cast<std::size_t>(s);
                            if (bits == 8) {
                                block[at] = narrow;
                            } else {
                                std::memcpy(block.data() + at * 2, &wide, 2);
                            }
                        }
                    }
                }
                const auto sample = static_cast<std::uint16_t>(plane);
                const bool written =
                    tiled ? TIFFWriteTile(tiff, block.data(), left, top, 0, sample) >= 0
                          : TIFFWriteEncodedStrip(tiff, TIFFComputeStrip(tiff, top, sample), block.data(),
                                                  static_cast<tmsize_t>(std::min(blockHeight, height - top) *
                                                                        blockWidth * step * sampleBytes)) >= 0;
                ASSERT_TRUE(written);
            }
        }
    }
    TIFFClose(tiff);
}

// Colours of every kind under alphas of at least a half, so that undoing the multiplication
// by alpha is exact to one step.
void FillTranslucent(RImageBuffer& image) {
    FillPattern(image);
    for (std::size_t i = 3; i < image.GetPixelByteCount(); i += 4) {
        image.GetPixels()[i] = static_cast<unsigned char>(128 + i % 128);
    }
}

TEST(TiffReadTest, TiledAndPlanarRgbaAreReadExactlyAsStored) {
    ScratchFolder folder;
    RImageBuffer written;
    ASSERT_TRUE(written.Init(37, 23, true, RImageBuffer::kType8Bit, 4));
    FillTranslucent(written);
    for (const bool tiled : {false, true}) {
        for (const bool separate : {false, true}) {
            SCOPED_TRACE(std::string(tiled ? "tiles" : "strips") + (separate ? ", planes" : ", interleaved"));
            const std::string path = folder.Join("rgba.tif");
            WriteRgbaTiff(path, written, tiled, separate, 8);
            RImageBuffer read;
            ASSERT_TRUE(ReadImageFromTiff(path.c_str(), read));
            ASSERT_EQ(read.GetChannelCount(), 4);
            ASSERT_EQ(read.GetPixelByteCount(), written.GetPixelByteCount());
            EXPECT_EQ(std::memcmp(read.GetPixels(), written.GetPixels(), read.GetPixelByteCount()), 0);
        }
    }
}

TEST(TiffReadTest, RenderedKindsKeepColourApartFromUnassociatedAlpha) {
    ScratchFolder folder;
    RImageBuffer written;
    ASSERT_TRUE(written.Init(19, 7, true, RImageBuffer::kType8Bit, 4));
    FillTranslucent(written);
    const std::string path = folder.Join("rgba16.tif");
    WriteRgbaTiff(path, written, false, false, 16);  // 16 bits: rendered by libtiff
    RImageBuffer read;
    ASSERT_TRUE(ReadImageFromTiff(path.c_str(), read));
    ASSERT_EQ(read.GetPixelByteCount(), written.GetPixelByteCount());
    int worst = 0;
    for (std::size_t i = 0; i < read.GetPixelByteCount(); ++i) {
        worst = std::max(worst, std::abs(int{read.GetPixels()[i]} - int{written.GetPixels()[i]}));
    }
    EXPECT_LE(worst, 1);
}

TEST(TiffReadTest, OtherKindsAreReadAsRgba) {
    ScratchFolder folder;
    // 2 x 1 grey with white as zero.
    const std::string bytes = HandMadeTiff({{256, 4, 2}, {257, 4, 1}, {258, 3, 8}, {259, 3, 1}, {262, 3, 0},
                                            {277, 3, 1}, {278, 4, 1}},
                                           std::string("\x00\xff", 2));
    RImageBuffer buffer;
    ASSERT_TRUE(ReadImageFromTiff(folder.WriteFile("white.tif", bytes).c_str(), buffer));
    ASSERT_EQ(buffer.GetChannelCount(), 4);
    const unsigned char expected[8] = {255, 255, 255, 255, 0, 0, 0, 255};
    EXPECT_EQ(std::memcmp(buffer.GetPixels(), expected, sizeof(expected)), 0);
}

// Sets entry `index` of a strip or tile offset or byte-count tag of a little-endian TIFF's
// first directory (a value kept in the entry, or an array of SHORT or LONG it points at).
void PatchStrile(std::string& tiff, std::uint16_t tag, std::uint32_t index, std::uint32_t value) {
    auto load = [&tiff](std::size_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(tiff[at + static_cast<std::size_t>(i)]);
        return v;
    };
    const std::size_t directory = load(4, 4);
    for (std::size_t entry = directory + 2; entry < directory + 2 + 12 * load(directory, 2); entry += 12) {
        if (load(entry, 2) != tag) continue;
        const int width = load(entry + 2, 2) == 3 ? 2 : 4;
        const std::uint32_t count = load(entry + 4, 4);
        ASSERT_LT(index, count);
        const std::size_t at = (count * static_cast<std::uint32_t>(width) <= 4 ? entry + 8 : load(entry + 8, 4)) +
                               index * static_cast<std::size_t>(width);
        for (int i = 0; i < width; ++i) tiff[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
        return;
    }
    FAIL() << "no tag " << tag;
}

// A strip or tile that starts at or past the end of the file, or runs past it by a byte
// although its length alone fits the file, is refused before any pixel is allocated
// (libtiff refuses such a file too, but only once the reader allocated its image).
TEST(TiffReadTest, StrilesReachingPastTheEndAreRefusedBeforeAnyPixelIsMade) {
    std::string noise(4096, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
    // 16 bits a sample: rendered as RGBA, which allocates the whole image before decoding.
    const std::string strip = HandMadeTiff({{256, 4, 1024}, {257, 4, 1024}, {258, 3, 16}, {259, 3, 8},
                                            {262, 3, 1}, {277, 3, 1}, {278, 4, 1024}},
                                           noise);
    ScratchFolder folder;
    RImageBuffer image;
    ASSERT_TRUE(image.Init(40, 40, true, RImageBuffer::kType8Bit, 4));
    WriteRgbaTiff(folder.Join("tiles.tif"), image, true, false, 16);
    const std::string tiles = ScratchFolder::ReadFile(folder.Join("tiles.tif"));
    const std::uint32_t lastTile = 8;  // of 3 x 3
    const auto size = [](const std::string& file) { return static_cast<std::uint32_t>(file.size()); };
    const struct {
        const char* label;
        const std::string& file;
        std::uint16_t offsetTag;
        std::uint16_t countTag;
        std::uint32_t index;
        std::uint32_t offset;
        std::uint32_t bytes;
        std::uint64_t imageBytes;
    } cases[] = {
        {"strip one byte past the end", strip, 273, 279, 0, 8, size(strip) - 7, 1024 * 1024 * 4},
        {"strip as long as the file", strip, 273, 279, 0, 8, size(strip), 1024 * 1024 * 4},
        {"strip at the end", strip, 273, 279, 0, size(strip), 1024, 1024 * 1024 * 4},
        {"strip past the end", strip, 273, 279, 0, size(strip) + 1, 1024, 1024 * 1024 * 4},
        {"tile one byte past the end", tiles, 324, 325, lastTile, size(tiles) - 100, 101, 40 * 40 * 4},
    };
    for (const auto& c : cases) {
        std::string bytes = c.file;
        PatchStrile(bytes, c.offsetTag, c.index, c.offset);
        PatchStrile(bytes, c.countTag, c.index, c.bytes);
        RImageBuffer buffer;
        const std::uint64_t before = CountedSystemCalls().allocatedBytes;
        EXPECT_FALSE(ReadImageFromTiffBytes(bytes.data(), bytes.size(), buffer)) << c.label;
        EXPECT_LT(CountedSystemCalls().allocatedBytes - before, c.imageBytes) << c.label;
    }
    // Unpatched, both are read as far as their data allows: past the checks.
    RImageBuffer buffer;
    EXPECT_TRUE(ReadImageFromTiffBytes(tiles.data(), tiles.size(), buffer));
}

}  // namespace
