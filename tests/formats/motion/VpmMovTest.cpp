// VPM and MOV: segments and columns read into nodes, rates, damaged and short input, and what
// the writers write.

#include "core/RTimeMode.h"
#include "formats/motion/RMovFile.h"
#include "formats/motion/RWyxReaderMov.h"
#include "formats/motion/RWyxReaderVpm.h"
#include "formats/motion/RWyxWriterMov.h"
#include "formats/motion/RWyxWriterVpm.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxTakeInfo.h"
#include "tests/formats/motion/MotionSamples.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

using namespace motion_test;

std::string Segment(const std::string& name, int frames, const char* frameTime, int lines, double inches = 1.0) {
    std::string text = "Segment: " + name + "\nFrames: " + std::to_string(frames) + "\nFrame Time: " + frameTime +
                       "\nXTRAN YTRAN ZTRAN XROT YROT ZROT XSCALE YSCALE ZSCALE\n"
                       "INCHES INCHES INCHES DEGREES DEGREES DEGREES PERCENT PERCENT PERCENT\n";
    for (int f = 0; f < lines; ++f) {
        text += std::to_string(inches * (f + 1)) + " 0 0 " + std::to_string(10 * f) + " 0 0 50 50 50\n";
    }
    return text;
}

// A scene of two marked nodes at the root (beside an unmarked one), moving along x.
struct PoseScene {
    SceneFixture fixture;

    explicit PoseScene(const char* first = "Hips", const char* second = "Chest") {
        fixture.scene->GetRootNode()->AddChild(fixture.factory.CreateNode("camera"));
        const char* names[] = {first, second};
        for (int i = 0; i < 2; ++i) {
            RWyxTakeNode* take = AddMarkedNode(fixture, fixture.scene->GetRootNode(), names[i]);
            for (int f = 0; f < 3; ++f) {
                const RTime time = RTime(RTime::kTicksPerSecond / 25) * f;
                take->GetTranslationXCurve()->AppendKey(time, static_cast<float>(2.54 * (f + 1 + 10 * i)));
                take->GetRotationYCurve()->AppendKey(time, static_cast<float>(15.0 * f));
            }
        }
    }

    template <typename Writer, typename Adjust>
    std::string Write(Writer& writer, const std::string& path, Adjust adjust) {
        EXPECT_TRUE(writer.FileCreate(path.c_str()));
        OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
        options->SetFrameRate(10, 0.0);  // 25 fps
        options->SetFrameCount(3);
        adjust(*options);
        if (!writer.Write(fixture.scene, options.get())) return "refused: " + std::string(writer.GetLastErrorString());
        EXPECT_TRUE(writer.FileClose());
        return ScratchFolder::ReadFile(path);
    }
};

TEST(VpmMovFormatTest, DefaultOptions) {
    SceneFixture fixture;
    RWyxReaderVpm vpm(&fixture.factory);
    const std::string vpmText = motion_samples::Vpm();
    vpm.OpenBytes(vpmText.data(), vpmText.size(), "take.vpm");
    OptionsPtr vpmOptions = TakeMotionOptions(vpm.GetReadOptions(false));
    ASSERT_NE(vpmOptions, nullptr);
    EXPECT_EQ(vpmOptions->GetOption(kMotionImportAsOpticalSegments), 0);
    EXPECT_EQ(vpmOptions->GetStartTime(), RTime());
    RWyxReaderMov mov(&fixture.factory);
    const std::string movText = motion_samples::Mov();
    mov.OpenBytes(movText.data(), movText.size(), "take.mov");
    OptionsPtr movOptions = TakeMotionOptions(mov.GetReadOptions(false));
    ASSERT_NE(movOptions, nullptr);
    for (int option : {kMotionTranslation, kMotionRotation, kMotionScaling}) EXPECT_EQ(movOptions->GetOption(option), 1);
    EXPECT_EQ(movOptions->GetOption(kMotionImportAsOpticalSegments), 0);

    RWyxWriterVpm vpmWriter(&fixture.factory);
    EXPECT_EQ(TakeMotionOptions(vpmWriter.GetWriteOptions())->GetOption(kMotionExportFromGlobalPosition), 0);
    RWyxWriterMov movWriter(&fixture.factory);
    OptionsPtr movWrite = TakeMotionOptions(movWriter.GetWriteOptions());
    for (int option : {kMotionTranslation, kMotionRotation, kMotionScaling}) EXPECT_EQ(movWrite->GetOption(option), 1);
    EXPECT_EQ(movWrite->GetOption(kMotionExportFromGlobalPosition), 0);
}

// ---- VPM ---------------------------------------------------------------------------------------

