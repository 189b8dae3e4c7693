// The export main: the file written with "Take 001" current, the take spans, the master scale
// with and without root nodes, the name-clash check, namespace warnings, failed writes that
// leave the target as it was, the joint display scale.

#include "tests/hostexport/ExportTestSupport.h"

#include "core/RWyxUserProperty.h"
#include "fileio/RWyxFile.h"
#include "hostimport/ImportNodePasses.h"
#include "scene/RWyxTakeInfo.h"
#include "scene/RWyxTakeNode.h"

#include "host/src/script/HostPreferences.h"

#include <vexa/VAnimControl.h>
#include <vexa/VTime.h>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <filesystem>

namespace {

using vexa_host::UiModel;

RVector4 Scaling(RWyxNode* node) {
    RVector4 scaling;
    return node->GetDefaultScaling(scaling);
}

std::string CurrentTakeOf(const std::string& path) {
    RWyxFile file;
    if (!file.Open(path.c_str())) return "<not opened>";
    std::string current = "<none>";
    if (file.FieldReadBegin("Takes")) {
        if (file.FieldReadBlockBegin()) {
            current = file.FieldReadStringByName("Current", "<none>").Buffer();
            file.FieldReadBlockEnd();
        }
        file.FieldReadEnd();
    }
    static_cast<void>(file.Close());
    return current;
}

class ExportSessionTest : public SessionTest {};

TEST_F(ExportSessionTest, TheSceneIsWrittenWithTake001CurrentAndItsNodes) {
    makeCube("box");
    script("createNode transform -n group; parent box group");
    const std::string path = file("scene.wyx");
    VString result;
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\"", &result));
    EXPECT_EQ(result, "Success");
    ReadBack back(path);
    ASSERT_TRUE(back.Read()) << back.Error();
    ASSERT_NE(back.Node("group"), nullptr);
    ASSERT_NE(back.Node("box"), nullptr);
    EXPECT_EQ(back.Node("box")->GetParent(), back.Node("group"));
    ASSERT_NE(back.Node("box")->GetMesh(), nullptr);
    EXPECT_EQ(back.Node("box")->GetMesh()->GetPolygonCount(), 6);
    EXPECT_EQ(CurrentTakeOf(path), "Take 001");
    EXPECT_EQ(logText(), "") << "a clean export logs nothing";
}

TEST_F(ExportSessionTest, EveryTakeSpansTheHostsPlaybackRange) {
    script("createNode transform -n a; createNode transform -n b");
    ASSERT_TRUE(VAnimControl::setMinMaxTime(VTime(1.0, VTime::kSeconds), VTime(3.5, VTime::kSeconds)));
    collect();
    node("a")->AddTakeNode(WyxVexaExportSession::kTakeName);
    node("b")->AddTakeNode("Other");
    session_->SetTakeSpans();
    for (const char* take : {"Take 001", "Other"}) {
        const RWyxTakeInfo* info = session_->GetScene()->GetTakeInfo(take);
        ASSERT_NE(info, nullptr) << take;
        EXPECT_DOUBLE_EQ(info->localStart.ToSeconds(), 1.0) << take;
        EXPECT_DOUBLE_EQ(info->localStop.ToSeconds(), 3.5) << take;
        EXPECT_DOUBLE_EQ(info->referenceStart.ToSeconds(), 1.0) << take;
        EXPECT_DOUBLE_EQ(info->referenceStop.ToSeconds(), 3.5) << take;
    }
}

// ---- master scale ---------------------------------------------------------------------------------

TEST_F(ExportSessionTest, AMasterScaleOfOneLeavesTheTreeAlone) {
    script("createNode transform -n a; createNode transform -n b");
    collect();
    session_->ApplyMasterScale(1.0);
    ASSERT_EQ(root()->GetChildCount(), 2);
    EXPECT_EQ(root()->GetChild(0)->GetNameWithoutPrefix(), "a");
    EXPECT_EQ(node("Wyx_Root"), nullptr);
}

