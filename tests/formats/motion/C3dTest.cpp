// C3D: files written by hand from the published format in every processor layout, read by the
// reader; the writer's files checked by rules of the published format; hostile headers and
// parameters; what the writer must refuse.

#include "core/RTimeMode.h"
#include "attributes/RWyxMarker.h"
#include "fileio/RWyxFileExporter.h"
#include "formats/motion/RC3dFile.h"
#include "formats/motion/RC3dMarkerFile.h"
#include "formats/motion/RWyxReaderC3d.h"
#include "formats/motion/RWyxWriterC3d.h"
#include "tests/formats/motion/C3dFixture.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace motion_test;
using c3d_fixture::File;
using c3d_fixture::Parameter;
using c3d_fixture::Point;

constexpr float kIntegerScale = 0.05f;

// Two markers over three frames: the second occluded in the middle frame.
File TwoMarkers(int processor, bool floats) {
    File file;
    file.processor = processor;
    file.floats = floats;
    file.scale = kIntegerScale;
    file.points = 2;
    file.parameters = {File::Labels({"LKNE", "RKNE"}, 4), File::Text("UNITS", "mm")};
    for (int f = 0; f < 3; ++f) {
        Point left{1.5 + f, -2.0, 30.0 - f, true, 7, 3};
        Point right{-4.0, 12.25 + f, 0.5, f != 1, 0, 5};
        file.frames.push_back({left, right});
    }
    return file;
}

void ExpectPosition(RWyxNode* node, RTime time, double x, double y, double z, double tolerance) {
    ASSERT_NE(node, nullptr);
    EXPECT_NEAR(ValueAt(node, 0, time), x, tolerance);
    EXPECT_NEAR(ValueAt(node, 1, time), y, tolerance);
    EXPECT_NEAR(ValueAt(node, 2, time), z, tolerance);
}

bool ReadC3d(SceneFixture& fixture, const std::string& bytes, OptionsPtr* keep = nullptr, bool fillGaps = true) {
    RWyxReaderC3d reader(&fixture.factory);
    return ReadText(
        fixture, reader, bytes, "walk.c3d",
        [&](RStreamOptionsMotion& options) {
            options.SetOption(kMotionImportSetOccludedToLastValidPosition, fillGaps ? 1 : 0);
        },
        keep);
}

// Every record of the file's parameter section (none when its header or section is not found).
std::vector<RC3dParameter> ReadRecords(RC3dFile& reader, const void* bytes, std::size_t size) {
    std::vector<RC3dParameter> records;
    reader.OpenSourceBytes(bytes, size);
    RC3dParameter record;
    for (bool more = reader.ReadHeader() && reader.BeginParameters(); more && reader.ReadRecord(record);) {
        records.push_back(record);
    }
    return records;
}

class C3dLayoutTest : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(C3dLayoutTest, HandWrittenFileReadsInEveryLayoutAndStorage) {
    const auto [processor, floats] = GetParam();
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, TwoMarkers(processor, floats).Build(), &options, false));
    EXPECT_EQ(options->GetFrameCount(), 3);
    EXPECT_NEAR(options->GetFrameRate(), 100.0, 1e-9);
    EXPECT_NEAR(options->GetStartTime().ToSeconds(), 0.01, 1e-9);  // first frame 1 at 100 fps
    RWyxNode* left = fixture.Node("LKNE");
    RWyxNode* right = fixture.Node("RKNE");
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(left->GetParent(), fixture.Node("C3D:optical"));
    const double tolerance = floats ? 1e-5 : kIntegerScale * 0.1;
    const RTime start = options->GetStartTime();
    const RTime period = options->GetFramePeriod();
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        const RTime time = start + period * f;
        ExpectPosition(left, time, 1.5 + f, -2.0, 30.0 - f, tolerance);
        EXPECT_EQ(ValueAt(left, RWyxTakeNode::Occlusion, time), 0.0f);
        EXPECT_EQ(ValueAt(right, RWyxTakeNode::Occlusion, time), f == 1 ? 1.0f : 0.0f);
    }
    ExpectPosition(right, start + period * 2, -4.0, 14.25, 0.5, tolerance);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, C3dLayoutTest,
                         ::testing::Combine(::testing::Values(1, 2, 3), ::testing::Bool()));

TEST(C3dLibraryTest, FloatLayoutsConvert) {
    const std::uint8_t decOne[4] = {0x80, 0x40, 0x00, 0x00};
    EXPECT_EQ(RC3dFile::DecodeFloat(decOne, RC3dFile::kDec), 1.0f);
    const std::uint8_t decMinusZero[4] = {0x00, 0x80, 0x00, 0x00};
    EXPECT_EQ(RC3dFile::DecodeFloat(decMinusZero, RC3dFile::kDec), 0.0f);
    const std::uint8_t mipsOne[4] = {0x3F, 0x80, 0x00, 0x00};
    EXPECT_EQ(RC3dFile::DecodeFloat(mipsOne, RC3dFile::kMips), 1.0f);
    const std::uint8_t intelHalf[4] = {0x00, 0x00, 0x00, 0x3F};
    EXPECT_EQ(RC3dFile::DecodeFloat(intelHalf, RC3dFile::kIntel), 0.5f);

    std::uint8_t out[4];
    ASSERT_TRUE(RC3dFile::EncodeDecFloat(1.0f, out));
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{0x80, 0x40, 0x00, 0x00}));
    ASSERT_TRUE(RC3dFile::EncodeDecFloat(-0.0f, out));
    EXPECT_EQ(std::vector<int>(out, out + 4), (std::vector<int>{0, 0, 0, 0}));
    for (float value : {-1234.5f, 3.0e-30f, 0.14490029f, 6.5e37f}) {
        SCOPED_TRACE(value);
        ASSERT_TRUE(RC3dFile::EncodeDecFloat(value, out));
        EXPECT_EQ(c3d_fixture::DecValue(out), static_cast<double>(value));
        EXPECT_EQ(RC3dFile::DecodeFloat(out, RC3dFile::kDec), value);
    }
    EXPECT_FALSE(RC3dFile::EncodeDecFloat(3.0e38f, out));  // beyond the DEC range
}

