// The plug-in as the host sees it: the module wyxvexa.vll loaded through the host's plug-in
// manager and through the shell, its entry points, what it registers and takes back, the
// options it saves when it is unloaded, and the file translator on the host's "file" command.

#include "tests/plugin/CommandNames.h"

#include "core/RRegistryKey.h"
#include "tests/support/PluginTestSupport.h"
#include "tests/support/ScratchFolder.h"

#include "host/src/script/CommandEngine.h"

#include <vexa/VGlobal.h>

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

// A plug-in folder of this test holding a link to the module, and a registry file of its own.
class PluginModuleTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        std::filesystem::create_symlink(WYX_PLUGIN_MODULE_PATH, scratch_.Join("wyxvexa.vll"));
    }

    std::string registryFile() const { return scratch_.Join("registry.txt"); }
    std::string shellEnvironment() const {
        return "VEXA_PLUG_IN_PATH=" + scratch_.Path() + " WYX_REGISTRY_FILE=" + registryFile();
    }

    // A value the plug-in stored: a 32-bit value as its decimal text, else the text.
    static std::string stored(const char* name) {
        RRegistryKey key;
        key.Connect(RRegistryKey::kCurrentUser, nullptr);
        if (!key.OpenKey("SOFTWARE\\Pellix\\WYX_Plugins_6.0\\Vexa50\\UserParams", platform::kRegistryRead)) {
            return "<no key>";
        }
        std::uint32_t value = 0;
        if (key.QueryDWORD(name, value)) return std::to_string(value);
        RString text;
        return key.QueryString(name, text) ? text.Buffer() : "<none>";
    }

    static bool translatorRegistered() {
        for (const auto& entry : vexa_host::PluginManager::instance().translators()) {
            if (entry.name == "Wyx") return true;
        }
        return false;
    }

    ScratchFolder scratch_;
    ScopedEnvironment path_{"VEXA_PLUG_IN_PATH", scratch_.Path()};
    ScopedEnvironment registry_{"WYX_REGISTRY_FILE", registryFile()};
};

TEST_F(PluginModuleTest, LoadingRegistersEverythingAndUnloadingTakesItBackAndSaves) {
    std::string name;
    ASSERT_TRUE(load("wyxvexa", &name));
    EXPECT_EQ(name, "wyxvexa");
    auto& engine = vexa_host::CommandEngine::instance();
    for (const char* command : kExpectedCommands) EXPECT_TRUE(engine.exists(command)) << command;
    EXPECT_EQ(engine.commandsOf(nullptr).size(), 0u);
    EXPECT_TRUE(translatorRegistered());
    VFnPlugin plugin(vexa_host::PluginManager::instance().pluginObject("wyxvexa"));
    EXPECT_EQ(plugin.vendor(), "Pellix");
    EXPECT_EQ(plugin.version(), "6.0");
    EXPECT_EQ(plugin.apiVersion(), "5.0");

    ASSERT_TRUE(VGlobal::executeCommand("WYXImportShowUI -v false"));
    ASSERT_TRUE(VGlobal::executeCommand("WYXResamplingRate -v 29.97"));
    vexa_host::PluginManager::instance().unloadAll();
    for (const char* command : kExpectedCommands) EXPECT_FALSE(engine.exists(command)) << command;
    EXPECT_FALSE(translatorRegistered());

    EXPECT_EQ(stored("kImportShowUI"), "0");
    EXPECT_EQ(stored("kExportShowUI"), "1");
    EXPECT_EQ(stored("kImportLoadMode"), "kMerge");  // a first load imports by merging
    EXPECT_EQ(stored("kImportSamplingRate"), std::to_string(0x41efc28fu));  // 29.97 in single precision

    // Loaded again, the options come back from the registry.
    ASSERT_TRUE(load("wyxvexa"));
    ASSERT_TRUE(VGlobal::executeCommand("WYXBatchDialog"));
    EXPECT_EQ(vexa_host::UiModel::instance().find("WYXIMPORTUI")->value, 1.0);
    EXPECT_NEAR(vexa_host::UiModel::instance().find("WYXFRAMERATEFIELD")->value, 29.969999, 1e-9);
}

