#ifndef WYX_HOSTIMPORT_IMPORTLATERSTEPS_H
#define WYX_HOSTIMPORT_IMPORTLATERSTEPS_H

// Steps of the import that are free functions over the session, called from their places in
// the import (WyxVexaImportSession::Import, the node creation and the curve import):
//
//   RegisterImageHandlers         texture images in the host's formats, before the file is read
//   TransferUserProperties        user properties of a node onto its new host transform
//   IsDrivenPlug                  whether driven keys drive a plug the curve import would write
//
// The last two live in WyxVexaImportSessionValues.cpp and UserAttributes.h. The transform
// checks are in TransformChecks.h, the pre- and post-rotation nodes in PrePostRotationNodes.h,
// the matrix plugs in MatrixPlugs.h; materials, vertex colours, deformations and the animation
// are the session's own phases; characters are made through the host's rig commands
// (plugin/HostCharacterRig.h).

#include <vexa/VObject.h>

class RWyxNode;
class VPlug;
class WyxVexaImportSession;

void RegisterImageHandlers(WyxVexaImportSession& session);

// `transform` is the host transform the node was bound to.
void TransferUserProperties(WyxVexaImportSession& session, RWyxNode& node, const VObject& transform);
// True when kProtectDrivenKeys is on and the host names a driver of the plug.
bool IsDrivenPlug(const VPlug& plug);

#endif
