#include "tests/fileio/FrontEndTestSupport.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using frontend_test::ProbeTest;
using Importer = RWyxFileImporter;
using IO = RWyxIO;
using ImporterTest = ProbeTest;

TEST_F(ImporterTest, FormatsAreToldByExtensionInAnyCaseAndWyxFormsByTheHeader) {
    struct Case {
        std::string path;
        int formatId;
        const char* reader;
    };
    const Case cases[] = {
        {File("walk.bvh"), Importer::kFormatBvh, ""},
        {File("WALK.BVH"), Importer::kFormatBvh, ""},
        {File("Walk.Bvh"), Importer::kFormatBvh, ""},
        {WyxFile("a.wyx", WyxForm::kAscii), Importer::kFormatWyxAscii, "new reader form 0"},
        {WyxFile("b.WYX", WyxForm::kBinary), Importer::kFormatWyxBinary, "new reader form 1"},
        {WyxFile("c.Wyx", WyxForm::kEncrypted), Importer::kFormatWyxEncrypted, "new reader form 2"},
        // The header decides, whatever the content after it.
        {File("e.wyx", ";WYX ASCII 6000\nnothing more"), Importer::kFormatWyxAscii, "new reader form 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Importer* importer = NewImporter();
        EXPECT_TRUE(importer->Initialize(c.path.c_str()));
        EXPECT_EQ(importer->GetFormatId(), c.formatId);
        EXPECT_EQ(importer->GetFileName(), c.path.c_str());
        // Only a format with a header makes its reader at once, to read the header.
        const std::string expected = *c.reader == '\0' ? "" : std::string(c.reader) + ", FileOpen " + c.path + ", ReadHeader";
        EXPECT_EQ(Calls(), expected);
        EXPECT_EQ(importer->GetLastErrorCode(), -1);
    }
}

TEST_F(ImporterTest, BadInputIsRefusedWithItsErrorAndNothingMade) {
    ::mkdir(scratch_.Join("takes.bvh").c_str(), 0700);
    const std::string binary = ScratchFolder::ReadFile(WyxFile("whole.wyx", WyxForm::kBinary));
    const std::string encrypted = ScratchFolder::ReadFile(WyxFile("sealed.wyx", WyxForm::kEncrypted));
    struct Case {
        std::string path;
        int code;
        const char* textHolds;
    };
    const Case cases[] = {
        {"", IO::kErrorFileNameNotSet, "File name not set"},
        {File("noextension"), IO::kErrorUnknownFormat, "has no extension"},
        {File("trailing.dot."), IO::kErrorUnknownFormat, "has no extension"},
        {File("motion.xyz"), IO::kErrorUnknownFormat, "\"xyz\""},
        {File("folder.bvh/inside"), IO::kErrorUnknownFormat, "has no extension"},
        {scratch_.Join("takes.bvh"), IO::kErrorNotOpened, "is a folder"},
        {scratch_.Join("missing.bvh"), IO::kErrorNotOpened, "Cannot open"},
        {scratch_.Join("missing.wyx"), IO::kErrorNotOpened, "Cannot open"},
        {File("text.wyx", "a text file"), IO::kErrorUnknownFormat, "WYX header"},
        {File("empty.wyx", ""), IO::kErrorUnknownFormat, "WYX header"},
        {File("short.wyx", binary.substr(0, 12)), IO::kErrorUnknownFormat, "WYX header"},
        {File("form.wyx", binary.substr(0, 12) + '\x02' + binary.substr(13)), IO::kErrorUnknownFormat, "WYX header"},
        {File("sealed.wy2", encrypted), IO::kErrorUnknownFormat, "WY2 header"},
        {File("shape.obj"), IO::kErrorUnsupportedFormat, "Reading OBJ files is not supported yet"},
    };
    const int nodesBefore = factory_.GetNodeCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Importer* importer = NewImporter();
        EXPECT_FALSE(importer->Initialize(c.path.c_str()));
        EXPECT_EQ(importer->GetLastErrorCode(), c.code);
        EXPECT_NE(std::string(importer->GetLastErrorString()).find(c.textHolds), std::string::npos)
            << importer->GetLastErrorString();
        // Every later operation fails alike, before any reader is made.
        EXPECT_FALSE(importer->Import(scene_, nullptr));
        EXPECT_EQ(importer->GetLastErrorCode(), c.code);
        EXPECT_EQ(importer->GetReadOptions(), nullptr);
        EXPECT_EQ(importer->GetTakeCount(), 0);
        EXPECT_EQ(Calls(), "");
        EXPECT_EQ(importer->GetReader(), nullptr);
    }
    EXPECT_EQ(factory_.GetNodeCount(), nodesBefore);
    EXPECT_EQ(scene_->GetRootNode()->GetChildCount(), 0);
}

