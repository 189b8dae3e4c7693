// The import session: opening files, the import main in each mode, a file that does not read,
// the host's time range, the blend-shape report, the legacy-pivot test, and the master scale
// and sampling rate as the registry gives them.

#include "tests/support/ImportTestSupport.h"

#include "core/RWyxUserProperty.h"
#include "fileio/RWyxFileImporter.h"
#include "plugin/PluginRegistration.h"
#include "plugin/UserParamStore.h"
#include "samples/SampleCharacter.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"

#include "host/src/commands/CharacterRig.h"
#include "host/src/ui/UiModel.h"

#include <vexa/VAnimControl.h>

#include <cmath>

namespace {

using ImportSessionTest = ImportTest;

RWyxScene* Sample(RWyxObjectFactory& factory) { return sample::BuildCharacterScene(factory); }

RWyxTakeInfo Take(const char* name) {
    RWyxTakeInfo take;
    take.name = name;
    return take;
}

void MakeHostNodes() {
    ASSERT_TRUE(VGlobal::executeCommand("createNode transform -n Character; createNode transform -n keep"));
    ASSERT_TRUE(VGlobal::executeCommand("namespace -add other; setAttr keep.translateX 4"));
}

TEST_F(ImportSessionTest, OpenAnswersNotFoundOnlyForAMissingFile) {
    WyxVexaImportSession session;
    EXPECT_EQ(session.Open(folder_.Join("missing.wyxtest").c_str()).statusCode(), VStatus::kNotFound);

    TestSource().headerFails = true;
    const VStatus header = session.Open(testFile().c_str());
    EXPECT_EQ(header.statusCode(), VStatus::kFailure);
    EXPECT_EQ(header.errorString(), "File is corrupted: the test says so");

    // Other formats are told by their extension; a WYX file by its header.
    WyxVexaImportSession::SetFormatTable(nullptr);
    WyxVexaImportSession sdk;
    const VStatus notWyx = sdk.Open(folder_.WriteFile("text.wyx", "plain text, no header").c_str());
    EXPECT_EQ(notWyx.statusCode(), VStatus::kFailure);
    EXPECT_NE(notWyx.errorString().indexOf("does not begin with a WYX header"), -1) << notWyx;
    const VStatus obj = sdk.Open(folder_.WriteFile("mesh.obj", "v 0 0 0\n").c_str());
    EXPECT_TRUE(obj) << "an OBJ file is routed by its extension, not refused for lacking a WYX header: " << obj;
    EXPECT_EQ(sdk.Open(folder_.WriteFile("x.unknown", "").c_str()).statusCode(), VStatus::kFailure);
}

TEST_F(ImportSessionTest, AFileThatDoesNotReadLeavesTheHostSceneAsItWas) {
    MakeHostNodes();
    ASSERT_TRUE(vexa_host::loadCharacterRigModule());
    const std::string before = dump();
    options().SetBoolOption(kImportShowUI, true);
    for (const bool partly : {false, true}) {
        // Cut short, the file leaves a scene with nodes and a character behind.
        TestSource().readFailsAfterBuild = partly;
        TestSource().build = [partly](RWyxObjectFactory& factory) {
            RWyxScene* scene = partly ? Sample(factory) : nullptr;
            if (scene != nullptr) scene->CreateCharacter("Hero");
            return scene;
        };
        for (const int mode : {0, 1, 2}) {
            const VStatus status = importFile(testFile(), mode);
            EXPECT_EQ(status.statusCode(), VStatus::kFailure) << mode;
            EXPECT_EQ(status.errorString(), "File is corrupted: the test says so");
            EXPECT_EQ(dump(), before) << mode;
        }
    }
    VString characters;
    ASSERT_TRUE(VGlobal::executeCommand("ZOQGetCharacterCount", characters));
    EXPECT_EQ(characters, "0");
    vexa_host::unloadCharacterRigModule();
    EXPECT_NE(logText().find("\tFile is corrupted: the test says so"), std::string::npos) << logText();
    const auto& shown = vexa_host::UiModel::instance().shownDialogs();
    ASSERT_EQ(shown.size(), 6u);
    EXPECT_EQ(shown[5].title, "WYX import Error");
    EXPECT_EQ(shown[5].message, "File is corrupted: the test says so");
}

TEST_F(ImportSessionTest, TheHostRangeIsTheTakesKeysOrOneFrame) {
    TestSource().build = Sample;
    TestSource().takes = {Take("Walk")};
    ASSERT_TRUE(VAnimControl::setMinMaxTime(VTime(3.0, VTime::kSeconds), VTime(7.0, VTime::kSeconds)));
    ASSERT_TRUE(importFile(testFile(), 2, "Walk"));
    EXPECT_EQ(VAnimControl::minTime().as(VTime::kSeconds), 0.0);
    EXPECT_EQ(VAnimControl::maxTime().as(VTime::kSeconds), 1.0);

    // No take read: no keys, one frame at 24 frames per second.
    RWyxFileImporter* importer = nullptr;
    WyxVexaImportSession session;
    ASSERT_TRUE(session.Open(testFile().c_str()));
    importer = session.GetImporter();
    importer->SetStreamFlag(6, false);
    ASSERT_TRUE(VAnimControl::setCurrentTime(VTime(5.0, VTime::kSeconds)));
    ASSERT_TRUE(session.Import());
    EXPECT_EQ(VAnimControl::minTime().as(VTime::kSeconds), 0.0);
    EXPECT_NEAR(VAnimControl::maxTime().as(VTime::kSeconds), 1.0 / 24.0, 1e-12);
    EXPECT_EQ(VAnimControl::currentTime().as(VTime::kSeconds), 0.0);
}

TEST_F(ImportSessionTest, TheBlendShapeReportRowsThreeNamesAndEndsWithABlankRow) {
    options().SetBoolOption(kImportShowUI, true);
    WyxVexaImportSession session;
    RWyxNode* nodes[4] = {};
    const char* names[4] = {"a", "b", "c", "d"};
    for (int i = 0; i < 4; ++i) nodes[i] = session.GetFactory().CreateNode(names[i]);
    session.ReportBlendShapeFailures();
    EXPECT_TRUE(vexa_host::UiModel::instance().shownDialogs().empty());

    session.AddBlendShapeFailure(nodes[0]);
    session.ReportBlendShapeFailures();
    session.AddBlendShapeFailure(nodes[1]);
    session.AddBlendShapeFailure(nodes[2]);
    session.AddBlendShapeFailure(nodes[3]);
    session.ReportBlendShapeFailures();
    const auto& shown = vexa_host::UiModel::instance().shownDialogs();
    ASSERT_EQ(shown.size(), 2u);
    const std::string head = "Import of blendshape animation failed for the following nodes:\n\n";
    const std::string tail = "\nMake sure the animation function curves exist on these nodes.\n"
                             " (Make sure each blendshape have at least a key)\n";
    EXPECT_EQ(shown[0].title, "WYX import error");
    EXPECT_EQ(shown[0].message, head + "        a\n        \n" + tail);
    // The report does not empty the list (the import does).
    EXPECT_EQ(shown[1].message, head + "        a, b, c, \n        d\n        \n" + tail);
}

TEST_F(ImportSessionTest, AFileIsLegacyWhenOlderThanFivePointEightWithANodeInPivotStateOne) {
    WyxVexaImportSession session;
    RWyxScene* scene = session.GetFactory().CreateScene();
    RWyxNode* child = session.GetFactory().CreateNode("child");
    RWyxNode* below = session.GetFactory().CreateNode("below");
    scene->GetRootNode()->AddChild(child);
    child->AddChild(below);
    child->SetPivotState(0, 0);
    below->SetPivotState(0, 0);
    EXPECT_FALSE(HasActivePivotNode(scene->GetRootNode()));
    below->SetPivotState(0, 1);
    EXPECT_TRUE(HasActivePivotNode(scene->GetRootNode()));
    EXPECT_FALSE(HasActivePivotNode(below));  // the node itself is left out

    const struct {
        int version;
        bool legacy;
    } cases[] = {{5700, true}, {5800, false}, {6000, false}, {4000, true}};
    for (const auto& c : cases) {
        TestSource().fileVersion = c.version;
        ASSERT_TRUE(session.Open(testFile().c_str()));
        EXPECT_EQ(IsLegacyPivotFile(scene->GetRootNode(), *session.GetImporter()), c.legacy) << c.version;
    }
}

// Stored values out of range never reach the root matrix or the sampling: the options keep
// their defaults.
TEST_F(ImportSessionTest, TheRootMatrixAndTheRateTakeTheStoredValuesTheOptionsAccept) {
    TestSource().build = [](RWyxObjectFactory& factory) { return BuildNamedNodes(factory, {"top"}); };
    const auto storeAndLoad = [](float scale, float rate) {
        UserParamStore store;
        store.Open(PluginRegistryKey(), "Vexa50");
        store.SetFloat(WyxVexaOptions::kSection, "kImportMasterScale", scale);
        store.SetFloat(WyxVexaOptions::kSection, "kImportSamplingRate", rate);
        store.Close();
        options().Reset();
        options().LoadUserParams();
    };
    const auto rootScale = [this]() {
        WyxVexaImportSession session;
        EXPECT_TRUE(session.Open(testFile().c_str()));
        EXPECT_TRUE(session.Import());
        return session.GetRootMatrix() != nullptr ? (*session.GetRootMatrix())[1][1] : -1.0;
    };
    storeAndLoad(2.5f, 48.0f);
    EXPECT_EQ(rootScale(), 2.5);
    EXPECT_EQ(WyxVexaImportSession::GetSamplingRate(), 48.0);
    for (const float bad : {NAN, 0.0f, -3.0f, 1e9f}) {
        storeAndLoad(bad, bad);
        EXPECT_EQ(rootScale(), 1.0) << bad;
        EXPECT_EQ(WyxVexaImportSession::GetSamplingRate(), 30.0) << bad;
        EXPECT_EQ(WyxVexaImportSession::GetMasterScale(), 1.0) << bad;
    }
    // A value set past the options' checks is refused by the session itself.
    options().SetDoubleOption(kImportMasterScale, 0.0);
    options().SetDoubleOption(kImportSamplingRate, -1.0);
    EXPECT_EQ(rootScale(), 1.0);
    EXPECT_EQ(WyxVexaImportSession::GetSamplingRate(), 30.0);
}

TEST_F(ImportSessionTest, TheRootMatrixTurnsAZUpHost) {
    TestSource().build = [](RWyxObjectFactory& factory) { return BuildNamedNodes(factory, {"top"}); };
    options().SetMasterScale(2.0, true);
    for (const char* axis : {"y", "z"}) {
        ASSERT_TRUE(VGlobal::executeCommand(VString("upAxis -axis ") + axis));
        WyxVexaImportSession session;
        ASSERT_TRUE(session.Open(testFile().c_str()));
        ASSERT_TRUE(session.Import());
        const RMatrix& matrix = *session.GetRootMatrix();
        const bool zUp = axis[0] == 'z';
        // Scaled by 2, then (Z up) turned 90 degrees about X: Y goes to Z.
        EXPECT_NEAR(matrix[0][0], 2.0, 1e-12);
        EXPECT_NEAR(matrix[1][1], zUp ? 0.0 : 2.0, 1e-12) << axis;
        EXPECT_NEAR(matrix[1][2], zUp ? 2.0 : 0.0, 1e-12) << axis;
        EXPECT_NEAR(matrix[2][1], zUp ? -2.0 : 0.0, 1e-12) << axis;
    }
}

}  // namespace
