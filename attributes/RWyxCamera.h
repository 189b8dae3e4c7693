#ifndef WYX_ATTRIBUTES_RWYXCAMERA_H
#define WYX_ATTRIBUTES_RWYXCAMERA_H

// The camera attribute of a node. Made by the object factory and destroyed through it. Completed by
// the node-attribute work: for now it answers its type id and type name.

#include "scene/RWyxNodeAttribute.h"

class RWyxCamera : public RWyxNodeAttribute {
public:
    explicit RWyxCamera(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kCamera; }
    RString GetTypeName() const override { return RString("Camera"); }
};

#endif
