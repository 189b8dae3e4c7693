#ifndef VEXA_HOST_UICOMMANDS_H
#define VEXA_HOST_UICOMMANDS_H

// The interface commands: windows, layouts and controls, confirm dialogs, and "userAction" and
// "dumpUI" for the headless session (UiModel.h).

#include "host/src/script/CommandEngine.h"

namespace vexa_host {

void registerUiCommands(CommandEngine& engine);

}  // namespace vexa_host

#endif
