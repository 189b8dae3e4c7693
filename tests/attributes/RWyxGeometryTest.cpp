// The geometry base: pivot, skin links, shapes with their channels and the version-5 channel
// names, and copies that never share a link or a shape with their source.

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "core/RDataType.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include <gtest/gtest.h>

#include "tests/attributes/CurveDefaults.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using attribute_test::DefaultOf;

std::vector<std::string> ChildNames(const RWyxTakeNode& takeNode) {
    std::vector<std::string> names;
    const RFCurveNode* root = takeNode.GetRootCurveNode();
    for (int i = 0; i < root->GetChildCount(); ++i) names.emplace_back(root->GetChild(i)->GetName());
    return names;
}

bool IsFinite(const RVector4& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

class GeometryTest : public ::testing::Test {
protected:
    RWyxShape* ShapeOf(int points) {
        RWyxShape* shape = factory.CreateShape();
        shape->InitControlPoints(points);
        return shape;
    }

    RWyxObjectFactory factory;
    RWyxMesh& mesh = *factory.CreateMesh();
};

// ---- pivot ------------------------------------------------------------------------------------

TEST_F(GeometryTest, PivotIsCopiedAsAxisRowsAndTranslation) {
    RMatrix pivot = RMatrix::ConstructFromTRS(RVector4(1, 2, 3, 0), RVector4(0, 90, 0, 0), RVector4(2, 2, 2, 0));
    pivot[0][3] = 7.0;  // the fourth column is not the pivot's
    mesh.SetPivot(pivot);
    RMatrix out;
    out[1][3] = 5.0;
    mesh.GetPivot(out);
    EXPECT_EQ(MatrixCompare(out, pivot, 1e-12), 0);
    EXPECT_DOUBLE_EQ(out[1][3], 5.0);
    EXPECT_DOUBLE_EQ(mesh.GetPivotMatrix()[0][3], 0.0);
    RWyxPatch& patch = *factory.CreatePatch();
    patch.CopyPivot(mesh);
    EXPECT_EQ(MatrixCompare(patch.GetPivotMatrix(), pivot, 1e-12), 0);
}

TEST_F(GeometryTest, ApplyingThePivotBakesPointsNormalsAndShapesOnce) {
    mesh.InitControlPoints(2);
    mesh.GetControlPoints()[0].Set(1, 0, 0, 0.5);
    mesh.GetControlPoints()[1].Set(0, 1, 0, 1);
    mesh.InitNormals(0);
    mesh.GetNormals()[0].Set(1, 0, 0, 1);
    mesh.GetNormals()[1].Set(0, 1, 0, 1);
    RWyxShape* shape = ShapeOf(1);
    shape->GetControlPoints()[0].Set(0, 0, 1, 1);
    mesh.AddShape(shape, "Bulge");
    // Scale x by 2 and y by 4, then move by (10, 20, 30).
    mesh.SetPivot(RMatrix::ConstructFromTRS(RVector4(10, 20, 30, 0), RVector4(), RVector4(2, 4, 1, 0)));

    mesh.ApplyPivotToControlPoints();
    const RVector4& p0 = mesh.GetControlPoints()[0];
    EXPECT_DOUBLE_EQ(p0.x, 12.0);
    EXPECT_DOUBLE_EQ(p0.y, 20.0);
    EXPECT_DOUBLE_EQ(p0.w, 0.5);  // the weight stays
    EXPECT_DOUBLE_EQ(mesh.GetControlPoints()[1].y, 24.0);
    EXPECT_DOUBLE_EQ(shape->GetControlPoints()[0].z, 31.0);
    EXPECT_DOUBLE_EQ(mesh.GetNormals()[1].y, 1.0);  // unit length again
    EXPECT_DOUBLE_EQ(mesh.GetNormals()[1].w, 1.0);
    EXPECT_EQ(MatrixCompare(mesh.GetPivotMatrix(), RMatrix::Identity(), 0.0), 0);

    mesh.ApplyPivotToControlPoints();  // nothing left to apply
    EXPECT_DOUBLE_EQ(mesh.GetControlPoints()[0].x, 12.0);
}

struct NormalCase {
    const char* what;
    RVector4 scaling;
    RVector4 normal;
    RVector4 expected;
};

TEST_F(GeometryTest, NormalsFollowTheInverseTransposeAndZeroScaleGivesNoNaN) {
    const double r = std::sqrt(0.5);
    const double f = 1.0 / std::sqrt(5.0);
    const NormalCase cases[] = {
        // The plane x + y = c becomes x / 2 + y = c, whose normal is (1, 2, 0) / sqrt(5).
        {"non-uniform scale", {2, 1, 1, 0}, {r, r, 0, 1}, {f, 2 * f, 0, 1}},
        {"a flattened axis turns nothing", {0, 1, 0, 0}, {0, 0, 1, 1}, {0, 0, 0, 1}},
        {"everything flattened", {0, 0, 0, 0}, {r, r, 0, 1}, {0, 0, 0, 1}},
    };
    for (const NormalCase& c : cases) {
        SCOPED_TRACE(c.what);
        mesh.InitControlPoints(1);
        mesh.GetControlPoints()[0].Set(1, 2, 3, 1);
        mesh.InitNormals(0);
        mesh.GetNormals()[0] = c.normal;
        mesh.SetPivot(RMatrix::ConstructFromTRS(RVector4(5, 0, 0, 0), RVector4(), c.scaling));
        mesh.ApplyPivotToControlPoints();
        const RVector4& normal = mesh.GetNormals()[0];
        EXPECT_TRUE(IsFinite(mesh.GetControlPoints()[0]));
        EXPECT_NEAR(normal.x, c.expected.x, 1e-12);
        EXPECT_NEAR(normal.y, c.expected.y, 1e-12);
        EXPECT_NEAR(normal.z, c.expected.z, 1e-12);
    }
}

// A pivot whose axis rows are not orthogonal (the full pivot conversion composes geometric
// transforms that can shear), one that mirrors, and one too large to square.
TEST_F(GeometryTest, NormalsOfShearedMirroredAndHugePivotsStayPerpendicularToTheirSurfaces) {
    const double r = std::sqrt(0.5);
    const double f = 1.0 / std::sqrt(17.0);
    struct Case {
        const char* what;
        double rows[3][3];
        RVector4 normal;
        RVector4 expected;
    };
    const Case cases[] = {
        // (x, y, z) -> (x + y, y, z): the plane x = c becomes x - y = c, the plane y = c stays.
        {"shear, x plane", {{1, 0, 0}, {1, 1, 0}, {0, 0, 1}}, {1, 0, 0, 1}, {r, -r, 0, 1}},
        {"shear, y plane", {{1, 0, 0}, {1, 1, 0}, {0, 0, 1}}, {0, 1, 0, 1}, {0, 1, 0, 1}},
        {"mirror", {{-1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {1, 0, 0, 1}, {-1, 0, 0, 1}},
        {"huge", {{4e200, 0, 0}, {0, 1e200, 0}, {0, 0, 1e200}}, {r, r, 0, 1}, {f, 4 * f, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mesh.InitControlPoints(1);
        mesh.InitNormals(0);
        mesh.GetNormals()[0] = c.normal;
        RMatrix pivot;
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 3; ++column) pivot[row][column] = c.rows[row][column];
        }
        mesh.SetPivot(pivot);
        mesh.ApplyPivotToControlPoints();
        const RVector4& normal = mesh.GetNormals()[0];
        EXPECT_NEAR(normal.x, c.expected.x, 1e-12);
        EXPECT_NEAR(normal.y, c.expected.y, 1e-12);
        EXPECT_NEAR(normal.z, c.expected.z, 1e-12);
    }
}

// ---- skin links ----------------------------------------------------------------------------------

TEST_F(GeometryTest, SkinLinksAreAddedOnceAndReadByIndex) {
    RWyxSkinLink* first = factory.CreateSkinLink();
    RWyxSkinLink* second = factory.CreateSkinLink();
    EXPECT_EQ(mesh.AddDeformer(first), 0);
    EXPECT_EQ(mesh.AddDeformer(second), 1);
    EXPECT_EQ(mesh.AddDeformer(first), 0);
    EXPECT_EQ(mesh.AddDeformer(nullptr), -1);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorNullSkinLink);
    EXPECT_EQ(mesh.GetDeformerCount(), 2);
    EXPECT_EQ(mesh.GetDeformer(1), second);
    EXPECT_EQ(mesh.GetDeformer(2), nullptr);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorIndexOutOfRange);
    mesh.ClearDeformers();
    EXPECT_EQ(mesh.GetDeformerCount(), 0);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kSkinLinks), 2);  // cleared, not destroyed
}

