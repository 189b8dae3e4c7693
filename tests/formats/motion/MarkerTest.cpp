// The marker road through its text formats: AOA/MCD and TRC with the time-code file; what the
// reader base does with counts, gaps, surplus elements and names; what the writers write.

#include "attributes/RWyxMarker.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "formats/motion/RTimeCodeFile.h"
#include "formats/motion/RTrcFile.h"
#include "formats/motion/RWyxReaderC3d.h"
#include "formats/motion/RWyxReaderMcd.h"
#include "formats/motion/RWyxReaderTrc.h"
#include "formats/motion/RWyxWriterC3d.h"
#include "formats/motion/RWyxWriterMcd.h"
#include "formats/motion/RWyxWriterTrc.h"
#include "scene/RRenamingStrategy.h"
#include "scene/RWyxGlobalTimeSettings.h"
#include "scene/RWyxTakeInfo.h"
#include "tests/formats/motion/MotionSamples.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace motion_test;

std::string g_message;

int KeepMessage(const char* /*title*/, const char* text, const char*, const char*, const char*, int answer) {
    g_message = text != nullptr ? text : "";
    return answer;
}

// An AOA text of the frames, each a list of x y z lines.
std::string Aoa(int frames, int markers, const std::string& body, const char* rate = "60") {
    return "frames = " + std::to_string(frames) + " markers = " + std::to_string(markers) + " Hz = " + rate + "\n" +
           body;
}

template <typename Adjust>
bool ReadAoa(SceneFixture& fixture, const std::string& text, Adjust adjust, OptionsPtr* keep = nullptr,
             bool mcd = false) {
    RWyxReaderMcd reader(&fixture.factory, mcd);
    return ReadText(fixture, reader, text, "capture.aoa", adjust, keep);
}

bool ReadAoa(SceneFixture& fixture, const std::string& text, OptionsPtr* keep = nullptr) {
    return ReadAoa(fixture, text, [](RStreamOptionsMotion&) {}, keep);
}

// ---- names and default options ----------------------------------------------------------------

// The options given, as (index, value) pairs, hold those values.
void ExpectOptions(const RStreamOptionsMotion& options, std::initializer_list<std::pair<int, int>> expected) {
    for (const auto& [index, value] : expected) {
        EXPECT_EQ(options.GetOption(index), value) << "option " << index;
    }
}

TEST(MarkerFormatTest, EachReaderAndWriterNamesItselfAndGivesItsDefaults) {
    SceneFixture fixture;
    RWyxReaderC3d c3d(&fixture.factory);
    RWyxReaderTrc trc(&fixture.factory);
    RWyxReaderMcd aoa(&fixture.factory, false);
    RWyxReaderMcd mcd(&fixture.factory, true);
    const struct {
        RWyxReaderMarker* reader;
        std::string text;
        const char* display;
        const char* shortName;
        std::initializer_list<std::pair<int, int>> options;
    } readers[] = {
        {&c3d, motion_samples::C3d(), "Vicon C3D File Importer", "C3D",
         {{kMotionUnusedSegments, 1}, {kMotionImportAsOpticalSegments, 1}, {kMotionImportSetOccludedToLastValidPosition, 1},
          {kMotionImportActorPrefix, 1}}},
        {&trc, motion_samples::Trc(), "Motion Analysis TRC File Importer", "TRC",
         {{kMotionUnusedSegments, 1}, {kMotionImportAsOpticalSegments, 1}, {kMotionImportSetOccludedToLastValidPosition, 1}}},
        {&aoa, motion_samples::Aoa(), "Adaptive Optics AOA File Importer", "AOA",
         {{kMotionImportAsOpticalSegments, 1}, {kMotionImportExactZeroAsOccluded, 1},
          {kMotionImportSetOccludedToLastValidPosition, 1}}},
        {&mcd, motion_samples::Aoa(), "Superfluo MCD File Importer", "MCD",
         {{kMotionImportAsOpticalSegments, 1}, {kMotionImportExactZeroAsOccluded, 1},
          {kMotionImportSetOccludedToLastValidPosition, 1}}},
    };
    for (const auto& r : readers) {
        SCOPED_TRACE(r.shortName);
        EXPECT_STREQ(r.reader->GetDisplayName().Buffer(), r.display);
        EXPECT_STREQ(r.reader->GetShortName().Buffer(), r.shortName);
        r.reader->OpenBytes(r.text.data(), r.text.size(), "take.txt");
        OptionsPtr options = TakeMotionOptions(r.reader->GetReadOptions(false));
        ASSERT_NE(options, nullptr);
        ExpectOptions(*options, r.options);
    }

    RWyxWriterC3d c3dWriter(&fixture.factory);
    RWyxWriterTrc trcWriter(&fixture.factory);
    RWyxWriterMcd aoaWriter(&fixture.factory, nullptr, false);
    RWyxWriterMcd mcdWriter(&fixture.factory, nullptr, true);
    const struct {
        RWyxWriterMarker* writer;
        const char* display;
        std::initializer_list<std::pair<int, int>> options;
    } writers[] = {
        {&c3dWriter, "Vicon C3D File Exporter",
         {{kMotionUnusedSegments, 1}, {kMotionExportGapsAsValidData, 0}, {kMotionExportC3DRealFormat, 1},
          {kMotionExportFromGlobalPosition, 0}}},
        {&trcWriter, "Motion Analysis TRC File Exporter",
         {{kMotionUnusedSegments, 1}, {kMotionExportGapsAsValidData, 0}, {kMotionExportFromGlobalPosition, 0}}},
        {&aoaWriter, "Adaptive Optics AOA File Exporter", {{kMotionExportFromGlobalPosition, 0}}},
        {&mcdWriter, "Superfluo MCD File Exporter", {{kMotionExportFromGlobalPosition, 0}}},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.display);
        EXPECT_STREQ(w.writer->GetDisplayName().Buffer(), w.display);
        OptionsPtr options = TakeMotionOptions(w.writer->GetWriteOptions());
        ASSERT_NE(options, nullptr);
        ExpectOptions(*options, w.options);
    }
}

