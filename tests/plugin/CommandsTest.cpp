// The 26 commands: the option setters with their flags, usage errors and the registry that
// keeps their values, the obsolete and pending commands, and the batch dialog driven as a user
// would.

#include "tests/plugin/CommandNames.h"
#include "tests/plugin/PluginTestSupport.h"

#include "plugin/BatchDialogCommands.h"
#include "plugin/OptionCommands.h"
#include "plugin/UserParamStore.h"
#include "tests/support/ScratchFolder.h"

#include "host/src/ui/UiModel.h"

#include <cmath>
#include <iterator>

namespace {

using vexa_host::UiModel;

using CommandsTest = PluginCommandTest;

// What the registry keeps of an option: its text, else its 32-bit value as a decimal number.
std::string Stored(const char* key) {
    UserParamStore store;
    store.Open(PluginRegistryKey(), "Vexa50");
    RString text;
    const std::uint32_t value = store.GetDword(WyxVexaOptions::kSection, key, 0xdeadbeefu);
    store.GetString(WyxVexaOptions::kSection, key, "", text);
    store.Close();
    return text.IsEmptyText() ? std::to_string(value) : std::string(text.Buffer());
}

// A registry file the system cannot write: its folder would be a regular file.
std::string UnwritableRegistry(const ScratchFolder& folder) { return folder.WriteFile("plain", "") + "/registry.txt"; }

TEST_F(CommandsTest, TheCommandTableHoldsTheTwentySixInRegistrationOrder) {
    ASSERT_EQ(kWyxVexaCommandCount, 26);
    for (int i = 0; i < kWyxVexaCommandCount; ++i) {
        EXPECT_STREQ(kWyxVexaCommands[i].name, kExpectedCommands[i]);
        EXPECT_NE(kWyxVexaCommands[i].creator, nullptr);
    }
}

TEST_F(CommandsTest, BooleanSettersTakeTheirFlagAndValue) {
    const int numbers[] = {kImportShowUI,      kImportNullsToPivot,   kImportDeformNullsAsJoints, kImportHardEdges,
                           kProtectDrivenKeys, kExportShowUI,         kExportApplyCstKeyRed,      kExportEmbedTextures,
                           kExportConvert_2Tiff, kExportHardEdges};
    for (int i = 0; i < 10; ++i) {
        const std::string name = kBoolOptionCommands[i].name;
        SCOPED_TRACE(name);
        EXPECT_EQ(kBoolOptionCommands[i].option, numbers[i]);
        const bool initial = options().GetBoolOption(numbers[i]);
        VString result;
        ASSERT_TRUE(run(name + " -value " + (initial ? "false" : "true"), &result));
        EXPECT_EQ(result, "Success");
        EXPECT_EQ(options().GetBoolOption(numbers[i]), !initial);
        ASSERT_TRUE(run(name + " -v " + (initial ? "true" : "false")));
        EXPECT_EQ(options().GetBoolOption(numbers[i]), initial);

        for (const char* wrong : {" -V false", " -v", " -v false extra", "", " -v maybe", " false -v"}) {
            EXPECT_FALSE(run(name + wrong)) << wrong;
            EXPECT_EQ(lastError(), VString(("Use syntax: " + name + " -v true|false").c_str()));
            EXPECT_EQ(options().GetBoolOption(numbers[i]), initial) << wrong;
        }
    }
}

TEST_F(CommandsTest, ImportModeTakesItsWordInAnyCase) {
    const struct {
        const char* word;
        int mode;
    } words[] = {{"MERGE", 1}, {"add", 2}, {"ExMerge", 0}, {"merge", 1}};
    for (const auto& w : words) {
        VString result;
        ASSERT_TRUE(run(std::string("WYXImportMode -v ") + w.word, &result)) << w.word;
        EXPECT_EQ(result, "Success");
        EXPECT_EQ(options().GetImportMode(), w.mode);
    }
    options().SetImportMode(WyxPluginOptions::kCreate);
    for (const char* wrong : {"-v create", "-V merge", "-v", "-v merge add", "-value"}) {
        EXPECT_FALSE(run(std::string("WYXImportMode ") + wrong)) << wrong;
        EXPECT_EQ(lastError(), "Use syntax: WYXImportMode -v exmerge | add | merge");
        EXPECT_EQ(options().GetImportMode(), WyxPluginOptions::kCreate);
    }
}

TEST_F(CommandsTest, ResamplingRateSetsBothRatesWithinTheirBounds) {
    VString result;
    ASSERT_TRUE(run("WYXResamplingRate -v 25", &result));
    EXPECT_EQ(result, "Success");
    EXPECT_EQ(options().GetOptionString(kExportSamplingRate), "25.000000");
    EXPECT_EQ(options().GetOptionString(kImportSamplingRate), "25.000000");
    for (const char* wrong : {"-v 0", "-v -5", "-v nan", "-v 1e9", "-v 0.05", "-v fast", "-f 24", "-v 24 30"}) {
        EXPECT_FALSE(run(std::string("WYXResamplingRate ") + wrong)) << wrong;
        EXPECT_EQ(lastError(),
                  "Use syntax: WYXResamplingRate -v float (a rate from 0.1 to 1000 frames per second)");
        EXPECT_EQ(options().GetSamplingRate(false), 25.0) << wrong;
        EXPECT_EQ(options().GetSamplingRate(true), 25.0) << wrong;
    }
}

// A setter writes what it set to the registry at once. Where the registry cannot keep it, the
// setter succeeds, the value stays set for the session, and a warning gives the store's reason
// once: the same reason is not repeated by the setters after it.
TEST_F(CommandsTest, SettersStoreTheirValuesOrWarnOnceWhyNot) {
    // The command, a record it sets, the record's text then and the value the registry keeps.
    const struct {
        const char* command;
        int record;
        const char* value;
        const char* stored;
    } settings[] = {{"WYXImportHardEdges -v true", kImportHardEdges, "true", "1"},
                    {"WYXImportMode -v add", kImportLoadMode, "kCreate", "kCreate"},
                    {"WYXResamplingRate -v 12.5", kExportSamplingRate, "12.500000", "1095237632"},  // a float's bits
                    {"WYXResamplingRate -v 12.5", kImportSamplingRate, "12.500000", "1095237632"}};
    ScratchFolder folder;
    for (const bool writable : {true, false}) {
        const std::string file = writable ? folder.Join("registry.txt") : UnwritableRegistry(folder);
        const ScopedEnvironment registry("WYX_REGISTRY_FILE", file);
        for (const auto& setting : settings) {
            SCOPED_TRACE(setting.command);
            options().Reset();
            VString result;
            EXPECT_TRUE(run(setting.command, &result));
            EXPECT_EQ(result, "Success");
            EXPECT_EQ(options().GetOptionString(setting.record), setting.value);
            if (writable) {
                EXPECT_EQ(Stored(options().GetRecord(setting.record)->key.Buffer()), setting.stored);
            }
        }
    }
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kError).length(), 0u);
    const VStringArray warnings = VMessageLog::linesOf(VMessageLog::kWarning);
    ASSERT_EQ(warnings.length(), 1u);
    EXPECT_EQ(warnings[0].asChar(), "WYXImportHardEdges: set for this session but not stored: the settings registry " +
                                        folder.Join("plain/registry.txt") + ": Not a directory");
}

