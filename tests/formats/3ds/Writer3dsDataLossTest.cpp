// A 3DS write that is refused or fails leaves the file it would replace as it was, byte for
// byte under every name: a mesh too large for the format, a file-size limit, a full disk while
// a hard-linked file is overwritten in place. Texture copies go in place whole, and only when
// their source was read to its end.

#include "tests/formats/3ds/Scene3dsTestSupport.h"
#include "tests/platform/FileSizeLimit.h"
#include "tests/platform/UncreatableTargets.h"
#include "tests/platform/WriteFaults.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <limits>
#include <unistd.h>

using namespace scene3ds_test;

namespace {

const std::string kOldContent(5000, 'o');

// Texture files opened by Open, a writer's texture file opener, read as they are for the
// first `readable` bytes, then fail (an I/O error), for the life of the object.
class FailingTextureReads {
public:
    explicit FailingTextureReads(std::size_t readable) { readable_ = readable; }
    FailingTextureReads(const FailingTextureReads&) = delete;
    FailingTextureReads& operator=(const FailingTextureReads&) = delete;

    // One stream at a time, over the file itself, that gives left_ bytes more.
    static std::FILE* Open(const char* path, const char* mode) {
        file_ = std::fopen(path, mode);
        left_ = readable_;
        return file_ != nullptr ? fopencookie(nullptr, mode, {&Read, nullptr, nullptr, &Close}) : nullptr;
    }

private:
    static ssize_t Read(void*, char* bytes, std::size_t size) {
        if (left_ == 0) {
            errno = EIO;
            return -1;
        }
        const std::size_t got = std::fread(bytes, 1, std::min(size, left_), file_);
        left_ -= got;
        return static_cast<ssize_t>(got);
    }

    static int Close(void*) { return std::fclose(file_); }

    static inline std::size_t readable_ = 0;
    static inline std::size_t left_ = 0;
    static inline std::FILE* file_ = nullptr;
};

class Writer3dsDataLossTest : public Scene3dsTest {
protected:
    // A mesh of `points` control points in a row, fanned into triangles.
    RWyxMesh* QuadMeshOf(int points) {
        std::vector<RVector4> row;
        for (int i = 0; i < points; ++i) row.emplace_back(i, i % 7, 0, 0);
        std::vector<std::vector<int>> fan;
        for (int i = 1; i + 1 < points; ++i) fan.push_back({0, i, i + 1});
        return QuadMesh(row, fan);
    }

    void AddMesh(const char* name, int points) { AddNode(name, QuadMeshOf(points)); }

    // Writes the scene to path, texture files opened by the opener (the file system's when
    // null); false when FileCreate or Write fails (the error is kept).
    bool WriteTo(const std::string& path, RWyxWriter3ds::FileOpener opener = nullptr) {
        RWyxWriter3ds writer(&factory);
        writer.SetTextureFileOpener(opener);
        const bool written = writer.FileCreate(path.c_str()) && writer.Write(scene, Options().get());
        error = writer.GetLastErrorCode();
        errorText = writer.GetLastErrorString();
        messages = writer.GetMessageText().Buffer();
        closed = writer.FileClose();
        closeError = writer.GetLastErrorCode();
        closeErrorText = writer.GetLastErrorString();
        return written;
    }

    // Whether every name holds the old content.
    ::testing::AssertionResult Kept(std::initializer_list<std::string> names) const {
        for (const std::string& name : names) {
            const std::string bytes = ScratchFolder::ReadFile(name);
            if (bytes != kOldContent) {
                return ::testing::AssertionFailure() << name << " holds " << bytes.size() << " bytes";
            }
        }
        return ::testing::AssertionSuccess();
    }

    std::size_t Entries() const { return FolderEntries(folder.Path()); }