TEST(C3dLibraryTest, RecordsTooLongForTheirOffsetAreRefused) {
    RC3dFile file;
    RC3dParameter record;
    record.name = "BIG";
    record.groupId = 1;
    record.value = RC3dArray(RC3dArray::kFloat, {255, 255});  // 260,100 bytes
    EXPECT_FALSE(record.value.IsValid());
    EXPECT_FALSE(file.PutRecord(record));
    record.value = RC3dArray::TextRows(std::vector<std::string>(255, "x"), 255);
    record.description = std::string(255, 'd');
    ASSERT_TRUE(file.PutRecord(record));
    EXPECT_EQ(c3d_fixture::LittleWord(std::string(file.Output().begin(), file.Output().end()), 5), 2 + 4 + 65025 + 1 + 255);
    record.name = std::string(128, 'N');
    EXPECT_FALSE(file.PutRecord(record));
}

TEST(C3dLibraryTest, RecordsWrittenReadBackWithTheirFlagsValuesAndDescriptions) {
    RC3dFile writer;
    RC3dFile::Header header;
    header.parameterBlock = 2;
    header.points = 1;
    header.dataStart = 3;
    header.frameRate = 60.0f;
    writer.PutHeader(header);
    writer.PutFill(512 - writer.Output().size(), 0);
    writer.WriteParameterHeader(1);
    RC3dParameter group;
    group.name = "TRIAL";
    group.groupId = -3;
    group.locked = true;
    group.description = "the trial";
    RC3dParameter rows;
    rows.name = "NAMES";
    rows.groupId = 3;
    rows.value = RC3dArray::TextRows({"ab", "cde"}, 3);
    rows.description = "two rows";
    RC3dParameter words;
    words.name = "FRAMES";
    words.groupId = 3;
    words.locked = true;
    words.value = RC3dArray(RC3dArray::kSignedWord, {3});
    for (int i = 0; i < 3; ++i) words.value.SetInteger(i, -1000 * (i + 1));
    RC3dParameter bytes;
    bytes.name = "FLAGS";
    bytes.groupId = 3;
    bytes.value = RC3dArray(RC3dArray::kByte, {2});
    bytes.value.SetInteger(1, 200);
    RC3dParameter real;
    real.name = "RATE";
    real.groupId = 3;
    real.value = RC3dArray::Float(-12.375f);
    for (const RC3dParameter* record : {&group, &rows, &words, &bytes, &real}) ASSERT_TRUE(writer.PutRecord(*record));
    writer.PutFill(1024 - writer.Output().size(), 0);
    writer.PutFill(16, 0);
    writer.ApplyPatches();

    const std::vector<std::uint8_t>& out = writer.Output();
    RC3dFile reader;
    const std::vector<RC3dParameter> read = ReadRecords(reader, out.data(), out.size());
    EXPECT_EQ(reader.GetProcessorType(), RC3dFile::kDec);
    EXPECT_EQ(reader.GetHeader().frameRate, 60.0f);
    ASSERT_EQ(read.size(), 5u);
    EXPECT_EQ(read[0].name, "TRIAL");
    EXPECT_EQ(read[0].groupId, -3);
    EXPECT_TRUE(read[0].locked);
    EXPECT_EQ(read[0].description, "the trial");
    EXPECT_EQ(read[1].value.GetDimensions(), (std::vector<int>{3, 2}));
    EXPECT_EQ(read[1].value.GetRow(1).GetText(), "cde");
    EXPECT_EQ(read[1].value.GetRow(0).GetText(), "ab ");
    EXPECT_EQ(read[1].description, "two rows");
    EXPECT_FALSE(read[1].locked);
    EXPECT_TRUE(read[2].locked);
    EXPECT_EQ(read[2].value.GetInteger(2), -3000);
    EXPECT_EQ(read[3].value.GetInteger(0), 0);
    EXPECT_EQ(read[3].value.GetInteger(1), 200);
    EXPECT_EQ(read[4].value.GetDimensionCount(), 0);  // a single value is written as a scalar
    EXPECT_EQ(read[4].value.GetDouble(0), -12.375);
    EXPECT_EQ(read[4].groupId, 3);
}

TEST(C3dLibraryTest, HeaderScaleAndRateAreClamped) {
    const struct {
        float scale;
        float rate;
        float readScale;
        float readRate;
    } cases[] = {{0.0005f, 0.0f, 0.1449f, 30.0f}, {1000.0f, 1200.0f, 0.1449f, 30.0f}, {0.5f, 999.0f, 0.5f, 999.0f},
                 {-1.0f, 60.0f, -1.0f, 60.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scale);
        File file = TwoMarkers(1, false);
        file.scale = c.scale;
        file.rate = c.rate;
        const std::string bytes = file.Build();
        RC3dFile reader;
        reader.OpenSourceBytes(bytes.data(), bytes.size());
        ASSERT_TRUE(reader.ReadHeader());
        EXPECT_EQ(reader.GetHeader().scale, c.readScale);
        EXPECT_EQ(reader.GetHeader().frameRate, c.readRate);
    }
}

TEST(C3dReaderTest, LabelsBeyondTheFirst255AreNumbered) {
    File file;
    file.points = 300;
    std::vector<std::string> labels;
    for (int i = 0; i < 255; ++i) labels.push_back("M" + std::to_string(i));
    file.parameters = {File::Labels(labels, 4)};
    file.frames = {std::vector<Point>(300, Point{1.0, 2.0, 3.0})};
    SceneFixture fixture;
    ASSERT_TRUE(ReadC3d(fixture, file.Build()));
    EXPECT_NE(fixture.Node("M254"), nullptr);
    EXPECT_EQ(fixture.Node("0254"), nullptr);
    for (const char* name : {"0255", "0256", "0299"}) EXPECT_NE(fixture.Node(name), nullptr) << name;
    EXPECT_EQ(fixture.Node("0300"), nullptr);
}

