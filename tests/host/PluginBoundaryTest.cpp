// The boundary between the host and a plug-in's code: a throw anywhere in the plug-in fails
// that one call with the exception's text in the message log, and the session and its scene
// go on; plug-ins named without a folder come from the search path only; file names reach the
// translator's command intact, whatever they hold.

#include "tests/support/PluginTestSupport.h"

#include "host/src/scene/Scene.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/ScriptText.h"

#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

#include <climits>
#include <vector>

namespace {

using vexa_host::CommandEngine;
using vexa_host::PluginManager;
using vexa_host::Scene;

bool errorLogged(const std::string& text) {
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
    for (unsigned i = 0; i < errors.length(); ++i) {
        if (errors[i].str() == text) return true;
    }
    return false;
}

std::string allErrors() {
    std::string text;
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
    for (unsigned i = 0; i < errors.length(); ++i) text += errors[i].str() + "\n";
    return text;
}

VString quotedPath(const std::string& path) { return VString(("\"" + path + "\"").c_str()); }

class PluginBoundaryTest : public PluginTest {
protected:
    static void throwAt(const char* place) { setenv("VEXA_TEST_PLUGIN_THROW", place, 1); }
    static size_t named(const char* name) { return Scene::instance().nodesNamed(name).size(); }
};

TEST_F(PluginBoundaryTest, AnInitialisationThatThrowsUnloadsThePluginAndDropsWhatItRegistered) {
    throwAt("initializePlugin");
    const VStatus status = load(VEXA_TEST_PLUGIN_PATH);
    EXPECT_EQ(status, VStatus::kFailure);
    EXPECT_EQ(status.errorString(), "initializePlugin of vexatestplugin threw: initializePlugin gave up");
    EXPECT_FALSE(PluginManager::instance().isLoaded("vexatestplugin"));
    EXPECT_TRUE(PluginManager::instance().translators().empty());
    // Through the command the text reaches the message log.
    EXPECT_EQ(VGlobal::executeCommand(VString("loadPlugin ") + quotedPath(VEXA_TEST_PLUGIN_PATH)), VStatus::kFailure);
    EXPECT_TRUE(errorLogged("loadPlugin: initializePlugin of vexatestplugin threw: initializePlugin gave up")) << allErrors();
    clearSwitches();
    EXPECT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
}

TEST_F(PluginBoundaryTest, AnUninitialisationThatThrowsKeepsThePluginUnlessItIsForcedOut) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    throwAt("uninitializePlugin");
    const VStatus status = PluginManager::instance().unload("vexatestplugin");
    EXPECT_EQ(status, VStatus::kFailure);
    EXPECT_EQ(status.errorString(), "uninitializePlugin of vexatestplugin threw: uninitializePlugin gave up");
    EXPECT_TRUE(PluginManager::instance().isLoaded("vexatestplugin"));
    EXPECT_TRUE(CommandEngine::instance().exists("TestImport"));
    // At exit the host forces it out all the same, and says why it did not go quietly.
    PluginManager::instance().unloadAll();
    EXPECT_FALSE(PluginManager::instance().isLoaded("vexatestplugin"));
    EXPECT_FALSE(CommandEngine::instance().exists("TestImport"));
    EXPECT_TRUE(PluginManager::instance().translators().empty());
    EXPECT_TRUE(errorLogged("uninitializePlugin of vexatestplugin threw: uninitializePlugin gave up")) << allErrors();
}

TEST_F(PluginBoundaryTest, ACommandThatThrowsFailsAndTheSceneKeepsWhatItMade) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    const std::string file = scratchFile("throwing.tst");
    writeFile(file, "# tst\nfirst 1 0 0\nsecond 2 0 0\n");
    const VString command = VString("TestImport -f ") + quotedPath(file);
    throwAt("doIt");
    EXPECT_EQ(VGlobal::executeCommand(command), VStatus::kFailure);
    EXPECT_TRUE(errorLogged("TestImport threw: doIt gave up")) << allErrors();
    EXPECT_EQ(named("first"), 1u);
    EXPECT_EQ(named("second"), 0u);
    EXPECT_EQ(CommandEngine::instance().currentResult(), nullptr) << "the command's run is over";

    throwAt("createCommand");
    EXPECT_EQ(VGlobal::executeCommand(command), VStatus::kFailure);
    EXPECT_TRUE(errorLogged("the creator of the command TestImport threw: createCommand gave up")) << allErrors();
    // The session goes on: the same command runs once the plug-in stops throwing.
    clearSwitches();
    VString result;
    ASSERT_TRUE(VGlobal::executeCommand(command, result));
    EXPECT_EQ(result, "imported 2 from user");
    EXPECT_EQ(named("second"), 1u);
    std::remove(file.c_str());
}