    static std::size_t FolderEntries(const std::string& path) {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(path), std::filesystem::directory_iterator()));
    }

    // A triangle under the node "Box", textured with the image.
    void AddTexturedBox(const std::string& image) {
        RWyxMesh* mesh = QuadMesh({{0, 0, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 0}}, {{0, 1, 2}});
        RWyxTexture* texture = factory.CreateTexture("wood");
        texture->SetFileName(image.c_str());
        mesh->AddTexture(texture, 0);
        mesh->InitTextureIndices(RWyxMesh::kKindByPolygon);
        mesh->InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
        mesh->InitTextureUVs(3);
        AddNode("Box", mesh);
    }

    // A second triangle over the mesh's first three points, whose UVs map by polygon corner,
    // the third one beyond the floats.
    static void AddCornerUVs(RWyxMesh* mesh) {
        mesh->InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        mesh->AddTextureUV(0.0, 0.0);
        mesh->AddTextureUV(-1e300, 0.0);
        mesh->BeginPolygon();
        for (const int point : {0, 1, 2}) mesh->AddPolygonVertex(point, point == 2 ? 1 : 0);
    }

    ScratchFolder folder;
    const std::string path = folder.Join("scene.3ds");
    const std::string otherName = folder.Join("other.3ds");
    int error = -1;
    std::string errorText;
    // FileClose after the write, and the error then.
    bool closed = false;
    int closeError = -1;
    std::string closeErrorText;
};

// A file that cannot be created is error 2, named with the system's reason.
TEST_F(Writer3dsDataLossTest, AFileThatCannotBeCreatedIsNamedWithTheSystemsReason) {
    AddMesh("Row", 3);
    ForEachUncreatableTarget(folder.Path(), "scene.3ds", [&](const std::string& target, int reason) {
        EXPECT_FALSE(WriteTo(target));
        EXPECT_EQ(error, RWyxWriter::kErrorNotCreated);
        EXPECT_EQ(errorText, "File not created: \"" + target + "\": " + std::strerror(reason));
    });
}

TEST_F(Writer3dsDataLossTest, ARefusedMeshLeavesTheFileUnderEveryName) {
    folder.WriteFile("scene.3ds", kOldContent);
    ASSERT_EQ(::link(path.c_str(), otherName.c_str()), 0);
    AddMesh("Huge", 70000);
    EXPECT_FALSE(WriteTo(path));
    EXPECT_EQ(error, RWyxWriter::kErrorUnidentified);
    EXPECT_NE(errorText.find("65535"), std::string::npos) << errorText;
    EXPECT_TRUE(Kept({path, otherName}));
    EXPECT_EQ(Entries(), 2u) << "nothing left beside the file";
    // Created and never written: untouched as well.
    RWyxWriter3ds unwritten(&factory);
    ASSERT_TRUE(unwritten.FileCreate(path.c_str()));
    EXPECT_TRUE(unwritten.FileClose());
    EXPECT_TRUE(Kept({path}));
}

// FileClose after a Write that was refused or cut short (as an SDK client calls it) answers
// false and keeps the write's error; after one that succeeded it answers true.
TEST_F(Writer3dsDataLossTest, FileCloseAfterAFailedWriteFailsWithTheWritesError) {
    folder.WriteFile("scene.3ds", kOldContent);
    AddMesh("Row", 3000);
    {
        const FileSizeLimit limit(8000);
        EXPECT_FALSE(WriteTo(path));
    }
    EXPECT_FALSE(closed);
    EXPECT_EQ(closeError, error);
    EXPECT_EQ(closeErrorText, errorText);
    AddMesh("Huge", 70000);
    EXPECT_FALSE(WriteTo(path));
    EXPECT_NE(errorText.find("65535"), std::string::npos) << errorText;
    EXPECT_FALSE(closed);
    EXPECT_EQ(closeError, error);
    EXPECT_EQ(closeErrorText, errorText);
    EXPECT_TRUE(Kept({path}));
    EXPECT_EQ(Entries(), 1u);
    RWyxWriter3ds unwritten(&factory);
    ASSERT_TRUE(unwritten.FileCreate(path.c_str()));
    EXPECT_FALSE(unwritten.Write(nullptr, Options().get()));
    EXPECT_FALSE(unwritten.FileClose());
    EXPECT_EQ(unwritten.GetLastErrorCode(), RWyxWriter::kErrorUnidentified);
    EXPECT_STREQ(unwritten.GetLastErrorString(), "No scene to write");
    EXPECT_TRUE(unwritten.FileClose()) << "nothing left to close";
    EXPECT_TRUE(Kept({path}));
}

