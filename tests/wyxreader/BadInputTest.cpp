// Files the container accepts whose content does not hold together: each is read as far as
// it is sound, and each thing dropped or mended is one warning whose text says what and where.

#include "tests/wyxreader/ReaderTestSupport.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElement.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "attributes/RWyxNull.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace reader_test;

RWyxNodeAttribute* const kNoAttribute = nullptr;

class BadInputTest : public ::testing::Test {
protected:
    // Writes the document and reads it.
    ReadResult Read(const std::function<void(Document&)>& fill) {
        const std::string path = WriteAsciiFile(folder.Join("bad.wyx"), [&](RWyxFile& file) {
            Document document(file);
            fill(document);
        });
        EXPECT_FALSE(path.empty());
        ReadResult result = ReadFile(factory, path);
        EXPECT_TRUE(result.read) << result.errorText;
        scene = result.scene;
        return result;
    }
    RWyxNode* Model(const char* name) { return scene != nullptr ? FindModel(*scene, name) : nullptr; }

    ScratchFolder folder;
    RWyxObjectFactory factory;
    RWyxScene* scene = nullptr;
};

TEST_F(BadInputTest, ConnectionsToMissingObjectsAndPropertiesAreDroppedAndTheModelPlacedBelowTheRoot) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::A", "Null");
            d.Model("Model::B", "Null");
        });
        d.Block("Connections", {}, [&] {
            d.Connect("Model::A", "Model::Missing");
            d.Connect("Model::B", "Model::Scene");
            d.Connect("Model::A", "Model::B", "NoSuchProperty");
            d.Connect("Model::B", "Model::Scene");  // repeated: applied once, silently
            d.Field("Connect", {"XY", "Model::A", "Model::B"});
        });
    });
    ExpectWarnings(result,
                   {"Connection \"OO\" from \"Model::A\" to \"Model::Missing\": no object \"Model::Missing\"; dropped",
                    "property \"NoSuchProperty\": the destination has no such property; dropped", "Connection \"XY\"",
                    "Model \"Model::A\": no connection places it in the hierarchy; put below the root"});
    ASSERT_NE(Model("A"), nullptr);
    EXPECT_EQ(Model("A")->GetParent(), scene->GetRootNode());
    EXPECT_EQ(scene->GetRootNode()->GetChildCount(), 2);
}

