// The DXF reader and writer: entities, colours, layers, blocks, grouping, the writer's layout
// and limits, a round trip that keeps the winding, and the colour numbers.

#include "formats/geometry/DxfColors.h"
#include "formats/geometry/RWyxReaderDxf.h"
#include "formats/geometry/RWyxWriterDxf.h"
#include "tests/formats/geometry/GeometryFormatTestSupport.h"

#include <cmath>
#include <sstream>

namespace geometry_format_test {
namespace {

// Group pairs written one per two lines.
std::string Pairs(std::initializer_list<std::pair<int, const char*>> pairs) {
    std::string text;
    for (const auto& [code, value] : pairs) text += std::to_string(code) + "\n" + value + "\n";
    return text;
}

const std::string kLayers = Pairs({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"},
                                   {2, "Walls"}, {62, "-3"}, {0, "LAYER"}, {2, "roof"}, {0, "ENDTAB"},
                                   {0, "ENDSEC"}});

std::string Entities(const std::string& body) {
    return Pairs({{0, "SECTION"}, {2, "ENTITIES"}}) + body + Pairs({{0, "ENDSEC"}, {0, "EOF"}});
}

class DxfTest : public GeometryFormatTest {
protected:
    bool Read(const std::string& text, int choice = RStreamOptionsDxf::kChoiceLayer, bool weld = true) {
        reader = std::make_unique<RWyxReaderDxf>(&factory);
        OptionsPtr<RStreamOptionsDxf> options = DxfOptions();
        options->SetOptionValue(RStreamOptionsDxf::kCreateReferenceNode, 0);
        options->SetOptionValue(RStreamOptionsDxf::kObjectDerivation, choice);
        options->SetOptionValue(RStreamOptionsDxf::kWeldVertices, weld ? 1 : 0);
        return reader->ReadBytes(scene, options.get(), text);
    }
    std::string Write(bool triangulate = false) {
        const std::string path = scratch.Join("out.dxf");
        RWyxWriterDxf writer(&factory);
        EXPECT_TRUE(writer.FileCreate(path.c_str()));
        OptionsPtr<RStreamOptionsDxf> options = DxfOptions();
        options->SetOptionValue(RStreamOptionsDxf::kForceTriangulation, triangulate ? 1 : 0);
        EXPECT_TRUE(writer.Write(scene, options.get()));
        EXPECT_TRUE(writer.FileClose());
        return ScratchFolder::ReadFile(path);
    }
    // The values of every pair of that code, in order.
    static std::vector<std::string> Values(const std::string& text, int code) {
        std::vector<std::string> values;
        std::istringstream in(text);
        for (std::string c, v; std::getline(in, c) && std::getline(in, v);) {
            if (std::stoi(c) == code) values.push_back(v);
        }
        return values;
    }
    static std::string Line(const char* layer, const char* a[3], const char* b[3], const char* colour = nullptr) {
        std::string text = Pairs({{0, "LINE"}, {8, layer}, {10, a[0]}, {20, a[1]}, {30, a[2]}, {11, b[0]},
                                  {21, b[1]}, {31, b[2]}});
        if (colour != nullptr) text += Pairs({{62, colour}});
        return text;
    }

    std::unique_ptr<RWyxReaderDxf> reader;
};

const char* kOrigin[3] = {"0", "0", "0"};
const char* kPoint123[3] = {"1", "2", "3"};
const char* kPoint500[3] = {"5", "0", "0"};

TEST_F(DxfTest, ALineIsATriangleOfItsEndsInSceneAxes) {
    ASSERT_TRUE(Read(Entities(Line("0", kOrigin, kPoint123))));
    RWyxMesh* mesh = MeshOf("0");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetControlPointsCount(), 2);
    ExpectPoint(mesh->GetControlPoints()[1], 1, 3, -2);
    EXPECT_EQ(Corners(*mesh, 0), (std::vector<int>{0, 1, 0}));
}

TEST_F(DxfTest, WeldingSharesEndPointsOfLinesOnALayer) {
    const std::string lines = Line("L", kOrigin, kPoint123) + Line("L", kPoint123, kPoint500);
    ASSERT_TRUE(Read(Entities(lines)));
    EXPECT_EQ(MeshOf("L")->GetControlPointsCount(), 3);
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(Entities(lines), RStreamOptionsDxf::kChoiceLayer, false));
    EXPECT_EQ(MeshOf("L")->GetControlPointsCount(), 4);
}

