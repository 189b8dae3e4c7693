#ifndef WYX_TESTS_PLUGIN_PLUGINTESTSUPPORT_H
#define WYX_TESTS_PLUGIN_PLUGINTESTSUPPORT_H

// Shared set-up of the plug-in's in-process tests: the host's fixture, the plug-in's options
// back at their defaults, and the plug-in's 26 commands registered in the host's command
// table for the length of the test (as loading the plug-in would).

#include "plugin/WyxVexaCommandTable.h"
#include "plugin/WyxVexaOptions.h"
#include "tests/support/HostTestSupport.h"

#include "host/src/script/CommandEngine.h"

#include <vexa/VGlobal.h>
#include <vexa/VStringArray.h>

#include <string>

class PluginCommandTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        options().Reset();
        for (const WyxVexaCommandEntry& command : kWyxVexaCommands) {
            vexa_host::CommandEngine::instance().registerPluginCommand(command.name, command.creator, this);
        }
    }
    void TearDown() override {
        for (const WyxVexaCommandEntry& command : kWyxVexaCommands) {
            vexa_host::CommandEngine::instance().deregisterPluginCommand(command.name, this);
        }
        options().Reset();
        HostTest::TearDown();
    }

    static WyxVexaOptions& options() { return *GetPluginOptions(); }

    // Runs a script; its status, with the result's first text in `result`.
    static VStatus run(const std::string& script, VString* result = nullptr) {
        VString text;
        const VStatus status = VGlobal::executeCommand(VString(script), text);
        if (result != nullptr) *result = text;
        return status;
    }

    static VString lastError() {
        const VStringArray errors = VMessageLog::linesOf(VMessageLog::kError);
        return errors.length() > 0 ? errors[errors.length() - 1] : VString();
    }
};

#endif