TEST_F(GeometryTest, CopiedSkinLinksAreNewAndTheReplacedOnesAreDestroyed) {
    RWyxNode* bone = factory.CreateNode("Bone");
    RWyxSkinLink* source = factory.CreateSkinLink();
    source->SetLink(bone);
    source->AddControlPointIndex(3, 0.25);
    mesh.AddDeformer(source);
    RWyxPatch& patch = *factory.CreatePatch();
    patch.AddDeformer(factory.CreateSkinLink());
    ASSERT_EQ(factory.GetObjectCount(RWyxObjectFactory::kSkinLinks), 2);

    ASSERT_TRUE(patch.CopyDeformers(mesh));
    ASSERT_EQ(patch.GetDeformerCount(), 1);
    RWyxSkinLink* copy = patch.GetDeformer(0);
    EXPECT_NE(copy, source);
    EXPECT_EQ(copy->GetLink(), bone);
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kSkinLinks), 2);  // one made, one destroyed
    copy->GetControlPointIndices()[0] = 9;
    copy->AddControlPointIndex(4, 1.0);
    EXPECT_EQ(source->GetControlPointIndices()[0], 3);
    EXPECT_EQ(source->GetControlPointIndicesCount(), 1);

    // A link the source still holds is not destroyed with the replaced ones.
    patch.AddDeformer(source);
    ASSERT_TRUE(patch.CopyDeformers(mesh));
    EXPECT_EQ(mesh.GetDeformer(0), source);
    EXPECT_EQ(source->GetControlPointIndicesCount(), 1);
}

