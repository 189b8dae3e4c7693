// Geometry in Model records: mesh points and polygons, layer elements and layers, NURBS and
// patch surfaces, shapes.

#include "tests/wyxwriter/WriterTestSupport.h"

#include "attributes/RWyxDeformer.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxLayerElementTexture.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxMaterialProperties.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxTexture.h"
#include "scene/RWyxEntityContainer.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxNodeProperties.h"
#include "scene/RWyxScene.h"

namespace {

using namespace writer_test;
using Names = std::vector<std::string>;
using Numbers = std::vector<double>;

class GeometryTest : public WriterTest {
protected:
    const Record& Model(const FileTree& tree, int index = 0) {
        return tree.main.Child("Objects").Child("Model", index);
    }
};

template <typename Element>
Element* SetElement(RWyxLayer* layer, Element* (RWyxLayer::*set)(std::unique_ptr<Element>), int mapping,
                    int reference) {
    Element* element = (layer->*set)(std::make_unique<Element>());
    element->SetMappingMode(mapping);
    element->SetReferenceMode(reference);
    return element;
}

TEST(GeometryNamesTest, ModesAndBlendModesHaveTheirTextsAndUnknownValuesTheFirst) {
    const Names mappings = {"NoMappingInformation", "ByVertice", "ByPolygonVertex", "ByPolygon", "AllSame",
                            "NoMappingInformation"};
    const Names references = {"Direct", "Index", "IndexToDirect", "Direct", "Direct", "Direct"};
    const Names blends = {"Translucent", "Add", "Modulate", "Modulate2", "MaxBlend", "Translucent"};
    for (int value = 0; value < 6; ++value) {
        EXPECT_EQ(RWyxWriterWyx6::MappingModeName(value), mappings[static_cast<std::size_t>(value)]);
        EXPECT_EQ(RWyxWriterWyx6::ReferenceModeName(value), references[static_cast<std::size_t>(value)]);
        EXPECT_EQ(RWyxWriterWyx6::BlendModeName(value), blends[static_cast<std::size_t>(value)]);
    }
    EXPECT_STREQ(RWyxWriterWyx6::MappingModeName(-1), "NoMappingInformation");
}

TEST_F(GeometryTest, MeshPointsGoThroughThePivotAndPolygonsEndInTheirComplement) {
    RWyxMesh* mesh = AddMesh("Mesh", 5);
    mesh->SetPivot(RMatrix::ConstructFromTRS(RVector4(10, 0, 0, 0), RVector4(), RVector4(2, 1, 1, 0)));
    for (const std::vector<int>& polygon : {std::vector<int>{0, 1, 2}, std::vector<int>{2, 1, 3, 4}}) {
        mesh->BeginPolygon();
        for (const int point : polygon) mesh->AddPolygonVertex(point);
    }
    AddMesh("Empty", 0);
    const FileTree tree = WriteAndRead();
    EXPECT_EQ(Model(tree).Child("Vertices").Numbers(), (Numbers{10, 0, 0, 12, 0, 0, 14, 0, 0, 16, 0, 0, 18, 0, 0}));
    EXPECT_EQ(Model(tree).Child("PolygonVertexIndex").Numbers(), (Numbers{0, 1, -3, 2, 1, 3, -5}));
    EXPECT_EQ(Model(tree, 1).Names().back(), "Culling") << "a mesh without points writes no geometry";
}

TEST_F(GeometryTest, NormalsGoThroughThePivotsRotationAsThePointsGoThroughThePivot) {
    RWyxMesh* mesh = AddMesh("Mesh", 2);
    mesh->SetPivot(RMatrix::ConstructFromTRS(RVector4(0, 1, 0, 0), RVector4(0, 0, 90, 0), RVector4(2, 2, 2, 0)));
    using E = RWyxLayerElement;
    auto* normals = SetElement(mesh->EnsureLayer(0), &RWyxLayer::SetNormals, E::kByControlPoint, E::kIndexToDirect);
    normals->DirectArray() = {RVector4(1, 0, 0, 0), RVector4(0, 0, 1, 0)};
    normals->IndexArray() = {0, 1};
    const FileTree tree = WriteAndRead();
    const Numbers points = Model(tree).Child("Vertices").Numbers();
    ASSERT_EQ(points.size(), 6u);
    EXPECT_NEAR(points[3], 0.0, 1e-12);
    EXPECT_NEAR(points[4], 3.0, 1e-12) << "(1, 0, 0) scaled by 2, turned and moved up";
    const Numbers written = Model(tree).Child("LayerElementNormal").Child("Normals").Numbers();
    ASSERT_EQ(written.size(), 6u);
    const double expected[] = {0, 1, 0, 0, 0, 1};  // turned about Z, neither scaled nor moved
    for (std::size_t i = 0; i < 6; ++i) EXPECT_NEAR(written[i], expected[i], 1e-12) << i;
}

TEST_F(GeometryTest, OnlyElementsTheRecordsCanHoldAreWrittenAndReferenced) {
    RWyxMesh* mesh = AddMesh("Mesh", 2);
    RWyxLayer* layer0 = mesh->EnsureLayer(0);
    RWyxLayer* layer1 = mesh->EnsureLayer(1);
    RWyxLayer* layer2 = mesh->EnsureLayer(2);
    using E = RWyxLayerElement;
    SetElement(layer0, &RWyxLayer::SetNormals, E::kByControlPoint, E::kDirect)->DirectArray() = {
        RVector4(0, 1, 0, 0), RVector4(1, 0, 0, 0)};
    SetElement(layer0, &RWyxLayer::SetMaterials, E::kAllSame, E::kDirect)->AddDirect(factory.CreateMaterial("Direct"));
    SetElement(layer1, &RWyxLayer::SetUVs, E::kByPolygonVertex, E::kIndex)->AddIndex(0);
    auto* colors = SetElement(layer1, &RWyxLayer::SetVertexColors, E::kByControlPoint, E::kIndexToDirect);
    colors->AddDirect(RWyxColor(0.5, 0.25, 1, 1));
    colors->IndexArray() = {0, 0};
    SetElement(layer1, &RWyxLayer::SetPolygonGroups, E::kByPolygon, E::kIndex)->IndexArray() = {3};
    SetElement(layer2, &RWyxLayer::SetPolygonGroups, E::kByPolygon, E::kDirect)->AddDirect(1);
    auto* textures = SetElement(layer1, &RWyxLayer::SetTextures, E::kAllSame, E::kIndexToDirect);
    textures->SetBlendMode(RWyxLayerElementTexture::kModulate2);
    textures->SetAlpha(0.5);
    textures->AddDirect(factory.CreateTexture("Wood"));
    textures->AddIndex(0);
    const FileTree tree = WriteAndRead();
    const Record& model = Model(tree);
    EXPECT_EQ(model.NamesWithValue(),
              (Names{"Version:231", "Properties60", "MultiLayer:0", "MultiTake:1", "Shading:Y", "Culling:CullingOff",
                     "Vertices:0", "GeometryVersion:124", "LayerElementNormal:0", "LayerElementPolygonGroup:0",
                     "LayerElementColor:0", "LayerElementTexture:0", "Layer:0", "Layer:1"}))
        << "no direct material or polygon group, no UVs by index; no Layer 2";
    EXPECT_EQ(model.Child("LayerElementNormal").NamesWithValue(),
              (Names{"Version:100", "MappingInformationType:ByVertice", "ReferenceInformationType:Direct", "Normals:0"}));
    EXPECT_EQ(model.Child("LayerElementColor").Child("Colors").Numbers(), (Numbers{0.5, 0.25, 1, 1}));
    EXPECT_EQ(model.Child("LayerElementColor").Child("ColorIndex").Numbers(), (Numbers{0, 0}));
    EXPECT_EQ(model.Child("LayerElementPolygonGroup").Child("PolygonGroup").Numbers(), Numbers{3});
    EXPECT_EQ(model.Child("LayerElementTexture").NamesWithValue(),
              (Names{"Version:100", "MappingInformationType:AllSame", "ReferenceInformationType:IndexToDirect",
                     "BlendMode:Modulate2", "TextureAlpha:0.5", "TextureId:0"}));
    auto layerEntries = [&](int layer) {
        Names entries;
        for (const Record* entry : model.Child("Layer", layer).All("LayerElement")) {
            entries.push_back(entry->Child("Type").values[0] + ":" + entry->Child("TypedIndex").values[0]);
        }
        return entries;
    };
    EXPECT_EQ(layerEntries(0), Names{"LayerElementNormal:0"});
    EXPECT_EQ(layerEntries(1),
              (Names{"LayerElementTexture:0", "LayerElementPolygonGroup:0", "LayerElementColor:0"}));
}

TEST_F(GeometryTest, NormalsByIndexAreWrittenDirect) {
    RWyxMesh* mesh = AddMesh("Mesh", 3);
    auto* normals = SetElement(mesh->EnsureLayer(0), &RWyxLayer::SetNormals, RWyxLayerElement::kByControlPoint,
                               RWyxLayerElement::kIndexToDirect);
    normals->DirectArray() = {RVector4(1, 0, 0, 0), RVector4(0, 1, 0, 0)};
    normals->IndexArray() = {1, 0, 5};
    const FileTree elementTree = WriteAndRead();
    const Record& element = Model(elementTree).Child("LayerElementNormal");
    EXPECT_EQ(element.Child("ReferenceInformationType").values, Names{"Direct"});
    EXPECT_EQ(element.Child("Normals").Numbers(), (Numbers{0, 1, 0, 1, 0, 0, 0, 0, 0}));
}

TEST_F(GeometryTest, MaterialIndicesArePositionsAmongTheNodesMaterials) {
    RWyxMesh* mesh = AddMesh("Mesh", 1);
    RWyxMaterial* earlier = factory.CreateMaterial("Earlier");
    RWyxMaterial* a = factory.CreateMaterial("A");
    RWyxMaterial* b = factory.CreateMaterial("B");
    mesh->GetNode()->GetProperties()->ConnectSource(earlier->GetProperties());
    auto* element = SetElement(mesh->EnsureLayer(0), &RWyxLayer::SetMaterials, RWyxLayerElement::kByPolygon,
                               RWyxLayerElement::kIndexToDirect);
    element->DirectArray() = {a, b};
    element->IndexArray() = {1, 0, -1, 7};
    const FileTree modelTree = WriteAndRead();
    const Record& model = Model(modelTree);
    EXPECT_EQ(model.Child("LayerElementMaterial").Child("Materials").Numbers(), (Numbers{2, 1, -1, -1}));
    EXPECT_EQ(element->IndexArray(), (std::vector<int>{1, 0, -1, 7})) << "the scene's indices are left alone";
}

TEST_F(GeometryTest, NurbsPointsKeepTheirWeights) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->InitControlPoints(3, RWyxNurb::kOpen, 1, RWyxNurb::kPeriodic);
    nurb->SetOrder(2, 1);
    nurb->GetControlPoints()[0] = RVector4(0, 0, 0, 0.5);
    nurb->GetControlPoints()[1] = RVector4(1, 0, 0, 2.0);
    nurb->GetControlPoints()[2] = RVector4(2, 0, 0, 0.0);
    AddNode("Surface")->SetNodeAttribute(nurb);
    const FileTree modelTree = WriteAndRead();
    const Record& model = Model(modelTree);
    EXPECT_EQ(model.Child("Points").Numbers(), (Numbers{0, 0, 0, 0.5, 1, 0, 0, 2, 2, 0, 0, 1}))
        << "a weight never set is written 1";
    EXPECT_EQ(model.Child("Form").values, (Names{"Open", "Periodic"}));
    EXPECT_EQ(model.Child("Dimensions").Numbers(), (Numbers{3, 1}));
    EXPECT_EQ(model.Child("NurbOrder").Numbers(), (Numbers{2, 1}));
    EXPECT_EQ(model.Child("MultiplicityU").values.size(), 3u);
    EXPECT_EQ(model.Child("KnotVectorU").values.size(), 5u);
    EXPECT_EQ(model.Child("KnotVectorV").values.size(), 2u);
}