TEST(VpmReaderTest, SegmentsBecomeNodesInCentimetresWithUnitScaling) {
    SceneFixture fixture;
    RWyxReaderVpm reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, Segment("Hips", 3, "0.04", 3) + Segment("Chest", 3, "0.04", 3, 2.0), "walk.vpm",
                         [](RStreamOptionsMotion&) {}, &options));
    EXPECT_EQ(options->GetFrameCount(), 3);
    EXPECT_EQ(options->GetTimeMode(), 10);  // 25 fps
    RWyxNode* chest = fixture.Node("Chest");
    ASSERT_NE(chest, nullptr);
    EXPECT_EQ(chest->GetParent(), fixture.Node("VPM:reference"));
    const RTime last = options->GetStartTime() + options->GetFramePeriod() * 2;
    EXPECT_NEAR(ValueAt(chest, 0, last), 6 * 2.54, 1e-5);
    EXPECT_NEAR(ValueAt(chest, 3, last), 20.0, 1e-5);
    EXPECT_EQ(ValueAt(chest, 6, last), 1.0f);  // 50 percent reads as 1
}

TEST(VpmReaderTest, DamagedSecondSegmentAndSkippedFrames) {
    {
        SceneFixture fixture;
        RWyxReaderVpm reader(&fixture.factory);
        std::string second = Segment("Chest", 3, "0.04", 3);
        second.replace(second.find("Frames"), 6, "Frame$");
        ASSERT_TRUE(ReadText(fixture, reader, Segment("Hips", 3, "0.04", 3) + second, "walk.vpm"));
        EXPECT_NE(fixture.Node("Hips"), nullptr);
        EXPECT_EQ(fixture.Node("Chest"), nullptr);
    }
    SceneFixture fixture;
    RWyxReaderVpm reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, Segment("Hips", 10, "0.04", 10) + Segment("Chest", 10, "0.04", 10), "walk.vpm",
                         [](RStreamOptionsMotion& o) { o.SetFrameCount(5); }));
    ASSERT_NE(Curve(fixture.Node("Hips"), 0), nullptr);
    ASSERT_NE(Curve(fixture.Node("Chest"), 0), nullptr);  // found past the five frames skipped
    EXPECT_EQ(Curve(fixture.Node("Hips"), 0)->GetKeyCount(), 5);
    EXPECT_EQ(Curve(fixture.Node("Chest"), 0)->GetKeyCount(), 5);
}

TEST(VpmReaderTest, TheReadStoresItsTake) {
    SceneFixture fixture;
    RWyxReaderVpm reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, Segment("Hips", 4, "0.04", 4), "/data/walk.vpm", [](RStreamOptionsMotion&) {},
                         &options));
    EXPECT_STREQ(fixture.scene->GetCurrentTakeName(), "walk");
    const RWyxTakeInfo* info = fixture.scene->GetTakeInfo("walk");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->localStart, RTime());
    EXPECT_EQ(info->localStop, options->GetFramePeriod() * 3);
    EXPECT_EQ(info->referenceStop, info->localStop);
    EXPECT_STREQ(fixture.Node("Hips")->GetCurrentTakeNode()->GetName().Buffer(), "walk");
}

TEST(VpmReaderTest, KeywordsInAnyCase) {
    const std::string text = "SEGMENT:\tHips\nframes:\t1\nFRAME time:\t0.04\nA B C D E F G H I\n1 2 3 4 5 6 7 8 9\n"
                             "2 0 0 0 0 0 100 100 100\n";
    SceneFixture fixture;
    RWyxReaderVpm reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, text, "walk.vpm")) << reader.GetLastErrorString();
    EXPECT_NEAR(ValueAt(fixture.Node("Hips"), 0, RTime()), 2 * 2.54, 1e-5);
}

TEST(VpmReaderTest, BadHeadersAndDuplicateNamesAreCorrupted) {
    const std::string files[] = {Segment("Hips", 3, "0", 3), Segment("Hips", 3, "-0.04", 3), Segment("Hips", -1, "0.04", 0),
                                 Segment("Hips", 3, "1e-9", 3), Segment("Hips", 3, "inf", 3),
                                 Segment("Hips", 3, "0.04", 2), Segment("Hips", 3, "0.04", 3) + Segment("Hips", 3, "0.04", 3)};
    for (const std::string& file : files) {
        SCOPED_TRACE(file.substr(0, 40));
        SceneFixture fixture;
        RWyxReaderVpm reader(&fixture.factory);
        const int before = fixture.scene->GetRootNode()->GetChildCount();
        EXPECT_FALSE(ReadText(fixture, reader, file, "walk.vpm"));
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
        EXPECT_EQ(fixture.scene->GetRootNode()->GetChildCount(), before);
    }
}

