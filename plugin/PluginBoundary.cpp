#include "plugin/PluginBoundary.h"

#include <vexa/VGlobal.h>

VStatus ReportEscapedException(const char* what, const char* text) noexcept {
    try {
        const VString message = VString(what) + ": " + text;
        VGlobal::displayError(message);
        return VStatus(VStatus::kFailure, message);
    } catch (...) {
        // Not even the message could be made: fail without one.
        return VStatus(VStatus::kFailure);
    }
}
