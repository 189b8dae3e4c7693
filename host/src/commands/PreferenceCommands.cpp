// The commands on the session's settings (HostPreferences.h): about, upAxis,
// jointDisplayScale, commandEcho, optionVar and the attribute editor and channel box.

#include "host/src/commands/HostCommands.h"
#include "host/src/script/CommandFlags.h"
#include "host/src/script/HostPreferences.h"

#include <cmath>

namespace vexa_host {

namespace {

VStatus failure(const std::string& command, const std::string& what) { return commandFailure(command + ": " + what); }

bool readFlags(const char* command, const VArgList& args, const std::vector<FlagSpec>& table, CommandFlags& flags,
               VStatus& status) {
    std::string error;
    if (flags.read(args, table, error)) return true;
    status = failure(command, error);
    return false;
}

VStatus aboutCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readFlags("about", args, {{"-b", "-batch", 0}}, flags, status)) return status;
    if (!flags.has("-b") || !flags.positional().empty()) return failure("about", "ask with -b");
    result.addInteger(HostPreferences::instance().batchMode ? 1 : 0);
    return VStatus();
}

VStatus upAxisCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readFlags("upAxis", args, {{"-q", "-query", 0}, {"-ax", "-axis", 1}}, flags, status)) return status;
    std::string& axis = HostPreferences::instance().upAxis;
    if (flags.query()) {
        result.addText(axis);
        return VStatus();
    }
    const std::string wanted = flags.value("-ax");
    if (wanted != "y" && wanted != "z") return failure("upAxis", "the up axis is y or z, not " + wanted);
    axis = wanted;
    return VStatus();
}

VStatus jointDisplayScaleCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readFlags("jointDisplayScale", args, {{"-q", "-query", 0}, {"-a", "-absolute", 0}}, flags, status)) return status;
    double& scale = HostPreferences::instance().jointDisplayScale;
    if (flags.query()) {
        result.addNumber(scale);
        return VStatus();
    }
    double wanted = 0.0;
    if (flags.positional().size() != 1 || !readNumberWord(flags.positional().front(), wanted) || !(wanted > 0.0)) {
        return failure("jointDisplayScale", "give one scale above 0");
    }
    scale = wanted;
    return VStatus();
}

VStatus commandEchoCommand(const VArgList& args, CommandResult& result) {
    CommandFlags flags;
    VStatus status;
    if (!readFlags("commandEcho", args, {{"-q", "-query", 0}, {"-st", "-state", 1}}, flags, status)) return status;
    bool& echo = HostPreferences::instance().commandEcho;
    if (flags.query()) {
        result.addInteger(echo ? 1 : 0);
        return VStatus();
    }
    if (!flags.has("-st") || !readBoolWord(flags.value("-st"), echo)) return failure("commandEcho", "-st takes true or false");
    return VStatus();
}

// Each flag of one command applies in order; -q and -ex answer.
VStatus optionVarCommand(const VArgList& args, CommandResult& result) {
    static const std::vector<FlagSpec> table = {
        {"-q", "-query", 1}, {"-ex", "-exists", 1}, {"-rm", "-remove", 1},
        {"-iv", "-intValue", 2}, {"-fv", "-floatValue", 2}, {"-sv", "-stringValue", 2}};
    CommandFlags flags;
    VStatus status;
    if (!readFlags("optionVar", args, table, flags, status)) return status;
    if (!flags.positional().empty()) return failure("optionVar", "unexpected " + flags.positional().front());
    auto& variables = HostPreferences::instance().optionVariables;
    for (const CommandFlags::Flag& flag : flags.flags()) {
        const std::string name = flag.spec.shortName;
        const std::string& key = flag.values.front();
        const auto found = variables.find(key);
        CommandResult value;
        double number = 0.0;
        if (name == "-q") {
            if (found != variables.end()) {
                result.items.push_back(found->second);
            } else {
                result.addInteger(0);
            }
            continue;
        }
        if (name == "-ex") {
            result.addInteger(found != variables.end() ? 1 : 0);
            continue;
        }
        if (name == "-rm") {
            if (found != variables.end()) variables.erase(found);
            continue;
        }
        if (name == "-sv") {
            value.addText(flag.values[1]);
        } else if (!readNumberWord(flag.values[1], number)) {
            return failure("optionVar", name + " takes a number, not " + flag.values[1]);
        } else if (name == "-iv") {
            value.addInteger(static_cast<long long>(std::fmax(std::fmin(std::trunc(number), 2147483647.0), -2147483648.0)));
        } else {
            value.addNumber(number);
        }
        variables[key] = value.items.front();
    }
    return VStatus();
}

VStatus setVisibility(const char* command, const VArgList& args, bool& visible) {
    if (args.length() != 1 || !readBoolWord(args.asString(0).str(), visible)) return failure(command, "give 1 or 0");
    return VStatus();
}

}  // namespace

void registerPreferenceCommands(CommandEngine& engine) {
    HostPreferences& preferences = HostPreferences::instance();
    engine.registerBuiltin("about", aboutCommand);
    engine.registerBuiltin("commandEcho", commandEchoCommand);
    engine.registerBuiltin("jointDisplayScale", jointDisplayScaleCommand);
    engine.registerBuiltin("optionVar", optionVarCommand);
    engine.registerBuiltin("upAxis", upAxisCommand);
    engine.registerBuiltin("isAttributeEditorVisible", [&preferences](const VArgList& args, CommandResult& result) {
        if (args.length() != 0) return failure("isAttributeEditorVisible", "takes no arguments");
        result.addInteger(preferences.attributeEditorVisible ? 1 : 0);
        return VStatus();
    });
    engine.registerBuiltin("setAttributeEditorVisible", [&preferences](const VArgList& args, CommandResult&) {
        return setVisibility("setAttributeEditorVisible", args, preferences.attributeEditorVisible);
    });
    engine.registerBuiltin("setChannelBoxVisible", [&preferences](const VArgList& args, CommandResult&) {
        return setVisibility("setChannelBoxVisible", args, preferences.channelBoxVisible);
    });
    engine.registerBuiltin("openAEWindow", [&preferences](const VArgList&, CommandResult&) {
        preferences.attributeEditorVisible = true;
        return VStatus();
    });
    engine.registerBuiltin("refreshAE", [](const VArgList&, CommandResult&) { return VStatus(); });
}

}  // namespace vexa_host
