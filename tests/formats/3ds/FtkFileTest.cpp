#include "formats/3ds/toolkit/FtkChunk.h"
#include "tests/formats/3ds/FtkToolkitTest.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ftk_test;

namespace {

using FtkFileTest = FtkToolkitTest;

int CountFiles(const std::string& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        ++count;
    }
    return count;
}

TEST_F(FtkFileTest, ErrorListKeepsNineteenThenOverflowsIntoNErrors) {
    FtkSetError(NO_FTK_ERRORS);
    EXPECT_FALSE(ftkErrorPending);
    for (int i = 1; i <= 19; ++i) FtkSetError(i);
    EXPECT_TRUE(ftkErrorPending);
    EXPECT_EQ(FtkErrorList()[kFtkOverflowEntry].code, 0);
    FtkSetError(ERR_NO_MEM);  // the 20th goes into the overflow entry
    EXPECT_EQ(FtkErrorList()[kFtkOverflowEntry].code, ERR_NO_MEM);
    FtkSetError(ERR_INVALID_ARG);
    FtkSetError(ERR_INVALID_DATA);
    EXPECT_EQ(FtkErrorList()[kFtkOverflowEntry].code, N_ERRORS);
    EXPECT_STREQ(FtkErrorList()[kFtkOverflowEntry].message, "N_ERRORS: More errors were reported then could be recorded.");
    for (int i = 0; i < 19; ++i) EXPECT_EQ(FtkErrorList()[i].code, i + 1);
    EXPECT_EQ(FtkErrorList()[kFtkErrorEntries].code, 0);

    EXPECT_STREQ(FtkErrorMessage(20), "Unknown error code was encountered");
    EXPECT_STREQ(FtkErrorMessage(-1), "Unknown error code was encountered");
    EXPECT_STREQ(FtkErrorMessage(ERR_TOO_MANY_FILES),
                 "ERR_TOO_MANY_FILES: The toolkit has reached its maximum open file limit of 252 files.");
    FtkClearErrors();
    EXPECT_FALSE(ftkErrorPending);
    EXPECT_EQ(FtkErrorList()[0].code, 0);
}

TEST_F(FtkFileTest, PendingErrorRefusesOpensUntilCleared) {
    ScratchFolder folder;
    const std::string path = folder.WriteFile("a.3ds", "abc");
    FtkSetError(ERR_READING_FILE);
    EXPECT_EQ(FtkOpenFile(path.c_str(), "rb"), nullptr);
    EXPECT_TRUE(FtkHasErrorCode(ERR_INIT_FAILED));
    // One failed file does not stop every later one: the caller clears the list.
    FtkClearErrors();
    EXPECT_NE(FtkOpenFile(path.c_str(), "rb"), nullptr);
}

TEST_F(FtkFileTest, OpenByModeTextAndName) {
    ScratchFolder folder;
    const std::string path = folder.WriteFile("a.3ds", "abc");
    FtkFile* first = FtkOpenFile(path.c_str(), "rb");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(FtkOpenFile(path.c_str(), "read"), first);  // same name, same mode: same record
    EXPECT_EQ(FtkFileTableHighWater(), 1);
    EXPECT_EQ(first->mode, kFtkModeRead);
    EXPECT_EQ(FtkFindFileByName(path.c_str()), first);

    FtkFile* writer = FtkOpenFile(folder.Join("b.3ds").c_str(), "wr");
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->mode, kFtkModeWrite);
    EXPECT_EQ(writer->bufferSize, kFtkBufferSize);

    EXPECT_EQ(FtkOpenFile(path.c_str(), std::string(31, 'x').c_str()), nullptr);
    EXPECT_TRUE(FtkHasErrorCode(ERR_STRING_TOO_LONG));
    FtkClearErrors();
    EXPECT_EQ(FtkOpenFile(path.c_str(), "a"), nullptr);
    EXPECT_TRUE(FtkHasErrorCode(ERR_INIT_FAILED));
    FtkClearErrors();
    EXPECT_EQ(FtkOpenFile(folder.Join("missing").c_str(), "rb"), nullptr);
    EXPECT_TRUE(FtkHasErrorCode(ERR_OPENING_FILE));
}

TEST_F(FtkFileTest, TheTableHoldsTwoHundredFiftyTwoFiles) {
    const unsigned char byte = 0;
    for (int i = 0; i < kFtkMaxFiles; ++i) ASSERT_NE(FtkOpenMemoryFile(&byte, 1), nullptr) << i;
    EXPECT_EQ(FtkOpenMemoryFile(&byte, 1), nullptr);
    EXPECT_TRUE(FtkHasErrorCode(ERR_TOO_MANY_FILES));
    // A closed slot is taken again.
    FtkCloseFile(FtkGetFileByIndex(7));
    FtkClearErrors();
    FtkFile* again = FtkOpenMemoryFile(&byte, 1);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->slot, 7);
}

