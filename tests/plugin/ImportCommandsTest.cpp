// WYXImport on its command road and through its dialog driven as a user would, WYXRead and the
// take queries; files of the test format (scenes built in memory).

#include "tests/support/ImportTestSupport.h"

#include "fileio/RWyxFileImporter.h"
#include "plugin/PluginRegistration.h"
#include "plugin/UserParamStore.h"
#include "samples/SampleCharacter.h"
#include "curves/RFCurve.h"
#include "scene/RWyxNode.h"
#include "scene/RWyxScene.h"
#include "scene/RWyxTakeNode.h"

#include "host/src/ui/UiModel.h"

#include <vexa/VAnimControl.h>
#include <vexa/VDoubleArray.h>

#include <functional>
#include <string>

namespace {

using vexa_host::UiControl;

const char* const kOddTake = "we\"ird\\take; file -f -new";
using vexa_host::UiModel;

RWyxTakeInfo Take(const char* name, const char* comment = "", double start = 0.0, double stop = 0.0) {
    RWyxTakeInfo take;
    take.name = name;
    take.description = comment;
    take.localStart.FromSeconds(start);
    take.localStop.FromSeconds(stop);
    take.referenceStart.FromSeconds(start + 1.0);
    take.referenceStop.FromSeconds(stop + 1.0);
    return take;
}

// The sample character with keys from 0 to 1 s in the take "Walk", and the takes the header
// lists.
void UseSample(std::vector<RWyxTakeInfo> takes) {
    TestSource().build = [](RWyxObjectFactory& factory) { return sample::BuildCharacterScene(factory); };
    TestSource().takes = std::move(takes);
}

double RangeEnd() { return VAnimControl::maxTime().as(VTime::kSeconds); }

// The first control of the window (depth first) that the test accepts; null when none.
const UiControl* FindControl(const UiControl& control, const std::function<bool(const UiControl&)>& accept) {
    if (accept(control)) return &control;
    for (const auto& child : control.children) {
        if (const UiControl* found = FindControl(*child, accept)) return found;
    }
    return nullptr;
}

const UiControl* ImportWindow() {
    for (const auto& window : UiModel::instance().windows()) {
        if (window->name == "WYXIMPORTWINDOW") return window.get();
    }
    return nullptr;
}

int ImportWindowCount() {
    int count = 0;
    for (const auto& window : UiModel::instance().windows()) count += window->name == "WYXIMPORTWINDOW" ? 1 : 0;
    return count;
}

// How the dialog shows a file name: whole up to 48 characters, else its head and its tail.
std::string Shown(const std::string& name) {
    return name.size() <= 48 ? name : name.substr(0, 3) + "..." + name.substr(name.size() - 42);
}

std::string FileLabel() {
    const UiControl* window = ImportWindow();
    const UiControl* label = window == nullptr ? nullptr : FindControl(*window, [](const UiControl& control) {
        return control.type == "text" && control.label.compare(0, 7, "File : ") == 0;
    });
    return label != nullptr ? label->label : "<no label>";
}

VStatus PickMode(const char* label) {
    const UiControl* button = FindControl(*ImportWindow(), [label](const UiControl& control) {
        return control.type == "radioButton" && control.label == label;
    });
    return button != nullptr ? UiModel::instance().userPickRadioButton(UiModel::instance().pathOf(*button))
                             : VStatus(VStatus::kNotFound);
}

class ImportCommandsTest : public ImportTest {
protected:
    static VString errorAfter(const std::string& script) {
        EXPECT_FALSE(run(script)) << script;
        return lastError();
    }
};

// ---- the command road --------------------------------------------------------------------------

TEST_F(ImportCommandsTest, TheCommandOpensChecksTheTakeAndImports) {
    EXPECT_EQ(errorAfter("WYXImport -t 1"), "Use syntax: WYXImport -f \"filename\" [-t take_index_zero_based]");
    const std::string missing = folder_.Join("missing.wyxtest");
    EXPECT_EQ(run("WYXImport -f \"" + missing + "\"").statusCode(), VStatus::kNotFound);
    EXPECT_EQ(lastError(), "WYXImport error: file not found. (" + missing + ")");
    EXPECT_EQ(CachedImportSession(), nullptr);
    TestSource().headerFails = true;
    EXPECT_EQ(errorAfter("WYXImport -f \"" + testFile() + "\""), "WYXImport error: File is corrupted: the test says so");
    EXPECT_EQ(CachedImportSession(), nullptr);

    TestSource().headerFails = false;
    UseSample({Take("Idle"), Take("Walk"), Take("Run")});
    EXPECT_EQ(run("WYXImport -f \"" + testFile() + "\" -t 3").statusCode(), VStatus::kNotFound);
    EXPECT_EQ(lastError(), "WYXImport error: take not found.");
    EXPECT_NE(CachedImportSession(), nullptr);  // kept for the next try
    VString result;
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\" -t 1", &result));
    EXPECT_EQ(result, "Success");
    EXPECT_EQ(RangeEnd(), 1.0);  // the keys of "Walk"
    EXPECT_EQ(CachedImportSession(), nullptr);
}