TEST_F(GeometryTest, CopiesNeedAFactoryAndAFailedAssignChangesNothing) {
    RWyxMesh lone(nullptr);
    RWyxSkinLink* own = factory.CreateSkinLink();
    lone.AddDeformer(own);
    lone.InitControlPoints(3);
    mesh.AddShape(ShapeOf(0), "Only");  // shapes to copy, no links
    EXPECT_FALSE(lone.Assign(mesh));
    EXPECT_EQ(lone.GetError().GetLastErrorCode(), RWyxGeometry::kErrorNoFactory);
    EXPECT_EQ(lone.GetDeformer(0), own);
    EXPECT_EQ(lone.GetControlPointsCount(), 3);

    mesh.AddDeformer(factory.CreateSkinLink());
    EXPECT_FALSE(lone.CopyDeformers(mesh));
    EXPECT_EQ(lone.GetDeformerCount(), 1);
}

// ---- shapes --------------------------------------------------------------------------------------

struct ShapeRefusal {
    const char* what;
    bool nullShape;
    bool sameShape;
    const char* name;
    int error;
};

TEST_F(GeometryTest, AddShapeRefusesWhatWouldMakeTwoShapesOrChannelsAlike) {
    RWyxShape* smile = ShapeOf(0);
    ASSERT_EQ(mesh.AddShape(smile, "Smile"), 0);
    const ShapeRefusal cases[] = {
        {"null shape", true, false, "Frown", RWyxGeometry::kErrorNullShape},
        {"shape already added", false, true, "Frown", RWyxGeometry::kErrorShapeAlreadyAdded},
        {"null name", false, false, nullptr, RWyxGeometry::kErrorEmptyShapeName},
        {"empty name", false, false, "", RWyxGeometry::kErrorEmptyShapeName},
        {"name used", false, false, "Smile", RWyxGeometry::kErrorShapeNameUsed},
        {"name used in another case", false, false, "SMILE", RWyxGeometry::kErrorShapeNameUsed},
    };
    for (const ShapeRefusal& c : cases) {
        SCOPED_TRACE(c.what);
        RWyxShape* shape = c.nullShape ? nullptr : c.sameShape ? smile : ShapeOf(0);
        EXPECT_EQ(mesh.AddShape(shape, c.name), -1);
        EXPECT_EQ(mesh.GetError().GetLastErrorCode(), c.error);
        EXPECT_EQ(mesh.GetShapeCount(), 1);
    }
    EXPECT_EQ(mesh.AddShape(ShapeOf(0), "Frown"), 1);
    EXPECT_STREQ(mesh.GetShapeName(1), "Frown");
    EXPECT_EQ(mesh.GetShape(0), smile);
    EXPECT_EQ(mesh.GetShape(2), nullptr);
    EXPECT_EQ(mesh.GetShapeName(-1), nullptr);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorIndexOutOfRange);
    EXPECT_EQ(mesh.FindShape("frown"), 1);
}

