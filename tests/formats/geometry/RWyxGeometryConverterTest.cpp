// Meshes split into triangles, node conversions with their shape curves, patches turned into
// NURBS surfaces and swapped NURBS copies.

#include "formats/geometry/RWyxGeometryConverter.h"

#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMaterial.h"
#include "attributes/RWyxSkinLink.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxTakeNode.h"
#include "tests/formats/geometry/ConverterTestSupport.h"
#include "tests/scene/TakeTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using converter_test::ConverterTest;
using converter_test::PolygonOf;

class SplitTest : public ConverterTest {
protected:
    // Polygons of the given sizes over consecutive control points on a circle (convex), each
    // polygon vertex with UV index 100 + its position and a normal (position, 0, 0).
    RWyxMesh& MeshOf(const std::vector<int>& sizes) {
        int total = 0;
        for (const int size : sizes) total += size;
        source.InitControlPoints(total + 1);  // one unused, so that normals can map by polygon vertex
        source.InitTextureUVMapping(RWyxMesh::kKindByPolygonVertex);
        source.InitTextureUVs(100 + total);
        int point = 0;
        for (const int size : sizes) {
            source.BeginPolygon(-1, -1, 40 + size);
            for (int k = 0; k < size; ++k, ++point) {
                const double angle = 6.283185307179586 * k / size;
                source.GetControlPoints()[point].Set(std::cos(angle), std::sin(angle), 0.0, 1.0);
                source.AddPolygonVertex(point, 100 + point);
            }
        }
        source.InitNormals(total);  // by polygon vertex
        for (int v = 0; v < total; ++v) source.GetNormals()[v].Set(v, 0, 0, 0);
        return source;
    }

    RWyxMesh& source = *factory.CreateMesh();
};

TEST_F(SplitTest, PolygonsSplitInZigZagOrderCarryingTheirCornersValuesAlong) {
    RWyxMesh& mesh = *converter.SplitMeshToTriangles(&MeshOf({4, 6, 3, 2, 4}));
    const std::vector<std::vector<int>> expected = {{0, 1, 2}, {2, 3, 0},  // quad
                                                    {4, 5, 6}, {6, 7, 4}, {4, 7, 9}, {7, 8, 9},  // hexagon
                                                    {10, 11, 12}, {13, 14},  // copied as they are
                                                    {15, 16, 17}, {17, 18, 15}};
    ASSERT_EQ(mesh.GetPolygonCount(), static_cast<int>(expected.size()));
    for (int p = 0; p < mesh.GetPolygonCount(); ++p) {
        ASSERT_EQ(PolygonOf(mesh, p), expected[static_cast<size_t>(p)]) << p;
        for (int k = 0; k < mesh.GetPolygonSize(p); ++k) {
            const int corner = mesh.GetPolygonVertex(p, k);
            EXPECT_EQ(mesh.GetTextureUVIndex(p, k), 100 + corner);
            RVector4 normal;
            ASSERT_TRUE(mesh.GetPolygonVertexNormal(p, k, normal));
            EXPECT_DOUBLE_EQ(normal.x, corner);  // the corner's own normal, not the one at its new place
        }
        EXPECT_EQ(mesh.GetPolygonGroup(p), source.GetPolygonGroup(p < 2 ? 0 : p < 6 ? 1 : p < 8 ? p - 4 : 4));
    }
    EXPECT_EQ(mesh.GetControlPointsCount(), source.GetControlPointsCount());
    EXPECT_EQ(source.GetPolygonCount(), 5);  // the source stays as it was
    EXPECT_EQ(converter.SplitMeshToTriangles(nullptr), nullptr);
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorNullSource);
}

TEST_F(SplitTest, MaterialsFollowTheirPolygonsAndAMeshWithoutGainsNone) {
    RWyxMesh& plain = *converter.SplitMeshToTriangles(&MeshOf({5, 4}));
    EXPECT_EQ(plain.GetPolygonCount(), 5);
    EXPECT_EQ(plain.GetLayer(0)->GetMaterials(), nullptr);

    source.InitMaterialIndices(RWyxMesh::kKindByPolygon);
    source.AddMaterial(factory.CreateMaterial("Red"));
    source.AddMaterial(factory.CreateMaterial("Blue"));
    source.GetLayer(0)->GetMaterials()->IndexArray() = {1, 0};
    RWyxMesh& mesh = *converter.SplitMeshToTriangles(&source);
    ASSERT_EQ(mesh.GetMaterialIndexCount(), 5);
    EXPECT_EQ(std::vector<int>(mesh.GetMaterialIndices(), mesh.GetMaterialIndices() + 5),
              (std::vector<int>{1, 1, 1, 0, 0}));
}