// A take index that is no whole number is refused before the file is opened; the scene notes
// the take an import brought in ("No Animation." for none).
TEST_F(ImportCommandsTest, TheTakeIndexIsAWholeNumberAndTheSceneNotesTheTakeImported) {
    UseSample({Take("Idle"), Take("Walk")});
    for (const char* index : {"x", "1.5", "\"\""}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(errorAfter("WYXImport -f \"" + testFile() + "\" -t " + index),
                  VString("WYXImport error: take index \"") + (index[0] == '"' ? "" : index) + "\" is not a whole number.");
        EXPECT_EQ(CachedImportSession(), nullptr);
        EXPECT_FALSE(dumps("Character"));
    }
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\" -t 1"));
    EXPECT_TRUE(dumps("fileInfo WYXImportTake \"Walk\"\n")) << dump();
    HostTest::SetUp();
    UseSample({});
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    EXPECT_TRUE(dumps("fileInfo WYXImportTake \"No Animation.\"\n")) << dump();
    // A file that does not read notes nothing.
    HostTest::SetUp();
    TestSource().headerFails = true;
    EXPECT_FALSE(run("WYXImport -f \"" + testFile() + "\""));
    EXPECT_FALSE(dumps("fileInfo")) << dump();
}

// An exclusive merge only binds the file's nodes to host nodes of their names: into a scene
// without them it imports nothing, and says so.
TEST_F(ImportCommandsTest, AnExclusiveMergeThatMatchesNothingSaysSo) {
    const char* const warning =
        "WYXImport warning: Exclusive merge: no node of the file matches a node of the scene; nothing was imported.";
    UseSample({Take("Walk")});
    options().SetImportMode(WyxPluginOptions::kExclusiveMerge);
    ASSERT_TRUE(run("createNode transform -n Other"));
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    EXPECT_FALSE(dumps("Character"));
    VStringArray warnings = VMessageLog::linesOf(VMessageLog::kWarning);
    ASSERT_EQ(warnings.length(), 1u);
    EXPECT_EQ(warnings[0], warning);
    EXPECT_NE(logText().find("WYX import Warning: Exclusive merge: no node"), std::string::npos) << logText();

    // With the dialog on, the warning is a message box.
    VMessageLog::clear();
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    ASSERT_EQ(UiModel::instance().shownDialogs().size(), 1u);
    EXPECT_EQ(UiModel::instance().shownDialogs()[0].title, "WYX import Warning");
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kWarning).length(), 0u);

    // A node of the scene that matches: no warning.
    HostTest::SetUp();
    options().SetBoolOption(kImportShowUI, false);
    ASSERT_TRUE(run("createNode transform -n Character"));
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kWarning).length(), 0u) << VMessageLog::linesOf(VMessageLog::kWarning)[0];
}

// A file with one take and no take argument imports that take, as the dialog (which chooses
// the last take) does; a file without takes imports no animation.
TEST_F(ImportCommandsTest, WithoutATakeTheFirstTakeIsImported) {
    UseSample({Take("Walk")});
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    EXPECT_EQ(RangeEnd(), 1.0);
    HostTest::SetUp();
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\" -t -4"));
    EXPECT_EQ(RangeEnd(), 1.0);
    HostTest::SetUp();
    UseSample({});
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    EXPECT_NEAR(RangeEnd(), 1.0 / 24.0, 1e-12);
}

