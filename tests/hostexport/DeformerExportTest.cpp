// Skins, bind poses, clusters and blend shapes exported and read back: weights against the
// host's, bind-time matrices, the bind-pose question answered every way, conflicting bind
// matrices, NURBS control points numbered as the NURBS export numbers them, shapes from targets.

#include "tests/hostexport/DeformExportTestSupport.h"

#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLayer.h"
#include "attributes/RWyxTypedLayerElement.h"
#include "attributes/RWyxNurb.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "curves/RFCurve.h"
#include "hostexport/DeformerExportSupport.h"
#include "scene/RWyxObjectFactory.h"
#include "scene/RWyxTakeNode.h"

#include "host/src/scene/AttributeDef.h"
#include "host/src/scene/NodeType.h"

#include <vexa/VAnimControl.h>
#include <vexa/VDoubleArray.h>
#include <vexa/VFloatArray.h>
#include <vexa/VFnBlendShapeDeformer.h>
#include <vexa/VFnDoubleIndexedComponent.h>
#include <vexa/VFnIkJoint.h>
#include <vexa/VFnNumericAttribute.h>
#include <vexa/VFnNurbsSurface.h>
#include <vexa/VFnSingleIndexedComponent.h>
#include <vexa/VFnSkinCluster.h>
#include <vexa/VFnTransform.h>
#include <vexa/VMessageLog.h>

#include <map>

