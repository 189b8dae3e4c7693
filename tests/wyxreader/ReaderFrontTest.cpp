// The reader as the importer drives it: opening, the header and its take descriptions, the
// options it offers, passwords, the selection of takes, the front end and the format table.

#include "tests/wyxreader/ReaderTestSupport.h"

#include "curves/RFCurveNode.h"
#include "curves/RTimeWarpRegistry.h"
#include "fileio/RWyxFileImporter.h"
#include "fileio/RWyxFormatTable.h"
#include "fileio/RWyxPropertyFile.h"
#include "formats/motion/RStreamOptionsMotion.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"
#include "tests/support/ScratchFolder.h"
#include "wyxreader/RWyxReaderWyx.h"
#include "wyxreader/RWyxTimeWarpList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace reader_test;

std::vector<std::string> TakeNames(const RWyxFileHeaderSummary& header) {
    std::vector<std::string> names;
    for (const RWyxTakeInfo* info : header.takeInfos) names.push_back(info->name.Buffer());
    return names;
}

class ReaderFrontTest : public ::testing::Test {
protected:
    // The every-kind scene written in the form; answers the path.
    std::string WriteScene(Form form, RStreamOptionsWyx* options = nullptr) {
        RWyxObjectFactory source;
        const std::string path = folder.Join(form == Form::kAscii ? "scene-ascii.wyx" : "scene.wyx");
        EXPECT_TRUE(Write(source, BuildEveryKindScene(source), path, form, options));
        return path;
    }

    ScratchFolder folder;
    RWyxObjectFactory factory;
};

