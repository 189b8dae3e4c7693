// Host -> file -> host -> file -> host -> file: an animated, skinned, clustered and blend-shaped
// scene exported, imported into a new scene and exported again, twice. After the first cycle the
// files agree: nodes, transform values, every curve's keys, lights, cameras, skin and cluster
// weights with their matrices, bind poses and shapes.

#include "tests/hostexport/DeformExportTestSupport.h"

#include "attributes/RWyxCamera.h"
#include "attributes/RWyxGeometry.h"
#include "attributes/RWyxLight.h"
#include "attributes/RWyxPose.h"
#include "attributes/RWyxShape.h"
#include "attributes/RWyxSkinLink.h"
#include "curves/RFCurve.h"
#include "curves/RFCurveNode.h"
#include "scene/RWyxTakeNode.h"

#include <vexa/VFnIkJoint.h>
#include <vexa/VFnSpotLight.h>

#include <functional>
#include <map>

namespace {

// Last-bit tolerances of values that pass through the host's single precision and the file.
constexpr double kValueTolerance = 1e-5;
constexpr double kMatrixTolerance = 1e-5;

std::map<std::string, RWyxNode*> NodesByName(RWyxNode* root) {
    std::map<std::string, RWyxNode*> nodes;
    std::function<void(RWyxNode*)> walk = [&](RWyxNode* node) {
        nodes[node->GetNameWithoutPrefix().Buffer()] = node;
        for (int i = 0; i < node->GetChildCount(); ++i) walk(node->GetChild(i));
    };
    for (int i = 0; i < root->GetChildCount(); ++i) walk(root->GetChild(i));
    return nodes;
}

void CompareCurves(const RFCurveNode* a, const RFCurveNode* b, const std::string& where) {
    ASSERT_EQ(a == nullptr, b == nullptr) << where;
    if (a == nullptr) return;
    ASSERT_EQ(a->GetChildCount(), b->GetChildCount()) << where;
    const RFCurve* ca = a->GetCurve();
    const RFCurve* cb = b->GetCurve();
    ASSERT_EQ(ca == nullptr, cb == nullptr) << where;
    if (ca != nullptr) {
        EXPECT_NEAR(ca->GetDefaultValue(), cb->GetDefaultValue(), kValueTolerance * (1.0 + std::fabs(ca->GetDefaultValue())))
            << where;
        ASSERT_EQ(ca->GetKeyCount(), cb->GetKeyCount()) << where;
        for (int k = 0; k < ca->GetKeyCount(); ++k) {
            EXPECT_EQ(ca->GetKey(k).GetTime(), cb->GetKey(k).GetTime()) << where << " key " << k;
            const double value = ca->GetKey(k).GetValue();
            EXPECT_NEAR(value, cb->GetKey(k).GetValue(), kValueTolerance * (1.0 + std::fabs(value))) << where << " key " << k;
            EXPECT_EQ(ca->GetKey(k).GetInterpolation(), cb->GetKey(k).GetInterpolation()) << where << " key " << k;
        }
    }
    for (int i = 0; i < a->GetChildCount(); ++i) {
        CompareCurves(a->GetChild(i), b->GetChild(i), where + "/" + (a->GetChild(i)->GetName() ? a->GetChild(i)->GetName() : ""));
    }
}

void CompareLinks(RWyxGeometry& a, RWyxGeometry& b, const std::string& where) {
    ASSERT_EQ(a.GetDeformerCount(), b.GetDeformerCount()) << where;
    std::map<std::string, RWyxSkinLink*> byLink;
    for (int i = 0; i < b.GetDeformerCount(); ++i) {
        const RWyxNode* link = b.GetDeformer(i)->GetLink();
        byLink[(link != nullptr ? link->GetNameWithoutPrefix().Buffer() : "") + std::string(b.GetDeformer(i)->GetUserDataValue().Buffer())] =
            b.GetDeformer(i);
    }
    for (int i = 0; i < a.GetDeformerCount(); ++i) {
        RWyxSkinLink& la = *a.GetDeformer(i);
        const RWyxNode* link = la.GetLink();
        const std::string key = (link != nullptr ? link->GetNameWithoutPrefix().Buffer() : "") + std::string(la.GetUserDataValue().Buffer());
        ASSERT_EQ(byLink.count(key), 1u) << where << " link " << key;
        RWyxSkinLink& lb = *byLink[key];
        EXPECT_EQ(la.GetMode(), lb.GetMode()) << key;
        ASSERT_EQ(la.GetControlPointIndicesCount(), lb.GetControlPointIndicesCount()) << key;
        for (int c = 0; c < la.GetControlPointIndicesCount(); ++c) {
            EXPECT_EQ(la.GetControlPointIndices()[c], lb.GetControlPointIndices()[c]) << key;
            EXPECT_NEAR(la.GetControlPointWeights()[c], lb.GetControlPointWeights()[c], kValueTolerance) << key;
        }
        EXPECT_TRUE(matricesNear(la.GetTransformLinkMatrix(), lb.GetTransformLinkMatrix(), kMatrixTolerance)) << key;
        EXPECT_TRUE(matricesNear(la.GetTransformMatrix(), lb.GetTransformMatrix(), kMatrixTolerance)) << key;
    }
    ASSERT_EQ(a.GetShapeCount(), b.GetShapeCount()) << where;
    for (int s = 0; s < a.GetShapeCount(); ++s) {
        ASSERT_EQ(a.GetShape(s)->GetControlPointsCount(), b.GetShape(s)->GetControlPointsCount()) << where;
        for (int p = 0; p < a.GetShape(s)->GetControlPointsCount(); ++p) {
            EXPECT_TRUE(a.GetShape(s)->GetControlPoints()[p] == b.GetShape(s)->GetControlPoints()[p]) << where << " shape " << s;
        }
    }
}

void CompareScenes(ReadBack& a, ReadBack& b) {
    const auto nodesA = NodesByName(a.Root());
    const auto nodesB = NodesByName(b.Root());
    ASSERT_EQ(nodesA.size(), nodesB.size());
    for (const auto& entry : nodesA) {
        const std::string& name = entry.first;
        ASSERT_EQ(nodesB.count(name), 1u) << name;
        RWyxNode* na = entry.second;
        RWyxNode* nb = nodesB.at(name);
        ASSERT_EQ(na->GetTakeNodeCount(), nb->GetTakeNodeCount()) << name;
        for (int t = 0; t < na->GetTakeNodeCount(); ++t) {
            CompareCurves(na->GetTakeNode(t)->GetRootCurveNode(), nb->GetTakeNode(t)->GetRootCurveNode(),
                          name + " take " + na->GetTakeNodeName(t));
        }
        if (na->GetLight() != nullptr) {
            ASSERT_NE(nb->GetLight(), nullptr) << name;
            EXPECT_NEAR(na->GetLight()->GetDefaultIntensity(), nb->GetLight()->GetDefaultIntensity(), 1e-4) << name;
            EXPECT_NEAR(na->GetLight()->GetDefaultConeAngle(), nb->GetLight()->GetDefaultConeAngle(), 1e-4) << name;
        }
        if (na->GetCamera() != nullptr) {
            ASSERT_NE(nb->GetCamera(), nullptr) << name;
            EXPECT_NEAR(na->GetCamera()->GetFocalLength(), nb->GetCamera()->GetFocalLength(), 1e-4) << name;
            EXPECT_NEAR(na->GetCamera()->GetFarPlane(), nb->GetCamera()->GetFarPlane(), 1e-4) << name;
        }
        if (na->GetGeometry() != nullptr) {
            ASSERT_NE(nb->GetGeometry(), nullptr) << name;
            CompareLinks(*na->GetGeometry(), *nb->GetGeometry(), name);
        }
    }
    ASSERT_EQ(a.Scene()->GetPoseCount(), b.Scene()->GetPoseCount());
    for (int p = 0; p < a.Scene()->GetPoseCount(); ++p) {
        RWyxPose& pa = *a.Scene()->GetPose(p);
        RWyxPose& pb = *b.Scene()->GetPose(p);
        ASSERT_EQ(pa.GetCount(), pb.GetCount());
        for (int e = 0; e < pa.GetCount(); ++e) {
            const int other = pb.Find(pa.GetNodeName(e));
            ASSERT_GE(other, 0) << pa.GetNodeName(e);
            EXPECT_TRUE(matricesNear(pa.GetMatrix(e), pb.GetMatrix(other), kMatrixTolerance)) << pa.GetNodeName(e);
        }
    }
}

class ExportCycleTest : public AnimatedSessionTest {
protected:
    static void buildScene() {
        script("createNode transform -n mover; setAttr mover.translateY 2");
        keyPlug("mover", "translateX", {{0.0, 0.0}, {1.0, 3.0}, {2.0, 1.0}}, VFnAnimCurve::kTangentLinear);
        keyPlug("mover", "rotateZ", {{0.0, 0.0}, {1.0, 0.5}}, VFnAnimCurve::kTangentFlat);
        script("createNode transform -n lamp; createNode spotLight -n lampShape -p lamp");
        VFnSpotLight(hostNode("lampShape")).setConeAngle(0.6);
        keyPlug("lampShape", "intensity", {{0.0, 1.0}, {1.0, 2.0}});
        makeCube("body");
        script("createNode transform -n rig");
        VFnIkJoint joint;
        joint.create(hostNode("rig"));
        joint.setName("root");
        const VObject tip = joint.create(joint.object());
        VFnIkJoint(tip).setName("tip");
        VFnIkJoint(tip).setTranslation(VVector(0.0, 2.0, 0.0), VSpace::kTransform);
        script("select -cl; select -tgl |rig|root; select -tgl |rig|root|tip; select -tgl body");
        script("newSkinCluster \"-toSelectedBones -mi 5 -dr 4\"");
        script("select -cl");
        script("createNode transform -n holder; createNode transform -n grip1 -p holder");
        script("cluster -n grip -wn grip1 grip1 body.vtx[0:3]");
        script("percent -v 0.5 grip body.vtx[1]");
    }
    std::unique_ptr<ReadBack> exportTo(const char* name) {
        const std::string path = file(name);
        EXPECT_TRUE(AnimatedSessionTest::exportTo(path));
        auto back = std::make_unique<ReadBack>(path);
        EXPECT_TRUE(back->Read()) << back->Error();
        return back;
    }
    void importIntoNewScene(const char* name) {
        script("file -f -new");
        ASSERT_TRUE(run("WYXImport -f \"" + file(name) + "\"")) << lastError().asChar();
    }
};

TEST_F(ExportCycleTest, TheSecondAndThirdFilesAgree) {
    buildScene();
    const auto first = exportTo("first.wyx");
    ASSERT_NE(first->Node("mover"), nullptr);
    importIntoNewScene("first.wyx");
    const auto second = exportTo("second.wyx");
    importIntoNewScene("second.wyx");
    const auto third = exportTo("third.wyx");
    ASSERT_NE(second->Node("body"), nullptr);
    CompareScenes(*second, *third);
}

}  // namespace
