#include "core/RFileStream.h"
#include "core/RMemoryStream.h"

#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

TEST(RFileStream, OpensByModeNumberAndTextFlag) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("data.bin");
    RFileStream stream;
    EXPECT_FALSE(stream.OpenWithMode(path.c_str(), 0, false));  // "rb" of a missing file
    EXPECT_STREQ(stream.GetFileName().Buffer(), path.c_str());
    ASSERT_TRUE(stream.OpenWithMode(path.c_str(), 1, false));  // "wb"
    EXPECT_EQ(stream.Write("abc", 3), 3);
    ASSERT_TRUE(stream.OpenWithMode(path.c_str(), 3, true));  // "at": the earlier file is closed first
    EXPECT_EQ(stream.Write("def", 3), 3);
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(ScratchFolder::ReadFile(path), "abcdef");
    EXPECT_FALSE(stream.OpenWithMode(path.c_str(), 4, false));
    EXPECT_FALSE(stream.Open(nullptr, "rb"));
}

TEST(RFileStream, ClosedStreamsDoNothing) {
    RFileStream stream;
    char buffer[8] = {};
    std::int32_t value = 7;
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    EXPECT_EQ(stream.Gets(buffer, 8), nullptr);
    EXPECT_EQ(stream.Write("x", 1), 0);
    EXPECT_EQ(stream.Printf("%d", 1), 0);
    EXPECT_EQ(stream.ReadInt32(value, false), 0);
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_EQ(stream.Truncate(0), -1);
    EXPECT_FALSE(stream.HasError());
    EXPECT_FALSE(stream.IsEof());
}

TEST(RFileStream, ReadsIntegersWithAndWithoutSwapping) {
    ScratchFolder scratch;
    const std::string path = scratch.WriteFile("ints", std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9));
    RFileStream stream;
    ASSERT_TRUE(stream.Open(path.c_str(), "rb"));
    std::uint32_t word = 0;
    EXPECT_EQ(stream.ReadInt32(word, false), 0x04030201u);
    std::int32_t swapped = 0;
    EXPECT_EQ(stream.ReadInt32(swapped, true), 0x05060708);
    std::uint8_t byte = 0;
    EXPECT_EQ(stream.ReadByte(byte), 9);
    std::int16_t half = 5;
    EXPECT_EQ(stream.ReadInt16(half, false), 0);  // nothing left: zero, not stale bytes
    EXPECT_EQ(half, 0);
    EXPECT_TRUE(stream.IsEof());
    stream.ClearError();
    EXPECT_FALSE(stream.IsEof());
    EXPECT_EQ(stream.Seek(RFileStream::kFromEnd, -3), 0);
    EXPECT_EQ(stream.Tell(), 6);
    EXPECT_EQ(stream.SeekTo(1), 0);
    EXPECT_EQ(stream.ReadInt16(half, true), 0x0203);
}

TEST(RFileStream, PrintfWritesTextsLongerThanItsBuffer) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("long.txt");
    RFileStream stream;
    ASSERT_TRUE(stream.Open(path.c_str(), "w"));
    const std::string longText(RFileStream::kPrintfBufferSize + 100, 'x');
    EXPECT_EQ(stream.Printf("%s|%.1f", longText.c_str(), 2.5), static_cast<int>(longText.size() + 4));
    stream.Close();
    EXPECT_EQ(ScratchFolder::ReadFile(path), longText + "|2.5");
}

TEST(RFileStream, TruncateShortensTheOpenFile) {
    ScratchFolder scratch;
    const std::string path = scratch.Join("t.bin");
    RFileStream stream;
    ASSERT_TRUE(stream.Open(path.c_str(), "wb+"));
    stream.Write("0123456789", 10);
    EXPECT_EQ(stream.Truncate(3), 0);
    stream.Close();
    EXPECT_EQ(ScratchFolder::ReadFile(path), "012");
}