TEST_F(GeometryTest, ShapeChannelsLiveInEveryTakeNodeOfTheOwner) {
    RWyxNode* node = factory.CreateNode("Face");
    node->AddTakeNode("Take 001");
    mesh.AddShape(ShapeOf(0), "Blink");  // detached: no channel yet
    node->SetNodeAttribute(&mesh);
    mesh.AddShape(ShapeOf(0), "Smile");
    RWyxTakeNode* later = node->AddTakeNode("Take 002");
    for (int take = 0; take < node->GetTakeNodeCount(); ++take) {
        RWyxTakeNode* takeNode = node->GetTakeNode(take);
        SCOPED_TRACE(takeNode->GetName().Buffer());
        for (int shape = 0; shape < 2; ++shape) {
            RFCurve* curve = mesh.GetShapeChannel(takeNode, shape);
            ASSERT_NE(curve, nullptr);
            const RFCurveNode* root = takeNode->GetRootCurveNode();
            const RFCurveNode* channel = root->GetChild(root->GetChildIndexByName(mesh.GetShapeName(shape)));
            EXPECT_EQ(channel->GetCurve(), curve);
            EXPECT_EQ(channel->GetDataType(), RDataType::FindByName("Shape"));
        }
    }
    EXPECT_EQ(mesh.GetShapeChannel(later, 2), nullptr);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorIndexOutOfRange);
    EXPECT_EQ(mesh.GetShapeChannel(nullptr, 0), nullptr);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorShapeChannelNotFound);

    node->SetNodeAttribute(nullptr);
    EXPECT_EQ(mesh.GetShapeChannel(later, 0), nullptr);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorShapeChannelNotFound);
}

