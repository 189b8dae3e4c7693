// The headless interface: a dialog built the way the plug-in builds its dialogs, read back by
// the command its button re-runs; the user's actions; confirm dialogs; names and parents.

#include "tests/support/HostTestSupport.h"

#include "host/src/script/CommandEngine.h"
#include "host/src/ui/UiModel.h"

#include <vexa/VGlobal.h>
#include <vexa/VIntArray.h>
#include <vexa/VPxCommand.h>
#include <vexa/VStringArray.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using vexa_host::CommandEngine;
using vexa_host::ConfirmAnswer;
using vexa_host::UiModel;

VStatus runEach(const std::vector<std::string>& commands) {
    for (const std::string& command : commands) {
        if (VStatus status = VGlobal::executeCommand(VString(command)); !status) return status;
    }
    return VStatus();
}

std::string lastError() {
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
    return errors.length() == 0 ? std::string() : errors[errors.length() - 1].str();
}

// What the dialog's command read back when its button re-ran it.
struct ReadBack {
    int runs = 0;
    std::string file;
    int mode = -1;
    VIntArray rows;
    double rate = 0.0;
    int pivots = -1;
    int windowExisted = -1;
};
ReadBack readBack;

// A plug-in command with a dialog, as the import command has: with -caller "DialogTest" it
// reads the controls back, then deletes the window.
class DialogCommand : public VPxCommand {
public:
    static void* create() { return new DialogCommand; }
    VStatus doIt(const VArgList& args) override {
        if (args.length() != 4 || args.asString(0) != "-f" || args.asString(2) != "-caller" || args.asString(3) != "DialogTest") {
            return VStatus(VStatus::kFailure);
        }
        ++readBack.runs;
        readBack.file = args.asString(1).str();
        int selected = 0;
        VGlobal::executeCommand("radioButton -q -sl $rb1_ExclusiveMerge", selected);
        readBack.mode = selected != 0 ? 0 : 1;
        VGlobal::executeCommand("radioButton -q -sl $rb2_AddToNewScene", selected);
        if (readBack.mode != 0 && selected != 0) readBack.mode = 2;
        VGlobal::executeCommand("textScrollList -q -sii WYXTAKELIST", readBack.rows);
        VGlobal::executeCommand("floatField -q -v WYXFRAMERATEFIELD", readBack.rate);
        VGlobal::executeCommand("checkBox -q -v WYXREPLACENULLBYPIVOTS", readBack.pivots);
        VGlobal::executeCommand("window -ex WYXIMPORTWINDOW", readBack.windowExisted);
        if (readBack.windowExisted != 0) VGlobal::executeCommand("deleteUI WYXIMPORTWINDOW");
        setResult("Success");
        return VStatus();
    }
};

// One command per call, as the import dialog is built.
const std::vector<std::string>& importDialog() {
    static const std::vector<std::string> commands = {
        "commandEcho -st false",
        "window -rtf true -s false -t \"WYX Importer 6.0  \"  WYXIMPORTWINDOW",
        "columnLayout -p WYXIMPORTWINDOW -w 300 -co \"both\" 10 -rs 5 WYXCOLUMNLAYOUT",
        "text -al \"left\" -label \"File : a \\\"b\\\".wyx\" ",
        "textScrollList -w 280 -p WYXIMPORTWINDOW -numberOfRows 8  -allowMultiSelection false -append \"No Animation.\""
        " -append \"Take 001\" -append \"Take 002\" -selectIndexedItem 3 WYXTAKELIST",
        "separator -w 280;",
        "string $collection1 = `radioCollection`;string $rb1_ExclusiveMerge = `radioButton -label \"Exclusive Merge\"`;"
        "string $rb2_AddToNewScene = `radioButton -label \"Add to new scene\"`;string $rb3_Merge = `radioButton -label \"Merge\"`;"
        "setParent ..; setParent ..;\tradioCollection -edit -select $rb3_Merge $collection1;",
        "setParent ..",
        "checkBox -p WYXIMPORTWINDOW -h 20 -label \"Merge pivot nodes\" -al \"left\" -en false -v true  WYXREPLACENULLBYPIVOTS",
        "radioButton -edit -cc \"checkBox -e -en false -v true WYXREPLACENULLBYPIVOTS\" $rb1_ExclusiveMerge",
        "radioButton -edit -cc \"checkBox -e -en true WYXREPLACENULLBYPIVOTS\" $rb2_AddToNewScene",
        "rowLayout -p WYXIMPORTWINDOW -numberOfColumns 2 -columnWidth2 150 50 -columnAlign 1 \"left\"\t\t\t\t"
        "-columnAlign 2 \"left\" -columnAttach 1 \"both\" 0 -columnAttach 2 \"both\" 0",
        "floatField -v 30.000000 -precision 3 -step 1 WYXFRAMERATEFIELD",
        "string $WYXImportButtonCommand = \"DialogImport -f \\\"a \\\\\\\"b\\\\\\\".wyx\\\" -caller \\\"DialogTest\\\"\"",
        "button -rs false -label \"Import\" -c $WYXImportButtonCommand  WYXVEXABUTTON",
        "string $WYXCancelButtonCommand = \"window -e -vis false WYXIMPORTWINDOW\"",
        "button -rs false -label \"Cancel\" -c $WYXCancelButtonCommand WYXCANCELBUTTON",
        "setParent ..;",
        "text -p WYXIMPORTWINDOW -label \" \" -al \"center\" WYXVEXASTATUS",
        "text -p WYXIMPORTWINDOW -label\"NOTICE: one\\ntwo\" -al \"left\"",
        "showWindow WYXIMPORTWINDOW",
    };
    return commands;
}

class UiTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        readBack = ReadBack();
        CommandEngine::instance().setOutput(&printed);
        ASSERT_TRUE(CommandEngine::instance().registerPluginCommand("DialogImport", DialogCommand::create, &owner));
    }
    void TearDown() override {
        CommandEngine::instance().deregisterPluginCommand("DialogImport", &owner);
        CommandEngine::instance().setOutput(nullptr);
        HostTest::TearDown();
    }
    static VStatus user(const std::string& action) { return VGlobal::executeCommand(VString("userAction " + action)); }
    static std::string dump() {
        std::ostringstream out;
        UiModel::instance().describe(out);
        return out.str();
    }
    static int queryInt(const std::string& query) {
        int value = -1;
        EXPECT_TRUE(VGlobal::executeCommand(VString(query), value)) << query;
        return value;
    }

    static const int owner;
    std::ostringstream printed;
};
const int UiTest::owner = 0;

TEST_F(UiTest, ADialogIsBuiltQueriedAndReadBackByTheCommandItsButtonReruns) {
    ASSERT_TRUE(runEach(importDialog()));
    EXPECT_EQ(dump(),
              "window WYXIMPORTWINDOW \"WYX Importer 6.0  \" shown\n"
              "  columnLayout WYXCOLUMNLAYOUT\n"
              "    text text1 \"File : a \\\"b\\\".wyx\"\n"
              "    separator separator1\n"
              "    radioCollection radioCollection1\n"
              "    radioButton radioButton1 \"Exclusive Merge\" cc \"checkBox -e -en false -v true WYXREPLACENULLBYPIVOTS\"\n"
              "    radioButton radioButton2 \"Add to new scene\" cc \"checkBox -e -en true WYXREPLACENULLBYPIVOTS\"\n"
              "    radioButton radioButton3 \"Merge\" on\n"
              "  textScrollList WYXTAKELIST items \"No Animation.\" \"Take 001\" \"Take 002\" rows 3\n"
              "  checkBox WYXREPLACENULLBYPIVOTS \"Merge pivot nodes\" value 1 disabled\n"
              "  rowLayout rowLayout1\n"
              "    floatField WYXFRAMERATEFIELD value 30\n"
              "    button WYXVEXABUTTON \"Import\" c \"DialogImport -f \\\"a \\\\\\\"b\\\\\\\".wyx\\\" -caller \\\"DialogTest\\\"\"\n"
              "    button WYXCANCELBUTTON \"Cancel\" c \"window -e -vis false WYXIMPORTWINDOW\"\n"
              "  text WYXVEXASTATUS \" \"\n"
              "  text text2 \"NOTICE: one\\ntwo\"\n");
    EXPECT_EQ(queryInt("radioButton -q -sl $rb3_Merge"), 1);
    EXPECT_EQ(queryInt("checkBox -q -en WYXREPLACENULLBYPIVOTS"), 0);
    VString status;
    ASSERT_TRUE(VGlobal::executeCommand("text -e -label \"Importing...  o\" WYXVEXASTATUS; text -q -l WYXVEXASTATUS", status));
    EXPECT_EQ(status, "Importing...  o");

    ASSERT_TRUE(user("-pick $rb2_AddToNewScene"));
    EXPECT_EQ(queryInt("checkBox -q -en WYXREPLACENULLBYPIVOTS"), 1) << "picking runs the button's -cc";
    EXPECT_EQ(queryInt("radioButton -q -sl $rb3_Merge"), 0);
    ASSERT_TRUE(user("-set WYXREPLACENULLBYPIVOTS false"));
    ASSERT_TRUE(user("-rows WYXTAKELIST 1"));
    ASSERT_TRUE(user("-set WYXFRAMERATEFIELD 25"));
    ASSERT_TRUE(user("-press WYXVEXABUTTON"));

    EXPECT_EQ(readBack.runs, 1);
    EXPECT_EQ(readBack.file, "a \"b\".wyx");
    EXPECT_EQ(readBack.mode, 2);
    ASSERT_EQ(readBack.rows.length(), 1u);
    EXPECT_EQ(readBack.rows[0], 1);
    EXPECT_EQ(readBack.rate, 25.0);
    EXPECT_EQ(readBack.pivots, 0);
    EXPECT_EQ(readBack.windowExisted, 1);
    EXPECT_EQ(dump(), "") << "the command deleted its window";
}

