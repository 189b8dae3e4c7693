#include "plugin/ExportCommand.h"

#include "hostexport/WyxVexaExportSession.h"
#include "plugin/BatchDialogCommands.h"
#include "plugin/DialogScript.h"
#include "plugin/OptionCommands.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/WyxVexaOptions.h"

namespace {

const char* const kUsage = "Use syntax: WYXExport -f \"filename\"";
const char* const kWindow = "WYXEXPORTWINDOW";
const char* const kDialogCaller = "WYXExportDialog";

struct ExportArguments {
    VString fileName;
    bool fromDialog = false;
};

ExportArguments ReadArguments(const VArgList& args) {
    ExportArguments read;
    const unsigned count = args.length();
    for (unsigned p = 0; p + 1 < count; ++p) {
        if (args.asString(p) != "-caller") continue;
        const VString caller = args.asString(p + 1);
        if (caller == "WYXVexaTranslator") break;
        if (caller == kDialogCaller) {
            read.fromDialog = true;
            break;
        }
    }
    for (unsigned p = 0; p + 1 < count; ++p) {
        const VString flag = args.asString(p);
        if (flag == "-f" || flag == "-file") {
            read.fileName = args.asString(p + 1);
            break;
        }
    }
    return read;
}

// The full path names of the controls the Export button reads back.
struct ExportDialogControls {
    VString constantKeyReducer;
    VString frameRate;
    VString hardEdges;
    VString embedTextures;
    VString convertToTiff;
};

ExportDialogControls& Controls() {
    static ExportDialogControls controls;
    return controls;
}

WyxVexaOptions& Options() { return *GetPluginOptions(); }

VString CheckBoxScript(const char* label, const VString& flags, const char* name) {
    return VString("checkBox -p WYXEXPORTWINDOW -h 20 -label \"") + label + "\" -al \"left\" " + flags + " " + name;
}

void BuildExportWindow(const VString& fileName) {
    WyxVexaOptions& options = Options();
    ExportDialogControls& controls = Controls();
    const bool embed = options.GetBoolOption(kExportEmbedTextures);
    RunScript("commandEcho -st false");
    RunScript(VString("window -rtf true -s false -t \"WYX Exporter 6.0  \"  ") + kWindow);
    RunScript("columnLayout -p WYXEXPORTWINDOW -w 300 -co \"both\" 10 -rs 5 WYXCOLUMNLAYOUT");
    RunScript("text -al \"left\" -label " + QuotedScriptText("File : " + ShownFileName(fileName)));
    RunScript("separator -hr true -st \"none\"");
    RunScript("separator -w 280;");
    options.ResetExportOptions();
    RunScript("setParent ..");
    RunUnitTextLines(options.GetMasterUnitString(false).Buffer());
    RunScript("separator -w 280;");
    controls.constantKeyReducer =
        RunForPath(VString("checkBox -h 20 -label \"Apply constant key reducer filtering\" -al \"left\" ") +
                   CheckState(options.GetBoolOption(kExportApplyCstKeyRed)) + " WYXAPPLYCONSTANTKEYREDUCER");
    RunScript("rowLayout -p WYXEXPORTWINDOW -numberOfColumns 2 -columnWidth2 150 50 -columnAlign 1 \"left\"\t\t\t\t"
              "-columnAlign 2 \"left\" -columnAttach 1 \"both\" 0 -columnAttach 2 \"both\" 0");
    RunScript("text -label \"Resampling frame rate (fps)\"");
    controls.frameRate = RunForPath("floatField -v " + RateText(options.GetSamplingRate(false)) +
                                    " -precision 3 -step 1 WYXFRAMERATEFIELD");
    controls.hardEdges = RunForPath(
        CheckBoxScript("Export Hard Edges", CheckState(options.GetBoolOption(kExportHardEdges)), "WYXEXPORTHARDEDGES"));
    // The embed box is always disabled; the TIFF box follows it.
    controls.embedTextures =
        RunForPath(CheckBoxScript("Embed Textures", CheckState(embed) + "-en false ", "WYXEXPORTEMBEDTEXTURES"));
    controls.convertToTiff = RunForPath(CheckBoxScript(
        "Portable format (TIFF)", VString(embed ? "" : "-en false ") + CheckState(options.GetBoolOption(kExportConvert_2Tiff)),
        "WYXEXPORTCONVERT2TIF"));
    const VString follow = "checkBox -e -en `checkBox -q -v " + QuotedScriptText(controls.embedTextures) + "` " +
                           QuotedScriptText(controls.convertToTiff);
    RunScript("checkBox -edit -cc " + QuotedScriptText(follow) + " " + QuotedScriptText(controls.embedTextures));
    RunScript("separator -p WYXEXPORTWINDOW -hr true -st \"none\"");
    RunScript("rowLayout -p WYXEXPORTWINDOW -numberOfColumns 4 -columnWidth4 65 75 5 75 -columnAlign 2 \"center\"\t\t\t\t"
              "-columnAlign 4 \"center\" -columnAttach 2 \"both\" 0  \t\t\t\t-columnAttach 4 \"both\" 0");
    RunScript("separator -st \"none\"");
    // The file name is a literal inside the literal that holds the button's command.
    const VString exportCommand =
        "WYXExport -f " + QuotedScriptText(fileName) + " -caller " + QuotedScriptText(kDialogCaller);
    RunScript("string $WYXExportButtonCommand = " + QuotedScriptText(exportCommand));
    RunScript("button -rs false -label \"Export\" -c $WYXExportButtonCommand  WYXVEXABUTTON");
    RunScript("separator -st \"none\"");
    RunScript("button -rs false -label \"Cancel\" -c \"window -e -vis false WYXEXPORTWINDOW\" WYXCANCELBUTTON");
    RunScript("setParent ..;");
    RunScript("separator -w 280 -st \"single\";");
    RunScript("text -p WYXEXPORTWINDOW -label \" \" -al \"center\" WYXVEXASTATUS");
    RunScript("text -p WYXEXPORTWINDOW -label \" \" -al \"center\" WYXVEXAPROGRESSMETER");
    RunScript("separator -w 280 -st \"single\";");
    RunScript("separator -p WYXEXPORTWINDOW -st \"none\"");
    RunScript(PluginInfoTextScript(kWindow));
    RunScript("showWindow WYXEXPORTWINDOW");
}

// What the dialog holds when Export is pressed.
struct DialogSettings {
    bool constantKeyReducer = false;
    double frameRate = 0.0;
    bool hardEdges = false;
    bool embedTextures = false;
    bool convertToTiff = false;
};

// The box's value: any non-zero value, or (`exactlyOne`) only 1, counts as ticked.
bool QueryCheckBox(const VString& control, bool exactlyOne, bool& on) {
    int value = 0;
    if (!QueryInt("checkBox -q -v " + QuotedScriptText(control), value)) return false;
    on = exactlyOne ? value == 1 : value != 0;
    return true;
}

// False, naming the control, when one cannot be read.
bool ReadDialog(DialogSettings& settings, VString& failed) {
    const ExportDialogControls& controls = Controls();
    struct Read {
        const char* what;
        bool ok;
    };
    const Read reads[] = {
        {"WYXAPPLYCONSTANTKEYREDUCER", QueryCheckBox(controls.constantKeyReducer, false, settings.constantKeyReducer)},
        {"WYXFRAMERATEFIELD", QueryDouble("floatField -q -v " + QuotedScriptText(controls.frameRate), settings.frameRate)},
        {"WYXEXPORTHARDEDGES", QueryCheckBox(controls.hardEdges, true, settings.hardEdges)},
        {"WYXEXPORTEMBEDTEXTURES", QueryCheckBox(controls.embedTextures, true, settings.embedTextures)},
        {"WYXEXPORTCONVERT2TIF", QueryCheckBox(controls.convertToTiff, true, settings.convertToTiff)},
    };
    for (const Read& read : reads) {
        if (read.ok) continue;
        failed = read.what;
        return false;
    }
    return true;
}

void StoreDialogSettings(const DialogSettings& settings) {
    WyxVexaOptions& options = Options();
    options.SetBoolOption(kExportApplyCstKeyRed, settings.constantKeyReducer);
    StoreDialogSamplingRate(options, settings.frameRate, "WYXExport");
    options.SetBoolOption(kExportHardEdges, settings.hardEdges);
    options.SetBoolOption(kExportEmbedTextures, settings.embedTextures);
    options.SetBoolOption(kExportConvert_2Tiff, settings.convertToTiff);
}

VStatus Answer(const VStatus& status) {
    if (status) return WyxVexaCommand::Succeed();
    return WyxVexaCommand::Fail("WYXExport error: " + status.errorString());
}

}  // namespace

