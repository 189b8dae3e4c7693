// The texture image bridge called as the file framework calls it: pictures to temporary TIFFs
// on export and back to their own format on import, TIFFs compressed or not, pictures the host
// cannot read, names that carry folders, and the temporary files on every road.

#include "tests/hostexport/ExportTestSupport.h"

#include "fileio/RImageBuffer.h"
#include "fileio/RImageConverter.h"
#include "fileio/TiffImage.h"
#include "hostexport/TextureImageBridge.h"

#include <vexa/VImage.h>

#include <cstdlib>
#include <filesystem>

namespace {

constexpr unsigned kWidth = 3;
constexpr unsigned kHeight = 2;

// A small picture whose every byte differs.
VImage Picture() {
    VImage image;
    EXPECT_TRUE(image.create(kWidth, kHeight));
    unsigned char* pixels = image.pixels();
    for (unsigned i = 0; i < kWidth * kHeight * 4; ++i) pixels[i] = static_cast<unsigned char>(10 + 7 * i);
    return image;
}

std::vector<unsigned char> PixelsOf(const VImage& image) {
    const unsigned char* pixels = image.pixels();
    return pixels != nullptr ? std::vector<unsigned char>(pixels, pixels + kWidth * kHeight * 4) : std::vector<unsigned char>();
}

class ImageBridgeTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        // Temporary files go to a folder of the test's own, where they can be counted.
        const char* previous = std::getenv("TMPDIR");
        previousTemp_ = previous != nullptr ? previous : "";
        hadTemp_ = previous != nullptr;
        setenv("TMPDIR", temp_.Path().c_str(), 1);
    }
    void TearDown() override {
        if (hadTemp_) {
            setenv("TMPDIR", previousTemp_.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        ExportTest::TearDown();
    }

    // The files of a folder whose names begin with "texfile".
    static int TemporaryCount(const std::string& folder) {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            count += entry.path().filename().string().rfind("texfile", 0) == 0 ? 1 : 0;
        }
        return count;
    }

    std::string WritePicture(const char* name) const {
        const std::string path = file(name);
        EXPECT_TRUE(Picture().writeToFile(path.c_str()));
        return path;
    }

    ScratchFolder temp_;
    std::string previousTemp_;
    bool hadTemp_ = false;
};

TEST_F(ImageBridgeTest, EveryPictureExtensionHasItsCallbackOnTheFactory) {
    RWyxObjectFactory factory;
    RegisterTextureImageBridge(&factory);
    RegisterTextureImageBridge(nullptr);
    ASSERT_EQ(factory.GetImageConverterCount(), 1);
    const RImageConverter& converter = *factory.GetImageConverter(0);
    for (const char* extension : {"als", "bmp", "cin", "gif", "iff", "jpg", "jpe", "jpeg", "jfif", "rgb", "rgba", "sgi",
                                  "pic", "tga", "rla", "yuv"}) {
        EXPECT_EQ(converter.FindCallback(extension), &ConvertPictureImage) << extension;
    }
    EXPECT_EQ(converter.FindCallback("tif"), &ConvertTiffImage);
    EXPECT_EQ(converter.FindCallback("TIFF"), &ConvertTiffImage);
    EXPECT_EQ(converter.FindCallback("png"), nullptr);
}

TEST_F(ImageBridgeTest, APictureGoesToATemporaryTiffAndComesBackUnderItsOwnName) {
    const std::string source = WritePicture("wood.tga");
    RImageBuffer buffer;
    RString name(source.c_str());
    // Without the conversion every picture keeps its file.
    EXPECT_EQ(ConvertPictureImage(RImageConverter::kExport, name, buffer), 1);
    EXPECT_TRUE(buffer.GetKeepOriginal());
    EXPECT_EQ(name, source.c_str());

    options().SetBoolOption(kExportConvert_2Tiff, true);
    ASSERT_EQ(ConvertPictureImage(RImageConverter::kExport, name, buffer), 0);
    EXPECT_FALSE(buffer.GetKeepOriginal());
    EXPECT_EQ(buffer.GetFileName(), source.c_str());
    const std::filesystem::path temporary(name.Buffer());
    EXPECT_EQ(temporary.parent_path(), std::filesystem::path(temp_.Path()));
    EXPECT_EQ(temporary.filename().string().rfind("texfile", 0), 0u);
    EXPECT_EQ(temporary.extension(), ".tif");
    EXPECT_TRUE(std::filesystem::exists(temporary)) << "made under its own unique name";
    ASSERT_EQ(buffer.GetWidth(), static_cast<int>(kWidth));
    ASSERT_EQ(buffer.GetHeight(), static_cast<int>(kHeight));
    EXPECT_EQ(std::vector<unsigned char>(buffer.GetPixels(), buffer.GetPixels() + buffer.GetPixelByteCount()),
              PixelsOf(Picture()));

    // The framework writes the TIFF it embeds; an import hands the decoded image back.
    ASSERT_TRUE(WriteImageAsTiff(name.Buffer(), true, buffer));
    RImageBuffer decoded;
    ASSERT_TRUE(ReadImageFromTiff(name.Buffer(), decoded));
    decoded.SetName("textures/wood.tga");
    std::filesystem::remove(source);
    RString extracted(file("wood.tif").c_str());
    ASSERT_EQ(ConvertTiffImage(RImageConverter::kImport, extracted, decoded), 0);
    EXPECT_EQ(extracted, source.c_str());
    VImage back;
    ASSERT_TRUE(back.readFromFile(source.c_str()));
    EXPECT_EQ(PixelsOf(back), PixelsOf(Picture()));
    EXPECT_EQ(TemporaryCount(folder_.Path()), 0) << "the TIFF between goes";
    EXPECT_FALSE(std::filesystem::exists(file("wood.tif")));
}

