// The bind-pose pass: the matrix a member takes relative to its parent, and the warning about
// a skinned file without a bind pose.

#include "tests/support/ImportTestSupport.h"

#include "attributes/RWyxMesh.h"
#include "attributes/RWyxSkinLink.h"
#include "core/EulerAngles.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include "host/src/ui/UiModel.h"

namespace {

using BindPoseTest = ImportTest;

RMatrix Pose(double degreesAboutZ, const RVector4& translation) {
    RMatrix matrix;
    EulerXYZToMatrix(matrix, 0.0, 0.0, degreesAboutZ);
    MatrixSetTranslation(matrix, translation.x, translation.y, translation.z);
    return matrix;
}

// A child 5 along its parent's X: the parent turned 90 degrees about Z puts it 5 up.
TEST_F(BindPoseTest, AMembersMatrixIsTakenRelativeToItsParentsPose) {
    WyxVexaImportSession session;
    auto* parent = static_cast<VexaNode*>(session.GetFactory().CreateNode("parent"));
    auto* child = static_cast<VexaNode*>(session.GetFactory().CreateNode("child"));
    parent->AddChild(child);
    std::vector<WyxVexaImportSession::BindPoseRecord> records(2);
    records[0].node = parent;
    records[0].poseMatrix = Pose(90.0, {0, 10, 0, 0});
    records[1].node = child;
    records[1].poseMatrix = Pose(90.0, {0, 15, 0, 0});
    const RMatrix local = session.BindPoseLocalMatrix(records, 1);
    EXPECT_NEAR(local.GetTranslation().x, 5.0, 1e-9);
    EXPECT_NEAR(local.GetTranslation().y, 0.0, 1e-9);
    EXPECT_NEAR(local.GetRotation().z, 0.0, 1e-9);
    // Without its parent in the pose (and no host node for it) the matrix stays global.
    const RMatrix alone = session.BindPoseLocalMatrix(records, 0);
    EXPECT_NEAR(alone.GetTranslation().y, 10.0, 1e-9);
    EXPECT_NEAR(alone.GetRotation().z, 90.0, 1e-9);
}

TEST_F(BindPoseTest, ASkinnedFileWithoutABindPoseIsWarnedAboutUnlessMergingExclusively) {
    TestSource().build = [](RWyxObjectFactory& factory) {
        RWyxScene* scene = BuildNamedNodes(factory, {"bone"});
        RWyxMesh* mesh = factory.CreateMesh();
        mesh->InitControlPoints(3);  // a mesh without points is not built
        RWyxSkinLink* link = factory.CreateSkinLink();
        link->SetLink(scene->GetRootNode()->GetChild(0));
        mesh->AddDeformer(link);
        RWyxNode* body = factory.CreateNode("body");
        body->SetNodeAttribute(mesh);
        scene->GetRootNode()->AddChild(body);
        return scene;
    };
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(importFile(testFile(), 0));
    // Merging exclusively into the empty scene matches nothing: that is the one message.
    ASSERT_EQ(vexa_host::UiModel::instance().shownDialogs().size(), 1u);
    EXPECT_EQ(vexa_host::UiModel::instance().shownDialogs()[0].message.rfind("Exclusive merge: no node", 0), 0u);
    vexa_host::UiModel::instance().reset();
    ASSERT_TRUE(importFile(testFile(), 1));
    const auto& shown = vexa_host::UiModel::instance().shownDialogs();
    // The bind pose's warning, then the deformations' report of the link whose node is no joint.
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].title, "WYX import error");
    EXPECT_EQ(shown[0].title, "WYX import Warning");
    EXPECT_EQ(shown[0].message, "This .wyx file does not contain a BindPose section. \n"
                                "Executing the command 'Go to Bind Pose' may not give the expected results.");
    EXPECT_NE(logText().find("\tThis .wyx file does not contain a BindPose section. \n"
                             "\tExecuting the command 'Go to Bind Pose' may not give the expected results.\n"),
              std::string::npos)
        << logText();
}

}  // namespace