TEST_F(DxfTest, FacesAreTrianglesWhenTheFourthCornerRepeatsTheThird) {
    const std::string face = Pairs({{0, "3DFACE"}, {8, "F"}, {10, "0"}, {20, "0"}, {30, "0"}, {11, "1"}, {21, "0"},
                                    {31, "0"}, {12, "1"}, {22, "1"}, {32, "0"}, {13, "1"}, {23, "1"}, {33, "0"}});
    const std::string quad = Pairs({{0, "3DFACE"}, {8, "F"}, {10, "0"}, {20, "0"}, {30, "0"}, {11, "1"}, {21, "0"},
                                    {31, "0"}, {12, "1"}, {22, "1"}, {32, "0"}, {13, "0"}, {23, "1"}, {33, "0"}});
    ASSERT_TRUE(Read(Entities(face + quad)));
    RWyxMesh* mesh = MeshOf("F");
    ASSERT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(mesh->GetPolygonSize(0), 3);
    EXPECT_EQ(mesh->GetPolygonSize(1), 4);
}

TEST_F(DxfTest, ColoursComeFromTheEntityOrTheLayerAndByLayerTakesTheLayers) {
    const std::string body = Line("Walls", kOrigin, kPoint123) + Line("Walls", kOrigin, kPoint500, "256") +
                             Line("Walls", kPoint123, kPoint500, "1") + Line("roof", kOrigin, kPoint123, "999") +
                             Line("nowhere", kOrigin, kPoint123, "-4");
    ASSERT_TRUE(Read(kLayers + Entities(body)));
    RWyxMesh* walls = MeshOf("Walls");
    ASSERT_NE(walls, nullptr);
    ASSERT_EQ(walls->GetMaterialCount(), 2);
    const auto colourOf = [](RWyxMesh& mesh, int polygon) {
        const RWyxMaterial* material = mesh.GetMaterial(mesh.GetMaterialIndices()[polygon]);
        const RWyxColor c = material->GetDiffuseColor();
        return std::vector<double>{c.GetRed(), c.GetGreen(), c.GetBlue()};
    };
    EXPECT_EQ(colourOf(*walls, 0), (std::vector<double>{0, 1, 0}));  // layer colour 3, off
    EXPECT_EQ(colourOf(*walls, 1), (std::vector<double>{0, 1, 0}));  // 256: by layer
    EXPECT_EQ(colourOf(*walls, 2), (std::vector<double>{1, 0, 0}));
    EXPECT_FALSE(Node("Walls")->GetVisibility());
    EXPECT_TRUE(Node("roof")->GetVisibility());
    EXPECT_EQ(MeshOf("roof")->GetMaterialCount(), 0);     // 999 takes the layer's, which has none
    EXPECT_EQ(MeshOf("nowhere")->GetMaterialCount(), 0);  // a negative own colour gives none
}

std::string Polyface(const std::vector<std::array<const char*, 3>>& points,
                     const std::vector<std::array<const char*, 4>>& faces, const char* layer = "P") {
    std::string text = Pairs({{0, "POLYLINE"}, {8, layer}, {66, "1"}, {70, "64"}});
    for (const auto& p : points) {
        text += Pairs({{0, "VERTEX"}, {8, layer}, {10, p[0]}, {20, p[1]}, {30, p[2]}, {70, "192"}});
    }
    for (const auto& f : faces) {
        text += Pairs({{0, "VERTEX"}, {8, layer}, {10, "0"}, {20, "0"}, {30, "0"}, {70, "128"}, {71, f[0]},
                       {72, f[1]}, {73, f[2]}, {74, f[3]}});
    }
    return text + Pairs({{0, "SEQEND"}});
}

