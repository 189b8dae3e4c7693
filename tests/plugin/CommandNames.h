#ifndef WYX_TESTS_PLUGIN_COMMANDNAMES_H
#define WYX_TESTS_PLUGIN_COMMANDNAMES_H

// The plug-in's 26 commands in the order the host must see them registered.

const char* const kExpectedCommands[26] = {
    "WYXImport", "WYXExport", "WYXBatchDialog", "WYXSetUserParams", "WYXImportShowUI", "WYXImportMode",
    "WYXImportMerge", "WYXImportMergeAnimationOnly", "WYXImportMergeBackNullPivots",
    "WYXImportConvertDeformingNullsToJoint", "WYXImportHardEdges", "WYXImportProtectDrivenKeys", "WYXExportShowUI",
    "WYXExportApplyConstantKeyReducer", "WYXExportReplacePivotsByNulls", "WYXResamplingRate",
    "WYXExportEmbeddedTextures", "WYXExportConvert2Tif", "WYXExportHardEdges", "WYXRead", "WYXGetTakeCount",
    "WYXGetTakeIndex", "WYXGetTakeName", "WYXGetTakeComment", "WYXGetTakeLocalTimeSpan",
    "WYXGetTakeReferenceTimeSpan"};

#endif