TEST(VpmWriterTest, WritesInchesAndHundredPercentAndReadsBack) {
    ScratchFolder folder;
    PoseScene scene("left:Hips", "Chest");
    RWyxWriterVpm writer(&scene.fixture.factory);
    const std::string text = scene.Write(writer, folder.Join("out.vpm"), [](RStreamOptionsMotion&) {});
    EXPECT_EQ(text.substr(0, 43), "Segment:\tHips\nFrames:\t3\nFrame Time:\t0.04\nXT");
    EXPECT_NE(text.find("\n2\t0\t0\t0\t15\t0\t100\t100\t100\n"), std::string::npos) << text;
    SceneFixture back;
    RWyxReaderVpm reader(&back.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(back, reader, text, "out.vpm", [](RStreamOptionsMotion&) {}, &options));
    EXPECT_NEAR(ValueAt(back.Node("Chest"), 0, options->GetStartTime() + options->GetFramePeriod() * 2), 13 * 2.54, 1e-4);

    // Names equal after their last ':' make a file that reads as duplicates.
    PoseScene twins("left:Hand", "right:Hand");
    RWyxWriterVpm twinWriter(&twins.fixture.factory);
    const std::string twinText = twins.Write(twinWriter, folder.Join("twins.vpm"), [](RStreamOptionsMotion&) {});
    SceneFixture refused;
    RWyxReaderVpm twinReader(&refused.factory);
    EXPECT_FALSE(ReadText(refused, twinReader, twinText, "twins.vpm"));
}

TEST(VpmWriterTest, FramesTimesNodesBeyondTheBufferAreRefused) {
    ScratchFolder folder;
    PoseScene scene;
    RWyxWriterVpm writer(&scene.fixture.factory);
    const std::string text =
        scene.Write(writer, folder.Join("out.vpm"), [](RStreamOptionsMotion& o) { o.SetFrameCount(2000000000); });
    EXPECT_EQ(text, "refused: Not enough memory to allocate animation buffer.");
}

// ---- MOV ---------------------------------------------------------------------------------------

TEST(MovReaderTest, ColumnsCountSegmentsAndTimesGiveTheRate) {
    const std::string text = "0 1 2 3\n0.04 1 2 3\n0.08 1 2 3\n";
    {
        SceneFixture fixture;
        RWyxReaderMov reader(&fixture.factory);
        OptionsPtr options;
        ASSERT_TRUE(ReadText(fixture, reader, text, "take.mov", [](RStreamOptionsMotion&) {}, &options));
        EXPECT_NEAR(options->GetFrameRate(), 25.0, 1e-9);
        EXPECT_EQ(options->GetFrameCount(), 3);
        RWyxNode* parent = fixture.Node("MOV:reference");
        ASSERT_NE(parent, nullptr);
        EXPECT_EQ(parent->GetChildCount(), 0);  // (4 - 1) / 9 segments
    }
    SceneFixture fixture;
    RWyxReaderMov reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, text, "take.mov", [](RStreamOptionsMotion& o) {
        o.SetOption(kMotionRotation, 0);
        o.SetOption(kMotionScaling, 0);
    }));
    EXPECT_NE(fixture.Node("Marker0"), nullptr);
    EXPECT_EQ(fixture.Node("Marker1"), nullptr);
    EXPECT_NEAR(ValueAt(fixture.Node("Marker0"), 2, RTime()), 3.0, 1e-6);
}

TEST(MovReaderTest, NoGroupIsRefusedAndTheReadStoresItsTake) {
    const std::string text = "0.5 1 2 3\n0.54 1 2 3\n0.58 1 2 3\n";
    {
        SceneFixture fixture;
        RWyxReaderMov reader(&fixture.factory);
        EXPECT_FALSE(ReadText(fixture, reader, text, "take.mov", [](RStreamOptionsMotion& o) {
            o.SetOption(kMotionTranslation, 0);
            o.SetOption(kMotionRotation, 0);
            o.SetOption(kMotionScaling, 0);
        }));
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorUnidentified);
        EXPECT_STREQ(reader.GetLastErrorString(), "No animation to import.");
        EXPECT_EQ(fixture.Node("MOV:reference"), nullptr);
    }
    SceneFixture fixture;
    RWyxReaderMov reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, text, "/data/run.mov", [](RStreamOptionsMotion& o) {
        o.SetOption(kMotionRotation, 0);
        o.SetOption(kMotionScaling, 0);
    }, &options));
    EXPECT_NEAR(options->GetStartTime().ToSeconds(), 0.5, 1e-9);
    EXPECT_STREQ(fixture.scene->GetCurrentTakeName(), "run");
    const RWyxTakeInfo* info = fixture.scene->GetTakeInfo("run");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->localStart, options->GetStartTime());
    EXPECT_EQ(info->localStop, options->GetStartTime() + options->GetFramePeriod() * 2);
    EXPECT_EQ(fixture.scene->GetGlobalTimeSettings()->GetTimeMode(), 10);  // 25 fps
}