// ---- AOA and MCD --------------------------------------------------------------------------------

TEST(AoaReaderTest, HeaderWordsInCapitalsAndMarkerNames) {
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadAoa(fixture, "a comment line\nFRAMES = 2 MARKERS = 2 HZ = 60\n1 2 3\n4 5 6\n1.5 2 3\n4 5 6.5\n", &options));
    EXPECT_EQ(options->GetFrameCount(), 2);
    EXPECT_EQ(options->GetTimeMode(), 3);  // 60 fps
    RWyxNode* second = fixture.Node("Marker2");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->GetParent(), fixture.Node("AOA:optical"));
    EXPECT_EQ(second->GetMarker()->GetType(), RWyxMarker::kOpticalMarker);
    EXPECT_NEAR(ValueAt(second, 2, options->GetStartTime() + options->GetFramePeriod()), 6.5, 1e-6);
    EXPECT_NEAR(ValueAt(fixture.Node("Marker1"), 0, options->GetStartTime() + options->GetFramePeriod()), 1.5, 1e-6);

    SceneFixture mcd;
    ASSERT_TRUE(ReadAoa(mcd, Aoa(1, 1, "1 2 3\n"), [](RStreamOptionsMotion&) {}, nullptr, true));
    EXPECT_NE(mcd.Node("MCD:optical"), nullptr);
}

TEST(AoaReaderTest, BadHeadersAndShortFilesAreCorrupted) {
    const std::string files[] = {Aoa(10, 3, "", "0"), Aoa(1, -1, ""), Aoa(-1, 1, ""), Aoa(1, 1, "", "-5"),
                                 Aoa(1, 1, "", "1e9"), "frames 2 markers = 1 Hz = 60\n1 2 3\n",
                                 "frames = 1 markers = 1 Hz = inf\n1 2 3\n", "no header here\n"};
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        SceneFixture fixture;
        RWyxReaderMcd reader(&fixture.factory, false);
        reader.OpenBytes(file.data(), file.size(), "bad.aoa");
        EXPECT_EQ(reader.GetReadOptions(false), nullptr);
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    }
    // A file ending inside a frame fails that frame and the read.
    SceneFixture fixture;
    EXPECT_FALSE(ReadAoa(fixture, Aoa(2, 2, "1 2 3\n4 5 6\n7 8 9\n")));
    EXPECT_EQ(fixture.Node("Marker1"), nullptr);
}

TEST(AoaReaderTest, ExactZeroIsAGapOnlyWhenAsked) {
    const std::string text = Aoa(2, 2, "1 2 3\n0 0 0.0001\n2 3 4\n0 0 0\n");
    for (const bool exactZero : {true, false}) {
        SceneFixture fixture;
        OptionsPtr options;
        ASSERT_TRUE(ReadAoa(
            fixture, text,
            [&](RStreamOptionsMotion& o) {
                o.SetOption(kMotionImportExactZeroAsOccluded, exactZero ? 1 : 0);
                o.SetOption(kMotionImportSetOccludedToLastValidPosition, 0);
            },
            &options));
        RWyxNode* second = fixture.Node("Marker2");
        EXPECT_EQ(ValueAt(second, RWyxTakeNode::Occlusion, options->GetStartTime()), 0.0f);
        EXPECT_EQ(ValueAt(second, RWyxTakeNode::Occlusion, options->GetStartTime() + options->GetFramePeriod()),
                  exactZero ? 1.0f : 0.0f);
    }
}

