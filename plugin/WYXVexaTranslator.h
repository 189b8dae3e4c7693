#ifndef WYX_PLUGIN_WYXVEXATRANSLATOR_H
#define WYX_PLUGIN_WYXVEXATRANSLATOR_H

// The file translator "Wyx": lets the host's own file import and export reach WYX files. It
// holds no logic of its own: reading runs `WYXImport -f "<file>" -caller "WYXVexaTranslator"`
// and writing the same with WYXExport, so that a file opened from the host's menus and one
// named in a script take the same road. The file name goes into the command as an escaped
// literal (ScriptText.h), so no name can add words or statements to the command. The
// command's status is the translator's: a failed import or export fails the host's "file".
//
// A file is taken for a WYX file when its name, without folder and in lower case, holds "wyx"
// after its first character.

#include <vexa/VPxFileTranslator.h>

class WYXVexaTranslator : public VPxFileTranslator {
public:
    static constexpr const char* kCaller = "WYXVexaTranslator";

    // The creator the host is given: a new translator, or null when memory runs out.
    static void* Create();

    VStatus reader(const VFileObject& file, const VString& options, FileAccessMode mode) override;
    VStatus writer(const VFileObject& file, const VString& options, FileAccessMode mode) override;
    bool haveReadMethod() const override { return true; }
    bool haveWriteMethod() const override { return true; }
    VString defaultExtension() const override { return "wyx"; }
    bool canBeOpened() const override { return true; }
    VFileKind identifyFile(const VFileObject& file, const char* buffer, short size) const override;

    // The command text that reading (WYXImport) or writing (WYXExport) runs for the file.
    static VString CommandText(const char* command, const VFileObject& file);
};

#endif
