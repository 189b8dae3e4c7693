#include "host/src/script/CommandEngine.h"

#include "host/src/script/PluginCall.h"
#include "host/src/script/ScriptInterpreter.h"

#include <vexa/VMessageLog.h>
#include <vexa/VPxCommand.h>
#include <vexa/VString.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace vexa_host {

namespace {

// A failure the plug-in's code could not report itself goes to the message log.
VStatus logged(const VStatus& status) {
    VMessageLog::add(VMessageLog::kError, status.errorString());
    return status;
}

}  // namespace

void CommandResult::addText(const std::string& text) {
    Item item;
    item.text = text;
    items.push_back(item);
}

void CommandResult::addNumber(double number) {
    Item item;
    item.numeric = true;
    item.number = number;
    items.push_back(item);
}

void CommandResult::addInteger(long long number) {
    Item item;
    item.numeric = true;
    item.integral = true;
    item.number = static_cast<double>(number);
    items.push_back(item);
}

std::string CommandResult::itemText(size_t index) const {
    const Item& item = items.at(index);
    if (!item.numeric) return item.text;
    if (item.integral) return std::to_string(static_cast<long long>(item.number));
    return VString::fromDouble(item.number).str();
}

bool CommandResult::itemNumber(size_t index, double& number) const {
    const Item& item = items.at(index);
    if (item.numeric) {
        number = item.number;
        return true;
    }
    const VString text(item.text);
    if (!text.isDouble()) return false;
    number = text.asDouble();
    return true;
}

std::string CommandResult::joined(const char* separator) const {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) text += (i == 0 ? "" : separator) + itemText(i);
    return text;
}

CommandEngine& CommandEngine::instance() {
    static CommandEngine engine;
    return engine;
}

CommandEngine::CommandEngine() {
    registerHostCommands(*this);
}

VStatus CommandEngine::registerBuiltin(const std::string& name, BuiltinCommand command) {
    if (name.empty() || commands_.count(name) != 0) return VStatus(VStatus::kFailure, "the command " + name + " exists");
    commands_[name].builtin = std::move(command);
    return VStatus();
}

VStatus CommandEngine::registerPluginCommand(const std::string& name, VFnPlugin::CommandCreator creator,
                                             const void* owner) {
    if (name.empty() || creator == nullptr) return VStatus(VStatus::kInvalidParameter, "a command needs a name and a creator");
    if (commands_.count(name) != 0) return VStatus(VStatus::kFailure, "the command " + name + " exists");
    Entry& entry = commands_[name];
    entry.creator = creator;
    entry.owner = owner;
    return VStatus();
}

VStatus CommandEngine::deregisterPluginCommand(const std::string& name, const void* owner) {
    auto it = commands_.find(name);
    if (it == commands_.end() || it->second.builtin || it->second.owner != owner) {
        return VStatus(VStatus::kFailure, "the command " + name + " is not registered by this plug-in");
    }
    if (&it->second == lastEntry_) lastEntry_ = nullptr;
    commands_.erase(it);
    return VStatus();
}

std::vector<std::string> CommandEngine::commandsOf(const void* owner) const {
    std::vector<std::string> names;
    for (const auto& entry : commands_) {
        if (!entry.second.builtin && entry.second.owner == owner) names.push_back(entry.first);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool CommandEngine::exists(const std::string& name) const { return commands_.count(name) != 0; }

const CommandEngine::Entry* CommandEngine::entryOf(const std::string& name) {
    if (lastEntry_ != nullptr && name == lastName_) return lastEntry_;
    auto it = commands_.find(name);
    if (it == commands_.end()) return nullptr;
    lastName_ = it->first;
    lastEntry_ = &it->second;
    return lastEntry_;
}

VStatus CommandEngine::invoke(const std::string& name, const VArgList& args, CommandResult& result) {
    const Entry* entry = entryOf(name);
    if (entry == nullptr) {
        VMessageLog::add(VMessageLog::kError, VString("Cannot find procedure \"" + name + "\"."));
        return VStatus(VStatus::kFailure, "unknown command " + name);
    }
    // A built-in entry is never replaced or erased, and entries stay in place while others come
    // and go: the command may change the table and still runs where it stands.
    if (entry->builtin) return entry->builtin(args, result);
    const VFnPlugin::CommandCreator creator = entry->creator;
    std::unique_ptr<VPxCommand> command;
    VStatus status = callPlugin("the creator of the command " + name,
                                [&] { command.reset(static_cast<VPxCommand*>(creator())); });
    if (!status) return logged(status);
    if (!command) return VStatus(VStatus::kInsufficientMemory, "the command " + name + " could not be made");
    running_.push_back(&result);
    VStatus answer;
    status = callPlugin(name, [&] { answer = command->doIt(args); });
    running_.pop_back();
    return status ? answer : logged(status);
}

VStatus CommandEngine::execute(const std::string& text, CommandResult& result) {
    if (runner_) {
        const ScriptRunner runner = runner_;
        return runner(text, result);
    }
    return ScriptInterpreter::instance().run(text, result);
}

void CommandEngine::setScriptRunner(ScriptRunner runner) { runner_ = std::move(runner); }

CommandResult* CommandEngine::currentResult() { return running_.empty() ? nullptr : running_.back(); }

std::ostream& CommandEngine::output() { return output_ != nullptr ? *output_ : std::cout; }

void CommandEngine::setOutput(std::ostream* stream) { output_ = stream; }

}  // namespace vexa_host
