#include "plugin/OptionCommands.h"

#include "plugin/WyxVexaOptions.h"

#include <vexa/VGlobal.h>

#include <cstdio>
#include <set>
#include <string>

const BoolOptionSetter kBoolOptionCommands[10] = {
    {"WYXImportShowUI", kImportShowUI},
    {"WYXImportMergeBackNullPivots", kImportNullsToPivot},
    {"WYXImportConvertDeformingNullsToJoint", kImportDeformNullsAsJoints},
    {"WYXImportHardEdges", kImportHardEdges},
    {"WYXImportProtectDrivenKeys", kProtectDrivenKeys},
    {"WYXExportShowUI", kExportShowUI},
    {"WYXExportApplyConstantKeyReducer", kExportApplyCstKeyRed},
    {"WYXExportEmbeddedTextures", kExportEmbedTextures},
    {"WYXExportConvert2Tif", kExportConvert_2Tiff},
    {"WYXExportHardEdges", kExportHardEdges},
};

namespace {

VString RateUsage() {
    char bounds[128];
    std::snprintf(bounds, sizeof(bounds), " (a rate from %g to %g frames per second)", WyxPluginOptions::kMinSamplingRate,
                  WyxPluginOptions::kMaxSamplingRate);
    return VString("Use syntax: WYXResamplingRate -v float") + bounds;
}

// The records the command set go to the registry, then "Success". Where the registry cannot
// keep them, the value still holds for the session and a warning says so, once a run for each
// reason: a script of many setters where no registry can be written warns once.
VStatus StoreSetRecords(const char* command, const std::vector<int>& numbers) {
    static std::set<std::string> warnedReasons;
    RString reason;
    if (!GetPluginOptions()->StoreRecords(numbers, reason) && warnedReasons.insert(reason.Buffer()).second) {
        VGlobal::displayWarning(VString(command) + ": set for this session but not stored: " + reason.Buffer());
    }
    return WyxVexaCommand::Succeed();
}

}  // namespace

VStatus StoreOptionRecords(const char* command, const std::vector<int>& numbers) {
    RString reason;
    if (GetPluginOptions()->StoreRecords(numbers, reason)) return VStatus();
    return WyxVexaCommand::Fail(VString(command) + ": set for this session but not stored: " + reason.Buffer());
}

void StoreOptionsOrWarn(const char* who) {
    RString reason;
    if (GetPluginOptions()->StoreRecords({}, reason)) return;
    VGlobal::displayWarning(VString(who) + ": the options were not stored: " + reason.Buffer());
}

VStatus RunBoolOptionCommand(int index, const VArgList& args) {
    const BoolOptionSetter& setter = kBoolOptionCommands[index];
    VStatus read(VStatus::kFailure);
    const bool value = WyxVexaCommand::HasValueFlag(args) ? args.asBool(1, &read) : false;
    if (!read) return WyxVexaCommand::Fail(VString("Use syntax: ") + setter.name + " -v true|false");
    GetPluginOptions()->SetBoolOption(setter.option, value);
    return StoreSetRecords(setter.name, {setter.option});
}

VStatus ImportModeCommand::Run(const VArgList& args) {
    const VString word = WyxVexaCommand::HasValueFlag(args) ? args.asString(1).toLowerCase() : VString();
    int mode = -1;
    if (word == "merge") mode = WyxPluginOptions::kMerge;
    if (word == "add") mode = WyxPluginOptions::kCreate;
    if (word == "exmerge") mode = WyxPluginOptions::kExclusiveMerge;
    if (mode < 0) return WyxVexaCommand::Fail("Use syntax: WYXImportMode -v exmerge | add | merge");
    GetPluginOptions()->SetImportMode(mode);
    return StoreSetRecords(Name(), {kImportLoadMode});
}

VStatus ResamplingRateCommand::Run(const VArgList& args) {
    VStatus read(VStatus::kFailure);
    const double rate = WyxVexaCommand::HasValueFlag(args) ? args.asDouble(1, &read) : 0.0;
    if (!read || !WyxPluginOptions::IsValidSamplingRate(rate)) return WyxVexaCommand::Fail(RateUsage());
    GetPluginOptions()->SetSamplingRate(rate, false);
    GetPluginOptions()->SetSamplingRate(rate, true);
    return StoreSetRecords(Name(), {kExportSamplingRate, kImportSamplingRate});
}

VStatus ObsoleteMergeCommand::Run(const VArgList&) {
    return WyxVexaCommand::Fail(VString(Name()) + ": obsolete command. Use WYXImportMode instead.");
}

VStatus ExportReplacePivotsByNullsCommand::Run(const VArgList&) { return WyxVexaCommand::Succeed(); }