TEST_F(DxfTest, PolyfaceFaceRecordsAreCheckedAgainstTheirPolylinesPoints) {
    const std::string mesh = Polyface({{"0", "0", "0"}, {"1", "0", "0"}, {"1", "1", "0"}, {"0", "1", "0"}},
                                      {{"1", "2", "3", "4"}, {"1", "-2", "3", "0"}, {"1", "2", "0", "0"},
                                       {"1", "2", "9", "0"}, {"0", "1", "2", "0"}});
    ASSERT_TRUE(Read(Entities(mesh + Polyface({{"5", "5", "5"}}, {{"1", "1", "1", "0"}}))));
    RWyxMesh* read = MeshOf("P");
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->GetPolygonCount(), 4);
    EXPECT_EQ(Corners(*read, 0), (std::vector<int>{0, 1, 2, 3}));  // in file order
    EXPECT_EQ(Corners(*read, 1), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Corners(*read, 2), (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(Corners(*read, 3), (std::vector<int>{4, 4, 4}));  // the second polyline's own point
    EXPECT_EQ(reader->GetWarningCount(), 1);
    EXPECT_NE(std::string(reader->GetMessageText().Buffer()).find("1 face(s) naming points outside its 4"),
              std::string::npos);
}

TEST_F(DxfTest, ThreeDimensionalPolylinesAreSegmentsAndClosedOnesCloseBack) {
    std::string text = Pairs({{0, "POLYLINE"}, {8, "Q"}, {70, "9"}});
    for (const char* x : {"0", "1", "2"}) text += Pairs({{0, "VERTEX"}, {10, x}, {20, "0"}, {30, "0"}, {70, "32"}});
    ASSERT_TRUE(Read(Entities(text + Pairs({{0, "SEQEND"}}))));
    RWyxMesh* mesh = MeshOf("Q");
    ASSERT_EQ(mesh->GetPolygonCount(), 3);
    EXPECT_EQ(Corners(*mesh, 2), (std::vector<int>{2, 0, 2}));
}

std::string Block(const char* name, const char* baseX, const std::string& body) {
    return Pairs({{0, "BLOCK"}, {2, name}, {70, "0"}, {10, baseX}, {20, "0"}, {30, "0"}}) + body +
           Pairs({{0, "ENDBLK"}});
}

TEST_F(DxfTest, InsertsPlaceBlockPointsByScaleRotationAndInsertionAboutTheBase) {
    const char* a[3] = {"2", "0", "0"};
    const char* b[3] = {"3", "0", "0"};
    const std::string blocks = Pairs({{0, "SECTION"}, {2, "BLOCKS"}}) + Block("arm", "1", Line("0", a, b)) +
                               Block("empty", "0", "") + Pairs({{0, "ENDSEC"}});
    const std::string inserts =
        Pairs({{0, "INSERT"}, {2, "arm"}, {10, "10"}, {20, "20"}, {30, "30"}, {41, "2"}, {42, "3"}, {43, "4"},
               {50, "90"}}) +
        Pairs({{0, "INSERT"}, {2, "arm"}, {10, "0"}, {20, "0"}, {30, "0"}}) + Pairs({{0, "INSERT"}, {2, "none"}}) +
        Pairs({{0, "INSERT"}, {2, "empty"}});
    ASSERT_TRUE(Read(blocks + Entities(inserts), RStreamOptionsDxf::kChoiceBlock));
    RWyxNode* entities = Node("ENTITIES");
    ASSERT_NE(entities, nullptr);
    ASSERT_EQ(entities->GetChildCount(), 2);  // the missing and the empty block give no node
    RWyxNode* placed = Node("arm");
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->GetParent(), entities);
    // Block point (2, 0, 0) with base (1, 0, 0): DXF insertion + R(90) S (1, 0, 0) = (10, 22, 30).
    const RMatrix global = placed->GetDefaultGlobalMatrix();
    const RVector4 local = placed->GetMesh()->GetControlPoints()[0];
    const RVector4 world = global.TransformPoint(local);
    ExpectPoint(world, 10, 30, -22, 1e-9);
    RVector4 scaling;
    ExpectPoint(placed->GetDefaultScaling(scaling), 2, 4, 3);
    RWyxNode* plain = Node("arm1");
    ASSERT_NE(plain, nullptr);
    ExpectPoint(plain->GetDefaultScaling(scaling), 1, 1, 1);
    RVector4 translation;
    ExpectPoint(plain->GetDefaultTranslation(translation), 0, 0, 0);
    EXPECT_EQ(reader->GetWarningCount(), 1);  // the missing block
}