TEST(MarkerReaderTest, NoMarkersReadsNothing) {
    SceneFixture fixture;
    const int before = fixture.scene->GetRootNode()->GetChildCount();
    ASSERT_TRUE(ReadAoa(fixture, Aoa(5, 0, "")));
    EXPECT_EQ(fixture.scene->GetRootNode()->GetChildCount(), before);
    EXPECT_EQ(fixture.Node("AOA:optical"), nullptr);
}

TEST(MarkerReaderTest, OptionsFrameCountIsCutToTheFile) {
    const std::string text = Aoa(3, 1, "1 0 0\n2 0 0\n3 0 0\n");
    for (const int asked : {10, 2}) {
        SceneFixture fixture;
        OptionsPtr options;
        ASSERT_TRUE(ReadAoa(fixture, text, [&](RStreamOptionsMotion& o) { o.SetFrameCount(asked); }, &options));
        EXPECT_EQ(options->GetFrameCount(), asked < 3 ? asked : 3);
        ASSERT_NE(Curve(fixture.Node("Marker1"), 0), nullptr);
        EXPECT_EQ(Curve(fixture.Node("Marker1"), 0)->GetKeyCount(), asked < 3 ? asked : 3);
    }
}

TEST(MarkerReaderTest, GapsHoldTheLastSeenPositionWhenAsked) {
    // Seen at frames 0 to 2 (x = 1, 2, 3), a gap at 3 to 5, a marker occluded from frame 0.
    std::string body;
    for (int f = 0; f < 6; ++f) {
        body += f < 3 ? std::to_string(f + 1) + " 0 0\n" : "0 0 0\n";
        body += f == 0 ? "0 0 0\n" : "9 9 9\n";
    }
    for (const bool fill : {true, false}) {
        SCOPED_TRACE(fill);
        SceneFixture fixture;
        OptionsPtr options;
        ASSERT_TRUE(ReadAoa(
            fixture, Aoa(6, 2, body),
            [&](RStreamOptionsMotion& o) { o.SetOption(kMotionImportSetOccludedToLastValidPosition, fill ? 1 : 0); },
            &options));
        RWyxNode* first = fixture.Node("Marker1");
        for (int f = 3; f < 6; ++f) {
            const RTime time = options->GetStartTime() + options->GetFramePeriod() * f;
            EXPECT_EQ(ValueAt(first, 0, time), fill ? 3.0f : 0.0f);
            EXPECT_EQ(ValueAt(first, RWyxTakeNode::Occlusion, time), 1.0f);
        }
        EXPECT_EQ(ValueAt(fixture.Node("Marker2"), RWyxTakeNode::Occlusion, options->GetStartTime()), 1.0f);
    }
}

TEST(MarkerReaderTest, TheReadStoresItsTakeAndTimeMode) {
    const std::string text = Aoa(3, 1, "1 0 0\n2 0 0\n3 0 0\n");
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadAoa(fixture, text, &options));
    EXPECT_STREQ(fixture.scene->GetCurrentTakeName(), "capture");
    const RWyxTakeInfo* info = fixture.scene->GetTakeInfo("capture");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->localStart, RTime());
    EXPECT_EQ(info->localStop, options->GetFramePeriod() * 2);
    EXPECT_EQ(info->referenceStop, info->localStop);
    EXPECT_EQ(fixture.scene->GetGlobalTimeSettings()->GetTimeMode(), 3);  // 60 fps

    // A rate of no time mode leaves the scene's own.
    SceneFixture custom;
    const int before = custom.scene->GetGlobalTimeSettings()->GetTimeMode();
    ASSERT_TRUE(ReadAoa(custom, Aoa(3, 1, "1 0 0\n2 0 0\n3 0 0\n", "61")));
    EXPECT_EQ(custom.scene->GetGlobalTimeSettings()->GetTimeMode(), before);
    EXPECT_NE(custom.scene->GetTakeInfo("capture"), nullptr);
}

