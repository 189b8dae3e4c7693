// NURBS knot counts and vectors, NURBS and patch fields and copies, and skin-link records.

#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPatch.h"
#include "attributes/RWyxSkinLink.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxObjectFactory.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

class SurfaceTest : public ::testing::Test {
protected:
    RWyxObjectFactory factory;
    RWyxNurb& nurb = *factory.CreateNurb();
    RWyxPatch& patch = *factory.CreatePatch();
};

struct KnotCase {
    const char* what;
    int count;
    int order;
    int type;
    int knots;
};

TEST_F(SurfaceTest, KnotCountsAddOrderMinusOneForPeriodicAndClosedDirections) {
    const KnotCase cases[] = {
        {"open cubic", 4, 4, RWyxNurb::kOpen, 8},
        {"closed cubic", 4, 4, RWyxNurb::kClosed, 11},
        {"periodic cubic", 4, 4, RWyxNurb::kPeriodic, 11},
        {"periodic linear", 5, 2, RWyxNurb::kPeriodic, 8},
        {"an unknown type counts as open", 5, 3, 7, 8},
    };
    for (const KnotCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(nurb.SetOrder(c.order, 2));
        ASSERT_TRUE(nurb.InitControlPoints(c.count, c.type, 3, RWyxNurb::kOpen));
        EXPECT_EQ(nurb.GetUKnotCount(), c.knots);
        EXPECT_EQ(nurb.GetVKnotCount(), 5);
        EXPECT_EQ(nurb.GetControlPointsCount(), c.count * 3);
        EXPECT_EQ(std::vector<double>(nurb.GetUKnotVector(), nurb.GetUKnotVector() + c.knots),
                  std::vector<double>(static_cast<std::size_t>(c.knots), 0.0));
        EXPECT_EQ(std::vector<int>(nurb.GetUMultiplicity(), nurb.GetUMultiplicity() + c.count),
                  std::vector<int>(static_cast<std::size_t>(c.count), 1));
    }
}

TEST_F(SurfaceTest, ChangingTheOrderKeepsTheKnotVectorsAsLongAsTheirCounts) {
    ASSERT_TRUE(nurb.InitControlPoints(4, RWyxNurb::kClosed, 2, RWyxNurb::kOpen));
    nurb.GetUKnotVector()[10] = 3.5;  // the last of 11
    ASSERT_TRUE(nurb.SetOrder(6, 4));
    ASSERT_EQ(nurb.GetUKnotCount(), 15);
    nurb.GetUKnotVector()[14] = 1.0;  // the vector reaches the new count
    EXPECT_DOUBLE_EQ(nurb.GetUKnotVector()[10], 3.5);
    EXPECT_FALSE(nurb.SetOrder(0, 4));
    EXPECT_FALSE(nurb.SetOrder(4, -1));
    EXPECT_EQ(nurb.GetUOrder(), 6);
}

TEST_F(SurfaceTest, ControlPointCountsOutsideTheIntRangeAreRefused) {
    ASSERT_TRUE(nurb.InitControlPoints(2, RWyxNurb::kOpen, 2, RWyxNurb::kOpen));
    EXPECT_FALSE(nurb.InitControlPoints(-1, RWyxNurb::kOpen, 2, RWyxNurb::kOpen));
    EXPECT_FALSE(nurb.InitControlPoints(65536, RWyxNurb::kOpen, 65536, RWyxNurb::kOpen));
    EXPECT_FALSE(nurb.InitControlPoints(INT_MAX, RWyxNurb::kPeriodic, 0, RWyxNurb::kOpen));
    EXPECT_FALSE(patch.InitControlPoints(65536, RWyxPatch::kBezier, 65536, RWyxPatch::kBezier));
    EXPECT_FALSE(patch.InitControlPoints(3, RWyxPatch::kBezier, -3, RWyxPatch::kBezier));
    EXPECT_EQ(nurb.GetUCount(), 2);
    EXPECT_EQ(nurb.GetControlPointsCount(), 4);
    EXPECT_EQ(nurb.GetUKnotCount(), 6);
}

