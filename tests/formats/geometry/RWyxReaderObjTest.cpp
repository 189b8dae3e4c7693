// The OBJ reader: statements, corner references, groups, smoothing groups, materials, surfaces,
// the mesh assembly, and the faults it mends.

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxTexture.h"
#include "formats/geometry/ObjParser.h"
#include "formats/geometry/RWyxReaderObj.h"
#include "tests/formats/geometry/GeometryFormatTestSupport.h"

#include <cmath>
#include <map>

namespace geometry_format_test {
namespace {

class ObjReaderTest : public GeometryFormatTest {
protected:
    // Reads the text; libraries come from `libraries` by name.
    bool Read(const std::string& text, bool reference = false) {
        reader = std::make_unique<RWyxReaderObj>(&factory);
        reader->SetLibrarySource([this](const std::string& name, std::string& bytes) {
            const auto found = libraries.find(name);
            if (found == libraries.end()) return false;
            bytes = found->second;
            return true;
        });
        OptionsPtr<RStreamOptionsObj> options = ObjOptions();
        options->SetOptionValue(RStreamOptionsObj::kCreateReferenceNode, reference ? 1 : 0);
        return reader->ReadBytes(scene, options.get(), text);
    }
    std::string Messages() const { return reader->GetMessageText().Buffer(); }
    static std::vector<int> UVIndices(const RWyxMesh& mesh, int polygon) {
        std::vector<int> uvs;
        for (int k = 0; k < mesh.GetPolygonSize(polygon); ++k) uvs.push_back(mesh.GetTextureUVIndex(polygon, k));
        return uvs;
    }

    std::map<std::string, std::string> libraries;
    std::unique_ptr<RWyxReaderObj> reader;
};

const char* const kThreePoints = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

TEST_F(ObjReaderTest, PositiveAndNegativeReferencesNameTheSameCorners) {
    for (const char* face : {"f 1 2 3\n", "f -3 -2 -1\n", "f 1/1 2/2 3/3\n"}) {
        SCOPED_TRACE(face);
        scene = factory.CreateScene();
        ASSERT_TRUE(Read(std::string(kThreePoints) + "vt 0 0\nvt 1 0\nvt 0 1\n" + face));
        RWyxMesh* mesh = MeshOf("default");
        ASSERT_NE(mesh, nullptr);
        ASSERT_EQ(mesh->GetPolygonCount(), 1);
        ASSERT_EQ(mesh->GetControlPointsCount(), 3);
        EXPECT_EQ(Corners(*mesh, 0), (std::vector<int>{0, 1, 2}));
        ExpectPoint(mesh->GetControlPoints()[1], 1, 0, 0);
        ExpectPoint(mesh->GetControlPoints()[2], 0, 1, 0);
    }
}

TEST_F(ObjReaderTest, ADoubleSlashNamesTheNormalAndNoTextureCoordinate) {
    ASSERT_TRUE(Read(std::string(kThreePoints) + "vn 0 0 1\nvn 0 1 0\nf 1//2 2//2 3//2\n"));
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetTextureUVCount(), 0);
    for (int k = 0; k < 3; ++k) ExpectPoint(mesh->GetNormals()[k], 0, 1, 0);
}

TEST_F(ObjReaderTest, TextureCoordinatesAreKeptWithoutATexturedMaterial) {
    // A plain file with UVs (no material at all): every corner keeps its UV.
    ASSERT_TRUE(Read(std::string(kThreePoints) + "vt 0.25 0.5\nvt 1 0\nvt 0 1\nvn 0 0 1\nf 1/1/1 2/2/1 3/3/1\n"));
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetTextureUVCount(), 3);
    EXPECT_EQ(mesh->GetTextureUVMappingKind(), RWyxMesh::kKindByPolygonVertex);
    const std::vector<int> uvs = UVIndices(*mesh, 0);
    EXPECT_DOUBLE_EQ(mesh->GetTextureUVs()[uvs[0]].u, 0.25);
    EXPECT_DOUBLE_EQ(mesh->GetTextureUVs()[uvs[0]].v, 0.5);
}