TEST_F(PluginBoundaryTest, ATranslatorThatThrowsFailsItsFileCommandOnly) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    const std::string input = scratchFile("in.tst");
    const std::string output = scratchFile("out.tst");
    writeFile(input, "# tst\nball 1 2 3\n");
    struct Case {
        const char* place;
        const std::string& file;
        const char* flag;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"reader", input, "-import", "file: TestFormat::reader threw: reader gave up"},
        {"writer", output, "-export", "file: TestFormat::writer threw: writer gave up"},
        {"identifyFile", input, "-import", "TestFormat::identifyFile threw an exception that is not a std::exception"},
        {"createTranslator", input, "-import", "the creator of the translator TestFormat threw: createTranslator gave up"},
        {"createTranslator", output, "-export", "the creator of the translator TestFormat threw: createTranslator gave up"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.place);
        VMessageLog::clear();
        throwAt(entry.place);
        EXPECT_EQ(VGlobal::executeCommand(VString("file ") + entry.flag + " " + quotedPath(entry.file)), VStatus::kFailure);
        EXPECT_TRUE(errorLogged(entry.error)) << allErrors();
        EXPECT_EQ(named("ball"), 0u);
    }
    clearSwitches();
    ASSERT_TRUE(VGlobal::executeCommand(VString("file -import ") + quotedPath(input)));
    EXPECT_EQ(named("ball"), 1u);
    std::remove(input.c_str());
    std::remove(output.c_str());
}

TEST_F(PluginBoundaryTest, TheShellOutlivesAPluginThatThrows) {
    const std::string file = scratchFile("shell-throw.tst");
    writeFile(file, "# tst\nfirst 1 0 0\nsecond 2 0 0\n");
    const std::string script = scratchFile("shell-throw.vx");
    writeFile(script, "loadPlugin \"" + std::string(VEXA_TEST_PLUGIN_PATH) + "\"\nTestImport -f \"" + file +
                          "\"\nfile -import \"" + file + "\"\nfile -export \"" + scratchFile("shell-out.tst") +
                          "\"\ncreateNode transform -n after\ngetAttr first.tx\n");
    struct Case {
        const char* place;
        const char* error;
        int status;  // 1 when a line failed
    };
    const std::vector<Case> cases = {
        {"initializePlugin", "initializePlugin of vexatestplugin threw: initializePlugin gave up", 1},
        {"doIt", "TestImport threw: doIt gave up", 1},
        {"reader", "TestFormat::reader threw: reader gave up", 1},
        {"identifyFile", "TestFormat::identifyFile threw an exception that is not a std::exception", 1},
        {"writer", "TestFormat::writer threw: writer gave up", 1},
        {"uninitializePlugin", "uninitializePlugin of vexatestplugin threw: uninitializePlugin gave up", 0},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.place);
        std::string output;
        // Standard input: every line runs, and the session ends normally.
        EXPECT_EQ(runShell(std::string("env VEXA_TEST_PLUGIN_THROW=") + entry.place, "", output, script), entry.status)
            << output;
        EXPECT_NE(output.find(entry.error), std::string::npos) << output;
        EXPECT_NE(output.find("// Result: after\n"), std::string::npos) << output;
    }
    // The doIt that threw left its first transform in the scene, and the session read it.
    std::string output;
    runShell("env VEXA_TEST_PLUGIN_THROW=doIt", "", output, script);
    EXPECT_NE(output.find("// Result: 1\n"), std::string::npos) << output;
    // A plug-in of -p that throws ends the shell with a failure, not a crash.
    EXPECT_EQ(runShell("env VEXA_TEST_PLUGIN_THROW=initializePlugin", std::string("-p ") + VEXA_TEST_PLUGIN_PATH + " -c 'print x'",
                       output),
              1)
        << output;
    std::remove(file.c_str());
    std::remove(script.c_str());
    std::remove(scratchFile("shell-out.tst").c_str());
}