TEST_F(GeometryTest, ASurfaceAskingForASwapIsWrittenAsTheCopyWithItsOwnKnotsAndRenumberedClusters) {
    RWyxNurb* nurb = factory.CreateNurb();
    nurb->InitControlPoints(3, RWyxNurb::kOpen, 2, RWyxNurb::kClosed);
    nurb->SetOrder(3, 2);
    for (int i = 0; i < 6; ++i) nurb->GetControlPoints()[i] = RVector4(i, 0, 0, 1);
    for (int k = 0; k < nurb->GetUKnotCount(); ++k) nurb->GetUKnotVector()[k] = 10 + k;
    for (int k = 0; k < nurb->GetVKnotCount(); ++k) nurb->GetVKnotVector()[k] = 20 + k;
    nurb->SetSwapUVFlag(true);
    nurb->SetSwapLinksFlag(true);
    RWyxNode* bone = AddNode("Bone");
    RWyxSkinLink* link = factory.CreateSkinLink();
    link->SetLink(bone);
    link->AddControlPointIndex(1, 1.0);  // (u 1, v 0) is point 2 of the swapped grid
    nurb->AddDeformer(link);
    AddNode("Surface")->SetNodeAttribute(nurb);
    const int nodesBefore = factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes);
    const FileTree tree = WriteAndRead();
    const Record& model = Model(tree, 1);
    EXPECT_EQ(model.Child("Dimensions").Numbers(), (Numbers{2, 3}));
    EXPECT_EQ(model.Child("NurbOrder").Numbers(), (Numbers{2, 3}));
    EXPECT_EQ(model.Child("Form").values, (Names{"Closed", "Open"}));
    EXPECT_EQ(model.Child("Points").Numbers(), (Numbers{0, 0, 0, 1, 3, 0, 0, 1, 1, 0, 0, 1, 4, 0, 0, 1, 2, 0, 0, 1,
                                                        5, 0, 0, 1}));
    const Numbers uKnots = model.Child("KnotVectorU").Numbers();
    ASSERT_EQ(uKnots.size(), static_cast<std::size_t>(nurb->GetVKnotCount()));
    EXPECT_EQ(uKnots.front(), 20.0) << "knots and their count from the same surface";
    EXPECT_EQ(model.Child("KnotVectorV").Numbers().size(), static_cast<std::size_t>(nurb->GetUKnotCount()));
    const Record& cluster = tree.main.Child("Objects").Child("Deformer", 1);
    EXPECT_EQ(cluster.Child("Indexes").Numbers(), Numbers{2});
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), nodesBefore) << "the copy is gone";
    EXPECT_EQ(link->GetControlPointIndices()[0], 1);
}