TEST_F(ObjReaderTest, FacesWithAndWithoutTextureCoordinatesMixInOneMesh) {
    ASSERT_TRUE(Read(std::string(kThreePoints) + "v 1 1 0\nvt 0.5 0.5\nvt 1 1\nf 1/1 2/2 3/1\nf 2 4 3\n"));
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetPolygonCount(), 2);
    const std::vector<int> first = UVIndices(*mesh, 0);
    EXPECT_DOUBLE_EQ(mesh->GetTextureUVs()[first[1]].u, 1.0);
    EXPECT_DOUBLE_EQ(mesh->GetTextureUVs()[first[2]].u, 0.5);
    EXPECT_EQ(UVIndices(*mesh, 1), (std::vector<int>{-1, -1, -1}));
}

TEST_F(ObjReaderTest, OnePositionWithTwoTextureCoordinatesBecomesTwoControlPoints) {
    ASSERT_TRUE(Read(std::string(kThreePoints) +
                     "v 1 1 0\nvt 0 0\nvt 1 0\nvt 0 1\nvt 1 1\nvn 0 0 1\nf 1/1/1 2/2/1 3/3/1\nf 1/4/1 3/3/1 4/2/1\n"));
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), 5);
    EXPECT_NE(Corners(*mesh, 0)[0], Corners(*mesh, 1)[0]);
    EXPECT_EQ(Corners(*mesh, 0)[2], Corners(*mesh, 1)[1]);
}

TEST_F(ObjReaderTest, BadReferencesAreNoneAndFacesLeftWithFewerThanThreeCornersGo) {
    ASSERT_TRUE(Read(std::string(kThreePoints) +
                     "v 1 1 0\n"
                     "f 1 2 3 9\n"       // 9 is past the positions: left out, a triangle stays
                     "f 1 2 9\n"         // two corners left: dropped
                     "f 0 1 2\n"         // position 0: the corner is rejected, the face goes
                     "f 1 2\n"           // too short
                     "f 1/7/9 2 4\n"));  // UV and normal past their arrays: none
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(mesh->GetPolygonSize(0), 3);
    EXPECT_EQ(mesh->GetTextureUVCount(), 0);
    EXPECT_EQ(reader->GetWarningCount(), 3);
    EXPECT_NE(Messages().find("3 face(s) with fewer than three usable corners dropped"), std::string::npos);
    // The normals of the faces kept are computed from real corners: finite and unit.
    for (int k = 0; k < mesh->GetControlPointsCount(); ++k) {
        const RVector4& n = mesh->GetNormals()[k];
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-12);
    }
}

TEST_F(ObjReaderTest, ACommentEndsAFaceLineAndBadCornersBeforeItStillDropTheFace) {
    ASSERT_TRUE(Read(std::string(kThreePoints) +
                     "v 1 1 0\n"
                     "f 1 2 3 # the first\n"
                     "f 2 4 3#glued to the corner\n"
                     "f 1 2 # 3 behind the comment: too short\n"
                     "f 1 x 3 # a bad corner before the comment\n"));
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(Corners(*mesh, 0).size(), 3u);
    EXPECT_EQ(Corners(*mesh, 1).size(), 3u);
    ExpectPoint(mesh->GetControlPoints()[Corners(*mesh, 1)[1]], 1, 1, 0);
    EXPECT_EQ(reader->GetWarningCount(), 2);
    EXPECT_NE(Messages().find("2 face(s) with fewer than three usable corners dropped"), std::string::npos);
}