namespace {

using vexa_host::ConfirmAnswer;
using vexa_host::UiModel;

// Control point index -> weight of a link.
std::map<int, double> WeightsOf(const RWyxSkinLink& link) {
    std::map<int, double> weights;
    for (int i = 0; i < link.GetControlPointIndicesCount(); ++i) {
        weights[link.GetControlPointIndices()[i]] = link.GetControlPointWeights()[i];
    }
    return weights;
}

RWyxSkinLink* LinkOf(RWyxNode* geometryNode, const char* linkName) {
    RWyxGeometry* geometry = geometryNode != nullptr ? geometryNode->GetGeometry() : nullptr;
    for (int i = 0; geometry != nullptr && i < geometry->GetDeformerCount(); ++i) {
        RWyxSkinLink* link = geometry->GetDeformer(i);
        if (link->GetLink() != nullptr && link->GetLink()->GetNameWithoutPrefix() == linkName) return link;
    }
    return nullptr;
}

RWyxPose* PoseOf(RWyxScene* scene, const char* name) {
    for (int i = 0; i < scene->GetPoseCount(); ++i) {
        if (scene->GetPose(i)->GetName() == RString("Pose::") + name) return scene->GetPose(i);
    }
    return nullptr;
}

RMatrix PlugMatrix(const char* node, const char* plug) {
    VMatrix value;
    EXPECT_TRUE(VFnDependencyNode(hostNode(node)).findPlug(plug).getValue(value)) << node << "." << plug;
    return toMatrix(value);
}

class DeformerExportTest : public AnimatedSessionTest {
protected:
    // A strip of quads along X at height z under "<name>", points 2i at (i, 0, z), 2i + 1 at (i, 1, z).
    static void makeStrip(const char* name, int quads, double z = 0.0) {
        std::vector<VPoint> points;
        std::vector<int> counts;
        std::vector<int> connects;
        for (int i = 0; i <= quads; ++i) {
            points.emplace_back(i, 0.0, z);
            points.emplace_back(i, 1.0, z);
        }
        for (int i = 0; i < quads; ++i) {
            counts.push_back(4);
            connects.insert(connects.end(), {2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1});
        }
        makeMesh(name, points, counts, connects);
    }
    // Joints "<prefix>root" at x = 0 and "<prefix>tip" at x = 2 under a transform "<prefix>rig".
    static void makeChain(const char* prefix) {
        const std::string p(prefix);
        script("createNode transform -n " + p + "rig; setAttr " + p + "rig.translateY 0.5");
        VFnIkJoint joint;
        joint.create(hostNode((p + "rig").c_str()));
        joint.setName(VString((p + "root").c_str()));
        const VObject tip = joint.create(joint.object());
        VFnIkJoint(tip).setName(VString((p + "tip").c_str()));
        ASSERT_TRUE(VFnIkJoint(tip).setTranslation(VVector(2.0, 0.0, 0.0), VSpace::kTransform));
    }
    static std::string bind(const std::string& joints, const std::string& geometry) {
        script("select -cl; select -tgl " + joints + "; select -tgl " + geometry);
        const std::string made = script("newSkinCluster \"-toSelectedBones -mi 5 -dr 4\"");
        script("select -cl");
        return made;
    }
    static std::map<int, double> hostWeights(const char* skin, const char* shape, unsigned influence) {
        VFnSkinCluster skinCluster(hostNode(skin));
        VFloatArray weights;
        EXPECT_TRUE(skinCluster.getWeights(hostPath(shape), VObject::kNullObj, influence, weights));
        std::map<int, double> kept;
        for (unsigned i = 0; i < weights.length(); ++i) {
            if (weights[i] > 0.001f) kept[static_cast<int>(i)] = weights[i];
        }
        return kept;
    }
    // A transform "<name>" made an influence of the skin at the index, with weight 0.5 on every
    // point of the shape.
    static void addTransformInfluence(const char* name, const char* skin, unsigned index, const char* shape) {
        script(std::string("createNode transform -n ") + name + "; setAttr " + name + ".translateX 7");
        connectInfluence(name, skin, index, shape);
    }
    static void connectInfluence(const char* name, const char* skin, unsigned index, const char* shape) {
        script(std::string("connectAttr ") + name + ".worldMatrix[0] " + skin + ".matrix[" + std::to_string(index) + "]");
        VFnSkinCluster skinCluster(hostNode(skin));
        ASSERT_TRUE(skinCluster.setWeights(hostPath(shape), VObject::kNullObj, index, 0.5f, false));
    }
    std::unique_ptr<ReadBack> exportAndRead(const char* name) {
        const std::string path = file(name);
        session_ = std::make_unique<WyxVexaExportSession>();
        EXPECT_TRUE(session_->Export(path.c_str()));
        auto back = std::make_unique<ReadBack>(path);
        EXPECT_TRUE(back->Read()) << back->Error();
        return back;
    }
};

TEST_F(DeformerExportTest, SkinLinksCarryTheHostsWeightsAndBindTimeMatrices) {
    makeStrip("body", 2);
    makeChain("");
    EXPECT_EQ(bind("|rig|root |rig|root|tip", "body"), "skinCluster1");
    // A weight of exactly 0.001 is left out of its link.
    VFnSkinCluster skinCluster(hostNode("skinCluster1"));
    VFnSingleIndexedComponent vertex;
    const VObject first = vertex.create(VFn::kMeshVertComponent);
    vertex.addElement(5);
    ASSERT_TRUE(skinCluster.setWeights(hostPath("bodyShape"), first, 0, 0.001f, false));
    // Moved after the bind: the links keep the matrices of bind time.
    script("setAttr rig.translateZ 5; setAttr body.translateX 1");
    const auto back = exportAndRead("skin.wyx");
    RWyxNode* body = back->Node("body");
    for (const auto& influence : {std::pair<const char*, unsigned>{"root", 0}, {"tip", 1}}) {
        SCOPED_TRACE(influence.first);
        RWyxSkinLink* link = LinkOf(body, influence.first);
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->GetMode(), 0);
        const std::map<int, double> expected = hostWeights("skinCluster1", "bodyShape", influence.second);
        const std::map<int, double> weights = WeightsOf(*link);
        ASSERT_EQ(weights.size(), expected.size());
        for (const auto& weight : expected) EXPECT_NEAR(weights.at(weight.first), weight.second, 1e-6);
        if (influence.second == 0) {
            EXPECT_EQ(weights.count(5), 0u) << "a weight of exactly 0.001";
        }
        EXPECT_TRUE(matricesNear(link->GetTransformLinkMatrix(), PlugMatrix(influence.first, "bindPose"), 1e-6));
        EXPECT_TRUE(matricesNear(link->GetTransformMatrix(), PlugMatrix("skinCluster1", "geomMatrix"), 1e-6));
    }
    RWyxPose* pose = PoseOf(back->Scene(), "skinCluster1");
    ASSERT_NE(pose, nullptr);
    EXPECT_TRUE(pose->IsBindPose());
    for (const char* member : {"Model::body", "Model::root", "Model::tip", "Model::rig"}) {
        const int entry = pose->Find(member);
        ASSERT_GE(entry, 0) << member;
    }
    EXPECT_TRUE(matricesNear(pose->GetMatrix(pose->Find("Model::rig")),
                             PlugMatrix("bindPose1", "worldMatrix[0]"), 1e-6));
    EXPECT_EQ(logText(), "");
}