TEST(MovReaderTest, RepeatedTimesAreNoIntervals) {
    const struct {
        const char* text;
        double rate;
    } cases[] = {{"0 1\n0.04 1\n0.04 1\n0.08 1\n", 25.0}, {"0 1\n0 1\n0 1\n", 0.0}, {"5 1\n", 0.0},
                 {"0 1\n0.1 1\n0.05 1\n", 10.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SceneFixture fixture;
        RWyxReaderMov reader(&fixture.factory);
        reader.OpenBytes(c.text, std::strlen(c.text), "take.mov");
        OptionsPtr options = TakeMotionOptions(reader.GetReadOptions(false));
        ASSERT_NE(options, nullptr);
        if (c.rate > 0.0) {
            EXPECT_NEAR(options->GetFrameRate(), c.rate, 1e-9);
            EXPECT_EQ(options->GetTimeMode() == 0, c.rate == 10.0);
        } else {
            EXPECT_EQ(options->GetTimeMode(), DefaultTimeMode());
        }
    }
}

TEST(MovReaderTest, WordsShortLinesAndClaimsBeyondTheFile) {
    for (const char* text : {"time 1 2 3\n0.04 1 2 3\n", "", "0 1\n1e-9 1\n"}) {
        SceneFixture fixture;
        RWyxReaderMov reader(&fixture.factory);
        reader.OpenBytes(text, std::strlen(text), "bad.mov");
        EXPECT_EQ(reader.GetReadOptions(false), nullptr) << text;
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    }
    SceneFixture fixture;
    RWyxReaderMov reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, "0 1 2 3\n0.04 7\n", "take.mov", [](RStreamOptionsMotion& o) {
        o.SetOption(kMotionRotation, 0);
        o.SetOption(kMotionScaling, 0);
    }, &options));
    const RTime second = options->GetStartTime() + options->GetFramePeriod();
    EXPECT_EQ(ValueAt(fixture.Node("Marker0"), 0, second), 7.0f);
    EXPECT_EQ(ValueAt(fixture.Node("Marker0"), 1, second), 0.0f);

    // A first line of 3,000 values and 3,000 lines of one: more values than the file's bytes.
    std::string wide = "0";
    for (int i = 0; i < 3000; ++i) wide += " 1";
    wide += "\n";
    for (int i = 1; i < 3000; ++i) wide += std::to_string(i) + "\n";
    SceneFixture big;
    RWyxReaderMov bigReader(&big.factory);
    EXPECT_FALSE(ReadText(big, bigReader, wide, "wide.mov"));
    EXPECT_EQ(bigReader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
}

TEST(MovWriterTest, WritesEnabledGroupsWithTabsAndReadsBack) {
    ScratchFolder folder;
    PoseScene scene;
    RWyxWriterMov writer(&scene.fixture.factory);
    const std::string text = scene.Write(writer, folder.Join("out.mov"), [](RStreamOptionsMotion& o) {
        o.SetOption(kMotionScaling, 0);
    });
    // The time, then per node translation and rotation, every value ended by a tab.
    const std::string first = text.substr(0, text.find('\n') + 1);
    EXPECT_EQ(first.substr(0, 13), "0\t2.54\t0\t0\t0\t");
    EXPECT_NE(first.find("\t27.94\t0\t0\t"), std::string::npos) << first;
    EXPECT_EQ(std::count(first.begin(), first.end(), '\t'), 13);
    SceneFixture back;
    RWyxReaderMov reader(&back.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(back, reader, text, "out.mov", [](RStreamOptionsMotion& o) { o.SetOption(kMotionScaling, 0); },
                         &options));
    EXPECT_NEAR(options->GetFrameRate(), 25.0, 1e-6);
    EXPECT_NEAR(ValueAt(back.Node("Marker1"), 4, options->GetStartTime() + options->GetFramePeriod() * 2), 30.0, 1e-4);

    PoseScene none;
    RWyxWriterMov refused(&none.fixture.factory);
    EXPECT_EQ(none.Write(refused, folder.Join("none.mov"), [](RStreamOptionsMotion& o) {
        o.SetOption(kMotionTranslation, 0);
        o.SetOption(kMotionRotation, 0);
        o.SetOption(kMotionScaling, 0);
    }), "refused: No animation to export.");
}

}  // namespace
