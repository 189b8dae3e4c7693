#include "plugin/PluginRegistration.h"

#include "core/FilePaths.h"
#include "plugin/ImportSessionCache.h"
#include "plugin/OptionCommands.h"
#include "plugin/PluginFolder.h"
#include "plugin/WYXVexaTranslator.h"
#include "plugin/WyxVexaCommandTable.h"
#include "plugin/WyxVexaOptions.h"

#include <vexa/VFnPlugin.h>

#include <cstdio>

const char* const kPluginVendor = "Pellix";
const char* const kPluginVersion = "6.0";
const char* const kTranslatorName = "Wyx";

VStatus RegisterWyxVexaPlugin(const VObject& plugin) {
    // The module stays loaded once loaded (see CMakeLists.txt): loaded again, it starts from
    // the stored options as a module loaded anew would.
    static bool loadedBefore = false;
    if (loadedBefore) GetPluginOptions()->Reload();
    loadedBefore = true;
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
    // An open file is let go; the session is not kept across a reload. The options are stored
    // here, the module staying loaded.
    ReleaseCachedImportSession();
    StoreOptionsOrWarn("WYX plug-in");
    return status;
}