// The binary form's texts and numbers are read in place, the ASCII form's the general way: one
// document read in both forms gives the same scene and the same warnings, sound records and
// faulty ones alike (property headers, values, the size probe, connections).
TEST_F(BadInputTest, BothFormsOfADocumentReadAlike) {
    const auto fill = [](RWyxFile& file) {
        Document d(file);
        d.Block("Objects", {}, [&] {
            d.Model("Model::A", "Null", [&] {
                d.Block("Properties60", {}, [&] {
                    d.Field("Property", {"Show", "bool", "", "", 0});
                    d.Field("Property", {"Size", "double", "Number", "", 7.0});
                    d.Field("Property", {"RotationOffset", "Vector3D", "Vector", "", 1.0, 2.0, 3.0});
                    d.Field("Property", {"ScalingOffset", "Vector3D", "Vector", "", 1.0, "x", 3.0});
                    d.Field("Property", {"Lcl Translation", "Vector3D", "Lcl Translation", "A", 4.0, 5.0, 6.0});
                    d.Field("Property", {"Gadget", "widget", "", "", 1});
                    d.Field("Property", {"AxisLen", "double", "Number", "Q", 2.0});
                    d.Field("Property", {"AxisLen", "double", "Number", 5, 2.0});
                    d.Field("Property", {"PreRotation", "Vector3D", "Vector", "", 1.0, 2.0});
                    d.Field("Property", {7, "double", "", "", 2.0});
                    d.Field("Property", {"Mine", "int", "", "U", 3, "label", 0.0, 10.0});
                    d.Field("Property", {"Hidden"});
                });
            });
            d.Model("Model::B", "Null", [&] {
                d.Block("Properties60", {}, [&] { d.Field("Property", {5, "double", "Number", "", 7.0}); });
            });
            d.Model("Model::C", "Null");
        });
        d.Block("Connections", {}, [&] {
            d.Connect("Model::A", "Model::Scene");
            d.Connect("Model::B", "Model::A");
            d.Connect("Model::C", "Model::Missing");
            d.Field("Connect", {"XY", "Model::A", "Model::B"});
            d.Field("Connect", {"OO", 12, "Model::B"});
            d.Field("Connect", {"OO", "Model::C"});
            d.Field("Connect", {"OP", "Model::C", "Model::A", "NoSuch"});
            d.Field("Connect", {"OP", "Model::C", "Model::A"});
            d.Field("Connector", {"OO", "Model::C", "Model::A"});
        });
    };
    const std::string ascii = WriteAsciiFile(folder.Join("both.wyx"), fill);
    const std::string binary = WriteBinaryFile(folder.Join("both.wyb"), fill);
    const ReadResult fromAscii = ReadFile(factory, ascii);
    const ReadResult fromBinary = ReadFile(factory, binary);
    ASSERT_TRUE(fromAscii.read && fromBinary.read) << fromAscii.errorText << fromBinary.errorText;
    EXPECT_EQ(fromBinary.warningText, fromAscii.warningText);
    ExpectWarnings(fromBinary, {"ScalingOffset\" skipped: a value is not of its type's kind",
                                "Gadget\" skipped: unknown type \"widget\"", "AxisLen\" skipped: unknown flags \"Q\"",
                                "AxisLen\" skipped: unknown flags \"5\"", "PreRotation\" skipped: 2 values",
                                "Property \"7\" skipped", "Property \"\" skipped: the record is incomplete",
                                "Property \"5\" skipped", "no object \"Model::Missing\"", "Connection \"XY\"",
                                "no object \"12\"", "\"OO\" from \"Model::C\" to \"\": no object \"\"; dropped",
                                "property \"NoSuch\": the destination has no such property",
                                "property \"\": the destination has no such property",
                                "Connections: a field \"Connector\" was skipped",
                                "Model \"Model::C\": no connection places it"});
    for (RWyxScene* read : {fromAscii.scene, fromBinary.scene}) {
        RWyxNode* a = FindModel(*read, "A");
        RWyxNode* b = FindModel(*read, "B");
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->GetParent(), a);
        EXPECT_NE(a->GetNodeAttribute(), nullptr);  // its properties hold the size
        EXPECT_EQ(b->GetNodeAttribute(), nullptr);
        const RWyxNodeProperties& properties = *a->GetProperties();
        EXPECT_EQ(properties.FindProperty("Show")->GetInt(), 0);
        const auto text = [&properties](const char* name) {
            return std::string(properties.FindProperty(name)->GetValueAsText().Buffer());
        };
        EXPECT_EQ(text("RotationOffset"), "{1.000000,2.000000,3.000000}");
        EXPECT_EQ(text("ScalingOffset"), "{0.000000,0.000000,0.000000}");
        EXPECT_EQ(text("Lcl Translation"), "{4.000000,5.000000,6.000000}");
        ASSERT_NE(properties.FindProperty("Mine"), nullptr);
        EXPECT_EQ(properties.FindProperty("Mine")->GetInt(), 3);
        EXPECT_STREQ(properties.FindProperty("Mine")->GetLabel(), "label");
    }
}

// The attribute's kind, its family flags and the node's texts are read in place in both forms:
// every flag is looked at, a "Type" field names the kind over the record's type name, the size
// is probed for a null only, and a text only counts when it is the wanted one whole.
TEST_F(BadInputTest, KindsFlagsAndNodeTextsAreTheirWholeTextsInBothForms) {
    const auto fill = [](RWyxFile& file) {
        Document d(file);
        d.Block("Objects", {}, [&] {
            d.Model("Model::K", "Marker", [&] { d.Field("TypeFlags", {"Null", "Marker"}); });
            d.Model("Model::J", "Marker", [&] {
                d.Field("TypeFlags", {"Null", "Markers"});
                d.Block("Properties60", {}, [&] { d.Field("Property", {"Size", "double", "Number", "", 3.0}); });
            });
            d.Model("Model::T", "Mesh", [&] { d.Field("Type", {"Light"}); });
            d.Model("Model::H", "Null", [&] {
                d.Field("Hidden", {"True"});
                d.Field("Culling", {"CullingOnCW"});
            });
            d.Model("Model::G", "Null", [&] {
                d.Field("Hidden", {"Truly"});
                d.Field("Culling", {"CullingOnCCWise"});
            });
            d.Model("Model::F", "Null", [&] {
                d.Field("Hidden", {});
                d.Field("Culling", {"CullingOnCCW"});
            });
        });
    };
    const ReadResult fromAscii = ReadFile(factory, WriteAsciiFile(folder.Join("kinds.wyx"), fill));
    const ReadResult fromBinary = ReadFile(factory, WriteBinaryFile(folder.Join("kinds.wyb"), fill));
    ASSERT_TRUE(fromAscii.read && fromBinary.read) << fromAscii.errorText << fromBinary.errorText;
    EXPECT_EQ(fromBinary.warningText, fromAscii.warningText);
    for (RWyxScene* read : {fromAscii.scene, fromBinary.scene}) {
        const auto model = [read](const char* name) {
            RWyxNode* node = FindModel(*read, name);
            EXPECT_NE(node, nullptr) << name;
            return node;
        };
        ASSERT_NE(model("K")->GetMarker(), nullptr);
        ASSERT_NE(model("J")->GetNull(), nullptr);
        EXPECT_EQ(model("J")->GetNull()->GetSize(), 3.0);
        EXPECT_NE(model("T")->GetLight(), nullptr);
        EXPECT_EQ(std::make_pair(model("H")->GetVisibility(), model("H")->GetCullingMode()), std::make_pair(false, 2));
        EXPECT_EQ(std::make_pair(model("G")->GetVisibility(), model("G")->GetCullingMode()), std::make_pair(true, 0));
        EXPECT_EQ(std::make_pair(model("F")->GetVisibility(), model("F")->GetCullingMode()), std::make_pair(true, 1));
    }
}