TEST(MarkerReaderTest, ClaimsBeyondTheFileAreRefusedBeforeMemoryIsTaken) {
    const std::string files[] = {Aoa(0, 2000000000, ""), Aoa(0, 70000, std::string(80000, '\n')),
                                 // 2,000 markers named, 2,000 frames that hold one field each: keys the
                                 // file cannot back
                                 [] {
                                     std::string names = "Frame#\tTime";
                                     std::string labels = "\t";
                                     for (int m = 1; m <= 2000; ++m) {
                                         names += "\tm" + std::to_string(m) + "\t\t";
                                         labels += "\tX\tY\tZ";
                                     }
                                     std::string text = "PathFileType\t3\t(X/Y/Z)\tx\nDataRate\tCameraRate\tNumFrames\t"
                                                        "NumMarkers\tUnits\n60\t60\t2000\t2000\tmm\n" +
                                                        names + "\n" + labels + "\n";
                                     for (int f = 1; f <= 2000; ++f) text += std::to_string(f) + "\t0\t1\t2\t3 \n";
                                     return text;
                                 }()};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        SceneFixture fixture;
        bool read = false;
        if (i < 2) {
            read = ReadAoa(fixture, files[i]);
        } else {
            RWyxReaderTrc reader(&fixture.factory);
            read = ReadText(fixture, reader, files[i], "wide.trc");
            EXPECT_NE(std::string(reader.GetLastErrorString()).find("more than the file holds"), std::string::npos);
        }
        EXPECT_FALSE(read);
        EXPECT_EQ(fixture.Node("m1"), nullptr);
    }
}

// ---- TRC ---------------------------------------------------------------------------------------

std::string TrcHeader(int type, const char* rate, int frames, int markers, const char* units, int startFrame = 1) {
    std::string text = "PathFileType\t" + std::to_string(type) + "\t(X/Y/Z)\ttake.trc\n";
    text += type == 4 ? "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n"
                      : "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n";
    text += std::string(rate) + "\t" + rate + "\t" + std::to_string(frames) + "\t" + std::to_string(markers) + "\t" +
            units;
    if (type == 4) text += std::string("\t") + rate + "\t" + std::to_string(startFrame) + "\t" + std::to_string(frames);
    return text + "\n";
}

TEST(TrcReaderTest, HeaderGivesStartRateAndUnits) {
    const struct {
        std::string header;
        bool valid;
        double start;
    } cases[] = {{TrcHeader(4, "100", 0, 0, "mm", 101), true, 1.0}, {TrcHeader(3, "100", 0, 0, "mm"), true, 0.0},
                 {TrcHeader(3, "100", 0, 0, "in"), false, 0.0},      {TrcHeader(3, "0", 0, 0, "mm"), false, 0.0},
                 {TrcHeader(5, "100", 0, 0, "mm"), false, 0.0},      {TrcHeader(3, "100", -1, 0, "mm"), false, 0.0},
                 {TrcHeader(3, "100", 0, 0, "mm").substr(0, 60), false, 0.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        SceneFixture fixture;
        RWyxReaderTrc reader(&fixture.factory);
        reader.OpenBytes(c.header.data(), c.header.size(), "take.trc");
        OptionsPtr options = TakeMotionOptions(reader.GetReadOptions(false));
        ASSERT_EQ(options != nullptr, c.valid);
        if (c.valid) {
            EXPECT_NEAR(options->GetStartTime().ToSeconds(), c.start, 1e-9);
            EXPECT_EQ(options->GetTimeMode(), 2);  // 100 fps
            EXPECT_EQ(options->GetOption(kMotionImportAsOpticalSegments), 1);
        } else {
            EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
        }
    }
}

// A take tree as text: every channel's name and data type, in order, and every curve's default.
std::string TreeText(const RFCurveNode& node) {
    std::string text = std::string(node.GetName()) + "/" + (node.GetDataType() != nullptr ? "t" : "-");
    if (const RFCurve* curve = node.GetCurve()) {
        text += "=" + std::to_string(curve->GetDefaultValue());
    }
    text += "{";
    for (int i = 0; i < node.GetChildCount(); ++i) text += TreeText(*node.GetChild(i)) + ",";
    return text + "}";
}

// A marker node's read take is the take a marked node gets when the take is added after the
// marker: the same channels in the same order, the marker's among them, with the same
// defaults and the same links to the node's properties.
TEST(TrcReaderTest, TheReadTakeIsTheTakeAMarkerNodeGets) {
    SceneFixture fixture;
    RWyxReaderTrc reader(&fixture.factory);
    const std::string text =
        TrcHeader(3, "100", 2, 1, "mm") + "Frame#\tTime\tKnee\n\t\tX1\tY1\tZ1\n1\t0.0\t1.0\t2.0\t3.0\n2\t0.01\t4.0\t5.0\t6.0\n";
    ASSERT_TRUE(ReadText(fixture, reader, text, "take.trc"));
    RWyxNode* read = fixture.Node("Knee");
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->GetTakeNodeCount(), 2);

    RWyxNode* made = fixture.factory.CreateNode("Made");
    RWyxMarker* marker = fixture.factory.CreateMarker();
    marker->SetType(RWyxMarker::kOpticalMarker);
    made->SetNodeAttribute(marker);
    made->AddTakeNode(read->GetTakeNode(1)->GetName().Buffer());
    for (int take = 0; take < 2; ++take) {
        SCOPED_TRACE(take);
        const std::string tree = TreeText(*read->GetTakeNode(take)->GetRootCurveNode());
        EXPECT_EQ(tree, TreeText(*made->GetTakeNode(take)->GetRootCurveNode()));
        EXPECT_NE(tree.find("Occlusion/t"), std::string::npos);
    }
    EXPECT_EQ(read->GetPropertyCurveLinkCount(), made->GetPropertyCurveLinkCount());
    EXPECT_EQ(read->GetTakeNode(0)->GetTranslationXCurve()->GetKeyCount(), 0);
    EXPECT_EQ(read->GetTakeNode(1)->GetTranslationXCurve()->GetKeyCount(), 2);
}