// A shape named as one of the node's own channels never reads its weights from that channel,
// and taking the shape's channels away leaves the node's alone.
TEST_F(GeometryTest, AShapeNeverTakesTheNodesChannelOfItsName) {
    RWyxNode* node = factory.CreateNode("Face");
    RWyxTakeNode* takeNode = node->GetDefaultTakeNode();
    const RFCurveNode* root = takeNode->GetRootCurveNode();
    const int visibility = root->GetChildIndexByName("Visibility");
    ASSERT_GE(visibility, 0);
    const RFCurve* visibilityCurve = root->GetChild(visibility)->GetCurve();

    node->SetNodeAttribute(&mesh);
    EXPECT_EQ(mesh.AddShape(ShapeOf(0), "Visibility"), -1);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorShapeNameUsed);
    node->SetNodeAttribute(nullptr);

    // Added while detached, the name cannot be refused: the shape then has no channel.
    ASSERT_EQ(mesh.AddShape(ShapeOf(0), "visibility"), 0);
    node->SetNodeAttribute(&mesh);
    EXPECT_EQ(mesh.GetShapeChannel(takeNode, 0), nullptr);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorShapeChannelNotFound);
    node->SetNodeAttribute(nullptr);
    ASSERT_EQ(root->GetChildIndexByName("Visibility"), visibility);
    EXPECT_EQ(root->GetChild(visibility)->GetCurve(), visibilityCurve);

    // A shape channel already there (read from a file before its shape) is the shape's.
    RFCurveNode* readChannel = RFCurveNode::Create("Read", RDataType::FindByName("Shape"));
    readChannel->SetCurve(RFCurve::Create(), true);
    readChannel->GetCurve()->SetDefaultValue(25.0f);
    takeNode->GetRootCurveNode()->AddChild(readChannel);
    node->SetNodeAttribute(&mesh);
    ASSERT_EQ(mesh.AddShape(ShapeOf(0), "Read"), 1);
    ASSERT_NE(mesh.GetShapeChannel(takeNode, 1), nullptr);
    EXPECT_EQ(mesh.GetShapeChannel(takeNode, 1)->GetDefaultValue(), 25.0f);
    node->SetNodeAttribute(nullptr);
}

TEST_F(GeometryTest, CopiedShapesAreNewAndKeepTheChannelsOfNamesThatRemain) {
    RWyxNode* node = factory.CreateNode("Face");
    node->SetNodeAttribute(&mesh);
    mesh.AddShape(ShapeOf(2), "Smile");
    mesh.AddShape(ShapeOf(2), "Gone");
    RWyxTakeNode* takeNode = node->GetDefaultTakeNode();
    mesh.GetShapeChannel(takeNode, 0)->SetDefaultValue(40.0f);

    RWyxPatch& source = *factory.CreatePatch();
    RWyxShape* sourceSmile = ShapeOf(2);
    sourceSmile->GetControlPoints()[1].x = 6.0;
    source.AddShape(sourceSmile, "Smile");
    source.AddShape(ShapeOf(2), "Wink");
    const int shapesBefore = factory.GetObjectCount(RWyxObjectFactory::kShapes);

    ASSERT_TRUE(mesh.CopyShapes(source));
    EXPECT_EQ(factory.GetObjectCount(RWyxObjectFactory::kShapes), shapesBefore);  // two made, two destroyed
    ASSERT_EQ(mesh.GetShapeCount(), 2);
    EXPECT_NE(mesh.GetShape(0), sourceSmile);
    EXPECT_DOUBLE_EQ(mesh.GetShape(0)->GetControlPoints()[1].x, 6.0);
    mesh.GetShape(0)->GetControlPoints()[1].x = 1.0;
    EXPECT_DOUBLE_EQ(sourceSmile->GetControlPoints()[1].x, 6.0);

    EXPECT_FLOAT_EQ(DefaultOf(mesh.GetShapeChannel(takeNode, 0)), 40.0f);
    EXPECT_NE(mesh.GetShapeChannel(takeNode, 1), nullptr);  // "Wink" made
    EXPECT_EQ(takeNode->GetRootCurveNode()->GetChildIndexByName("Gone"), -1);

    // A shape the source still holds is not destroyed with the replaced ones.
    mesh.AddShape(sourceSmile, "Shared");
    const int shapesNow = factory.GetObjectCount(RWyxObjectFactory::kShapes);
    ASSERT_TRUE(mesh.CopyShapes(source));
    ASSERT_EQ(factory.GetObjectCount(RWyxObjectFactory::kShapes), shapesNow);  // two made, two destroyed
    EXPECT_DOUBLE_EQ(source.GetShape(0)->GetControlPoints()[1].x, 6.0);
    node->SetNodeAttribute(nullptr);
}

