#ifndef VEXA_VMESSAGELOG_H
#define VEXA_VMESSAGELOG_H

// The host's message log: what VStatus::perror, VGlobal::displayInfo/Warning/Error and
// VPxCommand::displayError print. Each message is kept in memory (so a test can read what a
// plug-in printed) and, when echo is on (the shell turns it on), written to standard error
// as one line: "// Error: text", "// Warning: text", "text" for information and perror.

#include <vexa/VString.h>
#include <vexa/VStringArray.h>
#include <vexa/VexaExport.h>

class VEXA_API VMessageLog {
public:
    enum Kind { kInfo = 0, kWarning = 1, kError = 2, kStatus = 3 };

    static void add(Kind kind, const VString& text);
    // Every message since the last clear, as shown (with its "// Error: " prefix and so on).
    static VStringArray lines();
    static VStringArray linesOf(Kind kind);  // the bare texts of one kind
    static void clear();
    static void setEcho(bool on);
};

#endif
