#include "tests/fileio/FrontEndTestSupport.h"

#include "fileio/RWyxPropertyFile.h"

namespace {

using frontend_test::Probe;
using frontend_test::ProbeTest;
using Exporter = RWyxFileExporter;
using IO = RWyxIO;
using ExporterTest = ProbeTest;

TEST_F(ExporterTest, EachFormatIdMakesItsWriterAndDrivesItToTheEnd) {
    const std::string path = scratch_.Join("out.any");
    const std::string drive = ", FileCreate " + path + ", Write, FileClose, ~writer";
    const std::pair<int, std::string> cases[] = {
        {Exporter::kFormatWyxBinary, "new writer form 0"},
        {Exporter::kFormatWyxAscii, "new writer form 1"},
        {Exporter::kFormatWyxEncrypted, "new writer form 2"},
        {Exporter::kFormatWyx5Binary, "new writer form 3"},
        {Exporter::kFormatBvh, "new writer form 0"},
    };
    RStreamOptionsPtr given(CreatePlugObject<RStreamOptionsBase>(nullptr));
    for (const auto& [id, made] : cases) {
        SCOPED_TRACE(id);
        Exporter* exporter = NewExporter(path, id);
        EXPECT_TRUE(exporter->Export(scene_, given.get()));
        EXPECT_EQ(Calls(), made + drive);
        EXPECT_EQ(probe_.lastOptions, given.get()) << "the caller's options go to the writer as they are";
        EXPECT_EQ(probe_.writerOwner, exporter);
        EXPECT_STREQ(exporter->GetMessageText().Buffer(), "writer warning");
        EXPECT_EQ(exporter->GetLastErrorCode(), -1);
    }
}

TEST_F(ExporterTest, UnknownAndUnbuiltFormatsAreRefusedBeforeAWriterIsMade) {
    RStreamOptionsPtr given(CreatePlugObject<RStreamOptionsBase>(nullptr));
    const std::pair<int, int> cases[] = {
        {-1, IO::kErrorUnknownFormat},
        {Exporter::kFormatCount, IO::kErrorUnknownFormat},
        {Exporter::kFormatHtr, IO::kErrorUnknownFormat},  // no row of the test table holds it
        {Exporter::kFormatObj, IO::kErrorUnsupportedFormat},
        {Exporter::kFormatWyx5Ascii, IO::kErrorUnsupportedFormat},  // the row's factory has no such writer
    };
    for (const auto& [id, code] : cases) {
        SCOPED_TRACE(id);
        Exporter* exporter = NewExporter(scratch_.Join("out.any"), id);
        EXPECT_FALSE(exporter->Export(scene_, given.get()));
        EXPECT_EQ(exporter->GetLastErrorCode(), code);
        EXPECT_NE(std::string(exporter->GetLastErrorString()).find(std::to_string(id)), std::string::npos)
            << exporter->GetLastErrorString();
        EXPECT_EQ(Calls(), "");
    }
}

TEST_F(ExporterTest, WithoutOptionsWyxGetsDefaultsWithTheMediaFlagAndOthersFail) {
    for (const bool embed : {false, true}) {
        Exporter* exporter = NewExporter(scratch_.Join("out.wyx"), Exporter::kFormatWyxBinary);
        EXPECT_TRUE(exporter->SetIOFlag(Exporter::kIOFlagEmbedMedia, embed));
        EXPECT_EQ(exporter->GetIOFlag(Exporter::kIOFlagEmbedMedia), embed);
        EXPECT_TRUE(exporter->Export(scene_, nullptr));
        std::vector<bool> flags(RStreamOptionsWyx::kFlagCount, true);
        flags[10] = false;
        flags[11] = embed;
        EXPECT_EQ(probe_.wyxFlags, flags) << "new WYX options with media embedded as the IO flag says";
        Calls();
    }
    Exporter* exporter = NewExporter("", Exporter::kFormatBvh);
    EXPECT_FALSE(exporter->SetIOFlag(2, true));
    EXPECT_FALSE(exporter->GetIOFlag(2));
    EXPECT_FALSE(exporter->Export(scene_, nullptr));
    EXPECT_EQ(exporter->GetLastErrorCode(), IO::kErrorOptionsNotSet) << "tested before the file name";
    EXPECT_EQ(Calls(), "");
}

TEST_F(ExporterTest, NoNameOrNoSceneFailsBeforeAWriterIsMade) {
    Exporter* exporter = NewExporter("", Exporter::kFormatWyxBinary);
    EXPECT_FALSE(exporter->Export(scene_, nullptr));
    EXPECT_EQ(exporter->GetLastErrorCode(), IO::kErrorFileNameNotSet);
    EXPECT_FALSE(exporter->Initialize(nullptr));
    EXPECT_FALSE(exporter->Export(scene_, nullptr));
    EXPECT_EQ(exporter->GetLastErrorCode(), IO::kErrorFileNameNotSet);
    EXPECT_TRUE(exporter->Initialize(scratch_.Join("out.wyx").c_str()));
    EXPECT_EQ(exporter->GetLastErrorCode(), -1);
    EXPECT_FALSE(exporter->Export(nullptr, nullptr));
    EXPECT_EQ(exporter->GetLastErrorCode(), IO::kErrorUnidentified);
    EXPECT_EQ(Calls(), "");
}

TEST_F(ExporterTest, CreateFailuresKeepCorruptedMakeNotCreatedFourAndTheRestSeven) {
    const std::string path = scratch_.Join("out.wyx");
    const std::pair<int, int> cases[] = {{0, 0}, {1, 7}, {2, 4}, {3, 7}, {4, 7}, {5, 7}, {-1, 7}};
    for (const auto& [writerCode, code] : cases) {
        SCOPED_TRACE(writerCode);
        probe_.create = {false, writerCode, writerCode >= 0 ? "create failed" : ""};
        Exporter* exporter = NewExporter(path, Exporter::kFormatWyxBinary);
        EXPECT_FALSE(exporter->Export(scene_, nullptr));
        EXPECT_EQ(exporter->GetLastErrorCode(), code);
        EXPECT_STREQ(exporter->GetLastErrorString(), writerCode >= 0 ? "create failed" : "Unidentified error");
        EXPECT_EQ(Calls(), "new writer form 0, FileCreate " + path + ", ~writer");
    }
}

TEST_F(ExporterTest, AFailedWriteIsNotClosedAndAFailedCloseFailsTheExport) {
    const std::string path = scratch_.Join("out.wyx");
    struct Case {
        Probe::Answer write;
        int errorAfterSuccess;
        Probe::Answer close;
        const char* calls;
        const char* text;
    };
    const Case cases[] = {
        {{false, 3, "Disk full"}, -1, {}, "Write, ~writer", "Disk full"},
        {{false, -1, ""}, -1, {}, "Write, ~writer", "File not written"},
        // Writers that answer true but leave an error have failed all the same.
        {{}, RWyxWriter::kErrorOutOfDiskSpace, {}, "Write, ~writer", "Out of disk space"},
        {{}, -1, {false, 5, "Cannot rename"}, "Write, FileClose, ~writer", "Cannot rename"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        probe_.write = c.write;
        probe_.writeErrorAfterSuccess = c.errorAfterSuccess;
        probe_.close = c.close;
        Exporter* exporter = NewExporter(path, Exporter::kFormatWyxBinary);
        EXPECT_FALSE(exporter->Export(scene_, nullptr));
        EXPECT_EQ(exporter->GetLastErrorCode(), IO::kErrorNotWritten);
        EXPECT_STREQ(exporter->GetLastErrorString(), c.text);
        EXPECT_STREQ(exporter->GetMessageText().Buffer(), "writer warning");
        EXPECT_EQ(Calls(), "new writer form 0, FileCreate " + path + ", " + c.calls);
    }
    // The next export starts clean.
    probe_.write = {};
    probe_.writeErrorAfterSuccess = -1;
    probe_.close = {};
    Exporter* exporter = NewExporter(path, Exporter::kFormatWyxBinary);
    EXPECT_TRUE(exporter->Export(scene_, nullptr));
    EXPECT_EQ(exporter->GetLastErrorCode(), -1);
}

TEST_F(ExporterTest, TheWritersProgressReachesTheHandler) {
    std::vector<std::string> reports;
    Exporter* exporter = NewExporter(scratch_.Join("out.wyx"), Exporter::kFormatWyxBinary);
    EXPECT_TRUE(exporter->Export(scene_, nullptr)) << "no handler: the reports go nowhere";
    exporter->SetProgressHandler([&](int status, const char* text, const char* detail, float percent) {
        reports.push_back(std::to_string(status) + "|" + (text ? text : "null") + "|" + (detail ? detail : "null") +
                          "|" + std::to_string(static_cast<int>(percent)));
    });
    EXPECT_TRUE(exporter->Export(scene_, nullptr));
    EXPECT_EQ(reports, (std::vector<std::string>{"0|Storing models|null|0", "0|null|null|50"}));
}

TEST_F(ExporterTest, ANestedVersionFiveSceneIsWrittenIntoTheGivenFileAlone) {
    std::unique_ptr<RWyxPropertyFile> file = RWyxPropertyFile::Create();
    Exporter* exporter = NewExporter("", Exporter::kFormatObj);  // neither name nor format is used
    exporter->SetIOFlag(Exporter::kIOFlagEmbedMedia, true);
    EXPECT_TRUE(exporter->WriteV5Scene(scene_, nullptr, file.get()));
    EXPECT_EQ(Calls(), "new writer form 3, WriteScene into file, ~writer");
    EXPECT_EQ(probe_.wyxFlags.size(), static_cast<std::size_t>(RStreamOptionsWyx::kFlagCount));
    EXPECT_TRUE(probe_.wyxFlags[11]);
    EXPECT_STREQ(exporter->GetMessageText().Buffer(), "nested warning");

    probe_.write = {false, 4, "Stream options not set"};
    EXPECT_FALSE(exporter->WriteV5Scene(scene_, nullptr, file.get()));
    EXPECT_EQ(exporter->GetLastErrorCode(), IO::kErrorNotWritten);
    EXPECT_STREQ(exporter->GetLastErrorString(), "Stream options not set");
    Calls();
    EXPECT_FALSE(exporter->WriteV5Scene(scene_, nullptr, nullptr));
    EXPECT_EQ(exporter->GetLastErrorCode(), IO::kErrorNotOpened);
    EXPECT_EQ(Calls(), "");
}

}  // namespace