// Runs the test body in the plug-in's own folder, with the search path given (null: unset),
// and puts both back afterwards.
class SearchPathTest : public PluginBoundaryTest {
protected:
    void SetUp() override {
        PluginBoundaryTest::SetUp();
        char folder[PATH_MAX];
        ASSERT_NE(getcwd(folder, sizeof(folder)), nullptr);
        previousFolder = folder;
        const char* path = std::getenv("VEXA_PLUG_IN_PATH");
        hadPath = path != nullptr;
        if (hadPath) previousPath = path;
        ASSERT_EQ(chdir(folderOf(VEXA_TEST_PLUGIN_PATH).c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(previousFolder.c_str()), 0);
        setSearchPath(hadPath ? previousPath.c_str() : nullptr);
        PluginBoundaryTest::TearDown();
    }
    static void setSearchPath(const char* value) {
        if (value == nullptr) {
            unsetenv("VEXA_PLUG_IN_PATH");
        } else {
            setenv("VEXA_PLUG_IN_PATH", value, 1);
        }
    }

    std::string previousFolder;
    std::string previousPath;
    bool hadPath = false;
};

TEST_F(SearchPathTest, ABareNameIsNotLoadedFromTheCurrentFolder) {
    setSearchPath("/nonexistent-a;/nonexistent-b");
    for (const char* name : {"vexatestplugin", "vexatestplugin.vll"}) {
        SCOPED_TRACE(name);
        const VStatus status = load(name);
        EXPECT_EQ(status, VStatus::kNotFound);
        EXPECT_EQ(status.errorString().str(), std::string("plug-in not found: ") + name +
                                                  " (searched /nonexistent-a, /nonexistent-b)");
    }
    setSearchPath(nullptr);
    const VStatus status = load("vexatestplugin.vll");
    EXPECT_EQ(status, VStatus::kNotFound);
    EXPECT_EQ(status.errorString(), "plug-in not found: vexatestplugin.vll (VEXA_PLUG_IN_PATH names no folder)");
    EXPECT_FALSE(PluginManager::instance().isLoaded("vexatestplugin"));
    // A name with a folder is a path, loaded as given.
    EXPECT_EQ(load("./missing.vll").errorString(), "plug-in not found: ./missing.vll");
    EXPECT_TRUE(load("./vexatestplugin.vll"));
}

TEST_F(SearchPathTest, TheShellLoadsNothingFromTheFolderItStandsIn) {
    std::string output;
    EXPECT_EQ(runShell("env VEXA_PLUG_IN_PATH=/nonexistent", "-c 'loadPlugin vexatestplugin'", output), 1) << output;
    EXPECT_NE(output.find("plug-in not found: vexatestplugin (searched /nonexistent)"), std::string::npos) << output;
    // Unset, the shell searches its own folder, which does not hold the plug-in.
    EXPECT_EQ(runShell("env -u VEXA_PLUG_IN_PATH", "-c 'loadPlugin vexatestplugin'", output), 1) << output;
    EXPECT_NE(output.find("plug-in not found: vexatestplugin (searched " + folderOf(VEXA_SHELL_PATH) + ")"),
              std::string::npos)
        << output;
}

TEST_F(PluginBoundaryTest, FileNamesReachTheTranslatorsCommandIntact) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    const std::vector<std::string> names = {
        "quote\"d.tst",
        "back\\slash.tst",
        "semi;colon.tst",
        "line\nfeed.tst",
        "tab\tand \\\" both.tst",
        "ends in a backslash\\",
        "x.tst\";createNode transform -n \"INJECTED\";loadPlugin \"helper.vll\";print \"",
    };
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        const std::string file = scratchFile(names[i]);
        const std::string node = "imported" + std::to_string(i);
        writeFile(file, "# tst\n" + node + " 1 2 3\n");
        const size_t nodesBefore = Scene::instance().nodes().size();
        VString result;
        ASSERT_TRUE(VGlobal::executeCommand(VString("file -import ") + vexa_host::quoted(file).c_str(), result));
        EXPECT_EQ(result.str(), file);
        // Only the one transform of the file is new: the name was read whole, not as commands.
        EXPECT_EQ(Scene::instance().nodes().size(), nodesBefore + 1);
        EXPECT_EQ(named(node.c_str()), 1u);
        std::remove(file.c_str());
    }
    EXPECT_EQ(named("INJECTED"), 0u);
    EXPECT_EQ(PluginManager::instance().loadedNames(), std::vector<std::string>{"vexatestplugin"});
    // Written through the translator, the file gets exactly its name.
    const std::string written = scratchFile("out\"; print \"x\\.tst");
    ASSERT_TRUE(VGlobal::executeCommand(VString("file -export ") + vexa_host::quoted(written).c_str()));
    EXPECT_EQ(readFile(written).substr(0, 6), "# tst\n");
    std::remove(written.c_str());
}

}  // namespace