TEST_F(PluginModuleTest, OnlyTheEntryPointsAreExported) {
    void* module = dlopen(WYX_PLUGIN_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    for (const char* symbol : {"initializePlugin", "uninitializePlugin", "VApiVersion"}) {
        EXPECT_NE(dlsym(module, symbol), nullptr) << symbol;
    }
    EXPECT_STREQ(static_cast<const char*>(dlsym(module, "VApiVersion")), "500");
    // The plug-in's own functions and the SDK linked into it stay inside.
    for (const char* symbol : {"_Z16GetPluginOptionsv", "_Z16FindPluginFolderv", "_Z18SetApplicationPathPKc",
                               "_ZN7RStringC1EPKc", "_ZN17RWyxObjectFactoryC2Ev"}) {
        EXPECT_EQ(dlsym(module, symbol), nullptr) << symbol;
    }
    dlclose(module);
}

TEST_F(PluginModuleTest, ASecondCopyCannotTakeTheTranslatorAndRegistersNothing) {
    ASSERT_TRUE(load("wyxvexa"));
    const std::string copy = scratch_.Join("wyxvexa_copy.vll");
    std::filesystem::copy_file(WYX_PLUGIN_MODULE_PATH, copy);
    const VStatus second = load(copy.c_str());
    EXPECT_FALSE(second);
    const VStringArray printed = VMessageLog::linesOf(VMessageLog::kStatus);
    ASSERT_GT(printed.length(), 0u);
    EXPECT_EQ(printed[0].indexOf("registerFileTranslator"), 0);
    EXPECT_FALSE(vexa_host::PluginManager::instance().isLoaded("wyxvexa_copy"));
    EXPECT_TRUE(vexa_host::CommandEngine::instance().exists("WYXImportShowUI"));
    ASSERT_TRUE(VGlobal::executeCommand("WYXImportMode -v add"));
}

TEST_F(PluginModuleTest, TheShellRunsTheCommandsAndTheBatchDialog) {
    std::string output;
    const int status = runShell(shellEnvironment(), "-p wyxvexa -c 'WYXImportMode -v exmerge; WYXBatchDialog; "
                                                    "userAction -set WYXFRAMERATEFIELD 48; "
                                                    "userAction -press WYXVEXABUTTON; dumpUI'",
                                output);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("window WYXBATCHUIWINDOW \"WYX Batch Import/Export Settings Dialog\" hidden"),
              std::string::npos)
        << output;
    EXPECT_EQ(stored("kImportLoadMode"), "kExclusiveMerge");
    EXPECT_EQ(stored("kExportSamplingRate"), std::to_string(0x42400000u));  // 48

    // The export runs from the shell too: without its dialog it writes the file at once.
    const std::string exported = scratch_.Join("out.wyx");
    EXPECT_EQ(runShell(shellEnvironment(), "-p wyxvexa -c 'createNode transform -n box; WYXExportShowUI -v false; "
                                           "WYXExport -f \"" + exported + "\"'",
                       output),
              0)
        << output;
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    EXPECT_TRUE(std::filesystem::is_regular_file(exported));
}

TEST_F(PluginModuleTest, AFileNameCannotAddCommandsThroughTheTranslator) {
    const std::string file = scratch_.WriteFile("x\"; file -f -new; \".wyx", "not yet read");
    std::string escaped;
    for (const char c : file) escaped += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    const std::string script = scratchFile("import.vexa");
    writeFile(script, "createNode transform -n keepme;\nfile -import \"" + escaped + "\";\ndumpScene;\n");
    std::string output;
    runShell(shellEnvironment(), "-p wyxvexa", output, script);
    EXPECT_NE(output.find("WYXImport error: "), std::string::npos) << output;
    EXPECT_NE(output.find("keepme"), std::string::npos) << output;
    std::remove(script.c_str());
}

// The shell command of the README's first command (scripts/run-sample runs it), run from the
// repository root with this build's shell: the shell loads the plug-in, imports the sample
// character through the import dialog and prints the scene.
TEST_F(PluginModuleTest, TheMainJobOfTheReadmeRuns) {
    const std::string readme = readFile(WYX_SOURCE_DIR "/README.md");
    const std::string shell = "    build/release/host/vexa ";
    const size_t at = readme.find(shell);
    ASSERT_NE(at, std::string::npos);
    const size_t start = at + shell.size();
    const std::string arguments = readme.substr(start, readme.find('\n', start) - start);
    std::string output;
    EXPECT_EQ(runShell("cd " WYX_SOURCE_DIR " && " + shellEnvironment(), arguments, output), 0) << output;
    for (const char* line : {"time 0 range 0 1\n", "node joint |Character|Hips|Spine|Head\n",
                             "node mesh |Character|Body|BodyShape\n  inMesh = mesh 32 points, 24 polygons",
                             "node camera |Camera|cameraShape1\n", "node spotLight |Light|LightShape\n"}) {
        EXPECT_NE(output.find(line), std::string::npos) << line << output;
    }
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    // What the run leaves in the registry: the options as they were, the dialog still on.
    EXPECT_EQ(stored("kImportShowUI"), "1");
    EXPECT_EQ(stored("kImportLoadMode"), "kMerge");
}

