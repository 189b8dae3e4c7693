#ifndef WYX_ATTRIBUTES_RWYXTEXTURE_H
#define WYX_ATTRIBUTES_RWYXTEXTURE_H

// An image mapped onto a node's geometry layers ("Texture::" names). Made by the object
// factory and destroyed through it (PrepareDestroy, then deletion). Completed by the texture
// work: for now it holds its name.

#include "core/RWyxSceneObject.h"

class RWyxObjectFactory;

class RWyxTexture : public RWyxSceneObject {
public:
    // `name` is the full name.
    RWyxTexture(RWyxObjectFactory* factory, const RString& name) : RWyxSceneObject(factory, name) {}

    int GetTypeId() const override { return 2; }
};

#endif