TEST(TrcReaderTest, FrameLinesWithEmptyFieldsAndNames) {
    RTrcFile file;
    const std::string text = TrcHeader(3, "100", 1, 3, "cm") + "Frame#\tTime\tL Knee\t\t\tUnnamed 3\n\t\t\t\t\t\t\t\t\t\t\t\t\t\t\tfoo\n" +
                             "\t\tX1\tY1\tZ1\tX2\tY2\n\tZ2\tx3\ty3\tz3\n" + "12\t0.110\t1.0\t2.0\t3.0\t\t\t\t4.0\t5.0\t6.0\n";
    file.OpenBytes(text.data(), text.size());
    int markers = 0, frames = 0;
    RTime start;
    double rate = 0.0, scale = 0.0;
    ASSERT_TRUE(file.ReadHeader(markers, start, frames, rate, scale));
    EXPECT_EQ(scale, 1.0);
    std::vector<RString> names(3);
    ASSERT_TRUE(file.ReadNames(names, false));
    EXPECT_STREQ(names[0].Buffer(), "L_Knee");
    EXPECT_STREQ(names[1].Buffer(), "*Unnamed_2");
    EXPECT_STREQ(names[2].Buffer(), "foo");
    RMarkerFrame frame;
    RTime time;
    int counter = 0;
    ASSERT_TRUE(file.ReadFrame(frame, 3, time, counter, RTime(), false));
    ASSERT_EQ(frame.size(), 3u);
    EXPECT_EQ(counter, 12);
    EXPECT_NEAR(time.ToSeconds(), 0.11, 1e-9);
    EXPECT_EQ(frame[0].x, 1.0);
    EXPECT_EQ(frame[0].w, 0.0);
    EXPECT_EQ(frame[1].x, 0.0);
    EXPECT_EQ(frame[1].w, 1.0);
    EXPECT_EQ(frame[2].z, 6.0);

    const std::string badLabels = TrcHeader(3, "100", 1, 1, "cm") + "Frame#\tTime\tA\n\t\tX1\tZ1\tY1\n";
    RTrcFile bad;
    bad.OpenBytes(badLabels.data(), badLabels.size());
    ASSERT_TRUE(bad.ReadHeader(markers, start, frames, rate, scale));
    std::vector<RString> one(1);
    EXPECT_FALSE(bad.ReadNames(one, false));
}

TEST(TrcReaderTest, ShortAndLongFrameLinesGiveGapsAndUnnamedMarkers) {
    const std::string text = TrcHeader(3, "50", 2, 2, "mm") + "Frame#\tTime\tA\t\t\tB\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n" +
                             "1\t0\t10\t20\t30\t40\t50\t60\t70\t80\t90 \n" + "2\t0.02\t11\t21\t31 \n";
    SceneFixture fixture;
    OptionsPtr options;
    RWyxReaderTrc reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, text, "take.trc",
                         [](RStreamOptionsMotion& o) { o.SetOption(kMotionImportSetOccludedToLastValidPosition, 0); },
                         &options))
        << reader.GetLastErrorString();
    RWyxNode* extra = fixture.Node("*Unnamed_3");
    ASSERT_NE(extra, nullptr);
    const RTime second = options->GetStartTime() + options->GetFramePeriod();
    EXPECT_NEAR(ValueAt(extra, 0, options->GetStartTime()), 7.0, 1e-5);  // millimetres read in centimetres
    EXPECT_EQ(ValueAt(extra, RWyxTakeNode::Occlusion, second), 1.0f);
    EXPECT_EQ(ValueAt(extra, 0, second), 0.0f);
    EXPECT_EQ(ValueAt(fixture.Node("B"), RWyxTakeNode::Occlusion, second), 1.0f);
    EXPECT_NEAR(ValueAt(fixture.Node("A"), 2, second), 3.1, 1e-5);
}