TEST(C3dReaderTest, ActorPrefixesAreDroppedOrKept) {
    for (const bool usesPrefixes : {false, true}) {
        File file = TwoMarkers(1, true);
        file.parameters = {File::Labels({"Bob:LKNE", "Bob:RKNE:2"}, 10)};
        if (usesPrefixes) {
            file.parameters.push_back(Parameter{"USES_PREFIXES", 2, {}, {1}, "", 2});
        }
        SceneFixture fixture;
        ASSERT_TRUE(ReadC3d(fixture, file.Build()));
        EXPECT_NE(fixture.Node(usesPrefixes ? "Bob_LKNE" : "LKNE"), nullptr);
        EXPECT_NE(fixture.Node(usesPrefixes ? "Bob_RKNE_2" : "RKNE_2"), nullptr);
    }
}

TEST(C3dReaderTest, PrefixesNeedTheOptionAndOtherGroupsKeepTheirUnits) {
    // USES_PREFIXES keeps the prefix only when the reader is asked to.
    File file = TwoMarkers(1, true);
    file.parameters = {File::Labels({"Bob:LKNE", "Bob:RKNE"}, 8), Parameter{"USES_PREFIXES", 2, {}, {1}, "", 2}};
    SceneFixture fixture;
    RWyxReaderC3d reader(&fixture.factory);
    ASSERT_TRUE(ReadText(fixture, reader, file.Build(), "walk.c3d",
                         [](RStreamOptionsMotion& o) { o.SetOption(kMotionImportActorPrefix, 0); }));
    EXPECT_NE(fixture.Node("LKNE"), nullptr);
    EXPECT_EQ(fixture.Node("Bob_LKNE"), nullptr);

    // The units and screen axes of another group (analog channels in volts, say) are not the points'.
    File analog = TwoMarkers(1, true);
    Parameter metres = File::Text("UNITS", "m");
    metres.group = 2;
    Parameter screen = File::Text("X_SCREEN", "-X");
    screen.group = 2;
    analog.parameters = {File::Labels({"LKNE", "RKNE"}, 4), metres, screen};
    SceneFixture other;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(other, analog.Build(), &options));
    ExpectPosition(other.Node("LKNE"), options->GetStartTime(), 1.5, -2.0, 30.0, 1e-4);
}

TEST(C3dReaderTest, UnitsAndScreenAxesMapPositions) {
    const struct {
        const char* units;
        const char* xScreen;
        double factor;  // of the default millimetre reading
        bool xKept;     // scene x = file X rather than -X
    } cases[] = {{"m", "+X", 1000.0, false}, {"cm", "-X", 10.0, true}, {"in", "+Q", 25.4, false},
                 {"", "", 1.0, false}, {"ft", "-", 304.8, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.units);
        File file = TwoMarkers(1, true);
        file.parameters = {File::Labels({"LKNE", "RKNE"}, 4), File::Text("UNITS", c.units),
                           File::Text("X_SCREEN", c.xScreen), File::Text("Y_SCREEN", "+Z")};
        SceneFixture fixture;
        OptionsPtr options;
        ASSERT_TRUE(ReadC3d(fixture, file.Build(), &options));
        const double x = (c.xKept ? -1.5 : 1.5) * c.factor;
        ExpectPosition(fixture.Node("LKNE"), options->GetStartTime(), x, -2.0 * c.factor, 30.0 * c.factor, 1e-3 * c.factor);
    }
}

TEST(C3dReaderTest, ScreenAxesSwapTheFileAxes) {
    // Y_SCREEN "+Y": file Y is up, so scene y = file Y and scene z = file Z; "-Z" negates it.
    const struct {
        const char* yScreen;
        double y, z;
    } cases[] = {{"+Y", 30.0, -2.0}, {"-Y", -30.0, 2.0}, {"+z", -2.0, 30.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.yScreen);
        File file = TwoMarkers(1, true);
        file.parameters = {File::Labels({"LKNE", "RKNE"}, 4), File::Text("Y_SCREEN", c.yScreen)};
        SceneFixture fixture;
        OptionsPtr options;
        ASSERT_TRUE(ReadC3d(fixture, file.Build(), &options));
        ExpectPosition(fixture.Node("LKNE"), options->GetStartTime(), 1.5, c.y, c.z, 1e-4);
    }
}

TEST(C3dReaderTest, IntegerPointsInMetresScaleByTheHeaderScale) {
    File file = TwoMarkers(2, false);
    file.parameters = {File::Labels({"LKNE", "RKNE"}, 4), File::Text("UNITS", "m")};
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, file.Build(), &options));
    // The words were written for millimetres: read as metres they grow a thousandfold.
    ExpectPosition(fixture.Node("LKNE"), options->GetStartTime(), 1500.0, -2000.0, 30000.0, 1.0);
}

// Every coordinate word of the integer layout is signed, the Y word (the scene's z) too: points
// below zero on each file axis read back below zero, in every processor layout.
TEST(C3dReaderTest, IntegerWordsAreSignedOnEveryAxis) {
    for (const int processor : {1, 2, 3}) {
        SCOPED_TRACE(processor);
        File file;
        file.processor = processor;
        file.scale = kIntegerScale;
        file.points = 1;
        file.parameters = {File::Labels({"HEEL"}, 4), File::Text("UNITS", "mm")};
        file.frames = {{Point{1.0, -2.0, -3.5}}, {Point{-1.25, 2.0, -0.05}}};
        SceneFixture fixture;
        OptionsPtr options;
        ASSERT_TRUE(ReadC3d(fixture, file.Build(), &options));
        const RTime start = options->GetStartTime();
        const double tolerance = kIntegerScale * 0.1;
        ExpectPosition(fixture.Node("HEEL"), start, 1.0, -2.0, -3.5, tolerance);
        ExpectPosition(fixture.Node("HEEL"), start + options->GetFramePeriod(), -1.25, 2.0, -0.05, tolerance);
    }
}