TEST_F(Writer3dsDataLossTest, AFileSizeLimitFailsTheWriteAndLeavesTheFile) {
    folder.WriteFile("scene.3ds", kOldContent);
    AddMesh("Row", 3000);
    {
        const FileSizeLimit limit(8000);
        EXPECT_FALSE(WriteTo(path));
    }
    EXPECT_EQ(error, RWyxWriter::kErrorUnidentified);
    EXPECT_NE(errorText.find("scene.3ds\" whole: File too large"), std::string::npos) << errorText;
    EXPECT_TRUE(Kept({path}));
    EXPECT_EQ(Entries(), 1u);
    // Without the limit the same scene is written and put in place.
    ASSERT_TRUE(WriteTo(path)) << errorText;
    EXPECT_GT(ScratchFolder::ReadFile(path).size(), 8000u);
}

TEST_F(Writer3dsDataLossTest, AFullDiskWhileAHardLinkedFileIsOverwrittenLeavesBothNames) {
    folder.WriteFile("scene.3ds", kOldContent);
    ASSERT_EQ(::link(path.c_str(), otherName.c_str()), 0);
    AddMesh("Row", 3000);
    {
        const NoSpaceReservation noReservation;
        const FailingWrites failing(path, 3000, ENOSPC, FailingWrites::Kind::kLasting);
        EXPECT_FALSE(WriteTo(path));
    }
    EXPECT_EQ(error, RWyxWriter::kErrorOutOfDiskSpace);
    EXPECT_TRUE(Kept({path, otherName}));
    // The old content could not be written back whole either (the disk is full past the
    // failing offset): the error names the copy beside the file that holds it.
    const std::string kept = KeptOldContentNamedIn(errorText);
    EXPECT_EQ(kept.rfind(folder.Join(".wyx-old-"), 0), 0u) << errorText;
    EXPECT_TRUE(Kept({kept}));
    std::filesystem::remove(kept);
    // A write that succeeds reaches both names, as a plain write would.
    ASSERT_TRUE(WriteTo(path)) << errorText;
    const std::string written = ScratchFolder::ReadFile(path);
    EXPECT_EQ(written.substr(0, 2), "MM");
    EXPECT_EQ(ScratchFolder::ReadFile(otherName), written);
}

TEST_F(Writer3dsDataLossTest, ATextureCopyThatFailsLeavesNoPartOfAFile) {
    AddTexturedBox(folder.WriteFile("source.bmp", std::string(20000, 'b')));
    std::filesystem::create_directory(folder.Join("out"));
    {
        const FileSizeLimit limit(10000);  // the scene fits, the image does not
        EXPECT_TRUE(WriteTo(folder.Join("out/scene.3ds"))) << errorText;
    }
    EXPECT_NE(messages.find("Error writing texture file"), std::string::npos) << messages;
    EXPECT_FALSE(std::filesystem::exists(folder.Join("out/source.bmp")));
    ASSERT_TRUE(WriteTo(folder.Join("out/scene.3ds"))) << errorText;
    EXPECT_EQ(ScratchFolder::ReadFile(folder.Join("out/source.bmp")).size(), 20000u) << "copied whole";
}

