#include "plugin/WyxVexaCommandTable.h"

#include "plugin/BatchDialogCommands.h"
#include "plugin/OptionCommands.h"
#include "plugin/PendingCommands.h"

namespace {

template <typename Command>
constexpr VFnPlugin::CommandCreator kCreate = &WyxVexaCommand::Create<Command>;

}  // namespace

const WyxVexaCommandEntry kWyxVexaCommands[kWyxVexaCommandCount] = {
    {"WYXImport", kCreate<NamedPendingCommand<0>>},
    {"WYXExport", kCreate<NamedPendingCommand<1>>},
    {"WYXBatchDialog", kCreate<BatchDialogCommand>},
    {"WYXSetUserParams", kCreate<SetUserParamsCommand>},
    {"WYXImportShowUI", kCreate<BoolOptionCommand<0>>},
    {"WYXImportMode", kCreate<ImportModeCommand>},
    {"WYXImportMerge", kCreate<ImportMergeCommand>},
    {"WYXImportMergeAnimationOnly", kCreate<ImportMergeAnimationOnlyCommand>},
    {"WYXImportMergeBackNullPivots", kCreate<BoolOptionCommand<1>>},
    {"WYXImportConvertDeformingNullsToJoint", kCreate<BoolOptionCommand<2>>},
    {"WYXImportHardEdges", kCreate<BoolOptionCommand<3>>},
    {"WYXImportProtectDrivenKeys", kCreate<BoolOptionCommand<4>>},
    {"WYXExportShowUI", kCreate<BoolOptionCommand<5>>},
    {"WYXExportApplyConstantKeyReducer", kCreate<BoolOptionCommand<6>>},
    {"WYXExportReplacePivotsByNulls", kCreate<ExportReplacePivotsByNullsCommand>},
    {"WYXResamplingRate", kCreate<ResamplingRateCommand>},
    {"WYXExportEmbeddedTextures", kCreate<BoolOptionCommand<7>>},
    {"WYXExportConvert2Tif", kCreate<BoolOptionCommand<8>>},
    {"WYXExportHardEdges", kCreate<BoolOptionCommand<9>>},
    {"WYXRead", kCreate<NamedPendingCommand<2>>},
    {"WYXGetTakeCount", kCreate<NamedPendingCommand<3>>},
    {"WYXGetTakeIndex", kCreate<NamedPendingCommand<4>>},
    {"WYXGetTakeName", kCreate<NamedPendingCommand<5>>},
    {"WYXGetTakeComment", kCreate<NamedPendingCommand<6>>},
    {"WYXGetTakeLocalTimeSpan", kCreate<NamedPendingCommand<7>>},
    {"WYXGetTakeReferenceTimeSpan", kCreate<NamedPendingCommand<8>>},
};
