// The OBJ writer (with its MTL file) and the DXF writer never lose a file. A write cut short by
// a file-size limit, by a full disk while a hard-linked file is overwritten, or by an MTL file
// that cannot be written whole fails, and leaves every old file byte for byte under every
// name, with nothing else beside it; a write that goes through reaches every name. A failure
// names the system's reason, and is "out of disk space" only for a full disk or quota.

#include "attributes/RWyxTexture.h"
#include "fileio/RWyxFileExporter.h"
#include "formats/geometry/RWyxWriterDxf.h"
#include "formats/geometry/RWyxWriterObj.h"
#include "tests/formats/geometry/GeometryFormatTestSupport.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/UncreatableTargets.h"
#include "tests/platform/WriteFaults.h"
#include "tests/support/KeptFile.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace geometry_format_test {
namespace {

struct WriterCase {
    const char* label;
    int exportId;
    const char* file;
    const char* library;  // the MTL file beside it; null for none
};

const WriterCase kWriters[] = {
    {"obj", RWyxFileExporter::kFormatObj, "scene.obj", "scene.mtl"},
    {"dxf", RWyxFileExporter::kFormatDxf, "scene.dxf", nullptr},
};

// Larger than the old files and than the limits below: a 40 x 40 grid with a material.
constexpr rlim_t kLimit = 8192;

class GeometryDataLossTest : public GeometryFormatTest, public ::testing::WithParamInterface<int> {
protected:
    const WriterCase& Writer() const { return kWriters[GetParam()]; }

    void BuildGrid() {
        std::vector<RVector4> points;
        std::vector<std::vector<int>> quads;
        for (int j = 0; j < 40; ++j) {
            for (int i = 0; i < 40; ++i) {
                points.emplace_back(i, j, 0.5 * i, 1);
                if (i > 0 && j > 0) quads.push_back({j * 40 + i, j * 40 + i - 1, (j - 1) * 40 + i - 1, (j - 1) * 40 + i});
            }
        }
        AddMaterial(*AddMeshNode("grid", points, quads)->GetMesh(), "paint", 1, 0.5, 0);
    }

    // A texture on the grid, its picture in the folder "source".
    void AddTexture(const char* name) {
        std::filesystem::create_directory(scratch.Join("source"));
        RWyxTexture* texture = factory.CreateTexture(name);
        texture->SetFileName(RString(scratch.WriteFile(std::string("source/") + name + ".png", "png").c_str()));
        RWyxMesh& grid = *Node("grid")->GetMesh();
        grid.InitTextureIndices(RWyxMesh::kKindAllSame);
        grid.AddTexture(texture);
    }

    // Exports the scene to the file of the case, as a host does; true when it reports success.
    bool Export(const std::string& path) {
        RWyxFileExporter* exporter = factory.CreateFileExporter();
        exporter->Initialize(path.c_str());
        exporter->SetFileFormat(Writer().exportId);
        const bool exported = Writer().library != nullptr ? exporter->Export(scene, ObjOptions().get())
                                                          : exporter->Export(scene, DxfOptions().get());
        message = exporter->GetLastErrorString();
        factory.DestroyFileExporter(exporter);
        return exported;
    }

    std::string Target() const { return scratch.Join(Writer().file); }

    // The writer of the case, driven directly as an SDK client does, and its options.
    std::unique_ptr<RWyxGeometryFileWriter> NewWriter() {
        if (Writer().library != nullptr) return std::make_unique<RWyxWriterObj>(&factory);
        return std::make_unique<RWyxWriterDxf>(&factory);
    }
    RStreamOptions* Options() const {
        return Writer().library != nullptr ? static_cast<RStreamOptions*>(obj.get()) : dxf.get();
    }

