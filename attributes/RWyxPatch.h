#ifndef WYX_ATTRIBUTES_RWYXPATCH_H
#define WYX_ATTRIBUTES_RWYXPATCH_H

// The patch-surface geometry of a node. Made by the object factory and destroyed through it.
// Completed by the node-attribute work: for now it answers its type id and type name.

#include "attributes/RWyxGeometry.h"

class RWyxPatch : public RWyxGeometry {
public:
    explicit RWyxPatch(RWyxObjectFactory* factory) : RWyxGeometry(factory) {}

    int GetAttributeType() const override { return kPatch; }
    RString GetTypeName() const override { return RString("Patch"); }
};

#endif
