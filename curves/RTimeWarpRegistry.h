#ifndef WYX_CURVES_RTIMEWARPREGISTRY_H
#define WYX_CURVES_RTIMEWARPREGISTRY_H

// The process-wide list of time-warp curve nodes of the file being read or written, keyed
// by their integer id. The list belongs to the file reader or writer, which sets it before
// it reads or writes curve nodes and clears it (null) afterwards; the curve-node field
// records resolve "TimeWarpID" through it in both directions. The registry holds no
// reference on the nodes.

#include "core/RIntMap.h"

class RFCurveNode;

// Stores the list pointer (null: no list).
void SetTimeWarpList(RIntMap* list);
RIntMap* GetTimeWarpList();

// Puts a time-warp node into a list under an id (duplicates: the first added is found).
// Answers 0, or -1 for a null node or when the list cannot grow.
int AddTimeWarpToList(RIntMap& list, int id, RFCurveNode* node);

// The node stored under the id; null with no list, an empty list or an absent id.
RFCurveNode* FindTimeWarp(int id);
// True and the node's id (the first in key order when it is stored more than once) when the
// node is in the list; false for a null node, no list, an empty list or a node not in it (id
// unchanged).
bool FindTimeWarpId(const RFCurveNode* node, int& id);

#endif