TEST_F(ImageBridgeTest, OnlyUncompressedTiffsAreConverted) {
    RImageBuffer pixels;
    ASSERT_TRUE(pixels.Init(kWidth, kHeight, true, RImageBuffer::kType8Bit, 4));
    const std::string packed = file("packed.tif");
    const std::string plain = file("plain.tif");
    ASSERT_TRUE(WriteImageAsTiff(packed.c_str(), true, pixels));
    ASSERT_TRUE(WriteImageAsTiff(plain.c_str(), false, pixels));
    options().SetBoolOption(kExportConvert_2Tiff, true);
    RImageBuffer buffer;
    RString name(packed.c_str());
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kExport, name, buffer), 1);
    EXPECT_TRUE(buffer.GetKeepOriginal());
    EXPECT_EQ(name, packed.c_str());
    name = plain.c_str();
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kExport, name, buffer), 0);
    EXPECT_FALSE(buffer.GetKeepOriginal());
    EXPECT_NE(name, plain.c_str());
    options().SetBoolOption(kExportConvert_2Tiff, false);
    name = plain.c_str();
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kExport, name, buffer), 1);
    // A TIFF source comes back as a TIFF under the name given.
    buffer.Init(kWidth, kHeight, true, RImageBuffer::kType8Bit, 4);
    buffer.SetName("scan.TIF");
    buffer.SetKeepOriginal(false);
    RString written(file("out.tif").c_str());
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kImport, written, buffer), 0);
    EXPECT_FALSE(IsCompressedTiff(file("out.tif").c_str()));
    buffer.SetKeepOriginal(true);
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kImport, written, buffer), 1);
    EXPECT_EQ(ConvertTiffImage(2, written, buffer), 1);
    EXPECT_EQ(ConvertPictureImage(RImageConverter::kImport, written, buffer), 1) << "kept: not converted";
    buffer.SetKeepOriginal(false);
    EXPECT_EQ(ConvertPictureImage(RImageConverter::kImport, written, buffer), 0);
    EXPECT_EQ(ConvertPictureImage(2, written, buffer), 1);
}

TEST_F(ImageBridgeTest, APictureTheHostCannotReadStaysAsItIsAndLeavesNothingBehind) {
    options().SetBoolOption(kExportConvert_2Tiff, true);
    const std::string broken = folder_.WriteFile("broken.tga", "not a picture");
    RImageBuffer buffer;
    RString name(broken.c_str());
    EXPECT_EQ(ConvertPictureImage(RImageConverter::kExport, name, buffer), 1);
    EXPECT_EQ(name, broken.c_str());
    name = folder_.WriteFile("photo.jpg", "\xff\xd8 a jpeg the host does not read").c_str();
    EXPECT_EQ(ConvertPictureImage(RImageConverter::kExport, name, buffer), 1);
    EXPECT_EQ(TemporaryCount(temp_.Path()), 0);
}

TEST_F(ImageBridgeTest, AStoredNameCannotPointOutsideTheFolderAndFailuresLeaveNoTemporaryFile) {
    ScratchFolder outside;
    RImageBuffer buffer;
    ASSERT_TRUE(buffer.Init(kWidth, kHeight, true, RImageBuffer::kType8Bit, 4));
    const std::string escape = std::filesystem::relative(outside.Join("evil.tga"), folder_.Path()).string();
    for (const std::string& stored : {escape, outside.Join("evil.tga"), std::string("C:\\maps\\evil.tga")}) {
        buffer.SetName(stored.c_str());
        RString target(file("evil.tif").c_str());
        ASSERT_EQ(ConvertTiffImage(RImageConverter::kImport, target, buffer), 0) << stored;
        EXPECT_EQ(target, file("evil.tga").c_str()) << stored;
        EXPECT_FALSE(std::filesystem::exists(outside.Join("evil.tga"))) << stored;
        std::filesystem::remove(file("evil.tga"));
    }
    // No base name, or a target that cannot be written: nothing converted, nothing left over.
    for (const char* stored : {"maps/..", "maps/"}) {
        buffer.SetName(stored);
        RString target(file("x.tif").c_str());
        EXPECT_EQ(ConvertTiffImage(RImageConverter::kImport, target, buffer), 1) << stored;
    }
    std::filesystem::create_directory(file("taken.tga"));
    buffer.SetName("taken.tga");
    RString target(file("taken.tif").c_str());
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kImport, target, buffer), 1);
    EXPECT_EQ(target, file("taken.tif").c_str());
    buffer.SetName("photo.jpg");  // a format the host does not write
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kImport, target, buffer), 1);
    buffer.SetName("notes.txt");
    EXPECT_EQ(ConvertTiffImage(RImageConverter::kImport, target, buffer), 1);
    EXPECT_EQ(TemporaryCount(folder_.Path()), 0);
}

}  // namespace
