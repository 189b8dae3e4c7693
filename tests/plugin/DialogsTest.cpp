// The message dialogs answered by label, index and dismissal, the text they carry, and the
// progress display.

#include "tests/plugin/PluginTestSupport.h"

#include "plugin/PluginBoundary.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/WyxVexa3ButtonDialog.h"
#include "plugin/WyxVexaConfirmDialog.h"

#include "host/src/ui/UiModel.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using vexa_host::ConfirmAnswer;
using vexa_host::UiModel;

ConfirmAnswer byLabel(const char* label) { return {ConfirmAnswer::kLabel, label, 0}; }
ConfirmAnswer byIndex(int index) { return {ConfirmAnswer::kIndex, "", index}; }
ConfirmAnswer dismissed() { return {ConfirmAnswer::kDismiss, "", 0}; }

constexpr int kDismissed = WyxVexaConfirmDialog::kDismissed;

using DialogsTest = HostTest;

TEST_F(DialogsTest, ConfirmDialogsAnswerTheButtonPressedOrADismissal) {
    WyxVexaConfirmDialog two;
    two.SetTitle("WYX Export Question");
    two.SetButtonLabel(0, "Yes");
    two.SetButtonLabel(1, "No");
    WyxVexaConfirmDialog one;
    const struct {
        const WyxVexaConfirmDialog* dialog;
        ConfirmAnswer answer;
        int expected;
    } cases[] = {
        {&two, byLabel("No"), 1}, {&two, byLabel("Yes"), 0}, {&two, byIndex(1), 1}, {&two, byIndex(0), 0},
        {&two, dismissed(), kDismissed}, {&two, byLabel("Maybe"), kDismissed}, {&two, byIndex(5), kDismissed},
        {&one, byLabel("Ok"), 0}, {&one, dismissed(), kDismissed},
    };
    for (const auto& c : cases) {
        UiModel::instance().queueAnswer(c.answer);
        EXPECT_EQ(c.dialog->Show(), c.expected) << c.answer.label << " " << c.answer.index;
    }
    const auto& shown = UiModel::instance().shownDialogs();
    ASSERT_EQ(shown.size(), 9u);
    EXPECT_EQ(shown[0].title, "WYX Export Question");
    EXPECT_EQ(shown[0].buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(shown[7].title, "WyxVexaConfirmDialog");
    EXPECT_EQ(shown[7].message, "Left empty");
    EXPECT_EQ(shown[7].buttons, (std::vector<std::string>{"Ok"}));
    // With nothing queued the host answers the first button.
    EXPECT_EQ(two.Show(), 0);
}

TEST_F(DialogsTest, ADismissalIsNeverTakenForAButtonOfTheSameName) {
    WyxVexaConfirmDialog dialog;
    dialog.SetButtonLabel(0, "dismiss");
    dialog.SetButtonLabel(1, "dismiss_");
    dialog.SetButtonLabel(2, "ignored");
    EXPECT_EQ(dialog.GetButtonCount(), 2);
    UiModel::instance().queueAnswer(dismissed());
    EXPECT_EQ(dialog.Show(), kDismissed);
    UiModel::instance().queueAnswer(byIndex(0));
    EXPECT_EQ(dialog.Show(), 0);
}

TEST_F(DialogsTest, ThreeButtonDialogsAnswerZeroToTwo) {
    WyxVexa3ButtonDialog dialog;
    dialog.SetTitle("WYX import Warning");
    dialog.SetButtonLabel(0, "Unlock All");
    dialog.SetButtonLabel(1, "Unlock");
    dialog.SetButtonLabel(2, "Skip");
    dialog.SetButtonLabel(3, "Nothing");
    const struct {
        ConfirmAnswer answer;
        int expected;
    } cases[] = {{byLabel("Skip"), 2}, {byLabel("Unlock"), 1}, {byIndex(0), 0}, {byIndex(2), 2},
                 {dismissed(), kDismissed}, {byLabel("Other"), kDismissed}};
    for (const auto& c : cases) {
        UiModel::instance().queueAnswer(c.answer);
        EXPECT_EQ(dialog.Show(), c.expected) << c.answer.label;
    }
    EXPECT_EQ(UiModel::instance().shownDialogs().back().buttons,
              (std::vector<std::string>{"Unlock All", "Unlock", "Skip"}));
    WyxVexa3ButtonDialog defaults;
    defaults.Show();
    EXPECT_EQ(UiModel::instance().shownDialogs().back().buttons,
              (std::vector<std::string>{"Ok", "Left empty", "Left empty"}));
}

TEST_F(DialogsTest, TextsReachTheDialogAsTheyWere) {
    const char* const texts[] = {"a \"quoted\" name", "C:\\scenes\\new", "two\nlines\tand\ra return", "end\\",
                                 "x\"; file -f -new; \""};
    for (const char* text : texts) {
        WyxVexaConfirmDialog dialog;
        dialog.SetTitle(text);
        dialog.SetMessage(VString("File ") + text + " not found.\nGo on?");
        dialog.SetButtonLabel(0, text);
        EXPECT_EQ(dialog.Show(), 0) << text;
        const auto& shown = UiModel::instance().shownDialogs().back();
        EXPECT_EQ(shown.title, text);
        EXPECT_EQ(shown.message, std::string("File ") + text + " not found.\nGo on?");
        EXPECT_EQ(shown.buttons.front(), text);
    }
    EXPECT_EQ(UiModel::instance().shownDialogs().size(), 5u);
}

TEST_F(DialogsTest, ScriptTextEscapesOncePerLevel) {
    EXPECT_EQ(ScriptLiteralText("a\\b\"c\nd\te\rf"), "a\\\\b\\\"c\\nd\\te\\rf");
    EXPECT_EQ(QuotedScriptText("x\"y"), "\"x\\\"y\"");
    EXPECT_EQ(ScriptLiteralText(ScriptLiteralText("\"")), "\\\\\\\"");
    // Specials side by side, first and last, and a text without any.
    EXPECT_EQ(ScriptLiteralText("\"\\\r\n"), "\\\"\\\\\\r\\n");
    EXPECT_EQ(ScriptLiteralText(""), "");
    std::string command = "sets ";
    AppendQuotedScriptText("a\tb", command);
    AppendQuotedScriptText("plain", command);
    EXPECT_EQ(command, "sets \"a\\tb\"\"plain\"") << "appended after what the command holds";
    VString kept = "sets \"";
    AppendScriptLiteralText("a\tb", kept);
    kept += "\"\"";
    AppendScriptLiteralText("plain", kept);
    kept += '"';
    EXPECT_EQ(kept.str(), command) << "the host text takes the same bytes";
    // A literal nested in a string variable's literal comes out whole after two readings.
    const VString name = "odd \"name\\";
    const VString inner = "print " + QuotedScriptText(name);
    ASSERT_TRUE(VGlobal::executeCommand("window W; columnLayout; string $kept = " + QuotedScriptText(inner) +
                                        "; button -c $kept KEPT"));
    EXPECT_EQ(UiModel::instance().find("KEPT")->command, inner.str());
}

TEST_F(DialogsTest, AnExceptionAtTheBoundaryFailsTheCallWithItsText) {
    const VStatus status = GuardHostCall("WYXTest", []() -> VStatus { throw std::runtime_error("out of luck"); });
    EXPECT_FALSE(status);
    EXPECT_EQ(status.errorString(), "WYXTest: out of luck");
    EXPECT_EQ(GuardHostValue("WYXTest", 7, []() -> int { throw 3; }), 7);
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
    ASSERT_EQ(errors.length(), 2u);
    EXPECT_EQ(errors[1], "WYXTest: unknown exception");
}

// ---- progress ------------------------------------------------------------------------------------

class ProgressTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        ASSERT_TRUE(VGlobal::executeCommand("window WYXIMPORTWINDOW; columnLayout;"
                                            "text -label \" \" WYXVEXASTATUS; text -label \" \" WYXVEXAPROGRESSMETER"));
        ResetProgress(true, "WYXIMPORTWINDOW");
    }
    void TearDown() override {
        vexa_host::CommandEngine::instance().setScriptRunner(nullptr);
        ResetProgress(true, "");
        HostTest::TearDown();
    }
    static std::string label(const char* control) { return UiModel::instance().find(control)->label; }
};