// A texture whose reading fails part way is not put beside the file in part, and the export
// says so; read to its end through the same road, it is copied whole.
TEST_F(Writer3dsDataLossTest, ATextureReadThatFailsPartWayLeavesNoPartOfAFile) {
    std::string picture(20000, 'w');
    for (std::size_t i = 0; i < picture.size(); i += 7) picture[i] = static_cast<char>(i);
    AddTexturedBox(folder.WriteFile("wood.bmp", picture));
    const std::string out = folder.Join("out");
    std::filesystem::create_directory(out);
    {
        const FailingTextureReads failing(5000);
        ASSERT_TRUE(WriteTo(out + "/scene.3ds", &FailingTextureReads::Open)) << errorText;
    }
    EXPECT_EQ(messages.rfind("Error writing texture file \"", 0), 0u) << messages;
    EXPECT_NE(messages.find("wood.bmp\".\n"), std::string::npos) << messages;
    EXPECT_FALSE(std::filesystem::exists(out + "/wood.bmp"));
    EXPECT_EQ(FolderEntries(out), 1u) << "the file alone, no part of a copy beside it";
    {
        // A writer given the failing opener and then none reads through the file system's.
        const FailingTextureReads failing(0);
        RWyxWriter3ds writer(&factory);
        writer.SetTextureFileOpener(&FailingTextureReads::Open);
        writer.SetTextureFileOpener(nullptr);
        ASSERT_TRUE(writer.FileCreate((out + "/scene.3ds").c_str()) && writer.Write(scene, Options().get()));
        EXPECT_STREQ(writer.GetMessageText().Buffer(), "");
    }
    EXPECT_EQ(ScratchFolder::ReadFile(out + "/wood.bmp"), picture);
    std::filesystem::remove(out + "/wood.bmp");
    {
        const FailingTextureReads whole(picture.size() + 1);
        ASSERT_TRUE(WriteTo(out + "/scene.3ds", &FailingTextureReads::Open)) << errorText;
    }
    EXPECT_EQ(messages, "");
    EXPECT_EQ(ScratchFolder::ReadFile(out + "/wood.bmp"), picture);
}

