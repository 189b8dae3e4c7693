// vexa: the host's command-line shell.
//
//   vexa [-p PLUGIN]... [--no-status] [-c COMMANDS | SCRIPT]
//
// Loads the plug-ins named with -p, then runs the script of -c, or of the script file, or,
// with neither, reads standard input line by line, each line a script (with a prompt when it
// is a terminal). Statements end with ";" (ScriptParser.h). Each statement's result is printed
// as "// Result: ..."; messages go to standard error. A script from -c or a file stops at the
// first failure, and the shell then exits with status 1; standard input goes on with the next
// line, and the shell exits with status 1 at its end. The errors of a script file give the
// file's name with the line and column. At exit every plug-in is unloaded (uninitializePlugin),
// the last loaded first. "-h" or "--help" prints the usage (kUsage) and exits 0.
//
// Exit status: 0 when everything ran; 1 when a plug-in did not load, a script or a line of
// standard input failed, or the script file cannot be read (an empty path, a folder, a file
// that is missing or unreadable); 2 for arguments the shell does not understand.
//
// The interface is headless: "dumpUI" prints the windows and the dialogs shown, and
// "userAction" acts as the user (-set CONTROL VALUE, -pick RADIOBUTTON, -rows LIST ROW...,
// -press BUTTON; -answer LABEL, -answerIndex N or -dismiss for the next confirm dialog). What a
// screen would show goes to standard error (InterfaceEcho.h): the status lines of a shown
// window as a command changes them (unless --no-status), each confirm dialog with its answer,
// and, when the script or standard input ends, every window still shown with its buttons.
//
// When VEXA_PLUG_IN_PATH is not set, the shell sets it to its own folder and adds the folder
// of every plug-in it loads, so that plug-ins can find their own folder there.

#include "host/shell/InterfaceEcho.h"
#include "host/src/plugins/PluginManager.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/ScriptInterpreter.h"
#include "host/src/script/ScriptText.h"

#include <vexa/VMessageLog.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const kUsage = R"(usage: vexa [-p PLUGIN]... [--no-status] [-c COMMANDS | SCRIPT]

Runs scripts of the Vexa host stand-in.

  -p PLUGIN     load the plug-in first; PLUGIN is a path (with a "/"), or a name looked up
                as NAME or NAME.vll in the folders of VEXA_PLUG_IN_PATH (";" between
                folders). May be given more than once; the plug-ins load in that order.
  --no-status   do not print the status lines of shown windows.
  -c COMMANDS   run COMMANDS as a script, then exit.
  SCRIPT        run the script file SCRIPT, then exit.
  -h, --help    print this help and exit.

With neither -c nor SCRIPT, standard input is read line by line, each line a script. A script
of -c or SCRIPT stops at its first failure; standard input goes on with the next line.
Results print to standard output as "// Result: ...", messages to standard error. When
VEXA_PLUG_IN_PATH is not set, the shell sets it to its own folder and adds the folder of
every plug-in it loads.

The interface has no screen: "dumpUI" prints its windows and the dialogs shown, "userAction"
acts as the user. On standard error the shell prints the status lines of a shown window as
they change (a few a second at most; "// WINDOW: text"), each confirm dialog with its answer,
and, when the script or standard input ends, every window still shown with the buttons that
"userAction -press" takes.

Exit status: 0 when everything ran, 1 when a plug-in, a script or a line of standard input
failed or SCRIPT cannot be read, 2 for arguments the shell does not understand.
)";

struct Options {
    std::vector<std::string> plugins;
    std::string commands;
    std::string script;
    bool haveCommands = false;
    bool haveScript = false;
    bool help = false;
    bool statusLines = true;
};

void printUsage(std::ostream& out) { out << kUsage; }
void printUsageLine(std::ostream& out) {
    out << "usage: vexa [-p PLUGIN]... [--no-status] [-c COMMANDS | SCRIPT]  (vexa --help tells more)\n";
}