// Names and shapes replaced by a copy are free again; the copies' names are taken.
TEST_F(GeometryTest, ShapesAreFoundByNameAndIdentityAfterACopyReplacesThem) {
    RWyxShape* kept = ShapeOf(0);
    mesh.AddShape(kept, "Gone");
    mesh.AddShape(ShapeOf(0), "Left");
    RWyxPatch& source = *factory.CreatePatch();
    source.AddShape(kept, "Smile");
    source.AddShape(ShapeOf(0), "Wink");
    ASSERT_TRUE(mesh.CopyShapes(source));
    EXPECT_EQ((std::vector<int>{mesh.FindShape("WINK"), mesh.FindShape("smile"), mesh.FindShape("Gone"),
                                mesh.FindShape("Left")}),
              (std::vector<int>{1, 0, -1, -1}));
    EXPECT_EQ(mesh.AddShape(ShapeOf(0), "wInK"), -1);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorShapeNameUsed);
    EXPECT_EQ(mesh.AddShape(kept, "left"), 2);  // listed in the source only now
    EXPECT_EQ(mesh.AddShape(mesh.GetShape(0), "Again"), -1);
    EXPECT_EQ(mesh.GetError().GetLastErrorCode(), RWyxGeometry::kErrorShapeAlreadyAdded);
    EXPECT_EQ(mesh.FindShape("LEFT"), 2);
}

// "Shape 00" is the name shape 0 takes for the write: it must not be taken for shape 1's.
TEST_F(GeometryTest, VersionFiveNamesAreUndoneInPlaceWithTheirCurves) {
    RWyxNode* node = factory.CreateNode("Face");
    node->SetNodeAttribute(&mesh);
    mesh.AddShape(ShapeOf(0), "X");
    mesh.AddShape(ShapeOf(0), "Shape 00");
    RWyxTakeNode& takeNode = *node->GetDefaultTakeNode();
    mesh.GetShapeChannel(&takeNode, 0)->SetDefaultValue(10.0f);
    mesh.GetShapeChannel(&takeNode, 1)->SetDefaultValue(20.0f);
    takeNode.GetRootCurveNode()->AddChild(RFCurveNode::Create("After", nullptr));
    const std::vector<std::string> before = ChildNames(takeNode);

    mesh.PrepareShapeChannels(takeNode);
    mesh.PrepareShapeChannels(takeNode);  // once only
    std::vector<std::string> renamed = before;
    renamed[renamed.size() - 3] = "Shape 00";
    renamed[renamed.size() - 2] = "Shape 01";
    ASSERT_EQ(ChildNames(takeNode), renamed);
    EXPECT_FLOAT_EQ(DefaultOf(takeNode.FindCurve("Shape 00", nullptr, nullptr)), 10.0f);
    EXPECT_FLOAT_EQ(DefaultOf(takeNode.FindCurve("Shape 01", nullptr, nullptr)), 20.0f);
    EXPECT_EQ(mesh.GetShapeChannel(&takeNode, 0), nullptr);

    mesh.RestoreShapeChannels(takeNode);
    mesh.ClearShapeChannelRecords();
    EXPECT_EQ(ChildNames(takeNode), before);
    EXPECT_FLOAT_EQ(DefaultOf(mesh.GetShapeChannel(&takeNode, 0)), 10.0f);
    EXPECT_FLOAT_EQ(DefaultOf(mesh.GetShapeChannel(&takeNode, 1)), 20.0f);
    node->SetNodeAttribute(nullptr);
}

}  // namespace