TEST_F(DxfTest, AnInsertTakesTheFirstBlockOfItsExactName) {
    const char* far[3] = {"9", "0", "0"};
    const char* near[3] = {"2", "0", "0"};
    const char* up[3] = {"0", "0", "7"};
    // Out of name order, with namesakes and a name differing only in case.
    const std::string blocks = Pairs({{0, "SECTION"}, {2, "BLOCKS"}}) + Block("zed", "0", Line("0", kOrigin, up)) +
                               Block("arm", "0", Line("0", kOrigin, near)) + Block("Arm", "0", Line("0", kOrigin, up)) +
                               Block("arm", "0", Line("0", kOrigin, far)) + Pairs({{0, "ENDSEC"}});
    const std::string inserts = Pairs({{0, "INSERT"}, {2, "arm"}}) + Pairs({{0, "INSERT"}, {2, "ARM"}}) +
                                Pairs({{0, "INSERT"}, {2, "Arm"}}) + Pairs({{0, "INSERT"}, {2, "zed"}});
    ASSERT_TRUE(Read(blocks + Entities(inserts), RStreamOptionsDxf::kChoiceBlock));
    RWyxNode* entities = Node("ENTITIES");
    ASSERT_EQ(entities->GetChildCount(), 3);  // in the order of the INSERTs
    ASSERT_NE(entities->GetChild(0)->GetMesh(), nullptr);
    ExpectPoint(entities->GetChild(0)->GetMesh()->GetControlPoints()[1], 2, 0, 0);
    ASSERT_NE(entities->GetChild(1)->GetMesh(), nullptr);
    ExpectPoint(entities->GetChild(1)->GetMesh()->GetControlPoints()[1], 0, 7, 0);
    EXPECT_STREQ(entities->GetChild(2)->GetNameWithoutPrefix().Buffer(), "zed");
    EXPECT_EQ(reader->GetWarningCount(), 1);  // no block "ARM"
}

TEST_F(DxfTest, GroupingByEntityNamesNodesAfterTheirKind) {
    ASSERT_TRUE(Read(Entities(Line("A", kOrigin, kPoint123) + Line("A", kOrigin, kPoint500)),
                     RStreamOptionsDxf::kChoiceEntity));
    ASSERT_NE(Node("LINE"), nullptr);
    ASSERT_NE(Node("LINE1"), nullptr);
    EXPECT_EQ(Node("LINE")->GetShadingMode(), 1);
}

TEST_F(DxfTest, EmptyValueLinesKeepPairsInStepAndBrokenFilesFail) {
    const std::string withEmpty = Entities(Pairs({{0, "LINE"}, {8, ""}, {10, "1"}, {20, "2"}, {30, "3"}}));
    ASSERT_TRUE(Read(withEmpty));
    ExpectPoint(MeshOf("")->GetControlPoints()[0], 1, 3, -2);

    const std::pair<std::string, const char*> broken[] = {
        {"", "ends before its ENTITIES"},
        {Entities(Line("0", kOrigin, kPoint123)).substr(0, 40), "line 11: the group code 20 has no value"},
        {Pairs({{0, "SECTION"}, {2, "ENTITIES"}, {0, "LINE"}, {8, "0"}}), "ends inside an entity"},
        {"0\nSECTION\n2\nENTITIES\nzero\nLINE\n", "line 5: the group code \"zero\" is not a number"},
        {"0\nSECTION\n2\n", "has no value"},
    };
    for (const auto& [text, reason] : broken) {
        SCOPED_TRACE(text);
        scene = factory.CreateScene();
        EXPECT_FALSE(Read(text));
        EXPECT_EQ(reader->GetLastErrorCode(), RWyxReader::kErrorCorrupted);
        EXPECT_NE(std::string(reader->GetLastErrorString()).find(reason), std::string::npos)
            << reader->GetLastErrorString();
    }
    // EOF before any ENTITIES reads nothing and succeeds.
    scene = factory.CreateScene();
    EXPECT_TRUE(Read(Pairs({{0, "SECTION"}, {2, "HEADER"}, {0, "ENDSEC"}, {0, "EOF"}})));
    EXPECT_EQ(Root()->GetChildCount(), 0);
}