TEST_F(ProgressTest, TheMarkerWalksFortyStepsAndStartsAgainAtTheLeft) {
    ProgressTick(nullptr);
    EXPECT_EQ(label("WYXVEXAPROGRESSMETER"), "o");
    EXPECT_TRUE(UiModel::instance().find("WYXIMPORTWINDOW")->visible);
    for (int tick = 2; tick <= 40; ++tick) ProgressTick(nullptr);
    EXPECT_EQ(label("WYXVEXAPROGRESSMETER"), std::string(39, ' ') + "o");
    ProgressTick(nullptr);
    EXPECT_EQ(label("WYXVEXAPROGRESSMETER"), "o");
    EXPECT_EQ(GetProgressTicks(), 0);
    ProgressTick(nullptr);
    EXPECT_EQ(label("WYXVEXAPROGRESSMETER"), "o");
    ProgressTick(nullptr);
    EXPECT_EQ(label("WYXVEXAPROGRESSMETER"), " o");
}

TEST_F(ProgressTest, StatusAndDetailShareTheStatusLine) {
    SetProgressStatus("Importing \"a\\b\"");
    EXPECT_EQ(label("WYXVEXASTATUS"), "Importing \"a\\b\"");
    ShowProgressDetail("take \"1\"");
    EXPECT_EQ(label("WYXVEXASTATUS"), "Importing \"a\\b\"  take \"1\"");
    EXPECT_EQ(GetProgressStatus(), "Importing \"a\\b\"");
    const VString detail = "mesh\nnext";
    ProgressTick(&detail);
    EXPECT_EQ(label("WYXVEXASTATUS"), "Importing \"a\\b\"  mesh\nnext");
    ResetProgress(true, "WYXIMPORTWINDOW");
    EXPECT_EQ(GetProgressStatus(), "");
    EXPECT_EQ(GetProgressTicks(), 0);
}

