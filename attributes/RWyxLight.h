#ifndef WYX_ATTRIBUTES_RWYXLIGHT_H
#define WYX_ATTRIBUTES_RWYXLIGHT_H

// The light attribute of a node (point, infinite or spot light, with an optional gobo). Made by the
// object factory and destroyed through it. Completed by the node-attribute work: for now it answers
// its type id and type name.

#include "scene/RWyxNodeAttribute.h"

class RWyxLight : public RWyxNodeAttribute {
public:
    explicit RWyxLight(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kLight; }
    RString GetTypeName() const override { return RString("Light"); }
};

#endif
