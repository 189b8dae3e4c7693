#ifndef WYX_ATTRIBUTES_RWYXSKELETON_H
#define WYX_ATTRIBUTES_RWYXSKELETON_H

// The attribute of a skeleton joint (root, limb or limb node). Made by the object factory and
// destroyed through it. Completed by the node-attribute work: for now it answers its type id and
// type name.

#include "scene/RWyxNodeAttribute.h"

class RWyxSkeleton : public RWyxNodeAttribute {
public:
    explicit RWyxSkeleton(RWyxObjectFactory* factory) : RWyxNodeAttribute(factory) {}

    int GetAttributeType() const override { return kSkeleton; }
    RString GetTypeName() const override { return RString("Skeleton"); }
};

#endif