TEST_F(ObjReaderTest, SmoothingGroupsShareNormalsAcrossFacesAndGroupZeroKeepsThemFlat) {
    // Two triangles folded along the edge 1-3.
    const std::string points = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 1\n";
    ASSERT_TRUE(Read(points + "s 1\nf 1 2 3\nf 1 3 4\n"));
    RWyxMesh* smooth = MeshOf("default");
    ASSERT_NE(smooth, nullptr);
    EXPECT_EQ(smooth->GetControlPointsCount(), 4);
    const double a[3] = {0, 0, 1};                                        // face 1 2 3
    const double b[3] = {1 / std::sqrt(3.0), -1 / std::sqrt(3.0), 1 / std::sqrt(3.0)};  // face 1 3 4
    double sum[3] = {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
    const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    const int shared = Corners(*smooth, 0)[0];
    ExpectPoint(smooth->GetNormals()[shared], sum[0] / length, sum[1] / length, sum[2] / length, 1e-12);
    ExpectPoint(smooth->GetNormals()[Corners(*smooth, 0)[1]], 0, 0, 1, 1e-12);

    scene = factory.CreateScene();
    ASSERT_TRUE(Read(points + "s off\nf 1 2 3\nf 1 3 4\n"));
    RWyxMesh* flat = MeshOf("default");
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->GetControlPointsCount(), 6);
    ExpectPoint(flat->GetNormals()[Corners(*flat, 0)[0]], 0, 0, 1, 1e-12);
    ExpectPoint(flat->GetNormals()[Corners(*flat, 1)[0]], b[0], b[1], b[2], 1e-12);
}

TEST_F(ObjReaderTest, GroupsAreOneNodePerNameIgnoringCaseInNameOrder) {
    ASSERT_TRUE(Read(std::string(kThreePoints) +
                     "g Body\nf 1 2 3\ng arm left side\nf 1 2 3\ng body\nf 3 2 1\ng\nf 1 2 3\n"));
    ASSERT_EQ(Root()->GetChildCount(), 3);
    EXPECT_STREQ(Root()->GetChild(0)->GetNameWithoutPrefix().Buffer(), "arm_left side");
    EXPECT_STREQ(Root()->GetChild(1)->GetNameWithoutPrefix().Buffer(), "Body");
    EXPECT_STREQ(Root()->GetChild(2)->GetNameWithoutPrefix().Buffer(), "default");
    EXPECT_EQ(MeshOf("Body")->GetPolygonCount(), 2);
}

TEST_F(ObjReaderTest, ContinuedLinesAndLineEndsOfEveryKindAreOneStatementEach) {
    ASSERT_TRUE(Read("v 0 0 0\r\nv 1 0 0\rv 0 1 0\nv 1 \\\n 1 \\\n 0\nf 1 2 \\\n3 \\\r\n 4\n"));
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetPolygonCount(), 1);
    EXPECT_EQ(mesh->GetPolygonSize(0), 4);
    ExpectPoint(mesh->GetControlPoints()[Corners(*mesh, 0)[3]], 1, 1, 0);
}

TEST_F(ObjReaderTest, StatementsPastTheLengthLimitAreSkippedWithAWarning) {
    std::string text(kThreePoints);
    text += "# " + std::string(kMaxStatementLength, 'x') + "\n";            // one line too long
    text += "f 1 \\\n" + std::string(kMaxStatementLength - 4, ' ') + "2 \\\n3\n";  // continued past it
    text += "f 1 2 3\n";
    ASSERT_TRUE(Read(text));
    EXPECT_EQ(reader->GetWarningCount(), 1);
    EXPECT_NE(Messages().find("2 statement(s) longer than"), std::string::npos);
    EXPECT_EQ(MeshOf("default")->GetPolygonCount(), 1);

    const std::string longest = "f " + std::string(kMaxStatementLength - 2, '1');
    ObjStatementReader atLimit(longest);
    ObjStatement statement;
    EXPECT_TRUE(atLimit.Next(statement));
    EXPECT_EQ(atLimit.GetOverlongCount(), 0);
}