TEST_F(DeformerExportTest, WithoutBindPosesTheQuestionIsAskedYetNoPoseIsMade) {
    makeStrip("body", 2);
    makeChain("");
    bind("|rig|root |rig|root|tip", "body");
    addTransformInfluence("handle", "skinCluster1", 2, "bodyShape");
    options().SetBoolOption(kExportBindPose, false);
    const auto back = exportAndRead("nopose.wyx");
    EXPECT_EQ(back->Scene()->GetPoseCount(), 0);
    RWyxSkinLink* link = LinkOf(back->Node("body"), "handle");
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(WeightsOf(*link).size(), 6u);
    EXPECT_TRUE(matricesNear(link->GetTransformLinkMatrix(), toMatrix(hostPath("handle").inclusiveMatrix()), 1e-6))
        << "the current global transform, not the identity";
    EXPECT_NE(logText().find("Could not retrieve bind pose for object :  / handle No bind poses"), std::string::npos)
        << logText();
}

TEST_F(DeformerExportTest, TheBindPoseQuestionAnsweredEveryWay) {
    struct Road {
        bool dialogs;
        std::vector<ConfirmAnswer> answers;
        bool poseKept;
        const char* logged;
    };
    const Road roads[] = {
        {true, {{ConfirmAnswer::kLabel, "Yes", 0}}, true, "Used the DAG node current transform."},
        {true, {{ConfirmAnswer::kLabel, "No", 0}}, false, "User aborted the export of bind poses."},
        {true, {{ConfirmAnswer::kDismiss, "", 0}}, false, "The question was dismissed: taken as No."},
        {true, {}, true, "Used the DAG node current transform."},
        {false, {}, false, "No bind poses in the hierarchy containing the object will be exported."},
    };
    int round = 0;
    for (const Road& road : roads) {
        SCOPED_TRACE(round);
        script("file -f -new");
        makeStrip("body", 2);
        makeChain("");
        bind("|rig|root |rig|root|tip", "body");
        addTransformInfluence("handle", "skinCluster1", 2, "bodyShape");
        // A second skin meets the handle again: the answer stands (a "No" is not undone by it).
        makeStrip("cape", 1, 3.0);
        bind("|rig|root", "cape");
        connectInfluence("handle", "skinCluster2", 1, "capeShape");
        options().SetBoolOption(kExportShowUI, road.dialogs);
        for (const ConfirmAnswer& answer : road.answers) UiModel::instance().queueAnswer(answer);
        const size_t before = logText().size();
        const auto back = exportAndRead(("question" + std::to_string(round++) + ".wyx").c_str());
        const std::string log = logText().substr(before);
        EXPECT_NE(log.find(road.logged), std::string::npos) << log;
        if (road.dialogs) {
            const auto& shown = UiModel::instance().shownDialogs();
            ASSERT_FALSE(shown.empty());
            EXPECT_EQ(shown.back().title, "WYX Export Question");
            EXPECT_EQ(shown.back().buttons, (std::vector<std::string>{"Yes", "No"}));
            EXPECT_EQ(shown.back().message.find("Could not retrieve bind pose for object : \n / handle\n\nUse the current "
                                                "transform instead?"),
                      0u)
                << shown.back().message;
        }
        EXPECT_EQ(PoseOf(back->Scene(), "skinCluster1") != nullptr, road.poseKept) << log;
        EXPECT_EQ(PoseOf(back->Scene(), "skinCluster2") != nullptr, road.poseKept) << log;
        EXPECT_EQ(log.find("Could not retrieve bind pose for object :  / handle"),
                  log.rfind("Could not retrieve bind pose for object :  / handle"))
            << "asked once about the handle";
        RWyxSkinLink* link = LinkOf(back->Node("cape"), "handle");
        ASSERT_NE(link, nullptr);
        EXPECT_TRUE(matricesNear(link->GetTransformLinkMatrix(), toMatrix(hostPath("handle").inclusiveMatrix()), 1e-6));
        if (road.poseKept) {
            RWyxPose* pose = PoseOf(back->Scene(), "skinCluster1");
            EXPECT_TRUE(matricesNear(pose->GetMatrix(pose->Find("Model::handle")),
                                     toMatrix(hostPath("handle").inclusiveMatrix()), 1e-6));
            EXPECT_GE(PoseOf(back->Scene(), "skinCluster2")->Find("Model::rig"), 0)
                << "an ancestor entered in one skin's pose is entered in the next one's too";
        }
    }
}

