#include "fileio/RStreamOptionsWyx.h"
#include "fileio/RWyxFileExporter.h"
#include "fileio/RWyxFileImporter.h"
#include "fileio/RWyxFormatTable.h"
#include "fileio/WyxHeaderForm.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxScene.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

namespace {

const RWyxFormatTable& Table() { return GetFormatTable(); }

// The extensions of importer ids 3 to 16 and exporter ids 5 to 18, in id order.
const char* const kForeign[] = {"bvh", "htr", "trc", "asf", "amc", "c3d", "aoa",
                                "mcd", "vpm", "mov", "brd", "dxf", "3ds", "obj"};
constexpr int kForeignCount = static_cast<int>(sizeof kForeign / sizeof kForeign[0]);

TEST(FormatTableRowsTest, ImporterIdsRouteToTheirFormatsWithWyxFormsAsciiFirst) {
    for (int id = 0; id < RWyxFileImporter::kFormatCount; ++id) {
        SCOPED_TRACE(id);
        int form = -1;
        const RWyxFormatRow* row = Table().FindImportId(id, form);
        ASSERT_NE(row, nullptr);
        if (id < 3) {
            EXPECT_STREQ(row->extension, "wyx");
            EXPECT_EQ(form, id);
        } else {
            EXPECT_STREQ(row->extension, kForeign[id - 3]);
            EXPECT_EQ(form, 0);
        }
    }
    int form = 0;
    EXPECT_EQ(Table().FindImportId(-1, form), nullptr);
    EXPECT_EQ(Table().FindImportId(RWyxFileImporter::kFormatCount, form), nullptr);
    EXPECT_EQ(RWyxFileImporter::kFormatWyxAscii, kWyxFormAscii);
    EXPECT_EQ(RWyxFileImporter::kFormatWyxBinary, kWyxFormBinary);
    EXPECT_EQ(RWyxFileImporter::kFormatWyxEncrypted, kWyxFormEncrypted);
}

TEST(FormatTableRowsTest, ExporterIdsRouteToTheirFormatsWithWyxBinaryFirst) {
    for (int id = 0; id < RWyxFileExporter::kFormatCount; ++id) {
        SCOPED_TRACE(id);
        int form = -1;
        const RWyxFormatRow* row = Table().FindExportId(id, form);
        ASSERT_NE(row, nullptr);
        EXPECT_STREQ(row->extension, id < 5 ? "wyx" : kForeign[id - 5]);
        EXPECT_EQ(form, id < 5 ? id : 0);
    }
    int form = 0;
    EXPECT_EQ(Table().FindExportId(-1, form), nullptr);
    EXPECT_EQ(Table().FindExportId(RWyxFileExporter::kFormatCount, form), nullptr);
}

TEST(FormatTableRowsTest, OneRowPerExtensionFoundInAnyCaseAndOnlyWyxHasAHeaderAndOptions) {
    std::set<std::string> extensions;
    for (int i = 0; i < Table().GetRowCount(); ++i) {
        const RWyxFormatRow& row = *Table().GetRow(i);
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(extensions.insert(row.extension).second);
        const bool wyx = std::string(row.extension) == "wyx";
        EXPECT_EQ(row.recognizeHeader != nullptr, wyx);
        ASSERT_EQ(row.newOptions != nullptr, wyx);
        if (wyx) {
            EXPECT_EQ(row.recognizeHeader, &RecognizeWyxHeader);
            EXPECT_TRUE(row.newOptions()->Is(RStreamOptionsWyx::ClassId()));
        }
        std::string upper = row.extension;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(Table().FindByExtension(upper.c_str()), &row);
        EXPECT_EQ(Table().FindByExtension(row.extension), &row);
    }
    EXPECT_EQ(static_cast<int>(extensions.size()), kForeignCount + 1);
    EXPECT_EQ(Table().FindByExtension("tif"), nullptr);
    EXPECT_EQ(Table().FindByExtension(""), nullptr);
    EXPECT_EQ(Table().FindByExtension(nullptr), nullptr);
    EXPECT_EQ(Table().GetRow(Table().GetRowCount()), nullptr);
}

TEST(FormatTableRowsTest, TheFrontEndsUseThisTableAndNameEachFormatNotBuiltYet) {
    ScratchFolder scratch;
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxFileImporter* importer = factory.CreateFileImporter();
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    for (int i = 0; i < kForeignCount; ++i) {
        SCOPED_TRACE(kForeign[i]);
        const RWyxFormatRow* row = Table().FindByExtension(kForeign[i]);
        const std::string path = scratch.WriteFile(std::string("take.") + kForeign[i], "x");
        const bool read = importer->Initialize(path.c_str());
        EXPECT_EQ(read, row->newReader != nullptr);
        if (!read) {
            EXPECT_EQ(importer->GetLastErrorCode(), RWyxIO::kErrorUnsupportedFormat);
            EXPECT_NE(std::string(importer->GetLastErrorString()).find(row->name), std::string::npos);
        }
        if (row->newWriter == nullptr) {
            exporter->Initialize(scratch.Join("out.any").c_str());
            exporter->SetFileFormat(row->firstExportId);
            RStreamOptionsPtr options(RStreamOptionsWyx::Create());
            EXPECT_FALSE(exporter->Export(scene, options.get()));
            EXPECT_EQ(exporter->GetLastErrorCode(), RWyxIO::kErrorUnsupportedFormat);
        }
    }
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 0);
}

// The three version-6 forms are the version-6 writer's, the encrypted one included.
TEST(FormatTableRowsTest, EveryVersionSixExportIdWritesAVersionSixFileOfItsForm) {
    ScratchFolder scratch;
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    scene->GetRootNode()->AddChild(factory.CreateNode("A"));
    const std::pair<int, int> cases[] = {{RWyxFileExporter::kFormatWyxBinary, kWyxFormBinary},
                                         {RWyxFileExporter::kFormatWyxAscii, kWyxFormAscii},
                                         {RWyxFileExporter::kFormatWyxEncrypted, kWyxFormEncrypted}};
    for (const auto& [id, form] : cases) {
        SCOPED_TRACE(id);
        const std::string path = scratch.Join("scene" + std::to_string(id) + ".wyx");
        RWyxFileExporter* exporter = factory.CreateFileExporter();
        ASSERT_TRUE(exporter->Initialize(path.c_str()));
        exporter->SetFileFormat(id);
        ASSERT_TRUE(exporter->Export(scene, nullptr)) << exporter->GetLastErrorString();
        const std::string bytes = ScratchFolder::ReadFile(path);
        EXPECT_EQ(RecognizeWyxHeader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), form);
        RWyxFileImporter* importer = factory.CreateFileImporter();
        ASSERT_TRUE(importer->Initialize(path.c_str()));
        int major = 0, minor = 0, revision = 0;
        ASSERT_TRUE(importer->GetFileVersion(major, minor, revision));
        EXPECT_EQ(major, 6);
    }
}

}  // namespace
