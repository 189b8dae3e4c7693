#include "plugin/BatchDialogCommands.h"

#include "plugin/DialogScript.h"
#include "plugin/OptionCommands.h"
#include "plugin/ScriptText.h"
#include "plugin/WyxVexaOptions.h"

#include <vexa/VGlobal.h>

const ModeButtonVariables kImportDialogModeButtons = {"$rb1_ExclusiveMerge", "$rb2_AddToNewScene", "$rb3_Merge"};
const ModeButtonVariables kBatchDialogModeButtons = {"$rb1_BatchExclusiveMerge", "$rb2_BatchAddToNewScene",
                                                     "$rb3_BatchMerge"};

namespace {

const char* const kWindow = "WYXBATCHUIWINDOW";

// The full path names of the batch window's controls that WYXSetUserParams reads, as the
// host named them when WYXBatchDialog made them.
struct BatchControls {
    VString importUi;
    VString exportUi;
    VString constantKeyReducer;
    VString frameRate;
};

BatchControls& Controls() {
    static BatchControls controls;
    return controls;
}

// Builds the window; the four read-back controls' paths are kept.
void BuildBatchWindow(const WyxVexaOptions& options) {
    BatchControls& controls = Controls();
    RunScript("\t\twindow -rtf true -s false -t \"WYX Batch Import/Export Settings Dialog\" WYXBATCHUIWINDOW;"
        "\t\tcolumnLayout -p WYXBATCHUIWINDOW -w 350 -co \"both\" 10 -rs 5 WYXCOLUMNLAYOUT");
    RunScript("text -al \"left\" -label \"WYX Import Settings\"");
    RunScript("separator -w 280 -st \"single\"");
    controls.importUi = RunForPath(VString("checkBox -h 20 -label \"Batch Import Mode (No dialog on import WYX)\" -al "
                                           "\"left\"-v ") +
                                   BoolWord(!options.GetBoolOption(kImportShowUI)) + " WYXIMPORTUI");
    RunScript(ModeButtonsScript(kBatchDialogModeButtons, options.GetImportMode()));
    RunScript("separator -hr true -st \"none\"");
    RunScript("separator -hr true -st \"none\"");
    RunScript("text -al \"left\" -label \"WYX Export Settings\"");
    RunScript("separator -w 280 -st \"single\"");
    controls.exportUi = RunForPath(VString("checkBox -h 20 -label \"Batch Export Mode (No dialog on export WYX)\" -al "
                                           "\"left\"-v ") +
                                   BoolWord(!options.GetBoolOption(kExportShowUI)) + " WYXEXPORTUI");
    controls.constantKeyReducer =
        RunForPath(VString("checkBox -h 20 -label \"Apply constant key reducer filtering\" -al \"left\" -v ") +
                   BoolWord(options.GetBoolOption(kExportApplyCstKeyRed)) + "  WYXAPPLYCONSTANTKEYREDUCER");
    RunScript("separator -hr true -st \"none\"");
    RunScript("separator -hr true -st \"none\"");
    RunScript("separator -w 280 -st \"single\"");
    RunScript("rowLayout -p WYXBATCHUIWINDOW -numberOfColumns 2 -columnWidth2 150 50 -columnAlign 1 \"left\"\t\t\t\t"
        "-columnAlign 2 \"left\" -columnAttach 1 \"both\" 0 -columnAttach 2 \"both\" 0");
    RunScript("text -label \"Resampling frame rate (fps)\"");
    controls.frameRate = RunForPath("floatField -v " + RateText(options.GetSamplingRate(false)) +
                                    " -precision 3 -step 1 WYXFRAMERATEFIELD");
    RunScript("separator -p WYXBATCHUIWINDOW -hr true -st \"none\"");
    // The button row is named, so that the two blank separators beside the button land in it.
    RunScript("rowLayout -p WYXBATCHUIWINDOW -numberOfColumns 4 -columnWidth4 65 75 5 75 -columnAlign 2 \"center\"\t\t\t\t"
        "-columnAlign 4 \"center\" -columnAttach 2 \"both\" 0  \t\t\t\t-columnAttach 4 \"both\" 0 WYXBATCHROWLAYOUT");
    RunScript("separator -p WYXBATCHROWLAYOUT -st \"none\"");
    RunScript("string $WYXOKButtonCommand = \"WYXSetUserParams -caller \\\"WYXCommandBatchDialog\\\"\"");
    RunScript("button -rs false -label \"   Store as Defaults   \" -c $WYXOKButtonCommand  WYXVEXABUTTON");
    RunScript("separator -p WYXBATCHROWLAYOUT -st \"none\"");
    RunScript("separator -p WYXBATCHUIWINDOW -st \"none\"");
    RunScript(PluginInfoTextScript(kWindow));
    RunScript("showWindow WYXBATCHUIWINDOW");
}

struct BatchSettings {
    int importUi = 0;
    int importMode = WyxPluginOptions::kMerge;
    int exportUi = 0;
    int constantKeyReducer = 0;
    double frameRate = 0.0;
};

// Reads every setting of the batch window; false, naming what failed, when one cannot be read.
bool ReadBatchWindow(BatchSettings& settings, VString& failed) {
    const BatchControls& controls = Controls();
    struct Query {
        const char* what;
        bool read;
    };
    const Query queries[] = {
        {"WYXIMPORTUI", QueryInt("checkBox -q -v " + QuotedScriptText(controls.importUi), settings.importUi)},
        {"the import mode buttons", ReadModeButtons(kBatchDialogModeButtons, settings.importMode)},
        {"WYXEXPORTUI", QueryInt("checkBox -q -v " + QuotedScriptText(controls.exportUi), settings.exportUi)},
        {"WYXAPPLYCONSTANTKEYREDUCER",
         QueryInt("checkBox -q -v " + QuotedScriptText(controls.constantKeyReducer), settings.constantKeyReducer)},
        {"WYXFRAMERATEFIELD", QueryDouble("floatField -q -v " + QuotedScriptText(controls.frameRate), settings.frameRate)},
    };
    for (const Query& query : queries) {
        if (!query.read) {
            failed = query.what;
            return false;
        }
    }
    return true;
}

bool IsBatchCaller(const VArgList& args) {
    if (args.length() != 2 || args.asString(0) != "-caller") return false;
    const VString caller = args.asString(1);
    return caller == "WYXCommandBatchDialog" || caller == "WYXVexaTranslator";
}

}  // namespace