// The walks up from the influences: root's goes up to rig and stops at top, which has no bind
// pose and is answered "No"; the handle, met later with no bind pose either, is answered "Yes",
// and its walk must go past rig (entered by the walk that stopped short) to enter top.
TEST_F(DeformerExportTest, AWalkThatStoppedShortIsTakenPastByTheNextOne) {
    makeStrip("body", 2);
    makeChain("");
    bind("|rig|root |rig|root|tip", "body");
    script("createNode transform -n top; setAttr top.translateZ 3; parent rig top");
    addTransformInfluence("handle", "skinCluster1", 2, "bodyShape");
    script("parent handle rig");
    options().SetBoolOption(kExportShowUI, true);
    UiModel::instance().queueAnswer({ConfirmAnswer::kLabel, "No", 0});
    UiModel::instance().queueAnswer({ConfirmAnswer::kLabel, "Yes", 0});
    const auto back = exportAndRead("shortwalk.wyx");
    const std::string log = logText();
    ASSERT_NE(log.find("Could not retrieve bind pose for object :  / top"), std::string::npos) << log;
    ASSERT_LT(log.find(" / top"), log.find(" / handle")) << log;
    RWyxPose* pose = PoseOf(back->Scene(), "skinCluster1");
    ASSERT_NE(pose, nullptr) << log;
    for (const char* member : {"Model::body", "Model::root", "Model::rig", "Model::handle", "Model::top"}) {
        EXPECT_GE(pose->Find(member), 0) << member;
    }
    EXPECT_TRUE(matricesNear(pose->GetMatrix(pose->Find("Model::top")), toMatrix(hostPath("top").inclusiveMatrix()),
                             1e-9));
    EXPECT_LT(pose->Find("Model::tip"), 0) << "met while bind poses were abandoned";
}

// One skin over two meshes, the first holding the joint and lying under a group: the walk up
// from the joint stops at the first mesh, the second's goes past it to the group.
TEST_F(DeformerExportTest, TheWalkFromAJointStartsAfreshForEachMeshOfItsSkin) {
    script("createNode transform -n group; setAttr group.translateY 3");
    makeStrip("first", 1);
    makeStrip("second", 1, 2.0);
    script("parent first group");
    VFnIkJoint joint;
    joint.create(hostNode("first"));
    joint.setName("bone");
    bind("bone", "first");
    script("sets -e -add skinCluster1Set second");
    ASSERT_TRUE(VFnSkinCluster(hostNode("skinCluster1")).setWeights(hostPath("secondShape"), VObject::kNullObj, 0, 1.0f));
    const auto back = exportAndRead("twomeshes.wyx");
    RWyxPose* pose = PoseOf(back->Scene(), "skinCluster1");
    ASSERT_NE(pose, nullptr) << logText();
    for (const char* member : {"Model::first", "Model::second", "Model::bone", "Model::group"}) {
        EXPECT_GE(pose->Find(member), 0) << member;
    }
}

TEST_F(DeformerExportTest, ConflictingBindMatricesAreReportedOnceAndDropTheLaterPose) {
    makeStrip("body", 2);
    makeChain("");
    bind("|rig|root |rig|root|tip", "body");
    // The body moves, then a joint under it binds a second mesh: its pose holds the body where it
    // is now, the first skin's geometry matrix where it was.
    script("setAttr body.translateZ 2");
    VFnIkJoint joint;
    joint.create(hostNode("body"));
    joint.setName("fin");
    makeStrip("flap", 1, 4.0);
    bind("|body|fin", "flap");
    const auto back = exportAndRead("conflict.wyx");
    EXPECT_NE(PoseOf(back->Scene(), "skinCluster1"), nullptr);
    EXPECT_EQ(PoseOf(back->Scene(), "skinCluster2"), nullptr);
    const std::string log = logText();
    const std::string report = "WYX Export Warning: \n\t / body\n";
    ASSERT_NE(log.find(report), std::string::npos) << log;
    EXPECT_EQ(log.find(report), log.rfind(report)) << "one conflict entry";
}

