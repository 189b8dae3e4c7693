// Skins and clusters on import: the file's weights read back from the host exactly, the bind
// matrices, "total" skins, normalisation (a point whose weights add up to 0 left and logged),
// clusters weighted in runs, relative clusters, compensation links left out, a NURBS skin whose
// repeated CVs carry the weights of the CVs they repeat, and the reports.

#include "tests/support/ImportSceneSupport.h"

#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "attributes/RWyxNull.h"
#include "plugin/HostUtilities.h"

#include "host/src/ui/UiModel.h"

#include <vexa/VDagPathArray.h>
#include <vexa/VDoubleArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnSkinCluster.h>
#include <vexa/VGlobal.h>

namespace {

using Weights = std::vector<std::pair<int, double>>;

// A link whose node was `height` above the origin at the bind.
RWyxSkinLink* Link(RWyxObjectFactory& factory, RWyxNode& geometryNode, RWyxNode* link, int mode, const Weights& weights,
                   double height = 0.0) {
    RWyxSkinLink* made = factory.CreateSkinLink();
    made->SetLink(link);
    made->SetMode(mode);
    for (const auto& pair : weights) made->AddControlPointIndex(pair.first, pair.second);
    made->SetTransformLinkMatrix(RMatrix::ConstructFromTRS(RVector4(0, height, 0, 0), RVector4(), RVector4(1, 1, 1, 0)));
    geometryNode.GetGeometry()->AddDeformer(made);
    return made;
}

// Hips (a root) with Spine (a limb node) 10 above it.
struct Joints {
    RWyxNode* hips;
    RWyxNode* spine;
};
Joints AddJoints(RWyxObjectFactory& factory, RWyxNode& root) {
    RWyxSkeleton* hipsJoint = factory.CreateSkeleton();
    hipsJoint->SetSkeletonType(RWyxSkeleton::kRoot);
    RWyxNode* hips = AddNode(factory, root, "Hips", hipsJoint);
    RWyxSkeleton* spineJoint = factory.CreateSkeleton();
    spineJoint->SetSkeletonType(RWyxSkeleton::kLimbNode);
    RWyxNode* spine = AddNode(factory, *hips, "Spine", spineJoint);
    spine->SetDefaultTranslation(RVector4(0, 10, 0, 0));
    return {hips, spine};
}

class DeformationImportTest : public SceneImportTest {
protected:
    // The weights of the joint on every point of the shape.
    static std::vector<float> weightsOf(const char* shape, const char* joint) {
        VObject skin;
        EXPECT_TRUE(FindConnectedNodeOfType(HostNode(shape), VFn::kSkinClusterFilter, skin,
                                            VItDependencyGraph::kUpstream, VItDependencyGraph::kNodeLevel));
        VFnSkinCluster cluster(skin);
        VFloatArray weights;
        EXPECT_TRUE(cluster.getWeights(HostPath(shape), VObject(), cluster.indexForInfluenceObject(HostPath(joint)), weights));
        return std::vector<float>(&weights[0], &weights[0] + weights.length());
    }
    // The values "percent -q -v" answers.
    static std::vector<double> percent(const std::string& query) {
        VDoubleArray values;
        EXPECT_TRUE(VGlobal::executeCommand(VString(("percent -q -v " + query).c_str()), values)) << query;
        return std::vector<double>(&values[0], &values[0] + values.length());
    }
};

TEST_F(DeformationImportTest, SkinWeightsReadBackAsTheFileHasThem) {
    options().SetBoolOption(kImportForceWeightNormalize, false);
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        const auto [hips, spine] = AddJoints(factory, root);
        RWyxNode* body = AddNode(factory, root, "Body", QuadStrip(factory, {-1, -1, -1}));
        Link(factory, *body, hips, RWyxSkinLink::kNormal, {{1, 1.0}, {0, 1.0}, {3, 0.5}, {2, 0.5}});
        // A "total" skin link is a skin link too; indices past the points are left out.
        Link(factory, *body, spine, RWyxSkinLink::kTotal1, {{2, 0.5}, {3, 0.5}, {4, 1.0}, {42, 1.0}}, 10.0);
        Link(factory, *body, spine, RWyxSkinLink::kTotal1, {{5, 1.0}}, 10.0);  // the same joint once more
        Link(factory, *body, hips, RWyxSkinLink::kNormal, {{7, 0.0}});
        Link(factory, *body, spine, RWyxSkinLink::kNormal, {{7, 0.0}}, 10.0);
    }));
    // Without normalising, a point whose weights add up to 0 is not looked at.
    EXPECT_EQ(logText().find("add up to 0"), std::string::npos) << logText();
    EXPECT_EQ(weightsOf("BodyShape", "Hips"), (std::vector<float>{1, 1, 0.5f, 0.5f, 0, 0, 0, 0}));
    EXPECT_EQ(weightsOf("BodyShape", "Spine"), (std::vector<float>{0, 0, 0.5f, 0.5f, 1, 1, 0, 0}));
    // Spine's bind matrix is the inverse of its world matrix at the bind.
    const VFnSkinCluster skin(HostNode("skinCluster1"));
    const unsigned spine = skin.indexForInfluenceObject(HostPath("Spine"));
    VMatrix bind;
    ASSERT_TRUE(skin.findPlug("bindPreMatrix").elementByLogicalIndex(spine).getValue(bind));
    EXPECT_EQ(bind(3, 1), -10.0);
}