TEST_F(UiTest, CancelHidesAndARebuildUnderTheSameNameIsRefused) {
    ASSERT_TRUE(runEach(importDialog()));
    ASSERT_TRUE(user("-press WYXCANCELBUTTON"));
    EXPECT_EQ(queryInt("window -q -vis WYXIMPORTWINDOW"), 0);
    EXPECT_EQ(queryInt("window -ex WYXIMPORTWINDOW"), 1);
    EXPECT_EQ(user("-press WYXVEXABUTTON"), VStatus::kFailure) << "a hidden window takes no clicks";
    EXPECT_EQ(lastError(), "userAction: the window WYXIMPORTWINDOW is not shown");
    const std::string before = dump();
    EXPECT_EQ(before.substr(0, before.find('\n')), "window WYXIMPORTWINDOW \"WYX Importer 6.0  \" hidden");
    EXPECT_EQ(VGlobal::executeCommand(VString(importDialog()[1])), VStatus::kFailure);
    EXPECT_EQ(lastError(), "window: the window name WYXIMPORTWINDOW is in use");
    EXPECT_EQ(VGlobal::executeCommand("columnLayout -p WYXIMPORTWINDOW WYXCOLUMNLAYOUT"), VStatus::kFailure);
    EXPECT_EQ(lastError(), "columnLayout: the name WYXCOLUMNLAYOUT is in use in WYXIMPORTWINDOW");
    EXPECT_EQ(dump(), before);
    ASSERT_TRUE(VGlobal::executeCommand("showWindow WYXIMPORTWINDOW"));
    EXPECT_EQ(queryInt("window -q -vis WYXIMPORTWINDOW"), 1);
}

TEST_F(UiTest, EditsMadeByScriptRunNoChangeCommand) {
    ASSERT_TRUE(runEach({"window W", "columnLayout", "checkBox -cc \"print \\\"changed \\\"\" -v off BOX",
                         "floatField -cc \"print \\\"typed \\\"\" RATE", "showWindow W"}));
    ASSERT_TRUE(runEach({"checkBox -e -v on BOX", "floatField -e -v 3.25 RATE"}));
    EXPECT_EQ(printed.str(), "");
    EXPECT_EQ(queryInt("checkBox -q -v BOX"), 1);
    double rate = 0.0;
    ASSERT_TRUE(VGlobal::executeCommand("floatField -q -v RATE", rate));
    EXPECT_EQ(rate, 3.25);
    ASSERT_TRUE(user("-set BOX off"));
    ASSERT_TRUE(user("-set RATE 2.5"));
    EXPECT_EQ(printed.str(), "changed typed ");
    ASSERT_TRUE(VGlobal::executeCommand("floatField -q -v RATE", rate));
    EXPECT_EQ(rate, 2.5);
}

TEST_F(UiTest, ChangeCommandsSubstituteWhenTheyRun) {
    ASSERT_TRUE(runEach({"window W", "columnLayout", "checkBox -v false EMBED", "checkBox -en false TIFF",
                         "checkBox -edit -cc \"checkBox -e -en `checkBox -q -v EMBED` TIFF\" EMBED", "showWindow W"}));
    ASSERT_TRUE(user("-set EMBED on"));
    EXPECT_EQ(queryInt("checkBox -q -en TIFF"), 1);
    ASSERT_TRUE(user("-set EMBED off"));
    EXPECT_EQ(queryInt("checkBox -q -en TIFF"), 0);
}

