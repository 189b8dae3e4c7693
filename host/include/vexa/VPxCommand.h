#ifndef VEXA_VPXCOMMAND_H
#define VEXA_VPXCOMMAND_H

// The base of commands that plug-ins add to the command runner. The host makes one instance
// per run through the creator the plug-in registered (VFnPlugin::registerCommand), calls
// doIt with the arguments and deletes it afterwards.
//
// A command whose creator or doIt throws fails with the exception's text in the message log;
// the host and its scene go on (with what the command changed before the throw).
//
// The result is that of the command running now: setResult replaces it, appendToResult adds
// an item. displayError and the others print into the message log.

#include <vexa/VArgList.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

class VDoubleArray;
class VIntArray;
class VStringArray;

class VEXA_API VPxCommand {
public:
    VPxCommand() = default;
    virtual ~VPxCommand();
    VPxCommand(const VPxCommand&) = delete;
    VPxCommand& operator=(const VPxCommand&) = delete;

    virtual VStatus doIt(const VArgList& args) = 0;
    virtual VStatus undoIt();   // kFailure: nothing to undo
    virtual VStatus redoIt();   // kFailure
    virtual bool isUndoable() const;  // false
    virtual bool hasSyntax() const;   // false

    static void setResult(const VString& result);
    static void setResult(const char* result);
    static void setResult(int result);
    static void setResult(double result);
    static void setResult(bool result);
    static void setResult(const VStringArray& result);
    static void setResult(const VDoubleArray& result);
    static void setResult(const VIntArray& result);
    static void appendToResult(const VString& result);
    static void appendToResult(double result);
    static void appendToResult(int result);
    static void clearResult();

    static void displayInfo(const VString& text);
    static void displayWarning(const VString& text);
    static void displayError(const VString& text);
};

#endif
