// The checks before host nodes exist: non-uniform scale over "RrSs" children, keys on pre-
// and post-rotation helpers, the rotation space of pivot set 1 with the limits that survive
// it, hard edges welded with their skin links, weighted curves.

#include "tests/hostimport/TransformTestSupport.h"
#include "tests/support/ImportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxMesh.h"
#include "attributes/RWyxSkeleton.h"
#include "attributes/RWyxSkinLink.h"
#include "hostimport/TransformChecks.h"
#include "scene/RWyxNodeLimits.h"

#include "host/src/ui/UiModel.h"

#include <memory>

namespace {

using namespace transform_test;

const std::vector<vexa_host::ShownDialog>& Shown() { return vexa_host::UiModel::instance().shownDialogs(); }

using TransformChecksTest = SessionSceneTest;

TEST_F(TransformChecksTest, NonUniformScaleOverRrSsChildrenIsReportedNodeByNode) {
    TestSource().build = [](RWyxObjectFactory& factory) {
        RWyxScene* scene = factory.CreateScene();
        const char* const names[] = {"b", "a", "c"};
        const RVector4 scales[] = {{3, 1, 1, 0}, {1, 2, 1, 0}, {1, 2, 1, 0}};
        for (int i = 0; i < 3; ++i) {
            RWyxNode* node = AddNode(factory, scene->GetRootNode(), names[i]);
            node->SetDefaultScaling(scales[i]);
            RWyxNode* child = AddNode(factory, node, (std::string(names[i]) + "1").c_str());
            if (i == 2) child->SetInheritType(1);  // c's child does not take the scale the RrSs way
        }
        return scene;
    };
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(importFile(testFile(), 2));
    const std::string a = "Node a has a Non-uniform scale and one or more child that have a RrSs-type scaling which is not "
                          "supported by Vexa. Some shearing that was not present in Stagewright may appear on a child.\\n";
    const std::string b = "Node b" + a.substr(6);
    EXPECT_NE(logText().find("\t" + a + "\n\t" + a + b + "\n"), std::string::npos) << logText();
    EXPECT_EQ(logText().find("Node c"), std::string::npos);
    ASSERT_FALSE(Shown().empty());
    EXPECT_EQ(Shown()[0].title, "WYX import Error");
    // The log keeps the script's line-break escapes; the dialog breaks its lines.
    const std::string shownA = a.substr(0, a.size() - 2) + "\n";
    EXPECT_EQ(Shown()[0].message, shownA + "Node b" + shownA.substr(6));
}

TEST_F(TransformChecksTest, SortingByNameDropsRepeats) {
    RWyxNode* b = add(root(), "b");
    RWyxNode* a = add(root(), "a");
    std::vector<RWyxNode*> nodes{b, a, b, a};
    SortNodesByName(nodes);
    EXPECT_EQ(nodes, (std::vector<RWyxNode*>{a, b}));
}

// Old files with helper nodes: rotation that moves on a pre node, any key on a post node.
TEST_F(TransformChecksTest, KeysOnHelperNodesAreReported) {
    TestSource().fileVersion = 5500;
    TestSource().takes = {TakeInfo()};
    TestSource().build = [](RWyxObjectFactory& factory) {
        RWyxScene* scene = factory.CreateScene();
        RWyxNode* still = AddNode(factory, scene->GetRootNode(), "arm__Pre_");
        AddNode(factory, still, "arm");
        for (const double seconds : {0.0, 1.0, 2.0}) Key(Take(still)->GetRotationZCurve(), seconds, 30.0f);
        RWyxNode* moving = AddNode(factory, scene->GetRootNode(), "leg__Pre_");
        RWyxNode* leg = AddNode(factory, moving, "leg");
        Key(Take(moving)->GetRotationZCurve(), 0.0, 0.0f);
        Key(Take(moving)->GetRotationZCurve(), 1.0, 30.0f);
        RWyxNode* post = AddNode(factory, leg, "leg__Post_");
        Key(Take(post)->GetTranslationXCurve(), 0.0, 1.0f);
        DescribeTake(scene);
        return scene;
    };
    options().SetBoolOption(kImportNullsToPivot, true);
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(importFile(testFile(), 2, "Take"));
    const std::string log = logText();
    EXPECT_EQ(log.find("arm__Pre_"), std::string::npos) << log;
    EXPECT_NE(log.find("\tKeyFrames found in the rotation channel for node\n\tleg__Pre_\n\t , \\n Keyframing rotation in a "
                       "PreRotation node can lead to undefined behavior.\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\tKeyFrames found in an animation channel for node: \n\tleg__Post_\n\t , \\n Keyframing "
                       "animation in a PostRotation node can lead to undefined behavior.\n"),
              std::string::npos)
        << log;
    ASSERT_GE(Shown().size(), 2u);
    EXPECT_EQ(Shown()[0].title, "WYX import error");
    EXPECT_EQ(Shown()[0].message, "KeyFrames found in the rotation channel for node: leg__Pre_ , \n Keyframing rotation in "
                                  "a PreRotation node can lead to undefined behavior.");
    EXPECT_EQ(Shown()[1].message, "KeyFrames found in an animation channel for node: leg__Post_ , \n Keyframing animation "
                                  "in a PostRotation node can lead to undefined behavior.");
    EXPECT_TRUE(dumps("node transform |leg\n"));  // the helpers folded into their nodes
    EXPECT_FALSE(dumps("__Pre_"));
}

class RotationSpaceTest : public SessionSceneTest {
protected:
    VexaNode* limitedNode(const char* name, RWyxNodeAttribute* attribute = nullptr) {
        VexaNode* node = add(root(), name, attribute);
        node->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
        return node;
    }
    static bool Limited(const RWyxNode* node) { return node->GetLimits()->GetActive(RWyxNodeLimits::kRotation); }
    static RVector4 Get(const RVector4* vector) { return *vector; }
};

TEST_F(RotationSpaceTest, ARotationResampledForAPreRotationOrASphericSpaceDropsItsLimits) {
    options().SetBoolOption(kImportShowUI, true);
    VexaNode* pre = limitedNode("pre");
    pre->SetPreRotation(0, 20.0, 0.0, 0.0, 1.0);
    pre->SetPostRotation(0, 0.0, 5.0, 0.0, 1.0);
    pre->SetRotationPivot(0, 1.0, 2.0, 3.0, 1.0);
    pre->SetRotationOffset(0, 4.0, 0.0, 0.0, 1.0);
    pre->SetScalingOffset(0, 0.0, 6.0, 0.0, 1.0);
    pre->SetRotationOrder(0, 4);
    VexaNode* joint = limitedNode("joint", factory().CreateSkeleton());
    joint->SetPreRotation(0, 0.0, 0.0, 45.0, 1.0);
    joint->SetRotationPivot(0, 1.0, 0.0, 0.0, 1.0);
    VexaNode* spheric = limitedNode("spheric");
    spheric->SetRotationOrder(0, 6);
    VexaNode* free = add(root(), "free");
    free->SetPreRotation(0, 0.0, 10.0, 0.0, 1.0);
    ResampleRotation(session_, root());

    // A transform's pre-rotation goes into the rotation; its pivots and offsets stay.
    EXPECT_FALSE(Limited(pre));
    EXPECT_EQ(Get(pre->GetPreRotation(1)).x, 0.0);
    EXPECT_EQ(Get(pre->GetPostRotation(1)).y, 5.0);
    EXPECT_EQ(Get(pre->GetRotationPivot(1)).z, 3.0);
    EXPECT_EQ(Get(pre->GetRotationOffset(1)).x, 4.0);
    EXPECT_EQ(Get(pre->GetScalingOffset(1)).y, 6.0);
    int order = -1;
    EXPECT_EQ(pre->GetRotationOrder(1, order), 4);
    // A joint keeps its pre-rotation apart, turns about its origin and keeps its limits.
    EXPECT_TRUE(Limited(joint));
    EXPECT_EQ(Get(joint->GetPreRotation(1)).z, 45.0);
    EXPECT_EQ(Get(joint->GetRotationPivot(1)).x, 0.0);
    // A spheric rotation is resampled into XYZ.
    EXPECT_FALSE(Limited(spheric));
    EXPECT_EQ(spheric->GetRotationOrder(1, order), 0);
    for (RWyxNode* node : {static_cast<RWyxNode*>(pre), static_cast<RWyxNode*>(free)}) {
        int state = -1;
        EXPECT_EQ(node->GetPivotState(1, state), 0);
    }

    ASSERT_EQ(Shown().size(), 2u);
    EXPECT_EQ(Shown()[0].title, "WYX import error");
    EXPECT_EQ(Shown()[0].message,
              "Node  pre has to resample its rotation because it has a PreRotation.\nSince the node also has rotation "
              "limits, those limits cannot be applied due to the resampling and will be dropped\n");
    EXPECT_EQ(Shown()[1].message.rfind("Node spheric has to resample its rotation because it has a Spheric rotation "
                                       "space\nSince the node also",
                                       0),
              0u)
        << Shown()[1].message;
}

TEST_F(RotationSpaceTest, ARotationSpaceForLimitsOnlyIsDropped) {
    options().SetBoolOption(kImportShowUI, true);
    VexaNode* node = limitedNode("node");
    node->SetRotationSpaceForLimitOnly(0, true);
    node->SetPreRotation(0, 20.0, 0.0, 0.0, 1.0);
    node->SetRotationOrder(0, 2);
    VexaNode* plain = add(root(), "plain");
    plain->SetRotationSpaceForLimitOnly(0, true);
    plain->SetPostRotation(0, 0.0, 0.0, 8.0, 1.0);
    ResampleRotation(session_, root());
    EXPECT_FALSE(Limited(node));
    for (RWyxNode* each : {static_cast<RWyxNode*>(node), static_cast<RWyxNode*>(plain)}) {
        for (int set = 0; set < 2; ++set) {
            int order = -1;
            EXPECT_EQ(each->GetRotationOrder(set, order), 0);
            EXPECT_EQ(Get(each->GetPreRotation(set)).x, 0.0);
            EXPECT_EQ(Get(each->GetPostRotation(set)).z, 0.0);
        }
    }
    ASSERT_EQ(Shown().size(), 1u);  // the node without limits loses nothing to tell about
    EXPECT_EQ(Shown()[0].message, " Node node has the option UseLimitsForRotationSpaceOnly enabled and has a modified "
                                  "rotation space.\n This is not supported by Vexa, rotation limits for this node will "
                                  "be dropped \n");
}

// The log keeps the warnings' line-break escapes as written; only the dialogs break lines.
TEST_F(TransformChecksTest, RotationSpaceWarningsKeepTheirEscapesInTheLog) {
    TestSource().build = [](RWyxObjectFactory& factory) {
        RWyxScene* scene = factory.CreateScene();
        RWyxNode* pre = AddNode(factory, scene->GetRootNode(), "pre");
        pre->SetPreRotation(0, 20.0, 0.0, 0.0, 1.0);
        RWyxNode* spheric = AddNode(factory, scene->GetRootNode(), "spheric");
        spheric->SetRotationOrder(0, 6);
        RWyxNode* limitOnly = AddNode(factory, scene->GetRootNode(), "only");
        limitOnly->SetRotationSpaceForLimitOnly(0, true);
        limitOnly->SetRotationOrder(0, 2);
        for (RWyxNode* node : {pre, spheric, limitOnly}) node->GetLimits()->SetActive(RWyxNodeLimits::kRotation, true);
        return scene;
    };
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(importFile(testFile(), 2));
    const std::string dropped = "Since the node also has rotation limits, those limits cannot be applied due to the "
                                "resampling and will be dropped";
    const std::string only = " has the option UseLimitsForRotationSpaceOnly enabled and has a modified rotation space.";
    const std::string unsupported = " This is not supported by Vexa, rotation limits for this node will be dropped ";
    const std::string log = logText();
    for (const std::string& line :
         {"Node  pre has to resample its rotation because it has a PreRotation.\\n" + dropped + "\\n",
          "Node  spheric has to resample its rotation because it has a Spheric rotation space \\n\n\t" + dropped + "\\n",
          " Node only" + only + "\\n" + unsupported + "\\n"}) {
        EXPECT_NE(log.find("\t" + line + "\n"), std::string::npos) << line << "\n" << log;
    }
    std::vector<std::string> messages;
    for (const vexa_host::ShownDialog& dialog : Shown()) messages.push_back(dialog.message);
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "Node  pre has to resample its rotation because it has a PreRotation.\n" + dropped + "\n",
                            "Node spheric has to resample its rotation because it has a Spheric rotation space\n" +
                                dropped + "\n",
                            " Node only" + only + "\n" + unsupported + "\n"}));
}

