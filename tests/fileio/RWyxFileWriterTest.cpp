// The field writer's rules, its error texts, the ASCII text it makes, failures of the disk,
// and the path helpers.

#include "core/FilePaths.h"
#include "fileio/RWyxFile.h"
#include "fileio/RImageBuffer.h"
#include "fileio/TiffImage.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/fileio/SystemCallCounter.h"
#include "tests/support/WyxFileTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

namespace {

class WriterTest : public ::testing::Test {
protected:
    ScratchFolder scratch_;
    std::string path_ = scratch_.Join("out.wyx");
};

struct MisuseCase {
    const char* label;
    void (*misuse)(RWyxFile&);
    const char* text;
};

TEST_F(WriterTest, MisuseSetsError10WithItsTextAndNothingIsPutInPlace) {
    const MisuseCase cases[] = {
        {"begin twice", [](RWyxFile& f) { f.FieldWriteBegin("A"); f.FieldWriteBegin("B"); },
         "Begin Field error last field not closed"},
        {"value without field", [](RWyxFile& f) { f.FieldWriteChar('x'); }, "Write field error : Field not opened"},
        {"null text", [](RWyxFile& f) { f.FieldWriteBegin("A"); f.FieldWriteString(static_cast<const char*>(nullptr)); },
         "Write field error : R_NULL value"},
        {"block without field", [](RWyxFile& f) { f.FieldWriteBlockBegin(); }, "Write field error : Field not opened"},
        {"value after block", [](RWyxFile& f) {
             f.FieldWriteBegin("A"); f.FieldWriteBlockBegin(); f.FieldWriteBlockEnd(); f.FieldWriteInt(1); },
         "Write field error : Field not opened"},
        {"block end with open child", [](RWyxFile& f) {
             f.FieldWriteBegin("A"); f.FieldWriteBlockBegin(); f.FieldWriteBegin("B"); f.FieldWriteBlockEnd(); },
         "End Block error last field not closed"},
        {"reserved name", [](RWyxFile& f) { f.FieldWriteBegin("#Header"); }, "Begin Field error : invalid field name"},
        {"name with colon", [](RWyxFile& f) { f.FieldWriteBegin("a:b"); }, "Begin Field error : invalid field name"},
        {"name read as a comment", [](RWyxFile& f) { f.FieldWriteBegin(";a"); },
         "Begin Field error : invalid field name"},
        {"end without field", [](RWyxFile& f) { f.FieldWriteEnd(); }, "End Field error : Field not opened"},
    };
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii}) {
        for (const MisuseCase& c : cases) {
            SCOPED_TRACE(std::string(FormName(form)) + ": " + c.label);
            RWyxFile file;
            ASSERT_TRUE(CreateInForm(file, path_, form));
            c.misuse(file);
            EXPECT_EQ(RWyxFile::kErrorField, file.GetLastErrorID());
            EXPECT_STREQ(c.text, file.GetLastErrorString());
            file.FieldWriteBegin("Later");  // sticky: the first error stays
            EXPECT_STREQ(c.text, file.GetLastErrorString());
            EXPECT_FALSE(file.Close());
            EXPECT_FALSE(platform::PathExists(path_.c_str()));
        }
    }
}

TEST_F(WriterTest, AsciiTextIsExactlyAsExpected) {
    RWyxFile file;
    ASSERT_TRUE(CreateInForm(file, path_, WyxForm::kAscii));
    file.FieldWriteComment("Object definitions");
    file.FieldWriteBegin("Definitions");
    file.FieldWriteBlockBegin();
    file.FieldWriteBegin("Version");
    file.FieldWriteInt(100);
    file.FieldWriteEnd();
    file.FieldWriteComment("two\nlines");
    file.FieldWriteBegin("Key");
    file.FieldWriteDouble(0.1);
    file.FieldWriteDouble(1e20);
    file.FieldWriteDouble(-1.0 / 3.0);
    file.FieldWriteChar('U');
    file.FieldWriteChar(',');
    file.FieldWriteLong(-9000000000LL);
    file.FieldWriteEnd();
    file.FieldWriteBegin("Name");
    file.FieldWriteString("say \"hi\" \\ there");
    file.FieldWriteEnd();
    file.FieldWriteBegin("Empty");
    file.FieldWriteBlockBegin();
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
    file.FieldWriteBlockEnd();
    file.FieldWriteEnd();
    file.FieldWriteComment("");
    ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
    EXPECT_EQ(";WYX ASCII 6000\n"
              "; Object definitions\n"
              "Definitions: {\n"
              "\tVersion: 100\n"
              "\t; two\n"
              "\t; lines\n"
              "\tKey: 0.1,1e+20,-0.333333333333333,U,\",\",-9000000000\n"
              "\tName: \"say \\\"hi\\\" \\\\ there\"\n"
              "\tEmpty: {\n"
              "\t}\n"
              "}\n"
              ";\n"
              ";WYX END\n",
              ScratchFolder::ReadFile(path_));
}

