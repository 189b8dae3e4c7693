#ifndef WYX_HOSTEXPORT_EXPORTLATERSTEPS_H
#define WYX_HOSTEXPORT_EXPORTLATERSTEPS_H

// The steps of the export that this build does not carry out yet. Each is called from its
// place in the export (WyxVexaExportSession::Export and the DAG walk) and does nothing, so
// that the order of the export is whole and each step can be filled in where it stands.
//
// Steps of the export's second half:
//   GetHostVisibility             the visibility of a DAG node (answers visible for now)
//   ExportNodeAnimation           pivots, limits, rotation order, rest values and animation
//                                 of every node, lights and cameras with their channels
//   BakeOffsetTransforms          rotate axis and joint orient folded into the nodes' offsets
//   ExportClustersRecursive       clusters and their weights
//   ExportSkinClusters            skins with their links, weights and bind poses
//   ExportBlendShapesRecursive    blend-shape targets and their weight curves

#include <vexa/VStatus.h>

class RWyxNode;
class VDagPath;
class WyxVexaExportSession;

bool GetHostVisibility(const VDagPath& path);
// Success unless the pass failed (which fails the export).
VStatus ExportNodeAnimation(WyxVexaExportSession& session, RWyxNode* node);
int BakeOffsetTransforms(RWyxNode* node);
void ExportClustersRecursive(WyxVexaExportSession& session, RWyxNode* node);
void ExportSkinClusters(WyxVexaExportSession& session);
void ExportBlendShapesRecursive(WyxVexaExportSession& session, RWyxNode* node);

#endif