TEST_F(DxfTest, InsertsCannotCopyMoreGeometryThanTheFileAllows) {
    std::string lines;
    for (int i = 0; i < 50; ++i) lines += Line("0", kOrigin, kPoint123);
    std::string inserts;
    for (int i = 0; i < 200; ++i) inserts += Pairs({{0, "INSERT"}, {2, "b"}});
    const std::string text = Pairs({{0, "SECTION"}, {2, "BLOCKS"}}) + Block("b", "0", lines) +
                             Pairs({{0, "ENDSEC"}}) + Entities(inserts);
    reader = std::make_unique<RWyxReaderDxf>(&factory);
    ASSERT_TRUE(Read(text, RStreamOptionsDxf::kChoiceLayer, false));
    // Each insert copies 100 points and 150 corners; the allowance holds far more than 200.
    EXPECT_EQ(Root()->GetChildCount(), 200);
    const std::size_t perInsert = 250;
    EXPECT_LT(200 * perInsert, text.size() * RWyxReaderDxf::kInsertBudgetPerByte + RWyxReaderDxf::kInsertAllowance);
}

TEST_F(DxfTest, TheWriterWritesTheLayoutWithCornersInOrderAndColours) {
    RWyxNode* node = AddMeshNode("my node", {{1, 2, 3, 1}, {2, 2, 3, 1}, {1, 3, 3, 1}, {1, 2, 4, 1}},
                                 {{0, 1, 2}, {0, 1, 2, 3}});
    AddMaterial(*node->GetMesh(), "red", 1, 0, 0);
    const std::string text = Write();
    EXPECT_EQ(text.rfind("999\nRusvane Dxf writer for WYX\n  0\nSECTION\n  2\nHEADER\n", 0), 0u);
    EXPECT_EQ(Values(text, 2), (std::vector<std::string>{"HEADER", "TABLES", "LTYPE", "CONTINUOUS", "LAYER",
                                                         "my_node", "BLOCKS", "ENTITIES"}));
    EXPECT_EQ(Values(text, 10)[4], "1.000000");  // after the header's three and the POLYLINE's
    EXPECT_EQ(Values(text, 20)[4], "-3.000000");
    EXPECT_EQ(Values(text, 30)[4], "2.000000");
    EXPECT_EQ(Values(text, 71), (std::vector<std::string>{"   4", " 1", " 1"}));
    EXPECT_EQ(Values(text, 72), (std::vector<std::string>{"   65", "   2", " 2", " 2"}));
    EXPECT_EQ(Values(text, 73), (std::vector<std::string>{"   0", " 3", " 3"}));
    EXPECT_EQ(Values(text, 74), (std::vector<std::string>{" 4"}));
    EXPECT_EQ(Values(text, 62).front(), "   1");  // the layer's colour: red
    EXPECT_EQ(text.substr(text.size() - 8), "  0\nEOF\n");
}

TEST_F(DxfTest, AnEmptySceneWritesEmptySections) {
    const std::string text = Write();
    EXPECT_EQ(Values(text, 2), (std::vector<std::string>{"HEADER", "TABLES", "BLOCKS", "ENTITIES"}));
}

