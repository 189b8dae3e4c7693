#ifndef WYX_PLUGIN_PENDINGCOMMANDS_H
#define WYX_PLUGIN_PENDINGCOMMANDS_H

// The commands whose work this build of the plug-in does not hold yet (the export). They are
// registered in their places so that the command table is whole, and every run fails with
// "<name>: not available yet in this build of the plug-in." and kNotImplemented, whatever its
// arguments.

#include "plugin/WyxVexaCommand.h"

class PendingCommand : public WyxVexaCommand {
public:
    explicit PendingCommand(const char* name) : WyxVexaCommand(name) {}

protected:
    VStatus Run(const VArgList& args) override;
};

// Their names, in registration order.
extern const char* const kPendingCommandNames[1];

// One class per command, since the host makes a command from a creator without arguments.
template <int Index>
class NamedPendingCommand : public PendingCommand {
public:
    NamedPendingCommand() : PendingCommand(kPendingCommandNames[Index]) {}
};

#endif
