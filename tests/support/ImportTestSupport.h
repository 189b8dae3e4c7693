#ifndef WYX_TESTS_SUPPORT_IMPORTTESTSUPPORT_H
#define WYX_TESTS_SUPPORT_IMPORTTESTSUPPORT_H

// Shared set-up of the import's tests: the host's fixture with the plug-in's commands
// registered and its options at their defaults (dialogs off), new import sessions reading the
// test format ("wyxtest" files, scenes built in memory: TestSceneReader.h), the log written in
// a scratch application folder, and the cached session let go after each test.

#include "core/FilePaths.h"
#include "hostimport/WyxVexaImportSession.h"
#include "plugin/VexaNode.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "plugin/ImportSessionCache.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestSceneReader.h"

#include "host/src/commands/SceneDump.h"

#include <sstream>
#include <string>

class ImportTest : public PluginCommandTest {
protected:
    void SetUp() override {
        PluginCommandTest::SetUp();
        SetApplicationPath((folder_.Path() + "/").c_str());
        WyxVexaImportSession::SetFormatTable(&TestFormatTable());
        TestSource() = TestSceneSource();
        options().SetBoolOption(kImportShowUI, false);
    }
    void TearDown() override {
        ReleaseCachedImportSession();
        WyxVexaImportSession::SetFormatTable(nullptr);
        TestSource() = TestSceneSource();
        SetApplicationPath("");
        PluginCommandTest::TearDown();
    }

    // A file of the test format (its content is not read).
    std::string testFile(const std::string& name = "scene") const { return folder_.WriteFile(name + ".wyxtest", "test"); }

    static std::string dump() {
        std::ostringstream out;
        vexa_host::dumpScene(out);
        return out.str();
    }
    static bool dumps(const std::string& line) { return dump().find(line) != std::string::npos; }

    std::string logText() const { return ScratchFolder::ReadFile(folder_.Join(WyxVexaImportSession::kLogFileName)); }

    // Opens the file in a session of its own and imports it in the mode; the session's status.
    static VStatus importFile(const std::string& path, int mode, const char* take = "") {
        options().SetImportMode(mode);
        WyxVexaImportSession session;
        VStatus status = session.Open(path.c_str());
        if (!status) return status;
        session.SetTakeName(take);
        return session.Import();
    }

    ScratchFolder folder_;
};

// For passes run on a scene of a session of the test's own: nodes made and added by hand.
class SessionSceneTest : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        scene_ = factory().CreateScene();
    }

    VexaObjectFactory& factory() { return session_.GetFactory(); }
    RWyxNode* root() { return scene_->GetRootNode(); }
    // A node below the parent, with the attribute and the host namespace given.
    VexaNode* add(RWyxNode* parent, const char* name, RWyxNodeAttribute* attribute = nullptr,
                  const char* nameSpace = "") {
        auto* node = static_cast<VexaNode*>(factory().CreateNode(name));
        if (attribute != nullptr) node->SetNodeAttribute(attribute);
        node->SetNamespace(nameSpace, false);
        parent->AddChild(node);
        return node;
    }

    WyxVexaImportSession session_;
    RWyxScene* scene_ = nullptr;
};

#endif
