#include "host/src/script/ScriptInterpreter.h"

#include "host/src/script/CommandFlags.h"
#include "host/src/script/HostPreferences.h"

#include <vexa/VMessageLog.h>
#include <vexa/VStringArray.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vexa_host {

namespace {

constexpr double kLargestExactInteger = 9007199254740992.0;  // 2^53
constexpr size_t kKeptStatements = 16;  // the most statements a run's block keeps for the next run

long long integerPart(double number) {
    if (std::isnan(number)) return 0;
    return static_cast<long long>(std::fmax(std::fmin(std::trunc(number), kLargestExactInteger), -kLargestExactInteger));
}

std::string kindName(const std::string& type, bool array) { return type + (array ? "[]" : ""); }

// An item converted to a variable's type.
void addConverted(const CommandResult& from, size_t index, const std::string& type, CommandResult& to) {
    if (type == "string") {
        to.addText(from.itemText(index));
        return;
    }
    double number = 0.0;
    if (!from.itemNumber(index, number)) number = 0.0;
    if (type == "int") {
        to.addInteger(integerPart(number));
    } else {
        to.addNumber(number);
    }
}

void addNumberLiteral(const std::string& spelling, CommandResult& value) {
    const double number = std::strtod(spelling.c_str(), nullptr);
    const bool integral = spelling.find_first_of(".eE") == std::string::npos;
    if (integral && std::fabs(number) <= kLargestExactInteger) {
        value.addInteger(std::strtoll(spelling.c_str(), nullptr, 10));
    } else {
        value.addNumber(number);
    }
}

}  // namespace

ScriptInterpreter& ScriptInterpreter::instance() {
    static ScriptInterpreter interpreter([](const std::string& name, const VArgList& args, CommandResult& result) {
        return CommandEngine::instance().invoke(name, args, result);
    });
    return interpreter;
}

ScriptInterpreter::ScriptInterpreter(Invoker invoker) : invoker_(std::move(invoker)) {}

VStatus ScriptInterpreter::run(const std::string& text, CommandResult& result, const StatementObserver& afterEach,
                               const std::string& source) {
    result.clear();
    if (depth_ >= kMaxRunDepth) return commandFailure("scripts run inside each other too deeply");
    // One command of literal words, the form a plug-in sends thousands of, goes from the
    // scanner to the command without a parsed block. Script files keep the block, whose
    // statements know their places for the error that names where the file stops.
    std::string name;
    VStringArray& words = words_[static_cast<size_t>(depth_)];
    const bool literal = source.empty() && ScriptParser::parseLiteralCommand(text, name, words);
    ScriptBlock& block = blocks_[static_cast<size_t>(depth_)];
    std::string error;
    if (!literal && !ScriptParser::parse(text, block, error)) {
        return commandFailure("Syntax error: " + error + (source.empty() ? "" : " of " + source));
    }
    if (depth_ == 0 && HostPreferences::instance().commandEcho) VMessageLog::add(VMessageLog::kInfo, VString(text));
    ++depth_;
    const ScriptStatement* failed = nullptr;
    VStatus status;
    if (literal) {
        VArgList args(std::move(words));
        status = invoker_(name, args, result);
        // The list is this run's own: its room is taken back for the next command at this depth.
        words = std::move(const_cast<VStringArray&>(args.arguments()));
        if (afterEach) afterEach(result);
    } else {
        status = runBlock(block, result, afterEach, &failed, true);
    }
    --depth_;
    if (failed != nullptr && !source.empty()) {
        VMessageLog::add(VMessageLog::kError, VString(source + " stops at " + ScriptParser::placeOf(text, failed->offset)));
    }
    if (block.size() > kKeptStatements) ScriptBlock().swap(block);  // a long script's storage is not kept
    return status;
}

VStatus ScriptInterpreter::runBlock(const ScriptBlock& block, CommandResult& result, const StatementObserver& afterEach,
                                    const ScriptStatement** failed, bool ownWords) {
    for (const ScriptStatement& statement : block) {
        result.clear();
        const VStatus status = runStatement(statement, result, ownWords);
        if (afterEach) afterEach(result);
        if (!status) {
            if (failed != nullptr) *failed = &statement;
            return status;
        }
    }
    return VStatus();
}

VStatus ScriptInterpreter::runStatement(const ScriptStatement& statement, CommandResult& result, bool ownWords) {
    if (statement.kind == ScriptStatement::kCommand) return runCommand(statement.name, statement.arguments, result, ownWords);
    CommandResult value;
    if (!statement.arguments.empty()) {
        if (VStatus status = evaluate(statement.arguments.front(), value); !status) return status;
    }
    auto existing = variables_.find(statement.name);
    if (statement.kind == ScriptStatement::kDeclaration) {
        if (statement.arguments.empty() && existing != variables_.end() && existing->second.type == statement.type &&
            existing->second.array == statement.array) {
            result = existing->second.value;
            return VStatus();
        }
        if (VStatus status = store(statement.name, statement.type, statement.array, value); !status) return status;
    } else if (existing != variables_.end()) {
        if (VStatus status = store(statement.name, existing->second.type, existing->second.array, value); !status) {
            return status;
        }
    } else {
        const bool array = value.items.size() != 1;
        const CommandResult::Item* first = value.empty() ? nullptr : &value.items.front();
        const std::string type = first == nullptr || !first->numeric ? "string" : (first->integral ? "int" : "float");
        if (VStatus status = store(statement.name, type, array, value); !status) return status;
    }
    result = variables_[statement.name].value;
    return VStatus();
}

