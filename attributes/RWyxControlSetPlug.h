#ifndef WYX_ATTRIBUTES_RWYXCONTROLSETPLUG_H
#define WYX_ATTRIBUTES_RWYXCONTROLSETPLUG_H

// A control-set plug of the scene ("ControlSetPlug::" names): the object through which a
// character's control set is animated. All it carries are its properties, animatable in its
// take nodes. Made by the scene (RWyxScene::CreateControlSetPlug) with its take "Default";
// the scene destroys it (PrepareDestroy, then deletion).

#include "attributes/RWyxPropertyOwner.h"

class RWyxControlSetPlugProperties;
class RWyxObjectFactory;

class RWyxControlSetPlug : public RWyxPropertyOwner {
public:
    // `name` is the full name.
    RWyxControlSetPlug(RWyxObjectFactory* factory, const RString& name);

    int GetTypeId() const override { return 12; }
    RString GetTypeDescription() const override { return RString("ControlSetPlug"); }
    RWyxControlSetPlugProperties* GetProperties() const;
};

#endif
