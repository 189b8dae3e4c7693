#ifndef WYX_PLUGIN_IMPORTCOMMAND_H
#define WYX_PLUGIN_IMPORTCOMMAND_H

// WYXImport: the one road by which a WYX file enters the host scene (typed, scripted, run by
// the translator and by the import dialog's Import button).
//
//   WYXImport -f|-file NAME [-t|-take INDEX] [-caller NAME]
//
// The file is opened in the cached import session (ImportSessionCache.h; a session on
// another file is replaced). With kImportShowUI on, the import dialog WYXIMPORTWINDOW is
// shown: the file, its takes ("No Animation." first, the last take chosen), the import mode
// and the import options; its Import button runs WYXImport again with -caller
// "WYXImportDialog", which reads the window back, stores the options and imports. With
// kImportShowUI off the take is imported at once. Either way the session ends with the import,
// and an import that succeeded notes its take on the scene: fileInfo "WYXImportTake" holds the
// take's name, or "No Animation." when none was imported.
//
// Take index: zero-based; none (or a negative one) imports the first take when the file has
// any, and no animation when it has none. A file with one take thus imports that take, as
// the dialog (which chooses the last take) does.
//
// Failures: no file name (usage), a take index that is no whole number, a missing file
// ("file not found." and the file's name), a file that cannot be opened (the importer's
// reason), a take index not below the take count, a dialog whose session has ended or was
// opened on another file ("No WYX file to import."), a file that does not read. "Success" is
// the result only of an import that succeeded. An exclusive merge that matched no node of the
// scene succeeds with a warning that nothing was imported.

#include "plugin/WyxVexaCommand.h"

class ImportCommand : public WyxVexaCommand {
public:
    ImportCommand() : WyxVexaCommand("WYXImport") {}

protected:
    VStatus Run(const VArgList& args) override;
};

// Imports the take (-1: none) with the cached session and ends the session.
VStatus ImportTake(int takeIndex);
// Builds and shows the import dialog for the cached session's file; an open one goes first.
VStatus ShowImportDialog(const VString& fileName);

#endif