TEST_F(ImportCommandsTest, AFileThatDoesNotReadChangesNothingAndIsNoSuccess) {
    ASSERT_TRUE(run("createNode transform -n keep; setAttr keep.translateY 2; namespace -add kept"));
    options().SetImportMode(2);
    const std::string before = dump();
    VString result;
    EXPECT_FALSE(run("WYXImport -f \"" + testFile() + "\"", &result));
    EXPECT_NE(result, "Success");
    EXPECT_EQ(lastError(), "WYXImport error: File is corrupted: the test says so");
    EXPECT_EQ(dump(), before);
    EXPECT_NE(logText().find("File is corrupted: the test says so"), std::string::npos);

    // A missing file and a file that is no WYX file, through the SDK's formats.
    WyxVexaImportSession::SetFormatTable(nullptr);
    EXPECT_EQ(run("WYXImport -f \"" + folder_.Join("gone.wyx") + "\"").statusCode(), VStatus::kNotFound);
    EXPECT_EQ(lastError(), "WYXImport error: file not found. (" + folder_.Join("gone.wyx") + ")");
    const std::string garbage = folder_.WriteFile("garbage.wyx", std::string(300, '\x7f'));
    EXPECT_FALSE(run("WYXImport -f \"" + garbage + "\""));
    EXPECT_NE(lastError().indexOf("does not begin with a WYX header"), -1) << lastError();
    EXPECT_EQ(dump(), before);
}

// ---- WYXRead and the queries --------------------------------------------------------------------

TEST_F(ImportCommandsTest, TheQueriesAnswerByIndexNameCommentAndSpans) {
    UseSample({Take("Walk", "One step", 0.0, 2.0), Take("Run"), Take("Walk")});
    EXPECT_EQ(errorAfter("WYXGetTakeCount"), "No WYX file to query. Use command WYXRead first.");
    VString result;
    ASSERT_TRUE(run("WYXRead -f \"" + testFile() + "\"", &result));
    EXPECT_EQ(result, "Success");
    ASSERT_TRUE(run("WYXGetTakeCount", &result));
    EXPECT_EQ(result, "3");
    ASSERT_TRUE(run("WYXGetTakeIndex Walk", &result));
    EXPECT_EQ(result, "0");
    ASSERT_TRUE(run("WYXGetTakeIndex Run", &result));
    EXPECT_EQ(result, "1");
    EXPECT_EQ(errorAfter("WYXGetTakeIndex Jump"), "No such take.");
    ASSERT_TRUE(run("WYXGetTakeName 1", &result));
    EXPECT_EQ(result, "Run");
    EXPECT_EQ(errorAfter("WYXGetTakeName 3"), "No such take.");
    EXPECT_EQ(errorAfter("WYXGetTakeComment -1"), "No such take.");
    ASSERT_TRUE(run("WYXGetTakeComment 0", &result));
    EXPECT_EQ(result, "One step");

    VTime::setUIUnit(VTime::kNTSCFrame);
    VDoubleArray span;
    ASSERT_TRUE(VGlobal::executeCommand("WYXGetTakeLocalTimeSpan 0", span));
    ASSERT_EQ(span.length(), 2u);
    EXPECT_EQ(span[0], 0.0);
    EXPECT_EQ(span[1], 60.0);
    ASSERT_TRUE(VGlobal::executeCommand("WYXGetTakeReferenceTimeSpan 0", span));
    EXPECT_EQ(span[0], 30.0);
    EXPECT_EQ(span[1], 90.0);

    EXPECT_EQ(errorAfter("WYXGetTakeCount 1"), "Use syntax: WYXGetTakeCount");
    EXPECT_EQ(errorAfter("WYXGetTakeName"), "Use syntax: WYXGetTakeName takeindex");
    EXPECT_EQ(errorAfter("WYXGetTakeReferenceTimeSpan"), "Use syntax: CommandGetTakeReferenceTimeSpan takeindex");
}

