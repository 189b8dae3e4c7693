#ifndef WYX_ATTRIBUTES_RWYXNULL_H
#define WYX_ATTRIBUTES_RWYXNULL_H

// The attribute of a null node: a node that only places its children. Made by the object factory
// and destroyed through it. Completed by the node-attribute work: for now it answers its type id
// and type name.

#include "scene/RWyxNodeAttribute.h"

class RWyxNull : public RWyxNodeAttribute {
public:
    explicit RWyxNull(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kNull; }
    RString GetTypeName() const override { return RString("Null"); }
};

#endif
