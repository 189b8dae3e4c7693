// The shell as a new user meets it: its help, the script paths it refuses, and errors that say
// where in which file they are.

#include "tests/support/PluginTestSupport.h"

#include <sys/socket.h>
#include <sys/un.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class ShellTest : public PluginTest {};

TEST_F(ShellTest, HelpListsEveryFlagAndExitsWell) {
    for (const char* flag : {"--help", "-h"}) {
        SCOPED_TRACE(flag);
        std::string output;
        EXPECT_EQ(runShell("", flag, output), 0);
        EXPECT_EQ(output.rfind("usage: vexa [-p PLUGIN]... [--no-status] [-c COMMANDS | SCRIPT]\n", 0), 0u) << output;
        for (const char* entry : {"  -p PLUGIN     load the plug-in first", "  --no-status   do not print the status lines",
                                  "  -c COMMANDS   run COMMANDS as a script",
                                  "  SCRIPT        run the script file SCRIPT", "  -h, --help    print this help",
                                  "VEXA_PLUG_IN_PATH", "Exit status:"}) {
            EXPECT_NE(output.find(entry), std::string::npos) << entry << "\n" << output;
        }
    }
    // Help goes to standard output, so that it can be paged.
    std::string output;
    EXPECT_EQ(runShell("", "--help 2>/dev/null | head -1; true", output), 0);
    EXPECT_EQ(output, "usage: vexa [-p PLUGIN]... [--no-status] [-c COMMANDS | SCRIPT]\n");
}

TEST_F(ShellTest, ArgumentsItDoesNotUnderstandAreUsageErrors) {
    struct Case {
        const char* arguments;
        const char* error;
    };
    const std::vector<Case> cases = {
        {"-p", "vexa: -p needs a value\n"},
        {"-c", "vexa: -c needs a value\n"},
        {"-x", "vexa: unknown argument -x\n"},
        {"a.vx b.vx", "vexa: unknown argument b.vx\n"},
        {"-c 'print x' a.vx", "vexa: give -c or a script file, not both\n"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.arguments);
        std::string output;
        EXPECT_EQ(runShell("", entry.arguments, output), 2);
        EXPECT_EQ(output.rfind(entry.error, 0), 0u) << output;
        EXPECT_NE(output.find("vexa --help"), std::string::npos) << output;
    }
}

// A UNIX socket: a path that exists and that nobody, not even the superuser, can open.
std::string makeSocket(const std::string& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    std::remove(path.c_str());
    const bool bound = fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    if (fd >= 0) close(fd);
    return bound ? path : std::string();
}

TEST_F(ShellTest, AScriptPathThatCannotBeReadFailsBeforeAnythingRuns) {
    const std::string folder = folderOf(scratchFile("x"));
    const std::string socketPath = makeSocket("/tmp/vexa_" + std::to_string(getpid()) + ".sock");
    ASSERT_FALSE(socketPath.empty());
    struct Case {
        std::string path;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"''", "vexa: the script path is empty\n"},
        {folder, "vexa: " + folder + " is a folder, not a script\n"},
        {"/nonexistent/script.vx", "vexa: cannot read /nonexistent/script.vx: No such file or directory\n"},
        {socketPath, "vexa: cannot read " + socketPath + ": No such device or address\n"},
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.path);
        std::string output;
        // The plug-in of -p is not even loaded: nothing runs for a script that cannot be read.
        EXPECT_EQ(runShell("", std::string("-p ") + VEXA_TEST_PLUGIN_PATH + " " + entry.path, output), 1);
        EXPECT_EQ(output, entry.error);
    }
    std::remove(socketPath.c_str());
    // An empty file is a script that does nothing.
    const std::string empty = scratchFile("empty.vx");
    writeFile(empty, "");
    std::string output;
    EXPECT_EQ(runShell("", empty, output), 0) << output;
    EXPECT_EQ(output, "");
    std::remove(empty.c_str());
}

TEST_F(ShellTest, ScriptErrorsNameTheFileLineAndColumn) {
    const std::string script = scratchFile("errors.vx");
    writeFile(script, "createNode transform -n a;\n\n  print \"unterminated;\n");
    std::string output;
    EXPECT_EQ(runShell("", script, output), 1);
    EXPECT_EQ(output, "// Error: Syntax error: unterminated string at line 3, column 9 of " + script + "\n");

    writeFile(script, "createNode transform -n a;\ncreateNode transform -n b; createNode nothing;\nprint done;\n");
    EXPECT_EQ(runShell("", script, output), 1);
    EXPECT_NE(output.find("// Result: b\n// Error: createNode: unknown or abstract node type: nothing\n// Error: " + script +
                          " stops at line 2, column 28\n"),
              std::string::npos)
        << output;
    EXPECT_EQ(output.find("done"), std::string::npos) << output;
    // Commands given with -c have no file: the place alone.
    EXPECT_EQ(runShell("", "-c 'print \"x'", output), 1);
    EXPECT_EQ(output, "// Error: Syntax error: unterminated string at line 1, column 7\n");
    std::remove(script.c_str());
}

// Standard input goes on after a failed line, and the exit status says that one failed.
TEST_F(ShellTest, StandardInputRunsEveryLineAndExitsOneAfterAFailure) {
    const std::string input = scratchFile("input.vx");
    writeFile(input, "print a;\nnosuch;\nprint b;\n");
    std::string output;
    EXPECT_EQ(runShell("", "", output, input), 1);
    EXPECT_NE(output.find("a"), std::string::npos) << output;
    EXPECT_NE(output.find("// Error: Cannot find procedure \"nosuch\".\n"), std::string::npos) << output;
    EXPECT_NE(output.find("b"), std::string::npos) << output;
    writeFile(input, "print a;\nprint b;\n");
    EXPECT_EQ(runShell("", "", output, input), 0) << output;
    EXPECT_EQ(output, "ab");
    std::remove(input.c_str());
}

