#include "plugin/ImportCommand.h"

#include "fileio/RWyxFileImporter.h"
#include "hostimport/WyxVexaImportSession.h"
#include "plugin/BatchDialogCommands.h"
#include "plugin/DialogScript.h"
#include "plugin/ImportSessionCache.h"
#include "plugin/OptionCommands.h"
#include "plugin/ProgressDisplay.h"
#include "plugin/ScriptText.h"
#include "plugin/WyxVexaOptions.h"
#include "scene/RWyxTakeInfo.h"

#include <vexa/VGlobal.h>
#include <vexa/VIntArray.h>

#include <string>

namespace {

const char* const kUsage = "Use syntax: WYXImport -f \"filename\" [-t take_index_zero_based]";
const char* const kWindow = "WYXIMPORTWINDOW";
const char* const kDialogCaller = "WYXImportDialog";
const char* const kNoAnimation = "No Animation.";
// The scene's note (fileInfo) of the take imported last.
const char* const kImportedTakeInfo = "WYXImportTake";
constexpr int kTakesStreamFlag = 6;

struct ImportArguments {
    VString fileName;
    int takeIndex = -1;
    // The text of -t, and whether it is a whole number.
    VString takeText;
    bool takeIsNumber = true;
    bool fromDialog = false;
};

ImportArguments ReadArguments(const VArgList& args) {
    ImportArguments read;
    const unsigned count = args.length();
    for (unsigned p = 0; p + 1 < count; ++p) {
        const VString flag = args.asString(p);
        if (flag == "-f" || flag == "-file") {
            read.fileName = args.asString(p + 1);
        } else if (flag == "-t" || flag == "-take") {
            VStatus number;
            read.takeIndex = args.asInt(p + 1, &number);
            read.takeText = args.asString(p + 1);
            read.takeIsNumber = static_cast<bool>(number);
        } else if (flag == "-caller") {
            const VString caller = args.asString(p + 1);
            if (caller == "WYXVexaTranslator") break;
            if (caller == kDialogCaller) read.fromDialog = true;
        }
    }
    return read;
}

// The full path names of the dialog's controls that the Import button reads back, as the host
// named them when the dialog was built: other windows use some of these names too.
struct ImportDialogControls {
    VString takeList;
    VString forceWeightNormalize;
    VString deformingNulls;
    VString nullsToPivots;
    VString frameRate;
    VString hardEdges;
    VString protectDrivenKeys;
};

ImportDialogControls& Controls() {
    static ImportDialogControls controls;
    return controls;
}

WyxVexaOptions& Options() { return *GetPluginOptions(); }

VString Number(int value) { return VString(std::to_string(value).c_str()); }

// The state of the pivot box: files from version 6 on have no pivot nodes to merge.
VString NullsToPivotsState(RWyxFileImporter& importer) {
    int major = 0;
    int minor = 0;
    int revision = 0;
    importer.GetFileVersion(major, minor, revision);
    if (major >= 6) return "-en false -v false";
    if (Options().GetImportMode() != WyxPluginOptions::kCreate) return "-en false -v true";
    return CheckState(Options().GetBoolOption(kImportNullsToPivot));
}

VString TakeListScript(RWyxFileImporter& importer) {
    VString script = "textScrollList -w 280 -p WYXIMPORTWINDOW -numberOfRows 8  -allowMultiSelection false -append " +
                     QuotedScriptText(kNoAnimation);
    const int takes = importer.GetTakeCount();
    for (int i = 0; i < takes; ++i) {
        const RWyxTakeInfo* take = importer.GetTakeInfo(i);
        script += " -append " + QuotedScriptText(VString(take->name.Buffer()));
    }
    return script + " -selectIndexedItem " + Number(takes + 1) + " WYXTAKELIST";
}

VString CheckBoxScript(const char* label, const VString& state, const char* name) {
    return VString("checkBox -p WYXIMPORTWINDOW -h 20 -label \"") + label + "\" -al \"left\" " + state + " " + name;
}

// A radio button's change command that edits the pivot box (a command inside a literal).
VString PivotBoxChange(const char* edit, const char* button) {
    const VString command = VString("checkBox -e ") + edit + " " + QuotedScriptText(Controls().nullsToPivots);
    return "radioButton -edit -cc " + QuotedScriptText(command) + " " + button;
}

void BuildImportWindow(const VString& fileName, RWyxFileImporter& importer) {
    WyxVexaOptions& options = Options();
    ImportDialogControls& controls = Controls();
    RunScript("commandEcho -st false");
    RunScript(VString("window -rtf true -s false -t \"WYX Importer 6.0  \"  ") + kWindow);
    RunScript("columnLayout -p WYXIMPORTWINDOW -w 300 -co \"both\" 10 -rs 5 WYXCOLUMNLAYOUT");
    RunScript("text -al \"left\" -label " + QuotedScriptText("File : " + ShownFileName(fileName)) + " ");
    RunScript("separator -hr true -st \"none\"");
    RunScript("text -label \"Choose the animation take to import\" -al \"left\"");
    controls.takeList = RunForPath(TakeListScript(importer));
    RunScript("separator -w 280;");
    RunScript(ModeButtonsScript(kImportDialogModeButtons, options.GetImportMode()));
    RunScript("separator -w 280;");
    options.ResetImportOptions();
    RunScript("setParent ..");
    RunUnitTextLines(options.GetMasterUnitString(true).Buffer());
    RunScript("separator -w 280;");
    controls.forceWeightNormalize =
        RunForPath(CheckBoxScript("Pre-normalize weights", CheckState(options.GetBoolOption(kImportForceWeightNormalize)),
                                  "WYXIMPORTFORCEWEIGHTNORMALIZE"));
    controls.deformingNulls =
        RunForPath(CheckBoxScript("Convert incoming deforming Nulls to Joints",
                                  CheckState(options.GetBoolOption(kImportDeformNullsAsJoints)),
                                  "WYXCONVERTDEFORMINGNULLTOJOINT"));
    controls.nullsToPivots = RunForPath(CheckBoxScript("Merge pivot nodes as rotate axis and joint orient",
                                                       NullsToPivotsState(importer), "WYXREPLACENULLBYPIVOTS"));
    RunScript(PivotBoxChange("-en false -v true", kImportDialogModeButtons.exclusiveMerge));
    RunScript(PivotBoxChange("-en true", kImportDialogModeButtons.addToNewScene));
    RunScript(PivotBoxChange("-en false -v true", kImportDialogModeButtons.merge));
    controls.hardEdges = RunForPath(
        CheckBoxScript("Import Hard Edges ", CheckState(options.GetBoolOption(kImportHardEdges)), "WYXEXPORTHARDEDGES"));
    controls.protectDrivenKeys = RunForPath(CheckBoxScript(
        "Protect Driven Keys ", CheckState(options.GetBoolOption(kProtectDrivenKeys)), "WYXIMPORTPROTECTDRIVENKEYS"));
    RunScript("rowLayout -p WYXIMPORTWINDOW -numberOfColumns 2 -columnWidth2 150 50 -columnAlign 1 \"left\"\t\t\t\t"
              "-columnAlign 2 \"left\" -columnAttach 1 \"both\" 0 -columnAttach 2 \"both\" 0");
    RunScript("text -label \"Resampling frame rate (fps)\"");
    controls.frameRate = RunForPath("floatField -v " + RateText(options.GetSamplingRate(true)) +
                                    " -precision 3 -step 1 WYXFRAMERATEFIELD");
    RunScript("separator -p WYXIMPORTWINDOW -hr true -st \"none\"");
    // The file name is a literal inside the literal that holds the button's command.
    const VString importCommand =
        "WYXImport -f " + QuotedScriptText(fileName) + " -caller " + QuotedScriptText(kDialogCaller);
    RunScript("string $WYXImportButtonCommand = " + QuotedScriptText(importCommand));
    RunScript("rowLayout -p WYXIMPORTWINDOW -numberOfColumns 4 -columnWidth4 65 75 5 75 -columnAlign 2 \"center\"\t\t\t\t"
              "-columnAlign 4 \"center\" -columnAttach 2 \"both\" 0  \t\t\t\t-columnAttach 4 \"both\" 0");
    RunScript("separator -st \"none\"");
    RunScript("button -rs false -label \"Import\" -c $WYXImportButtonCommand  WYXVEXABUTTON");
    RunScript("separator -st \"none\"");
    RunScript("string $WYXCancelButtonCommand = \"window -e -vis false WYXIMPORTWINDOW\"");
    RunScript("button -rs false -label \"Cancel\" -c $WYXCancelButtonCommand WYXCANCELBUTTON");
    RunScript("setParent ..;");
    RunScript("separator -w 280 -st \"single\";");
    RunScript("text -p WYXIMPORTWINDOW -label \" \" -al \"center\" WYXVEXASTATUS");
    RunScript("text -p WYXIMPORTWINDOW -label \" \" -al \"center\" WYXVEXAPROGRESSMETER");
    RunScript("separator -w 280 -st \"single\";");
    RunScript("text -p WYXIMPORTWINDOW -label\"NOTICE: Because of known issues into Vexa's SDK,\\nimporting BlendShape "
              "animations and creating\\nSkinClusters may take a very long time.\" -al \"left\"");
    RunScript("separator -p WYXIMPORTWINDOW -st \"none\"");
    RunScript(PluginInfoTextScript(kWindow));
    RunScript("showWindow WYXIMPORTWINDOW");
}

bool QueryCheckBox(const VString& control, bool& on) {
    int value = 0;
    if (!QueryInt("checkBox -q -v " + QuotedScriptText(control), value)) return false;
    on = value == 1;
    return true;
}

// What the dialog holds when Import is pressed.
struct DialogSettings {
    int importMode = WyxPluginOptions::kMerge;
    int takeIndex = -1;
    bool forceWeightNormalize = false;
    bool deformingNulls = false;
    bool nullsToPivots = false;
    double frameRate = 0.0;
    bool hardEdges = false;
    bool protectDrivenKeys = false;
};

// False, naming the control, when one cannot be read.
bool ReadDialog(DialogSettings& settings, VString& failed) {
    const ImportDialogControls& controls = Controls();
    VIntArray rows;
    const bool rowsRead =
        static_cast<bool>(VGlobal::executeCommand("textScrollList -q -sii " + QuotedScriptText(controls.takeList), rows));
    settings.takeIndex = rows.length() > 0 && rows[0] - 2 >= 0 ? rows[0] - 2 : -1;
    struct Read {
        const char* what;
        bool ok;
    };
    const Read reads[] = {
        {"the import mode buttons", ReadModeButtons(kImportDialogModeButtons, settings.importMode)},
        {"WYXTAKELIST", rowsRead},
        {"WYXIMPORTFORCEWEIGHTNORMALIZE", QueryCheckBox(controls.forceWeightNormalize, settings.forceWeightNormalize)},
        {"WYXCONVERTDEFORMINGNULLTOJOINT", QueryCheckBox(controls.deformingNulls, settings.deformingNulls)},
        {"WYXREPLACENULLBYPIVOTS", QueryCheckBox(controls.nullsToPivots, settings.nullsToPivots)},
        {"WYXFRAMERATEFIELD", QueryDouble("floatField -q -v " + QuotedScriptText(controls.frameRate), settings.frameRate)},
        {"WYXEXPORTHARDEDGES", QueryCheckBox(controls.hardEdges, settings.hardEdges)},
        {"WYXIMPORTPROTECTDRIVENKEYS", QueryCheckBox(controls.protectDrivenKeys, settings.protectDrivenKeys)},
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
    options.SetImportMode(settings.importMode);
    options.SetBoolOption(kImportForceWeightNormalize, settings.forceWeightNormalize);
    options.SetBoolOption(kImportDeformNullsAsJoints, settings.deformingNulls);
    // Merging keeps the file's pivot nodes as rotate axis and joint orient.
    options.SetBoolOption(kImportNullsToPivot,
                          settings.importMode != WyxPluginOptions::kCreate || settings.nullsToPivots);
    StoreDialogSamplingRate(options, settings.frameRate, "WYXImport");
    options.SetBoolOption(kImportHardEdges, settings.hardEdges);
    options.SetBoolOption(kProtectDrivenKeys, settings.protectDrivenKeys);
}

VStatus ImportFailed(const VStatus& status) {
    const VString reason = status.errorString();
    return WyxVexaCommand::Fail("WYXImport error: " + reason);
}

}  // namespace

VStatus ImportTake(int takeIndex) {
    WyxVexaImportSession* session = CachedImportSession();
    if (session == nullptr || session->GetImporter() == nullptr) {
        return VStatus(VStatus::kFailure, "No WYX file to import.");
    }
    RWyxFileImporter& importer = *session->GetImporter();
    VString detail;
    if (takeIndex >= 0) {
        for (int i = 0; i < importer.GetTakeCount(); ++i) importer.GetTakeInfo(i)->selected = i == takeIndex;
        const RWyxTakeInfo* take = importer.GetTakeInfo(takeIndex);
        session->SetTakeName(take != nullptr ? take->name.Buffer() : "");
        detail = VString("Importing take ") + session->GetTakeName().Buffer();
    } else {
        importer.SetStreamFlag(kTakesStreamFlag, false);
    }
    ResetProgress(Options().GetBoolOption(kImportShowUI), kWindow);
    ShowProgressDetail(detail);
    const VStatus status = session->Import();
    // The scene notes which take it holds, as the take list of the dialog names it.
    const VString take = takeIndex >= 0 ? VString(session->GetTakeName().Buffer()) : VString(kNoAnimation);
    if (status) RunScript(VString("fileInfo \"") + kImportedTakeInfo + "\" " + QuotedScriptText(take));
    ReleaseCachedImportSession();
    return status;
}

VStatus ShowImportDialog(const VString& fileName) {
    WyxVexaImportSession* session = CachedImportSession();
    if (session == nullptr || session->GetImporter() == nullptr) {
        return VStatus(VStatus::kFailure, "No WYX file to import.");
    }
    // Cancel only hides the window: a window left from another file goes before the new one.
    if (WindowExists(kWindow)) RunScript("deleteUI WYXIMPORTWINDOW");
    BuildImportWindow(fileName, *session->GetImporter());
    return VStatus();
}

VStatus ImportCommand::Run(const VArgList& args) {
    const ImportArguments read = ReadArguments(args);
    if (read.fromDialog) {
        // The session ends with every import: a window left over from one that ran, or from
        // another file, imports nothing.
        WyxVexaImportSession* session = CachedImportSession();
        if (session == nullptr || read.fileName != CachedImportFileName()) {
            return Fail("WYXImport error: No WYX file to import. Open it with WYXImport -f first.");
        }
        RunScript("text -e -label \"Importing...\" WYXVEXASTATUS");
        DialogSettings settings;
        VString failed;
        if (!ReadDialog(settings, failed)) {
            return Fail("WYXImport error: cannot read " + failed + " of the import window; nothing was imported.");
        }
        if (settings.takeIndex >= session->GetImporter()->GetTakeCount()) {
            return Fail("WYXImport error: take not found.");
        }
        StoreDialogSettings(settings);
        const VStatus status = ImportTake(settings.takeIndex);
        if (WindowExists(kWindow)) RunScript("deleteUI WYXIMPORTWINDOW");
        StoreOptionsOrWarn("WYXImport");
        return status ? Succeed() : ImportFailed(status);
    }

    if (read.fileName.length() == 0) {
        ReleaseCachedImportSession();
        return Fail(kUsage);
    }
    if (!read.takeIsNumber) {
        return Fail("WYXImport error: take index \"" + read.takeText + "\" is not a whole number.");
    }
    if (CachedImportSession() != nullptr && read.fileName != CachedImportFileName()) ReleaseCachedImportSession();
    if (CachedImportSession() == nullptr) {
        WyxVexaImportSession& session = CacheNewImportSession();
        SetCachedImportFileName(read.fileName);
        const VStatus opened = session.Open(read.fileName);
        if (!opened) {
            ReleaseCachedImportSession();
            displayError(opened == VStatus::kNotFound ? FileNotFoundMessage(read.fileName)
                                                      : "WYXImport error: " + opened.errorString());
            return opened;
        }
    }
    const int takes = CachedImportSession()->GetImporter()->GetTakeCount();
    if (read.takeIndex >= takes) {
        displayError("WYXImport error: take not found.");
        return VStatus(VStatus::kNotFound, "take not found.");
    }
    const int takeIndex = read.takeIndex >= 0 ? read.takeIndex : (takes > 0 ? 0 : -1);
    if (Options().GetBoolOption(kImportShowUI)) return ShowImportDialog(read.fileName);
    const VStatus status = ImportTake(takeIndex);
    return status ? Succeed() : ImportFailed(status);
}
