// VImage: TIFF and Targa round trips through files, the Targa variants read from memory,
// malformed and oversized images refused before their pixels are allocated, a named pipe refused
// without waiting for a writer, and writes that
// replace a file whole or leave it as it was.

#include "tests/support/HostTestSupport.h"

#include "host/src/images/RgbaImage.h"

#include <vexa/VImage.h>

#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <iterator>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using vexa_host::RgbaImage;

// A folder of its own for each test, removed with what it holds.
class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/vexa-image-XXXXXX";
        path_ = mkdtemp(pattern) != nullptr ? pattern : "";
    }
    ~ScratchFolder() {
        for (const std::string& name : names()) ::unlink((path_ + "/" + name).c_str());
        ::rmdir(path_.c_str());
    }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> names() const {
        std::vector<std::string> found;
        if (DIR* folder = opendir(path_.c_str())) {
            while (dirent* entry = readdir(folder)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") found.push_back(name);
            }
            closedir(folder);
        }
        return found;
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The read of an image from a named pipe, with whether it ended within five seconds. A read that
// waits for a writer is let go by one opened here, so that it fails rather than hangs.
VStatus readFromPipe(const std::string& pipe, bool& atOnce) {
    std::future<VStatus> read = std::async(std::launch::async, [&pipe] { return VImage().readFromFile(VString(pipe)); });
    atOnce = read.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    while (read.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer < 0) continue;  // no reader yet
        read.wait();
        ::close(writer);
    }
    return read.get();
}

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every pixel different, alpha included, so a swapped channel or flipped row shows.
VImage gradient(unsigned width, unsigned height) {
    VImage image;
    EXPECT_TRUE(image.create(width, height));
    unsigned char* pixels = image.pixels();
    for (unsigned i = 0; i < width * height; ++i) {
        pixels[i * 4] = static_cast<unsigned char>(i);
        pixels[i * 4 + 1] = static_cast<unsigned char>(i * 3);
        pixels[i * 4 + 2] = static_cast<unsigned char>(255 - i);
        pixels[i * 4 + 3] = static_cast<unsigned char>(i * 7 + 1);
    }
    return image;
}

std::vector<unsigned char> pixelsOf(const VImage& image) {
    unsigned width = 0, height = 0;
    if (!image.getSize(width, height)) return {};
    return {image.pixels(), image.pixels() + width * height * 4};
}

// An 18-byte Targa header.
std::vector<unsigned char> targaHeader(unsigned char type, unsigned width, unsigned height, unsigned char bits,
                                       unsigned char descriptor, unsigned char mapType = 0) {
    return {0, mapType, type, 0, 0, 0, 0, 0, 0, 0, 0, 0, static_cast<unsigned char>(width), static_cast<unsigned char>(width >> 8),
            static_cast<unsigned char>(height), static_cast<unsigned char>(height >> 8), bits, descriptor};
}

std::vector<unsigned char> concat(std::vector<unsigned char> a, const std::vector<unsigned char>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(VImageTest, TiffAndTargaFilesRoundTrip) {
    struct Case {
        const char* file;
        const char* format;
    };
    const Case cases[] = {{"a.tif", ""}, {"b.tga", ""}, {"c.texture", "tiff"}, {"d.TGA", ""}};
    ScratchFolder folder;
    const VImage original = gradient(7, 5);
    for (const Case& c : cases) {
        ASSERT_TRUE(original.writeToFile(VString(folder.file(c.file)), VString(c.format))) << c.file;
        VImage read;
        ASSERT_TRUE(read.readFromFile(VString(folder.file(c.file)))) << c.file;
        unsigned width = 0, height = 0;
        ASSERT_TRUE(read.getSize(width, height)) << c.file;
        EXPECT_EQ(width, 7u) << c.file;
        EXPECT_EQ(height, 5u) << c.file;
        EXPECT_EQ(pixelsOf(read), pixelsOf(original)) << c.file;
    }
    EXPECT_EQ(folder.names().size(), 4u) << "no temporary file is left behind";
}

TEST(VImageTest, TargaVariantsReadFromMemory) {
    // Two by two pixels: A B / C D as the viewer sees them.
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
        std::vector<unsigned char> pixels;  // RGBA, top row first
    };
    const std::vector<unsigned char> opaque = {10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255, 100, 110, 120, 255};
    const Case cases[] = {
        {"24 bits, rows bottom-up", concat(targaHeader(2, 2, 2, 24, 0), {90, 80, 70, 120, 110, 100, 30, 20, 10, 60, 50, 40}), opaque},
        {"32 bits, top-down, alpha bits", concat(targaHeader(2, 2, 2, 32, 0x28), {30, 20, 10, 1, 60, 50, 40, 2, 90, 80, 70, 3, 120, 110, 100, 4}),
         {10, 20, 30, 1, 40, 50, 60, 2, 70, 80, 90, 3, 100, 110, 120, 4}},
        {"32 bits without alpha bits", concat(targaHeader(2, 2, 2, 32, 0x20), {30, 20, 10, 1, 60, 50, 40, 2, 90, 80, 70, 3, 120, 110, 100, 4}),
         opaque},
        {"right to left", concat(targaHeader(2, 2, 2, 24, 0x30), {60, 50, 40, 30, 20, 10, 120, 110, 100, 90, 80, 70}), opaque},
        {"grey", concat(targaHeader(3, 2, 1, 8, 0x20), {5, 250}), {5, 5, 5, 255, 250, 250, 250, 255}},
        {"an image id before the pixels", [] {
             std::vector<unsigned char> bytes = targaHeader(3, 1, 1, 8, 0);
             bytes[0] = 3;
             return concat(bytes, {'i', 'd', '!', 77});
         }(),
         {77, 77, 77, 255}},
    };
    for (const Case& c : cases) {
        RgbaImage image;
        ASSERT_TRUE(vexa_host::decodeImage(c.bytes.data(), c.bytes.size(), image)) << c.what;
        EXPECT_EQ(image.pixels, c.pixels) << c.what;
    }
}