TEST_F(ReaderFrontTest, FilesThatCannotBeReadAreRefusedWithTheirReasons) {
    RWyxReaderWyx reader(&factory);
    EXPECT_FALSE(reader.FileClose());
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);
    EXPECT_FALSE(reader.FileOpen(folder.Join("missing.wyx").c_str()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);
    EXPECT_FALSE(reader.FileOpen(""));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);
    EXPECT_FALSE(reader.FileOpen(folder.WriteFile("text.wyx", "no WYX file at all").c_str()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    const std::string whole = ScratchFolder::ReadFile(WriteScene(Form::kBinary));
    EXPECT_FALSE(reader.OpenFromMemory(whole.data(), whole.size() - 1)) << "the footer is checked";
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    EXPECT_FALSE(reader.IsFileOpen());
    RWyxFileHeaderSummary header;
    EXPECT_FALSE(reader.ReadHeader(header));
    EXPECT_EQ(reader.GetReadOptions(false), nullptr);
    EXPECT_FALSE(reader.Read(factory.CreateScene(), nullptr));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);

    ASSERT_TRUE(reader.OpenFromMemory(whole.data(), whole.size()));
    EXPECT_TRUE(reader.IsFileOpen());
    EXPECT_FALSE(reader.Read(nullptr, reader.GetReadOptions(false).get()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorUnidentified);
    RStreamOptionsPtr motion(RStreamOptionsMotion::Create());
    EXPECT_FALSE(reader.Read(factory.CreateScene(), motion.get()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorOptionsNotSet);
    EXPECT_TRUE(reader.FileClose());
    EXPECT_FALSE(reader.IsFileOpen());
}

TEST_F(ReaderFrontTest, AVersionFiveFileOpensTellsItsVersionAndIsRead) {
    RWyxFile file;
    RWyxFileHeaderInfo info;
    info.fileVersion = 5800;
    const std::string path = folder.Join("old.wyx");
    ASSERT_TRUE(file.Create(path.c_str(), true, false, info));
    ASSERT_TRUE(file.Close());
    RWyxReaderWyx reader(&factory);
    ASSERT_TRUE(reader.FileOpen(path.c_str()));
    RWyxFileHeaderSummary header;
    ASSERT_TRUE(reader.ReadHeader(header));
    EXPECT_EQ(header.fileVersion, 5800);
    EXPECT_TRUE(header.takeInfos.empty());
    RWyxScene* scene = factory.CreateScene();
    EXPECT_TRUE(reader.Read(scene, reader.GetReadOptions(false).get())) << "the version-5 layout is read";
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
    EXPECT_EQ(reader.GetWarnings().GetCount(), 0);
}

TEST_F(ReaderFrontTest, TheHeaderListsTheTakesOfTheSummaryOrOfTheMainTakesBlockAlike) {
    std::vector<std::vector<std::string>> names;
    for (const Form form : {Form::kBinary, Form::kAscii, Form::kEncrypted}) {
        RWyxReaderWyx reader(&factory);
        ASSERT_TRUE(reader.FileOpen(WriteScene(form).c_str()));
        RWyxFileHeaderSummary header;
        ASSERT_TRUE(reader.ReadHeader(header));
        EXPECT_EQ(header.fileVersion, 6000);
        names.push_back(TakeNames(header));
        ASSERT_EQ(header.takeInfos.size(), 2u);
        const RWyxTakeInfo& walk = *header.takeInfos[0];
        EXPECT_EQ(walk.description, "One step");
        EXPECT_EQ(walk.importName, "Walk");
        EXPECT_EQ(walk.localStop.GetTicks(), 2 * RTime::kTicksPerSecond);
        EXPECT_EQ(walk.referenceStart.GetTicks(), -RTime::kTicksPerSecond);
        EXPECT_TRUE(walk.selected);
        ASSERT_NE(walk.GetThumbnail(), nullptr);
        RWyxFileHeaderSummary again;
        ASSERT_TRUE(reader.ReadHeader(again));
        EXPECT_EQ(again.takeInfos[0], header.takeInfos[0]) << "read once: the same descriptions";
        RStreamOptionsPtr options = reader.GetReadOptions(false);
        const auto& wyx = static_cast<const RStreamOptionsWyx&>(*options);
        ASSERT_EQ(wyx.GetTakeCount(), 2);
        EXPECT_EQ(wyx.GetTake(1)->name, "Layered");
        EXPECT_FALSE(wyx.IsPasswordProtected());
    }
    EXPECT_EQ(names[0], (std::vector<std::string>{"Walk", "Layered"}));
    EXPECT_EQ(names[1], names[0]);
    EXPECT_EQ(names[2], names[0]);
}

// A binary file whose Summary lists only "B" and names "B" current, while the main section
// holds "A" and "B" and names "A": the header tells the Summary's takes, the read selects the
// main section's current take.
TEST_F(ReaderFrontTest, TheSummaryTellsTheHeaderAndTheMainCurrentTakeWinsTheRead) {
    const std::string path = folder.Join("both.wyx");
    {
        RWyxFile file;
        RWyxFileHeaderInfo info;
        info.fileVersion = 6000;
        ASSERT_TRUE(file.Create(path.c_str(), true, false, info));
        auto block = [&](const char* name, const char* value, auto inner) {
            file.FieldWriteBegin(name);
            if (value != nullptr) file.FieldWriteString(value);
            file.FieldWriteBlockBegin();
            inner();
            file.FieldWriteBlockEnd();
            file.FieldWriteEnd();
        };
        auto field = [&](const char* name, const char* value) {
            file.FieldWriteBegin(name);
            file.FieldWriteString(value);
            file.FieldWriteEnd();
        };
        block("Objects", nullptr, [&] { block("Model", "Model::A", [] {}); });
        block("Connections", nullptr, [&] {
            file.FieldWriteBegin("Connect");
            for (const char* value : {"OO", "Model::A", "Model::Scene"}) file.FieldWriteString(value);
            file.FieldWriteEnd();
        });
        block("Takes", nullptr, [&] {
            field("Current", "A");
            for (const char* take : {"A", "B"}) block("Take", take, [&] { block("Model", "Model::A", [] {}); });
        });
        ASSERT_TRUE(file.ProjectCreateExtensionSection(true));
        block("Summary", nullptr, [&] {
            block("Takes", nullptr, [&] {
                field("Current", "B");
                block("Take", "B", [&] { field("Comments", "from the summary"); });
            });
        });
        ASSERT_TRUE(file.Close());
    }
    RWyxReaderWyx reader(&factory);
    ASSERT_TRUE(reader.FileOpen(path.c_str()));
    RWyxFileHeaderSummary header;
    ASSERT_TRUE(reader.ReadHeader(header));
    ASSERT_EQ(TakeNames(header), std::vector<std::string>{"B"});
    EXPECT_EQ(header.takeInfos[0]->description, "from the summary");
    RWyxScene* scene = factory.CreateScene();
    RStreamOptionsPtr options(RStreamOptionsWyx::Create());
    ASSERT_TRUE(reader.Read(scene, options.get()));
    EXPECT_STREQ(scene->GetCurrentTakeName(), "A");
    EXPECT_EQ(FindModel(*scene, "A")->GetTakeNodeCount(), 3);
}

TEST_F(ReaderFrontTest, APasswordProtectedFileIsReadOnlyWithItsPassword) {
    RWyxObjectFactory source;
    RStreamOptionsPtr writeOptions(RStreamOptionsWyx::Create());
    auto& protect = static_cast<RStreamOptionsWyx&>(*writeOptions);
    protect.SetPasswordProtected(true);
    protect.SetPassword("open sesame");
    const std::string path = WriteScene(Form::kBinary, &protect);
    RWyxReaderWyx reader(&factory);
    ASSERT_TRUE(reader.FileOpen(path.c_str())) << reader.GetLastErrorString();
    EXPECT_TRUE(reader.IsPasswordProtected());
    RWyxFileHeaderSummary header;
    ASSERT_TRUE(reader.ReadHeader(header));
    EXPECT_EQ(header.fileVersion, 6000);
    EXPECT_TRUE(header.takeInfos.empty()) << "the takes are sealed";
    RStreamOptionsPtr options = reader.GetReadOptions(false);
    auto& wyx = static_cast<RStreamOptionsWyx&>(*options);
    EXPECT_TRUE(wyx.IsPasswordProtected());
    RWyxScene* scene = factory.CreateScene();
    EXPECT_FALSE(reader.Read(scene, options.get()));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorWrongPassword);
    EXPECT_STREQ(reader.GetLastErrorString(), "Password required");
    wyx.SetPassword("open says me");
    EXPECT_FALSE(reader.Read(scene, options.get()));
    EXPECT_STREQ(reader.GetLastErrorString(), "Wrong password");
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
    wyx.SetPassword("open sesame");
    ASSERT_TRUE(reader.Read(scene, options.get())) << reader.GetLastErrorString();
    EXPECT_NE(FindModel(*scene, "Body"), nullptr);
    ASSERT_TRUE(reader.ReadHeader(header));
    EXPECT_EQ(TakeNames(header), (std::vector<std::string>{"Walk", "Layered"})) << "readable once opened";
}

TEST_F(ReaderFrontTest, UnselectedTakesAreSkippedAndWithoutTakesNoneIsRead) {
    const std::string path = WriteScene(Form::kBinary);
    const ReadResult some = ReadFile(
        factory, path, [](RStreamOptionsWyx& options) { options.GetTake(options.FindTake("Walk"))->selected = false; });
    ASSERT_TRUE(some.read) << some.errorText;
    EXPECT_EQ(FindModel(*some.scene, "Group")->GetTakeNodeCount(), 2) << "Default and Layered";
    EXPECT_STREQ(FindModel(*some.scene, "Group")->GetTakeNodeName(1), "Layered");
    EXPECT_EQ(FindModel(*some.scene, "Hips")->GetTakeNodeCount(), 1);
    EXPECT_EQ(some.scene->GetTakeInfo("Walk"), nullptr);
    EXPECT_STREQ(some.scene->GetCurrentTakeName(), "Layered") << "the current take was skipped: the first read";

    const ReadResult none = ReadFile(
        factory, path, [](RStreamOptionsWyx& options) { options.SetFlag(RStreamOptionsWyx::kFlagTakes, false); });
    ASSERT_TRUE(none.read);
    EXPECT_EQ(FindModel(*none.scene, "Hips")->GetTakeNodeCount(), 1);
    EXPECT_EQ(none.scene->GetTakeInfoCount(), 0);
    EXPECT_STREQ(none.scene->GetCurrentTakeName(), "");
    EXPECT_NE(FindModel(*none.scene, "Body"), nullptr) << "everything else is read";
}

TEST_F(ReaderFrontTest, TheImporterReadsWyxFilesThroughTheFormatTable) {
    int form = -1;
    const RWyxFormatRow* row = GetFormatTable().FindImportId(RWyxFileImporter::kFormatWyxBinary, form);
    ASSERT_NE(row, nullptr);
    ASSERT_NE(row->newReader, nullptr);
    EXPECT_NE(row->newReader(&factory, form), nullptr);
    EXPECT_EQ(row->newReader(&factory, 3), nullptr);

    RWyxFileImporter* importer = factory.CreateFileImporter();
    ASSERT_TRUE(importer->Initialize(WriteScene(Form::kAscii).c_str()));
    EXPECT_EQ(importer->GetFormatId(), RWyxFileImporter::kFormatWyxAscii);
    int major = 0, minor = 0, revision = 0;
    ASSERT_TRUE(importer->GetFileVersion(major, minor, revision));
    EXPECT_EQ(major, 6);
    ASSERT_EQ(importer->GetTakeCount(), 2);
    EXPECT_EQ(importer->GetTakeInfo(1)->name, "Layered");
    importer->GetTakeInfo(0)->selected = false;
    RWyxScene* scene = factory.CreateScene();
    ASSERT_TRUE(importer->Import(scene)) << importer->GetLastErrorString();
    EXPECT_EQ(FindModel(*scene, "Hips")->GetTakeNodeCount(), 1) << "Walk was not selected";
    EXPECT_EQ(FindModel(*scene, "Group")->GetTakeNodeCount(), 2);
    importer->SetStreamFlag(RStreamOptionsWyx::kFlagTakes, false);
    RWyxScene* bare = factory.CreateScene();
    ASSERT_TRUE(importer->Import(bare));
    EXPECT_EQ(FindModel(*bare, "Group")->GetTakeNodeCount(), 1);
}

TEST_F(ReaderFrontTest, ReadingFromMemoryOrTwiceGivesTheSameSceneAndWarningsReachTheMessageText) {
    const std::string path = WriteScene(Form::kBinary);
    const ReadResult fromFile = ReadFile(factory, path);
    const ReadResult fromMemory = ReadBytes(factory, ScratchFolder::ReadFile(path));
    ASSERT_TRUE(fromFile.read && fromMemory.read);
    EXPECT_TRUE(Write(factory, fromFile.scene, folder.Join("a.wyx"), Form::kAscii));
    EXPECT_TRUE(Write(factory, fromMemory.scene, folder.Join("b.wyx"), Form::kAscii));
    EXPECT_EQ(ScratchFolder::ReadFile(folder.Join("a.wyx")), ScratchFolder::ReadFile(folder.Join("b.wyx")));

    RWyxReaderWyx reader(&factory);
    const std::string bad = WriteAsciiFile(folder.Join("bad.wyx"), [](RWyxFile& file) {
        file.FieldWriteBegin("Objects");
        file.FieldWriteBlockBegin();
        file.FieldWriteBegin("Gadget");
        file.FieldWriteEnd();
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
    });
    ASSERT_TRUE(reader.FileOpen(bad.c_str()));
    RStreamOptionsPtr options = reader.GetReadOptions(false);
    ASSERT_TRUE(reader.Read(factory.CreateScene(), options.get()));
    ASSERT_TRUE(reader.Read(factory.CreateScene(), options.get()));
    EXPECT_EQ(reader.GetWarnings().GetCount(), 1) << "the warnings of the last read";
    EXPECT_EQ(std::string(reader.GetMessageText().Buffer()),
              "Objects: a record \"Gadget\" of no known kind was skipped\n"
              "Objects: a record \"Gadget\" of no known kind was skipped\n");

    // A name of the file that holds line breaks stays within its warning's one line.
    const std::string broken = WriteAsciiFile(folder.Join("broken.wyx"), [](RWyxFile& file) {
        file.FieldWriteBegin("Connections");
        file.FieldWriteBlockBegin();
        file.FieldWriteBegin("Connect");
        file.FieldWriteString("OO");
        file.FieldWriteString("Model::A\nWarning: forged\r");
        file.FieldWriteString("Model::Scene");
        file.FieldWriteEnd();
        file.FieldWriteBlockEnd();
        file.FieldWriteEnd();
    });
    RWyxReaderWyx names(&factory);
    ASSERT_TRUE(names.FileOpen(broken.c_str()));
    ASSERT_TRUE(names.Read(factory.CreateScene(), names.GetReadOptions(false).get()));
    const std::string text = names.GetMessageText().Buffer();
    EXPECT_EQ(names.GetWarnings().GetCount(), 1);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_NE(text.find("A_Warning: forged_"), std::string::npos) << text;
}

// A binary file's property records met again at their place are read by their shape: a scene
// read, written and read again is the scene first read.
TEST_F(ReaderFrontTest, AReadSceneWrittenAndReadAgainIsTheSame) {
    const ReadResult first = ReadFile(factory, WriteScene(Form::kBinary));
    ASSERT_TRUE(first.read);
    ASSERT_TRUE(Write(factory, first.scene, folder.Join("again.wyx"), Form::kBinary));
    const ReadResult second = ReadFile(factory, folder.Join("again.wyx"));
    ASSERT_TRUE(second.read);
    EXPECT_EQ(first.warningText, second.warningText);
    ASSERT_TRUE(Write(factory, first.scene, folder.Join("first.wyx"), Form::kAscii));
    ASSERT_TRUE(Write(factory, second.scene, folder.Join("second.wyx"), Form::kAscii));
    const std::string written = ScratchFolder::ReadFile(folder.Join("first.wyx"));
    EXPECT_GT(written.size(), 1000u);
    EXPECT_EQ(written, ScratchFolder::ReadFile(folder.Join("second.wyx")));
}

// The read's own time-warp list: it holds its nodes while it lives, and the registry points
// at it only while it is installed.
TEST(RWyxTimeWarpListTest, TheListHoldsItsNodesAndTheRegistryIsPutBack) {
    RIntMap other(4);
    SetTimeWarpList(&other);
    RFCurveNode* warp = RFCurveNode::Create("Warp", nullptr);
    warp->AddReference();  // another holder, such as a curve that uses the warp
    {
        RWyxTimeWarpList list;
        EXPECT_TRUE(list.Add(7, warp));
        EXPECT_FALSE(list.Add(7, warp));
        EXPECT_FALSE(list.Add(8, nullptr));
        EXPECT_EQ(warp->GetReferenceCount(), 2);
        RFCurveNode::Release(warp);  // the other holder lets it go; the list keeps it
        {
            const RWyxTimeWarpList::Installed installed(list);
            EXPECT_EQ(FindTimeWarp(7), warp);
            EXPECT_STREQ(warp->GetName(), "Warp");
        }
        EXPECT_EQ(GetTimeWarpList(), &other);
    }
    EXPECT_EQ(GetTimeWarpList(), &other);
    SetTimeWarpList(nullptr);
}

}  // namespace
