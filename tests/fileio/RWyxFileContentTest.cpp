// Embedding files as raw values.

#include "fileio/RWyxFile.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(count, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(generator());
    }
    return bytes;
}

TEST(RWyxFileContentTest, SeveralMegabytesGoInPiecesAndComeBackWhole) {
    ScratchFolder scratch;
    const std::string content = RandomBytes(3 * RWyxFile::kContentPieceSize + 12345, 7);
    const std::string source = scratch.WriteFile("texture.tif", content);
    const std::string other = scratch.WriteFile("other.tif", "tiny");
    const std::string path = scratch.Join("media.wyx");
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kEncrypted}) {
        SCOPED_TRACE(FormName(form));
        {
            RWyxFile file;
            ASSERT_TRUE(CreateInForm(file, path, form));
            file.FieldWriteBegin("Content");
            EXPECT_TRUE(file.FieldWriteFileContent(source.c_str(), nullptr));
            file.FieldWriteEnd();
            // The same file again: not copied a second time.
            file.FieldWriteBegin("Content");
            EXPECT_TRUE(file.FieldWriteFileContent((scratch.Path() + "/./texture.tif").c_str(), nullptr));
            file.FieldWriteEnd();
            // A missing path falls back to the alternative, relative to the WYX file's folder.
            file.FieldWriteBegin("Content");
            EXPECT_TRUE(file.FieldWriteFileContent("/no/such/file.tif", "other.tif"));
            EXPECT_FALSE(file.FieldWriteFileContent("/no/such/file.tif", "missing.tif"));
            file.FieldWriteEnd();
            ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
        }
        EXPECT_LT(ScratchFolder::ReadFile(path).size(), content.size() + 1000);
        RWyxFile file;
        ASSERT_TRUE(file.Open(path.c_str()));
        ASSERT_TRUE(file.FieldReadBegin("Content"));
        EXPECT_EQ('R', file.FieldReadValueType());
        const char* bytes = nullptr;
        std::uint32_t size = 0;
        ASSERT_TRUE(file.FieldReadRaw(bytes, size));
        ASSERT_EQ(content.size(), size);
        EXPECT_TRUE(std::equal(content.begin(), content.end(), bytes));
        ASSERT_TRUE(file.FieldReadBegin("Content"));
        EXPECT_EQ(0, file.FieldReadValuesLeft());
        ASSERT_TRUE(file.FieldReadBegin("Content"));
        EXPECT_EQ(RString("tiny"), file.FieldReadString());
        EXPECT_TRUE(file.Close());
    }
}

TEST(RWyxFileContentTest, AsciiFormAndClosedFieldsRefuseContent) {
    ScratchFolder scratch;
    const std::string source = scratch.WriteFile("a.bin", "abc");
    RWyxFile ascii;
    ASSERT_TRUE(CreateInForm(ascii, scratch.Join("a.wyx"), WyxForm::kAscii));
    ascii.FieldWriteBegin("Content");
    EXPECT_FALSE(ascii.FieldWriteFileContent(source.c_str(), nullptr));
    ascii.FieldWriteEnd();
    EXPECT_TRUE(ascii.Close());

    RWyxFile binary;
    ASSERT_TRUE(CreateInForm(binary, scratch.Join("b.wyx"), WyxForm::kBinary));
    EXPECT_FALSE(binary.FieldWriteFileContent(source.c_str(), nullptr));
    EXPECT_STREQ("Write field error : Field not opened", binary.GetLastErrorString());
    EXPECT_FALSE(binary.Close());

    RWyxFile reader;
    ASSERT_TRUE(reader.Open(scratch.Join("a.wyx").c_str()));
    ASSERT_TRUE(reader.FieldReadBegin("Content"));
    const char* bytes = nullptr;
    std::uint32_t size = 0;
    EXPECT_FALSE(reader.FieldReadRaw(bytes, size));
}

// A large file's bytes start on a large page's boundary, whether read from disk or from
// memory, so that all of them can be backed by large pages.
TEST(RWyxFileContentTest, LargeFileBytesStartOnALargePage) {
    ScratchFolder scratch;
    const std::string source =
        scratch.WriteFile("large.bin", RandomBytes(static_cast<std::size_t>(RWyxFile::kLargeFileBytes) + 4321, 5));
    const std::string path = scratch.Join("large.wyx");
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path, WyxForm::kBinary));
        file.FieldWriteBegin("Content");
        ASSERT_TRUE(file.FieldWriteFileContent(source.c_str(), nullptr));
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close());
    }
    const std::string stored = ScratchFolder::ReadFile(path);
    for (const bool fromMemory : {false, true}) {
        SCOPED_TRACE(fromMemory ? "from memory" : "from disk");
        RWyxFile file;
        ASSERT_TRUE(fromMemory ? file.OpenFromMemory(stored.data(), stored.size()) : file.Open(path.c_str()));
        const RWyxRecord* records = nullptr;
        std::uint32_t count = 0;
        const char* bytes = nullptr;
        ASSERT_TRUE(file.FieldPeekBinaryLevel(records, count, bytes));
        EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(bytes) % RWyxFile::kLargeFileBytes);
    }
}

// Files from the size prepared for their copy on: read from disk and from memory, every byte
// of the content comes back, in each form, and a truncated copy is still refused.
TEST(RWyxFileContentTest, LargeFilesReadWholeFromDiskAndFromMemory) {
    ScratchFolder scratch;
    const std::string content = RandomBytes(static_cast<std::size_t>(RWyxFile::kLargeFileBytes) + 4321, 11);
    const std::string source = scratch.WriteFile("large.bin", content);
    const std::string path = scratch.Join("large.wyx");
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kEncrypted}) {
        SCOPED_TRACE(FormName(form));
        {
            RWyxFile file;
            ASSERT_TRUE(CreateInForm(file, path, form));
            file.FieldWriteBegin("Content");
            ASSERT_TRUE(file.FieldWriteFileContent(source.c_str(), nullptr));
            file.FieldWriteEnd();
            ASSERT_TRUE(file.Close());
        }
        const std::string stored = ScratchFolder::ReadFile(path);
        ASSERT_GT(stored.size(), RWyxFile::kLargeFileBytes);
        for (const bool fromMemory : {false, true}) {
            SCOPED_TRACE(fromMemory ? "from memory" : "from disk");
            RWyxFile file;
            ASSERT_TRUE(fromMemory ? file.OpenFromMemory(stored.data(), stored.size()) : file.Open(path.c_str()));
            ASSERT_TRUE(file.FieldReadBegin("Content"));
            const char* bytes = nullptr;
            std::uint32_t size = 0;
            ASSERT_TRUE(file.FieldReadRaw(bytes, size));
            ASSERT_EQ(content.size(), size);
            EXPECT_TRUE(std::equal(content.begin(), content.end(), bytes));
        }
        RWyxFile truncated;
        EXPECT_FALSE(truncated.OpenFromMemory(stored.data(), stored.size() - 1));
    }
}

}  // namespace