TEST(TrcReaderTest, DuplicateNamesFailOrAreRenamed) {
    const std::string text = TrcHeader(3, "50", 1, 3, "mm") + "Frame#\tTime\tHip\tKnee\tHip\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n" +
                             "1\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9 \n";
    {
        SceneFixture fixture;
        RWyxReaderTrc reader(&fixture.factory);
        const int before = fixture.scene->GetRootNode()->GetChildCount();
        g_message.clear();
        EXPECT_FALSE(ReadText(fixture, reader, text, "take.trc", [](RStreamOptionsMotion& o) {
            o.SetDialogHook(RStreamOptions::kMessageHook, &KeepMessage);
        }));
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
        EXPECT_NE(g_message.find("Duplicate names found in take.trc:"), std::string::npos);
        EXPECT_NE(g_message.find("Hip"), std::string::npos);
        EXPECT_EQ(fixture.scene->GetRootNode()->GetChildCount(), before);
        EXPECT_EQ(fixture.Node("Knee"), nullptr);
    }
    SceneFixture fixture;
    RWyxReaderTrc reader(&fixture.factory);
    g_message.clear();
    ASSERT_TRUE(ReadText(fixture, reader, text, "take.trc", [](RStreamOptionsMotion& o) {
        o.SetOption(kMotionRenameDuplicateNames, 1);
        o.SetDialogHook(RStreamOptions::kMessageHook, &KeepMessage);
    }));
    EXPECT_NE(fixture.Node("Hip 1"), nullptr);
    EXPECT_NE(g_message.find("Hip  -->  Hip 1"), std::string::npos);
}

// Leaves every name as it is, counting the nodes it is asked about: with it installed the
// reader can no longer tell the names before the nodes are made, so it makes them and checks
// the nodes.
class PassThroughNames : public RRenamingStrategy {
public:
    explicit PassThroughNames(int& calls) : RRenamingStrategy(0, false), calls_(calls) {}
    bool Rename(RNamePair& /*names*/) override {
        ++calls_;
        return false;
    }

private:
    int& calls_;
};

struct NameCheckResult {
    bool read = false;
    int code = 0;
    std::string error;
    std::string message;
    int nodes = 0;
    int children = 0;
};

NameCheckResult ReadTrcNames(const std::string& text, int* renamed) {
    SceneFixture fixture;
    if (renamed != nullptr) fixture.factory.SetNodeRenamingStrategy(std::make_unique<PassThroughNames>(*renamed));
    RWyxReaderTrc reader(&fixture.factory);
    g_message.clear();
    NameCheckResult result;
    result.read = ReadText(fixture, reader, text, "take.trc", [](RStreamOptionsMotion& o) {
        o.SetDialogHook(RStreamOptions::kMessageHook, &KeepMessage);
    });
    result.code = reader.GetLastErrorCode();
    result.error = reader.GetLastErrorString() != nullptr ? reader.GetLastErrorString() : "";
    result.message = g_message;
    result.nodes = fixture.factory.GetNodeCount();
    result.children = fixture.scene->GetRootNode()->GetChildCount();
    return result;
}

