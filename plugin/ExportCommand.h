#ifndef WYX_PLUGIN_EXPORTCOMMAND_H
#define WYX_PLUGIN_EXPORTCOMMAND_H

// WYXExport: the one road by which the host scene leaves as a WYX file (typed, scripted, run by
// the translator and by the export dialog's Export button).
//
//   WYXExport -f|-file NAME [-caller NAME]
//
// With kExportShowUI off the scene is exported at once through an export session
// (WyxVexaExportSession) that lives for this one call. With it on, the export dialog
// WYXEXPORTWINDOW is shown instead (a window left from an earlier Cancel goes first): the file,
// the unit, the constant key reducer, the resampling rate, hard edges, embedded textures
// (always disabled) and TIFF conversion; its Export button runs WYXExport again with -caller
// "WYXExportDialog", which reads the window back (by the full paths the host gave its
// controls: the import dialog uses some of their names too), stores the options, exports,
// deletes the window and stores the options in the registry. A resampling rate out of range
// is not taken; the old rate stays and a warning says so.
//
// Failures: no file name (usage), a dialog window that is gone or cannot be read (nothing is
// exported and no option changes), a failed export (its reason). "Success" is the result only
// of an export that succeeded; a failed export leaves an existing file as it was.

#include "plugin/WyxVexaCommand.h"

class ExportCommand : public WyxVexaCommand {
public:
    ExportCommand() : WyxVexaCommand("WYXExport") {}

protected:
    VStatus Run(const VArgList& args) override;
};

// Exports the scene through a new export session, with the progress display of the dialog.
VStatus ExportFile(const VString& fileName);
// Builds and shows the export dialog for the file; a window of that name goes first.
VStatus ShowExportDialog(const VString& fileName);

#endif