    std::string message;
    const OptionsPtr<RStreamOptionsObj> obj = ObjOptions();
    const OptionsPtr<RStreamOptionsDxf> dxf = DxfOptions();
};

TEST_P(GeometryDataLossTest, AFileSizeLimitLeavesTheOldFilesByteForByte) {
    BuildGrid();
    const KeptFile old(Target(), std::string(4929, 'o'));
    std::optional<KeptFile> library;
    if (Writer().library != nullptr) library.emplace(scratch.Join(Writer().library), "newmtl old\n");
    {
        const FileSizeLimit limit(kLimit);
        EXPECT_FALSE(Export(Target()));
    }
    EXPECT_NE(message.find(Writer().file), std::string::npos) << message;
    EXPECT_TRUE(old.IsUnchanged());
    if (library) {
        EXPECT_TRUE(library->IsUnchanged());
    }
    EXPECT_EQ(FolderEntryCount(scratch.Path()), library ? 2u : 1u);
    ASSERT_TRUE(Export(Target())) << message;  // without the limit it goes through
    EXPECT_GT(ScratchFolder::ReadFile(Target()).size(), kLimit);
}

TEST_P(GeometryDataLossTest, AHardLinkedFileKeepsItsOldContentUnderEveryName) {
    BuildGrid();
    KeptFile old(Target(), std::string(3000, 'o'));
    ASSERT_TRUE(old.AddHardLink(scratch.Join("second name")));
    {
        const FileSizeLimit limit(kLimit);
        EXPECT_FALSE(Export(Target()));
    }
    EXPECT_TRUE(old.IsUnchanged());
    // A full disk while the file is overwritten in place (its own blocks still take writes):
    // the old content goes back.
    {
        const NoSpaceReservation noReservation;
        const FailingWrites full(Target(), static_cast<off_t>(old.Content().size()), ENOSPC,
                                 FailingWrites::Kind::kLasting);
        EXPECT_FALSE(Export(Target()));
        EXPECT_GE(full.Failures(), 1);
    }
    EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
    EXPECT_TRUE(old.IsUnchanged());
    EXPECT_EQ(FolderEntryCount(scratch.Path()), 2u) << message;  // the two names: no MTL file came either
    ASSERT_TRUE(Export(Target())) << message;
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("second name")), ScratchFolder::ReadFile(Target()));
    EXPECT_GT(ScratchFolder::ReadFile(Target()).size(), kLimit);
}

// Driven directly, as an SDK client does: FileClose after a Write that was refused or cut short
// answers false with the write's error and puts nothing in place.
TEST_P(GeometryDataLossTest, AFailedWriteThenFileCloseLeavesTheOldFiles) {
    BuildGrid();
    const KeptFile old(Target(), std::string(4929, 'o'));
    std::optional<KeptFile> library;
    if (Writer().library != nullptr) library.emplace(scratch.Join(Writer().library), "newmtl old\n");
    const std::unique_ptr<RWyxGeometryFileWriter> writer = NewWriter();
    for (const bool cutShort : {false, true}) {
        SCOPED_TRACE(cutShort ? "cut short" : "refused");
        ASSERT_TRUE(writer->FileCreate(Target().c_str())) << writer->GetLastErrorString();
        bool written = true;
        if (cutShort) {
            const FileSizeLimit limit(kLimit);
            written = writer->Write(scene, Options());
        } else {
            written = writer->Write(scene, nullptr);  // no options: refused
        }
        EXPECT_FALSE(written);
        const int error = writer->GetLastErrorCode();
        const std::string text = writer->GetLastErrorString();
        // A file-size limit is no lack of room; the text names the file and the limit.
        EXPECT_EQ(error, cutShort ? RWyxWriter::kErrorUnidentified : RWyxWriter::kErrorOptionsNotSet);
        if (cutShort) {
            EXPECT_NE(text.find(std::string(Writer().file) + "\" whole: " + std::strerror(EFBIG)), std::string::npos)
                << text;
        }
        EXPECT_FALSE(writer->FileClose());
        EXPECT_EQ(writer->GetLastErrorCode(), error);
        EXPECT_EQ(writer->GetLastErrorString(), text);
        EXPECT_TRUE(old.IsUnchanged());
        if (library) {
            EXPECT_TRUE(library->IsUnchanged());
        }
        EXPECT_EQ(FolderEntryCount(scratch.Path()), library ? 2u : 1u);
    }
    // Created and closed without a Write: the empty output goes in place, as a WYX file would.
    ASSERT_TRUE(writer->FileCreate(Target().c_str()));
    EXPECT_TRUE(writer->FileClose());
    EXPECT_EQ(ScratchFolder::ReadFile(Target()), "");
}