TEST_F(ImporterTest, AFileThatDoesNotOpenForReadingIsNotOpened) {
    // A socket is no folder, yet it opens for nobody.
    const std::string socketPath = scratch_.Join("live.bvh");
    const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    Importer* importer = NewImporter();
    EXPECT_FALSE(importer->Initialize(socketPath.c_str()));
    EXPECT_EQ(importer->GetLastErrorCode(), IO::kErrorNotOpened);
    ::close(socket);

    const std::string path = File("locked.bvh");
    ::chmod(path.c_str(), 0);
    if (::access(path.c_str(), R_OK) == 0) {
        GTEST_SKIP() << "this user reads files without read permission";
    }
    EXPECT_FALSE(importer->Initialize(path.c_str()));
    EXPECT_EQ(importer->GetLastErrorCode(), IO::kErrorNotOpened);
    EXPECT_EQ(Calls(), "");
}

TEST_F(ImporterTest, AReaderIsOpenedOnceAskedForOptionsReadAndKeptUntilTheNextFile) {
    const std::string path = File("walk.bvh");
    Importer* importer = NewImporter();
    ASSERT_TRUE(importer->Initialize(path.c_str()));
    RStreamOptionsPtr options = importer->GetReadOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(Calls(), "new reader form 0, FileOpen " + path + ", GetReadOptions");

    EXPECT_TRUE(importer->Import(scene_, options.get()));
    EXPECT_EQ(probe_.lastOptions, options.get()) << "the caller's options reach the reader as they are";
    EXPECT_STREQ(importer->GetMessageText().Buffer(), "reader warning");
    EXPECT_TRUE(importer->Import(scene_, options.get()));
    EXPECT_STREQ(importer->GetMessageText().Buffer(), "reader warningreader warning") << "a copy each time";
    EXPECT_EQ(Calls(), "Read, Read") << "the reader stays open and is never closed by the importer";

    EXPECT_TRUE(importer->Initialize(File("other.bvh").c_str()));
    EXPECT_EQ(Calls(), "~reader");
    EXPECT_EQ(importer->GetReader(), nullptr);
    EXPECT_TRUE(importer->GetMessageText().IsEmptyText());
    factory_.DestroyFileImporter(importer);
    EXPECT_EQ(Calls(), "");
}

TEST_F(ImporterTest, OpenFailuresKeepTheReadersCodesZeroToThreeAndMakeTheOthersSeven) {
    const std::string path = File("walk.bvh");
    const int expected[] = {0, 1, 2, 3, 7, 7, 7, 7, 7};
    for (int code = 0; code <= 8; ++code) {
        SCOPED_TRACE(code);
        probe_.open = {false, code, "open failed " + std::to_string(code)};
        Importer* importer = NewImporter(path);
        EXPECT_FALSE(importer->Import(scene_, nullptr));
        EXPECT_EQ(importer->GetLastErrorCode(), expected[code]);
        EXPECT_EQ(importer->GetLastErrorString(), probe_.open.text);
        EXPECT_EQ(Calls(), "new reader form 0, FileOpen " + path + ", ~reader") << "destroyed at once";
        EXPECT_EQ(importer->GetReader(), nullptr);
    }
    // Without a text of its own, the reader's failure reads as the front end's text.
    probe_.open = {false, -1, ""};
    Importer* importer = NewImporter(path);
    EXPECT_EQ(importer->GetReadOptions(), nullptr);
    EXPECT_EQ(importer->GetLastErrorCode(), IO::kErrorUnidentified);
    EXPECT_STREQ(importer->GetLastErrorString(), "Unidentified error");
}

