#ifndef WYX_HOSTIMPORT_PREPOSTROTATIONNODES_H
#define WYX_HOSTIMPORT_PREPOSTROTATIONNODES_H

// Pre- and post-rotation helper nodes. Older files and hosts without per-node pre- and
// post-rotation give a node's pre-rotation to an extra parent named "<node>__Pre_" and its
// post-rotation to an extra child named "<node>__Post_". The import folds such helpers back
// into the node they belong to; the export makes them for nodes whose pre- or post-rotation is
// not zero. Helpers leave the tree but stay with the factory, which destroys them with the
// scene.

class RWyxNode;
class VexaObjectFactory;

// Import: below the node, every "__Pre_" parent gives its translation (with its curves in
// every take) and its rotation, as pre-rotation, to its node, and every "__Post_" child gives
// its rotation, as post-rotation, and its children to its node. A pre node that holds other
// nodes besides its node stays, with them; a helper without children stays as it is.
// `direction` takes no part.
void SplitPrePostNodes(RWyxNode* node, int direction, VexaObjectFactory& factory);

// Export: a pre node takes the node's place, translation and pre-rotation, a post node its
// children and post-rotation; then every child in turn. True when a helper was made for this
// node. `argument` takes no part.
bool MergePrePostNodes(RWyxNode* node, int argument, VexaObjectFactory& factory);

#endif