TEST_F(WriterTest, CloseCompletesOpenFieldsAndBinaryIgnoresComments) {
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, WyxForm::kBinary));
        file.FieldWriteComment("ignored");
        file.FieldWriteBegin("Outer");
        file.FieldWriteBlockBegin();
        file.FieldWriteBegin("Inner");
        file.FieldWriteInt(5);
        // No ends: Close finishes them.
        ASSERT_TRUE(file.Close());
        EXPECT_FALSE(file.Close());
        EXPECT_EQ(RWyxFile::kErrorNotOpened, file.GetLastErrorID());
    }
    RWyxFile file;
    ASSERT_TRUE(file.Open(path_.c_str()));
    ASSERT_TRUE(file.FieldReadBegin("Outer"));
    ASSERT_TRUE(file.FieldReadBlockBegin());
    EXPECT_EQ(5, file.FieldReadIntByName("Inner", 0));
}

TEST_F(WriterTest, CreateAndOpenFailuresAreReported) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = 6000;
    const std::string missing = scratch_.Join("missing/x.wyx");
    EXPECT_FALSE(file.Create(missing.c_str(), true, false, info));
    EXPECT_EQ(RWyxFile::kErrorNotCreated, file.GetLastErrorID());
    // The file as given, then the system's reason.
    EXPECT_EQ("File not created: \"" + missing + "\": No such file or directory", file.GetLastErrorString());
    // A folder cannot become the file: refused at once, not at Close.
    for (const bool binary : {true, false}) {
        EXPECT_FALSE(file.Create(scratch_.Path().c_str(), binary, false, info));
        EXPECT_EQ(RWyxFile::kErrorNotCreated, file.GetLastErrorID());
        EXPECT_EQ("File not created: \"" + scratch_.Path() + "\": Is a directory", file.GetLastErrorString());
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_TRUE(platform::IsDirectory(scratch_.Path().c_str()));
    info.fileVersion = 0;
    EXPECT_FALSE(file.Create(path_.c_str(), true, false, info));
    // No call of the system failed: the file alone.
    EXPECT_EQ("File not created: \"" + path_ + "\"", file.GetLastErrorString());
    EXPECT_FALSE(file.Create("", true, false, info));
    EXPECT_STREQ("File not created", file.GetLastErrorString());
    EXPECT_FALSE(file.Open(scratch_.Join("none.wyx").c_str()));
    EXPECT_EQ(RWyxFile::kErrorNotOpened, file.GetLastErrorID());
    EXPECT_FALSE(file.Open(scratch_.WriteFile("text.wyx", "hello").c_str()));
    EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
    EXPECT_STREQ("File is corrupted", file.GetLastErrorString());
    EXPECT_FALSE(file.Open(scratch_.WriteFile("new.wyx", ";WYX ASCII 7000\n;WYX END\n").c_str()));
    EXPECT_EQ(RWyxFile::kErrorVersionTooNew, file.GetLastErrorID());
    EXPECT_FALSE(file.Close());
}

TEST_F(WriterTest, NestingIsLimitedToWhatReadersAccept) {
    RWyxFile file;
    ASSERT_TRUE(CreateInForm(file, path_, WyxForm::kBinary));
    for (int i = 0; i < RWyxRecordIndex::kMaxDepth; ++i) {
        file.FieldWriteBegin("N");
        file.FieldWriteBlockBegin();
    }
    EXPECT_EQ(RWyxFile::kErrorField, file.GetLastErrorID());
    EXPECT_STREQ("Begin Block error : blocks nested too deeply", file.GetLastErrorString());
    EXPECT_FALSE(file.Close());

    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii}) {
        RWyxFile deep;
        ASSERT_TRUE(CreateInForm(deep, path_, form));
        for (int i = 0; i + 1 < RWyxRecordIndex::kMaxDepth; ++i) {
            deep.FieldWriteBegin("N");
            deep.FieldWriteBlockBegin();
        }
        ASSERT_TRUE(deep.Close());
        ASSERT_TRUE(deep.Open(path_.c_str())) << FormName(form);
        int levels = 1;
        while (deep.FieldReadBegin("N") && deep.FieldReadBlockBegin()) {
            ++levels;
        }
        EXPECT_EQ(RWyxRecordIndex::kMaxDepth, levels);
    }
}