TEST_F(CommandsTest, ObsoleteCommandsFailAndReplacePivotsChangesNothing) {
    EXPECT_FALSE(run("WYXImportMerge -v true"));
    EXPECT_EQ(lastError(), "WYXImportMerge: obsolete command. Use WYXImportMode instead.");
    EXPECT_FALSE(run("WYXImportMergeAnimationOnly"));
    EXPECT_EQ(lastError(), "WYXImportMergeAnimationOnly: obsolete command. Use WYXImportMode instead.");
    VString result;
    ASSERT_TRUE(run("WYXExportReplacePivotsByNulls -v true", &result));
    EXPECT_EQ(result, "Success");
    EXPECT_FALSE(options().GetBoolOption(kExportPivotToNull));
}

TEST_F(CommandsTest, NoCommandIsStillToCome) {
    // WYXExport, the last one built, reads its arguments instead of answering "not available".
    const VStatus status = run("WYXExport -t 1");
    EXPECT_FALSE(status);
    EXPECT_EQ(lastError(), "Use syntax: WYXExport -f \"filename\"");
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kError).length(), 1u);
}

// ---- the batch dialog --------------------------------------------------------------------------

class BatchDialogTest : public PluginCommandTest {
protected:
    static UiModel& ui() { return UiModel::instance(); }
    static double valueOf(const char* control) {
        const vexa_host::UiControl* found = ui().find(control);
        EXPECT_NE(found, nullptr) << control;
        return found != nullptr ? found->value : -1.0;
    }
    static int windowsNamed(const char* name) {
        int count = 0;
        for (const auto& window : ui().windows()) count += window->name == name ? 1 : 0;
        return count;
    }
    static std::string stored(const char* key) { return Stored(key); }
};