// scripts/run-sample on this build's shell: the options a user stored (both dialogs off, an
// exclusive merge, which would import nothing into the empty scene) change neither what it
// prints nor the registry.
TEST_F(PluginModuleTest, TheMainCommandPrintsTheSceneWhateverTheStoredOptionsHold) {
    std::string output;
    ASSERT_EQ(runShell(shellEnvironment(), "-p wyxvexa -c 'WYXImportShowUI -v false; WYXExportShowUI -v false; "
                                           "WYXImportMode -v exmerge'",
                       output),
              0)
        << output;
    const std::string stored = ScratchFolder::ReadFile(registryFile());
    ASSERT_NE(stored.find("kExclusiveMerge"), std::string::npos) << stored;
    EXPECT_EQ(runCommand("cd " WYX_SOURCE_DIR " && VEXA_SHELL=" VEXA_SHELL_PATH " " + shellEnvironment() + " scripts/run-sample",
                         output),
              0)
        << output;
    for (const char* line : {"fileInfo WYXImportTake \"Walk\"\n", "node joint |Character|Hips|Spine|Head\n",
                             "node mesh |Character|Body|BodyShape\n", "// WYXIMPORTWINDOW: Importing...\n"}) {
        EXPECT_NE(output.find(line), std::string::npos) << line << output;
    }
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    EXPECT_EQ(output.find("Warning"), std::string::npos) << output;
    EXPECT_EQ(ScratchFolder::ReadFile(registryFile()), stored);
}