TEST_F(ImporterTest, ReadAndOptionFailuresAreSevenWithTheReadersText) {
    Importer* importer = NewImporter(File("walk.bvh"));
    RStreamOptionsPtr given(CreatePlugObject<RStreamOptionsBase>(nullptr));
    probe_.read = {false, RWyxReader::kErrorCorrupted, "Bad frame 12"};
    EXPECT_FALSE(importer->Import(scene_, given.get()));
    EXPECT_EQ(importer->GetLastErrorCode(), IO::kErrorUnidentified);
    EXPECT_STREQ(importer->GetLastErrorString(), "Bad frame 12");
    EXPECT_STREQ(importer->GetMessageText().Buffer(), "reader warning") << "copied on failure too";

    probe_.options = {false, RWyxReader::kErrorCorrupted, "No header"};
    Importer* other = NewImporter(File("run.bvh"));
    EXPECT_EQ(other->GetReadOptions(true), nullptr);
    EXPECT_EQ(other->GetLastErrorCode(), -1) << "a quiet caller gets no error";
    EXPECT_EQ(other->GetReadOptions(), nullptr);
    EXPECT_EQ(other->GetLastErrorCode(), IO::kErrorUnidentified);
    EXPECT_STREQ(other->GetLastErrorString(), "No header");
}

TEST_F(ImporterTest, WithoutOptionsOnlyAFormatWithOptionsOfItsOwnIsRead) {
    Importer* importer = NewImporter(File("walk.bvh"));
    EXPECT_FALSE(importer->Import(scene_, nullptr));
    EXPECT_EQ(importer->GetLastErrorCode(), IO::kErrorOptionsNotSet);
    EXPECT_EQ(Calls(), "new reader form 0, FileOpen " + scratch_.Join("walk.bvh")) << "no Read";
    EXPECT_FALSE(importer->Import(nullptr, nullptr));
    EXPECT_EQ(importer->GetLastErrorCode(), IO::kErrorUnidentified) << "no scene";
    EXPECT_EQ(Calls(), "");
}

TEST_F(ImporterTest, TheHeaderIsReadOnceForItsVersionAndTakes) {
    probe_.takes.resize(2);
    probe_.takes[0].name = "Walk";
    probe_.takes[1].name = "Run";
    probe_.fileVersion = 5800;
    Importer* importer = NewImporter();
    ASSERT_TRUE(importer->Initialize(WyxFile("takes.wyx", WyxForm::kBinary).c_str()));
    EXPECT_EQ(importer->GetTakeCount(), 2);
    EXPECT_EQ(importer->GetTakeInfo(0), &probe_.takes[0]);
    EXPECT_EQ(importer->GetTakeInfo(1), &probe_.takes[1]);
    EXPECT_EQ(importer->GetTakeInfo(2), nullptr);
    EXPECT_EQ(importer->GetTakeInfo(-1), nullptr);
    int major = -1, minor = -1, revision = -1;
    EXPECT_TRUE(importer->GetFileVersion(major, minor, revision));
    EXPECT_EQ(major * 100 + minor * 10 + revision, 580);
    EXPECT_TRUE(importer->Import(scene_, nullptr));
    EXPECT_EQ(importer->GetTakeCount(), 2);
    const std::string calls = Calls();
    EXPECT_EQ(calls.find("ReadHeader"), calls.rfind("ReadHeader")) << calls;
    EXPECT_NE(calls.find("ReadHeader, Read"), std::string::npos) << calls;

    // Other formats have no header and no takes to tell; nothing is read for them.
    Importer* motion = NewImporter(File("walk.bvh"));
    EXPECT_EQ(motion->GetTakeCount(), 0);
    EXPECT_EQ(motion->GetTakeInfo(0), nullptr);
    EXPECT_FALSE(motion->GetFileVersion(major, minor, revision));
    EXPECT_EQ(major + minor + revision, 0);
    EXPECT_EQ(Calls(), "");
}

