#ifndef WYX_PLUGIN_DIALOGSCRIPT_H
#define WYX_PLUGIN_DIALOGSCRIPT_H

// What the plug-in's dialogs share when they build their windows and read them back: host
// script run for its effect, for the full path name of a control it makes, or for a number.

#include <vexa/VString.h>

class WyxVexaOptions;

// Runs the script; its result is not looked at.
void RunScript(const VString& script);
// Runs a command that makes a control and answers the control's full path name (empty when
// the command failed). Controls of different windows may share a name; a dialog reads its
// own controls back by these paths.
VString RunForPath(const VString& script);
bool QueryInt(const VString& script, int& value);
bool QueryDouble(const VString& script, double& value);

// "true" or "false".
const char* BoolWord(bool on);
// A check box's value flags: "-v true " or "-v false ".
VString CheckState(bool on);
// A file name as the dialogs show it: whole up to 48 characters, else its first 3, "..." and
// its last 42.
VString ShownFileName(const VString& fileName);
// The two lines of a unit text (split at its first line feed) as two left-aligned texts.
void RunUnitTextLines(const char* unitText);
// True when the host has a window of that name (shown or hidden).
bool WindowExists(const char* window);
// A rate as a float field shows it: single precision, six decimals.
VString RateText(double rate);

// Stores a dialog's resampling rate as the export's and the import's; a rate out of range is
// refused with a warning naming the command, and the old rate stays.
void StoreDialogSamplingRate(WyxVexaOptions& options, double rate, const char* command);

#endif
