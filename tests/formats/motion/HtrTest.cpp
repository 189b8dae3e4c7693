#include "attributes/RWyxPose.h"
#include "core/EulerAngles.h"
#include "core/FilePaths.h"
#include "core/RIniFile.h"
#include "curves/RFCurve.h"
#include "formats/motion/RHtrFile.h"
#include "formats/motion/RWyxReaderHtr.h"
#include "formats/motion/RWyxWriterHtr.h"
#include "scene/RWyxNodeLimits.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace motion_test;

std::string Header(const std::string& overrides = "", int segments = 3, int frames = 2) {
    std::ostringstream text;
    text << "# made by hand\n[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments " << segments
         << "\nNumFrames " << frames << "\nDataFrameRate 60\nEulerRotationOrder ZYX\nCalibrationUnits cm\n"
         << "RotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n"
         << overrides;
    return text.str();
}

const char* const kHierarchy =
    "[SegmentNames&Hierarchy]\n"
    "Hips GLOBAL\n"
    "Spine Hips\n"
    "Hand Spine\n";

const char* const kBase =
    "[BasePosition]\n"
    "Hips 0 90 0 0 0 0 10\n"
    "Spine 0 10 0 0 0 0 30\n"
    "Hand 0 30 0 0 0 90 8\n";

const char* const kFrames =
    "[Hips]\n"
    "0 0 0 0 0 0 0 1.0\n"
    "1 1 2 3 10 0 0 1.0\n"
    "[Spine]\n"
    "0 0 0 0 0 0 0 1.0\n"
    "1 0 0 0 0 20 0 1.0\n"
    "[Hand]\n"
    "0 0 0 0 0 0 0 1.0\n"
    "1 0 0 0 0 0 30 1.0\n"
    "[EndOfFile]\n";

std::string File(const std::string& header = Header(), const std::string& hierarchy = kHierarchy,
                 const std::string& base = kBase, const std::string& frames = kFrames) {
    return header + hierarchy + base + frames;
}

// Reads through the format object alone: header and hierarchy, then nodes and motion.
struct HtrFixture : SceneFixture {
    RHtrFile file;
    OptionsPtr options = NewOptions();

    bool ReadAll(const std::string& text) {
        file.OpenBytes(text.data(), text.size());
        RWyxNode* reference = factory.CreateNode("HTR:reference");
        return file.ReadOptions(*options) && file.ReadHierarchy() && file.BuildNodes(factory, reference, "take") &&
               file.ReadMotion(*options);
    }
};

TEST(HtrFileTest, InchesWithScaleFactorTwoAndRadiansConvertToCentimetresAndDegrees) {
    HtrFixture fixture;
    const std::string header = "[Header]\nFileType htr\nDataType HTRS\nNumSegments 1\nNumFrames 0\n"
                               "DataFrameRate 30\nEulerRotationOrder ZYX\nCalibrationUnits in\nRotationUnits Radians\n"
                               "BoneLengthAxis Y\nScaleFactor 2\n";
    const std::string text = header + "[SegmentNames&Hierarchy]\nRoot GLOBAL\n[BasePosition]\nRoot 1 0 0 1.5707963267948966 0 0 4\n"
                                      "[Root]\n[EndOfFile]\n";
    ASSERT_TRUE(fixture.ReadAll(text)) << fixture.file.GetLastErrorText();
    const RHtrSegment& root = *fixture.file.GetSegment(0);
    EXPECT_NEAR(root.baseTranslation[0], 1.27, 1e-12);
    EXPECT_NEAR(root.boneLength, 4 * 1.27, 1e-12);
    RVector4 rotation;
    root.node->GetDefaultRotation(rotation);
    EXPECT_NEAR(rotation.x, 90.0, 1e-9);
    EXPECT_EQ(fixture.options->GetTimeMode(), 6);
}