// A value no float of the file holds as it is, where a reader would take it for another, is
// refused by name, field and frame before anything is written; values a reader takes back as
// they are (a node's translation, a light's colour, a scaling of 0) are written.
TEST_F(Writer3dsDataLossTest, AValueAReaderWouldTakeForAnotherIsRefusedByNameAndLeavesTheFile) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const ScratchFolder images;
    auto take = [](RWyxNode* node) { return node->GetCurrentTakeNode(); };
    struct Case {
        std::function<void()> build;
        std::string subject;  // empty for a scene that is written
    };
    const Case cases[] = {
        {[&] { AddMesh("Row", 3); Node("Row")->GetMesh()->GetControlPoints()[1].y = 1e300; },
         "Vertex 1 of mesh \"Row\""},
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultScaling(RVector4(1, nan, 1, 0)); },
         "The scaling of node \"Row\" at frame 0"},
        // Beyond the floats, the node's channel holds the largest float: the file an infinity.
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultTranslation(RVector4(0, 0, -inf, 0)); },
         "The translation of node \"Row\" at frame 0"},
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultTranslation(RVector4(1e300, 0, 0, 0)); },
         "The translation of node \"Row\" at frame 0"},
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultTranslation(RVector4(0, 3.5e38, 0, 0)); },
         "The translation of node \"Row\" at frame 0"},
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultScaling(RVector4(1, 1, 1e300, 0)); },
         "The scaling of node \"Row\" at frame 0"},
        {[&] { AddTexturedBox("w.bmp"); Node("Box")->GetMesh()->GetTextureUVs()[2].Set(0.5, 3.5e38); },
         "UV of vertex 2 of mesh \"Box\""},
        {[&] { AddTexturedBox("w.bmp"); Node("Box")->GetMesh()->GetTextureUVs()[0].Set(3.5e38, 0.5); },
         "UV of vertex 0 of mesh \"Box\""},
        {[&] {  // the first of two
             AddTexturedBox("w.bmp");
             Node("Box")->GetMesh()->GetTextureUVs()[1].Set(-3.5e38, 0.5);
             Node("Box")->GetMesh()->GetTextureUVs()[2].Set(0.5, 1e300);
         },
         "UV of vertex 1 of mesh \"Box\""},
        // UVs by polygon corner: a mesh without texture writes them so, one with a texture is
        // split into a vertex for each corner.
        {[&] { AddMesh("Row", 3); AddCornerUVs(Node("Row")->GetMesh()); }, "UV of vertex 2 of mesh \"Row\""},
        {[&] { AddTexturedBox("w.bmp"); AddCornerUVs(Node("Box")->GetMesh()); }, "UV of vertex 5 of mesh \"Box\""},
        {[&] { SetKeys(take(AddNode("Group"))->GetRotationYCurve(), {{0, 0.0f}, {4, nan}}); },
         "The rotation of node \"Group\" at frame 1"},
        {[&] {
             RWyxCamera* camera = factory.CreateCamera();
             camera->SetApertureMode(RWyxCamera::kApertureHorizontalAndVertical);
             AddNode("Cam", camera);
             camera->SetDefaultFieldOfViewX(nan);
         },
         "The field of view of node \"Cam\" at frame 0"},
        {[&] {
             AddTexturedBox("w.bmp");
             factory.FindTexture("wood", 0)->SetScalingUV(nan, 1.0);
         },
         "The scaling of texture \"wood\""},
        {[&] {
             AddTexturedBox("w.bmp");
             factory.FindTexture("wood", 0)->SetRotationUVW(0.0, 0.0, nan);
         },
         "The rotation of texture \"wood\""},
        {[&] { AddNode("Box", QuadMeshOf(3), AddNode("Wyx_Root"))->GetParent()->SetDefaultScaling({nan, 1, 1, 0}); },
         "The scaling of node \"Wyx_Root\""},
        {[&] {  // refused after a texture to copy: nothing is copied beside the file
             AddTexturedBox(images.WriteFile("wood.bmp", "BM"));
             AddNode("Group")->SetDefaultRotation(RVector4(inf, 0, 0, 0));
         },
         "The rotation of node \"Group\" at frame 0"},
        {[&] { AddNode("Group")->SetDefaultTranslation(RVector4(nan, inf, 0, 0)); }, ""},
        {[&] { AddNode("Group")->SetDefaultRotation(RVector4(0, 0, 1e300, 0)); }, "The rotation of node \"Group\" at frame 0"},
        // The first refusal's text stands.
        {[&] {
             AddNode("Group")->SetDefaultTranslation(RVector4(1e300, 0, 0, 0));
             Node("Group")->SetDefaultRotation(RVector4(1e300, 0, 0, 0));
         },
         "The translation of node \"Group\" at frame 0"},
        // A keyed channel's default is not written.
        {[&] {
             AddNode("Group")->SetDefaultTranslation(RVector4(1e300, 0, 0, 0));
             SetKeys(take(Node("Group"))->GetTranslationXCurve(), {{0, 1.0f}, {5, 2.0f}});
         },
         ""},
        // The node's channel holds the largest float for an infinity, the node's default the
        // infinity itself, which the first scale key would hold.
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultScaling(RVector4(1, 1, inf, 0)); },
         "The scaling of node \"Row\" at frame 0"},
        {[&] { SetKeys(take(AddNode("Lamp", factory.CreateLight()))->GetColorXCurve(), {{0, nan}, {2, inf}}); }, ""},
        // A mesh's node scaled to 0 at frame 0, or by a number a float holds as 0, is written
        // (each reads back in place: Scene3dsRoundTripTest).
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultScaling(RVector4(0, 0, 0, 0)); }, ""},
        {[&] { AddMesh("Row", 3); Node("Row")->SetDefaultScaling(RVector4(1, 1e-50, 1, 0)); }, ""},
        {[&] { AddMesh("Row", 3); SetKeys(take(Node("Row"))->GetScalingXCurve(), {{0, 0.0f}, {10, 1.0f}}); }, ""},
        // A default that lies beyond the floats: its key would be an infinity.
        {[&] { AddNode("Lamp", factory.CreateLight())->SetDefaultTranslation(RVector4(1e300, 0, 0, 0)); },
         "The translation of node \"Lamp\" at frame 0"},
        {[&] { AddNode("Group")->SetDefaultScaling(RVector4(1, 3.5e38, 1, 0)); }, "The scaling of node \"Group\" at frame 0"},
        {[&] {  // a camera's target, in the camera's target track
             AddNode("Cam", factory.CreateCamera())->SetTarget(AddNode("Aim"));
             Node("Aim")->SetDefaultTranslation(RVector4(0, 0, -3.5e38, 0));
         },
         "The translation of node \"Aim\" at frame 0"},
        {[&] { AddNode("Lamp", factory.CreateLight())->SetDefaultTranslation(RVector4(-inf, 0, 0, 0)); }, ""},
    };
    for (const auto& [build, subject] : cases) {
        factory.DestroyAll();
        scene = factory.CreateScene();
        folder.WriteFile("scene.3ds", kOldContent);
        build();
        if (subject.empty()) {
            EXPECT_TRUE(WriteTo(path)) << errorText;
            continue;
        }
        EXPECT_FALSE(WriteTo(path)) << subject;
        EXPECT_EQ(error, RWyxWriter::kErrorUnidentified) << subject;
        EXPECT_EQ(errorText, subject + RWyxWriter3ds::kBeyondReals);
        EXPECT_TRUE(Kept({path})) << subject;
        EXPECT_EQ(Entries(), 1u) << subject;
    }
}