TEST_F(BadInputTest, ACycleASecondParentAndTheRootAsAChildAreRefused) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::A", "Null");
            d.Model("Model::B", "Null");
            d.Model("Model::C", "Null");
        });
        d.Block("Connections", {}, [&] {
            d.Connect("Model::A", "Model::B");
            d.Connect("Model::B", "Model::A");
            d.Connect("Model::C", "Model::Scene");
            d.Connect("Model::C", "Model::A");
            d.Connect("Model::Scene", "Model::C");
        });
    });
    ExpectWarnings(result, {"from \"Model::B\" to \"Model::A\": it would make a model its own ancestor",
                            "from \"Model::C\" to \"Model::A\": the model has a parent already (\"Model::RootNode\")",
                            "the root is no one's child", "Model \"Model::B\": no connection places it"});
    EXPECT_EQ(Model("A")->GetParent(), Model("B"));
    EXPECT_EQ(Model("B")->GetParent(), scene->GetRootNode());
}

TEST_F(BadInputTest, UnknownRecordsSecondNamesAndUnknownKindsAreSkipped) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::A", "Null");
            d.Model("Model::A", "Mesh");
            d.Model("Model::W", "Widget");
            // A root whose flags do not say skeleton is a null; a null has its attribute only
            // when its properties hold the null's size.
            d.Model("Model::R", "Root", [&] {
                d.Field("Type", {"Root"});
                d.Field("TypeFlags", {"Null"});
            });
            d.Model("Model::N", "Null", [&] {
                d.Block("Properties60", {}, [&] { d.Field("Property", {"Size", "double", "Number", "", 7.0}); });
            });
            // Only a property record names the size.
            d.Model("Model::F", "Null", [&] {
                d.Block("Properties60", {}, [&] { d.Field("Comment", {"Size", "double", "Number", "", 7.0}); });
            });
            // Nor does a name that only begins with it, or only begins it.
            d.Model("Model::L", "Null", [&] {
                d.Block("Properties60", {}, [&] { d.Field("Property", {"Sizes", "double", "Number", "", 7.0}); });
            });
            d.Model("Model::S", "Null", [&] {
                d.Block("Properties60", {}, [&] { d.Field("Property", {"Siz", "double", "Number", "", 7.0}); });
            });
            d.Block("Gadget", {"Gadget::G", ""}, [] {});
            d.Block("Material", {"Material::M", ""}, [] {});
            d.Block("Texture", {"Material::M", ""}, [] {});
        });
        d.Block("Connections", {}, [&] {
            d.Connect("Model::A", "Model::Scene");
            d.Connect("Model::W", "Model::Scene");
            d.Connect("Model::R", "Model::Scene");
            d.Connect("Model::N", "Model::Scene");
            d.Connect("Model::F", "Model::Scene");
            d.Connect("Model::L", "Model::Scene");
            d.Connect("Model::S", "Model::Scene");
        });
    });
    ExpectWarnings(result, {"Model \"Model::A\": a second object of this name was skipped",
                            "Texture \"Material::M\": a second object of this name was skipped",
                            "Model \"Model::W\": the attribute kind \"Widget\" is unknown; read without one",
                            "Model \"Model::L\": Property \"Sizes\" skipped: the object has no such property",
                            "Model \"Model::S\": Property \"Siz\" skipped: the object has no such property",
                            "Objects: a record \"Gadget\" of no known kind was skipped"});
    EXPECT_EQ(Model("A")->GetNodeAttribute(), nullptr);
    EXPECT_EQ(Model("W")->GetNodeAttribute(), nullptr);
    EXPECT_EQ(Model("R")->GetNodeAttribute(), nullptr);
    EXPECT_EQ(Model("F")->GetNodeAttribute(), nullptr);
    EXPECT_EQ(std::make_pair(Model("L")->GetNodeAttribute(), Model("S")->GetNodeAttribute()),
              std::make_pair(kNoAttribute, kNoAttribute));
    ASSERT_NE(Model("N")->GetNull(), nullptr);
    EXPECT_EQ(Model("N")->GetNull()->GetSize(), 7.0);
}

