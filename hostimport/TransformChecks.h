#ifndef WYX_HOSTIMPORT_TRANSFORMCHECKS_H
#define WYX_HOSTIMPORT_TRANSFORMCHECKS_H

// The checks the import runs over the SDK tree before host nodes exist. The host transform
// has no pre- or post-rotation per pivot set, no spherical rotation space and no rotation
// space for limits only, and it shears a child under a parent's non-uniform scale: the
// checks warn about what cannot be carried over (import log; a dialog with kImportShowUI),
// prepare pivot set 1 as the plain rotation space the pivot-set conversion resamples the
// rotation into, and weld meshes stored with separate points per polygon.

#include <vector>

class RFCurve;
class RWyxNode;
class WyxVexaImportSession;

// Warns about every node of the tree whose scale is not uniform and that has a child
// inheriting scale the "RrSs" way.
void CheckNonUniformScale(WyxVexaImportSession& session, RWyxNode* root);
// Sorts by name (byte-wise) and drops nodes of a name already listed.
void SortNodesByName(std::vector<RWyxNode*>& nodes);
// Warns about rotation keys on "__Pre_" nodes and any transform keys on "__Post_" nodes.
void CheckPrePostRotationKeys(WyxVexaImportSession& session, RWyxNode* node);
// Prepares pivot set 1 of every node of the subtree: the rotation space the host can hold,
// with the limits that survive the resampling into it. Lights and cameras without a target
// get the quarter turn that points the host's light or camera (down its -Z axis) where the
// file's one points (a light down its -Y axis, a camera down its +X axis).
void ResampleRotation(WyxVexaImportSession& session, RWyxNode* node);
// Welds the meshes of the subtree whose polygons share no control point.
void WeldHardEdges(WyxVexaImportSession& session, RWyxNode* node);
// True when some key of the curve has a weighted tangent side.
bool IsWeightedCurve(const RFCurve& curve);

#endif