// What a float holds as the number it is reads back so: a mesh's node 3e38 away (its points
// stay within the floats), UVs that are infinite or NaN, a mesh's node scaled small (its
// points made local to a frame as small again), and a null scaled to 0 for its first frames
// (a pop-in).
TEST_F(Writer3dsDataLossTest, NumbersAFloatHoldsAsTheyAreReadBackSo) {
    AddTexturedBox("w.bmp");
    Node("Box")->SetDefaultTranslation(RVector4(3e38, 0, -3e38, 0));
    Node("Box")->GetMesh()->GetTextureUVs()[1].Set(std::numeric_limits<double>::infinity(), std::nan(""));
    const auto options = Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); });
    const Bytes bytes = Write(options);
    factory.DestroyAll();
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(bytes, options));
    RVector4 translation;
    Node("Box")->GetDefaultTranslation(translation);
    EXPECT_FLOAT_EQ(static_cast<float>(translation.x), 3e38f);
    EXPECT_FLOAT_EQ(static_cast<float>(translation.z), -3e38f);
    const RWyxMesh* mesh = Node("Box")->GetMesh();
    for (int i = 0; i < mesh->GetControlPointsCount(); ++i) {
        const RVector4& point = mesh->GetControlPoints()[i];
        EXPECT_TRUE(std::isfinite(point.x) && std::isfinite(point.y) && std::isfinite(point.z)) << i;
    }
    EXPECT_TRUE(std::isinf(mesh->GetTextureUVs()[1].u));
    EXPECT_TRUE(std::isnan(mesh->GetTextureUVs()[1].v));

    // Meshes scaled small, where a float holds their points apart, and a null scaled to 0
    // until frame 10 (read back as a dummy).
    factory.DestroyAll();
    scene = factory.CreateScene();
    const char* const names[3] = {"A", "B", "C"};
    const RVector4 small[3] = {{0.01, 0.01, 0.01, 0}, {1, 1e-4, 0.01, 0}, {1e-30, 1e-30, 1e-30, 0}};
    const RVector4 at[3] = {{5, 0, 0, 0}, {0.1, 0.2, 0.3, 0}, {0, 0, 0, 0}};
    for (int k = 0; k < 3; ++k) {
        AddMesh(names[k], 3);
        Node(names[k])->SetDefaultScaling(small[k]);
        Node(names[k])->SetDefaultTranslation(at[k]);
        Node(names[k])->SetDefaultRotation(RVector4(0, 30, 0, 0));
    }
    RWyxTakeNode* pop = AddNode("Pop")->GetCurrentTakeNode();
    for (RFCurve* curve : {pop->GetScalingXCurve(), pop->GetScalingYCurve(), pop->GetScalingZCurve()}) {
        SetKeys(curve, {{0, 0.0f}, {9, 0.0f}, {10, 1.0f}});
    }
    const Bytes scaled = Write(options);
    factory.DestroyAll();
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(scaled, options));
    for (int k = 0; k < 3; ++k) {
        RVector4 scaling;
        Node(names[k])->GetDefaultScaling(scaling);
        for (int axis = 0; axis < 3; ++axis) EXPECT_NEAR(*scaling.Component(axis) / *small[k].Component(axis), 1, 1e-5) << k;
        const RVector4* points = Node(names[k])->GetMesh()->GetControlPoints();
        for (int i = 0; i < 3; ++i) EXPECT_NEAR((points[i] - RVector4(i, i, 0, 0)).Length3(), 0.0, 1e-3) << k;
    }
    for (const int frame : {0, 9, 10}) {
        EXPECT_EQ(Node("$$$DUMMY.Pop")->GetGlobalMatrixAt(Frame(frame)).GetScaling().y, frame < 10 ? 0.0 : 1.0) << frame;
    }
}