TEST_F(SplitTest, ConcaveAndLargePolygonsAreSplitWhole) {
    RWyxMesh& large = *converter.SplitMeshToTriangles(&MeshOf({200}));
    EXPECT_EQ(large.GetPolygonCount(), 198);

    // A chevron: the zig-zag's first triangle (0, 1, 2) would be its notch.
    RWyxMesh& chevron = *factory.CreateMesh();
    const double xy[6][2] = {{0, 0}, {1.5, 1.5}, {3, 0}, {3, 1.5}, {1.5, 3}, {0, 1.5}};
    chevron.InitControlPoints(6);
    chevron.BeginPolygon();
    for (int k = 0; k < 6; ++k) {
        chevron.GetControlPoints()[k].Set(xy[k][0], xy[k][1], 0, 1);
        chevron.AddPolygonVertex(k);
    }
    RWyxMesh& split = *converter.SplitMeshToTriangles(&chevron);
    ASSERT_EQ(split.GetPolygonCount(), 4);
    double area = 0.0;
    for (int p = 0; p < 4; ++p) {
        const std::vector<int> t = PolygonOf(split, p);
        const RVector4* c = split.GetControlPoints();
        const double signedArea = 0.5 * (c[t[1]] - c[t[0]]).Cross3(c[t[2]] - c[t[0]]).z;
        EXPECT_GT(signedArea, 0.0) << p;
        area += signedArea;
    }
    EXPECT_DOUBLE_EQ(area, 4.5);
}

// ---- node conversions ----------------------------------------------------------------------------

class NodeTest : public ConverterTest {
protected:
    void SetUp() override {
        node->AddTakeNode("Take 001");
        node->SetNodeAttribute(patch);
        AddShape(*patch, "Smile", RVector4(0, 0, 1, 0));
        for (int t = 0; t < 2; ++t) {
            RFCurve* curve = patch->GetShapeChannel(node->GetTakeNode(t), 0);
            curve->SetDefaultValue(25.0f + t);
            take_test::AddKey(*curve, 1.0 + t, 50.0f);
        }
    }

    RWyxNode* node = factory.CreateNode("Face");
    RWyxPatch* patch = MakePatch(RWyxPatch::kBSpline, RWyxPatch::kBSpline, 4, 4);
};

TEST_F(NodeTest, ShapeCurvesOfEveryTakeSurviveTheConversionToAMesh) {
    const int attributes = factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes);
    ASSERT_TRUE(converter.ConvertNodeToMesh(node));
    RWyxMesh* mesh = node->GetMesh();
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), attributes);  // the patch destroyed
    ASSERT_EQ(mesh->GetShapeCount(), 1);
    for (int t = 0; t < 2; ++t) {
        const RFCurve* curve = mesh->GetShapeChannel(node->GetTakeNode(t), 0);
        ASSERT_NE(curve, nullptr);
        EXPECT_FLOAT_EQ(curve->GetDefaultValue(), 25.0f + t) << "take " << t;
        EXPECT_EQ(curve->GetKeyCount(), 1) << "take " << t;
    }
    // A mesh is split again; a node without geometry is left alone.
    ASSERT_TRUE(converter.ConvertNodeToMesh(node));
    EXPECT_EQ(node->GetMesh()->GetShapeChannel(node->GetTakeNode(1), 0)->GetKeyCount(), 1);
    RWyxNode* empty = factory.CreateNode("Empty");
    EXPECT_FALSE(converter.ConvertNodeToMesh(empty));
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorNoGeometry);
}

TEST_F(NodeTest, AShapeChannelMissingInATakeIsPassedOver) {
    RFCurveNode* root = node->GetTakeNode(1)->GetRootCurveNode();
    root->DeleteChild(root->GetChildIndexByName("Smile"));
    ASSERT_TRUE(converter.ConvertNodePatchToNurb(node));
    RWyxNurb* nurb = node->GetNurb();
    ASSERT_NE(nurb, nullptr);
    EXPECT_EQ(nurb->GetShapeChannel(node->GetTakeNode(0), 0)->GetKeyCount(), 1);
    EXPECT_EQ(nurb->GetShapeChannel(node->GetTakeNode(1), 0)->GetKeyCount(), 0);  // made anew, empty
    EXPECT_FALSE(converter.ConvertNodePatchToNurb(node));  // no patch any more
}

