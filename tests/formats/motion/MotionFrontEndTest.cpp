// The importer and exporter drive the motion readers and writers through the format table.

#include "fileio/RWyxFileExporter.h"
#include "fileio/RWyxFileImporter.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxReaderC3d.h"
#include "formats/motion/RWyxWriterBvh.h"
#include "formats/motion/RWyxWriterMcd.h"
#include "scene/RWyxTakeInfo.h"
#include "tests/formats/motion/MotionSamples.h"
#include "tests/formats/motion/MotionTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace motion_test;

TEST(MotionFrontEndTest, ImporterReadsAndExporterWritesEachFormatByItsIds) {
    ScratchFolder folder;
    SceneFixture fixture;
    RWyxFileImporter* importer = fixture.factory.CreateFileImporter();
    const struct {
        const char* extension;
        std::string text;
        const char* node;
    } files[] = {{"bvh", motion_samples::Bvh(), "Chest"},
                 {"htr", motion_samples::Htr(), "Spine"},
                 {"asf", motion_samples::Asf(), "lfemur"},
                 {"brd", motion_samples::Brd(), "Marker2"}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.extension);
        const std::string path = folder.WriteFile(std::string("take.") + file.extension, file.text);
        ASSERT_TRUE(importer->Initialize(path.c_str())) << importer->GetLastErrorString();
        EXPECT_FALSE(importer->Import(fixture.scene));  // these formats need their reader's options
        EXPECT_EQ(importer->GetLastErrorCode(), RWyxIO::kErrorOptionsNotSet);
        RStreamOptionsPtr options = importer->GetReadOptions();
        ASSERT_NE(options, nullptr);
        ASSERT_TRUE(importer->Import(fixture.scene, options.get())) << importer->GetLastErrorString();
        EXPECT_NE(fixture.Node(file.node), nullptr);
    }

    const std::string amc = folder.WriteFile("take.amc", motion_samples::Amc());
    ASSERT_TRUE(importer->Initialize(amc.c_str()));
    RStreamOptionsPtr header = importer->GetReadOptions();
    ASSERT_NE(header, nullptr);
    EXPECT_FALSE(importer->Import(fixture.scene, header.get()));  // no skeleton in these options
    EXPECT_EQ(importer->GetLastErrorCode(), RWyxIO::kErrorUnidentified);

    fixture.Node("BVH:reference")->SetMarked(0, true);
    fixture.Node("Hips")->SetMarked(1, false);
    RWyxFileExporter* exporter = fixture.factory.CreateFileExporter();
    RWyxWriterBvh model(&fixture.factory);
    const std::string out = folder.Join("out.bvh");
    // The scene root holds several skeletons: the BVH writer finds no root, and no file appears.
    ASSERT_TRUE(exporter->Initialize(out.c_str()));
    exporter->SetFileFormat(RWyxFileExporter::kFormatBvh);
    RStreamOptionsPtr options = model.GetWriteOptions();
    EXPECT_FALSE(exporter->Export(fixture.scene, options.get()));
    EXPECT_EQ(exporter->GetLastErrorCode(), RWyxIO::kErrorNotWritten);
    EXPECT_TRUE(ScratchFolder::ReadFile(out).empty());
}

TEST(MotionFrontEndTest, ExportedBvhReadsBackThroughTheImporter) {
    ScratchFolder folder;
    SceneFixture fixture;
    const OptionsPtr options = ReadWithOptions<RWyxReaderBvh>(fixture, motion_samples::Bvh(), "walk.bvh");
    ASSERT_NE(options, nullptr);
    fixture.Node("Hips")->SetMarked(1, false);
    RWyxFileExporter* exporter = fixture.factory.CreateFileExporter();
    const std::string out = folder.Join("out.bvh");
    ASSERT_TRUE(exporter->Initialize(out.c_str()));
    exporter->SetFileFormat(RWyxFileExporter::kFormatBvh);
    ASSERT_TRUE(exporter->Export(fixture.scene, options.get())) << exporter->GetLastErrorString();

    SceneFixture again;
    RWyxFileImporter* importer = again.factory.CreateFileImporter();
    ASSERT_TRUE(importer->Initialize(out.c_str()));
    EXPECT_EQ(importer->GetFormatId(), RWyxFileImporter::kFormatBvh);
    RStreamOptionsPtr read = importer->GetReadOptions();
    ASSERT_TRUE(importer->Import(again.scene, read.get())) << importer->GetLastErrorString();
    EXPECT_NE(again.Node("Leg"), nullptr);
    EXPECT_EQ(static_cast<RStreamOptionsMotion&>(*read).GetFrameCount(), 3);
}