TEST(C3dReaderTest, TimeCodeMovesTheStart) {
    File file = TwoMarkers(1, true);
    file.parameters.push_back(Parameter{"TIMECODES", 2, {4}, {1, 0, 0, 0}, "", 3});
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, file.Build(), &options));
    EXPECT_NEAR(options->GetStartTime().ToSeconds(), 3600.01, 1e-6);
    // Fewer than four values, or negative ones, are not a time code.
    for (const std::vector<double>& numbers : {std::vector<double>{1, 0, 0}, std::vector<double>{-1, 0, 0, 0}}) {
        File bad = TwoMarkers(1, true);
        bad.parameters.push_back(Parameter{"TIMECODES", 2, {static_cast<int>(numbers.size())}, numbers, "", 3});
        SceneFixture other;
        ASSERT_TRUE(ReadC3d(other, bad.Build(), &options));
        EXPECT_NEAR(options->GetStartTime().ToSeconds(), 0.01, 1e-9);
    }
}

TEST(C3dReaderTest, ResidualsDecideValidity) {
    File file = TwoMarkers(1, true);
    file.frames = {{Point{1, 1, 1, true, 200, 63}, Point{2, 2, 2, true, 0, 128}}};  // 128 << 8: a negative word
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, file.Build(), &options, false));
    EXPECT_EQ(ValueAt(fixture.Node("LKNE"), RWyxTakeNode::Occlusion, options->GetStartTime()), 0.0f);
    EXPECT_EQ(ValueAt(fixture.Node("RKNE"), RWyxTakeNode::Occlusion, options->GetStartTime()), 1.0f);

    // A residual no 16-bit word comes from (not a number, huge) marks a point not valid.
    for (const std::uint32_t bits : {0x7FC00000u, 0x7149F2CAu}) {
        std::string bytes = TwoMarkers(1, true).Build();
        const std::size_t residual = 2 * 512 + 12;  // the first point's fourth float
        for (int i = 0; i < 4; ++i) bytes[residual + i] = static_cast<char>(bits >> (8 * i));
        SceneFixture other;
        ASSERT_TRUE(ReadC3d(other, bytes, &options, false));
        EXPECT_EQ(ValueAt(other.Node("LKNE"), RWyxTakeNode::Occlusion, options->GetStartTime()), 1.0f);
    }
}

TEST(C3dReaderTest, AnalogSamplesBetweenFramesAreSkipped) {
    for (const bool floats : {false, true}) {
        SCOPED_TRACE(floats);
        File file = TwoMarkers(1, floats);
        file.analogPerFrame = 3;
        SceneFixture fixture;
        OptionsPtr options;
        ASSERT_TRUE(ReadC3d(fixture, file.Build(), &options, false));
        const double tolerance = floats ? 1e-5 : kIntegerScale * 0.1;
        ExpectPosition(fixture.Node("LKNE"), options->GetStartTime() + options->GetFramePeriod() * 2, 3.5, -2.0, 28.0,
                       tolerance);
        ExpectPosition(fixture.Node("RKNE"), options->GetStartTime() + options->GetFramePeriod() * 2, -4.0, 14.25, 0.5,
                       tolerance);
    }
}

TEST(C3dLibraryTest, IntegerPointsCarryResidualAndCameras) {
    const std::string bytes = TwoMarkers(1, false).Build();
    RC3dFile file;
    file.OpenSourceBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(file.ReadHeader());
    ASSERT_TRUE(file.SeekBlock(file.GetHeader().dataStart - 1));
    RC3dFile::Point point;
    // The first point: file X = -15 mm, Y = 300 mm, Z = -20 mm, residual 7, cameras 3.
    ASSERT_TRUE(file.ReadPoint(point, kIntegerScale, 0, 0.1));
    EXPECT_NEAR(point.x, -1.5, 1e-6);
    EXPECT_NEAR(point.y, 30.0, 1e-6);
    EXPECT_NEAR(point.z, -2.0, 1e-6);
    EXPECT_NEAR(point.residual, 0.7, 1e-9);
    EXPECT_EQ(point.cameras, 3);
    EXPECT_TRUE(point.valid);
    // The second point, then the first point of the next frame once its 8 bytes are skipped.
    ASSERT_TRUE(file.ReadPoint(point, kIntegerScale, 8, 0.1));
    EXPECT_NEAR(point.x, 4.0, 1e-6);
    EXPECT_EQ(point.cameras, 5);
    ASSERT_TRUE(file.ReadPoint(point, kIntegerScale, 0, 0.1));
    EXPECT_NEAR(point.x, 4.0, 1e-6);  // the second frame's second point
    EXPECT_FALSE(point.valid);
}

TEST(C3dLibraryTest, UnknownProcessorByteReadsAsIntelAndEventsAreRead) {
    std::string bytes = TwoMarkers(1, true).Build();
    bytes[512 + 3] = 90;  // no processor of the format
    // Two events: times 1.5 and 2.5 s, the first displayed (its byte 0), labels HEEL and TOE.
    bytes[300] = 2;
    const float times[2] = {1.5f, 2.5f};
    std::memcpy(&bytes[302], times, sizeof times);
    bytes[310] = 0;
    bytes[311] = 1;
    std::memcpy(&bytes[312], "HEELTOE ", 8);
    RC3dFile file;
    file.OpenSourceBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(file.ReadHeader());
    EXPECT_EQ(file.GetProcessorType(), RC3dFile::kIntel);
    ASSERT_EQ(file.GetEvents().size(), 2u);
    EXPECT_EQ(file.GetEvents()[0].time, 1.5f);
    EXPECT_EQ(file.GetEvents()[1].time, 2.5f);
    EXPECT_EQ(file.GetEvents()[0].display, 1);
    EXPECT_EQ(file.GetEvents()[1].display, 0);
    EXPECT_EQ(file.GetEvents()[0].label, "HEEL");
    EXPECT_EQ(file.GetEvents()[1].label, "TOE ");
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, bytes, &options, false));
    ExpectPosition(fixture.Node("LKNE"), options->GetStartTime(), 1.5, -2.0, 30.0, 1e-5);
}

