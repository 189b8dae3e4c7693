#include "host/src/script/HostPreferences.h"

namespace vexa_host {

HostPreferences& HostPreferences::instance() {
    static HostPreferences preferences;
    return preferences;
}

void HostPreferences::reset() {
    batchMode = false;
    upAxis = "y";
    jointDisplayScale = 1.0;
    commandEcho = false;
    attributeEditorVisible = false;
    channelBoxVisible = true;
    optionVariables.clear();
    CommandResult docked;
    docked.addInteger(1);
    optionVariables["aeInMainWindow"] = docked.items.front();
}

}  // namespace vexa_host
