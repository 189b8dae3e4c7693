#ifndef WYX_ATTRIBUTES_RWYXGOBO_H
#define WYX_ATTRIBUTES_RWYXGOBO_H

// The image a light projects, named as its maker gave it (no type prefix). Made by the object
// factory and destroyed through it (PrepareDestroy, then deletion). Completed by the light
// work: for now it holds its name.

#include "core/RWyxSceneObject.h"

class RWyxObjectFactory;

class RWyxGobo : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxGobo(RWyxObjectFactory* factory, const RString& name) : RWyxSceneObject(factory, name) {}

    int GetTypeId() const override { return 0; }
};

#endif