TEST_F(BadInputTest, PolygonsAndIndicesPastTheirArraysAreDroppedOrCleared) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::Mesh", "Mesh", [&] {
                d.Field("Vertices", {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 9.0});
                d.Field("PolygonVertexIndex", {0, 1, -3, 0, 9, -2, 2, 1, -1, 0, 1});
                d.Block("LayerElementUV", {0}, [&] {
                    d.Field("MappingInformationType", {"ByPolygonVertex"});
                    d.Field("ReferenceInformationType", {"IndexToDirect"});
                    d.Field("UV", {0.0, 0.0, 1.0, 1.0});
                    d.Field("UVIndex", {0, 1, 7, 1, -5, 0});
                });
                d.Block("LayerElementNormal", {0}, [&] {
                    d.Field("MappingInformationType", {"BySomething"});
                    d.Field("ReferenceInformationType", {"Direct"});
                    d.Field("Normals", {0.0, 1.0});
                });
                d.Block("Layer", {0}, [&] {
                    d.Block("LayerElement", {}, [&] {
                        d.Field("Type", {"LayerElementUV"});
                        d.Field("TypedIndex", {0});
                    });
                    d.Block("LayerElement", {}, [&] {
                        d.Field("Type", {"LayerElementColor"});
                        d.Field("TypedIndex", {0});
                    });
                });
                d.Block("LayerElementPolygonGroup", {0}, [&] {
                    d.Field("MappingInformationType", {"ByPolygon"});
                    d.Field("ReferenceInformationType", {"Index"});
                    d.Field("PolygonGroup", {1, 2, 3});
                });
                d.Block("LayerElementMaterial", {0}, [&] {
                    d.Field("MappingInformationType", {"ByPolygon"});
                    d.Field("ReferenceInformationType", {"IndexToDirect"});
                    d.Field("Materials", {0, 1});
                });
                d.Block("Layer", {1}, [&] {
                    d.Block("LayerElement", {}, [&] {
                        d.Field("Type", {"LayerElementMaterial"});
                        d.Field("TypedIndex", {0});
                    });
                });
                d.Block("Layer", {4000}, [] {});
            });
            d.Block("Material", {"Material::Only", ""}, [] {});
        });
        d.Block("Connections", {}, [&] {
            d.Connect("Model::Mesh", "Model::Scene");
            d.Connect("Material::Only", "Model::Mesh");
            d.Connect("Material::Only", "Model::Mesh");  // applied once: no second material
        });
    });
    const std::vector<std::string> expected = {
        "Vertices holds 10 values, not three a point; the last point was dropped",
        "1 polygons naming control points past its 3 were dropped",
        "the last 2 polygon vertices end no polygon (no complemented index); dropped",
        "LayerElementUV 0: 2 indices past its 2 entries were set to -1",
        "LayerElementNormal 0: the mapping \"BySomething\" is unknown; read as none",
        "LayerElementNormal 0: Normals holds 2 values, not 3 an entry",
        "Layer 0: LayerElementColor 0 names no element; dropped",
        "Layer 4000: no layer of this index for 4 elements; its entries were dropped",
        "LayerElementPolygonGroup 0: 3 entries for its 2 polygons",
        "2 layer elements no Layer record places were dropped",
        "Model \"Model::Mesh\", layer 1 materials: 1 indices past its 1 entries were set to -1",
    };
    ExpectWarnings(result, expected);
    const RWyxMesh* mesh = Model("Mesh")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetPolygonCount(), 2);
    EXPECT_EQ(mesh->GetPolygonVertex(1, 0), 2);
    EXPECT_EQ(mesh->GetLayerCount(), 2) << "no layer 4000, nor the 3998 before it";
    EXPECT_EQ(mesh->GetLayer(1)->GetMaterials()->IndexArray(), (std::vector<int>{0, -1}));
    EXPECT_EQ(mesh->GetMaterial(0, 1)->GetName(), "Material::Only");
    EXPECT_EQ(mesh->GetMaterialCount(1), 1);
    EXPECT_EQ(mesh->GetLayer(0)->GetUVs()->IndexArray(), (std::vector<int>{0, 1, -1, 1, -1, 0}));
    EXPECT_EQ(mesh->GetLayer(0)->GetNormals(), nullptr);
}

