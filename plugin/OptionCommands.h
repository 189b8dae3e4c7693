#ifndef WYX_PLUGIN_OPTIONCOMMANDS_H
#define WYX_PLUGIN_OPTIONCOMMANDS_H

// The commands that set one option each, and the two obsolete ones.
//
//   WYXImportShowUI -v true|false (and the other boolean setters of kBoolOptionCommands)
//   WYXImportMode -v exmerge | add | merge      (the word in any case)
//   WYXResamplingRate -v float                  (both sampling rates)
//   WYXImportMerge, WYXImportMergeAnimationOnly (obsolete: always fail)
//   WYXExportReplacePivotsByNulls               (changes nothing, succeeds)
//
// The flag is "-v" or "-value", exactly. A value the host cannot read as the option's kind
// is a usage error, as is a rate outside the options' bounds: the option is left alone.
// A value taken is set and written to the registry at once. When the registry cannot keep it
// (none can be found, or its file cannot be written), the value stays set while the host runs,
// the command succeeds all the same, and a warning "<command>: set for this session but not
// stored: <the store's reason>" says so, once a run for each reason.

#include "plugin/WyxVexaCommand.h"

#include <vector>

struct BoolOptionSetter {
    const char* name;
    int option;
};

// The boolean setters, in registration order.
extern const BoolOptionSetter kBoolOptionCommands[10];

// Writes the option records (all of them when the list is empty) to the registry, for a
// command whose whole work is storing them (WYXSetUserParams). When the registry cannot keep
// them, shows "<command>: set for this session but not stored: <the store's reason>" as an
// error and answers kFailure; the records keep their values.
VStatus StoreOptionRecords(const char* command, const std::vector<int>& numbers);

// Writes every option record to the registry, as a dialog does once its work is done (the
// import or export) and the plug-in does when it is unloaded. When the registry cannot keep
// them, shows "<who>: the options were not stored: <the store's reason>" as a warning: the
// work itself succeeded, and the options hold for the session.
void StoreOptionsOrWarn(const char* who);

// Runs the boolean setter kBoolOptionCommands[index].
VStatus RunBoolOptionCommand(int index, const VArgList& args);

template <int Index>
class BoolOptionCommand : public WyxVexaCommand {
public:
    BoolOptionCommand() : WyxVexaCommand(kBoolOptionCommands[Index].name) {}

protected:
    VStatus Run(const VArgList& args) override { return RunBoolOptionCommand(Index, args); }
};

class ImportModeCommand : public WyxVexaCommand {
public:
    ImportModeCommand() : WyxVexaCommand("WYXImportMode") {}

protected:
    VStatus Run(const VArgList& args) override;
};

class ResamplingRateCommand : public WyxVexaCommand {
public:
    ResamplingRateCommand() : WyxVexaCommand("WYXResamplingRate") {}

protected:
    VStatus Run(const VArgList& args) override;
};

// WYXImportMerge and WYXImportMergeAnimationOnly: whatever the arguments, the obsolete
// message and a failure.
class ObsoleteMergeCommand : public WyxVexaCommand {
public:
    explicit ObsoleteMergeCommand(const char* name) : WyxVexaCommand(name) {}

protected:
    VStatus Run(const VArgList& args) override;
};

class ImportMergeCommand : public ObsoleteMergeCommand {
public:
    ImportMergeCommand() : ObsoleteMergeCommand("WYXImportMerge") {}
};

class ImportMergeAnimationOnlyCommand : public ObsoleteMergeCommand {
public:
    ImportMergeAnimationOnlyCommand() : ObsoleteMergeCommand("WYXImportMergeAnimationOnly") {}
};

class ExportReplacePivotsByNullsCommand : public WyxVexaCommand {
public:
    ExportReplacePivotsByNullsCommand() : WyxVexaCommand("WYXExportReplacePivotsByNulls") {}

protected:
    VStatus Run(const VArgList& args) override;
};

#endif