TEST_F(ImportCommandsTest, WYXReadKeepsOneSessionPerFileAndImportEndsIt) {
    UseSample({Take("Walk")});
    const std::string file = testFile();
    ASSERT_TRUE(run("WYXRead -f \"" + file + "\""));
    const WyxVexaImportSession* first = CachedImportSession();
    ASSERT_TRUE(run("WYXRead -file \"" + file + "\""));
    EXPECT_EQ(CachedImportSession(), first);
    ASSERT_TRUE(run("WYXRead -f \"" + testFile("other") + "\""));
    ASSERT_TRUE(run("WYXImport -f \"" + testFile("other") + "\""));
    EXPECT_EQ(errorAfter("WYXGetTakeCount"), "No WYX file to query. Use command WYXRead first.");

    ASSERT_TRUE(run("WYXRead -f \"" + file + "\""));
    EXPECT_EQ(errorAfter("WYXRead -f \"" + file + "\" extra"), "Use syntax: WYXRead -f filename");
    EXPECT_EQ(CachedImportSession(), nullptr);
    EXPECT_EQ(errorAfter("WYXRead -f \"" + folder_.Join("none.wyxtest") + "\""),
              "WYXRead error: file not found. (" + folder_.Join("none.wyxtest") + ")");
    TestSource().headerFails = true;
    EXPECT_EQ(errorAfter("WYXRead -f \"" + file + "\""), "WYXRead error: File is corrupted: the test says so");
    EXPECT_EQ(errorAfter("WYXGetTakeName 0"), "No WYX file to query. Use command WYXRead first.");
}

// ---- the dialog ---------------------------------------------------------------------------------

TEST_F(ImportCommandsTest, TheDialogImportsTheChosenTakeInTheChosenMode) {
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(run("createNode transform -n before"));
    UseSample({Take("Idle"), Take("Walk"), Take("Run")});
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    const UiControl* list = UiModel::instance().find("WYXTAKELIST");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->items, (std::vector<std::string>{"No Animation.", "Idle", "Walk", "Run"}));
    EXPECT_EQ(list->selectedRows, (std::vector<int>{4}));
    EXPECT_TRUE(ImportWindow()->visible);
    EXPECT_TRUE(dumps("|before"));  // nothing imported yet

    ASSERT_TRUE(UiModel::instance().userSelectRows(UiModel::instance().pathOf(*list), {3}));
    ASSERT_TRUE(PickMode("Add to new scene"));
    ASSERT_TRUE(UiModel::instance().userSetValue("WYXFRAMERATEFIELD", "48"));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_EQ(ImportWindow(), nullptr);
    EXPECT_FALSE(dumps("|before"));  // a new scene
    EXPECT_TRUE(dumps("node joint |Character|Hips\n"));
    EXPECT_EQ(RangeEnd(), 1.0);  // "Walk"
    EXPECT_EQ(options().GetImportMode(), 2);
    EXPECT_EQ(options().GetSamplingRate(true), 48.0);
    UserParamStore store;
    store.Open(PluginRegistryKey(), "Vexa50");
    RString stored;
    store.GetString(WyxVexaOptions::kSection, "kImportLoadMode", "", stored);
    store.Close();
    EXPECT_EQ(stored, "kCreate");
}

TEST_F(ImportCommandsTest, NoAnimationIsTheFirstRow) {
    options().SetBoolOption(kImportShowUI, true);
    UseSample({Take("Walk")});
    ASSERT_TRUE(run("WYXImport -f \"" + testFile() + "\""));
    ASSERT_TRUE(UiModel::instance().userSelectRows("WYXTAKELIST", {1}));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_NEAR(RangeEnd(), 1.0 / 24.0, 1e-12);
}

TEST_F(ImportCommandsTest, AfterCancelAnotherFileShowsItsOwnWindow) {
    options().SetBoolOption(kImportShowUI, true);
    UseSample({Take("Walk"), Take("Run")});
    const std::string first = testFile("first");
    ASSERT_TRUE(run("WYXImport -f \"" + first + "\""));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXCANCELBUTTON"));
    EXPECT_FALSE(ImportWindow()->visible);

    UseSample({Take("Jump")});
    const std::string second = testFile("second");
    ASSERT_TRUE(run("WYXImport -f \"" + second + "\""));
    EXPECT_EQ(ImportWindowCount(), 1);
    EXPECT_TRUE(ImportWindow()->visible);
    EXPECT_EQ(FileLabel(), "File : " + Shown(second));
    EXPECT_EQ(UiModel::instance().find("WYXTAKELIST")->items, (std::vector<std::string>{"No Animation.", "Jump"}));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_TRUE(dumps("node transform |Character\n"));
}

