#ifndef WYX_ATTRIBUTES_RWYXMESH_H
#define WYX_ATTRIBUTES_RWYXMESH_H

// The polygon-mesh geometry of a node. Made by the object factory and destroyed through it.
// Completed by the node-attribute work: for now it answers its type id and type name.

#include "attributes/RWyxGeometry.h"

class RWyxMesh : public RWyxGeometry {
public:
    explicit RWyxMesh(RWyxObjectFactory* factory) : RWyxGeometry(factory) {}

    int GetAttributeType() const override { return kMesh; }
    RString GetTypeName() const override { return RString("Mesh"); }
};

#endif