TEST(RMemoryStream, ReadsAndWritesStayInsideTheBlock) {
    char block[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    RMemoryStream stream;
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_TRUE(stream.IsEof());
    EXPECT_FALSE(stream.SetBuffer(nullptr, 8));
    EXPECT_FALSE(stream.SetBuffer(block, -1));
    ASSERT_TRUE(stream.SetBuffer(block, 8));
    EXPECT_FALSE(stream.Open("x", "rb"));
    EXPECT_EQ(stream.Truncate(1), -1);

    char out[16] = {};
    EXPECT_EQ(stream.Read(out, 5), 5);
    EXPECT_EQ(stream.Read(out, 100), 3);
    EXPECT_EQ(stream.Read(out, 1), 0);
    EXPECT_TRUE(stream.IsEof());
    EXPECT_EQ(stream.Read(out, -4), 0);

    stream.Seek(RFileStream::kFromEnd, 2);  // size - offset
    EXPECT_EQ(stream.Tell(), 6);
    EXPECT_EQ(stream.Write("XYZW", 4), 2);
    EXPECT_EQ(std::string(block, 8), "abcdefXY");
    EXPECT_EQ(stream.Printf("%d", 12345), 0);
}

TEST(RMemoryStream, SeekClampsEveryTarget) {
    char block[10] = {};
    RMemoryStream stream;
    stream.SetBuffer(block, 10);
    EXPECT_EQ(stream.Seek(RFileStream::kFromEnd, 0), 10);
    EXPECT_TRUE(stream.IsEof());
    EXPECT_EQ(stream.Seek(RFileStream::kFromStart, -5), 0);
    EXPECT_EQ(stream.Seek(RFileStream::kFromStart, 50), 10);
    EXPECT_EQ(stream.Seek(RFileStream::kFromCurrent, LONG_MAX), 10);
    EXPECT_EQ(stream.Seek(RFileStream::kFromCurrent, LONG_MIN), 0);
    EXPECT_EQ(stream.Seek(RFileStream::kFromEnd, LONG_MIN), 10);
    EXPECT_EQ(stream.Seek(RFileStream::kFromEnd, LONG_MAX), 0);
    EXPECT_EQ(stream.Seek(RFileStream::kFromStart, 4), 4);
    EXPECT_EQ(stream.Seek(7, 3), 0);  // an unknown origin goes to the start
    EXPECT_EQ(stream.SeekTo(11), -1);
    EXPECT_EQ(stream.SeekTo(-1), -1);
    EXPECT_EQ(stream.Tell(), 0);
    EXPECT_EQ(stream.SeekTo(10), 0);
    EXPECT_EQ(stream.Tell(), 10);
}

TEST(RMemoryStream, IntegersAreReadWholeOrNotAtAll) {
    unsigned char block[7] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    RMemoryStream stream;
    stream.SetBuffer(block, 7);
    std::int32_t value = 0;
    EXPECT_EQ(stream.ReadInt32(value, true), 0x01020304);
    std::uint32_t rest = 99;
    EXPECT_EQ(stream.ReadInt32(rest, false), 0u);  // 3 bytes left
    EXPECT_EQ(stream.Tell(), 4);
    std::uint16_t half = 0;
    EXPECT_EQ(stream.ReadInt16(half, false), 0x0605);
    char byte = 0;
    EXPECT_EQ(stream.ReadByte(byte), 7);
    EXPECT_EQ(stream.ReadByte(byte), 0);
    EXPECT_EQ(stream.Tell(), 7);
}

TEST(RMemoryStream, GetsStopsAfterLineFeedsAndAtTheEnd) {
    char block[] = {'o', 'n', 'e', '\n', 't', 'w', 'o'};
    RMemoryStream stream;
    stream.SetBuffer(block, sizeof(block));
    char line[16];
    EXPECT_STREQ(stream.Gets(line, sizeof(line)), "one\n");
    char small[3];
    EXPECT_STREQ(stream.Gets(small, sizeof(small)), "tw");
    EXPECT_EQ(stream.Gets(line, 1), nullptr);
    EXPECT_STREQ(stream.Gets(line, sizeof(line)), "o");
    EXPECT_EQ(stream.Gets(line, sizeof(line)), nullptr);
    EXPECT_STREQ(line, "");
    stream.Close();
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.Read(line, 4), 0);
}
