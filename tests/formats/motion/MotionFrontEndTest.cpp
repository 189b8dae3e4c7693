// The importer and exporter drive the motion readers and writers through the format table.

#include "fileio/RWyxFileExporter.h"
#include "fileio/RWyxFileImporter.h"
#include "formats/motion/RWyxReaderBvh.h"
#include "formats/motion/RWyxWriterBvh.h"
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
    RWyxReaderBvh reader(&fixture.factory);
    OptionsPtr options;
    ASSERT_TRUE(ReadText(fixture, reader, motion_samples::Bvh(), "walk.bvh", [](RStreamOptionsMotion&) {}, &options));
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

}  // namespace