TEST(C3dReaderTest, GapsHoldTheLastValidPosition) {
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, TwoMarkers(1, true).Build(), &options, true));
    const RTime middle = options->GetStartTime() + options->GetFramePeriod();
    ExpectPosition(fixture.Node("RKNE"), middle, -4.0, 12.25, 0.5, 1e-5);
    EXPECT_EQ(ValueAt(fixture.Node("RKNE"), RWyxTakeNode::Occlusion, middle), 1.0f);
}

TEST(C3dRefusalTest, HostileHeadersAreRefused) {
    const struct {
        const char* what;
        void (*change)(File&);
    } cases[] = {
        {"no points", [](File& f) { f.points = 0; }},
        {"parameter block 0", [](File& f) { f.parameterBlock = 0; }},
        {"data start 0", [](File& f) { f.dataStartOverride = 0; }},
        {"parameter block beyond the file", [](File& f) { f.parameterBlock = 4000; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        File file = TwoMarkers(1, false);
        c.change(file);
        SceneFixture fixture;
        RWyxReaderC3d reader(&fixture.factory);
        const std::string bytes = file.Build();
        reader.OpenBytes(bytes.data(), bytes.size(), "bad.c3d");
        EXPECT_EQ(reader.GetReadOptions(false), nullptr);
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
    }
    std::string noKey = TwoMarkers(1, false).Build();
    noKey[1] = 0x40;
    RC3dFile file;
    file.OpenSourceBytes(noKey.data(), noKey.size());
    EXPECT_FALSE(file.ReadHeader());
}

TEST(C3dRefusalTest, FramesAndPointsTheDataCannotHoldAreRefusedAtTheHeader) {
    const std::string whole = TwoMarkers(1, false).Build();
    std::string lastFrameMissing = whole.substr(0, whole.size() - 16);  // two integer points
    std::string manyFrames = whole;
    manyFrames[8] = static_cast<char>(0xFF);  // last frame 65535
    manyFrames[9] = static_cast<char>(0xFF);
    std::string manyPoints = whole;
    manyPoints[2] = static_cast<char>(0xFF);  // 65535 points
    manyPoints[3] = static_cast<char>(0xFF);
    std::string analog = whole;
    analog[4] = 100;  // 100 analog samples a frame
    for (const std::string* bytes : {&lastFrameMissing, &manyFrames, &manyPoints, &analog}) {
        SceneFixture fixture;
        RWyxReaderC3d reader(&fixture.factory);
        reader.OpenBytes(bytes->data(), bytes->size(), "cut.c3d");
        EXPECT_EQ(reader.GetReadOptions(false), nullptr);
        EXPECT_EQ(reader.GetLastErrorCode(), RWyxReader::kErrorCorrupted);
        EXPECT_NE(std::string(reader.GetLastErrorString()).find("more than the file holds"), std::string::npos)
            << reader.GetLastErrorString();
    }
}

TEST(C3dRefusalTest, EventCountIsCappedAtTheHeaderBlock) {
    File file = TwoMarkers(1, false);
    file.events = 60000;
    const std::string bytes = file.Build();
    RC3dFile reader;
    reader.OpenSourceBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(reader.ReadHeader());
    EXPECT_EQ(reader.GetEvents().size(), static_cast<std::size_t>(RC3dFile::kMaxEvents));
    SceneFixture fixture;
    EXPECT_TRUE(ReadC3d(fixture, bytes));
}

TEST(C3dRefusalTest, HostileParametersLeaveTheNextRecordFound) {
    File file = TwoMarkers(1, true);
    Parameter huge{"HUGE", 2, std::vector<int>(200, 255), {}, ""};  // 255^200 elements claimed
    Parameter shortOffset{"SHORT", 4, {8}, {1, 2, 3, 4, 5, 6, 7, 8}, "", 1, 12};
    Parameter longName = File::Text(std::string(100, 'N'), "x");
    file.parameters = {huge, shortOffset, longName, File::Labels({"LKNE", "RKNE"}, 4), File::Text("UNITS", "cm")};
    const std::string bytes = file.Build();
    RC3dFile reader;
    const std::vector<RC3dParameter> records = ReadRecords(reader, bytes.data(), bytes.size());
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[1].name, "HUGE");
    EXPECT_FALSE(records[1].value.IsValid());
    EXPECT_EQ(records[2].value.GetDimension(0), 8);
    EXPECT_EQ(records[2].value.GetDouble(4), 5.0);
    EXPECT_EQ(records[2].value.GetDouble(5), 0.0);  // beyond what the offset let through
    EXPECT_EQ(records[3].name, std::string(RC3dParameter::kMaxNameLength, 'N'));
    EXPECT_EQ(records[4].value.GetRow(1).GetText(), "RKNE");
    EXPECT_EQ(records[4].value.GetRow(2).GetText(), "");
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, bytes, &options));
    ExpectPosition(fixture.Node("LKNE"), options->GetStartTime(), 15.0, -20.0, 300.0, 1e-3);  // UNITS still found
}

