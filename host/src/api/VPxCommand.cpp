#include <vexa/VPxCommand.h>

#include "host/src/script/CommandEngine.h"

#include <vexa/VDoubleArray.h>
#include <vexa/VIntArray.h>
#include <vexa/VMessageLog.h>
#include <vexa/VStringArray.h>

using vexa_host::CommandEngine;
using vexa_host::CommandResult;

namespace {

// The result of the command running now; outside a command the values have nowhere to go.
CommandResult* running() { return CommandEngine::instance().currentResult(); }

}  // namespace

VPxCommand::~VPxCommand() = default;

VStatus VPxCommand::undoIt() { return VStatus(VStatus::kFailure, "the command cannot be undone"); }
VStatus VPxCommand::redoIt() { return VStatus(VStatus::kFailure, "the command cannot be redone"); }
bool VPxCommand::isUndoable() const { return false; }
bool VPxCommand::hasSyntax() const { return false; }

void VPxCommand::setResult(const VString& result) {
    clearResult();
    appendToResult(result);
}
void VPxCommand::setResult(const char* result) { setResult(VString(result)); }
void VPxCommand::setResult(int result) {
    clearResult();
    appendToResult(result);
}
void VPxCommand::setResult(double result) {
    clearResult();
    appendToResult(result);
}
void VPxCommand::setResult(bool result) { setResult(result ? 1 : 0); }
void VPxCommand::setResult(const VStringArray& result) {
    clearResult();
    for (const VString& item : result) appendToResult(item);
}
void VPxCommand::setResult(const VDoubleArray& result) {
    clearResult();
    for (double item : result) appendToResult(item);
}
void VPxCommand::setResult(const VIntArray& result) {
    clearResult();
    for (int item : result) appendToResult(item);
}

void VPxCommand::appendToResult(const VString& result) {
    if (CommandResult* current = running()) current->addText(result.str());
}
void VPxCommand::appendToResult(double result) {
    if (CommandResult* current = running()) current->addNumber(result);
}
void VPxCommand::appendToResult(int result) {
    if (CommandResult* current = running()) current->addInteger(result);
}
void VPxCommand::clearResult() {
    if (CommandResult* current = running()) current->clear();
}

void VPxCommand::displayInfo(const VString& text) { VMessageLog::add(VMessageLog::kInfo, text); }
void VPxCommand::displayWarning(const VString& text) { VMessageLog::add(VMessageLog::kWarning, text); }
void VPxCommand::displayError(const VString& text) { VMessageLog::add(VMessageLog::kError, text); }
