// WYXExport on its command road and through its dialog driven as a user would: the boxes and
// the rate read back into the options and the registry, Cancel and a second file, names that
// carry quotes, and exports that fail.

#include "tests/hostexport/ExportTestSupport.h"

#include "plugin/PluginRegistration.h"
#include "plugin/UserParamStore.h"

#include <filesystem>

namespace {

using vexa_host::UiControl;
using vexa_host::UiModel;

const UiControl* ExportWindow() {
    for (const auto& window : UiModel::instance().windows()) {
        if (window->name == "WYXEXPORTWINDOW") return window.get();
    }
    return nullptr;
}

int ExportWindowCount() {
    int count = 0;
    for (const auto& window : UiModel::instance().windows()) count += window->name == "WYXEXPORTWINDOW" ? 1 : 0;
    return count;
}

// The label of the window's "File : " text; "<no label>" when none.
std::string FileLabel() {
    const UiControl* window = ExportWindow();
    if (window == nullptr) return "<no label>";
    std::vector<const UiControl*> pending{window};
    while (!pending.empty()) {
        const UiControl* control = pending.back();
        pending.pop_back();
        if (control->type == "text" && control->label.compare(0, 7, "File : ") == 0) return control->label;
        for (const auto& child : control->children) pending.push_back(child.get());
    }
    return "<no label>";
}

// A value the options stored in the registry: a box as 0 or 1, a number as its single-precision
// bits; "<none>" when missing.
std::string Stored(const char* key) {
    UserParamStore store;
    store.Open(PluginRegistryKey(), "Vexa50");
    constexpr std::uint32_t kMissing = 0xffffffffu;
    const std::uint32_t value = store.GetDword(WyxVexaOptions::kSection, key, kMissing);
    store.Close();
    return value == kMissing ? "<none>" : std::to_string(value);
}

// How the dialog shows a file name: whole up to 48 characters, else its head and its tail.
std::string Shown(const std::string& name) {
    return name.size() <= 48 ? name : name.substr(0, 3) + "..." + name.substr(name.size() - 42);
}

class ExportCommandTest : public ExportTest {
protected:
    void SetUp() override {
        ExportTest::SetUp();
        options().SetBoolOption(kExportShowUI, true);
        script("createNode transform -n keep");
    }
};

// ---- the command road ----------------------------------------------------------------------------

TEST_F(ExportCommandTest, TheCommandReadsItsFlagsAndWritesAtOnceWithoutTheDialog) {
    options().SetBoolOption(kExportShowUI, false);
    VString result;
    ASSERT_TRUE(run("WYXExport -file \"" + file("long.wyx") + "\"", &result));
    EXPECT_EQ(result, "Success");
    EXPECT_TRUE(std::filesystem::is_regular_file(file("long.wyx")));
    // The translator's caller runs the command road; an unknown caller is no caller.
    ASSERT_TRUE(run("WYXExport -caller \"WYXVexaTranslator\" -f \"" + file("translated.wyx") + "\""));
    ASSERT_TRUE(run("WYXExport -caller \"someone\" -f \"" + file("called.wyx") + "\""));
    EXPECT_TRUE(std::filesystem::is_regular_file(file("translated.wyx")));
    EXPECT_TRUE(std::filesystem::is_regular_file(file("called.wyx")));
    EXPECT_EQ(ExportWindow(), nullptr);

    options().SetBoolOption(kExportHardEdges, true);
    for (const char* flags : {"", "-f", "-caller \"WYXExportDialog\"", "-caller \"WYXExportDialog\" -f \"\""}) {
        EXPECT_FALSE(run(std::string("WYXExport ") + flags)) << flags;
        EXPECT_EQ(lastError(), "Use syntax: WYXExport -f \"filename\"") << flags;
    }
    EXPECT_TRUE(options().GetBoolOption(kExportHardEdges)) << "options unchanged";
}

// The export writes binary WYX whatever the name: a name with another ending is written all
// the same, with a warning that says what the file is.
TEST_F(ExportCommandTest, ANameThatDoesNotEndInWyxIsWarnedAbout) {
    const std::string warning = " is written as a binary WYX file: the export writes no other format.";
    options().SetBoolOption(kExportShowUI, false);
    for (const char* name : {"scene.wyx", "scene.WYX", "Scene.Wyx"}) {
        ASSERT_TRUE(run("WYXExport -f \"" + file(name) + "\"")) << name;
        EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kWarning).length(), 0u) << name;
    }
    EXPECT_EQ(logText().find("WYX Export Warning"), std::string::npos) << logText();
    for (const char* name : {"scene.obj", "scene", "scene.wyx.bak"}) {
        SCOPED_TRACE(name);
        VMessageLog::clear();
        ASSERT_TRUE(run("WYXExport -f \"" + file(name) + "\""));
        const VStringArray warnings = VMessageLog::linesOf(VMessageLog::kWarning);
        ASSERT_EQ(warnings.length(), 1u);
        EXPECT_EQ(warnings[0].str(), "WYXExport warning: The file " + file(name) + warning);
        EXPECT_EQ(ScratchFolder::ReadFile(file(name)).compare(0, 16, ScratchFolder::ReadFile(file("scene.wyx")), 0, 16), 0)
            << "written as the WYX file is";
        EXPECT_NE(logText().find("WYX Export Warning: The file " + file(name) + warning), std::string::npos) << logText();
    }
    // With the dialog on, the warning is a message box when Export is pressed.
    VMessageLog::clear();
    options().SetBoolOption(kExportShowUI, true);
    ASSERT_TRUE(run("WYXExport -f \"" + file("dialog.obj") + "\""));
    EXPECT_TRUE(UiModel::instance().shownDialogs().empty());
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON")) << lastError();
    ASSERT_EQ(UiModel::instance().shownDialogs().size(), 1u);
    EXPECT_EQ(UiModel::instance().shownDialogs()[0].title, "WYX Export Warning");
    EXPECT_EQ(UiModel::instance().shownDialogs()[0].message, "The file " + file("dialog.obj") + warning);
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kWarning).length(), 0u);
    EXPECT_TRUE(std::filesystem::is_regular_file(file("dialog.obj")));
}