VString ModeButtonsScript(const ModeButtonVariables& variables, int importMode) {
    VString script = VString("string $collection1 = `radioCollection`;") + "string " + variables.exclusiveMerge +
                     " = `radioButton -label \"Exclusive Merge\"`;" + "string " + variables.addToNewScene +
                     " = `radioButton -label \"Add to new scene\"`;" + "string " + variables.merge +
                     " = `radioButton -label \"Merge\"`;" + "setParent ..; setParent ..;";
    const char* selected = importMode == WyxPluginOptions::kExclusiveMerge ? variables.exclusiveMerge
                           : importMode == WyxPluginOptions::kCreate       ? variables.addToNewScene
                                                                           : variables.merge;
    return script + "\tradioCollection -edit -select " + selected + " $collection1;";
}

bool ReadModeButtons(const ModeButtonVariables& variables, int& importMode) {
    int exclusive = 0;
    int add = 0;
    if (!QueryInt(VString("radioButton -q -sl ") + variables.exclusiveMerge, exclusive) ||
        !QueryInt(VString("radioButton -q -sl ") + variables.addToNewScene, add)) {
        return false;
    }
    importMode = exclusive != 0 ? WyxPluginOptions::kExclusiveMerge
                 : add != 0     ? WyxPluginOptions::kCreate
                                : WyxPluginOptions::kMerge;
    return true;
}

VString PluginInfoTextScript(const char* window) {
    const VString label = "WYX-Vexa import/export plugin.\nReads and writes WYX scene files in Vexa.\n"
                          "Build number: 20041029";
    return VString("text -p ") + window + " -al \"left\" -label " + QuotedScriptText(label);
}

VStatus BatchDialogCommand::Run(const VArgList&) {
    RunScript("commandEcho -st false");
    int exists = 0;
    if (QueryInt("window -ex WYXBATCHUIWINDOW", exists) && exists != 0) RunScript("deleteUI WYXBATCHUIWINDOW");
    BuildBatchWindow(*GetPluginOptions());
    return VStatus();
}

VStatus SetUserParamsCommand::Run(const VArgList& args) {
    RunScript("commandEcho -st false");
    if (!IsBatchCaller(args)) return VStatus();
    int exists = 0;
    if (!QueryInt("window -ex WYXBATCHUIWINDOW", exists) || exists == 0) {
        return Fail("WYXSetUserParams: the batch settings window is not open; nothing was stored.");
    }
    BatchSettings settings;
    VString failed;
    if (!ReadBatchWindow(settings, failed)) {
        return Fail("WYXSetUserParams: cannot read " + failed + " of the batch settings window; nothing was stored.");
    }
    WyxVexaOptions& options = *GetPluginOptions();
    options.SetBoolOption(kImportShowUI, settings.importUi == 0);
    options.SetImportMode(settings.importMode);
    options.SetBoolOption(kExportShowUI, settings.exportUi == 0);
    options.SetBoolOption(kExportApplyCstKeyRed, settings.constantKeyReducer != 0);
    StoreDialogSamplingRate(options, settings.frameRate, "WYXSetUserParams");
    RunScript("window -e -vis false WYXBATCHUIWINDOW");
    return StoreOptionRecords(Name(), {});
}
