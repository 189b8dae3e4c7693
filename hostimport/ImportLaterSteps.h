#ifndef WYX_HOSTIMPORT_IMPORTLATERSTEPS_H
#define WYX_HOSTIMPORT_IMPORTLATERSTEPS_H

// The steps of the import that this build does not carry out yet. Each is called from its
// place in the import (WyxVexaImportSession::Import, the node passes and the node creation)
// and does nothing, so that the order of the import is whole and each step can be filled in
// where it stands:
//
//   RegisterImageHandlers         texture images in the host's formats, before the file is read
//   CheckNonUniformScale          the transform checks after the root conversion
//   CheckPrePostRotationKeys        (legacy pivot files only)
//   SplitPrePostNodes             pre- and post-rotation helper nodes folded into their nodes
//   WeldHardEdges                 hard edges welded when the option asks
//   ResampleRotation              rotation space prepared before the pivot-set conversion
//   TransferUserProperties        user properties of a node onto its new host transform
//   ImportVertexColors            a new mesh's vertex colours
//   ImportMaterials               materials, textures and shading groups of a subtree
//   ImportNodeAnimation           transforms, visibility, user-property values and blend
//                                 shapes of a subtree, with their animation
//   GetTransformMatrix,           the bind-pose pass: host transforms read and written as
//   SetTransformFromMatrix,       matrices, pre- and post-rotation taken out of a matrix
//   RemovePrePostRotation
//   ImportDeformations            skins and clusters of a subtree
//   CreateHostCharacters          the scene's characters through the host's rig commands

#include "core/RMatrix.h"

#include <vexa/VObject.h>
#include <vexa/VStatus.h>

#include <vector>

class RWyxMesh;
class RWyxNode;
class RWyxScene;
class VDagPath;
class VFnMesh;
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
// `hostPolygonOf` gives the host polygon of each SDK polygon (-1 for one the host mesh lacks).
void ImportVertexColors(WyxVexaImportSession& session, VFnMesh& mesh, const RWyxMesh& source,
                        const std::vector<int>& hostPolygonOf);

void ImportMaterials(WyxVexaImportSession& session, RWyxNode* node);
void ImportNodeAnimation(WyxVexaImportSession& session, RWyxNode* node);

// The host transform of the path as a matrix; `matrix` is left as it was for now.
VStatus GetTransformMatrix(const VDagPath& path, RMatrix& matrix);
VStatus SetTransformFromMatrix(const VDagPath& path, const RMatrix& matrix);
void RemovePrePostRotation(const VexaNode& node, RMatrix& matrix);

void ImportDeformations(WyxVexaImportSession& session, RWyxNode* node);

// False when the host has no character commands (for now: always).
bool CreateHostCharacters(RWyxScene* scene);

#endif