// The output without the "// Result: " lines of the commands that built windows.
std::string withoutResults(const std::string& output) {
    std::string kept;
    size_t start = 0;
    while (start < output.size()) {
        const size_t end = output.find('\n', start);
        const size_t next = end == std::string::npos ? output.size() : end + 1;
        if (output.compare(start, 11, "// Result: ") != 0) kept += output.substr(start, next - start);
        start = next;
    }
    return kept;
}

// A window the script leaves shown waits for a user the shell does not have: the shell says so
// when the script ends, with the buttons userAction can press (a button another window's newer
// control shadows by its full path; disabled buttons and hidden windows not at all).
TEST_F(ShellTest, AWindowLeftShownIsReportedWithItsButtons) {
    const std::string window =
        "window -t \"Old  \" OLD; columnLayout; button -l \"Go\" GO; showWindow OLD; "
        "window -t \"Importer\" W; columnLayout; button -l \"Go\" -c \"window -e -vis false W\" GO; "
        "button -l \"Later\" -en false LATER; button -l \"Stop\" STOP; showWindow W; "
        "window HIDDEN; columnLayout; button -l \"No\" NO;";
    std::string output;
    EXPECT_EQ(runShell("", "-c '" + window + "'", output), 0);
    EXPECT_EQ(withoutResults(output),
              "vexa: the window OLD (\"Old\") is still shown and waits for the user; userAction -press takes "
              "OLD|columnLayout1|GO (\"Go\")\n"
              "vexa: the window W (\"Importer\") is still shown and waits for the user; userAction -press takes "
              "GO (\"Go\"), STOP (\"Stop\")\n");
    // Pressed, the window goes; a failed script reports what it left shown as well.
    EXPECT_EQ(runShell("", "-c '" + window + " deleteUI OLD; userAction -press GO; nosuch'", output), 1);
    EXPECT_EQ(output.find("vexa: the window W "), std::string::npos) << output;
    EXPECT_EQ(output.find("vexa: the window"), std::string::npos) << output;
    // A window without buttons, and standard input at its end.
    const std::string input = scratchFile("window.vx");
    writeFile(input, "window E; showWindow E;\n");
    EXPECT_EQ(runShell("", "", output, input), 0);
    EXPECT_EQ(withoutResults(output), "vexa: the window E is still shown and waits for the user; it has no button to press\n");
    std::remove(input.c_str());
}

// A command that keeps a shown window's texts up to date (a dialog's status and progress lines)
// is followed on standard error: the first change at once, the newest of a burst when the
// statement ends, not every one; edits of a hidden window and labels given at creation are no
// status. --no-status keeps them quiet.
TEST_F(ShellTest, StatusTextsOfAShownWindowArePrintedAsTheyChange) {
    std::string burst;
    for (int i = 1; i <= 20; ++i) {
        burst += "text -e -l \\\"Step " + std::to_string(i) + "\\\" S; text -e -l \\\"" +
                 std::string(static_cast<size_t>(i % 5), ' ') + "o\\\" M; ";
    }
    const std::string script = "window W; columnLayout; text -l \"File : x\" F; text -l \" \" S; text -l \" \" M; "
                               "text -e -l \"hidden\" S; button -c \"" + burst + "\" B; showWindow W; "
                               "text -e -l \"Reading...\" S; userAction -press B; print done; "
                               "text -e -l \"line\\nbreak  \" S; window -e -vis false W";
    std::string output;
    EXPECT_EQ(runShell("", "-c '" + script + "'", output), 0) << output;
    output = withoutResults(output);
    EXPECT_EQ(output.rfind("// W: Reading...\n", 0), 0u) << output;
    const size_t last = output.find("// W: Step 20 | o\ndone");
    EXPECT_NE(last, std::string::npos) << output;
    EXPECT_NE(output.find("done// W: line break | o\n"), std::string::npos) << output;
    size_t lines = 0;
    for (size_t at = output.find("// W: Step"); at != std::string::npos; at = output.find("// W: Step", at + 1)) ++lines;
    EXPECT_LT(lines, 10u) << "a line for each change of a burst:\n" << output;
    EXPECT_EQ(output.find("hidden"), std::string::npos) << output;
    EXPECT_EQ(output.find("File : x"), std::string::npos) << output;

    EXPECT_EQ(runShell("", "--no-status -c '" + script + "'", output), 0);
    EXPECT_EQ(withoutResults(output), "done");
}

// A confirm dialog answers at once without a screen: the shell shows it with its answer.
TEST_F(ShellTest, ConfirmDialogsArePrintedWithTheirAnswers) {
    std::string output;
    EXPECT_EQ(runShell("", "--no-status -c 'userAction -answer \"No\"; "
                           "confirmDialog -t \" Question \" -m \"First line\\nsecond line\" -b \"Yes\" -b \"No\"; "
                           "confirmDialog -t \"Note\" -m \"\" -b \"Ok\"'",
                       output),
              0);
    EXPECT_EQ(output,
              "// Dialog \"Question\" (buttons \"Yes\", \"No\"; answered \"No\")\n"
              "//   First line\n"
              "//   second line\n"
              "// Result: No\n"
              "// Dialog \"Note\" (buttons \"Ok\"; answered \"Ok\")\n"
              "// Result: Ok\n");
}

}  // namespace