TEST(HtrFileTest, EulerOrderComposesPerAxisAnglesInItsSequence) {
    // XYZ: Z acts first, then Y, then X; the base angles are about X, Y and Z.
    HtrFixture fixture;
    std::string header = Header();
    header.replace(header.find("ZYX"), 3, "XYZ");
    ASSERT_TRUE(fixture.ReadAll(File(header)));
    EXPECT_EQ(fixture.file.GetRotationOrderCode(), 10);
    const RHtrSegment& hand = *fixture.file.GetSegment(2);
    // A single angle about Z is the same in every order.
    EXPECT_NEAR(hand.baseRotation[0][1], 1.0, 1e-12);
}

TEST(HtrFileTest, LeafSegmentsGetEndNodesAndTheRestPoseHoldsEveryBase) {
    SceneFixture fixture;
    RWyxReaderHtr reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, File(), "walk.htr")) << reader.GetLastErrorString();
    RWyxNode* hand = fixture.Node("Hand");
    RWyxNode* end = fixture.Node("Hand_End");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->GetParent(), hand);
    EXPECT_EQ(fixture.Node("Spine_End"), nullptr);
    EXPECT_FALSE(end->GetLimits()->GetAuto(RWyxNodeLimits::kTranslation));
    EXPECT_EQ(end->GetLimits()->GetAxisLength(), 0.0);

    ASSERT_EQ(fixture.scene->GetPoseCount(), 1);
    const RWyxPose* pose = fixture.scene->GetPose(0);
    EXPECT_STREQ(pose->GetName().Buffer(), "Pose::HTR:reference_RESTPOSE");
    const int spine = pose->Find("Model::Spine");
    ASSERT_GE(spine, 0);
    EXPECT_TRUE(pose->IsLocalMatrix(spine));
    EXPECT_NEAR(pose->GetMatrix(spine)[3][1], 10.0, 1e-12);
    EXPECT_EQ(fixture.scene->GetCurrentTakeName(), std::string("walk"));
}

TEST(HtrFileTest, WithTheReferenceNodeKeptZeroFramesLeaveZeroRotationsAfterTheOffsetPass) {
    HtrFixture fixture;
    ASSERT_TRUE(fixture.file.GetMinimizeRotationOffset());  // no settings file: on
    const std::string frames = "[Hips]\n0 0 0 0 0 0 0 1\n[Spine]\n0 0 0 0 0 0 0 1\n[Hand]\n0 0 0 0 0 0 0 1\n[EndOfFile]\n";
    ASSERT_TRUE(fixture.ReadAll(File(Header("", 3, 1), kHierarchy, kBase, frames))) << fixture.file.GetLastErrorText();
    for (int s = 0; s < 3; ++s) {
        RWyxNode* node = fixture.file.GetSegment(s)->node;
        for (int channel = 3; channel < 6; ++channel) {
            EXPECT_NEAR(ValueAt(node, channel, RTime()), 0.0, 1e-4) << s << " " << channel;
        }
    }
    EXPECT_NEAR(ValueAt(fixture.Node("Hips"), 1, RTime()), 90.0, 1e-4);
    // The hand's translation is its base translation turned by the spine's default rotation.
    EXPECT_NEAR(ValueAt(fixture.Node("Hand"), 1, RTime()), 30.0, 1e-4);
}