// A post-rotation alone is a modified rotation space: the limits go.
TEST_F(RotationSpaceTest, APostRotationForLimitsOnlyDropsTheLimits) {
    VexaNode* node = limitedNode("node");
    node->SetRotationSpaceForLimitOnly(0, true);
    node->SetPostRotation(0, 0.0, 0.0, 8.0, 1.0);
    VexaNode* plain = limitedNode("plain");
    plain->SetRotationSpaceForLimitOnly(0, true);
    ResampleRotation(session_, root());
    EXPECT_FALSE(Limited(node));
    EXPECT_TRUE(Limited(plain));
}

// A light points down its -Y axis, a camera down +X; the host's point down -Z: a quarter turn
// follows their post-rotation unless they aim at a target. A rotation space for the limits
// only goes, the turn stays: it is no change of that space, which keeps its limits.
TEST_F(RotationSpaceTest, LightsAndCamerasWithoutTargetTurnTowardsTheHostsAxis) {
    VexaNode* light = add(root(), "light", factory().CreateLight());
    light->SetPostRotation(0, 0.0, 0.0, 30.0, 1.0);
    VexaNode* camera = add(root(), "camera", factory().CreateCamera());
    VexaNode* aimed = add(root(), "aimed", factory().CreateCamera());
    aimed->SetTarget(add(root(), "target"));
    VexaNode* limitedCamera = limitedNode("limitedCamera", factory().CreateCamera());
    VexaNode* limitedLight = limitedNode("limitedLight", factory().CreateLight());
    limitedLight->SetPostRotation(0, 0.0, 0.0, 30.0, 1.0);
    for (VexaNode* node : {limitedCamera, limitedLight}) node->SetRotationSpaceForLimitOnly(0, true);
    ResampleRotation(session_, root());
    for (int set = 0; set < 2; ++set) {
        EXPECT_NEAR(Get(limitedCamera->GetPostRotation(set)).y, 90.0, 1e-9) << set;
        const RVector4 turned = Get(limitedLight->GetPostRotation(set));
        EXPECT_NEAR(turned.x, 90.0, 1e-9) << set;
        EXPECT_NEAR(turned.z, 0.0, 1e-9) << set << ": the file's own post-rotation goes";
    }
    EXPECT_TRUE(Limited(limitedCamera));
    EXPECT_FALSE(Limited(limitedLight));
    const RMatrix lightAxes = Rotation(light->GetPostRotation(1));
    RMatrix inverse;
    MatrixInverseOrthogonal(inverse, lightAxes);
    // The host turns by the inverse of the post-rotation: its -Z becomes the light's -Y as
    // the file's post-rotation turns it.
    const RVector4 down(0.0, 0.0, -1.0, 0.0);
    RVector4 hostDirection;
    MatrixTransformVector(hostDirection, inverse, down);
    RMatrix fileInverse;
    RVector4 post(0.0, 0.0, 30.0, 0.0);
    MatrixInverseOrthogonal(fileInverse, Rotation(&post));
    RVector4 fileDirection;
    MatrixTransformVector(fileDirection, fileInverse, RVector4(0.0, -1.0, 0.0, 0.0));
    EXPECT_NEAR(hostDirection.x, fileDirection.x, 1e-9);
    EXPECT_NEAR(hostDirection.y, fileDirection.y, 1e-9);
    EXPECT_NEAR(hostDirection.z, fileDirection.z, 1e-9);
    EXPECT_NEAR(Get(camera->GetPostRotation(1)).y, 90.0, 1e-9);
    EXPECT_EQ(Get(aimed->GetPostRotation(1)).y, 0.0);
}