bool refuse(const std::string& message) {
    std::cerr << "vexa: " << message << "\n";
    return false;
}

// False, with the reason on standard error, for arguments the shell does not understand.
bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "-h" || word == "--help") {
            options.help = true;
        } else if (word == "--no-status") {
            options.statusLines = false;
        } else if (word == "-p" || word == "-c") {
            if (i + 1 >= argc) return refuse(word + " needs a value");
            if (word == "-p") {
                options.plugins.push_back(argv[++i]);
            } else {
                options.commands = argv[++i];
                options.haveCommands = true;
            }
        } else if ((word.empty() || word.front() != '-') && !options.haveScript) {
            options.script = word;
            options.haveScript = true;
        } else {
            return refuse("unknown argument " + word);
        }
    }
    if (options.haveCommands && options.haveScript) return refuse("give -c or a script file, not both");
    return true;
}

// The text of the script file; false, with the reason on standard error, when it cannot be
// read (an empty path, a folder, a missing or unreadable file).
bool readScript(const std::string& path, std::string& text) {
    if (path.empty()) return refuse("the script path is empty");
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return refuse("cannot read " + path + ": " + std::strerror(errno));
    if (S_ISDIR(info.st_mode)) return refuse(path + " is a folder, not a script");
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) return refuse("cannot read " + path + ": " + std::strerror(errno));
    char buffer[65536];
    ssize_t count = 0;
    while ((count = read(file, buffer, sizeof(buffer))) != 0) {
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            const int error = errno;
            close(file);
            return refuse("cannot read " + path + ": " + std::strerror(error));
        }
        text.append(buffer, static_cast<size_t>(count));
    }
    close(file);
    return true;
}

std::string executableFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) return ".";
    const std::string full(path, static_cast<size_t>(length));
    return full.substr(0, full.rfind('/'));
}

bool run(InterfaceEcho& echo, const std::string& text, const std::string& source = std::string()) {
    vexa_host::CommandResult result;
    const auto printResult = [&echo](const vexa_host::CommandResult& each) {
        echo.flush();
        if (!each.empty()) std::cout << "// Result: " << each.joined() << std::endl;
    };
    const VStatus status = vexa_host::ScriptInterpreter::instance().run(text, result, printResult, source);
    echo.flush();
    std::cout.flush();
    return static_cast<bool>(status);
}

// Every line runs, whatever the lines before did; false when any failed.
bool runInteractive(InterfaceEcho& echo) {
    const bool terminal = isatty(STDIN_FILENO) != 0;
    std::string line;
    bool ok = true;
    while (true) {
        if (terminal) std::cout << "vexa> " << std::flush;
        if (!std::getline(std::cin, line)) break;
        ok = run(echo, line) && ok;
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        printUsageLine(std::cerr);
        return 2;
    }
    if (options.help) {
        printUsage(std::cout);
        return 0;
    }
    std::string script;
    if (options.haveScript && !readScript(options.script, script)) return 1;
    if (std::getenv("VEXA_PLUG_IN_PATH") == nullptr) {
        setenv("VEXA_PLUG_IN_PATH", executableFolder().c_str(), 1);
        vexa_host::PluginManager::instance().setManageSearchPath(true);
    }
    VMessageLog::setEcho(true);
    InterfaceEcho echo(std::cerr);
    echo.watch(options.statusLines);

    bool ok = true;
    for (const std::string& plugin : options.plugins) ok = ok && run(echo, "loadPlugin " + vexa_host::quoted(plugin));
    if (ok) {
        if (options.haveCommands) {
            ok = run(echo, options.commands);
        } else if (options.haveScript) {
            ok = run(echo, script, options.script);
        } else {
            ok = runInteractive(echo);
        }
        echo.reportShownWindows();
    }
    vexa_host::PluginManager::instance().unloadAll();
    return ok ? 0 : 1;
}