TEST_F(GeometryTest, APatchTypeOutsideTheFiveIsRefused) {
    RWyxPatch* patch = factory.CreatePatch();
    patch->InitControlPoints(2, RWyxPatch::kBSpline, 2, 7);
    AddNode("Patch")->SetNodeAttribute(patch);
    folder.WriteFile("scene.wyx", "old");
    const WriteResult refused = WriteScene(factory, scene, path, Form::kBinary, &Options());
    EXPECT_FALSE(refused.written);
    EXPECT_EQ(refused.error, RWyxWriter::kErrorUnidentified);
    EXPECT_NE(refused.errorText.find("Model::Patch"), std::string::npos) << refused.errorText;
    EXPECT_EQ(ScratchFolder::ReadFile(path), "old");

    Options().SetFlag(RStreamOptionsWyx::kFlagGeometry, false);
    EXPECT_EQ(Model(WriteAndRead()).Child("Type").values, Names{"Null"}) << "no geometry, nothing to refuse";
    Options().SetFlag(RStreamOptionsWyx::kFlagGeometry, true);
    patch->InitControlPoints(2, RWyxPatch::kBSpline, 1, RWyxPatch::kCardinal);
    patch->SetCapped(RWyxPatch::kVCapTop, true);
    patch->SetClosed(true, false);
    const FileTree modelTree = WriteAndRead();
    const Record& model = Model(modelTree);
    EXPECT_EQ(model.Child("PatchType").values, (Names{"BSpline", "Cardinal"}));
    EXPECT_EQ(model.Child("VCapped").Numbers(), (Numbers{0, 1}));
    EXPECT_EQ(model.Child("UCapped").Numbers(), (Numbers{0, 0}));
    EXPECT_EQ(model.Child("Closed").Numbers(), (Numbers{1, 0}));
    EXPECT_EQ(model.Child("Points").values.size(), 6u) << "three values a point";
}

