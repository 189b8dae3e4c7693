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

#include "scene/RWyxNode.h"

#include <vexa/VStatus.h>

#include <vector>

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

// Visits the node, then the subtree of each child from the last child to the first, each child
// read when the walk reaches it (as a recursive walk reads it). The walk keeps a stack of its
// own: a hierarchy of any depth leaves the thread's stack alone.
template <typename Visit>
void VisitLastChildFirst(RWyxNode* node, const Visit& visit) {
    struct Pending {
        RWyxNode* node;
        int next;  // the child to go down to next, counting down
    };
    std::vector<Pending> pending;
    const auto enter = [&pending, &visit](RWyxNode* entered) {
        if (entered == nullptr) return;
        visit(*entered);
        pending.push_back({entered, entered->GetChildCount() - 1});
    };
    enter(node);
    while (!pending.empty()) {
        if (pending.back().next < 0) {
            pending.pop_back();
            continue;
        }
        RWyxNode* parent = pending.back().node;
        enter(parent->GetChild(pending.back().next--));
    }
}

#endif