// The control point count itself is past the points: such a polygon goes as one past it does.
TEST_F(BadInputTest, APolygonNamingThePointCountIsDropped) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::Mesh", "Mesh", [&] {
                d.Field("Vertices", {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0});
                d.Field("PolygonVertexIndex", {0, 1, -3, 1, 2, -4});
            });
        });
        d.Block("Connections", {}, [&] { d.Connect("Model::Mesh", "Model::Scene"); });
    });
    ExpectWarnings(result, {"Model \"Model::Mesh\": 1 polygons naming control points past its 3 were dropped"});
    const RWyxMesh* mesh = Model("Mesh")->GetMesh();
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetPolygonCount(), 1);
    EXPECT_EQ(mesh->GetPolygonVertex(0, 2), 2);
}

TEST_F(BadInputTest, SurfacesWhosePointsDoNotFillTheirDimensionsAreDroppedWithoutTheirAllocation) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::Huge", "Nurb", [&] {
                d.Field("Type", {"Nurb"});
                d.Field("Dimensions", {100000, 100000});
                d.Field("Points", {0.0, 0.0, 0.0, 1.0});
            });
            d.Model("Model::Sheet", "Nurb", [&] {
                d.Field("Type", {"Nurb"});
                d.Field("NurbOrder", {1000000000, 2});
                d.Field("Dimensions", {2, 1});
                d.Field("Form", {"Open", "Spiral"});
                d.Field("Points", {0.0, 0.0, 0.0, 1.0, 1.0, 0.0, 0.0, 1.0, 5.0});
                d.Field("MultiplicityU", {1});
                d.Field("KnotVectorU", {0.0, 0.0, 0.0, 0.0, 1.0, 1.0});
                d.Field("KnotVectorV", {0.0, 0.0, 1.0, 1.0, 2.0});
            });
            d.Model("Model::Quilt", "Patch", [&] {
                d.Field("Type", {"Patch"});
                d.Field("PatchType", {"Bezier", "Hermite"});
                d.Field("Dimensions", {1, 1});
                d.Field("Points", {1.0, 2.0, 3.0});
            });
        });
        d.Block("Connections", {}, [&] {
            for (const char* name : {"Model::Huge", "Model::Sheet", "Model::Quilt"}) d.Connect(name, "Model::Scene");
        });
    });
    // The knots agree with the default orders the refused NurbOrder leaves: no warning for them.
    ExpectWarnings(result,
                   {"Model \"Model::Huge\": Dimensions 100000 x 100000 need more than the 4 values of Points; "
                    "the surface was dropped",
                    "Model \"Model::Sheet\": Points holds 9 values for 8; the rest was dropped",
                    "Model \"Model::Sheet\": NurbOrder 1000000000, 2 does not fit its knots; the orders stay 4, 4",
                    "Model \"Model::Sheet\": MultiplicityU holds 1 values for 2",
                    "Model \"Model::Sheet\": MultiplicityV holds 0 values for 1",
                    "Model \"Model::Quilt\": the patch type \"Hermite\" is unknown; read as Bezier"});
    EXPECT_EQ(Model("Huge")->GetNurb()->GetControlPointsCount(), 0);
    const RWyxNurb* sheet = Model("Sheet")->GetNurb();
    EXPECT_EQ(sheet->GetControlPointsCount(), 2);
    EXPECT_EQ(sheet->GetVType(), RWyxNurb::kOpen);
    EXPECT_EQ(sheet->GetControlPoints()[1].x, 1.0);
    EXPECT_EQ(Model("Quilt")->GetPatch()->GetControlPoints()[0].z, 3.0);
}