// A valid TIFF whose image-width and image-length tags are made to claim another size.
std::vector<unsigned char> tiffClaiming(unsigned width, unsigned height) {
    RgbaImage small;
    small.width = small.height = 64;
    small.pixels.assign(64 * 64 * 4, 9);
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(vexa_host::encodeImage(small, vexa_host::ImageFormat::kTiff, bytes));
    auto read = [&bytes](size_t at, int size) {
        unsigned value = 0;
        for (int i = size - 1; i >= 0; --i) value = value * 256 + bytes[at + static_cast<size_t>(i)];
        return value;
    };
    const size_t directory = read(4, 4);
    const unsigned entries = read(directory, 2);
    for (unsigned i = 0; i < entries; ++i) {
        const size_t entry = directory + 2 + i * 12;
        const unsigned tag = read(entry, 2);
        if (tag != 256 && tag != 257) continue;
        const unsigned value = tag == 256 ? width : height;
        const int size = read(entry + 2, 2) == 3 ? 2 : 4;
        for (int b = 0; b < size; ++b) bytes[entry + 8 + static_cast<size_t>(b)] = static_cast<unsigned char>(value >> (8 * b));
    }
    return bytes;
}

TEST(VImageTest, MalformedAndOversizedImagesAreRefused) {
    const std::vector<unsigned char> goodTiff = tiffClaiming(64, 64);
    const std::vector<unsigned char> header = targaHeader(2, 2, 2, 24, 0);
    RgbaImage check;
    ASSERT_TRUE(vexa_host::decodeImage(goodTiff.data(), goodTiff.size(), check)) << "the unpatched file reads";
    struct Case {
        const char* what;
        std::vector<unsigned char> bytes;
    };
    const Case cases[] = {
        {"nothing", {}},
        {"a header cut short", std::vector<unsigned char>(header.begin(), header.begin() + 17)},
        {"pixels one byte short", concat(targaHeader(2, 2, 2, 24, 0), std::vector<unsigned char>(11, 0))},
        {"a colour map", concat(targaHeader(2, 1, 1, 24, 0, 1), {1, 2, 3})},
        {"run-length encoded", concat(targaHeader(10, 1, 1, 24, 0), {0, 1, 2, 3})},
        {"16 bits per pixel", concat(targaHeader(2, 1, 1, 16, 0), {1, 2})},
        {"interleaved rows", concat(targaHeader(2, 1, 1, 24, 0x40), {1, 2, 3})},
        {"width 0", targaHeader(2, 0, 4, 24, 0)},
        {"a TIFF byte-order mark only", {'I', 'I', 42, 0}},
        {"a TIFF cut in its strips", std::vector<unsigned char>(goodTiff.begin(), goodTiff.begin() + 4000)},
        {"a small TIFF claiming 8000 by 8000 pixels", tiffClaiming(8000, 8000)},
        {"a TIFF claiming more than the host takes", tiffClaiming(32769, 2)},
    };
    for (const Case& c : cases) {
        RgbaImage image;
        image.width = 1;
        EXPECT_FALSE(vexa_host::decodeImage(c.bytes.data(), c.bytes.size(), image)) << c.what;
        EXPECT_TRUE(image.empty()) << c.what;
        EXPECT_TRUE(image.pixels.empty()) << c.what;
    }
}

