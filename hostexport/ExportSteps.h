#ifndef WYX_HOSTEXPORT_EXPORTSTEPS_H
#define WYX_HOSTEXPORT_EXPORTSTEPS_H

// The steps of the export that the session's main runs, each built in its own source (the
// pre- and post-rotation nodes are made by hostimport/PrePostRotationNodes.h, the host's
// characters read through plugin/HostCharacterRig.h):
//
//   GetHostVisibility             the visibility of a DAG node and the transform above it
//   ExportNodeAnimation           pivots, limits, rotation order, rest values and animation
//                                 of every node, lights and cameras with their channels
//                                 (WyxVexaExportSessionAnimation.cpp)
//   BakeOffsetTransforms          rotate axis and joint orient folded into the nodes' offsets
//                                 (RotationBaking.cpp)
//   ExportClustersRecursive       clusters and their weights (ClusterExport.cpp)
//   ExportSkinClusters            skins with their links, weights and bind poses (SkinExport.cpp)
//   ExportBlendShapesRecursive    blend-shape targets and their weight curves
//                                 (BlendShapeExport.cpp)
//
// The passes over the node tree walk it with plugin/NodeTreeWalk.h: the animation pass takes
// each node before its children and the children first to last, the baking, cluster and
// blend-shape passes each node before its children and the children last to first.

#include <vexa/VStatus.h>

class RWyxNode;
class VDagPath;
class WyxVexaExportSession;

bool GetHostVisibility(const VDagPath& path);
// Success unless the pass failed (which fails the export).
VStatus ExportNodeAnimation(WyxVexaExportSession& session, RWyxNode* node);
// Answers 0 (as it always has: no node reports a failure).
int BakeOffsetTransforms(RWyxNode* node);
void ExportClustersRecursive(WyxVexaExportSession& session, RWyxNode* node);
void ExportSkinClusters(WyxVexaExportSession& session);
void ExportBlendShapesRecursive(WyxVexaExportSession& session, RWyxNode* node);

#endif