// A count of 0 beside a large one holds no point, but would size knots and multiplicities by
// the large one: the surface is dropped before anything is made for it.
TEST_F(BadInputTest, SurfacesWithoutPointsInADirectionAreDroppedBeforeTheirKnotsAreMade) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::Ribbon", "Nurb", [&] {
                d.Field("Type", {"Nurb"});
                d.Field("Dimensions", {1000000, 0});
                d.Field("Points", {0.0, 0.0, 0.0, 1.0});
            });
            d.Model("Model::Column", "Nurb", [&] {
                d.Field("Type", {"Nurb"});
                d.Field("Dimensions", {0, 1000000});
            });
            d.Model("Model::Flat", "Patch", [&] {
                d.Field("Type", {"Patch"});
                d.Field("PatchType", {"Bezier", "Linear"});
                d.Field("Dimensions", {0, 3});
                d.Field("Points", {1.0, 2.0, 3.0});
            });
        });
        d.Block("Connections", {}, [&] {
            for (const char* name : {"Model::Ribbon", "Model::Column", "Model::Flat"}) d.Connect(name, "Model::Scene");
        });
    });
    ExpectWarnings(result, {"Model \"Model::Ribbon\": Dimensions 1000000 x 0 hold no control point; the surface was dropped",
                            "Model \"Model::Column\": Dimensions 0 x 1000000 hold no control point",
                            "Model \"Model::Flat\": Dimensions 0 x 3 hold no control point"});
    for (const char* name : {"Ribbon", "Column"}) {
        const RWyxNurb* nurb = Model(name)->GetNurb();
        ASSERT_NE(nurb, nullptr) << name;
        EXPECT_EQ(nurb->GetUCount() + nurb->GetVCount(), 0) << name;
        EXPECT_EQ(nurb->GetUKnotCount() + nurb->GetVKnotCount(), nurb->GetUOrder() + nurb->GetVOrder()) << name;
    }
    EXPECT_EQ(Model("Flat")->GetPatch()->GetVCount(), 0);
}

// A model whose Vertices (or, for a surface, Dimensions) field is missing is read as one whose
// field is empty, in either form: what it drops is warned of alike, never silently.
TEST_F(BadInputTest, AGeometryWithoutItsPointsFieldWarnsAsAnEmptyOneDoes) {
    const char* const names[] = {"Model::Bare", "Model::Sheet", "Model::Quilt"};
    const auto fill = [&](bool empty, Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model(names[0], "Mesh", [&] {
                if (empty) d.Field("Vertices");
                d.Field("PolygonVertexIndex", {0, 1, -3, 0, 2, -4});
                d.Block("LayerElementNormal", {0}, [&] {
                    d.Field("MappingInformationType", {"ByPolygon"});
                    d.Field("Normals", {0.0, 0.0, 1.0, 0.0, 1.0, 0.0});
                });
                d.Block("Layer", {0}, [&] {
                    d.Block("LayerElement", {}, [&] {
                        d.Field("Type", {"LayerElementNormal"});
                        d.Field("TypedIndex", {0});
                    });
                });
            });
            d.Model(names[1], "Nurb", [&] {
                d.Field("Type", {"Nurb"});
                if (empty) d.Field("Dimensions");
                d.Field("Points", {0.0, 0.0, 0.0, 1.0});
            });
            d.Model(names[2], "Patch", [&] {
                d.Field("Type", {"Patch"});
                d.Field("PatchType", {"Bezier", "Linear"});
                if (empty) d.Field("Dimensions");
            });
        });
        d.Block("Connections", {}, [&] {
            for (const char* name : names) d.Connect(name, "Model::Scene");
        });
    };
    for (const bool binary : {false, true}) {
        std::string emptyWarnings;
        for (const bool empty : {true, false}) {
            SCOPED_TRACE(std::string(binary ? "binary" : "ASCII") + (empty ? ", empty" : ", missing"));
            const auto write = binary ? WriteBinaryFile : WriteAsciiFile;
            const std::string path = write(folder.Join("bare.wyx"), [&](RWyxFile& file) {
                Document document(file);
                fill(empty, document);
            }, 6000);
            const char* normals = "Model \"Model::Bare\", LayerElementNormal 0: 2 entries for its 0 polygons";
            ExpectBareGeometry(ReadFile(factory, path), empty, {normals}, emptyWarnings);
        }
    }
}

