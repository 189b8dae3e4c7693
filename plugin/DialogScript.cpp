#include "plugin/DialogScript.h"

#include "plugin/WyxVexaOptions.h"

#include <vexa/VGlobal.h>

#include <cstdio>

namespace {

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
