// Plug-in loading (entry points, interface version, registrations, visibility), the
// translator road from "file -import" to a plug-in command, and the shell.

#include "tests/support/PluginTestSupport.h"

#include "host/src/script/CommandEngine.h"

#include <vexa/VFnPlugin.h>
#include <vexa/VFnTransform.h>
#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

#include <dlfcn.h>

namespace {

using vexa_host::CommandEngine;
using vexa_host::PluginManager;

TEST_F(PluginTest, LoadingRegistersTheTranslatorAndCommands) {
    std::string name;
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH, &name)) << VMessageLog::lines().length();
    EXPECT_EQ(name, "vexatestplugin");
    EXPECT_TRUE(PluginManager::instance().isLoaded("vexatestplugin"));
    for (const char* command : {"TestImport", "TestExport", "TestPluginFolder"}) {
        EXPECT_TRUE(CommandEngine::instance().exists(command)) << command;
    }
    ASSERT_EQ(PluginManager::instance().translators().size(), 1u);
    EXPECT_EQ(PluginManager::instance().translators().front().name, "TestFormat");
    EXPECT_EQ(load(VEXA_TEST_PLUGIN_PATH), VStatus::kFailure);

    ASSERT_TRUE(PluginManager::instance().unload("vexatestplugin"));
    EXPECT_FALSE(CommandEngine::instance().exists("TestImport"));
    EXPECT_TRUE(PluginManager::instance().translators().empty());
    const VStringArray info = VMessageLog::linesOf(VMessageLog::kInfo);
    ASSERT_GE(info.length(), 1u);
    EXPECT_EQ(info[info.length() - 1], "test plug-in unloaded");
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kWarning).length(), 0u);
    EXPECT_EQ(PluginManager::instance().unload("vexatestplugin"), VStatus::kNotFound);
}

TEST_F(PluginTest, APluginRegistersOnlyFreeNamesAndTakesBackOnlyItsOwn) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    VStatus status;
    VFnPlugin plugin(PluginManager::instance().pluginObject("vexatestplugin"), "Unknown", "Unknown", "Any", &status);
    ASSERT_TRUE(status);
    EXPECT_EQ(plugin.name(), "vexatestplugin");
    EXPECT_EQ(plugin.vendor(), "Vexa tests");
    EXPECT_EQ(plugin.version(), "1.0");
    EXPECT_EQ(plugin.apiVersion(), "5.0");
    EXPECT_EQ(plugin.loadPath(), folderOf(VEXA_TEST_PLUGIN_PATH).c_str());
    EXPECT_EQ(plugin.registerCommand("getAttr", [] { return static_cast<void*>(nullptr); }), VStatus::kFailure);
    EXPECT_EQ(plugin.registerCommand("", [] { return static_cast<void*>(nullptr); }), VStatus::kInvalidParameter);
    EXPECT_EQ(plugin.deregisterCommand("getAttr"), VStatus::kFailure);
    EXPECT_EQ(plugin.registerFileTranslator("TestFormat", "", [] { return static_cast<void*>(nullptr); }),
              VStatus::kFailure);
    EXPECT_EQ(plugin.deregisterFileTranslator("Other"), VStatus::kFailure);
    EXPECT_EQ(VFnPlugin(VObject()).registerCommand("x", [] { return static_cast<void*>(nullptr); }),
              VStatus::kInvalidParameter);
    // What a plug-in leaves registered is taken away, with a warning, when it is forced out.
    ASSERT_TRUE(plugin.registerCommand("Leftover", [] { return static_cast<void*>(nullptr); }));
    EXPECT_EQ(VGlobal::executeCommand("Leftover"), VStatus::kInsufficientMemory);
    PluginManager::instance().unloadAll();
    EXPECT_FALSE(CommandEngine::instance().exists("Leftover"));
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kWarning).length(), 1u);
}