TEST_F(DxfTest, LargePolygonsAreSplitAndCountsAreTheRecordsWritten) {
    std::vector<RVector4> points;
    std::vector<int> ring;
    for (int i = 0; i < 6; ++i) {
        points.emplace_back(std::cos(i * M_PI / 3), std::sin(i * M_PI / 3), 0, 1);
        ring.push_back(i);
    }
    AddMeshNode("hex", points, {ring});
    const std::string text = Write();
    EXPECT_EQ(Values(text, 72)[1], "   4");  // four triangles written, four counted
    EXPECT_EQ(Values(text, 73).size(), 5u);
}

TEST_F(DxfTest, MeshesPastTheSixteenBitCountsBecomeSeveralPolyfaces) {
    const int rows = 200;
    const int columns = 200;  // 40000 points, 39601 quadrilaterals
    std::vector<RVector4> points;
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) points.emplace_back(i, j, 0, 1);
    std::vector<std::vector<int>> quads;
    for (int j = 0; j + 1 < rows; ++j)
        for (int i = 0; i + 1 < columns; ++i)
            quads.push_back({j * columns + i, j * columns + i + 1, (j + 1) * columns + i + 1, (j + 1) * columns + i});
    AddMeshNode("grid", points, quads);
    const std::string text = Write();
    const std::vector<std::string> polylines = Values(text, 66);
    ASSERT_GE(polylines.size(), 2u);
    RWyxScene* back = scene = factory.CreateScene();
    ASSERT_TRUE(Read(text));
    RWyxMesh* mesh = back->GetRootNode()->FindChild("grid", true, false)->GetMesh();
    EXPECT_EQ(mesh->GetPolygonCount(), static_cast<int>(quads.size()));
    int largest = 0;
    for (const std::string& count : Values(text, 71)) {
        if (count.rfind("   ", 0) == 0) largest = std::max(largest, std::stoi(count));
    }
    EXPECT_LE(largest, RWyxWriterDxf::kMaxPolyfaceCount);
}

TEST_F(DxfTest, LayerNamesAreCleanedAndUniqueIgnoringCase) {
    RWyxWriterDxf::LayerNames taken;
    EXPECT_EQ(RWyxWriterDxf::LayerName("Arm:Left side", taken), "Arm_Left_side");
    EXPECT_EQ(RWyxWriterDxf::LayerName("arm_left_side", taken), "arm_left_side_1");
    EXPECT_EQ(RWyxWriterDxf::LayerName("", taken), "MESH");
    const std::string longName(40, 'x');
    EXPECT_EQ(RWyxWriterDxf::LayerName(longName.c_str(), taken), std::string(31, 'x'));
    EXPECT_EQ(RWyxWriterDxf::LayerName(longName.c_str(), taken), std::string(29, 'x') + "_1");
}

TEST_F(DxfTest, LayerNameSuffixesSkipNamesTakenSinceInAnyCase) {
    RWyxWriterDxf::LayerNames taken;
    EXPECT_EQ(RWyxWriterDxf::LayerName("a", taken), "a");
    EXPECT_EQ(RWyxWriterDxf::LayerName("a", taken), "a_1");
    EXPECT_EQ(RWyxWriterDxf::LayerName("A_2", taken), "A_2");  // another base takes a's next name
    EXPECT_EQ(RWyxWriterDxf::LayerName("A_1", taken), "A_1_1");
    EXPECT_EQ(RWyxWriterDxf::LayerName("a", taken), "a_3");
    EXPECT_EQ(RWyxWriterDxf::LayerName("A", taken), "A_4");
    EXPECT_EQ(RWyxWriterDxf::LayerName("b", taken), "b");
    EXPECT_EQ(RWyxWriterDxf::LayerName("B", taken), "B_1");
    EXPECT_EQ(taken.List(), (std::vector<std::string>{"a", "a_1", "A_2", "A_1_1", "a_3", "A_4", "b", "B_1"}));
    EXPECT_TRUE(taken.Has("a_2"));
    EXPECT_FALSE(taken.Has("a_5"));
}

