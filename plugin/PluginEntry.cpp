// The three symbols through which the host knows the plug-in; nothing else of the module is
// exported (hidden visibility and the version script wyxvexa.map).

#include "plugin/PluginBoundary.h"
#include "plugin/PluginRegistration.h"

#include <vexa/VPluginEntry.h>

VEXA_PLUGIN_EXPORT const char VApiVersion[] = "500";

VStatus initializePlugin(VObject plugin) {
    return GuardHostCall("initializePlugin", [&] { return RegisterWyxVexaPlugin(plugin); });
}

VStatus uninitializePlugin(VObject plugin) {
    return GuardHostCall("uninitializePlugin", [&] { return DeregisterWyxVexaPlugin(plugin); });
}