// Pressing this button runs a user action of its own: the interface is busy with the first.
TEST_F(UiTest, TheUserReachesOnlyEnabledControlsOfShownWindowsOneActionAtATime) {
    ASSERT_TRUE(runEach({"window W", "columnLayout", "checkBox -en false OFF", "text LABEL", "textScrollList -a a -a b LIST",
                         "radioButton R", "button -c \"userAction -press AGAIN\" AGAIN", "window HIDDEN", "columnLayout",
                         "button HIDDENBUTTON", "showWindow W"}));
    struct Case {
        const char* action;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"-set OFF on", "userAction: OFF is disabled"},
        {"-set LABEL x", "userAction: the user cannot set a value on a text"},
        {"-set NOBODY 1", "userAction: no control named NOBODY"},
        {"-press LIST", "userAction: LIST is a textScrollList, not a button"},
        {"-press HIDDENBUTTON", "userAction: the window HIDDEN is not shown"},
        {"-rows LIST 3", "userAction: row 3 is not in LIST (2 rows)"},
        {"-rows LIST 1 2", "userAction: LIST takes one row at a time"},
        {"-pick LIST", "userAction: LIST is a textScrollList, not a radioButton"},
        {"-press AGAIN", "userAction: the command of AGAIN failed"},
        {"-press", "userAction: the flag -press needs 1 value"},
        {"-press AGAIN -dismiss", "userAction: give one action"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.action);
        EXPECT_EQ(user(entry.action), VStatus::kFailure);
        EXPECT_EQ(lastError(), entry.error);
    }
    const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
    EXPECT_NE(std::find(errors.begin(), errors.end(), VString("userAction: the interface waits for the command of the last action")),
              errors.end());
    ASSERT_TRUE(user("-rows LIST 2"));
    ASSERT_TRUE(user("-pick R"));
    EXPECT_EQ(queryInt("radioButton -q -sl R"), 1);
    ASSERT_TRUE(UiModel::instance().userSelectRows("LIST", {}));
    VIntArray rows;
    ASSERT_TRUE(VGlobal::executeCommand("textScrollList -q -sii LIST", rows));
    EXPECT_EQ(rows.length(), 0u) << "no row: the selection is cleared";
}

TEST_F(UiTest, RadioButtonsOfACollectionExcludeEachOther) {
    ASSERT_TRUE(runEach({"window W", "columnLayout", "radioCollection SET", "radioButton -sl A", "rowLayout",
                         "radioButton B", "radioCollection OTHER", "radioButton -sl C", "showWindow W"}));
    VString selected;
    ASSERT_TRUE(VGlobal::executeCommand("radioCollection -q -sl SET", selected));
    EXPECT_EQ(selected, "A");
    ASSERT_TRUE(user("-pick B"));
    ASSERT_TRUE(VGlobal::executeCommand("radioCollection -q -sl SET", selected));
    EXPECT_EQ(selected, "B");
    EXPECT_EQ(queryInt("radioButton -q -sl A"), 0);
    EXPECT_EQ(queryInt("radioButton -q -sl C"), 1) << "another collection keeps its selection";
    ASSERT_TRUE(VGlobal::executeCommand("radioCollection -e -sl A SET"));
    EXPECT_EQ(queryInt("radioButton -q -sl B"), 0);
    EXPECT_EQ(VGlobal::executeCommand("radioCollection -e -sl C SET"), VStatus::kFailure);
    EXPECT_EQ(lastError(), "radioCollection: C is not a radio button of SET");
    ASSERT_TRUE(runEach({"deleteUI OTHER", "radioButton ALONE", "radioButton APART"}));
    ASSERT_TRUE(user("-pick ALONE"));
    ASSERT_TRUE(user("-pick APART"));
    EXPECT_EQ(queryInt("radioButton -q -sl ALONE"), 1) << "without a collection a button stands alone";
}

