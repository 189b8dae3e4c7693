#ifndef WYX_HOSTIMPORT_IMPORTLATERSTEPS_H
#define WYX_HOSTIMPORT_IMPORTLATERSTEPS_H

// The steps of the import that this build does not carry out yet. Each is called from its
// place in the import (WyxVexaImportSession::Import, the node passes and the node creation)
// and does nothing, so that the order of the import is whole and each step can be filled in
// where it stands:
//
//   RegisterImageHandlers         texture images in the host's formats, before the file is read
//   TransferUserProperties        user properties of a node onto its new host transform
//   ImportVertexColors            a new mesh's vertex colours
//   ImportMaterials               materials, textures and shading groups of a subtree
//   ImportBlendShapes             a geometry's blend shapes and their weights' animation (the
//                                 animation pass)
//   ImportUserPropertyValues      the values and animation of a node's user properties (the
//                                 animation pass)
//   IsDrivenPlug                  whether a plug's driven keys are protected (for now: never)
//   ImportDeformations            skins and clusters of a subtree
//   CreateHostCharacters          the scene's characters through the host's rig commands

#include <vexa/VObject.h>
#include <vexa/VStatus.h>

#include <vector>

class RWyxMesh;
class RWyxNode;
class RWyxScene;
class VFnMesh;
class VPlug;
class WyxVexaImportSession;

void RegisterImageHandlers(WyxVexaImportSession& session);

// `transform` is the host transform the node was bound to.
void TransferUserProperties(WyxVexaImportSession& session, RWyxNode& node, const VObject& transform);
// `hostPolygonOf` gives the host polygon of each SDK polygon (-1 for one the host mesh lacks).
void ImportVertexColors(WyxVexaImportSession& session, VFnMesh& mesh, const RWyxMesh& source,
                        const std::vector<int>& hostPolygonOf);

void ImportMaterials(WyxVexaImportSession& session, RWyxNode* node);

void ImportBlendShapes(WyxVexaImportSession& session, RWyxNode* node);
void ImportUserPropertyValues(WyxVexaImportSession& session, RWyxNode* node);
// True when the plug has drivers and driven keys are protected (for now: always false).
bool IsDrivenPlug(const VPlug& plug);

void ImportDeformations(WyxVexaImportSession& session, RWyxNode* node);

// False when the host has no character commands (for now: always).
bool CreateHostCharacters(RWyxScene* scene);

#endif
