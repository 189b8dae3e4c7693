#include "plugin/DialogScript.h"

#include "plugin/ScriptText.h"
#include "plugin/WyxVexaOptions.h"

#include <vexa/VGlobal.h>

#include <cstdio>
#include <string>

namespace {

constexpr size_t kShownNameLimit = 48;
constexpr size_t kShownNameHead = 3;
constexpr size_t kShownNameTail = 42;

VString RateBounds() {
    char text[96];
    std::snprintf(text, sizeof(text), "a rate from %g to %g frames per second", WyxPluginOptions::kMinSamplingRate,
                  WyxPluginOptions::kMaxSamplingRate);
    return text;
}

}  // namespace

void RunScript(const VString& script) { VGlobal::executeCommand(script); }

VString RunForPath(const VString& script) {
    VString path;
    return VGlobal::executeCommand(script, path) ? path : VString();
}

bool QueryInt(const VString& script, int& value) { return static_cast<bool>(VGlobal::executeCommand(script, value)); }

bool QueryDouble(const VString& script, double& value) {
    return static_cast<bool>(VGlobal::executeCommand(script, value));
}

const char* BoolWord(bool on) { return on ? "true" : "false"; }

VString CheckState(bool on) { return VString("-v ") + BoolWord(on) + " "; }

VString ShownFileName(const VString& fileName) {
    const std::string name = fileName.str();
    if (name.size() <= kShownNameLimit) return fileName;
    return VString((name.substr(0, kShownNameHead) + "..." + name.substr(name.size() - kShownNameTail)).c_str());
}

void RunUnitTextLines(const char* unitText) {
    const std::string text = unitText != nullptr ? unitText : "";
    const size_t lineBreak = text.find('\n');
    const std::string lines[2] = {text.substr(0, lineBreak),
                                  lineBreak == std::string::npos ? std::string() : text.substr(lineBreak + 1)};
    for (const std::string& line : lines) {
        RunScript("text -al \"left\" -label " + QuotedScriptText(VString((" " + line).c_str())) + " ");
    }
}

bool WindowExists(const char* window) {
    int exists = 0;
    return QueryInt(VString("window -ex ") + window, exists) && exists != 0;
}

VString RateText(double rate) {
    char text[64];
    std::snprintf(text, sizeof(text), "%f", static_cast<double>(static_cast<float>(rate)));
    return text;
}

void StoreDialogSamplingRate(WyxVexaOptions& options, double rate, const char* command) {
    if (options.SetSamplingRate(rate, false) && options.SetSamplingRate(rate, true)) return;
    VGlobal::displayWarning(VString(command) + ": resampling rate " + VString::fromDouble(rate) + " refused (" +
                            RateBounds() + "); kept " + VString::fromDouble(options.GetSamplingRate(false)) + ".");
}