// The mesh record of that name in the file; null when there is none.
std::unique_ptr<FtkMeshObject> MeshRecord(const Bytes& bytes, const char* name) {
    std::unique_ptr<FtkDatabase> database = LoadFile(bytes);
    for (std::uint32_t i = 0; database != nullptr && i < FtkMeshCount(database.get()); ++i) {
        std::unique_ptr<FtkMeshObject> mesh;
        if (FtkGetMeshByIndex(database.get(), i, mesh) && std::string(mesh->name) == name) return mesh;
    }
    return nullptr;
}

// The lengths of the local frame's axes in the scene's order (X, Y, Z): its scaling.
RVector4 FrameScaling(const FtkMeshObject& mesh) {
    auto length = [&mesh](int row) {
        const float* axis = mesh.localMatrix + 3 * row;
        return std::sqrt(double(axis[0]) * axis[0] + double(axis[1]) * axis[1] + double(axis[2]) * axis[2]);
    };
    return RVector4(length(0), length(2), length(1), 0);  // the file's rows are X, Z, Y
}

// With animation written, a mesh's local frame takes as 1 each axis its scale keys grow from
// almost nothing (below 0.01 at frame 0, a later key 100 times as large); every other mesh keeps
// its record, frame and vertices, as a write without animation gives it: the frame-0 transform
// as it is. Static small scales, scales keyed to stay small (a rig baked at 0.01) or to grow less
// than 100-fold, pop-ins from 0.01 and more, and a pop-in written without animation.
TEST_F(Writer3dsDataLossTest, OnlyAxesThatGrowFromAlmostNothingLeaveTheFrameAsItIs) {
    struct Case {
        const char* name;
        RVector4 from;   // the scaling at frame 0
        RVector4 to;     // at frame 30, keyed on the axes where it differs from `from` or `keyed` says
        bool keyed;      // every axis keyed, as a rig is
        RVector4 frame;  // the frame's scaling with animation written
    };
    const Case cases[] = {
        {"Static", {0.01, 0.01, 0.01, 0}, {0.01, 0.01, 0.01, 0}, false, {0.01, 0.01, 0.01, 0}},
        {"Tiny", {1e-4, 1e-30, 1e-4, 0}, {1e-4, 1e-30, 1e-4, 0}, false, {1e-4, 1e-30, 1e-4, 0}},
        {"Rig", {0.01, 0.01, 0.01, 0}, {0.01, 0.01, 0.01, 0}, true, {0.01, 0.01, 0.01, 0}},
        {"Rig1e3", {1e-3, 1e-3, 1e-3, 0}, {1e-3, 1e-3, 1e-3, 0}, true, {1e-3, 1e-3, 1e-3, 0}},
        {"Grew99", {0.004, 0.004, 0.004, 0}, {0.396, 0.396, 0.396, 0}, false, {0.004, 0.004, 0.004, 0}},
        {"Grew101", {0.004, 0.004, 0.004, 0}, {0.404, 0.404, 0.404, 0}, false, {1, 1, 1, 0}},
        {"Pop001", {0.01, 0.01, 0.01, 0}, {1, 1, 1, 0}, false, {0.01, 0.01, 0.01, 0}},
        {"Pop0099", {0.0099, 0.0099, 0.0099, 0}, {1, 1, 1, 0}, false, {1, 1, 1, 0}},
        {"Shrank", {1e-3, 1e-3, 1e-3, 0}, {1e-5, 1e-5, 1e-5, 0}, false, {1e-3, 1e-3, 1e-3, 0}},
        {"OnlyY", {1e-4, 1e-4, 1e-4, 0}, {1e-4, 1, 1e-4, 0}, true, {1e-4, 1, 1e-4, 0}},
        {"Mirror", {1, -1e-4, 1, 0}, {1, -1, 1, 0}, false, {1, 1, 1, 0}},
    };
    for (const Case& c : cases) {
        RWyxNode* node = AddNode(c.name, Tetrahedron());
        node->SetDefaultTranslation(RVector4(100, 5, -20, 0));
        node->SetDefaultRotation(RVector4(30, 45, 60, 0));
        node->SetDefaultScaling(c.from);
        SetKeys(node->GetCurrentTakeNode()->GetTranslationXCurve(), {{0, 100.0f}, {30, 90.0f}});
        for (int axis = 0; axis < 3; ++axis) {
            const float from = static_cast<float>(*c.from.Component(axis));
            const float to = static_cast<float>(*c.to.Component(axis));
            if (c.keyed || from != to) SetKeys(ScalingCurve(*node, axis), {{0, from}, {30, to}});
        }
    }
    const auto withoutAnimation = [](RStreamOptions3ds& o) {
        o.SetOptionValue(o.kRescale, 0);
        o.SetOptionValue(o.kAnimation, 0);
    };
    const Bytes animated = Write(Options([](RStreamOptions3ds& o) { o.SetOptionValue(o.kRescale, 0); }));
    const Bytes unanimated = Write(Options(withoutAnimation));
    for (const Case& c : cases) {
        const std::unique_ptr<FtkMeshObject> written = MeshRecord(animated, c.name);
        const std::unique_ptr<FtkMeshObject> asItIs = MeshRecord(unanimated, c.name);
        ASSERT_TRUE(written != nullptr && asItIs != nullptr) << c.name;
        const RVector4 frame = FrameScaling(*written);
        for (int axis = 0; axis < 3; ++axis) {
            EXPECT_NEAR(*frame.Component(axis) / std::fabs(*c.frame.Component(axis)), 1.0, 1e-5) << c.name << " axis " << axis;
        }
        const bool kept = c.frame.x == c.from.x && c.frame.y == c.from.y && c.frame.z == c.from.z;
        const bool same = std::memcmp(written->localMatrix, asItIs->localMatrix, sizeof written->localMatrix) == 0 &&
                          written->vertices.size() == asItIs->vertices.size() &&
                          std::memcmp(written->vertices.data(), asItIs->vertices.data(),
                                      written->vertices.size() * sizeof(FtkPoint)) == 0;
        EXPECT_EQ(same, kept) << c.name;
    }
}

}  // namespace