TEST_F(ExportSessionTest, OrdinaryTopNodesGoUnderANewScaledRoot) {
    script("createNode transform -n a; createNode transform -n b");
    collect();
    session_->ApplyMasterScale(2.0);
    ASSERT_EQ(root()->GetChildCount(), 1);
    RWyxNode* wrapper = root()->GetChild(0);
    EXPECT_EQ(wrapper->GetNameWithoutPrefix(), "Wyx_Root");
    EXPECT_EQ(static_cast<VexaNode*>(wrapper)->GetDagPath(), nullptr);
    const RVector4 scaling = Scaling(wrapper);
    EXPECT_DOUBLE_EQ(scaling.x, 2.0);
    EXPECT_DOUBLE_EQ(scaling.y, 2.0);
    EXPECT_DOUBLE_EQ(scaling.z, 2.0);
    ASSERT_EQ(wrapper->GetChildCount(), 2);
    EXPECT_EQ(wrapper->GetChild(0)->GetNameWithoutPrefix(), "a");
    EXPECT_EQ(wrapper->GetChild(1)->GetNameWithoutPrefix(), "b");
}

TEST_F(ExportSessionTest, ARootNodeScaledToTheIdentityGoesItsChildrenStay) {
    script("createNode transform -n Wyx_Root; createNode transform -n kid -p Wyx_Root; "
           "createNode transform -n other -p Wyx_Root");
    collect();
    RWyxNode* wyxRoot = node("Wyx_Root");
    ASSERT_NE(wyxRoot, nullptr);
    wyxRoot->SetDefaultScaling(RVector4(0.5, 0.5, 0.5, 0.0));
    session_->ApplyMasterScale(2.0);
    EXPECT_EQ(wyxRoot->GetParent(), nullptr);
    ASSERT_EQ(root()->GetChildCount(), 2);
    EXPECT_EQ(root()->GetChild(0)->GetNameWithoutPrefix(), "kid");
    EXPECT_EQ(root()->GetChild(1)->GetNameWithoutPrefix(), "other");
}

TEST_F(ExportSessionTest, ARootNodeNotScaledAwayHasItsCurvesRescaled) {
    script("createNode transform -n Wyx_Root; createNode transform -n kid -p Wyx_Root");
    collect();
    RWyxNode* wyxRoot = node("Wyx_Root");
    wyxRoot->SetDefaultScaling(RVector4(0.5, 0.5, 0.5, 0.0));
    session_->ApplyMasterScale(3.0);
    EXPECT_EQ(wyxRoot->GetParent(), root());
    EXPECT_EQ(node("kid")->GetParent(), wyxRoot);
    const RVector4 scaling = Scaling(wyxRoot);
    EXPECT_NEAR(scaling.x, 1.5, 1e-6);
    EXPECT_NEAR(scaling.z, 1.5, 1e-6);
}

TEST_F(ExportSessionTest, BesideARootNodeTheNewRootTakesANameOfItsOwn) {
    script("createNode transform -n Wyx_Root; createNode transform -n loose");
    collect();
    session_->ApplyMasterScale(2.0);
    ASSERT_EQ(root()->GetChildCount(), 2);
    EXPECT_EQ(root()->GetChild(0)->GetNameWithoutPrefix(), "Wyx_Root");
    EXPECT_EQ(root()->GetChild(1)->GetNameWithoutPrefix(), "Wyx_Root1") << "two models of one name would clash";
    EXPECT_EQ(node("loose")->GetParent(), root()->GetChild(1));
}

TEST_F(ExportSessionTest, AMasterScaleOfZeroOrNaNIsNeverApplied) {
    script("createNode transform -n a");
    for (const double scale : {0.0, std::nan(""), -2.0}) {
        options().SetDoubleOption(kExportMasterScale, scale);
        EXPECT_DOUBLE_EQ(WyxVexaExportSession::GetMasterScale(), 1.0) << scale;
        collect();
        session_->ApplyMasterScale(scale);
        EXPECT_EQ(node("Wyx_Root"), nullptr) << scale;
        EXPECT_EQ(node("a")->GetParent(), root());
    }
    options().SetDoubleOption(kExportSamplingRate, 0.0);
    EXPECT_DOUBLE_EQ(WyxVexaExportSession::GetSamplingRate(), 30.0);
    // Through the whole export, the file still holds a plain tree.
    options().SetDoubleOption(kExportMasterScale, 0.0);
    ASSERT_TRUE(exportTo(file("zero.wyx")));
    ReadBack back(file("zero.wyx"));
    ASSERT_TRUE(back.Read()) << back.Error();
    EXPECT_EQ(back.Node("a")->GetParent(), back.Root());
}

// ---- name clashes and failures ------------------------------------------------------------------