TEST(HtrFileTest, FrameRotationsActBeforeTheBaseAndFrameLengthsScaleLikeBaseOnes) {
    HtrFixture fixture;
    fixture.file.SetMinimizeRotationOffset(false);
    const std::string frames = "[Hips]\n0 1 2 3 0 0 0 1\n[Spine]\n0 0 0 0 0 0 0 1\n[Hand]\n0 0 0 0 90 0 0 7\n[EndOfFile]\n";
    ASSERT_TRUE(fixture.ReadAll(File(Header("ScaleFactor 2\n", 3, 1), kHierarchy, kBase, frames)));
    RWyxNode* hips = fixture.file.GetSegment(0)->node;
    EXPECT_NEAR(ValueAt(hips, 0, RTime()), 0.5, 1e-6);  // 1 cm / 2 + base 0
    EXPECT_NEAR(ValueAt(hips, 1, RTime()), 46.0, 1e-5);  // 2 / 2 + base 90 / 2
    // The hand's base turns 90 degrees about Z; its frame turns 90 about X first.
    RWyxNode* hand = fixture.file.GetSegment(2)->node;
    RMatrix expected;
    RMatrix frame;
    RMatrix base;
    EulerXYZToMatrix(frame, 90.0, 0.0, 0.0);
    EulerXYZToMatrix(base, 0.0, 0.0, 90.0);
    MatrixMultiplyRotation(expected, base, frame);
    RMatrix keyed;
    EulerXYZToMatrix(keyed, ValueAt(hand, 3, RTime()), ValueAt(hand, 4, RTime()), ValueAt(hand, 5, RTime()));
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(keyed[r][c], expected[r][c], 1e-6) << r << c;
    }
    EXPECT_EQ(ValueAt(hand, 6, RTime()), 1.0f);  // the frame's scale factor is not applied
}

TEST(HtrFileTest, SettingsFileCanSwitchTheOffsetPassOff) {
    ScratchFolder folder;
    const std::string previous = GetTempPath();
    SetTempPath(folder.Path().c_str());
    {
        RIniFile settings(RHtrFile::kSettingsFile, true);
        settings.SetValue(RHtrFile::kSettingsSection, RHtrFile::kSettingsKey, "No");
    }
    RHtrFile off;
    SetTempPath(previous.c_str());
    EXPECT_FALSE(off.GetMinimizeRotationOffset());
}

struct Refusal {
    const char* what;
    std::string text;
    const char* error;
};

class HtrRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(HtrRefusalTest, RefusedWithItsReason) {
    HtrFixture fixture;
    EXPECT_FALSE(fixture.ReadAll(GetParam().text));
    EXPECT_NE(fixture.file.GetLastErrorText().find(GetParam().error), std::string::npos)
        << fixture.file.GetLastErrorText();
}

