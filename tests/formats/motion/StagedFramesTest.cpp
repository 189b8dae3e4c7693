#include "curves/RFCurve.h"
#include "formats/motion/MotionConversion.h"
#include "formats/motion/RStagedFrames.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

// Rows go to pieces in order, past the reserved ones too, and every row keeps its floats.
TEST(RStagedFramesTest, RowsFillPiecesInOrderPastTheReservedOnes) {
    RStagedFrames frames;
    const int width = 6;
    // Pieces are as long as the rows reserved need, up to their full length.
    const int fullPiece = static_cast<int>(RStagedFrames::kPieceBytes / sizeof(float)) / width;
    ASSERT_TRUE(frames.Reserve(10, width));
    EXPECT_EQ(frames.GetRowsPerPiece(), 10);
    ASSERT_TRUE(frames.Reserve(5 * fullPiece, width));
    const int perPiece = frames.GetRowsPerPiece();
    EXPECT_EQ(perPiece, fullPiece);
    const int rows = 6 * perPiece + 3;
    for (int r = 0; r < rows; ++r) {
        float* row = frames.NextRow();
        for (int c = 0; c < width; ++c) row[c] = static_cast<float>(r * 10 + c);
    }
    EXPECT_EQ(frames.GetWrittenRows(), rows);
    for (int r = 0; r < rows; ++r) {
        const float* row = frames.GetPieces()[r / perPiece] + (r % perPiece) * width;
        for (int c = 0; c < width; ++c) ASSERT_EQ(row[c], static_cast<float>(r * 10 + c)) << r << " " << c;
    }
    // Rows past the reserved ones get pieces of the same length; a new reservation starts over.
    ASSERT_TRUE(frames.Reserve(2, 3));
    for (int r = 0; r < 5; ++r) frames.NextRow()[0] = static_cast<float>(r);
    EXPECT_EQ(frames.GetPieces()[2][0], 4.0f);
    ASSERT_TRUE(frames.Reserve(1, 3));
    EXPECT_EQ(frames.GetWrittenRows(), 0);
    frames.NextRow()[2] = 5.0f;
    EXPECT_EQ(frames.GetPieces()[0][2], 5.0f);
    frames.Release();
    EXPECT_EQ(frames.GetWrittenRows(), 0);
}

// Keys from pieces are those of one array of the same rows, across piece ends.
TEST(RStagedFramesTest, KeysFromPiecesAreThoseOfTheRowsInOnePiece) {
    const int stride = 3;
    const int count = 11;
    std::vector<float> whole;
    for (int i = 0; i < count * stride; ++i) whole.push_back(0.25f * static_cast<float>(i) - 3.0f);
    const int perPiece = 4;
    const float* pieces[] = {whole.data(), whole.data() + perPiece * stride, whole.data() + 2 * perPiece * stride};
    const RTime start(-700);
    const RTime step(300);
    for (int column = 0; column < stride; ++column) {
        RFCurve fromWhole;
        RFCurve fromPieces;
        ASSERT_TRUE(StoreFrameKeys(&fromWhole, start, step, whole.data() + column, stride, count));
        ASSERT_TRUE(StoreFrameKeys(&fromPieces, start, step, pieces, perPiece, column, stride, count));
        ASSERT_EQ(fromPieces.GetKeyCount(), count);
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(fromPieces.GetKey(i).GetValue(), whole[static_cast<std::size_t>(i * stride + column)]) << i;
            EXPECT_EQ(fromPieces.GetKey(i).GetTime(), fromWhole.GetKey(i).GetTime()) << i;
            EXPECT_EQ(fromPieces.GetKey(i).GetTime(), start + step * i) << i;
        }
    }
}

// Keys stored from pieces that start inside storage blocks, over several blocks, are each
// the key AppendFrameKey makes of the same frame, whatever the curve held before.
TEST(RStagedFramesTest, StoredKeysAcrossBlockEndsAreThoseAppendedOneByOne) {
    const int stride = 2;
    const int count = 83;  // three blocks of keys and part of a fourth
    std::vector<float> whole;
    for (int i = 0; i < count * stride; ++i) whole.push_back(0.5f * static_cast<float>(i) - 17.0f);
    const int perPiece = 7;  // piece ends fall inside blocks
    std::vector<const float*> pieces;
    for (int first = 0; first < count; first += perPiece) pieces.push_back(whole.data() + first * stride);
    const RTime start(-1000);
    const RTime step(333);
    RFCurve appended;
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(AppendFrameKey(&appended, start + step * i, whole[static_cast<std::size_t>(i * stride + 1)]));
    }
    RFCurve stored;
    for (int i = 0; i < 2 * count; ++i) stored.AppendKey(RTime(5 * i), 9.0f);
    ASSERT_TRUE(StoreFrameKeys(&stored, start, step, pieces.data(), perPiece, 1, stride, count));
    ASSERT_EQ(stored.GetKeyCount(), count);
    for (int i = 0; i < count; ++i) {
        const RCurveKey& key = stored.GetKey(i);
        const RCurveKey& expected = appended.GetKey(i);
        EXPECT_EQ(key.GetTime(), expected.GetTime()) << i;
        EXPECT_EQ(key.GetValue(), expected.GetValue()) << i;
        EXPECT_EQ(key.GetInterpolation(), expected.GetInterpolation()) << i;
        EXPECT_EQ(key.GetTangentMode(), expected.GetTangentMode()) << i;
        for (int d = 0; d < 6; ++d) EXPECT_EQ(key.GetDataValue(d), expected.GetDataValue(d)) << i << " " << d;
    }
}

// The pieces reserved are backed by the time Reserve returns: the rows written into them
// afterwards take no page faults of their own.
TEST(RStagedFramesTest, ReservedPiecesAreBackedBeforeTheirRowsAreWritten) {
    const long page = ::sysconf(_SC_PAGESIZE);
    ASSERT_GT(page, 0);
    const auto pageBytes = static_cast<std::uintptr_t>(page);
    const int width = 3;
    const int perPiece = static_cast<int>(RStagedFrames::kPieceBytes / sizeof(float)) / width;
    const int pieces = 256;
    RStagedFrames frames;
    ASSERT_TRUE(frames.Reserve(pieces * perPiece, width));
    ASSERT_EQ(frames.GetRowsPerPiece(), perPiece);
    std::vector<unsigned char> resident(RStagedFrames::kPieceBytes / pageBytes + 1);
    for (int p = 0; p < pieces; ++p) {
        // The whole pages inside the piece.
        const auto start = reinterpret_cast<std::uintptr_t>(frames.GetPieces()[p]);
        const std::uintptr_t first = (start + pageBytes - 1) / pageBytes * pageBytes;
        const std::uintptr_t end = (start + perPiece * width * sizeof(float)) / pageBytes * pageBytes;
        ASSERT_GT(end, first);
        ASSERT_EQ(::mincore(reinterpret_cast<void*>(first), end - first, resident.data()), 0);
        for (std::uintptr_t i = 0; i < (end - first) / pageBytes; ++i) {
            ASSERT_EQ(resident[i] & 1, 1) << "piece " << p << " page " << i;
        }
    }
}
