#ifndef WYX_HOSTEXPORT_EXPORTLATERSTEPS_H
#define WYX_HOSTEXPORT_EXPORTLATERSTEPS_H

// The steps of the export that the session's main runs, each built in its own source:
//
//   MergePrePostNodes             pre- and post-rotation helper nodes made again from the
//                                 rotate axis and joint orient (the reverse of the import's
//                                 SplitPrePostNodes); not carried out yet
//   ReadHostCharacters            the host's characters through its rig commands; not carried
//                                 out yet
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

#include <vexa/VStatus.h>

class RWyxNode;
class RWyxScene;
class VDagPath;
class VexaObjectFactory;
class WyxVexaExportSession;

// True when a pre or a post node was made for the node.
bool MergePrePostNodes(RWyxNode* node, int argument, VexaObjectFactory& factory);
// False when the host has no character commands.
bool ReadHostCharacters(RWyxScene* scene);

bool GetHostVisibility(const VDagPath& path);
// Success unless the pass failed (which fails the export).
VStatus ExportNodeAnimation(WyxVexaExportSession& session, RWyxNode* node);
int BakeOffsetTransforms(RWyxNode* node);
void ExportClustersRecursive(WyxVexaExportSession& session, RWyxNode* node);
void ExportSkinClusters(WyxVexaExportSession& session);
void ExportBlendShapesRecursive(WyxVexaExportSession& session, RWyxNode* node);

#endif