TEST_F(NodeTest, AFailedConversionLeavesTheNodeAsItWas) {
    patch->SetStep(0, 4);
    EXPECT_FALSE(converter.ConvertNodeToMesh(node));
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorCannotTessellate);
    EXPECT_EQ(node->GetPatch(), patch);
    EXPECT_EQ(patch->GetShapeChannel(node->GetTakeNode(1), 0)->GetKeyCount(), 1);
}

// ---- patches to NURBS surfaces ----------------------------------------------------------------------

class PatchToNurbTest : public ConverterTest {
protected:
    // Both tessellated at step 3: a Bezier NURBS span holds what a patch segment samples at
    // every third point.
    void ExpectSameSurface(RWyxPatch& source, int uStride) {
        RWyxNurb* nurb = converter.PatchToNurb(&source);
        ASSERT_NE(nurb, nullptr);
        EXPECT_EQ(nurb->GetUKnotCount(), RWyxNurb::KnotCount(nurb->GetUCount(), nurb->GetUOrder(), nurb->GetUType()));
        RWyxMesh* fromPatch = converter.PatchToMesh(&source);
        RWyxMesh* fromNurb = converter.NurbToMesh(nurb);
        ASSERT_NE(fromPatch, nullptr);
        ASSERT_NE(fromNurb, nullptr);
        const int patchU = fromPatch->GetControlPointsCount() / 3;  // V: linear of 3 points, step 1
        const int nurbU = fromNurb->GetControlPointsCount() / 3;
        ASSERT_EQ((nurbU - (source.GetUClosed() ? 0 : 1)) * uStride, patchU - (source.GetUClosed() ? 0 : 1));
        for (int j = 0; j < 3; ++j) {
            for (int i = 0; i < nurbU; ++i) {
                const RVector4& a = fromNurb->GetControlPoints()[j * nurbU + i];
                const RVector4& b = fromPatch->GetControlPoints()[j * patchU + i * uStride];
                EXPECT_LT((a - b).Length3(), 1e-6) << i << ", " << j;
            }
        }
    }
};

TEST_F(PatchToNurbTest, BezierPatchesKeepTheirSurfaceWhateverTheirPointCount) {
    for (const int count : {7, 8, 9}) {
        SCOPED_TRACE(count);
        RWyxPatch& patch = *MakePatch(RWyxPatch::kBezier, RWyxPatch::kLinear, count, 3, 1);
        patch.SetStep(1, 1);
        ExpectSameSurface(patch, 3);
    }
    RWyxPatch& closed = *MakePatch(RWyxPatch::kBezier, RWyxPatch::kLinear, 6, 3, 1);
    closed.SetClosed(true, false);
    ExpectSameSurface(closed, 3);
    RWyxNurb* nurb = converter.PatchToNurb(&closed);
    EXPECT_EQ(nurb->GetUType(), RWyxNurb::kClosed);
    EXPECT_EQ(std::vector<double>(nurb->GetUKnotVector(), nurb->GetUKnotVector() + 13),
              (std::vector<double>{0, 0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 2, 2}));
}

TEST_F(PatchToNurbTest, BSplineAndLinearPatchesKeepTheirSurfaceOpenAndClosed) {
    for (const bool closed : {false, true}) {
        SCOPED_TRACE(closed);
        RWyxPatch& bspline = *MakePatch(RWyxPatch::kBSpline, RWyxPatch::kLinear, 6, 3, 1);
        bspline.SetClosed(closed, false);
        ExpectSameSurface(bspline, 1);
        RWyxPatch& linear = *MakePatch(RWyxPatch::kLinear, RWyxPatch::kLinear, 5, 3, 1);
        linear.SetClosed(closed, false);
        ExpectSameSurface(linear, 1);
        RWyxNurb* nurb = converter.PatchToNurb(&linear);
        EXPECT_EQ(nurb->GetUType(), closed ? RWyxNurb::kClosed : RWyxNurb::kOpen);
        EXPECT_EQ(nurb->GetUOrder(), 2);
    }
    RWyxNurb* periodic = converter.PatchToNurb(MakePatch(RWyxPatch::kBSpline, RWyxPatch::kLinear, 4, 2));
    EXPECT_EQ(periodic->GetUType(), RWyxNurb::kOpen);
    EXPECT_EQ(std::vector<double>(periodic->GetVKnotVector(), periodic->GetVKnotVector() + 4),
              (std::vector<double>{0, 0, 1, 1}));
}