TEST_F(ObjReaderTest, MaterialsComeFromTheLibrariesAndOpacityFromDOrTr) {
    libraries["a.mtl"] =
        "newmtl red\nKa 0.1 0.2 0.3\nKd 1 0 0\nKs 2 0.5 -1\nNs 50\nTr 0.25\nmap_Kd  tex/red.png  \n"
        "newmtl both\nKd 0 1 0\nTr 0.5\nd 0.75\nillum 1\nNs 80\n";
    ASSERT_TRUE(Read("mtllib missing.mtl a.mtl\n" + std::string(kThreePoints) + "v 1 1 0\n"
                     "usemtl red\nf 1 2 3\nusemtl both\nf 2 4 3\nusemtl ghost\nf 1 2 3\nusemtl RED\nf 1 3 4\n"));
    const RWyxMaterial* red = factory.FindMaterial("red", 0);
    ASSERT_NE(red, nullptr);
    EXPECT_DOUBLE_EQ(red->GetDiffuseColor().GetRed(), 1.0);
    EXPECT_DOUBLE_EQ(red->GetAmbientColor().GetBlue(), 0.3);
    EXPECT_DOUBLE_EQ(red->GetSpecularColor().GetRed(), 1.0);  // clamped
    EXPECT_DOUBLE_EQ(red->GetSpecularColor().GetBlue(), 0.0);
    EXPECT_DOUBLE_EQ(red->GetOpacity(), 0.25);
    EXPECT_NEAR(red->GetShininess(), 0.5, 1e-9);
    const RWyxMaterial* both = factory.FindMaterial("both", 0);
    EXPECT_DOUBLE_EQ(both->GetOpacity(), 0.75);
    EXPECT_DOUBLE_EQ(both->GetShininess(), 0.0);  // illum below 2
    const RWyxTexture* texture = factory.FindTexture("red", 0);
    ASSERT_NE(texture, nullptr);
    EXPECT_STREQ(texture->GetFileName().Buffer(), "tex/red.png");
    EXPECT_NE(factory.FindMaterial("ghost", 0), nullptr);  // an empty material all the same
    EXPECT_NE(Messages().find("Unable to read material \"ghost\" in .mtl file\n"), std::string::npos);
    EXPECT_NE(Messages().find("Unable to load material library\n"), std::string::npos);

    // Materials by polygon (a library was named); the textured faces get their texture and
    // the others "_empty_" at index 0.
    RWyxMesh* mesh = MeshOf("default");
    ASSERT_EQ(mesh->GetPolygonCount(), 4);
    EXPECT_EQ(mesh->GetMaterialMappingKind(), RWyxMesh::kKindByPolygon);
    EXPECT_EQ(mesh->GetMaterial(mesh->GetMaterialIndices()[0]), red);
    EXPECT_EQ(mesh->GetMaterial(mesh->GetMaterialIndices()[1]), both);
    EXPECT_EQ(mesh->GetMaterial(mesh->GetMaterialIndices()[3]), red);  // usemtl ignores case
    EXPECT_EQ(mesh->GetTextureMappingKind(), RWyxMesh::kKindByPolygon);
    EXPECT_STREQ(mesh->GetTexture(0)->GetNameWithoutPrefix().Buffer(), "_empty_");
    EXPECT_DOUBLE_EQ(mesh->GetTexture(0)->GetDefaultAlpha(), 0.0);
    EXPECT_EQ(mesh->GetTexture(mesh->GetTextureIndices()[0]), texture);
    EXPECT_EQ(mesh->GetTextureIndices()[1], 0);
    EXPECT_EQ(Node("default")->GetShadingMode(), 5);
}

TEST(MtlLibraryTest, FindAnswersTheFirstOfNamesakesByExactName) {
    MtlLibrary library;
    ObjParser::ParseMaterialLibrary("newmtl b\nillum 3\nnewmtl m\nillum 4\nnewmtl M\nillum 5\nnewmtl m\nillum 6\n",
                                    library);
    ASSERT_NE(library.Find("m"), nullptr);
    EXPECT_EQ(library.Find("m")->illumination, 4);
    ASSERT_NE(library.Find("M"), nullptr);
    EXPECT_EQ(library.Find("M")->illumination, 5);
    EXPECT_EQ(library.Find("b")->illumination, 3);
    EXPECT_EQ(library.Find("B"), nullptr);
    EXPECT_EQ(library.Find("m "), nullptr);
}

