// A motion writer driven directly, as an SDK client does (FileCreate, Write, FileClose whatever
// Write answered), never loses the file at the path: a Write that is refused or cut short drops
// what it wrote, and the FileClose after it answers false, keeps the write's error and puts
// nothing in place. A file created and closed without a Write is put in place, as the WYX
// writers do. A file that cannot be written whole is coded by the system's reason, which the
// text names: error 3 only for a full disk. A key or default that is not a finite number, or a
// place beyond the floats a read keeps, is refused with its node, channel and time, the old file
// kept, by every writer whose file would hold it.

#include "attributes/RWyxSkeleton.h"
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

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

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

// ---- values a read would not keep ---------------------------------------------------------------

const char* const kChain[] = {"Hips", "Chest", "Head"};
const RTime kFrame(RTime::kTicksPerSecond / 25);

// A value of a node's channel (translation, rotation, scaling X, Y, Z) at frame 0, 1 or 2, or of
// its default: frame -1, kUnkeyed with the channel left without keys, kOnDefaultTake with the
// node left on its default take, keyed there.
constexpr int kUnkeyed = -2;
constexpr int kOnDefaultTake = -3;
struct BadValue {
    const char* node;
    int channel;
    int frame;
    double value;
};

// Hips, Chest below it and Head below Chest, marked (but the one named unmarked) limb-node joints
// two units apart, keyed in every channel at three frames in the take "take" (in the default take
// for a node with a value kOnDefaultTake, which has no "take"), the bad values in place of their
// keys or defaults; below Head a tail of nodes one unit apart, each scaled 1e38 by default, and
// for a bad value of "prop" an unmarked leaf without keys, the value in place of its default.
struct ChainScene : SceneFixture {
    ChainScene(const std::vector<BadValue>& bad, int tail, const char* unmarked = "") {
        RWyxNode* parent = scene->GetRootNode();
        for (const char* name : kChain) {
            const auto valueAt = [&bad, name](int channel, int frame, double value) {
                for (const BadValue& b : bad) {
                    if (b.node == std::string(name) && b.channel == channel && b.frame == frame) return b.value;
                }
                return value;
            };
            const bool onDefaultTake = std::any_of(bad.begin(), bad.end(), [name](const BadValue& b) {
                return b.node == std::string(name) && b.frame == kOnDefaultTake;
            });
            RWyxNode* node = factory.CreateNode(name);
            node->SetNodeAttribute(factory.CreateSkeleton());
            node->GetSkeleton()->SetSkeletonType(2);
            const double up = parent == scene->GetRootNode() ? 0.0 : 2.0;
            const auto defaultOf = [&valueAt](int c, double value) {
                return valueAt(c, kOnDefaultTake, valueAt(c, kUnkeyed, valueAt(c, -1, value)));
            };
            node->SetDefaultTranslation(RVector4(defaultOf(0, 0.0), defaultOf(1, up), defaultOf(2, 0.0), 1.0));
            node->SetDefaultRotation(RVector4(defaultOf(3, 0.0), defaultOf(4, 0.0), defaultOf(5, 0.0), 1.0));
            node->SetDefaultScaling(RVector4(defaultOf(6, 1.0), defaultOf(7, 1.0), defaultOf(8, 1.0), 1.0));
            if (!onDefaultTake) {
                node->AddTakeNode("take");
                node->SetCurrentTakeNodeByName("take");
            }
            for (int c = 0; c < 9; ++c) {
                for (int f = 0; f < 3 && valueAt(c, kUnkeyed, 0.0) == 0.0; ++f) {
                    const double key = c == 0 ? 0.5 * f : c == 1 ? up : c < 3 ? 0.0 : c < 6 ? 5.0 * f + c : 1.0;
                    Curve(node, c)->AppendKey(kFrame * f, static_cast<float>(valueAt(c, f, key)));
                }
            }
            parent = Add(parent, node);
        }
        if (*unmarked != '\0') Node(unmarked)->SetMarked(0, false);
        for (const BadValue& b : bad) {
            if (b.node != std::string("prop")) continue;
            RVector4 values[3] = {RVector4(0.0, 1.0, 0.0, 1.0), RVector4(), RVector4(1.0, 1.0, 1.0, 1.0)};
            *values[b.channel / 3].Component(b.channel % 3) = b.value;
            RWyxNode* prop = factory.CreateNode("prop");
            prop->SetDefaultTranslation(values[0]);
            prop->SetDefaultRotation(values[1]);
            prop->SetDefaultScaling(values[2]);
            parent->AddChild(prop);
        }
        for (int i = 0; i < tail; ++i) {
            RWyxNode* node = factory.CreateNode(("n" + std::to_string(i)).c_str());
            node->SetDefaultTranslation(RVector4(0.0, 1.0, 0.0, 1.0));
            node->SetDefaultScaling(RVector4(1e38, 1e38, 1e38, 1.0));
            parent = Add(parent, node);
        }
    }
    RWyxNode* Add(RWyxNode* parent, RWyxNode* node) {
        node->SetMarked(1, false);
        parent->AddChild(node);
        return node;
    }
};

