#ifndef VEXA_HOST_PLUGINCALL_H
#define VEXA_HOST_PLUGINCALL_H

// Every call from the host into a plug-in's code (its entry points, its commands' creators and
// doIt, its translators' creators and methods) goes through callPlugin. An exception thrown
// there stops at the boundary: the call fails with the exception's text, and the host, its
// session and the scene (as the plug-in left it) go on. What the plug-in's code returns is
// the caller's business; only a throw is handled here.

#include <vexa/VStatus.h>

#include <exception>
#include <string>

namespace vexa_host {

// Runs call(); kFailure with "<what> threw: <text of the exception>" when it throws.
template <typename Call>
VStatus callPlugin(const std::string& what, Call&& call) {
    try {
        call();
        return VStatus();
    } catch (const std::exception& exception) {
        return VStatus(VStatus::kFailure, what + " threw: " + exception.what());
    } catch (...) {
        return VStatus(VStatus::kFailure, what + " threw an exception that is not a std::exception");
    }
}

}  // namespace vexa_host

#endif