TEST_F(FtkFileTest, WritingANameOpenForReadingMovesTheReaderAside) {
    ScratchFolder folder;
    const std::string path = folder.WriteFile("scene.3ds", "0123456789");
    FtkFile* reader = FtkOpenFile(path.c_str(), "rb");
    ASSERT_NE(reader, nullptr);
    FtkSelectFile(reader);
    EXPECT_EQ(FtkReadByte(), '0');
    EXPECT_EQ(FtkReadByte(), '1');

    FtkFile* writer = FtkOpenFile(path.c_str(), "wb");
    ASSERT_NE(writer, nullptr) << ErrorCodes();
    EXPECT_TRUE(reader->temporary);
    EXPECT_NE(reader->name, path);
    FtkSelectFile(writer);
    FtkWriteString("new");
    FtkSelectFile(reader);
    EXPECT_EQ(FtkReadByte(), '2');  // the old contents, at the old position
    EXPECT_EQ(CountFiles(folder.Path()), 2);
    FtkCloseFile(reader);
    FtkCloseFile(writer);
    EXPECT_EQ(CountFiles(folder.Path()), 1);
    EXPECT_EQ(ScratchFolder::ReadFile(path), std::string("new", 4));
    EXPECT_FALSE(ftkErrorPending) << ErrorCodes();
}

TEST_F(FtkFileTest, MovingAsideWorksForPathsOfAnyLength) {
    ScratchFolder folder;
    std::string deep = folder.Path();
    for (int level = 0; level < 3; ++level) {
        deep += "/" + std::string(200, static_cast<char>('a' + level));
        std::filesystem::create_directory(deep);
    }
    ASSERT_GT(deep.size(), 600u);
    const std::string path = deep + "/scene.3ds";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fputs("xy", file);
        std::fclose(file);
    }
    FtkFile* reader = FtkOpenFile(path.c_str(), "rb");
    ASSERT_NE(reader, nullptr);
    ASSERT_NE(FtkOpenFile(path.c_str(), "wb"), nullptr) << ErrorCodes();
    EXPECT_EQ(reader->name.substr(0, deep.size()), deep);
    FtkSelectFile(reader);
    EXPECT_EQ(FtkReadByte(), 'x');
}

TEST_F(FtkFileTest, CloseAllClosesEveryFileEvenAfterAnError) {
    const unsigned char byte = 1;
    FtkOpenMemoryFile(&byte, 1);
    FtkOpenMemoryFile(&byte, 1);
    FtkSetError(ERR_READING_FILE);
    FtkCloseAllFiles();
    EXPECT_EQ(FtkFileTableHighWater(), 0);
    EXPECT_EQ(FtkGetFileByIndex(0), nullptr);
}

TEST_F(FtkFileTest, PrimitivesReadAndWriteLittleEndianForms) {
    FtkFile* file = FtkCreateMemoryFile();
    FtkSelectFile(file);
    FtkWriteWord(0x1234);
    FtkWriteDword(0xA1B2C3D4);
    FtkWriteFixedString("abc", 11);
    FtkWriteFixedString("abcdefghijkl", 11);  // too long: written whole, no zero
    FtkKeyHeader key;
    key.time = 9;
    key.rflags = kFtkKeyTension | kFtkKeyBias;
    key.tension = 0.5f;
    key.continuity = 7.0f;  // its bit is clear: not written
    key.bias = -1.0f;
    const std::uint32_t before = FtkTell();
    FtkWriteKeyHeader(key);
    EXPECT_EQ(FtkTell() - before, 14u);
    const Bytes& bytes = FtkMemoryFileContents(file);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), Cat({U16(0x1234), U32(0xA1B2C3D4)}));
    EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 17), Cat({Str("abc"), Bytes(7, 0)}));
    EXPECT_EQ(std::string(bytes.begin() + 17, bytes.begin() + 29), "abcdefghijkl");

    FtkFile* reader = FtkOpenMemoryFile(bytes.data(), bytes.size());
    FtkSelectFile(reader);
    EXPECT_EQ(FtkReadWord(), 0x1234);
    EXPECT_EQ(FtkReadDword(), 0xA1B2C3D4u);
    char field[11];
    EXPECT_TRUE(FtkReadFixedString(field, 11));
    EXPECT_STREQ(field, "abc");
    char name[11];
    EXPECT_FALSE(FtkReadString(name, 11));  // eleven bytes without a zero
    EXPECT_TRUE(FtkHasErrorCode(ERR_READING_FILE));
    FtkClearErrors();
    FtkSeek(29);
    const FtkKeyHeader read = FtkReadKeyHeader();
    EXPECT_EQ(read.time, 9u);
    EXPECT_EQ(read.tension, 0.5f);
    EXPECT_EQ(read.continuity, 0.0f);
    EXPECT_EQ(read.bias, -1.0f);
    EXPECT_FALSE(ftkErrorPending);
    EXPECT_EQ(FtkReadDword(), 0u);  // past the end
    EXPECT_TRUE(FtkHasErrorCode(ERR_READING_FILE));
}

TEST_F(FtkFileTest, ChunkDataIsNeverReadFromALaterFileInTheSameSlot) {
    const Bytes first = Chunk(0x4D4D, {}, {Chunk(0x1234, Str("first"))});
    const Bytes second = Chunk(0x4D4D, {}, {Chunk(0x1234, Str("other"))});
    std::unique_ptr<FtkDatabase> database = Load(first);
    FtkChunk* chunk = database->topchunk->children.get();
    ASSERT_NE(chunk, nullptr);
    const int slot = chunk->sourceSlot;
    FtkCloseFile(FtkGetFileByIndex(slot));
    FtkFile* later = FtkOpenMemoryFile(second.data(), second.size());
    ASSERT_EQ(later->slot, slot);
    EXPECT_EQ(FtkReadChunkData(chunk), nullptr);
    EXPECT_TRUE(FtkHasErrorCode(ERR_READING_FILE));
}

}  // namespace