using AdjustOptions = void (*)(RStreamOptionsMotion& options);

// Writes the scene over an old file, with every position and translation channel in the file
// (then `adjust`); an ASF write goes on with its AMC, over an old one in a folder of its own.
// The refusal's text, which leaves the old file as it was; empty when the file was put in place.
std::string WriteChain(const WriterCase& c, ChainScene& scene, const ScratchFolder& folder, AdjustOptions adjust) {
    const KeptFile old(folder.Join(c.file), kOldContent);
    const std::unique_ptr<RWyxWriter> writer = c.make(&scene.factory);
    const OptionsPtr options = TakeMotionOptions(writer->GetWriteOptions());
    options->SetFrameRate(10, 0.0);  // 25 frames per second
    options->SetFrameCount(3);
    options->SetOption(kMotionExportFromGlobalPosition, 1);
    options->SetOption(kMotionTranslation, 1);
    adjust(*options);
    Outcome outcome = WriteAndClose(*writer, old.Path(), scene.scene, options.get());
    if (outcome.written && c.label == std::string("asf")) {
        const ScratchFolder motionFolder;
        const KeptFile oldMotion(motionFolder.Join("take.amc"), kOldContent);
        RWyxWriterAmc amc(&scene.factory);
        outcome = WriteAndClose(amc, oldMotion.Path(), scene.scene, options.get());
        if (!outcome.written) ExpectNothingPutInPlace(outcome, oldMotion, motionFolder);
    } else if (!outcome.written) {
        ExpectNothingPutInPlace(outcome, old, folder);
    }
    EXPECT_EQ(outcome.closed, outcome.written) << outcome.closeText;
    return outcome.written ? "" : outcome.writeText;
}

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

void AllGroups(RStreamOptionsMotion&) {}
void RotationsAlone(RStreamOptionsMotion& options) {
    options.SetOption(kMotionTranslation, 0);
    options.SetOption(kMotionScaling, 0);
}
void FromTheRoot(RStreamOptionsMotion& options) { options.SetOption(kMotionExportFromGlobalPosition, 0); }

// What a scene gives through the writers: the refusal, its subject then its ending ('$' the
// writer's label, `motion` for the ASF file's: "ASF", or "AMC" for its motion's), or, from the
// writers named in keptBy (each followed by a blank), a file put in place; the frame writers'
// refusal in framesRefusal where it differs.
struct NotKept {
    std::vector<BadValue> values;
    const char* subject;
    const char* ending;
    const char* motion;
    const char* keptBy = "";
    int tail = 0;
    AdjustOptions adjust = AllGroups;
    const char* unmarked = "";
    const char* framesRefusal = "";
};

const char* const kCannot = ", which $ files cannot hold";
const char* const kBeyond = " lies beyond the real numbers $ files hold";
const char* const kAll = "BVH HTR TRC ASF C3D AOA MCD VPM MOV BRD ";
const char* const kPositions = "TRC C3D AOA MCD ";  // the writers of positions alone
const char* const kFrames = "TRC C3D AOA MCD VPM MOV BRD ";  // the writers of no default pose