TEST_F(ExportCommandTest, TheDialogWaitsForExport) {
    const std::string path = file("scene.wyx");
    VString result;
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\"", &result));
    EXPECT_NE(result, "Success") << "no result while the dialog is up";
    EXPECT_FALSE(std::filesystem::exists(path));
    ASSERT_NE(ExportWindow(), nullptr);
    EXPECT_TRUE(ExportWindow()->visible);
    EXPECT_EQ(ExportWindow()->label, "WYX Exporter 6.0  ");
    EXPECT_EQ(FileLabel(), "File : " + Shown(path));
    EXPECT_DOUBLE_EQ(UiModel::instance().find("WYXFRAMERATEFIELD")->value, 30.0);
    // The embed box is never the user's; the TIFF box follows it (off).
    EXPECT_FALSE(UiModel::instance().find("WYXEXPORTEMBEDTEXTURES")->enabled);
    EXPECT_FALSE(UiModel::instance().find("WYXEXPORTCONVERT2TIF")->enabled);
    EXPECT_FALSE(UiModel::instance().userSetValue("WYXEXPORTEMBEDTEXTURES", "1"));
    EXPECT_EQ(UiModel::instance().find("WYXEXPORTEMBEDTEXTURES")->value, 0.0);
    // With embedding on (set elsewhere) the TIFF box is the user's.
    options().SetBoolOption(kExportEmbedTextures, true);
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\""));
    EXPECT_EQ(ExportWindowCount(), 1);
    EXPECT_TRUE(UiModel::instance().find("WYXEXPORTCONVERT2TIF")->enabled);
    EXPECT_EQ(UiModel::instance().find("WYXEXPORTEMBEDTEXTURES")->value, 1.0);
}

TEST_F(ExportCommandTest, ExportStoresTheBoxesAndTheRateAndWritesTheFile) {
    options().SetBoolOption(kExportEmbedTextures, true);
    const std::string path = file("scene.wyx");
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\""));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXAPPLYCONSTANTKEYREDUCER", "1"));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXEXPORTHARDEDGES", "1"));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXEXPORTCONVERT2TIF", "1"));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXFRAMERATEFIELD", "48"));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_EQ(ExportWindow(), nullptr) << "the window goes after the export";
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_TRUE(options().GetBoolOption(kExportApplyCstKeyRed));
    EXPECT_TRUE(options().GetBoolOption(kExportHardEdges));
    EXPECT_TRUE(options().GetBoolOption(kExportEmbedTextures));
    EXPECT_TRUE(options().GetBoolOption(kExportConvert_2Tiff));
    EXPECT_DOUBLE_EQ(options().GetSamplingRate(false), 48.0);
    EXPECT_DOUBLE_EQ(options().GetSamplingRate(true), 48.0);
    EXPECT_EQ(Stored("kExportHardEdges"), "1");
    EXPECT_EQ(Stored("kExportConvert_2Tiff"), "1");
    EXPECT_EQ(Stored("kExportSamplingRate"), std::to_string(0x42400000u));  // 48 in single precision

    // Boxes cleared: stored as cleared.
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\""));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXEXPORTHARDEDGES", "0"));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_FALSE(options().GetBoolOption(kExportHardEdges));
    EXPECT_EQ(Stored("kExportHardEdges"), "0");
}

