#ifndef WYX_PLUGIN_BATCHDIALOGCOMMANDS_H
#define WYX_PLUGIN_BATCHDIALOGCOMMANDS_H

// The batch settings dialog and the storing of its settings.
//
//   WYXBatchDialog                     shows the window WYXBATCHUIWINDOW (arguments ignored)
//   WYXSetUserParams -caller NAME      NAME WYXCommandBatchDialog or WYXVexaTranslator: reads
//                                      the window back into the options, hides the window
//                                      and stores the options in the registry
//
// The window is deleted and built anew at every WYXBatchDialog, so there is only ever one.
// The import dialog uses controls of the same names (WYXFRAMERATEFIELD, the mode buttons);
// the batch dialog therefore keeps its mode buttons in script variables of its own and the
// full path names of its other controls, and WYXSetUserParams reads those: never another
// window's controls. When its window is gone or a control cannot be read, WYXSetUserParams
// fails and changes nothing; when the registry cannot keep the settings, it fails with the
// store's reason, the settings taken for this session. A resampling rate out of range is not
// taken: the old rate stays and a warning says so.

#include "plugin/WyxVexaCommand.h"

// The script variables that hold a window's three import-mode radio buttons.
struct ModeButtonVariables {
    const char* exclusiveMerge;
    const char* addToNewScene;
    const char* merge;
};

// The import dialog's variables ($rb1_ExclusiveMerge, ...) and the batch dialog's own.
extern const ModeButtonVariables kImportDialogModeButtons;
extern const ModeButtonVariables kBatchDialogModeButtons;

// One script that makes a radio collection with the three mode buttons, kept in the
// variables, and selects the button of the import mode.
VString ModeButtonsScript(const ModeButtonVariables& variables, int importMode);
// The import mode the buttons say: exclusive merge selected 0, else add to a new scene 2,
// else merge 1. False when a button cannot be read.
bool ReadModeButtons(const ModeButtonVariables& variables, int& importMode);
// The plug-in's information text, left-aligned, in the window.
VString PluginInfoTextScript(const char* window);

class BatchDialogCommand : public WyxVexaCommand {
public:
    BatchDialogCommand() : WyxVexaCommand("WYXBatchDialog") {}

protected:
    VStatus Run(const VArgList& args) override;
};

class SetUserParamsCommand : public WyxVexaCommand {
public:
    SetUserParamsCommand() : WyxVexaCommand("WYXSetUserParams") {}

protected:
    VStatus Run(const VArgList& args) override;
};

#endif
