#ifndef WYX_HOSTEXPORT_DEFORMEREXPORTSUPPORT_H
#define WYX_HOSTEXPORT_DEFORMEREXPORTSUPPORT_H

// What the deformer passes share: host matrices as SDK matrices (both row-vector, row by row),
// a node's current global transform, and the node exported for a host transform or shape.

#include "core/RMatrix.h"

#include <vexa/VMatrix.h>

class RWyxNode;
class VDagPath;
class VPlug;
class WyxVexaExportSession;

RMatrix MatrixFromHost(const VMatrix& values);
// The 16 numbers "getAttr" gives of a matrix plug, row by row; false (the matrix as it was) when
// the command fails or gives fewer.
bool ReadMatrixByScript(const VPlug& plug, RMatrix& matrix);
// The node's pivot global transform of set 0; the identity when it has none.
RMatrix GlobalTransformOf(RWyxNode& node);
// The node made for the path's transform, or for the transform above a shape path; null when
// none was exported.
RWyxNode* FindNodeForDagPath(const WyxVexaExportSession& session, const VDagPath& path);

#endif