TEST(MtlLibraryTest, FindFollowsAReadAgainAndMaterialsAddedLater) {
    MtlLibrary library;
    ObjParser::ParseMaterialLibrary("newmtl a\nillum 3\nnewmtl b\nillum 4\n", library);
    ObjParser::ParseMaterialLibrary("newmtl b\nillum 7\n", library);
    EXPECT_EQ(library.Find("a"), nullptr);
    ASSERT_NE(library.Find("b"), nullptr);
    EXPECT_EQ(library.Find("b")->illumination, 7);
    library.materials.emplace_back().name = "c";
    library.materials.emplace_back().name = "b";
    ASSERT_NE(library.Find("c"), nullptr);
    EXPECT_EQ(library.Find("b"), &library.materials[0]);
    library.materials.clear();
    EXPECT_EQ(library.Find("b"), nullptr) << "an emptied list is not answered from its old index";
    library.materials.emplace_back().name = "d";
    library.Index();
    EXPECT_EQ(library.Find("b"), nullptr);
    EXPECT_EQ(library.Find("d"), &library.materials[0]);
}

TEST_F(ObjReaderTest, WithoutTexturesAMeshHasNoTextureElement) {
    ASSERT_TRUE(Read(std::string(kThreePoints) + "f 1 2 3\n"));
    RWyxMesh* mesh = MeshOf("default");
    EXPECT_EQ(mesh->GetTextureCount(), 0);
    EXPECT_EQ(mesh->GetLayer(0)->GetTextures(), nullptr);
    EXPECT_EQ(Node("default")->GetShadingMode(), 3);
}

TEST_F(ObjReaderTest, RationalBSplineSurfacesBecomeNurbsWhenTheirSizesAgree) {
    std::string points;
    for (int i = 0; i < 16; ++i) points += "v " + std::to_string(i % 4) + " " + std::to_string(i / 4) + " 0 2\n";
    const std::string knots = "parm u 0 0 0 0 1 1 1 1\nparm v 0 0 0 0 1 1 1 1\nend\n";
    std::string cvs;
    for (int i = 1; i <= 16; ++i) cvs += " " + std::to_string(i);
    ASSERT_TRUE(Read(points + "g box\ncstype rat bspline\ndeg 3 3\nsurf 0 1 0 1" + cvs + "\n" + knots +
                     "f 1 2 3\n"));
    RWyxNode* surfaceNode = Node("box");
    ASSERT_NE(surfaceNode, nullptr);
    RWyxNurb* nurb = surfaceNode->GetNurb();
    ASSERT_NE(nurb, nullptr);
    EXPECT_EQ(nurb->GetUCount(), 4);
    EXPECT_EQ(nurb->GetVCount(), 4);
    EXPECT_EQ(nurb->GetUOrder(), 4);
    EXPECT_EQ(nurb->GetVOrder(), 4);
    EXPECT_EQ(nurb->GetUStep(), 3);
    // Vertex k goes to (k mod 4) x 4 + k div 4: vertex 1 (x 1, y 0) to point 4.
    ExpectPoint(nurb->GetControlPoints()[4], 1, 0, 0);
    EXPECT_DOUBLE_EQ(nurb->GetControlPoints()[4].w, 2.0);
    EXPECT_NE(Node("box1"), nullptr);  // the group's mesh, its name made unique

    for (const std::string& bad : {"cstype bspline\ndeg 3 3\nsurf 0 1 0 1" + cvs + "\n" + knots,
                                   "cstype rat bspline\ndeg 3 3\nsurf 0 1 0 1" + cvs.substr(0, cvs.size() - 3) + "\n" + knots,
                                   "cstype rat bspline\ndeg 3 9\nsurf 0 1 0 1" + cvs + "\n" + knots,
                                   "cstype rat bspline\ndeg 3 3\nsurf 0 1 0 1" + cvs + "\nparm u 0 0 0 0 1 1 1 1\nparm v 0 0 0 1 0 1 1 1\nend\n"}) {
        scene = factory.CreateScene();
        ASSERT_TRUE(Read(points + "g s\n" + bad));
        EXPECT_EQ(Node("s"), nullptr);
    }
    EXPECT_NE(Messages().find("control vertices, degrees and knots do not agree"), std::string::npos);
}