TEST_F(BadInputTest, ShapesClustersAndPosesWithCountsThatDisagreeKeepWhatIsSound) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] {
            d.Model("Model::Mesh", "Mesh", [&] {
                d.Field("Vertices", {0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0, 0.0});
                d.Field("PolygonVertexIndex", {0, 1, -3});
                d.Block("Shape", {"Open"}, [&] {
                    d.Field("Indexes", {1, 5});
                    d.Field("Vertices", {0.0, 2.0, 0.0, 1.0, 1.0, 1.0, 7.0});
                });
                d.Block("Shape", {"Open"}, [&] {
                    d.Field("Indexes", {0});
                    d.Field("Vertices", {0.0, 0.0, 0.0});
                });
            });
            d.Model("Model::Bone", "LimbNode", [&] {
                d.Field("Type", {"LimbNode"});
                d.Field("TypeFlags", {"Skeleton"});
            });
            d.Block("Deformer", {"Deformer::Skin", "Skin"}, [] {});
            d.Block("Deformer", {"SubDeformer::Cluster", "Cluster"}, [&] {
                d.Field("Mode", {"Sometimes"});
                d.Field("Indexes", {0, 3, -4, 7});
                d.Field("Weights", {0.5, 0.25, 1.0});
            });
            d.Block("Pose", {"Pose::Bind", "BindPose"}, [&] {
                d.Field("Type", {"BindPose"});
                d.Field("NbPoseNodes", {3});
                d.Block("PoseNode", {}, [&] {
                    d.Field("Node", {"Model::Bone"});
                    d.Field("Matrix", {1.0, 0.0, 0.0});
                });
                d.Block("PoseNode", {}, [&] { d.Field("Node", {"Model::Mesh"}); });
            });
        });
        d.Block("Connections", {}, [&] {
            d.Connect("Model::Mesh", "Model::Scene");
            d.Connect("Model::Bone", "Model::Scene");
            d.Connect("Deformer::Skin", "Model::Mesh");
            d.Connect("SubDeformer::Cluster", "Deformer::Skin");
            d.Connect("Model::Bone", "SubDeformer::Cluster");
        });
    });
    const std::vector<std::string> expected = {
        "shape \"Open\": Vertices holds 7 values for 2 indices",
        "shape \"Open\": 1 indices past the 3 control points were dropped",
        "shape \"Open\" could not be added (an empty name, or one the geometry uses); dropped",
        "Deformer \"SubDeformer::Cluster\": the mode \"Sometimes\" is unknown",
        "Deformer \"SubDeformer::Cluster\": 4 indices and 3 weights; the pairs past the shorter were dropped",
        "Deformer \"SubDeformer::Cluster\": 1 negative indices were dropped",
        "Deformer \"SubDeformer::Cluster\": no TransformLink; the identity is taken",
        "Pose \"Pose::Bind\": NbPoseNodes says 3 for 2 PoseNode blocks",
        "Pose \"Pose::Bind\": 2 entries without a node or a whole matrix",
        "Model \"Model::Mesh\": 1 cluster indices past its 3 control points were dropped",
    };
    ExpectWarnings(result, expected);
    RWyxMesh* mesh = Model("Mesh")->GetMesh();
    ASSERT_EQ(mesh->GetShapeCount(), 1);
    EXPECT_EQ(mesh->GetShape(0)->GetControlPoints()[1].y, 2.0);
    ASSERT_EQ(mesh->GetDeformerCount(), 1);
    EXPECT_EQ(mesh->GetDeformer(0)->GetControlPointIndicesCount(), 1) << "0 kept, 3 past the points, -4 negative";
    EXPECT_EQ(mesh->GetDeformer(0)->GetLink(), Model("Bone"));
    EXPECT_EQ(scene->GetPose(0)->GetCount(), 0);
}