TEST_F(GeometryTest, ShapesListTheirMovedPointsAndNormals) {
    AddMeshWithShapes();
    const FileTree tree = WriteAndRead();
    const Record& model = Model(tree);
    EXPECT_EQ(model.Child("Shape", 0).NamesWithValue(), (Names{"Indexes:0", "Vertices:0", "Normals:0"}));
    EXPECT_EQ(model.Child("Shape", 0).Child("Vertices").Numbers(), (Numbers{0, 0, 0}));
    EXPECT_EQ(model.Child("Shape", 1).Child("Indexes").Numbers(), Numbers{2});
    EXPECT_EQ(model.Child("Shape", 1).Child("Vertices").Numbers(), (Numbers{0, 3, 0})) << "through the pivot";
    EXPECT_EQ(model.Child("Shape", 1).Child("Normals").Numbers(), (Numbers{0, 0, 1})) << "turned, not scaled";
    EXPECT_EQ(model.Child("Shape", 2).Child("Indexes").Numbers(), Numbers{0});
    EXPECT_EQ(model.Child("Shape", 2).Child("Vertices").Numbers(), (Numbers{0, 0, 0})) << "its moved point is not";
    EXPECT_EQ(model.Child("Shape", 2).Child("Normals").Numbers(), (Numbers{0, 0, 0}));
    EXPECT_NE(lastWrite.messages.find("Short"), std::string::npos) << "the shape that does not fit is reported";
}

}  // namespace
