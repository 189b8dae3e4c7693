#include "plugin/WyxVexaCommand.h"

#include "plugin/PluginBoundary.h"

VStatus WyxVexaCommand::doIt(const VArgList& args) {
    return GuardHostCall(name_, [&] { return Run(args); });
}

VStatus WyxVexaCommand::Fail(const VString& message) {
    displayError(message);
    return VStatus(VStatus::kFailure, message);
}

VStatus WyxVexaCommand::Succeed() {
    setResult("Success");
    return VStatus();
}

VString WyxVexaCommand::FileNotFoundMessage(const VString& fileName) const {
    return VString(name_) + " error: file not found. (" + fileName + ")";
}

bool WyxVexaCommand::HasValueFlag(const VArgList& args) {
    if (args.length() != 2) return false;
    const VString flag = args.asString(0);
    return flag == "-v" || flag == "-value";
}