TEST_F(ObjReaderTest, ShortVerticesAndSurfacesBeforeAnyTypeFailTheRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"v 1 2\n", "line 1: \"v\" needs 3 number(s), has 2"},
        {"v 0 0 0\nvn 1 x 0\n", "line 2: \"vn\" needs 3"},
        {"vt\n", "\"vt\" needs 1"},
        {"vp nope\n", "\"vp\" needs 1"},
        {"surf 0 1 0 1 1\nend\n", "line 1: \"surf\" before any \"cstype\""},
    };
    for (const auto& [text, reason] : cases) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Read(text));
        EXPECT_EQ(reader->GetLastErrorCode(), RWyxReader::kErrorCorrupted);
        EXPECT_NE(std::string(reader->GetLastErrorString()).find(reason), std::string::npos)
            << reader->GetLastErrorString();
    }
}

TEST_F(ObjReaderTest, UnknownStatementsAreNamedOnceAndCurveBlocksSkipped) {
    ASSERT_TRUE(Read(std::string(kThreePoints) +
                     "o thing\nmg 1\nl 1 2\nl 2 3\ncurv 0 1 1 2\nparm u 0 1\nf 9 9 9 9\nend\nf 1 2 3\n"));
    EXPECT_EQ(Messages(), "Object not supported : l\n");
    EXPECT_EQ(reader->GetWarningCount(), 2);
    EXPECT_EQ(MeshOf("default")->GetPolygonCount(), 1);
}

TEST_F(ObjReaderTest, TheReferenceNodeIsNamedAfterTheFileAndOptionsAreChecked) {
    const std::string path = scratch.WriteFile("Scene.v2.obj", std::string(kThreePoints) + "f 1 2 3\n");
    RWyxReaderObj fileReader(&factory);
    EXPECT_FALSE(fileReader.Read(scene, ObjOptions().get()));
    EXPECT_EQ(fileReader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);
    ASSERT_TRUE(fileReader.FileOpen(path.c_str()));
    EXPECT_FALSE(fileReader.Read(scene, nullptr));
    EXPECT_EQ(fileReader.GetLastErrorCode(), RWyxReader::kErrorOptionsNotSet);
    EXPECT_FALSE(fileReader.Read(scene, DxfOptions().get()));
    EXPECT_EQ(fileReader.GetLastErrorCode(), RWyxReader::kErrorOptionsNotSet);
    ASSERT_TRUE(fileReader.Read(scene, ObjOptions().get()));
    RWyxNode* reference = Node("Scene.v2_root");
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->GetParent(), Root());
    EXPECT_EQ(Node("default")->GetParent(), reference);
    EXPECT_FALSE(fileReader.FileOpen(scratch.Join("missing.obj").c_str()));
    EXPECT_EQ(fileReader.GetLastErrorCode(), RWyxReader::kErrorNotOpened);
}

TEST_F(ObjReaderTest, AnEmptyFileBuildsTheReferenceNodeAlone) {
    ASSERT_TRUE(Read("", true));
    ASSERT_EQ(Root()->GetChildCount(), 1);
    EXPECT_EQ(Root()->GetChild(0)->GetChildCount(), 0);
}

}  // namespace
}  // namespace geometry_format_test
