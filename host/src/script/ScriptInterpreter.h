#ifndef VEXA_HOST_SCRIPTINTERPRETER_H
#define VEXA_HOST_SCRIPTINTERPRETER_H

// The host's script interpreter: the runner behind CommandEngine::execute, and so behind
// VGlobal::executeCommand and the shell. The syntax is written in ScriptParser.h.
//
// A text is parsed whole first (a syntax error runs nothing), then its statements run in
// order until one fails; the result is the last statement's (a command's result, or the value
// a declaration or assignment stored). Variables live in the interpreter, not in one run: a
// variable declared by one executeCommand is there for the next. Declaring a variable again
// assigns it; declaring it with another type is an error. Assigning to an undeclared variable
// declares it with the value's kind.
//
// Values are CommandResult items: a string literal is one text, a number one number, a
// substitution or a call the command's whole result. A command receives each item of each
// argument as one word (numbers in the host's text of a double). "+" adds numbers and joins
// anything else as text; arrays cannot be added. A scalar variable takes a value of at most
// one item ("" or 0 for none); "int" keeps the integer part of numbers and reads other text as
// 0, "float" reads text as 0.
//
// Errors of the interpreter itself (syntax, an undeclared variable, an index out of range)
// go to the message log as errors and fail the run, as a failing command does.

#include "host/src/script/CommandEngine.h"
#include "host/src/script/ScriptParser.h"

#include <vexa/VArgList.h>
#include <vexa/VStatus.h>
#include <vexa/VexaExport.h>

#include <array>
#include <functional>
#include <map>
#include <string>

namespace vexa_host {

class VEXA_API ScriptInterpreter {
public:
    using Invoker = std::function<VStatus(const std::string& name, const VArgList& args, CommandResult& result)>;
    using StatementObserver = std::function<void(const CommandResult&)>;
    static constexpr int kMaxRunDepth = 32;  // runs inside runs (substitutions, commands that run scripts)

    // The host's interpreter, running commands through CommandEngine::invoke.
    static ScriptInterpreter& instance();
    // An interpreter of its own that runs commands through the invoker.
    explicit ScriptInterpreter(Invoker invoker);

    // afterEach sees the result of each statement of the text as it completes. A text with a
    // source (a script file's name) names it in its errors: a syntax error says "... at line L,
    // column C of SOURCE", and a statement that fails adds the error "SOURCE stops at line L,
    // column C".
    VStatus run(const std::string& text, CommandResult& result, const StatementObserver& afterEach = {},
                const std::string& source = std::string());

    bool hasVariable(const std::string& name) const { return variables_.count(name) != 0; }
    void clearVariables() { variables_.clear(); }

private:
    struct Variable {
        std::string type;  // "string", "int" or "float"
        bool array = false;
        CommandResult value;
    };

    // failed: the statement that failed (null when none did).
    // ownWords: the block is the run's own text, parsed for this run alone, so its commands'
    // literal words move into their arguments instead of being copied.
    VStatus runBlock(const ScriptBlock& block, CommandResult& result, const StatementObserver& afterEach,
                     const ScriptStatement** failed = nullptr, bool ownWords = false);
    VStatus runStatement(const ScriptStatement& statement, CommandResult& result, bool ownWords);
    VStatus runCommand(const std::string& name, const std::vector<ScriptExpression>& arguments, CommandResult& result,
                       bool ownWords = false);
    VStatus evaluate(const ScriptExpression& expression, CommandResult& value);
    VStatus evaluateSum(const ScriptExpression& expression, CommandResult& value);
    VStatus evaluateVariable(const ScriptExpression& expression, CommandResult& value);
    VStatus store(const std::string& name, const std::string& type, bool array, const CommandResult& value);

    Invoker invoker_;
    std::map<std::string, Variable> variables_;
    int depth_ = 0;
    // The parsed text of the run at each depth, kept between runs so that its storage serves
    // the next run at that depth (a plug-in sends thousands of commands, one at a time).
    std::array<ScriptBlock, kMaxRunDepth> blocks_;
    // The words of a literal command at each depth, kept in the same way.
    std::array<VStringArray, kMaxRunDepth> words_;
};

}  // namespace vexa_host

#endif
