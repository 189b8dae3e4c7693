// vexa: the host's command-line shell.
//
//   vexa [-p PLUGIN]... [-c COMMANDS | SCRIPT]
//
// Loads the plug-ins named with -p, then runs the script of -c, or of the script file, or,
// with neither, reads standard input line by line, each line a script (with a prompt when it
// is a terminal). Statements end with ";" (ScriptParser.h). Each statement's result is printed
// as "// Result: ..."; messages go to standard error. A script from -c or a file stops at the
// first failure, and the shell then exits with status 1; an interactive session goes on. At
// exit every plug-in is unloaded (uninitializePlugin), the last loaded first.
//
// The interface is headless: "dumpUI" prints the windows and the dialogs shown, and
// "userAction" acts as the user (-set CONTROL VALUE, -pick RADIOBUTTON, -rows LIST ROW...,
// -press BUTTON; -answer LABEL, -answerIndex N or -dismiss for the next confirm dialog).
//
// When VEXA_PLUG_IN_PATH is not set, the shell sets it to its own folder and adds the folder
// of every plug-in it loads, so that plug-ins can find their own folder there.

#include "host/src/plugins/PluginManager.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/ScriptInterpreter.h"
#include "host/src/script/ScriptText.h"

#include <vexa/VMessageLog.h>

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Options {
    std::vector<std::string> plugins;
    std::string commands;
    std::string script;
    bool haveCommands = false;
};

void printUsage() { std::cerr << "usage: vexa [-p PLUGIN]... [-c COMMANDS | SCRIPT]\n"; }

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if ((word == "-p" || word == "-c") && i + 1 < argc) {
            if (word == "-p") {
                options.plugins.push_back(argv[++i]);
            } else {
                options.commands = argv[++i];
                options.haveCommands = true;
            }
        } else if (word == "-h" || word == "--help") {
            return false;
        } else if (!word.empty() && word.front() != '-' && options.script.empty()) {
            options.script = word;
        } else {
            std::cerr << "vexa: unknown argument " << word << "\n";
            return false;
        }
    }
    return !(options.haveCommands && !options.script.empty());
}

std::string executableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) return ".";
    const std::string full(path, static_cast<size_t>(length));
    return full.substr(0, full.rfind('/'));
}

bool run(const std::string& text) {
    vexa_host::CommandResult result;
    const VStatus status = vexa_host::ScriptInterpreter::instance().run(text, result, [](const vexa_host::CommandResult& each) {
        if (!each.empty()) std::cout << "// Result: " << each.joined() << std::endl;
    });
    std::cout.flush();
    return static_cast<bool>(status);
}

bool runInteractive() {
    const bool terminal = isatty(STDIN_FILENO) != 0;
    std::string line;
    while (true) {
        if (terminal) std::cout << "vexa> " << std::flush;
        if (!std::getline(std::cin, line)) break;
        run(line);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        printUsage();
        return 2;
    }
    if (std::getenv("VEXA_PLUG_IN_PATH") == nullptr) {
        setenv("VEXA_PLUG_IN_PATH", executableFolder().c_str(), 1);
        vexa_host::PluginManager::instance().setManageSearchPath(true);
    }
    VMessageLog::setEcho(true);

    bool ok = true;
    for (const std::string& plugin : options.plugins) ok = ok && run("loadPlugin " + vexa_host::quoted(plugin));
    if (ok) {
        if (options.haveCommands) {
            ok = run(options.commands);
        } else if (!options.script.empty()) {
            std::ifstream in(options.script);
            if (!in) {
                std::cerr << "vexa: cannot read " << options.script << "\n";
                ok = false;
            } else {
                std::ostringstream text;
                text << in.rdbuf();
                ok = run(text.str());
            }
        } else {
            ok = runInteractive();
        }
    }
    vexa_host::PluginManager::instance().unloadAll();
    return ok ? 0 : 1;
}