TEST_F(DeformerExportTest, ClustersRelativeOrCompensatedOnEachGeometry) {
    makeStrip("body", 2);
    makeStrip("other", 1, 2.0);
    script("createNode transform -n holder; setAttr holder.translateX 3; createNode transform -n grip1 -p holder");
    EXPECT_EQ(script("cluster -n grip -wn grip1 grip1 body.vtx[1:3] other.vtx[0]"), "grip grip1");
    script("percent -v 0.25 grip body.vtx[2]");
    script("cluster -rel -n loose body.vtx[4:5]");
    const auto back = exportAndRead("clusters.wyx");
    RWyxSkinLink* grip = LinkOf(back->Node("body"), "grip1");
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->GetMode(), 1);
    EXPECT_EQ(grip->GetUserDataValue(), "WeightedCluster");
    EXPECT_EQ(WeightsOf(*grip), (std::map<int, double>{{1, 1.0}, {2, 0.25}, {3, 1.0}}));
    RWyxSkinLink* compensation = LinkOf(back->Node("body"), "holder");
    ASSERT_NE(compensation, nullptr);
    EXPECT_EQ(compensation->GetUserDataValue(), "CompensationCluster");
    EXPECT_EQ(WeightsOf(*compensation), (std::map<int, double>{{1, 1.0}, {2, 1.0}, {3, 1.0}}));
    EXPECT_TRUE(matricesNear(compensation->GetTransformLinkMatrix(), toMatrix(hostPath("holder").inclusiveMatrix()), 1e-6));
    EXPECT_TRUE(matricesNear(grip->GetTransformLinkMatrix(), toMatrix(hostPath("grip1").inclusiveMatrix()), 1e-6));
    EXPECT_TRUE(matricesNear(grip->GetTransformMatrix(), toMatrix(hostPath("body").inclusiveMatrix()), 1e-6));
    RWyxSkinLink* onOther = LinkOf(back->Node("other"), "grip1");
    ASSERT_NE(onOther, nullptr);
    EXPECT_EQ(WeightsOf(*onOther), (std::map<int, double>{{0, 1.0}}));
    RWyxSkinLink* loose = LinkOf(back->Node("body"), "looseHandle");
    ASSERT_NE(loose, nullptr);
    EXPECT_EQ(loose->GetUserDataValue(), "WeightedRelativeCluster");
    EXPECT_EQ(back->Node("body")->GetGeometry()->GetDeformerCount(), 3) << "no compensation for a relative cluster";
}

// A cluster node of another kind that gives out no geometry ("outputGeometry"): its members are
// skipped with the reason printed.
TEST_F(DeformerExportTest, AClusterWithoutAGeometryOutputIsPrintedAndSkipped) {
    using namespace vexa_host;
    if (NodeTypeRegistry::instance().find("outputlessCluster") == nullptr) {
        NodeTypeDescription type;
        type.name = "outputlessCluster";
        type.parent = "dependNode";
        type.fnType = VFn::kCluster;
        type.attributes = {makeNumeric("relative", "rel", VFnNumericAttribute::kBoolean),
                           makeTyped("clusterXforms", "x", AttributeKind::Message)};
        ASSERT_NE(NodeTypeRegistry::instance().registerType(type), nullptr);
    }
    makeStrip("body", 1);
    script("createNode transform -n grip1; createNode clusterHandle -n grip1Shape -p grip1; "
           "createNode outputlessCluster -n odd; connectAttr grip1Shape.clusterTransforms[0] odd.clusterXforms; "
           "sets -em -n oddSet; connectAttr odd.message oddSet.usedBy[0]; sets -e -add oddSet body.vtx[0:1]");
    VMessageLog::clear();
    const auto back = exportAndRead("outputless.wyx");
    EXPECT_EQ(back->Node("body")->GetGeometry()->GetDeformerCount(), 0);
    const VStringArray printed = VMessageLog::linesOf(VMessageLog::kStatus);
    bool reported = false;
    for (unsigned i = 0; i < printed.length(); ++i) reported |= printed[i].indexOf("Output geometry plug not found") >= 0;
    EXPECT_TRUE(reported);
}