TEST_F(PatchToNurbTest, PatchesThatCannotBeNurbsAreRefusedAndCopiesCarryRepairedShapes) {
    EXPECT_EQ(converter.PatchToNurb(MakePatch(RWyxPatch::kCardinal, RWyxPatch::kBezier, 4, 4)), nullptr);
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorUnsupportedPatchType);
    const int nurbs = factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes);
    EXPECT_EQ(converter.PatchToNurb(MakePatch(RWyxPatch::kBezier, RWyxPatch::kBezier, 3, 4)), nullptr);
    EXPECT_EQ(converter.GetError().GetLastErrorCode(), RWyxGeometryConverter::kErrorCannotConvertPatch);
    EXPECT_FALSE(converter.GetMessageText().IsEmptyText());
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kNodeAttributes), nurbs + 1);  // only the patch made

    RWyxPatch& patch = *MakePatch(RWyxPatch::kBezier, RWyxPatch::kBSpline, 4, 4);
    RWyxShape* shape = AddShape(patch, "Brow", RVector4(0, 1, 0, -1));  // w 0 everywhere
    shape->InitNormals(0);
    shape->GetNormals()[3].w = -2.0;
    RWyxNurb* nurb = converter.PatchToNurb(&patch);
    ASSERT_NE(nurb, nullptr);
    EXPECT_NE(nurb->GetShape(0), shape);
    EXPECT_DOUBLE_EQ(nurb->GetShape(0)->GetControlPoints()[5].w, 1.0);
    EXPECT_DOUBLE_EQ(nurb->GetShape(0)->GetNormals()[3].w, 1.0);
    EXPECT_DOUBLE_EQ(nurb->GetControlPoints()[5].w, 1.0);
    EXPECT_EQ(nurb->GetUOrder(), 4);
    EXPECT_EQ(nurb->GetVType(), RWyxNurb::kOpen);
}

// ---- swapped NURBS copies ----------------------------------------------------------------------------

TEST_F(ConverterTest, SwappedCopiesTransposeTheSurfaceAndRemappedOnesRenumberTheLinks) {
    RWyxNurb& nurb = *factory.CreateNurb();
    nurb.SetOrder(3, 2);
    nurb.InitControlPoints(3, RWyxNurb::kOpen, 2, RWyxNurb::kPeriodic);
    nurb.SetStep(5, 6);
    for (int k = 0; k < nurb.GetUKnotCount(); ++k) nurb.GetUKnotVector()[k] = 10 + k;
    for (int k = 0; k < nurb.GetVKnotCount(); ++k) nurb.GetVKnotVector()[k] = 20 + k;
    for (int p = 0; p < 6; ++p) nurb.GetControlPoints()[p].Set(p, 0, 0, 1);
    AddShape(nurb, "Pout", RVector4(0, 1, 0, 0));
    RWyxSkinLink* link = factory.CreateSkinLink();
    for (int k = 0; k < 6; ++k) link->AddControlPointIndex(k, 0.5);
    nurb.AddDeformer(link);

    RWyxNurb& swapped = *converter.CopyNurbSwapped(&nurb, true, false);
    EXPECT_EQ(swapped.GetUOrder(), 2);
    EXPECT_EQ(swapped.GetVOrder(), 3);
    EXPECT_EQ(swapped.GetUCount(), 2);
    EXPECT_EQ(swapped.GetUType(), RWyxNurb::kPeriodic);
    EXPECT_EQ(swapped.GetUStep(), 6);
    ASSERT_EQ(swapped.GetUKnotCount(), nurb.GetVKnotCount());
    EXPECT_DOUBLE_EQ(swapped.GetUKnotVector()[0], 20.0);
    EXPECT_DOUBLE_EQ(swapped.GetVKnotVector()[5], 15.0);
    const std::vector<double> transposed = {0, 3, 1, 4, 2, 5};  // (u, v) at u x 2 + v
    for (int p = 0; p < 6; ++p) {
        EXPECT_DOUBLE_EQ(swapped.GetControlPoints()[p].x, transposed[static_cast<size_t>(p)]);
        EXPECT_DOUBLE_EQ(swapped.GetShape(0)->GetControlPoints()[p].x, transposed[static_cast<size_t>(p)]);
        EXPECT_EQ(swapped.GetDeformer(0)->GetControlPointIndices()[p], p);
    }

    RWyxNurb& remapped = *converter.CopyNurbSwapped(&nurb, false, true);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(remapped.GetDeformer(0)->GetControlPointIndices()[k], (k % 3) * 2 + k / 3);
        EXPECT_DOUBLE_EQ(remapped.GetControlPoints()[k].x, k);
    }
    EXPECT_EQ(link->GetControlPointIndices()[1], 1);  // the source's link is its own
    EXPECT_EQ(converter.CopyNurbSwapped(nullptr, true, true), nullptr);
}

}  // namespace
