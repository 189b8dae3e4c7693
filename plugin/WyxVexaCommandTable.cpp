#include "plugin/WyxVexaCommandTable.h"

#include "plugin/BatchDialogCommands.h"
#include "plugin/ExportCommand.h"
#include "plugin/ImportCommand.h"
#include "plugin/OptionCommands.h"
#include "plugin/TakeQueryCommands.h"

namespace {

template <typename Command>
constexpr VFnPlugin::CommandCreator kCreate = &WyxVexaCommand::Create<Command>;

}  // namespace

const WyxVexaCommandEntry kWyxVexaCommands[kWyxVexaCommandCount] = {
    {"WYXImport", kCreate<ImportCommand>},
    {"WYXExport", kCreate<ExportCommand>},
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
    {"WYXRead", kCreate<ReadCommand>},
    {"WYXGetTakeCount", kCreate<TakeQueryCommand<0>>},
    {"WYXGetTakeIndex", kCreate<TakeQueryCommand<1>>},
    {"WYXGetTakeName", kCreate<TakeQueryCommand<2>>},
    {"WYXGetTakeComment", kCreate<TakeQueryCommand<3>>},
    {"WYXGetTakeLocalTimeSpan", kCreate<TakeQueryCommand<4>>},
    {"WYXGetTakeReferenceTimeSpan", kCreate<TakeQueryCommand<5>>},
};