TEST_F(ExportSessionTest, FortyFiveClashingNamesListFortyAndWriteNothing) {
    options().SetBoolOption(kExportShowUI, true);
    const std::string path = folder_.WriteFile("kept.wyx", "the user's file");
    collect();
    // Names no renaming made unique (the export's renaming makes host names unique).
    for (int i = 0; i < 45; ++i) {
        const std::string name = "twin" + std::to_string(i);
        for (int copy = 0; copy < 2; ++copy) root()->AddChild(session_->GetFactory().CreateNode(name.c_str()));
    }
    const VStatus status = session_->Conclude(path.c_str());
    EXPECT_FALSE(status);
    EXPECT_EQ(ScratchFolder::ReadFile(path), "the user's file");
    const auto& dialogs = UiModel::instance().shownDialogs();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].title, "WYX Export Error");
    const std::string& text = dialogs[0].message;
    EXPECT_EQ(text.rfind("Unable to export WYX project because these models share same name : \n\n", 0), 0u) << text;
    EXPECT_NE(text.find("    twin39\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("    twin40\n"), std::string::npos) << "40 names listed";
    EXPECT_LT(text.find("twin39"), text.find("twin0\n")) << "from the 40th back to the first";
    EXPECT_EQ(text.substr(text.size() - 7), "   ...\n");
    const std::string log = logText();
    EXPECT_NE(log.find("WYX Export Error: Unable to export WYX project because these models share same name : "),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\tFile Export Failed."), std::string::npos) << log;
}

TEST_F(ExportSessionTest, AWriteThatFailsIsNoSuccessAndLeavesTheTargetAsItWas) {
    makeCube("box");
    // No folder to write into: nothing made.
    const std::string nowhere = file("missing/scene.wyx");
    VString result;
    EXPECT_FALSE(run("WYXExport -f \"" + nowhere + "\"", &result));
    EXPECT_NE(result, "Success");
    EXPECT_EQ(lastError().str().rfind("WYXExport error: ", 0), 0u) << lastError();
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_NE(logText().find("File Export Failed."), std::string::npos);

    // A write cut short (files may grow no further than a few bytes): the old file stays,
    // nothing half-written beside it.
    const std::string path = folder_.WriteFile("kept.wyx", "the user's file");
    const auto before = std::filesystem::directory_iterator(folder_.Path());
    const size_t entries = static_cast<size_t>(std::distance(before, std::filesystem::directory_iterator()));
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{256, limit.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const VStatus status = exportTo(path);
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(status);
    EXPECT_EQ(ScratchFolder::ReadFile(path), "the user's file");
    const auto after = std::filesystem::directory_iterator(folder_.Path());
    EXPECT_EQ(static_cast<size_t>(std::distance(after, std::filesystem::directory_iterator())), entries);
}

// ---- warnings ---------------------------------------------------------------------------------------

TEST_F(ExportSessionTest, NamespacesInMaterialsAndSharedOnesAtTheTopAreWarnedAbout) {
    options().SetBoolOption(kExportShowUI, true);
    script("namespace -add ns; namespace -set ns; createNode transform -n a; createNode transform -n b; "
           "namespace -set \":\"");
    makeCube("box");
    const std::string group = makeShadingGroup("lambert", "ns:skin");
    script("sets -e -forceElement " + group + " box");
    // The session itself: with the dialogs on, the command would show its window instead.
    ASSERT_TRUE(WyxVexaExportSession().Export(file("spaced.wyx").c_str()));
    const std::string log = logText();
    EXPECT_NE(log.find("WYX Export Warning: STAGEWRIGHT does not handle namespaces in materials/textures."),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("\tMaterial::ns:skin\n"), std::string::npos) << log;
    EXPECT_NE(log.find("WYX Export Warning: STAGEWRIGHT does not handle shared namespaces in root nodes."),
              std::string::npos)
        << log;
    const auto& dialogs = UiModel::instance().shownDialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_NE(dialogs[0].message.find("\n\n    Material::ns:skin\n"), std::string::npos) << dialogs[0].message;
    EXPECT_EQ(dialogs[1].title, "WYX Export Warning");
}

TEST_F(ExportSessionTest, TheSkeletonSizeFollowsTheJointDisplayScale) {
    script("createNode joint -n hip; createNode joint -n knee -p hip");
    vexa_host::HostPreferences::instance().jointDisplayScale = 2.5;
    collect();
    EXPECT_DOUBLE_EQ(session_->GetSkeletonSize(), 250.0);
    vexa_host::HostPreferences::instance().jointDisplayScale = 0.0;
    collect();
    EXPECT_DOUBLE_EQ(session_->GetSkeletonSize(), 100.0 * 1e-7);
}

}  // namespace