// Two triangles of three points each, two of them shared in place, skinned by their points.
RWyxScene* HardEdgedScene(RWyxObjectFactory& factory) {
    RWyxScene* scene = factory.CreateScene();
    RWyxMesh* mesh = factory.CreateMesh();
    const RVector4 points[6] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}};
    mesh->InitControlPoints(6);
    for (int i = 0; i < 6; ++i) mesh->SetControlPointAt(i, points[i]);
    for (int polygon = 0; polygon < 2; ++polygon) {
        mesh->BeginPolygon();
        for (int corner = 0; corner < 3; ++corner) mesh->AddPolygonVertex(polygon * 3 + corner);
    }
    RWyxNode* bone = AddNode(factory, scene->GetRootNode(), "bone", factory.CreateSkeleton());
    RWyxSkinLink* link = factory.CreateSkinLink();
    link->SetLink(bone);
    link->AddControlPointIndex(4, 0.5);
    link->AddControlPointIndex(5, 0.25);
    mesh->AddDeformer(link);
    AddNode(factory, scene->GetRootNode(), "plate", mesh);
    return scene;
}

TEST_F(TransformChecksTest, HardEdgesAreWeldedWithTheirSkinLinksWhenAsked) {
    std::unique_ptr<RWyxObjectFactory> factory = std::make_unique<RWyxObjectFactory>();
    RWyxScene* scene = HardEdgedScene(*factory);
    WeldHardEdges(session_, scene->GetRootNode());
    RWyxMesh* mesh = scene->GetRootNode()->FindChild("plate", false, false)->GetMesh();
    ASSERT_EQ(mesh->GetControlPointsCount(), 4);
    EXPECT_EQ(mesh->GetPolygonVertex(1, 0), mesh->GetPolygonVertex(0, 1));
    EXPECT_EQ(mesh->GetPolygonVertex(1, 2), mesh->GetPolygonVertex(0, 2));
    const RWyxSkinLink* link = mesh->GetDeformer(0);
    ASSERT_EQ(link->GetControlPointIndicesCount(), 2);
    EXPECT_EQ(link->GetControlPointIndices()[0], mesh->GetPolygonVertex(1, 1));  // the corner (1, 1)
    EXPECT_EQ(link->GetControlPointIndices()[1], mesh->GetPolygonVertex(0, 2));
    // Welded already: polygons that share points are left alone.
    WeldHardEdges(session_, scene->GetRootNode());
    EXPECT_EQ(mesh->GetControlPointsCount(), 4);

    // Through the import, only with the option.
    TestSource().build = HardEdgedScene;
    ASSERT_TRUE(importFile(testFile(), 2));
    EXPECT_TRUE(dumps("mesh 6 points, 2 polygons")) << dump();
    options().SetBoolOption(kImportHardEdges, true);
    ASSERT_TRUE(importFile(testFile(), 2));
    EXPECT_TRUE(dumps("mesh 4 points, 2 polygons")) << dump();
}