TEST_F(DeformationImportTest, NormalisedWeightsShareOneAndAZeroSumIsLeftAndLogged) {
    options().SetBoolOption(kImportForceWeightNormalize, true);
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        const auto [hips, spine] = AddJoints(factory, root);
        RWyxNode* body = AddNode(factory, root, "Body", QuadStrip(factory, {-1, -1}));
        Link(factory, *body, hips, RWyxSkinLink::kNormal, {{0, 0.2}, {1, 0.3}, {2, 0.0}, {3, 1.0}, {4, 1.0}, {5, 1.0}});
        Link(factory, *body, spine, RWyxSkinLink::kNormal, {{0, 0.6}, {2, 0.0}});
    }));
    EXPECT_EQ(weightsOf("BodyShape", "Hips"), (std::vector<float>{0.25f, 1, 0, 1, 1, 1}));
    EXPECT_EQ(weightsOf("BodyShape", "Spine"), (std::vector<float>{0.75f, 0, 0, 0, 0, 0}));
    EXPECT_NE(logText().find("Skin weights of Body: 1 control points have weights that add up to 0"), std::string::npos)
        << logText();
}

// One influence's weights go on as the link has them: the other influences keep theirs (nothing
// is normalised) and a point the geometry lacks is left out.
TEST_F(DeformationImportTest, AnInfluencesWeightsAreSetExactlyWithoutNormalising) {
    options().SetBoolOption(kImportForceWeightNormalize, false);
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        const auto [hips, spine] = AddJoints(factory, root);
        RWyxNode* body = AddNode(factory, root, "Body", QuadStrip(factory, {-1}));
        Link(factory, *body, hips, RWyxSkinLink::kNormal, {{0, 1.0}, {1, 1.0}, {2, 1.0}, {3, 1.0}});
        Link(factory, *body, spine, RWyxSkinLink::kNormal, {{0, 0.0}});
    }));
    WyxVexaImportSession session;
    auto* body = static_cast<VexaNode*>(session.GetFactory().CreateNode("Body"));
    body->SetNodeAttribute(QuadStrip(session.GetFactory(), {-1}));
    const VDagPath path = HostPath("Body");
    body->SetDagPath(&path);
    const RWyxSkinLink* link = Link(session.GetFactory(), *body, nullptr, RWyxSkinLink::kNormal, {{1, 0.5}, {3, 0.25}, {4, 1.0}});
    VFnSkinCluster skin(HostNode("skinCluster1"));
    EXPECT_TRUE(session.SetInfluenceWeights(skin, HostPath("BodyShape"), body, *link,
                                            skin.indexForInfluenceObject(HostPath("Spine"))));
    EXPECT_EQ(weightsOf("BodyShape", "Spine"), (std::vector<float>{0, 0.5f, 0, 0.25f}));
    EXPECT_EQ(weightsOf("BodyShape", "Hips"), (std::vector<float>{1, 1, 1, 1}));
}

