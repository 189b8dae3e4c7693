#include "plugin/PluginRegistration.h"

#include "core/FilePaths.h"
#include "plugin/PluginFolder.h"
#include "plugin/WYXVexaTranslator.h"
#include "plugin/WyxVexaCommandTable.h"

#include <vexa/VFnPlugin.h>

#include <cstdio>

const char* const kPluginVendor = "Pellix";
const char* const kPluginVersion = "6.0";
const char* const kTranslatorName = "Wyx";

VStatus RegisterWyxVexaPlugin(const VObject& plugin) {
    char apiVersion[16];
    std::snprintf(apiVersion, sizeof(apiVersion), "%2.1f", 5.0);
    VFnPlugin functions(plugin, kPluginVendor, kPluginVersion, apiVersion);
    SetApplicationPath(FindPluginFolder().Buffer());
    const VStatus status = functions.registerFileTranslator(kTranslatorName, "", WYXVexaTranslator::Create, nullptr,
                                                            nullptr, false);
    if (!status) {
        status.perror("registerFileTranslator");
        return status;
    }
    for (const WyxVexaCommandEntry& command : kWyxVexaCommands) functions.registerCommand(command.name, command.creator);
    return status;
}

VStatus DeregisterWyxVexaPlugin(const VObject& plugin) {
    VFnPlugin functions(plugin, "Unknown", "Unknown", "Any");
    const VStatus status = functions.deregisterFileTranslator(kTranslatorName);
    if (!status) {
        status.perror("deregisterFileTranslator");
        return status;
    }
    for (const WyxVexaCommandEntry& command : kWyxVexaCommands) functions.deregisterCommand(command.name);
    return status;
}
