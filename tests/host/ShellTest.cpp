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
        EXPECT_EQ(output.rfind("usage: vexa [-p PLUGIN]... [-c COMMANDS | SCRIPT]\n", 0), 0u) << output;
        for (const char* entry : {"  -p PLUGIN     load the plug-in first", "  -c COMMANDS   run COMMANDS as a script",
                                  "  SCRIPT        run the script file SCRIPT", "  -h, --help    print this help",
                                  "VEXA_PLUG_IN_PATH", "Exit status:"}) {
            EXPECT_NE(output.find(entry), std::string::npos) << entry << "\n" << output;
        }
    }
    // Help goes to standard output, so that it can be paged.
    std::string output;
    EXPECT_EQ(runShell("", "--help 2>/dev/null | head -1; true", output), 0);
    EXPECT_EQ(output, "usage: vexa [-p PLUGIN]... [-c COMMANDS | SCRIPT]\n");
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

}  // namespace