// The export succeeds where the registry cannot keep the dialog's settings; a warning says so.
TEST_F(ExportCommandTest, SettingsTheRegistryCannotKeepAreWarnedAbout) {
    const ScratchFolder plain;
    const std::string registry = plain.WriteFile("plain", "") + "/registry.txt";
    const ScopedEnvironment environment("WYX_REGISTRY_FILE", registry);
    const std::string path = file("scene.wyx");
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\""));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXEXPORTHARDEDGES", "1"));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
    EXPECT_TRUE(options().GetBoolOption(kExportHardEdges));
    const VStringArray warnings = VMessageLog::linesOf(VMessageLog::kWarning);
    ASSERT_EQ(warnings.length(), 1u);
    EXPECT_EQ(warnings[0].str(),
              "WYXExport: the options were not stored: the settings registry " + registry + ": Not a directory");
}

TEST_F(ExportCommandTest, ARateOutOfRangeIsRefusedAndTheOldOneKept) {
    for (const char* rate : {"0", "-24", "1e9"}) {
        ASSERT_TRUE(run("WYXExport -f \"" + file("scene.wyx") + "\""));
        ASSERT_TRUE(UiModel::instance().userSetValue("WYXFRAMERATEFIELD", rate));
        ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON")) << rate;
        EXPECT_DOUBLE_EQ(options().GetSamplingRate(false), 30.0) << rate;
        EXPECT_DOUBLE_EQ(options().GetSamplingRate(true), 30.0) << rate;
    }
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kWarning).length(), 3u);
}

TEST_F(ExportCommandTest, AfterCancelAnotherFileShowsItsOwnWindow) {
    const std::string first = file("first.wyx");
    const std::string second = file("second.wyx");
    ASSERT_TRUE(run("WYXExport -f \"" + first + "\""));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXCANCELBUTTON"));
    ASSERT_NE(ExportWindow(), nullptr);
    EXPECT_FALSE(ExportWindow()->visible);
    ASSERT_TRUE(run("WYXExport -f \"" + second + "\""));
    EXPECT_EQ(ExportWindowCount(), 1);
    EXPECT_TRUE(ExportWindow()->visible);
    EXPECT_EQ(FileLabel(), "File : " + Shown(second));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_TRUE(std::filesystem::is_regular_file(second));
    EXPECT_FALSE(std::filesystem::exists(first));
}

TEST_F(ExportCommandTest, QuotesInTheFileNameReachTheExportIntact) {
    // A backslash separates folders in the plug-in's paths, as a slash does.
    const std::string name = "we\"ird\"; file -f -new; \".wyx";
    const std::string path = folder_.Path() + "\\" + name;
    std::string escaped;
    for (const char c : path) escaped += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    ASSERT_TRUE(run("WYXExport -f \"" + escaped + "\""));
    EXPECT_EQ(FileLabel(), "File : " + Shown(path));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON")) << lastError();
    EXPECT_TRUE(std::filesystem::is_regular_file(file(name)));
    EXPECT_NE(dump().find("|keep"), std::string::npos) << "no command ran from the name";
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kError).length(), 0u) << lastError();
}

TEST_F(ExportCommandTest, AFailedExportFromTheDialogIsNoSuccess) {
    // No folder to write into.
    const std::string path = file("missing/scene.wyx");
    ASSERT_TRUE(run("WYXExport -f \"" + path + "\""));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXEXPORTHARDEDGES", "1"));
    EXPECT_FALSE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_EQ(lastError(), "WYXExport error: File not created: \"" + path + "\": No such file or directory");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(options().GetBoolOption(kExportHardEdges)) << "the settings are kept all the same";
    EXPECT_EQ(Stored("kExportHardEdges"), "1");
    EXPECT_EQ(ExportWindow(), nullptr);

    // Pressed with its window gone (a script's call): nothing exported, nothing stored.
    options().SetBoolOption(kExportHardEdges, false);
    EXPECT_FALSE(run("WYXExport -f \"" + file("other.wyx") + "\" -caller \"WYXExportDialog\""));
    EXPECT_FALSE(std::filesystem::exists(file("other.wyx")));
    EXPECT_FALSE(options().GetBoolOption(kExportHardEdges));
}

}  // namespace