// Every marker and channel format: the importer picks the reader by extension, and the
// exporter writes with the writer of each id a file that the importer reads back.
TEST(MotionFrontEndTest, MarkerAndChannelFormatsGoBothWays) {
    ScratchFolder folder;
    const struct {
        const char* extension;
        std::string text;
        const char* node;
        int exportId;
        const char* readBack;
    } files[] = {{"c3d", motion_samples::C3d(), "RASI", RWyxFileExporter::kFormatC3d, "LASI"},
                 {"trc", motion_samples::Trc(), "L_Knee", RWyxFileExporter::kFormatTrc, "LASI"},
                 {"aoa", motion_samples::Aoa(), "Marker2", RWyxFileExporter::kFormatAoa, "Marker3"},
                 {"mcd", motion_samples::Aoa(), "Marker2", RWyxFileExporter::kFormatMcd, "Marker3"},
                 {"vpm", motion_samples::Vpm(), "Chest", RWyxFileExporter::kFormatVpm, "LPSI"},
                 {"mov", motion_samples::Mov(), "Marker1", RWyxFileExporter::kFormatMov, "Marker0"}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.extension);
        SceneFixture fixture;
        RWyxFileImporter* importer = fixture.factory.CreateFileImporter();
        const std::string path = folder.WriteFile(std::string("in.") + file.extension, file.text);
        ASSERT_TRUE(importer->Initialize(path.c_str())) << importer->GetLastErrorString();
        RStreamOptionsPtr options = importer->GetReadOptions();
        ASSERT_NE(options, nullptr) << importer->GetLastErrorString();
        ASSERT_TRUE(importer->Import(fixture.scene, options.get())) << importer->GetLastErrorString();
        EXPECT_NE(fixture.Node(file.node), nullptr);

        // Exported from a scene of the C3D sample's three markers, all selected.
        SceneFixture source;
        RWyxReaderC3d c3d(&source.factory);
        OptionsPtr markers;
        ASSERT_TRUE(ReadText(source, c3d, motion_samples::C3d(), "rig.c3d", [](RStreamOptionsMotion&) {}, &markers));
        source.scene->GetRootNode()->AddChild(source.factory.CreateNode("camera"));
        for (const char* name : {"LASI", "RASI", "LPSI"}) source.Node(name)->SetMarked(1, false);
        RWyxFileExporter* exporter = source.factory.CreateFileExporter();
        const std::string out = folder.Join(std::string("out.") + file.extension);
        ASSERT_TRUE(exporter->Initialize(out.c_str()));
        exporter->SetFileFormat(file.exportId);
        RWyxWriterMcd model(&source.factory, nullptr, false);
        OptionsPtr write = TakeMotionOptions(model.GetWriteOptions());
        write->SetFrameRate(0, markers->GetFrameRate());
        write->SetStartTime(markers->GetStartTime());
        write->SetFrameCount(markers->GetFrameCount());
        write->SetOption(kMotionExportC3DRealFormat, 1);
        write->SetOption(kMotionTranslation, 1);
        ASSERT_TRUE(exporter->Export(source.scene, write.get())) << exporter->GetLastErrorString();

        SceneFixture again;
        RWyxFileImporter* back = again.factory.CreateFileImporter();
        ASSERT_TRUE(back->Initialize(out.c_str()));
        RStreamOptionsPtr read = back->GetReadOptions();
        ASSERT_NE(read, nullptr) << back->GetLastErrorString();
        ASSERT_TRUE(back->Import(again.scene, read.get())) << back->GetLastErrorString();
        EXPECT_NE(again.Node(file.readBack), nullptr);
        EXPECT_EQ(static_cast<RStreamOptionsMotion&>(*read).GetFrameCount(), 3);
    }
}

// The AMC after its ASF, through the importer with the options of the ASF read, as a host
// reads the pair: each AMC's frames, start and rate come from its own data, and the options
// stay as the ASF read left them for the next AMC.
TEST(MotionFrontEndTest, AnAmcReadWithItsAsfsOptionsTakesItsFramesFromItsData) {
    ScratchFolder folder;
    SceneFixture fixture;
    RWyxFileImporter* importer = fixture.factory.CreateFileImporter();
    ASSERT_TRUE(importer->Initialize(folder.WriteFile("skeleton.asf", motion_samples::Asf()).c_str()));
    RStreamOptionsPtr options = importer->GetReadOptions();
    ASSERT_NE(options, nullptr);
    ASSERT_TRUE(importer->Import(fixture.scene, options.get())) << importer->GetLastErrorString();
    std::string run = ":SAMPLES-PER-SECOND 60\n:FRAME-RANGE 4-8\n";
    for (int f = 1; f <= 5; ++f) run += std::to_string(f) + "\nroot 0 0 0 0 0 0\nltibia " + std::to_string(10 * f) + "\n";
    const struct {
        const char* take;
        std::string text;
        int frames;
        double rate;
        int first;
    } files[] = {{"walk", motion_samples::Amc(), 3, 120.0, 1}, {"run", run, 5, 60.0, 4}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.take);
        const std::string path = folder.WriteFile(std::string(file.take) + ".amc", file.text);
        ASSERT_TRUE(importer->Initialize(path.c_str()));
        ASSERT_TRUE(importer->Import(fixture.scene, options.get())) << importer->GetLastErrorString();
        OptionsPtr timing = NewOptions();
        timing->SetFrameRate(0, file.rate);
        const RTime period = timing->GetFramePeriod();
        RFCurve* knee = Curve(fixture.Node("ltibia"), 3);
        ASSERT_NE(knee, nullptr);
        ASSERT_EQ(knee->GetKeyCount(), file.frames);
        EXPECT_EQ(knee->GetKey(0).GetTime(), period * file.first);
        EXPECT_EQ(knee->GetKey(file.frames - 1).GetTime(), period * (file.first + file.frames - 1));
        const RWyxTakeInfo* take = fixture.scene->GetTakeInfo(file.take);
        ASSERT_NE(take, nullptr);
        EXPECT_EQ(take->localStart, period * file.first);
        EXPECT_EQ(take->localStop, period * (file.first + file.frames - 1));
        EXPECT_EQ(static_cast<RStreamOptionsMotion&>(*options).GetFrameCount(), 0);
    }
}

}  // namespace