TEST_F(SurfaceTest, ADirectionWithoutPointsBesideOneWithPointsIsRefused) {
    ASSERT_TRUE(nurb.InitControlPoints(2, RWyxNurb::kOpen, 2, RWyxNurb::kOpen));
    EXPECT_FALSE(nurb.InitControlPoints(1000000, RWyxNurb::kOpen, 0, RWyxNurb::kOpen));
    EXPECT_FALSE(nurb.InitControlPoints(0, RWyxNurb::kOpen, 1000000, RWyxNurb::kClosed));
    EXPECT_EQ(nurb.GetUCount(), 2);
    EXPECT_EQ(nurb.GetVKnotCount(), 6) << "nothing changed";
    EXPECT_TRUE(nurb.InitControlPoints(0, RWyxNurb::kOpen, 0, RWyxNurb::kOpen)) << "no point at all is an empty surface";
    EXPECT_EQ(nurb.GetUKnotCount(), nurb.GetUOrder());
}

// Every field of a surface as numbers (knots, multiplicities and control points included),
// to compare a copy with its source.
std::vector<double> Fields(const RWyxNurb& n) {
    std::vector<double> f = {1.0 * n.GetUOrder(), 1.0 * n.GetVOrder(), 1.0 * n.GetUCount(), 1.0 * n.GetVCount(),
                             1.0 * n.GetUType(), 1.0 * n.GetVType(), 1.0 * n.GetUStep(), 1.0 * n.GetVStep(),
                             1.0 * n.GetDisplayMode(), 1.0 * n.GetSwapUVFlag(), 1.0 * n.GetSwapLinksFlag()};
    f.insert(f.end(), n.GetUKnotVector(), n.GetUKnotVector() + n.GetUKnotCount());
    f.insert(f.end(), n.GetVKnotVector(), n.GetVKnotVector() + n.GetVKnotCount());
    f.insert(f.end(), n.GetUMultiplicity(), n.GetUMultiplicity() + n.GetUCount());
    f.insert(f.end(), n.GetVMultiplicity(), n.GetVMultiplicity() + n.GetVCount());
    for (int i = 0; i < n.GetControlPointsCount(); ++i) f.push_back(n.GetControlPoints()[i].w);
    return f;
}

std::vector<double> Fields(const RWyxPatch& p) {
    std::vector<double> f = {1.0 * p.GetUType(), 1.0 * p.GetVType(), 1.0 * p.GetUCount(), 1.0 * p.GetVCount(),
                             1.0 * p.GetUStep(), 1.0 * p.GetVStep(), 1.0 * p.GetDisplayMode(), 1.0 * p.GetUClosed(),
                             1.0 * p.GetVClosed(), 1.0 * p.GetControlPointsCount()};
    for (int cap = 0; cap < RWyxPatch::kCapCount; ++cap) f.push_back(p.GetCapped(cap));
    return f;
}

TEST_F(SurfaceTest, AssignedNurbsCopyEveryFieldAndShareNothing) {
    nurb.SetOrder(3, 2);
    nurb.InitControlPoints(3, RWyxNurb::kPeriodic, 2, RWyxNurb::kClosed);
    nurb.SetStep(6, 7);
    nurb.SetDisplayMode(2);
    nurb.SetSwapUVFlag(true);
    nurb.SetSwapLinksFlag(true);
    for (int i = 0; i < nurb.GetUKnotCount(); ++i) nurb.GetUKnotVector()[i] = i;
    nurb.GetVKnotVector()[0] = -1.0;
    nurb.GetUMultiplicity()[2] = 3;
    nurb.GetVMultiplicity()[1] = 2;
    nurb.GetControlPoints()[5].w = 0.5;
    RWyxNurb& copy = *factory.CreateNurb();
    ASSERT_TRUE(copy.Assign(nurb));
    const std::vector<double> source = Fields(nurb);
    EXPECT_EQ(Fields(copy), source);
    EXPECT_EQ(copy.GetUStep() * 10 + copy.GetVStep(), 67);

    // A swapped copy, as the writers make it, never reaches back into its source.
    copy.GetVKnotVector()[0] = 9.0;
    copy.GetUMultiplicity()[0] = 9;
    copy.GetControlPoints()[5].w = 9.0;
    EXPECT_EQ(Fields(nurb), source);
}