// A joint named like a node already in the scene is bound by the path that tells the two apart.
TEST_F(DeformationImportTest, AJointNamedLikeAnotherIsBoundByAPathOfItsOwn) {
    options().SetBoolOption(kImportForceWeightNormalize, false);
    ASSERT_TRUE(VGlobal::executeCommand("createNode transform -n Other; createNode joint -n Spine -p Other"));
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        const auto [hips, spine] = AddJoints(factory, root);
        RWyxNode* body = AddNode(factory, root, "Body", QuadStrip(factory, {-1}));
        Link(factory, *body, hips, RWyxSkinLink::kNormal, {{0, 1.0}, {1, 1.0}});
        Link(factory, *body, spine, RWyxSkinLink::kNormal, {{2, 1.0}, {3, 1.0}}, 10.0);
    }));
    VDagPathArray influences;
    ASSERT_EQ(VFnSkinCluster(HostNode("skinCluster1")).influenceObjects(influences), 2u);
    EXPECT_EQ(influences[1].fullPathName(), VString("|Hips|Spine"));
    EXPECT_EQ(weightsOf("BodyShape", "|Hips|Spine"), (std::vector<float>{0, 0, 1, 1}));
}

class NormalizeSkinWeightsTest : public SessionSceneTest {};

TEST_F(NormalizeSkinWeightsTest, TwoWeightsShareOneAndASingleWeightBecomesOne) {
    VexaNode* hips = add(root(), "Hips", factory().CreateSkeleton());
    VexaNode* body = add(root(), "Body", QuadStrip(factory(), {-1}));
    RWyxSkinLink* first = Link(factory(), *body, hips, RWyxSkinLink::kNormal, {{0, 0.2}, {1, 0.3}, {2, 0.0}});
    RWyxSkinLink* second = Link(factory(), *body, hips, RWyxSkinLink::kTotal1, {{0, 0.6}, {2, 0.0}});
    RWyxSkinLink* cluster = Link(factory(), *body, hips, RWyxSkinLink::kAdditive, {{1, 0.5}});
    session_.NormalizeSkinWeights(*body->GetGeometry());
    EXPECT_DOUBLE_EQ(first->GetControlPointWeights()[0], 0.25);
    EXPECT_DOUBLE_EQ(second->GetControlPointWeights()[0], 0.75);
    EXPECT_DOUBLE_EQ(first->GetControlPointWeights()[1], 1.0);  // clusters do not count
    EXPECT_DOUBLE_EQ(cluster->GetControlPointWeights()[0], 0.5);
    EXPECT_EQ(first->GetControlPointWeights()[2], 0.0);
}

TEST_F(DeformationImportTest, ClustersAreWeightedInRunsOfOneWeight) {
    recordScripts();
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* group = AddNode(factory, root, "Group", factory.CreateNull());
        RWyxNode* body = AddNode(factory, *group, "Body", QuadStrip(factory, {-1, -1, -1, -1}));
        RWyxNode* handle = AddNode(factory, root, "Handle", factory.CreateNull());
        RWyxSkinLink* link =
            Link(factory, *body, handle, RWyxSkinLink::kAdditive, {{6, 0.25}, {3, 0.5}, {4, 0.5}, {5, 0.5}, {77, 1}});
        link->SetUserData("Vexa_ClusterHint", "WeightedCluster");
        RWyxNode* soft = AddNode(factory, root, "Soft", factory.CreateNull());
        Link(factory, *body, soft, RWyxSkinLink::kAdditive, {{0, 1.0}})
            ->SetUserData("Vexa_ClusterHint", "weightedrelativecluster");
        Link(factory, *body, group, RWyxSkinLink::kAdditive, {{3, 1.0}})
            ->SetUserData("Vexa_ClusterHint", "CompensationCluster");
    }));
    const std::vector<std::string> clusters = scriptsStartingWith("cluster ");
    ASSERT_EQ(clusters.size(), 2u);
    EXPECT_EQ(clusters[0], "cluster -n \"Handle\" -bf -bs 1.0  -wn \"Handle\"  \"Handle\"");
    EXPECT_EQ(clusters[1], "cluster -n \"Soft\" -rel  -bf -bs 1.0  -wn \"Soft\"  \"Soft\"");
    const std::vector<std::string> percents = scriptsStartingWith("percent -v");
    ASSERT_EQ(percents.size(), 3u);
    EXPECT_EQ(percents[0], "percent -v 0.500000 \"Handle1\"  \"BodyShape.vtx[3:5]\"");
    EXPECT_EQ(percents[1], "percent -v 0.250000 \"Handle1\"  \"BodyShape.vtx[6]\"");
    EXPECT_EQ(percent("Handle1 BodyShape.vtx[3:6]"), (std::vector<double>{0.5, 0.5, 0.5, 0.25}));
    EXPECT_EQ(VFnDependencyNode(HostNode("Soft1")).findPlug("relative").asDouble(), 1.0);
    EXPECT_EQ(VFnDependencyNode(HostNode("Handle1")).findPlug("relative").asDouble(), 0.0);
    EXPECT_FALSE(dumps("Group1"));  // no cluster on the compensation link's node
}