VStatus ScriptInterpreter::store(const std::string& name, const std::string& type, bool array, const CommandResult& value) {
    auto existing = variables_.find(name);
    if (existing != variables_.end() && (existing->second.type != type || existing->second.array != array)) {
        return commandFailure("$" + name + " is a " + kindName(existing->second.type, existing->second.array) +
                              " and cannot become a " + kindName(type, array));
    }
    if (!array && value.items.size() > 1) {
        return commandFailure("$" + name + " holds one value and cannot take " + std::to_string(value.items.size()));
    }
    Variable variable;
    variable.type = type;
    variable.array = array;
    for (size_t i = 0; i < value.items.size(); ++i) addConverted(value, i, type, variable.value);
    if (!array && value.empty()) {
        CommandResult empty;
        empty.addText("");
        addConverted(empty, 0, type, variable.value);
    }
    variables_[name] = std::move(variable);
    return VStatus();
}

VStatus ScriptInterpreter::runCommand(const std::string& name, const std::vector<ScriptExpression>& arguments,
                                      CommandResult& result, bool ownWords) {
    VStringArray words;
    const bool literal = std::all_of(arguments.begin(), arguments.end(), [](const ScriptExpression& argument) {
        return argument.kind == ScriptExpression::kText;
    });
    if (literal) {
        // The common command: one word per argument, placed without regrowing the array.
        words.setLength(static_cast<unsigned>(arguments.size()));
        for (size_t i = 0; i < arguments.size(); ++i) {
            // The run's own block is not const (run() made it) and runs once: its texts can go.
            std::string& text = const_cast<std::string&>(arguments[i].text);
            words[static_cast<unsigned>(i)] = ownWords ? VString(std::move(text)) : VString(text);
        }
    }
    for (size_t i = 0; !literal && i < arguments.size(); ++i) {
        const ScriptExpression& argument = arguments[i];
        if (argument.kind == ScriptExpression::kText) {
            words.append(VString(argument.text));
            continue;
        }
        CommandResult value;
        if (VStatus status = evaluate(argument, value); !status) return status;
        for (size_t k = 0; k < value.items.size(); ++k) words.append(VString(value.itemText(k)));
    }
    result.clear();
    return invoker_(name, VArgList(std::move(words)), result);
}

VStatus ScriptInterpreter::evaluate(const ScriptExpression& expression, CommandResult& value) {
    value.clear();
    switch (expression.kind) {
    case ScriptExpression::kText: value.addText(expression.text); return VStatus();
    case ScriptExpression::kNumber: addNumberLiteral(expression.text, value); return VStatus();
    case ScriptExpression::kVariable: return evaluateVariable(expression, value);
    case ScriptExpression::kSubstitution: return runBlock(*expression.script, value, {});
    case ScriptExpression::kCall: return runCommand(expression.text, expression.operands, value);
    case ScriptExpression::kSum: return evaluateSum(expression, value);
    }
    return commandFailure("unknown expression");
}

VStatus ScriptInterpreter::evaluateVariable(const ScriptExpression& expression, CommandResult& value) {
    auto found = variables_.find(expression.text);
    if (found == variables_.end()) return commandFailure("undeclared variable $" + expression.text);
    const Variable& variable = found->second;
    if (expression.operands.empty()) {
        value = variable.value;
        return VStatus();
    }
    CommandResult index;
    if (VStatus status = evaluate(expression.operands.front(), index); !status) return status;
    double number = 0.0;
    if (!variable.array) return commandFailure("$" + expression.text + " is not an array");
    if (index.items.size() != 1 || !index.itemNumber(0, number) || number < 0.0 ||
        number >= static_cast<double>(variable.value.items.size())) {
        return commandFailure("the index " + index.joined() + " is outside $" + expression.text + " (" +
                              std::to_string(variable.value.items.size()) + " items)");
    }
    value.items.push_back(variable.value.items[static_cast<size_t>(number)]);
    return VStatus();
}

VStatus ScriptInterpreter::evaluateSum(const ScriptExpression& expression, CommandResult& value) {
    std::vector<CommandResult> terms(expression.operands.size());
    bool numbers = true;
    bool integers = true;
    for (size_t i = 0; i < terms.size(); ++i) {
        if (VStatus status = evaluate(expression.operands[i], terms[i]); !status) return status;
        if (terms[i].items.size() != 1) return commandFailure("+ takes single values, not " + std::to_string(terms[i].items.size()));
        numbers = numbers && terms[i].items.front().numeric;
        integers = integers && terms[i].items.front().integral;
    }
    if (!numbers) {
        std::string text;
        for (const CommandResult& term : terms) text += term.itemText(0);
        value.addText(text);
        return VStatus();
    }
    double sum = 0.0;
    for (const CommandResult& term : terms) sum += term.items.front().number;
    if (integers && std::fabs(sum) <= kLargestExactInteger) {
        value.addInteger(static_cast<long long>(sum));
    } else {
        value.addNumber(sum);
    }
    return VStatus();
}

}  // namespace vexa_host
