#include "attributes/RWyxThumbnail.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

TEST(Thumbnail, TheImageLengthFollowsSizeAndFormat) {
    const struct {
        int format;
        int size;
        int width;
        std::size_t bytes;
    } cases[] = {
        {RWyxThumbnail::kRgb24, RWyxThumbnail::k64x64, 64, 64u * 64u * 3u},
        {RWyxThumbnail::kRgba32, RWyxThumbnail::k64x64, 64, 64u * 64u * 4u},
        {RWyxThumbnail::kRgba32, RWyxThumbnail::k128x128, 128, 128u * 128u * 4u},
        {RWyxThumbnail::kRgba32, RWyxThumbnail::kNotSet, 0, 0u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        RWyxThumbnail thumbnail;
        ASSERT_TRUE(thumbnail.SetDataFormat(c.format));
        ASSERT_TRUE(thumbnail.SetSize(c.size));
        EXPECT_EQ(thumbnail.GetWidth(), c.width);
        EXPECT_EQ(thumbnail.GetSizeInBytes(), c.bytes);
        EXPECT_TRUE(thumbnail.IsEmpty());
    }
    RWyxThumbnail thumbnail;
    EXPECT_FALSE(thumbnail.SetDataFormat(2));
    EXPECT_FALSE(thumbnail.SetSize(3));
    EXPECT_EQ(thumbnail.GetSize(), RWyxThumbnail::kNotSet);
}

// A reader hands over what a file says: only an image of exactly the size's length is taken.
TEST(Thumbnail, OnlyAnImageOfTheExactLengthIsCopied) {
    RWyxThumbnail thumbnail;
    const std::uint8_t pixel[3] = {1, 2, 3};
    EXPECT_FALSE(thumbnail.SetImage(pixel, 3)) << "no size set";
    ASSERT_TRUE(thumbnail.SetSize(RWyxThumbnail::k64x64));
    const std::size_t length = thumbnail.GetSizeInBytes();
    std::vector<std::uint8_t> pixels(length + 1, 7);
    EXPECT_FALSE(thumbnail.SetImage(pixels.data(), length - 1));
    EXPECT_FALSE(thumbnail.SetImage(pixels.data(), length + 1));
    EXPECT_FALSE(thumbnail.SetImage(nullptr, length));
    EXPECT_TRUE(thumbnail.IsEmpty());

    ASSERT_TRUE(thumbnail.SetImage(pixels.data(), length));
    pixels[0] = 9;  // a copy, not the caller's buffer
    ASSERT_NE(thumbnail.GetImage(), nullptr);
    EXPECT_EQ(thumbnail.GetImage()[0], 7);
    EXPECT_EQ(thumbnail.GetImageLength(), length);
    EXPECT_FALSE(thumbnail.SetImage(pixels.data(), 3));
    EXPECT_EQ(thumbnail.GetImageLength(), length) << "a refused image leaves the one held";
    EXPECT_TRUE(thumbnail.SetImage(nullptr, 0));
    EXPECT_TRUE(thumbnail.IsEmpty());
}

TEST(Thumbnail, ChangingFormatOrSizeDropsThePixelsThatNoLongerFit) {
    for (const bool changeFormat : {true, false}) {
        SCOPED_TRACE(changeFormat);
        RWyxThumbnail thumbnail;
        ASSERT_TRUE(thumbnail.SetSize(RWyxThumbnail::k64x64));
        std::vector<std::uint8_t> pixels(thumbnail.GetSizeInBytes(), 5);
        ASSERT_TRUE(thumbnail.SetImage(pixels.data(), pixels.size()));
        // What it has already keeps the pixels.
        ASSERT_TRUE(thumbnail.SetSize(RWyxThumbnail::k64x64) && thumbnail.SetDataFormat(RWyxThumbnail::kRgb24));
        ASSERT_EQ(thumbnail.GetImageLength(), pixels.size());
        ASSERT_TRUE(changeFormat ? thumbnail.SetDataFormat(RWyxThumbnail::kRgba32)
                                 : thumbnail.SetSize(RWyxThumbnail::k128x128));
        EXPECT_EQ(thumbnail.GetImage(), nullptr);
        EXPECT_EQ(thumbnail.GetImageLength(), 0u);
    }
}

}  // namespace
