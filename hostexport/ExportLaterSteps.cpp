#include "hostexport/ExportLaterSteps.h"

bool GetHostVisibility(const VDagPath&) { return true; }

VStatus ExportNodeAnimation(WyxVexaExportSession&, RWyxNode*) { return VStatus(); }

int BakeOffsetTransforms(RWyxNode*) { return 0; }

void ExportClustersRecursive(WyxVexaExportSession&, RWyxNode*) {}

void ExportSkinClusters(WyxVexaExportSession&) {}

void ExportBlendShapesRecursive(WyxVexaExportSession&, RWyxNode*) {}