class NurbsDeformerTest : public DeformerExportTest {
protected:
    // A 4 x 7 open surface "sheet" (degree 1 in U, 3 in V); CV (u, v) at (u, v, 10u + v).
    static void makeSheet() {
        VPointArray cvs;
        for (int u = 0; u < 4; ++u) {
            for (int v = 0; v < 7; ++v) cvs.append(VPoint(u, v, 10.0 * u + v));
        }
        VDoubleArray uKnots;
        for (double k : {0.0, 1.0, 2.0, 3.0}) uKnots.append(k);
        VDoubleArray vKnots;
        for (double k : {0.0, 0.0, 0.0, 1.0, 2.0, 3.0, 4.0, 4.0, 4.0}) vKnots.append(k);
        VStatus status;
        const VObject shape = VFnNurbsSurface().create(cvs, uKnots, vKnots, 1, 3, VFnNurbsSurface::kOpen,
                                                       VFnNurbsSurface::kOpen, false, VObject::kNullObj, &status);
        ASSERT_TRUE(status) << status.errorString().asChar();
        VFnDagNode(VFnDagNode(shape).parent(0)).setName("sheet");
        VFnDagNode(shape).setName("sheetShape");
    }
    // The host CV (u, v) that the SDK control point at the index stands for, by position.
    static std::pair<int, int> hostCvAt(RWyxNode* node, int index) {
        const RVector4& point = node->GetNurb()->GetControlPoints()[index];
        return {static_cast<int>(point.x), static_cast<int>(point.y)};
    }
};

TEST_F(NurbsDeformerTest, ClusterAndSkinWeightsLandOnTheControlPointsOfTheirCVs) {
    makeSheet();
    script("cluster -n pinch sheet.cv[2][5] sheet.cv[3][1]");
    script("percent -v 0.5 pinch sheet.cv[3][1]");
    makeChain("");
    bind("|rig|root |rig|root|tip", "sheet");
    const auto back = exportAndRead("sheet.wyx");
    RWyxNode* sheet = back->Node("sheet");
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(sheet->GetNurb(), nullptr);
    RWyxSkinLink* pinch = LinkOf(sheet, "pinchHandle");
    ASSERT_NE(pinch, nullptr);
    std::map<std::pair<int, int>, double> byCv;
    for (const auto& weight : WeightsOf(*pinch)) byCv[hostCvAt(sheet, weight.first)] = weight.second;
    EXPECT_EQ(byCv, (std::map<std::pair<int, int>, double>{{{2, 5}, 1.0}, {{3, 1}, 0.5}}));
    VFnSkinCluster skin(hostNode("skinCluster1"));
    for (const auto& influence : {std::pair<const char*, unsigned>{"root", 0}, {"tip", 1}}) {
        RWyxSkinLink* link = LinkOf(sheet, influence.first);
        ASSERT_NE(link, nullptr);
        const std::map<int, double> host = hostWeights("skinCluster1", "sheetShape", influence.second);
        ASSERT_EQ(WeightsOf(*link).size(), host.size());
        for (const auto& weight : WeightsOf(*link)) {
            const std::pair<int, int> cv = hostCvAt(sheet, weight.first);
            EXPECT_NEAR(weight.second, host.at(cv.first * 7 + cv.second), 1e-6) << cv.first << "," << cv.second;
        }
    }
}

