#ifndef WYX_PLUGIN_HOSTNODETAG_H
#define WYX_PLUGIN_HOSTNODETAG_H

// The type tag an imported host node carries, so that a later export knows what SDK type it
// came from: a hidden, storable, not connectable integer attribute "lumtraxTypeID" (short name
// "wyxID", default 0) added to the node once.

#include <vexa/VObject.h>

// Adds the attribute when the node has none, then sets it to the id. Failures are printed
// with PrintStatusError and end the call.
void LVSetLumtraxID(const VObject& node, int id);
// The node's tag; 0 when the node cannot be opened or carries no tag.
int LVGetLumtraxID(const VObject& node);
// True for the name the export writes the tag under among a node's user properties (the
// tag's short name), so that an import gives the tag back instead of a user attribute.
bool IsLumtraxIDName(const char* name);

#endif