VStatus ExportFile(const VString& fileName) {
    WyxVexaExportSession session;
    ResetProgress(Options().GetBoolOption(kExportShowUI), kWindow);
    ShowProgressDetail("Exporting...");
    return session.Export(fileName.asChar());
}

VStatus ShowExportDialog(const VString& fileName) {
    // Cancel only hides the window: one left from an earlier export goes before the new one.
    if (WindowExists(kWindow)) RunScript("deleteUI WYXEXPORTWINDOW");
    BuildExportWindow(fileName);
    return VStatus();
}

VStatus ExportCommand::Run(const VArgList& args) {
    const ExportArguments read = ReadArguments(args);
    if (read.fileName.length() == 0) return Fail(kUsage);
    if (!read.fromDialog) {
        if (Options().GetBoolOption(kExportShowUI)) return ShowExportDialog(read.fileName);
        return Answer(ExportFile(read.fileName));
    }
    DialogSettings settings;
    VString failed;
    if (!WindowExists(kWindow) || !ReadDialog(settings, failed)) {
        return Fail("WYXExport error: cannot read " + (failed.length() > 0 ? failed : VString(kWindow)) +
                    " of the export window; nothing was exported.");
    }
    StoreDialogSettings(settings);
    const VStatus status = ExportFile(read.fileName);
    if (WindowExists(kWindow)) RunScript("deleteUI WYXEXPORTWINDOW");
    StoreOptionsOrWarn("WYXExport");
    return Answer(status);
}
