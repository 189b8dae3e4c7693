#ifndef WYX_PLUGIN_WYXVEXACOMMANDTABLE_H
#define WYX_PLUGIN_WYXVEXACOMMANDTABLE_H

// The plug-in's 26 script commands with their creators, in the order in which they are
// registered and deregistered.

#include <vexa/VFnPlugin.h>

struct WyxVexaCommandEntry {
    const char* name;
    VFnPlugin::CommandCreator creator;
};

constexpr int kWyxVexaCommandCount = 26;

extern const WyxVexaCommandEntry kWyxVexaCommands[kWyxVexaCommandCount];

#endif
