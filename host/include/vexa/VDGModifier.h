#ifndef VEXA_VDGMODIFIER_H
#define VEXA_VDGMODIFIER_H

// A batch of scene changes: queued by the calls below, carried out in order by doIt(), taken
// back in reverse order by undoIt(). createNode makes its node at once (so that the caller has
// the object to work with) but leaves it out of undo until doIt(); a node deletion cannot be
// taken back (undoIt reports kNotImplemented for it and goes on with the rest).

#include <vexa/VObject.h>
#include <vexa/VPlug.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VexaExport.h>

#include <memory>

namespace vexa_host {
struct ModifierOperations;
}

class VEXA_API VDGModifier {
public:
    VDGModifier();
    ~VDGModifier();
    VDGModifier(const VDGModifier&) = delete;
    VDGModifier& operator=(const VDGModifier&) = delete;

    VObject createNode(const VString& typeName, VStatus* status = nullptr);
    VStatus deleteNode(const VObject& node);
    VStatus renameNode(const VObject& node, const VString& newName);
    VStatus connect(const VPlug& source, const VPlug& destination);
    VStatus disconnect(const VPlug& source, const VPlug& destination);
    VStatus addAttribute(const VObject& node, const VObject& attribute);
    VStatus removeAttribute(const VObject& node, const VObject& attribute);
    // Queues a command for the command runner.
    VStatus commandToExecute(const VString& command);

    // Carries out what was queued since the last doIt; stops at the first failure, drops the
    // change that failed and keeps the later ones queued.
    VStatus doIt();
    VStatus undoIt();

private:
    std::unique_ptr<vexa_host::ModifierOperations> operations_;
};

#endif
