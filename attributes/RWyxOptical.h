#ifndef WYX_ATTRIBUTES_RWYXOPTICAL_H
#define WYX_ATTRIBUTES_RWYXOPTICAL_H

// The optical attribute of a node: the reference of a set of optical markers. Made by the object
// factory and destroyed through it. Completed by the node-attribute work: for now it answers its
// type id and type name.

#include "scene/RWyxNodeAttribute.h"

class RWyxOptical : public RWyxNodeAttribute {
public:
    explicit RWyxOptical(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kOptical; }
    RString GetTypeName() const override { return RString("Optical"); }
};

#endif
