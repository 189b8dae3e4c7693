#ifndef WYX_HOSTIMPORT_MERGEBINDING_H
#define WYX_HOSTIMPORT_MERGEBINDING_H

// Merge binding: the file's nodes that have a host node already are bound to it, so that the
// merge modes give existing host nodes the file's content instead of making new ones.
//
// WalkCamerasAndLights visits every host DAG path. A host node "ns:arm" (namespace before the
// first ":") binds the file's node named "arm" whose namespace is "ns" (none for none) and
// whose ancestors, up to the scene's root, have the names of the host node's ancestors (their
// namespaces left out); of several such nodes the first found. A bound node keeps the host's
// path, is marked merged, takes the host camera or light shape when it is one, and records
// which host attributes its user properties map to (BindCustomAttributes). An inserted root
// (RWyxRootNodeUtility::IsRootNode) binds only when one of its children has the name of one
// of the host node's children.
//
// ReinsertRootNode, after the walk: the root matrix the root conversion kept is put back as a
// node with the root name above the scene's top nodes that are to be converted; a bound
// inserted root gets the root matrix baked into its animation instead.

#include <vexa/VDagPath.h>
#include <vexa/VFn.h>
#include <vexa/VObject.h>
#include <vexa/VStatus.h>

struct VexaMergeBinding;
class RWyxNode;
class RWyxUserProperty;
class WyxVexaImportSession;

// The walk; `status` is success.
void WalkCamerasAndLights(VexaMergeBinding& binding, VStatus& status, RWyxNode* root, VFn::Type filter);

// True for an inserted root none of whose children has the name of a child of the host path.
bool IsUnmatchedReferenceRoot(const VDagPath& path, RWyxNode* node, const WyxVexaImportSession& session);

// True when a host path to the path's node has the length of the node's chain of ancestors
// below the scene's root and, level by level, names equal to theirs (host namespaces left out).
bool PathMatchesHierarchy(const RWyxNode* node, const VDagPath& path);

// Over the node's user properties: the host attribute of the property's name (blanks as "_"),
// or else of that name followed by 1 to 9, that exists on the node's host transform with a
// fitting type is recorded in the node's attribute-name map.
void BindCustomAttributes(RWyxNode* node);

// Booleans fit boolean properties, the integer types integer properties, the floating-point
// types real properties.
bool IsCompatibleAttribute(const RWyxUserProperty& property, const VObject& attribute);

void ReinsertRootNode(WyxVexaImportSession& session, RWyxNode* root);

#endif