TEST(C3dRefusalTest, DimensionsClaimingMoreThanTheRecordHoldsStoreOnlyWhatItHolds) {
    File file = TwoMarkers(1, true);
    const Parameter wide{"WIDE", 1, {255, 255}, {1, 2, 3}, ""};  // 65,025 bytes claimed, 3 held
    file.parameters = {wide, File::Labels({"LKNE", "RKNE"}, 4)};
    const std::string bytes = file.Build();
    RC3dFile reader;
    const std::vector<RC3dParameter> records = ReadRecords(reader, bytes.data(), bytes.size());
    ASSERT_EQ(records.size(), 3u);
    const RC3dArray& value = records[1].value;
    ASSERT_TRUE(value.IsValid());
    EXPECT_EQ(value.GetElementCount(), 65025);
    EXPECT_LE(value.Bytes().size(), 8u);  // no more than the record's own bytes
    EXPECT_EQ(value.GetInteger(2), 3);
    EXPECT_EQ(value.GetInteger(3), 0);
    EXPECT_EQ(value.GetRow(0).GetInteger(2), 3);
    EXPECT_EQ(records[2].value.GetRow(1).GetText(), "RKNE");  // the next record is still found
    // A row of a deep value stores no more than the value does.
    file.parameters = {Parameter{"DEEP", -1, {255, 128, 2}, {}, "AB"}};
    const std::string deepBytes = file.Build();
    const std::vector<RC3dParameter> deep = ReadRecords(reader, deepBytes.data(), deepBytes.size());
    ASSERT_EQ(deep.size(), 2u);
    EXPECT_LE(deep[1].value.GetRow(0).Bytes().size(), 8u);
    EXPECT_EQ(deep[1].value.GetRow(0).GetDimension(1), 128);
    EXPECT_EQ(deep[1].value.GetRow(0).GetText(), "AB");
    EXPECT_EQ(deep[1].value.GetRow(1).GetText(), "");
    // Written back, the value keeps every element its dimensions name.
    RC3dFile writer;
    ASSERT_TRUE(writer.PutRecord(records[1]));
    EXPECT_EQ(c3d_fixture::LittleWord(std::string(writer.Output().begin(), writer.Output().end()), 6),
              2 + 4 + 65025 + 1);
    // A time code whose record ends before its last two values reads them as 0.
    File cut = TwoMarkers(1, true);
    cut.parameters.push_back(Parameter{"TIMECODES", 2, {4}, {1, 0}, "", 3});
    SceneFixture fixture;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(fixture, cut.Build(), &options));
    EXPECT_NEAR(options->GetStartTime().ToSeconds(), 3600.01, 1e-6);
}

TEST(C3dRefusalTest, LabelsShorterThanThePointsAndNonTextLabels) {
    File file = TwoMarkers(1, true);
    file.parameters = {File::Labels({"ONLY"}, 4)};
    SceneFixture fixture;
    ASSERT_TRUE(ReadC3d(fixture, file.Build()));
    EXPECT_NE(fixture.Node("ONLY"), nullptr);
    EXPECT_NE(fixture.Node("0001"), nullptr);
    file.parameters = {Parameter{"LABELS", 2, {2}, {7, 8}, ""}};
    SceneFixture numbers;
    ASSERT_TRUE(ReadC3d(numbers, file.Build()));
    EXPECT_NE(numbers.Node("0000"), nullptr);
}

// ---- writing ---------------------------------------------------------------------------------------

struct WrittenScene {
    SceneFixture fixture;

    explicit WrittenScene(const std::vector<std::string>& names, double reach = 1.0) {
        // A second child of the root: positions are measured from the scene root.
        RWyxNode* group = fixture.factory.CreateNode("rig");
        fixture.scene->GetRootNode()->AddChild(group);
        fixture.scene->GetRootNode()->AddChild(fixture.factory.CreateNode("camera"));
        for (std::size_t i = 0; i < names.size(); ++i) {
            RWyxTakeNode* take = AddMarkedNode(fixture, group, names[i].c_str());
            for (int f = 0; f < 4; ++f) {
                const RTime time = RTime(RTime::kTicksPerSecond / 50) * f;
                take->GetTranslationXCurve()->AppendKey(time, static_cast<float>(reach * (10.0 + f + i)));
                take->GetTranslationYCurve()->AppendKey(time, static_cast<float>(reach * -3.5));
                take->GetTranslationZCurve()->AppendKey(time, static_cast<float>(reach * 0.25 * f));
                take->GetOcclusionCurve()->AppendKey(time, f == 2 && i == 0 ? 1.0f : 0.0f);
            }
        }
    }

    // Writes with the writer's options, changed by adjust; the writer's answer and error text.
    template <typename Adjust>
    bool Write(const std::string& path, Adjust adjust, std::string* error = nullptr) {
        RWyxWriterC3d writer(&fixture.factory);
        EXPECT_TRUE(writer.FileCreate(path.c_str()));
        OptionsPtr options = TakeMotionOptions(writer.GetWriteOptions());
        options->SetFrameRate(0, 50.0);
        options->SetFrameCount(4);
        adjust(*options);
        const bool written = writer.Write(fixture.scene, options.get()) && writer.FileClose();
        if (error != nullptr) *error = writer.GetLastErrorString();
        return written;
    }

    // Exports through the file exporter as C3D, four frames at 50 fps; its answer and error text.
    bool Export(const std::string& path, std::string& error) {
        RWyxFileExporter* exporter = fixture.factory.CreateFileExporter();
        RWyxWriterC3d model(&fixture.factory);
        OptionsPtr options = TakeMotionOptions(model.GetWriteOptions());
        options->SetFrameRate(0, 50.0);
        options->SetFrameCount(4);
        EXPECT_TRUE(exporter->Initialize(path.c_str()));
        exporter->SetFileFormat(RWyxFileExporter::kFormatC3d);
        const bool exported = exporter->Export(fixture.scene, options.get());
        error = exporter->GetLastErrorString();
        return exported;
    }
};

// "M0", "M1", ... as many as asked.
std::vector<std::string> NumberedNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("M" + std::to_string(i));
    return names;
}

std::vector<std::string> FolderEntries(const ScratchFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) names.push_back(entry.path().filename().string());
    return names;
}

