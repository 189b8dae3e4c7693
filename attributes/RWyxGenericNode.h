#ifndef WYX_ATTRIBUTES_RWYXGENERICNODE_H
#define WYX_ATTRIBUTES_RWYXGENERICNODE_H

// A scene object without a place in the hierarchy that carries properties of its own, named
// as its maker gave it. Made by the object factory and destroyed through it. Completed by the
// generic-node work: for now it holds its name.

#include "core/RWyxSceneObject.h"

class RWyxObjectFactory;

class RWyxGenericNode : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxGenericNode(RWyxObjectFactory* factory, const RString& name) : RWyxSceneObject(factory, name) {}

    int GetTypeId() const override { return 0; }
};

#endif