TEST_F(DeformerExportTest, BlendShapeSlidersBecomeShapesOfTheirTargets) {
    makeStrip("base", 2);
    makeStrip("raised", 2, 1.5);
    makeStrip("short", 1, 2.0);
    makeStrip("extra", 2, -1.0);
    script("blendShape -n faces raised short base");
    VFnBlendShapeDeformer blend(hostNode("faces"));
    ASSERT_TRUE(blend.addTarget(hostNode("baseShape"), 0, hostNode("extraShape"), 0.5));
    keyPlug("faces", "weight[0]", {{0.0, 0.0}, {1.0, 1.0}});
    ASSERT_TRUE(VAnimControl::setCurrentTime(VTime(0.25, VTime::kSeconds)));
    const auto back = exportAndRead("blend.wyx");
    RWyxGeometry* base = back->Node("base")->GetGeometry();
    ASSERT_EQ(base->GetShapeCount(), 1) << "the target of another point count makes no shape";
    const RWyxShape* shape = base->GetShape(0);
    ASSERT_EQ(shape->GetControlPointsCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(shape->GetControlPoints()[i].z, 1.5) << "from the first target";
    EXPECT_EQ(back->Node("raised"), nullptr) << "targets are left out as nodes";
    EXPECT_EQ(back->Node("extra"), nullptr);
    ASSERT_TRUE(back->Node("base")->SetCurrentTakeNodeByName("Take 001"));
    RFCurve* channel = base->GetShapeChannel(back->Node("base")->GetCurrentTakeNode(), 0);
    ASSERT_NE(channel, nullptr);
    EXPECT_NEAR(channel->GetDefaultValue(), 25.0, 1e-3) << "the weight at the current time, in percent";
    ASSERT_EQ(channel->GetKeyCount(), 2);
    EXPECT_NEAR(channel->GetKey(1).GetValue(), 100.0, 1e-4);
    const std::string log = logText();
    EXPECT_NE(log.find("has multiple targets affected by weight : faces.weight[0]"), std::string::npos) << log;
    EXPECT_NE(log.find("The TargetObject :  / short / shortShape number of vertices does not match"), std::string::npos)
        << log;
}

TEST_F(DeformerExportTest, ShapeNamesAndNormalsComeFromTheSliderAndAFittingTarget) {
    makeStrip("base", 2);
    makeStrip("bent", 2, 1.0);
    // The same points as two quads made of four triangles: its normals do not fit the base's.
    makeMesh("split", {{0, 0, 2}, {0, 1, 2}, {1, 0, 2}, {1, 1, 2}, {2, 0, 2}, {2, 1, 2}}, {3, 3, 3, 3},
             {0, 2, 3, 0, 3, 1, 2, 4, 5, 2, 5, 3});
    script("blendShape -n baseBlend bent split base");
    animate();
    ExportBlendShapesRecursive(*session_, root());
    RWyxGeometry* base = node("base")->GetGeometry();
    ASSERT_EQ(base->GetShapeCount(), 2);
    EXPECT_STREQ(base->GetShapeName(0), "sbaseBlend.weight[0]") << "a name beginning with the base's gets an s";
    const auto normalsOf = [](const RWyxLayerContainer& container) -> const RWyxLayerElementNormal* {
        return container.GetLayer(0) != nullptr ? container.GetLayer(0)->GetNormals() : nullptr;
    };
    const RWyxLayerElementNormal* baseNormals = normalsOf(*base);
    ASSERT_NE(baseNormals, nullptr);
    const RWyxLayerElementNormal* bentNormals = normalsOf(*node("bent")->GetGeometry());
    const RWyxLayerElementNormal* copied = normalsOf(*base->GetShape(0));
    ASSERT_NE(copied, nullptr);
    ASSERT_EQ(copied->GetDirectCount(), bentNormals->GetDirectCount());
    for (int i = 0; i < copied->GetDirectCount(); ++i) EXPECT_TRUE(copied->GetDirect()[i] == bentNormals->GetDirect()[i]);
    const RWyxLayerElementNormal* splitNormals = normalsOf(*node("split")->GetGeometry());
    if (splitNormals != nullptr && splitNormals->GetMappedCount() != baseNormals->GetMappedCount()) {
        EXPECT_EQ(normalsOf(*base->GetShape(1)), nullptr) << "normals of another layout are not copied";
    }
    // A second pass finds the shapes there already and adds none, nor makes any.
    const int shapesMade = session_->GetFactory().GetObjectCount(RWyxObjectFactory::kShapes);
    ExportBlendShapesRecursive(*session_, root());
    EXPECT_EQ(base->GetShapeCount(), 2);
    EXPECT_EQ(session_->GetFactory().GetObjectCount(RWyxObjectFactory::kShapes), shapesMade);
}

// The import names a deformer after its shapes with an ending: the export leaves the ending
// out, and puts the "s" of a name that begins with the base's in front once, so that the next
// import gives the same deformer again.
TEST_F(DeformerExportTest, AShapeNameLosesTheImportsEndingAndGetsItsSOnce) {
    makeStrip("s", 2);
    makeStrip("raised", 2, 1.0);
    script("blendShape -n ss_BlendShaper raised s");
    animate();
    ExportBlendShapesRecursive(*session_, root());
    EXPECT_STREQ(node("s")->GetGeometry()->GetShapeName(0), "ss.weight[0]");
}

TEST_F(DeformerExportTest, AMatrixReadByScriptNeedsSixteenNumbers) {
    script("createNode transform -n moved; setAttr moved.translateY 3");
    RMatrix matrix;
    ASSERT_TRUE(ReadMatrixByScript(VFnDependencyNode(hostNode("moved")).findPlug("worldMatrix").elementByLogicalIndex(0),
                                   matrix));
    EXPECT_DOUBLE_EQ(matrix[3][1], 3.0);
    RMatrix untouched;
    untouched[3][0] = 5.0;
    EXPECT_FALSE(ReadMatrixByScript(VPlug(), untouched));
    EXPECT_FALSE(ReadMatrixByScript(VFnDependencyNode(hostNode("moved")).findPlug("translateX"), untouched));
    EXPECT_DOUBLE_EQ(untouched[3][0], 5.0);
}

TEST_F(DeformerExportTest, PreAndPostHelperNodesGetTheMatricesTheyHaveInTheBindPose) {
    makeStrip("body", 2);
    makeChain("");
    bind("|rig|root |rig|root|tip", "body");
    animate();
    // Helper nodes as the pivot conversion makes them: "root__Pre_" between rig and root, and
    // "tip__Post_" first under tip, turned a quarter about Z.
    RWyxNode* rig = node("rig");
    RWyxNode* root = node("root");
    RWyxNode* tip = node("tip");
    RWyxNode* pre = session_->GetFactory().CreateNodeForDagPath("root__Pre_", nullptr);
    RWyxNode* post = session_->GetFactory().CreateNodeForDagPath("tip__Post_", nullptr);
    rig->RemoveChild(root);
    rig->AddChild(pre);
    pre->AddChild(root);
    tip->AddChild(post);
    post->SetDefaultRotation(RVector4(0.0, 0.0, 90.0, 0.0));
    options().SetBoolOption(kExportPivotToNull, true);
    ExportSkinClusters(*session_);
    RWyxPose* pose = PoseOf(session_->GetScene(), "skinCluster1");
    ASSERT_NE(pose, nullptr);
    const RMatrix tipBind = PlugMatrix("tip", "bindPose");
    const RMatrix rootBind = PlugMatrix("root", "bindPose");
    const int postEntry = pose->Find("Model::tip__Post_");
    ASSERT_GE(postEntry, 0);
    EXPECT_TRUE(matricesNear(pose->GetMatrix(postEntry), tipBind, 1e-9)) << "the post node turns as the joint did";
    RMatrix turned;
    MatrixMultiplyAffine(turned, pose->GetMatrix(pose->Find("Model::tip")),
                         RMatrix::ConstructFromTRS(RVector4(), RVector4(0.0, 0.0, 90.0, 0.0), RVector4(1.0, 1.0, 1.0, 0.0)));
    EXPECT_TRUE(matricesNear(turned, tipBind, 1e-9)) << "the joint's entry without the post node's turn";
    const int preEntry = pose->Find("Model::root__Pre_");
    ASSERT_GE(preEntry, 0);
    RVector4 t;
    RVector4 r;
    RVector4 sc;
    RMatrix rebuilt;
    MatrixMultiplyAffine(rebuilt, pose->GetMatrix(preEntry),
                         RMatrix::ConstructFromTRS(root->GetDefaultTranslation(t), root->GetDefaultRotation(r),
                                                   root->GetDefaultScaling(sc)));
    EXPECT_TRUE(matricesNear(rebuilt, rootBind, 1e-9)) << "the pre node under the joint's own transform";
}

TEST_F(DeformerExportTest, EachKindOfBlendShapeWarningIsShownOncePerBaseObject) {
    makeStrip("base", 1);
    for (const char* target : {"a", "b", "c", "d"}) makeStrip(target, 1, 1.0);
    script("blendShape -n pair a c base");
    VFnBlendShapeDeformer blend(hostNode("pair"));
    ASSERT_TRUE(blend.addTarget(hostNode("baseShape"), 0, hostNode("bShape"), 0.5));
    ASSERT_TRUE(blend.addTarget(hostNode("baseShape"), 1, hostNode("dShape"), 0.5));
    options().SetBoolOption(kExportShowUI, true);
    collect();
    ASSERT_TRUE(ExportNodeAnimation(*session_, root()));
    const size_t before = UiModel::instance().shownDialogs().size();
    ExportBlendShapesRecursive(*session_, root());
    const auto& shown = UiModel::instance().shownDialogs();
    ASSERT_EQ(shown.size(), before + 1) << "two sliders with two targets each, one dialog";
    EXPECT_EQ(shown.back().title, "WYX Export Warning");
    EXPECT_NE(shown.back().message.find("The plugin will only use the first target."), std::string::npos);
    EXPECT_EQ(node("base")->GetGeometry()->GetShapeCount(), 2);
    session_.reset();  // the log is complete once the session ends
    const std::string log = logText();
    size_t lines = 0;
    for (size_t at = log.find("has multiple targets"); at != std::string::npos; at = log.find("has multiple targets", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, 2u) << "each slider logged";
}

}  // namespace
