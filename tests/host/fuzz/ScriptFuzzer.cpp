// Runs each input as a host script: the parser, the interpreter's values and variables, the
// interface model and the commands behind them. Commands that would reach files or plug-ins
// are answered with their name instead of running; printed output goes to memory. Every input
// starts from a new scene, no windows, no variables and the default settings.

#include "host/src/scene/Scene.h"
#include "host/src/script/CommandEngine.h"
#include "host/src/script/HostPreferences.h"
#include "host/src/script/ScriptInterpreter.h"
#include "host/src/ui/UiModel.h"

#include <vexa/VMessageLog.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>

namespace {

using namespace vexa_host;

VStatus invokeSafely(const std::string& name, const VArgList& args, CommandResult& result) {
    static const std::set<std::string> outside = {"file", "loadPlugin", "unloadPlugin"};
    if (outside.count(name) != 0) {
        result.addText(name);
        return VStatus();
    }
    return CommandEngine::instance().invoke(name, args, result);
}

ScriptInterpreter& fuzzInterpreter() {
    static ScriptInterpreter interpreter(invokeSafely);
    return interpreter;
}

std::ostringstream& printed() {
    static std::ostringstream stream;
    return stream;
}

bool installOnce() {
    CommandEngine& engine = CommandEngine::instance();
    // Button and change commands run through the engine: they must reach this interpreter too.
    engine.setScriptRunner([](const std::string& text, CommandResult& result) { return fuzzInterpreter().run(text, result); });
    engine.setOutput(&printed());
    VMessageLog::setEcho(false);
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool installed = installOnce();
    (void)installed;
    Scene::instance().reset();
    UiModel::instance().reset();
    HostPreferences::instance().reset();
    fuzzInterpreter().clearVariables();
    VMessageLog::clear();
    printed().str(std::string());

    CommandResult result;
    fuzzInterpreter().run(std::string(reinterpret_cast<const char*>(data), size), result);
    return 0;
}
