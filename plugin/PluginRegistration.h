#ifndef WYX_PLUGIN_PLUGINREGISTRATION_H
#define WYX_PLUGIN_PLUGINREGISTRATION_H

// What loading and unloading the plug-in does; the exported entry points (PluginEntry.cpp)
// call these behind the plug-in boundary.
//
// Loading: the plug-in describes itself (vendor "Pellix", version "6.0", host API "5.0"),
// sets the application folder (FindPluginFolder) where the log goes, registers the file
// translator "Wyx" and, only when that succeeded, the 26 commands in their fixed order. A
// translator that cannot be registered is reported as "registerFileTranslator: <status>" and
// the load fails with no command registered. Unloading deregisters the translator and then
// the commands in the same order; a translator that cannot be deregistered is reported as
// "deregisterFileTranslator: <status>" and the commands stay.

#include <vexa/VObject.h>
#include <vexa/VStatus.h>

extern const char* const kPluginVendor;
extern const char* const kPluginVersion;
extern const char* const kTranslatorName;

VStatus RegisterWyxVexaPlugin(const VObject& plugin);
VStatus DeregisterWyxVexaPlugin(const VObject& plugin);

#endif