TEST_F(WriterTest, AFailedWriteIsKeptAsSoonAsItHappens) {
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii}) {
        SCOPED_TRACE(FormName(form));
        scratch_.WriteFile("out.wyx", "old content");
        std::uint64_t fields = 0;
        int error = -1;
        bool closed = true;
        {
            const FileSizeLimit limit(200000);
            RWyxFile file;
            const bool created = CreateInForm(file, path_, form);
            // Each field takes about 20 bytes; the write buffer goes out once 1 MiB is full.
            while (created && fields < 400000 && file.GetLastErrorID() == -1) {
                file.FieldWriteBegin("N");
                file.FieldWriteInt(static_cast<std::int32_t>(fields++));
                file.FieldWriteEnd();
            }
            error = file.GetLastErrorID();
            file.FieldWriteBegin("After");  // nothing more is done
            EXPECT_EQ(error, file.GetLastErrorID());
            closed = file.Close();
        }
        EXPECT_EQ(RWyxFile::kErrorWrite, error);
        EXPECT_LT(fields, 150000u);
        EXPECT_FALSE(closed);
        EXPECT_EQ("old content", ScratchFolder::ReadFile(path_));
    }
}

int FieldCount(const std::string& path) {
    RWyxFile file;
    return file.Open(path.c_str()) ? file.FieldGetCount() : -1;
}

TEST_F(WriterTest, OnlyACompletedWriteReplacesTheFile) {
    {
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, WyxForm::kBinary));
        for (int i = 0; i < 1000; ++i) {
            file.FieldWriteBegin("F");
            file.FieldWriteInt(i);
            file.FieldWriteEnd();
        }
        ASSERT_TRUE(file.Close());
    }
    // A writer that stops on its own failure abandons the file or just lets it go; opening
    // another file meanwhile abandons it too.
    const struct {
        const char* label;
        void (*stop)(RWyxFile&, const std::string&);
    } stops[] = {
        {"abandoned", [](RWyxFile& f, const std::string&) { f.Abandon(); }},
        {"destroyed", [](RWyxFile&, const std::string&) {}},
        {"reopened", [](RWyxFile& f, const std::string& p) { EXPECT_TRUE(f.Open(p.c_str())); }},
    };
    for (const auto& stop : stops) {
        for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii}) {
            SCOPED_TRACE(std::string(stop.label) + " " + FormName(form));
            {
                RWyxFile file;
                ASSERT_TRUE(CreateInForm(file, path_, form));
                file.FieldWriteBegin("Only");
                file.FieldWriteEnd();
                stop.stop(file, path_);
            }
            EXPECT_EQ(1000, FieldCount(path_));
            EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(scratch_.Path()),
                                       std::filesystem::directory_iterator()));
        }
    }
}