// A weld keeps every corner's normal, UV and colour: where the twin points of a corner differ,
// the data moves to the corners first; colours alike on twins stay on the points. A mesh whose
// twins differ in what only a point holds (a polygon group by point) is not welded at all.
TEST_F(TransformChecksTest, AWeldKeepsWhatEveryCornerHolds) {
    // Two triangles of points of their own; points 3 and 5 lie on points 1 and 2.
    const RVector4 points[6] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {1, 0, 0, 1}, {1, 1, 0, 1}, {0, 1, 0, 1}};
    const int corners[6] = {2, 0, 1, 5, 3, 4};
    // Besides normals and UVs, the twins 1 and 3 differ in nothing, in colour or in group.
    enum Twins { kColoursAlike, kColoursDiffer, kGroupsDiffer };
    for (const Twins twins : {kColoursAlike, kColoursDiffer, kGroupsDiffer}) {
        SCOPED_TRACE(twins);
        const auto green = [twins](int point) {
            return point == 0 || (twins == kColoursDiffer && point == 3) ? 1.0 : 0.5;
        };
        RWyxObjectFactory factory;
        RWyxScene* scene = factory.CreateScene();
        RWyxMesh* mesh = factory.CreateMesh();
        AddNode(factory, scene->GetRootNode(), "plate", mesh);
        mesh->InitControlPoints(6);
        for (int i = 0; i < 6; ++i) mesh->SetControlPointAt(i, points[i]);
        for (int k = 0; k < 6; ++k) {
            if (k % 3 == 0) mesh->BeginPolygon();
            mesh->AddPolygonVertex(corners[k]);
        }
        mesh->InitNormals(6);
        mesh->InitTextureUVMapping(RWyxMesh::kKindByControlPoint);
        RWyxLayer* layer = mesh->GetLayer(0);
        auto* colors = layer->SetVertexColors(std::make_unique<RWyxLayerElementVertexColor>());
        auto* groups = layer->SetPolygonGroups(std::make_unique<RWyxLayerElementPolygonGroup>());
        colors->SetMappingMode(RWyxLayerElement::kByControlPoint);
        groups->SetMappingMode(RWyxLayerElement::kByControlPoint);
        for (int i = 0; i < 6; ++i) {
            mesh->GetNormals()[i] = RVector4(0.0, i < 3 ? 0.0 : 0.6, i < 3 ? 1.0 : 0.8, 1.0);
            mesh->AddTextureUV(0.125 * i, 1.0);
            colors->AddDirect(RWyxColor(0.25, green(i), 0.0, 1.0));
            groups->AddDirect(twins == kGroupsDiffer && i == 3 ? 7 : 0);
        }
        WeldHardEdges(session_, scene->GetRootNode());
        if (twins == kGroupsDiffer) {
            EXPECT_EQ(mesh->GetControlPointsCount(), 6);
            EXPECT_EQ(layer->GetNormals()->GetMappingMode(), RWyxLayerElement::kByControlPoint) << "nothing moved";
            continue;
        }
        ASSERT_EQ(mesh->GetControlPointsCount(), 4);
        EXPECT_EQ(layer->GetNormals()->GetMappingMode(), RWyxLayerElement::kByPolygonVertex);
        for (int k = 0; k < 6; ++k) {
            RVector4 normal;
            ASSERT_TRUE(mesh->GetPolygonVertexNormal(k / 3, k % 3, normal));
            EXPECT_EQ(normal.z, corners[k] < 3 ? 1.0 : 0.8) << k;
            const RVector2* uv = layer->GetUVs()->GetMappedAt(k);
            ASSERT_NE(uv, nullptr);
            EXPECT_EQ(uv->u, 0.125 * corners[k]) << k;
            if (twins != kColoursDiffer) continue;
            const RWyxColor* color = colors->GetMappedAt(k);
            ASSERT_NE(color, nullptr);
            EXPECT_EQ(*color, RWyxColor(0.25, green(corners[k]), 0.0, 1.0)) << k;
        }
        if (twins == kColoursDiffer) {
            EXPECT_EQ(colors->GetMappingMode(), RWyxLayerElement::kByPolygonVertex);
            continue;
        }
        EXPECT_EQ(colors->GetMappingMode(), RWyxLayerElement::kByControlPoint);
        ASSERT_EQ(colors->GetDirectCount(), 4);
        EXPECT_EQ(colors->GetDirect()[0], RWyxColor(0.25, 1.0, 0.0, 1.0));
        EXPECT_EQ(colors->GetDirect()[3], RWyxColor(0.25, 0.5, 0.0, 1.0));
    }
}