TEST_F(UiTest, ListsCountRowsFromOneAndKeepTheirSelectionRule) {
    ASSERT_TRUE(runEach({"window W", "columnLayout", "textScrollList -a a -a b -a c -sii 3 -sii 1 ONE",
                         "textScrollList -ams true -a a -a b -a c -sii 3 -sii 1 MANY"}));
    VIntArray rows;
    ASSERT_TRUE(VGlobal::executeCommand("textScrollList -q -sii ONE", rows));
    ASSERT_EQ(rows.length(), 1u);
    EXPECT_EQ(rows[0], 1);
    VStringArray items;
    ASSERT_TRUE(VGlobal::executeCommand("textScrollList -q -si MANY", items));
    ASSERT_EQ(items.length(), 2u);
    EXPECT_EQ(items[1], "c");
    EXPECT_EQ(queryInt("textScrollList -q -ni MANY"), 3);
    ASSERT_TRUE(VGlobal::executeCommand("textScrollList -e -da -si b MANY; textScrollList -q -sii MANY", rows));
    ASSERT_EQ(rows.length(), 1u);
    EXPECT_EQ(rows[0], 2);
    EXPECT_EQ(VGlobal::executeCommand("textScrollList -e -sii 4 ONE"), VStatus::kFailure);
    EXPECT_EQ(lastError(), "textScrollList: row 4 is not in ONE (3 rows)");
    EXPECT_EQ(VGlobal::executeCommand("textScrollList -e -sii 0 ONE"), VStatus::kFailure);
    EXPECT_EQ(lastError(), "textScrollList: row 0 is not in ONE (3 rows)");
    ASSERT_TRUE(VGlobal::executeCommand("textScrollList -e -ra ONE; textScrollList -q -sii ONE", rows));
    EXPECT_EQ(rows.length(), 0u);
    EXPECT_EQ(queryInt("textScrollList -q -ni ONE"), 0);
}

TEST_F(UiTest, ConfirmDialogsAnswerFromTheQueueAndAreRecorded) {
    struct Case {
        std::vector<ConfirmAnswer> queued;
        const char* flags;
        const char* answer;
    };
    const std::vector<Case> cases = {
        {{}, "-b \"Ok\" -b \"Cancel\"", "Ok"},
        {{}, "-b \"Yes\" -b \"No\" -db \"No\"", "No"},
        {{}, "", "Confirm"},
        {{{ConfirmAnswer::kLabel, "Maybe", 0}}, "-b \"Yes\" -b \"No\"", "Maybe"},
        {{{ConfirmAnswer::kIndex, "", 1}}, "-b \"Yes\" -b \"No\"", "No"},
        {{{ConfirmAnswer::kIndex, "", 2}}, "-b \"Yes\" -b \"No\"", "dismiss"},
        {{{ConfirmAnswer::kDismiss, "", 0}}, "-b \"Yes\" -ds \"gone\"", "gone"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.flags);
        for (const ConfirmAnswer& answer : entry.queued) UiModel::instance().queueAnswer(answer);
        VString answer;
        ASSERT_TRUE(VGlobal::executeCommand(VString("confirmDialog -t \"T\" -m \"M\" ") + entry.flags, answer));
        EXPECT_EQ(answer, entry.answer);
    }
    ASSERT_TRUE(user("-answer \"Second\""));
    ASSERT_TRUE(user("-answerIndex 0"));
    VString answer;
    ASSERT_TRUE(VGlobal::executeCommand("confirmDialog -t \"WYX Export Question\" -m \"Line\\\\nTwo \\\"q\\\"\" -b \"A\" -b \"B\"", answer));
    EXPECT_EQ(answer, "Second");
    ASSERT_TRUE(VGlobal::executeCommand("confirmDialog -m \"a\\nb\" -b \"A\" -b \"B\"", answer));
    EXPECT_EQ(answer, "A");
    const auto& shown = UiModel::instance().shownDialogs();
    ASSERT_EQ(shown.size(), cases.size() + 2);
    EXPECT_EQ(shown[cases.size()].title, "WYX Export Question");
    EXPECT_EQ(shown[cases.size()].message, "Line\\nTwo \"q\"");
    EXPECT_EQ(shown[cases.size()].buttons, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(shown.back().message, "a\nb");
}

TEST_F(UiTest, ParentsMustBeLayoutsThatExist) {
    ASSERT_TRUE(runEach({"window W", "columnLayout COL", "button B", "columnLayout GONE", "deleteUI GONE", "text -l x INCOL",
                         "rowLayout -p W ROW"}));
    EXPECT_NE(UiModel::instance().find("W|COL|INCOL"), nullptr) << "a deleted current layout hands over to its parent";
    struct Case {
        const char* command;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"separator -p WYXBATCHROWLAYOUT -st \"none\"", "separator: no layout named WYXBATCHROWLAYOUT"},
        {"text -p B -label x", "text: B is a button, not a layout"},
        {"setParent B", "setParent: B is a button, not a layout"},
        {"text -p W -label x COL", "text: the name COL is in use in W"},
        {"checkBox -v maybe BOX", "checkBox: -v takes true or false, not maybe"},
        {"text -q -w ROW", "text: ROW is a rowLayout"},
        {"text -q -w W|ROW|nothing", "text: no control named W|ROW|nothing"},
        {"button -q -w B", "button: -w cannot be queried"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.command);
        EXPECT_EQ(VGlobal::executeCommand(entry.command), VStatus::kFailure);
        EXPECT_EQ(lastError(), entry.error);
    }
    EXPECT_EQ(UiModel::instance().find("BOX"), nullptr) << "a control whose flags fail is not made";
    VString path;
    ASSERT_TRUE(VGlobal::executeCommand("text -label x", path));
    EXPECT_EQ(path, "W|ROW|text1") << "the last layout made is the current parent";
    ASSERT_TRUE(VGlobal::executeCommand("setParent ..; setParent ..; setParent ..; setParent -q", path));
    EXPECT_EQ(path, "W") << "setParent .. stays at the window";
    ASSERT_TRUE(VGlobal::executeCommand("setParent W|COL; text -label y", path));
    EXPECT_EQ(path, "W|COL|text2");
}

