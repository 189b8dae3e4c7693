#ifndef WYX_HOSTIMPORT_MATRIXPLUGS_H
#define WYX_HOSTIMPORT_MATRIXPLUGS_H

// Whole transforms between the SDK's 4x4 matrices and the host: a host transform set from a
// matrix and read back as one, a node's pre- and post-rotation taken out of a matrix, the
// bind-pose world matrix of a host node (its own "bindPose" attribute or its dag pose's
// member), a matrix attribute written by script, and the plug look-ups the import shares.
//
// Matrices are row-vector matrices (RMatrix); the host's are laid out the same, row by row.
// Transforms are read and written in transform space; pivots are left alone.

#include "core/RMatrix.h"

#include <vexa/VObject.h>
#include <vexa/VPlug.h>
#include <vexa/VStatus.h>
#include <vexa/VString.h>

class RWyxNode;
class VDagPath;
class VFnDependencyNode;
class VFnTransform;

// The matrix's rotation (its scale taken out) as the rotation quaternion, its translation and
// its scaling (row lengths, all negated for a mirrored matrix). Every step runs; a failed one
// is printed and the first failure answered.
VStatus SetTransformFromMatrix(VFnTransform& transform, const RMatrix& matrix);
// The transform's translation, rotation quaternion and scale as one matrix; a failed read is
// printed, answered, and leaves its part at the identity's.
VStatus GetTransformMatrix(const VFnTransform& transform, RMatrix& matrix);
// The same on the transform of a DAG path (kInvalidParameter when it is none).
VStatus SetTransformFromMatrix(const VDagPath& path, const RMatrix& matrix);
VStatus GetTransformMatrix(const VDagPath& path, RMatrix& matrix);

// The rotation the host's own rotation plugs must hold so that the node's host transform
// turns as the matrix does: the matrix's rotation without what the host applies around the
// rotation plugs, its rotate axis before them and its joint orient after them (read from the
// node's host node; a node without one takes its pivot set 0's post- and pre-rotation for
// them). Translation and scaling are kept; the matrix is rebuilt from them and the rotation.
void RemovePrePostRotation(const RWyxNode& node, RMatrix& matrix);

// The node's bind-pose world matrix: its host node's own "bindPose" attribute, or else the
// "worldMatrix" element of the bind pose that holds it as a member. False when the node has
// no host node, no bind pose holds it, or the host's answer is not 16 numbers.
bool GetBindPoseMatrix(const RWyxNode& node, double matrix[16]);
// The index of the node among the "members" of the first dag pose connected to it (with
// bindPoseOnly, only a pose whose "bindPose" is on), the pose in `pose`; -1 when none.
int FindPoseMemberIndex(const VObject& node, bool bindPoseOnly, VObject& pose);

// The plug of the attribute on the node's host node; kNotFound without a host node or such an
// attribute.
VStatus FindNodePlug(VPlug& plug, const RWyxNode& node, const char* attribute);
VStatus FindDagPathPlug(VPlug& plug, const VDagPath& path, const char* attribute);
// The full DAG path name of the plug's node, "." and the attribute's long name (elements with
// their index); the plug's info text for a node that is not in the DAG.
VStatus GetPlugPathName(const VPlug& plug, VString& name);
// "setAttr <plug> -type "matrix" <16 numbers>" of the plug.
VStatus SetPlugMatrix(const VPlug& plug, const double matrix[16]);
// False, "Plug not found : <name>" printed, when the node has no such attribute.
bool FindPlugOrReport(const VFnDependencyNode& node, const char* attribute, VPlug& plug);

#endif