TEST_F(ProgressTest, WithTheDisplayOffNothingReachesTheHost) {
    std::vector<std::string> scripts;
    vexa_host::CommandEngine::instance().setScriptRunner(
        [&scripts](const std::string& text, vexa_host::CommandResult&) {
            scripts.push_back(text);
            return VStatus();
        });
    ResetProgress(false, "WYXIMPORTWINDOW");
    SetProgressStatus("kept");
    ShowProgressDetail("detail");
    const VString detail = "d";
    ProgressTick(&detail);
    EXPECT_TRUE(scripts.empty());
    EXPECT_EQ(GetProgressStatus(), "kept");
    EXPECT_EQ(GetProgressTicks(), 1);
    ResetProgress(true, "WYXIMPORTWINDOW");
    SetProgressStatus("shown");
    EXPECT_EQ(scripts.size(), 2u);
}

// A detail is made only for a display that shows it; the marker moves on either way.
TEST_F(ProgressTest, DetailsAreMadeOnlyWhileTheDisplayIsOn) {
    int made = 0;
    const auto detail = [&made] { return VString(("node" + std::to_string(++made)).c_str()); };
    SetProgressStatus("Creating");
    ProgressTickWith(detail);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(label("WYXVEXASTATUS"), "Creating  node1");
    EXPECT_EQ(label("WYXVEXAPROGRESSMETER"), "o");
    ResetProgress(false, "WYXIMPORTWINDOW");
    ProgressTickWith(detail);
    ProgressTickWith(detail);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(GetProgressTicks(), 2);
    EXPECT_EQ(label("WYXVEXASTATUS"), "Creating  node1");
    ResetProgress(true, "WYXIMPORTWINDOW");
    SetProgressStatus("Again");
    ProgressTickWith(detail);
    EXPECT_EQ(label("WYXVEXASTATUS"), "Again  node2");
}

}  // namespace
