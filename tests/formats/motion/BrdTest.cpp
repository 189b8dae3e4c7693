#include "attributes/RWyxMarker.h"
#include "formats/motion/RBrdFile.h"
#include "formats/motion/RWyxReaderBrd.h"
#include "formats/motion/RWyxWriterBrd.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

using namespace motion_test;

// A row at 100 frames per second; a quaternion of a quarter turn about Z for odd frames.
std::string Row(int frame, int marker, double x, bool turned = false) {
    const std::string q = turned ? "0 0 0.7071067811865476 0.7071067811865476" : "0 0 0 1";
    return std::to_string(frame) + "\t" + std::to_string(marker) + "\tP\t" + std::to_string(x) + "\t2\t3\tQ\t" + q +
           "\t0\t" + std::to_string(frame * 10000) + "\n";
}

TEST(BrdReaderTest, RowsInAnyOrderComeOutSortedWithGapsOccluded) {
    SceneFixture fixture;
    RWyxReaderBrd reader(&fixture.factory);
    const std::string text = Row(3, 7, 30.0) + Row(1, 2, 10.0, true) + Row(1, 7, 11.0) + Row(2, 2, 20.0) +
                             Row(1, 7, 12.0) + Row(3, 2, 30.0);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, text, "rig.brd", [](RStreamOptionsMotion&) {}, &options))
        << reader.GetLastErrorString();
    ASSERT_EQ(reader.GetMarkerCount(), 2);
    EXPECT_EQ(reader.GetMarker(0)->GetId(), 2);
    EXPECT_EQ(reader.GetMarker(1)->GetId(), 7);
    ASSERT_EQ(reader.GetMarker(1)->GetSampleCount(), 2);
    EXPECT_EQ(reader.GetMarker(1)->GetSample(0).position.x, 12.0);  // the later row of frame 1
    EXPECT_EQ(options->GetFrameCount(), 3);
    EXPECT_NEAR(options->GetFrameRate(), 100.0, 1e-6);
    EXPECT_EQ(options->GetTimeMode(), 2);
    EXPECT_EQ(fixture.scene->GetGlobalTimeSettings()->GetTimeMode(), 2);

    RWyxNode* group = fixture.Node("BRD:reference");
    ASSERT_NE(group, nullptr);
    RWyxNode* marker7 = fixture.Node("Marker7");
    ASSERT_NE(marker7, nullptr);
    EXPECT_EQ(marker7->GetParent(), group);
    EXPECT_EQ(marker7->GetMarker()->GetType(), RWyxMarker::kOpticalMarker);
    const RTime start = options->GetStartTime();
    const RTime period = options->GetFramePeriod();
    // Frame 2 of marker 7 is missing: occluded, holding the last valid position.
    EXPECT_EQ(ValueAt(marker7, RWyxTakeNode::Occlusion, start + period), 1.0f);
    EXPECT_EQ(ValueAt(marker7, RWyxTakeNode::Occlusion, start), 0.0f);
    EXPECT_NEAR(ValueAt(marker7, 0, start + period), 12.0, 1e-5);
    EXPECT_NEAR(ValueAt(fixture.Node("Marker2"), 5, start), 90.0, 1e-4);
}

TEST(BrdReaderTest, WithoutLastValidModeGapsGoToTheOrigin) {
    SceneFixture fixture;
    RWyxReaderBrd reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, Row(1, 0, 5.0) + Row(3, 0, 7.0) + Row(2, 1, 1.0), "a.brd",
                         [](RStreamOptionsMotion& o) {
                             o.SetOption(kMotionImportSetOccludedToLastValidPosition, 0);
                             o.SetOption(kMotionImportAsOpticalSegments, 1);
                         },
                         &options));
    EXPECT_NEAR(ValueAt(fixture.Node("Marker0"), 0, options->GetStartTime() + options->GetFramePeriod()), 0.0, 1e-6);
    EXPECT_NE(fixture.Node("BRD:optical"), nullptr);
}

TEST(BrdReaderTest, RowsOfOneTimeTakeTheDefaultRate) {
    SceneFixture fixture;
    RWyxReaderBrd reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, "1 0 P 0 0 0 Q 0 0 0 1 5 0\n2 0 P 0 0 0 Q 0 0 0 1 5 0\n", "a.brd",
                         [](RStreamOptionsMotion&) {}, &options));
    EXPECT_EQ(options->GetTimeMode(), 6);
}

struct Refusal {
    const char* what;
    std::string text;
    const char* error;
};

class BrdRefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(BrdRefusalTest, ScanRefusesTheFile) {
    SceneFixture fixture;
    RWyxReaderBrd reader(&fixture.factory);
    EXPECT_FALSE(ReadText(fixture, reader, GetParam().text));
    EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    EXPECT_NE(std::string(reader.GetLastErrorString()).find(GetParam().error), std::string::npos)
        << reader.GetLastErrorString();
    EXPECT_EQ(reader.GetMarkerCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrdRefusalTest,
    ::testing::Values(
        Refusal{"wrong letter", Row(1, 0, 0.0) + "2 0 X 0 0 0 Q 0 0 0 1 0 0\n", "line 2: Can't read the row"},
        Refusal{"missing field", Row(1, 0, 0.0) + "2 0 P 0 0 0 Q 0 0 0 1 0\n", "Can't read the row"},
        Refusal{"frames far apart", "-2147483648 0 P 0 0 0 Q 0 0 0 1 0 0\n2147483647 0 P 0 0 0 Q 0 0 0 1 1 0\n",
                "need more keys"},
        Refusal{"span beyond the rows", Row(0, 0, 0.0) + "200 1 P 0 0 0 Q 0 0 0 1 2 0\n", "need more keys"},
        Refusal{"times backwards", "1 0 P 0 0 0 Q 0 0 0 1 5 0\n2 0 P 0 0 0 Q 0 0 0 1 4 0\n", "frames per second"},
        Refusal{"time beyond the range", "1 0 P 0 0 0 Q 0 0 0 1 1e300 0\n", "time range"}),
    [](const ::testing::TestParamInfo<Refusal>& info) {
        std::string name = info.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(BrdReaderTest, ASpanOfSixtyFourKeysPerRowIsRead) {
    SceneFixture fixture;
    RWyxReaderBrd reader(&fixture.factory);
    // Two rows of one marker, 128 frames apart: 128 keys for 2 rows.
    ASSERT_TRUE(ReadText(fixture, reader, Row(0, 0, 0.0) + Row(127, 0, 1.0))) << reader.GetLastErrorString();
    EXPECT_EQ(reader.GetFrameCount(), 128);
    RWyxReaderBrd over(&fixture.factory);
    EXPECT_FALSE(ReadText(fixture, over, Row(0, 0, 0.0) + Row(128, 0, 1.0)));
}

TEST(BrdWriterTest, RowsNumberFramesAndMarkedNodesFromZero) {
    SceneFixture fixture;
    RWyxNode* group = fixture.factory.CreateNode("group");
    fixture.scene->GetRootNode()->AddChild(group);
    group->SetDefaultTranslation(RVector4(100.0, 0.0, 0.0, 1.0));
    RWyxNode* left = fixture.factory.CreateNode("zeta");
    RWyxNode* right = fixture.factory.CreateNode("alpha");
    left->SetDefaultTranslation(RVector4(1.0, 2.0, 3.0, 1.0));
    right->SetDefaultRotation(RVector4(0.0, 0.0, 90.0, 1.0));
    group->AddChild(left);
    group->AddChild(right);
    group->SetMarked(1, true);
    ScratchFolder folder;
    const std::string path = folder.Join("out.brd");
    RWyxWriterBrd writer(&fixture.factory);
    OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
    options->SetFrameRate(0, 100.0);
    options->SetFrameCount(2);
    options->SetStartTime(RTime(RTime::kTicksPerSecond * 3));
    ASSERT_TRUE(writer.FileCreate(path.c_str()));
    ASSERT_TRUE(writer.Write(fixture.scene, options.get())) << writer.GetLastErrorString();
    ASSERT_TRUE(writer.FileClose());
    // The group is the export root: the origin of the written positions.
    EXPECT_EQ(ScratchFolder::ReadFile(path),
              "0\t0\tP\t0\t0\t0\tQ\t0\t0\t0\t1\t3\t0\n"
              "0\t1\tP\t1\t2\t3\tQ\t0\t0\t0\t1\t3\t0\n"
              "0\t2\tP\t0\t0\t0\tQ\t0\t0\t0.707107\t0.707107\t3\t0\n"
              "1\t0\tP\t0\t0\t0\tQ\t0\t0\t0\t1\t3\t10000\n"
              "1\t1\tP\t1\t2\t3\tQ\t0\t0\t0\t1\t3\t10000\n"
              "1\t2\tP\t0\t0\t0\tQ\t0\t0\t0.707107\t0.707107\t3\t10000\n");

    // Read back, marker 2 turns a quarter about Z.
    SceneFixture again;
    RWyxReaderBrd reader(&again.factory);
    ASSERT_TRUE(reader.FileOpen(path.c_str()));
    OptionsPtr read = TakeMotionOptions(reader.GetReadOptions(false));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetStartTime(), RTime(RTime::kTicksPerSecond * 3));
    ASSERT_TRUE(reader.Read(again.scene, read.get()));
    EXPECT_NEAR(ValueAt(again.Node("Marker2"), 5, read->GetStartTime()), 90.0, 1e-3);
    EXPECT_NEAR(ValueAt(again.Node("Marker1"), 2, read->GetStartTime()), 3.0, 1e-5);
}

TEST(BrdWriterTest, OccludedFramesAreLeftOutOnlyWhenGapsAreNotData) {
    SceneFixture fixture;
    RWyxReaderBrd reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, Row(0, 0, 1.0) + Row(2, 0, 3.0) + Row(1, 1, 9.0), "a.brd",
                         [](RStreamOptionsMotion&) {}, &options));
    fixture.Node("Marker0")->SetMarked(1, false);
    ScratchFolder folder;
    const std::string path = folder.Join("out.brd");
    for (int gaps : {0, 1}) {
        RWyxWriterBrd writer(&fixture.factory);
        options->SetOption(kMotionExportGapsAsValidData, gaps);
        options->SetOption(kMotionExportFromGlobalPosition, 1);
        ASSERT_TRUE(writer.FileCreate(path.c_str()));
        ASSERT_TRUE(writer.Write(fixture.scene, options.get()));
        ASSERT_TRUE(writer.FileClose());
        const std::string text = ScratchFolder::ReadFile(path);
        EXPECT_EQ(text.find("\n1\t0\tP") != std::string::npos, gaps == 1) << text;
    }
}

}  // namespace