// Names are told apart before the nodes are made exactly as the made nodes are: the text
// after a "::", the group's own name, surplus elements, and each clash listed once in order.
TEST(TrcReaderTest, NamesTheNodesWouldRepeatAreRefusedBeforeAnyNodeAsAfter) {
    const auto text = [](const std::string& names, int markers, int elements) {
        std::string labels = "\t";
        std::string values = "1\t0";
        for (int m = 1; m <= markers; ++m) labels += "\tX" + std::to_string(m) + "\tY" + std::to_string(m) + "\tZ" + std::to_string(m);
        for (int m = 1; m <= elements; ++m) values += "\t" + std::to_string(m) + "\t2\t3";
        return TrcHeader(3, "50", 1, markers, "mm") + "Frame#\tTime\t" + names + "\n" + labels + "\n" + values + " \n";
    };
    const struct {
        std::string text;
        const char* clashes;  // null: the read succeeds
    } cases[] = {
        {text("Hip\tKnee\tHip\tKnee\tHip\tToe", 6, 6), "\n    Model::Hip\n    Model::Knee"},
        {text("Knee\ta::Hip\tb::Hip", 3, 3), "\n    Model::Hip"},
        {text("Hip\tTRC:optical", 2, 2), "\n    Model::TRC:optical"},
        {text("Hip\ta::Knee", 2, 4), nullptr},
        {text("Hip\tKnee\tToe", 3, 3), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        int renamed = 0;
        const NameCheckResult named = ReadTrcNames(c.text, nullptr);
        const NameCheckResult made = ReadTrcNames(c.text, &renamed);
        EXPECT_GT(renamed, 0);
        EXPECT_EQ(named.read, c.clashes == nullptr);
        if (c.clashes != nullptr) {
            EXPECT_EQ(named.code, RWyxReader::kErrorCorrupted);
            EXPECT_EQ(named.error, std::string("Duplicate names found in take.trc:") + c.clashes);
            EXPECT_EQ(named.message, named.error);
        }
        EXPECT_EQ(named.read, made.read);
        EXPECT_EQ(named.code, made.code);
        EXPECT_EQ(named.error, made.error);
        EXPECT_EQ(named.message, made.message);
        EXPECT_EQ(named.nodes, made.nodes);
        EXPECT_EQ(named.children, made.children);
    }
}

// ---- time codes -----------------------------------------------------------------------------------

TEST(TimeCodeFileTest, KindsRatesAndRanges) {
    const struct {
        const char* text;
        bool valid;
        int hours, seconds, frames, mode;
    } cases[] = {{"01:00:00:12\nSMPTE\n30\n", true, 1, 0, 12, 6},
                 {"01:00:00:31\nSMPTE\n30\n", false, 0, 0, 0, 0},
                 {"01:00:00:30\r\nSMPTE drop\r\n30.0\r\n", true, 1, 0, 30, 6},
                 {"0:0:2:24\nEBU\n99\n", true, 0, 2, 24, 10},
                 {"0:0:2:25\nEBU\n25\n", false, 0, 0, 0, 0},
                 {"2:0:0:10\nsystem clock\n60\n", true, 2, 0, 10, 3},
                 {"2:0:0:10\nSystem Clock\n61\n", false, 0, 0, 0, 0},
                 {"1:0:0:1\nNTSC\n30\n", false, 0, 0, 0, 0},
                 {"1:0:0\nSMPTE\n30\n", false, 0, 0, 0, 0},
                 {"-1:0:0:1\nSMPTE\n30\n", false, 0, 0, 0, 0},
                 {"99999999999:0:0:1\nSMPTE\n30\n", false, 0, 0, 0, 0},
                 {"1:0:0:1\nSMPTE\nnan\n", false, 0, 0, 0, 0},
                 {"1:0:0:1\nSMPTE\n", false, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        RTime time;
        ASSERT_EQ(RTimeCodeFile::Parse(c.text, std::strlen(c.text), time), c.valid);
        if (c.valid) {
            RTime expected;
            expected.SetFromTimecode(c.hours, 0, c.seconds, c.frames, 0, c.mode);
            EXPECT_EQ(time, expected);
        }
    }
    const std::string longLine = std::string(300, '0') + "1:0:0:1\nSMPTE\n30\n";
    RTime time;
    EXPECT_FALSE(RTimeCodeFile::Parse(longLine.data(), longLine.size(), time));
}

TEST(TimeCodeFileTest, FileBesideTheTrcSetsTheStartWhenLoaded) {
    ScratchFolder folder;
    const std::string trc = folder.WriteFile("walk.trc", motion_samples::Trc());
    SceneFixture fixture;
    RWyxReaderTrc reader(&fixture.factory);
    ASSERT_TRUE(reader.FileOpen(trc.c_str()));
    OptionsPtr plain = TakeMotionOptions(reader.GetReadOptions(false));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->GetStartTime(), RTime());

    folder.WriteFile("walk.tc", "01:00:00:12\nSMPTE\n30\n");
    OptionsPtr loaded = TakeMotionOptions(reader.GetReadOptions(false));
    RTime expected;
    expected.SetFromTimecode(1, 0, 0, 12, 0, 6);
    EXPECT_EQ(loaded->GetStartTime(), expected);

    folder.WriteFile("walk.tc", "01:00:00:31\nSMPTE\n30\n");
    OptionsPtr invalid = TakeMotionOptions(reader.GetReadOptions(false));
    EXPECT_EQ(invalid->GetStartTime(), RTime());
}

// ---- writing -----------------------------------------------------------------------------------

struct MarkerScene {
    SceneFixture fixture;

    MarkerScene() {
        fixture.scene->GetRootNode()->AddChild(fixture.factory.CreateNode("camera"));
        const char* names[] = {"actor:Hip", "Knee"};
        for (int i = 0; i < 2; ++i) {
            RWyxTakeNode* take = AddMarkedNode(fixture, fixture.scene->GetRootNode(), names[i]);
            for (int f = 0; f < 3; ++f) {
                const RTime time = RTime(RTime::kTicksPerSecond / 60) * f;
                take->GetTranslationXCurve()->AppendKey(time, static_cast<float>(1.0 + f + 10 * i));
                take->GetTranslationYCurve()->AppendKey(time, 2.0f);
                take->GetTranslationZCurve()->AppendKey(time, -3.0f);
                take->GetOcclusionCurve()->AppendKey(time, i == 1 && f == 1 ? 1.0f : 0.0f);
            }
        }
    }

    template <typename Writer>
    std::string Write(Writer& writer, const std::string& path) {
        EXPECT_TRUE(writer.FileCreate(path.c_str()));
        OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
        options->SetFrameRate(3, 0.0);
        options->SetFrameCount(3);
        EXPECT_TRUE(writer.Write(fixture.scene, options.get())) << writer.GetLastErrorString();
        EXPECT_TRUE(writer.FileClose());
        return ScratchFolder::ReadFile(path);
    }
};

TEST(MarkerWriterTest, TrcWritesMillimetresAndEmptyFieldsForGapsAndReadsBack) {
    ScratchFolder folder;
    MarkerScene scene;
    RWyxWriterTrc writer(&scene.fixture.factory);
    const std::string text = scene.Write(writer, folder.Join("out.trc"));
    EXPECT_NE(text.find("60.00\t60.00\t3\t2\tmm\t60.00\t1\t3\t\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Frame#\tTime\tHip\t\t\tKnee\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\t\n\n"), std::string::npos);
    EXPECT_NE(text.find("2\t0.017\t20.00000\t20.00000\t-30.00000\t\t\t \n"), std::string::npos) << text;

    SceneFixture back;
    RWyxReaderTrc reader(&back.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(back, reader, text, "out.trc",
                         [](RStreamOptionsMotion& o) { o.SetOption(kMotionImportSetOccludedToLastValidPosition, 0); },
                         &options));
    const RTime second = options->GetStartTime() + options->GetFramePeriod();
    EXPECT_NEAR(ValueAt(back.Node("Hip"), 0, second), 2.0, 1e-5);
    EXPECT_EQ(ValueAt(back.Node("Knee"), RWyxTakeNode::Occlusion, second), 1.0f);
    EXPECT_NEAR(ValueAt(back.Node("Knee"), 0, options->GetStartTime() + options->GetFramePeriod() * 2), 13.0, 1e-5);
}

TEST(MarkerWriterTest, GapsAsValidDataWriteTheHeldPosition) {
    ScratchFolder folder;
    MarkerScene scene;
    RWyxWriterTrc writer(&scene.fixture.factory);
    const std::string path = folder.Join("gaps.trc");
    ASSERT_TRUE(writer.FileCreate(path.c_str()));
    OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
    options->SetFrameRate(3, 0.0);
    options->SetFrameCount(3);
    options->SetOption(kMotionExportGapsAsValidData, 1);
    ASSERT_TRUE(writer.Write(scene.fixture.scene, options.get())) << writer.GetLastErrorString();
    ASSERT_TRUE(writer.FileClose());
    const std::string text = ScratchFolder::ReadFile(path);
    EXPECT_NE(text.find("2\t0.017\t20.00000\t20.00000\t-30.00000\t120.00000\t20.00000\t-30.00000 \n"),
              std::string::npos)
        << text;
}

TEST(MarkerWriterTest, AoaWritesPositionsAndReadsBackAsNumberedMarkers) {
    ScratchFolder folder;
    MarkerScene scene;
    RWyxWriterMcd writer(&scene.fixture.factory, nullptr, false);
    const std::string text = scene.Write(writer, folder.Join("out.aoa"));
    EXPECT_EQ(text.substr(0, 32), "frames = 3 markers = 2 Hz = 60\n1");
    SceneFixture back;
    OptionsPtr options;
    ASSERT_TRUE(ReadAoa(back, text, &options));
    EXPECT_NE(back.Node("Marker1"), nullptr);
    EXPECT_NEAR(ValueAt(back.Node("Marker2"), 0, options->GetStartTime() + options->GetFramePeriod() * 2), 13.0, 1e-5);
    EXPECT_EQ(back.Node("Hip"), nullptr);
}

TEST(MarkerWriterTest, NothingSelectedWritesEmptyFrames) {
    ScratchFolder folder;
    MarkerScene scene;
    scene.fixture.scene->GetRootNode()->SetMarked(0, true);
    RWyxWriterMcd writer(&scene.fixture.factory, nullptr, true);
    EXPECT_EQ(scene.Write(writer, folder.Join("out.mcd")), "frames = 3 markers = 0 Hz = 60\n");
}

}  // namespace