// Where no registry can be found (HOME, XDG_CONFIG_HOME and WYX_REGISTRY_FILE unset, as under
// cron), the setters set their values for the run and say once why they could not store them;
// the script goes on and imports without its dialog.
TEST_F(PluginModuleTest, WithoutARegistryTheSettersWarnOnceAndTheScriptGoesOn) {
    const std::string noRegistry =
        "cd " WYX_SOURCE_DIR " && env -u HOME -u XDG_CONFIG_HOME -u WYX_REGISTRY_FILE VEXA_PLUG_IN_PATH=" + scratch_.Path();
    std::string output;
    EXPECT_EQ(runShell(noRegistry, "-p wyxvexa -c 'WYXImportShowUI -v false; WYXImportHardEdges -v true; "
                                   "WYXResamplingRate -v 24; WYXImport -f \"samples/character.wyx\"; dumpScene'",
                       output),
              0)
        << output;
    const std::string warning = "// Warning: WYXImportShowUI: set for this session but not stored: no place for the "
                                "settings registry: WYX_REGISTRY_FILE, XDG_CONFIG_HOME and HOME are not set\n";
    const size_t at = output.find(warning);
    EXPECT_NE(at, std::string::npos) << output;
    EXPECT_EQ(output.find("set for this session", at + warning.size()), std::string::npos) << output;
    EXPECT_NE(output.find("node mesh |Character|Body|BodyShape\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("still shown"), std::string::npos) << output;
    EXPECT_EQ(output.find("Error"), std::string::npos) << output;
    // WYXSetUserParams run bare does nothing and succeeds; from the batch dialog, whose button
    // runs it to store the settings, it fails with the reason.
    EXPECT_NE(runShell(noRegistry, "-p wyxvexa -c 'WYXSetUserParams; WYXBatchDialog; userAction -press WYXVEXABUTTON'",
                       output),
              0);
    const std::string error = "// Error: WYXSetUserParams: set for this session but not stored: no place for the "
                              "settings registry: WYX_REGISTRY_FILE, XDG_CONFIG_HOME and HOME are not set\n";
    EXPECT_NE(output.find(error), std::string::npos) << output;
    EXPECT_EQ(output.find("// Error: "), output.find(error)) << output;
}

// Through the shell as a user meets it: dialogs left waiting are named, the status of the
// import dialog is followed, and the messages name the file and the reason.
TEST_F(PluginModuleTest, TheShellSaysWhatWaitsWhatRunsAndWhatFailed) {
    const std::string out = scratch_.Join("out.wyx");
    const std::string shell = "cd " WYX_SOURCE_DIR " && " + shellEnvironment();
    std::string output;
    EXPECT_EQ(runShell(shell, "-p wyxvexa -c 'WYXImport -f \"samples/character.wyx\"; WYXExport -f \"" + out + "\"'",
                       output),
              0);
    EXPECT_FALSE(std::filesystem::exists(out));
    for (const char* window : {"vexa: the window WYXIMPORTWINDOW (\"WYX Importer 6.0\") is still shown",
                               "vexa: the window WYXEXPORTWINDOW (\"WYX Exporter 6.0\") is still shown"}) {
        EXPECT_NE(output.find(window), std::string::npos) << window << output;
    }
    EXPECT_NE(output.find("userAction -press takes WYXVEXABUTTON (\"Export\"), WYXCANCELBUTTON (\"Cancel\")\n"),
              std::string::npos)
        << output;

    const std::string import = "-p wyxvexa -c 'WYXImport -f \"samples/character.wyx\"; userAction -press WYXVEXABUTTON'";
    EXPECT_EQ(runShell(shell, import, output), 0);
    EXPECT_EQ(output.find("// WYXIMPORTWINDOW: Importing...\n"), output.find("// WYXIMPORTWINDOW: ")) << output;
    EXPECT_NE(output.find("// WYXIMPORTWINDOW: "), std::string::npos) << output;
    EXPECT_EQ(output.find("still shown"), std::string::npos) << output;
    EXPECT_EQ(runShell(shell, "--no-status " + import, output), 0);
    EXPECT_EQ(output.find("// WYXIMPORTWINDOW"), std::string::npos) << output;

    // What the reader drops reaches standard error (stdout is thrown away here): a mesh
    // without its Vertices field loses its two polygons, as one with an empty field does.
    const std::string bare = scratch_.WriteFile(
        "bare.wyx", ";WYX ASCII 6000\nObjects:  {\n\tModel: \"Model::Bare\", \"Mesh\" {\n"
                    "\t\tPolygonVertexIndex: 0,1,-3,0,2,-4\n\t}\n}\nConnections:  {\n"
                    "\tConnect: \"OO\", \"Model::Bare\", \"Model::Scene\"\n}\n;WYX END\n");
    EXPECT_EQ(runCommand("{ " + shellEnvironment() + " " VEXA_SHELL_PATH " -p wyxvexa -c 'WYXImportShowUI -v false; "
                         "WYXImport -f \"" + bare + "\"' 2>&1 >/dev/null; }",
                         output),
              0);
    EXPECT_EQ(output, "// Warning: WYXImport warning: Model \"Model::Bare\": 2 polygons naming control points past "
                      "its 0 were dropped\n");

    struct Case {
        std::string commands;
        std::string error;
    };
    const std::vector<Case> failures = {
        {"WYXImport -f \"/nonexistent/x.wyx\"", "// Error: WYXImport error: file not found. (/nonexistent/x.wyx)\n"},
        {"WYXRead -f \"/nonexistent/y.wyx\"", "// Error: WYXRead error: file not found. (/nonexistent/y.wyx)\n"},
        {"WYXImport -f \"samples/character.wyx\" -t x",
         "// Error: WYXImport error: take index \"x\" is not a whole number.\n"},
        {"WYXExportShowUI -v false; WYXExport -f \"" + scratch_.Join("none/out.wyx") + "\"",
         "// Error: WYXExport error: File not created: \"" + scratch_.Join("none/out.wyx") +
             "\": No such file or directory\n"},
    };
    std::string lines;
    for (const Case& failure : failures) {
        SCOPED_TRACE(failure.commands);
        EXPECT_EQ(runShell(shell, "-p wyxvexa -c '" + failure.commands + "'", output), 1);
        EXPECT_NE(output.find(failure.error), std::string::npos) << output;
        lines += failure.commands + ";\n";
    }
    // Standard input goes on after each failed line, and exits with 1 at its end.
    const std::string input = scratch_.WriteFile("input.vx", lines + "print next;\n");
    EXPECT_EQ(runShell(shell, "-p wyxvexa", output, input), 1);
    for (const Case& failure : failures) EXPECT_NE(output.find(failure.error), std::string::npos) << output;
    EXPECT_NE(output.find("next"), std::string::npos) << output;
}

}  // namespace