TEST_F(DeformationImportTest, AClusterOfTwoGeometriesIsMadeOnceAndSurfacesAreWeightedByCV) {
    recordScripts();
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        RWyxNode* handle = AddNode(factory, root, "Handle", factory.CreateNull());
        RWyxNode* body = AddNode(factory, root, "Body", QuadStrip(factory, {-1}));
        Link(factory, *body, handle, RWyxSkinLink::kAdditive, {{1, 0.5}}, 3.0);
        // SDK point 5 is U 1, V 1 of the surface: host CV [1][1].
        RWyxNode* sheet = AddNode(factory, root, "Sheet", NewSurface(factory, kEvenKnots));
        Link(factory, *sheet, handle, RWyxSkinLink::kAdditive, {{5, 0.75}}, 3.0);
    }));
    EXPECT_EQ(scriptsStartingWith("cluster ").size(), 1u);
    EXPECT_EQ(percent("Handle1 BodyShape.vtx[1]"), std::vector<double>{0.5});
    EXPECT_EQ(percent("Handle1 SheetShape.cv[1][1]"), std::vector<double>{0.75});
    // The cluster's bind matrix undoes its handle's place at the bind.
    VMatrix bind;
    ASSERT_TRUE(VFnDependencyNode(HostNode("Handle1")).findPlug("bindPreMatrix").getValue(bind));
    EXPECT_EQ(bind(3, 1), -3.0);
}

TEST_F(DeformationImportTest, RepeatedCVsOfAnUnevenSurfaceCarryTheirWeights) {
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        const auto [hips, spine] = AddJoints(factory, root);
        RWyxNode* sheet = AddNode(factory, root, "Sheet", NewSurface(factory, kUnevenKnots));
        Weights low;
        Weights high;
        for (int i = 0; i < 12; ++i) {
            low.emplace_back(i, i / 20.0);
            high.emplace_back(i, 1.0 - i / 20.0);
        }
        Link(factory, *sheet, hips, RWyxSkinLink::kNormal, low);
        Link(factory, *sheet, spine, RWyxSkinLink::kNormal, high);
    }));
    // Host CV [v][u] (v the SDK's V, 3 rows; u the SDK's U and its 3 repeats, 7 columns) is
    // point v * 7 + u of the skin.
    const std::vector<float> weights = weightsOf("SheetShape", "Hips");
    ASSERT_EQ(weights.size(), 21u);
    for (int v = 0; v < 3; ++v) {
        for (int u = 0; u < 4; ++u) EXPECT_FLOAT_EQ(weights[static_cast<size_t>(v * 7 + u)], (v * 4 + u) / 20.0f);
        for (int u = 0; u < 3; ++u) EXPECT_FLOAT_EQ(weights[static_cast<size_t>(v * 7 + 4 + u)], (v * 4 + u) / 20.0f);
    }
}

TEST_F(DeformationImportTest, LinksOfOtherNodesAndASkinUnderItsBoneAreReported) {
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(importBuilt([](RWyxObjectFactory& factory, RWyxNode& root) {
        const auto [hips, spine] = AddJoints(factory, root);
        RWyxNode* body = AddNode(factory, *hips, "Body", QuadStrip(factory, {-1}));
        Link(factory, *body, hips, RWyxSkinLink::kNormal, {{0, 1.0}});
        for (const char* name : {"a", "b", "c", "d"}) {
            Link(factory, *body, AddNode(factory, root, name, factory.CreateNull()), RWyxSkinLink::kNormal, {{1, 1.0}});
        }
    }));
    const auto& shown = vexa_host::UiModel::instance().shownDialogs();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[shown.size() - 2].message,
              "The skin is parented to the deforming bone (Hips). Inconsistent behaviour may occur.");
    EXPECT_EQ(shown.back().title, "WYX import error");
    EXPECT_EQ(shown.back().message,
              "The following DAG nodes influence the skin in the source WYX file but because they are not of type "
              "Joint, they are ignored:\n\n        a, b, c, \n        d\n        \n\n"
              "The resulting skin operation may produce errors.\n");
    EXPECT_NE(logText().find("Warning: The skin is parented to the deforming bone (Hips)."), std::string::npos);
}

}  // namespace