// A close whose put in place fails (the hard-linked file overwritten in place, its own blocks
// still taking writes) names the file and the reason, with error 3 for a full disk or quota
// and error 5 for an I/O error. The writer is used again after each failure: a new file starts
// without the old error.
TEST_P(GeometryDataLossTest, AFailedCloseIsCodedByItsReason) {
    BuildGrid();
    AddTexture("wood");
    KeptFile old(Target(), std::string(3000, 'o'));
    ASSERT_TRUE(old.AddHardLink(scratch.Join("second name")));
    const std::unique_ptr<RWyxGeometryFileWriter> writer = NewWriter();
    const std::pair<int, int> cases[] = {{ENOSPC, RWyxWriter::kErrorOutOfDiskSpace},
                                         {EDQUOT, RWyxWriter::kErrorOutOfDiskSpace},
                                         {EIO, RWyxWriter::kErrorUnidentified}};
    for (const auto& [reason, code] : cases) {
        SCOPED_TRACE(std::strerror(reason));
        ASSERT_TRUE(writer->FileCreate(Target().c_str())) << writer->GetLastErrorString();
        ASSERT_TRUE(writer->Write(scene, Options())) << writer->GetLastErrorString();
        const NoSpaceReservation noReservation;
        const FailingWrites fault(Target(), static_cast<off_t>(old.Content().size()), reason,
                                  FailingWrites::Kind::kLasting);
        EXPECT_FALSE(writer->FileClose());
        EXPECT_GE(fault.Failures(), 1);
        EXPECT_EQ(writer->GetLastErrorCode(), code);
        const std::string text = writer->GetLastErrorString();
        EXPECT_NE(text.find(std::string(Writer().file) + "\" whole: " + std::strerror(reason)), std::string::npos)
            << text;
        EXPECT_TRUE(old.IsUnchanged());
        EXPECT_FALSE(std::filesystem::exists(scratch.Join("wood.png"))) << "no texture beside a file not in place";
    }
}

// A close whose in-place overwrite fails, and whose put back of the old content fails too,
// names the copy beside the file that keeps the old content.
TEST_P(GeometryDataLossTest, AnOldContentThatCannotBePutBackIsNamedWhereItIsKept) {
    BuildGrid();
    KeptFile old(Target(), std::string(3000, 'o'));
    ASSERT_TRUE(old.AddHardLink(scratch.Join("second name")));
    {
        const NoSpaceReservation noReservation;
        const FailingWrites fault(Target(), 1000, EIO, FailingWrites::Kind::kLasting);
        EXPECT_FALSE(Export(Target()));
    }
    const std::string kept = KeptOldContentNamedIn(message);
    EXPECT_EQ(kept.rfind(scratch.Join(".wyx-old-"), 0), 0u) << message;
    EXPECT_EQ(ScratchFolder::ReadFile(kept), old.Content());
}

// A file that cannot be created is error 1, named with the system's reason.
TEST_P(GeometryDataLossTest, AFileThatCannotBeCreatedIsNamedWithTheSystemsReason) {
    const std::unique_ptr<RWyxGeometryFileWriter> writer = NewWriter();
    ForEachUncreatableTarget(scratch.Path(), Writer().file, [&](const std::string& path, int reason) {
        EXPECT_FALSE(writer->FileCreate(path.c_str()));
        EXPECT_EQ(writer->GetLastErrorCode(), RWyxWriter::kErrorNotOpened);
        EXPECT_EQ(writer->GetLastErrorString(), "Cannot create \"" + path + "\": " + std::strerror(reason));
    });
}

// A point that is NaN or infinite in world space (its own coordinate, or its node's transform)
// would come back as another number: the write is refused naming the mesh and the point, and
// leaves every old file, with nothing beside them (the textured grid before it copies none).
TEST_P(GeometryDataLossTest, APointBeyondTheRealNumbersIsRefusedAndLeavesTheOldFiles) {
    BuildGrid();
    AddTexture("wood");
    RWyxNode* tail = AddMeshNode("tail", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {{0, 1, 2}});
    const KeptFile old(Target(), std::string(4929, 'o'));
    std::optional<KeptFile> library;
    if (Writer().library != nullptr) library.emplace(scratch.Join(Writer().library), "newmtl old\n");
    const std::string file = Writer().library != nullptr ? "an OBJ file" : "a DXF file";
    const double beyond[] = {std::nan(""), HUGE_VAL, -HUGE_VAL};
    for (int axis = 0; axis < 3; ++axis) {
        // The DXF writer's triangulation gives the node a new mesh: it is looked up each time.
        *tail->GetMesh()->GetControlPoints()[1].Component(axis) = beyond[axis];
        EXPECT_FALSE(Export(Target())) << axis;
        EXPECT_EQ(message, "Mesh \"tail\": its point 1 in world space lies beyond the real numbers " + file + " holds");
        tail->GetMesh()->GetControlPoints()[1] = RVector4(1, 0, 0, 1);
    }
    tail->SetDefaultTranslation(RVector4(0.0, std::nan(""), 0.0, 0.0));
    EXPECT_FALSE(Export(Target()));
    EXPECT_EQ(message, "Mesh \"tail\": its point 0 in world space lies beyond the real numbers " + file + " holds");
    const std::unique_ptr<RWyxGeometryFileWriter> writer = NewWriter();  // driven directly, it answers so too
    ASSERT_TRUE(writer->FileCreate(Target().c_str()));
    EXPECT_FALSE(writer->Write(scene, Options()));
    EXPECT_FALSE(writer->FileClose());
    EXPECT_TRUE(old.IsUnchanged());
    if (library) {
        EXPECT_TRUE(library->IsUnchanged());
    }
    EXPECT_EQ(FolderEntryCount(scratch.Path()), library ? 3u : 2u) << "the files and the source folder alone";
    tail->SetDefaultTranslation(RVector4());
    ASSERT_TRUE(Export(Target())) << message;
    EXPECT_EQ(FolderEntryCount(scratch.Path()), library ? 4u : 2u) << "the texture is copied beside an OBJ file";
}