// Keys that are not finite numbers in a root's translation, a rotation above a child and a
// child's translation and rotation (a MOV file of rotations alone would hold it as 0); defaults
// in a child's translation and scaling (the end site's offset of a BVH leaf joint scales with
// it); finite keys whose product grows beyond the floats of a read (Chest's scaling carries Head
// 6e38 up, or scales it 6e38, which MOV alone holds), and default scalings multiplied beyond the
// doubles down the tail, named at the node where they left the numbers.
const NotKept kNotKept[] = {
    {{}, "", "", "", kAll},
    {{{"Hips", 0, 1, kNan}}, "The translation X of \"Hips\" at 0.04 s is nan", kCannot, "AMC"},
    {{{"Hips", 0, 1, -kInf}}, "The translation X of \"Hips\" at 0.04 s is -inf", kCannot, "AMC"},
    {{{"Chest", 4, 1, kInf}}, "The rotation Y of \"Chest\" at 0.04 s is inf", kCannot, "AMC"},
    {{{"Chest", 4, 1, kNan}}, "The rotation Y of \"Chest\" at 0.04 s is nan", kCannot, "AMC"},
    {{{"Head", 2, 1, kInf}}, "The translation Z of \"Head\" at 0.04 s is inf", kCannot, "AMC"},
    {{{"Head", 5, 2, -kInf}}, "The rotation Z of \"Head\" at 0.08 s is -inf", kCannot, "AMC", kPositions, 0,
     RotationsAlone},
    {{{"Head", 0, -1, kNan}}, "The default translation X of \"Head\" is nan", kCannot, "ASF", kFrames},
    {{{"Head", 6, -1, kNan}}, "The default scaling X of \"Head\" is nan", kCannot, "ASF", kFrames},
    {{{"Head", 0, -1, -kInf}}, "The default translation X of \"Head\" is -inf", kCannot, "ASF", kFrames},
    {{{"Head", 0, -1, 1e300}}, "The default translation X of \"Head\"", kBeyond, "ASF", kFrames},
    {{{"Chest", 4, -1, 3.5e38}}, "The default rotation Y of \"Chest\"", kBeyond, "ASF", "BVH TRC C3D AOA MCD VPM MOV BRD "},
    {{{"Head", 0, -1, 3e38}}, "The default pose of \"Chest\"", kBeyond, "ASF", "BVH TRC ASF C3D AOA MCD VPM MOV BRD "},
    {{{"Chest", 6, -1, 2.0}, {"Head", 0, -1, 3e38}}, "The default pose of \"Chest\"", kBeyond, "ASF",
     "BVH TRC C3D AOA MCD VPM MOV BRD "},
    {{{"Chest", 3, kUnkeyed, kInf}}, "The default rotation X of \"Chest\" is inf", kCannot, "ASF"},
    {{{"Hips", 0, kUnkeyed, 1e300}}, "The default translation X of \"Hips\"", kBeyond, "ASF"},
    {{{"Chest", 7, 1, 3e38f}}, "The motion of \"Head\" at 0.04 s", kBeyond, "AMC", "BVH "},
    {{{"Chest", 7, 1, 2.0f}, {"Head", 7, 1, 3e38f}}, "The motion of \"Head\" at 0.04 s", kBeyond, "AMC",
     "BVH HTR TRC ASF C3D AOA MCD VPM BRD "},
    {{}, "", kBeyond, "ASF", "BVH ", 11},
    // Defaults of a node that moves no marker (prop) and of the frames' root (Hips, unkeyed) are
    // no frame writer's; one of a node between a marker and the root (Chest, unmarked) is.
    {{{"prop", 0, -1, kInf}}, "The default translation X of \"prop\" is inf", kCannot, "ASF", kFrames},
    {{{"prop", 0, -1, 1e300}}, "The default translation X of \"prop\"", kBeyond, "ASF", kFrames},
    {{{"Hips", 0, kUnkeyed, kNan}}, "The default translation X of \"Hips\" is nan", kCannot, "ASF", kFrames, 0,
     FromTheRoot},
    {{{"Chest", 8, kUnkeyed, 1e300}}, "The default scaling Z of \"Chest\"", kBeyond, "ASF", "BVH ", 0, AllGroups,
     "Chest"},
    // BVH takes a leaf joint's scaling, whose end site it scales, and no end site's (prop's)
    // rotation; ASF takes the root's scaling, keys or none.
    {{{"Head", 6, -1, 1e300}}, "The default scaling X of \"Head\"", kBeyond, "ASF", kFrames},
    {{{"prop", 3, -1, kNan}}, "The default rotation X of \"prop\" is nan", kCannot, "ASF", "BVH TRC C3D AOA MCD VPM MOV BRD "},
    {{{"Hips", 6, -1, kNan}}, "The default scaling X of \"Hips\" is nan", kCannot, "ASF", "BVH TRC C3D AOA MCD VPM MOV BRD "},
    // A node left on its default take is evaluated by its defaults in the frames, its keys there
    // unused: the frame writers take every default of one that moves a marker (Chest, unmarked
    // between two; Head, a marker; Hips below the scene's root). BVH's frames evaluate its keys,
    // so BVH leaves a keyed rotation's default and a joint's scaling (Head, on its default take,
    // is an end site, whose rotation it leaves); ASF leaves the root's keyed channels.
    {{{"Chest", 0, kOnDefaultTake, 1e300}}, "The default translation X of \"Chest\"", kBeyond, "ASF", "", 0, AllGroups,
     "Chest"},
    {{{"Chest", 1, kOnDefaultTake, -kInf}}, "The default translation Y of \"Chest\" is -inf", kCannot, "ASF", "", 0,
     AllGroups, "Chest"},
    {{{"Chest", 0, kOnDefaultTake, kNan}}, "The default translation X of \"Chest\" is nan", kCannot, "ASF", "", 0,
     AllGroups, "Chest"},
    {{{"Chest", 4, kOnDefaultTake, 1e300}}, "The default rotation Y of \"Chest\"", kBeyond, "ASF", "BVH ", 0, AllGroups,
     "Chest"},
    {{{"Chest", 8, kOnDefaultTake, 1e300}}, "The default scaling Z of \"Chest\"", kBeyond, "ASF", "BVH ", 0, AllGroups,
     "Chest"},
    {{{"Head", 3, kOnDefaultTake, kNan}}, "The default rotation X of \"Head\" is nan", kCannot, "ASF", "BVH "},
    {{{"Hips", 3, kOnDefaultTake, kInf}}, "The default rotation X of \"Hips\" is inf", kCannot, "ASF", "BVH ASF "},
    // Chest's default scaling carries Head's key beyond the floats in the frames, which name no
    // key they leave unused (Chest's nan, which AMC takes as BVH does). Keys the frames use leave
    // their defaults to no frame writer (Chest keyed in "take").
    {{{"Chest", 7, kOnDefaultTake, 2.0}, {"Chest", 0, 0, kNan}, {"Head", 1, 0, 3e38}},
     "The translation X of \"Chest\" at 0 s is nan", kCannot, "AMC", "", 0, AllGroups, "Chest",
     "The motion of \"Head\" at 0 s lies beyond the real numbers $ files hold"},
    // AMC takes a default take's keys as any take's (a key scaling its child beyond the floats
    // too), and its defaults where a channel has none (the root's, which the ASF check takes).
    {{{"Hips", 6, kOnDefaultTake, 1.0}, {"Hips", 0, 1, kNan}}, "The translation X of \"Hips\" at 0.04 s is nan", kCannot,
     "AMC", kFrames},
    {{{"Head", 7, kOnDefaultTake, 1.0}, {"Head", 4, 2, -kInf}}, "The rotation Y of \"Head\" at 0.08 s is -inf", kCannot,
     "AMC", "BVH TRC C3D AOA MCD VPM MOV BRD "},
    {{{"Chest", 6, kOnDefaultTake, 1.0}, {"Chest", 7, 1, 3e38f}}, "The motion of \"Head\" at 0.04 s", kBeyond, "AMC",
     "BVH TRC C3D AOA MCD VPM MOV BRD "},
    {{{"Hips", 6, kOnDefaultTake, 1.0}, {"Hips", 1, kUnkeyed, 1e300}}, "The default translation Y of \"Hips\"", kBeyond,
     "ASF"},
    {{{"Hips", 6, kOnDefaultTake, 1.0}, {"Hips", 4, kUnkeyed, kNan}}, "The default rotation Y of \"Hips\" is nan",
     kCannot, "ASF"},
    {{{"Chest", 0, -1, 1e300}}, "The default translation X of \"Chest\"", kBeyond, "ASF", kFrames, 0, AllGroups,
     "Chest"},
};

