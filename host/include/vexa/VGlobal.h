#ifndef VEXA_VGLOBAL_H
#define VEXA_VGLOBAL_H

// The host's global services: running commands, the active selection, sets and deletion.
//
// executeCommand hands the text to the host's command runner (in the shell, the one that reads
// the user's commands). The result forms give the command's result: as texts (numbers in the
// host's text of a double, see VString), as numbers (kFailure when the result holds none), or
// the first item only. With displayEnabled the command and its result are echoed into the
// message log. undoEnabled is accepted and has no effect: the stand-in keeps no undo queue.

#include <vexa/VObject.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>
#include <vexa/VTime.h>
#include <vexa/VexaExport.h>

class VDoubleArray;
class VIntArray;
class VObjectArray;
class VSelectionList;
class VStringArray;

class VEXA_API VGlobal {
public:
    enum ListAdjustment { kReplaceList = 0, kXORWithList = 1, kAddToList = 2, kRemoveFromList = 3 };

    static VStatus executeCommand(const VString& command, bool displayEnabled = false, bool undoEnabled = false);
    static VStatus executeCommand(const VString& command, VStringArray& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static VStatus executeCommand(const VString& command, VString& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static VStatus executeCommand(const VString& command, double& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static VStatus executeCommand(const VString& command, int& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static VStatus executeCommand(const VString& command, VDoubleArray& result, bool displayEnabled = false,
                                  bool undoEnabled = false);
    static VStatus executeCommand(const VString& command, VIntArray& result, bool displayEnabled = false,
                                  bool undoEnabled = false);

    static VStatus getActiveSelectionList(VSelectionList& list);
    static VStatus setActiveSelectionList(const VSelectionList& list, ListAdjustment adjustment = kReplaceList);
    static VStatus selectByName(const VString& pattern, ListAdjustment adjustment = kAddToList);
    static VStatus clearSelectionList();
    // The sets (nodes of kObjectSet kind) that hold any item of the list as a member.
    static VStatus getAssociatedSets(const VSelectionList& list, VObjectArray& sets);
    // Deletes a node; a DAG node takes along the children that have no other parent, and the
    // animation curves that drove only this node.
    static VStatus deleteNode(const VObject& node);

    static void displayInfo(const VString& text);
    static void displayWarning(const VString& text);
    static void displayError(const VString& text);
    static VStatus viewFrame(const VTime& time);
};

#endif
