#ifndef WYX_PLUGIN_WYXVEXACOMMAND_H
#define WYX_PLUGIN_WYXVEXACOMMAND_H

// The base of the plug-in's script commands. The host makes an instance through the
// command's creator for each run and calls doIt; doIt runs the command's Run behind the
// plug-in boundary (PluginBoundary.h), so a throw fails the run with its text instead of
// reaching the host. Arguments are read by position; flag names compare exactly.
//
// Shared conventions: a usage or state error shows a message through displayError and the
// run fails; a command that sets an option changes the options object and writes what it set
// to the registry (failing with the store's reason when that cannot be written), and sets its
// result to "Success".

#include <vexa/VArgList.h>
#include <vexa/VPxCommand.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>

#include <new>

class WyxVexaCommand : public VPxCommand {
public:
    VStatus doIt(const VArgList& args) final;

    // The creator the host is given: a new command, or null when memory runs out.
    template <typename Command>
    static void* Create() {
        VPxCommand* command = new (std::nothrow) Command;
        return command;
    }

    // Shows the message as an error and answers kFailure.
    static VStatus Fail(const VString& message);
    // "Success" as the result; answers success.
    static VStatus Succeed();
    // True when there are exactly two arguments and the first is "-v" or "-value".
    static bool HasValueFlag(const VArgList& args);

protected:
    explicit WyxVexaCommand(const char* name) : name_(name) {}

    virtual VStatus Run(const VArgList& args) = 0;

    const char* Name() const { return name_; }
    // "NAME error: file not found. (FILE)": the file the command was given.
    VString FileNotFoundMessage(const VString& fileName) const;

private:
    const char* name_;
};

#endif