TEST(C3dWriterTest, OutputFollowsThePublishedRulesAndReadsBack) {
    for (const bool real : {true, false}) {
        SCOPED_TRACE(real);
        ScratchFolder folder;
        WrittenScene scene({"arm:LWRA", "RWRA"});
        const std::string path = folder.Join("out.c3d");
        ASSERT_TRUE(scene.Write(path, [&](RStreamOptionsMotion& o) { o.SetOption(kMotionExportC3DRealFormat, real ? 1 : 0); }));
        const c3d_fixture::Checked checked = c3d_fixture::Check(ScratchFolder::ReadFile(path));
        ASSERT_TRUE(checked.ok) << checked.why;
        EXPECT_EQ(checked.parameterBlock, 2);
        EXPECT_EQ(checked.processor, 2);
        EXPECT_EQ(checked.points, 2);
        EXPECT_EQ(checked.firstFrame, 0);
        EXPECT_EQ(checked.lastFrame, 3);
        EXPECT_NEAR(checked.rate, 50.0, 1e-9);
        EXPECT_EQ(checked.scale < 0.0, real);
        EXPECT_EQ(checked.sectionBlocks, checked.dataStart - 2);
        ASSERT_EQ(checked.parameters.count("POINT:LABELS"), 1u);
        const c3d_fixture::Parameter& labels = checked.parameters.at("POINT:LABELS");
        EXPECT_EQ(labels.dimensions, (std::vector<int>{5, 2}));
        EXPECT_EQ(labels.characters, "LWRA RWRA ");
        EXPECT_EQ(checked.parameters.at("POINT:USED").numbers, std::vector<double>{2});
        EXPECT_EQ(checked.parameters.at("POINT:DATA_START").numbers, std::vector<double>{double(checked.dataStart)});
        EXPECT_EQ(checked.parameters.at("POINT:UNITS").characters, "mm  ");
        // File X = -x, Y = z, Z = y in millimetres; the second marker's third frame is a gap.
        const c3d_fixture::Point& point = checked.frames[3][1];
        const double tolerance = real ? 1e-3 : checked.scale;
        EXPECT_NEAR(point.x, -140.0, tolerance);
        EXPECT_NEAR(point.y, 7.5, tolerance);
        EXPECT_NEAR(point.z, -35.0, tolerance);
        EXPECT_FALSE(checked.frames[2][0].valid);
        EXPECT_TRUE(checked.frames[2][1].valid);

        SceneFixture back;
        OptionsPtr options;
        ASSERT_TRUE(ReadC3d(back, ScratchFolder::ReadFile(path), &options, false));
        const RTime third = options->GetStartTime() + options->GetFramePeriod() * 3;
        ExpectPosition(back.Node("RWRA"), third, 14.0, -3.5, 0.75, real ? 1e-4 : 0.02);
        EXPECT_EQ(ValueAt(back.Node("LWRA"), RWyxTakeNode::Occlusion, options->GetStartTime() + options->GetFramePeriod() * 2), 1.0f);
    }
}

TEST(C3dWriterTest, StartTimeBecomesTheFirstFrameNumber) {
    ScratchFolder folder;
    WrittenScene scene({"LWRA"});
    const std::string path = folder.Join("late.c3d");
    // 0.5 s at 50 fps: frames 25 to 28.
    ASSERT_TRUE(scene.Write(path, [](RStreamOptionsMotion& o) { o.SetStartTime(RTime(RTime::kTicksPerSecond / 2)); }));
    const c3d_fixture::Checked checked = c3d_fixture::Check(ScratchFolder::ReadFile(path));
    ASSERT_TRUE(checked.ok) << checked.why;
    EXPECT_EQ(checked.firstFrame, 25);
    EXPECT_EQ(checked.lastFrame, 28);
    EXPECT_EQ(checked.parameters.at("POINT:FRAMES").numbers, std::vector<double>{4});
    SceneFixture back;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(back, ScratchFolder::ReadFile(path), &options));
    EXPECT_NEAR(options->GetStartTime().ToSeconds(), 0.5, 1e-9);
    EXPECT_EQ(options->GetFrameCount(), 4);
}

