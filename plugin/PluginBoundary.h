#ifndef WYX_PLUGIN_PLUGINBOUNDARY_H
#define WYX_PLUGIN_PLUGINBOUNDARY_H

// The edge between the host and the plug-in. Every call the host makes into the plug-in (the
// entry points, a command's doIt, the translator's methods) runs its work through
// GuardHostCall: an exception that a host or SDK call lets out (memory running out, a
// library's own throw) is caught there, its text shown through the host's error display, and
// the call fails as one that answered a failing status. No exception crosses into the host.

#include <vexa/VStatus.h>

#include <exception>

// Shows "<what>: <text>" as an error and answers kFailure with that text. Never throws.
VStatus ReportEscapedException(const char* what, const char* text) noexcept;

template <typename Work>
VStatus GuardHostCall(const char* what, Work&& work) noexcept {
    try {
        return work();
    } catch (const std::exception& error) {
        return ReportEscapedException(what, error.what());
    } catch (...) {
        return ReportEscapedException(what, "unknown exception");
    }
}

// For calls that answer a value: the work's answer, or `failed` when it throws.
template <typename T, typename Work>
T GuardHostValue(const char* what, T failed, Work&& work) noexcept {
    try {
        return work();
    } catch (const std::exception& error) {
        ReportEscapedException(what, error.what());
    } catch (...) {
        ReportEscapedException(what, "unknown exception");
    }
    return failed;
}

#endif