TEST_F(ImportCommandsTest, ImportPressedAfterTheSessionEndedImportsNothing) {
    options().SetBoolOption(kImportShowUI, true);
    UseSample({Take("Walk")});
    const std::string file = testFile();
    ASSERT_TRUE(run("WYXImport -f \"" + file + "\""));
    options().SetBoolOption(kImportShowUI, false);
    ASSERT_TRUE(run("WYXImport -f \"" + file + "\""));  // imports at once and ends the session
    const std::string imported = dump();
    EXPECT_FALSE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_EQ(lastError(), "WYXImport error: No WYX file to import. Open it with WYXImport -f first.");
    EXPECT_EQ(dump(), imported);

    // The session of another file is not this window's either.
    options().SetBoolOption(kImportShowUI, true);
    ASSERT_TRUE(run("WYXImport -f \"" + file + "\""));
    ASSERT_TRUE(run("WYXRead -f \"" + testFile("other") + "\""));
    EXPECT_FALSE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_NE(CachedImportSession(), nullptr);
}

TEST_F(ImportCommandsTest, TheDialogsTakeIsCheckedAgainstTheFileAsItIsNow) {
    options().SetBoolOption(kImportShowUI, true);
    UseSample({Take("Idle"), Take("Walk"), Take("Run")});
    const std::string file = testFile();
    ASSERT_TRUE(run("WYXImport -f \"" + file + "\""));
    UseSample({Take("Walk")});
    ASSERT_TRUE(run("WYXRead -f \"" + file + "\""));  // the same session, read again
    EXPECT_FALSE(UiModel::instance().userPressButton("WYXVEXABUTTON"));  // row 4: take 2
    EXPECT_EQ(lastError(), "WYXImport error: take not found.");
    EXPECT_FALSE(dumps("Character"));
}

TEST_F(ImportCommandsTest, QuotesAndBackslashesInNamesReachTheHostIntact) {
    options().SetBoolOption(kImportShowUI, true);
    // A node keyed from 0 to 2 s in a take of that name.
    TestSource().build = [](RWyxObjectFactory& factory) {
        RWyxScene* scene = BuildNamedNodes(factory, {"Character"});
        RWyxNode* node = scene->GetRootNode()->GetChild(0);
        RFCurve* curve = node->AddTakeNode(kOddTake)->GetTranslationXCurve();
        for (const double seconds : {0.0, 2.0}) {
            RTime time;
            time.FromSeconds(seconds);
            curve->AddKey(time, RCurveKey::Plain(time, 1.0f, RCurveKey::Linear));
        }
        return scene;
    };
    TestSource().takes = {Take(kOddTake)};
    ASSERT_TRUE(run("createNode transform -n keep"));
    // A backslash separates folders in the plug-in's paths, as a slash does.
    folder_.WriteFile("a\"b.wyxtest", "test");
    const std::string file = folder_.Path() + "\\a\"b.wyxtest";
    std::string escaped;
    for (const char c : file) escaped += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
    ASSERT_TRUE(run("WYXImport -f \"" + escaped + "\""));
    EXPECT_EQ(FileLabel(), "File : " + Shown(file));
    EXPECT_EQ(UiModel::instance().find("WYXTAKELIST")->items,
              (std::vector<std::string>{"No Animation.", kOddTake}));
    ASSERT_TRUE(UiModel::instance().userPressButton("WYXVEXABUTTON"));
    EXPECT_TRUE(dumps("|keep"));
    EXPECT_TRUE(dumps("node transform |Character\n"));
    EXPECT_EQ(RangeEnd(), 2.0) << "the take was not read";
    EXPECT_EQ(VMessageLog::linesOf(VMessageLog::kError).length(), 0u) << lastError();
}

}  // namespace
