// A motion writer driven directly, as an SDK client does (FileCreate, Write, FileClose whatever
// Write answered), never loses the file at the path: a Write that is refused or cut short drops
// what it wrote, and the FileClose after it answers false, keeps the write's error and puts
// nothing in place. A file created and closed without a Write is put in place, as the WYX
// writers do. A file that cannot be written whole is coded by the system's reason, which the
// text names: error 3 only for a full disk.

#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxWriterAmc.h"
#include "formats/motion/RWyxWriterAsf.h"
#include "formats/motion/RWyxWriterBrd.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/RWyxWriterC3d.h"
#include "formats/motion/RWyxWriterHtr.h"
#include "formats/motion/RWyxWriterMcd.h"
#include "formats/motion/RWyxWriterMov.h"
#include "formats/motion/RWyxWriterTrc.h"
#include "formats/motion/RWyxWriterVpm.h"
#include "tests/formats/motion/MotionSamples.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/UncreatableTargets.h"
#include "tests/platform/WriteFaults.h"
#include "tests/support/KeptFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>

namespace {

using namespace motion_test;

struct WriterCase {
    const char* label;
    const char* file;
    std::unique_ptr<RWyxWriter> (*make)(RWyxObjectFactory* factory);
};

template <typename Writer>
std::unique_ptr<RWyxWriter> Make(RWyxObjectFactory* factory) {
    return std::make_unique<Writer>(factory);
}

const WriterCase kWriters[] = {
    {"bvh", "take.bvh", Make<RWyxWriterBvh>},
    {"htr", "take.htr", Make<RWyxWriterHtr>},
    {"trc", "take.trc", Make<RWyxWriterTrc>},
    {"asf", "take.asf", Make<RWyxWriterAsf>},
    {"amc", "take.amc", Make<RWyxWriterAmc>},
    {"c3d", "take.c3d", Make<RWyxWriterC3d>},
    {"aoa", "take.aoa", [](RWyxObjectFactory* f) -> std::unique_ptr<RWyxWriter> { return std::make_unique<RWyxWriterMcd>(f, nullptr, false); }},
    {"mcd", "take.mcd", [](RWyxObjectFactory* f) -> std::unique_ptr<RWyxWriter> { return std::make_unique<RWyxWriterMcd>(f, nullptr, true); }},
    {"vpm", "take.vpm", Make<RWyxWriterVpm>},
    {"mov", "take.mov", Make<RWyxWriterMov>},
    {"brd", "take.brd", Make<RWyxWriterBrd>},
};

const std::string kOldContent = "the take before\n";

// What a write and the FileClose after it answered, with the writer's error after each.
struct Outcome {
    bool written = false;
    int writeError = -1;
    std::string writeText;
    bool closed = false;
    int closeError = -1;
    std::string closeText;
};

Outcome WriteAndClose(RWyxWriter& writer, const std::string& path, RWyxScene* scene, RStreamOptions* options) {
    Outcome outcome;
    EXPECT_TRUE(writer.FileCreate(path.c_str())) << writer.GetLastErrorString();
    outcome.written = writer.Write(scene, options);
    outcome.writeError = writer.GetLastErrorCode();
    outcome.writeText = writer.GetLastErrorString();
    outcome.closed = writer.FileClose();
    outcome.closeError = writer.GetLastErrorCode();
    outcome.closeText = writer.GetLastErrorString();
    return outcome;
}

// The write failed, the close after it too, with the write's error; the old file is all there is.
void ExpectNothingPutInPlace(const Outcome& outcome, const KeptFile& old, const ScratchFolder& folder) {
    EXPECT_FALSE(outcome.written);
    EXPECT_NE(outcome.writeError, -1);
    EXPECT_FALSE(outcome.closed);
    EXPECT_EQ(outcome.closeError, outcome.writeError) << outcome.closeText;
    EXPECT_EQ(outcome.closeText, outcome.writeText);
    EXPECT_TRUE(old.IsUnchanged());
    EXPECT_EQ(FolderEntryCount(folder.Path()), 1u);
}

class MotionWriterDataLossTest : public ::testing::TestWithParam<int> {
protected:
    const WriterCase& Case() const { return kWriters[GetParam()]; }
    std::unique_ptr<RWyxWriter> NewWriter() { return Case().make(&fixture.factory); }
    std::string Target() const { return folder.Join(Case().file); }