TEST_F(TransformChecksTest, ACurveIsWeightedByAnyWeightedSideOfItsCubicKeys) {
    RFCurve* curve = RFCurve::Create();
    for (const double seconds : {0.0, 1.0, 2.0}) Key(curve, seconds, 1.0f, RCurveKey::Cubic, RCurveKey::User);
    EXPECT_FALSE(IsWeightedCurve(*curve));
    curve->SetLeftWeight(2, 0.5f);
    EXPECT_TRUE(IsWeightedCurve(*curve));
    curve->SetLeftWeighted(2, false);
    curve->SetRightWeight(0, 0.5f);
    EXPECT_TRUE(IsWeightedCurve(*curve));
    curve->SetRightWeighted(0, false);
    curve->GetKey(0).SetTangentMode(RCurveKey::Tcb);  // a Tcb key's weight words hold its bias
    curve->GetKey(0).SetWeightMode(RCurveKey::WeightedRight);
    EXPECT_FALSE(IsWeightedCurve(*curve));
    RFCurve::Destroy(curve);
}

// A mesh whose polygons share a point is stored welded: a stray twin point stays.
TEST_F(TransformChecksTest, AMeshWhosePolygonsSharePointsIsNotWelded) {
    RWyxObjectFactory factory;
    RWyxScene* scene = factory.CreateScene();
    RWyxMesh* mesh = factory.CreateMesh();
    const RVector4 points[5] = {{0, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}, {1, 1, 0, 1}, {1, 0, 0, 1}};
    mesh->InitControlPoints(5);
    for (int i = 0; i < 5; ++i) mesh->SetControlPointAt(i, points[i]);
    const int corners[2][3] = {{0, 1, 2}, {2, 4, 3}};
    for (const auto& polygon : corners) {
        mesh->BeginPolygon();
        for (const int corner : polygon) mesh->AddPolygonVertex(corner);
    }
    AddNode(factory, scene->GetRootNode(), "shared", mesh);
    WeldHardEdges(session_, scene->GetRootNode());
    EXPECT_EQ(mesh->GetControlPointsCount(), 5);
    EXPECT_EQ(mesh->GetPolygonVertex(1, 1), 4);
}

}  // namespace
