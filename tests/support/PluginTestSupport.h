#ifndef WYX_TESTS_SUPPORT_PLUGINTESTSUPPORT_H
#define WYX_TESTS_SUPPORT_PLUGINTESTSUPPORT_H

// Shared set-up of the tests that load the test plug-in or run the shell: scratch files, the
// plug-in's switches cleared before and after each test, every plug-in unloaded afterwards.

#include "tests/support/HostTestSupport.h"

#include "host/src/plugins/PluginManager.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

inline std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

inline std::string scratchFile(const std::string& name) {
    return std::string(::testing::TempDir()) + "/vexa_" + std::to_string(getpid()) + "_" + name;
}

inline void writeFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

inline std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class PluginTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        clearSwitches();
    }
    void TearDown() override {
        clearSwitches();
        vexa_host::PluginManager::instance().unloadAll();
        HostTest::TearDown();
    }

    static void clearSwitches() {
        unsetenv("VEXA_TEST_PLUGIN_FAIL");
        unsetenv("VEXA_TEST_PLUGIN_THROW");
    }
    static VStatus load(const char* path, std::string* name = nullptr) {
        std::string loaded;
        VStatus status = vexa_host::PluginManager::instance().load(path, loaded);
        if (name != nullptr) *name = loaded;
        return status;
    }
};

// Runs the command line through sh, standard input from the file (else nothing); answers its
// exit status (-1 when a signal ended it) and its merged output.
inline int runCommand(const std::string& commandLine, std::string& output, const std::string& input = std::string()) {
    const std::string command = commandLine + " 2>&1" + (input.empty() ? " </dev/null" : " <" + input);
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char buffer[4096];
    output.clear();
    size_t count = 0;
    while ((count = fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, count);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs the shell with the given arguments, as runCommand.
inline int runShell(const std::string& environment, const std::string& arguments, std::string& output,
                    const std::string& input = std::string()) {
    return runCommand(environment + " " + VEXA_SHELL_PATH + " " + arguments, output, input);
}

#endif
