#ifndef WYX_ATTRIBUTES_RWYXCHARACTERLINK_H
#define WYX_ATTRIBUTES_RWYXCHARACTERLINK_H

// One link of a character: the scene node that plays the slot (not owned; may be none), the
// name the link carries in files, and the translation, rotation (degrees) and scaling offsets
// of the node in the slot, with one integer files carry along.

#include "core/RString.h"
#include "core/RVector4.h"

class RWyxNode;

struct RWyxCharacterLink {
    // No node, no name, offsets (0, 0, 0), (0, 0, 0), (1, 1, 1), value 0.
    void Reset() { *this = RWyxCharacterLink(); }

    RWyxNode* node = nullptr;
    RString name;
    RVector4 translationOffset;
    RVector4 rotationOffset;
    RVector4 scalingOffset{1.0, 1.0, 1.0, 0.0};
    int value = 0;
};

#endif