TEST_F(BatchDialogTest, StoringTakesTheWindowsSettingsIntoTheOptionsAndTheRegistry) {
    ASSERT_TRUE(run("WYXBatchDialog"));
    EXPECT_EQ(valueOf("WYXIMPORTUI"), 0.0);  // the import dialog is on: batch import unticked
    EXPECT_EQ(valueOf("WYXEXPORTUI"), 0.0);
    EXPECT_EQ(valueOf("WYXAPPLYCONSTANTKEYREDUCER"), 1.0);
    EXPECT_EQ(valueOf("WYXFRAMERATEFIELD"), 30.0);
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kError).length(), 0u);  // every separator found its layout
    EXPECT_EQ(ui().find("WYXBATCHROWLAYOUT")->children.size(), 3u);

    ASSERT_TRUE(ui().userSetValue("WYXIMPORTUI", "true"));
    ASSERT_TRUE(ui().userSetValue("WYXAPPLYCONSTANTKEYREDUCER", "false"));
    ASSERT_TRUE(ui().userPickRadioButton("radioButton2"));  // "Add to new scene"
    ASSERT_TRUE(ui().userSetValue("WYXFRAMERATEFIELD", "12.5"));
    ASSERT_TRUE(ui().userPressButton("WYXVEXABUTTON"));

    EXPECT_FALSE(options().GetBoolOption(kImportShowUI));
    EXPECT_TRUE(options().GetBoolOption(kExportShowUI));
    EXPECT_FALSE(options().GetBoolOption(kExportApplyCstKeyRed));
    EXPECT_EQ(options().GetImportMode(), WyxPluginOptions::kCreate);
    EXPECT_EQ(options().GetSamplingRate(false), 12.5);
    EXPECT_EQ(options().GetSamplingRate(true), 12.5);
    EXPECT_FALSE(ui().find("WYXBATCHUIWINDOW")->visible);
    EXPECT_EQ(stored("kImportShowUI"), "0");
    EXPECT_EQ(stored("kExportApplyCstKeyRed"), "0");
    EXPECT_EQ(stored("kImportLoadMode"), "kCreate");
    EXPECT_EQ(stored("kImportSamplingRate"), std::to_string(0x41480000u));  // 12.5 in single precision
}

TEST_F(BatchDialogTest, TheWindowShowsTheCurrentOptions) {
    options().SetBoolOption(kImportShowUI, false);
    options().SetBoolOption(kExportShowUI, false);
    options().SetBoolOption(kExportApplyCstKeyRed, false);
    options().SetSamplingRate(29.97, false);
    options().SetImportMode(WyxPluginOptions::kExclusiveMerge);
    ASSERT_TRUE(run("WYXBatchDialog"));
    EXPECT_EQ(valueOf("WYXIMPORTUI"), 1.0);
    EXPECT_EQ(valueOf("WYXEXPORTUI"), 1.0);
    EXPECT_EQ(valueOf("WYXAPPLYCONSTANTKEYREDUCER"), 0.0);
    EXPECT_NEAR(valueOf("WYXFRAMERATEFIELD"), 29.969999, 1e-9);
    EXPECT_EQ(valueOf("radioButton1"), 1.0);
    EXPECT_EQ(valueOf("radioButton3"), 0.0);
}

TEST_F(BatchDialogTest, RatesOutOfRangeAreRefusedAndTheOldRateKept) {
    ASSERT_TRUE(run("WYXBatchDialog"));
    for (const char* rate : {"0", "-5", "5000"}) {
        ASSERT_TRUE(run("showWindow WYXBATCHUIWINDOW"));  // storing hides it
        ASSERT_TRUE(ui().userSetValue("WYXFRAMERATEFIELD", rate)) << rate;
        ASSERT_TRUE(run("WYXSetUserParams -caller \"WYXCommandBatchDialog\"")) << rate;
        EXPECT_EQ(options().GetSamplingRate(false), 30.0) << rate;
        EXPECT_EQ(options().GetSamplingRate(true), 30.0) << rate;
        const VStringArray warnings = VMessageLog::linesOf(VMessageLog::kWarning);
        ASSERT_GT(warnings.length(), 0u);
        EXPECT_EQ(warnings[warnings.length() - 1],
                  VString("WYXSetUserParams: resampling rate ") + rate +
                      " refused (a rate from 0.1 to 1000 frames per second); kept 30.");
    }
    vexa_host::UiModel::instance().find("WYXFRAMERATEFIELD")->value = NAN;  // no user can type it; a script might
    run("WYXSetUserParams -caller \"WYXVexaTranslator\"");
    EXPECT_EQ(options().GetSamplingRate(true), 30.0);
}