INSTANTIATE_TEST_SUITE_P(Writers, GeometryDataLossTest, ::testing::Range(0, 2),
                         [](const ::testing::TestParamInfo<int>& info) { return kWriters[info.param].label; });

// An MTL file that cannot be written whole fails the export, though the OBJ file fits, and
// neither old file changes; the message names the MTL file and the reason, whether the write
// fails while the scene is written or its last bytes, which wait in the stream's buffer,
// fail when it is closed.
TEST_F(GeometryFormatTest, AnObjExportWhoseMtlFileIsCutShortFails) {
    RWyxNode* node = AddMeshNode("many", {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}}, {});
    RWyxMesh& mesh = *node->GetMesh();
    mesh.InitMaterialIndices(RWyxMesh::kKindByPolygon);
    for (int p = 0; p < 100; ++p) {
        AddMaterial(mesh, ("material" + std::to_string(p)).c_str(), p / 100.0, 0, 0);
        mesh.BeginPolygon(p);
        for (const int k : {0, 1, 2}) mesh.AddPolygonVertex(k);
    }
    const std::string target = scratch.Join("scene.obj");
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    exporter->Initialize(target.c_str());
    exporter->SetFileFormat(RWyxFileExporter::kFormatObj);
    const OptionsPtr<RStreamOptionsObj> options = ObjOptions();
    ASSERT_TRUE(exporter->Export(scene, options.get())) << exporter->GetLastErrorString();
    const std::size_t objSize = ScratchFolder::ReadFile(target).size();
    const std::size_t mtlSize = ScratchFolder::ReadFile(scratch.Join("scene.mtl")).size();
    ASSERT_LT(objSize, mtlSize / 2);
    const KeptFile oldObj(target, "old obj\n");
    const KeptFile oldMtl(scratch.Join("scene.mtl"), "old mtl\n");
    for (const std::size_t size : {mtlSize - 1, mtlSize / 2}) {
        {
            const FileSizeLimit limit(static_cast<rlim_t>(size));
            EXPECT_FALSE(exporter->Export(scene, options.get()));
        }
        const std::string text = exporter->GetLastErrorString();
        EXPECT_NE(text.find(std::string("scene.mtl\" whole: ") + std::strerror(EFBIG)), std::string::npos) << text;
        EXPECT_TRUE(oldObj.IsUnchanged());
        EXPECT_TRUE(oldMtl.IsUnchanged());
        EXPECT_EQ(FolderEntryCount(scratch.Path()), 2u);
    }
}

// A texture copy cut short leaves no part of a file, which would keep later exports from
// copying it (a texture already beside the output is not copied again).
TEST_F(GeometryFormatTest, ATextureCopyCutShortLeavesNothingAndTheNextExportCopiesIt) {
    const std::string picture(20000, 'p');
    const std::string source = scratch.WriteFile("source.png", picture);
    RWyxNode* node = AddCube("cube");
    AddMaterial(*node->GetMesh(), "skin", 1, 1, 1);
    RWyxTexture* texture = factory.CreateTexture("skin");
    texture->SetFileName(RString(source.c_str()));
    node->GetMesh()->InitTextureIndices(RWyxMesh::kKindAllSame);
    node->GetMesh()->AddTexture(texture);
    std::filesystem::create_directory(scratch.Join("out"));
    RWyxFileExporter* exporter = factory.CreateFileExporter();
    exporter->Initialize(scratch.Join("out/scene.obj").c_str());
    exporter->SetFileFormat(RWyxFileExporter::kFormatObj);
    const OptionsPtr<RStreamOptionsObj> options = ObjOptions();
    {
        const FileSizeLimit limit(kLimit);
        ASSERT_TRUE(exporter->Export(scene, options.get())) << exporter->GetLastErrorString();
    }
    EXPECT_NE(std::string(exporter->GetMessageText().Buffer()).find("Error writing texture file"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(scratch.Join("out/source.png")));
    EXPECT_EQ(FolderEntryCount(scratch.Join("out")), 2u);
    ASSERT_TRUE(exporter->Export(scene, options.get())) << exporter->GetLastErrorString();
    EXPECT_EQ(ScratchFolder::ReadFile(scratch.Join("out/source.png")), picture);
}

}  // namespace
}  // namespace geometry_format_test
