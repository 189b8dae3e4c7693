#ifndef WYX_HOSTIMPORT_IMPORTLATERSTEPS_H
#define WYX_HOSTIMPORT_IMPORTLATERSTEPS_H

// The steps of the import, one function each, called from their places in the import
// (WyxVexaImportSession::Import, the node passes and the node creation), so that the order of
// the import is whole and each step is filled in where it stands. Those this build does not
// carry out yet do nothing:
//
//   RegisterImageHandlers         texture images in the host's formats, before the file is read
//   CheckNonUniformScale          the transform checks after the root conversion
//   CheckPrePostRotationKeys        (legacy pivot files only)
//   SplitPrePostNodes             pre- and post-rotation helper nodes folded into their nodes
//   WeldHardEdges                 hard edges welded when the option asks
//   ResampleRotation              rotation space prepared before the pivot-set conversion
//   ImportNodeAnimation           transforms and visibility of a subtree with their animation;
//                                 for now only each node's blend shapes and user-property values
//   GetTransformMatrix,           the bind-pose pass: host transforms read and written as
//   SetTransformFromMatrix,       matrices, pre- and post-rotation taken out of a matrix
//   RemovePrePostRotation
//   ImportAttributeCurve,         a curve of the file onto a host attribute or plug, and its
//   ImportPlugCurve,              keys into a host curve (the user-property values and the
//   TransferCurveKeys             blend-shape weights hand their curves to them)
//
// Carried out (WyxVexaImportSessionValues.cpp, UserAttributes.h):
//
//   TransferUserProperties        user properties of a node onto its new host transform
//   ImportUserPropertyValues,     user-property values and blend shapes of a node (the
//   ImportBlendShapes             animation pass calls them)
//   IsDrivenPlug                  whether driven keys drive a plug the curve import would write
//
// Materials, vertex colours and deformations are the session's own phases
// (WyxVexaImportSession::ImportMaterials, ImportVertexColors, ImportDeformations); characters
// are made through the host's rig commands (plugin/HostCharacterRig.h).

#include "core/RMatrix.h"

#include <vexa/VObject.h>
#include <vexa/VStatus.h>

#include <vector>

class RFCurve;
class RWyxNode;
class VDagPath;
class VFnAnimCurve;
class VFnDependencyNode;
class VPlug;
class VexaNode;
class VexaObjectFactory;
class WyxVexaImportSession;

void RegisterImageHandlers(WyxVexaImportSession& session);

void CheckNonUniformScale(WyxVexaImportSession& session, RWyxNode* root);
void CheckPrePostRotationKeys(WyxVexaImportSession& session, RWyxNode* root);
// direction 0: helper nodes into their nodes (import).
void SplitPrePostNodes(RWyxNode* root, int direction, VexaObjectFactory& factory);
void WeldHardEdges(WyxVexaImportSession& session, RWyxNode* root);
void ResampleRotation(WyxVexaImportSession& session, RWyxNode* root);

// `transform` is the host transform the node was bound to.
void TransferUserProperties(WyxVexaImportSession& session, RWyxNode& node, const VObject& transform);
void ImportNodeAnimation(WyxVexaImportSession& session, RWyxNode* node);

// The host transform of the path as a matrix; `matrix` is left as it was for now.
VStatus GetTransformMatrix(const VDagPath& path, RMatrix& matrix);
VStatus SetTransformFromMatrix(const VDagPath& path, const RMatrix& matrix);
void RemovePrePostRotation(const VexaNode& node, RMatrix& matrix);

void ImportUserPropertyValues(WyxVexaImportSession& session, RWyxNode* node);
void ImportBlendShapes(WyxVexaImportSession& session, RWyxNode* node);
// True when kProtectDrivenKeys is on and the host names a driver of the plug.
bool IsDrivenPlug(const VPlug& plug);

// The curve of the file onto the node's attribute, or onto the plug: values divided by `a`,
// slopes by `a` and `b`; `curveType` is the host curve type a new curve gets. The keys of the
// file's curve into a host curve that `curveStatus` says was opened or made.
VStatus ImportAttributeCurve(WyxVexaImportSession& session, VFnDependencyNode& node, const char* attribute,
                             RFCurve* curve, int curveType, double a, double b);
VStatus ImportPlugCurve(WyxVexaImportSession& session, VPlug& plug, RFCurve* curve, int curveType, double a, double b);
VStatus TransferCurveKeys(WyxVexaImportSession& session, VFnAnimCurve& hostCurve, const RFCurve& curve, double a,
                          double b, const VStatus& curveStatus);

#endif