TEST_F(PluginTest, OnlyTheEntryPointsAreVisible) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    void* handle = dlopen(VEXA_TEST_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(dlsym(handle, "initializePlugin"), nullptr);
    EXPECT_NE(dlsym(handle, "uninitializePlugin"), nullptr);
    const auto* version = static_cast<const char*>(dlsym(handle, "VApiVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version, "500");
    EXPECT_EQ(dlsym(handle, "vexaTestPluginHelper"), nullptr);
    dlclose(handle);
}

TEST_F(PluginTest, AnotherInterfaceVersionIsRefused) {
    EXPECT_EQ(load(VEXA_OLD_API_PLUGIN_PATH), VStatus::kFailure);
    EXPECT_FALSE(PluginManager::instance().isLoaded("vexaoldapiplugin"));
    EXPECT_FALSE(CommandEngine::instance().exists("TestImport"));
    EXPECT_EQ(load("/nonexistent/plugin.vll"), VStatus::kNotFound);
}

TEST_F(PluginTest, AFailedInitialisationLeavesNothingRegistered) {
    setenv("VEXA_TEST_PLUGIN_FAIL", "1", 1);
    const VStatus status = load(VEXA_TEST_PLUGIN_PATH);
    unsetenv("VEXA_TEST_PLUGIN_FAIL");
    EXPECT_EQ(status, VStatus::kFailure);
    EXPECT_FALSE(PluginManager::instance().isLoaded("vexatestplugin"));
    EXPECT_TRUE(PluginManager::instance().translators().empty());
    // It can be loaded again afterwards.
    EXPECT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
}

TEST_F(PluginTest, FileImportGoesThroughTheTranslatorToTheCommand) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    const std::string file = scratchFile("in.tst");
    writeFile(file, "# tst\nball 1 2 3\ncube -4 0.5 6\n");
    VString result;
    ASSERT_TRUE(VGlobal::executeCommand(VString("file -import \"") + file.c_str() + "\"", result));
    EXPECT_EQ(result, file.c_str());
    const VStringArray info = VMessageLog::linesOf(VMessageLog::kInfo);
    ASSERT_EQ(info.length(), 1u);
    EXPECT_EQ(info[0], "TestImport read 2 transforms for TestTranslator");
    ASSERT_EQ(vexa_host::Scene::instance().nodesNamed("cube").size(), 1u);
    const VObject cube(vexa_host::Scene::instance().nodesNamed("cube").front()->self());
    EXPECT_TRUE(VFnTransform(cube).translation(VSpace::kTransform).isEquivalent(VVector(-4, 0.5, 6)));

    // Run directly, the command says who asked.
    ASSERT_TRUE(VGlobal::executeCommand(VString("TestImport -f \"") + file.c_str() + "\"", result));
    EXPECT_EQ(result, "imported 2 from user");
    // A file the translator does not know is not read.
    const std::string other = scratchFile("other.tst");
    writeFile(other, "not a tst file\n");
    EXPECT_EQ(VGlobal::executeCommand(VString("file -import \"") + other.c_str() + "\""), VStatus::kFailure);
    std::remove(file.c_str());
    std::remove(other.c_str());
}

TEST_F(PluginTest, FileExportChoosesTheTranslatorByExtension) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    VFnTransform ball;
    ball.create();
    ball.setName("ball");
    ball.setTranslation(VVector(1, 2, 3), VSpace::kTransform);
    const std::string file = scratchFile("out.TST");
    ASSERT_TRUE(VGlobal::executeCommand(VString("file -export \"") + file.c_str() + "\""));
    EXPECT_EQ(readFile(file), "# tst\nball 1 2 3\n");
    std::remove(file.c_str());
    const std::string named = scratchFile("out.txt");
    ASSERT_TRUE(VGlobal::executeCommand(VString("file -export \"") + named.c_str() + "\" -type TestFormat"));
    EXPECT_EQ(readFile(named), "# tst\nball 1 2 3\n");
    std::remove(named.c_str());
    EXPECT_EQ(VGlobal::executeCommand("file -export x.tst -type Other"), VStatus::kFailure);
}

TEST_F(PluginTest, CommandsOfTheTestPluginShowTheirUsage) {
    ASSERT_TRUE(load(VEXA_TEST_PLUGIN_PATH));
    EXPECT_EQ(VGlobal::executeCommand("TestImport -caller me"), VStatus::kFailure);
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
    ASSERT_EQ(errors.length(), 1u);
    EXPECT_EQ(errors[0], "Use syntax: TestImport -f \"filename\" [-caller name]");
}