    ScratchFolder folder;
    SceneFixture fixture;
};

TEST_P(MotionWriterDataLossTest, ARefusedWriteThenFileCloseLeavesTheOldFile) {
    const KeptFile old(Target(), kOldContent);
    const std::unique_ptr<RWyxWriter> writer = NewWriter();
    // No options: every writer refuses the scene before or after its first bytes.
    const Outcome outcome = WriteAndClose(*writer, Target(), fixture.scene, nullptr);
    ExpectNothingPutInPlace(outcome, old, folder);
    EXPECT_FALSE(writer->IsFileOpen());
    // A second close has no file.
    EXPECT_FALSE(writer->FileClose());
    EXPECT_EQ(writer->GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
    EXPECT_TRUE(old.IsUnchanged());
}

TEST_P(MotionWriterDataLossTest, AFileCreatedAndClosedWithoutAWriteIsPutInPlace) {
    const KeptFile old(Target(), kOldContent);
    const std::unique_ptr<RWyxWriter> writer = NewWriter();
    ASSERT_TRUE(writer->FileCreate(Target().c_str()));
    EXPECT_TRUE(writer->FileClose()) << writer->GetLastErrorString();
    EXPECT_EQ(ScratchFolder::ReadFile(Target()), "");
    EXPECT_EQ(FolderEntryCount(folder.Path()), 1u);
}

// A file that cannot be created is error 1, named with the system's reason; no path has none.
TEST_P(MotionWriterDataLossTest, AFileThatCannotBeCreatedIsNamedWithTheSystemsReason) {
    const std::unique_ptr<RWyxWriter> writer = NewWriter();
    ForEachUncreatableTarget(folder.Path(), Case().file, [&](const std::string& path, int reason) {
        EXPECT_FALSE(writer->FileCreate(path.c_str()));
        EXPECT_EQ(writer->GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
        EXPECT_EQ(std::string(writer->GetLastErrorString()),
                  "Cannot open file \"" + path + "\" for writing: " + std::strerror(reason) + ".");
    });
    EXPECT_FALSE(writer->FileCreate(nullptr));
    EXPECT_EQ(writer->GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
    EXPECT_STREQ(writer->GetLastErrorString(), "Cannot open file \"\" for writing.");
}

INSTANTIATE_TEST_SUITE_P(Writers, MotionWriterDataLossTest, ::testing::Range(0, static_cast<int>(std::size(kWriters))),
                         [](const ::testing::TestParamInfo<int>& info) { return kWriters[info.param].label; });

// A text cut short by a file-size limit: error 5 from the write and from the close after it,
// naming the file and the limit; a limit is no lack of room.
TEST(MotionWriterDataLossCases, ABvhCutShortThenFileCloseLeavesTheOldFile) {
    ScratchFolder folder;
    SceneFixture fixture;
    const OptionsPtr options = ReadWithOptions<RWyxReaderBvh>(fixture, motion_samples::Bvh(), "walk.bvh");
    ASSERT_NE(options, nullptr);
    fixture.Node("Hips")->SetMarked(1, false);
    const KeptFile old(folder.Join("walk.bvh"), kOldContent);
    RWyxWriterBvh writer(&fixture.factory);
    Outcome outcome;
    {
        const FileSizeLimit limit(64);
        outcome = WriteAndClose(writer, old.Path(), fixture.scene, options.get());
    }
    EXPECT_EQ(outcome.writeError, RWyxWriter::kErrorUnidentified);
    EXPECT_EQ(outcome.writeText, "Cannot write \"" + old.Path() + "\" whole: " + std::strerror(EFBIG));
    ExpectNothingPutInPlace(outcome, old, folder);
    // Without the limit the same writer puts a whole file in place.
    EXPECT_TRUE(writer.FileCreate(old.Path().c_str()));
    ASSERT_TRUE(writer.Write(fixture.scene, options.get())) << writer.GetLastErrorString();
    ASSERT_TRUE(writer.FileClose()) << writer.GetLastErrorString();
    EXPECT_GT(ScratchFolder::ReadFile(old.Path()).size(), 64u);
}

// Every kind of motion file (the text base, the text and binary marker files) cut short by a
// file-size limit while it is written, its frames beyond the first flush, and put in place on
// a full disk (a hard-linked file is overwritten in place): error 5 for the limit, error 3 for
// the full disk, each with the system's reason, and the old file as it was.
class MotionWriterFailureTest : public ::testing::TestWithParam<int> {};

TEST_P(MotionWriterFailureTest, AFailedWriteIsCodedByItsReason) {
    const WriterCase& c = kWriters[GetParam()];
    ScratchFolder folder;
    SceneFixture fixture;
    ASSERT_NE(ReadWithOptions<RWyxReaderBvh>(fixture, motion_samples::Bvh(), "walk.bvh"), nullptr);
    fixture.Node("Hips")->SetMarked(1, false);
    KeptFile old(folder.Join(c.file), kOldContent);
    ASSERT_TRUE(old.AddHardLink(folder.Join("second name")));
    const std::unique_ptr<RWyxWriter> writer = c.make(&fixture.factory);
    const OptionsPtr options = TakeMotionOptions(writer->GetWriteOptions());
    options->SetFrameRate(0, 100.0);
    options->SetFrameCount(10000);  // past the writers' 64 KiB buffers
    Outcome outcome;
    {
        const FileSizeLimit limit(64);
        outcome = WriteAndClose(*writer, old.Path(), fixture.scene, options.get());
    }
    EXPECT_EQ(outcome.writeError, RWyxWriter::kErrorUnidentified) << outcome.writeText;
    EXPECT_EQ(outcome.writeText, "Cannot write \"" + old.Path() + "\" whole: " + std::strerror(EFBIG));
    EXPECT_EQ(outcome.closeText, outcome.writeText);
    EXPECT_TRUE(old.IsUnchanged());

    ASSERT_TRUE(writer->FileCreate(old.Path().c_str()));
    ASSERT_TRUE(writer->Write(fixture.scene, options.get())) << writer->GetLastErrorString();
    {
        const NoSpaceReservation noReservation;
        const FailingWrites full(old.Path(), static_cast<off_t>(kOldContent.size()), ENOSPC,
                                 FailingWrites::Kind::kLasting);
        EXPECT_FALSE(writer->FileClose());
        EXPECT_GE(full.Failures(), 1);
    }
    EXPECT_EQ(writer->GetLastErrorCode(), RWyxWriter::kErrorOutOfDiskSpace);
    EXPECT_EQ(std::string(writer->GetLastErrorString()),
              "Cannot write \"" + old.Path() + "\" whole: " + std::strerror(ENOSPC));
    EXPECT_TRUE(old.IsUnchanged());
    EXPECT_EQ(FolderEntryCount(folder.Path()), 2u);
}

// The writers of each kind of file: the text base (BVH, HTR, ASF, BRD, MOV, VPM), the text
// marker files (TRC, MCD) and the binary one (C3D).
INSTANTIATE_TEST_SUITE_P(Writers, MotionWriterFailureTest, ::testing::Values(0, 1, 2, 3, 5, 7, 8, 9, 10),
                         [](const ::testing::TestParamInfo<int>& info) { return kWriters[info.param].label; });

// More markers than a C3D file names: refused part way, after the marker file has begun.
TEST(MotionWriterDataLossCases, TooManyC3dMarkersThenFileCloseLeavesTheOldFile) {
    ScratchFolder folder;
    SceneFixture fixture;
    RWyxNode* rig = fixture.factory.CreateNode("rig");
    fixture.scene->GetRootNode()->AddChild(rig);
    fixture.scene->GetRootNode()->AddChild(fixture.factory.CreateNode("camera"));
    for (int i = 0; i < 256; ++i) {
        AddMarkedNode(fixture, rig, ("M" + std::to_string(i)).c_str())->GetTranslationXCurve()->AppendKey(RTime(), 1.0f);
    }
    const KeptFile old(folder.Join("take.c3d"), kOldContent);
    RWyxWriterC3d writer(&fixture.factory);
    OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
    options->SetFrameRate(0, 50.0);
    options->SetFrameCount(2);
    const Outcome outcome = WriteAndClose(writer, old.Path(), fixture.scene, options.get());
    EXPECT_NE(outcome.writeText.find("at most 255"), std::string::npos) << outcome.writeText;
    ExpectNothingPutInPlace(outcome, old, folder);
}

}  // namespace