TEST_F(WriterTest, VersionsAndNameLengthsAreCheckedAtTheirBounds) {
    const std::string longest(RWyxFile::kMaxNameLength, 'n');
    for (const WyxForm form : {WyxForm::kBinary, WyxForm::kAscii}) {
        SCOPED_TRACE(FormName(form));
        RWyxFile file;
        ASSERT_TRUE(CreateInForm(file, path_, form, RWyxFile::kMaxFileVersion));
        file.FieldWriteBegin(longest.c_str());
        file.FieldWriteEnd();
        ASSERT_TRUE(file.Close()) << file.GetLastErrorString();
        ASSERT_TRUE(file.Open(path_.c_str()));
        EXPECT_EQ(RWyxFile::kMaxFileVersion, file.GetFileVersion());
        EXPECT_EQ(RString(longest.c_str()), file.FieldGetName(0));
        EXPECT_TRUE(file.Close());

        EXPECT_FALSE(CreateInForm(file, path_, form, RWyxFile::kMaxFileVersion + 1));
        EXPECT_EQ(RWyxFile::kErrorNotCreated, file.GetLastErrorID());
        ASSERT_TRUE(CreateInForm(file, path_, form));
        file.FieldWriteBegin((longest + "n").c_str());
        EXPECT_STREQ("Begin Field error : invalid field name", file.GetLastErrorString());
        EXPECT_FALSE(file.Close());
    }
    // Read back: one version too new; a name one byte too long (only the ASCII form can
    // hold one).
    std::string binary = ScratchFolder::ReadFile(path_);
    RWyxFile file;
    const std::string ascii[] = {";WYX ASCII 7000\nA: 1\n;WYX END\n", ";WYX ASCII 6999\n" + longest + "n: 1\n;WYX END\n"};
    EXPECT_FALSE(file.OpenFromMemory(ascii[0].data(), ascii[0].size()));
    EXPECT_EQ(RWyxFile::kErrorVersionTooNew, file.GetLastErrorID());
    EXPECT_FALSE(file.OpenFromMemory(ascii[1].data(), ascii[1].size()));
    EXPECT_EQ(RWyxFile::kErrorCorrupted, file.GetLastErrorID());
    {
        RWyxFile writer;
        ASSERT_TRUE(CreateInForm(writer, path_, WyxForm::kBinary, RWyxFile::kMaxFileVersion));
        ASSERT_TRUE(writer.Close());
        binary = ScratchFolder::ReadFile(path_);
    }
    binary[8] = static_cast<char>((RWyxFile::kMaxFileVersion + 1) & 0xff);
    EXPECT_FALSE(file.OpenFromMemory(binary.data(), binary.size()));
    EXPECT_EQ(RWyxFile::kErrorVersionTooNew, file.GetLastErrorID());
}

TEST_F(WriterTest, WritesSyncFileAndFolderAndLeaveTheUmaskAlone) {
    RImageBuffer image;
    ASSERT_TRUE(image.Init(4, 4, true, RImageBuffer::kType8Bit, 3));
    const struct {
        const char* label;
        bool (*write)(const std::string&, const RImageBuffer&);
    } writes[] = {
        {"binary", [](const std::string& p, const RImageBuffer&) {
             RWyxFile f;
             return CreateInForm(f, p, WyxForm::kBinary) && f.Close();
         }},
        {"ascii", [](const std::string& p, const RImageBuffer&) {
             RWyxFile f;
             return CreateInForm(f, p, WyxForm::kAscii) && f.Close();
         }},
        {"tiff", [](const std::string& p, const RImageBuffer& i) { return WriteImageAsTiff(p.c_str(), true, i); }},
    };
    for (const auto& write : writes) {
        for (const bool replacing : {false, true}) {
            SCOPED_TRACE(std::string(write.label) + (replacing ? ", replacing" : ", new"));
            const std::string path = scratch_.Join(write.label);
            const SystemCallCounts before = CountedSystemCalls();
            ASSERT_TRUE(write.write(path, image));
            const SystemCallCounts after = CountedSystemCalls();
            EXPECT_GE(after.fileSyncs - before.fileSyncs, 1);
            EXPECT_GE(after.folderSyncs - before.folderSyncs, 1);
            EXPECT_EQ(after.umaskCalls, before.umaskCalls);
            EXPECT_EQ(after.chmodCalls, before.chmodCalls);
        }
    }
}

TEST(RWyxFilePathTest, PathsAreJoinedToAndMadeRelativeToTheFileFolder) {
    RWyxFile fresh;
    EXPECT_STREQ("\\tex\\wood.png", fresh.GetFullPath("tex/wood.png"));
    EXPECT_STREQ("\\abs\\wood.png", fresh.GetFullPath("/abs/./x/../wood.png"));
    EXPECT_STREQ("", fresh.GetFullPath(nullptr));
    EXPECT_STREQ("abs/wood.png", fresh.GetRelativePath("/abs/wood.png"));
    EXPECT_STREQ("", fresh.GetRelativePath(nullptr));

    ScratchFolder scratch;
    RWyxFile file;
    ASSERT_TRUE(CreateInForm(file, scratch.Join("scene.wyx"), WyxForm::kBinary));
    const std::string folder = scratch.Path();
    const RString full = file.GetFullPath("media/a.png");
    RString expected;
    NormalizePath(expected, (folder + "/media/a.png").c_str());
    EXPECT_EQ(expected, full);
    EXPECT_STREQ("media/a.png", file.GetRelativePath((folder + "/media/a.png").c_str()));
    EXPECT_STREQ("media/a.png", file.GetRelativePath("media/a.png"));
    EXPECT_STREQ("../b.png", file.GetRelativePath((folder + "/../b.png").c_str()));
}

}  // namespace