TEST_F(PluginTest, TheShellTellsThePluginWhereItLives) {
    std::string output;
    const int status = runShell("env -u VEXA_PLUG_IN_PATH",
                                std::string("-c 'loadPlugin \"") + VEXA_TEST_PLUGIN_PATH + "\"; TestPluginFolder'", output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("// Result: vexatestplugin\n"), std::string::npos) << output;
    EXPECT_NE(output.find("// Result: " + folderOf(VEXA_TEST_PLUGIN_PATH) + "\n"), std::string::npos) << output;
    // Unloaded at exit, after the commands ran.
    EXPECT_GT(output.find("test plug-in unloaded"), output.find("// Result: " + folderOf(VEXA_TEST_PLUGIN_PATH)));
}

TEST_F(PluginTest, TheShellFindsPluginsByNameOnTheUsersPath) {
    std::string output;
    const std::string environment = "env VEXA_PLUG_IN_PATH='/nonexistent;;" + folderOf(VEXA_TEST_PLUGIN_PATH) + "'";
    EXPECT_EQ(runShell(environment, "-c 'loadPlugin vexatestplugin; exists TestExport'", output), 0) << output;
    EXPECT_NE(output.find("// Result: 1\n"), std::string::npos) << output;
}

TEST_F(PluginTest, TheShellImportsThroughThePluginAndDumpsTheScene) {
    const std::string file = scratchFile("shell.tst");
    writeFile(file, "# tst\nwheel 0 1 0\n");
    std::string output;
    const int status = runShell("", std::string("-p ") + VEXA_TEST_PLUGIN_PATH + " -c 'file -import \"" + file +
                                        "\"; getAttr wheel.ty; dumpScene'",
                                output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("TestImport read 1 transforms for TestTranslator"), std::string::npos) << output;
    EXPECT_NE(output.find("// Result: 1\n"), std::string::npos) << output;
    EXPECT_NE(output.find("node transform |wheel\n  translateX = 0\n  translateY = 1\n"), std::string::npos) << output;
    std::remove(file.c_str());
}

TEST_F(PluginTest, TheShellActsAsTheUserAndShowsTheInterface) {
    const std::string script = scratchFile("dialog.vx");
    writeFile(script, R"(window -t "Dialog" W; columnLayout; checkBox -cc "print \"ticked\\n\"" BOX;
button -l "Go" -c "print \"pressed\\n\"" GO; showWindow W;
userAction -set BOX on; userAction -press GO; userAction -answer "No";
confirmDialog -t "Question" -m "Sure?" -b "Yes" -b "No"; dumpUI;
)");
    std::string output;
    EXPECT_EQ(runShell("", script, output), 0) << output;
    EXPECT_NE(output.find("ticked\npressed\n// Dialog \"Question\" (buttons \"Yes\", \"No\"; answered \"No\")\n"
                          "//   Sure?\n// Result: No\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find(R"(window W "Dialog" shown
  columnLayout columnLayout1
    checkBox BOX "" value 1 cc "print \"ticked\\n\""
    button GO "Go" c "print \"pressed\\n\""
dialog "Question" "Sure?" buttons "Yes" "No" answer "No"
)"),
              std::string::npos)
        << output;
    std::remove(script.c_str());
}

TEST_F(PluginTest, TheShellStopsAScriptAtAFailureAndReadsStandardInput) {
    const std::string script = scratchFile("script.vx");
    writeFile(script, "createNode transform -n a;\nnoSuchCommand;\ncreateNode transform -n b;\n");
    std::string output;
    EXPECT_EQ(runShell("", script, output), 1);
    EXPECT_NE(output.find("// Result: a\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("// Result: b\n"), std::string::npos) << output;
    // Interactively every line runs, whatever failed before; the failure makes the status 1.
    EXPECT_EQ(runShell("", "", output, script), 1);
    EXPECT_NE(output.find("// Result: b\n"), std::string::npos) << output;
    EXPECT_EQ(runShell("", "-x", output), 2);
    std::remove(script.c_str());
}

}  // namespace