TEST(C3dWriterTest, WhatTheFormatCannotHoldIsRefusedAndNoFileAppears) {
    const struct {
        const char* what;
        std::vector<std::string> names;
        double reach;
        void (*adjust)(RStreamOptionsMotion&);
        const char* says;
    } cases[] = {
        {"no markers", {}, 1.0, [](RStreamOptionsMotion&) {}, "No markers"},
        {"256 markers", NumberedNames(256), 1.0, [](RStreamOptionsMotion&) {}, "at most 255"},
        {"long name", {std::string(255, 'n')}, 1.0, [](RStreamOptionsMotion&) {}, "longer than"},
        {"integer beyond 16 bits", {"far"}, 100.0, [](RStreamOptionsMotion& o) { o.SetOption(kMotionExportC3DRealFormat, 0); },
         "16-bit"},
        {"frame beyond 16 bits", {"late"}, 1.0, [](RStreamOptionsMotion& o) { o.SetStartTime(RTime(RTime::kTicksPerSecond * 1400)); },
         "65535"},
        {"65,536 frames", {"long"}, 1.0, [](RStreamOptionsMotion& o) { o.SetFrameCount(65536); }, "65535"},
        {"rate the reader would not take", {"fast"}, 1.0, [](RStreamOptionsMotion& o) { o.SetFrameRate(0, 2000.0); },
         "frame rate"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        WrittenScene scene(c.names, c.reach);
        std::string error;
        const std::string path = folder.Join("out.c3d");
        EXPECT_FALSE(scene.Write(path, c.adjust, &error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(ScratchFolder::ReadFile(path), "");
    }
    // 255 markers and names of 254 characters still fit.
    ScratchFolder folder;
    std::vector<std::string> longest = NumberedNames(255);
    for (std::string& name : longest) name.insert(0, 254 - name.size(), 'n');
    WrittenScene full(longest);
    EXPECT_TRUE(full.Write(folder.Join("full.c3d"), [](RStreamOptionsMotion&) {}));
    EXPECT_TRUE(c3d_fixture::Check(ScratchFolder::ReadFile(folder.Join("full.c3d"))).ok);
}

// The labels hold 255 names: 255 markers come back with theirs; more are refused with the limit
// and the count, and the file at the path keeps its old content with nothing left beside it.
TEST(C3dWriterTest, MarkersBeyondTheLabelRowsAreRefusedAndTheOldFileStays) {
    ScratchFolder folder;
    WrittenScene full(NumberedNames(255));
    std::string error;
    const std::string path = folder.Join("full.c3d");
    ASSERT_TRUE(full.Export(path, error)) << error;
    SceneFixture back;
    OptionsPtr options;
    ASSERT_TRUE(ReadC3d(back, ScratchFolder::ReadFile(path), &options, false));
    for (const std::string& name : NumberedNames(255)) EXPECT_NE(back.Node(name.c_str()), nullptr) << name;
    EXPECT_EQ(back.Node("0254"), nullptr);
    const RTime second = options->GetStartTime() + options->GetFramePeriod();
    ExpectPosition(back.Node("M0"), second, 11.0, -3.5, 0.25, 1e-3);
    ExpectPosition(back.Node("M254"), second, 265.0, -3.5, 0.25, 1e-3);

    for (const int markers : {256, 300, 1000}) {
        SCOPED_TRACE(markers);
        ScratchFolder kept;
        const std::string old = kept.WriteFile("take.c3d", "the take before");
        WrittenScene scene(NumberedNames(markers));
        EXPECT_FALSE(scene.Export(old, error));
        EXPECT_NE(error.find("at most 255 markers; " + std::to_string(markers) + " were to be exported"), std::string::npos)
            << error;
        EXPECT_EQ(ScratchFolder::ReadFile(old), "the take before");
        EXPECT_EQ(FolderEntries(kept), std::vector<std::string>{"take.c3d"});
        EXPECT_FALSE(scene.Export(kept.Join("new.c3d"), error));
        EXPECT_EQ(FolderEntries(kept), std::vector<std::string>{"take.c3d"});
    }
}

TEST(C3dMarkerFileTest, MoreMarkersThanLabelRowsAreRefusedAtTheHeader) {
    ScratchFolder folder;
    const std::string path = folder.WriteFile("take.c3d", "the take before");
    for (const int markers : {256, 1000}) {
        RC3dMarkerFile file;
        ASSERT_EQ(file.Open(path.c_str(), "w"), 0);
        EXPECT_FALSE(file.WriteHeader(markers, RTime(), 4, 50.0, -1.0));
        EXPECT_NE(file.GetLastErrorText().find(std::to_string(markers) + " were to be exported"), std::string::npos);
        file.Abandon();
    }
    RC3dMarkerFile file;
    ASSERT_EQ(file.Open(path.c_str(), "w"), 0);
    EXPECT_TRUE(file.WriteHeader(255, RTime(), 4, 50.0, -1.0));
    file.Abandon();
    EXPECT_EQ(ScratchFolder::ReadFile(path), "the take before");
    EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"take.c3d"});
}

// 65,535 frames fit from frame 0 or frame 1; more, or a last frame past 65535, are refused.
TEST(C3dWriterTest, FrameCountsUpToOneWordWriteAndMoreAreRefused) {
    for (const int first : {0, 1}) {
        SCOPED_TRACE(first);
        ScratchFolder folder;
        const std::string path = folder.Join("long.c3d");
        RC3dMarkerFile file;
        ASSERT_EQ(file.Open(path.c_str(), "w"), 0);
        ASSERT_TRUE(file.WriteHeader(1, RTime(RTime::kTicksPerSecond / 50 * first), 65535, 50.0, 1.0));
        ASSERT_TRUE(file.WriteNames({RString("LONG")}));
        const RVector4 position(1.0, 2.0, 3.0, 0.0);
        for (int n = 1; n <= 65535; ++n) ASSERT_TRUE(file.WriteFrame(&position, 1, RTime(), n));
        ASSERT_TRUE(file.Finish());
        ASSERT_EQ(file.Close(), 0);
        const c3d_fixture::Checked checked = c3d_fixture::Check(ScratchFolder::ReadFile(path));
        ASSERT_TRUE(checked.ok) << checked.why;
        EXPECT_EQ(checked.firstFrame, first);
        EXPECT_EQ(checked.lastFrame, first + 65534);
        EXPECT_EQ(checked.frames.size(), 65535u);
        // The count word's bits, which a signed reading shows as -1.
        EXPECT_EQ(static_cast<int>(checked.parameters.at("POINT:FRAMES").numbers.at(0)) & 0xFFFF, 65535);
        SceneFixture back;
        OptionsPtr options;
        ASSERT_TRUE(ReadC3d(back, ScratchFolder::ReadFile(path), &options));
        EXPECT_EQ(options->GetFrameCount(), 65535);
        EXPECT_NE(back.Node("LONG"), nullptr);
    }
    const struct {
        int frames;
        int first;
        const char* says;
    } refused[] = {{70000, 0, "Frames 0 to 69999 (70000 frames)"}, {65536, 0, "(65536 frames)"},
                   {65535, 2, "Frames 2 to 65536"}};
    for (const auto& c : refused) {
        SCOPED_TRACE(c.frames);
        ScratchFolder folder;
        const std::string old = folder.WriteFile("take.c3d", "the take before");
        WrittenScene scene({"LONG"});
        std::string error;
        EXPECT_FALSE(scene.Write(old, [&](RStreamOptionsMotion& o) {
            o.SetFrameCount(c.frames);
            o.SetStartTime(RTime(RTime::kTicksPerSecond / 50 * c.first));
        }, &error));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_NE(error.find("at most 65535"), std::string::npos) << error;
        EXPECT_EQ(ScratchFolder::ReadFile(old), "the take before");
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"take.c3d"});
    }
}

}  // namespace