TEST_F(BadInputTest, AnimationOfUnknownObjectsAndPropertiesAndRepeatedTakesIsDropped) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] { d.Model("Model::A", "Null"); });
        d.Block("Connections", {}, [&] { d.Connect("Model::A", "Model::Scene"); });
        d.Block("Takes", {}, [&] {
            d.Field("Current", {"Run"});
            d.Block("Take", {"Run"}, [&] {
                d.Block("Model", {"Model::A"}, [&] {
                    d.Field("Version", {1.1});
                    d.Block("Channel", {"Visibility"}, [&] {
                        d.Field("Default", {1.0});
                        d.Field("KeyVer", {4004});
                        d.Field("KeyCount", {3});
                        // A second key at the same time; a value beyond the floats.
                        d.Field("Key", {0, 0.0, "C", "s", 0, 1.0, "C", "s", 4.6186158e10, 1e39, "C", "s"});
                        d.Field("Color", {1.0, 1e39, 0.0});
                    });
                    d.Block("Channel", {"Bogus"}, [&] { d.Field("Default", {3.0}); });
                });
                d.Block("Model", {"Model::A"}, [] {});
                d.Block("Model", {"Model::Ghost"}, [] {});
                d.Block("Material", {"Model::A"}, [] {});
                d.Block("Thumbnail", {}, [&] {
                    d.Field("Format", {0});
                    d.Field("Size", {1});
                    d.Field("ImageData", {1, 2, 3});
                });
            });
            d.Block("Take", {"Run"}, [] {});
            d.Block("Take", {"Empty"}, [&] { d.Block("Model", {"Model::Ghost"}, [] {}); });
            d.Block("Take", {"Default"}, [] {});
        });
    });
    const std::vector<std::string> expected = {
        "Take \"Run\", Model \"Model::A\", channel \"Visibility\": 2 keys that could not be read were dropped",
        "Take \"Run\", Model \"Model::A\", channel \"Visibility\": 1 curve defaults or colours no float holds were "
        "dropped",
        "Take \"Run\", Model \"Model::A\": 1 channels for properties it does not have were dropped",
        "Take \"Run\", Model \"Model::A\": a second block for this object was dropped",
        "Take \"Run\", Model \"Model::Ghost\": no record defines this object; its animation was dropped",
        "Take \"Run\", Material \"Model::A\": no record defines this object",
        "Thumbnail of take \"Run\" dropped: 3 bytes for an image of 12288",
        "Take \"Run\": a second take of this name was skipped",
        "Take \"Empty\", Model \"Model::Ghost\": no record defines this object",
        "Take \"Empty\": no object of the scene is animated in it; the take was dropped",
        "Take \"Default\": the default take is every object's own; the block was skipped",
    };
    ExpectWarnings(result, expected);
    ASSERT_EQ(Model("A")->GetTakeNodeCount(), 2);
    EXPECT_EQ(Model("A")->GetTakeNode(1)->GetVisibilityCurve()->GetKeyCount(), 1);
    EXPECT_STREQ(scene->GetCurrentTakeName(), "Run");
    EXPECT_EQ(scene->GetTakeInfo("Empty"), nullptr);
}

// Two keys eleven days apart would plot to thirty million keys a channel: more than a file of
// a few keys may make the reader allocate. The layers are kept instead.
TEST_F(BadInputTest, LayersWhosePlotWouldOutgrowTheFileAreKept) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Objects", {}, [&] { d.Model("Model::A", "Null"); });
        d.Block("Connections", {}, [&] { d.Connect("Model::A", "Model::Scene"); });
        d.Block("Takes", {}, [&] {
            d.Block("Take", {"Long"}, [&] {
                d.Block("Model", {"Model::A"}, [&] {
                    d.Block("Channel", {"Visibility"}, [&] {
                        d.Field("Default", {1.0});
                        d.Field("KeyVer", {4004});
                        d.Field("KeyCount", {2});
                        d.Field("Key", {0, 1.0, "L", 4.6186158e16, 0.0, "L"});  // a million seconds in ticks
                        d.Block("LayerChannel", {"Visibility"}, [&] {
                            d.Field("Default", {0.5});
                            d.Field("LayerID", {1});
                        });
                    });
                });
            });
        });
    });
    ExpectWarnings(result, {"Take \"Long\", Model \"Model::A\", channel \"Visibility\": its layers could not be "
                            "plotted and were kept"});
    const RFCurveNode* visibility = Model("A")->GetTakeNode(1)->GetRootCurveNode()->GetChild(1);
    ASSERT_NE(visibility, nullptr);
    EXPECT_NE(visibility->GetNextLayer(), nullptr);
    EXPECT_EQ(Model("A")->GetTakeNode(1)->GetVisibilityCurve()->GetKeyCount(), 2);
}

TEST_F(BadInputTest, SettingsWhoseCountsDisagreeKeepTheirPlanes) {
    const ReadResult result = Read([](Document& d) {
        d.Block("Version5", {}, [&] {
            d.Block("ShadowPlanes", {}, [&] {
                d.Field("Count", {3});
                d.Field("Plane", {0.0, 0.0, 0.0, 0.0, 1.0, 0.0, 1});
                d.Field("Plane", {0.0, 0.0});
            });
            d.Block("Settings", {}, [&] { d.Field("ReferenceTimeIndex", {2}); });
        });
    });
    ExpectWarnings(result, {"ShadowPlanes: Count says 3 for 2 planes",
                            "ShadowPlanes: 1 planes of fewer than seven values were dropped",
                            "Settings: ReferenceTimeIndex 2 names no time marker; dropped"});
}

}  // namespace