// Each is refused by every writer whose file would hold it before anything is put in place;
// the other writers put in place a file that prints no "nan" or "inf" (the binary C3D file's
// numbers are bounded by its own check).
TEST(MotionWriterNonFiniteTest, ValuesAReadWouldNotKeepAreRefusedBeforeAnythingIsPutInPlace) {
    for (const NotKept& row : kNotKept) {
        for (const WriterCase& c : kWriters) {
            if (c.label == std::string("amc")) continue;  // written after its ASF
            std::string label = c.label;
            for (char& ch : label) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            SCOPED_TRACE(label + ": " + row.subject + row.ending);
            ScratchFolder folder;
            ChainScene scene(row.values, row.tail, row.unmarked);
            const std::string refusal = WriteChain(c, scene, folder, row.adjust);
            if (std::string(row.keptBy).find(label + " ") != std::string::npos) {
                EXPECT_EQ(refusal, "");
                const std::string text = ScratchFolder::ReadFile(folder.Join(c.file));
                EXPECT_TRUE(text.find("nan") == std::string::npos && text.find("inf") == std::string::npos) << text;
                continue;
            }
            const bool framed =
                *row.framesRefusal != '\0' && std::string(kFrames).find(label + " ") != std::string::npos;
            std::string ending = framed ? row.framesRefusal : row.ending;
            ending.replace(ending.find('$'), 1, label == "ASF" ? row.motion : label);
            if (row.tail == 0) {
                EXPECT_EQ(refusal, (framed ? "" : row.subject) + ending);
            } else {  // the node named lies down the tail
                const std::size_t end = refusal.size() - std::min(refusal.size(), ending.size());
                EXPECT_TRUE(refusal.find(" of \"n") != std::string::npos && refusal.substr(end) == ending) << refusal;
            }
        }
    }
}

}  // namespace
