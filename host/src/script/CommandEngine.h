#ifndef VEXA_HOST_COMMANDENGINE_H
#define VEXA_HOST_COMMANDENGINE_H

// The host's commands: the built-in ones and those plug-ins register, run by name with their
// arguments, and the runner that turns a script text into such runs.
//
// The runner is replaceable (setScriptRunner): the host runs scripts with its interpreter
// (ScriptInterpreter.h) unless another runner is installed. VGlobal::executeCommand, the
// interface's button and change commands and the shell all go through execute().

#include <vexa/VArgList.h>
#include <vexa/VFnPlugin.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

namespace vexa_host {

// What a command answers: texts and numbers, in order.
struct VEXA_API CommandResult {
    struct Item {
        bool numeric = false;
        bool integral = false;
        double number = 0.0;
        std::string text;
    };
    std::vector<Item> items;

    void clear() { items.clear(); }
    bool empty() const { return items.empty(); }
    void addText(const std::string& text);
    void addNumber(double number);
    void addInteger(long long number);
    // An item as text: numbers in the host's text of a double (integers as integers).
    std::string itemText(size_t index) const;
    // An item as a number; false for a text that is not one.
    bool itemNumber(size_t index, double& number) const;
    std::string joined(const char* separator = " ") const;
};

using BuiltinCommand = std::function<VStatus(const VArgList& args, CommandResult& result)>;
using ScriptRunner = std::function<VStatus(const std::string& text, CommandResult& result)>;

class VEXA_API CommandEngine {
public:
    static CommandEngine& instance();

    // kFailure when the name is taken.
    VStatus registerBuiltin(const std::string& name, BuiltinCommand command);
    VStatus registerPluginCommand(const std::string& name, VFnPlugin::CommandCreator creator, const void* owner);
    // kFailure when the command is not registered by this owner.
    VStatus deregisterPluginCommand(const std::string& name, const void* owner);
    std::vector<std::string> commandsOf(const void* owner) const;
    bool exists(const std::string& name) const;

    // Runs one command. An unknown name prints an error and is kFailure. A plug-in's command
    // that throws (in its creator or doIt) fails with the exception's text in the message log.
    VStatus invoke(const std::string& name, const VArgList& args, CommandResult& result);
    // Runs a script text through the installed runner.
    VStatus execute(const std::string& text, CommandResult& result);
    void setScriptRunner(ScriptRunner runner);  // an empty runner restores the interpreter

    // The result of the plug-in command running now (null outside one).
    CommandResult* currentResult();
    // Where commands print (dumpScene, print): standard output unless redirected.
    std::ostream& output();
    void setOutput(std::ostream* stream);  // null restores standard output

private:
    CommandEngine();
    struct Entry {
        BuiltinCommand builtin;
        VFnPlugin::CommandCreator creator = nullptr;
        const void* owner = nullptr;
    };
    // The command's entry, or null. The last one found is kept: a plug-in sends one command
    // thousands of times in a row. Entries stay in place while others come and go.
    const Entry* entryOf(const std::string& name);

    // Hashed: every command a script runs is looked up here by name.
    std::unordered_map<std::string, Entry> commands_;
    std::string lastName_;
    const Entry* lastEntry_ = nullptr;  // null once its command is deregistered
    ScriptRunner runner_;
    std::vector<CommandResult*> running_;
    std::ostream* output_ = nullptr;
};

// Fills the table with the host's own commands when the engine is made. The commands live in
// the rooms above the script (commands/HostCommands.cpp defines this); the engine knows them
// only through this one name.
void registerHostCommands(CommandEngine& engine);

}  // namespace vexa_host

#endif