TEST(VImageTest, EveryKindOfTheSeedFilesReads) {
    struct Case {
        const char* file;
        unsigned width, height;
        unsigned x, y;                    // a pixel to check, or x = width for none
        std::vector<unsigned char> rgba;  // as the generator wrote it
    };
    const Case cases[] = {
        {"rgba-strips.tif", 8, 6, 1, 2, {46, 51, 56, 61}},  // stored values: colour not multiplied by alpha
        {"grey-tiles-lzw.tif", 20, 18, 17, 1, {129, 129, 129, 255}},
        {"grey-alpha.tif", 6, 5, 2, 1, {33, 33, 33, 38}},
        {"rgb-deflate.tif", 12, 9, 0, 1, {13, 18, 23, 255}},
        {"palette-4bit.tif", 10, 4, 10, 0, {}},
        {"rgb-16bit-bigendian.tif", 5, 3, 5, 0, {}},
        {"bilevel.tif", 33, 7, 33, 0, {}},
        {"rgb-bottom-up.tga", 5, 4, 5, 0, {}},
        {"rgba-top-down.tga", 4, 3, 0, 0, {74, 37, 0, 111}},
        {"grey-with-id.tga", 6, 2, 6, 0, {}},
        {"rgb-right-to-left.tga", 3, 3, 2, 0, {74, 37, 0, 255}},
    };
    for (const Case& c : cases) {
        VImage image;
        ASSERT_TRUE(image.readFromFile(VString(std::string(VEXA_IMAGE_SEEDS) + "/" + c.file))) << c.file;
        unsigned width = 0, height = 0;
        image.getSize(width, height);
        EXPECT_EQ(std::make_pair(width, height), std::make_pair(c.width, c.height)) << c.file;
        if (c.x == c.width) continue;
        const unsigned char* pixel = image.pixels() + (std::size_t{c.y} * width + c.x) * 4;
        EXPECT_EQ(std::vector<unsigned char>(pixel, pixel + 4), c.rgba) << c.file;
    }
}

TEST(VImageTest, AFailedWriteLeavesTheFileAsItWas) {
    ScratchFolder folder;
    const std::string target = folder.file("keep.tga");
    { std::ofstream(target) << "old"; }
    VImage empty;
    EXPECT_EQ(empty.writeToFile(VString(target)), VStatus::kInvalidParameter) << "an empty image";
    EXPECT_EQ(gradient(2, 2).writeToFile(VString(target), "jpg"), VStatus::kInvalidParameter) << "a format not written";
    EXPECT_EQ(gradient(2, 2).writeToFile(VString(folder.file("missing/x.tga"))), VStatus::kFailure) << "no such folder";
    EXPECT_EQ(fileBytes(target), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"keep.tga"});

    ASSERT_TRUE(::chmod(target.c_str(), 0640) == 0);
    ASSERT_TRUE(gradient(2, 2).writeToFile(VString(target)));
    EXPECT_EQ(fileBytes(target).size(), 18u + 16u) << "replaced whole";
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";
    ASSERT_TRUE(::symlink(target.c_str(), folder.file("link.tga").c_str()) == 0);
    ASSERT_TRUE(gradient(3, 1).writeToFile(VString(folder.file("link.tga"))));
    EXPECT_EQ(fileBytes(target).size(), 18u + 12u) << "the file the link names is replaced";
}

TEST(VImageTest, ReadFailuresAndSizesLeaveTheImageEmpty) {
    ScratchFolder folder;
    VImage image = gradient(2, 2);
    EXPECT_EQ(image.readFromFile(VString(folder.file("none.tif"))), VStatus::kFailure);
    unsigned width = 0, height = 0;
    EXPECT_EQ(image.getSize(width, height), VStatus::kFailure);
    EXPECT_EQ(image.pixels(), nullptr);
    EXPECT_EQ(image.readFromFile(VString(folder.path())), VStatus::kFailure) << "a folder";
    { std::ofstream(folder.file("text.tga")) << "not an image at all"; }
    EXPECT_EQ(image.readFromFile(VString(folder.file("text.tga"))), VStatus::kFailure);
    ASSERT_EQ(::mkfifo(folder.file("pipe.tga").c_str(), 0600), 0);
    bool atOnce = false;
    const VStatus fromPipe = readFromPipe(folder.file("pipe.tga"), atOnce);
    EXPECT_TRUE(atOnce) << "the read waited for a writer to the pipe";
    EXPECT_EQ(fromPipe.errorString().str(), folder.file("pipe.tga") + " is not a regular file");

    struct Size {
        unsigned width, height, channels;
        bool accepted;
    };
    const Size sizes[] = {{1, 1, 4, true}, {0, 5, 4, false}, {32768, 1, 4, true}, {32769, 1, 4, false}, {2, 2, 3, false},
                          {16384, 16384, 4, false}};
    for (const Size& size : sizes) {
        EXPECT_EQ(static_cast<bool>(image.create(size.width, size.height, size.channels)), size.accepted)
            << size.width << " by " << size.height << " by " << size.channels;
    }
    EXPECT_EQ(image.setPixels(nullptr, 1, 1), VStatus::kInvalidParameter);
    const unsigned char red[4] = {255, 0, 0, 255};
    ASSERT_TRUE(image.setPixels(red, 1, 1));
    EXPECT_EQ(pixelsOf(image), (std::vector<unsigned char>{255, 0, 0, 255}));
    VImage copy = image;
    copy.pixels()[0] = 7;
    EXPECT_EQ(image.pixels()[0], 255) << "a copy has pixels of its own";
}

}  // namespace
