#ifndef VEXA_HOST_COMMANDLINE_H
#define VEXA_HOST_COMMANDLINE_H

// Quoting for script text the host writes itself (plug-in loading, dumps): a text as one
// double-quoted string literal with C escapes, which the script interpreter reads back unchanged.

#include <vexa/VexaExport.h>

#include <string>

namespace vexa_host {

// Writes a text as a double-quoted word with C escapes.
VEXA_API std::string quoted(const std::string& text);

}  // namespace vexa_host

#endif