TEST_F(SurfaceTest, PatchFieldsAndCapsAreKeptAndCopied) {
    ASSERT_TRUE(patch.InitControlPoints(4, RWyxPatch::kBSpline, 3, RWyxPatch::kLinear));
    patch.SetStep(5, 6);
    patch.SetClosed(true, false);
    patch.SetDisplayMode(1);
    EXPECT_TRUE(patch.SetCapped(RWyxPatch::kVCapTop, true));
    EXPECT_FALSE(patch.SetCapped(RWyxPatch::kCapCount, true));
    EXPECT_FALSE(patch.SetCapped(-1, true));
    EXPECT_EQ(Fields(patch), (std::vector<double>{3, 4, 4, 3, 5, 6, 1, 1, 0, 12, 0, 0, 0, 1}));
    RWyxPatch& copy = *factory.CreatePatch();
    ASSERT_TRUE(copy.Assign(patch));
    EXPECT_EQ(Fields(copy), Fields(patch));
    patch.SetClosed(false, true);
    ASSERT_TRUE(copy.Assign(patch));
    EXPECT_TRUE(!copy.GetUClosed() && copy.GetVClosed());
}

// ---- skin links ----------------------------------------------------------------------------------

TEST(SkinLink, PairsStayParallelAndMatricesAreKeptAsTranslationRotationAndScaling) {
    RWyxSkinLink link;
    EXPECT_TRUE(link.AddControlPointIndex(0, 0.5));
    EXPECT_FALSE(link.AddControlPointIndex(-1, 0.7));
    EXPECT_TRUE(link.AddControlPointIndex(4, 0.25));
    EXPECT_FALSE(link.SetControlPoints({1, 2}, {0.5}));
    EXPECT_FALSE(link.SetControlPoints({1, -2}, {0.5, 0.5}));
    ASSERT_EQ(link.GetControlPointIndicesCount(), 2);
    EXPECT_EQ(link.GetControlPointIndices()[1], 4);
    EXPECT_DOUBLE_EQ(link.GetControlPointWeights()[1], 0.25);

    const RMatrix transform = RMatrix::ConstructFromTRS(RVector4(1, 2, 3, 0), RVector4(10, 20, 30, 0), RVector4(1, 2, 3, 0));
    link.SetTransformMatrix(transform);
    link.SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(4, 0, 0, 0), RVector4(), RVector4(0, 1, 1, 0)));
    EXPECT_EQ(MatrixCompare(link.GetTransformMatrix(), transform, 1e-9), 0);
    EXPECT_DOUBLE_EQ(link.GetTransformLink().scaling.x, 0.0);
    EXPECT_DOUBLE_EQ(link.GetTransformLinkMatrix()[3][0], 4.0);
    link.SetTransformParentMatrix(transform);
    EXPECT_TRUE(link.IsTransformParentSet());
    link.ClearTransformParent();
    EXPECT_FALSE(link.IsTransformParentSet());
}

TEST(SkinLink, AssignCopiesEveryField) {
    RWyxObjectFactory factory;
    RWyxNode* bone = factory.CreateNode("Bone");
    RWyxNode* hip = factory.CreateNode("Hip");
    RWyxSkinLink source;
    source.SetLink(bone);
    source.SetLink(nullptr);  // ignored
    source.SetAssociateModel(hip);
    source.SetMode(RWyxSkinLink::kAdditive);
    source.SetUserData("Kind", "WeightedRelativeCluster");
    source.SetName("Bone");
    source.AddControlPointIndex(2, 0.5);
    source.SetTransformAssociateModelMatrix(RMatrix::ConstructFromTRS(RVector4(0, 5, 0, 0), RVector4(), RVector4(1, 1, 1, 0)));
    source.SetTransformParentMatrix(RMatrix::Identity());

    RWyxSkinLink copy;
    copy.Assign(source);
    EXPECT_EQ(copy.GetLink(), bone);
    EXPECT_EQ(copy.GetAssociateModel(), hip);
    EXPECT_EQ(copy.GetMode(), RWyxSkinLink::kAdditive);
    EXPECT_EQ(copy.GetUserDataValue(), "WeightedRelativeCluster");
    EXPECT_EQ(copy.GetName(), "Bone");
    EXPECT_DOUBLE_EQ(copy.GetTransformAssociateModelMatrix()[3][1], 5.0);
    EXPECT_TRUE(copy.IsTransformParentSet());
    copy.GetControlPointWeights()[0] = 1.0;
    EXPECT_DOUBLE_EQ(source.GetControlPointWeights()[0], 0.5);
}

}  // namespace