TEST_F(ImporterTest, AFailedHeaderIsReadOnceAndKeepsTheReadersCode) {
    probe_.header = {false, RWyxReader::kErrorVersionTooNew, "Version 9000 is too new"};
    Importer* importer = NewImporter();
    const std::string path = WyxFile("new.wyx", WyxForm::kAscii);
    EXPECT_FALSE(importer->Initialize(path.c_str()));
    EXPECT_EQ(importer->GetLastErrorCode(), IO::kErrorVersionTooNew);
    EXPECT_STREQ(importer->GetLastErrorString(), "Version 9000 is too new");
    EXPECT_EQ(importer->GetTakeCount(), 0);
    int major = 0, minor = 0, revision = 0;
    EXPECT_FALSE(importer->GetFileVersion(major, minor, revision));
    EXPECT_FALSE(importer->Import(scene_, nullptr)) << "the take selection needs the header";
    EXPECT_EQ(Calls(), "new reader form 0, FileOpen " + path + ", ReadHeader");
    // With options of the caller's the header is not needed.
    RStreamOptionsPtr given(RStreamOptionsWyx::Create());
    EXPECT_TRUE(importer->Import(scene_, given.get()));
}

TEST_F(ImporterTest, StoredVersionsAreReportedAsMajorMinorRevision) {
    struct Case {
        int stored;
        int major, minor, revision;
    };
    const Case cases[] = {
        {6000, 6, 0, 0}, {5800, 5, 8, 0}, {6123, 6, 1, 23}, {5799, 5, 7, 99}, {7000, 7, 0, 0},
        {1000, 5, 0, 0}, {3500, 5, 0, 0}, {4999, 5, 0, 0},  {999, 0, 9, 99},  {-5, 0, 0, 0},
    };
    const std::string path = WyxFile("v.wyx", WyxForm::kBinary);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        probe_.fileVersion = c.stored;
        Importer* importer = NewImporter(path);
        int major = -1, minor = -1, revision = -1;
        EXPECT_TRUE(importer->GetFileVersion(major, minor, revision));
        EXPECT_EQ(major, c.major);
        EXPECT_EQ(minor, c.minor);
        EXPECT_EQ(revision, c.revision);
    }
}

TEST_F(ImporterTest, AnImportWithoutOptionsCarriesTheStreamFlagsAndTheTakeSelection) {
    probe_.takes.resize(3);
    probe_.takes[0].name = "Walk";
    probe_.takes[1].name = "Run";
    probe_.takes[2].name = "Walk";
    Importer* importer = NewImporter(WyxFile("takes.wyx", WyxForm::kEncrypted));
    EXPECT_TRUE(importer->SetStreamFlag(RStreamOptionsWyx::kFlagTakes, false));
    EXPECT_TRUE(importer->SetStreamFlag(11, true));
    EXPECT_FALSE(importer->SetStreamFlag(12, true));
    EXPECT_FALSE(importer->SetStreamFlag(-1, false));
    importer->GetTakeInfo(1)->selected = false;
    importer->GetTakeInfo(2)->selected = false;

    ASSERT_TRUE(importer->Import(scene_, nullptr));
    const std::vector<bool> flags = {true, true, true, true, true, true, false, true, true, true, false, true};
    EXPECT_EQ(probe_.wyxFlags, flags);
    using Entries = std::vector<std::pair<std::string, bool>>;
    EXPECT_EQ(probe_.takeEntries, (Entries{{"Walk", true}, {"Run", false}})) << "one entry per name, selected when any take of the name is";
    EXPECT_NE(probe_.lastOptions, nullptr);

    // A new file starts from the default flags.
    importer->Initialize(WyxFile("other.wyx", WyxForm::kBinary).c_str());
    EXPECT_TRUE(importer->GetStreamFlag(RStreamOptionsWyx::kFlagTakes));
    EXPECT_FALSE(importer->GetStreamFlag(11));
    EXPECT_FALSE(importer->GetStreamFlag(12));
}

}  // namespace
