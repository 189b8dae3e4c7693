// Patches and NURBS surfaces sampled into meshes: grid, UVs, materials, shapes, skin links.

#include "formats/geometry/RWyxGeometryConverter.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxSkinLink.h"
#include "tests/formats/geometry/ConverterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using converter_test::ConverterTest;
using converter_test::PolygonOf;

RVector2 UvOf(const RWyxMesh& mesh, int p, int k) { return mesh.GetTextureUVs()[mesh.GetTextureUVIndex(p, k)]; }

TEST_F(ConverterTest, AFourByFourBSplinePatchBecomesAGridOfTwentyFivePoints) {
    RWyxPatch* patch = MakePatch(RWyxPatch::kBSpline, RWyxPatch::kBSpline, 4, 4);
    RWyxMesh* mesh = converter.PatchToMesh(patch);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), 25);
    EXPECT_EQ(mesh->GetPolygonCount(), 32);
    EXPECT_EQ(mesh->GetTextureUVCount(), 64);
    EXPECT_EQ(mesh->GetLayer(0)->GetMaterials(), nullptr);
    EXPECT_EQ(mesh->GetNormalsMappingKind(), 0);
    std::set<double> us;
    for (int p = 0; p < 32; ++p) {
        for (int k = 0; k < 3; ++k) us.insert(UvOf(*mesh, p, k).u);
    }
    EXPECT_EQ(us, (std::set<double>{0, 0.25, 0.5, 0.75, 1}));
    // The first cell: (p, A), (p + nU, C), (p + 1, B), then (p + 1, B), (p + nU, C), (p + nU + 1, D).
    EXPECT_EQ(PolygonOf(*mesh, 0), (std::vector<int>{0, 5, 1}));
    EXPECT_EQ(PolygonOf(*mesh, 1), (std::vector<int>{1, 5, 6}));
    EXPECT_EQ(UvOf(*mesh, 0, 1), RVector2(0, 0.25));
    EXPECT_EQ(UvOf(*mesh, 1, 2), RVector2(0.25, 0.25));
    EXPECT_EQ(PolygonOf(*mesh, 31), (std::vector<int>{19, 23, 24}));
    for (int i = 0; i < 25; ++i) {
        EXPECT_DOUBLE_EQ(mesh->GetControlPoints()[i].w, 1.0);
        EXPECT_DOUBLE_EQ(mesh->GetNormals()[i].w, 1.0);
        EXPECT_GT(mesh->GetNormals()[i].Length3(), 0.01);
    }
    // The surface of a uniform B-spline sheet at its centre.
    EXPECT_NEAR(mesh->GetControlPoints()[12].x, 1.5, 1e-12);
    EXPECT_NEAR(mesh->GetControlPoints()[12].y, 1.5, 1e-12);
}

TEST_F(ConverterTest, AClosedDirectionGetsAWrapCellAndLayersOfMaterialsByPolygonMaterialZero) {
    RWyxPatch* patch = MakePatch(RWyxPatch::kBSpline, RWyxPatch::kBSpline, 4, 4, 1);
    patch->SetClosed(true, false);
    patch->AddMaterial(factory.CreateMaterial("Skin"));
    patch->GetLayer(0)->GetMaterials()->SetMappingMode(RWyxLayerElement::kByPolygon);
    RWyxMesh* mesh = converter.PatchToMesh(patch);
    ASSERT_NE(mesh, nullptr);
    const int nU = 4;  // closed: 4 segments of 1 sample; V: 1 segment, 2 samples
    ASSERT_EQ(mesh->GetControlPointsCount(), nU * 2);
    ASSERT_EQ(mesh->GetPolygonCount(), 2 * nU);
    EXPECT_EQ(PolygonOf(*mesh, 6), (std::vector<int>{3, 7, 0}));  // the wrap cell joins column 3 to 0
    EXPECT_EQ(UvOf(*mesh, 6, 0), RVector2(0.75, 0));
    EXPECT_EQ(UvOf(*mesh, 6, 2), RVector2(1, 0));
    EXPECT_EQ(UvOf(*mesh, 7, 2), RVector2(1, 1));
    ASSERT_EQ(mesh->GetMaterialIndexCount(), 8);
    for (int p = 0; p < 8; ++p) EXPECT_EQ(mesh->GetMaterialIndices()[p], 0);
    EXPECT_EQ(mesh->GetMaterial(0), patch->GetMaterial(0));
}

