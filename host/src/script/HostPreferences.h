#ifndef VEXA_HOST_HOSTPREFERENCES_H
#define VEXA_HOST_HOSTPREFERENCES_H

// The session's settings outside the scene: what "about", "upAxis", "jointDisplayScale",
// "commandEcho", "optionVar" and the attribute-editor commands read and change. "file -new"
// leaves them as they are; reset() gives the values of a new session:
//   batch mode off (the stand-in behaves as an interactive host whose windows nobody sees),
//   up axis "y", joint display scale 1, command echo off, attribute editor hidden, channel box
//   shown, and one option variable, aeInMainWindow = 1 (the attribute editor docked in the main
//   window).

#include "host/src/script/CommandEngine.h"

#include <vexa/VexaExport.h>

#include <map>
#include <string>

namespace vexa_host {

struct VEXA_API HostPreferences {
    static HostPreferences& instance();
    void reset();

    bool batchMode = false;
    std::string upAxis = "y";
    double jointDisplayScale = 1.0;
    bool commandEcho = false;
    bool attributeEditorVisible = false;
    bool channelBoxVisible = true;
    std::map<std::string, CommandResult::Item> optionVariables;

private:
    HostPreferences() { reset(); }
};

}  // namespace vexa_host

#endif
