// The link matrices rebuilt from translation, rotation and scaling, and the thumbnail block.

#include "attributes/RWyxThumbnail.h"
#include "core/RMatrix.h"
#include "fileio/RWyxFile.h"
#include "tests/support/ScratchFolder.h"
#include "wyxreader/WyxReaderServices.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(WyxReaderServicesTest, ComposedMatricesRotateXFirstThenScaleRowsAndTranslate) {
    RMatrix matrix;
    matrix[0][3] = 7.0;  // the fourth column is the identity's afterwards
    ComposeMatrixTRS(matrix, RVector4(1, 2, 3, 9), RVector4(90, 0, 90, 9), RVector4(2, 3, 4, 9));
    // X by 90 first, then Z by 90: the X axis goes to Y, Y to Z, Z to X; each row scaled.
    const double expected[4][4] = {{0, 2, 0, 0}, {0, 0, 3, 0}, {4, 0, 0, 0}, {1, 2, 3, 1}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(matrix[r][c], expected[r][c], 1e-12) << r << "," << c;
    }
}

TEST(WyxReaderServicesTest, AThumbnailIsWrittenWithEveryPixelByteAndAnEmptyOneNotAtAll) {
    ScratchFolder folder;
    const std::string path = folder.Join("thumb.wyx");
    RWyxThumbnail empty;
    RWyxThumbnail picture;
    ASSERT_TRUE(picture.SetDataFormat(RWyxThumbnail::kRgba32));
    ASSERT_TRUE(picture.SetSize(RWyxThumbnail::k64x64));
    std::vector<std::uint8_t> pixels(picture.GetSizeInBytes());
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<std::uint8_t>(i * 31);
    ASSERT_TRUE(picture.SetImage(pixels.data(), pixels.size()));
    {
        RWyxFile file;
        RWyxFileHeaderInfo header;
        header.fileVersion = 6000;
        ASSERT_TRUE(file.Create(path.c_str(), true, false, header));
        WriteThumbnailBlock(file, nullptr);
        WriteThumbnailBlock(file, &empty);
        WriteThumbnailBlock(file, &picture);
        ASSERT_TRUE(file.Close());
    }
    RWyxFile file;
    ASSERT_TRUE(file.Open(path.c_str()));
    ASSERT_EQ(file.FieldGetCount(), 1) << "nothing for a missing or empty thumbnail";
    ASSERT_TRUE(file.FieldReadBegin("Thumbnail") && file.FieldReadBlockBegin());
    EXPECT_EQ(file.FieldReadIntByName("Version", 0), 100);
    EXPECT_EQ(file.FieldReadIntByName("Format", -1), RWyxThumbnail::kRgba32);
    EXPECT_EQ(file.FieldReadIntByName("Size", -1), RWyxThumbnail::k64x64);
    EXPECT_EQ(file.FieldReadIntByName("ImageEncoding", -1), 0);
    ASSERT_TRUE(file.FieldReadBegin("ImageData"));
    ASSERT_EQ(file.FieldReadValuesLeft(), static_cast<int>(pixels.size()));
    for (const std::uint8_t byte : pixels) ASSERT_EQ(file.FieldReadInt(), byte);
}

}  // namespace