TEST_F(UiTest, LayoutsNestToALimitAndShowWindowShowsTheCurrentOne) {
    ASSERT_TRUE(runEach({"window W"}));
    for (size_t depth = 1; depth < UiModel::kMaxNesting; ++depth) ASSERT_TRUE(VGlobal::executeCommand("columnLayout")) << depth;
    EXPECT_EQ(VGlobal::executeCommand("columnLayout"), VStatus::kFailure);
    EXPECT_EQ(lastError(), "columnLayout: layouts nested too deeply");
    ASSERT_TRUE(VGlobal::executeCommand("showWindow"));
    EXPECT_EQ(queryInt("window -q -vis W"), 1);
}

TEST_F(UiTest, NamesAreMadeUniqueAndTheNewestOfAnOwnNameIsFound) {
    ASSERT_TRUE(runEach({"window", "columnLayout", "text -l first SAME", "window -t a -t b", "columnLayout",
                         "text -l second SAME", "text text1"}));
    VString label;
    ASSERT_TRUE(VGlobal::executeCommand("text -l third; window -q -t window2", label));
    EXPECT_EQ(label, "b") << "the last use of a flag counts";
    EXPECT_NE(UiModel::instance().find("window2|columnLayout2|text2"), nullptr) << "text1 was taken";
    ASSERT_TRUE(VGlobal::executeCommand("text -q -l SAME", label));
    EXPECT_EQ(label, "second");
    ASSERT_TRUE(VGlobal::executeCommand("text -q -l |window1|columnLayout1|SAME", label));
    EXPECT_EQ(label, "first");
    ASSERT_TRUE(VGlobal::executeCommand("deleteUI window2; text -q -l SAME", label));
    EXPECT_EQ(label, "first");
    EXPECT_EQ(VGlobal::executeCommand("text orphan"), VStatus::kFailure) << "the current parent went with its window";
    EXPECT_EQ(lastError(), "text: no layout to hold the control");
    ASSERT_TRUE(VGlobal::executeCommand("window; text -label x", label));
    EXPECT_EQ(label, "window3|text3") << "numbers are not handed out twice";
    EXPECT_EQ(VGlobal::executeCommand("deleteUI window3 nothing"), VStatus::kFailure);
    EXPECT_EQ(lastError(), "deleteUI: no window or control named nothing");
    EXPECT_NE(UiModel::instance().find("window3"), nullptr) << "nothing is deleted when one name is wrong";
}

TEST_F(UiTest, TheUserCannotPickRowZero) {
    ASSERT_TRUE(runEach({"window W", "columnLayout", "textScrollList -a a -a b LIST", "showWindow W"}));
    ASSERT_TRUE(user("-rows LIST 1"));
    EXPECT_EQ(user("-rows LIST 0"), VStatus::kFailure);
    EXPECT_EQ(lastError(), "userAction: row 0 is not in LIST (2 rows)");
    EXPECT_EQ(UiModel::instance().userSelectRows("LIST", {0}), VStatus::kInvalidParameter);
    VIntArray rows;
    ASSERT_TRUE(VGlobal::executeCommand("textScrollList -q -sii LIST", rows));
    ASSERT_EQ(rows.length(), 1u);
    EXPECT_EQ(rows[0], 1) << "a refused action changes nothing";
}

}  // namespace