TEST_F(DxfTest, ManyLongNamesOfOnePrefixCountOnAsTheSuffixGrows) {
    RWyxWriterDxf::LayerNames taken;
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) names.push_back(RWyxWriterDxf::LayerName((std::string(35, 'y') + "z").c_str(), taken));
    EXPECT_EQ(names[0], std::string(31, 'y'));
    EXPECT_EQ(names[9], std::string(29, 'y') + "_9");
    EXPECT_EQ(names[10], std::string(28, 'y') + "_10");
    EXPECT_EQ(names[11], std::string(28, 'y') + "_11");
    // Other bases alike in their first 29 characters, ignoring case, go past them all.
    EXPECT_EQ(RWyxWriterDxf::LayerName(std::string(31, 'Y').c_str(), taken), std::string(28, 'Y') + "_12");
    EXPECT_EQ(RWyxWriterDxf::LayerName((std::string(29, 'y') + "ab").c_str(), taken), std::string(29, 'y') + "ab");
    EXPECT_EQ(RWyxWriterDxf::LayerName((std::string(29, 'y') + "cd").c_str(), taken), std::string(29, 'y') + "cd");
    EXPECT_EQ(RWyxWriterDxf::LayerName((std::string(29, 'y') + "AB").c_str(), taken), std::string(28, 'y') + "_13");
    // A short base shares none of them.
    EXPECT_EQ(RWyxWriterDxf::LayerName(std::string(28, 'y').c_str(), taken), std::string(28, 'y'));
    EXPECT_EQ(RWyxWriterDxf::LayerName(std::string(28, 'y').c_str(), taken), std::string(28, 'y') + "_1");
}

TEST_F(DxfTest, ARoundTripKeepsPointsAndWinding) {
    AddCube("cube");
    const std::string text = Write();
    RWyxMesh* original = MeshOf("cube");
    scene = factory.CreateScene();
    ASSERT_TRUE(Read(text));
    RWyxMesh* mesh = MeshOf("cube");
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetPolygonCount(), 6);
    for (int p = 0; p < 6; ++p) {
        EXPECT_EQ(Corners(*mesh, p), Corners(*original, p));
        for (const int k : Corners(*mesh, p)) {
            const RVector4& want = original->GetControlPoints()[k];
            ExpectPoint(mesh->GetControlPoints()[k], want.x, want.y, want.z, 1e-6);
        }
    }
}

TEST(DxfColorsTest, NumbersAndColoursAgreeWithTheTable) {
    double rgb[3];
    ASSERT_TRUE(DxfColorToRgb(10, rgb));
    EXPECT_EQ(std::vector<double>(rgb, rgb + 3), (std::vector<double>{1, 0, 0}));
    ASSERT_TRUE(DxfColorToRgb(11, rgb));
    EXPECT_EQ(std::vector<double>(rgb, rgb + 3), (std::vector<double>{1, 0.5, 0.5}));
    ASSERT_TRUE(DxfColorToRgb(30, rgb));
    EXPECT_EQ(std::vector<double>(rgb, rgb + 3), (std::vector<double>{1, 0.5, 0}));
    ASSERT_TRUE(DxfColorToRgb(252, rgb));
    EXPECT_NEAR(rgb[0], 0.598, 1e-12);
    ASSERT_TRUE(DxfColorToRgb(94, rgb));  // (0, F, R) at step 8 mod 8 = 0, shade 0.5
    EXPECT_EQ(std::vector<double>(rgb, rgb + 3), (std::vector<double>{0, 0.5, 0}));
    EXPECT_FALSE(DxfColorToRgb(0, rgb));
    EXPECT_FALSE(DxfColorToRgb(256, rgb));
    EXPECT_EQ(RgbToDxfColor(1, 0, 0), 1);
    EXPECT_EQ(RgbToDxfColor(0, 0, 0), 250);
    EXPECT_EQ(RgbToDxfColor(1, 0.5, 0), 30);
    EXPECT_EQ(RgbToDxfColor(0.5, 0, 0), 14);
    EXPECT_EQ(RgbToDxfColor(1, 0.5, 0.5), 11);
    EXPECT_EQ(RgbToDxfColor(0.6, 0.6, 0.55), 252);
    EXPECT_EQ(RgbToDxfColor(0.1, 0.5, 1.0), 150);
}

}  // namespace
}  // namespace geometry_format_test