INSTANTIATE_TEST_SUITE_P(
    Files, HtrRefusalTest,
    ::testing::Values(
        Refusal{"two roots", File(Header(), "[SegmentNames&Hierarchy]\nHips GLOBAL\nSpine GLOBAL\nHand Spine\n"),
                "both roots"},
        Refusal{"self parent", File(Header(), "[SegmentNames&Hierarchy]\nHips GLOBAL\nSpine Spine\nHand Spine\n"),
                "own ancestor"},
        Refusal{"cycle", File(Header(), "[SegmentNames&Hierarchy]\nHips GLOBAL\nSpine Hand\nHand Spine\n"),
                "own ancestor"},
        Refusal{"base name", File(Header(), kHierarchy, "[BasePosition]\nHips 0 0 0 0 0 0 1\nHand 0 0 0 0 0 0 1\n"),
                "Base position of Spine"},
        Refusal{"scale zero", File(Header("ScaleFactor 0\n")), "Scale factor 0"},
        Refusal{"negative rate", File(Header("DataFrameRate -5\n")), "outside 0"},
        Refusal{"absurd rate", File(Header("DataFrameRate 1000000000\n")), "outside 0"},
        Refusal{"no scale on frame",
                File(Header(), kHierarchy, kBase, "[Hips]\n0 0 0 0 0 0 0\n"), "Can't read frame scaling"},
        Refusal{"repeated block",
                File(Header("", 3, 1), kHierarchy, kBase, "[Hips]\n0 0 0 0 0 0 0 1\n[Hips]\n0 0 0 0 0 0 0 1\n"),
                "Second frame block"},
        Refusal{"claimed frames", File(Header("", 3, 2000000000)), "Can't read frame number"},
        Refusal{"unknown rotation units", File(Header("RotationUnits Grads\n")), "Unknown rotation units"},
        Refusal{"no animation", Header() + kHierarchy + "[EndOfFile]\n", "Animation data not found"},
        Refusal{"parent differing in case",
                File(Header(), "[SegmentNames&Hierarchy]\nHips GLOBAL\nSpine hips\nHand Spine\n"),
                "Segments Hips and Spine are both roots"},
        Refusal{"block differing in case", File(Header("", 3, 1), kHierarchy, kBase, "[hips]\n0 0 0 0 0 0 0 1\n"),
                "[hips] names no segment"},
        Refusal{"block without brackets", File(Header("", 3, 1), kHierarchy, kBase, "Hips\n0 0 0 0 0 0 0 1\n"),
                "Hips names no segment"},
        Refusal{"block half bracketed", File(Header("", 3, 1), kHierarchy, kBase, "[Hips\n0 0 0 0 0 0 0 1\n"),
                "[Hips names no segment"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(HtrFileTest, ZeroRateTakesTheDefaultRate) {
    HtrFixture fixture;
    ASSERT_TRUE(fixture.ReadAll(File(Header("DataFrameRate 0\n"))));
    EXPECT_EQ(fixture.options->GetTimeMode(), 6);
}

// Frame blocks may come in any order; a block's word is the whole name in brackets, so a
// name may itself end in a bracket.
TEST(HtrFileTest, FrameBlocksFindTheirSegmentsInAnyOrder) {
    HtrFixture fixture;
    fixture.file.SetMinimizeRotationOffset(false);
    const std::string hierarchy = "[SegmentNames&Hierarchy]\nHips GLOBAL\nSpine] Hips\nHand Spine]\n";
    const std::string base = "[BasePosition]\nHips 0 90 0 0 0 0 10\nSpine] 0 10 0 0 0 0 30\nHand 0 30 0 0 0 0 8\n";
    const std::string frames = "[Hand]\n0 3 0 0 0 0 0 1\n[Hips]\n0 1 0 0 0 0 0 1\n[Spine]]\n0 2 0 0 0 0 0 1\n"
                               "[EndOfFile]\n";
    ASSERT_TRUE(fixture.ReadAll(File(Header("", 3, 1), hierarchy, base, frames))) << fixture.file.GetLastErrorText();
    for (int s = 0; s < 3; ++s) {
        EXPECT_NEAR(ValueAt(fixture.file.GetSegment(s)->node, 0, RTime()), s + 1.0, 1e-6) << s;
    }
    EXPECT_EQ(fixture.file.GetSegment(2)->parent, 1);
}

// Of two segments with one name, the first is the parent named and owns the frame block.
TEST(HtrFileTest, NamesakeSegmentsAnswerTheFirst) {
    HtrFixture fixture;
    const std::string hierarchy = "[SegmentNames&Hierarchy]\nHips GLOBAL\nArm Hips\nArm Hips\nHand Arm\n";
    const std::string base = "[BasePosition]\nHips 0 90 0 0 0 0 10\nArm 0 1 0 0 0 0 3\nArm 0 2 0 0 0 0 3\n"
                             "Hand 0 3 0 0 0 0 8\n";
    const std::string frames = "[Hips]\n0 0 0 0 0 0 0 1\n[Arm]\n0 0 0 0 0 0 0 1\n[Arm]\n0 0 0 0 0 0 0 1\n";
    EXPECT_FALSE(fixture.ReadAll(File(Header("", 4, 1), hierarchy, base, frames)));
    EXPECT_NE(fixture.file.GetLastErrorText().find("Second frame block of Arm"), std::string::npos);
    EXPECT_EQ(fixture.file.GetSegment(3)->parent, 1);
    EXPECT_EQ(fixture.file.GetSegment(1)->node->GetChildCount(), 1);
    EXPECT_EQ(fixture.file.GetSegment(1)->curves[0]->GetKeyCount(), 1);
    EXPECT_EQ(fixture.file.GetSegment(2)->curves[0]->GetKeyCount(), 0);
}

// Writes the scene through the HTR writer: the file's text, empty when a step failed.
std::string WriteHtr(SceneFixture& fixture, RStreamOptionsMotion& options) {
    ScratchFolder folder;
    const std::string path = folder.Join("again.htr");
    RWyxWriterHtr writer(&fixture.factory);
    const bool written = writer.FileCreate(path.c_str()) && writer.Write(fixture.scene, &options) && writer.FileClose();
    EXPECT_TRUE(written) << writer.GetLastErrorString();
    return written ? ScratchFolder::ReadFile(path) : std::string();
}

// Written and read again, an HTR file keeps its base positions and bone lengths (written in
// millimetres, rest pose included) and every segment's world positions.
TEST(HtrWriterTest, RoundTripKeepsLengthsAndPositions) {
    SceneFixture first;
    RWyxReaderHtr reader(&first.factory);
    OptionsPtr options;
    const std::string frames =
        "[Hips]\n0 0 0 0 0 0 0 1\n1 1 2 3 10 0 0 1\n[Spine]\n0 0 0 0 0 0 0 1\n1 0 0 0 0 20 0 1\n"
        "[Hand]\n0 0 0 0 0 0 0 1\n1 0 0 0 0 0 30 1\n[EndOfFile]\n";
    ASSERT_TRUE(ReadText(first, reader, File(Header(), kHierarchy, kBase, frames), "walk.htr",
                         [](RStreamOptionsMotion&) {}, &options));
    first.Node("Hips")->SetMarked(1, false);
    const std::string written = WriteHtr(first, *options);
    ASSERT_FALSE(written.empty());
    EXPECT_NE(written.find("CalibrationUnits mm\n"), std::string::npos);

    HtrFixture second;
    ASSERT_TRUE(second.ReadAll(written)) << second.file.GetLastErrorText() << written;
    HtrFixture original;
    ASSERT_TRUE(original.ReadAll(File(Header(), kHierarchy, kBase, frames)));
    ASSERT_EQ(second.file.GetSegmentCount(), 3);
    for (int s = 0; s < 3; ++s) {
        const RHtrSegment& a = *original.file.GetSegment(s);
        const RHtrSegment& b = *second.file.GetSegment(s);
        EXPECT_EQ(a.name, b.name);
        EXPECT_NEAR(a.boneLength, b.boneLength, 1e-4 * a.boneLength) << a.name;
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(a.baseTranslation[i], b.baseTranslation[i], 1e-4) << a.name;
        for (int f = 0; f < 2; ++f) {
            const RTime time = options->GetFramePeriod() * f;
            const RVector4 pa = a.node->GetGlobalMatrixAt(time).GetTranslation();
            const RVector4 pb = b.node->GetGlobalMatrixAt(second.options->GetFramePeriod() * f).GetTranslation();
            EXPECT_NEAR(pa.x, pb.x, 1e-3) << a.name << " " << f;
            EXPECT_NEAR(pa.y, pb.y, 1e-3) << a.name << " " << f;
            EXPECT_NEAR(pa.z, pb.z, 1e-3) << a.name << " " << f;
        }
    }
}

std::vector<std::string> progressReports;

void RecordProgress(int /*status*/, const char* text, float percent) {
    progressReports.push_back(std::string(text != nullptr ? text : "") + " " + std::to_string(static_cast<int>(percent)));
}

// Every frame is converted, with its share of the first half of the progress, before the
// file is printed.
TEST(HtrWriterTest, FramesAreConvertedBeforeTheNodesAreWritten) {
    SceneFixture scene;
    RWyxReaderHtr reader(&scene.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(scene, reader, File(), "walk.htr", [](RStreamOptionsMotion&) {}, &options));
    scene.Node("Hips")->SetMarked(1, false);
    ASSERT_EQ(options->GetFrameCount(), 2);
    options->SetProgressHook(&RecordProgress);
    progressReports.clear();
    EXPECT_FALSE(WriteHtr(scene, *options).empty());
    options->SetProgressHook(nullptr);
    EXPECT_EQ(progressReports,
              (std::vector<std::string>{"Converting HTR nodes 0", "Converting HTR nodes 25", "Writing HTR nodes 50"}));
}

}  // namespace
