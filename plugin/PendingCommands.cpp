#include "plugin/PendingCommands.h"

const char* const kPendingCommandNames[1] = {"WYXExport"};

VStatus PendingCommand::Run(const VArgList&) {
    const VString message = VString(Name()) + ": not available yet in this build of the plug-in.";
    displayError(message);
    return VStatus(VStatus::kNotImplemented, message);
}