// Closed in V, the last row of cells joins the last row of points to the first (the seam row);
// closed in both, the corner cell joins the last point to the first.
TEST_F(ConverterTest, AClosedVGetsAWrapRowAndClosingBothACornerCell) {
    RWyxPatch* patch = MakePatch(RWyxPatch::kBSpline, RWyxPatch::kBSpline, 4, 4, 1);
    patch->SetClosed(false, true);
    RWyxMesh* mesh = converter.PatchToMesh(patch);
    ASSERT_NE(mesh, nullptr);
    const int nV = 4;  // closed: 4 segments of 1 sample; U: 1 segment, 2 samples
    ASSERT_EQ(mesh->GetControlPointsCount(), 2 * nV);
    ASSERT_EQ(mesh->GetPolygonCount(), 2 * nV);
    EXPECT_EQ(PolygonOf(*mesh, 6), (std::vector<int>{6, 0, 7}));  // row 3 joined to row 0
    EXPECT_EQ(PolygonOf(*mesh, 7), (std::vector<int>{7, 0, 1}));
    EXPECT_EQ(UvOf(*mesh, 6, 0), RVector2(0, 0.75));
    EXPECT_EQ(UvOf(*mesh, 6, 1), RVector2(0, 1));
    EXPECT_EQ(UvOf(*mesh, 7, 2), RVector2(1, 1));

    patch->SetClosed(true, true);
    mesh = converter.PatchToMesh(patch);
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetControlPointsCount(), 16);
    ASSERT_EQ(mesh->GetPolygonCount(), 32);
    EXPECT_EQ(PolygonOf(*mesh, 30), (std::vector<int>{15, 3, 12}));
    EXPECT_EQ(PolygonOf(*mesh, 31), (std::vector<int>{12, 3, 0}));
    EXPECT_EQ(UvOf(*mesh, 31, 2), RVector2(1, 1));
}

TEST_F(ConverterTest, UVsGoToTheFirstLayerThatHasThem) {
    RWyxPatch* patch = MakePatch(RWyxPatch::kBSpline, RWyxPatch::kBSpline, 4, 4);
    RWyxLayerElementUV* uvs = patch->EnsureLayer(1)->SetUVs(std::make_unique<RWyxLayerElementUV>());
    uvs->AddDirect(RVector2(9, 9));
    uvs->AddIndex(0);
    RWyxMesh* mesh = converter.PatchToMesh(patch);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetLayer(0)->GetUVs(), nullptr);
    const RWyxLayerElementUV* copied = mesh->GetLayer(1)->GetUVs();
    ASSERT_EQ(copied->GetDirectCount(), 1 + 64);  // appended after what it held
    ASSERT_EQ(copied->GetIndexCount(), 96);
    EXPECT_EQ(copied->GetIndexAt(0), 1);
    EXPECT_EQ(copied->GetIndexAt(95), 64);
    EXPECT_EQ(copied->GetMappingMode(), RWyxLayerElement::kByPolygonVertex);
}

TEST_F(ConverterTest, ShapesAreSampledLikeTheSurfaceAndMisfitsLeftOutWithAWarning) {
    RWyxNurb* nurb = MakeNurb(4, 3, 5, 4);
    AddShape(*nurb, "Lift", RVector4(0, 0, 2, 0));
    RWyxShape* misfit = factory.CreateShape();
    misfit->InitControlPoints(3);
    nurb->AddShape(misfit, "Broken");
    RWyxMesh* mesh = converter.NurbToMesh(nurb);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetControlPointsCount(), (2 * 4 + 1) * (2 * 4 + 1));
    ASSERT_EQ(mesh->GetShapeCount(), 1);
    EXPECT_STREQ(mesh->GetShapeName(0), "Lift");
    EXPECT_NE(std::string(converter.GetMessageText().Buffer()).find("Broken"), std::string::npos);
    RWyxShape* shape = mesh->GetShape(0);
    ASSERT_EQ(shape->GetControlPointsCount(), mesh->GetControlPointsCount());
    for (int i = 0; i < shape->GetControlPointsCount(); ++i) {
        const RVector4 d = shape->GetControlPoints()[i] - mesh->GetControlPoints()[i];
        EXPECT_NEAR(d.z, 2.0, 1e-12);
        EXPECT_LT((shape->GetNormals()[i] - mesh->GetNormals()[i]).Length3(), 1e-9);
    }
}