TEST_F(BatchDialogTest, OpeningTwiceLeavesOneWindow) {
    ASSERT_TRUE(run("WYXBatchDialog"));
    ASSERT_TRUE(run("window -e -vis false WYXBATCHUIWINDOW"));  // as Store leaves it
    ASSERT_TRUE(run("WYXBatchDialog"));
    EXPECT_EQ(windowsNamed("WYXBATCHUIWINDOW"), 1);
    EXPECT_TRUE(ui().find("WYXBATCHUIWINDOW")->visible);
}

TEST_F(BatchDialogTest, StoringReadsItsOwnWindowNotADialogBuiltSince) {
    ASSERT_TRUE(run("WYXBatchDialog"));
    ASSERT_TRUE(ui().userSetValue("WYXFRAMERATEFIELD", "48"));
    ASSERT_TRUE(ui().userPickRadioButton("radioButton1"));  // exclusive merge
    // Another dialog with controls of the same names and the import dialog's mode buttons.
    ASSERT_TRUE(run("window WYXIMPORTWINDOW; columnLayout -p WYXIMPORTWINDOW WYXCOLUMNLAYOUT"));
    ASSERT_TRUE(run(ModeButtonsScript(kImportDialogModeButtons, WyxPluginOptions::kCreate).asChar()));
    ASSERT_TRUE(run("floatField -p WYXIMPORTWINDOW -v 99 WYXFRAMERATEFIELD"));
    ASSERT_TRUE(run("showWindow WYXIMPORTWINDOW"));

    ASSERT_TRUE(ui().userPressButton("WYXVEXABUTTON"));
    EXPECT_EQ(options().GetSamplingRate(false), 48.0);
    EXPECT_EQ(options().GetImportMode(), WyxPluginOptions::kExclusiveMerge);
    int importMode = -1;
    ASSERT_TRUE(ReadModeButtons(kImportDialogModeButtons, importMode));
    EXPECT_EQ(importMode, WyxPluginOptions::kCreate);
}

TEST_F(BatchDialogTest, WithoutItsWindowStoringFailsAndChangesNothing) {
    ASSERT_TRUE(run("WYXBatchDialog"));
    ASSERT_TRUE(ui().userSetValue("WYXIMPORTUI", "true"));
    ASSERT_TRUE(run("deleteUI WYXBATCHUIWINDOW"));
    EXPECT_FALSE(run("WYXSetUserParams -caller \"WYXVexaTranslator\""));
    EXPECT_EQ(lastError(), "WYXSetUserParams: the batch settings window is not open; nothing was stored.");
    EXPECT_TRUE(options().GetBoolOption(kImportShowUI));

    // A window of that name that is not the batch dialog's.
    ASSERT_TRUE(run("window WYXBATCHUIWINDOW"));
    EXPECT_FALSE(run("WYXSetUserParams -caller \"WYXVexaTranslator\""));
    EXPECT_EQ(lastError(), "WYXSetUserParams: cannot read WYXIMPORTUI of the batch settings window; nothing was stored.");
    EXPECT_TRUE(options().GetBoolOption(kImportShowUI));
}

TEST_F(BatchDialogTest, StoringWhereTheRegistryCannotKeepTheSettingsFailsWithItsReason) {
    ScratchFolder folder;
    const ScopedEnvironment registry("WYX_REGISTRY_FILE", UnwritableRegistry(folder));
    ASSERT_TRUE(run("WYXBatchDialog"));
    ASSERT_TRUE(ui().userSetValue("WYXIMPORTUI", "true"));
    EXPECT_FALSE(run("WYXSetUserParams -caller \"WYXVexaTranslator\""));
    EXPECT_EQ(lastError().asChar(), "WYXSetUserParams: set for this session but not stored: the settings registry " +
                                        folder.Join("plain/registry.txt") + ": Not a directory");
    EXPECT_FALSE(options().GetBoolOption(kImportShowUI));
}

TEST_F(BatchDialogTest, OtherCallersChangeNothingAndSucceed) {
    ASSERT_TRUE(run("WYXBatchDialog"));
    ASSERT_TRUE(ui().userSetValue("WYXIMPORTUI", "true"));
    for (const char* call : {"WYXSetUserParams", "WYXSetUserParams -caller \"WYXImportDialog\"",
                             "WYXSetUserParams -caller", "WYXSetUserParams -v \"WYXVexaTranslator\""}) {
        EXPECT_TRUE(run(call)) << call;
        EXPECT_TRUE(options().GetBoolOption(kImportShowUI)) << call;
    }
    EXPECT_TRUE(ui().find("WYXBATCHUIWINDOW")->visible);
}

}  // namespace
