#ifndef WYX_ATTRIBUTES_RWYXNURB_H
#define WYX_ATTRIBUTES_RWYXNURB_H

// The NURBS-surface geometry of a node. Made by the object factory and destroyed through it.
// Completed by the node-attribute work: for now it answers its type id and type name.

#include "attributes/RWyxGeometry.h"

class RWyxNurb : public RWyxGeometry {
public:
    explicit RWyxNurb(RWyxObjectFactory* factory) : RWyxGeometry(factory) {}

    int GetAttributeType() const override { return kNurb; }
    RString GetTypeName() const override { return RString("Nurb"); }
};

#endif