TEST_F(ConverterTest, SurfacesThatCannotBeSampledGiveNoMesh) {
    const int attributes = factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes);
    RWyxNurb* nurb = MakeNurb(5, 4, 6, 6);  // order 5
    EXPECT_EQ(converter.NurbToMesh(nurb), nullptr);
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorCannotTessellate);
    EXPECT_STREQ(converter.GetError().GetLastErrorString(), "Order below 1 or above 4.");
    RWyxPatch* patch = MakePatch(7, RWyxPatch::kBezier, 4, 4);
    EXPECT_EQ(converter.PatchToMesh(patch), nullptr);
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorUnsupportedPatchType);
    RWyxNurb* shortened = MakeNurb(4, 4, 4, 4);
    static_cast<RWyxLayerContainer*>(shortened)->InitControlPoints(15);  // fewer than 4 x 4
    EXPECT_EQ(converter.NurbToMesh(shortened), nullptr);
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorSizeMismatch);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), attributes + 3);
    EXPECT_EQ(converter.PatchToMesh(nullptr), nullptr);
}

// Two links on a 4 x 4 Cardinal patch (whose basis has negative values): one over every point,
// one over the first row.
class SkinTest : public ConverterTest {
protected:
    RWyxMesh* Convert(int mode) {
        RWyxPatch* patch = MakePatch(RWyxPatch::kCardinal, RWyxPatch::kCardinal, 4, 4);
        for (int l = 0; l < 2; ++l) {
            RWyxSkinLink* link = factory.CreateSkinLink();
            link->SetMode(mode);
            link->SetUserData(RString("id"), RString(l == 0 ? "all" : "row"));
            for (int k = 0; k < (l == 0 ? 16 : 4); ++k) link->AddControlPointIndex(k, l == 0 ? 0.3 : 0.9);
            link->AddControlPointIndex(99, 1.0);  // names no control point
            patch->AddDeformer(link);
        }
        return converter.PatchToMesh(patch);
    }

    // Per vertex, the weights of every link.
    static std::map<int, double> Totals(RWyxMesh& mesh) {
        std::map<int, double> totals;
        for (int l = 0; l < mesh.GetDeformerCount(); ++l) {
            RWyxSkinLink* link = mesh.GetDeformer(l);
            for (int k = 0; k < link->GetControlPointIndicesCount(); ++k) {
                totals[link->GetControlPointIndices()[k]] += link->GetControlPointWeights()[k];
            }
        }
        return totals;
    }
};

TEST_F(SkinTest, LinksOfModeNeitherBecomeTotal1WithWeightsSummingToOne) {
    RWyxMesh* mesh = Convert(RWyxSkinLink::kNormal);
    ASSERT_NE(mesh, nullptr);
    ASSERT_EQ(mesh->GetDeformerCount(), 2);
    EXPECT_EQ(mesh->GetDeformer(0)->GetMode(), RWyxSkinLink::kTotal1);
    EXPECT_STREQ(mesh->GetDeformer(1)->GetUserDataValue().Buffer(), "row");
    const std::map<int, double> totals = Totals(*mesh);
    ASSERT_EQ(totals.size(), 25u);
    for (const auto& [vertex, total] : totals) EXPECT_NEAR(total, 1.0, 1e-12) << vertex;
    const int* indices = mesh->GetDeformer(0)->GetControlPointIndices();
    EXPECT_TRUE(std::is_sorted(indices, indices + mesh->GetDeformer(0)->GetControlPointIndicesCount()));
}

TEST_F(SkinTest, AdditiveLinksSpreadTheirWeightsAsTheyAre) {
    RWyxMesh* mesh = Convert(RWyxSkinLink::kAdditive);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetDeformer(1)->GetMode(), RWyxSkinLink::kAdditive);
    RWyxSkinLink* all = mesh->GetDeformer(0);
    ASSERT_EQ(all->GetControlPointIndicesCount(), 25);
    for (int k = 0; k < 25; ++k) EXPECT_NEAR(all->GetControlPointWeights()[k], 0.3, 1e-12);
}

}  // namespace
