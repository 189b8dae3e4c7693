#ifndef WYX_PLUGIN_PLUGINFOLDER_H
#define WYX_PLUGIN_PLUGINFOLDER_H

// Where the plug-in keeps its log: the folder that holds the plug-in's own file.
//
// FindPluginFolder reads the host's list of plug-in folders (VEXA_PLUG_IN_PATH, folders
// separated by ";", runs of separators counting once) and answers the first folder that this
// process may write and that holds a file whose name begins with "wyxvexa" and whose
// extension (after the last ".") is "vll", both without regard to case. Failing that, the
// folder named by TEMP, failing that the system's temporary folder (TMPDIR, else /tmp). The
// answer ends in the separator the SDK's path functions join with ('\'; they read both).
//
// These are the plug-in's only calls to the operating system's environment and access
// checks; the SDK's platform layer has none of its own for them.

#include "core/RString.h"

RString FindPluginFolder();

// True when the path names an existing file-system entry that carries a write permission
// (the counterpart of a read-only attribute being unset) and that this process may write.
bool IsWritablePath(const RString& path);

#endif
