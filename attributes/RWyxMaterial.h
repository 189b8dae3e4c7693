#ifndef WYX_ATTRIBUTES_RWYXMATERIAL_H
#define WYX_ATTRIBUTES_RWYXMATERIAL_H

// The surface description a node's geometry layers refer to ("Material::" names). Made by
// the object factory and destroyed through it (PrepareDestroy, then deletion). Completed by the
// material work: for now it holds its name.

#include "core/RWyxSceneObject.h"

class RWyxObjectFactory;

class RWyxMaterial : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxMaterial(RWyxObjectFactory* factory, const RString& name) : RWyxSceneObject(factory, name) {}

    int GetTypeId() const override { return 3; }
};

#endif
